#include "builder/image_kernels.h"

#include <algorithm>

namespace sq {

namespace {

// Per byte, the extremes of pixel i's column in the three rows.
void ColumnExtremes(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t i, uint8_t* hi,
                    uint8_t* lo) {
  for (std::size_t b = 0; b < 4; ++b) {
    const std::size_t at = i * 4 + b;
    hi[b] = std::max({above[at], row[at], below[at]});
    lo[b] = std::min({above[at], row[at], below[at]});
  }
}

bool ContrastPixel(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t i, std::size_t count,
                   uint8_t limit) {
  uint8_t hi[4], lo[4], h[4], l[4];
  ColumnExtremes(above, row, below, i, hi, lo);
  for (int side = 0; side < 2; ++side) {
    if (side == 0 ? i == 0 : i + 1 == count) continue;  // no column there
    ColumnExtremes(above, row, below, side == 0 ? i - 1 : i + 1, h, l);
    for (std::size_t b = 0; b < 4; ++b) {
      hi[b] = std::max(hi[b], h[b]);
      lo[b] = std::min(lo[b], l[b]);
    }
  }
  for (std::size_t c = 0; c < 3; ++c) {
    const uint8_t p = row[i * 4 + c];
    if (hi[c] - p <= limit && p - lo[c] <= limit) return false;
  }
  return true;
}

}  // namespace

bool SumRow(uint8_t* pixels, std::size_t count, int16_t* sums, unsigned changes) {
  bool high = false;
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* p = pixels + i * 4;
    high |= ((p[0] | p[1] | p[2]) & 0x80) != 0;
    if ((changes & kClampColours) != 0) {
      for (int c = 0; c < 3; ++c) p[c] = std::min(p[c], uint8_t{127});
    }
    if ((changes & kAlphaOne) != 0) p[3] = 1;
    sums[i] = static_cast<int16_t>(p[0] + p[1] + p[2]);
  }
  return high;
}

void ContrastRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t count, uint8_t limit,
                 uint64_t* bits) {
  std::fill(bits, bits + (count + 63) / 64, uint64_t{0});
  for (std::size_t i = 0; i < count; ++i) {
    if (ContrastPixel(above, row, below, i, count, limit)) bits[i / 64] |= uint64_t{1} << (i % 64);
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
