// `starquill dump`: the chunk tree as the walk met it, read back from the JSON and
// laid beside the walk's own record; the tables under the model's names; the tree
// view; several files as one document.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "hod/modFarholdhod.h"
#include "support/sample_files.h"
#include "tests/dump_kit.h"
#include "tests/test_kit.h"

using namespace sqtest;
using nlohmann::json;

namespace {

// The offsets of the tree in the order it reads: each node, then its children.
void Offsets(const json& nodes, std::vector<uint64_t>& out) {
  for (const json& node : nodes) {
    out.push_back(node["offset"].get<uint64_t>());
    Offsets(node["children"], out);
  }
}

std::vector<uint64_t> RecordOffsets(const Bytes& file) {
  sq::Model model;
  sq::WalkRecord record;
  RecordingPlatform platform;
  (void)sq::WalkHodBytes(file.vec(), model, platform, sq::kNoSideFiles, false, &record);
  std::vector<uint64_t> offsets;
  for (const sq::ChunkEntry& e : record.chunks) offsets.push_back(e.offset);
  return offsets;
}

}  // namespace

TEST(DumpCli, TheTreeReadBackHasTheWalksOffsets) {
  for (const auto& [name, file] : DumpSamples()) {
    SCOPED_TRACE(name);
    TempDir dir;
    WriteBytes(dir / "f.hod", file);
    const ProcessResult r = Starquill({"dump", (dir / "f.hod").string()}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const json doc = json::parse(r.out);
    EXPECT_EQ(doc["format_version"], 1);
    EXPECT_EQ(doc["size"], file.size());
    std::vector<uint64_t> offsets;
    Offsets(doc["chunks"], offsets);
    EXPECT_EQ(offsets, RecordOffsets(file));
    EXPECT_EQ(offsets.empty(), file.size() == 0);
    // Read-only: the folder holds the file alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

TEST(DumpCli, TablesUnderTheModelsNamesWithBlocksAsCounts) {
  TempDir dir;
  WriteBytes(dir / "sky.hod", FullBackgroundHod(2, 2));
  ProcessResult r = Starquill({"dump", "--tables", (dir / "sky.hod").string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const json tables = json::parse(r.out)["tables"];
  EXPECT_EQ(tables["hodHeader"]["hodVersion"], 1000);
  const json& mesh = tables["background"]["bgmsTable"][1]["parts"][0];
  EXPECT_EQ(mesh["vertexCount"], 4);
  EXPECT_EQ(mesh["vertices"], json({{"count", 4}, {"byteLength", 80}}));
  EXPECT_EQ(mesh["indexLists"][0]["primitiveType"], 518);
  EXPECT_EQ(tables["background"]["bgsgTable"][0]["textureName"], "B02.tga");
  EXPECT_EQ(tables["background"]["strfTable"][1]["stars"]["count"], 1);

  WriteBytes(dir / "ship.hod", FullModelHod());
  r = Starquill({"dump", "--tables", (dir / "ship.hod").string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const json model = json::parse(r.out)["tables"];
  EXPECT_EQ(model["hodHeader"]["hodName"], "Fighter1");
  EXPECT_EQ(model["visual"]["multTable"][0]["secondName"], "Hull");
  EXPECT_EQ(model["visual"]["lmipTable"][0]["pixelData"]["byteLength"], 16);
  EXPECT_EQ(model["detail"]["animTable"][0]["keys"][1]["values"], json({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(model["detail"]["infoRecord"]["warning"]["text"], "check the docking path");
  // Without --tables, none.
  EXPECT_FALSE(json::parse(Starquill({"dump", (dir / "ship.hod").string()}, dir).out).contains("tables"));
}

// Bytes of a file's texts keep their value whatever they are: each is one character.
TEST(DumpCli, TextsOfAnyBytesAndTheTreeView) {
  TempDir dir;
  Bytes file;
  file.Add(Vers(1000)).Add(StarMapChunk(std::string("B\xE9\x01", 3), {})).Tag("\xFF\x80ZZ").Zeros(8);
  WriteBytes(dir / "odd.hod", file);
  ProcessResult r = Starquill({"dump", "--tables", (dir / "odd.hod").string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["tables"]["background"]["bgsgTable"][0]["textureName"], "B\u00E9\u0001");
  EXPECT_EQ(doc["walk_end"]["stopped_at"]["kind"], "\u00FF\u0080ZZ");
  EXPECT_EQ(doc["walk_end"]["offset"], file.size() - 12);
  EXPECT_EQ(doc["walk_end"]["unread"], 12);

  r = Starquill({"dump", "--format", "tree", (dir / "odd.hod").string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(
      r.out.find("Chunks [\n  FORM VERS {\n    Offset: 0\n    Size: 8 (stored 0x08000000)\n    Reader: WalkHod\n"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Reader: none (the walk stopped here)"), std::string::npos);
  EXPECT_NE(r.out.find("  Unread: 12\n"), std::string::npos);
}

// Several inputs make one document with one entry a file, in input order; a file
// that cannot be read keeps its place with the reason.
TEST(DumpCli, SeveralFilesAreOneDocument) {
  TempDir dir;
  WriteBytes(dir / "a.hod", Vers(1000));
  WriteBytes(dir / "b.hod", Vers(512));
  const ProcessResult r =
      Starquill({"dump", (dir / "b.hod").string(), (dir / "missing.hod").string(), (dir / "a.hod").string()}, dir);
  EXPECT_EQ(r.status, 2);
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["format_version"], 1);
  ASSERT_EQ(doc["files"].size(), 3u);
  EXPECT_EQ(doc["files"][0]["file"], (dir / "b.hod").string());
  EXPECT_TRUE(doc["files"][1].contains("error"));
  EXPECT_EQ(doc["files"][2]["file"], (dir / "a.hod").string());
  EXPECT_NE(r.err.find("3 files: 1 clean, 1 with warnings, 0 with errors, 1 unreadable\n"), std::string::npos) << r.err;
}
