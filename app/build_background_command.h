// The background build as UI-free flows: a sky picture made into a background
// and written as BASE.hod through the background writer. The command line
// builds and writes in one go; the window builds from the image it loaded
// ("Build background"), shows the result, and writes it when asked ("Write
// background HOD", the preview's "Write HOD").
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.h"
#include "app/tga_command.h"
#include "builder/background_build.h"
#include "hod/background_tables.h"
#include "output/output_folder.h"
#include "writer/background_writer.h"

namespace sq {

// Writes a built background as `path` through the writer (a temporary file and a
// rename, so a failure leaves no partial file and any earlier file whole). The
// writer's refusal or failure is shown as a message; `replaced` tells whether a
// file of that name stood there before.
CommandOutcome WriteBuiltBackground(const BackgroundTables& background, const std::filesystem::path& path,
                                    Platform& platform);
CommandOutcome WriteBuiltBackground(const BackgroundTables& background, OutputFolder& folder, std::string_view name,
                                    Platform& platform);

// Refused for a name without ".tga", a picture that cannot be built from, or an
// output that would replace the picture; Unreadable for a picture that cannot be
// read or loaded.
struct BuildBackgroundOutcome : CommandOutcome {
  std::string baseName;
  std::filesystem::path outPath;  // BASE.hod in the output folder, once the build got that far
  BuiltBackground built;          // the tables and the notes of the stars left out
};

// `starquill build-background`: the sky (a picture of any kind the builder
// reads, or six cube faces) is read with every check and message of "Load
// Targa image" (the halftone question goes to the platform), refused when it
// is too small or too large for the density, built with `options`
// (BuildBackgroundFromSky), and written into outputFolder as BASE.hod: BASE is
// `name` when given, else the picture's base name (PictureFile), for a cube
// map the first face's less its face suffix (CubeBaseName). No file at all is
// refused with "Please select a Targa image file.". Nothing is written on a
// refusal. The notes are left to the caller to show.
BuildBackgroundOutcome BuildBackgroundCommand(const SkySource& sky, const std::string& name,
                                              const std::filesystem::path& outputFolder, const BuildOptions& options,
                                              Platform& platform);
// The same into an output folder (the page's MemoryFolder): the check that
// the HOD would not replace a picture is the path's, above.
BuildBackgroundOutcome BuildBackgroundInto(const SkySource& sky, const std::string& name, OutputFolder& folder,
                                           const BuildOptions& options, Platform& platform);
// The same for one picture, at its own size.
BuildBackgroundOutcome BuildBackgroundCommand(const std::filesystem::path& imagePath,
                                              const std::filesystem::path& outputFolder, const BuildOptions& options,
                                              Platform& platform);

// The base name of a cube map: the +X face's file name less its extension and
// a face suffix ("_px", "_posx", "_right" and the like, any case, after "_",
// "-" or "."); the name as it stands when it has none.
std::string CubeBaseName(const std::filesystem::path& positiveX);

// "Build background": builds from the image the session loaded last, with the
// session's build options (the Options menu's marks) and the answer its halftone question got (it is not asked
// again). A built background is kept in the session; the notes of stars left out are shown in one message, the
// layers that came out empty in a warning. A
// refusal shows its message, and the session then holds no built background.
// Returns whether a background was built.
bool BuildSessionBackground(BuilderSession& session, Platform& platform);

// The layers of a built background that came out empty, one sentence each
// ("Star map 2 (B03.tga) holds no star.", "The point stars are empty: no star was
// kept."); none for a background with stars in every layer. A HOD with an empty
// layer is written all the same, but the person is told.
std::vector<std::string> EmptyLayerWarnings(const BackgroundTables& background);

// "Write background HOD" and the preview's "Write HOD": the session's built
// background written as BASE.hod beside the picture it came from. Without one it
// refuses with a message and writes nothing. Where a file of that name exists
// the platform is asked first (No by default): No writes nothing and the outcome
// is Refused with KeptExisting's text.
CommandOutcome WriteSessionBackground(BuilderSession& session, Platform& platform);

// The question asked before replacing, and the outcome's error when the answer was No.
std::string ReplaceQuestion(const std::filesystem::path& path);
std::string KeptExisting(const std::filesystem::path& path);

// Where those write: BASE.hod in the folder of the picture the session loaded.
std::filesystem::path SessionHodPath(const BuilderSession& session);

// "Load cube map...": the six faces (+X, -X, +Y, -Y, +Z, -Z) become what "Build
// background" builds from, named after the +X face (CubeBaseName): tgaBaseName
// names it, the +X face is the session's PicturePath, filteredLoad is cleared (there is no single
// picture to save), a built background is let go. Fewer
// than six faces, or one missing, refuses with "Please select a Targa image
// file." and leaves the session as a refused picture load does. The faces are
// read and checked by the build.
bool LoadCubeMapCommand(BuilderSession& session, const std::vector<std::filesystem::path>& faces, Platform& platform);

// A build of the session's cube map was refused: the cube map is let go as a
// refused load lets a picture go.
void ForgetCubeMap(BuilderSession& session);

// A HOD file was read: the built background is let go and "Write background HOD"
// goes off. The loaded image stays, so "Build background" stays as it was.
void ForgetBuiltBackground(BuilderSession& session);

// The lines of the notes as one message's text (lines end in CR LF between them).
std::string NotesText(const std::vector<std::string>& notes);

}  // namespace sq
