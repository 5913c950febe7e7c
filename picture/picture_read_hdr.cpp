// Radiance HDR (RGBE), read by our own code: a text header, a resolution line,
// then the scanlines, each flat (four bytes a pixel) or run-length coded
// channel by channel. Every read is checked against the bytes left.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "picture/picture_read.h"

namespace sq {

namespace {

// A header longer than this is not a header.
constexpr std::size_t kMaxHeader = std::size_t{64} * 1024;

class HdrDecoder final : public PictureDecoder {
 public:
  explicit HdrDecoder(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  std::string ReadHeader() {
    header_.kind = PictureKind::Hdr;
    header_.linear = true;
    std::string_view line;
    bool first = true;
    // The header's lines up to an empty one; the first names the format.
    for (;;) {
      if (!NextLine(line)) return "the Radiance HDR file's header is cut short";
      if (first && !line.starts_with("#?")) return "the Radiance HDR file does not start with #?";
      first = false;
      if (line.empty()) break;
      if (line.starts_with("FORMAT=") && line != "FORMAT=32-bit_rle_rgbe") {
        return "the Radiance HDR file holds " + std::string(line.substr(7)) + ", not 32-bit_rle_rgbe";
      }
    }
    if (!NextLine(line)) return "the Radiance HDR file has no resolution line";
    // "-Y H +X W": rows from the top; "+Y H +X W": from the bottom. A minus on
    // X runs the columns from the right.
    char ySign = 0, xSign = 0;
    long long h = 0, w = 0;
    char rest = 0;
    const std::string text(line);
    if (std::sscanf(text.c_str(), "%cY %lld %cX %lld %c", &ySign, &h, &xSign, &w, &rest) != 4 ||
        (ySign != '-' && ySign != '+') || (xSign != '-' && xSign != '+')) {
      return "the Radiance HDR file's resolution line \"" + text.substr(0, 40) +
             "\" is not read (only -Y H +X W and its mirrors)";
    }
    if (std::string error = PictureSizeRefusal(w, h); !error.empty()) return error;
    // A run packs at most 127 bytes of a channel into two: eight bytes hold at
    // most 127 pixels, so a shorter file cannot hold its pixels.
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) / 127 * 8 > bytes_.size() - at_) {
      return "the Radiance HDR file is too short to hold " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
    }
    header_.width = static_cast<int>(w);
    header_.height = static_cast<int>(h);
    topFirst_ = ySign == '-';
    rightFirst_ = xSign == '-';
    return {};
  }

  std::string Decode(uint8_t* bgra, const LinearEncoder& levels) override {
    const std::size_t W = static_cast<std::size_t>(header_.width);
    return Rows([&](std::size_t row, const float* rgb) { levels.Row(rgb, W, 3, bgra + row * W * 4); });
  }

  std::string DecodeLinear(float* rgb) override {
    const std::size_t W = static_cast<std::size_t>(header_.width);
    return Rows([&](std::size_t row, const float* line) { std::copy_n(line, W * 3, rgb + row * W * 3); });
  }

 private:
  // The next line, without its "\n"; false at the end of the bytes or past kMaxHeader.
  bool NextLine(std::string_view& line) {
    const std::size_t end = std::min(bytes_.size(), kMaxHeader);
    if (at_ >= end) return false;
    const auto* start = bytes_.data() + at_;
    const auto* newline = static_cast<const uint8_t*>(std::memchr(start, '\n', end - at_));
    if (newline == nullptr) return false;
    line = std::string_view(reinterpret_cast<const char*>(start), static_cast<std::size_t>(newline - start));
    at_ += line.size() + 1;
    return true;
  }

  // One scanline of RGBE into `rgbe` (W x 4 bytes). Returns false when the bytes end first.
  bool Scanline(std::vector<uint8_t>& rgbe) {
    const std::size_t W = static_cast<std::size_t>(header_.width);
    const std::size_t left = bytes_.size() - at_;
    const uint8_t* p = bytes_.data() + at_;
    // A run-length scanline opens with 2, 2 and the width, big-endian; it holds
    // widths of 8 to 32767 only.
    const bool runLength = W >= 8 && W <= 32767 && left >= 4 && p[0] == 2 && p[1] == 2 && (p[2] & 0x80) == 0;
    if (!runLength) {
      if (left < W * 4) return false;
      std::memcpy(rgbe.data(), p, W * 4);
      at_ += W * 4;
      return true;
    }
    if ((std::size_t{p[2]} << 8 | p[3]) != W) {
      damage_ = "a scanline's width is not the picture's";
      return false;
    }
    at_ += 4;
    for (std::size_t channel = 0; channel < 4; ++channel) {
      for (std::size_t x = 0; x < W;) {
        if (at_ >= bytes_.size()) return false;
        std::size_t n = bytes_[at_++];
        const bool run = n > 128;
        if (run) n -= 128;
        if (n == 0 || n > W - x) {
          damage_ = "a scanline's run reaches past its end";
          return false;
        }
        if (run) {
          if (at_ >= bytes_.size()) return false;
          const uint8_t value = bytes_[at_++];
          for (std::size_t k = 0; k < n; ++k) rgbe[(x + k) * 4 + channel] = value;
        } else {
          if (n > bytes_.size() - at_) return false;
          for (std::size_t k = 0; k < n; ++k) rgbe[(x + k) * 4 + channel] = bytes_[at_ + k];
          at_ += n;
        }
        x += n;
      }
    }
    return true;
  }

  // Every scanline as floats, handed to `take` with its row in the builder's
  // order (the bottom row 0).
  template <class Take>
  std::string Rows(Take take) {
    const std::size_t W = static_cast<std::size_t>(header_.width), H = static_cast<std::size_t>(header_.height);
    std::vector<uint8_t> rgbe(W * 4);
    std::vector<float> rgb(W * 3);
    // (m + 0.5) 2^(e - 136): the middle of what the truncated mantissa stood for.
    std::array<float, 256> scale{};
    for (int e = 1; e < 256; ++e) scale[static_cast<std::size_t>(e)] = std::ldexp(1.0f, e - 136);
    for (std::size_t line = 0; line < H; ++line) {
      if (!Scanline(rgbe)) {
        return damage_.empty() ? "the Radiance HDR file ends before its pixels do"
                               : "the Radiance HDR file is damaged: " + damage_;
      }
      for (std::size_t x = 0; x < W; ++x) {
        const uint8_t* px = rgbe.data() + x * 4;
        float* out = rgb.data() + (rightFirst_ ? W - 1 - x : x) * 3;
        const float f = scale[px[3]];
        for (std::size_t k = 0; k < 3; ++k) out[k] = px[3] == 0 ? 0.0f : (static_cast<float>(px[k]) + 0.5f) * f;
      }
      take(topFirst_ ? H - 1 - line : line, rgb.data());
    }
    return {};
  }

  std::span<const uint8_t> bytes_;
  std::size_t at_ = 0;
  bool topFirst_ = true, rightFirst_ = false;
  std::string damage_;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenHdr(std::span<const uint8_t> bytes, std::string& error) {
  auto decoder = std::make_unique<HdrDecoder>(bytes);
  error = decoder->ReadHeader();
  if (!error.empty()) return nullptr;
  return decoder;
}

}  // namespace sq
