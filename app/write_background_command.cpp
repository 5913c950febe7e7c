#include "app/write_background_command.h"

#include <system_error>

#include "app/command_paths.h"
#include "app/message_boxes.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "writer/background_writer.h"

namespace sq {

namespace {

WriteBackgroundOutcome Refuse(Platform& platform, const std::string& text,
                              CommandOutcome::Status status = CommandOutcome::Status::Refused) {
  return RefusedWith<WriteBackgroundOutcome>(platform, text, status);
}

}  // namespace

WriteBackgroundOutcome WriteBackgroundCommand(const std::filesystem::path& hodPath,
                                              const std::filesystem::path& outputFolder, Platform& platform) {
  const std::string baseName = HodBaseName(hodPath.string());
  if (baseName.empty()) return Refuse(platform, std::string(kSelectHodFile));
  const std::filesystem::path outPath = outputFolder / (SafeFileName(baseName) + ".hod");

  std::error_code ec;
  if (std::filesystem::equivalent(hodPath, outPath, ec) && !ec) {
    return Refuse(platform, "The background HOD " + outPath.string() +
                                " would replace the file it is read from; choose another output folder.");
  }

  std::string readError;
  auto file = FileBytes::Open(hodPath, readError);
  if (!file) return Refuse(platform, "Cannot read the HOD file: " + readError, CommandOutcome::Status::Unreadable);

  // Refusing a model file must not leave its side exports behind: this walk writes none.
  Model model;
  const WalkResult walk = WalkHodFile(std::move(file), model);
  ShowMessages(platform, walk.messages);
  const std::string from = "Cannot write a background HOD from " + hodPath.filename().string() + ": ";
  if (walk.failed) {
    return Refuse(platform, from + "the file is damaged (the walk ended at byte " + std::to_string(walk.offset) + ": " +
                                walk.reason + ").");
  }

  BackgroundWriterTables tables;
  const std::string shape = CopyBackgroundToWriter(model, tables);
  if (!shape.empty()) return Refuse(platform, from + shape + ".");

  WriteBackgroundOutcome outcome;
  outcome.outPath = outPath;
  DiskFolder folder(outputFolder);
  HodWriteOutcome written = WriteBackgroundHod(tables, folder, outPath.filename().string());
  ShowMessages(platform, written.messages);
  static_cast<CommandOutcome&>(outcome) = written;
  return outcome;
}

}  // namespace sq
