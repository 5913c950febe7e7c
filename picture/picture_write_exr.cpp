// OpenEXR files written: kept apart from the other writers, so a build without
// the OpenEXR library leaves this file out.
#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfTiledOutputFile.h>
#include <cstring>
#include <exception>
#include <vector>

#include "picture/picture_write.h"

namespace sq {

namespace {

class MemoryOut final : public Imf::OStream {
 public:
  MemoryOut() : Imf::OStream("memory") {}
  void write(const char c[], int n) override {
    const std::size_t end = at_ + static_cast<std::size_t>(n);
    if (end > bytes.size()) bytes.resize(end);
    std::memcpy(bytes.data() + at_, c, static_cast<std::size_t>(n));
    at_ = end;
  }
  uint64_t tellp() override { return at_; }
  void seekp(uint64_t pos) override { at_ = static_cast<std::size_t>(pos); }

  std::string bytes;

 private:
  std::size_t at_ = 0;
};

}  // namespace

std::string EncodeExr(const FloatPicture& picture, const ExrForm& form) {
  const int W = picture.width, H = picture.height;
  if (W <= 0 || H <= 0 || picture.rgb.size() != picture.PixelCount() * 3) return {};
  // The file's first row is the picture's top one; the library writes the
  // channels from samples of their own type.
  const std::size_t channels = form.alpha ? 4 : 3, rowSamples = static_cast<std::size_t>(W) * channels;
  std::vector<float> floats;
  std::vector<half> halves;
  if (form.half) {
    halves.resize(rowSamples * static_cast<std::size_t>(H));
  } else {
    floats.resize(rowSamples * static_cast<std::size_t>(H));
  }
  for (std::size_t y = 0; y < static_cast<std::size_t>(H); ++y) {
    const float* in = picture.rgb.data() + (static_cast<std::size_t>(H) - 1 - y) * static_cast<std::size_t>(W) * 3;
    for (std::size_t x = 0; x < static_cast<std::size_t>(W); ++x) {
      for (std::size_t k = 0; k < channels; ++k) {
        const float v = k < 3 ? in[x * 3 + k] : 1.0f;  // alpha 1: opaque
        const std::size_t at = y * rowSamples + x * channels + k;
        if (form.half) {
          halves[at] = half(v);
        } else {
          floats[at] = v;
        }
      }
    }
  }
  try {
    Imf::Header header(W, H);
    header.compression() = form.compressed ? Imf::ZIP_COMPRESSION : Imf::NO_COMPRESSION;
    const Imf::PixelType type = form.half ? Imf::HALF : Imf::FLOAT;
    const std::size_t sample = form.half ? sizeof(half) : sizeof(float);
    char* base = form.half ? reinterpret_cast<char*>(halves.data()) : reinterpret_cast<char*>(floats.data());
    Imf::FrameBuffer frame;
    const char* names[4] = {"R", "G", "B", "A"};
    for (std::size_t k = 0; k < channels; ++k) {
      header.channels().insert(names[k], Imf::Channel(type));
      frame.insert(names[k], Imf::Slice(type, base + k * sample, channels * sample, rowSamples * sample));
    }
    MemoryOut out;
    if (form.tiled) {
      header.setTileDescription(Imf::TileDescription(64, 64, Imf::ONE_LEVEL));
      Imf::TiledOutputFile file(out, header);
      file.setFrameBuffer(frame);
      file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
    } else {
      Imf::OutputFile file(out, header);
      file.setFrameBuffer(frame);
      file.writePixels(H);
    }
    return std::move(out.bytes);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace sq
