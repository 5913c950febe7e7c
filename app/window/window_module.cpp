// The one symbol the window module shows the executable.
#include "app/window_module.h"
#include "app/window/main_window.h"
#include "app/window/screenshot_command.h"

extern "C" __attribute__((visibility("default"))) const sq::WindowModule* starquill_window_module() {
  static const sq::WindowModule entries{&sq::RunMainWindow, &sq::CmdPreview, &sq::BackgroundScreenshot};
  return &entries;
}
