// The check as a UI-free flow: walks a file without writing anything and gathers
// every finding, those of the walk (a walk that ended early, the messages it
// showed) and the report's consistency checks, each with its offset where known.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "report/report_findings.h"

namespace sq {

struct CheckFinding {
  Severity severity = Severity::Warning;
  std::optional<std::size_t> offset;  // in bytes from the file's start, where known
  std::string text;
};

// For a walk that did not fail but stopped short of the file's end, what check
// says after "the walk ended early": " at HEADER, a chunk no reader takes here:
// the last N bytes were not read", or ": the last N bytes were not read".
// Empty for a walk that failed or read the whole file.
std::string ShortWalkText(const WalkResult& walk, std::size_t fileSize);

// Where the walk met the chunk a finding names, from the walk's record.
std::optional<std::size_t> OffsetOf(const ChunkRef& chunk, const WalkRecord& record);

// The findings of one walk, sorted by offset (those without one last): the walk
// ending before the end of the file is an error at the place it ended; a
// message it showed is a finding of its weight; where the walk read to the end,
// a top-level chunk whose size reaches past it is a warning (the file was cut
// short between two chunks); then the model's own.
std::vector<CheckFinding> FileFindings(const WalkResult& walk, const WalkRecord& record, const Model& model);

// How a file fares with its findings: clean, with warnings or with errors.
enum class FileVerdict { Clean, Warnings, Errors, Unreadable };
FileVerdict VerdictOf(const std::vector<CheckFinding>& findings);

struct CheckOutcome {
  bool readable = false;
  std::string error;        // why the file could not be read
  bool background = false;  // the file is a background (IsBackground), not a model
  std::vector<CheckFinding> findings;
};

// Reads and walks the file (no side files, no messages shown) and gathers its findings.
CheckOutcome CheckFile(const std::filesystem::path& path, bool soundTest);
// The same for a file already in memory.
CheckOutcome CheckBytes(std::shared_ptr<const FileBytes> bytes, bool soundTest);

// One finding as editors and CI read it: "PATH:OFFSET: error: TEXT", or
// "PATH: warning: TEXT" without an offset. Control bytes of the text become "_".
std::string FindingLine(const std::string& path, const CheckFinding& finding);

}  // namespace sq
