// Resource bounds: a small file that claims huge counts makes the program allocate
// about its own size. (How a walk's time grows with the file is measured by
// scripts/bench.)
#include <gtest/gtest.h>

#include "app/report_command.h"
#include "builder/builder.h"
#include "exports/side_exports.h"
#include "hod/hod_walk.h"
#include "report/report_rtf.h"
#include "support/sample_files.h"
#include "tests/bounds/counting_new.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

// What a walk and a report may hold beyond the file: the model's fixed parts, a
// report of a few kilobytes, messages and paths.
constexpr std::size_t kSlack = 64 * 1024;

constexpr int32_t kHuge = 0x7FFFFFFF;  // 2^31 - 1, the largest count a file can state

struct Claim {
  const char* what;
  Bytes file;
};

std::vector<Claim> HugeClaims() {
  // A background file holding `chunk`; a mesh chunk of one sub-mesh whose words go on with `part`.
  const auto sky = [](const Bytes& chunk) { return Bytes().Add(Vers(1000)).Add(chunk); };
  const auto mesh = [&](const Bytes& part) {
    return sky(Form("BGMS", Nrml("BMSH", Bytes().I32(0).I32(0).I32(1).I32(0).I32(0).Add(part))));
  };
  std::vector<Claim> claims;
  for (int32_t count : {kHuge, static_cast<int32_t>(0x80000000u)}) {
    claims.push_back({"point stars", sky(Nrml("STRF", Bytes().BE32(1000).I32(count).Zeros(28)))});
    claims.push_back({"star-map records", sky(Form("BGSG", Bytes().Text("B02.tga").I32(count).Zeros(32)))});
    claims.push_back({"texture-name bytes", sky(Form("BGSG", Bytes().I32(count).Tag("B02.tga").I32(0)))});
    claims.push_back({"mesh vertices", mesh(Bytes().I32(count).Zeros(40))});
    claims.push_back({"mesh indices", mesh(Bytes().I32(0).I16(1).I32(514).I32(count).Zeros(12))});
    claims.push_back(
        {"name bytes", Bytes().Tag("FORM").BE32(static_cast<uint32_t>(count)).Tag("NAME").Tag("Fighter1")});
  }
  claims.push_back({"index lists", mesh(Bytes().I32(0).I16(0x7FFF).Zeros(16))});
  return claims;
}

}  // namespace

TEST(AllocationBound, TheCounterSeesAnAllocation) {
  const std::size_t peak = PeakDuring([] { std::vector<uint8_t> block(1 << 20, 1); });
  EXPECT_GE(peak, std::size_t{1} << 20);
  EXPECT_LT(peak, (std::size_t{1} << 20) + kSlack);
}

// Through the report command, which maps the file.
TEST(AllocationBound, SmallFilesClaimingHugeCountsAllocateAboutTheirSize) {
  TempDir dir;
  for (const Claim& claim : HugeClaims()) {
    ASSERT_LT(claim.file.size(), 1024u);
    WriteBytes(dir / "claim.hod", claim.file.vec());
    sq::ReportOutcome outcome;
    const std::size_t peak = PeakDuring([&] {
      sq::Model model;
      RecordingPlatform platform;
      outcome = sq::ReportCommand(model, dir / "claim.hod", dir.path(), false, platform);
    });
    EXPECT_EQ(outcome.status, sq::ReportOutcome::Status::Written) << claim.what;
    EXPECT_LE(peak, claim.file.size() + kSlack) << claim.what;
  }
}

// The record a walk keeps for the dump and the check: a few times the file at
// most, even for a file of nothing but the smallest chunks a reader takes.
TEST(AllocationBound, AWalksRecordHoldsAFewTimesTheFile) {
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
  EXPECT_GT(with, without);
  EXPECT_LE(with, without + 4 * file.size() + kSlack);
}

// Any four bytes of a whole file set to the largest count, stored either way round
// (little-endian for counts, big-endian for chunk sizes).
void HugeValueSweep(const Bytes& composed) {
  TempDir dir;
  const std::vector<uint8_t>& file = composed.vec();
  std::vector<bool> payload(file.size(), false);
  for (std::size_t at : composed.DataOffsets()) payload[at] = true;
  for (std::size_t at = 0; at + 4 <= file.size(); ++at) {
    if (payload[at]) continue;  // floats: no count starts there
    for (bool bigEndian : {false, true}) {
      std::vector<uint8_t> copy = file;
      const uint32_t v = static_cast<uint32_t>(kHuge);
      for (int k = 0; k < 4; ++k)
        copy[at + static_cast<std::size_t>(k)] = static_cast<uint8_t>(v >> (8 * (bigEndian ? 3 - k : k)));
      const std::size_t peak = PeakDuring([&] {
        sq::Model model;
        (void)sq::WalkHodBytes(copy, model);
        sq::DiskFolder folder(dir.path());
        (void)sq::WriteSideExports(model, folder);
        (void)sq::BuildReport(model, "bounds");
      });
      ASSERT_LE(peak, copy.size() + kSlack) << "at byte " << at << (bigEndian ? " big-endian" : " little-endian");
    }
  }
}

TEST(AllocationBound, AHugeValueAnywhereInABackgroundAllocatesAboutItsSize) { HugeValueSweep(FullBackgroundHod(4, 4)); }

TEST(AllocationBound, AHugeValueAnywhereInAModelAllocatesAboutItsSize) { HugeValueSweep(FullModelHod()); }

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

// Every chunk with a side export is kept for the pass after the walk, also when
// a later one replaces it in the tables. A file of nothing but the smallest such
// chunks holds a few times its size: a VARY record takes some 250 bytes for the
// 36 of its smallest chunk, and the records never exist twice while their list grows.
TEST(AllocationBound, ChunksKeptForTheSideExportsHoldAFewTimesTheFile) {
  constexpr std::size_t kTimesTheFile = 10;
  Bytes vary, lite, hier, bounds;
  for (int i = 0; i < 20000; ++i) {
    vary.Tag("VARY").BE32(28).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0);
    lite.Tag("LITE").BE32(4).I32(0);
    hier.Tag("HIER").BE32(4).I32(0);
    bounds.Add(Nrml("BNDV", Bytes().I32(0).I32(0).I32(0).I32(0).Zeros(100)));
  }
  const std::vector<Claim> files = {{"VARY", Bytes().Add(Vers(512)).Add(Form("HVMD", vary))},
                                    {"LITE", Bytes().Add(Vers(512)).Add(Form("HVMD", lite))},
                                    {"HIER", ModelFile(hier)},
                                    {"BNDV", ModelFile(bounds)}};
  for (const Claim& file : files) {
    std::size_t exported = 0;
    const std::size_t peak = PeakDuring([&] {
      sq::Model model;
      (void)sq::WalkHodBytes(file.file.vec(), model);
      exported = model.sideExports.chunks.size();
    });
    EXPECT_EQ(exported, 20000u) << file.what;
    EXPECT_LE(peak, kTimesTheFile * file.file.size()) << file.what;
  }
}
