// Composes HOD bytes for tests, sample-making tools and fuzz seeds: chunks of a
// kind, a big-endian size and an id around a payload of little-endian fields, so
// a file is stated in a few lines. It keeps a record of which bytes are payload
// (floats and zero blocks), which the byte sweeps leave alone.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace sqsupport {

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
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    I32(static_cast<int32_t>(u));
    return MarkData(4);
  }
  Bytes& F32s(std::initializer_list<float> values) {
    for (float f : values) F32(f);
    return *this;
  }
  Bytes& F64(double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, 8);
    for (int shift = 0; shift < 64; shift += 8) data_.push_back(static_cast<uint8_t>(u >> shift));
    return MarkData(8);
  }
  // A counted text: 32-bit length, then the characters.
  Bytes& Text(std::string_view text) {
    I32(static_cast<int32_t>(text.size()));
    return Tag(text);
  }
  Bytes& Raw(std::initializer_list<uint8_t> bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Bytes& Raw(const uint8_t* bytes, std::size_t n) {
    data_.insert(data_.end(), bytes, bytes + n);
    return *this;
  }
  Bytes& Zeros(std::size_t n) {
    data_.insert(data_.end(), n, 0);
    return MarkData(n);
  }
  Bytes& Add(const Bytes& other) {
    const std::size_t at = data_.size();
    data_.insert(data_.end(), other.data_.begin(), other.data_.end());
    for (const DataRun& run : other.dataRuns_) AddDataRun(at + run.begin, at + run.end);
    return *this;
  }

  // A chunk written in place: Open writes the kind, a size that Close fills in,
  // and the id, and returns the size's offset; the size counts the id and
  // everything behind it.
  std::size_t Open(std::string_view kind, std::string_view id) {
    const std::size_t at = OpenBare(kind);
    Tag(id);
    return at;
  }
  void Close(std::size_t sizeAt) { PatchBE32(sizeAt, static_cast<uint32_t>(data_.size() - sizeAt - 4)); }
  // A bare tag followed by a big-endian size of what follows it (LMIP, VARY, ...).
  std::size_t OpenBare(std::string_view tag) {
    Tag(tag);
    const std::size_t at = data_.size();
    BE32(0);
    return at;
  }
  void CloseBare(std::size_t sizeAt) { Close(sizeAt); }
  void PatchBE32(std::size_t at, uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) data_[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }

  // Offsets of the bytes written as floats or zero blocks (payload); every other
  // byte belongs to a tag, a size, a count, a length or a text.
  std::vector<std::size_t> DataOffsets() const {
    std::vector<std::size_t> offsets;
    for (const DataRun& run : dataRuns_) {
      for (std::size_t at = run.begin; at < run.end; ++at) offsets.push_back(at);
    }
    return offsets;
  }

  std::size_t size() const { return data_.size(); }
  const std::vector<uint8_t>& vec() const { return data_; }
  // The bytes for writing into directly (a large block of pixels, say); what is
  // added this way is not recorded as payload.
  std::vector<uint8_t>& data() { return data_; }
  operator const std::vector<uint8_t>&() const { return data_; }

 private:
  // Payload bytes begin .. end - 1. Neighbouring runs are joined, so a long run
  // of floats costs one entry.
  struct DataRun {
    std::size_t begin, end;
  };

  Bytes& MarkData(std::size_t n) {
    AddDataRun(data_.size() - n, data_.size());
    return *this;
  }
  void AddDataRun(std::size_t begin, std::size_t end) {
    if (begin == end) return;
    if (!dataRuns_.empty() && dataRuns_.back().end == begin) {
      dataRuns_.back().end = end;
    } else {
      dataRuns_.push_back({begin, end});
    }
  }

  std::vector<uint8_t> data_;
  std::vector<DataRun> dataRuns_;
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

}  // namespace sqsupport
