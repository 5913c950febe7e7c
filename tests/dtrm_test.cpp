#include <gtest/gtest.h>

#include "support/detail_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;
using namespace std::string_literals;

TEST(DetailWalk, HeaderAtWhichTheWalkStopsIsReadOnceAnEmptyHierarchyAndPointStars) {
  // The NAME form's header, read behind a navlight chunk, is handed on to the file walker.
  Walk w(ModelFile(NavlChunk({{"L1", {1, 2, 3, 4, 5, 6, 7, 8, 9}}})).Add(Form("NAME", Bytes().Tag("Frigate1"))));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.hodHeader.hodName, "Frigate1");
  // Behind a BSRM form the size and id of the next header are always read.
  Walk b(ModelFile(BsrmForm({.meshName = "Hull"})).Add(Form("NAME", Bytes().Tag("Frigate2"))));
  EXPECT_EQ(b.model.hodHeader.hodName, "Frigate2");
  // A BSRM form as the last thing in the file ends the walk normally.
  Walk last(ModelFile(BsrmForm({.meshName = "Hull"})));
  EXPECT_FALSE(last.result.failed) << last.result.reason;
  // An unknown item ends the detail walk quietly.
  Walk unknown(ModelFile(Bytes().Add(BurnItem("B", {})).Tag("ZZZZ").Add(EtshItem("late", {}))));
  EXPECT_FALSE(unknown.result.failed);
  EXPECT_TRUE(unknown.model.hasBURN && !unknown.model.hasETSH);
  // An empty hierarchy still writes both side files (their lines: the identical-outputs test).
  Walk empty(ModelFile(HierItem({})));
  EXPECT_EQ(empty.Side("HIER1.obj"), "\r\n");
  EXPECT_TRUE(std::filesystem::exists(empty.dir / "HIER2.txt"));
  // Point stars inside the detail form replace the table.
  Bytes items;
  items.Add(Nrml("STRF", Bytes().BE32(1000).I32(1).F32s({1, 2, 3, 1, 1, 1, 1})));
  items.Add(Nrml("STRF", Bytes().BE32(1000).I32(1).F32s({7, 8, 9, 1, 1, 1, 1})));
  Bytes file;
  file.Add(Vers(512)).Add(Nrml("STRF", Bytes().BE32(1000).I32(0))).Add(Nrml("STRF", Bytes().BE32(1000).I32(0)));
  Walk stars(file.Add(Form("DTRM", items)));
  ASSERT_FALSE(stars.result.failed) << stars.result.reason;
  ASSERT_EQ(stars.model.strfTable.size(), 1u);
  EXPECT_EQ(stars.model.strfTable[0].stars.at(0).x, 7.0f);
  // Both chunks' stars reach the preview list.
  const sq::PreviewLists lists = PreviewOf(stars.model);
  ASSERT_EQ(lists.starPreviewVertices.size(), 2u);
  EXPECT_FLOAT_EQ(lists.starPreviewVertices[1].x, 0.99f * 7);
}

// The owner's initials of short names (a whole name is pinned by the ship's report test);
// a warning and an error reach the model and end the walk. The marker whose separator is
// not zero, and runs that append.
TEST(DetailWalk, InfoItemsMarkerSeparatorsAndAppendingRuns) {
  for (const auto& [stored, initials] : {std::pair{""s, ". "s}, {"k\0"s, "K. "s}}) {
    Walk w(ModelFile(InfoForm({{"OWNR", stored}})));
    EXPECT_FALSE(w.result.failed) << w.result.reason;
    EXPECT_EQ(w.platform.messages, std::vector<std::string>{"Starquill: Brought to you by designer " + initials});
  }
  Bytes file = ModelFile(Bytes().Add(InfoForm({{"WARN", "no LOD2"}, {"ERRR", "bad seam"}})).Add(MarkerForm("M", 0)));
  Walk w(file.Add(Form("NAME", Bytes().Tag("Late"))));
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.infoWarning && w.model.infoError);
  EXPECT_EQ(w.model.infoErrorText, "bad seam");
  // Nothing behind the INFO form is read: not even the NAME form behind the detail form.
  EXPECT_EQ(w.model.hodHeader.hodName, "");
  Bytes items;
  items.Add(MarkerForm("M1", 0.0)).Add(MarkerForm("M2", 1.5));
  Walk zero(ModelFile(Bytes().Add(MarkerForm("M1", 0.0)).Add(MarkerForm("M2", -0.0))));
  EXPECT_EQ(zero.model.separatorMarker, 0);
  // A later run appends: its first marker is entry 3. A later GLOW run restarts at 1.
  items.Add(GlowForm("G1", 0, Faces(0, 4))).Add(GlowForm("G2", 1, Faces(0, 1)));
  items.Add(MarkerForm("M3", -2.0)).Add(GlowForm("G3", 2, Faces(0, 3)));
  Walk runs(ModelFile(items));
  ASSERT_FALSE(runs.result.failed) << runs.result.reason;
  ASSERT_EQ(runs.model.mrkrTable.size(), 3u);
  EXPECT_EQ(runs.model.separatorMarker, 3);
  ASSERT_EQ(runs.model.glowTable.size(), 1u);
  EXPECT_EQ(runs.model.glowTable[0].name, "G3");
  EXPECT_EQ(runs.model.faceTotal, 4 + 1 + 3);  // glow meshes count toward the total
}

TEST(DetailWalk, CountsOfFacesListsAndPathsAndLyingCountsThatEndTheWalk) {
  Bytes items;
  items.Add(ColdForm("C1", 4, 30)).Add(ColdForm("C2", 3, 32));
  items.Add(BsrmForm({.meshName = "A", .ssub = SsubBytes({{0, 1, 2}, {}, {5}})}))
      .Add(BsrmForm({.meshName = "B", .ssub = SsubBytes({})}));
  items.Add(DockChunk(1, 2, 3)).Add(DockChunk(2, 6, 2)).Add(BndvChunk({0, 0, 0}, {1, 1, 1}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.coldTable[0].tris.faces.size(), 10u);  // 30 indices
  EXPECT_EQ(w.model.coldTable[1].tris.faceCount, 11);      // 32 / 3 rounds to 11
  const auto& a = w.model.bsrmTable.at(0);
  ASSERT_EQ(a.ssubLists.size(), 2u);  // an empty list takes only its count
  EXPECT_EQ(a.ssubLists[1].indices, (std::vector<int16_t>{5}));
  // A second path value below 4 reads no extra words; 6 reads two per point.
  EXPECT_EQ(w.model.dockPathCount, 2);
  EXPECT_EQ(w.model.dockPaths.at(1).points.at(1).extraWords, (std::vector<int32_t>{99, 99}));
  EXPECT_EQ(w.model.bndvRecord.header.chunkId, "BNDV");  // every item was found in its place
  // Lying counts end the walk as a failure.
  const Bytes bad[] = {
      TokenItem("HIER", Bytes().I32(100000)),
      TokenItem("ETSH", Bytes().Text("E").Text("").I32(1 << 30)),
      TokenItem("ETSH", Bytes().Text("E").Text("").I32(-1)),
      TokenItem("BURN", Bytes().Text("B").Text("").I32(1 << 29).I32(0)),
      Nrml("NAVL", Bytes().I32(0).I32(1 << 28)),
      Nrml("DOCK", Bytes().I32(0).I32(-3)),
      Nrml("ANIM", Bytes().I32(0).Text("A").I32(1 << 29)),
      Form("COLD", Bytes().Text("C").Add(Blocks()).Tag("TRIS").I32(0).I32(1 << 28)),
      ColdForm("C", 3, -3),
      BsrmForm({.meshName = "S", .ssub = Bytes().Tag("NRML").BE32(40).Tag("SSUB").I32(0).Zeros(12).I32(5000)})};
  for (const Bytes& item : bad) EXPECT_TRUE(Walk(ModelFile(item)).result.failed) << item.size();
}
