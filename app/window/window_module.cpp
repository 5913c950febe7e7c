// The one symbol the window module shows the executable.
#include "app/window/main_window.h"
#include "app/window/screenshot_command.h"
#include "app/window_face.h"

extern "C" __attribute__((visibility("default"))) const sq::WindowFace* starquill_window_face() {
  static const sq::WindowFace face{&sq::RunMainWindow, &sq::CmdPreview, &sq::BackgroundScreenshot};
  return &face;
}
