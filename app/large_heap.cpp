// A big background fills some 100 MB of tables and preview lists. Handed out in
// 4 KiB pages, every page is a fault of its own, and on a virtual machine a fault
// costs tens of microseconds: more than the walk itself. So the heap is reserved
// once as one large region that the kernel may back with 2 MiB pages, and kept
// for the whole run instead of being returned and faulted in again. Memory not
// touched stays unused; where the system refuses, malloc behaves as before.
#include "app/large_heap.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__) && defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define STARQUILL_LARGE_HEAP 1
#endif

namespace sq {

void PrepareLargeHeap() {
#if defined(STARQUILL_LARGE_HEAP) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kReserve = std::size_t{1} << 30;  // address space only, until touched
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  // Every block from the one heap, none mapped apart; the heap never shrinks midway.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  void* probe = std::malloc(kReserve);
  if (probe == nullptr) {
    mallopt(M_MMAP_MAX, 65536);  // the heap cannot grow that far: back to the default
    return;
  }
  const auto from = (reinterpret_cast<std::uintptr_t>(probe) + kHugePage - 1) / kHugePage * kHugePage;
  const auto to = reinterpret_cast<std::uintptr_t>(::sbrk(0)) / kHugePage * kHugePage;
  std::free(probe);
  // A hint; refusal changes nothing. The address made from a number lies in the
  // heap's own region.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

}  // namespace sq
