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
// sixteen mesh chunks, two star-map forms and sixteen point-star chunks.
inline Bytes FullBackgroundHod() {
  Bytes meshes;
  for (int m = 0; m < 16; ++m) {
    if (m % 2 == 0) {
      meshes.Add(BackgroundMesh(3, 514, {0, 1, 2}));
    } else {
      meshes.Add(BackgroundMesh(4, 518, {0, 1, 2, 3}));
    }
  }
  Bytes file;
  file.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).Add(Form("BGMS", meshes));
  file.Add(StarMapForm("B02.tga", 2)).Add(StarMapForm("B03.tga", 1));
  for (int s = 0; s < 16; ++s) file.Add(PointStars(s % 3, s));
  return file;
}

}  // namespace sqtest
