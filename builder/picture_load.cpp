#include "builder/picture_load.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "hod/file_bytes.h"
#include "picture/picture_read.h"

namespace sq {

namespace {

// A file of no kind read, or a TGA that could not be read: refused, the tables unchanged.
std::optional<TgaLoadResult> Refusal(const PictureFile& file) {
  TgaLoadResult result;
  if (file.kind == PictureFileKind::Unknown) {
    result.status = TgaLoadResult::Status::Unknown;
    Say(result.messages, MessageWeight::Warning, file.refusal);
    return result;
  }
  if (file.bytes == nullptr) {  // a TGA by its name
    result.status = TgaLoadResult::Status::Unreadable;
    result.baseName = file.baseName;
    Say(result.messages, MessageWeight::Error, "Cannot read the TGA image " + file.name);
    return result;
  }
  return std::nullopt;
}

// Opens a decoded kind; says "NAME: reason" and returns null when it cannot.
std::unique_ptr<PictureDecoder> Open(const PictureFile& file, Messages& said) {
  std::string error;
  std::unique_ptr<PictureDecoder> decoder = OpenPicture(file.bytes->Bytes(), error);
  if (decoder == nullptr) Say(said, MessageWeight::Error, file.name + ": " + error);
  return decoder;
}

}  // namespace

std::string UnknownPictureText(std::string_view name) {
  return std::string(name) +
         ": not a picture of a kind read here (PNG, JPEG, OpenEXR, Radiance HDR, or a 32-bit TGA whose name holds "
         "\".tga\")";
}

PictureFile LookAtPicture(std::shared_ptr<const FileBytes> bytes) {
  PictureFile file;
  file.name = bytes->Name();
  const std::span<const uint8_t> all = bytes->Bytes();
  const PictureKind decoded = SniffPicture(all.first(std::min<std::size_t>(all.size(), 8)));
  file.bytes = std::move(bytes);
  if (decoded != PictureKind::Unknown) {
    file.kind = PictureFileKind::Decoded;
    file.baseName = std::filesystem::path(file.name).stem().string();
    return file;
  }
  // A TGA has no signature: its name says what it is, as it always has.
  file.kind = file.name.find(".tga") != std::string::npos ? PictureFileKind::Targa : PictureFileKind::Unknown;
  file.baseName = TgaBaseName(file.name);
  if (file.kind == PictureFileKind::Unknown) file.refusal = UnknownPictureText(file.name);
  return file;
}

PictureFile OpenPictureFile(const std::filesystem::path& path) {
  std::string error;
  errno = 0;
  std::shared_ptr<const FileBytes> bytes = FileBytes::Open(path, error);
  if (bytes != nullptr) return LookAtPicture(std::move(bytes));
  const int reason = errno;
  PictureFile file;
  file.name = path.string();
  file.baseName = TgaBaseName(file.name);
  file.kind = file.name.find(".tga") != std::string::npos ? PictureFileKind::Targa : PictureFileKind::Unknown;
  // A folder opens but does not read: it is no picture, as a file of no kind is not.
  if (file.kind == PictureFileKind::Unknown) {
    file.refusal = reason == EISDIR ? UnknownPictureText(file.name)
                                    : "Cannot read the picture " + file.name + ": " + std::strerror(reason);
  }
  return file;
}

TgaLoadResult LoadSkyImage(const PictureFile& file, OutputFolder& folder, TgaTables& tables, ProgressSink& progress,
                           const FilterQuestion& askFilter, double exposure) {
  if (std::optional<TgaLoadResult> refused = Refusal(file)) return std::move(*refused);
  if (file.kind == PictureFileKind::Targa) return LoadTargaImage(*file.bytes, folder, tables, progress, askFilter);
  TgaLoadResult refused;
  std::unique_ptr<PictureDecoder> decoder = Open(file, refused.messages);
  if (decoder == nullptr) {
    refused.baseName = file.baseName;
    refused.status = TgaLoadResult::Status::Invalid;
    return refused;
  }
  return LoadDecodedImage(*decoder, LinearEncoder(exposure), file.name, file.baseName, folder, tables, progress,
                          askFilter);
}

TgaLoadResult ReadSkyPicture(const PictureFile& file, TgaTables& tables, ProgressSink& progress,
                             const PictureReadOptions& options) {
  if (std::optional<TgaLoadResult> refused = Refusal(file)) return std::move(*refused);
  if (file.kind == PictureFileKind::Targa) return ReadTargaPicture(*file.bytes, tables, progress, options);
  TgaLoadResult refused;
  std::unique_ptr<PictureDecoder> decoder = Open(file, refused.messages);
  if (decoder == nullptr) {
    refused.baseName = file.baseName;
    refused.status = TgaLoadResult::Status::Invalid;
    return refused;
  }
  return ReadDecodedPicture(*decoder, LinearEncoder(options.exposure), file.name, file.baseName, tables, progress,
                            options);
}

TgaTables TablesOfPicture(const Picture& picture) {
  TgaTables t;
  t.tgaWidth = picture.width;
  t.tgaHeight = picture.height;
  const std::size_t pixelBytes = t.PixelCount() * 4;
  t.tgaFile.resize(kTgaHeaderSize + pixelBytes + kTgaFooterSize + 1);
  const std::array<uint8_t, kTgaHeaderSize> header = Tga32Header(picture.width, picture.height);
  std::copy(header.begin(), header.end(), t.tgaFile.begin());
  std::copy_n(picture.bgra.begin(), pixelBytes, t.tgaFile.begin() + kTgaHeaderSize);
  std::fill(t.tgaFile.begin() + static_cast<std::ptrdiff_t>(kTgaHeaderSize + pixelBytes), t.tgaFile.end(), 0);
  t.intensitySum.resize(t.PixelCount());
  for (std::size_t i = 0; i < t.PixelCount(); ++i) {
    const uint8_t* p = picture.bgra.data() + i * 4;
    t.intensitySum[i] = static_cast<int16_t>(p[0] + p[1] + p[2]);
  }
  t.contrastMask.SizeClear(t.tgaWidth, t.tgaHeight);
  return t;
}

Picture PictureOfTables(const TgaTables& tables) {
  Picture p;
  p.width = tables.tgaWidth;
  p.height = tables.tgaHeight;
  const std::span<const uint8_t> pixels = tables.tgaPixels();
  p.bgra.assign(pixels.begin(), pixels.end());
  return p;
}

}  // namespace sq
