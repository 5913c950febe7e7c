#include "builder/mark_index.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sq {

void MarkIndex::Size(const TgaTables& t) {
  width_ = t.tgaWidth > 0 ? t.tgaWidth : 0;
  height_ = t.tgaHeight > 0 ? t.tgaHeight : 0;
  wordsPerRow_ = WordsFor(width_);
  words_.resize(wordsPerRow_ * static_cast<std::size_t>(height_));
}

MarkIndex MarkIndex::Of(const TgaTables& t) {
  MarkIndex index;
  index.Size(t);
  const bool sized = t.contrastMask.size() == t.PixelCount();
  for (int y = 1; y <= index.height_; ++y) {
    if (sized) {
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

}  // namespace sq
