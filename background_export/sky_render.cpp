#include "background_export/sky_render.h"

#include "background_export/sky_draw.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <system_error>
#include <thread>

namespace sq {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMargin = SkyPlace::kMargin;
// The margin on a cube face, whose coordinates change up to three times as fast.
constexpr double kFaceMargin = 4e-5;
constexpr int kCellsAcross = SkyExtent::kCellsAcross, kCellsUp = SkyExtent::kCellsUp;

using V3 = std::array<double, 3>;

V3 Add(const V3& a, const V3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
V3 Scaled(const V3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
V3 PointOf(const SceneVertex& v) { return {v.x, v.y, v.z}; }

// Where vertices look, held in whole units of angle (SkyPlace).
constexpr double kAngleError = SkyPlace::kAngleError;
using Place = SkyPlace;

// The largest whole number at most x, and the smallest at least x, for x well
// within the range of int.
int Floor(double x) {
  const int whole = static_cast<int>(x);
  return whole - (x < whole ? 1 : 0);
}
int Ceil(double x) {
  const int whole = static_cast<int>(x);
  return whole + (x > whole ? 1 : 0);
}

// The highest and lowest latitude of the arc from direction p to q (the arc the
// rays through the segment pq sweep), raising hi and lowering lo.
void ArcLatitudes(const V3& p, const V3& q, double& lo, double& hi) {
  const V3 n = Cross(p, q);
  const double nl = Length(n);
  // p and q in one direction (or opposite): no arc to speak of.
  if (!(nl > 1e-12 * Length(p) * Length(q))) return;
  const V3 nu = Scaled(n, 1 / nl);
  // The great circle's highest point: straight up, less its part along the normal.
  V3 top = {-nu[1] * nu[0], 1 - nu[1] * nu[1], -nu[1] * nu[2]};
  const double tl = Length(top);
  if (tl < 1e-12) return;
  top = Scaled(top, 1 / tl);
  auto onArc = [&](const V3& x) { return Dot(Cross(p, x), n) >= 0 && Dot(Cross(x, q), n) >= 0; };
  if (onArc(top)) hi = std::max(hi, std::asin(std::clamp(top[1], -1.0, 1.0)));
  const V3 bottom = Scaled(top, -1);
  if (onArc(bottom)) lo = std::min(lo, std::asin(std::clamp(bottom[1], -1.0, 1.0)));
}

// How far the longitude turns from p to q along the arc the rays through the
// segment pq sweep: the short way round, as the segment's shadow on the
// equator's plane passes the axis on that side.
double ArcTurn(double from, double to) {
  const double turn = to - from;
  if (std::fabs(turn) < 3) return turn;
  return turn - 2 * kPi * std::round(turn / (2 * kPi));
}

// Where a triangle's directions lie, in radians: longitudes lonLo .. lonHi
// (past 0 or 2 pi they wrap around; all of them when `all`) and latitudes
// latLo .. latHi, with a hair's margin for rounding.
struct Span {
  double lonLo = 0, lonHi = 0, latLo = 0, latHi = 0;
  bool all = false;
};

// Where the directions of triangle a, b, c lie, its corners looking at
// `places`; none when it is seen edge on from the centre (its plane passes
// through the centre) or a corner is no number or past the float range.
std::optional<Span> SpanOf(const std::array<V3, 3>& corners, const std::array<const Place*, 3>& places) {
  const V3 &a = corners[0], &b = corners[1], &c = corners[2];
  if (!places[0]->finite || !places[1]->finite || !places[2]->finite) return std::nullopt;
  // From float corners these stay well within the double range.
  const V3 normal = Cross(Sub(b, a), Sub(c, a));
  const double plane = Dot(normal, a);
  if (plane * plane <= 1e-24 * Dot(normal, normal) * Dot(a, a)) return std::nullopt;

  Span extent;
  double lo = kPi, hi = -kPi, lonMargin = 0;
  std::size_t poles = 0, pole = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    lo = std::min(lo, places[k]->Lat());
    hi = std::max(hi, places[k]->Lat());
    lonMargin = std::max(lonMargin, places[k]->LonMargin());
    if (places[k]->pole) ++poles, pole = k;
  }
  // The longitude walked round the edges comes back where it started unless
  // the triangle goes round a pole: the one the plane lies in front of.
  double at = places[0]->Lon(), uLo = at, uHi = at;
  for (std::size_t k = 0; k < 3; ++k) {
    at += ArcTurn(places[k]->Lon(), places[(k + 1) % 3]->Lon());
    uLo = std::min(uLo, at);
    uHi = std::max(uHi, at);
  }
  const bool round = std::fabs(at - places[0]->Lon()) > kPi;

  for (std::size_t k = 0; k < 3; ++k) ArcLatitudes(corners[k], corners[(k + 1) % 3], lo, hi);
  if (poles == 1) {
    // The triangle spans the longitudes of the edge opposite the pole.
    const double from = places[(pole + 1) % 3]->Lon(), turn = ArcTurn(from, places[(pole + 2) % 3]->Lon());
    uLo = std::min(from, from + turn);
    uHi = std::max(from, from + turn);
  } else if (poles > 1 || round) {
    extent.all = true;
    const bool north = normal[1] != 0 && plane / normal[1] > 0, south = normal[1] != 0 && plane / normal[1] < 0;
    if (!south) hi = kPi / 2;
    if (!north) lo = -kPi / 2;
  }
  extent.lonLo = uLo - lonMargin;
  extent.lonHi = uHi + lonMargin;
  extent.latLo = lo - kMargin - kAngleError;
  extent.latHi = hi + kMargin + kAngleError;
  extent.all = extent.all || extent.lonHi - extent.lonLo >= 2 * kPi;
  return extent;
}

// The steps of SkyExtent, and a span held in them, rounded outwards.
constexpr double kLonStep = 2 * kPi / 65536, kLatStep = kPi / 65536;

SkyExtent ExtentOf(const Span& span) {
  SkyExtent e = {0, 0, 0, 0};
  auto step = [](int k) { return static_cast<uint16_t>(std::clamp(k, 0, 65535)); };
  e.latLo = step(Floor((span.latLo + kPi / 2) * (1 / kLatStep)));
  e.latHi = step(Ceil((span.latHi + kPi / 2) * (1 / kLatStep)));
  if (span.all || span.lonHi - span.lonLo >= 2 * kPi) {
    e.lonSpan = SkyExtent::kAllLongitudes;
    return e;
  }
  const double from = span.lonLo - 2 * kPi * Floor(span.lonLo * (1 / (2 * kPi)));  // 0 .. 2 pi
  const int lo = std::min(Floor(from * (1 / kLonStep)), 65535);
  const int hi = Ceil((from + (span.lonHi - span.lonLo)) * (1 / kLonStep));
  e.lon = static_cast<uint16_t>(lo);
  e.lonSpan = static_cast<uint16_t>(std::min(hi - lo, static_cast<int>(SkyExtent::kAllLongitudes)));
  return e;
}

// The cells of the work grid an extent covers: a cell is 65536 / kCellsAcross
// steps of longitude wide and 65536 / kCellsUp steps of latitude high.
std::size_t CellsOf(const SkyExtent& e) {
  constexpr int kLonCell = 65536 / kCellsAcross, kLatCell = 65536 / kCellsUp;
  std::size_t across = kCellsAcross;
  if (e.lonSpan != SkyExtent::kAllLongitudes) {
    across = static_cast<std::size_t>(std::min((e.lon + e.lonSpan) / kLonCell - e.lon / kLonCell + 1, kCellsAcross));
  }
  return across * static_cast<std::size_t>(e.latHi / kLatCell - e.latLo / kLatCell + 1);
}

// How many threads `items` pieces of work are shared among: one a core, but
// for work too small to be worth a thread.
unsigned ThreadsFor(std::size_t items, std::size_t worthwhile) {
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  return static_cast<unsigned>(std::clamp<std::size_t>(items / worthwhile, 1, cores));
}

// Runs work(piece, thread) for pieces 0 .. pieces - 1 on up to `threads`
// threads at once, this one among them, where the platform has threads (fewer
// where one cannot be started). Each thread takes the next piece none has
// taken, so one that starts late or meets slow pieces takes fewer; `thread`
// numbers it, from 0, for what it keeps of its own.
void InPieces(std::size_t pieces, unsigned threads,
              const std::function<void(std::size_t piece, unsigned thread)>& work) {
  std::atomic<std::size_t> next{0};
  auto take = [&](unsigned thread) {
    for (std::size_t piece = next++; piece < pieces; piece = next++) work(piece, thread);
  };
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
  std::vector<std::thread> started;
  for (unsigned k = 1; k < std::min<std::size_t>(threads, pieces); ++k) {
    try {
      started.emplace_back(take, k);
    } catch (const std::system_error&) {
      break;
    }
  }
  take(0);
  for (std::thread& thread : started) thread.join();
#else
  (void)threads;
  take(0);
#endif
}

// Items [from, to) of piece k of `each` items each, of `total`.
std::pair<std::size_t, std::size_t> PieceOf(std::size_t total, std::size_t k, std::size_t each) {
  return {k * each, std::min(total, (k + 1) * each)};
}
constexpr std::size_t kPieceItems = 4096;
std::size_t PiecesOf(std::size_t items) { return (items + kPieceItems - 1) / kPieceItems; }

// The mesh whose items (vertices or triangles) hold item i, the meshes' first
// items counted in `starts`.
std::size_t MeshHolding(const std::vector<std::size_t>& starts, std::size_t i) {
  return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin() - 1);
}

// A cube face's frame: the direction through (s, t) is axis + a u + b v with
// a = 2 s - 1 and b = 2 t - 1, each of axis, u and v one of the six unit axes.
struct FaceFrame {
  V3 axis, u, v;
};

FaceFrame FrameOf(CubeFace face) {
  auto at = [face](double s, double t) {
    const SkyDirection d = DirectionOfCubePoint({face, s, t});
    return V3{d.x, d.y, d.z};
  };
  auto rounded = [](const V3& x) { return V3{std::round(x[0]), std::round(x[1]), std::round(x[2])}; };
  const V3 axis = rounded(at(0.5, 0.5));
  const double diagonal = std::sqrt(2.0);
  return {axis, rounded(Sub(Scaled(at(1, 0.5), diagonal), axis)), rounded(Sub(Scaled(at(0.5, 1), diagonal), axis))};
}

// A triangle cut by planes through the centre: at most one corner more a cut.
struct Polygon {
  std::array<V3, 8> points;
  std::size_t size = 0;
};

// The part of a polygon on the side of the plane through the centre that
// `normal` points to.
Polygon ClipToPlane(const Polygon& polygon, const V3& normal) {
  Polygon kept;
  for (std::size_t k = 0; k < polygon.size; ++k) {
    const V3& p = polygon.points[k];
    const V3& q = polygon.points[(k + 1) % polygon.size];
    const double dp = Dot(p, normal), dq = Dot(q, normal);
    if (dp >= 0) kept.points[kept.size++] = p;
    if ((dp >= 0) != (dq >= 0)) kept.points[kept.size++] = Sub(p, Scaled(Sub(q, p), dp / (dq - dp)));
  }
  return kept;
}

// A face's pixels whose centres may look through a triangle with corners
// a, b, c: columns and rows of an n x n face, rows from the bottom. The
// triangle is cut to the face's pyramid and what is left seen on the face.
// None when nothing is left.
std::optional<std::array<int, 4>> FacePixels(const std::array<V3, 3>& corners, const FaceFrame& frame, int n) {
  // The pyramid's sides: a <= 1, a >= -1, b <= 1, b >= -1.
  const std::array<V3, 4> sides = {Sub(frame.axis, frame.u), Add(frame.axis, frame.u), Sub(frame.axis, frame.v),
                                   Add(frame.axis, frame.v)};
  // Cut as directions: the corners' lengths may differ by many orders, which a
  // cut along an edge would not survive.
  Polygon polygon;
  for (const V3& corner : corners) polygon.points[polygon.size++] = Scaled(corner, 1 / Length(corner));
  for (const V3& side : sides) {
    bool inside = true, outside = true;
    for (std::size_t k = 0; k < polygon.size; ++k) {
      const double d = Dot(polygon.points[k], side);
      inside = inside && d >= 0;
      outside = outside && d < 0;
    }
    if (outside) return std::nullopt;
    if (!inside) polygon = ClipToPlane(polygon, side);
  }
  double sLo = 1, sHi = 0, tLo = 1, tHi = 0;
  for (std::size_t k = 0; k < polygon.size; ++k) {
    const V3& p = polygon.points[k];
    const double w = Dot(p, frame.axis);
    if (!(w > 0)) {
      sLo = tLo = 0, sHi = tHi = 1;
      break;
    }
    // Inside the pyramid a and b lie in -1 .. 1, but for rounding.
    const double s = std::clamp((Dot(p, frame.u) / w + 1) / 2, 0.0, 1.0);
    const double t = std::clamp((Dot(p, frame.v) / w + 1) / 2, 0.0, 1.0);
    sLo = std::min(sLo, s), sHi = std::max(sHi, s), tLo = std::min(tLo, t), tHi = std::max(tHi, t);
  }
  // Column c's centre is at s = (c - 1/2) / n, row r's (from the bottom) at t = 1 - (r - 1/2) / n.
  const std::array<int, 4> box = {std::max(1, static_cast<int>(std::ceil((sLo - kFaceMargin) * n + 0.5))),
                                  std::min(n, static_cast<int>(std::floor((sHi + kFaceMargin) * n + 0.5))),
                                  std::max(1, static_cast<int>(std::ceil((1 - tHi - kFaceMargin) * n + 0.5))),
                                  std::min(n, static_cast<int>(std::floor((1 - tLo + kFaceMargin) * n + 0.5)))};
  if (box[1] < box[0] || box[3] < box[2]) return std::nullopt;
  return box;
}

// Items listed band by band, each in every band it falls in and in its order
// there: band b's are entries[start[b]] .. entries[start[b + 1] - 1].
struct BandLists {
  std::vector<uint32_t> start, entries;
  std::span<const uint32_t> Of(std::size_t b) const { return {entries.data() + start[b], start[b + 1] - start[b]}; }
};

// Items from .. to - 1 so listed among `bands` bands, bandsOf(i) giving item
// i's first and last band (the first past the last for an item in none):
// counted first, then put in place.
template <class Bands>
BandLists ListByBand(std::size_t from, std::size_t to, std::size_t bands, const Bands& bandsOf) {
  BandLists lists;
  std::vector<std::pair<std::size_t, std::size_t>> spans(to - from);
  lists.start.assign(bands + 1, 0);
  for (std::size_t i = from; i < to; ++i) {
    spans[i - from] = bandsOf(i);
    for (std::size_t b = spans[i - from].first; b <= spans[i - from].second; ++b) ++lists.start[b + 1];
  }
  for (std::size_t b = 0; b < bands; ++b) lists.start[b + 1] += lists.start[b];
  lists.entries.resize(lists.start[bands]);
  std::vector<uint32_t> next(lists.start.begin(), lists.start.end() - 1);
  for (std::size_t i = from; i < to; ++i) {
    for (std::size_t b = spans[i - from].first; b <= spans[i - from].second; ++b) {
      lists.entries[next[b]++] = static_cast<uint32_t>(i);
    }
  }
  return lists;
}

// Sets `rows` rows of `width` values each to `value`: the first row value by
// value, the others copied from it whole (several times quicker).
template <class T>
void FillRows(T* values, std::size_t width, std::size_t rows, T value) {
  std::fill(values, values + width, value);
  for (std::size_t r = 1; r < rows; ++r) std::memcpy(values + r * width, values, width * sizeof(T));
}

// The triangles set up at once, and what they are set up in: their corners,
// the triangles ready for the pixel tests and whether each is shown, with room
// for one more.
constexpr std::size_t kSetUpBatch = 64;
struct SetUpBatch {
  std::array<const SceneVertex*, 3 * (kSetUpBatch + 1)> corners;
  std::array<PixelTriangle, kSetUpBatch + 1> ready;
  std::array<bool, kSetUpBatch + 1> shown;
};

// The rows of pixels drawn at once: a band's nearest distances, colours and
// directions stay in the cache.
constexpr int kBand = 16;

// What one share draws a band of rows in (BandPixels): each pixel's nearest
// distance and colour, and where needed its direction, each array with four
// pixels to spare.
struct Band {
  Band(std::size_t pixels, bool directions)
      : x(directions ? pixels + 4 : 0), y(x.size()), z(x.size()), nearest(pixels + 4), bgra(pixels + 4) {}
  std::vector<float> x, y, z, nearest;
  std::vector<uint32_t> bgra;
};

// Where the pixels of an equirectangular picture look: pixel (c, r) along
// (cos p sin l, sin p, cos p cos l) of its centre, from tables of the sines and
// cosines of its columns' and rows' angles, which the pixel tests multiply.
class EquirectRows {
 public:
  EquirectRows(int width, int height)
      : sinL_(static_cast<std::size_t>(width) + 4),
        cosL_(sinL_.size()),
        sinP_(static_cast<std::size_t>(height)),
        cosP_(sinP_.size()) {
    for (int c = 1; c <= width; ++c) {
      const double l = 2 * kPi * (c - 0.5) / width;
      sinL_[static_cast<std::size_t>(c - 1)] = static_cast<float>(std::sin(l));
      cosL_[static_cast<std::size_t>(c - 1)] = static_cast<float>(std::cos(l));
    }
    for (int r = 1; r <= height; ++r) {
      const double p = kPi * (r - 0.5) / height - kPi / 2;
      sinP_[static_cast<std::size_t>(r - 1)] = static_cast<float>(std::sin(p));
      cosP_[static_cast<std::size_t>(r - 1)] = static_cast<float>(std::cos(p));
    }
  }

  static constexpr bool kOwnDirections = false;
  // Where the pixels of the band of rows firstRow .. lastRow look.
  void Directions(Band& /*band*/, int firstRow, int /*lastRow*/, BandPixels& view) const {
    const auto first = static_cast<std::size_t>(firstRow - 1);
    view.x = view.y = view.z = nullptr;
    view.sinL = sinL_.data(), view.cosL = cosL_.data();
    view.sinP = sinP_.data() + first, view.cosP = cosP_.data() + first;
  }

 private:
  std::vector<float> sinL_, cosL_, sinP_, cosP_;
};

// Where the pixels of an n x n cube face look.
class FaceRows {
 public:
  FaceRows(CubeFace face, int n) : face_(face), n_(n) {}

  static constexpr bool kOwnDirections = true;
  void Directions(Band& band, int firstRow, int lastRow, BandPixels& view) const {
    // Rows are held bottom first; t counts from the face's top.
    for (int r = firstRow; r <= lastRow; ++r) {
      for (int c = 1; c <= n_; ++c) {
        const SkyDirection d = DirectionOfCubePoint({face_, (c - 0.5) / n_, 1 - (r - 0.5) / n_});
        const auto at =
            static_cast<std::size_t>(r - firstRow) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(c - 1);
        band.x[at] = static_cast<float>(d.x);
        band.y[at] = static_cast<float>(d.y);
        band.z[at] = static_cast<float>(d.z);
      }
    }
    view.x = band.x.data(), view.y = band.y.data(), view.z = band.z.data();
    view.sinL = view.cosL = view.sinP = view.cosP = nullptr;
  }

 private:
  CubeFace face_;
  int n_;
};

// Whether `bgra` holds width x height pixels of four bytes, at least one.
bool SizeFits(int width, int height, std::span<uint8_t> bgra) {
  return width > 0 && height > 0 &&
         bgra.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

// A picture of that size, its pixels to be drawn.
Picture PictureOfSize(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.resize(picture.PixelCount() * 4);
  return picture;
}

static_assert(std::endian::native == std::endian::little, "pixels are put together as little-endian words");
constexpr uint32_t kOpaqueBlack = 0xFF000000U;  // B, G, R 0 and A 255, in memory order

}  // namespace

SkyRenderer::SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels) : levels_(levels) {
  triangleStart_ = {0};
  if (layers.mesh) {
    meshes_ = &scene.meshes;
    for (const SceneMesh& mesh : scene.meshes) triangleStart_.push_back(triangleStart_.back() + mesh.triangles.size());
    triangleCount_ = triangleStart_.back();
    Prepare();
  }
  // A star whose place is no number or past the float range shows nowhere.
  auto placed = [](float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); };
  if (layers.starMaps) {
    for (std::size_t slot = 0; slot < scene.starMaps.size(); ++slot) {
      for (const StarMapRecord& r : scene.starMaps[slot]) {
        if (placed(r.x, r.y, r.z)) stars_.push_back({{r.x, r.y, r.z}, StarMapLevels(r), slot == 0 ? 1 : 2});
      }
    }
  }
  if (layers.pointStars) {
    for (const PointStarRecord& s : scene.pointStars) {
      if (placed(s.x, s.y, s.z)) stars_.push_back({{s.x, s.y, s.z}, PointStarLevels(s), 0});
    }
  }
}

void SkyRenderer::Prepare() {
  const std::vector<SceneMesh>& meshes = *meshes_;
  // Where each vertex looks, counted from the first mesh's first.
  std::vector<std::size_t> vertexStart = {0};
  for (const SceneMesh& mesh : meshes) vertexStart.push_back(vertexStart.back() + mesh.vertices.size());
  const std::size_t vertexCount = vertexStart.back();
  // Where the vertices look and the triangles' extents, in one run of pieces
  // taken in order, mesh after mesh: a mesh's vertices, then its triangles,
  // whose pieces wait (briefly: the pieces are taken in order) until all of
  // the mesh's places are done. Left unset here: each piece writes its own.
  struct Piece {
    std::size_t mesh, from, to;  // vertices or triangles [from, to), counted from the first mesh's first
    bool places;
  };
  std::vector<Piece> work;
  auto pending = std::make_unique<std::atomic<std::size_t>[]>(meshes.size());
  for (std::size_t m = 0; m < meshes.size(); ++m) {
    std::size_t count = 0;
    for (std::size_t i = vertexStart[m]; i < vertexStart[m + 1]; i += kPieceItems, ++count) {
      work.push_back({m, i, std::min(i + kPieceItems, vertexStart[m + 1]), true});
    }
    pending[m] = count;
    for (std::size_t i = triangleStart_[m]; i < triangleStart_[m + 1]; i += kPieceItems) {
      work.push_back({m, i, std::min(i + kPieceItems, triangleStart_[m + 1]), false});
    }
  }
  std::unique_ptr<Place[]> places(new Place[vertexCount]);
  extents_.reset(new SkyExtent[triangleCount_]);
  std::vector<std::size_t> cells(work.size(), 0);
  const PlacesFunction placesOf = BestSkyDraw().places;
  const NarrowExtentsFunction narrowExtents = BestSkyDraw().narrowExtents;
  InPieces(work.size(), ThreadsFor(vertexCount + triangleCount_, 8192), [&](std::size_t k, unsigned) {
    const Piece& piece = work[k];
    const std::size_t m = piece.mesh;
    const SceneMesh& mesh = meshes[m];
    if (piece.places) {
      placesOf(mesh.vertices.data() + (piece.from - vertexStart[m]), piece.to - piece.from, &places[piece.from]);
      pending[m].fetch_sub(1, std::memory_order_release);
      return;
    }
    while (pending[m].load(std::memory_order_acquire) != 0) std::this_thread::yield();
    std::size_t count = 0;  // the piece's cells
    // The piece's triangles a batch at a time: most bounded from their
    // corners' places alone, the rest by following their edges.
    constexpr std::size_t kBatch = 256;
    std::array<bool, kBatch> narrow;
    for (std::size_t i = piece.from; i < piece.to;) {
      const std::size_t first = i, n = std::min(kBatch, piece.to - i);
      const std::array<uint16_t, 3>* corners = mesh.triangles.data() + (first - triangleStart_[m]);
      count +=
          narrowExtents(&places[vertexStart[m]], mesh.vertices.size(), corners, n, &extents_[first], narrow.data());
      for (; i < first + n; ++i) {
        if (narrow[i - first]) continue;
        const std::array<uint16_t, 3>& corner = corners[i - first];
        extents_[i] = SkyExtent::Hidden();
        // A corner past the mesh's vertices leaves the triangle undrawn.
        if (std::max({corner[0], corner[1], corner[2]}) >= mesh.vertices.size()) continue;
        std::array<const Place*, 3> place{};
        std::array<V3, 3> p;
        for (std::size_t c = 0; c < 3; ++c) {
          place[c] = &places[vertexStart[m] + corner[c]];
          p[c] = PointOf(mesh.vertices[corner[c]]);
        }
        if (const std::optional<Span> span = SpanOf(p, place)) {
          extents_[i] = ExtentOf(*span);
          count += CellsOf(extents_[i]);
        }
      }
    }
    cells[k] = count;
  });

  std::size_t pieces = 0;
  for (std::size_t n : cells) pieces += n;
  if (pieces > kMaxCellEntries) {
    refusal_ = "The background's mesh covers the sky too many times over to be drawn: more than " +
               std::to_string(kMaxCellEntries) + " pieces of triangles.";
    triangleCount_ = 0;
  }
}

template <class Boxes, class Rows>
void SkyRenderer::Draw(int width, int height, const Boxes& boxOf, const Rows& rows, const StarPlacing& placing,
                       const BandSink& sink) const {
  const auto bands = static_cast<std::size_t>((height + kBand - 1) / kBand);
  auto bandsOf = [&](const PixelBox& box) {
    return std::make_pair(static_cast<std::size_t>((box.r0 - 1) / kBand),
                          static_cast<std::size_t>((box.r1 - 1) / kBand));
  };
  // The triangles tried in each band, in their order: each piece of triangles
  // lists its own, and a band takes the first piece's, then the next piece's.
  std::vector<BandLists> lists(PiecesOf(triangleCount_));
  // Each star's pixel (a point), or the bottom left pixel of its 2 x 2 core (a
  // block or a spot), placed in pieces of its own beside the triangles'; none
  // for a star that falls nowhere.
  struct Spot {
    int c, r;
    bool placed;
  };
  constexpr std::size_t kStarPiece = 256;
  std::vector<Spot> spots(stars_.size());
  const std::size_t starPieces = (stars_.size() + kStarPiece - 1) / kStarPiece;
  const unsigned listThreads = std::max(ThreadsFor(triangleCount_, 8192), ThreadsFor(stars_.size(), 512));
  InPieces(lists.size() + starPieces, listThreads, [&](std::size_t piece, unsigned) {
    if (piece >= lists.size()) {
      const auto [first, end] = PieceOf(stars_.size(), piece - lists.size(), kStarPiece);
      for (std::size_t i = first; i < end; ++i) {
        double x = 0, y = 0;
        const Star& star = stars_[i];
        if (!placing.place(star.direction, x, y)) {
          spots[i] = {0, 0, false};
        } else if (star.shape == 0) {
          spots[i] = {static_cast<int>(std::floor(x)) + 1, static_cast<int>(std::floor(y)) + 1, true};
        } else {
          // The core's columns c, c + 1 and rows r, r + 1 meet at its direction.
          spots[i] = {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), true};
        }
      }
      return;
    }
    const auto [from, to] = PieceOf(triangleCount_, piece, kPieceItems);
    lists[piece] = ListByBand(from, to, bands, [&](std::size_t i) {
      const PixelBox box = boxOf(i);
      return box.c1 < box.c0 ? std::make_pair(std::size_t{1}, std::size_t{0}) : bandsOf(box);
    });
  });

  // The stars drawn in each band, in their order: those with a pixel in it.
  const BandLists starLists = ListByBand(0, stars_.size(), bands, [&](std::size_t i) {
    const int r = spots[i].r, shape = stars_[i].shape;
    const int r0 = std::max(1, shape == 2 ? r - 1 : r), r1 = std::min(height, shape == 0 ? r : r + shape);
    if (!spots[i].placed || r1 < r0) return std::make_pair(std::size_t{1}, std::size_t{0});
    return bandsOf(PixelBox{1, 1, r0, r1});
  });

  // The threads take the bands in turn, each drawing into its own band of
  // pixels and set-up batch.
  const SkyDrawKernel& kernel = BestSkyDraw();
  const auto w = static_cast<std::size_t>(width);
  const unsigned threads = ThreadsFor(w * static_cast<std::size_t>(height), 1 << 17);
  struct Own {
    Own(std::size_t pixels, bool directions) : band(pixels, directions) {}
    Band band;
    SetUpBatch batch;
  };
  std::vector<std::unique_ptr<Own>> own(threads);
  InPieces(bands, threads, [&](std::size_t b, unsigned thread) {
    if (!own[thread]) own[thread] = std::make_unique<Own>(static_cast<std::size_t>(kBand) * w, Rows::kOwnDirections);
    Band& band = own[thread]->band;
    SetUpBatch& batch = own[thread]->batch;
    BandPixels view = {};
    view.nearest = band.nearest.data(), view.bgra = band.bgra.data(), view.width = w;
    const int firstRow = static_cast<int>(b) * kBand + 1, lastRow = std::min(height, firstRow + kBand - 1);
    const std::size_t bandRows = static_cast<std::size_t>(lastRow) - static_cast<std::size_t>(firstRow) + 1;
    rows.Directions(band, firstRow, lastRow, view);
    FillRows(band.nearest.data(), w, bandRows, std::numeric_limits<float>::infinity());
    FillRows(band.bgra.data(), w, bandRows, kOpaqueBlack);
    std::size_t m = 0;  // the mesh of the triangle drawn: they come in their order
    // A triangle's rows within the band, from 0.
    auto rowsOf = [&](const PixelBox& box) {
      return std::make_pair(std::max(box.r0, firstRow) - firstRow, std::min(box.r1, lastRow) - firstRow);
    };
    for (const BandLists& piece : lists) {
      const std::span<const uint32_t> list = piece.Of(b);
      for (std::size_t j = 0; j < list.size();) {
        // A batch of triangles set up together, with one more that the
        // batch's last may be drawn with (it is set up again as the next
        // batch's first).
        const std::size_t first = j, count = std::min(kSetUpBatch + 1, list.size() - j);
        for (std::size_t i = 0; i < count; ++i) {
          const std::array<const SceneVertex*, 3> c = CornersOf(list[first + i], m);
          batch.corners[3 * i] = c[0], batch.corners[3 * i + 1] = c[1], batch.corners[3 * i + 2] = c[2];
        }
        kernel.setUp(batch.corners.data(), count, batch.ready.data(), batch.shown.data());
        for (std::size_t i = 0; i < count; ++i) {
          for (std::size_t c = 0; c < 3 && batch.shown[i]; ++c) {
            const std::array<uint8_t, 3> level = MeshLevels(*batch.corners[3 * i + c], levels_);
            for (std::size_t ch = 0; ch < 3; ++ch) batch.ready[i].colour[c][ch] = level[ch];
          }
        }
        for (const std::size_t end = first + std::min(kSetUpBatch, count); j < end; ++j) {
          const std::size_t i = j - first;
          if (!batch.shown[i]) continue;
          const PixelTriangle& t = batch.ready[i];
          const PixelBox box = boxOf(list[j]);
          const auto [r0, r1] = rowsOf(box);
          // The next triangle, when it is tried on the same pixels (as the
          // two halves of a cell of a grid are), is drawn with this one.
          if (i + 1 < count && batch.shown[i + 1] && box.c1 <= width) {
            const PixelBox next = boxOf(list[j + 1]);
            if (next.c0 == box.c0 && next.c1 == box.c1 && rowsOf(next) == std::make_pair(r0, r1)) {
              kernel.drawPair(t, batch.ready[i + 1], view, r0, r1, box.c0 - 1, box.c1 - 1);
              ++j;
              continue;
            }
          }
          // Columns past the picture's width wrap round to its first.
          kernel.drawBox(t, view, r0, r1, box.c0 - 1, std::min(box.c1, width) - 1);
          if (box.c1 > width) kernel.drawBox(t, view, r0, r1, 0, box.c1 - width - 1);
        }
      }
    }
    // The band's stars over the mesh: a point as one pixel, a block as its 2 x
    // 2 core, a spot as that with a pixel off each of its corners. A pixel off
    // the picture is left out, but for a column of a picture that wraps.
    for (const uint32_t i : starLists.Of(b)) {
      const Star& star = stars_[i];
      const Spot& spot = spots[i];
      const uint32_t colour = kOpaqueBlack | static_cast<uint32_t>(star.rgb[0]) << 16 |
                              static_cast<uint32_t>(star.rgb[1]) << 8 | star.rgb[2];
      auto put = [&](int c, int r) {
        if (placing.wraps) c = ((c - 1) % width + width) % width + 1;
        if (c < 1 || c > width || r < firstRow || r > lastRow) return;
        band.bgra[static_cast<std::size_t>(r - firstRow) * w + static_cast<std::size_t>(c - 1)] = colour;
      };
      if (star.shape == 0) {
        put(spot.c, spot.r);
        continue;
      }
      for (int r = spot.r; r <= spot.r + 1; ++r) {
        for (int c = spot.c; c <= spot.c + 1; ++c) put(c, r);
      }
      if (star.shape == 2) {
        for (int r : {spot.r - 1, spot.r + 2}) {
          for (int c : {spot.c - 1, spot.c + 2}) put(c, r);
        }
      }
    }
    sink((static_cast<std::size_t>(firstRow) - 1) * w * 4,
         std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(band.bgra.data()), bandRows * w * 4));
  });
}

Picture SkyRenderer::Equirect(int width, int height) const {
  Picture picture = PictureOfSize(width, height);
  DrawEquirect(width, height, picture.bgra);
  return picture;
}

Picture SkyRenderer::Face(CubeFace face, int n) const {
  Picture picture = PictureOfSize(n, n);
  DrawFace(face, n, picture.bgra);
  return picture;
}

SkyRenderer::BandSink SkyRenderer::SinkInto(std::span<uint8_t> bgra) {
  return [bgra](std::size_t offset, std::span<const uint8_t> bytes) {
    std::memcpy(bgra.data() + offset, bytes.data(), bytes.size());
  };
}

void SkyRenderer::DrawEquirect(int width, int height, std::span<uint8_t> bgra) const {
  if (SizeFits(width, height, bgra)) DrawEquirect(width, height, SinkInto(bgra));
}

void SkyRenderer::DrawFace(CubeFace face, int n, std::span<uint8_t> bgra) const {
  if (SizeFits(n, n, bgra)) DrawFace(face, n, SinkInto(bgra));
}

void SkyRenderer::DrawEquirect(int width, int height, const BandSink& sink) const {
  if (width < 1 || height < 1) return;
  // Each triangle's columns and rows: those whose centres' longitudes and
  // latitudes lie in its extent. Column c's centre lies (c - 1/2) / width of
  // the turn along, (c - 1/2) * 65536 / width steps: the columns from
  // ceil((s * width + 32768) / 65536) to floor(that of the extent's last step),
  // worked out in whole numbers; the rows likewise.
  const auto w = static_cast<int64_t>(width), h = static_cast<int64_t>(height);
  auto boxOf = [&](std::size_t i) {
    const SkyExtent e = extents_[i];
    PixelBox box = {1, 0, 1, 0};
    if (!e.Shown()) return box;
    box.r0 = std::max(1, static_cast<int>((e.latLo * h + 32768 + 65535) >> 16));
    box.r1 = std::min(height, static_cast<int>((e.latHi * h + 32768) >> 16));
    if (box.r1 < box.r0) return PixelBox{1, 0, 1, 0};
    // The first column lies within the picture; the last may lie past it.
    box.c0 = static_cast<int>((e.lon * w + 32768 + 65535) >> 16);
    box.c1 = static_cast<int>(((e.lon + e.lonSpan) * w + 32768) >> 16);
    if (e.lonSpan == SkyExtent::kAllLongitudes || box.c1 - box.c0 + 1 >= width) {
      box.c0 = 1, box.c1 = width;
    } else if (box.c0 > width) {
      box.c0 -= width, box.c1 -= width;
    }
    return box;
  };
  auto place = [&](const SkyDirection& d, double& x, double& y) {
    const PicturePoint at = PointOfDirection(d, width, height);
    x = at.u;
    y = std::min(at.v, height - 0.5);
    return std::isfinite(x) && std::isfinite(y);
  };
  Draw(width, height, boxOf, EquirectRows(width, height), {place, true}, sink);
}

void SkyRenderer::DrawFace(CubeFace face, int n, const BandSink& sink) const {
  if (n < 1) return;
  const FaceFrame frame = FrameOf(face);
  // Each triangle's box, worked out once: cutting it to the face takes a while.
  std::unique_ptr<PixelBox[]> boxes(new PixelBox[triangleCount_]);
  InPieces(PiecesOf(triangleCount_), ThreadsFor(triangleCount_, 8192), [&](std::size_t piece, unsigned) {
    const auto [from, to] = PieceOf(triangleCount_, piece, kPieceItems);
    for (std::size_t i = from, m = MeshHolding(triangleStart_, from); i < to; ++i) {
      boxes[i] = {1, 0, 1, 0};
      if (!extents_[i].Shown()) continue;
      const std::array<const SceneVertex*, 3> corners = CornersOf(i, m);
      if (const std::optional<std::array<int, 4>> box =
              FacePixels({PointOf(*corners[0]), PointOf(*corners[1]), PointOf(*corners[2])}, frame, n)) {
        boxes[i] = {(*box)[0], (*box)[1], (*box)[2], (*box)[3]};
      }
    }
  });
  auto boxOf = [&](std::size_t i) { return boxes[i]; };
  auto place = [&](const SkyDirection& d, double& x, double& y) {
    const double size = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
    if (!(size > 0) || !std::isfinite(size)) return false;
    const CubePoint at = CubePointOfDirection(d);
    x = at.s * n;
    y = (1 - at.t) * n;
    return at.face == face && std::isfinite(x) && std::isfinite(y);
  };
  Draw(n, n, boxOf, FaceRows(face, n), {place, false}, sink);
}

}  // namespace sq
