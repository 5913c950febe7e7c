// The detector runs its passes interleaved row by row, and the load runs them on
// the rows it has just read. Both must leave exactly what the passes leave run
// one after another over the whole image: the same stars, marks, pixels and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "builder/modTGA.h"
#include "tests/tga_kit.h"

using namespace sqtest;

namespace {

// A sky crowded with everything the passes react to: single pixels, 2 x 2 spots
// with and without a bright corner, blobs, horizontal, vertical and diagonal
// lines (long clean-up runs), over faint noise, across the left and right edges
// and into the first and last rows. Colour bytes stay at most 127.
Picture Busy(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  Picture pic(w, h, 30);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
    if (i % 4 != 3) pic.pixels[i] = static_cast<uint8_t>(26 + random() % 9);
  }
  auto put = [&](int x, int y, uint8_t v) {
    if (y >= 1 && y <= h) pic.Grey((x - 1 + 64 * w) % w + 1, y, v);
  };
  for (int k = 0; k < w * h / 300; ++k) {
    const int x = static_cast<int>(random() % static_cast<unsigned>(w)) + 1;
    const int y = static_cast<int>(random() % static_cast<unsigned>(h)) + 1;
    const auto v = static_cast<uint8_t>(70 + random() % 58);
    const int length = 3 + static_cast<int>(random() % 40);
    const unsigned kind = random() % 7;
    if (kind < 3) {  // a single pixel, a 2 x 2 spot, one with a bright corner
      put(x, y, v);
      if (kind > 0) put(x + 1, y, v), put(x, y + 1, v), put(x + 1, y + 1, v);
      if (kind > 1) put(x - 1, y - 1, v);
    } else if (kind < 6) {  // a horizontal, vertical or diagonal line
      for (int i = 0; i < length; ++i) put(x + (kind == 4 ? 0 : i), y + (kind == 3 ? 0 : i), v);
    } else {  // a blob
      for (int i = 0; i < 9; ++i) put(x + i % 3, y + i / 3, static_cast<uint8_t>(v - 10 * (i % 2)));
    }
  }
  return pic;
}

// The passes one after another, each over the whole image, then the save and the exports.
sq::TgaTables OneByOne(const Picture& pic, const TempDir& dir) {
  sq::TgaTables t = TablesOf(pic);
  RecordingPlatform platform;
  sq::Progress progress(platform);
  sq::ContrastPass(t, progress);
  sq::RingTemplatePass(t, progress);
  sq::SingleTemplatePass(t, progress);
  sq::CoreTemplatePass(t, progress);
  sq::CleanupPass(t, progress);
  sq::PaintRemainingMarks(t);
  EXPECT_TRUE(sq::SaveFilteredImage(t, "img", dir.path()).Ok());
  EXPECT_TRUE(sq::ExportStars(t, "img", dir.path()).Ok());
  return t;
}

void ExpectSame(const sq::TgaTables& got, const sq::TgaTables& want) {
  ASSERT_EQ(std::pair(got.tgaWidth, got.tgaHeight), std::pair(want.tgaWidth, want.tgaHeight));
  EXPECT_TRUE(std::ranges::equal(got.tgaFile, want.tgaFile));
  EXPECT_TRUE(std::ranges::equal(got.intensitySum, want.intensitySum));
  int differing = 0;
  for (int y = 1; y <= want.tgaHeight; ++y) {
    for (int x = 1; x <= want.tgaWidth; ++x) differing += got.Marked(x, y) != want.Marked(x, y);
  }
  EXPECT_EQ(differing, 0);
  auto same = [](const sq::StarPoint& p, const sq::StarPoint& q) {
    return p.x == q.x && p.y == q.y && p.colour == q.colour;
  };
  for (std::size_t e = 0; e < 4; ++e) {
    EXPECT_EQ(got.starTable[e].count, want.starTable[e].count) << "entry " << e;
    EXPECT_TRUE(std::ranges::equal(got.starTable[e].points, want.starTable[e].points, same)) << "entry " << e;
  }
}

void ExpectSameFiles(const TempDir& got, const TempDir& want) {
  for (const char* name :
       {"img_filtered.tga", "img_StrPts0.obj", "img_StrPts1.obj", "img_StrPts2.obj", "img_cPts.obj"}) {
    EXPECT_EQ(ReadText(got / name), ReadText(want / name)) << name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(got.path()), {}), 5);  // no temporary file left behind
}

}  // namespace

TEST(DetectorPipeline, InterleavedPassesAndTheLoadLeaveWhatThePassesOneByOneLeave) {
  // 1024 x 512 has one limit for all neighbours; 700 x 300 and 97 x 60 have
  // larger limits across and down; 64 x 6 is the lowest image examined. The load
  // reads 1200 x 700 in several slices and hands the writing thread several
  // pieces; the bright copy has its first byte above 127 far down, so the passes
  // stop there until the whole image is read and the question answered. More such
  // bytes follow in that pixel, in that row and in the rows below.
  const struct {
    int w, h;
    unsigned seed;
    bool bright;
  } cases[] = {{1024, 512, 1, false}, {700, 300, 2, false},  {97, 60, 1, false},
               {64, 6, 2, false},     {1200, 700, 3, false}, {1200, 700, 3, true}};
  for (const auto& c : cases) {
    Picture pic = Busy(c.w, c.h, c.seed);
    if (c.bright) {
      for (int x = 10; x <= c.w; x += 97) pic.Set(x, 500 + x % 150, 200, 90, 140).Set(x + 2, 500 + x % 150, 20, 131, 9);
    }
    for (const bool answer : {true, false}) {
      if (!c.bright && !answer) continue;
      SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + (c.bright ? " bright" : "") +
                   (answer ? ", Yes" : ", No"));
      Picture filtered = pic;
      if (answer) {
        for (std::size_t i = 0; i < filtered.pixels.size(); ++i) {
          if (i % 4 != 3) filtered.pixels[i] = std::min<uint8_t>(filtered.pixels[i], 127);
        }
      }
      TempDir one, interleaved, loaded;
      const sq::TgaTables want = OneByOne(filtered, one);
      if (c.w * c.h > 5000) {  // the sky is busy enough for stars of every template
        for (std::size_t e = 0; e < 3; ++e) ASSERT_GT(want.starTable[e].count, 0) << "entry " << e;
      }
      sq::TgaTables got = TablesOf(filtered);
      RecordingPlatform platform;
      EXPECT_TRUE(sq::DetectStars(got, "img", interleaved.path(), platform).Ok());
      ExpectSame(got, want);
      ExpectSameFiles(interleaved, one);

      WriteBytes(loaded / "img.tga", pic.File());
      platform.answer = answer;
      const sq::TgaLoadResult r = sq::LoadTargaImage(loaded / "img.tga", loaded.path(), got, platform);
      EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Loaded);
      EXPECT_TRUE(r.outputs.Ok());
      EXPECT_EQ(platform.questions.size(), c.bright ? 1u : 0u);
      ExpectSame(got, want);
      std::filesystem::remove(loaded / "img.tga");
      ExpectSameFiles(loaded, one);
    }
  }
}

TEST(DetectorPipeline, AnUnfinishedImageWriterLeavesNoFile) {
  TempDir dir;
  sq::TgaTables t = TablesOf(Picture(64, 64, 10));
  {
    sq::FilteredImageWriter writer(t, "img", dir.path());
    writer.RowsFinal(30);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
  sq::FilteredImageWriter writer(t, "img", dir.path());
  writer.RowsFinal(64);
  EXPECT_TRUE(writer.Finish().Ok());
  EXPECT_EQ(ReadText(dir / "img_filtered.tga"),
            std::string(reinterpret_cast<const char*>(t.tgaFile.data()), t.tgaFile.size()));
}
