#include "toolkit/report/reportfieldchooser.h"

#include "toolkit/common/scopeddc.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportpaintmanager.h"

CTKReportColumn* CTKReportFieldChooserList::GetItemColumn(int nIndex) const {
  if (!m_pReportControl || !m_hWnd) return nullptr;
  const LRESULT data = ::SendMessage(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0);
  if (data == LB_ERR) return nullptr;
  return m_pReportControl->GetColumns()->Find(static_cast<int>(data));
}

int CTKReportFieldChooserList::FindItemByIndex(int nItemIndex) const {
  if (!m_hWnd) return -1;
  for (int i = GetCount() - 1; i >= 0; i--)
    if (static_cast<int>(GetItemData(i)) == nItemIndex) return i;
  return -1;
}

CString CTKReportFieldChooserList::GetItemText(int nIndex) const {
  if (!m_pReportControl || !m_hWnd) return CString();
  if (GetStyle() & LBS_HASSTRINGS) {
    CString text;
    GetText(nIndex, text);
    return text;
  }
  CTKReportColumn* column = GetItemColumn(nIndex);
  return column ? column->GetCaption() : CString();
}

BOOL CTKReportFieldChooserList::UpdateList() {
  if (!m_pReportControl || !m_hWnd) return FALSE;
  {
    CClientDC dc(this);
    CTKFontDC font(&dc, m_pReportControl->GetPaintManager()->GetCaptionFont());
    const int height = dc.GetTextExtent(u" ", 1).cy + 5;
    if (GetItemHeight(0) != height) SetItemHeight(0, static_cast<UINT>(height));
  }
  BOOL changed = FALSE;
  for (int i = GetCount() - 1; i >= 0; i--) {
    CTKReportColumn* column = GetItemColumn(i);
    if (!column || column->IsVisible() || !column->IsShowInFieldChooser()) {
      DeleteString(static_cast<UINT>(i));
      changed = TRUE;
    }
  }
  CTKReportColumns* columns = m_pReportControl->GetColumns();
  const int iconColumn = m_pReportControl->GetIconViewColumn();
  for (int c = 0; c < columns->GetCount(); c++) {
    CTKReportColumn* column = columns->GetAt(c);
    if (!column || column->IsVisible() || !column->IsShowInFieldChooser()) continue;
    if (iconColumn >= 0 && column->GetItemIndex() == iconColumn) continue;
    if (FindItemByIndex(column->GetItemIndex()) >= 0) continue;
    const CString caption = column->GetCaption();
    int position = -1;
    if (m_bSortedList) {
      for (int i = 0; i < GetCount() && position < 0; i++)
        if (GetItemText(i).Compare(caption) > 0) position = i;
    }
    position = position >= 0 ? InsertString(position, caption) : AddString(caption);
    SetItemData(position, static_cast<DWORD_PTR>(column->GetItemIndex()));
    changed = TRUE;
  }
  EnableWindow(GetCount() > 0);
  if (changed) Invalidate();
  return TRUE;
}
