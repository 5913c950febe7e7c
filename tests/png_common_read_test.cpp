// The fast path for common PNGs against libpng: every form it takes and every
// filter give libpng's bytes; files with anything unusual about them are
// declined, and reading them gives what libpng alone gives, refusal or picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "picture/picture_read.h"
#include "picture/picture_write.h"
#include "picture/png_common_read.h"
#include "tests/png_kit.h"

namespace {

using namespace sqtest;

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

struct Decoded {
  std::string error;  // "" when decoded
  std::vector<uint8_t> bgra;
  bool operator==(const Decoded&) const = default;
};

// The file read as the program reads it (the fast path first), or by libpng alone.
Decoded Read(const std::string& file, bool libpngOnly) {
  Decoded d;
  auto decoder = libpngOnly ? sq::OpenPngWithLibpng(Bytes(file), d.error) : sq::OpenPng(Bytes(file), d.error);
  if (decoder == nullptr) return d;
  d.bgra.assign(std::size_t(decoder->Header().width) * std::size_t(decoder->Header().height) * 4, 0);
  d.error = decoder->Decode(d.bgra.data(), sq::LinearEncoder());
  if (!d.error.empty()) d.bgra.clear();  // what a refused file leaves behind is nobody's
  return d;
}

// Whether the fast path takes the file (a w x h picture).
bool FastTakes(const std::string& file, int w, int h) {
  std::vector<uint8_t> bgra(std::size_t(w) * std::size_t(h) * 4);
  return sq::DecodeCommonPng(Bytes(file), w, h, bgra.data());
}

// Rows of `rowBytes` bytes each, filtered with `filter` (5: each row's number
// mod 5), each after its filter byte. `bpp` is the bytes a pixel.
std::string Filtered(const std::vector<std::string>& rows, int bpp, int filter) {
  std::string out;
  std::string prior(rows.front().size(), '\0');
  for (std::size_t y = 0; y < rows.size(); ++y) {
    const int f = filter == 5 ? int(y % 5) : filter;
    const std::string& row = rows[y];
    out += char(f);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int a = i >= std::size_t(bpp) ? uint8_t(row[i - bpp]) : 0, b = uint8_t(prior[i]);
      const int c = i >= std::size_t(bpp) ? uint8_t(prior[i - bpp]) : 0;
      const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      const int predicted = f == 0   ? 0
                            : f == 1 ? a
                            : f == 2 ? b
                            : f == 3 ? (a + b) / 2
                                     : (pa <= pb && pa <= pc ? a
                                        : pb <= pc           ? b
                                                             : c);
      out += char(uint8_t(row[i]) - predicted);
    }
    prior = row;
  }
  return out;
}

// Noise rows of a w x h picture of `bpp` bytes a pixel: every other row of three
// levels only, where the Paeth predictor's ties are common.
std::vector<std::string> Noise(int w, int h, int bpp, uint32_t seed) {
  std::vector<std::string> rows(std::size_t(h), std::string(std::size_t(w) * std::size_t(bpp), '\0'));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (char& c : rows[y]) {
      const uint32_t r = (seed = seed * 1664525u + 1013904223u) >> 24;
      c = char(y % 2 == 0 ? r : r % 3 * 100);
    }
  }
  return rows;
}

}  // namespace

// Grey, grey and alpha, RGB and RGBA at 8 and 16 bits, with each filter on every
// row and all five mixed, and files of our writer (compressed, libpng's choice of
// filters): the fast path takes each and gives libpng's bytes.
TEST(PngCommonRead, EveryFormAndFilterGivesLibpngsBytes) {
  const int w = 13, h = 8;
  for (int colour : {0, 2, 4, 6}) {
    for (int bits : {8, 16}) {
      const int bpp = (colour == 0 ? 1 : colour == 4 ? 2 : colour == 2 ? 3 : 4) * bits / 8;
      const auto rows = Noise(w, h, bpp, uint32_t(colour * 100 + bits));
      for (int filter = 0; filter <= 5; ++filter) {
        SCOPED_TRACE("colour " + std::to_string(colour) + " bits " + std::to_string(bits) + " filter " +
                     std::to_string(filter));
        const std::string file = HandPng(w, h, bits, colour, Filtered(rows, bpp, filter));
        EXPECT_TRUE(FastTakes(file, w, h));
        const Decoded fast = Read(file, false);
        EXPECT_EQ(fast.error, "");
        EXPECT_TRUE(fast == Read(file, true));
      }
    }
  }
  sq::Picture p;
  p.width = 97;
  p.height = 61;
  for (std::size_t i = 0; i < p.PixelCount() * 4; ++i) p.bgra.push_back(uint8_t(i * i / 7 % 251 + i % 4));
  using C = sq::PngForm::Colour;
  for (const sq::PngForm form : {sq::PngForm{C::Rgb, 8},
                                 {C::Rgba, 8, false, 9},
                                 {C::Grey, 8, false, 1},
                                 {C::GreyAlpha, 16},
                                 {C::Rgba, 16},
                                 {C::Rgb, 16, false, 0}}) {
    SCOPED_TRACE("written as colour " + std::to_string(int(form.colour)) + " bits " + std::to_string(form.bits));
    const std::string file = sq::EncodePng(p, form);
    EXPECT_TRUE(FastTakes(file, p.width, p.height));
    EXPECT_TRUE(Read(file, false) == Read(file, true));
  }
}

// Whatever the fast path declines, the program reads exactly as libpng alone
// does: the same picture, or the same refusal.
TEST(PngCommonRead, UnusualFilesAreDeclinedAndReadAsLibpngReadsThem) {
  const int w = 40, h = 9;  // RGB, 8 bits
  const std::string raw = Filtered(Noise(w, h, 3, 7), 3, 5), zlib = StoredZlib(raw);
  const std::string header = kPngSignature + PngHeader(w, h, 8, 2), idat = PngChunk("IDAT", zlib);
  const std::string iend = PngChunk("IEND", "");
  const std::string text = PngChunk("tEXt", std::string("Comment\0made here", 17));
  std::string badCrc = header + idat + iend;
  badCrc[header.size() + idat.size() - 1] ^= 1;
  std::string badAncillaryCrc = header + text + idat + iend;
  badAncillaryCrc[header.size() + text.size() - 1] ^= 1;
  std::string badFilter = raw, badAdler = zlib;
  badFilter[(3 * w + 1) * 4] = 5;
  badAdler.back() ^= 1;
  const std::string cut = raw.substr(0, raw.size() - (3 * w + 1)), extra = raw + raw.substr(0, 3 * w + 1);
  const std::string half1 = zlib.substr(0, 100), half2 = zlib.substr(100);
  // A 256-byte window (0x08) names too small a window for these rows; zlib may refuse references past it.
  const std::string smallWindow = StoredZlib(raw, 0x08);
  const std::string tiny =
      kPngSignature + PngHeader(2, 2, 8, 0) + PngChunk("IDAT", StoredZlib({0, 1, 2, 1, 3, 4}, 0x08));

  const struct {
    std::string name, file;
    bool fast;  // the fast path takes it
  } cases[] = {
      {"plain", header + idat + iend, true},
      {"ancillary chunks and a suggested palette before the data",
       header + text + PngChunk("PLTE", "abc") + idat + iend, true},
      {"the data in three chunks, one empty",
       header + PngChunk("IDAT", half1) + PngChunk("IDAT", "") + PngChunk("IDAT", half2) + iend, true},
      {"a small window that holds all the output", tiny + iend, true},
      {"a data chunk's CRC", badCrc, false},
      {"an ancillary chunk's CRC", badAncillaryCrc, false},
      {"a chunk after the data", header + idat + text + iend, false},
      {"a chunk between data chunks", header + PngChunk("IDAT", half1) + text + PngChunk("IDAT", half2) + iend, false},
      {"an unknown critical chunk after the data", header + idat + PngChunk("WHAT", "x") + iend, false},
      {"no IEND", header + idat, false},
      {"IEND with data", header + idat + PngChunk("IEND", "x"), false},
      {"bytes after IEND", header + idat + iend + "more", false},
      {"a row short", header + PngChunk("IDAT", StoredZlib(cut)) + iend, false},
      {"a row too many", header + PngChunk("IDAT", StoredZlib(extra)) + iend, false},
      {"bytes after the zlib stream", header + PngChunk("IDAT", zlib + "zz") + iend, false},
      {"filter type 5", header + PngChunk("IDAT", StoredZlib(badFilter)) + iend, false},
      {"a wrong Adler-32", header + PngChunk("IDAT", badAdler) + iend, false},
      {"a window smaller than the rows", header + PngChunk("IDAT", smallWindow) + iend, false},
      {"a transparent colour", header + PngChunk("tRNS", std::string(6, '\0')) + idat + iend, false},
      {"interlaced", kPngSignature + PngHeader(w, h, 8, 2, 1) + idat + iend, false},
      {"4-bit grey", kPngSignature + PngHeader(w * 6, h, 4, 0) + idat + iend, false},
      {"a palette picture",
       kPngSignature + PngHeader(w * 3, h, 8, 3) + PngChunk("PLTE", std::string(768, 'p')) + idat + iend, false},
  };
  int read = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded reference = Read(c.file, true);
    const int fw = c.file.size() > 24 ? uint8_t(c.file[18]) << 8 | uint8_t(c.file[19]) : 0;
    const int fh = c.file.size() > 24 ? uint8_t(c.file[22]) << 8 | uint8_t(c.file[23]) : 0;
    EXPECT_EQ(FastTakes(c.file, fw, fh), c.fast);
    EXPECT_EQ(Read(c.file, false), reference);
    read += reference.error.empty();
  }
  // Both outcomes are among the declined: pictures libpng reads and files it refuses.
  EXPECT_GT(read, 4);
  EXPECT_LT(read, int(std::size(cases)));
}
