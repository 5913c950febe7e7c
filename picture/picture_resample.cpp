#include "picture/picture_resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sq {

namespace {

// The old pixels (0-based) and weights that make up one new pixel along a direction.
struct Tap {
  int from;
  float weight;
};

struct Taps {
  std::vector<std::size_t> first;  // where each new pixel's taps begin; one more at the end
  std::vector<Tap> taps;
};

// The taps of `to` new pixels from `from` old ones. `wrap`: index -1 is the
// last pixel and `from` the first; else indices are held to the picture.
Taps MakeTaps(int from, int to, bool wrap) {
  Taps t;
  t.first.push_back(0);
  const double ratio = static_cast<double>(from) / to;
  auto index = [&](int i) { return wrap ? (i % from + from) % from : std::clamp(i, 0, from - 1); };
  for (int j = 0; j < to; ++j) {
    if (ratio > 1) {
      // The new pixel covers old pixels from a to b (a whole one is 1).
      const double a = j * ratio, b = (j + 1) * ratio;
      for (int i = static_cast<int>(std::floor(a)); i < static_cast<int>(std::ceil(b)); ++i) {
        const double overlap = std::min<double>(b, i + 1) - std::max<double>(a, i);
        if (overlap > 0) t.taps.push_back({index(i), static_cast<float>(overlap / ratio)});
      }
    } else {
      const double x = (j + 0.5) * ratio - 0.5;  // the new centre on the old pixels' centres
      const int i = static_cast<int>(std::floor(x));
      const double f = x - i;
      t.taps.push_back({index(i), static_cast<float>(1 - f)});
      if (f > 0) t.taps.push_back({index(i + 1), static_cast<float>(f)});
    }
    t.first.push_back(t.taps.size());
  }
  return t;
}

uint8_t Round(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

Picture ResamplePicture(const Picture& source, int width, int height) {
  Picture out;
  out.width = width;
  out.height = height;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) return out;
  const Taps across = MakeTaps(source.width, width, true);
  const Taps up = MakeTaps(source.height, height, false);
  const std::size_t W = static_cast<std::size_t>(width);

  // Across first, every old row into floats; then up, a new row at a time.
  std::vector<float> rows(static_cast<std::size_t>(source.height) * W * 4);
  for (int r = 0; r < source.height; ++r) {
    const uint8_t* in = source.bgra.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(source.width) * 4;
    float* row = rows.data() + static_cast<std::size_t>(r) * W * 4;
    for (std::size_t j = 0; j < W; ++j) {
      float sum[4] = {0, 0, 0, 0};
      for (std::size_t k = across.first[j]; k < across.first[j + 1]; ++k) {
        const uint8_t* p = in + static_cast<std::size_t>(across.taps[k].from) * 4;
        const float w = across.taps[k].weight;
        for (int c = 0; c < 4; ++c) sum[c] += w * static_cast<float>(p[c]);
      }
      std::copy_n(sum, 4, row + j * 4);
    }
  }
  out.bgra.resize(out.PixelCount() * 4);
  std::vector<float> sum(W * 4);
  for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (std::size_t k = up.first[r]; k < up.first[r + 1]; ++k) {
      const float* row = rows.data() + static_cast<std::size_t>(up.taps[k].from) * W * 4;
      const float w = up.taps[k].weight;
      for (std::size_t i = 0; i < W * 4; ++i) sum[i] += w * row[i];
    }
    uint8_t* o = out.bgra.data() + r * W * 4;
    for (std::size_t i = 0; i < W * 4; ++i) o[i] = Round(sum[i]);
  }
  return out;
}

}  // namespace sq
