// CWnd: handle maps, creation, the window procedure, message dispatch,
// command routing for windows, reflection and the modal loop.
#include <string_view>
#include <unordered_map>

#include "platform/framework/afxapp.h"
#include "platform/framework/afxstate.h"
#include "platform/window/toolinfo.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;
const CWnd CWnd::wndTopMost;
const CWnd CWnd::wndNoTopMost;

namespace pv::afx {

ThreadState& State() {
  thread_local ThreadState state;
  return state;
}

ThreadState::~ThreadState() {
  // Temporary objects die with the thread; permanent ones belong to their owners.
  for (auto& [h, w] : tempWnds) {
    w->m_hWnd = nullptr;
    delete w;
  }
  tempWnds.clear();
  DeleteGdiTemps(*this);
  if (createHook) UnhookWindowsHookEx(createHook);
}

ProcessStateData& ProcessState() {
  static ProcessStateData* data = new ProcessStateData;  // lives until exit, used by any thread
  return *data;
}

}  // namespace pv::afx

using pv::afx::State;

// ---- handle maps -----------------------------------------------------------------------------------
CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  if (!hWnd) return nullptr;
  auto& perm = State().permWnds;
  auto it = perm.find(hWnd);
  return it == perm.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  if (CWnd* w = FromHandlePermanent(hWnd)) return w;
  auto& temp = State().tempWnds;
  auto it = temp.find(hWnd);
  if (it != temp.end()) return it->second;
  CWnd* w = new CWnd;
  w->m_hWnd = hWnd;
  temp.emplace(hWnd, w);
  return w;
}

void CWnd::DeleteTempMap() {
  auto& temp = State().tempWnds;
  auto old = std::move(temp);
  temp.clear();
  for (auto& [h, w] : old) {
    w->m_hWnd = nullptr;
    delete w;
  }
}

int AfxPermanentWindowCount() { return static_cast<int>(State().permWnds.size()); }
int AfxTemporaryWindowCount() { return static_cast<int>(State().tempWnds.size()); }

BOOL CWnd::Attach(HWND hWndNew) {
  if (!hWndNew || m_hWnd) return FALSE;
  auto& st = State();
  if (st.permWnds.count(hWndNew)) return FALSE;
  // A temporary object for the same handle is stale now.
  if (auto it = st.tempWnds.find(hWndNew); it != st.tempWnds.end()) {
    it->second->m_hWnd = nullptr;
    delete it->second;
    st.tempWnds.erase(it);
  }
  st.permWnds.emplace(hWndNew, this);
  m_hWnd = hWndNew;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) {
    auto& perm = State().permWnds;
    auto it = perm.find(h);
    if (it != perm.end() && it->second == this) perm.erase(it);
  }
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!::IsWindow(hWnd) || !Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  WNDPROC old =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND h = ::GetDlgItem(HwndOf(pParent), static_cast<int>(nID));
  return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    // Destroyed while its window still lives: the window goes too.
    ::DestroyWindow(m_hWnd);
  }
  if (m_hWnd) Detach();
}

void CWnd::OnFinalRelease() {
  if (m_hWnd) DestroyWindow();
  else PostNcDestroy();
}

// ---- creation ---------------------------------------------------------------------------------------
namespace {

LRESULT CALLBACK_CreateHook(int code, WPARAM wParam, LPARAM lParam) {
  auto& st = State();
  if (code == HCBT_CREATEWND && st.pWndInit) {
    CWnd* pWnd = st.pWndInit;
    st.pWndInit = nullptr;
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    if (pWnd->Attach(hWnd)) {
      pv::afx::CreateHookAccess::Subclass(pWnd, hWnd);
    }
  }
  return CallNextHookEx(st.createHook, code, wParam, lParam);
}

}  // namespace

void pv::afx::CreateHookAccess::Subclass(CWnd* pWnd, HWND hWnd) {
  pWnd->PreSubclassWindow();
  WNDPROC old =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) pWnd->m_pfnSuper = old;
}

// The hook is installed only while a creation is under way, so that tests
// resetting the window manager (and its hooks) leave nothing stale here.
void AfxHookWindowCreate(CWnd* pWnd) {
  auto& st = State();
  if (st.hookDepth++ == 0) st.createHook = SetWindowsHookEx(WH_CBT, &CALLBACK_CreateHook, nullptr, 0);
  st.pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate() {
  auto& st = State();
  BOOL ok = st.pWndInit == nullptr;
  st.pWndInit = nullptr;
  if (st.hookDepth > 0 && --st.hookDepth == 0 && st.createHook) {
    UnhookWindowsHookEx(st.createHook);
    st.createHook = nullptr;
  }
  return ok;
}

WNDPROC AfxGetAfxWndProc() { return &AfxWndProc; }

namespace {
LPCTSTR RegisterNamed(LPCTSTR name, UINT style, HCURSOR cursor, HBRUSH background, HICON icon) {
  WNDCLASSW wc{};
  if (::GetClassInfo(AfxGetInstanceHandle(), name, &wc)) return name;
  wc.style = style;
  wc.lpfnWndProc = &::DefWindowProc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = name;
  ::RegisterClass(&wc);
  return name;
}
}  // namespace

LPCTSTR CWnd::AfxWndClass() {
  return RegisterNamed(u"AfxWnd", CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr);
}

LPCTSTR CWnd::AfxFrameOrViewClass() {
  return RegisterNamed(u"AfxFrameOrView", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)), nullptr);
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  CString name;
  name.Format(u"Afx:%x:%x:%p:%p:%p", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(AfxGetInstanceHandle())),
              nClassStyle, static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
  // The names live as long as the program: callers keep the pointer.
  auto& names = pv::afx::ProcessState().classNames;
  std::lock_guard lock(pv::afx::ProcessState().mutex);
  auto it = names.find(name.Str());
  if (it == names.end()) it = names.emplace(name.Str(), std::make_unique<std::u16string>(name.Str())).first;
  return RegisterNamed(it->second->c_str(), nClassStyle, hCursor, hbrBackground, hIcon);
}

BOOL AfxRegisterClass(WNDCLASS* lpWndClass) {
  WNDCLASSW existing{};
  if (::GetClassInfo(lpWndClass->hInstance, lpWndClass->lpszClassName, &existing)) return TRUE;
  return ::RegisterClass(lpWndClass) != 0;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxWndClass();
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs{};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                               cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  if (!AfxUnhookWindowCreate() && !hWnd) {
    // No window was ever made (an unknown class): the object is cleaned up
    // as if its window had been destroyed.
    PostNcDestroy();
    return FALSE;
  }
  if (hWnd && !m_hWnd && ::IsWindow(hWnd) && !FromHandlePermanent(hWnd)) {
    // Made without passing the hook (a class that creates windows its own
    // way): bind it now; only the creation messages were missed.
    if (Attach(hWnd)) pv::afx::CreateHookAccess::Subclass(this, hWnd);
  }
  // A window that failed in WM_CREATE was destroyed and detached already,
  // and PostNcDestroy may have deleted this object: touch nothing.
  return hWnd != nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, HwndOf(pParentWnd), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                  lpParam);
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext) {
  // Windows made with Create are children.
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND h = m_hWnd;
  bool permanent = FromHandlePermanent(h) == this;
  BOOL ok = ::DestroyWindow(h);
  // A window we did not subclass gets no WM_NCDESTROY through us.
  if (!permanent && m_hWnd == h) Detach();
  return ok;
}

void CWnd::CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType) {
  DWORD exStyle = GetExStyle();
  if (nAdjustType == 0) exStyle &= ~WS_EX_CLIENTEDGE;
  ::AdjustWindowRectEx(lpClientRect, GetStyle(), FALSE, exStyle);
}

// ---- the window procedure ---------------------------------------------------------------------------
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& st = State();
  MSG saved = st.m_lastSentMsg;
  st.m_lastSentMsg.hwnd = hWnd;
  st.m_lastSentMsg.message = message;
  st.m_lastSentMsg.wParam = wParam;
  st.m_lastSentMsg.lParam = lParam;
  LRESULT result = 0;
  try {
    result = pWnd->WindowProc(message, wParam, lParam);
  } catch (CException* e) {
    // A handler's failure is reported, not thrown through the window manager.
    if (message != WM_NCDESTROY && message != WM_DESTROY) e->ReportError();
    e->Delete();
    if (message == WM_CREATE) result = -1;
  }
  if (message == WM_NCDESTROY) {
    // Whatever the handlers did, the object lets go of the dead handle.
    if (CWnd::FromHandlePermanent(hWnd) == pWnd) pv::afx::CreateHookAccess::FinishNcDestroy(pWnd);
  }
  st.m_lastSentMsg = saved;
  return result;
}

LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUERYAFXWNDPROC) return 1;
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (!pWnd) return ::DefWindowProc(hWnd, message, wParam, lParam);
  return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

void pv::afx::CreateHookAccess::FinishNcDestroy(CWnd* pWnd) {
  HWND h = pWnd->m_hWnd;
  if (pWnd->m_pfnSuper && ::IsWindow(h))
    ::SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
  pWnd->m_pfnSuper = nullptr;
  pWnd->Detach();
  // The main window gone, the application's loop ends.
  if (CWinThread* thread = AfxGetThread(); thread && thread->m_pMainWnd == pWnd) {
    thread->m_pMainWnd = nullptr;
    ::PostQuitMessage(0);
  }
  if (CWinThread* thread = AfxGetThread(); thread && thread->m_pActiveWnd == pWnd) thread->m_pActiveWnd = nullptr;
  pWnd->PostNcDestroy();  // may delete the object
}

void CWnd::OnNcDestroy() {
  Default();
  // Detaching happens after the handler returns (AfxCallWndProc), so a
  // derived handler may still use the object after calling the base.
}

AFX_THREAD_STATE* AfxGetThreadState() { return &State(); }

const MSG* CWnd::GetCurrentMessage() {
  MSG& m = State().m_lastSentMsg;
  m.time = static_cast<DWORD>(::GetMessageTime());
  DWORD pos = ::GetMessagePos();
  m.pt.x = static_cast<short>(LOWORD(pos));
  m.pt.y = static_cast<short>(HIWORD(pos));
  return &m;
}

LRESULT CWnd::Default() {
  const MSG& m = State().m_lastSentMsg;
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT result = 0;
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    if (pResult) *pResult = 1;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    auto* nm = reinterpret_cast<NMHDR*>(lParam);
    if (!nm || !OnNotify(wParam, lParam, &result)) return FALSE;
    if (pResult) *pResult = result;
    return TRUE;
  }
  const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), message);
  if (!e) return FALSE;
  AFX_MSGCALL call;
  call.message = message;
  call.wParam = wParam;
  call.lParam = lParam;
  if (!e->pfn(this, call)) return FALSE;
  if (pResult) *pResult = call.result;
  return TRUE;
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
  int nCode = HIWORD(wParam);
  if (hWndCtrl == nullptr) {
    // A menu item or accelerator: a command whose update handler disables
    // it is not carried out (the item may have changed since it was shown).
    if (nID == 0) return FALSE;
    CTestCmdUI state;
    state.m_nID = nID;
    OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    if (!state.m_bEnabled) return TRUE;
    nCode = CN_COMMAND;
  } else {
    // The control gets the first say (ON_CONTROL_REFLECT), once.
    if (!pv::afx::TakeReflectedMark(WM_COMMAND, wParam, lParam) && ReflectLastMsg(hWndCtrl)) return TRUE;
    if (::IsWindow(hWndCtrl) && !::IsWindowEnabled(hWndCtrl) && nCode == BN_CLICKED) return TRUE;
  }
  return OnCmdMsg(nID, MAKELONG(static_cast<WORD>(nCode), WM_COMMAND), nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* nm = reinterpret_cast<NMHDR*>(lParam);
  HWND hWndCtrl = nm->hwndFrom;
  UINT nID = static_cast<UINT>(nm->idFrom);
  int nCode = static_cast<int>(nm->code);
  if (hWndCtrl && !pv::afx::TakeReflectedMark(WM_NOTIFY, wParam, lParam) && ReflectLastMsg(hWndCtrl, pResult))
    return TRUE;
  AFX_NOTIFY notify{pResult, nm};
  return OnCmdMsg(nID, MAKELONG(static_cast<WORD>(nCode), WM_NOTIFY), &notify, nullptr);
}

// ---- reflection -------------------------------------------------------------------------------------
bool pv::afx::TakeReflectedMark(UINT message, WPARAM wParam, LPARAM lParam) {
  auto& mark = State().reflected;
  if (mark.message != message || mark.wParam != wParam || mark.lParam != lParam) return false;
  mark = {};
  return true;
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
  CWnd* pWnd = FromHandlePermanent(hWndChild);
  auto& st = State();
  if (st.m_lastSentMsg.message == WM_NOTIFY || st.m_lastSentMsg.message == WM_COMMAND)
    st.lastReflected = {st.m_lastSentMsg.message, st.m_lastSentMsg.wParam, st.m_lastSentMsg.lParam};
  if (!pWnd) return FALSE;
  return pWnd->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
  const MSG& m = State().m_lastSentMsg;
  return OnChildNotify(m.message, m.wParam, m.lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (message) {
    case WM_COMMAND: {
      int nCode = HIWORD(wParam);
      return OnCmdMsg(0, MAKELONG(static_cast<WORD>(nCode), WM_REFLECT_BASE + WM_COMMAND), nullptr, nullptr);
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lParam);
      LRESULT local = 0;
      AFX_NOTIFY notify{pResult ? pResult : &local, nm};
      return OnCmdMsg(0, MAKELONG(static_cast<WORD>(nm->code), WM_REFLECT_BASE + WM_NOTIFY), &notify, nullptr);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      AFX_CTLCOLOR ctl{m_hWnd, reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX};
      return OnWndMsg(WM_REFLECT_BASE + WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&ctl), pResult);
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_PARENTNOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
      return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    default:
      return FALSE;
  }
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
  LRESULT result = 0;
  if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &result)) return reinterpret_cast<HBRUSH>(result);
  return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar) {
  auto* w = reinterpret_cast<CWnd*>(pScrollBar);
  if (w && ReflectLastMsg(w->m_hWnd)) return;
  Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar) {
  auto* w = reinterpret_cast<CWnd*>(pScrollBar);
  if (w && ReflectLastMsg(w->m_hWnd)) return;
  Default();
}

void CWnd::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDIS) {
  if (lpDIS->CtlType == ODT_MENU) {
    if (CMenu* m = CMenu::FromHandle(reinterpret_cast<HMENU>(lpDIS->hwndItem))) {
      m->DrawItem(lpDIS);
      return;
    }
  } else if (ReflectLastMsg(lpDIS->hwndItem)) {
    return;
  }
  (void)nIDCtl;
  Default();
}

void CWnd::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMIS) {
  if (lpMIS->CtlType != ODT_MENU && nIDCtl != 0) {
    if (HWND h = ::GetDlgItem(m_hWnd, nIDCtl); h && ReflectLastMsg(h)) return;
  }
  Default();
}

int CWnd::OnCompareItem(int, LPCOMPAREITEMSTRUCT lpCIS) {
  LRESULT result = 0;
  if (ReflectLastMsg(lpCIS->hwndItem, &result)) return static_cast<int>(result);
  return static_cast<int>(Default());
}

void CWnd::OnDeleteItem(int, LPDELETEITEMSTRUCT lpDIS) {
  if (lpDIS->hwndItem && ReflectLastMsg(lpDIS->hwndItem)) return;
  Default();
}

int CWnd::OnCharToItem(UINT, CListBox* pListBox, UINT) {
  LRESULT result = 0;
  auto* w = reinterpret_cast<CWnd*>(pListBox);
  if (w && ReflectLastMsg(w->m_hWnd, &result)) return static_cast<int>(result);
  return static_cast<int>(Default());
}

int CWnd::OnVKeyToItem(UINT, CListBox* pListBox, UINT) {
  LRESULT result = 0;
  auto* w = reinterpret_cast<CWnd*>(pListBox);
  if (w && ReflectLastMsg(w->m_hWnd, &result)) return static_cast<int>(result);
  return static_cast<int>(Default());
}

void CWnd::OnParentNotify(UINT message, LPARAM lParam) {
  if ((LOWORD(message) == WM_CREATE || LOWORD(message) == WM_DESTROY) && ReflectLastMsg(reinterpret_cast<HWND>(lParam)))
    return;
  Default();
}

// CWnd's own map: the messages whose default handlers reflect to controls.
BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_CTLCOLOR()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_WM_DRAWITEM()
ON_WM_MEASUREITEM()
ON_WM_COMPAREITEM()
ON_WM_DELETEITEM()
ON_WM_CHARTOITEM()
ON_WM_VKEYTOITEM()
ON_WM_PARENTNOTIFY()
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

// ---- pre-translation ------------------------------------------------------------------------------
BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
  // The nearest window with the framework's tool tips sees the mouse first.
  for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* w = FromHandlePermanent(h); w && (w->m_nFlags & WF_TOOLTIPS)) {
      w->FilterToolTipMessage(pMsg);
      break;
    }
    if (h == hWndStop) break;
  }
  for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* w = FromHandlePermanent(h); w && w->PreTranslateMessage(pMsg)) return TRUE;
    if (h == hWndStop) break;
  }
  return FALSE;
}

// The default tool of a window is the visible child under the point (not a
// group box, which only frames the controls inside it); the tip text is asked
// for later through TTN_NEEDTEXT with the child's handle as the tool id.
INT_PTR CWnd::OnToolHitTest(CPoint point, TOOLINFOW* pTI) const {
  if (!m_hWnd) return -1;
  POINT screen = point;
  ::ClientToScreen(m_hWnd, &screen);
  HWND found = nullptr;
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT r{};
    ::GetWindowRect(child, &r);
    if (!::PtInRect(&r, screen)) continue;
    WCHAR cls[16] = {};
    ::GetClassNameW(child, cls, 16);
    bool groupBox = std::u16string_view(cls) == WC_BUTTON &&
                    (static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE)) & BS_TYPEMASK) == BS_GROUPBOX;
    if (groupBox) continue;
    found = child;
    break;
  }
  if (!found) return -1;
  if (pTI && pTI->cbSize >= TTTOOLINFOW_V1_SIZE) {
    pTI->hwnd = m_hWnd;
    pTI->uId = reinterpret_cast<UINT_PTR>(found);
    pTI->uFlags |= TTF_IDISHWND;
    pTI->lpszText = LPSTR_TEXTCALLBACK;
  }
  return ::GetDlgCtrlID(found);
}

// ---- modal loop ------------------------------------------------------------------------------------
BOOL CWnd::ContinueModal() { return (m_nFlags & kContinueModal) != 0; }

void CWnd::EndModalLoop(int nResult) {
  m_nModalResult = nResult;
  if (m_nFlags & kContinueModal) {
    m_nFlags &= ~kContinueModal;
    ::PostMessage(m_hWnd, WM_NULL, 0, 0);
  }
}

int CWnd::RunModalLoop(DWORD dwFlags) {
  m_nFlags |= kModalLoop | kContinueModal;
  HWND hWnd = m_hWnd;
  MSG msg{};
  bool idle = true;
  LONG idleCount = 0;
  // A window created hidden is shown once everything queued at its start
  // has been handled, so it appears with its contents in place.
  bool showOnIdle = (dwFlags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
  HWND owner = (GetStyle() & WS_CHILD) ? ::GetParent(hWnd) : ::GetWindow(hWnd, GW_OWNER);
  auto showNow = [&] {
    showOnIdle = false;
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::UpdateWindow(hWnd);
  };
  while (ContinueModal()) {
    while (idle && !::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!::IsWindow(hWnd)) {
        idle = false;
        break;
      }
      if (showOnIdle) showNow();
      // The owner hears once per idle spell that a modal window waits.
      if (!(dwFlags & MLF_NOIDLEMSG) && owner && idleCount == 0 && ::IsWindow(owner))
        ::SendMessage(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hWnd));
      // WM_KICKIDLE lets the modal window update its controls.
      if ((dwFlags & MLF_NOKICKIDLE) || !::IsWindow(hWnd) || !SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++))
        idle = false;
      if (!ContinueModal()) goto done;
    }
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      // The queue ran dry in test mode, or the program is quitting.
      if (msg.lParam == PV_DRY_CANCEL) {
        if (ContinueModal()) m_nModalResult = IDCANCEL;
      } else {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        if (ContinueModal() && m_nModalResult == -1) m_nModalResult = IDCANCEL;
      }
      break;
    }
    if (!::IsWindow(hWnd)) break;
    if (!pv::afx::PreTranslateModal(this, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessage(&msg);
    }
    // A key the user presses for a window not shown yet shows it.
    if (showOnIdle && msg.message == WM_SYSKEYDOWN && ::IsWindow(hWnd)) showNow();
    if (msg.message != WM_MOUSEMOVE && msg.message != WM_TIMER && msg.message != WM_PAINT) {
      idle = true;
      idleCount = 0;
    }
    if (!::IsWindow(hWnd)) break;
  }
done:
  m_nFlags &= ~(kModalLoop | kContinueModal);
  return m_nModalResult;
}

// ---- descendants and data --------------------------------------------------------------------------
void CWnd::SendMessageToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm) {
  for (HWND child = ::GetWindow(hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    HWND next_guard = child;
    if (bOnlyPerm) {
      if (CWnd* w = FromHandlePermanent(child)) {
        AfxCallWndProc(w, child, message, wParam, lParam);
      }
    } else {
      ::SendMessage(child, message, wParam, lParam);
    }
    if (!::IsWindow(next_guard)) break;
    if (bDeep && ::GetWindow(child, GW_CHILD))
      SendMessageToDescendants(child, message, wParam, lParam, bDeep, bOnlyPerm);
  }
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm) {
  SendMessageToDescendants(m_hWnd, message, wParam, lParam, bDeep, bOnlyPerm);
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  CCmdUI state;
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    state.m_pOther = FromHandle(child);
    state.m_nID = id;
    state.m_bEnableChanged = FALSE;
    // A control that updates itself (a reflected handler) is left alone; the
    // call is direct so that nothing routes on from the control.
    CWnd* w = FromHandlePermanent(child);
    if (w && w->CWnd::OnCmdMsg(0, MAKELONG(static_cast<WORD>(CN_UPDATE_COMMAND_UI), WM_COMMAND + WM_REFLECT_BASE),
                               &state, nullptr))
      continue;
    // The window's own handlers (a dialog bar's, say) come before the target's.
    if (pTarget != this && CWnd::OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr)) continue;
    // Buttons that only close the dialog keep working with no handler; so do
    // buttons that work by themselves (auto check boxes and radio buttons).
    BOOL disable = bDisableIfNoHndler && id != IDOK && id != IDCANCEL;
    if (disable) {
      UINT code = static_cast<UINT>(::SendMessage(child, WM_GETDLGCODE, 0, 0));
      DWORD type = static_cast<DWORD>(::GetWindowLong(child, GWL_STYLE)) & 0x0F;
      constexpr DWORD kAutoCheckBox = 0x03, kAuto3State = 0x06, kGroupBox = 0x07, kAutoRadio = 0x09;
      if (!(code & DLGC_BUTTON) || type == kAutoCheckBox || type == kAuto3State || type == kGroupBox ||
          type == kAutoRadio)
        disable = FALSE;
    }
    state.DoUpdate(pTarget, disable);
  }
}

// ---- queries ---------------------------------------------------------------------------------------
void CWnd::GetWindowText(CString& rString) const {
  int n = ::GetWindowTextLength(m_hWnd);
  std::u16string buf(static_cast<size_t>(n) + 1, u'\0');
  int got = ::GetWindowText(m_hWnd, buf.data(), n + 1);
  buf.resize(static_cast<size_t>(got < 0 ? 0 : got));
  rString = CString(std::move(buf));
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  HWND h = ::GetDlgItem(m_hWnd, nID);
  if (!h) return 0;
  FromHandle(h)->GetWindowText(rString);
  return rString.GetLength();
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(CGdiObject::SafeHandleOf(pFont)), bRedraw);
}

CFont* CWnd::GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0))); }

CMenu* CWnd::GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }
BOOL CWnd::SetMenu(CMenu* pMenu) { return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr); }
CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }

BOOL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = static_cast<DWORD>(::GetWindowLong(hWnd, GWL_STYLE));
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLong(hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
  if (nFlags)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = static_cast<DWORD>(::GetWindowLong(hWnd, GWL_EXSTYLE));
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLong(hWnd, GWL_EXSTYLE, static_cast<LONG>(newStyle));
  if (nFlags)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags);
}
BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  HWND after = nullptr;
  if (pWndInsertAfter == &wndTop) after = HWND_TOP;
  else if (pWndInsertAfter == &wndBottom) after = HWND_BOTTOM;
  else if (pWndInsertAfter == &wndTopMost) after = HWND_TOPMOST;
  else if (pWndInsertAfter == &wndNoTopMost) after = HWND_NOTOPMOST;
  else after = HwndOf(pWndInsertAfter);
  return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  DWORD style = GetStyle();
  HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : nullptr;
  if (!center) center = (style & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
  if (center && !(style & WS_CHILD)) {
    // A hidden or minimised owner is no place to centre on.
    if (!::IsWindowVisible(center) || ::IsIconic(center)) center = nullptr;
  }
  RECT dlg{}, area{};
  ::GetWindowRect(m_hWnd, &dlg);
  // Centred on `area`, then moved inside `bounds`, its top left first when
  // it cannot fit.
  auto placeWithin = [&](const RECT& bounds) {
    int w = dlg.right - dlg.left, h = dlg.bottom - dlg.top;
    int x = (area.left + area.right) / 2 - w / 2;
    int y = (area.top + area.bottom) / 2 - h / 2;
    if (x + w > bounds.right) x = bounds.right - w;
    if (x < bounds.left) x = bounds.left;
    if (y + h > bounds.bottom) y = bounds.bottom - h;
    if (y < bounds.top) y = bounds.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  if (style & WS_CHILD) {
    HWND parent = ::GetParent(m_hWnd);
    ::GetClientRect(parent, &area);
    if (center && center != parent) {
      RECT c{};
      ::GetWindowRect(center, &c);
      ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&c), 2);
      area = c;
    }
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&dlg), 2);
    RECT client{};
    ::GetClientRect(parent, &client);
    // Kept inside the parent.
    placeWithin(client);
  } else {
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfo(::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT work = mi.rcWork;
    if (center) ::GetWindowRect(center, &area);
    else area = work;
    // Kept on the work area.
    placeWithin(work);
  }
}

CWnd* CWnd::GetOwner() const {
  if (m_hWndOwner) return FromHandle(m_hWndOwner);
  // A child's parent or a top-level window's owner, read in one look-up (it
  // is asked for every notification a control sends). As GetParent does, a
  // child of the desktop has none.
  HWND h = reinterpret_cast<HWND>(::GetWindowLongPtr(m_hWnd, GWLP_HWNDPARENT));
  return h && h != ::GetDesktopWindow() ? FromHandle(h) : nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
  if (!m_hWnd) return nullptr;
  HWND h = m_hWnd;
  while (::GetWindowLong(h, GWL_STYLE) & WS_CHILD) {
    HWND p = ::GetParent(h);
    if (!p) break;
    h = p;
  }
  return FromHandle(h);
}

CWnd* CWnd::GetParentOwner() const {
  HWND h = m_hWnd;
  while (h && (::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  return FromHandle(h);
}

CWnd* CWnd::GetTopLevelOwner() const {
  HWND h = m_hWnd;
  for (HWND o; h && (o = ::GetWindow(h, GW_OWNER)) != nullptr;) h = o;
  return FromHandle(h);
}

CWnd* CWnd::GetDescendantWindow(HWND hWnd, int nID, BOOL bOnlyPerm) {
  if (HWND direct = ::GetDlgItem(hWnd, nID)) {
    if (::GetTopWindow(direct) == nullptr) {
      CWnd* w = bOnlyPerm ? FromHandlePermanent(direct) : FromHandle(direct);
      if (w) return w;
    }
  }
  for (HWND child = ::GetTopWindow(hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::GetDlgCtrlID(child) == nID) {
      CWnd* w = bOnlyPerm ? FromHandlePermanent(child) : FromHandle(child);
      if (w) return w;
    }
    if (CWnd* w = GetDescendantWindow(child, nID, bOnlyPerm)) return w;
  }
  return nullptr;
}

CWnd* CWnd::GetDescendantWindow(int nID, BOOL bOnlyPerm) const { return GetDescendantWindow(m_hWnd, nID, bOnlyPerm); }

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) { SendDlgItemMessage(nIDButton, BM_SETCHECK, nCheck, 0); }
UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  return static_cast<UINT>(SendDlgItemMessage(nIDButton, BM_GETCHECK, 0, 0));
}
void CWnd::CheckRadioButton(int first, int last, int check) {
  for (int id = first; id <= last; ++id) CheckDlgButton(id, id == check ? 1 : 0);
}
int CWnd::GetCheckedRadioButton(int first, int last) const {
  for (int id = first; id <= last; ++id)
    if (IsDlgButtonChecked(id)) return id;
  return 0;
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious) const {
  return FromHandle(pv::afx::NextTabItem(m_hWnd, HwndOf(pWndCtl), bPrevious != FALSE));
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious) const {
  return FromHandle(pv::afx::NextGroupItem(m_hWnd, HwndOf(pWndCtl), bPrevious != FALSE));
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  CString caption;
  if (!lpszCaption) {
    caption = pv::afx::AppTitle();
    lpszCaption = caption;
  }
  return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

CWnd* CWnd::GetSafeOwner(CWnd* pParent, HWND* pWndTop) {
  HWND h = pParent ? pParent->m_hWnd : nullptr;
  if (!h) {
    h = pv::afx::MainWindowHandle();
  }
  while (h && (::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  if (pWndTop) *pWndTop = h;
  return FromHandle(h);
}

// ---- scroll bars ----------------------------------------------------------------------------------
CScrollBar* CWnd::GetScrollBarCtrl(int) const { return nullptr; }

CScrollBar* CWnd::ScrollBarFromHandle(HWND hWnd) {
  CWnd* w = FromHandlePermanent(hWnd);
  if (!w) return nullptr;
  // The controls live above this layer: the class is known by its name.
  const CRuntimeClass* scrollBarClass = CRuntimeClass::FromName("CScrollBar");
  if (!scrollBarClass || !w->IsKindOf(scrollBarClass)) return nullptr;
  // CScrollBar derives from CWnd alone, so the object starts with its CWnd.
  return reinterpret_cast<CScrollBar*>(w);
}

namespace {
// Where a scroll call for nBar goes: the control GetScrollBarCtrl names
// (as SB_CTL), else the window's own bar.
struct ScrollTarget {
  HWND hWnd;
  int nBar;
  bool control;
};
ScrollTarget TargetOf(const CWnd* pWnd, int nBar) {
  if (nBar == SB_HORZ || nBar == SB_VERT) {
    if (CScrollBar* bar = pWnd->GetScrollBarCtrl(nBar)) return {reinterpret_cast<CWnd*>(bar)->m_hWnd, SB_CTL, true};
  }
  return {pWnd->m_hWnd, nBar, false};
}
}  // namespace

int CWnd::GetScrollPos(int nBar) const {
  ScrollTarget t = TargetOf(this, nBar);
  return ::GetScrollPos(t.hWnd, t.nBar);
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  ScrollTarget t = TargetOf(this, nBar);
  return ::SetScrollPos(t.hWnd, t.nBar, nPos, bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const {
  ScrollTarget t = TargetOf(this, nBar);
  ::GetScrollRange(t.hWnd, t.nBar, lpMinPos, lpMaxPos);
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
  ScrollTarget t = TargetOf(this, nBar);
  ::SetScrollRange(t.hWnd, t.nBar, nMinPos, nMaxPos, bRedraw);
}

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw) {
  ScrollTarget t = TargetOf(this, nBar);
  return ::SetScrollInfo(t.hWnd, t.nBar, lpScrollInfo, bRedraw) != 0;
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) {
  lpScrollInfo->cbSize = sizeof(SCROLLINFO);
  lpScrollInfo->fMask = nMask;
  ScrollTarget t = TargetOf(this, nBar);
  return ::GetScrollInfo(t.hWnd, t.nBar, lpScrollInfo);
}

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) {
  ScrollTarget t = TargetOf(this, static_cast<int>(nBar));
  if (t.control) ::ShowWindow(t.hWnd, bShow ? SW_SHOW : SW_HIDE);
  else ::ShowScrollBar(m_hWnd, static_cast<int>(nBar), bShow);
}

void CWnd::EnableScrollBarCtrl(int nBar, BOOL bEnable) {
  if (nBar == SB_BOTH) {
    EnableScrollBarCtrl(SB_HORZ, bEnable);
    EnableScrollBarCtrl(SB_VERT, bEnable);
    return;
  }
  ScrollTarget t = TargetOf(this, nBar);
  if (t.control) ::EnableWindow(t.hWnd, bEnable);
  else ::ShowScrollBar(m_hWnd, nBar, bEnable);
}

BOOL CWnd::EnableScrollBar(int nSBFlags, UINT nArrowFlags) {
  if (nSBFlags == SB_BOTH) {
    BOOL horz = EnableScrollBar(SB_HORZ, nArrowFlags);
    BOOL vert = EnableScrollBar(SB_VERT, nArrowFlags);
    return horz && vert;
  }
  ScrollTarget t = TargetOf(this, nSBFlags);
  return ::EnableScrollBar(t.hWnd, static_cast<UINT>(t.nBar), nArrowFlags);
}

int CWnd::GetScrollLimit(int nBar) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE;
  ScrollTarget t = TargetOf(this, nBar);
  if (!::GetScrollInfo(t.hWnd, t.nBar, &si)) return 0;
  int limit = si.nMax - (si.nPage ? static_cast<int>(si.nPage) - 1 : 0);
  return limit < si.nMin ? si.nMin : limit;
}

// ---- painting --------------------------------------------------------------------------------------
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
CDC* CWnd::GetDCEx(CRgn* prgnClip, DWORD flags) {
  return CDC::FromHandle(::GetDCEx(m_hWnd, static_cast<HRGN>(CGdiObject::SafeHandleOf(prgnClip)), flags));
}
int CWnd::ReleaseDC(CDC* pDC) { return ::ReleaseDC(m_hWnd, pDC ? pDC->m_hDC : nullptr); }
CDC* CWnd::BeginPaint(LPPAINTSTRUCT lpPaint) { return CDC::FromHandle(::BeginPaint(m_hWnd, lpPaint)); }
void CWnd::InvalidateRgn(CRgn* pRgn, BOOL bErase) {
  ::InvalidateRgn(m_hWnd, static_cast<HRGN>(CGdiObject::SafeHandleOf(pRgn)), bErase);
}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn* prgnUpdate, UINT flags) {
  return ::RedrawWindow(m_hWnd, lpRectUpdate, static_cast<HRGN>(CGdiObject::SafeHandleOf(prgnUpdate)), flags);
}
void CWnd::Print(CDC* pDC, DWORD dwFlags) const {
  SendMessage(WM_PRINT, reinterpret_cast<WPARAM>(pDC ? pDC->m_hDC : nullptr), static_cast<LPARAM>(dwFlags));
}
void CWnd::PrintClient(CDC* pDC, DWORD dwFlags) const {
  SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pDC ? pDC->m_hDC : nullptr), static_cast<LPARAM>(dwFlags));
}

BOOL CWnd::CreateCaret(CBitmap* pBitmap) {
  return ::CreateCaret(m_hWnd, static_cast<HBITMAP>(CGdiObject::SafeHandleOf(pBitmap)), 0, 0);
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  ModifyStyleEx(bAccept ? 0 : WS_EX_ACCEPTFILES, bAccept ? WS_EX_ACCEPTFILES : 0);
}

// ---- control-bar layout ------------------------------------------------------------------------------
void CWnd::RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlags, LPRECT lpRectParam,
                          LPCRECT lpRectClient, BOOL bStretch) {
  AFX_SIZEPARENTPARAMS layout{};
  HWND leftOver = nullptr;
  layout.bStretch = bStretch;
  layout.sizeTotal = SIZE{0, 0};
  if (lpRectClient) layout.rect = *lpRectClient;
  else ::GetClientRect(m_hWnd, &layout.rect);
  if ((nFlags & ~reposNoPosLeftOver) != reposQuery) layout.hDWP = ::BeginDeferWindowPos(8);
  for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
    CWnd* w = FromHandlePermanent(child);
    if (id == nIDLeftOver) leftOver = child;
    else if (w && id >= nIDFirst && id <= nIDLast)
      ::SendMessage(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
  }
  if ((nFlags & ~reposNoPosLeftOver) == reposQuery) {
    if (bStretch) *lpRectParam = layout.rect;
    else {
      lpRectParam->left = lpRectParam->top = 0;
      lpRectParam->right = layout.sizeTotal.cx;
      lpRectParam->bottom = layout.sizeTotal.cy;
    }
    return;
  }
  if (nIDLeftOver != 0 && leftOver && !(nFlags & reposNoPosLeftOver)) {
    RECT r = layout.rect;
    if (nFlags == reposExtra && lpRectParam) {
      r.left += lpRectParam->left;
      r.top += lpRectParam->top;
      r.right -= lpRectParam->right;
      r.bottom -= lpRectParam->bottom;
    }
    CWnd::FromHandle(leftOver)->CalcWindowRect(&r);
    if (layout.hDWP)
      layout.hDWP = ::DeferWindowPos(layout.hDWP, leftOver, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                     SWP_NOACTIVATE | SWP_NOZORDER);
  }
  if (layout.hDWP) ::EndDeferWindowPos(layout.hDWP);
}

// ---- CCmdUI ---------------------------------------------------------------------------------------
void CCmdUI::Enable(BOOL bOn) {
  if (m_pMenu) {
    if (!m_pSubMenu) m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
  } else if (m_pOther) {
    // Disabling the focused control would strand the keyboard: move on first.
    HWND ctl = m_pOther->m_hWnd;
    if (!bOn && ::GetFocus() == ctl) {
      HWND parent = ::GetParent(ctl);
      ::SendMessage(parent, WM_NEXTDLGCTL, 0, FALSE);
      // A parent that is no dialog ignores that: move the focus here.
      if (::GetFocus() == ctl) {
        HWND next = pv::afx::NextTabItem(parent, ctl, false);
        if (next && next != ctl) ::SetFocus(next);
      }
    }
    m_pOther->EnableWindow(bOn);
  }
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  if (m_pMenu) {
    if (!m_pSubMenu) m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
  } else if (m_pOther) {
    if (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON) m_pOther->SendMessage(BM_SETCHECK, nCheck);
  }
}

void CCmdUI::SetRadio(BOOL bOn) {
  if (m_pMenu) {
    if (!m_pSubMenu) {
      UINT pos = m_nIndex;
      if (bOn) ::CheckMenuRadioItem(m_pMenu->m_hMenu, pos, pos, pos, MF_BYPOSITION);
      else m_pMenu->CheckMenuItem(pos, MF_BYPOSITION | MF_UNCHECKED);
    }
    return;
  }
  SetCheck(bOn ? 1 : 0);
}

void CCmdUI::SetText(LPCTSTR lpszText) {
  if (m_pMenu) {
    if (m_pSubMenu) return;
    UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
    state &= ~(MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_POPUP);
    m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, lpszText);
  } else if (m_pOther) {
    CString current;
    m_pOther->GetWindowText(current);
    if (current != CString(lpszText)) m_pOther->SetWindowText(lpszText);
  }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF) return TRUE;  // separators and ids to ignore
  m_bEnableChanged = FALSE;
  BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (!handled && bDisableIfNoHndler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info{};
    if (!pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info)) Enable(FALSE);
  }
  return handled;
}

// ---- wait cursor --------------------------------------------------------------------------------------
namespace {
void WaitCursorHook(int change) {
  auto& st = State();
  if (change > 0) {
    if (st.waitDepth++ == 0) st.savedCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  } else if (change < 0) {
    if (st.waitDepth > 0 && --st.waitDepth == 0) ::SetCursor(st.savedCursor);
  } else if (st.waitDepth > 0) {
    ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  }
}
[[maybe_unused]] const bool g_hookInstalled = (pv::SetWaitCursorHook(&WaitCursorHook), true);
}  // namespace

CWaitCursor::CWaitCursor() { WaitCursorHook(1); }
CWaitCursor::~CWaitCursor() { WaitCursorHook(-1); }
void CWaitCursor::Restore() { WaitCursorHook(0); }
int AfxWaitCursorDepth() { return State().waitDepth; }
