#include <gtest/gtest.h>

#include "report/BuildReport.h"

namespace {

const std::string kBsrmRule = "=" + std::string(162, '-') + "=\\par\r\n";
const std::string kBsrmOk = "\\par\r\n# BSRMs  =  # MULTs  +  # GOBGs  (checked OK)\\par\r\n" + kBsrmRule;

std::string BsrmMismatch(int records) {
  return "\\par\r\n" + std::to_string(records) + " BSRMs does not correspond to  # MULTs  +  # GOBGs\\par\r\n" + kBsrmRule;
}

// One record's line: TRIS and VNRM faces (of the 64 vertices and 70 normals Bsrm gives), then the rest.
std::string BsrmLine(int trisFaces, int vnrmFaces, const std::string& rest) {
  return "TRIS faces : " + std::to_string(trisFaces) + ";\\tab TRIS vertices : 64;\\tab VNRM 'faces' : " +
         std::to_string(vnrmFaces) + ";\\tab VNRM normals : 70;\\tab " + rest + "\\par\r\n";
}

sq::ReportText Sections(const sq::Model& model, sq::ReportText report = {}) {
  sq::AppendDetailSections(model, report);
  return report;
}

sq::EtshRecord Trail(std::initializer_list<int32_t> setSizes) {
  sq::EtshRecord r;
  for (int32_t c : setSizes) r.trailSets.push_back({c, std::vector<sq::Point3>(static_cast<std::size_t>(c))});
  return r;
}

sq::GlowRecord Glow(int32_t level, std::initializer_list<std::vector<int32_t>> subMeshLists) {
  sq::GlowRecord g;
  g.levelWord = level;
  for (const auto& counts : subMeshLists) {
    sq::subMesh& sub = g.mesh.subMeshes.emplace_back();
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
  std::vector<int16_t> v;
  for (int16_t i = 0; i <= highest; ++i) v.push_back(i);
  return v;
}

}  // namespace

TEST(ReportDetail, AbsentChunksInSectionOrder) {
  sq::Model m;
  m.hasGLOW = m.hasMRKR = m.hasANIM = true;
  const auto r = Sections(m);
  EXPECT_EQ(r.head, "ETSH; BURN; NAVL; DOCK; COLD; ");
  EXPECT_TRUE(r.tail.empty());
}

TEST(ReportDetail, TrailSections) {
  sq::Model m;
  m.hasETSH = true;
  m.etshTable = {Trail({8})};
  EXPECT_EQ(Sections(m).body,
            "\\par\r\n1 ETSH chunk\\par\r\n=--------------=\\par\r\n\\tab 1... with 8 shape points.\\par\r\n");
  m.etshTable.push_back(Trail({}));
  EXPECT_TRUE(Sections(m).body.ends_with("\\tab 2... with 0 trail sets:\\par\r\n"));
}

TEST(ReportDetail, GlowFacesPerLevelFromTheFirstListOnly) {
  sq::Model m;
  m.hasGLOW = true;
  // 6 / 3 + 5 / 3 (rounded) at level 0; the second list of a sub-mesh is not
  // counted; a sub-mesh without lists adds nothing; level 7 has no counter.
  m.glowTable = {Glow(0, {{6, 300}, {5}, {}}), Glow(3, {{9}}), Glow(7, {{90}}), Glow(-1, {{90}})};
  EXPECT_EQ(Sections(m).body,
            "\\par\r\n4 GLOWs with:\\par\r\n=-----------------=\\par\r\n"
            "Total faces for LOD0: 4\\par\r\n"
            "Total faces for LOD3: 3\\par\r\n");

  sq::Model single;
  single.hasGLOW = true;
  single.glowTable = {Glow(1, {{0}})};
  EXPECT_EQ(Sections(single).body, "\\par\r\n1 GLOW chunk with:\\par\r\n=-----------------=\\par\r\n");
}

TEST(ReportDetail, TitlesOfOtherCounts) {
  sq::Model m;
  m.hasBURN = m.hasMRKR = m.hasNAVL = m.hasDOCK = m.hasANIM = m.hasCOLD = true;
  m.burnTable.resize(3);
  m.mrkrTable.resize(1);
  m.separatorReportText = "Separator with marker 'M{2}' ( 1th ) is unequal to zero: 1.5";
  m.dockPathCount = 3;
  m.animTable.resize(2);
  m.coldTable.resize(2);
  EXPECT_EQ(Sections(m).body,
            "\\par\r\n3 BURNs\\par\r\n"
            "\\par\r\n1 MRKR chunk\\par\r\n"
            "Separator with marker 'M\\{2\\}' ( 1th ) is unequal to zero: 1.5\\par\r\n"
            "\\par\r\n0 Navlights\\par\r\n=-------------=\\par\r\n"
            "\\par\r\n3 DOCK paths\\par\r\n=------------------=\\par\r\n"
            "\\par\r\n2 ANIMs\\par\r\n=--------------=\\par\r\n"
            "\\par\r\n0 keyframes for :\\par\r\n\\par\r\n0 keyframes for :\\par\r\n"
            "\\par\r\n2 COLDs, with TRIS vertices and faces:\\par\r\n"
            "=--------------------------------------------------------=\\par\r\n"
            "0\\tab 0\\tab \\par\r\n0\\tab 0\\tab \\par\r\n");
}

TEST(ReportDetail, BsrmCountCheckedAgainstMultsAndGoblins) {
  sq::Model m;
  m.hasBSRM = true;
  m.hasGOBG = true;
  m.multTable.resize(1);
  m.gobgTable.resize(1);
  m.bsrmTable = {Bsrm("Hull_1", 120, 120, {Upto(100), {119}, {5, 6}}), Bsrm("Gob", 2, 2, {{0, 1}}, 0)};
  const auto ok = Sections(m);
  EXPECT_EQ(ok.body, kBsrmOk + BsrmLine(120, 120, "non-empty SSUB face lists : \\tab 3 ;\\tab  -> Hull_1;") +
                         BsrmLine(2, 2, "non-empty SSUB face lists : \\tab 1 ;\\tab  -> Gob = goblin mesh ( flag = 0 );"));
  EXPECT_EQ(ok.lodFaces[6], 120);
  EXPECT_EQ(ok.lodFaces[7], 2);
  EXPECT_TRUE(ok.tail.empty());  // no MULT flag: no sum check

  // Without the GOBG flag the goblin table does not count.
  m.hasGOBG = false;
  EXPECT_TRUE(Sections(m).body.starts_with(BsrmMismatch(2) + "TRIS faces : 120;"));
  m.hasGOBG = true;
  m.bsrmTable.push_back(Bsrm("Extra", 1, 1, {{0}}));
  EXPECT_TRUE(Sections(m).body.starts_with(BsrmMismatch(3) + "TRIS faces : 120;"));

  // The highest index of a record's lists must name its last face.
  sq::Model odd;
  odd.hasBSRM = true;
  odd.bsrmTable = {Bsrm("Hull", 98, 100, {Upto(99)})};
  EXPECT_EQ(Sections(odd).body,
            BsrmMismatch(1) + BsrmLine(98, 100,
                                       "non-empty SSUB face lists : 1 ;\\tab  largest tag 99 NOT EQUAL to VNRM or TRIS "
                                       "faces);\\tab  -> Hull;"));
}

TEST(ReportDetail, FaceSumsOfTheSsubListsAgainstTheMeshes) {
  sq::Model m;
  m.hasBSRM = true;
  m.hasMULT = true;
  m.hasGOBG = true;
  m.multTable.resize(1);
  m.bsrmTable = {Bsrm("Hull", 10, 10, {Upto(9)}), Bsrm("Gob", 4, 4, {}, 0)};
  sq::ReportText in;
  in.lodFaces[0] = 12;  // LOD0 faces of the visual meshes
  in.lodFaces[5] = 4;   // goblin faces
  const auto r = Sections(m, in);
  EXPECT_EQ(r.body, BsrmMismatch(2) + BsrmLine(10, 10, "non-empty SSUB face lists : \\tab 1 ;\\tab  -> Hull;") +
                        BsrmLine(4, 4, "no SSUB face lists found (!) -> Gob = goblin mesh ( flag = 0 );"));
  EXPECT_EQ(r.lodFaces[6], 10);
  EXPECT_EQ(r.lodFaces[7], 0);  // no lists: nothing added
  EXPECT_EQ(r.tail,
            "\\par\r\n\\par\r\n**** No SSUB face-lists found in BSRM-chunk no. 2 ****"
            "\\par\r\n\\par\r\n**** The sum of all of the highest face indices of all non-goblin SSUB chunks"
            " does not correspond to the sum of all LOD0 faces in all (MULT) BMSH chunks **** (12 <> 10)."
            "\\par\r\n******** The sum of all of the highest face indices of all GOBLIN SSUB chunks"
            " does not correspond to the sum of all faces in all (GOBG) BMSH chunks ******** (4 <> 0).");

  // Matching sums leave the tail empty; so does a file without BSRM forms.
  m.bsrmTable.pop_back();
  in.lodFaces[0] = 10;
  in.lodFaces[5] = 0;
  EXPECT_TRUE(Sections(m, in).tail.empty());
  sq::Model none;
  none.hasMULT = true;
  const auto r2 = Sections(none, in);
  EXPECT_TRUE(r2.tail.empty());
  EXPECT_EQ(r2.body.find("BSRM"), std::string::npos);
}
