// What each of the builder's options changes, and what it leaves alone; the
// stars found, where they land, and the limits of the star lists.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

using Point = std::tuple<float, float, float>;

double V(const Point& p) { return ToPicture(std::get<0>(p), std::get<1>(p), std::get<2>(p), 1024, 512).v; }

std::set<Point> PointStars(const sq::BackgroundTables& t) {
  std::set<Point> out;
  for (const sq::PointStarChunk& chunk : t.strfTable) {
    for (const sq::PointStarRecord s : chunk.stars) out.insert({s.x, s.y, s.z});
  }
  return out;
}

std::map<Point, std::array<uint8_t, 4>> Vertices(const sq::BackgroundTables& t) {
  std::map<Point, std::array<uint8_t, 4>> out;
  for (const sq::MeshChunk& chunk : t.bgmsTable) {
    for (const sq::MeshVertex v : chunk.parts[0].vertices) out[{v.x, v.y, v.z}] = v.vertexColour;
  }
  return out;
}

sq::BuiltBackground Build(const Picture& p, void (*set)(sq::BuildOptions&)) {
  sq::BuildOptions o;
  set(o);
  return BuildFromPicture(p, o);
}

}  // namespace

TEST(BackgroundStars, PlantedStarsLandInTheirDirectionInTheirColourAndLeaveTheSkyBehind) {
  TempDir dir;
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {(dir / "sky.tga").string()}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  std::array<std::vector<std::pair<int, int>>, 3> planted;
  std::istringstream list(made.out);
  for (int entry, x, y; list >> entry >> x >> y;) planted[std::size_t(entry)].push_back({x, y});
  for (const auto& stars : planted) ASSERT_GE(stars.size(), 20u);
  const SavedTga original = ReadSavedTga(dir / "sky.tga");

  sq::BuildOptions o;
  o.density = 2;
  o.colourAverage = true;
  RecordingPlatform platform;
  const sq::BackgroundTables t = sq::BuildBackgroundFromFile(dir / "sky.tga", o, platform).built.tables;
  // Each planted star has one record within half a pixel of its centre, in its colour.
  auto near = [](float x, float y, float z, double u, double v) {
    const PicturePoint at = ToPicture(x, y, z, 1024, 512);
    return ColumnGap(at.u, u, 1024) <= 0.5 + 1e-3 && std::fabs(at.v - v) <= 0.5 + 1e-3;
  };
  EXPECT_EQ(PointStars(t).size(), planted[1].size());
  for (const auto& [x, y] : planted[1]) {
    int found = 0;
    for (const sq::PointStarRecord s : t.strfTable[std::size_t(16 * (x - 0.5) / 1024)].stars) {
      if (!near(s.x, s.y, s.z, x - 0.5, y - 0.5)) continue;
      ++found;
      const uint8_t* c = original.At(x, y);
      EXPECT_EQ((std::array{s.blue, s.green, s.red, s.alpha}),
                (std::array{c[0] / 510.0f, c[1] / 510.0f, c[2] / 510.0f, 1.0f}));
    }
    EXPECT_EQ(found, 1) << "point star " << x << " " << y;
  }
  const double pixel = 2 * std::numbers::pi * 600 / 1024;
  for (std::size_t e : {std::size_t{0}, std::size_t{2}}) {
    const sq::StarMapChunk& map = t.bgsgTable[e / 2];
    EXPECT_EQ(map.records.size(), planted[e].size());
    for (const auto& [x, y] : planted[e]) {
      int found = 0;
      for (const sq::StarMapRecord r : map.records) {
        if (!near(r.x, r.y, r.z, x, y)) continue;
        ++found;
        EXPECT_EQ(r.green, original.At(x, y)[1] / 255.0f);
        EXPECT_TRUE(r.size >= 2 * pixel - 1e-3 && r.size <= 4 * pixel + 1e-3) << r.size;
      }
      EXPECT_EQ(found, 1) << "list " << e << " star " << x << " " << y;
    }
  }
  // Where a star was, the vertex nearest to it (every two pixels from column
  // and row 0) shows the sky a few pixels off it.
  const auto vertices = Vertices(t);
  for (const auto& [x, y] : planted[1]) {
    const sq::SkyPosition p = sq::SkyPoint(2 * std::round((x - 0.5) / 2), 2 * std::round((y - 0.5) / 2), 1024, 512);
    const auto v = vertices.find({float(p.x), float(p.y), float(p.z)});
    ASSERT_NE(v, vertices.end());
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(v->second[k + 1], original.At(x + 3, y)[k], 1);
  }
}

// Vertex colour bytes stay halftoned (at most 127) whatever the picture holds.
TEST(BackgroundOptions, TheMeshIsHalftonedAndTheIntensityLimitHoldsBrightColoursDownKeepingTheirHue) {
  Picture sky = SmoothSky(1024, 512);
  for (int y = 200; y <= 300; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, uint8_t(60 + y % 60), 127, uint8_t(40 + x % 80));
  }
  for (int y = 400; y <= 403; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, 250, 200, 180);  // not halftoned
  }
  const auto plain = Vertices(Build(sky, [](sq::BuildOptions&) {}).tables);
  int clamped = 0, scaled = 0;
  for (const auto& [p, colour] : plain) {
    EXPECT_LE(std::max({colour[1], colour[2], colour[3]}), 127);
    clamped += colour == std::array<uint8_t, 4>{0, 127, 127, 127};
  }
  EXPECT_GT(clamped, 100);
  for (const auto& [p, colour] : Vertices(Build(sky, [](sq::BuildOptions& o) { o.intensityLimit = true; }).tables)) {
    const std::array<uint8_t, 4> before = plain.at(p);
    const int top = std::max({before[1], before[2], before[3]});
    EXPECT_LE(std::max({colour[1], colour[2], colour[3]}), sq::kIntensityLimit);
    if (top <= sq::kIntensityLimit) {
      EXPECT_EQ(colour, before);
      continue;
    }
    ++scaled;
    for (std::size_t k = 1; k < 4; ++k) EXPECT_NEAR(colour[k], before[k] * double(sq::kIntensityLimit) / top, 0.5);
  }
  EXPECT_GT(scaled, 1000);
}

TEST(BackgroundOptions, TheWiderCapCoversMoreRowsInTheirMeanColour) {
  Picture sky = SmoothSky(1024, 512);
  const auto narrow = Vertices(Build(sky, [](sq::BuildOptions&) {}).tables);
  const auto wide = Vertices(Build(sky, [](sq::BuildOptions& o) { o.increaseCapping = true; }).tables);
  // At density 8 the wide cap takes the 32 rows nearest each pole, in their mean colour.
  std::array<double, 3> bottom{};
  for (int y = 1; y <= 32; ++y) {
    for (int x = 1; x <= 1024; ++x) {
      for (std::size_t k = 0; k < 3; ++k) bottom[k] += sky.At(x, y)[k] / (32.0 * 1024);
    }
  }
  std::set<std::array<uint8_t, 4>> narrowColours;
  for (const auto& [p, colour] : wide) {
    if (V(p) <= 32 + 1e-3) {
      for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(colour[k + 1], bottom[k], 0.5);
      narrowColours.insert(narrow.at(p));  // the same places: the grid rows are the same
    } else if (V(p) < 512 - 32 - 1e-3) {
      EXPECT_EQ(narrow.at(p), colour);  // outside both caps nothing changes
    }
  }
  EXPECT_GT(narrowColours.size(), 5u);  // without the option those rows keep their own colours
}

TEST(BackgroundOptions, MoreStarsAddsFainterOnesAndLessStarsKeepsTheBrightest) {
  Picture sky = SmoothSky(1024, 512);
  auto lift = [&](int x, int y, int by) {
    const uint8_t* p = sky.At(x, y);
    sky.Set(x, y, uint8_t(p[0] + by), uint8_t(p[1] + by), uint8_t(p[2] + by));
  };
  for (int i = 0; i < 10; ++i) {
    lift(60 + 90 * i, 100, 55);  // bright: kept by "Less stars"
    lift(60 + 90 * i, 250, 30);  // found, too faint for "Less stars"
    lift(60 + 90 * i, 400, 12);  // found only by the second look of "More stars"
  }
  const sq::BuiltBackground normal = Build(sky, [](sq::BuildOptions&) {});
  const sq::BuiltBackground less = Build(sky, [](sq::BuildOptions& o) { o.stars = sq::StarAmount::Less; });
  const std::set<Point> n = PointStars(normal.tables), l = PointStars(less.tables),
                        m = PointStars(Build(sky, [](sq::BuildOptions&o) { o.stars = sq::StarAmount::More; }).tables);
  EXPECT_EQ(std::tuple(n.size(), m.size(), l.size()), std::tuple(20u, 30u, 10u));
  EXPECT_TRUE(std::includes(m.begin(), m.end(), n.begin(), n.end()));
  EXPECT_TRUE(std::includes(n.begin(), n.end(), l.begin(), l.end()));
  for (const Point& p : l) EXPECT_NEAR(V(p), 99.5, 1e-3);
  // "Less stars" leaves out records only: the sky is taken from the same stars.
  EXPECT_EQ(less.tables.bgmsTable, normal.tables.bgmsTable);
}

TEST(BackgroundStars, PastTheirLimitsTheListsKeepTheStrongestInOrderAndCountTheRest) {
  sq::BuildStarLists lists;
  for (int i = 0; i < 5470; ++i) lists[sq::kRingStars].push_back({10 + i % 900, 10 + i / 900, {}, 100 + i % 17});
  for (int i = 0; i < 32770; ++i) lists[sq::kSingleStars].push_back({2 + i % 60, 2 + i / 60, {}, i == 5 ? 1 : 50});
  lists[sq::kSingleStars].push_back({1000, 3, {}, 0});  // alone in the last sector
  const sq::StarRecords r = sq::MakeStarRecords(lists, 1024, 2000);
  auto x = [](double u, double v) { return float(sq::SkyPoint(u, v, 1024, 2000).x); };

  EXPECT_EQ(std::pair(r.starMaps[0].recordCount, r.droppedStarMapRecords[0]), std::pair(5461, int64_t{9}));
  // The faintest are of strength 100 (i % 17 == 0); of those the last nine go.
  EXPECT_EQ(r.starMaps[0].records[0].x, x(10, 10));
  EXPECT_EQ(r.starMaps[0].records[5460].x, x(10 + 5469 % 900, 16));
  EXPECT_EQ(r.starMaps[0].records[5304].x, x(10 + 5304 % 900, 15));  // 17 x 312: the last of them to stay
  EXPECT_EQ(r.starMaps[0].records[5321].x, x(10 + 5322 % 900, 15));  // 17 x 313 went
  EXPECT_EQ(std::pair(r.pointStars[0].starCount, r.droppedPointStars[0]), std::pair(32767, int64_t{3}));
  EXPECT_EQ(r.pointStars[0].stars[5].x, x(8 - 0.5, 2 - 0.5));  // star 5, the faintest, went
  EXPECT_EQ(r.pointStars[15].starCount, 1);
  EXPECT_EQ(r.notes, (std::vector<std::string>{
                         "Star map \"B02.tga\" holds at most 5461 stars: the 9 faintest of 5470 were left out.",
                         "Point-star chunk 1 holds at most 32767 stars: the 3 faintest of 32770 were left out."}));
}
