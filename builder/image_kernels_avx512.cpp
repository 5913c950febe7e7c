// The AVX-512 version of the row kernels; this file alone is compiled with
// -mavx512bw (byte and word instructions on 512-bit vectors).
#include "builder/image_kernels.h"

#if defined(__AVX512BW__)
#include <immintrin.h>

#include "builder/image_kernels_impl.h"

namespace sq {

namespace {

struct Avx512 {
  using V = __m512i;
  static constexpr std::size_t kBytes = 64;
  static V Load(const void* p) { return _mm512_loadu_si512(p); }
  static void Store(void* p, V v) { _mm512_storeu_si512(p, v); }
  static V Zero() { return _mm512_setzero_si512(); }
  static V Splat8(uint8_t b) { return _mm512_set1_epi8(static_cast<char>(b)); }
  static V Splat32(uint32_t w) { return _mm512_set1_epi32(static_cast<int>(w)); }
  static V And(V a, V b) { return _mm512_and_si512(a, b); }
  static V Or(V a, V b) { return _mm512_or_si512(a, b); }
  static V Max(V a, V b) { return _mm512_max_epu8(a, b); }
  static V Min(V a, V b) { return _mm512_min_epu8(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_epi8(a, b); }
  static V SubSat(V a, V b) { return _mm512_subs_epu8(a, b); }
  // The zero-masked forms where there are two: g++ 12 warns falsely on the
  // undefined source operand of the plain ones.
  static V Shr32By8(V v) { return _mm512_maskz_srli_epi32(0xFFFF, v, 8); }
  static V MulAddPairs16(V a, V b) { return _mm512_madd_epi16(a, b); }
  static V Add32(V a, V b) { return _mm512_add_epi32(a, b); }
  // The pack works within each 128-bit quarter; the permute puts the pieces back in order.
  static V Pack32To16(V a, V b) {
    return _mm512_maskz_permutexvar_epi64(0xFF, _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), _mm512_packs_epi32(a, b));
  }
  static bool Any(V v) { return _mm512_test_epi8_mask(v, v) != 0; }
  static V Previous(V p, V v) { return _mm512_maskz_alignr_epi32(0xFFFF, v, p, 15); }
  static V Following(V v, V n) { return _mm512_maskz_alignr_epi32(0xFFFF, n, v, 1); }
  static unsigned EqualPixels(V a, V b) { return _mm512_cmpeq_epi32_mask(a, b); }
  static uint64_t Greater16(V a, V b, V c, V d) {
    return static_cast<uint64_t>(_mm512_cmpgt_epi16_mask(a, b)) | static_cast<uint64_t>(_mm512_cmpgt_epi16_mask(c, d))
                                                                      << 32;
  }
};

const ImageKernels kAvx512 = KernelsOf<Avx512>("AVX-512");

}  // namespace

const ImageKernels* Avx512ImageKernels() { return &kAvx512; }

}  // namespace sq

#else

namespace sq {
const ImageKernels* Avx512ImageKernels() { return nullptr; }
}  // namespace sq

#endif
