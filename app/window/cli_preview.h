// `starquill preview FILE.hod --screenshot OUT.png`: one frame of the preview
// window, drawn offscreen and written as a PNG.
#pragma once

#include <string>
#include <vector>

#include "app/cli.h"

namespace sq {

int CmdPreview(const std::vector<std::string>& args, CliStreams streams);

}  // namespace sq
