// The memory of the rows a result holds: values in arrays of fixed blocks
// and text in an arena, both made of store blocks of one size. A freed store
// block is kept by its thread for the next result, up to kSpareStoreBytes,
// so a form that opens and closes recordsets does not take fresh pages from
// the system each time, while a program that once read one huge result
// keeps no more than that. Sanitizer builds keep them too, poisoned while
// they wait, so a block read after its result is gone is still reported
// and the tests run the re-use path itself.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace pv::ado {

constexpr size_t kStoreBlockBytes = 64 * 1024;
// What a thread keeps of freed store blocks at most (docs/database.md
// gives the figures behind it).
constexpr size_t kSpareStoreBytes = 16 * 1024 * 1024;

// A store block of kStoreBlockBytes: a spare one of this thread, or a new
// one (std::bad_alloc when there is no memory).
void* TakeStoreBlock();
// Keeps `block` for this thread's next result, or frees it when the thread
// keeps kSpareStoreBytes already.
void GiveStoreBlock(void* block) noexcept;
// The bytes of spare store blocks the calling thread keeps now.
size_t SpareStoreBytes() noexcept;

// An array of trivially copyable values in store blocks: growing never
// copies what is held in whole blocks, an index is a shift and a mask, and
// clear() keeps the blocks (a forward walk reuses them row after row). The
// first block starts small and doubles up to a whole block, so a result of
// a few rows takes a few hundred bytes, not a block.
template <class T>
class StoreArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
  static_assert(std::has_single_bit(sizeof(T)) && sizeof(T) <= 64);

 public:
  StoreArray() = default;
  StoreArray(StoreArray&& o) noexcept { swap(o); }
  StoreArray& operator=(StoreArray&& o) noexcept {
    if (this != &o) {
      Release();
      swap(o);
    }
    return *this;
  }
  StoreArray(const StoreArray&) = delete;
  StoreArray& operator=(const StoreArray&) = delete;
  ~StoreArray() { Release(); }

  T& operator[](size_t i) { return blocks_[i >> kShift][i & kMask]; }
  const T& operator[](size_t i) const { return blocks_[i >> kShift][i & kMask]; }
  size_t size() const { return size_; }
  void push_back(const T& v) {
    if (size_ == capacity_) Grow();
    (*this)[size_] = v;
    ++size_;
  }
  void resize(size_t n, const T& fill = T{}) {
    while (capacity_ < n) Grow();
    for (size_t i = size_; i < n; ++i) (*this)[i] = fill;
    size_ = n;
  }
  void clear() { size_ = 0; }
  void swap(StoreArray& o) noexcept {
    blocks_.swap(o.blocks_);
    std::swap(size_, o.size_);
    std::swap(capacity_, o.capacity_);
  }

 private:
  static constexpr size_t kBlock = kStoreBlockBytes / sizeof(T);
  static constexpr size_t kShift = std::countr_zero(kBlock);
  static constexpr size_t kMask = kBlock - 1;
  static constexpr size_t kFirst = 1024 / sizeof(T);

  void Grow() {
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.size() * 2 + 4);
    if (blocks_.empty()) {
      blocks_.push_back(static_cast<T*>(::operator new(kFirst * sizeof(T))));
      capacity_ = kFirst;
      return;
    }
    if (capacity_ < kBlock) {  // the first block, not whole yet: double it
      const size_t grown = capacity_ * 2;
      T* p = static_cast<T*>(grown == kBlock ? TakeStoreBlock() : ::operator new(grown * sizeof(T)));
      std::memcpy(static_cast<void*>(p), blocks_[0], size_ * sizeof(T));
      ::operator delete(blocks_[0]);
      blocks_[0] = p;
      capacity_ = grown;
      return;
    }
    blocks_.push_back(static_cast<T*>(TakeStoreBlock()));
    capacity_ += kBlock;
  }
  void Release() noexcept {
    for (T* block : blocks_) {
      if (capacity_ < kBlock) ::operator delete(block);
      else GiveStoreBlock(block);
    }
    blocks_.clear();
    size_ = capacity_ = 0;
  }

  std::vector<T*> blocks_;
  size_t size_ = 0;
  size_t capacity_ = 0;  // values the blocks hold
};

// The text of a result's values in chunks. A value never spans two chunks,
// so growing copies nothing. The first chunks are small and double up to a
// store block; a value longer than a store block gets a chunk of its own.
// clear() keeps one chunk for the next row of a forward walk.
class TextArena {
 public:
  TextArena() = default;
  TextArena(TextArena&& o) noexcept { swap(o); }
  TextArena& operator=(TextArena&& o) noexcept {
    if (this != &o) {
      Release();
      swap(o);
    }
    return *this;
  }
  TextArena(const TextArena&) = delete;
  TextArena& operator=(const TextArena&) = delete;
  ~TextArena() { Release(); }

  // Copies `units` UTF-16 units from `p` (any alignment); the result locates them.
  uint64_t Append(const void* p, size_t units);
  std::u16string_view View(uint64_t at, size_t units) const {
    if (units == 0) return {};
    return std::u16string_view(chunks_[at >> 32].units + (at & 0xFFFFFFFFu), units);
  }
  void clear() noexcept;
  void swap(TextArena& o) noexcept {
    chunks_.swap(o.chunks_);
    std::swap(used_, o.used_);
    std::swap(next_, o.next_);
  }

 private:
  static constexpr size_t kChunk = kStoreBlockBytes / sizeof(char16_t);  // units of a store block
  static constexpr size_t kFirstChunk = 512;
  struct Chunk {
    char16_t* units = nullptr;
    size_t capacity = 0;  // kChunk: a store block; otherwise its own allocation
  };
  static void Free(const Chunk& c) noexcept;
  void Release() noexcept;

  std::vector<Chunk> chunks_;
  size_t used_ = 0;            // units used in the last chunk
  size_t next_ = kFirstChunk;  // units of the next chunk
};

}  // namespace pv::ado
