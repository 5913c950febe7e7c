// Test helpers for the builder: images made in a few lines, a small reader of our
// own for the TGA files the builder saves, and the messages it shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "app/message_boxes.h"
#include "app/tga_command.h"
#include "builder/builder.h"
#include "picture/tga_header.h"
#include "tests/test_kit.h"

namespace sqtest {

// A message as a platform shows it, under the program's title.
inline std::string Shown(std::string_view text) { return std::string(sq::kAppTitle) + ": " + std::string(text); }

// The halftone question as the command line prints it, with the answer it took.
inline std::string AskedOnStderr(std::string_view answer) {
  return std::string(sq::kHalftoneTitle) + ": " + std::string(sq::kHalftoneQuestion) + "\n(answered " +
         std::string(answer) + ")\n";
}

// A test where a face stands: the platform's bar and halftone box for a pass,
// and the pass's messages shown on it as the faces show them.
struct PlatformFace {
  explicit PlatformFace(sq::Platform& on) : progress(on), shown(on), askFilter(sq::AskFilterOn(on, shown)) {}
  PlatformFace(const PlatformFace&) = delete;
  PlatformFace& operator=(const PlatformFace&) = delete;
  // The result, its messages shown.
  template <class Result>
  Result Show(Result result) {
    shown.Catch(result.messages);
    return result;
  }
  // Read options that ask the question on the platform.
  sq::PictureReadOptions Asking(sq::TgaReadOptions read = {}) const {
    sq::PictureReadOptions options;
    static_cast<sq::TgaReadOptions&>(options) = std::move(read);
    options.askFilter = askFilter;
    return options;
  }

  sq::PlatformProgress progress;
  sq::MessagesShown shown;
  sq::FilterQuestion askFilter;
};

// A 32-bit image, columns and rows counted from 1 in file order.
struct Picture {
  int width, height;
  std::vector<uint8_t> pixels;  // blue, green, red, alpha

  Picture(int w, int h, uint8_t grey = 0, uint8_t alpha = 255)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, grey) {
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = alpha;
  }
  uint8_t* At(int x, int y) {
    return &pixels[(static_cast<std::size_t>(y - 1) * width + static_cast<std::size_t>(x - 1)) * 4];
  }
  Picture& Set(int x, int y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = At(x, y);
    p[0] = b, p[1] = g, p[2] = r;
    return *this;
  }
  Picture& Grey(int x, int y, uint8_t v) { return Set(x, y, v, v, v); }
  Picture& Square(int x, int y, uint8_t v) {  // in column 1 again from column W
    return Grey(x, y, v).Grey(x % width + 1, y, v).Grey(x, y + 1, v).Grey(x % width + 1, y + 1, v);
  }

  // The file: an 18-byte header (type 2, 32 bits), the image-ID field, the
  // pixels and `footerBytes` bytes of a recognisable footer.
  std::vector<uint8_t> File(const std::string& imageId = "", std::size_t footerBytes = 17) const {
    const std::string footer = "FOOTER-TEXT-1234!";
    std::vector<uint8_t> f(sq::kTgaHeaderSize + imageId.size() + pixels.size() + footerBytes, 0);
    const auto header = sq::EncodeTgaHeader({.idLength = static_cast<uint8_t>(imageId.size()),
                                             .imageType = sq::kTgaTrueColour,
                                             .width = static_cast<uint16_t>(width),
                                             .height = static_cast<uint16_t>(height),
                                             .pixelDepth = 32,
                                             .descriptor = 8});
    std::copy(header.begin(), header.end(), f.begin());
    std::size_t at = sq::kTgaHeaderSize;
    for (char c : imageId) f[at++] = static_cast<uint8_t>(c);
    for (uint8_t b : pixels) f[at++] = b;
    for (std::size_t i = 0; i < footerBytes; ++i) f[at++] = static_cast<uint8_t>(footer[i % footer.size()]);
    return f;
  }
};

// A saved TGA file read back with no help from the builder (the header through
// the one TGA header reader).
struct SavedTga {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;

  const uint8_t* At(int x, int y) const { return &pixels[(std::size_t(y - 1) * width + std::size_t(x - 1)) * 4]; }
  bool Colour(int x, int y, uint8_t b, uint8_t g, uint8_t r) const {
    const uint8_t* p = At(x, y);
    return p[0] == b && p[1] == g && p[2] == r;
  }
  bool AllAlphaOne() const {
    for (std::size_t i = 3; i < pixels.size(); i += 4) {
      if (pixels[i] != 1) return false;
    }
    return true;
  }
};

inline SavedTga ReadSavedTga(const std::filesystem::path& path) {
  const std::string bytes = ReadText(path);
  if (bytes.size() < sq::kTgaHeaderSize) return {};
  const sq::TgaHeader h = sq::ParseTgaHeader(AsBytes(bytes).first<sq::kTgaHeaderSize>());
  const std::string pixels = bytes.substr(std::min(sq::kTgaHeaderSize + h.idLength, bytes.size()),
                                          std::size_t(h.width) * std::size_t(h.height) * 4);
  return {h.width, h.height, {pixels.begin(), pixels.end()}};
}

// Tables for an image held in memory, as a load leaves them: intensitySum
// matching, nothing marked.
inline sq::TgaTables TablesOf(const Picture& picture) {
  return sq::TablesOfPicture({picture.width, picture.height, picture.pixels});
}

// A platform that keeps every progress report.
class ProgressPlatform : public RecordingPlatform {
 public:
  std::vector<std::pair<int, int>> history;  // (maximum, value)
  void SetProgress(int maximum, int value) override {
    RecordingPlatform::SetProgress(maximum, value);
    history.emplace_back(maximum, value);
  }
};

}  // namespace sqtest
