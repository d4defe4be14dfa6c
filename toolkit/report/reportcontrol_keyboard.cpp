// The report control's keyboard: the owner's key preview, the key table
// (navigation, expanding, selection, editing keys), typed characters handed
// to the focused cell, and the keyboard commands ExpandAll, CollapseAll and
// RecalculateFormulas.
#include <vector>

#include "platform/controls/commctrl.h"

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

// The position of a column among the visible ones, -1 when hidden.
int VisibleIndex(CTKReportColumns* columns, CTKReportColumn* column) {
  for (int i = 0; i < columns->GetVisibleColumnsCount(); ++i)
    if (columns->GetVisibleAt(i) == column) return i;
  return -1;
}

}  // namespace

BOOL CTKReportControl::PreTranslateMessage(MSG* pMsg) {
  if (pMsg && pMsg->message == WM_KEYDOWN) {
    UINT key = static_cast<UINT>(pMsg->wParam);
    if (!OnPreviewKeyDown(key, LOWORD(pMsg->lParam), HIWORD(pMsg->lParam))) return TRUE;
    pMsg->wParam = key;
  }
  return CWnd::PreTranslateMessage(pMsg);
}

void CTKReportControl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (m_hWnd) Default();
  const BOOL control = ::GetKeyState(VK_CONTROL) < 0 || m_bMultiSelectionMode;
  const BOOL shift = ::GetKeyState(VK_SHIFT) < 0;
  CTKReportRow* focused = GetFocusedRow();
  if (m_hWnd && (GetExStyle() & WS_EX_LAYOUTRTL)) {
    if (nChar == VK_LEFT) nChar = VK_RIGHT;
    else if (nChar == VK_RIGHT) nChar = VK_LEFT;
  }
  const BOOL hasRows =
      GetBodyRows()->GetCount() > 0 || GetHeaderRows()->GetCount() > 0 || GetFooterRows()->GetCount() > 0;
  CTKReportNavigator* navigator = m_pNavigator;
  if (hasRows && navigator) {
    switch (nChar) {
      case VK_RETURN:
        if (focused && focused->HasChildren() && !focused->IsExpandLocked())
          focused->SetExpanded(!focused->IsExpanded());
        break;
      case VK_ESCAPE:
        if (m_pReportHeader && GetMouseMode() != 0) m_pReportHeader->CancelMouseMode();
        break;
      case VK_SPACE:
        if (m_pSectionBody->IsAllowSelection() && ::GetKeyState(VK_CONTROL) < 0 && focused) {
          m_pSelectedRows->Invert(focused);
          OnSelectionChanged();
        }
        break;
      case VK_PRIOR:
        navigator->MovePageUp(shift, control);
        break;
      case VK_NEXT:
        navigator->MovePageDown(shift, control);
        break;
      case VK_HOME:
        navigator->MoveFirstRow(shift, control);
        break;
      case VK_END:
        navigator->MoveLastRow(shift, control);
        break;
      case VK_LEFT:
        if (m_bIconView) {
          navigator->MoveLeft(shift, control);
        } else if (focused) {
          if (m_bFocusSubItems && m_pFocusedColumn) {
            const int index = VisibleIndex(m_pColumns, m_pFocusedColumn);
            if (CTKReportColumn* column = index > 0 ? GetNextFocusableColumn(focused, index - 1, -1) : nullptr) {
              SetFocusedColumn(column);
              SetFocusedRow(focused);
              break;
            }
          }
          if (focused->HasChildren() && focused->IsExpanded()) {
            if (focused->IsExpandLocked()) navigator->MoveUp(shift, control);
            else focused->SetExpanded(FALSE);
          } else if (focused->GetParentRow() && focused->GetParentRow()->GetIndex() >= 0) {
            SetFocusedRowShift(focused->GetParentRow(), shift, control);
          } else {
            navigator->MoveUp(shift, control);
          }
        }
        break;
      case VK_UP:
        navigator->MoveUp(shift, control);
        break;
      case VK_RIGHT:
        if (m_bIconView) {
          navigator->MoveRight(shift, control);
        } else if (focused) {
          if (m_bFocusSubItems && m_pFocusedColumn) {
            const int index = VisibleIndex(m_pColumns, m_pFocusedColumn);
            if (CTKReportColumn* column = index >= 0 ? GetNextFocusableColumn(focused, index + 1, 1) : nullptr) {
              SetFocusedColumn(column);
              SetFocusedRow(focused);
              break;
            }
          }
          if (!focused->HasChildren()) {
            navigator->MoveDown(shift, control);
          } else if (focused->IsExpanded()) {
            CTKReportRows* children = focused->GetChildRows();
            if (children && children->GetCount() > 0) SetFocusedRowShift(children->GetAt(0), shift, control);
          } else if (focused->IsExpandLocked()) {
            navigator->MoveDown(shift, control);
          } else {
            focused->SetExpanded(TRUE, ::GetKeyState(VK_CONTROL) < 0);
          }
        }
        break;
      case VK_DOWN:
        navigator->MoveDown(shift, control);
        break;
      case 'A':
        if (::GetKeyState(VK_CONTROL) < 0 && !shift && m_pSectionBody->IsAllowSelection() && m_bMultipleSelection) {
          if (IsVirtualMode()) {
            navigator->MoveToRow(0);
            navigator->MoveToRow(GetBodyRows()->GetCount() - 1, TRUE);
          } else {
            SelectAllRecords(GetRecords());
          }
          RedrawControl();
        }
        break;
      case VK_ADD:
        if (::GetKeyState(VK_CONTROL) < 0) {
          if (!m_bLockExpand) ExpandAll();
        } else if (focused && focused->HasChildren() && !focused->IsExpanded() && !focused->IsExpandLocked()) {
          focused->SetExpanded(TRUE);
        }
        break;
      case VK_SUBTRACT:
        if (::GetKeyState(VK_CONTROL) < 0) {
          if (!m_bLockExpand) CollapseAll();
        } else if (focused && focused->HasChildren() && focused->IsExpanded() && !focused->IsExpandLocked()) {
          focused->SetExpanded(FALSE);
        }
        break;
      case VK_F2:
        navigator->BeginEdit();
        break;
      case VK_F5:
        RecalculateFormulas(shift || !focused);
        break;
      default:
        break;
    }
  }
  (void)nRepCnt;
  NMKEY nmkey{};
  nmkey.nVKey = nChar;
  nmkey.uFlags = nFlags;
  SendOwnerNotify(TK_NM_REPORT_KEYDOWN, &nmkey.hdr);
}

void CTKReportControl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {
  NMCHAR nmchar{};
  nmchar.ch = nChar;
  SendOwnerNotify(TK_NM_REPORT_CHAR, &nmchar.hdr);
  CTKReportRow* focused = GetFocusedRow();
  if (nChar == VK_TAB) {
    if (focused && m_bFocusSubItems) {
      EditItem(nullptr);
      const BOOL back = ::GetKeyState(VK_SHIFT) < 0;
      if (m_pNavigator) m_pNavigator->MoveColumn(back);
      if (IsAllowEdit() && m_bEditOnClick && !m_bNoEditAfterTab && m_pNavigator) m_pNavigator->BeginEdit();
      return;
    }
  } else if (nChar != VK_RETURN && nChar != VK_ESCAPE && m_pFocusedColumn && focused && focused->GetRecord()) {
    CTKReportRecordItem* item = focused->GetRecord()->GetItem(m_pFocusedColumn);
    if (item) {
      TK_REPORTRECORDITEM_ARGS args(this, focused, m_pFocusedColumn);
      if (item->OnChar(&args, nChar)) return;
    }
  }
  (void)nRepCnt;
  (void)nFlags;
  Default();
}

void CTKReportControl::OnKeyUp(UINT, UINT, UINT) {
  m_bShiftAtKeyUp = ::GetKeyState(VK_SHIFT) < 0;
  Default();
}

void CTKReportControl::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CTKReportControl::OnSysKeyUp(UINT, UINT, UINT) { Default(); }

// ---- keyboard commands ------------------------------------------------------------------------------

void CTKReportControl::CollapseAll() {
  CTKReportRows* rows = GetBodyRows();
  BeginUpdate();
  m_arrSavedSelection.RemoveAll();
  m_arrSavedIndexes.clear();
  const int selectedCount = m_pSelectedRows->GetCount();
  const BOOL onlyFirst = selectedCount == 1 && m_pSelectedRows->GetAt(0) && m_pSelectedRows->GetAt(0)->GetIndex() == 0;
  for (int pos = m_pSelectedRows->GetFirstSelectedRowPosition(); pos > 0;) {
    CTKReportRow* row = m_pSelectedRows->GetNextSelectedRow(pos);
    if (row) m_arrSavedIndexes.push_back(row->GetIndex());
  }
  for (int i = rows->GetCount() - 1; i >= 0; --i) {
    CTKReportRow* row = rows->GetAt(i);
    if (row && row->IsExpanded()) row->SetExpanded(FALSE);
  }
  EndUpdate();
  if (CTKReportRow* focused = GetFocusedRow()) EnsureVisible(focused);
  if (m_bSelectionExcludeGroupRows && m_bSkipGroupsFocus) DeselectGroupRows();
  if (!onlyFirst) OnSelectionChanged();
}

void CTKReportControl::ExpandAll(BOOL bRecursive) {
  CTKReportRows* rows = GetBodyRows();
  if (rows->GetCount() == 0) return;
  BeginUpdate();
  // Last to first, one level: rows an expansion inserts are not visited.
  for (int i = rows->GetCount() - 1; i >= 0; --i) {
    CTKReportRow* row = rows->GetAt(i);
    if (row && row->HasChildren() && !row->IsExpanded()) row->SetExpanded(TRUE, bRecursive);
  }
  BOOL hadFirst = FALSE;
  for (int index : m_arrSavedIndexes) {
    if (index == 0) hadFirst = TRUE;
    if (index >= 0 && index < rows->GetCount() && rows->GetAt(index)) m_pSelectedRows->Add(rows->GetAt(index));
  }
  if (!m_arrSavedIndexes.empty() && !hadFirst) {
    const int top = rows->GetTopRowIndex();
    if (top >= 0 && top < rows->GetCount() && rows->GetAt(top)) m_pSelectedRows->Remove(rows->GetAt(top));
  }
  EndUpdate();
  if (CTKReportRow* focused = GetFocusedRow()) EnsureVisible(focused);
}

void CTKReportControl::RecalculateFormulas(BOOL bAll) {
  EditItem(nullptr);
  auto recalculate = [this](CTKReportRecord* record) {
    if (!record) return;
    for (int i = 0; i < record->GetItemCount(); ++i) {
      CTKReportRecordItem* item = record->GetItem(i);
      if (item && !item->GetFormula().IsEmpty()) item->SetCaption(u"x");
    }
    RedrawControl();
  };
  if (!bAll) {
    CTKReportRow* focused = GetFocusedRow();
    if (focused) recalculate(focused->GetRecord());
    return;
  }
  CTKReportRecords* records = GetRecords();
  for (int i = 0; records && i < records->GetCount(); ++i) recalculate(records->GetAt(i));
  CTKReportRows* rows = GetBodyRows();
  for (int i = 0; i < rows->GetCount(); ++i) {
    auto* group = dynamic_cast<CTKReportGroupRow*>(rows->GetAt(i));
    if (group && !group->GetFormula().IsEmpty()) group->SetCaption(u"x");
  }
  RedrawControl();
}
