#include "toolkit/controls/popupcontrol.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/shell/shellapi.h"
#include "platform/system/modules.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/multimonitor.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/systemservices.h"
#include "toolkit/controls/popuppaintmanager.h"
#include "toolkit/markup/markupcontext.h"

namespace {

constexpr UINT kUpdateStateFlags =
    SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;  // 0x654
constexpr UINT kHandCursorResource = 9973;

}  // namespace

BEGIN_MESSAGE_MAP(CTKPopupControl, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_MOUSEACTIVATE()
ON_WM_TIMER()
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_SETCURSOR()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

CTKPopupControl::CTKPopupControl(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete) {
  // The layered-window functions are looked up by name: systems without
  // them get an opaque window and fading does nothing.
  TKEnsureUser32Module();
  if (HMODULE user32 = ::GetModuleHandleW(u"USER32")) {
    m_pfnSetLayeredWindowAttributes =
        pv::ProcAs<BOOL(HWND, COLORREF, BYTE, DWORD)>(::GetProcAddress(user32, "SetLayeredWindowAttributes"));
    m_pfnUpdateLayeredWindow = pv::ProcAs<BOOL(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD)>(
        ::GetProcAddress(user32, "UpdateLayeredWindow"));
  }
  m_pPaintManager = TKCreatePopupPaintManager(TKPopupTheme::Office2000).release();
  m_pPaintManager->RefreshMetrics();
  m_pImageManager = new CTKImageManager();
  m_hHandCursor = ::LoadCursor(nullptr, IDC_HAND);
  if (!m_hHandCursor) m_hHandCursor = GetResourceManager()->LoadCursor(kHandCursorResource);
}

CTKPopupControl::~CTKPopupControl() {
  Close();
  RemoveAllItems();
  delete m_pPaintManager;
  m_pPaintManager = nullptr;
  if (m_pImageManager) m_pImageManager->InternalRelease();
  m_pImageManager = nullptr;
  MarkupReleaseContext(m_pMarkupContext);
}

// ---- looks -----------------------------------------------------------------------------------

void CTKPopupControl::SetTheme(int nTheme) {
  // A number no look has gets the plain paint manager.
  const std::optional<TKPopupTheme> theme = TKPopupThemeFromNumber(nTheme);
  SetPaintManager(theme ? TKCreatePopupPaintManager(*theme).release() : new CTKPopupPaintManager());
  m_nTheme = nTheme;
}

void CTKPopupControl::SetPaintManager(CTKPopupPaintManager* pPaintManager) {
  if (!pPaintManager || pPaintManager == m_pPaintManager) return;
  delete m_pPaintManager;
  m_pPaintManager = pPaintManager;
  m_pPaintManager->RefreshMetrics();
  RedrawControl();
}

void CTKPopupControl::EnableMarkup(BOOL bEnable) {
  if (bEnable) {
    if (!m_pMarkupContext) m_pMarkupContext = MarkupCreateContext(nullptr);
  } else {
    MarkupReleaseContext(m_pMarkupContext);
  }
}

// ---- items -----------------------------------------------------------------------------------

CTKPopupItem* CTKPopupControl::AddItem(CTKPopupItem* pItem) {
  if (!pItem) return nullptr;
  pItem->m_nIndex = static_cast<int>(m_arrItems.size());
  pItem->m_pControl = this;
  m_arrItems.push_back(pItem);
  pItem->OnItemInserted();
  return pItem;
}

void CTKPopupControl::RemoveAllItems() {
  std::vector<CTKPopupItem*> items;
  items.swap(m_arrItems);
  m_pHotItem = nullptr;
  m_pPressedItem = nullptr;
  for (CTKPopupItem* pItem : items) pItem->InternalRelease();
}

CTKPopupItem* CTKPopupControl::GetItem(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetItemCount()) return nullptr;
  return m_arrItems[static_cast<size_t>(nIndex)];
}

CTKPopupItem* CTKPopupControl::HitTest(CPoint pt) const {
  for (auto it = m_arrItems.rbegin(); it != m_arrItems.rend(); ++it) {
    if ((*it)->m_rcItem.PtInRect(pt)) return *it;
  }
  return nullptr;
}

void CTKPopupControl::RedrawControl() {
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// ---- showing and closing ---------------------------------------------------------------------

BOOL CTKPopupControl::Show(CWnd* pParent) {
  if (!Create(pParent) || m_nPopupState != tkPopupStateClosed) return FALSE;
  OnExpanding(TRUE);
  return TRUE;
}

BOOL CTKPopupControl::Create(CWnd* pParent) {
  if (m_hWnd) return TRUE;
  DWORD dwExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  if (m_pfnSetLayeredWindowAttributes && (m_nTransparency < 255 || m_nAnimationKind == tkPopupAnimationFade))
    dwExStyle |= WS_EX_LAYERED;
  if (m_bRightToLeft) dwExStyle |= WS_EX_LAYOUTRTL;
  LPCTSTR lpszClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW));
  if (!CreateEx(dwExStyle, lpszClass, nullptr, WS_POPUP, CRect(0, 0, 0, 0), pParent, 0)) return FALSE;
  if (m_pMarkupContext) MarkupSetContextWindow(m_pMarkupContext, m_hWnd);
  m_nCurrentAlphaApplied = 255;
  m_hWndOwner = CWnd::HwndOf(pParent);
  UpdateBackground();
  m_nPopupState = tkPopupStateClosed;
  return TRUE;
}

BOOL CTKPopupControl::Close() {
  m_bCapture = FALSE;
  m_pPressedItem = nullptr;
  m_pHotItem = nullptr;
  if (!m_hWnd) return FALSE;
  if (m_nFlags & kContinueModal) EndModalLoop(0);
  if (m_bAutoDelete) {
    // The owner hears of the close while the object still exists; the
    // object deletes itself when its window is gone.
    SetPopupState(tkPopupStateClosed);
    DestroyWindow();
  } else {
    // Nothing is touched after the notification: the owner may delete the
    // pop-up while handling it.
    DestroyWindow();
    SetPopupState(tkPopupStateClosed);
  }
  return TRUE;
}

void CTKPopupControl::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}

void CTKPopupControl::SetPopupState(int nState) {
  if (m_nPopupState == nState) return;
  m_nPopupState = nState;
  Notify(TK_POPUP_STATECHANGED, reinterpret_cast<LPARAM>(this));
}

CPoint CTKPopupControl::GetPopupPos() const {
  if (m_ptPopup.x != -1 || m_ptPopup.y != -1) return m_ptPopup;
  const int cx = m_szPopup.cx, cy = m_szPopup.cy;
  if (m_nPopupLocation == tkPopupLocationNearTaskBar) {
    APPBARDATA abd{};
    abd.cbSize = sizeof(APPBARDATA);
    if (::SHAppBarMessage(ABM_GETTASKBARPOS, &abd)) {
      CRect rcWork = GetMultiMonitor()->GetWorkAreaOfRect(abd.rc);
      int midX = (rcWork.left + rcWork.right) / 2;
      int midY = (rcWork.top + rcWork.bottom) / 2;
      if (midY < abd.rc.top) return CPoint(rcWork.right, rcWork.bottom);        // bottom edge
      if (midX > abd.rc.right) return CPoint(rcWork.left + cx, rcWork.bottom);  // left edge
      if (midY > abd.rc.bottom) return CPoint(rcWork.right, rcWork.top + cy);   // top edge
      if (midX < abd.rc.left) return CPoint(rcWork.right, rcWork.bottom);       // right edge
    }
  }
  RECT rcWork{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
  if (m_nPopupLocation == tkPopupLocationCenter)
    return CPoint((rcWork.left + rcWork.right) / 2 + cx / 2, (rcWork.top + rcWork.bottom) / 2 + cy / 2);
  return CPoint(rcWork.right, rcWork.bottom);
}

// ---- geometry and alpha ----------------------------------------------------------------------

void CTKPopupControl::UpdateState() {
  if (!m_hWnd) return;
  CRect rc = m_stateCurrent.Rect();
  SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), rc.Height(), kUpdateStateFlags);
  RedrawControl();
  if (!m_bCapture) SetLayeredAlpha(m_stateCurrent.alpha);
  UpdateWindow();
}

BOOL CTKPopupControl::SetLayeredAlpha(int nAlpha) {
  nAlpha = std::min(nAlpha, 255);
  if (nAlpha == m_nCurrentAlphaApplied) return TRUE;
  m_nCurrentAlphaApplied = nAlpha;
  if (!m_pfnSetLayeredWindowAttributes || !m_hWnd || !(GetExStyle() & WS_EX_LAYERED)) return FALSE;
  if (m_bPerPixelAlpha) {
    if (!m_pfnUpdateLayeredWindow) return FALSE;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(nAlpha), AC_SRC_ALPHA};
    return m_pfnUpdateLayeredWindow(m_hWnd, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
  }
  return m_pfnSetLayeredWindowAttributes(m_hWnd, 0, static_cast<BYTE>(nAlpha), LWA_ALPHA);
}

void CTKPopupControl::OnExpanding(BOOL bFromStart) {
  SetPopupState(tkPopupStateExpanding);
  CPoint pt = GetPopupPos();
  const int cx = m_szPopup.cx, cy = m_szPopup.cy;
  m_stateTarget.SetRect(CRect(pt.x - cx, pt.y - cy, pt.x, pt.y));
  m_stateTarget.alpha = m_nTransparency;
  int nSteps = 0;
  if (bFromStart) {
    m_stateCurrent = m_stateTarget;
    if (m_nAnimationKind == tkPopupAnimationNone || m_nAnimationTime == 0) {
      UpdateState();
      OnShow();
      return;
    }
    switch (m_nAnimationKind) {
      case tkPopupAnimationFade:
        m_stateCurrent.alpha = 0;
        break;
      case tkPopupAnimationSlide:
        m_stateCurrent.SetRect(CRect(pt.x - cx, pt.y, pt.x, pt.y));
        break;
      case tkPopupAnimationUnfold:
        m_stateCurrent.SetRect(CRect(pt.x, pt.y, pt.x, pt.y));
        break;
      default:
        break;
    }
    nSteps = static_cast<int>(m_nAnimationTime / m_nStepInterval);
  } else {
    // Grows back over as many steps as the interrupted hide had run.
    nSteps = static_cast<int>(m_nAnimationTime / m_nStepInterval) - m_nStep;
  }
  m_nStep = std::max(nSteps, 1);
  SetTimer(kShowTimer, m_nStepInterval);
  UpdateState();
}

void CTKPopupControl::OnCollapsing() {
  SetPopupState(tkPopupStateCollapsing);
  if (m_nAnimationKind == tkPopupAnimationNone || m_nAnimationTime == 0) {
    Close();
    return;
  }
  CPoint pt = GetPopupPos();
  switch (m_nAnimationKind) {
    case tkPopupAnimationFade:
      m_stateTarget.alpha = 0;
      break;
    case tkPopupAnimationSlide:
      m_stateTarget.SetRect(CRect(pt.x - m_szPopup.cx, pt.y, pt.x, pt.y));
      break;
    case tkPopupAnimationUnfold:
      m_stateTarget.SetRect(CRect(pt.x, pt.y, pt.x, pt.y));
      break;
    default:
      break;
  }
  m_nStep = std::max(static_cast<int>(m_nAnimationTime / m_nStepInterval), 1);
  SetTimer(kHideTimer, m_nStepInterval);
  UpdateState();
}

void CTKPopupControl::OnShow() {
  SetPopupState(tkPopupStateShown);
  CPoint pt = GetPopupPos();
  m_stateCurrent.SetRect(CRect(pt.x - m_szPopup.cx, pt.y - m_szPopup.cy, pt.x, pt.y));
  m_stateCurrent.alpha = m_nTransparency;
  if (m_nShowDelay != kShowUntilClosed) SetTimer(kDisplayTimer, m_nShowDelay);
}

void CTKPopupControl::Animate(int nStep) {
  if (nStep < 1) {
    m_stateCurrent = m_stateTarget;
  } else {
    // The remaining distance over the remaining steps: linear motion whose
    // last step (1) lands exactly on the target.
    auto move = [nStep](int& current, int target) {
      if (current == target) return;
      int d = std::max(std::abs(current - target) / nStep, 1);
      current += current < target ? d : -d;
    };
    move(m_stateCurrent.top, m_stateTarget.top);
    move(m_stateCurrent.left, m_stateTarget.left);
    move(m_stateCurrent.right, m_stateTarget.right);
    move(m_stateCurrent.bottom, m_stateTarget.bottom);
    move(m_stateCurrent.alpha, m_stateTarget.alpha);
  }
  UpdateState();
}

void CTKPopupControl::OnTimer(UINT_PTR nIDEvent) {
  Default();
  if (nIDEvent == kShowTimer || nIDEvent == kHideTimer) {
    Animate(m_nStep);
    m_nStep--;
    if (m_nStep > 0) return;
    KillTimer(nIDEvent);
    if (nIDEvent == kShowTimer) {
      OnShow();
    } else {
      Close();
    }
  } else if (nIDEvent == kDisplayTimer) {
    // While the mouse is over the window the timer keeps firing and is
    // ignored, so hiding starts within one show delay after it leaves.
    if (m_bCapture) return;
    KillTimer(kDisplayTimer);
    OnCollapsing();
  }
}

// ---- mouse -----------------------------------------------------------------------------------

void CTKPopupControl::OnMouseMove(UINT /*nFlags*/, CPoint point) {
  TrackHover(point);
  Default();
}

void CTKPopupControl::OnMouseLeave() {
  TrackHover(CPoint(-1, -1));
  Default();
}

void CTKPopupControl::TrackHover(CPoint point) {
  if (!m_bHoverIgnored) {
    CRect rcClient;
    GetClientRect(&rcClient);
    if (rcClient.PtInRect(point) || m_pPressedItem) {
      if (!m_bCapture) {
        m_bCapture = TRUE;
        SetLayeredAlpha(255);
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        ::TrackMouseEvent(&tme);
      }
    } else if (m_bCapture) {
      m_bCapture = FALSE;
      SetLayeredAlpha(m_nTransparency);
    }
    if (m_nPopupState == tkPopupStateCollapsing) {
      KillTimer(kHideTimer);
      if (m_nAnimationKind == tkPopupAnimationFade) {
        OnShow();
      } else {
        OnExpanding(FALSE);
      }
    }
  }
  CTKPopupItem* pHot = HitTest(point);
  if (m_pPressedItem && pHot != m_pPressedItem) pHot = nullptr;
  if (pHot != m_pHotItem) {
    m_pHotItem = pHot;
    RedrawControl();
  }
}

BOOL CTKPopupControl::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/) {
  CTKPopupItem* pItem = HitTest(GetCursorPosInClient(this));
  if (pItem && pItem->m_bHyperLink && m_hHandCursor) {
    ::SetCursor(m_hHandCursor);
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

void CTKPopupControl::OnLButtonDown(UINT /*nFlags*/, CPoint point) {
  if (m_nPopupState == tkPopupStateExpanding && !m_bHoverIgnored) {
    m_nStep = 0;
    Animate(0);
    KillTimer(kShowTimer);
    OnShow();
  }
  CTKPopupItem* pItem = HitTest(point);
  if (m_bAllowMove &&
      (!pItem || (pItem->m_nID == 0 && !pItem->m_bButton && (pItem->m_strCaption.IsEmpty() || !pItem->m_bHyperLink)))) {
    TrackMove();
    return;
  }
  if (pItem) {
    m_pPressedItem = pItem;
    SetCapture();
    RedrawControl();
  }
  Default();
}

void CTKPopupControl::OnLButtonUp(UINT /*nFlags*/, CPoint point) {
  if (!m_pPressedItem) return;
  CTKPopupItem* pItem = m_pPressedItem;
  m_pPressedItem = nullptr;
  ReleaseCapture();
  RedrawControl();
  if (pItem == m_pHotItem) {
    OnClick(pItem);  // may close and delete the pop-up: nothing after it
  } else {
    TrackHover(point);
  }
}

void CTKPopupControl::OnCaptureChanged(CWnd* /*pWnd*/) {
  if (m_pPressedItem) {
    m_pPressedItem = nullptr;
    RedrawControl();
  }
  Default();
}

void CTKPopupControl::OnClick(CTKPopupItem* pItem) {
  if (pItem->m_nID == -1) {
    Close();
  } else {
    Notify(TK_POPUP_ITEMCLICK, reinterpret_cast<LPARAM>(pItem));
  }
}

void CTKPopupControl::Notify(WPARAM wParam, LPARAM lParam) {
  if (m_hWndOwner && ::IsWindow(m_hWndOwner)) ::SendMessage(m_hWndOwner, TK_WM_POPUPNOTIFY, wParam, lParam);
}

void CTKPopupControl::TrackMove() {
  SetCapture();
  CPoint ptStart;
  ::GetCursorPos(&ptStart);
  CRect rcStart;
  GetWindowRect(&rcStart);
  while (::GetCapture() == m_hWnd) {
    MSG msg{};
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      // A dry test queue ends the loop as a cancel and is not posted again.
      if (msg.lParam != PV_DRY_CANCEL) AfxPostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message == WM_MOUSEMOVE) {
      CRect rc = rcStart;
      rc.OffsetRect(msg.pt.x - ptStart.x, msg.pt.y - ptStart.y);
      CRect rcWork = GetMultiMonitor()->GetWorkAreaAtPoint(msg.pt);
      // In this order, so that the right and bottom edges win for a window
      // larger than the work area.
      if (rc.left < rcWork.left) rc.OffsetRect(rcWork.left - rc.left, 0);
      if (rc.top < rcWork.top) rc.OffsetRect(0, rcWork.top - rc.top);
      if (rc.right > rcWork.right) rc.OffsetRect(rcWork.right - rc.right, 0);
      if (rc.bottom > rcWork.bottom) rc.OffsetRect(0, rcWork.bottom - rc.bottom);
      MoveWindow(rc, TRUE);
    } else if (msg.message == WM_KEYDOWN) {
      if (msg.wParam == VK_ESCAPE) break;
    } else {
      ::DispatchMessage(&msg);
    }
    if (!m_hWnd) return;
  }
  ReleaseCapture();
  CRect rc;
  GetWindowRect(&rc);
  m_stateCurrent.SetRect(rc);
  m_stateTarget.SetRect(rc);
  m_ptPopup = rc.BottomRight();
  Notify(TK_POPUP_POSCHANGED, reinterpret_cast<LPARAM>(this));
}

// ---- painting --------------------------------------------------------------------------------

void CTKPopupControl::OnPaint() {
  CPaintDC paintDC(this);
  CRect rc(0, 0, m_szPopup.cx, m_szPopup.cy);
  CTKBufferDC dc(paintDC.GetSafeHdc(), rc);
  m_pPaintManager->DrawBackground(&dc, this, rc);
  for (CTKPopupItem* pItem : m_arrItems) pItem->Draw(&dc);
}

BOOL CTKPopupControl::OnEraseBkgnd(CDC* /*pDC*/) { return TRUE; }

int CTKPopupControl::OnMouseActivate(CWnd* /*pDesktopWnd*/, UINT /*nHitTest*/, UINT /*message*/) {
  return MA_NOACTIVATE;
}

BOOL CTKPopupControl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  // Hyperlinks and buttons inside markup items see the window's messages first.
  if (m_pMarkupContext && m_hWnd) {
    CPoint pt = GetCursorPosInClient(this);
    CTKPopupItem* pItem = HitTest(pt);
    LRESULT lResult = 0;
    BOOL bHandled = pItem && pItem->m_pUIElement
                        ? MarkupRelayElementMessage(pItem->m_pUIElement, message, wParam, lParam, &lResult)
                        : MarkupRelayContextMessage(m_pMarkupContext, message, wParam, lParam, &lResult);
    if (bHandled) {
      if (pResult) *pResult = lResult;
      return TRUE;
    }
  }
  return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

// ---- background image ------------------------------------------------------------------------

void CTKPopupControl::UpdateBackground() {
  if (!m_hWnd) return;
  m_bPerPixelAlpha = FALSE;
  CTKImageManagerIcon* pImage =
      m_nBackgroundImage > 0 ? m_pImageManager->LookupIcon(static_cast<UINT>(m_nBackgroundImage), 0) : nullptr;
  if (!pImage) {
    SetWindowRgn(nullptr, FALSE);
    return;
  }
  if (!pImage->IsAlpha()) {
    SetWindowRgn(BitmapToRegion(pImage), FALSE);
    return;
  }
  SetWindowRgn(nullptr, FALSE);
  if (!m_pfnUpdateLayeredWindow) return;
  CTKImageHandle& image = pImage->GetNormalImage();
  CSize size = image.GetExtent();
  LPBYTE pSource = image.GetBitmapBits();
  if (!pSource || size.cx <= 0 || size.cy <= 0) return;
  // The source rows may run either way; the window gets top-down rows.
  DIBSECTION ds{};
  BOOL bBottomUp = ::GetObject(image.GetBitmap(), sizeof(ds), &ds) == sizeof(ds) && ds.dsBmih.biHeight > 0;
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  LPBYTE pBits = nullptr;
  HBITMAP hBitmap = CTKImageManager::CreateDIB32(dc.GetSafeHdc(), size.cx, -size.cy, &pBits);
  if (!hBitmap || !pBits) {
    if (hBitmap) ::DeleteObject(hBitmap);
    return;
  }
  const size_t stride = static_cast<size_t>(size.cx) * 4;
  for (int y = 0; y < size.cy; ++y) {
    int sourceRow = bBottomUp ? size.cy - 1 - y : y;
    std::memcpy(pBits + stride * static_cast<size_t>(y), pSource + stride * static_cast<size_t>(sourceRow), stride);
  }
  HGDIOBJ hOld = dc.SelectObject(hBitmap);
  ModifyStyleEx(0, WS_EX_LAYERED);
  POINT ptSource{0, 0};
  SIZE sz{size.cx, size.cy};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  m_pfnUpdateLayeredWindow(m_hWnd, nullptr, nullptr, &sz, dc.GetSafeHdc(), &ptSource, 0, &blend, ULW_ALPHA);
  m_bPerPixelAlpha = TRUE;
  dc.SelectObject(hOld);
  ::DeleteObject(hBitmap);
}

HRGN CTKPopupControl::BitmapToRegion(CTKImageManagerIcon* pImage) {
  if (!pImage) return nullptr;
  const int cx = pImage->GetWidth(), cy = pImage->GetHeight();
  if (cx <= 0 || cy <= 0) return nullptr;
  const COLORREF clrKey = RGB(255, 0, 255);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  LPBYTE pBits = nullptr;
  HBITMAP hBitmap = CTKImageManager::CreateDIB32(dc.GetSafeHdc(), cx, -cy, &pBits);
  if (!hBitmap || !pBits) {
    if (hBitmap) ::DeleteObject(hBitmap);
    return nullptr;
  }
  HGDIOBJ hOld = dc.SelectObject(hBitmap);
  dc.FillSolidRect(0, 0, cx, cy, clrKey);
  pImage->DrawNormalAt(&dc, CPoint(0, 0));
  ::GdiFlush();

  // Rows are collected as one-pixel-high rectangles in a region-data buffer
  // that grows by 100; above 2000 rectangles they are merged into the result.
  constexpr DWORD kGrowBy = 100;
  constexpr DWORD kFlushAbove = 2000;
  HRGN hResult = nullptr;
  bool bFailed = false;
  try {
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + sizeof(RECT) * kGrowBy);
    DWORD nCapacity = kGrowBy;
    auto header = [&buffer]() { return reinterpret_cast<RGNDATAHEADER*>(buffer.data()); };
    auto rects = [&buffer]() { return reinterpret_cast<RECT*>(buffer.data() + sizeof(RGNDATAHEADER)); };
    *header() = RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, 0, 0, {0, 0, 0, 0}};
    auto flush = [&]() -> bool {
      RGNDATAHEADER* h = header();
      if (h->nCount == 0) return true;
      h->rcBound = RECT{0, 0, cx, cy};
      HRGN hPart = ::ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + sizeof(RECT) * h->nCount),
                                     reinterpret_cast<const RGNDATA*>(buffer.data()));
      if (!hPart) return false;
      if (hResult) {
        ::CombineRgn(hResult, hResult, hPart, RGN_OR);
        ::DeleteObject(hPart);
      } else {
        hResult = hPart;
      }
      header()->nCount = 0;
      return true;
    };
    for (int y = 0; y < cy && !bFailed; ++y) {
      const DWORD* pRow = reinterpret_cast<const DWORD*>(pBits + static_cast<size_t>(y) * cx * 4);
      for (int x = 0; x < cx; ++x) {
        auto isKey = [&](int i) { return (pRow[i] & 0x00FFFFFF) == 0x00FF00FF; };
        if (isKey(x)) continue;
        int x0 = x;
        while (x < cx && !isKey(x)) ++x;
        if (header()->nCount >= nCapacity) {
          nCapacity += kGrowBy;
          buffer.resize(sizeof(RGNDATAHEADER) + sizeof(RECT) * nCapacity);
        }
        rects()[header()->nCount++] = RECT{x0, y, x, y + 1};
        if (header()->nCount > kFlushAbove && !flush()) {
          bFailed = true;
          break;
        }
      }
    }
    if (!bFailed && !flush()) bFailed = true;
  } catch (const std::bad_alloc&) {
    bFailed = true;
  }
  if (bFailed && hResult) {
    ::DeleteObject(hResult);
    hResult = nullptr;
  }
  dc.SelectObject(hOld);
  ::DeleteObject(hBitmap);
  return hResult;
}
