#include "background_export/sky_render.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <numbers>
#include <system_error>
#include <thread>

namespace sq {

namespace {

constexpr double kPi = std::numbers::pi;
// The margin around a triangle's directions, in radians, well past the pixel
// test's slack and rounding: a pixel whose centre falls within it of a
// triangle is tried.
constexpr double kMargin = 1e-5;
// The margin on a cube face, whose coordinates change up to three times as fast.
constexpr double kFaceMargin = 4e-5;
// How far past a triangle's edge a pixel's direction may lie and still meet the
// triangle, over the sum of the edge normal's magnitudes: more than the
// rounding of the pixel test, so neighbours leave no crack. A direction so met
// is at most about 2e-6 radians past the edge.
constexpr double kSlack = 1e-6;
// The rows of pixels drawn at once.
constexpr int kBandRows = 16;
// The grid the work of drawing is counted on: a cell is 0.7 degrees square.
constexpr int kCellsAcross = 512, kCellsUp = 256;

using V3 = std::array<double, 3>;

V3 Add(const V3& a, const V3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Dot(const SkyDirection& d, const V3& b) { return d.x * b[0] + d.y * b[1] + d.z * b[2]; }
double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
V3 Scaled(const V3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
// v brought within lo .. hi (a NaN becomes hi). Written in the form of the
// processor's own maximum and minimum, so the compiler takes those rather than
// two branches: a drawn pixel takes two of these.
double Within(double v, double lo, double hi) {
  const double above = v > lo ? v : lo;
  return above < hi ? above : hi;
}
V3 PointOf(const SceneVertex& v) { return {v.x, v.y, v.z}; }
V3 PointOf(const SkyDirection& d) { return {d.x, d.y, d.z}; }

// A direction's longitude (-pi .. pi, 0 straight ahead, +Z, growing towards
// +X) and latitude (-pi/2 .. pi/2).
struct LonLat {
  double lon, lat;
};

// How far the longitude turns from `from` to `to` along the arc between two
// directions: the short way round, as the arc's shadow on the equator's plane
// passes the axis on that side.
double Turn(double from, double to) {
  const double turn = to - from;  // -2 pi .. 2 pi
  return turn > kPi ? turn - 2 * kPi : turn < -kPi ? turn + 2 * kPi : turn;
}

// Whether a triangle with these corners is seen edge on from the centre: its
// plane through the centre, or near enough that the pixel test could not tell
// its sides apart. From float corners these stay well within the double range.
bool EdgeOn(const V3& normal, double plane, const V3& a) {
  return plane * plane <= 1e-24 * Dot(normal, normal) * Dot(a, a);
}

// The highest and lowest latitude of the arc from direction p to q (the arc the
// rays through the segment pq sweep), raising hi and lowering lo. The latitude
// along a great circle rises to its top and falls to its bottom half a turn
// on; an arc shorter than that passes one of them where its latitude rises (or
// falls) leaving either end.
void ArcLatitudes(const V3& p, const V3& q, double& lo, double& hi) {
  // Which way the latitude goes leaving p towards q: the way q's part across p
  // points. Most arcs rise at one end and fall at the other, and are done here.
  const double pp = Dot(p, p), qq = Dot(q, q), pq = Dot(p, q);
  const double upFromP = q[1] * pp - pq * p[1], upFromQ = p[1] * qq - pq * q[1];
  const bool top = upFromP > 0 && upFromQ > 0, bottom = upFromP < 0 && upFromQ < 0;
  if (!top && !bottom) return;
  const V3 n = Cross(p, q);
  // p and q in one direction (or opposite): no arc to speak of. (Squares: a
  // square root for each edge of each triangle is felt.)
  if (!(Dot(n, n) > 1e-24 * pp * qq)) return;
  // The great circle's top and bottom lie pi/2 from its plane's normal.
  const double extreme = std::acos(std::min(1.0, std::fabs(n[1]) / Length(n)));
  if (top) hi = std::max(hi, extreme);
  if (bottom) lo = std::min(lo, -extreme);
}

// A triangle's corner as its box needs it: where it lies, where it looks, and
// whether it is a point at all (no coordinate a NaN or past the float range).
struct BoxCorner {
  V3 point;
  LonLat at;
  bool pole, finite;
};

BoxCorner BoxCornerOf(const SceneVertex& v) {
  if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return {{}, {}, false, false};
  const V3 point = PointOf(v);
  // Where it looks, and whether it lies on a pole, so near that its longitude
  // means nothing: both from its distance from the axis.
  const double across = std::hypot(point[0], point[2]);
  return {point, {std::atan2(point[0], point[2]), std::atan2(point[1], across)}, across <= 1e-9 * Length(point), true};
}

// A triangle made ready for the pixel test. A ray from the centre along d
// meets it where each corner's weight, d . edges[k] (the normal of the plane
// through the centre and the edge opposite corner k, turned inwards), is at
// least minus its slack and their sum, d . n for the triangle's normal n, is
// positive. It meets the plane at plane / (d . n) times d; its colour there is
// the corners' levels blended by the weights over their sum.
struct PixelTriangle {
  std::array<V3, 3> edges;
  std::array<double, 3> slack;
  double plane;
  // Red, green, blue: the first corner's level and the steps from it to the
  // second's and the third's.
  std::array<std::array<double, 3>, 3> steps;
};

// The triangle with these corners made ready; none when it is seen edge on.
std::optional<PixelTriangle> PixelTriangleOf(const std::array<const SceneVertex*, 3>& corners, SceneLevels levels) {
  const V3 a = PointOf(*corners[0]), b = PointOf(*corners[1]), c = PointOf(*corners[2]);
  const V3 normal = Cross(Sub(b, a), Sub(c, a));
  const double plane = Dot(normal, a);
  if (EdgeOn(normal, plane, a)) return std::nullopt;
  // Turned towards the centre: for a ray to meet the plane in front, d . n
  // must have the sign of n . a.
  const double sign = plane < 0 ? -1 : 1;
  PixelTriangle t;
  t.edges = {Scaled(Cross(b, c), sign), Scaled(Cross(c, a), sign), Scaled(Cross(a, b), sign)};
  for (std::size_t k = 0; k < 3; ++k) {
    t.slack[k] = kSlack * (std::fabs(t.edges[k][0]) + std::fabs(t.edges[k][1]) + std::fabs(t.edges[k][2]));
  }
  const std::array<std::array<uint8_t, 3>, 3> level = {MeshLevels(*corners[0], levels), MeshLevels(*corners[1], levels),
                                                       MeshLevels(*corners[2], levels)};
  for (std::size_t ch = 0; ch < 3; ++ch) {
    const double first = level[0][ch];
    t.steps[ch] = {first, level[1][ch] - first, level[2][ch] - first};
  }
  t.plane = plane * sign;
  return t;
}

// The cells of the work grid a box covers.
std::size_t CellsOf(const LonLatBox& box) {
  // Angles scaled to cells by one product each (a division per angle of each
  // triangle is felt); a count below 0 is the first cell, as is one just below it.
  auto cell = [](double angle, double from, double perCell, int cells) {
    return static_cast<int>(std::clamp((angle - from) * perCell, 0.0, cells - 1.0));
  };
  constexpr double kUpPerRadian = kCellsUp / kPi, kAcrossPerRadian = kCellsAcross / (2 * kPi);
  const int up =
      cell(box.latHi, -kPi / 2, kUpPerRadian, kCellsUp) - cell(box.latLo, -kPi / 2, kUpPerRadian, kCellsUp) + 1;
  int across = kCellsAcross;
  if (!box.allLongitudes) {
    const double from = std::floor(box.lonLo / (2 * kPi)) * 2 * kPi;
    across = static_cast<int>((box.lonHi - from) * kAcrossPerRadian) -
             static_cast<int>((box.lonLo - from) * kAcrossPerRadian) + 1;
    across = std::min(across, kCellsAcross);
  }
  return static_cast<std::size_t>(across) * static_cast<std::size_t>(up);
}

// A cube face's frame: the direction through (s, t) is axis + a u + b v with
// a = 2 s - 1 and b = 2 t - 1, each of axis, u and v one of the six unit axes.
struct FaceFrame {
  V3 axis, u, v;
};

FaceFrame FrameOf(CubeFace face) {
  auto at = [face](double s, double t) { return PointOf(DirectionOfCubePoint({face, s, t})); };
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

// A face's pixels whose centres may look through a triangle: columns c0 .. c1
// and rows r0 .. r1 of an n x n face, rows from the bottom. The triangle is cut
// to the face's pyramid and what is left seen on the face. None when nothing is left.
std::optional<std::array<int, 4>> FacePixels(const std::array<const SceneVertex*, 3>& corners, const FaceFrame& frame,
                                             int n) {
  // The pyramid's sides: a <= 1, a >= -1, b <= 1, b >= -1.
  const std::array<V3, 4> sides = {Sub(frame.axis, frame.u), Add(frame.axis, frame.u), Sub(frame.axis, frame.v),
                                   Add(frame.axis, frame.v)};
  // Cut as directions: the corners' lengths may differ by many orders, which a
  // cut along an edge would not survive.
  Polygon polygon;
  for (const SceneVertex* corner : corners) {
    const V3 p = PointOf(*corner);
    polygon.points[polygon.size++] = Scaled(p, 1 / Length(p));
  }
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

// Items 0 .. count - 1 listed band by band, each in every band it falls in and
// in its order there: band b's are entries[start[b]] .. entries[start[b + 1] - 1].
// bandsOf(i) gives item i's first and last band (the first past the last for
// an item in none).
struct BandLists {
  std::vector<std::size_t> start;
  std::vector<uint32_t> entries;

  template <class Bands>
  BandLists(std::size_t count, std::size_t bands, const Bands& bandsOf) : start(bands + 1, 0) {
    std::vector<std::pair<int, int>> spans(count);
    for (std::size_t i = 0; i < count; ++i) {
      spans[i] = bandsOf(i);
      for (int b = spans[i].first; b <= spans[i].second; ++b) ++start[static_cast<std::size_t>(b) + 1];
    }
    for (std::size_t b = 0; b < bands; ++b) start[b + 1] += start[b];
    entries.resize(start[bands]);
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < count; ++i) {
      for (int b = spans[i].first; b <= spans[i].second; ++b) {
        entries[next[static_cast<std::size_t>(b)]++] = static_cast<uint32_t>(i);
      }
    }
  }
  std::span<const uint32_t> Of(std::size_t b) const { return {entries.data() + start[b], start[b + 1] - start[b]}; }
};

// How many threads share the work of `parts` parts: one per core, at most one
// per part. (An export is the one thing a person waits for here that takes more
// than a moment: the export of the bundled sample within 3 times its build.)
std::size_t WorkersFor(std::size_t parts) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  static_cast<void>(parts);
  return 1;  // the page's core has no threads
#else
  return std::max<std::size_t>(1, std::min<std::size_t>(parts, std::thread::hardware_concurrency()));
#endif
}

// Calls work(part, worker) once for each part 0 .. parts - 1, the parts taken
// in turn by `workers` threads, this one among them, worker 0 .. workers - 1
// telling which calls it. Where no other thread can be had, this one does them
// all. An exception out of work stops the parts not yet begun and is thrown
// again here.
void ForEachPart(std::size_t parts, std::size_t workers, const std::function<void(std::size_t, std::size_t)>& work) {
  std::atomic<std::size_t> next = 0;
  std::mutex failedMutex;
  std::exception_ptr failed;
  auto run = [&](std::size_t worker) {
    try {
      for (std::size_t part = next++; part < parts; part = next++) work(part, worker);
    } catch (...) {
      next = parts;
      const std::lock_guard<std::mutex> lock(failedMutex);
      if (!failed) failed = std::current_exception();
    }
  };
  std::vector<std::thread> others;
  try {
    for (std::size_t worker = 1; worker < workers; ++worker) others.emplace_back(run, worker);
  } catch (const std::system_error&) {
    // Fewer threads than asked for: those there are do all the parts.
  }
  run(0);
  for (std::thread& other : others) other.join();
  if (failed) std::rethrow_exception(failed);
}

// make(i) for each i of 0 .. count - 1, in runs shared among the workers.
template <class Item, class Make>
std::vector<Item> EachOf(std::size_t count, const Make& make) {
  constexpr std::size_t kRun = 4096;
  std::vector<Item> items(count);
  const std::size_t runs = (count + kRun - 1) / kRun;
  ForEachPart(runs, WorkersFor(runs), [&](std::size_t run, std::size_t) {
    for (std::size_t i = run * kRun; i < std::min(count, (run + 1) * kRun); ++i) items[i] = make(i);
  });
  return items;
}

Picture PictureOfSize(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.resize(picture.PixelCount() * 4);
  return picture;
}

// The box of a triangle with these corners (LonLatBoxOf).
std::optional<LonLatBox> BoxOf(const BoxCorner& a, const BoxCorner& b, const BoxCorner& c) {
  if (!a.finite || !b.finite || !c.finite) return std::nullopt;
  const std::array<V3, 3> p = {a.point, b.point, c.point};
  const std::array<LonLat, 3> at = {a.at, b.at, c.at};
  const V3 normal = Cross(Sub(p[1], p[0]), Sub(p[2], p[0]));
  const double plane = Dot(normal, p[0]);
  if (EdgeOn(normal, plane, p[0])) return std::nullopt;

  const int poles = a.pole + b.pole + c.pole;
  const std::size_t pole = a.pole ? 0 : b.pole ? 1 : 2;
  LonLatBox box;
  box.latLo = std::min({at[0].lat, at[1].lat, at[2].lat}), box.latHi = std::max({at[0].lat, at[1].lat, at[2].lat});
  for (std::size_t k = 0; k < 3; ++k) ArcLatitudes(p[k], p[(k + 1) % 3], box.latLo, box.latHi);

  // The latitude nearest a pole that the triangle reaches off a corner on the
  // pole: how far a margin of angle turns the longitude.
  double nearPole = std::max(std::fabs(box.latLo), std::fabs(box.latHi));
  if (poles == 1) {
    // A corner on a pole has no longitude of its own: the triangle spans those
    // of the edge opposite, its edges to the pole being meridians.
    const std::size_t from = (pole + 1) % 3, to = (pole + 2) % 3;
    const double turn = Turn(at[from].lon, at[to].lon);
    box.lonLo = std::min(at[from].lon, at[from].lon + turn);
    box.lonHi = std::max(at[from].lon, at[from].lon + turn);
    double lo = std::min(at[from].lat, at[to].lat), hi = std::max(at[from].lat, at[to].lat);
    ArcLatitudes(p[from], p[to], lo, hi);
    nearPole = std::max(std::fabs(lo), std::fabs(hi));
  } else {
    // The longitude walked round the edges comes back where it started unless
    // the triangle goes round a pole: the one its plane lies in front of.
    double lon = at[0].lon;
    box.lonLo = box.lonHi = lon;
    for (std::size_t k = 0; k < 3; ++k) {
      lon += Turn(at[k].lon, at[(k + 1) % 3].lon);
      box.lonLo = std::min(box.lonLo, lon), box.lonHi = std::max(box.lonHi, lon);
    }
    if (poles > 1 || std::fabs(lon - at[0].lon) > kPi) {
      box.allLongitudes = true;
      const bool north = normal[1] != 0 && plane / normal[1] > 0, south = normal[1] != 0 && plane / normal[1] < 0;
      if (!south) box.latHi = kPi / 2;
      if (!north) box.latLo = -kPi / 2;
    }
  }
  box.latLo -= kMargin;
  box.latHi += kMargin;
  if (!box.allLongitudes) {
    // A turn of e moves the longitude by e over the cosine of the latitude,
    // twice that for a point nearer the pole than the triangle's corners.
    const double near = nearPole + kMargin;
    const double lonMargin = near < kPi / 2 ? 2 * kMargin / std::cos(near) : 2 * kPi;
    box.lonLo -= lonMargin;
    box.lonHi += lonMargin;
    box.allLongitudes = box.lonHi - box.lonLo >= 2 * kPi;
  }
  return box;
}

}  // namespace

std::optional<LonLatBox> LonLatBoxOf(const SceneVertex& a, const SceneVertex& b, const SceneVertex& c) {
  return BoxOf(BoxCornerOf(a), BoxCornerOf(b), BoxCornerOf(c));
}

SkyRenderer::SkyRenderer(const SkyScene& scene, SceneLayers layers, SceneLevels levels) : levels_(levels) {
  if (layers.mesh) {
    // Each mesh's triangles in the slots from its first; a slot whose triangle
    // is not drawn is left without corners, and the slots closed up after.
    std::vector<std::size_t> first = {0};
    for (const SceneMesh& mesh : scene.meshes) first.push_back(first.back() + mesh.triangles.size());
    triangles_.resize(first.back());  // fresh memory is dear: taken once
    const std::size_t workers = WorkersFor(scene.meshes.size());
    std::vector<std::size_t> cells(workers, 0);
    std::vector<std::vector<BoxCorner>> looks(workers);  // where each vertex of a mesh looks
    ForEachPart(scene.meshes.size(), workers, [&](std::size_t m, std::size_t worker) {
      const SceneMesh& mesh = scene.meshes[m];
      std::vector<BoxCorner>& look = looks[worker];
      look.clear();
      for (const SceneVertex& v : mesh.vertices) look.push_back(BoxCornerOf(v));
      for (std::size_t k = 0; k < mesh.triangles.size(); ++k) {
        const std::array<uint16_t, 3>& corner = mesh.triangles[k];
        // A corner past the mesh's vertices leaves the triangle undrawn.
        if (std::max({corner[0], corner[1], corner[2]}) >= mesh.vertices.size()) continue;
        const std::optional<LonLatBox> box = BoxOf(look[corner[0]], look[corner[1]], look[corner[2]]);
        if (!box) continue;
        triangles_[first[m] + k] = {{&mesh.vertices[corner[0]], &mesh.vertices[corner[1]], &mesh.vertices[corner[2]]},
                                    *box};
        cells[worker] += CellsOf(*box);
      }
    });
    std::erase_if(triangles_, [](const Triangle& t) { return t.corners[0] == nullptr; });
    std::size_t allCells = 0;
    for (std::size_t c : cells) allCells += c;
    if (allCells > kMaxCellEntries) {
      refusal_ = "The background's mesh covers the sky too many times over to be drawn: more than " +
                 std::to_string(kMaxCellEntries) + " pieces of triangles.";
      triangles_.clear();
    }
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

void SkyRenderer::Draw(const PictureGeometry& picture, const BandSink& sink) const {
  const int width = picture.width, height = picture.height;
  const auto w = static_cast<std::size_t>(width);
  const auto bands = static_cast<std::size_t>((height + kBandRows - 1) / kBandRows);
  auto bandsOf = [](int r0, int r1) { return std::make_pair((r0 - 1) / kBandRows, (r1 - 1) / kBandRows); };
  constexpr std::pair<int, int> kNoBands = {1, 0};
  const BandLists triangleLists(triangles_.size(), bands, [&](std::size_t i) {
    const PixelBox& box = picture.boxes[i];
    return box.c1 < box.c0 ? kNoBands : bandsOf(box.r0, box.r1);
  });

  // Each star's pixel (a point), or the bottom left pixel of its 2 x 2 core (a
  // block or a spot); none for a star that falls nowhere.
  struct Spot {
    int c, r;
    bool placed;
  };
  std::vector<Spot> spots(stars_.size());
  for (std::size_t i = 0; i < stars_.size(); ++i) {
    double x = 0, y = 0;
    if (!picture.place(stars_[i].direction, x, y)) {
      spots[i] = {0, 0, false};
    } else if (stars_[i].shape == 0) {
      spots[i] = {static_cast<int>(std::floor(x)) + 1, static_cast<int>(std::floor(y)) + 1, true};
    } else {
      // The core's columns c, c + 1 and rows r, r + 1 meet at its direction.
      spots[i] = {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), true};
    }
  }
  const BandLists starLists(stars_.size(), bands, [&](std::size_t i) {
    const int r = spots[i].r, shape = stars_[i].shape;
    const int r0 = std::max(1, shape == 2 ? r - 1 : r), r1 = std::min(height, shape == 0 ? r : r + shape);
    return !spots[i].placed || r1 < r0 ? kNoBands : bandsOf(r0, r1);
  });

  // A band's pixels: the distance along its direction to the nearest triangle
  // met, and the colour, blue, green, red and alpha; one of each per worker.
  // The bands are drawn each on its own, so the picture is the same however
  // many draw them and in whichever order.
  struct Band {
    std::vector<SkyDirection> directions;
    std::vector<double> nearest;
    std::vector<uint8_t> bgra;
  };
  const std::size_t workers = WorkersFor(bands);
  std::vector<Band> scratch(workers);
  std::mutex sinkMutex;
  ForEachPart(bands, workers, [&](std::size_t b, std::size_t worker) {
    Band& band = scratch[worker];
    std::vector<SkyDirection>& directions = band.directions;
    std::vector<double>& nearest = band.nearest;
    std::vector<uint8_t>& bgra = band.bgra;
    directions.resize(static_cast<std::size_t>(kBandRows) * w);
    nearest.resize(directions.size());
    bgra.resize(directions.size() * 4);
    const int firstRow = static_cast<int>(b) * kBandRows + 1, lastRow = std::min(height, firstRow + kBandRows - 1);
    auto at = [&](int c, int r) {
      return static_cast<std::size_t>(r - firstRow) * w + static_cast<std::size_t>(c - 1);
    };
    for (int r = firstRow; r <= lastRow; ++r) picture.rowDirections(r, std::span(&directions[at(1, r)], w));
    std::fill(nearest.begin(), nearest.end(), std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < bgra.size(); i += 4) bgra[i] = bgra[i + 1] = bgra[i + 2] = 0, bgra[i + 3] = 255;

    for (const uint32_t i : triangleLists.Of(b)) {
      const std::optional<PixelTriangle> t = PixelTriangleOf(triangles_[i].corners, levels_);
      if (!t) continue;
      const PixelBox& box = picture.boxes[i];
      const auto& [edges, slack, plane, steps] = *t;
      for (int r = std::max(box.r0, firstRow); r <= std::min(box.r1, lastRow); ++r) {
        for (int column = box.c0; column <= box.c1; ++column) {
          const int c = column > width ? column - width : column;
          const std::size_t pixel = at(c, r);
          const SkyDirection& d = directions[pixel];
          const double wa = Dot(d, edges[0]), wb = Dot(d, edges[1]), wc = Dot(d, edges[2]);
          const double sum = wa + wb + wc;
          if (wa < -slack[0] || wb < -slack[1] || wc < -slack[2] || !(sum > 0)) continue;
          const double over = 1 / sum;  // one division, not three
          const double distance = plane * over;
          if (!(distance < nearest[pixel])) continue;
          nearest[pixel] = distance;
          // The weights of the second and third corners each within 0 .. 1 and
          // their sum at most 1, so each level lies among the corners' but for
          // rounding.
          const double w1 = Within(wb * over, 0.0, 1.0), w2 = Within(wc * over, 0.0, 1.0 - w1);
          for (std::size_t ch = 0; ch < 3; ++ch) {
            const double blend = steps[ch][0] + w1 * steps[ch][1] + w2 * steps[ch][2];
            // A blend of levels 0 .. 255 by weights of sum 1, none below 0:
            // within 0 .. 255 but for the last bits, which the rounding drops.
            // NOLINTNEXTLINE(bugprone-incorrect-roundings): blend is never below 0, so this rounds half up
            bgra[pixel * 4 + 2 - ch] = static_cast<uint8_t>(static_cast<int>(blend + 0.5));
          }
        }
      }
    }

    // The band's stars over the mesh: a point as one pixel, a block as its 2 x
    // 2 core, a spot as that with a pixel off each of its corners. A pixel off
    // the picture is left out, but for a column of a picture that wraps.
    for (const uint32_t i : starLists.Of(b)) {
      const Star& star = stars_[i];
      const Spot& spot = spots[i];
      auto put = [&](int c, int r) {
        if (picture.wraps) c = ((c - 1) % width + width) % width + 1;
        if (c < 1 || c > width || r < firstRow || r > lastRow) return;
        uint8_t* pixel = &bgra[at(c, r) * 4];
        pixel[0] = star.rgb[2], pixel[1] = star.rgb[1], pixel[2] = star.rgb[0];
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
    const std::size_t bandBytes = static_cast<std::size_t>(lastRow - firstRow + 1) * w * 4;
    const std::lock_guard<std::mutex> lock(sinkMutex);
    sink(static_cast<std::size_t>(firstRow - 1) * w * 4, std::span<const uint8_t>(bgra.data(), bandBytes));
  });
}

Picture SkyRenderer::Equirect(int width, int height) const {
  Picture picture = PictureOfSize(width, height);
  DrawEquirect(width, height, SinkInto(picture.bgra));
  return picture;
}

Picture SkyRenderer::Face(CubeFace face, int n) const {
  Picture picture = PictureOfSize(n, n);
  DrawFace(face, n, SinkInto(picture.bgra));
  return picture;
}

SkyRenderer::BandSink SkyRenderer::SinkInto(std::span<uint8_t> bgra) {
  return [bgra](std::size_t offset, std::span<const uint8_t> bytes) {
    if (offset <= bgra.size() && bytes.size() <= bgra.size() - offset) {
      std::memcpy(bgra.data() + offset, bytes.data(), bytes.size());
    }
  };
}

void SkyRenderer::DrawEquirect(int width, int height, const BandSink& sink) const {
  if (width < 1 || height < 1) return;
  // Pixel (c, r) looks along (cos p sin l, sin p, cos p cos l) of its centre.
  // The sines and cosines are held as floats, so the directions are exact
  // products of them: the last bits of a double's differ between one maths
  // library and another (the browser page's), and which of two triangles
  // meeting a pixel equally near shows hangs on them.
  std::vector<double> sinL(static_cast<std::size_t>(width)), cosL(sinL.size());
  std::vector<double> sinP(static_cast<std::size_t>(height)), cosP(sinP.size());
  auto held = [](double v) { return static_cast<double>(static_cast<float>(v)); };
  for (std::size_t c = 0; c < sinL.size(); ++c) {
    const double l = 2 * kPi * (static_cast<double>(c) + 0.5) / width;
    sinL[c] = held(std::sin(l));
    cosL[c] = held(std::cos(l));
  }
  for (std::size_t r = 0; r < sinP.size(); ++r) {
    const double p = kPi * (static_cast<double>(r) + 0.5) / height - kPi / 2;
    sinP[r] = held(std::sin(p));
    cosP[r] = held(std::cos(p));
  }
  PictureGeometry picture = {width, height, {}, {}, {}, true};
  picture.rowDirections = [&](int r, std::span<SkyDirection> row) {
    const double across = cosP[static_cast<std::size_t>(r - 1)], up = sinP[static_cast<std::size_t>(r - 1)];
    for (std::size_t c = 0; c < row.size(); ++c) row[c] = {across * sinL[c], up, across * cosL[c]};
  };
  // Each triangle's columns and rows: those whose centres' longitudes and
  // latitudes lie in its box. Column c's centre lies at longitude
  // 2 pi (c - 1/2) / width, row r's at latitude pi (r - 1/2) / height - pi / 2.
  // (A box holds a margin past its triangle: a last bit of rounding here
  // cannot leave out a pixel the triangle meets.)
  const double rowsPerRadian = height / kPi, columnsPerRadian = width / (2 * kPi);
  picture.boxes = EachOf<PixelBox>(triangles_.size(), [&](std::size_t i) {
    const LonLatBox& box = triangles_[i].box;
    PixelBox pixels = {1, width, 1, 0};
    pixels.r0 = std::max(1, static_cast<int>(std::ceil((box.latLo + kPi / 2) * rowsPerRadian + 0.5)));
    pixels.r1 = std::min(height, static_cast<int>(std::floor((box.latHi + kPi / 2) * rowsPerRadian + 0.5)));
    if (!box.allLongitudes) {
      // From a first longitude within 0 .. 2 pi: the first column lies within
      // the picture, the last may lie past it.
      const double turns = std::floor(box.lonLo / (2 * kPi)) * 2 * kPi;
      pixels.c0 = static_cast<int>(std::ceil((box.lonLo - turns) * columnsPerRadian + 0.5));
      pixels.c1 = static_cast<int>(std::floor((box.lonHi - turns) * columnsPerRadian + 0.5));
      if (pixels.c1 - pixels.c0 + 1 >= width) {
        pixels.c0 = 1, pixels.c1 = width;
      } else if (pixels.c0 > width) {
        pixels.c0 -= width, pixels.c1 -= width;
      }
    }
    return pixels.r1 < pixels.r0 ? PixelBox{1, 0, 1, 0} : pixels;
  });
  picture.place = [&](const SkyDirection& d, double& x, double& y) {
    const PicturePoint at = PointOfDirection(d, width, height);
    x = at.u;
    y = std::min(at.v, height - 0.5);
    return std::isfinite(x) && std::isfinite(y);
  };
  Draw(picture, sink);
}

void SkyRenderer::DrawFace(CubeFace face, int n, const BandSink& sink) const {
  if (n < 1) return;
  PictureGeometry picture = {n, n, {}, {}, {}, false};
  // Rows are held bottom first; t counts from the face's top.
  picture.rowDirections = [&](int r, std::span<SkyDirection> row) {
    for (int c = 1; c <= n; ++c)
      row[static_cast<std::size_t>(c - 1)] = DirectionOfCubePoint({face, (c - 0.5) / n, 1 - (r - 0.5) / n});
  };
  const FaceFrame frame = FrameOf(face);
  picture.boxes = EachOf<PixelBox>(triangles_.size(), [&](std::size_t i) {
    const std::optional<std::array<int, 4>> box = FacePixels(triangles_[i].corners, frame, n);
    return box ? PixelBox{(*box)[0], (*box)[1], (*box)[2], (*box)[3]} : PixelBox{1, 0, 1, 0};
  });
  picture.place = [&](const SkyDirection& d, double& x, double& y) {
    const double size = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
    if (!(size > 0) || !std::isfinite(size)) return false;
    const CubePoint at = CubePointOfDirection(d);
    x = at.s * n;
    y = (1 - at.t) * n;
    return at.face == face && std::isfinite(x) && std::isfinite(y);
  };
  Draw(picture, sink);
}

}  // namespace sq
