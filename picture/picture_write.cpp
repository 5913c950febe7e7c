#include "picture/picture_write.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <map>
#include <vector>

namespace sq {

namespace {

// ---------------------------------------------------------------------------
// PNG

struct PngOut {
  std::string bytes;
  std::jmp_buf failed{};
};

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  static_cast<PngOut*>(png_get_io_ptr(png))->bytes.append(reinterpret_cast<const char*>(data), n);
}
void PngFlush(png_structp /*png*/) {}
[[noreturn]] void PngError(png_structp png, png_const_charp /*message*/) {
  std::longjmp(static_cast<PngOut*>(png_get_error_ptr(png))->failed, 1);
}
void PngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

int PngColourType(PngForm::Colour colour) {
  switch (colour) {
    case PngForm::Colour::Rgb:
      return PNG_COLOR_TYPE_RGB;
    case PngForm::Colour::Rgba:
      return PNG_COLOR_TYPE_RGB_ALPHA;
    case PngForm::Colour::Palette:
      return PNG_COLOR_TYPE_PALETTE;
    case PngForm::Colour::Grey:
      return PNG_COLOR_TYPE_GRAY;
    case PngForm::Colour::GreyAlpha:
      break;
  }
  return PNG_COLOR_TYPE_GRAY_ALPHA;
}

bool BitsFit(const PngForm& form) {
  switch (form.colour) {
    case PngForm::Colour::Palette:
      return form.bits == 1 || form.bits == 2 || form.bits == 4 || form.bits == 8;
    case PngForm::Colour::Grey:
      return form.bits == 1 || form.bits == 2 || form.bits == 4 || form.bits == 8 || form.bits == 16;
    default:
      return form.bits == 8 || form.bits == 16;
  }
}

// Packs samples of `bits` bits (below 8) into a row, the first in the high bits.
class BitPacker {
 public:
  BitPacker(uint8_t* row, int bits) : row_(row), bits_(bits) {}
  void Put(unsigned sample) {
    if (fill_ == 0) *row_ = 0;
    fill_ += bits_;
    *row_ = static_cast<uint8_t>(*row_ | (sample << (8 - fill_)));
    if (fill_ == 8) {
      ++row_;
      fill_ = 0;
    }
  }

 private:
  uint8_t* row_;
  int bits_;
  int fill_ = 0;
};

// The rows of the file, top row first, in the form's samples. A palette's
// entries go to `palette` and `alphas` in the order first met.
bool PngRows(const Picture& p, const PngForm& form, std::vector<std::vector<uint8_t>>& rows,
             std::vector<png_color>& palette, std::vector<uint8_t>& alphas) {
  const int channels = form.colour == PngForm::Colour::Rgb         ? 3
                       : form.colour == PngForm::Colour::Rgba      ? 4
                       : form.colour == PngForm::Colour::GreyAlpha ? 2
                                                                   : 1;
  const std::size_t rowBytes = (static_cast<std::size_t>(p.width) * channels * form.bits + 7) / 8;
  const unsigned top = (1u << std::min(form.bits, 8)) - 1;  // the largest sample below 8 bits
  std::map<uint32_t, unsigned> indices;
  rows.assign(static_cast<std::size_t>(p.height), std::vector<uint8_t>(rowBytes, 0));
  for (int r = p.height; r >= 1; --r) {
    std::vector<uint8_t>& row = rows[static_cast<std::size_t>(p.height - r)];
    uint8_t* out = row.data();
    BitPacker packer(out, form.bits);
    for (int c = 1; c <= p.width; ++c) {
      const uint8_t* px = p.Pixel(c, r);
      const uint8_t grey = static_cast<uint8_t>((px[0] + px[1] + px[2] + 1) / 3);
      std::array<uint8_t, 4> samples{};
      int n = 0;
      switch (form.colour) {
        case PngForm::Colour::Rgb:
          samples = {px[2], px[1], px[0], 0};
          n = 3;
          break;
        case PngForm::Colour::Rgba:
          samples = {px[2], px[1], px[0], px[3]};
          n = 4;
          break;
        case PngForm::Colour::Grey:
          samples = {grey, 0, 0, 0};
          n = 1;
          break;
        case PngForm::Colour::GreyAlpha:
          samples = {grey, px[3], 0, 0};
          n = 2;
          break;
        case PngForm::Colour::Palette: {
          const uint32_t key = uint32_t{px[0]} | uint32_t{px[1]} << 8 | uint32_t{px[2]} << 16 | uint32_t{px[3]} << 24;
          auto [at, added] = indices.try_emplace(key, static_cast<unsigned>(palette.size()));
          if (added) {
            if (palette.size() > top) return false;
            palette.push_back(png_color{px[2], px[1], px[0]});
            alphas.push_back(px[3]);
          }
          packer.Put(at->second);
          continue;
        }
      }
      for (int k = 0; k < n; ++k) {
        if (form.bits == 16) {
          const unsigned v = samples[static_cast<std::size_t>(k)] * 257u;  // rounds back to the same level
          *out++ = static_cast<uint8_t>(v >> 8);
          *out++ = static_cast<uint8_t>(v & 0xFF);
        } else if (form.bits == 8) {
          *out++ = samples[static_cast<std::size_t>(k)];
        } else {
          packer.Put((samples[static_cast<std::size_t>(k)] * top + 127) / 255);
        }
      }
    }
  }
  return true;
}

// Everything that setjmp guards stays plain: no object with a destructor is
// made between it and a longjmp.
bool WritePng(PngOut& out, const Picture& p, const PngForm& form, std::vector<png_bytep>& rowPointers,
              std::vector<png_color>& palette, std::vector<uint8_t>& alphas) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(out.failed) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, std::clamp(form.compression, 0, 9));
  png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height), form.bits,
               PngColourType(form.colour), form.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (form.colour == PngForm::Colour::Palette) {
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (std::any_of(alphas.begin(), alphas.end(), [](uint8_t a) { return a != 255; })) {
      png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
  }
  png_write_info(png, info);
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// ---------------------------------------------------------------------------
// Radiance HDR

std::array<uint8_t, 4> Rgbe(const float* rgb) {
  auto plain = [](float v) { return std::isnan(v) || v < 0 ? 0.0 : static_cast<double>(v); };
  const double r = plain(rgb[0]), g = plain(rgb[1]), b = plain(rgb[2]);
  const double top = std::max({r, g, b});
  if (top < 1e-32) return {0, 0, 0, 0};
  int e = 0;
  const double m = std::frexp(top, &e);  // top = m 2^e, m in 0.5 .. 1
  if (e > 127) return {255, 255, 255, 255};
  const double scale = m * 256.0 / top;
  auto mantissa = [&](double v) { return static_cast<uint8_t>(std::min(255.0, v * scale)); };
  return {mantissa(r), mantissa(g), mantissa(b), static_cast<uint8_t>(e + 128)};
}

// One channel of a scanline: runs of three or more as (128 + n, byte), the rest
// as (n, n bytes), n at most 127 and 128.
void RunLength(const std::vector<uint8_t>& in, std::string& out) {
  std::size_t i = 0;
  while (i < in.size()) {
    std::size_t run = 1;
    while (i + run < in.size() && run < 127 && in[i + run] == in[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<char>(128 + run));
      out.push_back(static_cast<char>(in[i]));
      i += run;
      continue;
    }
    std::size_t start = i, n = 0;
    while (i < in.size() && n < 128) {
      if (i + 2 < in.size() && in[i] == in[i + 1] && in[i] == in[i + 2]) break;
      ++i;
      ++n;
    }
    out.push_back(static_cast<char>(n));
    out.append(reinterpret_cast<const char*>(in.data() + start), n);
  }
}

}  // namespace

std::string EncodePng(const Picture& picture, const PngForm& form) {
  if (!BitsFit(form) || picture.width <= 0 || picture.height <= 0 || picture.bgra.size() != picture.PixelCount() * 4) {
    return {};
  }
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<uint8_t> alphas;
  if (!PngRows(picture, form, rows, palette, alphas)) return {};
  std::vector<png_bytep> rowPointers;
  rowPointers.reserve(rows.size());
  for (std::vector<uint8_t>& row : rows) rowPointers.push_back(row.data());
  PngOut out;
  if (!WritePng(out, picture, form, rowPointers, palette, alphas)) return {};
  return std::move(out.bytes);
}

std::string EncodeHdr(const FloatPicture& picture, const HdrForm& form) {
  const int W = picture.width, H = picture.height;
  if (W <= 0 || H <= 0 || picture.rgb.size() != picture.PixelCount() * 3) return {};
  std::string out = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(H) + " +X " + std::to_string(W) + "\n";
  // The run-length form holds widths of 8 to 32767 only.
  const bool runLength = form.runLength && W >= 8 && W <= 32767;
  std::array<std::vector<uint8_t>, 4> channels;
  for (auto& channel : channels) channel.resize(static_cast<std::size_t>(W));
  for (int y = H - 1; y >= 0; --y) {
    const float* row = picture.rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(W) * 3;
    for (int x = 0; x < W; ++x) {
      const std::array<uint8_t, 4> rgbe = Rgbe(row + static_cast<std::size_t>(x) * 3);
      if (!runLength) {
        out.append(reinterpret_cast<const char*>(rgbe.data()), 4);
        continue;
      }
      for (std::size_t k = 0; k < 4; ++k) channels[k][static_cast<std::size_t>(x)] = rgbe[k];
    }
    if (!runLength) continue;
    out += {2, 2, static_cast<char>(W >> 8), static_cast<char>(W & 0xFF)};
    for (const auto& channel : channels) RunLength(channel, out);
  }
  return out;
}

}  // namespace sq
