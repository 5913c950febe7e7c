#include "background_export/sky_render.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>

namespace sq {

namespace {

constexpr double kPi = std::numbers::pi;
// The index's grid over the equirectangular picture: a cell is 0.7 degrees square.
constexpr int kCellsAcross = 512, kCellsUp = 256;

using V3 = std::array<double, 3>;

V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
V3 Scaled(const V3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }

// Longitude 0 .. 2 pi (0 straight ahead, +Z, growing towards +X) and latitude of a direction.
double Longitude(const V3& p) {
  const double l = std::atan2(p[0], p[2]);
  return l < 0 ? l + 2 * kPi : l;
}
double Latitude(const V3& p) { return std::asin(std::clamp(p[1] / Length(p), -1.0, 1.0)); }

// The cells of the grid a triangle may show in: columns u0 .. u1 (past the grid's
// sides they wrap around) and rows v0 .. v1.
struct CellRange {
  int u0 = 0, u1 = 0, v0 = 0, v1 = 0;
  std::size_t Count() const { return static_cast<std::size_t>(u1 - u0 + 1) * static_cast<std::size_t>(v1 - v0 + 1); }
};

// The highest and lowest latitude of the arc from direction p to q (the arc the
// rays through the segment pq sweep), raising hi and lowering lo.
void ArcLatitudes(const V3& p, const V3& q, double& lo, double& hi) {
  const V3 n = Cross(p, q);
  const double nl = Length(n);
  if (nl < 1e-12) return;
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
  return turn - 2 * kPi * std::round(turn / (2 * kPi));
}

// The cells a triangle may show in, or none when it is seen edge on from the
// centre (its plane passes through the centre).
std::optional<CellRange> CellsOf(const V3& a, const V3& b, const V3& c) {
  const V3 normal = Cross(Sub(b, a), Sub(c, a));
  const double plane = Dot(normal, a);
  // Corners past the float range, or not numbers, show nowhere.
  for (const V3& p : {a, b, c, normal}) {
    if (!std::isfinite(Length(p))) return std::nullopt;
  }
  if (!std::isfinite(plane) || std::fabs(plane) <= 1e-12 * Length(normal) * Length(a)) return std::nullopt;
  const std::array<V3, 3> corners = {a, b, c};
  std::array<double, 3> longitude{};
  double lo = kPi, hi = -kPi;
  std::size_t poles = 0, pole = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const V3& p = corners[k];
    longitude[k] = Longitude(p);
    lo = std::min(lo, Latitude(p));
    hi = std::max(hi, Latitude(p));
    // A corner on a pole (a cap's centre): the edges from it are meridians.
    if (std::hypot(p[0], p[2]) <= 1e-9 * Length(p)) ++poles, pole = k;
  }
  for (std::size_t k = 0; k < 3; ++k) ArcLatitudes(corners[k], corners[(k + 1) % 3], lo, hi);

  double uLo = 0, uHi = 2 * kPi;
  bool full = false;
  if (poles == 1) {
    // The triangle spans the longitudes of the edge opposite the pole.
    const double from = longitude[(pole + 1) % 3], turn = ArcTurn(from, longitude[(pole + 2) % 3]);
    uLo = std::min(from, from + turn);
    uHi = std::max(from, from + turn);
  } else {
    // The longitude walked round the edges comes back where it started unless
    // the triangle goes round a pole: the one the plane lies in front of.
    double at = longitude[0];
    uLo = uHi = at;
    for (std::size_t k = 0; k < 3; ++k) {
      at += ArcTurn(longitude[k], longitude[(k + 1) % 3]);
      uLo = std::min(uLo, at);
      uHi = std::max(uHi, at);
    }
    full = poles > 1 || std::fabs(at - longitude[0]) > kPi;
    if (full) {
      const bool north = normal[1] != 0 && plane / normal[1] > 0, south = normal[1] != 0 && plane / normal[1] < 0;
      if (!south) hi = kPi / 2;
      if (!north) lo = -kPi / 2;
    }
  }

  // The bounds are exact but for rounding: a hair's margin, not a cell's.
  constexpr double kMargin = 1e-6;
  CellRange range;
  auto row = [](double latitude) { return static_cast<int>(std::floor((latitude + kPi / 2) / kPi * kCellsUp)); };
  range.v0 = std::clamp(row(lo - kMargin), 0, kCellsUp - 1);
  range.v1 = std::clamp(row(hi + kMargin), 0, kCellsUp - 1);
  range.u0 = static_cast<int>(std::floor((uLo - kMargin) / (2 * kPi) * kCellsAcross));
  range.u1 = static_cast<int>(std::floor((uHi + kMargin) / (2 * kPi) * kCellsAcross));
  if (full || range.u1 - range.u0 + 1 >= kCellsAcross) range.u0 = 0, range.u1 = kCellsAcross - 1;
  return range;
}

int CellColumn(int u) { return ((u % kCellsAcross) + kCellsAcross) % kCellsAcross; }

V3 Position(const SceneVertex& v) { return {v.x, v.y, v.z}; }

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
  if (layers.mesh) {
    for (const SceneMesh& mesh : scene.meshes) {
      for (const std::array<uint16_t, 3>& t : mesh.triangles) {
        const SceneVertex& a = mesh.vertices[t[0]];
        const SceneVertex& b = mesh.vertices[t[1]];
        const SceneVertex& c = mesh.vertices[t[2]];
        Triangle tri;
        const V3 pa = Position(a), pb = Position(b), pc = Position(c);
        tri.bc = Cross(pb, pc);
        tri.ca = Cross(pc, pa);
        tri.ab = Cross(pa, pb);
        tri.plane = Dot(Cross(Sub(pb, pa), Sub(pc, pa)), pa);
        corners_.push_back({pa, pb, pc});
        const std::array<const SceneVertex*, 3> corners = {&a, &b, &c};
        for (std::size_t k = 0; k < 3; ++k) {
          const std::array<uint8_t, 3> rgb = MeshLevels(*corners[k], levels);
          tri.colour[k] = {static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2])};
        }
        triangles_.push_back(tri);
      }
    }
    IndexTriangles();
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

void SkyRenderer::IndexTriangles() {
  std::vector<std::optional<CellRange>> ranges;
  ranges.reserve(triangles_.size());
  std::size_t entries = 0;
  for (const std::array<V3, 3>& t : corners_) {
    ranges.push_back(CellsOf(t[0], t[1], t[2]));
    if (ranges.back()) entries += ranges.back()->Count();
    if (entries > kMaxCellEntries) {
      refusal_ = "The background's mesh covers the sky too many times over to be drawn: more than " +
                 std::to_string(kMaxCellEntries) + " pieces of triangles.";
      triangles_.clear();
      corners_.clear();
      return;
    }
  }
  corners_ = {};
  const std::size_t cells = static_cast<std::size_t>(kCellsAcross) * kCellsUp;
  cellStart_.assign(cells + 1, 0);
  auto forEachCell = [&](const CellRange& r, auto visit) {
    for (int v = r.v0; v <= r.v1; ++v) {
      for (int u = r.u0; u <= r.u1; ++u) visit(static_cast<std::size_t>(v) * kCellsAcross + CellColumn(u));
    }
  };
  for (const std::optional<CellRange>& r : ranges) {
    if (r) forEachCell(*r, [&](std::size_t cell) { ++cellStart_[cell + 1]; });
  }
  for (std::size_t k = 0; k < cells; ++k) cellStart_[k + 1] += cellStart_[k];
  cellTriangles_.resize(entries);
  std::vector<uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (ranges[i])
      forEachCell(*ranges[i], [&](std::size_t cell) { cellTriangles_[fill[cell]++] = static_cast<uint32_t>(i); });
  }
}

bool SkyRenderer::MeshColour(const SkyDirection& d, int cellU, int cellV, std::array<uint8_t, 3>& rgb) const {
  if (cellStart_.empty()) return false;
  const std::size_t cell = static_cast<std::size_t>(cellV) * kCellsAcross + static_cast<std::size_t>(cellU);
  const Triangle* nearest = nullptr;
  double nearestT = std::numeric_limits<double>::infinity(), w[3] = {0, 0, 0};
  for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
    const Triangle& t = triangles_[cellTriangles_[k]];
    const double wa = d.x * t.bc[0] + d.y * t.bc[1] + d.z * t.bc[2];
    const double wb = d.x * t.ca[0] + d.y * t.ca[1] + d.z * t.ca[2];
    const double wc = d.x * t.ab[0] + d.y * t.ab[1] + d.z * t.ab[2];
    const double sum = wa + wb + wc;  // d . n
    if (sum == 0) continue;           // seen edge on
    // The weights may fall short of 0 by a hair, so neighbours leave no crack.
    const double slack = -1e-7 * std::fabs(sum);
    if (sum > 0 ? (wa < slack || wb < slack || wc < slack) : (wa > -slack || wb > -slack || wc > -slack)) continue;
    const double at = t.plane / sum;
    if (!(at > 0) || !(at < nearestT)) continue;
    nearestT = at;
    nearest = &t;
    w[0] = wa / sum, w[1] = wb / sum, w[2] = wc / sum;
  }
  if (nearest == nullptr) return false;
  const double w1 = std::clamp(w[1], 0.0, 1.0), w2 = std::clamp(w[2], 0.0, 1.0 - w1), w0 = 1 - w1 - w2;
  for (std::size_t ch = 0; ch < 3; ++ch) {
    const double v = w0 * nearest->colour[0][ch] + w1 * nearest->colour[1][ch] + w2 * nearest->colour[2][ch];
    rgb[ch] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
  return true;
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
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.assign(picture.PixelCount() * 4, 0);
  std::vector<double> sinL(static_cast<std::size_t>(width)), cosL(sinL.size());
  std::vector<int> cellU(sinL.size());
  for (int c = 1; c <= width; ++c) {
    const double u = c - 0.5, l = 2 * kPi * u / width;
    sinL[static_cast<std::size_t>(c - 1)] = std::sin(l);
    cosL[static_cast<std::size_t>(c - 1)] = std::cos(l);
    cellU[static_cast<std::size_t>(c - 1)] = std::min(kCellsAcross - 1, static_cast<int>(u / width * kCellsAcross));
  }
  std::array<uint8_t, 3> rgb{};
  for (int r = 1; r <= height; ++r) {
    const double v = r - 0.5, p = kPi * v / height - kPi / 2;
    const double sinP = std::sin(p), cosP = std::cos(p);
    const int cellV = std::min(kCellsUp - 1, static_cast<int>(v / height * kCellsUp));
    uint8_t* out = picture.Pixel(1, r);
    for (std::size_t c = 0; c < sinL.size(); ++c, out += 4) {
      out[3] = 255;
      if (!MeshColour({cosP * sinL[c], sinP, cosP * cosL[c]}, cellU[c], cellV, rgb)) continue;
      out[0] = rgb[2];
      out[1] = rgb[1];
      out[2] = rgb[0];
    }
  }
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
  Picture picture;
  picture.width = picture.height = n;
  picture.bgra.assign(picture.PixelCount() * 4, 0);
  std::array<uint8_t, 3> rgb{};
  for (int r = 1; r <= n; ++r) {
    uint8_t* out = picture.Pixel(1, r);
    for (int c = 1; c <= n; ++c, out += 4) {
      out[3] = 255;
      // Rows are held bottom first; t counts from the face's top.
      const SkyDirection d = DirectionOfCubePoint({face, (c - 0.5) / n, 1 - (r - 0.5) / n});
      const PicturePoint cell = PointOfDirection(d, kCellsAcross, kCellsUp);
      const int cu = std::clamp(static_cast<int>(cell.u), 0, kCellsAcross - 1);
      const int cv = std::clamp(static_cast<int>(cell.v), 0, kCellsUp - 1);
      if (!MeshColour(d, cu, cv, rgb)) continue;
      out[0] = rgb[2];
      out[1] = rgb[1];
      out[2] = rgb[0];
    }
  }
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
