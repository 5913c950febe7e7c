// The preview's cost on screen, for the benchmark: one preview window shown for
// a while, and the CPU time the whole process (its OpenGL threads too) took per
// frame it painted.
//
//   preview_cpu FILE MODE SECONDS
//
// FILE is a background HOD, or a sky picture that is first built at mesh density
// 16. MODE is "direct" (each frame drawn straight into the window) or "readback"
// (each frame drawn off screen, read back and painted as a picture). Prints
// "CPU_SECONDS FRAMES" for the SECONDS after the window settled.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "builder/background_build.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "preview/preview_window.h"

namespace {

// Progress nobody watches.
sq::NoProgress noProgress;

class Owner : public sq::PreviewOwner {
 public:
  void ShowMessage(const sq::Message& message) override {
    std::fprintf(stderr, "preview_cpu: %s\n", message.text.c_str());
  }
  void PreviewOpened() override {}
  void PreviewClosed() override {}
  void WriteHod() override {}
};

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the window's events for a while (a loop of its own: quitting the
// application would close the window).
void RunFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: preview_cpu FILE direct|readback SECONDS\n");
    return 2;
  }
  const std::filesystem::path file = argv[1];
  const std::string mode = argv[2];
  const double seconds = std::stod(argv[3]);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);

  Owner owner;
  sq::Model model;
  sq::BuiltBackground built;
  sq::PreviewLists lists;
  sq::PreviewSource source;
  if (file.extension() == ".hod") {
    std::string error;
    auto bytes = sq::FileBytes::Open(file, error);
    if (!bytes || sq::WalkHodFile(std::move(bytes), model).failed) return 1;
    source = sq::PreviewOfModel(model, lists, file.filename().string());
  } else {
    sq::SkySource sky;
    sky.files = {sq::OpenPictureFile(file)};
    sq::BuildOptions options;
    options.density = 16;
    built = sq::BuildBackgroundFromSky(sky, options, noProgress);
    if (!built.Built()) return 1;
    source = sq::PreviewOfBackground(built.tables, lists, file.filename().string());
  }

  sq::PreviewWindow::Options options;
  options.programFolder = std::filesystem::path(STARQUILL_EXE).parent_path();  // the star-map textures
  options.paintReadBack = mode == "readback";
  sq::PreviewWindow preview(owner, std::move(source), std::move(options));
  if (!preview.Form_Load()) return 1;
  preview.show();
  RunFor(1000);  // shown, exposed and drawing
  const int frames = preview.ScreenFrames();
  const double cpu = CpuSeconds();
  RunFor(static_cast<int>(seconds * 1000));
  std::printf("%.6f %d\n", CpuSeconds() - cpu, preview.ScreenFrames() - frames);
  return 0;
}
