// The row kernels of image_kernels.h written once, over a vector type S that
// each image_kernels*.cpp defines for its own instruction set and compiles with
// it. Everything here has internal linkage: the copy built for one instruction
// set can never stand in for another's at link time.
//
// S provides, on S::V (a vector of S::kBytes bytes):
//   Load, Store (unaligned), Zero, Splat8, Splat32,
//   And, Or, Max, Min (unsigned bytes), Sub (bytes, wrapping), SubSat (unsigned bytes),
//   Eq8, Eq32 (all ones where equal), Shr32By8 (each 32-bit lane), MulAddPairs16
//   (signed 16-bit products, adjacent pairs added into 32 bits), Add32,
//   Pack32To16 (two vectors of 32-bit lanes to one of 16-bit lanes, signed
//   saturation, order kept), Pack32To8 (four vectors of 32-bit lanes holding 0 or
//   -1 to one of bytes, order kept), Any (some bit set).
#pragma once

#include <cstddef>
#include <cstdint>

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

template <bool kClamp>
inline bool SumPixel(uint8_t* p, int16_t* sum) {
  const bool high = ((p[0] | p[1] | p[2]) & 0x80) != 0;
  if constexpr (kClamp) {
    for (int c = 0; c < 3; ++c) p[c] = p[c] > 127 ? uint8_t{127} : p[c];
  }
  *sum = static_cast<int16_t>(p[0] + p[1] + p[2]);
  return high;
}

// Pixel i of a row of n pixels: extremes over itself and the neighbours that exist.
inline void PixelExtremes(const uint8_t* row, std::size_t i, std::size_t n, uint8_t* highest, uint8_t* lowest) {
  const std::size_t at = i * 4;
  const std::size_t left = i > 0 ? at - 4 : at;
  const std::size_t right = i + 1 < n ? at + 4 : at;
  for (std::size_t b = 0; b < 4; ++b) {
    highest[at + b] = Max3(row[left + b], row[at + b], row[right + b]);
    lowest[at + b] = Min3(row[left + b], row[at + b], row[right + b]);
  }
}

inline uint8_t ContrastPixel(const uint8_t* row, const ExtremeRows& rows, std::size_t i, uint8_t limit) {
  const std::size_t at = i * 4;
  for (std::size_t c = 0; c < 3; ++c) {
    const uint8_t p = row[at + c];
    const uint8_t hi = Max3(rows.highest[0][at + c], rows.highest[1][at + c], rows.highest[2][at + c]);
    const uint8_t lo = Min3(rows.lowest[0][at + c], rows.lowest[1][at + c], rows.lowest[2][at + c]);
    if (hi - p <= limit && p - lo <= limit) return 0;
  }
  return 1;
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

template <class S, bool kClamp>
bool SumRowT(uint8_t* pixels, std::size_t count, int16_t* sums) {
  constexpr std::size_t kStep = S::kBytes / 2;  // two vectors of pixels a round
  const auto clampTo = S::Splat32(0xFF7F7F7Fu);  // bytes 127, 127, 127, 255
  auto seen = S::Zero();
  std::size_t i = 0;
  for (; i + kStep <= count; i += kStep) {
    uint8_t* p = pixels + i * 4;
    auto a = S::Load(p);
    auto b = S::Load(p + S::kBytes);
    seen = S::Or(seen, S::Or(a, b));
    if constexpr (kClamp) {
      a = S::Min(a, clampTo);
      b = S::Min(b, clampTo);
      S::Store(p, a);
      S::Store(p + S::kBytes, b);
    }
    S::Store(sums + i, S::Pack32To16(PixelSums<S>(a), PixelSums<S>(b)));
  }
  bool high = S::Any(S::And(seen, S::Splat32(0x00808080u)));
  for (; i < count; ++i) high |= SumPixel<kClamp>(pixels + i * 4, sums + i);
  return high;
}

template <class S>
bool SumRow(uint8_t* pixels, std::size_t count, int16_t* sums, bool clamp) {
  return clamp ? SumRowT<S, true>(pixels, count, sums) : SumRowT<S, false>(pixels, count, sums);
}

template <class S>
void RowExtremes(const uint8_t* row, std::size_t count, uint8_t* highest, uint8_t* lowest) {
  if (count == 0) return;
  PixelExtremes(row, 0, count, highest, lowest);
  constexpr std::size_t kStep = S::kBytes / 4;
  std::size_t i = 1;
  for (; i + kStep < count; i += kStep) {  // pixels i .. i + kStep - 1 all have a right neighbour
    const std::size_t at = i * 4;
    const auto l = S::Load(row + at - 4), c = S::Load(row + at), r = S::Load(row + at + 4);
    S::Store(highest + at, S::Max(S::Max(l, c), r));
    S::Store(lowest + at, S::Min(S::Min(l, c), r));
  }
  for (; i < count; ++i) PixelExtremes(row, i, count, highest, lowest);
}

template <class S>
void ContrastRow(const uint8_t* row, const ExtremeRows& rows, std::size_t count, uint8_t limit, uint8_t* mask) {
  constexpr std::size_t kStep = S::kBytes;  // four vectors of pixels a round, one vector of mask bytes
  const auto lim = S::Splat8(limit);
  const auto colours = S::Splat32(0x00FFFFFFu);
  const auto zero = S::Zero();
  std::size_t i = 0;
  for (; i + kStep <= count; i += kStep) {
    typename S::V marked[4];
    for (std::size_t k = 0; k < 4; ++k) {
      const std::size_t at = i * 4 + k * S::kBytes;
      const auto p = S::Load(row + at);
      const auto hi = S::Max(S::Max(S::Load(rows.highest[0] + at), S::Load(rows.highest[1] + at)),
                             S::Load(rows.highest[2] + at));
      const auto lo = S::Min(S::Min(S::Load(rows.lowest[0] + at), S::Load(rows.lowest[1] + at)),
                             S::Load(rows.lowest[2] + at));
      // The window holds the pixel itself, so lo <= p <= hi: no difference wraps.
      const auto spread = S::Max(S::Sub(hi, p), S::Sub(p, lo));
      const auto calm = S::And(S::Eq8(S::SubSat(spread, lim), zero), colours);  // colours within the limit
      marked[k] = S::Eq32(calm, zero);
    }
    S::Store(mask + i, S::And(S::Pack32To8(marked[0], marked[1], marked[2], marked[3]), S::Splat8(1)));
  }
  for (; i < count; ++i) mask[i] = ContrastPixel(row, rows, i, limit);
}

template <class S>
constexpr ImageKernels KernelsOf(const char* name) {
  return {name, &SumRow<S>, &RowExtremes<S>, &ContrastRow<S>};
}

}  // namespace
}  // namespace sq
