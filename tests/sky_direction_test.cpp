#include "picture/sky_direction.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectNear(const sq::SkyDirection& a, const sq::SkyDirection& b) {
  EXPECT_NEAR(a.x, b.x, 1e-12);
  EXPECT_NEAR(a.y, b.y, 1e-12);
  EXPECT_NEAR(a.z, b.z, 1e-12);
}

}  // namespace

// The picture's corners of the convention: the middle row's left edge looks ahead
// (+Z), a quarter across looks right (+X), the top edge straight up; and a
// direction gives back the point it came from.
TEST(SkyDirection, PicturePointsLookWhereTheConventionSaysAndBack) {
  ExpectNear(sq::DirectionOfPoint(0, 256, 1024, 512), {0, 0, 1});
  ExpectNear(sq::DirectionOfPoint(256, 256, 1024, 512), {1, 0, 0});
  ExpectNear(sq::DirectionOfPoint(512, 0, 1024, 512), {0, -1, 0});
  for (double u : {0.5, 100.25, 511.5, 1023.5}) {
    for (double v : {0.5, 3.0, 256.0, 511.5}) {
      const sq::PicturePoint p = sq::PointOfDirection(sq::DirectionOfPoint(u, v, 1024, 512), 1024, 512);
      EXPECT_NEAR(p.u, u, 1e-9);
      EXPECT_NEAR(p.v, v, 1e-9);
    }
  }
}

// Each face's top-left corner and centre as the cube-map table places them, and
// the round trip through every face.
TEST(SkyDirection, CubeFacesFollowTheTable) {
  const double k = 1 / std::sqrt(3.0);
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::PositiveX, 0, 0}), {k, k, k});
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::NegativeX, 0, 0}), {-k, k, -k});
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::PositiveY, 0, 0}), {-k, k, -k});
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::NegativeY, 0, 0}), {-k, -k, k});
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::PositiveZ, 0, 0}), {-k, k, k});
  ExpectNear(sq::DirectionOfCubePoint({sq::CubeFace::NegativeZ, 0, 0}), {k, k, -k});
  for (sq::CubeFace face : sq::kCubeFaces) {
    for (double s : {0.1, 0.5, 0.9}) {
      for (double t : {0.2, 0.5, 0.7}) {
        const sq::CubePoint back = sq::CubePointOfDirection(sq::DirectionOfCubePoint({face, s, t}));
        EXPECT_EQ(back.face, face) << sq::CubeFaceSuffix(face);
        EXPECT_NEAR(back.s, s, 1e-12);
        EXPECT_NEAR(back.t, t, 1e-12);
      }
    }
  }
}
