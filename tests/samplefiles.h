// Whole HOD files of our own making, shared by the sweeps, the resource tests and
// the fuzz seed tool: every chunk family the walker knows, with small counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/hodbuilder.h"

namespace sqtest {

// One background mesh chunk: n vertices on a ring, one index list of `type`.
inline Bytes BackgroundMesh(int n, int32_t type, const std::vector<int16_t>& indices) {
  Bytes p;
  p.I32(0).I32(0).I32(1);                  // word1, word2, subMeshCount
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
// DTRM form with every kind of detail item, INFO last.

// A BMSH mesh as MULT, GOBG and GLOW embed it: 8-byte header, then the mesh.
inline Bytes ModelMesh(int32_t lodLevel, int32_t material) {
  Bytes mesh;
  mesh.Tag("BMSH").I32(0).I32(lodLevel).I32(1);             // meshTag, word1, lodLevel, subMeshCount
  mesh.I32(material).I32(0).I32(3).Zeros(3 * 40);           // materialTag, vertexFormat, 3 vertices of 40 bytes
  mesh.I16(2);                                              // listCount
  mesh.I32(514).I32(3).I16(0).I16(1).I16(2);                // a triangle list
  mesh.I32(518).I32(4).I16(0).I16(1).I16(2).I16(0);         // a strip of two triangles
  Bytes withHeader;
  withHeader.Tag("NRML").BE32(static_cast<uint32_t>(mesh.size())).Add(mesh);
  return withHeader;
}

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

inline Bytes VisualPart() {
  Bytes v;
  // LITE: raw size, three lights.
  Bytes lights;
  lights.I32(3);
  for (int l = 0; l < 3; ++l) lights.Text("Light" + std::to_string(l)).I32(l).F32s({1, 2, 3, 0, 1, 0, 0.5f, 0.5f, 0.5f}).Zeros(8);
  v.Tag("LITE").BE32(static_cast<uint32_t>(4 + lights.size())).Add(lights);
  // Two bare STAT forms: a "default" and a "thruster" shader.
  v.Tag("STAT").I32(0).Text("Hull").Text("default").I32(0).Zeros(8).I32(0);
  v.Tag("STAT").I32(0).Text("Glow").Text("thruster").I32(0);
  for (int k = 0; k < 11; ++k) v.Zeros(8).I32(k);
  v.Zeros(6 * 24);
  // LMIP: a 4 x 1 texture of 16 bytes.
  v.Tag("LMIP").BE32(20 + 8 + 16).I32(8).Tag("hull.tga").Tag("8888").I32(4).I32(1).I32(0).Zeros(16);
  v.Add(VaryChunk("Hull"));
  v.Tag("LMTX").BE32(6).Raw({1, 2, 3, 4, 5, 6});
  v.Tag("GOBD").I32(3).I32(4);
  v.Tag("GOBS").I32(5).I32(6);
  // NRML STAT with two parameters.
  v.Add(Nrml("STAT", Bytes().I32(0).Text("lambert1").Text("Hull").I32(2).Zeros(8).I32(0).Text("$diffuse").Zeros(8).I32(1).Text("$glow")));
  // Two MULT objects, the first with two levels of detail; one GOBG; NRML GOBS, which
  // ends the visual walk at any tag but NRML.
  v.Add(Nrml("MULT", Bytes().I32(0).Text("root").Text("Hull").I32(2).Add(ModelMesh(0, 0)).Add(ModelMesh(1, 1))));
  v.Add(Nrml("MULT", Bytes().I32(0).Text("root").Text("Turret").I32(1).Add(ModelMesh(0, 2))));
  v.Add(Nrml("GOBG", Bytes().I32(0).Text("goblin").Text("Antenna").Add(ModelMesh(0, 0))));
  v.Add(Nrml("GOBS", Bytes().I32(1).I32(2)));
  return v;
}

inline Bytes DetailPart() {
  Bytes d;
  // Two hierarchy objects.
  Bytes hier;
  hier.I32(2);
  hier.Text("Root").Text("Root").F32s({0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}).Raw({0, 0, 0});
  hier.Text("Gun").Text("Root").F32s({1, 2, 3, 0, 90, 0, 1, 1, 1, 1, 2, 3}).Raw({0, 0, 0});
  d.Tag("HIER").BE32(static_cast<uint32_t>(hier.size())).Add(hier);
  // A trail of two sets of 1 and 2 points.
  Bytes sets;
  sets.I32(1).F32s({0, 0, -5}).I32(2).F32s({1, 0, -5, -1, 0, -5});
  d.Tag("ETSH").BE32(static_cast<uint32_t>(8 + 5 + 2 + sets.size())).Text("Trail").Text("t2").Add(sets);
  // Two burns of one and two points.
  d.Tag("BURN").BE32(0).Text("Burn1").Text("b").I32(1).I32(0).F32s({0, 0, -6});
  d.Tag("BURN").BE32(0).Text("Burn2").Text("b").I32(2).I32(0).F32s({1, 0, -6, -1, 0, -6});
  // Navlights, an animation, a docking path, bounds.
  Bytes navl;
  navl.I32(0).I32(2);
  for (int n = 0; n < 2; ++n) navl.Text("Nav" + std::to_string(n)).F32s({1, 2, 3, 4}).Text("blink").F32s({1, 1, 1, 1, 1}).Raw({0, 0});
  d.Add(Nrml("NAVL", navl));
  d.Add(Nrml("ANIM", Bytes().I32(0).Text("Open").I32(2).F64(0).F32s({1, 2, 3, 4, 5, 6}).F64(1).F32s({1, 2, 3, 4, 5, 6}).Zeros(8)));
  Bytes dock;
  dock.I32(0).I32(1).Text("Dock1").Text("ships").I32(0).I32(5).I32(0).I32(0).I32(0).Text("x").I32(0).Text("y").I32(2);
  for (int q = 0; q < 2; ++q) dock.F32s({0, 0, static_cast<float>(q), 0, 0, 0}).I32(0).I32(0).I32(0).I32(0).I32(7);
  d.Add(Nrml("DOCK", dock));
  d.Add(Nrml("BNDV", Bytes().I32(0).Text("Bounds").Text("b").I32(0).F32s({-1, -2, -3}).Zeros(60).F32s({1, 2, 3}).Zeros(16)));
  // A glow with its mesh; a marker; a collision mesh; a BSRM with two SSUB lists.
  d.Add(Form("GLOW", Bytes().Tag("NRML").BE32(0).Tag("GLOW").I32(0).Text("Glow1").Text("g").I32(0).Add(ModelMesh(0, 0))));
  d.Add(Form("MRKR", Bytes().Tag("NRML").BE32(0).Tag("MKID").I32(0).Text("Marker1").Text("Root").F64(0).Zeros(48).Tag("NRML").BE32(0).Tag("MEND")));
  Bytes tris;
  tris.Tag("TRIS").I32(0).I32(3).F32s({0, 0, 0, 1, 0, 0, 0, 1, 0}).I32(3).I16(0).I16(1).I16(2);
  d.Add(Form("COLD", Bytes().Text("Hull").Tag("BBOX").BE32(0).Zeros(24).Tag("BSPH").BE32(0).Zeros(16).Add(tris)));
  Bytes ssub;
  ssub.Tag("SSUB").I32(0).F32s({0, 0, 0}).I32(3).I16(0).I16(1).I16(2).I32(1).I16(0);
  Bytes bsrm;
  bsrm.Tag("NRML").BE32(0).Tag("BSID").I32(0).Text("Hull").Text("Hull").I32(1);
  bsrm.Tag("NRML").BE32(0).Tag("BBOX").BE32(0).Zeros(24);
  bsrm.Tag("NRML").BE32(0).Tag("BSPH").BE32(0).Zeros(16);
  bsrm.Tag("NRML").BE32(0).Add(tris);
  bsrm.Tag("NRML").BE32(0).Tag("VNRM").I32(0).I32(3).F32s({0, 0, 1, 0, 0, 1, 0, 0, 1}).I32(3).I16(0).I16(1).I16(2);
  bsrm.Tag("NRML").BE32(static_cast<uint32_t>(ssub.size())).Add(ssub);  // SSUB id onwards
  d.Add(Form("BSRM", bsrm));
  // INFO ends the detail walk.
  Bytes info;
  info.Tag("OWNR").BE32(0).Text(std::string("jdoe\0", 5));
  info.Tag("WARN").BE32(0).Text("check the docking path");
  info.Tag("ERRR").BE32(0).Text("no error");
  d.Add(Form("INFO", info));
  return d;
}

inline Bytes FullModelHod() {
  Bytes file;
  file.Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1"))).Add(Form("HVMD", VisualPart())).Add(Form("DTRM", DetailPart()));
  return file;
}

}  // namespace sqtest
