// "Build background" and the write commands on the builder session: which image
// they build from, with which options and halftone answer, where they write, and
// what lets a built background go.
#include <gtest/gtest.h>

#include "app/build_background_command.h"
#include "tests/sky_kit.h"

using namespace sqtest;

TEST(BuildSessionBackground, BuildsTheLoadedImageWithTheMarksAndTheAnswerGivenAndWritesBesideIt) {
  TempDir pictures, outputs, expected;
  RecordingPlatform platform;
  sq::BuilderSession session;
  sq::PreviewLists lists;
  Picture sky = SmoothSky(256, 128);
  sky.Grey(40, 40, 120).Square(120, 70, 125);
  for (int x = 1; x <= 256; ++x) sky.Set(x, 64, 250, 200, 180);  // not halftoned
  WriteBytes(pictures / "sky.tga", sky.File());
  platform.answer = true;  // filter
  sq::LoadTargaCommand(session, lists, pictures / "sky.tga", outputs.path(), platform);
  EXPECT_TRUE(session.tools.buildBackgroundEnabled && !session.tools.writeHodEnabled);

  session.options.Click(sq::BuilderOption::Density16);
  session.options.Click(sq::BuilderOption::ColourAverage);
  platform.answer = false;  // were it asked again, the answer would differ
  ASSERT_TRUE(sq::BuildSessionBackground(session, platform));
  EXPECT_EQ(platform.questions.size(), 1u);
  EXPECT_TRUE(session.tools.writeHodEnabled);

  // Written beside the picture, not into the folder the load wrote its files to:
  // what the command line writes from that file with those options and a Yes.
  ASSERT_EQ(sq::WriteSessionBackground(session, platform).status, sq::WriteHodOutcome::Status::Written);
  EXPECT_FALSE(std::filesystem::exists(outputs / "sky.hod"));
  sq::BuildOptions options;
  options.density = 16;
  options.colourAverage = true;
  RecordingPlatform fresh;
  fresh.answer = true;
  sq::BuildBackgroundCommand(pictures / "sky.tga", expected.path(), options, fresh);
  EXPECT_TRUE(ReadText(pictures / "sky.hod") == ReadText(expected / "sky.hod"));

  // A HOD file read: the built background goes, the image stays loaded.
  sq::ForgetBuiltBackground(session);
  EXPECT_FALSE(session.builtBackground || session.tools.writeHodEnabled);
  EXPECT_TRUE(session.tools.buildBackgroundEnabled);
  std::filesystem::remove(pictures / "sky.hod");
  platform.messages.clear();
  EXPECT_EQ(sq::WriteSessionBackground(session, platform).status, sq::WriteHodOutcome::Status::Refused);
  EXPECT_EQ(platform.messages,
            std::vector<std::string>{
                Shown("The background HOD cannot be written: no background has been built from a picture.")});
  EXPECT_FALSE(std::filesystem::exists(pictures / "sky.hod"));
}

TEST(BuildSessionBackground, AnotherLoadLetsGoAndOnlyALoadedImageBuilds) {
  TempDir pictures;
  RecordingPlatform platform;
  sq::BuilderSession session;
  sq::PreviewLists lists;
  WriteBytes(pictures / "a.tga", SmoothSky(128, 64).File());
  WriteBytes(pictures / "tiny.tga", Picture(5, 40, 20).File());
  std::vector<uint8_t> invalid = Picture(128, 64).File();
  invalid[16] = 24;
  WriteBytes(pictures / "bad.tga", invalid);

  sq::LoadTargaCommand(session, lists, pictures / "a.tga", pictures.path(), platform);
  ASSERT_TRUE(sq::BuildSessionBackground(session, platform));
  sq::LoadTargaCommand(session, lists, pictures / "tiny.tga", pictures.path(), platform);
  EXPECT_FALSE(session.builtBackground || session.tools.writeHodEnabled);
  EXPECT_TRUE(session.tools.buildBackgroundEnabled);
  platform.messages.clear();
  EXPECT_FALSE(sq::BuildSessionBackground(session, platform));  // loaded, but too small to build
  EXPECT_EQ(platform.messages, std::vector<std::string>{Shown(sq::kPictureTooSmall)});
  EXPECT_FALSE(session.tools.writeHodEnabled);

  for (const char* name : {"bad.tga", "A.TGA"}) {  // not loaded: nothing to build from
    sq::LoadTargaCommand(session, lists, pictures / name, pictures.path(), platform);
    EXPECT_FALSE(session.tools.buildBackgroundEnabled) << name;
    EXPECT_FALSE(sq::BuildSessionBackground(session, platform)) << name;
  }
}
