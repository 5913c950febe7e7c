// Background records and tables: the mesh chunks of the BGMS form, the star-map
// chunks (BGSG) and the point-star chunks (STRF). The writer tables use the same
// records. Lists are 0-based in memory; the report numbers rows from 1. A walk
// leaves the record lists as views into the file's bytes (the model keeps them);
// tables built in memory own theirs.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hod/chunk_header.h"
#include "hod/record_list.h"

namespace sq {

struct MeshVertex {  // 20 bytes in the file
  float x = 0, y = 0, z = 0;
  std::array<uint8_t, 4> vertexExtra{};
  // byte 0 unused, byte 1 blue, byte 2 green, byte 3 red
  std::array<uint8_t, 4> vertexColour{};
  bool operator==(const MeshVertex&) const = default;
};

template <>
struct RecordLayout<MeshVertex> {
  static constexpr std::size_t kBytes = 20;
  static MeshVertex Decode(const uint8_t* p) {
    MeshVertex v;
    v.x = LoadF32(p);
    v.y = LoadF32(p + 4);
    v.z = LoadF32(p + 8);
    std::memcpy(v.vertexExtra.data(), p + 12, 4);
    std::memcpy(v.vertexColour.data(), p + 16, 4);
    return v;
  }
};

// The primitive types of a background index list.
inline constexpr int32_t kTriangleList = 514;
inline constexpr int32_t kTriangleStrip = 518;

struct IndexList {
  int32_t primitiveType = 0;  // kTriangleList or kTriangleStrip; other types show nothing
  int32_t indexCount = 0;
  RecordList<int16_t> indices;
  bool operator==(const IndexList&) const = default;
};

struct MeshPart {
  int32_t materialTag = 0;
  int32_t vertexFormat = 0;
  int32_t vertexCount = 0;
  RecordList<MeshVertex> vertices;
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

template <>
struct RecordLayout<StarMapRecord> {
  static constexpr std::size_t kBytes = 32;
  static StarMapRecord Decode(const uint8_t* p) {
    return StarMapRecord{LoadF32(p),      LoadF32(p + 4),  LoadF32(p + 8),  LoadF32(p + 12),
                         LoadF32(p + 16), LoadF32(p + 20), LoadF32(p + 24), LoadF32(p + 28)};
  }
};

struct StarMapChunk {
  ChunkHeader header;  // "FORM", size as stored, "BGSG"
  int32_t nameLength = 0;
  std::string textureName;
  int32_t recordCount = 0;
  RecordList<StarMapRecord> records;
  bool operator==(const StarMapChunk&) const = default;
};

struct PointStarRecord {  // 28 bytes: seven floats
  float x = 0, y = 0, z = 0, red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const PointStarRecord&) const = default;
};

template <>
struct RecordLayout<PointStarRecord> {
  static constexpr std::size_t kBytes = 28;
  static PointStarRecord Decode(const uint8_t* p) {
    return PointStarRecord{LoadF32(p),      LoadF32(p + 4),  LoadF32(p + 8), LoadF32(p + 12),
                           LoadF32(p + 16), LoadF32(p + 20), LoadF32(p + 24)};
  }
};

struct PointStarChunk {
  ChunkHeader header;                    // "NRML", size as stored, "STRF"
  std::array<uint8_t, 4> starVersion{};  // kept as stored; the writer stores 00 00 03 E8
  int32_t starCount = 0;
  RecordList<PointStarRecord> stars;  // empty when starCount is 0
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
