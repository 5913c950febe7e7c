// Damaged copies of whole files: every truncation and every byte set to 0x00,
// 0x7F, 0x80 and 0xFF. Each walk must end, stay within what the file holds, and
// leave a model from which a well-formed report is built.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <span>

#include "hod/modFarholdhod.h"
#include "preview/modVtcs.h"
#include "report/report_rtf.h"
#include "support/rtf_check.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

struct SweepWalk {
  sq::Model model;
  sq::PreviewLists lists;
  sq::WalkResult result;
  std::string report;
  int messages = 0;
};

SweepWalk WalkAndReport(std::span<const uint8_t> bytes, const std::filesystem::path& out) {
  static int walks = 0;
  SweepWalk w;
  RecordingPlatform platform;
  w.result = sq::WalkHodBytes(bytes, w.model, platform, out);
  w.messages = static_cast<int>(platform.messages.size());
  w.report = sq::BuildReport(w.model, "sweep");
  sq::BuildPreviewLists(w.model, w.lists);
  // Side files are appended; empty the folder now and then so it stays small.
  if (++walks % 64 == 0) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(out, ec)) std::filesystem::remove(entry.path(), ec);
  }
  return w;
}

// The rows a walk can hold are bounded by the file: never more than in the whole file.
void ExpectNoMoreRowsThan(const SweepWalk& partWalk, const SweepWalk& wholeWalk, const std::string& where) {
  const sq::Model& part = partWalk.model;
  const sq::Model& whole = wholeWalk.model;
  EXPECT_LE(part.bgmsTable.size(), whole.bgmsTable.size()) << where;
  EXPECT_LE(part.bgsgTable.size(), whole.bgsgTable.size()) << where;
  EXPECT_LE(part.strfTable.size(), whole.strfTable.size()) << where;
  EXPECT_LE(partWalk.lists.meshPreviewVertices.size(), wholeWalk.lists.meshPreviewVertices.size()) << where;
  EXPECT_LE(partWalk.lists.starPreviewVertices.size(), wholeWalk.lists.starPreviewVertices.size()) << where;
  EXPECT_LE(part.multTable.size(), whole.multTable.size()) << where;
  EXPECT_LE(part.gobgTable.size(), whole.gobgTable.size()) << where;
}

void ExpectSound(const SweepWalk& w, std::size_t size, const std::string& where) {
  EXPECT_LE(w.messages, sq::WalkContext::kMaxMessages) << where;
  if (w.result.failed) {
    EXPECT_LE(w.result.offset, size) << where;
    EXPECT_FALSE(w.result.reason.empty()) << where;
  }
  EXPECT_EQ(RtfFrameProblem(w.report), "") << where;
}

void TruncationSweep(const std::vector<uint8_t>& file) {
  TempDir dir;
  const SweepWalk whole = WalkAndReport(file, dir.path());
  ASSERT_FALSE(whole.result.failed) << whole.result.reason;
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    const std::string where = "cut at " + std::to_string(cut);
    const SweepWalk w = WalkAndReport(std::span(file).first(cut), dir.path());
    ExpectSound(w, cut, where);
    ExpectNoMoreRowsThan(w, whole, where);
    if (::testing::Test::HasFailure()) return;  // one broken offset is enough to show
  }
}

// Every byte of the headers, sizes, counts, lengths and texts; the float payload is
// left alone (any value is a valid float to the walk).
void ByteSweep(const Bytes& composed) {
  TempDir dir;
  const std::vector<uint8_t>& file = composed.vec();
  std::vector<bool> payload(file.size(), false);
  for (std::size_t at : composed.DataOffsets()) payload[at] = true;
  std::vector<uint8_t> copy = file;
  for (std::size_t at = 0; at < file.size(); ++at) {
    if (payload[at]) continue;
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
      if (file[at] == value) continue;
      copy[at] = value;
      const SweepWalk w = WalkAndReport(copy, dir.path());
      ExpectSound(w, copy.size(), "byte " + std::to_string(at) + " set to " + std::to_string(value));
      if (::testing::Test::HasFailure()) return;
    }
    copy[at] = file[at];
  }
}

}  // namespace

// Four mesh chunks (lists and strips) and four point-star chunks (0, 1, 2, 0 stars)
// hold every form the sixteen of the written shape hold.
TEST(BackgroundSweep, EveryTruncationEndsWithAReport) { TruncationSweep(FullBackgroundHod(4, 4)); }

TEST(BackgroundSweep, EveryByteSetToFourValuesEndsWithAReport) { ByteSweep(FullBackgroundHod(4, 4)); }

TEST(ModelSweep, EveryTruncationEndsWithAReport) { TruncationSweep(FullModelHod()); }

TEST(ModelSweep, EveryByteSetToFourValuesEndsWithAReport) { ByteSweep(FullModelHod()); }
