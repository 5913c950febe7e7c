// Composes the items of a DTRM form in tests: bare-token items (HIER, ETSH, BURN)
// and the FORM and NRML items, each from the few values a test cares about.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hodbuilder.h"

namespace sqtest {

struct P3 {
  float x = 0, y = 0, z = 0;
};

inline Bytes Points(const std::vector<P3>& points) {
  Bytes b;
  for (const P3& p : points) b.F32s({p.x, p.y, p.z});
  return b;
}

// A model file: the VERS form of a model and a DTRM form around the items.
inline Bytes ModelFile(const Bytes& items) {
  Bytes file;
  file.Add(Vers(512)).Add(Form("DTRM", items));
  return file;
}

struct HierObj {
  std::string name, parent;
  P3 position;
  float orientation[3], scale[3], world[3];
};

inline Bytes HierItem(const std::vector<HierObj>& objects) {
  Bytes body;
  body.I32(static_cast<int32_t>(objects.size()));
  for (const HierObj& o : objects) {
    body.Text(o.name).Text(o.parent).F32s({o.position.x, o.position.y, o.position.z});
    body.F32s({o.orientation[0], o.orientation[1], o.orientation[2]});
    body.F32s({o.scale[0], o.scale[1], o.scale[2]});
    body.F32s({o.world[0], o.world[1], o.world[2]});
    body.Raw({1, 2, 3});
  }
  Bytes b;
  b.Tag("HIER").BE32(static_cast<uint32_t>(body.size())).Add(body);
  return b;
}

// A bare-token item whose size counts everything behind the size field.
inline Bytes TokenItem(std::string_view token, const Bytes& body) {
  Bytes b;
  b.Tag(token).BE32(static_cast<uint32_t>(body.size())).Add(body);
  return b;
}

inline Bytes EtshItem(std::string_view name, const std::vector<std::vector<P3>>& sets) {
  Bytes body;
  body.Text(name).Text("trail");
  for (const auto& set : sets) body.I32(static_cast<int32_t>(set.size())).Add(Points(set));
  return TokenItem("ETSH", body);
}

inline Bytes BurnItem(std::string_view name, const std::vector<P3>& points) {
  Bytes body;
  body.Text(name).Text("burn").I32(static_cast<int32_t>(points.size())).I32(7).Add(Points(points));
  return TokenItem("BURN", body);
}

// One mesh of `subMeshes` sub-meshes, each with one triangle list of
// `indicesPerList` indices and one 40-byte vertex.
inline Bytes MeshBytes(int32_t level, int subMeshes, int32_t indicesPerList) {
  Bytes b;
  b.Tag("BMSH").I32(0).I32(level).I32(subMeshes);
  for (int s = 0; s < subMeshes; ++s) {
    b.I32(s).I32(2).I32(1).Zeros(40).I16(1);
    b.I32(514).I32(indicesPerList);
    for (int i = 0; i < indicesPerList; ++i) b.I16(static_cast<int16_t>(i % 3));
  }
  return b;
}

inline Bytes GlowForm(std::string_view name, int32_t level, const Bytes& mesh) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("GLOW").I32(1).Text(name).Text("glow").I32(level);
  p.Tag("BMSH").BE32(static_cast<uint32_t>(mesh.size())).Add(mesh);
  return Form("GLOW", p);
}

inline Bytes MarkerForm(std::string_view name, double separator) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("MRKR").I32(3).Text(name).Text("Root").F64(separator);
  p.Zeros(48).Tag("NRML").BE32(0).Tag("KEYS");
  return Form("MRKR", p);
}

struct NavlightSpec {
  std::string name;
  float first[4];
  float second[5];
};

inline Bytes NavlChunk(const std::vector<NavlightSpec>& lights) {
  Bytes p;
  p.I32(1).I32(static_cast<int32_t>(lights.size()));
  for (const auto& l : lights) {
    p.Text(l.name).F32s({l.first[0], l.first[1], l.first[2], l.first[3]});
    p.Text("second").F32s({l.second[0], l.second[1], l.second[2], l.second[3], l.second[4]});
    p.Raw({0, 0});
  }
  return Nrml("NAVL", p);
}

// Paths with `points` points each; the second path value decides how many words
// beyond four each point carries.
inline Bytes DockChunk(int paths, int32_t secondValue, int points) {
  Bytes p;
  p.I32(0).I32(paths);
  for (int i = 0; i < paths; ++i) {
    p.Text("path").Text("x").I32(1).I32(secondValue).I32(3).I32(4).I32(5).Text("y").I32(6).Text("z");
    p.I32(points);
    for (int q = 0; q < points; ++q) {
      p.F32s({1, 2, 3, 4, 5, 6}).I32(0).I32(0).I32(0).I32(0);
      for (int e = 4; e < secondValue; ++e) p.I32(99);
    }
  }
  return Nrml("DOCK", p);
}

struct KeySpec {
  double time;
  float v[6];
};

inline Bytes AnimChunk(std::string_view name, const std::vector<KeySpec>& keys) {
  Bytes p;
  p.I32(0).Text(name).I32(static_cast<int32_t>(keys.size()));
  for (const auto& k : keys) p.F64(k.time).F32s({k.v[0], k.v[1], k.v[2], k.v[3], k.v[4], k.v[5]});
  p.Zeros(8);
  return Nrml("ANIM", p);
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

inline Bytes BlockABytes() { return Bytes().Tag("BLKA").BE32(28).Zeros(24); }
inline Bytes BlockBBytes() { return Bytes().Tag("BLKB").BE32(20).Zeros(16); }

inline Bytes ColdForm(std::string_view name, int vertices, int32_t indexCount) {
  Bytes p;
  p.Text(name).Add(BlockABytes()).Add(BlockBBytes()).Add(TriangleSetBytes("TRIS", vertices, indexCount));
  return Form("COLD", p);
}

// SSUB face lists as stored: a count and that many indices each. The SSUB
// sub-header's size covers the id, value, three floats and the lists.
inline Bytes SsubBytes(const std::vector<std::vector<int16_t>>& lists) {
  Bytes l;
  for (const auto& list : lists) {
    l.I32(static_cast<int32_t>(list.size()));
    for (int16_t i : list) l.I16(i);
  }
  Bytes b;
  b.Tag("NRML").BE32(static_cast<uint32_t>(20 + l.size())).Tag("SSUB").I32(0).F32s({0, 0, 0}).Add(l);
  return b;
}

struct BsrmSpec {
  std::string meshName;
  int32_t goblinFlag = 1;
  int trisVertices = 3;
  int32_t trisIndices = 3;
  int vnrmNormals = 3;
  int32_t vnrmIndices = 3;
  Bytes ssub = SsubBytes({});
};

inline Bytes BsrmForm(const BsrmSpec& s) {
  Bytes p;
  p.Tag("NRML").BE32(0).Tag("BSRM").I32(0).Text("bsrm").Text(s.meshName).I32(s.goblinFlag);
  p.Tag("NRML").BE32(0).Add(BlockABytes()).Tag("NRML").BE32(0).Add(BlockBBytes());
  p.Tag("NRML").BE32(0).Add(TriangleSetBytes("TRIS", s.trisVertices, s.trisIndices));
  p.Tag("NRML").BE32(0).Add(TriangleSetBytes("VNRM", s.vnrmNormals, s.vnrmIndices));
  p.Add(s.ssub);
  return Form("BSRM", p);
}

inline Bytes BndvChunk(P3 a, P3 b) {
  Bytes p;
  p.I32(0).Text("bounds").Text("x").I32(0).F32s({a.x, a.y, a.z}).Zeros(60).F32s({b.x, b.y, b.z}).Zeros(16);
  return Nrml("BNDV", p);
}

// An INFO form of items (token, text as stored).
inline Bytes InfoForm(const std::vector<std::pair<std::string, std::string>>& items) {
  Bytes p;
  for (const auto& [token, text] : items) {
    p.Tag(token).BE32(static_cast<uint32_t>(4 + text.size())).Text(text);
  }
  return Form("INFO", p);
}

}  // namespace sqtest
