// The OpenEXR reader and writer of a build without the OpenEXR library (the
// page's): an OpenEXR picture is refused with a reason, and none is written.
#include "picture/picture_read.h"
#include "picture/picture_write.h"

namespace sq {

std::unique_ptr<PictureDecoder> OpenExr(std::span<const uint8_t> /*bytes*/, std::string& error) {
  error = "OpenEXR pictures are not read in this build; convert the picture to PNG or Radiance HDR";
  return nullptr;
}

std::string EncodeExr(const FloatPicture& /*picture*/, const ExrForm& /*form*/) { return {}; }

}  // namespace sq
