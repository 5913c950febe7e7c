// Runs over many files: folders with and without -r, outputs whole and in input
// order whatever the number of jobs, bad inputs that stop nothing, and report
// outputs that never mix.
#include <gtest/gtest.h>

#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;
namespace fs = std::filesystem;

TEST(BatchCli, FoldersWithAndWithoutRecursionInPathOrderAndBadInputs) {
  TempDir dir;
  const fs::path mods = dir / "mods";
  WriteBytes(mods / "z.hod", Vers(1000));
  WriteBytes(mods / "a" / "x.hod", Vers(513));
  WriteBytes(mods / "a" / "notes.txt", Vers(1000));  // no ".hod" in its name: not taken
  WriteBytes(mods / "b" / "c" / "y.hod.bak", Vers(1000));
  fs::create_directories(dir / "empty");
  ProcessResult r = Starquill({"check", mods.string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "1 file: 1 clean, 0 with warnings, 0 with errors, 0 unreadable\n");
  // Each bad input is one line and counts at the end; the other files are done.
  const std::string missing = (dir / "missing.hod").string();
  r = Starquill({"check", "-r", missing, (dir / "empty").string(), mods.string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, (mods / "a" / "x.hod").string() + ":12: warning: Unusual HOD version ! (Long): 513\n");
  EXPECT_EQ(r.err, (dir / "empty").string() + ": no HOD files in this folder or below it\n" + missing +
                       ": starquill check: cannot open " + missing +
                       "\n5 files: 2 clean, 1 with warnings, 0 with errors, 2 unreadable\n");
  // An output folder that cannot be made: a file stands where it would go.
  const fs::path out = dir / "out";
  WriteBytes(out / "a" / "x", Vers(1000));
  r = Starquill({"report", "-r", mods.string(), "--out-dir", out.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot make the output folder " + (out / "a" / "x").string()), std::string::npos) << r.err;
  EXPECT_EQ(r.out, (out / "b" / "c" / "y" / "y.HODreport.rtf").string() + "\n" +
                       (out / "z" / "z.HODreport.rtf").string() + "\n");
  // In a batch, what a file's run says on stderr names the file.
  WriteBytes(dir / "bad.hod", Bytes().Add(Vers(1000)).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(-5));
  r = Starquill({"report", (dir / "bad.hod").string(), (mods / "z.hod").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, (dir / "bad.hod").string() +
                       ": starquill report: the walk ended at byte 36: negative point-star count -5\n"
                       "2 files: 1 clean, 0 with warnings, 1 with errors, 0 unreadable\n");
  EXPECT_TRUE(fs::exists(dir / "bad" / "bad.HODreport.rtf"));  // written all the same
  // Path order goes name by name: a folder's files come where its name falls among its
  // neighbours' ("a" before "a-b" before "a.hod"), not where its path's text would.
  const fs::path ordered = dir / "ordered";
  for (const fs::path& file :
       {ordered / "a.hod", ordered / "a-b" / "w.hod", ordered / "a" / "y.hod", ordered / "a" / "b" / "x.hod"}) {
    WriteBytes(file, Vers(513));
  }
  const ProcessResult sorted = Starquill({"check", "-r", "-j2", ordered.string()}, dir);
  std::string expected;
  for (const fs::path& file :
       {ordered / "a" / "b" / "x.hod", ordered / "a" / "y.hod", ordered / "a-b" / "w.hod", ordered / "a.hod"}) {
    expected += file.string() + ":12: warning: Unusual HOD version ! (Long): 513\n";
  }
  EXPECT_EQ(sorted.out, expected);
}

// However many files run at a time, the output is that of one file after the
// other, and each file's part is what a run on it alone prints.
TEST(BatchCli, ParallelRunsPrintWhatOneAtATimeRunsPrint) {
  TempDir dir;
  const fs::path mods = dir / "mods";
  // Files of every kind, and what runs on each alone say: clean, warnings (status 0), errors (1).
  const Bytes ship = FullModelHod();
  std::string alone;
  std::size_t clean = 0, warnings = 0, errors = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    const fs::path set = mods / ("set" + std::to_string(i));
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"cut.hod", Bytes().Raw(ship.vec().data(), 40 + 97 * i)},
        {"huge.hod", Bytes().Add(Vers(1000)).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF)},
        {"odd.hod", Bytes().Add(Vers(513))},
        {"ship.hod", ship},
        {"sky.hod", FullBackgroundHod(2 + static_cast<int>(i % 3), 2)}};
    for (const auto& [name, bytes] : files) {
      WriteBytes(set / name, bytes);
      const ProcessResult single = Starquill({"check", (set / name).string()}, dir);
      alone += single.out;
      (single.status == 1 ? errors : single.out.empty() ? clean : warnings) += 1;
    }
  }
  ASSERT_TRUE(clean > 0 && warnings > 0 && errors > 0);
  const std::string summary = "25 files: " + std::to_string(clean) + " clean, " + std::to_string(warnings) +
                              " with warnings, " + std::to_string(errors) + " with errors, 0 unreadable\n";
  for (const char* command : {"check", "dump"}) {
    SCOPED_TRACE(command);
    const ProcessResult one = Starquill({command, "-r", "-j", "1", mods.string()}, dir);
    const ProcessResult four = Starquill({command, "-r", "-j4", mods.string()}, dir);
    EXPECT_EQ(one.status, std::string(command) == "check" ? 1 : 0);
    EXPECT_EQ(four.status, one.status);
    EXPECT_EQ(four.out, one.out);
    EXPECT_EQ(four.err, one.err);
    EXPECT_EQ(one.err.substr(one.err.rfind('\n', one.err.size() - 2) + 1), summary);
    if (std::string(command) == "check") {
      EXPECT_EQ(one.out, alone);
    }
  }
  // Reports: the same files with the same bytes, one folder a file, as a run on one file alone writes.
  ASSERT_EQ(Starquill({"report", "-r", "-j1", mods.string(), "--out-dir", (dir / "one").string()}, dir).status, 0);
  ASSERT_EQ(Starquill({"report", "-r", "-j4", mods.string(), "--out-dir", (dir / "four").string()}, dir).status, 0);
  const ProcessResult single =
      Starquill({"report", (mods / "set3" / "ship.hod").string(), "--out-dir", (dir / "alone").string()}, dir);
  ASSERT_EQ(single.status, 0) << single.err;
  const auto tree = FilesIn(dir / "one");
  EXPECT_EQ(FilesIn(dir / "four"), tree);
  const auto written = FilesIn(dir / "alone");
  EXPECT_TRUE(written.count("ship.HODreport.rtf") && written.count("HIER1.obj"));
  for (const auto& [name, bytes] : written) EXPECT_EQ(tree.at("set3/ship/" + name), bytes) << name;
}

// Outputs go to a folder a file; two files that would share one (one base name
// in one folder) are not both written: the second says whose folder it is.
TEST(BatchCli, ReportsOfOneBaseNameNeverMix) {
  TempDir dir;
  const fs::path mods = dir / "mods";
  WriteBytes(mods / "ship.hod", FullModelHod());
  WriteBytes(mods / "ship.hod.bak", FullModelHod());
  WriteBytes(mods / "old" / "ship.hod", Vers(1000));
  const ProcessResult r = Starquill({"report", "-r", mods.string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, (mods / "old" / "ship" / "ship.HODreport.rtf").string() + "\n" +
                       (mods / "ship" / "ship.HODreport.rtf").string() + "\n");
  EXPECT_NE(r.err.find((mods / "ship.hod.bak").string() + ": starquill report: not written: its outputs would go to " +
                       (mods / "ship").string() + ", where those of " + (mods / "ship.hod").string() + " go\n"),
            std::string::npos)
      << r.err;
  // The folders hold their own file's outputs only: one hierarchy, not two.
  EXPECT_EQ(ReadText(mods / "ship" / "HIER2.txt").find("object: Gun"),
            ReadText(mods / "ship" / "HIER2.txt").rfind("object: Gun"));
  EXPECT_FALSE(fs::exists(mods / "old" / "ship" / "HIER2.txt"));
}
