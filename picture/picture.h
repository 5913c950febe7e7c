// Pictures as every part that reads or writes one sees them, whatever the file
// format. The folder picture/ holds:
//
//   picture.h          the 8-bit and the linear float picture
//   picture_read.h     PNG, JPEG, OpenEXR, Radiance HDR and 32-bit TGA files read
//                      by their content (picture_read_*.cpp)
//   picture_write.h    PNG, OpenEXR and Radiance HDR files written as bytes
//   tga_header.h       the TGA header read and written, and the 32-bit TGA made
//   picture_levels.h   16-bit and linear light to 8-bit levels, and back
//   picture_resample.h an equirectangular picture brought to another size
//   sky_direction.h    where a pixel of a sky picture or a cube face looks, and back
//   sky_cube.h         a cube map made into an equirectangular picture
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sq {

// 8 bits a channel in the builder's order: blue, green, red, alpha a pixel, the
// bottom row first (as a bottom-up TGA stores it). Pixel (c, r), both counted
// from 1, is entry (r - 1) * width + (c - 1).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;

  std::size_t PixelCount() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
  uint8_t* Pixel(int c, int r) {
    return bgra.data() + ((static_cast<std::size_t>(r) - 1) * static_cast<std::size_t>(width) + (c - 1)) * 4;
  }
  const uint8_t* Pixel(int c, int r) const {
    return bgra.data() + ((static_cast<std::size_t>(r) - 1) * static_cast<std::size_t>(width) + (c - 1)) * 4;
  }
};

// Scene-linear light, red, green and blue a pixel, rows in the same order.
struct FloatPicture {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;

  std::size_t PixelCount() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

}  // namespace sq
