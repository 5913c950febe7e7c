#include "app/tga_command.h"

#include "builder/picture_load.h"
#include "builder/tga_save.h"

namespace sq {

namespace {

// One box for every file a job could not write, each with the system's reason.
void ReportWriteErrors(const OutputReport& report, Platform& platform) {
  if (report.errors.empty()) return;
  if (report.errors.size() == 1) {
    platform.ShowMessage(kAppTitle, "A file could not be written: " + report.errors.front(), MessageIcon::Error);
    return;
  }
  std::string text = std::to_string(report.errors.size()) + " files could not be written:";
  for (const std::string& error : report.errors) text += "\n" + error;
  platform.ShowMessage(kAppTitle, text, MessageIcon::Error);
}

}  // namespace

FilterQuestion AskFilterOn(Platform& platform, MessagesShown& shown) {
  return [&platform, &shown](const Messages& said) {
    shown.Catch(said);
    return platform.AskYesNo(kHalftoneTitle, kHalftoneQuestion, MessageIcon::Information, false);
  };
}

TgaCommandOutcome LoadTargaCommand(BuilderSession& s, PreviewLists& previewLists,
                                   const std::filesystem::path& imagePath, const std::filesystem::path& outputFolder,
                                   Platform& platform) {
  return LoadTargaCommand(s, previewLists, imagePath.empty() ? PictureFile{} : OpenPictureFile(imagePath), outputFolder,
                          platform);
}

TgaCommandOutcome LoadTargaCommand(BuilderSession& s, PreviewLists& previewLists, PictureFile image,
                                   const std::filesystem::path& outputFolder, Platform& platform) {
  TgaCommandOutcome outcome;
  s.backgroundFromHod = false;
  s.builtBackground.reset();
  s.picture = PictureFile{};
  s.cubeFaces.clear();
  s.halftoneAnswer.reset();
  // No file, or one of no kind read: nothing is loaded and the tables stay.
  if (image.name.empty() || image.kind == PictureFileKind::Unknown) {
    outcome.error = image.name.empty() ? std::string(kSelectTargaImage) : image.refusal;
    // No picture is loaded now: the caption names none.
    s.tgaBaseName.clear();
    s.filteredLoad = false;
    platform.ShowMessage(kAppTitle, outcome.error, MessageIcon::Warning);
    return outcome;
  }

  // Whatever an earlier image or background left: this load starts from empty
  // star lists, an empty mask and empty preview lists.
  ClearStarsAndMask(s.tga);
  previewLists = PreviewLists{};

  DiskFolder folder(outputFolder);
  outcome.load = ReadShowingMessages(platform, [&](ProgressSink& progress, const FilterQuestion& askFilter) {
    return LoadSkyImage(image, folder, s.tga, progress, askFilter);
  });
  if (outcome.load.status != TgaLoadResult::Status::Loaded) {
    // Invalid or unreadable; the load refuses no sound image (Refused is the builder's read's).
    outcome.status = TgaCommandOutcome::Status::Unreadable;
  } else if (!outcome.load.outputs.Ok()) {
    outcome.status = TgaCommandOutcome::Status::WriteFailed;
    outcome.error = outcome.load.outputs.errors.front();
  } else {
    outcome.status = TgaCommandOutcome::Status::Written;
  }
  // The caption names a picture only while one is loaded.
  s.tgaBaseName = outcome.Loaded() ? outcome.load.baseName : std::string();
  if (outcome.load.filtered) s.filteredLoad = true;
  if (outcome.Loaded()) {
    s.picture = std::move(image);
    if (outcome.load.asked) s.halftoneAnswer = outcome.load.filtered;
  }
  ReportWriteErrors(outcome.load.outputs, platform);
  return outcome;
}

OutputReport SaveHalftonedCommand(BuilderSession& s, const std::filesystem::path& outputFolder, Platform& platform) {
  DiskFolder folder(outputFolder);
  OutputReport report = SaveHalftonedImage(s.tga, s.tgaBaseName, folder);
  ReportWriteErrors(report, platform);
  return report;
}

OutputReport SaveFilteredCommand(BuilderSession& s, const std::filesystem::path& outputFolder, Platform& platform) {
  DiskFolder folder(outputFolder);
  OutputReport report = SaveFilteredImage(s.tga, s.tgaBaseName, folder);
  ReportWriteErrors(report, platform);
  return report;
}

}  // namespace sq
