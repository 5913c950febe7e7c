#include <gtest/gtest.h>

#include <cmath>

#include "picture/tga_header.h"
#include "preview/preview_math.h"
#include "preview/tga_texture.h"

using sq::Matrix4;

namespace {

std::array<float, 4> Apply(const Matrix4& m, std::array<float, 4> v) {
  std::array<float, 4> r{};
  for (std::size_t j = 0; j < 4; ++j) {
    for (std::size_t k = 0; k < 4; ++k) r[j] += v[k] * m.m[k][j];
  }
  return r;
}

}  // namespace

TEST(PreviewMatrices, RotationIsLeftHandedAboutTheVerticalAxis) {
  // A quarter turn takes +x to -z and +z to +x; y stays.
  const Matrix4 r = sq::MatrixRotationY(static_cast<float>(M_PI / 2));
  const auto x = Apply(r, {1, 0, 0, 1}), z = Apply(r, {0, 2, 1, 1});
  for (const auto& [got, want] : {std::pair{x[0], 0.0f}, {x[2], -1.0f}, {z[0], 1.0f}, {z[1], 2.0f}, {z[2], 0.0f}}) {
    EXPECT_NEAR(got, want, 1e-6);
  }
}

TEST(PreviewMatrices, CameraSits270InFrontAndDepthRunsNearToFar) {
  const Matrix4 view = sq::PreviewView();
  const auto centre = Apply(view, {0, 0, 0, 1});
  EXPECT_FLOAT_EQ(centre[2], 270);  // the camera looks along +z at the centre
  const auto right = Apply(view, {5, 0, 0, 1});
  EXPECT_FLOAT_EQ(right[0], 5);  // +x stays to the right in a left-handed view

  // Through the projection and the mapping to OpenGL's clip space: the near
  // plane (1 unit in front of the camera) gives depth -1, the far plane +1, and
  // the window depth (z + 1) / 2 equals the left-handed depth z / w.
  const Matrix4 proj = sq::PreviewProjection();
  const Matrix4 gl = sq::ToOpenGlClip(proj);
  for (float d : {1.0f, 270.0f, 1000.0f}) {
    const auto lh = Apply(proj, {0, 0, d, 1});
    const auto c = Apply(gl, {0, 0, d, 1});
    EXPECT_FLOAT_EQ(c[3], lh[3]);
    EXPECT_NEAR((c[2] / c[3] + 1) / 2, lh[2] / lh[3], 1e-6) << d;
  }
  EXPECT_NEAR(Apply(gl, {0, 0, 1, 1})[2] / 1.0f, -1.0f, 1e-5);
  EXPECT_NEAR(Apply(gl, {0, 0, 1000, 1})[2] / 1000.0f, 1.0f, 1e-5);
  // A quarter-pi field of view: a point at height tan(pi/8) * distance is at the top edge.
  const auto top = Apply(proj, {0, std::tan(static_cast<float>(M_PI / 8)) * 500, 500, 1});
  EXPECT_NEAR(top[1] / top[3], 1.0f, 1e-5);
}

// A tenth of a radian a second, the clock read in single precision first (late
// in the day its thousandths are lost); a drag of -300 pixels turns by 2.
TEST(PreviewAngles, TheClockTurnsATenthOfARadianASecondInSinglePrecisionAndDragFollowsX) {
  EXPECT_EQ(sq::TimeAngle(20), 2.0f);
  EXPECT_EQ(sq::TimeAngle(86399.004), 8639.90137f);  // 0.1 x 86399.0078125
  EXPECT_EQ(sq::DragAngle(-300), 2.0f);
}

TEST(PreviewAngles, PointerPositionsRoundHalfToEvenWithinSixteenBits) {
  for (const auto& [x, rounded] : {std::pair{2.5, 2},
                                   {3.5, 4},
                                   {-2.5, -2},
                                   {149.6, 150},
                                   {40000.0, 32767},
                                   {-40000.0, -32768},
                                   {std::nan(""), 0}}) {
    EXPECT_EQ(sq::RoundToInt16(x), rounded) << x;
  }
}

TEST(StarMapTextures, RoundTripAndBothRowOrders) {
  sq::TextureImage image;
  image.width = 3;
  image.height = 2;
  for (int i = 0; i < 6; ++i) {
    image.rgba.insert(image.rgba.end(), {static_cast<uint8_t>(10 * i), static_cast<uint8_t>(100 + i),
                                         static_cast<uint8_t>(200 + i), static_cast<uint8_t>(i)});
  }
  const auto bytes = sq::EncodeTarga32(image);
  ASSERT_EQ(bytes.size(), 18u + 6 * 4);
  // Stored bottom row first, blue green red alpha: the first stored pixel is row 1, column 0.
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 18, bytes.begin() + 21), (std::vector<uint8_t>{203, 103, 30}));
  std::string error;
  auto back = sq::DecodeTarga(bytes, error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->rgba, image.rgba);

  // The same pixels stored top row first (descriptor bit 5), 24 bits, after two bytes of image id.
  const auto head = sq::EncodeTgaHeader(
      {.idLength = 2, .imageType = 2, .width = 3, .height = 2, .pixelDepth = 24, .descriptor = 0x20});
  std::vector<uint8_t> top(head.begin(), head.end());
  top.insert(top.end(), {0xAA, 0xBB});
  for (int i = 0; i < 6; ++i)
    top.insert(top.end(), {static_cast<uint8_t>(200 + i), static_cast<uint8_t>(100 + i), static_cast<uint8_t>(10 * i)});
  back = sq::DecodeTarga(top, error);
  ASSERT_TRUE(back) << error;
  const std::vector<uint8_t>& rgba = back->rgba;  // no alpha stored: opaque
  EXPECT_EQ(std::tuple(rgba[0], rgba[2], rgba[3], rgba[5 * 4 + 1]), std::tuple(0, 200, 255, 105));
}

TEST(StarMapTextures, RefusesWhatItCannotShow) {
  std::string error;
  EXPECT_FALSE(sq::DecodeTarga(std::vector<uint8_t>(10, 0), error));
  // Run-length encoded, 16 bits, and 65535 x 65535 pixels promised by 18 bytes.
  const sq::TgaHeader refused[] = {{.imageType = 10, .width = 1, .height = 1, .pixelDepth = 32},
                                   {.imageType = 2, .width = 1, .height = 1, .pixelDepth = 16},
                                   {.imageType = 2, .width = 0xFFFF, .height = 0xFFFF, .pixelDepth = 32}};
  for (const sq::TgaHeader& header : refused) {
    const auto bytes = sq::EncodeTgaHeader(header);
    EXPECT_FALSE(sq::DecodeTarga(bytes, error)) << int(header.imageType) << " " << int(header.pixelDepth);
  }
  EXPECT_EQ(error, "shorter than its pixels");
}
