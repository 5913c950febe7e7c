// Picture files read by their content, whatever their name: PNG, JPEG, OpenEXR
// and Radiance HDR. A file is opened in two steps: its header is read and
// checked (kind, size, the limits below) before any pixel is allocated, then its
// pixels are decoded into the caller's buffer, in the builder's order (blue,
// green, red, alpha; the bottom row first). Linear light (OpenEXR, HDR) becomes
// 8-bit levels through a LinearEncoder on the way (picture_levels.h).
//
// The readers' parts are picture_read_png.cpp, _jpeg, _exr and _hdr. The
// decoders' own warnings never reach a terminal: a damaged file is refused
// with a reason, and that is all that is said.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "picture/picture.h"
#include "picture/picture_levels.h"

namespace sq {

enum class PictureKind { Unknown, Png, Jpeg, Exr, Hdr };

// The kind a file's first bytes announce (8 are enough); Unknown for any
// other, TGA among them (it has no signature).
PictureKind SniffPicture(std::span<const uint8_t> head);
// "PNG", "JPEG", "OpenEXR", "Radiance HDR".
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

}  // namespace sq
