// Allocators of the report grid's many small objects.
//
// Records, items, record and row collections and hyperlinks take their
// memory from CTKReportDataAllocator, rows and group rows from
// CTKReportRowAllocator, and the rows and lists that sections and grouping
// make as heap objects from CTKReportAllocatorDefault. Each allocator counts
// its live blocks (atomically). Each can place its blocks in a private arena
// that is freed as a whole when its count falls to zero; rows can be carved
// out of batches of 1024 slots. The switches for both are process-wide and
// off: only the counting runs. A switch is set before the first object of
// its classes exists and never changed while objects live.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>

#include "platform/base/exceptions.h"
#include "platform/base/wintypes.h"

// A private arena: blocks handed out one by one and freed one by one, or
// all at once when the arena is destroyed.
class CTKReportArena;
CTKReportArena* TKReportArenaCreate();
void* TKReportArenaAlloc(CTKReportArena* arena, std::size_t bytes);
void TKReportArenaFree(CTKReportArena* arena, void* block);
void TKReportArenaDestroy(CTKReportArena* arena);
// Blocks the arena holds now.
std::size_t TKReportArenaBlockCount(const CTKReportArena* arena);

// The state of one allocator. The destructor (at exit) destroys the arena
// when no block is left.
struct TK_HEAPALLOCATOR_STATE {
  CTKReportArena* hHeap = nullptr;
  std::atomic<LONG> nCount{0};
  BOOL bLowFragmentation = FALSE;  // kept for its record; nothing reads it
  BOOL bUseHeap = FALSE;
  ~TK_HEAPALLOCATOR_STATE() {
    if (hHeap && nCount.load() == 0) TKReportArenaDestroy(hHeap);
  }
};

template <class TState>
class CTKHeapAllocatorT {
 public:
  static TState& State() noexcept { return s_state; }

  static void* AllocObject(std::size_t bytes) {
    if (s_state.bUseHeap) {
      s_state.nCount.fetch_add(1);
      if (s_state.bUseHeap) {
        CreateHeap();
        return s_state.hHeap ? TKReportArenaAlloc(s_state.hHeap, bytes) : nullptr;
      }
      return ::operator new(bytes, std::nothrow);
    }
    s_state.nCount.fetch_add(1);
    return ::operator new(bytes, std::nothrow);
  }

  static void FreeObject(void* block) {
    if (!block) return;
    if (s_state.bUseHeap) {
      FreeFromHeap(block);
      return;
    }
    s_state.nCount.fetch_sub(1);
    ::operator delete(block);
  }

  static void FreeFromHeap(void* block) {
    LONG count = s_state.nCount.load();
    while (count > 0 && !s_state.nCount.compare_exchange_weak(count, count - 1)) {}
    if (!s_state.bUseHeap) {
      ::operator delete(block);
      return;
    }
    TKReportArenaFree(s_state.hHeap, block);
    if (s_state.nCount.load() == 0 && s_state.hHeap) {
      TKReportArenaDestroy(s_state.hHeap);
      s_state.hHeap = nullptr;
    }
  }

  static void CreateHeap() {
    if (s_state.hHeap) return;
    s_state.hHeap = TKReportArenaCreate();
    // The arena has no fragmentation modes to ask for; the request counts
    // as granted, as when the system lacks the call.
    s_state.bLowFragmentation = TRUE;
  }

  static LONG GetCount() noexcept { return s_state.nCount.load(); }
  static CTKReportArena* GetHeap() noexcept { return s_state.hHeap; }
  // To be called before the first allocation; nothing in the toolkit does.
  static void SetUseHeap(BOOL use) noexcept { s_state.bUseHeap = use; }

 private:
  static inline TState s_state;
};

struct CTKReportDataAllocatorData : TK_HEAPALLOCATOR_STATE {};
struct CTKReportRowAllocatorData : TK_HEAPALLOCATOR_STATE {};
struct CTKReportAllocatorDefaultData : TK_HEAPALLOCATOR_STATE {};

class CTKReportDataAllocator : public CTKHeapAllocatorT<CTKReportDataAllocatorData> {};
class CTKReportRowAllocator : public CTKHeapAllocatorT<CTKReportRowAllocatorData> {};
class CTKReportAllocatorDefault : public CTKHeapAllocatorT<CTKReportAllocatorDefaultData> {};

// A class whose objects take their memory from TAllocator.
template <class TBase, class TAllocator>
class CTKHeapObjectT : public TBase {
 public:
  using TBase::TBase;

  static void* operator new(std::size_t bytes) {
    void* block = TAllocator::AllocObject(bytes);
    if (!block) AfxThrowMemoryException();
    return block;
  }
  static void operator delete(void* block) noexcept { TAllocator::FreeObject(block); }
};

// ---- batches of row slots ----------------------------------------------------------------------

constexpr int kTKReportBatchSize = 1024;

struct TK_BATCH_HEADER;

// The state of one batched class. A batch is one block: a header and 1024
// slots. A slot holds a pointer back to its batch and a free-chain link,
// then the object (16 bytes in, so objects stay aligned).
struct TK_BATCHALLOC_STATE {
  BOOL bBatching = FALSE;
  std::atomic<LONG> nCount{0};
  BOOL bReleaseEmptyBatches = FALSE;
  BOOL bReleaseLastBatch = FALSE;
  TK_BATCH_HEADER* pFreeHead = nullptr;  // batches with at least one free slot
  TK_BATCH_HEADER* pFullHead = nullptr;  // batches without
  std::size_t nSlotSize = 0;             // fixed by the first batch
};

struct TK_BATCH_HEADER {
  int nUsed;
  void* pFirstFree;  // first free slot
  TK_BATCH_HEADER* pPrev;
  TK_BATCH_HEADER* pNext;
};

struct CTKReportRow_BatchData : TK_BATCHALLOC_STATE {};
struct CTKReportGroupRow_BatchData : TK_BATCHALLOC_STATE {};

// The static manager of one batch state; its slots' memory comes from
// TAllocator. Batch lists are used from the UI thread only.
template <class TAllocator, class TState>
class CTKBatchAllocManagerT {
 public:
  static TState& State() noexcept { return s_state; }

  static constexpr std::size_t kSlotHead = 16;

  // The object address of a free slot, or null when memory ran out or the
  // object is larger than the slots of this state.
  static void* AllocBatchObject(std::size_t bytes) {
    TState& s = s_state;
    (void)&s_finaliser;
    std::size_t slot = (bytes + kSlotHead + 15) & ~static_cast<std::size_t>(15);
    if (s.nSlotSize == 0) s.nSlotSize = slot;
    if (slot > s.nSlotSize) return nullptr;
    if (!s.pFreeHead) {
      void* block = TAllocator::AllocObject(sizeof(Batch) + s.nSlotSize * kTKReportBatchSize);
      if (!block) return nullptr;
      auto* batch = static_cast<TK_BATCH_HEADER*>(block);
      batch->nUsed = 0;
      batch->pPrev = batch->pNext = nullptr;
      batch->pFirstFree = nullptr;
      BYTE* slots = static_cast<BYTE*>(block) + sizeof(Batch);
      for (int i = kTKReportBatchSize - 1; i >= 0; --i) {
        void** p = reinterpret_cast<void**>(slots + s.nSlotSize * static_cast<std::size_t>(i));
        p[0] = batch;
        p[1] = batch->pFirstFree;
        batch->pFirstFree = p;
      }
      s.pFreeHead = batch;
    }
    TK_BATCH_HEADER* batch = s.pFreeHead;
    void** p = static_cast<void**>(batch->pFirstFree);
    batch->pFirstFree = p[1];
    ++batch->nUsed;
    s.nCount.fetch_add(1);
    if (!batch->pFirstFree) {
      Unlink(&s.pFreeHead, batch);
      PushFront(&s.pFullHead, batch);
    }
    return reinterpret_cast<BYTE*>(p) + kSlotHead;
  }

  static void FreeBatchObject(void* object) {
    if (!object) return;
    TState& s = s_state;
    void** p = reinterpret_cast<void**>(static_cast<BYTE*>(object) - kSlotHead);
    auto* batch = static_cast<TK_BATCH_HEADER*>(p[0]);
    BOOL wasFull = batch->pFirstFree == nullptr;
    p[1] = batch->pFirstFree;
    batch->pFirstFree = p;
    --batch->nUsed;
    s.nCount.fetch_sub(1);
    if (wasFull) {
      Unlink(&s.pFullHead, batch);
      PushFront(&s.pFreeHead, batch);
    }
    if (batch->nUsed == 0 && s.bReleaseEmptyBatches) {
      BOOL onlyBatch = s.pFreeHead == batch && !batch->pNext;
      if (onlyBatch && !s.bReleaseLastBatch) return;
      Unlink(&s.pFreeHead, batch);
      TAllocator::FreeObject(batch);
    }
  }

  // Releases every batch of the free list that has no used slot.
  static void FreeUnusedBatches() {
    TState& s = s_state;
    TK_BATCH_HEADER* batch = s.pFreeHead;
    while (batch) {
      TK_BATCH_HEADER* next = batch->pNext;
      if (batch->nUsed == 0) {
        Unlink(&s.pFreeHead, batch);
        TAllocator::FreeObject(batch);
      }
      batch = next;
    }
  }

  static int GetBatchCount() noexcept {
    int n = 0;
    for (TK_BATCH_HEADER* b = s_state.pFreeHead; b; b = b->pNext) ++n;
    for (TK_BATCH_HEADER* b = s_state.pFullHead; b; b = b->pNext) ++n;
    return n;
  }
  static LONG GetCount() noexcept { return s_state.nCount.load(); }

 private:
  // The header padded so that slots start 16-byte aligned.
  struct alignas(16) Batch {
    TK_BATCH_HEADER header;
  };

  static void Unlink(TK_BATCH_HEADER** head, TK_BATCH_HEADER* batch) {
    if (batch->pPrev) batch->pPrev->pNext = batch->pNext;
    else if (*head == batch) *head = batch->pNext;
    if (batch->pNext) batch->pNext->pPrev = batch->pPrev;
    batch->pPrev = batch->pNext = nullptr;
  }
  static void PushFront(TK_BATCH_HEADER** head, TK_BATCH_HEADER* batch) {
    batch->pPrev = nullptr;
    batch->pNext = *head;
    if (*head) (*head)->pPrev = batch;
    *head = batch;
  }

  // Runs at exit: releases the unused batches.
  struct Finaliser {
    ~Finaliser() { FreeUnusedBatches(); }
  };
  static inline TState s_state;
  static inline Finaliser s_finaliser;
};

// The class-level allocation of a batched class: from the batches when
// batching is on, else from TAllocator.
template <class TBase, class TState, class TAllocator>
class CTKBatchAllocObjT : public TBase {
 public:
  using TBase::TBase;
  using Manager = CTKBatchAllocManagerT<TAllocator, TState>;

  static void* operator new(std::size_t bytes) {
    void* block = Manager::State().bBatching ? Manager::AllocBatchObject(bytes) : TAllocator::AllocObject(bytes);
    if (!block) AfxThrowMemoryException();
    return block;
  }
  static void operator delete(void* block) noexcept {
    if (Manager::State().bBatching) Manager::FreeBatchObject(block);
    else TAllocator::FreeObject(block);
  }
};
