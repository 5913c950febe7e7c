#include "builder/builder_menus.h"

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

}  // namespace sq
