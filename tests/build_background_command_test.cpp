// "Build background" and the write commands on the builder session: which image
// they build from, with which options and halftone answer, where they write, and
// what lets a built background go.
#include <gtest/gtest.h>

#include "app/build_background_command.h"
#include "tests/sky_kit.h"
#include "writer/modMakeBGhod.h"

using namespace sqtest;

namespace {

// A smooth sky with one star of each kind and a band that is not halftoned.
Picture BrightBandSky() {
  Picture p = SmoothSky(256, 128);
  p.Grey(40, 40, 120).Square(120, 70, 125).Square(200, 30, 118);
  for (int x = 1; x <= 256; ++x) p.Set(x, 64, 250, 200, 180);
  return p;
}

std::string FileOf(const sq::BackgroundTables& background) {
  sq::BackgroundWriterTables writer;
  EXPECT_EQ(sq::CopyBackgroundToWriter(background, writer), "");
  return sq::SerializeBackgroundHod(writer);
}

struct Session {
  TempDir pictures, outputs;
  RecordingPlatform platform;
  sq::BuilderSession session;
  sq::PreviewLists lists;

  sq::TgaCommandOutcome Load(const std::string& name, const Picture& picture) {
    WriteBytes(pictures / name, picture.File());
    return sq::LoadTargaCommand(session, lists, pictures / name, outputs.path(), platform);
  }
};

}  // namespace

TEST(BuildSessionBackground, BuildsTheLoadedImageWithTheMarksAndTheAnswerGivenAndWritesBesideIt) {
  Session s;
  s.platform.answer = true;  // filter
  ASSERT_EQ(s.Load("sky.tga", BrightBandSky()).status, sq::TgaCommandOutcome::Status::Loaded);
  EXPECT_TRUE(s.session.tools.buildBackgroundEnabled);
  EXPECT_FALSE(s.session.tools.writeHodEnabled);
  ASSERT_EQ(s.platform.questions.size(), 1u);

  s.session.options.Click(sq::BuilderOption::Density16);
  s.session.options.Click(sq::BuilderOption::ColourAverage);
  s.platform.answer = false;  // were it asked again, the answer would differ
  s.platform.messages.clear();
  ASSERT_TRUE(sq::BuildSessionBackground(s.session, s.platform));
  EXPECT_EQ(s.platform.questions.size(), 1u);
  EXPECT_TRUE(s.platform.messages.empty());  // no size warning the second time
  EXPECT_TRUE(s.session.tools.writeHodEnabled);
  ASSERT_TRUE(s.session.builtBackground);

  // What the build makes from the same file with those options and a Yes.
  sq::BuildOptions options;
  options.density = 16;
  options.colourAverage = true;
  RecordingPlatform fresh;
  fresh.answer = true;
  const sq::BackgroundBuildOutcome expected = sq::BuildBackgroundFromFile(s.pictures / "sky.tga", options, fresh);
  ASSERT_TRUE(expected.Built());
  const std::string bytes = FileOf(expected.built.tables);
  EXPECT_EQ(FileOf(*s.session.builtBackground), bytes);
  options.colourAverage = false;
  EXPECT_TRUE(FileOf(sq::BuildBackgroundFromFile(s.pictures / "sky.tga", options, fresh).built.tables) != bytes);

  // Written beside the picture, not into the folder the load wrote its files to.
  ASSERT_EQ(sq::WriteSessionBackground(s.session, s.platform).status, sq::WriteHodOutcome::Status::Written);
  EXPECT_EQ(ReadText(s.pictures / "sky.hod"), bytes);
  EXPECT_FALSE(std::filesystem::exists(s.outputs / "sky.hod"));
}

TEST(BuildSessionBackground, ReadingAHodOrLoadingAgainLetsTheBuiltBackgroundGo) {
  Session s;
  ASSERT_EQ(s.Load("a.tga", SmoothSky(128, 64)).status, sq::TgaCommandOutcome::Status::Loaded);
  ASSERT_TRUE(sq::BuildSessionBackground(s.session, s.platform));

  sq::ForgetBuiltBackground(s.session);  // a HOD file was read
  EXPECT_FALSE(s.session.builtBackground);
  EXPECT_FALSE(s.session.tools.writeHodEnabled);
  EXPECT_TRUE(s.session.tools.buildBackgroundEnabled);  // the image is still loaded
  s.platform.messages.clear();
  EXPECT_EQ(sq::WriteSessionBackground(s.session, s.platform).status, sq::WriteHodOutcome::Status::Refused);
  EXPECT_EQ(s.platform.messages,
            std::vector<std::string>{
                "Starquill: The background HOD cannot be written: no background has been built from a picture."});
  EXPECT_FALSE(std::filesystem::exists(s.pictures / "a.hod"));

  // Another image: built again from it, and a refused or invalid one disables the build.
  ASSERT_TRUE(sq::BuildSessionBackground(s.session, s.platform));
  ASSERT_EQ(s.Load("b.tga", SmoothSky(128, 64)).status, sq::TgaCommandOutcome::Status::Loaded);
  EXPECT_FALSE(s.session.builtBackground);
  EXPECT_FALSE(s.session.tools.writeHodEnabled);
  EXPECT_EQ(s.session.tgaPath, s.pictures / "b.tga");

  std::vector<uint8_t> invalid = Picture(128, 64).File();
  invalid[16] = 24;
  WriteBytes(s.pictures / "c.tga", invalid);
  sq::LoadTargaCommand(s.session, s.lists, s.pictures / "c.tga", s.outputs.path(), s.platform);
  EXPECT_FALSE(s.session.tools.buildBackgroundEnabled);
  sq::LoadTargaCommand(s.session, s.lists, s.pictures / "C.TGA", s.outputs.path(), s.platform);
  EXPECT_FALSE(s.session.tools.buildBackgroundEnabled);
  s.platform.messages.clear();
  EXPECT_FALSE(sq::BuildSessionBackground(s.session, s.platform));
  EXPECT_EQ(s.platform.messages, std::vector<std::string>{"Starquill: Please select a Targa image file."});
}

TEST(BuildSessionBackground, APictureTooSmallToBuildIsRefusedWithItsReasonAndNothingIsHeld) {
  Session s;
  s.platform.answer = true;
  ASSERT_EQ(s.Load("tiny.tga", Picture(5, 40, 20)).status, sq::TgaCommandOutcome::Status::Loaded);
  s.platform.messages.clear();
  EXPECT_FALSE(sq::BuildSessionBackground(s.session, s.platform));
  EXPECT_EQ(s.platform.messages, std::vector<std::string>{"Starquill: " + std::string(sq::kPictureTooSmall)});
  EXPECT_FALSE(s.session.builtBackground);
  EXPECT_FALSE(s.session.tools.writeHodEnabled);
}

TEST(BuildSessionBackground, StarsLeftOutAreNamedInOneMessage) {
  // More 2 x 2 stars than a star map holds: one every six pixels each way.
  Picture p(600, 600, 10);
  for (int y = 4; y + 2 < 600; y += 6) {
    for (int x = 4; x + 2 < 600; x += 6) p.Square(x, y, 120);
  }
  Session s;
  ASSERT_EQ(s.Load("dense.tga", p).status, sq::TgaCommandOutcome::Status::Loaded);
  s.platform.messages.clear();
  ASSERT_TRUE(sq::BuildSessionBackground(s.session, s.platform));
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0].rfind("Starquill: Star map \"B02.tga\" holds at most 5461 stars: the ", 0), 0u)
      << s.platform.messages[0];
  EXPECT_EQ(s.session.builtBackground->bgsgTable[0].recordCount, 5461);
}
