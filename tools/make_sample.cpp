// Writes the bundled sample HOD: a small background of our own making.
// Usage: make_sample OUT.hod
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "hod/modCommon.h"

namespace {

struct Out {
  std::vector<uint8_t> bytes;
  void Tag(std::string_view t) { bytes.insert(bytes.end(), t.begin(), t.end()); }
  void BE32(uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) bytes.push_back(static_cast<uint8_t>(v >> s));
  }
  void I32(int32_t v) {
    for (int s = 0; s < 32; s += 8) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> s));
  }
  void F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    I32(static_cast<int32_t>(u));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample OUT.hod\n");
    return 2;
  }
  Out o;
  o.Tag("FORM"); o.BE32(8); o.Tag("VERS"); o.I32(1000);
  o.Tag("NRML"); o.BE32(8); o.Tag("BGLT"); o.I32(0);
  // Two point-star chunks of stars spread over the sphere by a golden-angle spiral.
  const int perChunk[2] = {12, 8};
  int k = 0;
  const int total = perChunk[0] + perChunk[1];
  for (int chunk = 0; chunk < 2; ++chunk) {
    const int p = perChunk[chunk];
    o.Tag("NRML"); o.BE32(static_cast<uint32_t>(12 + 28 * p)); o.Tag("STRF");
    o.BE32(1000); o.I32(p);
    for (int s = 0; s < p; ++s, ++k) {
      const double y = 1.0 - 2.0 * (k + 0.5) / total;
      const double r = std::sqrt(1.0 - y * y);
      const double phi = k * 2.399963229728653;
      o.F32(static_cast<float>(1000.0 * r * std::cos(phi)));
      o.F32(static_cast<float>(1000.0 * y));
      o.F32(static_cast<float>(1000.0 * r * std::sin(phi)));
      const float shade = 0.25f + 0.25f * static_cast<float>(k % 3);
      o.F32(shade); o.F32(shade); o.F32(0.5f); o.F32(1.0f);
    }
  }
  const std::string error = sq::WriteFileAtomic(argv[1], std::string_view(reinterpret_cast<const char*>(o.bytes.data()), o.bytes.size()));
  if (!error.empty()) {
    std::fprintf(stderr, "make_sample: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
