#include "builder/background_options.h"

#include <algorithm>

namespace sq {

bool IsMeshDensity(int density) {
  return std::find(kMeshDensities.begin(), kMeshDensities.end(), density) != kMeshDensities.end();
}

}  // namespace sq
