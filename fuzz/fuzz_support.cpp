#include "fuzz/fuzz_support.h"

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

}  // namespace sqfuzz
