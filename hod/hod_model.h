// The parsed model of one HOD file: every family's tables, the file's header
// chunks and summary values, and what a preview is built from. A walk fills it;
// the report, the side exports, check, dump and the preview are passes over it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
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

// The whole parsed model. Each family's tables are their own struct; the model is
// all of them, so a field reads as its name: model.hasBGMS, model.bgsgTable.
struct Model : ModelSummary, BackgroundTables, VisualTables, DetailTables {
  HodHeader hodHeader;
  // The bytes the tables view (vertex blocks, pixels, index lists, stars), kept
  // as long as the model, so no view outlives them. Set by the walk.
  std::shared_ptr<const FileBytes> fileBytes;
  PreviewSources previewSources;
};

// Empties every table, flag and count, and lets go of the file's bytes.
void ResetModel(Model& model);

}  // namespace sq
