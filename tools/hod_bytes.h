// Composes HOD bytes for the sample-making tools: little-endian fields, counted
// texts, and chunks whose big-endian size is filled in when the chunk is closed.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace sqtools {

class HodBytes {
 public:
  std::vector<uint8_t>& data() { return data_; }
  std::size_t size() const { return data_.size(); }

  HodBytes& Tag(std::string_view text) {
    data_.insert(data_.end(), text.begin(), text.end());
    return *this;
  }
  HodBytes& BE32(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) data_.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  HodBytes& I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) data_.push_back(static_cast<uint8_t>(u >> shift));
    return *this;
  }
  HodBytes& I16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    data_.push_back(static_cast<uint8_t>(u));
    data_.push_back(static_cast<uint8_t>(u >> 8));
    return *this;
  }
  HodBytes& F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return I32(static_cast<int32_t>(u));
  }
  HodBytes& F64(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int shift = 0; shift < 64; shift += 8) data_.push_back(static_cast<uint8_t>(u >> shift));
    return *this;
  }
  // A counted text: 32-bit length, then the characters.
  HodBytes& Text(std::string_view text) {
    I32(static_cast<int32_t>(text.size()));
    return Tag(text);
  }
  HodBytes& Raw(const uint8_t* bytes, std::size_t n) {
    data_.insert(data_.end(), bytes, bytes + n);
    return *this;
  }

  // Opens a chunk: kind, a size filled in by Close, id. Returns the size's offset.
  std::size_t Open(std::string_view kind, std::string_view id) {
    Tag(kind);
    const std::size_t at = data_.size();
    BE32(0);
    Tag(id);
    return at;
  }
  // A chunk's size counts its id and everything behind it.
  void Close(std::size_t sizeAt) { PatchBE32(sizeAt, static_cast<uint32_t>(data_.size() - sizeAt - 4)); }
  // A bare tag followed by a big-endian size of what follows it (LMIP, VARY, ...).
  std::size_t OpenBare(std::string_view tag) {
    Tag(tag);
    const std::size_t at = data_.size();
    BE32(0);
    return at;
  }
  void CloseBare(std::size_t sizeAt) { PatchBE32(sizeAt, static_cast<uint32_t>(data_.size() - sizeAt - 4)); }

  void PatchBE32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data_[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }

 private:
  std::vector<uint8_t> data_;
};

// A small linear congruential generator: the same numbers on every platform.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  float Between(float low, float high) { return low + (high - low) * static_cast<float>(Next()) / 16777216.0f; }

 private:
  uint32_t state_;
};

}  // namespace sqtools
