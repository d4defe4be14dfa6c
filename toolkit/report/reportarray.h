// CTKArrayT: the toolkit's array of object pointers over a command target,
// with a scripting face (Count, Item, SetItem, AddItem, RemoveItem, Clear).
// The array itself neither takes nor drops references; collections built on
// it say what they hold.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/wintypes.h"

template <class TBase, class TElement>
class CTKArrayT : public TBase {
 public:
  using TBase::TBase;

  virtual INT_PTR GetSize() const { return m_arrElements.GetSize(); }
  virtual void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1) { m_arrElements.SetSize(nNewSize, nGrowBy); }
  // The framework's invalid-argument error for an index out of range.
  virtual TElement GetAt(INT_PTR nIndex) const { return m_arrElements.GetAt(nIndex); }
  virtual void SetAt(INT_PTR nIndex, TElement newElement) { m_arrElements.SetAt(nIndex, newElement); }
  virtual TElement& ElementAt(INT_PTR nIndex) { return m_arrElements.ElementAt(nIndex); }
  virtual const TElement* GetData() const { return m_arrElements.GetData(); }
  virtual TElement* GetData() { return m_arrElements.GetData(); }
  virtual void SetAtGrow(INT_PTR nIndex, TElement newElement) { m_arrElements.SetAtGrow(nIndex, newElement); }
  virtual INT_PTR Add(TElement newElement) { return m_arrElements.Add(newElement); }
  virtual INT_PTR Append(const CArray<TElement, TElement>& src) { return m_arrElements.Append(src); }
  virtual void Copy(const CArray<TElement, TElement>& src) { m_arrElements.Copy(src); }
  virtual void InsertAt(INT_PTR nStartIndex, CArray<TElement, TElement>* pNewArray) {
    m_arrElements.InsertAt(nStartIndex, pNewArray);
  }
  virtual void InsertAt(INT_PTR nIndex, TElement newElement, INT_PTR nCount = 1) {
    m_arrElements.InsertAt(nIndex, newElement, nCount);
  }
  virtual void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) { m_arrElements.RemoveAt(nIndex, nCount); }
  virtual void RemoveAll() { m_arrElements.RemoveAll(); }
  // Index of the first equal pointer, -1 when absent.
  virtual INT_PTR Find(TElement element) const {
    for (INT_PTR i = 0; i < m_arrElements.GetSize(); ++i)
      if (m_arrElements[i] == element) return i;
    return -1;
  }
  virtual INT_PTR AddUnique(TElement element) {
    INT_PTR index = Find(element);
    return index >= 0 ? index : Add(element);
  }
  // Removes every equal pointer, from the end; TRUE when one was found.
  virtual BOOL Remove(TElement element) {
    BOOL found = FALSE;
    for (INT_PTR i = m_arrElements.GetSize() - 1; i >= 0; --i) {
      if (m_arrElements[i] == element) {
        m_arrElements.RemoveAt(i);
        found = TRUE;
      }
    }
    return found;
  }

  // ---- scripting face ----
  virtual long Count() { return static_cast<long>(GetSize()); }
  virtual HRESULT Item(long nIndex, TElement* pElement) {
    if (nIndex < 0 || nIndex >= GetSize() || !pElement) return DISP_E_BADINDEX;
    *pElement = GetAt(nIndex);
    return S_OK;
  }
  virtual HRESULT SetItem(long nIndex, TElement element) {
    if (nIndex < 0 || nIndex >= GetSize()) return DISP_E_BADINDEX;
    SetAt(nIndex, element);
    return S_OK;
  }
  virtual long AddItem(TElement element) { return static_cast<long>(Add(element)); }
  virtual HRESULT RemoveItem(long nIndex) {
    if (nIndex < 0 || nIndex >= GetSize()) return DISP_E_BADINDEX;
    RemoveAt(nIndex, 1);
    return S_OK;
  }
  virtual void Clear() { RemoveAll(); }

 protected:
  CArray<TElement, TElement> m_arrElements;
};
