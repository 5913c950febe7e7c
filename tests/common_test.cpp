#include <gtest/gtest.h>

#include "hod/modCommon.h"
#include "testkit.h"

TEST(FormatFloat, MatchesTheSevenDigitGeneralForm) {
  EXPECT_EQ(sq::FormatFloat(0.5f), "0.5");
  EXPECT_EQ(sq::FormatFloat(-12.25f), "-12.25");
  EXPECT_EQ(sq::FormatFloat(1e-5f), "1E-05");
  EXPECT_EQ(sq::FormatFloat(12345678.0f), "1.234568E+07");
  EXPECT_EQ(sq::FormatFloat(0.6135923f), "0.6135923");
  EXPECT_EQ(sq::FormatFloat(0.0f), "0");
  EXPECT_EQ(sq::FormatFloat(100.0f), "100");
  EXPECT_EQ(sq::FormatFloat(1234567.0f), "1234567");
  EXPECT_EQ(sq::FormatFloat(0.1f), "0.1");
}

TEST(FormatInt, PlainDecimal) {
  EXPECT_EQ(sq::FormatInt(0), "0");
  EXPECT_EQ(sq::FormatInt(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(sq::FormatInt(1000), "1000");
}

TEST(SafeFileName, KeepsNamesInsideTheFolder) {
  EXPECT_EQ(sq::SafeFileName("Hull_01"), "Hull_01");
  EXPECT_EQ(sq::SafeFileName("../x"), ".._x");
  EXPECT_EQ(sq::SafeFileName("a\\b:c\nd"), "a_b_c_d");
  EXPECT_EQ(sq::SafeFileName(".."), "_");
  EXPECT_EQ(sq::SafeFileName(""), "_");
}

TEST(Reader, FailureIsStickyAndRecordsTheOffset) {
  const std::vector<uint8_t> bytes = {1, 0, 0, 0, 2, 0};
  sq::Reader in(bytes);
  EXPECT_EQ(in.I32(), 1);
  EXPECT_EQ(in.I32(), 0);  // only two bytes left
  ASSERT_TRUE(in.Failed());
  EXPECT_EQ(in.Failure()->offset, 4u);
  EXPECT_EQ(in.I16(), 0);  // after a failure nothing moves
  EXPECT_EQ(in.Position(), 4u);
}

TEST(Reader, CountsAreCheckedAgainstTheBytesLeft) {
  const std::vector<uint8_t> bytes(40, 0);
  sq::Reader in(bytes);
  EXPECT_EQ(in.Count(2, 20, "vertex"), std::optional<std::size_t>(2));
  EXPECT_FALSE(in.Count(3, 20, "vertex").has_value());
  sq::Reader in2(bytes);
  EXPECT_FALSE(in2.Count(-1, 1, "index").has_value());
  EXPECT_TRUE(in2.Failed());
}

TEST(Reader, TagAtTheEndIsTheZeroKind) {
  const std::vector<uint8_t> bytes = {'F', 'O'};
  sq::Reader in(bytes);
  EXPECT_EQ(in.Tag(), std::string(4, '\0'));
  EXPECT_FALSE(in.Failed());
}

TEST(WriteFileAtomic, ReplacesWholeAndLeavesNoTemporaryFile) {
  sqtest::TempDir dir;
  const auto path = dir / "r.rtf";
  ASSERT_EQ(sq::WriteFileAtomic(path, std::string(100, 'x')), "");
  ASSERT_EQ(sq::WriteFileAtomic(path, "short"), "");
  EXPECT_EQ(sqtest::ReadText(path), "short");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SideFile, AppendsLinesWithCrLf) {
  sqtest::TempDir dir;
  for (int i = 0; i < 2; ++i) {
    sq::SideFile f(dir.path(), "LITEs.OBJ");
    f.Line();
    f.Line("g L" + std::to_string(i));
  }
  EXPECT_EQ(sqtest::ReadText(dir / "LITEs.OBJ"), "\r\ng L0\r\n\r\ng L1\r\n");
}
