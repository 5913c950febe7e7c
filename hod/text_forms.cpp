#include "hod/text_forms.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace sq {

// ---------------------------------------------------------------------------
// Text forms

// Floating-point to_chars is locale-free; where the standard library lacks it
// (the WebAssembly build's), snprintf stands in: that build never sets a locale,
// so its decimal point is always ".".
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
#define SQ_FLOAT_TO_CHARS 1
#endif

std::string FormatFloat(float value) {
  char buf[48];
#ifdef SQ_FLOAT_TO_CHARS
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 7);
  if (ec != std::errc()) return "0";
  std::string text(buf, end);
#else
  const int length = std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buf) return "0";
  std::string text(buf, static_cast<std::size_t>(length));
#endif
  // to_chars writes what printf's %.7g writes; the upper-case form differs only in letters.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string ShortestFloat(float value) {
  char buf[48];
#ifdef SQ_FLOAT_TO_CHARS
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) return {};
  return std::string(buf, end);
#else
  // The closest decimal of p digits is the one that reads back when any of p
  // digits does, so the first p that reads back gives the shortest.
  for (int digits = 1; digits <= 9; ++digits) {
    const int length = std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(value));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buf) return {};
    if (std::strtof(buf, nullptr) == value || digits == 9) return std::string(buf, static_cast<std::size_t>(length));
  }
  return {};
#endif
}

std::string FormatInt(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

std::string SafeFileName(std::string_view name) {
  std::string out(name);
  for (char& ch : out) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '/' || ch == '\\' || ch == ':' || byte < 0x20 || byte == 0x7F) ch = '_';
  }
  if (out.empty() || out == "." || out == "..") return "_";
  return out;
}

std::string SideFileText(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte == 0x7F) ch = '_';
  }
  return out;
}

}  // namespace sq
