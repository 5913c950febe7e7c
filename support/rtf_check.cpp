#include "support/rtf_check.h"

#include <cctype>

namespace sqsupport {

std::string RtfFrameProblem(std::string_view rtf) {
  if (!rtf.starts_with("{\\rtf1")) return "does not open with {\\rtf1";
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      if (i + 1 >= rtf.size()) return "ends in a backslash";
      if (rtf[i + 1] == '\'') {
        if (i + 3 >= rtf.size() || !std::isxdigit(static_cast<unsigned char>(rtf[i + 2])) ||
            !std::isxdigit(static_cast<unsigned char>(rtf[i + 3]))) {
          return "a \\' escape without two hex digits at byte " + std::to_string(i);
        }
        i += 3;
      } else {
        ++i;  // an escaped symbol, or the first letter of a control word
      }
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth < 0) return "a closing brace without its group at byte " + std::to_string(i);
      if (depth == 0 && rtf.substr(i + 1) != "\\par\r\n" && rtf.substr(i + 1) != "") {
        return "text behind the document's closing brace at byte " + std::to_string(i);
      }
    } else if (!((byte >= 0x20 && byte <= 0x7E) || c == '\r' || c == '\n')) {
      return "a raw byte " + std::to_string(byte) + " at byte " + std::to_string(i);
    }
  }
  if (depth != 0) return "unbalanced braces";
  return {};
}

}  // namespace sqsupport
