#include "app/report_command.h"

#include <string>

#include "hod/file_bytes.h"
#include "report/report_rtf.h"

namespace sq {

ReportOutcome ReportCommand(Model& model, const std::filesystem::path& hodPath,
                            const std::filesystem::path& outputFolder, bool soundTest, Platform& platform,
                            WalkRecord* record) {
  ReportOutcome outcome;
  outcome.baseName = AcceptHodPath(hodPath.string(), platform);
  if (outcome.baseName.empty()) {
    outcome.status = ReportOutcome::Status::Refused;
    return outcome;
  }

  // The open dialog only offers existing files; a path that cannot be read is
  // refused like a wrong name, with the reason.
  std::string readError;
  auto file = FileBytes::Open(hodPath, readError);
  if (!file) {
    platform.ShowMessage(kAppTitle, "Cannot read the HOD file: " + readError, MessageIcon::Error);
    outcome.status = ReportOutcome::Status::Unreadable;
    outcome.error = readError;
    return outcome;
  }
  ResetModel(model);
  // The model keeps the file's bytes: its tables view them.
  outcome.walk = WalkHodFile(std::move(file), model, platform, outputFolder, soundTest, record);

  outcome.reportPath = outputFolder / (SafeFileName(outcome.baseName) + ".HODreport.rtf");
  const std::string error = WriteFileAtomic(outcome.reportPath, BuildReport(model, outcome.baseName));
  if (!error.empty()) {
    outcome.status = ReportOutcome::Status::WriteFailed;
    outcome.error = error;
    platform.ShowMessage(kAppTitle, "The report could not be written: " + error, MessageIcon::Error);
    return outcome;
  }
  outcome.status = ReportOutcome::Status::Written;
  outcome.openPreview = model.hasBGMS || model.hasSTRF;
  return outcome;
}

}  // namespace sq
