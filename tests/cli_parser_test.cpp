// The one parser of the command line: help for every command, what a mistyped
// word most likely meant, and status 2 for every usage error.
#include <gtest/gtest.h>

#include "tests/test_kit.h"

using namespace sqtest;

TEST(ParserCli, HelpForEveryCommandAndTheVersion) {
  TempDir dir;
  const ProcessResult help = Starquill({"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  std::vector<std::string> commands = {"report", "check", "dump", "write-background", "tga"};
  // The preview is a command only where the window part is built.
  if (std::filesystem::exists(std::filesystem::path(STARQUILL_EXE).parent_path() / "starquill-window.so")) {
    commands.push_back("preview");
  }
  for (const std::string& command : commands) {
    const ProcessResult r = Starquill({command, "--help"}, dir);
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find("Usage: starquill " + command + " [OPTIONS]"), std::string::npos) << r.out;
    EXPECT_NE(help.out.find("starquill " + command + " "), std::string::npos) << command;
  }
  const ProcessResult version = Starquill({"--version"}, dir);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("starquill ", 0), 0u);
}

// Usage errors are refused before anything is read or written: our own words for
// an unknown command, else the parser's between the command's name and where to
// find its options; both with what a mistyped word most likely meant.
TEST(ParserCli, UsageErrorsEndWithStatusTwo) {
  TempDir dir;
  WriteBytes(dir / "a.hod", Vers(1000));
  const std::string a = (dir / "a.hod").string();
  const std::string run = "Run 'starquill --help' for the commands.\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> lines = {
      {{"reprot", a}, "starquill: unknown command 'reprot'\nDid you mean 'report'?\n" + run},
      {{"zzzzzz"}, "starquill: unknown command 'zzzzzz'\n" + run},
      {{"check", "--warnings-as-error", a},
       "starquill check: The following argument was not expected: --warnings-as-error\n"
       "Did you mean '--warnings-as-errors'?\nRun 'starquill check --help' for its options.\n"},
      {{"check"}, ""},
      {{"check", "-j", "0", a}, ""},
      {{"check", "-j", "many", a}, ""},
      {{"dump", "--format", "xml", a}, ""},
      {{"report", a, "--out-dir"}, ""},
      {{"report", a, "--sound-test=maybe"}, ""},
      {{"report", a, "--bogus"}, ""},
      {{"tga", "x.tga", "--filter", "--no-filter"}, ""},
      {{"write-background", a, "b.hod"}, ""},
  };
  for (const auto& [line, err] : lines) {
    const ProcessResult r = Starquill(line, dir);
    EXPECT_EQ(r.status, 2) << line[0] << " " << r.err;
    EXPECT_EQ(r.out, "");
    if (!err.empty()) {
      EXPECT_EQ(r.err, err);
    } else {
      EXPECT_TRUE(r.err.starts_with("starquill " + line[0] + ": ")) << r.err;
      EXPECT_TRUE(r.err.ends_with("\nRun 'starquill " + line[0] + " --help' for its options.\n")) << r.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "a.HODreport.rtf"));
}

// One command a line: a later word that names a command is a path.
TEST(ParserCli, AWordNamingACommandLaterIsAPath) {
  TempDir dir;
  std::filesystem::create_directories(dir / "check");
  WriteBytes(dir / "check" / "a.hod", Vers(1000));
  const ProcessResult r = RunProgram(
      "sh", {"-c", "cd " + ShellQuote(dir.path().string()) + " && " + STARQUILL_EXE + " check check"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "1 file: 1 clean, 0 with warnings, 0 with errors, 0 unreadable\n");
}
