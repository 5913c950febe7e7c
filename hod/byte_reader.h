// Byte order and the bounded reader: one cursor over a file held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sq {

// Reverses the four bytes of a 32-bit value. Chunk sizes are stored big-endian and
// kept as read little-endian; whoever needs a size's value swaps it first.
constexpr uint32_t ByteSwap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

// Reader: one cursor over the whole file. A read that would pass the end fails;
// the failure is sticky: later reads return zeros and move nothing, and the
// caller checks Failed() once. The failure records the offset and the reason.

struct ReadFailure {
  std::size_t offset = 0;
  std::string reason;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : data_(bytes) {}

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool Failed() const { return failure_.has_value(); }
  const std::optional<ReadFailure>& Failure() const { return failure_; }

  // Ends reading with a reason; the first failure is the one kept.
  void Fail(std::string reason);

  // A four-character tag or chunk kind. At the end of the file (fewer than four
  // bytes left) it yields four zero bytes and reads nothing: a header read at
  // the end matches no kind, which ends a walk normally.
  std::string Tag();
  // Four characters that belong to a record; passing the end is a failure.
  std::string Chars4();

  // The reads of numbers are inline: a walk makes millions of them. Each checks
  // the bytes are there and otherwise fails through Need().
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint32_t U32() {  // four bytes little-endian, as stored (chunk sizes are kept this way)
    if (failure_ || Remaining() < 4) {
      (void)Need(4, "a 32-bit value");
      return 0;
    }
    const uint8_t* p = data_.data() + pos_;
    pos_ += 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint16_t U16() {
    if (failure_ || Remaining() < 2) {
      (void)Need(2, "a 16-bit value");
      return 0;
    }
    const uint8_t* p = data_.data() + pos_;
    pos_ += 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  float F32() {
    const uint32_t bits = U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  double F64();
  // A block of n bytes as a view into the file.
  std::span<const uint8_t> Bytes(std::size_t n);
  void Skip(std::size_t n) { (void)Bytes(n); }

  // Checks a count read from the file before anything is sized by it: a negative
  // count, or one whose records of recordSize bytes cannot fit in what is left,
  // fails with a reason naming `what`. Returns the count as a size when it is sound.
  std::optional<std::size_t> Count(int64_t count, std::size_t recordSize, std::string_view what);

 private:
  bool Need(std::size_t n, std::string_view what);

  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
  std::optional<ReadFailure> failure_;
};

}  // namespace sq
