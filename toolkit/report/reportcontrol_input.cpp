// The report control's mouse, focus, timers and in-place editing: clicks
// dispatched through the behaviour settings, the delayed edit, record
// dragging and auto-scrolling, and the edit of one cell at a time.
#include <algorithm>
#include <cstdlib>

#include "toolkit/report/reportbehavior.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportinplacelist.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportselectedrows.h"
#include "toolkit/report/reporttip.h"

namespace {
constexpr UINT_PTR kAutoScrollTimer = 7;
constexpr UINT_PTR kDelayEditTimer = 20;
constexpr UINT_PTR kDelayEditMaxTimer = 10;
constexpr UINT kDelayEditMaxInterval = 3000;
constexpr int kAutoScrollBand = 20;
constexpr int kDragThreshold = 3;

int AllRowsIndex(CTKReportControl* control, CTKReportRow* row) { return row ? row->GetIndex() : -1; }
}  // namespace

// ---- hit testing and focus --------------------------------------------------------------------------

CTKReportRow* CTKReportControl::HitTestRow(POINT pt) const {
  CTKReportSection* section = m_pSections ? m_pSections->HitTest(pt) : nullptr;
  if (!section || !section->GetRows()) return nullptr;
  CTKReportScreenRows* screen = section->GetRows()->GetScreenRows();
  return screen ? screen->HitTest(pt) : nullptr;
}

BOOL CTKReportControl::IsFocusInside() const {
  if (!m_hWnd) return FALSE;
  HWND focus = ::GetFocus();
  if (!focus) return FALSE;
  if (focus == m_hWnd || ::GetParent(focus) == m_hWnd) return TRUE;
  HWND owner = ::GetWindow(focus, GW_OWNER);
  return owner == m_hWnd;
}

BOOL CTKReportControl::SetFocusedColumn(CTKReportColumn* pColumn) {
  if (m_pFocusedColumn == pColumn) return TRUE;
  if (m_bFocusSubItems && pColumn && !OnFocusChanging(nullptr, pColumn)) return FALSE;
  m_pFocusedColumn = pColumn;
  if (m_bFocusSubItems && pColumn) {
    EnsureColumnVisible(pColumn);
    OnSelectionChanged();
  }
  return TRUE;
}

void CTKReportControl::OnSetFocus(CWnd*) {
  Default();
  RedrawControl();
}

void CTKReportControl::OnKillFocus(CWnd*) {
  Default();
  StopAutoScrollTimer();
  RedrawControl();
}

UINT CTKReportControl::OnGetDlgCode() { return m_bFocusSubItems ? 0x83u : 0x81u; }

// ---- editing --------------------------------------------------------------------------------------

BOOL CTKReportControl::IsEditMode() {
  if (!m_pActiveItemArgs) return FALSE;
  if (m_pInplaceEdit && m_pInplaceEdit->m_hWnd && ::IsWindowVisible(m_pInplaceEdit->m_hWnd)) return TRUE;
  // An item edited with buttons only (no text box) is in edit mode too.
  for (INT_PTR i = 0; m_pInplaceButtons && i < m_pInplaceButtons->GetSize(); ++i) {
    CTKReportInplaceButton* button = m_pInplaceButtons->GetAt(i);
    if (button->m_hWnd && ::IsWindowVisible(button->m_hWnd)) return TRUE;
  }
  return FALSE;
}

BOOL CTKReportControl::EditItem(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  if (m_pActiveItemArgs) {
    TK_REPORTRECORDITEM_ARGS* active = m_pActiveItemArgs;
    m_pActiveItemArgs = nullptr;
    if (active->pItem) active->pItem->OnEndEdit(this, TRUE);
    active->ReleaseReferences();
    delete active;
    if (!m_bFocusSubItems) m_pFocusedColumn = nullptr;
  }
  if (m_pEditRow) TKReleaseHeld(m_pEditRow);
  if (!pItemArgs || !pItemArgs->pRow || !pItemArgs->pItem) return FALSE;

  TK_REPORTRECORDITEM_ARGS args(*pItemArgs);
  args.pControl = this;
  if (m_hWnd && !IsFocusInside()) SetFocus();
  if (IsVirtualMode()) {
    RedrawControl();
    UpdateWindow();
    const int index = args.pRow->GetIndex();
    CTKReportScreenRows* screen = m_pSectionBody->GetRows()->GetScreenRows();
    CTKReportRow* held = nullptr;
    for (INT_PTR i = 0; screen && i < screen->GetSize(); ++i)
      if (screen->GetAt(i) && screen->GetAt(i)->GetIndex() == index) held = screen->GetAt(i);
    if (held) {
      held->InternalAddRef();
      m_pEditRow = held;
      args.pRow = held;
    }
  } else if (args.pRow != GetFocusedRow()) {
    SetFocusedRow(args.pRow, FALSE);
    if (m_hWnd) UpdateWindow();
  }

  CRect rc = args.pRow->GetItemRect(args.pItem);
  if (rc.left == 0 && m_pReportHeader) rc.left += m_pReportHeader->GetIndentLevel();
  if (m_bEditAfterIcon && args.pColumn && m_pPaintManager) {
    // The editor starts after the cell's icon (ends before it when the item
    // puts its icon at the right).
    TK_REPORTRECORDITEM_DRAWARGS draw;
    draw.pControl = this;
    draw.pRow = args.pRow;
    draw.pColumn = args.pColumn;
    draw.pItem = args.pItem;
    draw.rcItem = rc;
    draw.nTextAlign = args.pColumn->GetAlignment();
    auto* metrics = new TK_REPORTRECORDITEM_METRICS;
    args.pRow->GetItemMetrics(&draw, metrics);
    const int icon = metrics->nItemIcon != -1 ? metrics->nItemIcon : args.pItem->GetIconIndex();
    metrics->InternalRelease();
    const int width = icon != -1 ? m_pPaintManager->DrawBitmap(nullptr, this, rc, icon) : 0;
    const int alignment = args.pItem->GetAlignment();
    if (alignment != -1 && (alignment & kTKAlignIconRight)) rc.right -= width;
    else rc.left += width;
  }
  if (args.pItem->HasCheckbox() && args.pItem->GetEditTextWithCheckbox()) rc.left += 15;
  args.rcItem = rc;

  if (!SetFocusedColumn(args.pColumn)) return FALSE;
  m_pActiveItemArgs = new TK_REPORTRECORDITEM_ARGS(args);
  m_pActiveItemArgs->AddReferences();
  args.pItem->OnBeginEdit(m_pActiveItemArgs);
  if (!IsEditMode()) {
    EditItem(nullptr);
    return FALSE;
  }
  if (m_pInplaceEdit && m_pInplaceEdit->m_hWnd && m_pInplaceEdit->pItem == args.pItem) {
    CTKReportRecordItemEditOptions* options = args.pItem->GetEditOptions(args.pColumn);
    if (options && options->m_bSelectTextOnEdit) {
      m_pInplaceEdit->SendMessage(EM_SETSEL, 0, -1);
    } else {
      const int length = m_pInplaceEdit->GetWindowTextLength();
      m_pInplaceEdit->SendMessage(EM_SETSEL, length, length);
    }
    m_pInplaceEdit->SendMessage(EM_SCROLLCARET);
  }
  RedrawControl();
  return TRUE;
}

// ---- timers -----------------------------------------------------------------------------------------

void CTKReportControl::StartDelayEditTimer() {
  if (!m_hWnd || m_uiDelayEditTimer) return;
  m_uiDelayEditTimer = SetTimer(kDelayEditTimer, m_uDelayEditTimerInterval, nullptr);
}

void CTKReportControl::KillDelayEditMaxTimer(BOOL bForgetCell) {
  if (m_uiDelayEditMaxTimer && m_hWnd) KillTimer(kDelayEditMaxTimer);
  m_uiDelayEditMaxTimer = 0;
  if (bForgetCell) {
    m_iLastRqstEditRow = -1;
    m_iLastRqstEditCol = -1;
  }
}

void CTKReportControl::OnDelayEditClick(int nRowIndex, int nColumnIndex) {
  if (nRowIndex == m_iLastRqstEditRow && nColumnIndex == m_iLastRqstEditCol) {
    KillDelayEditMaxTimer(FALSE);
    StartDelayEditTimer();
  } else {
    KillDelayEditMaxTimer(TRUE);
    m_iLastRqstEditRow = nRowIndex;
    m_iLastRqstEditCol = nColumnIndex;
  }
}

void CTKReportControl::StartAutoScrollTimer() {
  if (!m_hWnd || m_uAutoScrollTimerID) return;
  m_uAutoScrollTimerID = SetTimer(kAutoScrollTimer, static_cast<UINT>(m_nAutoScrollTimerInterval), nullptr);
}

void CTKReportControl::StopAutoScrollTimer() {
  if (m_uAutoScrollTimerID && m_hWnd) KillTimer(kAutoScrollTimer);
  m_uAutoScrollTimerID = 0;
}

void CTKReportControl::DoAutoScroll(int nStartX, int nStartY, int nX, int nY) {
  (void)nStartX;
  (void)nX;
  CTKReportScreenRows* screen = m_pSectionBody->GetRows()->GetScreenRows();
  if (!screen || screen->GetSize() == 0) {
    StopAutoScrollTimer();
    return;
  }
  const CRect body = m_pSectionBody->GetRect();
  const BOOL dragging = m_nDropPos != -1 || m_bDropAccept;
  int direction = 0;
  if (nY >= body.bottom - kAutoScrollBand && nY <= body.bottom) direction = 1;
  else if (nY <= body.top + kAutoScrollBand && nY >= body.top) direction = -1;
  if (dragging && direction == 1 && nY <= nStartY + 2) direction = 0;
  if (dragging && direction == -1 && nY >= nStartY - 2) direction = 0;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(SB_VERT, &si);
  const BOOL canUp = si.nPos > 0;
  const BOOL canDown = si.nPos + static_cast<int>(si.nPage) - 1 < si.nMax;
  if ((direction == -1 && canUp) || (direction == 1 && canDown)) {
    const int step = m_nVScrollStep;
    m_nVScrollStep = step * 2;
    OnVScroll(direction == 1 ? SB_LINEDOWN : SB_LINEUP, 0, nullptr);
    m_nVScrollStep = step;
    StartAutoScrollTimer();
    return;
  }
  StopAutoScrollTimer();
}

void CTKReportControl::OnTimer(UINT_PTR nIDEvent) {
  switch (nIDEvent) {
    case kAutoScrollTimer: {
      CPoint cursor;
      ::GetCursorPos(&cursor);
      ScreenToClient(&cursor);
      // The timer is restarted by the scroll when it goes on.
      StopAutoScrollTimer();
      DoAutoScroll(m_pointDrag.x, m_pointDrag.y, cursor.x, cursor.y);
      return;
    }
    case kDelayEditTimer: {
      KillTimer(kDelayEditTimer);
      m_uiDelayEditTimer = 0;
      CTKReportRows* rows = GetBodyRows();
      if (m_iLastRqstEditRow >= 0 && m_iLastRqstEditRow < rows->GetCount() && m_bEditOnDelayClick) {
        CTKReportRow* row = rows->GetAt(m_iLastRqstEditRow);
        CTKReportColumn* column = m_pColumns->Find(m_iLastRqstEditCol);
        if (row && column) {
          TK_REPORTRECORDITEM_ARGS args(this, row, column);
          EditItem(&args);
        }
        KillDelayEditMaxTimer(FALSE);
        m_uiDelayEditMaxTimer = SetTimer(kDelayEditMaxTimer, kDelayEditMaxInterval, nullptr);
      }
      return;
    }
    case kDelayEditMaxTimer:
      KillDelayEditMaxTimer(TRUE);
      return;
    default:
      Default();
      return;
  }
}

// ---- mouse ------------------------------------------------------------------------------------------

void CTKReportControl::OnMouseButtonEvent(int nButton, int nEvent, UINT nFlags, CPoint point) {
  (void)nFlags;
  CTKReportBehaviorRowMouseButton* settings = m_pBehavior ? m_pBehavior->GetRowButton(nButton, nEvent) : nullptr;
  const BOOL control = ::GetKeyState(VK_CONTROL) < 0 || m_bMultiSelectionMode;
  const BOOL shift = ::GetKeyState(VK_SHIFT) < 0;
  if (nEvent == 0) {
    m_pointMouse = point;
    m_bWasControlKey = control;
    m_bWasShiftKey = shift;
  }
  CTKReportRow* focused = GetFocusedRow();
  const int focusedIndex = AllRowsIndex(this, focused);
  if (nEvent == 0) {
    if (m_hWnd && ::GetFocus() != m_hWnd) SetFocus();
    EditItem(nullptr);
  }
  if (nButton == 1 && m_pReportHeader) {
    if (nEvent == 0) m_pReportHeader->OnLButtonDown(point);
    else m_pReportHeader->OnLButtonUp(nFlags, point);
  }

  CTKReportRow* row = HitTestRow(point);
  if (row) row->InternalAddRef();
  BOOL handled = FALSE;
  TK_REPORTRECORDITEM_CLICKARGS click;
  if (row) {
    click.pControl = this;
    click.pRow = row;
    CRect rcItem;
    CTKReportColumn* column = nullptr;
    click.pItem = row->HitTest(point, &rcItem, &column);
    click.pColumn = column;
    click.rcItem = rcItem;
    click.ptClient = point;
    if (nButton == 1) {
      const BOOL answered = nEvent == 0 ? row->OnLButtonDown(&click) : row->OnLButtonUp(&click);
      handled = answered && row->GetSection() && row->GetSection()->IsAllowAccess();
    }
  }
  if (!handled && settings) {
    if (row) {
      BeginUpdate();
      if (settings->bStartDrag) {
        m_pointDrag = point;
        m_bPrepareDrag = TRUE;
      }
      if (settings->bStopDrag) {
        m_bPrepareDrag = FALSE;
        StopAutoScrollTimer();
      }
      const BOOL selected = row->IsSelected();
      // Ctrl alone toggles the clicked row, selected or not (as Windows lists do).
      const BOOL toggling = control && !shift && m_bMultipleSelection;
      const BOOL keepSelection = (selected && settings->bKeepSelectionIfSelected && !toggling) ||
                                 ((m_bWasControlKey || m_bWasShiftKey) && settings->bKeepSelectionIfModifierAtDown) ||
                                 ((control || shift) && settings->bKeepSelectionIfModifier);
      const BOOL keepFocus = (selected && settings->bKeepFocusIfSelected) ||
                             ((m_bWasControlKey || m_bWasShiftKey) && settings->bKeepFocusIfModifierAtDown) ||
                             ((control || shift) && settings->bKeepFocusIfModifier);
      if (settings->bFocusColumn && m_bFocusSubItems && !keepFocus) {
        SetFocusedColumn(click.pItem && click.pItem->IsFocusable() ? click.pColumn : nullptr);
      }
      if ((settings->bFocusRow || settings->bFocusRowTemporarily) && !keepFocus) SetFocusedRowCore(row);
      if (settings->bSelectRow && !keepSelection) {
        UpdateSelectionForFocus(row, focusedIndex, shift, control);
        if (m_pSectionBody->IsAllowSelection() && m_bMultipleSelection && !shift && control)
          m_pSelectedRows->Invert(row);
      }
      if (settings->bMakeRowVisible) EnsureVisible(row);
      if (settings->bClick) {
        row->OnClick(point);
        if (settings->bCheckSelectedRows && click.pItem) {
          const int itemIndex = click.pItem->GetIndex();
          const int state = click.pItem->GetCheckedState();
          for (int pos = m_pSelectedRows->GetFirstSelectedRowPosition(); pos > 0;) {
            CTKReportRow* selectedRow = m_pSelectedRows->GetNextSelectedRow(pos);
            CTKReportRecord* record = selectedRow ? selectedRow->GetRecord() : nullptr;
            CTKReportRecordItem* item = record ? record->GetItem(itemIndex) : nullptr;
            if (item && item->HasCheckbox()) item->SetCheckedState(state);
          }
        }
      }
      EndUpdate();
    } else if (m_bBlockSelection && !control && !shift) {
      m_pSelectedRows->Clear(TRUE);
    }
    if (settings->bContextMenu && m_pSections && m_pSections->HitTest(point)) {
      if (row) {
        row->OnContextMenu(point);
      } else {
        POINT pt = point;
        SendItemNotify(nullptr, nullptr, nullptr, TK_NM_REPORT_RCLICK, &pt);
      }
    }
    if (settings->bFocusRowTemporarily && focusedIndex >= 0 && focused && focused->GetSection()) {
      BeginUpdate();
      CTKReportRows* rows = focused->GetSection()->GetRows();
      if (focusedIndex < rows->GetCount()) SetFocusedRowCore(rows->GetAt(focusedIndex));
      EndUpdate();
    }
  }
  if (row) row->InternalRelease();
  if (m_pSelectedRows->IsChanged()) OnSelectionChanged();
}

void CTKReportControl::OnLButtonDown(UINT nFlags, CPoint point) {
  Default();
  m_nLastButtonMessage = WM_LBUTTONDOWN;
  OnMouseButtonEvent(1, 0, nFlags, point);
}

void CTKReportControl::OnLButtonUp(UINT nFlags, CPoint point) {
  Default();
  const BOOL ours = m_nLastButtonMessage == WM_LBUTTONDOWN || m_nLastButtonMessage == WM_LBUTTONDBLCLK ||
                    (m_pReportHeader && GetMouseMode() != 0);
  if (!ours) return;
  m_nLastButtonMessage = WM_LBUTTONUP;
  OnMouseButtonEvent(1, 1, nFlags, point);
}

void CTKReportControl::OnRButtonDown(UINT nFlags, CPoint point) {
  Default();
  OnMouseButtonEvent(3, 0, nFlags, point);
}

void CTKReportControl::OnRButtonUp(UINT nFlags, CPoint point) {
  Default();
  if (!m_hWnd) return;
  OnMouseButtonEvent(3, 1, nFlags, point);
}

void CTKReportControl::OnLButtonDblClk(UINT nFlags, CPoint point) {
  Default();
  m_nLastButtonMessage = WM_LBUTTONDBLCLK;
  EditItem(nullptr);
  if (m_uiDelayEditTimer && m_hWnd) KillTimer(kDelayEditTimer);
  m_uiDelayEditTimer = 0;
  m_iLastRqstEditRow = -1;
  m_iLastRqstEditCol = -1;
  if (m_pReportHeader) m_pReportHeader->OnLButtonDblClk(point);
  (void)nFlags;
  if (CTKReportRow* row = HitTestRow(point)) {
    row->InternalAddRef();
    row->OnDblClick(point);
    row->InternalRelease();
  } else {
    POINT pt = point;
    SendItemNotify(nullptr, nullptr, nullptr, TK_NM_REPORT_DBLCLK, &pt);
  }
}

void CTKReportControl::OnMouseMove(UINT nFlags, CPoint point) {
  Default();
  if (m_pReportHeader && !m_bMouseLeaving) m_pReportHeader->OnMouseMove(nFlags, point);
  CTKReportRow* hotRow = nullptr;
  int hotLink = -1;
  CTKReportRow* row = GetMouseMode() == 0 ? HitTestRow(point) : nullptr;
  if (row) {
    row->OnMouseMove(nFlags, point);
    if (CTKReportRecordItem* item = row->HitTest(point)) hotLink = item->HitTestHyperlink(point);
    if (m_bShowTooltips && !(nFlags & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && m_pTip)
      row->ShowToolTip(point, m_pTip);
    if (row->IsGroupRow() && m_pPaintManager &&
        m_pPaintManager->GetColumnStyle() == TKReportColumnStyleNumber(TKReportColumnStyle::Resource) &&
        CRect(row->GetExpandButtonRect()).PtInRect(point))
      hotRow = row;
  }
  if (row != m_pLastMouseRow && m_hWnd) {
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&tme);
    m_pLastMouseRow = row;
  }
  if (m_bPrepareDrag &&
      (std::abs(point.x - m_pointDrag.x) > kDragThreshold || std::abs(point.y - m_pointDrag.y) > kDragThreshold)) {
    m_bPrepareDrag = FALSE;
    BeginDragRecords(m_pointDrag, nFlags);
  }
  if (hotLink != m_nHotHyperlink || hotRow != m_pHotRow) {
    m_nHotHyperlink = hotLink;
    m_pHotRow = hotRow;
    RedrawControl();
  }
}

void CTKReportControl::OnMouseLeave() {
  m_pLastMouseRow = nullptr;
  // The header asks for a leave on every move it sees, and a leave asked
  // for while the pointer is over a child (the editor) arrives at once: it
  // sees the leave only while it still has a hot column to clear.
  m_bMouseLeaving = !(m_pReportHeader && m_pReportHeader->m_pHotColumn);
  OnMouseMove(0, CPoint(-1, -1));
  m_bMouseLeaving = FALSE;
}

void CTKReportControl::OnCaptureChanged(CWnd*) {
  if (m_pReportHeader && GetMouseMode() != 0) m_pReportHeader->CancelMouseMode();
  Default();
}

BOOL CTKReportControl::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  if (nHitTest == HTCLIENT && GetMouseMode() == 1 && m_pReportHeader && m_pReportHeader->m_hResizeCursor) {
    ::SetCursor(m_pReportHeader->m_hResizeCursor);
    return TRUE;
  }
  (void)pWnd;
  (void)message;
  return static_cast<BOOL>(Default());
}

void CTKReportControl::OnContextMenu(CWnd*, CPoint pos) {
  if (GetMouseMode() != 0) return;
  const BOOL keyboard = pos.x == -1 && pos.y == -1;
  CPoint client = pos;
  if (!keyboard) ScreenToClient(&client);
  if (!keyboard && (m_rcHeaderArea.PtInRect(client) || m_rcGroupByArea.PtInRect(client))) {
    if (m_pReportHeader) m_pReportHeader->OnContextMenu(client);
    return;
  }
  if (!keyboard) return;
  if (CTKReportRow* focused = GetFocusedRow()) {
    const CRect rc(focused->GetRect());
    focused->OnContextMenu(CPoint(rc.left, rc.bottom));
    return;
  }
  POINT corner = m_pSectionBody->GetRect().TopLeft();
  ClientToScreen(&corner);
  SendItemNotify(nullptr, nullptr, nullptr, TK_NM_REPORT_RCLICK, &corner);
}
