// Arbitrary bytes read as a picture of any kind with a signature (PNG, JPEG,
// OpenEXR, Radiance HDR): the header read and checked, then, where the bytes
// could hold the pixels at all, every pixel decoded, as levels and as linear
// light (which only OpenEXR and HDR hold). The first byte picks the exposure.
// A picture that decodes, and a sixteenth of those refused, are then loaded
// from a file as the builder loads a sky, the star detector running on what it
// accepts.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "builder/picture_load.h"
#include "fuzz/fuzz_support.h"
#include "output/file_output.h"
#include "picture/picture_read.h"

namespace {

// The builder's load of the same bytes from a file: it accepts exactly what
// decoded, holds the picture's size, and refuses the rest with a message.
void LoadAsSky(std::span<const uint8_t> bytes, double exposure, bool decoded, int width, int height) {
  using namespace sqfuzz;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();
  const auto path = scratch.In() / "sky";
  SQFUZZ_CHECK(
      sq::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())).empty(),
      "cannot write the input file");
  sq::NoProgress progress;
  sq::TgaTables tables;
  sq::DiskFolder out(scratch.Out());
  const sq::TgaLoadResult loaded = sq::LoadSkyImage(sq::OpenPictureFile(path), out, tables, progress, {}, exposure);
  if (decoded) {
    SQFUZZ_CHECK(loaded.status == sq::TgaLoadResult::Status::Loaded && loaded.baseName == "sky",
                 "a decoded picture was not loaded");
    SQFUZZ_CHECK(tables.tgaWidth == width && tables.tgaHeight == height, "the loaded picture has another size");
  } else {
    SQFUZZ_CHECK(
        loaded.status != sq::TgaLoadResult::Status::Loaded && loaded.messages.size() == 1 && tables.PixelCount() == 0,
        "a refused picture was loaded, or refused without one message");
  }
  scratch.CheckContained();
}

// Pictures up to this many pixels are decoded, and up to kLoadedPixels go on
// to the builder's load.
constexpr std::size_t kDecodedPixels = std::size_t{1} << 22;
constexpr std::size_t kLoadedPixels = std::size_t{1} << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const double exposure = size > 0 ? (data[0] % 16) - 8.0 : 0.0;
  std::string error;
  std::unique_ptr<sq::PictureDecoder> decoder = sq::OpenPicture(bytes, error);
  if (decoder == nullptr) {
    SQFUZZ_CHECK(!error.empty(), "a refused picture without a reason");
    if (size > 0 && data[0] % 16 == 0) LoadAsSky(bytes, exposure, false, 0, 0);
    return 0;
  }
  const sq::PictureHeader h = decoder->Header();
  SQFUZZ_CHECK(sq::PictureSizeRefusal(h.width, h.height).empty(), "a picture past the limits was opened");
  // No coding these formats know packs more than about a thousand pixels into a
  // byte; larger claims, and pictures whose floats pass the fuzzer's limit of
  // one allocation, would only test the allocator.
  const std::size_t pixels = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
  if (pixels > 1024 * size + 4096 || pixels > kDecodedPixels) return 0;
  sq::Picture levels;
  error = sq::ReadPicture(bytes, levels, sq::LinearEncoder(exposure));
  SQFUZZ_CHECK(levels.width == h.width && levels.height == h.height && levels.bgra.size() == pixels * 4,
               "the decoded picture has another size than its header");
  sq::FloatPicture linear;
  const std::string again = sq::ReadLinearPicture(bytes, linear);
  if (h.linear) {
    SQFUZZ_CHECK(again.empty() == error.empty(), "levels and linear light decoded differently");
    SQFUZZ_CHECK(linear.rgb.size() == pixels * 3, "the linear picture has another size than its header");
  } else {
    SQFUZZ_CHECK(!again.empty(), "a picture of levels read as linear light");
  }
  if (pixels <= kLoadedPixels) LoadAsSky(bytes, exposure, error.empty(), h.width, h.height);
  return 0;
}
