// The exports of a background: each triangle's longitude/latitude box holding
// every direction through it, the mesh drawn where each pixel's direction meets
// it (over the whole sphere, across the seam and the poles, nearest first), the
// stars in the shapes the detector reads back, the three picture formats, the
// cube faces in the cube-map table's convention, the glTF scene's winding, and
// every refusal with nothing written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>

#include "app/export_background_command.h"
#include "background_export/background_export.h"
#include "background_export/gltf_scene.h"
#include "background_export/sky_render.h"
#include "builder/background_mesh.h"
#include "picture/picture_read.h"
#include "picture/tga_header.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

using Rgb = std::array<uint8_t, 3>;

// An octahedron of radius r: a vertex on each half-axis (+X, -X, +Y, -Y, +Z, -Z)
// with its colour, eight triangles, one mesh chunk.
sq::SceneMesh Octahedron(float r, const std::array<Rgb, 6>& colours) {
  sq::SceneMesh mesh;
  const float at[6][3] = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
  for (std::size_t k = 0; k < 6; ++k) mesh.vertices.push_back({at[k][0], at[k][1], at[k][2], colours[k]});
  for (uint16_t x : {0, 1}) {
    for (uint16_t y : {2, 3}) {
      for (uint16_t z : {4, 5}) mesh.triangles.push_back({x, y, z});
    }
  }
  return mesh;
}

constexpr std::array<Rgb, 6> kAxisColours = {Rgb{200, 10, 10},  Rgb{10, 200, 10},  Rgb{10, 10, 200},
                                             Rgb{200, 200, 10}, Rgb{10, 200, 200}, Rgb{120, 60, 30}};

// The octahedron's colour in a direction: its face is the octant's, and on the
// face x + y + z = r the corners weigh |d_i| / sum |d|.
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

Rgb PixelRgb(const sq::Picture& p, int c, int r) {
  const uint8_t* px = p.Pixel(c, r);
  return {px[2], px[1], px[0]};
}

int Gap(const Rgb& a, const Rgb& b) {
  int d = 0;
  for (std::size_t k = 0; k < 3; ++k) d = std::max(d, std::abs(a[k] - b[k]));
  return d;
}

// Each pixel of a width x height picture, and of each cube face `side` pixels
// on a side (none when 0), within `within` levels of the colour `expected`
// gives the direction through its centre.
template <class Expected>
void ExpectDrawn(const sq::SkyRenderer& renderer, int width, int height, int side, Expected expected, int within = 1) {
  const sq::Picture picture = renderer.Equirect(width, height);
  for (int r = 1; r <= height; ++r) {
    for (int c = 1; c <= width; ++c) {
      const Rgb want = expected(sq::DirectionOfPoint(c - 0.5, r - 0.5, width, height));
      ASSERT_LE(Gap(PixelRgb(picture, c, r), want), within) << "column " << c << ", row " << r;
    }
  }
  for (std::size_t f = 0; side > 0 && f < sq::kCubeFaces.size(); ++f) {
    const sq::Picture square = renderer.Face(sq::kCubeFaces[f], side);
    for (int r = 1; r <= side; ++r) {
      for (int c = 1; c <= side; ++c) {
        const Rgb want =
            expected(sq::DirectionOfCubePoint({sq::kCubeFaces[f], (c - 0.5) / side, 1 - (r - 0.5) / side}));
        ASSERT_LE(Gap(PixelRgb(square, c, r), want), within)
            << sq::CubeFaceSuffix(sq::kCubeFaces[f]) << " " << c << "," << r;
      }
    }
  }
}

sq::SkyScene OctahedronScene() {
  sq::SkyScene scene;
  scene.meshes.push_back(Octahedron(600, kAxisColours));
  return scene;
}

// d turned by `angle` about an axis off every other: an octahedron turned so
// has edges that cross the seam and rise above their corners' latitudes.
sq::SkyDirection Turned(const sq::SkyDirection& d, double angle) {
  const double n = std::sqrt(14.0), kx = 1 / n, ky = 2 / n, kz = 3 / n;
  const double c = std::cos(angle), s = std::sin(angle), along = (kx * d.x + ky * d.y + kz * d.z) * (1 - c);
  return {d.x * c + (ky * d.z - kz * d.y) * s + kx * along, d.y * c + (kz * d.x - kx * d.z) * s + ky * along,
          d.z * c + (kx * d.y - ky * d.x) * s + kz * along};
}

sq::SceneVertex VertexAt(double lon, double lat, double r = 1) {
  return {static_cast<float>(r * std::cos(lat) * std::sin(lon)),
          static_cast<float>(r * std::sin(lat)),
          static_cast<float>(r * std::cos(lat) * std::cos(lon)),
          {}};
}

}  // namespace

// Triangles small and wide, across the turn's start, with a corner on a pole,
// round a pole, with edges bulging towards a pole past their corners: every
// direction through each, its corners and edges among them, lies in its box,
// and a small one away from the poles has a small box. A triangle whose plane
// passes through the centre (exactly, from whole numbers) or with a corner that
// is no number has none.
TEST(BackgroundExport, EveryDirectionThroughATriangleLiesInItsLongitudeLatitudeBox) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> spread(-1, 1);
  constexpr double kPi = 3.14159265358979323846;
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
      const double north = lat > 0 ? 1 : -1, width = i % 12 == 2 ? 2.2 : 0.8;
      for (std::size_t k = 0; k < 3; ++k) {
        t[k] =
            VertexAt(lon + width * static_cast<double>(k) + 0.1 * spread(random), north * (1.2 + 0.3 * spread(random)));
      }
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
      EXPECT_FALSE(box->allLongitudes);
      EXPECT_LT(box->lonHi - box->lonLo, 1.0);
      EXPECT_LT(box->latHi - box->latLo, 0.5);
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

  // Whole numbers: a corner made the sum of two others lies exactly in the
  // plane of the centre and those two.
  std::uniform_int_distribution<int> whole(-1000, 1000);
  for (int i = 0; i < 500; ++i) {
    std::array<sq::SceneVertex, 3> t;
    for (sq::SceneVertex& v : t) {
      v = {static_cast<float>(whole(random)), static_cast<float>(whole(random)), static_cast<float>(whole(random)), {}};
    }
    if (i % 2 == 0) t[2] = {t[0].x + t[1].x, t[0].y + t[1].y, t[0].z + t[1].z, {}};
    const double plane = double{t[0].x} * (double{t[1].y} * t[2].z - double{t[1].z} * t[2].y) +
                         double{t[0].y} * (double{t[1].z} * t[2].x - double{t[1].x} * t[2].z) +
                         double{t[0].z} * (double{t[1].x} * t[2].y - double{t[1].y} * t[2].x);
    EXPECT_EQ(sq::LonLatBoxOf(t[0], t[1], t[2]).has_value(), plane != 0) << i;
    t[i % 3].y = i % 4 < 2 ? std::nanf("") : std::numeric_limits<float>::infinity();
    EXPECT_FALSE(sq::LonLatBoxOf(t[0], t[1], t[2]).has_value()) << i;
  }
}

// The near octahedron, turned, lacks its +X +Y +Z face: through that hole the
// far one shows, drawn before or after it; alone, the hole is black. Every
// pixel of the picture and of each cube face, over the seam and the poles.
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

// A closed sphere of small triangles, turned off every axis, one colour: each
// pixel is met by some triangle, however the triangles lie across the seam,
// near the poles and over the faces' edges, so none may be left black.
TEST(BackgroundExport, AFineMeshTurnedAnyWayLeavesNoPixelUndrawn) {
  const Rgb colour{100, 150, 200};
  // Each face of an octahedron cut into n x n triangles, pushed out to the sphere.
  constexpr int n = 24;
  sq::SkyScene scene;
  sq::SceneMesh& mesh = scene.meshes.emplace_back();
  for (int sx : {1, -1}) {
    for (int sy : {1, -1}) {
      for (int sz : {1, -1}) {
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
    }
  }
  const sq::SkyRenderer renderer(scene, {}, sq::SceneLevels::Stored);
  ExpectDrawn(
      renderer, 301, 149, 37, [&](const sq::SkyDirection&) { return colour; }, 0);
  ExpectDrawn(
      renderer, 1024, 512, 0, [&](const sq::SkyDirection&) { return colour; }, 0);
}

// (That the detector finds them again in these shapes is held to the bundled
// sample, drawn.)
TEST(BackgroundExport, StarsAreDrawnInTheShapesTheDetectorReadsAtTheirLevels) {
  sq::SkyScene scene;
  scene.meshes.push_back(Octahedron(600, {}));
  for (sq::SceneVertex& v : scene.meshes[0].vertices) v.rgb = {20, 22, 24};
  const int W = 1024, H = 512;
  auto at = [&](double u, double v) { return sq::SkyPoint(u, v, W, H); };
  // A 2 x 2 star's direction is its core's middle, a point star's its pixel's centre.
  const sq::SkyPosition ring = at(300, 200), spot = at(600, 300), single = at(800.5, 100.5), seam = at(1023, 260);
  scene.starMaps[0] = {{float(ring.x), float(ring.y), float(ring.z), 7, 0.4f, 0.5f, 0.6f, 1}};
  // The second spot's corners off its right side wrap round to column 1.
  scene.starMaps[1] = {{float(spot.x), float(spot.y), float(spot.z), 7, 0.6f, 0.5f, 0.4f, 1},
                       {float(seam.x), float(seam.y), float(seam.z), 7, 0.5f, 0.5f, 0.5f, 1}};
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
  EXPECT_EQ(PixelRgb(stars, 100, 100), Rgb{});
  EXPECT_EQ(PixelRgb(stars, 301, 201), Rgb{});
  EXPECT_EQ(PixelRgb(stars, 801, 101), (Rgb{128, 102, 77}));

  // A spot across two bands of rows drawn apart (rows 16 and 17), and a 2 x 2
  // star on the bottom row, the lower half of its core off the picture.
  const sq::SkyPosition across = at(400, 16), bottom = at(500, 0.2);
  scene.starMaps[0] = {{float(bottom.x), float(bottom.y), float(bottom.z), 7, 0.4f, 0.5f, 0.6f, 1}};
  scene.starMaps[1] = {{float(across.x), float(across.y), float(across.z), 7, 0.6f, 0.5f, 0.4f, 1}};
  const sq::Picture edges = sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored).Equirect(W, H);
  for (auto [c, r] : {std::pair{400, 16}, {401, 17}, {399, 15}, {402, 15}, {399, 18}, {402, 18}}) {
    EXPECT_EQ(PixelRgb(edges, c, r), (Rgb{153, 128, 102})) << c << " " << r;
  }
  EXPECT_EQ(PixelRgb(edges, 500, 1), (Rgb{102, 128, 153}));
  EXPECT_EQ(PixelRgb(edges, 501, 1), (Rgb{102, 128, 153}));
  EXPECT_EQ(PixelRgb(edges, 500, 2), (Rgb{20, 22, 24}));
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
  // The odd octahedron's faces with a bad corner are left out; its one whole
  // face (-X -Y -Z) lies in front of the big one.
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
  EXPECT_EQ(header.imageType, sq::kTgaTrueColour);
  EXPECT_EQ(header.pixelDepth, 32);
  EXPECT_FALSE(header.TopRowFirst());
  EXPECT_EQ(std::tie(header.width, header.height), std::make_tuple(uint16_t{64}, uint16_t{32}));
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
    return p;
  };
  EXPECT_EQ(vertex(4), (std::array<float, 3>{0, 0, -600}));  // +Z, straight ahead, along glTF's -Z
  ASSERT_EQ(indices.size(), 8u * 3 * 2);
  for (std::size_t t = 0; t < 8; ++t) {
    std::array<std::array<float, 3>, 3> c;
    for (std::size_t k = 0; k < 3; ++k) {
      uint16_t i = 0;
      std::memcpy(&i, indices.data() + (t * 3 + k) * 2, 2);
      c[k] = vertex(i);
    }
    const float e1[3] = {c[1][0] - c[0][0], c[1][1] - c[0][1], c[1][2] - c[0][2]};
    const float e2[3] = {c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
    const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    // Counter-clockwise seen from the centre: the normal points back at it.
    EXPECT_LT(n[0] * c[0][0] + n[1] * c[0][1] + n[2] * c[0][2], 0) << "triangle " << t;
  }
}

TEST(BackgroundExport, RefusalsWriteNothingAndSayWhy) {
  TempDir dir;
  WriteBytes(dir / "ship.hod", FullModelHod().vec());
  const std::vector<uint8_t> sky = FullBackgroundHod().vec();
  WriteBytes(dir / "sky.hod", sky);
  WriteBytes(dir / "cut.hod", std::vector<uint8_t>(sky.begin(), sky.begin() + 200));  // inside the first mesh chunk
  WriteBytes(dir / "notafolder", {1});
  const long before = FileCount(dir.path());
  struct Case {
    std::string in, out;
    bool cube;
    int status;
    std::string says;
    int faceSize = 16;
  };
  const Case cases[] = {
      {"ship.hod", "ship.png", false, 2, "it holds no background"},
      {"cut.hod", "cut.png", false, 2, "the walk reached no whole background"},
      {"sky.hod", "sky.jpg", false, 2, "the name must end in .tga, .png, .exr or .glb"},
      {"sky.hod", "sky.glb", true, 2, "no cube faces"},
      {"sky.hod", "sky.tga", true, 2, "A cube face is 1 to 16384 pixels on a side.", 0},
      {"sky.tga", "sky.png", false, 2, "Please select an Farhold HOD file."},
      {"sky.hod", "notafolder/sky.png", false, 1, "notafolder"},
      {"sky.hod", "notafolder/sky.tga", true, 1, "sky_px.tga"},
  };
  for (const Case& c : cases) {
    RecordingPlatform platform;
    sq::ExportOptions options;
    options.request.cube = c.cube;
    options.request.faceSize = c.faceSize;
    const sq::ExportBackgroundOutcome outcome = sq::ExportBackgroundCommand(dir / c.in, dir / c.out, options, platform);
    EXPECT_EQ(sq::ExitStatusOf(outcome), c.status) << c.out;
    EXPECT_TRUE(outcome.written.empty()) << c.out;
    ASSERT_FALSE(platform.messages.empty()) << c.out;
    EXPECT_NE(platform.messages.back().find(c.says), std::string::npos) << platform.messages.back();
    EXPECT_EQ(FileCount(dir.path()), before) << c.out;
  }
}

TEST(BackgroundExport, ADamagedFileWhoseWalkReachedTheWholeMeshIsExportedWithTheWalksMessage) {
  TempDir dir;
  const std::vector<uint8_t> sky = FullBackgroundHod().vec();
  // Cut inside the point stars, behind the mesh and the star maps.
  WriteBytes(dir / "sky.hod", std::vector<uint8_t>(sky.begin(), sky.end() - 10));
  RecordingPlatform platform;
  sq::ExportOptions options;
  options.request.width = 64;
  options.request.height = 32;
  const sq::ExportBackgroundOutcome outcome =
      sq::ExportBackgroundCommand(dir / "sky.hod", dir / "sky.png", options, platform);
  EXPECT_EQ(sq::ExitStatusOf(outcome), 0);
  EXPECT_EQ(outcome.written, std::vector<std::string>{(dir / "sky.png").string()});
  EXPECT_NE(outcome.walkMessage.find("The walk ended at byte "), std::string::npos);
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: " + outcome.walkMessage});
}
