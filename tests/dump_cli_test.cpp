// `starquill dump`: the JSON's tree, tables and documents of several files; the tree view;
// the JSON against docs/dump.schema.json, checked by python3-jsonschema.
#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "hod/hod_walk.h"
#include "support/detail_chunks.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;
using nlohmann::json;

namespace {

// The kinds of file the dump's tests read: a whole model and background, each cut
// short, and hostile ones (counts past the file, texts of any bytes, an unknown
// kind, a repeated once-only chunk, nothing at all).
std::vector<std::pair<std::string, Bytes>> DumpSamples() {
  const Bytes ship = FullModelHod(), sky = FullBackgroundHod(3, 3);
  auto cut = [](const Bytes& whole, std::size_t n) { return Bytes().Raw(whole.vec().data(), n); };
  Bytes hostile;
  hostile.Add(Vers(1000)).Add(StarMapChunk(std::string("\xFF\x01\x80", 3), {}));
  hostile.Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF);
  return {{"whole ship", ship},
          {"whole background", sky},
          {"truncated ship", cut(ship, ship.size() / 2)},
          {"truncated background", cut(sky, 101)},
          {"hostile count", hostile},
          {"hostile texts", ModelFile(InfoForm({{"WARN", std::string("\x7F\xC3(\n", 4)}}))},
          {"unknown kind", Bytes().Add(Vers(1000)).Tag("\x00\xFFzz").Zeros(20)},
          {"second VERS", Bytes().Add(Vers(1000)).Add(Vers(512))},
          {"empty", Bytes()}};
}

const std::string kValidate =
    "import json, sys, jsonschema\n"
    "schema = json.load(open(sys.argv[1]))\n"
    "jsonschema.Draft202012Validator.check_schema(schema)\n"
    "validator = jsonschema.Draft202012Validator(schema)\n"
    "for path in sys.argv[2:]:\n"
    "    for error in validator.iter_errors(json.load(open(path, encoding='utf-8'))):\n"
    "        print(path + ': ' + error.message + ' at ' + '/'.join(map(str, error.absolute_path)))\n"
    "        sys.exit(1)\n";

ProcessResult Validate(const std::vector<std::filesystem::path>& documents, const TempDir& scratch) {
  std::vector<std::string> args = {"-c", kValidate,
                                   (std::filesystem::path(STARQUILL_SOURCE_DIR) / "docs/dump.schema.json").string()};
  for (const auto& d : documents) args.push_back(d.string());
  return RunProgram(PYTHON3_EXE, args, scratch.path());
}

// The tree in the order it reads, each node then its children, as "offset size";
// each node's depth is its place in the tree.
void Flatten(const json& nodes, int depth, std::vector<std::string>& out) {
  for (const json& node : nodes) {
    EXPECT_EQ(node["depth"], depth);
    out.push_back(node["offset"].dump() + " " + node.value("size", json()).dump());
    Flatten(node["children"], depth + 1, out);
  }
}

}  // namespace

// Several inputs make one document with one entry a file, in input order; a file
// that cannot be read keeps its place with the reason. Bytes of a file's texts keep
// their value whatever they are: each is one character. The tree view shows the same.
TEST(DumpCli, TablesOfSeveralFilesTextsOfAnyBytesAndTheTreeView) {
  TempDir dir;
  WriteBytes(dir / "sky.hod", FullBackgroundHod(2, 2));
  WriteBytes(dir / "ship.hod", FullModelHod());
  const std::string sky = (dir / "sky.hod").string(), missing = (dir / "missing.hod").string();
  const ProcessResult batch = Starquill({"dump", "--tables", sky, missing, (dir / "ship.hod").string()}, dir);
  EXPECT_EQ(batch.status, 2);
  EXPECT_EQ(batch.err, missing + ": starquill dump: cannot open " + missing +
                           "\n3 files: 1 clean, 0 with warnings, 1 with errors, 1 unreadable\n");
  const json doc = json::parse(batch.out);
  ASSERT_EQ(doc["files"].size(), 3u);
  EXPECT_EQ(doc["files"][0]["file"], sky);
  EXPECT_EQ(doc["files"][1], json({{"file", missing}, {"error", "cannot open " + missing}}));
  const json& background = doc["files"][0]["tables"]["background"];
  EXPECT_EQ(background["bgmsTable"][1]["parts"][0]["vertices"], json({{"count", 4}, {"byteLength", 80}}));
  EXPECT_EQ(background["bgmsTable"][1]["parts"][0]["indexLists"][0]["primitiveType"], 518);
  EXPECT_EQ(background["bgsgTable"][0]["textureName"], "B02.tga");
  const json& ship = doc["files"][2]["tables"];
  EXPECT_EQ(ship["hodHeader"]["hodName"], "Fighter1");
  EXPECT_EQ(ship["visual"]["multTable"][0]["secondName"], "Hull");
  EXPECT_EQ(ship["visual"]["lmipTable"][0]["pixelData"]["byteLength"], 16);
  EXPECT_EQ(ship["detail"]["animTable"][0]["keys"][1]["values"], json({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ship["detail"]["infoRecord"]["warning"]["text"], "check the docking path");
  // Without --tables, none.
  EXPECT_FALSE(json::parse(Starquill({"dump", (dir / "ship.hod").string()}, dir).out).contains("tables"));
  // Texts of any bytes, and the tree view.
  const std::string path = (dir / "odd.hod").string();
  const Bytes head = Bytes().Add(Vers(1000)).Tag("FORM").BE32(2).Tag("NAME");  // too short for its text
  WriteBytes(path, Bytes().Add(head).Add(StarMapChunk("B\xE9\x01", {})).Tag("\xFF\x80ZZ").Zeros(8));
  ProcessResult r = Starquill({"dump", "--tables", path}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["tables"]["background"]["bgsgTable"][0]["textureName"], "B\u00E9\u0001");
  // Written as UTF-8; only control characters are escaped.
  EXPECT_NE(r.out.find("\"textureName\": \"B\u00E9\\u0001\""), std::string::npos) << r.out;
  r = Starquill({"dump", "--format", "tree", path}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "File: " + path +
                "\nSize: 63\nWalkEnd {\n  Offset: 51\n  Reason: none\n  StoppedAt: \u00FF\u0080ZZ\n  Unread: 12\n}\n"
                "Chunks [\n  FORM VERS {\n    Offset: 0\n    Size: 8 (stored 0x08000000)\n    Reader: WalkHod\n  }\n"
                "  FORM NAME {\n    Offset: 16\n    Size: 2 (stored 0x02000000)\n    Reader: WalkHod\n  }\n"
                "  FORM BGSG {\n    Offset: 28\n    Size: 15 (stored 0x0F000000)\n    Reader: ReadStarMapChunk\n  }\n"
                "  \u00FF\u0080ZZ {\n    Offset: 51\n    Reader: none (the walk stopped here)\n  }\n]\n"
                "Messages [\n  28: error: Unqualified string at 29\n]\n");
}

// For every kind of file, the JSON's tree is the walk's record, which in turn names the
// bytes at each entry's offset (kind or token; a header's size as stored and its id).
// Each document, with and without the sound test, and one of several meet the schema.
TEST(IndependentReaders, DumpTreeIsTheWalksRecordAndMeetsTheSchema) {
  TempDir dir;
  std::vector<std::filesystem::path> documents;
  std::vector<std::string> all = {"dump", "--tables"};
  for (const auto& [name, file] : DumpSamples()) {
    SCOPED_TRACE(name);
    const auto hod = dir / (std::to_string(documents.size()) + ".hod");
    WriteBytes(hod, file);
    all.push_back(hod.string());
    for (const bool sound : {false, true}) {
      sq::Model model;
      sq::WalkRecord record;
      (void)sq::WalkHodBytes(file.vec(), model, sound, &record);
      std::vector<std::string> expected;
      const uint8_t* bytes = file.vec().data();
      for (const sq::ChunkEntry& e : record.chunks) {
        expected.push_back(std::to_string(e.offset) + " " +
                           (e.header ? std::to_string(sq::ByteSwap32(e.size)) : "null"));
        ASSERT_LE(e.offset + (e.header ? 12 : 4), file.size());
        EXPECT_EQ(std::memcmp(bytes + e.offset, e.kind.data(), 4), 0) << e.offset;
        if (!e.header) continue;
        EXPECT_EQ(std::memcmp(bytes + e.offset + 4, &e.size, 4), 0) << e.offset;
        EXPECT_EQ(std::memcmp(bytes + e.offset + 8, e.id.data(), 4), 0) << e.offset;
      }
      EXPECT_EQ(expected.empty(), file.size() == 0);
      const ProcessResult r = Starquill({"dump", sound ? "--sound-test" : "--tables", hod.string()}, dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const json doc = json::parse(r.out);
      EXPECT_EQ(doc["format_version"], 2);
      EXPECT_EQ(doc["size"], file.size());
      std::vector<std::string> tree;
      Flatten(doc["chunks"], 0, tree);
      EXPECT_EQ(tree, expected);
      documents.push_back(dir / (std::to_string(documents.size()) + ".json"));
      WriteText(documents.back(), r.out);
    }
  }
  // Read-only: the folder holds the inputs and the two documents of each alone.
  EXPECT_EQ(FileCount(dir.path()), static_cast<long>(3 * DumpSamples().size()));
  all.push_back((dir / "missing.hod").string());
  const ProcessResult batch = Starquill(all, dir);
  EXPECT_EQ(batch.status, 2);
  documents.push_back(dir / "batch.json");
  WriteText(documents.back(), batch.out);
  const ProcessResult check = Validate(documents, dir);
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  // The check itself can fail: a document without its walk's end does.
  std::string broken = ReadText(documents.front());
  broken.replace(broken.find("\"walk_end\""), 10, "\"walk_ends\"");
  WriteText(dir / "broken.json", broken);
  EXPECT_EQ(Validate({dir / "broken.json"}, dir).status, 1);
}
