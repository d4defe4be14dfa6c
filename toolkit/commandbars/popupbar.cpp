#include "toolkit/commandbars/popupbar.h"

#include <algorithm>
#include <cstdlib>

#include "platform/base/threads.h"
#include "platform/framework/afxframe.h"
#include "platform/framework/afxgdi.h"
#include "platform/framework/afxmsg.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/menusoundplayer.h"
#include "toolkit/common/mousemanager.h"
#include "toolkit/common/multimonitor.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/shadowmanager.h"

namespace {

constexpr LPCTSTR kPopupBarClass = u"TKPopupBar";
// The style bit that makes a popup follow its frame's active state.
constexpr DWORD kSyncActiveStyle = 0x100;
// The expand button: a button kept out of customisation and moving.
constexpr DWORD kExpandButtonFlags = 0x5A;

// Holds a reference on a bar or control while application code runs.
template <class T>
class HoldRef {
 public:
  explicit HoldRef(T* p) : m_p(p) {
    if (m_p) m_p->InternalAddRef();
  }
  ~HoldRef() {
    if (m_p) m_p->InternalRelease();
  }
  HoldRef(const HoldRef&) = delete;
  HoldRef& operator=(const HoldRef&) = delete;

 private:
  T* m_p;
};

// A DC for measuring when the bar has no window yet.
class MeasureDC : public CDC {
 public:
  MeasureDC() { CreateCompatibleDC(nullptr); }
  ~MeasureDC() override { DeleteDC(); }
  MeasureDC(const MeasureDC&) = delete;
  MeasureDC& operator=(const MeasureDC&) = delete;
};

}  // namespace

// ---- the expand button ----

CTKPopupBar::CControlExpandButton::CControlExpandButton() {
  m_controlType = TKControlType::Button;
  m_dwFlags = kExpandButtonFlags;
}

CSize CTKPopupBar::CControlExpandButton::GetSize(CDC* pDC) {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->DrawSpecialButton(pDC, 1, this, GetParent(), FALSE) : CSize(0, 0);
}

void CTKPopupBar::CControlExpandButton::Draw(CDC* pDC) {
  if (CTKBarPaintManager* pPaintManager = GetPaintManager())
    pPaintManager->DrawSpecialButton(pDC, 1, this, GetParent(), TRUE);
}

void CTKPopupBar::CControlExpandButton::OnExecute() {
  if (auto* pBar = dynamic_cast<CTKPopupBar*>(GetParent())) pBar->ExpandBar();
}

// ---- creation ----

BEGIN_MESSAGE_MAP(CTKPopupBar, CTKCommandBar)
ON_WM_MOUSEACTIVATE()
ON_WM_NCACTIVATE()
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_TIMER()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONDOWN()
ON_WM_SETCURSOR()
ON_MESSAGE(WM_FLOATSTATUS, OnFloatStatus)
END_MESSAGE_MAP()

CTKPopupBar::CTKPopupBar() {
  m_barType = TKBarType::Popup;
  m_barPosition = TKBarPosition::Popup;
  m_nMRUWidth = 0;
}

CTKPopupBar::~CTKPopupBar() {
  RemoveShadows();
  ReleaseScreenBelow();
  if (GetSafeHwnd()) CWnd::DestroyWindow();
}

CTKPopupBar* CTKPopupBar::CreatePopupBar(CTKCommandBars* pCommandBars) {
  auto* pBar = new CTKPopupBar();
  pBar->SetCommandBars(pCommandBars);
  return pBar;
}

BOOL CTKPopupBar::CreatePopupWindow() {
  if (GetSafeHwnd()) return TRUE;
  CTKCommandBars* pCommandBars = GetCommandBars();
  const CTKCommandBarsOptions* pOptions = pCommandBars ? pCommandBars->GetCommandBarsOptions() : nullptr;
  UINT nClassStyle = CS_DBLCLKS;
  if (!pOptions || pOptions->bPopupSaveBits) nClassStyle |= CS_SAVEBITS;
  WNDCLASS wc{};
  HINSTANCE hInstance = AfxGetInstanceHandle();
  if (!::GetClassInfo(hInstance, kPopupBarClass, &wc)) {
    wc.style = nClassStyle;
    wc.lpfnWndProc = ::DefWindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kPopupBarClass;
    if (!AfxRegisterClass(&wc)) return FALSE;
  }
  CWnd* pSite = GetSite();
  BOOL bRightToLeft = FALSE;
  if (pOptions) bRightToLeft = pOptions->bPopupsRightToLeft;
  else if (pSite && pSite->GetSafeHwnd())
    bRightToLeft = (::GetWindowLong(pSite->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  const DWORD dwExStyle = WS_EX_TOOLWINDOW | (bRightToLeft ? WS_EX_LAYOUTRTL : 0);
  const DWORD dwStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | kSyncActiveStyle;
  return CreateEx(dwExStyle, kPopupBarClass, m_strTitle, dwStyle, CRect(0, 0, 0, 0), pSite, 0);
}

// ---- showing ----

BOOL CTKPopupBar::PopupAt(int x, int y, const CRect* prcExclude) {
  m_ptPopup = CPoint(x, y);
  if (prcExclude) m_rcExclude = *prcExclude;
  return Popup(nullptr, FALSE);
}

BOOL CTKPopupBar::Popup(CTKControl* pControlPopup, BOOL bSelectFirst) {
  // The owner's handlers and the idle update run application code that may
  // remove the opening control or release this bar.
  HoldRef<CTKPopupBar> holdBar(this);
  HoldRef<CTKControl> holdControl(pControlPopup);
  m_pControlPopup = pControlPopup;
  if (!CreatePopupWindow()) {
    m_pControlPopup = nullptr;
    return FALSE;
  }
  LockRedraw();
  if (CWnd* pOwner = GetOwnerWindow(); pOwner && pOwner->GetSafeHwnd())
    ::SendMessage(pOwner->GetSafeHwnd(), TK_CBM_POPUPSHOWING, 0, reinterpret_cast<LPARAM>(this));

  m_bGripperHot = FALSE;
  m_bHiddenCommands = FALSE;
  m_bExpanded = IsCustomizeMode() || GetMouseManager()->IsExpandedMenus();

  // The parent control must still sit on a bar with a window.
  auto lostParent = [this]() {
    if (!m_pControlPopup) return false;
    CTKCommandBar* pParentBar = m_pControlPopup->GetParent();
    return !pParentBar || !pParentBar->GetSafeHwnd();
  };
  if (GetSafeHwnd() && !lostParent()) {
    UpdateLocation();
    MoveToPoint(CalcDynamicLayout(0, 0));
  }
  if (!GetSafeHwnd()) {
    Unlock();
    m_pControlPopup = nullptr;
    return FALSE;
  }
  if (lostParent()) {
    Unlock();
    CWnd::DestroyWindow();
    m_pControlPopup = nullptr;
    return FALSE;
  }
  SetTrackingMode(TKTrackingMode::Tracking, bSelectFirst, bSelectFirst);

  m_dwLayoutState &= ~kTKBarLayoutDirty;
  OnIdleUpdate();
  if (!GetSafeHwnd()) {
    Unlock();
    return FALSE;
  }
  Animate();
  GetMenuSoundPlayer()->RequestSound(CTKMenuSoundPlayer::tkSoundMenuPopup);
  AddShadows();
  DelayLayout();
  Unlock();
  return TRUE;
}

void CTKPopupBar::MoveToPoint(CSize sz) {
  const CRect rc = CalcPopupRect(m_ptPopup, sz);
  UINT nFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
  if (::IsWindowVisible(m_hWnd)) nFlags |= SWP_NOZORDER;
  // An animation starts from what the screen shows before the popup covers it.
  m_pendingAnimation = ::IsWindowVisible(m_hWnd) ? TKPopupAnimation::None : ChooseAnimation();
  if (m_pendingAnimation != TKPopupAnimation::None) CaptureScreenBelow(rc);
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.Width(), rc.Height(), nFlags);
}

void CTKPopupBar::DelayRedraw() {
  if (m_nLockRedraw > 0) CTKCommandBar::DelayRedraw();
  else Redraw(nullptr, TRUE);
}

void CTKPopupBar::Unlock() {
  UnlockRedraw();
  if (m_nLockRedraw == 0 && IsRedrawPending()) Redraw(nullptr);
}

BOOL CTKPopupBar::IsVisible() const { return GetSafeHwnd() && ::IsWindowVisible(m_hWnd); }

CTKCommandBar* CTKPopupBar::GetParentCommandBar() const {
  return m_pControlPopup ? m_pControlPopup->GetParent() : nullptr;
}

BOOL CTKPopupBar::SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst, BOOL bKeyboard) {
  if (mode != TKTrackingMode::Off) {
    if (!CTKCommandBar::SetTrackingMode(mode, bSelectFirst, bKeyboard)) return FALSE;
    ::NotifyWinEvent(EVENT_SYSTEM_MENUPOPUPSTART, m_hWnd, OBJID_MENU, CHILDID_SELF);
    if (bSelectFirst && m_pControls) SetSelected(m_pControls->GetNext(-1, +1), TRUE);
    if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd()) ::UpdateWindow(pSite->GetSafeHwnd());
    return TRUE;
  }
  if (!CTKCommandBar::SetTrackingMode(mode, bSelectFirst, bKeyboard)) return FALSE;
  // Closing tells the site and the parent bar: hold the bar meanwhile.
  HoldRef<CTKPopupBar> holdBar(this);
  HWND hWnd = m_hWnd;
  ::NotifyWinEvent(EVENT_SYSTEM_MENUPOPUPEND, hWnd, OBJID_MENU, CHILDID_SELF);
  ::KillTimer(hWnd, kExpandDelayTimerId);
  KillScrollTimers();
  RemoveShadows();
  CWnd* pSite = GetSite();
  if (hWnd) {
    // Embedded windows survive the popup: they go back to the site.
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild;) {
      HWND hNext = ::GetWindow(hChild, GW_HWNDNEXT);
      ::ShowWindow(hChild, SW_HIDE);
      ::SetParent(hChild, pSite ? pSite->GetSafeHwnd() : nullptr);
      hChild = hNext;
    }
    CWnd::DestroyWindow();
  }
  m_bScrolling = FALSE;
  if (CTKCommandBar* pParentBar = GetParentCommandBar()) pParentBar->SetPopupedControl(-1);
  if (pSite && pSite->GetSafeHwnd()) {
    ::SendMessage(pSite->GetSafeHwnd(), TK_CBM_POPUPCLOSED, 0, reinterpret_cast<LPARAM>(this));
  }
  ::Sleep(1);
  if (m_pControlPopup) {
    // The side and the rectangle came from the control: a later opening at
    // a point must not keep clear of where that control was.
    m_rcExclude.SetRectEmpty();
    m_dwPopupFlags = 0;
  }
  m_pControlPopup = nullptr;
  if (pSite && pSite->GetSafeHwnd()) ::UpdateWindow(pSite->GetSafeHwnd());
  return TRUE;
}

BOOL CTKPopupBar::SetSelected(int nSelected, BOOL bKeyboard) {
  if (!CTKCommandBar::SetSelected(nSelected, bKeyboard)) return FALSE;
  CTKControl* pSelected = GetControl(nSelected);
  CTKCommandBars* pCommandBars = GetCommandBars();
  const BOOL bDelay = pCommandBars && pCommandBars->GetCommandBarsOptions()->bShowFullAfterDelay;
  if (pSelected && pSelected->GetID() == kExpandButtonId && !bKeyboard && bDelay)
    ::SetTimer(m_hWnd, kExpandDelayTimerId, kExpandDelay, nullptr);
  else ::KillTimer(m_hWnd, kExpandDelayTimerId);

  // A control scrolled out of sight scrolls in.
  if (m_bScrolling && pSelected && (pSelected->GetHideFlags() & kTKHideScroll)) {
    if (nSelected >= m_nEndIndex) {
      m_nEndIndex = nSelected + 1;
      ScrollLayout(nullptr, TRUE, TRUE);
    } else {
      m_nFirstVisible = nSelected;
      ScrollLayout(nullptr, FALSE, TRUE);
    }
  }
  return TRUE;
}

int CTKPopupBar::OnControlsChanged() {
  m_nSelected = -1;
  m_nPopuped = -1;
  OnRecalcLayout();
  return -1;
}

// ---- direction and placement ----

void CTKPopupBar::AdjustExcludeRect(CRect& /*rc*/, BOOL /*bVertical*/) {
  // The parent control's own adjustment comes with the popup controls; a
  // plain control excludes its whole rectangle.
}

void CTKPopupBar::UpdateLocation() {
  CTKCommandBar* pParentBar = GetParentCommandBar();
  if (!m_pControlPopup || !pParentBar) return;
  const BOOL bParentRtl =
      pParentBar->GetSafeHwnd() && (::GetWindowLong(pParentBar->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  m_dwPopupFlags = ((m_pControlPopup->GetFlags() & kTKControlFlagNoMovable) || bParentRtl) ? kTKPopupLeft : 0;

  const TKBarPosition position = pParentBar->GetPosition();
  const BOOL bParentIsMenu = pParentBar->GetType() == TKBarType::Popup;
  const BOOL bVerticalParent = position == TKBarPosition::Left || position == TKBarPosition::Right ||
                               position == TKBarPosition::Popup ||
                               (position == TKBarPosition::Floating && bParentIsMenu);
  if ((pParentBar->GetFlags() & kTKBarFlagSmartLayout) && position == TKBarPosition::Popup) {
    m_dwPopupFlags |= kTKPopupBelow;
  } else if (position == TKBarPosition::Right) {
    m_dwPopupFlags = kTKPopupLeft;
  } else if (bVerticalParent) {
    // A sub-menu of a menu that opened to the left continues to the left.
    auto* pParentPopup = dynamic_cast<CTKPopupBar*>(pParentBar);
    if (pParentPopup && bParentIsMenu && (pParentPopup->m_dwPopupFlags & kTKPopupLeft)) m_dwPopupFlags = kTKPopupLeft;
  } else {
    m_dwPopupFlags |= kTKPopupBelow;
  }

  m_rcExclude = m_pControlPopup->GetRect();
  if (m_pControlPopup->GetType() == TKControlType::ComboBox && !bParentIsMenu) m_dwPopupFlags |= kTKPopupBelow;
  else AdjustExcludeRect(m_rcExclude, bVerticalParent);
  if (pParentBar->GetSafeHwnd()) pParentBar->ClientToScreen(&m_rcExclude);
  m_ptPopup = (m_dwPopupFlags & kTKPopupBelow) ? CPoint(m_rcExclude.left, m_rcExclude.bottom)
                                               : CPoint(m_rcExclude.right, m_rcExclude.top);
}

CRect CTKPopupBar::CalcPopupRect(CPoint pt, CSize sz) {
  int x = pt.x, y = pt.y, cx = sz.cx, cy = sz.cy;
  CTKMultiMonitor* pMonitors = GetMultiMonitor();
  CRect rcWork, rcScreen;
  if (m_rcExclude.IsRectEmpty()) {
    rcWork = pMonitors->GetWorkAreaAtPoint(pt);
    rcScreen = pMonitors->GetScreenAreaAtPoint(pt);
    // A point on a task bar: the whole monitor is the room.
    if (rcScreen.PtInRect(pt) && !rcWork.PtInRect(pt)) rcWork = rcScreen;
  } else {
    rcWork = pMonitors->GetWorkAreaOfRect(m_rcExclude);
    rcScreen = pMonitors->GetScreenAreaOfRect(m_rcExclude);
    CRect rcMeet;
    if (!rcMeet.IntersectRect(rcWork, m_rcExclude) && rcMeet.IntersectRect(rcScreen, m_rcExclude)) rcWork = rcScreen;
  }
  const CRect& rcBounds = rcWork;
  const int nBottom = rcBounds.bottom - kBottomMargin;
  const int nMiddle = (m_rcExclude.top + m_rcExclude.bottom) / 2;
  // Both tests use half the area's height, not its middle line.
  const int nHalfHeight = (nBottom - rcBounds.top) / 2;
  CTKCommandBars* pCommandBars = GetCommandBars();
  const BOOL bWrap = (pCommandBars && pCommandBars->GetCommandBarsOptions()->bWrapLargePopups) || m_bMultiLine;
  const BOOL bPointPopup = m_rcExclude.Height() == 0;
  const BOOL bComboOnBar = m_pControlPopup && m_pControlPopup->GetType() == TKControlType::ComboBox &&
                           GetParentCommandBar() && GetParentCommandBar()->GetType() != TKBarType::Popup;
  BOOL bScroll = FALSE;

  if (m_nMaxHeight > 0 && m_nMaxHeight < cy) {
    cy = m_nMaxHeight;
    bScroll = TRUE;
  }
  if (bPointPopup && (m_dwPopupFlags & kTKPopupBottomAligned)) y -= cy;

  if (bPointPopup && y > nBottom) {
    y -= cy;
  } else if (y + cy > nBottom) {
    if (bPointPopup) {
      if (y < nHalfHeight) y = nBottom;
      y -= cy;
    } else if (!(m_dwPopupFlags & kTKPopupBelow)) {
      y = nBottom - cy;
    } else {
      y = m_rcExclude.top - cy;
      if (y < rcBounds.top) {
        if (bWrap) {
          m_dwPopupFlags &= ~kTKPopupBelow;
          if (!bComboOnBar && m_pControlPopup) {
            m_rcExclude = m_pControlPopup->GetRect();
            AdjustExcludeRect(m_rcExclude, TRUE);
            if (CTKCommandBar* pParentBar = GetParentCommandBar(); pParentBar && pParentBar->GetSafeHwnd())
              pParentBar->ClientToScreen(&m_rcExclude);
          }
          if (!(m_dwPopupFlags & kTKPopupLeft)) x = m_rcExclude.right;
          y = nBottom - cy;
        } else {
          bScroll = TRUE;
          if (nMiddle <= nHalfHeight) {
            y = m_rcExclude.bottom;
            cy = nBottom - y;
          } else {
            cy = m_rcExclude.top - rcBounds.top;
            y = rcBounds.top;
          }
        }
      }
    }
    if (y < rcBounds.top) y = rcBounds.top;
    if (y + cy > nBottom && y == rcBounds.top) {
      if (bWrap) {
        if (m_barType == TKBarType::Popup && !m_bMultiLine) {
          const CSize szWrapped = CalcDynamicLayout(nBottom - rcBounds.top, 0);
          cx = szWrapped.cx;
          cy = szWrapped.cy;
        }
      } else {
        cy = nBottom - y;
        bScroll = TRUE;
      }
    }
  }

  // Horizontal.
  if (m_dwPopupFlags == (kTKPopupLeft | kTKPopupBelow) && m_rcExclude.Width() != 0) {
    x = m_rcExclude.right - cx;
  } else if (m_dwPopupFlags & kTKPopupLeft) {
    if (m_rcExclude.Width() != 0) x = m_rcExclude.left - cx;
    else x -= cx;
  }
  if (x + cx > rcBounds.right) {
    if (bPointPopup) {
      x = x > rcBounds.right ? x - cx : rcBounds.right - cx;
    } else {
      x = (m_dwPopupFlags & kTKPopupBelow) ? rcBounds.right - cx : m_rcExclude.left - cx;
      m_dwPopupFlags |= kTKPopupLeft;
    }
    if (x < rcBounds.left) x = rcBounds.left;
  } else if (x < rcBounds.left) {
    if (bPointPopup) {
      if (m_dwPopupFlags & kTKPopupLeft) x = rcBounds.left;
    } else {
      x = (m_dwPopupFlags & kTKPopupBelow) ? rcBounds.left : m_rcExclude.right;
    }
    m_dwPopupFlags &= ~kTKPopupLeft;
  }

  if (bScroll && m_barType == TKBarType::Popup && m_barPosition == TKBarPosition::Popup) {
    m_bScrolling = TRUE;
    m_nFirstVisible = 0;
    const CSize szScroll(cx, cy);
    ScrollLayout(&szScroll, FALSE, FALSE);
  } else {
    if (m_bScrolling) {
      for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->SetHideFlag(kTKHideScroll, FALSE);
    }
    m_bScrolling = FALSE;
    m_scrollUp.rc.SetRectEmpty();
    m_scrollDown.rc.SetRectEmpty();
  }
  return CRect(x, y, x + cx, y + cy);
}

// ---- size ----

CRect CTKPopupBar::GetBorders() {
  if (m_barType == TKBarType::Normal) return m_rcBorders;
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->GetCommandBarBorders(this) : CRect(2, 2, 2, 2);
}

CTKControl* CTKPopupBar::FindExpandButton() const {
  for (int i = GetControlCount() - 1; i >= 0; --i)
    if (GetControl(i)->GetID() == kExpandButtonId && dynamic_cast<CControlExpandButton*>(GetControl(i)))
      return GetControl(i);
  return nullptr;
}

CTKControl* CTKPopupBar::FirstVisibleGallery() const {
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (pControl->GetType() == TKControlType::Gallery && pControl->IsVisible(kTKHideScroll)) return pControl;
  }
  return nullptr;
}

CSize CTKPopupBar::CalcDynamicLayout(int nLength, DWORD /*dwMode*/) {
  m_bInLayout = TRUE;
  MeasureDC dc;
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  CFont* pFont = pPaintManager ? pPaintManager->GetCommandBarFont(this) : nullptr;
  CGdiObject* pOldFont = pFont ? dc.SelectObject(pFont) : nullptr;
  CRect rcBorders = GetBorders();

  m_nResizeMode = kTKResizeNone;
  if (CTKControl* pGallery = FirstVisibleGallery()) m_nResizeMode = pGallery->IsCustomizeResizeAllow();
  int nGripHeight = 0;
  if (m_nResizeMode != kTKResizeNone)
    nGripHeight = m_nResizeMode == kTKResizeHeight ? kResizeGripHeightOnly : kResizeGripBoth;
  rcBorders.bottom += nGripHeight;

  if (nLength == 0) {
    for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->OnCalcDynamicSize(0);
    UpdateExpandingState();
    UpdateShortcuts();
  }
  CTKControl* pExpand = FindExpandButton();
  int nExpandHeight = 0;
  if (m_bHiddenCommands) {
    if (!pExpand) {
      pExpand = m_pControls->Add(new CControlExpandButton(), kExpandButtonId, CString(), -1, TRUE);
    }
    nExpandHeight = pExpand->GetSize(&dc).cy;
    rcBorders.bottom += nExpandHeight;
    pExpand->SetHideFlag(kTKHideGeneric, TRUE);
  } else if (pExpand) {
    pExpand->SetHideFlag(kTKHideGeneric, TRUE);
  }

  const CSize sz = m_pControls->CalcPopupSize(&dc, nLength, m_nMRUWidth, rcBorders);

  if (m_bHiddenCommands && pExpand) {
    pExpand->SetHideFlag(kTKHideGeneric, FALSE);
    const int nTop = sz.cy - rcBorders.bottom;
    pExpand->SetRect(CRect(rcBorders.left, nTop, sz.cx - rcBorders.right, nTop + nExpandHeight));
  }
  m_rcGripper.SetRect(rcBorders.left, rcBorders.top, sz.cx - rcBorders.right, rcBorders.top);
  const int nGripTop = sz.cy - rcBorders.bottom + nExpandHeight;
  m_rcResizeGrip.SetRect(rcBorders.left, nGripTop, sz.cx - rcBorders.right, nGripTop + nGripHeight);
  if (pOldFont) dc.SelectObject(pOldFont);
  m_bInLayout = FALSE;
  return sz;
}

void CTKPopupBar::UpdateExpandingState() {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (!pCommandBars) return;
  if (pCommandBars->GetCommandBarsOptions()->bAlwaysShowFullMenus) {
    for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->SetRarelyUsed(FALSE);
    m_bExpanded = TRUE;
    m_bHiddenCommands = FALSE;
    return;
  }
  BOOL bFrequentVisible = FALSE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    const BOOL bVisible = pControl->IsVisible(kTKHideExpand | kTKHideScroll);
    if (pCommandBars->IsControlHidden(pControl)) {
      pControl->SetRarelyUsed(bVisible);
    } else {
      pControl->SetRarelyUsed(FALSE);
      if (bVisible && pControl->GetID() != kExpandButtonId) bFrequentVisible = TRUE;
    }
  }
  m_bHiddenCommands = FALSE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    pControl->SetHideFlag(kTKHideExpand, FALSE);
    if (pControl->GetRarelyUsed() && !m_bExpanded && bFrequentVisible) {
      pControl->SetHideFlag(kTKHideExpand, TRUE);
      m_bHiddenCommands = TRUE;
    }
  }
}

BOOL CTKPopupBar::ExpandBar() {
  if (m_bExpanded || !m_bHiddenCommands) return FALSE;
  m_bExpanding = TRUE;
  m_bExpanded = TRUE;
  SetPopupedControl(-1);
  SetSelected(-1);
  OnRecalcLayout();
  m_bExpanding = FALSE;
  GetMouseManager()->SetExpandedMenus(TRUE);
  return TRUE;
}

int CTKPopupBar::GetDefaultItem(BOOL bByIndex) const {
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (pControl->IsVisible() && pControl->GetDefaultItem()) return bByIndex ? i : pControl->GetID();
  }
  return -1;
}

void CTKPopupBar::OnRecalcLayout() {
  if (m_bInLayout || !GetSafeHwnd() || !IsTrackingMode()) return;
  UpdateShortcuts();
  UpdateLocation();
  const CRect rc = CalcPopupRect(m_ptPopup, CalcDynamicLayout(0, 0));
  CRect rcWindow;
  GetWindowRect(&rcWindow);
  if (!m_bExpanding && rc == rcWindow) {
    Redraw(nullptr);
    return;
  }
  RemoveShadows();
  if (m_bExpanding) GetMenuSoundPlayer()->RequestSound(CTKMenuSoundPlayer::tkSoundMenuPopup);
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  const TKPopupAnimation kind = m_bExpanding && pPaintManager ? GetAnimationType() : TKPopupAnimation::None;
  if (kind == TKPopupAnimation::Unfold || kind == TKPopupAnimation::Slide || kind == TKPopupAnimation::Fade) {
    // The screen under the new place, the short menu in it, is where the
    // expansion starts from.
    CaptureScreenBelow(rc);
    ::ShowWindow(m_hWnd, SW_HIDE);
    if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd()) ::UpdateWindow(pSite->GetSafeHwnd());
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    pPaintManager->SetCommandBarRegion(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    CClientDC dcWindow(this);
    if (m_hbmScreenBelow) {
      CDC dcScreen;
      dcScreen.CreateCompatibleDC(&dcWindow);
      HGDIOBJ hOld = ::SelectObject(dcScreen.GetSafeHdc(), m_hbmScreenBelow);
      dcWindow.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &dcScreen, 0, 0, SRCCOPY);
      ::SelectObject(dcScreen.GetSafeHdc(), hOld);
    }
    ReleaseScreenBelow();
    {
      CTKBufferDC dcBuffer(dcWindow.GetSafeHdc(), rcClient);
      DrawCommandBar(&dcBuffer, rcClient);
      pPaintManager->AnimateExpanding(this, &dcWindow, &dcBuffer, rc.bottom > rcWindow.bottom);
    }
    ::ValidateRect(m_hWnd, nullptr);
  } else {
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    if (pPaintManager) pPaintManager->SetCommandBarRegion(this);
    Redraw(nullptr);
  }
  AddShadows();
}

// ---- shadows ----

void CTKPopupBar::AddShadows() {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  if (m_barPosition != TKBarPosition::Popup || !m_bShowShadow || !pPaintManager || !pPaintManager->m_bShowShadow ||
      IsCustomizeMode() || !GetSafeHwnd())
    return;
  CTKShadowManager* pShadows = pPaintManager->GetShadowManager();
  pShadows->RemoveWindowShadows(this);
  pShadows->AddWindowShadows(this, m_rcExclude);
  m_bShadowsAdded = TRUE;
}

void CTKPopupBar::RemoveShadows() {
  if (!m_bShadowsAdded) return;
  m_bShadowsAdded = FALSE;
  if (CTKBarPaintManager* pPaintManager = GetPaintManager())
    pPaintManager->GetShadowManager()->RemoveWindowShadows(this);
}

// ---- animation ----

TKPopupAnimation CTKPopupBar::GetAnimationType() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (!pCommandBars || (GetSafeHwnd() && ::GetWindow(m_hWnd, GW_CHILD))) return TKPopupAnimation::None;
  const int nOption = pCommandBars->GetCommandBarsOptions()->nAnimationType;
  if (nOption == static_cast<int>(TKPopupAnimation::System)) {
    BOOL bAnimation = FALSE;
    if (!::SystemParametersInfo(SPI_GETMENUANIMATION, 0, &bAnimation, 0) || !bAnimation) return TKPopupAnimation::None;
    BOOL bFade = FALSE;
    return ::SystemParametersInfo(SPI_GETMENUFADE, 0, &bFade, 0) && bFade ? TKPopupAnimation::Fade
                                                                          : TKPopupAnimation::Slide;
  }
  if (nOption == static_cast<int>(TKPopupAnimation::Random)) {
    static constexpr TKPopupAnimation kRandomKinds[] = {TKPopupAnimation::Fade, TKPopupAnimation::Slide,
                                                        TKPopupAnimation::Unfold};
    return kRandomKinds[std::rand() % 3];
  }
  return static_cast<TKPopupAnimation>(nOption);
}

TKPopupAnimation CTKPopupBar::ChooseAnimation() const {
  CTKCommandBar* pParentBar = GetParentCommandBar();
  const BOOL bAllowed = (!pParentBar || pParentBar->IsMouseTrackingEntered()) && !IsCustomizeMode() && GetSafeHwnd() &&
                        !::GetWindow(m_hWnd, GW_CHILD) && GetPaintManager();
  const TKPopupAnimation kind = bAllowed ? GetAnimationType() : TKPopupAnimation::None;
  return kind == TKPopupAnimation::Unfold || kind == TKPopupAnimation::Slide || kind == TKPopupAnimation::Fade
             ? kind
             : TKPopupAnimation::None;
}

void CTKPopupBar::CaptureScreenBelow(CRect rcScreen) {
  ReleaseScreenBelow();
  // The opening control shows its new state in the picture.
  CTKCommandBar* pParentBar = GetParentCommandBar();
  if (m_pControlPopup) m_pControlPopup->RedrawParent(FALSE);
  if (pParentBar && pParentBar->GetSafeHwnd()) ::UpdateWindow(pParentBar->GetSafeHwnd());
  if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd()) ::UpdateWindow(pSite->GetSafeHwnd());
  HDC hScreen = ::GetDC(nullptr);
  if (!hScreen) return;
  m_hbmScreenBelow = ::CreateCompatibleBitmap(hScreen, rcScreen.Width(), rcScreen.Height());
  HDC hMem = ::CreateCompatibleDC(hScreen);
  HGDIOBJ hOld = ::SelectObject(hMem, m_hbmScreenBelow);
  ::BitBlt(hMem, 0, 0, rcScreen.Width(), rcScreen.Height(), hScreen, rcScreen.left, rcScreen.top, SRCCOPY);
  ::SelectObject(hMem, hOld);
  ::DeleteDC(hMem);
  ::ReleaseDC(nullptr, hScreen);
}

void CTKPopupBar::ReleaseScreenBelow() {
  if (m_hbmScreenBelow) ::DeleteObject(m_hbmScreenBelow);
  m_hbmScreenBelow = nullptr;
}

void CTKPopupBar::Animate() {
  CTKCommandBar* pParentBar = GetParentCommandBar();
  const TKPopupAnimation kind = m_pendingAnimation;
  m_pendingAnimation = TKPopupAnimation::None;
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  if (pPaintManager && kind != TKPopupAnimation::None && m_hbmScreenBelow) {
    CRect rcClient;
    GetClientRect(&rcClient);
    CClientDC dcWindow(this);
    // The screen as it was under the popup first, so the animation starts from it.
    CDC dcScreen;
    dcScreen.CreateCompatibleDC(&dcWindow);
    HGDIOBJ hOld = ::SelectObject(dcScreen.GetSafeHdc(), m_hbmScreenBelow);
    dcWindow.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &dcScreen, 0, 0, SRCCOPY);
    ::SelectObject(dcScreen.GetSafeHdc(), hOld);
    pPaintManager->SetCommandBarRegion(this);
    {
      CTKBufferDC dcBuffer(dcWindow.GetSafeHdc(), rcClient);
      DrawCommandBar(&dcBuffer, rcClient);
      pPaintManager->AnimatePopupBar(&dcWindow, &dcBuffer, rcClient, static_cast<int>(kind));
    }
    ::ValidateRect(m_hWnd, nullptr);
  } else if (pPaintManager) {
    pPaintManager->SetCommandBarRegion(this);
  }
  ReleaseScreenBelow();
  if (pParentBar) pParentBar->ClearMouseTrackingEntered();
}

// ---- keys and mouse ----

int CTKPopupBar::HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) {
  // The drag loop reads its keys itself.
  if (m_bTrackingResize) return 2;
  return CTKCommandBar::HandleHookedMessage(hWnd, nMessage, wParam, lParam, lResult);
}

int CTKPopupBar::OnHookKeyDown(UINT nChar, LPARAM lParam) {
  if (m_bHiddenCommands && nChar == VK_DOWN) {
    const BOOL bCtrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    // The next command wraps round to the top: the selection is the last.
    const int nNext = m_pControls->GetNext(m_nSelected, +1);
    if (bCtrl || (m_nSelected != -1 && nNext != -1 && nNext <= m_nSelected)) ExpandBar();
  }
  return CTKCommandBar::OnHookKeyDown(nChar, lParam);
}

void CTKPopupBar::OnMouseMove(UINT nFlags, CPoint point) {
  if (m_nLockCount > 0 || GetMouseManager()->IsMouseMoveLocked()) return;
  CRect rcClient;
  GetClientRect(&rcClient);
  if (rcClient.PtInRect(point)) {
    // The item that opened the popup stays highlighted.
    if (CTKCommandBar* pParentBar = GetParentCommandBar(); pParentBar && m_pControlPopup)
      pParentBar->SetSelected(m_pControlPopup->GetIndex(), FALSE);
  }
  if (m_bScrolling) OnScrollButtonsHover(point);
  CTKCommandBar::OnMouseMove(nFlags, point);
}

void CTKPopupBar::OnLButtonDown(UINT nFlags, CPoint point) {
  if (m_nResizeMode != kTKResizeNone && !m_rcResizeGrip.IsRectEmpty()) {
    CRect rcActive = m_rcResizeGrip;
    if (m_nResizeMode != kTKResizeHeight) rcActive.left = rcActive.right - rcActive.Height();
    if (rcActive.PtInRect(point)) {
      // The loop dispatches messages whose handlers may let go of the bar.
      HoldRef<CTKPopupBar> hold(this);
      CTKMouseManager* pMouse = GetMouseManager();
      ++pMouse->m_nSuspendCount;
      TrackResize();
      --pMouse->m_nSuspendCount;
      CTKMouseManager::RepeatMouseMove();
      return;
    }
  }
  CTKCommandBar::OnLButtonDown(nFlags, point);
}

BOOL CTKPopupBar::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  if (m_nResizeMode != kTKResizeNone && !m_rcResizeGrip.IsRectEmpty()) {
    CPoint pt;
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    if (m_rcResizeGrip.PtInRect(pt)) {
      const BOOL bRtl = (::GetWindowLong(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
      LPCTSTR cursor = m_nResizeMode == kTKResizeHeight ? IDC_SIZENS : bRtl ? IDC_SIZENESW : IDC_SIZENWSE;
      ::SetCursor(::LoadCursor(nullptr, cursor));
      return TRUE;
    }
  }
  return CTKCommandBar::OnSetCursor(pWnd, nHitTest, message);
}

void CTKPopupBar::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kScrollDownTimerId || nIDEvent == kScrollUpTimerId) {
    StepScroll(nIDEvent);
    return;
  }
  if (nIDEvent == kExpandDelayTimerId) {
    ::KillTimer(m_hWnd, kExpandDelayTimerId);
    CTKControl* pSelected = GetControl(m_nSelected);
    if (pSelected && pSelected->GetID() == kExpandButtonId) {
      HoldRef<CTKControl> hold(pSelected);
      pSelected->OnExecute();
    }
    return;
  }
  CTKCommandBar::OnTimer(nIDEvent);
}

int CTKPopupBar::OnMouseActivate(CWnd*, UINT, UINT) { return MA_NOACTIVATE; }

BOOL CTKPopupBar::OnNcActivate(BOOL bActive) {
  // The popup's frame never shows as active.
  if (bActive) return TRUE;
  return CTKCommandBar::OnNcActivate(bActive);
}

LRESULT CTKPopupBar::OnFloatStatus(WPARAM wParam, LPARAM) {
  return (wParam & FS_SYNCACTIVE) && (::GetWindowLong(m_hWnd, GWL_STYLE) & kSyncActiveStyle) ? 1 : 0;
}

// ---- drawing ----

BOOL CTKPopupBar::OnEraseBkgnd(CDC*) { return TRUE; }

void CTKPopupBar::OnPaint() {
  // The window draws into its backing bitmap, which the screen shows only
  // once painting is done: no second buffer is needed against flicker.
  CPaintDC dc(this);
  CRect rcClient;
  GetClientRect(&rcClient);
  DrawCommandBar(&dc, rcClient);
}

void CTKPopupBar::DrawCommandBar(CDC* pDC, CRect /*rcClipBox*/) {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  if (!pPaintManager) return;
  CFont* pFont = pPaintManager->GetCommandBarFont(this);
  CGdiObject* pOldFont = pFont ? pDC->SelectObject(pFont) : nullptr;
  pDC->SetBkMode(TRANSPARENT);
  pPaintManager->FillCommandBarEntry(pDC, this);
  BOOL bFirst = TRUE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (!pControl->IsVisible()) continue;
    if (!bFirst && pControl->GetBeginGroup() && !pControl->GetWrap())
      pPaintManager->DrawCommandBarSeparator(pDC, this, pControl, TRUE);
    pControl->Draw(pDC);
    bFirst = FALSE;
  }
  if (m_bScrolling) DrawScrollArrows(pDC);
  if (!m_rcResizeGrip.IsRectEmpty() && m_nResizeMode != kTKResizeNone)
    pPaintManager->DrawResizeGripper(pDC, m_rcResizeGrip, m_nResizeMode);
  if (pOldFont) pDC->SelectObject(pOldFont);
}

// ---- copies ----

void CTKPopupBar::Copy(CTKCommandBar* pSource, BOOL bRecursive) {
  if (!pSource || pSource == this) return;
  CTKCommandBar::Copy(pSource, bRecursive);
  auto* pPopup = dynamic_cast<CTKPopupBar*>(pSource);
  if (!pPopup) return;
  m_bTearOffPopup = pPopup->m_bTearOffPopup;
  m_strTearOffCaption = pPopup->m_strTearOffCaption;
  m_nTearOffId = pPopup->m_nTearOffId;
  m_nTearOffWidth = pPopup->m_nTearOffWidth;
  m_bShowShadow = pPopup->m_bShowShadow;
  m_rcBorders = pPopup->m_rcBorders;
  m_bContextMenu = pPopup->m_bContextMenu;
}

CTKPopupBar* CTKPopupBar::Clone(BOOL bRecursive) {
  CTKPopupBar* pBar = CreatePopupBar(GetCommandBars());
  pBar->Copy(this, bRecursive);
  return pBar;
}

#ifndef NDEBUG
std::string CTKPopupBar::CheckInvariants() const {
  if (std::string s = CTKCommandBar::CheckInvariants(); !s.empty()) return s;
  if (!m_bScrolling) return "";
  if (m_nFirstVisible < 0 || m_nEndIndex > GetControlCount() || m_nFirstVisible > m_nEndIndex)
    return "the scrolled run lies outside the controls";
  for (int i = 0; i < GetControlCount(); ++i) {
    const BOOL bInRun = i >= m_nFirstVisible && i < m_nEndIndex;
    const BOOL bScrolledOut = (GetControl(i)->GetHideFlags() & kTKHideScroll) != 0;
    if (bInRun == bScrolledOut) return "a control's scroll flag disagrees with the scrolled run";
  }
  return "";
}
#endif

// ---- the popup tool bar ----

CTKPopupToolBar::CTKPopupToolBar() { m_barType = TKBarType::Normal; }

CTKPopupToolBar* CTKPopupToolBar::CreatePopupToolBar(CTKCommandBars* pCommandBars) {
  auto* pBar = new CTKPopupToolBar();
  pBar->SetCommandBars(pCommandBars);
  return pBar;
}

CSize CTKPopupToolBar::CalcDynamicLayout(int /*nLength*/, DWORD /*dwMode*/) {
  m_bInLayout = TRUE;
  MeasureDC dc;
  UpdateShortcuts();
  const CRect rcBorders = GetBorders();
  const CSize sz = m_pControls->CalcDynamicSize(&dc, m_nMRUWidth, LM_HORZ | LM_COMMIT | kTKLayoutGroups, rcBorders);
  m_rcGripper.SetRect(rcBorders.left, 0, sz.cx - rcBorders.right, rcBorders.top);
  m_rcResizeGrip.SetRectEmpty();
  m_nResizeMode = kTKResizeNone;
  m_bInLayout = FALSE;
  return sz;
}

CTKPopupBar* CTKPopupToolBar::Clone(BOOL bRecursive) {
  CTKPopupToolBar* pBar = CreatePopupToolBar(GetCommandBars());
  pBar->Copy(this, bRecursive);
  return pBar;
}
