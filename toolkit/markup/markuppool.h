// Small-block pool for markup objects and their small buffers (property
// stores, collections, strings). Building a tree makes tens of thousands of
// small objects and releasing it frees them all; the general-purpose heap
// spends more time on that than the build itself. Blocks are kept per size
// class in per-thread free lists and never given back to the system, so the
// pool holds the peak memory of the trees built so far.
//
// Under AddressSanitizer every block comes from the ordinary heap, so
// use-after-free and leaks of markup objects are still reported.
#pragma once

#include <cstddef>
#include <new>

void* MarkupPoolAlloc(size_t nBytes);
void MarkupPoolFree(void* p, size_t nBytes);

// A standard allocator over the pool, for the containers of markup objects.
template <class T>
struct MarkupPoolAllocator {
  typedef T value_type;
  MarkupPoolAllocator() noexcept = default;
  template <class U>
  MarkupPoolAllocator(const MarkupPoolAllocator<U>&) noexcept {}
  T* allocate(size_t n) { return static_cast<T*>(MarkupPoolAlloc(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { MarkupPoolFree(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const MarkupPoolAllocator<U>&) const noexcept {
    return true;
  }
};
