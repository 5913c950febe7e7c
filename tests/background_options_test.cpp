// What each of the builder's options changes, and what it leaves alone; the
// stars found, where they land, and the limits of the star lists.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "skykit.h"

using namespace sqtest;

namespace {

using Point = std::tuple<float, float, float>;

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

TEST(BuildOptions, FollowTheOptionsMenu) {
  sq::BuilderOptions menu;
  EXPECT_EQ(sq::BuildOptionsFrom(menu), sq::BuildOptions{});
  for (auto item : {sq::BuilderOption::Density2, sq::BuilderOption::ColourAverage, sq::BuilderOption::IntensityLimit,
                    sq::BuilderOption::IncreaseCapping, sq::BuilderOption::MoreStars, sq::BuilderOption::LessStars}) {
    menu.Click(item);
  }
  EXPECT_EQ(sq::BuildOptionsFrom(menu), (sq::BuildOptions{2, true, true, true, sq::StarAmount::Less}));
  menu.Click(sq::BuilderOption::MoreStars);
  EXPECT_EQ(sq::BuildOptionsFrom(menu).stars, sq::StarAmount::More);
}

TEST(BackgroundStars, PlantedStarsLandInTheirDirectionInTheirColourAndLeaveTheSkyBehind) {
  TempDir dir;
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {(dir / "sky.tga").string()}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string bytes = ReadText(dir / "sky.tga");
  const std::vector<uint8_t> file(bytes.begin(), bytes.end());
  std::array<std::vector<std::pair<int, int>>, 3> planted;
  std::istringstream list(made.out);
  for (int entry, x, y; list >> entry >> x >> y;) planted[std::size_t(entry)].push_back({x, y});

  // The build's lists are the ones "Load Targa image" finds in the same picture.
  sq::TgaTables loaded;
  RecordingPlatform platform;
  sq::LoadTargaImage(dir / "sky.tga", dir.path(), loaded, platform);
  sq::TgaTables picture;
  sq::ReadTargaPicture(dir / "sky.tga", picture, platform);
  Picture original(1024, 512);
  std::copy(picture.tgaPixels().begin(), picture.tgaPixels().end(), original.pixels.begin());
  sq::Progress progress(platform);
  const sq::BuildStarLists stars = sq::FindAndRemoveStars(picture, sq::StarAmount::Normal, progress);
  for (std::size_t e = 0; e < 3; ++e) {
    ASSERT_EQ(stars[e].size(), loaded.starTable[e].points.size());
    ASSERT_GE(stars[e].size(), 20u);
    for (std::size_t i = 0; i < stars[e].size(); ++i) {
      EXPECT_EQ(stars[e][i].x, int(loaded.starTable[e].points[i].x));
      EXPECT_EQ(stars[e][i].y, int(loaded.starTable[e].points[i].y));
    }
  }

  sq::BuildOptions o;
  o.density = 2;
  o.colourAverage = true;
  const sq::BackgroundBuildOutcome built = BuildFromFile(dir, file, o, platform);
  ASSERT_TRUE(built.Built());
  const sq::BackgroundTables& t = built.built.tables;
  auto near = [](PicturePoint at, double u, double v) {
    return ColumnGap(at.u, u, 1024) <= 0.5 + 1e-3 && std::fabs(at.v - v) <= 0.5 + 1e-3;
  };
  for (const auto& [x, y] : planted[1]) {
    const std::size_t sector = std::size_t(16 * (x - 0.5) / 1024);
    bool found = false;
    for (const sq::PointStarRecord s : t.strfTable[sector].stars) {
      if (!near(ToPicture(s.x, s.y, s.z, 1024, 512), x - 0.5, y - 0.5)) continue;
      found = true;
      EXPECT_FLOAT_EQ(s.red, original.At(x, y)[2] / 510.0f);
      EXPECT_FLOAT_EQ(s.blue, original.At(x, y)[0] / 510.0f);
      EXPECT_EQ(s.alpha, 1.0f);
    }
    EXPECT_TRUE(found) << "point star " << x << " " << y;
  }
  for (std::size_t e : {std::size_t{0}, std::size_t{2}}) {
    const sq::StarMapChunk& map = t.bgsgTable[e == 0 ? 0 : 1];
    EXPECT_EQ(map.records.size(), planted[e].size());
    for (const auto& [x, y] : planted[e]) {
      bool found = false;
      for (const sq::StarMapRecord r : map.records) {
        if (!near(ToPicture(r.x, r.y, r.z, 1024, 512), x, y)) continue;
        found = true;
        EXPECT_FLOAT_EQ(r.green, original.At(x, y)[1] / 255.0f);
        const double pixel = 2 * std::numbers::pi * 600 / 1024;
        EXPECT_TRUE(r.size >= 2 * pixel - 1e-3 && r.size <= 4 * pixel + 1e-3) << r.size;
      }
      EXPECT_TRUE(found) << "list " << e << " star " << x << " " << y;
    }
  }
  // Where a star was, the mesh shows the sky a few pixels off it.
  const auto vertices = Vertices(t);
  for (const auto& [x, y] : planted[1]) {
    // The nearest vertex: the grid runs every two pixels from column and row 0.
    const sq::SkyPosition p = sq::SkyPoint(2 * std::round((x - 0.5) / 2), 2 * std::round((y - 0.5) / 2), 1024, 512);
    const auto v = vertices.find({float(p.x), float(p.y), float(p.z)});
    ASSERT_NE(v, vertices.end());
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(v->second[std::size_t(k) + 1], original.At(x + 3, y)[k], 1);
  }
}

TEST(BackgroundOptions, DensityIsTheGridStepInPixels) {
  const Picture sky = SmoothSky(1024, 512);
  std::map<int, std::size_t> triangles;
  for (int density : sq::kMeshDensities) {
    sq::BuildOptions o;
    o.density = density;
    const sq::BuiltBackground built = BuildFromPicture(sky, o);
    std::set<double> us, vs;
    for (const sq::MeshChunk& chunk : built.tables.bgmsTable) {
      triangles[density] += std::size_t(chunk.parts[0].indexLists[0].indexCount / 3);
      for (const sq::MeshVertex v : chunk.parts[0].vertices) {
        if (std::fabs(v.y) > 599.9f) continue;  // the poles
        const PicturePoint at = ToPicture(v.x, v.y, v.z, 1024, 512);
        const double u = std::round(at.u * 1e3) / 1e3;
        us.insert(u >= 1024 ? 0 : u);
        vs.insert(std::round(at.v * 1e3) / 1e3);
      }
    }
    // Columns every N pixels from each sector's edge, the last step of a
    // sector perhaps shorter; rows likewise from the bottom cap's edge.
    EXPECT_EQ(us.size(), std::size_t(16 * ((64 + density - 1) / density)));
    std::vector<double> columns(us.begin(), us.end());
    for (std::size_t i = 1; i < columns.size(); ++i) {
      const double gap = columns[i] - columns[i - 1];
      EXPECT_TRUE(std::fabs(gap - density) < 1e-2 || (std::fmod(columns[i], 64) < 1e-2 && gap < density)) << gap;
    }
    std::vector<double> rows(vs.begin(), vs.end());
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) EXPECT_NEAR(rows[i] - rows[i - 1], density, 1e-2);
    EXPECT_LE(rows.back() - rows[rows.size() - 2], density + 1e-2);
  }
  EXPECT_NEAR(double(triangles[2]) / double(triangles[16]), 64, 64 * 0.1);
}

TEST(BackgroundOptions, ColourAverageFollowsTheCellMeanOnANoisyPictureAndChangesNothingElse) {
  Picture noisy = SmoothSky(1024, 512);
  uint32_t state = 7;
  for (std::size_t i = 0; i < noisy.pixels.size(); ++i) {
    if (i % 4 == 3) continue;
    state = state * 1664525u + 1013904223u;
    noisy.pixels[i] = uint8_t(noisy.pixels[i] + int(state >> 29) - 4 + 2);  // -2 .. +5: no pixel stands out
  }
  std::map<bool, double> error;
  std::map<bool, sq::BuiltBackground> built;
  for (bool average : {false, true}) {
    sq::BuildOptions o;
    o.colourAverage = average;
    built[average] = BuildFromPicture(noisy, o);
    double sum = 0;
    int count = 0;
    for (const auto& [p, colour] : Vertices(built[average].tables)) {
      const PicturePoint at = ToPicture(std::get<0>(p), std::get<1>(p), std::get<2>(p), 1024, 512);
      if (at.v < 8.5 || at.v > 503.5) continue;
      const auto mean = CellMean(noisy, at.u, at.v, 8);
      for (int k = 0; k < 3; ++k, ++count) sum += std::fabs(colour[std::size_t(k) + 1] - mean[std::size_t(k)]);
    }
    error[average] = sum / count;
  }
  EXPECT_LT(error[true], 0.5);
  EXPECT_GT(error[false], 4 * error[true]);
  EXPECT_EQ(built[true].tables.bgsgTable, built[false].tables.bgsgTable);
  EXPECT_EQ(built[true].tables.strfTable, built[false].tables.strfTable);
  EXPECT_EQ(Vertices(built[true].tables).size(), Vertices(built[false].tables).size());
}

TEST(BackgroundOptions, TheIntensityLimitHoldsBrightColoursDownKeepingTheirHue) {
  Picture sky = SmoothSky(1024, 512);
  for (int y = 200; y <= 300; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, uint8_t(60 + y % 60), 127, uint8_t(40 + x % 80));
  }
  const auto plain = Vertices(Build(sky, [](sq::BuildOptions&) {}).tables);
  const sq::BuiltBackground limited = Build(sky, [](sq::BuildOptions& o) { o.intensityLimit = true; });
  int scaled = 0;
  for (const auto& [p, colour] : Vertices(limited.tables)) {
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
  const auto narrow = Vertices(Build(sky, [](sq::BuildOptions&) {}).tables);
  const auto wide = Vertices(Build(sky, [](sq::BuildOptions& o) { o.increaseCapping = true; }).tables);
  // The picture's mean over the 32 bottom rows: the wide cap's one colour.
  std::array<double, 3> bottom{};
  for (int y = 1; y <= 32; ++y) {
    for (int x = 1; x <= 1024; ++x) {
      for (int k = 0; k < 3; ++k) bottom[std::size_t(k)] += const_cast<Picture&>(sky).At(x, y)[k] / (32.0 * 1024);
    }
  }
  std::map<bool, int> capped;  // vertices within 32 rows of the bottom
  for (const auto& [p, colour] : wide) {
    const double v = ToPicture(std::get<0>(p), std::get<1>(p), std::get<2>(p), 1024, 512).v;
    if (v <= 32 + 1e-3) {
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(colour[std::size_t(k) + 1], bottom[std::size_t(k)], 0.5);
    } else if (v < 512 - 32 - 1e-3) {
      EXPECT_EQ(narrow.at(p), colour);  // outside both caps nothing changes
    }
  }
  std::set<std::array<uint8_t, 4>> narrowColours;
  for (const auto& [p, colour] : narrow) {
    if (ToPicture(std::get<0>(p), std::get<1>(p), std::get<2>(p), 1024, 512).v <= 32 + 1e-3) narrowColours.insert(colour);
  }
  EXPECT_GT(narrowColours.size(), 5u);  // without the option those rows keep their own colours
}

TEST(BackgroundOptions, MoreStarsAddsFainterOnesAndLessStarsKeepsTheBrightest) {
  Picture sky = SmoothSky(1024, 512);
  auto lift = [&](int x, int y, int by) {
    uint8_t* p = sky.At(x, y);
    sky.Set(x, y, uint8_t(p[0] + by), uint8_t(p[1] + by), uint8_t(p[2] + by));
  };
  for (int i = 0; i < 10; ++i) {
    lift(60 + 90 * i, 100, 55);  // bright: found, and kept by "Less stars"
    lift(60 + 90 * i, 250, 30);  // found, too faint for "Less stars"
    lift(60 + 90 * i, 400, 12);  // found only by the second look of "More stars"
  }
  const sq::BuiltBackground normal = Build(sky, [](sq::BuildOptions&) {});
  const sq::BuiltBackground more = Build(sky, [](sq::BuildOptions& o) { o.stars = sq::StarAmount::More; });
  const sq::BuiltBackground less = Build(sky, [](sq::BuildOptions& o) { o.stars = sq::StarAmount::Less; });
  const std::set<Point> n = PointStars(normal.tables), m = PointStars(more.tables), l = PointStars(less.tables);
  EXPECT_EQ(n.size(), 20u);
  EXPECT_EQ(m.size(), 30u);
  EXPECT_EQ(l.size(), 10u);
  EXPECT_TRUE(std::includes(m.begin(), m.end(), n.begin(), n.end()));
  EXPECT_TRUE(std::includes(n.begin(), n.end(), l.begin(), l.end()));
  for (const Point& p : l) {  // the bright ones
    EXPECT_NEAR(ToPicture(std::get<0>(p), std::get<1>(p), std::get<2>(p), 1024, 512).v, 99.5, 1e-3);
  }
  // "Less stars" leaves out records only: the sky is taken from the same stars.
  EXPECT_EQ(less.tables.bgmsTable, normal.tables.bgmsTable);
}

TEST(BackgroundStars, PastTheirLimitsTheListsKeepTheStrongestInOrderAndCountTheRest) {
  sq::BuildStarLists lists;
  for (int i = 0; i < 5470; ++i) lists[sq::kRingStars].push_back({10 + i % 900, 10 + i / 900, {}, 100 + i % 17});
  for (int i = 0; i < 32770; ++i) lists[sq::kSingleStars].push_back({2 + i % 60, 2 + i / 60, {}, i == 5 ? 1 : 50});
  lists[sq::kSingleStars].push_back({1000, 3, {9, 9, 9}, 0});  // alone in the last sector
  const sq::StarRecords r = sq::MakeStarRecords(lists, 1024, 2000);

  ASSERT_EQ(r.starMaps[0].recordCount, 5461);
  EXPECT_EQ(r.droppedStarMapRecords, (std::array<int64_t, 2>{9, 0}));
  // The faintest are of strength 100 (i % 17 == 0): of those the last nine go.
  const sq::SkyPosition first = sq::SkyPoint(10, 10, 1024, 2000), last = sq::SkyPoint(10 + 5469 % 900, 16, 1024, 2000);
  EXPECT_EQ(r.starMaps[0].records[0].x, float(first.x));
  EXPECT_EQ(r.starMaps[0].records[5460].x, float(last.x));
  const sq::SkyPosition gone = sq::SkyPoint(10 + 5457 % 900, 16, 1024, 2000);
  for (const sq::StarMapRecord rec : r.starMaps[0].records) EXPECT_FALSE(rec.x == float(gone.x) && rec.y == float(gone.y));
  EXPECT_EQ(r.pointStars[0].starCount, 32767);
  EXPECT_EQ(r.droppedPointStars[0], 3);
  EXPECT_EQ(r.pointStars[15].starCount, 1);
  // Of the singles of strength 50, the earliest stay; star 5, the faintest, goes.
  const sq::SkyPosition sixth = sq::SkyPoint(2 + 6 - 0.5, 2 - 0.5, 1024, 2000);
  EXPECT_EQ(r.pointStars[0].stars[5].x, float(sixth.x));
  EXPECT_EQ(r.notes, (std::vector<std::string>{
                         "Star map \"B02.tga\" holds at most 5461 stars: the 9 faintest of 5470 were left out.",
                         "Point-star chunk 1 holds at most 32767 stars: the 3 faintest of 32770 were left out."}));
}

TEST(BackgroundBuild, APictureNotHalftonedIsFilteredOnceAndTheMeshStaysHalftoned) {
  Picture sky = SmoothSky(1024, 512);
  for (int y = 255; y <= 258; ++y) {
    for (int x = 1; x <= 1024; ++x) sky.Set(x, y, 250, 200, 180);
  }
  TempDir dir;
  for (const std::optional<bool> preset : {std::optional<bool>{}, std::optional<bool>{true}}) {
    RecordingPlatform platform;
    const sq::BackgroundBuildOutcome built = BuildFromFile(dir, sky.File(), {}, platform, preset);
    ASSERT_TRUE(built.Built());
    EXPECT_EQ(platform.questions.size(), preset ? 0u : 1u);  // the default answer, No, keeps the bytes
    EXPECT_EQ(built.read.filtered, preset.has_value());
    int seen = 0;
    for (const auto& [p, colour] : Vertices(built.built.tables)) {
      EXPECT_LE(std::max({colour[1], colour[2], colour[3]}), 127);
      seen += colour[1] == 127;
    }
    EXPECT_GT(seen, 0);
  }
}
