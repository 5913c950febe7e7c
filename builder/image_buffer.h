// Buffers for whole images. An 8192 x 4096 image is 128 MiB of pixels; filling
// such a buffer with zeros first only to overwrite it, and faulting it in 4 KiB
// pages, costs more than a sweep over it. So: elements are left uninitialised by
// resize() (whoever sizes a buffer writes every element; assign(n, v) still
// fills), and large buffers are aligned to 2 MiB and the whole 2 MiB pages they
// fill offered to the kernel as huge pages.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace sq {

template <class T>
struct ImageAllocator {
  using value_type = T;
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;

  ImageAllocator() = default;
  template <class U>
  ImageAllocator(const ImageAllocator<U>& /*other*/) {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T) - kHugePage) throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHugePage) return static_cast<T*>(::operator new(bytes));
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only the whole huge pages the buffer fills: a tail of a few bytes past the
    // last one (a picture's header and footer) would otherwise fault in 2 MiB.
    ::madvise(p, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);  // a hint; refusal changes nothing
#endif
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < kHugePage) {
      ::operator delete(p);
    } else {
      std::free(p);
    }
  }
  // resize() default-initialises: no zeroing of plain bytes and numbers.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  friend bool operator==(const ImageAllocator& /*a*/, const ImageAllocator& /*b*/) { return true; }
};

template <class T>
using ImageBuffer = std::vector<T, ImageAllocator<T>>;

}  // namespace sq
