#include <gtest/gtest.h>

#include <filesystem>

#include "report/report_rtf.h"
#include "support/sample_files.h"
#include "tests/walk_kit.h"

using namespace sqtest;

TEST(WalkHod, LeadingChunksAreKeptAsStored) {
  Walk w(Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))));
  EXPECT_FALSE(w.result.failed);
  EXPECT_EQ(w.model.hodHeader.vers, (sq::ChunkHeader{"FORM", 0x08000000u, "VERS"}));
  EXPECT_EQ(w.model.hodHeader.hodVersion, 1000);
  EXPECT_EQ(w.model.hodHeader.bglt, (sq::ChunkHeader{"NRML", 0x08000000u, "BGLT"}));
  EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
  EXPECT_FALSE(w.model.hasBGMS || w.model.hasBGSG || w.model.hasSTRF || w.model.hasLITE);
  EXPECT_TRUE(w.platform.messages.empty());

  // An odd size is kept; a version stored big-endian reads as stored.
  Walk odd(Bytes().Tag("FORM").BE32(12).Tag("VERS").Raw({0x00, 0x00, 0x03, 0xE8}));
  EXPECT_EQ(sq::ByteSwap32(odd.model.hodHeader.vers.chunkSize), 12u);
  EXPECT_EQ(odd.model.hodHeader.hodVersion, static_cast<int32_t>(0xE8030000u));
  // A NAME form of size 12 holds eight characters.
  Walk named(Bytes().Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1"))));
  EXPECT_EQ(named.model.hodHeader.hodName, "Fighter1");
  EXPECT_EQ(sq::ByteSwap32(named.model.hodHeader.name.chunkSize), 12u);
}

// A walk made only for its tables writes no side file, not even where a folder
// left empty would put one (the working folder), and fills the same tables.
TEST(WalkHod, AWalkWithoutSideFilesWritesNothing) {
  const Bytes file = FullModelHod();
  Walk exported(file);
  ASSERT_FALSE(exported.result.failed) << exported.result.reason;
  ASSERT_FALSE(std::filesystem::is_empty(exported.dir.path()));  // the model has side exports

  TempDir working;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(working.path());
  sq::Model model;
  RecordingPlatform platform;
  const sq::WalkResult result = sq::WalkHodBytes(file.vec(), model, platform, sq::kNoSideFiles);
  std::filesystem::current_path(before);
  EXPECT_FALSE(result.failed) << result.reason;
  EXPECT_TRUE(std::filesystem::is_empty(working.path()));
  EXPECT_EQ(sq::BuildReport(model, "model"), sq::BuildReport(exported.model, "model"));
}

// An unknown form, an unknown kind and a second VERS form end the walk quietly:
// the light chunk behind them is not read.
TEST(WalkHod, UnknownChunksAndASecondVersEndTheWalk) {
  for (const Bytes& stop : {Form("ZZZZ", Bytes().I32(1)), Bytes().Tag("JUNK"), Vers(512)}) {
    Walk w(Bytes().Add(Vers(1000)).Add(stop).Add(Nrml("BGLT", Bytes().I32(7))));
    EXPECT_FALSE(w.result.failed) << w.result.reason;
    EXPECT_EQ(w.model.hodHeader.hodVersion, 1000);
    EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
    EXPECT_EQ(w.model.hodHeader.bglt.chunkId, "");
  }
}

TEST(WalkHod, StarMapRunFillsRowsAndHandsOnTheNextHeaderOnce) {
  Bytes file;
  file.Add(Vers(1000)).Add(StarMapForm("B02.tga", 1)).Add(StarMapForm("B03.tga", 2)).Add(PointStars(3, 1));
  Walk w(file);
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.bgsgTable.size(), 2u);
  EXPECT_TRUE(w.model.hasBGSG);
  EXPECT_EQ(w.model.bgsgTable[0].textureName, "B02.tga");
  EXPECT_EQ(w.model.bgsgTable[0].nameLength, 7);
  EXPECT_EQ(w.model.bgsgTable[1].textureName, "B03.tga");
  EXPECT_EQ(w.model.bgsgTable[1].recordCount, 2);
  EXPECT_EQ(w.model.bgsgTable[1].header, (sq::ChunkHeader{"FORM", sq::ByteSwap32(12 + 7 + 64), "BGSG"}));
  // The STRF header that ended the run was dispatched without being read again.
  ASSERT_EQ(w.model.strfTable.size(), 1u);
  EXPECT_EQ(w.model.strfTable[0].starCount, 3);
  EXPECT_FLOAT_EQ(w.model.strfTable[0].stars[2].x, 33.0f);
}

TEST(WalkHod, PointStarRunsRestartAtRowOne) {
  Walk w(Bytes()
             .Add(Vers(1000))
             .Add(PointStars(2, 0))
             .Add(PointStars(5, 1))
             .Add(StarMapForm("B02.tga", 0))
             .Add(PointStars(0, 2)));
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasSTRF);
  ASSERT_EQ(w.model.strfTable.size(), 1u);  // the later run replaced the first
  EXPECT_EQ(w.model.strfTable[0].starCount, 0);
  EXPECT_TRUE(w.model.strfTable[0].stars.empty());
  EXPECT_EQ(sq::ByteSwap32(w.model.strfTable[0].header.chunkSize), 12u);
  EXPECT_EQ(w.model.strfTable[0].starVersion, (std::array<uint8_t, 4>{0, 0, 3, 0xE8}));
}

TEST(WalkHod, HostileCountsEndTheWalkWithOffsetAndReason) {
  // A star count of 2^31 - 1 on a tiny file: refused before anything is sized by it.
  Bytes huge;
  huge.Add(Vers(1000)).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF);
  Walk w1(huge);
  EXPECT_TRUE(w1.result.failed);
  EXPECT_EQ(w1.result.offset, 36u);  // just behind the count
  EXPECT_NE(w1.result.reason.find("point-star"), std::string::npos);
  ASSERT_EQ(w1.model.strfTable.size(), 1u);
  EXPECT_TRUE(w1.model.strfTable[0].stars.empty());

  Bytes negative;
  negative.Add(Vers(1000)).Add(Form("BGSG", Bytes().Text("B02.tga").I32(-1)));
  Walk w2(negative);
  EXPECT_TRUE(w2.result.failed);
  EXPECT_NE(w2.result.reason.find("negative"), std::string::npos);
}

TEST(ReadFixedText, BadLengthsShowThePositionAndReadingGoesOn) {
  // Swapped size 2 minus 4 is negative: the position is that of the byte behind the id.
  Walk w(Bytes().Add(Vers(512)).Tag("FORM").BE32(2).Tag("NAME").Add(Nrml("BGLT", Bytes().I32(5))));
  EXPECT_EQ(w.platform.messages, std::vector<std::string>{"Starquill: Unqualified string at 29"});
  EXPECT_EQ(w.model.hodHeader.hodName, "");
  // Reading went on from the same position: the BGLT chunk behind it was read.
  EXPECT_EQ(w.model.hodHeader.bgltValue, 5);

  // A texture-name length longer than the file.
  Walk map(Bytes().Add(Vers(1000)).Add(Form("BGSG", Bytes().I32(1000).I32(0))));
  EXPECT_EQ(map.platform.messages, std::vector<std::string>{"Starquill: Unqualified string at 33"});
  ASSERT_EQ(map.model.bgsgTable.size(), 1u);
  EXPECT_EQ(map.model.bgsgTable[0].textureName, "");
}

TEST(WalkContext, TheEleventhMessageEndsTheWalk) {
  const Bytes file = Vers(1000);
  RecordingPlatform platform;
  TempDir dir;
  sq::Reader reader(file.vec());
  sq::WalkContext ctx(reader, platform, dir.path());
  for (int i = 0; i < 10; ++i) ctx.Message("m", sq::MessageWeight::Warning);
  EXPECT_FALSE(reader.Failed());
  ctx.Message("eleventh", sq::MessageWeight::Warning);
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(platform.messages.size(), 10u);
}
