// A bit a pixel beside contrastMask, for the sweeps after the contrast pass. A
// sky is mostly unmarked, so those sweeps walk the set bits instead of 32 MiB of
// mask bytes. Marks are only ever cleared once the contrast pass has set them,
// so an index taken from the mask at any moment stays a superset of the marks
// from then on: a set bit says "look at the mask here", a clear bit "no mark".
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "builder/image_buffer.h"
#include "builder/tga_tables.h"

namespace sq {

class MarkIndex {
 public:
  // Words per row for an image `width` wide: every row starts a word.
  static std::size_t WordsFor(int width) { return (static_cast<std::size_t>(width) + 63) / 64; }

  // Sizes the index for the tables' image; the rows are then written one by one
  // with SetRow (every row must be).
  void Size(const TgaTables& t);
  // The index of the mask as it stands.
  static MarkIndex Of(const TgaTables& t);

  // Row y (counted from 1) from mask bytes: bit x - 1 set where mask[x - 1] != 0.
  void SetRow(int y, const uint8_t* mask);
  void ClearRow(int y);

  int Width() const { return width_; }
  std::size_t WordsPerRow() const { return wordsPerRow_; }

  // Bits j + shift for j = 64 * word .. 64 * word + 63 of row y, where bit j
  // stands for column j + 1; positions outside the row read as clear. The
  // shift lies between -63 and 63.
  uint64_t Window(int y, std::size_t word, int shift) const {
    const uint64_t* row = Row(y);
    const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(word) * 64 + shift;
    const std::ptrdiff_t w = first >= 0 ? first / 64 : -1;
    const unsigned s = static_cast<unsigned>(first - w * 64);  // 0 .. 63
    const uint64_t lo = At(row, w), hi = At(row, w + 1);
    return s == 0 ? lo : (lo >> s) | (hi << (64 - s));
  }

  // Calls visit(x) for every column x of row y whose bit is set in `bits`, the
  // word `word` of a candidate row, in increasing order.
  template <class Visit>
  static void ForEachColumn(uint64_t bits, std::size_t word, Visit&& visit) {
    while (bits != 0) {
      const int j = std::countr_zero(bits);
      bits &= bits - 1;
      visit(static_cast<int>(word * 64) + j + 1);
    }
  }

  // The bits of row y's word `word` that stand for columns from..to.
  uint64_t Columns(std::size_t word, int from, int to) const {
    const std::ptrdiff_t base = static_cast<std::ptrdiff_t>(word) * 64;
    const std::ptrdiff_t lo = from - 1 - base, hi = to - 1 - base;  // bit positions, may lie outside 0..63
    if (hi < 0 || lo > 63 || hi < lo) return 0;
    const uint64_t upTo = hi >= 63 ? ~uint64_t{0} : (uint64_t{2} << hi) - 1;
    const uint64_t from0 = lo <= 0 ? ~uint64_t{0} : ~((uint64_t{1} << lo) - 1);
    return upTo & from0;
  }

 private:
  const uint64_t* Row(int y) const { return words_.data() + static_cast<std::size_t>(y - 1) * wordsPerRow_; }
  uint64_t* Row(int y) { return words_.data() + static_cast<std::size_t>(y - 1) * wordsPerRow_; }
  uint64_t At(const uint64_t* row, std::ptrdiff_t w) const {
    return w >= 0 && static_cast<std::size_t>(w) < wordsPerRow_ ? row[w] : 0;
  }

  int width_ = 0;
  int height_ = 0;
  std::size_t wordsPerRow_ = 0;
  ImageBuffer<uint64_t> words_;
};

}  // namespace sq
