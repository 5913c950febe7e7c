// The background builder: the mesh's cover of the sphere, its winding and
// colours; the size refusals; the picture's row order. (The written file and its
// preview are held to the bundled sample and to the preview of what was written.)
#include <gtest/gtest.h>

#include <set>

#include "tests/sky_kit.h"
#include "writer/modMakeBGhod.h"

using namespace sqtest;

namespace {

std::string Serialized(const sq::BackgroundTables& background) {
  sq::BackgroundWriterTables writer;
  EXPECT_EQ(sq::CopyBackgroundToWriter(background, writer), "");
  return sq::SerializeBackgroundHod(writer);
}

// A smooth sky with two 2 x 2 stars and three single-pixel ones, well apart.
Picture StarrySky() {
  Picture p = SmoothSky(1024, 512);
  p.Grey(100, 100, 120).Grey(700, 450, 110).Grey(1020, 60, 127);
  p.Square(300, 200, 125).Square(900, 300, 118);
  return p;
}

}  // namespace

TEST(BackgroundMesh, CoversTheSphereOnceOnItsRadiusWoundToBeSeenFromInside) {
  std::map<int, double> triangles;  // of 1024 x 512, by density
  for (const auto& [w, h] : {std::pair{1024, 512}, std::pair{1000, 500}, std::pair{77, 41}}) {
    for (int density : sq::kMeshDensities) {
      for (bool wideCaps : {false, true}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " density " + std::to_string(density));
        sq::BuildOptions o;
        o.density = density;
        o.increaseCapping = wideCaps;
        const std::vector<sq::MeshChunk> chunks = sq::BuildMeshChunks(TablesOf(Picture(w, h, 30)), o);
        ASSERT_EQ(chunks.size(), 16u);
        double total = 0;
        int outward = 0;
        std::array<std::set<std::tuple<float, float, float>>, 16> positions;
        for (std::size_t k = 0; k < 16; ++k) {
          for (const sq::MeshVertex v : chunks[k].parts[0].vertices) {
            ASSERT_NEAR(Length(Of(v)), 600.0, 1e-3);
            positions[k].insert({v.x, v.y, v.z});
          }
          ForEachTriangle(chunks[k], [&](const Vec& a, const Vec& b, const Vec& c) {
            const double omega = SolidAngle(a, b, c);
            total += omega;
            if (w == 1024 && !wideCaps) triangles[density] += 1;
            // Seen from the preview's eye, too, the normal faces the viewer.
            if (omega >= 0 || Dot(Cross(Sub(b, a), Sub(c, a)), Sub({0, 0, -270}, a)) <= 0) ++outward;
          });
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
  EXPECT_NEAR(triangles[2] / triangles[16], 64, 64 * 0.1);  // (16 / 2) squared, near enough
}

TEST(BackgroundMesh, VertexColoursAreTheCellMeanAtTheirDirectionClosestWithColourAverage) {
  Picture noisy = SmoothSky(1024, 512);
  uint32_t state = 7;
  for (std::size_t i = 0; i < noisy.pixels.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    if (i % 4 != 3) noisy.pixels[i] = uint8_t(noisy.pixels[i] + int(state >> 29) - 2);  // -2 .. +5: no stars
  }
  // The mean and the largest difference from the density x density cell mean
  // around each vertex's direction, caps left out.
  auto errors = [](const Picture& picture, int density, bool average) {
    sq::BuildOptions o;
    o.density = density;
    o.colourAverage = average;
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
  EXPECT_LT(averaged, 0.5);
  EXPECT_GT(plain, 4 * averaged);
}

// A chunk of a W x H picture at density N holds (columns + 1) x (rows + 1) + 2
// vertices: the columns of a sixteenth of the width and the rows between the two
// one-step caps, each a step of N with a shorter last one, and the two poles.
TEST(BackgroundRefusal, TooLargeForTheDensityTooSmallOrUnsoundIsRefusedWithNothingBuilt) {
  for (const auto& [w, h] : {std::pair{1024, 512}, std::pair{2048, 1024}}) {
    for (int density : sq::kMeshDensities) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " density " + std::to_string(density));
      sq::BuildOptions o;
      o.density = density;
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
  sq::BuildOptions o;
  o.density = 2;
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
    const sq::BackgroundBuildOutcome outcome = BuildFromFile(dir, picture.File(), o, platform);
    EXPECT_FALSE(outcome.Built() || !outcome.built.tables.bgmsTable.empty());
    EXPECT_EQ(platform.messages, std::vector<std::string>{Shown(message)});
  }
  RecordingPlatform platform;
  EXPECT_TRUE(BuildFromFile(dir, Picture(6, 6, 20).File(), {}, platform).Built());
}

TEST(BackgroundBuild, ATopDownPictureBuildsWhatTheSamePictureStoredBottomUpBuilds) {
  Picture bottomUp = StarrySky(), flipped = bottomUp;
  for (int y = 1; y <= bottomUp.height; ++y) std::copy_n(bottomUp.At(1, y), bottomUp.width * 4, flipped.At(1, 513 - y));
  std::vector<uint8_t> topDownFile = flipped.File();
  topDownFile[17] |= 0x20;  // descriptor bit 5: the first row stored is the top one
  TempDir dir;
  RecordingPlatform platform;
  const sq::BackgroundBuildOutcome expected = BuildFromFile(dir, bottomUp.File(), {}, platform);
  const sq::BackgroundBuildOutcome topDown = BuildFromFile(dir, topDownFile, {}, platform);
  ASSERT_TRUE(expected.Built() && topDown.Built());
  EXPECT_TRUE(topDown.read.topDown);
  EXPECT_EQ(Serialized(topDown.built.tables), Serialized(expected.built.tables));
  // The stored rows, taken as bottom-up, would give another sky.
  EXPECT_NE(Serialized(BuildFromPicture(flipped, {}).tables), Serialized(expected.built.tables));
}
