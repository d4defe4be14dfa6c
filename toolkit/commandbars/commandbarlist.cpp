#include "toolkit/commandbars/commandbarlist.h"

#include "toolkit/commandbars/commandbar.h"

void CTKCommandBarList::Add(CTKCommandBar* pBar) {
  if (pBar) m_arrBars.Add(pBar);
}

BOOL CTKCommandBarList::Contains(const CTKCommandBar* pBar) const {
  for (int i = 0; i < GetCount(); ++i)
    if (m_arrBars[i] == pBar) return TRUE;
  return FALSE;
}

CTKCommandBar* CTKCommandBarList::FindBar(int nBarID) const {
  for (int i = 0; i < GetCount(); ++i)
    if (m_arrBars[i]->GetBarID() == nBarID) return m_arrBars[i];
  return nullptr;
}

CTKCommandBar* CTKCommandBarList::GetAt(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_arrBars[nIndex] : nullptr;
}

void CTKCommandBarList::RemoveAll() {
  // Emptied first: a bar's last release may ask the list again.
  CArray<CTKCommandBar*, CTKCommandBar*> bars;
  bars.Copy(m_arrBars);
  m_arrBars.RemoveAll();
  for (INT_PTR i = 0; i < bars.GetSize(); ++i) bars[i]->InternalRelease();
}
