// The pixel tests of sky_draw.h written once, over a float vector type F of
// N = sizeof(F) / 4 lanes (4, 8 or 16) and an int vector type I of as many
// lanes, which each sky_draw*.cpp picks and compiles for its own instruction
// set. A group of lanes covers N / 4 rows of four pixels. Everything here has
// internal linkage and uses no inline function of the standard library (the
// compiler's intrinsics are always inlined), so the copy built for one
// instruction set can never stand in for another's at link time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE__)
#include <immintrin.h>  // each lane's sign to a bit of a word, for Any
#endif

#include "background_export/sky_draw.h"

// Vectors wider than the instruction set's registers pass between these
// functions differently from one compiler version to another; all of them have
// internal linkage, so no other code ever sees that. (The warning comes at the
// end of the file that includes this one, which holds nothing else of note.)
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wpsabi"

namespace sq {
namespace {

constexpr uint32_t kDrawnAlpha = 0xFF000000U;  // A 255 over B, G, R, as a little-endian word
// How far past a triangle's edge a pixel's direction may lie and still meet the
// triangle, over the sum of the edge normal's magnitudes: more than the
// rounding of the pixel tests, which are made in floats, so neighbours leave no
// crack. A direction so met is at most about 3e-6 radians past the edge.
constexpr float kSlack = 1e-6F;

// Vectors of doubles as wide as `kBytes` (D), the same lanes' bits as whole
// numbers (L), and as many floats (H) with their bits (HI). (Spelt out for
// each width: a vector size that hangs on a template's argument is lost.)
template <std::size_t kBytes>
struct DoubleLanes;
template <>
struct DoubleLanes<16> {
  typedef double D __attribute__((vector_size(16)));
  typedef int64_t L __attribute__((vector_size(16)));
  typedef float H __attribute__((vector_size(8)));
  typedef int32_t HI __attribute__((vector_size(8)));
};
template <>
struct DoubleLanes<32> {
  typedef double D __attribute__((vector_size(32)));
  typedef int64_t L __attribute__((vector_size(32)));
  typedef float H __attribute__((vector_size(16)));
  typedef int32_t HI __attribute__((vector_size(16)));
};
template <>
struct DoubleLanes<64> {
  typedef double D __attribute__((vector_size(64)));
  typedef int64_t L __attribute__((vector_size(64)));
  typedef float H __attribute__((vector_size(32)));
  typedef int32_t HI __attribute__((vector_size(32)));
};

template <class F, class I>
struct Lanes {
  static constexpr int kLanes = static_cast<int>(sizeof(F) / 4), kRows = kLanes / 4;

  static F Splat(float v) { return F{} + v; }
  // Lanes of `yes` where the mask is set (all ones), of `no` elsewhere.
  static I Select(const I& mask, const I& yes, const I& no) { return (mask & yes) | (~mask & no); }
  static F Select(const I& mask, const F& yes, const F& no) { return (F)Select(mask, (I)yes, (I)no); }
  static bool Any(const I& mask) {
#if defined(__AVX512F__)
    if constexpr (kLanes == 16) return _mm512_test_epi32_mask((__m512i)mask, (__m512i)mask) != 0;
#endif
#if defined(__AVX__)
    if constexpr (kLanes == 8) return _mm256_movemask_ps((__m256)mask) != 0;
#endif
#if defined(__SSE__)
    if constexpr (kLanes == 4) return _mm_movemask_ps((__m128)mask) != 0;
#endif
    // Elsewhere halves folded together down to four lanes, then two words.
    typedef int32_t I4 __attribute__((vector_size(16)));
    I4 four;
    if constexpr (kLanes == 4) {
      four = mask;
    } else if constexpr (kLanes == 8) {
      four = __builtin_shufflevector(mask, mask, 0, 1, 2, 3) | __builtin_shufflevector(mask, mask, 4, 5, 6, 7);
    } else {
      typedef int32_t I8 __attribute__((vector_size(32)));
      const I8 eight = __builtin_shufflevector(mask, mask, 0, 1, 2, 3, 4, 5, 6, 7) |
                       __builtin_shufflevector(mask, mask, 8, 9, 10, 11, 12, 13, 14, 15);
      four = __builtin_shufflevector(eight, eight, 0, 1, 2, 3) | __builtin_shufflevector(eight, eight, 4, 5, 6, 7);
    }
    uint64_t words[2];
    std::memcpy(words, &four, sizeof words);
    return (words[0] | words[1]) != 0;
  }
  // x held within lo .. hi, as std::clamp holds it.
  static F Clamp(const F& x, const F& lo, const F& hi) {
    const F above = Select(x < lo, lo, x);
    return Select(hi < above, hi, above);
  }
  // The level nearest v (halves rounded up, as v + 1/2 rounds in floats), a
  // level from 0 to 255 give or take rounding: a blend of levels by weights of
  // 0 .. 1 that sum to 1.
  static I Level(const F& v) { return __builtin_convertvector(v + 0.5F, I) & 0xFF; }
  // The group's lanes from quarters of four lanes, one a row, rows r .. r +
  // kRows - 1. They are put together in registers: a vector stored in parts and
  // read whole would wait for the parts to reach memory.
  template <class Q>
  static auto Join(const Q (&q)[4]) {
    if constexpr (kRows == 1) {
      return q[0];
    } else if constexpr (kRows == 2) {
      return __builtin_shufflevector(q[0], q[1], 0, 1, 2, 3, 4, 5, 6, 7);
    } else {
      return __builtin_shufflevector(__builtin_shufflevector(q[0], q[1], 0, 1, 2, 3, 4, 5, 6, 7),
                                     __builtin_shufflevector(q[2], q[3], 0, 1, 2, 3, 4, 5, 6, 7), 0, 1, 2, 3, 4, 5, 6,
                                     7, 8, 9, 10, 11, 12, 13, 14, 15);
    }
  }
  // Four values from each of rows r .. r + kRows - 1 (a row past `last` reads
  // row `last` again), starting at column c of rows `width` long.
  template <class T>
  static auto Gather(const T* p, std::size_t width, int r, int last, int c) {
    typedef T Q __attribute__((vector_size(16)));
    Q q[4];
    for (int k = 0; k < kRows; ++k) {
      const int row = r + k <= last ? r + k : last;
      std::memcpy(&q[k], p + static_cast<std::size_t>(row) * width + static_cast<std::size_t>(c), sizeof(Q));
    }
    return Join(q);
  }
  // The directions of the group's pixels, from the band's own or made from its
  // tables of sines and cosines (kTables).
  template <bool kTables>
  static void Directions(const BandPixels& band, int r, int last, int c, F& x, F& y, F& z) {
    if constexpr (kTables) {
      typedef float Q __attribute__((vector_size(16)));
      Q sinL[4], cosL[4], sinP[4], cosP[4];
      std::memcpy(&sinL[0], band.sinL + c, sizeof(Q));
      std::memcpy(&cosL[0], band.cosL + c, sizeof(Q));
      for (int k = 0; k < kRows; ++k) {
        const int row = r + k <= last ? r + k : last;
        sinL[k] = sinL[0], cosL[k] = cosL[0];
        sinP[k] = Q{} + band.sinP[row], cosP[k] = Q{} + band.cosP[row];
      }
      const F across = Join(cosP);
      x = across * Join(sinL), y = Join(sinP), z = across * Join(cosL);
    } else {
      x = Gather(band.x, band.width, r, last, c), y = Gather(band.y, band.width, r, last, c);
      z = Gather(band.z, band.width, r, last, c);
    }
  }
  // The opposite, for rows up to `last` only.
  template <class T, class V>
  static void Scatter(T* p, std::size_t width, int r, int last, int c, const V& v) {
    typedef T Q __attribute__((vector_size(16)));
    Q q[4];
    if constexpr (kRows == 1) {
      q[0] = (Q)v;
    } else if constexpr (kRows == 2) {
      q[0] = (Q)__builtin_shufflevector(v, v, 0, 1, 2, 3), q[1] = (Q)__builtin_shufflevector(v, v, 4, 5, 6, 7);
    } else {
      q[0] = (Q)__builtin_shufflevector(v, v, 0, 1, 2, 3), q[1] = (Q)__builtin_shufflevector(v, v, 4, 5, 6, 7);
      q[2] = (Q)__builtin_shufflevector(v, v, 8, 9, 10, 11), q[3] = (Q)__builtin_shufflevector(v, v, 12, 13, 14, 15);
    }
    for (int k = 0; k < kRows && r + k <= last; ++k) {
      std::memcpy(p + static_cast<std::size_t>(r + k) * width + static_cast<std::size_t>(c), &q[k], sizeof(Q));
    }
  }

  // The work in lanes of doubles (the set-up, the places, the narrow extents),
  // kDoubleLanes items at a time (D; L the lanes' bits as whole numbers, H as
  // floats).
  using D = typename DoubleLanes<sizeof(F)>::D;
  using L = typename DoubleLanes<sizeof(F)>::L;
  using H = typename DoubleLanes<sizeof(F)>::H;
  using HI = typename DoubleLanes<sizeof(F)>::HI;
  static constexpr int kDoubleLanes = kLanes / 2;

  static D Select(const L& mask, const D& yes, const D& no) { return (D)((mask & (L)yes) | (~mask & (L)no)); }
  static HI Select(const HI& mask, const HI& yes, const HI& no) { return (mask & yes) | (~mask & no); }
  static D Abs(const D& x) { return (D)((L)x & INT64_MAX); }
  static H Abs(const H& x) { return (H)((HI)x & INT32_MAX); }
  static D Max(const D& a, const D& b) { return Select(a < b, b, a); }
  struct D3 {
    D x, y, z;
  };
  static D3 Cross(const D3& a, const D3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  }
  static D Dot(const D3& a, const D3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
  // The item lane l of the batch from item s takes: a lane past the last item
  // takes the last again.
  static std::size_t LaneItem(std::size_t s, int l, std::size_t count) {
    return std::min(s + static_cast<std::size_t>(l), count - 1);
  }

  // The set-up of sky_draw.h.
  static void SetUp(const SceneVertex* const* corners, std::size_t count, PixelTriangle* out, bool* shown) {
    constexpr int n = kDoubleLanes;
    for (std::size_t s = 0; s < count; s += n) {
      // Each lane's corners, a lane past the last triangle taking it again.
      D3 p[3];
      for (D3& corner : p) corner = {D{}, D{}, D{}};
        // (g++ takes the vectors written lane by lane for unset ones.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
      for (int l = 0; l < n; ++l) {
        const std::size_t k = LaneItem(s, l, count);
        for (int j = 0; j < 3; ++j) {
          const SceneVertex& v = *corners[3 * k + static_cast<std::size_t>(j)];
          p[j].x[l] = v.x, p[j].y[l] = v.y, p[j].z[l] = v.z;
        }
      }
#pragma GCC diagnostic pop
      const D3 &a = p[0], &b = p[1], &c = p[2];
      const D3 normals[3] = {Cross(b, c), Cross(c, a), Cross(a, b)};
      // From float corners these stay well within the double range.
      const D3 normal = Cross({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z});
      const D plane = Dot(normal, a);
      const L edgeOn = plane * plane <= 1e-24 * Dot(normal, normal) * Dot(a, a);
      D big = D{};
      for (const D3& v : normals) big = Max(Max(big, Abs(v.x)), Max(Abs(v.y), Abs(v.z)));
      // Scaled by a power of two into the float range, the largest magnitude
      // in 1 .. 2 (a triangle seen face on has some normal not 0): the
      // weights' ratios and the distances along a direction keep their order.
      // The power is 2 to the minus e for big in 2^e .. 2^(e+1), made from
      // big's bits; 1 for a big of 0 (or past the normal range).
      const L exponent = ((L)big >> 52) & 0x7FF;
      const D power = Select((exponent != 0) & (exponent < 2046), (D)((2046 - exponent) << 52), D{} + 1.0);
      const D scale = Select(plane < 0, -power, power);
      H held[13];
      for (int k = 0; k < 3; ++k) {
        held[3 * k] = __builtin_convertvector(normals[k].x * scale, H);
        held[3 * k + 1] = __builtin_convertvector(normals[k].y * scale, H);
        held[3 * k + 2] = __builtin_convertvector(normals[k].z * scale, H);
        held[9 + k] = kSlack * (Abs(held[3 * k]) + Abs(held[3 * k + 1]) + Abs(held[3 * k + 2]));
      }
      held[12] = __builtin_convertvector(plane * scale, H);
      for (int l = 0; l < n && s + static_cast<std::size_t>(l) < count; ++l) {
        PixelTriangle& t = out[s + static_cast<std::size_t>(l)];
        float* const to[3] = {t.bc, t.ca, t.ab};
        for (int k = 0; k < 3; ++k) {
          for (int i = 0; i < 3; ++i) to[k][i] = held[3 * k + i][l];
          t.slack[k] = held[9 + k][l];
        }
        t.plane = held[12][l];
        shown[s + static_cast<std::size_t>(l)] = edgeOn[l] == 0;
      }
    }
  }

  // The angle of (x, y) from the x axis, -pi .. pi, within 1e-5: a polynomial
  // good to 1e-5 on 0 .. 1, turned into the right octant; 0 for (0, 0). Exact
  // angles are not needed where margins take up the error, and this is several
  // times quicker.
  static D Angle(const D& x, const D& y) {
    const D ax = Abs(x), ay = Abs(y), pi = D{} + SkyPlace::kPi;
    const L steep = ax < ay;
    const D big = Select(steep, ay, ax), q = Select(steep, ax, ay) / big, q2 = q * q;
    D a = q * (0.9998660 + q2 * (-0.3302995 + q2 * (0.1801410 + q2 * (-0.0851330 + q2 * 0.0208351))));
    a = Select(steep, pi / 2 - a, a);
    a = Select(x < 0, pi - a, a);
    a = Select(y < 0, -a, a);
    return Select(big > 0, a, D{});
  }
  static D Sqrt(const D& x) {
#if defined(__AVX512F__)
    // (Through the masked form: g++ 12 takes the plain one's unset source for a
    // value used.)
    if constexpr (sizeof(D) == 64) return (D)_mm512_maskz_sqrt_pd(0xFF, (__m512d)x);
#endif
#if defined(__AVX__)
    if constexpr (sizeof(D) == 32) return (D)_mm256_sqrt_pd((__m256d)x);
#endif
#if defined(__SSE2__)
    if constexpr (sizeof(D) == 16) return (D)_mm_sqrt_pd((__m128d)x);
#endif
    D root;
    for (int l = 0; l < kDoubleLanes; ++l) root[l] = __builtin_sqrt(x[l]);
    return root;
  }

  // The places of sky_draw.h, kLanes / 2 vertices at a time.
  static void Places(const SceneVertex* vertices, std::size_t count, SkyPlace* out) {
    constexpr int n = kDoubleLanes;
    constexpr double kPi = SkyPlace::kPi, kLonUnit = SkyPlace::kLonUnit, kLatUnit = SkyPlace::kLatUnit;
    constexpr int32_t kPoleMargin = static_cast<int32_t>((SkyPlace::kMargin + SkyPlace::kAngleError) / kLonUnit) + 1;
    for (std::size_t s = 0; s < count; s += n) {
      // Each lane's vertex, a lane past the last vertex taking it again.
      D x = D{}, y = D{}, z = D{};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
      for (int l = 0; l < n; ++l) {
        const SceneVertex& v = vertices[LaneItem(s, l, count)];
        x[l] = v.x, y[l] = v.y, z[l] = v.z;
      }
#pragma GCC diagnostic pop
      // A lane with a NaN or an infinity is no point; it is worked out as the
      // centre, to keep every number finite, and its place left at 0.
      const D most = D{} + 1.7976931348623157e308;
      const L finite = (Abs(x) <= most) & (Abs(y) <= most) & (Abs(z) <= most);
      x = Select(finite, x, D{}), y = Select(finite, y, D{}), z = Select(finite, z, D{});
      const D across = Sqrt(x * x + z * z), length = Sqrt(across * across + y * y);
      const D east = Angle(z, x), north = Angle(across, y);
      const HI lon = __builtin_convertvector(Select(east < 0, east + 2 * kPi, east) * (1 / kLonUnit), HI);
      const D up = (north + kPi / 2) * (1 / kLatUnit);
      const HI lat = __builtin_convertvector(Select(up > 0, up, D{}), HI);
      const L pole = across <= 1e-9 * length;
      // A turn of e moves the longitude by e over the cosine of the latitude,
      // twice that for a point inside a triangle nearer the pole than its
      // corners.
      const D turn = 2 * SkyPlace::kMargin * length / across;
      const HI margin =
          __builtin_convertvector((SkyPlace::kAngleError + Select(turn < kPi, turn, D{} + kPi)) / kLonUnit, HI) + 1;
      for (int l = 0; l < n && s + static_cast<std::size_t>(l) < count; ++l) {
        SkyPlace& place = out[s + static_cast<std::size_t>(l)];
        place.finite = finite[l] != 0;
        place.pole = place.finite && pole[l] != 0;
        place.lon = place.finite ? lon[l] : 0;
        place.lat = place.finite ? lat[l] : 0;
        place.lonMargin = place.finite && !place.pole ? margin[l] : kPoleMargin;
      }
    }
  }

  // The narrow extents of sky_draw.h, kLanes / 2 triangles at a time. Along an
  // edge spanning d in longitude, tan(latitude) is a cos(longitude - l0) with a
  // = tan of its extreme latitude; the extreme, when inside the edge, is at
  // most its corners' tangent over cos(d / 2), which lifts the latitude by at
  // most (1 / cos(d / 2) - 1) / 2 <= d^2 / 15 (d here taken large enough for
  // the longitudes' error). A triangle seen edge on from the centre is not told
  // apart here; it is left undrawn as it is set up.
  static std::size_t NarrowExtents(const SkyPlace* places, std::size_t vertices, const std::array<uint16_t, 3>* corners,
                                   std::size_t count, SkyExtent* out, bool* narrow) {
    constexpr int n = kDoubleLanes;
    constexpr double kLonUnit = SkyPlace::kLonUnit, kLatUnit = SkyPlace::kLatUnit;
    constexpr int32_t kNarrowUnits = static_cast<int32_t>(SkyExtent::kNarrow / kLonUnit);
    constexpr int32_t kLatMarginUnits =
        static_cast<int32_t>((SkyPlace::kMargin + SkyPlace::kAngleError) / kLatUnit) + 1;
    constexpr int kStepBits = SkyPlace::kUnitBits - 16;
    constexpr int32_t kRoundUp = (1 << kStepBits) - 1;
    constexpr int kLonCell = 65536 / SkyExtent::kCellsAcross, kLatCell = 65536 / SkyExtent::kCellsUp;
    auto min = [](const HI& a, const HI& b) { return Select(b < a, b, a); };
    auto max = [](const HI& a, const HI& b) { return Select(a < b, b, a); };
    std::size_t cells = 0;
    for (std::size_t s = 0; s < count; s += n) {
      // Each lane's corners' places (a lane past the last triangle taking it
      // again), and whether it can be bounded here.
      // (Gathered in memory and read as vectors: lane by lane in registers is slower.)
      int32_t at[10][n];
      for (int l = 0; l < n; ++l) {
        uint16_t corner[3];
        std::memcpy(corner, &corners[LaneItem(s, l, count)], sizeof corner);
        // (Bitwise, not branching: which way each goes is hard to foresee.)
        const bool within = (corner[0] < vertices) & (corner[1] < vertices) & (corner[2] < vertices);
        const SkyPlace &a = places[within ? corner[0] : 0], &b = places[within ? corner[1] : 0],
                       &c = places[within ? corner[2] : 0];
        // A corner on a pole has no longitude of its own: the triangle spans
        // those of the edge opposite, its edges to the pole being meridians.
        at[0][l] = a.pole ? b.lon : a.lon, at[1][l] = b.pole ? c.lon : b.lon, at[2][l] = c.pole ? a.lon : c.lon;
        at[3][l] = a.lat, at[4][l] = b.lat, at[5][l] = c.lat;
        at[6][l] = a.lonMargin, at[7][l] = b.lonMargin, at[8][l] = c.lonMargin;
        const bool fits = within & a.finite & b.finite & c.finite & (a.pole + b.pole + c.pole <= 1);
        at[9][l] = -static_cast<int32_t>(fits);
      }
      HI lon[3], lat[3], margin[3], ok;
      for (int j = 0; j < 3; ++j) {
        std::memcpy(&lon[j], at[j], sizeof(HI)), std::memcpy(&lat[j], at[3 + j], sizeof(HI));
        std::memcpy(&margin[j], at[6 + j], sizeof(HI));
      }
      std::memcpy(&ok, at[9], sizeof(HI));
      // Longitudes on both sides of the turn's start are taken past it.
      constexpr int32_t kTurn = 1 << SkyPlace::kUnitBits;
      const HI wraps = max(max(lon[0], lon[1]), lon[2]) - min(min(lon[0], lon[1]), lon[2]) > kTurn / 2;
      for (int j = 0; j < 3; ++j) lon[j] = Select(wraps & (lon[j] < kTurn / 2), lon[j] + kTurn, lon[j]);
      const HI uLo = min(min(lon[0], lon[1]), lon[2]), uHi = max(max(lon[0], lon[1]), lon[2]);
      ok &= uHi - uLo <= kNarrowUnits;
      const D span = __builtin_convertvector(uHi - uLo, D) * kLonUnit + 4 * SkyPlace::kAngleError;
      const HI bulge = __builtin_convertvector(span * span * (1 / (15 * kLatUnit)), HI) + 1;
      const HI most = max(max(margin[0], margin[1]), margin[2]);
      const HI lo = min(min(lat[0], lat[1]), lat[2]) - bulge - kLatMarginUnits;
      const HI hi = max(max(lat[0], lat[1]), lat[2]) + bulge + kLatMarginUnits;
      // Units to steps, rounded outwards (>> rounds down, negative numbers too).
      const HI none = HI{}, all = HI{} + 65535;
      const HI latLo = min(max(lo >> kStepBits, none), all), latHi = min(max((hi + kRoundUp) >> kStepBits, none), all);
      const HI from = (uLo - most) >> kStepBits, to = (uHi + most + kRoundUp) >> kStepBits;
      const HI west = from & 0xFFFF, span16 = min(to - from, HI{} + SkyExtent::kAllLongitudes);
      // The cells covered.
      const HI across = Select(span16 == SkyExtent::kAllLongitudes, HI{} + SkyExtent::kCellsAcross,
                               min((west + span16) / kLonCell - west / kLonCell + 1, HI{} + SkyExtent::kCellsAcross));
      const HI up = latHi / kLatCell - latLo / kLatCell + 1;
      for (int l = 0; l < n && s + static_cast<std::size_t>(l) < count; ++l) {
        const std::size_t k = s + static_cast<std::size_t>(l);
        narrow[k] = ok[l] != 0;
        if (!narrow[k]) continue;
        out[k] = {static_cast<uint16_t>(west[l]), static_cast<uint16_t>(span16[l]), static_cast<uint16_t>(latLo[l]),
                  static_cast<uint16_t>(latHi[l])};
        cells += static_cast<std::size_t>(across[l]) * static_cast<std::size_t>(up[l]);
      }
    }
    return cells;
  }

  static void DrawBox(const PixelTriangle& t, const BandPixels& band, int r0, int r1, int c0, int c1) {
    const PixelTriangle* const one[1] = {&t};
    if (band.x != nullptr) {
      DrawFrom<false>(one, band, r0, r1, c0, c1);
    } else {
      DrawFrom<true>(one, band, r0, r1, c0, c1);
    }
  }

  static void DrawPair(const PixelTriangle& t, const PixelTriangle& u, const BandPixels& band, int r0, int r1, int c0,
                       int c1) {
    const PixelTriangle* const two[2] = {&t, &u};
    if (band.x != nullptr) {
      DrawFrom<false>(two, band, r0, r1, c0, c1);
    } else {
      DrawFrom<true>(two, band, r0, r1, c0, c1);
    }
  }

  // The triangles `ts`, one after the other, on the same box: each is worked
  // out apart and the pixels are read and written once, so the second need not
  // wait for the first's pixels to reach memory. A pixel keeps the first of
  // equally near ones, as drawn one by one.
  template <bool kTables, int kCount>
  static void DrawFrom(const PixelTriangle* const (&ts)[kCount], const BandPixels& band, int r0, int r1, int c0,
                       int c1) {
    const F zero = Splat(0), one = Splat(1);
    I column, row;
    for (int k = 0; k < kLanes; ++k) column[k] = k % 4, row[k] = k / 4;
    const std::size_t w = band.width;
    for (int r = r0; r <= r1; r += kRows) {
      const I rowIn = row <= r1 - r;
      for (int c = c0; c <= c1; c += 4) {
        F x, y, z;
        Directions<kTables>(band, r, r1, c, x, y, z);
        const I box = rowIn & (column <= c1 - c);
        F wb[kCount], wc[kCount], sum[kCount];
        I in[kCount], met = I{};
        for (int j = 0; j < kCount; ++j) {
          const PixelTriangle& t = *ts[j];
          const F wa = x * Splat(t.bc[0]) + y * Splat(t.bc[1]) + z * Splat(t.bc[2]);
          wb[j] = x * Splat(t.ca[0]) + y * Splat(t.ca[1]) + z * Splat(t.ca[2]);
          wc[j] = x * Splat(t.ab[0]) + y * Splat(t.ab[1]) + z * Splat(t.ab[2]);
          sum[j] = wa + wb[j] + wc[j];  // d . n, 0 when seen edge on
          in[j] = box & (wa >= Splat(-t.slack[0])) & (wb[j] >= Splat(-t.slack[1])) & (wc[j] >= Splat(-t.slack[2])) &
                  (sum[j] > zero);
          met |= in[j];
        }
        if (!Any(met)) continue;
        F nearest = Gather(band.nearest, w, r, r1, c), inverse[kCount];
        I take[kCount], taken = I{};
        for (int j = 0; j < kCount; ++j) {
          inverse[j] = one / sum[j];
          const F at = Splat(ts[j]->plane) * inverse[j];
          take[j] = in[j] & (at < nearest);
          nearest = Select(take[j], at, nearest);
          taken |= take[j];
        }
        if (!Any(taken)) continue;
        Scatter(band.nearest, w, r, r1, c, nearest);
        // Each pixel taken is coloured by the triangle that took it last: its
        // weights and its colour (as the first corner's and the rises to the
        // others') picked lane by lane, then blended once.
        F wt1 = wb[0] * inverse[0], wt2 = wc[0] * inverse[0], base[3], rise1[3], rise2[3];
        for (int ch = 0; ch < 3; ++ch) {
          const PixelTriangle& t = *ts[0];
          base[ch] = Splat(t.colour[0][ch]);
          rise1[ch] = Splat(t.colour[1][ch] - t.colour[0][ch]), rise2[ch] = Splat(t.colour[2][ch] - t.colour[0][ch]);
        }
        for (int j = 1; j < kCount; ++j) {
          if (!Any(take[j])) continue;
          const PixelTriangle& t = *ts[j];
          wt1 = Select(take[j], wb[j] * inverse[j], wt1), wt2 = Select(take[j], wc[j] * inverse[j], wt2);
          for (int ch = 0; ch < 3; ++ch) {
            base[ch] = Select(take[j], Splat(t.colour[0][ch]), base[ch]);
            rise1[ch] = Select(take[j], Splat(t.colour[1][ch] - t.colour[0][ch]), rise1[ch]);
            rise2[ch] = Select(take[j], Splat(t.colour[2][ch] - t.colour[0][ch]), rise2[ch]);
          }
        }
        // The weights of the second and third corners each within 0 .. 1 and
        // their sum at most 1, so each level lies among the corners' but for
        // rounding.
        const F w1 = Clamp(wt1, zero, one), w2 = Clamp(wt2, zero, one - w1);
        I drawn = I{} + static_cast<int32_t>(kDrawnAlpha);
        for (int ch = 0; ch < 3; ++ch) drawn |= Level(base[ch] + w1 * rise1[ch] + w2 * rise2[ch]) << (8 * (2 - ch));
        const I bgra = Select(taken, drawn, (I)Gather(band.bgra, w, r, r1, c));
        Scatter(band.bgra, w, r, r1, c, bgra);
      }
    }
  }

  // This version's table, under `name`.
  static constexpr SkyDrawKernel Kernel(const char* name) {
    return {name, &DrawBox, &DrawPair, &SetUp, &Places, &NarrowExtents};
  }
};

}  // namespace
}  // namespace sq
