#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/batch_run.h"
#include "app/check_command.h"
#include "app/cli.h"

namespace sq {

namespace {

struct CheckOptions {
  std::vector<std::string> inputs;
  bool warningsAsErrors = false;
  bool soundTest = false;
  BatchOptions batch;
};

// One file's findings, a line each on stdout. Status 0 clean or with warnings,
// 1 with an error (or a warning, when warnings count as errors), 2 unreadable.
FileResult CheckOne(const BatchInput& input, const CheckOptions& options) {
  CapturedOutput captured;
  const CliStreams out = captured.streams();
  const CheckOutcome outcome = CheckFile(input.path, options.soundTest);
  if (!outcome.readable) {
    std::fprintf(out.err, "starquill check: %s\n", outcome.error.c_str());
    return captured.Finish(FileVerdict::Unreadable, 2);
  }
  for (const CheckFinding& finding : outcome.findings) {
    std::fprintf(out.out, "%s\n", FindingLine(input.path.string(), finding).c_str());
  }
  const FileVerdict verdict = VerdictOf(outcome.findings);
  const bool failed = verdict == FileVerdict::Errors || (verdict == FileVerdict::Warnings && options.warningsAsErrors);
  return captured.Finish(verdict, failed ? 1 : 0);
}

}  // namespace

void AddCheckCommand(CLI::App& app, CliCommands& commands) {
  auto options = std::make_shared<CheckOptions>();
  CLI::App* command = app.add_subcommand(
      "check", "Walk HOD files and print every finding as PATH:OFFSET: error|warning: TEXT; writes nothing else");
  command->add_option("files", options->inputs, "HOD files, and folders whose *.hod files are taken")
      ->required()
      ->type_name("PATH");
  command->add_flag("--warnings-as-errors", options->warningsAsErrors, "End with status 1 on a warning too");
  command->add_flag("--sound-test", options->soundTest, "Read VARY corners in the 24-byte layout of neu_soundtest.hod");
  AddBatchOptions(*command, options->batch);
  commands.push_back({command, [options](CliStreams streams) {
                        const BatchInputs inputs = CollectInputs(options->inputs, options->batch.recursive);
                        const FileJob job = [&](const BatchInput& input) { return CheckOne(input, *options); };
                        return RunBatch(inputs, options->batch.jobs, job, streams).status;
                      }});
}

}  // namespace sq
