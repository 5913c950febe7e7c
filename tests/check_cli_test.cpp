// `starquill check`: one line a finding, as editors and CI read them, and an exit
// status a script can trust.
#include <gtest/gtest.h>

#include "support/detail_chunks.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

const std::filesystem::path kSample = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod";

std::size_t FilesIn(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

TEST(CheckCli, FindingsWithTheirOffsetsAndTheStatus) {
  TempDir dir;
  // Clean: no line at all.
  ProcessResult r = Starquill({"check", kSample.string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");

  // A warning alone passes, unless warnings count as errors.
  const auto odd = (dir / "odd.hod").string();
  WriteBytes(odd, Bytes().Add(Vers(513)).Add(Nrml("BGLT", Bytes().I32(0))));
  r = Starquill({"check", odd}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, odd + ":12: warning: Unusual HOD version ! (Long): 513\n");
  EXPECT_EQ(Starquill({"check", "--warnings-as-errors", odd}, dir).status, 1);

  // A file cut between two chunks reads without harm, but its form claims more.
  const auto cut = (dir / "cut.hod").string();
  WriteBytes(cut, Bytes().Add(Vers(1000)).Tag("FORM").BE32(100).Tag("BGMS"));
  r = Starquill({"check", cut}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, cut + ":16: warning: FORM BGMS claims 100 bytes behind its size, 96 more than the file holds\n");

  // An error of the model names the chunk it is about: the one BSRM form.
  const auto bsrm = (dir / "bsrm.hod").string();
  WriteBytes(bsrm, ModelFile(BsrmForm({.meshName = "Hull", .ssub = SsubBytes({{0}})})));
  r = Starquill({"check", bsrm}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(bsrm + ":28: error: 1 BSRMs does not correspond to  # MULTs  +  # GOBGs\n"), std::string::npos)
      << r.out;

  // A file that cannot be read.
  r = Starquill({"check", (dir / "missing.hod").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("missing.hod"), std::string::npos);
  EXPECT_EQ(FilesIn(dir.path()), 3u);  // the check wrote nothing
}

// A walk that ends before the end of the file is an error where it ended: a
// count refused, a chunk no reader takes, a file cut inside a chunk.
TEST(CheckCli, AWalkThatEndsEarlyIsAnErrorAtItsOffset) {
  TempDir dir;
  const Bytes head = Bytes().Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0)));
  struct Case {
    Bytes file;
    std::string line;
  };
  const std::vector<Case> cases = {
      {Bytes().Add(head).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(-5),
       ":52: error: the walk ended early: negative point-star count -5"},
      {Bytes().Add(head).Add(Form("ZZZZ", Bytes().I32(1))).Add(PointStars(1, 0)),
       ":32: error: the walk ended early at FORM ZZZZ, a chunk no reader takes here: the last 64 bytes were not read"},
      {Bytes().Add(head).Raw({'N', 'R'}), ":32: error: the walk ended early: the last 2 bytes were not read"},
  };
  for (const Case& c : cases) {
    const auto path = (dir / "early.hod").string();
    WriteBytes(path, c.file);
    const ProcessResult r = Starquill({"check", path}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, path + c.line + "\n");
  }
}
