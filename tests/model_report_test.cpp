#include <gtest/gtest.h>

#include "report/report_rtf.h"
#include "support/detail_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;
using namespace std::string_literals;

const std::string kP = "\\par\r\n";

TEST(ModelReport, VisualAndDetailPartsOfAShipByteForByte) {
  // Every detail item at least once, in the order a model file keeps them.
  Bytes detail;
  detail.Add(HierItem({{"Hull_Root", {1, 2, 3, 0, 0, 0, 1, 1, 1, 1, 2, 3}}, {"Gun_Hull", Floats(12, 0.5f)}}))
      .Add(EtshItem("Eng1", {{0, 0, 1, 0, 0, 2}}))
      .Add(EtshItem("Eng2", {{0, 0, 1}, {0, 0, 2, 0, 0, 3, 0, 0, 4}}))
      .Add(BurnItem("Burn1", {1, 1, 1}))
      .Add(GlowForm("Glow1", 0, Faces(0, 2)))
      .Add(GlowForm("Glow2", 1, Faces(0, 1)))
      .Add(MarkerForm("M1", 0))
      .Add(MarkerForm("Ex{1}", 0.25))
      .Add(NavlChunk({{"Red", {1, 2, 3, 4, 5, 6, 7, 8, 0.5f}}}))
      .Add(AnimChunk("Hatch", {{2.5, {1, 0, 0, 0, 1, 0}}}))
      .Add(DockChunk(1, 5, 1))
      .Add(Nrml("STRF", Bytes().BE32(1000).I32(1).F32s({1, 2, 3, 1, 1, 1, 1})))
      .Add(BndvChunk({-1, -1, -1}, {1, 1, 1}))
      .Add(ColdForm("Hull", 8, 36))
      .Add(BsrmForm({.meshName = "Hull_1",
                     .trisVertices = 4,
                     .trisIndices = 6,
                     .vnrmIndices = 6,
                     .ssub = SsubBytes({{0, 1}, {1}})}))
      .Add(BsrmForm({.meshName = "Gob_1", .goblinFlag = 0, .ssub = SsubBytes({})}))
      .Add(InfoForm({{"OWNR", "alee\0"s}, {"WARN", "check {LOD}"}}));
  // One material, texture, empty VARY chunk, object of two levels and goblin mesh; the first BSRM
  // matches the object's level-0 faces, the goblin's does not.
  Bytes visual;
  visual.Add(NrmlStat("blinn1", {{0, "diffuse"}})).Add(Lmip("tex0", "8888", 16));
  visual.Tag("VARY").BE32(8 + 5 + 20).Text("hull").Text("2").I32(0).I32(0).I32(0).I32(0).I32(0);
  visual.Add(Mult("Hull", {Faces(0, 2, 0), Faces(1, 1, 3)})).Add(Gobg("Gob", Faces(0, 1)));
  Bytes file;
  file.Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Ship"))).Add(Form("HVMD", visual)).Add(Form("DTRM", detail));
  const Walk walk(file);
  EXPECT_FALSE(walk.result.failed) << walk.result.reason;
  // The report paragraph by paragraph, as it reads.
  // clang-format off
  const std::string expected =
      kReportHead + "Report on ship HOD file: containing 2 hierarchy objects." + kP + kP +
      "HOD contains warning:  'check \\{LOD\\}'." + kP + kP + "Absent chunks: " + kP +
      // The point stars of the detail form.
      kP + "STRF reporting:" + kP + "=------------------=" + kP + "STRF chunk 1 contains 1 star positions;" + kP +
      kP + "\\tab Total number of point-stars : 1" + kP +
      kP + "2 STATs with a total of  1 shaders (no 'lambert' shader present).  Number of textures = 1" + kP +
      kP + "The LMIP chunks contain at least one ' A8R8G8B8 ' (TGA) - type texture." + kP +
      kP + "Parameters of VARY chunks 2 and 4:" + kP + "=-------------------------------------------------=" + kP +
      "VARY2: vertex normal indices" + kP + "maximum index = 0\r\n" + kP + "minimum index = 0\r\n" + kP +
      "( # Nuv's = 0 )." + kP + kP + "VARY4: face lists" + kP + "maximum index = 0" + kP + "minimum index = 0" + kP +
      "( # Nuv's = 0 , # faces = 0 )." + kP + kP +
      kP + "1 MULT chunk with:" + kP + "=-------------------------=" + kP + "LOD0: 2 faces" + kP +
      "LOD1: 1 faces" + kP +
      // Object, goblin and the two glow meshes.
      "Face count (goblins meshes included)  = 7" + kP +
      kP + "\\tab Number of LOD0 meshes per object (and their material index):" + kP +
      "\\tab \\tab MULT( 1 ), BMSH( 1 ), submesh( 1 ) has material_tag 0" + kP +
      "\\tab Total of 1 meshes for object Hull" + kP +
      kP + "\\tab Number of LOD1 meshes per object (and their material index):" + kP +
      "\\tab \\tab MULT( 1 ), BMSH( 2 ), submesh( 1 ) has material_tag 3" + kP +
      "\\tab Total of 1 meshes for object Hull" + kP +
      kP + "1 GOBG chunk with 1 faces in total." + kP +
      kP + "2 ETSHs" + kP + "=---------=" + kP + "\\tab 1... with 2 shape points." + kP +
      "\\tab 2... with 2 trail sets:" + kP +
      "\\tab \\tab 1... with 1 shape points." + kP + "\\tab \\tab 2... with 3 shape points." + kP +
      kP + "2 GLOWs with:" + kP + "=-----------------=" + kP + "Total faces for LOD0: 2" + kP +
      "Total faces for LOD1: 1" + kP +
      kP + "1 BURN chunk" + kP +
      kP + "2 MRKRs" + kP + "Separator with marker 'Ex\\{1\\}' ( 2th ) is unequal to zero: 0.25" + kP +
      kP + "1 Navlight" + kP + "=-------------=" + kP +
      "Red\\tab 1\\tab 2\\tab 3\\tab 4\\tab 5\\tab 6\\tab 7\\tab 8\\tab 0.5" + kP +
      kP + "1 (one) DOCK path" + kP + "=------------------=" + kP +
      kP + "1 ANIM chunk" + kP + "=--------------=" + kP + kP + "1 keyframes for Hatch:" + kP +
      "2.5" + kP + "\\tab \\tab 1\\tab 0\\tab 0" + kP + "\\tab \\tab 0\\tab 1\\tab 0" + kP +
      kP + "1 COLD chunk, with TRIS vertices and faces:" + kP +
      "=-------------------------------------------------------------=" + kP + "8\\tab 12\\tab Hull" + kP +
      kP + "# BSRMs  =  # MULTs  +  # GOBGs  (checked OK)" + kP + "=" + std::string(162, '-') + "=" + kP +
      "TRIS faces : 2;\\tab TRIS vertices : 4;\\tab VNRM 'faces' : 2;\\tab VNRM normals : 3;\\tab "
      "non-empty SSUB face lists : \\tab 2 ;\\tab  -> Hull_1;" + kP +
      "TRIS faces : 1;\\tab TRIS vertices : 3;\\tab VNRM 'faces' : 1;\\tab VNRM normals : 3;\\tab "
      "no SSUB face lists found (!) -> Gob_1 = goblin mesh ( flag = 0 );" + kP +
      kP + kP + "**** No SSUB face-lists found in BSRM-chunk no. 2 ****" +
      kP + "******** The sum of all of the highest face indices of all GOBLIN SSUB chunks"
      " does not correspond to the sum of all faces in all (GOBG) BMSH chunks ******** (1 <> 0)." +
      kP + "}" + kP;
  // clang-format on
  EXPECT_EQ(sq::BuildReport(walk.model, "ship"), expected);
}
