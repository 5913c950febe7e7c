#include "app/cli.h"

#include <string>

#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/tga_command.h"
#include "builder/modTGA.h"
#include "preview/modVtcs.h"

namespace sq {

namespace {

constexpr const char* kTgaUsage =
    "Usage: starquill tga IMAGE.tga [--out-dir DIR] [--filter | --no-filter] [--save-halftoned] [--save-filtered]\n";

}  // namespace

int CmdTga(const std::vector<std::string>& args, CliStreams streams) {
  std::string file;
  std::filesystem::path outDir;
  std::optional<bool> filter;
  std::vector<std::string> saves;  // in the order given, like menu clicks
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--out-dir" && i + 1 < args.size()) {
      outDir = args[++i];
    } else if (a == "--filter" || a == "--no-filter") {
      const bool yes = a == "--filter";
      if (filter && *filter != yes) {
        std::fprintf(streams.err, "starquill tga: --filter and --no-filter exclude each other\n%s", kTgaUsage);
        return 2;
      }
      filter = yes;
    } else if (a == "--save-halftoned" || a == "--save-filtered") {
      saves.push_back(a);
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(streams.err, "starquill tga: unknown option '%s'\n%s", a.c_str(), kTgaUsage);
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      std::fprintf(streams.err, "starquill tga: more than one file given\n");
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(streams.err, "starquill tga: no TGA image given\n%s", kTgaUsage);
    return 2;
  }
  if (outDir.empty()) outDir = FolderOf(file);

  CliPlatform platform(streams.err);
  platform.SetAnswer(filter);  // without a flag the question takes its default, No
  BuilderSession session;
  PreviewLists previewLists;  // what a load empties; nothing else uses them here
  const TgaCommandOutcome outcome = LoadTargaCommand(session, previewLists, file, outDir, platform);
  if (outcome.status != TgaCommandOutcome::Status::Loaded) return 2;

  OutputReport outputs = outcome.load.outputs;
  for (const std::string& save : saves) {
    outputs.Add(save == "--save-halftoned" ? SaveHalftonedCommand(session, outDir, platform)
                                           : SaveFilteredCommand(session, outDir, platform));
  }
  for (const auto& path : outputs.written) std::fprintf(streams.out, "%s\n", path.string().c_str());
  return outputs.Ok() ? 0 : 1;
}

}  // namespace sq
