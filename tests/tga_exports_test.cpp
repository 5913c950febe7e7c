#include <gtest/gtest.h>

#include "builder/modTGA.h"
#include "tgakit.h"

using namespace sqtest;

namespace {

// Tables of a black W x H image with the given marks set by hand.
sq::TgaTables Marked(int w, int h, const std::vector<std::pair<int, int>>& marks) {
  sq::TgaTables t = TablesOf(Picture(w, h, 0));
  for (auto [x, y] : marks) t.contrastMask[t.Entry(x, y)] = 1;
  return t;
}

std::vector<std::pair<int, int>> CleanedMarks(sq::TgaTables& t) {
  RecordingPlatform platform;
  sq::Progress progress(platform);
  sq::CleanupPass(t, progress);
  std::vector<std::pair<int, int>> out;
  for (int y = 1; y <= t.tgaHeight; ++y) {
    for (int x = 1; x <= t.tgaWidth; ++x) {
      if (t.Marked(x, y)) out.emplace_back(x, y);
    }
  }
  return out;
}

using Points = std::vector<std::pair<int, int>>;

bool Painted(const sq::TgaTables& t, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  return t.Byte(x, y, sq::kBlue) == b && t.Byte(x, y, sq::kGreen) == g && t.Byte(x, y, sq::kRed) == r;
}

}  // namespace

TEST(Cleanup, FivePixelLineKeepsItsEndsAndExportsThem) {
  TempDir dir;
  sq::TgaTables t = Marked(100, 100, {{10, 50}, {11, 50}, {12, 50}, {13, 50}, {14, 50}});
  EXPECT_EQ(CleanedMarks(t), (Points{{10, 50}, {14, 50}}));
  for (int x = 11; x <= 13; ++x) EXPECT_TRUE(Painted(t, x, 50, 255, 0, 0)) << x;
  sq::PaintRemainingMarks(t);
  EXPECT_TRUE(Painted(t, 10, 50, 0, 0, 255));
  EXPECT_TRUE(Painted(t, 14, 50, 0, 0, 255));
  EXPECT_TRUE(Painted(t, 9, 50, 0, 0, 0));
  EXPECT_TRUE(sq::ExportStars(t, "m", dir.path()).Ok());
  EXPECT_EQ(ReadText(dir / "m_cPts.obj"), "v 10 50 0\r\nv 14 50 0\r\n");
  for (const char* name : {"m_StrPts0.obj", "m_StrPts1.obj", "m_StrPts2.obj"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;  // created though empty
    EXPECT_EQ(ReadText(dir / name), "");
  }
  // The files are appended to: a second export repeats the lines.
  EXPECT_TRUE(sq::ExportStars(t, "m", dir.path()).Ok());
  EXPECT_EQ(ParseObj(ReadText(dir / "m_cPts.obj")).size(), 4u);
}

TEST(Cleanup, RunsInEachDirection) {
  // A vertical pair stays whole; a vertical run of four keeps its ends.
  sq::TgaTables pair = Marked(60, 60, {{20, 20}, {20, 21}});
  EXPECT_EQ(CleanedMarks(pair), (Points{{20, 20}, {20, 21}}));
  sq::PaintRemainingMarks(pair);
  EXPECT_TRUE(Painted(pair, 20, 20, 0, 0, 255));
  EXPECT_TRUE(Painted(pair, 20, 21, 0, 0, 255));

  sq::TgaTables vertical = Marked(60, 60, {{20, 20}, {20, 21}, {20, 22}, {20, 23}});
  EXPECT_EQ(CleanedMarks(vertical), (Points{{20, 20}, {20, 23}}));

  sq::TgaTables diagonal = Marked(60, 60, {{10, 20}, {11, 21}, {12, 22}, {13, 23}});
  EXPECT_EQ(CleanedMarks(diagonal), (Points{{10, 20}, {13, 23}}));

  // A vertical run reaches down into row H.
  sq::TgaTables bottom = Marked(60, 60, {{5, 57}, {5, 58}, {5, 59}, {5, 60}});
  EXPECT_EQ(CleanedMarks(bottom), (Points{{5, 57}, {5, 60}}));

  // Starts in column W - 1 wrap: the horizontal run to column 1 and the
  // diagonal run to column 1 two rows down.
  const int W = 60;
  sq::TgaTables wrapH = Marked(W, 60, {{W - 1, 30}, {W, 30}, {1, 30}});
  EXPECT_EQ(CleanedMarks(wrapH), (Points{{1, 30}, {W - 1, 30}}));
  EXPECT_TRUE(Painted(wrapH, W, 30, 255, 0, 0));
  sq::TgaTables wrapD = Marked(W, 60, {{W - 1, 30}, {W, 31}, {1, 32}});
  EXPECT_EQ(CleanedMarks(wrapD), (Points{{W - 1, 30}, {1, 32}}));

  // Rows 1 and H - 1 are not start rows.
  sq::TgaTables edges = Marked(60, 60, {{10, 1}, {11, 1}, {12, 1}, {10, 59}, {11, 59}, {12, 59}});
  EXPECT_EQ(CleanedMarks(edges), (Points{{10, 1}, {11, 1}, {12, 1}, {10, 59}, {11, 59}, {12, 59}}));
}

TEST(StarExports, SingleStarImageEndToEnd) {
  TempDir dir;
  Picture pic(1024, 512, 0);
  pic.Grey(500, 200, 100);
  // A horizontal streak leaves marks that no template takes.
  for (int x = 100; x <= 119; ++x) pic.Grey(x, 400, 100);
  sq::TgaTables t = TablesOf(pic);
  RecordingPlatform platform;
  const sq::OutputReport report = sq::DetectStars(t, "sky", dir.path(), platform);
  EXPECT_TRUE(report.Ok());
  EXPECT_EQ(report.written.size(), 5u);
  EXPECT_TRUE(platform.messages.empty());

  EXPECT_EQ(ReadText(dir / "sky_StrPts1.obj"), "v 500 200 0\r\n");
  EXPECT_EQ(ReadText(dir / "sky_StrPts0.obj"), "");
  EXPECT_EQ(ReadText(dir / "sky_StrPts2.obj"), "");

  // The streak marks rows 399 to 401, columns 99 to 120. The clean-up keeps the
  // ends of the runs: the corners, and in row 400 the mark behind the two the
  // vertical and diagonal runs from (99, 399) removed, and the one before the
  // mark the vertical run from (120, 399) removed.
  const auto marks = ParseObj(ReadText(dir / "sky_cPts.obj"));
  EXPECT_EQ(marks, (std::vector<Vertex>{{99, 399, 0}, {120, 399, 0}, {101, 400, 0}, {119, 400, 0}, {99, 401, 0}, {120, 401, 0}}));
  const SavedTga saved = ReadSavedTga(dir / "sky_filtered.tga");
  EXPECT_EQ(saved.fileSize, 18u + 4 * 1024 * 512 + 18);
  EXPECT_EQ(saved.width, 1024);
  EXPECT_EQ(saved.height, 512);
  EXPECT_TRUE(saved.AllAlphaOne());
  int red = 0;
  for (int y = 1; y <= 512; ++y) {
    for (int x = 1; x <= 1024; ++x) red += saved.Colour(x, y, 0, 0, 255);
  }
  EXPECT_EQ(red, static_cast<int>(marks.size()));
  for (const Vertex& v : marks) {
    EXPECT_TRUE(saved.Colour(static_cast<int>(v.x), static_cast<int>(v.y), 0, 0, 255)) << v.x << "," << v.y;
    EXPECT_EQ(v.z, 0);
    EXPECT_GE(v.y, 399);
    EXPECT_LE(v.y, 401);
  }
  // The star's 5 x 5 block is black; the star's marks were erased with it.
  for (int y = 198; y <= 202; ++y) {
    for (int x = 498; x <= 502; ++x) EXPECT_TRUE(saved.Colour(x, y, 0, 0, 0));
  }
  EXPECT_TRUE(saved.Colour(497, 200, 0, 0, 0));  // background
  EXPECT_TRUE(saved.Colour(110, 400, 255, 0, 0));  // a removed mark inside the streak
}

TEST(StarExports, UnwritableFolderIsReportedPerFile) {
  TempDir dir;
  sq::TgaTables t = TablesOf(Picture(20, 20, 0).Grey(10, 10, 100));
  RecordingPlatform platform;
  const sq::OutputReport report = sq::DetectStars(t, "x", dir / "missing", platform);
  EXPECT_EQ(report.errors.size(), 5u);
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(t.starTable[1].count, 1);  // the detector itself ran
}
