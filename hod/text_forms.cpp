#include "hod/text_forms.h"

#include <charconv>

namespace sq {

// ---------------------------------------------------------------------------
// Text forms

std::string FormatFloat(float value) {
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 7);
  if (ec != std::errc()) return "0";
  std::string text(buf, end);
  // to_chars writes what printf's %.7g writes; the upper-case form differs only in letters.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
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
