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
void CTKReportControl::SetIconView(BOOL bIconView) {  // layout: switches the navigator only
  if (bIconView && m_nIconColumnIndex < 0) return;
  m_bIconView = bIconView;
  m_pNavigator = bIconView ? static_cast<CTKReportNavigator*>(m_pIconNavigator) : m_pRowNavigator;
}




// ---- drawing ----
void CTKReportControl::DrawIconView(CDC*, CRect&) {}  // drawing

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
void CTKReportControl::OnTimer(UINT_PTR) { Default(); }  // input
void CTKReportControl::OnSetFocus(CWnd*) { RedrawControl(); }  // input
void CTKReportControl::OnKillFocus(CWnd*) { RedrawControl(); }  // input
void CTKReportControl::OnMouseMove(UINT, CPoint) { Default(); }  // input
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
void CTKReportControl::OnCaptureChanged(CWnd*) { Default(); }  // input
void CTKReportControl::OnSysColorChange() { RedrawControl(); }  // drawing
UINT CTKReportControl::OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTCHARS; }  // input
void CTKReportControl::OnStyleChanged(int, LPSTYLESTRUCT) { Default(); RedrawControl(); }  // drawing
LRESULT CTKReportControl::OnGetObject(WPARAM, LPARAM) { return Default(); }  // accessibility
void CTKReportControl::OnMouseLeave() { Default(); }  // input
