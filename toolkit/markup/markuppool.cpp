#include "toolkit/markup/markuppool.h"

#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define TK_MARKUP_POOL_ENABLED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TK_MARKUP_POOL_ENABLED 0
#endif
#endif
#ifndef TK_MARKUP_POOL_ENABLED
#define TK_MARKUP_POOL_ENABLED 1
#endif

#if TK_MARKUP_POOL_ENABLED
namespace {

// Size classes of 16 bytes up to 512 bytes; larger blocks use the heap.
const size_t kGranule = 16;
const size_t kMaxPooled = 512;
const size_t kClasses = kMaxPooled / kGranule;
const size_t kSlabBytes = 64 * 1024;

struct FreeBlock {
  FreeBlock* pNext;
};

// Slabs are never freed: a block made on one thread may be freed on
// another and live on in that thread's lists. Keeping them listed keeps
// them reachable for leak checkers.
std::mutex g_slabLock;
std::vector<void*>* g_pSlabs = nullptr;

struct ThreadPool {
  FreeBlock* free[kClasses] = {};
  char* pBump = nullptr;
  char* pBumpEnd = nullptr;

  void* Carve(size_t nSize) {
    if (static_cast<size_t>(pBumpEnd - pBump) < nSize) {
      pBump = static_cast<char*>(::operator new(kSlabBytes));
      pBumpEnd = pBump + kSlabBytes;
      std::lock_guard<std::mutex> lock(g_slabLock);
      if (!g_pSlabs) g_pSlabs = new std::vector<void*>();
      g_pSlabs->push_back(pBump);
    }
    void* p = pBump;
    pBump += nSize;
    return p;
  }
};

thread_local ThreadPool t_pool;

inline size_t ClassOf(size_t nBytes) { return (nBytes + kGranule - 1) / kGranule - 1; }

}  // namespace

void* MarkupPoolAlloc(size_t nBytes) {
  if (nBytes == 0) nBytes = 1;
  if (nBytes > kMaxPooled) return ::operator new(nBytes);
  size_t c = ClassOf(nBytes);
  ThreadPool& pool = t_pool;
  if (FreeBlock* p = pool.free[c]) {
    FreeBlock* pNext = p->pNext;
    pool.free[c] = pNext;
    // Freed blocks are scattered: fetch the next one now, while this one
    // is being filled, rather than stall on it at the next allocation.
    if (pNext) __builtin_prefetch(pNext, 1);
    return p;
  }
  return pool.Carve((c + 1) * kGranule);
}

void MarkupPoolFree(void* p, size_t nBytes) {
  if (!p) return;
  if (nBytes == 0) nBytes = 1;
  if (nBytes > kMaxPooled) {
    ::operator delete(p);
    return;
  }
  size_t c = ClassOf(nBytes);
  ThreadPool& pool = t_pool;
  FreeBlock* pBlock = static_cast<FreeBlock*>(p);
  pBlock->pNext = pool.free[c];
  pool.free[c] = pBlock;
}

#else

void* MarkupPoolAlloc(size_t nBytes) { return ::operator new(nBytes ? nBytes : 1); }
void MarkupPoolFree(void* p, size_t) { ::operator delete(p); }

#endif
