// Routing of window messages to toolkit objects that do not own the window:
// the client contract shared with the keyboard manager, and the
// process-wide hook manager, through which several clients subclass one
// window and leave in any order.
#pragma once

#include "platform/base/collections.h"
#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"

// A client of the keyboard and hook managers.
class CTKHookManagerHookAble {
 public:
  virtual ~CTKHookManagerHookAble() = default;
  // 0: not handled, offer it on; 1: handled, `result` is the answer and the
  // window's procedure is not called; 2: stop offering, let it through.
  // `hWnd` is null for keys offered by the keyboard manager.
  virtual int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) = 0;

  // Set: the hook manager deletes the client when it is removed from a
  // window or when the window's sink goes away.
  BOOL m_bAutoDestroy = FALSE;
};

// Process-wide (GetHookManager); used from the UI thread only.
class CTKHookManager {
 public:
  // The clients of one subclassed window.
  class CHookSink {
   public:
    CHookSink(HWND hWnd);
    ~CHookSink();
    CHookSink(const CHookSink&) = delete;
    CHookSink& operator=(const CHookSink&) = delete;

    int Find(CTKHookManagerHookAble* pHook) const;
    void Add(CTKHookManagerHookAble* pHook) { m_arrClients.Add(pHook); }
    // Removes the client's first occurrence (deleting an auto-delete one);
    // the last client takes the sink and the subclassing with it.
    void RemoveClient(CTKHookManagerHookAble* pHook);
    BOOL OnHookMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult);
    void Unhook();
    INT_PTR GetClientCount() const { return m_arrClients.GetSize(); }

    CArray<CTKHookManagerHookAble*, CTKHookManagerHookAble*> m_arrClients;
    WNDPROC m_pOldWndProc = nullptr;
    HWND m_hWnd = nullptr;
    BOOL m_bUnicode = FALSE;
    BOOL m_bWindowDestroyed = FALSE;
  };

  CTKHookManager() = default;
  ~CTKHookManager();
  CTKHookManager(const CTKHookManager&) = delete;
  CTKHookManager& operator=(const CTKHookManager&) = delete;

  void AddHook(HWND hWnd, CTKHookManagerHookAble* pHook);
  void RemoveHook(HWND hWnd, CTKHookManagerHookAble* pHook);
  // From every window it is hooked to.
  void RemoveClient(CTKHookManagerHookAble* pHook);
  CHookSink* FindSink(HWND hWnd) const;
  // The saved procedure of the window whose message this thread is handling.
  LRESULT CallOriginalProc();
  LRESULT CallOriginalProcWithParams(WPARAM wParam, LPARAM lParam);

  static LRESULT HookWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

 private:
  void RemoveAll(HWND hWnd, BOOL bDestroyed);
  void RemoveSink(HWND hWnd);

  CMap<HWND, HWND, CHookSink*, CHookSink*> m_mapSinks;
  friend class CHookSink;
};

CTKHookManager* GetHookManager();

// The registered message "WM_HOOKMANAGER_SINKREMOVED": wParam is the
// procedure of the subclasser that leaves, lParam the procedure it had saved.
extern const UINT WM_HOOKMANAGER_SINKREMOVED;
