// Members of the report control whose behaviour lands with the layout and
// drawing, mouse and keyboard, clipboard, drag and drop, state, binding and
// editing work. Each body here is a minimal stand-in; the work that owns a
// member moves its body into its own file.
#include <algorithm>

#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportnavigator.h"
#include "toolkit/report/reportselectedrows.h"

// ---- layout and scrolling ----
void CTKReportControl::AdjustScrollBars() {}  // layout: no scroll bars yet
void CTKReportControl::AdjustLayout() {}  // layout: the sections keep their rectangles
CRect CTKReportControl::GetElementRect(int) const { return CRect(); }  // layout: no element rectangles yet
void CTKReportControl::SetFullColumnScrolling(BOOL bSet) { m_scrollModeH = bSet ? 1 : 2; }  // layout: mode only
void CTKReportControl::SetFreezeColumnsCount(int nCount, BOOL) { m_nFreezeColumnsCount = std::max(0, nCount); }  // layout: count only
void CTKReportControl::SetLeftOffset(int nOffset) { m_nLeftOffset = std::max(0, nOffset); }  // layout: offset only
void CTKReportControl::EnsureColumnVisible(CTKReportColumn*) {}  // layout: no horizontal scrolling yet
void CTKReportControl::SetIconView(BOOL bIconView) {  // layout: switches the navigator only
  if (bIconView && m_nIconColumnIndex < 0) return;
  m_bIconView = bIconView;
  m_pNavigator = bIconView ? static_cast<CTKReportNavigator*>(m_pIconNavigator) : m_pRowNavigator;
}

// layout: the top row of the body, clamped to its rows.
void CTKReportControl::SetTopRow(int nIndex) {
  const int count = m_pSectionBody->GetRows()->GetCount();
  m_pSectionBody->GetRows()->SetTopRowIndex(std::clamp(nIndex, 0, std::max(0, count - 1)));
  RedrawControl();
}

// layout: scrolls through the row's section when there is a window to measure with.
BOOL CTKReportControl::EnsureVisible(CTKReportRow* pRow) {
  if (!pRow) return FALSE;
  if (!m_hWnd) {
    m_nEnsureVisibleRowIdx = pRow->GetIndex();
    return FALSE;
  }
  CClientDC dc(this);
  return m_pSections->EnsureVisible(&dc, pRow);
}

// layout: rows that fit in the body section from the start row, down or up.
int CTKReportControl::GetReportAreaRows(int nStartRow, BOOL bMoveDown) {
  CTKReportRows* rows = m_pSectionBody->GetRows();
  const int available = m_pSectionBody->GetRect().Height();
  int used = 0, count = 0;
  for (int i = nStartRow; i >= 0 && i < rows->GetCount(); i += bMoveDown ? 1 : -1) {
    CTKReportRow* row = rows->GetAt(i);
    used += row ? row->GetHeight(nullptr, m_pSectionBody->GetRect().Width()) : 0;
    if (used > available) break;
    ++count;
  }
  return count;
}

int CTKReportControl::GetRowsHeight(CTKReportRows* pRows, int nTotalWidth, int nMaxHeight) {  // layout
  int height = 0;
  for (int i = 0; pRows && i < pRows->GetCount(); ++i) {
    height += pRows->GetAt(i)->GetHeight(nullptr, nTotalWidth);
    if (nMaxHeight >= 0 && height > nMaxHeight) break;
  }
  return height;
}

int CTKReportControl::GetColumnDataWidth(CTKReportColumn*) { return 0; }  // layout: measured when drawn
int CTKReportControl::GetRowsDataWidth(CDC*, CTKReportRows*, CTKReportColumn*, int, int) { return 0; }  // layout

// ---- drawing ----
void CTKReportControl::OnDraw(CDC*) {}  // drawing: nothing drawn yet
int CTKReportControl::DrawRows(CDC*, CRect&, int, CTKReportRows*, int, int, int, int* pnHeight) {  // drawing
  if (pnHeight) *pnHeight = 0;
  return 0;
}
void CTKReportControl::DrawIconView(CDC*, CRect&) {}  // drawing
void CTKReportControl::DrawNoItemsText(CDC*, CRect) {}  // drawing
void CTKReportControl::DrawDropMarker(CDC*) {}  // drawing
void CTKReportControl::DrawDropMarkerAt(CDC*, int) {}  // drawing
BOOL CTKReportControl::SetWatermarkBitmap(LPCTSTR, BYTE) { return FALSE; }  // drawing: no watermark yet
BOOL CTKReportControl::SetWatermarkBitmap(HBITMAP, BYTE) { return FALSE; }  // drawing: no watermark yet

// ---- editing ----
BOOL CTKReportControl::IsEditMode() { return FALSE; }  // editing: no in-place editors yet
BOOL CTKReportControl::EditItem(TK_REPORTRECORDITEM_ARGS*) { return FALSE; }  // editing

// ---- mouse, keyboard and focus ----
void CTKReportControl::StartAutoScrollTimer() {}  // input
void CTKReportControl::StopAutoScrollTimer() {}  // input
void CTKReportControl::DoAutoScroll(int, int, int, int) {}  // input
void CTKReportControl::RelayToolTipEvent(UINT) {}  // input
BOOL CTKReportControl::IsFocusInside() const { return m_hWnd && ::GetFocus() == m_hWnd; }  // input
INT_PTR CTKReportControl::OnToolHitTest(CPoint, TOOLINFOW*) const { return -1; }  // input
BOOL CTKReportControl::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }  // input
BOOL CTKReportControl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {  // input
  return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}
void CTKReportControl::OnKeyDown(UINT, UINT, UINT) { Default(); }  // input
void CTKReportControl::ExpandAll(BOOL) {}  // input: keyboard command
void CTKReportControl::CollapseAll() {}  // input: keyboard command
void CTKReportControl::RecalculateFormulas(BOOL) {}  // input: keyboard command

// ---- accessibility ----
HRESULT CTKReportControl::GetAccessibleChildCount(LONG* pcountChildren) {  // input
  if (!pcountChildren) return E_POINTER;
  *pcountChildren = 0;
  return S_OK;
}
HRESULT CTKReportControl::GetAccessibleName(VARIANT, BSTR*) { return E_NOTIMPL; }  // input
HRESULT CTKReportControl::GetAccessibleRole(VARIANT, VARIANT*) { return E_NOTIMPL; }  // input

// ---- window messages ----
int CTKReportControl::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CWnd::OnCreate(lpCreateStruct); }  // layout
void CTKReportControl::OnPaint() { CPaintDC dc(this); OnDraw(&dc); }  // drawing
BOOL CTKReportControl::OnEraseBkgnd(CDC*) { return TRUE; }  // drawing: nothing erased
void CTKReportControl::OnSize(UINT, int, int) { AdjustLayout(); AdjustScrollBars(); }  // layout
void CTKReportControl::OnEnable(BOOL) { AdjustScrollBars(); }  // layout
void CTKReportControl::OnTimer(UINT_PTR) { Default(); }  // input
LRESULT CTKReportControl::OnNcHitTest(CPoint) { return Default(); }  // input
void CTKReportControl::OnSetFocus(CWnd*) { RedrawControl(); }  // input
void CTKReportControl::OnKillFocus(CWnd*) { RedrawControl(); }  // input
void CTKReportControl::OnMouseMove(UINT, CPoint) { Default(); }  // input
BOOL CTKReportControl::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }  // input
void CTKReportControl::OnLButtonDown(UINT, CPoint) { Default(); }  // input
void CTKReportControl::OnLButtonUp(UINT, CPoint) { Default(); }  // input
void CTKReportControl::OnLButtonDblClk(UINT, CPoint) { Default(); }  // input
void CTKReportControl::OnRButtonDown(UINT, CPoint) { Default(); }  // input
void CTKReportControl::OnRButtonUp(UINT, CPoint) { Default(); }  // input
void CTKReportControl::OnContextMenu(CWnd*, CPoint) { Default(); }  // input
BOOL CTKReportControl::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }  // input
void CTKReportControl::OnChar(UINT, UINT, UINT) { Default(); }  // input
void CTKReportControl::OnKeyUp(UINT, UINT, UINT) {  // input: remembers Shift for range extension
  m_bShiftAtKeyUp = ::GetKeyState(VK_SHIFT) < 0;
  Default();
}
void CTKReportControl::OnSysKeyDown(UINT, UINT, UINT) { Default(); }  // input
void CTKReportControl::OnSysKeyUp(UINT, UINT, UINT) { Default(); }  // input
void CTKReportControl::OnVScroll(UINT, UINT, CScrollBar*) {}  // layout
void CTKReportControl::OnHScroll(UINT, UINT, CScrollBar*) {}  // layout
void CTKReportControl::OnCaptureChanged(CWnd*) { Default(); }  // input
void CTKReportControl::OnSysColorChange() { RedrawControl(); }  // drawing
UINT CTKReportControl::OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTCHARS; }  // input
void CTKReportControl::OnStyleChanged(int, LPSTYLESTRUCT) { Default(); RedrawControl(); }  // drawing
LRESULT CTKReportControl::OnPrintClient(WPARAM, LPARAM) { return 0; }  // drawing
LRESULT CTKReportControl::OnGetObject(WPARAM, LPARAM) { return Default(); }  // accessibility
void CTKReportControl::OnMouseLeave() { Default(); }  // input
