// The three star templates. Each pass sweeps its rows and columns in increasing
// order; a match records the star and erases its surroundings at once, so later
// candidates see the erased state. Columns wrap around the image's left and
// right edges; rows never do. Brightness comparisons use intensitySum, which the
// erasing leaves alone, and are strict.
#include "builder/star_detector.h"

namespace sq {

namespace {

class Field {
 public:
  Field(TgaTables& t, StarErase erase)
      : t_(t), marks_(t.contrastMask), blacken_(erase == StarErase::Blacken), W(t.tgaWidth), H(t.tgaHeight) {}

  // Column 0 is column W, column W + 1 is column 1 (and so on, one width away).
  int Col(int x) const { return x < 1 ? x + W : (x > W ? x - W : x); }
  bool M(int x, int y) const { return marks_.Test(Col(x), y); }
  int I(int x, int y) const { return t_.intensitySum[t_.Entry(Col(x), y)]; }

  // Clears the marks and, when blackening, blue, green and red (alpha stays) in
  // columns x0..x1 and rows y0..y1.
  void Erase(int x0, int x1, int y0, int y1) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        marks_.Clear(Col(x), y);
        if (!blacken_) continue;
        uint8_t* p = t_.Pixel(Col(x), y);
        p[kBlue] = p[kGreen] = p[kRed] = 0;
      }
    }
  }

  void Record(std::size_t entry, int x, int y) {
    StarList& list = t_.starTable[entry];
    StarPoint point;
    point.x = static_cast<float>(x);
    point.y = static_cast<float>(y);
    point.colour = {64, 64, 64, 0};
    list.points.push_back(point);
    list.count = static_cast<int64_t>(list.points.size());
  }

 private:
  TgaTables& t_;
  MarkTable& marks_;
  bool blacken_;

 public:
  const int W, H;
};

// Every cell of the 4 x 4 block from (x - 1, y - 1) to (x + 2, y + 2) except its
// 2 x 2 core is marked.
bool RingMarked(const Field& f, int x, int y) {
  for (int dy = -1; dy <= 2; ++dy) {
    for (int dx = -1; dx <= 2; ++dx) {
      const bool core = (dx == 0 || dx == 1) && (dy == 0 || dy == 1);
      if (!core && !f.M(x + dx, y + dy)) return false;
    }
  }
  return true;
}

// Each core pixel of the 2 x 2 core at (x, y) brighter than its outside
// neighbours: the two side neighbours, and the diagonal one when `diagonals`.
bool CoreBrighter(const Field& f, int x, int y, bool diagonals) {
  const int a = f.I(x, y), b = f.I(x + 1, y), c = f.I(x, y + 1), d = f.I(x + 1, y + 1);
  if (!(a > f.I(x - 1, y) && a > f.I(x, y - 1))) return false;
  if (!(b > f.I(x + 2, y) && b > f.I(x + 1, y - 1))) return false;
  if (!(c > f.I(x - 1, y + 1) && c > f.I(x, y + 2))) return false;
  if (!(d > f.I(x + 2, y + 1) && d > f.I(x + 1, y + 2))) return false;
  if (!diagonals) return true;
  return a > f.I(x - 1, y - 1) && b > f.I(x + 2, y - 1) && c > f.I(x - 1, y + 2) && d > f.I(x + 2, y + 2);
}

// Which pixels are brighter than a row neighbour, 64 columns at a time.
class Brightness {
 public:
  explicit Brightness(const TgaTables& t) : t_(t) {}
  // Bit j: column 64 * word + j + 1 + offset of row y is brighter than its left
  // (side -1) or right (side 1) neighbour, columns wrapping around.
  uint64_t Bits(int y, std::size_t word, int offset, int side) const {
    return BrighterBits(t_.intensitySum.data() + t_.Entry(1, y), static_cast<std::size_t>(t_.tgaWidth),
                        word * 64 + static_cast<std::size_t>(offset), side);
  }
  // Of `candidates`, the cores at column x (columns x and x + 1 of rows y and
  // y + 1) whose left pixels are brighter than their left neighbours and whose
  // right ones than their right; the rows are read only while some are left.
  uint64_t CoreAgainstSides(uint64_t candidates, int y, std::size_t word) const {
    if (candidates != 0) candidates &= Bits(y, word, 0, -1);
    if (candidates != 0) candidates &= Bits(y, word, 1, 1);
    if (candidates != 0) candidates &= Bits(y + 1, word, 0, -1);
    if (candidates != 0) candidates &= Bits(y + 1, word, 1, 1);
    return candidates;
  }

 private:
  const TgaTables& t_;
};

}  // namespace

// Each row of a pass takes, 64 columns at a time, the columns whose marks fit
// its template as far as bit operations can tell without wrapping around the
// edges (a superset of the matches), and examines those columns in increasing
// order exactly as a sweep over every column would: a column left out could
// not have matched. Marks are cleared as the pass goes, so each word of
// candidates is taken from the marks as they stand when the sweep reaches it.

void RingTemplateRow(TgaTables& t, int y, StarErase erase) {
  Field f(t, erase);
  const Brightness brighter(t);
  const MarkTable& marks = t.contrastMask;
  auto word = [&](std::size_t w) {
    // Core at column x: rows y - 1 and y + 2 marked from x - 1 to x + 2, rows
    // y and y + 1 at x - 1 and x + 2. Only core column W - 1's ring wraps (to column 1).
    const uint64_t wraps = MarkTable::Columns(w, f.W - 1, f.W - 1);
    auto across = [&](int row) {
      return marks.Window<-1>(row, w) & marks.Window<0>(row, w) & marks.Window<1>(row, w) & marks.Window<2>(row, w);
    };
    auto sides = [&](int row) { return marks.Window<-1>(row, w) & marks.Window<2>(row, w); };
    uint64_t candidates = (across(y - 1) & sides(y) & sides(y + 1) & across(y + 2)) | wraps;
    candidates = brighter.CoreAgainstSides(candidates, y, w);
    MarkTable::ForEachColumn(candidates & MarkTable::Columns(w, 2, f.W - 1), w, [&](int x) {
      if (!RingMarked(f, x, y) || !CoreBrighter(f, x, y, true)) return;
      f.Record(0, x, y);
      f.Erase(x - 2, x + 3, y - 2, y + 3 >= f.H ? y + 2 : y + 3);
      // The sweep goes on at x + 1, the next column anyway.
    });
  };
  // Every candidate, the wrapping one too, needs a mark at x - 1 in row y - 1.
  marks.ForEachWord(y - 1, true, word);
}

void SingleTemplateRow(TgaTables& t, int y, StarErase erase) {
  Field f(t, erase);
  const Brightness brighter(t);
  const MarkTable& marks = t.contrastMask;
  int next = 2;  // the first column the sweep still examines
  // Centre at column x: its eight neighbours marked (none wraps: x runs from 2 to
  // W - 1); the words with a mark at x - 1 in row y - 1.
  marks.ForEachWord(y - 1, true, [&](std::size_t w) {
    auto across = [&](int row) { return marks.Window<-1>(row, w) & marks.Window<0>(row, w) & marks.Window<1>(row, w); };
    uint64_t candidates = across(y - 1) & marks.Window<-1>(y, w) & marks.Window<1>(y, w) & across(y + 1);
    if (candidates != 0) candidates &= brighter.Bits(y, w, 0, -1);
    if (candidates != 0) candidates &= brighter.Bits(y, w, 0, 1);
    MarkTable::ForEachColumn(candidates & MarkTable::Columns(w, 2, f.W - 1), w, [&](int x) {
      if (x < next) return;
      const int centre = f.I(x, y);
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          if (!f.M(x + dx, y + dy) || !(centre > f.I(x + dx, y + dy))) return;
        }
      }
      f.Record(1, x, y);
      f.Erase(x - 2, x + 2, y - 2, y + 2);
      next = x + 4;
    });
  });
}

void CoreTemplateRow(TgaTables& t, int y, StarErase erase) {
  Field f(t, erase);
  const Brightness brighter(t);
  const MarkTable& marks = t.contrastMask;
  int next = 1;
  // Core at column x: x and x + 1 marked in rows y and y + 1 (x + 1 <= W: no wrap).
  marks.ForEachWord(y, false, [&](std::size_t w) {
    auto pair = [&](int row) { return marks.Window<0>(row, w) & marks.Window<1>(row, w); };
    uint64_t candidates = pair(y) & pair(y + 1);
    candidates = brighter.CoreAgainstSides(candidates, y, w);
    MarkTable::ForEachColumn(candidates & MarkTable::Columns(w, 1, f.W - 1), w, [&](int x) {
      if (x < next) return;
      if (!(f.M(x, y) && f.M(x + 1, y) && f.M(x, y + 1) && f.M(x + 1, y + 1))) return;
      if (!CoreBrighter(f, x, y, false)) return;
      f.Record(2, x, y);
      f.Erase(x - 1, x + 2, y - 1, y + 2);
      next = x + 5;
    });
  });
}

namespace {

template <class Row>
void Pass(TgaTables& t, Progress& progress, int firstRow, Row row, StarErase erase) {
  for (int y = firstRow; y <= t.tgaHeight - 2; ++y) {
    row(t, y, erase);
    progress.AddRow(t.tgaWidth);
  }
}

}  // namespace

void RingTemplatePass(TgaTables& t, Progress& progress, StarErase erase) {
  Pass(t, progress, 3, RingTemplateRow, erase);
}
void SingleTemplatePass(TgaTables& t, Progress& progress, StarErase erase) {
  Pass(t, progress, 3, SingleTemplateRow, erase);
}
void CoreTemplatePass(TgaTables& t, Progress& progress, StarErase erase) {
  Pass(t, progress, 2, CoreTemplateRow, erase);
}

}  // namespace sq
