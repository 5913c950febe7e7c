// Backgrounds built from pictures of every kind: the same content builds the
// same background; a cube map drawn from a known field builds that field with
// its stars where they were planted; a large picture brought down by --size
// keeps its stars and the area means of its pixels; and every refused file is
// one line on stderr with nothing written.
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

// Every vertex colour (blue, green, red) of a build, in chunk order.
std::vector<std::array<uint8_t, 4>> Colours(const sq::BackgroundTables& t) {
  std::vector<std::array<uint8_t, 4>> out;
  for (const sq::MeshChunk& chunk : t.bgmsTable) {
    for (const sq::MeshVertex v : chunk.parts[0].vertices) out.push_back(v.vertexColour);
  }
  return out;
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

double Angle(const sq::SkyDirection& a, const sq::SkyDirection& b) {
  const double la = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z), lb = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
  return std::acos(std::clamp((a.x * b.x + a.y * b.y + a.z * b.z) / (la * lb), -1.0, 1.0));
}

// How many of `found` lie within `within` radians of `d`.
int Near(const std::vector<sq::SkyDirection>& found, const sq::SkyDirection& d, double within) {
  return int(
      std::count_if(found.begin(), found.end(), [&](const sq::SkyDirection& f) { return Angle(f, d) <= within; }));
}

}  // namespace

// The sky of make_sky_tga in every form: PNG forms build the TGA's background
// to the byte; OpenEXR of the levels' linear values too; HDR within a level (a
// few on dark pixels) with the same stars.
TEST(PictureBuild, TheSameSkyInEveryFormatBuildsTheSameBackground) {
  TempDir dir;
  const PlantedSky sky = MakeSky(dir, "sky.tga", 1024, 512);
  RecordingPlatform platform;
  const sq::BuiltBackground reference = Build(dir / "sky.tga", platform);
  ASSERT_TRUE(reference.Built());
  const std::string expected = Serialized(reference.tables);
  using C = sq::PngForm::Colour;
  const sq::FloatPicture linear = LinearOf(sky.picture);
  const std::pair<std::string, std::string> exact[] = {
      {"rgb.png", sq::EncodePng(sky.picture)},
      {"named-as-a.tga", sq::EncodePng(sky.picture)},  // the content decides, not the name
      {"no-extension", sq::EncodePng(sky.picture)},
      {"rgba.png", sq::EncodePng(sky.picture, {C::Rgba})},
      {"sixteen.png", sq::EncodePng(sky.picture, {C::Rgb, 16, true})},
      {"half.exr", sq::EncodeExr(linear)},
      {"float-tiled.exr", sq::EncodeExr(linear, {false, true, true})},
      {"brighter.exr", sq::EncodeExr([&] {  // two stops down, and --exposure 2 brings it back
         sq::FloatPicture dark = linear;
         for (float& v : dark.rgb) v /= 4;
         return dark;
       }())},
  };
  for (const auto& [name, bytes] : exact) {
    WriteText(dir / name, bytes);
    const sq::BuiltBackground built = Build(dir / name, platform, name == "brighter.exr" ? 2 : 0);
    ASSERT_TRUE(built.Built()) << name;
    EXPECT_TRUE(Serialized(built.tables) == expected) << name;
  }
  EXPECT_TRUE(platform.messages.empty());

  const std::vector<std::array<uint8_t, 4>> colours = Colours(reference.tables);
  for (const bool runLength : {true, false}) {
    WriteText(dir / "sky.hdr", sq::EncodeHdr(linear, {runLength}));
    const sq::BuiltBackground hdr = Build(dir / "sky.hdr", platform);
    ASSERT_TRUE(hdr.Built());
    const std::vector<std::array<uint8_t, 4>> got = Colours(hdr.tables);
    ASSERT_EQ(got.size(), colours.size());
    int off = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
      for (std::size_t k = 1; k < 4; ++k) off += std::abs(got[i][k] - colours[i][k]) > (colours[i][k] >= 32 ? 1 : 4);
    }
    EXPECT_EQ(off, 0);
    EXPECT_EQ(hdr.stars, reference.stars);
  }
}

// A picture of few colours as a palette PNG builds what its TGA builds.
TEST(PictureBuild, APalettePngBuildsWhatItsTgaBuilds) {
  TempDir dir;
  Picture few = SmoothSky(512, 256);
  for (std::size_t i = 0; i < few.pixels.size(); ++i) {
    if (i % 4 != 3) few.pixels[i] = uint8_t(few.pixels[i] / 16 * 16);
  }
  few.Grey(100, 100, 120).Grey(300, 40, 110).Square(200, 200, 125);
  WriteBytes(dir / "few.tga", few.File());
  WriteText(dir / "few.png", sq::EncodePng({few.width, few.height, few.pixels}, {sq::PngForm::Colour::Palette}));
  RecordingPlatform platform;
  const sq::BuiltBackground tga = Build(dir / "few.tga", platform), png = Build(dir / "few.png", platform);
  ASSERT_TRUE(tga.Built() && png.Built());
  EXPECT_GT(tga.stars[1], 0);
  EXPECT_TRUE(Serialized(png.tables) == Serialized(tga.tables));
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

// Every refusal: status 2, one line on stderr naming the file and the reason,
// and nothing written.
TEST(PictureCli, RefusalsAreOneLineAndWriteNothing) {
  TempDir dir;
  const std::filesystem::path out = dir / "out";
  std::filesystem::create_directories(out);
  sq::Picture face{64, 64, std::vector<uint8_t>(64 * 64 * 4, 40)};
  const std::string png = sq::EncodePng(face);
  std::string crc = png;
  crc[crc.find("IDAT") + 12] ^= 0x01;
  sq::FloatPicture grey{64, 32, std::vector<float>(64 * 32 * 3, 0.2f)};
  const std::string exr = sq::EncodeExr(grey), hdr = sq::EncodeHdr(grey);
  std::string wide = exr;
  wide.replace(wide.find("dataWindow") + 29, 4, std::string{char(0x40), char(0x42), 0, 0});
  const std::pair<std::string, std::string> files[] = {
      {"notes.txt", "a sky, in words"},
      {"cut.png", png.substr(0, png.size() - 30)},
      {"crc.png", crc},
      {"wide.exr", wide},
      {"cut.exr", exr.substr(0, 400)},
      {"cut.hdr", hdr.substr(0, hdr.size() / 2)},
      {"face.png", png},
      {"oblong.png", sq::EncodePng({64, 32, std::vector<uint8_t>(64 * 32 * 4)})},
      {"small.png", sq::EncodePng({32, 32, std::vector<uint8_t>(32 * 32 * 4)})},
  };
  for (const auto& [name, bytes] : files) WriteText(dir / name, bytes);
  const auto in = [&](const std::string& name) { return (dir / name).string(); };
  const struct {
    std::vector<std::string> args;
    std::string named, reason;
  } cases[] = {
      {{"build-background", in("notes.txt")}, "notes.txt", "not a picture of a kind read here"},
      {{"tga", in("notes.txt")}, "notes.txt", "not a picture of a kind read here"},
      {{"build-background", in("cut.png")}, "cut.png", "the PNG file is damaged"},
      {{"tga", in("crc.png")}, "crc.png", "the PNG file is damaged"},
      {{"build-background", in("wide.exr")}, "wide.exr", "the picture is 16961 x 32 pixels; at most 16384 a side"},
      {{"build-background", in("cut.exr")}, "cut.exr", "the OpenEXR file is damaged"},
      {{"tga", in("cut.hdr")}, "cut.hdr", "the Radiance HDR file ends before its pixels do"},
      {{"build-background", "--cube", in("face.png"), in("face.png"), in("oblong.png"), in("face.png"), in("face.png"),
        in("face.png")},
       "oblong.png",
       "a cube face must be square"},
      {{"build-background", "--cube", in("face.png"), in("face.png"), in("face.png"), in("small.png"), in("face.png"),
        in("face.png")},
       "small.png",
       "the cube faces must all be of one size"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--out-dir", out.string()});
    const ProcessResult r = Starquill(args, dir);
    SCOPED_TRACE(c.args[0] + " " + c.named);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find((dir / c.named).string() + ": " + c.reason), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::filesystem::is_empty(out));
  }
}
