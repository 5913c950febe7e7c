// Detail-part tables: what the DTRM form holds (INFO, hierarchy, trails, glows,
// burns, markers, navlights, docking paths, animation, collision, BSRM, bounds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hod/chunk.h"

namespace sq {

struct DetailTables {
  bool hasETSH = false;
  bool hasGLOW = false;
  bool hasBURN = false;
  bool hasNAVL = false;
  bool hasCOLD = false;
  bool hasANIM = false;
  bool hasMRKR = false;
  bool hasDOCK = false;
  bool hasBSRM = false;
};

}  // namespace sq
