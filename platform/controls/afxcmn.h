// Framework wrappers of the standard controls. Create() registers the
// control classes on first use, so callers need no set-up call.
#pragma once

#include "platform/controls/commctrl.h"
#include "platform/framework/afxwnd.h"
#include "platform/gdi/imagelist.h"

namespace pv::controls {
// Creates a control of a standard class as a child of pParentWnd.
BOOL CreateControl(CWnd* self, LPCWSTR cls, DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID,
                   LPCWSTR text = u"");
}  // namespace pv::controls

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
 public:
  BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF) {
    return pv::controls::CreateControl(this, WC_STATIC, dwStyle, rect, pParentWnd, nID, lpszText);
  }
  HICON SetIcon(HICON hIcon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon))); }
  HICON GetIcon() const { return reinterpret_cast<HICON>(::SendMessage(m_hWnd, STM_GETICON, 0, 0)); }
  HBITMAP SetBitmap(HBITMAP hBitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(::SendMessage(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
 public:
  BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_BUTTON, dwStyle, rect, pParentWnd, nID, lpszCaption);
  }
  int GetCheck() const { return static_cast<int>(::SendMessage(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
  UINT GetState() const { return static_cast<UINT>(::SendMessage(m_hWnd, BM_GETSTATE, 0, 0)); }
  void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight)); }
  UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
  HBITMAP SetBitmap(HBITMAP h) { return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(h))); }
  HICON SetIcon(HICON h) { return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(h))); }
  // Owner-drawn buttons override this (called for WM_DRAWITEM reflected to the button).
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
 protected:
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_EDIT, dwStyle, rect, pParentWnd, nID);
  }
  BOOL CanUndo() const { return static_cast<BOOL>(::SendMessage(m_hWnd, EM_CANUNDO, 0, 0)); }
  BOOL Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
  void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER); }
  void Clear() { SendMessage(WM_CLEAR); }
  void Copy() { SendMessage(WM_COPY); }
  void Cut() { SendMessage(WM_CUT); }
  void Paste() { SendMessage(WM_PASTE); }
  void GetSel(int& nStartChar, int& nEndChar) const {
    DWORD a = 0, b = 0;
    ::SendMessage(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    nStartChar = static_cast<int>(a);
    nEndChar = static_cast<int>(b);
  }
  DWORD GetSel() const { return static_cast<DWORD>(::SendMessage(m_hWnd, EM_GETSEL, 0, 0)); }
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), static_cast<LPARAM>(nEndChar));
    if (!bNoScroll) SendMessage(EM_SCROLLCARET);
  }
  void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE) {
    SetSel(static_cast<short>(LOWORD(dwSelection)), static_cast<short>(HIWORD(dwSelection)), bNoScroll);
  }
  void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(lpszNewText));
  }
  void SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax); }
  void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
  UINT GetLimitText() const { return static_cast<UINT>(::SendMessage(m_hWnd, EM_GETLIMITTEXT, 0, 0)); }
  BOOL GetModify() const { return static_cast<BOOL>(::SendMessage(m_hWnd, EM_GETMODIFY, 0, 0)); }
  void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, static_cast<WPARAM>(bModified)); }
  BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly))); }
  int GetLineCount() const { return static_cast<int>(::SendMessage(m_hWnd, EM_GETLINECOUNT, 0, 0)); }
  int LineIndex(int nLine = -1) const { return static_cast<int>(::SendMessage(m_hWnd, EM_LINEINDEX, static_cast<WPARAM>(nLine), 0)); }
  int LineFromChar(int nIndex = -1) const {
    return static_cast<int>(::SendMessage(m_hWnd, EM_LINEFROMCHAR, static_cast<WPARAM>(nIndex), 0));
  }
  int LineLength(int nLine = -1) const { return static_cast<int>(::SendMessage(m_hWnd, EM_LINELENGTH, static_cast<WPARAM>(nLine), 0)); }
  int GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const {
    lpszBuffer[0] = static_cast<WCHAR>(nMaxLength);
    return static_cast<int>(::SendMessage(m_hWnd, EM_GETLINE, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
  }
  void LineScroll(int nLines, int nChars = 0) { SendMessage(EM_LINESCROLL, static_cast<WPARAM>(nChars), nLines); }
  int GetFirstVisibleLine() const { return static_cast<int>(::SendMessage(m_hWnd, EM_GETFIRSTVISIBLELINE, 0, 0)); }
  void SetMargins(UINT nLeft, UINT nRight) { SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight)); }
  DWORD GetMargins() const { return static_cast<DWORD>(::SendMessage(m_hWnd, EM_GETMARGINS, 0, 0)); }
  void SetPasswordChar(TCHAR ch) { SendMessage(EM_SETPASSWORDCHAR, ch); }
  TCHAR GetPasswordChar() const { return static_cast<TCHAR>(::SendMessage(m_hWnd, EM_GETPASSWORDCHAR, 0, 0)); }
  BOOL SetCueBanner(LPCWSTR lpszText) { return static_cast<BOOL>(SendMessage(EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(lpszText))); }
  CPoint PosFromChar(UINT nChar) const {
    LRESULT r = ::SendMessage(m_hWnd, EM_POSFROMCHAR, nChar, 0);
    return CPoint(static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r)));
  }
  int CharFromPos(CPoint pt) const { return static_cast<int>(::SendMessage(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y))); }
  void GetRect(LPRECT lpRect) const { ::SendMessage(m_hWnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }
};

class CTreeCtrl : public CWnd {
  DECLARE_DYNAMIC(CTreeCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_TREEVIEW, dwStyle, rect, pParentWnd, nID);
  }
  HTREEITEM InsertItem(LPTVINSERTSTRUCT lpInsertStruct) {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(lpInsertStruct)));
  }
  HTREEITEM InsertItem(UINT nMask, LPCTSTR lpszItem, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                       LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    TVINSERTSTRUCT is{};
    is.hParent = hParent;
    is.hInsertAfter = hInsertAfter;
    is.item.mask = nMask;
    is.item.pszText = const_cast<LPWSTR>(lpszItem);
    is.item.iImage = nImage;
    is.item.iSelectedImage = nSelectedImage;
    is.item.state = nState;
    is.item.stateMask = nStateMask;
    is.item.lParam = lParam;
    return InsertItem(&is);
  }
  HTREEITEM InsertItem(LPCTSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST) {
    return InsertItem(TVIF_TEXT, lpszItem, 0, 0, 0, 0, 0, hParent, hInsertAfter);
  }
  HTREEITEM InsertItem(LPCTSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent = TVI_ROOT,
                       HTREEITEM hInsertAfter = TVI_LAST) {
    return InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, lpszItem, nImage, nSelectedImage, 0, 0, 0, hParent,
                      hInsertAfter);
  }
  BOOL DeleteItem(HTREEITEM hItem) { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem))); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT))); }
  BOOL Expand(HTREEITEM hItem, UINT nCode) { return static_cast<BOOL>(SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem))); }
  HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const {
    return reinterpret_cast<HTREEITEM>(::SendMessage(m_hWnd, TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
  HTREEITEM GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXTVISIBLE); }
  HTREEITEM GetPrevVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUSVISIBLE); }
  HTREEITEM GetLastVisibleItem() const { return GetNextItem(nullptr, TVGN_LASTVISIBLE); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  BOOL ItemHasChildren(HTREEITEM hItem) const {
    TVITEM it{};
    it.mask = TVIF_CHILDREN;
    it.hItem = hItem;
    ::SendMessage(m_hWnd, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    return it.cChildren != 0;
  }
  BOOL Select(HTREEITEM hItem, UINT nCode) { return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, nCode, reinterpret_cast<LPARAM>(hItem))); }
  BOOL SelectItem(HTREEITEM hItem) { return Select(hItem, TVGN_CARET); }
  BOOL SelectDropTarget(HTREEITEM hItem) { return Select(hItem, TVGN_DROPHILITE); }
  BOOL SelectSetFirstVisible(HTREEITEM hItem) { return Select(hItem, TVGN_FIRSTVISIBLE); }
  BOOL GetItem(TVITEM* pItem) const { return static_cast<BOOL>(::SendMessage(m_hWnd, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(pItem))); }
  BOOL SetItem(TVITEM* pItem) { return static_cast<BOOL>(SendMessage(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(pItem))); }
  CString GetItemText(HTREEITEM hItem) const;
  BOOL SetItemText(HTREEITEM hItem, LPCTSTR lpszItem) {
    TVITEM it{};
    it.mask = TVIF_TEXT;
    it.hItem = hItem;
    it.pszText = const_cast<LPWSTR>(lpszItem);
    return SetItem(&it);
  }
  BOOL GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const {
    TVITEM it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = hItem;
    BOOL ok = GetItem(&it);
    nImage = it.iImage;
    nSelectedImage = it.iSelectedImage;
    return ok;
  }
  BOOL SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) {
    TVITEM it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = hItem;
    it.iImage = nImage;
    it.iSelectedImage = nSelectedImage;
    return SetItem(&it);
  }
  UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const {
    return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hItem), nStateMask));
  }
  BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
    TVITEM it{};
    it.mask = TVIF_STATE;
    it.hItem = hItem;
    it.state = nState;
    it.stateMask = nStateMask;
    return SetItem(&it);
  }
  DWORD_PTR GetItemData(HTREEITEM hItem) const {
    TVITEM it{};
    it.mask = TVIF_PARAM;
    it.hItem = hItem;
    GetItem(&it);
    return static_cast<DWORD_PTR>(it.lParam);
  }
  BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
    TVITEM it{};
    it.mask = TVIF_PARAM;
    it.hItem = hItem;
    it.lParam = static_cast<LPARAM>(dwData);
    return SetItem(&it);
  }
  BOOL GetCheck(HTREEITEM hItem) const { return ((GetItemState(hItem, TVIS_STATEIMAGEMASK) >> 12) - 1) == 1; }
  BOOL SetCheck(HTREEITEM hItem, BOOL fCheck = TRUE) {
    return SetItemState(hItem, INDEXTOSTATEIMAGEMASK(fCheck ? 2u : 1u), TVIS_STATEIMAGEMASK);
  }
  BOOL GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const {
    *reinterpret_cast<HTREEITEM*>(lpRect) = hItem;
    return static_cast<BOOL>(::SendMessage(m_hWnd, TVM_GETITEMRECT, static_cast<WPARAM>(bTextOnly), reinterpret_cast<LPARAM>(lpRect)));
  }
  HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const {
    TVHITTESTINFO ht{};
    ht.pt = pt;
    auto r = reinterpret_cast<HTREEITEM>(::SendMessage(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)));
    if (pFlags) *pFlags = ht.flags;
    return r;
  }
  HTREEITEM HitTest(TVHITTESTINFO* pHitTestInfo) const {
    return reinterpret_cast<HTREEITEM>(::SendMessage(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo)));
  }
  BOOL EnsureVisible(HTREEITEM hItem) { return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem))); }
  CEdit* EditLabel(HTREEITEM hItem);
  CEdit* GetEditControl() const;
  BOOL EndEditLabelNow(BOOL fCancelWithoutSave) { return static_cast<BOOL>(SendMessage(TVM_ENDEDITLABELNOW, static_cast<WPARAM>(fCancelWithoutSave))); }
  BOOL SortChildren(HTREEITEM hItem) { return static_cast<BOOL>(SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(hItem))); }
  BOOL SortChildrenCB(LPTVSORTCB pSort) { return static_cast<BOOL>(SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(pSort))); }
  UINT GetCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETCOUNT, 0, 0)); }
  UINT GetVisibleCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETVISIBLECOUNT, 0, 0)); }
  UINT GetIndent() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETINDENT, 0, 0)); }
  void SetIndent(UINT nIndent) { SendMessage(TVM_SETINDENT, nIndent); }
  SHORT GetItemHeight() const { return static_cast<SHORT>(::SendMessage(m_hWnd, TVM_GETITEMHEIGHT, 0, 0)); }
  SHORT SetItemHeight(SHORT cyHeight) { return static_cast<SHORT>(SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(cyHeight))); }
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
  CImageList* GetImageList(int nImageListType) const;
  COLORREF SetBkColor(COLORREF clr) { return static_cast<COLORREF>(SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(clr))); }
  COLORREF GetBkColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETBKCOLOR, 0, 0)); }
  COLORREF SetTextColor(COLORREF clr) { return static_cast<COLORREF>(SendMessage(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(clr))); }
  COLORREF GetTextColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETTEXTCOLOR, 0, 0)); }
  COLORREF SetLineColor(COLORREF clr = CLR_DEFAULT) { return static_cast<COLORREF>(SendMessage(TVM_SETLINECOLOR, 0, static_cast<LPARAM>(clr))); }
  COLORREF GetLineColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETLINECOLOR, 0, 0)); }
 ~CTreeCtrl() override;
 private:
  CEdit* WrapEdit(HWND e) const;
  mutable CEdit m_labelEdit;  // the wrapper handed out for the label editor
  CImageList* m_normalImages = nullptr;
  CImageList* m_stateImages = nullptr;
};
