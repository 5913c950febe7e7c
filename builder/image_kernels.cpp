#include "builder/image_kernels.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "builder/image_kernels_impl.h"

namespace sq {

namespace {

bool PlainSumRow(uint8_t* pixels, std::size_t count, int16_t* sums, bool clamp) {
  bool high = false;
  for (std::size_t i = 0; i < count; ++i) {
    high |= clamp ? SumPixel<true>(pixels + i * 4, sums + i) : SumPixel<false>(pixels + i * 4, sums + i);
  }
  return high;
}

void PlainRowExtremes(const uint8_t* row, std::size_t count, uint8_t* highest, uint8_t* lowest) {
  for (std::size_t i = 0; i < count; ++i) PixelExtremes(row, i, count, highest, lowest);
}

void PlainContrastRow(const uint8_t* row, const ExtremeRows& rows, std::size_t count, uint8_t limit, uint8_t* mask) {
  for (std::size_t i = 0; i < count; ++i) mask[i] = ContrastPixel(row, rows, i, limit);
}

const ImageKernels kPlain = {"plain", &PlainSumRow, &PlainRowExtremes, &PlainContrastRow};

#if defined(__SSE2__)
struct Sse2 {
  using V = __m128i;
  static constexpr std::size_t kBytes = 16;
  static V Load(const void* p) { return _mm_loadu_si128(static_cast<const V*>(p)); }
  static void Store(void* p, V v) { _mm_storeu_si128(static_cast<V*>(p), v); }
  static V Zero() { return _mm_setzero_si128(); }
  static V Splat8(uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
  static V Splat32(uint32_t w) { return _mm_set1_epi32(static_cast<int>(w)); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V Max(V a, V b) { return _mm_max_epu8(a, b); }
  static V Min(V a, V b) { return _mm_min_epu8(a, b); }
  static V Sub(V a, V b) { return _mm_sub_epi8(a, b); }
  static V SubSat(V a, V b) { return _mm_subs_epu8(a, b); }
  static V Eq8(V a, V b) { return _mm_cmpeq_epi8(a, b); }
  static V Eq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
  static V Shr32By8(V v) { return _mm_srli_epi32(v, 8); }
  static V MulAddPairs16(V a, V b) { return _mm_madd_epi16(a, b); }
  static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V Pack32To16(V a, V b) { return _mm_packs_epi32(a, b); }
  static V Pack32To8(V a, V b, V c, V d) { return _mm_packs_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)); }
  static bool Any(V v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF; }
};
const ImageKernels kSse2 = KernelsOf<Sse2>("SSE2");
#endif

std::vector<const ImageKernels*> FindKernels() {
  std::vector<const ImageKernels*> found = {&kPlain};
#if defined(__SSE2__)
  found.push_back(&kSse2);
#endif
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
  __builtin_cpu_init();
  if (Avx2ImageKernels() != nullptr && __builtin_cpu_supports("avx2")) found.push_back(Avx2ImageKernels());
  if (Avx512ImageKernels() != nullptr && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) {
    found.push_back(Avx512ImageKernels());
  }
#endif
  return found;
}

}  // namespace

std::span<const ImageKernels* const> AvailableImageKernels() {
  static const std::vector<const ImageKernels*> available = FindKernels();
  return available;
}

const ImageKernels& BestImageKernels() {
  static const ImageKernels& best = *AvailableImageKernels().back();
  return best;
}

}  // namespace sq
