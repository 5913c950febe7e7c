#include "builder/picture_load.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

#include "hod/file_bytes.h"
#include "picture/picture_read.h"

namespace sq {

namespace {

// What a path holds, from its first bytes and its name.
struct Kind {
  PictureKind decoded = PictureKind::Unknown;
  bool targa = false;  // no signature of ours, and ".tga" in the name
  bool opened = false;
  int error = 0;  // errno when the file could not be opened
};

Kind KindOf(const std::filesystem::path& path) {
  Kind kind;
  std::ifstream in(path, std::ios::binary);
  kind.error = errno;
  std::array<uint8_t, 8> head{};
  if (in) {
    kind.opened = true;
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    kind.decoded = SniffPicture(std::span<const uint8_t>(head.data(), static_cast<std::size_t>(in.gcount())));
  }
  // A TGA has no signature: its name says what it is, as it always has.
  kind.targa = kind.decoded == PictureKind::Unknown && path.string().find(".tga") != std::string::npos;
  return kind;
}

TgaLoadResult Unknown(const std::filesystem::path& path) {
  TgaLoadResult result;
  result.status = TgaLoadResult::Status::Unknown;
  Say(result.messages, MessageWeight::Warning, UnknownPictureText(path));
  return result;
}

// Opens a decoded kind; says "PATH: reason" and returns null when it cannot.
std::unique_ptr<PictureDecoder> Open(const std::filesystem::path& path, std::shared_ptr<const FileBytes>& bytes,
                                     Messages& said) {
  std::string error;
  bytes = FileBytes::Open(path, error);
  std::unique_ptr<PictureDecoder> decoder;
  if (bytes != nullptr) decoder = OpenPicture(bytes->Bytes(), error);
  if (decoder == nullptr) Say(said, MessageWeight::Error, path.string() + ": " + error);
  return decoder;
}

}  // namespace

PictureFileKind KindOfPictureFile(const std::filesystem::path& path) {
  const Kind kind = KindOf(path);
  if (kind.targa) return PictureFileKind::Targa;
  return kind.decoded == PictureKind::Unknown ? PictureFileKind::Unknown : PictureFileKind::Decoded;
}

std::string PictureBaseName(const std::filesystem::path& path) {
  const Kind kind = KindOf(path);
  if (kind.decoded == PictureKind::Unknown) return TgaBaseName(path.string());
  return path.stem().string();
}

std::string UnknownPictureText(const std::filesystem::path& path) {
  const Kind kind = KindOf(path);
  if (!kind.opened) return "Cannot read the picture " + path.string() + ": " + std::strerror(kind.error);
  return path.string() +
         ": not a picture of a kind read here (PNG, JPEG, OpenEXR, Radiance HDR, or a 32-bit TGA whose name holds "
         "\".tga\")";
}

TgaLoadResult LoadSkyImage(const std::filesystem::path& path, OutputFolder& folder, TgaTables& tables,
                           ProgressSink& progress, const FilterQuestion& askFilter, double exposure) {
  const Kind kind = KindOf(path);
  if (kind.targa) return LoadTargaImage(path, folder, tables, progress, askFilter);
  if (kind.decoded == PictureKind::Unknown) return Unknown(path);
  std::shared_ptr<const FileBytes> bytes;
  TgaLoadResult refused;
  std::unique_ptr<PictureDecoder> decoder = Open(path, bytes, refused.messages);
  if (decoder == nullptr) {
    refused.baseName = PictureBaseName(path);
    refused.status = TgaLoadResult::Status::Invalid;
    return refused;
  }
  return LoadDecodedImage(*decoder, LinearEncoder(exposure), path, path.stem().string(), folder, tables, progress,
                          askFilter);
}

TgaLoadResult ReadSkyPicture(const std::filesystem::path& path, TgaTables& tables, ProgressSink& progress,
                             const PictureReadOptions& options) {
  const Kind kind = KindOf(path);
  if (kind.targa) return ReadTargaPicture(path, tables, progress, options);
  if (kind.decoded == PictureKind::Unknown) return Unknown(path);
  std::shared_ptr<const FileBytes> bytes;
  TgaLoadResult refused;
  std::unique_ptr<PictureDecoder> decoder = Open(path, bytes, refused.messages);
  if (decoder == nullptr) {
    refused.baseName = path.stem().string();
    refused.status = TgaLoadResult::Status::Invalid;
    return refused;
  }
  return ReadDecodedPicture(*decoder, LinearEncoder(options.exposure), path, path.stem().string(), tables, progress,
                            options);
}

TgaTables TablesOfPicture(const Picture& picture) {
  TgaTables t;
  t.tgaWidth = picture.width;
  t.tgaHeight = picture.height;
  const std::size_t pixelBytes = t.PixelCount() * 4;
  t.tgaFile.resize(kTgaHeaderSize + pixelBytes + kTgaFooterSize + 1);
  const std::array<uint8_t, kTgaHeaderSize> header = DecodedTgaHeader(picture.width, picture.height);
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
