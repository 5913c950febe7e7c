// Global operator new and delete that keep a running total of the bytes held.
// Sizes come from malloc_usable_size, so every form of delete agrees with new.
// The array and nothrow forms call these by default.
#include "tests/bounds/counting_new.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void* Take(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  void* p = alignment > alignof(std::max_align_t)
                ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                : std::malloc(size);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t now = held += malloc_usable_size(p);
  std::size_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return p;
}

void Give(void* p) noexcept {
  if (p == nullptr) return;
  held -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

namespace sqtest {
std::size_t PeakDuring(const std::function<void()>& call) {
  const std::size_t before = held.load();
  peak.store(before);
  call();
  return peak.load() - before;
}
}  // namespace sqtest

void* operator new(std::size_t n) { return Take(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return Take(n, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete(void* p, std::align_val_t) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Give(p); }
