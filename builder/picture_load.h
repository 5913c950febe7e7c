// Sky pictures of every format into the builder's tables, chosen by the file's
// content: PNG, JPEG, OpenEXR and Radiance HDR by their signatures; a file with
// none of them is read as a 32-bit TGA when its name holds ".tga". Every kind is
// decoded in picture/ and then taken the same way: the checks, the size warning,
// the halftone question with its optional filter while the pixels are summed,
// and for the tga job the detector run that follows.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "builder/builder_progress.h"
#include "builder/tga_load.h"
#include "builder/tga_tables.h"
#include "hod/file_bytes.h"
#include "output/output_folder.h"
#include "picture/picture.h"

namespace sq {

// What a file holds as far as the builder goes: a kind with a signature, a
// TGA (no signature, ".tga" in the name), or neither (also when it cannot be
// read and its name has no ".tga").
enum class PictureFileKind { Decoded, Targa, Unknown };

// A sky picture's file as the builder takes it: its bytes, read once, and what
// one look at them decides.
struct PictureFile {
  // Null when the file could not be read; its name is then in `name`.
  std::shared_ptr<const FileBytes> bytes;
  std::string name;  // the name the bytes came by (the path on the command line and in the window)
  PictureFileKind kind = PictureFileKind::Unknown;
  // For a TGA TgaBaseName's; for the other kinds the file's name less its last
  // extension ("sky.png" and "sky.jpeg" give "sky").
  std::string baseName;
  // Why a file of no kind read is refused: "NAME: not a picture ..." (or
  // "Cannot read the picture NAME: reason" when it could not be read).
  std::string refusal;
};

// One look at bytes with their name.
PictureFile LookAtPicture(std::shared_ptr<const FileBytes> bytes);
// Reads the file at `path` once and looks at it.
PictureFile OpenPictureFile(const std::filesystem::path& path);

// The refusal of a file named `name`, read, of no kind read here.
std::string UnknownPictureText(std::string_view name);

struct PictureReadOptions : TgaReadOptions {
  double exposure = 0;  // stops: linear light is scaled by 2^exposure before it is encoded
};

// "Load Targa image" on a picture of any kind. A file of no kind read is
// refused with its refusal (status Unknown), a TGA that could not be read with
// "Cannot read the TGA image NAME" (Unreadable); the tables are then unchanged.
// A TGA is refused as a whole with kInvalidImage, after the size warning its
// header asks for (Invalid; see OpenTga for what is accepted); the other kinds
// with "NAME: reason" (Invalid), said before any size warning, which for them
// comes once the pixels are decoded. An accepted picture replaces all tables
// (star lists emptied, mask clear); while its pixels are summed into
// intensitySum, the first colour byte above 127 asks the halftone question once
// and Yes clamps that byte and every later one to 127 (alpha is never touched).
// The rows stand as the file stores them (a top-down TGA keeps its top row
// first, as its saved image does). Then the detector runs on it, its files going
// to `folder`, when the picture is at least kMinDetectSize each way.
TgaLoadResult LoadSkyImage(const PictureFile& file, OutputFolder& folder, TgaTables& tables, ProgressSink& progress,
                           const FilterQuestion& askFilter = {}, double exposure = 0);

// The picture as the background builder needs it: read with LoadSkyImage's
// checks, messages and filter, as the options say, but no detector runs and
// nothing is written. Rows always end up bottom first: a top-down TGA has its
// rows reversed (its header is kept as read). A sound picture that
// options.refuse refuses is said as a warning, its pixels unread (Refused).
TgaLoadResult ReadSkyPicture(const PictureFile& file, TgaTables& tables, ProgressSink& progress,
                             const PictureReadOptions& options = {});

// The tables of a picture held in memory, as a bottom-up 32-bit TGA of it
// would leave them (sums made, nothing marked; no halftone question).
TgaTables TablesOfPicture(const Picture& picture);
// The pixels of the tables as a Picture.
Picture PictureOfTables(const TgaTables& tables);

}  // namespace sq
