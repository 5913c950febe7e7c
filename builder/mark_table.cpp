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
}

void MarkTable::SizeClear(int width, int height) {
  Size(width, height);
  std::memset(words_.data(), 0, words_.size() * sizeof(uint64_t));
}

void MarkTable::ClearRow(int y) { std::memset(Row(y), 0, wordsPerRow_ * sizeof(uint64_t)); }

}  // namespace sq
