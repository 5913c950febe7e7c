#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "tests/background_fixtures.h"
#include "tests/walk_kit.h"
#include "writer/background_writer.h"

using namespace sqtest;

namespace {

// The tables of sixteen empty mesh chunks, empty star maps and empty point-star chunks.
sq::BackgroundWriterTables EmptyBackground() {
  sq::BackgroundWriterTables t;
  for (int i = 0; i < 16; ++i) t.outBgmsTable.push_back(sq::OnePartMeshChunk({}, 514, {}));
  return t;
}

}  // namespace

TEST(BackgroundWriter, WrittenFileReadsBackIntoTheSameTablesAndCopiesOnlyItsShapeBack) {
  sq::BackgroundWriterTables t = SmallBackground();
  const std::string bytes = sq::SerializeBackgroundHod(t);
  const Walk w(Bytes().Tag(bytes));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.platform.messages.empty());
  EXPECT_EQ(w.model.hodHeader.hodVersion, 1000);
  EXPECT_EQ(w.model.bgmsTable, t.outBgmsTable);
  EXPECT_EQ(w.model.bgsgTable, std::vector(t.outBgsgTable.begin(), t.outBgsgTable.end()));
  EXPECT_EQ(w.model.strfTable, std::vector(t.outStrfTable.begin(), t.outStrfTable.end()));
  // Copied back into writer tables it writes the same bytes (write-background's test);
  // other shapes are refused and leave the tables.
  sq::BackgroundWriterTables target = EmptyBackground();
  const sq::BackgroundWriterTables before = target;
  const std::vector<std::pair<void (*)(sq::Model&), std::string>> cases = {
      {[](sq::Model& m) { m.strfTable.pop_back(); }, "it holds 15 point-star chunks, not 16"},
      {[](sq::Model& m) { m.bgsgTable.pop_back(); }, "it holds 1 star-map chunks, not 2"},
      {[](sq::Model& m) { m.bgmsTable[3].parts[0].listCount = 2, m.bgmsTable[3].parts[0].indexLists.push_back({}); },
       "mesh chunk 4 has 2 index lists, not one"},
  };
  for (const auto& [spoil, reason] : cases) {
    Walk spoilt(Bytes().Tag(bytes));
    spoil(spoilt.model);
    EXPECT_EQ(sq::CopyBackgroundToWriter(spoilt.model, target), reason);
  }
  EXPECT_EQ(target.outBgmsTable, before.outBgmsTable);
}

TEST(BackgroundWriter, EmptyBackgroundByteForByteAndBrokenTablesRefused) {
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
  sq::BackgroundWriterTables empty = EmptyBackground();
  EXPECT_EQ(Bytes().Tag(sq::SerializeBackgroundHod(empty)).vec(), expected.vec());
  // Broken tables are refused with a message, and nothing is written.
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
    sq::DiskFolder folder(dir.path());
    sq::BackgroundWriterTables t = SmallBackground();
    c.spoil(t);
    WriteBytes(dir / "old.hod", {1, 2, 3});
    const sq::HodWriteOutcome out = sq::WriteBackgroundHod(t, folder, "old.hod");
    EXPECT_EQ(out.status, sq::CommandOutcome::Status::Refused) << c.what;
    ASSERT_EQ(out.messages.size(), 1u) << c.what;
    EXPECT_EQ(out.messages[0].text, std::string("The background HOD cannot be written: ") + c.reason + ".");
    EXPECT_EQ(out.messages[0].weight, sq::MessageWeight::Warning);
    EXPECT_EQ(ReadText(dir / "old.hod"), std::string("\x01\x02\x03", 3)) << c.what;
  }
}

TEST(WriteBackgroundCli, RefusesItsOwnInputOtherShapesAndReportsWriteFailuresAndReplacements) {
  TempDir dir, out;
  sq::BackgroundWriterTables t = SmallBackground();
  const std::string bytes = sq::SerializeBackgroundHod(t);
  WriteBytes(dir / "bg.hod", Bytes().Tag(bytes));
  // Into another folder over a file of that name: written without asking, and said.
  WriteBytes(out / "bg.hod", {'x'});
  auto run = [&](const std::filesystem::path& hod, const std::filesystem::path& to) {
    return Starquill({"write-background", hod.string(), "--out-dir", to.string()}, dir);
  };
  ProcessResult r = run(dir / "bg.hod", out.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "starquill write-background: replaced the earlier " + (out / "bg.hod").string() + "\n");
  EXPECT_EQ(ReadText(out / "bg.hod"), bytes);
  // Output into the input's own folder: the same file.
  r = run(dir / "bg.hod", dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("would replace the file it is read from"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(dir / "bg.hod"), bytes);
  // A file of another shape: refused, nothing written.
  WriteBytes(dir / "vers.hod", Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))));
  r = run(dir / "vers.hod", out.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "Starquill: Cannot write a background HOD from vers.hod: it holds no background mesh form (BGMS).\n");
  EXPECT_EQ(FileCount(out.path()), 1);
  // A damaged file is refused too, even when the rows read so far have the shape.
  WriteBytes(dir / "cut.hod", Bytes().Tag(bytes.substr(0, bytes.size() - 10)));
  r = run(dir / "cut.hod", out.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the file is damaged"), std::string::npos) << r.err;
  // A write that fails (the name is taken by a folder) says why and leaves no file behind.
  const auto taken = out / "taken";
  std::filesystem::create_directories(taken / "bg.hod");
  r = run(dir / "bg.hod", taken);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out + r.err, "Starquill: The background HOD file could not be written: cannot write " +
                               (taken / "bg.hod").string() + ": " + std::strerror(EISDIR) + "\n");
  EXPECT_EQ(FileCount(taken), 1);
  // A folder that is not there is made; one that cannot be made (below a file) is said once.
  r = run(dir / "bg.hod", out / "no" / "such");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(out / "no" / "such" / "bg.hod"), bytes);
  r = run(dir / "bg.hod", dir / "bg.hod" / "x");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "starquill write-background: cannot make the output folder " + (dir / "bg.hod" / "x").string() +
                       ": Not a directory\n");
}
