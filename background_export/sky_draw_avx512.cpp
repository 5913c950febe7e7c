// The AVX-512 version of the sky renderer's pixel tests; this file alone is
// compiled with -mavx512f.
#include "background_export/sky_draw.h"

#if defined(__AVX512F__)
#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

typedef float F16 __attribute__((vector_size(64)));
typedef int32_t I16 __attribute__((vector_size(64)));

constexpr SkyDrawKernel kAvx512 = Lanes<F16, I16>::Kernel("AVX-512");

}  // namespace

const SkyDrawKernel* Avx512SkyDraw() { return &kAvx512; }

}  // namespace sq
#else
namespace sq {
const SkyDrawKernel* Avx512SkyDraw() { return nullptr; }
}  // namespace sq
#endif
