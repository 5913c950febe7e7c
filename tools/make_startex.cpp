// Writes the two star-field textures the preview maps onto its star-map squares:
// B02.tga and B03.tga, 256 x 256, 32 bits. Each is a soft round glow with a few
// small points scattered over it, different in tint. The pictures are ours and
// the same on every run (a fixed pseudo-random sequence).
// Usage: make_startex FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "output/file_output.h"
#include "preview/tga_texture.h"
#include "tools/tool_args.h"

namespace {

constexpr int kSize = 256;

struct Tint {
  float r, g, b;
};

sq::TextureImage MakeStarField(uint32_t seed, Tint tint, int points) {
  sq::TextureImage image;
  image.width = kSize;
  image.height = kSize;
  image.rgba.assign(kSize * kSize * 4, 0);
  auto put = [&](int x, int y, float value) {
    if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
    uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)) * 4];
    const float channels[3] = {tint.r, tint.g, tint.b};
    for (int c = 0; c < 3; ++c) {
      const float v = std::fmin(255.0f, p[c] + value * channels[c] * 255.0f);
      p[c] = static_cast<uint8_t>(v);
    }
    p[3] = static_cast<uint8_t>(std::fmin(255.0f, p[3] + value * 255.0f));
  };
  // A glow that fades to nothing at the edges, so squares blend into the sky.
  const float centre = (kSize - 1) / 2.0f;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float d = std::hypot(x - centre, y - centre) / centre;
      const float glow = d >= 1.0f ? 0.0f : std::pow(1.0f - d, 2.5f) * 0.8f;
      put(x, y, glow);
    }
  }
  // Scattered points, brighter towards the middle.
  uint32_t state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < points; ++i) {
    const int x = static_cast<int>(next() % kSize), y = static_cast<int>(next() % kSize);
    const float d = std::hypot(x - centre, y - centre) / centre;
    if (d >= 0.95f) continue;
    const float bright = 0.4f + 0.6f * static_cast<float>(next() % 1000) / 1000.0f;
    put(x, y, bright);
    put(x + 1, y, bright * 0.3f);
    put(x - 1, y, bright * 0.3f);
    put(x, y + 1, bright * 0.3f);
    put(x, y - 1, bright * 0.3f);
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_startex FOLDER\n"
                                           "Writes the star-map textures B02.tga and B03.tga into FOLDER.\n",
                                           1, 1);
  const std::filesystem::path folder = args[0];
  const struct {
    const char* name;
    uint32_t seed;
    Tint tint;
    int points;
  } textures[] = {
      {"B02.tga", 2u, {0.55f, 0.65f, 1.0f}, 220},
      {"B03.tga", 3u, {1.0f, 0.75f, 0.55f}, 160},
  };
  for (const auto& t : textures) {
    const auto bytes = sq::EncodeTarga32(MakeStarField(t.seed, t.tint, t.points));
    const std::string error = sq::WriteFileAtomic(
        folder / t.name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!error.empty()) {
      std::fprintf(stderr, "make_startex: %s: %s\n", (folder / t.name).string().c_str(), error.c_str());
      return 1;
    }
  }
  return 0;
}
