// The dialog manager (windows from templates, keyboard navigation) and
// CDialog/CDialogEx.
#include <algorithm>
#include <climits>
#include <cwctype>
#include <unordered_map>

#include "platform/base/oledatetime.h"
#include "platform/framework/afxdlg.h"
#include "platform/framework/afxstate.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)
IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

namespace {

struct DialogInfo {
  HFONT font = nullptr;
  bool ownsFont = false;
  int baseX = 6, baseY = 13;
  UINT defId = 0;
  HWND lastFocus = nullptr;
  INT_PTR result = 0;
  bool ended = false;
};

std::unordered_map<HWND, DialogInfo>& Infos() {
  thread_local std::unordered_map<HWND, DialogInfo> infos;
  return infos;
}

DialogInfo* InfoOf(HWND h) {
  auto& m = Infos();
  auto it = m.find(h);
  return it == m.end() ? nullptr : &it->second;
}

bool IsDescendant(HWND parent, HWND h) { return h && (h == parent || ::IsChild(parent, h)); }

CString ClassOf(HWND h) {
  WCHAR buf[64] = {};
  ::GetClassName(h, buf, 64);
  return CString(buf);
}

bool IsEditControl(HWND h) { return ClassOf(h).CompareNoCase(u"Edit") == 0; }

// A control's own state counts, not its dialog's (which may still be hidden).
bool Usable(HWND h) {
  return (::GetWindowLong(h, GWL_STYLE) & WS_VISIBLE) && !(::GetWindowLong(h, GWL_STYLE) & WS_DISABLED);
}

// The controls of a dialog in tab order: children in z-order, going into
// child windows that hold controls of their own (WS_EX_CONTROLPARENT).
void CollectControls(HWND parent, std::vector<HWND>* out) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (::GetWindowLong(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
      if (Usable(c)) CollectControls(c, out);
    } else {
      out->push_back(c);
    }
  }
}

void FocusControl(HWND dialog, HWND ctl) {
  if (!ctl) return;
  ::SetFocus(ctl);
  if (IsEditControl(ctl)) ::SendMessage(ctl, EM_SETSEL, 0, -1);
  if (DialogInfo* info = InfoOf(dialog)) info->lastFocus = ctl;
}

HWND FindById(HWND dialog, int id) {
  std::vector<HWND> all;
  CollectControls(dialog, &all);
  for (HWND h : all)
    if (::GetDlgCtrlID(h) == id) return h;
  return nullptr;
}

void SendCommand(HWND dialog, int id) {
  HWND ctl = FindById(dialog, id);
  if (ctl && !::IsWindowEnabled(ctl)) {
    ::MessageBeep(0);
    return;
  }
  ::SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

// The control whose text has "&ch" (case ignored).
HWND FindMnemonic(HWND dialog, WCHAR ch) {
  std::vector<HWND> all;
  CollectControls(dialog, &all);
  WCHAR want = static_cast<WCHAR>(std::towupper(ch));
  for (HWND h : all) {
    if (!(::GetWindowLong(h, GWL_STYLE) & WS_VISIBLE)) continue;
    CString text;
    CWnd::FromHandle(h)->GetWindowText(text);
    for (int i = 0; i + 1 < text.GetLength(); ++i) {
      if (text[i] != u'&') continue;
      if (text[i + 1] == u'&') {
        ++i;
        continue;
      }
      if (static_cast<WCHAR>(std::towupper(text[i + 1])) == want) return h;
      break;
    }
  }
  return nullptr;
}

bool ActivateMnemonic(HWND dialog, HWND h) {
  UINT code = static_cast<UINT>(::SendMessage(h, WM_GETDLGCODE, 0, 0));
  if ((code & DLGC_STATIC) || ClassOf(h).CompareNoCase(u"Static") == 0) {
    // A label hands the focus to the control after it.
    std::vector<HWND> all;
    CollectControls(dialog, &all);
    auto it = std::find(all.begin(), all.end(), h);
    for (++it; it != all.end(); ++it) {
      if (Usable(*it) && (::GetWindowLong(*it, GWL_STYLE) & WS_TABSTOP)) {
        FocusControl(dialog, *it);
        return true;
      }
    }
    return false;
  }
  if (!Usable(h)) return false;
  if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
    ::SendMessage(h, BM_CLICK, 0, 0);
  } else if (code & DLGC_BUTTON) {
    FocusControl(dialog, h);
    ::SendMessage(h, BM_CLICK, 0, 0);
  } else {
    FocusControl(dialog, h);
  }
  return true;
}

LRESULT DefDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogInfo* info = InfoOf(hwnd);
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      auto brush =
          reinterpret_cast<HBRUSH>(::SendMessage(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      if (!brush) brush = ::GetSysColorBrush(COLOR_3DFACE);
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      ::FillRect(dc, &rc, brush);
      return 1;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    case DM_GETDEFID:
      return info && info->defId ? MAKELONG(info->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (info) info->defId = static_cast<UINT>(wParam);
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target;
      if (LOWORD(lParam)) target = reinterpret_cast<HWND>(wParam);
      else target = pv::afx::NextTabItem(hwnd, ::GetFocus(), wParam != 0);
      FocusControl(hwnd, target);
      return 0;
    }
    case WM_SETFOCUS: {
      HWND target = info && ::IsWindow(info->lastFocus) && IsDescendant(hwnd, info->lastFocus)
                        ? info->lastFocus
                        : pv::afx::NextTabItem(hwnd, nullptr, false);
      if (target) FocusControl(hwnd, target);
      return 0;
    }
    case WM_SETFONT:
      if (info) info->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return info ? reinterpret_cast<LRESULT>(info->font) : 0;
    case WM_CLOSE:
      SendCommand(hwnd, IDCANCEL);
      return 0;
    case WM_GETDLGCODE:
      return 0;
    case WM_NCDESTROY: {
      if (info) {
        if (info->ownsFont && info->font) ::DeleteObject(info->font);
        Infos().erase(hwnd);
      }
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
    }
    default:
      return ::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

void RegisterDialogClass() {
  WNDCLASSW wc{};
  if (::GetClassInfo(nullptr, WC_DIALOG, &wc)) return;
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = &DefDialogProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_DIALOG;
  ::RegisterClass(&wc);
}

void BaseUnitsOf(HFONT font, int* bx, int* by) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
  TEXTMETRIC tm{};
  ::GetTextMetrics(dc, &tm);
  static const char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE sz{};
  ::GetTextExtentPoint32(dc, kAlphabet, 52, &sz);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  *bx = std::max(1, static_cast<int>((sz.cx / 26 + 1) / 2));
  *by = std::max(1, static_cast<int>(tm.tmHeight));
}

}  // namespace

// ---- navigation ---------------------------------------------------------------------------------------
HWND pv::afx::NextTabItem(HWND dialog, HWND control, bool previous) {
  std::vector<HWND> all;
  CollectControls(dialog, &all);
  std::vector<HWND> stops;
  for (HWND h : all)
    if (Usable(h) && (::GetWindowLong(h, GWL_STYLE) & WS_TABSTOP)) stops.push_back(h);
  if (stops.empty()) return nullptr;
  // A control inside a stop (an edit inside a combo box) counts as the stop.
  auto it = std::find_if(stops.begin(), stops.end(), [&](HWND h) { return control && IsDescendant(h, control); });
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  size_t i = static_cast<size_t>(it - stops.begin());
  size_t n = stops.size();
  return stops[previous ? (i + n - 1) % n : (i + 1) % n];
}

HWND pv::afx::NextGroupItem(HWND dialog, HWND control, bool previous) {
  std::vector<HWND> all;
  CollectControls(dialog, &all);
  auto it = std::find(all.begin(), all.end(), control);
  if (it == all.end()) return control;
  // The group: from the last WS_GROUP at or before the control to the item
  // before the next WS_GROUP.
  size_t i = static_cast<size_t>(it - all.begin());
  size_t first = i;
  while (first > 0 && !(::GetWindowLong(all[first], GWL_STYLE) & WS_GROUP)) --first;
  size_t last = i + 1;
  while (last < all.size() && !(::GetWindowLong(all[last], GWL_STYLE) & WS_GROUP)) ++last;
  std::vector<HWND> group(all.begin() + static_cast<long>(first), all.begin() + static_cast<long>(last));
  size_t n = group.size(), at = i - first;
  for (size_t step = 1; step < n; ++step) {
    HWND h = group[previous ? (at + n - step) % n : (at + step) % n];
    if (Usable(h)) return h;
  }
  return control;
}

bool pv::DialogKeyMessage(HWND dialog, MSG* msg) {
  if (!msg->hwnd || !IsDescendant(dialog, msg->hwnd)) return false;
  if (msg->message != WM_KEYDOWN && msg->message != WM_CHAR && msg->message != WM_SYSCHAR) return false;
  UINT code = static_cast<UINT>(::SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)));
  if (code & DLGC_WANTMESSAGE) return false;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_TAB: {
        if (code & DLGC_WANTTAB) return false;
        bool back = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        FocusControl(dialog, pv::afx::NextTabItem(dialog, msg->hwnd, back));
        return true;
      }
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        if (code & DLGC_WANTARROWS) return false;
        bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
        HWND next = pv::afx::NextGroupItem(dialog, msg->hwnd, back);
        if (next && next != msg->hwnd) {
          FocusControl(dialog, next);
          UINT nextCode = static_cast<UINT>(::SendMessage(next, WM_GETDLGCODE, 0, 0));
          if (nextCode & DLGC_RADIOBUTTON) ::SendMessage(next, BM_CLICK, 0, 0);
        }
        return true;
      }
      case VK_RETURN: {
        int id = IDOK;
        if (code & DLGC_DEFPUSHBUTTON || code & DLGC_UNDEFPUSHBUTTON) {
          id = ::GetDlgCtrlID(msg->hwnd);
        } else {
          LRESULT def = ::SendMessage(dialog, DM_GETDEFID, 0, 0);
          if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
        }
        SendCommand(dialog, id);
        return true;
      }
      case VK_ESCAPE:
        SendCommand(dialog, IDCANCEL);
        return true;
      default:
        return false;
    }
  }
  if (msg->message == WM_CHAR && (code & DLGC_WANTCHARS)) return false;
  if (msg->wParam < 0x20) return msg->message == WM_CHAR && (msg->wParam == u'\t' || msg->wParam == 0x1B);
  HWND target = FindMnemonic(dialog, static_cast<WCHAR>(msg->wParam));
  if (!target) {
    // An unknown Alt+letter must not reach the menu of a modal dialog's
    // owner; in a form inside a frame it opens the frame's menu.
    return msg->message == WM_SYSCHAR && !(::GetWindowLong(dialog, GWL_STYLE) & WS_CHILD);
  }
  ActivateMnemonic(dialog, target);
  return true;
}

BOOL IsDialogMessage(HWND hDlg, LPMSG lpMsg) { return pv::DialogKeyMessage(hDlg, lpMsg) ? TRUE : FALSE; }
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) { return pv::afx::NextTabItem(hDlg, hCtl, bPrevious); }
HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) { return pv::afx::NextGroupItem(hDlg, hCtl, bPrevious); }

LONG GetDialogBaseUnits() {
  int bx = 0, by = 0;
  BaseUnitsOf(nullptr, &bx, &by);
  return MAKELONG(bx, by);
}

void pv::MapDialogRect(HWND dialog, LPRECT r) {
  int bx = 6, by = 13;
  if (DialogInfo* info = InfoOf(dialog)) {
    bx = info->baseX;
    by = info->baseY;
  }
  r->left = MulDiv(r->left, bx, 4);
  r->right = MulDiv(r->right, bx, 4);
  r->top = MulDiv(r->top, by, 8);
  r->bottom = MulDiv(r->bottom, by, 8);
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
  pv::MapDialogRect(hDlg, lpRect);
  return TRUE;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  // A modal CDialog ends its own loop; a modeless one is hidden below (its
  // EndDialog calls this one, so it must not be called back).
  CDialog* d = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
  if (d && d->m_bModal) {
    d->EndDialog(static_cast<int>(nResult));
    return TRUE;
  }
  if (DialogInfo* info = InfoOf(hDlg)) {
    info->result = nResult;
    info->ended = true;
    ::ShowWindow(hDlg, SW_HIDE);
    return TRUE;
  }
  return FALSE;
}

// ---- creation from templates ---------------------------------------------------------------------------
bool pv::DialogTemplateFromResource(HINSTANCE inst, LPCTSTR name, DialogTemplate* out) {
  HINSTANCE module = inst ? inst : AfxFindResourceHandle(name, RT_DIALOG);
  HRSRC res = ::FindResource(module, name, RT_DIALOG);
  if (!res) return false;
  const void* data = ::LockResource(::LoadResource(module, res));
  return data && DecodeDialogResource(data, ::SizeofResource(module, res), out);
}

HWND pv::CreateDialogFromTemplate(const DialogTemplate& tmpl, HWND parent, CWnd* pDialog, LPARAM initParam) {
  RegisterDialogClass();
  // The dialog font fixes the dialog units.
  HFONT font = nullptr;
  bool ownsFont = false;
  if (tmpl.pointSize) {
    HDC dc = ::GetDC(nullptr);
    int height = -MulDiv(tmpl.pointSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, dc);
    font = ::CreateFont(height, 0, 0, 0, tmpl.weight ? tmpl.weight : FW_NORMAL, tmpl.italic, 0, 0, tmpl.charset, 0, 0,
                        0, 0, tmpl.faceName.empty() ? u"MS Shell Dlg" : tmpl.faceName.c_str());
    ownsFont = font != nullptr;
  }
  if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  int bx = 6, by = 13;
  BaseUnitsOf(font, &bx, &by);

  DWORD style = tmpl.style;
  bool child = (style & WS_CHILD) != 0;
  RECT rc{MulDiv(tmpl.x, bx, 4), MulDiv(tmpl.y, by, 8), MulDiv(tmpl.x + tmpl.cx, bx, 4),
          MulDiv(tmpl.y + tmpl.cy, by, 8)};
  ::AdjustWindowRectEx(&rc, style & ~WS_VISIBLE, FALSE, tmpl.exStyle);
  if (!child && parent && !(style & DS_ABSALIGN)) {
    // Pop-up dialogs are placed relative to the owner's client area.
    POINT origin{0, 0};
    ::ClientToScreen(parent, &origin);
    ::OffsetRect(&rc, origin.x, origin.y);
  }
  std::u16string cls = tmpl.className.empty() ? std::u16string(WC_DIALOG) : tmpl.className;
  HMENU menu = nullptr;
  if (!child && !tmpl.menu.empty()) {
    std::u16string m = tmpl.menu;
    LPCTSTR menuName = m.c_str();
    if (m[0] == u'#') menuName = MAKEINTRESOURCE(std::stoi(std::string(m.begin() + 1, m.end())));
    menu = ::LoadMenu(AfxFindResourceHandle(menuName, RT_MENU), menuName);
  }
  if (pDialog) AfxHookWindowCreate(pDialog);
  HWND dialog = ::CreateWindowEx(tmpl.exStyle, cls.c_str(), tmpl.caption.c_str(), style & ~WS_VISIBLE, rc.left, rc.top,
                                 rc.right - rc.left, rc.bottom - rc.top, parent, menu, AfxGetInstanceHandle(), nullptr);
  if (pDialog) AfxUnhookWindowCreate();
  if (!dialog) {
    if (ownsFont) ::DeleteObject(font);
    return nullptr;
  }
  DialogInfo& info = Infos()[dialog];
  info.font = font;
  info.ownsFont = ownsFont;
  info.baseX = bx;
  info.baseY = by;

  for (const DialogItemTemplate& item : tmpl.items) {
    RECT ir{MulDiv(item.x, bx, 4), MulDiv(item.y, by, 8), MulDiv(item.x + item.cx, bx, 4),
            MulDiv(item.y + item.cy, by, 8)};
    HWND ctl = ::CreateWindowEx(item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(), item.text.c_str(),
                                item.style | WS_CHILD, ir.left, ir.top, ir.right - ir.left, ir.bottom - ir.top, dialog,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), AfxGetInstanceHandle(),
                                item.extra.empty() ? nullptr : const_cast<BYTE*>(item.extra.data()));
    if (!ctl) {
      if (style & DS_NOFAILCREATE) continue;
      ::DestroyWindow(dialog);
      return nullptr;
    }
    ::SendMessage(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (std::u16string_view(item.className).size() == 6 &&
        CString(item.className.c_str()).CompareNoCase(u"Button") == 0 && (item.style & 0x0F) == 0x01)
      info.defId = item.id;
  }
  ::SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HWND first = pv::afx::NextTabItem(dialog, nullptr, false);
  if (::SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam) && ::IsWindow(dialog)) {
    FocusControl(dialog, pv::afx::NextTabItem(dialog, nullptr, false));
  }
  if (!::IsWindow(dialog)) return nullptr;
  if (style & DS_CENTER) CWnd::FromHandle(dialog)->CenterWindow();
  if ((style & WS_VISIBLE) && !(InfoOf(dialog) && InfoOf(dialog)->ended)) {
    ::ShowWindow(dialog, SW_SHOWNORMAL);
    ::UpdateWindow(dialog);
  }
  return dialog;
}

// ---- CDialog ------------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
END_MESSAGE_MAP()

CDialog::CDialog() = default;
CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}
CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}
CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialog::LoadTemplate(pv::DialogTemplate* out) const {
  if (m_hasIndirect) {
    *out = m_indirect;
    return TRUE;
  }
  return m_lpszTemplateName && pv::DialogTemplateFromResource(nullptr, m_lpszTemplateName, out);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) {
  m_lpszTemplateName = lpszTemplateName;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  pv::DialogTemplate t;
  if (!LoadTemplate(&t)) return FALSE;
  return pv::CreateDialogFromTemplate(t, HwndOf(m_pParentWnd), this, 0) != nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCE(nIDTemplate), pParentWnd); }

BOOL CDialog::CreateIndirect(const pv::DialogTemplate& tmpl, CWnd* pParentWnd) {
  if (pParentWnd) m_pParentWnd = pParentWnd;
  return pv::CreateDialogFromTemplate(tmpl, HwndOf(m_pParentWnd), this, 0) != nullptr;
}

BOOL CDialog::InitModalIndirect(const pv::DialogTemplate& tmpl, CWnd* pParentWnd) {
  m_indirect = tmpl;
  m_hasIndirect = true;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  pv::DialogTemplate t;
  if (!LoadTemplate(&t)) return -1;
  CWnd* owner = GetSafeOwner(m_pParentWnd, &m_hWndTop);
  HWND hOwner = HwndOf(owner);
  bool reenable = false;
  if (hOwner && ::IsWindowEnabled(hOwner)) {
    ::EnableWindow(hOwner, FALSE);
    reenable = true;
  }
  m_bModal = TRUE;
  // Not -1: OnInitDialog may end the dialog with -1 before it shows.
  constexpr int kNotEnded = INT_MIN;
  m_nModalResult = kNotEnded;
  t.style &= ~WS_VISIBLE;
  HWND h = pv::CreateDialogFromTemplate(t, hOwner, this, 0);
  bool endedEarly = m_nModalResult != kNotEnded;  // EndDialog in OnInitDialog: it never shows
  if (!endedEarly) m_nModalResult = -1;
  if (h) {
    if (!endedEarly) {
      ::ShowWindow(h, SW_SHOWNORMAL);
      // The owner hears of idle time (WM_ENTERIDLE) unless the template says not to.
      RunModalLoop((t.style & DS_NOIDLEMSG) ? MLF_NOIDLEMSG : 0);
    }
    if (::IsWindow(h))
      ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (reenable) ::EnableWindow(hOwner, TRUE);
  if (hOwner && ::IsWindow(hOwner)) ::SetActiveWindow(hOwner);
  if (m_hWnd) DestroyWindow();
  m_bModal = FALSE;
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  if (m_bModal) {
    if (m_nFlags & kContinueModal) EndModalLoop(nResult);
    else m_nModalResult = nResult;
  } else if (m_hWnd) {
    ::EndDialog(m_hWnd, nResult);  // hides a modeless dialog
  }
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
  RECT before{};
  ::GetWindowRect(m_hWnd, &before);
  LRESULT result = OnInitDialog();
  // A pop-up dialog that its initialisation did not place is centred on its
  // owner (on the screen without one), as the framework has always done.
  if (::IsWindow(m_hWnd) && !(GetStyle() & (WS_CHILD | WS_VISIBLE))) {
    RECT after{};
    ::GetWindowRect(m_hWnd, &after);
    if (after.left == before.left && after.top == before.top) CenterWindow();
  }
  return result;
}

BOOL CDialog::OnInitDialog() {
  // Texts stored with the template first, so that the data exchange can
  // select among them. Corrupt data ends the dialog (DoModal answers -1).
  if (!ExecuteDlgInit(m_lpszTemplateName)) {
    EndDialog(-1);
    return FALSE;
  }
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (!m_hWnd || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
  return pv::DialogKeyMessage(m_hWnd, pMsg) ? TRUE : FALSE;
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if ((nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI) || nID >= 0xF000) return FALSE;
  // Commands the dialog does not handle go to the application last.
  CWinThread* thread = AfxGetThread();
  return thread && thread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
    return TRUE;
  } catch (CUserException* e) {
    e->Delete();
  } catch (CException* e) {
    e->ReportError();
    e->Delete();
  }
  return FALSE;
}

BOOL CWnd::ExecuteDlgInit(LPCTSTR lpszResourceName) {
  if (!lpszResourceName || !m_hWnd) return TRUE;
  HINSTANCE module = AfxFindResourceHandle(lpszResourceName, RT_DLGINIT);
  if (!module) return TRUE;
  HRSRC res = ::FindResource(module, lpszResourceName, RT_DLGINIT);
  if (!res) return TRUE;
  const void* data = ::LockResource(::LoadResource(module, res));
  return data ? ExecuteDlgInit(data, ::SizeofResource(module, res)) : FALSE;
}

BOOL CWnd::ExecuteDlgInit(const void* lpResource, DWORD dwSize) {
  std::vector<pv::DialogInitEntry> entries;
  if (!pv::DecodeDialogInitResource(lpResource, dwSize, &entries)) return FALSE;
  for (const pv::DialogInitEntry& e : entries) {
    // Only texts are added; a message of another kind would take its data
    // as a pointer, so it is passed over.
    if (e.message != LB_ADDSTRING && e.message != CB_ADDSTRING) continue;
    HWND item = ::GetDlgItem(m_hWnd, e.controlId);
    if (!item) continue;
    LRESULT r = ::SendMessage(item, e.message, 0, reinterpret_cast<LPARAM>(e.text.c_str()));
    if (r == LB_ERR || r == LB_ERRSPACE) return FALSE;  // the same values for combo boxes
  }
  return TRUE;
}

// ---- CPropertyPage -------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CPropertyPage, CDialog)
END_MESSAGE_MAP()

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate) {
  if (nIDCaption) m_strCaption.LoadString(nIDCaption);
}
CPropertyPage::CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption) : CDialog(lpszTemplateName) {
  if (nIDCaption) m_strCaption.LoadString(nIDCaption);
}

BOOL CPropertyPage::OnSetActive() {
  // The controls were filled when the page was made; later activations
  // show the members again, which may have changed meanwhile.
  if (m_bFirstSetActive) m_bFirstSetActive = FALSE;
  else if (m_hWnd) UpdateData(FALSE);
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return m_hWnd ? UpdateData(TRUE) : TRUE; }

// ---- CDialogEx -----------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CDialogEx::~CDialogEx() {
  if (m_bAutoDestroyBmp && m_hBkgrBitmap) ::DeleteObject(m_hBkgrBitmap);
}

void CDialogEx::SetBackgroundColor(COLORREF color, BOOL bRepaint) {
  m_brBack.DeleteObject();
  if (color != static_cast<COLORREF>(-1)) m_brBack.CreateSolidBrush(color);
  if (bRepaint && m_hWnd) Invalidate();
}

void CDialogEx::SetBackgroundImage(HBITMAP hBitmap, int, BOOL bAutoDestroy, BOOL bRepaint) {
  if (m_bAutoDestroyBmp && m_hBkgrBitmap && m_hBkgrBitmap != hBitmap) ::DeleteObject(m_hBkgrBitmap);
  m_hBkgrBitmap = hBitmap;
  m_bAutoDestroyBmp = bAutoDestroy;
  if (bRepaint && m_hWnd) Invalidate();
}

BOOL CDialogEx::OnEraseBkgnd(CDC* pDC) {
  CRect rc;
  GetClientRect(&rc);
  if (m_brBack.m_hObject) {
    pDC->FillRect(&rc, &m_brBack);
  } else {
    pDC->FillSolidRect(&rc, ::GetSysColor(COLOR_3DFACE));
  }
  if (m_hBkgrBitmap) {
    HDC mem = ::CreateCompatibleDC(pDC->m_hDC);
    HGDIOBJ old = ::SelectObject(mem, m_hBkgrBitmap);
    BITMAP bm{};
    ::GetObject(m_hBkgrBitmap, sizeof(bm), &bm);
    ::BitBlt(pDC->m_hDC, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
  }
  return TRUE;
}

HBRUSH CDialogEx::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (m_brBack.m_hObject && (nCtlColor == CTLCOLOR_DLG || nCtlColor == CTLCOLOR_STATIC || nCtlColor == CTLCOLOR_BTN)) {
    LOGBRUSH lb{};
    m_brBack.GetLogBrush(&lb);
    pDC->SetBkColor(lb.lbColor);
    return static_cast<HBRUSH>(m_brBack.m_hObject);
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}
