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

TEST(WalkHod, HostileCountsEndTheWalkWithOffsetAndReason) {
  // A star count of 2^31 - 1 on a tiny file: refused before anything is sized by it.
  Walk w1(Bytes().Add(Vers(1000)).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF));
  EXPECT_TRUE(w1.result.failed);
  EXPECT_EQ(w1.result.offset, 36u);  // just behind the count
  EXPECT_NE(w1.result.reason.find("point-star"), std::string::npos);
  ASSERT_EQ(w1.model.strfTable.size(), 1u);
  EXPECT_TRUE(w1.model.strfTable[0].stars.empty());

  Walk w2(Bytes().Add(Vers(1000)).Add(Form("BGSG", Bytes().Text("B02.tga").I32(-1))));
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
