// `starquill build-background`, run as a user runs it: its flags against the same
// build in process, and the bundled sample it makes.
#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "app/build_background_command.h"
#include "tests/sky_kit.h"

using namespace sqtest;

TEST(BuildBackgroundCli, EachFlagReachesTheBuildBesideThePictureAndStarsLeftOutAreNamed) {
  TempDir dir;
  // More 2 x 2 stars than a star map holds; above them a bright band, a faint
  // star, one only "More stars" finds, and a top row that is not halftoned.
  Picture p(600, 600, 10);
  for (int y = 4; y < 480; y += 6) {
    for (int x = 4; x + 2 < 600; x += 6) p.Square(x, y, 120);
  }
  for (int y = 490; y <= 530; ++y) {
    for (int x = 1; x <= 600; ++x) p.Set(x, y, 100, 110, 120);
  }
  p.Grey(300, 560, 40).Grey(100, 570, 22);
  for (int x = 1; x <= 600; ++x) p.Set(x, 600, 200, 200, 200);
  WriteBytes(dir / "dense.tga", p.File());
  const std::string sky = (dir / "dense.tga").string();

  const std::string no = "No, the default";
  const struct {
    std::vector<std::string> flags;
    sq::BuildOptions options;
    std::string answer;
  } cases[] = {
      {{}, {.density = 16}, no},
      {{"--density", "8"}, {.density = 8}, no},
      {{"--colour-average"}, {.density = 16, .colourAverage = true}, no},
      {{"--intensity-limit"}, {.density = 16, .intensityLimit = true}, no},
      {{"--increase-capping"}, {.density = 16, .increaseCapping = true}, no},
      {{"--more-stars"}, {.density = 16, .stars = sq::StarAmount::More}, no},
      {{"--less-stars"}, {.density = 16, .stars = sq::StarAmount::Less}, no},
      {{"--filter"}, {.density = 16}, "Yes"},
      {{"--no-filter"}, {.density = 16}, "No"},
  };
  std::set<std::string> files;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags.empty() ? "no flag" : c.flags[0]);
    std::vector<std::string> args = {"build-background", sky};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const ProcessResult r = Starquill(args, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "dense.hod").string() + "\n");

    // The same build in process.
    RecordingPlatform platform;
    platform.answer = c.answer == "Yes";
    TempDir out;
    const sq::BuildBackgroundOutcome built = sq::BuildBackgroundCommand(sky, out.path(), c.options, platform);
    ASSERT_FALSE(built.built.notes.empty());
    std::string err = Shown(sq::kSizeWarning) + "\n" + AskedOnStderr(c.answer);
    for (const std::string& note : built.built.notes) err += "starquill build-background: " + note + "\n";
    EXPECT_EQ(r.err, err);
    const std::string written = ReadText(dir / "dense.hod");
    EXPECT_TRUE(written == ReadText(out / "dense.hod"));
    // Every option changes the file; the answer alone need not (the mesh is halftoned either way).
    EXPECT_TRUE(files.insert(written).second || c.answer != no);
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
