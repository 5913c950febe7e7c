// One walk of test bytes into a fresh model, with a recording platform and a
// folder of its own for the side files.
#pragma once

#include "hod/hod_walk.h"
#include "preview/preview_lists.h"
#include "support/chunk_bytes.h"
#include "tests/test_kit.h"

namespace sqtest {

struct Walk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::WalkResult result;

  explicit Walk(const Bytes& file, bool soundTest = false)
      : result(sq::WalkHodBytes(file.vec(), model, platform, dir.path(), soundTest)) {}
  std::string Side(const std::string& name) const { return ReadText(dir / name); }
};

// The preview lists a preview of the model would show.
inline sq::PreviewLists PreviewOf(const sq::Model& model) {
  sq::PreviewLists lists;
  sq::BuildPreviewLists(model, lists);
  return lists;
}

}  // namespace sqtest
