#include "picture/picture_read.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace sq {

PictureKind SniffPicture(std::span<const uint8_t> head) {
  auto starts = [&](std::initializer_list<uint8_t> magic) {
    return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
  };
  if (starts({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) return PictureKind::Png;
  if (starts({0xFF, 0xD8, 0xFF})) return PictureKind::Jpeg;
  if (starts({0x76, 0x2F, 0x31, 0x01})) return PictureKind::Exr;
  if (starts({'#', '?'})) return PictureKind::Hdr;  // "#?RADIANCE", "#?RGBE"
  return PictureKind::Unknown;
}

std::string_view PictureKindName(PictureKind kind) {
  switch (kind) {
    case PictureKind::Png:
      return "PNG";
    case PictureKind::Jpeg:
      return "JPEG";
    case PictureKind::Exr:
      return "OpenEXR";
    case PictureKind::Hdr:
      return "Radiance HDR";
    case PictureKind::Tga:
      return "TGA";
    case PictureKind::Unknown:
      break;
  }
  return "unknown";
}

std::string PictureSizeRefusal(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, which is no picture";
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
           std::to_string(kMaxPictureSide) + " a side and " + std::to_string(kMaxPicturePixels) +
           " pixels in all are read";
  }
  return {};
}

std::string PictureDecoder::DecodeLinear(float* /*rgb*/) {
  return "a " + std::string(PictureKindName(header_.kind)) + " file holds levels, not linear light";
}

TgaFrame PictureDecoder::Frame() const { return {Tga32Header(header_.width, header_.height), {}, {}}; }

std::unique_ptr<PictureDecoder> OpenPicture(std::span<const uint8_t> bytes, std::string& error) {
  std::unique_ptr<PictureDecoder> decoder;
  switch (SniffPicture(bytes)) {
    case PictureKind::Png:
      decoder = OpenPng(bytes, error);
      break;
    case PictureKind::Jpeg:
      decoder = OpenJpeg(bytes, error);
      break;
    case PictureKind::Exr:
      decoder = OpenExr(bytes, error);
      break;
    case PictureKind::Hdr:
      decoder = OpenHdr(bytes, error);
      break;
    case PictureKind::Tga:
    case PictureKind::Unknown:
      error = "not a picture of a kind read here (PNG, JPEG, OpenEXR, Radiance HDR)";
      return nullptr;
  }
  if (decoder == nullptr) return nullptr;
  const PictureHeader& h = decoder->Header();
  error = PictureSizeRefusal(h.width, h.height);
  if (!error.empty()) return nullptr;
  return decoder;
}

std::string ReadPicture(std::span<const uint8_t> bytes, Picture& picture, const LinearEncoder& levels) {
  std::string error;
  std::unique_ptr<PictureDecoder> decoder = OpenPicture(bytes, error);
  if (decoder == nullptr) return error;
  picture.width = decoder->Header().width;
  picture.height = decoder->Header().height;
  picture.bgra.assign(picture.PixelCount() * 4, 0);
  return decoder->Decode(picture.bgra.data(), levels);
}

std::string ReadLinearPicture(std::span<const uint8_t> bytes, FloatPicture& picture) {
  std::string error;
  std::unique_ptr<PictureDecoder> decoder = OpenPicture(bytes, error);
  if (decoder == nullptr) return error;
  picture.width = decoder->Header().width;
  picture.height = decoder->Header().height;
  picture.rgb.assign(decoder->Header().linear ? picture.PixelCount() * 3 : 0, 0.0f);
  return decoder->DecodeLinear(picture.rgb.data());
}

}  // namespace sq
