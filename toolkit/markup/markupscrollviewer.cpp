// The scroll viewer, its bars and the gripper.
#include "toolkit/markup/markupscrollviewer.h"

#include <algorithm>

#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"
#include "platform/window/winuser.h"
#include "toolkit/common/winthemewrapper.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markuplayoutmath.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupScrollBar)
TK_DEFINE_MARKUPCLASS(CTKMarkupScrollBarGripper)
TK_DEFINE_MARKUPCLASS(CTKMarkupScrollViewer)

CTKMarkupDependencyProperty* CTKMarkupScrollViewer::m_pVerticalScrollBarVisibilityProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupScrollViewer::m_pHorizontalScrollBarVisibilityProperty = nullptr;

namespace {

constexpr int kUnbounded = 2147483647;
constexpr int kLineStep = 16;
constexpr int kWheelStep = 48;

// Scroll commands, as the system's scroll bars send them.
enum {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEndScroll = 8
};

bool IsMouseMessage(UINT nMessage) { return nMessage >= WM_MOUSEFIRST && nMessage <= WM_MOUSELAST; }

}  // namespace

// ---- scroll bar --------------------------------------------------------------------------------

CTKMarkupScrollBar::CTKMarkupScrollBar() : m_pTheme(new CTKWinThemeWrapper(TRUE)) { m_si.cbSize = sizeof(m_si); }

CTKMarkupScrollBar::~CTKMarkupScrollBar() {
  delete m_pTracking;
  delete m_pTheme;
}

void CTKMarkupScrollBar::UpdateScrollInfo(const SCROLLINFO& si) {
  if (si.nMax == m_si.nMax && si.nPage == m_si.nPage && si.nPos == m_si.nPos) return;
  m_si = si;
  InvalidateArrange();
}

void CTKMarkupScrollBar::SendScrollCommand(int nCommand, int nValue) {
  if (auto* pViewer = MarkupDynamicCast<CTKMarkupScrollViewer>(GetLogicalParent()))
    pViewer->ScrollBy(m_nOrientation, nCommand, nValue);
}

BOOL CTKMarkupScrollBar::IsScrollEnabled() const {
  return static_cast<long long>(m_si.nMax) - m_si.nMin + 1 > static_cast<long long>(m_si.nPage);
}

SIZE CTKMarkupScrollBar::MeasureOverride(CTKMarkupDrawingContext*, int, int) {
  if (m_nOrientation) return SIZE{::GetSystemMetrics(SM_CXVSCROLL), 0};
  return SIZE{0, ::GetSystemMetrics(SM_CYHSCROLL)};
}

SIZE CTKMarkupScrollBar::ArrangeOverride(int cx, int cy) {
  CalcScrollBarLayout(RECT{0, 0, cx, cy});
  return SIZE{cx, cy};
}

void CTKMarkupScrollBar::CalcScrollBarLayout(const RECT& rc) {
  TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  l.bVertical = m_nOrientation != 0;
  l.rcBar = rc;
  if (l.bVertical) {
    l.nStart = rc.top, l.nEnd = rc.bottom, l.nAcrossStart = rc.left, l.nAcrossEnd = rc.right;
  } else {
    l.nStart = rc.left, l.nEnd = rc.right, l.nAcrossStart = rc.top, l.nAcrossEnd = rc.bottom;
  }
  const int nMetric = ::GetSystemMetrics(l.bVertical ? SM_CYVSCROLL : SM_CXHSCROLL);
  int a = nMetric;
  l.nThumbLength = nMetric;
  l.nMin = m_si.nMin, l.nMax = m_si.nMax, l.nPage = static_cast<int>(m_si.nPage), l.nPos = m_si.nPos;
  a = std::min(a, (l.nEnd - l.nStart) / 2);
  l.nFirstArrowEnd = l.nStart + a;
  l.nSecondArrowStart = l.nEnd - a;
  const int nRange = l.nMax - l.nMin + 1;
  if (l.nPage != 0 && nRange != 0)
    l.nThumbLength =
        std::max(::MulDiv(l.nSecondArrowStart - l.nFirstArrowEnd, l.nPage, nRange), std::max(nMetric / 2, 16));
  l.nTravelStart = l.nStart + a;
  l.nFreeTravel = l.nEnd - (l.nTravelStart + a + l.nThumbLength);
  const int p = l.nPage ? l.nPage : 1;
  if (nRange == p) l.nThumbStart = l.nTravelStart;
  else l.nThumbStart = l.nTravelStart + ::MulDiv(l.nPos - l.nMin, l.nFreeTravel, nRange - p);
  l.nThumbEnd = l.nThumbStart + l.nThumbLength;
}

RECT CTKMarkupScrollBar::AlongRect(int nFrom, int nTo) const {
  const TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  if (l.bVertical) return RECT{l.nAcrossStart, nFrom, l.nAcrossEnd, nTo};
  return RECT{nFrom, l.nAcrossStart, nTo, l.nAcrossEnd};
}

int CTKMarkupScrollBar::HitTestPart(int x, int y) const {
  const TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  const POINT pt{x, y};
  if (!IsScrollEnabled() || !::PtInRect(&l.rcBar, pt)) return kPartNone;
  const int c = l.bVertical ? y : x;
  if (c < l.nFirstArrowEnd) return kPartFirstArrow;
  if (c >= l.nSecondArrowStart) return kPartSecondArrow;
  if (c < l.nThumbStart) return kPartPageBefore;
  if (c < l.nThumbEnd) return kPartThumb;
  return kPartPageAfter;
}

int CTKMarkupScrollBar::PosFromPixel(int nPixel) const {
  const TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  if (nPixel < l.nTravelStart) return l.nMin;
  if (nPixel < l.nTravelStart + l.nFreeTravel) {
    if (l.nFreeTravel == 0) return l.nMin - 1;
    return l.nMin + ::MulDiv(l.nMax - l.nMin - (l.nPage ? l.nPage - 1 : 0), nPixel - l.nTravelStart, l.nFreeTravel);
  }
  return l.nPage ? l.nMax - l.nPage + 1 : l.nMax;
}

void CTKMarkupScrollBar::Redraw() { InvalidateVisual(); }

void CTKMarkupScrollBar::OnMouseMove(CTKMarkupMouseEventArgs* e) {
  const POINT pt = e->GetPosition(this);
  const int nPart = HitTestPart(pt.x, pt.y);
  if (nPart != m_layout.nActivePart) {
    m_layout.nActivePart = nPart;
    Redraw();
  }
  e->m_bHandled = TRUE;
}

void CTKMarkupScrollBar::OnMouseLeave(CTKMarkupMouseEventArgs* e) {
  if (m_layout.nActivePart != kPartNone) {
    m_layout.nActivePart = kPartNone;
    Redraw();
  }
  CTKMarkupControl::OnMouseLeave(e);
}

void CTKMarkupScrollBar::OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) {
  e->m_bHandled = TRUE;
  if (!IsScrollEnabled() || m_pTracking || !GetMarkupContext()) return;
  TrackMouse(GetMarkupContext()->GetHostWindow(), e->GetPosition(this), ::GetKeyState(VK_SHIFT) < 0);
}

POINT CTKMarkupScrollBar::CursorInBar() const {
  POINT pt{};
  ::GetCursorPos(&pt);
  if (m_pTracking && m_pTracking->hWnd) ::ScreenToClient(m_pTracking->hWnd, &pt);
  const RECT rc =
      GetMarkupContext() ? GetMarkupContext()->GetElementRect(const_cast<CTKMarkupScrollBar*>(this)) : RECT{};
  return POINT{pt.x - rc.left, pt.y - rc.top};
}

void CTKMarkupScrollBar::TrackMouse(HWND hWnd, POINT pt, BOOL bShift) {
  CTKMarkupContext* pContext = GetMarkupContext();
  TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  AddRef();  // the commands may rebuild the viewer's bars
  pContext->AddRef();
  m_pTracking = new TRACKING();
  TRACKING& t = *m_pTracking;
  t.hWnd = hWnd;
  t.pLayout = &l;
  const int c = l.bVertical ? pt.y : pt.x;
  t.rcTrack = AlongRect(l.nStart, l.nEnd);
  bool bDrag = false;
  if (c < l.nFirstArrowEnd) {
    l.nActivePart = kPartFirstArrow;
    t.nCommand = kLineUp;
    t.rcTrack = AlongRect(l.nStart, l.nFirstArrowEnd);
  } else if (c < l.nSecondArrowStart && c < l.nThumbStart) {
    l.nActivePart = kPartPageBefore;
    t.nCommand = kPageUp;
    t.rcTrack = AlongRect(l.nFirstArrowEnd, l.nThumbStart);
    bDrag = bShift;
  } else if (c < l.nSecondArrowStart && c < l.nThumbEnd) {
    l.nActivePart = kPartThumb;
    bDrag = true;
  } else if (c < l.nSecondArrowStart) {
    l.nActivePart = kPartPageAfter;
    t.nCommand = kPageDown;
    t.rcTrack = AlongRect(l.nThumbEnd, l.nSecondArrowStart);
    bDrag = bShift;
  } else {
    l.nActivePart = kPartSecondArrow;
    t.nCommand = kLineDown;
    t.rcTrack = AlongRect(l.nSecondArrowStart, l.nEnd);
  }
  bool bRun = true;
  if (bDrag) {
    if (l.nThumbLength >= l.nSecondArrowStart - l.nFirstArrowEnd) {
      bRun = false;
    } else {
      l.nActivePart = kPartThumb;
      t.nCommand = kThumbPosition;
      // Where the drag stays live: the bar widened across by eight times its
      // width and lengthened by twice the system thumb size at each end.
      RECT rc = l.rcBar;
      if (l.bVertical) ::InflateRect(&rc, 8 * (rc.right - rc.left), 2 * ::GetSystemMetrics(SM_CYVTHUMB));
      else ::InflateRect(&rc, 2 * ::GetSystemMetrics(SM_CXHTHUMB), 8 * (rc.bottom - rc.top));
      t.rcTrack = rc;
      l.nDragStart = l.nThumbStart;
      t.nLastPixel = l.nThumbStart;
      t.nTrackPos = t.nNewPos = m_si.nPos;
      t.nDragOffset = bShift ? -(l.nThumbLength / 2) : l.nThumbStart - c;
      t.bDragging = TRUE;
    }
  }
  if (bRun) {
    pContext->SetCapture(this);
    if (t.bDragging) {
      SendScrollCommand(kThumbTrack, m_si.nPos);
      TrackThumb(WM_LBUTTONDOWN, pt.x, pt.y);
    } else {
      TrackPart(WM_LBUTTONDOWN, pt.x, pt.y);
    }
    MSG msg{};
    while (m_pTracking && ::GetCapture() == hWnd && pContext->GetCapturedElement() == this) {
      if (!::GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (!::IsWindow(hWnd)) break;
      if (msg.message == WM_TIMER && msg.hwnd == hWnd && msg.wParam == kRepeatTimerId) {
        OnRepeatTimer();
      } else if (IsMouseMessage(msg.message)) {
        POINT ptScreen = msg.pt;
        ::ScreenToClient(hWnd, &ptScreen);
        const RECT rcBar = pContext->GetElementRect(this);
        const int x = ptScreen.x - rcBar.left, y = ptScreen.y - rcBar.top;
        if (m_pTracking && m_pTracking->bDragging) TrackThumb(msg.message, x, y);
        else TrackPart(msg.message, x, y);
      } else {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    // Capture taken away (or the loop ended otherwise): the tracking ends as a release would.
    if (m_pTracking && m_pTracking->nCommand != -1) EndTracking();
  }
  if (::IsWindow(hWnd)) ::KillTimer(hWnd, kRepeatTimerId);
  delete m_pTracking;
  m_pTracking = nullptr;
  if (::IsWindow(hWnd)) {
    const POINT ptCursor = CursorInBar();
    l.nActivePart = HitTestPart(ptCursor.x, ptCursor.y);
    Redraw();
  }
  pContext->Release();
  Release();
}

void CTKMarkupScrollBar::TrackPart(UINT nMessage, int x, int y) {
  if (!m_pTracking) return;
  TRACKING& t = *m_pTracking;
  TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  if (nMessage != WM_NULL && !IsMouseMessage(nMessage)) return;
  // The page areas end at the thumb wherever it has got to.
  if (t.nCommand == kPageUp) {
    (l.bVertical ? t.rcTrack.bottom : t.rcTrack.right) = l.nThumbStart;
  } else if (t.nCommand == kPageDown) {
    (l.bVertical ? t.rcTrack.top : t.rcTrack.left) = l.nThumbEnd;
  }
  const POINT pt{x, y};
  const BOOL bInside = ::PtInRect(&t.rcTrack, pt);
  const BOOL bWasInside = t.bInside;
  if (bInside != t.bInside) {
    t.bInside = bInside;
    Redraw();
  }
  const UINT nDoubleClick = ::GetDoubleClickTime();
  UINT nInterval;
  if (nMessage == WM_MOUSEMOVE) {
    nInterval = nDoubleClick / 10;
  } else if (nMessage == WM_LBUTTONDOWN) {
    nInterval = 4 * nDoubleClick / 5;
    t.nTimer = 0;
  } else {
    if (nMessage == WM_LBUTTONUP) EndTracking();
    return;
  }
  if (bInside && !bWasInside) {
    t.nTimer = ::SetTimer(t.hWnd, kRepeatTimerId, nInterval, nullptr);
    SendScrollCommand(t.nCommand, 0);
  }
}

void CTKMarkupScrollBar::OnRepeatTimer() {
  if (!m_pTracking) return;
  const POINT pt = CursorInBar();
  TrackPart(WM_NULL, pt.x, pt.y);
  if (m_pTracking && m_pTracking->bInside) {
    m_pTracking->nTimer = ::SetTimer(m_pTracking->hWnd, kRepeatTimerId, ::GetDoubleClickTime() / 10, nullptr);
    SendScrollCommand(m_pTracking->nCommand, 0);
  }
}

void CTKMarkupScrollBar::TrackThumb(UINT nMessage, int x, int y) {
  if (!m_pTracking || !IsMouseMessage(nMessage)) return;
  TRACKING& t = *m_pTracking;
  const TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  const POINT pt{x, y};
  int nPixel;
  if (::PtInRect(&t.rcTrack, pt))
    nPixel =
        std::clamp((l.bVertical ? y : x) + t.nDragOffset, l.nTravelStart, l.nTravelStart + std::max(l.nFreeTravel, 0));
  else nPixel = l.nDragStart;  // dragged far away: back where the drag began
  MoveThumb(nPixel);
  if (nMessage == WM_LBUTTONUP || ::GetKeyState(VK_LBUTTON) >= 0) EndTracking();
}

void CTKMarkupScrollBar::MoveThumb(int nPixel) {
  TRACKING& t = *m_pTracking;
  TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  if (nPixel == t.nLastPixel) return;
  const int nPos = PosFromPixel(nPixel);
  if (nPos != t.nTrackPos) {
    t.nTrackPos = nPos;
    SendScrollCommand(kThumbTrack, nPos);
  }
  l.nThumbStart = nPixel;
  l.nThumbEnd = nPixel + l.nThumbLength;
  t.nLastPixel = nPixel;
  Redraw();
}

void CTKMarkupScrollBar::EndTracking() {
  if (!m_pTracking) return;
  TRACKING& t = *m_pTracking;
  t.nCommand = -1;
  if (GetMarkupContext()) GetMarkupContext()->ReleaseCapture(this);
  if (t.bDragging) {
    SendScrollCommand(kThumbPosition, t.nTrackPos);
    Redraw();
  } else if (::IsWindow(t.hWnd)) {
    ::KillTimer(t.hWnd, kRepeatTimerId);
  }
  SendScrollCommand(kEndScroll, 0);
}

void CTKMarkupScrollBar::OnRender(CTKMarkupDrawingContext* pDC) {
  const TKMARKUPSCROLLBARLAYOUT& l = m_layout;
  if (l.nAcrossEnd - l.nAcrossStart <= 0) return;
  const BOOL bEnabled = IsScrollEnabled();
  const BOOL bPressed = m_pTracking && (m_pTracking->bInside || m_pTracking->bDragging);
  auto StateOf = [&](int nPart) {
    if (!bEnabled) return 4;
    if (l.nActivePart != nPart) return 1;
    if (m_pTracking) return bPressed ? 3 : 2;
    return 2;
  };
  RECT rcFirst = AlongRect(l.nStart, l.nFirstArrowEnd);
  RECT rcSecond = AlongRect(l.nSecondArrowStart, l.nEnd);
  int nThumbLength = l.nThumbLength;
  if (!bEnabled || l.nThumbEnd > l.nSecondArrowStart) nThumbLength = 0;
  RECT rcTrack = AlongRect(l.nFirstArrowEnd, l.nSecondArrowStart);
  RECT rcBefore = AlongRect(l.nFirstArrowEnd, nThumbLength ? l.nThumbStart : l.nFirstArrowEnd);
  RECT rcThumb = AlongRect(l.nThumbStart, l.nThumbStart + nThumbLength);
  RECT rcAfter = AlongRect(nThumbLength ? l.nThumbEnd : l.nSecondArrowStart, l.nSecondArrowStart);

  HDC hDC = pDC->GetDC();
  m_pTheme->OpenThemeData(nullptr, u"SCROLLBAR");
  if (m_pTheme->IsAppThemed()) {
    // Arrows are part 1, states 1-4 after the arrow's base.
    m_pTheme->DrawThemeBackground(hDC, 1, (l.bVertical ? 0 : 8) + StateOf(kPartFirstArrow), &rcFirst, nullptr);
    m_pTheme->DrawThemeBackground(hDC, 1, (l.bVertical ? 4 : 12) + StateOf(kPartSecondArrow), &rcSecond, nullptr);
    if (!::IsRectEmpty(&rcTrack)) {
      if (!::IsRectEmpty(&rcBefore))
        m_pTheme->DrawThemeBackground(hDC, l.bVertical ? 6 : 4, StateOf(kPartPageBefore), &rcBefore, nullptr);
      if (!::IsRectEmpty(&rcThumb)) {
        m_pTheme->DrawThemeBackground(hDC, l.bVertical ? 3 : 2, StateOf(kPartThumb), &rcThumb, nullptr);
        if (nThumbLength > 13)
          m_pTheme->DrawThemeBackground(hDC, l.bVertical ? 9 : 8, StateOf(kPartThumb), &rcThumb, nullptr);
      }
      if (!::IsRectEmpty(&rcAfter))
        m_pTheme->DrawThemeBackground(hDC, l.bVertical ? 7 : 5, StateOf(kPartPageAfter), &rcAfter, nullptr);
    }
  } else {
    auto Arrow = [&](RECT rc, int nPart, UINT nStyle) {
      UINT nState = nStyle;
      if (StateOf(nPart) == 3) nState |= DFCS_PUSHED;
      if (!bEnabled) nState |= DFCS_INACTIVE;
      ::DrawFrameControl(hDC, &rc, DFC_SCROLL, nState);
    };
    Arrow(rcFirst, kPartFirstArrow, l.bVertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT);
    Arrow(rcSecond, kPartSecondArrow, l.bVertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
    const COLORREF clrOldBack = ::SetBkColor(hDC, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    const COLORREF clrOldText = ::SetTextColor(hDC, ::GetSysColor(COLOR_BTNFACE));
    HBRUSH hBrush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(::GetDesktopWindow(), WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(hDC), 0));
    ::FillRect(hDC, &rcTrack, hBrush ? hBrush : ::GetSysColorBrush(COLOR_SCROLLBAR));
    ::SetBkColor(hDC, clrOldBack);
    ::SetTextColor(hDC, clrOldText);
    if (bPressed && l.nActivePart == kPartPageBefore) ::InvertRect(hDC, &rcBefore);
    if (bPressed && l.nActivePart == kPartPageAfter) ::InvertRect(hDC, &rcAfter);
    if (nThumbLength && !::IsRectEmpty(&rcTrack)) {
      pDC->FillSolidRect(rcThumb, ::GetSysColor(COLOR_BTNFACE));
      ::DrawEdge(hDC, &rcThumb, EDGE_RAISED, BF_RECT | BF_ADJUST);
    }
  }
  pDC->ReleaseDC(hDC);
}

// ---- gripper -----------------------------------------------------------------------------------

void CTKMarkupScrollBarGripper::OnRender(CTKMarkupDrawingContext* pDC) {
  const SIZE size = GetRenderSize();
  pDC->FillSolidRect(RECT{0, 0, size.cx, size.cy}, ::GetSysColor(COLOR_BTNFACE));
}

void CTKMarkupScrollBarGripper::ArrangeCore(int left, int top, int right, int bottom) {
  // A bare UI element keeps its offset when arranged; the corner square must
  // move to the corner, or it covers the content's top-left corner.
  CTKMarkupUIElement::ArrangeCore(left, top, right, bottom);
  SetVisualOffset(POINT{left, top});
}

// ---- viewer ------------------------------------------------------------------------------------

void CTKMarkupScrollViewer::RegisterMarkupDependencyProperties() {
  m_pVerticalScrollBarVisibilityProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"VerticalScrollBarVisibility", CTKMarkupEnum::GetMarkupClass(), GetMarkupClass(),
      new CTKMarkupPropertyMetadata(nullptr, &ConvertScrollBarVisibility, MPF_AFFECTSMEASURE));
  m_pHorizontalScrollBarVisibilityProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"HorizontalScrollBarVisibility", CTKMarkupEnum::GetMarkupClass(), GetMarkupClass(),
      new CTKMarkupPropertyMetadata(nullptr, &ConvertScrollBarVisibility, MPF_AFFECTSMEASURE));
}

CTKMarkupScrollViewer::CTKMarkupScrollViewer() {
  GetMarkupClass()->EnsureRegistered();
  SetValue(m_pClipToBoundsProperty, CTKMarkupBool::CreateBool(TRUE));
}

CTKMarkupScrollViewer::~CTKMarkupScrollViewer() {
  ReleaseScrollBar(1);
  ReleaseScrollBar(0);
  if (m_pGripper) {
    m_pGripper->SetLogicalParent(nullptr);
    MarkupRelease(m_pGripper);
  }
}

int CTKMarkupScrollViewer::GetVisibility(CTKMarkupDependencyProperty* pProperty, int nUnset) const {
  const auto* p = MarkupDynamicCast<CTKMarkupEnum>(GetValue(pProperty));
  return p ? p->GetValue() : nUnset;
}

int CTKMarkupScrollViewer::GetVisualChildrenCount() const {
  return (GetContent() ? 1 : 0) + (m_pVerticalBar ? 1 : 0) + (m_pHorizontalBar ? 1 : 0) + (m_pGripper ? 1 : 0);
}

CTKMarkupVisual* CTKMarkupScrollViewer::GetVisualChild(int nIndex) const {
  CTKMarkupVisual* children[] = {GetContent(), m_pVerticalBar, m_pHorizontalBar, m_pGripper};
  for (CTKMarkupVisual* p : children) {
    if (!p) continue;
    if (nIndex-- == 0) return p;
  }
  return nullptr;
}

void CTKMarkupScrollViewer::EnsureScrollBar(int nOrientation) {
  CTKMarkupScrollBar*& pBar = nOrientation ? m_pVerticalBar : m_pHorizontalBar;
  if (pBar || !GetMarkupContext()) return;
  pBar = MarkupDynamicCast<CTKMarkupScrollBar>(GetMarkupContext()->CreateObject(CTKMarkupScrollBar::GetMarkupClass()));
  if (!pBar) return;
  pBar->SetOrientation(nOrientation);
  pBar->SetLogicalParent(this);
}

void CTKMarkupScrollViewer::ReleaseScrollBar(int nOrientation) {
  CTKMarkupScrollBar*& pBar = nOrientation ? m_pVerticalBar : m_pHorizontalBar;
  if (!pBar) return;
  pBar->SetLogicalParent(nullptr);
  MarkupRelease(pBar);
}

int CTKMarkupScrollViewer::GetMaxOffset(int nOrientation) const {
  const CTKMarkupScrollBar* pBar = GetScrollBar(nOrientation);
  if (!pBar) return 0;
  const SCROLLINFO& si = pBar->GetScrollInfo();
  const int nMax = si.nPage >= 2 ? MarkupSaturate(static_cast<long long>(si.nMax) - (si.nPage - 1)) : si.nMax;
  return std::max(nMax, 0);
}

void CTKMarkupScrollViewer::SetOffset(int nOrientation, int nValue) {
  nValue = std::max(nValue, 0);
  if (!m_bMeasureDirty && !m_bArrangeDirty) nValue = std::min(nValue, GetMaxOffset(nOrientation));
  int& nOffset = nOrientation ? m_nVerticalOffset : m_nHorizontalOffset;
  if (nValue == nOffset) return;
  nOffset = nValue;
  InvalidateArrange();
}

void CTKMarkupScrollViewer::ScrollBy(int nOrientation, int nCommand, int nValue) {
  const CTKMarkupScrollBar* pBar = GetScrollBar(nOrientation);
  const int nPos = pBar ? pBar->GetScrollInfo().nPos : GetOffset(nOrientation);
  const int nPage = pBar ? static_cast<int>(pBar->GetScrollInfo().nPage) : 0;
  const int nMax = GetMaxOffset(nOrientation);
  int nNew = nPos;
  switch (nCommand) {
    case kLineUp:
      nNew = nPos > kLineStep ? nPos - kLineStep : 0;
      break;
    case kLineDown:
      nNew = std::min(MarkupAdd(nPos, kLineStep), nMax);
      break;
    case kPageUp:
      nNew = std::max(MarkupSub(nPos, nPage), 0);
      break;
    case kPageDown:
      nNew = std::min(MarkupAdd(nPos, nPage), nMax);
      break;
    case kTop:
      nNew = 0;
      break;
    case kBottom:
      nNew = nMax;
      break;
    case kThumbPosition:
    case kThumbTrack:
      nNew = nValue;
      break;
    default:
      break;
  }
  SetOffset(nOrientation, nNew);
}

void CTKMarkupScrollViewer::OnMouseWheel(CTKMarkupMouseWheelEventArgs* e) {
  SetOffset(1, MarkupAdd(m_nVerticalOffset, e->m_nDelta < 0 ? kWheelStep : -kWheelStep));
  e->m_bHandled = TRUE;
}

SIZE CTKMarkupScrollViewer::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  CTKMarkupUIElement* pContent = GetContent();
  if (!pContent) return SIZE{0, 0};
  int nVertical = GetVisibility(m_pVerticalScrollBarVisibilityProperty, kVisible);
  int nHorizontal = GetVisibility(m_pHorizontalScrollBarVisibilityProperty, kDisabled);
  int cw = nHorizontal != kDisabled ? kUnbounded : cx;
  int ch = cy;
  int bw = 0, bh = 0;

  if (nVertical == kAuto) {
    pContent->Measure(pDC, cw, kUnbounded);
    nVertical = pContent->GetDesiredSize().cy > cy ? kVisible : -1;
  }
  if (nVertical == kVisible) {
    EnsureScrollBar(1);
    if (m_pVerticalBar) {
      m_pVerticalBar->Measure(pDC, cx, cy);
      bw = m_pVerticalBar->GetDesiredSize().cx;
    }
    if (cw != kUnbounded) cw = std::max(cw - bw, 0);
    ch = kUnbounded;
  } else {
    ch = nVertical == kDisabled ? cy : kUnbounded;
    ReleaseScrollBar(1);
    m_nVerticalOffset = 0;
  }

  if (nHorizontal == kAuto) {
    pContent->Measure(pDC, cw, ch);
    nHorizontal = pContent->GetDesiredSize().cx > cx - bw ? kVisible : -1;
  }
  if (nHorizontal == kVisible) {
    EnsureScrollBar(0);
    if (m_pHorizontalBar) {
      m_pHorizontalBar->Measure(pDC, cx, cy);
      bh = m_pHorizontalBar->GetDesiredSize().cy;
    }
    if (ch != kUnbounded) ch = std::max(ch - bh, 0);
  } else {
    ReleaseScrollBar(0);
    m_nHorizontalOffset = 0;
  }

  if (m_pVerticalBar && m_pHorizontalBar) {
    if (!m_pGripper && GetMarkupContext()) {
      m_pGripper = MarkupDynamicCast<CTKMarkupScrollBarGripper>(
          GetMarkupContext()->CreateObject(CTKMarkupScrollBarGripper::GetMarkupClass()));
      if (m_pGripper) m_pGripper->SetLogicalParent(this);
    }
  } else if (m_pGripper) {
    m_pGripper->SetLogicalParent(nullptr);
    MarkupRelease(m_pGripper);
  }

  pContent->Measure(pDC, cw, ch);
  const SIZE content = pContent->GetDesiredSize();
  const long long w = static_cast<long long>(bw) + content.cx, h = static_cast<long long>(bh) + content.cy;
  return SIZE{static_cast<LONG>(std::min<long long>(cx, w)), static_cast<LONG>(std::min<long long>(cy, h))};
}

SIZE CTKMarkupScrollViewer::ArrangeOverride(int cx, int cy) {
  CTKMarkupUIElement* pContent = GetContent();
  if (!pContent) return SIZE{cx, cy};
  const int vbw = m_pVerticalBar ? m_pVerticalBar->GetDesiredSize().cx : 0;
  const int hbh = m_pHorizontalBar ? m_pHorizontalBar->GetDesiredSize().cy : 0;
  const int vw = cx - vbw, vh = cy - hbh;
  const SIZE content = pContent->GetDesiredSize();
  if (m_pVerticalBar) {
    if (m_nVerticalOffset > 0 && content.cy < static_cast<long long>(vh) + m_nVerticalOffset)
      m_nVerticalOffset = std::max(MarkupSub(content.cy, vh), 0);
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    si.nMin = 0, si.nMax = content.cy - 1, si.nPage = static_cast<UINT>(std::max(vh, 0)), si.nPos = m_nVerticalOffset;
    m_pVerticalBar->UpdateScrollInfo(si);
    m_pVerticalBar->Arrange(RECT{cx - vbw, 0, cx, vh});
  }
  if (m_pHorizontalBar) {
    if (m_nHorizontalOffset > 0 && content.cx < static_cast<long long>(vw) + m_nHorizontalOffset)
      m_nHorizontalOffset = std::max(MarkupSub(content.cx, vw), 0);
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    si.nMin = 0, si.nMax = content.cx - 1, si.nPage = static_cast<UINT>(std::max(vw, 0)), si.nPos = m_nHorizontalOffset;
    m_pHorizontalBar->UpdateScrollInfo(si);
    m_pHorizontalBar->Arrange(RECT{0, cy - hbh, vw, cy});
  }
  if (m_pGripper && m_pVerticalBar && m_pHorizontalBar) m_pGripper->Arrange(RECT{cx - vbw, cy - hbh, cx, cy});
  const int w = std::max<int>(content.cx, vw), h = std::max<int>(content.cy, vh);
  pContent->Arrange(RECT{-m_nHorizontalOffset, -m_nVerticalOffset, w - m_nHorizontalOffset, h - m_nVerticalOffset});
  return SIZE{cx, cy};
}
