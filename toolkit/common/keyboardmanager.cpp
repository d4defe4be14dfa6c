#include "toolkit/common/keyboardmanager.h"

#include "platform/framework/afxwnd.h"
#include "platform/window/winuser.h"
#include "toolkit/common/mousemanager.h"

namespace {

CThreadLocal<CTKKeyboardManager> g_keyboardManager;

constexpr LPARAM kKeyUpFlag = LPARAM(1) << 31;
constexpr LPARAM kRepeatFlag = LPARAM(1) << 30;
constexpr LPARAM kAltFlag = LPARAM(1) << 29;

}  // namespace

CTKKeyboardManager* GetKeyboardManager() { return g_keyboardManager.GetData(); }

CTKKeyboardManager::~CTKKeyboardManager() { RemoveHooks(); }

void CTKKeyboardManager::AddKeyboardHook(CTKHookManagerHookAble* pHook) {
  const HINSTANCE instance = AfxGetInstanceHandle();
  if (!m_hHookKeyboard)
    m_hHookKeyboard =
        ::SetWindowsHookExW(WH_KEYBOARD, &CTKKeyboardManager::KeyboardHookProc, instance, ::GetCurrentThreadId());
  if (!m_hHookCallWndProc)
    m_hHookCallWndProc =
        ::SetWindowsHookExW(WH_CALLWNDPROC, &CTKKeyboardManager::CallWndHookProc, instance, ::GetCurrentThreadId());
  if (!m_hHookMouseWheel)
    m_hHookMouseWheel =
        ::SetWindowsHookExW(WH_MOUSE, &CTKKeyboardManager::MouseWheelHookProc, instance, ::GetCurrentThreadId());
  if (pHook && !m_lstHookAble.Find(pHook)) m_lstHookAble.AddTail(pHook);
}

void CTKKeyboardManager::RemoveKeyboardHook(CTKHookManagerHookAble* pHook) {
  if (POSITION pos = m_lstHookAble.Find(pHook)) m_lstHookAble.RemoveAt(pos);
  if (m_lstHookAble.IsEmpty()) RemoveHooks();
}

void CTKKeyboardManager::RemoveHooks() {
  if (m_hHookMouseWheel) ::UnhookWindowsHookEx(m_hHookMouseWheel);
  m_hHookMouseWheel = nullptr;
  if (m_hHookCallWndProc) ::UnhookWindowsHookEx(m_hHookCallWndProc);
  m_hHookCallWndProc = nullptr;
  if (m_hHookKeyboard) ::UnhookWindowsHookEx(m_hHookKeyboard);
  m_hHookKeyboard = nullptr;
}

BOOL CTKKeyboardManager::OfferKeyToClients(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  // A client may remove itself (or others) while it answers: walk a copy and
  // skip clients already gone.
  CArray<CTKHookManagerHookAble*, CTKHookManagerHookAble*> clients;
  for (POSITION pos = m_lstHookAble.GetTailPosition(); pos;) clients.Add(m_lstHookAble.GetPrev(pos));
  for (INT_PTR i = 0; i < clients.GetSize(); ++i) {
    if (!m_lstHookAble.Find(clients[i])) continue;
    WPARAM w = wParam;
    LPARAM l = lParam;
    LRESULT result = 0;
    const int answer = clients[i]->HandleHookedMessage(nullptr, nMessage, w, l, result);
    if (answer == 2) return FALSE;
    if (answer != 0) return TRUE;
  }
  return TRUE;
}

LRESULT CTKKeyboardManager::KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  CTKKeyboardManager* manager = GetKeyboardManager();
  const HHOOK hook = manager->m_hHookKeyboard;
  if (nCode != HC_ACTION) return ::CallNextHookEx(hook, nCode, wParam, lParam);
  if (manager->m_lstHookAble.IsEmpty() || (lParam & kKeyUpFlag)) return ::CallNextHookEx(hook, 0, wParam, lParam);

  if ((lParam & kAltFlag) && wParam == VK_MENU && GetMouseManager()->m_nSuspendCount <= 0) {
    // Alt alone closes the popups, as a system menu does; holding it does nothing.
    if (lParam & kRepeatFlag) return ::CallNextHookEx(hook, nCode, wParam, lParam);
    GetMouseManager()->CloseAllTracked();
    return 1;
  }
  if (manager->OfferKeyToClients(WM_KEYDOWN, wParam, lParam)) return 1;
  return ::CallNextHookEx(hook, nCode, wParam, lParam);
}

LRESULT CTKKeyboardManager::CallWndHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  CTKKeyboardManager* manager = GetKeyboardManager();
  const HHOOK hook = manager->m_hHookCallWndProc;
  if (nCode == HC_ACTION && lParam) {
    const auto* info = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (info->message == WM_ACTIVATEAPP && !info->wParam) GetMouseManager()->CloseAllTracked();
  }
  return ::CallNextHookEx(hook, nCode, wParam, lParam);
}

LRESULT CTKKeyboardManager::MouseWheelHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  CTKKeyboardManager* manager = GetKeyboardManager();
  const HHOOK hook = manager->m_hHookMouseWheel;
  if (nCode == HC_ACTION && lParam && (wParam == WM_MOUSEWHEEL || wParam == WM_MOUSEHWHEEL) &&
      !manager->m_lstHookAble.IsEmpty()) {
    // The clients see the wheel message as its window would.
    const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCTEX*>(lParam);
    WORD keys = 0;
    if (::GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    if (::GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    const WPARAM w = MAKEWPARAM(keys, HIWORD(info->mouseData));
    const LPARAM l = MAKELPARAM(info->pt.x, info->pt.y);
    if (manager->OfferKeyToClients(static_cast<UINT>(wParam), w, l)) return 1;
  }
  return ::CallNextHookEx(hook, nCode, wParam, lParam);
}
