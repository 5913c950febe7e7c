// What a background shows, gathered for its exports. The folder
// background_export/ holds:
//
//   sky_scene.h          the mesh, star maps and point stars of a walked or built background
//   sky_render.h         the background drawn into an equirectangular picture or a cube face
//   gltf_scene.h         the background as a binary glTF 2.0 scene
//   background_export.h  the formats chosen by a file's extension, written through an OutputFolder
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hod/background_tables.h"

namespace sq {

struct Model;

struct SceneVertex {
  float x = 0, y = 0, z = 0;
  std::array<uint8_t, 3> rgb{};  // the stored colour bytes: red, green, blue
};

// One mesh chunk: its vertices and the vertex numbers of its triangles, in the
// order the preview draws them.
struct SceneMesh {
  std::vector<SceneVertex> vertices;
  std::vector<std::array<uint16_t, 3>> triangles;
};

struct SkyScene {
  std::vector<SceneMesh> meshes;                       // the mesh chunks shown, in order
  std::array<std::vector<StarMapRecord>, 2> starMaps;  // the two star-map slots
  std::vector<PointStarRecord> pointStars;             // every point-star chunk's, in order
  // Why the mesh is not whole ("" when it is): a chunk cut off or one whose
  // triangles name a vertex it has not. Its triangles before that are kept.
  std::string broken;

  bool Empty() const;
};

// What the preview of a walked model shows: the mesh rows the walk showed,
// the records behind the two star-map slots, the stars of every point-star
// chunk read.
SkyScene SceneOfModel(const Model& model);

// The same of background tables held whole (a built background): the first
// part of every mesh chunk, star maps 1 and 2, every point-star chunk.
SkyScene SceneOfBackground(const BackgroundTables& background);

// Which layers an export holds.
struct SceneLayers {
  bool mesh = true, starMaps = true, pointStars = true;
};

// The levels an export holds. Stored: the levels the builder reads (a mesh
// byte as stored, a point star's component times 510, a star map's times
// 255), so an exported picture builds the same background again. Display: the
// mesh's bytes doubled, as the preview and the game show them (the stars are
// shown at the same levels either way).
enum class SceneLevels { Stored, Display };

// The 8-bit levels of a mesh vertex's colour, red, green, blue. (Inline: the
// renderer asks for them for every corner of every triangle it draws.)
inline std::array<uint8_t, 3> MeshLevels(const SceneVertex& vertex, SceneLevels levels) {
  if (levels == SceneLevels::Stored) return vertex.rgb;
  std::array<uint8_t, 3> out{};
  for (std::size_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(std::min(255, 2 * vertex.rgb[c]));
  return out;
}
// The levels of a point star and of a star-map record, red, green, blue.
std::array<uint8_t, 3> PointStarLevels(const PointStarRecord& star);
std::array<uint8_t, 3> StarMapLevels(const StarMapRecord& record);

}  // namespace sq
