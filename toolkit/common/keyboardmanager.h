// While a popup command bar or a key-tip layer is open, the thread's key
// presses and mouse-wheel turns go to the registered clients (newest first)
// instead of the focus window, and deactivating the application closes the
// popups.
#pragma once

#include "platform/base/collections.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxapp.h"
#include "toolkit/common/hookmanager.h"

// One per UI thread (GetKeyboardManager).
class CTKKeyboardManager : public CNoTrackObject {
 public:
  CTKKeyboardManager() = default;
  ~CTKKeyboardManager() override;
  CTKKeyboardManager(const CTKKeyboardManager&) = delete;
  CTKKeyboardManager& operator=(const CTKKeyboardManager&) = delete;

  // Installs the thread's keyboard, call-window and mouse-wheel hooks when
  // missing, then adds the client once.
  void AddKeyboardHook(CTKHookManagerHookAble* pHook);
  // The hooks go with the last client.
  void RemoveKeyboardHook(CTKHookManagerHookAble* pHook);
  // Newest client first; the first non-zero answer decides (2: FALSE, else
  // TRUE). TRUE when nobody answers: an open popup owns the keyboard. Wheel
  // messages come with the wheel message's own parameters (delta and key
  // flags, screen point).
  BOOL OfferKeyToClients(UINT nMessage, WPARAM wParam, LPARAM lParam);

  BOOL IsKeyboardHooked() const { return m_hHookKeyboard != nullptr; }
  BOOL IsMouseWheelHooked() const { return m_hHookMouseWheel != nullptr; }
  INT_PTR GetClientCount() const { return m_lstHookAble.GetCount(); }

 private:
  static LRESULT KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  static LRESULT CallWndHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  static LRESULT MouseWheelHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  void RemoveHooks();

  HHOOK m_hHookKeyboard = nullptr;
  HHOOK m_hHookCallWndProc = nullptr;
  HHOOK m_hHookMouseWheel = nullptr;
  CList<CTKHookManagerHookAble*, CTKHookManagerHookAble*> m_lstHookAble;
};

// The calling thread's keyboard manager, made on its first use.
CTKKeyboardManager* GetKeyboardManager();
