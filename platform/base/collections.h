// Collections: CArray, CList, CMap, their typed-pointer wrappers and the
// fixed-type arrays, lists and maps.
//
// CArray keeps its elements contiguous. Its capacity grows by at least the
// grow-by step and at least by half, so appending is amortised constant time
// whatever step a caller sets. CList and CMap take their nodes from blocks
// (a free list inside each container). CMap is a chained hash table whose
// table doubles when it holds more keys than buckets; it never shrinks, so
// removing keys while iterating keeps positions valid (see GetNextAssoc).
//
// Out-of-range indexes and positions raise CInvalidArgException; failed
// allocations raise CMemoryException.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/base/cstring.h"
#include "platform/base/object.h"

class CArchive;

// Iteration position before the first element (callers only compare
// positions with NULL).
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(static_cast<INT_PTR>(-1)))

namespace pv::detail {
// Archive access for the templates below (defined with CArchive).
bool ArchiveIsStoring(CArchive& ar);
void ArchiveWriteCount(CArchive& ar, DWORD_PTR count);
DWORD_PTR ArchiveReadCount(CArchive& ar);
void ArchiveWrite(CArchive& ar, const void* data, size_t size);
void ArchiveReadExact(CArchive& ar, void* data, size_t size);  // endOfFile when short
[[noreturn]] void ThrowInvalidArg();
[[noreturn]] void ThrowMemory();
[[noreturn]] void ThrowNotSupported();

// Elements read per step when loading, so that a lying count runs into the
// end of the data before it can make us allocate much.
template <class T>
constexpr INT_PTR LoadChunk() {
  return sizeof(T) >= 65536 ? 1 : static_cast<INT_PTR>(65536 / sizeof(T));
}

// Node storage for lists and maps: blocks of nodes with a free list.
template <class Node>
class NodePool {
 public:
  explicit NodePool(INT_PTR blockSize) : blockSize_(blockSize > 0 ? blockSize : 10) {}
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;
  ~NodePool() { FreeBlocks(); }

  // Raw storage for one node; the caller constructs it.
  void* Allocate() {
    if (!free_) Grow();
    FreeSlot* slot = free_;
    free_ = slot->next;
    return slot;
  }
  // Storage of a node the caller has destroyed.
  void Release(void* p) noexcept {
    FreeSlot* slot = static_cast<FreeSlot*>(p);
    slot->next = free_;
    free_ = slot;
  }
  // Drops every block (all nodes must have been destroyed).
  void FreeBlocks() noexcept {
    while (blocks_) {
      Block* next = blocks_->next;
      ::operator delete(blocks_, std::align_val_t(alignof(Block)));
      blocks_ = next;
    }
    free_ = nullptr;
    capacity_ = 0;
  }

 private:
  union FreeSlot {
    FreeSlot* next;
    alignas(Node) unsigned char storage[sizeof(Node)];
  };
  struct alignas(FreeSlot) Block {
    Block* next;
  };

  void Grow() {
    // Blocks double up to 64K nodes so big containers make few allocations.
    INT_PTR count = blockSize_;
    if (capacity_ > count) count = capacity_ < 65536 ? capacity_ : 65536;
    size_t bytes = sizeof(Block) + static_cast<size_t>(count) * sizeof(FreeSlot);
    void* raw;
    try {
      raw = ::operator new(bytes, std::align_val_t(alignof(Block)));
    } catch (const std::bad_alloc&) {
      ThrowMemory();
    }
    Block* block = static_cast<Block*>(raw);
    block->next = blocks_;
    blocks_ = block;
    FreeSlot* slots = reinterpret_cast<FreeSlot*>(block + 1);
    for (INT_PTR i = count - 1; i >= 0; --i) {
      slots[i].next = free_;
      free_ = &slots[i];
    }
    capacity_ += count;
  }

  INT_PTR blockSize_;
  INT_PTR capacity_ = 0;
  Block* blocks_ = nullptr;
  FreeSlot* free_ = nullptr;
};

inline UINT MixHash(UINT64 value) noexcept { return static_cast<UINT>(value ^ (value >> 32)); }
}  // namespace pv::detail

// ---- element helpers (overloadable per type) -------------------------------------------
template <class TYPE, class ARG_TYPE = const TYPE&>
BOOL CompareElements(const TYPE* element1, const ARG_TYPE* element2) {
  return *element1 == *element2;
}
// A null string pointer compares as the empty string.
inline BOOL CompareElements(const CString* element1, const LPCWSTR* element2) {
  return *element2 ? element1->Compare(*element2) == 0 : element1->IsEmpty();
}

// Stores/loads elements: raw bytes for plain data; CString and CObject*
// have their own stored forms (defined with CArchive).
template <class TYPE>
void SerializeElements(CArchive& ar, TYPE* elements, INT_PTR count) {
  if constexpr (std::is_trivially_copyable_v<TYPE>) {
    size_t bytes = static_cast<size_t>(count) * sizeof(TYPE);
    if (pv::detail::ArchiveIsStoring(ar)) pv::detail::ArchiveWrite(ar, elements, bytes);
    else pv::detail::ArchiveReadExact(ar, elements, bytes);
  } else {
    pv::detail::ThrowNotSupported();
  }
}
template <>
void SerializeElements<CString>(CArchive& ar, CString* elements, INT_PTR count);
template <>
void SerializeElements<CObject*>(CArchive& ar, CObject** elements, INT_PTR count);

// Hash values for map keys: integers, enums and pointers by value; strings
// by their characters.
template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
  if constexpr (std::is_pointer_v<ARG_KEY>) return pv::detail::MixHash(reinterpret_cast<UINT_PTR>(key));
  else return pv::detail::MixHash(static_cast<UINT64>(key));
}
inline UINT HashKey(LPCWSTR key) {
  UINT hash = 2166136261u;
  if (key)
    for (; *key; ++key) hash = (hash ^ static_cast<UINT>(*key)) * 16777619u;
  return hash;
}
inline UINT HashKey(LPCSTR key) {
  UINT hash = 2166136261u;
  if (key)
    for (; *key; ++key) hash = (hash ^ static_cast<unsigned char>(*key)) * 16777619u;
  return hash;
}
inline UINT HashKey(const CString& key) {
  UINT hash = 2166136261u;
  for (char16_t ch : key.View()) hash = (hash ^ static_cast<UINT>(ch)) * 16777619u;
  return hash;
}

// ---- CArray ---------------------------------------------------------------------------------
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() noexcept = default;
  ~CArray() override { Free(); }

  INT_PTR GetSize() const noexcept { return m_nSize; }
  INT_PTR GetCount() const noexcept { return m_nSize; }
  BOOL IsEmpty() const noexcept { return m_nSize == 0; }
  INT_PTR GetUpperBound() const noexcept { return m_nSize - 1; }

  // New elements are zero-filled, then default-constructed. A size of 0
  // frees the storage. growBy -1 keeps the current step; 0 picks one.
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1);
  void FreeExtra();
  void RemoveAll() { SetSize(0, -1); }

  const TYPE& GetAt(INT_PTR index) const {
    Check(index);
    return m_pData[index];
  }
  TYPE& GetAt(INT_PTR index) {
    Check(index);
    return m_pData[index];
  }
  void SetAt(INT_PTR index, ARG_TYPE newElement) {
    Check(index);
    m_pData[index] = newElement;
  }
  const TYPE& ElementAt(INT_PTR index) const {
    Check(index);
    return m_pData[index];
  }
  TYPE& ElementAt(INT_PTR index) {
    Check(index);
    return m_pData[index];
  }
  const TYPE& operator[](INT_PTR index) const {
    Check(index);
    return m_pData[index];
  }
  TYPE& operator[](INT_PTR index) {
    Check(index);
    return m_pData[index];
  }
  const TYPE* GetData() const noexcept { return m_pData; }
  TYPE* GetData() noexcept { return m_pData; }

  void SetAtGrow(INT_PTR index, ARG_TYPE newElement);
  INT_PTR Add(ARG_TYPE newElement) {
    if (m_nSize < m_nMaxSize) {
      ::new (static_cast<void*>(m_pData + m_nSize)) TYPE(newElement);
      return m_nSize++;
    }
    return AddGrow(newElement);
  }
  INT_PTR Append(const CArray& src);
  void Copy(const CArray& src);

  void InsertAt(INT_PTR index, ARG_TYPE newElement, INT_PTR count = 1);
  void InsertAt(INT_PTR startIndex, CArray* newArray);
  void RemoveAt(INT_PTR index, INT_PTR count = 1);

  void Serialize(CArchive& ar) override;

 protected:
  void Check(INT_PTR index) const {
    if (index < 0 || index >= m_nSize) pv::detail::ThrowInvalidArg();
  }
  INT_PTR AddGrow(ARG_TYPE newElement);
  void Reserve(INT_PTR newMax);
  void Free() noexcept;
  static void ConstructRange(TYPE* p, INT_PTR n);
  static void DestroyRange(TYPE* p, INT_PTR n) noexcept {
    if constexpr (!std::is_trivially_destructible_v<TYPE>)
      for (INT_PTR i = 0; i < n; ++i) p[i].~TYPE();
  }

  TYPE* m_pData = nullptr;
  INT_PTR m_nSize = 0;
  INT_PTR m_nMaxSize = 0;
  INT_PTR m_nGrowBy = 0;
};

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::ConstructRange(TYPE* p, INT_PTR n) {
  std::memset(static_cast<void*>(p), 0, static_cast<size_t>(n) * sizeof(TYPE));
  if constexpr (!std::is_trivially_default_constructible_v<TYPE>)
    for (INT_PTR i = 0; i < n; ++i) ::new (static_cast<void*>(p + i)) TYPE();
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Free() noexcept {
  DestroyRange(m_pData, m_nSize);
  if (m_pData) ::operator delete(m_pData, std::align_val_t(alignof(TYPE)));
  m_pData = nullptr;
  m_nSize = m_nMaxSize = 0;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Reserve(INT_PTR newMax) {
  if (newMax <= m_nMaxSize) return;
  if (static_cast<size_t>(newMax) > static_cast<size_t>(PTRDIFF_MAX) / sizeof(TYPE)) pv::detail::ThrowMemory();
  TYPE* fresh;
  try {
    fresh =
        static_cast<TYPE*>(::operator new(static_cast<size_t>(newMax) * sizeof(TYPE), std::align_val_t(alignof(TYPE))));
  } catch (const std::bad_alloc&) {
    pv::detail::ThrowMemory();
  }
  if constexpr (std::is_trivially_copyable_v<TYPE>) {
    if (m_nSize) std::memcpy(static_cast<void*>(fresh), m_pData, static_cast<size_t>(m_nSize) * sizeof(TYPE));
  } else {
    for (INT_PTR i = 0; i < m_nSize; ++i) {
      ::new (static_cast<void*>(fresh + i)) TYPE(std::move(m_pData[i]));
      m_pData[i].~TYPE();
    }
  }
  if (m_pData) ::operator delete(m_pData, std::align_val_t(alignof(TYPE)));
  m_pData = fresh;
  m_nMaxSize = newMax;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(INT_PTR newSize, INT_PTR growBy) {
  if (newSize < 0) pv::detail::ThrowInvalidArg();
  if (growBy >= 0) m_nGrowBy = growBy;
  if (newSize == 0) {
    Free();
    return;
  }
  if (newSize > m_nMaxSize) {
    INT_PTR step = m_nGrowBy;
    if (step == 0) step = m_nSize / 8 < 4 ? 4 : m_nSize / 8;
    if (step < m_nMaxSize / 2) step = m_nMaxSize / 2;
    INT_PTR newMax = m_nMaxSize + step;
    Reserve(newMax < newSize ? newSize : newMax);
  }
  if (newSize > m_nSize) ConstructRange(m_pData + m_nSize, newSize - m_nSize);
  else DestroyRange(m_pData + newSize, m_nSize - newSize);
  m_nSize = newSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::FreeExtra() {
  if (m_nSize == m_nMaxSize) return;
  if (m_nSize == 0) {
    Free();
    return;
  }
  TYPE* old = m_pData;
  INT_PTR size = m_nSize;
  m_pData = nullptr;
  m_nMaxSize = 0;
  m_nSize = 0;
  try {
    Reserve(size);
  } catch (...) {
    m_pData = old;
    m_nSize = m_nMaxSize = size;
    throw;
  }
  // Move the elements across (Reserve saw an empty array).
  if constexpr (std::is_trivially_copyable_v<TYPE>) {
    std::memcpy(static_cast<void*>(m_pData), old, static_cast<size_t>(size) * sizeof(TYPE));
  } else {
    for (INT_PTR i = 0; i < size; ++i) {
      ::new (static_cast<void*>(m_pData + i)) TYPE(std::move(old[i]));
      old[i].~TYPE();
    }
  }
  ::operator delete(old, std::align_val_t(alignof(TYPE)));
  m_nSize = size;
}

template <class TYPE, class ARG_TYPE>
INT_PTR CArray<TYPE, ARG_TYPE>::AddGrow(ARG_TYPE newElement) {
  // newElement may live in this array: copy it before the storage moves.
  TYPE copy(newElement);
  INT_PTR index = m_nSize;
  SetSize(index + 1, -1);
  m_pData[index] = std::move(copy);
  return index;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(INT_PTR index, ARG_TYPE newElement) {
  if (index < 0) pv::detail::ThrowInvalidArg();
  if (index >= m_nSize) {
    TYPE copy(newElement);
    SetSize(index + 1, -1);
    m_pData[index] = std::move(copy);
  } else {
    m_pData[index] = newElement;
  }
}

template <class TYPE, class ARG_TYPE>
INT_PTR CArray<TYPE, ARG_TYPE>::Append(const CArray& src) {
  if (this == &src) pv::detail::ThrowInvalidArg();
  INT_PTR oldSize = m_nSize;
  SetSize(m_nSize + src.m_nSize, -1);
  for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[oldSize + i] = src.m_pData[i];
  return oldSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src) {
  if (this == &src) return;
  SetSize(src.m_nSize, -1);
  for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[i] = src.m_pData[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR index, ARG_TYPE newElement, INT_PTR count) {
  if (index < 0 || count < 0) pv::detail::ThrowInvalidArg();
  if (count == 0) return;
  TYPE copy(newElement);
  INT_PTR oldSize = m_nSize;
  if (index >= oldSize) {
    // Past the end: the array grows to hold the new elements there.
    SetSize(index + count, -1);
  } else {
    SetSize(oldSize + count, -1);
    std::move_backward(m_pData + index, m_pData + oldSize, m_pData + oldSize + count);
  }
  for (INT_PTR i = 0; i < count; ++i) m_pData[index + i] = copy;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(INT_PTR startIndex, CArray* newArray) {
  if (!newArray || startIndex < 0 || newArray == this) pv::detail::ThrowInvalidArg();
  INT_PTR count = newArray->GetSize();
  if (count == 0) return;
  InsertAt(startIndex, newArray->GetAt(0), count);
  for (INT_PTR i = 1; i < count; ++i) m_pData[startIndex + i] = newArray->m_pData[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::RemoveAt(INT_PTR index, INT_PTR count) {
  if (index < 0 || count < 0 || index + count > m_nSize) pv::detail::ThrowInvalidArg();
  if (count == 0) return;
  std::move(m_pData + index + count, m_pData + m_nSize, m_pData + index);
  DestroyRange(m_pData + m_nSize - count, count);
  m_nSize -= count;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (pv::detail::ArchiveIsStoring(ar)) {
    pv::detail::ArchiveWriteCount(ar, static_cast<DWORD_PTR>(m_nSize));
    SerializeElements<TYPE>(ar, m_pData, m_nSize);
    return;
  }
  DWORD_PTR count = pv::detail::ArchiveReadCount(ar);
  RemoveAll();
  // Grow step by step: each step's elements must be in the data.
  const INT_PTR chunk = pv::detail::LoadChunk<TYPE>();
  DWORD_PTR done = 0;
  while (done < count) {
    INT_PTR step = count - done < static_cast<DWORD_PTR>(chunk) ? static_cast<INT_PTR>(count - done) : chunk;
    SetSize(static_cast<INT_PTR>(done) + step, -1);
    SerializeElements<TYPE>(ar, m_pData + done, step);
    done += static_cast<DWORD_PTR>(step);
  }
}

// ---- CList ----------------------------------------------------------------------------------
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
 protected:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };

 public:
  explicit CList(INT_PTR blockSize = 10) : m_pool(blockSize) {}
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const noexcept { return m_nCount; }
  INT_PTR GetSize() const noexcept { return m_nCount; }
  BOOL IsEmpty() const noexcept { return m_nCount == 0; }

  TYPE& GetHead() { return NonEmpty(m_pNodeHead)->data; }
  const TYPE& GetHead() const { return NonEmpty(m_pNodeHead)->data; }
  TYPE& GetTail() { return NonEmpty(m_pNodeTail)->data; }
  const TYPE& GetTail() const { return NonEmpty(m_pNodeTail)->data; }

  TYPE RemoveHead();
  TYPE RemoveTail();
  POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(ToPos(m_pNodeHead), newElement); }
  POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(ToPos(m_pNodeTail), newElement); }
  void AddHead(const CList* newList);
  void AddTail(const CList* newList);
  void RemoveAll() noexcept;

  POSITION GetHeadPosition() const noexcept { return ToPos(m_pNodeHead); }
  POSITION GetTailPosition() const noexcept { return ToPos(m_pNodeTail); }
  // The element at pos; pos moves to the next (NULL after the last).
  TYPE& GetNext(POSITION& pos) {
    CNode* n = FromPos(pos);
    pos = ToPos(n->pNext);
    return n->data;
  }
  const TYPE& GetNext(POSITION& pos) const {
    CNode* n = FromPos(pos);
    pos = ToPos(n->pNext);
    return n->data;
  }
  TYPE& GetPrev(POSITION& pos) {
    CNode* n = FromPos(pos);
    pos = ToPos(n->pPrev);
    return n->data;
  }
  const TYPE& GetPrev(POSITION& pos) const {
    CNode* n = FromPos(pos);
    pos = ToPos(n->pPrev);
    return n->data;
  }
  TYPE& GetAt(POSITION pos) { return FromPos(pos)->data; }
  const TYPE& GetAt(POSITION pos) const { return FromPos(pos)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { FromPos(pos)->data = newElement; }
  void RemoveAt(POSITION pos);

  // A NULL position inserts at the head (InsertBefore) or tail (InsertAfter).
  POSITION InsertBefore(POSITION pos, ARG_TYPE newElement);
  POSITION InsertAfter(POSITION pos, ARG_TYPE newElement);

  // First element equal to value after startAfter (from the head when NULL).
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const;
  // Position of the index-th element, NULL when out of range.
  POSITION FindIndex(INT_PTR index) const;

  void Serialize(CArchive& ar) override;

 protected:
  static POSITION ToPos(CNode* node) noexcept { return reinterpret_cast<POSITION>(node); }
  static CNode* FromPos(POSITION pos) {
    if (!pos || pos == BEFORE_START_POSITION) pv::detail::ThrowInvalidArg();
    return reinterpret_cast<CNode*>(pos);
  }
  static CNode* NonEmpty(CNode* node) {
    if (!node) pv::detail::ThrowInvalidArg();
    return node;
  }
  CNode* NewNode(CNode* prev, CNode* next, ARG_TYPE value);
  void FreeNode(CNode* node) noexcept;

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  INT_PTR m_nCount = 0;
  pv::detail::NodePool<CNode> m_pool;
};

template <class TYPE, class ARG_TYPE>
typename CList<TYPE, ARG_TYPE>::CNode* CList<TYPE, ARG_TYPE>::NewNode(CNode* prev, CNode* next, ARG_TYPE value) {
  void* raw = m_pool.Allocate();
  CNode* node;
  try {
    node = ::new (raw) CNode{next, prev, TYPE(value)};
  } catch (...) {
    m_pool.Release(raw);
    throw;
  }
  ++m_nCount;
  return node;
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::FreeNode(CNode* node) noexcept {
  node->~CNode();
  m_pool.Release(node);
  if (--m_nCount == 0) {
    m_pNodeHead = m_pNodeTail = nullptr;
    m_pool.FreeBlocks();
  }
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::RemoveAll() noexcept {
  for (CNode* n = m_pNodeHead; n;) {
    CNode* next = n->pNext;
    n->~CNode();
    n = next;
  }
  m_pNodeHead = m_pNodeTail = nullptr;
  m_nCount = 0;
  m_pool.FreeBlocks();
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertBefore(POSITION pos, ARG_TYPE newElement) {
  if (!pos) {
    CNode* node = NewNode(nullptr, m_pNodeHead, newElement);
    if (m_pNodeHead) m_pNodeHead->pPrev = node;
    else m_pNodeTail = node;
    m_pNodeHead = node;
    return ToPos(node);
  }
  CNode* old = FromPos(pos);
  CNode* node = NewNode(old->pPrev, old, newElement);
  if (old->pPrev) old->pPrev->pNext = node;
  else m_pNodeHead = node;
  old->pPrev = node;
  return ToPos(node);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertAfter(POSITION pos, ARG_TYPE newElement) {
  if (!pos) {
    CNode* node = NewNode(m_pNodeTail, nullptr, newElement);
    if (m_pNodeTail) m_pNodeTail->pNext = node;
    else m_pNodeHead = node;
    m_pNodeTail = node;
    return ToPos(node);
  }
  CNode* old = FromPos(pos);
  CNode* node = NewNode(old, old->pNext, newElement);
  if (old->pNext) old->pNext->pPrev = node;
  else m_pNodeTail = node;
  old->pNext = node;
  return ToPos(node);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::AddHead(const CList* newList) {
  if (!newList || newList == this) pv::detail::ThrowInvalidArg();
  // Walk backwards so the added elements keep their order.
  for (CNode* n = newList->m_pNodeTail; n; n = n->pPrev) AddHead(n->data);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::AddTail(const CList* newList) {
  if (!newList || newList == this) pv::detail::ThrowInvalidArg();
  for (CNode* n = newList->m_pNodeHead; n; n = n->pNext) AddTail(n->data);
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::RemoveHead() {
  CNode* old = NonEmpty(m_pNodeHead);
  TYPE value = std::move(old->data);
  m_pNodeHead = old->pNext;
  if (m_pNodeHead) m_pNodeHead->pPrev = nullptr;
  else m_pNodeTail = nullptr;
  FreeNode(old);
  return value;
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::RemoveTail() {
  CNode* old = NonEmpty(m_pNodeTail);
  TYPE value = std::move(old->data);
  m_pNodeTail = old->pPrev;
  if (m_pNodeTail) m_pNodeTail->pNext = nullptr;
  else m_pNodeHead = nullptr;
  FreeNode(old);
  return value;
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::RemoveAt(POSITION pos) {
  CNode* old = FromPos(pos);
  if (old->pPrev) old->pPrev->pNext = old->pNext;
  else m_pNodeHead = old->pNext;
  if (old->pNext) old->pNext->pPrev = old->pPrev;
  else m_pNodeTail = old->pPrev;
  FreeNode(old);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::Find(ARG_TYPE searchValue, POSITION startAfter) const {
  CNode* n = startAfter ? FromPos(startAfter)->pNext : m_pNodeHead;
  for (; n; n = n->pNext)
    if (CompareElements(&n->data, &searchValue)) return ToPos(n);
  return nullptr;
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::FindIndex(INT_PTR index) const {
  if (index < 0 || index >= m_nCount) return nullptr;
  CNode* n = m_pNodeHead;
  while (index--) n = n->pNext;
  return ToPos(n);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (pv::detail::ArchiveIsStoring(ar)) {
    pv::detail::ArchiveWriteCount(ar, static_cast<DWORD_PTR>(m_nCount));
    for (CNode* n = m_pNodeHead; n; n = n->pNext) SerializeElements<TYPE>(ar, &n->data, 1);
    return;
  }
  DWORD_PTR count = pv::detail::ArchiveReadCount(ar);
  for (DWORD_PTR i = 0; i < count; ++i) {
    TYPE value{};
    SerializeElements<TYPE>(ar, &value, 1);
    AddTail(value);
  }
}

// ---- CMap -----------------------------------------------------------------------------------
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  using BASE_KEY = KEY;
  using BASE_ARG_KEY = ARG_KEY;
  using BASE_VALUE = VALUE;
  using BASE_ARG_VALUE = ARG_VALUE;

  class CPair {
   public:
    const KEY key;
    VALUE value;

   protected:
    explicit CPair(ARG_KEY keyval) : key(keyval), value() {}
  };

 protected:
  class CAssoc : public CPair {
   public:
    CAssoc(ARG_KEY keyval, UINT hash) : CPair(keyval), pNext(nullptr), nHashValue(hash) {}
    CAssoc* pNext;
    UINT nHashValue;
  };

 public:
  explicit CMap(INT_PTR blockSize = 10) : m_pool(blockSize) {}
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const noexcept { return m_nCount; }
  INT_PTR GetSize() const noexcept { return m_nCount; }
  BOOL IsEmpty() const noexcept { return m_nCount == 0; }

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
    const CAssoc* assoc = Find(key);
    if (!assoc) return FALSE;
    rValue = assoc->value;
    return TRUE;
  }
  const CPair* PLookup(ARG_KEY key) const { return Find(key); }
  CPair* PLookup(ARG_KEY key) { return Find(key); }

  // The value for key, added default-constructed when absent.
  VALUE& operator[](ARG_KEY key);
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  BOOL RemoveKey(ARG_KEY key);
  void RemoveAll() noexcept;

  // Iteration visits every key once, bucket by bucket. GetNextAssoc moves
  // pos to the following entry before returning, so the key it returned
  // may be removed before the next call. Keys added during an iteration
  // may or may not be visited.
  POSITION GetStartPosition() const noexcept { return reinterpret_cast<POSITION>(First()); }
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const;
  const CPair* PGetFirstAssoc() const noexcept { return First(); }
  CPair* PGetFirstAssoc() noexcept { return First(); }
  const CPair* PGetNextAssoc(const CPair* pair) const { return Next(static_cast<const CAssoc*>(pair)); }
  CPair* PGetNextAssoc(const CPair* pair) { return Next(static_cast<const CAssoc*>(pair)); }

  UINT GetHashTableSize() const noexcept { return m_nHashTableSize; }
  // Sets the table size (rounded up to a power of two) for the expected
  // number of keys; existing keys are kept.
  void InitHashTable(UINT hashSize, BOOL allocNow = TRUE);

  void Serialize(CArchive& ar) override;

 protected:
  UINT Bucket(UINT hash) const noexcept {
    return static_cast<UINT>((static_cast<UINT64>(hash) * 0x9E3779B97F4A7C15ull) >> (64 - m_nShift));
  }
  CAssoc* Find(ARG_KEY key) const {
    if (!m_pHashTable) return nullptr;
    UINT hash = HashKey(key);
    const std::remove_reference_t<ARG_KEY>* keyPtr = &key;
    for (CAssoc* a = m_pHashTable[Bucket(hash)]; a; a = a->pNext)
      if (a->nHashValue == hash && CompareElements(&a->key, keyPtr)) return a;
    return nullptr;
  }
  CAssoc* First() const noexcept {
    if (!m_pHashTable) return nullptr;
    for (UINT b = 0; b < m_nHashTableSize; ++b)
      if (m_pHashTable[b]) return m_pHashTable[b];
    return nullptr;
  }
  CAssoc* Next(const CAssoc* assoc) const noexcept {
    if (assoc->pNext) return assoc->pNext;
    for (UINT b = Bucket(assoc->nHashValue) + 1; b < m_nHashTableSize; ++b)
      if (m_pHashTable[b]) return m_pHashTable[b];
    return nullptr;
  }
  void Rehash(UINT newSize);

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize = 16;
  UINT m_nShift = 4;  // log2 of the table size
  INT_PTR m_nCount = 0;
  pv::detail::NodePool<CAssoc> m_pool;
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Rehash(UINT newSize) {
  UINT shift = 4;
  while ((1u << shift) < newSize && shift < 30) ++shift;
  UINT size = 1u << shift;
  CAssoc** table;
  try {
    table = new CAssoc*[size]();
  } catch (const std::bad_alloc&) {
    pv::detail::ThrowMemory();
  }
  CAssoc** old = m_pHashTable;
  UINT oldSize = m_nHashTableSize;
  m_pHashTable = table;
  m_nHashTableSize = size;
  m_nShift = shift;
  if (old) {
    for (UINT b = 0; b < oldSize; ++b) {
      for (CAssoc* a = old[b]; a;) {
        CAssoc* next = a->pNext;
        CAssoc*& head = m_pHashTable[Bucket(a->nHashValue)];
        a->pNext = head;
        head = a;
        a = next;
      }
    }
    delete[] old;
  }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::InitHashTable(UINT hashSize, BOOL allocNow) {
  if (hashSize < 16) hashSize = 16;
  if (m_pHashTable || allocNow) Rehash(hashSize);
  else
    while ((1u << m_nShift) < hashSize && m_nShift < 30) m_nHashTableSize = 1u << ++m_nShift;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
VALUE& CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::operator[](ARG_KEY key) {
  if (CAssoc* found = Find(key)) return found->value;
  if (!m_pHashTable) Rehash(m_nHashTableSize);
  else if (static_cast<UINT64>(m_nCount) >= m_nHashTableSize) Rehash(m_nHashTableSize * 2);
  UINT hash = HashKey(key);
  void* raw = m_pool.Allocate();
  CAssoc* assoc;
  try {
    assoc = ::new (raw) CAssoc(key, hash);
  } catch (...) {
    m_pool.Release(raw);
    throw;
  }
  CAssoc*& head = m_pHashTable[Bucket(hash)];
  assoc->pNext = head;
  head = assoc;
  ++m_nCount;
  return assoc->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveKey(ARG_KEY key) {
  if (!m_pHashTable) return FALSE;
  UINT hash = HashKey(key);
  const std::remove_reference_t<ARG_KEY>* keyPtr = &key;
  for (CAssoc** link = &m_pHashTable[Bucket(hash)]; *link; link = &(*link)->pNext) {
    CAssoc* a = *link;
    if (a->nHashValue == hash && CompareElements(&a->key, keyPtr)) {
      *link = a->pNext;
      a->~CAssoc();
      m_pool.Release(a);
      --m_nCount;
      return TRUE;
    }
  }
  return FALSE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveAll() noexcept {
  if (m_pHashTable) {
    for (UINT b = 0; b < m_nHashTableSize; ++b) {
      for (CAssoc* a = m_pHashTable[b]; a;) {
        CAssoc* next = a->pNext;
        a->~CAssoc();
        a = next;
      }
    }
    delete[] m_pHashTable;
    m_pHashTable = nullptr;
  }
  m_nCount = 0;
  m_pool.FreeBlocks();
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
  const CAssoc* assoc =
      rNextPosition == BEFORE_START_POSITION ? First() : reinterpret_cast<const CAssoc*>(rNextPosition);
  if (!assoc) pv::detail::ThrowInvalidArg();
  rNextPosition = reinterpret_cast<POSITION>(Next(assoc));
  rKey = assoc->key;
  rValue = assoc->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (pv::detail::ArchiveIsStoring(ar)) {
    pv::detail::ArchiveWriteCount(ar, static_cast<DWORD_PTR>(m_nCount));
    for (CAssoc* a = First(); a; a = Next(a)) {
      SerializeElements<KEY>(ar, const_cast<KEY*>(&a->key), 1);
      SerializeElements<VALUE>(ar, &a->value, 1);
    }
    return;
  }
  DWORD_PTR count = pv::detail::ArchiveReadCount(ar);
  for (DWORD_PTR i = 0; i < count; ++i) {
    KEY key{};
    VALUE value{};
    SerializeElements<KEY>(ar, &key, 1);
    SerializeElements<VALUE>(ar, &value, 1);
    (*this)[key] = value;
  }
}

// ---- fixed-type collections ------------------------------------------------------------------
class CByteArray : public CArray<BYTE, BYTE> {
  DECLARE_SERIAL(CByteArray)
};
class CWordArray : public CArray<WORD, WORD> {
  DECLARE_SERIAL(CWordArray)
};
class CDWordArray : public CArray<DWORD, DWORD> {
  DECLARE_SERIAL(CDWordArray)
};
class CUIntArray : public CArray<UINT, UINT> {
  DECLARE_DYNAMIC(CUIntArray)
};
class CPtrArray : public CArray<void*, void*> {
  DECLARE_DYNAMIC(CPtrArray)
};
// Stores its objects (not their pointers) through the archive's object map.
class CObArray : public CArray<CObject*, CObject*> {
  DECLARE_SERIAL(CObArray)
};
class CStringArray : public CArray<CString, const CString&> {
  DECLARE_SERIAL(CStringArray)
 public:
  using CArray<CString, const CString&>::Add;
  INT_PTR Add(LPCTSTR text) { return CArray<CString, const CString&>::Add(CString(text)); }
};

class CPtrList : public CList<void*, void*> {
  DECLARE_DYNAMIC(CPtrList)
 public:
  explicit CPtrList(INT_PTR blockSize = 10) : CList<void*, void*>(blockSize) {}
};
class CObList : public CList<CObject*, CObject*> {
  DECLARE_SERIAL(CObList)
 public:
  explicit CObList(INT_PTR blockSize = 10) : CList<CObject*, CObject*>(blockSize) {}
};
class CStringList : public CList<CString, const CString&> {
  DECLARE_SERIAL(CStringList)
 public:
  explicit CStringList(INT_PTR blockSize = 10) : CList<CString, const CString&>(blockSize) {}
  using CList<CString, const CString&>::AddHead;
  using CList<CString, const CString&>::AddTail;
  POSITION AddHead(LPCTSTR text) { return CList<CString, const CString&>::AddHead(CString(text)); }
  POSITION AddTail(LPCTSTR text) { return CList<CString, const CString&>::AddTail(CString(text)); }
};

class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
  DECLARE_DYNAMIC(CMapWordToPtr)
};
class CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {
  DECLARE_DYNAMIC(CMapPtrToWord)
};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
  DECLARE_DYNAMIC(CMapPtrToPtr)
};
class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {
  DECLARE_SERIAL(CMapWordToOb)
};
class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*> {
  DECLARE_DYNAMIC(CMapStringToPtr)
};
class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*> {
  DECLARE_SERIAL(CMapStringToOb)
};
class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR> {
  DECLARE_SERIAL(CMapStringToString)
};

// ---- typed-pointer wrappers ------------------------------------------------------------------
namespace pv::detail {
template <class To, class From>
inline To PtrCast(From from) noexcept {
  return (To)from;  // NOLINT: pointer conversions between the stored and the typed pointer
}
}  // namespace pv::detail

template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
 public:
  TYPE GetAt(INT_PTR index) const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetAt(index)); }
  TYPE& ElementAt(INT_PTR index) { return reinterpret_cast<TYPE&>(BASE_CLASS::ElementAt(index)); }
  void SetAt(INT_PTR index, TYPE ptr) { BASE_CLASS::SetAt(index, ptr); }
  void SetAtGrow(INT_PTR index, TYPE newElement) { BASE_CLASS::SetAtGrow(index, newElement); }
  INT_PTR Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
  INT_PTR Append(const CTypedPtrArray& src) { return BASE_CLASS::Append(src); }
  void Copy(const CTypedPtrArray& src) { BASE_CLASS::Copy(src); }
  void InsertAt(INT_PTR index, TYPE newElement, INT_PTR count = 1) { BASE_CLASS::InsertAt(index, newElement, count); }
  void InsertAt(INT_PTR startIndex, CTypedPtrArray* newArray) { BASE_CLASS::InsertAt(startIndex, newArray); }
  TYPE operator[](INT_PTR index) const { return GetAt(index); }
  TYPE& operator[](INT_PTR index) { return ElementAt(index); }
  TYPE* GetData() { return reinterpret_cast<TYPE*>(BASE_CLASS::GetData()); }
  const TYPE* GetData() const { return reinterpret_cast<const TYPE*>(BASE_CLASS::GetData()); }
};

template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
 public:
  explicit CTypedPtrList(INT_PTR blockSize = 10) : BASE_CLASS(blockSize) {}
  TYPE& GetHead() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetHead()); }
  TYPE GetHead() const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetHead()); }
  TYPE& GetTail() { return reinterpret_cast<TYPE&>(BASE_CLASS::GetTail()); }
  TYPE GetTail() const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetTail()); }
  TYPE RemoveHead() { return pv::detail::PtrCast<TYPE>(BASE_CLASS::RemoveHead()); }
  TYPE RemoveTail() { return pv::detail::PtrCast<TYPE>(BASE_CLASS::RemoveTail()); }
  POSITION AddHead(TYPE newElement) { return BASE_CLASS::AddHead(newElement); }
  POSITION AddTail(TYPE newElement) { return BASE_CLASS::AddTail(newElement); }
  void AddHead(CTypedPtrList* newList) { BASE_CLASS::AddHead(newList); }
  void AddTail(CTypedPtrList* newList) { BASE_CLASS::AddTail(newList); }
  TYPE& GetNext(POSITION& pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetNext(pos)); }
  TYPE GetNext(POSITION& pos) const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetNext(pos)); }
  TYPE& GetPrev(POSITION& pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetPrev(pos)); }
  TYPE GetPrev(POSITION& pos) const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetPrev(pos)); }
  TYPE& GetAt(POSITION pos) { return reinterpret_cast<TYPE&>(BASE_CLASS::GetAt(pos)); }
  TYPE GetAt(POSITION pos) const { return pv::detail::PtrCast<TYPE>(BASE_CLASS::GetAt(pos)); }
  void SetAt(POSITION pos, TYPE newElement) { BASE_CLASS::SetAt(pos, newElement); }
  POSITION InsertBefore(POSITION pos, TYPE newElement) { return BASE_CLASS::InsertBefore(pos, newElement); }
  POSITION InsertAfter(POSITION pos, TYPE newElement) { return BASE_CLASS::InsertAfter(pos, newElement); }
};

template <class BASE_CLASS, class KEY, class VALUE>
class CTypedPtrMap : public BASE_CLASS {
 public:
  using ArgKey = typename BASE_CLASS::BASE_ARG_KEY;
  BOOL Lookup(ArgKey key, VALUE& rValue) const {
    typename BASE_CLASS::BASE_VALUE value{};
    if (!BASE_CLASS::Lookup(key, value)) return FALSE;
    rValue = pv::detail::PtrCast<VALUE>(value);
    return TRUE;
  }
  VALUE& operator[](ArgKey key) { return reinterpret_cast<VALUE&>(BASE_CLASS::operator[](key)); }
  void SetAt(KEY key, VALUE newValue) { BASE_CLASS::SetAt(key, newValue); }
  BOOL RemoveKey(KEY key) { return BASE_CLASS::RemoveKey(key); }
  void GetNextAssoc(POSITION& rPosition, KEY& rKey, VALUE& rValue) const {
    typename BASE_CLASS::BASE_KEY key{};
    typename BASE_CLASS::BASE_VALUE value{};
    BASE_CLASS::GetNextAssoc(rPosition, key, value);
    rKey = pv::detail::PtrCast<KEY>(key);
    rValue = pv::detail::PtrCast<VALUE>(value);
  }
};
