// The AVX-512 version of the sky renderer's pixel tests; this file alone is
// compiled with -mavx512f.
#include "background_export/sky_draw.h"

#if defined(__AVX512F__)
#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

typedef float F16 __attribute__((vector_size(64)));
typedef int32_t I16 __attribute__((vector_size(64)));

const SkyDrawKernel kAvx512 = {"AVX-512",
                               &Lanes<F16, I16>::DrawBox,
                               &Lanes<F16, I16>::DrawPair,
                               &Lanes<F16, I16>::SetUp,
                               &Lanes<F16, I16>::Places,
                               &Lanes<F16, I16>::NarrowExtents};

}  // namespace

const SkyDrawKernel* Avx512SkyDraw() { return &kAvx512; }

}  // namespace sq
#else
namespace sq {
const SkyDrawKernel* Avx512SkyDraw() { return nullptr; }
}  // namespace sq
#endif
