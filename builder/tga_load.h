// What loading a picture into the builder's tables says and gives back: the
// messages, the halftone question and its answers, the result and the read's
// options. The loader itself is picture_load.h's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "builder/output_report.h"
#include "builder/tga_tables.h"
#include "hod/message.h"

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
    Refused,     // a sound image refused by the caller's size check (the builder's read only)
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

}  // namespace sq
