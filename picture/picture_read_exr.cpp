// OpenEXR through the OpenEXR library: half or float channels, scanline or
// tiled files. R, G and B are read (a missing one as 0); a file of luminance
// (Y) alone reads as grey. The library's exceptions end here, as a reason.
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfInputFile.h>
#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <vector>

#include "picture/picture_read.h"

namespace sq {

namespace {

// The file's bytes as the library's input stream, read in place.
class MemoryIn final : public Imf::IStream {
 public:
  explicit MemoryIn(std::span<const uint8_t> bytes) : Imf::IStream("memory"), bytes_(bytes) {}
  bool isMemoryMapped() const override { return true; }
  bool read(char c[], int n) override {
    std::memcpy(c, Take(n), static_cast<std::size_t>(n));
    return at_ < bytes_.size();
  }
  char* readMemoryMapped(int n) override {
    // The library only reads through the pointer.
    return const_cast<char*>(reinterpret_cast<const char*>(Take(n)));
  }
  uint64_t tellg() override { return at_; }
  void seekg(uint64_t pos) override { at_ = pos; }

 private:
  const uint8_t* Take(int n) {
    if (n < 0 || at_ > bytes_.size() || static_cast<std::size_t>(n) > bytes_.size() - at_) {
      throw std::runtime_error("the file ends early");
    }
    const uint8_t* p = bytes_.data() + at_;
    at_ += static_cast<std::size_t>(n);
    return p;
  }

  std::span<const uint8_t> bytes_;
  uint64_t at_ = 0;
};

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// What the first header says of the size, read by us before the library sizes
// anything by it: the data window and, for a tiled file, the tile size.
struct ExrSize {
  int64_t width = 0, height = 0;
  int64_t tileWidth = 0, tileHeight = 0;  // 0: scanlines
};

// Walks the first header's attributes (name, type, 32-bit little-endian size,
// value) to its closing empty name. Returns "" or why the header is not sound.
// Only a single-part flat image is read: the version field's low byte is 2 and
// of its flags only "tiled" (0x200) and "long names" (0x400) may be set. Names
// are at most 31 bytes, 255 with long names; the library reads a longer one
// differently from us, so its sizes would no longer be the ones checked here.
std::string ReadExrSize(std::span<const uint8_t> bytes, ExrSize& size) {
  if (bytes.size() < 8) return "the OpenEXR file's header is cut short or damaged";
  const uint32_t version = Le32(bytes.data() + 4);
  if ((version & 0xFF) != 2) return "the OpenEXR file has a version this reader does not know";
  if ((version & ~uint32_t{0x6FF}) != 0)
    return "the OpenEXR file is multi-part or deep; only a flat single-part image is read";
  const std::size_t longest = (version & 0x400) != 0 ? 255 : 31;
  std::size_t at = 8;  // past the magic number and the version field
  bool window = false;
  auto text = [&]() -> std::string_view {
    const auto* end = static_cast<const uint8_t*>(std::memchr(bytes.data() + at, 0, bytes.size() - at));
    if (end == nullptr || static_cast<std::size_t>(end - (bytes.data() + at)) > longest) return {};
    std::string_view s(reinterpret_cast<const char*>(bytes.data() + at),
                       static_cast<std::size_t>(end - (bytes.data() + at)));
    at += s.size() + 1;
    return s;
  };
  while (at < bytes.size()) {
    if (bytes[at] == 0) {
      return window ? std::string() : "the OpenEXR file has no data window";
    }
    const std::string_view name = text();
    const std::string_view type = text();
    if (name.empty() || type.empty() || bytes.size() - at < 4) break;
    const uint32_t length = Le32(bytes.data() + at);
    at += 4;
    if (length > bytes.size() - at) break;
    const uint8_t* value = bytes.data() + at;
    if (name == "dataWindow" && type == "box2i" && length == 16) {
      const auto coordinate = [&](int k) {
        return static_cast<int64_t>(static_cast<int32_t>(Le32(value + std::ptrdiff_t{4} * k)));
      };
      size.width = coordinate(2) - coordinate(0) + 1;
      size.height = coordinate(3) - coordinate(1) + 1;
      window = true;
    }
    if (name == "tiles" && type == "tiledesc" && length == 9) {
      size.tileWidth = Le32(value);
      size.tileHeight = Le32(value + 4);
    }
    at += length;
  }
  return "the OpenEXR file's header is cut short or damaged";
}

// Rows are decoded this many at a time, so a large picture never stands in
// memory as floats.
constexpr int kStripRows = 32;

class ExrDecoder final : public PictureDecoder {
 public:
  explicit ExrDecoder(std::span<const uint8_t> bytes) : bytes_(bytes), stream_(bytes) {}

  std::string ReadHeader() {
    ExrSize size;
    if (std::string error = ReadExrSize(bytes_, size); !error.empty()) return error;
    if (std::string error = PictureSizeRefusal(size.width, size.height); !error.empty()) return error;
    if (size.tileWidth > 0 || size.tileHeight > 0) {
      // Each tile has an 8-byte place in the offset table that follows the header.
      if (size.tileWidth <= 0 || size.tileHeight <= 0) return "the OpenEXR file's tiles have no size";
      const int64_t tiles = ((size.width + size.tileWidth - 1) / size.tileWidth) *
                            ((size.height + size.tileHeight - 1) / size.tileHeight);
      if (tiles > static_cast<int64_t>(bytes_.size() / 8)) return "the OpenEXR file ends before its tiles do";
    }
    try {
      file_ = std::make_unique<Imf::InputFile>(stream_);
      const Imath::Box2i window = file_->header().dataWindow();
      const Imf::ChannelList& channels = file_->header().channels();
      const bool colour = channels.findChannel("R") != nullptr || channels.findChannel("G") != nullptr ||
                          channels.findChannel("B") != nullptr;
      grey_ = !colour && channels.findChannel("Y") != nullptr;
      if (!colour && !grey_) return "the OpenEXR file has no R, G, B or Y channel";
      header_.kind = PictureKind::Exr;
      header_.linear = true;
      const int64_t width = int64_t{window.max.x} - window.min.x + 1, height = int64_t{window.max.y} - window.min.y + 1;
      header_.width = static_cast<int>(std::clamp<int64_t>(width, 0, 0x7FFFFFFF));
      header_.height = static_cast<int>(std::clamp<int64_t>(height, 0, 0x7FFFFFFF));
      return {};
    } catch (const std::exception& e) {
      return Damaged(e);
    }
  }

  std::string Decode(uint8_t* bgra, const LinearEncoder& levels) override {
    const std::size_t W = static_cast<std::size_t>(header_.width);
    return Strips([&](int row, const float* rgb) {
      levels.Row(rgb, W, 3, bgra + static_cast<std::size_t>(header_.height - 1 - row) * W * 4);
    });
  }

  std::string DecodeLinear(float* rgb) override {
    const std::size_t W = static_cast<std::size_t>(header_.width);
    return Strips([&](int row, const float* strip) {
      std::copy_n(strip, W * 3, rgb + static_cast<std::size_t>(header_.height - 1 - row) * W * 3);
    });
  }

 private:
  static std::string Damaged(const std::exception& e) {
    std::string what = e.what();
    std::replace(what.begin(), what.end(), '\n', ' ');
    return "the OpenEXR file is damaged: " + what;
  }

  // Reads the rows top first, a strip at a time, and hands each row (counted
  // from the top, from 0) to `take` as red, green, blue floats.
  template <class Take>
  std::string Strips(Take take) {
    try {
      const Imath::Box2i window = file_->header().dataWindow();
      const std::size_t W = static_cast<std::size_t>(header_.width);
      std::vector<float> strip(W * kStripRows * 3);
      for (int top = 0; top < header_.height; top += kStripRows) {
        const int rows = std::min(kStripRows, header_.height - top);
        const int y0 = window.min.y + top, y1 = y0 + rows - 1;
        Imf::FrameBuffer frame;
        const Imath::V2i origin(window.min.x, y0);
        const char* names[3] = {"R", "G", "B"};
        for (std::size_t k = 0; k < (grey_ ? 1 : 3); ++k) {
          frame.insert(grey_ ? "Y" : names[k],
                       Imf::Slice::Make(Imf::FLOAT, strip.data() + k, origin, static_cast<int64_t>(W), rows,
                                        3 * sizeof(float), W * 3 * sizeof(float)));
        }
        file_->setFrameBuffer(frame);
        file_->readPixels(y0, y1);
        for (int r = 0; r < rows; ++r) {
          float* row = strip.data() + static_cast<std::size_t>(r) * W * 3;
          if (grey_) {
            for (std::size_t x = 0; x < W; ++x) row[3 * x + 1] = row[3 * x + 2] = row[3 * x];
          }
          take(top + r, row);
        }
      }
      return {};
    } catch (const std::exception& e) {
      return Damaged(e);
    }
  }

  std::span<const uint8_t> bytes_;
  MemoryIn stream_;
  std::unique_ptr<Imf::InputFile> file_;
  bool grey_ = false;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenExr(std::span<const uint8_t> bytes, std::string& error) {
  auto decoder = std::make_unique<ExrDecoder>(bytes);
  error = decoder->ReadHeader();
  if (!error.empty()) return nullptr;
  return decoder;
}

}  // namespace sq
