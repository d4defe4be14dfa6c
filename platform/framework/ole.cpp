// In-process drag and drop and clipboard data objects, and the dropped-file
// records WM_DROPFILES hands over.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/framework/afxole.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNAMIC(COleClientItem, CCmdTarget)
IMPLEMENT_DYNAMIC(COleDocObjectItem, COleClientItem)
IMPLEMENT_DYNAMIC(COleDocument, CDocument)

namespace {

std::unordered_map<HWND, COleDropTarget*>& Targets() {
  thread_local std::unordered_map<HWND, COleDropTarget*> targets;
  return targets;
}

HGLOBAL CopyGlobal(HGLOBAL h) {
  if (!h) return nullptr;
  SIZE_T size = ::GlobalSize(h);
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
  if (!copy) return nullptr;
  void* dst = ::GlobalLock(copy);
  const void* src = ::GlobalLock(h);
  if (dst && src && size) std::memcpy(dst, src, size);
  ::GlobalUnlock(h);
  ::GlobalUnlock(copy);
  return copy;
}

// The registered target for a window or its nearest ancestor.
std::pair<HWND, COleDropTarget*> TargetAt(POINT screen) {
  for (HWND h = ::WindowFromPoint(screen); h; h = ::GetParent(h)) {
    auto it = Targets().find(h);
    if (it != Targets().end()) return {h, it->second};
    if (!(::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return {nullptr, nullptr};
}

DROPEFFECT Allowed(DROPEFFECT wanted, DROPEFFECT allowed) {
  wanted &= (allowed | DROPEFFECT_SCROLL);
  if (wanted & DROPEFFECT_MOVE) return DROPEFFECT_MOVE | (wanted & DROPEFFECT_SCROLL);
  if (wanted & DROPEFFECT_COPY) return DROPEFFECT_COPY | (wanted & DROPEFFECT_SCROLL);
  if (wanted & DROPEFFECT_LINK) return DROPEFFECT_LINK | (wanted & DROPEFFECT_SCROLL);
  return wanted & DROPEFFECT_SCROLL;
}

DWORD KeyState() {
  DWORD k = 0;
  if (::GetKeyState(VK_LBUTTON) & 0x8000) k |= MK_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) & 0x8000) k |= MK_RBUTTON;
  if (::GetKeyState(VK_SHIFT) & 0x8000) k |= MK_SHIFT;
  if (::GetKeyState(VK_CONTROL) & 0x8000) k |= MK_CONTROL;
  return k;
}

HWND TrackerWindow() {
  WNDCLASSW wc{};
  if (!::GetClassInfo(nullptr, u"PvDragTracker", &wc)) {
    wc.lpfnWndProc = &::DefWindowProc;
    wc.lpszClassName = u"PvDragTracker";
    ::RegisterClass(&wc);
  }
  return ::CreateWindowEx(WS_EX_TOOLWINDOW, u"PvDragTracker", u"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                          nullptr);
}

}  // namespace

// ---- COleDataObject ------------------------------------------------------------------------------------
BOOL COleDataObject::AttachClipboard() {
  m_pSource = nullptr;
  m_clipFormats.clear();
  if (!::OpenClipboard(nullptr)) return FALSE;
  for (UINT f = ::EnumClipboardFormats(0); f; f = ::EnumClipboardFormats(f))
    m_clipFormats.push_back(static_cast<CLIPFORMAT>(f));
  ::CloseClipboard();
  m_bClipboard = TRUE;
  return TRUE;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cfFormat) const {
  if (m_pSource) return m_pSource->HasFormat(cfFormat);
  if (m_bClipboard) return ::IsClipboardFormatAvailable(cfFormat);
  return FALSE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT cfFormat) const {
  if (m_pSource) return CopyGlobal(m_pSource->Peek(cfFormat));
  if (!m_bClipboard || !::OpenClipboard(nullptr)) return nullptr;
  HGLOBAL copy = CopyGlobal(static_cast<HGLOBAL>(::GetClipboardData(cfFormat)));
  ::CloseClipboard();
  return copy;
}

BOOL COleDataObject::GetNextFormat(CLIPFORMAT* pFormat) {
  std::vector<CLIPFORMAT> formats = m_pSource ? m_pSource->Formats() : m_clipFormats;
  if (m_nEnum >= formats.size()) return FALSE;
  *pFormat = formats[m_nEnum++];
  return TRUE;
}

// ---- COleDropSource -------------------------------------------------------------------------------------
SCODE COleDropSource::QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState) {
  if (bEscapePressed || (dwKeyState & MK_RBUTTON)) return DRAGDROP_S_CANCEL;
  if (!(dwKeyState & MK_LBUTTON)) return DRAGDROP_S_DROP;
  return S_OK;
}

SCODE COleDropSource::GiveFeedback(DROPEFFECT) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- COleDataSource --------------------------------------------------------------------------------------
COleDataSource::~COleDataSource() { Empty(); }

void COleDataSource::CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal) {
  auto it = m_data.find(cfFormat);
  if (it != m_data.end() && it->second != hGlobal) ::GlobalFree(it->second);
  m_data[cfFormat] = hGlobal;
}

void COleDataSource::Empty() {
  for (auto& [f, h] : m_data) ::GlobalFree(h);
  m_data.clear();
}

HGLOBAL COleDataSource::Peek(CLIPFORMAT cf) const {
  auto it = m_data.find(cf);
  return it == m_data.end() ? nullptr : it->second;
}

std::vector<CLIPFORMAT> COleDataSource::Formats() const {
  std::vector<CLIPFORMAT> out;
  for (auto& [f, h] : m_data) out.push_back(f);
  return out;
}

void COleDataSource::SetClipboard() {
  if (!::OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  for (auto& [f, h] : m_data) ::SetClipboardData(f, CopyGlobal(h));
  ::CloseClipboard();
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects, LPCRECT lpRectStartDrag, COleDropSource* pDropSource) {
  COleDropSource defaultSource;
  COleDropSource* source = pDropSource ? pDropSource : &defaultSource;
  HWND tracker = TrackerWindow();
  if (!tracker) return DROPEFFECT_NONE;
  ::SetCapture(tracker);
  COleDataObject data;
  data.Attach(this);
  HWND overWnd = nullptr;
  COleDropTarget* over = nullptr;
  DROPEFFECT effect = DROPEFFECT_NONE;
  DROPEFFECT result = DROPEFFECT_NONE;
  bool started = lpRectStartDrag == nullptr;
  auto leave = [&] {
    if (over && ::IsWindow(overWnd)) over->OnDragLeave(CWnd::FromHandle(overWnd));
    over = nullptr;
    overWnd = nullptr;
  };
  MSG msg{};
  for (;;) {
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      // The program is quitting (or a test's queue ran dry): cancel.
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      leave();
      break;
    }
    if (msg.message == WM_CAPTURECHANGED && msg.hwnd == tracker) {
      leave();
      break;
    }
    bool escape = msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE;
    bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    if (!escape && !mouse && msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) {
      ::TranslateMessage(&msg);
      ::DispatchMessage(&msg);
      if (::GetCapture() != tracker) {
        leave();
        break;
      }
      continue;
    }
    DWORD keys = mouse ? static_cast<DWORD>(msg.wParam) & (MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL | MK_MBUTTON)
                       : KeyState();
    if (msg.message == WM_LBUTTONUP) keys &= ~MK_LBUTTON;
    if (msg.message == WM_RBUTTONDOWN) keys |= MK_RBUTTON;
    POINT pt = msg.pt;
    if (mouse && msg.hwnd) {
      // Where this event happened (the cursor may have moved on since).
      pt = POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ::ClientToScreen(msg.hwnd, &pt);
    }
    if (!started) {
      if (escape || !(keys & MK_LBUTTON)) break;  // released before it became a drag
      if (::PtInRect(lpRectStartDrag, pt)) continue;
      started = source->OnBeginDrag(nullptr) != FALSE;
      if (!started) break;
    }
    SCODE sc = source->QueryContinueDrag(escape, keys);
    if (sc == DRAGDROP_S_CANCEL) {
      leave();
      break;
    }
    auto [wnd, target] = TargetAt(pt);
    if (wnd != overWnd) {
      leave();
      overWnd = wnd;
      over = target;
      effect = DROPEFFECT_NONE;
      if (over) {
        POINT client = pt;
        ::ScreenToClient(wnd, &client);
        effect = Allowed(over->OnDragEnter(CWnd::FromHandle(wnd), &data, keys, CPoint(client)), dwEffects);
      }
    } else if (over && sc != DRAGDROP_S_DROP) {
      POINT client = pt;
      ::ScreenToClient(wnd, &client);
      effect = Allowed(over->OnDragOver(CWnd::FromHandle(wnd), &data, keys, CPoint(client)), dwEffects);
    }
    source->GiveFeedback(effect);
    if (sc == DRAGDROP_S_DROP) {
      if (over && (effect & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE) {
        POINT client = pt;
        ::ScreenToClient(overWnd, &client);
        DROPEFFECT chosen = effect & ~DROPEFFECT_SCROLL;
        CWnd* w = CWnd::FromHandle(overWnd);
        DROPEFFECT ex = over->OnDropEx(w, &data, chosen, dwEffects, CPoint(client));
        if (ex == static_cast<DROPEFFECT>(-1))
          ex = over->OnDrop(w, &data, chosen, CPoint(client)) ? chosen : DROPEFFECT_NONE;
        result = ex;
      } else {
        leave();
      }
      break;
    }
  }
  if (::GetCapture() == tracker) ::ReleaseCapture();
  ::DestroyWindow(tracker);
  return result;
}

// ---- COleDropTarget ----------------------------------------------------------------------------------------
COleDropTarget::~COleDropTarget() { Revoke(); }

BOOL COleDropTarget::Register(CWnd* pWnd) {
  if (!pWnd || !pWnd->m_hWnd || m_hWnd) return FALSE;
  auto [it, added] = Targets().emplace(pWnd->m_hWnd, this);
  if (!added) return FALSE;
  m_hWnd = pWnd->m_hWnd;
  return TRUE;
}

void COleDropTarget::Revoke() {
  if (!m_hWnd) return;
  auto it = Targets().find(m_hWnd);
  if (it != Targets().end() && it->second == this) Targets().erase(it);
  m_hWnd = nullptr;
}

COleDropTarget* COleDropTarget::FromWindow(HWND hWnd) {
  auto it = Targets().find(hWnd);
  // A window that died without revoking is no target.
  if (it == Targets().end() || !::IsWindow(hWnd)) return nullptr;
  return it->second;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) {
  return OnDragOver(pWnd, pDataObject, dwKeyState, point);
}
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
  return static_cast<DROPEFFECT>(-1);
}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }

void AfxOleSetEditMenu(COleClientItem*, CMenu* pMenu, UINT iMenuItem, UINT nIDVerbMin, UINT, UINT) {
  if (!pMenu || !pMenu->m_hMenu) return;
  // A popup there is replaced too (the menu destroys its sub-menu).
  ::ModifyMenuW(pMenu->m_hMenu, iMenuItem, MF_BYPOSITION | MF_STRING | MF_GRAYED | MF_DISABLED, nIDVerbMin, u"&Object");
}
