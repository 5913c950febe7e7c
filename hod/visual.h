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

// The 8-byte header in front of an embedded mesh: a tag and a size as stored.
struct MeshHeader {
  std::string tag;
  uint32_t size = 0;
};

struct lodMesh {
  MeshHeader meshHeader;
  bmshMesh mesh;
};

struct MultRecord {
  ChunkHeader header;  // "NRML", size as stored, "MULT"
  int32_t headWord = 0;
  std::string firstName;
  std::string secondName;  // the object's name
  int32_t lodCount = 0;
  std::vector<lodMesh> lods;
};

struct GobgRecord {
  ChunkHeader header;  // "NRML", size as stored, "GOBG"
  int32_t headWord = 0;
  std::string firstName;
  std::string secondName;
  MeshHeader meshHeader;
  bmshMesh mesh;
};

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
  std::vector<MultRecord> multTable;
  std::vector<GobgRecord> gobgTable;
};

}  // namespace sq
