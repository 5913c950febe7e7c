#include <gtest/gtest.h>

#include "detailbuilder.h"
#include "hod/modFarholdhod.h"
#include "testkit.h"

using namespace sqtest;
using namespace std::string_literals;

namespace {

struct Walk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::WalkResult result;

  explicit Walk(const Bytes& file) { Again(file); }
  void Again(const Bytes& file) {
    sq::ResetModel(model);
    result = sq::WalkHodBytes(file.vec(), model, platform, dir.path());
  }
  std::string Side(const std::string& name) const { return ReadText(dir / name); }
};

Bytes NameForm(std::string_view name) { return Form("NAME", Bytes().Tag(name)); }

}  // namespace

TEST(DetailWalk, HierarchyWritesSegmentsAndAlignedLabels) {
  const Bytes file = ModelFile(HierItem({
      {"Hull", "Root", {1, 2, 3}, {0, 0.5f, 0}, {1, 1, 1}, {1, 2, 3.25f}},
      {"Gun", "Hull", {-4, 0, 1.5f}, {0, 0, 1}, {2, 2, 2}, {-3, 2, 4.75f}},
  }));
  Walk w(file);
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.hierarchyCount, 2);
  ASSERT_EQ(w.model.hierarchyTable.size(), 2u);
  EXPECT_EQ(w.model.hierarchyTable[1].parentName, "Hull");

  const std::string hier1 =
      "\r\n"
      "g Hull_Root\r\nv 0 0 0\r\nv 1 2 3\r\n# 2 vertices\r\nf  1 2 2\r\n# 1 face\r\n\r\n"
      "g Gun_Hull\r\nv 0 0 0\r\nv -4 0 1.5\r\n# 2 vertices\r\nf  3 4 4\r\n# 1 face\r\n\r\n";
  const std::string hier2 =
      "      object: Hull parent: Root\r\n orientation: 0 0.5 0\r\n       scale: 1 1 1\r\n"
      "'world' pos.: 1 2 3.25\r\n\r\n"
      "      object: Gun parent: Hull\r\n orientation: 0 0 1\r\n       scale: 2 2 2\r\n"
      "'world' pos.: -3 2 4.75\r\n\r\n";
  EXPECT_EQ(w.Side("HIER1.obj"), hier1);
  EXPECT_EQ(w.Side("HIER2.txt"), hier2);

  // A second reading appends a second copy.
  w.Again(file);
  EXPECT_EQ(w.Side("HIER1.obj"), hier1 + hier1);
  EXPECT_EQ(w.Side("HIER2.txt"), hier2 + hier2);
}

TEST(DetailWalk, EmptyHierarchyStillOpensItsFiles) {
  Walk w(ModelFile(HierItem({})));
  EXPECT_EQ(w.model.hierarchyCount, 0);
  EXPECT_EQ(w.Side("HIER1.obj"), "\r\n");
  EXPECT_TRUE(std::filesystem::exists(w.dir / "HIER2.txt"));
  EXPECT_EQ(w.Side("HIER2.txt"), "");
}

TEST(DetailWalk, TrailRunsReadEverySetAndWriteTheirPoints) {
  Bytes items;
  items.Add(EtshItem("Eng1", {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 0, 4}, {0, 0, 5}}}))
      .Add(EtshItem("Eng2", {{{0.5f, 0, 0}}}))
      .Add(EtshItem("Eng3", {}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasETSH);
  ASSERT_EQ(w.model.etshTable.size(), 3u);
  ASSERT_EQ(w.model.etshTable[0].trailSets.size(), 2u);
  EXPECT_EQ(w.model.etshTable[0].trailSets[1].pointCount, 5);
  EXPECT_EQ(w.model.etshTable[2].name, "Eng3");
  EXPECT_TRUE(w.model.etshTable[2].trailSets.empty());
  EXPECT_EQ(w.Side("etshCpoints.obj"),
            "\r\ng Eng1\r\nv 1 2 3\r\nv 4 5 6\r\nv 7 8 9\r\n# 3 vertices\r\n"
            "v 0 0 1\r\nv 0 0 2\r\nv 0 0 3\r\nv 0 0 4\r\nv 0 0 5\r\n# 5 vertices\r\n\r\n"
            "\r\ng Eng2\r\nv 0.5 0 0\r\n# 1 vertices\r\n\r\n"
            "\r\ng Eng3\r\n\r\n");
}

TEST(DetailWalk, BurnsWriteOneFilePerNumberInTheirRun) {
  Bytes items;
  items.Add(BurnItem("B1", {{1, 1, 1}})).Add(BurnItem("B2", {{2, 0, 0}, {0, 2.5f, 0}}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.burnTable.size(), 2u);
  EXPECT_EQ(w.model.burnTable[1].value2, 7);
  EXPECT_EQ(w.Side("burn1Cpoints.obj"), "\r\ng B1\r\nv 1 1 1\r\n# 1 vertices\r\n\r\n");
  EXPECT_EQ(w.Side("burn2Cpoints.obj"), "\r\ng B2\r\nv 2 0 0\r\nv 0 2.5 0\r\n# 2 vertices\r\n\r\n");
}

TEST(DetailWalk, BoundsWriteTheBoxCornersAndEdges) {
  Walk w(ModelFile(BndvChunk({0, 0, 0}, {1, 2, 3})));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.bndvRecord.cornerB, (sq::Point3{1, 2, 3}));
  EXPECT_EQ(w.Side("BNDVpoints.obj"),
            "\r\ng BNDV\r\n"
            "v 0 0 0\r\nv 1 0 0\r\nv 0 2 0\r\nv 0 0 3\r\nv 1 2 0\r\nv 1 0 3\r\nv 0 2 3\r\nv 1 2 3\r\n"
            "# 8 vertices\r\n"
            "f  1 2 2\r\nf  1 3 3\r\nf  1 4 4\r\nf  2 5 5\r\nf  2 6 6\r\nf  4 6 6\r\n"
            "f  5 3 3\r\nf  7 3 3\r\nf  7 4 4\r\nf  8 5 5\r\nf  8 6 6\r\nf  8 7 7\r\n"
            "# 12 faces\r\n\r\n");
}

TEST(DetailWalk, OwnerMessageCapitalisesTheInitials) {
  Walk w(ModelFile(InfoForm({{"OWNR", "jsmith\0"s}})));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.infoRecord.owner.text, "jsmith");  // a stored length of 7
  ASSERT_EQ(w.platform.messages.size(), 1u);
  EXPECT_EQ(w.platform.messages[0], "Starquill: Brought to you by designer J. Smith");
}

TEST(DetailWalk, ShortOwnerNamesUseTheCharactersThatExist) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "Brought to you by designer . "},
      {"\0"s, "Brought to you by designer . "},
      {"k\0"s, "Brought to you by designer K. "},
  };
  for (const auto& [stored, message] : cases) {
    Walk w(ModelFile(InfoForm({{"OWNR", stored}})));
    EXPECT_FALSE(w.result.failed) << w.result.reason;
    ASSERT_EQ(w.platform.messages.size(), 1u);
    EXPECT_EQ(w.platform.messages[0], "Starquill: " + message);
  }
}

TEST(DetailWalk, InfoWarningAndErrorReachTheModelAndEndTheWalk) {
  Bytes file = ModelFile(Bytes()
                             .Add(InfoForm({{"WARN", "no LOD2"}, {"ERRR", "bad seam"}}))
                             .Add(MarkerForm("never", 0)));
  file.Add(NameForm("Late"));
  Walk w(file);
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.infoWarning);
  EXPECT_EQ(w.model.infoWarningText, "no LOD2");
  EXPECT_TRUE(w.model.infoError);
  EXPECT_EQ(w.model.infoErrorText, "bad seam");
  EXPECT_EQ(w.model.infoRecord.header.chunkId, "INFO");
  // Nothing behind the INFO form is read: neither the marker nor the NAME form.
  EXPECT_FALSE(w.model.hasMRKR);
  EXPECT_EQ(w.model.hodHeader.hodName, "");
}

TEST(DetailWalk, MarkerSeparatorAndAppendingRuns) {
  Bytes items;
  items.Add(MarkerForm("M1", 0.0)).Add(MarkerForm("M2", 1.5));
  Walk first(ModelFile(items));
  ASSERT_FALSE(first.result.failed) << first.result.reason;
  EXPECT_EQ(first.model.mrkrTable.size(), 2u);
  EXPECT_EQ(first.model.separatorReportText, "Separator with marker 'M2' ( 2th ) is unequal to zero: 1.5");

  Walk zero(ModelFile(Bytes().Add(MarkerForm("M1", 0.0)).Add(MarkerForm("M2", -0.0))));
  EXPECT_EQ(zero.model.separatorReportText, "");

  // A later run appends: its first marker is entry 3.
  items.Add(NavlChunk({})).Add(MarkerForm("M3", -2.0));
  Walk runs(ModelFile(items));
  ASSERT_EQ(runs.model.mrkrTable.size(), 3u);
  EXPECT_EQ(runs.model.mrkrTable[2].name, "M3");
  EXPECT_EQ(runs.model.mrkrTable[2].endToken, "KEYS");
  EXPECT_EQ(runs.model.separatorReportText, "Separator with marker 'M3' ( 3th ) is unequal to zero: -2");
}

TEST(DetailWalk, GlowRunsRestartAndAddToTheFaceTotal) {
  Bytes items;
  items.Add(GlowForm("G1", 0, MeshBytes(0, 2, 6)))
      .Add(GlowForm("G2", 1, MeshBytes(0, 1, 3)))
      .Add(NavlChunk({}))
      .Add(GlowForm("G3", 2, MeshBytes(0, 1, 9)));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasGLOW);
  ASSERT_EQ(w.model.glowTable.size(), 1u);  // the second run replaced the first
  EXPECT_EQ(w.model.glowTable[0].name, "G3");
  EXPECT_EQ(w.model.glowTable[0].levelWord, 2);
  EXPECT_EQ(w.model.glowTable[0].header, (sq::ChunkHeader{"FORM", w.model.glowTable[0].header.chunkSize, "GLOW"}));
  EXPECT_EQ(w.model.faceTotal, 2 + 2 + 1 + 3);
}

TEST(DetailWalk, PointStarsInsideTheDetailFormReplaceTheTable) {
  Bytes stars;
  stars.BE32(1000).I32(2).F32s({1, 2, 3, 1, 1, 1, 1}).F32s({4, 5, 6, 1, 1, 1, 1});
  Bytes items;
  items.Add(Nrml("STRF", stars)).Add(Nrml("STRF", Bytes().BE32(1000).I32(1).F32s({7, 8, 9, 1, 1, 1, 1})));
  Bytes file;
  file.Add(Vers(512))
      .Add(Nrml("STRF", Bytes().BE32(1000).I32(0)))
      .Add(Nrml("STRF", Bytes().BE32(1000).I32(0)))
      .Add(Form("DTRM", items));
  Walk w(file);
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasSTRF);
  ASSERT_EQ(w.model.strfTable.size(), 1u);
  EXPECT_EQ(w.model.strfTable[0].starCount, 1);
  EXPECT_EQ(w.model.strfTable[0].stars[0].x, 7.0f);
  EXPECT_EQ(w.model.strfTable[0].header.chunkId, "STRF");
}

TEST(DetailWalk, HeaderAtWhichTheWalkStopsIsReadOnce) {
  // Behind a navlight chunk the walk meets the NAME form: it reads its size and id
  // and hands them on, so the file walker reads the name without reading them again.
  Bytes file = ModelFile(NavlChunk({{"L1", {1, 2, 3, 4}, {5, 6, 7, 8, 9}}}));
  file.Add(NameForm("Frigate1"));
  Walk w(file);
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.navlTable.size(), 1u);
  EXPECT_EQ(w.model.hodHeader.hodName, "Frigate1");

  // Behind a BSRM form the size and id of the next header are always read.
  Bytes bsrm = ModelFile(BsrmForm({.meshName = "Hull"}));
  bsrm.Add(NameForm("Frigate2"));
  Walk b(bsrm);
  ASSERT_FALSE(b.result.failed) << b.result.reason;
  EXPECT_EQ(b.model.bsrmTable.size(), 1u);
  EXPECT_EQ(b.model.hodHeader.hodName, "Frigate2");

  // A BSRM form as the last thing in the file ends the walk normally.
  Walk last(ModelFile(BsrmForm({.meshName = "Hull"})));
  EXPECT_FALSE(last.result.failed) << last.result.reason;
  EXPECT_TRUE(last.model.hasBSRM);
}

TEST(DetailWalk, TrisIndexCountBecomesTheFaceCount) {
  Bytes items;
  items.Add(ColdForm("C1", 4, 30)).Add(ColdForm("C2", 3, 32)).Add(NavlChunk({}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.coldTable.size(), 2u);
  EXPECT_EQ(w.model.coldTable[0].tris.faceCount, 10);
  EXPECT_EQ(w.model.coldTable[0].tris.faces.size(), 10u);
  EXPECT_EQ(w.model.coldTable[1].tris.faceCount, 11);  // 32 / 3 rounds to 11
  EXPECT_TRUE(w.model.hasNAVL);                         // read from the right place after both
}

TEST(DetailWalk, SsubListsFollowTheSubHeaderSize) {
  Bytes items;
  items.Add(BsrmForm({.meshName = "A", .ssub = SsubBytes({{0, 1, 2}, {}, {5}})}))
      .Add(BsrmForm({.meshName = "B", .ssub = SsubBytes({})}))
      .Add(BsrmForm({.meshName = "C", .ssub = SsubBytes({{}})}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.bsrmTable.size(), 3u);
  const auto& a = w.model.bsrmTable[0];
  EXPECT_TRUE(a.hasSSUB);
  ASSERT_EQ(a.ssubLists.size(), 2u);  // the empty list takes only its count
  EXPECT_EQ(a.ssubLists[0].indices, (std::vector<int16_t>{0, 1, 2}));
  EXPECT_EQ(a.ssubLists[1].indices, (std::vector<int16_t>{5}));
  EXPECT_FALSE(w.model.bsrmTable[1].hasSSUB);  // r = 0
  EXPECT_TRUE(w.model.bsrmTable[2].hasSSUB);
  EXPECT_TRUE(w.model.bsrmTable[2].ssubLists.empty());
}

TEST(DetailWalk, NavlightsDockingAndAnimations) {
  Bytes items;
  items.Add(NavlChunk({{"Red", {1, 2, 3, 4}, {5, 6, 7, 8, 9}}, {"Green", {0, 0, 0, 0}, {0, 0, 0, 0, 0}}}))
      .Add(DockChunk(2, 6, 2))
      .Add(AnimChunk("Open", {{0.25, {1, 2, 3, 4, 5, 6}}}))
      .Add(AnimChunk("Close", {}))
      .Add(BndvChunk({0, 0, 0}, {1, 1, 1}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.navlTable.size(), 2u);
  EXPECT_EQ(w.model.navlTable[0].secondValues[4], 9.0f);
  EXPECT_EQ(w.model.dockPathCount, 2);
  ASSERT_EQ(w.model.dockPaths.size(), 2u);
  EXPECT_EQ(w.model.dockPaths[1].points[1].extraWords, (std::vector<int32_t>{99, 99}));
  ASSERT_EQ(w.model.animTable.size(), 2u);
  EXPECT_EQ(w.model.animTable[0].keys[0].time, 0.25);
  EXPECT_EQ(w.model.animTable[1].name, "Close");
  EXPECT_EQ(w.model.bndvRecord.header.chunkId, "BNDV");
}

TEST(DetailWalk, DockingPathValueBelowFourReadsNoExtraWords) {
  Bytes items;
  items.Add(DockChunk(1, 2, 3)).Add(BndvChunk({0, 0, 0}, {1, 1, 1}));
  Walk w(ModelFile(items));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.dockPaths.size(), 1u);
  EXPECT_EQ(w.model.dockPaths[0].points.size(), 3u);
  EXPECT_TRUE(w.model.dockPaths[0].points[2].extraWords.empty());
  EXPECT_EQ(w.model.bndvRecord.header.chunkId, "BNDV");  // the item behind was found
}

TEST(DetailWalk, LyingCountsEndTheWalkAsAFailure) {
  const std::vector<Bytes> bad = {
      TokenItem("HIER", Bytes().I32(100000)),
      TokenItem("ETSH", Bytes().Text("E").Text("").I32(1 << 30)),
      TokenItem("ETSH", Bytes().Text("E").Text("").I32(-1)),
      TokenItem("BURN", Bytes().Text("B").Text("").I32(1 << 29).I32(0)),
      Nrml("NAVL", Bytes().I32(0).I32(1 << 28)),
      Nrml("DOCK", Bytes().I32(0).I32(-3)),
      Nrml("ANIM", Bytes().I32(0).Text("A").I32(1 << 29)),
      Form("COLD", Bytes().Text("C").Add(BlockABytes()).Add(BlockBBytes()).Tag("TRIS").I32(0).I32(1 << 28)),
      ColdForm("C", 3, -3),
      BsrmForm({.meshName = "S", .ssub = Bytes().Tag("NRML").BE32(40).Tag("SSUB").I32(0).F32s({0, 0, 0}).I32(5000)}),
  };
  for (std::size_t i = 0; i < bad.size(); ++i) {
    Walk w(ModelFile(bad[i]));
    EXPECT_TRUE(w.result.failed) << "item " << i;
  }
}

TEST(DetailWalk, UnknownItemEndsTheDetailWalkQuietly) {
  Bytes items;
  items.Add(BurnItem("B", {{1, 1, 1}})).Tag("ZZZZ").Add(EtshItem("late", {}));
  Walk w(ModelFile(items));
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasBURN);
  EXPECT_FALSE(w.model.hasETSH);
}
