#include "toolkit/markup/markuppool.h"

#include <mutex>
#include <vector>

// ---- one pool ------------------------------------------------------------------------------

namespace {
// Slabs are never freed: a block made on one thread may be freed on
// another and live on in that thread's lists. Keeping them listed keeps
// them reachable for leak checkers.
std::mutex g_slabLock;
std::vector<void*>* g_pSlabs = nullptr;

inline size_t ClassOf(size_t nBytes) {
  return (nBytes + CTKMarkupBlockPool::kGranule - 1) / CTKMarkupBlockPool::kGranule - 1;
}
}  // namespace

void* CTKMarkupBlockPool::Carve(size_t nSize) {
  if (static_cast<size_t>(m_pBumpEnd - m_pBump) < nSize) {
    m_pBump = static_cast<char*>(::operator new(kSlabBytes));
    m_pBumpEnd = m_pBump + kSlabBytes;
    std::lock_guard<std::mutex> lock(g_slabLock);
    if (!g_pSlabs) g_pSlabs = new std::vector<void*>();
    g_pSlabs->push_back(m_pBump);
  }
  void* p = m_pBump;
  m_pBump += nSize;
  return p;
}

void* CTKMarkupBlockPool::AllocLarge(size_t nBytes) { return ::operator new(nBytes); }
void CTKMarkupBlockPool::FreeLarge(void* p) { ::operator delete(p); }

void* CTKMarkupBlockPool::Alloc(size_t nBytes) {
  if (nBytes == 0) nBytes = 1;
  if (nBytes > kMaxPooled) return AllocLarge(nBytes);
  size_t c = ClassOf(nBytes);
  if (FreeBlock* p = m_free[c]) {
    FreeBlock* pNext = p->pNext;
    m_free[c] = pNext;
    // Freed blocks are scattered: fetch the next one now, while this one
    // is being filled, rather than stall on it at the next allocation.
    if (pNext) __builtin_prefetch(pNext, 1);
    return p;
  }
  return Carve((c + 1) * kGranule);
}

void CTKMarkupBlockPool::Free(void* p, size_t nBytes) {
  if (!p) return;
  if (nBytes == 0) nBytes = 1;
  if (nBytes > kMaxPooled) {
    FreeLarge(p);
    return;
  }
  size_t c = ClassOf(nBytes);
  FreeBlock* pBlock = static_cast<FreeBlock*>(p);
  pBlock->pNext = m_free[c];
  m_free[c] = pBlock;
}

// ---- the thread's pool ----------------------------------------------------------------------

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
thread_local CTKMarkupBlockPool t_pool;
}
void* MarkupPoolAlloc(size_t nBytes) { return t_pool.Alloc(nBytes); }
void MarkupPoolFree(void* p, size_t nBytes) { t_pool.Free(p, nBytes); }
#else
void* MarkupPoolAlloc(size_t nBytes) { return ::operator new(nBytes ? nBytes : 1); }
void MarkupPoolFree(void* p, size_t) { ::operator delete(p); }
#endif
