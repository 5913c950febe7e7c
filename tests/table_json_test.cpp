// The tables' JSON is declared field by field; a field added to a table record and
// not to its declaration, or not to the schema's list of required keys, fails here.
// A record's fields are counted as an aggregate initialisation counts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/table_json.h"

namespace {

// Converts to anything: T{AnyField{}, ...} compiles for as many as T has fields.
struct AnyField {
  template <typename T>
  operator T() const;  // declared only: it is named in unevaluated code alone
};

template <typename T, typename... Fields>
constexpr std::size_t FieldCount() {
  if constexpr (requires { T{Fields{}..., AnyField{}}; }) {
    return FieldCount<T, Fields..., AnyField>();
  } else {
    return sizeof...(Fields);
  }
}

struct Record {
  std::string name;
  std::size_t fields;
  std::vector<std::string> keys;  // as a default record's JSON gives them
};

template <typename T>
Record RecordOf(const char* name) {
  Record r{name, FieldCount<T>(), {}};
  const sq::TableJson json = T{};
  for (const auto& item : json.items()) r.keys.push_back(item.key());
  return r;
}
#define RECORD(T) RecordOf<T>(#T)

std::vector<Record> TableRecords() {
  using namespace sq;
  return {RECORD(ChunkHeader),      RECORD(HodHeader),       RECORD(ModelSummary),  RECORD(IndexList),
          RECORD(MeshPart),         RECORD(MeshChunk),       RECORD(StarMapChunk),  RECORD(PointStarChunk),
          RECORD(BackgroundTables), RECORD(bmsh::IndexList), RECORD(bmsh::SubMesh), RECORD(bmsh::BmshMesh),
          RECORD(MeshHeader),       RECORD(LodMesh),         RECORD(MultRecord),    RECORD(GobgRecord),
          RECORD(StatParam),        RECORD(StatRecord),      RECORD(EliteParam),    RECORD(EliteRecord),
          RECORD(LmipRecord),       RECORD(LmtxRecord),      RECORD(GobsRecord),    RECORD(GobdRecord),
          RECORD(VaryFaceList),     RECORD(VaryRecord),      RECORD(Light),         RECORD(LiteRecord),
          RECORD(VisualTables),     RECORD(SubHeader),       RECORD(BlockA),        RECORD(BlockB),
          RECORD(HierarchyHeader),  RECORD(HierObject),      RECORD(InfoItem),      RECORD(InfoRecord),
          RECORD(MarkerRecord),     RECORD(TrailSet),        RECORD(EtshRecord),    RECORD(GlowRecord),
          RECORD(BurnRecord),       RECORD(NavlRecord),      RECORD(Navlight),      RECORD(DockPathPoint),
          RECORD(DockPath),         RECORD(DockRecord),      RECORD(AnimKey),       RECORD(AnimRecord),
          RECORD(TriangleSet),      RECORD(ColdRecord),      RECORD(SsubList),      RECORD(BsrmRecord),
          RECORD(BndvRecord),       RECORD(DetailTables)};
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(TableJson, EveryFieldOfEveryTableRecordIsAKeyOnce) {
  for (const Record& r : TableRecords()) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.keys.size(), r.fields);
  }
}

// Where the schema lists the keys an object must have, it lists every field of
// the record behind it.
TEST(TableJson, TheSchemaRequiresEveryFieldOfTheRecordsItDescribes) {
  std::ifstream file(std::string(STARQUILL_SOURCE_DIR) + "/docs/dump.schema.json");
  const nlohmann::json schema = nlohmann::json::parse(file);
  const std::vector<Record> records = TableRecords();
  auto keysOf = [&](const std::string& name) {
    const auto at = std::find_if(records.begin(), records.end(), [&](const Record& r) { return r.name == name; });
    return at == records.end() ? std::vector<std::string>{} : at->keys;
  };
  const struct {
    const char* pointer;
    const char* record;
  } described[] = {
      {"/$defs/chunkHeader", "ChunkHeader"},
      {"/$defs/meshChunk", "MeshChunk"},
      {"/$defs/meshChunk/properties/parts/items", "MeshPart"},
      {"/$defs/meshChunk/properties/parts/items/properties/indexLists/items", "IndexList"},
      {"/$defs/tables/properties/hodHeader", "HodHeader"},
      {"/$defs/tables/properties/summary", "ModelSummary"},
      {"/$defs/tables/properties/background", "BackgroundTables"},
      {"/$defs/tables/properties/background/properties/bgsgTable/items", "StarMapChunk"},
      {"/$defs/tables/properties/background/properties/strfTable/items", "PointStarChunk"},
      {"/$defs/tables/properties/visual", "VisualTables"},
      {"/$defs/tables/properties/visual/properties/lmipTable/items", "LmipRecord"},
      {"/$defs/tables/properties/detail", "DetailTables"},
  };
  for (const auto& d : described) {
    SCOPED_TRACE(d.pointer);
    const nlohmann::json& required = schema.at(nlohmann::json::json_pointer(std::string(d.pointer) + "/required"));
    EXPECT_EQ(Sorted(required.get<std::vector<std::string>>()), Sorted(keysOf(d.record)));
  }
}
