// Where outputs go: never outside the output folder, whatever names a file or its
// contents carry; and an existing output is replaced whole or not at all.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <regex>
#include <thread>

#include "app/report_command.h"
#include "exports/side_exports.h"
#include "hod/hod_walk.h"
#include "output/file_output.h"
#include "output/output_folder.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;
using namespace std::string_literals;

// Reports of files named with ":", control bytes, ".."; side files of names inside a file,
// and side files given such a name bare: all land directly in the output folder.
TEST(OutputPaths, NamesNeverLeadOutOfTheOutputFolderAndAFailedReportLeavesTheOldFileWhole) {
  TempDir root;
  const auto in = root / "in", out = root / "out";
  std::filesystem::create_directories(out);
  for (const std::string name : {"c:evil", "ctl\x01\x1b", "..", "..."}) {
    const auto path = in / (name + ".hod");
    WriteBytes(path, Bytes().Add(Vers(1000)).vec());
    sq::Model model;
    RecordingPlatform platform;
    const sq::ReportOutcome outcome = sq::ReportCommand(model, path, out, false, platform);
    EXPECT_EQ(outcome.status, sq::ReportOutcome::Status::Written) << name;
    EXPECT_EQ(outcome.reportPath.parent_path(), out) << name;
    std::filesystem::remove(path);
  }
  EXPECT_EQ(FilesIn(root.path()).size(), 4u);
  // Names a hostile file might carry, each trying a different way out of a folder.
  for (const std::string& name : {"../escape"s, "../../escape"s, "/tmp/escape"s, "..\\escape"s, "C:\\escape"s,
                                  "c:escape"s, "a/../../escape"s, ".."s, "."s, ""s, "\x7f"s, "ctl\x01\x1b\n\r\0"s}) {
    const Bytes hier = Bytes().I32(1).Text(name).Text(name).F32s({1, 2, 3, 0, 0, 0, 1, 1, 1, 1, 2, 3}).Raw({0, 0, 0});
    Bytes detail;
    detail.Tag("HIER").BE32(static_cast<uint32_t>(hier.size())).Add(hier);
    detail.Tag("BURN").BE32(0).Text(name).Text(name).I32(1).I32(0).F32s({0, 0, -6});
    const Bytes file = Bytes().Add(Vers(512)).Add(Form("HVMD", VaryChunk(name))).Add(Form("DTRM", detail));
    sq::Model model;
    const sq::WalkResult walk = sq::WalkHodBytes(file.vec(), model);
    sq::DiskFolder folder(out);
    EXPECT_TRUE(sq::WriteSideExports(model, folder).empty()) << name;
    EXPECT_FALSE(walk.failed) << walk.reason;
    EXPECT_TRUE(model.hasVARY && model.hasBURN);
    EXPECT_EQ(model.hierarchyCount, 1);
    sq::SideFile bare(folder, name);
    bare.Line("v 0 0 0");
    EXPECT_EQ(bare.Close(), "") << name;
  }
  const auto files = FilesIn(root.path());
  EXPECT_GE(files.size(), 8u);
  for (const auto& [file, bytes] : files) {
    EXPECT_TRUE(file.starts_with("out/")) << file;
    EXPECT_EQ(file.find('/', 4), std::string::npos) << file;  // directly in out/, not deeper
    // Names went into lines too: no control byte but the CR LF of each line end.
    const std::string text = std::regex_replace(bytes, std::regex("\r\n"), "");
    EXPECT_TRUE(std::ranges::all_of(text, [](unsigned char c) { return c >= 0x20 && c != 0x7F; })) << file;
  }
  // A report that fails (a folder stands where its temporary file would go) leaves the old file whole.
  TempDir dir;
  const auto hod = dir / "m01.hod";
  WriteBytes(hod, Bytes().Add(Vers(1000)).vec());
  const auto report = dir / "m01.HODreport.rtf";
  WriteBytes(report, Bytes().Tag("{\\rtf1 old}").vec());
  std::filesystem::create_directory(dir / (".m01.HODreport.rtf.tmp" + std::to_string(::getpid())));
  sq::Model model;
  RecordingPlatform platform;
  const sq::ReportOutcome outcome = sq::ReportCommand(model, hod, dir.path(), false, platform);
  EXPECT_EQ(outcome.status, sq::ReportOutcome::Status::WriteFailed);
  EXPECT_EQ(ReadText(report), "{\\rtf1 old}");
  ASSERT_EQ(platform.messages.size(), 1u);
  // The path once, and the system's reason.
  EXPECT_EQ(platform.messages[0], std::string(sq::kAppTitle) + ": The report could not be written: cannot create " +
                                      report.string() + ": " + std::strerror(EISDIR));
  EXPECT_EQ(platform.icons, std::vector<sq::MessageIcon>{sq::MessageIcon::Error});
}

// Parts from several threads in any order make the file, on disk as in memory; a part
// reaching past the file is left out. No temporary file is left.
TEST(AtomicWrite, ReplacesWholeOrInPartsFromSeveralThreads) {
  TempDir dir;
  WriteBytes(dir / "sky.hod", std::vector<uint8_t>(4096, 0xAA));
  EXPECT_EQ(sq::WriteFileAtomic(dir / "sky.hod", "short"), "");
  EXPECT_EQ(ReadText(dir / "sky.hod"), "short");
  std::string whole(300000, '\0');
  for (std::size_t i = 0; i < whole.size(); ++i) whole[i] = static_cast<char>(i * 7 + i / 251);
  auto fill = [&](const sq::OutputFolder::PutPart& put) {
    constexpr std::size_t kPart = 4096;
    auto putEvery = [&](std::size_t first) {
      for (std::size_t at = first * kPart; at < whole.size(); at += 2 * kPart) {
        put(at, std::string_view(whole).substr(at, kPart));
      }
    };
    std::thread other(putEvery, 1);
    putEvery(0);
    other.join();
    put(whole.size() - 2, "past the end");
  };
  sq::DiskFolder disk(dir.path());
  WriteBytes(dir / "sky.tga", std::vector<uint8_t>(400000, 0xAA));
  EXPECT_EQ(disk.ReplaceInParts("sky.tga", whole.size(), fill), "");
  EXPECT_EQ(ReadText(dir / "sky.tga"), whole);
  sq::MemoryFolder memory;
  EXPECT_EQ(memory.ReplaceInParts("sky.tga", whole.size(), fill), "");
  ASSERT_NE(memory.Find("sky.tga"), nullptr);
  EXPECT_EQ(*memory.Find("sky.tga"), whole);
  EXPECT_EQ(FileCount(dir.path()), 2);
}

// A write the system refuses halfway (here the limit on a file's size) leaves the old
// file whole and no temporary file.
TEST(AtomicWrite, AWriteRefusedHalfwayLeavesTheOldFileWhole) {
  TempDir dir;
  const auto target = dir / "sky.tga";
  WriteBytes(target, std::vector<uint8_t>(10, 0xAA));
  const std::string old = ReadText(target);
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = limit;
  small.rlim_cur = 65536;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  sq::DiskFolder disk(dir.path());
  const std::string inParts = disk.ReplaceInParts("sky.tga", 100000, [](const sq::OutputFolder::PutPart& put) {
    for (std::size_t at = 0; at < 100000; at += 10000) put(at, std::string(10000, 'x'));
  });
  const std::string whole = sq::WriteFileAtomic(target, std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previousSignal);
  const std::string reason = "cannot write " + target.string() + ": " + std::strerror(EFBIG);
  EXPECT_EQ(inParts, reason);
  EXPECT_EQ(whole, reason);
  EXPECT_EQ(ReadText(target), old);
  EXPECT_EQ(FileCount(dir.path()), 1);
}
