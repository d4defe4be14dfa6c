// The keys of a tracking bar: the thread's keyboard manager offers each key
// press and wheel turn to the tracking bars, innermost first, before the
// focus window sees it. A bar maps the key to a navigation code, a mnemonic
// or a beep; a code it refuses goes on to the bar beneath, so that Left in
// a sub-menu that has nothing to close reaches the menu that opened it.
#include <cwctype>
#include <optional>

#include "platform/framework/afxapp.h"
#include "platform/window/winuser.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"

namespace {

using Navigation = CTKCommandBar::Navigation;

// The answers of a hooked key: refused (the next bar may take it), taken,
// let through to the focus window.
constexpr int kKeyRefused = 0;
constexpr int kKeyTaken = 1;
constexpr int kKeyPassed = 2;

bool IsKeyDown(int vk) { return ::GetKeyState(vk) < 0; }

// Tool bars, floating bars and popup tool bars lay their controls out in
// rows; menus and bars docked at a side, in a column.
bool IsHorizontalBar(const CTKCommandBar& bar) {
  switch (bar.GetPosition()) {
    case TKBarPosition::Top:
    case TKBarPosition::Bottom:
    case TKBarPosition::Floating:
      return true;
    case TKBarPosition::Popup:
      return bar.GetType() == TKBarType::Normal;
    default:
      return false;
  }
}

bool IsPopupToolBar(const CTKCommandBar& bar) {
  return bar.GetPosition() == TKBarPosition::Popup && bar.GetType() == TKBarType::Normal;
}

// Bars whose rows the vertical arrows walk.
bool IsGridBar(const CTKCommandBar& bar) { return IsPopupToolBar(bar) || bar.GetPosition() == TKBarPosition::Floating; }

bool IsLayoutRightToLeft(const CTKCommandBar& bar) {
  return bar.GetSafeHwnd() && (bar.GetExStyle() & (WS_EX_LAYOUTRTL | WS_EX_RTLREADING)) != 0;
}

bool IsEnabledPopup(const CTKControl* pControl) {
  return pControl && TKIsPopupType(pControl->GetType()) && pControl->GetEnabled() != 0;
}

bool IsFocusInside(const CTKCommandBar& bar) {
  const HWND hwndFocus = ::GetFocus();
  return hwndFocus && bar.GetSafeHwnd() && ::IsChild(bar.GetSafeHwnd(), hwndFocus);
}

// The code of an arrow key on the bar, or none for other keys.
std::optional<Navigation> ArrowNavigation(const CTKCommandBar& bar, UINT nChar) {
  const bool horizontal = IsHorizontalBar(bar);
  const bool rtl = IsLayoutRightToLeft(bar);
  switch (nChar) {
    case VK_LEFT:
      if (horizontal) return rtl ? Navigation::Right : Navigation::Left;
      return rtl ? Navigation::Down : Navigation::Up;
    case VK_RIGHT:
      if (horizontal) return rtl ? Navigation::Left : Navigation::Right;
      return rtl ? Navigation::Up : Navigation::Down;
    case VK_UP:
      return horizontal ? Navigation::Up : Navigation::Previous;
    case VK_DOWN:
      return horizontal ? Navigation::Down : Navigation::Next;
    case VK_HOME:
      return Navigation::First;
    case VK_END:
      return Navigation::Last;
    default:
      return std::nullopt;
  }
}

// The character after the first single '&' of a caption ("&&" shows an
// ampersand); none when the caption has none or ends in the '&'.
WCHAR MnemonicOf(const CString& strCaption) {
  const int nLength = strCaption.GetLength();
  for (int i = 0; i < nLength; ++i) {
    if (strCaption[i] != u'&') continue;
    if (i + 1 >= nLength) return 0;
    if (strCaption[i + 1] != u'&') return strCaption[i + 1];
    ++i;
  }
  return 0;
}

// The character a key types for a mnemonic: its letter or digit, a digit
// of the numeric pad included; 0 for a key that types none.
WCHAR KeyCharacter(UINT nChar) {
  if (nChar >= VK_NUMPAD0 && nChar <= VK_NUMPAD9) return static_cast<WCHAR>(u'0' + (nChar - VK_NUMPAD0));
  return static_cast<WCHAR>(::MapVirtualKey(nChar, MAPVK_VK_TO_CHAR) & 0xFFFF);
}

bool SameLetter(WCHAR a, WCHAR b) {
  return a && b && std::towupper(static_cast<wint_t>(a)) == std::towupper(static_cast<wint_t>(b));
}

// Grid bars: the vertical arrows move to the row above or below, to the
// control nearest the selection's left edge from the left.
void SelectInAdjacentRow(CTKCommandBar& bar, bool bDown) {
  CTKControls* pControls = bar.GetControls();
  const int nStart = bar.GetSelected();
  CTKControl* pStart = bar.GetControl(nStart);
  if (!pStart || !pControls) return;
  const CRect rcStartRow = pStart->GetRowRect();
  const int nStartLeft = pStart->GetRect().left;
  const int nDirection = bDown ? +1 : -1;
  const int nCount = pControls->GetCount();

  // The first control met beyond the selection's row.
  int nIndex = pControls->GetNext(nStart, nDirection);
  for (int nSteps = 0; nIndex != -1 && nIndex != nStart; ++nSteps) {
    const CRect rcRow = bar.GetControl(nIndex)->GetRowRect();
    if (!rcRow.IsRectEmpty() && rcRow != rcStartRow) break;
    nIndex = nSteps < nCount ? pControls->GetNext(nIndex, nDirection) : -1;
  }
  // Back at the start: the bar has one row.
  if (nIndex == -1 || nIndex == nStart) return;

  // In that row, the last control (from the left) that starts at or before
  // the selection's left edge, else the row's first.
  const CRect rcRow = bar.GetControl(nIndex)->GetRowRect();
  int nChosen = -1, nLeftmost = nIndex;
  for (int i = nIndex, nSteps = 0; i != -1 && nSteps < nCount; i = pControls->GetNext(i, nDirection), ++nSteps) {
    const CTKControl* pControl = bar.GetControl(i);
    if (pControl->GetRowRect().IsRectEmpty()) continue;
    if (pControl->GetRowRect() != rcRow) break;
    const int nLeft = pControl->GetRect().left;
    if (nLeft < bar.GetControl(nLeftmost)->GetRect().left) nLeftmost = i;
    if (nLeft <= nStartLeft && (nChosen == -1 || nLeft > bar.GetControl(nChosen)->GetRect().left)) nChosen = i;
  }
  if (nChosen == -1) nChosen = nLeftmost;
  bar.SetSelected(nChosen, bDown ? kTKSelectedKeyboard : kTKSelectedKeyboardBack);
}

}  // namespace

int CTKCommandBar::HandleHookedMessage(HWND, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT&) {
  if (!IsTrackingMode()) return kKeyRefused;
  if (nMessage == WM_KEYDOWN) return OnHookKeyDown(static_cast<UINT>(wParam), lParam);
  if (nMessage == WM_MOUSEWHEEL) {
    CTKControl* pSelected = GetControl(m_nSelected);
    if (pSelected && pSelected->IsFocused()) {
      pSelected->OnHookMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
                                  CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return kKeyTaken;
    }
    return IsFocusInside(*this) ? kKeyPassed : kKeyTaken;
  }
  return kKeyRefused;
}

int CTKCommandBar::OnHookKeyDown(UINT nChar, LPARAM lParam) {
  if (IsCustomizeMode()) return kKeyPassed;
  if (CWinApp* pApp = AfxGetApp(); pApp && pApp->m_bHelpMode) return kKeyPassed;
  if (m_nLockCount > 0) return kKeyTaken;

  // The site may look at the key first; a handler there may release the bar.
  if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd()) {
    MSG msg{m_hWnd, WM_KEYDOWN, nChar, lParam, 0, {}};
    InternalAddRef();
    ::SendMessage(pSite->GetSafeHwnd(), TK_CBM_TRACKINGKEY, reinterpret_cast<WPARAM>(&msg),
                  reinterpret_cast<LPARAM>(this));
    if (InternalRelease() == 0) return kKeyTaken;
  }
  if (CTKControl* pSelected = GetControl(m_nSelected); pSelected && pSelected->IsFocused()) {
    const int nAnswer = pSelected->OnHookKeyDown(nChar, lParam);
    if (nAnswer == kKeyTaken || nAnswer == kKeyPassed) return nAnswer;
  }
  if (!GetSafeHwnd()) return kKeyTaken;

  switch (nChar) {
    case VK_TAB: {
      // Ctrl+Tab moves between the frame's tool bars once the command bars
      // offer it; until then it moves like Tab.
      const int nBefore = m_nSelected;
      ProcessNavigationKey(IsKeyDown(VK_SHIFT) ? Navigation::Previous : Navigation::Next);
      CTKControl* pSelected = GetControl(m_nSelected);
      if (m_nSelected != nBefore && pSelected && pSelected->IsFocusable()) pSelected->SetFocused(TRUE);
      return kKeyTaken;
    }
    case VK_RETURN:
      ProcessNavigationKey(Navigation::Execute);
      return kKeyTaken;
    case VK_ESCAPE:
      ProcessNavigationKey(Navigation::Escape);
      return kKeyTaken;
    case VK_SPACE:
      if (ProcessNavigationKey(Navigation::SystemMenu)) return kKeyTaken;
      break;
    default:
      break;
  }
  // An edit or combo box of the bar that has the focus keeps its keys.
  if (IsFocusInside(*this)) return kKeyPassed;
  if (const std::optional<Navigation> code = ArrowNavigation(*this, nChar))
    return ProcessNavigationKey(*code) ? kKeyTaken : kKeyRefused;

  if (!KeyCharacter(nChar)) return kKeyTaken;
  BOOL bAmbiguous = FALSE;
  const int nFound = IsKeyDown(VK_CONTROL) ? -1 : FindMnemonic(nChar, bAmbiguous);
  if (nFound == -1) {
    if (nChar != VK_SHIFT && nChar != VK_CONTROL) ::MessageBeep(0);
    return kKeyTaken;
  }
  // Executing runs application code that may release the bar.
  InternalAddRef();
  SetSelected(nFound, kTKSelectedKeyboard);
  if (!bAmbiguous) {
    if (CTKControl* pControl = GetControl(nFound)) {
      pControl->InternalAddRef();
      pControl->Execute();
      pControl->InternalRelease();
    }
  }
  InternalRelease();
  return kKeyTaken;
}

int CTKCommandBar::FindMnemonic(UINT nChar, BOOL& bAmbiguous) const {
  bAmbiguous = FALSE;
  const WCHAR chKey = KeyCharacter(nChar);
  if (!m_pControls || !chKey) return -1;
  int nMnemonic = -1, nLetter = -1;
  BOOL bLetterAmbiguous = FALSE;
  // From the control after the selection round to the selection itself.
  const int nFirst = m_pControls->GetNext(m_nSelected, +1);
  for (int i = nFirst, nSteps = 0; i != -1 && nSteps < m_pControls->GetCount();
       i = m_pControls->GetNext(i, +1), ++nSteps) {
    if (nSteps > 0 && i == nFirst) break;
    const CTKControl* pControl = m_pControls->GetAt(i);
    const CString strCaption = pControl->GetCaption();
    if (pControl->GetEnabled() == 0 || strCaption.IsEmpty()) continue;
    if (const WCHAR chMnemonic = MnemonicOf(strCaption)) {
      if (!SameLetter(chMnemonic, chKey)) continue;
      if (nMnemonic != -1) {
        bAmbiguous = TRUE;
        return nMnemonic;
      }
      nMnemonic = i;
    } else if (SameLetter(strCaption[0], chKey)) {
      if (nLetter == -1) nLetter = i;
      else bLetterAmbiguous = TRUE;
    }
  }
  if (nMnemonic != -1) return nMnemonic;
  bAmbiguous = bLetterAmbiguous;
  return nLetter;
}

BOOL CTKCommandBar::ProcessNavigationKey(Navigation code) {
  if (code == Navigation::SystemMenu) {
    if (m_barType != TKBarType::MenuBar) return FALSE;
    CTKCommandBars::ClosePopups();
    if (CWnd* pSite = GetSite(); pSite && pSite->GetSafeHwnd())
      ::PostMessage(pSite->GetSafeHwnd(), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(u' '));
    return TRUE;
  }
  if (code == Navigation::Left) code = Navigation::Previous;
  else if (code == Navigation::Right) code = Navigation::Next;
  if (!GetSafeHwnd() || !m_pControls) return FALSE;

  CTKControl* pSelected = GetControl(m_nSelected);
  const bool bPopupToolBar = IsPopupToolBar(*this);
  if (bPopupToolBar && pSelected && pSelected->GetPopuped()) {
    // The open popup has the keys: moving on would leave it open.
    if (code == Navigation::Next) return FALSE;
    if (code == Navigation::Previous) code = Navigation::Up;
  }
  if (code == Navigation::Up && m_nPopuped == -1 && IsEnabledPopup(pSelected) &&
      (bPopupToolBar || !GetParentCommandBar()))
    code = Navigation::Down;

  if (IsGridBar(*this) && m_nPopuped == -1 && (code == Navigation::Up || code == Navigation::Down)) {
    const bool bDown = code == Navigation::Down;
    if (!pSelected) {
      const int nFirst = m_pControls->GetNext(-1, bDown ? +1 : -1);
      if (nFirst != -1) SetSelected(nFirst, kTKSelectedKeyboard);
      return TRUE;
    }
    if (!IsEnabledPopup(pSelected)) {
      SelectInAdjacentRow(*this, bDown);
      return TRUE;
    }
  }

  switch (code) {
    case Navigation::Next:
    case Navigation::Previous: {
      const bool bNext = code == Navigation::Next;
      const int nIndex = m_pControls->GetNext(m_nSelected, bNext ? +1 : -1);
      if (nIndex != -1) SetSelected(nIndex, bNext ? kTKSelectedKeyboard : kTKSelectedKeyboardBack);
      return TRUE;
    }
    case Navigation::First:
    case Navigation::Last: {
      const bool bFirst = code == Navigation::First;
      const int nIndex = m_pControls->GetNext(-1, bFirst ? +1 : -1);
      if (nIndex != -1) SetSelected(nIndex, bFirst ? kTKSelectedKeyboard : kTKSelectedKeyboardBack);
      return TRUE;
    }
    case Navigation::Up:
      if (m_nPopuped == -1) return FALSE;
      SetPopupedControl(-1);
      SetTrackingMode(TKTrackingMode::Tracking, FALSE, TRUE);
      return TRUE;
    case Navigation::Down: {
      if (!pSelected || m_nPopuped == m_nSelected) return FALSE;
      const int nIndex = m_nSelected;
      SetSelected(nIndex, kTKSelectedKeyboard);
      return SetPopupedControl(nIndex, TRUE);
    }
    case Navigation::Execute: {
      if (!pSelected) return FALSE;
      SetSelected(m_nSelected, kTKSelectedKeyboard);
      // The click runs application code that may release the bar.
      InternalAddRef();
      pSelected->InternalAddRef();
      pSelected->OnClick(TRUE);
      pSelected->InternalRelease();
      InternalRelease();
      return TRUE;
    }
    case Navigation::Escape: {
      CTKCommandBar* pParent = GetParentCommandBar();
      InternalAddRef();
      if (pParent) pParent->SetTrackingMode(TKTrackingMode::Tracking, FALSE, TRUE);
      SetTrackingMode(TKTrackingMode::Off);
      InternalRelease();
      return TRUE;
    }
    default:
      return FALSE;
  }
}
