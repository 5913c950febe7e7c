// Every version of the sky renderer's pixel tests this processor runs sets
// triangles up as the plain one does (and as their corners say), and draws the
// same bytes as the plain one, whether it is given each pixel's direction or
// the tables of sines and cosines they are made from, and two triangles tried
// together as the plain one draws them one after the other: triangles small and
// large, seen from either side, on boxes whose rows and columns end inside and
// at the edge of each group of lanes, over pixels already drawn nearer and
// farther.
#include "background_export/sky_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace {

using V3 = std::array<double, 3>;

V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A band of `rows` rows of `width` pixels looking about a random way, some
// pixels drawn already at random distances and colours. Its directions are held
// both ways the pixel tests take them: each pixel's, and as the sines and
// cosines of its columns' and rows' angles whose products those are.
struct TestBand {
  TestBand(std::mt19937& random, int rows, int columns) : width(static_cast<std::size_t>(columns)) {
    const std::size_t n = static_cast<std::size_t>(rows) * width + 4;
    x.resize(n), y.resize(n), z.resize(n), nearest.resize(n), bgra.resize(n);
    sinL.resize(width + 4), cosL.resize(width + 4), sinP.resize(static_cast<std::size_t>(rows));
    cosP.resize(sinP.size());
    std::uniform_real_distribution<double> spread(-1, 1);
    std::uniform_real_distribution<float> far(0.5F, 3);
    const double l0 = 3 * spread(random), p0 = 1.4 * spread(random);
    for (std::size_t c = 0; c < width; ++c) {
      const double l = l0 + 0.1 * spread(random);
      sinL[c] = static_cast<float>(std::sin(l)), cosL[c] = static_cast<float>(std::cos(l));
    }
    for (std::size_t r = 0; r < sinP.size(); ++r) {
      const double p = p0 + 0.1 * spread(random);
      sinP[r] = static_cast<float>(std::sin(p)), cosP[r] = static_cast<float>(std::cos(p));
    }
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t r = std::min(i / width, sinP.size() - 1), c = i % width;
      x[i] = cosP[r] * sinL[c], y[i] = sinP[r], z[i] = cosP[r] * cosL[c];
      const bool drawn = random() % 4 == 0;
      nearest[i] = drawn ? far(random) : INFINITY;
      bgra[i] = drawn ? static_cast<uint32_t>(random()) | 0xFF000000U : 0xFF000000U;
    }
  }
  sq::BandPixels View(bool tables) {
    if (tables) {
      return {nullptr,     nullptr,     nullptr,        sinL.data(), cosL.data(),
              sinP.data(), cosP.data(), nearest.data(), bgra.data(), width};
    }
    return {x.data(), y.data(), z.data(), nullptr, nullptr, nullptr, nullptr, nearest.data(), bgra.data(), width};
  }
  std::size_t width;
  std::vector<float> x, y, z, sinL, cosL, sinP, cosP, nearest;
  std::vector<uint32_t> bgra;
};

// A triangle about the band's middle direction, `size` across, facing the
// centre or (`away`) turned from it, when no pixel meets it.
sq::PixelTriangle RandomTriangle(std::mt19937& random, const TestBand& band, double size, bool away) {
  std::uniform_real_distribution<double> spread(-1, 1);
  const std::size_t middle = band.x.size() / 2;
  std::array<V3, 3> p;
  for (V3& corner : p) {
    const double r = 1 + 0.5 * spread(random);
    corner = {r * (band.x[middle] + size * spread(random)), r * (band.y[middle] + size * spread(random)),
              r * (band.z[middle] + size * spread(random))};
  }
  if ((Dot(p[0], Cross(p[1], p[2])) < 0) != away) std::swap(p[1], p[2]);
  const std::array<V3, 3> normals = {Cross(p[1], p[2]), Cross(p[2], p[0]), Cross(p[0], p[1])};
  sq::PixelTriangle t{};
  float* const out[3] = {t.bc, t.ca, t.ab};
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < 3; ++i) out[k][i] = static_cast<float>(normals[k][i]);
    t.slack[k] = 1e-6F * (std::fabs(out[k][0]) + std::fabs(out[k][1]) + std::fabs(out[k][2]));
    for (float& level : t.colour[k]) level = static_cast<float>(random() % 256);
  }
  t.plane = static_cast<float>(Dot(p[0], normals[0]));
  return t;
}

}  // namespace

TEST(SkyDraw, TheBestVersionIsOneOfThoseAvailable) {
  const auto all = sq::AvailableSkyDraws();
  ASSERT_FALSE(all.empty());
  EXPECT_STREQ(all.front()->name, "plain");
  EXPECT_EQ(&sq::BestSkyDraw(), all.back());
}

TEST(SkyDraw, EveryVersionDrawsThePlainOnesBytes) {
  std::mt19937 random(11);
  const auto all = sq::AvailableSkyDraws();
  std::size_t drawn = 0;
  for (int trial = 0; trial < 1000; ++trial) {
    const int rows = 1 + static_cast<int>(random() % 9), width = 1 + static_cast<int>(random() % 21);
    const TestBand band(random, rows, width);
    const int r0 = static_cast<int>(random() % static_cast<unsigned>(rows));
    const int r1 = r0 + static_cast<int>(random() % static_cast<unsigned>(rows - r0));
    const int c0 = static_cast<int>(random() % static_cast<unsigned>(width));
    const int c1 = c0 + static_cast<int>(random() % static_cast<unsigned>(width - c0));
    const sq::PixelTriangle t = RandomTriangle(random, band, trial % 2 == 0 ? 0.2 : 1.0, trial % 8 == 1);
    const sq::PixelTriangle u = RandomTriangle(random, band, trial % 3 == 0 ? 0.2 : 1.0, trial % 8 == 2);
    TestBand plain = band;
    all.front()->drawBox(t, plain.View(false), r0, r1, c0, c1);
    for (std::size_t i = 0; i < plain.bgra.size(); ++i) drawn += plain.bgra[i] != band.bgra[i];
    // Every version, from directions and from tables, draws what `expected` holds.
    auto expectEvery = [&](const TestBand& expected, const std::string& what, const auto& draw) {
      for (const sq::SkyDrawKernel* k : all) {
        for (const bool tables : {false, true}) {
          SCOPED_TRACE(std::string(k->name) + what + (tables ? " from tables" : "") + " trial " +
                       std::to_string(trial));
          TestBand other = band;
          draw(*k, other.View(tables));
          ASSERT_EQ(other.bgra, expected.bgra);
          ASSERT_EQ(
              0, std::memcmp(other.nearest.data(), expected.nearest.data(), expected.nearest.size() * sizeof(float)));
        }
      }
    };
    ASSERT_NO_FATAL_FAILURE(expectEvery(plain, "", [&](const sq::SkyDrawKernel& k, const sq::BandPixels& view) {
      k.drawBox(t, view, r0, r1, c0, c1);
    }));
    // Two triangles on one box, worked out together, as drawn one after the other.
    TestBand twice = plain;
    all.front()->drawBox(u, twice.View(false), r0, r1, c0, c1);
    ASSERT_NO_FATAL_FAILURE(expectEvery(twice, " pair", [&](const sq::SkyDrawKernel& k, const sq::BandPixels& view) {
      k.drawPair(t, u, view, r0, r1, c0, c1);
    }));
  }
  // The trials drew a good share of pixels, so the comparison compared something.
  EXPECT_GT(drawn, 1000u);
}

// Triangles near and far, large and tiny, some seen edge on from the centre, in batches that fill the lanes and that do
// not: every version sets each up as the plain one does, bit for bit, and as its corners say (its weights' normals and
// plane in proportion to b x c, c x a, a x b and a . (b x c), turned so the plane is positive; its slacks from its
// normals).
TEST(SkyDraw, EveryVersionSetsTrianglesUpAsThePlainOneAndAsTheirCornersSay) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> whole(-1000, 1000);
  std::size_t edgeOn = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const std::size_t count = 1 + random() % 19;
    // Whole numbers times a power of two, so a corner made the sum of two
    // others is exact and lies in the plane of the centre and those two.
    std::vector<sq::SceneVertex> points(3 * count);
    for (std::size_t k = 0; k < count; ++k) {
      const float scale = std::ldexp(1.0F, static_cast<int>(random() % 201) - 100);
      for (sq::SceneVertex& v : std::span(points).subspan(3 * k, 3)) {
        v.x = scale * static_cast<float>(whole(random)), v.y = scale * static_cast<float>(whole(random));
        v.z = scale * static_cast<float>(whole(random));
      }
      if (random() % 5 == 0) {
        sq::SceneVertex& c = points[3 * k + 2];
        const sq::SceneVertex &a = points[3 * k], &b = points[3 * k + 1];
        c.x = a.x + b.x, c.y = a.y + b.y, c.z = a.z + b.z;
      }
    }
    std::vector<const sq::SceneVertex*> corners;
    for (const sq::SceneVertex& v : points) corners.push_back(&v);
    std::vector<sq::PixelTriangle> plain(count);
    auto shownPlain = std::make_unique<bool[]>(count);
    sq::AvailableSkyDraws().front()->setUp(corners.data(), count, plain.data(), shownPlain.get());
    for (const sq::SkyDrawKernel* k : sq::AvailableSkyDraws()) {
      std::vector<sq::PixelTriangle> set(count);
      auto shown = std::make_unique<bool[]>(count);
      k->setUp(corners.data(), count, set.data(), shown.get());
      for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(std::string(k->name) + " trial " + std::to_string(trial) + " triangle " + std::to_string(i));
        ASSERT_EQ(shown[i], shownPlain[i]);
        if (shown[i]) {
          ASSERT_EQ(0, std::memcmp(&set[i], &plain[i], offsetof(sq::PixelTriangle, colour)));
        }
      }
    }
    for (std::size_t i = 0; i < count; ++i) {
      SCOPED_TRACE("trial " + std::to_string(trial) + " triangle " + std::to_string(i));
      std::array<V3, 3> p;
      for (std::size_t j = 0; j < 3; ++j) p[j] = {points[3 * i + j].x, points[3 * i + j].y, points[3 * i + j].z};
      const double plane = Dot(p[0], Cross(p[1], p[2]));  // exact, from whole numbers of a few bits
      ASSERT_EQ(shownPlain[i], plane != 0);
      if (plane == 0) {
        edgeOn += 1;
        continue;
      }
      const sq::PixelTriangle& t = plain[i];
      ASSERT_GT(t.plane, 0);
      const std::array<V3, 3> normals = {Cross(p[1], p[2]), Cross(p[2], p[0]), Cross(p[0], p[1])};
      const float* const held[3] = {t.bc, t.ca, t.ab};
      double big = 0;
      for (const V3& v : normals) big = std::max({big, std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
      for (std::size_t k = 0; k < 3; ++k) {
        for (std::size_t c = 0; c < 3; ++c) {
          EXPECT_NEAR(held[k][c] / t.plane, normals[k][c] / plane, 1e-6 * big / std::fabs(plane));
        }
        EXPECT_FLOAT_EQ(t.slack[k], 1e-6F * (std::fabs(held[k][0]) + std::fabs(held[k][1]) + std::fabs(held[k][2])));
      }
    }
  }
  EXPECT_GT(edgeOn, 50u);
}

// Vertices anywhere, on the poles, at the centre and no points at all: every
// version places them as the plain one does, and the plain one within the
// error of their exact longitude and latitude, with a longitude margin at
// least the turn the margin makes at their latitude.
TEST(SkyDraw, EveryVersionPlacesVerticesAsThePlainOneAndWithinTheError) {
  std::mt19937 random(8);
  std::uniform_real_distribution<float> spread(-1, 1);
  std::vector<sq::SceneVertex> vertices(1001);
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const float scale = std::ldexp(1.0F, static_cast<int>(random() % 101) - 50);
    sq::SceneVertex& v = vertices[i];
    v.x = scale * spread(random), v.y = scale * spread(random), v.z = scale * spread(random);
    if (i % 10 == 1) v.x = v.z = 0;        // on a pole
    if (i % 10 == 2) v.x = v.y = v.z = 0;  // the centre
    if (i % 10 == 3) v.y = std::nanf("");  // no point
    if (i % 10 == 4) v.z = -std::numeric_limits<float>::infinity();
  }
  const std::size_t count = vertices.size() - random() % 7;
  std::vector<sq::SkyPlace> plain(count);
  sq::AvailableSkyDraws().front()->places(vertices.data(), count, plain.data());
  auto same = [](const sq::SkyPlace& a, const sq::SkyPlace& b) {
    return a.lon == b.lon && a.lat == b.lat && a.lonMargin == b.lonMargin && a.pole == b.pole && a.finite == b.finite;
  };
  for (const sq::SkyDrawKernel* k : sq::AvailableSkyDraws()) {
    std::vector<sq::SkyPlace> placed(count);
    k->places(vertices.data(), count, placed.data());
    for (std::size_t i = 0; i < count; ++i) ASSERT_TRUE(same(placed[i], plain[i])) << k->name << " vertex " << i;
  }
  constexpr double kPi = sq::SkyPlace::kPi;
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE("vertex " + std::to_string(i));
    const sq::SceneVertex& v = vertices[i];
    const sq::SkyPlace& p = plain[i];
    ASSERT_EQ(p.finite, std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    if (!p.finite) continue;
    const double across = std::hypot(double{v.x}, double{v.z}), length = std::hypot(across, double{v.y});
    ASSERT_EQ(p.pole, across <= 1e-9 * length);
    const double lat = length > 0 ? std::asin(v.y / length) + kPi / 2 : kPi / 2;
    EXPECT_NEAR(p.Lat() + kPi / 2, lat, sq::SkyPlace::kAngleError);
    if (p.pole) continue;
    const double lon = std::atan2(double{v.x}, double{v.z});
    EXPECT_NEAR(std::remainder(p.Lon() - lon, 2 * kPi), 0, sq::SkyPlace::kAngleError);
    EXPECT_GE(p.LonMargin(), 2 * sq::SkyPlace::kMargin * length / across);
  }
}

// Triangles small and wide, across the turn's start, with a corner on a pole,
// round a pole, with a corner past the mesh or no point: every version bounds as the plain one does (the same
// triangles, the same extents and cells), the plain one those it should, and every direction through each such triangle
// lies in its extent.
TEST(SkyDraw, EveryVersionBoundsNarrowTrianglesAsThePlainOneAndEachHoldsItsTriangle) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> spread(-1, 1);
  std::vector<sq::SceneVertex> vertices(300);
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    sq::SceneVertex& v = vertices[i];
    v.x = static_cast<float>(spread(random)), v.y = static_cast<float>(spread(random));
    v.z = static_cast<float>(spread(random));
    if (i % 50 == 7) v.x = v.z = 0;  // on a pole
    if (i % 50 == 9) v.x = std::nanf("");
  }
  std::vector<sq::SkyPlace> places(vertices.size());
  sq::AvailableSkyDraws().front()->places(vertices.data(), vertices.size(), places.data());
  std::vector<std::array<uint16_t, 3>> triangles(2000);
  for (std::array<uint16_t, 3>& t : triangles) {
    // Mostly of nearby vertices (a vertex and ones within a few of it, which
    // lie anywhere); now and then one past the mesh's vertices.
    const auto first = static_cast<uint16_t>(random() % vertices.size());
    t = {first, static_cast<uint16_t>(random() % vertices.size()), static_cast<uint16_t>(random() % vertices.size())};
    if (random() % 100 == 0) t[random() % 3] = static_cast<uint16_t>(vertices.size() + random() % 3);
  }
  // Small triangles: a vertex moved a little each way.
  for (std::size_t i = 0; i < 1000; ++i) {
    const sq::SceneVertex v = vertices[i % vertices.size()];  // a copy: the list grows below
    const double size = std::pow(10.0, -1 - static_cast<double>(random() % 4));
    for (int k = 0; k < 3; ++k) {
      vertices.push_back({static_cast<float>(v.x + size * spread(random)),
                          static_cast<float>(v.y + size * spread(random)),
                          static_cast<float>(v.z + size * spread(random)),
                          {}});
    }
    const auto at = static_cast<uint16_t>(vertices.size() - 3);
    triangles.push_back({at, static_cast<uint16_t>(at + 1), static_cast<uint16_t>(at + 2)});
  }
  // Wide ones near a pole, whose edges bulge towards it past their corners.
  for (std::size_t i = 0; i < 300; ++i) {
    const double lon = 3 * spread(random), north = i % 2 == 0 ? 1 : -1;
    for (int k = 0; k < 3; ++k) {
      const double l = lon + 0.095 * spread(random), p = north * (1.05 + 0.52 * std::fabs(spread(random)));
      vertices.push_back({static_cast<float>(std::cos(p) * std::sin(l)),
                          static_cast<float>(std::sin(p)),
                          static_cast<float>(std::cos(p) * std::cos(l)),
                          {}});
    }
    const auto at = static_cast<uint16_t>(vertices.size() - 3);
    triangles.push_back({at, static_cast<uint16_t>(at + 1), static_cast<uint16_t>(at + 2)});
  }
  // Small ones across the turn's start, and ones with a corner on a pole.
  auto point = [](double l, double p) {
    return sq::SceneVertex{static_cast<float>(std::cos(p) * std::sin(l)),
                           static_cast<float>(std::sin(p)),
                           static_cast<float>(std::cos(p) * std::cos(l)),
                           {}};
  };
  for (std::size_t i = 0; i < 300; ++i) {
    const double north = i % 2 == 0 ? 1 : -1, lon = i % 4 < 2 ? 0 : 3 * spread(random);
    for (int k = 0; k < 3; ++k) {
      const bool pole = i % 4 >= 2 && k == 0;
      vertices.push_back(pole ? sq::SceneVertex{0, static_cast<float>(north), 0, {}}
                              : point(lon + 0.09 * spread(random), north * (1.2 + 0.37 * std::fabs(spread(random)))));
    }
    const auto at = static_cast<uint16_t>(vertices.size() - 3);
    triangles.push_back({at, static_cast<uint16_t>(at + 1), static_cast<uint16_t>(at + 2)});
  }
  places.resize(vertices.size());
  sq::AvailableSkyDraws().front()->places(vertices.data(), vertices.size(), places.data());

  const std::size_t count = triangles.size();
  std::vector<sq::SkyExtent> plain(count);
  auto narrowPlain = std::make_unique<bool[]>(count);
  const std::size_t cells = sq::AvailableSkyDraws().front()->narrowExtents(
      places.data(), vertices.size(), triangles.data(), count, plain.data(), narrowPlain.get());
  for (const sq::SkyDrawKernel* k : sq::AvailableSkyDraws()) {
    std::vector<sq::SkyExtent> bounded(count);
    auto narrow = std::make_unique<bool[]>(count);
    EXPECT_EQ(k->narrowExtents(places.data(), vertices.size(), triangles.data(), count, bounded.data(), narrow.get()),
              cells);
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_EQ(narrow[i], narrowPlain[i]) << k->name << " triangle " << i;
      if (narrow[i]) {
        ASSERT_EQ(0, std::memcmp(&bounded[i], &plain[i], sizeof plain[i])) << k->name << " triangle " << i;
      }
    }
  }
  constexpr double kPi = sq::SkyPlace::kPi;
  std::size_t bounds = 0;
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE("triangle " + std::to_string(i));
    const std::array<uint16_t, 3>& t = triangles[i];
    const bool within = t[0] < vertices.size() && t[1] < vertices.size() && t[2] < vertices.size();
    if (!within) {
      EXPECT_FALSE(narrowPlain[i]);
      continue;
    }
    // Narrow: its corners' longitudes close together, across the turn's start
    // too, leaving out a corner on a pole (one at most).
    std::vector<double> lons;
    int poles = 0;
    bool points = true;
    for (uint16_t c : t) {
      if (places[c].pole) ++poles;
      if (!places[c].pole) lons.push_back(places[c].Lon());
      points = points && places[c].finite;
    }
    double widest = 0;
    for (double a : lons) {
      for (double b : lons) widest = std::max(widest, std::fabs(std::remainder(a - b, 2 * kPi)));
    }
    EXPECT_EQ(narrowPlain[i], points && poles <= 1 && widest <= sq::SkyExtent::kNarrow + 1e-5);
    if (!narrowPlain[i]) continue;
    ++bounds;
    const sq::SkyExtent& e = plain[i];
    for (int sample = 0; sample < 50; ++sample) {
      double w[3] = {std::fabs(spread(random)), std::fabs(spread(random)), std::fabs(spread(random))};
      if (sample < 3) w[0] = w[1] = w[2] = 0, w[sample] = 1;  // the corners themselves
      if (sample >= 3 && sample < 20) w[sample % 3] = 0;      // on an edge
      V3 d = {0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        const sq::SceneVertex& v = vertices[t[static_cast<std::size_t>(k)]];
        d = {d[0] + w[k] * v.x, d[1] + w[k] * v.y, d[2] + w[k] * v.z};
      }
      const double lon = std::atan2(d[0], d[2]), lat = std::atan2(d[1], std::hypot(d[0], d[2]));
      const double up = std::min((lat + kPi / 2) / kPi * 65536, 65535.0);  // the steps end at the north pole
      ASSERT_TRUE(up >= e.latLo && up <= e.latHi) << up << " sample " << sample;
      if (std::hypot(d[0], d[2]) < 1e-9 * std::fabs(d[1])) continue;  // on the pole: any longitude
      // Steps past the extent's first, the turn's start wrapped round.
      const double along = std::fmod(lon / (2 * kPi) * 65536 - e.lon + 2 * 65536, 65536);
      ASSERT_LE(along, e.lonSpan) << "sample " << sample;
    }
  }
  EXPECT_GT(bounds, 1400u);
}
