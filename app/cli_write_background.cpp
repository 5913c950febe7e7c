#include "app/cli.h"

#include <string>

#include "app/cli_platform.h"
#include "app/write_background_command.h"

namespace sq {

int CmdWriteBackground(const std::vector<std::string>& args, CliStreams streams) {
  static const char* const kUsage = "Usage: starquill write-background IN.hod [--out-dir DIR]\n";
  std::string file;
  std::filesystem::path outDir = ".";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--out-dir" && i + 1 < args.size()) {
      outDir = args[++i];
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(streams.err, "starquill write-background: unknown option '%s'\n%s", a.c_str(), kUsage);
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      std::fprintf(streams.err, "starquill write-background: more than one file given\n%s", kUsage);
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(streams.err, "starquill write-background: no HOD file given\n%s", kUsage);
    return 2;
  }

  CliPlatform platform(streams.err);
  const WriteBackgroundOutcome outcome = WriteBackgroundCommand(file, outDir, platform);
  switch (outcome.status) {
    case WriteBackgroundOutcome::Status::Refused:
      return 2;
    case WriteBackgroundOutcome::Status::WriteFailed:
      return 1;
    case WriteBackgroundOutcome::Status::Written:
      break;
  }
  std::fprintf(streams.out, "%s\n", outcome.outPath.string().c_str());
  return 0;
}

}  // namespace sq
