// The layering: every #include "..." of the tree against the table of rooms in
// docs/architecture.md, the one place the allowed arrows are written down.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_kit.h"

using namespace sqtest;

namespace {

namespace fs = std::filesystem;

// Folder -> the folders it may include besides itself.
using Rooms = std::map<std::string, std::set<std::string>>;

// The rows of the table whose header is "| folder | holds | may include |": the
// folder and the folders of the last cell, each written as `name/`.
Rooms ReadRooms(const std::string& markdown) {
  Rooms rooms;
  const std::size_t table = markdown.find("| folder | holds | may include |\n");
  if (table == std::string::npos) return rooms;
  std::istringstream lines(markdown.substr(table));
  const std::regex row(R"(\| `([a-z_]+)/` \|.*\|([^|]*)\|)"), folder("`([a-z_]+)/`");
  for (std::string line; std::getline(lines, line) && line.starts_with("|");) {
    std::smatch cells;
    if (!std::regex_match(line, cells, row)) continue;
    std::set<std::string>& allowed = rooms[cells[1]];
    const std::string mayInclude = cells[2];
    for (std::sregex_iterator it(mayInclude.begin(), mayInclude.end(), folder), end; it != end; ++it) {
      allowed.insert((*it)[1]);
    }
  }
  return rooms;
}

// Every include of a C++ file under `root` that the rooms do not allow, as
// "FILE:LINE: FROM -> TO (the include)". A folder with C++ files but no row is
// named too.
std::vector<std::string> LayeringProblems(const fs::path& root, const Rooms& rooms) {
  std::vector<std::string> problems;
  const std::regex include(R"(^\s*#\s*include\s+"([^"]+)\")");
  for (const fs::directory_entry& top : fs::directory_iterator(root)) {
    const std::string room = top.path().filename().string();
    if (!top.is_directory() || room.starts_with(".") || room == "build") continue;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top.path())) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
      const std::string file = fs::relative(entry.path(), root).generic_string();
      if (!rooms.contains(room)) {
        problems.push_back(file + ": the folder " + room + " has no row in the table");
        continue;
      }
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        std::smatch match;
        if (!std::regex_search(line, match, include)) continue;
        const std::string target = match[1];
        // As the compiler looks: beside the including file first, then from the root.
        const std::size_t slash = target.find('/');
        const bool beside = slash == std::string::npos || fs::exists(entry.path().parent_path() / target);
        const std::string to = beside ? room : target.substr(0, slash);
        if (to != room && !rooms.at(room).contains(to)) {
          problems.push_back(file + ":" + std::to_string(number) + ": " + room + " -> " + to + " (" + target + ")");
        }
      }
    }
  }
  return problems;
}

}  // namespace

TEST(Layering, EveryIncludeFollowsTheTableOfRooms) {
  const fs::path root = STARQUILL_SOURCE_DIR;
  const Rooms rooms = ReadRooms(ReadText(root / "docs" / "architecture.md"));
  // A folder the table leaves out (all of them, were the table not found) is named as a problem.
  EXPECT_TRUE(rooms.contains("hod") && rooms.at("hod").empty());
  EXPECT_EQ(LayeringProblems(root, rooms), std::vector<std::string>{});
}
