#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/tga_command.h"
#include "builder/builder.h"
#include "preview/preview_lists.h"

namespace sq {

namespace {

struct TgaOptions {
  std::string file;
  std::string outDir;
  bool filter = false;
  bool noFilter = false;
  // --save-halftoned and --save-filtered in the order given.
  std::vector<std::string> saves;
};

int RunTga(const TgaOptions& options, CliStreams streams) {
  const std::filesystem::path outDir =
      options.outDir.empty() ? FolderOf(options.file) : std::filesystem::path(options.outDir);
  if (!options.outDir.empty() && !MakeOutputFolder(outDir, "tga", streams.err)) return 1;
  CliPlatform platform(streams.err);
  // Without a flag the question takes its default, No.
  platform.SetAnswer(options.filter     ? std::optional<bool>(true)
                     : options.noFilter ? std::optional<bool>(false)
                                        : std::nullopt);
  BuilderSession session;
  PreviewLists previewLists;  // what a load empties; nothing else uses them here
  TgaCommandOutcome outcome = LoadTargaCommand(session, previewLists, options.file, outDir, platform);
  if (!outcome.Loaded()) return ExitStatusOf(outcome);

  OutputReport outputs = outcome.load.outputs;
  for (const std::string& save : options.saves) {
    const OutputReport saved = save == "--save-halftoned" ? SaveHalftonedCommand(session, outDir, platform)
                                                          : SaveFilteredCommand(session, outDir, platform);
    outputs.Add(saved);
    if (!saved.Ok() && outcome.status == CommandOutcome::Status::Written) {
      outcome.status = CommandOutcome::Status::WriteFailed;
      outcome.error = saved.errors.front();
    }
  }
  for (const auto& path : outputs.written) std::fprintf(streams.out, "%s\n", path.string().c_str());
  return ExitStatusOf(outcome);
}

}  // namespace

void AddTgaCommand(CLI::App& app, CliCommands& commands) {
  auto options = std::make_shared<TgaOptions>();
  CLI::App* command =
      app.add_subcommand("tga", "Load a sky picture, find its stars and write the marked image and star lists");
  command->add_option("file", options->file, "The picture: PNG, JPEG, OpenEXR, Radiance HDR or 32-bit TGA")->required();
  command->add_option("--out-dir", options->outDir, "Where the outputs go (default: the image's folder)");
  CLI::Option* filter = command->add_flag("--filter", options->filter,
                                          "Answer Yes to the halftoning question (bytes above 127 become 127)");
  CLI::Option* noFilter = command->add_flag("--no-filter", options->noFilter, "Answer No to it (the default)");
  filter->excludes(noFilter);
  CLI::Option* halftoned = command->add_flag("--save-halftoned")->description("Then save BASE_halftoned.tga");
  CLI::Option* filtered = command->add_flag("--save-filtered")->description("Then save BASE_filtered.tga");
  commands.push_back({command, [options, command, halftoned, filtered](CliStreams streams) {
                        // The saves in the order of the line, as menu clicks would come.
                        for (const CLI::Option* option : command->parse_order()) {
                          if (option == halftoned) options->saves.emplace_back("--save-halftoned");
                          if (option == filtered) options->saves.emplace_back("--save-filtered");
                        }
                        return RunTga(*options, streams);
                      }});
}

}  // namespace sq
