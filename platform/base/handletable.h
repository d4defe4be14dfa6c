// Generation-tagged handles for objects a handle stands for. A handle is a
// slot index, the slot's generation and the table's tag: removing an object
// bumps its slot's generation, so the handle of a deleted object never finds
// a later one, whatever address the allocator gives the later object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace pv::detail {

// Handle values: bits 0-23 the slot index (slot 0 is never used, so no
// handle is null or a small integer), bits 24-55 the generation, bits 56-62
// the table's tag (so a handle of one table is refused by another). Values
// stay positive as LONG_PTR.
constexpr unsigned kHandleIndexBits = 24;
constexpr unsigned kHandleGenBits = 32;
constexpr uintptr_t kHandleIndexMask = (uintptr_t{1} << kHandleIndexBits) - 1;
constexpr uint64_t kHandleGenMax = (uint64_t{1} << kHandleGenBits) - 1;
constexpr unsigned kHandleTagShift = kHandleIndexBits + kHandleGenBits;

// The tags of the tables; each kind of handle has its own.
enum class HandleTag : uint8_t {
  Gdi = 1,
  ImageList = 2,
  Kernel = 3,
  DeferWindowPos = 4,
  Drop = 5,
  GdiPlus = 6,
  FindFile = 7,
  Module = 8
};

// Freed slots wait in a queue and are reused oldest first once more than
// this many are free, so a stale handle stays stale for long even before
// its generation is compared.
constexpr size_t kHandleReuseSlack = 64;

// Not thread-safe: the owner guards the table with its own lock.
template <class T>
class HandleTable {
 public:
  explicit HandleTable(HandleTag tag) : tag_(static_cast<uintptr_t>(tag) << kHandleTagShift) {
    slots_.emplace_back();  // slot 0: never handed out
  }

  // The new handle of `object`; 0 when every slot is taken.
  uintptr_t Add(T* object) {
    size_t index;
    if (reuseLast_ && !free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else if (free_.size() > kHandleReuseSlack || (slots_.size() > kHandleIndexMask && !free_.empty())) {
      index = free_.front();
      free_.pop_front();
    } else {
      if (slots_.size() > kHandleIndexMask) return 0;
      index = slots_.size();
      slots_.emplace_back();
    }
    Slot& s = slots_[index];
    s.object = object;
    ++live_;
    return tag_ | (static_cast<uintptr_t>(s.gen) << kHandleIndexBits) | index;
  }

  // The live object of a handle, null for a stale, foreign or made-up one.
  T* Find(uintptr_t handle) const {
    size_t index = handle & kHandleIndexMask;
    if (index >= slots_.size()) return nullptr;
    const Slot& s = slots_[index];
    if (!s.object || handle != (tag_ | (static_cast<uintptr_t>(s.gen) << kHandleIndexBits) | index)) return nullptr;
    return s.object;
  }

  // Forgets a live handle; false (and nothing changed) for any other value.
  bool Remove(uintptr_t handle) {
    if (!Find(handle)) return false;
    size_t index = handle & kHandleIndexMask;
    Slot& s = slots_[index];
    s.object = nullptr;
    --live_;
    // A slot whose generations are used up is retired, never reused: its
    // last handle must stay stale.
    if (s.gen < kHandleGenMax) {
      ++s.gen;
      free_.push_back(index);
    }
    return true;
  }

  // Every live object, in slot order.
  template <class F>
  void ForEach(F&& f) const {
    for (const Slot& s : slots_)
      if (s.object) f(s.object);
  }

  size_t Live() const { return live_; }

  // Tests: reuse the slot freed last at once, and set the generation the
  // freed slots give next, so that a test reaches a reused slot and the last
  // generation without guessing.
  void SetReuseLastFreedForTesting(bool on) { reuseLast_ = on; }
  void SetNextGenerationForTesting(uint64_t gen) {
    for (size_t index : free_) slots_[index].gen = gen;
  }

 private:
  struct Slot {
    T* object = nullptr;
    uint64_t gen = 1;
  };
  uintptr_t tag_;
  std::vector<Slot> slots_;
  std::deque<size_t> free_;
  bool reuseLast_ = false;
  size_t live_ = 0;
};

}  // namespace pv::detail
