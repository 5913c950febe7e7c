#include <gtest/gtest.h>

#include "builder/modTGA.h"
#include "tests/tga_kit.h"

using namespace sqtest;

namespace {

using Points = std::vector<std::pair<int, int>>;

// Marks set by hand on a black W x H image, then the clean-up pass; returns the
// marks left, in row order.
Points Cleaned(sq::TgaTables& t, const Points& marks) {
  for (auto [x, y] : marks) t.contrastMask.Set(x, y);
  RecordingPlatform platform;
  sq::Progress progress(platform);
  sq::CleanupPass(t, progress);
  Points out;
  for (int y = 1; y <= t.tgaHeight; ++y) {
    for (int x = 1; x <= t.tgaWidth; ++x) {
      if (t.Marked(x, y)) out.emplace_back(x, y);
    }
  }
  return out;
}
Points Cleaned(const Points& marks, int w = 60) {
  sq::TgaTables t = TablesOf(Picture(w, 60));
  return Cleaned(t, marks);
}

bool Painted(const sq::TgaTables& t, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  return t.Byte(x, y, sq::kBlue) == b && t.Byte(x, y, sq::kGreen) == g && t.Byte(x, y, sq::kRed) == r;
}

}  // namespace

TEST(Cleanup, FivePixelLineKeepsItsEndsAndExportsThem) {
  TempDir dir;
  sq::TgaTables t = TablesOf(Picture(100, 100));
  EXPECT_EQ(Cleaned(t, {{10, 50}, {11, 50}, {12, 50}, {13, 50}, {14, 50}}), (Points{{10, 50}, {14, 50}}));
  for (int x = 11; x <= 13; ++x) EXPECT_TRUE(Painted(t, x, 50, 255, 0, 0)) << x;
  sq::PaintRemainingMarks(t);
  EXPECT_TRUE(Painted(t, 10, 50, 0, 0, 255) && Painted(t, 14, 50, 0, 0, 255) && Painted(t, 9, 50, 0, 0, 0));
  EXPECT_TRUE(sq::ExportStars(t, "m", dir.path()).Ok());
  EXPECT_EQ(ReadText(dir / "m_cPts.obj"), "v 10 50 0\r\nv 14 50 0\r\n");
}

TEST(Cleanup, RunsInEachDirection) {
  EXPECT_EQ(Cleaned({{20, 20}, {20, 21}}), (Points{{20, 20}, {20, 21}}));  // a vertical pair stays
  EXPECT_EQ(Cleaned({{20, 20}, {20, 21}, {20, 22}, {20, 23}}), (Points{{20, 20}, {20, 23}}));
  EXPECT_EQ(Cleaned({{10, 20}, {11, 21}, {12, 22}, {13, 23}}), (Points{{10, 20}, {13, 23}}));
  EXPECT_EQ(Cleaned({{5, 57}, {5, 58}, {5, 59}, {5, 60}}), (Points{{5, 57}, {5, 60}}));  // down into row H
  // From column W - 1 the horizontal run and the diagonal run go on in column 1.
  EXPECT_EQ(Cleaned({{59, 30}, {60, 30}, {1, 30}}), (Points{{1, 30}, {59, 30}}));
  EXPECT_EQ(Cleaned({{59, 30}, {60, 31}, {1, 32}}), (Points{{59, 30}, {1, 32}}));
  // Rows 1 and H - 1 hold no start pixels.
  const Points edges = {{10, 1}, {11, 1}, {12, 1}, {10, 59}, {11, 59}, {12, 59}};
  EXPECT_EQ(Cleaned(edges), edges);
}
