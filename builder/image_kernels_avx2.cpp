// The AVX2 version of the row kernels; this file alone is compiled with -mavx2.
#include "builder/image_kernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "builder/image_kernels_impl.h"

namespace sq {

namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr std::size_t kBytes = 32;
  static V Load(const void* p) { return _mm256_loadu_si256(static_cast<const V*>(p)); }
  static void Store(void* p, V v) { _mm256_storeu_si256(static_cast<V*>(p), v); }
  static V Zero() { return _mm256_setzero_si256(); }
  static V Splat8(uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
  static V Splat32(uint32_t w) { return _mm256_set1_epi32(static_cast<int>(w)); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Max(V a, V b) { return _mm256_max_epu8(a, b); }
  static V Min(V a, V b) { return _mm256_min_epu8(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_epi8(a, b); }
  static V SubSat(V a, V b) { return _mm256_subs_epu8(a, b); }
  static V Shr32By8(V v) { return _mm256_srli_epi32(v, 8); }
  static V MulAddPairs16(V a, V b) { return _mm256_madd_epi16(a, b); }
  static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
  // The packs and byte shifts work within each 128-bit half; the permutes carry across.
  static V Pack32To16(V a, V b) { return _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8); }
  static bool Any(V v) { return !_mm256_testz_si256(v, v); }
  static V Previous(V p, V v) { return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(p, v, 0x21), 12); }
  static V Following(V v, V n) { return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, n, 0x21), v, 4); }
  static unsigned EqualPixels(V a, V b) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b))));
  }
  static uint64_t Greater16(V a, V b, V c, V d) {
    const V packed = _mm256_packs_epi16(_mm256_cmpgt_epi16(a, b), _mm256_cmpgt_epi16(c, d));
    return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(packed, 0xD8)));
  }
};

const ImageKernels kAvx2 = KernelsOf<Avx2>("AVX2");

}  // namespace

const ImageKernels* Avx2ImageKernels() { return &kAvx2; }

}  // namespace sq

#else

namespace sq {
const ImageKernels* Avx2ImageKernels() { return nullptr; }
}  // namespace sq

#endif
