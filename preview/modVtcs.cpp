#include "preview/modVtcs.h"

namespace sq {

void MakeVector(Vec3& out, float x, float y, float z) { out = Vec3{x, y, z}; }

// Placeholder until the background reader lands: records the slot rule only.
bool BuildStarMapPreview(PreviewLists& lists, int chunkNumber, const StarMapChunk&) {
  if (chunkNumber < 1 || chunkNumber > 2) return false;
  lists.starMapPreview[static_cast<std::size_t>(chunkNumber - 1)] = {};
  return true;
}

void AppendPointStarPreview(PreviewLists&, int, const PointStarChunk&) {}

}  // namespace sq
