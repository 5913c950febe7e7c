#include "app/cli.h"

#include <string>

#include "app/cli_platform.h"
#include "app/report_command.h"

namespace sq {

int CmdReport(const std::vector<std::string>& args, CliStreams streams) {
  std::string file;
  std::filesystem::path outDir;
  bool soundTest = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--out-dir" && i + 1 < args.size()) {
      outDir = args[++i];
    } else if (a == "--sound-test") {
      soundTest = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(streams.err, "starquill report: unknown option '%s'\n", a.c_str());
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      std::fprintf(streams.err, "starquill report: more than one file given\n");
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(
        streams.err,
        "starquill report: no HOD file given\nUsage: starquill report FILE.hod [--out-dir DIR] [--sound-test]\n");
    return 2;
  }
  if (outDir.empty()) outDir = FolderOf(file);

  CliPlatform platform(streams.err);
  Model model;
  const ReportOutcome outcome = ReportCommand(model, file, outDir, soundTest, platform);
  switch (outcome.status) {
    case ReportOutcome::Status::Refused:
      return 2;
    case ReportOutcome::Status::WriteFailed:
      return 1;
    case ReportOutcome::Status::Written:
      break;
  }
  if (outcome.walk.failed) {
    std::fprintf(streams.err, "starquill report: the walk ended at byte %zu: %s\n", outcome.walk.offset,
                 outcome.walk.reason.c_str());
  }
  std::fprintf(streams.out, "%s\n", outcome.reportPath.string().c_str());
  return 0;
}

}  // namespace sq
