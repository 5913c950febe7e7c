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

// Each face's top-left corner as the cube-map table places it, and the round
// trip through every face.
TEST(SkyDirection, CubeFacesFollowTheTable) {
  const double k = 1 / std::sqrt(3.0);
  const sq::SkyDirection corners[6] = {{k, k, k}, {-k, k, -k}, {-k, k, -k}, {-k, -k, k}, {-k, k, k}, {k, k, -k}};
  for (std::size_t f = 0; f < 6; ++f) {
    const sq::CubeFace face = sq::kCubeFaces[f];
    SCOPED_TRACE(sq::CubeFaceSuffix(face));
    ExpectNear(sq::DirectionOfCubePoint({face, 0, 0}), corners[f]);
    for (double s : {0.1, 0.5, 0.9}) {
      for (double t : {0.2, 0.5, 0.7}) {
        const sq::CubePoint back = sq::CubePointOfDirection(sq::DirectionOfCubePoint({face, s, t}));
        EXPECT_EQ(back.face, face);
        EXPECT_NEAR(back.s, s, 1e-12);
        EXPECT_NEAR(back.t, t, 1e-12);
      }
    }
  }
}
