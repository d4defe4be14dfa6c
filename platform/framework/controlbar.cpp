// CControlBar: the bars a frame lays out around its view (borders, gripper,
// delayed showing, the messages of their child controls).
#include <algorithm>

#include "platform/framework/afxframe.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

namespace {
// Room of the gripper on a docked bar (a 3-pixel grip with 2-pixel margins).
constexpr int kGripperAll = 7;
int BorderX2() { return 2 * ::GetSystemMetrics(SM_CXBORDER); }
int BorderY2() { return 2 * ::GetSystemMetrics(SM_CYBORDER); }
}  // namespace

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_WM_WINDOWPOSCHANGING()
ON_WM_NCPAINT()
END_MESSAGE_MAP()

void CControlBar::SetBarStyle(DWORD dwStyle) {
  if (m_dwStyle == dwStyle) return;
  DWORD old = m_dwStyle;
  m_dwStyle = dwStyle;
  OnBarStyleChange(old, dwStyle);
}

void CControlBar::SetBorders(int cxLeft, int cyTop, int cxRight, int cyBottom) {
  m_cxLeftBorder = cxLeft;
  m_cyTopBorder = cyTop;
  m_cxRightBorder = cxRight;
  m_cyBottomBorder = cyBottom;
}

BOOL CControlBar::IsVisible() const {
  if (m_nStateFlags & delayHide) return FALSE;
  return (m_nStateFlags & delayShow) || (m_hWnd && (GetStyle() & WS_VISIBLE));
}

void CControlBar::DelayShow(BOOL bShow) {
  m_nStateFlags &= ~static_cast<UINT>(delayHide | delayShow);
  BOOL shown = m_hWnd && (GetStyle() & WS_VISIBLE);
  if (bShow && !shown) m_nStateFlags |= delayShow;
  else if (!bShow && shown) m_nStateFlags |= delayHide;
}

CFrameWnd* CControlBar::GetDockingFrame() const { return m_pDockSite ? m_pDockSite : GetParentFrame(); }

CSize CControlBar::CalcFixedLayout(BOOL, BOOL bHorz) {
  CRect r;
  GetWindowRect(&r);
  return bHorz ? CSize(32767, r.Height()) : CSize(r.Width(), 32767);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD dwMode) {
  return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZ) != 0);
}

void CControlBar::CalcInsideRect(CRect& rect, BOOL bHorz) const {
  if (m_dwStyle & CBRS_BORDER_LEFT) rect.left += BorderX2();
  if (m_dwStyle & CBRS_BORDER_TOP) rect.top += BorderY2();
  if (m_dwStyle & CBRS_BORDER_RIGHT) rect.right -= BorderX2();
  if (m_dwStyle & CBRS_BORDER_BOTTOM) rect.bottom -= BorderY2();
  bool gripper = (m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) == CBRS_GRIPPER;
  if (bHorz) {
    rect.left += m_cxLeftBorder;
    rect.top += m_cyTopBorder;
    rect.right -= m_cxRightBorder;
    rect.bottom -= m_cyBottomBorder;
    if (gripper) rect.left += kGripperAll;
  } else {
    // Standing upright, the bar's "left" and "right" run along its length.
    rect.left += m_cyTopBorder;
    rect.top += m_cxLeftBorder;
    rect.right -= m_cyBottomBorder;
    rect.bottom -= m_cxRightBorder;
    if (gripper) rect.top += kGripperAll;
  }
}

BOOL CControlBar::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CWnd::PreCreateWindow(cs)) return FALSE;
  cs.style |= WS_CLIPSIBLINGS;
  // A bar on a side gets the line that separates it from the frame's inside
  // (unless it asks for its own 3-D borders with CBRS_BORDER_3D).
  if (!(m_dwStyle & CBRS_BORDER_3D)) {
    DWORD borders = 0;
    switch (m_dwStyle & (CBRS_BORDER_ANY | CBRS_ALIGN_ANY)) {
      case CBRS_LEFT:
      case CBRS_RIGHT:
        borders = CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM;
        break;
      case CBRS_TOP:
        borders = CBRS_BORDER_TOP;
        break;
      case CBRS_BOTTOM:
        borders = CBRS_BORDER_BOTTOM;
        break;
      default:
        break;
    }
    if (borders) m_dwStyle = (m_dwStyle & ~static_cast<DWORD>(CBRS_BORDER_ANY)) | borders | CBRS_BORDER_3D;
  }
  return TRUE;
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: {
      // What the bar's child controls tell their parent belongs to the bar's
      // owner (the frame) unless the bar, or the control itself, handles it.
      LRESULT result = 0;
      bool reflected = false;
      if (message == WM_COMMAND || message == WM_NOTIFY) {
        auto& last = pv::afx::State().lastReflected;
        last = {};
        if (OnWndMsg(message, wParam, lParam, &result)) return result;
        reflected = last.message == message && last.wParam == wParam && last.lParam == lParam;
      } else {
        // CWnd's own handlers of these only reflect to the control.
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message);
        if (entry && entry != FindMessageEntry(CWnd::GetThisMessageMap(), message))
          return CWnd::WindowProc(message, wParam, lParam);
        HWND item = (message == WM_VKEYTOITEM || message == WM_CHARTOITEM)
                        ? reinterpret_cast<HWND>(lParam)
                        : ::GetDlgItem(m_hWnd, static_cast<int>(wParam));
        if (item && ReflectLastMsg(item, &result)) return result;
      }
      CWnd* owner = GetOwner();
      if (owner && owner->m_hWnd && owner->m_hWnd != m_hWnd) {
        if (!reflected) return owner->SendMessage(message, wParam, lParam);
        // The control has had its say: the owner's handlers get the message,
        // but the control's reflected handlers do not hear it twice.
        auto& mark = pv::afx::State().reflected;
        const auto saved = mark;
        mark = {message, wParam, lParam};
        LRESULT forwarded = owner->SendMessage(message, wParam, lParam);
        mark = saved;
        return forwarded;
      }
      return DefWindowProc(message, wParam, lParam);
    }
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

void CControlBar::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}

void CControlBar::OnWindowPosChanging(WINDOWPOS* lpWndPos) {
  Default();
  if (!lpWndPos || (lpWndPos->flags & SWP_NOSIZE)) return;
  // The right and bottom border lines move with the size: both their old and
  // their new places need painting.
  CRect r;
  GetWindowRect(&r);
  CSize prev = r.Size();
  int cx = lpWndPos->cx, cy = lpWndPos->cy;
  if (cx != prev.cx && (m_dwStyle & CBRS_BORDER_RIGHT)) {
    CRect a(cx - BorderX2(), 0, cx, cy), b(prev.cx - BorderX2(), 0, prev.cx, cy);
    InvalidateRect(&a);
    InvalidateRect(&b);
  }
  if (cy != prev.cy && (m_dwStyle & CBRS_BORDER_BOTTOM)) {
    CRect a(0, cy - BorderY2(), cx, cy), b(0, prev.cy - BorderY2(), cx, prev.cy);
    InvalidateRect(&a);
    InvalidateRect(&b);
  }
}

void CControlBar::OnNcPaint() { EraseNonClient(); }

void CControlBar::EraseNonClient() {
  CWindowDC dc(this);
  CRect client;
  GetClientRect(&client);
  CRect window;
  GetWindowRect(&window);
  ScreenToClient(&window);
  client.OffsetRect(-window.left, -window.top);
  dc.ExcludeClipRect(&client);
  window.OffsetRect(-window.left, -window.top);
  DrawBorders(&dc, window);
  dc.IntersectClipRect(&window);
  SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
  DrawGripper(&dc, window);
}

void CControlBar::DrawBorders(CDC* pDC, CRect& rect) {
  // Each CBRS_BORDER_* side is an etched line: shadow outside, highlight inside.
  DWORD style = m_dwStyle;
  if (!(style & CBRS_BORDER_ANY)) return;
  COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  CRect r = rect;
  int w = r.Width(), h = r.Height();
  if (style & CBRS_BORDER_TOP) {
    pDC->FillSolidRect(r.left, r.top, w, 1, shadow);
    pDC->FillSolidRect(r.left, r.top + 1, w, 1, light);
  }
  if (style & CBRS_BORDER_BOTTOM) {
    pDC->FillSolidRect(r.left, r.bottom - 2, w, 1, shadow);
    pDC->FillSolidRect(r.left, r.bottom - 1, w, 1, light);
  }
  if (style & CBRS_BORDER_LEFT) {
    pDC->FillSolidRect(r.left, r.top, 1, h, shadow);
    pDC->FillSolidRect(r.left + 1, r.top, 1, h, light);
  }
  if (style & CBRS_BORDER_RIGHT) {
    pDC->FillSolidRect(r.right - 2, r.top, 1, h, shadow);
    pDC->FillSolidRect(r.right - 1, r.top, 1, h, light);
  }
  if (style & CBRS_BORDER_LEFT) rect.left += BorderX2();
  if (style & CBRS_BORDER_TOP) rect.top += BorderY2();
  if (style & CBRS_BORDER_RIGHT) rect.right -= BorderX2();
  if (style & CBRS_BORDER_BOTTOM) rect.bottom -= BorderY2();
}

void CControlBar::DrawGripper(CDC* pDC, const CRect& rect) {
  if ((m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) != CBRS_GRIPPER) return;
  COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  if (m_dwStyle & CBRS_ORIENT_HORZ) {
    CRect g(rect.left + m_cxLeftBorder + 2, rect.top + m_cyTopBorder, rect.left + m_cxLeftBorder + 5,
            rect.bottom - m_cyBottomBorder);
    pDC->Draw3dRect(&g, light, shadow);
  } else {
    CRect g(rect.left + m_cyTopBorder, rect.top + m_cxLeftBorder + 2, rect.right - m_cyBottomBorder,
            rect.top + m_cxLeftBorder + 5);
    pDC->Draw3dRect(&g, light, shadow);
  }
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam) {
  auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
  // The bar as it will be once a pending delayed show or hide is done; a real
  // layout (not a query) carries it out.
  bool visible = IsVisible() != FALSE;
  UINT showFlag = 0;
  if (m_nStateFlags & (delayShow | delayHide)) {
    showFlag = (m_nStateFlags & delayHide) ? SWP_HIDEWINDOW : SWP_SHOWWINDOW;
    if (layout->hDWP) m_nStateFlags &= ~static_cast<UINT>(delayShow | delayHide);
  }
  DWORD align = m_dwStyle & CBRS_ALIGN_ANY;
  if (!visible || !align) {
    if (showFlag && layout->hDWP)
      layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, 0, 0, 0, 0,
                                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | showFlag);
    return 0;
  }
  BOOL horz = (align & CBRS_ORIENT_HORZ) != 0;
  DWORD mode = layout->bStretch ? LM_STRETCH : 0;
  mode |= horz ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK;
  CSize size = CalcDynamicLayout(-1, mode);
  CRect r(layout->rect);
  CRect avail(layout->rect);
  if (align & CBRS_ALIGN_TOP) {
    r.bottom = r.top + std::min<int>(size.cy, avail.Height());
    layout->rect.top = r.bottom;
  } else if (align & CBRS_ALIGN_BOTTOM) {
    r.top = r.bottom - std::min<int>(size.cy, avail.Height());
    layout->rect.bottom = r.top;
  } else if (align & CBRS_ALIGN_LEFT) {
    r.right = r.left + std::min<int>(size.cx, avail.Width());
    layout->rect.left = r.right;
  } else {
    r.left = r.right - std::min<int>(size.cx, avail.Width());
    layout->rect.right = r.left;
  }
  if (horz) layout->sizeTotal.cy += r.Height();
  else layout->sizeTotal.cx += r.Width();
  if (layout->hDWP)
    layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, r.left, r.top, r.Width(), r.Height(),
                                    SWP_NOZORDER | SWP_NOACTIVATE | showFlag);
  return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM) {
  // A delayed show or hide not yet done by a layout is done now.
  BOOL shown = (GetStyle() & WS_VISIBLE) != 0;
  UINT flags = 0;
  if ((m_nStateFlags & delayHide) && shown) flags = SWP_HIDEWINDOW;
  else if ((m_nStateFlags & delayShow) && !shown) flags = SWP_SHOWWINDOW;
  m_nStateFlags &= ~static_cast<UINT>(delayShow | delayHide);
  if (flags) SetWindowPos(nullptr, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(GetStyle() & WS_VISIBLE)) return 0;
  // Items update from the owner frame (or, without one, the frame around the bar).
  CFrameWnd* target = m_pDockSite;
  if (!target) target = dynamic_cast<CFrameWnd*>(GetOwner());
  if (!target) target = GetParentFrame();
  if (target) OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
  return 0;
}
