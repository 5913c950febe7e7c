#include "hod/background_mesh_chunk.h"

#include "hod/byte_reader.h"

namespace sq {

MeshChunk OnePartMeshChunk(std::vector<MeshVertex> vertices, int32_t primitiveType, std::vector<int16_t> indices) {
  MeshChunk chunk;
  const uint64_t size = OnePartMeshChunkBytes(vertices.size(), indices.size());
  chunk.header = ChunkHeader{"NRML", ByteSwap32(static_cast<uint32_t>(size)), "BMSH"};
  chunk.subMeshCount = 1;
  MeshPart& part = chunk.parts.emplace_back();
  part.vertexCount = static_cast<int32_t>(vertices.size());
  part.vertices = std::move(vertices);
  part.listCount = 1;
  IndexList& list = part.indexLists.emplace_back();
  list.primitiveType = primitiveType;
  list.indexCount = static_cast<int32_t>(indices.size());
  list.indices = std::move(indices);
  return chunk;
}

}  // namespace sq
