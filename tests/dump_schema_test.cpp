// The dump's JSON against docs/dump.schema.json, checked by python3-jsonschema,
// for every kind of file the dump's tests make and for a document of several.
#include <gtest/gtest.h>

#include "tests/dump_kit.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

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

}  // namespace

TEST(IndependentReaders, DumpJsonMeetsItsSchema) {
  TempDir dir;
  std::vector<std::filesystem::path> documents;
  std::vector<std::string> all = {"dump", "--tables"};
  for (const auto& [name, file] : DumpSamples()) {
    const auto hod = dir / (std::to_string(documents.size()) + ".hod");
    WriteBytes(hod, file);
    all.push_back(hod.string());
    for (const char* option : {"--tables", "--sound-test"}) {
      const ProcessResult r = Starquill({"dump", option, hod.string()}, dir);
      ASSERT_EQ(r.status, 0) << name << ": " << r.err;
      documents.push_back(dir / (std::to_string(documents.size()) + ".json"));
      WriteBytes(documents.back(), std::vector<uint8_t>(r.out.begin(), r.out.end()));
    }
  }
  all.push_back((dir / "missing.hod").string());
  const ProcessResult batch = Starquill(all, dir);
  EXPECT_EQ(batch.status, 2);
  documents.push_back(dir / "batch.json");
  WriteBytes(documents.back(), std::vector<uint8_t>(batch.out.begin(), batch.out.end()));

  const ProcessResult check = Validate(documents, dir);
  EXPECT_EQ(check.status, 0) << check.out << check.err;

  // The check itself can fail: a document without its walk's end does.
  std::string broken = ReadText(documents.front());
  broken.replace(broken.find("\"walk_end\""), 10, "\"walk_ends\"");
  WriteBytes(dir / "broken.json", std::vector<uint8_t>(broken.begin(), broken.end()));
  EXPECT_EQ(Validate({dir / "broken.json"}, dir).status, 1);
}
