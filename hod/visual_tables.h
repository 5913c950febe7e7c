// Visual-model tables: what the HVMD form holds (materials, textures, meshes per
// level of detail, VARY data, lights) and the BMSH mesh record shared with the
// detail part.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hod/chunk_header.h"
#include "hod/record_list.h"

namespace sq {

// The BMSH mesh records of the visual model and the detail part's glows. They
// have a namespace of their own: their index list, `bmsh::IndexList`, is another
// record than the background's `IndexList` and must not be taken for it.
namespace bmsh {

struct IndexList {
  int32_t primitiveType = 0;  // 518 triangle strip, anything else a triangle list
  int32_t indexCount = 0;
  RecordList<int16_t> indices;  // a view into the file's bytes as read
};

struct SubMesh {
  int32_t materialTag = 0;
  int32_t vertexFormat = 0;  // 24603 (0x601B) selects 64-byte vertices, else 40
  int32_t vertexCount = 0;
  // Opaque records, a view into the file's bytes (the model keeps them).
  std::span<const uint8_t> vertices;
  int16_t listCount = 0;
  std::vector<IndexList> indexLists;
};

struct BmshMesh {
  std::string meshTag;
  int32_t word1 = 0;
  int32_t lodLevel = 0;
  int32_t subMeshCount = 0;
  std::vector<SubMesh> subMeshes;
};

inline constexpr int32_t kVertexFormat64 = 24603;

}  // namespace bmsh

// The 8-byte header in front of an embedded mesh: a tag and a size as stored.
struct MeshHeader {
  std::string tag;
  uint32_t size = 0;
};

struct LodMesh {
  MeshHeader meshHeader;
  bmsh::BmshMesh mesh;
};

struct MultRecord {
  ChunkHeader header;  // "NRML", size as stored, "MULT"
  int32_t headWord = 0;
  std::string firstName;
  std::string secondName;  // the object's name
  int32_t lodCount = 0;
  std::vector<LodMesh> lods;
};

struct GobgRecord {
  ChunkHeader header;  // "NRML", size as stored, "GOBG"
  int32_t headWord = 0;
  std::string firstName;
  std::string secondName;
  MeshHeader meshHeader;
  bmsh::BmshMesh mesh;
};

// One parameter of a NRML STAT or SHAD material.
struct StatParam {
  std::array<int32_t, 2> skippedPair{};
  int32_t textureIndex = 0;  // the texture's LMIP chunk, counted from 0
  std::string paramName;     // NRML STAT only; empty for SHAD
};

// A material from a NRML STAT chunk or a SHAD chunk.
struct StatRecord {
  ChunkHeader header;  // "NRML", size as stored, "STAT"; a SHAD record has only the id "SHAD"
  int32_t headWord = 0;
  std::string firstName;
  std::string secondName;
  int32_t paramCount = 0;
  std::vector<StatParam> params;
};

struct EliteParam {
  std::array<int32_t, 2> skippedPair{};
  int32_t value = 0;  // a texture index
};

// A material from a bare STAT tag (the "elite" layout).
struct EliteRecord {
  std::string chunkId;     // "STAT"
  uint32_t chunkSize = 0;  // the word behind the tag, as stored
  std::string materialName;
  std::string shaderType;
  int32_t variantWord = 0;  // picks the layout of a "ship" shader
  std::vector<EliteParam> params;
  // The shader's 24-byte blocks (six words each), a view into the file's bytes
  // (the model keeps them).
  std::span<const uint8_t> blocks;
};

struct LmipRecord {
  std::string chunkId;     // "LMIP"
  uint32_t chunkSize = 0;  // as stored
  int32_t nameLength = 0;
  std::string textureName;
  std::string format;  // "8888", "DXT1", ...
  std::array<int32_t, 3> formatWords{};
  // The rest of the chunk, a view into the file's bytes (the model keeps them).
  std::span<const uint8_t> pixelData;
};

struct LmtxRecord {
  std::string chunkId;            // "LMTX"
  uint32_t chunkSize = 0;         // as stored; swapped it is the length of `data`
  std::span<const uint8_t> data;  // a view into the file's bytes (the model keeps them)
};

struct GobsRecord {
  ChunkHeader header;  // kind and size only when read from a NRML chunk; id "GOBS"
  std::array<int32_t, 2> words{};
};

struct GobdRecord {
  std::string chunkId;  // "GOBD"
  std::array<int32_t, 2> words{};
};

struct VaryCorner {
  int32_t positionIndex = 0;  // 0-based into the positions
  std::array<float, 3> normal{};
  std::array<float, 2> textureCoordinate{};
  int32_t trailingWord = 0;  // absent in the sound-test layout
};

struct VaryFace {
  int32_t faceWord = 0;
  std::array<int32_t, 3> corners{};  // 0-based into the corners
  std::array<int32_t, 3> trailingWords{};
};

struct VaryFaceList {
  std::vector<int16_t> indices;
  int16_t listKind = 0;  // 4096 or 8192; 0 when the chunk ended first
};

struct VaryRecord {
  std::string chunkId;  // "VARY"
  uint32_t chunkSize = 0;
  std::string varyName;
  std::string secondName;
  int32_t positionCount = 0;  // A
  int32_t cornerCount = 0;    // B
  int32_t faceCount = 0;      // C
  int32_t faceListCount = 0;  // D
  int32_t spareCount = 0;
  std::vector<std::array<float, 3>> positions;
  std::vector<VaryCorner> corners;
  std::vector<VaryFace> faces;
  // The lists that were read; lists the chunk's bytes did not reach are left out.
  std::vector<VaryFaceList> faceLists;
};

// The index ranges of a VARY chunk that the report shows: those of its face
// lists once they were read, and those of its faces' corners once every corner
// was found among the corners. The minima start at the corner count and at the
// position count, the maxima at 0.
struct VaryIndexRanges {
  bool faceListsRead = false;
  int32_t listMaximum = 0;
  int32_t listMinimum = 0;
  int32_t cornerCount = 0;  // B and C of the chunk they belong to
  int32_t faceCount = 0;
  bool cornersRead = false;
  int32_t cornerMaximum = 0;
  int32_t cornerMinimum = 0;
};

struct Light {
  std::string lightName;
  int32_t lightType = 0;
  std::array<std::array<float, 3>, 3> vectors{};
  std::array<int32_t, 2> trailing{};
};

struct LiteRecord {
  std::string chunkId;  // "LITE"
  uint32_t chunkSize = 0;
  int32_t liteCount = 0;  // also kept as the model summary's liteCount
  std::vector<Light> lights;
};

// The face rule of every BMSH index list: a strip (518) of c indices has c - 2
// faces; a list adds c / 3 and the running sum is rounded to the nearest whole
// number (c / 3 never ends in a half, so nearest is unambiguous).
inline int32_t AddFaces(int32_t sum, int32_t primitiveType, int32_t indexCount) {
  if (primitiveType == 518) return static_cast<int32_t>(int64_t{sum} + indexCount - 2);
  const int64_t thirds = 3 * int64_t{sum} + indexCount;  // the exact sum, in thirds
  const int64_t shifted = thirds + 1;
  // floor(shifted / 3), also for negative values
  return static_cast<int32_t>(shifted >= 0 ? shifted / 3 : -((-shifted + 2) / 3));
}

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
  std::vector<StatRecord> statTable;    // NRML STAT or SHAD records of the last run
  std::vector<EliteRecord> eliteTable;  // bare STAT records of the last run
  std::vector<LmipRecord> lmipTable;
  std::vector<LmtxRecord> lmtxTable;
  GobsRecord gobsRecord;
  GobdRecord gobdRecord;
  std::vector<MultRecord> multTable;
  std::vector<GobgRecord> gobgTable;
  VaryRecord varyRecord;  // the last VARY chunk read
  // The ranges of the last VARY chunk whose face lists were read: a later chunk
  // that ended before its face lists leaves them.
  VaryIndexRanges varyIndexRanges;
  LiteRecord liteRecord;
};

}  // namespace sq
