#include "builder/background_mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "builder/star_detector.h"
#include "hod/background_mesh_chunk.h"

namespace sq {

namespace {

constexpr double kPi = std::numbers::pi;

// The longitude of a sector edge, computed from the edge's number alone, so the
// two chunks that share an edge put its vertices in exactly the same places.
double EdgeLongitude(int edge) { return 2.0 * kPi * static_cast<double>(edge % kMeshSectors) / kMeshSectors; }

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

using Colour = std::array<uint8_t, 3>;  // blue, green, red

// Mean colours of the picture's pixels, rounded to the nearest level.
class ColourSums {
 public:
  void Add(const uint8_t* p) {
    for (std::size_t c = 0; c < 3; ++c) sum_[c] += p[c];
    ++count_;
  }
  Colour Mean() const {
    Colour out{};
    if (count_ == 0) return out;
    for (std::size_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((sum_[c] + count_ / 2) / count_);
    return out;
  }

 private:
  std::array<int64_t, 3> sum_{};
  int64_t count_ = 0;
};

class Sampler {
 public:
  Sampler(const TgaTables& t, const BuildOptions& o)
      : t_(t), pixels_(t.tgaPixels.data()), W(t.tgaWidth), H(t.tgaHeight), N(o.density), average_(o.colourAverage) {}

  // The colour a vertex at (u, v) takes: the pixel under it (a point on a
  // pixel edge belongs to the pixel right of or above it), or with "Colour
  // average" the mean of the density x density pixels nearest to it. Columns
  // wrap around; rows outside the picture are left out. ColumnOf and RowOf
  // give the pixel, or the cell's first one, for At.
  int64_t ColumnOf(double u) const { return static_cast<int64_t>(std::floor(average_ ? u - N / 2.0 : u)) + 1; }
  int64_t RowOf(double v) const { return static_cast<int64_t>(std::floor(average_ ? v - N / 2.0 : v)) + 1; }
  Colour At(int64_t column, int64_t row) const {
    const int first = Wrap(column);
    if (!average_) return Pixel(first, static_cast<int>(std::clamp<int64_t>(row, 1, H)));
    ColourSums sums;
    for (int64_t r = std::max<int64_t>(row, 1); r <= std::min<int64_t>(row + N - 1, H); ++r) {
      int c = first;
      for (int n = 0; n < N; ++n, c = c == W ? 1 : c + 1) sums.Add(pixels_ + t_.Entry(c, static_cast<int>(r)) * 4);
    }
    return sums.Mean();
  }

  // The mean colour of rows first .. last, every column.
  Colour Rows(int first, int last) const {
    ColourSums sums;
    for (int r = first; r <= last; ++r) {
      for (int c = 1; c <= W; ++c) sums.Add(pixels_ + t_.Entry(c, r) * 4);
    }
    return sums.Mean();
  }

 private:
  int Wrap(int64_t c) const { return static_cast<int>(((c - 1) % W + W) % W + 1); }
  Colour Pixel(int c, int r) const {
    const uint8_t* p = pixels_ + t_.Entry(c, r) * 4;
    return {p[kBlue], p[kGreen], p[kRed]};
  }

  const TgaTables& t_;
  const uint8_t* pixels_;
  const int W, H, N;
  const bool average_;
};

// The vertex colour bytes: blue, green and red at most 127 (the preview doubles
// them), and with "Use intensity limit" none above kIntensityLimit, a brighter
// colour scaled down as a whole.
std::array<uint8_t, 4> VertexColour(Colour c, bool intensityLimit) {
  for (uint8_t& b : c) b = std::min<uint8_t>(b, 127);
  const int top = std::max({c[0], c[1], c[2]});
  if (intensityLimit && top > kIntensityLimit) {
    for (uint8_t& b : c) b = static_cast<uint8_t>((b * kIntensityLimit + top / 2) / top);
  }
  return {0, c[0], c[1], c[2]};
}

MeshVertex Vertex(const SkyPosition& p, const std::array<uint8_t, 4>& colour) {
  MeshVertex v;
  v.x = static_cast<float>(p.x);
  v.y = static_cast<float>(p.y);
  v.z = static_cast<float>(p.z);
  v.vertexColour = colour;
  return v;
}

}  // namespace

SkyPosition SkyPoint(double u, double v, int width, int height) {
  const double l = 2.0 * kPi * u / width, p = kPi * v / height - kPi / 2;
  return {kSkyRadius * std::cos(p) * std::sin(l), kSkyRadius * std::sin(p), kSkyRadius * std::cos(p) * std::cos(l)};
}

double MeshGrid::ColumnU(int sector, int step) const {
  if (step >= sectorSteps) return static_cast<double>(sector + 1) * width / kMeshSectors;
  return static_cast<double>(sector) * width / kMeshSectors + static_cast<double>(step) * density;
}

double MeshGrid::RowV(int step) const {
  if (step >= rowSteps) return height - capRows;
  return capRows + static_cast<double>(step) * density;
}

MeshGrid MakeMeshGrid(int width, int height, int density, bool increaseCapping) {
  MeshGrid g;
  g.width = width;
  g.height = height;
  g.density = std::max(density, 1);
  const int64_t N = g.density;
  int64_t capSteps = 1;
  if (increaseCapping) {
    capSteps = std::max<int64_t>(kWideCapMinSteps, CeilDiv(height, kWideCapFraction * N));
  }
  // The two caps leave at least one row between them.
  g.capRows = static_cast<int>(std::clamp<int64_t>(capSteps * N, 1, std::max(1, (height - 1) / 2)));
  g.sectorSteps = static_cast<int>(CeilDiv(width, kMeshSectors * N));
  g.rowSteps = static_cast<int>(CeilDiv(std::max<int64_t>(height - 2 * static_cast<int64_t>(g.capRows), 1), N));
  return g;
}

std::string BuildRefusal(int width, int height, const BuildOptions& options) {
  if (width < kMinDetectSize || height < kMinDetectSize) return std::string(kPictureTooSmall);
  if (!IsMeshDensity(options.density)) {
    return "Mesh density " + std::to_string(options.density) + " is not one of 16, 8, 6, 4 and 2.";
  }
  const int64_t vertices = MakeMeshGrid(width, height, options.density, options.increaseCapping).ChunkVertices();
  if (vertices <= kMaxChunkVertices) return {};
  std::string text = std::string(kPictureTooLarge) + std::to_string(options.density) + ": a mesh chunk would hold " +
                     std::to_string(vertices) + " vertices, and " + std::to_string(kMaxChunkVertices) + " fit in one. ";
  // kMeshDensities runs coarsest first: the last that fits is the finest.
  int finest = 0;
  for (int d : kMeshDensities) {
    if (MakeMeshGrid(width, height, d, options.increaseCapping).ChunkVertices() <= kMaxChunkVertices) finest = d;
  }
  return text +
         (finest > 0 ? "The finest density that fits is " + std::to_string(finest) + "." : std::string(kNoDensityFits));
}

std::vector<MeshChunk> BuildMeshChunks(const TgaTables& t, const BuildOptions& o) {
  const int W = t.tgaWidth, H = t.tgaHeight;
  const MeshGrid g = MakeMeshGrid(W, H, o.density, o.increaseCapping);
  const Sampler sampler(t, o);
  const std::array<uint8_t, 4> southCap = VertexColour(sampler.Rows(1, g.capRows), o.intensityLimit);
  const std::array<uint8_t, 4> northCap = VertexColour(sampler.Rows(H - g.capRows + 1, H), o.intensityLimit);

  // Latitudes are shared by every chunk: sine, cosine and picture row once per row.
  std::vector<std::pair<double, double>> rows;  // (sin p, cos p)
  std::vector<int64_t> pictureRows;
  for (int i = 0; i <= g.rowSteps; ++i) {
    const double p = kPi * g.RowV(i) / H - kPi / 2;
    rows.emplace_back(std::sin(p), std::cos(p));
    pictureRows.push_back(sampler.RowOf(g.RowV(i)));
  }
  const int columns = g.sectorSteps + 1;
  auto at = [&](int i, int j) { return static_cast<int16_t>(2 + i * columns + j); };

  std::vector<MeshChunk> chunks;
  chunks.reserve(kMeshSectors);
  for (int k = 0; k < kMeshSectors; ++k) {
    std::vector<MeshVertex> vertices;
    vertices.reserve(static_cast<std::size_t>(g.ChunkVertices()));
    vertices.push_back(Vertex({0, -kSkyRadius, 0}, southCap));
    vertices.push_back(Vertex({0, kSkyRadius, 0}, northCap));
    std::vector<std::pair<double, double>> longitudes;  // (sin l, cos l)
    std::vector<int64_t> pictureColumns;
    for (int j = 0; j < columns; ++j) {
      const double l = j == 0               ? EdgeLongitude(k)
                       : j == g.sectorSteps ? EdgeLongitude(k + 1)
                                            : 2.0 * kPi * g.ColumnU(k, j) / W;
      longitudes.emplace_back(std::sin(l), std::cos(l));
      // An edge column samples at its edge's u, the same for both its chunks.
      const double u = j == 0               ? g.ColumnU(k, 0)
                       : j == g.sectorSteps ? g.ColumnU((k + 1) % kMeshSectors, 0)
                                            : g.ColumnU(k, j);
      pictureColumns.push_back(sampler.ColumnOf(u));
    }
    for (int i = 0; i <= g.rowSteps; ++i) {
      const auto [sinP, cosP] = rows[static_cast<std::size_t>(i)];
      for (int j = 0; j < columns; ++j) {
        const auto [sinL, cosL] = longitudes[static_cast<std::size_t>(j)];
        const std::array<uint8_t, 4> colour = i == 0 ? southCap
                                              : i == g.rowSteps
                                                  ? northCap
                                                  : VertexColour(sampler.At(pictureColumns[static_cast<std::size_t>(j)],
                                                                            pictureRows[static_cast<std::size_t>(i)]),
                                                                 o.intensityLimit);
        vertices.push_back(Vertex({kSkyRadius * cosP * sinL, kSkyRadius * sinP, kSkyRadius * cosP * cosL}, colour));
      }
    }

    // Every triangle turns clockwise seen from the centre, so the preview, which
    // culls what turns the other way, shows the sky from inside.
    std::vector<int16_t> indices;
    indices.reserve(static_cast<std::size_t>(6) * static_cast<std::size_t>(g.sectorSteps) *
                    (static_cast<std::size_t>(g.rowSteps) + 1));
    auto triangle = [&](int16_t a, int16_t b, int16_t c) {
      indices.push_back(a);
      indices.push_back(b);
      indices.push_back(c);
    };
    for (int j = 0; j < g.sectorSteps; ++j) triangle(0, at(0, j), at(0, j + 1));
    for (int i = 0; i < g.rowSteps; ++i) {
      for (int j = 0; j < g.sectorSteps; ++j) {
        triangle(at(i, j), at(i + 1, j), at(i, j + 1));
        triangle(at(i, j + 1), at(i + 1, j), at(i + 1, j + 1));
      }
    }
    for (int j = 0; j < g.sectorSteps; ++j) triangle(at(g.rowSteps, j), 1, at(g.rowSteps, j + 1));
    chunks.push_back(OnePartMeshChunk(std::move(vertices), kTriangleList, std::move(indices)));
  }
  return chunks;
}

}  // namespace sq
