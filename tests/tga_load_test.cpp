// The TGA load and saves, and the commands on the builder session: what a load sets up, what "Build background" builds
// from and where it writes, and what lets a built background go.
#include <gtest/gtest.h>

#include <cstring>

#include "app/build_background_command.h"
#include "tests/sky_kit.h"

using namespace sqtest;

namespace {

sq::TgaLoadResult Load(const TempDir& dir, const std::vector<uint8_t>& file, sq::TgaTables& t, sq::Platform& platform) {
  PlatformFace face(platform);
  sq::DiskFolder folder(dir.path());
  const auto bytes = sq::FileBytes::Copy(file, (dir / "img.tga").string());
  return face.Show(sq::LoadSkyImage(sq::LookAtPicture(bytes), folder, t, face.progress, face.askFilter));
}

}  // namespace

// Which bytes the answer changes, and that bytes at 127 or in alpha ask nothing, the pipeline comparisons check.
TEST(TgaLoad, HalftoneQuestionOnceAtFirstByteAbove127OtherSizesWarnAndGoOnTinyOnesUnexamined) {
  TempDir dir;
  const Picture pic = Picture(1024, 512, 10).Set(5, 1, 100, 100, 200).Set(7, 300, 0, 0, 131);
  sq::TgaTables t;
  ProgressPlatform platform;
  platform.answer = true;
  EXPECT_TRUE(Load(dir, pic.File(), t, platform).filtered);
  EXPECT_TRUE(platform.messages.empty());  // the recommended size: no warning
  ASSERT_EQ(platform.questions.size(), 1u);
  const auto& q = platform.questions[0];
  EXPECT_EQ(std::tie(q.title, q.text, q.icon, q.defaultYes),
            std::tuple(sq::kHalftoneTitle, sq::kHalftoneQuestion, sq::MessageIcon::Information, false));
  // The load's own progress runs to width x height, a row at a time.
  EXPECT_EQ(platform.history[1], std::make_pair(1024 * 512, 1024));
  EXPECT_EQ(platform.history[512], std::make_pair(1024 * 512, 1024 * 512));
  // Other sizes warn; one side right is still the wrong size.
  for (const auto& [w, h] : {std::pair{1024, 256}, std::pair{512, 512}, std::pair{5, 40}, std::pair{40, 5},
                             std::pair{1, 1}, std::pair{6, 6}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TempDir into;
    sq::TgaTables tables;
    RecordingPlatform shown;
    Picture other = Picture(w, h, 0).Grey(1, 1, 90);
    if (w > 100) other.Grey(100, 100, 100);
    const auto r = Load(into, other.File(), tables, shown);
    EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Loaded);
    EXPECT_EQ(shown.messages, std::vector<std::string>{Shown(sq::kSizeWarning)});
    EXPECT_EQ(tables.intensitySum[0], 270);
    EXPECT_EQ(r.outputs.written.size(), std::min(w, h) >= 6 ? 5u : 0u);
    EXPECT_EQ(tables.starTable[1].count, w > 100 ? 1 : 0);
  }
}

TEST(TgaLoad, RefusedImagesLeaveTheTablesAlone) {
  TempDir dir;
  sq::TgaTables t;
  RecordingPlatform platform;
  ASSERT_EQ(Load(dir, Picture(8, 8, 20).File(), t, platform).status, sq::TgaLoadResult::Status::Loaded);
  const std::vector<uint8_t> before(t.tgaPixels.begin(), t.tgaPixels.end());
  auto edited = [](std::vector<std::pair<std::size_t, uint8_t>> edits, std::size_t keep = 1000) {
    std::vector<uint8_t> f = Picture(8, 8, 20).File();
    for (auto [at, value] : edits) f[at] = value;
    f.resize(std::min(keep, f.size()));
    return f;
  };
  const std::vector<std::vector<uint8_t>> cases = {
      Picture(0, 8).File(),
      Picture(8, 0).File(),
      edited({{2, 10}}),                                         // run-length type
      edited({{16, 24}}),                                        // 24 bits a pixel
      edited({{1, 1}}),                                          // a colour map
      edited({}, 18 + 8 * 8 * 4 - 1),                            // one pixel byte short
      edited({{0, 255}}),                                        // an image-ID field longer than the file
      edited({}, 3),                                             // shorter than a header
      edited({{12, 0xFF}, {13, 0x7F}, {14, 0xFF}, {15, 0x7F}}),  // 32767 x 32767 claimed
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    RecordingPlatform p;
    TempDir out;
    EXPECT_EQ(Load(out, cases[i], t, p).status, sq::TgaLoadResult::Status::Invalid);
    EXPECT_EQ(p.messages, (std::vector<std::string>{Shown(sq::kSizeWarning), Shown(sq::kInvalidImage)}));
    EXPECT_EQ(std::vector<uint8_t>(t.tgaPixels.begin(), t.tgaPixels.end()), before);
    EXPECT_EQ(FileCount(out.path()), 0);  // nothing written
  }
}

TEST(TgaSave, ImageIdAndFooterKeptOrZeroedHalvingTwiceTruncatesAndAlphaOne) {
  TempDir dir;
  const Picture pic = Picture(7, 6, 30).Set(1, 1, 1, 2, 3);
  sq::TgaTables t;
  RecordingPlatform platform;  // answers No: 255 stays
  sq::DiskFolder folder(dir.path()), missing(dir / "missing");
  ASSERT_EQ(Load(dir, pic.File("HELLO"), t, platform).status, sq::TgaLoadResult::Status::Loaded);
  EXPECT_EQ(t.intensitySum[0], 6);
  sq::SaveHalftonedImage(t, "a", folder);
  // Colours halved, alpha 1, the image ID and the footer kept, and one byte more.
  const std::vector<uint8_t> half = Picture(7, 6, 15, 1).Set(1, 1, 0, 1, 1).File("HELLO");
  EXPECT_EQ(ReadText(dir / "a_halftoned.tga"), std::string(half.begin(), half.end()) + '\0');
  // A file that stores its top row first keeps its rows as stored, header and all.
  std::vector<uint8_t> topDown = pic.File("HELLO"), saved = Picture(7, 6, 30, 1).Set(1, 1, 1, 2, 3).File("HELLO");
  topDown[17] |= 0x20, saved[17] |= 0x20;
  ASSERT_EQ(Load(dir, topDown, t, platform).status, sq::TgaLoadResult::Status::Loaded);
  sq::SaveFilteredImage(t, "t", folder);
  EXPECT_EQ(ReadText(dir / "t_filtered.tga"), std::string(saved.begin(), saved.end()) + '\0');
  // A file that ends with its pixels, or part-way into the footer.
  for (std::size_t footerBytes : {0u, 3u}) {
    ASSERT_EQ(Load(dir, pic.File("", footerBytes), t, platform).status, sq::TgaLoadResult::Status::Loaded);
    sq::SaveFilteredImage(t, "b", folder);
    EXPECT_EQ(ReadText(dir / "b_filtered.tga").substr(18 + 7 * 6 * 4),
              std::string("FOO").substr(0, footerBytes) + std::string(18 - footerBytes, '\0'));
  }
  const Picture alpha = Picture(6, 6, 0, 200).Set(3, 3, 255, 1, 128);
  ASSERT_EQ(Load(dir, alpha.File(), t, platform).status, sq::TgaLoadResult::Status::Loaded);
  WriteBytes(dir / "s_halftoned.tga", std::vector<uint8_t>(100000, 0xEE));  // an older, longer file
  for (const auto& [b, g, r] : {std::tuple{127, 0, 64}, std::tuple{63, 0, 32}}) {
    EXPECT_TRUE(sq::SaveHalftonedImage(t, "s", folder).Ok());
    const SavedTga halved = ReadSavedTga(dir / "s_halftoned.tga");
    EXPECT_EQ(std::filesystem::file_size(dir / "s_halftoned.tga"), 18u + 4 * 6 * 6 + 18);
    EXPECT_TRUE(halved.Colour(3, 3, uint8_t(b), uint8_t(g), uint8_t(r)) && halved.AllAlphaOne());
  }
  // A save whose file cannot be made still changes the tables whole.
  EXPECT_FALSE(sq::SaveFilteredImage(t, "s", missing).Ok() || sq::SaveHalftonedImage(t, "s", missing).Ok());
  EXPECT_EQ(std::pair(t.Byte(3, 3, sq::kBlue), t.Byte(6, 6, sq::kAlpha)), std::pair(uint8_t{31}, uint8_t{1}));
}

TEST(TgaCommand, RefusedAndAcceptedSelectionsAndWhatAnotherLoadLetsGo) {
  EXPECT_EQ(sq::TgaBaseName("C:\\img\\sky.tga"), "sky");
  EXPECT_EQ(sq::TgaBaseName("/data/x.tga.d/sky.tga"), "x");
  TempDir dir;
  WriteBytes(dir / "sky.tga", Picture(1024, 512, 0).Grey(500, 200, 100).Grey(20, 20, 200).File());
  WriteBytes(dir / "tiny.tga", Picture(5, 40, 20).File());
  std::vector<uint8_t> invalid = Picture(128, 64).File();
  invalid[16] = 24;
  WriteBytes(dir / "bad.tga", invalid);
  sq::BuilderSession s;
  sq::PreviewLists lists;
  lists.starPreviewCount = 1, lists.starPreviewVertices.resize(1);
  s.backgroundFromHod = true;
  RecordingPlatform platform;
  platform.answer = true;
  auto outcome = sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir.path(), platform);
  EXPECT_EQ(outcome.status, sq::TgaCommandOutcome::Status::Written);
  EXPECT_TRUE(s.tgaBaseName == "sky" && s.filteredLoad && !s.backgroundFromHod && lists.starPreviewCount == 0 &&
              lists.starPreviewVertices.empty());
  // A second load starts from empty star lists: its point file gets the two stars once more, not twice more.
  sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir.path(), platform);
  EXPECT_EQ(ReadText(dir / "sky_StrPts1.obj"), "v 20 20 0\r\nv 500 200 0\r\nv 20 20 0\r\nv 500 200 0\r\n");
  s.backgroundFromHod = true;
  platform.messages.clear();
  outcome = sq::LoadTargaCommand(s, lists, dir / "SKY.TGA", dir.path(), platform);
  EXPECT_EQ(outcome.status, sq::TgaCommandOutcome::Status::Refused);
  // No such file, and no ".tga" in its name to say it would be a TGA.
  EXPECT_EQ(platform.messages, std::vector<std::string>{Shown("Cannot read the picture " + (dir / "SKY.TGA").string() +
                                                              ": " + std::strerror(ENOENT))});
  EXPECT_TRUE(s.tgaBaseName.empty() && !s.filteredLoad && !s.backgroundFromHod);
  EXPECT_EQ(s.tga.starTable[1].count, 2);  // the tables stay as they were
  // Every file that cannot be written is named, in one box.
  platform.messages.clear();
  outcome = sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir / "missing", platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].rfind(Shown("5 files could not be written:\n"), 0), 0u) << platform.messages[0];
  for (const char* name : {"sky_StrPts0.obj", "sky_StrPts1.obj", "sky_StrPts2.obj", "sky_cPts.obj"})
    EXPECT_NE(platform.messages[0].find((dir / "missing" / name).string()), std::string::npos) << name;
  EXPECT_EQ(s.tgaBaseName, "sky");  // loaded all the same
  // Another load lets a built background go; only a loaded image builds.
  ASSERT_TRUE(sq::BuildSessionBackground(s, platform));
  sq::LoadTargaCommand(s, lists, dir / "tiny.tga", dir.path(), platform);
  EXPECT_TRUE(!s.builtBackground && !s.PicturePath().empty());
  platform.messages.clear();
  EXPECT_FALSE(sq::BuildSessionBackground(s, platform));  // loaded, but too small to build
  EXPECT_EQ(platform.messages, std::vector<std::string>{Shown(sq::kPictureTooSmall)});
  EXPECT_FALSE(s.builtBackground);
  for (const char* name : {"bad.tga", "A.TGA"}) {  // not loaded: nothing to build from
    sq::LoadTargaCommand(s, lists, dir / name, dir.path(), platform);
    EXPECT_TRUE(s.PicturePath().empty() && !sq::BuildSessionBackground(s, platform)) << name;
  }
}

TEST(BuildSessionBackground, BuildsTheLoadedImageWithTheMarksAndTheAnswerGivenAndWritesBesideIt) {
  TempDir pictures, outputs, expected;
  RecordingPlatform platform;
  sq::BuilderSession session;
  sq::PreviewLists lists;
  Picture sky = SmoothSky(256, 128).Grey(40, 40, 120).Square(120, 70, 125);
  for (int x = 1; x <= 256; ++x) sky.Set(x, 64, 250, 200, 180);  // not halftoned
  WriteBytes(pictures / "sky.tga", sky.File());
  platform.answer = true;  // filter
  sq::LoadTargaCommand(session, lists, pictures / "sky.tga", outputs.path(), platform);
  EXPECT_TRUE(!session.PicturePath().empty() && !session.builtBackground);
  session.buildOptions = {.density = 16, .colourAverage = true};
  platform.answer = false;  // were it asked again, the answer would differ
  // The build takes the picture as its load read it: the file is not read again.
  WriteBytes(pictures / "sky.tga", Picture(256, 128, 90).File());
  ASSERT_TRUE(sq::BuildSessionBackground(session, platform));
  EXPECT_TRUE(platform.questions.size() == 1 && session.builtBackground);
  // Written beside the picture, not where the load wrote: what the command line writes from the file with a Yes.
  ASSERT_EQ(sq::WriteSessionBackground(session, platform).status, sq::CommandOutcome::Status::Written);
  EXPECT_FALSE(std::filesystem::exists(outputs / "sky.hod"));
  platform.answer = true;
  WriteBytes(expected / "sky.tga", sky.File());
  sq::BuildBackgroundCommand(expected / "sky.tga", expected.path(), {.density = 16, .colourAverage = true}, platform);
  EXPECT_TRUE(ReadText(pictures / "sky.hod") == ReadText(expected / "sky.hod"));
  // A HOD file read: the built background goes, the image stays loaded.
  sq::ForgetBuiltBackground(session);
  EXPECT_TRUE(!session.builtBackground && !session.PicturePath().empty());
  std::filesystem::remove(pictures / "sky.hod");
  platform.messages.clear();
  EXPECT_EQ(sq::WriteSessionBackground(session, platform).status, sq::CommandOutcome::Status::Refused);
  const std::string none = "The background HOD cannot be written: no background has been built from a picture.";
  EXPECT_EQ(platform.messages, std::vector<std::string>{Shown(none)});
  EXPECT_FALSE(std::filesystem::exists(pictures / "sky.hod"));
}
