// `starquill build-background`, run as a user runs it: what it writes, how the
// written file reads and reports, the game's limits at every density, and its
// refusals and failures.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/build_background_command.h"
#include "hod/file_bytes.h"
#include "hod/modFarholdhod.h"
#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// The planted stars make_sky_tga lists, counted by detector list.
std::map<int, int> PlantedCounts(const std::string& list) {
  std::map<int, int> counts;
  std::istringstream in(list);
  int entry, x, y;
  while (in >> entry >> x >> y) ++counts[entry];
  return counts;
}

sq::WalkResult WalkFile(const std::filesystem::path& file, sq::Model& model, RecordingPlatform& platform) {
  std::string error;
  auto bytes = sq::FileBytes::Open(file, error);
  EXPECT_TRUE(bytes) << error;
  return sq::WalkHodFile(std::move(bytes), model, platform, sq::kNoSideFiles);
}

}  // namespace

TEST(BuildBackgroundCli, WritesBesideThePictureAFileThatWalksReportsAndIsWrittenAgainByteForByte) {
  TempDir dir;
  const auto sky = dir / "sky.tga";
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {sky.string()}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  const std::map<int, int> planted = PlantedCounts(made.out);

  ProcessResult r = Starquill({"build-background", sky.string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // 1024 x 512, halftoned, within every limit
  EXPECT_EQ(r.out, (dir / "sky.hod").string() + "\n");

  sq::Model model;
  RecordingPlatform platform;
  const sq::WalkResult walk = WalkFile(dir / "sky.hod", model, platform);
  ASSERT_FALSE(walk.failed) << walk.reason;
  EXPECT_TRUE(platform.messages.empty());
  ASSERT_EQ(model.bgmsTable.size(), 16u);
  ASSERT_EQ(model.bgsgTable.size(), 2u);
  ASSERT_EQ(model.strfTable.size(), 16u);
  // Every planted star is there: the 2 x 2 stars in the first star map, the
  // spots in the second, the single-pixel ones as point stars.
  EXPECT_EQ(model.bgsgTable[0].recordCount, planted.at(0));
  EXPECT_EQ(model.bgsgTable[1].recordCount, planted.at(2));
  int pointStars = 0;
  for (const sq::PointStarChunk& chunk : model.strfTable) pointStars += chunk.starCount;
  EXPECT_EQ(pointStars, planted.at(1));

  TempDir out;
  r = Starquill({"report", (dir / "sky.hod").string(), "--out-dir", out.path().string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string report = ReadText(out / "sky.HODreport.rtf");
  EXPECT_NE(report.find("BMSH chunk 16 contains"), std::string::npos);
  EXPECT_EQ(report.find("BMSH chunk 17"), std::string::npos);
  EXPECT_NE(report.find("BGSG chunk 1 contains " + std::to_string(planted.at(0)) + " star-map positions ( B02.tga )"),
            std::string::npos);
  EXPECT_NE(report.find("BGSG chunk 2 contains " + std::to_string(planted.at(2)) + " star-map positions ( B03.tga )"),
            std::string::npos);
  EXPECT_NE(report.find("STRF chunk 16 contains"), std::string::npos);
  EXPECT_NE(report.find("Total number of point-stars : " + std::to_string(pointStars)), std::string::npos);

  r = Starquill({"write-background", (dir / "sky.hod").string(), "--out-dir", out.path().string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadText(out / "sky.hod") == ReadText(dir / "sky.hod"));
}

// A chunk of a W x H picture at density N holds (columns + 1) x (rows + 1) + 2
// vertices: the columns of a sixteenth of the width and the rows between the two
// one-step caps, each a step of N with a shorter last one, and the two poles.
TEST(BuildBackgroundCli, TheGameLimitsHoldAtEveryDensityAndTheFinestThatFitsIsNamedWhereOneDoesNot) {
  TempDir dir;
  for (const auto& [w, h] : {std::pair(1024, 512), std::pair(2048, 1024)}) {
    const auto sky = dir / ("sky" + std::to_string(w) + ".tga");
    ASSERT_EQ(RunProgram(MAKE_SKY_TGA_EXE, {sky.string(), std::to_string(w), std::to_string(h)}, dir.path()).status, 0);
    for (int density : sq::kMeshDensities) {
      TempDir out;
      const ProcessResult r = Starquill(
          {"build-background", sky.string(), "--density", std::to_string(density), "--out-dir", out.path().string()},
          dir);
      const int64_t columns = (w / 16 + density - 1) / density, rows = (h - 2 * density + density - 1) / density;
      const int64_t vertices = (columns + 1) * (rows + 1) + 2;
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " at density " + std::to_string(density));
      if (vertices > 32767) {
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("The picture is too large for mesh density " + std::to_string(density) +
                             ": a mesh chunk would hold " + std::to_string(vertices) + " vertices"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("The finest density that fits is 4."), std::string::npos) << r.err;
        EXPECT_TRUE(FilesIn(out.path()).empty());
        continue;
      }
      ASSERT_EQ(r.status, 0) << r.err;
      sq::Model model;
      RecordingPlatform platform;
      ASSERT_FALSE(WalkFile(out / ("sky" + std::to_string(w) + ".hod"), model, platform).failed);
      for (const sq::MeshChunk& chunk : model.bgmsTable) EXPECT_EQ(chunk.parts.at(0).vertexCount, vertices);
    }
  }
}

TEST(BuildBackgroundCli, RefusesWhatTheTgaCommandRefusesAndWritesNothing) {
  TempDir dir;
  const std::vector<uint8_t> good = SmoothSky(1024, 512).File();
  WriteBytes(dir / "SKY.TGA", good);
  std::vector<uint8_t> depth = good;
  depth[16] = 24;
  WriteBytes(dir / "depth.tga", depth);
  WriteBytes(dir / "short.tga", std::vector<uint8_t>(good.begin(), good.begin() + 18 + 1024 * 4 * 100));
  WriteBytes(dir / "tiny.tga", Picture(5, 40, 20).File());
  const std::set<std::string> inputs = FilesIn(dir.path());

  const std::string select = "Starquill: Please select a Targa image file.\n";
  const std::string invalid = "Starquill: Invalid TGA image, exiting...\n";
  const std::string sizeWarning = "Starquill: " + std::string(sq::kSizeWarning) + "\n";
  const struct {
    std::string file, err;
  } cases[] = {
      {"SKY.TGA", select},
      {"depth.tga", invalid},
      {"short.tga", invalid},
      {"missing.tga", "Starquill: Cannot read the TGA image " + (dir / "missing.tga").string() + "\n"},
      {"tiny.tga", sizeWarning + "Starquill: " + std::string(sq::kPictureTooSmall) + "\n"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Starquill({"build-background", (dir / c.file).string()}, dir);
    EXPECT_EQ(r.status, 2) << c.file;
    EXPECT_EQ(r.err, c.err) << c.file;
    EXPECT_EQ(r.out, "") << c.file;
  }

  // Usage mistakes are refused before anything is read.
  const std::string sky = (dir / "depth.tga").string();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"build-background"},
                                             {"build-background", sky, "--density", "3"},
                                             {"build-background", sky, "--density"},
                                             {"build-background", sky, "--more-stars", "--less-stars"},
                                             {"build-background", sky, "--filter", "--no-filter"},
                                             {"build-background", sky, sky},
                                             {"build-background", sky, "--mesh"}}) {
    const ProcessResult r = Starquill(args, dir);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.err.find("Invalid TGA image"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("\nRun 'starquill build-background --help' for its options.\n")) << r.err;
  }
  EXPECT_EQ(FilesIn(dir.path()), inputs);
}

TEST(BuildBackgroundCli, AFailedWriteLeavesNoPartialFile) {
  TempDir dir;
  WriteBytes(dir / "sky.tga", SmoothSky(256, 128).File());
  TempDir out;
  std::filesystem::create_directory(out / "sky.hod");  // a folder stands where the file would go
  ProcessResult r = Starquill({"build-background", (dir / "sky.tga").string(), "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Starquill: The background HOD file could not be written: "), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(FilesIn(out.path()), std::set<std::string>{"sky.hod"});
  EXPECT_TRUE(std::filesystem::is_directory(out / "sky.hod"));
  r = Starquill({"build-background", (dir / "sky.tga").string(), "--out-dir", (out / "no" / "such").string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(out / "no"));
}

TEST(BuildBackgroundCli, EveryFlagReachesTheBuildAndStarsLeftOutAreNamedOnStderr) {
  TempDir dir;
  // More 2 x 2 stars than a star map holds; above them a bright band, a faint
  // star and a top row that is not halftoned.
  Picture p(600, 600, 10);
  for (int y = 4; y < 480; y += 6) {
    for (int x = 4; x + 2 < 600; x += 6) p.Square(x, y, 120);
  }
  for (int y = 490; y <= 530; ++y) {
    for (int x = 1; x <= 600; ++x) p.Set(x, y, 100, 110, 120);
  }
  p.Grey(300, 560, 40);
  for (int x = 1; x <= 600; ++x) p.Set(x, 600, 200, 200, 200);
  WriteBytes(dir / "dense.tga", p.File());
  const std::string sky = (dir / "dense.tga").string();
  const ProcessResult r = Starquill({"build-background", sky, "--density", "16", "--filter", "--colour-average",
                                     "--intensity-limit", "--increase-capping", "--less-stars"},
                                    dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("(answered Yes)\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\nstarquill build-background: Star map \"B02.tga\" holds at most 5461 stars: the "),
            std::string::npos)
      << r.err;

  // The same options in process make the same bytes; without any one of them, others.
  sq::BuildOptions options;
  options.density = 16;
  options.colourAverage = options.intensityLimit = options.increaseCapping = true;
  options.stars = sq::StarAmount::Less;
  auto build = [&](const sq::BuildOptions& o) {
    RecordingPlatform platform;
    platform.answer = true;
    TempDir out;
    sq::BuildBackgroundCommand(sky, out.path(), o, platform);
    return ReadText(out / "dense.hod");
  };
  const std::string written = ReadText(dir / "dense.hod");
  EXPECT_TRUE(build(options) == written);
  const std::vector<std::function<void(sq::BuildOptions&)>> changes = {
      [](sq::BuildOptions& o) { o.density = 8; }, [](sq::BuildOptions& o) { o.colourAverage = false; },
      [](sq::BuildOptions& o) { o.intensityLimit = false; }, [](sq::BuildOptions& o) { o.increaseCapping = false; },
      [](sq::BuildOptions& o) { o.stars = sq::StarAmount::Normal; }};
  for (std::size_t i = 0; i < changes.size(); ++i) {
    sq::BuildOptions other = options;
    changes[i](other);
    EXPECT_TRUE(build(other) != written) << "change " << i;
  }
}

// The bundled sample is made by our own programs: its picture by make_sample, its
// background by build-background from that picture. The committed copies must be
// what they make today, so `scripts/run` shows what the code produces. The
// background reports without messages and is written again byte for byte.
TEST(BundledSample, IsWhatOurProgramsMakeAndIsWrittenAgainByteForByte) {
  TempDir dir;
  const auto samples = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples";
  ProcessResult r = RunProgram(MAKE_SAMPLE_EXE, {(dir / "sky.tga").string()}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadText(dir / "sky.tga") == ReadText(samples / "sky.tga"));

  TempDir built;
  r = Starquill({"build-background", (samples / "sky.tga").string(), "--density", "4", "--colour-average", "--out-dir",
                 built.path().string()},
                dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(ReadText(built / "sky.hod") == ReadText(samples / "sky.hod"));

  const auto sample = samples / "sky.hod";
  r = Starquill({"report", sample.string(), "--out-dir", dir.path().string()}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, (dir / "sky.HODreport.rtf").string() + "\n");

  r = Starquill({"write-background", sample.string(), "--out-dir", dir.path().string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, (dir / "sky.hod").string() + "\n");
  EXPECT_TRUE(ReadText(dir / "sky.hod") == ReadText(sample));
}
