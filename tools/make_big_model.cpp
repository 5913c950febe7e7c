// Writes a large model HOD for timing the report: a visual form that is mostly
// texture pixels (LMIP), 64-byte vertex blocks and index lists, with materials,
// a texture matrix, VARY data and goblin meshes beside them, and a detail
// form with every kind of item.
// Deterministic: the same arguments always make the same bytes.
// Usage: make_big_model OUT.hod [MEGABYTES]   (about MEGABYTES in size, default 200)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "output/file_output.h"
#include "support/chunk_bytes.h"
#include "support/sample_random.h"
#include "tools/tool_args.h"

namespace {

using Bytes = sqsupport::Bytes;
using sqsupport::Lcg;

constexpr int32_t kVertexFormat64 = 24603;
constexpr int32_t kTriangleList = 4;
constexpr int kLevels = 4;  // levels of detail per object, each half the vertices of the one before

// A texture of `bytes` pixel bytes in the 8888 format: a gradient with noise.
void Texture(Bytes& out, int number, std::size_t bytes, Lcg& random) {
  const std::string name = "tex_" + std::to_string(number) + ".tga";
  const std::size_t at = out.OpenBare("LMIP");
  out.Text(name).Tag("8888").I32(1024).I32(1024).I32(1);
  auto& data = out.data();
  const std::size_t start = data.size();
  data.resize(start + bytes);
  for (std::size_t i = 0; i < bytes; i += 4) {
    const uint32_t noise = random.Next();
    data[start + i] = static_cast<uint8_t>((i >> 4) + noise);
    if (i + 1 < bytes) data[start + i + 1] = static_cast<uint8_t>((i >> 12) + (noise >> 8));
    if (i + 2 < bytes) data[start + i + 2] = static_cast<uint8_t>(number * 7 + (noise >> 16));
    if (i + 3 < bytes) data[start + i + 3] = 255;
  }
  out.CloseBare(at);
}

// One sub-mesh: `vertices` 64-byte vertices on a wavy grid and a triangle list
// of about two triangles per vertex.
void SubMesh(Bytes& out, int32_t material, int32_t vertices, Lcg& random) {
  const int32_t columns = std::max<int32_t>(2, static_cast<int32_t>(std::sqrt(static_cast<double>(vertices))));
  const int32_t rows = std::max<int32_t>(2, vertices / columns);
  const int32_t count = rows * columns;
  out.I32(material).I32(kVertexFormat64).I32(count);
  for (int32_t v = 0; v < count; ++v) {
    const float x = static_cast<float>(v % columns), z = static_cast<float>(v / columns);
    out.F32(x).F32(random.Between(-0.5f, 0.5f)).F32(z);                          // position
    out.F32(0.0f).F32(1.0f).F32(0.0f);                                           // normal
    out.F32(x / static_cast<float>(columns)).F32(z / static_cast<float>(rows));  // texture coordinates
    out.F32(1.0f).F32(0.0f).F32(0.0f);                                           // tangent
    out.F32(0.0f).F32(0.0f).F32(1.0f);                                           // binormal
    out.I32(static_cast<int32_t>(0xFF000000u | random.Next()));                  // colour
    out.F32(random.Between(0.0f, 1.0f));                                         // spare
  }
  out.I16(1);
  out.I32(kTriangleList).I32(6 * (rows - 1) * (columns - 1));
  for (int32_t r = 0; r + 1 < rows; ++r) {
    for (int32_t c = 0; c + 1 < columns; ++c) {
      const auto at = [&](int32_t rr, int32_t cc) { return static_cast<int16_t>(rr * columns + cc); };
      out.I16(at(r, c)).I16(at(r + 1, c)).I16(at(r, c + 1));
      out.I16(at(r, c + 1)).I16(at(r + 1, c)).I16(at(r + 1, c + 1));
    }
  }
}

// A BMSH mesh behind its 8-byte header: two sub-meshes of `vertices` each.
void Mesh(Bytes& out, int32_t level, int32_t vertices, int32_t firstMaterial, Lcg& random) {
  out.Tag("BMSH");
  const std::size_t sizeAt = out.size();
  out.BE32(0);
  out.Tag("BMSH").I32(0).I32(level).I32(2);
  SubMesh(out, firstMaterial, vertices, random);
  SubMesh(out, firstMaterial + 1, vertices, random);
  out.PatchBE32(sizeAt, static_cast<uint32_t>(out.size() - sizeAt - 4));
}

// VARY data of `positions` positions, twice as many corners and faces, and face
// lists whose indices stay below the list-kind words 4096 and 8192.
void Vary(Bytes& out, int32_t positions, Lcg& random) {
  const int32_t corners = 2 * positions, faces = 2 * positions, lists = 4;
  const std::size_t at = out.OpenBare("VARY");
  out.Text("hull_vary").Text("second").I32(positions).I32(corners).I32(faces).I32(lists).I32(0);
  for (int32_t i = 0; i < positions; ++i) {
    out.F32(random.Between(-50, 50)).F32(random.Between(-20, 20)).F32(random.Between(-80, 80));
  }
  for (int32_t i = 0; i < corners; ++i) {
    out.I32(i % positions).F32(random.Between(-1, 1)).F32(random.Between(-1, 1)).F32(random.Between(-1, 1));
    out.F32(random.Between(0, 1)).F32(random.Between(0, 1)).I32(0);
  }
  for (int32_t i = 0; i < faces; ++i) {
    out.I32(0).I32(i % corners).I32((i + 1) % corners).I32((i + 2) % corners).I32(0).I32(0).I32(0);
  }
  const int32_t perList = 3 * faces / lists;
  for (int32_t list = 0; list < lists; ++list) {
    for (int32_t i = 0; i < perList; ++i) out.I16(static_cast<int16_t>((list * perList + i) % 4000));
    out.I16(list % 2 == 0 ? 4096 : 8192);
  }
  out.CloseBare(at);
}

// A bare-token item (HIER, ETSH, BURN) whose size counts what follows it.
std::size_t OpenToken(Bytes& out, std::string_view token) { return out.OpenBare(token); }

void Floats(Bytes& out, Lcg& random, int n, float low, float high) {
  for (int i = 0; i < n; ++i) out.F32(random.Between(low, high));
}

// A triangle set of a collision or BSRM mesh: id, value, points, index count, indices.
void TriangleSet(Bytes& out, std::string_view id, int points, int32_t indexCount, Lcg& random) {
  out.Tag(id).I32(0).I32(points);
  Floats(out, random, 3 * points, -40, 40);
  out.I32(indexCount);
  for (int32_t i = 0; i < indexCount; ++i) out.I16(static_cast<int16_t>(i % points));
}

// The detail form: every item at least once, in the order a model file keeps them,
// with `scale` setting the lengths of the longer ones.
void Detail(Bytes& out, int scale, Lcg& random) {
  const std::size_t dtrm = out.Open("FORM", "DTRM");
  std::size_t at = OpenToken(out, "HIER");
  out.I32(20 * scale);
  for (int i = 0; i < 20 * scale; ++i) {
    out.Text("Part" + std::to_string(i)).Text(i == 0 ? "Root" : "Part" + std::to_string(i / 2));
    Floats(out, random, 12, -10, 10);
    const uint8_t trailing[] = {1, 2, 3};  // three bytes behind each object
    out.Raw(trailing, sizeof trailing);
  }
  out.CloseBare(at);
  for (int e = 0; e < 4; ++e) {
    at = OpenToken(out, "ETSH");
    out.Text("Engine" + std::to_string(e)).Text("trail");
    for (int set = 0; set < 2; ++set) {
      out.I32(10 * scale);
      Floats(out, random, 30 * scale, -5, 5);
    }
    out.CloseBare(at);
  }
  for (int b = 0; b < 3; ++b) {
    at = OpenToken(out, "BURN");
    out.Text("Burn" + std::to_string(b)).Text("b").I32(10 * scale).I32(7);
    Floats(out, random, 30 * scale, -5, 5);
    out.CloseBare(at);
  }
  for (int g = 0; g < 4; ++g) {
    at = out.Open("FORM", "GLOW");
    out.Tag("NRML").BE32(0).Tag("GLOW").I32(1).Text("Glow" + std::to_string(g)).Text("glow").I32(g % 2);
    Mesh(out, g % 2, 16 * scale, 0, random);
    out.Close(at);
  }
  for (int m = 0; m < 10; ++m) {
    at = out.Open("FORM", "MRKR");
    out.Tag("NRML").BE32(0).Tag("MRKR").I32(3).Text("Marker" + std::to_string(m)).Text("Root").F64(0.25 * m);
    Floats(out, random, 12, -1, 1);
    out.Tag("NRML").BE32(0).Tag("KEYS");
    out.Close(at);
  }
  at = out.Open("NRML", "NAVL");
  out.I32(1).I32(8);
  for (int n = 0; n < 8; ++n) {
    out.Text("Nav" + std::to_string(n));
    Floats(out, random, 4, 0, 1);
    out.Text("second");
    Floats(out, random, 5, 0, 1);
    out.I16(0);
  }
  out.Close(at);
  at = out.Open("NRML", "ANIM");
  out.I32(0).Text("Hatch").I32(50 * scale);
  for (int k = 0; k < 50 * scale; ++k) {
    out.F64(0.04 * k);
    Floats(out, random, 6, -1, 1);
  }
  out.I32(0).I32(0);
  out.Close(at);
  at = out.Open("NRML", "DOCK");
  out.I32(0).I32(3);
  for (int path = 0; path < 3; ++path) {
    out.Text("Dock" + std::to_string(path)).Text("x").I32(1).I32(5).I32(3).I32(4).I32(5).Text("y").I32(6).Text("z");
    out.I32(10 * scale);
    for (int q = 0; q < 10 * scale; ++q) {
      Floats(out, random, 6, -100, 100);
      out.I32(0).I32(0).I32(0).I32(0).I32(99);
    }
  }
  out.Close(at);
  at = out.Open("NRML", "STRF");
  out.BE32(1000).I32(100 * scale);
  for (int star = 0; star < 100 * scale; ++star) {
    Floats(out, random, 3, -900, 900);
    Floats(out, random, 3, 0.2f, 0.6f);
    out.F32(1.0f);
  }
  out.Close(at);
  at = out.Open("NRML", "BNDV");
  out.I32(0).Text("bounds").Text("x").I32(0);
  Floats(out, random, 3, -60, -40);
  for (int i = 0; i < 15; ++i) out.I32(0);
  Floats(out, random, 3, 40, 60);
  out.I32(0).I32(0).I32(0).I32(0);
  out.Close(at);
  const auto blockA = [&] {
    out.Tag("BLKA").BE32(28);
    for (int i = 0; i < 6; ++i) out.I32(0);
  };
  const auto blockB = [&] {
    out.Tag("BLKB").BE32(20);
    for (int i = 0; i < 4; ++i) out.I32(0);
  };
  at = out.Open("FORM", "COLD");
  out.Text("Hull");
  blockA();
  blockB();
  TriangleSet(out, "TRIS", 30 * scale, 150 * scale, random);
  out.Close(at);
  for (int b = 0; b < 2; ++b) {
    at = out.Open("FORM", "BSRM");
    out.Tag("NRML").BE32(0).Tag("BSRM").I32(0).Text("bsrm").Text(b == 0 ? "Hull_1" : "Gob_1").I32(1 - b);
    out.Tag("NRML").BE32(0);
    blockA();
    out.Tag("NRML").BE32(0);
    blockB();
    out.Tag("NRML").BE32(0);
    TriangleSet(out, "TRIS", 12, 30, random);
    out.Tag("NRML").BE32(0);
    TriangleSet(out, "VNRM", 12, 30, random);
    const std::size_t ssub = out.Open("NRML", "SSUB");
    out.I32(0).F32(0).F32(0).F32(0);
    out.I32(3).I16(0).I16(1).I16(2);
    out.Close(ssub);
    out.Close(at);
  }
  at = out.Open("FORM", "INFO");
  const std::string warning = "check the LOD levels";
  out.Tag("WARN").BE32(static_cast<uint32_t>(4 + warning.size())).Text(warning);
  out.Close(at);
  out.Close(dtrm);
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_big_model OUT.hod [MEGABYTES]\n"
                                           "Writes a large model with every visual and detail item for the\n"
                                           "benchmarks, about MEGABYTES in size (0.1..1500, default 200).\n",
                                           1, 2);
  double megabytes = 200.0;
  if (args.size() == 2) {
    char* end = nullptr;
    megabytes = std::strtod(args[1].c_str(), &end);
    if (end == args[1].c_str() || *end != '\0') megabytes = -1;
  }
  if (!(megabytes >= 0.1 && megabytes <= 1500)) {
    std::fprintf(stderr, "make_big_model: MEGABYTES must lie between 0.1 and 1500\n");
    return 2;
  }
  const auto target = static_cast<std::size_t>(megabytes * 1e6);
  // Three quarters texture pixels, a fifth meshes, the rest VARY data and small items.
  const std::size_t textureBudget = target * 3 / 4;
  const std::size_t textureBytes =
      std::min<std::size_t>(std::size_t{4} << 20, std::max<std::size_t>(4096, textureBudget / 8));
  const int textures = static_cast<int>(std::max<std::size_t>(1, (textureBudget + textureBytes - 1) / textureBytes));
  const std::size_t meshBudget = target / 5;
  // A sub-mesh costs about 76 bytes a vertex (64 for the vertex, 12 for its two triangles);
  // an object holds two sub-meshes on each of its levels.
  const double perVertex = 76.0 * 2 * (2.0 - 1.0 / (1 << (kLevels - 1)));
  const int32_t baseVertices =
      static_cast<int32_t>(std::clamp(static_cast<double>(meshBudget) / perVertex, 64.0, 20000.0));
  const int objects =
      static_cast<int>(std::max(1.0, std::ceil(static_cast<double>(meshBudget) / (perVertex * baseVertices))));
  const auto varyPositions =
      static_cast<int32_t>(std::clamp(static_cast<double>(target) / 50.0 / 140.0, 16.0, 10000.0));

  Lcg random(20240611u);
  Bytes out;
  out.data().reserve(target + target / 8);
  std::size_t at = out.Open("FORM", "VERS");
  out.I32(512);
  out.Close(at);
  at = out.Open("FORM", "NAME");
  out.Tag("BigShip");
  out.Close(at);

  const std::size_t hvmd = out.Open("FORM", "HVMD");
  for (int i = 0; i < textures; ++i) {
    at = out.Open("NRML", "STAT");
    out.I32(1).Text("mat_" + std::to_string(i)).Text("ship").I32(2);
    out.I32(0).I32(0).I32(i).Text("$diffuse");
    out.I32(0).I32(0).I32(i).Text("$glow");
    out.Close(at);
  }
  for (int i = 0; i < textures; ++i) Texture(out, i, textureBytes, random);
  at = out.OpenBare("LMTX");
  for (int i = 0; i < 64; ++i) out.F32(static_cast<float>(i % 5 == 0));
  out.CloseBare(at);
  Vary(out, varyPositions, random);
  for (int object = 0; object < objects; ++object) {
    at = out.Open("NRML", "MULT");
    out.I32(0).Text("root").Text("hull_" + std::to_string(object)).I32(kLevels);
    for (int32_t level = 0; level < kLevels; ++level) {
      Mesh(out, level, std::max(16, baseVertices >> level), (object * 2) % textures, random);
    }
    out.Close(at);
  }
  for (int i = 0; i < 2; ++i) {
    at = out.Open("NRML", "GOBG");
    out.I32(0).Text("root").Text("goblin_" + std::to_string(i));
    Mesh(out, 0, std::max(16, baseVertices / 8), 0, random);
    out.Close(at);
  }
  out.Tag("GOBD").I32(1).I32(2);
  out.Close(hvmd);
  Detail(out, std::clamp(static_cast<int>(megabytes / 4), 1, 100), random);

  const auto& bytes = out.data();
  const std::string error =
      sq::WriteFileAtomic(args[0], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!error.empty()) {
    std::fprintf(stderr, "make_big_model: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
