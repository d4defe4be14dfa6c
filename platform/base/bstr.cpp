#include "platform/base/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The prefix is kept 8 bytes wide so the characters are well aligned; the
// byte length occupies the last 4 bytes, right before the characters.
constexpr size_t kPrefix = 8;

// Freed blocks are kept per thread by size class, as Windows' automation
// library keeps them, so a walk that frees one text and allocates the next
// re-uses the block instead of going to the heap. Blocks of a class are
// allocated at the class's full size, so any length of the class fits.
// Sanitizer builds hand every block straight to the heap, so that a use
// after free or an overrun is still caught.
#if PV_BSTR_CACHE
constexpr size_t kGrain = 16;
constexpr size_t kClasses = 16;        // blocks of up to 256 bytes (124 units)
constexpr size_t kBlocksPerClass = 8;  // the most a class keeps

struct BlockCache {
  void* blocks[kClasses][kBlocksPerClass];
  unsigned char count[kClasses];
  bool drainerMade;
  bool closed;  // the thread is ending: nothing more is kept
};
// Plain data, so it needs no guard and outlives every destructor of the thread.
thread_local BlockCache t_cache;

// Gives the kept blocks back when the thread ends.
struct Drainer {
  ~Drainer() {
    for (size_t c = 0; c < kClasses; ++c)
      while (t_cache.count[c]) std::free(t_cache.blocks[c][--t_cache.count[c]]);
    t_cache.closed = true;
  }
};

// The class of a block of `bytes`, or kClasses when it is too large to keep.
inline size_t ClassOf(size_t bytes) { return bytes <= kClasses * kGrain ? (bytes - 1) / kGrain : kClasses; }

char* NewBlock(size_t bytes) {
  size_t c = ClassOf(bytes);
  if (c == kClasses) return static_cast<char*>(std::malloc(bytes));
  if (t_cache.count[c]) return static_cast<char*>(t_cache.blocks[c][--t_cache.count[c]]);
  return static_cast<char*>(std::malloc((c + 1) * kGrain));
}

void FreeBlock(char* block, size_t bytes) {
  size_t c = ClassOf(bytes);
  if (c == kClasses || t_cache.count[c] == kBlocksPerClass || t_cache.closed) return std::free(block);
  if (!t_cache.drainerMade) {
    t_cache.drainerMade = true;
    static thread_local Drainer drainer;
    (void)drainer;
  }
  t_cache.blocks[c][t_cache.count[c]++] = block;
}
#else
char* NewBlock(size_t bytes) { return static_cast<char*>(std::malloc(bytes)); }
void FreeBlock(char* block, size_t) { std::free(block); }
#endif

// The size of the block of a string of `byteLength` bytes.
inline size_t BlockBytes(size_t byteLength) { return kPrefix + byteLength + 2; }

BSTR AllocBytes(const void* data, size_t byteLength) {
  if (byteLength > std::numeric_limits<std::uint32_t>::max() - 16) return nullptr;
  char* block = NewBlock(BlockBytes(byteLength));
  if (!block) return nullptr;
  std::uint32_t len = static_cast<std::uint32_t>(byteLength);
  std::memset(block, 0, kPrefix);
  std::memcpy(block + kPrefix - 4, &len, 4);
  if (data) std::memcpy(block + kPrefix, data, byteLength);
  else std::memset(block + kPrefix, 0, byteLength);
  block[kPrefix + byteLength] = 0;
  block[kPrefix + byteLength + 1] = 0;
  return reinterpret_cast<BSTR>(block + kPrefix);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return AllocBytes(text, pv::Utf16Length(text) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  return AllocBytes(text, static_cast<size_t>(length) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT byteLength) { return AllocBytes(bytes, byteLength); }

void SysFreeString(BSTR bstr) {
  if (bstr) FreeBlock(reinterpret_cast<char*>(bstr) - kPrefix, BlockBytes(SysStringByteLen(bstr)));
}

INT SysReAllocString(BSTR* bstr, const OLECHAR* text) {
  if (!bstr) return FALSE;
  // The new text may live inside the old string: copy before freeing.
  BSTR fresh = SysAllocString(text);
  if (text && !fresh) return FALSE;
  SysFreeString(*bstr);
  *bstr = fresh;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length) {
  if (!bstr) return FALSE;
  BSTR fresh = SysAllocStringLen(text, length);
  if (!fresh) return FALSE;
  SysFreeString(*bstr);
  *bstr = fresh;
  return TRUE;
}
