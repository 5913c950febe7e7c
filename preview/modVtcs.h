// Preview vertex lists: plain data laid out as the preview's vertex buffers take
// it. Filled while a background is read; the preview window copies them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hod/background.h"

namespace sq {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct PreviewVertex {  // 16 bytes: position and packed ARGB colour
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0;
};
static_assert(sizeof(PreviewVertex) == 16);

struct StarMapVertex {  // 24 bytes: position, packed ARGB colour, texture coordinates
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0;
  float tu = 0, tv = 0;
};
static_assert(sizeof(StarMapVertex) == 24);

struct StarMapPreviewEntry {
  int32_t vertexCount = 0;
  std::vector<StarMapVertex> vertices;
};

struct PreviewLists {
  int32_t meshPreviewCount = 0;
  std::vector<PreviewVertex> meshPreviewVertices;
  int32_t starPreviewCount = 0;
  std::vector<PreviewVertex> starPreviewVertices;
  std::array<StarMapPreviewEntry, 2> starMapPreview;
};

void MakeVector(Vec3& out, float x, float y, float z);

// Replaces entry chunkNumber (1 or 2) of starMapPreview. Returns false for any
// other chunk number: the lists have no slot for it.
bool BuildStarMapPreview(PreviewLists& lists, int chunkNumber, const StarMapChunk& chunk);

// Appends the stars of a point-star chunk to starPreviewVertices.
void AppendPointStarPreview(PreviewLists& lists, int chunkNumber, const PointStarChunk& chunk);

}  // namespace sq
