// The window's "Load Targa image" as a person meets it, for the benchmark: the
// time from the open dialog's answer to the status line that says what was
// written, with every pass, picture and message of the window's load.
//
//   window_load IMAGE
//
// The outputs go next to IMAGE, as the window writes them. Prints the seconds;
// exits 1 when the load did not end in a status line.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/platform.h"
#include "app/window/main_window.h"
#include "app/window/qt_platform.h"

namespace {

// The dialog answers at once with the picture.
class Chooser : public sq::FileChooser {
 public:
  explicit Chooser(std::string answer) : answer_(std::move(answer)) {}
  std::string ChooseOpenFile(const sq::OpenDialogSettings&) override { return answer_; }

 private:
  std::string answer_;
};

// Messages go to stderr and every question gets its default answer, as a person
// pressing Enter would give it.
class Answering : public sq::Platform {
 public:
  void ShowMessage(std::string_view, std::string_view text, sq::MessageIcon) override {
    std::fprintf(stderr, "window_load: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  bool AskYesNo(std::string_view, std::string_view, sq::MessageIcon, bool defaultYes) override { return defaultYes; }
  void SetProgress(int, int) override { QApplication::processEvents(); }
  void DoEvents() override { QApplication::processEvents(); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_load IMAGE\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::filesystem::path image = std::filesystem::absolute(argv[1]);
  Chooser chooser(image.string());
  Answering platform;
  sq::MainWindowServices services;
  services.platform = &platform;
  services.chooser = &chooser;
  services.programFolder = std::filesystem::path(argv[0]).parent_path();
  services.settingsFile = QString::fromStdString((image.parent_path() / "window_load.conf").string());
  sq::MainWindow window(services);
  window.Form_Load();
  window.show();
  QApplication::processEvents();

  const auto start = std::chrono::steady_clock::now();
  window.LoadTgaClicked();
  QApplication::processEvents();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string status = window.StatusText().toStdString();
  std::fprintf(stderr, "window_load: %s\n", status.c_str());
  if (status.empty() || !window.Job().empty()) return 1;
  std::printf("%.6f\n", seconds);
  return 0;
}
