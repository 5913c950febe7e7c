// A background drawn into pictures: an equirectangular picture in the sky's
// direction convention (picture/sky_direction.h), or the faces of a cube map.
//
// Each pixel takes the colour of the mesh where the direction through its
// centre meets it: the nearest triangle that direction passes through, the
// colours of its corners blended by where the direction meets its plane, as
// the preview's rasteriser blends them. A pixel whose direction meets no
// triangle is black. Then the stars are drawn over the mesh in the shapes the
// builder's detector reads back: a star of the first star map as a 2 x 2
// block centred on its direction, one of the second (a spot) as that block
// with a pixel of its colour off each of its corners, a point star as the one
// pixel its direction falls in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "background_export/sky_scene.h"
#include "picture/picture.h"
#include "picture/sky_direction.h"

namespace sq {

class SkyRenderer {
 public:
  SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels);

  // Why the mesh cannot be drawn ("" when it can): its triangles cover the sky
  // so many times over that the index of where they lie would pass its limit.
  const std::string& Refusal() const { return refusal_; }

  // A width x height equirectangular picture.
  Picture Equirect(int width, int height) const;
  // One face of an n x n cube map, held bottom row first as every Picture.
  Picture Face(CubeFace face, int n) const;

  // At most this many (triangle, cell) entries in the index.
  static constexpr std::size_t kMaxCellEntries = std::size_t{1} << 25;

 private:
  // A triangle a, b, c as a ray from the centre along d meets it: the corners
  // weigh d . (b x c), d . (c x a) and d . (a x b), over their sum d . n, and
  // the ray meets the plane at (n . a) / (d . n) times d.
  struct Triangle {
    std::array<double, 3> bc, ca, ab;            // b x c, c x a, a x b
    double plane = 0;                            // n . a
    std::array<std::array<float, 3>, 3> colour;  // the corners' levels, red, green, blue
  };
  struct Star {
    SkyDirection direction;
    std::array<uint8_t, 3> rgb;
    int shape;  // 0: a point, 1: a 2 x 2 block, 2: a spot
  };
  class Canvas;

  void IndexTriangles();
  // The colour of the mesh in direction d, red, green, blue; false where it meets none.
  bool MeshColour(const SkyDirection& d, int cellU, int cellV, std::array<uint8_t, 3>& rgb) const;
  void DrawStars(Canvas& canvas) const;

  std::vector<Triangle> triangles_;
  std::vector<std::array<std::array<double, 3>, 3>> corners_;  // each triangle's, while it is indexed
  std::vector<Star> stars_;
  // The triangles that may meet each cell of a kCellsAcross x kCellsUp grid
  // over the equirectangular picture, cell after cell.
  std::vector<uint32_t> cellStart_;
  std::vector<uint32_t> cellTriangles_;
  std::string refusal_;
};

}  // namespace sq
