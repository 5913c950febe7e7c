#include "app/window/builder_menus.h"

namespace sq {

void BuilderOptions::Click(BuilderOption option) {
  switch (option) {
    case BuilderOption::Density16:
    case BuilderOption::Density8:
    case BuilderOption::Density6:
    case BuilderOption::Density4:
    case BuilderOption::Density2:
      for (BuilderOption d : {BuilderOption::Density16, BuilderOption::Density8, BuilderOption::Density6,
                              BuilderOption::Density4, BuilderOption::Density2}) {
        checked_[Index(d)] = d == option;
      }
      return;
    case BuilderOption::MoreStars:
      checked_[Index(BuilderOption::LessStars)] = false;
      break;
    case BuilderOption::LessStars:
      checked_[Index(BuilderOption::MoreStars)] = false;
      break;
    case BuilderOption::ColourAverage:
    case BuilderOption::IntensityLimit:
    case BuilderOption::IncreaseCapping:
      break;
  }
  checked_[Index(option)] = !checked_[Index(option)];
}

BuildOptions BuildOptionsFrom(const BuilderOptions& menu) {
  BuildOptions o;
  const std::array<std::pair<BuilderOption, int>, 5> densities = {{{BuilderOption::Density16, 16},
                                                                   {BuilderOption::Density8, 8},
                                                                   {BuilderOption::Density6, 6},
                                                                   {BuilderOption::Density4, 4},
                                                                   {BuilderOption::Density2, 2}}};
  for (const auto& [item, density] : densities) {
    if (menu.Checked(item)) o.density = density;
  }
  o.colourAverage = menu.Checked(BuilderOption::ColourAverage);
  o.intensityLimit = menu.Checked(BuilderOption::IntensityLimit);
  o.increaseCapping = menu.Checked(BuilderOption::IncreaseCapping);
  if (menu.Checked(BuilderOption::MoreStars)) o.stars = StarAmount::More;
  if (menu.Checked(BuilderOption::LessStars)) o.stars = StarAmount::Less;
  return o;
}

ToolsMenuState ToolsOf(const BuilderSession& s) {
  ToolsMenuState tools;
  tools.saveFilteredEnabled = s.filteredLoad;
  tools.writeHodEnabled = s.builtBackground.has_value();
  tools.buildBackgroundEnabled = !s.PicturePath().empty();
  return tools;
}

std::string CaptionOf(const BuilderSession& s) {
  std::string caption(kMainWindowTitle);
  if (!s.tgaBaseName.empty()) caption.append(" + ").append(s.tgaBaseName);
  return caption;
}

}  // namespace sq
