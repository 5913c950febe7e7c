// The clean-up of the marks the templates left: runs of marks are thinned to
// their ends, and what remains is painted into the image.
#include <algorithm>

#include "builder/star_detector.h"

namespace sq {

namespace {

void Paint(TgaTables& t, int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
  uint8_t* p = t.Pixel(x, y);
  p[kBlue] = blue;
  p[kGreen] = green;
  p[kRed] = red;
}

}  // namespace

void CleanupPass(TgaTables& t, Progress& progress, MarkTable* removed) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  MarkTable& marks = t.contrastMask;
  auto marked = [&](int x, int y) { return marks.Test(x, y); };
  // A removed mark is cleared and painted blue (or noted for painting later).
  auto remove = [&](int x, int y) {
    marks.Clear(x, y);
    if (removed != nullptr) {
      removed->Set(x, y);
    } else {
      Paint(t, x, y, 255, 0, 0);
    }
  };
  for (int y = 2; y <= H - 2; ++y) {
    marks.ForEachWord(y, false, [&](std::size_t w) {
      // A mark changes something only where a run starts beside it: the next
      // two marks to the right, below or diagonally below are set. Column
      // W - 1's runs to the right wrap to column 1.
      const uint64_t right = marks.Window<1>(y, w) & marks.Window<2>(y, w);
      const uint64_t below = marks.Window<0>(y + 1, w) & marks.Window<0>(y + 2, w);
      const uint64_t diagonal = marks.Window<1>(y + 1, w) & marks.Window<2>(y + 2, w);
      const uint64_t starts = marks.Window<0>(y, w) & (right | below | diagonal | MarkTable::Columns(w, W - 1, W - 1));
      MarkTable::ForEachColumn(starts & MarkTable::Columns(w, 1, W - 1), w, [&](int x) {
        if (!marked(x, y)) return;  // removed by a run before it
        // A mark is removed only when the next one in the run's direction is
        // marked too, so the start and the last mark of every run stay.
        if (x + 2 <= W) {
          for (int k = 1; x + k + 1 <= W; ++k) {
            if (!(marked(x + k, y) && marked(x + k + 1, y))) break;
            remove(x + k, y);
          }
        } else if (marked(W, y) && marked(1, y)) {  // x = W - 1: the run wraps to column 1
          remove(W, y);
        }
        for (int k = 1; y + k + 1 <= H; ++k) {
          if (!(marked(x, y + k) && marked(x, y + k + 1))) break;
          remove(x, y + k);
        }
        if (x + 2 <= W) {
          for (int k = 1; x + k + 1 <= W && y + k + 1 <= H; ++k) {
            if (!(marked(x + k, y + k) && marked(x + k + 1, y + k + 1))) break;
            remove(x + k, y + k);
          }
        } else if (marked(W, y + 1) && marked(1, y + 2)) {
          remove(W, y + 1);
        }
      });
    });
    progress.AddRow(W);
  }
}

void PaintMarks(TgaTables& t, const MarkTable* removed, int firstRow, int lastRow) {
  const MarkTable& marks = t.contrastMask;
  for (int y = std::max(firstRow, 2); y <= std::min(lastRow, t.tgaHeight - 1); ++y) {
    marks.ForEachWord(y, false, [&](std::size_t w) {
      MarkTable::ForEachColumn(marks.Window<0>(y, w), w, [&](int x) { Paint(t, x, y, 0, 0, 255); });
    });
    if (removed == nullptr) continue;
    removed->ForEachWord(y, false, [&](std::size_t w) {
      MarkTable::ForEachColumn(removed->Window<0>(y, w), w, [&](int x) { Paint(t, x, y, 255, 0, 0); });
    });
  }
}

void CleanupPass(TgaTables& t, Progress& progress) { CleanupPass(t, progress, nullptr); }

void PaintRemainingMarks(TgaTables& t) { PaintMarks(t, nullptr, 1, t.tgaHeight); }

}  // namespace sq
