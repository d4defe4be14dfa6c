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
