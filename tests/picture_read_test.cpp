// Picture files read back as written (PNG, OpenEXR and Radiance HDR through our writers, 16-bit samples through a PNG
// made here byte by byte), the levels of linear light, the refusals, and JPEG files as ImageMagick reads them.
#include <gtest/gtest.h>

#include <cmath>

#include "picture/picture_levels.h"
#include "picture/picture_read.h"
#include "picture/picture_write.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

// A PNG of one IDAT chunk holding `raw` (each row's filter byte and bytes) in stored zlib blocks, made byte by byte so
// that the test decides every byte.
std::string HandPng(uint32_t w, uint32_t h, int bits, int colourType, const std::string& raw) {
  auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  auto chunk = [&](const std::string& type, const std::string& data) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : type + data) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return be32(uint32_t(data.size())) + type + data + be32(~c);
  };
  std::string z = "\x78\x01";  // a 32 KiB window; the pair a multiple of 31
  for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z += {char(at + n >= raw.size()), char(n), char(n >> 8), char(~n), char(~n >> 8)};
    z += raw.substr(at, n);
  }
  uint32_t a = 1, b = 0;  // Adler-32
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  return "\x89PNG\r\n\x1a\n" + chunk("IHDR", be32(w) + be32(h) + std::string{char(bits), char(colourType), 0, 0, 0}) +
         chunk("IDAT", z + be32(b << 16 | a)) + chunk("IEND", "");
}

// A picture of w x h whose channels run through many levels, alpha through `alphaLevels`.
sq::Picture Varied(int w, int h, int alphaLevels = 1) {
  sq::Picture p{w, h, std::vector<uint8_t>(std::size_t(w) * std::size_t(h) * 4)};
  uint32_t state = 12345;
  for (std::size_t i = 0; i < p.bgra.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    p.bgra[i] = i % 4 == 3 ? uint8_t(255 - (state >> 24) % alphaLevels) : uint8_t(state >> 24);
  }
  return p;
}

// The same picture with its colours made grey (the mean of the three, rounded) or not, held to `levels` levels a
// channel, made opaque or not.
sq::Picture Made(sq::Picture p, bool grey, int levels, bool opaque) {
  for (std::size_t i = 0; i < p.bgra.size(); i += 4) {
    if (grey) p.bgra[i] = p.bgra[i + 1] = p.bgra[i + 2] = uint8_t((p.bgra[i] + p.bgra[i + 1] + p.bgra[i + 2] + 1) / 3);
    for (std::size_t k = i; k < i + 3; ++k) p.bgra[k] = uint8_t(p.bgra[k] * (levels - 1) / 255 * 255 / (levels - 1));
    if (opaque) p.bgra[i + 3] = 255;
  }
  return p;
}

sq::Picture Read(const std::string& file) {
  sq::Picture p;
  EXPECT_EQ(sq::ReadPicture(AsBytes(file), p), "");
  return p;
}

void Convert(const TempDir& dir, const std::vector<std::string>& args) {
  const ProcessResult r = RunProgram(CONVERT_EXE, args, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
}

// The largest difference of any byte of two pictures of one size.
int Largest(const sq::Picture& a, const sq::Picture& b) {
  EXPECT_EQ(std::tie(a.width, a.height), std::tie(b.width, b.height));
  if (a.bgra.size() != b.bgra.size()) return 256;
  int d = 0;
  for (std::size_t i = 0; i < a.bgra.size(); ++i) d = std::max(d, std::abs(a.bgra[i] - b.bgra[i]));
  return d;
}

// An APP1 EXIF block of one Orientation entry, in either byte order, put behind the JPEG's start marker.
std::string WithOrientation(const std::string& jpeg, int orientation, bool bigEndian) {
  auto u16 = [&](int v) {
    return bigEndian ? std::string{char(v >> 8), char(v & 0xFF)} : std::string{char(v & 0xFF), char(v >> 8)};
  };
  auto u32 = [&](int v) { return bigEndian ? u16(v >> 16) + u16(v & 0xFFFF) : u16(v & 0xFFFF) + u16(v >> 16); };
  const std::string tiff = (bigEndian ? "MM" : "II") + u16(42) + u32(8) + u16(1) + u16(0x0112) + u16(3) + u32(1) +
                           u16(orientation) + u16(0) + u32(0);
  const std::string exif = std::string("Exif\0\0", 6) + tiff;
  const int length = int(exif.size()) + 2;
  return jpeg.substr(0, 2) + "\xFF\xE1" + std::string{char(length >> 8), char(length & 0xFF)} + exif + jpeg.substr(2);
}

}  // namespace
// Grey forms come back as their grey, fewer bits as their levels, 16 bits rounded back.
TEST(PictureRead, EveryPngFormComesBackAsWrittenSixteenBitSamplesRoundedToTheNearestLevel) {
  const sq::Picture p = Varied(37, 23, 3);
  using C = sq::PngForm::Colour;
  struct Row {
    sq::PngForm form;
    sq::Picture expected;
  };
  const sq::Picture fewColours = Made(p, false, 4, false);  // 64 colours, 3 alphas: a palette of at most 192
  const sq::Picture opaque = Made(p, false, 256, true), grey = Made(p, true, 256, true);
  const Row rows[] = {
      {{C::Rgb, 8}, opaque},
      {{C::Rgba, 8}, p},
      {{C::Rgb, 16}, opaque},
      {{C::Rgba, 16, true}, p},
      {{C::Rgb, 8, true, 9}, opaque},
      {{C::Palette, 8}, fewColours},
      {{C::Palette, 8, true}, fewColours},
      {{C::Palette, 2}, Made(p, true, 2, true)},  // four entries at most
      {{C::Grey, 8}, grey},
      {{C::Grey, 16}, grey},
      {{C::Grey, 4}, Made(p, true, 16, true)},
      {{C::Grey, 1, true}, Made(p, true, 2, true)},
      {{C::GreyAlpha, 8}, Made(p, true, 256, false)},
      {{C::GreyAlpha, 16, true}, Made(p, true, 256, false)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("colour " + std::to_string(int(row.form.colour)) + " bits " + std::to_string(row.form.bits) +
                 (row.form.interlaced ? " interlaced" : ""));
    // Forms of few levels are written from pictures of their levels.
    const sq::Picture source = row.form.colour == C::Palette || row.form.bits < 8 ? row.expected : p;
    const sq::Picture back = Read(sq::EncodePng(source, row.form));
    EXPECT_EQ(std::tie(back.width, back.height), std::tie(p.width, p.height));
    EXPECT_TRUE(back.bgra == row.expected.bgra);
  }
  EXPECT_EQ(sq::EncodePng(p, {C::Palette, 8}), "");  // more colours than a palette holds
  // libpng's reduction of 16-bit samples is round(v * 255 / 65535) for all 65536.
  std::string raw;
  for (int y = 0; y < 256; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < 256; ++x) raw += {char(y), char(x)};
  }
  const sq::Picture sixteen = Read(HandPng(256, 256, 16, 0, raw));
  ASSERT_EQ(sixteen.PixelCount(), 65536u);
  int wrong = 0;
  for (int v = 0; v < 65536; ++v) {
    const uint8_t* px = sixteen.Pixel(v % 256 + 1, 256 - v / 256);  // the file's first row is the top one
    const auto expected = uint8_t(std::lround(v * 255.0 / 65535.0));
    wrong += px[0] != expected || px[1] != expected || px[2] != expected || px[3] != 255;
    wrong += sq::LevelOf16(uint16_t(v)) != expected;
  }
  EXPECT_EQ(wrong, 0);
}

// The inverse of the encoding is exact, also through an OpenEXR half and the HDR's shared exponent where the light is
// not dark; exposure is a factor.
TEST(PictureLevels, LinearValuesOfLevelsComeBackAsTheirLevelsThroughEveryExrAndHdrFormAndRowOrder) {
  const sq::LinearEncoder plain, brighter(1), darker(-2.5);
  for (int l = 0; l < 256; ++l) {
    const float v = sq::LinearOfLevel(uint8_t(l));
    EXPECT_EQ(std::tuple(plain.Level(v), brighter.Level(v / 2), darker.Level(v * std::exp2(2.5f))),
              std::tuple(uint8_t(l), uint8_t(l), uint8_t(l)));
  }
  EXPECT_EQ(std::tuple(plain.Level(-1.0f), plain.Level(std::nanf("")), plain.Level(1e30f)),
            std::tuple(uint8_t{0}, uint8_t{0}, uint8_t{255}));
  EXPECT_EQ(plain.Level(0.0031308f), std::lround(255 * 0.0031308 * 12.92));  // where the curve's two parts meet
  EXPECT_EQ(plain.Level(0.5f), std::lround(255 * (1.055 * std::pow(0.5, 1 / 2.4) - 0.055)));
  // 16 x 16 pixels: level l of every channel at pixel l (blue, green, red turned).
  sq::FloatPicture linear{16, 16, {}};
  for (int i = 0; i < 256 * 3; ++i) linear.rgb.push_back(sq::LinearOfLevel(uint8_t((i / 3 + 85 * (i % 3)) % 256)));
  const struct {
    std::string name, file;
    int slack;  // levels of the darkest pixels the HDR's shared exponent may take
  } files[] = {
      {"exr half", sq::EncodeExr(linear), 0},
      {"exr float tiled rgba", sq::EncodeExr(linear, {false, true, true, true}), 0},
      {"exr half tiled uncompressed", sq::EncodeExr(linear, {true, false, true, false}), 0},
      {"hdr run-length", sq::EncodeHdr(linear), 4},
      {"hdr flat", sq::EncodeHdr(linear, {false}), 4},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const sq::Picture p = Read(f.file);
    ASSERT_EQ(p.PixelCount(), 256u);
    for (int l = 0; l < 256; ++l) {
      for (int k = 0; k < 3; ++k) {
        const int level = (l + 85 * k) % 256, got = p.bgra[std::size_t(l) * 4 + 2 - std::size_t(k)];
        // The largest channel of an RGBE pixel keeps 8 bits; the others less.
        const int slack = level >= 64 ? std::min(f.slack, 1) : f.slack;
        EXPECT_LE(std::abs(got - level), slack) << "pixel " << l << " channel " << k;
      }
    }
  }
  // Flat and run-length scanlines, and an HDR stored bottom row first, read the same; rows of 300 take runs and
  // stretches of more than a count byte holds.
  sq::FloatPicture f{300, 3, {}};
  for (int i = 0; i < 900; ++i) f.rgb.insert(f.rgb.end(), {0.01f * (i % 7), 0.2f, i < 450 ? 1.5f : 0.0f});
  sq::FloatPicture a, b, c;
  ASSERT_EQ(sq::ReadLinearPicture(AsBytes(sq::EncodeHdr(f)), a), "");
  ASSERT_EQ(sq::ReadLinearPicture(AsBytes(sq::EncodeHdr(f, {false})), b), "");
  std::string bottomFirst = sq::EncodeHdr(f, {false});
  const std::size_t line = bottomFirst.find("-Y 3 +X 300\n"), row = 300 * 4, pixels = line + 12;
  bottomFirst.replace(line, 1, "+");
  std::string rows = bottomFirst.substr(pixels);
  for (int r = 0; r < 3; ++r) bottomFirst.replace(pixels + r * row, row, rows.substr((2 - r) * row, row));
  ASSERT_EQ(sq::ReadLinearPicture(AsBytes(bottomFirst), c), "");
  EXPECT_TRUE(a.rgb == b.rgb && a.rgb == c.rgb);
  // A channel keeps the bits its pixel's largest leaves it: within 1/256 of that.
  for (std::size_t i = 0; i < f.rgb.size(); ++i) EXPECT_NEAR(a.rgb[i], f.rgb[i], 1.5 / 256) << i;
}

// Each refusal says why, in one line, before a pixel is allocated where the header decides. OpenEXR: the library reads
// most attribute types by their own layout, whatever the size field says; a size that disagrees with the type would
// have it read the rest of the header from elsewhere than our check of it. Such a header is refused; the types kept by
// their size, sized soundly, still read. A tile the library would allocate beyond the limit is refused before it opens
// the file.
TEST(PictureRead, RefusalsSayWhyAndExrHeadersAreCheckedBeforeTheLibrarySizesAnything) {
  const sq::FloatPicture f{64, 32, std::vector<float>(64 * 32 * 3, 0.25f)};
  const std::string png = sq::EncodePng(Varied(64, 32)), exr = sq::EncodeExr(f), hdr = sq::EncodeHdr(f);
  const std::string hdrHeader = hdr.substr(0, hdr.find("-Y"));
  std::string multiPart = exr;  // the multi-part flag (0x1000) in the version field
  multiPart[5] = char(multiPart[5] | 0x10);
  // A 40-byte attribute name, past the 31 read without the long-names flag; its size of 1.8 GB would be taken as a
  // later attribute's.
  const std::string longName = exr.substr(0, 8) + std::string(40, 'n') + '\0' + "opaque" + '\0' +
                               std::string{0, 0, 0, char(0x70)} + exr.substr(8);
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto read32 = [](const std::string& s, std::size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
  };
  // The header's end: past the attributes (name, type, size, value) and the empty name.
  std::size_t headerEnd = 8;
  while (exr[headerEnd] != 0) {
    headerEnd = exr.find('\0', exr.find('\0', headerEnd) + 1) + 1;
    headerEnd += 4 + read32(exr, headerEnd);
  }
  ++headerEnd;
  // An attribute put first in the header, the chunk offsets after it moved on by its length.
  auto with = [&](const std::string& name, const std::string& type, uint32_t size, const std::string& value) {
    const std::string attribute = name + '\0' + type + '\0' + le32(size) + value;
    std::string file = exr.substr(0, 8) + attribute + exr.substr(8);
    const std::size_t table = headerEnd + attribute.size(), chunks = (read32(exr, headerEnd) - headerEnd) / 8;
    for (std::size_t c = 0; c < chunks; ++c)
      file.replace(table + 8 * c, 4, le32(read32(exr, headerEnd + 8 * c) + uint32_t(attribute.size())));
    return file;
  };
  // The channel list's size 4 past its channels, the 4 bytes after it 1.8 GB as the size the library reads next.
  std::string longList = exr;
  const std::size_t sizeAt = longList.find("chlist") + 7;
  const uint32_t listSize = read32(longList, sizeAt);
  longList.replace(sizeAt, 4, le32(listSize + 4));
  longList.insert(sizeAt + 4 + listSize, std::string{0, 0, 0, char(0x70)});
  // Tiles of 65536 x 1024 pixels: one tile, which the library would allocate whole (384 MiB of halves) on opening.
  std::string hugeTile = sq::EncodeExr(f, {true, false, true, true});
  hugeTile.replace(hugeTile.find("tiledesc") + 9 + 4, 8, le32(1u << 16) + le32(1u << 10));
  const std::string refused = "the OpenEXR file's header is damaged: an attribute's size does not fit its type";
  const std::string tooLarge =
      "the OpenEXR file's blocks of samples are too large (at most 32 MiB a tile or run of scanlines is read)";
  const struct {
    std::string name, file, reason;
    bool whole = false;  // the reason whole, else a part of it
  } cases[] = {
      {"no kind", "P6\n64 32\n255\n", "not a picture of a kind read here"},
      {"empty", "", "not a picture of a kind read here"},
      {"png cut short", png.substr(0, png.size() / 2), "the PNG file is damaged"},
      {"png cut in its header", png.substr(0, 20), "the PNG file is damaged"},
      {"png too wide", HandPng(16385, 1, 8, 0, ""), "16385 x 1 pixels; at most 16384 a side"},
      {"png too tall", HandPng(1, 20000, 8, 0, ""), "1 x 20000 pixels; at most 16384 a side"},
      {"exr cut short", exr.substr(0, exr.size() - 40), "the OpenEXR file is damaged"},
      {"exr header cut", exr.substr(0, 30), "the OpenEXR file's header is cut short"},
      {"exr multi-part", multiPart, "only a flat single-part image is read"},
      {"exr long name", longName, "the OpenEXR file's header is cut short or damaged"},
      {"hdr cut short", hdr.substr(0, hdr.size() - 10), "the Radiance HDR file ends before its pixels do"},
      {"hdr too large", hdrHeader + "-Y 16384 +X 16385\n", "16385 x 16384 pixels"},
      {"png a mile of nothing", HandPng(16384, 16384, 16, 6, ""), "too short to hold 16384 x 16384 pixels"},
      {"hdr a mile of nothing", hdrHeader + "-Y 9000 +X 9000\n\2\2\x23\x28", "too short to hold 9000 x 9000"},
      {"hdr xyz", "#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 1 +X 1\n\1\1\1\1", "holds 32-bit_rle_xyze"},
      {"hdr turned", hdrHeader + "+X 32 -Y 64\n", "is not read"},
      {"tile of 65536 x 1024", hugeTile, tooLarge, true},
      {"channel list longer than its channels", longList, refused, true},
      {"box2i of 17 bytes", with("area", "box2i", 17, std::string(17, '\0')), refused, true},
      {"float of 2 bytes", with("gain", "float", 2, "ab"), refused, true},
      {"preview larger than its pixels", with("thumb", "preview", 12, le32(1000) + le32(1000) + "abcd"), refused, true},
      {"string vector past its end", with("notes", "stringvector", 8, le32(9) + "abcd"), refused, true},
      {"float vector of 6 bytes", with("curve", "floatvector", 6, "abcdef"), refused, true},
      {"preview of 1 x 1", with("thumb", "preview", 12, le32(1) + le32(1) + "abcd"), "", true},
      {"string vector", with("notes", "stringvector", 11, le32(3) + "abc" + le32(0)), "", true},
      {"float vector", with("curve", "floatvector", 8, "abcdefgh"), "", true},
      {"unknown type of any size", with("ours", "sometype", 3, "xyz"), "", true},
      {"string", with("owner", "string", 5, "sky 1"), "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sq::Picture out;
    const std::string reason = sq::ReadPicture(AsBytes(c.file), out);
    if (c.whole) {
      EXPECT_EQ(reason, c.reason);
      EXPECT_EQ(out.PixelCount(), c.reason.empty() ? 2048u : 0u);
    } else {
      EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
    EXPECT_EQ(reason.find('\n'), std::string::npos);
  }
  EXPECT_EQ(sq::PictureSizeRefusal(16384, 16384), "");  // 2^28 pixels: the most that is read
}

TEST(ForeignPictures, JpegsReadAndTurnAsImageMagickReadsAndTurnsThem) {
  TempDir dir;
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {(dir / "sky.tga").string(), "256", "128"}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string sky = (dir / "sky.tga").string();
  Convert(dir, {sky, "-quality", "95", (dir / "base.jpg").string()});
  Convert(dir, {sky, "-quality", "95", "-interlace", "Plane", (dir / "progressive.jpg").string()});
  Convert(dir, {sky, "-colorspace", "Gray", "-quality", "90", (dir / "grey.jpg").string()});
  for (const std::string name : {"base", "progressive", "grey"}) {
    Convert(dir, {(dir / (name + ".jpg")).string(), "-type", "TrueColorAlpha", (dir / (name + ".png")).string()});
    const sq::Picture ours = Read(ReadText(dir / (name + ".jpg")));
    EXPECT_LE(Largest(ours, Read(ReadText(dir / (name + ".png")))), 1) << name;
    EXPECT_EQ(ours.width, 256);
  }
  const sq::Picture grey = Read(ReadText(dir / "grey.jpg"));
  for (std::size_t i = 0; i < grey.bgra.size(); i += 4)
    ASSERT_TRUE(grey.bgra[i] == grey.bgra[i + 1] && grey.bgra[i] == grey.bgra[i + 2]) << i;
  // A progressive file decodes to what its baseline twin does, near enough.
  EXPECT_LE(Largest(Read(ReadText(dir / "progressive.jpg")), Read(ReadText(dir / "base.jpg"))), 2);
  // Every EXIF orientation turns the picture as -auto-orient turns it.
  sq::Picture p{48, 20, std::vector<uint8_t>(48 * 20 * 4)};
  for (int r = 1; r <= 20; ++r) {
    for (int c = 1; c <= 48; ++c) {
      uint8_t* px = p.Pixel(c, r);
      px[0] = uint8_t(5 * c), px[1] = uint8_t(12 * r), px[2] = uint8_t(c < 10 && r > 15 ? 250 : 20), px[3] = 255;
    }
  }
  WriteText(dir / "plain.png", sq::EncodePng(p));
  Convert(dir, {(dir / "plain.png").string(), "-quality", "95", (dir / "plain.jpg").string()});
  const std::string plain = ReadText(dir / "plain.jpg");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    WriteText(dir / "turned.jpg", WithOrientation(plain, orientation, orientation % 2 == 0));
    Convert(dir,
            {(dir / "turned.jpg").string(), "-auto-orient", "-type", "TrueColorAlpha", (dir / "upright.png").string()});
    const sq::Picture ours = Read(ReadText(dir / "turned.jpg"));
    EXPECT_EQ(ours.width, orientation >= 5 ? 20 : 48);
    EXPECT_LE(Largest(ours, Read(ReadText(dir / "upright.png"))), 1);
  }
}
