#include "preview/preview_lists.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "hod/background_readers.h"

namespace sq {

namespace {

uint32_t Channel(int value) {
  if (value < 0) return 0;
  if (value > 255) return 255;
  return static_cast<uint32_t>(value);
}

uint32_t Component(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;  // negative, zero or NaN
  if (scaled >= 255.0f) return 255;
  return static_cast<uint32_t>(scaled);  // truncates toward zero
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Unit vector along v, or nothing when v has no length. The length is taken in
// double so that tiny vectors do not underflow to zero on the way.
bool Normalize(const Vec3& v, Vec3& out) {
  const double x = v.x, y = v.y, z = v.z;
  const double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0.0)) return false;
  out = Vec3{static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length)};
  return true;
}

Vec3 Add(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }

// One coordinate of a square corner: q + a * offset, summed in double, stored as float.
float Corner(float q, float a, float offset) {
  return static_cast<float>(static_cast<double>(q) + static_cast<double>(a) * static_cast<double>(offset));
}

}  // namespace

void MakeVector(Vec3& out, float x, float y, float z) { out = Vec3{x, y, z}; }

uint32_t PackColourXrgb(int red, int green, int blue) {
  return 0xFF000000u | Channel(red) << 16 | Channel(green) << 8 | Channel(blue);
}

uint32_t PackColourValue(float red, float green, float blue, float alpha) {
  return Component(alpha) << 24 | Component(red) << 16 | Component(green) << 8 | Component(blue);
}

PreviewVertex MeshPreviewVertex(const MeshVertex& corner) {
  const auto& c = corner.vertexColour;
  return PreviewVertex{corner.x, corner.y, corner.z, PackColourXrgb(2 * c[3], 2 * c[2], 2 * c[1])};
}

void BuildMeshPreview(PreviewLists& lists, const std::vector<MeshVertex>& corners) {
  lists.meshPreviewVertices.clear();
  lists.meshPreviewVertices.reserve(corners.size());
  for (const MeshVertex& corner : corners) lists.meshPreviewVertices.push_back(MeshPreviewVertex(corner));
  lists.meshPreviewCount = static_cast<int32_t>(lists.meshPreviewVertices.size());
}

bool BuildStarMapPreview(PreviewLists& lists, int chunkNumber, const StarMapChunk& chunk) {
  const std::size_t records = chunk.records.size();
  if (!StarMapPreviewFits(chunkNumber, records)) return false;
  StarMapPreviewEntry& entry = lists.starMapPreview[static_cast<std::size_t>(chunkNumber - 1)];
  entry.vertices.assign(records * 6, StarMapVertex{});
  entry.vertexCount = static_cast<int32_t>(records * 6);

  Vec3 up;
  MakeVector(up, 0, -1, 0);
  for (std::size_t s = 0; s < records; ++s) {
    const StarMapRecord r = chunk.records[s];
    Vec3 p;
    MakeVector(p, r.x, r.y, r.z);
    // A centre on the vertical axis (or at the origin) has no cross product with
    // `up`; the square then takes fixed axes, so it stays a square without NaN.
    Vec3 right, upward;
    if (!Normalize(Cross(p, up), right)) MakeVector(right, 1, 0, 0);
    if (!Normalize(Cross(p, right), upward)) MakeVector(upward, 0, 0, -1);
    const Vec3 diagonal = Add(right, upward);
    Vec3 q;
    MakeVector(q, static_cast<float>(1.01 * r.x), static_cast<float>(1.01 * r.y), static_cast<float>(1.01 * r.z));

    const uint32_t colour = PackColourValue(r.red, r.green, r.blue, r.alpha);
    const float a = r.size;
    auto corner = [&](const Vec3& offset, float tu, float tv) {
      return StarMapVertex{
          Corner(q.x, a, offset.x), Corner(q.y, a, offset.y), Corner(q.z, a, offset.z), colour, tu, tv};
    };
    const Vec3 none{};
    StarMapVertex* v = &entry.vertices[6 * s];
    v[0] = corner(diagonal, 0, 1);
    v[1] = corner(right, 0, 0);
    v[2] = corner(none, 1, 0);
    v[3] = corner(none, 1, 0);
    v[4] = corner(upward, 1, 1);
    v[5] = corner(diagonal, 0, 1);
  }
  return true;
}

bool AppendPointStarPreview(PreviewLists& lists, int /*chunkNumber*/, const PointStarChunk& chunk) {
  const std::size_t stars = chunk.stars.size();
  if (stars == 0) return true;
  if (!PointStarPreviewFits(static_cast<int64_t>(lists.starPreviewVertices.size()) + static_cast<int64_t>(stars))) {
    return false;
  }
  // Room for this chunk's stars, grown by doubling over a run of chunks.
  std::vector<PreviewVertex>& list = lists.starPreviewVertices;
  if (list.size() + stars > list.capacity()) list.reserve(std::max(list.size() + stars, 2 * list.capacity()));
  for (const PointStarRecord s : chunk.stars) {
    // Each product in double, stored as float: the stars sit just inside the mesh sphere.
    lists.starPreviewVertices.push_back(PreviewVertex{static_cast<float>(0.99 * s.x), static_cast<float>(0.99 * s.y),
                                                      static_cast<float>(0.99 * s.z),
                                                      PackColourValue(2 * s.red, 2 * s.green, 2 * s.blue, s.alpha)});
  }
  lists.starPreviewCount = static_cast<int32_t>(lists.starPreviewVertices.size());
  return true;
}

}  // namespace sq
