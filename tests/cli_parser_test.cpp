// The one parser of the command line: help for every command, what a mistyped
// word most likely meant, and status 2 for every usage error.
#include <gtest/gtest.h>

#include "tests/test_kit.h"

using namespace sqtest;

TEST(ParserCli, EveryCommandAnswersHelpWithItsOptions) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
      {"report", {"--out-dir", "--sound-test", "-r,--recursive", "-j,--jobs"}},
      {"check", {"--warnings-as-errors", "-r,--recursive", "-j,--jobs"}},
      {"dump", {"--format", "--tables", "-j,--jobs"}},
      {"write-background", {"--out-dir"}},
      {"tga", {"--filter", "--no-filter", "--save-halftoned", "--save-filtered"}},
      {"preview", {"--screenshot", "--size", "--seconds", "--layers"}},
  };
  // The preview is a command only where the window part is built.
  const bool window =
      std::filesystem::exists(std::filesystem::path(STARQUILL_EXE).parent_path() / "starquill-window.so");
  for (const auto& [command, options] : commands) {
    SCOPED_TRACE(command);
    if (command == "preview" && !window) continue;
    const ProcessResult r = Starquill({command, "--help"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: starquill " + command + " [OPTIONS]"), std::string::npos) << r.out;
    for (const std::string& option : options) EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
  // The program's own help names every command.
  const ProcessResult help = Starquill({"--help"}, dir);
  for (const auto& [command, options] : commands) {
    EXPECT_NE(help.out.find("starquill " + command + " "), std::string::npos) << command;
  }
}

TEST(ParserCli, MistypedWordsAreNamedWithWhatWasMeant) {
  TempDir dir;
  ProcessResult r = Starquill({"reprot", "x.hod"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "starquill: unknown command 'reprot'\nDid you mean 'report'?\nRun 'starquill --help' for the commands.\n");
  r = Starquill({"zzzzzz"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.find("Did you mean"), std::string::npos);

  r = Starquill({"check", "--warnings-as-error", "x.hod"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--warnings-as-error"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Did you mean '--warnings-as-errors'?"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

// Usage errors are refused before anything is read or written.
TEST(ParserCli, UsageErrorsEndWithStatusTwo) {
  TempDir dir;
  WriteBytes(dir / "a.hod", Vers(1000));
  const std::string a = (dir / "a.hod").string();
  for (const std::vector<std::string>& line : {std::vector<std::string>{"check"},
                                               {"check", "-j", "0", a},
                                               {"check", "-j", "many", a},
                                               {"dump", "--format", "xml", a},
                                               {"report", a, "--out-dir"},
                                               {"report", a, "--sound-test=maybe"},
                                               {"tga", "x.tga", "--filter", "--no-filter"},
                                               {"write-background", a, "b.hod"}}) {
    const ProcessResult r = Starquill(line, dir);
    EXPECT_EQ(r.status, 2) << line[0] << " " << r.err;
    EXPECT_EQ(r.out, "");
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
