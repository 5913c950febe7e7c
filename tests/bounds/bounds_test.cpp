// Resource bounds of files of nothing but the smallest chunks and of a huge picture header
// (huge counts anywhere in a whole file are swept by sweep_test.cpp, in this program too).
#include <gtest/gtest.h>

#include "builder/builder.h"
#include "hod/hod_walk.h"
#include "support/sample_files.h"
#include "tests/bounds/counting_new.h"
#include "tests/test_kit.h"

using namespace sqtest;

// Files of nothing but the smallest chunks: the record a walk keeps for the dump and the
// check, and every chunk with a side export, kept for the pass after the walk (a VARY record
// takes some 250 bytes for the 36 of its smallest chunk, and none exists twice while the
// list grows), hold a few times the file.
TEST(AllocationBound, TheWalksRecordAndTheChunksKeptForTheSideExportsHoldAFewTimesTheFile) {
  Bytes file = Vers(1000);
  for (int i = 0; i < 20000; ++i) file.Add(Nrml("STRF", Bytes().BE32(1000).I32(0)));
  std::size_t recorded = 0;
  auto peakOfWalk = [&](bool keepRecord) {
    return PeakDuring([&] {
      sq::Model model;
      sq::WalkRecord record;
      (void)sq::WalkHodBytes(file.vec(), model, false, keepRecord ? &record : nullptr);
      recorded = record.chunks.size();
    });
  };
  const std::size_t without = peakOfWalk(false);
  const std::size_t with = peakOfWalk(true);
  EXPECT_EQ(recorded, 20001u);
  EXPECT_LE(with, without + 4 * file.size() + kSlack);
  constexpr std::size_t kTimesTheFile = 10;
  Bytes vary, lite, hier, bounds;
  for (int i = 0; i < 20000; ++i) {
    vary.Tag("VARY").BE32(28).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0);
    lite.Tag("LITE").BE32(4).I32(0);
    hier.Tag("HIER").BE32(4).I32(0);
    bounds.Add(Nrml("BNDV", Bytes().I32(0).I32(0).I32(0).I32(0).Zeros(100)));
  }
  const std::vector<std::pair<const char*, Bytes>> files = {{"VARY", Bytes().Add(Vers(512)).Add(Form("HVMD", vary))},
                                                            {"LITE", Bytes().Add(Vers(512)).Add(Form("HVMD", lite))},
                                                            {"HIER", ModelFile(hier)},
                                                            {"BNDV", ModelFile(bounds)}};
  for (const auto& [what, smallest] : files) {
    std::size_t exported = 0;
    const std::size_t peak = PeakDuring([&] {
      sq::Model model;
      (void)sq::WalkHodBytes(smallest.vec(), model);
      exported = model.sideExports.chunks.size();
    });
    EXPECT_EQ(exported, 20000u) << what;
    EXPECT_LE(peak, kTimesTheFile * smallest.size()) << what;
  }
}

// A TGA header of 32767 x 32767 pixels (4 GiB) in front of a few hundred bytes is
// refused before anything is sized by it.
TEST(AllocationBound, AHugeTgaHeaderOnAShortFileIsRefusedBeforeAllocating) {
  TempDir dir;
  Bytes image;
  image.Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}).I16(32767).I16(32767).Raw({32, 8}).Zeros(800);
  const auto bytes = sq::FileBytes::Copy(image.vec(), "huge.tga");
  sq::TgaTables tables;
  sq::NoProgress progress;
  sq::DiskFolder out(dir.path());
  sq::TgaLoadResult result;
  const std::size_t peak =
      PeakDuring([&] { result = sq::LoadSkyImage(sq::LookAtPicture(bytes), out, tables, progress); });
  EXPECT_EQ(result.status, sq::TgaLoadResult::Status::Invalid);
  EXPECT_LE(peak, image.size() + kSlack);
  EXPECT_EQ(tables.PixelCount(), 0u);
}
