// The AVX2 version of the sky renderer's pixel tests; this file alone is
// compiled with -mavx2.
#include "background_export/sky_draw.h"

#if defined(__AVX2__)
#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

const SkyDrawKernel kAvx2 = {"AVX2",
                             &Lanes<F8, I8>::DrawBox,
                             &Lanes<F8, I8>::DrawPair,
                             &Lanes<F8, I8>::SetUp,
                             &Lanes<F8, I8>::Places,
                             &Lanes<F8, I8>::NarrowExtents};

}  // namespace

const SkyDrawKernel* Avx2SkyDraw() { return &kAvx2; }

}  // namespace sq
#else
namespace sq {
const SkyDrawKernel* Avx2SkyDraw() { return nullptr; }
}  // namespace sq
#endif
