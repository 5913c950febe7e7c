// One walk of test bytes into a fresh model, its messages shown on a recording platform, and the
// side exports of what it read appended in a folder of its own.
#pragma once

#include "app/message_boxes.h"
#include "exports/side_exports.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "preview/preview_lists.h"
#include "support/chunk_bytes.h"
#include "tests/test_kit.h"

namespace sqtest {

struct Walk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::WalkResult result;
  std::vector<sq::ExportFailure> sideFileFailures;

  explicit Walk(const Bytes& file, bool soundTest = false) : result(sq::WalkHodBytes(file.vec(), model, soundTest)) {
    sq::ShowMessages(platform, result.messages);
    sq::DiskFolder folder(dir.path());
    sideFileFailures = sq::WriteSideExports(model, folder);
  }
  std::string Side(const std::string& name) const { return ReadText(dir / name); }
};

// The preview lists a preview of the model would show.
inline sq::PreviewLists PreviewOf(const sq::Model& model) {
  sq::PreviewLists lists;
  sq::BuildPreviewLists(model, lists);
  return lists;
}

}  // namespace sqtest
