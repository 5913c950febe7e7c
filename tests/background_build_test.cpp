// The background builder: the mesh's cover of the sphere, its winding and colours, the size refusals, the row order,
// what each option changes and what it leaves alone, the limits of the star lists.
#include <gtest/gtest.h>

#include <map>
#include <set>

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

}  // namespace

TEST(BackgroundMesh, CoversTheSphereOnceOnItsRadiusWoundToBeSeenFromInside) {
  for (const auto& [w, h] : {std::pair{1024, 512}, std::pair{1000, 500}, std::pair{77, 41}}) {
    for (int density : sq::kMeshDensities) {
      for (bool wideCaps : {false, true}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " density " + std::to_string(density));
        const sq::BuildOptions o{.density = density, .increaseCapping = wideCaps};
        const std::vector<sq::MeshChunk> chunks = sq::BuildMeshChunks(TablesOf(Picture(w, h, 30)), o);
        ASSERT_EQ(chunks.size(), 16u);
        double total = 0;
        int outward = 0;
        std::array<std::set<Point>, 16> positions;
        for (std::size_t k = 0; k < 16; ++k) {
          const sq::MeshPart& part = chunks[k].parts[0];
          for (const sq::MeshVertex v : part.vertices) {
            ASSERT_NEAR(Length(Of(v)), 600.0, 1e-3);
            positions[k].insert({v.x, v.y, v.z});
          }
          const auto& indices = part.indexLists.at(0).indices;
          const auto corner = [&](std::size_t i) { return Of(part.vertices.at(std::size_t(indices[i]))); };
          for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
            const Vec a = corner(i), b = corner(i + 1), c = corner(i + 2);
            const double omega = SolidAngle(a, b, c);
            total += omega;
            // Seen from the preview's eye, too, the normal faces the viewer.
            if (omega >= 0 || Dot(Cross(Sub(b, a), Sub(c, a)), Sub({0, 0, -270}, a)) <= 0) ++outward;
          }
        }
        EXPECT_NEAR(total, -4 * std::numbers::pi, 1e-3);
        EXPECT_EQ(outward, 0);
        // Each vertex on a sector's right edge stands, to the bit, in the next sector too.
        for (std::size_t k = 0; k < 16; ++k) {
          int onEdge = 0;
          for (const auto& [x, y, z] : positions[k]) {
            const double u = ToPicture(x, y, z, w, h).u;
            if (std::fabs(y) > 599.99f || ColumnGap(u, w * double(k + 1) / 16, w) > 1e-3) continue;
            ++onEdge;
            EXPECT_TRUE(positions[(k + 1) % 16].count({x, y, z})) << "sector " << k;
          }
          EXPECT_GE(onEdge, 2);
        }
      }
    }
  }
}

TEST(BackgroundMesh, VertexColoursAreTheCellMeanAtTheirDirectionClosestWithColourAverage) {
  Picture noisy = SmoothSky(1024, 512);
  uint32_t state = 7;
  for (std::size_t i = 0; i < noisy.pixels.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    if (i % 4 != 3) noisy.pixels[i] = uint8_t(noisy.pixels[i] + int(state >> 29) - 2);  // -2 .. +5: no stars
  }
  // The largest and the mean difference from the N x N cell mean around each vertex's direction, caps left out.
  auto errors = [](const Picture& picture, int density, bool average) {
    const sq::BuildOptions o{.density = density, .colourAverage = average};
    const int cap = sq::MakeMeshGrid(picture.width, picture.height, density, false).capRows;
    double worst = 0, sum = 0, count = 0;
    for (const sq::MeshChunk& chunk : sq::BuildMeshChunks(TablesOf(picture), o)) {
      for (const sq::MeshVertex vertex : chunk.parts[0].vertices) {
        const PicturePoint at = ToPicture(vertex.x, vertex.y, vertex.z, picture.width, picture.height);
        if (at.v < cap + 0.5 || at.v > picture.height - cap - 0.5) continue;
        const std::array<double, 3> mean = CellMean(picture, at.u, at.v, density);
        for (std::size_t k = 0; k < 3; ++k, ++count) {
          const double d = std::fabs(vertex.vertexColour[k + 1] - mean[k]);
          worst = std::max(worst, d);
          sum += d;
        }
      }
    }
    return std::pair{worst, sum / count};
  };
  for (int density : {16, 6, 2}) {
    EXPECT_LE(errors(SmoothSky(1000, 500), density, false).first, 3.0) << density;
    EXPECT_LE(errors(SmoothSky(1000, 500), density, true).first, 1.0) << density;
  }
  const double plain = errors(noisy, 8, false).second, averaged = errors(noisy, 8, true).second;
  EXPECT_TRUE(averaged < 0.5 && plain > 4 * averaged) << plain << " " << averaged;
}

// A chunk of a W x H picture at density N holds (columns + 1) x (rows + 1) + 2 vertices: the columns of a sixteenth of
// the width and the rows between the two one-step caps, each a step of N with a shorter last one, and the two poles.
TEST(BackgroundRefusal, TooLargeForTheDensityTooSmallOrUnsoundIsRefusedWithNothingBuilt) {
  for (const auto& [w, h] : {std::pair{1024, 512}, std::pair{2048, 1024}}) {
    for (int density : sq::kMeshDensities) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " density " + std::to_string(density));
      const sq::BuildOptions o{.density = density};
      const int64_t columns = (w / 16 + density - 1) / density, rows = (h - 2 * density + density - 1) / density;
      const int64_t vertices = (columns + 1) * (rows + 1) + 2;
      const sq::BuiltBackground built = BuildFromPicture(Picture(w, h, 20), o);
      if (vertices > 32767) {  // 2048 x 1024 at density 2 alone
        EXPECT_EQ(built.refusal, std::string(sq::kPictureTooLarge) +
                                     "2: a mesh chunk would hold 33217 vertices, and 32767 fit in one. The finest "
                                     "density that fits is 4.");
        EXPECT_TRUE(built.tables.bgmsTable.empty());
        continue;
      }
      ASSERT_EQ(built.refusal, "");
      for (const sq::MeshChunk& chunk : built.tables.bgmsTable) EXPECT_EQ(chunk.parts[0].vertexCount, vertices);
    }
  }
  // At the limit exactly: 5 x 6553 + 2 = 32767 vertices a chunk are built, a row more is refused.
  const sq::BuildOptions o{.density = 2};
  const sq::BuiltBackground full = BuildFromPicture(Picture(128, 13108, 20), o);
  ASSERT_EQ(full.refusal, "");
  EXPECT_EQ(full.tables.bgmsTable[0].parts[0].vertexCount, 32767);
  EXPECT_EQ(sq::BuildRefusal(128, 13109, o).rfind(sq::kPictureTooLarge, 0), 0u);
  EXPECT_NE(sq::BuildRefusal(32767, 32767, o).find(sq::kNoDensityFits), std::string::npos);
  // From a file the refusal is one message, and nothing is built.
  TempDir dir;
  for (const auto& [picture, message] : {std::pair{Picture(5, 40, 20), std::string(sq::kPictureTooSmall)},
                                         std::pair{Picture(2048, 1024, 20), sq::BuildRefusal(2048, 1024, o)}}) {
    RecordingPlatform platform;
    const sq::BuiltBackground outcome = BuildFromFile(dir, picture.File(), o, platform);
    EXPECT_FALSE(outcome.Built() || !outcome.tables.bgmsTable.empty());
    EXPECT_EQ(platform.messages, std::vector<std::string>{Shown(message)});
  }
  RecordingPlatform platform;
  EXPECT_TRUE(BuildFromFile(dir, Picture(6, 6, 20).File(), {}, platform).Built());
}

TEST(BackgroundBuild, ATopDownPictureBuildsWhatTheSamePictureStoredBottomUpBuilds) {
  // A smooth sky with two 2 x 2 stars and three single-pixel ones, well apart.
  Picture bottomUp = SmoothSky(1024, 512);
  bottomUp.Grey(100, 100, 120).Grey(700, 450, 110).Grey(1020, 60, 127).Square(300, 200, 125).Square(900, 300, 118);
  Picture flipped = bottomUp;
  for (int y = 1; y <= bottomUp.height; ++y) std::copy_n(bottomUp.At(1, y), bottomUp.width * 4, flipped.At(1, 513 - y));
  std::vector<uint8_t> topDownFile = flipped.File();
  topDownFile[17] |= 0x20;  // descriptor bit 5: the first row stored is the top one
  TempDir dir;
  RecordingPlatform platform;
  const sq::BuiltBackground expected = BuildFromFile(dir, bottomUp.File(), {}, platform);
  const sq::BuiltBackground topDown = BuildFromFile(dir, topDownFile, {}, platform);
  ASSERT_TRUE(expected.Built() && topDown.Built() && topDown.read.topDown);
  EXPECT_EQ(Serialized(topDown.tables), Serialized(expected.tables));
}

TEST(BackgroundOptions, TheMeshIsHalftonedAndTheIntensityLimitHoldsBrightColoursDownKeepingTheirHue) {
  Picture sky = SmoothSky(1024, 512);
  for (int y = 200; y <= 300; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, uint8_t(60 + y % 60), 127, uint8_t(40 + x % 80));
  }
  for (int y = 400; y <= 403; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, 250, 200, 180);  // not halftoned
  }
  const auto plain = Vertices(BuildFromPicture(sky, {}).tables);
  int clamped = 0, scaled = 0;
  for (const auto& [p, colour] : plain) {
    EXPECT_LE(std::max({colour[1], colour[2], colour[3]}), 127);
    clamped += colour == std::array<uint8_t, 4>{0, 127, 127, 127};
  }
  EXPECT_GT(clamped, 100);
  for (const auto& [p, colour] : Vertices(BuildFromPicture(sky, {.intensityLimit = true}).tables)) {
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
  const Picture sky = SmoothSky(1024, 512);
  const auto narrow = Vertices(BuildFromPicture(sky, {}).tables);
  const auto wide = Vertices(BuildFromPicture(sky, {.increaseCapping = true}).tables);
  // At density 8 the wide cap takes the 32 rows nearest each pole, in their mean colour.
  std::array<double, 3> bottom{};
  for (std::size_t i = 0; i < 32 * 1024 * 4; i += 4) {  // rows 1 .. 32, stored first
    for (std::size_t k = 0; k < 3; ++k) bottom[k] += sky.pixels[i + k] / (32.0 * 1024);
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
  const sq::BuiltBackground normal = BuildFromPicture(sky, {}),
                            less = BuildFromPicture(sky, {.stars = sq::StarAmount::Less});
  const std::set<Point> n = PointStars(normal.tables), l = PointStars(less.tables),
                        m = PointStars(BuildFromPicture(sky, {.stars = sq::StarAmount::More}).tables);
  EXPECT_EQ(std::tuple(n.size(), m.size(), l.size()), std::tuple(20u, 30u, 10u));
  EXPECT_TRUE(std::includes(m.begin(), m.end(), n.begin(), n.end()) &&
              std::includes(n.begin(), n.end(), l.begin(), l.end()));
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
