// Small-block pool for markup objects and their small buffers (property
// stores, collections, strings). Building a tree makes tens of thousands of
// small objects and releasing it frees them all; the general-purpose heap
// spent more time on that than on the build itself. Blocks are kept per
// size class in per-thread free lists and never given back to the system,
// so the pool holds the peak memory of the trees built so far.
//
// Under AddressSanitizer every block comes from the ordinary heap, so
// use-after-free and leaks of markup objects are still reported.
#pragma once

#include <cstddef>
#include <new>

// One pool: free lists per 16-byte size class up to kMaxPooled bytes, fed
// from 64 KiB slabs; larger blocks come from the heap. Not thread-safe: each
// thread allocates through its own.
class CTKMarkupBlockPool {
 public:
  static const size_t kGranule = 16;
  static const size_t kMaxPooled = 512;
  static const size_t kSlabBytes = 64 * 1024;

  CTKMarkupBlockPool() = default;
  CTKMarkupBlockPool(const CTKMarkupBlockPool&) = delete;
  CTKMarkupBlockPool& operator=(const CTKMarkupBlockPool&) = delete;

  void* Alloc(size_t nBytes);
  // nBytes is the size the block was asked for.
  void Free(void* p, size_t nBytes);

 private:
  struct FreeBlock {
    FreeBlock* pNext;
  };
  // The rare paths, kept out of line so the common ones stay short.
  __attribute__((noinline)) void* Carve(size_t nSize);
  __attribute__((noinline)) static void* AllocLarge(size_t nBytes);
  __attribute__((noinline)) static void FreeLarge(void* p);
  FreeBlock* m_free[kMaxPooled / kGranule] = {};
  char* m_pBump = nullptr;
  char* m_pBumpEnd = nullptr;
};

// The calling thread's pool (the heap under AddressSanitizer).
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
