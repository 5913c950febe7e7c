// The inline number reads of the reader and the buffered side-file stream.
#include <gtest/gtest.h>

#include "hod/modCommon.h"
#include "testkit.h"

TEST(ReaderNumbers, LittleEndianValuesAndAFailureThatNamesTheField) {
  const std::vector<uint8_t> bytes = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0x00, 0x00, 0x80, 0x3F, 0xAB};
  sq::Reader in(bytes);
  EXPECT_EQ(in.U32(), 0x12345678u);
  EXPECT_EQ(in.I16(), -2);
  EXPECT_EQ(in.F32(), 1.0f);
  EXPECT_EQ(in.U16(), 0);  // one byte left
  ASSERT_TRUE(in.Failed());
  EXPECT_EQ(in.Failure()->offset, 10u);
  EXPECT_EQ(in.Failure()->reason, "unexpected end of file reading a 16-bit value (2 bytes needed, 1 left)");

  sq::Reader short32(std::span<const uint8_t>(bytes).first(3));
  EXPECT_EQ(short32.I32(), 0);
  EXPECT_EQ(short32.Failure()->reason, "unexpected end of file reading a 32-bit value (4 bytes needed, 3 left)");
  EXPECT_EQ(short32.Position(), 0u);
}

// Lines past the buffer's size reach the file whole and in order, behind what the
// file held, whether written by Line or Text.
TEST(SideFileStream, LongExportsAreAppendedWhole) {
  sqtest::TempDir dir;
  dir.checkOutputs = false;  // the planted "old" line is no OBJ line on purpose
  sqtest::WriteBytes(dir / "VARY_x.obj", {'o', 'l', 'd', '\r', '\n'});
  std::string expected = "old\r\n";
  {
    sq::SideFile obj(dir.path(), "VARY_x.obj");
    for (int i = 0; expected.size() < 3 * sq::SideFile::kBufferSize + 100; ++i) {
      const std::string line = "v " + std::to_string(i) + " " + std::to_string(i * 7) + " 0";
      if (i % 5 == 0) {
        obj.Text(line);
        obj.Text("\r\n");
      } else {
        obj.Line(line);
      }
      expected += line + "\r\n";
    }
    EXPECT_EQ(obj.Close(), "");
    EXPECT_EQ(obj.Close(), "");  // closed once
  }
  EXPECT_EQ(sqtest::ReadText(dir / "VARY_x.obj"), expected);
}

TEST(SideFileStream, AFileThatCannotBeOpenedIsReportedOnClose) {
  sqtest::TempDir dir;
  const auto folder = dir / "missing";
  sq::SideFile obj(folder, "LITEs.OBJ");
  for (std::size_t i = 0; i < sq::SideFile::kBufferSize / 4; ++i) obj.Line("v 1 2 3");
  EXPECT_EQ(obj.Close(), "cannot open " + (folder / "LITEs.OBJ").string());
  EXPECT_FALSE(std::filesystem::exists(folder));
}
