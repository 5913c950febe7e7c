// The text forms shared by the report and every side file: numbers, and names
// taken from a file's content made safe for a file name or a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sq {

// Text forms shared by the report and every side file.

inline constexpr std::string_view kCrLf = "\r\n";

// A 32-bit float as C's %.7G: 0.5, -12.25, 1E-05, 1.234568E+07. Locale-free.
std::string FormatFloat(float value);
// The same appended to `out`.
void AppendFloat(std::string& out, float value);
// The fewest decimal digits that read back as the same float ("0.1", "1e+20");
// empty for infinities and NaN where the standard library gives no text.
std::string ShortestFloat(float value);
// An integer in plain decimal.
std::string FormatInt(int64_t value);
// A file name built from file content, kept inside its folder: "/", "\", ":" and
// control characters become "_"; "", "." and ".." become "_".
std::string SafeFileName(std::string_view name);

// Text from a file put into a side-file line (a group or object name): control
// bytes (below 0x20, and 0x7F) become "_", so a name can neither end its line
// early nor add lines of its own. Ordinary names come out unchanged.
std::string SideFileText(std::string_view text);

}  // namespace sq
