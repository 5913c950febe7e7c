// `starquill preview FILE.hod --screenshot OUT.png`: one frame of the preview
// window, drawn offscreen and written as a PNG. It needs a display connection
// for OpenGL but shows no window.
#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/commands.h"
#include "app/display_check.h"
#include "app/window/window_commands.h"
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

bool ParseSize(const std::string& text, QSize& size) {
  int w = 0, h = 0;
  char x = 0, rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X')) return false;
  if (w < 16 || h < 16 || w > 4096 || h > 4096) return false;
  size = QSize(w, h);
  return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && seconds >= 0.0 && seconds <= 86400.0;
}

constexpr const char* kUsage =
    "Usage: starquill preview FILE.hod --screenshot OUT.png [--size WxH] [--seconds T]\n"
    "                         [--layers all|background|starmaps|stars]\n";

}  // namespace

int CmdPreview(const std::vector<std::string>& args, CliStreams streams) {
  std::string file, out, layers = "all";
  QSize size(600, 600);
  double seconds = 0.0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--screenshot" && hasValue) {
      out = args[++i];
    } else if (a == "--size" && hasValue) {
      if (!ParseSize(args[++i], size)) {
        std::fprintf(streams.err, "starquill preview: --size wants WxH, each 16 to 4096\n");
        return 2;
      }
    } else if (a == "--seconds" && hasValue) {
      if (!ParseSeconds(args[++i], seconds)) {
        std::fprintf(streams.err, "starquill preview: --seconds wants seconds since midnight, 0 to 86400\n");
        return 2;
      }
    } else if (a == "--layers" && hasValue) {
      layers = args[++i];
      if (layers != "all" && layers != "background" && layers != "starmaps" && layers != "stars") {
        std::fprintf(streams.err, "starquill preview: --layers wants all, background, starmaps or stars\n");
        return 2;
      }
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(streams.err, "starquill preview: unknown option '%s'\n%s", a.c_str(), kUsage);
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      std::fprintf(streams.err, "starquill preview: more than one file given\n");
      return 2;
    }
  }
  if (file.empty() || out.empty()) {
    std::fprintf(streams.err, "starquill preview: a HOD file and --screenshot OUT.png are needed\n%s", kUsage);
    return 2;
  }

  CliPlatform platform(streams.err);
  if (HodBaseName(file).empty()) {
    platform.ShowMessage(kAppTitle, "Please select an Farhold HOD file.");
    return 2;
  }
  std::string error;
  auto bytes = FileBytes::Open(file, error);
  if (!bytes) {
    std::fprintf(streams.err, "starquill preview: cannot read %s: %s\n", file.c_str(), error.c_str());
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

  // The walk's side exports belong to the report command; here they go to a
  // scratch folder that is removed afterwards.
  QTemporaryDir scratch;
  if (!scratch.isValid()) {
    std::fprintf(streams.err, "starquill preview: no scratch folder for the walk\n");
    return 1;
  }
  Model model;
  ResetModel(model);
  const WalkResult walk = WalkHodFile(std::move(bytes), model, platform, scratch.path().toStdString());
  if (walk.failed) {
    std::fprintf(streams.err, "starquill preview: the walk ended at byte %zu: %s\n", walk.offset, walk.reason.c_str());
  }
  if (!model.hasBGMS && !model.hasSTRF) {
    std::fprintf(streams.err, "starquill preview: %s holds no background (no BGMS form, no point stars)\n",
                 file.c_str());
    return 2;
  }

  BuildPreviewLists(model);
  ScreenshotOwner owner(platform);
  PreviewSource source;
  source.lists = &model.vtcs();
  source.hasBGMS = model.hasBGMS;
  source.hasBGSG = model.hasBGSG;
  source.hasSTRF = model.hasSTRF;
  source.backgroundFromHod = true;
  frmBGdisplay::Options options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  options.drawingSize = size;
  options.clock = [seconds] { return seconds; };
  frmBGdisplay preview(owner, std::move(source), std::move(options));
  if (!preview.Form_Load()) return owner.endStatus;
  preview.Timer2->stop();

  // The layers as the View menu gives them, and only where it offers them.
  QAction* item = layers == "background" ? preview.mnuBGMSonly
                  : layers == "starmaps" ? preview.mnuBGSGonly
                  : layers == "stars"    ? preview.mnuSTRFonly
                                         : nullptr;
  if (item) {
    if (!preview.mnuView->isEnabled() || !item->isEnabled()) {
      std::fprintf(streams.err, "starquill preview: the View menu does not offer '%s' for this background\n",
                   item->text().remove('&').toStdString().c_str());
      return 2;
    }
    item->trigger();
  } else {
    preview.Render();
  }

  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (preview.LastFrame().isNull() || !preview.LastFrame().save(&buffer, "PNG")) {
    std::fprintf(streams.err, "starquill preview: no picture was drawn\n");
    return 1;
  }
  const std::string writeError = WriteFileAtomic(out, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
  if (!writeError.empty()) {
    std::fprintf(streams.err, "starquill preview: cannot write %s: %s\n", out.c_str(), writeError.c_str());
    return 1;
  }
  std::fprintf(streams.out, "%s\n", out.c_str());
  return 0;
}

}  // namespace sq
