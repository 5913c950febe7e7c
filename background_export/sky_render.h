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
//
// The mesh is drawn triangle by triangle: each is tried only on the pixels of
// the box its directions fall in, and a pixel keeps the nearest triangle met
// (of equally near ones, the first). The work is shared among the machine's
// cores; the picture is the same however it is shared.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "background_export/sky_scene.h"
#include "picture/picture.h"
#include "picture/sky_direction.h"

namespace sq {

// The renderer's own: a triangle a, b, c of the mesh as a ray from the centre
// along d meets it. The corners weigh d . (b x c), d . (c x a) and d . (a x b),
// over their sum d . n, and the ray meets the plane at (n . a) / (d . n) times d.
// A weight may fall short of 0 by its slack, a hair's turn of d past the edge,
// so that neighbours leave no crack.
struct SkyTriangle {
  std::array<double, 3> bc, ca, ab;             // b x c, c x a, a x b
  std::array<double, 3> slack;                  // 1e-9 times |b x c|, |c x a|, |a x b|
  double plane;                                 // n . a
  std::array<std::array<double, 3>, 3> colour;  // the corners' levels, red, green, blue
};
// Where a triangle's directions lie, in radians: longitudes lonLo .. lonHi
// (past 0 or 2 pi they wrap around; all of them when `all`) and latitudes
// latLo .. latHi, with a hair's margin for rounding.
struct SkyExtent {
  double lonLo, lonHi, latLo, latHi;
  bool all, shown;  // shown: false for a triangle seen edge on, or one whose corners are no numbers
};

class SkyRenderer {
 public:
  SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels);

  // Why the mesh cannot be drawn ("" when it can): its triangles cover the sky
  // so many times over that drawing them would take without bound.
  const std::string& Refusal() const { return refusal_; }

  // A width x height equirectangular picture.
  Picture Equirect(int width, int height) const;
  // One face of an n x n cube map, held bottom row first as every Picture.
  Picture Face(CubeFace face, int n) const;

  // At most this many pieces of triangles, counted on a grid of 512 x 256
  // cells over the sky: each piece is a cell a triangle may show in.
  static constexpr std::size_t kMaxCellEntries = std::size_t{1} << 25;

 private:
  struct Star {
    SkyDirection direction;
    std::array<uint8_t, 3> rgb;
    int shape;  // 0: a point, 1: a 2 x 2 block, 2: a spot
  };
  class Canvas;
  // The pixels a triangle is tried on: columns c0 .. c1 (past the picture's
  // width they wrap round) of rows r0 .. r1, all from 1; none when c1 < c0.
  struct PixelBox {
    int c0, c1, r0, r1;
  };

  void Prepare(const SkyScene& scene, SceneLevels levels);
  // The triangle with these corners, turned to face the centre.
  SkyTriangle TriangleOf(const std::array<uint32_t, 3>& corners) const;
  template <class Rows>
  void DrawMesh(Picture& picture, const PixelBox* boxes, const Rows& rows) const;
  void DrawStars(Canvas& canvas) const;

  // The mesh's vertices with their levels, and its triangles in their order
  // (of equally near ones the first shows), each with its extent and its
  // corners' numbers among the vertices.
  std::vector<std::array<float, 3>> vertices_;
  std::vector<std::array<double, 3>> colours_;
  std::size_t triangleCount_ = 0;
  std::unique_ptr<SkyExtent[]> extents_;
  std::unique_ptr<std::array<uint32_t, 3>[]> corners_;
  std::vector<Star> stars_;
  std::string refusal_;
};

}  // namespace sq
