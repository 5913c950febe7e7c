#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cctype>
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
  std::filesystem::create_directories(out_);
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
    SQFUZZ_CHECK(entry.path() == out_, "a file was written beside the output folder: " + entry.path().string());
  }
  for (const auto& entry : std::filesystem::directory_iterator(out_)) {
    SQFUZZ_CHECK(entry.is_regular_file(), "the output folder holds something other than a file: " + entry.path().string());
  }
}

void CheckRtfFrame(std::string_view rtf) {
  SQFUZZ_CHECK(rtf.starts_with("{\\rtf1"), "the report does not open with {\\rtf1");
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      SQFUZZ_CHECK(i + 1 < rtf.size(), "the report ends in a backslash");
      const char next = rtf[i + 1];
      if (next == '\'') {
        // \'hh: two hex digits follow
        SQFUZZ_CHECK(i + 3 < rtf.size() && std::isxdigit(static_cast<unsigned char>(rtf[i + 2])) &&
                         std::isxdigit(static_cast<unsigned char>(rtf[i + 3])),
                     "a \\' escape without two hex digits in the report");
        i += 3;
      } else {
        ++i;  // an escaped symbol, or the first letter of a control word
      }
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
      SQFUZZ_CHECK(depth >= 0, "a closing brace without its group in the report");
      SQFUZZ_CHECK(depth > 0 || rtf.substr(i + 1).find_first_not_of("\\par\r\n") == std::string_view::npos,
                   "text behind the document's closing brace");
    } else {
      const auto byte = static_cast<unsigned char>(c);
      SQFUZZ_CHECK((byte >= 0x20 && byte <= 0x7E) || c == '\r' || c == '\n' || c == '\t',
                   "a raw byte outside printable ASCII in the report");
    }
  }
  SQFUZZ_CHECK(depth == 0, "unbalanced braces in the report");
}

}  // namespace sqfuzz
