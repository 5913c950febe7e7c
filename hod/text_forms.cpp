#include "hod/text_forms.h"

#include <array>
#include <charconv>
#include <cmath>
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

namespace {

// %.7G of a finite non-zero float from its value scaled in doubles to seven
// digits before the point: the float is exact as a double and the scaled value
// below 1E7, so its rounding errors stay below 1E-7 and only a value within 1E-6
// of a tie between two seven-digit decimals needs the exact digits (false).
// The report's and side files' floats are written by the hundred thousand in a
// big model: this is twice as quick as the library's exact digits.
bool AppendFloatQuick(std::string& out, float value) {
  static const std::array<double, 64> kPowersOfTen = [] {
    std::array<double, 64> powers{};
    double power = 1;
    for (double& p : powers) {
      p = power;
      power *= 10;
    }
    return powers;
  }();
  const double x = std::fabs(static_cast<double>(value));
  const auto scale = [&](int e) { return 6 - e >= 0 ? x * kPowersOfTen[6 - e] : x / kPowersOfTen[e - 6]; };
  int e = static_cast<int>(std::floor(std::log10(x)));
  double scaled = scale(e);
  if (scaled >= 1E7) {
    scaled = scale(++e);
  } else if (scaled < 1E6) {
    scaled = scale(--e);
  }
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < 1E-6) return false;
  auto n = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1U : 0U);
  if (n == 10000000) {
    n = 1000000;
    ++e;
  }
  char digits[7];
  for (int i = 6; i >= 0; --i, n /= 10) digits[i] = static_cast<char>('0' + n % 10);
  int last = 6;  // the last digit written: trailing zeros are not
  while (last > 0 && digits[last] == '0') --last;
  if (value < 0) out += '-';
  if (e < -4 || e >= 7) {
    out += digits[0];
    if (last > 0) out.append(".").append(digits + 1, static_cast<std::size_t>(last));
    out += e < 0 ? "E-" : "E+";
    const int magnitude = e < 0 ? -e : e;
    if (magnitude < 10) out += '0';
    out += FormatInt(magnitude);
  } else if (e >= 0) {
    out.append(digits, static_cast<std::size_t>(e) + 1);
    if (last > e) out.append(".").append(digits + e + 1, static_cast<std::size_t>(last - e));
  } else {
    out.append("0.").append(static_cast<std::size_t>(-e - 1), '0').append(digits, static_cast<std::size_t>(last) + 1);
  }
  return true;
}

}  // namespace

void AppendFloat(std::string& out, float value) {
  if (std::isfinite(value) && value != 0 && AppendFloatQuick(out, value)) return;
  char buf[48];
#ifdef SQ_FLOAT_TO_CHARS
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 7);
  if (ec != std::errc()) {
    out += '0';
    return;
  }
  const std::size_t length = static_cast<std::size_t>(end - buf);
#else
  const int printed = std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
  if (printed <= 0 || static_cast<std::size_t>(printed) >= sizeof buf) {
    out += '0';
    return;
  }
  const auto length = static_cast<std::size_t>(printed);
#endif
  // to_chars writes what printf's %.7g writes; the upper-case form differs only in letters.
  for (std::size_t i = 0; i < length; ++i) {
    const char c = buf[i];
    out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
}

std::string FormatFloat(float value) {
  std::string text;
  AppendFloat(text, value);
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
