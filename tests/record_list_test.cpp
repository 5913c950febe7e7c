#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "hod/background_tables.h"
#include "support/chunk_bytes.h"

using namespace sqsupport;

TEST(RecordList, ViewedRecordsDecodeLittleEndianAtAnyAlignmentAndEqualOwnedOnes) {
  // One byte in front, so every record starts off any natural alignment; two
  // whole stars and a stray byte that belongs to no record.
  Bytes block;
  block.Raw({0xEE}).F32s({1, -2, 3.5f, 0.25f, 0.5f, 0.75f, 1}).F32s({-1e6f, 0, 7, 0, 0, 0, 0.5f}).Raw({0x01});
  const std::vector<uint8_t> bytes = block.vec();
  const auto viewed = sq::RecordList<sq::PointStarRecord>::View(std::span(bytes).subspan(1));
  const sq::RecordList<sq::PointStarRecord> owned = {{1, -2, 3.5f, 0.25f, 0.5f, 0.75f, 1},
                                                     {-1e6f, 0, 7, 0, 0, 0, 0.5f}};

  EXPECT_TRUE(viewed.viewing());
  EXPECT_FALSE(owned.viewing());
  ASSERT_EQ(viewed.size(), 2u);
  EXPECT_EQ(viewed, owned);
  EXPECT_EQ(viewed[1].x, -1e6f);
  EXPECT_EQ(viewed.bytes().size(), 56u);
  EXPECT_THROW((void)viewed.at(2), std::out_of_range);
  std::vector<sq::PointStarRecord> walked(viewed.begin(), viewed.end());
  EXPECT_EQ(walked, (std::vector<sq::PointStarRecord>(owned.begin(), owned.end())));

  sq::RecordList<sq::PointStarRecord> other = viewed;
  other.Owned()[0].alpha = 0.5f;  // now its own records, the bytes untouched
  EXPECT_FALSE(other.viewing());
  EXPECT_NE(other, viewed);
  EXPECT_EQ(viewed[0].alpha, 1.0f);
}
