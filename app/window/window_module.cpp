// The one symbol the window module shows the executable.
#include "app/window/main_window.h"
#include "app/window/screenshot_command.h"
#include "app/window_module.h"

extern "C" __attribute__((visibility("default"))) const sq::WindowModule* starquill_window_module() {
  static const sq::WindowModule entries{&sq::RunMainWindow, &sq::CmdPreview, &sq::BackgroundScreenshot};
  return &entries;
}
