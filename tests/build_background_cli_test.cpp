// `starquill build-background`, run as a user runs it: its flags against the same
// build in process, and the bundled sample it makes.
#include <gtest/gtest.h>

#include <functional>
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

  using Set = std::function<void(sq::BuildOptions&)>;
  const struct {
    std::vector<std::string> flags;
    Set set;
    std::optional<bool> answer;
  } cases[] = {
      {{}, [](sq::BuildOptions&) {}, {}},
      {{"--density", "8"}, [](sq::BuildOptions& o) { o.density = 8; }, {}},
      {{"--colour-average"}, [](sq::BuildOptions& o) { o.colourAverage = true; }, {}},
      {{"--intensity-limit"}, [](sq::BuildOptions& o) { o.intensityLimit = true; }, {}},
      {{"--increase-capping"}, [](sq::BuildOptions& o) { o.increaseCapping = true; }, {}},
      {{"--more-stars"}, [](sq::BuildOptions& o) { o.stars = sq::StarAmount::More; }, {}},
      {{"--less-stars"}, [](sq::BuildOptions& o) { o.stars = sq::StarAmount::Less; }, {}},
      {{"--filter"}, [](sq::BuildOptions&) {}, true},
      {{"--no-filter"}, [](sq::BuildOptions&) {}, false},
  };
  std::set<std::string> files;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags.empty() ? "no flag" : c.flags[0]);
    std::vector<std::string> args = {"build-background", sky};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const ProcessResult r = Starquill(args, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "dense.hod").string() + "\n");

    // The same build in process, density 16 unless told.
    sq::BuildOptions options;
    options.density = 16;
    c.set(options);
    RecordingPlatform platform;
    platform.answer = c.answer.value_or(false);
    TempDir out;
    const sq::BuildBackgroundOutcome built = sq::BuildBackgroundCommand(sky, out.path(), options, platform);
    ASSERT_FALSE(built.built.notes.empty());
    std::string err = Shown(sq::kSizeWarning) + "\n" +
                      AskedOnStderr(!c.answer   ? "No, the default"
                                    : *c.answer ? "Yes"
                                                : "No");
    for (const std::string& note : built.built.notes) err += "starquill build-background: " + note + "\n";
    EXPECT_EQ(r.err, err);
    const std::string written = ReadText(dir / "dense.hod");
    EXPECT_TRUE(written == ReadText(out / "dense.hod"));
    // Every option changes the file; the answer alone need not (the mesh is halftoned either way).
    EXPECT_TRUE(files.insert(written).second || c.answer);
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
