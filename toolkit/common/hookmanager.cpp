#include "toolkit/common/hookmanager.h"

#include <memory>

#include "platform/framework/afxwnd.h"
#include "platform/window/winuser.h"

const UINT WM_HOOKMANAGER_SINKREMOVED = ::RegisterWindowMessageW(u"WM_HOOKMANAGER_SINKREMOVED");

namespace {

WNDPROC ReadWndProc(HWND hWnd) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)); }

void WriteWndProc(HWND hWnd, WNDPROC proc) {
  ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

// Puts the thread's current message back however the handler leaves.
class CurrentMessageScope {
 public:
  CurrentMessageScope(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
      : m_state(AfxGetThreadState()), m_saved(m_state->m_lastSentMsg) {
    m_state->m_lastSentMsg.hwnd = hWnd;
    m_state->m_lastSentMsg.message = nMessage;
    m_state->m_lastSentMsg.wParam = wParam;
    m_state->m_lastSentMsg.lParam = lParam;
  }
  ~CurrentMessageScope() { m_state->m_lastSentMsg = m_saved; }
  CurrentMessageScope(const CurrentMessageScope&) = delete;
  CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

 private:
  AFX_THREAD_STATE* m_state;
  MSG m_saved;
};

}  // namespace

// ---- sinks ---------------------------------------------------------------------------------------

CTKHookManager::CHookSink::CHookSink(HWND hWnd) : m_hWnd(hWnd) {
  m_bUnicode = ::IsWindowUnicode(hWnd);
  m_pOldWndProc = ReadWndProc(hWnd);
  WriteWndProc(hWnd, &CTKHookManager::HookWindowProc);
}

CTKHookManager::CHookSink::~CHookSink() {
  for (INT_PTR i = m_arrClients.GetSize() - 1; i >= 0; --i) {
    CTKHookManagerHookAble* client = m_arrClients[i];
    if (client && client->m_bAutoDestroy) delete client;
  }
}

int CTKHookManager::CHookSink::Find(CTKHookManagerHookAble* pHook) const {
  for (INT_PTR i = 0; i < m_arrClients.GetSize(); ++i)
    if (m_arrClients[i] == pHook) return static_cast<int>(i);
  return -1;
}

void CTKHookManager::CHookSink::RemoveClient(CTKHookManagerHookAble* pHook) {
  const int index = Find(pHook);
  if (index >= 0) {
    m_arrClients.RemoveAt(index);
    if (pHook->m_bAutoDestroy) delete pHook;
  }
  if (m_arrClients.GetSize() == 0) {
    const HWND hWnd = m_hWnd;
    Unhook();
    GetHookManager()->RemoveSink(hWnd);  // deletes this sink
  }
}

BOOL CTKHookManager::CHookSink::OnHookMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam,
                                              LRESULT& lResult) {
  if (nMessage == WM_HOOKMANAGER_SINKREMOVED && wParam == reinterpret_cast<WPARAM>(m_pOldWndProc)) {
    // The subclasser below this sink leaves and hands over what it had saved.
    m_pOldWndProc = reinterpret_cast<WNDPROC>(lParam);
    lResult = 1;
    return TRUE;
  }
  CTKHookManager* manager = GetHookManager();
  for (INT_PTR i = m_arrClients.GetSize() - 1; i >= 0; --i) {
    if (i >= m_arrClients.GetSize()) continue;  // clients removed themselves meanwhile
    const int answer = m_arrClients[i]->HandleHookedMessage(hWnd, nMessage, wParam, lParam, lResult);
    if (answer == 1) return TRUE;
    if (answer == 2) return FALSE;
    if (manager->FindSink(hWnd) != this) return FALSE;  // the sink went away with its last client
  }
  return FALSE;
}

void CTKHookManager::CHookSink::Unhook() {
  if (!m_bWindowDestroyed && ::IsWindow(m_hWnd)) {
    const LRESULT taken =
        ::SendMessageW(m_hWnd, WM_HOOKMANAGER_SINKREMOVED, reinterpret_cast<WPARAM>(&CTKHookManager::HookWindowProc),
                       reinterpret_cast<LPARAM>(m_pOldWndProc));
    if (taken) return;  // a subclasser above this sink now calls the saved procedure itself
  }
  if (::IsWindow(m_hWnd)) WriteWndProc(m_hWnd, m_pOldWndProc);
}

// ---- the manager ---------------------------------------------------------------------------------

CTKHookManager::~CTKHookManager() {
  POSITION pos = m_mapSinks.GetStartPosition();
  while (pos) {
    HWND hWnd = nullptr;
    CHookSink* sink = nullptr;
    m_mapSinks.GetNextAssoc(pos, hWnd, sink);
    sink->Unhook();
    delete sink;
  }
  m_mapSinks.RemoveAll();
}

CTKHookManager* GetHookManager() {
  static CTKHookManager manager;
  return &manager;
}

CTKHookManager::CHookSink* CTKHookManager::FindSink(HWND hWnd) const {
  CHookSink* sink = nullptr;
  return m_mapSinks.Lookup(hWnd, sink) ? sink : nullptr;
}

void CTKHookManager::AddHook(HWND hWnd, CTKHookManagerHookAble* pHook) {
  if (!hWnd || !pHook || !::IsWindow(hWnd)) return;
  CHookSink* sink = FindSink(hWnd);
  if (!sink) {
    sink = new CHookSink(hWnd);
    m_mapSinks.SetAt(hWnd, sink);
  } else if (sink->Find(pHook) >= 0) {
    return;
  }
  sink->Add(pHook);
}

void CTKHookManager::RemoveHook(HWND hWnd, CTKHookManagerHookAble* pHook) {
  if (CHookSink* sink = FindSink(hWnd)) sink->RemoveClient(pHook);
}

void CTKHookManager::RemoveClient(CTKHookManagerHookAble* pHook) {
  // Collect first: removing the last client of a window changes the map.
  CArray<HWND, HWND> windows;
  POSITION pos = m_mapSinks.GetStartPosition();
  while (pos) {
    HWND hWnd = nullptr;
    CHookSink* sink = nullptr;
    m_mapSinks.GetNextAssoc(pos, hWnd, sink);
    if (sink->Find(pHook) >= 0) windows.Add(hWnd);
  }
  for (INT_PTR i = 0; i < windows.GetSize(); ++i) RemoveHook(windows[i], pHook);
}

void CTKHookManager::RemoveSink(HWND hWnd) {
  CHookSink* sink = FindSink(hWnd);
  if (!sink) return;
  m_mapSinks.RemoveKey(hWnd);
  delete sink;
}

void CTKHookManager::RemoveAll(HWND hWnd, BOOL bDestroyed) {
  CHookSink* sink = FindSink(hWnd);
  if (!sink) return;
  sink->m_bWindowDestroyed = bDestroyed;
  sink->Unhook();
  RemoveSink(hWnd);
}

LRESULT CTKHookManager::CallOriginalProc() {
  const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
  return CallOriginalProcWithParams(msg.wParam, msg.lParam);
}

LRESULT CTKHookManager::CallOriginalProcWithParams(WPARAM wParam, LPARAM lParam) {
  const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
  CHookSink* sink = FindSink(msg.hwnd);
  if (!sink) return 0;
  return ::CallWindowProcW(sink->m_pOldWndProc, msg.hwnd, msg.message, wParam, lParam);
}

LRESULT CTKHookManager::HookWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  CurrentMessageScope current(hWnd, nMessage, wParam, lParam);
  CTKHookManager* manager = GetHookManager();
  CHookSink* sink = manager->FindSink(hWnd);
  if (!sink) return 0;
  WNDPROC oldProc = sink->m_pOldWndProc;
  if (nMessage == WM_NCDESTROY) {
    manager->RemoveAll(hWnd, TRUE);
    return ::CallWindowProcW(oldProc, hWnd, nMessage, wParam, lParam);
  }
  LRESULT lResult = 0;
  if (sink->OnHookMessage(hWnd, nMessage, wParam, lParam, lResult)) return lResult;
  // A client may have removed the sink (and restored the procedure) meanwhile.
  if (CHookSink* still = manager->FindSink(hWnd)) oldProc = still->m_pOldWndProc;
  return ::CallWindowProcW(oldProc, hWnd, nMessage, wParam, lParam);
}
