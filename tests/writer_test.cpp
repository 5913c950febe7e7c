#include <gtest/gtest.h>

#include "hod/modFarholdhod.h"
#include "support/chunk_bytes.h"
#include "tests/background_fixtures.h"
#include "tests/test_kit.h"
#include "writer/modMakeBGhod.h"

using namespace sqtest;

namespace {

std::vector<uint8_t> AsBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The tables of sixteen empty mesh chunks, empty star maps and empty point-star chunks.
sq::BackgroundWriterTables EmptyBackground() {
  sq::BackgroundWriterTables t;
  for (int i = 0; i < 16; ++i) t.outBgmsTable.push_back(sq::WriterMeshChunk({}, 514, {}));
  return t;
}

}  // namespace

TEST(BackgroundWriter, WrittenFileReadsBackIntoTheSameTables) {
  sq::BackgroundWriterTables t = SmallBackground();
  const std::string bytes = sq::SerializeBackgroundHod(t);
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  const sq::WalkResult walk = sq::WalkHodBytes(AsBytes(bytes), model, platform, dir.path());
  ASSERT_FALSE(walk.failed) << walk.reason;
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(model.hodHeader.hodVersion, 1000);
  EXPECT_EQ(model.bgmsTable, t.outBgmsTable);
  EXPECT_EQ(model.bgsgTable, std::vector(t.outBgsgTable.begin(), t.outBgsgTable.end()));
  EXPECT_EQ(model.strfTable, std::vector(t.outStrfTable.begin(), t.outStrfTable.end()));

  // Copied back into writer tables, the background writes the same bytes again.
  sq::BackgroundWriterTables again;
  ASSERT_EQ(sq::CopyBackgroundToWriter(model, again), "");
  EXPECT_EQ(sq::SerializeBackgroundHod(again), bytes);
}

TEST(BackgroundWriter, EmptyBackgroundByteForByte) {
  Bytes expected;
  expected.Tag("FORM").BE32(8).Tag("VERS").Raw({0xE8, 0x03, 0, 0}).Tag("NRML").BE32(8).Tag("BGLT").I32(0);
  expected.Tag("FORM").BE32(740).Tag("BGMS");
  // 46 bytes a mesh: header, three words, material, format, count 0, list count, type, index count 0.
  for (int i = 0; i < 16; ++i) {
    expected.Tag("NRML").BE32(38).Tag("BMSH").I32(0).I32(0).I32(1).I32(0).I32(0).I32(0).I16(1).I32(514).I32(0);
  }
  for (const char* map : {"B02.tga", "B03.tga"}) expected.Tag("FORM").BE32(19).Tag("BGSG").I32(7).Tag(map).I32(0);
  // The point-star chunks carry the version big-endian.
  for (int i = 0; i < 16; ++i) expected.Tag("NRML").BE32(12).Tag("STRF").Raw({0, 0, 3, 0xE8}).I32(0);
  sq::BackgroundWriterTables t = EmptyBackground();
  EXPECT_EQ(AsBytes(sq::SerializeBackgroundHod(t)), expected.vec());
}

TEST(BackgroundWriter, WritesTheSerializedBytesAndReportsFailures) {
  TempDir dir;
  RecordingPlatform platform;
  sq::BackgroundWriterTables t = SmallBackground();
  ASSERT_EQ(sq::WriteBackgroundHod(t, dir / "m01.hod", platform).status, sq::WriteHodOutcome::Status::Written);
  EXPECT_EQ(ReadText(dir / "m01.hod"), sq::SerializeBackgroundHod(t));
  EXPECT_TRUE(platform.messages.empty());

  EXPECT_EQ(sq::WriteBackgroundHod(t, dir / "missing" / "m.hod", platform).status,
            sq::WriteHodOutcome::Status::WriteFailed);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(platform.messages[0].starts_with("Starquill: The background HOD file could not be written: "));
}

TEST(BackgroundWriter, RefusesBrokenTablesWithAMessageAndWritesNothing) {
  struct Case {
    const char* what;
    void (*spoil)(sq::BackgroundWriterTables&);
    const char* reason;
  };
  const Case cases[] = {
      {"fifteen meshes", [](sq::BackgroundWriterTables& t) { t.outBgmsTable.pop_back(); },
       "it holds 15 mesh chunks instead of 16"},
      {"too many vertices", [](sq::BackgroundWriterTables& t) { t.outBgmsTable[2].parts[0].vertexCount = 32768; },
       "mesh chunk 3 counts 32768 vertices (0 to 32767 can be written)"},
      {"missing vertices", [](sq::BackgroundWriterTables& t) { t.outBgmsTable[0].parts[0].vertexCount = 4; },
       "mesh chunk 1 holds 3 vertices but counts 4"},
      {"two lists", [](sq::BackgroundWriterTables& t) { t.outBgmsTable[4].parts[0].listCount = 2; },
       "mesh chunk 5 has 2 index lists instead of one"},
      {"index count", [](sq::BackgroundWriterTables& t) { t.outBgmsTable[1].parts[0].indexLists[0].indexCount = 3; },
       "mesh chunk 2 holds 4 indices but counts 3"},
      {"star map", [](sq::BackgroundWriterTables& t) { t.outBgsgTable[1].recordCount = 1; },
       "star map 2 holds 0 records but counts 1"},
      {"point stars", [](sq::BackgroundWriterTables& t) { t.outStrfTable[15].stars = {}; },
       "point-star chunk 16 holds 0 stars but counts 3"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    RecordingPlatform platform;
    sq::BackgroundWriterTables t = SmallBackground();
    c.spoil(t);
    WriteBytes(dir / "old.hod", {1, 2, 3});
    const sq::WriteHodOutcome out = sq::WriteBackgroundHod(t, dir / "old.hod", platform);
    EXPECT_EQ(out.status, sq::WriteHodOutcome::Status::Refused) << c.what;
    ASSERT_EQ(platform.messages.size(), 1u) << c.what;
    EXPECT_EQ(platform.messages[0], std::string("Starquill: The background HOD cannot be written: ") + c.reason + ".");
    EXPECT_EQ(ReadText(dir / "old.hod"), std::string("\x01\x02\x03", 3)) << c.what;
  }
}

TEST(CopyBackgroundToWriter, RefusesOtherShapesAndLeavesTheTables) {
  sq::BackgroundWriterTables written = SmallBackground();
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  ASSERT_FALSE(sq::WalkHodBytes(AsBytes(sq::SerializeBackgroundHod(written)), model, platform, dir.path()).failed);

  sq::BackgroundWriterTables target = EmptyBackground();
  const sq::BackgroundWriterTables before = target;
  const std::vector<std::pair<void (*)(sq::Model&), std::string>> cases = {
      {[](sq::Model& m) { m.strfTable.pop_back(); }, "it holds 15 point-star chunks, not 16"},
      {[](sq::Model& m) { m.bgsgTable.pop_back(); }, "it holds 1 star-map chunks, not 2"},
      {[](sq::Model& m) { m.bgmsTable[3].parts[0].listCount = 2, m.bgmsTable[3].parts[0].indexLists.push_back({}); },
       "mesh chunk 4 has 2 index lists, not one"},
      {[](sq::Model& m) { m.hasBGMS = false; }, "it holds no background mesh form (BGMS)"},
  };
  for (const auto& [spoil, reason] : cases) {
    sq::Model m = model;
    spoil(m);
    EXPECT_EQ(sq::CopyBackgroundToWriter(m, target), reason);
  }
  EXPECT_EQ(target.outBgmsTable, before.outBgmsTable);
}

TEST(WriteBackgroundCli, RefusesItsOwnInputOtherShapesAndReportsWriteFailures) {
  TempDir dir;
  sq::BackgroundWriterTables t = SmallBackground();
  const std::string bytes = sq::SerializeBackgroundHod(t);
  WriteBytes(dir / "bg.hod", AsBytes(bytes));

  // Output into the input's own folder: the same file.
  ProcessResult r = Starquill({"write-background", (dir / "bg.hod").string(), "--out-dir", dir.path().string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("would replace the file it is read from"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(dir / "bg.hod"), bytes);

  // A file of another shape: refused, nothing written.
  TempDir out;
  WriteBytes(dir / "vers.hod", Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).vec());
  r = Starquill({"write-background", (dir / "vers.hod").string(), "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "Starquill: Cannot write a background HOD from vers.hod: it holds no background mesh form (BGMS).\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 0);

  // A damaged file is refused too, even when the rows read so far have the shape.
  WriteBytes(dir / "cut.hod", AsBytes(bytes.substr(0, bytes.size() - 10)));
  r = Starquill({"write-background", (dir / "cut.hod").string(), "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the file is damaged"), std::string::npos) << r.err;

  // A write that fails (the name is taken by a folder) leaves no file behind.
  std::filesystem::create_directories(out / "taken" / "bg.hod");
  r = Starquill({"write-background", (dir / "bg.hod").string(), "--out-dir", (out / "taken").string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out / "taken"), {}), 1);

  // A folder that is not there is made; one that cannot be made (below a file) is said once.
  r = Starquill({"write-background", (dir / "bg.hod").string(), "--out-dir", (out / "no" / "such").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(out / "no" / "such" / "bg.hod"), bytes);
  r = Starquill({"write-background", (dir / "bg.hod").string(), "--out-dir", (dir / "bg.hod" / "x").string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "starquill write-background: cannot make the output folder " + (dir / "bg.hod" / "x").string() +
                       ": Not a directory\n");
}
