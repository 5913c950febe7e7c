// The window part of the program (the main window and the preview's screenshots)
// lives in a module beside the executable, loaded only when one of them runs:
// the other command-line paths never load Qt or OpenGL, whose libraries alone
// cost more start-up time than a whole report of a small file.
#pragma once

#include <string>
#include <vector>

#include "app/cli.h"
#include "hod/background_tables.h"

namespace sq {

// `starquill preview`, parsed by the executable: the module gets the options checked.
struct PreviewRequest {
  std::string file;
  std::string screenshot;
  int width = 600, height = 600;  // 16 to 4096 each
  double seconds = 0.0;           // since midnight, 0 to 86400
  std::string layers = "all";     // all, background, starmaps or stars
};

struct WindowModule {
  int (*runMainWindow)(int argc, char** argv);
  int (*preview)(const PreviewRequest& request, CliStreams streams);
  // `build-background --screenshot`: one frame of the preview of a built
  // background (from the picture baseName.tga) written as a PNG at `out`.
  int (*backgroundScreenshot)(const BackgroundTables& background, const std::string& baseName, const std::string& out,
                              CliStreams streams);
};

inline constexpr const char* kWindowModuleName = "starquill-window.so";
inline constexpr const char* kWindowModuleSymbol = "starquill_window_module";

// Loads the module from the executable's own folder. Returns nullptr with the
// reason in `error` when it is missing or unusable.
const WindowModule* LoadWindowModule(std::string& error);

}  // namespace sq
