#include "builder/image_kernels.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "builder/image_kernels_impl.h"

namespace sq {

namespace {

template <unsigned kChanges>
bool PlainSumRowT(uint8_t* pixels, std::size_t count, int16_t* sums) {
  bool high = false;
  for (std::size_t i = 0; i < count; ++i) high |= SumPixel<kChanges>(pixels + i * 4, sums + i);
  return high;
}

bool PlainSumRow(uint8_t* pixels, std::size_t count, int16_t* sums, unsigned changes) {
  switch (changes & (kClampColours | kAlphaOne)) {
    case kClampColours:
      return PlainSumRowT<kClampColours>(pixels, count, sums);
    case kAlphaOne:
      return PlainSumRowT<kAlphaOne>(pixels, count, sums);
    case kClampColours | kAlphaOne:
      return PlainSumRowT<kClampColours | kAlphaOne>(pixels, count, sums);
    default:
      return PlainSumRowT<kKeepPixels>(pixels, count, sums);
  }
}

void PlainContrastRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t count, uint8_t limit,
                      uint64_t* bits) {
  for (std::size_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (ContrastPixel(above, row, below, i, count, limit)) bits[i / 64] |= uint64_t{1} << (i % 64);
  }
}

const ImageKernels kPlain = {"plain", &PlainSumRow, &PlainContrastRow, &PlainBrighterBits};

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
  static V Shr32By8(V v) { return _mm_srli_epi32(v, 8); }
  static V MulAddPairs16(V a, V b) { return _mm_madd_epi16(a, b); }
  static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V Pack32To16(V a, V b) { return _mm_packs_epi32(a, b); }
  static bool Any(V v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF; }
  static V Previous(V p, V v) { return _mm_or_si128(_mm_slli_si128(v, 4), _mm_srli_si128(p, 12)); }
  static V Following(V v, V n) { return _mm_or_si128(_mm_srli_si128(v, 4), _mm_slli_si128(n, 12)); }
  static unsigned EqualPixels(V a, V b) {
    return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b))));
  }
  static uint64_t Greater16(V a, V b, V c, V d) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpgt_epi16(a, b), _mm_cmpgt_epi16(c, d))));
  }
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
