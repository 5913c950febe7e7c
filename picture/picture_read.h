// Picture files read by their content, whatever their name: PNG, JPEG, OpenEXR
// and Radiance HDR; and the 32-bit TGA, which has no signature, when the caller
// says the file is one (OpenTga). A file is opened in two steps: its header is read and
// checked (kind, size, the limits below) before any pixel is allocated, then its
// pixels are decoded into the caller's buffer, in the builder's order (blue,
// green, red, alpha; the bottom row first). Linear light (OpenEXR, HDR) becomes
// 8-bit levels through a LinearEncoder on the way (picture_levels.h).
//
// The readers' parts are picture_read_png.cpp, _jpeg, _exr, _hdr and _tga. The
// decoders' own warnings never reach a terminal: a damaged file is refused
// with a reason, and that is all that is said.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "picture/picture.h"
#include "picture/picture_levels.h"
#include "picture/tga_header.h"

namespace sq {

enum class PictureKind { Unknown, Png, Jpeg, Exr, Hdr, Tga };

// The kind a file's first bytes announce (8 are enough); Unknown for any
// other, TGA among them (it has no signature).
PictureKind SniffPicture(std::span<const uint8_t> head);
// "PNG", "JPEG", "OpenEXR", "Radiance HDR", "TGA".
std::string_view PictureKindName(PictureKind kind);

// The largest picture read: a side and all its pixels.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;

// Why a width x height picture is too large to read, or "" when it is not.
std::string PictureSizeRefusal(int64_t width, int64_t height);

struct PictureHeader {
  PictureKind kind = PictureKind::Unknown;
  int width = 0, height = 0;  // as shown: a JPEG's EXIF orientation applied
  bool linear = false;        // scene-linear light (OpenEXR, HDR)
  bool topDown = false;       // a TGA that stores its top row first (descriptor bit 5)
};

class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;
  const PictureHeader& Header() const { return header_; }
  // Decodes every pixel into `bgra` (width x height x 4 bytes), the bottom row
  // first. Returns "" or why the file could not be decoded (the buffer then
  // holds whatever was decoded).
  virtual std::string Decode(uint8_t* bgra, const LinearEncoder& levels) = 0;
  // For linear kinds: red, green, blue floats, the bottom row first, into
  // `rgb` (width x height x 3 floats). Returns "" or the reason.
  virtual std::string DecodeLinear(float* rgb);
  // What a TGA of the picture holds around its pixels: for a TGA the header, the
  // image-ID field and the footer as read; for the other kinds Tga32Header's,
  // no image ID and a zero footer.
  virtual TgaFrame Frame() const;

  // When set, called with each run of the file's bytes (offset, length) whose
  // pixels Decode has copied out and reads no more, so that the caller can let
  // them go (a TGA's pixels are the file's own bytes).
  std::function<void(std::size_t offset, std::size_t length)> letGo;

 protected:
  PictureHeader header_;
};

// Reads and checks the header of the picture in `bytes`, which must outlive the
// decoder. Returns null and sets `error` (a reason, without the file's name)
// when the kind is unknown, the header is damaged or the picture too large.
std::unique_ptr<PictureDecoder> OpenPicture(std::span<const uint8_t> bytes, std::string& error);

// Both steps at once, into a Picture. Returns "" or the reason.
std::string ReadPicture(std::span<const uint8_t> bytes, Picture& picture,
                        const LinearEncoder& levels = LinearEncoder());
// Both steps into a FloatPicture, for OpenEXR and HDR. Returns "" or the reason.
std::string ReadLinearPicture(std::span<const uint8_t> bytes, FloatPicture& picture);

// The makers of each kind's decoder, for OpenPicture.
std::unique_ptr<PictureDecoder> OpenPng(std::span<const uint8_t> bytes, std::string& error);
std::unique_ptr<PictureDecoder> OpenJpeg(std::span<const uint8_t> bytes, std::string& error);
std::unique_ptr<PictureDecoder> OpenExr(std::span<const uint8_t> bytes, std::string& error);
std::unique_ptr<PictureDecoder> OpenHdr(std::span<const uint8_t> bytes, std::string& error);
// A 32-bit TGA, never guessed by OpenPicture: uncompressed true colour (type 2),
// 32 bits a pixel, no colour map, width and height (signed 16-bit numbers)
// above zero, and the file holds its header, image-ID field and every pixel.
// The sides are not held to kMaxPictureSide: the file holds every pixel.
std::unique_ptr<PictureDecoder> OpenTga(std::span<const uint8_t> bytes, std::string& error);

}  // namespace sq
