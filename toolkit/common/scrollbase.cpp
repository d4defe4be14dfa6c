#include "toolkit/common/scrollbase.h"

#include <algorithm>
#include <memory>

#include "platform/framework/afxwnd.h"
#include "toolkit/common/scrollbarpaintmanager.h"
#include "toolkit/common/painttheme.h"

namespace {

thread_local int t_activeTrackings = 0;

bool IsMouseMessage(UINT nMessage) { return nMessage >= WM_MOUSEFIRST && nMessage <= 0x20D; }

}  // namespace

int CTKScrollBase::GetActiveTrackingCount() { return t_activeTrackings; }

// ---- layout --------------------------------------------------------------------------------------

void CTKScrollBase::UpdateLayout() {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  const CRect rc = GetScrollBarRect();
  GetScrollInfo(&si);
  CalcPartRects(rc, &m_spi, &si);
}

void CTKScrollBase::CalcPartRects(CRect rc, TK_SCROLLBAR_POSINFO* pSBInfo, const SCROLLINFO* psi) {
  TK_SCROLLBAR_POSINFO& spi = *pSBInfo;
  spi.rc = rc;
  spi.pxTop = m_bVertical ? rc.top : rc.left;
  spi.pxBottom = m_bVertical ? rc.bottom : rc.right;
  spi.pxLeft = m_bVertical ? rc.left : rc.top;
  spi.pxRight = m_bVertical ? rc.right : rc.bottom;

  const CTKScrollBarPaintManager* pm = GetScrollBarPaintManager();
  const int arrow = pm ? (m_bVertical ? pm->m_cyVScroll : pm->m_cxHScroll)
                       : ::GetSystemMetrics(m_bVertical ? SM_CYVSCROLL : SM_CXHSCROLL);
  const int a = std::min(arrow, (spi.pxBottom - spi.pxTop) / 2);
  spi.pxUpArrow = spi.pxTop + a;
  spi.pxDownArrow = spi.pxBottom - a;

  spi.posMin = psi->nMin;
  spi.posMax = psi->nMax;
  spi.page = static_cast<int>(psi->nPage);
  spi.pos = std::clamp(psi->nPos, spi.posMin, std::max(spi.posMin, spi.posMax));
  const int range = spi.posMax - spi.posMin + 1;

  int thumb = arrow;
  if (spi.page && range) thumb = std::max(::MulDiv(spi.pxDownArrow - spi.pxUpArrow, spi.page, range), arrow / 2);
  if (pm && pm->m_nThumbSize) thumb = pm->m_nThumbSize;
  spi.pxThumbSize = thumb;

  spi.pxTrackStart = spi.pxTop + a;
  spi.pxTrackLength = spi.pxBottom - a - thumb - spi.pxTrackStart;
  const int p = spi.page ? spi.page : 1;
  if (range == p) spi.pxThumbTop = spi.pxTrackStart - 1;
  else spi.pxThumbTop = spi.pxTrackStart + ::MulDiv(spi.pos - spi.posMin, spi.pxTrackLength, range - p);
  spi.pxThumbBottom = spi.pxThumbTop + thumb;
  spi.pxStop = 0;
}

int CTKScrollBase::HitTest(CPoint point) const {
  if (!m_spi.rc.PtInRect(point)) return 0;
  const int v = Along(point);
  if (v < m_spi.pxUpArrow) return kHitUpArrow;
  if (m_spi.pxStop > 0 && m_spi.pxStop < v) return kHitStop;
  if (v >= m_spi.pxDownArrow) return kHitDownArrow;
  if (v < m_spi.pxThumbTop) return kHitPageUp;
  if (v < m_spi.pxThumbBottom) return kHitThumb;
  return kHitPageDown;
}

CRect CTKScrollBase::PartRect(int from, int to) const {
  return m_bVertical ? CRect(m_spi.pxLeft, from, m_spi.pxRight, to) : CRect(from, m_spi.pxLeft, to, m_spi.pxRight);
}

CRect CTKScrollBase::CalcTrackingRect(const TK_SCROLLBAR_TRACKINFO*) const {
  CRect rc = m_spi.rc;
  if (m_bVertical) rc.InflateRect(8 * rc.Width(), 2 * ::GetSystemMetrics(SM_CYVTHUMB));
  else rc.InflateRect(2 * ::GetSystemMetrics(SM_CXHTHUMB), 8 * rc.Height());
  return rc;
}

int CTKScrollBase::GetScrollBarStyle() const {
  if (m_nScrollBarStyle != kStyleFromTheme) return m_nScrollBarStyle;
  const CTKScrollBarPaintManager* pm = GetScrollBarPaintManager();
  // An unknown number is not the default look: it takes the themed style.
  const int number = pm && pm->m_pPaintManager ? pm->m_pPaintManager->GetBaseTheme() : 0;
  const std::optional<TKPaintTheme> theme = TKPaintThemeFromNumber(number);
  if (theme == TKPaintTheme::Default) return kStyleFlat;
  if (theme == TKPaintTheme::Resource || theme == TKPaintTheme::Ribbon) return kStyleImages;
  return kStyleThemed;
}

// ---- tracking ------------------------------------------------------------------------------------

void CTKScrollBase::TrackScrollClick(HWND hWnd, CPoint point, TK_SCROLLBAR_POSINFO* pSBInfo, BOOL bJump) {
  if (!hWnd || !pSBInfo || m_pSBTrack) return;
  const TK_SCROLLBAR_POSINFO& spi = *pSBInfo;
  const int hit = HitTest(point);
  auto track = std::make_unique<TK_SCROLLBAR_TRACKINFO>();
  track->hWnd = hWnd;
  BOOL thumb = FALSE;
  switch (hit) {
    case kHitUpArrow:
      track->nPart = SB_LINEUP;
      track->rcPart = PartRect(spi.pxTop, spi.pxUpArrow);
      break;
    case kHitPageUp:
      track->nPart = SB_PAGEUP;
      track->rcPart = PartRect(spi.pxUpArrow, spi.pxThumbTop);
      thumb = bJump;
      break;
    case kHitThumb:
      thumb = TRUE;
      break;
    case kHitPageDown:
      track->nPart = SB_PAGEDOWN;
      track->rcPart = PartRect(spi.pxThumbBottom, spi.pxDownArrow);
      thumb = bJump;
      break;
    case kHitDownArrow:
      track->nPart = SB_LINEDOWN;
      track->rcPart = PartRect(spi.pxDownArrow, spi.pxBottom);
      break;
    default:
      return;
  }
  m_nPressedHt = thumb ? kHitThumb : hit;
  if (thumb) {
    // A thumb that fills the space between the arrows cannot be dragged.
    if (spi.pxThumbSize >= spi.pxDownArrow - spi.pxUpArrow) return;
    track->nPart = kPartThumb;
    track->rcPart = CalcTrackingRect(track.get());
    m_spi.pxStart = spi.pxThumbTop;
    track->pxThumb = spi.pxThumbTop;
    track->posNew = track->posOld = spi.pos;
    track->dpxThumb = bJump ? -(spi.pxThumbSize / 2) : spi.pxThumbTop - Along(point);
    track->bDragThumb = TRUE;
  }
  m_pSBTrack = track.release();
  if (m_pSBTrack->bDragThumb) DoScroll(SB_THUMBTRACK, m_pSBTrack->posNew);

  ::SetCapture(hWnd);
  ++t_activeTrackings;
  HandleTrackMouse(WM_LBUTTONDOWN, point);

  MSG msg{};
  while (m_pSBTrack && ::GetCapture() == hWnd) {
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!::IsWindow(hWnd)) break;
    if (msg.message == WM_TIMER && msg.hwnd == hWnd && msg.wParam == kRepeatTimerId) {
      OnRepeatTimer();
    } else if (msg.message == WM_TIMER && msg.hwnd == hWnd && msg.wParam == kAnimationTimerId) {
      OnScrollAnimationStep();
    } else if (IsMouseMessage(msg.message)) {
      CPoint pt(msg.pt);
      ::ScreenToClient(hWnd, &pt);
      HandleTrackMouse(msg.message, pt);
    } else {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  --t_activeTrackings;
  if (::IsWindow(hWnd)) ::KillTimer(hWnd, kRepeatTimerId);
  delete m_pSBTrack;
  m_pSBTrack = nullptr;

  if (::IsWindow(hWnd)) {
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ::ScreenToClient(hWnd, &cursor);
    m_nPressedHt = HitTest(cursor);
    RedrawScrollBar();
  }
  while (m_bAnimation) {
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_TIMER && msg.wParam == kAnimationTimerId) OnScrollAnimationStep();
    else ::DispatchMessageW(&msg);
  }
}

void CTKScrollBase::HandleTrackMouse(UINT nMessage, CPoint point) {
  if (!m_pSBTrack) return;
  if (m_pSBTrack->bDragThumb) OnThumbTrackMove(nMessage, point);
  else OnArrowOrPageMouse(nMessage, point);
}

void CTKScrollBase::FollowThumb() {
  // A page area reaches from the arrow to where the thumb is now.
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  if (track.nPart == SB_PAGEUP) track.rcPart = PartRect(m_spi.pxUpArrow, m_spi.pxThumbTop);
  if (track.nPart == SB_PAGEDOWN) track.rcPart = PartRect(m_spi.pxThumbBottom, m_spi.pxDownArrow);
}

void CTKScrollBase::OnArrowOrPageMouse(UINT nMessage, CPoint point) {
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  FollowThumb();
  const BOOL inside = track.rcPart.PtInRect(point);
  const BOOL entered = inside && !track.bInside;
  if (inside != track.bInside) {
    track.bInside = inside;
    RedrawScrollBar();
  }
  UINT interval = 0;
  switch (nMessage) {
    case WM_LBUTTONDOWN:
      interval = ::GetDoubleClickTime() * 4 / 5;
      break;
    case WM_MOUSEMOVE:
      interval = ::GetDoubleClickTime() / 10;
      break;
    case WM_LBUTTONUP:
      EndTracking(FALSE);
      return;
    default:
      return;
  }
  if (!entered) return;
  m_nTimerElapse = interval;
  track.nTimerID = ::SetTimer(track.hWnd, kRepeatTimerId, interval, nullptr);
  DoScroll(track.nPart, 0);
}

void CTKScrollBase::OnRepeatTimer() {
  if (!m_pSBTrack) return;
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  CPoint point;
  ::GetCursorPos(&point);
  ::ScreenToClient(track.hWnd, &point);
  FollowThumb();
  if (!track.rcPart.PtInRect(point)) return;
  m_nTimerElapse = ::GetDoubleClickTime() / 10;
  track.nTimerID = ::SetTimer(track.hWnd, kRepeatTimerId, m_nTimerElapse, nullptr);
  DoScroll(track.nPart, 0);
}

void CTKScrollBase::OnThumbTrackMove(UINT nMessage, CPoint point) {
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  const CTKScrollBarPaintManager* pm = GetScrollBarPaintManager();
  int px;
  if ((pm && pm->m_nThumbSize) || CalcTrackingRect(&track).PtInRect(point))
    px = std::clamp(Along(point) + track.dpxThumb, m_spi.pxTrackStart,
                    m_spi.pxTrackStart + std::max(0, m_spi.pxTrackLength));
  else px = m_spi.pxStart;  // too far off the bar: back to where the drag began
  MoveThumb(px);
  if (!m_pSBTrack) return;
  if (nMessage == WM_LBUTTONUP || ::GetKeyState(VK_LBUTTON) >= 0) EndTracking(FALSE);
}

void CTKScrollBase::MoveThumb(int px) {
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  const int start = m_spi.pxTrackStart;
  const int length = m_spi.pxTrackLength;
  int pos;
  if (px < start) pos = m_spi.posMin;
  else if (px >= start + length) pos = m_spi.page ? m_spi.posMax - m_spi.page + 1 : m_spi.posMax;
  else
    pos = m_spi.posMin +
          ::MulDiv(m_spi.posMax - m_spi.posMin - (m_spi.page > 0 ? m_spi.page - 1 : 0), px - start, length);
  if (pos != track.posNew) {
    DoScroll(SB_THUMBTRACK, pos);
    if (!m_pSBTrack) return;
    track.posNew = pos;
  }
  track.pxThumb = px;
  m_spi.pxThumbTop = px;
  m_spi.pxThumbBottom = px + m_spi.pxThumbSize;
  RedrawScrollBar();
}

void CTKScrollBase::EndTracking(BOOL bCancel) {
  if (!m_pSBTrack) return;
  TK_SCROLLBAR_TRACKINFO& track = *m_pSBTrack;
  const HWND hWnd = track.hWnd;
  if (::GetCapture() == hWnd) ::ReleaseCapture();
  if (track.bDragThumb) {
    if (bCancel) track.posNew = track.posOld;
    DoScroll(SB_THUMBPOSITION, track.posNew);
    RedrawScrollBar();
  } else if (::IsWindow(hWnd)) {
    ::KillTimer(hWnd, kRepeatTimerId);
  }
  DoScroll(SB_ENDSCROLL, 0);
}
