// The pixel tests of the sky renderer (sky_render.h): a triangle of the mesh
// tried on a box of pixels of a band of rows, each pixel's direction at hand,
// the set-up that makes triangles ready for them, and where vertices look, from
// which the boxes are found. They are written once
// (sky_draw_impl.h) over vectors of lanes and built for plain machines
// (sky_draw.cpp), for AVX2 (sky_draw_avx2.cpp) and for AVX-512
// (sky_draw_avx512.cpp); which one runs is decided when the program runs. Each
// lane's arithmetic is IEEE single precision for the tests and double for the
// rest, without fused multiply-adds, however it is carried out, so every
// version draws the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "background_export/sky_scene.h"

namespace sq {

// A triangle a, b, c of the mesh as the pixel tests use it: a ray from the
// centre along d meets it where the corners' weights d . (b x c), d . (c x a)
// and d . (a x b) are each at least minus its slack and their sum, d . n, is
// positive. It meets the plane at (n . a) / (d . n) times d, and its colour
// there is the corners' levels blended by the weights over their sum.
struct PixelTriangle {
  float bc[3], ca[3], ab[3];
  float slack[3];
  float plane;
  float colour[3][3];  // corner, then red, green, blue
};

// A band of rows of pixels: the nearest distance each pixel has met and its
// colour (BGRA, as a picture holds it), row after row, `width` pixels a row;
// and where its pixels look. That is either each pixel's direction (x, y, z,
// row after row) or, with x null, for the rows of an equirectangular picture,
// the sines and cosines of the columns' longitudes (sinL, cosL) and of the
// rows' latitudes (sinP, cosP): a pixel looks along (cos p sin l, sin p,
// cos p cos l), each product worked out in floats. Each array of pixels or
// columns has four to spare at its end.
struct BandPixels {
  const float *x, *y, *z;
  const float *sinL, *cosL, *sinP, *cosP;
  float* nearest;
  uint32_t* bgra;
  std::size_t width;
};

// Triangle t tried on the pixels of rows r0 .. r1 and columns c0 .. c1 of the
// band (counted from 0; c1 below the width). A pixel the triangle's direction
// passes through takes its colour when it is nearer than what the pixel shows.
using DrawBoxFunction = void (*)(const PixelTriangle& t, const BandPixels& band, int r0, int r1, int c0, int c1);
// Triangles t and then u tried on the same box: the same pixels as DrawBox for
// t and then for u, worked out together.
using DrawPairFunction = void (*)(const PixelTriangle& t, const PixelTriangle& u, const BandPixels& band, int r0,
                                  int r1, int c0, int c1);

// Where a vertex looks, for bounding the directions of its triangles: its
// longitude 0 .. 2 pi (0 straight ahead, +Z, growing towards +X) and latitude
// from the south pole, each within kAngleError, in whole units (2^kUnitBits of
// them to a full turn of longitude and to the half turn of latitude from pole
// to pole, rounded down); whether it lies on a pole (a cap's centre); how far
// its longitude may be off, in units rounded up, as its direction turns by
// kMargin and for the error; and whether it is a point at all (no coordinate a
// NaN or past the float range). (No defaults: a table of them is filled in
// parts, without being cleared first.)
struct SkyPlace {
  static constexpr double kPi = 3.14159265358979323846;
  // The margin around a triangle's directions, in radians, well past the pixel
  // tests' slack and rounding: a pixel whose centre falls within it of a
  // triangle is tried.
  static constexpr double kMargin = 1e-5;
  // How far an angle may be off: its polynomial's error (1e-5) and the
  // rounding down to units (under 6.0e-6).
  static constexpr double kAngleError = 2e-5;
  static constexpr int kUnitBits = 20;
  static constexpr double kLonUnit = 2 * kPi / (1 << kUnitBits), kLatUnit = kPi / (1 << kUnitBits);

  int32_t lon, lat, lonMargin;
  bool pole, finite;

  double Lon() const { return lon * kLonUnit; }
  double Lat() const { return lat * kLatUnit - kPi / 2; }
  double LonMargin() const { return lonMargin * kLonUnit; }
};

// The places of `count` vertices.
using PlacesFunction = void (*)(const SceneVertex* vertices, std::size_t count, SkyPlace* out);

// Where a triangle's directions lie, rounded outwards to steps of 2 pi / 65536
// of longitude and pi / 65536 of latitude: longitudes lon .. lon + lonSpan
// steps from 0 (past a full turn they wrap round; every one for a span of
// kAllLongitudes) and latitudes latLo .. latHi steps from the south pole. A
// triangle seen edge on, or one whose corners are no numbers, is not drawn:
// latLo above latHi, as in Hidden(). (No defaults: a table of them is filled
// in parts, without being cleared first.)
struct SkyExtent {
  static constexpr uint16_t kAllLongitudes = 0xFFFF;
  // The grid the work of drawing is counted on: a cell is 0.7 degrees square.
  static constexpr int kCellsAcross = 512, kCellsUp = 256;
  // A triangle whose corners' longitudes span at most this many radians, round
  // no pole, is bounded from its corners alone (NarrowExtentsFunction).
  static constexpr double kNarrow = 0.2;
  uint16_t lon, lonSpan, latLo, latHi;
  static constexpr SkyExtent Hidden() { return {0, 0, 1, 0}; }
  bool Shown() const { return latLo <= latHi; }
};

// The extents of those of `count` triangles of a mesh that are bounded from
// their corners' places alone: a triangle round no pole whose corners lie
// within SkyExtent::kNarrow radians of longitude of each other (taken across
// the turn's start where they lie on both sides of it), one corner on a pole
// or none (that corner's longitude is the others'). Triangle k's corners are
// the vertices numbered corners[k] of the mesh's `vertices`, whose places are
// `places`. Its extent goes to out[k] and narrow[k] is true; narrow[k] is false
// (out[k] unset) for any other triangle, one with a corner past the mesh's
// vertices or no point included. Returns the cells of the work grid the extents
// found cover.
using NarrowExtentsFunction = std::size_t (*)(const SkyPlace* places, std::size_t vertices,
                                              const std::array<uint16_t, 3>* corners, std::size_t count, SkyExtent* out,
                                              bool* narrow);
// Triangles made ready for the pixel tests, `count` of them: triangle k's
// corners are corners[3 k], corners[3 k + 1] and corners[3 k + 2], turned to
// face the centre (for a ray to meet its plane in front, d . n must have the
// sign of n . a). Its weights' normals, slacks and plane go to out[k], its
// colours are left as they are. shown[k] is false for a triangle seen edge on
// from the centre (its plane through the centre, or near enough that the tests
// could not tell its sides apart), out[k] then unset. The corners are to be
// points (no coordinate a NaN or past the float range).
using SetUpFunction = void (*)(const SceneVertex* const* corners, std::size_t count, PixelTriangle* out, bool* shown);

struct SkyDrawKernel {
  const char* name;
  DrawBoxFunction drawBox;
  DrawPairFunction drawPair;
  SetUpFunction setUp;
  PlacesFunction places;
  NarrowExtentsFunction narrowExtents;
};

// The AVX2 and AVX-512 versions where they were built (else nullptr).
const SkyDrawKernel* Avx2SkyDraw();
const SkyDrawKernel* Avx512SkyDraw();
// The versions this machine runs, the plain one first, and the best of them
// (the last).
std::span<const SkyDrawKernel* const> AvailableSkyDraws();
const SkyDrawKernel& BestSkyDraw();

}  // namespace sq
