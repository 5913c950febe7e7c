// The clean-up of the marks the templates left: runs of marks are thinned to
// their ends, and what remains is painted into the image.
#include "builder/star_detector.h"

namespace sq {

namespace {

void Paint(TgaTables& t, int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
  uint8_t* p = t.Pixel(x, y);
  p[kBlue] = blue;
  p[kGreen] = green;
  p[kRed] = red;
}

// A removed mark is cleared and painted blue.
void Remove(TgaTables& t, int x, int y) {
  t.contrastMask[t.Entry(x, y)] = 0;
  Paint(t, x, y, 255, 0, 0);
}

}  // namespace

void CleanupPass(TgaTables& t, Progress& progress, const MarkIndex& index) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  for (int y = 2; y <= H - 2; ++y) {
    for (std::size_t w = 0; w < index.WordsPerRow(); ++w) {
      // A mark does something only where a run starts beside it: the two next
      // marks to the right, below or diagonally below are set. Column W - 1's
      // runs wrap to column 1.
      const uint64_t right = index.Window(y, w, 1) & index.Window(y, w, 2);
      const uint64_t below = index.Window(y + 1, w, 0) & index.Window(y + 2, w, 0);
      const uint64_t diagonal = index.Window(y + 1, w, 1) & index.Window(y + 2, w, 2);
      const uint64_t candidates = index.Window(y, w, 0) & (right | below | diagonal | index.Columns(w, W - 1, W - 1)) &
                                  index.Columns(w, 1, W - 1);
      MarkIndex::ForEachColumn(candidates, w, [&](int x) {
        if (!t.Marked(x, y)) return;  // removed by a run before it
        // A mark is removed only when the next one in the run's direction is
        // marked too, so the start and the last mark of every run stay.
        if (x + 2 <= W) {
          for (int k = 1; x + k + 1 <= W; ++k) {
            if (!(t.Marked(x + k, y) && t.Marked(x + k + 1, y))) break;
            Remove(t, x + k, y);
          }
        } else if (t.Marked(W, y) && t.Marked(1, y)) {  // x = W - 1: the run wraps to column 1
          Remove(t, W, y);
        }
        for (int k = 1; y + k + 1 <= H; ++k) {
          if (!(t.Marked(x, y + k) && t.Marked(x, y + k + 1))) break;
          Remove(t, x, y + k);
        }
        if (x + 2 <= W) {
          for (int k = 1; x + k + 1 <= W && y + k + 1 <= H; ++k) {
            if (!(t.Marked(x + k, y + k) && t.Marked(x + k + 1, y + k + 1))) break;
            Remove(t, x + k, y + k);
          }
        } else if (t.Marked(W, y + 1) && t.Marked(1, y + 2)) {
          Remove(t, W, y + 1);
        }
      });
    }
    progress.AddRow(W);
  }
}

void PaintRemainingMarks(TgaTables& t, const MarkIndex& index) {
  const int H = t.tgaHeight;
  for (int y = 2; y <= H - 1; ++y) {
    for (std::size_t w = 0; w < index.WordsPerRow(); ++w) {
      MarkIndex::ForEachColumn(index.Window(y, w, 0), w, [&](int x) {
        if (t.Marked(x, y)) Paint(t, x, y, 0, 0, 255);
      });
    }
  }
}

void CleanupPass(TgaTables& t, Progress& progress) { CleanupPass(t, progress, MarkIndex::Of(t)); }
void PaintRemainingMarks(TgaTables& t) { PaintRemainingMarks(t, MarkIndex::Of(t)); }

}  // namespace sq
