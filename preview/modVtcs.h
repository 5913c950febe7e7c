// Preview vertex lists: plain data laid out as the preview's vertex buffers take
// it. Built from a background read before a preview opens; the preview window
// copies them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hod/background_tables.h"

namespace sq {

struct Vec3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Vec3&) const = default;
};

struct PreviewVertex {  // 16 bytes: position and packed ARGB colour
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0;
  bool operator==(const PreviewVertex&) const = default;
};
static_assert(sizeof(PreviewVertex) == 16);

struct StarMapVertex {  // 24 bytes: position, packed ARGB colour, texture coordinates
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0;
  float tu = 0, tv = 0;
  bool operator==(const StarMapVertex&) const = default;
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

// Opaque colour from three channels: 0xFF000000 | r << 16 | g << 8 | b. A channel
// outside 0..255 saturates instead of spilling into its neighbour.
uint32_t PackColourXrgb(int red, int green, int blue);
// ARGB colour from four components, nominally 0..1: each times 255, truncated
// toward zero, saturating at 0 and 255 (a NaN component gives 0).
uint32_t PackColourValue(float red, float green, float blue, float alpha);

// The preview entry of one mesh corner: position unchanged, opaque colour with
// each channel twice the stored byte (byte 3 red, byte 2 green, byte 1 blue).
PreviewVertex MeshPreviewVertex(const MeshVertex& corner);

// Replaces the mesh list with one entry per corner (three per triangle).
void BuildMeshPreview(PreviewLists& lists, const std::vector<MeshVertex>& corners);

// Whether a star map of `records` records has a slot: chunkNumber 1 or 2, and
// six vertices per record within a 32-bit count.
bool StarMapPreviewFits(int chunkNumber, std::size_t records);
// Whether a point-star list of `total` stars can be counted in 32 bits.
bool PointStarPreviewFits(int64_t total);

// Replaces entry chunkNumber (1 or 2) of starMapPreview with six vertices per
// record. Returns false, changing nothing, when StarMapPreviewFits does not hold.
bool BuildStarMapPreview(PreviewLists& lists, int chunkNumber, const StarMapChunk& chunk);

// Appends the stars of a point-star chunk to starPreviewVertices, pulled in to
// 0.99 of their radius so they lie in front of the mesh. Returns false, leaving
// the list as it was, when the total would not fit a 32-bit count.
bool AppendPointStarPreview(PreviewLists& lists, int chunkNumber, const PointStarChunk& chunk);

}  // namespace sq
