// Composes the items of a DTRM form in tests: bare-token items (HIER, ETSH, BURN)
// and the FORM and NRML items, each from the few values a test cares about.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/chunk_bytes.h"
#include "support/visual_chunks.h"

namespace sqsupport {

using Floats = std::vector<float>;  // points as x, y, z, x, y, z, ...

inline Bytes FloatBytes(const Floats& values) {
  Bytes b;
  for (float f : values) b.F32(f);
  return b;
}

// A model file: the VERS form of a model and a DTRM form around the items.
inline Bytes ModelFile(const Bytes& items) { return Bytes().Add(Vers(512)).Add(Form("DTRM", items)); }

// A bare-token item whose size counts everything behind the size field.
inline Bytes TokenItem(std::string_view token, const Bytes& body) {
  return Bytes().Tag(token).BE32(static_cast<uint32_t>(body.size())).Add(body);
}

// Objects of name, parent and twelve floats: position, orientation, scale, world position.
inline Bytes HierItem(const std::vector<std::pair<std::string, Floats>>& objects) {
  Bytes body;
  body.I32(static_cast<int32_t>(objects.size()));
  for (const auto& [names, floats] : objects) {
    const auto bar = names.find('_');
    body.Text(names.substr(0, bar)).Text(names.substr(bar + 1)).Add(FloatBytes(floats)).Raw({1, 2, 3});
  }
  return TokenItem("HIER", body);
}

inline Bytes EtshItem(std::string_view name, const std::vector<Floats>& sets) {
  Bytes body;
  body.Text(name).Text("trail");
  for (const Floats& set : sets) body.I32(static_cast<int32_t>(set.size() / 3)).Add(FloatBytes(set));
  return TokenItem("ETSH", body);
}

inline Bytes BurnItem(std::string_view name, const Floats& points) {
  return TokenItem(
      "BURN", Bytes().Text(name).Text("b").I32(static_cast<int32_t>(points.size() / 3)).I32(7).Add(FloatBytes(points)));
}

// A GLOW form around a mesh with its 8-byte header (Bmsh or Faces of visual_chunks.h).
inline Bytes GlowForm(std::string_view name, int32_t level, const Bytes& mesh) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("GLOW").I32(1).Text(name).Text("glow").I32(level);
  return Form("GLOW", p.Add(mesh));
}

inline Bytes MarkerForm(std::string_view name, double separator) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("MRKR").I32(3).Text(name).Text("Root").F64(separator);
  return Form("MRKR", p.Zeros(48).Tag("NRML").BE32(0).Tag("KEYS"));
}

// Navlights of a name and nine floats (four before the second name, five after).
inline Bytes NavlChunk(const std::vector<std::pair<std::string, Floats>>& lights) {
  Bytes p;
  p.I32(1).I32(static_cast<int32_t>(lights.size()));
  for (const auto& [name, v] : lights) {
    p.Text(name).Add(FloatBytes({v.begin(), v.begin() + 4})).Text("second");
    p.Add(FloatBytes({v.begin() + 4, v.end()})).Raw({0, 0});
  }
  return Nrml("NAVL", p);
}

// Paths of `points` points each; the second path value decides how many words
// beyond four each point carries.
inline Bytes DockChunk(int paths, int32_t secondValue, int points) {
  Bytes p;
  p.I32(0).I32(paths);
  for (int i = 0; i < paths; ++i) {
    p.Text("path").Text("x").I32(1).I32(secondValue).I32(3).I32(4).I32(5).Text("y").I32(6).Text("z").I32(points);
    for (int q = 0; q < points; ++q) {
      p.F32s({1, 2, 3, 4, 5, 6}).Zeros(16);
      for (int e = 4; e < secondValue; ++e) p.I32(99);
    }
  }
  return Nrml("DOCK", p);
}

// Keys of a time and six floats.
inline Bytes AnimChunk(std::string_view name, const std::vector<std::pair<double, Floats>>& keys) {
  Bytes p;
  p.I32(0).Text(name).I32(static_cast<int32_t>(keys.size()));
  for (const auto& [time, v] : keys) p.F64(time).Add(FloatBytes(v));
  return Nrml("ANIM", p.Zeros(8));
}

// A TRIS or VNRM part: id, value, points, index count and index count / 3 triangles.
inline Bytes TriangleSetBytes(std::string_view id, int points, int32_t indexCount) {
  Bytes b;
  b.Tag(id).I32(0).I32(points);
  for (int i = 0; i < points; ++i) b.F32s({float(i), 0, 0});
  b.I32(indexCount);
  const int32_t faces = indexCount / 3 + (indexCount % 3 == 2 ? 1 : 0);
  for (int32_t f = 0; f < faces * 3; ++f) b.I16(static_cast<int16_t>(f % points));
  return b;
}

inline Bytes Blocks() { return Bytes().Tag("BLKA").BE32(28).Zeros(24).Tag("BLKB").BE32(20).Zeros(16); }

inline Bytes ColdForm(std::string_view name, int vertices, int32_t indexCount) {
  return Form("COLD", Bytes().Text(name).Add(Blocks()).Add(TriangleSetBytes("TRIS", vertices, indexCount)));
}

// The SSUB part: a sub-header whose size covers the id, value, three floats and
// the lists, each list a count and that many indices.
inline Bytes SsubBytes(const std::vector<std::vector<int16_t>>& lists) {
  Bytes l;
  for (const auto& list : lists) {
    l.I32(static_cast<int32_t>(list.size()));
    for (int16_t i : list) l.I16(i);
  }
  return Bytes().Tag("NRML").BE32(static_cast<uint32_t>(20 + l.size())).Tag("SSUB").I32(0).Zeros(12).Add(l);
}

struct BsrmSpec {
  std::string meshName;
  int32_t goblinFlag = 1;
  int trisVertices = 3;
  int32_t trisIndices = 3;
  int32_t vnrmIndices = 3;
  Bytes ssub = SsubBytes({});
};

inline Bytes BsrmForm(const BsrmSpec& s) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("BSRM").I32(0).Text("bsrm").Text(s.meshName).I32(s.goblinFlag);
  p.Tag("NRML").BE32(0).Tag("BLKA").BE32(28).Zeros(24).Tag("NRML").BE32(0).Tag("BLKB").BE32(20).Zeros(16);
  p.Tag("NRML").BE32(0).Add(TriangleSetBytes("TRIS", s.trisVertices, s.trisIndices));
  p.Tag("NRML").BE32(0).Add(TriangleSetBytes("VNRM", 3, s.vnrmIndices));
  return Form("BSRM", p.Add(s.ssub));
}

inline Bytes BndvChunk(const Floats& a, const Floats& b) {
  return Nrml("BNDV",
              Bytes().I32(0).Text("bounds").Text("x").I32(0).Add(FloatBytes(a)).Zeros(60).Add(FloatBytes(b)).Zeros(16));
}

// An INFO form of items (token, text as stored).
inline Bytes InfoForm(const std::vector<std::pair<std::string, std::string>>& items) {
  Bytes p;
  for (const auto& [token, text] : items) p.Tag(token).BE32(static_cast<uint32_t>(4 + text.size())).Text(text);
  return Form("INFO", p);
}

}  // namespace sqsupport
