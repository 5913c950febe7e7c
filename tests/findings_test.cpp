// The consistency checks as findings: each problem the report shows is one finding
// of its weight, with the report's own words, and a sound file has none.
#include <gtest/gtest.h>

#include <functional>

#include "report/report_findings.h"
#include "report/report_rtf.h"
#include "support/sample_files.h"
#include "tests/walk_kit.h"

namespace {

// A background whose head is sound: nothing to find.
sq::Model SoundModel() {
  sq::Model m;
  m.hodHeader.vers = sq::ChunkHeader{"FORM", sq::ByteSwap32(8), "VERS"};
  m.hodHeader.hodVersion = 1000;
  return m;
}

sq::StatRecord Material(std::initializer_list<int32_t> textureIndices) {
  sq::StatRecord r;
  for (int32_t t : textureIndices) r.params.push_back({{}, t, "p"});
  r.paramCount = static_cast<int32_t>(r.params.size());
  return r;
}

sq::BsrmRecord Bsrm(int32_t faces, std::vector<std::vector<int16_t>> lists, int32_t goblinFlag = 1) {
  sq::BsrmRecord r;
  r.meshName = "Hull";
  r.tris.faceCount = r.vnrm.faceCount = faces;
  r.goblinFlag = goblinFlag;
  r.hasSSUB = !lists.empty();
  for (auto& indices : lists) r.ssubLists.push_back({static_cast<int32_t>(indices.size()), std::move(indices)});
  return r;
}

struct Case {
  sq::Severity severity;
  std::string text;
  std::function<void(sq::Model&)> make;
  bool reportShowsItWhole = true;  // else the report shows it in pieces of its own layout
};

}  // namespace

TEST(Findings, EachProblemOfTheReportIsOneFindingInItsWords) {
  using enum sq::Severity;
  const std::string lmip = "The highest LMIP-tag (6, first tag = 0) does not correspond (!) to the number of textures";
  const std::vector<Case> cases = {
      {Warning, "Unusual HOD file length ! (Long, reversed): 12",
       [](sq::Model& m) { m.hodHeader.vers.chunkSize = sq::ByteSwap32(12); }},
      {Warning, "HOD contains warning:  'a {braced} name'.",
       [](sq::Model& m) { m.infoWarning = true, m.infoWarningText = "a {braced} name"; }},
      {Error, "HOD contains error message:  'bad'.", [](sq::Model& m) { m.infoError = true, m.infoErrorText = "bad"; }},
      {Warning, "Number of background lights ( 2 ) is unequal to three.",
       [](sq::Model& m) { m.hodHeader.hodVersion = 512, m.hasLITE = true, m.liteCount = 2; }},
      // Textures no material reaches, then a material pointing past the textures.
      {Warning, lmip + " ( 8 ).",
       [](sq::Model& m) {
         m.hasNrmlSTAT = m.hasLMIP = true, m.statTable = {Material({0, 6})}, m.lmipTable.resize(8);
       }},
      {Error, lmip + " ( 5 ).",
       [](sq::Model& m) {
         m.hasNrmlSTAT = m.hasLMIP = true, m.statTable = {Material({6}), Material({1})}, m.lmipTable.resize(5);
       }},
      {Error, "The number of ' elite ' shaders ( 1 ) does not correspond (!) to the number of textures ( 3 ).",
       [](sq::Model& m) {
         m.hasLMIP = true, m.statForms = m.eliteShaderCount = 1, m.lmipTable.resize(3);
         m.eliteTable.resize(1), m.eliteTable[0].variantWord = 1, m.eliteTable[0].params = {{{}, 4}};
       }},
      {Warning, "Separator with marker 'M' ( 1th ) is unequal",
       [](sq::Model& m) { m.hasMRKR = true, m.separatorReportText = "Separator with marker 'M' ( 1th ) is unequal"; }},
      {Error, "largest tag 98 NOT EQUAL to VNRM or TRIS faces (100, 100) in BSRM-chunk no. 1 -> Hull",
       [](sq::Model& m) {
         m.hasBSRM = m.hasGOBG = true, m.gobgTable.resize(1), m.bsrmTable = {Bsrm(100, {{0, 98}})};
       },
       false},
      {Error, std::string(sq::kNoSsubLists) + "1",
       [](sq::Model& m) { m.hasBSRM = m.hasGOBG = true, m.gobgTable.resize(1), m.bsrmTable = {Bsrm(3, {})}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sq::Model m = SoundModel();
    c.make(m);
    const std::vector<sq::Finding> findings = sq::ModelFindings(m);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].severity, c.severity);
    EXPECT_EQ(findings[0].text, c.text);
    if (c.reportShowsItWhole) {
      EXPECT_NE(sq::BuildReport(m, "m").find(sq::RtfText(c.text)), std::string::npos);
    }
  }
  EXPECT_TRUE(sq::ModelFindings(SoundModel()).empty());
  EXPECT_TRUE(sq::ModelFindings(sqtest::Walk(sqtest::FullBackgroundHod()).model).empty());
}

// The SSUB sums against the faces of the LOD0 and goblin meshes: both mismatches,
// as errors.
TEST(Findings, SsubSumsAgainstTheMeshFaces) {
  sq::Model m = SoundModel();
  m.hasBSRM = m.hasMULT = m.hasGOBG = true;
  m.multTable.resize(1);
  m.multTable[0].lods.resize(1);
  m.multTable[0].lods[0].mesh.subMeshes.emplace_back().indexLists.push_back({514, 30, {}});  // 10 faces at level 0
  m.gobgTable.resize(1);
  m.gobgTable[0].mesh.subMeshes.emplace_back().indexLists.push_back({518, 6, {}});  // 4 goblin faces
  m.bsrmTable = {Bsrm(10, {{9}}), Bsrm(4, {{3}}, 0)};
  EXPECT_TRUE(sq::ModelFindings(m).empty());

  m.bsrmTable = {Bsrm(9, {{8}}), Bsrm(5, {{4}}, 0)};
  const std::vector<sq::Finding> findings = sq::ModelFindings(m);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0].text, std::string(sq::kNonGoblinSums) + " (10 <> 9)");
  EXPECT_EQ(findings[1].text, std::string(sq::kGoblinSums) + " (4 <> 5)");
}
