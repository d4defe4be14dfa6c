#include "toolkit/report/reportnavigator.h"

#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportsection.h"

// ---- the ordinary grid -------------------------------------------------------------------------

BOOL CTKReportNavigator::ControlState(BOOL bControlKey) const {
  return bControlKey || m_pReportControl->IsMultiSelectionMode();
}

void CTKReportNavigator::FocusRow(CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey) {
  if (!pRow) return;
  m_pReportControl->SetFocusedRowShift(pRow, bShiftKey, ControlState(bControlKey));
  m_pReportControl->CleanSelectionGroupRows();
}

BOOL CTKReportNavigator::IsHeaderRowsReachable() const {
  CTKReportSection* s = m_pReportControl->GetSection(kTKReportSectionHeader);
  return s && s->IsVisible() && s->IsAllowAccess() && s->GetRows()->GetCount() > 0;
}

BOOL CTKReportNavigator::IsFooterRowsReachable() const {
  CTKReportSection* s = m_pReportControl->GetSection(kTKReportSectionFooter);
  return s && s->IsVisible() && s->IsAllowAccess() && s->GetRows()->GetCount() > 0;
}

void CTKReportNavigator::MoveDown(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  const BOOL skip = m_pReportControl->IsSkipGroupsFocusEnabled();
  switch (focused->GetSectionType()) {
    case kTKReportSectionHeader: {
      CTKReportRow* next = m_pReportControl->GetHeaderRows()->GetNext(focused, skip);
      if (next && next != focused) FocusRow(next, bShiftKey, bControlKey);
      else MoveFirstVisibleRow(kTKReportSectionBody);
      break;
    }
    case kTKReportSectionFooter: {
      CTKReportRow* next = m_pReportControl->GetFooterRows()->GetNext(focused, skip);
      if (next && next != focused) FocusRow(next, bShiftKey, bControlKey);
      break;
    }
    default: {
      CTKReportRow* next = m_pReportControl->GetBodyRows()->GetNext(focused, skip);
      if (next && next != focused) FocusRow(next, bShiftKey, bControlKey);
      else if (IsFooterRowsReachable()) FocusRow(m_pReportControl->GetFooterRows()->GetAt(0), FALSE, FALSE);
      break;
    }
  }
}

void CTKReportNavigator::MoveUp(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  const BOOL skip = m_pReportControl->IsSkipGroupsFocusEnabled();
  switch (focused->GetSectionType()) {
    case kTKReportSectionHeader: {
      CTKReportRow* prev = m_pReportControl->GetHeaderRows()->GetPrev(focused, skip);
      if (prev && prev != focused) FocusRow(prev, bShiftKey, bControlKey);
      break;
    }
    case kTKReportSectionFooter: {
      CTKReportRow* prev = m_pReportControl->GetFooterRows()->GetPrev(focused, skip);
      if (prev && prev != focused) FocusRow(prev, bShiftKey, bControlKey);
      else MoveLastVisibleRow(kTKReportSectionBody);
      break;
    }
    default: {
      CTKReportRow* prev = m_pReportControl->GetBodyRows()->GetPrev(focused, skip);
      if (prev && prev != focused) {
        FocusRow(prev, bShiftKey, bControlKey);
      } else if (IsHeaderRowsReachable()) {
        for (CTKReportRow* parent = focused->GetParentRow(); parent; parent = parent->GetParentRow())
          m_pReportControl->EnsureVisible(parent);
        CTKReportRows* header = m_pReportControl->GetHeaderRows();
        FocusRow(header->GetAt(header->GetCount() - 1), FALSE, FALSE);
      }
      break;
    }
  }
}

void CTKReportNavigator::MoveLeft(BOOL, BOOL) {}

void CTKReportNavigator::MoveRight(BOOL, BOOL) {}

void CTKReportNavigator::MovePageDown(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int count = rows->GetCount();
  if (count == 0) return;
  const int current = std::max(0, rows->GetFocusedRowIndex());
  const int page = m_pReportControl->GetReportAreaRows(current, TRUE);
  if (page == 0) return;
  const int target = std::clamp(current + page, 0, count - 1);
  CTKReportRow* row = rows->GetAt(target);
  if (row && row->IsGroupRow() && m_pReportControl->IsSkipGroupsFocusEnabled()) row = rows->GetPrev(row, FALSE);
  FocusRow(row, bShiftKey, bControlKey);
}

void CTKReportNavigator::MovePageUp(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int count = rows->GetCount();
  if (count == 0) return;
  const int current = std::max(0, rows->GetFocusedRowIndex());
  const int page = m_pReportControl->GetReportAreaRows(current, FALSE);
  if (page == 0) return;
  const int target = std::clamp(current - page, 0, count - 1);
  CTKReportRow* row = rows->GetAt(target);
  if (row && row->IsGroupRow() && m_pReportControl->IsSkipGroupsFocusEnabled()) row = rows->GetNext(row, FALSE);
  FocusRow(row, bShiftKey, bControlKey);
}

void CTKReportNavigator::MoveFirstRow(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  if (rows->GetCount() == 0) return;
  CTKReportRow* first = rows->GetAt(0);
  if (first != m_pReportControl->GetFocusedRow() || rows->IsVirtualMode()) FocusRow(first, bShiftKey, bControlKey);
}

void CTKReportNavigator::MoveLastRow(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  if (rows->GetCount() == 0) return;
  CTKReportRow* last = rows->GetAt(rows->GetCount() - 1);
  if (last != m_pReportControl->GetFocusedRow() || rows->IsVirtualMode()) FocusRow(last, bShiftKey, bControlKey);
}

void CTKReportNavigator::MoveToRow(int nRowIndex, BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  if (rows->GetCount() == 0) return;
  FocusRow(rows->GetAt(std::clamp(nRowIndex, 0, rows->GetCount() - 1)), bShiftKey, bControlKey);
}

void CTKReportNavigator::MoveFirstVisibleRow(int nSectionKind) {
  if (!m_pReportControl) return;
  if (nSectionKind == kTKReportSectionBody) {
    CTKReportRows* rows = m_pReportControl->GetBodyRows();
    if (rows->GetCount() == 0) return;
    CTKReportRow* row = rows->GetAt(std::clamp(rows->GetTopRowIndex(), 0, rows->GetCount() - 1));
    if (row && row->IsGroupRow() && row->IsExpanded() && m_pReportControl->IsSkipGroupsFocusEnabled())
      row = rows->GetNext(row, TRUE);
    if (row) m_pReportControl->SetFocusedRow(row, FALSE);
  } else if (nSectionKind == kTKReportSectionHeader || nSectionKind == kTKReportSectionFooter) {
    CTKReportRows* rows = m_pReportControl->GetSection(nSectionKind)->GetRows();
    CTKReportRow* first = rows->GetAt(0);
    if (first && first != m_pReportControl->GetFocusedRow())
      m_pReportControl->SetFocusedRowEx(FALSE, first, FALSE, FALSE);
  }
  m_pReportControl->CleanSelectionGroupRows();
}

void CTKReportNavigator::MoveLastVisibleRow(int nSectionKind) {
  if (!m_pReportControl) return;
  if (nSectionKind == kTKReportSectionBody) {
    CTKReportRows* rows = m_pReportControl->GetBodyRows();
    if (rows->GetCount() == 0) return;
    const int top = std::max(0, rows->GetTopRowIndex());
    const int page = m_pReportControl->GetReportAreaRows(top, TRUE);
    CTKReportRow* row = rows->GetAt(std::clamp(top + std::max(0, page - 1), 0, rows->GetCount() - 1));
    if (row) m_pReportControl->SetFocusedRow(row, FALSE);
  } else if (nSectionKind == kTKReportSectionHeader || nSectionKind == kTKReportSectionFooter) {
    CTKReportRows* rows = m_pReportControl->GetSection(nSectionKind)->GetRows();
    CTKReportRow* last = rows->GetAt(rows->GetCount() - 1);
    if (last && last != m_pReportControl->GetFocusedRow()) m_pReportControl->SetFocusedRowEx(FALSE, last, FALSE, FALSE);
  }
  m_pReportControl->CleanSelectionGroupRows();
}

namespace {

void MoveToSectionRows(CTKReportNavigator* navigator, CTKReportControl* control, int kind, int other, BOOL enable) {
  CTKReportSection* section = control->GetSection(kind);
  if (section->IsAllowAccess() && section->IsVisible() && enable) {
    CTKReportRow* first = section->GetRows()->GetAt(0);
    if (first) control->SetFocusedRowEx(FALSE, first, FALSE, FALSE);
    return;
  }
  CTKReportRow* focused = control->GetFocusedRow();
  if ((focused && focused->GetSectionType() == other) || !section->IsVisible()) return;
  navigator->MoveFirstVisibleRow(kTKReportSectionBody);
}

}  // namespace

void CTKReportNavigator::MoveToHeaderRows(BOOL bEnable) {
  if (m_pReportControl)
    MoveToSectionRows(this, m_pReportControl, kTKReportSectionHeader, kTKReportSectionFooter, bEnable);
}

void CTKReportNavigator::MoveToFooterRows(BOOL bEnable) {
  if (m_pReportControl)
    MoveToSectionRows(this, m_pReportControl, kTKReportSectionFooter, kTKReportSectionHeader, bEnable);
}

void CTKReportNavigator::MoveColumn(BOOL bBack, BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  CTKReportControl* control = m_pReportControl;
  control->BeginUpdate();
  const int step = bBack ? -1 : 1;
  CTKReportColumn* current = control->GetFocusedColumn();
  const int start = current ? current->GetVisibleIndex() + step : (bBack ? -1 : 0);
  CTKReportColumn* next = start >= 0 ? control->GetNextFocusableColumn(focused, start, step) : nullptr;
  if (next) {
    control->SetFocusedColumn(next);
  } else {
    CTKReportRows* rows = focused->GetSection() ? focused->GetSection()->GetRows() : control->GetBodyRows();
    CTKReportRow* row = bBack ? rows->GetPrev(focused, FALSE) : rows->GetNext(focused, FALSE);
    if (row && row != focused) {
      control->SetFocusedRowShift(row, bShiftKey, ControlState(bControlKey));
      const int count = control->GetColumns()->GetVisibleColumnsCount();
      CTKReportColumn* wrapped =
          bBack ? control->GetNextFocusableColumn(row, count - 1, -1) : control->GetNextFocusableColumn(row, 0, 1);
      if (wrapped) control->SetFocusedColumn(wrapped);
      if (row->IsGroupRow() && control->IsSkipGroupsFocusEnabled()) row->SetSelected(FALSE);
    }
  }
  control->EndUpdate();
}

void CTKReportNavigator::BeginEdit() {
  if (!m_pReportControl) return;
  CTKReportControl* control = m_pReportControl;
  if (!control->IsIconView()) {
    control->AdjustScrollBars();
    control->RedrawControl();
    if (control->m_hWnd) control->UpdateWindow();
  }
  CTKReportRow* row = control->GetFocusedRow();
  CTKReportColumn* column = control->GetFocusedColumn();
  if (!row || !column || !row->GetRecord()) return;
  TK_REPORTRECORDITEM_ARGS args(control, row, column);
  if (!args.pItem || !args.pItem->IsAllowEdit(&args)) return;
  control->EnsureVisible(row);
  control->EditItem(&args);
}

// ---- icon view ---------------------------------------------------------------------------------

void CTKReportIconNavigator::BeginEdit() {
  if (!m_pReportControl) return;
  CTKReportControl* control = m_pReportControl;
  CTKReportRow* row = control->GetFocusedRow();
  CTKReportColumn* column = control->GetColumns()->Find(control->GetIconViewColumn());
  if (!row || !column || !row->GetRecord()) return;
  TK_REPORTRECORDITEM_ARGS args(control, row, column);
  if (args.pItem && args.pItem->IsAllowEdit(&args)) control->EditItem(&args);
}

void CTKReportIconNavigator::MoveDown(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int perLine = m_pReportControl->GetIconViewColumnsCount();
  const int position = focused->GetIndex() % perLine;
  CTKReportRow* row = focused;
  for (;;) {
    CTKReportRow* next = rows->GetNext(row, FALSE);
    if (!next || next == row || next->GetIndex() <= row->GetIndex()) break;
    row = next;
    if (row->GetIndex() % perLine == position) {
      FocusRow(row, bShiftKey, bControlKey);
      return;
    }
  }
  if (IsFooterRowsReachable()) FocusRow(m_pReportControl->GetFooterRows()->GetAt(0), FALSE, FALSE);
}

void CTKReportIconNavigator::MoveUp(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int perLine = m_pReportControl->GetIconViewColumnsCount();
  const int position = focused->GetIndex() % perLine;
  CTKReportRow* row = focused;
  for (;;) {
    CTKReportRow* prev = rows->GetPrev(row, FALSE);
    if (!prev || prev == row || prev->GetIndex() >= row->GetIndex()) break;
    row = prev;
    if (row->GetIndex() % perLine == position) {
      FocusRow(row, bShiftKey, bControlKey);
      return;
    }
  }
  if (IsHeaderRowsReachable()) {
    CTKReportRows* header = m_pReportControl->GetHeaderRows();
    FocusRow(header->GetAt(header->GetCount() - 1), FALSE, FALSE);
  }
}

void CTKReportIconNavigator::MoveRight(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  CTKReportRow* next = m_pReportControl->GetBodyRows()->GetNext(focused, FALSE);
  if (next && next != focused) FocusRow(next, bShiftKey, bControlKey);
  else if (IsFooterRowsReachable()) FocusRow(m_pReportControl->GetFooterRows()->GetAt(0), FALSE, FALSE);
}

void CTKReportIconNavigator::MoveLeft(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRow* focused = m_pReportControl->GetFocusedRow();
  if (!focused) return;
  CTKReportRow* prev = m_pReportControl->GetBodyRows()->GetPrev(focused, FALSE);
  if (prev && prev != focused) {
    FocusRow(prev, bShiftKey, bControlKey);
  } else if (IsHeaderRowsReachable()) {
    CTKReportRows* header = m_pReportControl->GetHeaderRows();
    FocusRow(header->GetAt(header->GetCount() - 1), FALSE, FALSE);
  }
}

void CTKReportIconNavigator::MovePageDown(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int count = rows->GetCount();
  if (count == 0) return;
  const int perLine = m_pReportControl->GetIconViewColumnsCount();
  const int current = std::max(0, rows->GetFocusedRowIndex());
  const int lineStart = current - current % perLine;
  int target = std::min(count - 1, lineStart + m_pReportControl->GetReportAreaRows(current, TRUE));
  while (target > current && target % perLine != current % perLine) --target;
  if (target == current) MoveLastRow(bShiftKey, bControlKey);
  else FocusRow(rows->GetAt(target), bShiftKey, bControlKey);
}

void CTKReportIconNavigator::MovePageUp(BOOL bShiftKey, BOOL bControlKey) {
  if (!m_pReportControl) return;
  CTKReportRows* rows = m_pReportControl->GetBodyRows();
  const int count = rows->GetCount();
  if (count == 0) return;
  const int perLine = m_pReportControl->GetIconViewColumnsCount();
  const int current = std::max(0, rows->GetFocusedRowIndex());
  const int lineStart = current - current % perLine;
  int target = std::max(0, lineStart - m_pReportControl->GetReportAreaRows(current, FALSE));
  while (target < current && target % perLine != current % perLine) ++target;
  if (target == current) MoveFirstRow(bShiftKey, bControlKey);
  else FocusRow(rows->GetAt(target), bShiftKey, bControlKey);
}

void CTKReportIconNavigator::MoveColumn(BOOL bBack, BOOL bShiftKey, BOOL bControlKey) {
  if (bBack) MoveLeft(bShiftKey, ControlState(bControlKey));
  else MoveRight(bShiftKey, ControlState(bControlKey));
}
