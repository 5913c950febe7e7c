#include "background_export/sky_draw.h"

#include <vector>

#include "background_export/sky_draw_impl.h"

namespace sq {

namespace {

// One row of four pixels a group: an SSE register on any x86-64, plain numbers
// where the machine has no vector unit. (Two rows a group, in vectors wider
// than the machine's, drew three times slower: they are put together and taken
// apart lane by lane.)
typedef float F4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));

constexpr SkyDrawKernel kPlain = Lanes<F4, I4>::Kernel("plain");

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
