#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/write_background_command.h"

namespace sq {

namespace {

struct WriteBackgroundOptions {
  std::string file;
  std::string outDir = ".";
};

int RunWriteBackground(const WriteBackgroundOptions& options, CliStreams streams) {
  if (!MakeOutputFolder(options.outDir, "write-background", streams.err)) return 1;
  CliPlatform platform(streams.err);
  const WriteBackgroundOutcome outcome = WriteBackgroundCommand(options.file, options.outDir, platform);
  if (outcome.replaced) {
    std::fprintf(streams.err, "starquill write-background: replaced the earlier %s\n",
                 outcome.outPath.string().c_str());
  }
  if (outcome.status == CommandOutcome::Status::Written)
    std::fprintf(streams.out, "%s\n", outcome.outPath.string().c_str());
  return ExitStatusOf(outcome);
}

}  // namespace

void AddWriteBackgroundCommand(CLI::App& app, CliCommands& commands) {
  auto options = std::make_shared<WriteBackgroundOptions>();
  CLI::App* command = app.add_subcommand(
      "write-background",
      "Read the background in IN.hod and write it again as BASE.hod (only the writable shape: 16 mesh chunks, "
      "2 star maps, 16 point-star chunks)");
  command->add_option("file", options->file, "The background HOD file")->required();
  command->add_option("--out-dir", options->outDir, "Where BASE.hod goes (default: the current folder)");
  commands.push_back({command, [options](CliStreams streams) { return RunWriteBackground(*options, streams); }});
}

}  // namespace sq
