#include "picture/png_common_read.h"

#include <libdeflate.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/picture_levels.h"

namespace sq {

namespace {

uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
bool IsType(const uint8_t* type, const char (&name)[5]) { return std::memcmp(type, name, 4) == 0; }
bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Colour types as IHDR numbers them.
constexpr int kGrey = 0, kRgb = 2, kGreyAlpha = 4, kRgba = 6;

struct Form {
  int colour = -1;
  int bits = 0;
  int channels = 0;
};

// The parts of the file the decoding needs, found by walking its chunks.
struct Parts {
  Form form;
  std::vector<std::span<const uint8_t>> data;  // the IDAT chunks' data, in order
  std::size_t dataBytes = 0;
};

// Walks every chunk from the signature to IEND, checking each CRC. Returns false
// on anything but the plain layout: IHDR first, ancillary chunks (or a suggested
// PLTE in a colour picture) before the image data, IDAT chunks in one run, IEND
// right after them and last in the file.
bool FindParts(std::span<const uint8_t> file, int width, int height, Parts& parts) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return false;
  const uint8_t* const p = file.data();
  bool header = false;
  for (std::size_t at = 8;;) {
    if (file.size() - at < 12) return false;  // length, type, CRC
    const uint32_t length = Be32(p + at);
    if (length > 0x7FFFFFFF || length > file.size() - at - 12) return false;
    const uint8_t* type = p + at + 4;
    const uint8_t* data = type + 4;
    if (!IsLetter(type[0]) || !IsLetter(type[1]) || !IsLetter(type[2]) || !IsLetter(type[3])) return false;
    // The CRC covers the type and the data.
    if (libdeflate_crc32(0, type, std::size_t{length} + 4) != Be32(data + length)) return false;
    at += std::size_t{length} + 12;

    if (!header) {
      if (!IsType(type, "IHDR") || length != 13) return false;
      // width, height, bit depth, colour type, compression, filter, interlace
      Form& f = parts.form;
      f.bits = data[8];
      f.colour = data[9];
      if (Be32(data) != uint32_t(width) || Be32(data + 4) != uint32_t(height)) return false;
      if (data[10] != 0 || data[11] != 0 || data[12] != 0) return false;
      if (f.bits != 8 && f.bits != 16) return false;
      f.channels = f.colour == kGrey        ? 1
                   : f.colour == kGreyAlpha ? 2
                   : f.colour == kRgb       ? 3
                   : f.colour == kRgba      ? 4
                                            : 0;
      if (f.channels == 0) return false;
      header = true;
      continue;
    }
    if (IsType(type, "IDAT")) {
      // A second run of IDAT chunks is an anomaly: anything but IEND ends the first.
      parts.data.emplace_back(data, length);
      parts.dataBytes += length;
      continue;
    }
    if (IsType(type, "IEND")) return !parts.data.empty() && length == 0 && at == file.size();
    if (!parts.data.empty()) return false;
    if (IsType(type, "tRNS")) return false;  // it would give the picture a transparent colour
    const bool critical = (type[0] & 0x20) == 0;
    if (critical && !(IsType(type, "PLTE") && (parts.form.colour & 2) != 0)) return false;
  }
}

// The image data inflated, or null. zlib refuses a back reference further than
// the window the stream's header names, and libdeflate reads any up to 32 KiB;
// a smaller window is taken only where it holds all the output anyway.
std::unique_ptr<uint8_t[]> Inflate(const Parts& parts, std::size_t expected) {
  std::vector<uint8_t> joined;
  std::span<const uint8_t> stream = parts.data.front();
  if (parts.data.size() > 1) {
    joined.reserve(parts.dataBytes);
    for (const auto& d : parts.data) joined.insert(joined.end(), d.begin(), d.end());
    stream = joined;
  }
  if (stream.size() < 2 || (stream[0] & 0x0F) != 8) return nullptr;
  // Deflate packs at most 1032 bytes into one: more rows than that could hold
  // are not allocated.
  if (expected / 1032 > stream.size()) return nullptr;
  const int windowBits = (stream[0] >> 4) + 8;
  if (windowBits > 15 || (windowBits < 15 && (std::size_t{1} << windowBits) < expected)) return nullptr;

  std::unique_ptr<uint8_t[]> out(new uint8_t[expected + 1]);  // a word read at the last RGB pixel
  out[expected] = 0;
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  if (inflater == nullptr) return nullptr;
  std::size_t read = 0, written = 0;
  const libdeflate_result result =
      libdeflate_zlib_decompress_ex(inflater, stream.data(), stream.size(), out.get(), expected, &read, &written);
  libdeflate_free_decompressor(inflater);
  if (result != LIBDEFLATE_SUCCESS || read != stream.size() || written != expected) return nullptr;
  return out;
}

// PNG's predictor: of left, up and upper left, the one nearest left + up - upper left.
inline uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes a row's filter in place; `prior` is the row above, already undone (zeros
// above the first). `Bpp` is the bytes of a pixel, the distance to the left; `n`
// a whole number of pixels. The pixel to the left and the one above it are kept
// in locals: read back from the row, each byte would wait for the store before it.
template <int Bpp>
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* prior, std::size_t n) {
  uint8_t a[Bpp] = {}, c[Bpp] = {};  // left, upper left
  switch (filter) {
    case 0:
      return true;
    case 1:
      for (std::size_t i = 0; i < n; i += Bpp) {
        for (int k = 0; k < Bpp; ++k) a[k] = row[i + k] = uint8_t(row[i + k] + a[k]);
      }
      return true;
    case 2:
      for (std::size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prior[i]);
      return true;
    case 3:
      for (std::size_t i = 0; i < n; i += Bpp) {
        for (int k = 0; k < Bpp; ++k) a[k] = row[i + k] = uint8_t(row[i + k] + ((a[k] + prior[i + k]) >> 1));
      }
      return true;
    case 4:
      for (std::size_t i = 0; i < n; i += Bpp) {
        for (int k = 0; k < Bpp; ++k) {
          const uint8_t b = prior[i + k];
          a[k] = row[i + k] = uint8_t(row[i + k] + Paeth(a[k], b, c[k]));
          c[k] = b;
        }
      }
      return true;
    default:
      return false;
  }
}

bool UnfilterRow(int bpp, uint8_t filter, uint8_t* row, const uint8_t* prior, std::size_t n) {
  switch (bpp) {
    case 1:
      return Unfilter<1>(filter, row, prior, n);
    case 2:
      return Unfilter<2>(filter, row, prior, n);
    case 3:
      return Unfilter<3>(filter, row, prior, n);
    case 4:
      return Unfilter<4>(filter, row, prior, n);
    case 6:
      return Unfilter<6>(filter, row, prior, n);
    default:
      return Unfilter<8>(filter, row, prior, n);
  }
}

// One unfiltered row of `width` pixels as blue, green, red, alpha. Grey is
// spread over the three colours; a missing alpha is 255; 16-bit samples (most
// significant byte first) are rounded to their nearest level.
void ToBgra(const Form& f, const uint8_t* in, uint8_t* out, std::size_t width) {
  if (f.bits == 8) {
    switch (f.colour) {
      case kGrey:
        for (std::size_t x = 0; x < width; ++x, in += 1, out += 4) out[0] = out[1] = out[2] = in[0], out[3] = 255;
        return;
      case kGreyAlpha:
        for (std::size_t x = 0; x < width; ++x, in += 2, out += 4) out[0] = out[1] = out[2] = in[0], out[3] = in[1];
        return;
      case kRgb:
        // Red, green, blue and the next byte as one little-endian word: byte-swapped
        // and shifted it is blue, green, red, to which alpha is added.
        for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
          uint32_t v;
          std::memcpy(&v, in, 4);
          v = (__builtin_bswap32(v) >> 8) | 0xFF000000u;
          std::memcpy(out, &v, 4);
        }
        return;
      default:
        for (std::size_t x = 0; x < width; ++x, in += 4, out += 4) {
          uint32_t v;
          std::memcpy(&v, in, 4);
          v = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16;
          std::memcpy(out, &v, 4);
        }
        return;
    }
  }
  const auto level = [](const uint8_t* s) { return LevelOf16(static_cast<uint16_t>(s[0] << 8 | s[1])); };
  const std::size_t step = 2 * static_cast<std::size_t>(f.channels);  // bytes a pixel
  for (std::size_t x = 0; x < width; ++x, in += step, out += 4) {
    switch (f.colour) {
      case kGrey:
        out[0] = out[1] = out[2] = level(in), out[3] = 255;
        break;
      case kGreyAlpha:
        out[0] = out[1] = out[2] = level(in), out[3] = level(in + 2);
        break;
      case kRgb:
        out[0] = level(in + 4), out[1] = level(in + 2), out[2] = level(in), out[3] = 255;
        break;
      default:
        out[0] = level(in + 4), out[1] = level(in + 2), out[2] = level(in), out[3] = level(in + 6);
        break;
    }
  }
}

}  // namespace

bool DecodeCommonPng(std::span<const uint8_t> file, int width, int height, uint8_t* bgra) {
  if (width <= 0 || height <= 0) return false;
  Parts parts;
  if (!FindParts(file, width, height, parts)) return false;
  const Form& f = parts.form;
  const int bpp = f.channels * f.bits / 8;
  const std::size_t W = static_cast<std::size_t>(width), H = static_cast<std::size_t>(height);
  const std::size_t rowBytes = W * static_cast<std::size_t>(bpp), stride = rowBytes + 1;  // a filter byte a row
  const std::unique_ptr<uint8_t[]> rows = Inflate(parts, stride * H);
  if (rows == nullptr) return false;
  const std::vector<uint8_t> zeros(rowBytes, 0);  // above the first row
  for (std::size_t y = 0; y < H; ++y) {
    uint8_t* row = rows.get() + y * stride;
    const uint8_t* prior = y == 0 ? zeros.data() : row - stride + 1;
    if (!UnfilterRow(bpp, row[0], row + 1, prior, rowBytes)) return false;
    ToBgra(f, row + 1, bgra + (H - 1 - y) * W * 4, W);  // PNG's first row is the top one
  }
  return true;
}

}  // namespace sq
