#include "platform/base/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/base/lasterror.h"

namespace {

struct Block {
  void* data = nullptr;
  SIZE_T size = 0;
  UINT flags = 0;
  UINT locks = 0;
  bool movable = false;
};

// Movable handles are tokens of their own (the address of the Block).
struct Registry {
  std::mutex mutex;
  std::unordered_map<void*, Block*> byHandle;
  std::unordered_map<void*, Block*> byData;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // lives until exit, usable from any destructor
  return *registry;
}

void* Handle(Block* b) { return b->movable ? static_cast<void*>(b) : b->data; }

Block* Find(Registry& r, HGLOBAL mem) {
  auto it = r.byHandle.find(mem);
  return it == r.byHandle.end() ? nullptr : it->second;
}

// malloc(0) may give NULL; a block always has an address.
void* AllocBytes(SIZE_T bytes, bool zero) {
  void* p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  return p;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  void* data = AllocBytes(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block* b = new Block{data, bytes, flags, 0, (flags & GMEM_MOVEABLE) != 0};
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.byHandle[Handle(b)] = b;
  r.byData[data] = b;
  return Handle(b);
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (flags & GMEM_MODIFY) return mem;  // attributes only: nothing to change here
  // A fixed block moves only when asked to; a locked movable one never
  // moves under its users.
  bool mayMove = b->movable ? b->locks == 0 : (flags & GMEM_MOVEABLE) != 0;
  if (!mayMove && bytes > b->size) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* data = b->data;
  if (mayMove && bytes != b->size) {
    void* fresh = std::realloc(b->data, bytes ? bytes : 1);
    if (!fresh) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    data = fresh;
  }
  if ((flags & GMEM_ZEROINIT) && bytes > b->size) std::memset(static_cast<char*>(data) + b->size, 0, bytes - b->size);
  if (data != b->data) {
    if (!b->movable) r.byHandle.erase(b->data);
    r.byData.erase(b->data);
    b->data = data;
    r.byData[data] = b;
    if (!b->movable) r.byHandle[data] = b;
  }
  b->size = bytes;
  return Handle(b);
}

LPVOID GlobalLock(HGLOBAL mem) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (b->movable && b->locks < GMEM_LOCKCOUNT) ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (b->locks > 0) --b->locks;
  SetLastError(NO_ERROR);
  return b->locks > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL mem) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return b->size;
}

UINT GlobalFlags(HGLOBAL mem) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  return b ? b->locks : GMEM_INVALID_HANDLE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  if (!mem) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  Block* b = Find(r, mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  r.byHandle.erase(mem);
  r.byData.erase(b->data);
  std::free(b->data);
  delete b;
  return nullptr;
}

HGLOBAL GlobalHandle(LPCVOID address) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byData.find(const_cast<void*>(address));
  if (it == r.byData.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return Handle(it->second);
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) { return GlobalAlloc(flags, bytes); }
HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags) { return GlobalReAlloc(mem, bytes, flags); }
LPVOID LocalLock(HLOCAL mem) { return GlobalLock(mem); }
BOOL LocalUnlock(HLOCAL mem) { return GlobalUnlock(mem); }
SIZE_T LocalSize(HLOCAL mem) { return GlobalSize(mem); }
HLOCAL LocalFree(HLOCAL mem) { return GlobalFree(mem); }
HLOCAL LocalHandle(LPCVOID address) { return GlobalHandle(address); }
