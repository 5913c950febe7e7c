#include <gtest/gtest.h>

#include "report/report_rtf.h"
#include "support/visual_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

// The body of a model file's report: what stands between the absent-chunk line and the end.
std::string Body(const Bytes& form) {
  Walk w(VisualFile(form));
  EXPECT_FALSE(w.result.failed) << w.result.reason;
  const std::string doc = sq::BuildReport(w.model, "ship");
  const std::size_t start = doc.find("\\par\r\n", doc.find("Absent chunks: ")) + 6;
  return doc.substr(start, doc.size() - kReportEnd.size() - start);
}

// Four NRML STAT materials of two parameters, texture indices 0 to 6.
Bytes FourStats(std::string_view secondName) {
  Bytes b;
  b.Add(NrmlStat("blinn1", {{0, "diffuse"}, {1, "glow"}})).Add(NrmlStat(secondName, {{2, "diffuse"}, {3, "glow"}}));
  return b.Add(NrmlStat("blinn3", {{4, "diffuse"}, {5, "glow"}}))
      .Add(NrmlStat("blinn4", {{6, "diffuse"}, {0, "glow"}}));
}

Bytes Textures(std::initializer_list<std::string_view> formats) {
  Bytes b;
  for (std::string_view format : formats) b.Add(Lmip("t", format, 0));
  return b;
}

const std::string kNoStat = "\\par\r\nHOD without STAT headers ( ! )\\par\r\n\\par\r\n";

}  // namespace

TEST(ReportVisual, MaterialTextureMultAndGoblinTexts) {
  const std::string open = "\\par\r\n5 STATs with a total of  8 shaders (+ a 'lambert' shader).  ";
  Bytes named = FourStats("lambert2"), unnamed = FourStats("lambert2");
  named.Add(Textures({"DXT1", "8888", "8888", "8888", "8888", "8888", "8888"}));
  EXPECT_EQ(Body(named), open +
                             "Number of textures = 7\\par\r\n\\par\r\n"
                             "The LMIP chunks contain at least one ' DXT1 ' - type texture.\\par\r\n");
  // An eighth texture that no parameter names: no format line.
  unnamed.Add(Textures({"RGBA", "DXT1", "8888", "RGBA", "RGBA", "RGBA", "RGBA", "RGBA"}));
  EXPECT_EQ(Body(unnamed), open +
                               "The highest LMIP-tag (6, first tag = 0) does not correspond (!) to the number of "
                               "textures ( 8 ).\\par\r\n");
  // No texture: the open paragraph closes empty; "Lambert" is not "lambert".
  EXPECT_EQ(Body(FourStats("Lambert")),
            "\\par\r\n5 STATs with a total of  8 shaders (no 'lambert' shader present). \\par\r\n");
  // A lighting file needs no materials.
  EXPECT_EQ(Body(Bytes().Tag("LITE").BE32(0).I32(0)),
            "\\par\r\nNumber of background lights ( 0 ) is unequal to three.\\par\r\n\\par\r\n");
  // Elite materials.
  Bytes three;
  three.Add(EliteStat("a", "default", 0, 1, 0)).Add(EliteStat("b", "ship", 7, 0, 0)).Add(EliteStat("c", "fx", 0, 1, 0));
  EXPECT_EQ(Body(three), "\\par\r\nThis is an ' elite ' - type HOD with 3 materials, and 2 shaders.\\par\r\n");
  // Only records of variant word 1 or more show the highest texture index, which names the last.
  const std::string eliteOpen = "\\par\r\nThis is an ' elite ' - type HOD with 2 materials, and 2 shaders. ";
  Bytes counted, skipped, one;
  counted.Add(EliteStat("a", "default", 0, 1, 0, 9)).Add(EliteStat("b", "default", 1, 1, 0, 2));
  EXPECT_EQ(Body(counted.Add(Textures({"RGBA", "RGBA", "RGBA"}))), eliteOpen + "Number of textures = 3\\par\r\n");
  skipped.Add(EliteStat("a", "default", 0, 1, 0, 2)).Add(EliteStat("b", "default", 0, 1, 0, 1));
  EXPECT_EQ(
      Body(skipped.Add(Textures({"RGBA", "RGBA", "RGBA"}))),
      eliteOpen +
          "The number of ' elite ' shaders ( 2 ) does not correspond (!) to the number of textures ( 3 ).\\par\r\n");
  one.Add(EliteStat("a", "matte", 0, 1, 0)).Add(Textures({"RGBA"}));
  EXPECT_EQ(Body(one),
            "\\par\r\nThis is an ' elite ' - type HOD with 1 materials, and 1 shader. Number of textures = 1\\par\r\n");
  // MULT sections: two objects of level 0 only, no LOD1 listing. Levels 2 to 4 get lines; a
  // level outside them counts in the face count only and does not reach the goblin total.
  Bytes form;
  form.Add(Mult("Hull", {Bmsh(0, {{0, 2, 0, {{4, 4}, {4, 5}}}, {7, 2, 0, {{518, 3}}}}),
                         Bmsh(4, {{1, 2, 0, {{518, 12}}}}), Faces(9, 50), Faces(-1, 50), Faces(5, 50)}));
  form.Add(Mult("Fin{1}", {Faces(2, 2, 2), Bmsh(0, {{5, 2, 0, {}}})})).Add(Gobg("g", Faces(0, 10)));
  EXPECT_EQ(Body(form), kNoStat +
                            "\\par\r\n2 MULTs with:\\par\r\n=-----------------=\\par\r\n"
                            "LOD0: 4 faces\\par\r\nLOD2: 2 faces\\par\r\nLOD4: 10 faces\\par\r\n"
                            "Face count (goblins meshes included)  = 176\\par\r\n\\par\r\n"
                            "\\tab Number of LOD0 meshes per object (and their material index):\\par\r\n"
                            "\\tab \\tab MULT( 1 ), BMSH( 1 ), submesh( 1 ) has material_tag 0\\par\r\n"
                            "\\tab \\tab MULT( 1 ), BMSH( 1 ), submesh( 2 ) has material_tag 7\\par\r\n"
                            "\\tab Total of 2 meshes for object Hull\\par\r\n"
                            "\\tab \\tab MULT( 2 ), BMSH( 2 ), submesh( 1 ) has material_tag 5\\par\r\n"
                            "\\tab Total of 1 meshes for object Fin\\{1\\}\\par\r\n"
                            "\\par\r\n1 GOBG chunk with 10 faces in total.\\par\r\n");
  // Lists of 4 and 5 indices make 1 and 2 faces: the sum is rounded after each list.
  Bytes goblins = Gobg("a", Bmsh(0, {{0, 2, 0, {{518, 14}}}, {1, 2, 0, {{4, 4}}}}));
  EXPECT_EQ(Body(goblins.Add(Gobg("b", Faces(3, 2)))), kNoStat + "\\par\r\n2 GOBGs with 15 faces in total.\\par\r\n");
}
