// The command line: `starquill COMMAND ...`. Each command is a function from its
// arguments to an exit status: 0 done, 1 an output could not be written, 2 a
// refused input or bad usage.
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

// Usage text shared by --help and usage errors.
std::string UsageText();

}  // namespace sq
