// JPEG through libjpeg-turbo: baseline and progressive, grey and colour, turned
// as its EXIF orientation says.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "picture/picture_read.h"

namespace sq {

namespace {

// libjpeg reports errors through its error manager; ours keeps the message and
// jumps back to the call that was running. Warnings are counted, not printed.
struct JpegErrors {
  jpeg_error_mgr manager{};
  std::jmp_buf failed{};
  char message[JMSG_LENGTH_MAX] = {};
  int damage = 0;  // warnings that mean lost or corrupt data
};

[[noreturn]] void JpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->failed, 1);
}

void JpegMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level >= 0) return;  // trace messages
  // Stray bytes before a marker are skipped and lose nothing; every other
  // warning (the data ends early, a bad code) means the picture is not whole.
  if (info->err->msg_code == JWRN_EXTRANEOUS_DATA) return;
  if (errors->damage++ == 0) (*info->err->format_message)(info, errors->message);
}

void JpegSilent(j_common_ptr /*info*/) {}

uint16_t Get16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}
uint32_t Get32(const uint8_t* p, bool bigEndian) {
  return bigEndian ? uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]
                   : uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// The Orientation tag (0x0112) of an APP1 EXIF block's first directory, 1 to
// 8; 1 (as stored) when there is none or the block is not sound. Every read
// is checked against the block's length.
int ExifOrientation(const uint8_t* data, std::size_t size) {
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size < 6 + 8 || std::memcmp(data, kExif, 6) != 0) return 1;
  const uint8_t* tiff = data + 6;
  const std::size_t n = size - 6;
  bool big = false;
  if (tiff[0] == 'M' && tiff[1] == 'M') {
    big = true;
  } else if (tiff[0] != 'I' || tiff[1] != 'I') {
    return 1;
  }
  if (Get16(tiff + 2, big) != 42) return 1;
  const uint32_t directory = Get32(tiff + 4, big);
  if (directory > n || n - directory < 2) return 1;
  const unsigned entries = Get16(tiff + directory, big);
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t at = directory + 2 + std::size_t{i} * 12;
    if (at + 12 > n) return 1;
    if (Get16(tiff + at, big) != 0x0112) continue;
    const uint16_t type = Get16(tiff + at + 2, big);  // 3: SHORT, its value in the entry's first two bytes
    const uint16_t value = Get16(tiff + at + 8, big);
    return type == 3 && value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

class JpegDecoder final : public PictureDecoder {
 public:
  explicit JpegDecoder(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  ~JpegDecoder() override {
    if (created_) jpeg_destroy_decompress(&info_);
  }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  std::string ReadHeader() {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = JpegError;
    errors_.manager.emit_message = JpegMessage;
    errors_.manager.output_message = JpegSilent;
    if (setjmp(errors_.failed) != 0) return Damaged();
    jpeg_create_decompress(&info_);
    created_ = true;
    jpeg_mem_src(&info_, bytes_.data(), static_cast<unsigned long>(bytes_.size()));
    jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&info_, TRUE);
    if (info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK) {
      return "the JPEG file is in CMYK, which is not read; save it in RGB";
    }
    for (jpeg_saved_marker_ptr m = info_.marker_list; m != nullptr; m = m->next) {
      if (m->marker == JPEG_APP0 + 1) {
        orientation_ = ExifOrientation(m->data, m->data_length);
        if (orientation_ != 1) break;
      }
    }
    // Every 8 x 8 block of the first component takes at least one bit for its DC
    // difference: a shorter file cannot hold its pixels.
    const uint64_t blocks = (uint64_t{info_.image_width} + 7) / 8 * ((uint64_t{info_.image_height} + 7) / 8);
    if (blocks / 8 > bytes_.size()) {
      return "the JPEG file is too short to hold " + std::to_string(info_.image_width) + " x " +
             std::to_string(info_.image_height) + " pixels";
    }
    const bool turned = orientation_ >= 5;  // the stored columns become rows
    header_.kind = PictureKind::Jpeg;
    header_.width = static_cast<int>(std::min<JDIMENSION>(turned ? info_.image_height : info_.image_width, 0x7FFFFFFF));
    header_.height =
        static_cast<int>(std::min<JDIMENSION>(turned ? info_.image_width : info_.image_height, 0x7FFFFFFF));
    return {};
  }

  std::string Decode(uint8_t* bgra, const LinearEncoder& /*levels*/) override {
    const std::size_t W = info_.image_width, H = info_.image_height;
    // As stored, top row first, straight into the picture when nothing turns.
    if (orientation_ != 1) stored_.resize(W * H * 4);
    target_ = bgra;
    std::string error = DecodeRows();
    if (!error.empty() || orientation_ == 1) return error;
    Turn(bgra);
    return {};
  }

 private:
  std::string Damaged() const { return std::string("the JPEG file is damaged: ") + errors_.message; }

  // Row y of the stored picture, counted from its top.
  uint8_t* RowAt(std::size_t y) {
    const std::size_t W = info_.image_width, H = info_.image_height;
    return orientation_ != 1 ? stored_.data() + y * W * 4 : target_ + (H - 1 - y) * W * 4;
  }

  std::string DecodeRows() {
    if (setjmp(errors_.failed) != 0) return Damaged();
    info_.out_color_space = JCS_EXT_BGRA;  // grey too: libjpeg-turbo spreads it over the three
    jpeg_start_decompress(&info_);
    while (info_.output_scanline < info_.output_height) {
      JSAMPROW row = RowAt(info_.output_scanline);
      jpeg_read_scanlines(&info_, &row, 1);
    }
    jpeg_finish_decompress(&info_);
    if (errors_.damage > 0) return Damaged();
    return {};
  }

  // From the stored picture into the shown one, bottom row first. For shown
  // pixel (x, y), y counted from the top, the stored pixel (sx, sy) of EXIF's
  // table, W and H the stored size.
  void Turn(uint8_t* bgra) const {
    const std::size_t W = info_.image_width, H = info_.image_height;
    const std::size_t SW = static_cast<std::size_t>(header_.width), SH = static_cast<std::size_t>(header_.height);
    for (std::size_t y = 0; y < SH; ++y) {
      uint8_t* out = bgra + (SH - 1 - y) * SW * 4;
      for (std::size_t x = 0; x < SW; ++x, out += 4) {
        std::size_t sx = x, sy = y;
        switch (orientation_) {
          case 2:
            sx = W - 1 - x;
            break;
          case 3:
            sx = W - 1 - x, sy = H - 1 - y;
            break;
          case 4:
            sy = H - 1 - y;
            break;
          case 5:
            sx = y, sy = x;
            break;
          case 6:
            sx = y, sy = H - 1 - x;
            break;
          case 7:
            sx = W - 1 - y, sy = H - 1 - x;
            break;
          default:  // 8
            sx = W - 1 - y, sy = x;
            break;
        }
        std::memcpy(out, stored_.data() + (sy * W + sx) * 4, 4);
      }
    }
  }

  std::span<const uint8_t> bytes_;
  jpeg_decompress_struct info_{};
  JpegErrors errors_;
  bool created_ = false;
  int orientation_ = 1;
  std::vector<uint8_t> stored_;
  uint8_t* target_ = nullptr;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenJpeg(std::span<const uint8_t> bytes, std::string& error) {
  auto decoder = std::make_unique<JpegDecoder>(bytes);
  error = decoder->ReadHeader();
  if (!error.empty()) return nullptr;
  return decoder;
}

}  // namespace sq
