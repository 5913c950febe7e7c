// A background written out in the form a file's extension names: an
// equirectangular picture (.tga, .png, .exr), six cube faces of one of those,
// or a binary glTF 2.0 scene (.glb). Every file is encoded whole first and
// written through an OutputFolder, so a failed write leaves no part of a file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "background_export/sky_scene.h"
#include "output/output_folder.h"
#include "picture/picture.h"
#include "picture/sky_direction.h"
#include "preview/tga_texture.h"

namespace sq {

enum class ExportFormat { Tga, Png, Exr, Glb };

// The format named by a file's extension (any case), or none.
std::optional<ExportFormat> ExportFormatOf(std::string_view fileName);

// The text a refused extension is met with.
inline constexpr std::string_view kExportExtensions = ".tga, .png, .exr or .glb";

inline constexpr int kExportWidth = 1024, kExportHeight = 512, kExportFaceSize = 512;

struct ExportRequest {
  ExportFormat format = ExportFormat::Png;
  int width = kExportWidth, height = kExportHeight;  // the equirectangular picture
  bool cube = false;                                 // six faces instead
  int faceSize = kExportFaceSize;
  std::optional<CubeFace> face;  // only this one of the six
  SceneLayers layers;
  SceneLevels levels = SceneLevels::Stored;
  // The star-map textures of slots 1 and 2 for a glTF scene; a slot without one
  // is left out of the scene when its star map holds records.
  std::array<std::optional<TextureImage>, 2> textures;
};

// Why a request cannot be met ("" when it can): a cube of glTF, a size out of
// bounds, a face without --cube.
std::string ExportRequestRefusal(const ExportRequest& request);

// The file names of an export named `name`: itself, or for a cube NAME_px.EXT
// .. NAME_nz.EXT (only the one face when a face is chosen), in kCubeFaces order.
std::vector<std::string> ExportFileNames(std::string_view name, const ExportRequest& request);

// The picture bytes of a Picture in a format (not Glb): a 32-bit TGA stored
// bottom row first as the builder reads it, an 8-bit RGB PNG, or an OpenEXR of
// half floats holding the linear light whose sRGB encoding gives each level
// back (LinearOfLevel).
std::string EncodeExportPicture(const Picture& picture, ExportFormat format);

struct ExportResult {
  std::vector<std::string> written;  // the paths of the files written, as the folder names them
  std::string refusal;               // why nothing was drawn or written
  std::vector<std::string> failed;   // each file that could not be written, with the reason
  bool Done() const { return refusal.empty() && failed.empty(); }
};

// Draws or encodes the scene as the request says and writes its files into
// `folder`. Nothing is written when the request or the scene is refused; every
// file is encoded before the first is written.
ExportResult ExportBackground(const SkyScene& scene, const ExportRequest& request, std::string_view name,
                              OutputFolder& folder);

}  // namespace sq
