#include "app/check_command.h"

#include <algorithm>
#include <new>

#include "hod/file_bytes.h"

namespace sq {

namespace {

std::string Bytes(std::size_t n) { return FormatInt(static_cast<int64_t>(n)) + (n == 1 ? " byte" : " bytes"); }

// The header a walk stopped at, as the file names it: "FORM ABCD", or a kind alone.
std::string HeaderName(const PendingHeader& header) {
  return header.sizeAndIdRead ? header.kind + " " + header.id : header.kind;
}

}  // namespace

std::string ShortWalkText(const WalkResult& walk, std::size_t fileSize) {
  if (walk.failed || walk.end >= fileSize) return {};
  const std::string unread = "the last " + Bytes(fileSize - walk.end) + " were not read";
  if (walk.stoppedAt) return " at " + HeaderName(*walk.stoppedAt) + ", a chunk no reader takes here: " + unread;
  return ": " + unread;
}

namespace {

// The walk's own finding: none when it read the whole file.
std::optional<CheckFinding> WalkEndFinding(const WalkResult& walk, std::size_t fileSize) {
  if (walk.failed) return CheckFinding{Severity::Error, walk.offset, "the walk ended early: " + walk.reason};
  const std::string rest = ShortWalkText(walk, fileSize);
  if (rest.empty()) return std::nullopt;
  return CheckFinding{Severity::Error, walk.end, "the walk ended early" + rest};
}

// A top-level chunk whose size reaches past the end of the file: the file was cut
// short, even where the cut fell between two chunks and the walk met no harm.
std::vector<CheckFinding> ShortChunkFindings(const WalkRecord& record, std::size_t fileSize) {
  std::vector<CheckFinding> findings;
  for (const ChunkEntry& entry : record.chunks) {
    if (!entry.header || entry.depth != 0) continue;
    const uint64_t end = entry.offset + 8 + ByteSwap32(entry.size);
    if (end <= fileSize) continue;
    findings.push_back({Severity::Warning, static_cast<std::size_t>(entry.offset),
                        std::string(entry.Kind()) + " " + std::string(entry.Id()) + " claims " +
                            Bytes(ByteSwap32(entry.size)) + " behind its size, " +
                            FormatInt(static_cast<int64_t>(end - fileSize)) + " more than the file holds"});
  }
  return findings;
}

}  // namespace

std::optional<std::size_t> OffsetOf(const ChunkRef& chunk, const WalkRecord& record) {
  if (chunk.name.empty()) return std::nullopt;
  // The entries of a run follow one another with only deeper entries (their
  // contents) between them; a table holds the last run.
  const ChunkEntry* first = nullptr;
  std::vector<const ChunkEntry*> run;
  bool inRun = false;
  for (const ChunkEntry& entry : record.chunks) {
    const std::string_view name = entry.header ? entry.Id() : entry.Kind();
    if (entry.reader != nullptr && name == chunk.name) {
      if (first == nullptr) first = &entry;
      if (!inRun) run.clear();
      run.push_back(&entry);
      inRun = true;
    } else if (inRun && entry.depth <= run.back()->depth) {
      inRun = false;
    }
  }
  const ChunkEntry* found = chunk.row == 0 ? first : chunk.row <= run.size() ? run[chunk.row - 1] : nullptr;
  if (found == nullptr) return std::nullopt;
  return static_cast<std::size_t>(found->offset) + chunk.byte;
}

std::vector<CheckFinding> FileFindings(const WalkResult& walk, const WalkRecord& record, const Model& model) {
  std::vector<CheckFinding> findings;
  for (const Message& message : walk.messages) {
    if (message.weight == MessageWeight::Notice) continue;
    findings.push_back(
        {message.weight == MessageWeight::Error ? Severity::Error : Severity::Warning, message.offset, message.text});
  }
  const std::size_t size = model.fileBytes ? model.fileBytes->size() : 0;
  if (auto end = WalkEndFinding(walk, size)) {
    findings.push_back(std::move(*end));
  } else {
    for (CheckFinding& finding : ShortChunkFindings(record, size)) findings.push_back(std::move(finding));
  }
  for (Finding& finding : ModelFindings(model)) {
    findings.push_back({finding.severity, OffsetOf(finding.chunk, record), std::move(finding.text)});
  }
  std::stable_sort(findings.begin(), findings.end(), [](const CheckFinding& a, const CheckFinding& b) {
    if (a.offset.has_value() != b.offset.has_value()) return a.offset.has_value();
    return a.offset.value_or(0) < b.offset.value_or(0);
  });
  return findings;
}

FileVerdict VerdictOf(const std::vector<CheckFinding>& findings) {
  FileVerdict verdict = FileVerdict::Clean;
  for (const CheckFinding& finding : findings) {
    if (finding.severity == Severity::Error) return FileVerdict::Errors;
    verdict = FileVerdict::Warnings;
  }
  return verdict;
}

CheckOutcome CheckFile(const std::filesystem::path& path, bool soundTest) {
  std::string error;
  auto bytes = FileBytes::Open(path, error);
  if (!bytes) {
    CheckOutcome outcome;
    outcome.error = error;
    return outcome;
  }
  return CheckBytes(std::move(bytes), soundTest);
}

CheckOutcome CheckBytes(std::shared_ptr<const FileBytes> bytes, bool soundTest) {
  CheckOutcome outcome;
  outcome.readable = true;
  try {
    Model model;
    WalkRecord record;
    const WalkResult walk = WalkHodFile(std::move(bytes), model, soundTest, &record);
    outcome.findings = FileFindings(walk, record, model);
    outcome.background = IsBackground(model);
  } catch (const std::bad_alloc&) {
    outcome.readable = false;
    outcome.error = "out of memory";
  }
  return outcome;
}

std::string FindingLine(const std::string& path, const CheckFinding& finding) {
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on ":" + string.
  std::string line = path;
  if (finding.offset) {
    line += ':';
    line += FormatInt(static_cast<int64_t>(*finding.offset));
  }
  line += finding.severity == Severity::Error ? ": error: " : ": warning: ";
  line += SideFileText(finding.text);
  return line;
}

}  // namespace sq
