// The preview's command-line faces: `preview --screenshot` and the screenshot of
// `build-background`. They need a display connection for OpenGL but show no window.
#include "app/window/cli_preview.h"

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

struct ScreenshotArgs {
  std::string command = "preview";  // names the command in its messages
  std::string file, out, layers = "all";
  QSize size{600, 600};
  double seconds = 0.0;
};

// Reads the arguments; on a usage error says why and returns false.
bool ParseArgs(const std::vector<std::string>& args, std::FILE* err, ScreenshotArgs& parsed) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--screenshot" && hasValue) {
      parsed.out = args[++i];
    } else if (a == "--size" && hasValue) {
      if (!ParseSize(args[++i], parsed.size)) {
        std::fprintf(err, "starquill preview: --size wants WxH, each 16 to 4096\n");
        return false;
      }
    } else if (a == "--seconds" && hasValue) {
      if (!ParseSeconds(args[++i], parsed.seconds)) {
        std::fprintf(err, "starquill preview: --seconds wants seconds since midnight, 0 to 86400\n");
        return false;
      }
    } else if (a == "--layers" && hasValue) {
      parsed.layers = args[++i];
      const std::string& l = parsed.layers;
      if (l != "all" && l != "background" && l != "starmaps" && l != "stars") {
        std::fprintf(err, "starquill preview: --layers wants all, background, starmaps or stars\n");
        return false;
      }
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(err, "starquill preview: unknown option '%s'\n%s", a.c_str(), kUsage);
      return false;
    } else if (parsed.file.empty()) {
      parsed.file = a;
    } else {
      std::fprintf(err, "starquill preview: more than one file given\n");
      return false;
    }
  }
  if (parsed.file.empty() || parsed.out.empty()) {
    std::fprintf(err, "starquill preview: a HOD file and --screenshot OUT.png are needed\n%s", kUsage);
    return false;
  }
  return true;
}

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
int WriteFrame(const frmBGdisplay& preview, const std::string& command, const std::string& out, CliStreams streams) {
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
    std::fprintf(streams.err, "starquill %s: cannot write %s: %s\n", command.c_str(), out.c_str(), error.c_str());
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
  return std::optional<QApplication>(std::in_place, argc, argv);
}

// One frame of the preview of `source`, with the layers asked for, written as a PNG.
int DrawAndWrite(CliPlatform& platform, PreviewSource source, const ScreenshotArgs& parsed, CliStreams streams) {
  ScreenshotOwner owner(platform);
  frmBGdisplay::Options options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  options.drawingSize = parsed.size;
  options.clock = [seconds = parsed.seconds] { return seconds; };
  frmBGdisplay preview(owner, std::move(source), std::move(options));
  if (!preview.Form_Load()) return owner.endStatus;
  preview.Timer2->stop();
  if (!ShowLayers(preview, parsed.layers, streams.err)) return 2;
  return WriteFrame(preview, parsed.command, parsed.out, streams);
}

}  // namespace

int CmdPreview(const std::vector<std::string>& args, CliStreams streams) {
  ScreenshotArgs parsed;
  if (!ParseArgs(args, streams.err, parsed)) return 2;

  CliPlatform platform(streams.err);
  if (AcceptHodPath(parsed.file, platform).empty()) return 2;
  std::string error;
  auto bytes = FileBytes::Open(parsed.file, error);
  if (!bytes) {
    std::fprintf(streams.err, "starquill preview: cannot read %s: %s\n", parsed.file.c_str(), error.c_str());
    return 2;
  }

  // The window system starts only here, for this command, and only where it can.
  std::optional<QApplication> app = StartApplication(streams.err);
  if (!app) return 1;

  // The walk's side exports belong to the report command: this walk writes none.
  Model model;
  const WalkResult walk = WalkHodFile(std::move(bytes), model, platform, kNoSideFiles);
  if (walk.failed) {
    std::fprintf(streams.err, "starquill preview: the walk ended at byte %zu: %s\n", walk.offset, walk.reason.c_str());
  }
  if (!model.hasBGMS && !model.hasSTRF) {
    std::fprintf(streams.err, "starquill preview: %s holds no background (no BGMS form, no point stars)\n",
                 parsed.file.c_str());
    return 2;
  }

  PreviewLists lists;
  return DrawAndWrite(platform, PreviewOfModel(model, lists), parsed, streams);
}

int BackgroundScreenshot(const BackgroundTables& background, const std::string& baseName, const std::string& out,
                         CliStreams streams) {
  ScreenshotArgs parsed;
  parsed.command = "build-background";
  parsed.out = out;
  std::optional<QApplication> app = StartApplication(streams.err);
  if (!app) return 1;
  CliPlatform platform(streams.err);
  PreviewLists lists;
  return DrawAndWrite(platform, PreviewOfBackground(background, lists, baseName), parsed, streams);
}

}  // namespace sq
