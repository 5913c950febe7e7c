#include "app/table_json.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "hod/text_forms.h"

namespace sq {

std::string JsonText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | byte >> 6);
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

TableJson Block(std::size_t count, std::size_t bytes) {
  TableJson block;
  block["count"] = count;
  block["byteLength"] = bytes;
  return block;
}

void TableSerializer<std::string>::to_json(TableJson& j, const std::string& text) {
  nlohmann::adl_serializer<std::string>::to_json(j, JsonText(text));
}

// The shortest decimal that reads back to the same 32-bit float, held as the
// double that decimal names, so the JSON writer prints it as short again.
void TableSerializer<float>::to_json(TableJson& j, float value) {
  if (!std::isfinite(value)) {
    j = nullptr;
    return;
  }
  const std::string text = ShortestFloat(value);
  if (text.empty()) {
    j = nullptr;
    return;
  }
  nlohmann::adl_serializer<double>::to_json(j, std::strtod(text.c_str(), nullptr));
}

void TableSerializer<double>::to_json(TableJson& j, double value) {
  if (std::isfinite(value)) {
    nlohmann::adl_serializer<double>::to_json(j, value);
  } else {
    j = nullptr;
  }
}

namespace bmsh {

void to_json(TableJson& j, const SubMesh& sub) {
  j["materialTag"] = sub.materialTag;
  j["vertexFormat"] = sub.vertexFormat;
  j["vertexCount"] = sub.vertexCount;
  j["vertices"] = Block(static_cast<std::size_t>(std::max(sub.vertexCount, 0)), sub.vertices.size());
  j["listCount"] = sub.listCount;
  j["indexLists"] = sub.indexLists;
}

}  // namespace bmsh

void to_json(TableJson& j, const EliteRecord& record) {
  j["chunkId"] = record.chunkId;
  j["chunkSize"] = record.chunkSize;
  j["materialName"] = record.materialName;
  j["shaderType"] = record.shaderType;
  j["variantWord"] = record.variantWord;
  j["params"] = record.params;
  j["blocks"] = Block(record.blocks.size() / 24, record.blocks.size());
}

void to_json(TableJson& j, const TriangleSet& set) {
  j["id"] = set.id;
  j["value"] = set.value;
  j["pointCount"] = set.pointCount;
  j["points"] = Block(set.points.size(), set.points.size() * 12);
  j["faceCount"] = set.faceCount;
  j["faces"] = set.faces;
}

TableJson TablesJson(const Model& model) {
  TableJson tables;
  tables["hodHeader"] = model.hodHeader;
  tables["summary"] = static_cast<const ModelSummary&>(model);
  tables["background"] = static_cast<const BackgroundTables&>(model);
  tables["visual"] = static_cast<const VisualTables&>(model);
  tables["detail"] = static_cast<const DetailTables&>(model);
  return tables;
}

}  // namespace sq
