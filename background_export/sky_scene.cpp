#include "background_export/sky_scene.h"

#include <algorithm>
#include <cmath>

#include "hod/hod_model.h"
#include "preview/preview_lists.h"

namespace sq {

namespace {

// A mesh chunk's first part, with the triangles up to a bad index. Returns false
// when a bad index ended it.
bool AddMesh(SkyScene& scene, const MeshPart& part, std::size_t number) {
  SceneMesh& mesh = scene.meshes.emplace_back();
  mesh.vertices.reserve(part.vertices.size());
  auto put = [&](const MeshVertex& v) {
    mesh.vertices.push_back(SceneVertex{v.x, v.y, v.z, {v.vertexColour[3], v.vertexColour[2], v.vertexColour[1]}});
  };
  // A walked file's vertices read straight from its bytes.
  if (const uint8_t* bytes = part.vertices.Bytes().data(); part.vertices.Viewing()) {
    for (std::size_t i = 0; i < part.vertices.size(); ++i) {
      put(RecordLayout<MeshVertex>::Decode(bytes + i * RecordLayout<MeshVertex>::kBytes));
    }
  } else {
    for (std::size_t i = 0; i < part.vertices.size(); ++i) put(part.vertices[i]);
  }
  std::size_t triangles = 0;
  for (const IndexList& list : part.indexLists) {
    const std::size_t n = list.indices.size();
    if (list.primitiveType == kTriangleList) triangles += n / 3;
    if (list.primitiveType == kTriangleStrip && n >= 3) triangles += n - 2;
  }
  mesh.triangles.reserve(triangles);
  std::string error;
  const bool whole = ForEachMeshTriangle(part, error, [&](const std::array<int16_t, 3>& index) {
    mesh.triangles.push_back(
        {static_cast<uint16_t>(index[0]), static_cast<uint16_t>(index[1]), static_cast<uint16_t>(index[2])});
  });
  if (!whole) scene.broken = "mesh chunk " + std::to_string(number) + ": " + error;
  return whole;
}

uint8_t Level(float component, double scale) {
  const double v = std::round(static_cast<double>(component) * scale);
  return static_cast<uint8_t>(std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0));
}

}  // namespace

bool SkyScene::Empty() const {
  return meshes.empty() && starMaps[0].empty() && starMaps[1].empty() && pointStars.empty();
}

SkyScene SceneOfModel(const Model& model) {
  SkyScene scene;
  const PreviewSources& from = model.previewSources;
  for (std::size_t i = 0; i < from.meshRows && i < model.bgmsTable.size(); ++i) {
    const MeshChunk& row = model.bgmsTable[i];
    if (!row.parts.empty() && !AddMesh(scene, row.parts.front(), i + 1)) break;
  }
  // A row behind those shown was cut off where the walk failed.
  if (scene.broken.empty() && from.meshRows < model.bgmsTable.size()) {
    scene.broken = "mesh chunk " + std::to_string(from.meshRows + 1) + " is cut off";
  }
  for (std::size_t slot = 0; slot < from.starMaps.size(); ++slot) {
    const auto records = RecordList<StarMapRecord>::View(from.starMaps[slot]);
    scene.starMaps[slot].reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) scene.starMaps[slot].push_back(records[i]);
  }
  scene.pointStars.reserve(static_cast<std::size_t>(from.pointStarTotal));
  for (std::span<const uint8_t> block : from.pointStars) {
    const auto stars = RecordList<PointStarRecord>::View(block);
    for (std::size_t i = 0; i < stars.size(); ++i) scene.pointStars.push_back(stars[i]);
  }
  return scene;
}

SkyScene SceneOfBackground(const BackgroundTables& background) {
  SkyScene scene;
  for (std::size_t i = 0; i < background.bgmsTable.size(); ++i) {
    const MeshChunk& chunk = background.bgmsTable[i];
    if (!chunk.parts.empty() && !AddMesh(scene, chunk.parts.front(), i + 1)) break;
  }
  for (std::size_t slot = 0; slot < scene.starMaps.size() && slot < background.bgsgTable.size(); ++slot) {
    const RecordList<StarMapRecord>& records = background.bgsgTable[slot].records;
    for (std::size_t i = 0; i < records.size(); ++i) scene.starMaps[slot].push_back(records[i]);
  }
  for (const PointStarChunk& chunk : background.strfTable) {
    for (std::size_t i = 0; i < chunk.stars.size(); ++i) scene.pointStars.push_back(chunk.stars[i]);
  }
  return scene;
}

std::array<uint8_t, 3> PointStarLevels(const PointStarRecord& star) {
  return {Level(star.red, 510), Level(star.green, 510), Level(star.blue, 510)};
}

std::array<uint8_t, 3> StarMapLevels(const StarMapRecord& record) {
  return {Level(record.red, 255), Level(record.green, 255), Level(record.blue, 255)};
}

}  // namespace sq
