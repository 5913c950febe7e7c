#include "builder/image_kernels.h"

#include <algorithm>
#include <cstring>
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
  // Each byte's extremes in its column of the three rows; the scratch rows are
  // kept from one call to the next (a row is 32 KiB of each at 8192 pixels).
  thread_local std::vector<uint8_t> scratch;
  const std::size_t words = (count + 63) / 64;
  scratch.resize(std::max(scratch.size(), bytes * 3 + words * 64));
  uint8_t* hi = scratch.data();
  uint8_t* lo = hi + bytes;
  uint8_t* differs = lo + bytes;
  for (std::size_t k = 0; k < bytes; ++k) {
    hi[k] = std::max({above[k], row[k], below[k]});
    lo[k] = std::min({above[k], row[k], below[k]});
  }
  // Then over the columns beside it that exist, and whether the byte lies
  // more than the limit from either. The extremes take in the byte itself, so
  // both differences are bytes of their own.
  auto differ = [&](std::size_t k, uint8_t h, uint8_t l) {
    return static_cast<uint8_t>((static_cast<uint8_t>(h - row[k]) > limit) |
                                (static_cast<uint8_t>(row[k] - l) > limit));
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
  // A pixel is marked where blue, green and red all differ: a byte of 0 or 1
  // per pixel, then eight such bytes at a time become eight bits (read as one
  // little-endian word, the multiplication moves byte j's bit to bit 56 + j
  // and no two of them collide).
  uint8_t* marked = differs + bytes;
  for (std::size_t i = 0; i < count; ++i) marked[i] = differs[i * 4] & differs[i * 4 + 1] & differs[i * 4 + 2];
  std::fill(marked + count, marked + words * 64, uint8_t{0});
  for (std::size_t word = 0; word < words; ++word) {
    uint64_t bitsOfWord = 0;
    for (std::size_t eight = 0; eight < 8; ++eight) {
      uint64_t bytesOf8 = 0;
      std::memcpy(&bytesOf8, marked + word * 64 + eight * 8, 8);
      bitsOfWord |= (bytesOf8 * 0x0102040810204080ULL) >> 56 << (eight * 8);
    }
    bits[word] = bitsOfWord;
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
