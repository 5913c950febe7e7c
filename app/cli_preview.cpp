#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "app/window_module.h"

namespace sq {

namespace {

// "WxH", each 16 to 4096.
bool ParseSize(const std::string& text, int& width, int& height) {
  int w = 0, h = 0;
  char x = 0, rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X')) return false;
  if (w < 16 || h < 16 || w > 4096 || h > 4096) return false;
  width = w;
  height = h;
  return true;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, CliCommands& commands) {
  auto request = std::make_shared<PreviewRequest>();
  auto size = std::make_shared<std::string>();
  CLI::App* command =
      app.add_subcommand("preview", "Draw one frame of the background preview and write it as a PNG (needs a display)");
  command->add_option("file", request->file, "The background HOD file")->required();
  command->add_option("--screenshot", request->screenshot, "The PNG to write")->required();
  command->add_option("--size", *size, "Width and height of the picture, WxH, each 16 to 4096 (default 600x600)")
      ->check(
          [](const std::string& text) {
            int w = 0, h = 0;
            return ParseSize(text, w, h) ? std::string() : std::string("--size wants WxH, each 16 to 4096");
          },
          "WxH");
  command->add_option("--seconds", request->seconds, "The clock's seconds after midnight, 0 to 86400 (default 0)")
      ->check(
          [](const std::string& text) {
            char* end = nullptr;
            const double seconds = std::strtod(text.c_str(), &end);
            const bool ok = !text.empty() && *end == '\0' && std::isfinite(seconds) && seconds >= 0 && seconds <= 86400;
            return ok ? std::string() : std::string("--seconds wants seconds since midnight, 0 to 86400");
          },
          "T");
  command->add_option("--layers", request->layers, "all (default), background, starmaps or stars")
      ->check(CLI::IsMember({"all", "background", "starmaps", "stars"}));
  commands.push_back({command, [request, size](CliStreams streams) {
                        if (!size->empty()) ParseSize(*size, request->width, request->height);
                        // The window part is loaded only now, with the line known good.
                        std::string error;
                        const WindowModule* window = LoadWindowModule(error);
                        if (window == nullptr) {
                          std::fprintf(streams.err, "starquill: the window part cannot be loaded: %s\n", error.c_str());
                          return 3;
                        }
                        return window->preview(*request, streams);
                      }});
}

}  // namespace sq
