// A small background of the writable shape, varied enough that a field written or
// read in the wrong place shows: vertex and index counts differ per chunk, strips
// and lists alternate, one star map and some point-star chunks are empty.
#pragma once

#include "writer/background_writer.h"

namespace sqtest {

inline sq::BackgroundWriterTables SmallBackground() {
  sq::BackgroundWriterTables t;
  for (int i = 0; i < 16; ++i) {
    std::vector<sq::MeshVertex> vertices;
    for (int v = 0; v < 3 + i % 3; ++v) {
      sq::MeshVertex mv;
      mv.x = 100.0f * float(i) + float(v);
      mv.y = -0.5f * float(v);
      mv.z = 1e-3f * float(i);
      mv.vertexExtra = {uint8_t(i), 1, 2, 3};
      mv.vertexColour = {0, uint8_t(10 + v), uint8_t(20 + i), uint8_t(127 - v)};
      vertices.push_back(mv);
    }
    std::vector<int16_t> indices = {0, 1, 2};
    if (i % 2 == 1) indices.push_back(static_cast<int16_t>(vertices.size() - 1));
    sq::MeshChunk chunk = sq::OnePartMeshChunk(std::move(vertices), i % 2 == 1 ? 518 : 514, std::move(indices));
    chunk.word1 = i;
    chunk.word2 = -i;
    chunk.parts[0].materialTag = 7 * i;
    chunk.parts[0].vertexFormat = 0x42;
    t.outBgmsTable.push_back(chunk);
  }
  t.outBgsgTable[0].recordCount = 2;
  t.outBgsgTable[0].records = {{100, 0, 0, 10, 1, 0.5f, 0.25f, 1}, {0, -100, 0, 20, 0.1f, 0.2f, 0.3f, 0.4f}};
  for (int j = 0; j < 16; ++j) {
    sq::PointStarChunk& chunk = t.outStrfTable[static_cast<std::size_t>(j)];
    chunk.starCount = j % 4;
    for (int s = 0; s < chunk.starCount; ++s) {
      chunk.stars.Owned().push_back({float(j), float(s), -1, 0.25f, 0.5f, 0.75f, 1});
    }
  }
  return t;
}

}  // namespace sqtest
