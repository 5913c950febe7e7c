#include "app/cli.h"

#include <functional>
#include <map>

namespace sq {

namespace {

using Command = std::function<int(const std::vector<std::string>&, CliStreams)>;

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"report", CmdReport},
      {"write-background", CmdWriteBackground},
      {"tga", CmdTga},
      {"build-background", CmdBuildBackground},
  };
  return commands;
}

}  // namespace

std::string UsageText() {
  return "Starquill " STARQUILL_VERSION
         " - reports on Farhold HOD model and background files\n"
         "\n"
         "Usage:\n"
         "  starquill\n"
         "      Open the main window.\n"
         "  starquill report FILE.hod [--out-dir DIR] [--sound-test]\n"
         "      Walk FILE.hod, write BASE.HODreport.rtf and the side exports into DIR\n"
         "      (default: the folder that holds FILE). --sound-test reads VARY corners\n"
         "      in the 24-byte layout of neu_soundtest.hod.\n"
         "  starquill write-background IN.hod [--out-dir DIR]\n"
         "      Read the background in IN.hod and write it again as BASE.hod into DIR\n"
         "      (default: the current folder). Only the writable shape is accepted:\n"
         "      16 mesh chunks, 2 star maps, 16 point-star chunks.\n"
         "  starquill tga IMAGE.tga [--out-dir DIR] [--filter | --no-filter]\n"
         "                [--save-halftoned] [--save-filtered]\n"
         "      Load a 32-bit TGA image, find its stars and write BASE_filtered.tga,\n"
         "      BASE_StrPts0.obj .. BASE_StrPts2.obj and BASE_cPts.obj into DIR (default:\n"
         "      the image's folder). --filter answers Yes to the halftoning question\n"
         "      (colour bytes above 127 become 127); --no-filter or nothing answers No.\n"
         "      --save-halftoned and --save-filtered then save BASE_halftoned.tga and\n"
         "      BASE_filtered.tga, in the order given.\n"
         "  starquill build-background IMAGE.tga [--out-dir DIR] [--density 16|8|6|4|2]\n"
         "                [--colour-average] [--intensity-limit] [--increase-capping]\n"
         "                [--more-stars | --less-stars] [--filter | --no-filter]\n"
         "                [--screenshot OUT.png]\n"
         "      Build a background from a sky picture (an equirectangular panorama) and\n"
         "      write it as BASE.hod into DIR (default: the picture's folder). The options\n"
         "      are those of the Options menu (default: mesh density 8, nothing else);\n"
         "      --filter answers Yes to the halftoning question. Stars left out past the\n"
         "      limits are named on stderr. --screenshot also draws the built background\n"
         "      as the preview shows it (needs a display).\n"
         "  starquill preview FILE.hod --screenshot OUT.png [--size WxH] [--seconds T]\n"
         "                   [--layers all|background|starmaps|stars]\n"
         "      Draw one frame of the background preview (default 600x600, the angle at\n"
         "      T seconds after midnight, default 0) and write it as a PNG. Needs a\n"
         "      display (use xvfb-run without one).\n"
         "  starquill --help | --version\n"
         "\n"
         "Exit status: 0 done, 1 an output file could not be written, 2 a refused\n"
         "input file or bad usage, 3 the preview could not set up its drawing or\n"
         "its module (starquill-window.so beside the program) could not be loaded.\n"
         "Messages go to stderr as \"Title: text\".\n";
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
  const auto& commands = Commands();
  auto it = commands.find(args[0]);
  if (it == commands.end()) {
    std::fprintf(streams.err, "starquill: unknown command '%s'\n\n%s", args[0].c_str(), UsageText().c_str());
    return 2;
  }
  return it->second(std::vector<std::string>(args.begin() + 1, args.end()), streams);
}

}  // namespace sq
