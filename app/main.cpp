#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/large_heap.h"
#ifdef STARQUILL_HAS_WINDOW
#include "app/window_face.h"
#endif

int main(int argc, char** argv) {
  sq::PrepareLargeHeap();
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef STARQUILL_HAS_WINDOW
  // These two start the window system; build-background loads it only for its
  // --screenshot, and every other command runs without it.
  if (args.empty() || args[0] == "preview") {
    std::string error;
    const sq::WindowFace* face = sq::LoadWindowFace(error);
    if (face == nullptr) {
      std::fprintf(stderr, "starquill: the window part cannot be loaded: %s\n", error.c_str());
      return 3;
    }
    if (args.empty()) return face->runMainWindow(argc, argv);
    return face->preview(std::vector<std::string>(args.begin() + 1, args.end()), {});
  }
#endif
  return sq::RunCli(args);
}
