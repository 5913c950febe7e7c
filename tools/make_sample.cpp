// Writes the picture of the bundled sample background: a 1024 x 512 night sky
// as an equirectangular panorama (a 32-bit bottom-up TGA, halftoned), with a
// band of the galaxy and its dust lanes, two nebulae, and stars of the three
// shapes the detector knows. `starquill build-background` makes the bundled
// data/samples/sky.hod from it. Deterministic: the same bytes on every run.
// Usage: make_sample OUT.tga
//
// The sky is drawn on the sphere and looked up per pixel through the picture's
// convention (pixel (c, r) looks along (cos p sin l, sin p, cos p cos l) with
// l = 2 pi (c - 1/2) / W and p = pi (r - 1/2) / H - pi / 2), so it has no seam
// at the left and right edges and no crowding at the poles.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "output/file_output.h"
#include "picture/tga_header.h"
#include "support/sample_random.h"
#include "tools/tool_args.h"

namespace {

constexpr int kWidth = 1024, kHeight = 512;
constexpr double kPi = 3.14159265358979323846;

struct Vec {
  double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Unit(Vec a) { return (1.0 / std::sqrt(Dot(a, a))) * a; }

Vec PixelDirection(int c, int r) {
  const double l = 2 * kPi * (c - 0.5) / kWidth, p = kPi * (r - 0.5) / kHeight - kPi / 2;
  return {std::cos(p) * std::sin(l), std::sin(p), std::cos(p) * std::cos(l)};
}

// Smooth noise in space: values on the whole-number lattice from a hash, blended
// with a quintic fade, summed over a few octaves. In 0 .. 1.
double Lattice(int64_t x, int64_t y, int64_t z, uint32_t seed) {
  uint32_t h = seed ^ static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
               static_cast<uint32_t>(z) * 0xcb1ab31fu;
  h = (h ^ (h >> 13)) * 0x5bd1e995u;
  h ^= h >> 15;
  return h / 4294967296.0;
}

double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double ValueNoise(Vec p, uint32_t seed) {
  const double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
  const auto x = static_cast<int64_t>(fx), y = static_cast<int64_t>(fy), z = static_cast<int64_t>(fz);
  const double u = Fade(p.x - fx), v = Fade(p.y - fy), w = Fade(p.z - fz);
  auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
  auto at = [&](int dx, int dy, int dz) { return Lattice(x + dx, y + dy, z + dz, seed); };
  return lerp(lerp(lerp(at(0, 0, 0), at(1, 0, 0), u), lerp(at(0, 1, 0), at(1, 1, 0), u), v),
              lerp(lerp(at(0, 0, 1), at(1, 0, 1), u), lerp(at(0, 1, 1), at(1, 1, 1), u), v), w);
}

double Fbm(Vec p, double frequency, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * ValueNoise(frequency * p, seed + static_cast<uint32_t>(o) * 7919u);
    total += amplitude;
    amplitude *= 0.5;
    frequency *= 2.03;
  }
  return sum / total;
}

double Smoothstep(double a, double b, double t) {
  const double s = std::clamp((t - a) / (b - a), 0.0, 1.0);
  return s * s * (3 - 2 * s);
}

// Blue, green, red of the sky (without stars) in a direction, 0 .. 110 each so a
// star can stand out above it and stay halftoned.
std::array<double, 3> SkyColour(Vec d) {
  // The galaxy: a band about a tilted great circle, brightest towards its
  // centre, clumped, and crossed by dark dust lanes along its middle.
  const Vec pole = Unit({0.28, 0.86, -0.42});
  const Vec centre = Unit({-0.62, 0.37, -0.28});  // in the band's plane (at right angles to the pole)
  const double h = Dot(d, pole);
  const double band = std::exp(-h * h / (2 * 0.15 * 0.15));
  const double bulge = std::exp(-Dot(d - centre, d - centre) / (2 * 0.45 * 0.45));
  const double clumps = Fbm(d, 3.0, 4, 11);
  const double dust = Smoothstep(0.48, 0.68, Fbm(d + Vec{5, 1, 3}, 4.0, 4, 23)) *
                      std::exp(-(h - 0.02) * (h - 0.02) / (2 * 0.06 * 0.06));
  const double galaxy = band * (0.35 + 0.9 * clumps) * (1 + 1.4 * bulge) * (1 - 0.8 * dust);

  // An emission nebula, red and pink, and a reflection nebula, blue.
  const Vec red = Unit({-0.55, 0.2, 0.81}), blue = Unit({0.72, -0.38, -0.58});
  const double redShape = std::pow(Fbm(d + Vec{2, 7, 1}, 3.5, 4, 37), 2.0) * 2.2;
  const double blueShape = std::pow(Fbm(d + Vec{9, 4, 6}, 3.0, 4, 53), 2.0) * 2.2;
  const double redNebula = std::exp(-Dot(d - red, d - red) / (2 * 0.28 * 0.28)) * redShape;
  const double blueNebula = std::exp(-Dot(d - blue, d - blue) / (2 * 0.24 * 0.24)) * blueShape;

  // A deep blue ground with a faint glow of its own.
  const double glow = Fbm(d + Vec{3, 3, 8}, 1.5, 3, 71);
  const std::array<double, 3> ground = {12 + 8 * glow, 5 + 3 * glow, 3 + 2 * glow};

  std::array<double, 3> c{};
  c[0] = ground[0] + galaxy * 34 + redNebula * 30 + blueNebula * 62;
  c[1] = ground[1] + galaxy * (30 + 4 * bulge) + redNebula * 10 + blueNebula * 36;
  c[2] = ground[2] + galaxy * (27 + 14 * bulge) + redNebula * 66 + blueNebula * 12;
  for (double& v : c) v = std::clamp(v, 0.0, 110.0);
  return c;
}

class Picture {
 public:
  Picture() : pixels_(static_cast<std::size_t>(kWidth) * kHeight * 4, 0) {}
  uint8_t* At(int c, int r) {
    return &pixels_[(static_cast<std::size_t>(r - 1) * kWidth + static_cast<std::size_t>(c - 1)) * 4];
  }
  void Set(int c, int r, const std::array<int, 3>& bgr) {
    uint8_t* p = At(c, r);
    for (std::size_t k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::clamp(bgr[k], 0, 127));
    p[3] = 255;
  }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }

 private:
  std::vector<uint8_t> pixels_;
};

// Where stars stand, so each keeps a margin of sky the detector can see around it.
class Room {
 public:
  Room() : taken_(static_cast<std::size_t>(kWidth) * kHeight, false) {}
  // Takes the block of columns c0 .. c1 and rows r0 .. r1 (and `margin` pixels
  // around it) when none of it is taken; columns wrap around.
  bool Take(int c0, int c1, int r0, int r1, int margin) {
    for (int pass = 0; pass < 2; ++pass) {
      for (int r = r0 - margin; r <= r1 + margin; ++r) {
        for (int c = c0 - margin; c <= c1 + margin; ++c) {
          const std::size_t at = Index(c, r);
          if (pass == 0 && taken_[at]) return false;
          if (pass == 1) taken_[at] = true;
        }
      }
    }
    return true;
  }

 private:
  static std::size_t Index(int c, int r) {
    const int column = ((c - 1) % kWidth + kWidth) % kWidth;
    return static_cast<std::size_t>(std::clamp(r, 1, kHeight) - 1) * kWidth + static_cast<std::size_t>(column);
  }
  std::vector<bool> taken_;
};

// Star colours from hot to cool (blue, green, red), at full brightness.
constexpr std::array<std::array<double, 3>, 5> kStarColours = {{
    {127, 118, 104},  // blue-white
    {124, 124, 122},  // white
    {104, 122, 127},  // yellow-white
    {86, 112, 127},   // yellow
    {70, 96, 127},    // orange
}};

// A star's colour over the sky at (c, r): the chosen colour, each channel at least
// `lift` above the sky's so the detector sees it in all three.
std::array<int, 3> StarColour(sqsupport::Lcg& random, const std::array<double, 3>& sky, double brightness, int lift) {
  const std::array<double, 3>& tint = kStarColours[random.Next() % kStarColours.size()];
  std::array<int, 3> c{};
  for (std::size_t k = 0; k < 3; ++k) {
    c[k] = std::max(static_cast<int>(std::lround(tint[k] * brightness)), static_cast<int>(sky[k]) + lift);
  }
  return c;
}

// A random direction, uniform over the sphere, as a pixel.
void RandomPixel(sqsupport::Lcg& random, int& c, int& r) {
  const double y = random.Between(-1.0f, 1.0f);
  const double l = random.Between(0.0f, 1.0f);
  c = std::clamp(static_cast<int>(l * kWidth) + 1, 1, kWidth);
  r = std::clamp(static_cast<int>((std::asin(y) + kPi / 2) / kPi * kHeight) + 1, 1, kHeight);
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_sample OUT.tga\n"
                                           "Writes the picture of the bundled sample background (a 1024 x 512\n"
                                           "night sky) as OUT.tga; `starquill build-background` builds it.\n",
                                           1, 1);
  Picture picture;
  std::vector<std::array<double, 3>> sky(static_cast<std::size_t>(kWidth) * kHeight);
  for (int r = 1; r <= kHeight; ++r) {
    for (int c = 1; c <= kWidth; ++c) {
      const std::array<double, 3> colour = SkyColour(PixelDirection(c, r));
      sky[static_cast<std::size_t>(r - 1) * kWidth + static_cast<std::size_t>(c - 1)] = colour;
      picture.Set(c, r, {static_cast<int>(colour[0]), static_cast<int>(colour[1]), static_cast<int>(colour[2])});
    }
  }
  auto skyAt = [&](int c, int r) {
    return sky[static_cast<std::size_t>(r - 1) * kWidth + static_cast<std::size_t>(c - 1)];
  };

  // Stars, more of them in the galaxy's band: single pixels, 2 x 2 stars and
  // 2 x 2 spots with one bright corner, each where the detector can find it
  // (clear of the two rows at either pole it does not examine).
  sqsupport::Lcg random(20240611u);
  Room room;
  const Vec pole = Unit({0.28, 0.86, -0.42});
  const struct {
    int count, side, margin;
    double dimmest;
    bool corner;
  } kinds[] = {{1500, 1, 3, 0.55, false}, {170, 2, 3, 0.75, false}, {70, 2, 4, 0.8, true}};
  for (const auto& kind : kinds) {
    for (int placed = 0, tries = 0; placed < kind.count && tries < 200 * kind.count; ++tries) {
      int c = 0, r = 0;
      RandomPixel(random, c, r);
      const double h = Dot(PixelDirection(c, r), pole);
      const bool inBand = random.Between(0.0f, 1.0f) < 0.3 + 0.7 * std::exp(-h * h / (2 * 0.2 * 0.2));
      const double brightness = random.Between(static_cast<float>(kind.dimmest), 1.0f);
      if (!inBand || r < 5 || r > kHeight - 5) continue;
      const int c1 = c + kind.side - 1, r1 = r + kind.side - 1;
      std::array<double, 3> brightest = skyAt(c, r);
      for (int y = r - 1; y <= r1 + 1; ++y) {
        for (int x = c - 1; x <= c1 + 1; ++x) {
          const std::array<double, 3> s = skyAt((x - 1 + kWidth) % kWidth + 1, y);
          for (std::size_t k = 0; k < 3; ++k) brightest[k] = std::max(brightest[k], s[k]);
        }
      }
      if (*std::max_element(brightest.begin(), brightest.end()) > 90) continue;  // too bright a sky to stand out
      if (!room.Take(c - (kind.corner ? 1 : 0), c1, r - (kind.corner ? 1 : 0), r1, kind.margin)) continue;
      const std::array<int, 3> colour = StarColour(random, brightest, brightness, 36);
      for (int y = r; y <= r1; ++y) {
        for (int x = c; x <= c1; ++x) picture.Set((x - 1) % kWidth + 1, y, colour);
      }
      if (kind.corner) picture.Set((c - 2 + kWidth) % kWidth + 1, r - 1, colour);
      ++placed;
    }
  }

  const auto header = sq::EncodeTgaHeader({.imageType = sq::kTgaTrueColour,
                                           .width = static_cast<uint16_t>(kWidth),
                                           .height = static_cast<uint16_t>(kHeight),
                                           .pixelDepth = 32,
                                           .descriptor = 8});  // eight alpha bits, bottom row first
  std::string file(header.begin(), header.end());
  file.append(reinterpret_cast<const char*>(picture.Pixels().data()), picture.Pixels().size());
  file.append(std::string(8, '\0'));  // extension and developer offsets
  file.append("TRUEVISION-XFILE.");
  file.push_back('\0');
  const std::string error = sq::WriteFileAtomic(args[0], file);
  if (!error.empty()) {
    std::fprintf(stderr, "make_sample: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
