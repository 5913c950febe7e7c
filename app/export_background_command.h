// export-background as a UI-free flow: the background of a HOD file, or one
// just built, written out as a picture, cube faces or a glTF scene
// (background_export/background_export.h), the format chosen by OUT's
// extension.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "background_export/background_export.h"
#include "hod/background_tables.h"
#include "hod/file_bytes.h"
#include "output/command_outcome.h"
#include "output/output_folder.h"

namespace sq {

struct Model;

struct ExportBackgroundOutcome : CommandOutcome {
  std::vector<std::string> written;  // the files written
  // The walk's message when the file is damaged but what it reached holds the
  // whole background, which was exported: "The walk ended at byte N: reason".
  std::string walkMessage;
};

// The request's picture sizes, layers and levels; the format and the star-map
// textures are filled in from OUT and `textureFolder`.
struct ExportOptions {
  ExportRequest request;
  // Where "B02.tga" and "B03.tga" stand, for a glTF scene's star maps: the
  // program's own folder, as for the preview; or their bytes, handed over
  // (the page has no folder of its own), which are read instead.
  std::filesystem::path textureFolder;
  std::array<std::shared_ptr<const FileBytes>, 2> textureFiles;
};

// Reads hodPath and writes what its background shows as `outPath`. Refused
// (nothing written, a message shown) for a name without ".hod", an extension
// not listed, a file that holds no background, a damaged file whose walk did
// not reach a whole background (its mesh cut off or broken), or a request out
// of bounds; Unreadable for a file that cannot be read; WriteFailed for an OUT
// that cannot be written (nothing half-written is left) or a missing star-map
// texture.
ExportBackgroundOutcome ExportBackgroundCommand(const std::filesystem::path& hodPath,
                                                const std::filesystem::path& outPath, ExportOptions options,
                                                Platform& platform);

// The same for a HOD file's bytes, named as they came (FileBytes::Name()), into
// `folder` as `outName`.
ExportBackgroundOutcome ExportHodBackground(std::shared_ptr<const FileBytes> hod, OutputFolder& folder,
                                            std::string_view outName, ExportOptions options, Platform& platform);
// The same for a background the caller holds: a walked model (the window's
// background read from a HOD file) or built tables.
// Whether a walked model holds a background ExportModelBackground would export:
// one with a mesh, star map or star, and none of it damaged.
bool ModelBackgroundExportable(const Model& model);

ExportBackgroundOutcome ExportModelBackground(const Model& model, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform);
ExportBackgroundOutcome ExportBuiltBackground(const BackgroundTables& background, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform);

// The folder the running program stands in (where the star-map textures are),
// or "" when the system does not say.
std::filesystem::path ProgramFolder();

}  // namespace sq
