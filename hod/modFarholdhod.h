// The parsed model of one HOD file and the walk that fills it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hod/background.h"
#include "hod/chunk.h"
#include "hod/detail.h"
#include "hod/modCommon.h"
#include "hod/visual.h"
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

// The whole parsed model. Each family's tables are their own struct; the model is
// all of them, so a field reads as its name: model.hasBGMS, model.bgsgTable.
// The preview lists are reset with the model.
struct Model : ModelSummary, BackgroundTables, VisualTables, DetailTables, PreviewLists {
  HodHeader hodHeader;
  PreviewLists& vtcs() { return *this; }
  const PreviewLists& vtcs() const { return *this; }
};

// Empties every table, flag, count and preview list.
void ResetModel(Model& model);

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

// Walks a whole HOD file held in memory. Side files go to ctx's output folder.
WalkResult WalkHod(WalkContext& ctx, Model& model);

// Convenience: walks bytes with a fresh reader.
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
// and id are read. Sets hasSTRF, refills strfTable from its first row, feeds the
// preview list, and returns the header at which the run ended.
PendingHeader ReadPointStarRun(WalkContext& ctx, Model& model, uint32_t firstSize);

// One BMSH mesh (MULT, GOBG and the detail meshes); adds to faceTotal.
void ReadBMSH(WalkContext& ctx, Model& model, bmshMesh& mesh);

}  // namespace sq
