#include <gtest/gtest.h>

#include "report/BuildReport.h"

namespace {

sq::MeshChunk MeshWithLists(int32_t vertexCount, std::vector<std::pair<int32_t, int32_t>> typesAndCounts) {
  sq::MeshChunk chunk;
  sq::MeshPart& part = chunk.parts.emplace_back();
  part.vertexCount = vertexCount;
  for (auto [type, count] : typesAndCounts) part.indexLists.push_back({type, count, {}});
  return chunk;
}

std::string Sections(const sq::Model& model) {
  sq::ReportText report;
  sq::AppendBackgroundSections(model, report);
  return report.body;
}

}  // namespace

TEST(BackgroundReport, AllThreeSectionsByteForByte) {
  sq::Model model;
  model.hasBGMS = model.hasBGSG = model.hasSTRF = true;
  // 36 list indices give 12 faces, a strip of 14 gives 12; 4 and 5 list indices
  // give 1.33 and then 2.67, rounded 1 and 3; any other type counts as a strip: 1 - 2.
  model.bgmsTable = {MeshWithLists(40, {{514, 36}, {518, 14}}), MeshWithLists(7, {{514, 4}, {514, 5}, {513, 1}})};
  model.bgsgTable.resize(2);
  model.bgsgTable[0].recordCount = 24;
  model.bgsgTable[0].textureName = "B02.tga";
  model.bgsgTable[1].recordCount = 0;
  model.bgsgTable[1].textureName = "odd{name}";
  model.strfTable.resize(3);
  model.strfTable[0].starCount = 18;
  model.strfTable[2].starCount = 7;

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
  EXPECT_EQ(Sections(model), expected);
}

TEST(BackgroundReport, FlagsWithEmptyTablesGiveTitlesAndZeroTotals) {
  sq::Model model;
  model.hasBGMS = model.hasBGSG = model.hasSTRF = true;
  EXPECT_EQ(Sections(model),
            "\\par\r\nBGMS reporting:\\par\r\n=-------------------=\\par\r\n\\par\r\n"
            "\\tab \\tab \\tab \\tab Total number of faces : 0 \\par\r\n\\par\r\n"
            "\\par\r\nBGSG reporting:\\par\r\n=-------------------=\\par\r\n"
            "\\par\r\nSTRF reporting:\\par\r\n=------------------=\\par\r\n\\par\r\n"
            "\\tab Total number of point-stars : 0\\par\r\n");

  sq::Model modelHod;  // no background chunk: no section at all
  EXPECT_EQ(Sections(modelHod), "");
}
