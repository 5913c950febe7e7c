// The contrast pass: which pixels stand out from a neighbour in every colour.
#include <cmath>
#include <cstdlib>

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

}  // namespace

void ContrastPass(TgaTables& t, Progress& progress) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  t.contrastMask.assign(t.PixelCount(), 0);
  if (W < 2 || H < 3) return;
  const Limits lim = LimitsFor(NeighbourSteps(W, H));
  const std::size_t rowBytes = static_cast<std::size_t>(W) * 4;
  const std::size_t last = static_cast<std::size_t>(W) - 1;
  for (int y = 2; y <= H - 1; ++y) {
    const uint8_t* cur = t.PixelData() + static_cast<std::size_t>(y - 1) * rowBytes;
    const uint8_t* up = cur - rowBytes;
    const uint8_t* down = cur + rowBytes;
    uint8_t* mask = t.contrastMask.data() + t.Entry(1, y);
    mask[0] = Contrasting<false, true>(up, cur, down, 0, lim);
    for (std::size_t i = 1; i < last; ++i) mask[i] = Contrasting<true, true>(up, cur, down, i, lim);
    mask[last] = Contrasting<true, false>(up, cur, down, last, lim);
    progress.AddRow(W);
  }
}

}  // namespace sq
