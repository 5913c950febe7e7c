// One walk of test bytes into a fresh model, with a recording platform and a
// folder of its own for the side files.
#pragma once

#include "hod/modFarholdhod.h"
#include "hodbuilder.h"
#include "testkit.h"

namespace sqtest {

struct Walk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::WalkResult result;

  explicit Walk(const Bytes& file) { result = sq::WalkHodBytes(file.vec(), model, platform, dir.path()); }
};

}  // namespace sqtest
