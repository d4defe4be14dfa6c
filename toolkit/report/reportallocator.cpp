#include "toolkit/report/reportallocator.h"

#include <cstdlib>

// Each block carries two links ahead of the caller's bytes (16 bytes, so the
// caller's memory keeps the alignment malloc gives).
struct TK_ARENA_BLOCK {
  TK_ARENA_BLOCK* pPrev;
  TK_ARENA_BLOCK* pNext;
};
static_assert(sizeof(TK_ARENA_BLOCK) == 16);

class CTKReportArena {
 public:
  TK_ARENA_BLOCK* m_pHead = nullptr;
  std::size_t m_nBlocks = 0;
};

CTKReportArena* TKReportArenaCreate() { return new (std::nothrow) CTKReportArena; }

void* TKReportArenaAlloc(CTKReportArena* arena, std::size_t bytes) {
  if (!arena) return nullptr;
  auto* block = static_cast<TK_ARENA_BLOCK*>(std::malloc(sizeof(TK_ARENA_BLOCK) + bytes));
  if (!block) return nullptr;
  block->pPrev = nullptr;
  block->pNext = arena->m_pHead;
  if (arena->m_pHead) arena->m_pHead->pPrev = block;
  arena->m_pHead = block;
  ++arena->m_nBlocks;
  return block + 1;
}

void TKReportArenaFree(CTKReportArena* arena, void* memory) {
  if (!arena || !memory) return;
  TK_ARENA_BLOCK* block = static_cast<TK_ARENA_BLOCK*>(memory) - 1;
  if (block->pPrev) block->pPrev->pNext = block->pNext;
  else arena->m_pHead = block->pNext;
  if (block->pNext) block->pNext->pPrev = block->pPrev;
  --arena->m_nBlocks;
  std::free(block);
}

void TKReportArenaDestroy(CTKReportArena* arena) {
  if (!arena) return;
  TK_ARENA_BLOCK* block = arena->m_pHead;
  while (block) {
    TK_ARENA_BLOCK* next = block->pNext;
    std::free(block);
    block = next;
  }
  delete arena;
}

std::size_t TKReportArenaBlockCount(const CTKReportArena* arena) { return arena ? arena->m_nBlocks : 0; }
