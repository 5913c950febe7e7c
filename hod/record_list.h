// A list of fixed-size records that either owns its records (tables built in
// memory: the writer's, the sample tools', tests') or views them in a file's
// bytes, decoded on access (a walk: no copy, no fresh memory). Both kinds read
// alike: size(), records by value, iteration, ==.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <span>
#include <stdexcept>
#include <vector>

namespace sq {

// The stored layout of one record type: kBytes, and Decode(p) reading kBytes
// bytes at p. Each record type of the background tables specialises it.
template <class T>
struct RecordLayout;

// Little-endian loads from bytes of any alignment; plain loads on x86.
inline uint16_t LoadU16(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
}
inline uint32_t LoadU32(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
}
inline float LoadF32(const uint8_t* p) {
  const uint32_t bits = LoadU32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

template <>
struct RecordLayout<int16_t> {
  static constexpr std::size_t kBytes = 2;
  static int16_t Decode(const uint8_t* p) { return static_cast<int16_t>(LoadU16(p)); }
};

template <class T>
class RecordList {
 public:
  using Layout = RecordLayout<T>;
  static constexpr std::size_t kRecordBytes = Layout::kBytes;

  RecordList() = default;
  RecordList(std::vector<T> records) : owned_(std::move(records)) {}
  RecordList(std::initializer_list<T> records) : owned_(records) {}

  // Views the records stored in `block`, which must outlive the list (the model
  // keeps the file's bytes for that). A trailing partial record is not part of it.
  static RecordList View(std::span<const uint8_t> block) {
    RecordList list;
    list.view_ = block.data();
    list.viewCount_ = block.size() / kRecordBytes;
    list.viewing_ = true;
    return list;
  }

  bool Viewing() const { return viewing_; }
  std::size_t size() const { return viewing_ ? viewCount_ : owned_.size(); }
  bool empty() const { return size() == 0; }

  T operator[](std::size_t i) const { return viewing_ ? Layout::Decode(view_ + i * kRecordBytes) : owned_[i]; }
  T at(std::size_t i) const {
    if (i >= size()) throw std::out_of_range("record list index");
    return (*this)[i];
  }
  // The stored bytes of a viewed list (empty for an owned one).
  std::span<const uint8_t> Bytes() const {
    return viewing_ ? std::span<const uint8_t>(view_, viewCount_ * kRecordBytes) : std::span<const uint8_t>();
  }

  // The records as an owned vector, decoding a viewed list once: the list owns
  // them from then on and can be changed through the reference.
  std::vector<T>& Owned() {
    if (viewing_) {
      std::vector<T> records;
      records.reserve(viewCount_);
      for (std::size_t i = 0; i < viewCount_; ++i) records.push_back((*this)[i]);
      owned_ = std::move(records);
      view_ = nullptr;
      viewCount_ = 0;
      viewing_ = false;
    }
    return owned_;
  }

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = T;

    const_iterator() = default;
    const_iterator(const RecordList* list, std::size_t i) : list_(list), i_(i) {}
    T operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++i_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return i_ == other.i_; }

   private:
    const RecordList* list_ = nullptr;
    std::size_t i_ = 0;
  };

  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Equal when the records are, whichever way each list holds them.
  friend bool operator==(const RecordList& a, const RecordList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!(a[i] == b[i])) return false;
    }
    return true;
  }

 private:
  std::vector<T> owned_;
  const uint8_t* view_ = nullptr;
  std::size_t viewCount_ = 0;
  bool viewing_ = false;
};

}  // namespace sq
