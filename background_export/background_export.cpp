#include "background_export/background_export.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "background_export/gltf_scene.h"
#include "background_export/sky_render.h"
#include "hod/tga_header.h"
#include "picture/picture_levels.h"
#include "picture/picture_read.h"
#include "picture/picture_write.h"

namespace sq {

std::optional<ExportFormat> ExportFormatOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string ext(fileName.substr(dot + 1));
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == "tga") return ExportFormat::Tga;
  if (ext == "png") return ExportFormat::Png;
  if (ext == "exr") return ExportFormat::Exr;
  if (ext == "glb") return ExportFormat::Glb;
  return std::nullopt;
}

std::string ExportRequestRefusal(const ExportRequest& request) {
  if (request.format == ExportFormat::Glb && request.cube) return "A glTF scene is one file: it has no cube faces.";
  if (request.face && !request.cube) return "A face is chosen only among the six of a cube.";
  if (request.cube) {
    if (request.faceSize < 1 || request.faceSize > kMaxPictureSide) {
      return "A cube face is 1 to " + std::to_string(kMaxPictureSide) + " pixels on a side.";
    }
    return PictureSizeRefusal(request.faceSize, request.faceSize);
  }
  if (request.format == ExportFormat::Glb) return {};
  if (request.width < 1 || request.height < 1) return "A picture is at least 1 x 1 pixels.";
  return PictureSizeRefusal(request.width, request.height);
}

std::vector<std::string> ExportFileNames(std::string_view name, const ExportRequest& request) {
  if (!request.cube) return {std::string(name)};
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot), ext = name.substr(dot);
  std::vector<std::string> names;
  for (CubeFace face : kCubeFaces) {
    if (request.face && *request.face != face) continue;
    names.push_back(std::string(stem) + "_" + CubeFaceSuffix(face) + std::string(ext));
  }
  return names;
}

namespace {

// A file's bytes: encoded (a PNG, an EXR, a glTF scene), or a TGA drawn in
// place, whose pixels are left unset until drawn.
class ExportFile {
 public:
  explicit ExportFile(std::string encoded) : encoded_(std::move(encoded)) {}
  explicit ExportFile(std::size_t size) : drawn_(new char[size]), size_(size) {}
  char* Data() { return drawn_.get(); }
  std::string_view Bytes() const { return drawn_ ? std::string_view(drawn_.get(), size_) : std::string_view(encoded_); }

 private:
  std::string encoded_;
  std::unique_ptr<char[]> drawn_;
  std::size_t size_ = 0;
};

std::array<uint8_t, kTgaHeaderSize> TgaHeaderOf(int width, int height) {
  TgaHeader header;
  header.imageType = kTgaTrueColour;
  header.width = static_cast<uint16_t>(width);
  header.height = static_cast<uint16_t>(height);
  header.pixelDepth = 32;
  header.descriptor = 8;  // eight alpha bits, the bottom row first
  return EncodeTgaHeader(header);
}

// The file of a picture drawn by `draw` into width x height BGRA pixels: a TGA
// is drawn straight into the file's bytes.
template <class Draw>
ExportFile ExportPicture(int width, int height, ExportFormat format, const Draw& draw) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (format == ExportFormat::Tga) {
    ExportFile file(kTgaHeaderSize + pixels * 4);
    const auto head = TgaHeaderOf(width, height);
    std::memcpy(file.Data(), head.data(), head.size());
    draw(std::span<uint8_t>(reinterpret_cast<uint8_t*>(file.Data()) + kTgaHeaderSize, pixels * 4));
    return file;
  }
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.resize(pixels * 4);
  draw(std::span<uint8_t>(picture.bgra));
  return ExportFile(EncodeExportPicture(picture, format));
}

}  // namespace

std::string EncodeExportPicture(const Picture& picture, ExportFormat format) {
  switch (format) {
    case ExportFormat::Tga: {
      const auto head = TgaHeaderOf(picture.width, picture.height);
      std::string bytes(head.begin(), head.end());
      bytes.append(reinterpret_cast<const char*>(picture.bgra.data()), picture.bgra.size());
      return bytes;
    }
    case ExportFormat::Png:
      return EncodePng(picture, PngForm{});
    case ExportFormat::Exr: {
      FloatPicture linear;
      linear.width = picture.width;
      linear.height = picture.height;
      linear.rgb.resize(picture.PixelCount() * 3);
      std::array<float, 256> of{};
      for (int level = 0; level < 256; ++level)
        of[static_cast<std::size_t>(level)] = LinearOfLevel(static_cast<uint8_t>(level));
      for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
        const uint8_t* p = picture.bgra.data() + i * 4;
        linear.rgb[i * 3] = of[p[2]];
        linear.rgb[i * 3 + 1] = of[p[1]];
        linear.rgb[i * 3 + 2] = of[p[0]];
      }
      return EncodeExr(linear, ExrForm{});
    }
    case ExportFormat::Glb:
      break;
  }
  return {};
}

ExportResult ExportBackground(const SkyScene& scene, const ExportRequest& request, std::string_view name,
                              OutputFolder& folder) {
  ExportResult result;
  result.refusal = ExportRequestRefusal(request);
  if (!result.refusal.empty()) return result;

  const std::vector<std::string> names = ExportFileNames(name, request);
  std::vector<ExportFile> files;
  if (request.format == ExportFormat::Glb) {
    files.emplace_back(EncodeGlb(scene, request.layers, request.levels, request.textures));
  } else {
    const SkyRenderer renderer(scene, request.layers, request.levels);
    if (!renderer.Refusal().empty()) {
      result.refusal = renderer.Refusal();
      return result;
    }
    if (!request.cube) {
      files.push_back(ExportPicture(request.width, request.height, request.format, [&](std::span<uint8_t> bgra) {
        renderer.DrawEquirect(request.width, request.height, bgra);
      }));
    } else {
      for (CubeFace face : kCubeFaces) {
        if (request.face && *request.face != face) continue;
        files.push_back(ExportPicture(request.faceSize, request.faceSize, request.format, [&](std::span<uint8_t> bgra) {
          renderer.DrawFace(face, request.faceSize, bgra);
        }));
      }
    }
  }
  for (const ExportFile& file : files) {
    if (file.Bytes().empty()) {
      result.refusal = request.format == ExportFormat::Glb ? "The scene is too large for one glTF file (4 GiB)."
                                                           : "The picture could not be encoded.";
      return result;
    }
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    const std::string error = folder.Replace(names[k], files[k].Bytes());
    if (error.empty()) {
      result.written.push_back(folder.PathOf(names[k]));
    } else {
      result.failed.push_back(error);
    }
  }
  return result;
}

}  // namespace sq
