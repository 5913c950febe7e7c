#include <string>
#include <vector>

#include "app/cli.h"
#include "app/large_heap.h"
#ifdef STARQUILL_HAS_WINDOW
#include "app/window/window_commands.h"
#endif

int main(int argc, char** argv) {
  sq::PrepareLargeHeap();
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef STARQUILL_HAS_WINDOW
  // Only these two start the window system; every other command runs without it.
  if (args.empty()) return sq::RunMainWindow(argc, argv);
  if (args[0] == "preview") return sq::CmdPreview(std::vector<std::string>(args.begin() + 1, args.end()), {});
#endif
  return sq::RunCli(args);
}
