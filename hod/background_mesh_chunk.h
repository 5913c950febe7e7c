// The background mesh chunk the builder makes and the writer writes: "NRML", its
// size, "BMSH", one part (material 0, vertex format 0) holding the vertices, and
// one index list.
#pragma once

#include <cstdint>
#include <vector>

#include "hod/background_tables.h"

namespace sq {

// The bytes behind such a chunk's size field, its id included, for n vertices
// and m indices: the id, two words, the part count, the part's three words, the
// list count (16 bits), the list's two words, 20 bytes a vertex, 2 an index.
constexpr uint64_t OnePartMeshChunkBytes(uint64_t vertexCount, uint64_t indexCount) {
  return 38 + 20 * vertexCount + 2 * indexCount;
}

// The chunk, its size field set as a file stores it (byte-swapped).
MeshChunk OnePartMeshChunk(std::vector<MeshVertex> vertices, int32_t primitiveType, std::vector<int16_t> indices);

}  // namespace sq
