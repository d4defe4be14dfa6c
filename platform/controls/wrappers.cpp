// The framework wrappers of the standard controls (afxcmn.h): creation,
// which registers the classes first, and the messages each wrapper speaks.
#include "platform/controls/afxcmn.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

namespace pv::controls {

BOOL CreateControl(CWnd* self, LPCWSTR cls, DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID, LPCWSTR text) {
  RegisterStandardControls();
  return self->CWnd::Create(cls, text ? text : u"", style, rect, pParentWnd, nID);
}

}  // namespace pv::controls

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult) *pResult = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const {
  // Grow the buffer until the text fits.
  for (int cap = 256; cap <= (1 << 20); cap *= 4) {
    CString s;
    LPWSTR buf = s.GetBuffer(cap);
    buf[0] = 0;
    TVITEM it{};
    it.mask = TVIF_TEXT;
    it.hItem = hItem;
    it.pszText = buf;
    it.cchTextMax = cap;
    ::SendMessage(m_hWnd, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
    s.ReleaseBuffer();
    if (s.GetLength() < cap - 1) return s;
  }
  return CString();
}

CTreeCtrl::~CTreeCtrl() {
  if (m_labelEdit.m_hWnd) m_labelEdit.Detach();
}

// The label editor is wrapped by a CEdit the tree owns (a temporary CWnd
// would not be a CEdit); a permanent wrapper of the caller's wins.
CEdit* CTreeCtrl::WrapEdit(HWND e) const {
  if (!e) return nullptr;
  if (m_labelEdit.m_hWnd == e) return &m_labelEdit;
  if (auto* own = dynamic_cast<CEdit*>(CWnd::FromHandlePermanent(e))) return own;
  if (m_labelEdit.m_hWnd) m_labelEdit.Detach();
  m_labelEdit.Attach(e);
  return &m_labelEdit;
}

CEdit* CTreeCtrl::EditLabel(HTREEITEM hItem) {
  return WrapEdit(reinterpret_cast<HWND>(SendMessage(TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(hItem))));
}

CEdit* CTreeCtrl::GetEditControl() const {
  return WrapEdit(reinterpret_cast<HWND>(::SendMessage(m_hWnd, TVM_GETEDITCONTROL, 0, 0)));
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  CImageList*& slot = nImageListType == TVSIL_STATE ? m_stateImages : m_normalImages;
  CImageList* old = slot;
  slot = pImageList;
  SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType),
              reinterpret_cast<LPARAM>(pImageList ? pImageList->GetSafeHandle() : nullptr));
  return old;
}

CImageList* CTreeCtrl::GetImageList(int nImageListType) const {
  return nImageListType == TVSIL_STATE ? m_stateImages : m_normalImages;
}

IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)
IMPLEMENT_DYNAMIC(CMonthCalCtrl, CWnd)
IMPLEMENT_DYNAMIC(CDateTimeCtrl, CWnd)

void CListBox::GetText(int nIndex, CString& rString) const {
  int n = GetTextLen(nIndex);
  if (n < 0) {
    rString.Empty();
    return;
  }
  LPWSTR buf = rString.GetBuffer(n + 1);
  GetText(nIndex, buf);
  rString.ReleaseBuffer(n);
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
  int n = GetLBTextLen(nIndex);
  if (n < 0) {
    rString.Empty();
    return;
  }
  LPWSTR buf = rString.GetBuffer(n + 1);
  GetLBText(nIndex, buf);
  rString.ReleaseBuffer(n);
}

namespace {
TOOLINFO MakeTool(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT rect, UINT flags) {
  TOOLINFO ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = CWnd::HwndOf(pWnd);
  ti.uFlags = flags;
  ti.uId = nIDTool;
  if (nIDTool == 0 && !rect) {
    // The whole window is the tool.
    ti.uFlags |= TTF_IDISHWND;
    ti.uId = reinterpret_cast<UINT_PTR>(ti.hwnd);
    ti.hwnd = ti.hwnd ? ::GetParent(ti.hwnd) ? ::GetParent(ti.hwnd) : ti.hwnd : nullptr;
  }
  if (rect) ti.rect = *rect;
  return ti;
}
}  // namespace

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
  pv::controls::RegisterStandardControls();
  return CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CWnd::HwndOf(pParentWnd), nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCTSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, lpRectTool, TTF_SUBCLASS);
  ti.lpszText = const_cast<LPWSTR>(lpszText);
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, lpRectTool, TTF_SUBCLASS);
  ti.hinst = AfxGetResourceHandle();
  ti.lpszText = MAKEINTRESOURCE(nIDText);
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, nullptr, 0);
  SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(LPCTSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, nullptr, 0);
  ti.lpszText = const_cast<LPWSTR>(lpszText);
  SendMessage(TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect) {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, lpRect, 0);
  SendMessage(TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&ti));
}

BOOL CToolTipCtrl::GetToolInfo(TOOLINFO& ti, CWnd* pWnd, UINT_PTR nIDTool) const {
  TOOLINFO probe = MakeTool(pWnd, nIDTool, nullptr, 0);
  ti = TOOLINFO{};
  ti.cbSize = sizeof ti;
  ti.hwnd = probe.hwnd;
  ti.uId = probe.uId;
  return static_cast<BOOL>(::SendMessage(m_hWnd, TTM_GETTOOLINFO, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool) const {
  TOOLINFO ti = MakeTool(pWnd, nIDTool, nullptr, 0);
  WCHAR buf[1024] = {};
  ti.lpszText = buf;
  ::SendMessage(m_hWnd, TTM_GETTEXT, 1024, reinterpret_cast<LPARAM>(&ti));
  str = buf;
}

BOOL CMonthCalCtrl::SetRange(const SYSTEMTIME* pMinRange, const SYSTEMTIME* pMaxRange) {
  SYSTEMTIME r[2] = {};
  DWORD flags = 0;
  if (pMinRange) {
    r[0] = *pMinRange;
    flags |= GDTR_MIN;
  }
  if (pMaxRange) {
    r[1] = *pMaxRange;
    flags |= GDTR_MAX;
  }
  return static_cast<BOOL>(SendMessage(MCM_SETRANGE, flags, reinterpret_cast<LPARAM>(r)));
}

DWORD CMonthCalCtrl::GetRange(LPSYSTEMTIME pMinRange, LPSYSTEMTIME pMaxRange) const {
  SYSTEMTIME r[2] = {};
  DWORD flags = static_cast<DWORD>(::SendMessage(m_hWnd, MCM_GETRANGE, 0, reinterpret_cast<LPARAM>(r)));
  if (pMinRange) *pMinRange = r[0];
  if (pMaxRange) *pMaxRange = r[1];
  return flags;
}

BOOL CDateTimeCtrl::SetRange(const SYSTEMTIME* pMinRange, const SYSTEMTIME* pMaxRange) {
  SYSTEMTIME r[2] = {};
  DWORD flags = 0;
  if (pMinRange) {
    r[0] = *pMinRange;
    flags |= GDTR_MIN;
  }
  if (pMaxRange) {
    r[1] = *pMaxRange;
    flags |= GDTR_MAX;
  }
  return static_cast<BOOL>(SendMessage(DTM_SETRANGE, flags, reinterpret_cast<LPARAM>(r)));
}

DWORD CDateTimeCtrl::GetRange(LPSYSTEMTIME pMinRange, LPSYSTEMTIME pMaxRange) const {
  SYSTEMTIME r[2] = {};
  DWORD flags = static_cast<DWORD>(::SendMessage(m_hWnd, DTM_GETRANGE, 0, reinterpret_cast<LPARAM>(r)));
  if (pMinRange) *pMinRange = r[0];
  if (pMaxRange) *pMaxRange = r[1];
  return flags;
}

CMonthCalCtrl* CDateTimeCtrl::GetMonthCalCtrl() const {
  HWND cal = reinterpret_cast<HWND>(::SendMessage(m_hWnd, DTM_GETMONTHCAL, 0, 0));
  if (!cal) return nullptr;
  if (m_cal.m_hWnd == cal) return &m_cal;
  if (auto* own = dynamic_cast<CMonthCalCtrl*>(CWnd::FromHandlePermanent(cal))) return own;
  if (m_cal.m_hWnd) m_cal.Detach();
  m_cal.Attach(cal);
  return &m_cal;
}

CDateTimeCtrl::~CDateTimeCtrl() {
  if (m_cal.m_hWnd) m_cal.Detach();
}
