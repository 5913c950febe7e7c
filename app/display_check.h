// Whether the window system can be reached, asked before Qt starts: without a
// display Qt aborts the program with a text of its own, so the window and the
// preview check first and end with one line of ours instead.
#pragma once

#include <string>

namespace sq {

// What the process's environment says about displays (a null-free copy of each
// variable, empty when unset).
struct DisplayEnvironment {
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string qpaPlatform;     // QT_QPA_PLATFORM: a platform chosen by hand is trusted
  std::string runtimeDir;      // XDG_RUNTIME_DIR, where a Wayland socket lives

  static DisplayEnvironment OfProcess();
};

// Empty when a display looks reachable; otherwise why not. For a local X display
// (":N", "unix:N") and a Wayland display, a socket of theirs must be listening
// (looked up, not connected to); a display on another host and a platform
// chosen through QT_QPA_PLATFORM are taken on trust.
std::string DisplayProblem(const DisplayEnvironment& environment);

// The one line shown for a problem: "Starquill: no display: REASON; ..." with
// what to do about it.
std::string NoDisplayLine(const std::string& problem);

}  // namespace sq
