// The command line: `starquill COMMAND ...`. Each command is a function from its
// arguments to an exit status: 0 done, 1 an output could not be written, 2 a
// refused input or bad usage. The folder app/ holds the program's faces over
// the libraries:
//
//   cli.h                        RunCli, the usage text; its commands in cli_<verb>.cpp
//   cli_platform.h               the command line's Platform: stderr lines, answers from flags
//   command_paths.h              the file names the commands accept, and their refusals
//   report_command.h             the report as a UI-free flow
//   tga_command.h                the builder session and the Tools commands as UI-free flows
//   build_background_command.h   build-background and "Build background" as UI-free flows
//   write_background_command.h   write-background as a UI-free flow
//   window_face.h                loads the window module for the window and the preview
//   display_check.h              whether a display can be reached, asked before Qt starts
//   large_heap.h                 the heap set up for the tables of a big file
//   main.cpp                     `starquill`: the window without arguments, else RunCli
//   window/                      what needs the window system (frmStarquill.h lists it)
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sq {

struct CliStreams {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

int RunCli(const std::vector<std::string>& args, CliStreams streams = {});

// Commands, each in its own file.
int CmdReport(const std::vector<std::string>& args, CliStreams streams);
int CmdWriteBackground(const std::vector<std::string>& args, CliStreams streams);
int CmdTga(const std::vector<std::string>& args, CliStreams streams);
int CmdBuildBackground(const std::vector<std::string>& args, CliStreams streams);

// Usage text shared by --help and usage errors.
std::string UsageText();

}  // namespace sq
