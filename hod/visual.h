// Visual-model tables: what the HVMD form holds (materials, textures, meshes per
// level of detail, VARY data, lights) and the BMSH mesh record shared with the
// detail part.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hod/chunk.h"

namespace sq {

struct indexList {
  int32_t primitiveType = 0;  // 518 triangle strip, anything else a triangle list
  int32_t indexCount = 0;
  std::vector<int16_t> indices;
};

struct subMesh {
  int32_t materialTag = 0;
  int32_t vertexFormat = 0;  // 24603 (0x601B) selects 64-byte vertices, else 40
  int32_t vertexCount = 0;
  std::span<const uint8_t> vertices;  // opaque records, a view into the file's bytes
  int16_t listCount = 0;
  std::vector<indexList> indexLists;
};

struct bmshMesh {
  std::string meshTag;
  int32_t word1 = 0;
  int32_t lodLevel = 0;
  int32_t subMeshCount = 0;
  std::vector<subMesh> subMeshes;
};

inline constexpr int32_t kVertexFormat64 = 24603;

struct VisualTables {
  bool hasNrmlSTAT = false;
  int32_t statForms = 0;
  int32_t eliteShaderCount = 0;
  bool hasLMIP = false;
  bool hasMULT = false;
  bool hasGOBG = false;
  bool hasGOBS = false;
  bool hasVARY = false;
  bool hasLMTX = false;
  bool hasGOBD = false;
  bool hasSHAD = false;
  bool hasSIMP = false;
  // Running face count over every BMSH mesh read (MULT, GOBG and detail meshes).
  int32_t faceTotal = 0;
};

}  // namespace sq
