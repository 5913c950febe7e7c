// The faces of the program that need the window system: the main window and
// the preview's screenshot command. The command line reaches them from main.
#pragma once

#include <string>
#include <vector>

#include "app/cli.h"

namespace sq {

int RunMainWindow(int argc, char** argv);
int CmdPreview(const std::vector<std::string>& args, CliStreams streams);

}  // namespace sq
