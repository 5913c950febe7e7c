#include "app/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/batch_run.h"
#include "app/command_paths.h"

namespace sq {

namespace {

constexpr std::string_view kProgram = "starquill";

// Letters changed, added or left out to turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The long option names a command knows, with their dashes.
std::vector<std::string> OptionNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

// Says which word of the line a command did not know, and what was meant where
// that can be guessed.
void SuggestOptions(const CLI::App& command, const std::vector<std::string>& args, std::FILE* err) {
  const std::vector<std::string> names = OptionNames(command);
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg.rfind("--", 0) != 0) continue;
    const std::string name = arg.substr(0, arg.find('='));
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    const std::string near = ClosestName(name, names);
    if (!near.empty()) std::fprintf(err, "Did you mean '%s'?\n", near.c_str());
  }
}

}  // namespace

std::string ClosestName(std::string_view word, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = word.size() / 3 + 1;
  for (const std::string& name : names) {
    const std::size_t distance = EditDistance(word, name);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

std::string UsageText() {
  return "Starquill " STARQUILL_VERSION
         " - reports on Farhold HOD model and background files\n"
         "\n"
         "Usage:\n"
         "  starquill\n"
         "      Open the main window.\n"
         "  starquill FILE.hod | IMAGE.tga\n"
         "      Open the main window on the file: the report of FILE.hod, or the\n"
         "      picture load of IMAGE.tga, as the button and the Tools menu do.\n"
         "  starquill report FILE.hod [--out-dir DIR] [--sound-test]\n"
         "      Walk FILE.hod, write BASE.HODreport.rtf and the side exports into DIR\n"
         "      (default: the folder that holds FILE). --sound-test reads VARY corners\n"
         "      in the 24-byte layout of neu_soundtest.hod.\n"
         "  starquill report FILE|FOLDER... [-r] [-j N] [--out-dir DIR] [--sound-test]\n"
         "      Several files, or the *.hod files of folders (-r: and their subfolders),\n"
         "      N at a time: each file's outputs go to a folder of its own, DIR/REL/BASE,\n"
         "      where REL is the file's folder below the folder named (DIR defaults to\n"
         "      the folder named, or the file's own folder).\n"
         "  starquill check FILE|FOLDER... [-r] [-j N] [--warnings-as-errors] [--sound-test]\n"
         "      Walk each file and print its findings as PATH:OFFSET: error|warning: TEXT.\n"
         "      Writes nothing else.\n"
         "  starquill dump FILE|FOLDER... [--format json|tree] [--tables] [-r] [-j N]\n"
         "      The chunk tree as the walk met it, where and why the walk ended, and\n"
         "      with --tables every table read, as JSON (default) or an indented view.\n"
         "  starquill write-background IN.hod [--out-dir DIR]\n"
         "      Read the background in IN.hod and write it again as BASE.hod into DIR\n"
         "      (default: the current folder). Only the writable shape is accepted:\n"
         "      16 mesh chunks, 2 star maps, 16 point-star chunks.\n"
         "  starquill tga IMAGE [--out-dir DIR] [--filter | --no-filter]\n"
         "                [--save-halftoned] [--save-filtered]\n"
         "      Load a sky picture (PNG, JPEG, OpenEXR, Radiance HDR, or a 32-bit TGA\n"
         "      named .tga), find its stars and write BASE_filtered.tga,\n"
         "      BASE_StrPts0.obj .. BASE_StrPts2.obj and BASE_cPts.obj into DIR (default:\n"
         "      the image's folder). --filter answers Yes to the halftoning question\n"
         "      (colour bytes above 127 become 127); --no-filter or nothing answers No.\n"
         "      --save-halftoned and --save-filtered then save BASE_halftoned.tga and\n"
         "      BASE_filtered.tga, in the order given.\n"
         "  starquill build-background IMAGE | --cube PX NX PY NY PZ NZ [--size WxH]\n"
         "                [--exposure STOPS] [--name BASE] [--out-dir DIR]\n"
         "                [--density 16|8|6|4|2] [--colour-average] [--intensity-limit]\n"
         "                [--increase-capping] [--more-stars | --less-stars]\n"
         "                [--filter | --no-filter] [--screenshot OUT.png]\n"
         "      Build a background from a sky picture (an equirectangular panorama of\n"
         "      any kind tga reads) or from the six square faces of a cube map, and\n"
         "      write it as BASE.hod into DIR (default: the picture's folder). --size\n"
         "      resamples to WxH (a cube map's default 1024x512); the stars are found\n"
         "      at the picture's own size. --exposure scales OpenEXR and HDR light by\n"
         "      2^STOPS before the sRGB encoding. The options are those of the Options\n"
         "      menu (default: mesh density 8, nothing else); --filter answers Yes to\n"
         "      the halftoning question. Stars left out past the limits are named on\n"
         "      stderr. --screenshot also draws the built background as the preview\n"
         "      shows it (needs a display).\n"
         "  starquill export-background IN.hod OUT [--size WxH] [--cube [--face N]]\n"
         "                [--layers all|background|starmaps|stars] [--display]\n"
         "      Write what the background in IN.hod shows, in the form OUT's extension\n"
         "      names: .tga, .png or .exr an equirectangular picture (default 1024x512)\n"
         "      the builder reads back into the same background; with --cube six faces\n"
         "      OUT_px.EXT .. OUT_nz.EXT (--size N, default 512; --face px|nx|py|ny|pz|nz\n"
         "      or 0..5 writes one); .glb a glTF 2.0 scene. --display doubles the mesh's\n"
         "      levels as the preview and the game show them.\n"
         "  starquill preview FILE.hod --screenshot OUT.png [--size WxH] [--seconds T]\n"
         "                   [--layers all|background|starmaps|stars]\n"
         "      Draw one frame of the background preview (default 600x600, the angle at\n"
         "      T seconds after midnight, default 0) and write it as a PNG. Needs a\n"
         "      display (use xvfb-run without one).\n"
         "  starquill COMMAND --help | starquill --help | --version\n"
         "\n"
         "Exit status: 0 done, 1 an output file could not be written (check: a file\n"
         "has an error), 2 a refused or unreadable input file or bad usage, 3 the\n"
         "preview could not set up its drawing or its module (starquill-window.so\n"
         "beside the program) could not be loaded.\n"
         "Messages go to stderr as \"Title: text\".\n";
}

bool OpensInWindow(const std::vector<std::string>& args) {
  // No command's name holds ".hod" or ".tga", so a command is never taken for a file.
  if (args.size() != 1 || KindOfFile(args[0]) == FileKind::Other) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(args[0], ec);
}

void AddBatchOptions(CLI::App& command, BatchOptions& options) {
  command.add_flag("-r,--recursive", options.recursive, "Take the *.hod files of the folders' subfolders too");
  command.add_option("-j,--jobs", options.jobs, "Files worked on at a time, 1 to 1024 (default: one per core)")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u).description(""));
}

int RunCli(const std::vector<std::string>& args, CliStreams streams) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(UsageText().c_str(), streams.out);
    return 0;
  }
  if (args[0] == "--version") {
    std::fputs("starquill " STARQUILL_VERSION "\n", streams.out);
    return 0;
  }

  CLI::App app("Reports on Farhold HOD model and background files", std::string(kProgram));
  // One command a line: a later word that names a command is a file name.
  app.require_subcommand(1, 1);
  CliCommands commands;
  AddReportCommand(app, commands);
  AddCheckCommand(app, commands);
  AddDumpCommand(app, commands);
  AddWriteBackgroundCommand(app, commands);
  AddTgaCommand(app, commands);
  AddBuildBackgroundCommand(app, commands);
  AddExportBackgroundCommand(app, commands);
#ifdef STARQUILL_HAS_WINDOW
  AddPreviewCommand(app, commands);
#endif

  // Only a command may come first: the one word CLI11 would take for an extra
  // argument is said here as an unknown command, with what was likely meant.
  std::vector<std::string> commandNames;
  for (const CliCommand& command : commands) commandNames.push_back(command.parser->get_name());
  const auto command = std::find_if(commands.begin(), commands.end(),
                                    [&](const CliCommand& c) { return c.parser->get_name() == args[0]; });
  if (command == commands.end()) {
    std::fprintf(streams.err, "starquill: unknown command '%s'\n", args[0].c_str());
    const std::string near = ClosestName(args[0], commandNames);
    if (!near.empty()) std::fprintf(streams.err, "Did you mean '%s'?\n", near.c_str());
    std::fprintf(streams.err, "Run 'starquill --help' for the commands.\n");
    return 2;
  }

  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      std::fputs(command->parser->help(std::string(kProgram)).c_str(), streams.out);
      return 0;
    }
    std::fprintf(streams.err, "starquill %s: %s\n", args[0].c_str(), e.what());
    SuggestOptions(*command->parser, args, streams.err);
    std::fprintf(streams.err, "Run 'starquill %s --help' for its options.\n", args[0].c_str());
    return 2;
  }
  return command->run(streams);
}

}  // namespace sq
