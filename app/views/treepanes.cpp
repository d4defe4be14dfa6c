#include "app/views/treepanes.h"

#include <algorithm>

#include "platform/controls/commctrl.h"

IMPLEMENT_DYNAMIC(CTreePaneBar, CControlBar)

BEGIN_MESSAGE_MAP(CTreePaneBar, CControlBar)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BOOL CTreePaneBar::Create(CFrameWnd* frame, UINT nID) {
  m_dwStyle = CBRS_LEFT;
  m_pDockSite = frame;
  LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW));
  return CreateEx(0, cls, u"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CRect(0, 0, 0, 0), frame,
                  nID);
}

void CTreePaneBar::AttachPane(UINT paneId, const CString& title, CWnd* window) {
  CTreePane pane;
  pane.m_nID = paneId;
  pane.m_strTitle = title;
  pane.m_pWnd = window;
  if (window && window->m_hWnd) window->SetParent(this);
  m_panes.push_back(pane);
  LayoutPanes();
}

void CTreePaneBar::SelectPane(UINT paneId) {
  for (CTreePane& pane : m_panes) {
    if (pane.m_nID != paneId) continue;
    const bool changed = m_nActivePane != paneId;
    m_nActivePane = paneId;
    if (m_hWnd) Invalidate();
    if (changed && m_pDockSite && m_pDockSite->m_hWnd)
      m_pDockSite->SendMessage(TREEPANE_NOTIFY, TREEPANE_ACTION_SHOWWINDOW, reinterpret_cast<LPARAM>(&pane));
    return;
  }
}

CSize CTreePaneBar::CalcDynamicLayout(int, DWORD) {
  return CSize(kPaneWidth * static_cast<int>(std::max<std::size_t>(m_panes.size(), 1)), 32767);
}

void CTreePaneBar::LayoutPanes() {
  if (!m_hWnd) return;
  CRect client;
  GetClientRect(&client);
  const int count = static_cast<int>(m_panes.size());
  for (int i = 0; i < count; ++i) {
    CTreePane& pane = m_panes[static_cast<std::size_t>(i)];
    const int left = client.left + client.Width() * i / count;
    const int right = client.left + client.Width() * (i + 1) / count - (i + 1 < count ? 2 : 0);
    pane.m_rcCaption = CRect(left, client.top, right, client.top + kCaptionHeight);
    if (pane.m_pWnd && pane.m_pWnd->m_hWnd)
      pane.m_pWnd->MoveWindow(left, client.top + kCaptionHeight, right - left,
                              std::max(0, client.Height() - kCaptionHeight));
  }
  Invalidate();
}

void CTreePaneBar::OnSize(UINT, int, int) { LayoutPanes(); }

BOOL CTreePaneBar::OnEraseBkgnd(CDC*) { return TRUE; }

void CTreePaneBar::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(&client, ::GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldFont = ::SelectObject(dc.m_hDC, ::GetStockObject(DEFAULT_GUI_FONT));
  dc.SetBkMode(TRANSPARENT);
  for (const CTreePane& pane : m_panes) {
    const bool active = pane.m_nID == m_nActivePane;
    dc.FillSolidRect(&pane.m_rcCaption, ::GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    dc.SetTextColor(::GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    CRect text = pane.m_rcCaption;
    text.DeflateRect(6, 0);
    dc.DrawText(pane.m_strTitle, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  ::SelectObject(dc.m_hDC, oldFont);
}

void CTreePaneBar::OnLButtonDown(UINT, CPoint point) {
  for (const CTreePane& pane : m_panes)
    if (pane.m_rcCaption.PtInRect(point)) {
      SelectPane(pane.m_nID);
      if (pane.m_pWnd && pane.m_pWnd->m_hWnd) pane.m_pWnd->SetFocus();
      return;
    }
}

CTreePane* CTreePaneBar::PaneOfWindow(HWND hWnd) {
  for (CTreePane& pane : m_panes)
    if (pane.m_pWnd && pane.m_pWnd->m_hWnd == hWnd) return &pane;
  return nullptr;
}

BOOL CTreePaneBar::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* nm = reinterpret_cast<NMHDR*>(lParam);
  // The tree's own reflected handlers first, as its parent would.
  if (nm->hwndFrom && ReflectLastMsg(nm->hwndFrom, pResult)) return TRUE;
  // Working in a tree makes its pane the active one, as showing a pane does.
  if (CTreePane* pane = PaneOfWindow(nm->hwndFrom))
    if (pane->m_nID != m_nActivePane &&
        (nm->code == static_cast<UINT>(NM_CLICK) || nm->code == static_cast<UINT>(NM_SETFOCUS) ||
         nm->code == static_cast<UINT>(NM_RCLICK)))
      SelectPane(pane->m_nID);
  // Then the frame's handlers: the bar passes what it leaves on to its owner
  // (CControlBar::WindowProc) without reflecting it a second time. Routing it
  // through the frame here as well ran the frame's handlers twice.
  return FALSE;
}
