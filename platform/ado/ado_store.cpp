#include "platform/ado/ado_store.h"

#include <algorithm>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace pv::ado {

namespace {

constexpr size_t kMaxSpare = kSpareStoreBytes / kStoreBlockBytes;

// Trivially destructible, so it can still be asked after the thread's
// destructors ran (a result freed by a static's destructor): `closed` then
// sends every block straight back to the heap.
struct SpareBlocks {
  void* blocks[kMaxSpare];
  size_t count;
  bool closed;
};
thread_local SpareBlocks t_spare;

// Gives the kept blocks back when the thread ends.
struct Drainer {
  ~Drainer() {
    while (t_spare.count) {
      void* block = t_spare.blocks[--t_spare.count];
      ASAN_UNPOISON_MEMORY_REGION(block, kStoreBlockBytes);
      ::operator delete(block);
    }
    t_spare.closed = true;
  }
};

}  // namespace

void* TakeStoreBlock() {
  if (t_spare.count) {
    void* block = t_spare.blocks[--t_spare.count];
    ASAN_UNPOISON_MEMORY_REGION(block, kStoreBlockBytes);
    return block;
  }
  return ::operator new(kStoreBlockBytes);
}

void GiveStoreBlock(void* block) noexcept {
  if (t_spare.closed || t_spare.count == kMaxSpare) {
    ::operator delete(block);
    return;
  }
  static thread_local Drainer drainer;
  (void)drainer;
  ASAN_POISON_MEMORY_REGION(block, kStoreBlockBytes);
  t_spare.blocks[t_spare.count++] = block;
}

size_t SpareStoreBytes() noexcept { return t_spare.count * kStoreBlockBytes; }

// ---- TextArena ------------------------------------------------------------------------------
void TextArena::Free(const Chunk& c) noexcept {
  if (c.capacity == kChunk) GiveStoreBlock(c.units);
  else ::operator delete(c.units);
}

void TextArena::Release() noexcept {
  for (const Chunk& c : chunks_) Free(c);
  chunks_.clear();
  used_ = 0;
  next_ = kFirstChunk;
}

uint64_t TextArena::Append(const void* p, size_t units) {
  if (!p || units == 0) return 0;
  if (chunks_.empty() || chunks_.back().capacity - used_ < units) {
    size_t capacity = next_;
    while (capacity < units && capacity < kChunk) capacity *= 2;
    if (capacity < units) capacity = units;  // longer than a store block: a chunk of its own
    else next_ = std::min(capacity * 2, kChunk);
    if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.size() * 2 + 4);
    void* memory = capacity == kChunk ? TakeStoreBlock() : ::operator new(capacity * sizeof(char16_t));
    chunks_.push_back(Chunk{static_cast<char16_t*>(memory), capacity});
    used_ = 0;
  }
  uint64_t at = (static_cast<uint64_t>(chunks_.size() - 1) << 32) | used_;
  std::memcpy(chunks_.back().units + used_, p, units * sizeof(char16_t));
  used_ += units;
  return at;
}

void TextArena::clear() noexcept {
  used_ = 0;
  if (chunks_.empty()) return;
  // Keep the last chunk unless it holds one long value.
  Chunk keep = chunks_.back();
  if (keep.capacity > kChunk) {
    Release();
    return;
  }
  chunks_.pop_back();
  for (const Chunk& c : chunks_) Free(c);
  chunks_.assign(1, keep);
}

}  // namespace pv::ado
