// Preview vertex lists: plain data laid out as the preview's vertex buffers take
// it. Built from a background read before a preview opens; the preview window
// copies them. The folder preview/ holds:
//
//   preview_lists.h    the vertex lists, built from a walked model or built tables
//   preview_math.h     the preview's matrices, the clock's angle and the drag
//   tga_texture.h      the star-map textures read from TGA files
//   preview_window.h   the preview window (Qt), built only with the window
//   gl_device.h        its OpenGL device
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hod/background_readers.h"
#include "hod/background_tables.h"

namespace sq {

struct Model;

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

// Hands `triangle` the three vertex numbers of every triangle of a mesh part,
// in list order: a triangle list gives its whole triangles (a trailing one or
// two indices are left out); a strip of c indices gives c - 2 triangles, every
// second one turned round so all face the same way; other types give none. An
// index outside the part's vertices stops before that triangle: returns false
// with the reason in `error`.
template <class Triangle>
bool ForEachMeshTriangle(const MeshPart& part, std::string& error, Triangle triangle);

// Appends the triangle corners of every index list of a mesh part, three per
// triangle, in the order of ForEachMeshTriangle (MeshPreviewVertex). Returns
// false with the reason in `error` where that stops.
bool AppendMeshCorners(const MeshPart& part, std::vector<PreviewVertex>& corners, std::string& error);

// Replaces entry chunkNumber (1 or 2) of starMapPreview with six vertices per
// record. Returns false, changing nothing, when the star map has no slot
// (StarMapPreviewFits).
bool BuildStarMapPreview(PreviewLists& lists, int chunkNumber, const StarMapChunk& chunk);

// Appends the stars of a point-star chunk to starPreviewVertices, pulled in to
// 0.99 of their radius so they lie in front of the mesh. Returns false, leaving
// the list as it was, when the total would not fit a 32-bit count.
bool AppendPointStarPreview(PreviewLists& lists, int chunkNumber, const PointStarChunk& chunk);

// Builds every list (mesh corners, star-map squares, point stars) from what a walk
// of `model` read, replacing what `lists` held.
void BuildPreviewLists(const Model& model, PreviewLists& lists);

// The same from background tables that hold a whole background of their own (a
// built one): the first part of every mesh chunk, star maps 1 and 2, the stars
// of every point-star chunk. A mesh part's index outside its vertices ends the
// mesh list there, as in a walked file.
void BuildBackgroundPreviewLists(const BackgroundTables& background, PreviewLists& lists);

template <class Triangle>
bool ForEachMeshTriangle(const MeshPart& part, std::string& error, Triangle triangle) {
  const auto vertexCount = static_cast<int64_t>(part.vertices.size());
  // The triangles of one list, its indices read through index(i).
  auto each = [&](const IndexList& list, auto index) {
    auto one = [&](std::size_t a, std::size_t b, std::size_t c) {
      const std::array<int16_t, 3> corner = {index(a), index(b), index(c)};
      for (const int16_t k : corner) {
        if (k < 0 || k >= vertexCount) {
          error = OutsideReason(k, vertexCount);
          return false;
        }
      }
      triangle(corner);
      return true;
    };
    const std::size_t c = list.indices.size();
    if (list.primitiveType == kTriangleList) {
      for (std::size_t t = 0; t + 3 <= c; t += 3) {
        if (!one(t, t + 1, t + 2)) return false;
      }
    } else if (list.primitiveType == kTriangleStrip) {
      for (std::size_t k = 0; k + 3 <= c; ++k) {
        // Counted from 1, odd triangles keep their order and even ones turn round.
        const bool odd = k % 2 == 0;
        if (!(odd ? one(k, k + 1, k + 2) : one(k + 2, k + 1, k))) return false;
      }
    }
    return true;
  };
  for (const IndexList& list : part.indexLists) {
    // A viewed list read straight from its bytes (a walked file's: every list
    // of a large mesh).
    const uint8_t* const bytes = list.indices.Bytes().data();
    const bool whole = list.indices.Viewing()
                           ? each(list, [bytes](std::size_t i) { return RecordLayout<int16_t>::Decode(bytes + 2 * i); })
                           : each(list, [&list](std::size_t i) { return list.indices[i]; });
    if (!whole) return false;
  }
  return true;
}

}  // namespace sq
