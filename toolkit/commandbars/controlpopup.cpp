#include "toolkit/commandbars/controlpopup.h"

#include "platform/framework/afxwnd.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/shadowmanager.h"

IMPLEMENT_SERIAL(CTKControlPopup, CTKControlButton, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

namespace {

// Whether the bar, or a bar opened from any of its popups, is pTarget.
bool BarTreeContains(CTKCommandBar* pBar, CTKCommandBar* pTarget, int nDepth = 0) {
  // Shared bars can form a cycle; no real menu is this deep.
  constexpr int kMaxDepth = 64;
  if (!pBar || nDepth > kMaxDepth) return false;
  if (pBar == pTarget) return true;
  for (int i = 0; i < pBar->GetControlCount(); ++i)
    if (BarTreeContains(pBar->GetControl(i)->GetCommandBar(), pTarget, nDepth + 1)) return true;
  return false;
}

bool IsKeyboardSelection(int nSelected) {
  return nSelected == kTKSelectedKeyboard || nSelected == kTKSelectedKeyboardBack;
}

}  // namespace

CTKControlPopup::CTKControlPopup() { m_controlType = TKControlType::Popup; }

CTKControlPopup::~CTKControlPopup() {
  if (m_pCommandBar) m_pCommandBar->InternalRelease();
}

CTKControlPopup* CTKControlPopup::CreateControlPopup(TKControlType type) {
  if (!TKIsPopupType(type)) return nullptr;
  auto* pControl = new CTKControlPopup();
  pControl->m_controlType = type;
  return pControl;
}

void CTKControlPopup::SetCommandBar(CTKCommandBar* pBar) {
  if (pBar == m_pCommandBar) return;
  if (pBar) pBar->InternalAddRef();
  if (m_pCommandBar) m_pCommandBar->InternalRelease();
  m_pCommandBar = pBar;
}

BOOL CTKControlPopup::IsSharingBarWith(CTKControlPopup* pOther) {
  if (!pOther || !m_pCommandBar || !pOther->m_pCommandBar) return FALSE;
  return BarTreeContains(m_pCommandBar, pOther->m_pCommandBar);
}

CRect CTKControlPopup::GetCommandPartRect() {
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  return pPaintManager ? pPaintManager->GetSplitButtonCommandRect(this) : m_rcControl;
}

void CTKControlPopup::Execute() {
  if (m_pCommandBar && m_pParent) m_pParent->SetPopupedControl(m_nIndex, TRUE);
  else if (!m_pCommandBar) OnExecute();
}

BOOL CTKControlPopup::SetPopuped(BOOL bPopuped) {
  if (!m_pCommandBar || !m_pParent || !m_pParent->GetSafeHwnd()) return FALSE;
  if (IsSplitButton() && GetEnabled() == kTKEnabledNoDropDown) return FALSE;
  m_bPopuped = bPopuped;
  if (!bPopuped) {
    m_pCommandBar->SetTrackingMode(TKTrackingMode::Off);
    RedrawParent(TRUE);
    return TRUE;
  }
  // The pressed look is on the screen before the popup covers it.
  RedrawParent(FALSE);
  if (CWnd* pSite = m_pParent->GetSite(); pSite && pSite->GetSafeHwnd()) ::UpdateWindow(pSite->GetSafeHwnd());
  ::UpdateWindow(m_pParent->GetSafeHwnd());
  if (m_pCommandBar->IsTrackingMode()) return TRUE;

  // Showing runs application code (the popup's notification, its idle
  // update) that may remove this control and with it the last reference
  // on the popup bar.
  InternalAddRef();
  CTKCommandBar* pPopupBar = m_pCommandBar;
  pPopupBar->InternalAddRef();
  BOOL bShown = pPopupBar->Popup(this, IsKeyboardSelection(m_nSelected));
  // A handler may have closed the popup while it was being shown.
  bShown = bShown && m_bPopuped && pPopupBar->IsTrackingMode();
  if (bShown) {
    UpdateShadow();
  } else {
    m_bPopuped = FALSE;
  }
  pPopupBar->InternalRelease();
  InternalRelease();
  return bShown;
}

void CTKControlPopup::UpdateShadow() {
  if (!m_pCommandBar || !m_pParent || m_pParent->GetPosition() == TKBarPosition::Popup) return;
  if (!TKIsPopupType(m_controlType)) return;
  if (m_pParent->GetPosition() == TKBarPosition::Floating && m_pParent->GetType() == TKBarType::Popup) return;
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  auto* pPopupBar = dynamic_cast<CTKPopupBar*>(m_pCommandBar);
  if (!pPaintManager || !pPaintManager->m_bShowShadow || !pPopupBar || !pPopupBar->m_bShowShadow || !m_bShadowJoined ||
      IsCustomizeMode())
    return;
  CTKShadowManager* pShadowManager = pPaintManager->GetShadowManager();
  if (!pShadowManager || !m_pParent->GetSafeHwnd()) return;
  CRect rc(m_rcControl);
  m_pParent->ClientToScreen(&rc);
  pShadowManager->AddControlShadows(rc.left, rc.top, rc.right, rc.bottom, m_pCommandBar);
}

BOOL CTKControlPopup::SetSelected(int nSelected) {
  if (!CTKControlButton::SetSelected(nSelected)) return FALSE;
  if (!m_pCommandBar || !m_pParent) return TRUE;
  const BOOL bEnabled = GetEnabled() != 0;
  if (nSelected == kTKSelectedMouse && bEnabled && IsSplitButton() && m_pParent->GetSafeHwnd()) {
    CPoint pt;
    ::GetCursorPos(&pt);
    m_pParent->ScreenToClient(&pt);
    if (m_rcControl.PtInRect(pt)) OnMouseMove(pt);
  }
  const BOOL bPopupOpen = m_pParent->GetTrackingMode() == TKTrackingMode::PopupOpen;
  const BOOL bAtPopupPosition = m_pParent->GetPosition() == TKBarPosition::Popup;
  if (m_controlType != TKControlType::Popup && m_pParent->GetType() != TKBarType::Popup) {
    // A tool-bar button with a menu opens when the keyboard reaches it
    // while another menu of the bar is open.
    if (IsKeyboardSelection(nSelected) && bEnabled && bPopupOpen) m_pParent->SetPopupedControl(m_nIndex, TRUE);
    return TRUE;
  }
  if (nSelected != kTKSelectedNone && bEnabled && bPopupOpen && !bAtPopupPosition) {
    // Moving along a menu bar with a menu open opens the next menu.
    m_pParent->SetPopupedControl(m_nIndex, IsKeyboardSelection(nSelected));
  } else if (nSelected == kTKSelectedNone && m_bPopuped && !bAtPopupPosition) {
    m_pParent->SetPopupedControl(-1);
  }
  return TRUE;
}

void CTKControlPopup::OnClick(BOOL bKeyboard, CPoint pt) {
  if (GetEnabled() == 0) return;
  if (!m_pParent) return;
  // Opening runs application code that may remove the control.
  InternalAddRef();
  const BOOL bCustomize = IsCustomizeMode();
  CTKCommandBars* pCommandBars = GetCommandBars();
  if (bCustomize && pCommandBars) pCommandBars->SetDragControl(this);
  if (m_bPopuped && m_pParent->GetPosition() != TKBarPosition::Popup) {
    // A second click on an open menu closes it.
    m_pParent->SetTrackingMode(TKTrackingMode::Off);
    InternalRelease();
    return;
  }
  if (IsSplitButton() && !bCustomize) {
    const int nEnabled = GetEnabled();
    if (bKeyboard) {
      if (nEnabled == kTKEnabledNoCommand) m_pParent->SetPopupedControl(m_nIndex, FALSE);
      else OnExecute();
      InternalRelease();
      return;
    }
    const CRect rcCommand = GetCommandPartRect();
    if (rcCommand.PtInRect(pt)) {
      // In a menu the release executes the command part.
      if (m_pParent->GetType() == TKBarType::Popup) {
        if (m_pParent->GetSafeHwnd()) ::KillTimer(m_pParent->GetSafeHwnd(), CTKCommandBar::kHoverTimerId);
      } else if (nEnabled != kTKEnabledNoCommand) {
        PressLoop(rcCommand);
      }
      InternalRelease();
      return;
    }
    if (nEnabled == kTKEnabledNoDropDown) {
      InternalRelease();
      return;
    }
  }
  if (!bCustomize || (m_pCommandBar && m_pCommandBar->IsCustomizable())) {
    if (!m_pParent || !m_pParent->SetPopupedControl(m_nIndex, FALSE)) {
      InternalRelease();
      return;
    }
  }
  if (bCustomize) CustomizeStartDrag(pt);
  InternalRelease();
}

void CTKControlPopup::OnLButtonUp(CPoint point) {
  if (!m_pCommandBar) {
    CTKControlButton::OnLButtonUp(point);
    return;
  }
  if (!IsSplitButton() || !m_pParent || m_pParent->GetType() != TKBarType::Popup) return;
  const int nEnabled = GetEnabled();
  CTKBarPaintManager* pPaintManager = GetPaintManager();
  const int nArrow = pPaintManager ? pPaintManager->m_nSplitButtonDropDownWidth : 0;
  if (nEnabled != 0 && nEnabled != kTKEnabledNoCommand && point.x + nArrow < m_rcControl.right) OnExecute();
}

BOOL CTKControlPopup::OnLButtonDblClk(CPoint point) {
  const bool bMenuKind = m_controlType == TKControlType::Popup || m_controlType == TKControlType::ButtonPopup;
  auto* pPopupBar = dynamic_cast<CTKPopupBar*>(m_pCommandBar);
  if (!bMenuKind || !pPopupBar || !m_pParent) return CTKControlButton::OnLButtonDblClk(point);
  if (!m_bPopuped) {
    ::SendMessage(m_pParent->GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    if (!m_bPopuped) return FALSE;
  }
  const int nDefault = pPopupBar->GetDefaultItem(TRUE);
  if (CTKControl* pDefault = nDefault != -1 ? pPopupBar->GetControl(nDefault) : nullptr) {
    pDefault->OnExecute();
    return TRUE;
  }
  if (!pPopupBar->GetSafeHwnd()) return FALSE;
  pPopupBar->ExpandBar();
  return TRUE;
}

void CTKControlPopup::OnMouseMove(CPoint point) {
  if (!IsSplitButton() || !m_pCommandBar || GetEnabled() == 0 || m_nSelected == kTKSelectedNone) return;
  const int nSelected = GetCommandPartRect().PtInRect(point) ? kTKSelectedCommandPart : kTKSelectedDropDownPart;
  if (nSelected == m_nSelected) return;
  m_nSelected = nSelected;
  RedrawParent(FALSE);
}

void CTKControlPopup::OnMouseHover() {
  if (m_pCommandBar && m_pParent && GetEnabled() != 0 &&
      (m_pParent->GetTrackingMode() == TKTrackingMode::PopupOpen || m_pParent->GetPosition() == TKBarPosition::Popup)) {
    m_pParent->SetPopupedControl(m_nIndex, FALSE);
    return;
  }
  CTKControlButton::OnMouseHover();
}

BOOL CTKControlPopup::IsEqual(CTKControl* pOther) {
  if (!CTKControlButton::IsEqual(pOther)) return FALSE;
  auto* pPopup = dynamic_cast<CTKControlPopup*>(pOther);
  if (!pPopup) return FALSE;
  if (m_pCommandBar && pPopup->m_pCommandBar) {
    CTKControls* pMine = m_pCommandBar->GetControls();
    CTKControls* pTheirs = pPopup->m_pCommandBar->GetControls();
    if (pMine && pTheirs && !pMine->IsEqual(pTheirs)) return FALSE;
  }
  return TRUE;
}

void CTKControlPopup::Copy(CTKControl* pSource, BOOL bRecursive) {
  CTKControlButton::Copy(pSource, bRecursive);
  auto* pPopup = dynamic_cast<CTKControlPopup*>(pSource);
  if (!pPopup || pPopup == this) return;
  m_bShadowJoined = pPopup->m_bShadowJoined;
  CTKCommandBar* pSourceBar = pPopup->m_pCommandBar;
  if (bRecursive && pSourceBar) {
    // The clone comes with the one reference this control keeps.
    CTKCommandBar* pClone = pSourceBar->Clone(TRUE);
    if (m_pCommandBar) m_pCommandBar->InternalRelease();
    m_pCommandBar = pClone;
  } else {
    SetCommandBar(pSourceBar);
  }
}
