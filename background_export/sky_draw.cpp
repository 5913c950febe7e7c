#include "background_export/sky_draw.h"

#include <vector>

#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

// Two rows of four pixels a group: two SSE registers on any x86-64, plain
// numbers where the machine has no vector unit.
typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

const SkyDrawKernel kPlain = {"plain", &Lanes<F8, I8>::DrawBox};

}  // namespace

std::span<const SkyDrawKernel* const> AvailableSkyDraws() {
  static const std::vector<const SkyDrawKernel*> available = [] {
    std::vector<const SkyDrawKernel*> found = {&kPlain};
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (Avx2SkyDraw() != nullptr && __builtin_cpu_supports("avx2")) found.push_back(Avx2SkyDraw());
    if (Avx512SkyDraw() != nullptr && __builtin_cpu_supports("avx512f")) found.push_back(Avx512SkyDraw());
#endif
    return found;
  }();
  return available;
}

const SkyDrawKernel& BestSkyDraw() {
  static const SkyDrawKernel& best = *AvailableSkyDraws().back();
  return best;
}

}  // namespace sq
