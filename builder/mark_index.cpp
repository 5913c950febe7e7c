#include "builder/mark_index.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sq {

void MarkIndex::Size(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  wordsPerRow_ = (static_cast<std::size_t>(width_) + 63) / 64;
  stride_ = wordsPerRow_ + 1;  // one clear word between rows, and one before the first and after the last
  words_.resize(stride_ * static_cast<std::size_t>(height_) + 1);
  for (std::size_t i = 0; i < words_.size(); i += stride_) words_[i] = 0;
}

MarkIndex MarkIndex::Of(const TgaTables& t) {
  MarkIndex index;
  index.Size(t.tgaWidth, t.tgaHeight);
  const bool covered = t.contrastMask.size() == t.PixelCount();
  for (int y = 1; y <= index.height_; ++y) {
    if (covered) {
      index.SetRow(y, t.contrastMask.data() + t.Entry(1, y));
    } else {
      index.ClearRow(y);
    }
  }
  return index;
}

void MarkIndex::ClearRow(int y) { std::memset(Row(y), 0, wordsPerRow_ * sizeof(uint64_t)); }

void MarkIndex::SetRow(int y, const uint8_t* mask) {
  uint64_t* row = Row(y);
  const std::size_t n = static_cast<std::size_t>(width_);
  std::size_t x = 0;
  for (std::size_t w = 0; w < wordsPerRow_; ++w) {
    uint64_t bits = 0;
#if defined(__SSE2__)
    if (x + 64 <= n) {
      const __m128i zero = _mm_setzero_si128();
      for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + x + 16 * k));
        const auto unmarked = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        bits |= static_cast<uint64_t>(~unmarked & 0xFFFFu) << (16 * k);
      }
      row[w] = bits;
      x += 64;
      continue;
    }
#endif
    for (int j = 0; j < 64 && x < n; ++j, ++x) bits |= static_cast<uint64_t>(mask[x] != 0) << j;
    row[w] = bits;
  }
}

void MarkIndex::CopyTo(ImageBuffer<uint8_t>& mask) const {
  const std::size_t W = static_cast<std::size_t>(width_);
  mask.resize(W * static_cast<std::size_t>(height_));  // every entry is written below
  uint8_t* out = mask.data();
  for (int y = 1; y <= height_; ++y, out += W) {
    const uint64_t* row = Row(y);
    for (std::size_t w = 0; w < wordsPerRow_; ++w) {
      const std::size_t first = w * 64, n = W - first < 64 ? W - first : 64;
      uint64_t bits = row[w];
      if (bits == 0) {
        std::memset(out + first, 0, n);
        continue;
      }
      for (std::size_t j = 0; j < n; ++j, bits >>= 1) out[first + j] = static_cast<uint8_t>(bits & 1);
    }
  }
}

}  // namespace sq
