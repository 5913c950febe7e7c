// Test helpers for built backgrounds: generated skies, the way back from a point
// of the sphere to the picture, and a few sums over the mesh.
#pragma once

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "builder/builder.h"
#include "tests/tga_kit.h"
#include "writer/background_writer.h"

namespace sqtest {

// A sky whose colours change slowly everywhere (a fraction of a level from a
// pixel to the next), the same on both sides of the left and right edges, so
// the detector finds nothing in it.
inline Picture SmoothSky(int width, int height) {
  Picture p(width, height);
  for (int y = 1; y <= height; ++y) {
    const double t = (y - 0.5) / height;
    for (int x = 1; x <= width; ++x) {
      const double l = 2 * std::numbers::pi * (x - 0.5) / width;
      p.Set(x, y, uint8_t(std::lround(40 + 25 * std::sin(l) + 20 * t)), uint8_t(std::lround(25 + 15 * std::cos(l))),
            uint8_t(std::lround(15 + 40 * t * t)));
    }
  }
  return p;
}

// A picture point (u, v) back from a point of the sphere.
struct PicturePoint {
  double u, v;
};
inline PicturePoint ToPicture(double x, double y, double z, int width, int height) {
  const double pi = std::numbers::pi;
  double u = std::atan2(x, z) / (2 * pi) * width;
  if (u < 0) u += width;
  const double r = std::sqrt(x * x + y * y + z * z);
  return {u, (std::asin(std::clamp(y / r, -1.0, 1.0)) + pi / 2) / pi * height};
}

// The distance between two columns, around the wrap.
inline double ColumnGap(double a, double b, int width) {
  const double d = std::fabs(a - b);
  return std::min(d, width - d);
}

// The mean colour (blue, green, red) of the n x n pixels nearest to (u, v),
// rows outside the picture left out.
inline std::array<double, 3> CellMean(const Picture& p, double u, double v, int n) {
  std::array<double, 3> sum{};
  int count = 0;
  const int c0 = int(std::floor(u - n / 2.0 + 1e-9)) + 1, r0 = int(std::floor(v - n / 2.0 + 1e-9)) + 1;
  for (int r = std::max(r0, 1); r <= std::min(r0 + n - 1, p.height); ++r) {
    for (int c = c0; c < c0 + n; ++c) {
      const uint8_t* px = const_cast<Picture&>(p).At((c - 1 + p.width) % p.width + 1, r);
      for (int k = 0; k < 3; ++k) sum[k] += px[k];
      ++count;
    }
  }
  for (double& s : sum) s /= count;
  return sum;
}

using Vec = std::array<double, 3>;
inline Vec Of(const sq::MeshVertex& v) { return {v.x, v.y, v.z}; }
inline Vec Sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Length(const Vec& a) { return std::sqrt(Dot(a, a)); }

// The solid angle a triangle covers seen from the origin, negative when it turns
// clockwise seen from there (its normal (b - a) x (c - a) points inwards).
inline double SolidAngle(const Vec& a, const Vec& b, const Vec& c) {
  const double la = Length(a), lb = Length(b), lc = Length(c);
  return 2 * std::atan2(Dot(a, Cross(b, c)), la * lb * lc + Dot(a, b) * lc + Dot(a, c) * lb + Dot(b, c) * la);
}

inline sq::BuiltBackground BuildFromFile(const TempDir& dir, const std::vector<uint8_t>& file,
                                         const sq::BuildOptions& options, sq::Platform& platform) {
  WriteBytes(dir / "sky.tga", file);
  PlatformFace face(platform);
  sq::TgaReadOptions read = face.Asking();
  read.showSizeWarning = false;
  return face.Show(sq::BuildBackgroundFromFile(sq::OpenPictureFile(dir / "sky.tga"), options, face.progress, read));
}

// The bytes write-background writes for a background.
inline std::string Serialized(const sq::BackgroundTables& background) {
  sq::BackgroundWriterTables writer;
  EXPECT_EQ(sq::CopyBackgroundToWriter(background, writer), "");
  return sq::SerializeBackgroundHod(writer);
}

// Built straight from a picture held in memory (stored bottom-up).
inline sq::BuiltBackground BuildFromPicture(const Picture& picture, const sq::BuildOptions& options) {
  sq::TgaTables t = TablesOf(picture);
  sq::NoProgress progress;
  return sq::BuildBackground(t, options, progress);
}

}  // namespace sqtest
