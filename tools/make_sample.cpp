// Writes the bundled sample HOD: a procedurally generated sky put into the writer
// tables and written by our own background writer. Deterministic: the same
// program always makes the same bytes.
// Usage: make_sample OUT.hod
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_platform.h"
#include "tools/tool_args.h"
#include "writer/modMakeBGhod.h"

namespace {

// The preview looks from 270 units off centre with its far plane at 1000: a sky
// of this radius stays inside the picture in every direction (270 + 600 < 1000).
constexpr double kRadius = 600.0;
constexpr double kPi = 3.14159265358979323846;

// A small linear congruential generator of our own, so the sky does not depend
// on the standard library's distributions.
class Random {
 public:
  double Uniform() {  // [0, 1)
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 16777216.0;
  }
  double Between(double low, double high) { return low + (high - low) * Uniform(); }

 private:
  uint32_t state_ = 20240611u;
};

struct Direction {
  double x, y, z;
};

Direction FromAngles(double latitude, double longitude) {
  return {std::cos(latitude) * std::cos(longitude), std::sin(latitude), std::cos(latitude) * std::sin(longitude)};
}

Direction RandomDirection(Random& random) {
  const double y = random.Between(-1.0, 1.0);
  const double longitude = random.Between(0.0, 2.0 * kPi);
  const double r = std::sqrt(1.0 - y * y);
  return {r * std::cos(longitude), y, r * std::sin(longitude)};
}

// Sky colour in 0..127 per channel (halftoned, so the doubled preview colour stays
// below 255): a dark blue ground, a band of light along a tilted plane, and a
// reddish nebula around one direction.
uint8_t Halftone(double value) { return static_cast<uint8_t>(std::clamp(std::floor(value), 0.0, 127.0)); }

std::array<uint8_t, 4> SkyColour(const Direction& d) {
  const double plane = 0.35 * d.x + 0.87 * d.y - 0.34 * d.z;
  const double band = std::exp(-plane * plane / 0.02);
  const double toward = std::max(0.0, 0.62 * d.x + 0.28 * d.y - 0.73 * d.z);
  const double nebula = toward * toward * toward * toward;
  const double red = 4 + 30 * band + 120 * nebula;
  const double green = 6 + 32 * band + 45 * nebula;
  const double blue = 22 + 40 * band + 70 * nebula;
  return {0, Halftone(blue), Halftone(green), Halftone(red)};  // byte 0 unused, then blue, green, red
}

// One of sixteen patches of the sphere: four latitude bands by four longitude
// sectors, each a grid of rows x columns quads. Even patches are triangle lists,
// odd ones a single strip with repeated indices joining its rows. Seen from the
// centre every triangle turns clockwise: the preview culls the other way round.
sq::MeshChunk SkyPatch(int patch) {
  constexpr int kRows = 4, kColumns = 6;
  const int band = patch / 4, sector = patch % 4;
  std::vector<sq::MeshVertex> vertices;
  for (int r = 0; r <= kRows; ++r) {
    const double latitude = (-90.0 + 45.0 * (band + static_cast<double>(r) / kRows)) * kPi / 180.0;
    for (int c = 0; c <= kColumns; ++c) {
      const double longitude = 90.0 * (sector + static_cast<double>(c) / kColumns) * kPi / 180.0;
      const Direction d = FromAngles(latitude, longitude);
      sq::MeshVertex v;
      v.x = static_cast<float>(kRadius * d.x);
      v.y = static_cast<float>(kRadius * d.y);
      v.z = static_cast<float>(kRadius * d.z);
      v.vertexColour = SkyColour(d);
      vertices.push_back(v);
    }
  }
  auto at = [](int r, int c) { return static_cast<int16_t>(r * (kColumns + 1) + c); };
  std::vector<int16_t> indices;
  if (patch % 2 == 0) {
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        indices.insert(indices.end(), {at(r, c), at(r, c + 1), at(r + 1, c)});
        indices.insert(indices.end(), {at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)});
      }
    }
    return sq::WriterMeshChunk(std::move(vertices), sq::kTriangleList, std::move(indices));
  }
  for (int r = 0; r < kRows; ++r) {
    if (r > 0) indices.insert(indices.end(), {indices.back(), at(r + 1, 0)});  // join rows with empty triangles
    for (int c = 0; c <= kColumns; ++c) indices.insert(indices.end(), {at(r + 1, c), at(r, c)});
  }
  return sq::WriterMeshChunk(std::move(vertices), sq::kTriangleStrip, std::move(indices));
}

sq::StarMapChunk StarMapLayer(Random& random, int records, double minSize, double maxSize, double minAlpha) {
  sq::StarMapChunk chunk;
  chunk.recordCount = records;
  std::vector<sq::StarMapRecord>& list = chunk.records.Owned();
  for (int i = 0; i < records; ++i) {
    const Direction d = RandomDirection(random);
    sq::StarMapRecord r;
    r.x = static_cast<float>(kRadius * d.x);
    r.y = static_cast<float>(kRadius * d.y);
    r.z = static_cast<float>(kRadius * d.z);
    r.size = static_cast<float>(random.Between(minSize, maxSize));
    r.red = static_cast<float>(random.Between(0.6, 1.0));
    r.green = static_cast<float>(random.Between(0.6, 1.0));
    r.blue = static_cast<float>(random.Between(0.7, 1.0));
    r.alpha = static_cast<float>(random.Between(minAlpha, 1.0));
    list.push_back(r);
  }
  return chunk;
}

// Point stars: colours are doubled in the preview, so the brightest reach past 1.
sq::PointStarChunk PointStars(Random& random, int count) {
  sq::PointStarChunk chunk;
  chunk.starCount = count;
  std::vector<sq::PointStarRecord>& stars = chunk.stars.Owned();
  for (int i = 0; i < count; ++i) {
    const Direction d = RandomDirection(random);
    const double brightness = random.Between(0.15, 0.6);
    sq::PointStarRecord s;
    s.x = static_cast<float>(kRadius * d.x);
    s.y = static_cast<float>(kRadius * d.y);
    s.z = static_cast<float>(kRadius * d.z);
    s.red = static_cast<float>(brightness * random.Between(0.8, 1.0));
    s.green = static_cast<float>(brightness * random.Between(0.85, 1.0));
    s.blue = static_cast<float>(brightness);
    s.alpha = 1.0f;
    stars.push_back(s);
  }
  return chunk;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_sample OUT.hod\n"
                                           "Writes the bundled sample background (a generated sky) as OUT.hod.\n",
                                           1, 1);
  sq::BackgroundWriterTables tables;
  for (int patch = 0; patch < 16; ++patch) tables.outBgmsTable.push_back(SkyPatch(patch));
  Random random;
  tables.outBgsgTable[0] = StarMapLayer(random, 24, 60, 160, 1.0);
  tables.outBgsgTable[1] = StarMapLayer(random, 12, 120, 240, 0.5);
  for (int j = 0; j < 16; ++j) tables.outStrfTable[static_cast<std::size_t>(j)] = PointStars(random, 18 + (j * 7) % 13);

  sq::CliPlatform platform;
  const sq::WriteHodOutcome outcome = sq::WriteBackgroundHod(tables, args[0], platform);
  return outcome.status == sq::WriteHodOutcome::Status::Written ? 0 : 1;
}
