#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>

#include "app/batch_run.h"
#include "app/cli.h"
#include "app/dump_command.h"

namespace sq {

namespace {

struct DumpCliOptions {
  std::vector<std::string> inputs;
  std::string format = "json";
  DumpOptions dump;
  BatchOptions batch;
};

// One file's dump. In a batch an unreadable file still gives its entry (its path
// and the reason), so the list holds one entry a file.
FileResult DumpOne(const BatchInput& input, const DumpCliOptions& options, bool batch) {
  CapturedOutput captured;
  const CliStreams out = captured.streams();
  const DumpOutcome outcome = DumpFile(input.path, options.dump);
  if (outcome.readable || batch) {
    const std::string text = options.format == "tree" ? DumpTree(outcome.document) : DumpJson(outcome.document) + "\n";
    std::fwrite(text.data(), 1, text.size(), out.out);
  }
  if (!outcome.readable) {
    std::fprintf(out.err, "starquill dump: %s\n", outcome.document["error"].get<std::string>().c_str());
    return captured.Finish(FileVerdict::Unreadable, 2);
  }
  return captured.Finish(VerdictOf(outcome.findings), 0);
}

int RunDump(const DumpCliOptions& options, CliStreams streams) {
  const BatchInputs inputs = CollectInputs(options.inputs, options.batch.recursive);
  const FileJob job = [&](const BatchInput& input) { return DumpOne(input, options, inputs.batch); };
  const bool json = options.format == "json";
  // Several files make one JSON document: an object whose "files" list holds one
  // document a file, in input order.
  if (json && inputs.batch) {
    std::fprintf(streams.out, "{\n\"format_version\": %d,\n\"files\": [\n", kDumpFormatVersion);
  }
  const int status = RunBatch(inputs, options.batch.jobs, job, streams, json ? ",\n" : "\n").status;
  if (json && inputs.batch) std::fputs("]\n}\n", streams.out);
  if (std::fflush(streams.out) != 0) {
    std::fprintf(streams.err, "starquill dump: the output could not be written\n");
    return std::max(status, 1);
  }
  return status;
}

}  // namespace

void AddDumpCommand(CLI::App& app, CliCommands& commands) {
  auto options = std::make_shared<DumpCliOptions>();
  CLI::App* command = app.add_subcommand(
      "dump", "Print the chunk tree of HOD files as the walk met it, and where and why the walk ended");
  command->add_option("files", options->inputs, "HOD files, and folders whose *.hod files are taken")
      ->required()
      ->type_name("PATH");
  command->add_option("--format", options->format, "json (one document; the default) or tree (an indented view)")
      ->check(CLI::IsMember({"json", "tree"}));
  command->add_flag("--tables", options->dump.tables, "Add every table read, its fields named as the model names them");
  command->add_flag("--sound-test", options->dump.soundTest,
                    "Read VARY corners in the 24-byte layout of neu_soundtest.hod");
  AddBatchOptions(*command, options->batch);
  commands.push_back({command, [options](CliStreams streams) { return RunDump(*options, streams); }});
}

}  // namespace sq
