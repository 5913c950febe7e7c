// The preview lists of a walked model (the mesh corners of the rows the walk
// showed, the star maps behind the two slots, the stars of every point-star
// chunk) or of background tables held whole.
#include "preview/preview_lists.h"

#include <algorithm>
#include <array>

#include "hod/background_readers.h"
#include "hod/hod_walk.h"

namespace sq {

bool AppendMeshCorners(const MeshPart& part, std::vector<PreviewVertex>& corners, std::string& error) {
  // Room for every corner the lists can give, grown by doubling so a long run of
  // meshes costs few copies.
  std::size_t more = 0;
  for (const IndexList& list : part.indexLists) {
    const std::size_t c = list.indices.size();
    if (list.primitiveType == kTriangleList) more += c / 3 * 3;
    if (list.primitiveType == kTriangleStrip && c >= 3) more += (c - 2) * 3;
  }
  if (corners.size() + more > corners.capacity())
    corners.reserve(std::max(corners.size() + more, 2 * corners.capacity()));
  return ForEachMeshTriangle(part, error, [&](const std::array<int16_t, 3>& index) {
    for (int16_t i : index) corners.push_back(MeshPreviewVertex(part.vertices[static_cast<std::size_t>(i)]));
  });
}

void BuildPreviewLists(const Model& model, PreviewLists& lists) {
  const PreviewSources& from = model.previewSources;

  lists.meshPreviewVertices.clear();
  std::string error;
  for (std::size_t i = 0; i < from.meshRows && i < model.bgmsTable.size(); ++i) {
    const MeshChunk& row = model.bgmsTable[i];
    // The walk ended at a bad index, if any, in the last row shown.
    if (!row.parts.empty() && !AppendMeshCorners(row.parts.front(), lists.meshPreviewVertices, error)) break;
  }
  lists.meshPreviewCount = static_cast<int32_t>(lists.meshPreviewVertices.size());

  for (std::size_t slot = 0; slot < from.starMaps.size(); ++slot) {
    StarMapChunk chunk;
    chunk.records = RecordList<StarMapRecord>::View(from.starMaps[slot]);
    BuildStarMapPreview(lists, static_cast<int>(slot) + 1, chunk);
  }

  lists.starPreviewVertices.clear();
  lists.starPreviewVertices.reserve(static_cast<std::size_t>(from.pointStarTotal));
  lists.starPreviewCount = 0;
  for (std::span<const uint8_t> stars : from.pointStars) {
    PointStarChunk chunk;
    chunk.stars = RecordList<PointStarRecord>::View(stars);
    AppendPointStarPreview(lists, 0, chunk);
  }
}

void BuildBackgroundPreviewLists(const BackgroundTables& background, PreviewLists& lists) {
  lists.meshPreviewVertices.clear();
  std::string error;
  for (const MeshChunk& chunk : background.bgmsTable) {
    if (!chunk.parts.empty() && !AppendMeshCorners(chunk.parts.front(), lists.meshPreviewVertices, error)) break;
  }
  lists.meshPreviewCount = static_cast<int32_t>(lists.meshPreviewVertices.size());

  lists.starMapPreview = {};
  for (std::size_t slot = 0; slot < lists.starMapPreview.size() && slot < background.bgsgTable.size(); ++slot) {
    BuildStarMapPreview(lists, static_cast<int>(slot) + 1, background.bgsgTable[slot]);
  }

  lists.starPreviewVertices.clear();
  lists.starPreviewCount = 0;
  for (std::size_t k = 0; k < background.strfTable.size(); ++k) {
    AppendPointStarPreview(lists, static_cast<int>(k) + 1, background.strfTable[k]);
  }
}

}  // namespace sq
