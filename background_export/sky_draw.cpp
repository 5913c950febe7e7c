#include "background_export/sky_draw.h"

#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

// Two rows of four pixels a group: two SSE registers on any x86-64, plain
// numbers where the machine has no vector unit.
typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

const SkyDrawKernel kPlain = {"plain", &Lanes<F8, I8>::DrawBox};

}  // namespace

const SkyDrawKernel& PlainSkyDraw() { return kPlain; }

const SkyDrawKernel& BestSkyDraw() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const SkyDrawKernel& best = Avx512SkyDraw() != nullptr && __builtin_cpu_supports("avx512f") ? *Avx512SkyDraw()
                                     : Avx2SkyDraw() != nullptr && __builtin_cpu_supports("avx2")      ? *Avx2SkyDraw()
                                                                                                        : kPlain;
  return best;
#else
  return kPlain;
#endif
}

}  // namespace sq
