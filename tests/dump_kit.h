// The kinds of file the dump's tests read: a whole model and background, each cut
// short, and hostile ones (counts past the file, texts of any bytes, an unknown
// kind, a repeated once-only chunk, nothing at all).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/detail_chunks.h"
#include "support/sample_files.h"

namespace sqtest {

inline std::vector<std::pair<std::string, sqsupport::Bytes>> DumpSamples() {
  using sqsupport::Bytes;
  const Bytes ship = sqsupport::FullModelHod();
  const Bytes sky = sqsupport::FullBackgroundHod(3, 3);
  auto cut = [](const Bytes& whole, std::size_t n) { return Bytes().Raw(whole.vec().data(), n); };
  Bytes hostile;
  hostile.Add(sqsupport::Vers(1000)).Add(sqsupport::StarMapChunk(std::string("\xFF\x01\x80", 3), {}));
  hostile.Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF);
  Bytes names = sqsupport::ModelFile(sqsupport::InfoForm({{"WARN", std::string("\x7F\xC3(\n", 4)}}));
  return {{"whole ship", ship},
          {"whole background", sky},
          {"truncated ship", cut(ship, ship.size() / 2)},
          {"truncated background", cut(sky, 101)},
          {"hostile count", hostile},
          {"hostile texts", names},
          {"unknown kind", Bytes().Add(sqsupport::Vers(1000)).Tag("\x00\xFFzz").Zeros(20)},
          {"second VERS", Bytes().Add(sqsupport::Vers(1000)).Add(sqsupport::Vers(512))},
          {"empty", Bytes()}};
}

}  // namespace sqtest
