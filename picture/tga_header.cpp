#include "picture/tga_header.h"

namespace sq {

namespace {

uint16_t U16At(std::span<const uint8_t, kTgaHeaderSize> bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void PutU16(std::array<uint8_t, kTgaHeaderSize>& bytes, std::size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

TgaHeader ParseTgaHeader(std::span<const uint8_t, kTgaHeaderSize> bytes) {
  TgaHeader h;
  h.idLength = bytes[0];
  h.colourMapType = bytes[1];
  h.imageType = bytes[2];
  h.colourMapLength = U16At(bytes, 5);
  h.colourMapEntryBits = bytes[7];
  h.width = U16At(bytes, 12);
  h.height = U16At(bytes, 14);
  h.pixelDepth = bytes[16];
  h.descriptor = bytes[17];
  return h;
}

std::array<uint8_t, kTgaHeaderSize> EncodeTgaHeader(const TgaHeader& header) {
  std::array<uint8_t, kTgaHeaderSize> bytes{};
  bytes[0] = header.idLength;
  bytes[1] = header.colourMapType;
  bytes[2] = header.imageType;
  PutU16(bytes, 5, header.colourMapLength);
  bytes[7] = header.colourMapEntryBits;
  PutU16(bytes, 12, header.width);
  PutU16(bytes, 14, header.height);
  bytes[16] = header.pixelDepth;
  bytes[17] = header.descriptor;
  return bytes;
}

std::array<uint8_t, kTgaHeaderSize> Tga32Header(int width, int height) {
  return EncodeTgaHeader({.imageType = kTgaTrueColour,
                          .width = static_cast<uint16_t>(width),
                          .height = static_cast<uint16_t>(height),
                          .pixelDepth = 32,
                          .descriptor = 8});
}

std::string EncodeTga32(const Picture& picture) {
  const std::array<uint8_t, kTgaHeaderSize> header = Tga32Header(picture.width, picture.height);
  std::string bytes(header.begin(), header.end());
  bytes.append(reinterpret_cast<const char*>(picture.bgra.data()), picture.bgra.size());
  return bytes;
}

}  // namespace sq
