#include <gtest/gtest.h>

#include "hod/modFarholdhod.h"
#include "hodbuilder.h"
#include "testkit.h"
#include "walkkit.h"

using namespace sqtest;

namespace {

Bytes StarChunk(int count) {
  Bytes p;
  p.BE32(1000).I32(count);
  for (int i = 0; i < count; ++i) p.F32s({100.0f + float(i), 0, 0, 0.25f, 0.5f, 0.5f, 1});
  return Nrml("STRF", p);
}

Bytes StarMap(std::string_view name, int records) {
  Bytes p;
  p.Text(name).I32(records);
  for (int i = 0; i < records; ++i) p.F32s({100, 0, 0, 10, 1, 1, 1, 1});
  return Form("BGSG", p);
}

}  // namespace

TEST(ByteSwap32, ReversesBytesAndIsItsOwnInverse) {
  EXPECT_EQ(sq::ByteSwap32(0x08000000u), 8u);  // size bytes 00 00 00 08 read little-endian
  EXPECT_EQ(sq::ByteSwap32(0x11223344u), 0x44332211u);
  EXPECT_EQ(sq::ByteSwap32(sq::ByteSwap32(0xDEADBEEFu)), 0xDEADBEEFu);
}

TEST(WalkHod, VersOnlyFileFillsVersAndEndsNormally) {
  Walk w(Vers(1000));
  EXPECT_FALSE(w.result.failed);
  EXPECT_EQ(w.model.hodHeader.vers, (sq::ChunkHeader{"FORM", 0x08000000u, "VERS"}));
  EXPECT_EQ(w.model.hodHeader.hodVersion, 1000);
  EXPECT_FALSE(w.model.hasBGMS || w.model.hasBGSG || w.model.hasSTRF || w.model.hasLITE);
  EXPECT_TRUE(w.platform.messages.empty());
}

TEST(WalkHod, WriterLeadingBytesGiveVersionAndLightValue) {
  Bytes file;
  file.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0)));
  ASSERT_EQ(file.size(), 32u);
  Walk w(file);
  EXPECT_EQ(w.model.hodHeader.hodVersion, 1000);
  EXPECT_EQ(w.model.hodHeader.bglt, (sq::ChunkHeader{"NRML", 0x08000000u, "BGLT"}));
  EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
}

TEST(WalkHod, SizeFieldIsKeptAsStored) {
  Bytes file;
  file.Tag("FORM").BE32(12).Tag("VERS").I32(1000);
  Walk w(file);
  EXPECT_EQ(sq::ByteSwap32(w.model.hodHeader.vers.chunkSize), 12u);
}

TEST(WalkHod, BigEndianVersionReadsAsStored) {
  Bytes file;
  file.Tag("FORM").BE32(8).Tag("VERS").Raw({0x00, 0x00, 0x03, 0xE8});
  Walk w(file);
  EXPECT_EQ(w.model.hodHeader.hodVersion, static_cast<int32_t>(0xE8030000u));
}

TEST(WalkHod, NameOfSize12GivesEightCharacters) {
  Bytes file;
  file.Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1")));
  Walk w(file);
  EXPECT_EQ(w.model.hodHeader.hodName, "Fighter1");
  EXPECT_EQ(sq::ByteSwap32(w.model.hodHeader.name.chunkSize), 12u);
}

TEST(WalkHod, UnknownFormEndsWalkQuietlyBeforeKnownChunks) {
  Bytes file;
  file.Add(Vers(1000)).Add(Form("ZZZZ", Bytes().I32(1))).Add(Nrml("BGLT", Bytes().I32(7)));
  Walk w(file);
  EXPECT_FALSE(w.result.failed);
  EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
  EXPECT_EQ(w.model.hodHeader.bglt.chunkId, "");
}

TEST(WalkHod, UnknownKindAndSecondVersEndTheWalk) {
  Bytes a;
  a.Add(Vers(1000)).Tag("JUNK").Add(Nrml("BGLT", Bytes().I32(7)));
  Walk wa(a);
  EXPECT_EQ(wa.model.hodHeader.bgltValue, 0);

  Bytes b;
  b.Add(Vers(1000)).Add(Vers(512)).Add(Nrml("BGLT", Bytes().I32(7)));
  Walk wb(b);
  EXPECT_EQ(wb.model.hodHeader.hodVersion, 1000);
  EXPECT_EQ(wb.model.hodHeader.bgltValue, 0);
}

TEST(WalkHod, StarMapRunFillsRowsAndHandsOnTheNextHeaderOnce) {
  Bytes file;
  file.Add(Vers(1000)).Add(StarMap("B02.tga", 1)).Add(StarMap("B03.tga", 2)).Add(StarChunk(3));
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
  EXPECT_FLOAT_EQ(w.model.strfTable[0].stars[2].x, 102.0f);
}

TEST(WalkHod, ThirdStarMapChunkEndsTheWalkAsFailure) {
  Bytes file;
  file.Add(Vers(1000)).Add(StarMap("a", 0)).Add(StarMap("b", 0)).Add(StarMap("c", 0)).Add(StarChunk(1));
  Walk w(file);
  EXPECT_TRUE(w.result.failed);
  EXPECT_EQ(w.model.bgsgTable.size(), 3u);
  EXPECT_TRUE(w.model.strfTable.empty());
}

TEST(WalkHod, PointStarRunsRestartAtRowOne) {
  Bytes file;
  file.Add(Vers(1000)).Add(StarChunk(0)).Add(StarChunk(2)).Add(StarMap("B02.tga", 0)).Add(StarChunk(5));
  Walk w(file);
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasSTRF);
  ASSERT_EQ(w.model.strfTable.size(), 1u);  // the later run replaced the first
  EXPECT_EQ(w.model.strfTable[0].starCount, 5);
  EXPECT_EQ(w.model.strfTable[0].starVersion, (std::array<uint8_t, 4>{0, 0, 3, 0xE8}));
}

TEST(WalkHod, EmptyPointStarChunkHasNoStars) {
  Walk w(Bytes().Add(Vers(1000)).Add(StarChunk(0)));
  ASSERT_EQ(w.model.strfTable.size(), 1u);
  EXPECT_TRUE(w.model.strfTable[0].stars.empty());
  EXPECT_EQ(sq::ByteSwap32(w.model.strfTable[0].header.chunkSize), 12u);
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

TEST(WalkHod, TruncatedFilesNeverReadPastTheEnd) {
  Bytes file;
  file.Add(Vers(1000)).Add(Form("NAME", Bytes().Tag("Sky"))).Add(Nrml("BGLT", Bytes().I32(0)));
  file.Add(StarMap("B02.tga", 2)).Add(StarChunk(3));
  const auto& all = file.vec();
  for (std::size_t cut = 0; cut <= all.size(); ++cut) {
    Bytes part;
    for (std::size_t i = 0; i < cut; ++i) part.Raw({all[i]});
    Walk w(part);
    if (cut == all.size()) {
      EXPECT_FALSE(w.result.failed) << w.result.reason;
    }
    if (w.result.failed) {
      EXPECT_LE(w.result.offset, cut);
    }
  }
}

TEST(ReadFixedText, BadLengthShowsPositionAndKeepsText) {
  Bytes file;
  file.Add(Vers(512)).Tag("FORM").BE32(2).Tag("NAME").Add(Nrml("BGLT", Bytes().I32(5)));
  Walk w(file);
  // Swapped size 2 minus 4 is negative: the position is that of the byte behind the id.
  ASSERT_EQ(w.platform.messages.size(), 1u);
  EXPECT_EQ(w.platform.messages[0], "Starquill: Unqualified string at 29");
  EXPECT_EQ(w.model.hodHeader.hodName, "");
  // Reading went on from the same position: the BGLT chunk behind it was read.
  EXPECT_EQ(w.model.hodHeader.bgltValue, 5);
}

TEST(ReadFixedText, LengthLongerThanTheFileIsRefused) {
  Bytes file;
  file.Add(Vers(1000)).Add(Form("BGSG", Bytes().I32(1000).I32(0)));
  Walk w(file);
  ASSERT_EQ(w.platform.messages.size(), 1u);
  EXPECT_EQ(w.platform.messages[0], "Starquill: Unqualified string at 33");
  ASSERT_EQ(w.model.bgsgTable.size(), 1u);
  EXPECT_EQ(w.model.bgsgTable[0].textureName, "");
}

TEST(WalkContext, TheEleventhMessageEndsTheWalk) {
  const Bytes file = Vers(1000);
  RecordingPlatform platform;
  TempDir dir;
  sq::Reader reader(file.vec());
  sq::WalkContext ctx(reader, platform, dir.path());
  for (int i = 0; i < 10; ++i) ctx.Message("m");
  EXPECT_FALSE(reader.Failed());
  ctx.Message("eleventh");
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(platform.messages.size(), 10u);
}

TEST(ResetModel, EmptiesEverything) {
  Walk w(Bytes().Add(Vers(1000)).Add(StarMap("B02.tga", 1)).Add(StarChunk(2)));
  ASSERT_TRUE(w.model.hasSTRF);
  w.model.faceTotal = 9;
  w.model.hierarchyCount = 3;
  sq::ResetModel(w.model);
  EXPECT_FALSE(w.model.hasSTRF || w.model.hasBGSG);
  EXPECT_TRUE(w.model.strfTable.empty() && w.model.bgsgTable.empty());
  EXPECT_EQ(w.model.faceTotal, 0);
  EXPECT_EQ(w.model.hierarchyCount, 0);
  EXPECT_EQ(w.model.hodHeader.hodVersion, 0);
}
