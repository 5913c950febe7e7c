// The drawing device of the preview: an OpenGL context of its own with an
// offscreen back buffer, vertex buffers, textures and the one texture stage the
// preview uses, emulated by a small shader. Present reads the back buffer into
// an image that the window paints, stretched over its drawing area.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "preview/preview_math.h"
#include "preview/tga_texture.h"

class QOpenGLContext;
class QOffscreenSurface;
class QOpenGLFramebufferObject;
class QOpenGLShaderProgram;

namespace sq {

// Texture-stage operations and arguments, with the values the preview's stage
// settings are written in.
enum StageOp : int { kOpSelectArg1 = 2, kOpSelectArg2 = 3, kOpModulate = 4, kOpAdd = 7 };
enum StageArg : int { kArgDiffuse = 0, kArgCurrent = 1, kArgTexture = 2 };

struct TextureStage {
  int colourOp = kOpModulate;
  int colourArg1 = kArgTexture;
  int colourArg2 = kArgCurrent;
  int alphaOp = kOpSelectArg1;
  int alphaArg1 = kArgTexture;
  int alphaArg2 = kArgCurrent;
};

// What the device reports about the context it got.
struct GlCapabilities {
  bool context = false;       // a context could be created at all
  bool shaders = false;       // a vertex and fragment program compiled and linked
  bool framebuffers = false;  // offscreen back buffers
  bool blendMax = false;      // the MAX blend equation
};

class GlDevice {
 public:
  // Vertex layouts: position + colour (16 bytes), position + colour + uv (24 bytes).
  enum class Layout { Coloured, ColouredTextured };
  enum class Primitive { TriangleList, PointList };

  GlDevice();
  ~GlDevice();
  GlDevice(const GlDevice&) = delete;
  GlDevice& operator=(const GlDevice&) = delete;

  // Creates the context and a back buffer of the given size. Returns false when
  // there is no usable context; `caps` then tells what is missing.
  bool Create(QSize backBuffer, GlCapabilities& caps);
  bool Exists() const { return fbo_ != nullptr; }
  QSize BackBufferSize() const { return size_; }

  // A vertex buffer of `bytes` bytes filled from `data`; 0 when it cannot be made
  // (an empty buffer cannot).
  unsigned CreateVertexBuffer(const void* data, std::size_t bytes);
  // A texture from an image; 0 on failure.
  unsigned CreateTexture(const TextureImage& image);
  void ReleaseBuffer(unsigned& buffer);
  void ReleaseTexture(unsigned& texture);

  void Clear();  // black, depth 1
  void SetTransforms(const PreviewTransforms& t);
  void SetTexture(unsigned texture) { boundTexture_ = texture; }
  TextureStage& Stage() { return stage_; }
  // Draws `count` primitives from the buffer, from vertex 0.
  void Draw(unsigned buffer, Layout layout, Primitive primitive, int count);
  // The back buffer as an opaque image, top row first.
  QImage Present();
  void Destroy();

 private:
  bool MakeCurrent();

  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  std::unique_ptr<QOpenGLShaderProgram> program_;
  QSize size_;
  Matrix4 transform_ = Matrix4::Identity();
  TextureStage stage_;
  unsigned boundTexture_ = 0;
};

}  // namespace sq
