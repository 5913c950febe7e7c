// The image and star tables of the background builder: one plain struct that the
// caller owns and hands to every operation. Nothing here is global.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "builder/image_buffer.h"
#include "builder/mark_table.h"
#include "picture/tga_header.h"

namespace sq {

// Byte positions inside a pixel, in file order.
inline constexpr std::size_t kBlue = 0, kGreen = 1, kRed = 2, kAlpha = 3;

// One star found by the detector: the anchor pixel's column and row (whole
// numbers) and a fixed grey. 16 bytes, as the point-star records elsewhere.
struct StarPoint {
  float x = 0;
  float y = 0;
  uint32_t reserved = 0;
  std::array<uint8_t, 4> colour{};  // blue, green, red, alpha
};
static_assert(sizeof(StarPoint) == 16);

// One entry of starTable: a count kept beside the list, like every table count.
struct StarList {
  int64_t count = 0;
  std::vector<StarPoint> points;
};

// Everything a loaded image leaves behind. Columns x = 1..tgaWidth and rows
// y = 1..tgaHeight; row 1 is the first row of tgaPixels (the first row stored
// in a TGA file as the tga job reads it; the bottom row as the builder reads a
// picture). The pixels and intensitySum are contiguous buffers in that order:
// pixel (x, y) is entry (y - 1) * tgaWidth + (x - 1); the pixels take 4 bytes an
// entry (blue, green, red, alpha). contrastMask keeps a bit a pixel, a row at a
// time (MarkTable).
//
// tgaFrame holds what a save writes around the pixels: the header as read, the
// image-ID field and the 17 bytes that followed the pixels (for a picture of
// another kind Tga32Header's, no ID, zeros). A save writes the frame and the
// pixels as they stand, with no copy of the image. The tables always describe
// one image: the frame, the size and the per-pixel tables are replaced together.
struct TgaTables {
  int32_t tgaWidth = 0;
  int32_t tgaHeight = 0;
  TgaFrame tgaFrame;
  ImageBuffer<uint8_t> tgaPixels;     // 4 bytes a pixel
  ImageBuffer<int16_t> intensitySum;  // blue + green + red after the filter, 0..765
  MarkTable contrastMask;             // a bit per pixel, set where marked
  // The stars of the three template passes, one entry a pass.
  std::array<StarList, 3> starTable;

  std::size_t PixelCount() const {
    return static_cast<std::size_t>(tgaWidth > 0 ? tgaWidth : 0) *
           static_cast<std::size_t>(tgaHeight > 0 ? tgaHeight : 0);
  }

  // Entry of pixel (x, y), both counted from 1 and inside the image.
  std::size_t Entry(int x, int y) const {
    return static_cast<std::size_t>(y - 1) * static_cast<std::size_t>(tgaWidth) + static_cast<std::size_t>(x - 1);
  }
  uint8_t* Pixel(int x, int y) { return tgaPixels.data() + Entry(x, y) * 4; }
  uint8_t Byte(int x, int y, std::size_t channel) const { return tgaPixels[Entry(x, y) * 4 + channel]; }
  bool Marked(int x, int y) const { return contrastMask.Test(x, y); }

  // True when the pixels and intensitySum match tgaWidth x tgaHeight (the
  // detector sizes contrastMask itself).
  bool Consistent() const {
    const std::size_t n = PixelCount();
    return tgaPixels.size() == n * 4 && intensitySum.size() == n;
  }
};

// Empties the star lists and the mask; the image itself stays.
inline void ClearStarsAndMask(TgaTables& tables) {
  for (StarList& entry : tables.starTable) entry = StarList{};
  tables.contrastMask = MarkTable{};
}

}  // namespace sq
