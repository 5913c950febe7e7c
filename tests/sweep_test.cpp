// Damaged copies of whole files: every truncation, every byte outside the float payload set to
// 0x00, 0x7F, 0x80 and 0xFF, any four bytes from there set to the largest count. Each walk ends
// inside the file with at most its messages, and leaves a model from which a well-formed report,
// the side exports and the preview lists are built, all within about the file's size.
#include <gtest/gtest.h>

#include <span>

#include "exports/side_exports.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "preview/preview_lists.h"
#include "report/report_rtf.h"
#include "support/rtf_check.h"
#include "support/sample_files.h"
#include "tests/bounds/counting_new.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

constexpr int32_t kHuge = 0x7FFFFFFF;  // 2^31 - 1, the largest count a file can state

// The walk of damaged bytes, then what is built from it (the side exports in memory).
// Returns whether the walk failed.
bool ExpectSoundWalk(std::span<const uint8_t> bytes, const std::string& where) {
  SCOPED_TRACE(where);
  sq::WalkResult result;
  std::string report;
  std::vector<sq::ExportFailure> failures;
  const std::size_t peak = PeakDuring([&] {
    sq::Model model;
    result = sq::WalkHodBytes(bytes, model);
    report = sq::BuildReport(model, "sweep");
    sq::MemoryFolder sideFiles;
    failures = sq::WriteSideExports(model, sideFiles);
    sq::PreviewLists lists;
    sq::BuildPreviewLists(model, lists);
  });
  EXPECT_LE(result.messages.size(), sq::WalkContext::kMaxMessages);
  EXPECT_TRUE(!result.failed || (result.offset <= bytes.size() && !result.reason.empty()));
  EXPECT_EQ(RtfFrameProblem(report), "");
  EXPECT_TRUE(failures.empty());
  EXPECT_LE(peak, bytes.size() + kSlack);
  return result.failed;
}

// The largest count is stored either way round: little-endian for counts, big-endian
// for chunk sizes. The float payload is left alone: any value is a valid float to the
// walk, and no count starts there.
void DamageSweep(const Bytes& composed) {
  const std::vector<uint8_t>& file = composed.vec();
  ASSERT_FALSE(ExpectSoundWalk(file, "whole"));
  std::vector<bool> payload(file.size(), false);
  for (std::size_t at : composed.DataOffsets()) payload[at] = true;
  std::vector<uint8_t> copy = file;
  // One broken offset is enough to show.
  for (std::size_t at = 0; at < file.size() && !::testing::Test::HasFailure(); ++at) {
    ExpectSoundWalk(std::span(file).first(at), "cut at " + std::to_string(at));
    if (payload[at]) continue;
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
      copy[at] = value;
      if (value != file[at]) ExpectSoundWalk(copy, "byte " + std::to_string(at) + " set to " + std::to_string(value));
    }
    copy[at] = file[at];
    for (bool bigEndian : {false, true}) {
      if (at + 4 > file.size()) break;
      std::vector<uint8_t> huge = file;
      for (std::size_t k = 0; k < 4; ++k) huge[at + k] = uint8_t(uint32_t(kHuge) >> (8 * (bigEndian ? 3 - k : k)));
      ExpectSoundWalk(huge, "the largest count at " + std::to_string(at) + (bigEndian ? ", big-endian" : ""));
    }
  }
}

}  // namespace

// A background's four mesh chunks (lists and strips) and four point-star chunks (0, 1, 2, 0
// stars) hold every form the sixteen of the written shape hold; then a whole model.
TEST(DamageSweep, EveryTruncationAndDamagedByteOfABackgroundAndAModelEndsWithAReport) {
  DamageSweep(FullBackgroundHod(4, 4));
  DamageSweep(FullModelHod());
}
