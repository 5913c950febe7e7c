// The window tests share one application object, as the program does. Whatever
// Qt or the windows keep in the user's settings goes to a folder of the run's
// own, never to the person's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

int main(int argc, char** argv) {
  std::random_device rd;
  const std::filesystem::path config =
      std::filesystem::temp_directory_path() / ("starquill-window-config-" + std::to_string(rd()));
  std::filesystem::create_directories(config);
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  QStandardPaths::setTestModeEnabled(true);
  int status = 0;
  {
    // The preview's device and its drawing area share their objects.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  std::error_code ec;
  std::filesystem::remove_all(config, ec);
  return status;
}
