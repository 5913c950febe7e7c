// The report's sections built from models set up by hand: the head, the background
// sections and the detail sections; and its consistency checks as findings: each
// problem the report shows is one finding of its weight, in the report's words.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "report/report_findings.h"
#include "report/report_rtf.h"
#include "tests/test_kit.h"

using sqtest::kReportHead;

namespace {

sq::Model ModelOf(int32_t version, uint32_t reversedLength = 8) {
  sq::Model m;
  m.hodHeader.vers = sq::ChunkHeader{"FORM", sq::ByteSwap32(reversedLength), "VERS"};
  m.hodHeader.hodVersion = version;
  return m;
}

sq::MeshChunk MeshWithLists(int32_t vertexCount, std::vector<std::pair<int32_t, int32_t>> typesAndCounts) {
  sq::MeshChunk chunk;
  sq::MeshPart& part = chunk.parts.emplace_back();
  part.vertexCount = vertexCount;
  for (auto [type, count] : typesAndCounts) part.indexLists.push_back({type, count, {}});
  return chunk;
}

// The BSRM section's title when the count does not match, and its rule.
std::string BsrmMismatch(int records) {
  return "\\par\r\n" + std::to_string(records) +
         " BSRMs does not correspond to  # MULTs  +  # GOBGs\\par\r\n=" + std::string(162, '-') + "=\\par\r\n";
}

// One record's line: TRIS and VNRM faces (of the 64 vertices and 70 normals Bsrm gives), then the rest.
std::string BsrmLine(int trisFaces, int vnrmFaces, const std::string& rest) {
  return "TRIS faces : " + std::to_string(trisFaces) +
         ";\\tab TRIS vertices : 64;\\tab VNRM 'faces' : " + std::to_string(vnrmFaces) +
         ";\\tab VNRM normals : 70;\\tab " + rest + "\\par\r\n";
}

sq::ReportText Sections(const sq::Model& model, sq::ReportText report = {}) {
  sq::AppendDetailSections(model, report);
  return report;
}

sq::GlowRecord Glow(int32_t level, std::initializer_list<std::vector<int32_t>> subMeshLists) {
  sq::GlowRecord g;
  g.levelWord = level;
  for (const auto& counts : subMeshLists) {
    sq::bmsh::SubMesh& sub = g.mesh.subMeshes.emplace_back();
    for (int32_t c : counts) sub.indexLists.push_back({514, c, {}});
  }
  return g;
}

sq::BsrmRecord Bsrm(std::string name, int32_t trisFaces, int32_t vnrmFaces, std::vector<std::vector<int16_t>> lists,
                    int32_t goblinFlag = 1) {
  sq::BsrmRecord r;
  r.meshName = std::move(name);
  r.tris.faceCount = trisFaces;
  r.tris.pointCount = 64;
  r.vnrm.faceCount = vnrmFaces;
  r.vnrm.pointCount = 70;
  r.goblinFlag = goblinFlag;
  r.hasSSUB = !lists.empty();
  for (auto& l : lists) r.ssubLists.push_back({static_cast<int32_t>(l.size()), std::move(l)});
  return r;
}

std::vector<int16_t> Upto(int16_t highest) {
  std::vector<int16_t> v(highest + 1);
  std::iota(v.begin(), v.end(), int16_t{0});
  return v;
}

sq::StatRecord Material(std::initializer_list<int32_t> textureIndices) {
  sq::StatRecord r;
  for (int32_t t : textureIndices) r.params.push_back({{}, t, "p"});
  r.paramCount = static_cast<int32_t>(r.params.size());
  return r;
}

struct Case {
  sq::Severity severity;
  std::string text;
  std::function<void(sq::Model&)> make;
};

}  // namespace

TEST(ReportHeadAndBackground, HeadLinesOfEachKindOfFileAndTheBackgroundSections) {
  sq::Model lighting = ModelOf(512);
  lighting.hasLITE = true, lighting.liteCount = 2;
  sq::Model info = ModelOf(512);
  info.infoWarning = info.infoError = true;
  info.infoWarningText = "check {this}", info.infoErrorText = "bad\\path\x01\xe9";
  const sq::Model odd = ModelOf(1000, 12);
  const sq::Model empty;
  const std::vector<std::pair<const sq::Model*, std::string>> cases = {
      {&lighting, "this is a Background (Lighting) HOD without hierarchy objects.\\par\r\n\\par\r\n"},
      {&odd,
       "\\par\r\nUnusual HOD file length ! (Long, reversed): 12\\par\r\n"
       "this is a BACKGROUND HOD without hierarchy objects.\\par\r\n\\par\r\n"},
      // An empty model (no VERS at all) reports both.
      {&empty,
       "\\par\r\nUnusual HOD file length ! (Long, reversed): 0\\par\r\n\\par\r\n"
       "Unusual HOD version ! (Long): 0\\par\r\n without hierarchy objects.\\par\r\n\\par\r\n"},
      // The info texts escaped for RTF.
      {&info,
       " without hierarchy objects.\\par\r\n\\par\r\n"
       "HOD contains warning:  'check \\{this\\}'.\\par\r\n\\par\r\n"
       "HOD contains error message:  'bad\\\\path\\'01\\'e9'.\\par\r\n\\par\r\n"},
  };
  for (const auto& [model, expected] : cases) {
    const std::string doc = sq::BuildReport(*model, "m01");
    EXPECT_EQ(doc.substr(0, doc.find("Absent chunks: ")), kReportHead + "Report on m01 HOD file: " + expected);
  }
  lighting.liteCount = 3;  // three lights need no remark
  EXPECT_EQ(sq::BuildReport(lighting, "m01").find("Number of background lights"), std::string::npos);
  // The three background sections, byte for byte.
  sq::Model model;
  model.hasBGMS = model.hasBGSG = model.hasSTRF = true;
  // 36 list indices give 12 faces, a strip of 14 gives 12; lists of 4 and 5 give 1.33 and then
  // 2.67, rounded 1 and 3; any other type counts as a strip: 1 - 2.
  model.bgmsTable = {MeshWithLists(40, {{514, 36}, {518, 14}}), MeshWithLists(7, {{514, 4}, {514, 5}, {513, 1}})};
  model.bgsgTable.resize(2);
  model.bgsgTable[0].recordCount = 24, model.bgsgTable[0].textureName = "B02.tga";
  model.bgsgTable[1].recordCount = 0, model.bgsgTable[1].textureName = "odd{name}";
  model.strfTable.resize(3);
  model.strfTable[0].starCount = 18, model.strfTable[2].starCount = 7;
  const std::string expected =
      "\\par\r\nBGMS reporting:\\par\r\n=-------------------=\\par\r\n"
      "BMSH chunk 1 contains \\tab 40 vertices and \\tab 24 faces;\\par\r\n"
      "BMSH chunk 2 contains \\tab 7 vertices and \\tab 2 faces;\\par\r\n"
      "\\par\r\n\\tab \\tab \\tab \\tab Total number of faces : 26 \\par\r\n\\par\r\n"
      "\\par\r\nBGSG reporting:\\par\r\n=-------------------=\\par\r\n"
      "BGSG chunk 1 contains 24 star-map positions ( B02.tga ):\\par\r\n"
      "BGSG chunk 2 contains 0 star-map positions ( odd\\{name\\} ):\\par\r\n"
      "\\par\r\nSTRF reporting:\\par\r\n=------------------=\\par\r\n"
      "STRF chunk 1 contains 18 star positions;\\par\r\n"
      "STRF chunk 2 contains 0 star positions;\\par\r\n"
      "STRF chunk 3 contains 7 star positions;\\par\r\n"
      "\\par\r\n\\tab Total number of point-stars : 25\\par\r\n";
  sq::ReportText report;
  sq::AppendBackgroundSections(model, report);
  EXPECT_EQ(report.body, expected);
}

// Each detail section of a model set up by hand, byte for byte; none of these leaves a tail.
TEST(ReportDetail, SectionsOfModelsSetUpByHand) {
  const struct {
    const char* what;
    std::function<void(sq::Model&)> make;
    std::string body;
  } cases[] = {
      // 6 / 3 + 5 / 3 (rounded) at level 0; the second list of a sub-mesh is not
      // counted; a sub-mesh without lists adds nothing; level 7 has no counter.
      {"glows",
       [](sq::Model& m) {
         m.hasGLOW = true;
         m.glowTable = {Glow(0, {{6, 300}, {5}, {}}), Glow(3, {{9}}), Glow(7, {{90}}), Glow(-1, {{90}})};
       },
       "\\par\r\n4 GLOWs with:\\par\r\n=-----------------=\\par\r\nTotal faces for LOD0: 4\\par\r\n"
       "Total faces for LOD3: 3\\par\r\n"},
      {"one glow", [](sq::Model& m) { m.hasGLOW = true, m.glowTable = {Glow(1, {{0}})}; },
       "\\par\r\n1 GLOW chunk with:\\par\r\n=-----------------=\\par\r\n"},
      // One trail chunk of one set; several animations and collision meshes.
      {"titles",
       [](sq::Model& m) {
         m.hasETSH = m.hasANIM = m.hasCOLD = true, m.etshTable.emplace_back().trailSets = {{8, {}}};
         m.animTable.resize(2), m.coldTable.resize(2);
       },
       "\\par\r\n1 ETSH chunk\\par\r\n=--------------=\\par\r\n\\tab 1... with 8 shape points.\\par\r\n"
       "\\par\r\n2 ANIMs\\par\r\n=--------------=\\par\r\n"
       "\\par\r\n0 keyframes for :\\par\r\n\\par\r\n0 keyframes for :\\par\r\n"
       "\\par\r\n2 COLDs, with TRIS vertices and faces:\\par\r\n"
       "=--------------------------------------------------------=\\par\r\n0\\tab 0\\tab \\par\r\n0\\tab 0\\tab "
       "\\par\r\n"},
      // Without the GOBG flag the goblin table does not count; without the MULT flag
      // the face sums are not checked.
      {"BSRM count",
       [](sq::Model& m) {
         m.hasBSRM = true, m.multTable.resize(1), m.gobgTable.resize(1);
         m.bsrmTable = {Bsrm("Hull_1", 120, 120, {Upto(100), {119}, {5, 6}}), Bsrm("Gob", 2, 2, {{0, 1}}, 0)};
       },
       BsrmMismatch(2) + BsrmLine(120, 120, "non-empty SSUB face lists : \\tab 3 ;\\tab  -> Hull_1;") +
           BsrmLine(2, 2, "non-empty SSUB face lists : \\tab 1 ;\\tab  -> Gob = goblin mesh ( flag = 0 );")},
      // The highest index of a record's lists must name its last face.
      {"BSRM highest index", [](sq::Model& m) { m.hasBSRM = true, m.bsrmTable = {Bsrm("Hull", 98, 100, {Upto(99)})}; },
       BsrmMismatch(1) + BsrmLine(98, 100,
                                  "non-empty SSUB face lists : 1 ;\\tab  largest tag 99 NOT EQUAL to VNRM or TRIS "
                                  "faces);\\tab  -> Hull;")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sq::Model m;
    c.make(m);
    const sq::ReportText r = Sections(m);
    EXPECT_EQ(r.body, c.body);
    EXPECT_EQ(r.tail, "");
  }
  // The face sums of the SSUB lists against the meshes go to the tail.
  sq::Model m;
  m.hasBSRM = m.hasMULT = m.hasGOBG = true;
  m.multTable.resize(1);
  m.bsrmTable = {Bsrm("Hull", 10, 10, {Upto(9)}), Bsrm("Gob", 4, 4, {}, 0)};
  sq::ReportText in;
  in.lodFaces[0] = 12;  // LOD0 faces of the visual meshes
  in.lodFaces[5] = 4;   // goblin faces
  EXPECT_EQ(Sections(m, in).tail,
            "\\par\r\n\\par\r\n**** No SSUB face-lists found in BSRM-chunk no. 2 ****"
            "\\par\r\n\\par\r\n**** The sum of all of the highest face indices of all non-goblin SSUB chunks"
            " does not correspond to the sum of all LOD0 faces in all (MULT) BMSH chunks **** (12 <> 10)."
            "\\par\r\n******** The sum of all of the highest face indices of all GOBLIN SSUB chunks"
            " does not correspond to the sum of all faces in all (GOBG) BMSH chunks ******** (4 <> 0).");
}

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
      {Warning, "Separator with marker 'M' ( 2th ) is unequal to zero: 1E-05",
       [](sq::Model& m) {
         m.hasMRKR = true, m.mrkrTable.resize(2), m.mrkrTable[1].name = "M", m.mrkrTable[1].separator = 1e-5;
         m.separatorMarker = 2;
       }},
      {Error, "largest tag 98 NOT EQUAL to VNRM or TRIS faces (100, 100) in BSRM-chunk no. 2 -> Hull",
       [](sq::Model& m) {
         m.hasBSRM = m.hasGOBG = true, m.gobgTable.resize(2);
         m.bsrmTable = {Bsrm("Gob", 1, 1, {{0}}), Bsrm("Hull", 100, 100, {{0, 98}})};
       }},
      {Error, std::string(sq::kNoSsubLists) + "2",
       [](sq::Model& m) {
         m.hasBSRM = m.hasGOBG = true, m.gobgTable.resize(2),
         m.bsrmTable = {Bsrm("Gob", 1, 1, {{0}}), Bsrm("Hull", 3, 3, {})};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sq::Model m = ModelOf(1000);
    c.make(m);
    const std::vector<sq::Finding> findings = sq::ModelFindings(m);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].severity, c.severity);
    EXPECT_EQ(findings[0].text, c.text);
  }
  EXPECT_TRUE(sq::ModelFindings(ModelOf(1000)).empty());
  // The SSUB sums against the faces of the LOD0 and goblin meshes.
  sq::Model m = ModelOf(1000);
  m.hasBSRM = m.hasMULT = m.hasGOBG = true;
  m.multTable.resize(1);
  m.multTable[0].lods.resize(1);
  m.multTable[0].lods[0].mesh.subMeshes.emplace_back().indexLists.push_back({514, 30, {}});  // 10 faces at level 0
  m.gobgTable.resize(1);
  m.gobgTable[0].mesh.subMeshes.emplace_back().indexLists.push_back({518, 6, {}});  // 4 goblin faces
  m.bsrmTable = {Bsrm("Hull", 10, 10, {{9}}), Bsrm("Gob", 4, 4, {{3}}, 0)};
  EXPECT_TRUE(sq::ModelFindings(m).empty());
  m.bsrmTable = {Bsrm("Hull", 9, 9, {{8}}), Bsrm("Gob", 5, 5, {{4}}, 0)};
  const std::vector<sq::Finding> findings = sq::ModelFindings(m);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0].text, std::string(sq::kNonGoblinSums) + " (10 <> 9)");
  EXPECT_EQ(findings[1].text, std::string(sq::kGoblinSums) + " (4 <> 5)");
}
