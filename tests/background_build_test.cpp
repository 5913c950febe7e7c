// The background builder's whole path: a picture in, background tables out that
// the writer writes and the walker reads back; the mesh's cover of the sphere,
// its winding and colours; the size refusals; the picture's row order.
#include <gtest/gtest.h>

#include <set>

#include "hod/bgms_flatten.h"
#include "hod/modFarholdhod.h"
#include "skykit.h"
#include "writer/modMakeBGhod.h"

using namespace sqtest;

namespace {

std::vector<uint8_t> AsBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Serialized(const sq::BackgroundTables& background) {
  sq::BackgroundWriterTables writer;
  EXPECT_EQ(sq::CopyBackgroundToWriter(background, writer), "");
  return sq::SerializeBackgroundHod(writer);
}

// A smooth sky with stars of the detector's three kinds planted well apart.
Picture StarrySky() {
  Picture p = SmoothSky(1024, 512);
  p.Grey(100, 100, 120).Grey(700, 450, 110).Grey(1020, 60, 127);
  p.Square(300, 200, 125).Square(900, 300, 118);
  return p;
}

}  // namespace

TEST(BackgroundBuild, WrittenFileWalksCleanlyAndRoundTripsByteForByte) {
  TempDir dir;
  RecordingPlatform platform;
  const sq::BackgroundBuildOutcome built = BuildFromFile(dir, StarrySky().File(), {}, platform);
  ASSERT_TRUE(built.Built()) << built.built.refusal;
  EXPECT_TRUE(platform.messages.empty() && platform.questions.empty());
  const sq::BackgroundTables& t = built.built.tables;
  EXPECT_EQ(t.bgmsTable.size(), 16u);
  EXPECT_EQ(t.strfTable.size(), 16u);
  ASSERT_EQ(t.bgsgTable.size(), 2u);
  EXPECT_EQ(built.built.stars, (std::array<int64_t, 3>{2, 3, 0}));

  const std::string bytes = Serialized(t);
  sq::Model model;
  const sq::WalkResult walk = sq::WalkHodBytes(AsBytes(bytes), model, platform, dir.path());
  ASSERT_FALSE(walk.failed) << walk.reason;
  EXPECT_TRUE(platform.messages.empty());
  // The built tables carry the sizes and constants a file holds: they read back equal.
  EXPECT_EQ(model.bgmsTable, t.bgmsTable);
  EXPECT_EQ(model.bgsgTable, t.bgsgTable);
  EXPECT_EQ(model.strfTable, t.strfTable);
  EXPECT_EQ(Serialized(model), bytes);
  // The same picture and options make the same bytes.
  EXPECT_EQ(Serialized(BuildFromFile(dir, StarrySky().File(), {}, platform).built.tables), bytes);
}

TEST(BackgroundMesh, CoversTheSphereOnceOnItsRadiusWoundToBeSeenFromInside) {
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
        for (const sq::MeshChunk& chunk : chunks) {
          for (const sq::MeshVertex v : chunk.parts[0].vertices) ASSERT_NEAR(Length(Of(v)), 600.0, 1e-3);
          ForEachTriangle(chunk, [&](const Vec& a, const Vec& b, const Vec& c) {
            const double omega = SolidAngle(a, b, c);
            total += omega;
            // Seen from the preview's eye, too, the normal faces the viewer.
            const Vec n = Cross(Sub(b, a), Sub(c, a));
            if (omega >= 0 || Dot(n, Sub({0, 0, -270}, a)) <= 0) ++outward;
          });
        }
        EXPECT_NEAR(total, -4 * std::numbers::pi, 1e-3);
        EXPECT_EQ(outward, 0);
        // Neighbouring sectors put their shared edge's vertices in the same places.
        for (std::size_t k = 0; k < 16; ++k) {
          std::set<std::tuple<float, float, float>> left, right;
          for (const sq::MeshVertex v : chunks[k].parts[0].vertices) right.insert({v.x, v.y, v.z});
          for (const sq::MeshVertex v : chunks[(k + 1) % 16].parts[0].vertices) left.insert({v.x, v.y, v.z});
          std::vector<std::tuple<float, float, float>> shared;
          std::set_intersection(left.begin(), left.end(), right.begin(), right.end(), std::back_inserter(shared));
          const sq::MeshGrid g = sq::MakeMeshGrid(w, h, density, wideCaps);
          EXPECT_EQ(shared.size(), std::size_t(g.rowSteps + 1 + 2)) << "sector " << k;
        }
      }
    }
  }
}

TEST(BackgroundMesh, TheWindingIsTheOneTheSampleSkyIsDrawnWith) {
  // The sample tool's sky is what the render tests see from inside: its
  // triangles turn the way the builder's do.
  TempDir dir;
  ASSERT_EQ(RunProgram(MAKE_SAMPLE_EXE, {(dir / "sample.hod").string()}, dir.path()).status, 0);
  sq::Model model;
  RecordingPlatform platform;
  ASSERT_FALSE(sq::WalkHodBytes(AsBytes(ReadText(dir / "sample.hod")), model, platform, dir.path()).failed);
  int inward = 0, outward = 0;
  for (const sq::MeshChunk& chunk : model.bgmsTable) {
    std::vector<sq::PreviewVertex> corners;
    std::string error;
    ASSERT_TRUE(sq::AppendMeshCorners(chunk.parts[0], corners, error));
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
      const Vec a{corners[i].x, corners[i].y, corners[i].z}, b{corners[i + 1].x, corners[i + 1].y, corners[i + 1].z},
          c{corners[i + 2].x, corners[i + 2].y, corners[i + 2].z};
      const double omega = SolidAngle(a, b, c);
      if (std::fabs(omega) > 1e-9) ++(omega < 0 ? inward : outward);
    }
  }
  EXPECT_GT(inward, 100);
  EXPECT_EQ(outward, 0);
}

TEST(BackgroundMesh, VertexColoursAreThePictureAtTheirDirection) {
  const Picture sky = SmoothSky(1000, 500);
  for (int density : {16, 6, 2}) {
    for (bool average : {false, true}) {
      SCOPED_TRACE("density " + std::to_string(density) + (average ? ", colour average" : ""));
      sq::BuildOptions o;
      o.density = density;
      o.colourAverage = average;
      const sq::MeshGrid g = sq::MakeMeshGrid(1000, 500, density, false);
      double worst = 0;
      for (const sq::MeshChunk& chunk : sq::BuildMeshChunks(TablesOf(sky), o)) {
        for (const sq::MeshVertex vertex : chunk.parts[0].vertices) {
          const PicturePoint at = ToPicture(vertex.x, vertex.y, vertex.z, 1000, 500);
          if (at.v < g.capRows + 0.5 || at.v > 500 - g.capRows - 0.5) continue;  // the caps: below
          const std::array<double, 3> mean = CellMean(sky, at.u, at.v, density);
          for (int k = 0; k < 3; ++k) worst = std::max(worst, std::fabs(vertex.vertexColour[k + 1] - mean[k]));
        }
      }
      EXPECT_LE(worst, average ? 1.0 : 3.0);
    }
  }
}

TEST(BackgroundRefusal, AChunkOfMoreThan32767VerticesIsRefusedNamingTheFinestDensityThatFits) {
  // 2048 x 1024 at density 2 needs 65 x 511 + 2 vertices a chunk; density 4 fits.
  for (const auto& [w, h] : {std::pair{1024, 512}, std::pair{2048, 1024}}) {
    for (int density : sq::kMeshDensities) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " density " + std::to_string(density));
      sq::BuildOptions o;
      o.density = density;
      const sq::BuiltBackground built = BuildFromPicture(Picture(w, h, 20), o);
      if (w == 2048 && density == 2) {
        EXPECT_EQ(built.refusal,
                  "The picture is too large for mesh density 2: a mesh chunk would hold 33217 vertices, and 32767 "
                  "fit in one. The finest density that fits is 4.");
        EXPECT_TRUE(built.tables.bgmsTable.empty());
        continue;
      }
      ASSERT_EQ(built.refusal, "");
      for (const sq::MeshChunk& chunk : built.tables.bgmsTable) EXPECT_LE(chunk.parts[0].vertexCount, 32767);
    }
  }
  // At the limit exactly: a chunk of 5 x 6553 + 2 = 32767 vertices is built, one row more is refused.
  sq::BuildOptions o;
  o.density = 2;
  const sq::BuiltBackground full = BuildFromPicture(Picture(128, 13108, 20), o);
  ASSERT_EQ(full.refusal, "");
  EXPECT_EQ(full.tables.bgmsTable[0].parts[0].vertexCount, 32767);
  EXPECT_EQ(sq::BuildRefusal(128, 13109, o).rfind(sq::kPictureTooLarge, 0), 0u);
  EXPECT_NE(sq::BuildRefusal(32767, 32767, o).find(sq::kNoDensityFits), std::string::npos);
}

TEST(BackgroundRefusal, TooSmallTooLargeAndTheLoadersRefusalsBuildNothing) {
  TempDir dir;
  RecordingPlatform platform;
  const sq::BackgroundBuildOutcome small = BuildFromFile(dir, Picture(5, 40, 20).File(), {}, platform);
  EXPECT_EQ(small.read.status, sq::TgaLoadResult::Status::Refused);
  EXPECT_FALSE(small.Built());
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: " + std::string(sq::kPictureTooSmall)});
  EXPECT_TRUE(BuildFromFile(dir, Picture(6, 6, 20).File(), {}, platform).Built());

  std::vector<uint8_t> file = Picture(2048, 1024, 20).File();
  sq::BuildOptions o;
  o.density = 2;
  platform.messages.clear();
  const sq::BackgroundBuildOutcome large = BuildFromFile(dir, file, o, platform);
  EXPECT_EQ(large.read.status, sq::TgaLoadResult::Status::Refused);
  EXPECT_FALSE(large.Built());
  EXPECT_TRUE(large.built.tables.bgmsTable.empty());
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: " + large.built.refusal});
  // A file cut short is refused as "Load Targa image" refuses it.
  file.resize(18 + 2048 * 4);
  platform.messages.clear();
  EXPECT_EQ(BuildFromFile(dir, file, o, platform).read.status, sq::TgaLoadResult::Status::Invalid);
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: " + std::string(sq::kInvalidImage)});
}

TEST(BackgroundBuild, ATopDownPictureBuildsWhatTheSamePictureStoredBottomUpBuilds) {
  const Picture bottomUp = StarrySky();
  Picture flipped = bottomUp;
  for (int y = 1; y <= bottomUp.height; ++y) {
    std::copy_n(const_cast<Picture&>(bottomUp).At(1, y), bottomUp.width * 4, flipped.At(1, bottomUp.height + 1 - y));
  }
  std::vector<uint8_t> topDownFile = flipped.File();
  topDownFile[17] |= 0x20;  // descriptor bit 5: the first row stored is the top one
  TempDir dir;
  RecordingPlatform platform;
  const sq::BackgroundBuildOutcome expected = BuildFromFile(dir, bottomUp.File(), {}, platform);
  const sq::BackgroundBuildOutcome topDown = BuildFromFile(dir, topDownFile, {}, platform);
  ASSERT_TRUE(expected.Built() && topDown.Built());
  EXPECT_TRUE(topDown.read.topDown);
  EXPECT_EQ(Serialized(topDown.built.tables), Serialized(expected.built.tables));
  // The stored rows, taken as bottom-up, would give a different sky.
  EXPECT_NE(Serialized(BuildFromPicture(flipped, {}).tables), Serialized(expected.built.tables));
}
