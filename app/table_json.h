// The model's tables as JSON, by declaration: one line a record names its fields
// in the order the model keeps them, and one serializer says how the values the
// tables hold are written:
//   - a text from the file: each byte one character of ISO 8859-1 (JsonText);
//   - a 32-bit float: the shortest decimal that reads back to it; a float or
//     double that is not finite: null (JSON has no such numbers);
//   - a point: [x, y, z];
//   - records kept as stored (vertices, index lists, pixels, stars): their count
//     and byte length, or the byte length alone where the count is not the list's.
// Three records whose blocks are counted by another field write themselves out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "hod/hod_model.h"

namespace sq {

template <typename T, typename = void>
struct TableSerializer;

// Keys in the order written, values through TableSerializer.
using TableJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                       std::uint64_t, double, std::allocator, TableSerializer>;

// Every table and value of the model, its fields named as the model names them.
TableJson TablesJson(const Model& model);

// Text from a file as JSON text: each byte one character of ISO 8859-1, so every
// byte is kept and the text is always valid.
std::string JsonText(std::string_view bytes);

// {"count": n, "byteLength": bytes}.
TableJson Block(std::size_t count, std::size_t bytes);

// Anything else as nlohmann-json writes it (numbers, flags, arrays, and records
// through their to_json below).
template <typename T, typename>
struct TableSerializer : nlohmann::adl_serializer<T> {};

template <>
struct TableSerializer<std::string> : nlohmann::adl_serializer<std::string> {
  static void to_json(TableJson& j, const std::string& text);
};
template <>
struct TableSerializer<float> : nlohmann::adl_serializer<float> {
  static void to_json(TableJson& j, float value);
};
template <>
struct TableSerializer<double> : nlohmann::adl_serializer<double> {
  static void to_json(TableJson& j, double value);
};
template <>
struct TableSerializer<Point3> : nlohmann::adl_serializer<Point3> {
  static void to_json(TableJson& j, const Point3& p) { j = TableJson::array({p.x, p.y, p.z}); }
};
// Bytes the model views in the file, without a count of their own.
template <>
struct TableSerializer<std::span<const uint8_t>> : nlohmann::adl_serializer<std::span<const uint8_t>> {
  static void to_json(TableJson& j, std::span<const uint8_t> bytes) {
    j = TableJson::object();
    j["byteLength"] = bytes.size();
  }
};
template <typename T>
struct TableSerializer<RecordList<T>> : nlohmann::adl_serializer<RecordList<T>> {
  static void to_json(TableJson& j, const RecordList<T>& list) {
    j = Block(list.size(), list.size() * RecordList<T>::kRecordBytes);
  }
};

// The bytes one record takes in a list read whole as mesh data; 0 for a list
// whose records are written out one by one.
template <typename T>
inline constexpr std::size_t kMeshRecordBytes = 0;
template <>
inline constexpr std::size_t kMeshRecordBytes<int16_t> = 2;  // an index
template <>
inline constexpr std::size_t kMeshRecordBytes<std::array<float, 3>> = 12;  // a VARY position
template <>
inline constexpr std::size_t kMeshRecordBytes<VaryCorner> = sizeof(VaryCorner);
template <>
inline constexpr std::size_t kMeshRecordBytes<VaryFace> = sizeof(VaryFace);
template <>
inline constexpr std::size_t kMeshRecordBytes<Triangle> = 6;

template <typename T>
struct TableSerializer<std::vector<T>, std::enable_if_t<(kMeshRecordBytes<T> > 0)>>
    : nlohmann::adl_serializer<std::vector<T>> {
  static void to_json(TableJson& j, const std::vector<T>& records) {
    j = Block(records.size(), records.size() * kMeshRecordBytes<T>);
  }
};

// nlohmann-json 3.11.2's NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE writes into
// nlohmann::json alone, whose objects sort their keys, and defines a from_json
// too, which views into the file cannot have. This is its to_json half, written
// into TableJson. Records come before the records that hold them.
#define SQ_TABLE_JSON(Type, ...)                                                 \
  inline void to_json(TableJson& nlohmann_json_j, const Type& nlohmann_json_t) { \
    NLOHMANN_JSON_EXPAND(NLOHMANN_JSON_PASTE(NLOHMANN_JSON_TO, __VA_ARGS__))     \
  }

SQ_TABLE_JSON(ChunkHeader, chunkKind, chunkSize, chunkId)
SQ_TABLE_JSON(HodHeader, vers, hodVersion, name, hodName, hvmd, dtrm, bglt, bgltValue, bgms)
SQ_TABLE_JSON(ModelSummary, hasLITE, liteCount, hierarchyCount, infoWarning, infoWarningText, infoError, infoErrorText)

// The background.
SQ_TABLE_JSON(IndexList, primitiveType, indexCount, indices)
SQ_TABLE_JSON(MeshPart, materialTag, vertexFormat, vertexCount, vertices, listCount, indexLists)
SQ_TABLE_JSON(MeshChunk, header, word1, word2, subMeshCount, parts)
SQ_TABLE_JSON(StarMapChunk, header, nameLength, textureName, recordCount, records)
SQ_TABLE_JSON(PointStarChunk, header, starVersion, starCount, stars)
SQ_TABLE_JSON(BackgroundTables, hasBGMS, hasBGSG, hasSTRF, bgmsTable, bgsgTable, strfTable)

// The visual model.
namespace bmsh {
SQ_TABLE_JSON(IndexList, primitiveType, indexCount, indices)
// Its vertices are counted by vertexCount.
void to_json(TableJson& j, const SubMesh& sub);
SQ_TABLE_JSON(BmshMesh, meshTag, word1, lodLevel, subMeshCount, subMeshes)
}  // namespace bmsh
SQ_TABLE_JSON(MeshHeader, tag, size)
SQ_TABLE_JSON(LodMesh, meshHeader, mesh)
SQ_TABLE_JSON(MultRecord, header, headWord, firstName, secondName, lodCount, lods)
SQ_TABLE_JSON(GobgRecord, header, headWord, firstName, secondName, meshHeader, mesh)
SQ_TABLE_JSON(StatParam, skippedPair, textureIndex, paramName)
SQ_TABLE_JSON(StatRecord, header, headWord, firstName, secondName, paramCount, params)
SQ_TABLE_JSON(EliteParam, skippedPair, value)
// Its blocks are 24 bytes each.
void to_json(TableJson& j, const EliteRecord& record);
SQ_TABLE_JSON(LmipRecord, chunkId, chunkSize, nameLength, textureName, format, formatWords, pixelData)
SQ_TABLE_JSON(LmtxRecord, chunkId, chunkSize, data)
SQ_TABLE_JSON(GobsRecord, header, words)
SQ_TABLE_JSON(GobdRecord, chunkId, words)
SQ_TABLE_JSON(VaryFaceList, indices, listKind)
SQ_TABLE_JSON(VaryRecord, chunkId, chunkSize, varyName, secondName, positionCount, cornerCount, faceCount,
              faceListCount, spareCount, positions, corners, faces, faceLists)
SQ_TABLE_JSON(VaryIndexRanges, faceListsRead, listMaximum, listMinimum, cornerCount, faceCount, cornersRead,
              cornerMaximum, cornerMinimum)
SQ_TABLE_JSON(Light, lightName, lightType, vectors, trailing)
SQ_TABLE_JSON(LiteRecord, chunkId, chunkSize, liteCount, lights)
SQ_TABLE_JSON(VisualTables, hasNrmlSTAT, statForms, eliteShaderCount, hasLMIP, hasMULT, hasGOBG, hasGOBS, hasVARY,
              hasLMTX, hasGOBD, hasSHAD, hasSIMP, faceTotal, statTable, eliteTable, lmipTable, lmtxTable, gobsRecord,
              gobdRecord, multTable, gobgTable, varyRecord, varyIndexRanges, liteRecord)

// The detail part.
SQ_TABLE_JSON(SubHeader, kind, size)
SQ_TABLE_JSON(BlockA, kind, size, first, second)
SQ_TABLE_JSON(BlockB, kind, size, record, value)
SQ_TABLE_JSON(HierarchyHeader, id, size)
SQ_TABLE_JSON(HierObject, nameLength, name, parentLength, parentName, position, orientation, scale, worldPosition,
              trailing)
SQ_TABLE_JSON(InfoItem, token, size, length, text)
SQ_TABLE_JSON(InfoRecord, header, owner, warning, error)
SQ_TABLE_JSON(MarkerRecord, header, subHeader, id, value, nameLength, name, parentLength, parentName, separator, block1,
              block2, secondSubHeader, endToken)
SQ_TABLE_JSON(TrailSet, pointCount, points)
SQ_TABLE_JSON(EtshRecord, size, nameLength, name, secondLength, secondText, trailSets)
SQ_TABLE_JSON(GlowRecord, header, inner, value1, nameLength, name, secondLength, secondText, levelWord, subHeader, mesh)
SQ_TABLE_JSON(BurnRecord, size, nameLength, name, secondLength, secondText, pointCount, value2, points)
SQ_TABLE_JSON(NavlRecord, header, value1, navlCount)
SQ_TABLE_JSON(Navlight, nameLength, name, firstValues, secondLength, secondText, secondValues, trailing)
SQ_TABLE_JSON(DockPathPoint, point, values, words, extraWords)
SQ_TABLE_JSON(DockPath, nameLength, name, secondLength, secondText, pathValues, thirdLength, thirdText, value,
              fourthLength, fourthText, pointCount, points)
SQ_TABLE_JSON(DockRecord, header, value1)
SQ_TABLE_JSON(AnimKey, time, values)
SQ_TABLE_JSON(AnimRecord, header, value1, nameLength, name, keyCount, keys, trailer)
// A TRIS or VNRM part: its points are mesh data, given as a block.
void to_json(TableJson& j, const TriangleSet& set);
SQ_TABLE_JSON(ColdRecord, header, nameLength, name, blockA, blockB, tris)
SQ_TABLE_JSON(SsubList, count, indices)
SQ_TABLE_JSON(BsrmRecord, header, subHeader1, id, value, nameLength, name, meshNameLength, meshName, goblinFlag,
              subHeader2, blockA, subHeader3, blockB, subHeader4, tris, subHeader5, vnrm, ssubHeader, ssubId, ssubValue,
              ssubValues, hasSSUB, ssubLists)
SQ_TABLE_JSON(BndvRecord, header, value1, nameLength, name, secondLength, secondText, value2, cornerA, firstValues,
              cornerB, secondValues)
SQ_TABLE_JSON(DetailTables, hasETSH, hasGLOW, hasBURN, hasNAVL, hasCOLD, hasANIM, hasMRKR, hasDOCK, hasBSRM,
              hierarchyHeader, hierarchyTable, infoRecord, mrkrTable, separatorMarker, etshTable, glowTable, burnTable,
              navlRecord, navlTable, dockRecord, dockPathCount, dockPaths, animTable, coldTable, bsrmTable, bndvRecord)

#undef SQ_TABLE_JSON

}  // namespace sq
