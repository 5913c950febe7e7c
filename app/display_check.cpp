#include "app/display_check.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sq {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Whether a unix socket of that name is listening, read from the kernel's table
// of them: connecting to find out would count as an X client, and an X server
// started without -noreset (as xvfb-run starts it) resets when that client
// leaves, dropping the program that connects next. An abstract name starts
// with "@" there.
bool Listening(const std::string& name) {
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    // Num RefCount Protocol Flags Type St Inode Path
    std::istringstream fields(line);
    std::string num, refCount, protocol, flags, type, state, inode, path;
    if (!(fields >> num >> refCount >> protocol >> flags >> type >> state >> inode >> path)) continue;
    constexpr unsigned long kAcceptingConnections = 0x10000;
    if (path == name && (std::stoul(flags, nullptr, 16) & kAcceptingConnections) != 0) return true;
  }
  return false;
}

// The display number of a local X display ("[unix]:N[.S]"), or -1 for one on
// another host or a name we do not read.
long LocalDisplayNumber(const std::string& display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return -1;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return -1;
  const std::string rest = display.substr(colon + 1);
  char* end = nullptr;
  const long number = std::strtol(rest.c_str(), &end, 10);
  if (end == rest.c_str() || (*end != '\0' && *end != '.') || number < 0 || number > 65535) return -1;
  return number;
}

}  // namespace

DisplayEnvironment DisplayEnvironment::OfProcess() {
  return {Variable("DISPLAY"), Variable("WAYLAND_DISPLAY"), Variable("QT_QPA_PLATFORM"), Variable("XDG_RUNTIME_DIR")};
}

std::string DisplayProblem(const DisplayEnvironment& environment) {
  if (!environment.qpaPlatform.empty()) return "";
  if (!environment.display.empty()) {
    const long number = LocalDisplayNumber(environment.display);
    if (number < 0) return "";
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    // X servers on Linux listen on an abstract socket and on the file; either will do.
    if (Listening("@" + socket) || Listening(socket)) return "";
    return "no X server listens for DISPLAY=" + environment.display;
  }
  if (!environment.waylandDisplay.empty()) {
    const std::filesystem::path name = environment.waylandDisplay;
    const std::filesystem::path socket = name.is_absolute() || environment.runtimeDir.empty()
                                             ? name
                                             : std::filesystem::path(environment.runtimeDir) / name;
    if (Listening(socket.string())) return "";
    return "no Wayland compositor listens at " + socket.string();
  }
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

std::string NoDisplayLine(const std::string& problem) {
  return "Starquill: no display: " + problem +
         "; set DISPLAY or WAYLAND_DISPLAY, or run the command under a virtual X server "
         "(scripts/with_display in the source tree, or xvfb-run)";
}

}  // namespace sq
