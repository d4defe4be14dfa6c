// DefWindowProc: the default behaviour of every window, the default frame
// (caption, borders, system buttons, scroll bars) and its moving and sizing
// loops.
#include <algorithm>

#include "platform/gdi/syscolors.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {
LRESULT DefTextMessage(Wnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
void DefNcCalcSize(Wnd* w, RECT* rc);
int DefHitTest(Wnd* w, POINT pt);
void DrawMenuBar(Wnd* w, HDC hdc, const RECT& bar);
void DrawWindowScrollBars(Wnd* w, HDC hdc);
LRESULT ScrollBarNcMouse(Wnd* w, UINT msg, WPARAM hit, POINT pt);

namespace {

HBRUSH ResolveBrush(HBRUSH b) {
  ULONG_PTR v = reinterpret_cast<ULONG_PTR>(b);
  if (v > 0 && v <= PV_SYSCOLOR_COUNT) return GetSysColorBrush(static_cast<int>(v - 1));
  return b;
}

HFONT CaptionFont(bool small) {
  static HFONT normal = nullptr, tool = nullptr;
  HFONT& f = small ? tool : normal;
  if (!f) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    f = CreateFontIndirect(small ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
  }
  return f;
}

}  // namespace

void DrawNonClient(Wnd* w, HDC hdc) {
  RECT r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  if (RectEmpty(r)) return;
  // The state the last WM_NCACTIVATE gave (an MDI client activates its
  // children's frames that way; a synchronised mini frame shows its owner's).
  bool active = w->ncActive;
  // Leave the client area alone.
  RECT c = w->client;
  ExcludeClipRect(hdc, c.left, c.top, c.right, c.bottom);
  if (w->style & WS_THICKFRAME) {
    DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    int rest = GetSystemMetrics(SM_CXFRAME) - 2;
    HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    for (int i = 0; i < rest; ++i) {
      FrameRect(hdc, &r, border);
      InflateRect(&r, -1, -1);
    }
  } else if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    int rest = GetSystemMetrics(SM_CXDLGFRAME) - 2;
    for (int i = 0; i < rest; ++i) {
      FrameRect(hdc, &r, GetSysColorBrush(COLOR_BTNFACE));
      InflateRect(&r, -1, -1);
    }
  } else if (w->style & WS_BORDER) {
    FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    bool tool = (w->exStyle & WS_EX_TOOLWINDOW) != 0;
    int ch = tool ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    RECT cap{r.left, r.top, r.right, r.top + ch - 1};
    COLORREF c1 = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    COLORREF c2 = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    TRIVERTEX v[2] = {{cap.left, cap.top, static_cast<COLOR16>(GetRValue(c1) << 8),
                       static_cast<COLOR16>(GetGValue(c1) << 8), static_cast<COLOR16>(GetBValue(c1) << 8), 0},
                      {cap.right, cap.bottom, static_cast<COLOR16>(GetRValue(c2) << 8),
                       static_cast<COLOR16>(GetGValue(c2) << 8), static_cast<COLOR16>(GetBValue(c2) << 8), 0}};
    GRADIENT_RECT gr{0, 1};
    GradientFill(hdc, v, 2, &gr, 1, GRADIENT_FILL_RECT_H);
    RECT line{r.left, cap.bottom, r.right, cap.bottom + 1};
    FillRect(hdc, &line, GetSysColorBrush(COLOR_BTNFACE));
    RECT text = cap;
    text.left += 2;
    // System buttons, right to left.
    if (w->style & WS_SYSMENU) {
      int bw = (tool ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE)) - 2;
      int bh = ch - 5;
      RECT b{cap.right - 2 - bw, cap.top + 2, cap.right - 2, cap.top + 2 + bh};
      DrawFrameControl(hdc, &b, DFC_CAPTION, DFCS_CAPTIONCLOSE);
      text.right = b.left - 2;
      if (!tool && (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
        b = RectOffset(b, -(bw + 2), 0);
        DrawFrameControl(hdc, &b, DFC_CAPTION,
                         ((w->style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                             ((w->style & WS_MAXIMIZEBOX) ? 0 : DFCS_INACTIVE));
        b = RectOffset(b, -bw, 0);
        DrawFrameControl(hdc, &b, DFC_CAPTION,
                         ((w->style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN) |
                             ((w->style & WS_MINIMIZEBOX) ? 0 : DFCS_INACTIVE));
        text.right = b.left - 2;
      }
      if (!tool) {
        // The small icon, else the large one drawn small (a frame that set
        // only its program icon), else the class's, as Windows does.
        HICON icon = w->iconSmall ? w->iconSmall
                     : w->iconBig ? w->iconBig
                                  : (w->cls ? (w->cls->iconSm ? w->cls->iconSm : w->cls->icon) : nullptr);
        if (icon) {
          int is = GetSystemMetrics(SM_CXSMICON);
          DrawIconEx(hdc, cap.left + 2, cap.top + (ch - 1 - is) / 2, icon, is, is, 0, nullptr, DI_NORMAL);
          text.left += is + 2;
        }
      }
    }
    if (!w->text.empty()) {
      HGDIOBJ oldFont = SelectObject(hdc, CaptionFont(tool));
      SetBkMode(hdc, TRANSPARENT);
      SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
      DrawText(hdc, w->text.c_str(), static_cast<int>(w->text.size()), &text,
               DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
      SelectObject(hdc, oldFont);
    }
    r.top += ch;
  }
  if (!(w->style & WS_CHILD) && w->menu) {
    int mh = MenuBarHeight(w);
    RECT bar{r.left, r.top, r.right, r.top + mh};
    DrawMenuBar(w, hdc, bar);
    r.top += mh;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (w->exStyle & WS_EX_STATICEDGE) DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  DrawWindowScrollBars(w, hdc);
}

// ---- moving and sizing ----------------------------------------------------------------------------
namespace {

void MoveSizeLoop(HWND hwnd, WPARAM sysCommand, POINT start) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w || (w->style & WS_MAXIMIZE && (sysCommand & 0xFFF0) == SC_SIZE)) return;
  int hit = static_cast<int>(sysCommand & 0x000F);
  bool moving = (sysCommand & 0xFFF0) == SC_MOVE;
  if (HooksInstalled(WH_CBT)) {
    RECT r = ScreenRect(w);
    if (CallHooks(WH_CBT, HCBT_MOVESIZE, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&r))) return;
  }
  // sysCommand low bits carry the edge (SC_SIZE + WMSZ_*) as the system sets them
  static const int edgeToHit[] = {0,          HTLEFT,   HTRIGHT,      HTTOP,        HTTOPLEFT,
                                  HTTOPRIGHT, HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT};
  int edge = moving ? 0 : (hit >= 1 && hit <= 8 ? edgeToHit[hit] : HTBOTTOMRIGHT);
  RECT orig = w->rect;
  Ui().input.moveSizeWnd = hwnd;
  Send(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  SetCapture(hwnd);
  bool cancelled = false;
  for (;;) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      if (m.lParam != PV_DRY_CANCEL) PostQuitMessage(static_cast<int>(m.wParam));
      cancelled = true;
      break;
    }
    if (CallMsgFilter(&m, MSGF_MAX)) continue;
    if (GetCapture() != hwnd || !IsWindow(hwnd)) {
      cancelled = true;
      break;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      cancelled = true;
      break;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_RETURN) break;
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_MOUSEMOVE) {
      int dx = m.pt.x - start.x, dy = m.pt.y - start.y;
      RECT r = orig;
      if (moving) {
        r = RectOffset(orig, dx, dy);
        Send(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      } else {
        if (edge == HTLEFT || edge == HTTOPLEFT || edge == HTBOTTOMLEFT) r.left += dx;
        if (edge == HTRIGHT || edge == HTTOPRIGHT || edge == HTBOTTOMRIGHT) r.right += dx;
        if (edge == HTTOP || edge == HTTOPLEFT || edge == HTTOPRIGHT) r.top += dy;
        if (edge == HTBOTTOM || edge == HTBOTTOMLEFT || edge == HTBOTTOMRIGHT) r.bottom += dy;
        Send(hwnd, WM_SIZING, static_cast<WPARAM>(hit ? hit : 8), reinterpret_cast<LPARAM>(&r));
      }
      if (!IsWindow(hwnd)) break;
      SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (moving ? SWP_NOSIZE : 0));
      continue;
    }
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (cancelled && IsWindow(hwnd))
    SetWindowPos(hwnd, nullptr, orig.left, orig.top, orig.right - orig.left, orig.bottom - orig.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  Ui().input.moveSizeWnd = nullptr;
  if (IsWindow(hwnd)) Send(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

void TrackSysButton(HWND hwnd, int hit) {
  // Press-and-release on a caption button: the command runs if the button is
  // released over the same button.
  SetCapture(hwnd);
  bool fire = false;
  for (;;) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      if (m.lParam != PV_DRY_CANCEL) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (GetCapture() != hwnd) break;
    if (m.message == WM_LBUTTONUP) {
      Wnd* w = FromHandleQuiet(hwnd);
      fire = w && DefHitTest(w, m.pt) == hit;
      break;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) break;
    if (m.message == WM_MOUSEMOVE) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!fire || !IsWindow(hwnd)) return;
  Wnd* w = FromHandleQuiet(hwnd);
  WPARAM cmd = 0;
  switch (hit) {
    case HTCLOSE:
      cmd = SC_CLOSE;
      break;
    case HTMINBUTTON:
      cmd = (w->style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE;
      break;
    case HTMAXBUTTON:
      cmd = (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
      break;
  }
  if (cmd) SendMessage(hwnd, WM_SYSCOMMAND, cmd, MAKELPARAM(Ui().input.cursorPos.x, Ui().input.cursorPos.y));
}

// The window menu under the caption's left end (or at a given screen point);
// the choice comes back as WM_SYSCOMMAND.
void ShowSystemMenu(HWND hwnd, const POINT* at = nullptr) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  HMENU sys = GetSystemMenu(hwnd, FALSE);
  RECT r = ScreenRect(w);
  int frame = NcFrameInsets(w->style & ~static_cast<DWORD>(WS_CAPTION & ~WS_DLGFRAME & ~WS_BORDER), 0, false).left;
  int caption = (w->exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  POINT pt = at ? *at : POINT{r.left + frame, r.top + frame + caption};
  TrackPopupMenuEx(sys, TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, hwnd, nullptr);
}

}  // namespace

void UpdateSystemMenuStates(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w || !w->sysMenu) return;
  HMENU sys = w->sysMenu;
  bool minimized = (w->style & WS_MINIMIZE) != 0, maximized = (w->style & WS_MAXIMIZE) != 0;
  auto state = [](bool on) { return on ? MF_ENABLED : MF_GRAYED; };
  EnableMenuItem(sys, SC_RESTORE, state(minimized || maximized));
  EnableMenuItem(sys, SC_MOVE, state(!maximized));
  EnableMenuItem(sys, SC_SIZE, state(!minimized && !maximized && (w->style & WS_THICKFRAME)));
  EnableMenuItem(sys, SC_MINIMIZE, state(!minimized && (w->style & WS_MINIMIZEBOX)));
  EnableMenuItem(sys, SC_MAXIMIZE, state(!maximized && (w->style & WS_MAXIMIZEBOX)));
}

namespace {

LRESULT DefSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return 0;
  if (HooksInstalled(WH_CBT) && CallHooks(WH_CBT, HCBT_SYSCOMMAND, wParam, lParam)) return 0;
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      if (w->cls && (w->cls->style & CS_NOCLOSE)) return 0;
      SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
    case SC_MOVE:
    case SC_SIZE: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (lParam == 0) pt = Ui().input.cursorPos;
      MoveSizeLoop(hwnd, wParam, pt);
      return 0;
    }
    case SC_KEYMENU:
    case SC_MOUSEMENU: {
      Wnd* top = TopLevelOf(w);
      if (top && (wParam & 0xFFF0) == SC_KEYMENU && lParam == u' ' && (top->style & WS_SYSMENU)) {
        ShowSystemMenu(top->hwnd);
        return 0;
      }
      if (!top || !top->menu) return 0;
      int start = -1;
      if ((wParam & 0xFFF0) == SC_KEYMENU && lParam) {
        // Alt+letter: the bar item with that mnemonic.
        WCHAR ch = static_cast<WCHAR>(lParam);
        if (ch >= u'a' && ch <= u'z') ch = static_cast<WCHAR>(ch - 32);
        int n = GetMenuItemCount(top->menu);
        for (int i = 0; i < n && start < 0; ++i) {
          WCHAR text[256];
          int len = GetMenuString(top->menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
          for (int k = 0; k + 1 < len; ++k)
            if (text[k] == u'&' && text[k + 1] != u'&') {
              WCHAR c = text[k + 1];
              if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - 32);
              if (c == ch) start = i;
              break;
            }
        }
        if (start < 0) {
          MessageBeep(0);
          return 0;
        }
      }
      TrackMenuBar(top->hwnd, start, (wParam & 0xFFF0) == SC_KEYMENU);
      return 0;
    }
    case SC_NEXTWINDOW:
    case SC_PREVWINDOW:
    case SC_TASKLIST:
    case SC_SCREENSAVE:
    case SC_HOTKEY:
    case SC_CONTEXTHELP:
    case SC_ARRANGE:
    case SC_VSCROLL:
    case SC_HSCROLL:
      return 0;
  }
  return 0;
}

}  // namespace
}  // namespace pv::wm

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        const WCHAR* p = cs->lpszName;
        size_t n = 0;
        while (p[n]) ++n;
        SetWndText(w, std::u16string(p, n));
      }
      if (w->style & (WS_HSCROLL | WS_VSCROLL)) {
        w->hscrollShown = (w->style & WS_HSCROLL) != 0;
        w->vscrollShown = (w->style & WS_VSCROLL) != 0;
      }
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* rc = reinterpret_cast<RECT*>(lParam);
      if (rc) DefNcCalcSize(w, rc);
      return 0;
    }
    case WM_NCHITTEST:
      return DefHitTest(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT: {
      HDC hdc = GetWindowDC(hwnd);
      if (hdc) {
        DrawNonClient(w, hdc);
        ReleaseDC(hwnd, hdc);
      }
      return 0;
    }
    case WM_NCACTIVATE: {
      if ((w->style & WS_CAPTION) == WS_CAPTION || w->menu) {
        w->ncActive = wParam != FALSE;
        HDC hdc = GetWindowDC(hwnd);
        if (hdc) {
          DrawNonClient(w, hdc);
          ReleaseDC(hwnd, hdc);
        }
      }
      w->ncActive = wParam != FALSE;
      return TRUE;
    }
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return DefTextMessage(w, msg, wParam, lParam);
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_QUERYOPEN:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH b = ResolveBrush(w->cls ? w->cls->brush : nullptr);
      if (!b) return 0;
      RECT rc{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
      HDC hdc = reinterpret_cast<HDC>(wParam);
      if (Mirrored(w)) {
        // a mirrored DC maps this rectangle onto itself
      }
      FillRect(hdc, &rc, b);
      return 1;
    }
    case WM_PRINT: {
      HDC hdc = reinterpret_cast<HDC>(wParam);
      if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return 0;
      int saved = SaveDC(hdc);
      if (lParam & PRF_NONCLIENT) DrawNonClient(w, hdc);
      RestoreDC(hdc, saved);
      saved = SaveDC(hdc);
      if (lParam & PRF_NONCLIENT) OffsetViewportOrgEx(hdc, w->client.left, w->client.top, nullptr);
      IntersectClipRect(hdc, 0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top);
      if (lParam & PRF_ERASEBKGND) SendMessage(hwnd, WM_ERASEBKGND, wParam, 0);
      if (lParam & PRF_CLIENT) SendMessage(hwnd, WM_PRINTCLIENT, wParam, lParam);
      if ((lParam & PRF_CHILDREN) && FromHandleQuiet(hwnd)) {
        std::vector<HWND> kids;
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) kids.push_back((*it)->hwnd);
        for (HWND k : kids) {
          Wnd* c = FromHandleQuiet(k);
          if (!c || !(c->style & WS_VISIBLE)) continue;
          int s2 = SaveDC(hdc);
          RECT cr = c->rect;
          OffsetViewportOrgEx(hdc, cr.left, cr.top, nullptr);
          IntersectClipRect(hdc, 0, 0, cr.right - cr.left, cr.bottom - cr.top);
          SendMessage(k, WM_PRINT, wParam, (lParam | PRF_NONCLIENT) & ~PRF_CHECKVISIBLE);
          RestoreDC(hdc, s2);
        }
      }
      RestoreDC(hdc, saved);
      return 0;
    }
    case WM_SETREDRAW:
      w->redrawOff = wParam == FALSE;
      if (!w->redrawOff) SetPaintPending(w);
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (wp && !(wp->flags & SWP_NOSIZE) && !(w->style & WS_MINIMIZE) &&
          ((w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)))) {
        MINMAXINFO mmi{};
        mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
        mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        if (!(w->style & WS_MAXIMIZE)) {
          wp->cx = std::clamp<int>(wp->cx, std::min(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x), mmi.ptMaxTrackSize.x);
          wp->cy = std::clamp<int>(wp->cy, std::min(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y), mmi.ptMaxTrackSize.y);
        }
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOCLIENTMOVE)) {
        POINT org{w->rect.left + w->client.left, w->rect.top + w->client.top};
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(org.x, org.y));
      }
      w = FromHandleQuiet(hwnd);
      if (!w) return 0;
      if (!(wp->flags & SWP_NOCLIENTSIZE)) {
        WPARAM type = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, type,
                    MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
      }
      return 0;
    }
    case WM_GETMINMAXINFO:
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && Ui().input.active == hwnd) SetFocus(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop()) {
        LRESULT r = SendMessage(w->parent->hwnd, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return (LOWORD(lParam) == HTCAPTION && HIWORD(lParam) == WM_LBUTTONDOWN) ? MA_ACTIVATE : MA_ACTIVATE;
    case WM_SETCURSOR: {
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop()) {
        if (SendMessage(w->parent->hwnd, WM_SETCURSOR, wParam, lParam)) return TRUE;
        w = FromHandleQuiet(hwnd);
        if (!w) return FALSE;
      }
      short hit = static_cast<short>(LOWORD(lParam));
      if (hit == HTERROR) {
        if (HIWORD(lParam) == WM_LBUTTONDOWN || HIWORD(lParam) == WM_RBUTTONDOWN || HIWORD(lParam) == WM_MBUTTONDOWN)
          MessageBeep(0);
        return FALSE;
      }
      LPCWSTR id = nullptr;
      switch (hit) {
        case HTCLIENT:
          if (w->cls && w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
          }
          return FALSE;
        case HTLEFT:
        case HTRIGHT:
          id = IDC_SIZEWE;
          break;
        case HTTOP:
        case HTBOTTOM:
          id = IDC_SIZENS;
          break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
          id = IDC_SIZENWSE;
          break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
          id = IDC_SIZENESW;
          break;
        default:
          id = IDC_ARROW;
          break;
      }
      SetCursor(LoadCursor(nullptr, id));
      return TRUE;
    }
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_APPCOMMAND:
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop())
        return SendMessage(w->parent->hwnd, msg, wParam, lParam);
      if (msg == WM_CONTEXTMENU && (w->style & WS_SYSMENU) && w->menu == nullptr) return 0;
      return 0;
    case WM_HELP:
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop())
        return SendMessage(w->parent->hwnd, msg, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &pt);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(pt.x, pt.y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      if (wParam == HTCAPTION || wParam == HTSYSMENU)
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 0;
    case WM_NCLBUTTONDOWN: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      switch (static_cast<int>(wParam)) {
        case HTCAPTION:
          if (!(w->style & WS_MAXIMIZE)) SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
          return 0;
        case HTLEFT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 1, lParam);
          return 0;
        case HTRIGHT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 2, lParam);
          return 0;
        case HTTOP:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 3, lParam);
          return 0;
        case HTTOPLEFT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 4, lParam);
          return 0;
        case HTTOPRIGHT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 5, lParam);
          return 0;
        case HTBOTTOM:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 6, lParam);
          return 0;
        case HTBOTTOMLEFT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 7, lParam);
          return 0;
        case HTBOTTOMRIGHT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | 8, lParam);
          return 0;
        case HTCLOSE:
        case HTMINBUTTON:
        case HTMAXBUTTON:
          TrackSysButton(hwnd, static_cast<int>(wParam));
          return 0;
        case HTMENU:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU | HTMENU, lParam);
          return 0;
        case HTSYSMENU:
          if (w->style & WS_SYSMENU) ShowSystemMenu(hwnd);
          return 0;
        case HTVSCROLL:
        case HTHSCROLL:
          return ScrollBarNcMouse(w, msg, wParam, pt);
      }
      return 0;
    }
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
        SendMessage(hwnd, WM_SYSCOMMAND, (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      else if (wParam == HTSYSMENU && (w->style & WS_SYSMENU)) SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      else if (wParam == HTVSCROLL || wParam == HTHSCROLL)
        return ScrollBarNcMouse(w, WM_NCLBUTTONDOWN, wParam, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_SYSCOMMAND:
      return DefSysCommand(hwnd, wParam, lParam);
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_CHAR:
      return DefImeMessage(hwnd, msg, wParam, lParam);
    case WM_POPUPSYSTEMMENU:
      if (w->style & WS_SYSMENU) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ShowSystemMenu(hwnd, &at);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_APPS) SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
        // Shift+F10 asks for the context menu, at the keyboard's place (-1).
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
        return 0;
      }
      if (HIWORD(lParam) & KF_ALTDOWN) {
        if (wParam == VK_F4) {
          Wnd* top = TopLevelOf(w);
          if (top) PostMessage(top->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
      } else if (wParam == VK_F10) {
        Wnd* top = TopLevelOf(w);
        if (top && top->menu) SendMessage(top->hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      return 0;
    case WM_SYSKEYUP:
      return 0;
    case WM_SYSCHAR:
      if (wParam == VK_SPACE) {
        Wnd* top = TopLevelOf(w);
        if (top && (top->style & WS_SYSMENU)) SendMessage(top->hwnd, WM_SYSCOMMAND, SC_KEYMENU, u' ');
        return 0;
      }
      if (wParam != VK_RETURN && wParam != VK_ESCAPE) {
        Wnd* top = TopLevelOf(w);
        if (top && top->menu) SendMessage(top->hwnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
        else MessageBeep(0);
      }
      return 0;
    case WM_CANCELMODE:
      if (Ui().input.capture == hwnd) ReleaseCapture();
      if (Ui().input.inMenuMode) EndMenu();
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC hdc = reinterpret_cast<HDC>(wParam);
      if (msg == WM_CTLCOLORSCROLLBAR) {
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(hdc, GetSysColor(COLOR_SCROLLBAR));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_SCROLLBAR));
      }
      SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
      if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
        SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      SetBkColor(hdc, GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
    }
    case WM_GETICON:
      if (wParam == ICON_BIG) return reinterpret_cast<LRESULT>(w->iconBig);
      return reinterpret_cast<LRESULT>(w->iconSmall ? w->iconSmall : (wParam == ICON_SMALL2 ? w->iconBig : nullptr));
    case WM_SETICON: {
      HICON old;
      if (wParam == ICON_BIG) {
        old = w->iconBig;
        w->iconBig = reinterpret_cast<HICON>(lParam);
      } else {
        old = w->iconSmall;
        w->iconSmall = reinterpret_cast<HICON>(lParam);
      }
      if ((w->style & WS_CAPTION) == WS_CAPTION) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      if (Wnd* t = FromHandleQuiet(hwnd); t && IsTopLevel(t)) ActiveBackend().WindowIconChanged(t);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_CHANGEUISTATE: {
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop())
        return SendMessage(w->parent->hwnd, msg, wParam, lParam);
      SendMessage(hwnd, WM_UPDATEUISTATE, wParam, lParam);
      return 0;
    }
    case WM_UPDATEUISTATE: {
      WORD action = LOWORD(wParam), bits = HIWORD(wParam);
      if (action == UIS_SET) w->uiState |= bits;
      else if (action == UIS_CLEAR) w->uiState &= ~bits;
      else if (action == UIS_INITIALIZE) w->uiState = Ui().system.keyboardCues ? 0 : (UISF_HIDEFOCUS | UISF_HIDEACCEL);
      std::vector<HWND> kids;
      for (Wnd* c : w->children) kids.push_back(c->hwnd);
      for (HWND k : kids) SendMessage(k, WM_UPDATEUISTATE, wParam, lParam);
      return 0;
    }
    case WM_QUERYUISTATE:
      return w->uiState;
    case WM_GETFONT:
      return 0;
    case WM_GETDLGCODE:
      return 0;
    case WM_NOTIFYFORMAT:
      return 2;  // NFR_UNICODE
    case WM_GETOBJECT:
      return 0;
    case WM_DROPFILES:
      return 0;
    case WM_GETHOTKEY:
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(w->cls ? w->cls->icon : nullptr);
    case WM_SHOWWINDOW:
      return 0;
    case WM_PARENTNOTIFY:
      return 0;
    case WM_NCDESTROY:
      return 0;
    case WM_NCMOUSEMOVE:
      return 0;
    case WM_NCLBUTTONUP:
      return 0;
  }
  return 0;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, msg, wParam, lParam);
}
