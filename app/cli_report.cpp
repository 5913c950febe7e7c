#include <CLI/CLI.hpp>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "app/batch_run.h"
#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/report_command.h"

namespace sq {

namespace {

namespace fs = std::filesystem;

struct ReportOptions {
  std::vector<std::string> inputs;
  std::string outDir;
  bool soundTest = false;
  BatchOptions batch;
};

// One file's report, printed to `streams` as a run on that file alone prints it.
// Returns the exit status; `verdict`, when given, receives how the file fared.
int ReportFile(const fs::path& file, const fs::path& outDir, bool soundTest, CliStreams streams, FileVerdict* verdict) {
  CliPlatform platform(streams.err);
  Model model;
  WalkRecord record;
  const ReportOutcome outcome =
      ReportCommand(model, file, outDir, soundTest, platform, verdict != nullptr ? &record : nullptr);
  const bool sideFilesFailed = !outcome.sideFileFailures.empty();
  if (verdict != nullptr) {
    *verdict =
        outcome.status == ReportOutcome::Status::Written && !sideFilesFailed
            ? VerdictOf(FileFindings(outcome.walk, record, model))
        : outcome.status == ReportOutcome::Status::Written || outcome.status == ReportOutcome::Status::WriteFailed
            ? FileVerdict::Errors
            : FileVerdict::Unreadable;
  }
  // One line for each side file that is missing or short, after the report's path.
  const auto nameFailures = [&] {
    for (const ExportFailure& failure : outcome.sideFileFailures) {
      std::fprintf(streams.err, "starquill report: side file not written: %s\n", failure.reason.c_str());
    }
  };
  if (outcome.status != ReportOutcome::Status::Written) {
    nameFailures();
    return ExitStatusOf(outcome);
  }
  if (outcome.walk.failed) {
    std::fprintf(streams.err, "starquill report: the walk ended at byte %zu: %s\n", outcome.walk.offset,
                 outcome.walk.reason.c_str());
  }
  std::fprintf(streams.out, "%s\n", outcome.reportPath.string().c_str());
  nameFailures();
  return sideFilesFailed ? 1 : 0;
}

// Where a file of a batch writes: a folder of its own, named after its base name,
// below the folders between the argument and the file. The root is --out-dir, or
// the folder the argument names (a file argument: the folder that holds it).
fs::path BatchFolder(const BatchInput& input, const std::string& outDir) {
  const fs::path root = !outDir.empty()    ? fs::path(outDir)
                        : input.fromFolder ? input.argument
                                           : FolderOf(input.argument);
  return root / input.relative.parent_path() / SafeFileName(HodBaseName(input.relative.filename().string()));
}

int RunReport(const ReportOptions& options, CliStreams streams) {
  const BatchInputs inputs = CollectInputs(options.inputs, options.batch.recursive);
  if (!inputs.batch) {
    const fs::path& file = inputs.files.front().path;
    if (!options.outDir.empty() && !MakeOutputFolder(options.outDir, "report", streams.err)) return 1;
    return ReportFile(file, options.outDir.empty() ? FolderOf(file) : fs::path(options.outDir), options.soundTest,
                      streams, nullptr);
  }

  // Two files whose outputs would share a folder (one base name in one folder, or
  // two files named with one base name) would mix their side files: the later one
  // is not written.
  std::vector<fs::path> folders;
  std::vector<std::string> sharedWith(inputs.files.size());
  std::map<fs::path, std::size_t> firstOf;
  for (const BatchInput& input : inputs.files) {
    folders.push_back(BatchFolder(input, options.outDir).lexically_normal());
    if (HodBaseName(input.relative.filename().string()).empty()) continue;  // refused by name anyway
    const auto [at, added] = firstOf.emplace(folders.back(), input.index);
    if (!added) sharedWith[input.index] = inputs.files[at->second].path.string();
  }

  const FileJob job = [&](const BatchInput& input) {
    CapturedOutput captured;
    const CliStreams out = captured.streams();
    const fs::path& folder = folders[input.index];
    if (!sharedWith[input.index].empty()) {
      std::fprintf(out.err, "starquill report: not written: its outputs would go to %s, where those of %s go\n",
                   folder.string().c_str(), sharedWith[input.index].c_str());
      return captured.Finish(FileVerdict::Unreadable, 2);
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
      std::fprintf(out.err, "starquill report: cannot make the output folder %s: %s\n", folder.string().c_str(),
                   ec.message().c_str());
      return captured.Finish(FileVerdict::Errors, 1);
    }
    FileVerdict verdict = FileVerdict::Clean;
    const int status = ReportFile(input.path, folder, options.soundTest, out, &verdict);
    return captured.Finish(verdict, status);
  };
  return RunBatch(inputs, options.batch.jobs, job, streams).status;
}

}  // namespace

void AddReportCommand(CLI::App& app, CliCommands& commands) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* command = app.add_subcommand("report", "Walk HOD files and write each one's RTF report and side exports");
  command->add_option("files", options->inputs, "HOD files, and folders whose *.hod files are taken")
      ->required()
      ->type_name("PATH");
  command->add_option("--out-dir", options->outDir,
                      "Where the report and side exports go (default: beside the file); with several files, "
                      "each file's go to a folder of its own below it");
  command->add_flag("--sound-test", options->soundTest, "Read VARY corners in the 24-byte layout of neu_soundtest.hod");
  AddBatchOptions(*command, options->batch);
  commands.push_back({command, [options](CliStreams streams) { return RunReport(*options, streams); }});
}

}  // namespace sq
