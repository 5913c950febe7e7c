// The speed work must not change a byte of what the program writes. Inputs made
// by our generator tools (the benchmark's inputs, smaller) go through the report
// and tga commands; every file written and the preview lists are compared with
// digests taken from the build before any of that work (commit a4283e1). A change
// here means the output changed: find out why before touching the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

struct Digest {
  std::size_t size;
  uint64_t fnv;  // FNV-1a, 64 bits: enough to tell files apart, short enough to write down
  bool operator==(const Digest&) const = default;
};

void PrintTo(const Digest& d, std::ostream* os) { *os << d.size << " bytes, fnv " << std::hex << d.fnv; }

// Of a string's or a vector's bytes.
template <class List>
Digest DigestOf(const List& list) {
  Digest d{list.size() * sizeof(list[0]), 0xcbf29ce484222325ull};
  const auto* bytes = reinterpret_cast<const uint8_t*>(list.data());
  for (std::size_t i = 0; i < d.size; ++i) d.fnv = (d.fnv ^ bytes[i]) * 0x100000001b3ull;
  return d;
}

}  // namespace

TEST(IdenticalOutputs, ReportsSideFilesImagesAndPreviewListsAsRecorded) {
  // A 3 MB model, a background of 16 x 4000 triangles and 40000 point stars, a 2048 x 1024 sky.
  TempDir in, out;
  const auto model = in / "model.hod", sky = in / "sky.hod", image = in / "stars.tga";
  ASSERT_EQ(RunProgram(MAKE_BIG_MODEL_EXE, {model.string(), "3"}, in.path()).status, 0);
  ASSERT_EQ(RunProgram(MAKE_BIG_BACKGROUND_EXE, {sky.string(), "4000", "40000"}, in.path()).status, 0);
  ASSERT_EQ(RunProgram(MAKE_SKY_TGA_EXE, {image.string(), "2048", "1024"}, in.path()).status, 0);
  // Byte identity is the point: the generated VARY data is no model an OBJ viewer would show.
  for (const auto& hod : {model, sky}) {
    const ProcessResult r = Starquill({"report", hod.string(), "--out-dir", out.path().string()}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }
  const ProcessResult r = Starquill({"tga", image.string(), "--out-dir", out.path().string(), "--save-halftoned"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::map<std::string, Digest> expected = {
      {"BNDVpoints.obj", {410, 0x27a17af9cf9d0a67ull}},
      {"HIER1.obj", {1897, 0xcee98417f6c364b5ull}},
      {"HIER2.txt", {3351, 0x4d56e4746198aad6ull}},
      {"VARY_hull_vary.obj", {97344, 0x752124d94b7897f9ull}},
      {"burn1Cpoints.obj", {346, 0x37255fde3c1eeb5full}},
      {"burn2Cpoints.obj", {346, 0x5081a42382a850beull}},
      {"burn3Cpoints.obj", {342, 0xa36696c2f1540154ull}},
      {"etshCpoints.obj", {2739, 0x65574976a66bfc9bull}},
      {"model.HODreport.rtf", {11162, 0x15a7acc03426f0cfull}},
      {"sky.HODreport.rtf", {2566, 0x5afc57c83b01750aull}},
      {"stars_StrPts0.obj", {5058, 0x5b0981a70d58254full}},
      {"stars_StrPts1.obj", {5064, 0xa0f28d921e26e02aull}},
      {"stars_StrPts2.obj", {5065, 0x77f259c10bc1aa2full}},
      {"stars_cPts.obj", {43949, 0xbfb1676c20c083e7ull}},
      {"stars_filtered.tga", {8388644, 0xa10d9c2c1ed4f0a4ull}},
      {"stars_halftoned.tga", {8388644, 0x983ab190c6981fe9ull}},
  };
  std::map<std::string, Digest> written;
  for (const auto& [name, bytes] : FilesIn(out.path())) written[name] = DigestOf(bytes);
  EXPECT_EQ(written, expected);
  std::string error;
  const auto file = sq::FileBytes::Open(sky, error);
  ASSERT_TRUE(file) << error;
  EXPECT_TRUE(file->Mapped());  // a file this large is mapped, not read
  // Bytes let go after a first read read the same again, from the file.
  const std::vector<uint8_t> before(file->Bytes().begin(), file->Bytes().end());
  file->LetGo(1, file->size() - 2);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), file->Bytes().begin()));
  sq::Model background;
  const sq::WalkResult walk = sq::WalkHodFile(file, background);
  EXPECT_FALSE(walk.failed) << walk.reason;
  const sq::PreviewLists lists = PreviewOf(background);
  EXPECT_EQ(lists.meshPreviewCount, 192000);
  EXPECT_EQ(DigestOf(lists.meshPreviewVertices), (Digest{192000 * 16, 0xe6e182c8234887c1ull}));
  EXPECT_EQ(lists.starPreviewCount, 40000);
  EXPECT_EQ(DigestOf(lists.starPreviewVertices), (Digest{40000 * 16, 0x7be2370c9c88f676ull}));
  // The star-map squares' corners differ in the last bit between optimised and other builds.
  EXPECT_EQ(lists.starMapPreview[0].vertexCount, 12000);
  EXPECT_EQ(lists.starMapPreview[1].vertexCount, 6000);
}
