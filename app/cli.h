// The command line: `starquill COMMAND ...`, one parser for every command. Each
// command registers its options in one function of its own file and runs once
// the whole line is parsed. Exit status: 0 done, 1 an output could not be
// written (check: a finding that is an error), 2 a refused or unreadable input
// or bad usage. The folder app/ holds the program's front ends over the libraries:
//
//   platform.h                   what a front end does for a person: boxes, a question, progress
//   message_boxes.h              the passes' messages, progress and question shown through it
//   cli.h                        RunCli, the usage text; its commands in cli_<verb>.cpp
//   cli_platform.h               the command line's Platform: stderr lines, answers from flags
//   batch_run.h                  one command over many files and folders, in parallel
//   command_paths.h              the file names the commands accept, and their refusals
//   command_status.h             the window's status line: what a command wrote where
//   report_command.h             the report as a UI-free flow
//   check_command.h              the check as a UI-free flow: the findings of a file
//   dump_command.h               the dump as a UI-free flow: a file's chunks and tables as JSON
//   table_json.h                 the model's tables as JSON, one declaration a record
//   tga_command.h                the builder session and the Tools commands as UI-free flows
//   build_background_command.h   build-background and "Build background" as UI-free flows
//   write_background_command.h   write-background as a UI-free flow
//   export_background_command.h  export-background as a UI-free flow: pictures, cube faces, glTF
//   window_module.h              loads the window module for the window and the preview
//   display_check.h              whether a display can be reached, asked before Qt starts
//   main.cpp                     `starquill`: the window without arguments, else RunCli
//   window/                      what needs the window system (main_window.h lists it)
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace sq {

struct CliStreams {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

// Runs the command line `args` (without the program's name) and returns the exit status.
int RunCli(const std::vector<std::string>& args, CliStreams streams = {});

// A command: its parser, and what runs once the whole line has been parsed.
struct CliCommand {
  CLI::App* parser = nullptr;
  std::function<int(CliStreams)> run;
};
using CliCommands = std::vector<CliCommand>;

// True for a lone argument that names an existing file with ".hod" or ".tga" in
// its name: the window opens on it instead of a command running.
bool OpensInWindow(const std::vector<std::string>& args);

// The commands, each in its own file.
void AddReportCommand(CLI::App& app, CliCommands& commands);
void AddCheckCommand(CLI::App& app, CliCommands& commands);
void AddDumpCommand(CLI::App& app, CliCommands& commands);
void AddWriteBackgroundCommand(CLI::App& app, CliCommands& commands);
void AddTgaCommand(CLI::App& app, CliCommands& commands);
void AddBuildBackgroundCommand(CLI::App& app, CliCommands& commands);
void AddExportBackgroundCommand(CLI::App& app, CliCommands& commands);
// Parsed here, run by the window module, which is loaded only then.
void AddPreviewCommand(CLI::App& app, CliCommands& commands);

// The options every command over many files shares: -r and -j N.
struct BatchOptions;
void AddBatchOptions(CLI::App& command, BatchOptions& options);

// The text of `starquill --help`.
std::string UsageText();

// Of `names`, the one a mistyped `word` most likely meant, or empty when none is
// near: at most a third of its letters changed, added or left out.
std::string ClosestName(std::string_view word, const std::vector<std::string>& names);

}  // namespace sq
