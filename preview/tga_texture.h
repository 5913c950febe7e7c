// The star-map texture files: uncompressed true-colour TGA images, read into
// RGBA rows with the top row first, and written as 32-bit images.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sq {

struct TextureImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, top row first
};

// Accepts image type 2 (uncompressed true colour) with 24 or 32 bits per pixel,
// either row order. Refuses anything else, and files shorter than their pixels,
// with a reason in `error`.
std::optional<TextureImage> DecodeTarga(std::span<const uint8_t> bytes, std::string& error);
std::optional<TextureImage> LoadTextureFile(const std::filesystem::path& path, std::string& error);

// A 32-bit image stored bottom row first, the common TGA order.
std::vector<uint8_t> EncodeTarga32(const TextureImage& image);

}  // namespace sq
