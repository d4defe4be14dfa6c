// The combo box: an edit (simple and drop-down kinds) or a face showing the
// selection (drop-down list), and a list box that is a child (simple) or a
// pop-up shown below the combo. Items live in the list box.
//
// Notifications to the parent: a selection change by the user sends
// CBN_SELCHANGE; choosing from the open list sends CBN_SELENDOK, CBN_CLOSEUP
// and then CBN_SELCHANGE when the selection changed; closing without a
// choice (Escape, a click elsewhere, focus loss) sends CBN_SELENDCANCEL and
// CBN_CLOSEUP. Typing in the edit sends CBN_EDITUPDATE then CBN_EDITCHANGE.
// Messages (CB_SETCURSEL ...) are silent.
#include <algorithm>
#include <string>

#include "platform/controls/ctl_internal.h"

namespace pv::controls {
namespace {

constexpr int kEditId = 1001, kListId = 1000;

struct ComboState {
  HWND edit = nullptr;
  HWND list = nullptr;
  bool dropped = false;
  int selAtDrop = -1;
  int lastNotified = -1;  // the selection the parent last heard of while open
  bool settingText = false;
  bool focused = false;
  bool pressedInList = false;
  HFONT font = nullptr;
  int minVisible = 30;
  int droppedWidth = 0;
  int faceHeight = 0;
};

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }
UINT Kind(HWND h) { return Style(h) & 0x3; }

int ButtonWidth() { return ::GetSystemMetrics(SM_CXVSCROLL); }

void Notify(HWND h, UINT code) { NotifyParent(h, code); }

int Cur(ComboState* s) { return static_cast<int>(::SendMessage(s->list, LB_GETCURSEL, 0, 0)); }

std::u16string ItemText(ComboState* s, int i) {
  LRESULT n = ::SendMessage(s->list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n < 0) return u"";
  std::u16string t(static_cast<size_t>(n) + 1, u'\0');
  ::SendMessage(s->list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
  t.resize(static_cast<size_t>(n));
  return t;
}

// The edit (or face) shows the selected item.
void ShowSelection(HWND h, ComboState* s) {
  int i = Cur(s);
  if (s->edit) {
    s->settingText = true;
    ::SetWindowText(s->edit, i >= 0 ? ItemText(s, i).c_str() : u"");
    ::SendMessage(s->edit, EM_SETSEL, 0, -1);
    s->settingText = false;
  } else {
    s->settingText = true;
    ::SetWindowText(h, i >= 0 ? ItemText(s, i).c_str() : u"");  // kept for GetWindowText
    s->settingText = false;
  }
  ::InvalidateRect(h, nullptr, FALSE);
}

// A drop-down combo box shows only its face: created taller (a dialog
// template gives the height of the open list), it takes the face's height,
// the font's line and the sunken edge, as Windows does. Its scroll bar
// styles belong to the list.
void FitFace(HWND h, ComboState* s) {
  if (Kind(h) == CBS_SIMPLE || s->faceHeight > 0) return;
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  TEXTMETRICW tm{};
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  const int face = tm.tmHeight + 8;
  RECT wr;
  ::GetWindowRect(h, &wr);
  if (wr.bottom - wr.top > face)
    ::SetWindowPos(h, nullptr, 0, 0, wr.right - wr.left, face, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Layout(HWND h, ComboState* s) {
  RECT rc;
  ::GetClientRect(h, &rc);
  int face = s->faceHeight > 0 ? s->faceHeight : rc.bottom;
  if (Kind(h) == CBS_SIMPLE) {
    HDC dc = ::GetDC(h);
    HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
    TEXTMETRICW tm{};
    ::GetTextMetrics(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(h, dc);
    face = tm.tmHeight + 6;
    if (s->edit) ::MoveWindow(s->edit, 0, 0, rc.right, face, TRUE);
    ::MoveWindow(s->list, 0, face, rc.right, std::max(0, static_cast<int>(rc.bottom) - face), TRUE);
  } else if (s->edit) {
    ::MoveWindow(s->edit, 2, 2, std::max(0, static_cast<int>(rc.right) - ButtonWidth() - 4), face - 4, TRUE);
  }
}

void CloseUp(HWND h, ComboState* s, bool ok) {
  if (!s->dropped) return;
  s->dropped = false;
  if (::GetCapture() == h) ::ReleaseCapture();
  int before = s->selAtDrop;
  (void)before;
  if (!ok) ::SendMessage(s->list, LB_SETCURSEL, static_cast<WPARAM>(before), 0);
  Notify(h, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
  ::ShowWindow(s->list, SW_HIDE);
  ::InvalidateRect(h, nullptr, FALSE);
  Notify(h, CBN_CLOSEUP);
  if (ok && ::IsWindow(h)) {
    ShowSelection(h, s);
    if (Cur(s) != s->lastNotified) Notify(h, CBN_SELCHANGE);
  }
}

void DropDown(HWND h, ComboState* s) {
  if (s->dropped || Kind(h) == CBS_SIMPLE) return;
  Notify(h, CBN_DROPDOWN);  // the parent may fill the list now
  if (!::IsWindow(h)) return;
  s->dropped = true;
  s->selAtDrop = s->lastNotified = Cur(s);
  RECT wr;
  ::GetWindowRect(h, &wr);
  int ih = static_cast<int>(::SendMessage(s->list, LB_GETITEMHEIGHT, 0, 0));
  int count = static_cast<int>(::SendMessage(s->list, LB_GETCOUNT, 0, 0));
  int rows = std::clamp(count, 1, s->minVisible);
  int width = std::max<int>(wr.right - wr.left, s->droppedWidth);
  ::SetWindowPos(s->list, HWND_TOPMOST, wr.left, wr.bottom, width, rows * ih + 2, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (s->selAtDrop >= 0) ::SendMessage(s->list, LB_SETTOPINDEX, static_cast<WPARAM>(s->selAtDrop), 0);
  ::SetCapture(h);
  ::InvalidateRect(h, nullptr, FALSE);
}

// A user move of the selection while the list is closed (or within the open list).
void UserMove(HWND h, ComboState* s, int to) {
  int count = static_cast<int>(::SendMessage(s->list, LB_GETCOUNT, 0, 0));
  if (count == 0) return;
  to = std::clamp(to, 0, count - 1);
  if (to == Cur(s)) return;
  ::SendMessage(s->list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
  ShowSelection(h, s);
  s->lastNotified = to;
  Notify(h, CBN_SELCHANGE);
}

bool ComboKey(HWND h, ComboState* s, UINT vk) {
  bool alt = ::GetKeyState(VK_MENU) < 0;
  int cur = Cur(s);
  int count = static_cast<int>(::SendMessage(s->list, LB_GETCOUNT, 0, 0));
  switch (vk) {
    case VK_F4:
      if (s->dropped) CloseUp(h, s, true);
      else DropDown(h, s);
      return true;
    case VK_DOWN:
    case VK_UP:
      if (alt) {
        if (s->dropped) CloseUp(h, s, true);
        else DropDown(h, s);
        return true;
      }
      UserMove(h, s, cur < 0 ? 0 : cur + (vk == VK_DOWN ? 1 : -1));
      return true;
    case VK_HOME:
      if (s->edit) return false;
      UserMove(h, s, 0);
      return true;
    case VK_END:
      if (s->edit) return false;
      UserMove(h, s, count - 1);
      return true;
    case VK_PRIOR:
    case VK_NEXT:
      UserMove(h, s, cur + (vk == VK_NEXT ? 1 : -1) * std::max(1, s->minVisible - 1));
      return true;
    case VK_RETURN:
      if (s->dropped) {
        CloseUp(h, s, true);
        return true;
      }
      return false;
    case VK_ESCAPE:
      if (s->dropped) {
        CloseUp(h, s, false);
        return true;
      }
      return false;
    default:
      return false;
  }
}

// The combo's edit child: keys that belong to the combo go there first.
LRESULT CALLBACK ComboEditProc(HWND e, UINT msg, WPARAM wp, LPARAM lp) {
  HWND combo = ::GetParent(e);
  auto* s = StateOf<ComboState>(combo);
  if (s && msg == WM_KEYDOWN && ComboKey(combo, s, static_cast<UINT>(wp))) return 0;
  if (s && msg == WM_SYSKEYDOWN && (wp == VK_DOWN || wp == VK_UP)) return ::SendMessage(combo, msg, wp, lp);
  if (s && msg == WM_CHAR && (wp == VK_RETURN || wp == VK_ESCAPE)) return 0;
  if (s && msg == WM_SETFOCUS && !s->focused) {
    s->focused = true;
    Notify(combo, CBN_SETFOCUS);
  }
  if (s && msg == WM_KILLFOCUS && reinterpret_cast<HWND>(wp) != combo) {
    LRESULT r = EditProc(e, msg, wp, lp);
    if (s->dropped) CloseUp(combo, s, false);
    s->focused = false;
    Notify(combo, CBN_KILLFOCUS);
    return r;
  }
  return EditProc(e, msg, wp, lp);
}

void PaintFace(HWND h, ComboState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  if (Kind(h) == CBS_SIMPLE) {
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    ::EndPaint(h, &ps);
    return;
  }
  int face = s->faceHeight > 0 ? s->faceHeight : rc.bottom;
  RECT fr{0, 0, rc.right, face};
  ::DrawEdge(dc, &fr, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  RECT btn{fr.right - ButtonWidth(), fr.top, fr.right, fr.bottom};
  ::DrawFrameControl(
      dc, &btn, DFC_SCROLL,
      DFCS_SCROLLCOMBOBOX | (s->dropped ? DFCS_PUSHED | DFCS_FLAT : 0) | (::IsWindowEnabled(h) ? 0 : DFCS_INACTIVE));
  if (!s->edit) {
    RECT tr{fr.left, fr.top, btn.left, fr.bottom};
    bool hilite = s->focused && !s->dropped;
    ::FillRect(dc, &tr, ::GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
    int i = Cur(s);
    std::u16string t = i >= 0 ? ItemText(s, i) : u"";
    RECT sel{tr.left + 1, tr.top + 1, tr.right - 1, tr.bottom - 1};
    if (hilite) ::FillRect(dc, &sel, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(hilite ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT txt{sel.left + 2, sel.top, sel.right, sel.bottom};
    ::DrawText(dc, t.c_str(), static_cast<int>(t.size()), &txt, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (hilite) ::DrawFocusRect(dc, &sel);
    ::SelectObject(dc, old);
  }
  ::EndPaint(h, &ps);
}

// Forwards a CB_ message to the list's LB_ message.
LRESULT ToList(ComboState* s, UINT lbMsg, WPARAM wp, LPARAM lp) { return ::SendMessage(s->list, lbMsg, wp, lp); }

}  // namespace

LRESULT CALLBACK ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<ComboState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE:
      SetState(h, new ComboState);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_CREATE: {
      DWORD st = Style(h);
      DWORD lbStyle = WS_VSCROLL | LBS_COMBOBOX | LBS_NOINTEGRALHEIGHT | ((st & CBS_SORT) ? LBS_SORT : 0) |
                      ((st & CBS_HASSTRINGS) ? LBS_HASSTRINGS : 0) |
                      ((st & CBS_DISABLENOSCROLL) ? LBS_DISABLENOSCROLL : 0);
      if (Kind(h) == CBS_SIMPLE) {
        s->list = ::CreateWindowEx(WS_EX_CLIENTEDGE, WC_LISTBOX, u"", WS_CHILD | WS_VISIBLE | lbStyle, 0, 0, 10, 10, h,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
      } else {
        // The open list never takes the activation: a desktop that focuses
        // the window it shows (or the user clicks) would otherwise take the
        // focus from the combo, which closes the list without a choice.
        s->list = ::CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, WC_LISTBOX, u"",
                                   WS_POPUP | WS_BORDER | lbStyle, 0, 0, 10, 10, h, nullptr, nullptr, nullptr);
      }
      if (Kind(h) != CBS_DROPDOWNLIST) {
        DWORD es = WS_CHILD | WS_VISIBLE | ((st & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0) |
                   ((st & CBS_UPPERCASE) ? ES_UPPERCASE : 0) | ((st & CBS_LOWERCASE) ? ES_LOWERCASE : 0) |
                   (Kind(h) == CBS_SIMPLE ? WS_BORDER : 0);
        s->edit = ::CreateWindowEx(0, WC_EDIT, u"", es, 0, 0, 10, 10, h,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), nullptr, nullptr);
        ::SetWindowLongPtr(s->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc));
      }
      if (Kind(h) != CBS_SIMPLE && (st & (WS_VSCROLL | WS_HSCROLL))) {
        ::SetWindowLongPtr(h, GWL_STYLE, static_cast<LONG_PTR>(st & ~static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL)));
        ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      }
      FitFace(h, s);
      Layout(h, s);
      return 0;
    }
    case WM_DESTROY:
      if (s->list && ::IsWindow(s->list)) ::DestroyWindow(s->list);
      s->list = nullptr;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<ComboState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_SIZE:
      Layout(h, s);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (s->edit) ::SendMessage(s->edit, WM_SETFONT, wp, lp);
      ::SendMessage(s->list, WM_SETFONT, wp, lp);
      FitFace(h, s);
      Layout(h, s);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      if (s->edit) return ::SendMessage(s->edit, WM_SETTEXT, wp, lp);
      if (s->settingText) return ::DefWindowProc(h, msg, wp, lp);
      // A drop-down list shows only its items: the text selects the first
      // item it begins, an empty text selects none, any other text fails.
      auto text = reinterpret_cast<LPCWSTR>(lp);
      if (!text || !*text) {
        ToList(s, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ShowSelection(h, s);
        return TRUE;
      }
      LRESULT i = ToList(s, LB_FINDSTRING, static_cast<WPARAM>(-1), lp);
      if (i < 0) return CB_ERR;
      ToList(s, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      ShowSelection(h, s);
      return TRUE;
    }
    case WM_GETTEXT:
      if (s->edit) return ::SendMessage(s->edit, WM_GETTEXT, wp, lp);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETTEXTLENGTH:
      if (s->edit) return ::SendMessage(s->edit, WM_GETTEXTLENGTH, wp, lp);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintFace(h, s);
      return 0;
    case WM_SETFOCUS:
      if (s->edit) {
        ::SetFocus(s->edit);
        return 0;
      }
      if (!s->focused) {
        s->focused = true;
        Notify(h, CBN_SETFOCUS);
      }
      ::InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      if (s->edit && reinterpret_cast<HWND>(wp) == s->edit) return 0;
      if (s->dropped) CloseUp(h, s, false);
      if (s->focused) {
        s->focused = false;
        Notify(h, CBN_KILLFOCUS);
      }
      ::InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_COMMAND:
      // The edit's changes become the combo's.
      if (LOWORD(wp) == kEditId && !s->settingText) {
        if (HIWORD(wp) == EN_UPDATE) Notify(h, CBN_EDITUPDATE);
        else if (HIWORD(wp) == EN_CHANGE) Notify(h, CBN_EDITCHANGE);
      }
      return 0;
    case WM_KEYDOWN:
      ComboKey(h, s, static_cast<UINT>(wp));
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+Down/Up open and close the list.
      if (wp == VK_DOWN || wp == VK_UP) {
        if (s->dropped) CloseUp(h, s, true);
        else DropDown(h, s);
        return 0;
      }
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_CHAR:
      if (!s->edit && wp >= 0x20) {
        WCHAR key[2] = {static_cast<WCHAR>(wp), 0};
        int i = static_cast<int>(
            ::SendMessage(s->list, LB_FINDSTRING, static_cast<WPARAM>(Cur(s)), reinterpret_cast<LPARAM>(key)));
        if (i >= 0) UserMove(h, s, i);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (s->dropped) {
        POINT lpnt = pt;
        ::MapWindowPoints(h, s->list, &lpnt, 1);
        RECT lr;
        ::GetClientRect(s->list, &lr);
        if (::PtInRect(&lr, lpnt)) {
          s->pressedInList = true;
          return 0;
        }
        RECT cr;
        ::GetClientRect(h, &cr);
        CloseUp(h, s, false);  // a press elsewhere (the face included) closes
        return 0;
      }
      if (Kind(h) == CBS_SIMPLE) return 0;
      if (::GetFocus() != h && !(s->edit && ::GetFocus() == s->edit)) ::SetFocus(h);
      RECT cr;
      ::GetClientRect(h, &cr);
      if (Kind(h) == CBS_DROPDOWNLIST || pt.x >= cr.right - ButtonWidth() - 2) DropDown(h, s);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dropped) {
        POINT lpnt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ::MapWindowPoints(h, s->list, &lpnt, 1);
        RECT lr;
        ::GetClientRect(s->list, &lr);
        if (::PtInRect(&lr, lpnt)) {
          LRESULT r = ::SendMessage(s->list, LB_ITEMFROMPOINT, 0, MAKELPARAM(lpnt.x, lpnt.y));
          if (!HIWORD(r)) ::SendMessage(s->list, LB_SETCURSEL, LOWORD(r), 0);  // tracking highlight only
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->dropped && s->pressedInList) {
        s->pressedInList = false;
        POINT lpnt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ::MapWindowPoints(h, s->list, &lpnt, 1);
        LRESULT r = ::SendMessage(s->list, LB_ITEMFROMPOINT, 0, MAKELPARAM(lpnt.x, lpnt.y));
        if (!HIWORD(r)) {
          ::SendMessage(s->list, LB_SETCURSEL, LOWORD(r), 0);
          CloseUp(h, s, true);
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->dropped && reinterpret_cast<HWND>(lp) != h) CloseUp(h, s, false);
      return 0;

    case CB_ADDSTRING:
      return ToList(s, LB_ADDSTRING, wp, lp);
    case CB_INSERTSTRING:
      return ToList(s, LB_INSERTSTRING, wp, lp);
    case CB_DELETESTRING:
      return ToList(s, LB_DELETESTRING, wp, lp);
    case CB_GETCOUNT:
      return ToList(s, LB_GETCOUNT, wp, lp);
    case CB_GETCURSEL:
      return ToList(s, LB_GETCURSEL, wp, lp);
    case CB_GETLBTEXT:
      return ToList(s, LB_GETTEXT, wp, lp);
    case CB_GETLBTEXTLEN:
      return ToList(s, LB_GETTEXTLEN, wp, lp);
    case CB_GETITEMDATA:
      return ToList(s, LB_GETITEMDATA, wp, lp);
    case CB_SETITEMDATA:
      return ToList(s, LB_SETITEMDATA, wp, lp);
    case CB_FINDSTRING:
      return ToList(s, LB_FINDSTRING, wp, lp);
    case CB_FINDSTRINGEXACT:
      return ToList(s, LB_FINDSTRINGEXACT, wp, lp);
    case CB_GETTOPINDEX:
      return ToList(s, LB_GETTOPINDEX, wp, lp);
    case CB_SETTOPINDEX:
      return ToList(s, LB_SETTOPINDEX, wp, lp);
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(wp) == -1) return s->faceHeight > 0 ? s->faceHeight : 0;
      return ToList(s, LB_GETITEMHEIGHT, wp, lp);
    case CB_SETITEMHEIGHT:
      if (static_cast<int>(wp) == -1) {
        s->faceHeight = static_cast<int>(lp);
        Layout(h, s);
        ::InvalidateRect(h, nullptr, TRUE);
        return CB_OKAY;
      }
      return ToList(s, LB_SETITEMHEIGHT, wp, lp);
    case CB_RESETCONTENT:
      ToList(s, LB_RESETCONTENT, 0, 0);
      if (!s->edit) ShowSelection(h, s);
      return CB_OKAY;
    case CB_SETCURSEL: {
      LRESULT r = ToList(s, LB_SETCURSEL, wp, lp);
      ShowSelection(h, s);
      return r;
    }
    case CB_SELECTSTRING: {
      LRESULT r = ToList(s, LB_SELECTSTRING, wp, lp);
      if (r >= 0) ShowSelection(h, s);
      return r;
    }
    case CB_SHOWDROPDOWN:
      if (wp) DropDown(h, s);
      else CloseUp(h, s, false);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->dropped;
    case CB_GETDROPPEDCONTROLRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return CB_ERR;
      ::GetWindowRect(h, r);
      int ih = static_cast<int>(::SendMessage(s->list, LB_GETITEMHEIGHT, 0, 0));
      r->bottom += std::clamp(static_cast<int>(::SendMessage(s->list, LB_GETCOUNT, 0, 0)), 1, s->minVisible) * ih + 2;
      return TRUE;
    }
    case CB_SETDROPPEDWIDTH:
      s->droppedWidth = static_cast<int>(wp);
      return s->droppedWidth;
    case CB_GETDROPPEDWIDTH:
      return s->droppedWidth;
    case CB_SETMINVISIBLE:
      if (static_cast<int>(wp) <= 0) return FALSE;
      s->minVisible = static_cast<int>(wp);
      return TRUE;
    case CB_LIMITTEXT:
      if (!s->edit) return CB_ERR;
      ::SendMessage(s->edit, EM_LIMITTEXT, wp, 0);
      return TRUE;
    case CB_GETEDITSEL:
      if (!s->edit) return CB_ERR;
      return ::SendMessage(s->edit, EM_GETSEL, wp, lp);
    case CB_SETEDITSEL:
      if (!s->edit) return CB_ERR;
      ::SendMessage(s->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<short>(LOWORD(lp))),
                    static_cast<LPARAM>(static_cast<short>(HIWORD(lp))));
      return TRUE;
    case CB_SETCUEBANNER:
      if (!s->edit) return FALSE;
      return ::SendMessage(s->edit, EM_SETCUEBANNER, wp, lp);
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
