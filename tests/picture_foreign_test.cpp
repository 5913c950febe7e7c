// JPEG files made by ImageMagick, which is not ours: a sky at quality 95 builds
// within a few levels of its TGA with the same stars; progressive and grey
// files read as the baseline and as ImageMagick reads them; and every EXIF
// orientation turns the picture as ImageMagick's -auto-orient does.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <tuple>

#include "app/build_background_command.h"
#include "picture/picture_read.h"
#include "picture/picture_write.h"
#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

sq::Picture ReadFile(const std::filesystem::path& path) {
  sq::Picture p;
  EXPECT_EQ(sq::ReadPicture(AsBytes(ReadText(path)), p), "") << path;
  return p;
}

void Convert(const TempDir& dir, const std::vector<std::string>& args) {
  const ProcessResult r = RunProgram(CONVERT_EXE, args, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
}

// The largest difference of any byte of two pictures of one size.
int Largest(const sq::Picture& a, const sq::Picture& b) {
  EXPECT_EQ(std::tie(a.width, a.height), std::tie(b.width, b.height));
  if (a.bgra.size() != b.bgra.size()) return 256;
  int d = 0;
  for (std::size_t i = 0; i < a.bgra.size(); ++i) d = std::max(d, std::abs(a.bgra[i] - b.bgra[i]));
  return d;
}

std::set<std::tuple<float, float, float>> Stars(const sq::BackgroundTables& t) {
  std::set<std::tuple<float, float, float>> out;
  for (const sq::PointStarChunk& chunk : t.strfTable) {
    for (const sq::PointStarRecord s : chunk.stars) out.insert({s.x, s.y, s.z});
  }
  for (const sq::StarMapChunk& map : t.bgsgTable) {
    for (const sq::StarMapRecord r : map.records) out.insert({r.x, r.y, r.z});
  }
  return out;
}

// An APP1 EXIF block of one Orientation entry, in either byte order, put
// behind the JPEG's start marker.
std::string WithOrientation(const std::string& jpeg, int orientation, bool bigEndian) {
  auto u16 = [&](int v) {
    return bigEndian ? std::string{char(v >> 8), char(v & 0xFF)} : std::string{char(v & 0xFF), char(v >> 8)};
  };
  auto u32 = [&](int v) { return bigEndian ? u16(v >> 16) + u16(v & 0xFFFF) : u16(v & 0xFFFF) + u16(v >> 16); };
  const std::string tiff = (bigEndian ? "MM" : "II") + u16(42) + u32(8) + u16(1) + u16(0x0112) + u16(3) + u32(1) +
                           u16(orientation) + u16(0) + u32(0);
  const std::string exif = std::string("Exif\0\0", 6) + tiff;
  const int length = int(exif.size()) + 2;
  return jpeg.substr(0, 2) + "\xFF\xE1" + std::string{char(length >> 8), char(length & 0xFF)} + exif + jpeg.substr(2);
}

}  // namespace

TEST(ForeignPictures, AJpegOfTheSkyBuildsWithinAFewLevelsWithTheSameStars) {
  // A smooth sky with stars of every list, 45 to 85 levels over it.
  Picture sky = SmoothSky(1024, 512);
  for (int i = 0; i < 12; ++i) {
    sky.Grey(40 + 80 * i, 100 + 25 * (i % 5), uint8_t(120 + i % 3));
    sky.Square(70 + 80 * i, 300 + 20 * (i % 4), uint8_t(118 + i % 7));
  }
  TempDir dir;
  WriteBytes(dir / "sky.tga", sky.File());
  // ImageMagick keeps a bottom-up TGA's rows as stored and notes the corner they
  // start from; -auto-orient turns them upright.
  Convert(dir, {(dir / "sky.tga").string(), "-auto-orient", "-quality", "95", (dir / "sky.jpg").string()});
  sq::NoProgress progress;
  sq::TgaReadOptions read;
  read.showSizeWarning = false;
  const sq::BuiltBackground tga = sq::BuildBackgroundFromFile(sq::OpenPictureFile(dir / "sky.tga"), {}, progress, read);
  const sq::BuiltBackground jpeg =
      sq::BuildBackgroundFromFile(sq::OpenPictureFile(dir / "sky.jpg"), {}, progress, read);
  ASSERT_TRUE(tga.Built() && jpeg.Built());
  EXPECT_EQ(Stars(jpeg.tables), Stars(tga.tables));
  // Where a star was taken out the sky comes from the ring around it, where
  // the JPEG's ringing is: a few levels more there.
  int worst = 0;
  double sum = 0, count = 0;
  for (std::size_t k = 0; k < 16; ++k) {
    const auto& a = tga.tables.bgmsTable[k].parts[0].vertices;
    const auto& b = jpeg.tables.bgmsTable[k].parts[0].vertices;
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      for (std::size_t q = 1; q < 4; ++q, ++count) {
        const int d = std::abs(a[i].vertexColour[q] - b[i].vertexColour[q]);
        worst = std::max(worst, d);
        sum += d;
      }
    }
  }
  EXPECT_LE(worst, 8);
  EXPECT_LE(sum / count, 0.5);
}

TEST(ForeignPictures, ProgressiveAndGreyJpegsReadAsImageMagickReadsThem) {
  TempDir dir;
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {(dir / "sky.tga").string(), "256", "128"}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string sky = (dir / "sky.tga").string();
  Convert(dir, {sky, "-quality", "95", (dir / "base.jpg").string()});
  Convert(dir, {sky, "-quality", "95", "-interlace", "Plane", (dir / "progressive.jpg").string()});
  Convert(dir, {sky, "-colorspace", "Gray", "-quality", "90", (dir / "grey.jpg").string()});
  for (const std::string name : {"base", "progressive", "grey"}) {
    Convert(dir, {(dir / (name + ".jpg")).string(), "-type", "TrueColorAlpha", (dir / (name + ".png")).string()});
    const sq::Picture ours = ReadFile(dir / (name + ".jpg"));
    EXPECT_LE(Largest(ours, ReadFile(dir / (name + ".png"))), 1) << name;
    EXPECT_EQ(ours.width, 256);
  }
  const sq::Picture grey = ReadFile(dir / "grey.jpg");
  for (std::size_t i = 0; i < grey.bgra.size(); i += 4) {
    ASSERT_TRUE(grey.bgra[i] == grey.bgra[i + 1] && grey.bgra[i] == grey.bgra[i + 2]) << i;
  }
  // A progressive file decodes to what its baseline twin does, near enough.
  EXPECT_LE(Largest(ReadFile(dir / "progressive.jpg"), ReadFile(dir / "base.jpg")), 2);
}

TEST(ForeignPictures, EveryExifOrientationTurnsThePictureAsImageMagickDoes) {
  TempDir dir;
  sq::Picture p{48, 20, std::vector<uint8_t>(48 * 20 * 4)};
  for (int r = 1; r <= 20; ++r) {
    for (int c = 1; c <= 48; ++c) {
      uint8_t* px = p.Pixel(c, r);
      px[0] = uint8_t(5 * c), px[1] = uint8_t(12 * r), px[2] = uint8_t(c < 10 && r > 15 ? 250 : 20), px[3] = 255;
    }
  }
  WriteBytes(dir / "plain.png", [&] {
    const std::string png = sq::EncodePng(p);
    return std::vector<uint8_t>(png.begin(), png.end());
  }());
  Convert(dir, {(dir / "plain.png").string(), "-quality", "95", (dir / "plain.jpg").string()});
  const std::string plain = ReadText(dir / "plain.jpg");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    const std::string turned = WithOrientation(plain, orientation, orientation % 2 == 0);
    WriteBytes(dir / "turned.jpg", std::vector<uint8_t>(turned.begin(), turned.end()));
    Convert(dir,
            {(dir / "turned.jpg").string(), "-auto-orient", "-type", "TrueColorAlpha", (dir / "upright.png").string()});
    const sq::Picture ours = ReadFile(dir / "turned.jpg");
    EXPECT_EQ(ours.width, orientation >= 5 ? 20 : 48);
    EXPECT_LE(Largest(ours, ReadFile(dir / "upright.png")), 1);
  }
}
