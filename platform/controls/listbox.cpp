// The list box: single, multiple and extended selection, sorted lists,
// owner-drawn items of fixed or variable height.
//
// LBN_SELCHANGE (with LBS_NOTIFY) comes only for changes the user makes and
// only when the selection really changes; LB_SETCURSEL and friends are
// silent.
#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/controls/ctl_internal.h"

namespace pv::controls {
namespace {

struct LbItem {
  std::u16string text;
  ULONG_PTR data = 0;
  bool selected = false;
  int height = 0;  // owner-draw variable
};

struct LbState {
  std::vector<LbItem> items;
  int cur = -1;    // single selection
  int caret = 0;   // focus rectangle
  int anchor = 0;  // extended selection anchor
  int top = 0;
  int itemHeight = 0;
  HFONT font = nullptr;
  bool focused = false;
  bool tracking = false;
  // Created with WS_VSCROLL: the bar comes and goes with the need, and the
  // style bit follows the bar, so it cannot say whether one is wanted.
  bool vscroll = false;
};

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }
bool Multi(HWND h) { return (Style(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool OwnerDraw(HWND h) { return (Style(h) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND h) { return !OwnerDraw(h) || (Style(h) & LBS_HASSTRINGS); }

int Compare(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = std::towlower(a[i]), y = std::towlower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int DefaultHeight(HWND h, LbState* s) {
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  TEXTMETRICW tm{};
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  return tm.tmHeight;
}

int Height(HWND h, LbState* s, int i) {
  if ((Style(h) & LBS_OWNERDRAWVARIABLE) && i >= 0 && i < static_cast<int>(s->items.size()) &&
      s->items[static_cast<size_t>(i)].height > 0)
    return s->items[static_cast<size_t>(i)].height;
  if (s->itemHeight <= 0) s->itemHeight = DefaultHeight(h, s);
  return s->itemHeight;
}

int Count(LbState* s) { return static_cast<int>(s->items.size()); }

// Item rectangle in client coordinates (items above the top are above 0).
RECT ItemRect(HWND h, LbState* s, int i) {
  RECT rc;
  ::GetClientRect(h, &rc);
  int y = 0;
  if (i >= s->top)
    for (int k = s->top; k < i; ++k) y += Height(h, s, k);
  else
    for (int k = i; k < s->top; ++k) y -= Height(h, s, k);
  return RECT{0, y, rc.right, y + Height(h, s, i)};
}

int Rows(HWND h, LbState* s) {
  RECT rc;
  ::GetClientRect(h, &rc);
  int y = 0, n = 0;
  for (int k = s->top; k < Count(s); ++k) {
    y += Height(h, s, k);
    if (y > rc.bottom) break;
    ++n;
  }
  return std::max(1, n);
}

int ItemAt(HWND h, LbState* s, int y) {
  if (y < 0) return s->top > 0 ? s->top - 1 : 0;
  int top = 0;
  for (int k = s->top; k < Count(s); ++k) {
    int hh = Height(h, s, k);
    if (y < top + hh) return k;
    top += hh;
  }
  return Count(s) - 1;
}

void UpdateScroll(HWND h, LbState* s) {
  if (!s->vscroll) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | ((Style(h) & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
  si.nMax = std::max(0, Count(s) - 1);
  si.nPage = static_cast<UINT>(Rows(h, s));
  si.nPos = s->top;
  ::SetScrollInfo(h, SB_VERT, &si, TRUE);
}

void Redraw(HWND h, LbState* s) {
  UpdateScroll(h, s);
  ::InvalidateRect(h, nullptr, TRUE);
}

void SetTop(HWND h, LbState* s, int top) {
  int maxTop = 0;
  // The last page shows as many items as fit.
  RECT rc;
  ::GetClientRect(h, &rc);
  int y = 0;
  for (int k = Count(s) - 1; k >= 0; --k) {
    y += Height(h, s, k);
    if (y > rc.bottom) {
      maxTop = k + 1;
      break;
    }
  }
  top = std::clamp(top, 0, std::max(0, maxTop));
  if (top != s->top) {
    s->top = top;
    Redraw(h, s);
  }
}

void Show(HWND h, LbState* s, int i) {
  if (i < 0 || i >= Count(s)) return;
  if (i < s->top) SetTop(h, s, i);
  else {
    int rows = Rows(h, s);
    if (i >= s->top + rows) SetTop(h, s, i - rows + 1);
  }
}

bool IsSel(LbState* s, int i) { return i >= 0 && i < Count(s) && s->items[static_cast<size_t>(i)].selected; }

// Selection state as a list, to tell whether an operation changed it.
std::vector<bool> Snapshot(LbState* s) {
  std::vector<bool> v;
  v.reserve(s->items.size());
  for (auto& it : s->items) v.push_back(it.selected);
  return v;
}

void SelectSingle(LbState* s, int i) {
  if (s->cur >= 0 && s->cur < Count(s)) s->items[static_cast<size_t>(s->cur)].selected = false;
  s->cur = (i >= 0 && i < Count(s)) ? i : -1;
  if (s->cur >= 0) {
    s->items[static_cast<size_t>(s->cur)].selected = true;
    s->caret = s->cur;
  }
}

void SelectRange(LbState* s, int a, int b, bool on) {
  if (a > b) std::swap(a, b);
  for (int k = std::max(0, a); k <= b && k < Count(s); ++k) s->items[static_cast<size_t>(k)].selected = on;
}

void NotifySel(HWND h, const std::vector<bool>& before, LbState* s) {
  if (Snapshot(s) != before && (Style(h) & LBS_NOTIFY)) NotifyParent(h, LBN_SELCHANGE);
}

// A user move of the caret to `i` with the modifiers held.
void UserSelect(HWND h, LbState* s, int i, bool shift, bool ctrl, bool toggle) {
  if (i < 0 || i >= Count(s) || (Style(h) & LBS_NOSEL)) return;
  auto before = Snapshot(s);
  DWORD st = Style(h);
  if (st & LBS_EXTENDEDSEL) {
    if (shift) {
      if (!ctrl) SelectRange(s, 0, Count(s) - 1, false);
      SelectRange(s, s->anchor, i, true);
    } else if (ctrl && toggle) {
      s->items[static_cast<size_t>(i)].selected = !s->items[static_cast<size_t>(i)].selected;
      s->anchor = i;
    } else if (!ctrl) {
      SelectRange(s, 0, Count(s) - 1, false);
      s->items[static_cast<size_t>(i)].selected = true;
      s->anchor = i;
    }
    s->caret = i;
  } else if (st & LBS_MULTIPLESEL) {
    if (toggle) s->items[static_cast<size_t>(i)].selected = !s->items[static_cast<size_t>(i)].selected;
    s->caret = i;
  } else {
    SelectSingle(s, i);
  }
  Show(h, s, i);
  Redraw(h, s);
  NotifySel(h, before, s);
}

void Measure(HWND h, LbState* s, int i) {
  if (!(Style(h) & LBS_OWNERDRAWVARIABLE)) return;
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_LISTBOX;
  mis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
  mis.itemID = static_cast<UINT>(i);
  mis.itemHeight = static_cast<UINT>(Height(h, s, -1));
  mis.itemData = s->items[static_cast<size_t>(i)].data;
  if (HWND p = ::GetParent(h)) ::SendMessage(p, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  s->items[static_cast<size_t>(i)].height = static_cast<int>(std::max<UINT>(1, mis.itemHeight));
}

int CompareItems(HWND h, LbState* s, const LbItem& a, int bIndex) {
  const LbItem& b = s->items[static_cast<size_t>(bIndex)];
  if (HasStrings(h)) return Compare(a.text, b.text);
  COMPAREITEMSTRUCT cis{};
  cis.CtlType = ODT_LISTBOX;
  cis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
  cis.hwndItem = h;
  cis.itemID1 = static_cast<UINT>(-1);
  cis.itemData1 = a.data;
  cis.itemID2 = static_cast<UINT>(bIndex);
  cis.itemData2 = b.data;
  HWND p = ::GetParent(h);
  return p ? static_cast<int>(::SendMessage(p, WM_COMPAREITEM, cis.CtlID, reinterpret_cast<LPARAM>(&cis))) : 0;
}

int InsertAt(HWND h, LbState* s, int index, LPARAM lp, bool sorted) {
  LbItem it;
  if (HasStrings(h)) it.text = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
  else it.data = static_cast<ULONG_PTR>(lp);
  int n = Count(s);
  if (sorted) {
    // After equal items, so adding keeps the order of equal strings.
    int lo = 0, hi = n;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (CompareItems(h, s, it, mid) >= 0) lo = mid + 1;
      else hi = mid;
    }
    index = lo;
  } else if (index < 0 || index > n) {
    if (index != -1) return LB_ERR;
    index = n;
  }
  s->items.insert(s->items.begin() + index, std::move(it));
  if (s->cur >= index) ++s->cur;
  if (s->caret >= index && n > 0) ++s->caret;
  if (s->anchor >= index && n > 0) ++s->anchor;
  Measure(h, s, index);
  Redraw(h, s);
  return index;
}

void SendDelete(HWND h, LbState* s, int i) {
  if (!OwnerDraw(h) && !s->items[static_cast<size_t>(i)].data) return;
  DELETEITEMSTRUCT dis{};
  dis.CtlType = ODT_LISTBOX;
  dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
  dis.itemID = static_cast<UINT>(i);
  dis.hwndItem = h;
  dis.itemData = s->items[static_cast<size_t>(i)].data;
  if (HWND p = ::GetParent(h)) ::SendMessage(p, WM_DELETEITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

int Find(HWND h, LbState* s, int after, LPCWSTR what, bool exact) {
  int n = Count(s);
  if (n == 0 || !what) return LB_ERR;
  std::u16string key = what;
  int start = (after < 0 || after >= n) ? 0 : after + 1;
  for (int k = 0; k < n; ++k) {
    int i = (start + k) % n;
    const LbItem& it = s->items[static_cast<size_t>(i)];
    if (!HasStrings(h)) {
      if (it.data == reinterpret_cast<ULONG_PTR>(what)) return i;
      continue;
    }
    if (exact ? Compare(it.text, key) == 0
              : (it.text.size() >= key.size() && Compare(it.text.substr(0, key.size()), key) == 0))
      return i;
  }
  return LB_ERR;
}

void Paint(HWND h, LbState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  HWND parent = ::GetParent(h);
  ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(h) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  HBRUSH br = parent ? reinterpret_cast<HBRUSH>(::SendMessage(parent, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(h)))
                     : nullptr;
  if (!br) br = ::GetSysColorBrush(COLOR_WINDOW);
  ::FillRect(dc, &rc, br);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  COLORREF text = ::GetTextColor(dc);
  int y = 0;
  for (int i = s->top; i < Count(s) && y < rc.bottom; ++i) {
    int hh = Height(h, s, i);
    RECT ir{0, y, rc.right, y + hh};
    y += hh;
    if (ir.bottom <= ps.rcPaint.top) continue;
    const LbItem& it = s->items[static_cast<size_t>(i)];
    bool sel = it.selected;
    bool focus = s->focused && i == s->caret;
    if (OwnerDraw(h)) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_LISTBOX;
      dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
      dis.itemID = static_cast<UINT>(i);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (sel ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) | (::IsWindowEnabled(h) ? 0 : ODS_DISABLED);
      dis.hwndItem = h;
      dis.hDC = dc;
      dis.rcItem = ir;
      dis.itemData = it.data;
      if (parent) ::SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      if (!s->items.size() || i >= Count(s)) break;  // the parent changed the list while drawing
      continue;
    }
    if (sel) {
      ::FillRect(dc, &ir, ::GetSysColorBrush(COLOR_HIGHLIGHT));
      ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    ::SetBkMode(dc, TRANSPARENT);
    RECT tr{ir.left + 2, ir.top, ir.right, ir.bottom};
    ::DrawText(dc, it.text.c_str(), static_cast<int>(it.text.size()), &tr,
               DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | ((Style(h) & LBS_USETABSTOPS) ? DT_EXPANDTABS : 0));
    ::SetTextColor(dc, text);
    if (focus) ::DrawFocusRect(dc, &ir);
  }
  ::SelectObject(dc, old);
  ::EndPaint(h, &ps);
}

void Key(HWND h, LbState* s, UINT vk) {
  if (Count(s) == 0) return;
  bool shift = ::GetKeyState(VK_SHIFT) < 0, ctrl = ::GetKeyState(VK_CONTROL) < 0;
  int from = Multi(h) ? s->caret : (s->cur < 0 ? -1 : s->cur);
  int rows = Rows(h, s);
  int to;
  switch (vk) {
    case VK_UP:
    case VK_LEFT:
      to = from < 0 ? 0 : from - 1;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      to = from + 1;
      break;
    case VK_HOME:
      to = 0;
      break;
    case VK_END:
      to = Count(s) - 1;
      break;
    case VK_PRIOR:
      to = from - (rows - 1);
      break;
    case VK_NEXT:
      to = from + (rows - 1);
      break;
    case VK_SPACE:
      if (Multi(h)) UserSelect(h, s, s->caret, shift, true, true);
      return;
    default:
      return;
  }
  to = std::clamp(to, 0, Count(s) - 1);
  if (Style(h) & LBS_MULTIPLESEL) {
    s->caret = to;
    Show(h, s, to);
    Redraw(h, s);
    return;
  }
  if ((Style(h) & LBS_EXTENDEDSEL) && ctrl && !shift) {  // Ctrl+arrows move the caret only
    s->caret = to;
    Show(h, s, to);
    Redraw(h, s);
    return;
  }
  UserSelect(h, s, to, shift, false, false);
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<LbState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE: {
      auto* st = new LbState;
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
      st->vscroll = cs && (cs->style & WS_VSCROLL);
      SetState(h, st);
      return ::DefWindowProc(h, msg, wp, lp);
    }
    case WM_CREATE:
      if (Style(h) & LBS_OWNERDRAWFIXED) {
        MEASUREITEMSTRUCT mis{};
        mis.CtlType = ODT_LISTBOX;
        mis.CtlID = static_cast<UINT>(::GetDlgCtrlID(h));
        mis.itemHeight = static_cast<UINT>(DefaultHeight(h, s));
        if (HWND p = ::GetParent(h)) ::SendMessage(p, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
        s->itemHeight = static_cast<int>(std::max<UINT>(1, mis.itemHeight));
      }
      return 0;
    case WM_DESTROY:
      for (int i = 0; i < Count(s); ++i) SendDelete(h, s, i);
      s->items.clear();
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<LbState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (!OwnerDraw(h)) s->itemHeight = 0;
      if (LOWORD(lp)) Redraw(h, s);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
      UpdateScroll(h, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(h, s);
      return 0;
    case WM_SETFOCUS:
      s->focused = true;
      ::InvalidateRect(h, nullptr, FALSE);
      if (Style(h) & LBS_NOTIFY) NotifyParent(h, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      ::InvalidateRect(h, nullptr, FALSE);
      if (Style(h) & LBS_NOTIFY) NotifyParent(h, LBN_KILLFOCUS);
      return 0;
    case WM_KEYDOWN:
      Key(h, s, static_cast<UINT>(wp));
      return 0;
    case WM_CHAR: {
      if (wp < 0x20 || Count(s) == 0 || !HasStrings(h)) return 0;
      WCHAR key[2] = {static_cast<WCHAR>(wp), 0};
      int from = Multi(h) ? s->caret : s->cur;
      int i = Find(h, s, from, key, false);
      if (i >= 0) UserSelect(h, s, i, false, false, false);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (::GetFocus() != h) ::SetFocus(h);
      if (Count(s) == 0) return 0;
      int i = ItemAt(h, s, GET_Y_LPARAM(lp));
      RECT r = ItemRect(h, s, i);
      if (GET_Y_LPARAM(lp) >= r.bottom) return 0;  // below the last item
      UserSelect(h, s, i, (wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, true);
      s->tracking = !Multi(h) || (Style(h) & LBS_EXTENDEDSEL);
      if (s->tracking) ::SetCapture(h);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->tracking && ::GetCapture() == h && Count(s) > 0) {
        int i = std::clamp(ItemAt(h, s, GET_Y_LPARAM(lp)), 0, Count(s) - 1);
        if ((Style(h) & LBS_EXTENDEDSEL)) {
          if (i != s->caret) UserSelect(h, s, i, true, false, false);
        } else if (i != s->cur) {
          UserSelect(h, s, i, false, false, false);
        }
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->tracking) {
        s->tracking = false;
        if (msg == WM_LBUTTONUP && ::GetCapture() == h) ::ReleaseCapture();
      }
      return 0;
    case WM_LBUTTONDBLCLK:
      if (Count(s) > 0 && (Style(h) & LBS_NOTIFY)) {
        int i = ItemAt(h, s, GET_Y_LPARAM(lp));
        if (GET_Y_LPARAM(lp) < ItemRect(h, s, i).bottom) NotifyParent(h, LBN_DBLCLK);
      }
      return 0;
    case WM_MOUSEWHEEL:
      SetTop(h, s, s->top - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
      return 0;
    case WM_VSCROLL: {
      int rows = Rows(h, s);
      switch (LOWORD(wp)) {
        case SB_LINEUP:
          SetTop(h, s, s->top - 1);
          break;
        case SB_LINEDOWN:
          SetTop(h, s, s->top + 1);
          break;
        case SB_PAGEUP:
          SetTop(h, s, s->top - rows);
          break;
        case SB_PAGEDOWN:
          SetTop(h, s, s->top + rows);
          break;
        case SB_TOP:
          SetTop(h, s, 0);
          break;
        case SB_BOTTOM:
          SetTop(h, s, Count(s));
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          SetTop(h, s, HIWORD(wp));
          break;
        default:
          break;
      }
      return 0;
    }

    case LB_ADDSTRING:
      return InsertAt(h, s, -1, lp, (Style(h) & LBS_SORT) != 0);
    case LB_INSERTSTRING:
      return InsertAt(h, s, static_cast<int>(wp), lp, false);
    case LB_DELETESTRING: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s)) return LB_ERR;
      SendDelete(h, s, i);
      if (i >= Count(s)) return LB_ERR;  // the parent emptied the list meanwhile
      s->items.erase(s->items.begin() + i);
      if (s->cur == i) s->cur = -1;
      else if (s->cur > i) --s->cur;
      if (s->caret > i) --s->caret;
      if (s->anchor > i) --s->anchor;
      s->caret = std::clamp(s->caret, 0, std::max(0, Count(s) - 1));
      s->anchor = std::clamp(s->anchor, 0, std::max(0, Count(s) - 1));
      SetTop(h, s, s->top);
      Redraw(h, s);
      return Count(s);
    }
    case LB_RESETCONTENT:
      for (int i = 0; i < Count(s); ++i) SendDelete(h, s, i);
      s->items.clear();
      s->cur = -1;
      s->caret = s->anchor = s->top = 0;
      Redraw(h, s);
      return 0;
    case LB_GETCOUNT:
      return Count(s);
    case LB_GETTEXT: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s) || !lp) return LB_ERR;
      const LbItem& it = s->items[static_cast<size_t>(i)];
      if (!HasStrings(h)) {
        *reinterpret_cast<ULONG_PTR*>(lp) = it.data;
        return sizeof(ULONG_PTR);
      }
      auto* out = reinterpret_cast<LPWSTR>(lp);
      std::copy(it.text.begin(), it.text.end(), out);
      out[it.text.size()] = 0;
      return static_cast<LRESULT>(it.text.size());
    }
    case LB_GETTEXTLEN: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s)) return LB_ERR;
      return HasStrings(h) ? static_cast<LRESULT>(s->items[static_cast<size_t>(i)].text.size()) : sizeof(ULONG_PTR);
    }
    case LB_GETITEMDATA: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s)) return LB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<size_t>(i)].data);
    }
    case LB_SETITEMDATA: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s)) return LB_ERR;
      s->items[static_cast<size_t>(i)].data = static_cast<ULONG_PTR>(lp);
      return LB_OKAY;
    }
    case LB_SETCURSEL: {
      if (Multi(h)) return LB_ERR;
      int i = static_cast<int>(wp);
      SelectSingle(s, i);
      if (s->cur >= 0) Show(h, s, s->cur);
      Redraw(h, s);
      return (i < 0 || i >= Count(s)) ? LB_ERR : i;
    }
    case LB_GETCURSEL:
      return Multi(h) ? (Count(s) ? s->caret : LB_ERR) : s->cur;
    case LB_SETSEL: {
      if (!Multi(h)) return LB_ERR;
      int i = static_cast<int>(lp);
      if (i == -1) SelectRange(s, 0, Count(s) - 1, wp != 0);
      else if (i < 0 || i >= Count(s)) return LB_ERR;
      else {
        s->items[static_cast<size_t>(i)].selected = wp != 0;
        s->caret = s->anchor = i;
      }
      Redraw(h, s);
      return LB_OKAY;
    }
    case LB_GETSEL: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= Count(s)) return LB_ERR;
      return IsSel(s, i) ? 1 : 0;
    }
    case LB_SELITEMRANGEEX: {
      // first <= last selects the range, otherwise last..first is cleared.
      if (!Multi(h)) return LB_ERR;
      int a = static_cast<int>(wp), b = static_cast<int>(lp);
      if (a <= b) SelectRange(s, a, b, true);
      else SelectRange(s, b, a, false);
      Redraw(h, s);
      return LB_OKAY;
    }
    case LB_SELITEMRANGE:
      if (!Multi(h)) return LB_ERR;
      SelectRange(s, LOWORD(lp), HIWORD(lp), wp != 0);
      Redraw(h, s);
      return LB_OKAY;
    case LB_GETSELCOUNT: {
      if (!Multi(h)) return LB_ERR;
      return std::count_if(s->items.begin(), s->items.end(), [](const LbItem& it) { return it.selected; });
    }
    case LB_GETSELITEMS: {
      if (!Multi(h)) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lp);
      int n = 0;
      for (int i = 0; i < Count(s) && n < static_cast<int>(wp); ++i)
        if (s->items[static_cast<size_t>(i)].selected) out[n++] = i;
      return n;
    }
    case LB_SETANCHORINDEX:
      s->anchor = static_cast<int>(wp);
      return LB_OKAY;
    case LB_GETANCHORINDEX:
      return s->anchor;
    case LB_SETCARETINDEX:
      if (static_cast<int>(wp) < 0 || static_cast<int>(wp) >= Count(s)) return LB_ERR;
      s->caret = static_cast<int>(wp);
      Show(h, s, s->caret);
      Redraw(h, s);
      return LB_OKAY;
    case LB_GETCARETINDEX:
      return Count(s) ? s->caret : 0;
    case LB_FINDSTRING:
      return Find(h, s, static_cast<int>(wp), reinterpret_cast<LPCWSTR>(lp), false);
    case LB_FINDSTRINGEXACT:
      return Find(h, s, static_cast<int>(wp), reinterpret_cast<LPCWSTR>(lp), true);
    case LB_SELECTSTRING: {
      int i = Find(h, s, static_cast<int>(wp), reinterpret_cast<LPCWSTR>(lp), false);
      if (i < 0 || Multi(h)) return LB_ERR;
      SelectSingle(s, i);
      Show(h, s, i);
      Redraw(h, s);
      return i;
    }
    case LB_GETTOPINDEX:
      return s->top;
    case LB_SETTOPINDEX:
      if (static_cast<int>(wp) < 0 || (Count(s) && static_cast<int>(wp) >= Count(s))) return LB_ERR;
      SetTop(h, s, static_cast<int>(wp));
      return LB_OKAY;
    case LB_GETITEMRECT: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= std::max(1, Count(s)) || !lp) return LB_ERR;
      *reinterpret_cast<RECT*>(lp) = ItemRect(h, s, i);
      return LB_OKAY;
    }
    case LB_ITEMFROMPOINT: {
      RECT rc;
      ::GetClientRect(h, &rc);
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (Count(s) == 0) return MAKELONG(0, 1);
      int i = std::clamp(ItemAt(h, s, p.y), 0, Count(s) - 1);
      bool outside = !::PtInRect(&rc, p) || p.y >= ItemRect(h, s, i).bottom;
      return MAKELONG(i, outside ? 1 : 0);
    }
    case LB_SETITEMHEIGHT: {
      int v = LOWORD(lp);
      if (v <= 0 || v > 255) return LB_ERR;
      if (Style(h) & LBS_OWNERDRAWVARIABLE) {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= Count(s)) return LB_ERR;
        s->items[static_cast<size_t>(i)].height = v;
      } else {
        s->itemHeight = v;
      }
      Redraw(h, s);
      return LB_OKAY;
    }
    case LB_GETITEMHEIGHT:
      return Height(h, s, static_cast<int>(wp));
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
