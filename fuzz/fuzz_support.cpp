#include "fuzz/fuzz_support.h"

#include "support/rtf_check.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace sqfuzz {

void Fail(std::string_view what) {
  std::fprintf(stderr, "starquill fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

Scratch& Scratch::Get() {
  static Scratch scratch;
  return scratch;
}

Scratch::Scratch() {
  root_ = std::filesystem::temp_directory_path() / ("starquill-fuzz-" + std::to_string(::getpid()));
  out_ = root_ / "out";
  in_ = root_ / "in";
  std::filesystem::create_directories(out_);
  std::filesystem::create_directories(in_);
}

Scratch::~Scratch() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void Scratch::Clear() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(out_, ec)) std::filesystem::remove_all(entry.path(), ec);
}

void Scratch::CheckContained() const {
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    SQFUZZ_CHECK(entry.path() == out_ || entry.path() == in_,
                 "a file was written beside the output folder: " + entry.path().string());
  }
  for (const auto& entry : std::filesystem::directory_iterator(out_)) {
    SQFUZZ_CHECK(entry.is_regular_file(),
                 "the output folder holds something other than a file: " + entry.path().string());
  }
}

void CheckSideFileLines(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string error;
    const auto bytes = sq::ReadWholeFile(entry.path(), error);
    SQFUZZ_CHECK(bytes.has_value(), error);
    const std::vector<uint8_t>& b = *bytes;
    for (std::size_t i = 0; i < b.size(); ++i) {
      if (b[i] == '\r') {
        SQFUZZ_CHECK(i + 1 < b.size() && b[i + 1] == '\n', "a CR without LF in " + entry.path().filename().string());
        ++i;
      } else {
        SQFUZZ_CHECK(b[i] >= 0x20 && b[i] != 0x7F, "a control byte in a line of " + entry.path().filename().string());
      }
    }
  }
}

void CheckRtfFrame(std::string_view rtf) {
  const std::string problem = sqsupport::RtfFrameProblem(rtf);
  SQFUZZ_CHECK(problem.empty(), "the report is not well-formed RTF: " + problem);
}

}  // namespace sqfuzz
