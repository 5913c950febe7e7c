// Row kernels of the builder's whole-image sweeps (the load's sums, the contrast
// pass), each in a version per vector unit: plain code that runs anywhere, and
// on x86-64 SSE2, AVX2 and AVX-512 versions. All versions give the same bytes;
// the best the running processor supports is picked once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sq {

// The three rows of 3-wide extremes around a pixel row: entry 0 the row above,
// 1 the row itself, 2 the row below.
struct ExtremeRows {
  const uint8_t* highest[3];
  const uint8_t* lowest[3];
};

struct ImageKernels {
  const char* name;
  // Writes blue + green + red of `count` pixels (4 bytes each, blue first) to
  // `sums`; with `clamp`, every colour byte above 127 is first set to 127 in
  // place (alpha is left alone). Returns whether a colour byte above 127 was
  // met, before any clamping.
  bool (*sumRow)(uint8_t* pixels, std::size_t count, int16_t* sums, bool clamp);
  // For every pixel of a row, per byte, the largest and the smallest value of
  // the pixel and its left and right neighbours (where they exist).
  void (*rowExtremes)(const uint8_t* row, std::size_t count, uint8_t* highest, uint8_t* lowest);
  // Sets mask[i] to 1 where each of blue, green and red of pixel i of `row`
  // differs by more than `limit` from the highest or the lowest value of the
  // 3 x 3 window around it (from `rows`), else to 0.
  void (*contrastRow)(const uint8_t* row, const ExtremeRows& rows, std::size_t count, uint8_t limit, uint8_t* mask);
};

// Every version this processor can run, the plain one first and the best last.
std::span<const ImageKernels* const> AvailableImageKernels();
// The best of them.
const ImageKernels& BestImageKernels();

// The versions built in files of their own, each compiled for its instruction
// set; nullptr where the compiler could not build it. Only to be called on a
// processor that has the instructions (AvailableImageKernels checks).
const ImageKernels* Avx2ImageKernels();
const ImageKernels* Avx512ImageKernels();

}  // namespace sq
