// The preview lists, built from what a walk read: the mesh corners of the rows it
// showed, the star maps behind the two slots, the stars of every point-star chunk.
#include "hod/bgms_flatten.h"
#include "hod/modFarholdhod.h"

namespace sq {

void BuildPreviewLists(Model& model) {
  PreviewLists& lists = model.vtcs();
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

}  // namespace sq
