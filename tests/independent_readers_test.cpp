// Every output left in a test's folder is read back by an independent reader when
// the folder closes (installed below), and the checks themselves are tested here.
#include <gtest/gtest.h>

#include "support/chunk_bytes.h"
#include "tests/independent_readers.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

[[maybe_unused]] const bool kHookInstalled = [] {
  TempDirClosingHook() = [](const std::filesystem::path& folder) {
    for (const std::string& problem : CheckOutputsIn(folder)) ADD_FAILURE() << folder.string() << ": " << problem;
  };
  return true;
}();

void WriteText(const std::filesystem::path& path, std::string_view text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A 3 x 2 TGA with distinct pixels, rows stored bottom-up or top-down.
std::vector<uint8_t> SmallTga(bool topDown) {
  Bytes b;
  b.Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, static_cast<uint8_t>(8 | (topDown ? 0x20 : 0))});
  for (uint8_t p = 0; p < 6; ++p)
    b.Raw({static_cast<uint8_t>(10 * p), static_cast<uint8_t>(100 + p), static_cast<uint8_t>(200 + p), 255});
  return b.vec();
}

}  // namespace

TEST(IndependentReaders, AReportOfTheProgramReadsBackThroughUnrtf) {
  TempDir dir;
  // Braces, a control byte and a code-page letter in the name the report prints.
  const std::string name = "m{0}\x01\xe9";
  const auto hod = dir / (name + ".hod");
  WriteBytes(hod, Bytes().Add(Vers(1000)).vec());
  const ProcessResult r = Starquill({"report", hod.string(), "--out-dir", dir.path().string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto report = dir / "m{0}_\xe9.HODreport.rtf";
  ASSERT_TRUE(std::filesystem::exists(report));
  EXPECT_EQ(CheckReportWithUnrtf(report), Problems{});
}

TEST(IndependentReaders, MarkupThatHidesTextInAReportIsFound) {
  TempDir dir;
  dir.checkOutputs = false;
  // "\\tabTotal" is one control word to an RTF reader: the word Total is lost.
  WriteText(
      dir / "t.HODreport.rtf",
      kReportHead + "Report on t HOD file: \\par\r\n\\tabTotal of 3 meshes\\par\r\nAbsent chunks: \\par\r\n}\\par\r\n");
  const Problems problems = CheckReportWithUnrtf(dir / "t.HODreport.rtf");
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("markup the report never writes"), std::string::npos) << problems[0];
  // An unescaped brace.
  WriteText(dir / "b.HODreport.rtf",
            kReportHead + "Report on {b HOD file: \\par\r\nAbsent chunks: \\par\r\n}\\par\r\n");
  EXPECT_FALSE(CheckReportWithUnrtf(dir / "b.HODreport.rtf").empty());
}

TEST(IndependentReaders, AssimpAgreesWithTheCommentsOfABoxFileAndMiscountsAreFound) {
  TempDir dir;
  dir.checkOutputs = false;
  WriteText(dir / "box.obj",
            "\r\ng BNDV\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nv 0 0 1\r\n# 4 vertices\r\n"
            "f  1 2 2\r\nf  1 3 3\r\nf  1 4 4\r\n# 3 faces\r\n\r\n");
  EXPECT_EQ(CheckObj(dir / "box.obj"), Problems{});
  WriteText(dir / "faces.obj", "\r\ng a\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\n# 3 vertices\r\nf  1 2 3\r\n# 2 faces\r\n");
  EXPECT_FALSE(CheckObj(dir / "faces.obj").empty());
  WriteText(dir / "points.obj", "\r\ng p\r\nv 1 2 3\r\nv 4 5 6\r\n# 3 vertices\r\n");
  EXPECT_FALSE(CheckObj(dir / "points.obj").empty());
}

TEST(IndependentReaders, PointListsParseWithOurLineParser) {
  Problems problems;
  const ObjCounts counts = ParseObj("\r\ng LITE1\r\nv 1 -2.5 1E-05\r\nv 0 0 0\r\n# 2 vertices\r\n", problems);
  EXPECT_EQ(problems, Problems{});
  EXPECT_EQ(counts.vertexLines, 2);
  EXPECT_EQ(counts.statedVertices, 2);

  ParseObj("v 1 2\r\n", problems);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("without three"), std::string::npos) << problems[0];
  problems.clear();
  ParseObj("v 1,5 2 3\r\n", problems);
  ASSERT_FALSE(problems.empty());
  problems.clear();
  ParseObj("v 1 2 3\nv 4 5 6\r\n", problems);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("CR LF"), std::string::npos) << problems[0];
}

TEST(IndependentReaders, ImageMagickReadsTheSamePixelsInBothRowOrders) {
  TempDir dir;
  dir.checkOutputs = false;
  WriteBytes(dir / "up_filtered.tga", SmallTga(false));
  WriteBytes(dir / "down_filtered.tga", SmallTga(true));
  EXPECT_EQ(CheckTga(dir / "up_filtered.tga"), Problems{});
  EXPECT_EQ(CheckTga(dir / "down_filtered.tga"), Problems{});

  const std::vector<uint8_t> reference = SmallTga(true);
  WriteBytes(dir / "short_halftoned.tga", std::vector<uint8_t>(reference.begin(), reference.end() - 4));
  EXPECT_FALSE(CheckTga(dir / "short_halftoned.tga").empty());
}

TEST(IndependentReaders, OnlyOutputNamesAreChecked) {
  TempDir dir;
  dir.checkOutputs = false;
  WriteText(dir / "input.tga", "not an image");
  WriteText(dir / "notes.txt", "{");
  EXPECT_EQ(CheckOutputsIn(dir.path()), Problems{});
  WriteText(dir / "x.HODreport.rtf", "{\\rtf1 }}");
  WriteText(dir / "y.obj", "\r\nv 1 2\r\n");
  const Problems problems = CheckOutputsIn(dir.path());
  EXPECT_GE(problems.size(), 2u);
  for (const std::string& p : problems)
    EXPECT_TRUE(p.starts_with("x.HODreport.rtf: ") || p.starts_with("y.obj: ")) << p;
}

// The images and point lists the builder writes, each read by its independent reader.
TEST(IndependentReaders, BuilderOutputsReadBack) {
  TempDir dir;
  Bytes image;
  image.Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}).I16(12).I16(9).Raw({32, 8});
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 12; ++x) {
      const auto c = static_cast<uint8_t>((x == 4 && y == 4) || (x == 9 && y == 2) ? 120 : 5 + x + y);
      image.Raw({c, static_cast<uint8_t>(c / 2), static_cast<uint8_t>(c / 3), 255});
    }
  }
  image.Zeros(17);
  WriteBytes(dir / "sky.tga", image.vec());
  const ProcessResult r = Starquill({"tga", (dir / "sky.tga").string(), "--save-halftoned"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* name : {"sky_filtered.tga", "sky_halftoned.tga"}) {
    ASSERT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_EQ(CheckTga(dir / name), Problems{}) << name;
  }
  for (const char* name : {"sky_StrPts0.obj", "sky_cPts.obj"}) {
    ASSERT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_EQ(CheckObj(dir / name), Problems{}) << name;
  }
}
