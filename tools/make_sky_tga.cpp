// Writes a 1024 x 512 32-bit TGA sky with planted stars of the three shapes the
// detector knows, and prints where it planted them, one line each:
// "ENTRY COLUMN ROW" (ENTRY 0: a 2 x 2 star, 1: a single-pixel star, 2: a 2 x 2
// star with one bright diagonal corner; columns and rows count from 1 in file
// order). Deterministic: the same file and list every run.
// Usage: make_sky_tga OUT.tga [WIDTH HEIGHT]   (default 1024 x 512; the glow sits
// where it sits on the default sky, scaled with the image)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "output/file_output.h"
#include "picture/tga_header.h"
#include "tools/tool_args.h"

namespace {

// The image size, set once from the command line.
int imageWidth = 1024, imageHeight = 512;
constexpr int kCell = 32;  // the sky is shaded in cells of this size; each cell holds at most one feature

struct Sky {
  std::vector<uint8_t> pixels =
      std::vector<uint8_t>(static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight) * 4);
  void Set(int x, int y, int blue, int green, int red) {
    uint8_t* p = &pixels[(static_cast<std::size_t>(y - 1) * imageWidth + static_cast<std::size_t>(x - 1)) * 4];
    p[0] = static_cast<uint8_t>(blue);
    p[1] = static_cast<uint8_t>(green);
    p[2] = static_cast<uint8_t>(red);
    p[3] = 255;
  }
};

// A small linear congruential generator: the same numbers on every platform.
struct Lcg {
  uint32_t state = 20240611u;
  uint32_t Next(uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_sky_tga OUT.tga [WIDTH HEIGHT]\n"
                                           "Writes a 32-bit TGA sky (1024 x 512 unless told) with planted stars\n"
                                           "and lists the stars on stdout.\n",
                                           1, 3);
  if (args.size() == 2) {
    std::fprintf(stderr, "make_sky_tga: give both WIDTH and HEIGHT, or neither\n");
    return 2;
  }
  if (args.size() == 3) {
    long w = 0, h = 0;
    // TGA sizes are 16-bit; a sky needs at least three cells each way.
    const bool parsed =
        sqtools::ParseWhole(args[1], 3 * kCell, 32767, w) && sqtools::ParseWhole(args[2], 3 * kCell, 32767, h);
    imageWidth = static_cast<int>(w);
    imageHeight = static_cast<int>(h);
    if (!parsed) {
      std::fprintf(stderr, "make_sky_tga: WIDTH and HEIGHT must lie between %d and 32767\n", 3 * kCell);
      return 2;
    }
  }
  Sky sky;
  // A night-blue sky brightening towards a glow, shaded per cell: inside a cell
  // the background is flat, and neighbouring cells differ by a few levels at most.
  for (int y = 1; y <= imageHeight; ++y) {
    for (int x = 1; x <= imageWidth; ++x) {
      const double cx = ((x - 1) / kCell + 0.5) * kCell, cy = ((y - 1) / kCell + 0.5) * kCell;
      // The glow's place and spread in 1024 x 512 units (an exact scale of 1 there).
      const double gx = cx * 1024.0 / imageWidth, gy = cy * 512.0 / imageHeight;
      const double glow = std::exp(-((gx - 700) * (gx - 700) + (gy - 200) * (gy - 200)) / (2 * 160.0 * 160.0));
      const int shade = static_cast<int>(6 * cy / imageHeight + 18 * glow);
      sky.Set(x, y, 24 + shade, 10 + shade / 2, 6 + shade);
    }
  }

  Lcg rng;
  std::string planted;
  for (int cy = 1; cy < imageHeight / kCell - 1; ++cy) {
    for (int cx = 1; cx < imageWidth / kCell - 1; ++cx) {
      const uint32_t kind = rng.Next(5);  // 0..2 a star of that entry, 3 a streak, 4 nothing
      const int x = cx * kCell + 6 + static_cast<int>(rng.Next(kCell - 14));
      const int y = cy * kCell + 6 + static_cast<int>(rng.Next(kCell - 14));
      const int lift = 80 + static_cast<int>(rng.Next(20));
      const int blue = 28 + lift, green = 27 + lift, red = 24 + lift;  // at most 127: a halftoned image
      if (kind == 3) {  // a short satellite streak: contrast marks, but no star
        for (int k = 0; k < 12; ++k) sky.Set(cx * kCell + 8 + k, y, blue, green, red);
        continue;
      }
      if (kind == 4) continue;
      sky.Set(x, y, blue, green, red);
      if (kind != 1) {
        sky.Set(x + 1, y, blue, green, red);
        sky.Set(x, y + 1, blue, green, red);
        sky.Set(x + 1, y + 1, blue, green, red);
      }
      if (kind == 2) sky.Set(x - 1, y - 1, blue, green, red);
      planted += std::to_string(kind) + " " + std::to_string(x) + " " + std::to_string(y) + "\n";
    }
  }

  const auto header = sq::EncodeTgaHeader({.imageType = sq::kTgaTrueColour,
                                           .width = static_cast<uint16_t>(imageWidth),
                                           .height = static_cast<uint16_t>(imageHeight),
                                           .pixelDepth = 32,
                                           .descriptor = 8});  // eight alpha bits
  std::string file(header.begin(), header.end());
  file.append(reinterpret_cast<const char*>(sky.pixels.data()), sky.pixels.size());
  file.append(std::string(8, '\0'));  // extension and developer offsets
  file.append("TRUEVISION-XFILE.");
  file.push_back('\0');
  const std::string error = sq::WriteFileAtomic(args[0], file);
  if (!error.empty()) {
    std::fprintf(stderr, "make_sky_tga: %s\n", error.c_str());
    return 1;
  }
  std::fputs(planted.c_str(), stdout);
  return 0;
}
