#include <gtest/gtest.h>

#include "builder/modTGA.h"
#include "tgakit.h"

using namespace sqtest;

namespace {

// The whole detector on an image held in memory, its files in `dir`.
sq::TgaTables Detect(const Picture& pic, const TempDir& dir, sq::Platform& platform) {
  sq::TgaTables t = TablesOf(pic);
  sq::DetectStars(t, "img", dir.path(), platform);
  return t;
}

sq::TgaTables Detect(const Picture& pic, const TempDir& dir) {
  RecordingPlatform platform;
  return Detect(pic, dir, platform);
}

std::vector<std::pair<int, int>> Stars(const sq::TgaTables& t, std::size_t entry) {
  std::vector<std::pair<int, int>> out;
  for (const auto& p : t.starTable[entry].points) out.emplace_back(static_cast<int>(p.x), static_cast<int>(p.y));
  EXPECT_EQ(t.starTable[entry].count, static_cast<int64_t>(out.size()));
  return out;
}

using Stars_ = std::vector<std::pair<int, int>>;

// Marked pixels after the contrast pass alone.
std::vector<std::pair<int, int>> Marks(const sq::TgaTables& t) {
  std::vector<std::pair<int, int>> out;
  for (int y = 1; y <= t.tgaHeight; ++y) {
    for (int x = 1; x <= t.tgaWidth; ++x) {
      if (t.Marked(x, y)) out.emplace_back(x, y);
    }
  }
  return out;
}

std::vector<std::pair<int, int>> ContrastMarks(const Picture& pic) {
  sq::TgaTables t = TablesOf(pic);
  RecordingPlatform platform;
  sq::Progress progress(platform);
  sq::ContrastPass(t, progress);
  return Marks(t);
}

std::vector<std::pair<int, int>> Block(int x0, int x1, int y0, int y1) {
  std::vector<std::pair<int, int>> out;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) out.emplace_back(x, y);
  }
  return out;
}

// Pixels of the saved image that are black, as (column, row), in row order.
std::vector<std::pair<int, int>> BlackPixels(const SavedTga& saved) {
  std::vector<std::pair<int, int>> out;
  for (int y = 1; y <= saved.height; ++y) {
    for (int x = 1; x <= saved.width; ++x) {
      if (saved.Colour(x, y, 0, 0, 0)) out.emplace_back(x, y);
    }
  }
  return out;
}

}  // namespace

TEST(NeighbourSteps, RecommendedSize) {
  const auto s = sq::NeighbourSteps(1024, 512);
  EXPECT_NEAR(s[0], 0.6136, 1e-4);
  EXPECT_NEAR(s[1], 0.6136, 1e-4);
  EXPECT_NEAR(s[2], 0.8678, 1e-4);
}

TEST(ContrastPass, DifferenceOf16IsSimilarAnd17Contrasts) {
  Picture pic(1024, 512, 40);
  pic.Grey(100, 100, 56);                // 16 in every colour: similar
  pic.Set(300, 100, 57, 57, 56);         // 17, 17 and 16: red is similar
  pic.Grey(500, 100, 57);                // 17 in every colour
  EXPECT_EQ(ContrastMarks(pic), Block(499, 501, 99, 101));

  // On a narrow image the horizontal and diagonal steps are large (31.4 for a
  // width of 20), so a difference of 47 from a whole column is still similar
  // and 48 is not; the vertical step stays small, but a whole column has no
  // vertical differences.
  Picture narrow(20, 512, 40);
  for (int y = 1; y <= 512; ++y) narrow.Grey(10, y, 87);
  EXPECT_EQ(ContrastMarks(narrow), Stars_{});
  for (int y = 1; y <= 512; ++y) narrow.Grey(10, y, 88);
  EXPECT_EQ(ContrastMarks(narrow), Block(9, 11, 2, 511));  // rows 1 and H are never marked
}

TEST(ContrastPass, EdgeColumnsSeeFiveNeighboursAndDoNotWrap) {
  Picture pic(1024, 512, 0);
  pic.Grey(1, 100, 100).Grey(1024, 300, 100).Grey(600, 1, 100).Grey(700, 512, 100);
  Stars_ expected = Block(1, 2, 99, 101);
  for (auto p : Block(1023, 1024, 299, 301)) expected.push_back(p);
  // Rows 1 and H are never marked; their neighbours in rows 2 and H - 1 are.
  for (auto p : Block(599, 601, 2, 2)) expected.push_back(p);
  for (auto p : Block(699, 701, 511, 511)) expected.push_back(p);
  std::sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
  EXPECT_EQ(ContrastMarks(pic), expected);

  // None of them is a star: pass 3 never looks at columns 1 and W or rows 1 and H.
  TempDir dir;
  const sq::TgaTables t = Detect(pic, dir);
  for (std::size_t e = 0; e < 4; ++e) EXPECT_EQ(t.starTable[e].count, 0) << e;
}

TEST(DetectStars, SingleStar) {
  TempDir dir;
  Picture pic(1024, 512, 0);
  pic.Grey(500, 200, 100);
  const sq::TgaTables t = Detect(pic, dir);
  EXPECT_EQ(Stars(t, 0), Stars_{});
  EXPECT_EQ(Stars(t, 1), (Stars_{{500, 200}}));
  EXPECT_EQ(Stars(t, 2), Stars_{});
  EXPECT_EQ(t.starTable[3].count, 0);
  const sq::StarPoint& p = t.starTable[1].points[0];
  EXPECT_EQ(p.colour, (std::array<uint8_t, 4>{64, 64, 64, 0}));
  EXPECT_EQ(p.reserved, 0u);
  EXPECT_EQ(Marks(t), Stars_{});
  EXPECT_EQ(t.intensitySum[t.Entry(500, 200)], 300);  // erasing leaves the brightness alone
}

TEST(DetectStars, TwoByTwoStarErasesItsSixBySixBlock) {
  TempDir dir;
  Picture pic(1024, 512, 10);
  pic.Square(300, 100, 110);
  const sq::TgaTables t = Detect(pic, dir);
  EXPECT_EQ(Stars(t, 0), (Stars_{{300, 100}}));
  EXPECT_EQ(Stars(t, 1), Stars_{});
  EXPECT_EQ(Stars(t, 2), Stars_{});
  EXPECT_EQ(BlackPixels(ReadSavedTga(dir / "img_filtered.tga")), Block(298, 303, 98, 103));
}

TEST(DetectStars, ErasedBlockStopsAboveTheLastRow) {
  // Anchor in row H - 3: y + 3 would be row H, so only rows y - 2 .. y + 2.
  TempDir dir;
  Picture pic(64, 40, 10);
  pic.Square(20, 37, 110);
  EXPECT_EQ(Stars(Detect(pic, dir), 0), (Stars_{{20, 37}}));
  EXPECT_EQ(BlackPixels(ReadSavedTga(dir / "img_filtered.tga")), Block(18, 23, 35, 39));
  // One row higher the whole block goes.
  TempDir dir2;
  Picture pic2(64, 40, 10);
  pic2.Square(20, 36, 110);
  EXPECT_EQ(Stars(Detect(pic2, dir2), 0), (Stars_{{20, 36}}));
  EXPECT_EQ(BlackPixels(ReadSavedTga(dir2 / "img_filtered.tga")), Block(18, 23, 34, 39));
}

TEST(DetectStars, CoreSpotGoesToTheThirdPass) {
  // A 2 x 2 spot with one equally bright diagonal neighbour: the ring template
  // fails (a core pixel is not brighter than that corner), the single template
  // fails (no pixel is brighter than all around it), the core template takes it.
  TempDir dir;
  Picture pic(1024, 512, 10);
  pic.Square(400, 300, 110).Grey(399, 299, 110);
  const sq::TgaTables t = Detect(pic, dir);
  EXPECT_EQ(Stars(t, 0), Stars_{});
  EXPECT_EQ(Stars(t, 1), Stars_{});
  EXPECT_EQ(Stars(t, 2), (Stars_{{400, 300}}));
  const auto black = BlackPixels(ReadSavedTga(dir / "img_filtered.tga"));
  EXPECT_EQ(black, Block(399, 402, 299, 302));
}

TEST(DetectStars, CoreTemplateSkipsFourColumnsAfterAStar) {
  // Two core spots side by side; the second starts three columns after the
  // first and is never examined. Five columns after, it is found.
  for (const int gap : {3, 5}) {
    SCOPED_TRACE(gap);
    TempDir dir;
    Picture pic(1024, 512, 10);
    pic.Square(400, 300, 110).Grey(399, 299, 110);
    pic.Square(400 + gap, 300, 110).Grey(399 + gap, 299, 110);
    const sq::TgaTables t = Detect(pic, dir);
    EXPECT_EQ(Stars(t, 0), Stars_{});
    EXPECT_EQ(Stars(t, 1), Stars_{});
    if (gap == 3) {
      EXPECT_EQ(Stars(t, 2), (Stars_{{400, 300}}));
    } else {
      EXPECT_EQ(Stars(t, 2), (Stars_{{400, 300}, {405, 300}}));
    }
  }
}

TEST(DetectStars, ColumnsWrapInTheTemplates) {
  const int W = 1024;
  {
    // Core in columns W - 1 and W; the ring's right column is column 1, which is
    // marked because it is darker than its own neighbours.
    TempDir dir;
    Picture pic(W, 512, 50);
    pic.Square(W - 1, 200, 120);
    for (int y = 199; y <= 202; ++y) pic.Grey(1, y, 20);
    const sq::TgaTables t = Detect(pic, dir);
    EXPECT_EQ(Stars(t, 0), (Stars_{{W - 1, 200}}));
    const auto black = BlackPixels(ReadSavedTga(dir / "img_filtered.tga"));
    Stars_ expected;
    for (int y = 198; y <= 203; ++y) {
      for (int x : {1, 2, W - 3, W - 2, W - 1, W}) expected.emplace_back(x, y);
    }
    std::sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
    EXPECT_EQ(black, expected);
  }
  {
    // Without the dark column 1 the ring is not whole; the core template takes
    // the spot, comparing its right side with column 1 and erasing column 1.
    TempDir dir;
    Picture pic(W, 512, 50);
    pic.Square(W - 1, 200, 120);
    const sq::TgaTables t = Detect(pic, dir);
    EXPECT_EQ(Stars(t, 0), Stars_{});
    EXPECT_EQ(Stars(t, 2), (Stars_{{W - 1, 200}}));
    Stars_ expected;
    for (int y = 199; y <= 202; ++y) {
      for (int x : {1, W - 2, W - 1, W}) expected.emplace_back(x, y);
    }
    EXPECT_EQ(BlackPixels(ReadSavedTga(dir / "img_filtered.tga")), expected);
  }
  {
    // A core across columns W and 1 is examined by no template.
    TempDir dir;
    Picture pic(W, 512, 50);
    pic.Grey(W, 200, 120).Grey(1, 200, 120).Grey(W, 201, 120).Grey(1, 201, 120);
    const sq::TgaTables t = Detect(pic, dir);
    for (std::size_t e = 0; e < 3; ++e) EXPECT_EQ(t.starTable[e].count, 0);
  }
  {
    // A single-pixel star in column 2 erases columns W, 1 .. 4.
    TempDir dir;
    Picture pic(W, 512, 50);
    pic.Grey(2, 100, 120);
    const sq::TgaTables t = Detect(pic, dir);
    EXPECT_EQ(Stars(t, 1), (Stars_{{2, 100}}));
    const auto black = BlackPixels(ReadSavedTga(dir / "img_filtered.tga"));
    Stars_ expected;
    for (int y = 98; y <= 102; ++y) {
      for (int x : {1, 2, 3, 4, W}) expected.emplace_back(x, y);
    }
    EXPECT_EQ(black, expected);
  }
  {
    // A core spot anchored in column 1 compares its left side with column W.
    TempDir dir;
    Picture pic(W, 512, 50);
    pic.Square(1, 300, 120).Grey(W, 299, 120);
    const sq::TgaTables t = Detect(pic, dir);
    EXPECT_EQ(Stars(t, 2), (Stars_{{1, 300}}));
    pic.Grey(W, 300, 130);  // column W brighter than the core's left pixel
    TempDir dir2;
    EXPECT_EQ(Stars(Detect(pic, dir2), 2), Stars_{});
  }
}

TEST(DetectStars, ProgressCoversFivePassesThenResets) {
  TempDir dir;
  Picture pic(40, 30, 0);
  ProgressPlatform platform;
  Detect(pic, dir, platform);
  ASSERT_FALSE(platform.history.empty());
  const int W = 40, H = 30;
  EXPECT_EQ(platform.history.front(), std::make_pair(5 * W * H, 0));
  int highest = 0;
  for (const auto& [maximum, value] : platform.history) {
    EXPECT_EQ(maximum, 5 * W * H);
    highest = std::max(highest, value);
  }
  // Contrast rows 2..H-1, ring and single rows 3..H-2, core and clean-up rows 2..H-2.
  EXPECT_EQ(highest, W * ((H - 2) + 2 * (H - 4) + 2 * (H - 3)));
  EXPECT_EQ(platform.history.back().second, 0);
  EXPECT_EQ(platform.events, (H - 2) + 2 * (H - 4) + 2 * (H - 3));
}

TEST(Progress, HugeMaximumsAreScaledIntoRange) {
  ProgressPlatform platform;
  sq::Progress progress(platform);
  const int64_t maximum = int64_t{5} * 32767 * 32767;
  progress.Start(maximum);
  progress.AddRow(maximum / 2);
  ASSERT_EQ(platform.history.size(), 2u);
  EXPECT_GT(platform.history[1].first, 0);
  EXPECT_NEAR(static_cast<double>(platform.history[1].second) / platform.history[1].first, 0.5, 1e-6);
}
