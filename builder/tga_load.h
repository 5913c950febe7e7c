// Loading a 32-bit TGA image into the builder's tables: the checks, the halftone
// question with its optional filter, and the detector run that follows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "builder/star_detector.h"
#include "builder/tga_tables.h"
#include "hod/file_bytes.h"
#include "hod/message.h"
#include "output/output_folder.h"
#include "picture/picture_levels.h"
#include "picture/picture_read.h"

namespace sq {

inline constexpr std::string_view kSizeWarning =
    "The recommended size for the TGA image to use is 1024 x 512\r\n"
    "If you want to use a different size this program may not work as intended.";
inline constexpr std::string_view kInvalidImage = "Invalid TGA image, exiting...";
inline constexpr std::string_view kHalftoneTitle = "Incorrect image halftoning";
inline constexpr std::string_view kHalftoneQuestion =
    "Your image is not properly halftoned,\r\n"
    " please use the option in the <Tools> menu.\r\n"
    "  If you don't do so, the background will display bright\r\n"
    "   green or bright blue or bright red blotches.\r\n"
    "\r\n"
    " Filter for now ?\r\n"
    "(you can save your filtered TGA image afterwards)";

// The largest colour byte of a halftoned image.
inline constexpr uint8_t kHalftoneLimit = 127;

// Says the size warning for any size but 1024 x 512.
void SaySizeWarning(Messages& said, int32_t width, int32_t height);

// The halftone question (kHalftoneQuestion), put to a person by the face: the
// window's box, the command line's --filter and --no-filter, the page's form.
// It is handed what the read has said so far, which the face shows first, so
// the question comes after those messages; true filters. None answers No.
using FilterQuestion = std::function<bool(const Messages& said)>;

// The base name of an image path: the text in front of the first ".tga", without
// anything up to its last folder separator ("\" or "/").
std::string TgaBaseName(std::string_view path);

struct TgaLoadResult {
  enum class Status {
    Loaded,      // the tables hold the new image (the detector ran when it is big enough)
    Invalid,     // refused with the invalid-image message; the tables are unchanged
    Unreadable,  // the file could not be read; the tables are unchanged (picture_load.h)
    Refused,     // a sound image refused by the caller's size check (ReadTargaPicture only)
    Unknown,     // none of the kinds read, refused as such; the tables are unchanged (picture_load.h)
  };
  Status status = Status::Unreadable;
  std::string baseName;
  bool asked = false;     // the halftone question was asked
  bool filtered = false;  // colour bytes above 127 were clamped to 127 (a Yes, asked or given)
  bool topDown = false;   // the file stores its top row first (descriptor bit 5)
  OutputReport outputs;   // what the detector wrote
  Messages messages;      // what the read said, in order (the refusals, the size warning)
};

// Reads the image in `file`, named by its name. An image is accepted when it is uncompressed
// true-colour (type 2) with 32 bits a pixel and no colour map, its width and
// height are above zero, and the file holds its header, image-ID field and all
// its pixels; the 17 footer bytes read as zeros where the file ends early. Says
// the size warning for any size but 1024 x 512. While the pixels are summed into
// intensitySum, the first colour byte above 127 asks the halftone question once;
// Yes clamps that byte and every later one to 127 (alpha is never touched). An
// accepted image replaces all tables (star lists emptied, mask clear), then the
// detector runs on it with its files going to `folder`.
TgaLoadResult LoadTargaImage(const FileBytes& file, OutputFolder& folder, TgaTables& tables, ProgressSink& sink,
                             const FilterQuestion& askFilter = {});

struct TgaReadOptions {
  // The answer to the halftone question when it is already known (the image
  // was loaded before): the question is not asked and this answer holds.
  std::optional<bool> filter;
  // Asks the question when `filter` holds no answer.
  FilterQuestion askFilter;
  bool showSizeWarning = true;
  // Called with the size of an image that passed the checks, before its pixels
  // are read: a non-empty text refuses it (said as a warning, nothing read).
  std::function<std::string(int32_t width, int32_t height)> refuse;
};

// The picture as the background builder needs it: read with LoadTargaImage's
// checks, messages and filter, but no detector runs and nothing is written. Rows
// always end up bottom first: a top-down file (descriptor bit 5) has its rows
// reversed, so the tables hold the picture as a bottom-up file of it would. The
// pixels, intensitySum and a clear contrastMask stand in the tables; the
// header is kept as read.
TgaLoadResult ReadTargaPicture(const FileBytes& file, TgaTables& tables, ProgressSink& sink,
                               const TgaReadOptions& options = {});

// A picture of another format (PNG, JPEG, OpenEXR, HDR) goes the way a TGA
// goes from its pixels on: the tables hold it as a bottom-up 32-bit TGA of it
// would (a header of type 2, 32 bits, descriptor 8; no image ID; a zero
// footer), its sums are made with the halftone question, the size warning is
// said for any size but 1024 x 512 (once the pixels are decoded, so a refused
// file gets one message alone). `decoder` has read and checked the
// header; `name` names the file when its pixels cannot be decoded ("NAME:
// reason"; the result is then Invalid and the tables are empty). Linear
// pictures are encoded by `levels`.
TgaLoadResult LoadDecodedImage(PictureDecoder& decoder, const LinearEncoder& levels, std::string_view name,
                               std::string baseName, OutputFolder& folder, TgaTables& tables, ProgressSink& sink,
                               const FilterQuestion& askFilter = {});
TgaLoadResult ReadDecodedPicture(PictureDecoder& decoder, const LinearEncoder& levels, std::string_view name,
                                 std::string baseName, TgaTables& tables, ProgressSink& sink,
                                 const TgaReadOptions& options = {});

}  // namespace sq
