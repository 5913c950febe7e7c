// Arbitrary bytes loaded as a TGA image; an accepted image runs the star detector
// and is saved halftoned. The first byte of the input answers the halftone question.
#include <cstdint>
#include <span>
#include <string_view>

#include "builder/modTGA.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();
  const auto input = scratch.In() / "image.tga";
  SQFUZZ_CHECK(sq::WriteFileAtomic(input, std::string_view(reinterpret_cast<const char*>(data), size)).empty(),
               "cannot write the input file");

  QuietPlatform platform(size > 0 && (data[0] & 1) != 0);
  sq::TgaTables tables;
  const sq::TgaLoadResult loaded = sq::LoadTargaImage(input, scratch.Out(), tables, platform);
  if (loaded.status == sq::TgaLoadResult::Status::Loaded) {
    // The image is held once, in about the bytes the file has.
    SQFUZZ_CHECK(tables.tgaFile.size() <= size + sq::kTgaHeaderSize + sq::kTgaFooterSize + 1,
                 "the image buffer is larger than the file");
    SQFUZZ_CHECK(tables.PixelCount() * 4 <= size, "more pixels than the file holds");
    const sq::OutputReport saved = sq::SaveHalftonedImage(tables, "image", scratch.Out());
    SQFUZZ_CHECK(saved.Ok(), "the halftoned image could not be saved");
  } else {
    SQFUZZ_CHECK(tables.PixelCount() == 0, "a refused image left pixels in the tables");
  }
  scratch.CheckContained();
  return 0;
}
