#include "app/command_status.h"

#include "app/check_command.h"

namespace sq {

namespace {

constexpr const char* kNothingWritten = "Nothing written.";

}  // namespace

std::string WalkStatus(const WalkResult& walk, std::size_t fileSize) {
  if (walk.failed) return "The walk ended at byte " + std::to_string(walk.offset) + ": " + walk.reason;
  const std::string rest = ShortWalkText(walk, fileSize);
  if (rest.empty()) return {};
  return "The walk ended early at byte " + std::to_string(walk.end) + (rest.starts_with(':') ? "" : ",") + rest;
}

std::string ReportStatus(const ReportOutcome& outcome) {
  std::string text;
  switch (outcome.status) {
    case ReportOutcome::Status::Refused:
    case ReportOutcome::Status::Unreadable:
      return kNothingWritten;
    case ReportOutcome::Status::WriteFailed:
      text = "The report could not be written: " + outcome.error;
      break;
    case ReportOutcome::Status::Written:
      text = "Wrote " + outcome.reportPath.string();
      break;
  }
  if (!outcome.sideFileFailures.empty()) {
    text += ". Side files not written:";
    for (std::size_t i = 0; i < outcome.sideFileFailures.size(); ++i) {
      text += (i == 0 ? " " : ", ") + outcome.sideFileFailures[i].file;
    }
  }
  if (outcome.status == ReportOutcome::Status::Written) {
    if (const std::string walk = WalkStatus(outcome.walk, outcome.fileSize); !walk.empty()) text += ". " + walk;
  }
  return text;
}

std::string SideFilesMessage(const ReportOutcome& outcome) {
  const std::vector<ExportFailure>& failures = outcome.sideFileFailures;
  if (failures.empty()) return {};
  std::string text = failures.size() == 1 ? "A side file could not be written:"
                                          : std::to_string(failures.size()) + " side files could not be written:";
  for (const ExportFailure& failure : failures) text += "\n" + failure.reason;
  return text;
}

std::string WrittenStatus(const OutputReport& report) {
  std::string text;
  if (report.written.size() == 1) {
    text = "Wrote " + report.written.front().string();
  } else if (!report.written.empty()) {
    // The files of one command share a folder: it is named once.
    const std::filesystem::path folder = FolderOf(report.written.front());
    text = "Wrote " + std::to_string(report.written.size()) + " files to " + folder.string() + ":";
    for (std::size_t i = 0; i < report.written.size(); ++i) {
      const std::filesystem::path& file = report.written[i];
      text += (i == 0 ? " " : ", ") + (FolderOf(file) == folder ? file.filename().string() : file.string());
    }
  }
  if (report.errors.size() == 1) {
    text += (text.empty() ? "" : ". ") + std::string("Not written: ") + report.errors.front();
  } else if (!report.errors.empty()) {
    text += (text.empty() ? "" : ". ") + std::to_string(report.errors.size()) +
            " files could not be written, the first: " + report.errors.front();
  }
  return text.empty() ? kNothingWritten : text;
}

std::string TargaLoadStatus(const TgaCommandOutcome& outcome) {
  switch (outcome.status) {
    case TgaCommandOutcome::Status::Refused:
      return kNothingWritten;
    case TgaCommandOutcome::Status::Unreadable:
      return "Nothing written: the image could not be loaded.";
    case TgaCommandOutcome::Status::Written:
    case TgaCommandOutcome::Status::WriteFailed:
      break;
  }
  return WrittenStatus(outcome.load.outputs);
}

}  // namespace sq
