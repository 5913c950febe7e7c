// The command line of our small tools: "--help" prints the usage and ends the
// program; an unknown option or a wrong number of arguments is refused with the
// usage on stderr and status 2, before anything is written.
#pragma once

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sqtools {

// Returns the positional arguments (at least `least`, at most `most`), or ends
// the program. "--" ends the options, so a file named "-x" can still be given.
inline std::vector<std::string> ToolArguments(int argc, char** argv, const char* usage, std::size_t least,
                                              std::size_t most) {
  const std::string_view name = argc > 0 ? argv[0] : "tool";
  const std::string_view tool =
      name.substr(name.find_last_of('/') == std::string_view::npos ? 0 : name.find_last_of('/') + 1);
  std::vector<std::string> positional;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "--help" || a == "-h")) {
      std::fputs(usage, stdout);
      std::exit(0);
    } else if (options && a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "%.*s: unknown option '%.*s'\n%s", static_cast<int>(tool.size()), tool.data(),
                   static_cast<int>(a.size()), a.data(), usage);
      std::exit(2);
    } else {
      positional.emplace_back(a);
    }
  }
  if (positional.size() < least || positional.size() > most) {
    std::fprintf(stderr, "%.*s: wrong number of arguments\n%s", static_cast<int>(tool.size()), tool.data(), usage);
    std::exit(2);
  }
  return positional;
}

// A whole number in [low, high] and nothing else ("12x", "" and "-" are refused).
inline bool ParseWhole(std::string_view text, long low, long high, long& value) {
  long parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

}  // namespace sqtools
