// The builder as the main window drives it: the session's plain state (the
// picture loaded, its base name, the build's options, the background built)
// beside the image tables, and the Tools commands as UI-free flows. The window
// derives its menus and caption from that state (app/window/builder_menus.h)
// and supplies the chosen file, the output folder and a Platform; so do the
// command line and the tests.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_paths.h"
#include "app/message_boxes.h"
#include "app/platform.h"
#include "builder/background_options.h"
#include "builder/picture_load.h"
#include "builder/star_detector.h"
#include "builder/tga_load.h"
#include "builder/tga_tables.h"
#include "hod/background_tables.h"
#include "output/command_outcome.h"
#include "preview/preview_lists.h"

namespace sq {

struct BuilderSession {
  TgaTables tga;
  // What "Build background" builds with (the window's Options menu sets them).
  BuildOptions buildOptions;
  // The base name of the picture or cube map chosen last: names the builder's
  // files, the written background HOD and the caption. Set by a load that got
  // past the choice (also one that failed to read); empty until then, and again
  // once a choice is refused or a cube map let go.
  std::string tgaBaseName;
  // Whether a load ran the halftone filter (a Yes), until a choice is refused or
  // a cube map is loaded: what "Save filtered TGA" saves.
  bool filteredLoad = false;
  // True while the background in the tables was read from a HOD file: the report
  // command sets it, every TGA load command clears it.
  bool backgroundFromHod = false;
  // The image loaded last, its bytes as the load read them (empty when none
  // loaded), and the answer its halftone question got (none when it was not
  // asked): a build takes the picture from those bytes (the load's tables have
  // its stars blackened), without reading the file again.
  PictureFile picture;
  std::optional<bool> halftoneAnswer;
  // The six faces of a cube map loaded instead (+X, -X, +Y, -Y, +Z, -Z). Empty
  // for a picture.
  std::vector<std::filesystem::path> cubeFaces;
  // The background "Build background" made from it, until another image is
  // loaded or a HOD file is read.
  std::optional<BackgroundTables> builtBackground;

  // What "Build background" builds from: the loaded picture's file, or the
  // cube map's +X face; empty when there is neither.
  std::filesystem::path PicturePath() const {
    return cubeFaces.empty() ? std::filesystem::path(picture.name) : cubeFaces[0];
  }
};

// The halftone question as every face asks it through its platform: what the
// read said before it shown first, then the Yes/No box (No by default; the
// command line answers from its flags).
FilterQuestion AskFilterOn(Platform& platform, MessagesShown& shown);

// Runs a picture read with the platform's progress bar and the halftone
// question (AskFilterOn), then shows what the read said that the question did
// not show before it. `read(progress, askFilter)` returns a result with `messages`.
template <class Read>
auto ReadShowingMessages(Platform& platform, Read read) {
  PlatformProgress progress(platform);
  MessagesShown shown(platform);
  auto result = read(progress, AskFilterOn(platform, shown));
  shown.Catch(result.messages);
  return result;
}

// Written when the image loaded and the detector wrote its files, WriteFailed
// when it loaded but a file could not be written, Refused for a name without
// ".tga", Unreadable for a file that is no image of the kind read or cannot be read.
struct TgaCommandOutcome : CommandOutcome {
  TgaLoadResult load;  // empty when refused
  bool Loaded() const { return status == Status::Written || status == Status::WriteFailed; }
};

// "Load Targa image" after the dialog, for a picture of any kind the builder
// reads (picture_load.h). No path shows "Please select a Targa image file.", a
// file of no kind read says so (its refusal); either empties tgaBaseName (no
// picture named) and clears filteredLoad. Another empties the star lists, the
// mask and the preview lists, loads the image (LoadSkyImage, which runs the
// detector into outputFolder), names it by tgaBaseName, and sets filteredLoad
// when the filter ran. Either way backgroundFromHod becomes false and a built
// background is let go; the picture is kept only when the image loaded. A file that could not be written is named in a
// message.
TgaCommandOutcome LoadTargaCommand(BuilderSession& session, PreviewLists& previewLists, PictureFile image,
                                   const std::filesystem::path& outputFolder, Platform& platform);
// The same for the file at `imagePath`, read once (none for an empty path).
TgaCommandOutcome LoadTargaCommand(BuilderSession& session, PreviewLists& previewLists,
                                   const std::filesystem::path& imagePath, const std::filesystem::path& outputFolder,
                                   Platform& platform);

// "Save as halftoned TGA" and "Save filtered TGA": the savers on tgaBaseName in
// outputFolder; a file that could not be written is named in a message.
OutputReport SaveHalftonedCommand(BuilderSession& session, const std::filesystem::path& outputFolder,
                                  Platform& platform);
OutputReport SaveFilteredCommand(BuilderSession& session, const std::filesystem::path& outputFolder,
                                 Platform& platform);

}  // namespace sq
