#include "background_export/gltf_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_levels.h"
#include "picture/picture_write.h"

namespace sq {

namespace {

using Json = nlohmann::ordered_json;
using V3 = std::array<double, 3>;

constexpr int kFloat = 5126, kUnsignedShort = 5123, kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;
constexpr int kPoints = 0, kTriangles = 4;

V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Unit(const V3& a) {
  const double n = std::sqrt(Dot(a, a));
  return n > 0 ? V3{a[0] / n, a[1] / n, a[2] / n} : V3{0, 0, 0};
}
// The sky's coordinates in glTF's: z negated.
V3 Gltf(double x, double y, double z) { return {x, y, -z}; }

float Linear(uint8_t level) { return LinearOfLevel(level); }

// The binary chunk and the JSON's buffer views and accessors that describe it.
class Buffers {
 public:
  explicit Buffers(Json& root) : root_(root) {}

  // Appends a block and a view of it (a target for vertex data and indices, none
  // for an image); returns the view's number.
  int View(const void* data, std::size_t bytes, int target) {
    const std::size_t at = bin_.size();
    bin_.append(static_cast<const char*>(data), bytes);
    bin_.resize((bin_.size() + 3) / 4 * 4, '\0');
    Json view = {{"buffer", 0}, {"byteOffset", at}, {"byteLength", bytes}};
    if (target != 0) view["target"] = target;
    root_["bufferViews"].push_back(view);
    return static_cast<int>(root_["bufferViews"].size()) - 1;
  }

  // Floats of `width` components an element, in a view of their own; min and
  // max given when asked (POSITION needs them).
  int Floats(const std::vector<float>& values, int width, bool bounds) {
    static const char* const kTypes[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4"};
    const std::size_t count = values.size() / static_cast<std::size_t>(width);
    Json accessor = {{"bufferView", View(values.data(), values.size() * sizeof(float), kArrayBuffer)},
                     {"componentType", kFloat},
                     {"count", count},
                     {"type", kTypes[width]}};
    if (bounds) {
      std::vector<float> lo(static_cast<std::size_t>(width), std::numeric_limits<float>::max());
      std::vector<float> hi(static_cast<std::size_t>(width), std::numeric_limits<float>::lowest());
      for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t k = i % static_cast<std::size_t>(width);
        lo[k] = std::min(lo[k], values[i]);
        hi[k] = std::max(hi[k], values[i]);
      }
      accessor["min"] = lo;
      accessor["max"] = hi;
    }
    return Add(accessor);
  }

  int Indices(const std::vector<uint32_t>& indices, std::size_t vertices) {
    if (vertices <= 65535) {
      std::vector<uint16_t> narrow(indices.begin(), indices.end());
      return Add({{"bufferView", View(narrow.data(), narrow.size() * 2, kElementArrayBuffer)},
                  {"componentType", kUnsignedShort},
                  {"count", narrow.size()},
                  {"type", "SCALAR"}});
    }
    return Add({{"bufferView", View(indices.data(), indices.size() * 4, kElementArrayBuffer)},
                {"componentType", kUnsignedInt},
                {"count", indices.size()},
                {"type", "SCALAR"}});
  }

  const std::string& Bin() const { return bin_; }

 private:
  int Add(const Json& accessor) {
    root_["accessors"].push_back(accessor);
    return static_cast<int>(root_["accessors"].size()) - 1;
  }

  Json& root_;
  std::string bin_;
};

// A coordinate past the float range, or not a number, is stored as 0: glTF
// holds finite numbers only.
void PushPosition(std::vector<float>& out, const V3& p) {
  for (double c : p) {
    const auto f = static_cast<float>(c);
    out.push_back(std::isfinite(f) ? f : 0.0f);
  }
}

// Red, green, blue and alpha: some readers take a colour of three components as
// one of four with alpha 0.
void PushColour(std::vector<float>& out, const std::array<uint8_t, 3>& rgb, float alpha = 1) {
  for (uint8_t level : rgb) out.push_back(Linear(level));
  out.push_back(alpha);
}

int UnlitMaterial(Json& root, const std::string& name, std::optional<int> texture) {
  Json material = {{"name", name},
                   {"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 1}}, {"metallicFactor", 0}}},
                   {"extensions", {{"KHR_materials_unlit", Json::object()}}}};
  if (texture) {
    material["pbrMetallicRoughness"]["baseColorTexture"] = {{"index", *texture}};
    material["alphaMode"] = "BLEND";
    material["doubleSided"] = true;
  }
  root["materials"].push_back(material);
  return static_cast<int>(root["materials"].size()) - 1;
}

// The triangles of one mesh chunk, each turned so it faces the centre.
Json MeshPrimitive(const SceneMesh& mesh, SceneLevels levels, int material, Buffers& buffers) {
  std::vector<float> positions, colours;
  std::vector<V3> at;
  for (const SceneVertex& v : mesh.vertices) {
    at.push_back(Gltf(v.x, v.y, v.z));
    PushPosition(positions, at.back());
    PushColour(colours, MeshLevels(v, levels));
  }
  std::vector<uint32_t> indices;
  indices.reserve(mesh.triangles.size() * 3);
  for (const std::array<uint16_t, 3>& t : mesh.triangles) {
    const V3 &a = at[t[0]], &b = at[t[1]], &c = at[t[2]];
    // Counter-clockwise seen from the centre: the normal points at it.
    const bool facing = Dot(Cross(Sub(b, a), Sub(c, a)), a) <= 0;
    indices.insert(indices.end(), {t[0], facing ? t[1] : t[2], facing ? t[2] : t[1]});
  }
  return {{"attributes",
           {{"POSITION", buffers.Floats(positions, 3, true)}, {"COLOR_0", buffers.Floats(colours, 4, false)}}},
          {"indices", buffers.Indices(indices, mesh.vertices.size())},
          {"material", material},
          {"mode", kTriangles}};
}

// A texture's PNG, with its alpha.
std::string TexturePng(const TextureImage& image) {
  Picture picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.bgra.resize(picture.PixelCount() * 4);
  for (int row = 0; row < image.height; ++row) {
    // The image's top row first; a Picture's bottom row first.
    const uint8_t* from = image.rgba.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width) * 4;
    uint8_t* to = picture.Pixel(1, image.height - row);
    for (int c = 0; c < image.width; ++c, from += 4, to += 4) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = from[3];
    }
  }
  PngForm form;
  form.colour = PngForm::Colour::Rgba;
  return EncodePng(picture, form);
}

// The squares of one star map, as the preview makes them: corner Q on the star,
// sides a R and a U tangent to the sphere.
Json StarMapPrimitive(const std::vector<StarMapRecord>& records, int material, Buffers& buffers) {
  std::vector<float> positions, colours, uvs;
  std::vector<uint32_t> indices;
  for (const StarMapRecord& r : records) {
    const V3 p = {r.x, r.y, r.z};
    V3 right = Unit(Cross(p, {0, -1, 0}));
    if (Dot(right, right) == 0) right = {1, 0, 0};  // a star straight up or down
    const V3 up = Unit(Cross(p, right));
    const double a = r.size, k = kGltfStarMapRadius;
    const V3 q = {k * p[0], k * p[1], k * p[2]};
    const std::array<V3, 4> corners = {
        q, V3{q[0] + a * right[0], q[1] + a * right[1], q[2] + a * right[2]},
        V3{q[0] + a * (right[0] + up[0]), q[1] + a * (right[1] + up[1]), q[2] + a * (right[2] + up[2])},
        V3{q[0] + a * up[0], q[1] + a * up[1], q[2] + a * up[2]}};
    const float uv[4][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};  // the preview's texture corners
    const auto base = static_cast<uint32_t>(positions.size() / 3);
    std::array<V3, 4> g;
    for (std::size_t j = 0; j < 4; ++j) {
      g[j] = Gltf(corners[j][0], corners[j][1], corners[j][2]);
      PushPosition(positions, g[j]);
      PushColour(colours, StarMapLevels(r), std::isnan(r.alpha) ? 0.0f : std::clamp(r.alpha, 0.0f, 1.0f));
      uvs.insert(uvs.end(), {uv[j][0], uv[j][1]});
    }
    const bool facing = Dot(Cross(Sub(g[1], g[0]), Sub(g[2], g[0])), g[0]) <= 0;
    for (const std::array<uint32_t, 3>& t : {std::array<uint32_t, 3>{0, 1, 2}, std::array<uint32_t, 3>{0, 2, 3}}) {
      indices.insert(indices.end(), {base + t[0], base + (facing ? t[1] : t[2]), base + (facing ? t[2] : t[1])});
    }
  }
  return {{"attributes",
           {{"POSITION", buffers.Floats(positions, 3, true)},
            {"COLOR_0", buffers.Floats(colours, 4, false)},
            {"TEXCOORD_0", buffers.Floats(uvs, 2, false)}}},
          {"indices", buffers.Indices(indices, positions.size() / 3)},
          {"material", material},
          {"mode", kTriangles}};
}

void AppendU32(std::string& out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

}  // namespace

std::string EncodeGlb(const SkyScene& scene, SceneLayers layers, SceneLevels levels,
                      const std::array<std::optional<TextureImage>, 2>& textures) {
  Json root;
  root["asset"] = {{"version", "2.0"}, {"generator", "Starquill"}};
  root["extensionsUsed"] = {"KHR_materials_unlit"};
  root["bufferViews"] = Json::array();
  root["accessors"] = Json::array();
  root["materials"] = Json::array();
  Buffers buffers(root);
  Json nodes = Json::array();
  Json meshes = Json::array();
  auto addMesh = [&](const char* name, Json primitives) {
    if (primitives.empty()) return;
    meshes.push_back({{"name", name}, {"primitives", std::move(primitives)}});
    nodes.push_back({{"name", name}, {"mesh", meshes.size() - 1}});
  };

  if (layers.mesh) {
    Json primitives = Json::array();
    const int material = scene.meshes.empty() ? 0 : UnlitMaterial(root, "background", std::nullopt);
    for (const SceneMesh& mesh : scene.meshes) {
      if (!mesh.triangles.empty()) primitives.push_back(MeshPrimitive(mesh, levels, material, buffers));
    }
    addMesh("background", std::move(primitives));
  }
  if (layers.pointStars && !scene.pointStars.empty()) {
    std::vector<float> positions, colours;
    for (const PointStarRecord& s : scene.pointStars) {
      const double k = kGltfPointStarRadius;
      PushPosition(positions, Gltf(k * s.x, k * s.y, k * s.z));
      PushColour(colours, PointStarLevels(s));
    }
    Json primitive;
    primitive["attributes"] = {{"POSITION", buffers.Floats(positions, 3, true)},
                               {"COLOR_0", buffers.Floats(colours, 4, false)}};
    primitive["material"] = UnlitMaterial(root, "point stars", std::nullopt);
    primitive["mode"] = kPoints;
    Json primitives = Json::array();
    primitives.push_back(std::move(primitive));
    addMesh("point stars", std::move(primitives));
  }
  if (layers.starMaps) {
    Json primitives = Json::array();
    for (std::size_t slot = 0; slot < scene.starMaps.size(); ++slot) {
      if (scene.starMaps[slot].empty() || !textures[slot]) continue;
      const std::string png = TexturePng(*textures[slot]);
      root["images"].push_back({{"name", slot == 0 ? "B02" : "B03"},
                                {"bufferView", buffers.View(png.data(), png.size(), 0)},
                                {"mimeType", "image/png"}});
      if (!root.contains("samplers"))
        root["samplers"] = {{{"magFilter", 9729}, {"minFilter", 9729}, {"wrapS", 33071}, {"wrapT", 33071}}};
      root["textures"].push_back({{"sampler", 0}, {"source", root["images"].size() - 1}});
      const int material =
          UnlitMaterial(root, slot == 0 ? "star map 1" : "star map 2", static_cast<int>(root["textures"].size()) - 1);
      primitives.push_back(StarMapPrimitive(scene.starMaps[slot], material, buffers));
    }
    addMesh("star maps", std::move(primitives));
  }
  root["cameras"] = {{{"name", "centre"}, {"type", "perspective"}, {"perspective", {{"yfov", 1.2}, {"znear", 1.0}}}}};
  nodes.push_back({{"name", "centre"}, {"camera", 0}});
  Json sceneNodes = Json::array();
  for (std::size_t i = 0; i < nodes.size(); ++i) sceneNodes.push_back(i);
  root["nodes"] = std::move(nodes);
  if (!meshes.empty()) root["meshes"] = std::move(meshes);
  root["scene"] = 0;
  root["scenes"] = {{{"name", "background"}, {"nodes", std::move(sceneNodes)}}};
  for (const char* key : {"bufferViews", "accessors", "materials"}) {
    if (root[key].empty()) root.erase(key);
  }
  if (!buffers.Bin().empty()) root["buffers"] = {{{"byteLength", buffers.Bin().size()}}};
  if (!root.contains("materials")) root.erase("extensionsUsed");

  std::string json = root.dump();
  json.resize((json.size() + 3) / 4 * 4, ' ');
  std::string out;
  // A file past 4 GiB cannot say its length: none is made.
  const std::size_t total = 12 + 8 + json.size() + (buffers.Bin().empty() ? 0 : 8 + buffers.Bin().size());
  if (total > std::numeric_limits<uint32_t>::max()) return {};
  out.reserve(total);
  out.append("glTF");
  AppendU32(out, 2);
  AppendU32(out, static_cast<uint32_t>(total));
  AppendU32(out, static_cast<uint32_t>(json.size()));
  out.append("JSON");
  out.append(json);
  if (!buffers.Bin().empty()) {
    AppendU32(out, static_cast<uint32_t>(buffers.Bin().size()));
    out.append("BIN", 4);  // "BIN" and a zero byte
    out.append(buffers.Bin());
  }
  return out;
}

}  // namespace sq
