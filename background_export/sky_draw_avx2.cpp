// The AVX2 version of the sky renderer's pixel tests; this file alone is
// compiled with -mavx2.
#include "background_export/sky_draw.h"

#if defined(__AVX2__)
#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

constexpr SkyDrawKernel kAvx2 = Lanes<F8, I8>::Kernel("AVX2");

}  // namespace

const SkyDrawKernel* Avx2SkyDraw() { return &kAvx2; }

}  // namespace sq
#else
namespace sq {
const SkyDrawKernel* Avx2SkyDraw() { return nullptr; }
}  // namespace sq
#endif
