#include <gtest/gtest.h>

#include "app/report_command.h"
#include "support/chunk_bytes.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

Bytes Background() {
  Bytes b;
  b.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0)));
  return b;
}

}  // namespace

TEST(HodBaseName, PathCases) {
  EXPECT_EQ(sq::HodBaseName("C:\\maps\\m01.hod"), "m01");
  EXPECT_EQ(sq::HodBaseName("C:\\maps\\ship.HOD"), "");
  EXPECT_EQ(sq::HodBaseName("C:\\a.hod.d\\b.hod"), "a");
  EXPECT_EQ(sq::HodBaseName("/data/maps/m01.hod"), "m01");
  EXPECT_EQ(sq::HodBaseName(""), "");
}

TEST(ReportCli, WritesTheReportBesideTheFileAndReplacesItWhole) {
  TempDir dir;
  WriteBytes(dir / "m01.hod", Background());
  const ProcessResult r = Starquill({"report", (dir / "m01.hod").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  const auto report = dir / "m01.HODreport.rtf";
  EXPECT_EQ(r.out, report.string() + "\n");
  EXPECT_EQ(r.err, "");
  const std::string first = ReadText(report);
  EXPECT_EQ(first, kReportHead +
                       "Report on m01 HOD file: this is a BACKGROUND HOD without hierarchy objects.\\par\r\n\\par\r\n"
                       "Absent chunks: LMIP; GOBG; ETSH; GLOW; BURN; MRKR; NAVL; DOCK; ANIM; COLD; \\par\r\n\\par\r\n" +
                       kReportEnd);

  ASSERT_EQ(Starquill({"report", (dir / "m01.hod").string()}, dir).status, 0);
  EXPECT_EQ(ReadText(report), first);
  // A longer report first, then a shorter one from a smaller file of the same name.
  WriteBytes(dir / "m01.hod", Vers(513));
  ASSERT_EQ(Starquill({"report", (dir / "m01.hod").string()}, dir).status, 0);
  ASSERT_GT(ReadText(report).size(), first.size());
  WriteBytes(dir / "m01.hod", Background());
  ASSERT_EQ(Starquill({"report", (dir / "m01.hod").string()}, dir).status, 0);
  EXPECT_EQ(ReadText(report), first);
}

// A name without ".hod" is refused; a folder with ".hod" in its name gives the
// front part; a missing output folder is an error that names the file.
TEST(ReportCli, RefusedNamesFolderNamesAndUnwritableFolders) {
  TempDir dir;
  WriteBytes(dir / "ship.HOD", Background());
  ProcessResult r = Starquill({"report", (dir / "ship.HOD").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Starquill: Please select an Farhold HOD file.\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // nothing written

  const auto hod = dir / "a.hod.d" / "b.hod";
  std::filesystem::create_directories(dir / "a.hod.d");
  WriteBytes(hod, Background());
  TempDir out;
  r = Starquill({"report", hod.string(), "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(out / "a.HODreport.rtf"));

  // Missing: unwritable even for root, who may write anywhere else.
  const auto missing = dir / "no" / "such" / "folder";
  r = Starquill({"report", hod.string(), "--out-dir", missing.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((missing / "a.HODreport.rtf").string()), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(ReportCli, FailedWalkStillWritesTheReportAndSaysWhere) {
  TempDir dir;
  Bytes file = Background();
  file.Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(-5);
  WriteBytes(dir / "bad.hod", file);
  const ProcessResult r = Starquill({"report", (dir / "bad.hod").string()}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "starquill report: the walk ended at byte 52: negative point-star count -5\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "bad.HODreport.rtf"));
}

TEST(Cli, HelpVersionAndUsageErrors) {
  TempDir dir;
  const ProcessResult help = Starquill({"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("starquill report FILE.hod"), std::string::npos);
  const ProcessResult version = Starquill({"--version"}, dir);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("starquill ", 0), 0u);
  EXPECT_EQ(Starquill({"frobnicate"}, dir).status, 2);
  EXPECT_EQ(Starquill({"report"}, dir).status, 2);
  EXPECT_EQ(Starquill({"report", "x.hod", "--bogus"}, dir).status, 2);
}

// The command line runs without the window part: a copy of the executable
// alone in a folder still reports, and only the window commands need the module
// (which brings Qt and OpenGL) beside it.
TEST(ReportCli, RunsWithoutTheWindowModule) {
  TempDir dir;
  const std::filesystem::path alone = dir / "starquill";
  std::filesystem::copy_file(STARQUILL_EXE, alone);
  WriteBytes(dir / "m01.hod", Background());
  const ProcessResult report = RunProgram(alone.string(), {"report", (dir / "m01.hod").string()}, dir.path());
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "m01.HODreport.rtf"));

  const ProcessResult preview = RunProgram(
      alone.string(), {"preview", (dir / "m01.hod").string(), "--screenshot", (dir / "a.png").string()}, dir.path());
  EXPECT_EQ(preview.status, 3);
  EXPECT_EQ(preview.err.rfind("starquill: the window part cannot be loaded: ", 0), 0u) << preview.err;
  EXPECT_NE(preview.err.find("starquill-window.so"), std::string::npos) << preview.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));

  const ProcessResult libraries = RunProgram("readelf", {"-d", STARQUILL_EXE}, dir.path());
  ASSERT_EQ(libraries.status, 0) << libraries.err;
  EXPECT_EQ(libraries.out.find("libQt"), std::string::npos) << libraries.out;
  EXPECT_EQ(libraries.out.find("libGL"), std::string::npos) << libraries.out;
}
