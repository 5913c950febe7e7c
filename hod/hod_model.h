// The parsed model of one HOD file: every family's tables, the file's header
// chunks and summary values, and what a preview is built from. A walk fills it;
// the report, the side exports, check, dump and the preview are passes over it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "hod/background_tables.h"
#include "hod/chunk_header.h"
#include "hod/detail_tables.h"
#include "hod/file_bytes.h"
#include "hod/visual_tables.h"

namespace sq {

// One entry per once-only top-level chunk.
struct HodHeader {
  ChunkHeader vers;
  int32_t hodVersion = 0;
  ChunkHeader name;
  std::string hodName;
  ChunkHeader hvmd;
  ChunkHeader dtrm;
  ChunkHeader bglt;
  int32_t bgltValue = 0;
  ChunkHeader bgms;
};

// File-level summary values read by the report head.
struct ModelSummary {
  bool hasLITE = false;
  int32_t liteCount = 0;
  int32_t hierarchyCount = 0;
  bool infoWarning = false;
  std::string infoWarningText;
  bool infoError = false;
  std::string infoErrorText;
};

// What the preview lists are made of, noted by the walk as it reads; whoever
// shows a preview builds its lists from these.
struct PreviewSources {
  // The leading rows of bgmsTable whose triangles are shown. The last one may end
  // at an index outside its vertices (the walk ended there): its triangles before
  // that index are shown.
  std::size_t meshRows = 0;
  // The stored records (views into the file's bytes) behind each of the two
  // star-map slots: the star map that filled the slot last, also when a later run
  // of star maps replaced bgsgTable without reaching that slot.
  std::array<std::span<const uint8_t>, 2> starMaps;
  // The stored stars of every point-star chunk read with stars, in reading order,
  // from every run and form (strfTable keeps the last run only).
  std::vector<std::span<const uint8_t>> pointStars;
  int64_t pointStarTotal = 0;
};

// What the report's side exports are made of, noted by the walk as it reads:
// every chunk whose export the walk reached, in reading order. The tables keep
// the last run of each kind only, and the report reads them there; when a later
// chunk or run replaces records that were noted, they are moved into their
// chunk here whole, not copied, so the exports still have every chunk read.
struct SideExportSources {
  enum class Kind : uint8_t { Vary, Lights, Hierarchy, Trail, Burn, Bounds };
  static constexpr std::size_t kKinds = 6;
  // Held by pointer, so a chunk whose record is still in its table costs a few
  // bytes, and a replaced one the size of its own record.
  using Record = std::variant<std::monostate, std::unique_ptr<const VaryRecord>, std::unique_ptr<const LiteRecord>,
                              std::unique_ptr<const std::vector<HierObject>>, std::unique_ptr<const EtshRecord>,
                              std::unique_ptr<const BurnRecord>, std::unique_ptr<const BndvRecord>>;

  struct Chunk {
    Kind kind = Kind::Vary;
    int32_t number = 0;  // a trail's or burn's number in its run, from 1: its row in the table
    Record replaced;     // the chunk's record once the table no longer holds it
  };
  // A deque, not a vector: it grows a block at a time, never holding the old and
  // the new copy of every chunk at once.
  std::deque<Chunk> chunks;

  // The chunk just read is exported.
  void Note(Kind kind, int32_t number = 0) {
    inTable_[static_cast<std::size_t>(kind)].push_back(chunks.size());
    chunks.push_back(Chunk{kind, number, {}});
  }
  // Before a chunk replaces the single record of its kind (varyRecord,
  // liteRecord, hierarchyTable, bndvRecord), or a new run empties a table
  // (etshTable, burnTable): moves the noted records into their chunks. A row
  // whose read failed was never noted and is left behind.
  template <class R>
  void SetAside(Kind kind, R& record) {
    std::vector<std::size_t>& held = inTable_[static_cast<std::size_t>(kind)];
    // The single record is the last noted chunk's.
    if (!held.empty()) chunks[held.back()].replaced = std::make_unique<const R>(std::move(record));
    held.clear();
  }
  template <class R>
  void SetAsideRows(Kind kind, std::vector<R>& table) {
    for (std::size_t chunk : std::exchange(inTable_[static_cast<std::size_t>(kind)], {})) {
      const auto row = static_cast<std::size_t>(chunks[chunk].number - 1);
      if (row < table.size()) chunks[chunk].replaced = std::make_unique<const R>(std::move(table[row]));
    }
  }

 private:
  std::array<std::vector<std::size_t>, kKinds> inTable_;  // the chunks whose record a table still holds
};

// The whole parsed model. Each family's tables are their own struct; the model is
// all of them, so a field reads as its name: model.hasBGMS, model.bgsgTable.
struct Model : ModelSummary, BackgroundTables, VisualTables, DetailTables {
  HodHeader hodHeader;
  bool hasTopLevelSTRF = false;  // point stars of the file's own, not of a ship's detail
  // The bytes the tables view (vertex blocks, pixels, index lists, stars), kept
  // as long as the model, so no view outlives them. Set by the walk.
  std::shared_ptr<const FileBytes> fileBytes;
  PreviewSources previewSources;
  SideExportSources sideExports;
};

// A background: it holds a BGMS form or point stars of its own (a ship's detail
// may hold point stars too, and is no background for them).
inline bool IsBackground(const Model& model) { return model.hasBGMS || model.hasTopLevelSTRF; }

// Empties every table, flag and count, and lets go of the file's bytes.
void ResetModel(Model& model);

}  // namespace sq
