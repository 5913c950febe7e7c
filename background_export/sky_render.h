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
// the box its directions fall in (on a picture, the box of its longitudes and
// latitudes; on a cube face, what is left of it cut to the face), and a pixel
// keeps the nearest triangle met (of equally near ones, the first). The picture
// is drawn a band of rows at a time, so drawing one of any size costs a band's
// memory beside the picture's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "background_export/sky_scene.h"
#include "picture/picture.h"
#include "picture/sky_direction.h"

namespace sq {

// Where the directions through a triangle lie, in radians, with a margin of
// about 1e-5 radians for the pixel test's slack and rounding. Longitudes run
// from lonLo to lonHi (0 straight ahead, +Z, growing towards +X), which may
// pass -pi or pi and then wrap round; every longitude when allLongitudes (a
// triangle round a pole, or one so near it that the margin covers every
// longitude). Latitudes run from latLo to latHi, -pi/2 at the south pole; an
// edge's arc bulging past its corners towards a pole is included.
struct LonLatBox {
  double lonLo = 0, lonHi = 0, latLo = 0, latHi = 0;
  bool allLongitudes = false;
};

// The box of the triangle with corners a, b, c; none for a triangle the
// renderer leaves out: one with a corner that is no number or past the float
// range, or one seen edge on from the centre (its plane through the centre, or
// near enough that the pixel test could not tell its sides apart).
std::optional<LonLatBox> LonLatBoxOf(const SceneVertex& a, const SceneVertex& b, const SceneVertex& c);

class SkyRenderer {
 public:
  // The renderer reads the scene's meshes as it draws: the scene must outlive
  // it, so a scene about to go is refused.
  SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels);
  SkyRenderer(const SkyScene&& scene, SceneLayers layers, SceneLevels levels) = delete;

  // Why the mesh cannot be drawn ("" when it can): its triangles cover the sky
  // so many times over that drawing them would take without bound.
  const std::string& Refusal() const { return refusal_; }

  // A width x height equirectangular picture.
  Picture Equirect(int width, int height) const;
  // One face of an n x n cube map, held bottom row first as every Picture.
  Picture Face(CubeFace face, int n) const;

  // The same handed on band by band as each is finished, without a picture:
  // a band of rows's bytes (four a pixel: blue, green, red and alpha, the
  // bottom row first, every byte written) and where they start among the
  // picture's, once for each band, bottom band first.
  using BandSink = std::function<void(std::size_t offset, std::span<const uint8_t> bytes)>;
  // A sink that copies each band into its place among a picture's pixels.
  static BandSink SinkInto(std::span<uint8_t> bgra);
  void DrawEquirect(int width, int height, const BandSink& sink) const;
  void DrawFace(CubeFace face, int n, const BandSink& sink) const;

  // At most this many pieces of triangles, counted on a grid of 512 x 256
  // cells of longitude and latitude over the sky: each piece is a cell a
  // triangle's box covers.
  static constexpr std::size_t kMaxCellEntries = std::size_t{1} << 25;

 private:
  // A triangle drawn: its corners and its box.
  struct Triangle {
    std::array<const SceneVertex*, 3> corners;
    LonLatBox box;
  };
  struct Star {
    SkyDirection direction;
    std::array<uint8_t, 3> rgb;
    int shape;  // 0: a point, 1: a 2 x 2 block, 2: a spot
  };
  // The pixels a triangle is tried on: columns c0 .. c1 (past the picture's
  // width they wrap round to its first) of rows r0 .. r1, all from 1; none
  // when c1 < c0.
  struct PixelBox {
    int c0, c1, r0, r1;
  };
  // Where a picture's pixels look, and where the stars fall on it.
  struct PictureGeometry {
    int width, height;
    // The directions through the centres of row r's pixels (from 1, rows from
    // the bottom), column by column into `row`.
    std::function<void(int r, std::span<SkyDirection> row)> rowDirections;
    // Each triangle's pixels.
    std::vector<PixelBox> boxes;
    // Where direction d falls: x from the picture's left edge and y from its
    // bottom, in pixels; false where it falls nowhere.
    std::function<bool(const SkyDirection& d, double& x, double& y)> place;
    // Whether the picture's columns wrap round (a star's pixels off one side
    // come in on the other).
    bool wraps;
  };

  void Draw(const PictureGeometry& picture, const BandSink& sink) const;

  SceneLevels levels_;
  // The triangles drawn, in the meshes' order (of equally near ones, the first shows).
  std::vector<Triangle> triangles_;
  std::vector<Star> stars_;
  std::string refusal_;
};

}  // namespace sq
