// Writes a large background HOD through our background writer, for timing the
// report and the preview lists: sixteen sphere patches of TRIANGLES triangles
// each, two star-map layers and STARS point stars spread over sixteen chunks.
// Deterministic: the same arguments always make the same bytes.
// Usage: make_big_background OUT.hod [TRIANGLES [STARS]]   (defaults 100000 and 1000000)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli_platform.h"
#include "app/message_boxes.h"
#include "support/sample_random.h"
#include "tools/tool_args.h"
#include "writer/background_writer.h"

namespace {

constexpr double kRadius = 1000.0;
constexpr double kPi = 3.14159265358979323846;

// One of sixteen patches: four latitude bands by four longitude sectors. Every
// quad of the grid gives four triangles (split along both diagonals), so the
// patch holds `triangles` triangles on a quarter as many quads.
sq::MeshChunk Patch(int patch, int32_t triangles, sqsupport::Lcg& random) {
  const int32_t quads = std::max<int32_t>(1, triangles / 4);
  const int32_t columns = std::max<int32_t>(1, static_cast<int32_t>(std::sqrt(quads * 1.6)));
  const int32_t rows = std::max<int32_t>(1, quads / columns);
  const int band = patch / 4, sector = patch % 4;
  std::vector<sq::MeshVertex> vertices;
  vertices.reserve(static_cast<std::size_t>(rows + 1) * static_cast<std::size_t>(columns + 1));
  for (int32_t r = 0; r <= rows; ++r) {
    const double latitude = (-90.0 + 45.0 * (band + static_cast<double>(r) / rows)) * kPi / 180.0;
    for (int32_t c = 0; c <= columns; ++c) {
      const double longitude = 90.0 * (sector + static_cast<double>(c) / columns) * kPi / 180.0;
      sq::MeshVertex v;
      v.x = static_cast<float>(kRadius * std::cos(latitude) * std::cos(longitude));
      v.y = static_cast<float>(kRadius * std::sin(latitude));
      v.z = static_cast<float>(kRadius * std::cos(latitude) * std::sin(longitude));
      const uint32_t shade = random.Next();
      v.vertexColour = {0, static_cast<uint8_t>(20 + shade % 60), static_cast<uint8_t>(8 + (shade >> 8) % 40),
                        static_cast<uint8_t>(4 + (shade >> 16) % 40)};
      vertices.push_back(v);
    }
  }
  const auto at = [&](int32_t r, int32_t c) { return static_cast<int16_t>(r * (columns + 1) + c); };
  std::vector<int16_t> indices;
  indices.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * 12);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      indices.insert(indices.end(),
                     {at(r, c), at(r + 1, c), at(r, c + 1), at(r, c + 1), at(r + 1, c), at(r + 1, c + 1)});
      indices.insert(indices.end(),
                     {at(r, c), at(r + 1, c), at(r + 1, c + 1), at(r, c), at(r + 1, c + 1), at(r, c + 1)});
    }
  }
  return sq::OnePartMeshChunk(std::move(vertices), sq::kTriangleList, std::move(indices));
}

sq::StarMapChunk StarMapLayer(sqsupport::Lcg& random, int records) {
  sq::StarMapChunk chunk;
  chunk.recordCount = records;
  std::vector<sq::StarMapRecord>& list = chunk.records.Owned();
  for (int i = 0; i < records; ++i) {
    sq::StarMapRecord r;
    r.x = random.Between(-1000, 1000);
    r.y = random.Between(-1000, 1000);
    r.z = random.Between(-1000, 1000);
    r.size = random.Between(60, 240);
    r.red = random.Between(0.6f, 1.0f);
    r.green = random.Between(0.6f, 1.0f);
    r.blue = random.Between(0.7f, 1.0f);
    r.alpha = random.Between(0.5f, 1.0f);
    list.push_back(r);
  }
  return chunk;
}

sq::PointStarChunk PointStars(sqsupport::Lcg& random, int count) {
  sq::PointStarChunk chunk;
  chunk.starCount = count;
  std::vector<sq::PointStarRecord>& stars = chunk.stars.Owned();
  stars.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    // A direction on the sphere from a height and a longitude.
    const double y = random.Between(-1, 1);
    const double longitude = random.Between(0, static_cast<float>(2 * kPi));
    const double r = std::sqrt(1.0 - y * y);
    const float brightness = random.Between(0.15f, 0.6f);
    sq::PointStarRecord s;
    s.x = static_cast<float>(kRadius * r * std::cos(longitude));
    s.y = static_cast<float>(kRadius * y);
    s.z = static_cast<float>(kRadius * r * std::sin(longitude));
    s.red = brightness * random.Between(0.8f, 1.0f);
    s.green = brightness * random.Between(0.85f, 1.0f);
    s.blue = brightness;
    s.alpha = 1.0f;
    stars.push_back(s);
  }
  return chunk;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_big_background OUT.hod [TRIANGLES [STARS]]\n"
                                           "Writes a large background for the benchmarks: 16 mesh chunks of about\n"
                                           "TRIANGLES triangles each (4..120000, default 100000) and STARS point\n"
                                           "stars in all (0..16000000, default 1000000).\n",
                                           1, 3);
  long triangles = 100000, stars = 1000000;
  // Every patch's vertices must fit the 16-bit indices: a quarter of the
  // triangles as quads needs about that many vertices.
  if ((args.size() >= 2 && !sqtools::ParseWhole(args[1], 4, 120000, triangles)) ||
      (args.size() >= 3 && !sqtools::ParseWhole(args[2], 0, 16000000, stars))) {
    std::fprintf(stderr, "make_big_background: TRIANGLES must lie in 4..120000 and STARS in 0..16000000\n");
    return 2;
  }
  sqsupport::Lcg random(20240611u);
  sq::BackgroundWriterTables tables;
  for (int patch = 0; patch < 16; ++patch)
    tables.outBgmsTable.push_back(Patch(patch, static_cast<int32_t>(triangles), random));
  tables.outBgsgTable[0] = StarMapLayer(random, 2000);
  tables.outBgsgTable[1] = StarMapLayer(random, 1000);
  for (std::size_t j = 0; j < tables.outStrfTable.size(); ++j) {
    const long share = stars / 16 + (static_cast<long>(j) < stars % 16 ? 1 : 0);
    tables.outStrfTable[j] = PointStars(random, static_cast<int>(share));
  }
  const std::filesystem::path path(args[0]);
  sq::DiskFolder folder(path.parent_path());
  const sq::HodWriteOutcome outcome = sq::WriteBackgroundHod(tables, folder, path.filename().string());
  sq::CliPlatform platform;
  sq::ShowMessages(platform, outcome.messages);
  return outcome.status == sq::CommandOutcome::Status::Written ? 0 : 1;
}
