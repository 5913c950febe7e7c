#include "picture/picture_levels.h"

#include <cmath>

namespace sq {

namespace {

// The sRGB curve's inverse: the linear value of an encoded value e in 0 .. 1.
double Decode(double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); }

}  // namespace

float LinearOfLevel(uint8_t level) { return static_cast<float>(Decode(level / 255.0)); }

LinearEncoder::LinearEncoder(double stops) : scale_(static_cast<float>(std::exp2(stops))) {
  for (std::size_t k = 0; k < starts_.size(); ++k) {
    // Level k + 1 begins halfway between k and k + 1 on the encoded scale. The
    // float is the least one at or above that value, so a float compares with
    // it as with the exact value.
    const double start = Decode((static_cast<double>(k) + 0.5) / 255.0);
    float f = static_cast<float>(start);
    if (static_cast<double>(f) < start) f = std::nextafter(f, 2.0f);
    starts_[k] = f;
  }
}

void LinearEncoder::Row(const float* linear, std::size_t n, std::size_t channels, uint8_t* bgra) const {
  for (std::size_t i = 0; i < n; ++i, linear += channels, bgra += 4) {
    bgra[0] = Level(linear[2]);
    bgra[1] = Level(linear[1]);
    bgra[2] = Level(linear[0]);
    bgra[3] = 255;
  }
}

}  // namespace sq
