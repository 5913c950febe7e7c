// `starquill preview FILE.hod --screenshot OUT.png`: one frame of the preview
// window, drawn offscreen and written as a PNG. The executable parses the line.
#pragma once

#include "app/cli.h"
#include "app/window_face.h"

namespace sq {

int CmdPreview(const PreviewRequest& request, CliStreams streams);

}  // namespace sq
