// The exports of a background: what is drawn where, in which format and winding, and the refusals.
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <random>

#include "app/export_background_command.h"
#include "background_export/gltf_scene.h"
#include "background_export/sky_render.h"
#include "picture/picture_read.h"
#include "support/sample_files.h"
#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

using Rgb = std::array<uint8_t, 3>;

// An octahedron of radius r: a vertex on each half-axis (+X, -X, +Y, -Y, +Z, -Z), eight triangles.
sq::SceneMesh Octahedron(float r, const std::array<Rgb, 6>& colours) {
  sq::SceneMesh mesh;
  const float at[6][3] = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
  for (std::size_t k = 0; k < 6; ++k) mesh.vertices.push_back({at[k][0], at[k][1], at[k][2], colours[k]});
  for (int t = 0; t < 8; ++t)
    mesh.triangles.push_back({uint16_t(t >> 2), uint16_t(2 + ((t >> 1) & 1)), uint16_t(4 + (t & 1))});
  return mesh;
}

constexpr std::array<Rgb, 6> kAxisColours = {Rgb{200, 10, 10},  Rgb{10, 200, 10},  Rgb{10, 10, 200},
                                             Rgb{200, 200, 10}, Rgb{10, 200, 200}, Rgb{120, 60, 30}};

// The octahedron's colour in a direction: its face is the octant's, and on the face x + y + z = r the corners weigh
// |d_i| / sum |d|.
Rgb OctahedronColour(const sq::SkyDirection& d) {
  const double a[3] = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
  const std::size_t corner[3] = {d.x >= 0 ? 0u : 1u, d.y >= 0 ? 2u : 3u, d.z >= 0 ? 4u : 5u};
  const double sum = a[0] + a[1] + a[2];
  Rgb out{};
  for (std::size_t ch = 0; ch < 3; ++ch) {
    double v = 0;
    for (std::size_t k = 0; k < 3; ++k) v += a[k] / sum * kAxisColours[corner[k]][ch];
    out[ch] = static_cast<uint8_t>(std::lround(v));
  }
  return out;
}

Rgb PixelRgb(const sq::Picture& p, int c, int r) { return {p.Pixel(c, r)[2], p.Pixel(c, r)[1], p.Pixel(c, r)[0]}; }

int Gap(const Rgb& a, const Rgb& b) {
  return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

// Each pixel of a width x height picture, and of each cube face `side` pixels on a side (none when 0), within `within`
// levels of the colour `expected` gives the direction through its centre.
template <class Expected>
void ExpectDrawn(const sq::SkyRenderer& renderer, int width, int height, int side, Expected expected, int within = 1) {
  const auto each = [&](const sq::Picture& p, int w, int h, const std::string& where, auto direction) {
    for (int r = 1; r <= h; ++r) {
      for (int c = 1; c <= w; ++c) {
        ASSERT_LE(Gap(PixelRgb(p, c, r), expected(direction(c - 0.5, r - 0.5))), within)
            << where << " " << c << "," << r;
      }
    }
  };
  each(renderer.Equirect(width, height), width, height, "picture",
       [&](double u, double v) { return sq::DirectionOfPoint(u, v, width, height); });
  for (std::size_t f = 0; side > 0 && f < sq::kCubeFaces.size(); ++f) {
    each(renderer.Face(sq::kCubeFaces[f], side), side, side, sq::CubeFaceSuffix(sq::kCubeFaces[f]),
         [&](double u, double v) {
           return sq::DirectionOfCubePoint({sq::kCubeFaces[f], u / side, 1 - v / side});
         });
  }
}

sq::SkyScene OctahedronScene() { return {{Octahedron(600, kAxisColours)}, {}, {}, {}}; }

// d turned by `angle` about an axis off every other: an octahedron turned so has edges that cross the seam and rise
// above their corners' latitudes.
sq::SkyDirection Turned(const sq::SkyDirection& d, double angle) {
  const double n = std::sqrt(14.0), kx = 1 / n, ky = 2 / n, kz = 3 / n;
  const double c = std::cos(angle), s = std::sin(angle), along = (kx * d.x + ky * d.y + kz * d.z) * (1 - c);
  return {d.x * c + (ky * d.z - kz * d.y) * s + kx * along, d.y * c + (kz * d.x - kx * d.z) * s + ky * along,
          d.z * c + (kx * d.y - ky * d.x) * s + kz * along};
}

sq::SceneVertex VertexAt(double lon, double lat, double r = 1) {
  const double across = r * std::cos(lat);
  return {float(across * std::sin(lon)), float(r * std::sin(lat)), float(across * std::cos(lon)), {}};
}

}  // namespace

// Triangles small and wide, across the turn's start, with a corner on a pole, round a pole, with edges bulging towards
// a pole past their corners: every direction through each lies in its box, and a small one away from the poles has a
// small box. A triangle whose plane passes through the centre (exactly, from whole numbers) or with a corner that is no
// number has none.
TEST(BackgroundExport, EveryDirectionThroughATriangleLiesInItsLongitudeLatitudeBox) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> spread(-1, 1);
  constexpr double kPi = std::numbers::pi;
  std::vector<std::array<sq::SceneVertex, 3>> triangles;
  for (int i = 0; i < 3000; ++i) {
    // Now and then about the turn's start, straight behind or the picture's, straight ahead.
    const double lon = i % 6 == 3 ? (i % 12 == 3 ? kPi : 0) : kPi * spread(random);
    const double lat = 1.5 * spread(random), r = std::pow(10.0, 3 * spread(random));
    const double size = i < 1000 ? std::pow(10.0, -1 - static_cast<double>(random() % 4)) : 0.5;
    std::array<sq::SceneVertex, 3> t;
    for (sq::SceneVertex& v : t) v = VertexAt(lon + size * spread(random), lat + size * spread(random), r);
    if (i % 6 == 1) t[0] = {0, static_cast<float>(lat > 0 ? r : -r), 0, {}};  // a corner on a pole
    if (i % 6 == 2) {
      // Round a pole, or wide near it, its edges bulging towards it.
      const double north = lat > 0 ? 1 : -1, wide = i % 12 == 2 ? 2.2 : 0.8;
      for (double k : {0, 1, 2})
        t[size_t(k)] = VertexAt(lon + wide * k + 0.1 * spread(random), north * (1.2 + 0.3 * spread(random)));
    }
    triangles.push_back(t);
  }
  std::size_t round = 0;
  for (std::size_t i = 0; i < triangles.size(); ++i) {
    SCOPED_TRACE("triangle " + std::to_string(i));
    const std::array<sq::SceneVertex, 3>& t = triangles[i];
    const std::optional<sq::LonLatBox> box = sq::LonLatBoxOf(t[0], t[1], t[2]);
    ASSERT_TRUE(box.has_value());
    round += box->allLongitudes;
    if (i < 1000 && i % 6 != 1 && i % 6 != 2 && std::fabs(box->latHi) < 1.4 && std::fabs(box->latLo) < 1.4) {
      EXPECT_TRUE(!box->allLongitudes && box->lonHi - box->lonLo < 1.0 && box->latHi - box->latLo < 0.5);
    }
    for (int sample = 0; sample < 60; ++sample) {
      double w[3] = {std::fabs(spread(random)), std::fabs(spread(random)), std::fabs(spread(random))};
      if (sample < 3) w[0] = w[1] = w[2] = 0, w[sample] = 1;  // the corners themselves
      if (sample >= 3 && sample < 20) w[sample % 3] = 0;      // on an edge
      double d[3] = {0, 0, 0};
      for (std::size_t k = 0; k < 3; ++k) d[0] += w[k] * t[k].x, d[1] += w[k] * t[k].y, d[2] += w[k] * t[k].z;
      const double across = std::hypot(d[0], d[2]), lat = std::atan2(d[1], across);
      ASSERT_TRUE(lat >= box->latLo && lat <= box->latHi) << lat << " sample " << sample;
      if (box->allLongitudes || across < 1e-9 * std::fabs(d[1])) continue;  // on the pole: any longitude
      const double along = std::remainder(std::atan2(d[0], d[2]) - box->lonLo, 2 * kPi);
      ASSERT_LE((along < 0 ? along + 2 * kPi : along), box->lonHi - box->lonLo) << "sample " << sample;
    }
  }
  EXPECT_GT(round, 100u);
  // Whole numbers: a corner made the sum of two others lies exactly in the plane of the centre and those two.
  std::uniform_int_distribution<int> whole(-1000, 1000);
  for (int i = 0; i < 500; ++i) {
    std::array<sq::SceneVertex, 3> t;
    for (sq::SceneVertex& v : t) v = {float(whole(random)), float(whole(random)), float(whole(random)), {}};
    if (i % 2 == 0) t[2] = {t[0].x + t[1].x, t[0].y + t[1].y, t[0].z + t[1].z, {}};
    auto vec = [&](std::size_t k) { return Vec{t[k].x, t[k].y, t[k].z}; };
    EXPECT_EQ(sq::LonLatBoxOf(t[0], t[1], t[2]).has_value(), Dot(vec(0), Cross(vec(1), vec(2))) != 0) << i;
    t[i % 3].y = i % 4 < 2 ? std::nanf("") : std::numeric_limits<float>::infinity();
    EXPECT_FALSE(sq::LonLatBoxOf(t[0], t[1], t[2]).has_value()) << i;
  }
}

// The near octahedron, turned, lacks its +X +Y +Z face: through that hole the far one shows, drawn before or after it;
// alone, the hole is black.
TEST(BackgroundExport, EveryPixelTakesTheNearestMeshWhereItsDirectionMeetsItElseBlack) {
  sq::SceneMesh far = Octahedron(600, {});
  for (sq::SceneVertex& v : far.vertices) v.rgb = {90, 90, 90};
  for (const double angle : {0.0, 0.9}) {
    sq::SceneMesh near = Octahedron(300, kAxisColours);
    near.triangles.erase(near.triangles.begin());
    for (sq::SceneVertex& v : near.vertices) {
      const sq::SkyDirection at = Turned({v.x, v.y, v.z}, angle);
      v.x = static_cast<float>(at.x), v.y = static_cast<float>(at.y), v.z = static_cast<float>(at.z);
    }
    for (const int order : {0, 1, 2}) {
      SCOPED_TRACE("angle " + std::to_string(angle) + (order == 0 ? ", alone" : order == 1 ? ", far first" : ""));
      sq::SkyScene scene;
      scene.meshes = order == 0 ? std::vector{near} : order == 1 ? std::vector{far, near} : std::vector{near, far};
      const Rgb behind = order == 0 ? Rgb{} : Rgb{90, 90, 90};
      // Odd sizes, so pixel centres fall on no axis and every octant is met.
      ExpectDrawn(sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored), 203, 101, 33, [&](const sq::SkyDirection& d) {
        const sq::SkyDirection back = Turned(d, -angle);
        return back.x > 0 && back.y > 0 && back.z > 0 ? behind : OctahedronColour(back);
      });
    }
  }
}

// A closed sphere of small triangles, turned off every axis, one colour: each pixel is met by some triangle, across the
// seam, near the poles and over the faces' edges.
TEST(BackgroundExport, AFineMeshTurnedAnyWayLeavesNoPixelUndrawn) {
  const Rgb colour{100, 150, 200};
  // Each face of an octahedron cut into n x n triangles, pushed out to the sphere.
  constexpr int n = 24;
  sq::SkyScene scene;
  sq::SceneMesh& mesh = scene.meshes.emplace_back();
  for (int octant = 0; octant < 8; ++octant) {
    const int sx = octant & 4 ? -1 : 1, sy = octant & 2 ? -1 : 1, sz = octant & 1 ? -1 : 1;
    std::vector<std::vector<uint16_t>> index(n + 1);
    for (int i = 0; i <= n; ++i) {
      for (int j = 0; i + j <= n; ++j) {
        index[i].push_back(static_cast<uint16_t>(mesh.vertices.size()));
        const double a = double(i) / n, b = double(j) / n, c = 1 - a - b, l = std::sqrt(a * a + b * b + c * c);
        const sq::SkyDirection at = Turned({sx * a / l, sy * b / l, sz * c / l}, 0.7);
        mesh.vertices.push_back({float(500 * at.x), float(500 * at.y), float(500 * at.z), colour});
      }
    }
    for (int i = 0; i < n; ++i) {
      for (int j = 0; i + j < n; ++j) {
        mesh.triangles.push_back({index[i][j], index[i + 1][j], index[i][j + 1]});
        if (i + j + 1 < n) mesh.triangles.push_back({index[i + 1][j], index[i + 1][j + 1], index[i][j + 1]});
      }
    }
  }
  const sq::SkyRenderer renderer(scene, {}, sq::SceneLevels::Stored);
  const auto same = [&](const sq::SkyDirection&) { return colour; };
  ExpectDrawn(renderer, 301, 149, 37, same, 0);
  ExpectDrawn(renderer, 1024, 512, 0, same, 0);
}

// (That the detector finds them again in these shapes is held to the bundled sample, drawn.)
TEST(BackgroundExport, StarsAreDrawnInTheShapesTheDetectorReadsAtTheirLevels) {
  sq::SkyScene scene;
  scene.meshes.push_back(Octahedron(600, {}));
  for (sq::SceneVertex& v : scene.meshes[0].vertices) v.rgb = {20, 22, 24};
  const int W = 1024, H = 512;
  // A 2 x 2 star's direction is its core's middle, a point star's its pixel's centre.
  auto star = [&](double u, double v, float r, float g, float b) {
    const sq::SkyPosition p = sq::SkyPoint(u, v, W, H);
    return sq::StarMapRecord{float(p.x), float(p.y), float(p.z), 7, r, g, b, 1};
  };
  const sq::SkyPosition single = sq::SkyPoint(800.5, 100.5, W, H);
  scene.starMaps[0] = {star(300, 200, 0.4f, 0.5f, 0.6f)};
  // The second spot's corners off its right side wrap round to column 1.
  scene.starMaps[1] = {star(600, 300, 0.6f, 0.5f, 0.4f), star(1023, 260, 0.5f, 0.5f, 0.5f)};
  scene.pointStars = {{float(single.x), float(single.y), float(single.z), 0.25f, 0.2f, 0.15f, 1}};
  for (sq::SceneLevels levels : {sq::SceneLevels::Stored, sq::SceneLevels::Display}) {
    const sq::Picture picture = sq::SkyRenderer(scene, {}, levels).Equirect(W, H);
    const Rgb sky = levels == sq::SceneLevels::Stored ? Rgb{20, 22, 24} : Rgb{40, 44, 48};
    EXPECT_EQ(PixelRgb(picture, 100, 100), sky);
    // Star maps at 255 a unit, point stars at 510 (the preview doubles them), in either levels.
    EXPECT_EQ(PixelRgb(picture, 301, 201), (Rgb{102, 128, 153}));
    EXPECT_EQ(PixelRgb(picture, 801, 101), (Rgb{128, 102, 77}));
    EXPECT_EQ(PixelRgb(picture, 599, 299), (Rgb{153, 128, 102}));  // a spot's corner pixel
    EXPECT_EQ(PixelRgb(picture, 1024, 261), (Rgb{128, 128, 128}));
    EXPECT_EQ(PixelRgb(picture, 1, 259), (Rgb{128, 128, 128}));  // across the seam
  }
  // A layer left out is not drawn.
  const sq::Picture stars = sq::SkyRenderer(scene, {false, false, true}, sq::SceneLevels::Stored).Equirect(W, H);
  EXPECT_EQ(std::tuple(PixelRgb(stars, 100, 100), PixelRgb(stars, 301, 201), PixelRgb(stars, 801, 101)),
            std::tuple(Rgb{}, Rgb{}, Rgb{128, 102, 77}));
  // A spot across the bands of rows 16 and 17, drawn apart, and a 2 x 2 star on the bottom row, half its core off it.
  scene.starMaps[0] = {star(500, 0.2, 0.4f, 0.5f, 0.6f)};
  scene.starMaps[1] = {star(400, 16, 0.6f, 0.5f, 0.4f)};
  const sq::Picture edges = sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored).Equirect(W, H);
  for (auto [c, r] : {std::pair{400, 16}, {401, 17}, {399, 15}, {402, 15}, {399, 18}, {402, 18}})
    EXPECT_EQ(PixelRgb(edges, c, r), (Rgb{153, 128, 102})) << c << " " << r;
  EXPECT_EQ(std::tuple(PixelRgb(edges, 500, 1), PixelRgb(edges, 501, 1), PixelRgb(edges, 500, 2)),
            std::tuple(Rgb{102, 128, 153}, Rgb{102, 128, 153}, Rgb{20, 22, 24}));
}

TEST(BackgroundExport, CornersAndStarsThatAreNoNumbersOrPastTheFloatRangeShowNowhere) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  sq::SkyScene scene = OctahedronScene();
  sq::SceneMesh odd = Octahedron(300, kAxisColours);
  odd.vertices[0].x = nan;
  odd.vertices[2].y = inf;
  odd.vertices[4] = {inf, -inf, 1, {255, 255, 255}};
  scene.meshes.push_back(odd);
  for (float bad : {nan, inf, -inf}) {
    scene.pointStars.push_back({bad, 1, 1, 1, 1, 1, 1});
    scene.starMaps[0].push_back({1, bad, 1, 7, 1, 1, 1, 1});
    scene.starMaps[1].push_back({1, 1, bad, 7, 1, 1, 1, 1});
  }
  // The odd octahedron's faces with a bad corner are left out; its one whole face (-X -Y -Z) lies in front.
  ExpectDrawn(sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored), 64, 32, 8, OctahedronColour);
  const std::string glb = sq::EncodeGlb(scene, {}, sq::SceneLevels::Stored, {});
  EXPECT_EQ(glb.find("null"), std::string::npos);  // no number the JSON could not hold
}

TEST(BackgroundExport, TgaPngAndExrHoldTheSameLevelsTheTgaBottomRowFirst) {
  const sq::SkyScene scene = OctahedronScene();
  const sq::Picture picture = sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored).Equirect(64, 32);
  const std::string tga = sq::EncodeExportPicture(picture, sq::ExportFormat::Tga);
  ASSERT_EQ(tga.size(), sq::kTgaHeaderSize + 64 * 32 * 4);
  const sq::TgaHeader header =
      sq::ParseTgaHeader(std::span<const uint8_t, sq::kTgaHeaderSize>(AsBytes(tga).first<sq::kTgaHeaderSize>()));
  EXPECT_EQ(std::tuple(header.imageType, header.pixelDepth, header.TopRowFirst(), header.width, header.height),
            std::tuple(sq::kTgaTrueColour, uint8_t{32}, false, uint16_t{64}, uint16_t{32}));
  EXPECT_EQ(tga.substr(sq::kTgaHeaderSize), std::string(picture.bgra.begin(), picture.bgra.end()));
  for (sq::ExportFormat format : {sq::ExportFormat::Png, sq::ExportFormat::Exr}) {
    sq::Picture back;
    ASSERT_EQ(sq::ReadPicture(AsBytes(sq::EncodeExportPicture(picture, format)), back), "");
    EXPECT_EQ(back.bgra, picture.bgra) << (format == sq::ExportFormat::Png ? "PNG" : "OpenEXR");
  }
}

TEST(BackgroundExport, GlbTurnsEveryTriangleToTheCentreInGltfsRightHandedAxes) {
  // The octahedron's triangles all turn one way, so half of them face out.
  const std::string glb = sq::EncodeGlb(OctahedronScene(), {}, sq::SceneLevels::Stored, {});
  // (Its header and chunks are held to what a reader needs by the export's fuzz target.)
  uint32_t jsonSize = 0;
  std::memcpy(&jsonSize, glb.data() + 12, 4);
  const nlohmann::json root = nlohmann::json::parse(glb.substr(20, jsonSize));
  const std::string bin = glb.substr(20 + jsonSize + 8);
  auto block = [&](int accessor) {
    const nlohmann::json& a = root["accessors"][accessor];
    const nlohmann::json& view = root["bufferViews"][a["bufferView"].get<int>()];
    return bin.substr(view["byteOffset"].get<std::size_t>(), view["byteLength"].get<std::size_t>());
  };
  const nlohmann::json& primitive = root["meshes"][0]["primitives"][0];
  const std::string positions = block(primitive["attributes"]["POSITION"]);
  const std::string indices = block(primitive["indices"]);
  ASSERT_EQ(positions.size(), 6u * 12);
  auto vertex = [&](std::size_t i) {
    std::array<float, 3> p;
    std::memcpy(p.data(), positions.data() + i * 12, 12);
    return Vec{p[0], p[1], p[2]};
  };
  EXPECT_EQ(vertex(4), (Vec{0, 0, -600}));  // +Z, straight ahead, along glTF's -Z
  ASSERT_EQ(indices.size(), 8u * 3 * 2);
  for (std::size_t t = 0; t < 8; ++t) {
    auto corner = [&](std::size_t k) {
      uint16_t i = 0;
      std::memcpy(&i, indices.data() + (t * 3 + k) * 2, 2);
      return vertex(i);
    };
    const Vec a = corner(0), b = corner(1), c = corner(2);
    // Counter-clockwise seen from the centre: the normal points back at it.
    EXPECT_LT(Dot(Cross(sqtest::Sub(b, a), sqtest::Sub(c, a)), a), 0) << "triangle " << t;
  }
}

TEST(BackgroundExport, RefusalsWriteNothingAndSayWhyAndADamagedFileWithAWholeMeshIsExported) {
  TempDir dir;
  WriteBytes(dir / "ship.hod", FullModelHod().vec());
  const std::vector<uint8_t> sky = FullBackgroundHod().vec();
  WriteBytes(dir / "sky.hod", sky);
  WriteBytes(dir / "cut.hod", std::vector<uint8_t>(sky.begin(), sky.begin() + 200));  // inside the first mesh chunk
  // Cut inside the point stars, behind the mesh and the star maps.
  WriteBytes(dir / "tail.hod", std::vector<uint8_t>(sky.begin(), sky.end() - 10));
  WriteBytes(dir / "notafolder", {1});
  const long before = FileCount(dir.path());
  const struct {
    std::string in, out;
    bool cube;
    int status;
    std::string says;
    int faceSize = 16;
  } cases[] = {
      {"ship.hod", "ship.png", false, 2, "it holds no background"},
      {"cut.hod", "cut.png", false, 2, "the walk reached no whole background"},
      {"sky.hod", "sky.jpg", false, 2, "the name must end in .tga, .png, .exr or .glb"},
      {"sky.hod", "sky.glb", true, 2, "no cube faces"},
      {"sky.hod", "sky.tga", true, 2, "A cube face is 1 to 16384 pixels on a side.", 0},
      {"sky.tga", "sky.png", false, 2, "Please select an Farhold HOD file."},
      {"sky.hod", "notafolder/sky.png", false, 1, "notafolder"},
      {"sky.hod", "notafolder/sky.tga", true, 1, "sky_px.tga"},
  };
  for (const auto& c : cases) {
    RecordingPlatform platform;
    sq::ExportOptions options;
    options.request.cube = c.cube, options.request.faceSize = c.faceSize;
    const sq::ExportBackgroundOutcome outcome = sq::ExportBackgroundCommand(dir / c.in, dir / c.out, options, platform);
    EXPECT_TRUE(sq::ExitStatusOf(outcome) == c.status && outcome.written.empty()) << c.out;
    ASSERT_FALSE(platform.messages.empty()) << c.out;
    EXPECT_NE(platform.messages.back().find(c.says), std::string::npos) << platform.messages.back();
    EXPECT_EQ(FileCount(dir.path()), before) << c.out;
  }
  RecordingPlatform platform;
  sq::ExportOptions options;
  options.request.width = 64, options.request.height = 32;
  const sq::ExportBackgroundOutcome outcome =
      sq::ExportBackgroundCommand(dir / "tail.hod", dir / "sky.png", options, platform);
  EXPECT_EQ(sq::ExitStatusOf(outcome), 0);
  EXPECT_EQ(outcome.written, std::vector<std::string>{(dir / "sky.png").string()});
  EXPECT_NE(outcome.walkMessage.find("The walk ended at byte "), std::string::npos);
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: " + outcome.walkMessage});
}
