#include <CLI/CLI.hpp>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/build_background_command.h"
#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/window_module.h"
#include "builder/background_options.h"
#include "picture/picture_read.h"

namespace sq {

namespace {

struct BuildBackgroundArgs {
  std::string file;
  std::vector<std::string> cube;  // PX NX PY NY PZ NZ
  std::string size;               // "WxH"
  double exposure = 0;
  std::string name;
  std::string outDir;  // empty: the picture's folder
  // Without flags a build is what "Build background" makes with the Options
  // menu's marks at start: mesh density 8, nothing else.
  BuildOptions options;
  bool moreStars = false;
  bool lessStars = false;
  bool filter = false;
  bool noFilter = false;
  std::string screenshot;
};

// Draws the built background as the preview would, into a PNG.
int Screenshot(const BackgroundTables& background, const std::string& baseName, const std::string& out,
               CliStreams streams) {
#ifdef STARQUILL_HAS_WINDOW
  std::string error;
  const WindowModule* window = LoadWindowModule(error);
  if (window == nullptr) {
    std::fprintf(streams.err, "starquill: the window part cannot be loaded: %s\n", error.c_str());
    return 3;
  }
  return window->backgroundScreenshot(background, baseName, out, streams);
#else
  (void)background, (void)baseName, (void)out;
  std::fprintf(streams.err, "starquill build-background: this build has no preview, so no --screenshot\n");
  return 3;
#endif
}

// "WxH", each side 6 to 16384: the size a background is built at.
bool ParseSize(const std::string& text, int& width, int& height) {
  char x = 0, rest = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) == 3 && (x == 'x' || x == 'X') &&
         width >= 6 && height >= 6 && PictureSizeRefusal(width, height).empty();
}

int RunBuildBackground(const BuildBackgroundArgs& args, CliStreams streams) {
  const std::vector<std::string> files = args.cube.empty() ? std::vector<std::string>{args.file} : args.cube;
  SkySource sky;
  if (!args.size.empty()) ParseSize(args.size, sky.width, sky.height);  // checked by the parser
  sky.exposure = args.exposure;
  const std::filesystem::path outDir = args.outDir.empty() ? FolderOf(files[0]) : std::filesystem::path(args.outDir);
  BuildOptions options = args.options;
  if (args.moreStars) options.stars = StarAmount::More;
  if (args.lessStars) options.stars = StarAmount::Less;

  if (!args.outDir.empty() && !MakeOutputFolder(outDir, "build-background", streams.err)) return 1;
  for (const std::string& file : files) sky.files.push_back(OpenPictureFile(file));
  CliPlatform platform(streams.err);
  // Without a flag the question takes its default, No.
  platform.SetAnswer(args.filter     ? std::optional<bool>(true)
                     : args.noFilter ? std::optional<bool>(false)
                                     : std::nullopt);
  const BuildBackgroundOutcome outcome = BuildBackgroundCommand(sky, args.name, outDir, options, platform);
  for (const std::string& note : outcome.built.notes) {
    std::fprintf(streams.err, "starquill build-background: %s\n", note.c_str());
  }
  if (outcome.status != CommandOutcome::Status::Written) return ExitStatusOf(outcome);
  for (const std::string& warning : EmptyLayerWarnings(outcome.built.tables)) {
    std::fprintf(streams.err, "starquill build-background: warning: %s\n", warning.c_str());
  }
  if (outcome.replaced) {
    std::fprintf(streams.err, "starquill build-background: replaced the earlier %s\n",
                 outcome.outPath.string().c_str());
  }
  std::fprintf(streams.out, "%s\n", outcome.outPath.string().c_str());
  if (args.screenshot.empty()) return 0;
  std::fflush(streams.out);
  return Screenshot(outcome.built.tables, outcome.baseName, args.screenshot, streams);
}

}  // namespace

void AddBuildBackgroundCommand(CLI::App& app, CliCommands& commands) {
  auto args = std::make_shared<BuildBackgroundArgs>();
  CLI::App* command =
      app.add_subcommand("build-background",
                         "Build a background HOD (mesh, stars, star maps) from a sky picture and write it as BASE.hod");
  CLI::Option* file = command->add_option(
      "file", args->file, "The sky picture: PNG, JPEG, OpenEXR, Radiance HDR or 32-bit TGA, 360 x 180 degrees");
  command->add_option("--cube", args->cube, "Build from the six faces of a cube map instead (square, of one size)")
      ->type_name("PX NX PY NY PZ NZ")
      ->expected(6)
      ->excludes(file);
  command
      ->add_option("--size", args->size, "Build at this size: the picture resampled (default: its own; cube 1024x512)")
      ->type_name("WxH")
      ->check(CLI::Validator(
          [](const std::string& text) {
            int width = 0, height = 0;
            return ParseSize(text, width, height)
                       ? std::string()
                       : "give WxH, each side from 6 to " + std::to_string(kMaxPictureSide) + " and at most " +
                             std::to_string(kMaxPicturePixels) + " pixels in all";
          },
          ""));
  command
      ->add_option("--exposure", args->exposure,
                   "OpenEXR and HDR: scale the light by 2^STOPS before the sRGB encoding (default 0)")
      ->type_name("STOPS");
  command->add_option("--name", args->name, "Write BASE.hod (default: the picture's name, a cube's less _px)")
      ->type_name("BASE");
  command->add_option("--out-dir", args->outDir, "Where BASE.hod goes (default: the picture's folder)");
  command
      ->add_option(
          "--density", args->options.density,
          "The mesh's grid step in pixels: 16 (coarsest) to 2 (default: " + std::to_string(args->options.density) + ")")
      ->type_name("16|8|6|4|2")
      ->check(CLI::IsMember(std::vector<int>(std::begin(kMeshDensities), std::end(kMeshDensities))).description(""));
  command->add_flag("--colour-average", args->options.colourAverage, "A vertex takes the mean colour of its grid cell");
  command->add_flag("--intensity-limit", args->options.intensityLimit, "Cap the mesh's brightness");
  command->add_flag("--increase-capping", args->options.increaseCapping, "Widen the one-colour caps at the poles");
  CLI::Option* more = command->add_flag("--more-stars", args->moreStars, "Find fainter stars too");
  CLI::Option* less = command->add_flag("--less-stars", args->lessStars, "Keep the brightest stars only");
  more->excludes(less);
  CLI::Option* filter =
      command->add_flag("--filter", args->filter, "Answer Yes to the halftoning question (bytes above 127 become 127)");
  CLI::Option* noFilter = command->add_flag("--no-filter", args->noFilter, "Answer No to it (the default)");
  filter->excludes(noFilter);
  command->add_option("--screenshot", args->screenshot, "Also draw the built background into this PNG")
      ->type_name("OUT.png");
  // A picture or a cube map, one of the two.
  command->parse_complete_callback([args] {
    if (args->file.empty() && args->cube.empty()) throw CLI::RequiredError("a picture or --cube");
  });
  commands.push_back({command, [args](CliStreams streams) { return RunBuildBackground(*args, streams); }});
}

}  // namespace sq
