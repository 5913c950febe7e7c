#include "preview/tga_texture.h"

#include "hod/file_bytes.h"
#include "picture/tga_header.h"

namespace sq {

std::optional<TextureImage> DecodeTarga(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() < kTgaHeaderSize) {
    error = "shorter than a TGA header";
    return std::nullopt;
  }
  const TgaHeader header = ParseTgaHeader(bytes.first<kTgaHeaderSize>());
  const int width = header.width;
  const int height = header.height;
  const int depth = header.pixelDepth;
  const bool topFirst = header.TopRowFirst();
  if (header.imageType != kTgaTrueColour) {
    error = "not an uncompressed true-colour TGA image";
    return std::nullopt;
  }
  if (depth != 24 && depth != 32) {
    error = "not 24 or 32 bits per pixel";
    return std::nullopt;
  }
  if (width == 0 || height == 0) {
    error = "an empty image";
    return std::nullopt;
  }
  const std::size_t start = kTgaHeaderSize + header.idLength + header.ColourMapBytes();
  const std::size_t pixelBytes = static_cast<std::size_t>(depth / 8);
  const std::size_t need = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * pixelBytes;
  if (start > bytes.size() || bytes.size() - start < need) {
    error = "shorter than its pixels";
    return std::nullopt;
  }
  TextureImage image;
  image.width = width;
  image.height = height;
  image.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int row = 0; row < height; ++row) {
    const int target = topFirst ? row : height - 1 - row;
    for (int col = 0; col < width; ++col) {
      const std::size_t src =
          start + (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(col)) *
                      pixelBytes;
      uint8_t* dst = &image.rgba[(static_cast<std::size_t>(target) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(col)) *
                                 4];
      dst[0] = bytes[src + 2];  // stored blue, green, red, alpha
      dst[1] = bytes[src + 1];
      dst[2] = bytes[src + 0];
      dst[3] = depth == 32 ? bytes[src + 3] : 255;
    }
  }
  return image;
}

std::optional<TextureImage> LoadTextureFile(const std::filesystem::path& path, std::string& error) {
  auto bytes = ReadWholeFile(path, error);
  if (!bytes) return std::nullopt;
  return DecodeTarga(*bytes, error);
}

std::vector<uint8_t> EncodeTarga32(const TextureImage& image) {
  // The program's 32-bit TGA: blue, green, red, alpha, the bottom row first.
  Picture picture{image.width, image.height, {}};
  picture.bgra.resize(picture.PixelCount() * 4);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (int row = 1; row <= image.height; ++row) {
    const uint8_t* p = image.rgba.data() + static_cast<std::size_t>(image.height - row) * rowBytes;
    uint8_t* q = picture.Pixel(1, row);
    for (std::size_t i = 0; i < rowBytes; i += 4)
      q[i] = p[i + 2], q[i + 1] = p[i + 1], q[i + 2] = p[i], q[i + 3] = p[i + 3];
  }
  const std::string bytes = EncodeTga32(picture);
  return {bytes.begin(), bytes.end()};
}

}  // namespace sq
