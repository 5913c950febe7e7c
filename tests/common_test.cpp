// Number formats, safe names, the bounded reader, records viewed in the file's
// bytes, the two output folders and the TGA header.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "hod/background_tables.h"
#include "hod/byte_reader.h"
#include "hod/text_forms.h"
#include "output/output_folder.h"
#include "picture/tga_header.h"
#include "tests/test_kit.h"

// Every float is C's own %.7G: zeros of either sign, ties between two seven-digit decimals
// (to the even one), the largest and smallest floats, infinity, and a sweep over the bit
// patterns. A file's name stays inside its folder; a name with line ends and control bytes
// stays on its own group line.
TEST(TextForms, FloatsInTheSevenDigitGeneralFormAndSafeNames) {
  std::vector<float> values = {
      -12.25f,    12345678.0f, 0.6135923f, 0.0f, -0.0f,         1234567.5f, 1234568.5f,
      9999999.0f, 0.0001f,     1e-5f,      1e7f, 3.4028235e38f, 1.4e-45f,   std::numeric_limits<float>::infinity()};
  for (uint64_t bits = 0; bits < (uint64_t{1} << 32); bits += 16411) {
    values.push_back(std::bit_cast<float>(static_cast<uint32_t>(bits)));
  }
  char c[48];
  for (float f : values) {
    std::snprintf(c, sizeof c, "%.7G", static_cast<double>(f));
    ASSERT_EQ(sq::FormatFloat(f), c) << "bits " << std::bit_cast<uint32_t>(f);
  }
  for (const auto& [name, safe] : {std::pair{"../x", ".._x"}, {"a\\b:c\nd", "a_b_c_d"}, {"..", "_"}, {"", "_"}}) {
    EXPECT_EQ(sq::SafeFileName(name), safe);
  }
  EXPECT_EQ(sq::SideFileText(std::string("a\r\nv 9 9 9\0\x7f", 12)), "a__v 9 9 9__");
}

// The bounded reader names the field it failed at; records viewed in the file's bytes decode
// little-endian at any alignment and equal owned ones.
TEST(Reader, LittleEndianValuesAStickyFailureAndRecordsViewedAtAnyAlignment) {
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
  EXPECT_EQ(short32.I16(), 0);  // after a failure nothing moves, though two bytes are there
  EXPECT_EQ(short32.Position(), 0u);
  // A byte in front puts every record off its alignment; two stars, then a stray byte.
  sqsupport::Bytes block;
  block.Raw({0xEE}).F32s({1, -2, 3.5f, 0.25f, 0.5f, 0.75f, 1}).F32s({-1e6f, 0, 7, 0, 0, 0, 0.5f}).Raw({0x01});
  const std::vector<uint8_t> records = block.vec();
  const auto viewed = sq::RecordList<sq::PointStarRecord>::View(std::span(records).subspan(1));
  const sq::RecordList<sq::PointStarRecord> owned = {{1, -2, 3.5f, 0.25f, 0.5f, 0.75f, 1},
                                                     {-1e6f, 0, 7, 0, 0, 0, 0.5f}};
  EXPECT_TRUE(viewed.Viewing());
  ASSERT_EQ(viewed.size(), 2u);
  EXPECT_EQ(viewed, owned);
  EXPECT_EQ(viewed.Bytes().size(), 56u);
  EXPECT_THROW((void)viewed.at(2), std::out_of_range);
  std::vector<sq::PointStarRecord> walked(viewed.begin(), viewed.end());
  EXPECT_EQ(walked, (std::vector<sq::PointStarRecord>(owned.begin(), owned.end())));
  sq::RecordList<sq::PointStarRecord> other = viewed;
  other.Owned()[0].alpha = 0.5f;  // now its own records, the records untouched
  EXPECT_FALSE(other.Viewing());
  EXPECT_NE(other, viewed);
  EXPECT_EQ(viewed[0].alpha, 1.0f);
}

// The two places a pass writes to agree: appends extend, a replace is whole, and a name
// with a folder part stays inside.
TEST(OutputFolder, DiskAndMemoryHoldTheSameFiles) {
  sqtest::TempDir dir;
  sq::DiskFolder disk(dir.path());
  sq::MemoryFolder memory;
  for (sq::OutputFolder* folder : {static_cast<sq::OutputFolder*>(&disk), static_cast<sq::OutputFolder*>(&memory)}) {
    EXPECT_FALSE(folder->Holds("a.obj"));
    EXPECT_EQ(folder->Append("a.obj", ""), "");
    EXPECT_TRUE(folder->Holds("a.obj"));
    EXPECT_EQ(folder->Append("a.obj", "v 1\r\n"), "");
    EXPECT_EQ(folder->Append("a.obj", "v 2\r\n"), "");
    EXPECT_EQ(folder->Replace("../r.rtf", "new"), "");
    EXPECT_EQ(folder->Replace("../r.rtf", "newer"), "");
  }
  EXPECT_EQ(sqtest::ReadText(dir / "a.obj"), "v 1\r\nv 2\r\n");
  EXPECT_EQ(sqtest::ReadText(dir / ".._r.rtf"), "newer");
  EXPECT_EQ(*memory.Find("a.obj"), "v 1\r\nv 2\r\n");
  EXPECT_EQ(*memory.Find(".._r.rtf"), "newer");
  EXPECT_EQ(memory.Names(), (std::vector<std::string>{"a.obj", ".._r.rtf"}));
  EXPECT_EQ(memory.Find("b.obj"), nullptr);
  std::filesystem::create_directory(dir / "d.hod");
  EXPECT_EQ(disk.Append("d.hod", "x"), "cannot open " + (dir / "d.hod").string() + ": " + std::strerror(EISDIR));
  sq::DiskFolder missing(dir / "missing");
  EXPECT_EQ(missing.Replace("r.rtf", "x"),
            "cannot create " + (dir / "missing" / "r.rtf").string() + ": " + std::strerror(ENOENT));
  EXPECT_EQ(sqtest::FileCount(dir.path()), 3);
}

// Every field at its offset, numbers little-endian; what the header does not keep
// (the first colour-map entry, the origin) reads as nothing and writes as zeros.
TEST(TgaHeader, FieldsSitAtTheirOffsetsAndReadBack) {
  // ID length, colour-map type, image type, map length, entry bits, width, height, depth, descriptor.
  const sq::TgaHeader fields{3, 1, 2, 0x0102, 24, 0x8004, 0x0203, 32, 0x28};
  const std::array<uint8_t, sq::kTgaHeaderSize> bytes = sq::EncodeTgaHeader(fields);
  EXPECT_EQ(bytes, (std::array<uint8_t, sq::kTgaHeaderSize>{3, 1, 2, 0, 0, 0x02, 0x01, 24, 0, 0, 0, 0, 0x04, 0x80, 0x03,
                                                            0x02, 32, 0x28}));
  std::array<uint8_t, sq::kTgaHeaderSize> stored = bytes;
  stored[3] = stored[4] = stored[8] = stored[11] = 0xEE;
  const sq::TgaHeader read = sq::ParseTgaHeader(stored);
  EXPECT_EQ(sq::EncodeTgaHeader(read), bytes);
  EXPECT_EQ(read.width, 0x8004);  // unsigned: whoever wants a signed size says so
  EXPECT_TRUE(read.TopRowFirst());
  EXPECT_EQ(read.ColourMapBytes(), 0x0102u * 3);
  stored[1] = 0;  // no colour map: its length and entry size are not counted
  EXPECT_EQ(sq::ParseTgaHeader(stored).ColourMapBytes(), 0u);
}
