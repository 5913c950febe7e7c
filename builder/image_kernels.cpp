#include "builder/image_kernels.h"

#include <algorithm>
#include <vector>

namespace sq {

// Each change a loop of its own over the row, which stays in cache, so the
// compiler takes each many pixels at a time (the tga row's 16 passes need it).
bool SumRow(uint8_t* pixels, std::size_t count, int16_t* sums, unsigned changes) {
  uint8_t seen = 0;
  for (std::size_t i = 0; i < count; ++i) seen |= pixels[i * 4] | pixels[i * 4 + 1] | pixels[i * 4 + 2];
  if ((changes & kClampColours) != 0) {
    for (std::size_t i = 0; i < count; ++i) {
      for (std::size_t c = 0; c < 3; ++c) pixels[i * 4 + c] = std::min(pixels[i * 4 + c], uint8_t{127});
    }
  }
  if ((changes & kAlphaOne) != 0) {
    for (std::size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = 1;
  }
  for (std::size_t i = 0; i < count; ++i) {
    sums[i] = static_cast<int16_t>(pixels[i * 4] + pixels[i * 4 + 1] + pixels[i * 4 + 2]);
  }
  return (seen & 0x80) != 0;
}

// Written in whole-row steps of bytes, so the compiler can take each step many
// bytes at a time: the tga job's contrast pass is one of its five sweeps over
// the picture, and a pixel at a time made that job four times as long.
void ContrastRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t count, uint8_t limit,
                 uint64_t* bits) {
  const std::size_t bytes = count * 4;
  // Each byte's extremes in its column of the three rows.
  std::vector<uint8_t> scratch(bytes * 3);
  uint8_t* hi = scratch.data();
  uint8_t* lo = hi + bytes;
  uint8_t* differs = lo + bytes;
  for (std::size_t k = 0; k < bytes; ++k) {
    hi[k] = std::max({above[k], row[k], below[k]});
    lo[k] = std::min({above[k], row[k], below[k]});
  }
  // Then over the columns beside it that exist, and whether the byte lies
  // more than the limit from either.
  auto differ = [&](std::size_t k, uint8_t h, uint8_t l) {
    return static_cast<uint8_t>((h - row[k] > limit) | (row[k] - l > limit));
  };
  auto edge = [&](std::size_t k) {
    uint8_t h = hi[k], l = lo[k];
    if (k >= 4) {
      h = std::max(h, hi[k - 4]);
      l = std::min(l, lo[k - 4]);
    }
    if (k + 4 < bytes) {
      h = std::max(h, hi[k + 4]);
      l = std::min(l, lo[k + 4]);
    }
    differs[k] = differ(k, h, l);
  };
  for (std::size_t k = 0; k < std::min<std::size_t>(4, bytes); ++k) edge(k);
  for (std::size_t k = 4; k + 4 < bytes; ++k) {
    differs[k] = differ(k, std::max({hi[k - 4], hi[k], hi[k + 4]}), std::min({lo[k - 4], lo[k], lo[k + 4]}));
  }
  for (std::size_t k = std::max<std::size_t>(bytes, 8) - 4; k < bytes; ++k) edge(k);
  // A pixel is marked where blue, green and red all differ.
  std::fill(bits, bits + (count + 63) / 64, uint64_t{0});
  for (std::size_t i = 0; i < count; ++i) {
    const uint64_t marked = differs[i * 4] & differs[i * 4 + 1] & differs[i * 4 + 2];
    bits[i / 64] |= marked << (i % 64);
  }
}

uint64_t BrighterBits(const int16_t* sums, std::size_t count, std::size_t first, int side) {
  uint64_t bits = 0;
  for (std::size_t j = 0; j < 64 && first + j < count; ++j) {
    const std::size_t i = first + j;
    const std::size_t other = side < 0 ? (i == 0 ? count - 1 : i - 1) : (i + 1 == count ? 0 : i + 1);
    bits |= static_cast<uint64_t>(sums[i] > sums[other]) << j;
  }
  return bits;
}

}  // namespace sq
