// The preview's transforms and angles as plain numbers, free of any graphics
// library: the left-handed matrices the preview is defined with (row vectors,
// v' = v * M), their mapping to OpenGL's clip space, and the angles that time and
// a mouse drag give.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace sq {

struct Matrix4 {
  // m[row][col]; a point is a row vector multiplied from the left.
  std::array<std::array<float, 4>, 4> m{};
  static Matrix4 Identity();
  bool operator==(const Matrix4&) const = default;
};

Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// Rotation about the vertical axis by `angle` radians, left-handed.
Matrix4 MatrixRotationY(float angle);
// Left-handed look-at: the camera at eye looks along +z towards target.
Matrix4 MatrixLookAtLH(const std::array<float, 3>& eye, const std::array<float, 3>& target,
                       const std::array<float, 3>& up);
// Left-handed perspective; depth runs 0 at the near plane to 1 at the far plane.
Matrix4 MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// Depth 0..w of the left-handed projection becomes OpenGL's -w..w (z' = 2z - w),
// so that with the default depth range the window depth equals the original one.
// x, y and w are unchanged, and so is which way round a triangle appears on screen.
Matrix4 ToOpenGlClip(const Matrix4& wvp);

// The three transforms the preview draws with.
struct PreviewTransforms {
  Matrix4 world = Matrix4::Identity();
  Matrix4 view = Matrix4::Identity();
  Matrix4 projection = Matrix4::Identity();
  Matrix4 Combined() const { return Multiply(Multiply(world, view), projection); }
  bool operator==(const PreviewTransforms&) const = default;
};

// Camera 270 units in front of the centre, looking at it; quarter-pi field of
// view, square aspect, near 1, far 1000.
Matrix4 PreviewView();
Matrix4 PreviewProjection();

// 0.1 radian per second; `seconds` is the clock in seconds since midnight, taken
// in single precision as the clock gives it.
float TimeAngle(double seconds);
// A drag turns the picture by the pointer's absolute x: -x / 150 radians.
float DragAngle(int16_t x);

PreviewTransforms TransformsAtAngle(float angle);

// A pointer coordinate rounded to 16 bits, half to even, held to the 16-bit range.
int16_t RoundToInt16(double value);

// The mouse state of the drawing area and the drag rule. A move that changes
// neither coordinate changes nothing; otherwise it yields the drag angle.
struct DragState {
  bool dragging = false;
  int16_t lastX = 0, lastY = 0;
  void Press(int16_t x, int16_t y);
  void Release() { dragging = false; }
  // The new world angle, or nothing when the pointer did not move.
  std::optional<float> Move(int16_t x, int16_t y);
};

// Where a point lands in a drawing area of width x height pixels (origin at the
// top left), and its depth 0..1; nothing when it is behind the camera.
struct ScreenPoint {
  float x = 0, y = 0, depth = 0;
};
std::optional<ScreenPoint> ProjectToScreen(const PreviewTransforms& t, float x, float y, float z, int width,
                                           int height);

}  // namespace sq
