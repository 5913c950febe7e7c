// The preview's command-line front ends: `preview --screenshot` and the screenshot of
// `build-background`. They need a display connection for OpenGL but show no window.
#include "app/window/screenshot_command.h"

#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/display_check.h"
#include "app/message_boxes.h"
#include "hod/file_bytes.h"
#include "output/file_output.h"
#include "preview/preview_window.h"

namespace sq {

namespace {

class ScreenshotOwner : public PreviewOwner {
 public:
  explicit ScreenshotOwner(CliPlatform& platform) : platform_(platform) {}
  void ShowMessage(const Message& message) override { sq::ShowMessage(platform_, message); }
  void PreviewOpened() override {}
  void PreviewClosed() override {}
  void WriteHod() override {}

 private:
  CliPlatform& platform_;
};

// What a screenshot draws and where it goes.
struct Shot {
  std::string command;  // names the command in its messages
  std::string out;
  std::string layers = "all";
  QSize size{600, 600};
  double seconds = 0.0;
};

// Shows the layers as the View menu gives them, and only where it offers them.
bool ShowLayers(PreviewWindow& preview, const std::string& layers, std::FILE* err) {
  QAction* item = layers == "background" ? preview.mnuBGMSonly
                  : layers == "starmaps" ? preview.mnuBGSGonly
                  : layers == "stars"    ? preview.mnuSTRFonly
                                         : nullptr;
  if (item == nullptr) {
    preview.Render();
    return true;
  }
  if (!preview.mnuView->isEnabled() || !item->isEnabled()) {
    std::fprintf(err, "starquill preview: the View menu does not offer '%s' for this background\n",
                 item->text().remove('&').toStdString().c_str());
    return false;
  }
  item->trigger();
  return true;
}

// Writes the frame last drawn as a PNG.
int WriteFrame(const PreviewWindow& preview, const std::string& command, const std::string& out, CliStreams streams) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (preview.LastFrame().isNull() || !preview.LastFrame().save(&buffer, "PNG")) {
    std::fprintf(streams.err, "starquill %s: no picture was drawn\n", command.c_str());
    return 1;
  }
  const std::string error =
      WriteFileAtomic(out, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
  if (!error.empty()) {
    std::fprintf(streams.err, "starquill %s: %s\n", command.c_str(), error.c_str());
    return 1;
  }
  std::fprintf(streams.out, "%s\n", out.c_str());
  return 0;
}

// Starts the window system for a screenshot, where a display can be reached.
// Returns nothing, having said why, where none can.
std::optional<QApplication> StartApplication(std::FILE* err) {
  if (const std::string problem = DisplayProblem(DisplayEnvironment::OfProcess()); !problem.empty()) {
    std::fprintf(err, "%s\n", NoDisplayLine(problem).c_str());
    return std::nullopt;
  }
  static int argc = 1;
  static char name[] = "starquill";
  static char* argv[] = {name, nullptr};
  // The preview's device and its drawing area share their objects.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  return std::optional<QApplication>(std::in_place, argc, argv);
}

// One frame of the preview of `source`, with the layers asked for, written as a PNG.
int DrawAndWrite(CliPlatform& platform, PreviewSource source, const Shot& shot, CliStreams streams) {
  ScreenshotOwner owner(platform);
  PreviewWindow::Options options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  options.drawingSize = shot.size;
  // The picture has the pixels asked for, at any screen scale and size.
  options.pixelRatio = 1;
  options.fitScreen = false;
  options.clock = [seconds = shot.seconds] { return seconds; };
  PreviewWindow preview(owner, std::move(source), std::move(options));
  preview.SetCapture(true);
  if (!preview.Form_Load()) return kPreviewFailedStatus;
  preview.Timer2->stop();
  // A build has named its empty layers already; a file's are named here. A
  // picture without the program's own textures would mislead: none is written.
  for (const std::string& note : preview.LeftOut()) {
    if (shot.command == "preview" || preview.TextureMissing())
      std::fprintf(streams.err, "starquill %s: %s\n", shot.command.c_str(), note.c_str());
  }
  if (preview.TextureMissing()) return kPreviewFailedStatus;
  if (!ShowLayers(preview, shot.layers, streams.err)) return 2;
  return WriteFrame(preview, shot.command, shot.out, streams);
}

}  // namespace

int CmdPreview(const PreviewRequest& request, CliStreams streams) {
  CliPlatform platform(streams.err);
  if (AcceptHodPath(request.file, platform).empty()) return 2;
  std::string error;
  auto bytes = FileBytes::Open(request.file, error);
  if (!bytes) {
    std::fprintf(streams.err, "starquill preview: cannot read %s: %s\n", request.file.c_str(), error.c_str());
    return 2;
  }

  // The window system starts only here, for this command, and only where it can.
  std::optional<QApplication> app = StartApplication(streams.err);
  if (!app) return 1;

  // The walk's side exports belong to the report command: this walk writes none.
  Model model;
  const WalkResult walk = WalkHodFile(std::move(bytes), model);
  ShowMessages(platform, walk.messages);
  if (walk.failed) {
    std::fprintf(streams.err, "starquill preview: the walk ended at byte %zu: %s\n", walk.offset, walk.reason.c_str());
  }
  if (!model.hasBGMS && !model.hasSTRF) {
    std::fprintf(streams.err, "starquill preview: %s holds no background (no BGMS form, no point stars)\n",
                 request.file.c_str());
    return 2;
  }

  PreviewLists lists;
  Shot shot;
  shot.command = "preview";
  shot.out = request.screenshot;
  shot.layers = request.layers;
  shot.size = QSize(request.width, request.height);
  shot.seconds = request.seconds;
  return DrawAndWrite(platform, PreviewOfModel(model, lists, std::filesystem::path(request.file).filename().string()),
                      shot, streams);
}

int BackgroundScreenshot(const BackgroundTables& background, const std::string& baseName, const std::string& out,
                         CliStreams streams) {
  Shot shot;
  shot.command = "build-background";
  shot.out = out;
  std::optional<QApplication> app = StartApplication(streams.err);
  if (!app) return 1;
  CliPlatform platform(streams.err);
  PreviewLists lists;
  return DrawAndWrite(platform, PreviewOfBackground(background, lists, baseName + ".tga"), shot, streams);
}

}  // namespace sq
