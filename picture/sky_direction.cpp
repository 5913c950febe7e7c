#include "picture/sky_direction.h"

#include <cmath>
#include <numbers>

namespace sq {

namespace {

SkyDirection Unit(double x, double y, double z) {
  const double n = std::sqrt(x * x + y * y + z * z);
  return {x / n, y / n, z / n};
}

}  // namespace

SkyDirection DirectionOfPoint(double u, double v, int width, int height) {
  const double l = 2 * std::numbers::pi * u / width;
  const double p = std::numbers::pi * v / height - std::numbers::pi / 2;
  return {std::cos(p) * std::sin(l), std::sin(p), std::cos(p) * std::cos(l)};
}

PicturePoint PointOfDirection(const SkyDirection& d, int width, int height) {
  const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  const double p = std::asin(std::fmax(-1.0, std::fmin(1.0, d.y / n)));
  double l = std::atan2(d.x, d.z);  // -pi .. pi, 0 straight ahead
  if (l < 0) l += 2 * std::numbers::pi;
  double u = l / (2 * std::numbers::pi) * width;
  if (u >= width) u -= width;
  return {u, (p + std::numbers::pi / 2) / std::numbers::pi * height};
}

const char* CubeFaceSuffix(CubeFace face) {
  static constexpr const char* kSuffixes[] = {"px", "nx", "py", "ny", "pz", "nz"};
  return kSuffixes[static_cast<int>(face)];
}

CubePoint CubePointOfDirection(const SkyDirection& d) {
  const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
  if (ax >= ay && ax >= az) {
    if (d.x > 0) return {CubeFace::PositiveX, (-d.z / ax + 1) / 2, (-d.y / ax + 1) / 2};
    return {CubeFace::NegativeX, (d.z / ax + 1) / 2, (-d.y / ax + 1) / 2};
  }
  if (ay >= az) {
    if (d.y > 0) return {CubeFace::PositiveY, (d.x / ay + 1) / 2, (d.z / ay + 1) / 2};
    return {CubeFace::NegativeY, (d.x / ay + 1) / 2, (-d.z / ay + 1) / 2};
  }
  if (d.z > 0) return {CubeFace::PositiveZ, (d.x / az + 1) / 2, (-d.y / az + 1) / 2};
  return {CubeFace::NegativeZ, (-d.x / az + 1) / 2, (-d.y / az + 1) / 2};
}

SkyDirection DirectionOfCubePoint(const CubePoint& p) {
  const double a = 2 * p.s - 1, b = 2 * p.t - 1;  // each -1 .. 1
  switch (p.face) {
    case CubeFace::PositiveX:
      return Unit(1, -b, -a);
    case CubeFace::NegativeX:
      return Unit(-1, -b, a);
    case CubeFace::PositiveY:
      return Unit(a, 1, b);
    case CubeFace::NegativeY:
      return Unit(a, -1, -b);
    case CubeFace::PositiveZ:
      return Unit(a, -b, 1);
    case CubeFace::NegativeZ:
      break;
  }
  return Unit(-a, -b, -1);
}

}  // namespace sq
