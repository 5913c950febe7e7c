// `starquill tga` and `starquill build-background` run as a user runs them: what their flags do, the refusals and
// failures both share, and the bundled sample.
#include <gtest/gtest.h>

#include <cstring>

#include "app/build_background_command.h"
#include "picture/picture_write.h"
#include "tests/sky_kit.h"

using namespace sqtest;

TEST(TgaCli, FilterFlagsAnswerTheQuestionSaveFlagsSaveAndAnUnwritableOutputEndsWithStatusOne) {
  TempDir dir, out;
  // (30, 30) is not halftoned; red alone never marks a pixel.
  const std::string a = (dir / "a.tga").string();
  WriteBytes(a, Picture(1024, 512, 10).Set(30, 30, 10, 10, 200).File());
  const struct {
    std::vector<std::string> args;
    std::string answer, saved;
    std::array<uint8_t, 3> at30;  // blue, green, red of (30, 30) in the file saved last
  } cases[] = {
      {{"tga", a}, "No, the default", "", {10, 10, 200}},
      {{"tga", a, "--no-filter", "--save-halftoned"}, "No", "a_halftoned.tga", {5, 5, 100}},
      {{"tga", a, "--filter", "--save-filtered"}, "Yes", "a_filtered.tga", {10, 10, 127}},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Starquill(c.args, dir);
    SCOPED_TRACE(c.answer);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, AskedOnStderr(c.answer));
    std::string listed;  // the files a load writes, one line each, then the one saved
    for (const char* kind : {"_filtered.tga", "_StrPts0.obj", "_StrPts1.obj", "_StrPts2.obj", "_cPts.obj"})
      listed += (dir / ("a" + std::string(kind))).string() + "\n";
    if (!c.saved.empty()) listed += (dir / c.saved).string() + "\n";
    EXPECT_EQ(r.out, listed);
    const SavedTga saved = ReadSavedTga(dir / (c.saved.empty() ? "a_filtered.tga" : c.saved));
    EXPECT_TRUE(saved.Colour(30, 30, c.at30[0], c.at30[1], c.at30[2]) && saved.AllAlphaOne());
  }
  // Both commands end with status 1 when they cannot write, and leave no partial file.
  const std::string sky = (dir / "sky.tga").string(), none = (dir / "sky.tga" / "out").string();
  WriteBytes(sky, Picture(64, 64, 20).Grey(30, 30, 90).File());
  // An --out-dir that cannot be made (below a file) ends either command before it reads.
  for (const char* command : {"tga", "build-background"}) {
    const ProcessResult r = Starquill({command, sky, "--out-dir", none}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "starquill " + std::string(command) + ": cannot make the output folder " + none + ": " +
                                 std::strerror(ENOTDIR) + "\n");
  }
  ProcessResult r = Starquill({"tga", sky, "--out-dir", (out / "tga").string()}, dir);  // one that is not there is made
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileCount(out / "tga"), 5);
  std::filesystem::remove_all(out / "tga");
  std::filesystem::create_directory(out / "sky.hod");  // a folder stands where the file would go
  r = Starquill({"build-background", sky, "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(
      r.err.starts_with(Shown(sq::kSizeWarning) + "\n" + Shown("The background HOD file could not be written: ")))
      << r.err;
  EXPECT_TRUE(r.out.empty() && FileCount(out.path()) == 1 && std::filesystem::is_directory(out / "sky.hod"));
}

TEST(TgaCli, RefusalsOfBothCommandsSayWhyAloneOnStderrWithStatusTwoAndWriteNothing) {
  TempDir dir;
  std::vector<uint8_t> depth = Picture(1024, 512).File();
  WriteBytes(dir / "SKY.TGA", depth);
  depth[16] = 24;
  WriteBytes(dir / "depth.tga", depth);
  WriteBytes(dir / "tiny.tga", Picture(5, 40, 20).File());
  const std::string png = sq::EncodePng({64, 64, std::vector<uint8_t>(64 * 64 * 4, 40)});
  std::string crc = png;
  crc[crc.find("IDAT") + 12] ^= 0x01;
  const sq::FloatPicture grey{64, 32, std::vector<float>(64 * 32 * 3, 0.2f)};
  const std::string exr = sq::EncodeExr(grey), hdr = sq::EncodeHdr(grey);
  std::string wide = exr;  // the data window's max x: 16961 columns
  wide.replace(wide.find("dataWindow") + 29, 4, std::string{char(0x40), char(0x42), 0, 0});
  const std::pair<std::string, std::string> pictures[] = {
      {"crc.png", crc},
      {"wide.exr", wide},
      {"cut.exr", exr.substr(0, 400)},
      {"cut.hdr", hdr.substr(0, hdr.size() / 2)},
      {"face.png", png},
      {"oblong.png", sq::EncodePng({64, 32, std::vector<uint8_t>(64 * 32 * 4)})},
      {"small.png", sq::EncodePng({32, 32, std::vector<uint8_t>(32 * 32 * 4)})},
      {"dot.png", sq::EncodePng({5, 5, std::vector<uint8_t>(5 * 5 * 4)})},
  };
  for (const auto& [name, bytes] : pictures) WriteText(dir / name, bytes);
  const auto in = [&](const std::string& name) { return (dir / name).string(); };
  const std::string face = in("face.png");
  const std::vector<std::string> both = {"tga", "build-background"}, tga = {"tga"}, build = {"build-background"};
  const struct {
    std::vector<std::string> commands, args;
    std::string err;
  } cases[] = {
      {both, {in("SKY.TGA")}, Shown(sq::UnknownPictureText(in("SKY.TGA")))},  // no signature, and not named .tga
      {both, {in("depth.tga")}, Shown(sq::kInvalidImage)},
      {both, {in("missing.tga")}, Shown("Cannot read the TGA image " + in("missing.tga"))},
      {build, {in("tiny.tga")}, Shown(sq::kSizeWarning) + "\n" + Shown(sq::kPictureTooSmall)},
      {tga, {in("crc.png")}, Shown(in("crc.png") + ": the PNG file is damaged: IDAT: invalid code lengths set")},
      {tga, {in("cut.hdr")}, Shown(in("cut.hdr") + ": the Radiance HDR file ends before its pixels do")},
      {build,
       {in("wide.exr")},
       Shown(in("wide.exr") +
             ": the picture is 16961 x 32 pixels; at most 16384 a side and 268435456 pixels in all are read")},
      {build, {in("cut.exr")}, Shown(in("cut.exr") + ": the OpenEXR file is damaged: the file ends early")},
      {build,
       {"--cube", face, face, in("oblong.png"), face, face, face},
       Shown(in("oblong.png") + ": a cube face must be square, and this one is 64 x 32 pixels")},
      {build,
       {"--cube", face, face, face, in("small.png"), face, face},
       Shown(in("small.png") + ": the cube faces must all be of one size, and this one is 32 x 32 pixels, " + face +
             " 64 x 64")},
      {build,
       {"--cube", in("dot.png"), in("dot.png"), in("dot.png"), in("dot.png"), in("dot.png"), in("dot.png")},
       Shown(in("dot.png") + ": a cube face must be at least 6 x 6 pixels")},
  };
  for (const auto& c : cases) {
    for (const std::string& command : c.commands) {
      std::vector<std::string> args = {command};
      args.insert(args.end(), c.args.begin(), c.args.end());
      const ProcessResult r = Starquill(args, dir);
      SCOPED_TRACE(command + " " + c.err);
      EXPECT_EQ(std::tuple(r.status, r.err, r.out), std::tuple(2, c.err + "\n", std::string()));
    }
  }
  EXPECT_EQ(FileCount(dir.path()), 11);
}

TEST(BuildBackgroundCli, EachFlagReachesTheBuildBesideThePictureAndStarsLeftOutAreNamed) {
  TempDir dir;
  // More 2 x 2 stars than a star map holds; above them a bright band, a faint star, one only "More stars" finds, and a
  // top row that is not halftoned.
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
  // Without a flag: the options' own defaults (mesh density 8, nothing else).
  const std::string no = "No, the default";
  const struct {
    std::vector<std::string> flags;
    sq::BuildOptions options;
    std::string answer;
  } cases[] = {
      {{}, {}, no},
      {{"--density", "8"}, {.density = 8}, no},
      {{"--density", "16"}, {.density = 16}, no},
      {{"--colour-average"}, {.colourAverage = true}, no},
      {{"--intensity-limit"}, {.intensityLimit = true}, no},
      {{"--increase-capping"}, {.increaseCapping = true}, no},
      {{"--more-stars"}, {.stars = sq::StarAmount::More}, no},
      {{"--less-stars"}, {.stars = sq::StarAmount::Less}, no},
      {{"--filter"}, {}, "Yes"},
      {{"--no-filter"}, {}, "No"},
  };
  std::string plain;
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
    // A star map the same build leaves empty is warned of; every run after the first writes over the one before.
    for (std::size_t k = 0; k < built.built.tables.bgsgTable.size(); ++k) {
      const sq::StarMapChunk& map = built.built.tables.bgsgTable[k];
      if (map.recordCount == 0)
        err += "starquill build-background: warning: Star map " + std::to_string(k + 1) + " (" + map.textureName +
               ") holds no star.\n";
    }
    int64_t pointStars = 0;
    for (const sq::PointStarChunk& chunk : built.built.tables.strfTable) pointStars += chunk.starCount;
    if (pointStars == 0) err += "starquill build-background: warning: The point stars are empty: no star was kept.\n";
    if (&c != cases) err += "starquill build-background: replaced the earlier " + (dir / "dense.hod").string() + "\n";
    EXPECT_EQ(r.err, err);
    const std::string written = ReadText(dir / "dense.hod");
    EXPECT_TRUE(written == ReadText(out / "dense.hod"));
    // Every option but the default density changes the file; the answer need not (the mesh is halftoned anyway).
    if (c.flags.empty()) plain = written;
    if (c.answer == no) {
      EXPECT_EQ(written == plain, c.options == sq::BuildOptions{});
    }
  }
}

// The committed sample is what our programs make today (its picture by make_sample, its background by build-background
// from it), and is written again byte for byte.
TEST(BundledSample, IsWhatOurProgramsMakeAndIsWrittenAgainByteForByte) {
  TempDir dir, built;
  const auto samples = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples";
  ProcessResult r = RunProgram(MAKE_SAMPLE_EXE, {(dir / "sky.tga").string()}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadText(dir / "sky.tga") == ReadText(samples / "sky.tga"));
  r = Starquill({"build-background", (samples / "sky.tga").string(), "--density", "4", "--colour-average", "--out-dir",
                 built.path().string()},
                dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(ReadText(built / "sky.hod") == ReadText(samples / "sky.hod"));
  r = Starquill({"write-background", (samples / "sky.hod").string(), "--out-dir", dir.path().string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::pair(r.out, r.err), std::pair((dir / "sky.hod").string() + "\n", std::string()));
  EXPECT_TRUE(ReadText(dir / "sky.hod") == ReadText(samples / "sky.hod"));
}
