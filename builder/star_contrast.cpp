// The contrast pass: which pixels stand out from a neighbour in every colour.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "builder/image_kernels.h"
#include "builder/star_detector.h"

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
struct Limits {
  int horizontal, vertical, diagonal;
};

Limits LimitsFor(const std::array<float, 3>& steps) {
  auto limit = [](float step) {
    const float threshold = step + 16.0f;  // float arithmetic on purpose
    return static_cast<int>(std::floor(threshold));
  };
  return {limit(steps[0]), limit(steps[1]), limit(steps[2])};
}

inline int Diff(const uint8_t* a, const uint8_t* b) { return std::abs(int(*a) - int(*b)); }

// Pixel i of the row `cur` (0-based), with the rows above and below. kLeft and
// kRight say whether the left and right neighbours exist.
template <bool kLeft, bool kRight>
inline bool Contrasting(const uint8_t* up, const uint8_t* cur, const uint8_t* down, std::size_t i, const Limits& lim) {
  for (std::size_t c = 0; c < 3; ++c) {
    const std::size_t at = i * 4 + c;
    const uint8_t* p = cur + at;
    bool differs = Diff(p, up + at) > lim.vertical || Diff(p, down + at) > lim.vertical;
    if constexpr (kLeft) {
      differs = differs || Diff(p, cur + at - 4) > lim.horizontal || Diff(p, up + at - 4) > lim.diagonal ||
                Diff(p, down + at - 4) > lim.diagonal;
    }
    if constexpr (kRight) {
      differs = differs || Diff(p, cur + at + 4) > lim.horizontal || Diff(p, up + at + 4) > lim.diagonal ||
                Diff(p, down + at + 4) > lim.diagonal;
    }
    if (!differs) return false;
  }
  return true;
}

// Neighbour by neighbour, for limits that differ by direction (images narrower
// than about 630 or lower than about 315 pixels).
void ContrastRowByNeighbours(const uint8_t* up, const uint8_t* cur, const uint8_t* down, std::size_t width,
                             const Limits& lim, uint8_t* mask) {
  const std::size_t last = width - 1;
  mask[0] = Contrasting<false, true>(up, cur, down, 0, lim);
  for (std::size_t i = 1; i < last; ++i) mask[i] = Contrasting<true, true>(up, cur, down, i, lim);
  mask[last] = Contrasting<true, false>(up, cur, down, last, lim);
}

}  // namespace

void ContrastPass(TgaTables& t, Progress& progress, MarkIndex& marks) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  marks.Size(W, H);
  if (W < 2 || H < 3) {
    for (int y = 1; y <= H; ++y) marks.ClearRow(y);
    return;
  }
  const std::size_t width = static_cast<std::size_t>(W), rowBytes = width * 4;
  marks.ClearRow(1);
  marks.ClearRow(H);
  // Each row's marks are made as bytes here, in the cache, and kept as bits.
  ImageBuffer<uint8_t> maskRow;
  maskRow.resize(width);
  uint8_t* mask = maskRow.data();
  const Limits lim = LimitsFor(NeighbourSteps(W, H));
  const uint8_t* pixels = t.PixelData();

  if (lim.horizontal != lim.vertical || lim.vertical != lim.diagonal) {
    for (int y = 2; y <= H - 1; ++y) {
      const uint8_t* cur = pixels + static_cast<std::size_t>(y - 1) * rowBytes;
      ContrastRowByNeighbours(cur - rowBytes, cur, cur + rowBytes, width, lim, mask);
      marks.SetRow(y, mask);
      progress.AddRow(W);
    }
    return;
  }

  // One limit for all eight neighbours: a colour contrasts when the highest or
  // the lowest value of the 3 x 3 window around the pixel (the pixel included,
  // which changes nothing) lies more than the limit away. The window's extremes
  // come from each row's 3-wide extremes, kept for three rows at a time.
  const ImageKernels& kernels = BestImageKernels();
  const uint8_t limit = static_cast<uint8_t>(std::min(lim.horizontal, 255));  // a byte difference is at most 255
  ImageBuffer<uint8_t> scratch;
  scratch.resize(6 * rowBytes);
  uint8_t* highest[3];
  uint8_t* lowest[3];
  for (std::size_t k = 0; k < 3; ++k) {
    highest[k] = scratch.data() + 2 * k * rowBytes;
    lowest[k] = highest[k] + rowBytes;
  }
  // Row r's extremes go to slot (r - 1) % 3.
  auto extremes = [&](int r) {
    const std::size_t slot = static_cast<std::size_t>(r - 1) % 3;
    kernels.rowExtremes(pixels + static_cast<std::size_t>(r - 1) * rowBytes, width, highest[slot], lowest[slot]);
  };
  extremes(1);
  extremes(2);
  for (int y = 2; y <= H - 1; ++y) {
    extremes(y + 1);
    const std::size_t up = static_cast<std::size_t>(y - 2) % 3, here = (up + 1) % 3, down = (up + 2) % 3;
    const ExtremeRows rows = {{highest[up], highest[here], highest[down]}, {lowest[up], lowest[here], lowest[down]}};
    kernels.contrastRow(pixels + static_cast<std::size_t>(y - 1) * rowBytes, rows, width, limit, mask);
    marks.SetRow(y, mask);
    progress.AddRow(W);
  }
}

void ContrastPass(TgaTables& t, Progress& progress) {
  MarkIndex marks;
  ContrastPass(t, progress, marks);
  marks.CopyTo(t.contrastMask);
}

}  // namespace sq
