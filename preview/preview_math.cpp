#include "preview/preview_math.h"

#include <cfenv>
#include <cmath>

namespace sq {

Matrix4 Matrix4::Identity() {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  }
  return r;
}

Matrix4 MatrixRotationY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4 r = Matrix4::Identity();
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

namespace {

using V3 = std::array<float, 3>;

V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 Normalize(const V3& a) {
  const float len = std::sqrt(Dot(a, a));
  if (len == 0.0f) return {0, 0, 0};
  return {a[0] / len, a[1] / len, a[2] / len};
}

}  // namespace

Matrix4 MatrixLookAtLH(const V3& eye, const V3& target, const V3& up) {
  const V3 zaxis = Normalize(Sub(target, eye));
  const V3 xaxis = Normalize(Cross(up, zaxis));
  const V3 yaxis = Cross(zaxis, xaxis);
  Matrix4 r = Matrix4::Identity();
  for (int i = 0; i < 3; ++i) {
    r.m[i][0] = xaxis[static_cast<std::size_t>(i)];
    r.m[i][1] = yaxis[static_cast<std::size_t>(i)];
    r.m[i][2] = zaxis[static_cast<std::size_t>(i)];
  }
  r.m[3][0] = -Dot(xaxis, eye);
  r.m[3][1] = -Dot(yaxis, eye);
  r.m[3][2] = -Dot(zaxis, eye);
  return r;
}

Matrix4 MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1.0f / std::tan(fovY / 2.0f);
  const float xScale = yScale / aspect;
  Matrix4 r;
  r.m[0][0] = xScale;
  r.m[1][1] = yScale;
  r.m[2][2] = zFar / (zFar - zNear);
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zNear * zFar / (zFar - zNear);
  return r;
}

Matrix4 ToOpenGlClip(const Matrix4& wvp) {
  Matrix4 depth = Matrix4::Identity();
  depth.m[2][2] = 2.0f;
  depth.m[3][2] = -1.0f;
  return Multiply(wvp, depth);
}

Matrix4 PreviewView() { return MatrixLookAtLH({0.0f, 0.0f, -270.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}); }

Matrix4 PreviewProjection() { return MatrixPerspectiveFovLH(3.14159265f / 4.0f, 1.0f, 1.0f, 1000.0f); }

float TimeAngle(double seconds) { return 0.1f * static_cast<float>(seconds); }

float DragAngle(int16_t x) { return static_cast<float>(-static_cast<double>(x) / 150.0); }

PreviewTransforms TransformsAtAngle(float angle) {
  PreviewTransforms t;
  t.world = MatrixRotationY(angle);
  t.view = PreviewView();
  t.projection = PreviewProjection();
  return t;
}

int16_t RoundToInt16(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 32767.0) return 32767;
  if (value <= -32768.0) return -32768;
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(value);
  std::fesetround(saved);
  return static_cast<int16_t>(r);
}

void DragState::Press(int16_t x, int16_t y) {
  dragging = true;
  lastX = x;
  lastY = y;
}

std::optional<float> DragState::Move(int16_t x, int16_t y) {
  const int dx = x - lastX, dy = y - lastY;
  lastX = x;
  lastY = y;
  if (dx == 0 && dy == 0) return std::nullopt;
  return DragAngle(x);
}

std::optional<ScreenPoint> ProjectToScreen(const PreviewTransforms& t, float x, float y, float z, int width,
                                           int height) {
  const Matrix4 m = t.Combined();
  const float v[4] = {x, y, z, 1.0f};
  float c[4] = {0, 0, 0, 0};
  for (int j = 0; j < 4; ++j) {
    for (int k = 0; k < 4; ++k) c[j] += v[k] * m.m[k][j];
  }
  if (c[3] <= 0.0f) return std::nullopt;
  ScreenPoint p;
  p.x = (c[0] / c[3] + 1.0f) * 0.5f * static_cast<float>(width);
  p.y = (1.0f - c[1] / c[3]) * 0.5f * static_cast<float>(height);
  p.depth = c[2] / c[3];
  return p;
}

}  // namespace sq
