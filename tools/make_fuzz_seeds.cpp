// Writes the seed inputs of the fuzz targets, made from the same chunk shapes the
// tests compose. Usage: make_fuzz_seeds OUT_DIR   (writes OUT_DIR/<target>/*)
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "output/file_output.h"
#include "picture/picture_write.h"
#include "picture/tga_header.h"
#include "support/sample_files.h"
#include "tools/tool_args.h"

namespace {

bool Write(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string error =
      sq::WriteFileAtomic(folder / name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!error.empty()) std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.c_str());
  return error.empty();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sqsupport;
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_fuzz_seeds OUT_DIR\n"
                                           "Writes the seed inputs of the fuzz targets into OUT_DIR/TARGET/.\n",
                                           1, 1);
  const std::filesystem::path out = args[0];
  bool ok = true;

  const std::filesystem::path hod = out / "fuzz_hod";
  ok &= Write(hod, "background.hod", FullBackgroundHod());
  ok &= Write(hod, "model.hod", FullModelHod());
  ok &= Write(hod, "visual.hod", Bytes().Add(Vers(512)).Add(Form("HVMD", VisualPart())));
  ok &= Write(hod, "detail.hod", Bytes().Add(Vers(512)).Add(Form("DTRM", DetailPart())));
  ok &=
      Write(hod, "bgms-strip.hod", Bytes().Add(Vers(1000)).Add(Form("BGMS", BackgroundMesh(5, 518, {0, 1, 2, 3, 4}))));
  ok &= Write(hod, "bgms-then-stars.hod",
              Bytes().Add(Vers(1000)).Add(Form("BGMS", BackgroundMesh(3, 514, {0, 1, 2}).Add(PointStars(2, 1)))));
  ok &=
      Write(hod, "starmaps.hod", Bytes().Add(Vers(1000)).Add(StarMapForm("B02.tga", 3)).Add(StarMapForm("B03.tga", 0)));
  ok &= Write(hod, "name.hod", Bytes().Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1"))));

  // The round trip needs the writable shape: sixteen mesh chunks, two star maps,
  // sixteen point-star chunks.
  const std::filesystem::path roundTrip = out / "fuzz_roundtrip";
  ok &= Write(roundTrip, "background.hod", FullBackgroundHod());
  Bytes strips;
  for (int m = 0; m < 16; ++m) strips.Add(BackgroundMesh(5 + m % 3, 518, {0, 1, 2, 3, 4}));
  Bytes stripsFile;
  stripsFile.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).Add(Form("BGMS", strips));
  stripsFile.Add(StarMapForm("B02.tga", 0)).Add(StarMapForm("B03.tga", 4));
  for (int s = 0; s < 16; ++s) stripsFile.Add(PointStars(s == 3 ? 5 : 0, s));
  ok &= Write(roundTrip, "strips.hod", stripsFile);
  // Shapes the writer refuses: a mesh chunk or a point-star chunk short.
  ok &= Write(roundTrip, "fifteen-meshes.hod", FullBackgroundHod(15, 16));
  ok &= Write(roundTrip, "fifteen-star-chunks.hod", FullBackgroundHod(16, 15));
  // A mesh chunk of 32768 vertices, one more than 16-bit indices reach (655 KB:
  // replayed whole, cut to the fuzzer's length when fuzzed).
  Bytes wideMeshes;
  wideMeshes.Add(BackgroundMesh(32768, 514, {0, 1, 2}));
  for (int m = 1; m < 16; ++m) wideMeshes.Add(BackgroundMesh(3, 514, {0, 1, 2}));
  Bytes wideFile;
  wideFile.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).Add(Form("BGMS", wideMeshes));
  wideFile.Add(StarMapForm("B02.tga", 0)).Add(StarMapForm("B03.tga", 0));
  for (int s = 0; s < 16; ++s) wideFile.Add(PointStars(0, s));
  ok &= Write(roundTrip, "too-many-vertices.hod", wideFile);

  // Small 32-bit images with a few bright points on a dark sky, rows stored both ways.
  const std::filesystem::path tga = out / "fuzz_tga";
  for (int w : {6, 12, 17}) {
    for (bool topDown : {false, true}) {
      const int h = w / 2 + 3;
      const auto header = sq::EncodeTgaHeader({.imageType = sq::kTgaTrueColour,
                                               .width = static_cast<uint16_t>(w),
                                               .height = static_cast<uint16_t>(h),
                                               .pixelDepth = 32,
                                               .descriptor = static_cast<uint8_t>(8 | (topDown ? 0x20 : 0))});
      Bytes image;
      image.Raw(header.data(), header.size());
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const bool star = (x * 7 + y * 3) % 11 == 0;
          const auto c = static_cast<uint8_t>(star ? (w == 17 ? 200 : 120) : 8 + (x + y) % 5);
          image.Raw({c, c, c, 255});
        }
      }
      image.Zeros(17);
      ok &= Write(tga, "sky" + std::to_string(w) + (topDown ? "t" : "b") + ".tga", image);
    }
  }

  // Star-map textures: 24 and 32 bits, both row orders, one with an image ID and a
  // colour map to skip.
  const std::filesystem::path texture = out / "fuzz_texture";
  for (int depth : {24, 32}) {
    for (bool topDown : {false, true}) {
      const bool extras = depth == 24 && topDown;
      const auto header = sq::EncodeTgaHeader({.idLength = static_cast<uint8_t>(extras ? 3 : 0),
                                               .colourMapType = static_cast<uint8_t>(extras ? 1 : 0),
                                               .imageType = sq::kTgaTrueColour,
                                               .colourMapLength = static_cast<uint16_t>(extras ? 2 : 0),
                                               .colourMapEntryBits = static_cast<uint8_t>(extras ? 24 : 0),
                                               .width = 5,
                                               .height = 3,
                                               .pixelDepth = static_cast<uint8_t>(depth),
                                               .descriptor = static_cast<uint8_t>(topDown ? 0x20 : 0)});
      Bytes image;
      image.Raw(header.data(), header.size());
      if (extras) image.Raw({'i', 'd', '!', 1, 2, 3, 4, 5, 6});
      for (int k = 0; k < 5 * 3; ++k) {
        const auto c = static_cast<uint8_t>(k * 17);
        image.Raw({c, static_cast<uint8_t>(255 - c), static_cast<uint8_t>(k)});
        if (depth == 32) image.Raw({static_cast<uint8_t>(k * 3)});
      }
      ok &= Write(texture, "tex" + std::to_string(depth) + (topDown ? "t" : "b") + ".tga", image);
    }
  }

  // Small pictures of every kind our writers make, in each of their forms.
  const std::filesystem::path picture = out / "fuzz_picture";
  sq::Picture small{9, 5, {}};
  sq::FloatPicture linear{9, 5, {}};
  for (int k = 0; k < 9 * 5; ++k) {
    for (int c = 0; c < 4; ++c) small.bgra.push_back(static_cast<uint8_t>(k * 29 + c * 71));
    for (int c = 0; c < 3; ++c) linear.rgb.push_back(static_cast<float>(k * (c + 1)) / 40.0f);
  }
  auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  using C = sq::PngForm::Colour;
  ok &= Write(picture, "rgb.png", text(sq::EncodePng(small)));
  ok &= Write(picture, "rgba16i.png", text(sq::EncodePng(small, {C::Rgba, 16, true})));
  ok &= Write(picture, "grey2.png", text(sq::EncodePng(small, {C::Grey, 2})));
  ok &= Write(picture, "half.exr", text(sq::EncodeExr(linear)));
  ok &= Write(picture, "float_tiled.exr", text(sq::EncodeExr(linear, {false, true, true, false})));
  sq::FloatPicture wide = linear;  // wide enough for run-length scanlines
  wide.width = 15;
  wide.height = 3;
  ok &= Write(picture, "rle.hdr", text(sq::EncodeHdr(wide)));
  ok &= Write(picture, "flat.hdr", text(sq::EncodeHdr(linear, {false})));

  // Builds: six choice bytes (options; kind, cube, other size, halftone answer,
  // row order, exposure; width, height; the size built at) and a dark sky with
  // single stars, 2 x 2 stars and a few bright spots, in every kind and form.
  const std::filesystem::path build = out / "fuzz_build";
  auto sky = [](int w, int h, int brightness) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const bool single = (x * 7 + y * 3) % 29 == 0;
        const bool block = (x / 2 * 5 + y / 2 * 11) % 37 == 0;
        const auto v = static_cast<uint8_t>(single || block ? brightness - (x % 3) * 20 : 6 + (x + 2 * y) % 7);
        px.insert(px.end(), {v, static_cast<uint8_t>(v * 9 / 10), static_cast<uint8_t>(v * 8 / 10), 255});
      }
    }
    return px;
  };
  struct BuildSeed {
    const char* name;
    uint8_t options, form, coding;
    int width, height, builtWidth, builtHeight, brightness;
  };
  // Option bits: density 0-2, colour average 8, intensity limit 16, capping 32, stars 64 / 128.
  // Form bits: kind 0-1, cube 4, other size 8, answer 16, top down 32, exposure 64 / 128.
  // Coding: PNG colour 0-2 (RGB, RGBA, palette, grey, grey and alpha), bits 3-5 (8, 16,
  // 1, 2, 4), interlaced 64, level 9 128; OpenEXR half 1, alpha 2, tiled 4, ZIP 8; HDR
  // run-length 1.
  const BuildSeed builds[] = {
      {"tga-plain", 1, 64, 0, 64, 32, 6, 6, 120},
      {"tga-top-more", 4 | 8 | 32 | 64, 32 | 64, 0, 40, 20, 6, 6, 126},
      {"tga-bright-filtered", 2 | 16, 16 | 64, 0, 32, 16, 6, 6, 250},
      {"tga-bright-kept", 3 | 128, 64, 0, 30, 18, 6, 6, 250},
      {"png-less", 2 | 16 | 128, 1 | 64, 128, 48, 24, 6, 6, 127},
      {"png-rgba16-interlaced", 1, 1 | 16 | 64, 1 | 8 | 64, 36, 18, 6, 6, 200},
      {"png-grey4", 1, 1 | 64, 3 | 32, 20, 10, 6, 6, 200},
      {"png-palette", 1, 1 | 64, 2, 24, 12, 6, 6, 200},
      {"exr-resized", 1 | 8, 2 | 8 | 16 | 64, 1 | 8, 32, 16, 64, 32, 127},
      {"exr-float-tiled-alpha", 0, 2 | 128, 2 | 4, 34, 17, 6, 6, 127},
      {"hdr-rle", 0 | 32, 3 | 64, 1, 30, 14, 6, 6, 110},
      {"hdr-flat-dark", 1, 3, 0, 26, 13, 6, 6, 90},
      {"cube-tga", 1, 4 | 64, 0, 16, 16, 64, 32, 127},
      {"cube-png", 2 | 64, 1 | 4 | 64, 0, 12, 12, 48, 24, 127},
      {"smallest", 0, 64, 0, 6, 6, 6, 6, 127},
  };
  for (const BuildSeed& b : builds) {
    std::vector<uint8_t> bytes = {b.options,
                                  b.form,
                                  static_cast<uint8_t>(b.width - 6),
                                  static_cast<uint8_t>(b.height - 6),
                                  static_cast<uint8_t>(b.builtWidth - 6),
                                  static_cast<uint8_t>(b.builtHeight - 6),
                                  b.coding,
                                  static_cast<uint8_t>(b.width * 4 + 1)};
    const bool cube = (b.form & 4) != 0;
    for (int face = 0; face < (cube ? 6 : 1); ++face) {
      const auto px = sky(b.width, b.height + face, b.brightness);
      bytes.insert(bytes.end(), px.begin(), px.begin() + static_cast<std::ptrdiff_t>(b.width) * b.height * 4);
    }
    ok &= Write(build, std::string(b.name) + ".bin", bytes);
  }

  // Exports: four choice bytes (format, cube, one face, layers left out, display
  // levels; width; height; the face and the star maps' textures), then a background.
  const std::filesystem::path exports = out / "fuzz_export";
  const struct {
    const char* name;
    std::array<uint8_t, 4> choices;
    bool strips;
  } exportSeeds[] = {
      {"tga.bin", {0, 31, 15, 0}, false},
      {"png-display.bin", {1 | 128, 47, 23, 0}, true},
      {"exr-no-mesh.bin", {2 | 16, 15, 7, 0}, false},
      {"glb.bin", {3, 0, 0, 8 | 16}, false},
      {"glb-strips.bin", {3 | 64, 0, 0, 8}, true},
      {"cube-png.bin", {1 | 4, 7, 0, 0}, false},
      {"cube-face-tga.bin", {0 | 4 | 8, 11, 0, 4}, true},
  };
  for (const auto& e : exportSeeds) {
    Bytes file;
    file.Raw({e.choices[0], e.choices[1], e.choices[2], e.choices[3]});
    file.Add(e.strips ? stripsFile : FullBackgroundHod());
    ok &= Write(exports, e.name, file);
  }

  return ok ? 0 : 1;
}
