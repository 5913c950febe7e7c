// PNG files made byte by byte: chunks with their CRCs, image data in stored
// (uncompressed) zlib blocks, so a test decides every byte a decoder sees.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace sqtest {

inline uint32_t PngCrc(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
  }
  return ~c;
}
inline std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
inline std::string PngChunk(const std::string& type, const std::string& data) {
  return Be32(uint32_t(data.size())) + type + data + Be32(PngCrc(type + data));
}
inline const std::string kPngSignature = "\x89PNG\r\n\x1a\n";
inline std::string PngHeader(uint32_t w, uint32_t h, int bits, int colourType, int interlace = 0) {
  return PngChunk("IHDR", Be32(w) + Be32(h) + std::string{char(bits), char(colourType), 0, 0, char(interlace)});
}

// `raw` as a zlib stream of stored blocks; `cmf` is its first byte (0x78: a
// 32 KiB window), the second made to fit it.
inline std::string StoredZlib(const std::string& raw, uint8_t cmf = 0x78) {
  std::string z{char(cmf), char(31 - (cmf * 256) % 31)};
  for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z += char(at + n >= raw.size() ? 1 : 0);
    z += {char(n & 0xFF), char(n >> 8), char(~n & 0xFF), char((~n >> 8) & 0xFF)};
    z += raw.substr(at, n);
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  return z + Be32(b << 16 | a);
}

// A whole PNG of one IDAT chunk holding `raw` (each row's filter byte and bytes).
inline std::string HandPng(uint32_t w, uint32_t h, int bits, int colourType, const std::string& raw) {
  return kPngSignature + PngHeader(w, h, bits, colourType) + PngChunk("IDAT", StoredZlib(raw)) + PngChunk("IEND", "");
}

}  // namespace sqtest
