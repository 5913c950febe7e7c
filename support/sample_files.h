// Whole HOD files of our own making, shared by the sweeps, the resource tests and
// the fuzz seed tool: every chunk family the walker knows, with small counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/chunk_bytes.h"
#include "support/detail_chunks.h"
#include "support/visual_chunks.h"

namespace sqsupport {

// One background mesh chunk: n vertices on a ring, one index list of `type`.
inline Bytes BackgroundMesh(int n, int32_t type, const std::vector<int16_t>& indices) {
  Bytes p;
  p.I32(0).I32(0).I32(1);                            // word1, word2, subMeshCount
  p.I32(static_cast<int32_t>(n % 4)).I32(0).I32(n);  // materialTag, vertexFormat, vertexCount
  for (int v = 0; v < n; ++v) {
    p.F32s({100.0f * static_cast<float>(v), 50.0f, -25.0f * static_cast<float>(v)});
    p.Raw({0, 0, 0, 0}).Raw({0, static_cast<uint8_t>(10 * v), 0x40, 0x7F});
  }
  p.I16(1).I32(type).I32(static_cast<int32_t>(indices.size()));
  for (int16_t i : indices) p.I16(i);
  return Nrml("BMSH", p);
}

inline Bytes StarMapForm(std::string_view texture, int records) {
  Bytes p;
  p.Text(texture).I32(records);
  for (int r = 0; r < records; ++r) p.F32s({10.0f * static_cast<float>(r), 1000, 5, 40, 1, 0.5f, 0.25f, 1});
  return Form("BGSG", p);
}

inline Bytes PointStars(int count, int seed) {
  Bytes p;
  p.BE32(1000).I32(count);
  for (int s = 0; s < count; ++s) {
    const float f = static_cast<float>(seed * 31 + s);
    p.F32s({f, -f, 1000 - f, 0.5f, 0.5f, 0.75f, 1});
  }
  return Nrml("STRF", p);
}

// The shape the background writer produces: VERS 1000, BGLT, a BGMS form of
// sixteen mesh chunks, two star-map forms and sixteen point-star chunks. Fewer
// chunks give the same shape in fewer bytes, for the sweeps.
inline Bytes FullBackgroundHod(int meshChunks = 16, int pointStarChunks = 16) {
  Bytes meshes;
  for (int m = 0; m < meshChunks; ++m) {
    if (m % 2 == 0) {
      meshes.Add(BackgroundMesh(3, 514, {0, 1, 2}));
    } else {
      meshes.Add(BackgroundMesh(4, 518, {0, 1, 2, 3}));
    }
  }
  Bytes file;
  file.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).Add(Form("BGMS", meshes));
  file.Add(StarMapForm("B02.tga", 2)).Add(StarMapForm("B03.tga", 1));
  for (int s = 0; s < pointStarChunks; ++s) file.Add(PointStars(s % 3, s));
  return file;
}

// ---------------------------------------------------------------------------
// A model: VERS 512, NAME, an HVMD form with every kind of visual chunk, and a
// DTRM form with every kind of detail item.

// A VARY chunk (tag, size, body): 3 positions, 3 corners, 1 face, 2 face lists.
inline Bytes VaryChunk(std::string_view name) {
  Bytes vary;
  vary.Text(name).Text("uv").I32(3).I32(3).I32(1).I32(2).I32(0);
  vary.F32s({0, 0, 0, 1, 0, 0, 0, 1, 0});
  for (int c = 0; c < 3; ++c) vary.I32(c).F32s({0, 0, 1, 0.5f, 0.5f}).I32(0);
  vary.I32(0).I32(0).I32(1).I32(2).I32(0).I32(0).I32(0);
  vary.I16(0).I16(1).I16(2).I16(4096).I16(2).I16(-1).I16(8192);
  Bytes chunk;
  chunk.Tag("VARY").BE32(static_cast<uint32_t>(vary.size())).Add(vary);
  return chunk;
}

// A mesh of three vertices with a triangle list and a strip of two triangles.
inline Bytes ModelMesh(int32_t lodLevel, int32_t material) {
  return Bmsh(lodLevel, {{material, 0, 3, {{514, 3}, {518, 4}}}});
}

inline Bytes VisualPart() {
  Bytes v;
  // LITE: raw size, three lights.
  Bytes lights;
  lights.I32(3);
  for (int l = 0; l < 3; ++l)
    lights.Text("Light" + std::to_string(l)).I32(l).F32s({1, 2, 3, 0, 1, 0, 0.5f, 0.5f, 0.5f}).Zeros(8);
  v.Tag("LITE").BE32(static_cast<uint32_t>(4 + lights.size())).Add(lights);
  // Two bare STAT forms: a "default" and a "thruster" shader; a 4 x 1 texture; VARY.
  v.Add(EliteStat("Hull", "default", 0, 1, 0)).Add(EliteStat("Glow", "thruster", 0, 11, 6));
  v.Add(Lmip("hull.tga", "8888", 16)).Add(VaryChunk("Hull"));
  v.Tag("LMTX").BE32(6).Raw({1, 2, 3, 4, 5, 6}).Tag("GOBD").I32(3).I32(4).Tag("GOBS").I32(5).I32(6);
  // NRML STAT with two parameters; two objects, the first with two levels of
  // detail; one goblin; NRML GOBS, which ends the visual walk at any tag but NRML.
  v.Add(NrmlStat("lambert1", {{0, "$diffuse"}, {1, "$glow"}}));
  v.Add(Mult("Hull", {ModelMesh(0, 0), ModelMesh(1, 1)})).Add(Mult("Turret", {ModelMesh(0, 2)}));
  return v.Add(Gobg("Antenna", ModelMesh(0, 0))).Add(Nrml("GOBS", Bytes().I32(1).I32(2)));
}

// Every detail item, INFO last: it ends the detail walk.
inline Bytes DetailPart() {
  Bytes d;
  d.Add(HierItem(
      {{"Root_Root", {0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}}, {"Gun_Root", {1, 2, 3, 0, 90, 0, 1, 1, 1, 1, 2, 3}}}));
  d.Add(EtshItem("Trail", {{0, 0, -5}, {1, 0, -5, -1, 0, -5}}));
  d.Add(BurnItem("Burn1", {0, 0, -6})).Add(BurnItem("Burn2", {1, 0, -6, -1, 0, -6}));
  d.Add(NavlChunk({{"Nav0", {1, 2, 3, 4, 1, 1, 1, 1, 1}}, {"Nav1", {1, 2, 3, 4, 1, 1, 1, 1, 1}}}));
  d.Add(AnimChunk("Open", {{0, {1, 2, 3, 4, 5, 6}}, {1, {1, 2, 3, 4, 5, 6}}})).Add(DockChunk(1, 5, 2));
  d.Add(BndvChunk({-1, -2, -3}, {1, 2, 3})).Add(GlowForm("Glow1", 0, ModelMesh(0, 0))).Add(MarkerForm("Marker1", 0));
  d.Add(ColdForm("Hull", 3, 3)).Add(BsrmForm({.meshName = "Hull", .ssub = SsubBytes({{0, 1, 2}, {0}})}));
  return d.Add(
      InfoForm({{"OWNR", std::string("jdoe\0", 5)}, {"WARN", "check the docking path"}, {"ERRR", "no error"}}));
}

inline Bytes FullModelHod() {
  Bytes file;
  file.Add(Vers(512))
      .Add(Form("NAME", Bytes().Tag("Fighter1")))
      .Add(Form("HVMD", VisualPart()))
      .Add(Form("DTRM", DetailPart()));
  return file;
}

}  // namespace sqsupport
