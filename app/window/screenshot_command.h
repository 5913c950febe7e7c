// `starquill preview FILE.hod --screenshot OUT.png` and `starquill
// build-background ... --screenshot OUT.png`: one frame of the preview window,
// drawn offscreen and written as a PNG. The executable parses the line.
#pragma once

#include "app/cli.h"
#include "app/window_module.h"
#include "hod/background_tables.h"

namespace sq {

int CmdPreview(const PreviewRequest& request, CliStreams streams);

// `starquill build-background --screenshot OUT.png`: one frame of the preview of
// a built background, titled after baseName.tga, at the default size and angle
// with all layers, written as a PNG.
int BackgroundScreenshot(const BackgroundTables& background, const std::string& baseName, const std::string& out,
                         CliStreams streams);

}  // namespace sq
