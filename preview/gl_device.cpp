#include "preview/gl_device.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QSurfaceFormat>

namespace sq {

namespace {

constexpr GLenum kBlendMax = 0x8008;          // GL_MAX
constexpr GLenum kProgramPointSize = 0x8642;  // GL_PROGRAM_POINT_SIZE
constexpr GLenum kRgba8 = 0x8058;             // GL_RGBA8

// Attribute slots.
constexpr GLuint kPosition = 0, kColour = 1, kUv = 2;

const char* const kVertexShader = R"(
attribute vec3 a_position;
attribute vec4 a_colour;
attribute vec2 a_uv;
uniform mat4 u_transform;
varying vec4 v_colour;
varying vec2 v_uv;
void main() {
  gl_Position = u_transform * vec4(a_position, 1.0);
  // The packed colour is stored blue, green, red, alpha in memory.
  v_colour = a_colour.zyxw;
  v_uv = a_uv;
  gl_PointSize = 1.0;
}
)";

// One texture stage: each of colour and alpha is an operation on two arguments.
const char* const kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D u_texture;
uniform bool u_hasTexture;
uniform int u_colourOp;
uniform int u_colourArg1;
uniform int u_colourArg2;
uniform int u_alphaOp;
uniform int u_alphaArg1;
uniform int u_alphaArg2;
varying vec4 v_colour;
varying vec2 v_uv;
vec4 Arg(int which, vec4 texel) {
  if (which == 2) return texel;
  return v_colour;  // the diffuse colour, which is also what the first stage starts from
}
vec4 Op(int op, vec4 a, vec4 b) {
  if (op == 3) return b;
  if (op == 4) return a * b;
  if (op == 7) return min(a + b, vec4(1.0));
  return a;
}
void main() {
  vec4 texel = u_hasTexture ? texture2D(u_texture, v_uv) : vec4(0.0);
  vec3 rgb = Op(u_colourOp, Arg(u_colourArg1, texel), Arg(u_colourArg2, texel)).rgb;
  float a = Op(u_alphaOp, Arg(u_alphaArg1, texel), Arg(u_alphaArg2, texel)).a;
  gl_FragColor = vec4(rgb, a);
}
)";

// The fixed render states of the preview, in the context that is current.
void ApplyRenderStates(QOpenGLContext& context) {
  QOpenGLFunctions* gl = context.functions();
  gl->glEnable(GL_CULL_FACE);  // triangles that appear counter-clockwise on screen are not drawn
  gl->glFrontFace(GL_CCW);
  gl->glCullFace(GL_FRONT);
  gl->glEnable(GL_DEPTH_TEST);
  gl->glDepthFunc(GL_LESS);
  gl->glDepthMask(GL_TRUE);
  gl->glEnable(GL_BLEND);
  gl->glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);  // ignored by MAX, kept as set
  gl->glBlendEquation(kBlendMax);               // every layer keeps the brighter of old and new per channel
  if (!context.isOpenGLES()) gl->glEnable(kProgramPointSize);
}

}  // namespace

GlDevice::GlDevice() = default;

GlDevice::~GlDevice() { Destroy(); }

bool GlDevice::MakeCurrent() { return context_ && surface_ && context_->makeCurrent(surface_.get()); }

bool GlDevice::MakeTargetCurrent() {
  if (screenContext_ != nullptr) return QOpenGLContext::currentContext() == screenContext_;
  return MakeCurrent();
}

void GlDevice::BindTarget() {
  QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
  if (screenContext_ != nullptr) {
    gl->glBindFramebuffer(GL_FRAMEBUFFER, screenFramebuffer_);
    gl->glViewport(0, 0, screenSize_.width(), screenSize_.height());
  } else {
    fbo_->bind();
    gl->glViewport(0, 0, size_.width(), size_.height());
  }
}

bool GlDevice::BeginScreenFrame(QSize pixels) {
  QOpenGLContext* current = QOpenGLContext::currentContext();
  if (!Exists() || current == nullptr || pixels.isEmpty() || !QOpenGLContext::areSharing(current, context_.get()))
    return false;
  screenContext_ = current;
  screenFramebuffer_ = current->defaultFramebufferObject();
  screenSize_ = pixels;
  ApplyRenderStates(*current);
  return true;
}

void GlDevice::EndScreenFrame() {
  if (screenContext_ == nullptr) return;
  if (QOpenGLContext::currentContext() == screenContext_) {
    // The window shows an opaque picture, whatever alpha the layers left.
    QOpenGLFunctions* gl = screenContext_->functions();
    gl->glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  }
  screenContext_ = nullptr;
}

bool GlDevice::Create(QSize backBuffer, GlCapabilities& caps) {
  caps = {};
  Destroy();
  if (backBuffer.isEmpty()) return false;
  context_ = std::make_unique<QOpenGLContext>();
  if (QOpenGLContext* shared = QOpenGLContext::globalShareContext()) {
    context_->setShareContext(shared);
    context_->setFormat(shared->format());
  }
  if (!context_->create()) {
    context_.reset();
    return false;
  }
  caps.context = true;
  surface_ = std::make_unique<QOffscreenSurface>();
  surface_->setFormat(context_->format());
  surface_->create();
  if (!MakeCurrent()) {
    Destroy();
    return false;
  }
  QOpenGLFunctions* gl = context_->functions();
  const QSurfaceFormat format = context_->format();
  caps.framebuffers = QOpenGLFramebufferObject::hasOpenGLFramebufferObjects();
  caps.blendMax = context_->isOpenGLES()
                      ? (format.majorVersion() >= 3 || context_->hasExtension("GL_EXT_blend_minmax"))
                      : (format.majorVersion() >= 2 || (format.majorVersion() == 1 && format.minorVersion() >= 4));

  program_ = std::make_unique<QOpenGLShaderProgram>();
  const QString prefix = context_->isOpenGLES() ? "#version 100\n" : "#version 120\n";
  caps.shaders = program_->addShaderFromSourceCode(QOpenGLShader::Vertex, prefix + kVertexShader) &&
                 program_->addShaderFromSourceCode(QOpenGLShader::Fragment, prefix + kFragmentShader);
  if (caps.shaders) {
    program_->bindAttributeLocation("a_position", kPosition);
    program_->bindAttributeLocation("a_colour", kColour);
    program_->bindAttributeLocation("a_uv", kUv);
    caps.shaders = program_->link();
  }
  if (!caps.shaders || !caps.framebuffers || !caps.blendMax) {
    Destroy();
    return false;
  }

  QOpenGLFramebufferObjectFormat fboFormat;
  fboFormat.setAttachment(QOpenGLFramebufferObject::Depth);
  fboFormat.setInternalTextureFormat(kRgba8);
  fbo_ = std::make_unique<QOpenGLFramebufferObject>(backBuffer, fboFormat);
  if (!fbo_->isValid()) {
    caps.framebuffers = false;
    Destroy();
    return false;
  }
  size_ = backBuffer;
  fbo_->bind();
  gl->glViewport(0, 0, size_.width(), size_.height());
  ApplyRenderStates(*context_);
  stage_ = TextureStage{};
  boundTexture_ = 0;
  return true;
}

unsigned GlDevice::CreateVertexBuffer(const void* data, std::size_t bytes) {
  if (bytes == 0 || bytes > 0x7FFFFFFF || !MakeCurrent()) return 0;
  QOpenGLFunctions* gl = context_->functions();
  while (gl->glGetError() != GL_NO_ERROR) {
  }
  GLuint buffer = 0;
  gl->glGenBuffers(1, &buffer);
  if (buffer == 0) return 0;
  gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
  gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  if (gl->glGetError() != GL_NO_ERROR) {
    gl->glDeleteBuffers(1, &buffer);
    return 0;
  }
  return buffer;
}

unsigned GlDevice::CreateTexture(const TextureImage& image) {
  if (image.width <= 0 || image.height <= 0 || !MakeCurrent()) return 0;
  QOpenGLFunctions* gl = context_->functions();
  while (gl->glGetError() != GL_NO_ERROR) {
  }
  GLuint texture = 0;
  gl->glGenTextures(1, &texture);
  if (texture == 0) return 0;
  gl->glBindTexture(GL_TEXTURE_2D, texture);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Row 0 of the image (its top) is texture coordinate v = 0.
  gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   image.rgba.data());
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  if (gl->glGetError() != GL_NO_ERROR) {
    gl->glDeleteTextures(1, &texture);
    return 0;
  }
  return texture;
}

void GlDevice::ReleaseBuffer(unsigned& buffer) {
  if (buffer != 0 && MakeCurrent()) {
    GLuint b = buffer;
    context_->functions()->glDeleteBuffers(1, &b);
  }
  buffer = 0;
}

void GlDevice::ReleaseTexture(unsigned& texture) {
  if (texture != 0 && MakeCurrent()) {
    GLuint t = texture;
    context_->functions()->glDeleteTextures(1, &t);
  }
  if (boundTexture_ == texture) boundTexture_ = 0;
  texture = 0;
}

void GlDevice::Clear() {
  if (!Exists() || !MakeTargetCurrent()) return;
  QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
  BindTarget();
  gl->glDepthMask(GL_TRUE);
  gl->glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  gl->glClearDepthf(1.0f);
  gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlDevice::SetTransforms(const PreviewTransforms& t) { transform_ = ToOpenGlClip(t.Combined()); }

void GlDevice::Draw(unsigned buffer, Layout layout, Primitive primitive, int count) {
  if (!Exists() || buffer == 0 || count <= 0 || !MakeTargetCurrent()) return;
  QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
  BindTarget();
  program_->bind();
  // The matrix is kept row by row for row vectors; read column by column it is
  // the same transform for the shader's column vectors.
  gl->glUniformMatrix4fv(program_->uniformLocation("u_transform"), 1, GL_FALSE, transform_.m[0].data());
  program_->setUniformValue("u_colourOp", stage_.colourOp);
  program_->setUniformValue("u_colourArg1", stage_.colourArg1);
  program_->setUniformValue("u_colourArg2", stage_.colourArg2);
  program_->setUniformValue("u_alphaOp", stage_.alphaOp);
  program_->setUniformValue("u_alphaArg1", stage_.alphaArg1);
  program_->setUniformValue("u_alphaArg2", stage_.alphaArg2);
  program_->setUniformValue("u_hasTexture", boundTexture_ != 0);
  program_->setUniformValue("u_texture", 0);
  gl->glActiveTexture(GL_TEXTURE0);
  gl->glBindTexture(GL_TEXTURE_2D, boundTexture_);

  const bool textured = layout == Layout::ColouredTextured;
  const GLsizei stride = textured ? 24 : 16;
  gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
  gl->glEnableVertexAttribArray(kPosition);
  gl->glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
  gl->glEnableVertexAttribArray(kColour);
  gl->glVertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(12));
  if (textured) {
    gl->glEnableVertexAttribArray(kUv);
    gl->glVertexAttribPointer(kUv, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(16));
  } else {
    // Vertices without texture coordinates sample the texture at (0, 0).
    gl->glDisableVertexAttribArray(kUv);
    gl->glVertexAttrib2f(kUv, 0.0f, 0.0f);
  }
  if (primitive == Primitive::TriangleList) {
    gl->glDrawArrays(GL_TRIANGLES, 0, count * 3);
  } else {
    gl->glDrawArrays(GL_POINTS, 0, count);
  }
  gl->glDisableVertexAttribArray(kPosition);
  gl->glDisableVertexAttribArray(kColour);
  gl->glDisableVertexAttribArray(kUv);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  program_->release();
}

QImage GlDevice::ReadBack() {
  if (!Exists() || screenContext_ != nullptr || !MakeCurrent()) return {};
  ++readBacks_;
  QOpenGLFunctions* gl = context_->functions();
  fbo_->bind();
  gl->glFinish();
  QImage image(size_, QImage::Format_RGBA8888);
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, size_.width(), size_.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  // OpenGL's rows run bottom up. The back buffer's alpha is not shown: the
  // window sees an opaque picture.
  image = image.mirrored(false, true);
  for (int y = 0; y < image.height(); ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) row[x * 4 + 3] = 0xFF;
  }
  image.reinterpretAsFormat(QImage::Format_RGBX8888);
  return image;
}

void GlDevice::Destroy() {
  if (context_ && surface_ && context_->makeCurrent(surface_.get())) {
    program_.reset();
    fbo_.reset();
    context_->doneCurrent();
  }
  program_.reset();
  fbo_.reset();
  context_.reset();
  surface_.reset();
  size_ = {};
  boundTexture_ = 0;
  screenContext_ = nullptr;
}

}  // namespace sq
