// The parsed model of one HOD file and the walk that fills it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hod/background_tables.h"
#include "hod/chunk_header.h"
#include "hod/detail_tables.h"
#include "hod/file_bytes.h"
#include "hod/modCommon.h"
#include "hod/visual_tables.h"
#include "preview/modVtcs.h"

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

// What the preview lists are made of, noted by the walk as it reads; the lists
// themselves are built only when a preview needs them (BuildPreviewLists).
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
// The preview lists are reset with the model.
struct Model : ModelSummary, BackgroundTables, VisualTables, DetailTables, PreviewLists {
  HodHeader hodHeader;
  // The bytes the tables view (vertex blocks, pixels, index lists, stars), kept
  // as long as the model, so no view outlives them. Set by the walk.
  std::shared_ptr<const FileBytes> fileBytes;
  PreviewSources previewSources;
  PreviewLists& vtcs() { return *this; }
  const PreviewLists& vtcs() const { return *this; }
};

// Empties every table, flag, count and preview list, and lets go of the file's bytes.
void ResetModel(Model& model);

// Builds the preview lists (mesh corners, star-map squares, point stars) from what
// the walk read, replacing what they held. The report needs none of them; the
// preview builds them before it opens.
void BuildPreviewLists(Model& model);

// Everything one walk carries besides the model: the reader, the platform for
// messages, where side files go, and the check box that changes the VARY layout.
class WalkContext {
 public:
  WalkContext(Reader& reader, Platform& platform, std::filesystem::path outputFolder, bool soundTest = false)
      : in(reader), platform_(platform), outputFolder_(std::move(outputFolder)), soundTest_(soundTest) {}

  Reader& in;

  // Shows a message box with the application's title. A walk shows at most ten;
  // the eleventh ends the walk as a failure instead of being shown.
  void Message(std::string_view text);
  int MessagesShown() const { return messages_; }

  const std::filesystem::path& OutputFolder() const { return outputFolder_; }
  bool SoundTest() const { return soundTest_; }
  Platform& platform() { return platform_; }

  static constexpr int kMaxMessages = 10;

 private:
  Platform& platform_;
  std::filesystem::path outputFolder_;
  bool soundTest_;
  int messages_ = 0;
};

// The counted-text read of every reader: `length` bytes into `text`. A length
// that is negative or longer than the bytes left shows "Unqualified string at "
// and the 1-based position of the next byte; `text` is kept and nothing is read.
void ReadFixedText(WalkContext& ctx, std::string& text, int32_t length);

// How a walk ended.
struct WalkResult {
  bool failed = false;
  std::size_t offset = 0;  // where the failure happened
  std::string reason;
};

// Walks a whole HOD file into the model, which keeps the file's bytes. Side files
// go to `outputFolder`.
WalkResult WalkHodFile(std::shared_ptr<const FileBytes> file, Model& model, Platform& platform,
                       const std::filesystem::path& outputFolder, bool soundTest = false);

// The same for bytes the caller holds: the model keeps a copy of them.
WalkResult WalkHodBytes(std::span<const uint8_t> bytes, Model& model, Platform& platform,
                        const std::filesystem::path& outputFolder, bool soundTest = false);

// ---------------------------------------------------------------------------
// Readers the walker calls. Each form reader starts just behind its form's id and
// returns the header at which it stopped.

PendingHeader ReadBGMS(WalkContext& ctx, Model& model);
PendingHeader ReadHVMD(WalkContext& ctx, Model& model);
PendingHeader ReadDTRM(WalkContext& ctx, Model& model);

// The data of one star-map or point-star chunk, just behind the chunk's id.
void ReadStarMapChunk(WalkContext& ctx, StarMapChunk& chunk);
void ReadPointStarChunk(WalkContext& ctx, PointStarChunk& chunk);

// A run of point-star chunks, entered with a pending NRML STRF header whose size
// and id are read. Sets hasSTRF, refills strfTable from its first row, notes the
// stars for the preview list, and returns the header at which the run ended.
PendingHeader ReadPointStarRun(WalkContext& ctx, Model& model, uint32_t firstSize);

// Notes a point-star chunk read with stars for the preview list. Fails the walk,
// returning false, when the list's total would not fit a 32-bit count.
bool NotePointStarPreview(WalkContext& ctx, Model& model, const PointStarChunk& chunk, std::string_view what);

// One BMSH mesh (MULT, GOBG and the detail meshes); adds to faceTotal.
void ReadBMSH(WalkContext& ctx, Model& model, bmshMesh& mesh);

}  // namespace sq
