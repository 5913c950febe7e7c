// The dump as a UI-free flow: one file's chunk tree as the walk met it, where and
// why the walk ended, its messages and, when asked, every table read, as one JSON
// document (docs/dump.schema.json describes it), or the same as an indented view.
// The dump reads only: its walk writes no side files.
#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "app/check_command.h"
#include "app/table_json.h"
#include "hod/hod_walk.h"

namespace sq {

using Json = nlohmann::ordered_json;

// The value of "format_version": raised when a field changes its meaning or goes.
inline constexpr int kDumpFormatVersion = 2;

struct DumpOptions {
  bool tables = false;
  bool soundTest = false;
};

// NOLINTNEXTLINE(bugprone-exception-escape): only a JSON value's allocation can throw, as anywhere.
struct DumpOutcome {
  bool readable = false;
  Json document;  // for an unreadable file: its path and the reason
  std::vector<CheckFinding> findings;
};

DumpOutcome DumpFile(const std::filesystem::path& path, const DumpOptions& options);
// The same for a file already in memory, named `path` in the document.
DumpOutcome DumpBytes(const std::string& path, std::shared_ptr<const FileBytes> bytes, const DumpOptions& options);

// The document of a walk already made.
Json DumpDocument(const std::string& path, std::size_t fileSize, const WalkResult& walk, const WalkRecord& record,
                  const Model* tablesOf);

// The chunk tree of a record: each entry with the entries of the next depth that
// follow it as its children, so the tree read in order gives the record's order.
Json ChunkTree(const WalkRecord& record);

// The document as JSON text. A path that is not UTF-8 has its stray bytes
// replaced; the file's own texts are always kept whole (JsonText).
std::string DumpJson(const Json& document);

// The document as an indented view in the manner of llvm-readobj.
std::string DumpTree(const Json& document);

}  // namespace sq
