// Composes HOD bytes in tests: chunks of a kind, a big-endian size and an id
// around a payload of little-endian fields, so a test states its file in a few lines.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace sqtest {

class Bytes {
 public:
  Bytes() = default;

  Bytes& Tag(std::string_view text) {
    data_.insert(data_.end(), text.begin(), text.end());
    return *this;
  }
  Bytes& BE32(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) data_.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) data_.push_back(static_cast<uint8_t>(u >> shift));
    return *this;
  }
  Bytes& I16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    data_.push_back(static_cast<uint8_t>(u));
    data_.push_back(static_cast<uint8_t>(u >> 8));
    return *this;
  }
  Bytes& F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    I32(static_cast<int32_t>(u));
    return MarkData(4);
  }
  Bytes& F32s(std::initializer_list<float> values) {
    for (float f : values) F32(f);
    return *this;
  }
  Bytes& F64(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int shift = 0; shift < 64; shift += 8) data_.push_back(static_cast<uint8_t>(u >> shift));
    return MarkData(8);
  }
  // A counted string: 32-bit length, then the characters.
  Bytes& Text(std::string_view text) {
    I32(static_cast<int32_t>(text.size()));
    return Tag(text);
  }
  Bytes& Raw(std::initializer_list<uint8_t> bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Bytes& Zeros(std::size_t n) {
    data_.insert(data_.end(), n, 0);
    return MarkData(n);
  }
  Bytes& Add(const Bytes& other) {
    const std::size_t at = data_.size();
    data_.insert(data_.end(), other.data_.begin(), other.data_.end());
    for (std::size_t i : other.dataBytes_) dataBytes_.push_back(at + i);
    return *this;
  }

  // Offsets of the bytes written as floats or zero blocks (payload); every other
  // byte belongs to a tag, a size, a count, a length or a text.
  const std::vector<std::size_t>& DataOffsets() const { return dataBytes_; }

  std::size_t size() const { return data_.size(); }
  const std::vector<uint8_t>& vec() const { return data_; }
  operator const std::vector<uint8_t>&() const { return data_; }

 private:
  Bytes& MarkData(std::size_t n) {
    for (std::size_t i = data_.size() - n; i < data_.size(); ++i) dataBytes_.push_back(i);
    return *this;
  }

  std::vector<uint8_t> data_;
  std::vector<std::size_t> dataBytes_;
};

// A chunk: kind, big-endian size (4 for the id plus the payload), id, payload.
inline Bytes Chunk(std::string_view kind, std::string_view id, const Bytes& payload = {}) {
  Bytes b;
  b.Tag(kind).BE32(static_cast<uint32_t>(4 + payload.size())).Tag(id).Add(payload);
  return b;
}
inline Bytes Form(std::string_view id, const Bytes& payload = {}) { return Chunk("FORM", id, payload); }
inline Bytes Nrml(std::string_view id, const Bytes& payload = {}) { return Chunk("NRML", id, payload); }

// A point-star chunk: version 1000 (big-endian), then stars of position and colour.
inline Bytes StarsChunk(const std::vector<std::array<float, 7>>& stars) {
  Bytes p;
  p.BE32(1000).I32(static_cast<int32_t>(stars.size()));
  for (const auto& star : stars) p.F32s({star[0], star[1], star[2], star[3], star[4], star[5], star[6]});
  return Nrml("STRF", p);
}

// A star-map form: the texture name, then records of position, size and colour.
inline Bytes StarMapChunk(std::string_view texture, const std::vector<std::array<float, 8>>& records) {
  Bytes p;
  p.Text(texture).I32(static_cast<int32_t>(records.size()));
  for (const auto& r : records) p.F32s({r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]});
  return Form("BGSG", p);
}

// The leading VERS form.
inline Bytes Vers(int32_t version) { return Form("VERS", Bytes().I32(version)); }

}  // namespace sqtest
