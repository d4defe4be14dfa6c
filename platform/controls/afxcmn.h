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
  HICON SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon)));
  }
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
  HBITMAP SetBitmap(HBITMAP h) {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(h)));
  }
  HICON SetIcon(HICON h) {
    return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(h)));
  }
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
  BOOL SetReadOnly(BOOL bReadOnly = TRUE) {
    return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly)));
  }
  int GetLineCount() const { return static_cast<int>(::SendMessage(m_hWnd, EM_GETLINECOUNT, 0, 0)); }
  int LineIndex(int nLine = -1) const {
    return static_cast<int>(::SendMessage(m_hWnd, EM_LINEINDEX, static_cast<WPARAM>(nLine), 0));
  }
  int LineFromChar(int nIndex = -1) const {
    return static_cast<int>(::SendMessage(m_hWnd, EM_LINEFROMCHAR, static_cast<WPARAM>(nIndex), 0));
  }
  int LineLength(int nLine = -1) const {
    return static_cast<int>(::SendMessage(m_hWnd, EM_LINELENGTH, static_cast<WPARAM>(nLine), 0));
  }
  int GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const {
    lpszBuffer[0] = static_cast<WCHAR>(nMaxLength);
    return static_cast<int>(
        ::SendMessage(m_hWnd, EM_GETLINE, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
  }
  void LineScroll(int nLines, int nChars = 0) { SendMessage(EM_LINESCROLL, static_cast<WPARAM>(nChars), nLines); }
  int GetFirstVisibleLine() const { return static_cast<int>(::SendMessage(m_hWnd, EM_GETFIRSTVISIBLELINE, 0, 0)); }
  void SetMargins(UINT nLeft, UINT nRight) {
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight));
  }
  DWORD GetMargins() const { return static_cast<DWORD>(::SendMessage(m_hWnd, EM_GETMARGINS, 0, 0)); }
  void SetPasswordChar(TCHAR ch) { SendMessage(EM_SETPASSWORDCHAR, ch); }
  TCHAR GetPasswordChar() const { return static_cast<TCHAR>(::SendMessage(m_hWnd, EM_GETPASSWORDCHAR, 0, 0)); }
  BOOL SetCueBanner(LPCWSTR lpszText) {
    return static_cast<BOOL>(SendMessage(EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(lpszText)));
  }
  CPoint PosFromChar(UINT nChar) const {
    LRESULT r = ::SendMessage(m_hWnd, EM_POSFROMCHAR, nChar, 0);
    return CPoint(static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r)));
  }
  int CharFromPos(CPoint pt) const {
    return static_cast<int>(::SendMessage(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y)));
  }
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
  BOOL DeleteItem(HTREEITEM hItem) {
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem)));
  }
  BOOL DeleteAllItems() {
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  }
  BOOL Expand(HTREEITEM hItem, UINT nCode) {
    return static_cast<BOOL>(SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
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
  BOOL Select(HTREEITEM hItem, UINT nCode) {
    return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
  BOOL SelectItem(HTREEITEM hItem) { return Select(hItem, TVGN_CARET); }
  BOOL SelectDropTarget(HTREEITEM hItem) { return Select(hItem, TVGN_DROPHILITE); }
  BOOL SelectSetFirstVisible(HTREEITEM hItem) { return Select(hItem, TVGN_FIRSTVISIBLE); }
  BOOL GetItem(TVITEM* pItem) const {
    return static_cast<BOOL>(::SendMessage(m_hWnd, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(pItem)));
  }
  BOOL SetItem(TVITEM* pItem) {
    return static_cast<BOOL>(SendMessage(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(pItem)));
  }
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
    return static_cast<BOOL>(
        ::SendMessage(m_hWnd, TVM_GETITEMRECT, static_cast<WPARAM>(bTextOnly), reinterpret_cast<LPARAM>(lpRect)));
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
  BOOL EnsureVisible(HTREEITEM hItem) {
    return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem)));
  }
  CEdit* EditLabel(HTREEITEM hItem);
  CEdit* GetEditControl() const;
  BOOL EndEditLabelNow(BOOL fCancelWithoutSave) {
    return static_cast<BOOL>(SendMessage(TVM_ENDEDITLABELNOW, static_cast<WPARAM>(fCancelWithoutSave)));
  }
  BOOL SortChildren(HTREEITEM hItem) {
    return static_cast<BOOL>(SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(hItem)));
  }
  BOOL SortChildrenCB(LPTVSORTCB pSort) {
    return static_cast<BOOL>(SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(pSort)));
  }
  UINT GetCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETCOUNT, 0, 0)); }
  UINT GetVisibleCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETVISIBLECOUNT, 0, 0)); }
  UINT GetIndent() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETINDENT, 0, 0)); }
  void SetIndent(UINT nIndent) { SendMessage(TVM_SETINDENT, nIndent); }
  SHORT GetItemHeight() const { return static_cast<SHORT>(::SendMessage(m_hWnd, TVM_GETITEMHEIGHT, 0, 0)); }
  SHORT SetItemHeight(SHORT cyHeight) {
    return static_cast<SHORT>(SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(cyHeight)));
  }
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
  CImageList* GetImageList(int nImageListType) const;
  COLORREF SetBkColor(COLORREF clr) {
    return static_cast<COLORREF>(SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(clr)));
  }
  COLORREF GetBkColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETBKCOLOR, 0, 0)); }
  COLORREF SetTextColor(COLORREF clr) {
    return static_cast<COLORREF>(SendMessage(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(clr)));
  }
  COLORREF GetTextColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETTEXTCOLOR, 0, 0)); }
  COLORREF SetLineColor(COLORREF clr = CLR_DEFAULT) {
    return static_cast<COLORREF>(SendMessage(TVM_SETLINECOLOR, 0, static_cast<LPARAM>(clr)));
  }
  COLORREF GetLineColor() const { return static_cast<COLORREF>(::SendMessage(m_hWnd, TVM_GETLINECOLOR, 0, 0)); }
  ~CTreeCtrl() override;

 private:
  CEdit* WrapEdit(HWND e) const;
  mutable CEdit m_labelEdit;  // the wrapper handed out for the label editor
  CImageList* m_normalImages = nullptr;
  CImageList* m_stateImages = nullptr;
};

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_LISTBOX, dwStyle, rect, pParentWnd, nID);
  }
  int GetCount() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETCOUNT, 0, 0)); }
  int AddString(LPCTSTR s) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int nIndex, LPCTSTR s) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCurSel() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETCURSEL, 0, 0)); }
  int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
  int GetSel(int nIndex) const {
    return static_cast<int>(::SendMessage(m_hWnd, LB_GETSEL, static_cast<WPARAM>(nIndex), 0));
  }
  int SetSel(int nIndex, BOOL bSelect = TRUE) {
    return static_cast<int>(SendMessage(LB_SETSEL, static_cast<WPARAM>(bSelect), nIndex));
  }
  int GetSelCount() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETSELCOUNT, 0, 0)); }
  int GetSelItems(int nMaxItems, LPINT rgIndex) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, LB_GETSELITEMS, static_cast<WPARAM>(nMaxItems), reinterpret_cast<LPARAM>(rgIndex)));
  }
  int SelItemRange(BOOL bSelect, int nFirst, int nLast) {
    return static_cast<int>(SendMessage(LB_SELITEMRANGE, static_cast<WPARAM>(bSelect), MAKELONG(nFirst, nLast)));
  }
  int GetText(int nIndex, LPTSTR lpszBuffer) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
  }
  void GetText(int nIndex, CString& rString) const;
  int GetTextLen(int nIndex) const {
    return static_cast<int>(::SendMessage(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0));
  }
  DWORD_PTR GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(::SendMessage(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
  }
  void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
  int SetItemDataPtr(int nIndex, void* p) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(p)); }
  int FindString(int nStartAfter, LPCTSTR s) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, LB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(s)));
  }
  int FindStringExact(int nIndexStart, LPCTSTR s) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), reinterpret_cast<LPARAM>(s)));
  }
  int SelectString(int nStartAfter, LPCTSTR s) {
    return static_cast<int>(
        SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(s)));
  }
  int GetTopIndex() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETTOPINDEX, 0, 0)); }
  int SetTopIndex(int nIndex) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex))); }
  int GetCaretIndex() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETCARETINDEX, 0, 0)); }
  int SetCaretIndex(int nIndex, BOOL bScroll = TRUE) {
    return static_cast<int>(SendMessage(LB_SETCARETINDEX, static_cast<WPARAM>(nIndex), bScroll));
  }
  int GetAnchorIndex() const { return static_cast<int>(::SendMessage(m_hWnd, LB_GETANCHORINDEX, 0, 0)); }
  void SetAnchorIndex(int nIndex) { SendMessage(LB_SETANCHORINDEX, static_cast<WPARAM>(nIndex)); }
  int GetItemRect(int nIndex, LPRECT lpRect) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect)));
  }
  int GetItemHeight(int nIndex) const {
    return static_cast<int>(::SendMessage(m_hWnd, LB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemHeight(int nIndex, UINT cyItemHeight) {
    return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELONG(cyItemHeight, 0)));
  }
  UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const {
    DWORD r = static_cast<DWORD>(::SendMessage(m_hWnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y)));
    bOutside = HIWORD(r);
    return LOWORD(r);
  }
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_COMBOBOX, dwStyle, rect, pParentWnd, nID);
  }
  int GetCount() const { return static_cast<int>(::SendMessage(m_hWnd, CB_GETCOUNT, 0, 0)); }
  int AddString(LPCTSTR s) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int nIndex, LPCTSTR s) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCurSel() const { return static_cast<int>(::SendMessage(m_hWnd, CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
  int GetLBText(int nIndex, LPTSTR lpszText) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
  }
  void GetLBText(int nIndex, CString& rString) const;
  int GetLBTextLen(int nIndex) const {
    return static_cast<int>(::SendMessage(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0));
  }
  DWORD_PTR GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(::SendMessage(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
  }
  void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
  int SetItemDataPtr(int nIndex, void* p) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(p)); }
  int FindString(int nStartAfter, LPCTSTR s) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(s)));
  }
  int FindStringExact(int nIndexStart, LPCTSTR s) const {
    return static_cast<int>(
        ::SendMessage(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), reinterpret_cast<LPARAM>(s)));
  }
  int SelectString(int nStartAfter, LPCTSTR s) {
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(s)));
  }
  void ShowDropDown(BOOL bShowIt = TRUE) { SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(bShowIt)); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(::SendMessage(m_hWnd, CB_GETDROPPEDSTATE, 0, 0)); }
  void GetDroppedControlRect(LPRECT lprect) const {
    ::SendMessage(m_hWnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(lprect));
  }
  int SetDroppedWidth(UINT nWidth) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, nWidth)); }
  int GetDroppedWidth() const { return static_cast<int>(::SendMessage(m_hWnd, CB_GETDROPPEDWIDTH, 0, 0)); }
  BOOL SetMinVisibleItems(int iMinVisible) {
    return static_cast<BOOL>(SendMessage(CB_SETMINVISIBLE, static_cast<WPARAM>(iMinVisible)));
  }
  BOOL LimitText(int nMaxChars) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars))); }
  DWORD GetEditSel() const { return static_cast<DWORD>(::SendMessage(m_hWnd, CB_GETEDITSEL, 0, 0)); }
  BOOL SetEditSel(int nStartChar, int nEndChar) {
    return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELONG(nStartChar, nEndChar)));
  }
  int GetItemHeight(int nIndex) const {
    return static_cast<int>(::SendMessage(m_hWnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex), 0));
  }
  int SetItemHeight(int nIndex, UINT cyItemHeight) {
    return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), cyItemHeight));
  }
  int GetTopIndex() const { return static_cast<int>(::SendMessage(m_hWnd, CB_GETTOPINDEX, 0, 0)); }
  int SetTopIndex(int nIndex) { return static_cast<int>(SendMessage(CB_SETTOPINDEX, static_cast<WPARAM>(nIndex))); }
  BOOL SetCueBanner(LPCTSTR lpszText) {
    return static_cast<BOOL>(SendMessage(CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(lpszText)));
  }
};

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, WC_SCROLLBAR, dwStyle, rect, pParentWnd, nID);
  }
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  int SetScrollPos(int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw); }
  void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const { ::GetScrollRange(m_hWnd, SB_CTL, lpMinPos, lpMaxPos); }
  void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) {
    ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw);
  }
  BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE) {
    return ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw) != 0;
  }
  BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) {
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
  }
  BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH) { return ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags); }
};

class CToolTipCtrl : public CWnd {
  DECLARE_DYNAMIC(CToolTipCtrl)
 public:
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
  BOOL AddTool(CWnd* pWnd, LPCTSTR lpszText = LPSTR_TEXTCALLBACK, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  BOOL AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
  void UpdateTipText(LPCTSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
  void SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect);
  BOOL GetToolInfo(TOOLINFO& ti, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
  void SetToolInfo(LPTOOLINFO lpToolInfo) { SendMessage(TTM_SETTOOLINFO, 0, reinterpret_cast<LPARAM>(lpToolInfo)); }
  void GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
  void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, static_cast<WPARAM>(bActivate)); }
  void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
  void SetDelayTime(UINT nDelay) { SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELONG(nDelay, 0)); }
  void SetDelayTime(DWORD dwDuration, int iTime) { SendMessage(TTM_SETDELAYTIME, dwDuration, MAKELONG(iTime, 0)); }
  int GetDelayTime(DWORD dwDuration) const {
    return static_cast<int>(::SendMessage(m_hWnd, TTM_GETDELAYTIME, dwDuration, 0));
  }
  int SetMaxTipWidth(int iWidth) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, iWidth)); }
  int GetMaxTipWidth() const { return static_cast<int>(::SendMessage(m_hWnd, TTM_GETMAXTIPWIDTH, 0, 0)); }
  void SetTipBkColor(COLORREF clr) { SendMessage(TTM_SETTIPBKCOLOR, clr); }
  void SetTipTextColor(COLORREF clr) { SendMessage(TTM_SETTIPTEXTCOLOR, clr); }
  BOOL SetTitle(UINT uIcon, LPCTSTR lpstrTitle) {
    return static_cast<BOOL>(SendMessage(TTM_SETTITLE, uIcon, reinterpret_cast<LPARAM>(lpstrTitle)));
  }
  void Pop() { SendMessage(TTM_POP); }
  void Popup() { SendMessage(TTM_POPUP); }
  void Update() { SendMessage(TTM_UPDATE); }
  int GetToolCount() const { return static_cast<int>(::SendMessage(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)); }
  BOOL AdjustRect(LPRECT lprc, BOOL bLarger = TRUE) {
    return static_cast<BOOL>(SendMessage(TTM_ADJUSTRECT, static_cast<WPARAM>(bLarger), reinterpret_cast<LPARAM>(lprc)));
  }
};

class CMonthCalCtrl : public CWnd {
  DECLARE_DYNAMIC(CMonthCalCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, MONTHCAL_CLASS, dwStyle, rect, pParentWnd, nID);
  }
  BOOL GetCurSel(LPSYSTEMTIME pDateTime) const {
    return static_cast<BOOL>(::SendMessage(m_hWnd, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(pDateTime)));
  }
  BOOL SetCurSel(const SYSTEMTIME* pDateTime) {
    return static_cast<BOOL>(SendMessage(MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(pDateTime)));
  }
  BOOL GetToday(LPSYSTEMTIME pDateTime) const {
    return static_cast<BOOL>(::SendMessage(m_hWnd, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(pDateTime)));
  }
  void SetToday(const SYSTEMTIME* pDateTime) { SendMessage(MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(pDateTime)); }
  BOOL GetMinReqRect(RECT* pRect) const {
    return static_cast<BOOL>(::SendMessage(m_hWnd, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(pRect)));
  }
  BOOL SetRange(const SYSTEMTIME* pMinRange, const SYSTEMTIME* pMaxRange);
  DWORD GetRange(LPSYSTEMTIME pMinRange, LPSYSTEMTIME pMaxRange) const;
};

class CDateTimeCtrl : public CWnd {
  DECLARE_DYNAMIC(CDateTimeCtrl)
 public:
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return pv::controls::CreateControl(this, DATETIMEPICK_CLASS, dwStyle, rect, pParentWnd, nID);
  }
  DWORD GetTime(LPSYSTEMTIME pTimeDest) const {
    return static_cast<DWORD>(::SendMessage(m_hWnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pTimeDest)));
  }
  BOOL SetTime(const SYSTEMTIME* pTimeNew = nullptr) {
    return static_cast<BOOL>(
        SendMessage(DTM_SETSYSTEMTIME, pTimeNew ? GDT_VALID : GDT_NONE, reinterpret_cast<LPARAM>(pTimeNew)));
  }
  BOOL SetFormat(LPCTSTR pstrFormat) {
    return static_cast<BOOL>(SendMessage(DTM_SETFORMAT, 0, reinterpret_cast<LPARAM>(pstrFormat)));
  }
  CMonthCalCtrl* GetMonthCalCtrl() const;
  BOOL SetRange(const SYSTEMTIME* pMinRange, const SYSTEMTIME* pMaxRange);
  DWORD GetRange(LPSYSTEMTIME pMinRange, LPSYSTEMTIME pMaxRange) const;
  void CloseMonthCal() { SendMessage(DTM_CLOSEMONTHCAL); }
  ~CDateTimeCtrl() override;

 private:
  mutable CMonthCalCtrl m_cal;  // wrapper of the drop-down calendar while it is open
};
