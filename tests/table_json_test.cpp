// The tables' JSON is declared field by field; a field added to a table record and
// not to its declaration, or not to the schema's list of required keys, fails here.
// A record's fields are counted as an aggregate initialisation counts them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
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

}  // namespace

// Every field of every table record is a key once; where the schema lists the keys an object
// must have, it lists every field of the record behind it.
TEST(TableJson, EveryFieldIsAKeyOnceAndRequiredByTheSchema) {
  for (const Record& r : TableRecords()) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.keys.size(), r.fields);
  }
  std::ifstream file(std::string(STARQUILL_SOURCE_DIR) + "/docs/dump.schema.json");
  const nlohmann::json schema = nlohmann::json::parse(file);
  std::map<std::string, std::vector<std::string>> keysOf;
  for (const Record& r : TableRecords()) keysOf[r.name] = r.keys;
  using P = std::pair<const char*, const char*>;  // the object's place in the schema, the record behind it
  for (const auto& [pointer, record] :
       {P("/$defs/chunkHeader", "ChunkHeader"), P("/$defs/meshChunk", "MeshChunk"),
        P("/$defs/meshChunk/properties/parts/items", "MeshPart"),
        P("/$defs/meshChunk/properties/parts/items/properties/indexLists/items", "IndexList"),
        P("/$defs/tables/properties/hodHeader", "HodHeader"), P("/$defs/tables/properties/summary", "ModelSummary"),
        P("/$defs/tables/properties/background", "BackgroundTables"),
        P("/$defs/tables/properties/background/properties/bgsgTable/items", "StarMapChunk"),
        P("/$defs/tables/properties/background/properties/strfTable/items", "PointStarChunk"),
        P("/$defs/tables/properties/visual", "VisualTables"),
        P("/$defs/tables/properties/visual/properties/lmipTable/items", "LmipRecord"),
        P("/$defs/tables/properties/detail", "DetailTables")}) {
    SCOPED_TRACE(pointer);
    const auto required =
        schema.at(nlohmann::json::json_pointer(std::string(pointer) + "/required")).get<std::vector<std::string>>();
    const std::vector<std::string>& keys = keysOf[record];
    EXPECT_EQ(std::multiset(required.begin(), required.end()), std::multiset(keys.begin(), keys.end()));
  }
}
