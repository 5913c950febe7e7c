// `starquill preview FILE.hod --screenshot OUT.png` and `starquill
// build-background ... --screenshot OUT.png`, run as programs.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/sky_kit.h"
#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

const std::filesystem::path kSample = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod";

// `starquill preview` of the bundled sample into `png`, with the screen scale and options given.
ProcessResult Shoot(const TempDir& dir, const std::filesystem::path& png, const std::string& scale,
                    std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"QT_SCALE_FACTOR=" + scale, STARQUILL_EXE, "preview", kSample.string()};
  args.insert(args.end(), {"--screenshot", png.string(), "--size", "320x1100"});
  args.insert(args.end(), more.begin(), more.end());
  return RunProgram("env", args, dir.path());
}

}  // namespace

// The picture is never shown: taller than the virtual screen (1024 pixels), it
// has the pixels asked for, and at twice the screen's density the same bytes.
TEST(Screenshot, WritesAPngOfTheRequestedSizeAndLayersWhateverTheScreen) {
  TempDir dir;
  const auto png = dir / "sky.png", again = dir / "again.png", later = dir / "later.png", stars = dir / "stars.png";
  const ProcessResult r = Shoot(dir, png, "1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, png.string() + "\n");
  const QImage image(QString::fromStdString(png.string()));
  EXPECT_EQ(image.size(), QSize(320, 1100));
  // A sky: most of the picture is covered by the mesh.
  const int lit = LitPixels(image);
  EXPECT_GT(lit, 320 * 1100 / 2);
  ASSERT_EQ(Shoot(dir, again, "2").status, 0);
  EXPECT_TRUE(ReadText(again) == ReadText(png));

  // Another time of day turns the picture.
  ASSERT_EQ(Shoot(dir, later, "1", {"--seconds", "5"}).status, 0);
  EXPECT_TRUE(ReadText(later) != ReadText(png));

  // Point stars only: they are there, but no sky behind them.
  ASSERT_EQ(Shoot(dir, stars, "1", {"--layers", "stars"}).status, 0);
  const int starsLit = LitPixels(QImage(QString::fromStdString(stars.string())));
  EXPECT_GT(starsLit, 0);
  EXPECT_LT(starsLit, lit / 4);
}

TEST(Screenshot, RefusesWhatItCannotDraw) {
  TempDir dir;
  const auto png = dir / "out.png";
  // A model: nothing to preview.
  WriteBytes(dir / "ship.hod", Bytes().Add(Vers(1000)));
  ProcessResult r = Starquill({"preview", (dir / "ship.hod").string(), "--screenshot", png.string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "starquill preview: " + (dir / "ship.hod").string() +
                       " holds no background (no BGMS form, no point stars)\n");
  // Point stars without a mesh: the View menu is off, so no layer can be chosen.
  WriteBytes(dir / "stars.hod", Bytes().Add(Vers(1000)).Add(StarsChunk({{0, 0, 100, 1, 1, 1, 1}})));
  r = Starquill({"preview", (dir / "stars.hod").string(), "--screenshot", png.string(), "--layers", "stars"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "starquill preview: the View menu does not offer 'Point-stars only' for this background\n");
  // Usage mistakes.
  EXPECT_EQ(Starquill({"preview", kSample.string()}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", kSample.string(), "--screenshot", png.string(), "--size", "12x9000"}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", kSample.string(), "--screenshot", png.string(), "--layers", "mesh"}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", (dir / "ship.HOD").string(), "--screenshot", png.string()}, dir).status, 2);
  EXPECT_FALSE(std::filesystem::exists(png));
}

TEST(Screenshot, BuildBackgroundDrawsWhatThePreviewOfItsWrittenFileDraws) {
  TempDir dir;
  const auto picture = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.tga";
  const auto built = dir / "built.png", read = dir / "read.png";
  ProcessResult r = Starquill({"build-background", picture.string(), "--density", "4", "--colour-average", "--out-dir",
                               dir.path().string(), "--screenshot", built.string()},
                              dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "sky.hod").string() + "\n" + built.string() + "\n");
  r = Starquill({"preview", (dir / "sky.hod").string(), "--screenshot", read.string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadText(built) == ReadText(read));
  const QImage image(QString::fromStdString(built.string()));
  EXPECT_EQ(image.size(), QSize(600, 600));
  // The sky covers the picture: its triangles face the eye inside the sphere.
  EXPECT_GT(LitPixels(image), 600 * 600 * 9 / 10);

  // A picture with no 2 x 2 stars or spots has empty star maps: drawn without them.
  WriteBytes(dir / "plain.tga", SmoothSky(256, 128).Grey(40, 40, 120).File());
  r = Starquill({"build-background", (dir / "plain.tga").string(), "--screenshot", (dir / "plain.png").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_GT(LitPixels(QImage(QString::fromStdString((dir / "plain.png").string()))), 600 * 600 / 2);
}
