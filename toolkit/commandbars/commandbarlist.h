// An ordered list of command bars, one reference each: the command bars
// keep their tool bars and context menus in such lists.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"

class CTKCommandBar;

class CTKCommandBarList : public CCmdTarget {
 public:
  CTKCommandBarList() = default;
  ~CTKCommandBarList() override { RemoveAll(); }
  CTKCommandBarList(const CTKCommandBarList&) = delete;
  CTKCommandBarList& operator=(const CTKCommandBarList&) = delete;

  // Takes over the caller's reference.
  void Add(CTKCommandBar* pBar);
  BOOL Contains(const CTKCommandBar* pBar) const;
  // The first bar with the id; null when none.
  CTKCommandBar* FindBar(int nBarID) const;
  int GetCount() const { return static_cast<int>(m_arrBars.GetSize()); }
  // Null out of range.
  CTKCommandBar* GetAt(int nIndex) const;
  // Releases every bar.
  void RemoveAll();

 private:
  CArray<CTKCommandBar*, CTKCommandBar*> m_arrBars;
};
