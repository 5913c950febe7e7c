// The pixel tests of the sky renderer (sky_render.h): a triangle of the mesh
// tried on a box of pixels of a band of rows, each pixel's direction at hand,
// and the set-up that makes triangles ready for them. They are written once
// (sky_draw_impl.h) over vectors of lanes and built for plain machines
// (sky_draw.cpp), for AVX2 (sky_draw_avx2.cpp) and for AVX-512
// (sky_draw_avx512.cpp); which one runs is decided when the program runs. Each
// lane's arithmetic is IEEE single precision for the tests and double for the
// set-up, without fused multiply-adds, however it is carried out, so every
// version draws the same bytes.
#pragma once

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

// Triangles made ready for the pixel tests, `count` of them: triangle k's
// corners are corners[3 k], corners[3 k + 1] and corners[3 k + 2], turned to
// face the centre (for a ray to meet its plane in front, d . n must have the
// sign of n . a). Its weights' normals, slacks and plane go to out[k], its
// colours are left as they are. shown[k] is false for a triangle seen edge on
// from the centre (its plane through the centre, or near enough that the tests
// could not tell its sides apart), out[k] then unset. The corners are to be
// points (no coordinate a NaN or past the float range).
using SetUpFunction = void (*)(const SceneVertex* const* corners, std::size_t count, PixelTriangle* out,
                               bool* shown);

struct SkyDrawKernel {
  const char* name;
  DrawBoxFunction drawBox;
  DrawPairFunction drawPair;
  SetUpFunction setUp;
};

// The AVX2 and AVX-512 versions where they were built (else nullptr).
const SkyDrawKernel* Avx2SkyDraw();
const SkyDrawKernel* Avx512SkyDraw();
// The versions this machine runs, the plain one first, and the best of them
// (the last).
std::span<const SkyDrawKernel* const> AvailableSkyDraws();
const SkyDrawKernel& BestSkyDraw();

}  // namespace sq
