// `starquill check`: one line a finding, as editors and CI read them, and an exit
// status a script can trust.
#include <gtest/gtest.h>

#include "support/detail_chunks.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

TEST(CheckCli, FindingsWithTheirOffsetsAndTheStatus) {
  TempDir dir;
  const Bytes head = Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0)));
  const Bytes odd = Bytes().Add(Vers(513)).Add(Nrml("BGLT", Bytes().I32(0)));
  const std::string stat = ": warning: HOD without STAT headers ( ! )";
  struct Case {
    int status;
    std::vector<std::string> lines;  // each behind the file's path
    Bytes file;
    std::vector<std::string> options = {};
  };
  const std::vector<Case> cases = {
      // A warning alone passes, unless warnings count as errors.
      Case(0, {":12: warning: Unusual HOD version ! (Long): 513"}, odd),
      Case(1, {":12: warning: Unusual HOD version ! (Long): 513"}, odd, {"--warnings-as-errors"}),
      // A file cut between two chunks reads without harm, but its form claims more.
      Case(0, {":16: warning: FORM BGMS claims 100 bytes behind its size, 96 more than the file holds"},
           Bytes().Add(Vers(1000)).Tag("FORM").BE32(100).Tag("BGMS")),
      // An error of the model names the chunk it is about (the one BSRM form);
      // findings without a place come last.
      Case(1, {":28: error: 1 BSRMs does not correspond to  # MULTs  +  # GOBGs", stat},
           ModelFile(BsrmForm({.meshName = "Hull", .ssub = SsubBytes({{0}})}))),
      // The walk's messages of weight, in the order of their places; a notice is none.
      Case(1,
           {":28: error: Unqualified string at 29", ":28" + stat,
            ":44: warning: SIMP chunk extraction not implemented."},
           Bytes().Add(Vers(512)).Tag("FORM").BE32(2).Tag("NAME").Add(Form("HVMD", Bytes().Tag("SIMP")))),
      Case(0, {stat}, ModelFile(InfoForm({{"OWNR", std::string("jdoe\0", 5)}}))),
      // A walk that ends before the end of the file is an error where it ended: a
      // count refused, a chunk no reader takes, a file cut inside a chunk.
      Case(1, {":52: error: the walk ended early: negative point-star count -5"},
           Bytes().Add(head).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(-5)),
      Case(1,
           {":32: error: the walk ended early at FORM ZZZZ, a chunk no reader takes here: the last 64 bytes were not "
            "read"},
           Bytes().Add(head).Add(Form("ZZZZ", Bytes().I32(1))).Add(PointStars(1, 0))),
      Case(1, {":32: error: the walk ended early: the last 2 bytes were not read"}, Bytes().Add(head).Raw({'N', 'R'})),
      Case(0, {}, FullBackgroundHod()),  // clean: no line at all
  };
  const auto path = (dir / "f.hod").string();
  for (const Case& c : cases) {
    WriteBytes(path, c.file);
    std::vector<std::string> args = {"check"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path);
    const ProcessResult r = Starquill(args, dir);
    std::string expected;
    for (const std::string& line : c.lines) expected += path + line + "\n";
    EXPECT_EQ(r.status, c.status) << expected;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
  }
  // A file that cannot be read; the check wrote nothing.
  const ProcessResult r = Starquill({"check", (dir / "missing.hod").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "starquill check: cannot open " + (dir / "missing.hod").string() + "\n");
  EXPECT_EQ(FileCount(dir.path()), 1);
}
