#include "builder/background_options.h"

#include <algorithm>

namespace sq {

bool IsMeshDensity(int density) {
  return std::find(kMeshDensities.begin(), kMeshDensities.end(), density) != kMeshDensities.end();
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

}  // namespace sq
