// Sky pictures of every format into the builder's tables, chosen by the file's
// content: PNG, JPEG, OpenEXR and Radiance HDR by their signatures, decoded and
// then taken the way a TGA is; a file with none of them is read as a 32-bit TGA
// exactly as before when its name holds ".tga".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "builder/tga_load.h"
#include "builder/tga_tables.h"
#include "picture/picture.h"

namespace sq {

// What a file holds as far as the builder goes: a kind with a signature, a
// TGA (no signature, ".tga" in the name), or neither (also when it cannot be
// opened and its name has no ".tga").
enum class PictureFileKind { Decoded, Targa, Unknown };
PictureFileKind KindOfPictureFile(const std::filesystem::path& path);

// The base name of a picture's path: for a TGA (no other signature and ".tga"
// in the name) TgaBaseName's; for the other kinds the file's name less its last
// extension ("sky.png" and "sky.jpeg" give "sky").
std::string PictureBaseName(const std::filesystem::path& path);

// The refusal of a file of no kind read: "PATH: not a picture ..." (or "Cannot
// read the picture PATH: ..." when it cannot be opened).
std::string UnknownPictureText(const std::filesystem::path& path);

struct PictureReadOptions : TgaReadOptions {
  double exposure = 0;  // stops: linear light is scaled by 2^exposure before it is encoded
};

// "Load Targa image" on a picture of any kind: LoadTargaImage for a TGA,
// LoadDecodedImage for the others. A file of no kind read is refused with
// UnknownPictureText (status Unknown), the tables unchanged.
TgaLoadResult LoadSkyImage(const std::filesystem::path& path, OutputFolder& folder, TgaTables& tables,
                           ProgressSink& progress, const FilterQuestion& askFilter = {}, double exposure = 0);

// The builder's read of a picture of any kind: ReadTargaPicture for a TGA,
// ReadDecodedPicture for the others, UnknownPictureText for a file of no kind.
TgaLoadResult ReadSkyPicture(const std::filesystem::path& path, TgaTables& tables, ProgressSink& progress,
                             const PictureReadOptions& options = {});

// The tables of a picture held in memory, as a bottom-up 32-bit TGA of it
// would leave them (sums made, nothing marked; no halftone question).
TgaTables TablesOfPicture(const Picture& picture);
// The pixels of the tables as a Picture.
Picture PictureOfTables(const TgaTables& tables);

}  // namespace sq
