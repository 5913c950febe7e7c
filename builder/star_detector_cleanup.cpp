// The clean-up of the marks the templates left: runs of marks are thinned to
// their ends, and what remains is painted into the image.
#include "builder/star_detector.h"

#include <algorithm>

namespace sq {

namespace {

void Paint(TgaTables& t, int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
  uint8_t* p = t.Pixel(x, y);
  p[kBlue] = blue;
  p[kGreen] = green;
  p[kRed] = red;
}

// Bits of word `word` of row y: the marks that start a run, that is where the
// next two marks to the right, below or diagonally below are set. Column W - 1's
// runs to the right wrap to column 1, so it is always taken when marked.
uint64_t RunStarts(const MarkTable& marks, int y, std::size_t word, int W) {
  const uint64_t right = marks.Window<1>(y, word) & marks.Window<2>(y, word);
  const uint64_t below = marks.Window<0>(y + 1, word) & marks.Window<0>(y + 2, word);
  const uint64_t diagonal = marks.Window<1>(y + 1, word) & marks.Window<2>(y + 2, word);
  return marks.Window<0>(y, word) & (right | below | diagonal | MarkTable::Columns(word, W - 1, W - 1)) &
         MarkTable::Columns(word, 1, W - 1);
}

// Whether no run from row y reads a row beyond lastRow: a vertical or diagonal
// run reads row y + k + 1 only when the k marks before it on its line are set.
bool RunsEndBy(const MarkTable& marks, int y, int lastRow, int W) {
  if (y + 2 > lastRow) return false;  // every run looks two rows down
  bool end = true;
  marks.ForEachWord(y, false, [&](std::size_t w) {
    const uint64_t starts = RunStarts(marks, y, w, W);
    if (!end || starts == 0) return;
    uint64_t vertical = starts, diagonal = starts & ~MarkTable::Columns(w, W - 1, W - 1);
    for (int k = 1; y + k <= lastRow && (vertical | diagonal) != 0; ++k) {
      if (k > 63) {  // a run this long is left for when every row is final
        end = false;
        return;
      }
      vertical &= marks.Window<0>(y + k, w);
      diagonal &= marks.WindowAt(y + k, w, k);
    }
    end = (vertical | diagonal) == 0;
  });
  return end;
}

}  // namespace

bool CleanupRow(TgaTables& t, int y, int lastFinalRow) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  MarkTable& marks = t.contrastMask;
  if (lastFinalRow < H && !RunsEndBy(marks, y, lastFinalRow, W)) return false;
  auto marked = [&](int x, int yy) { return marks.Test(x, yy); };
  // A removed mark is cleared and painted blue.
  auto remove = [&](int x, int yy) {
    marks.Clear(x, yy);
    Paint(t, x, yy, 255, 0, 0);
  };
  marks.ForEachWord(y, false, [&](std::size_t w) {
    MarkTable::ForEachColumn(RunStarts(marks, y, w, W), w, [&](int x) {
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
  return true;
}

void PaintRow(TgaTables& t, int y) {
  const MarkTable& marks = t.contrastMask;
  marks.ForEachWord(y, false, [&](std::size_t w) {
    MarkTable::ForEachColumn(marks.Window<0>(y, w), w, [&](int x) { Paint(t, x, y, 0, 0, 255); });
  });
}

void CleanupPass(TgaTables& t, Progress& progress) {
  for (int y = 2; y <= t.tgaHeight - 2; ++y) {
    CleanupRow(t, y, t.tgaHeight);
    progress.AddRow(t.tgaWidth);
  }
}

}  // namespace sq
