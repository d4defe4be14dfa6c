// Buttons (push, check, radio, 3-state, group box, owner-draw) and statics.
#include <memory>
#include <string>

#include "platform/controls/ctl_internal.h"
#include "platform/framework/afxdlg.h"

namespace pv::controls {
namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;  // drawn pressed
  bool focused = false;
  bool tracking = false;  // mouse or space pressed on it
  HFONT font = nullptr;
  HANDLE image = nullptr;
};

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }
UINT Type(HWND h) { return Style(h) & BS_TYPEMASK; }
bool IsCheck(UINT t) { return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE; }
bool IsRadio(UINT t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }

std::u16string Text(HWND h) {
  int n = ::GetWindowTextLength(h);
  std::u16string t(static_cast<size_t>(n) + 1, u'\0');
  ::DefWindowProc(h, WM_GETTEXT, t.size(), reinterpret_cast<LPARAM>(t.data()));
  t.resize(static_cast<size_t>(n));
  return t;
}

// Auto buttons change their own state when clicked, before BN_CLICKED.
void Clicked(HWND h, ButtonState* s) {
  UINT t = Type(h);
  if (t == BS_AUTOCHECKBOX) ::SendMessage(h, BM_SETCHECK, s->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  else if (t == BS_AUTO3STATE) ::SendMessage(h, BM_SETCHECK, (s->check + 1) % 3, 0);
  else if (t == BS_AUTORADIOBUTTON) {
    // The other auto radio buttons of the group turn off.
    HWND parent = ::GetParent(h);
    // The dialog manager's group walk (creation order, WS_GROUP bounds).
    if (parent) {
      int guard = 0;
      for (HWND c = ::GetNextDlgGroupItem(parent, h, FALSE); c && c != h && guard < 4096;
           c = ::GetNextDlgGroupItem(parent, c, FALSE), ++guard) {
        WCHAR cls[16] = {};
        ::GetClassName(c, cls, 16);
        if (std::u16string_view(cls) == u"Button" &&
            (::GetWindowLong(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
          ::SendMessage(c, BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
    ::SendMessage(h, BM_SETCHECK, BST_CHECKED, 0);
  }
  NotifyParent(h, BN_CLICKED);
}

void Paint(HWND h, ButtonState* s, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  UINT t = Type(h);
  bool enabled = ::IsWindowEnabled(h);
  HWND parent = ::GetParent(h);
  if (t == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (s->pushed ? ODS_SELECTED : 0) | (s->focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    dis.hwndItem = h;
    dis.hDC = dc;
    dis.rcItem = rc;
    if (parent) ::SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    if (!given) ::EndPaint(h, &ps);
    return;
  }
  HGDIOBJ oldFont = ::SelectObject(dc, FontOr(s->font));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  HBRUSH br = parent ? reinterpret_cast<HBRUSH>(::SendMessage(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(h)))
                     : nullptr;
  if (!br) br = ::GetSysColorBrush(COLOR_BTNFACE);
  std::u16string text = Text(h);
  UINT fmt = DT_SINGLELINE | DT_VCENTER;
  if (!enabled) ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  bool pushLike = t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || (Style(h) & BS_PUSHLIKE);
  if (t == BS_GROUPBOX) {
    // Only the frame and the caption: the inside belongs to the controls the
    // box frames, which may be created before or after it.
    SIZE sz{};
    ::GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &sz);
    RECT frame{rc.left, rc.top + sz.cy / 2, rc.right, rc.bottom};
    ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
      RECT tr{rc.left + 8, rc.top, rc.left + 8 + sz.cx + 4, rc.top + sz.cy};
      ::FillRect(dc, &tr, br);
      ::TextOut(dc, tr.left + 2, tr.top, text.c_str(), static_cast<int>(text.size()));
    }
  } else if (pushLike) {
    bool down = s->pushed || ((Style(h) & BS_PUSHLIKE) && s->check == BST_CHECKED);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = rc;
    if (t == BS_DEFPUSHBUTTON) {
      ::FrameRect(dc, &edge, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
      ::InflateRect(&edge, -1, -1);
    }
    ::DrawEdge(dc, &edge, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
    RECT tr = edge;
    if (down) ::OffsetRect(&tr, 1, 1);
    ::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr, fmt | DT_CENTER);
    if (s->focused) {
      RECT f = edge;
      ::InflateRect(&f, -3, -3);
      ::DrawFocusRect(dc, &f);
    }
  } else {
    ::FillRect(dc, &rc, br);
    int box = 13;
    bool left = (Style(h) & BS_LEFTTEXT) != 0;
    RECT b{left ? rc.right - box : rc.left, (rc.top + rc.bottom - box) / 2, 0, 0};
    b.right = b.left + box;
    b.bottom = b.top + box;
    UINT state = IsRadio(t)                               ? DFCS_BUTTONRADIO
                 : (t == BS_3STATE || t == BS_AUTO3STATE) ? DFCS_BUTTON3STATE
                                                          : DFCS_BUTTONCHECK;
    if (s->check == BST_CHECKED || s->check == BST_INDETERMINATE) state |= DFCS_CHECKED;
    if (s->pushed) state |= DFCS_PUSHED;
    if (!enabled) state |= DFCS_INACTIVE;
    ::DrawFrameControl(dc, &b, DFC_BUTTON, state);
    RECT tr{left ? rc.left : b.right + 4, rc.top, left ? b.left - 4 : rc.right, rc.bottom};
    RECT calc = tr;
    ::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr, fmt);
    if (s->focused && !text.empty()) {
      ::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &calc, fmt | DT_CALCRECT);
      int hgt = calc.bottom - calc.top;
      RECT f{calc.left - 1, (rc.top + rc.bottom - hgt) / 2 - 1, calc.right + 1, (rc.top + rc.bottom + hgt) / 2 + 1};
      ::DrawFocusRect(dc, &f);
    }
  }
  ::SelectObject(dc, oldFont);
  if (!given) ::EndPaint(h, &ps);
}

void SetPushed(HWND h, ButtonState* s, bool down) {
  if (s->pushed == down) return;
  s->pushed = down;
  ::InvalidateRect(h, nullptr, FALSE);
  if (Style(h) & BS_NOTIFY) NotifyParent(h, down ? BN_HILITE : BN_UNHILITE);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<ButtonState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE:
      SetState(h, new ButtonState);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<ButtonState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCHITTEST:
      // A group box frames other controls, which usually lie below it in
      // the z-order: the mouse goes through it to them.
      if (Type(h) == BS_GROUPBOX) return HTTRANSPARENT;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE: {
      UINT t = Type(h);
      if (t == BS_GROUPBOX) return DLGC_STATIC;
      if (IsRadio(t)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (t == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (t == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      LRESULT r = ::DefWindowProc(h, msg, wp, lp);
      ::InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      Paint(h, s, msg == WM_PRINTCLIENT ? reinterpret_cast<HDC>(wp) : nullptr);
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      ::InvalidateRect(h, nullptr, FALSE);
      if (Style(h) & BS_NOTIFY) NotifyParent(h, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      if (s->tracking) {
        s->tracking = false;
        SetPushed(h, s, false);
        if (::GetCapture() == h) ::ReleaseCapture();
      }
      ::InvalidateRect(h, nullptr, FALSE);
      if (Style(h) & BS_NOTIFY) NotifyParent(h, BN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (Type(h) == BS_GROUPBOX) return 0;
      if (IsRadio(Type(h)) || (Style(h) & BS_NOTIFY) || Type(h) == BS_OWNERDRAW) {
        NotifyParent(h, BN_DOUBLECLICKED);
        return 0;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (Type(h) == BS_GROUPBOX) return 0;
      if (::GetFocus() != h) ::SetFocus(h);
      s->tracking = true;
      ::SetCapture(h);
      SetPushed(h, s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (s->tracking && ::GetCapture() == h) {
        RECT rc;
        ::GetClientRect(h, &rc);
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        SetPushed(h, s, ::PtInRect(&rc, p) != 0);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->tracking) {
        s->tracking = false;
        bool inside = s->pushed;
        SetPushed(h, s, false);
        if (::GetCapture() == h) ::ReleaseCapture();
        if (inside) Clicked(h, s);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->tracking) {
        s->tracking = false;
        SetPushed(h, s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE && !s->tracking) {
        s->tracking = true;
        SetPushed(h, s, true);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE && s->tracking) {
        s->tracking = false;
        SetPushed(h, s, false);
        Clicked(h, s);
      }
      return 0;
    case WM_CHAR:
      return 0;
    case BM_GETCHECK:
      return (IsCheck(Type(h)) || IsRadio(Type(h)) || (Style(h) & BS_PUSHLIKE)) ? s->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      UINT t = Type(h);
      if (!IsCheck(t) && !IsRadio(t)) return 0;
      UINT v = static_cast<UINT>(wp);
      if (v == BST_INDETERMINATE && !(t == BS_3STATE || t == BS_AUTO3STATE)) v = BST_CHECKED;
      if (v > BST_INDETERMINATE) v = BST_CHECKED;
      if (s->check != v) {
        s->check = v;
        ::InvalidateRect(h, nullptr, FALSE);
      }
      // A checked auto radio button becomes the group's tab stop.
      if (t == BS_AUTORADIOBUTTON) {
        LONG st = ::GetWindowLong(h, GWL_STYLE);
        ::SetWindowLong(h, GWL_STYLE, v == BST_CHECKED ? (st | WS_TABSTOP) : (st & ~WS_TABSTOP));
      }
      return 0;
    }
    case BM_GETSTATE:
      return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(h, s, wp != 0);
      return 0;
    case BM_SETSTYLE: {
      LONG st = ::GetWindowLong(h, GWL_STYLE);
      ::SetWindowLong(h, GWL_STYLE, (st & ~0xFFFF) | static_cast<LONG>(wp & 0xFFFF));
      if (LOWORD(lp)) ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (!::IsWindowEnabled(h)) return 0;
      SetPushed(h, s, true);
      SetPushed(h, s, false);
      Clicked(h, s);
      return 0;
    case BM_SETIMAGE: {
      HANDLE old = s->image;
      s->image = reinterpret_cast<HANDLE>(lp);
      ::InvalidateRect(h, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
      return reinterpret_cast<LRESULT>(s->image);
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

// ---- static ----
namespace {
struct StaticState {
  HFONT font = nullptr;
  HANDLE image = nullptr;
};
}  // namespace

LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<StaticState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  DWORD style = static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE));
  UINT type = style & SS_TYPEMASK;
  switch (msg) {
    case WM_NCCREATE:
      SetState(h, new StaticState);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<StaticState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCHITTEST:
      // Statics let the mouse through to the parent unless they notify.
      return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      LRESULT r = ::DefWindowProc(h, msg, wp, lp);
      ::InvalidateRect(h, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      ::InvalidateRect(h, nullptr, TRUE);
      if (style & SS_NOTIFY) NotifyParent(h, wp ? STN_ENABLE : STN_DISABLE);
      return 0;
    case WM_LBUTTONDOWN:
      if (style & SS_NOTIFY) NotifyParent(h, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (style & SS_NOTIFY) NotifyParent(h, STN_DBLCLK);
      return 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
      HANDLE old = s->image;
      s->image = msg == STM_SETICON ? reinterpret_cast<HANDLE>(wp) : reinterpret_cast<HANDLE>(lp);
      ::InvalidateRect(h, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(s->image);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(h, &ps);
      RECT rc;
      ::GetClientRect(h, &rc);
      HWND parent = ::GetParent(h);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(h) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      HBRUSH br = parent ? reinterpret_cast<HBRUSH>(::SendMessage(
                               parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
                         : nullptr;
      if (!br) br = ::GetSysColorBrush(COLOR_BTNFACE);
      switch (type) {
        case SS_BLACKRECT:
          ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOWFRAME));
          break;
        case SS_GRAYRECT:
          ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNSHADOW));
          break;
        case SS_WHITERECT:
          ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
          break;
        case SS_BLACKFRAME:
          ::FrameRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOWFRAME));
          break;
        case SS_GRAYFRAME:
          ::FrameRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNSHADOW));
          break;
        case SS_WHITEFRAME:
          ::FrameRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
          break;
        case SS_ETCHEDHORZ:
          ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_TOP);
          break;
        case SS_ETCHEDVERT:
          ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_LEFT);
          break;
        case SS_ETCHEDFRAME:
          ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
          break;
        case SS_OWNERDRAW: {
          DRAWITEMSTRUCT dis{};
          dis.CtlType = ODT_STATIC;
          dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
          dis.itemAction = ODA_DRAWENTIRE;
          dis.hwndItem = h;
          dis.hDC = dc;
          dis.rcItem = rc;
          if (parent) ::SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
          break;
        }
        case SS_ICON:
          ::FillRect(dc, &rc, br);
          if (s->image) {
            int x = (style & SS_CENTERIMAGE) ? (rc.right - 32) / 2 : 0,
                y = (style & SS_CENTERIMAGE) ? (rc.bottom - 32) / 2 : 0;
            ::DrawIconEx(dc, x, y, static_cast<HICON>(s->image), 0, 0, 0, nullptr, DI_NORMAL);
          }
          break;
        case SS_BITMAP:
          ::FillRect(dc, &rc, br);
          if (s->image) {
            BITMAP bm{};
            ::GetObject(s->image, sizeof bm, &bm);
            HDC mem = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(mem, s->image);
            int x = (style & SS_CENTERIMAGE) ? (rc.right - bm.bmWidth) / 2 : 0;
            int y = (style & SS_CENTERIMAGE) ? (rc.bottom - bm.bmHeight) / 2 : 0;
            ::BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            ::SelectObject(mem, old);
            ::DeleteDC(mem);
          }
          break;
        default: {
          ::FillRect(dc, &rc, br);
          HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
          std::u16string t = Text(h);
          UINT fmt = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
          if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP || (style & SS_CENTERIMAGE)) fmt |= DT_SINGLELINE;
          else fmt |= DT_WORDBREAK;
          if (style & SS_CENTERIMAGE) fmt |= DT_VCENTER;
          if (style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
          if (style & SS_ENDELLIPSIS) fmt |= DT_END_ELLIPSIS;
          fmt |= DT_EXPANDTABS;
          ::DrawText(dc, t.c_str(), static_cast<int>(t.size()), &rc, fmt);
          ::SelectObject(dc, old);
          break;
        }
      }
      if (style & SS_SUNKEN) ::DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
      ::EndPaint(h, &ps);
      return 0;
    }
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
