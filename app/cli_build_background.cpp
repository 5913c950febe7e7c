#include "app/cli.h"

#include <cstdio>
#include <optional>
#include <string>

#include "app/build_background_command.h"
#include "app/cli_platform.h"
#include "app/command_paths.h"
#include "app/window_face.h"

namespace sq {

namespace {

constexpr const char* kBuildUsage =
    "Usage: starquill build-background IMAGE.tga [--out-dir DIR] [--density 16|8|6|4|2]\n"
    "         [--colour-average] [--intensity-limit] [--increase-capping] [--more-stars | --less-stars]\n"
    "         [--filter | --no-filter] [--screenshot OUT.png]\n";

struct BuildBackgroundArgs {
  std::string file;
  std::filesystem::path outDir;  // empty: the picture's folder
  BuildOptions options;
  std::optional<bool> filter;
  std::string screenshot;
};

// Reads the arguments; on a usage error says why and returns false.
bool ParseBuildBackgroundArgs(const std::vector<std::string>& args, std::FILE* err, BuildBackgroundArgs& parsed) {
  auto refuse = [err](const std::string& why) {
    std::fprintf(err, "starquill build-background: %s\n%s", why.c_str(), kBuildUsage);
    return false;
  };
  std::optional<StarAmount> stars;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--out-dir" && hasValue) {
      parsed.outDir = args[++i];
    } else if (a == "--density" && hasValue) {
      const std::string& value = args[++i];
      int density = 0;
      for (int d : kMeshDensities) {
        if (value == std::to_string(d)) density = d;
      }
      if (density == 0) return refuse("--density wants 16, 8, 6, 4 or 2, not '" + value + "'");
      parsed.options.density = density;
    } else if (a == "--colour-average") {
      parsed.options.colourAverage = true;
    } else if (a == "--intensity-limit") {
      parsed.options.intensityLimit = true;
    } else if (a == "--increase-capping") {
      parsed.options.increaseCapping = true;
    } else if (a == "--more-stars" || a == "--less-stars") {
      const StarAmount amount = a == "--more-stars" ? StarAmount::More : StarAmount::Less;
      if (stars && *stars != amount) return refuse("--more-stars and --less-stars exclude each other");
      stars = amount;
    } else if (a == "--filter" || a == "--no-filter") {
      const bool yes = a == "--filter";
      if (parsed.filter && *parsed.filter != yes) return refuse("--filter and --no-filter exclude each other");
      parsed.filter = yes;
    } else if (a == "--screenshot" && hasValue) {
      parsed.screenshot = args[++i];
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return refuse("unknown option or missing value '" + a + "'");
    } else if (parsed.file.empty()) {
      parsed.file = a;
    } else {
      return refuse("more than one file given");
    }
  }
  if (parsed.file.empty()) return refuse("no TGA image given");
  parsed.options.stars = stars.value_or(StarAmount::Normal);
  return true;
}

// Draws the built background as the preview would, into a PNG.
int Screenshot(const BackgroundTables& background, const std::string& baseName, const std::string& out,
               CliStreams streams) {
#ifdef STARQUILL_HAS_WINDOW
  std::string error;
  const WindowFace* face = LoadWindowFace(error);
  if (face == nullptr) {
    std::fprintf(streams.err, "starquill: the window part cannot be loaded: %s\n", error.c_str());
    return 3;
  }
  return face->backgroundScreenshot(background, baseName, out, streams);
#else
  (void)background, (void)baseName, (void)out;
  std::fprintf(streams.err, "starquill build-background: this build has no preview, so no --screenshot\n");
  return 3;
#endif
}

}  // namespace

int CmdBuildBackground(const std::vector<std::string>& args, CliStreams streams) {
  BuildBackgroundArgs parsed;
  if (!ParseBuildBackgroundArgs(args, streams.err, parsed)) return 2;
  if (parsed.outDir.empty()) parsed.outDir = FolderOf(parsed.file);

  CliPlatform platform(streams.err);
  platform.SetAnswer(parsed.filter);  // without a flag the question takes its default, No
  const BuildBackgroundOutcome outcome = BuildBackgroundCommand(parsed.file, parsed.outDir, parsed.options, platform);
  for (const std::string& note : outcome.built.notes) {
    std::fprintf(streams.err, "starquill build-background: %s\n", note.c_str());
  }
  switch (outcome.status) {
    case BuildBackgroundOutcome::Status::Refused:
      return 2;
    case BuildBackgroundOutcome::Status::WriteFailed:
      return 1;
    case BuildBackgroundOutcome::Status::Written:
      break;
  }
  std::fprintf(streams.out, "%s\n", outcome.outPath.string().c_str());
  if (parsed.screenshot.empty()) return 0;
  std::fflush(streams.out);
  return Screenshot(outcome.built.tables, outcome.baseName, parsed.screenshot, streams);
}

}  // namespace sq
