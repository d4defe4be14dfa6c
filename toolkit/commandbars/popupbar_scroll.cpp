// What changes a popup after it was placed: scrolling a popup taller than
// its room between two scroll buttons, and resizing a popup that holds a
// resizable gallery by the grip along its bottom.
#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/mousemanager.h"
#include "toolkit/common/shadowmanager.h"

// ---- scrolling ----

void CTKPopupBar::ScrollLayout(const CSize* pSize, BOOL bUpwards, BOOL bRedraw) {
  CSize sz;
  if (pSize) sz = *pSize;
  else if (GetSafeHwnd()) {
    CRect rcClient;
    GetClientRect(&rcClient);
    sz = rcClient.Size();
  }
  m_scrollUp.rc.SetRectEmpty();
  m_scrollDown.rc.SetRectEmpty();
  const int nCount = GetControlCount();
  CRect rcBorders = GetBorders();
  int nGripHeight = 0;
  if (m_nResizeMode != kTKResizeNone)
    nGripHeight = m_nResizeMode == kTKResizeHeight ? kResizeGripHeightOnly : kResizeGripBoth;
  rcBorders.bottom += nGripHeight;
  CTKControl* pExpand = FindExpandButton();
  int nExpandHeight = 0;
  if (m_bHiddenCommands && pExpand) {
    nExpandHeight = pExpand->GetRect().Height();
    rcBorders.bottom += nExpandHeight;
    pExpand->SetHideFlag(kTKHideGeneric, TRUE);
  }
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  const int nSeparator = pPaintManager ? pPaintManager->DrawCommandBarSeparator(nullptr, this, nullptr, FALSE).cy : 0;
  const int nLeft = rcBorders.left;
  const int nRight = sz.cx - rcBorders.right;
  auto placeable = [this](int i) {
    CTKControl* pControl = GetControl(i);
    pControl->SetHideFlag(kTKHideScroll, FALSE);
    return pControl->IsVisible();
  };

  if (!bUpwards) {
    if (m_nFirstVisible == 1) m_nFirstVisible = 0;
    int y = rcBorders.top;
    if (m_nFirstVisible != 0) {
      m_scrollUp.rc.SetRect(nLeft, rcBorders.top, nRight, rcBorders.top + kScrollButtonHeight);
      y += kScrollButtonHeight;
    }
    int i = m_nFirstVisible;
    BOOL bFirstPlaced = TRUE;
    for (; i < nCount; ++i) {
      if (!placeable(i)) continue;
      CTKControl* pControl = GetControl(i);
      const int nHeight = pControl->GetRect().Height();
      const int nGap = !bFirstPlaced && pControl->GetBeginGroup() ? nSeparator : 0;
      if (sz.cy - nHeight - (y + nGap) < rcBorders.bottom + kScrollButtonHeight) {
        if (!bFirstPlaced) break;
        // A control taller than the room takes all of it, alone.
        pControl->SetRect(CRect(nLeft, y, nRight, sz.cy - rcBorders.bottom));
        ++i;
        break;
      }
      y += nGap;
      pControl->SetRect(CRect(nLeft, y, nRight, y + nHeight));
      y += nHeight;
      bFirstPlaced = FALSE;
    }
    m_nEndIndex = i;
    for (; i < nCount; ++i) GetControl(i)->SetHideFlag(kTKHideScroll, TRUE);
    for (int j = 0; j < m_nFirstVisible; ++j) GetControl(j)->SetHideFlag(kTKHideScroll, TRUE);
    if (m_nEndIndex != nCount)
      m_scrollDown.rc.SetRect(nLeft, sz.cy - rcBorders.bottom - kScrollButtonHeight, nRight, sz.cy - rcBorders.bottom);
  } else {
    if (m_nEndIndex == nCount - 1) m_nEndIndex = nCount;
    m_nEndIndex = std::min(m_nEndIndex, nCount);
    int y = sz.cy - rcBorders.bottom;
    if (m_nEndIndex != nCount) {
      m_scrollDown.rc.SetRect(nLeft, y - kScrollButtonHeight, nRight, y);
      y -= kScrollButtonHeight;
    }
    int i = m_nEndIndex - 1;
    BOOL bFirstPlaced = TRUE;
    for (; i >= 0; --i) {
      if (!placeable(i)) continue;
      CTKControl* pControl = GetControl(i);
      const int nHeight = pControl->GetRect().Height();
      if (y - nHeight < rcBorders.top + kScrollButtonHeight && !bFirstPlaced) break;
      if (y - nHeight < rcBorders.top + kScrollButtonHeight) {
        pControl->SetRect(CRect(nLeft, rcBorders.top + kScrollButtonHeight, nRight, y));
        --i;
        break;
      }
      pControl->SetRect(CRect(nLeft, y - nHeight, nRight, y));
      y -= nHeight;
      if (pControl->GetBeginGroup()) y -= nSeparator;
      bFirstPlaced = FALSE;
    }
    m_nFirstVisible = i + 1;
    for (; i >= 0; --i) GetControl(i)->SetHideFlag(kTKHideScroll, TRUE);
    for (int j = m_nEndIndex; j < nCount; ++j) GetControl(j)->SetHideFlag(kTKHideScroll, TRUE);
    if (m_nFirstVisible > 0) m_scrollUp.rc.SetRect(nLeft, rcBorders.top, nRight, rcBorders.top + kScrollButtonHeight);
  }
  if (m_bHiddenCommands && pExpand) {
    pExpand->SetHideFlag(kTKHideGeneric, FALSE);
    pExpand->SetHideFlag(kTKHideScroll, FALSE);
    const int nTop = sz.cy - rcBorders.bottom;
    pExpand->SetRect(CRect(nLeft, nTop, nRight, nTop + nExpandHeight));
  }
  const int nGripTop = sz.cy - rcBorders.bottom + nExpandHeight;
  m_rcResizeGrip.SetRect(nLeft, nGripTop, nRight, nGripTop + nGripHeight);
  if (bRedraw) Redraw(nullptr);
}

void CTKPopupBar::OnScrollButtonsHover(CPoint point) {
  for (CScrollButton* pButton : {&m_scrollDown, &m_scrollUp}) {
    if (!pButton->rc.IsRectEmpty() && pButton->rc.PtInRect(point)) {
      if (pButton->nTimer == 0) {
        SetPopupedControl(-1);
        pButton->nTimer = ::SetTimer(m_hWnd, pButton->nEvent, kScrollInterval, nullptr);
      }
    } else if (pButton->nTimer != 0) {
      ::KillTimer(m_hWnd, pButton->nEvent);
      pButton->nTimer = 0;
    }
  }
}

void CTKPopupBar::StepScroll(UINT_PTR nEvent) {
  CScrollButton& button = nEvent == kScrollDownTimerId ? m_scrollDown : m_scrollUp;
  const BOOL bDown = nEvent == kScrollDownTimerId;
  if (!m_bScrolling || (bDown ? m_nEndIndex >= GetControlCount() : m_nFirstVisible <= 0)) {
    ::KillTimer(m_hWnd, nEvent);
    button.nTimer = 0;
    return;
  }
  if (bDown) {
    ++m_nEndIndex;
    ScrollLayout(nullptr, TRUE, TRUE);
  } else {
    --m_nFirstVisible;
    ScrollLayout(nullptr, FALSE, TRUE);
  }
  // The end reached: the button is gone and its timer stops.
  if (button.rc.IsRectEmpty()) {
    ::KillTimer(m_hWnd, nEvent);
    button.nTimer = 0;
  }
}

void CTKPopupBar::KillScrollTimers() {
  for (CScrollButton* pButton : {&m_scrollDown, &m_scrollUp}) {
    if (pButton->nTimer != 0 && GetSafeHwnd()) ::KillTimer(m_hWnd, pButton->nEvent);
    pButton->nTimer = 0;
  }
}

void CTKPopupBar::DrawScrollArrows(CDC* pDC) {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  const COLORREF clr = pPaintManager ? pPaintManager->GetColor(COLOR_BTNTEXT) : ::GetSysColor(COLOR_BTNTEXT);
  // Triangles 7 pixels wide and 3 high at the buttons' centres.
  auto triangle = [&](const CRect& rc, BOOL bDown) {
    const CPoint c = rc.CenterPoint();
    for (int row = 0; row < 3; ++row) {
      const int nHalf = bDown ? 3 - row : row + 1;
      const int y = c.y - 1 + row;
      pDC->FillSolidRect(c.x - nHalf, y, nHalf * 2 + (bDown ? 1 : -1), 1, clr);
    }
  };
  if (!m_scrollDown.rc.IsRectEmpty()) triangle(m_scrollDown.rc, TRUE);
  if (!m_scrollUp.rc.IsRectEmpty()) triangle(m_scrollUp.rc, FALSE);
}

// ---- the resize grip ----

void CTKPopupBar::TrackResize() {
  CTKControl* pGallery = FirstVisibleGallery();
  if (!pGallery || !GetSafeHwnd() || (::GetCapture() && ::GetCapture() != m_hWnd)) return;
  // The gallery may go while the loop dispatches: hold it.
  pGallery->InternalAddRef();
  const int nStartWidth = pGallery->GetWidth();
  const int nStartHeight = pGallery->GetRect().Height();
  const int nMinWidth = pGallery->GetCustomizeMinWidth();
  const int nMinHeight = pGallery->GetCustomizeMinHeight();
  const BOOL bRtl = (::GetWindowLong(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  SetPopupedControl(-1);
  SetSelected(-1);
  HWND hWnd = m_hWnd;
  ::SetCapture(hWnd);
  m_bTrackingResize = TRUE;
  CPoint ptLast;
  ::GetCursorPos(&ptLast);
  int nWidth = nStartWidth > 0 ? nStartWidth : pGallery->GetRect().Width();
  int nHeight = nStartHeight;
  auto apply = [&](int cx, int cy) {
    if (m_nResizeMode & kTKResizeWidth) pGallery->SetWidth(std::max(cx, nMinWidth));
    if (m_nResizeMode & kTKResizeHeight) pGallery->SetHeight(std::max(cy, nMinHeight));
    ApplyResize();
  };
  MSG msg{};
  while (::IsWindow(hWnd) && ::GetCapture() == hWnd) {
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE) {
      CPoint pt;
      ::GetCursorPos(&pt);
      if (pt == ptLast) {
        ::DispatchMessageW(&msg);
        continue;
      }
      nWidth += bRtl ? ptLast.x - pt.x : pt.x - ptLast.x;
      nHeight += pt.y - ptLast.y;
      ptLast = pt;
      apply(nWidth, nHeight);
    } else if (msg.message == WM_KEYDOWN) {
      if (msg.wParam == VK_ESCAPE) {
        apply(nStartWidth, nStartHeight);
        break;
      }
    } else if (msg.message == WM_LBUTTONUP) {
      break;
    } else {
      ::DispatchMessageW(&msg);
    }
  }
  m_bTrackingResize = FALSE;
  if (::GetCapture() == hWnd) ::ReleaseCapture();
  pGallery->InternalRelease();
}

void CTKPopupBar::ApplyResize() {
  if (m_bInLayout || !GetSafeHwnd() || !IsTrackingMode()) return;
  const CSize sz = CalcDynamicLayout(0, 0);
  CRect rcWindow;
  GetWindowRect(&rcWindow);
  CRect rc(rcWindow.TopLeft(), sz);
  // A right-to-left popup keeps its top-right corner.
  if (::GetWindowLong(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) rc.OffsetRect(rcWindow.right - rc.right, 0);
  if (rc != rcWindow) {
    ::SetWindowRgn(m_hWnd, nullptr, FALSE);
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    CTKBarPaintManager* pPaintManager = GetPaintManager();
    if (pPaintManager) {
      pPaintManager->SetCommandBarRegion(this);
      if (m_bShadowsAdded)
        pPaintManager->GetShadowManager()->OffsetShadows(this, rc.Width() - rcWindow.Width(),
                                                         rc.Height() - rcWindow.Height());
    }
  }
  Redraw(nullptr);
}
