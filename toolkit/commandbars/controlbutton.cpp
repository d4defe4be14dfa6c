#include "toolkit/commandbars/controlbutton.h"

#include "platform/framework/afxwnd.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/common/propexchangeschema.h"

// Stored by class name with the controls.
IMPLEMENT_SERIAL(CTKControlButton, CTKControl, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

namespace {

// The command of a held button: the site's notification, else WM_COMMAND.
void SendRepeatedCommand(CTKControl* pControl, HWND hwndOwner) {
  if (pControl->NotifySite(TK_CBN_EXECUTE) == 0 && hwndOwner && ::IsWindow(hwndOwner))
    ::SendMessage(hwndOwner, WM_COMMAND, static_cast<WPARAM>(pControl->GetID()), 0);
}

}  // namespace

CTKControlButton::CTKControlButton() { m_controlType = TKControlType::Button; }

void CTKControlButton::OnClick(BOOL bKeyboard, CPoint pt) {
  if (GetEnabled() == 0) return;
  if (IsCustomizeMode()) {
    if (m_pParent) {
      m_pParent->SetPopupedControl(-1);
      m_pParent->SetSelected(-1);
    }
    CustomizeStartDrag(pt);
    return;
  }
  if (bKeyboard) {
    OnExecute();
    return;
  }
  // A menu item executes on the release, unless it repeats while held.
  if (m_pParent && (m_pParent->GetType() != TKBarType::Popup || m_nExecuteOnPressInterval > 0)) PressLoop();
}

void CTKControlButton::OnLButtonUp(CPoint) {
  if (!m_pParent || GetEnabled() == 0) return;
  if (m_pParent->GetType() == TKBarType::Popup || m_pParent->GetPosition() == TKBarPosition::Popup) OnExecute();
}

// The press loop lives with the buttons that run it.
void CTKControl::PressLoop(CRect rcLoop) {
  CTKCommandBar* pBar = m_pParent;
  if (!pBar || !pBar->GetSafeHwnd()) return;
  if (rcLoop.IsRectEmpty()) rcLoop = m_rcControl;
  // A handler may remove the control or destroy its bar.
  InternalAddRef();
  pBar->SetPopupedControl(-1);
  pBar->SetSelected(m_nIndex, FALSE);
  m_nPressed = kTKPressedHeld;
  RedrawParent(FALSE);

  const BOOL bRepeat = m_nExecuteOnPressInterval > 0;
  CWnd* pOwner = pBar->GetOwnerWindow();
  const HWND hwndOwner = pOwner ? pOwner->GetSafeHwnd() : nullptr;
  const HWND hwndBar = pBar->GetSafeHwnd();
  ::SetCapture(hwndBar);
  if (bRepeat) {
    ::SetTimer(hwndBar, kAutoRepeatTimerId, static_cast<UINT>(m_nExecuteOnPressInterval), nullptr);
    SendRepeatedCommand(this, hwndOwner);
  }

  BOOL bReleasedInside = FALSE;
  BOOL bMoved = FALSE;
  CPoint ptLast;
  MSG msg{};
  while (m_pParent && ::GetCapture() == hwndBar) {
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      // The program's own loop must still see the quit.
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_LBUTTONUP) {
      bReleasedInside = m_nSelected != kTKSelectedNone && (!bMoved || rcLoop.PtInRect(ptLast));
      break;
    }
    if (!m_pParent) break;
    if (msg.message == WM_TIMER && msg.hwnd == hwndBar && msg.wParam == kAutoRepeatTimerId) {
      // Held off the button, the repetition pauses.
      if (m_nSelected != kTKSelectedNone) SendRepeatedCommand(this, hwndOwner);
      continue;
    }
    if (msg.message == WM_MOUSEMOVE && ::IsWindow(hwndBar)) {
      CPoint pt(msg.pt);
      ::ScreenToClient(hwndBar, &pt);
      bMoved = TRUE;
      ptLast = pt;
      const int nSelected = rcLoop.PtInRect(pt) ? kTKSelectedMouse : kTKSelectedNone;
      if (nSelected != m_nSelected) {
        m_nSelected = nSelected;
        RedrawParent(FALSE);
      }
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  if (bRepeat && ::IsWindow(hwndBar)) ::KillTimer(hwndBar, kAutoRepeatTimerId);
  m_nPressed = bReleasedInside && !bRepeat && m_pParent && m_pParent->GetPosition() != TKBarPosition::Popup
                   ? kTKPressedExecuted
                   : kTKPressedNone;
  if (::GetCapture() == hwndBar) ::ReleaseCapture();

  if (!bRepeat && m_pParent) {
    if (m_nSelected != kTKSelectedNone && m_pParent->GetSelected() == m_nIndex) m_pParent->SetSelected(-1);
    m_nSelected = kTKSelectedNone;
    // The description shows again only once the pointer has left and come back.
    m_pParent->SetStatusControl(m_nIndex);
  }

  if (bReleasedInside) {
    if (!bRepeat) {
      OnExecute();
      if (m_nPressed == kTKPressedNone) {
        InternalRelease();
        return;
      }
      m_nPressed = kTKPressedNone;
    } else if (m_pParent && m_pParent->GetType() == TKBarType::Popup && m_bCloseSubMenuOnClick) {
      m_nPressed = kTKPressedNone;
      OnExecute();
      InternalRelease();
      return;
    }
  }
  RedrawParent(TRUE);
  InternalRelease();
}
