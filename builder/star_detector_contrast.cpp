// The contrast pass: which pixels stand out from a neighbour in every colour.
#include "builder/star_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sq {

std::array<float, 3> NeighbourSteps(int width, int height) {
  const double w = width, h = height;
  return {static_cast<float>(628.31853 / w), static_cast<float>(314.159265 / h),
          static_cast<float>(314.159265 * std::sqrt((1.0 / h) * (1.0 / h) + (2.0 / w) * (2.0 / w)))};
}

namespace {

// A neighbour is similar in a colour when step + 16, a 32-bit float, is at least
// the byte difference. Differences are whole numbers, so "more than the float"
// is "more than its integer part": the limits are those integer parts.
int LimitFor(float step, float base) {
  const float threshold = step + base;  // float arithmetic on purpose
  return static_cast<int>(std::floor(threshold));
}

inline int Diff(const uint8_t* a, const uint8_t* b) { return std::abs(int(*a) - int(*b)); }

}  // namespace

ContrastRows::ContrastRows(const TgaTables& t, float base) {
  const std::array<float, 3> steps = NeighbourSteps(t.tgaWidth, t.tgaHeight);
  horizontal_ = LimitFor(steps[0], base);
  vertical_ = LimitFor(steps[1], base);
  diagonal_ = LimitFor(steps[2], base);
}

void ContrastRows::Row(TgaTables& t, int y) const {
  const std::size_t width = static_cast<std::size_t>(t.tgaWidth), rowBytes = width * 4;
  const uint8_t* cur = t.tgaPixels.data() + static_cast<std::size_t>(y - 1) * rowBytes;
  const uint8_t* up = cur - rowBytes;
  const uint8_t* down = cur + rowBytes;
  uint64_t* bits = t.contrastMask.Bits(y);
  if (horizontal_ == vertical_ && vertical_ == diagonal_) {
    // One limit for all eight neighbours: a colour contrasts when the highest or
    // the lowest value of the 3 x 3 window around the pixel (the pixel included,
    // which changes nothing) lies more than the limit away. A byte difference is
    // at most 255.
    ContrastRow(up, cur, down, width, static_cast<uint8_t>(std::min(horizontal_, 255)), bits);
    t.contrastMask.RowWritten(y);
    return;
  }
  // Limits that differ by direction (images narrower than about 630 or lower
  // than about 315 pixels): neighbour by neighbour.
  for (std::size_t w = 0; w < t.contrastMask.WordsPerRow(); ++w) bits[w] = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const bool left = i > 0, right = i + 1 < width;
    bool all = true;
    for (std::size_t c = 0; c < 3 && all; ++c) {
      const std::size_t at = i * 4 + c;
      const uint8_t* p = cur + at;
      bool differs = Diff(p, up + at) > vertical_ || Diff(p, down + at) > vertical_;
      if (left) {
        differs = differs || Diff(p, cur + at - 4) > horizontal_ || Diff(p, up + at - 4) > diagonal_ ||
                  Diff(p, down + at - 4) > diagonal_;
      }
      if (right) {
        differs = differs || Diff(p, cur + at + 4) > horizontal_ || Diff(p, up + at + 4) > diagonal_ ||
                  Diff(p, down + at + 4) > diagonal_;
      }
      all = differs;
    }
    if (all) bits[i / 64] |= uint64_t{1} << (i % 64);
  }
  t.contrastMask.RowWritten(y);
}

void ContrastPass(TgaTables& t, Progress& progress, float base) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  t.contrastMask.SizeClear(W, H);
  if (W < 2 || H < 3) return;
  const ContrastRows contrast(t, base);
  for (int y = 2; y <= H - 1; ++y) {
    contrast.Row(t, y);
    progress.AddRow(W);
  }
}

}  // namespace sq
