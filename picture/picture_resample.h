// An equirectangular picture brought to another size before a build.
#pragma once

#include "picture/picture.h"

namespace sq {

// The picture resampled to width x height, each direction on its own: where a
// direction shrinks, a new pixel is the area-weighted mean of the old pixels
// it covers; where it grows (or stays), the bilinear blend of the two old pixel
// centres around its own centre. Columns wrap around the left and right edges
// (they meet straight ahead); rows do not wrap across the poles (the top and
// bottom rows stand in for what lies beyond them). Every channel, alpha too,
// is rounded to the nearest level.
Picture ResamplePicture(const Picture& source, int width, int height);

}  // namespace sq
