// The walk: the leading chunks, texts, the message limit, and the record a walk keeps
// of what it met and where it stopped (its entries against the bytes: the dump's tests).
#include <gtest/gtest.h>

#include "report/report_rtf.h"
#include "support/sample_files.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

struct RecordedWalk {
  sq::Model model;
  sq::WalkRecord record;
  sq::WalkResult result;

  explicit RecordedWalk(const Bytes& file) : result(sq::WalkHodBytes(file.vec(), model, false, &record)) {}
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const sq::ChunkEntry& e : record.chunks) {
      names.push_back(std::string(e.Kind()) + (e.header ? " " + std::string(e.Id()) : "") + "@" +
                      std::to_string(e.depth) + (e.reader ? "" : " stop"));
    }
    return names;
  }
};

}  // namespace

TEST(WalkHod, LeadingChunksAreKeptAsStoredTextsPastTheFileAndTheMessageLimit) {
  Walk w(Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))));
  EXPECT_FALSE(w.result.failed);
  EXPECT_EQ(w.model.hodHeader.vers, (sq::ChunkHeader{"FORM", 0x08000000u, "VERS"}));
  EXPECT_EQ(w.model.hodHeader.bglt, (sq::ChunkHeader{"NRML", 0x08000000u, "BGLT"}));
  // An odd size is kept; a version stored big-endian reads as stored.
  Walk odd(Bytes().Tag("FORM").BE32(12).Tag("VERS").Raw({0x00, 0x00, 0x03, 0xE8}));
  EXPECT_EQ(sq::ByteSwap32(odd.model.hodHeader.vers.chunkSize), 12u);
  EXPECT_EQ(odd.model.hodHeader.hodVersion, static_cast<int32_t>(0xE8030000u));
  // A NAME form of size 12 holds eight characters.
  Walk named(Bytes().Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1"))));
  EXPECT_EQ(named.model.hodHeader.hodName, "Fighter1");
  EXPECT_EQ(sq::ByteSwap32(named.model.hodHeader.name.chunkSize), 12u);
  // A text length past the file shows the position behind the length, counted from 1
  // (a negative one, and the walk going on behind it: the dump's tests).
  Walk map(Bytes().Add(Vers(1000)).Add(Form("BGSG", Bytes().I32(1000).I32(0))));
  EXPECT_EQ(map.platform.messages, std::vector<std::string>{"Starquill: Unqualified string at 33"});
  ASSERT_EQ(map.model.bgsgTable.size(), 1u);
  EXPECT_EQ(map.model.bgsgTable[0].textureName, "");
  // The eleventh message ends the walk.
  const Bytes file = Vers(1000);
  sq::Reader reader(file.vec());
  sq::WalkContext ctx(reader);
  for (int i = 0; i < 10; ++i) ctx.Say("m", sq::MessageWeight::Warning);
  EXPECT_FALSE(reader.Failed());
  ctx.Say("eleventh", sq::MessageWeight::Warning);
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(ctx.TakeMessages().size(), 10u);
}

// Whole files read to their end, at no header; their chunks in the order and depth of the
// walk: bare tags and tokens too, NRML runs that hand a read-ahead header on, INFO items.
// A walk ends short of the file at a header no reader takes (the last entry), even in a
// form, or before bytes too few for a header; behind a failure, where it failed.
TEST(WalkRecord, WholeFilesInTheOrderAndDepthOfTheWalkAndTheEndOfAWalkThatStopsEarly) {
  const Bytes sky = FullBackgroundHod(2, 2), ship = FullModelHod();
  RecordedWalk w(sky), model(ship);
  for (const auto& [walk, size] : {std::pair{&w, sky.size()}, {&model, ship.size()}}) {
    ASSERT_FALSE(walk->result.failed) << walk->result.reason;
    EXPECT_FALSE(walk->result.stoppedAt);
    EXPECT_EQ(walk->result.end, size);
  }
  EXPECT_EQ(w.Names(),
            (std::vector<std::string>{"FORM VERS@0", "NRML BGLT@0", "FORM BGMS@0", "NRML BMSH@1", "NRML BMSH@1",
                                      "FORM BGSG@0", "FORM BGSG@0", "NRML STRF@0", "NRML STRF@0"}));
  EXPECT_STREQ(w.record.chunks[3].reader, "ReadMeshChunk");
  const std::vector<std::string> names = model.Names();
  for (const char* expected :
       {"FORM HVMD@0", "LITE@1",      "STAT@1",      "LMIP@1",      "VARY@1",      "LMTX@1",      "GOBD@1",
        "GOBS@1",      "NRML STAT@1", "NRML MULT@1", "NRML GOBG@1", "NRML GOBS@1", "FORM DTRM@0", "HIER@1",
        "ETSH@1",      "BURN@1",      "NRML NAVL@1", "NRML ANIM@1", "NRML DOCK@1", "NRML BNDV@1", "FORM GLOW@1",
        "FORM MRKR@1", "FORM COLD@1", "FORM BSRM@1", "FORM INFO@1", "OWNR@2",      "WARN@2",      "ERRR@2"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
  }
  // Two MULT chunks in a run, each its own entry.
  EXPECT_EQ(std::count(names.begin(), names.end(), "NRML MULT@1"), 2);
  const Bytes head = Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0)));
  const Bytes info = ModelFile(InfoForm({{"WARN", "walk"}})), hvmd = Bytes().Add(Vers(1000)).Add(Form("HVMD", Bytes()));
  // Each file with where its walk ends and the record's last entry.
  const std::vector<std::tuple<Bytes, std::size_t, std::string>> cases = {
      {Bytes().Add(head).Add(Form("ZZZZ", Bytes().I32(1))).Add(PointStars(1, 0)), head.size(), "FORM ZZZZ@0 stop"},
      {Bytes().Add(head).Tag("JUNK").Zeros(8).Add(PointStars(1, 0)), head.size(), "JUNK@0 stop"},
      {Bytes().Add(head).Add(Vers(512)).Add(PointStars(1, 0)), head.size(), "FORM VERS@0 stop"},
      {Bytes().Add(hvmd).Add(Form("HVMD", Bytes())), hvmd.size(), "FORM HVMD@0 stop"},
      {Bytes().Add(info).Tag("NRML").Zeros(8), info.size(), "NRML@2 stop"},
      {Bytes().Add(head).Raw({1, 2, 3}), head.size(), "NRML BGLT@0"},
  };
  for (const auto& [file, end, last] : cases) {
    RecordedWalk walk(file);
    EXPECT_FALSE(walk.result.failed);
    EXPECT_EQ(walk.result.end, end) << last;
    EXPECT_EQ(walk.Names().back(), last);
    EXPECT_EQ(walk.result.stoppedAt.has_value(), last.ends_with(" stop")) << last;
    if (walk.result.stoppedAt) {
      EXPECT_EQ(walk.result.stoppedAt->offset, end);
      EXPECT_EQ(walk.record.chunks.back().offset, end);
    }
  }
  RecordedWalk failed(Bytes().Add(head).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(-5));
  EXPECT_TRUE(failed.result.failed);
  EXPECT_FALSE(failed.result.stoppedAt);
  EXPECT_EQ(failed.result.end, failed.result.offset);
}
