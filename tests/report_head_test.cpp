#include <gtest/gtest.h>

#include "report/BuildReport.h"
#include "testkit.h"

using sqtest::kReportHead;

namespace {

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

TEST(ReportHead, ShipLightingAndHierarchy) {
  sq::Model ship = ModelOf(512);
  ship.hierarchyCount = 4;
  EXPECT_EQ(Head(ship), kReportHead + "Report on m01 HOD file: containing 4 hierarchy objects.\\par\r\n\\par\r\n");

  sq::Model lighting = ModelOf(512);
  lighting.hasLITE = true;
  lighting.liteCount = 2;
  EXPECT_EQ(Head(lighting),
            kReportHead + "Report on m01 HOD file: this is a Background (Lighting) HOD without hierarchy objects.\\par\r\n\\par\r\n");
  lighting.liteCount = 3;  // three lights need no remark
  EXPECT_EQ(sq::BuildReport(lighting, "m01").find("Number of background lights"), std::string::npos);
}

TEST(ReportHead, UnusualVersionAndLength) {
  EXPECT_EQ(Head(ModelOf(513)), kReportHead +
                                    "Report on m01 HOD file: \\par\r\n"
                                    "Unusual HOD version ! (Long): 513\\par\r\n"
                                    " without hierarchy objects.\\par\r\n\\par\r\n");
  EXPECT_EQ(Head(ModelOf(1000, 12)), kReportHead +
                                         "Report on m01 HOD file: \\par\r\n"
                                         "Unusual HOD file length ! (Long, reversed): 12\\par\r\n"
                                         "this is a BACKGROUND HOD without hierarchy objects.\\par\r\n\\par\r\n");
  // An empty model (no VERS at all) reports both.
  EXPECT_EQ(Head(sq::Model{}), kReportHead +
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
  EXPECT_EQ(Head(m), kReportHead +
                         "Report on m01 HOD file:  without hierarchy objects.\\par\r\n\\par\r\n"
                         "HOD contains warning:  'check \\{this\\}'.\\par\r\n\\par\r\n"
                         "HOD contains error message:  'bad\\\\path\\'01\\'e9'.\\par\r\n\\par\r\n");
}
