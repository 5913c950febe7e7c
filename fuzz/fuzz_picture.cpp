// Arbitrary bytes read as a picture of any kind with a signature (PNG, JPEG,
// OpenEXR, Radiance HDR): the header read and checked, then, where the bytes
// could hold the pixels at all, every pixel decoded, as levels and as linear
// light. The first byte picks the exposure.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "picture/picture_read.h"
#include "picture/png_common_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  std::string error;
  std::unique_ptr<sq::PictureDecoder> decoder = sq::OpenPicture(bytes, error);
  if (decoder == nullptr) {
    SQFUZZ_CHECK(!error.empty(), "a refused picture without a reason");
    return 0;
  }
  const sq::PictureHeader h = decoder->Header();
  SQFUZZ_CHECK(sq::PictureSizeRefusal(h.width, h.height).empty(), "a picture past the limits was opened");
  // No coding these formats know packs more than about a thousand pixels into a
  // byte; larger claims would only test the allocator.
  const std::size_t pixels = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
  if (pixels > 1024 * size + 4096) return 0;
  std::vector<uint8_t> bgra(pixels * 4);
  const sq::LinearEncoder levels(size > 0 ? (data[0] % 16) - 8.0 : 0.0);
  error = decoder->Decode(bgra.data(), levels);
  // Where the fast path for common PNGs takes the file, libpng alone reads it and gives the same bytes.
  if (std::vector<uint8_t> fast(h.kind == sq::PictureKind::Png ? pixels * 4 : 0);
      !fast.empty() && sq::DecodeCommonPng(bytes, h.width, h.height, fast.data())) {
    std::string why;
    std::unique_ptr<sq::PictureDecoder> libpng = sq::OpenPngWithLibpng(bytes, why);
    SQFUZZ_CHECK(libpng != nullptr && libpng->Decode(bgra.data(), levels).empty() && bgra == fast,
                 "the fast path for PNG and libpng disagree");
  }
  if (h.linear) {
    std::string again;
    std::unique_ptr<sq::PictureDecoder> linear = sq::OpenPicture(bytes, again);
    SQFUZZ_CHECK(linear != nullptr, "a picture opened once but not twice");
    std::vector<float> rgb(pixels * 3);
    again = linear->DecodeLinear(rgb.data());
    SQFUZZ_CHECK(again.empty() == error.empty(), "levels and linear light decoded differently");
  }
  return 0;
}
