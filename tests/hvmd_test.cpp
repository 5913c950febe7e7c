#include <gtest/gtest.h>

#include "hod/visual_readers.h"
#include "report/report_rtf.h"
#include "support/visual_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

// A VARY chunk: the tag, the big-endian size of everything behind it, then `body`.
Bytes Vary(std::string_view name, const Bytes& body) {
  const Bytes content = Bytes().Text(name).Text("second").Add(body);
  return Bytes().Tag("VARY").BE32(static_cast<uint32_t>(content.size())).Add(content);
}

// Eight positions (i, i + 0.5, i * 1E+07), three corners on positions 5, 6 and 7, one face on corners 0, 1, 2, and two
// face lists.
Bytes VaryBody(bool soundTest) {
  Bytes b;
  b.I32(8).I32(3).I32(1).I32(2).I32(0);
  for (int i = 0; i < 8; ++i) b.F32s({float(i), float(i) + 0.5f, float(i) * 1e7f});
  const float normals[3][3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
  const float uvs[3][2] = {{0.25f, 0.5f}, {0.75f, 1}, {-12.25f, 0}};
  for (int c = 0; c < 3; ++c) {
    b.I32(5 + c).F32s({normals[c][0], normals[c][1], normals[c][2]}).F32s({uvs[c][0], uvs[c][1]});
    if (!soundTest) b.I32(99);
  }
  b.I32(0).I32(0).I32(1).I32(2).I32(0).I32(0).I32(0);
  b.I16(3).I16(7).I16(-1).I16(2).I16(4096).I16(5).I16(8192);
  return b;
}

}  // namespace

// The visual walker alone over the form's contents: the header that ended its last run comes back read.
TEST(HvmdWalk, StatRunsHandTheirReadAheadHeaderOnCountMaterialsAndShaderGroupsAndGoOnPastIncompatibleOnes) {
  Bytes form;
  form.Add(NrmlStat("hull", {{0, "diffuse"}, {1, "glow"}})).Add(NrmlStat("wing", {{2, "diffuse"}}));
  form.Add(Mult("Hull", {Faces(0, 10)})).Add(Mult("Turret", {Faces(0, 4), Faces(1, 2)}));
  form.Add(Nrml("GOBD", Bytes().I32(5)));  // a NRML name the walker does not handle
  sq::Model model;
  sq::Reader reader(form.vec());
  sq::WalkContext ctx(reader);
  const sq::PendingHeader stop = sq::ReadHVMD(ctx, model);
  ASSERT_FALSE(reader.Failed()) << reader.Failure()->reason;
  ASSERT_EQ(model.statTable.size(), 2u);
  EXPECT_EQ(model.statTable[0].params.at(1).paramName, "glow");
  // id, head word, "wing", "second", count, pair and index, "diffuse"
  EXPECT_EQ(model.statTable[1].header, (sq::ChunkHeader{"NRML", sq::ByteSwap32(4 + 4 + 8 + 10 + 4 + 12 + 11), "STAT"}));
  ASSERT_EQ(model.multTable.size(), 2u);
  // The unknown name comes back with its size and id, and the file stands behind the id.
  EXPECT_TRUE(stop.kind == "NRML" && stop.sizeAndIdRead && stop.id == "GOBD");
  EXPECT_EQ(std::tuple(sq::ByteSwap32(stop.size), reader.Remaining()), std::tuple(8u, 4u));
  // The file walker dispatches such a header without reading it again.
  Walk file(VisualFile(Bytes().Add(NrmlStat("hull", {{0, "diffuse"}})), Nrml("BGLT", Bytes().I32(77))));
  EXPECT_TRUE(!file.result.failed && file.model.hodHeader.bgltValue == 77) << file.result.reason;
  // Bare STAT runs count materials and shader groups.
  Bytes bare;
  bare.Add(EliteStat("engine", "thruster", 0, 11, 6)).Add(EliteStat("logo", "badge", 0, 9, 5));
  bare.Add(EliteStat("panel", "default", 0, 1, 0)).Add(Lmip("a.tga", "8888", 4));
  Walk w(VisualFile(bare));
  EXPECT_EQ(std::tuple(w.model.statForms, w.model.eliteShaderCount), std::tuple(3, 4 + 3 + 1));
  EXPECT_EQ(w.model.eliteTable.at(0).params.at(10).value, 10);
  // The LMIP run was dispatched from the tag that ended the STAT run.
  EXPECT_EQ(w.model.lmipTable.size(), 1u);
  // Every row of the shader table consumes exactly its parameters and blocks.
  Bytes shapes;
  shapes.Add(EliteStat("a", "fx", 0, 1, 0))
      .Add(EliteStat("b", "fxSolid", 0, 1, 0))
      .Add(EliteStat("c", "matte", 0, 1, 0));
  shapes.Add(EliteStat("d", "background", 0, 1, 1)).Add(EliteStat("e", "resource", 0, 3, 1));
  shapes.Add(EliteStat("f", "ship", 12, 7, 5)).Add(EliteStat("g", "ship", 4, 2, 2)).Tag("GOBD").I32(1).I32(2);
  Walk s(VisualFile(shapes));
  EXPECT_EQ(s.model.eliteShaderCount, 1 + 1 + 1 + 1 + 2 + 2 + 2);
  EXPECT_EQ(s.model.gobdRecord.words, (std::array<int32_t, 2>{1, 2}));
  // Incompatible shaders show their message, and reading goes on.
  Bytes odd;
  odd.Add(EliteStat("hull", "ship", 7, 0, 0)).Add(EliteStat("odd", "plastic", 0, 0, 0));
  Walk o(VisualFile(odd.Add(EliteStat("panel", "default", 0, 1, 0))));
  EXPECT_EQ(o.platform.messages,
            (std::vector<std::string>{"Starquill: Incompatible 'ship' type shader group, exiting...",
                                      "Starquill: Incompatible shader type found, exiting..."}));
  EXPECT_EQ(std::pair(o.model.statForms, o.model.eliteShaderCount), std::pair(3, 1));
}

// Texture lengths come from the swapped size; a SHAD run after a NRML STAT run replaces the table; meshes consume their
// vertex blocks (ten 64-byte vertices, then ten 40-byte ones); a GOBG mesh follows the MULT.
TEST(HvmdWalk, TexturesShadersAndMeshesTakeTheirSizesFromTheFile) {
  Bytes form;
  form.Add(Lmip("hull_diffuse", "DXT1", 68)).Add(Lmip("glow", "8888", 0));
  form.Tag("LMTX").BE32(5).Raw({1, 2, 3, 4, 5}).Tag("LMTX").BE32(0);
  form.Add(NrmlStat("a", {{0, "x"}})).Add(NrmlStat("b", {{1, "y"}})).Add(NrmlStat("c", {{2, "z"}}));
  form.Add(Shad("lambert1", {4, 5})).Add(Shad("blinn", {6}));
  form.Add(Mult("Hull", {Bmsh(0, {{0, 24603, 10, {{518, 14}}}, {1, 2, 10, {{514, 36}, {4, 4}, {4, 5}}}})}));
  form.Add(Gobg("goblin", Bmsh(0, {{2, 2, 1, {{518, 5}}}}))).Tag("GOBS").I32(3).I32(4);
  Walk w(VisualFile(form));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  ASSERT_EQ(w.model.lmipTable.size(), 2u);
  const sq::LmipRecord& first = w.model.lmipTable[0];
  EXPECT_EQ(sq::ByteSwap32(first.chunkSize), 100u);  // 12-character name: 68 bytes of pixels
  EXPECT_EQ(first.textureName + first.format, "hull_diffuseDXT1");
  ASSERT_EQ(w.model.lmtxTable.size(), 2u);
  EXPECT_EQ(w.model.lmtxTable[0].data[4], 5);
  EXPECT_TRUE(w.model.hasSHAD && w.model.hasNrmlSTAT);
  ASSERT_EQ(w.model.statTable.size(), 2u);
  EXPECT_EQ(w.model.statTable[0].header, (sq::ChunkHeader{"", 0, "SHAD"}));
  EXPECT_EQ(std::tuple(w.model.statTable[0].params.at(1).textureIndex, w.model.statTable[1].params.at(0).textureIndex),
            std::tuple(5, 6));
  const sq::bmsh::BmshMesh& mesh = w.model.multTable.at(0).lods.at(0).mesh;
  ASSERT_EQ(mesh.subMeshes.size(), 2u);
  EXPECT_EQ(std::tuple(mesh.subMeshes[0].vertices.size(), mesh.subMeshes[1].vertices.size()), std::tuple(640u, 400u));
  EXPECT_EQ(w.model.gobgTable.at(0).secondName, "goblin");
  // The bare GOBS behind the GOBG run was read from the tag that ended it.
  EXPECT_EQ(w.model.gobsRecord.words, (std::array<int32_t, 2>{3, 4}));
}

// Lying counts and impossible texture lengths end the walk: nothing behind is read. (A face on a missing corner is the
// side-export test's failed walk.) SIMP ends it too, with its message, and the walk has not failed.
TEST(HvmdWalk, LyingCountsEndTheWalkAsFailuresAndSimpWithItsMessage) {
  Walk simp(VisualFile(Bytes().Tag("SIMP").Add(Lmip("a", "8888", 0)), Nrml("BGLT", Bytes().I32(9))));
  EXPECT_TRUE(!simp.result.failed && simp.model.hasSIMP && simp.model.hodHeader.bgltValue == 0);
  EXPECT_EQ(simp.platform.messages, std::vector<std::string>{"Starquill: SIMP chunk extraction not implemented."});
  // One sub-mesh of 2^31 - 1 vertices.
  const Bytes hugeMesh = Bytes().Tag("BMSH").I32(0).I32(0).I32(1).I32(0).I32(2).I32(0x7FFFFFFF).Zeros(40);
  const std::vector<Bytes> forms = {
      Bytes().Add(Nrml("STAT", Bytes().I32(0).Text("a").Text("b").I32(1000000))),
      Bytes().Add(Nrml("MULT", Bytes().I32(0).Text("a").Text("b").I32(-1))),
      Bytes().Add(Nrml("MULT", Bytes().I32(0).Text("a").Text("b").I32(1).Tag("BMSH").BE32(0).Add(hugeMesh))),
      Bytes().Tag("SHAD").I32(0).Text("a").Text("b").I32(-5),
      Bytes().Tag("LITE").BE32(0).I32(400),
      Bytes().Tag("VARY").BE32(0).Text("v").Text("w").I32(0).I32(0).I32(0x10000000).I32(0).I32(0),
      Bytes().Tag("VARY").BE32(5000).Text("v").Text("w").I32(0).I32(0).I32(0).I32(1).I32(0).I16(3),  // past the end
      // Swapped size 20 with a 4-character name leaves -4 bytes of pixels.
      Bytes().Tag("LMIP").BE32(20).Text("hull").Tag("8888").I32(0).I32(0).I32(0),
      Bytes().Tag("LMTX").BE32(0x80000000u).Zeros(16),
      Bytes().Tag("LMTX").BE32(1000).Zeros(16),
  };
  for (const Bytes& form : forms) {
    Walk w(VisualFile(form, Nrml("BGLT", Bytes().I32(9))));
    EXPECT_TRUE(w.result.failed && w.model.hodHeader.bgltValue == 0) << form.size();
  }
}

TEST(Vary, ReadsItsIndexRangesUpToTheChunksEndAndExportsItsObj) {
  Walk w(VisualFile(Vary("hull_vary", VaryBody(false)).Tag("GOBD").I32(1).I32(2)));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasGOBD);  // the walk went on behind the chunk
  // Corner ranges start at 0 and at the position count (8), list ranges at 0 and at the corner count (3); 65535 is out.
  const sq::VaryIndexRanges& r = w.model.varyIndexRanges;
  EXPECT_TRUE(r.faceListsRead && r.cornersRead);
  EXPECT_EQ((std::array{r.cornerMaximum, r.cornerMinimum, r.listMaximum, r.listMinimum, r.cornerCount, r.faceCount}),
            (std::array{2, 0, 7, 2, 3, 1}));
  ASSERT_EQ(w.model.varyRecord.faceLists.size(), 2u);
  EXPECT_EQ(w.model.varyRecord.faceLists[0].indices, (std::vector<int16_t>{3, 7, -1, 2}));
  EXPECT_EQ(w.model.varyRecord.faceLists[1].listKind, 8192);
  // The sound-test layout has shorter corners and the same outputs (the OBJ's lines are pinned by IdenticalOutputs).
  Walk sound(VisualFile(Vary("hull_vary", VaryBody(true))), true);
  ASSERT_FALSE(sound.result.failed) << sound.result.reason;
  EXPECT_EQ(sound.Side("VARY_hull_vary.obj"), w.Side("VARY_hull_vary.obj"));
  EXPECT_EQ(sq::BuildReport(sound.model, "m"), sq::BuildReport(w.model, "m"));
  // Five lists announced, the chunk's bytes hold one unclosed list of two words: the lists stop at the chunk's end. The
  // minimum starts at the corner count (0) and goes down to -7; the maximum rises to 3.
  Walk cut(
      VisualFile(Vary("short", Bytes().I32(0).I32(0).I32(0).I32(5).I32(0).I16(3).I16(-7)).Tag("GOBD").I32(1).I32(2)));
  ASSERT_FALSE(cut.result.failed) << cut.result.reason;
  EXPECT_TRUE(cut.model.varyRecord.faceLists.size() == 1 && cut.model.hasGOBD);
  EXPECT_EQ(std::tuple(cut.model.varyIndexRanges.listMaximum, cut.model.varyIndexRanges.listMinimum),
            std::tuple(3, -7));
}
