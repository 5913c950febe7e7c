#include <gtest/gtest.h>

#include "testkit.h"

using namespace sqtest;

// The bundled sample is made by our own tool; the committed copy must be what the
// tool makes today, so `scripts/run` shows what the code produces.
TEST(BundledSample, IsWhatTheSampleToolMakes) {
  TempDir dir;
  const auto made = dir / "sky.hod";
  const ProcessResult r = RunProgram(MAKE_SAMPLE_EXE, {made.string()}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadText(made), ReadText(std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod"));
}

TEST(BundledSample, ReportsWithoutMessages) {
  TempDir dir;
  const auto sample = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod";
  const ProcessResult r = Starquill({"report", sample.string(), "--out-dir", dir.path().string()}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, (dir / "sky.HODreport.rtf").string() + "\n");
}
