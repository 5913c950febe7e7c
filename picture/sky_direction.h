// The sky's one convention, shared by the builder, the cube maps and the exports.
//
// An equirectangular picture of W x H: a point of it is (u, v), u in 0 .. W
// across the columns (pixel column c covers c - 1 .. c) and v in 0 .. H up the
// rows (row 1 at the bottom covers 0 .. 1). It looks in the direction
//   (cos p sin l, sin p, cos p cos l),  l = 2 pi u / W,  p = pi v / H - pi / 2,
// +Y up, column 1 just right of straight ahead (+Z), columns growing towards +X.
// A pixel's centre is u = c - 1/2, v = r - 1/2.
//
// A cube map follows OpenGL's table, each face N x N read top row first: a
// direction picks the face of its largest |component|, and on it s counts from
// the face's left column, t from its top row, both 0 .. 1.
#pragma once

#include <array>

namespace sq {

struct SkyDirection {
  double x = 0, y = 0, z = 0;
};

// The unit direction of picture point (u, v) of a width x height picture.
SkyDirection DirectionOfPoint(double u, double v, int width, int height);

struct PicturePoint {
  double u = 0, v = 0;
};

// The picture point a direction (any length above 0) looks at: u in [0, W),
// v in [0, H]. Straight up or down gives u = 0.
PicturePoint PointOfDirection(const SkyDirection& d, int width, int height);

enum class CubeFace { PositiveX, NegativeX, PositiveY, NegativeY, PositiveZ, NegativeZ };
inline constexpr std::array<CubeFace, 6> kCubeFaces = {CubeFace::PositiveX, CubeFace::NegativeX, CubeFace::PositiveY,
                                                       CubeFace::NegativeY, CubeFace::PositiveZ, CubeFace::NegativeZ};
// "px", "nx", "py", "ny", "pz", "nz": the faces' name suffixes, in that order.
const char* CubeFaceSuffix(CubeFace face);

struct CubePoint {
  CubeFace face = CubeFace::PositiveX;
  double s = 0, t = 0;  // 0 .. 1 from the face's left column and top row
};

// The face a direction (any length above 0) meets, and where on it.
CubePoint CubePointOfDirection(const SkyDirection& d);

// The unit direction through (s, t) of a face.
SkyDirection DirectionOfCubePoint(const CubePoint& p);

}  // namespace sq
