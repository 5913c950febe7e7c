// The star detector's passes, its clean-up and exports, its progress and its image writer; and the mark table the
// contrast pass fills.
#include <gtest/gtest.h>

#include <random>

#include "builder/mark_table.h"
#include "tests/tga_kit.h"

using namespace sqtest;

namespace {

using Points = std::vector<std::pair<int, int>>;  // (column, row), in row order

sq::TgaTables Detect(const Picture& pic, const TempDir& dir) {
  sq::TgaTables t = TablesOf(pic);
  sq::NoProgress quiet;
  sq::DiskFolder folder(dir.path());
  sq::StarDetector(t, quiet, "img", folder, {}).Finish();
  return t;
}

Points Stars(const sq::TgaTables& t, std::size_t entry) {
  Points out;
  for (const auto& p : t.starTable[entry].points) out.emplace_back(int(p.x), int(p.y));
  EXPECT_EQ(t.starTable[entry].count, int64_t(out.size()));
  return out;
}

// Pixels where `test` holds, in row order.
template <class Test>
Points Where(int w, int h, Test test) {
  Points out;
  for (int y = 1; y <= h; ++y) {
    for (int x = 1; x <= w; ++x)
      if (test(x, y)) out.emplace_back(x, y);
  }
  return out;
}

template <class Pass>
Points MarksAfter(sq::TgaTables t, Pass pass) {
  sq::NoProgress quiet;
  sq::Progress progress(quiet);
  pass(t, progress);
  return Where(t.tgaWidth, t.tgaHeight, [&](int x, int y) { return t.Marked(x, y); });
}
Points ContrastMarks(const Picture& pic) {
  return MarksAfter(TablesOf(pic), [](sq::TgaTables& t, sq::Progress& p) { sq::ContrastPass(t, p); });
}
// Marks set by hand on a black 60 x 60 image, then the clean-up pass.
Points Cleaned(const Points& marks) {
  sq::TgaTables t = TablesOf(Picture(60, 60));
  for (auto [x, y] : marks) t.contrastMask.Set(x, y);
  return MarksAfter(std::move(t), sq::CleanupPass);
}

// Columns `xs` (each taken once) of rows y0..y1.
Points Block(std::vector<int> xs, int y0, int y1) {
  std::sort(xs.begin(), xs.end());
  return Where(xs.back(), y1, [&](int x, int y) { return y >= y0 && std::find(xs.begin(), xs.end(), x) != xs.end(); });
}
Points Block(int x0, int x1, int y0, int y1) {
  return Where(x1, y1, [&](int x, int y) { return x >= x0 && y >= y0; });
}

}  // namespace

TEST(ContrastPass, DifferenceOf16IsSimilarAnd17ContrastsAndEdgePixelsSeeTheirOwnSideOnly) {
  Picture pic(1024, 512, 40);
  pic.Grey(100, 100, 56);         // 16 in every colour: similar
  pic.Set(300, 100, 57, 57, 56);  // 17, 17 and 16: red is similar
  pic.Grey(500, 100, 57);         // 17 in every colour
  EXPECT_EQ(ContrastMarks(pic), Block(499, 501, 99, 101));
  // At width 20 horizontal and diagonal steps are 31.4: a column 47 brighter is similar, 48 is not (vertically alike).
  Picture narrow(20, 512, 40);
  for (int y = 1; y <= 512; ++y) narrow.Grey(10, y, 87);
  EXPECT_EQ(ContrastMarks(narrow), Points{});
  for (int y = 1; y <= 512; ++y) narrow.Grey(10, y, 88);
  EXPECT_EQ(ContrastMarks(narrow), Block(9, 11, 2, 511));  // rows 1 and H are never marked
  const Picture edges = Picture(1024, 512, 0).Grey(1, 100, 100).Grey(1024, 300, 100).Grey(600, 1, 100);
  Points expected = Block(599, 601, 2, 2);  // a row-1 pixel marks only its neighbours below
  for (auto p : Block(1, 2, 99, 101)) expected.push_back(p);
  for (auto p : Block(1023, 1024, 299, 301)) expected.push_back(p);
  EXPECT_EQ(ContrastMarks(edges), expected);
  TempDir dir;
  for (const auto& entry : Detect(edges, dir).starTable) EXPECT_EQ(entry.count, 0);  // and they are no stars
}

// In the middle, at the edges and across the wrap: the stars of each list (entries 0 to 2) and the block each erases.
TEST(StarDetector, EachTemplateFindsItsStarsAndErasesTheirBlocks) {
  const int W = 1024;
  const Picture dim(W, 512, 10), grey(W, 512, 50);
  auto spot = [](Picture p, int x, int y, uint8_t v = 110) {  // a 2 x 2 spot with one equally bright corner
    return p.Square(x, y, v).Grey(x == 1 ? p.width : x - 1, y - 1, v);
  };
  const std::vector<int> twoSpots = {399, 400, 401, 402, 404, 405, 406, 407};
  Picture ring = Picture(grey).Square(W - 1, 200, 120);
  for (int y = 199; y <= 202; ++y) ring.Grey(1, y, 20);  // column 1, darker than its row, closes the ring
  const struct {
    const char* what;
    Picture pic;
    std::size_t entry;  // the list the stars go to; the others stay empty
    Points stars, black;
  } cases[] = {
      {"single", Picture(dim).Grey(500, 200, 100), 1, {{500, 200}}, Block(498, 502, 198, 202)},
      {"2 x 2", Picture(dim).Square(300, 100, 110), 0, {{300, 100}}, Block(298, 303, 98, 103)},
      // Anchored in row H - 3, the block stops at row H - 1.
      {"2 x 2 low", Picture(64, 40, 10).Square(20, 37, 110), 0, {{20, 37}}, Block(18, 23, 35, 39)},
      // A 2 x 2 spot with one equally bright diagonal neighbour: not brighter than that corner (ring template), no
      // pixel brighter than all around it (single template); the core template takes it. A second spot three columns on
      // is never examined; five columns on, it is found.
      {"spot", spot(dim, 400, 300), 2, {{400, 300}}, Block(399, 402, 299, 302)},
      {"3 on", spot(spot(dim, 400, 300), 403, 300), 2, {{400, 300}}, Block(399, 402, 299, 302)},
      {"5 on", spot(spot(dim, 400, 300), 405, 300), 2, {{400, 300}, {405, 300}}, Block(twoSpots, 299, 302)},
      {"ring, wrapped", ring, 0, {{W - 1, 200}}, Block({W - 3, W - 2, W - 1, W, 1, 2}, 198, 203)},
      // Without column 1 the core template takes it, its right side in column 1.
      {"core wrapped", Picture(grey).Square(W - 1, 200, 120), 2, {{W - 1, 200}}, Block({W - 2, W - 1, W, 1}, 199, 202)},
      // A core across columns W and 1 is examined by no template.
      {"core on the wrap", Picture(grey).Square(W, 200, 120), 0, {}, {}},
      {"single in column 2", Picture(grey).Grey(2, 100, 120), 1, {{2, 100}}, Block({W, 1, 2, 3, 4}, 98, 102)},
      // A core spot in column 1 compares its left side with column W.
      {"spot in column 1", spot(grey, 1, 300, 120), 2, {{1, 300}}, Block({W, 1, 2, 3}, 299, 302)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const sq::TgaTables t = Detect(c.pic, dir);
    for (std::size_t e = 0; e < 3; ++e) EXPECT_EQ(Stars(t, e), e == c.entry ? c.stars : Points{}) << "entry " << e;
    const SavedTga s = ReadSavedTga(dir / "img_filtered.tga");  // the pixels erased are black
    EXPECT_EQ(Where(s.width, s.height, [&](int x, int y) { return s.Colour(x, y, 0, 0, 0); }), c.black);
    const sq::TgaTables before = TablesOf(c.pic);  // erasing leaves the brightness alone
    EXPECT_TRUE(t.intensitySum == before.intensitySum);
    for (const auto& p : t.starTable[c.entry].points) EXPECT_EQ(p.colour, (std::array<uint8_t, 4>{64, 64, 64, 0}));
  }
  TempDir dir;
  EXPECT_EQ(Stars(Detect(spot(grey, 1, 300, 120).Grey(W, 300, 130), dir), 2), Points{});
}

TEST(StarDetector, ProgressCoversFivePassesThenResets) {
  TempDir dir;
  ProgressPlatform platform;
  sq::PlatformProgress bar(platform);
  const int W = 40, H = 30;
  sq::TgaTables t = TablesOf(Picture(W, H, 0));
  sq::DiskFolder folder(dir.path());
  sq::StarDetector(t, bar, "img", folder, {}).Finish();
  int highest = 0;
  for (const auto& [maximum, value] : platform.history) {
    EXPECT_EQ(maximum, 5 * W * H);
    highest = std::max(highest, value);
  }
  // Contrast rows 2..H-1, ring and single rows 3..H-2, core and clean-up rows 2..H-2.
  EXPECT_EQ(highest, W * ((H - 2) + 2 * (H - 4) + 2 * (H - 3)));
  EXPECT_EQ(platform.history.back().second, 0);
  // Maximums beyond an int are scaled, not wrapped.
  platform.history.clear();
  sq::Progress progress(bar);
  progress.Start(int64_t{5} * 32767 * 32767);
  progress.AddRow(int64_t{5} * 32767 * 32767 / 2);
  EXPECT_NEAR(double(platform.history[1].second) / platform.history[1].first, 0.5, 1e-6);
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

TEST(DetectorPipeline, AnUnfinishedImageWriterLeavesNoFile) {
  TempDir dir;
  sq::TgaTables t = TablesOf(Picture(64, 64, 10));
  sq::DiskFolder disk(dir.path());
  sq::MemoryFolder memory;
  for (sq::OutputFolder* folder : {static_cast<sq::OutputFolder*>(&disk), static_cast<sq::OutputFolder*>(&memory)})
    sq::FilteredImageWriter(t, "img", *folder).RowsFinal(30);
  EXPECT_TRUE(FileCount(dir.path()) == 0 && memory.Names().empty());
}

TEST(MarkTable, WindowsAndWordsReadTheMarksAsSet) {
  std::mt19937 random(17);
  for (const int width : {1, 63, 64, 65, 130, 300}) {
    SCOPED_TRACE(width);
    sq::MarkTable marks;
    marks.SizeClear(width, 3);
    std::vector<std::vector<bool>> expected(3, std::vector<bool>(std::size_t(width) + 1));
    for (int k = 0; k < width / 7 + 1; ++k) {
      const int x = 1 + int(random() % unsigned(width)), y = 1 + int(random() % 3);
      marks.Set(x, y);
      expected[std::size_t(y - 1)][std::size_t(x)] = true;
    }
    marks.Clear(1, 2);
    expected[1][1] = false;
    auto markedAt = [&](int x, int y) { return x >= 1 && x <= width && expected[std::size_t(y - 1)][std::size_t(x)]; };
    for (int y = 1; y <= 3; ++y) {
      std::vector<std::size_t> visited;
      marks.ForEachWord(y, true, [&](std::size_t w) { visited.push_back(w); });
      for (std::size_t w = 0; w < marks.WordsPerRow(); ++w) {
        const std::pair<int, uint64_t> windows[] = {{-2, marks.Window<-2>(y, w)}, {-1, marks.Window<-1>(y, w)},
                                                    {0, marks.Window<0>(y, w)},   {1, marks.Window<1>(y, w)},
                                                    {2, marks.Window<2>(y, w)},   {5, marks.WindowAt(y, w, 5)}};
        for (const auto& [shift, window] : windows) {
          for (int j = 0, x = int(w) * 64 + 1; j < 64; ++j, ++x)
            ASSERT_EQ((window >> j) & 1, markedAt(x + shift, y) ? 1u : 0u) << "column " << x << " shift " << shift;
        }
        // Every word that holds a mark, or follows one that does, is visited.
        if (marks.Window<0>(y, w) != 0 || (w > 0 && marks.Window<0>(y, w - 1) != 0)) {
          EXPECT_NE(std::find(visited.begin(), visited.end(), w), visited.end()) << "word " << w;
        }
      }
    }
  }
  EXPECT_EQ(sq::MarkTable::Columns(1, 60, 70), (uint64_t{1} << 6) - 1);  // columns 65 .. 70
  EXPECT_EQ(sq::MarkTable::Columns(0, 64, 64), uint64_t{1} << 63);
  EXPECT_EQ(sq::MarkTable::Columns(2, 1, 100), 0u);
}
