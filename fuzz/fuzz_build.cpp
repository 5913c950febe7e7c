// The background builder from a small picture made of the input: the picture
// is written as a file of one of the kinds the builder reads (or as six cube
// faces), built with the options the input picks, and the background must be
// built exactly when its size allows, account for every star found, be
// written (within the writer's limits), walk cleanly, and come out byte for
// byte the same when write-background writes it again. What the values are
// is held to the unit tests and to the bundled sample, built byte for byte.
//
// Input: eight bytes of choices, then the pixels (blue, green, red, alpha a
// pixel, the bottom row first), repeated when the input is shorter than the
// picture.
//   0  options: density (bits 0-2), colour average (3), intensity limit (4),
//      increase capping (5), star amount (6-7)
//   1  form: kind (bits 0-1: TGA, PNG, OpenEXR, HDR), cube map (2), built at
//      another size (3), the halftone answer (4), TGA rows top down (5),
//      exposure (6-7)
//   2  width  6 .. 256        3  height 6 .. 128
//   4  the width built at     5  the height built at (when bit 3 or a cube)
//   6  the file's coding: PNG colour (bits 0-2), bits a sample (3-5),
//      interlaced (6), compression 0 or 9 (7); OpenEXR half (0), alpha (1),
//      tiled (2), compressed (3); HDR run-length (0)
//   7  unused (kept so the corpus keeps its meaning)
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/write_background_command.h"
#include "builder/builder.h"
#include "fuzz/fuzz_support.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "output/file_output.h"
#include "picture/picture_levels.h"
#include "picture/picture_write.h"
#include "picture/tga_header.h"
#include "writer/background_writer.h"

namespace {

constexpr int kMaxWidth = 256, kMaxHeight = 128;
constexpr std::size_t kChoiceBytes = 8;

enum class Kind { Tga, Png, Exr, Hdr };

struct Choices {
  sq::BuildOptions options;
  Kind kind = Kind::Tga;
  bool cube = false, resized = false, filter = false, topDown = false;
  double exposure = 0;
  int width = 0, height = 0, builtWidth = 0, builtHeight = 0;
  uint8_t coding = 0;
};

Choices ReadChoices(const uint8_t* c) {
  Choices k;
  k.options.density = sq::kMeshDensities[(c[0] & 7) % sq::kMeshDensities.size()];
  k.options.colourAverage = (c[0] & 8) != 0;
  k.options.intensityLimit = (c[0] & 16) != 0;
  k.options.increaseCapping = (c[0] & 32) != 0;
  k.options.stars = static_cast<sq::StarAmount>((c[0] >> 6) % 3);
  k.kind = static_cast<Kind>(c[1] & 3);
  k.cube = (c[1] & 4) != 0;
  k.resized = (c[1] & 8) != 0;
  k.filter = (c[1] & 16) != 0;
  k.topDown = (c[1] & 32) != 0;
  k.exposure = (c[1] >> 6) - 1.0;
  k.width = 6 + c[2] % (kMaxWidth - 5);
  k.height = 6 + c[3] % (kMaxHeight - 5);
  k.builtWidth = 6 + c[4] % (kMaxWidth - 5);
  k.builtHeight = 6 + c[5] % (kMaxHeight - 5);
  k.coding = c[6];
  return k;
}

// A width x height picture of the pixel bytes, starting `skip` bytes in and
// repeated as often as needed.
sq::Picture PictureOf(std::span<const uint8_t> pixels, int width, int height, std::size_t skip) {
  sq::Picture p{width, height, {}};
  p.bgra.resize(p.PixelCount() * 4);
  for (std::size_t i = 0; i < p.bgra.size(); ++i) {
    p.bgra[i] = pixels.empty() ? 0 : pixels[(skip + i) % pixels.size()];
  }
  return p;
}

std::string TgaFile(const sq::Picture& p, bool topDown) {
  const auto header = sq::EncodeTgaHeader({.imageType = sq::kTgaTrueColour,
                                           .width = static_cast<uint16_t>(p.width),
                                           .height = static_cast<uint16_t>(p.height),
                                           .pixelDepth = 32,
                                           .descriptor = static_cast<uint8_t>(8 | (topDown ? 0x20 : 0))});
  std::string file(header.begin(), header.end());
  const std::size_t row = static_cast<std::size_t>(p.width) * 4;
  for (int r = 0; r < p.height; ++r) {
    const int stored = topDown ? p.height - 1 - r : r;
    file.append(reinterpret_cast<const char*>(p.bgra.data()) + stored * row, row);
  }
  file.append(17, '\0');
  return file;
}

// The picture as linear light: the levels as sRGB, so a build at exposure 0
// sees about the same sky.
sq::FloatPicture LinearOf(const sq::Picture& p) {
  sq::FloatPicture f{p.width, p.height, {}};
  f.rgb.reserve(p.PixelCount() * 3);
  for (std::size_t i = 0; i < p.PixelCount(); ++i) {
    for (int c = 2; c >= 0; --c) f.rgb.push_back(sq::LinearOfLevel(p.bgra[i * 4 + c]));
  }
  return f;
}

std::filesystem::path WritePicture(const sq::Picture& p, const Choices& k, const std::string& name) {
  const std::filesystem::path folder = sqfuzz::Scratch::Get().In();
  std::filesystem::path path;
  std::string file;
  switch (k.kind) {
    case Kind::Tga:
      path = folder / (name + ".tga");
      file = TgaFile(p, k.topDown);
      break;
    case Kind::Png: {
      path = folder / (name + ".png");
      constexpr std::array<int, 5> kBits = {8, 16, 1, 2, 4};
      const sq::PngForm form{static_cast<sq::PngForm::Colour>((k.coding & 7) % 5), kBits[((k.coding >> 3) & 7) % 5],
                             (k.coding & 64) != 0, (k.coding & 128) != 0 ? 9 : 0};
      file = sq::EncodePng(p, form);
      // A palette too small for the picture, or bits its colour type has not: the plain form.
      if (file.empty()) file = sq::EncodePng(p);
      break;
    }
    case Kind::Exr:
      path = folder / (name + ".exr");
      file = sq::EncodeExr(LinearOf(p),
                           {(k.coding & 1) != 0, (k.coding & 2) != 0, (k.coding & 4) != 0, (k.coding & 8) != 0});
      break;
    case Kind::Hdr:
      path = folder / (name + ".hdr");
      file = sq::EncodeHdr(LinearOf(p), {(k.coding & 1) != 0});
      break;
  }
  SQFUZZ_CHECK(!file.empty(), "a picture of ours could not be encoded");
  SQFUZZ_CHECK(sq::WriteFileAtomic(path, file).empty(), "cannot write the picture file");
  return path;
}

// Every star found is kept or counted as left out, and a list that lost stars
// says so. (What the game's limits allow the writer and the walk check below.)
void CheckStarCounts(const sq::BuiltBackground& built) {
  int64_t kept = 0;
  for (const sq::StarMapChunk& map : built.tables.bgsgTable) kept += map.recordCount;
  for (const sq::PointStarChunk& chunk : built.tables.strfTable) kept += chunk.starCount;
  SQFUZZ_CHECK(kept + built.dropped == built.stars[0] + built.stars[1] + built.stars[2],
               "stars were lost without being counted");
  SQFUZZ_CHECK((built.dropped > 0) == !built.notes.empty(), "stars left out without a note, or a note for none");
}

std::string FileText(const std::filesystem::path& path) {
  std::string error;
  const auto bytes = sq::ReadWholeFile(path, error);
  SQFUZZ_CHECK(bytes.has_value(), "cannot read back " + path.string() + ": " + error);
  return std::string(bytes->begin(), bytes->end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  if (size < kChoiceBytes) return 0;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.In(), ec)) std::filesystem::remove(entry, ec);

  const Choices k = ReadChoices(data);
  const std::span<const uint8_t> pixels(data + kChoiceBytes, size - kChoiceBytes);
  sq::SkySource sky;
  sky.exposure = k.exposure;
  if (k.cube) {
    // Six square faces of one size, each from its own stretch of the pixels.
    const int side = std::min(k.width, k.height);
    for (int f = 0; f < 6; ++f) {
      const std::size_t skip = static_cast<std::size_t>(f) * side * side * 4;
      sky.files.push_back(
          sq::OpenPictureFile(WritePicture(PictureOf(pixels, side, side, skip), k, "face" + std::to_string(f))));
    }
  } else {
    const sq::Picture picture = PictureOf(pixels, k.width, k.height, 0);
    sky.files.push_back(sq::OpenPictureFile(WritePicture(picture, k, "sky")));
  }
  if (k.cube || k.resized) {
    sky.width = k.builtWidth;
    sky.height = k.builtHeight;
  }

  sq::NoProgress progress;
  sq::TgaReadOptions read;
  read.askFilter = [&k](const sq::Messages&) { return k.filter; };
  const sq::BuiltBackground outcome = sq::BuildBackgroundFromSky(sky, k.options, progress, read);
  const int width = sky.width > 0 ? sky.width : k.width, height = sky.height > 0 ? sky.height : k.height;
  const std::string refusal = sq::BuildRefusal(width, height, k.options);
  // Pictures this small fit every density, so only the refusals of the size
  // check may stop a build.
  SQFUZZ_CHECK(outcome.Built() == refusal.empty(), "a build that fits was not made, or one that does not was made");
  if (!outcome.Built()) {
    SQFUZZ_CHECK(outcome.refusal == refusal || outcome.read.status != sq::TgaLoadResult::Status::Loaded,
                 "a refused build gives another reason than the size check's");
    return 0;
  }
  CheckStarCounts(outcome);

  // Written, walked back, and written again by write-background: the same bytes.
  sq::BackgroundWriterTables writer;
  SQFUZZ_CHECK(sq::CopyBackgroundToWriter(outcome.tables, writer).empty(), "the writer refuses a build");
  const std::filesystem::path written = scratch.In() / "built.hod";
  sq::DiskFolder into(scratch.In());
  const sq::HodWriteOutcome writing = sq::WriteBackgroundHod(writer, into, written.filename().string());
  SQFUZZ_CHECK(writing.status == sq::CommandOutcome::Status::Written && writing.messages.empty(),
               "a built background could not be written");
  QuietPlatform quiet;
  const std::string bytes = FileText(written);
  SQFUZZ_CHECK(bytes == sq::SerializeBackgroundHod(writer), "the written file is not the serialised tables");

  sq::Model model;
  const std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const sq::WalkResult walk = sq::WalkHodBytes(view, model);
  SQFUZZ_CHECK(!walk.failed && walk.messages.empty(), "a written background does not walk cleanly: " + walk.reason);

  const sq::WriteBackgroundOutcome again = sq::WriteBackgroundCommand(written, scratch.Out(), quiet);
  SQFUZZ_CHECK(again.status == sq::CommandOutcome::Status::Written && quiet.messages == 0,
               "write-background refuses a built background: " + again.error);
  SQFUZZ_CHECK(FileText(again.outPath) == bytes, "write-background writes other bytes than the build");
  scratch.CheckContained();
  return 0;
}
