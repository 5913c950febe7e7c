// A background from bytes exported: the bytes after the first four are walked as a HOD file, and what its preview would
// show is drawn into a small picture or cube faces, or made a glTF scene, into memory. A written picture must read back
// at the size asked for; a written .glb must parse back: its header and chunks, its JSON, and every accessor inside its
// buffer with indices inside their positions.
//
// Input: four bytes of choices, then the HOD file.
//   0  format (bits 0-1: TGA, PNG, OpenEXR, glTF), cube (2), one face only (3),
//      layers left out (4: mesh, 5: star maps, 6: point stars), display levels (7)
//   1  width 1 .. 64 (a cube face's side)      2  height 1 .. 32
//   3  the face (bits 0-2), textures for the star maps (3, 4)
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "background_export/background_export.h"
#include "fuzz/fuzz_support.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "picture/picture_read.h"
#include "preview/tga_texture.h"

namespace {

constexpr std::size_t kChoiceBytes = 4;

uint32_t Le32(const std::string& s, std::size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}

// The bytes an accessor's element takes, or 0 for a type glTF has not.
std::size_t ElementBytes(const nlohmann::json& accessor) {
  const int component = accessor.at("componentType").get<int>();
  const std::size_t size = component == 5126 || component == 5125 ? 4 : component == 5123 || component == 5122 ? 2 : 1;
  const std::string type = accessor.at("type").get<std::string>();
  const std::size_t count = type == "SCALAR" ? 1 : type == "VEC2" ? 2 : type == "VEC3" ? 3 : type == "VEC4" ? 4 : 0;
  return size * count;
}

// The .glb read back as a glTF reader would: the 12-byte header, a JSON chunk and a BIN chunk, each accessor's bytes
// inside its view and each view inside the buffer, every index naming a position.
void CheckGlb(const std::string& glb) {
  SQFUZZ_CHECK(glb.size() >= 20 && glb.compare(0, 4, "glTF") == 0 && Le32(glb, 4) == 2 && Le32(glb, 8) == glb.size(),
               "a .glb header that does not give its version 2 and its length");
  const std::size_t jsonLength = Le32(glb, 12);
  SQFUZZ_CHECK(Le32(glb, 16) == 0x4E4F534A && jsonLength % 4 == 0 && jsonLength <= glb.size() - 20,
               "a .glb whose first chunk is not its JSON");
  const nlohmann::json gltf = nlohmann::json::parse(glb.substr(20, jsonLength), nullptr, false);
  SQFUZZ_CHECK(!gltf.is_discarded() && gltf.at("asset").at("version") == "2.0", "a .glb's JSON does not parse");
  std::string bin;
  const std::size_t binAt = 20 + jsonLength;
  if (binAt < glb.size()) {
    SQFUZZ_CHECK(glb.size() - binAt >= 8 && Le32(glb, binAt + 4) == 0x004E4942, "a .glb's second chunk is not BIN");
    const std::size_t binLength = Le32(glb, binAt);
    SQFUZZ_CHECK(binLength % 4 == 0 && binLength == glb.size() - binAt - 8, "a .glb's BIN chunk has another length");
    bin = glb.substr(binAt + 8, binLength);
  }
  if (gltf.contains("buffers")) {
    SQFUZZ_CHECK(gltf["buffers"].size() == 1 && gltf["buffers"][0].at("byteLength").get<std::size_t>() <= bin.size(),
                 "a .glb buffer longer than its BIN chunk");
  }
  const nlohmann::json views = gltf.value("bufferViews", nlohmann::json::array());
  for (const auto& view : views) {
    const std::size_t offset = view.value("byteOffset", std::size_t{0}), length = view.at("byteLength");
    SQFUZZ_CHECK(offset <= bin.size() && length <= bin.size() - offset, "a buffer view past its buffer");
  }
  const nlohmann::json accessors = gltf.value("accessors", nlohmann::json::array());
  for (const auto& accessor : accessors) {
    const std::size_t view = accessor.at("bufferView"), count = accessor.at("count"), element = ElementBytes(accessor);
    SQFUZZ_CHECK(view < views.size() && element > 0, "an accessor of no view or of a type glTF has not");
    const std::size_t offset = accessor.value("byteOffset", std::size_t{0});
    const std::size_t stride = views[view].value("byteStride", element);
    SQFUZZ_CHECK(
        count == 0 || offset + (count - 1) * stride + element <= views[view].at("byteLength").get<std::size_t>(),
        "an accessor past its buffer view");
  }
  auto viewBytes = [&](std::size_t a) {
    const nlohmann::json& accessor = accessors.at(a);
    const nlohmann::json& view = views.at(accessor.at("bufferView").get<std::size_t>());
    return bin.data() + view.value("byteOffset", std::size_t{0}) + accessor.value("byteOffset", std::size_t{0});
  };
  for (const auto& mesh : gltf.value("meshes", nlohmann::json::array())) {
    for (const auto& primitive : mesh.at("primitives")) {
      const std::size_t position = primitive.at("attributes").at("POSITION"),
                        vertices = accessors.at(position).at("count");
      for (std::size_t v = 0; v < vertices * 3; ++v) {
        float f;
        std::memcpy(&f, viewBytes(position) + v * 4, 4);
        SQFUZZ_CHECK(std::isfinite(f), "a .glb position that is no number");
      }
      if (!primitive.contains("indices")) continue;
      const std::size_t indices = primitive["indices"], count = accessors.at(indices).at("count");
      const std::size_t width = accessors.at(indices).at("componentType") == 5125 ? 4 : 2;  // as the scene writes them
      for (std::size_t i = 0; i < count; ++i) {
        uint32_t index = 0;
        std::memcpy(&index, viewBytes(indices) + i * width, width);  // little-endian, as the machine
        SQFUZZ_CHECK(index < vertices, "a .glb index past its positions");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  if (size < kChoiceBytes) return 0;
  sq::Model model;
  if (sq::WalkHodBytes(std::span(data + kChoiceBytes, size - kChoiceBytes), model).failed) return 0;
  const sq::SkyScene scene = sq::SceneOfModel(model);

  sq::ExportRequest request;
  request.format = static_cast<sq::ExportFormat>(data[0] & 3);
  request.cube = (data[0] & 4) != 0;
  if ((data[0] & 8) != 0) request.face = sq::kCubeFaces[(data[3] & 7) % 6];
  request.layers = {(data[0] & 16) == 0, (data[0] & 32) == 0, (data[0] & 64) == 0};
  request.levels = (data[0] & 128) != 0 ? sq::SceneLevels::Display : sq::SceneLevels::Stored;
  request.width = request.faceSize = 1 + data[1] % 64;
  request.height = 1 + data[2] % 32;
  for (int slot = 0; slot < 2; ++slot) {
    if ((data[3] & (8 << slot)) == 0) continue;
    sq::TextureImage texture{2 + slot, 2, {}};
    for (int k = 0; k < texture.width * texture.height * 4; ++k) texture.rgba.push_back(static_cast<uint8_t>(k * 37));
    request.textures[static_cast<std::size_t>(slot)] = texture;
  }

  static constexpr const char* kNames[] = {"sky.tga", "sky.png", "sky.exr", "sky.glb"};
  sq::MemoryFolder folder;
  const sq::ExportResult result = sq::ExportBackground(scene, request, kNames[data[0] & 3], folder);
  const std::string refusal = sq::ExportRequestRefusal(request);
  SQFUZZ_CHECK(result.failed.empty(), "a file in memory could not be written");
  if (!refusal.empty() || !result.refusal.empty()) {
    SQFUZZ_CHECK(refusal.empty() || result.refusal == refusal, "an export refused for another reason than its request");
    SQFUZZ_CHECK(folder.Names().empty() && result.written.empty(), "a refused export wrote a file");
    return 0;
  }
  const std::vector<std::string> names = sq::ExportFileNames(kNames[data[0] & 3], request);
  SQFUZZ_CHECK(folder.Names() == names, "an export wrote other files than its names");
  for (const std::string& name : names) {
    const std::string& file = *folder.Find(name);
    if (request.format == sq::ExportFormat::Glb) {
      CheckGlb(file);
      continue;
    }
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    const int width = request.cube ? request.faceSize : request.width;
    const int height = request.cube ? request.faceSize : request.height;
    std::string error;
    if (request.format == sq::ExportFormat::Tga) {
      const auto image = sq::DecodeTarga(bytes, error);
      SQFUZZ_CHECK(image && image->width == width && image->height == height, "an exported TGA does not read back");
    } else {
      sq::Picture picture;
      error = sq::ReadPicture(bytes, picture);
      SQFUZZ_CHECK(error.empty() && picture.width == width && picture.height == height,
                   "an exported picture does not read back: " + error);
    }
  }
  return 0;
}
