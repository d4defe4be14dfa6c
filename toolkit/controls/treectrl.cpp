#include "toolkit/controls/treectrl.h"

#include "platform/framework/afxmsg.h"

IMPLEMENT_DYNAMIC(CTKTreeCtrlBase, CTreeCtrl)
IMPLEMENT_DYNAMIC(CTKTreeCtrl, CTKTreeCtrlBase)

BEGIN_MESSAGE_MAP(CTKTreeCtrlBase, CTreeCtrl)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_RBUTTONDOWN()
ON_WM_KEYDOWN()
ON_WM_MOUSEMOVE()
ON_WM_NCMOUSEMOVE()
ON_WM_TIMER()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_SIZE()
ON_NOTIFY_REFLECT_EX(TVN_BEGINLABELEDIT, OnBeginLabelEdit)
ON_NOTIFY_REFLECT_EX(TVN_ENDLABELEDIT, OnEndLabelEdit)
ON_NOTIFY_REFLECT_EX(TVN_DELETEITEM, OnDeleteItem)
ON_NOTIFY_REFLECT_EX(TVN_ITEMEXPANDING, OnItemExpanding)
END_MESSAGE_MAP()

CTKTreeCtrlBase::CTKTreeCtrlBase() { m_pTree = this; }
CTKTreeCtrlBase::~CTKTreeCtrlBase() = default;

int CTKTreeCtrlBase::OnCreate(LPCREATESTRUCT) {
  auto result = static_cast<int>(Default());
  if (result != -1) IsWindowValid();
  return result;
}

// The window going deletes every item: their styles go all at once
// afterwards rather than one by one as each item is reported.
void CTKTreeCtrlBase::OnDestroy() {
  m_bForgettingAll = TRUE;
  Default();
  m_bForgettingAll = FALSE;
  ForgetAllItems();
}

void CTKTreeCtrlBase::OnPaint() {
  CPaintDC dc(this);
  m_bWholeInvalid = FALSE;  // validated: the next change asks for a repaint again
  DoPaint(dc, TRUE);
}

BOOL CTKTreeCtrlBase::OnEraseBkgnd(CDC*) { return TRUE; }

void CTKTreeCtrlBase::OnLButtonDown(UINT nFlags, CPoint point) {
  if (!m_bMultiSelect) {
    Default();
    return;
  }
  UINT hit = 0;
  HTREEITEM hItem = HitTest(point, &hit);
  if (hItem && (hit & (TVHT_ONITEMBUTTON | TVHT_ONITEMSTATEICON))) {
    Default();
    return;
  }
  if (IsEditLabels()) {
    const bool plain = !(nFlags & (MK_SHIFT | MK_CONTROL));
    if (plain && hItem && (hit & TVHT_ONITEMLABEL) && hItem == GetSelectedItem() && m_bLastClickOnItem) {
      // A second click on the caret's label: the native control edits it.
      SelectAllVisible(FALSE);
      CTKTreeBase::SelectItem(hItem);
      Default();
      return;
    }
    m_bLastClickOnItem = hItem && (hit & TVHT_ONITEM);
  }
  OnButtonDown(TRUE, nFlags, point);
}

void CTKTreeCtrlBase::OnRButtonDown(UINT, CPoint point) {
  if (m_bMultiSelect && !(GetStyle() & TVS_SINGLEEXPAND)) {
    UINT hit = 0;
    HTREEITEM hItem = HitTest(point, &hit);
    if (!hItem || !(hit & TVHT_ONITEM)) {
      SelectAllVisible(FALSE);
    } else if (!IsNativeSelected(hItem)) {
      SelectAllVisible(FALSE);
      CTKTreeBase::SelectItem(hItem);
    }
  }
  Default();
}

void CTKTreeCtrlBase::OnKeyDown(UINT nChar, UINT, UINT) {
  if (!m_bMultiSelect) {
    Default();
    return;
  }
  HandleKeyDown(nChar);
}

void CTKTreeCtrlBase::OnMouseMove(UINT, CPoint point) {
  HandleMouseMove(point);
  Default();
}

void CTKTreeCtrlBase::OnNcMouseMove(UINT, CPoint) {
  HandleNcMouseMove();
  Default();
}

void CTKTreeCtrlBase::OnTimer(UINT_PTR nIDEvent) {
  if (!HandleHotTimer(nIDEvent)) Default();
}

void CTKTreeCtrlBase::OnSetFocus(CWnd*) {
  if (m_bMultiSelect) InvalidateSelectedLabels();
  Default();
}

void CTKTreeCtrlBase::OnKillFocus(CWnd*) {
  Default();
  if (m_bMultiSelect && IsWindowValid()) InvalidateSelectedLabels();
}

void CTKTreeCtrlBase::OnSize(UINT, int, int) {
  Default();
  auto edit = reinterpret_cast<HWND>(SendMessage(TVM_GETEDITCONTROL));
  if (!edit || !m_hEditItem) return;
  // The editor keeps its size and follows its label.
  CRect label;
  if (GetItemRect(m_hEditItem, &label, TRUE))
    ::SetWindowPos(edit, nullptr, label.left - 3, label.top - 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CTKTreeCtrlBase::OnBeginLabelEdit(NMHDR* pNMHDR, LRESULT* pResult) {
  m_hEditItem = reinterpret_cast<NMTVDISPINFOW*>(pNMHDR)->item.hItem;
  *pResult = 0;
  return FALSE;
}

BOOL CTKTreeCtrlBase::OnEndLabelEdit(NMHDR*, LRESULT* pResult) {
  m_hEditItem = nullptr;
  *pResult = 0;
  return FALSE;
}

BOOL CTKTreeCtrlBase::OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult) {
  ForgetItem(reinterpret_cast<NMTREEVIEWW*>(pNMHDR)->itemOld.hItem);
  *pResult = 0;
  return FALSE;
}

BOOL CTKTreeCtrlBase::OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult) {
  auto* nm = reinterpret_cast<NMTREEVIEWW*>(pNMHDR);
  if ((nm->action & 0x3) == TVE_COLLAPSE || (nm->action & TVE_COLLAPSERESET)) HandleCollapse(nm->itemNew.hItem);
  *pResult = 0;
  return FALSE;
}

CTKTreeCtrl::CTKTreeCtrl() = default;
CTKTreeCtrl::~CTKTreeCtrl() = default;

UINT CTKTreeCtrl::GetItemState(HTREEITEM hItem, UINT nStateMask) const {
  return CTKTreeBase::GetItemState(hItem, nStateMask);
}

BOOL CTKTreeCtrl::SelectItem(HTREEITEM hItem) { return CTKTreeBase::SelectItem(hItem); }

BOOL CTKTreeCtrl::SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
  return CTKTreeBase::SetItemState(hItem, nState, nStateMask);
}

BOOL CTKTreeCtrl::PreTranslateMessage(MSG* pMsg) {
  if (CTKTreeBase::PreTranslateMessage(pMsg)) return TRUE;
  return CTreeCtrl::PreTranslateMessage(pMsg);
}

BOOL CTKTreeCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  CTKTreeBase::OnNotify(wParam, lParam, pResult);
  return CTreeCtrl::OnNotify(wParam, lParam, pResult);
}

void CTKTreeCtrl::PreSubclassWindow() {
  CTreeCtrl::PreSubclassWindow();
  if (m_bInitOnSubclass) IsWindowValid();
}

BOOL CTKTreeCtrl::PreCreateWindow(CREATESTRUCT& cs) {
  m_bInitOnSubclass = FALSE;
  return CTreeCtrl::PreCreateWindow(cs);
}
