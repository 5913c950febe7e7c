// The drawing device of the preview: an OpenGL context of its own with an
// offscreen back buffer, vertex buffers, textures and the one texture stage the
// preview uses, emulated by a small shader. A frame is drawn either into the
// framebuffer of the on-screen widget, whose context shares the device's buffers,
// textures and program (BeginScreenFrame), or into the offscreen back buffer,
// which ReadBack reads into an image for screenshots and tests. Only ReadBack
// reads pixels back from OpenGL.
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
  // there is no usable context; `caps` then tells what is missing. The context
  // shares its objects with the application's global share context, so that an
  // on-screen widget's context can draw them (Qt::AA_ShareOpenGLContexts).
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

  // Until EndScreenFrame, Clear and Draw go to the framebuffer of the context
  // that is current (an on-screen widget's, in its paint), `pixels` in size.
  // False when that context cannot draw the device's objects (it shares none).
  bool BeginScreenFrame(QSize pixels);
  // Makes the picture on screen opaque and turns back to the offscreen buffer.
  void EndScreenFrame();

  void Clear();  // black, depth 1
  void SetTransforms(const PreviewTransforms& t);
  void SetTexture(unsigned texture) { boundTexture_ = texture; }
  TextureStage& Stage() { return stage_; }
  // Draws `count` primitives from the buffer, from vertex 0.
  void Draw(unsigned buffer, Layout layout, Primitive primitive, int count);
  // The offscreen back buffer as an opaque image, top row first.
  QImage ReadBack();
  // How many times pixels were read back.
  int ReadBacks() const { return readBacks_; }
  void Destroy();

 private:
  // The device's own context on its offscreen surface, for its objects and the back buffer.
  bool MakeCurrent();
  // The context the frame goes to: the screen's while a screen frame is drawn.
  bool MakeTargetCurrent();
  void BindTarget();

  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  std::unique_ptr<QOpenGLShaderProgram> program_;
  QSize size_;
  Matrix4 transform_ = Matrix4::Identity();
  TextureStage stage_;
  unsigned boundTexture_ = 0;
  QOpenGLContext* screenContext_ = nullptr;  // set between BeginScreenFrame and EndScreenFrame
  unsigned screenFramebuffer_ = 0;
  QSize screenSize_;
  int readBacks_ = 0;
};

}  // namespace sq
