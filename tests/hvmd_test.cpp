#include <gtest/gtest.h>

#include "hod/modFarholdhod.h"
#include "testkit.h"
#include "visual_chunks.h"

using namespace sqtest;

namespace {

// A model file: version 512 and a visual form holding `contents`, then `after`.
Bytes ModelFile(const Bytes& contents, const Bytes& after = {}) {
  Bytes file;
  return file.Add(Vers(512)).Add(Form("HVMD", contents)).Add(after);
}

struct Walk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::WalkResult result;

  explicit Walk(const Bytes& file) { result = sq::WalkHodBytes(file.vec(), model, platform, dir.path()); }
};

// Runs the visual walker alone over the form's contents.
struct FormWalk {
  sq::Model model;
  RecordingPlatform platform;
  TempDir dir;
  sq::Reader reader;
  sq::WalkContext ctx;
  sq::PendingHeader stop;

  explicit FormWalk(const Bytes& contents) : reader(contents.vec()), ctx(reader, platform, dir.path()) {
    stop = sq::ReadHVMD(ctx, model);
  }
};

}  // namespace

TEST(HvmdWalk, StatRunHandsItsReadAheadHeaderToTheMultRun) {
  Bytes form;
  form.Add(NrmlStat("hull", {{0, "diffuse"}, {1, "glow"}})).Add(NrmlStat("wing", {{2, "diffuse"}}));
  form.Add(Mult("Hull", {Faces(0, 10)})).Add(Mult("Turret", {Faces(0, 4), Faces(1, 2)}));
  form.Add(Nrml("GOBD", Bytes().I32(5)));  // a NRML name the walker does not handle
  const Bytes contents = form;
  FormWalk w(contents);

  ASSERT_FALSE(w.reader.Failed()) << w.reader.Failure()->reason;
  EXPECT_TRUE(w.model.hasNrmlSTAT);
  ASSERT_EQ(w.model.statTable.size(), 2u);
  EXPECT_EQ(w.model.statTable[0].header, (sq::ChunkHeader{"NRML", w.model.statTable[0].header.chunkSize, "STAT"}));
  EXPECT_EQ(w.model.statTable[0].firstName, "hull");
  ASSERT_EQ(w.model.statTable[0].params.size(), 2u);
  EXPECT_EQ(w.model.statTable[0].params[1].textureIndex, 1);
  EXPECT_EQ(w.model.statTable[0].params[1].paramName, "glow");
  EXPECT_EQ(w.model.statTable[1].secondName, "second");

  EXPECT_TRUE(w.model.hasMULT);
  ASSERT_EQ(w.model.multTable.size(), 2u);
  EXPECT_EQ(w.model.multTable[0].secondName, "Hull");
  EXPECT_EQ(w.model.multTable[1].header.chunkId, "MULT");
  ASSERT_EQ(w.model.multTable[1].lods.size(), 2u);
  EXPECT_EQ(w.model.multTable[1].lods[1].mesh.lodLevel, 1);
  EXPECT_EQ(w.model.multTable[1].lods[1].meshHeader.tag, "BMSH");
  EXPECT_EQ(w.model.faceTotal, 16);

  // The unknown name comes back with its size and id, and the file stands behind the id.
  EXPECT_EQ(w.stop.kind, "NRML");
  EXPECT_TRUE(w.stop.sizeAndIdRead);
  EXPECT_EQ(w.stop.id, "GOBD");
  EXPECT_EQ(sq::ByteSwap32(w.stop.size), 8u);
  EXPECT_EQ(w.reader.Remaining(), 4u);
}

TEST(HvmdWalk, FileWalkerDispatchesTheHandedBackHeaderWithoutReadingItAgain) {
  Walk w(ModelFile(Bytes().Add(NrmlStat("hull", {{0, "diffuse"}})), Nrml("BGLT", Bytes().I32(77))));
  // The BGLT header follows the form; the visual walker read its size and id.
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.statTable.size(), 1u);
  EXPECT_EQ(w.model.hodHeader.bglt.chunkId, "BGLT");
  EXPECT_EQ(w.model.hodHeader.bgltValue, 77);
}

TEST(HvmdWalk, BareStatRunsCountMaterialsAndShaderGroups) {
  Bytes form;
  form.Add(EliteStat("engine", "thruster", 0, 11, 6)).Add(EliteStat("logo", "badge", 0, 9, 5));
  form.Add(EliteStat("panel", "default", 0, 1, 0)).Add(Lmip("a.tga", "8888", 4));
  FormWalk w(form);
  EXPECT_FALSE(w.reader.Failed());
  EXPECT_EQ(w.model.statForms, 3);
  EXPECT_EQ(w.model.eliteShaderCount, 4 + 3 + 1);
  ASSERT_EQ(w.model.eliteTable.size(), 3u);
  EXPECT_EQ(w.model.eliteTable[0].shaderType, "thruster");
  ASSERT_EQ(w.model.eliteTable[0].params.size(), 11u);
  EXPECT_EQ(w.model.eliteTable[0].params[10].value, 10);
  EXPECT_EQ(w.model.eliteTable[0].blocks.size(), 6u * 24);
  EXPECT_EQ(w.model.eliteTable[1].params.size(), 9u);
  // The LMIP run was dispatched from the tag that ended the STAT run.
  EXPECT_TRUE(w.model.hasLMIP);
  EXPECT_EQ(w.model.lmipTable.size(), 1u);
  EXPECT_TRUE(w.platform.messages.empty());

  // Every row of the shader table consumes exactly its parameters and blocks.
  Bytes shapes;
  shapes.Add(EliteStat("a", "fx", 0, 1, 0)).Add(EliteStat("b", "fxSolid", 0, 1, 0)).Add(EliteStat("c", "matte", 0, 1, 0));
  shapes.Add(EliteStat("d", "background", 0, 1, 1)).Add(EliteStat("e", "resource", 0, 3, 1));
  shapes.Add(EliteStat("f", "ship", 12, 7, 5)).Add(EliteStat("g", "ship", 4, 2, 2)).Tag("GOBD").I32(1).I32(2);
  FormWalk s(shapes);
  EXPECT_EQ(s.model.statForms, 7);
  EXPECT_EQ(s.model.eliteShaderCount, 1 + 1 + 1 + 1 + 2 + 2 + 2);
  EXPECT_TRUE(s.model.hasGOBD);
  EXPECT_EQ(s.model.gobdRecord.words, (std::array<int32_t, 2>{1, 2}));
}

TEST(HvmdWalk, IncompatibleShadersShowTheirMessageAndReadingGoesOn) {
  Bytes form;
  form.Add(EliteStat("hull", "ship", 7, 0, 0)).Add(EliteStat("odd", "plastic", 0, 0, 0));
  form.Add(EliteStat("panel", "default", 0, 1, 0));
  FormWalk w(form);
  EXPECT_FALSE(w.reader.Failed());
  EXPECT_EQ(w.platform.messages, (std::vector<std::string>{"Starquill: Incompatible 'ship' type shader group, exiting...",
                                                          "Starquill: Incompatible shader type found, exiting..."}));
  EXPECT_EQ(w.model.statForms, 3);
  EXPECT_EQ(w.model.eliteShaderCount, 1);
  EXPECT_TRUE(w.model.eliteTable[0].params.empty());
  EXPECT_EQ(w.model.eliteTable[0].variantWord, 7);
}

TEST(HvmdWalk, TexturesTakeTheirLengthsFromTheSwappedSize) {
  Bytes form;
  form.Add(Lmip("hull_diffuse", "DXT1", 68)).Add(Lmip("glow", "8888", 0));
  form.Tag("LMTX").BE32(5).Raw({1, 2, 3, 4, 5}).Tag("LMTX").BE32(0);
  FormWalk w(form);
  ASSERT_FALSE(w.reader.Failed()) << w.reader.Failure()->reason;
  ASSERT_EQ(w.model.lmipTable.size(), 2u);
  const sq::LmipRecord& first = w.model.lmipTable[0];
  EXPECT_EQ(sq::ByteSwap32(first.chunkSize), 100u);  // 12-character name: 68 bytes of pixels
  EXPECT_EQ(first.nameLength, 12);
  EXPECT_EQ(first.textureName, "hull_diffuse");
  EXPECT_EQ(first.format, "DXT1");
  EXPECT_EQ(first.formatWords, (std::array<int32_t, 3>{1, 2, 3}));
  EXPECT_EQ(first.pixelData.size(), 68u);
  EXPECT_EQ(w.model.lmipTable[1].format, "8888");
  EXPECT_TRUE(w.model.hasLMTX);
  ASSERT_EQ(w.model.lmtxTable.size(), 2u);
  EXPECT_EQ(w.model.lmtxTable[0].data.size(), 5u);
  EXPECT_EQ(w.model.lmtxTable[0].data[4], 5);
  EXPECT_TRUE(w.model.lmtxTable[1].data.empty());
}

TEST(HvmdWalk, ImpossibleTextureLengthsEndTheWalkAsFailures) {
  // Swapped size 20 with a 4-character name leaves -4 bytes of pixels.
  Bytes negativePixels;
  negativePixels.Tag("LMIP").BE32(20).Text("hull").Tag("8888").I32(0).I32(0).I32(0).Tag("GOBD").I32(1).I32(2);
  Walk a(ModelFile(negativePixels));
  EXPECT_TRUE(a.result.failed);
  EXPECT_NE(a.result.reason.find("negative"), std::string::npos);
  EXPECT_FALSE(a.model.hasGOBD);

  Bytes negativeLmtx;
  negativeLmtx.Tag("LMTX").BE32(0x80000000u).Zeros(16);
  Walk b(ModelFile(negativeLmtx));
  EXPECT_TRUE(b.result.failed);

  Bytes longLmtx;
  longLmtx.Tag("LMTX").BE32(1000).Zeros(16);
  Walk c(ModelFile(longLmtx));
  EXPECT_TRUE(c.result.failed);
  EXPECT_TRUE(c.model.lmtxTable[0].data.empty());
}

TEST(HvmdWalk, ShadRunAfterNrmlStatReplacesTheTable) {
  Bytes form;
  form.Add(NrmlStat("a", {{0, "x"}})).Add(NrmlStat("b", {{1, "y"}})).Add(NrmlStat("c", {{2, "z"}}));
  form.Add(Shad("lambert1", {4, 5})).Add(Shad("blinn", {6}));
  FormWalk w(form);
  EXPECT_FALSE(w.reader.Failed());
  EXPECT_TRUE(w.model.hasSHAD);
  EXPECT_TRUE(w.model.hasNrmlSTAT);
  ASSERT_EQ(w.model.statTable.size(), 2u);
  EXPECT_EQ(w.model.statTable[0].header, (sq::ChunkHeader{"", 0, "SHAD"}));
  EXPECT_EQ(w.model.statTable[0].firstName, "lambert1");
  ASSERT_EQ(w.model.statTable[0].params.size(), 2u);
  EXPECT_EQ(w.model.statTable[0].params[1].textureIndex, 5);
  EXPECT_EQ(w.model.statTable[1].params[0].textureIndex, 6);
}

TEST(HvmdWalk, MeshesConsumeTheirVertexBlocksAndCountFaces) {
  // Ten 64-byte vertices, then ten 40-byte ones; a GOBG mesh follows the MULT.
  Bytes form;
  form.Add(Mult("Hull", {Bmsh(0, {{0, 24603, 10, {{518, 14}}}, {1, 2, 10, {{514, 36}, {4, 4}, {4, 5}}}})}));
  form.Add(Gobg("goblin", Bmsh(0, {{2, 2, 1, {{518, 5}}}})));
  form.Tag("GOBS").I32(3).I32(4);
  FormWalk w(form);
  ASSERT_FALSE(w.reader.Failed()) << w.reader.Failure()->reason;
  const sq::bmshMesh& mesh = w.model.multTable.at(0).lods.at(0).mesh;
  ASSERT_EQ(mesh.subMeshes.size(), 2u);
  EXPECT_EQ(mesh.subMeshes[0].vertices.size(), 640u);
  EXPECT_EQ(mesh.subMeshes[1].vertices.size(), 400u);
  ASSERT_EQ(mesh.subMeshes[1].indexLists.size(), 3u);
  EXPECT_EQ(mesh.subMeshes[1].indexLists[0].indices.size(), 36u);
  // Strip 14 -> 12; list 36 -> 12; lists of 4 and 5 -> 1 and 2 (the sum is rounded
  // after each list); goblin strip 5 -> 3.
  EXPECT_EQ(w.model.faceTotal, 12 + 12 + 1 + 2 + 3);
  EXPECT_TRUE(w.model.hasGOBG);
  EXPECT_EQ(w.model.gobgTable.at(0).secondName, "goblin");
  EXPECT_EQ(w.model.gobgTable.at(0).header.chunkId, "GOBG");
  // The bare GOBS behind the GOBG run was read from the tag that ended it.
  EXPECT_TRUE(w.model.hasGOBS);
  EXPECT_EQ(w.model.gobsRecord.header, (sq::ChunkHeader{"", 0, "GOBS"}));
  EXPECT_EQ(w.model.gobsRecord.words, (std::array<int32_t, 2>{3, 4}));
}

TEST(HvmdWalk, NrmlGobsIsFollowedOnlyByNrmlChunks) {
  Bytes form;
  form.Add(Nrml("GOBS", Bytes().I32(1).I32(2))).Add(Nrml("GOBS", Bytes().I32(3).I32(4)));
  form.Add(Nrml("GOBS", Bytes().I32(5).I32(6))).Add(Lmip("a", "8888", 0));
  FormWalk w(form);
  EXPECT_EQ(w.model.gobsRecord.header.chunkKind, "NRML");
  EXPECT_EQ(w.model.gobsRecord.words, (std::array<int32_t, 2>{5, 6}));
  // Any other tag ends the walk and goes back to the file walker.
  EXPECT_FALSE(w.model.hasLMIP);
  EXPECT_EQ(w.stop.kind, "LMIP");
  EXPECT_FALSE(w.stop.sizeAndIdRead);
}

TEST(HvmdWalk, SimpEndsTheWalkWithItsMessage) {
  Walk w(ModelFile(Bytes().Tag("SIMP").Add(Lmip("a", "8888", 0)), Nrml("BGLT", Bytes().I32(9))));
  EXPECT_FALSE(w.result.failed);
  EXPECT_TRUE(w.model.hasSIMP);
  EXPECT_FALSE(w.model.hasLMIP);
  EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
  EXPECT_EQ(w.platform.messages, std::vector<std::string>{"Starquill: SIMP chunk extraction not implemented."});
}

TEST(HvmdWalk, ShaderMessagesCountTowardTheLimitOfAWalk) {
  Bytes form;
  for (int i = 0; i < 12; ++i) form.Add(EliteStat("m", "plastic", 0, 0, 0));
  Walk w(ModelFile(form));
  EXPECT_TRUE(w.result.failed);
  EXPECT_EQ(w.platform.messages.size(), 10u);
}

TEST(HvmdWalk, LyingCountsEndTheWalkAsFailures) {
  const std::vector<Bytes> forms = {
      Bytes().Add(Nrml("STAT", Bytes().I32(0).Text("a").Text("b").I32(1000000))),
      Bytes().Add(Nrml("MULT", Bytes().I32(0).Text("a").Text("b").I32(-1))),
      Bytes().Add(Nrml("MULT", Bytes().I32(0).Text("a").Text("b").I32(1).Tag("BMSH").BE32(0).Tag("BMSH").I32(0).I32(0)
                                   .I32(1).I32(0).I32(2).I32(0x7FFFFFFF).Zeros(40))),
      Bytes().Tag("SHAD").I32(0).Text("a").Text("b").I32(-5),
      Bytes().Tag("LITE").BE32(0).I32(400),
      Bytes().Tag("VARY").BE32(0).Text("v").Text("w").I32(0).I32(0).I32(0x10000000).I32(0).I32(0),
  };
  for (const Bytes& form : forms) {
    Walk w(ModelFile(form, Nrml("BGLT", Bytes().I32(9))));
    EXPECT_TRUE(w.result.failed);
    EXPECT_EQ(w.model.hodHeader.bgltValue, 0);
  }
}

TEST(HvmdWalk, TruncatedFormsNeverReadPastTheEnd) {
  Bytes form;
  form.Tag("LITE").BE32(0).I32(1).Text("sun").I32(1).F32s({1, 2, 3, 4, 5, 6, 7, 8, 9}).I32(0).I32(0);
  form.Add(EliteStat("panel", "badge", 0, 9, 5)).Add(NrmlStat("hull", {{0, "x"}})).Add(Lmip("t", "DXT1", 8));
  form.Add(Mult("Hull", {Faces(0, 2), Faces(1, 1)})).Tag("LMTX").BE32(2).Raw({1, 2});
  form.Add(Shad("s", {1})).Tag("GOBD").I32(1).I32(2).Add(Gobg("g", Faces(0, 1)));
  const Bytes file = ModelFile(form);
  const auto& all = file.vec();
  TempDir dir;
  for (std::size_t cut = 0; cut <= all.size(); ++cut) {
    sq::Model model;
    RecordingPlatform platform;
    const std::vector<uint8_t> part(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(cut));
    const sq::WalkResult result = sq::WalkHodBytes(part, model, platform, dir.path());
    if (cut == all.size()) {
      EXPECT_FALSE(result.failed) << result.reason;
      EXPECT_TRUE(model.hasGOBG && model.hasSHAD && model.hasLMTX && model.hasLITE);
    }
    if (result.failed) {
      EXPECT_LE(result.offset, cut);
    }
  }
}
