// A table of one bit a pixel: how the builder keeps contrastMask. A sky is mostly
// unmarked, so the detector's passes after the contrast pass find their
// candidates 64 columns at a time, and the table of an 8192 x 4096 image takes
// 4 MiB rather than 32.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "builder/image_buffer.h"

namespace sq {

class MarkTable {
 public:
  // Sizes the table for a width x height image; the rows are then written one
  // by one (Bits, ClearRow), every row.
  void Size(int width, int height);
  // Sizes the table with nothing marked.
  void SizeClear(int width, int height);
  bool Covers(int width, int height) const { return width_ == width && height_ == height && !words_.empty(); }

  // Column x (1 .. width) of row y (1 .. height).
  bool Test(int x, int y) const { return (Row(y)[Word(x)] >> Bit(x)) & 1; }
  void Set(int x, int y) {
    Row(y)[Word(x)] |= uint64_t{1} << Bit(x);
    Used(y)[Word(x) / 64] |= uint64_t{1} << (Word(x) % 64);
  }
  void Clear(int x, int y) { Row(y)[Word(x)] &= ~(uint64_t{1} << Bit(x)); }
  void ClearRow(int y);
  // Row y's WordsPerRow() words: bit j of word w stands for column 64 * w + j + 1.
  // Bits past the width must stay clear. RowWritten(y) must follow a write.
  uint64_t* Bits(int y) { return Row(y); }
  void RowWritten(int y);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t WordsPerRow() const { return wordsPerRow_; }

  // Bit j of the result is the mark of column 64 * word + j + 1 + kShift in row
  // y. Columns outside 1 .. width read as unmarked.
  template <int kShift>
  uint64_t Window(int y, std::size_t word) const {
    static_assert(kShift > -64 && kShift < 64);
    const uint64_t* w = Row(y) + word;  // w[-1] and w[1] exist: each row has a clear word at either end
    if constexpr (kShift == 0) {
      return w[0];
    } else if constexpr (kShift > 0) {
      return (w[0] >> kShift) | (w[1] << (64 - kShift));
    } else {
      return (w[0] << -kShift) | (w[-1] >> (64 + kShift));
    }
  }

  // The same with a shift from 0 to 63 known only when running.
  uint64_t WindowAt(int y, std::size_t word, int shift) const {
    const uint64_t* w = Row(y) + word;
    return shift == 0 ? w[0] : (w[0] >> shift) | (w[1] << (64 - shift));
  }

  // Bits of word `word` standing for columns from .. to.
  static uint64_t Columns(std::size_t word, int from, int to) {
    const int64_t base = static_cast<int64_t>(word) * 64 + 1;  // the word's first column
    const int64_t lo = from - base, hi = to - base;            // bit positions, may lie outside 0 .. 63
    if (hi < 0 || lo > 63 || hi < lo) return 0;
    const uint64_t upTo = hi >= 63 ? ~uint64_t{0} : (uint64_t{2} << hi) - 1;
    const uint64_t fromLo = lo <= 0 ? ~uint64_t{0} : ~((uint64_t{1} << lo) - 1);
    return upTo & fromLo;
  }

  // Calls visit(w) in increasing order for every word w of row y that may hold
  // a mark, and with `andNext` also for every word after such a word: the words
  // a window shifted left by up to 63 columns can find marks in. Words that
  // have never held a mark since the row was written are skipped.
  template <class Visit>
  void ForEachWord(int y, bool andNext, Visit&& visit) const {
    const uint64_t* used = Used(y);
    uint64_t carry = 0;
    for (std::size_t u = 0; u < usedPerRow_; ++u) {
      uint64_t words = used[u];
      if (andNext) {
        const uint64_t next = (words << 1) | carry;
        carry = words >> 63;
        words |= next;
      }
      if (u + 1 == usedPerRow_ && wordsPerRow_ % 64 != 0) words &= (uint64_t{1} << (wordsPerRow_ % 64)) - 1;
      while (words != 0) {
        const int j = std::countr_zero(words);
        words &= words - 1;
        visit(u * 64 + static_cast<std::size_t>(j));
      }
    }
  }

  // Calls visit(x) for the column x of every bit set in `bits`, bits of word
  // `word`, in increasing order.
  template <class Visit>
  static void ForEachColumn(uint64_t bits, std::size_t word, Visit&& visit) {
    while (bits != 0) {
      const int j = std::countr_zero(bits);
      bits &= bits - 1;
      visit(static_cast<int>(word * 64) + j + 1);
    }
  }

 private:
  static std::size_t Word(int x) { return static_cast<std::size_t>(x - 1) / 64; }
  static unsigned Bit(int x) { return static_cast<unsigned>(x - 1) % 64; }
  // Row y's first word; the words before and after each row stay clear.
  const uint64_t* Row(int y) const { return words_.data() + static_cast<std::size_t>(y - 1) * stride_ + 1; }
  uint64_t* Row(int y) { return words_.data() + static_cast<std::size_t>(y - 1) * stride_ + 1; }
  // Row y's summary: bit w set where word w has held a mark.
  const uint64_t* Used(int y) const { return used_.data() + static_cast<std::size_t>(y - 1) * usedPerRow_; }
  uint64_t* Used(int y) { return used_.data() + static_cast<std::size_t>(y - 1) * usedPerRow_; }

  int width_ = 0;
  int height_ = 0;
  std::size_t wordsPerRow_ = 0;
  std::size_t stride_ = 0;
  std::size_t usedPerRow_ = 0;
  ImageBuffer<uint64_t> words_;
  ImageBuffer<uint64_t> used_;
};

}  // namespace sq
