#include "background_export/background_export.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>

#include "background_export/gltf_scene.h"
#include "background_export/sky_render.h"
#include "picture/picture_levels.h"
#include "picture/picture_read.h"
#include "picture/picture_write.h"
#include "picture/tga_header.h"

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

// A picture's drawing: band by band into the sink it is given.
using DrawInto = std::function<void(const SkyRenderer::BandSink&)>;

// A width x height picture drawn by `draw`, encoded in a format other than TGA.
std::string EncodedPicture(int width, int height, ExportFormat format, const DrawInto& draw) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bgra.resize(picture.PixelCount() * 4);
  draw(SkyRenderer::SinkInto(picture.bgra));
  return EncodeExportPicture(picture, format);
}

// Writes a TGA of a width x height picture drawn by `draw` into a sink: each
// band of rows goes into the file as it is finished, the TGA's rows being the
// picture's, in its order.
std::string WriteTga(OutputFolder& folder, std::string_view name, int width, int height, const DrawInto& draw) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return folder.ReplaceInParts(name, kTgaHeaderSize + pixels * 4, [&](const OutputFolder::PutPart& put) {
    const auto head = Tga32Header(width, height);
    put(0, std::string_view(reinterpret_cast<const char*>(head.data()), head.size()));
    draw(SkyRenderer::BandSink([&](std::size_t offset, std::span<const uint8_t> bytes) {
      put(kTgaHeaderSize + offset, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }));
  });
}

}  // namespace

std::string EncodeExportPicture(const Picture& picture, ExportFormat format) {
  switch (format) {
    case ExportFormat::Tga:
      return EncodeTga32(picture);
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
  auto wrote = [&](const std::string& fileName, const std::string& error) {
    if (error.empty()) {
      result.written.push_back(folder.PathOf(fileName));
    } else {
      result.failed.push_back(error);
    }
  };
  if (request.format == ExportFormat::Glb) {
    const std::string glb = EncodeGlb(scene, request.layers, request.levels, request.textures);
    if (glb.empty()) {
      result.refusal = "The scene is too large for one glTF file (4 GiB).";
      return result;
    }
    wrote(names[0], folder.Replace(names[0], glb));
    return result;
  }
  const SkyRenderer renderer(scene, request.layers, request.levels);
  if (!renderer.Refusal().empty()) {
    result.refusal = renderer.Refusal();
    return result;
  }
  // Each picture's size and drawing.
  struct Drawing {
    int width, height;
    DrawInto draw;
  };
  std::vector<Drawing> drawings;
  if (!request.cube) {
    drawings.push_back({request.width, request.height, [&](const SkyRenderer::BandSink& sink) {
                          renderer.DrawEquirect(request.width, request.height, sink);
                        }});
  } else {
    for (CubeFace face : kCubeFaces) {
      if (request.face && *request.face != face) continue;
      drawings.push_back(
          {request.faceSize, request.faceSize, [&renderer, &request, face](const SkyRenderer::BandSink& sink) {
             renderer.DrawFace(face, request.faceSize, sink);
           }});
    }
  }
  // A TGA is written as it is drawn; other formats are encoded first, all of
  // them, so a picture that cannot be encoded leaves no file of the set written.
  if (request.format == ExportFormat::Tga) {
    for (std::size_t k = 0; k < drawings.size(); ++k) {
      wrote(names[k], WriteTga(folder, names[k], drawings[k].width, drawings[k].height, drawings[k].draw));
    }
    return result;
  }
  std::vector<std::string> files;
  for (const Drawing& drawing : drawings) {
    files.push_back(EncodedPicture(drawing.width, drawing.height, request.format, drawing.draw));
    if (files.back().empty()) {
      result.refusal = "The picture could not be encoded.";
      return result;
    }
  }
  for (std::size_t k = 0; k < files.size(); ++k) wrote(names[k], folder.Replace(names[k], files[k]));
  return result;
}

}  // namespace sq
