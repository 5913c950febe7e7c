#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#ifdef STARQUILL_HAS_WINDOW
#include "app/window_module.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef STARQUILL_HAS_WINDOW
  // Only these start the window system; `preview` and
  // build-background's --screenshot load the window part themselves once their line is
  // parsed; every other command runs without it.
  // `starquill FILE.hod` and `starquill IMAGE.tga` open the window on the file.
  if (args.empty() || sq::OpensInWindow(args)) {
    std::string error;
    const sq::WindowModule* window = sq::LoadWindowModule(error);
    if (window == nullptr) {
      std::fprintf(stderr, "starquill: the window part cannot be loaded: %s\n", error.c_str());
      return 3;
    }
    return window->runMainWindow(argc, argv);
  }
#endif
  return sq::RunCli(args);
}
