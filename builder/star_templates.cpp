// The three star templates. Each pass sweeps its rows and columns in increasing
// order; a match records the star and erases its surroundings at once, so later
// candidates see the erased state. Columns wrap around the image's left and
// right edges; rows never do. Brightness comparisons use intensitySum, which the
// erasing leaves alone, and are strict.
#include <cstring>

#include "builder/star_detector.h"

namespace sq {

namespace {

class Field {
 public:
  explicit Field(TgaTables& t) : t_(t), W(t.tgaWidth), H(t.tgaHeight) {}

  // Column 0 is column W, column W + 1 is column 1 (and so on, one width away).
  int Col(int x) const { return x < 1 ? x + W : (x > W ? x - W : x); }
  bool M(int x, int y) const { return t_.contrastMask[t_.Entry(Col(x), y)] != 0; }
  int I(int x, int y) const { return t_.intensitySum[t_.Entry(Col(x), y)]; }

  // Clears the mask and blackens blue, green and red (alpha stays) in columns
  // x0..x1 and rows y0..y1.
  void Erase(int x0, int x1, int y0, int y1) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const std::size_t e = t_.Entry(Col(x), y);
        t_.contrastMask[e] = 0;
        uint8_t* p = t_.PixelData() + e * 4;
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

// The first column c >= from (up to `to`) whose mark in row y is set, or to + 1.
// Columns from..to lie inside the image. Most of a sky is unmarked, so the
// templates skip ahead to the next mark their first test needs, eight marks at a time.
int NextMarked(const TgaTables& t, int from, int to, int y) {
  const uint8_t* row = t.contrastMask.data() + t.Entry(1, y);
  int c = from;
  for (; c + 7 <= to; c += 8) {
    uint64_t eight;
    std::memcpy(&eight, row + c - 1, sizeof eight);
    if (eight != 0) break;
  }
  while (c <= to && row[c - 1] == 0) ++c;
  return c;
}

}  // namespace

void RingTemplatePass(TgaTables& t, Progress& progress) {
  Field f(t);
  for (int y = 3; y <= f.H - 2; ++y) {
    for (int x = 2; x <= f.W - 1; ++x) {
      x = NextMarked(t, x - 1, f.W - 2, y - 1) + 1;  // the ring's top-left mark
      if (x > f.W - 1) break;
      if (!RingMarked(f, x, y) || !CoreBrighter(f, x, y, true)) continue;
      f.Record(0, x, y);
      f.Erase(x - 2, x + 3, y - 2, y + 3 >= f.H ? y + 2 : y + 3);
      // The sweep goes on at x + 1, the next column anyway.
    }
    progress.AddRow(f.W);
  }
}

void SingleTemplatePass(TgaTables& t, Progress& progress) {
  Field f(t);
  for (int y = 3; y <= f.H - 2; ++y) {
    for (int x = 2; x <= f.W - 1; ++x) {
      x = NextMarked(t, x - 1, f.W - 2, y - 1) + 1;  // the top-left neighbour's mark, tested first
      if (x > f.W - 1) break;
      bool match = true;
      const int centre = f.I(x, y);
      for (int dy = -1; dy <= 1 && match; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          if (!f.M(x + dx, y + dy) || !(centre > f.I(x + dx, y + dy))) {
            match = false;
            break;
          }
        }
      }
      if (!match) continue;
      f.Record(1, x, y);
      f.Erase(x - 2, x + 2, y - 2, y + 2);
      x += 3;  // the sweep goes on at x + 4
    }
    progress.AddRow(f.W);
  }
}

void CoreTemplatePass(TgaTables& t, Progress& progress) {
  Field f(t);
  for (int y = 2; y <= f.H - 2; ++y) {
    for (int x = 1; x <= f.W - 1; ++x) {
      x = NextMarked(t, x, f.W - 1, y);
      if (x > f.W - 1) break;
      if (!(f.M(x, y) && f.M(x + 1, y) && f.M(x, y + 1) && f.M(x + 1, y + 1))) continue;
      if (!CoreBrighter(f, x, y, false)) continue;
      f.Record(2, x, y);
      f.Erase(x - 1, x + 2, y - 1, y + 2);
      x += 4;  // the sweep goes on at x + 5
    }
    progress.AddRow(f.W);
  }
}

}  // namespace sq
