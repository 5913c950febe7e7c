#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "app/cli_platform.h"
#include "app/export_background_command.h"
#include "picture/picture_read.h"

namespace sq {

namespace {

struct ExportBackgroundArgs {
  std::string file;
  std::string out;
  std::string size;  // "WxH", or "N" (or "NxN") for a cube face
  bool cube = false;
  std::string face;
  std::string layers = "all";
  bool display = false;
};

// "WxH" or, for a cube, "N" or "NxN": the sides, each 1 to the largest picture side.
bool ParseSize(const std::string& text, bool cube, int& width, int& height) {
  char x = 0, rest = 0;
  int n = std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest);
  if (n == 1 && cube)
    height = width;
  else if (!(n == 3 && (x == 'x' || x == 'X')))
    return false;
  if (cube && width != height) return false;
  return width >= 1 && height >= 1 && PictureSizeRefusal(width, height).empty();
}

// "px" .. "nz", or its number 0 .. 5 in that order.
std::optional<CubeFace> ParseFace(const std::string& text) {
  for (std::size_t k = 0; k < kCubeFaces.size(); ++k) {
    if (text == CubeFaceSuffix(kCubeFaces[k]) || text == std::to_string(k)) return kCubeFaces[k];
  }
  return std::nullopt;
}

SceneLayers LayersOf(const std::string& text) {
  if (text == "background") return {true, false, false};
  if (text == "starmaps") return {false, true, false};
  if (text == "stars") return {false, false, true};
  return {};
}

int RunExportBackground(const ExportBackgroundArgs& args, CliStreams streams) {
  ExportOptions options;
  ExportRequest& request = options.request;
  request.cube = args.cube;
  if (!args.size.empty()) {
    int width = 0, height = 0;
    if (!ParseSize(args.size, args.cube, width, height)) {
      std::fprintf(streams.err, "starquill export-background: --size %s: give %s\n", args.size.c_str(),
                   args.cube ? "N, one side of a square face" : "WxH");
      return 2;
    }
    request.width = width;
    request.height = height;
    request.faceSize = width;
  }
  if (!args.face.empty()) request.face = ParseFace(args.face);
  request.layers = LayersOf(args.layers);
  request.levels = args.display ? SceneLevels::Display : SceneLevels::Stored;
  options.textureFolder = ProgramFolder();
  CliPlatform platform(streams.err);
  const ExportBackgroundOutcome outcome = ExportBackgroundCommand(args.file, args.out, options, platform);
  for (const std::string& path : outcome.written) std::fprintf(streams.out, "%s\n", path.c_str());
  return ExitStatusOf(outcome);
}

}  // namespace

void AddExportBackgroundCommand(CLI::App& app, CliCommands& commands) {
  auto args = std::make_shared<ExportBackgroundArgs>();
  CLI::App* command = app.add_subcommand(
      "export-background",
      "Write what the background in IN.hod shows as an equirectangular picture (.tga, .png, .exr), six cube "
      "faces, or a glTF 2.0 scene (.glb)");
  command->add_option("file", args->file, "The background HOD file")->required();
  command->add_option("out", args->out, "The file written; its extension names the format")->required();
  command->add_option("--size", args->size, "The picture's size (default 1024x512), or a cube face's side N (512)")
      ->type_name("WxH|N");
  CLI::Option* cube = command->add_flag("--cube", args->cube, "Six cube faces OUT_px.EXT .. OUT_nz.EXT instead");
  command->add_option("--face", args->face, "With --cube, only this face")
      ->type_name("px|nx|py|ny|pz|nz|0..5")
      ->needs(cube)
      ->check(CLI::Validator(
          [](const std::string& text) {
            return ParseFace(text) ? std::string() : "give px, nx, py, ny, pz, nz or 0 to 5";
          },
          ""));
  command->add_option("--layers", args->layers, "What is drawn (default: all)")
      ->type_name("all|background|starmaps|stars")
      ->check(CLI::IsMember({"all", "background", "starmaps", "stars"}).description(""));
  command->add_flag("--display", args->display, "The mesh's levels doubled, as the preview and the game show them");
  commands.push_back({command, [args](CliStreams streams) { return RunExportBackground(*args, streams); }});
}

}  // namespace sq
