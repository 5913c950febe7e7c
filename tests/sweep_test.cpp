// Damaged copies of whole files: every truncation and every byte set to 0x00,
// 0x7F, 0x80 and 0xFF. Each walk must end, stay within what the file holds, and
// leave a model from which a well-formed report is built.
#include <gtest/gtest.h>

#include <numeric>
#include <span>

#include "exports/side_exports.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "preview/preview_lists.h"
#include "report/report_rtf.h"
#include "support/rtf_check.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

// Walks the bytes and builds the report, the side exports (in memory) and the
// preview lists from what was read; checks what no file, however damaged, may
// make the walk or the passes do.
sq::WalkResult ExpectSoundWalk(std::span<const uint8_t> bytes, const std::string& where) {
  sq::Model model;
  const sq::WalkResult result = sq::WalkHodBytes(bytes, model);
  EXPECT_LE(result.messages.size(), sq::WalkContext::kMaxMessages) << where;
  if (result.failed) {
    EXPECT_LE(result.offset, bytes.size()) << where;
    EXPECT_FALSE(result.reason.empty()) << where;
  }
  EXPECT_EQ(RtfFrameProblem(sq::BuildReport(model, "sweep")), "") << where;
  sq::MemoryFolder sideFiles;
  EXPECT_TRUE(sq::WriteSideExports(model, sideFiles).empty()) << where;
  sq::PreviewLists lists;
  sq::BuildPreviewLists(model, lists);
  return result;
}

void TruncationSweep(const std::vector<uint8_t>& file) {
  ASSERT_FALSE(ExpectSoundWalk(file, "whole").failed);
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    ExpectSoundWalk(std::span(file).first(cut), "cut at " + std::to_string(cut));
    if (::testing::Test::HasFailure()) return;  // one broken offset is enough to show
  }
}

// Every byte of the headers, sizes, counts, lengths and texts; the float payload is
// left alone (any value is a valid float to the walk).
void ByteSweep(const Bytes& composed) {
  const std::vector<uint8_t>& file = composed.vec();
  std::vector<bool> payload(file.size(), false);
  for (std::size_t at : composed.DataOffsets()) payload[at] = true;
  std::vector<uint8_t> copy = file;
  for (std::size_t at = 0; at < file.size(); ++at) {
    if (payload[at]) continue;
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
      if (file[at] == value) continue;
      copy[at] = value;
      ExpectSoundWalk(copy, "byte " + std::to_string(at) + " set to " + std::to_string(value));
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

// The byte sweeps change every byte but the payload, so the record of which bytes
// are payload in the shared chunk composer must follow them through nesting.
TEST(ChunkBytes, PayloadOffsetsFollowTheBytesIntoChunksWrittenEitherWay) {
  const Bytes inner = Bytes().I32(7).F32(1.5f).F32(2.5f).Zeros(2).Text("ab");
  const Bytes nested = Bytes().Tag("HEAD").Add(Form("TEST", inner)).F64(0.25);
  // HEAD 0-3, FORM 4-7, size 8-11, TEST 12-15; inside: a word, two floats and
  // two zeros (payload 20-29), a counted text; then a double (payload 36-43).
  std::vector<std::size_t> expected(10);
  std::iota(expected.begin(), expected.end(), 20);
  for (std::size_t at = 36; at < 44; ++at) expected.push_back(at);
  EXPECT_EQ(nested.DataOffsets(), expected);

  // A chunk opened in place and closed after its payload is the same chunk.
  Bytes inPlace;
  inPlace.Tag("HEAD");
  const std::size_t sizeAt = inPlace.Open("FORM", "TEST");
  inPlace.Add(inner);
  inPlace.Close(sizeAt);
  inPlace.F64(0.25);
  EXPECT_EQ(inPlace.vec(), nested.vec());
  EXPECT_EQ(inPlace.DataOffsets(), expected);
  EXPECT_EQ(nested.vec()[11], 4 + inner.size());  // the size counts the id and the payload, big-endian
}
