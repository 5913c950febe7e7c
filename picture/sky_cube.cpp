#include "picture/sky_cube.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace sq {

std::string CubeFacesRefusal(const CubeFaces& faces, const std::array<std::string, 6>& names) {
  for (std::size_t k = 0; k < faces.size(); ++k) {
    const Picture& f = faces[k];
    if (f.width != f.height) {
      return "the cube face " + names[k] + " is " + std::to_string(f.width) + " x " + std::to_string(f.height) +
             " pixels; a face must be square";
    }
    if (f.width != faces[0].width) {
      return "the cube face " + names[k] + " is " + std::to_string(f.width) + " x " + std::to_string(f.height) +
             " pixels and " + names[0] + " " + std::to_string(faces[0].width) + " x " +
             std::to_string(faces[0].height) + "; all six must be of one size";
    }
  }
  return {};
}

namespace {

// Blue, green, red and alpha of a face at (s, t), blended from the four pixels
// around it (whose centres lie at (i + 1/2) / N), held to the face's edge.
void Sample(const Picture& face, double s, double t, float out[4]) {
  const int n = face.width;
  const double x = std::clamp(s * n - 0.5, 0.0, n - 1.0), y = std::clamp(t * n - 0.5, 0.0, n - 1.0);
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, n - 1), y1 = std::min(y0 + 1, n - 1);
  const float fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
  // y counts from the top: picture row n - y, counted from 1 at the bottom.
  const uint8_t* a = face.Pixel(x0 + 1, n - y0);
  const uint8_t* b = face.Pixel(x1 + 1, n - y0);
  const uint8_t* c = face.Pixel(x0 + 1, n - y1);
  const uint8_t* d = face.Pixel(x1 + 1, n - y1);
  for (int k = 0; k < 4; ++k) {
    const auto level = [k](const uint8_t* p) { return static_cast<float>(p[k]); };
    out[k] = (1 - fy) * ((1 - fx) * level(a) + fx * level(b)) + fy * ((1 - fx) * level(c) + fx * level(d));
  }
}

}  // namespace

Picture PanoramaOfCube(const CubeFaces& faces, int width, int height) {
  Picture out;
  out.width = width;
  out.height = height;
  out.bgra.resize(out.PixelCount() * 4);
  const int n = faces[0].width;
  // A pixel of the panorama spans 2 pi / width across; a face pixel at the
  // face's middle 2 / n.
  const int k = std::clamp(static_cast<int>(std::ceil(std::numbers::pi * n / width)), 1, 8);
  // The sines and cosines of the points' longitudes and latitudes, once each.
  std::vector<std::pair<double, double>> across, up;
  for (int i = 0; i < width * k; ++i) {
    const double l = 2 * std::numbers::pi * (i + 0.5) / k / width;
    across.emplace_back(std::sin(l), std::cos(l));
  }
  for (int j = 0; j < height * k; ++j) {
    const double p = std::numbers::pi * (j + 0.5) / k / height - std::numbers::pi / 2;
    up.emplace_back(std::sin(p), std::cos(p));
  }
  for (int r = 1; r <= height; ++r) {
    for (int c = 1; c <= width; ++c) {
      float sum[4] = {0, 0, 0, 0};
      for (int i = 0; i < k; ++i) {
        const auto [sinL, cosL] =
            across[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(k) + static_cast<std::size_t>(i)];
        for (int j = 0; j < k; ++j) {
          const auto [sinP, cosP] =
              up[static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(k) + static_cast<std::size_t>(j)];
          const CubePoint p = CubePointOfDirection({cosP * sinL, sinP, cosP * cosL});
          float px[4];
          Sample(faces[static_cast<std::size_t>(p.face)], p.s, p.t, px);
          for (int q = 0; q < 4; ++q) sum[q] += px[q];
        }
      }
      uint8_t* o = out.Pixel(c, r);
      for (int q = 0; q < 4; ++q)
        o[q] = static_cast<uint8_t>(std::clamp(std::lround(sum[q] / static_cast<float>(k * k)), 0L, 255L));
    }
  }
  return out;
}

PicturePoint PanoramaPointOfCube(const CubePoint& point, int width, int height) {
  return PointOfDirection(DirectionOfCubePoint(point), width, height);
}

}  // namespace sq
