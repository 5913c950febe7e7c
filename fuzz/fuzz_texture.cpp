// Arbitrary bytes decoded as a star-map texture. An accepted image holds exactly
// its pixels, and writing it back and decoding that gives the same pixels.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "preview/tga_texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string error;
  const auto image = sq::DecodeTarga(std::span<const uint8_t>(data, size), error);
  if (!image) {
    SQFUZZ_CHECK(!error.empty(), "a refused texture gave no reason");
    return 0;
  }
  const std::size_t pixels = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
  SQFUZZ_CHECK(image->width > 0 && image->height > 0, "an accepted texture is empty");
  SQFUZZ_CHECK(image->rgba.size() == pixels * 4, "the pixel buffer does not match the size");
  SQFUZZ_CHECK(pixels * 3 <= size, "more pixels than the file holds");

  const std::vector<uint8_t> written = sq::EncodeTarga32(*image);
  const auto again = sq::DecodeTarga(written, error);
  SQFUZZ_CHECK(again.has_value(), "a written texture cannot be read back");
  SQFUZZ_CHECK(again->width == image->width && again->height == image->height && again->rgba == image->rgba,
               "a written texture reads back different");
  return 0;
}
