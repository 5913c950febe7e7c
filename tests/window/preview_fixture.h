// A preview window over lists and textures made by the test, with an owner that
// records what the window asks of it.
#pragma once

#include <QColor>
#include <QImage>
#include <QTimer>
#include <memory>
#include <optional>

#include "preview/frmBGdisplay.h"
#include "preview/tga_texture.h"
#include "tests/test_kit.h"

namespace sqtest {

class RecordingOwner : public sq::PreviewOwner {
 public:
  RecordingPlatform recorder;
  int opened = 0, closed = 0, writes = 0;
  std::optional<int> endStatus;
  sq::Platform& platform() override { return recorder; }
  void PreviewOpened() override { ++opened; }
  void PreviewClosed() override { ++closed; }
  void EndProgram(int status) override { endStatus = status; }
  void WriteHod() override { ++writes; }
};

inline uint32_t Argb(int r, int g, int b, int a = 255) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
         static_cast<uint32_t>(b);
}

inline sq::PreviewVertex V(float x, float y, float z, uint32_t colour) { return {x, y, z, colour}; }

// A square facing the camera at depth z, drawn as two triangles that appear
// clockwise on screen, as the front faces of the background are.
inline void AddSquare(sq::StarMapPreviewEntry& entry, float x0, float y0, float x1, float y1, float z) {
  const uint32_t c = Argb(255, 255, 255);
  const sq::StarMapVertex bl{x0, y0, z, c, 0, 1}, tl{x0, y1, z, c, 0, 0}, tr{x1, y1, z, c, 1, 0},
      br{x1, y0, z, c, 1, 1};
  entry.vertices.insert(entry.vertices.end(), {bl, tl, tr, tr, br, bl});
  entry.vertexCount = static_cast<int32_t>(entry.vertices.size());
}

inline void AddTriangle(sq::PreviewLists& lists, sq::PreviewVertex a, sq::PreviewVertex b, sq::PreviewVertex c) {
  lists.meshPreviewVertices.insert(lists.meshPreviewVertices.end(), {a, b, c});
  lists.meshPreviewCount = static_cast<int32_t>(lists.meshPreviewVertices.size());
}

inline void AddStar(sq::PreviewLists& lists, sq::PreviewVertex v) {
  lists.starPreviewVertices.push_back(v);
  lists.starPreviewCount = static_cast<int32_t>(lists.starPreviewVertices.size());
}

// Writes B02.tga and B03.tga of one colour each into a folder.
inline void WriteSolidTextures(const std::filesystem::path& folder, QColor first, QColor second) {
  const QColor colours[] = {first, second};
  const char* names[] = {"B02.tga", "B03.tga"};
  for (int k = 0; k < 2; ++k) {
    sq::TextureImage image;
    image.width = 8;
    image.height = 8;
    for (int i = 0; i < 64; ++i) {
      image.rgba.insert(image.rgba.end(),
                        {static_cast<uint8_t>(colours[k].red()), static_cast<uint8_t>(colours[k].green()),
                         static_cast<uint8_t>(colours[k].blue()), 255});
    }
    const auto bytes = sq::EncodeTarga32(image);
    WriteBytes(folder / names[k], bytes);
  }
}

struct PreviewRig {
  TempDir textures;
  RecordingOwner owner;
  sq::PreviewLists lists;
  sq::PreviewSource source;
  double now = 0;
  QSize size{200, 200};
  std::unique_ptr<sq::frmBGdisplay> window;

  PreviewRig() {
    source.lists = &lists;
    source.backgroundFromHod = true;
  }
  // Opens the window over what the test has put into the lists and flags.
  bool Load(std::optional<std::filesystem::path> textureFolder = std::nullopt) {
    sq::frmBGdisplay::Options options;
    options.programFolder = textureFolder.value_or(textures.path());
    options.drawingSize = size;
    options.clock = [this] { return now; };
    window = std::make_unique<sq::frmBGdisplay>(owner, source, options);
    const bool ok = window->Form_Load();
    if (ok) window->Timer2->stop();  // frames are drawn when the test asks
    return ok;
  }
  QImage Frame() {
    window->Render();
    return window->LastFrame();
  }
};

inline QColor Pixel(const QImage& image, float x, float y) {
  return image.pixelColor(static_cast<int>(x), static_cast<int>(y));
}

// Whether a colour occurs within one pixel of (x, y): a one-pixel point lands
// on one of the pixels around its exact position.
inline bool ColourNear(const QImage& image, float x, float y, QColor colour) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = static_cast<int>(x) + dx, py = static_cast<int>(y) + dy;
      if (image.rect().contains(px, py) && image.pixelColor(px, py).rgb() == colour.rgb()) return true;
    }
  }
  return false;
}

}  // namespace sqtest
