// The row kernels of image_kernels.h written once, over a vector type S that
// each image_kernels*.cpp defines for its own instruction set and compiles with
// it. Everything here has internal linkage, and nothing here uses an inline
// function of the standard library: the copy built for one instruction set can
// never stand in for another's at link time.
//
// S provides, on S::V (a vector of S::kBytes bytes, S::kBytes / 4 pixels):
//   Load, Store (unaligned), Zero, Splat8, Splat32,
//   And, Or, Max, Min (unsigned bytes), Sub (bytes, wrapping), SubSat (unsigned bytes),
//   Shr32By8 (each 32-bit lane), MulAddPairs16 (signed 16-bit products, adjacent
//   pairs added into 32 bits), Add32, Pack32To16 (two vectors of 32-bit lanes to
//   one of 16-bit lanes, signed saturation, order kept), Any (some bit set),
//   Previous(p, v) (pixel lane j holds v's lane j - 1, lane 0 p's last lane),
//   Following(v, n) (lane j holds v's lane j + 1, the last lane n's lane 0),
//   EqualPixels(a, b) (bit j set where 32-bit lanes j are equal),
//   Greater16(a, b, c, d) (S::kBytes bits: first where the signed 16-bit lanes
//   of a are greater than those of b, then the same for c and d).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "builder/image_kernels.h"

namespace sq {
namespace {

// ---------------------------------------------------------------------------
// One pixel at a time: the plain version (image_kernels.cpp), and the edges and
// tails of the others.

inline uint8_t Max3(uint8_t a, uint8_t b, uint8_t c) {
  const uint8_t ab = a > b ? a : b;
  return ab > c ? ab : c;
}
inline uint8_t Min3(uint8_t a, uint8_t b, uint8_t c) {
  const uint8_t ab = a < b ? a : b;
  return ab < c ? ab : c;
}

template <unsigned kChanges>
inline bool SumPixel(uint8_t* p, int16_t* sum) {
  const bool high = ((p[0] | p[1] | p[2]) & 0x80) != 0;
  if constexpr ((kChanges & kClampColours) != 0) {
    for (int c = 0; c < 3; ++c) p[c] = p[c] > 127 ? uint8_t{127} : p[c];
  }
  if constexpr ((kChanges & kAlphaOne) != 0) p[3] = 1;
  *sum = static_cast<int16_t>(p[0] + p[1] + p[2]);
  return high;
}

// Per byte, the extremes of pixel i's column in the three rows.
inline void ColumnExtremes(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t i, uint8_t* hi,
                           uint8_t* lo) {
  for (std::size_t b = 0; b < 4; ++b) {
    const std::size_t at = i * 4 + b;
    hi[b] = Max3(above[at], row[at], below[at]);
    lo[b] = Min3(above[at], row[at], below[at]);
  }
}

inline bool ContrastPixel(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t i,
                          std::size_t count, uint8_t limit) {
  uint8_t hi[4], lo[4], h[4], l[4];
  ColumnExtremes(above, row, below, i, hi, lo);
  for (int side = 0; side < 2; ++side) {
    if (side == 0 ? i == 0 : i + 1 == count) continue;  // no column there
    ColumnExtremes(above, row, below, side == 0 ? i - 1 : i + 1, h, l);
    for (std::size_t b = 0; b < 4; ++b) {
      hi[b] = hi[b] > h[b] ? hi[b] : h[b];
      lo[b] = lo[b] < l[b] ? lo[b] : l[b];
    }
  }
  for (std::size_t c = 0; c < 3; ++c) {
    const uint8_t p = row[i * 4 + c];
    if (hi[c] - p <= limit && p - lo[c] <= limit) return false;
  }
  return true;
}

inline uint64_t PlainBrighterBits(const int16_t* sums, std::size_t count, std::size_t first, int side) {
  uint64_t bits = 0;
  for (std::size_t j = 0; j < 64 && first + j < count; ++j) {
    const std::size_t i = first + j;
    const std::size_t other = side < 0 ? (i == 0 ? count - 1 : i - 1) : (i + 1 == count ? 0 : i + 1);
    bits |= static_cast<uint64_t>(sums[i] > sums[other]) << j;
  }
  return bits;
}

// ---------------------------------------------------------------------------
// A vector at a time.

// Blue + green + red of each pixel as a 32-bit lane: blue and red are the two
// 16-bit halves of (pixel & 0x00FF00FF), added by one multiply-add; green apart.
template <class S>
[[gnu::always_inline]] inline typename S::V PixelSums(typename S::V v) {
  const auto blueRed = S::And(v, S::Splat32(0x00FF00FFu));
  const auto green = S::And(S::Shr32By8(v), S::Splat32(0xFFu));
  return S::Add32(S::MulAddPairs16(blueRed, S::Splat32(0x00010001u)), green);
}

template <class S, unsigned kChanges>
bool SumRowT(uint8_t* pixels, std::size_t count, int16_t* sums) {
  constexpr std::size_t kStep = S::kBytes / 2;  // two vectors of pixels a round
  // Clamping: bytes 127, 127, 127, 255 as the upper bound of each pixel.
  const auto clampTo = S::Splat32(0xFF7F7F7Fu);
  const auto colours = S::Splat32(0x00FFFFFFu), alphaOne = S::Splat32(0x01000000u);
  auto seen = S::Zero();
  std::size_t i = 0;
  for (; i + kStep <= count; i += kStep) {
    uint8_t* p = pixels + i * 4;
    auto a = S::Load(p);
    auto b = S::Load(p + S::kBytes);
    seen = S::Or(seen, S::Or(a, b));
    if constexpr ((kChanges & kClampColours) != 0) {
      a = S::Min(a, clampTo);
      b = S::Min(b, clampTo);
    }
    if constexpr ((kChanges & kAlphaOne) != 0) {
      a = S::Or(S::And(a, colours), alphaOne);
      b = S::Or(S::And(b, colours), alphaOne);
    }
    if constexpr (kChanges != kKeepPixels) {
      S::Store(p, a);
      S::Store(p + S::kBytes, b);
    }
    S::Store(sums + i, S::Pack32To16(PixelSums<S>(a), PixelSums<S>(b)));
  }
  bool high = S::Any(S::And(seen, S::Splat32(0x00808080u)));
  for (; i < count; ++i) high |= SumPixel<kChanges>(pixels + i * 4, sums + i);
  return high;
}

template <class S>
bool SumRow(uint8_t* pixels, std::size_t count, int16_t* sums, unsigned changes) {
  switch (changes & (kClampColours | kAlphaOne)) {
    case kClampColours:
      return SumRowT<S, kClampColours>(pixels, count, sums);
    case kAlphaOne:
      return SumRowT<S, kAlphaOne>(pixels, count, sums);
    case kClampColours | kAlphaOne:
      return SumRowT<S, kClampColours | kAlphaOne>(pixels, count, sums);
    default:
      return SumRowT<S, kKeepPixels>(pixels, count, sums);
  }
}

// The 3 x 3 window's extremes come from the columns' extremes over the three
// rows, taken for a vector of pixels at once and shifted by a pixel each way.
// Where a column does not exist (left of the first pixel, right of the last),
// 0 stands in for its highest values and 255 for its lowest: they change no
// extreme.
template <class S>
void ContrastRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t count, uint8_t limit,
                 uint64_t* bits) {
  using V = typename S::V;
  constexpr std::size_t kPixels = S::kBytes / 4;  // divides 64: a vector's bits never straddle a word
  for (std::size_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
  const std::size_t vectors = count / kPixels;
  if (vectors > 0) {
    const V lim = S::Splat8(limit), one = S::Splat8(1), none = S::Splat8(255);
    const V colours = S::Splat32(0x00FFFFFFu), allThree = S::Splat32(0x00010101u);
    auto columns = [&](std::size_t k, V& hi, V& lo, V& p) {
      const std::size_t at = k * S::kBytes;
      const V a = S::Load(above + at), b = S::Load(below + at);
      p = S::Load(row + at);
      hi = S::Max(S::Max(a, b), p);
      lo = S::Min(S::Min(a, b), p);
    };
    V hiBefore = S::Zero(), loBefore = none, hi, lo, p;
    columns(0, hi, lo, p);
    for (std::size_t k = 0; k < vectors; ++k) {
      V hiAfter = S::Zero(), loAfter = none, pAfter = p;
      if (k + 1 < vectors) {
        columns(k + 1, hiAfter, loAfter, pAfter);
      } else if (vectors * kPixels < count) {  // the first pixel after the last whole vector
        uint8_t hb[4], lb[4];
        ColumnExtremes(above, row, below, vectors * kPixels, hb, lb);
        uint32_t h, l;
        std::memcpy(&h, hb, 4);
        std::memcpy(&l, lb, 4);
        hiAfter = S::Splat32(h);
        loAfter = S::Splat32(l);
      }
      const V high = S::Max(S::Max(S::Previous(hiBefore, hi), hi), S::Following(hi, hiAfter));
      const V low = S::Min(S::Min(S::Previous(loBefore, lo), lo), S::Following(lo, loAfter));
      // The window holds the pixel itself, so low <= p <= high: no difference wraps.
      const V spread = S::Max(S::Sub(high, p), S::Sub(p, low));
      const V contrasting = S::And(S::Min(S::SubSat(spread, lim), one), colours);  // 1 in each colour beyond the limit
      const std::size_t first = k * kPixels;
      bits[first / 64] |= static_cast<uint64_t>(S::EqualPixels(contrasting, allThree)) << (first % 64);
      hiBefore = hi, loBefore = lo;
      hi = hiAfter, lo = loAfter, p = pAfter;
    }
  }
  for (std::size_t i = vectors * kPixels; i < count; ++i) {
    if (ContrastPixel(above, row, below, i, count, limit)) bits[i / 64] |= uint64_t{1} << (i % 64);
  }
}

// Away from the row's ends (no wrapping neighbour) a vector at a time.
template <class S>
uint64_t BrighterBits(const int16_t* sums, std::size_t count, std::size_t first, int side) {
  constexpr std::size_t kStep = S::kBytes, kHalf = S::kBytes / 2;  // entries a step, a vector
  if (first == 0 || first + 64 >= count) return PlainBrighterBits(sums, count, first, side);
  const int16_t* neighbours = sums + static_cast<std::ptrdiff_t>(side);
  uint64_t bits = 0;
  for (std::size_t j = 0; j < 64; j += kStep) {
    const std::size_t i = first + j;
    bits |= S::Greater16(S::Load(sums + i), S::Load(neighbours + i), S::Load(sums + i + kHalf),
                         S::Load(neighbours + i + kHalf))
            << j;
  }
  return bits;
}

template <class S>
constexpr ImageKernels KernelsOf(const char* name) {
  return {name, &SumRow<S>, &ContrastRow<S>, &BrighterBits<S>};
}

}  // namespace
}  // namespace sq
