// PNG through libpng: every colour type and bit depth, interlaced or not,
// expanded to 8-bit blue, green, red, alpha (16-bit samples rounded).
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/picture_read.h"

namespace sq {

namespace {

// libpng reports an error by calling back; the callback jumps back to the
// setjmp of the call that was running, with the message kept here.
struct PngState {
  std::span<const uint8_t> bytes;
  std::size_t at = 0;
  std::jmp_buf failed{};
  char message[128] = {};
};

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message != nullptr ? message : "");
  std::longjmp(state->failed, 1);
}
void PngWarning(png_structp /*png*/, png_const_charp /*message*/) {}  // a warning changes nothing we read

void PngRead(png_structp png, png_bytep data, png_size_t n) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (n > state->bytes.size() - state->at) png_error(png, "the file ends early");
  std::memcpy(data, state->bytes.data() + state->at, n);
  state->at += n;
}

class PngDecoder final : public PictureDecoder {
 public:
  explicit PngDecoder(std::span<const uint8_t> bytes) { state_.bytes = bytes; }
  ~PngDecoder() override { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  std::string ReadHeader() {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state_, PngError, PngWarning);
    if (png_ == nullptr) return "libpng could not start";
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) return "libpng could not start";
    if (setjmp(state_.failed) != 0) return Damaged();
    png_set_read_fn(png_, &state_, PngRead);
#if defined(PNG_IGNORE_ADLER32)
    // Every chunk's CRC already covers the compressed bytes.
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    // The sizes are checked against our limits below, not libpng's.
    png_set_user_limits(png_, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(png_, info_);
    header_.kind = PictureKind::Png;
    header_.width = static_cast<int>(std::min<png_uint_32>(png_get_image_width(png_, info_), 0x7FFFFFFF));
    header_.height = static_cast<int>(std::min<png_uint_32>(png_get_image_height(png_, info_), 0x7FFFFFFF));
    // Deflate packs at most 1032 bytes into one: a file shorter than its rows so
    // packed cannot hold them, and is refused before they are allocated.
    const uint64_t rowBytes =
        (uint64_t{png_get_image_width(png_, info_)} * png_get_channels(png_, info_) * png_get_bit_depth(png_, info_) +
         7) /
        8;
    if ((rowBytes + 1) * png_get_image_height(png_, info_) / 1032 > state_.bytes.size()) {
      return "the PNG file is too short to hold " + std::to_string(header_.width) + " x " +
             std::to_string(header_.height) + " pixels";
    }
    return {};
  }

  std::string Decode(uint8_t* bgra, const LinearEncoder& /*levels*/) override {
    const std::size_t W = static_cast<std::size_t>(header_.width), H = static_cast<std::size_t>(header_.height);
    rows_.resize(H);
    for (std::size_t y = 0; y < H; ++y) rows_[y] = bgra + (H - 1 - y) * W * 4;  // PNG's first row is the top one
    return DecodeRows();
  }

 private:
  std::string Damaged() const { return std::string("the PNG file is damaged: ") + state_.message; }

  std::string DecodeRows() {
    if (setjmp(state_.failed) != 0) return Damaged();
    const int colour = png_get_color_type(png_, info_), bits = png_get_bit_depth(png_, info_);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png_);
    if (colour == PNG_COLOR_TYPE_GRAY && bits < 8) png_set_expand_gray_1_2_4_to_8(png_);
    if (png_get_valid(png_, info_, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png_);
    if (bits == 16) png_set_scale_16(png_);  // round(v * 255 / 65535)
    if ((colour & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);  // alpha 255 where the file has none
    png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    if (png_get_rowbytes(png_, info_) != static_cast<std::size_t>(header_.width) * 4) {
      png_error(png_, "its rows do not expand to four bytes a pixel");
    }
    png_read_image(png_, rows_.data());
    png_read_end(png_, nullptr);
    return {};
  }

  PngState state_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<png_bytep> rows_;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenPng(std::span<const uint8_t> bytes, std::string& error) {
  auto decoder = std::make_unique<PngDecoder>(bytes);
  error = decoder->ReadHeader();
  if (!error.empty()) return nullptr;
  return decoder;
}

}  // namespace sq
