#include <gtest/gtest.h>

#include <cmath>

#include "app/report_command.h"
#include "hod/background_readers.h"
#include "hod/hod_walk.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

struct TypedList {
  int32_t type;
  std::vector<int16_t> indices;
};

// A mesh chunk of n vertices at (k, 10k, 100k); vertex k has the colour bytes (0, k, 2k, 3k).
Bytes Bmsh(int n, const std::vector<TypedList>& lists) {
  Bytes p;
  p.I32(11).I32(22).I32(1).I32(5).I32(0x42).I32(n);
  for (int k = 0; k < n; ++k) {
    p.F32s({float(k), 10.0f * float(k), 100.0f * float(k)}).Raw({9, 9, 9, 9});
    p.Raw({0, uint8_t(k), uint8_t(2 * k), uint8_t(3 * k)});
  }
  p.I16(static_cast<int16_t>(lists.size()));
  for (const TypedList& l : lists) {
    p.I32(l.type).I32(static_cast<int32_t>(l.indices.size()));
    for (int16_t i : l.indices) p.I16(i);
  }
  return Nrml("BMSH", p);
}

// A background file: VERS, a BGMS form of `meshes`, then `after`.
Bytes BgmsFile(const Bytes& meshes, const Bytes& after = {}) {
  return Bytes().Add(Vers(1000)).Add(Form("BGMS", meshes)).Add(after);
}

// A point star at (x, 0, 0).
std::array<float, 7> Star(float x) { return {x, 0, 0, 0.1f, 0.1f, 0.1f, 1}; }

// The mesh preview as vertex numbers: vertex k lies at x = k.
std::vector<int> CornerNumbers(const sq::Model& model) {
  std::vector<int> numbers;
  for (const sq::PreviewVertex& v : PreviewOf(model).meshPreviewVertices) numbers.push_back(static_cast<int>(v.x));
  return numbers;
}

}  // namespace

TEST(ReadBGMS, StripsListsAndOtherTypesFlattenedAnEmptyFormAndPointStarsBehindTheMesh) {
  Walk w(BgmsFile(Bmsh(5, {{518, {0, 1, 2, 3, 4}}, {513, {4, 4, 4}}, {514, {4, 3, 2, 1}}, {518, {0, 1}}})
                      .Add(Bmsh(2, {{514, {1, 0, 1}}}))));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  // The strip turns every second triangle round; type 513 is kept but not drawn; the list of four gives its whole
  // triangle only; the short strip gives none; the second chunk's indices select its own vertices.
  EXPECT_EQ(CornerNumbers(w.model), (std::vector<int>{0, 1, 2, 3, 2, 1, 2, 3, 4, 4, 3, 2, 1, 0, 1}));
  EXPECT_EQ(w.model.bgmsTable[0].parts[0].indexLists[1].indices, (std::vector<int16_t>{4, 4, 4}));
  // An empty form, and point stars behind the last mesh chunk, then a star map.
  Walk empty(BgmsFile({}, StarsChunk({Star(1)})));
  EXPECT_TRUE(!empty.result.failed && empty.model.hasBGMS && empty.model.bgmsTable.empty());
  EXPECT_EQ(empty.model.strfTable.size(), 1u);  // the header behind the form was handed back, read once
  Walk stars(BgmsFile(
      Bmsh(3, {{514, {0, 1, 2}}}).Add(StarsChunk({Star(1)})).Add(StarsChunk({})).Add(Bmsh(4, {{514, {3, 2, 1}}})),
      StarMapChunk("B02.tga", {}).Add(StarsChunk({Star(2)}))));
  ASSERT_FALSE(stars.result.failed) << stars.result.reason;
  // A mesh chunk behind the point stars goes on in the form.
  ASSERT_EQ(stars.model.bgmsTable.size(), 2u);
  EXPECT_EQ(CornerNumbers(stars.model), (std::vector<int>{0, 1, 2, 3, 2, 1}));
  ASSERT_EQ(stars.model.bgsgTable.size(), 1u);
  // The later run refilled the table; the preview kept every star.
  ASSERT_EQ(stars.model.strfTable.size(), 1u);
  EXPECT_EQ(PreviewOf(stars.model).starPreviewCount, 2);
}

TEST(ReadBGMS, BadIndicesAndCountsEndTheWalkKeepingTheRowsRead) {
  Walk outside(
      BgmsFile(Bmsh(3, {{514, {0, 1, 2}}}).Add(Bmsh(3, {{514, {0, 1, 2, 2, 1, 3}}})).Add(Bmsh(3, {{514, {0, 1, 2}}}))));
  EXPECT_TRUE(outside.result.failed && outside.result.reason.find("index 3") != std::string::npos)
      << outside.result.reason;
  EXPECT_EQ(outside.model.bgmsTable.size(), 2u);
  EXPECT_EQ(CornerNumbers(outside.model), (std::vector<int>{0, 1, 2, 0, 1, 2}));  // whole triangles before it
  // Counts past a small file are refused before anything is sized by them.
  const std::vector<std::pair<Bytes, std::string>> lies = {
      {BgmsFile(Bmsh(3, {{514, {0, 1, -1}}})), "index -1"},
      {BgmsFile(Nrml("BMSH", Bytes().I32(0).I32(0).I32(1).I32(0).I32(0).I32(0x7FFFFFFF))), "mesh vertex"},
      {Bytes().Add(Vers(1000)).Add(Form("BGSG", Bytes().Text("B02.tga").I32(-1))), "negative"},
  };
  for (const auto& [file, reason] : lies) {
    Walk w(file);
    EXPECT_TRUE(w.result.failed && w.result.reason.find(reason) != std::string::npos)
        << reason << ": " << w.result.reason;
  }
  // A third star map, and a mesh chunk cut short in its index lists, end the walk; the cut chunk's row stays, unshown.
  const Bytes maps = StarMapChunk("B02.tga", {}).Add(StarMapChunk("B03.tga", {})).Add(StarMapChunk("B04.tga", {}));
  Walk third(BgmsFile(Bmsh(3, {{514, {0, 1, 2}}}), Bytes(maps).Add(StarsChunk({}))));
  EXPECT_TRUE(third.result.failed && !third.model.hasSTRF);
  EXPECT_EQ(third.model.bgsgTable.size(), 3u);
  Bytes cut;  // two index lists announced, one stored
  cut.I32(0).I32(0).I32(1).I32(0).I32(0).I32(3).Zeros(60).I16(2).I32(514).I32(3).I16(0).I16(1).I16(2);
  Walk cutShort(BgmsFile(Bmsh(3, {{514, {2, 1, 0}}}).Add(Nrml("BMSH", cut))));
  ASSERT_TRUE(cutShort.result.failed);
  EXPECT_EQ(cutShort.model.bgmsTable.size(), 2u);
  EXPECT_EQ(CornerNumbers(cutShort.model), (std::vector<int>{2, 1, 0}));
  // The row being read stays, empty; the walk ends just behind the count.
  Walk stars(Bytes().Add(Vers(1000)).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF));
  EXPECT_TRUE(stars.result.offset == 36 && stars.result.reason.find("point-star") != std::string::npos)
      << stars.result.offset << " " << stars.result.reason;
  ASSERT_EQ(stars.model.strfTable.size(), 1u);
  EXPECT_TRUE(stars.model.strfTable[0].stars.empty());
}

// Doubling and the 0.99 shrink are pinned over a generated sky by the identical-outputs test; its stars are opaque, so
// here the alpha is not doubled.
TEST(PreviewLists, ColoursSaturateEachChannelPointStarsKeepTheirAlphaAndTheirTotalFitsA32BitCount) {
  EXPECT_EQ(sq::PackColourXrgb(510, -2, 256), 0xFFFF00FFu);  // no spill into the neighbour channel
  EXPECT_EQ(sq::PackColourValue(1.0f, 0.999f, 2.0f, -1.0f), 0x00FFFEFFu);
  EXPECT_EQ(sq::PackColourValue(NAN, 0.5f, 0, 1), 0xFF007F00u);
  sq::PointStarChunk chunk;
  chunk.starCount = 1;
  chunk.stars = {{0, 200, 0, 0.75f, -0.5f, 0.5f, 0.5f}};
  sq::PreviewLists lists;
  ASSERT_TRUE(sq::AppendPointStarPreview(lists, 1, sq::PointStarChunk{}));
  ASSERT_TRUE(sq::AppendPointStarPreview(lists, 2, chunk));
  ASSERT_EQ(lists.starPreviewCount, 1);
  EXPECT_EQ(lists.starPreviewVertices.at(0).colour, 0x7FFF00FFu);
  // A point-star total past a 32-bit count ends the walk.
  sq::Model model;
  const std::vector<uint8_t> none;
  sq::Reader reader(none);
  sq::WalkContext ctx(reader);
  chunk.stars = {{1, 0, 0, 0, 0, 0, 1}, {2, 0, 0, 0, 0, 0, 1}};
  model.previewSources.pointStarTotal = 0x7FFFFFFE;
  EXPECT_FALSE(sq::NotePointStarPreview(ctx, model, chunk, "point-star chunk 3"));
  ASSERT_TRUE(reader.Failed());
  EXPECT_EQ(reader.Failure()->reason, "point-star chunk 3 has more stars than the preview list can count");
  EXPECT_TRUE(model.previewSources.pointStars.empty());
}

TEST(PreviewLists, StarMapSquaresOnEitherAxisTheOwnerBuildsThemARebuildReplacesThemAndASlotKeepsItsLastMap) {
  sq::StarMapChunk chunk;
  chunk.recordCount = 1;
  chunk.records = {{100, 0, 0, 10, 0.5f, 1, 0, 1}};
  sq::PreviewLists lists;
  ASSERT_TRUE(sq::BuildStarMapPreview(lists, 2, chunk));
  const sq::StarMapPreviewEntry& e = lists.starMapPreview[1];
  ASSERT_EQ(e.vertexCount, 6);
  const uint32_t colour = 0xFF7FFF00u;  // not doubled
  const std::vector<sq::StarMapVertex> expected = {{101, 10, -10, colour, 0, 1}, {101, 0, -10, colour, 0, 0},
                                                   {101, 0, 0, colour, 1, 0},    {101, 0, 0, colour, 1, 0},
                                                   {101, 10, 0, colour, 1, 1},   {101, 10, -10, colour, 0, 1}};
  EXPECT_EQ(e.vertices, expected);
  EXPECT_EQ(lists.starMapPreview[0].vertexCount, 0);
  EXPECT_FALSE(sq::BuildStarMapPreview(lists, 3, chunk));
  // A new chunk replaces its entry.
  ASSERT_TRUE(sq::BuildStarMapPreview(lists, 2, sq::StarMapChunk{}));
  EXPECT_TRUE(lists.starMapPreview[1].vertexCount == 0 && lists.starMapPreview[1].vertices.empty());
  // On the vertical axis, above, below and at the centre, it stays a square.
  for (float y : {250.0f, -250.0f, 0.0f}) {
    chunk.records = {{0, y, 0, 10, 1, 1, 1, 1}};
    ASSERT_TRUE(sq::BuildStarMapPreview(lists, 1, chunk));
    const auto& v = lists.starMapPreview[0].vertices;
    auto side = [&](int a, int b) { return std::hypot(v[a].x - v[b].x, v[a].y - v[b].y, v[a].z - v[b].z); };
    for (const auto& vertex : v) EXPECT_TRUE(std::isfinite(vertex.x + vertex.y + vertex.z)) << y;
    EXPECT_NEAR(side(2, 1), 10.0, 1e-4) << y;  // Q to Q + aR
    EXPECT_NEAR(side(2, 4), 10.0, 1e-4) << y;  // Q to Q + aU
    EXPECT_NEAR(side(1, 4), 10.0 * std::sqrt(2.0), 1e-4) << y;
    EXPECT_EQ(v[2].y, static_cast<float>(1.01 * y));
  }
  // The owner builds them from the model, a rebuild replaces them, and a slot keeps its last map.
  Walk w(BgmsFile(Bmsh(4, {{518, {0, 1, 2, 3}}}).Add(StarsChunk({Star(1)})),
                  StarMapChunk("B02.tga", {{100, 0, 0, 10, 1, 1, 1, 1}}).Add(StarsChunk({Star(2), Star(3)}))));
  ASSERT_FALSE(w.result.failed) << w.result.reason;
  sq::PreviewLists rebuilt = PreviewOf(w.model);
  const sq::PreviewLists first = rebuilt;
  EXPECT_EQ(std::tuple(first.meshPreviewCount, first.starPreviewCount, first.starMapPreview[0].vertexCount),
            std::tuple(6, 3, 6));  // both runs' stars
  // Built again into the same lists, they replace themselves: nothing doubles.
  sq::BuildPreviewLists(w.model, rebuilt);
  EXPECT_EQ(std::tie(rebuilt.meshPreviewVertices, rebuilt.starPreviewVertices, rebuilt.starMapPreview[0].vertices),
            std::tie(first.meshPreviewVertices, first.starPreviewVertices, first.starMapPreview[0].vertices));
  // A model with no background empties lists that held one.
  sq::BuildPreviewLists(sq::Model{}, rebuilt);
  EXPECT_TRUE(rebuilt.meshPreviewCount == 0 && rebuilt.meshPreviewVertices.empty() &&
              rebuilt.starPreviewVertices.empty() && rebuilt.starMapPreview[0].vertexCount == 0);
  // A star-map slot keeps the last map that filled it.
  const std::array<float, 8> r{100, 0, 0, 10, 1, 1, 1, 1};
  const Bytes firstRun = Bytes().Add(StarMapChunk("A.tga", {r})).Add(StarMapChunk("B.tga", {r, r}));
  // A later run of one map replaces the table; the second slot still shows B.
  Walk later(Bytes().Add(Vers(1000)).Add(firstRun).Add(StarsChunk({})).Add(StarMapChunk("C.tga", {r, r, r})));
  ASSERT_FALSE(later.result.failed) << later.result.reason;
  ASSERT_EQ(later.model.bgsgTable.size(), 1u);
  const sq::PreviewLists laterLists = PreviewOf(later.model);
  EXPECT_EQ(std::tuple(laterLists.starMapPreview[0].vertexCount, laterLists.starMapPreview[1].vertexCount),
            std::tuple(18, 12));
  // A map cut short by a lying count fills no slot: the first keeps A.
  Walk cut(Bytes().Add(Vers(1000)).Add(firstRun).Add(StarsChunk({})).Add(Form("BGSG", Bytes().Text("C.tga").I32(5))));
  ASSERT_TRUE(cut.result.failed);
  const sq::PreviewLists cutLists = PreviewOf(cut.model);
  EXPECT_EQ(std::tuple(cutLists.starMapPreview[0].vertexCount, cutLists.starMapPreview[1].vertexCount),
            std::tuple(6, 12));
}

TEST(ReadBGMS, IndexCheckAgreesWithTheFlatteningPassingTheSameListsFailingTheRestForTheSameReason) {
  uint32_t seed = 12345;
  auto next = [&](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int trial = 0; trial < 2000; ++trial) {
    const int vertices = static_cast<int>(next(6));
    std::vector<TypedList> lists(next(3) + 1);
    for (TypedList& l : lists) {
      l.type = std::array<int32_t, 3>{514, 518, 513}[next(3)];
      l.indices.resize(next(9));
      for (int16_t& i : l.indices) i = static_cast<int16_t>(static_cast<int>(next(vertices + 3)) - 1);
    }
    sq::Model model;
    sq::WalkHodBytes(BgmsFile(Bmsh(vertices, lists)).vec(), model);
    ASSERT_EQ(model.bgmsTable.size(), 1u);
    const sq::MeshPart& part = model.bgmsTable[0].parts[0];
    ASSERT_TRUE(part.indexLists[0].indices.Viewing());
    std::string checked, flattened;
    std::vector<sq::PreviewVertex> corners;
    EXPECT_EQ(sq::CheckMeshCorners(part, checked), sq::AppendMeshCorners(part, corners, flattened)) << trial;
    EXPECT_EQ(checked, flattened) << trial;
  }
}

// The tables view the file's bytes: they stay readable after the command has returned, until the model is reset.
TEST(ReportCommand, TheModelKeepsTheFileItViews) {
  TempDir dir;
  WriteBytes(dir / "sky.hod", BgmsFile(Bmsh(3, {{514, {0, 1, 2}}})));
  sq::Model model;
  RecordingPlatform platform;
  ASSERT_EQ(sq::ReportCommand(model, dir / "sky.hod", dir.path(), false, platform).status,
            sq::ReportOutcome::Status::Written);
  std::filesystem::remove(dir / "sky.hod");
  ASSERT_TRUE(model.fileBytes);
  EXPECT_EQ(model.bgmsTable[0].parts[0].vertices[2].y, 20.0f);
  const std::weak_ptr<const sq::FileBytes> bytes = model.fileBytes;
  sq::ResetModel(model);
  EXPECT_TRUE(bytes.expired());
}
