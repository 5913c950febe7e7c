#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/cli.h"
#include "app/command_paths.h"
#include "app/display_check.h"
#include "app/report_command.h"
#include "support/chunk_bytes.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

Bytes Background() { return Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))); }

}  // namespace

// A file handed over whole: its own name decides, the folders do not; the ending
// wins, else the first named; every picture the load reads is a sky image. The base
// name stands before the first ".hod", behind the last separator of either kind.
TEST(CommandPaths, KindOfFileBaseNameAndWhatOpensInAWindow) {
  EXPECT_EQ(sq::HodBaseName("C:\\a.hod.d\\b.hod"), "a");
  using enum sq::FileKind;
  using P = std::pair<const char*, sq::FileKind>;
  for (const auto& [name, kind] :
       {P("/maps.tga/m01.hod", Hod), P("/maps.hod/sky.tga", Targa), P("sky.tga.hod", Hod), P("sky.hod.tga", Targa),
        P("sky.hod.bak", Hod), P("sky.tga.hod.bak", Targa), P("SKY.TGA", Other), P("/maps.hod/sky.exr", Targa),
        P("sky.png.bak", Other), P("/maps.hod/notes.txt", Other)}) {
    EXPECT_EQ(sq::KindOfFile(name), kind) << name;
  }
  // Only a lone existing HOD or TGA file opens in the window.
  TempDir dir;
  WriteBytes(dir / "m01.hod", Background());
  WriteBytes(dir / "notes.txt", Background());
  std::filesystem::create_directory(dir / "maps.hod");
  EXPECT_TRUE(sq::OpensInWindow({(dir / "m01.hod").string()}));
  EXPECT_FALSE(sq::OpensInWindow({(dir / "m01.hod").string(), "--out-dir"}));
  EXPECT_FALSE(sq::OpensInWindow({(dir / "maps.hod").string()}));  // a folder
  EXPECT_FALSE(sq::OpensInWindow({(dir / "notes.txt").string()}));
}

// A name without ".hod" is refused before anything is written; an output that
// cannot be written is an error that names the report.
TEST(ReportCli, RefusedNamesUnwritableFoldersAndNoWindowModule) {
  TempDir dir;
  WriteBytes(dir / "ship.HOD", Background());
  ProcessResult r = Starquill({"report", (dir / "ship.HOD").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string(sq::kAppTitle) + ": " + std::string(sq::kSelectHodFile) + "\n");
  EXPECT_EQ(FileCount(dir.path()), 1);  // nothing written
  // A report whose name a folder takes cannot be written, even by root; its base name is "a".
  WriteBytes(dir / "a.hod.d" / "b.hod", Background());
  const std::string input = (dir / "a.hod.d" / "b.hod").string();
  const auto taken = dir / "taken";
  std::filesystem::create_directories(taken / "a.HODreport.rtf");
  r = Starquill({"report", input, "--out-dir", taken.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(sq::kAppTitle) + ": The report could not be written: cannot write " +
                       (taken / "a.HODreport.rtf").string() + ": " + std::strerror(EISDIR) + "\n");
  // A folder named by --out-dir is made when missing; one below a file cannot be.
  const auto made = dir / "no" / "such" / "folder", blocked = dir / "ship.HOD" / "out";
  r = Starquill({"report", input, "--out-dir", made.string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (made / "a.HODreport.rtf").string() + "\n");
  r = Starquill({"report", input, "--out-dir", blocked.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "starquill report: cannot make the output folder " + blocked.string() + ": " +
                       std::strerror(ENOTDIR) + "\n");
  // The command line runs without the window part: a copy of the executable alone in a folder
  // still writes the report beside the file, and only the window commands need the module
  // (which brings Qt and OpenGL) beside it.
  const std::filesystem::path alone = dir / "starquill";
  std::filesystem::copy_file(STARQUILL_EXE, alone);
  WriteBytes(dir / "m01.hod", Background());
  const ProcessResult report = RunProgram(alone.string(), {"report", (dir / "m01.hod").string()}, dir.path());
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(report.out, (dir / "m01.HODreport.rtf").string() + "\n");
  EXPECT_EQ(report.err, "");
  EXPECT_EQ(ReadText(dir / "m01.HODreport.rtf"),
            kReportHead +
                "Report on m01 HOD file: this is a BACKGROUND HOD without hierarchy objects.\\par\r\n\\par\r\n"
                "Absent chunks: LMIP; GOBG; ETSH; GLOW; BURN; MRKR; NAVL; DOCK; ANIM; COLD; \\par\r\n\\par\r\n" +
                kReportEnd);
#ifdef STARQUILL_HAS_WINDOW
  const ProcessResult preview = RunProgram(
      alone.string(), {"preview", (dir / "m01.hod").string(), "--screenshot", (dir / "a.png").string()}, dir.path());
  EXPECT_EQ(preview.status, 3);
  EXPECT_EQ(preview.err.rfind("starquill: the window part cannot be loaded: ", 0), 0u) << preview.err;
  EXPECT_NE(preview.err.find("starquill-window.so"), std::string::npos) << preview.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
#endif
  const ProcessResult libraries = RunProgram("readelf", {"-d", STARQUILL_EXE}, dir.path());
  ASSERT_EQ(libraries.status, 0) << libraries.err;
  EXPECT_EQ(libraries.out.find("libQt"), std::string::npos) << libraries.out;
  EXPECT_EQ(libraries.out.find("libGL"), std::string::npos) << libraries.out;
}

// The display problem read from the environment, trying local sockets. Without a display the
// window and the preview end with one line of ours and status 1, before the window system
// starts (Qt would abort with its own text).
TEST(WindowCli, TheDisplayProblemAndNoDisplayEndsWithOneLineBeforeTheWindowSystemStarts) {
  EXPECT_EQ(sq::DisplayProblem({}), "neither DISPLAY nor WAYLAND_DISPLAY is set");
  // A platform chosen by hand and a display on another host are taken on trust.
  EXPECT_EQ(sq::DisplayProblem({"", "", "offscreen", ""}), "");
  EXPECT_EQ(sq::DisplayProblem({"otherhost:0", "", "", ""}), "");
  // No X server listens on display 64999.
  EXPECT_EQ(sq::DisplayProblem({":64999", "", "", ""}), "no X server listens for DISPLAY=:64999");
  EXPECT_EQ(sq::DisplayProblem({"unix:64999.0", "", "", ""}), "no X server listens for DISPLAY=unix:64999.0");
  TempDir sockets;
  EXPECT_EQ(sq::DisplayProblem({"", "wayland-9", "", sockets.path().string()}),
            "no Wayland compositor listens at " + (sockets / "wayland-9").string());
  // Once something listens there, the display is taken as reachable.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = (sockets / "wayland-9").string();
  ASSERT_LT(name.size(), sizeof(address.sun_path));
  std::memcpy(address.sun_path, name.c_str(), name.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_NE(sq::DisplayProblem({"", "wayland-9", "", sockets.path().string()}), "");  // bound, not listening
  ASSERT_EQ(::listen(fd, 1), 0);
  EXPECT_EQ(sq::DisplayProblem({"", "wayland-9", "", sockets.path().string()}), "");
  ::close(fd);
#ifndef STARQUILL_HAS_WINDOW
  GTEST_SKIP() << "built without the window";
#endif
  TempDir dir;
  WriteBytes(dir / "m01.hod", Background());
  const std::string expected = sq::NoDisplayLine("neither DISPLAY nor WAYLAND_DISPLAY is set") + "\n";
  const std::vector<std::vector<std::string>> commands = {
      {}, {"preview", (dir / "m01.hod").string(), "--screenshot", (dir / "a.png").string()}};
  for (const auto& args : commands) {
    std::vector<std::string> all = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", STARQUILL_EXE};
    all.insert(all.end(), args.begin(), args.end());
    const ProcessResult r = RunProgram("env", all, dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.err.rfind("Starquill: no display: ", 0), 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
  // Usage errors still come first, with their own status.
  const ProcessResult usage = RunProgram("env", {"-u", "DISPLAY", STARQUILL_EXE, "preview", "--bogus"}, dir.path());
  EXPECT_EQ(usage.status, 2);
}

// Every tool of ours answers --help with its usage and refuses what it does not know
// before writing anything.
TEST(ToolsCli, HelpUnknownOptionsAndWrongArguments) {
  std::vector<std::string> tools = {"make_sample",     "make_sky_tga",   "make_startex",
                                    "make_fuzz_seeds", "make_big_model", "make_big_background"};
  for (const char* windowTool : {"make_icon", "make_picture_png"}) {
    if (std::filesystem::exists(std::filesystem::path(TOOLS_DIR) / windowTool)) tools.push_back(windowTool);
  }
  for (const std::string& tool : tools) {
    SCOPED_TRACE(tool);
    TempDir dir;
    const std::string out = (dir / "s.tga").string(), usage = "Usage: " + tool + " ";
    // Each line with its status and how what it prints starts (on stdout for status 0, else on stderr).
    std::vector<std::tuple<std::vector<std::string>, int, std::string>> lines = {
        {{"--help"}, 0, usage},
        {{"--bogus", out}, 2, tool + ": unknown option '--bogus'\n" + usage},
        {{}, 2, tool + ": wrong number of arguments\n" + usage},
        {std::vector<std::string>(17, out), 2, tool + ": "},
    };
    if (tool == "make_sky_tga") lines.insert(lines.end(), {{{out, "1024x", "512"}, 2, tool}, {{out, "1024"}, 2, tool}});
    for (const auto& [args, status, start] : lines) {
      const ProcessResult r = RunProgram((std::filesystem::path(TOOLS_DIR) / tool).string(), args, dir.path());
      EXPECT_EQ(r.status, status) << args.size();
      EXPECT_EQ((status == 0 ? r.out : r.err).rfind(start, 0), 0u) << r.out << r.err;
    }
    // Nothing was written (RunProgram removes the files it catches the streams in).
    EXPECT_EQ(FileCount(dir.path()), 0);
  }
}

// The one parser of the command line: help for every command, and the version.
TEST(ParserCli, HelpForEveryCommandTheVersionAndAPathNamedLikeACommand) {
  TempDir dir;
  const ProcessResult help = Starquill({"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  std::vector<std::string> commands = {"report", "check", "dump", "write-background", "tga", "build-background"};
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
  // One command a line: a later word that names a command is a path.
  WriteBytes(dir / "check" / "a.hod", Vers(1000));
  const ProcessResult paths = RunProgram(
      "sh", {"-c", "cd " + ShellQuote(dir.path().string()) + " && " + STARQUILL_EXE + " check check"}, dir.path());
  EXPECT_EQ(paths.status, 0) << paths.err;
  EXPECT_EQ(paths.err, "1 file: 1 clean, 0 with warnings, 0 with errors, 0 unreadable\n");
}

// Usage errors are refused before anything is read or written, with what a mistyped word
// most likely meant.
TEST(ParserCli, UsageErrorsEndWithStatusTwo) {
  TempDir dir;
  WriteBytes(dir / "a.hod", Vers(1000));
  const std::string a = (dir / "a.hod").string();
  const std::string run = "Run 'starquill --help' for the commands.\n";
  struct Line {
    std::vector<std::string> args;
    std::string err;  // when empty: the parser's words, between the command's name and its help
  };
  std::vector<Line> lines = {{{"reprot", a}, "starquill: unknown command 'reprot'\nDid you mean 'report'?\n" + run},
                             {{"zzzzzz"}, "starquill: unknown command 'zzzzzz'\n" + run},
                             {{"check", "--warnings-as-error", a},
                              "starquill check: The following argument was not expected: --warnings-as-error\n"
                              "Did you mean '--warnings-as-errors'?\nRun 'starquill check --help' for its options.\n"}};
  using A = std::vector<std::string>;
  for (const A& args :
       {A({"check"}), A({"check", "-j", "0", a}), A({"dump", "--format", "xml", a}), A({"report", a, "--out-dir"}),
        A({"report", a, "--sound-test=maybe"}), A({"tga", "x.tga", "--filter", "--no-filter"}), A({"build-background"}),
        A({"build-background", a, "--density", "3"}), A({"build-background", a, "--more-stars", "--less-stars"}),
        A({"build-background", a, "--filter", "--no-filter"}), A({"write-background", a, "b.hod"})}) {
    lines.push_back({args, ""});
  }
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
