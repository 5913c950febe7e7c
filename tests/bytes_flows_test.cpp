// The flows over bytes already in memory (the page's way in) against the same
// flows over a file on disk: the same files, messages, findings and documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdlib>

#include "app/check_command.h"
#include "app/dump_command.h"
#include "app/report_command.h"
#include "hod/text_forms.h"
#include "output/output_folder.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

namespace {

using namespace sqtest;

// A ship with side exports, a background, and each cut in the middle of a chunk.
std::vector<std::vector<uint8_t>> Files() {
  std::vector<uint8_t> ship = FullModelHod().vec(), background = FullBackgroundHod(4, 4).vec();
  std::vector<uint8_t> cutShip(ship.begin(), ship.begin() + static_cast<long>(ship.size() / 2) + 3);
  std::vector<uint8_t> cutBackground(background.begin(), background.begin() + static_cast<long>(background.size() / 3));
  return {ship, background, cutShip, cutBackground};
}

// Report, check and dump of bytes in memory against those of the same file on disk.
TEST(BytesFlows, ReportCheckAndDumpOfBytesMatchThoseOfTheFile) {
  for (const std::vector<uint8_t>& bytes : Files()) {
    TempDir dir;
    WriteBytes(dir / "ship.hod", bytes);
    const std::string path = (dir / "ship.hod").string();
    RecordingPlatform onDisk, inMemory;
    sq::Model diskModel, memoryModel;
    const sq::ReportOutcome disk = sq::ReportCommand(diskModel, path, dir.path(), false, onDisk);
    sq::MemoryFolder folder;
    const sq::ReportOutcome memory =
        sq::ReportOfBytes(memoryModel, "ship.hod", sq::FileBytes::Copy(bytes), folder, false, inMemory);
    EXPECT_EQ(memory.status, disk.status);
    EXPECT_EQ(memory.walk.failed, disk.walk.failed);
    EXPECT_EQ(memory.walk.offset, disk.walk.offset);
    EXPECT_EQ(memory.openPreview, disk.openPreview);
    EXPECT_EQ(inMemory.messages, onDisk.messages);
    std::map<std::string, std::string> onDiskFiles = FilesIn(dir.path()), inMemoryFiles;
    onDiskFiles.erase("ship.hod");
    for (const std::string& name : folder.Names()) inMemoryFiles[name] = *folder.Find(name);
    EXPECT_GT(onDiskFiles.size(), 0u);
    EXPECT_EQ(inMemoryFiles, onDiskFiles);
    const sq::CheckOutcome fromFile = sq::CheckFile(path, false);
    const sq::CheckOutcome fromBytes = sq::CheckBytes(sq::FileBytes::Copy(bytes), false);
    ASSERT_TRUE(fromBytes.readable);
    std::vector<std::string> fileLines, byteLines;
    for (const auto& f : fromFile.findings) fileLines.push_back(sq::FindingLine(path, f));
    for (const auto& f : fromBytes.findings) byteLines.push_back(sq::FindingLine(path, f));
    EXPECT_EQ(byteLines, fileLines);
    const sq::DumpOptions options{.tables = true};
    const sq::DumpOutcome dumpFile = sq::DumpFile(path, options);
    const sq::DumpOutcome dumpBytes = sq::DumpBytes(path, sq::FileBytes::Copy(bytes), options);
    EXPECT_TRUE(dumpBytes.readable);
    EXPECT_EQ(sq::DumpJson(dumpBytes.document), sq::DumpJson(dumpFile.document));
    EXPECT_EQ(sq::DumpTree(dumpBytes.document), sq::DumpTree(dumpFile.document));
  }
}

// A background is told by its BGMS form or point stars of its own; point stars in a ship's
// detail keep it a model, though the window previews them. A name without ".hod" is
// refused and nothing written.
TEST(BytesFlows, ReportOfBytesTellsABackgroundAndRefusesANameWithoutHod) {
  Bytes shipWithStars, starsAlone;
  shipWithStars.Add(Vers(512)).Add(Form("DTRM", Bytes().Add(PointStars(2, 1))));
  starsAlone.Add(Vers(1000)).Add(PointStars(2, 1));
  for (const auto& [bytes, background] : {std::pair{FullBackgroundHod(4, 4).vec(), true},
                                          {starsAlone.vec(), true},
                                          {shipWithStars.vec(), false},
                                          {FullModelHod().vec(), false}}) {
    EXPECT_EQ(sq::CheckBytes(sq::FileBytes::Copy(bytes), false).background, background);
    RecordingPlatform platform;
    sq::Model model;
    sq::MemoryFolder folder;
    const sq::ReportOutcome report =
        sq::ReportOfBytes(model, "x.hod", sq::FileBytes::Copy(bytes), folder, false, platform);
    EXPECT_EQ(report.background, background);
    EXPECT_EQ(report.openPreview, bytes != FullModelHod().vec());
  }
  RecordingPlatform platform;
  sq::Model model;
  sq::MemoryFolder folder;
  const sq::ReportOutcome outcome =
      sq::ReportOfBytes(model, "ship.txt", sq::FileBytes::Copy(FullModelHod().vec()), folder, false, platform);
  EXPECT_EQ(outcome.status, sq::ReportOutcome::Status::Refused);
  EXPECT_TRUE(folder.Names().empty());
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: Please select an Farhold HOD file."});
}

// The dump's floats: the fewest digits that read back as the same float, for
// values where a digit too few or too many is easy to get.
TEST(ShortestFloat, ReadsBackWithTheFewestDigits) {
  const float values[] = {0.1f,    1.0f / 3.0f,  16777216.0f, 16777217.0f, FLT_MAX,
                          FLT_MIN, FLT_TRUE_MIN, -2.5e-8f,    100.0f};
  for (const float value : values) {
    const std::string text = sq::ShortestFloat(value);
    ASSERT_FALSE(text.empty()) << value;
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
    // No form of one digit fewer reads back.
    std::string digits = text.substr(0, text.find_first_of("eE"));
    std::erase_if(digits, [](char c) { return c < '0' || c > '9'; });
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    const std::size_t significant = digits.size();
    if (significant > 1) {
      char shorter[320];  // %g of a double never needs more
      std::snprintf(shorter, sizeof shorter, "%.*g", static_cast<int>(significant) - 1, static_cast<double>(value));
      EXPECT_NE(std::strtof(shorter, nullptr), value) << text << " vs " << shorter;
    }
  }
  EXPECT_EQ(sq::ShortestFloat(0.1f), "0.1");
  EXPECT_EQ(sq::ShortestFloat(16777216.0f), "16777216");
}

}  // namespace
