#include "background_export/sky_render.h"

#include <algorithm>
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
// How far a pixel's direction may turn past a triangle's edge, in radians, and
// still meet the triangle: rounding's part, so neighbours leave no crack.
constexpr double kSlack = 1e-9;
// The margin around a triangle's directions, in radians, well past the slack
// and rounding: a pixel whose centre falls within it of a triangle is tried.
constexpr double kMargin = 1e-6;
// The same on a cube face, whose coordinates change up to three times as fast.
constexpr double kFaceMargin = 4e-6;
// The grid the work of drawing is counted on: a cell is 0.7 degrees square.
constexpr int kCellsAcross = 512, kCellsUp = 256;
// A triangle whose corners' longitudes span at most this many radians, round no
// pole, is bounded from its corners alone.
constexpr double kNarrow = 0.2;

using V3 = std::array<double, 3>;

V3 Add(const V3& a, const V3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
V3 Scaled(const V3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
bool Finite(const V3& a) { return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]); }

// The angle of (x, y) from the x axis, -pi .. pi, within kAngleError: a
// polynomial good to 1e-5 on 0 .. 1, turned into the right octant. Exact
// angles are not needed where the margins take up the error, and this is
// several times quicker.
constexpr double kAngleError = 2e-5;
double Angle(double x, double y) {
  const double ax = std::fabs(x), ay = std::fabs(y);
  const double big = std::max(ax, ay);
  if (!(big > 0)) return 0;
  const double q = std::min(ax, ay) / big, q2 = q * q;
  double a = q * (0.9998660 + q2 * (-0.3302995 + q2 * (0.1801410 + q2 * (-0.0851330 + q2 * 0.0208351))));
  if (ay > ax) a = kPi / 2 - a;
  if (x < 0) a = kPi - a;
  return y < 0 ? -a : a;
}

// Where a corner looks: longitude 0 .. 2 pi (0 straight ahead, +Z, growing
// towards +X) and latitude, each within kAngleError; whether it lies on a pole
// (a cap's centre); how far its longitude may be off, as its direction turns
// by the margin and for the error; and whether it is a point at all (no
// coordinate a NaN or past the float range).
struct Place {
  double lon = 0, lat = 0, lonMargin = kMargin + kAngleError;
  bool pole = false, finite = true;
};

Place PlaceOf(const V3& p) {
  Place place;
  place.finite = Finite(p);
  const double across = std::sqrt(p[0] * p[0] + p[2] * p[2]), length = std::sqrt(across * across + p[1] * p[1]);
  place.lon = Angle(p[2], p[0]);
  if (place.lon < 0) place.lon += 2 * kPi;
  place.lat = Angle(across, p[1]);
  place.pole = across <= 1e-9 * length;
  // A turn of e moves the longitude by e over the cosine of the latitude, twice
  // that for a point inside a triangle nearer the pole than its corners.
  if (!place.pole) place.lonMargin = kAngleError + std::min(kPi, 2 * kMargin * length / across);
  return place;
}

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

// Where the directions of triangle a, b, c lie, its corners looking at
// `places`; none when it is seen edge on from the centre (its plane passes
// through the centre) or a corner is no number or past the float range.
std::optional<SkyExtent> ExtentOf(const std::array<V3, 3>& corners, const std::array<const Place*, 3>& places) {
  const V3 &a = corners[0], &b = corners[1], &c = corners[2];
  if (!places[0]->finite || !places[1]->finite || !places[2]->finite) return std::nullopt;
  // From float corners these stay well within the double range.
  const V3 normal = Cross(Sub(b, a), Sub(c, a));
  const double plane = Dot(normal, a);
  if (plane * plane <= 1e-24 * Dot(normal, normal) * Dot(a, a)) return std::nullopt;

  SkyExtent extent{};
  extent.shown = true;
  double lo = kPi, hi = -kPi, lonMargin = 0;
  std::size_t poles = 0, pole = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    lo = std::min(lo, places[k]->lat);
    hi = std::max(hi, places[k]->lat);
    lonMargin = std::max(lonMargin, places[k]->lonMargin);
    if (places[k]->pole) ++poles, pole = k;
  }
  // The longitude walked round the edges comes back where it started unless
  // the triangle goes round a pole: the one the plane lies in front of.
  double at = places[0]->lon, uLo = at, uHi = at;
  for (std::size_t k = 0; k < 3; ++k) {
    at += ArcTurn(places[k]->lon, places[(k + 1) % 3]->lon);
    uLo = std::min(uLo, at);
    uHi = std::max(uHi, at);
  }
  const bool round = std::fabs(at - places[0]->lon) > kPi;

  if (poles == 0 && !round && uHi - uLo <= kNarrow) {
    // Along an edge spanning d in longitude and round no pole, tan(latitude) is
    // a cos(longitude - l0) with a = tan of its extreme latitude; the extreme,
    // when inside the edge, is at most its corners' tangent over cos(d / 2),
    // which lifts the latitude by at most (1 / cos(d / 2) - 1) / 2 <= d^2 / 15
    // (d here taken large enough for the longitudes' error).
    const double span = uHi - uLo + 4 * kAngleError, bulge = span * span / 15;
    extent.lonLo = uLo - lonMargin;
    extent.lonHi = uHi + lonMargin;
    extent.latLo = lo - bulge - kMargin - kAngleError;
    extent.latHi = hi + bulge + kMargin + kAngleError;
    return extent;
  }

  for (std::size_t k = 0; k < 3; ++k) ArcLatitudes(corners[k], corners[(k + 1) % 3], lo, hi);
  if (poles == 1) {
    // The triangle spans the longitudes of the edge opposite the pole.
    const double from = places[(pole + 1) % 3]->lon, turn = ArcTurn(from, places[(pole + 2) % 3]->lon);
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

// The cells of the work grid an extent covers.
std::size_t CellsOf(const SkyExtent& e) {
  std::size_t across = kCellsAcross;
  if (!e.all) {
    const int u0 = Floor(e.lonLo / (2 * kPi) * kCellsAcross), u1 = Floor(e.lonHi / (2 * kPi) * kCellsAcross);
    across = static_cast<std::size_t>(std::min(u1 - u0 + 1, kCellsAcross));
  }
  auto row = [](double latitude) { return std::clamp(Floor((latitude + kPi / 2) / kPi * kCellsUp), 0, kCellsUp - 1); };
  return across * static_cast<std::size_t>(row(e.latHi) - row(e.latLo) + 1);
}

// Runs work(share) for shares 0 .. shares - 1 at once, each on a thread of its
// own where the platform has threads (one that cannot be started runs here).
void InShares(unsigned shares, const std::function<void(unsigned)>& work) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  for (unsigned k = 0; k < shares; ++k) work(k);
#else
  std::vector<std::thread> threads;
  std::vector<unsigned> here = {0};
  for (unsigned k = 1; k < shares; ++k) {
    try {
      threads.emplace_back(work, k);
    } catch (const std::system_error&) {
      here.push_back(k);
    }
  }
  for (unsigned k : here) work(k);
  for (std::thread& thread : threads) thread.join();
#endif
}

// How many shares `items` pieces of work are split into: one a core, but for
// work too small to be worth a thread.
unsigned SharesFor(std::size_t items, std::size_t worthwhile) {
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  return static_cast<unsigned>(std::clamp<std::size_t>(items / worthwhile, 1, cores));
}

// Item range [from, to) of share k of n.
std::pair<std::size_t, std::size_t> ShareOf(std::size_t items, unsigned k, unsigned n) {
  return {items * k / n, items * (k + 1) / n};
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

// The level nearest v, a level from 0 to 255 give or take rounding (halves
// rounded up): a blend of levels by weights of 0 .. 1 that sum to 1.
uint8_t Level(double v) {
  const int whole = static_cast<int>(v);
  return static_cast<uint8_t>(v - whole >= 0.5 ? whole + 1 : whole);
}

// The rows of pixels drawn at once: a band's nearest distances stay in the cache.
constexpr int kBand = 16;

// Where the pixels of an equirectangular picture look: pixel (c, r) along
// (cos p sin l, sin p, cos p cos l) of its centre, with tables of the sines
// and cosines of its columns' and rows' angles.
class EquirectRows {
 public:
  EquirectRows(int width, int height)
      : sinL_(static_cast<std::size_t>(width) + 1),
        cosL_(sinL_.size()),
        sinP_(static_cast<std::size_t>(height) + 1),
        cosP_(sinP_.size()) {
    for (int c = 1; c <= width; ++c) {
      const double l = 2 * kPi * (c - 0.5) / width;
      sinL_[static_cast<std::size_t>(c)] = std::sin(l);
      cosL_[static_cast<std::size_t>(c)] = std::cos(l);
    }
    for (int r = 1; r <= height; ++r) {
      const double p = kPi * (r - 0.5) / height - kPi / 2;
      sinP_[static_cast<std::size_t>(r)] = std::sin(p);
      cosP_[static_cast<std::size_t>(r)] = std::cos(p);
    }
  }

  class Row {
   public:
    Row(const double* sinL, const double* cosL, double sinP, double cosP)
        : sinL_(sinL), cosL_(cosL), sinP_(sinP), cosP_(cosP) {}
    SkyDirection At(int c) const { return {cosP_ * sinL_[c], sinP_, cosP_ * cosL_[c]}; }

   private:
    const double *sinL_, *cosL_;
    double sinP_, cosP_;
  };
  Row operator()(int r) const {
    const auto at = static_cast<std::size_t>(r);
    return {sinL_.data(), cosL_.data(), sinP_[at], cosP_[at]};
  }

 private:
  std::vector<double> sinL_, cosL_, sinP_, cosP_;
};

// Where the pixels of a cube face look, pixel by pixel.
class FaceRows {
 public:
  FaceRows(CubeFace face, int n) : n_(n), directions_(static_cast<std::size_t>(n) * static_cast<std::size_t>(n)) {
    // Rows are held bottom first; t counts from the face's top.
    for (int r = 1; r <= n; ++r) {
      for (int c = 1; c <= n; ++c) {
        directions_[Index(c, r)] = DirectionOfCubePoint({face, (c - 0.5) / n, 1 - (r - 0.5) / n});
      }
    }
  }

  class Row {
   public:
    explicit Row(const SkyDirection* row) : row_(row) {}
    SkyDirection At(int c) const { return row_[c - 1]; }

   private:
    const SkyDirection* row_;
  };
  Row operator()(int r) const { return Row(directions_.data() + Index(1, r)); }

 private:
  std::size_t Index(int c, int r) const {
    return static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(c - 1);
  }
  int n_;
  std::vector<SkyDirection> directions_;
};

// Triangle t tried on pixels (c, r) of rows r0 .. r1 and columns c0 .. c1
// (past the picture's width they wrap round), pixel (c, r) looking along
// rows(r).At(c). A pixel the triangle's direction passes through takes its
// colour when it is nearer than what the pixel shows: nearest[(r - firstRow) *
// width + c - 1] holds how near that is. t is taken by value, so the pixel
// stores cannot be taken to change it.
template <class Rows>
void DrawTriangle(const SkyTriangle t, int c0, int c1, int r0, int r1, const Rows& rows, Picture& picture,
                  double* nearest, int firstRow) {
  const int width = picture.width;
  for (int r = r0; r <= r1; ++r) {
    const auto row = rows(r);
    uint8_t* const bgra = picture.Pixel(1, r);
    double* const depth = nearest + static_cast<std::size_t>(r - firstRow) * static_cast<std::size_t>(width);
    for (int k = c0; k <= c1; ++k) {
      const int c = k > width ? k - width : k;
      const SkyDirection d = row.At(c);
      const double wa = d.x * t.bc[0] + d.y * t.bc[1] + d.z * t.bc[2];
      if (wa < -t.slack[0]) continue;
      const double wb = d.x * t.ca[0] + d.y * t.ca[1] + d.z * t.ca[2];
      if (wb < -t.slack[1]) continue;
      const double wc = d.x * t.ab[0] + d.y * t.ab[1] + d.z * t.ab[2];
      if (wc < -t.slack[2]) continue;
      const double sum = wa + wb + wc;  // d . n, 0 when seen edge on
      if (!(sum > 0)) continue;
      const double at = t.plane / sum;
      if (!(at < depth[c - 1])) continue;
      depth[c - 1] = at;
      // Each weight within 0 .. 1 and the three summing to 1, so each level
      // lies within 0 .. 255 but for rounding.
      const double w1 = std::clamp(wb / sum, 0.0, 1.0), w2 = std::clamp(wc / sum, 0.0, 1.0 - w1), w0 = 1 - w1 - w2;
      uint8_t* const out = bgra + static_cast<std::size_t>(c - 1) * 4;
      for (std::size_t ch = 0; ch < 3; ++ch) {
        out[2 - ch] = Level(w0 * t.colour[0][ch] + w1 * t.colour[1][ch] + w2 * t.colour[2][ch]);
      }
    }
  }
}

// A picture of black pixels, each opaque.
Picture BlackPicture(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.resize(picture.PixelCount() * 4);
  const uint8_t black[4] = {0, 0, 0, 255};
  for (std::size_t i = 0; i < picture.bgra.size(); i += 4) std::memcpy(picture.bgra.data() + i, black, 4);
  return picture;
}

}  // namespace

// A picture the stars are drawn on: where a direction falls on it (x from its
// left edge, y from its bottom, in pixels), and whether its columns wrap around.
class SkyRenderer::Canvas {
 public:
  Canvas(Picture& picture, bool wraps, std::function<bool(const SkyDirection&, double&, double&)> place)
      : picture_(picture), wraps_(wraps), place_(std::move(place)) {}

  bool Place(const SkyDirection& d, double& x, double& y) const { return place_(d, x, y); }

  // Pixel (c, r), both from 1; off the picture it is left out, but for a column
  // of a picture that wraps.
  void Put(int c, int r, const std::array<uint8_t, 3>& rgb) {
    const int w = picture_.width;
    if (wraps_) c = ((c - 1) % w + w) % w + 1;
    if (c < 1 || c > w || r < 1 || r > picture_.height) return;
    uint8_t* p = picture_.Pixel(c, r);
    p[0] = rgb[2];
    p[1] = rgb[1];
    p[2] = rgb[0];
    p[3] = 255;
  }

 private:
  Picture& picture_;
  bool wraps_;
  std::function<bool(const SkyDirection&, double&, double&)> place_;
};

SkyRenderer::SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels) {
  if (layers.mesh) Prepare(scene, levels);
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

void SkyRenderer::Prepare(const SkyScene& scene, SceneLevels levels) {
  // Every vertex and triangle of the meshes, counted from the first mesh's first.
  std::vector<std::size_t> vertexStart = {0}, triangleStart = {0};
  for (const SceneMesh& mesh : scene.meshes) {
    vertexStart.push_back(vertexStart.back() + mesh.vertices.size());
    triangleStart.push_back(triangleStart.back() + mesh.triangles.size());
  }
  const std::size_t vertexCount = vertexStart.back();
  triangleCount_ = triangleStart.back();
  auto meshOf = [](const std::vector<std::size_t>& starts, std::size_t i) {
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin() - 1);
  };

  vertices_.resize(vertexCount);
  colours_.resize(vertexCount);
  std::vector<Place> places(vertexCount);
  const unsigned vertexShares = SharesFor(vertexCount, 8192);
  InShares(vertexShares, [&](unsigned share) {
    const auto [from, to] = ShareOf(vertexCount, share, vertexShares);
    for (std::size_t i = from, m = from < to ? meshOf(vertexStart, from) : 0; i < to; ++i) {
      while (i >= vertexStart[m + 1]) ++m;
      const SceneVertex& v = scene.meshes[m].vertices[i - vertexStart[m]];
      vertices_[i] = {v.x, v.y, v.z};
      places[i] = PlaceOf({v.x, v.y, v.z});
      const std::array<uint8_t, 3> rgb = MeshLevels(v, levels);
      colours_[i] = {static_cast<double>(rgb[0]), static_cast<double>(rgb[1]), static_cast<double>(rgb[2])};
    }
  });

  // Left unset here: each share writes its own.
  extents_.reset(new SkyExtent[triangleCount_]);
  corners_.reset(new std::array<uint32_t, 3>[triangleCount_]);
  const unsigned triangleShares = SharesFor(triangleCount_, 8192);
  std::vector<std::size_t> cells(triangleShares, 0);
  InShares(triangleShares, [&](unsigned share) {
    const auto [from, to] = ShareOf(triangleCount_, share, triangleShares);
    for (std::size_t i = from, m = from < to ? meshOf(triangleStart, from) : 0; i < to; ++i) {
      while (i >= triangleStart[m + 1]) ++m;
      const std::array<uint16_t, 3>& corner = scene.meshes[m].triangles[i - triangleStart[m]];
      std::array<V3, 3> p;
      std::array<const Place*, 3> place{};
      for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t v = vertexStart[m] + corner[k];
        corners_[i][k] = static_cast<uint32_t>(v);
        p[k] = {vertices_[v][0], vertices_[v][1], vertices_[v][2]};
        place[k] = &places[v];
      }
      const std::optional<SkyExtent> extent = ExtentOf(p, place);
      extents_[i] = extent ? *extent : SkyExtent{};
      if (extent) cells[share] += CellsOf(*extent);
    }
  });

  std::size_t pieces = 0;
  for (std::size_t n : cells) pieces += n;
  if (pieces > kMaxCellEntries) {
    refusal_ = "The background's mesh covers the sky too many times over to be drawn: more than " +
               std::to_string(kMaxCellEntries) + " pieces of triangles.";
    triangleCount_ = 0;
  }
}

SkyTriangle SkyRenderer::TriangleOf(const std::array<uint32_t, 3>& corners) const {
  std::array<V3, 3> p;
  SkyTriangle t;
  for (std::size_t k = 0; k < 3; ++k) {
    const std::array<float, 3>& v = vertices_[corners[k]];
    p[k] = {v[0], v[1], v[2]};
    t.colour[k] = colours_[corners[k]];
  }
  t.bc = Cross(p[1], p[2]);
  t.ca = Cross(p[2], p[0]);
  t.ab = Cross(p[0], p[1]);
  t.plane = Dot(Cross(Sub(p[1], p[0]), Sub(p[2], p[0])), p[0]);
  // Turned so that the weights of a direction through it are positive: for a
  // ray to meet the plane in front, d . n must have the sign of n . a.
  if (t.plane < 0) {
    t.bc = Scaled(t.bc, -1), t.ca = Scaled(t.ca, -1), t.ab = Scaled(t.ab, -1);
    t.plane = -t.plane;
  }
  t.slack = {kSlack * Length(t.bc), kSlack * Length(t.ca), kSlack * Length(t.ab)};
  return t;
}

template <class Rows>
void SkyRenderer::DrawMesh(Picture& picture, const PixelBox* boxes, const Rows& rows) const {
  const int width = picture.width, height = picture.height;
  // The triangles tried in each band of rows, in their order.
  const auto bands = static_cast<std::size_t>((height + kBand - 1) / kBand);
  std::vector<std::size_t> start(bands + 1, 0);
  auto bandsOf = [&](const PixelBox& box) {
    return std::make_pair(static_cast<std::size_t>((box.r0 - 1) / kBand),
                          static_cast<std::size_t>((box.r1 - 1) / kBand));
  };
  for (std::size_t i = 0; i < triangleCount_; ++i) {
    if (boxes[i].c1 < boxes[i].c0) continue;
    const auto [first, last] = bandsOf(boxes[i]);
    for (std::size_t b = first; b <= last; ++b) ++start[b + 1];
  }
  for (std::size_t b = 0; b < bands; ++b) start[b + 1] += start[b];
  std::vector<uint32_t> members(start.back());
  std::vector<std::size_t> fill(start.begin(), start.end() - 1);
  for (std::size_t i = 0; i < triangleCount_; ++i) {
    if (boxes[i].c1 < boxes[i].c0) continue;
    const auto [first, last] = bandsOf(boxes[i]);
    for (std::size_t b = first; b <= last; ++b) members[fill[b]++] = static_cast<uint32_t>(i);
  }

  // The shares take the bands in turn, each with the nearest distances of a band.
  const unsigned shares = SharesFor(picture.PixelCount(), 1 << 17);
  const std::size_t bandPixels = static_cast<std::size_t>(kBand) * static_cast<std::size_t>(width);
  std::vector<double> nearest(bandPixels * shares);
  InShares(shares, [&](unsigned share) {
    double* const depth = nearest.data() + bandPixels * share;
    for (std::size_t b = share; b < bands; b += shares) {
      const int firstRow = static_cast<int>(b) * kBand + 1, lastRow = std::min(height, firstRow + kBand - 1);
      std::fill(depth, depth + bandPixels, std::numeric_limits<double>::infinity());
      for (std::size_t k = start[b]; k < start[b + 1]; ++k) {
        const PixelBox& box = boxes[members[k]];
        DrawTriangle(TriangleOf(corners_[members[k]]), box.c0, box.c1, std::max(box.r0, firstRow),
                     std::min(box.r1, lastRow), rows, picture, depth, firstRow);
      }
    }
  });
}

void SkyRenderer::DrawStars(Canvas& canvas) const {
  for (const Star& star : stars_) {
    double x = 0, y = 0;
    if (!canvas.Place(star.direction, x, y)) continue;
    if (star.shape == 0) {
      canvas.Put(static_cast<int>(std::floor(x)) + 1, static_cast<int>(std::floor(y)) + 1, star.rgb);
      continue;
    }
    // The 2 x 2 core's columns ax, ax + 1 and rows ay, ay + 1 meet at its direction.
    const int ax = static_cast<int>(std::lround(x)), ay = static_cast<int>(std::lround(y));
    for (int r = ay; r <= ay + 1; ++r) {
      for (int c = ax; c <= ax + 1; ++c) canvas.Put(c, r, star.rgb);
    }
    if (star.shape == 2) {
      for (int r : {ay - 1, ay + 2}) {
        for (int c : {ax - 1, ax + 2}) canvas.Put(c, r, star.rgb);
      }
    }
  }
}

Picture SkyRenderer::Equirect(int width, int height) const {
  Picture picture = BlackPicture(width, height);
  // Each triangle's columns and rows: those whose centres' longitudes and
  // latitudes lie in its extent.
  std::unique_ptr<PixelBox[]> boxes(new PixelBox[triangleCount_]);
  const double across = width / (2 * kPi), up = height / kPi;
  const unsigned shares = SharesFor(triangleCount_, 16384);
  InShares(shares, [&](unsigned share) {
    const auto [from, to] = ShareOf(triangleCount_, share, shares);
    for (std::size_t i = from; i < to; ++i) {
      const SkyExtent& e = extents_[i];
      PixelBox& box = boxes[i];
      box = {1, 0, 1, 0};
      if (!e.shown) continue;
      box.r0 = std::max(1, Ceil((e.latLo + kPi / 2) * up + 0.5));
      box.r1 = std::min(height, Floor((e.latHi + kPi / 2) * up + 0.5));
      if (box.r1 < box.r0) continue;
      box.c0 = Ceil(e.lonLo * across + 0.5);
      box.c1 = Floor(e.lonHi * across + 0.5);
      if (e.all || box.c1 - box.c0 + 1 >= width) {
        box.c0 = 1, box.c1 = width;
      } else if (box.c1 >= box.c0) {
        // The first column within the picture; the last may lie past it.
        const int turns = Floor((box.c0 - 1) / static_cast<double>(width));
        box.c0 -= turns * width;
        box.c1 -= turns * width;
      }
    }
  });
  DrawMesh(picture, boxes.get(), EquirectRows(width, height));
  Canvas canvas(picture, true, [&](const SkyDirection& d, double& x, double& y) {
    const PicturePoint at = PointOfDirection(d, width, height);
    x = at.u;
    y = std::min(at.v, height - 0.5);
    return std::isfinite(x) && std::isfinite(y);
  });
  DrawStars(canvas);
  return picture;
}

Picture SkyRenderer::Face(CubeFace face, int n) const {
  Picture picture = BlackPicture(n, n);
  const FaceFrame frame = FrameOf(face);
  std::unique_ptr<PixelBox[]> boxes(new PixelBox[triangleCount_]);
  for (std::size_t i = 0; i < triangleCount_; ++i) {
    boxes[i] = {1, 0, 1, 0};
    if (!extents_[i].shown) continue;
    std::array<V3, 3> corners;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::array<float, 3>& v = vertices_[corners_[i][k]];
      corners[k] = {v[0], v[1], v[2]};
    }
    if (const std::optional<std::array<int, 4>> box = FacePixels(corners, frame, n)) {
      boxes[i] = {(*box)[0], (*box)[1], (*box)[2], (*box)[3]};
    }
  }
  DrawMesh(picture, boxes.get(), FaceRows(face, n));
  Canvas canvas(picture, false, [&](const SkyDirection& d, double& x, double& y) {
    const double size = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
    if (!(size > 0) || !std::isfinite(size)) return false;
    const CubePoint at = CubePointOfDirection(d);
    x = at.s * n;
    y = (1 - at.t) * n;
    return at.face == face && std::isfinite(x) && std::isfinite(y);
  });
  DrawStars(canvas);
  return picture;
}

}  // namespace sq
