// The 18-byte header in front of every TGA image, its numbers little-endian: read
// and written here for the builder, the preview's textures, the export, our tools
// and tests; and the one kind of TGA the program makes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace sq {

inline constexpr std::size_t kTgaHeaderSize = 18;
inline constexpr uint8_t kTgaTrueColour = 2;       // uncompressed true-colour pixels
inline constexpr std::size_t kTgaFooterSize = 17;  // what follows the pixels and is kept: 16 bytes of text and one

struct TgaHeader {
  uint8_t idLength = 0;  // the image-ID field behind the header
  uint8_t colourMapType = 0;
  uint8_t imageType = 0;
  uint16_t colourMapLength = 0;  // entries
  uint8_t colourMapEntryBits = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelDepth = 0;  // bits per pixel
  uint8_t descriptor = 0;  // bits 0-3 the alpha bits; bit 5 set: top row first

  bool TopRowFirst() const { return (descriptor & 0x20) != 0; }
  // The bytes of the colour map between the image-ID field and the pixels.
  std::size_t ColourMapBytes() const {
    return colourMapType == 1 ? std::size_t{colourMapLength} * ((std::size_t{colourMapEntryBits} + 7) / 8) : 0;
  }
};

// The bytes a TGA holds around its pixels, kept so that a save writes them back
// as they were read.
struct TgaFrame {
  std::array<uint8_t, kTgaHeaderSize> header{};
  std::vector<uint8_t> imageId;                  // header byte 0 long
  std::array<uint8_t, kTgaFooterSize> footer{};  // zeros where the file ended early
};

// The header's fields; the first colour-map entry and the image origin are
// not kept.
TgaHeader ParseTgaHeader(std::span<const uint8_t, kTgaHeaderSize> bytes);
// The header's bytes, the fields TgaHeader does not keep zero.
std::array<uint8_t, kTgaHeaderSize> EncodeTgaHeader(const TgaHeader& header);

// The header of every TGA the program makes: uncompressed true colour, 32 bits
// a pixel with eight of alpha, the bottom row first, no image ID.
std::array<uint8_t, kTgaHeaderSize> Tga32Header(int width, int height);
// A picture as such a TGA: the header, then its pixels as they stand.
std::string EncodeTga32(const Picture& picture);

}  // namespace sq
