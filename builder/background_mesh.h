// The background mesh built from a picture: sixteen chunks, one per longitude
// sector, each a grid of the picture's colours closed by a cap at either pole.
//
// The picture is an equirectangular panorama. A point of it is given by u in
// 0 .. W (columns: pixel c covers c - 1 .. c) and v in 0 .. H (rows, the bottom
// row first: pixel row r covers r - 1 .. r). It lies in the direction
//   (cos p sin l, sin p, cos p cos l),  l = 2 pi u / W,  p = pi v / H - pi / 2,
// so row 1 is at the bottom (-Y), column 1 just right of straight ahead (+Z), and
// columns grow to the right (+X) as the preview's left-handed camera sees them.
// Everything lies on the sphere of radius kSkyRadius about the origin.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "builder/background_options.h"
#include "builder/tga_tables.h"
#include "hod/background_tables.h"

namespace sq {

// Inside the preview's far plane (1000) from its eye at (0, 0, -270).
inline constexpr double kSkyRadius = 600.0;
inline constexpr int kMeshSectors = 16;
inline constexpr int64_t kMaxChunkVertices = 32767;  // 16-bit indices

struct SkyPosition {
  double x, y, z;
};

// The point of the sphere at picture coordinates (u, v), for a width x height picture.
SkyPosition SkyPoint(double u, double v, int width, int height);

// The layout of the mesh for one picture size and options. Sector k spans u from
// k W / 16 to (k + 1) W / 16; its columns are its left edge, every density
// pixels on from it, and its right edge (the last step may be shorter). The rows
// run from capRows above the bottom to capRows below the top, every density
// pixels, the last step again perhaps shorter. Below the first row and above
// the last one the caps close the sphere.
struct MeshGrid {
  int width = 0, height = 0, density = 0;
  int capRows = 0;      // picture rows under each cap
  int sectorSteps = 0;  // steps across a sector
  int rowSteps = 0;     // steps from the bottom cap's edge to the top cap's

  int64_t ChunkVertices() const {
    return (static_cast<int64_t>(sectorSteps) + 1) * (static_cast<int64_t>(rowSteps) + 1) + 2;
  }
  double ColumnU(int sector, int step) const;
  double RowV(int step) const;
};

MeshGrid MakeMeshGrid(int width, int height, int density, bool increaseCapping);

inline constexpr std::string_view kPictureTooSmall =
    "The picture is too small to build a background from: it must be at least 6 x 6 pixels.";
inline constexpr std::string_view kPictureTooLarge = "The picture is too large for mesh density ";
inline constexpr std::string_view kNoDensityFits = "No mesh density fits a picture this large.";

// Why a width x height picture cannot be built with these options, or "" when it
// can. Too large: "The picture is too large for mesh density 2: a mesh chunk
// would hold 33217 vertices, and 32767 fit in one. The finest density that fits
// is 4." (or kNoDensityFits in the last sentence's place).
std::string BuildRefusal(int width, int height, const BuildOptions& options);

// The sixteen mesh chunks of picture `t` with options `o`, in the shape the writer writes (one part, one
// triangle list), from the picture's colours as they stand in the tables (the
// stars already painted over). Vertex colour bytes 1 to 3 are blue, green, red,
// each at most 127. The picture must pass BuildRefusal.
std::vector<MeshChunk> BuildMeshChunks(const TgaTables& t, const BuildOptions& o);

}  // namespace sq
