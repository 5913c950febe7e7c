// The window tests share one application object, as the program does. Whatever
// Qt or the windows keep in the user's settings goes to a folder of the run's
// own, never to the person's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  const QTemporaryDir config;  // removed after the application has gone
  ::setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  QStandardPaths::setTestModeEnabled(true);
  // The preview's device and its drawing area share their objects.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
