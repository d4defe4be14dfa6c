// The toolkit's tree control: the framework's tree control with the
// toolkit's tree behaviour (CTKTreeBase) as its second base. The window's
// messages reach the behaviour through CTKTreeCtrlBase's message map.
#pragma once

#include "platform/framework/afxmsg.h"
#include "toolkit/controls/treebase.h"

class CTKTreeCtrlBase : public CTreeCtrl, public CTKTreeBase {
  DECLARE_DYNAMIC(CTKTreeCtrlBase)
 public:
  CTKTreeCtrlBase();
  ~CTKTreeCtrlBase() override;

  // The toolkit's walking and colours rather than the native wrappers'.
  using CTKTreeBase::GetNextItem;
  using CTKTreeBase::GetTextColor;

 protected:
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnNcMouseMove(UINT nHitTest, CPoint point);
  void OnTimer(UINT_PTR nIDEvent);
  void OnSetFocus(CWnd* pOldWnd);
  void OnKillFocus(CWnd* pNewWnd);
  void OnSize(UINT nType, int cx, int cy);
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  BOOL OnBeginLabelEdit(NMHDR* pNMHDR, LRESULT* pResult);
  BOOL OnEndLabelEdit(NMHDR* pNMHDR, LRESULT* pResult);
  BOOL OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult);
  BOOL OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult);

  // Set until the control creates its own window (PreCreateWindow clears it):
  // then the initialisation hook runs when a window is attached instead.
  BYTE m_bInitOnSubclass = TRUE;

  DECLARE_MESSAGE_MAP()
};

class CTKTreeCtrl : public CTKTreeCtrlBase {
  DECLARE_DYNAMIC(CTKTreeCtrl)
 public:
  CTKTreeCtrl();
  ~CTKTreeCtrl() override;

  // The caret pseudo-bit TVIS_FOCUSED and the emulated multiple selection.
  virtual UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const;
  virtual BOOL SelectItem(HTREEITEM hItem);
  virtual BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask);

  // Both bases' slots: Enter toggles the caret's expansion, keys go
  // straight to an open label editor, else the framework's handling.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 protected:
  void PreSubclassWindow() override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
};
