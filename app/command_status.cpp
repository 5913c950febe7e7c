#include "app/command_status.h"

namespace sq {

namespace {

constexpr const char* kNothingWritten = "Nothing written.";

}  // namespace

std::string WalkStatus(const WalkResult& walk) {
  if (!walk.failed) return {};
  return "The walk ended at byte " + std::to_string(walk.offset) + ": " + walk.reason;
}

std::string ReportStatus(const ReportOutcome& outcome) {
  switch (outcome.status) {
    case ReportOutcome::Status::Refused:
    case ReportOutcome::Status::Unreadable:
      return kNothingWritten;
    case ReportOutcome::Status::WriteFailed:
      return "The report could not be written: " + outcome.error;
    case ReportOutcome::Status::Written:
      break;
  }
  std::string text = "Wrote " + outcome.reportPath.string();
  if (const std::string walk = WalkStatus(outcome.walk); !walk.empty()) text += ". " + walk;
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
