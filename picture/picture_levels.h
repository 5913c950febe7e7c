// Levels: how the values of every picture format become the builder's 8-bit
// levels, in one place.
//
// 16-bit samples are rounded to the nearest 8-bit level: round(v * 255 / 65535).
// Scene-linear light (OpenEXR, Radiance HDR) is scaled by the exposure, 2^stops,
// clamped to 0 .. 1 and encoded with the sRGB curve:
//   level = round(255 * S(min(1, max(0, v * 2^stops))))
//   S(x)  = 12.92 x                   for x <= 0.0031308
//           1.055 x^(1 / 2.4) - 0.055 above
// Not-a-number reads as 0. LinearOfLevel goes the other way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sq {

// round(v * 255 / 65535), halves up.
constexpr uint8_t LevelOf16(uint16_t v) { return static_cast<uint8_t>((uint32_t{v} * 255 + 32767) / 65535); }

// The linear value in the middle of an 8-bit level: S^-1(level / 255). Its exact
// inverse is LinearEncoder at 0 stops: LinearEncoder(0).Level(LinearOfLevel(l)) == l
// for every level, also after a round trip through a 16-bit half float.
float LinearOfLevel(uint8_t level);

// Linear light to 8-bit levels at one exposure. The curve is kept as the 255
// linear values where a level begins, so a value costs eight comparisons.
class LinearEncoder {
 public:
  explicit LinearEncoder(double stops = 0);

  uint8_t Level(float linear) const {
    const float x = linear * scale_;
    unsigned level = 0;
    // Finds how many thresholds lie at or below x; NaN passes none.
    for (unsigned step = 128; step > 0; step >>= 1) {
      if (x >= starts_[level + step - 1]) level += step;
    }
    return static_cast<uint8_t>(level);
  }

  // n pixels of red, green, blue (`channels` floats a pixel, the first three
  // used) into blue, green, red and alpha 255.
  void Row(const float* linear, std::size_t n, std::size_t channels, uint8_t* bgra) const;

 private:
  float scale_;
  std::array<float, 255> starts_{};  // starts_[k]: the least value of level k + 1
};

}  // namespace sq
