#include "builder/mark_table.h"

#include <cstring>

namespace sq {

void MarkTable::Size(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  wordsPerRow_ = (static_cast<std::size_t>(width_) + 63) / 64;
  stride_ = wordsPerRow_ + 1;  // one clear word between rows, and one before the first and after the last
  words_.resize(stride_ * static_cast<std::size_t>(height_) + 1);
  for (std::size_t i = 0; i < words_.size(); i += stride_) words_[i] = 0;
  usedPerRow_ = (wordsPerRow_ + 63) / 64;
  used_.resize(usedPerRow_ * static_cast<std::size_t>(height_));
}

void MarkTable::SizeClear(int width, int height) {
  Size(width, height);
  std::memset(words_.data(), 0, words_.size() * sizeof(uint64_t));
  std::memset(used_.data(), 0, used_.size() * sizeof(uint64_t));
}

void MarkTable::ClearRow(int y) {
  std::memset(Row(y), 0, wordsPerRow_ * sizeof(uint64_t));
  std::memset(Used(y), 0, usedPerRow_ * sizeof(uint64_t));
}

void MarkTable::RowWritten(int y) {
  const uint64_t* row = Row(y);
  uint64_t* used = Used(y);
  for (std::size_t u = 0; u < usedPerRow_; ++u) used[u] = 0;
  for (std::size_t w = 0; w < wordsPerRow_; ++w) used[w / 64] |= static_cast<uint64_t>(row[w] != 0) << (w % 64);
}

}  // namespace sq
