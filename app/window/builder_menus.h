// The window's side of the builder: its Options menu's check marks and the
// build options they stand for, the Tools entries' enabled states and the
// caption, derived from the session's plain state. Kept apart from any
// toolkit: the window draws its menus from them and hands clicks back.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "app/tga_command.h"
#include "builder/background_options.h"

namespace sq {

inline constexpr std::string_view kMainWindowTitle = "Starquill v5";

// The entries of the Options menu, in menu order.
enum class BuilderOption {
  Density16,
  Density8,
  Density6,
  Density4,
  Density2,
  ColourAverage,
  IntensityLimit,
  IncreaseCapping,
  MoreStars,
  LessStars,
};

struct BuilderOptionItem {
  BuilderOption option;
  std::string_view name;     // the menu entry's name
  std::string_view caption;  // the text shown
  bool separatorAfter;       // a "-" entry follows it
};

inline constexpr std::array<BuilderOptionItem, 10> kBuilderOptionItems = {{
    {BuilderOption::Density16, "mnuDensity16", "Mesh density 16", false},
    {BuilderOption::Density8, "mnuDensity8", "Mesh density 8", false},
    {BuilderOption::Density6, "mnuDensity6", "Mesh density 6", false},
    {BuilderOption::Density4, "mnuDensity4", "Mesh density 4", false},
    {BuilderOption::Density2, "mnuDensity2", "Mesh density 2", true},
    {BuilderOption::ColourAverage, "mnuColourAverage", "Colour average", true},
    {BuilderOption::IntensityLimit, "mnuIntensityLimit", "Use intensity limit", true},
    {BuilderOption::IncreaseCapping, "mnuIncrCap", "Increase capping region", true},
    {BuilderOption::MoreStars, "mnuMoreStars", "More stars", false},
    {BuilderOption::LessStars, "mnuLessStars", "Less stars", false},
}};

// Check marks of the Options menu. The five density entries form a group with
// exactly one checked; "More stars" and "Less stars" are never both checked; the
// other three toggle on their own. The background build takes what they stand
// for (BuildOptionsFrom); "Load Targa image", its detector and the writer work
// the same whatever is checked.
class BuilderOptions {
 public:
  bool Checked(BuilderOption option) const { return checked_[Index(option)]; }
  // The effect of clicking the entry.
  void Click(BuilderOption option);

 private:
  static constexpr std::size_t Index(BuilderOption option) { return static_cast<std::size_t>(option); }
  std::array<bool, 10> checked_ = {false, true, false, false, false, false, false, false, false, false};
};

// The options the Options menu's check marks stand for.
BuildOptions BuildOptionsFrom(const BuilderOptions& menu);

// The Tools entries that change their enabled state. "Save as halftoned TGA"
// stays off; "Save filtered TGA" is on once a load ran the halftone filter (a
// Yes), until a selection is refused or a cube map is loaded; "Build
// background" while a loaded picture or cube map stands in the session; "Write
// background HOD" while a background built from it is held.
struct ToolsMenuState {
  bool saveHalftonedEnabled = false;    // "Save as halftoned TGA"
  bool saveFilteredEnabled = false;     // "Save filtered TGA"
  bool writeHodEnabled = false;         // "Write background HOD"
  bool buildBackgroundEnabled = false;  // "Build background"
};
ToolsMenuState ToolsOf(const BuilderSession& session);

// The window's caption: its title, and " + BASE" while a picture or cube map
// named BASE is loaded.
std::string CaptionOf(const BuilderSession& session);

}  // namespace sq
