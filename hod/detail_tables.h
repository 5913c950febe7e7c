// Detail-part tables: what the DTRM form holds (INFO, hierarchy, trails, glows,
// burns, markers, navlights, docking paths, animation, collision, BSRM, bounds).
// Lists are 0-based in memory; the report and the side files number from 1.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "hod/chunk_header.h"
#include "hod/visual_tables.h"

namespace sq {

struct Point3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Point3&) const = default;
};

// A 64-bit value rounded to 32-bit precision; values beyond the float range become
// infinite (a plain conversion would be undefined there).
inline float NarrowToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// Three 16-bit indices.
struct Triangle {
  int16_t a = 0, b = 0, c = 0;
};

// 8 bytes in the file: a four-character kind and a size as stored.
struct SubHeader {
  std::string kind;
  uint32_t size = 0;
};

// 32 bytes: kind, size and two records of three 32-bit values.
struct BlockA {
  std::string kind;
  uint32_t size = 0;
  std::array<int32_t, 3> first{};
  std::array<int32_t, 3> second{};
};

// 24 bytes: kind, size, one record of three 32-bit values and one more value.
struct BlockB {
  std::string kind;
  uint32_t size = 0;
  std::array<int32_t, 3> record{};
  int32_t value = 0;
};

// ---------------------------------------------------------------------------
// Hierarchy, INFO, markers.

struct HierarchyHeader {
  std::string id;  // "HIER"
  uint32_t size = 0;
};

struct HierObject {
  int32_t nameLength = 0;
  std::string name;
  int32_t parentLength = 0;
  std::string parentName;
  Point3 position;
  std::array<float, 3> orientation{};
  std::array<float, 3> scale{};
  std::array<float, 3> worldPosition{};
  std::array<uint8_t, 3> trailing{};
};

struct InfoItem {
  std::string token;  // "OWNR", "WARN" or "ERRR"
  uint32_t size = 0;
  int32_t length = 0;
  std::string text;
};

struct InfoRecord {
  ChunkHeader header;  // "FORM", size, "INFO"
  InfoItem owner;      // text: the owner name without its terminator byte
  InfoItem warning;
  InfoItem error;
};

struct MarkerRecord {
  ChunkHeader header;  // "FORM", size, "MRKR"
  SubHeader subHeader;
  std::string id;
  int32_t value = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t parentLength = 0;
  std::string parentName;
  double separator = 0;  // expected to be zero
  std::array<uint8_t, 24> block1{};
  std::array<uint8_t, 24> block2{};
  SubHeader secondSubHeader;
  std::string endToken;
};

// ---------------------------------------------------------------------------
// Trails, glows, burns, navlights, docking paths, animations.

struct TrailSet {
  int32_t pointCount = 0;
  std::vector<Point3> points;
};

struct EtshRecord {
  uint32_t size = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t secondLength = 0;
  std::string secondText;
  std::vector<TrailSet> trailSets;
};

struct GlowRecord {
  ChunkHeader header;  // "FORM", size, "GLOW"
  ChunkHeader inner;   // kind, size, id read behind the form's id
  int32_t value1 = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t secondLength = 0;
  std::string secondText;
  int32_t levelWord = 0;  // level of detail of the mesh, 0 to 4
  SubHeader subHeader;
  bmsh::BmshMesh mesh;
};

struct BurnRecord {
  uint32_t size = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t secondLength = 0;
  std::string secondText;
  int32_t pointCount = 0;
  int32_t value2 = 0;
  std::vector<Point3> points;
};

struct NavlRecord {
  ChunkHeader header;  // "NRML", size, "NAVL"
  int32_t value1 = 0;
  int32_t navlCount = 0;
};

struct Navlight {
  int32_t nameLength = 0;
  std::string name;
  std::array<float, 4> firstValues{};
  int32_t secondLength = 0;
  std::string secondText;
  std::array<float, 5> secondValues{};
  std::array<uint8_t, 2> trailing{};
};

struct DockPathPoint {
  Point3 point;
  std::array<float, 3> values{};
  std::array<int32_t, 4> words{};
  std::vector<int32_t> extraWords;  // second path value - 4 of them
};

struct DockPath {
  int32_t nameLength = 0;
  std::string name;
  int32_t secondLength = 0;
  std::string secondText;
  std::array<int32_t, 5> pathValues{};
  int32_t thirdLength = 0;
  std::string thirdText;
  int32_t value = 0;
  int32_t fourthLength = 0;
  std::string fourthText;
  int32_t pointCount = 0;
  std::vector<DockPathPoint> points;
};

struct DockRecord {
  ChunkHeader header;  // "NRML", size, "DOCK"
  int32_t value1 = 0;
};

struct AnimKey {
  double time = 0;
  std::array<float, 6> values{};
};

struct AnimRecord {
  ChunkHeader header;  // "NRML", size, "ANIM"
  int32_t value1 = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t keyCount = 0;
  std::vector<AnimKey> keys;
  std::array<uint8_t, 8> trailer{};
};

// ---------------------------------------------------------------------------
// Collision and BSRM meshes, bounds.

// A TRIS or VNRM part: id, value, points, and the faces. The index count read
// from the file is kept as the face count (index count / 3, rounded to nearest).
struct TriangleSet {
  std::string id;
  int32_t value = 0;
  int32_t pointCount = 0;
  std::vector<Point3> points;
  int32_t faceCount = 0;
  std::vector<Triangle> faces;
};

struct ColdRecord {
  ChunkHeader header;  // "FORM", size, "COLD"
  int32_t nameLength = 0;
  std::string name;
  BlockA blockA;
  BlockB blockB;
  TriangleSet tris;
};

struct SsubList {
  int32_t count = 0;
  std::vector<int16_t> indices;
};

struct BsrmRecord {
  ChunkHeader header;  // "FORM", size, "BSRM"
  SubHeader subHeader1;
  std::string id;
  int32_t value = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t meshNameLength = 0;
  std::string meshName;
  int32_t goblinFlag = 0;  // 0 marks a goblin mesh
  SubHeader subHeader2;
  BlockA blockA;
  SubHeader subHeader3;
  BlockB blockB;
  SubHeader subHeader4;
  TriangleSet tris;
  SubHeader subHeader5;
  TriangleSet vnrm;      // points are the normals
  SubHeader ssubHeader;  // its size, swapped, is the byte length of the SSUB part behind its id
  std::string ssubId;
  int32_t ssubValue = 0;
  std::array<float, 3> ssubValues{};
  // Whether this record has SSUB face lists. Each record keeps its own, so the
  // report judges every record by its own lists.
  bool hasSSUB = false;
  std::vector<SsubList> ssubLists;  // the non-empty lists only
};

struct BndvRecord {
  ChunkHeader header;  // "NRML", size, "BNDV"
  int32_t value1 = 0;
  int32_t nameLength = 0;
  std::string name;
  int32_t secondLength = 0;
  std::string secondText;
  int32_t value2 = 0;
  Point3 cornerA;
  std::array<float, 15> firstValues{};
  Point3 cornerB;
  std::array<float, 4> secondValues{};
};

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

  HierarchyHeader hierarchyHeader;  // the count is the summary value hierarchyCount
  std::vector<HierObject> hierarchyTable;
  InfoRecord infoRecord;
  std::vector<MarkerRecord> mrkrTable;  // runs append
  // The row of mrkrTable, from 1, of the last marker read whole whose separator
  // is not zero; 0 when there is none.
  int32_t separatorMarker = 0;

  std::vector<EtshRecord> etshTable;
  std::vector<GlowRecord> glowTable;
  std::vector<BurnRecord> burnTable;
  NavlRecord navlRecord;
  std::vector<Navlight> navlTable;
  DockRecord dockRecord;
  int32_t dockPathCount = 0;
  std::vector<DockPath> dockPaths;
  std::vector<AnimRecord> animTable;
  std::vector<ColdRecord> coldTable;
  std::vector<BsrmRecord> bsrmTable;
  BndvRecord bndvRecord;
};

}  // namespace sq
