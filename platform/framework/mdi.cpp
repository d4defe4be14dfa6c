// MDI: the MDI client window (children, activation, the window menu, the
// maximised child's controls in the menu bar, scrolling), CMDIFrameWnd and
// CMDIChildWnd.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

// ---- the MDI client window ---------------------------------------------------------------------------
namespace {

struct MDIClientState {
  HMENU windowMenu = nullptr;
  UINT firstChild = AFX_IDM_FIRST_MDICHILD;
  HWND active = nullptr;
  std::vector<HWND> children;  // creation order, for ids and the window list
  int cascadeStep = 0;
  // The frame menu showing a maximised child's system menu and caption
  // buttons, and that child.
  HMENU decorated = nullptr;
  HWND decoratedFor = nullptr;
  bool updatingScrollBars = false;
};

// Sent by a child frame to its MDI client after it moved or changed size.
constexpr UINT kMdiChildMoved = WM_USER + 0x100;

std::unordered_map<HWND, MDIClientState>& Clients() {
  thread_local std::unordered_map<HWND, MDIClientState> clients;
  return clients;
}

void PruneChildren(HWND client, MDIClientState& st) {
  std::erase_if(st.children, [&](HWND h) { return !::IsWindow(h) || ::GetParent(h) != client; });
  if (st.active && (!::IsWindow(st.active) || ::GetParent(st.active) != client)) st.active = nullptr;
}

void RefreshWindowMenu(HWND client, MDIClientState& st) {
  PruneChildren(client, st);
  // Renumber the children so that their ids stay consecutive.
  for (size_t i = 0; i < st.children.size(); ++i)
    ::SetWindowLong(st.children[i], GWL_ID, static_cast<LONG>(st.firstChild + i));
  if (!st.windowMenu || !::IsMenu(st.windowMenu)) return;
  int count = ::GetMenuItemCount(st.windowMenu);
  for (int i = count - 1; i >= 0; --i) {
    UINT id = ::GetMenuItemID(st.windowMenu, i);
    if (id >= st.firstChild && id < st.firstChild + 0x100)
      ::DeleteMenu(st.windowMenu, static_cast<UINT>(i), MF_BYPOSITION);
  }
  // Drop a trailing separator we added before.
  count = ::GetMenuItemCount(st.windowMenu);
  if (count > 0 && ::GetMenuItemID(st.windowMenu, count - 1) == 0 &&
      (::GetMenuState(st.windowMenu, static_cast<UINT>(count - 1), MF_BYPOSITION) & MF_SEPARATOR))
    ::DeleteMenu(st.windowMenu, static_cast<UINT>(count - 1), MF_BYPOSITION);
  if (st.children.empty()) return;
  ::AppendMenu(st.windowMenu, MF_SEPARATOR, 0, nullptr);
  int shown = 0;
  for (size_t i = 0; i < st.children.size() && shown < 9; ++i) {
    HWND child = st.children[i];
    if (!::IsWindowVisible(child) && child != st.active) continue;
    CString title;
    CWnd::FromHandle(child)->GetWindowText(title);
    title.Replace(u"&", u"&&");  // a title reads as typed, never as a mnemonic
    CString item;
    item.Format(u"&%d %s", ++shown, static_cast<LPCTSTR>(title));
    ::AppendMenu(st.windowMenu, MF_STRING | (child == st.active ? MF_CHECKED : 0), st.firstChild + static_cast<UINT>(i),
                 item);
  }
}

// ---- a maximised child's controls in the frame's menu bar ----
// While the active child is maximised its caption is out of sight, so its
// system menu (its icon, first) and its minimise, restore and close buttons
// (last, at the right edge) join the frame's menu bar.
bool IsCaptionCommand(UINT id) { return id == SC_MINIMIZE || id == SC_RESTORE || id == SC_CLOSE; }

void RemoveMaxDecoration(MDIClientState& st) {
  HMENU menu = st.decorated;
  st.decorated = nullptr;
  st.decoratedFor = nullptr;
  if (!menu || !::IsMenu(menu)) return;
  for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_BITMAP | MIIM_ID | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
    bool system = i == 0 && mii.hbmpItem == HBMMENU_SYSTEM;
    bool button = IsCaptionCommand(mii.wID) && !mii.hSubMenu &&
                  (mii.hbmpItem == HBMMENU_MBAR_MINIMIZE || mii.hbmpItem == HBMMENU_MBAR_RESTORE ||
                   mii.hbmpItem == HBMMENU_MBAR_CLOSE);
    // Removed, not deleted: the system menu stays the child's.
    if (system || button) ::RemoveMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
  }
}

void UpdateMaxDecoration(HWND client, MDIClientState& st) {
  HWND frame = ::GetParent(client);
  HMENU menu = frame ? ::GetMenu(frame) : nullptr;
  HWND want = st.active && ::IsWindow(st.active) && ::IsZoomed(st.active) && menu ? st.active : nullptr;
  if (st.decorated == (want ? menu : nullptr) && st.decoratedFor == want) return;
  RemoveMaxDecoration(st);
  if (want) {
    HMENU sys = ::GetSystemMenu(want, FALSE);
    ::InsertMenuW(menu, 0, MF_BYPOSITION | MF_POPUP | MF_BITMAP, reinterpret_cast<UINT_PTR>(sys),
                  reinterpret_cast<LPCWSTR>(HBMMENU_SYSTEM));
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(want);  // whose icon the item shows
    ::SetMenuItemInfoW(menu, 0, TRUE, &mii);
    ::AppendMenuW(menu, MF_BITMAP | MF_RIGHTJUSTIFY, SC_MINIMIZE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_MINIMIZE));
    ::AppendMenuW(menu, MF_BITMAP, SC_RESTORE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_RESTORE));
    ::AppendMenuW(menu, MF_BITMAP, SC_CLOSE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_CLOSE));
    st.decorated = menu;
    st.decoratedFor = want;
  }
  if (frame) ::DrawMenuBar(frame);
}

// A maximised child keeps its client area exactly over the client's, also
// when that changes size (the frame resized, the scroll bars went).
void FitMaximizedChild(HWND client, MDIClientState& st) {
  for (HWND h : st.children) {
    if (!::IsWindow(h) || !::IsZoomed(h)) continue;
    RECT view{}, wr{}, cr{};
    ::GetClientRect(client, &view);
    ::GetWindowRect(h, &wr);
    ::GetClientRect(h, &cr);
    ::MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&cr), 2);
    RECT want{view.left - (cr.left - wr.left), view.top - (cr.top - wr.top), view.right + (wr.right - cr.right),
              view.bottom + (wr.bottom - cr.bottom)};
    RECT now = wr;
    ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&now), 2);
    if (!::EqualRect(&now, &want))
      ::SetWindowPos(h, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// ---- the client's scroll bars ----
// They show only while a child lies partly out of view (never while one is
// maximised); scrolling moves the children. The client's own coordinates are
// always the view, so the position is 0 and the range runs from the
// outermost child edges.
void UpdateClientScrollBars(HWND client, MDIClientState& st) {
  if (st.updatingScrollBars) return;
  st.updatingScrollBars = true;
  // Twice: showing one bar narrows the view and may call for the other.
  for (int pass = 0; pass < 2; ++pass) {
    RECT view{};
    ::GetClientRect(client, &view);
    RECT all = view;
    bool maximised = false;
    for (HWND h : st.children) {
      if (!::IsWindow(h) || !::IsWindowVisible(h)) continue;
      maximised |= ::IsZoomed(h) != FALSE;
      RECT r{};
      ::GetWindowRect(h, &r);
      ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
      ::UnionRect(&all, &all, &r);
    }
    auto set = [&](int bar, LONG lo, LONG hi, LONG page, LONG viewLo, LONG viewHi) {
      bool need = !maximised && (lo < viewLo || hi > viewHi);
      if (need) {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        si.nMin = lo;
        si.nMax = hi - 1;
        si.nPage = static_cast<UINT>(page);
        si.nPos = 0;
        ::SetScrollInfo(client, bar, &si, TRUE);
      }
      ::ShowScrollBar(client, bar, need);
    };
    set(SB_HORZ, all.left, all.right, view.right - view.left, view.left, view.right);
    set(SB_VERT, all.top, all.bottom, view.bottom - view.top, view.top, view.bottom);
  }
  FitMaximizedChild(client, st);
  st.updatingScrollBars = false;
}

void ScrollClient(HWND client, MDIClientState& st, int bar, int code) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  if (!::GetScrollInfo(client, bar, &si)) return;
  const std::optional<int> pos = pv::afx::ScrollRequestPosition(si, code, 16);
  if (!pos) return;
  int delta = *pos - si.nPos;
  if (!delta) return;
  ::ScrollWindowEx(client, bar == SB_HORZ ? -delta : 0, bar == SB_VERT ? -delta : 0, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  if (code != SB_THUMBTRACK) UpdateClientScrollBars(client, st);
}

void ActivateChild(HWND client, MDIClientState& st, HWND child) {
  PruneChildren(client, st);
  HWND old = st.active;
  if (child == old) {
    // Already active (a click inside it asks again): the focus stays on the
    // field it is in.
    HWND focus = ::GetFocus();
    if (child && (!focus || (focus != child && !::IsChild(child, focus)))) ::SetFocus(child);
    return;
  }
  st.active = child;
  // A maximised child hands its state on to the one activated after it.
  if (old && ::IsWindow(old) && ::IsZoomed(old) && child && !::IsZoomed(child)) {
    ::ShowWindow(child, SW_SHOWMAXIMIZED);
    ::ShowWindow(old, SW_RESTORE);
  }
  if (old && ::IsWindow(old)) {
    ::SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    ::SendMessage(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
  }
  if (child) {
    ::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Its caption looks active while the frame's does.
    WINDOWINFO fi{};
    fi.cbSize = sizeof(fi);
    HWND frame = ::GetParent(client);
    bool frameActive = frame && ::GetWindowInfo(frame, &fi) && (fi.dwWindowStatus & WS_ACTIVECAPTION);
    ::SendMessage(child, WM_NCACTIVATE, frameActive ? TRUE : FALSE, 0);
    ::SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old), reinterpret_cast<LPARAM>(child));
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(child, focus)) ::SetFocus(child);
  }
  RefreshWindowMenu(client, st);
  UpdateMaxDecoration(client, st);
  UpdateClientScrollBars(client, st);
}

// Cascade and tile, as Windows arranges document windows. The children
// taken are the visible, not minimised ones (with MDITILE_SKIPDISABLED the
// enabled ones), in z-order; a maximised one is restored first. Minimised
// children are lined up along the bottom first and the rest keep clear of
// their row.
void ArrangeChildren(HWND client, MDIClientState& st, bool cascade, UINT how) {
  PruneChildren(client, st);
  std::vector<HWND> taken;  // top first
  bool iconic = false;
  for (HWND h = ::GetWindow(client, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (std::find(st.children.begin(), st.children.end(), h) == st.children.end() || !::IsWindowVisible(h)) continue;
    if (::IsIconic(h)) {
      iconic = true;
      continue;
    }
    if ((how & MDITILE_SKIPDISABLED) && !::IsWindowEnabled(h)) continue;
    taken.push_back(h);
  }
  for (HWND h : taken)
    if (::IsZoomed(h)) ::ShowWindow(h, SW_RESTORE);
  if (iconic) ::ArrangeIconicWindows(client);
  RECT rc{};
  ::GetClientRect(client, &rc);
  if (iconic) rc.bottom = std::max<LONG>(rc.top + 1, rc.bottom - ::GetSystemMetrics(SM_CYMINSPACING));
  int n = static_cast<int>(taken.size());
  int cw = rc.right - rc.left, ch = rc.bottom - rc.top;
  if (cascade) {
    // Bottom window first at the top-left corner, each next one a caption
    // lower and to the right, the top one (the active child) last, in front.
    int step = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME) - 1;
    int places = std::max(1, ch / (3 * step));
    int cx = std::max(cw - places * step, ::GetSystemMetrics(SM_CXMINTRACK));
    int cy = std::max(ch - places * step, ::GetSystemMetrics(SM_CYMINTRACK));
    for (int i = 0; i < n; ++i) {
      HWND h = taken[static_cast<size_t>(n - 1 - i)];
      int at = step * (i % (places + 1));
      ::SetWindowPos(h, HWND_TOP, rc.left + at, rc.top + at, cx, cy, SWP_NOACTIVATE);
    }
  } else if (n > 0) {
    // A grid: columns of rows (MDITILE_HORIZONTAL: rows of columns), the
    // last column taking what is left.
    int rows = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
    int columns = n / rows;
    if (how & MDITILE_HORIZONTAL) std::swap(rows, columns);
    int xsize = cw / columns, x = rc.left, i = 0;
    for (int c = 1; c <= columns && i < n; ++c) {
      int inColumn = c == columns ? n - i : rows;
      int ysize = ch / inColumn, y = rc.top;
      for (int r = 1; r <= inColumn && i < n; ++r, ++i) {
        ::SetWindowPos(taken[static_cast<size_t>(i)], nullptr, x, y, c == columns ? rc.right - x : xsize,
                       r == inColumn ? rc.bottom - y : ysize, SWP_NOZORDER | SWP_NOACTIVATE);
        y += ysize;
      }
      x += xsize;
    }
  }
  UpdateMaxDecoration(client, st);
  UpdateClientScrollBars(client, st);
}

HWND NextChild(MDIClientState& st, HWND from, bool previous) {
  std::vector<HWND> order;
  for (HWND h : st.children)
    if (::IsWindowVisible(h)) order.push_back(h);
  if (order.empty()) return nullptr;
  auto it = std::find(order.begin(), order.end(), from);
  if (it == order.end()) return order.front();
  size_t i = static_cast<size_t>(it - order.begin()), n = order.size();
  return order[previous ? (i + n - 1) % n : (i + 1) % n];
}

LRESULT MDIClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<LPCREATESTRUCT>(lParam);
      MDIClientState st;
      if (auto* ccs = static_cast<CLIENTCREATESTRUCT*>(cs->lpCreateParams)) {
        st.windowMenu = static_cast<HMENU>(ccs->hWindowMenu);
        st.firstChild = ccs->idFirstChild;
      }
      Clients()[hwnd] = st;
      return 0;
    }
    case WM_NCDESTROY:
      if (auto it = Clients().find(hwnd); it != Clients().end()) RemoveMaxDecoration(it->second);
      Clients().erase(hwnd);
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
    default:
      break;
  }
  auto it = Clients().find(hwnd);
  if (it == Clients().end()) return ::DefWindowProc(hwnd, msg, wParam, lParam);
  MDIClientState& st = it->second;
  switch (msg) {
    case WM_MDICREATE: {
      auto* mcs = reinterpret_cast<LPMDICREATESTRUCT>(lParam);
      PruneChildren(hwnd, st);
      RECT client{};
      ::GetClientRect(hwnd, &client);
      int x = mcs->x, y = mcs->y, cx = mcs->cx, cy = mcs->cy;
      if (x == CW_USEDEFAULT) {
        // Cascade: each new child a caption lower.
        int step = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME);
        int n = st.cascadeStep++ % 8;
        x = y = n * step;
      }
      if (cx == CW_USEDEFAULT || cx <= 0) cx = std::max<int>(100, (client.right - client.left) * 3 / 4);
      if (cy == CW_USEDEFAULT || cy <= 0) cy = std::max<int>(80, (client.bottom - client.top) * 3 / 4);
      DWORD style = mcs->style | WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
      bool maximize = (style & WS_MAXIMIZE) != 0 || (st.active && ::IsZoomed(st.active));
      style &= ~(WS_MAXIMIZE | WS_VISIBLE);
      UINT id = st.firstChild + static_cast<UINT>(st.children.size());
      HWND child = ::CreateWindowEx(WS_EX_MDICHILD, mcs->szClass, mcs->szTitle, style, x, y, cx, cy, hwnd,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                    static_cast<HINSTANCE>(mcs->hOwner), mcs);
      if (!child) return 0;
      st.children.push_back(child);
      if (mcs->style & WS_VISIBLE || maximize) ::ShowWindow(child, maximize ? SW_SHOWMAXIMIZED : SW_SHOW);
      ActivateChild(hwnd, st, child);
      return reinterpret_cast<LRESULT>(child);
    }
    case WM_MDIDESTROY: {
      HWND child = reinterpret_cast<HWND>(wParam);
      if (child == st.active) {
        HWND next = NextChild(st, child, false);
        ActivateChild(hwnd, st, next == child ? nullptr : next);
      }
      if (st.decoratedFor == child) RemoveMaxDecoration(st);
      ::DestroyWindow(child);
      PruneChildren(hwnd, st);
      if (!st.active && !st.children.empty()) ActivateChild(hwnd, st, st.children.back());
      RefreshWindowMenu(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    }
    case WM_MDIACTIVATE:
      ActivateChild(hwnd, st, reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_MDIGETACTIVE:
      PruneChildren(hwnd, st);
      if (lParam) *reinterpret_cast<BOOL*>(lParam) = st.active && ::IsZoomed(st.active);
      return reinterpret_cast<LRESULT>(st.active);
    case WM_MDINEXT: {
      HWND from = wParam ? reinterpret_cast<HWND>(wParam) : st.active;
      ActivateChild(hwnd, st, NextChild(st, from, lParam != 0));
      return 0;
    }
    case WM_MDIMAXIMIZE:
      ::ShowWindow(reinterpret_cast<HWND>(wParam), SW_SHOWMAXIMIZED);
      UpdateMaxDecoration(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    case WM_MDIRESTORE:
      ::ShowWindow(reinterpret_cast<HWND>(wParam), SW_RESTORE);
      UpdateMaxDecoration(hwnd, st);
      UpdateClientScrollBars(hwnd, st);
      return 0;
    case kMdiChildMoved:
    case WM_SIZE:
      UpdateClientScrollBars(hwnd, st);
      return msg == WM_SIZE ? ::DefWindowProc(hwnd, msg, wParam, lParam) : 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollClient(hwnd, st, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
      return 0;
    case WM_MDICASCADE:
    case WM_MDITILE:
      ArrangeChildren(hwnd, st, msg == WM_MDICASCADE, static_cast<UINT>(wParam));
      return TRUE;
    case WM_MDIICONARRANGE:
      ::ArrangeIconicWindows(hwnd);
      return 0;
    case WM_MDISETMENU: {
      HWND frame = ::GetParent(hwnd);
      HMENU old = ::GetMenu(frame);
      if (wParam && reinterpret_cast<HMENU>(wParam) != old) RemoveMaxDecoration(st);
      if (wParam) ::SetMenu(frame, reinterpret_cast<HMENU>(wParam));
      if (lParam) {
        // Move the window list to the new window menu.
        HMENU oldWindowMenu = st.windowMenu;
        if (oldWindowMenu != reinterpret_cast<HMENU>(lParam) && oldWindowMenu && ::IsMenu(oldWindowMenu)) {
          std::vector<HWND> keep;
          st.windowMenu = oldWindowMenu;
          keep.swap(st.children);
          RefreshWindowMenu(hwnd, st);
          keep.swap(st.children);
        }
        st.windowMenu = reinterpret_cast<HMENU>(lParam);
      }
      RefreshWindowMenu(hwnd, st);
      UpdateMaxDecoration(hwnd, st);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_MDIREFRESHMENU:
      RefreshWindowMenu(hwnd, st);
      UpdateMaxDecoration(hwnd, st);
      return reinterpret_cast<LRESULT>(::GetMenu(::GetParent(hwnd)));
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_APPWORKSPACE));
      return 1;
    }
    case WM_SETFOCUS:
      if (st.active && ::IsWindow(st.active)) ::SetFocus(st.active);
      return 0;
    default:
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void PvRegisterMDIClientClass() {
  WNDCLASSW wc{};
  if (::GetClassInfo(nullptr, PV_MDICLIENT_CLASS, &wc)) return;
  wc.lpfnWndProc = &MDIClientProc;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = PV_MDICLIENT_CLASS;
  ::RegisterClass(&wc);
}

// ---- CMDIFrameWnd ------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_WM_SIZE()
ON_WM_DESTROY()
ON_COMMAND_EX(ID_WINDOW_ARRANGE, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_CASCADE, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
ON_COMMAND(ID_WINDOW_NEW, OnWindowNew)
END_MESSAGE_MAP()

BOOL CMDIFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  if (!CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext)) return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  return TRUE;
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext*) {
  CMenu* menu = nullptr;
  if (lpcs->hMenu) menu = CMenu::FromHandle(GetWindowMenuPopup(lpcs->hMenu));
  return CreateClient(lpcs, menu);
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, CMenu* pWindowMenu) {
  PvRegisterMDIClientClass();
  CLIENTCREATESTRUCT ccs{pWindowMenu ? static_cast<HANDLE>(pWindowMenu->m_hMenu) : nullptr, AFX_IDM_FIRST_MDICHILD};
  DWORD exStyle = WS_EX_CLIENTEDGE;
  m_hWndMDIClient = ::CreateWindowEx(
      exStyle, PV_MDICLIENT_CLASS, nullptr,
      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL, 0, 0, 0, 0, m_hWnd,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), AfxGetInstanceHandle(), &ccs);
  return m_hWndMDIClient != nullptr;
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU hMenuBar) {
  if (!hMenuBar) return nullptr;
  // The popup whose items include a window command, else the last but one
  // (the window menu sits before Help).
  int n = ::GetMenuItemCount(hMenuBar);
  for (int i = n - 1; i >= 0; --i) {
    HMENU sub = ::GetSubMenu(hMenuBar, i);
    if (!sub) continue;
    int m = ::GetMenuItemCount(sub);
    for (int j = 0; j < m; ++j) {
      UINT id = ::GetMenuItemID(sub, j);
      if (id >= ID_WINDOW_NEW && id <= ID_WINDOW_SPLIT) return sub;
    }
  }
  return nullptr;
}

void CMDIFrameWnd::OnDestroy() {
  m_hWndMDIClient = nullptr;
  CFrameWnd::OnDestroy();
}

void CMDIFrameWnd::OnSize(UINT nType, int, int) {
  // The client is laid out by RecalcLayout, never by the default procedure.
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CMDIFrameWnd::RecalcLayout(BOOL bNotify) { CFrameWnd::RecalcLayout(bNotify); }

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const {
  if (!m_hWndMDIClient) {
    if (pbMaximized) *pbMaximized = FALSE;
    return nullptr;
  }
  HWND h =
      reinterpret_cast<HWND>(::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(pbMaximized)));
  return dynamic_cast<CMDIChildWnd*>(FromHandlePermanent(h));
}

void CMDIFrameWnd::MDIActivate(CWnd* pWndActivate) {
  ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(HwndOf(pWndActivate)), 0);
}
void CMDIFrameWnd::MDIMaximize(CWnd* pWnd) {
  ::SendMessage(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(HwndOf(pWnd)), 0);
}
void CMDIFrameWnd::MDIRestore(CWnd* pWnd) {
  ::SendMessage(m_hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(HwndOf(pWnd)), 0);
}
void CMDIFrameWnd::MDINext() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 0); }
void CMDIFrameWnd::MDIPrev() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 1); }
void CMDIFrameWnd::MDICascade(int nType) {
  ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, static_cast<WPARAM>(nType), 0);
}
void CMDIFrameWnd::MDITile(int nType) { ::SendMessage(m_hWndMDIClient, WM_MDITILE, static_cast<WPARAM>(nType), 0); }
void CMDIFrameWnd::MDIIconArrange() { ::SendMessage(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0); }

CMenu* CMDIFrameWnd::MDISetMenu(CMenu* pFrameMenu, CMenu* pWindowMenu) {
  HMENU old = reinterpret_cast<HMENU>(::SendMessage(
      m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(pFrameMenu ? pFrameMenu->m_hMenu : nullptr),
      reinterpret_cast<LPARAM>(pWindowMenu ? pWindowMenu->m_hMenu : nullptr)));
  DrawMenuBar();
  return CMenu::FromHandle(old);
}

BOOL CMDIFrameWnd::CreateNewChild(CRuntimeClass* pClass, UINT nResource, HMENU hMenu, HACCEL hAccel) {
  auto* child = dynamic_cast<CMDIChildWnd*>(pClass->CreateObject());
  if (!child) return FALSE;
  child->SetHandles(hMenu, hAccel);
  if (!child->LoadFrame(nResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, this, nullptr)) return FALSE;
  child->InitialUpdateFrame(nullptr, TRUE);
  return TRUE;
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveDocument() : CFrameWnd::GetActiveDocument();
}

HACCEL CMDIFrameWnd::GetDefaultAccelerator() {
  CMDIChildWnd* child = MDIGetActive();
  if (child && child->m_hAccelTable) return child->m_hAccelTable;
  return m_hAccelTable;
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  BOOL maximized = FALSE;
  CMDIChildWnd* child = MDIGetActive(&maximized);
  CDocument* doc = child ? child->GetActiveDocument() : nullptr;
  if (bAddToTitle && child && doc) {
    CString name = doc->GetTitle();
    int saved = m_nWindow;
    m_nWindow = child->m_nWindow;
    UpdateFrameTitleForDocument(name);
    m_nWindow = saved;
  } else if (bAddToTitle && child) {
    CString title;
    child->GetWindowText(title);
    UpdateFrameTitleForDocument(title.IsEmpty() ? nullptr : static_cast<LPCTSTR>(title));
  } else {
    UpdateFrameTitleForDocument(nullptr);
  }
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (CFrameWnd::PreTranslateMessage(pMsg)) return TRUE;
  // The MDI keys come last, so that accelerators may take them, and not
  // while a modal window has disabled the frame.
  if ((pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) && m_hWndMDIClient && ::IsWindowEnabled(m_hWnd))
    return TranslateMDISysAccel(m_hWndMDIClient, pMsg);
  return FALSE;
}

BOOL TranslateMDISysAccel(HWND hWndClient, LPMSG lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  if (!hWndClient || !Clients().count(hWndClient)) return FALSE;
  if (!(::GetKeyState(VK_CONTROL) & 0x8000) || (::GetKeyState(VK_MENU) & 0x8000)) return FALSE;
  UINT vk = static_cast<UINT>(lpMsg->wParam);
  if (vk != VK_F4 && vk != VK_F6 && vk != VK_TAB) return FALSE;
  HWND active = reinterpret_cast<HWND>(::SendMessage(hWndClient, WM_MDIGETACTIVE, 0, 0));
  if (!active || !::IsWindowEnabled(active)) return FALSE;
  if (vk == VK_F4) {
    ::SendMessage(active, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    bool previous = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    ::SendMessage(hWndClient, WM_MDINEXT, reinterpret_cast<WPARAM>(active), previous ? 1 : 0);
  }
  return TRUE;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active child (its view, document, template, itself, the
  // application) first, then this frame.
  if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  if (lParam == 0 && id >= 0xF000) {
    // The system menu and caption buttons of a maximised child on the menu bar.
    BOOL maximized = FALSE;
    if (CMDIChildWnd* child = MDIGetActive(&maximized); child && maximized) {
      child->SendMessage(WM_SYSCOMMAND, id, 0);
      return TRUE;
    }
  }
  if (lParam == 0 && id >= AFX_IDM_FIRST_MDICHILD && id < AFX_IDM_FIRST_MDICHILD + 0x100 && m_hWndMDIClient) {
    // The window list: activate that child.
    HWND child = ::GetDlgItem(m_hWndMDIClient, static_cast<int>(id));
    if (child) {
      ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      return TRUE;
    }
  }
  return CFrameWnd::OnCommand(wParam, lParam);
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS && m_hWndMDIClient) {
    ::SetFocus(m_hWndMDIClient);
    return 0;
  }
  if (message == WM_NCACTIVATE && m_hWndMDIClient) {
    // The active document window's caption goes with the frame's, as Windows does.
    LRESULT r = CFrameWnd::DefWindowProc(message, wParam, lParam);
    if (HWND child = reinterpret_cast<HWND>(::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0)))
      ::SendMessage(child, WM_NCACTIVATE, wParam, 0);
    return r;
  }
  return CFrameWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID) {
  switch (nID) {
    case ID_WINDOW_ARRANGE:
      MDIIconArrange();
      break;
    case ID_WINDOW_CASCADE:
      MDICascade();
      break;
    case ID_WINDOW_TILE_HORZ:
      MDITile(MDITILE_HORIZONTAL);
      break;
    case ID_WINDOW_TILE_VERT:
      MDITile(MDITILE_VERTICAL);
      break;
    default:
      return FALSE;
  }
  return TRUE;
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) { pCmdUI->Enable(MDIGetActive() != nullptr); }

void CMDIFrameWnd::OnWindowNew() {
  CMDIChildWnd* active = MDIGetActive();
  CDocument* doc = active ? active->GetActiveDocument() : nullptr;
  if (!doc || !doc->GetDocTemplate()) {
    ::MessageBeep(0);
    return;
  }
  CFrameWnd* frame = doc->GetDocTemplate()->CreateNewFrame(doc, active);
  if (frame) doc->GetDocTemplate()->InitialUpdateFrame(frame, doc);
}

// ---- CMDIChildWnd ------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
ON_WM_MDIACTIVATE()
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_CHILDACTIVATE()
END_MESSAGE_MAP()

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) cs.lpszClass = AfxFrameOrViewClass();
  cs.style |= WS_CHILD;
  return TRUE;
}

BOOL CMDIChildWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CMDIFrameWnd* pParentWnd, CCreateContext* pContext) {
  if (!pParentWnd) pParentWnd = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  if (!pParentWnd || !pParentWnd->m_hWndMDIClient) {
    PostNcDestroy();  // callers count on a failed frame cleaning itself up
    return FALSE;
  }
  CREATESTRUCT cs{};
  cs.style = static_cast<LONG>(dwStyle & ~WS_MAXIMIZE);
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  if (rect.left == CW_USEDEFAULT) {
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  } else {
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
  }
  cs.hwndParent = pParentWnd->m_hWnd;
  cs.lpCreateParams = pContext;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  m_strTitle = lpszWindowName;
  MDICREATESTRUCT mcs{};
  mcs.szClass = cs.lpszClass;
  mcs.szTitle = cs.lpszName;
  mcs.hOwner = AfxGetInstanceHandle();
  mcs.x = cs.x;
  mcs.y = cs.y;
  mcs.cx = cs.cx;
  mcs.cy = cs.cy;
  mcs.style = static_cast<DWORD>(cs.style) | (dwStyle & WS_MAXIMIZE);
  mcs.lParam = reinterpret_cast<LPARAM>(cs.lpCreateParams);
  AfxHookWindowCreate(this);
  HWND h = reinterpret_cast<HWND>(
      ::SendMessage(pParentWnd->m_hWndMDIClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  if (!AfxUnhookWindowCreate() && !h) {
    PostNcDestroy();
    return FALSE;
  }
  if (h && !m_hWnd && ::IsWindow(h) && !FromHandlePermanent(h) && Attach(h))
    pv::afx::CreateHookAccess::Subclass(this, h);
  return h != nullptr;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString full;
  full.LoadString(nIDResource);
  int nl = full.Find(u'\n');
  m_strTitle = nl >= 0 ? full.Left(nl) : full;
  CString title = m_strTitle;
  if (!Create(nullptr, title, dwDefaultStyle, rectDefault, dynamic_cast<CMDIFrameWnd*>(pParentWnd), pContext))
    return FALSE;
  return TRUE;
}

int CMDIChildWnd::OnCreate(LPCREATESTRUCT lpcs) {
  // The creation data is the MDI record; the context rides in its lParam.
  auto* mcs = static_cast<LPMDICREATESTRUCT>(lpcs->lpCreateParams);
  auto* ctx = mcs ? reinterpret_cast<CCreateContext*>(mcs->lParam) : nullptr;
  if (!OnCreateClient(lpcs, ctx)) return -1;
  RecalcLayout();
  return 0;
}

void CMDIChildWnd::OnSize(UINT nType, int cx, int cy) {
  CFrameWnd::OnSize(nType, cx, cy);
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->DelayUpdateFrameTitle();
    // Maximised or back: the frame's menu bar shows or drops this child's buttons.
    if (nType == SIZE_MAXIMIZED || nType == SIZE_RESTORED || nType == SIZE_MINIMIZED)
      if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

void CMDIChildWnd::OnChildActivate() {
  if (CMDIFrameWnd* frame = GetMDIFrame())
    ::SendMessage(frame->m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  HWND client = ::GetParent(m_hWnd);
  return client ? dynamic_cast<CMDIFrameWnd*>(FromHandlePermanent(::GetParent(client))) : nullptr;
}

void CMDIChildWnd::MDIDestroy() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}
void CMDIChildWnd::MDIActivate() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}
void CMDIChildWnd::MDIMaximize() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}
void CMDIChildWnd::MDIRestore() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIRESTORE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CMDIChildWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND client = ::GetParent(m_hWnd);
  if (client && Clients().count(client)) {
    MDIDestroy();
    return TRUE;
  }
  return CWnd::DestroyWindow();
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
  BOOL visible = IsWindowVisible();
  if (nCmdShow == -1 || nCmdShow == SW_SHOWNORMAL) nCmdShow = visible ? -1 : SW_SHOW;
  if (nCmdShow != -1) ShowWindow(nCmdShow);
  MDIActivate();
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->DelayUpdateFrameTitle();
    if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* doc = GetActiveDocument();
  if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) && doc) {
    CString text = doc->GetTitle();
    if (m_nWindow > 0) {
      CString n;
      n.Format(u":%d", m_nWindow);
      text += n;
    }
    pv::afx::SetWindowTextIfChanged(m_hWnd, text);
  }
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    frame->OnUpdateFrameTitle(bAddToTitle);
    if (HWND client = frame->m_hWndMDIClient) ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
  }
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG*) {
  // The MDI frame translates with this child's accelerators.
  return FALSE;
}

BOOL CMDIChildWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHILDACTIVATE:
    case WM_MOUSEACTIVATE: {
      HWND client = ::GetParent(m_hWnd);
      if (client) ::SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
      return message == WM_MOUSEACTIVATE ? MA_ACTIVATE : 0;
    }
    case WM_CLOSE:
      MDIDestroy();
      return 0;
    case WM_SYSCOMMAND:
      // The system menu's Next (Ctrl+F6) passes on to the next document window.
      if ((wParam & 0xFFF0) == SC_NEXTWINDOW || (wParam & 0xFFF0) == SC_PREVWINDOW) {
        if (HWND client = ::GetParent(m_hWnd))
          ::SendMessage(client, WM_MDINEXT, reinterpret_cast<WPARAM>(m_hWnd), (wParam & 0xFFF0) == SC_PREVWINDOW);
        return 0;
      }
      return CFrameWnd::DefWindowProc(message, wParam, lParam);
    case WM_WINDOWPOSCHANGED: {
      LRESULT result = CFrameWnd::DefWindowProc(message, wParam, lParam);
      if (HWND client = ::GetParent(m_hWnd); client && Clients().count(client))
        ::SendMessage(client, kMdiChildMoved, 0, 0);
      return result;
    }
    case WM_SETTEXT: {
      // The window list shows the new title.
      LRESULT result = CFrameWnd::DefWindowProc(message, wParam, lParam);
      if (HWND client = ::GetParent(m_hWnd); client && Clients().count(client))
        ::SendMessage(client, WM_MDIREFRESHMENU, 0, 0);
      return result;
    }
    default:
      return CFrameWnd::DefWindowProc(message, wParam, lParam);
  }
}

void CMDIChildWnd::OnMDIActivate(BOOL bActivate, CWnd*, CWnd*) {
  CView* view = GetActiveView();
  if (view) view->OnActivateView(bActivate, view, view);
  CMDIFrameWnd* frame = GetMDIFrame();
  if (!frame) return;
  // The frame shows this child's menu while it is active.
  if (bActivate && m_hMenuShared) {
    ::SendMessage(frame->m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(m_hMenuShared),
                  reinterpret_cast<LPARAM>(frame->GetWindowMenuPopup(m_hMenuShared)));
  } else if (!bActivate && frame->m_hMenuDefault && !frame->MDIGetActive()) {
    ::SendMessage(frame->m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(frame->m_hMenuDefault),
                  reinterpret_cast<LPARAM>(frame->GetWindowMenuPopup(frame->m_hMenuDefault)));
  }
  frame->DelayUpdateFrameTitle();
  frame->OnUpdateFrameTitle(TRUE);
}
