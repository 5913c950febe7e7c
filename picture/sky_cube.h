// A cube map made into the equirectangular picture the builder works on.
#pragma once

#include <array>
#include <string>

#include "picture/picture.h"
#include "picture/sky_direction.h"

namespace sq {

// The six faces in kCubeFaces order (+X, -X, +Y, -Y, +Z, -Z), each N x N and
// held as every Picture is, the bottom row first (a face file's top row is its
// row N).
using CubeFaces = std::array<Picture, 6>;

// Why the faces cannot make a cube map ("" when they can): each must be square
// and all of one size. `names` name the faces in the reason.
std::string CubeFacesRefusal(const CubeFaces& faces, const std::array<std::string, 6>& names);

// The width x height equirectangular picture of the cube map: each pixel the
// mean of k x k points spread over it (k grows with the face pixels one pixel
// covers, up to 8), each point the bilinear blend of the four face pixels
// around where its direction meets the cube (held to the face at its edges).
Picture PanoramaOfCube(const CubeFaces& faces, int width, int height);

// Where a point (s, t) of a face (0 .. 1 from its left column and top row)
// lies in a width x height equirectangular picture.
PicturePoint PanoramaPointOfCube(const CubePoint& point, int width, int height);

}  // namespace sq
