// The state of the builder's menu entries, kept apart from any toolkit: the
// window draws its Tools and Options menus from it and hands clicks back.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace sq {

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
// other three toggle on their own. The background build reads them
// (BuildOptionsFrom); "Load Targa image", its detector and the writer work the
// same whatever is checked.
class BuilderOptions {
 public:
  bool Checked(BuilderOption option) const { return checked_[Index(option)]; }
  // The effect of clicking the entry.
  void Click(BuilderOption option);

 private:
  static constexpr std::size_t Index(BuilderOption option) { return static_cast<std::size_t>(option); }
  std::array<bool, 10> checked_ = {false, true, false, false, false, false, false, false, false, false};
};

// The Tools entries that change their enabled state. The window's load step
// disables the save and write entries; only a Yes to the halftone question
// enables "Save filtered TGA" again, and a refused selection disables both save
// entries. "Build background" is on while a loaded image stands in the tables;
// "Write background HOD" while a background built from it is held.
struct ToolsMenuState {
  bool saveHalftonedEnabled = false;    // "Save as halftoned TGA"
  bool saveFilteredEnabled = false;     // "Save filtered TGA"
  bool writeHodEnabled = false;         // "Write background HOD"
  bool buildBackgroundEnabled = false;  // "Build background"
};

}  // namespace sq
