#include "app/report_command.h"

#include <string>

#include "app/message_boxes.h"
#include "hod/text_forms.h"
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
  DiskFolder folder(outputFolder);
  // The name passed above, so it passes again without a message.
  outcome = ReportOfBytes(model, hodPath.string(), std::move(file), folder, soundTest, platform, record);
  outcome.reportPath = folder.FilePath(SafeFileName(outcome.baseName) + ".HODreport.rtf");
  return outcome;
}

ReportOutcome ReportOfBytes(Model& model, const std::string& hodPath, std::shared_ptr<const FileBytes> file,
                            OutputFolder& folder, bool soundTest, Platform& platform, WalkRecord* record) {
  ReportOutcome outcome;
  outcome.baseName = AcceptHodPath(hodPath, platform);
  if (outcome.baseName.empty()) {
    outcome.status = ReportOutcome::Status::Refused;
    return outcome;
  }
  ResetModel(model);
  outcome.fileSize = file ? file->size() : 0;
  // The model keeps the file's bytes: its tables view them.
  outcome.walk = WalkHodFile(std::move(file), model, soundTest, record);
  ShowMessages(platform, outcome.walk.messages);

  const std::string reportName = SafeFileName(outcome.baseName) + ".HODreport.rtf";
  outcome.reportPath = folder.PathOf(reportName);
  const std::string error = folder.Replace(reportName, BuildReport(model, outcome.baseName));
  // The side files come after the report, which never depends on them; they are
  // written also when the report could not be.
  outcome.sideFileFailures = WriteSideExports(model, folder);
  // The background was read whether or not its report could be written.
  outcome.openPreview = model.hasBGMS || model.hasSTRF;
  outcome.background = IsBackground(model);
  if (!error.empty()) {
    outcome.status = ReportOutcome::Status::WriteFailed;
    outcome.error = error;
    platform.ShowMessage(kAppTitle, "The report could not be written: " + error, MessageIcon::Error);
    return outcome;
  }
  outcome.status = ReportOutcome::Status::Written;
  return outcome;
}

}  // namespace sq
