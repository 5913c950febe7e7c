#include "hod/byte_reader.h"

#include <string>

namespace sq {

// ---------------------------------------------------------------------------
// Reader

void Reader::Fail(std::string reason) {
  if (!failure_) failure_ = ReadFailure{pos_, std::move(reason)};
}

bool Reader::Need(std::size_t n, std::string_view what) {
  if (failure_) return false;
  if (n > Remaining()) {
    Fail("unexpected end of file reading " + std::string(what) + " (" + std::to_string(n) + " bytes needed, " +
         std::to_string(Remaining()) + " left)");
    return false;
  }
  return true;
}

std::string Reader::Tag() {
  if (failure_ || Remaining() < 4) return std::string(4, '\0');
  std::string tag(reinterpret_cast<const char*>(data_.data() + pos_), 4);
  pos_ += 4;
  return tag;
}

std::string Reader::Chars4() {
  if (!Need(4, "a four-character field")) return std::string(4, '\0');
  std::string tag(reinterpret_cast<const char*>(data_.data() + pos_), 4);
  pos_ += 4;
  return tag;
}

double Reader::F64() {
  if (!Need(8, "a 64-bit float")) return 0.0;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | data_[pos_ + static_cast<std::size_t>(i)];
  pos_ += 8;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::span<const uint8_t> Reader::Bytes(std::size_t n) {
  if (!Need(n, "a data block")) return {};
  auto block = data_.subspan(pos_, n);
  pos_ += n;
  return block;
}

std::optional<std::size_t> Reader::Count(int64_t count, std::size_t recordSize, std::string_view what) {
  if (failure_) return std::nullopt;
  if (count < 0) {
    Fail("negative " + std::string(what) + " count " + std::to_string(count));
    return std::nullopt;
  }
  const auto n = static_cast<uint64_t>(count);
  if (recordSize > 0 && n > Remaining() / recordSize) {
    Fail(std::string(what) + " count " + std::to_string(count) + " needs more bytes than the " +
         std::to_string(Remaining()) + " left in the file");
    return std::nullopt;
  }
  return static_cast<std::size_t>(n);
}

}  // namespace sq
