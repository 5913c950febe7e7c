// The choices of a background build, as plain values (the window's Options
// menu and the command line's flags give them), and the levels behind them.
#pragma once

#include <array>
#include <cstdint>

namespace sq {

// The mesh densities on offer, coarsest first. A density is the mesh's grid step
// in picture pixels.
inline constexpr std::array<int, 5> kMeshDensities = {16, 8, 6, 4, 2};

enum class StarAmount {
  Normal,  // exactly the detector's three lists
  More,    // those, and the fainter stars a second, more sensitive look finds
  Less,    // only the stars well above the sky around them
};

// The defaults are those of the Options menu at start: mesh density 8, nothing else.
struct BuildOptions {
  int density = 8;                        // "Mesh density N"
  bool colourAverage = false;             // "Colour average"
  bool intensityLimit = false;            // "Use intensity limit"
  bool increaseCapping = false;           // "Increase capping region"
  StarAmount stars = StarAmount::Normal;  // "More stars", "Less stars"
  bool operator==(const BuildOptions&) const = default;
};

bool IsMeshDensity(int density);

// "Use intensity limit": no colour byte of a vertex above this; a brighter vertex
// is scaled down as a whole, so its hue stays (the preview shows it at twice this).
inline constexpr int kIntensityLimit = 96;

// "Less stars" keeps a star whose core is at least this much brighter than the
// sky around it (blue + green + red: 40 a channel).
inline constexpr int kLessStarsStrength = 120;

// "More stars" looks again at the picture with its stars taken out, counting a
// neighbour as different from this much on (8 rather than the detector's 16).
inline constexpr float kMoreStarsContrastBase = 8.0f;

// The caps over the poles. Without "Increase capping region" a cap is one grid
// step high; with it, it reaches a sixteenth of the picture's height (11.25
// degrees) from the pole, rounded up to whole grid steps, and at least two.
inline constexpr int kWideCapFraction = 16;
inline constexpr int kWideCapMinSteps = 2;

}  // namespace sq
