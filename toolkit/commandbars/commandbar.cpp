#include "toolkit/commandbars/commandbar.h"

#include <climits>

#include "platform/framework/afxapp.h"
#include "platform/framework/afxdlg.h"
#include "platform/framework/afxmsg.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"
#include "toolkit/common/scopeddc.h"
#include "toolkit/common/tooltipcontext.h"

namespace {

// The frame's status-text messages.
constexpr UINT kSetMessageString = 0x362;
constexpr UINT kPopMessageString = 0x375;

// What WM_HELPHITTEST answers: a control's help id, else the bar's own id.
constexpr LRESULT kHelpHitControl = 0x10000;
constexpr LRESULT kHelpHitBar = 0x50000;

bool IsHelpMode() {
  CWinApp* pApp = AfxGetApp();
  return pApp && pApp->m_bHelpMode;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTKCommandBar, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
ON_WM_ERASEBKGND()
ON_WM_TIMER()
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_NCMOUSEMOVE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_WM_NCHITTEST()
ON_WM_NCLBUTTONDOWN()
ON_MESSAGE(WM_HELPHITTEST, OnHelpHitTest)
END_MESSAGE_MAP()

CTKCommandBar::CTKCommandBar() : m_pControls(new CTKControls()) {
  EnableAutomation();
  m_pControls->SetParent(this);
}

CTKCommandBar::~CTKCommandBar() {
  CTKCommandBar::SetTrackingMode(TKTrackingMode::Off);
  GetKeyboardManager()->RemoveKeyboardHook(this);
  GetMouseManager()->ForgetBar(this);
  if (m_pControls) {
    m_pControls->RemoveAll();
    m_pControls->SetParent(nullptr);
    m_pControls->InternalRelease();
  }
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  if (m_pImageManager) m_pImageManager->InternalRelease();
  if (m_pToolTipContext) m_pToolTipContext->InternalRelease();
}

BOOL CTKCommandBar::SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst, BOOL bKeyboard) {
  const bool entering = mode != TKTrackingMode::Off;
  if ((IsTrackingMode() && entering) || m_tracking == mode) {
    m_tracking = mode;
    return FALSE;
  }
  m_tracking = mode;
  if (entering) {
    if (m_barType == TKBarType::MenuBar)
      if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd())
        ::SendMessage(pSite->GetSafeHwnd(), TK_CBM_MENUBARTRACKING, reinterpret_cast<WPARAM>(this), 0);
    m_bKeyboardSelect = bKeyboard;
    m_bMouseTracking = !bSelectFirst && !bKeyboard;
    if (m_bHideCaret) {
      HWND hwndCaret = ::GetFocus();
      if (!hwndCaret)
        if (CWnd* pSite = GetSite()) hwndCaret = pSite->GetSafeHwnd();
      if (hwndCaret && ::HideCaret(hwndCaret)) m_hwndCaret = hwndCaret;
    }
    GetMouseManager()->TrackBar(this);
    GetKeyboardManager()->AddKeyboardHook(this);
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    if (bSelectFirst && m_pControls) SetSelected(m_pControls->GetNext(-1, +1), kTKSelectedKeyboard);
  } else {
    m_bKeyboardSelect = FALSE;
    m_bMouseTracking = FALSE;
    m_nLockCount = 0;
    GetMouseManager()->UntrackBar(this);
    GetKeyboardManager()->RemoveKeyboardHook(this);
    SetPopupedControl(-1);
    if (bSelectFirst) SetSelected(-1);
    if (m_hwndCaret) {
      if (::IsWindow(m_hwndCaret)) ::ShowCaret(m_hwndCaret);
      m_hwndCaret = nullptr;
    }
    Redraw(nullptr, TRUE);
    if (GetSafeHwnd() && ::GetFocus() == m_hWnd) {
      // The bar never keeps the focus once the user is done with it.
      const HWND hwndParent = ::GetParent(m_hWnd);
      const HWND hwndNext = hwndParent ? ::GetNextDlgTabItem(hwndParent, m_hWnd, FALSE) : nullptr;
      if (hwndNext && hwndNext != m_hWnd) ::SetFocus(hwndNext);
    }
  }
  return TRUE;
}

BOOL CTKCommandBar::SetSelected(int nSelected, BOOL bKeyboard) {
  if (nSelected == m_nSelected) return FALSE;
  m_bKeyboardSelect = bKeyboard;
  if (!GetSafeHwnd()) return FALSE;
  if (CTKControl* pPrevious = GetControl(m_nSelected)) {
    pPrevious->OnMouseMove(CPoint(-1, -1));
    m_nSelected = nSelected;
    pPrevious->SetSelected(kTKSelectedNone);
  }
  m_nSelected = nSelected;
  if (nSelected == -1) {
    ::KillTimer(m_hWnd, kHoverTimerId);
    return TRUE;
  }
  if (CTKControl* pControl = GetControl(nSelected)) {
    if (bKeyboard) {
      EnsureVisible(pControl);
      pControl->SetSelected(bKeyboard > kTKSelectedMouse ? bKeyboard : kTKSelectedKeyboard);
    } else {
      pControl->SetSelected(kTKSelectedMouse);
    }
    if (IsTrackingMode() && GetSafeHwnd()) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, m_hWnd, OBJID_MENU, nSelected + 1);
  }
  // The bar holding the hot control.
  GetMouseManager()->SetRememberedBar(this);
  if (!bKeyboard && m_bPopupOnHover && GetSafeHwnd()) ::SetTimer(m_hWnd, kHoverTimerId, kHoverDelay, nullptr);
  return TRUE;
}

void CTKCommandBar::OnTrackLost() { SetTrackingMode(TKTrackingMode::Off); }

void CTKCommandBar::ClearSelection() { SetSelected(-1); }

int CTKCommandBar::HitTestScreenPoint(POINT ptScreen) const {
  if (!GetSafeHwnd()) return 0;
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  if (!::PtInRect(&rc, ptScreen)) return 0;
  if (m_barPosition == TKBarPosition::Popup) {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    const int kind = ::GetWindowRgn(m_hWnd, region);
    const bool outside = (kind == SIMPLEREGION || kind == COMPLEXREGION) &&
                         !::PtInRegion(region, ptScreen.x - rc.left, ptScreen.y - rc.top);
    ::DeleteObject(region);
    if (outside) return 0;
  }
  return 1;
}

void CTKCommandBar::OnFinalRelease() {
  if (GetSafeHwnd()) DestroyWindow();
  delete this;
}

// ---- controls ----

void CTKCommandBar::SetControls(CTKControls* pControls) {
  if (pControls == m_pControls) return;
  if (m_pControls) {
    m_pControls->SetParent(nullptr);
    m_pControls->InternalRelease();
  }
  m_pControls = pControls;
  if (m_pControls) m_pControls->SetParent(this);
  OnControlsChanged();
}

int CTKCommandBar::GetControlCount() const { return m_pControls ? m_pControls->GetCount() : 0; }

CTKControl* CTKCommandBar::GetControl(int nIndex) const { return m_pControls ? m_pControls->GetAt(nIndex) : nullptr; }

BOOL CTKCommandBar::SetPopupedControl(int nPopuped, BOOL bKeyboard) {
  if (nPopuped == m_nPopuped) return FALSE;
  if (m_nPopuped != -1) {
    CTKControl* pOpen = GetControl(m_nPopuped);
    m_nPopuped = -1;
    if (pOpen) pOpen->SetPopuped(FALSE);
  }
  if (nPopuped == -1) return TRUE;
  CTKControl* pControl = GetControl(nPopuped);
  if (!pControl || pControl->GetEnabled() == 0) return FALSE;
  m_nPopuped = nPopuped;
  SetTrackingMode(TKTrackingMode::PopupOpen, FALSE, bKeyboard);
  SetSelected(nPopuped, bKeyboard);
  if (!IsTrackingMode()) {
    m_nPopuped = -1;
    SetSelected(-1);
    return FALSE;
  }
  // Opening runs application code that may release the bar.
  InternalAddRef();
  const BOOL bOpened = pControl->SetPopuped(TRUE);
  if (!bOpened) m_nPopuped = -1;
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (bOpened && pCommandBars && pCommandBars->GetCommandBarsOptions()->bShowFullAfterDelay && GetSafeHwnd())
    ::SetTimer(m_hWnd, kExpandTimerId, kExpandDelay, nullptr);
  InternalRelease();
  return bOpened;
}

int CTKCommandBar::OnControlsChanged() {
  DelayLayout();
  m_nSelected = -1;
  m_nPopuped = -1;
  return -1;
}

void CTKCommandBar::OnControlSelected(BOOL bSelected, CTKControl* pControl) {
  if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd())
    ::SendMessage(pSite->GetSafeHwnd(), TK_CBM_CONTROLSELECTED,
                  reinterpret_cast<WPARAM>(bSelected ? pControl : nullptr), 0);
  if (CTKCommandBars* pCommandBars = GetCommandBars())
    pCommandBars->SetHelpId(bSelected && pControl ? pControl->GetHelpId() : 0);
  const bool bStatusControl = pControl && m_nStatusControl != -1 && pControl->GetIndex() == m_nStatusControl;
  if (bStatusControl) {
    if (!bSelected) m_nStatusControl = -1;
    return;
  }
  m_nStatusControl = -1;
  SetStatusText(bSelected && pControl ? pControl->GetDescription() : CString());
}

void CTKCommandBar::SetStatusText(const CString& strText) {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (pCommandBars && !pCommandBars->GetCommandBarsOptions()->bShowStatusBarDescriptions) return;
  CWnd* pSite = pCommandBars && pCommandBars->GetSite() ? pCommandBars->GetSite() : GetSite();
  if (!pSite || !pSite->GetSafeHwnd()) return;
  if (!strText.IsEmpty())
    ::SendMessage(pSite->GetSafeHwnd(), kSetMessageString, 0, reinterpret_cast<LPARAM>(strText.GetString()));
  else ::SendMessage(pSite->GetSafeHwnd(), kPopMessageString, AFX_IDS_IDLEMESSAGE, 0);
}

// ---- the chain up to the command bars ----

CTKCommandBars* CTKCommandBar::GetCommandBars() const {
  for (const CTKCommandBar* pBar = this; pBar; pBar = pBar->GetParentCommandBar())
    if (pBar->m_pCommandBars) return pBar->m_pCommandBars;
  return nullptr;
}

CTKCommandBar* CTKCommandBar::GetTopParentBar() const {
  auto* pBar = const_cast<CTKCommandBar*>(this);
  while (CTKCommandBar* pParent = pBar->GetParentCommandBar()) pBar = pParent;
  return pBar;
}

BOOL CTKCommandBar::IsCustomizeMode() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  return pCommandBars && pCommandBars->IsCustomizeMode();
}

CWnd* CTKCommandBar::GetSite() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (pCommandBars && pCommandBars->GetSite()) return pCommandBars->GetSite();
  CTKCommandBar* pTop = GetTopParentBar();
  if (pTop->m_pOwner) return pTop->m_pOwner;
  if (HWND hwnd = pTop->GetSafeHwnd()) {
    HWND hwndOwner = ::GetWindow(hwnd, GW_OWNER);
    if (!hwndOwner) hwndOwner = ::GetParent(hwnd);
    if (hwndOwner) return CWnd::FromHandle(hwndOwner);
  }
  return AfxGetMainWnd();
}

CWnd* CTKCommandBar::GetOwnerWindow() const {
  for (const CTKCommandBar* pBar = this; pBar; pBar = pBar->GetParentCommandBar()) {
    if (pBar->m_pNotifyWnd) return pBar->m_pNotifyWnd;
    if (HWND hwnd = pBar->GetSafeHwnd())
      if (HWND hwndOwner = ::GetWindow(hwnd, GW_OWNER)) return CWnd::FromHandle(hwndOwner);
  }
  return GetSite();
}

CTKBarPaintManager* CTKCommandBar::GetPaintManager() const {
  if (m_pPaintManager) return m_pPaintManager;
  if (CTKCommandBars* pCommandBars = GetCommandBars()) return pCommandBars->GetPaintManager();
  CTKCommandBar* pTop = GetTopParentBar();
  if (pTop->m_pPaintManager) return pTop->m_pPaintManager;
  return CTKBarPaintManager::GetCurrent();
}

void CTKCommandBar::SetPaintManager(CTKBarPaintManager* pPaintManager) {
  if (pPaintManager == m_pPaintManager) return;
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  m_pPaintManager = pPaintManager;
  if (m_pPaintManager) m_pPaintManager->RefreshMetrics();
}

CTKImageManager* CTKCommandBar::GetImageManager() const {
  if (m_pImageManager) return m_pImageManager;
  if (CTKCommandBars* pCommandBars = GetCommandBars()) return pCommandBars->GetImageManager();
  CTKCommandBar* pTop = GetTopParentBar();
  if (pTop->m_pImageManager) return pTop->m_pImageManager;
  return CTKImageManager::GetDefault();
}

void CTKCommandBar::SetImageManager(CTKImageManager* pImageManager) {
  if (pImageManager == m_pImageManager) return;
  if (m_pImageManager) m_pImageManager->InternalRelease();
  m_pImageManager = pImageManager;
}

BOOL CTKCommandBar::IsKeyboardCuesVisible() const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  return pCommandBars ? pCommandBars->IsKeyboardCuesVisible() : TRUE;
}

// ---- sizes and settings ----

CSize CTKCommandBar::GetIconSize() const {
  if (m_szIcons != CSize(0, 0)) return m_szIcons;
  const BOOL bPopup = m_barType == TKBarType::Popup;
  BOOL bLarge = FALSE;
  if (CTKCommandBars* pCommandBars = GetCommandBars()) {
    const CTKCommandBarsOptions* pOptions = pCommandBars->GetCommandBarsOptions();
    bLarge = !bPopup && pOptions->bLargeIcons;
    const CSize szOption = bPopup ? pOptions->szPopupIcons : bLarge ? pOptions->szLargeIcons : pOptions->szIcons;
    if (szOption != CSize(0, 0)) return szOption;
  }
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->GetIconSize(bLarge) : CSize(16, 16);
}

CSize CTKCommandBar::GetButtonSize() const {
  if (m_szButtons != CSize(0, 0)) return m_szButtons;
  const CSize szIcon = GetIconSize();
  return CSize(szIcon.cx + 6, szIcon.cy + 6);
}

void CTKCommandBar::ModifyFlags(DWORD dwAdd, DWORD dwRemove) {
  const DWORD dwFlags = (m_dwFlags | dwAdd) & ~dwRemove;
  if (dwFlags == m_dwFlags) return;
  m_dwFlags = dwFlags;
  DelayLayout();
}

CSize CTKCommandBar::GetLargeIconSize(BOOL bAutomatic) const {
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (!pCommandBars) return m_szIcons != CSize(0, 0) ? CSize(m_szIcons.cx * 2, m_szIcons.cy * 2) : CSize(32, 32);
  const CTKCommandBarsOptions* pOptions = pCommandBars->GetCommandBarsOptions();
  const CSize szBase = m_szIcons != CSize(0, 0)           ? m_szIcons
                       : pOptions->szIcons != CSize(0, 0) ? pOptions->szIcons
                                                          : CSize(16, 16);
  if (m_szButtons != CSize(0, 0)) return szBase;
  if (pOptions->szLargeIcons != CSize(0, 0)) return pOptions->szLargeIcons;
  if (bAutomatic) {
    if (CTKBarPaintManager* pPaintManager = GetPaintManager()) return pPaintManager->GetIconSize(TRUE);
  }
  return CSize(szBase.cx * 2, szBase.cy * 2);
}

void CTKCommandBar::SetSpacing(int nHorizontal, int nVertical) {
  if (nHorizontal == m_nHorizontalSpacing && nVertical == m_nVerticalSpacing) return;
  m_nHorizontalSpacing = nHorizontal;
  m_nVerticalSpacing = nVertical;
  DelayLayout();
}

void CTKCommandBar::SetShowGripper(BOOL bShow) {
  const DWORD dwStyle = bShow ? (m_dwStyle | kTKBarStyleShowGripper) : (m_dwStyle & ~kTKBarStyleShowGripper);
  if (dwStyle == m_dwStyle) return;
  m_dwStyle = dwStyle;
  DelayLayout();
}

void CTKCommandBar::SetReturnCommand(int* pReturnCommand, BOOL bRecursive) {
  m_pReturnCmd = pReturnCommand;
  m_bRecursePopup = bRecursive;
}

BOOL CTKCommandBar::IsVisible() const { return FALSE; }

// ---- the idle cycle ----

void CTKCommandBar::UnlockRedraw() {
  if (m_nLockRedraw > 0) --m_nLockRedraw;
}

void CTKCommandBar::Redraw(const CRect* pRect, BOOL /*bAnimate*/) {
  if (m_nLockRedraw > 0) {
    DelayRedraw();
    return;
  }
  if (!pRect) m_dwLayoutState &= ~kTKBarRedrawPending;
  if (GetSafeHwnd() && IsVisible()) ::InvalidateRect(m_hWnd, pRect, FALSE);
}

void CTKCommandBar::OnIdleUpdate() {
  if (!GetSafeHwnd() || !::IsWindowVisible(m_hWnd)) return;
  UpdateDocTemplateControls();
  UpdateCommandUI();
  if (IsRedrawPending()) Redraw(nullptr);
  if (IsLayoutDirty()) {
    OnRecalcLayout();
    m_dwLayoutState &= ~kTKBarLayoutDirty;
  }
}

void CTKCommandBar::FindInsertPosition(CTKControl* pDragged, CPoint point, CRect& rcMarker, int& nIndex, BOOL& bAfter) {
  constexpr int kMarker = 6;
  const bool bVertical =
      m_barType == TKBarType::Popup || m_barPosition == TKBarPosition::Left || m_barPosition == TKBarPosition::Right;
  int nBest = -1;
  int nBestDistance = INT_MAX;
  BOOL bBestAfter = FALSE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (!pControl->IsVisible() || !pControl->IsCustomizable()) continue;
    const CRect rc = pControl->GetRect();
    const CRect rcRow = pControl->GetRowRect();
    if (m_bMultiLine) {
      // Only the row (column) under the point takes part.
      if (!bVertical && (point.y < rcRow.top || point.y >= rcRow.bottom)) continue;
      if (bVertical && (point.x < rcRow.left || point.x >= rcRow.right)) continue;
    } else if (pControl->GetWrap()) {
      // A new row below, or a new column to the right, of the point ends
      // the search; a column the point reaches starts the race again.
      if (!bVertical && point.y < rcRow.top) break;
      if (bVertical && point.x < rcRow.left) break;
      if (bVertical) nBestDistance = INT_MAX;
    }
    const int nCentre = bVertical ? rc.CenterPoint().y : rc.CenterPoint().x;
    const int nPoint = bVertical ? point.y : point.x;
    const int nDistance = nPoint > nCentre ? nPoint - nCentre : nCentre - nPoint;
    if (nDistance < nBestDistance) {
      nBestDistance = nDistance;
      nBest = i;
      bBestAfter = nPoint > nCentre;
    }
  }
  nIndex = nBest;
  bAfter = nBest == -1 ? TRUE : bBestAfter;
  if (nBest == -1) {
    CRect rcClient;
    if (GetSafeHwnd()) GetClientRect(&rcClient);
    rcMarker = m_barType == TKBarType::Ribbon ? CRect() : CRect(2, 2, 2 + kMarker, rcClient.Height() - 2);
    return;
  }
  CTKControl* pWinner = GetControl(nBest);
  if (pWinner == pDragged) {
    rcMarker.SetRectEmpty();
    return;
  }
  const CRect rc = pWinner->GetRect();
  const CTKControl* pNext = GetControl(nBest + 1);
  const bool bClosing = !pNext || pNext->GetBeginGroup() || (!bVertical && pNext->GetWrap());
  if (bVertical) {
    const int y = !bAfter ? rc.top : bClosing ? rc.bottom - kMarker : rc.bottom;
    rcMarker = CRect(rc.left, y, rc.right, y + kMarker);
  } else {
    const int x = !bAfter ? rc.left : bClosing ? rc.right - kMarker : rc.right;
    rcMarker = CRect(x, rc.top, x + kMarker, rc.bottom);
  }
}

void CTKCommandBar::UpdateDocTemplateControls() {
  CTKCommandBars* pCommandBars = GetCommandBars();
  const UINT nTemplate = pCommandBars ? pCommandBars->GetActiveDocTemplate() : 0;
  if (nTemplate == 0) return;
  BOOL bChanged = FALSE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (pControl->GetParent() != this) continue;
    UINT nValue = 0;
    if (!pControl->GetDocTemplatesAssigned().IsEmpty())
      bChanged |=
          pControl->SetHideFlag(kTKHideDocTemplate, !pControl->GetDocTemplatesAssigned().Lookup(nTemplate, nValue));
    if (!pControl->GetDocTemplatesExcluded().IsEmpty())
      bChanged |=
          pControl->SetHideFlag(kTKHideDocTemplate, pControl->GetDocTemplatesExcluded().Lookup(nTemplate, nValue));
  }
  if (bChanged) DelayLayout();
}

void CTKCommandBar::UpdateCommandUI() {
  CWnd* pOwner = GetOwnerWindow();
  if (!GetSafeHwnd() || !pOwner) return;
  CTKCommandBars* pCommandBars = GetCommandBars();
  const BOOL bDisableIfNoHandler =
      pCommandBars ? pCommandBars->GetCommandBarsOptions()->bDisableCommandIfNoHandler : TRUE;
  const BOOL bCustomize = IsCustomizeMode();
  const BOOL bNoNotify = GetTopParentBar()->IsNoNotify();
  CCommandBarCmdUI cmdUI;
  cmdUI.m_pOther = this;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (!pControl->IsVisible(kTKHideGeneric | kTKHideScroll | kTKHideExpand)) continue;
    pControl->OnIdleUpdate();
    if (bNoNotify || (pControl->GetFlags() & kTKControlFlagManualUpdate)) continue;
    cmdUI.m_pControl = pControl;
    cmdUI.m_nID = static_cast<UINT>(pControl->GetID());
    cmdUI.m_nIndex = static_cast<UINT>(i);
    cmdUI.m_nIndexMax = static_cast<UINT>(GetControlCount());
    cmdUI.m_bEnableChanged = FALSE;
    cmdUI.m_bCheckChanged = FALSE;
    if (OnCmdMsg(0, kUpdateCommandUICode, &cmdUI, nullptr)) continue;
    if (OnCmdMsg(cmdUI.m_nID, CN_UPDATE_COMMAND_UI, &cmdUI, nullptr)) continue;
    if (!bCustomize) cmdUI.DoUpdate(pOwner, bDisableIfNoHandler);
    else if (pControl->GetEnabled() != kTKEnabledFollowAction) pControl->SetEnabled(TRUE);
  }
  UpdateDialogControls(pOwner, bDisableIfNoHandler);
}

void CTKCommandBar::CCommandBarCmdUI::Enable(BOOL bOn) {
  m_bEnableChanged = TRUE;
  if (!m_pControl) return;
  if (m_pControl->GetAction()) {
    m_pControl->SetEnabled(bOn ? kTKEnabledFollowAction : 0);
    return;
  }
  m_pControl->SetEnabled(bOn);
  if (!bOn && !m_bCheckChanged) m_pControl->SetChecked(0);
}

void CTKCommandBar::CCommandBarCmdUI::SetCheck(int nCheck) {
  m_bCheckChanged = TRUE;
  if (m_pControl) m_pControl->SetChecked(nCheck);
}

void CTKCommandBar::CCommandBarCmdUI::SetText(LPCTSTR lpszText) {
  if (m_pControl) m_pControl->SetCaption(lpszText ? CString(lpszText) : CString());
}

#ifndef NDEBUG
std::string CTKCommandBar::CheckInvariants() const {
  if (!m_pControls) return "the bar has no collection";
  if (m_pControls->GetParent() != this) return "the bar's collection has another parent";
  if (m_nPopuped != -1 && !GetControl(m_nPopuped)) return "the open popup is no control of the bar";
  return m_pControls->CheckInvariants();
}
#endif

// ---- the window ----

LRESULT CTKCommandBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pToolTipContext && GetSafeHwnd()) m_pToolTipContext->RelayToolTipMessage(this, message, wParam, lParam);
  return CWnd::WindowProc(message, wParam, lParam);
}

void CTKCommandBar::SetToolTipContext(CTKToolTipContext* pContext) {
  if (pContext == m_pToolTipContext) return;
  if (pContext) pContext->InternalAddRef();
  if (m_pToolTipContext) m_pToolTipContext->InternalRelease();
  m_pToolTipContext = pContext;
}

CTKControl* CTKCommandBar::HitTestControl(CPoint point) const {
  return m_pControls ? m_pControls->HitTest(point) : nullptr;
}

BOOL CTKCommandBar::IsMouseLocked() const { return !m_bMouseLockExempt && GetMouseManager()->IsMouseMoveLocked(); }

int CTKCommandBar::OnCreate(LPCREATESTRUCT) {
  const int nResult = static_cast<int>(Default());
  if (nResult == -1) return -1;
  // Bars of their own show the framework's tips; popups have none.
  if (!GetCommandBars() && m_barType != TKBarType::Popup && m_barPosition != TKBarPosition::List) EnableToolTips(TRUE);
  return nResult;
}

void CTKCommandBar::OnDestroy() {
  SetTrackingMode(TKTrackingMode::Off);
  if (GetSafeHwnd()) {
    ::KillTimer(m_hWnd, kHoverTimerId);
    ::KillTimer(m_hWnd, kExpandTimerId);
  }
  Default();
}

void CTKCommandBar::OnPaint() {
  CPaintDC paintDC(this);
  CRect rcClip;
  paintDC.GetClipBox(&rcClip);
  // Buffered: the bar never flickers through its background.
  CTKBufferDC dc(paintDC);
  DrawCommandBar(&dc, rcClip);
}

LRESULT CTKCommandBar::OnPrintClient(WPARAM wParam, LPARAM) {
  CRect rcClient;
  GetClientRect(&rcClient);
  DrawCommandBar(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), rcClient);
  return TRUE;
}

BOOL CTKCommandBar::OnEraseBkgnd(CDC*) { return TRUE; }

CRect CTKCommandBar::GetBorders() {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->GetCommandBarBorders(this) : CRect();
}

void CTKCommandBar::FillCommandBarEntry(CDC* pDC) {
  if (CTKBarPaintManager* pPaintManager = GetPaintManager()) pPaintManager->FillCommandBarEntry(pDC, this);
}

void CTKCommandBar::DrawCommandBar(CDC* pDC, CRect rcClipBox) {
  if (!pDC || !pDC->GetSafeHdc()) return;
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  FillCommandBarEntry(pDC);
  if (!pPaintManager) return;
  if (GetShowGripper() || m_barPosition == TKBarPosition::Floating)
    pPaintManager->DrawCommandBarGripper(pDC, this, TRUE);
  pDC->SetBkMode(TRANSPARENT);
  CTKFontDC font(pDC, pPaintManager->GetCommandBarFont(this));
  CTKCommandBars* pCommandBars = GetCommandBars();
  CTKControl* pCustomizeSelection =
      pCommandBars && pCommandBars->IsCustomizeMode() ? pCommandBars->GetDragControl() : nullptr;
  BOOL bFirst = TRUE;
  for (int i = 0; i < GetControlCount(); ++i) {
    CTKControl* pControl = GetControl(i);
    if (pControl->GetParent() != this || !pControl->IsVisible()) continue;
    if (pControl->GetBeginGroup() && !bFirst) pPaintManager->DrawCommandBarSeparator(pDC, this, pControl, TRUE);
    bFirst = FALSE;
    const CRect rcControl = pControl->GetRect();
    CRect rcMeet;
    if (rcMeet.IntersectRect(&rcClipBox, &rcControl)) pControl->Draw(pDC);
    if (pControl == pCustomizeSelection) {
      CRect rc(rcControl);
      pDC->Draw3dRect(&rc, RGB(0, 0, 0), RGB(0, 0, 0));
      rc.DeflateRect(1, 1);
      pDC->Draw3dRect(&rc, RGB(0, 0, 0), RGB(0, 0, 0));
    }
  }
}

void CTKCommandBar::OnTimer(UINT_PTR nIDEvent) {
  Default();
  switch (nIDEvent) {
    case kHoverTimerId: {
      // A modal loop of a bar, or a bar locked open, leaves the popups alone.
      if (m_nLockCount > 0 || GetMouseManager()->m_nSuspendCount > 0) return;
      ::KillTimer(m_hWnd, kHoverTimerId);
      if (CTKControl* pSelected = GetControl(m_nSelected)) pSelected->OnMouseHover();
      return;
    }
    case kExpandTimerId: {
      if (m_nLockCount > 0) return;
      ::KillTimer(m_hWnd, kExpandTimerId);
      CTKControl* pOpen = GetControl(m_nPopuped);
      if (!pOpen || m_nPopuped != m_nSelected || pOpen->GetType() != TKControlType::Popup || !pOpen->GetPopuped())
        return;
      CPoint ptCursor;
      ::GetCursorPos(&ptCursor);
      ScreenToClient(&ptCursor);
      if (!pOpen->GetRect().PtInRect(ptCursor)) return;
      if (auto* pPopupBar = dynamic_cast<CTKPopupBar*>(pOpen->GetCommandBar())) pPopupBar->ExpandBar();
      return;
    }
    default:
      return;
  }
}

void CTKCommandBar::OnMouseMove(UINT, CPoint point) {
  if (!GetSafeHwnd() || !m_pControls) return;
  CTKMouseManager* pMouseManager = GetMouseManager();
  // Another bar's popups are tracked, or this bar is locked open.
  if (pMouseManager->IsMouseLocked(this)) return;
  if (!IsTrackingMode() && m_barPosition != TKBarPosition::Popup && !CTKMouseManager::IsOwnerForeground(this)) return;
  if (IsMouseLocked()) return;
  if (IsCustomizeMode()) return;
  if (m_nPopuped != -1 && !m_bPopupOnHover) return;
  int nTarget = -1;
  if (CTKControl* pControl = m_pControls->HitTest(point)) {
    pMouseManager->WatchMouseLeave(m_hWnd);
    // The control may run a handler that empties the bar.
    pControl->InternalAddRef();
    pControl->OnMouseMove(point);
    nTarget = pControl->GetParent() == this ? pControl->GetIndex() : -1;
    pControl->InternalRelease();
  } else if ((IsTrackingMode() && !IsPopupBar()) || m_nPopuped != -1 || m_bKeyboardSelect) {
    nTarget = m_nSelected;
  }
  SetSelected(nTarget, FALSE);
}

void CTKCommandBar::OnMouseLeave() {
  const bool bKeepsSelection = IsTrackingMode() && (!IsPopupBar() || m_nPopuped != -1);
  if (!IsMouseLocked() && !bKeepsSelection && m_nLockCount == 0) SetSelected(-1);
}

void CTKCommandBar::OnNcMouseMove(UINT, CPoint) {
  OnMouseLeave();
  Default();
}

void CTKCommandBar::OnLButtonDown(UINT, CPoint point) {
  if (m_barPosition == TKBarPosition::Popup && m_barType == TKBarType::Normal && m_nPopuped != -1) {
    // A click in a popup tool bar away from the open popup's button closes it.
    CTKControl* pOpen = GetControl(m_nPopuped);
    if (pOpen && !pOpen->GetRect().PtInRect(point)) {
      const BOOL bSelected = m_nSelected == m_nPopuped;
      SetPopupedControl(-1);
      if (bSelected) SetSelected(-1);
    }
  }
  CTKControl* pControl = HitTestControl(point);
  if (!pControl) {
    Default();
    return;
  }
  pControl->OnLButtonDown(point);
}

void CTKCommandBar::OnLButtonUp(UINT, CPoint point) {
  if (IsCustomizeMode()) return;
  if (CTKControl* pControl = HitTestControl(point)) pControl->OnLButtonUp(point);
  else Default();
}

void CTKCommandBar::OnLButtonDblClk(UINT, CPoint point) {
  if (IsCustomizeMode()) return;
  if (CTKControl* pControl = HitTestControl(point)) pControl->OnLButtonDblClk(point);
}

void CTKCommandBar::OnRButtonDown(UINT, CPoint point) {
  CTKControl* pControl = HitTestControl(point);
  if (pControl && pControl->OnRButtonDown(point)) return;
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (pCommandBars && pCommandBars->IsCustomizeMode() && IsCustomizable() && pControl && pControl->IsVisible() &&
      pControl->IsCustomizable()) {
    SetPopupedControl(-1);
    SetSelected(-1);
    pCommandBars->SetDragControl(pControl);
    return;
  }
  Default();
}

void CTKCommandBar::OnRButtonUp(UINT, CPoint point) {
  if (IsCustomizeMode()) return;
  CTKControl* pControl = HitTestControl(point);
  if (pControl) {
    CWnd* pSite = GetSite();
    if (pSite && pSite->GetSafeHwnd() &&
        ::SendMessage(pSite->GetSafeHwnd(), TK_CBM_CONTROLRBUTTONUP, reinterpret_cast<WPARAM>(&point),
                      reinterpret_cast<LPARAM>(pControl)) == 1)
      return;
    // A popup tracked for the right button chooses with it.
    if (GetTopParentBar()->IsRightButtonTracking()) {
      pControl->OnLButtonUp(point);
      return;
    }
    if (pControl->OnRButtonUp(point)) return;
  }
  CTKCommandBar* pTop = GetTopParentBar();
  if (pTop != this) {
    pTop->OnPopupRButtonUp(this, point);
    return;
  }
  Default();
}

LRESULT CTKCommandBar::OnNcHitTest(CPoint point) {
  if (!IsHelpMode()) return Default();
  CPoint ptClient(point);
  ScreenToClient(&ptClient);
  CTKControl* pControl = HitTestControl(ptClient);
  // A sub-menu without a command of its own opens in help mode.
  if (pControl && TKIsPopupType(pControl->GetType()) && pControl->GetID() <= 0) return HTMENU;
  return HTCLIENT;
}

void CTKCommandBar::OnNcLButtonDown(UINT nHitTest, CPoint point) {
  if (!IsHelpMode()) {
    Default();
    return;
  }
  (void)nHitTest;
  CPoint ptClient(point);
  ScreenToClient(&ptClient);
  OnLButtonDown(0, ptClient);
}

LRESULT CTKCommandBar::OnHelpHitTest(WPARAM, LPARAM lParam) {
  const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  if (CTKControl* pControl = HitTestControl(point)) return kHelpHitControl + pControl->GetHelpId();
  const int nId = GetSafeHwnd() ? ::GetDlgCtrlID(m_hWnd) : 0;
  return nId != 0 ? kHelpHitBar + nId : 0;
}

// ---- copies ----

void CTKCommandBar::Copy(CTKCommandBar* pSource, BOOL bRecursive) {
  if (!pSource || pSource == this) return;
  m_barType = pSource->m_barType;
  m_barPosition = pSource->m_barPosition;
  m_nBarID = pSource->m_nBarID;
  m_dwFlags = pSource->m_dwFlags;
  m_dwStyle = pSource->m_dwStyle;
  m_strTitle = pSource->m_strTitle;
  m_bCustomizable = pSource->m_bCustomizable;
  m_nMRUWidth = pSource->m_nMRUWidth;
  m_szIcons = pSource->m_szIcons;
  m_szButtons = pSource->m_szButtons;
  m_pCommandBars = pSource->m_pCommandBars;
  m_defaultButtonStyle = pSource->m_defaultButtonStyle;
  m_pControls->Copy(pSource->m_pControls, bRecursive);
  DelayLayout();
}

CTKCommandBar* CTKCommandBar::Clone(BOOL bRecursive) {
  auto* pBar = new CTKCommandBar();
  pBar->Copy(this, bRecursive);
  return pBar;
}
