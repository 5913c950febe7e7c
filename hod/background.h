// Background records and tables: the mesh chunks of the BGMS form, the star-map
// chunks (BGSG) and the point-star chunks (STRF). The writer tables use the same
// records. Lists are 0-based in memory; the report numbers rows from 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hod/chunk.h"

namespace sq {

struct MeshVertex {  // 20 bytes in the file
  float x = 0, y = 0, z = 0;
  std::array<uint8_t, 4> vertexExtra{};
  // byte 0 unused, byte 1 blue, byte 2 green, byte 3 red
  std::array<uint8_t, 4> vertexColour{};
  bool operator==(const MeshVertex&) const = default;
};

struct IndexList {
  int32_t primitiveType = 0;  // 514 triangle list, 518 triangle strip
  int32_t indexCount = 0;
  std::vector<int16_t> indices;
  bool operator==(const IndexList&) const = default;
};

struct MeshPart {
  int32_t materialTag = 0;
  int32_t vertexFormat = 0;
  int32_t vertexCount = 0;
  std::vector<MeshVertex> vertices;
  int16_t listCount = 0;
  std::vector<IndexList> indexLists;
  bool operator==(const MeshPart&) const = default;
};

struct MeshChunk {
  ChunkHeader header;  // "NRML", size as stored, "BMSH"
  int32_t word1 = 0;
  int32_t word2 = 0;
  int32_t subMeshCount = 0;
  std::vector<MeshPart> parts;  // the reader always fills exactly one
  bool operator==(const MeshChunk&) const = default;
};

struct StarMapRecord {  // 32 bytes: eight floats
  float x = 0, y = 0, z = 0, size = 0, red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const StarMapRecord&) const = default;
};

struct StarMapChunk {
  ChunkHeader header;  // "FORM", size as stored, "BGSG"
  int32_t nameLength = 0;
  std::string textureName;
  int32_t recordCount = 0;
  std::vector<StarMapRecord> records;
  bool operator==(const StarMapChunk&) const = default;
};

struct PointStarRecord {  // 28 bytes: seven floats
  float x = 0, y = 0, z = 0, red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const PointStarRecord&) const = default;
};

struct PointStarChunk {
  ChunkHeader header;  // "NRML", size as stored, "STRF"
  std::array<uint8_t, 4> starVersion{};  // kept as stored; the writer stores 00 00 03 E8
  int32_t starCount = 0;
  std::vector<PointStarRecord> stars;  // empty when starCount is 0
  bool operator==(const PointStarChunk&) const = default;
};

struct BackgroundTables {
  bool hasBGMS = false;
  bool hasBGSG = false;
  bool hasSTRF = false;
  std::vector<MeshChunk> bgmsTable;
  std::vector<StarMapChunk> bgsgTable;
  std::vector<PointStarChunk> strfTable;
};

}  // namespace sq
