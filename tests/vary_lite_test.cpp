#include <gtest/gtest.h>

#include "support/visual_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

// A VARY chunk: the tag, the big-endian size of everything behind it, then `body`.
Bytes Vary(std::string_view name, const Bytes& body) {
  Bytes content;
  content.Text(name).Text("second").Add(body);
  Bytes b;
  return b.Tag("VARY").BE32(static_cast<uint32_t>(content.size())).Add(content);
}

// Eight positions (i, i + 0.5, i * 1E+07), three corners on positions 5, 6 and 7,
// one face on corners 0, 1, 2, and two face lists.
Bytes VaryBody(bool soundTest) {
  Bytes b;
  b.I32(8).I32(3).I32(1).I32(2).I32(0);
  for (int i = 0; i < 8; ++i) b.F32s({float(i), float(i) + 0.5f, float(i) * 1e7f});
  const float normals[3][3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
  const float uvs[3][2] = {{0.25f, 0.5f}, {0.75f, 1}, {-12.25f, 0}};
  for (int c = 0; c < 3; ++c) {
    b.I32(5 + c).F32s({normals[c][0], normals[c][1], normals[c][2]}).F32s({uvs[c][0], uvs[c][1]});
    if (!soundTest) b.I32(99);
  }
  b.I32(0).I32(0).I32(1).I32(2).I32(0).I32(0).I32(0);
  b.I16(3).I16(7).I16(-1).I16(2).I16(4096).I16(5).I16(8192);
  return b;
}

Bytes TwoLights() {
  Bytes b;
  b.Tag("LITE").BE32(0).I32(2);
  b.Text("sun").I32(1).F32s({1, 2, 3}).F32s({0.5f, -0.25f, 0}).F32s({1E-05f, 100, 7}).I32(0).I32(0);
  b.Text("fill light").I32(2).F32s({-1, -2, -3}).F32s({0, 0, 0}).F32s({1234567, 0.1f, 2}).I32(0).I32(0);
  return b;
}

const std::string kLitesObj =
    "\r\ng sun\r\nv 1 2 3\r\nv 0.5 -0.25 0\r\nv 1E-05 100 7\r\n"
    "\r\ng fill light\r\nv -1 -2 -3\r\nv 0 0 0\r\nv 1234567 0.1 2\r\n";

}  // namespace

TEST(Vary, WritesItsObjAndReportText) {
  Walk w(VisualFile(Vary("hull_vary", VaryBody(false)).Tag("GOBD").I32(1).I32(2)));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_TRUE(w.model.hasGOBD);  // the walk went on behind the chunk
  EXPECT_EQ(w.model.varyReportText,
            "VARY2: vertex normal indices\\par\r\nmaximum index = 2\r\n\\par\r\nminimum index = 0\r\n\\par\r\n"
            "( # Nuv's = 3 ).\\par\r\n\\par\r\n"
            "VARY4: face lists\\par\r\nmaximum index = 7\\par\r\nminimum index = 2\\par\r\n"
            "( # Nuv's = 3 , # faces = 1 ).\\par\r\n");
  ASSERT_EQ(w.model.varyRecord.faceLists.size(), 2u);
  EXPECT_EQ(w.model.varyRecord.faceLists[0].indices, (std::vector<int16_t>{3, 7, -1, 2}));
  EXPECT_EQ(w.model.varyRecord.faceLists[1].listKind, 8192);

  // The sound-test layout has shorter corners and gives the same outputs (the OBJ's
  // lines are pinned over a generated model by the identical-outputs test).
  Walk sound(VisualFile(Vary("hull_vary", VaryBody(true))), true);
  ASSERT_FALSE(sound.result.failed) << sound.result.reason;
  EXPECT_EQ(sound.Side("VARY_hull_vary.obj"), w.Side("VARY_hull_vary.obj"));
  EXPECT_EQ(sound.model.varyReportText, w.model.varyReportText);
}

TEST(Vary, FaceListsStopAtTheEndOfTheChunk) {
  // Five lists announced, the chunk's bytes hold one unclosed list of two words.
  Walk w(
      VisualFile(Vary("short", Bytes().I32(0).I32(0).I32(0).I32(5).I32(0).I16(3).I16(-7)).Tag("GOBD").I32(1).I32(2)));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  EXPECT_EQ(w.model.varyRecord.faceLists.size(), 1u);
  EXPECT_TRUE(w.model.hasGOBD);
  // The minimum starts at the corner count (0) and goes down to -7; the maximum rises to 3.
  EXPECT_NE(w.model.varyReportText.find("VARY4: face lists\\par\r\nmaximum index = 3\\par\r\nminimum index = -7\\par"),
            std::string::npos);
}

TEST(Vary, AFaceOnAMissingCornerEndsTheWalk) {
  Bytes badCorner;
  badCorner.I32(1).I32(1).I32(1).I32(0).I32(0).F32s({0, 0, 0}).I32(0).F32s({0, 0, 1, 0, 0}).I32(0);
  badCorner.I32(0).I32(0).I32(3).I32(0).I32(0).I32(0).I32(0);
  Walk w(VisualFile(Vary("bad", badCorner)));
  EXPECT_TRUE(w.result.failed);
  EXPECT_NE(w.result.reason.find("corner 3"), std::string::npos);
}

TEST(Lite, EachLightIsAGroupOfItsThreePoints) {
  Walk w(VisualFile(TwoLights()));
  EXPECT_EQ(w.model.liteCount, 2);
  EXPECT_EQ(w.Side("LITEs.OBJ"), kLitesObj);
}
