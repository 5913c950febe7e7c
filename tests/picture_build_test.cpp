// Backgrounds built from pictures of every kind: the same content builds the
// same background; a cube map drawn from a known field builds that field with
// its stars where they were planted; a large picture brought down by --size
// keeps its stars and the area means of its pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/build_background_command.h"
#include "picture/picture_levels.h"
#include "picture/picture_write.h"
#include "picture/sky_direction.h"
#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

// A sky of make_sky_tga, as a picture, and the stars it planted by list.
struct PlantedSky {
  sq::Picture picture;
  std::array<std::vector<std::pair<int, int>>, 3> planted;
};
PlantedSky MakeSky(const TempDir& dir, const std::string& name, int width, int height) {
  const ProcessResult made =
      RunProgram(MAKE_SKY_TGA_EXE, {(dir / name).string(), std::to_string(width), std::to_string(height)}, dir.path());
  EXPECT_EQ(made.status, 0) << made.err;
  PlantedSky sky;
  std::istringstream list(made.out);
  for (int entry, x, y; list >> entry >> x >> y;) sky.planted[std::size_t(entry)].push_back({x, y});
  const SavedTga tga = ReadSavedTga(dir / name);
  sky.picture = {tga.width, tga.height, tga.pixels};
  return sky;
}

sq::FloatPicture LinearOf(const sq::Picture& p) {
  sq::FloatPicture f{p.width, p.height, {}};
  for (std::size_t i = 0; i < p.PixelCount(); ++i) {
    for (int k = 2; k >= 0; --k) f.rgb.push_back(sq::LinearOfLevel(p.bgra[i * 4 + std::size_t(k)]));
  }
  return f;
}

sq::BuiltBackground Build(const sq::SkySource& sky, RecordingPlatform& platform) {
  PlatformFace face(platform);
  sq::TgaReadOptions read = face.Asking();
  read.showSizeWarning = false;
  return face.Show(sq::BuildBackgroundFromSky(sky, {}, face.progress, read));
}
sq::BuiltBackground Build(const std::filesystem::path& file, RecordingPlatform& platform, double exposure = 0) {
  sq::SkySource sky;
  sky.files = {sq::OpenPictureFile(file)};
  sky.exposure = exposure;
  return Build(sky, platform);
}

std::vector<sq::SkyDirection> PointStarDirections(const sq::BackgroundTables& t) {
  std::vector<sq::SkyDirection> out;
  for (const sq::PointStarChunk& chunk : t.strfTable) {
    for (const sq::PointStarRecord s : chunk.stars) out.push_back({s.x, s.y, s.z});
  }
  return out;
}
std::vector<sq::SkyDirection> StarMapDirections(const sq::BackgroundTables& t, std::size_t map) {
  std::vector<sq::SkyDirection> out;
  for (const sq::StarMapRecord r : t.bgsgTable[map].records) out.push_back({r.x, r.y, r.z});
  return out;
}

// How many of `found` lie within `within` radians of `d`.
int Near(const std::vector<sq::SkyDirection>& found, const sq::SkyDirection& d, double within) {
  const Vec a{d.x, d.y, d.z};
  return int(std::count_if(found.begin(), found.end(), [&](const sq::SkyDirection& f) {
    const Vec b{f.x, f.y, f.z};
    return std::acos(std::clamp(Dot(a, b) / (Length(a) * Length(b)), -1.0, 1.0)) <= within;
  }));
}

}  // namespace

// The sky of make_sky_tga as a PNG, whatever the file's name says, and as
// OpenEXR of the levels' linear values two stops down (--exposure 2 brings it
// back) builds the TGA's background to the byte.
TEST(PictureBuild, TheSameSkyAsPngOrOpenExrBuildsTheSameBackground) {
  TempDir dir;
  const PlantedSky sky = MakeSky(dir, "sky.tga", 1024, 512);
  RecordingPlatform platform;
  const sq::BuiltBackground reference = Build(dir / "sky.tga", platform);
  ASSERT_TRUE(reference.Built());
  sq::FloatPicture dark = LinearOf(sky.picture);
  for (float& v : dark.rgb) v /= 4;
  const std::pair<std::string, std::string> files[] = {
      {"named-as-a.tga", sq::EncodePng(sky.picture)},
      {"no-extension", sq::EncodePng(sky.picture)},
      {"darker.exr", sq::EncodeExr(dark)},
  };
  for (const auto& [name, bytes] : files) {
    WriteText(dir / name, bytes);
    const sq::BuiltBackground built = Build(dir / name, platform, name == "darker.exr" ? 2 : 0);
    ASSERT_TRUE(built.Built()) << name;
    EXPECT_TRUE(Serialized(built.tables) == Serialized(reference.tables)) << name;
  }
  EXPECT_TRUE(platform.messages.empty());
}

// Six faces drawn from a known field by the cube-map table, one star planted on
// each: the panorama's vertices show the field, and each star lies where it
// was planted.
TEST(PictureBuild, ACubeMapBuildsItsFieldAndItsStars) {
  const auto field = [](const sq::SkyDirection& d) {  // blue, green, red
    return std::array<double, 3>{40 + 25 * d.x, 40 + 25 * d.y, 40 + 25 * d.z};
  };
  const int n = 256;
  TempDir dir;
  sq::SkySource sky;
  std::vector<sq::SkyDirection> planted;
  for (std::size_t k = 0; k < 6; ++k) {
    sq::Picture face{n, n, std::vector<uint8_t>(std::size_t(n) * n * 4)};
    for (int r = 1; r <= n; ++r) {
      for (int c = 1; c <= n; ++c) {
        const sq::SkyDirection d = sq::DirectionOfCubePoint({sq::kCubeFaces[k], (c - 0.5) / n, (n - r + 0.5) / n});
        const std::array<double, 3> f = field(d);
        uint8_t* p = face.Pixel(c, r);
        for (std::size_t q = 0; q < 3; ++q) p[q] = uint8_t(std::lround(f[q]));
        p[3] = 255;
      }
    }
    // The star: column 40 + 30 k, row 60 from the top, 60 levels over the field.
    const int c = 40 + 30 * int(k), r = n - 59;
    for (int q = 0; q < 3; ++q) face.Pixel(c, r)[q] = uint8_t(face.Pixel(c, r)[q] + 60);
    planted.push_back(sq::DirectionOfCubePoint({sq::kCubeFaces[k], (c - 0.5) / n, (n - r + 0.5) / n}));
    const std::string name = std::string("space_") + sq::CubeFaceSuffix(sq::kCubeFaces[k]) + ".png";
    WriteText(dir / name, sq::EncodePng(face));
    sky.files.push_back(sq::OpenPictureFile(dir / name));
  }
  RecordingPlatform platform;
  const sq::BuiltBackground built = Build(sky, platform);
  ASSERT_TRUE(built.Built()) << ::testing::PrintToString(platform.messages);
  const sq::BackgroundTables& t = built.tables;

  const int cap = sq::MakeMeshGrid(1024, 512, 8, false).capRows;
  double worst = 0;
  for (const sq::MeshChunk& chunk : t.bgmsTable) {
    for (const sq::MeshVertex v : chunk.parts[0].vertices) {
      if (const PicturePoint at = ToPicture(v.x, v.y, v.z, 1024, 512); at.v < cap + 0.5 || at.v > 512 - cap - 0.5) {
        continue;  // the caps take the mean of their rows
      }
      const std::array<double, 3> f = field({v.x / 600, v.y / 600, v.z / 600});
      for (std::size_t q = 0; q < 3; ++q) worst = std::max(worst, std::fabs(v.vertexColour[q + 1] - f[q]));
    }
  }
  EXPECT_LE(worst, 3.0);

  const std::vector<sq::SkyDirection> stars = PointStarDirections(t);
  EXPECT_EQ(stars.size(), 6u);
  for (const sq::SkyDirection& d : planted) EXPECT_EQ(Near(stars, d, std::numbers::pi / 512), 1);

  // On the command line: BASE is the first face's name less "_px".
  std::vector<std::string> args = {"build-background", "--density", "8", "--cube"};
  for (const auto& f : sky.files) args.push_back(f.name);
  const ProcessResult r = Starquill(args, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "space.hod").string() + "\n");
  EXPECT_TRUE(ReadText(dir / "space.hod") == Serialized(t));
  args.insert(args.end(), {"--name", "nebula"});
  EXPECT_EQ(Starquill(args, dir).out, (dir / "nebula.hod").string() + "\n");
}

// A 2048 x 1024 sky built at 1024 x 512: every planted star is found, where it
// was planted, and the vertices take the means of the 2 x 2 pixels under them.
TEST(PictureBuild, ASkyBroughtDownKeepsItsStarsAndItsAreaMeans) {
  TempDir dir;
  const PlantedSky sky = MakeSky(dir, "big.tga", 2048, 1024);
  WriteText(dir / "big.png", sq::EncodePng(sky.picture));
  sq::SkySource source;
  source.files = {sq::OpenPictureFile(dir / "big.png")};
  source.width = 1024;
  source.height = 512;
  RecordingPlatform platform;
  const sq::BuiltBackground built = Build(source, platform);
  ASSERT_TRUE(built.Built());
  const sq::BackgroundTables& t = built.tables;

  const double pixel = std::numbers::pi / 512;  // one pixel of the built picture
  const std::vector<sq::SkyDirection> singles = PointStarDirections(t);
  EXPECT_EQ(singles.size(), sky.planted[1].size());
  for (const auto& [x, y] : sky.planted[1]) {
    EXPECT_EQ(Near(singles, sq::DirectionOfPoint(x - 0.5, y - 0.5, 2048, 1024), pixel), 1) << x << " " << y;
  }
  for (std::size_t e : {std::size_t{0}, std::size_t{2}}) {
    const std::vector<sq::SkyDirection> map = StarMapDirections(t, e / 2);
    EXPECT_EQ(map.size(), sky.planted[e].size());
    for (const auto& [x, y] : sky.planted[e]) {
      EXPECT_EQ(Near(map, sq::DirectionOfPoint(x, y, 2048, 1024), pixel), 1) << e << ": " << x << " " << y;
    }
  }

  // Away from the stars (taken out before the picture shrank) and the caps.
  auto nearStar = [&](int c, int r) {
    for (const auto& list : sky.planted) {
      for (const auto& [x, y] : list) {
        if (ColumnGap(x, c, 2048) <= 4 && std::abs(y - r) <= 4) return true;
      }
    }
    return false;
  };
  const int cap = sq::MakeMeshGrid(1024, 512, 8, false).capRows;
  int compared = 0, off = 0;
  for (const sq::MeshChunk& chunk : t.bgmsTable) {
    for (const sq::MeshVertex v : chunk.parts[0].vertices) {
      const PicturePoint at = ToPicture(v.x, v.y, v.z, 1024, 512);
      if (at.v < cap + 0.5 || at.v > 512 - cap - 0.5) continue;
      // Every grid point lies on a pixel corner; its colour is the pixel right of and above it.
      const int c = int(std::lround(at.u)) % 1024 + 1, r = int(std::lround(at.v)) + 1;
      if (nearStar(2 * c - 1, 2 * r - 1)) continue;
      for (std::size_t q = 0; q < 3; ++q) {
        double mean = 0;
        for (int dc = -1; dc <= 0; ++dc) {
          for (int dr = -1; dr <= 0; ++dr) mean += sky.picture.Pixel(2 * c + dc, 2 * r + dr)[q] / 4.0;
        }
        off += std::fabs(v.vertexColour[q + 1] - std::min(mean, 127.0)) > 0.5 + 1e-6;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 10000);
  EXPECT_EQ(off, 0);
}
