#include <gtest/gtest.h>

#include "report/BuildReport.h"

namespace {

const std::string kFrame =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs20 \\par\r\n";
const std::string kAllAbsent = "Absent chunks: LMIP; GOBG; ETSH; GLOW; BURN; MRKR; NAVL; DOCK; ANIM; COLD; \\par\r\n";

sq::Model ModelOf(int32_t version, uint32_t reversedLength = 8) {
  sq::Model m;
  m.hodHeader.vers = sq::ChunkHeader{"FORM", sq::ByteSwap32(reversedLength), "VERS"};
  m.hodHeader.hodVersion = version;
  return m;
}

std::string Head(const sq::Model& m, std::string_view name = "m01") {
  const std::string doc = sq::BuildReport(m, name);
  const std::size_t end = doc.find("Absent chunks: ");
  return end == std::string::npos ? doc : doc.substr(0, end);
}

}  // namespace

TEST(ReportHead, WorkedExampleOfABackground) {
  const std::string doc = sq::BuildReport(ModelOf(1000), "m01");
  const std::string expected = kFrame +
                               "Report on m01 HOD file: this is a BACKGROUND HOD without hierarchy objects.\\par\r\n"
                               "\\par\r\n" +
                               kAllAbsent;
  ASSERT_GE(doc.size(), expected.size());
  EXPECT_EQ(doc.substr(0, expected.size()), expected);
  // The document ends with the closing brace, "\par" and a line break.
  EXPECT_EQ(doc.substr(doc.size() - 13), "\\par\r\n}\\par\r\n");
}

TEST(ReportHead, ShipLightingAndHierarchy) {
  sq::Model ship = ModelOf(512);
  ship.hierarchyCount = 4;
  EXPECT_EQ(Head(ship), kFrame + "Report on m01 HOD file: containing 4 hierarchy objects.\\par\r\n\\par\r\n");

  sq::Model lighting = ModelOf(512);
  lighting.hasLITE = true;
  lighting.liteCount = 2;
  EXPECT_EQ(Head(lighting),
            kFrame + "Report on m01 HOD file: this is a Background (Lighting) HOD without hierarchy objects.\\par\r\n\\par\r\n");
  const std::string doc = sq::BuildReport(lighting, "m01");
  EXPECT_NE(doc.find("COLD; \\par\r\n\\par\r\nNumber of background lights ( 2 ) is unequal to three.\\par\r\n"),
            std::string::npos);

  lighting.liteCount = 3;
  EXPECT_EQ(sq::BuildReport(lighting, "m01").find("Number of background lights"), std::string::npos);
}

TEST(ReportHead, UnusualVersionAndLength) {
  EXPECT_EQ(Head(ModelOf(513)), kFrame +
                                    "Report on m01 HOD file: \\par\r\n"
                                    "Unusual HOD version ! (Long): 513\\par\r\n"
                                    " without hierarchy objects.\\par\r\n\\par\r\n");
  EXPECT_EQ(Head(ModelOf(1000, 12)), kFrame +
                                         "Report on m01 HOD file: \\par\r\n"
                                         "Unusual HOD file length ! (Long, reversed): 12\\par\r\n"
                                         "this is a BACKGROUND HOD without hierarchy objects.\\par\r\n\\par\r\n");
  // An empty model (no VERS at all) reports both.
  EXPECT_EQ(Head(sq::Model{}), kFrame +
                                   "Report on m01 HOD file: \\par\r\n"
                                   "Unusual HOD file length ! (Long, reversed): 0\\par\r\n\\par\r\n"
                                   "Unusual HOD version ! (Long): 0\\par\r\n"
                                   " without hierarchy objects.\\par\r\n\\par\r\n");
}

TEST(ReportHead, InfoTextsAreEscapedForRtf) {
  sq::Model m = ModelOf(512);
  m.infoWarning = true;
  m.infoWarningText = "check {this}";
  m.infoError = true;
  m.infoErrorText = "bad\\path\x01\xe9";
  EXPECT_EQ(Head(m), kFrame +
                         "Report on m01 HOD file:  without hierarchy objects.\\par\r\n\\par\r\n"
                         "HOD contains warning:  'check \\{this\\}'.\\par\r\n\\par\r\n"
                         "HOD contains error message:  'bad\\\\path\\'01\\'e9'.\\par\r\n\\par\r\n");
}

TEST(ReportHead, AbsentLineListsOnlyMissingChunks) {
  sq::Model m = ModelOf(512);
  m.hasLMIP = m.hasGOBG = m.hasETSH = m.hasGLOW = m.hasBURN = m.hasMRKR = m.hasNAVL = m.hasDOCK = m.hasANIM = true;
  const std::string doc = sq::BuildReport(m, "m01");
  EXPECT_NE(doc.find("Absent chunks: COLD; \\par\r\n"), std::string::npos);
}
