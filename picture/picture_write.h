// Pictures encoded as files, each returned as the file's bytes, so the caller
// writes them whole through an OutputFolder (Replace).
#pragma once

#include <string>

#include "picture/picture.h"

namespace sq {

struct PngForm {
  enum class Colour { Rgb, Rgba, Palette, Grey, GreyAlpha };
  Colour colour = Colour::Rgb;
  // Bits a sample: 8; 16 for every colour but Palette; 1, 2 or 4 for Palette and Grey.
  int bits = 8;
  bool interlaced = false;  // Adam7
  int compression = 6;      // zlib's level, 0 .. 9
};

// The picture as a PNG file (top row first, as PNG stores it). Grey takes the
// rounded mean of blue, green and red; 16-bit samples are v * 257, so they round
// back to v; fewer bits keep the nearest of their levels. Empty when the form
// does not fit: a palette of more than 2^bits colours, or bits the colour type
// has not.
std::string EncodePng(const Picture& picture, const PngForm& form = {});

struct ExrForm {
  bool half = true;        // 16-bit half floats, else 32-bit floats
  bool alpha = false;      // an A channel of 1 beside R, G and B
  bool tiled = false;      // 64 x 64 tiles, else scanlines
  bool compressed = true;  // ZIP, else none
};

// The picture as an OpenEXR file (top row first, data window from 0, 0). Empty
// when the library refused it.
std::string EncodeExr(const FloatPicture& picture, const ExrForm& form = {});

struct HdrForm {
  bool runLength = true;  // each scanline run-length coded, else flat RGBE
};

// The picture as a Radiance HDR file ("-Y H +X W": top row first), RGBE with a
// shared exponent, the mantissas truncated.
std::string EncodeHdr(const FloatPicture& picture, const HdrForm& form = {});

}  // namespace sq
