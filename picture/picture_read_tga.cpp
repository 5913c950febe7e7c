// The 32-bit TGA: its pixels are the file's own bytes (blue, green, red, alpha),
// so decoding copies them, rows turned bottom first. The header is checked
// against the file's length before anything is allocated.
#include <algorithm>
#include <cstring>

#include "picture/picture_read.h"

namespace sq {

namespace {

class TgaDecoder final : public PictureDecoder {
 public:
  TgaDecoder(std::span<const uint8_t> bytes, const TgaHeader& fields) : bytes_(bytes) {
    header_.kind = PictureKind::Tga;
    header_.width = static_cast<int16_t>(fields.width);
    header_.height = static_cast<int16_t>(fields.height);
    header_.topDown = fields.TopRowFirst();
    std::copy_n(bytes.begin(), kTgaHeaderSize, frame_.header.begin());
    frame_.imageId.assign(bytes.begin() + kTgaHeaderSize, bytes.begin() + kTgaHeaderSize + fields.idLength);
    // The footer is what follows the pixels, as far as the file goes.
    const std::size_t end = PixelStart() + PixelBytes();
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(end), std::min(kTgaFooterSize, bytes.size() - end),
                frame_.footer.begin());
  }

  std::string Decode(uint8_t* bgra, const LinearEncoder& /*levels*/) override {
    // A few MiB at a time, each run of the file let go once it is copied.
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    const std::size_t rowBytes = static_cast<std::size_t>(header_.width) * 4;
    const int height = header_.height;
    const int pieceRows = static_cast<int>(std::clamp<std::size_t>(kPiece / rowBytes, 1, 1 << 15));
    const uint8_t* from = bytes_.data() + PixelStart();
    for (int row = 0; row < height; row += pieceRows) {
      const int rows = std::min(pieceRows, height - row);
      const std::size_t at = static_cast<std::size_t>(row) * rowBytes;
      if (!header_.topDown) {
        std::memcpy(bgra + at, from + at, static_cast<std::size_t>(rows) * rowBytes);
      } else {
        for (int k = row; k < row + rows; ++k) {
          std::memcpy(bgra + static_cast<std::size_t>(height - 1 - k) * rowBytes,
                      from + static_cast<std::size_t>(k) * rowBytes, rowBytes);
        }
      }
      if (letGo) letGo(PixelStart() + at, static_cast<std::size_t>(rows) * rowBytes);
    }
    return {};
  }

  TgaFrame Frame() const override { return frame_; }

 private:
  std::size_t PixelStart() const { return kTgaHeaderSize + frame_.imageId.size(); }
  std::size_t PixelBytes() const {
    return static_cast<std::size_t>(header_.width) * static_cast<std::size_t>(header_.height) * 4;
  }

  std::span<const uint8_t> bytes_;
  TgaFrame frame_;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenTga(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() < kTgaHeaderSize) {
    error = "shorter than a TGA header";
    return nullptr;
  }
  const TgaHeader fields = ParseTgaHeader(bytes.first<kTgaHeaderSize>());
  const int width = static_cast<int16_t>(fields.width), height = static_cast<int16_t>(fields.height);
  if (fields.imageType != kTgaTrueColour || fields.pixelDepth != 32 || fields.colourMapType != 0) {
    error = "not an uncompressed 32-bit true-colour TGA image without a colour map";
    return nullptr;
  }
  if (width <= 0 || height <= 0) {
    error = "the TGA image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return nullptr;
  }
  // Divided, not multiplied: 32767 x 32767 pixels overflow where sizes are 32 bits.
  const std::size_t after = bytes.size() - kTgaHeaderSize;
  if (after < fields.idLength ||
      (after - fields.idLength) / 4 / static_cast<std::size_t>(width) < static_cast<std::size_t>(height)) {
    error = "the file is shorter than the TGA image's pixels";
    return nullptr;
  }
  return std::make_unique<TgaDecoder>(bytes, fields);
}

}  // namespace sq
