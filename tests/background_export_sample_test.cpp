// The bundled sample through the exports: its picture built and drawn, and
// its HOD exported as a TGA, show the mesh's colours at the vertices and the
// same stars; its glTF scene passes the Khronos validator and Assimp reads its
// vertices and colours; the command line's files, names and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "app/export_background_command.h"
#include "background_export/sky_render.h"
#include "builder/background_build.h"
#include "builder/background_stars.h"
#include "builder/picture_load.h"
#include "hod/hod_walk.h"
#include "picture/picture_levels.h"
#include "picture/picture_read.h"
#include "picture/tga_header.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

const std::filesystem::path kSource = STARQUILL_SOURCE_DIR;
const std::filesystem::path kSamplePicture = kSource / "data/samples/sky.tga";
const std::filesystem::path kSampleHod = kSource / "data/samples/sky.hod";

// Where a star of a background lies in a 1024 x 512 picture: (u, v) of its centre.
struct StarAt {
  int list;  // 0: star map 1, 1: star map 2, 2: point star
  double u, v;
};
std::vector<StarAt> StarsOf(const sq::BackgroundTables& t) {
  std::vector<StarAt> out;
  auto add = [&](int list, float x, float y, float z) {
    const sq::PicturePoint p = sq::PointOfDirection({x, y, z}, 1024, 512);
    out.push_back({list, p.u, p.v});
  };
  for (std::size_t m = 0; m < 2 && m < t.bgsgTable.size(); ++m) {
    for (const sq::StarMapRecord r : t.bgsgTable[m].records) add(int(m), r.x, r.y, r.z);
  }
  for (const sq::PointStarChunk& chunk : t.strfTable) {
    for (const sq::PointStarRecord s : chunk.stars) add(2, s.x, s.y, s.z);
  }
  return out;
}

// Of `stars`, how many have one of the same list in `others` within a pixel.
std::size_t Matched(const std::vector<StarAt>& stars, const std::vector<StarAt>& others) {
  std::size_t n = 0;
  for (const StarAt& s : stars) {
    n += std::any_of(others.begin(), others.end(), [&](const StarAt& o) {
      const double du = std::min(std::fabs(s.u - o.u), 1024 - std::fabs(s.u - o.u));
      return o.list == s.list && du <= 1.0 && std::fabs(s.v - o.v) <= 1.0;
    });
  }
  return n;
}

double Median(std::vector<int> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// A 1024 x 512 picture of `background`: at each vertex the mesh's colour (the
// median within a level), and the detector run on it finds each star where the
// background has it, and no other.
void ExpectPictureShows(const sq::BackgroundTables& background, const sq::Picture& picture) {
  std::vector<int> gaps;
  for (const sq::MeshChunk& chunk : background.bgmsTable) {
    for (const sq::MeshVertex v : chunk.parts[0].vertices) {
      const sq::PicturePoint p = sq::PointOfDirection({v.x, v.y, v.z}, 1024, 512);
      const uint8_t* px = picture.Pixel(std::min(1024, int(p.u) + 1), std::min(512, int(p.v) + 1));
      for (int k = 0; k < 3; ++k) gaps.push_back(std::abs(px[k] - v.vertexColour[std::size_t(k) + 1]));
    }
  }
  EXPECT_LE(Median(gaps), 1.0);
  sq::TgaTables tables = sq::TablesOfPicture(picture);
  sq::NoProgress sink;
  sq::Progress progress(sink);
  const sq::StarRecords found =
      sq::MakeStarRecords(sq::FindAndRemoveStars(tables, sq::StarAmount::Normal, progress), 1024, 512);
  sq::BackgroundTables again;
  again.bgsgTable.assign(found.starMaps.begin(), found.starMaps.end());
  again.strfTable.assign(found.pointStars.begin(), found.pointStars.end());
  const std::vector<StarAt> first = StarsOf(background), second = StarsOf(again);
  ASSERT_GT(first.size(), 1000u);
  EXPECT_EQ(Matched(first, second), first.size());
  EXPECT_EQ(Matched(second, first), second.size());
}

}  // namespace

// The sample's picture built and drawn, and the sample's HOD exported as a TGA
// by the command line (at the default size, bottom row first, no footer).
TEST(BundledSample, ItsBuiltBackgroundDrawnAndItsHodExportedShowTheirVertexColoursAndStars) {
  sq::NoProgress sink;
  sq::TgaReadOptions read;
  read.showSizeWarning = false;
  // With the options the sample was built with (README: --density 4 --colour-average).
  const sq::BuiltBackground built = sq::BuildBackgroundFromFile(sq::OpenPictureFile(kSamplePicture),
                                                                {.density = 4, .colourAverage = true}, sink, read);
  ASSERT_TRUE(built.Built());
  const sq::SkyScene scene = sq::SceneOfBackground(built.tables);
  {
    SCOPED_TRACE("built");
    ExpectPictureShows(built.tables, sq::SkyRenderer(scene, {}, sq::SceneLevels::Stored).Equirect(1024, 512));
  }

  TempDir dir;
  const ProcessResult r = Starquill({"export-background", kSampleHod.string(), (dir / "sky.tga").string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "sky.tga").string() + "\n");
  EXPECT_EQ(r.err, "");
  const std::string tga = ReadText(dir / "sky.tga");
  ASSERT_EQ(tga.size(), sq::kTgaHeaderSize + 1024 * 512 * 4);
  const sq::Picture exported{1024, 512, std::vector<uint8_t>(tga.begin() + sq::kTgaHeaderSize, tga.end())};
  sq::Model model;
  ASSERT_FALSE(sq::WalkHodBytes(AsBytes(ReadText(kSampleHod)), model).failed);
  SCOPED_TRACE("exported");
  ExpectPictureShows(model, exported);
}

TEST(ExportBackgroundCli, CubeFacesAreNamedAfterOutAndAFaceIsWrittenAlone) {
  TempDir dir;
  const ProcessResult r =
      Starquill({"export-background", kSampleHod.string(), (dir / "sky.png").string(), "--cube", "--size", "48"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string listed;
  for (const char* face : {"px", "nx", "py", "ny", "pz", "nz"}) {
    const std::filesystem::path file = dir / ("sky_" + std::string(face) + ".png");
    listed += file.string() + "\n";
    sq::Picture p;
    ASSERT_EQ(sq::ReadPicture(AsBytes(ReadText(file)), p), "") << file;
    EXPECT_EQ(std::make_pair(p.width, p.height), std::make_pair(48, 48));
  }
  EXPECT_EQ(r.out, listed);
  EXPECT_FALSE(std::filesystem::exists(dir / "sky.png"));

  TempDir one;
  const ProcessResult face = Starquill(
      {"export-background", kSampleHod.string(), (one / "sky.exr").string(), "--cube", "--face", "ny", "--size", "8"},
      one);
  ASSERT_EQ(face.status, 0) << face.err;
  EXPECT_EQ(face.out, (one / "sky_ny.exr").string() + "\n");
  EXPECT_EQ(FileCount(one.path()), 1);

  // Usage the parser or the command refuses: status 2, nothing written.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--face", "px"},
                                               {"--cube", "--face", "7"},
                                               {"--size", "64"},
                                               {"--size", "0x10"},
                                               {"--cube", "--size", "64x32"},
                                               {"--layers", "nebulae"}}) {
    TempDir none;
    std::vector<std::string> line = {"export-background", kSampleHod.string(), (none / "sky.png").string()};
    line.insert(line.end(), args.begin(), args.end());
    const ProcessResult refused = Starquill(line, none);
    EXPECT_EQ(refused.status, 2) << args.back() << refused.err;
    EXPECT_NE(refused.err, "") << args.back();
    EXPECT_EQ(FileCount(none.path()), 0) << args.back();
  }
}

TEST(IndependentReaders, TheSamplesGlbPassesTheKhronosValidatorAndAssimpReadsItsVerticesAndColours) {
  TempDir dir;
  const std::filesystem::path glb = dir / "sky.glb";
  const ProcessResult r = Starquill({"export-background", kSampleHod.string(), glb.string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;

  const ProcessResult checked =
      RunProgram(NODE_EXE, {(kSource / "tests/gltf/validate.js").string(), glb.string()}, dir.path());
  ASSERT_EQ(checked.status, 0) << checked.err;
  const nlohmann::json report = nlohmann::json::parse(checked.out);
  EXPECT_EQ(report["issues"]["numErrors"], 0) << checked.out;
  EXPECT_EQ(report["issues"]["numWarnings"], 0) << checked.out;

  const ProcessResult read =
      RunProgram(ASSIMP_EXE, {"export", glb.string(), (dir / "sky.json").string(), "-fassjson"}, dir.path());
  ASSERT_EQ(read.status, 0) << read.out << read.err;
  const nlohmann::json scene = nlohmann::json::parse(ReadText(dir / "sky.json"));

  sq::Model model;
  ASSERT_FALSE(sq::WalkHodBytes(AsBytes(ReadText(kSampleHod)), model).failed);
  const sq::SkyScene sky = sq::SceneOfModel(model);
  std::size_t expected = 4 * (sky.starMaps[0].size() + sky.starMaps[1].size()) + sky.pointStars.size();
  for (const sq::SceneMesh& mesh : sky.meshes) expected += mesh.vertices.size();
  std::size_t total = 0, chunk = 0, stars = 0;
  // Each colour as Assimp read it against the linear light of the HOD's level.
  auto compare = [](const nlohmann::json& colours, std::size_t i, const std::array<uint8_t, 3>& levels) {
    for (std::size_t k = 0; k < 3; ++k) {
      if (std::fabs(colours[4 * i + k].get<double>() - sq::LinearOfLevel(levels[k])) > 1e-6) return false;
    }
    return colours[4 * i + 3].get<double>() == 1.0;
  };
  for (const nlohmann::json& mesh : scene["meshes"]) {
    const std::size_t vertices = mesh["vertices"].size() / 3;
    total += vertices;
    const std::string name = mesh["name"];
    const nlohmann::json& colours = mesh["colors"][0];
    ASSERT_EQ(colours.size(), 4 * vertices) << name;
    if (name.starts_with("background")) {
      ASSERT_LT(chunk, sky.meshes.size());
      const sq::SceneMesh& ours = sky.meshes[chunk++];
      ASSERT_EQ(vertices, ours.vertices.size()) << name;
      for (std::size_t i = 0; i < vertices; ++i) {
        ASSERT_TRUE(compare(colours, i, ours.vertices[i].rgb)) << name << " vertex " << i;
      }
    } else if (name == "point stars") {
      ASSERT_EQ(vertices, sky.pointStars.size());
      for (std::size_t i = 0; i < vertices; ++i, ++stars) {
        ASSERT_TRUE(compare(colours, i, sq::PointStarLevels(sky.pointStars[i]))) << "star " << i;
      }
    }
  }
  EXPECT_EQ(chunk, sky.meshes.size());
  EXPECT_EQ(stars, sky.pointStars.size());
  EXPECT_EQ(total, expected);
}
