// The preview's command-line face. It needs a display connection for OpenGL but
// shows no window.
#include "app/window/cli_preview.h"

#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/display_check.h"
#include "hod/file_bytes.h"
#include "preview/frmBGdisplay.h"

namespace sq {

namespace {

class ScreenshotOwner : public PreviewOwner {
 public:
  explicit ScreenshotOwner(CliPlatform& platform) : platform_(platform) {}
  Platform& platform() override { return platform_; }
  void PreviewOpened() override {}
  void PreviewClosed() override {}
  void EndProgram(int status) override { endStatus = status; }
  void WriteHod() override {}
  int endStatus = 0;

 private:
  CliPlatform& platform_;
};

// Shows the layers as the View menu gives them, and only where it offers them.
bool ShowLayers(frmBGdisplay& preview, const std::string& layers, std::FILE* err) {
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
int WriteFrame(const frmBGdisplay& preview, const std::string& out, CliStreams streams) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (preview.LastFrame().isNull() || !preview.LastFrame().save(&buffer, "PNG")) {
    std::fprintf(streams.err, "starquill preview: no picture was drawn\n");
    return 1;
  }
  const std::string error =
      WriteFileAtomic(out, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
  if (!error.empty()) {
    std::fprintf(streams.err, "starquill preview: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(streams.out, "%s\n", out.c_str());
  return 0;
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
  if (const std::string problem = DisplayProblem(DisplayEnvironment::OfProcess()); !problem.empty()) {
    std::fprintf(streams.err, "%s\n", NoDisplayLine(problem).c_str());
    return 1;
  }
  static int argc = 1;
  static char name[] = "starquill";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);

  // The walk's side exports belong to the report command: this walk writes none.
  Model model;
  const WalkResult walk = WalkHodFile(std::move(bytes), model, platform, kNoSideFiles);
  if (walk.failed) {
    std::fprintf(streams.err, "starquill preview: the walk ended at byte %zu: %s\n", walk.offset, walk.reason.c_str());
  }
  if (!model.hasBGMS && !model.hasSTRF) {
    std::fprintf(streams.err, "starquill preview: %s holds no background (no BGMS form, no point stars)\n",
                 request.file.c_str());
    return 2;
  }

  ScreenshotOwner owner(platform);
  PreviewLists lists;
  frmBGdisplay::Options options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  options.drawingSize = QSize(request.width, request.height);
  // The picture has the pixels asked for, at any screen scale and size.
  options.pixelRatio = 1;
  options.fitScreen = false;
  options.clock = [seconds = request.seconds] { return seconds; };
  frmBGdisplay preview(owner, PreviewOfModel(model, lists), std::move(options));
  if (!preview.Form_Load()) return owner.endStatus;
  preview.Timer2->stop();
  if (!ShowLayers(preview, request.layers, streams.err)) return 2;
  return WriteFrame(preview, request.screenshot, streams);
}

}  // namespace sq
