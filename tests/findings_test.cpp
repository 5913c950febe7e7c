// The consistency checks as findings: each problem the report shows is one finding
// of its weight, with the report's own words, and a sound file has none.
#include <gtest/gtest.h>

#include <functional>

#include "hod/file_bytes.h"
#include "report/report_findings.h"
#include "report/report_rtf.h"
#include "support/sample_files.h"
#include "tests/walk_kit.h"

using namespace sqtest;

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
  r.tris.faceCount = faces;
  r.vnrm.faceCount = faces;
  r.goblinFlag = goblinFlag;
  r.hasSSUB = !lists.empty();
  for (auto& indices : lists) r.ssubLists.push_back({static_cast<int32_t>(indices.size()), std::move(indices)});
  return r;
}

struct Case {
  const char* what;
  std::function<void(sq::Model&)> make;
  sq::Severity severity;
  std::string text;
  bool reportShowsItWhole = true;  // else the report shows it in pieces of its own layout
};

}  // namespace

TEST(Findings, EachProblemOfTheReportIsOneFindingInItsWords) {
  using sq::Severity;
  const std::vector<Case> cases = {
      {"leading form", [](sq::Model& m) { m.hodHeader.vers.chunkSize = sq::ByteSwap32(12); }, Severity::Warning,
       "Unusual HOD file length ! (Long, reversed): 12"},
      {"version", [](sq::Model& m) { m.hodHeader.hodVersion = 513; }, Severity::Warning,
       "Unusual HOD version ! (Long): 513"},
      {"INFO warning",
       [](sq::Model& m) {
         m.infoWarning = true;
         m.infoWarningText = "a {braced} name";
       },
       Severity::Warning, "HOD contains warning:  'a {braced} name'."},
      {"INFO error",
       [](sq::Model& m) {
         m.infoError = true;
         m.infoErrorText = "bad";
       },
       Severity::Error, "HOD contains error message:  'bad'."},
      {"lights",
       [](sq::Model& m) {
         m.hodHeader.hodVersion = 512;
         m.hasLITE = true;
         m.liteCount = 2;
       },
       Severity::Warning, "Number of background lights ( 2 ) is unequal to three."},
      {"no materials", [](sq::Model& m) { m.hodHeader.hodVersion = 512; }, Severity::Warning,
       "HOD without STAT headers ( ! )"},
      {"a texture no material reaches",
       [](sq::Model& m) {
         m.hasNrmlSTAT = m.hasLMIP = true;
         m.statTable = {Material({0, 6})};
         m.lmipTable.resize(8);
       },
       Severity::Warning,
       "The highest LMIP-tag (6, first tag = 0) does not correspond (!) to the number of textures ( 8 )."},
      {"a material pointing past the textures",
       [](sq::Model& m) {
         m.hasNrmlSTAT = m.hasLMIP = true;
         m.statTable = {Material({6}), Material({1})};
         m.lmipTable.resize(5);
       },
       Severity::Error,
       "The highest LMIP-tag (6, first tag = 0) does not correspond (!) to the number of textures ( 5 )."},
      {"elite shaders past the textures",
       [](sq::Model& m) {
         m.hasLMIP = true;
         m.statForms = 1;
         m.eliteShaderCount = 1;
         m.eliteTable.push_back({});
         m.eliteTable[0].variantWord = 1;
         m.eliteTable[0].params = {{{}, 4}};
         m.lmipTable.resize(3);
       },
       Severity::Error,
       "The number of ' elite ' shaders ( 1 ) does not correspond (!) to the number of textures ( 3 )."},
      {"separator",
       [](sq::Model& m) {
         m.hasMRKR = true;
         m.separatorReportText = "Separator with marker 'M' ( 1th ) is unequal";
       },
       Severity::Warning, "Separator with marker 'M' ( 1th ) is unequal"},
      {"BSRM count",
       [](sq::Model& m) {
         m.hasBSRM = true;
         m.bsrmTable = {Bsrm(2, {{0, 1}}), Bsrm(2, {{1}})};
       },
       Severity::Error, "2 BSRMs does not correspond to  # MULTs  +  # GOBGs"},
      {"SSUB lists against the faces",
       [](sq::Model& m) {
         m.hasBSRM = true;
         m.hasGOBG = true;
         m.gobgTable.resize(1);
         m.bsrmTable = {Bsrm(100, {{0, 98}})};
       },
       Severity::Error, "largest tag 98 NOT EQUAL to VNRM or TRIS faces (100, 100) in BSRM-chunk no. 1 -> Hull", false},
      {"no SSUB lists",
       [](sq::Model& m) {
         m.hasBSRM = true;
         m.hasGOBG = true;
         m.gobgTable.resize(1);
         m.bsrmTable = {Bsrm(3, {})};
       },
       Severity::Error, "No SSUB face-lists found in BSRM-chunk no. 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sq::Model m = SoundModel();
    c.make(m);
    const std::vector<sq::Finding> findings = sq::ModelFindings(m);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].severity, c.severity);
    EXPECT_EQ(findings[0].text, c.text);
    const std::string report = sq::BuildReport(m, "m");
    if (c.reportShowsItWhole) {
      EXPECT_NE(report.find(sq::RtfText(c.text)), std::string::npos) << report;
    }
  }
  EXPECT_TRUE(sq::ModelFindings(SoundModel()).empty());
}

// The SSUB sums against the faces of the LOD0 and goblin meshes: both mismatches,
// as errors, where the report has its starred notices.
TEST(Findings, SsubSumsAgainstTheMeshFaces) {
  sq::Model m = SoundModel();
  m.hasBSRM = m.hasMULT = m.hasGOBG = true;
  m.multTable.resize(1);
  m.multTable[0].lods.resize(1);
  sq::bmsh::subMesh& sub = m.multTable[0].lods[0].mesh.subMeshes.emplace_back();
  sub.indexLists.push_back({514, 30, {}});  // 10 faces at level 0
  m.gobgTable.resize(1);
  m.gobgTable[0].mesh.subMeshes.emplace_back().indexLists.push_back({518, 6, {}});  // 4 goblin faces
  m.bsrmTable = {Bsrm(10, {{9}}), Bsrm(4, {{3}}, 0)};
  EXPECT_TRUE(sq::ModelFindings(m).empty());

  m.bsrmTable = {Bsrm(9, {{8}}), Bsrm(5, {{4}}, 0)};
  const std::vector<sq::Finding> findings = sq::ModelFindings(m);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0].text, std::string(sq::kNonGoblinSums) + " (10 <> 9)");
  EXPECT_EQ(findings[1].text, std::string(sq::kGoblinSums) + " (4 <> 5)");
  const std::string report = sq::BuildReport(m, "m");
  EXPECT_NE(report.find("**** " + std::string(sq::kNonGoblinSums) + " **** (10 <> 9)."), std::string::npos);
  EXPECT_NE(report.find("******** " + std::string(sq::kGoblinSums) + " ******** (4 <> 5)."), std::string::npos);
}

TEST(Findings, SoundFilesHaveNone) {
  Walk background(FullBackgroundHod());
  EXPECT_TRUE(sq::ModelFindings(background.model).empty());
  std::string error;
  auto sample = sq::FileBytes::Open(std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod", error);
  ASSERT_TRUE(sample) << error;
  sq::Model model;
  RecordingPlatform platform;
  ASSERT_FALSE(sq::WalkHodFile(sample, model, platform, sq::kNoSideFiles).failed);
  EXPECT_TRUE(sq::ModelFindings(model).empty());
}
