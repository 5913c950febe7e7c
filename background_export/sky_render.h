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
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "background_export/sky_draw.h"
#include "background_export/sky_scene.h"
#include "picture/picture.h"
#include "picture/sky_direction.h"

namespace sq {

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
  // The same drawn into `bgra`: width x height (n x n) pixels of four bytes,
  // blue, green, red and alpha, the bottom row first, every byte written.
  // Nothing is drawn into a span of another size.
  void DrawEquirect(int width, int height, std::span<uint8_t> bgra) const;
  void DrawFace(CubeFace face, int n, std::span<uint8_t> bgra) const;
  // The same handed on band by band as each is finished, without a picture:
  // a band of rows's bytes and where they start among the picture's (as
  // above), once for each band, in any order, from the drawing's threads.
  using BandSink = std::function<void(std::size_t offset, std::span<const uint8_t> bytes)>;
  // A sink that copies each band into its place among a picture's pixels.
  static BandSink SinkInto(std::span<uint8_t> bgra);
  void DrawEquirect(int width, int height, const BandSink& sink) const;
  void DrawFace(CubeFace face, int n, const BandSink& sink) const;

  // At most this many pieces of triangles, counted on a grid of 512 x 256
  // cells over the sky: each piece is a cell a triangle may show in.
  static constexpr std::size_t kMaxCellEntries = std::size_t{1} << 25;

 private:
  struct Star {
    SkyDirection direction;
    std::array<uint8_t, 3> rgb;
    int shape;  // 0: a point, 1: a 2 x 2 block, 2: a spot
  };
  // Where stars fall on a picture: place(d, x, y) gives direction d's x from
  // the picture's left edge and y from its bottom, in pixels (false where it
  // falls nowhere); and whether the picture's columns wrap round.
  struct StarPlacing {
    std::function<bool(const SkyDirection&, double&, double&)> place;
    bool wraps;
  };
  // The pixels a triangle is tried on: columns c0 .. c1 (past the picture's
  // width they wrap round) of rows r0 .. r1, all from 1; none when c1 < c0.
  struct PixelBox {
    int c0, c1, r0, r1;
  };

  void Prepare();
  // Triangle i's mesh, m its number: m is moved on from where it stands, so
  // triangles are to be asked for in increasing order.
  const SceneMesh& MeshOf(std::size_t i, std::size_t& m) const {
    while (i >= triangleStart_[m + 1]) ++m;
    return (*meshes_)[m];
  }
  // Triangle i's corners (m as for MeshOf).
  std::array<const SceneVertex*, 3> CornersOf(std::size_t i, std::size_t& m) const {
    const SceneMesh& mesh = MeshOf(i, m);
    const std::array<uint16_t, 3>& corner = mesh.triangles[i - triangleStart_[m]];
    return {&mesh.vertices[corner[0]], &mesh.vertices[corner[1]], &mesh.vertices[corner[2]]};
  }
  // Draws the triangles on a width x height picture, each on the pixels of its
  // box (boxOf(i), asked again wherever it is needed), then the stars over
  // them, band by band into the sink.
  template <class Boxes, class Rows>
  void Draw(int width, int height, const Boxes& boxOf, const Rows& rows, const StarPlacing& placing,
            const BandSink& sink) const;

  // The meshes drawn (none without the mesh layer), the levels their colours
  // show, and their triangles in their order (of equally near ones the first
  // shows), counted from the first mesh's first, each with its extent.
  const std::vector<SceneMesh>* meshes_ = nullptr;
  SceneLevels levels_;
  std::vector<std::size_t> triangleStart_;  // each mesh's first triangle, then the count
  std::size_t triangleCount_ = 0;
  std::unique_ptr<SkyExtent[]> extents_;
  std::vector<Star> stars_;
  std::string refusal_;
};

}  // namespace sq
