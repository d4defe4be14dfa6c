// System information: metrics, parameters, monitors, beeps.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/gdi/gdi_private.h"
#include "platform/window/test_input.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {
namespace {
// Metrics set by the test helper SetMetric (index -> value): the UI thread's.
std::map<int, int>& MetricOverrides() {
  static std::map<int, int>& m = *new std::map<int, int>;
  return m;
}

void EnsureMonitors() {
  auto& m = Ui().system.monitors;
  if (m.empty()) m.push_back(Monitor{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}, true, u"\\\\.\\DISPLAY1"});
}

RECT VirtualScreen() {
  EnsureMonitors();
  RECT v = Ui().system.monitors[0].rect;
  for (const Monitor& m : Ui().system.monitors) {
    v.left = std::min(v.left, m.rect.left);
    v.top = std::min(v.top, m.rect.top);
    v.right = std::max(v.right, m.rect.right);
    v.bottom = std::max(v.bottom, m.rect.bottom);
  }
  return v;
}

const Monitor& Primary() {
  EnsureMonitors();
  for (const Monitor& m : Ui().system.monitors)
    if (m.primary) return m;
  return Ui().system.monitors[0];
}

HMONITOR MonitorHandle(size_t index) { return reinterpret_cast<HMONITOR>(static_cast<ULONG_PTR>(0x10001 + index)); }

const Monitor* FromMonitorHandle(HMONITOR h) {
  EnsureMonitors();
  ULONG_PTR v = reinterpret_cast<ULONG_PTR>(h);
  if (v < 0x10001) return nullptr;
  size_t i = v - 0x10001;
  return i < Ui().system.monitors.size() ? &Ui().system.monitors[i] : nullptr;
}

void FillFont(LOGFONTW* lf, bool bold) {
  std::memset(lf, 0, sizeof(*lf));
  lf->lfHeight = -11;
  lf->lfWeight = bold ? 700 : 400;
  lf->lfCharSet = 1;  // DEFAULT_CHARSET
  const char16_t* face = u"Tahoma";
  for (int i = 0; face[i]; ++i) lf->lfFaceName[i] = face[i];
}

void Broadcast(UINT action, UINT winIni) {
  if (!(winIni & SPIF_SENDCHANGE)) return;
  SendMessage(HWND_BROADCAST, WM_SETTINGCHANGE, action, 0);
}

bool GetBoolParam(PVOID out, bool value) {
  if (!out) return false;
  *static_cast<BOOL*>(out) = value ? TRUE : FALSE;
  return true;
}
}  // namespace
}  // namespace pv::wm

int GetSystemMetrics(int index) {
  auto it = MetricOverrides().find(index);
  if (it != MetricOverrides().end()) return it->second;
  const Monitor& p = Primary();
  RECT v = VirtualScreen();
  int frame = 4;
  switch (index) {
    case SM_CXSCREEN:
      return p.rect.right - p.rect.left;
    case SM_CYSCREEN:
      return p.rect.bottom - p.rect.top;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 16;
    case SM_CYCAPTION:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return frame;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CYMENU:
      return 19;
    case SM_CXFULLSCREEN:
      return p.work.right - p.work.left;
    case SM_CYFULLSCREEN:
      return p.work.bottom - p.work.top - 19;
    case SM_CYKANJIWINDOW:
      return 0;
    case SM_MOUSEPRESENT:
      return 1;
    case SM_DEBUG:
      return 0;
    case SM_SWAPBUTTON:
      return Ui().system.swapButtons ? 1 : 0;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
      return 18;
    case SM_CXDOUBLECLK:
      return Ui().system.doubleClickCx;
    case SM_CYDOUBLECLK:
      return Ui().system.doubleClickCy;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_MENUDROPALIGNMENT:
      return 0;
    case SM_PENWINDOWS:
      return 0;
    case SM_DBCSENABLED:
      return 0;
    case SM_CMOUSEBUTTONS:
      return 5;
    case SM_SECURE:
      return 0;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXMINSPACING:
      return 160;
    case SM_CYMINSPACING:
      return 24;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXSMSIZE:
      return 12;
    case SM_CYSMSIZE:
      return 15;
    case SM_ARRANGE:
      return ActiveBackend().IconifiesWindows() ? ARW_HIDE : ARW_BOTTOMLEFT | ARW_RIGHT;
    case SM_CXMINIMIZED:
      return 160;
    case SM_CYMINIMIZED:
      return 24;
    case SM_CXMAXTRACK:
      return (v.right - v.left) + 2 * frame + 12;
    case SM_CYMAXTRACK:
      return (v.bottom - v.top) + 2 * frame + 12;
    case SM_CXMAXIMIZED:
      return (p.work.right - p.work.left) + 2 * frame;
    case SM_CYMAXIMIZED:
      return (p.work.bottom - p.work.top) + 2 * frame;
    case SM_NETWORK:
      return 3;
    case SM_CLEANBOOT:
      return 0;
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_SHOWSOUNDS:
      return 0;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    case SM_SLOWMACHINE:
      return 0;
    case SM_MIDEASTENABLED:
      return 0;
    case SM_MOUSEWHEELPRESENT:
      return 1;
    case SM_XVIRTUALSCREEN:
      return v.left;
    case SM_YVIRTUALSCREEN:
      return v.top;
    case SM_CXVIRTUALSCREEN:
      return v.right - v.left;
    case SM_CYVIRTUALSCREEN:
      return v.bottom - v.top;
    case SM_CMONITORS:
      return static_cast<int>(Ui().system.monitors.size());
    case SM_SAMEDISPLAYFORMAT:
      return 1;
    case SM_IMMENABLED:
      return 0;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
      return 1;
    case SM_TABLETPC:
    case SM_MEDIACENTER:
      return 0;
    case SM_CXPADDEDBORDER:
      return 0;
    case SM_REMOTESESSION:
      return 0;
  }
  return 0;
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, PVOID pv, UINT winIni) {
  UiState& s = Ui();
  EnsureMonitors();
  switch (action) {
    case SPI_GETWORKAREA:
      if (!pv) return FALSE;
      *static_cast<RECT*>(pv) = Primary().work;
      return TRUE;
    case SPI_SETWORKAREA: {
      if (!pv) return FALSE;
      RECT r = *static_cast<RECT*>(pv);
      for (Monitor& m : s.system.monitors)
        if (m.primary)
          m.work = RECT{std::max(r.left, m.rect.left), std::max(r.top, m.rect.top), std::min(r.right, m.rect.right),
                        std::min(r.bottom, m.rect.bottom)};
      Broadcast(action, winIni);
      return TRUE;
    }
    case SPI_GETNONCLIENTMETRICS: {
      auto* ncm = static_cast<NONCLIENTMETRICSW*>(pv);
      if (!ncm) return FALSE;
      UINT size = ncm->cbSize;
      if (size != sizeof(NONCLIENTMETRICSW) && size != sizeof(NONCLIENTMETRICSW) - sizeof(int)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      std::memset(ncm, 0, size);
      ncm->cbSize = size;
      ncm->iBorderWidth = 1;
      ncm->iScrollWidth = 16;
      ncm->iScrollHeight = 16;
      ncm->iCaptionWidth = 18;
      ncm->iCaptionHeight = 18;
      FillFont(&ncm->lfCaptionFont, true);
      ncm->iSmCaptionWidth = 12;
      ncm->iSmCaptionHeight = 14;
      FillFont(&ncm->lfSmCaptionFont, true);
      ncm->iMenuWidth = 18;
      ncm->iMenuHeight = 18;
      FillFont(&ncm->lfMenuFont, false);
      FillFont(&ncm->lfStatusFont, false);
      FillFont(&ncm->lfMessageFont, false);
      return TRUE;
    }
    case SPI_SETNONCLIENTMETRICS:
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETICONTITLELOGFONT:
      if (!pv) return FALSE;
      FillFont(static_cast<LOGFONTW*>(pv), false);
      return TRUE;
    case SPI_GETICONMETRICS: {
      auto* im = static_cast<ICONMETRICSW*>(pv);
      if (!im) return FALSE;
      im->iHorzSpacing = 75;
      im->iVertSpacing = 75;
      im->iTitleWrap = 1;
      FillFont(&im->lfFont, false);
      return TRUE;
    }
    case SPI_GETMENUANIMATION:
      return GetBoolParam(pv, s.system.menuAnimation);
    case SPI_SETMENUANIMATION:
      s.system.menuAnimation = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETMENUFADE:
      return GetBoolParam(pv, s.system.menuFade);
    case SPI_SETMENUFADE:
      s.system.menuFade = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETDROPSHADOW:
      return GetBoolParam(pv, s.system.dropShadow);
    case SPI_SETDROPSHADOW:
      s.system.dropShadow = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETKEYBOARDCUES:
      return GetBoolParam(pv, s.system.keyboardCues);
    case SPI_SETKEYBOARDCUES:
      s.system.keyboardCues = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETFLATMENU:
      return GetBoolParam(pv, s.system.flatMenu);
    case SPI_SETFLATMENU:
      s.system.flatMenu = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETUIEFFECTS:
      return GetBoolParam(pv, s.system.uiEffects);
    case SPI_SETUIEFFECTS:
      s.system.uiEffects = pv != nullptr;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETDRAGFULLWINDOWS:
      return GetBoolParam(pv, s.system.dragFullWindows);
    case SPI_SETDRAGFULLWINDOWS:
      s.system.dragFullWindows = uiParam != 0;
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = static_cast<UINT>(s.system.wheelLines);
      return TRUE;
    case SPI_SETWHEELSCROLLLINES:
      s.system.wheelLines = static_cast<int>(uiParam);
      Broadcast(action, winIni);
      return TRUE;
    case SPI_GETWHEELSCROLLCHARS:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = static_cast<UINT>(s.system.wheelChars);
      return TRUE;
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETCLIENTAREAANIMATION:
      return GetBoolParam(pv, false);
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETHOTTRACKING:
    case SPI_GETFONTSMOOTHING:
    case SPI_GETBEEP:
    case SPI_GETICONTITLEWRAP:
    case SPI_GETFASTTASKSWITCH:
      return GetBoolParam(pv, true);
    case SPI_GETSCREENREADER:
    case SPI_GETKEYBOARDPREF:
    case SPI_GETMENUDROPALIGNMENT:
    case SPI_GETSCREENSAVEACTIVE:
    case SPI_GETACTIVEWINDOWTRACKING:
    case SPI_GETACTIVEWNDTRKZORDER:
    case SPI_GETMOUSESONAR:
    case SPI_GETMOUSECLICKLOCK:
    case SPI_GETMOUSEVANISH:
    case SPI_GETBLOCKSENDINPUTRESETS:
    case SPI_GETSHOWIMEUI:
      return GetBoolParam(pv, false);
    case SPI_GETHIGHCONTRAST: {
      auto* hc = static_cast<HIGHCONTRASTW*>(pv);
      if (!hc) return FALSE;
      hc->dwFlags = 0;
      hc->lpszDefaultScheme = nullptr;
      return TRUE;
    }
    case SPI_GETANIMATION: {
      auto* ai = static_cast<ANIMATIONINFO*>(pv);
      if (!ai) return FALSE;
      ai->iMinAnimate = 0;
      return TRUE;
    }
    case SPI_GETMENUSHOWDELAY:
    case SPI_GETMOUSEHOVERTIME:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 400;
      return TRUE;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 4;
      return TRUE;
    case SPI_GETBORDER:
    case SPI_GETCARETWIDTH:
    case SPI_GETFOCUSBORDERWIDTH:
    case SPI_GETFOCUSBORDERHEIGHT:
    case SPI_GETKEYBOARDDELAY:
    case SPI_GETFONTSMOOTHINGTYPE:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 1;
      return TRUE;
    case SPI_GETFONTSMOOTHINGCONTRAST:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 1400;
      return TRUE;
    case SPI_GETKEYBOARDSPEED:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 31;
      return TRUE;
    case SPI_GETSCREENSAVETIMEOUT:
      if (!pv) return FALSE;
      *static_cast<int*>(pv) = 0;
      return TRUE;
    case SPI_GETFOREGROUNDLOCKTIMEOUT:
      if (!pv) return FALSE;
      *static_cast<DWORD*>(pv) = 200000;
      return TRUE;
    case SPI_ICONHORIZONTALSPACING:
    case SPI_ICONVERTICALSPACING:
      if (pv) *static_cast<int*>(pv) = 75;
      return TRUE;
    case SPI_GETMOUSE:
      if (!pv) return FALSE;
      static_cast<int*>(pv)[0] = 6;
      static_cast<int*>(pv)[1] = 10;
      static_cast<int*>(pv)[2] = 1;
      return TRUE;
    case SPI_GETDEFAULTINPUTLANG:
      if (!pv) return FALSE;
      *static_cast<HKL*>(pv) = GetKeyboardLayout(0);
      return TRUE;
    case SPI_SETDOUBLECLICKTIME:
      SetDoubleClickTime(uiParam);
      return TRUE;
    case SPI_SETDOUBLECLKWIDTH:
      s.system.doubleClickCx = static_cast<int>(uiParam);
      return TRUE;
    case SPI_SETDOUBLECLKHEIGHT:
      s.system.doubleClickCy = static_cast<int>(uiParam);
      return TRUE;
    case SPI_SETMOUSEBUTTONSWAP:
      s.system.swapButtons = uiParam != 0;
      return TRUE;
    case SPI_GETMINIMIZEDMETRICS:
      return pv != nullptr;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
BOOL SystemParametersInfoW(UINT action, UINT uiParam, PVOID pv, UINT winIni) {
  return SystemParametersInfo(action, uiParam, pv, winIni);
}

// ---- monitors -----------------------------------------------------------------------------------
HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags) {
  EnsureMonitors();
  if (!rect) return nullptr;
  auto& mons = Ui().system.monitors;
  long best = 0;
  size_t bestIndex = SIZE_MAX;
  for (size_t i = 0; i < mons.size(); ++i) {
    RECT in = RectIntersect(*rect, mons[i].rect);
    long area = static_cast<long>(in.right - in.left) * (in.bottom - in.top);
    if (!RectEmpty(in) && area > best) {
      best = area;
      bestIndex = i;
    }
  }
  if (bestIndex == SIZE_MAX && rect->left == rect->right && rect->top == rect->bottom) {
    for (size_t i = 0; i < mons.size(); ++i) {
      const RECT& m = mons[i].rect;
      if (rect->left >= m.left && rect->left < m.right && rect->top >= m.top && rect->top < m.bottom) bestIndex = i;
    }
  }
  if (bestIndex != SIZE_MAX) return MonitorHandle(bestIndex);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) {
    for (size_t i = 0; i < mons.size(); ++i)
      if (mons[i].primary) return MonitorHandle(i);
    return MonitorHandle(0);
  }
  // nearest: smallest distance between the rectangles
  long bestDist = -1;
  for (size_t i = 0; i < mons.size(); ++i) {
    const RECT& m = mons[i].rect;
    long dx =
        std::max<long>({0L, static_cast<long>(m.left) - rect->right + 1, static_cast<long>(rect->left) - m.right + 1});
    long dy =
        std::max<long>({0L, static_cast<long>(m.top) - rect->bottom + 1, static_cast<long>(rect->top) - m.bottom + 1});
    long d = dx * dx + dy * dy;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      bestIndex = i;
    }
  }
  return MonitorHandle(bestIndex == SIZE_MAX ? 0 : bestIndex);
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  RECT r{pt.x, pt.y, pt.x, pt.y};
  return MonitorFromRect(&r, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  RECT r = ScreenRect(w);
  if (w->style & WS_MINIMIZE) r = RectOffset(w->normalRect, 0, 0);
  if (RectEmpty(r)) r.right = r.left, r.bottom = r.top;
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
  const Monitor* m = FromMonitorHandle(monitor);
  if (!m || !info) return FALSE;
  info->rcMonitor = m->rect;
  info->rcWork = m->work;
  info->dwFlags = m->primary ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize >= sizeof(MONITORINFOEXW)) {
    auto* ex = static_cast<MONITORINFOEXW*>(info);
    std::memset(ex->szDevice, 0, sizeof(ex->szDevice));
    for (size_t i = 0; i < m->name.size() && i < CCHDEVICENAME - 1; ++i) ex->szDevice[i] = m->name[i];
  }
  return TRUE;
}
BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) { return GetMonitorInfo(monitor, info); }

BOOL EnumDisplayMonitors(HDC, LPCRECT clip, MONITORENUMPROC proc, LPARAM data) {
  EnsureMonitors();
  if (!proc) return FALSE;
  auto mons = Ui().system.monitors;
  for (size_t i = 0; i < mons.size(); ++i) {
    RECT r = mons[i].rect;
    if (clip) {
      r = RectIntersect(r, *clip);
      if (RectEmpty(r)) continue;
    }
    if (!proc(MonitorHandle(i), nullptr, &r, data)) return FALSE;
  }
  return TRUE;
}

BOOL MessageBeep(UINT type) {
  Ui().system.beeps.push_back(type);
  return TRUE;
}

UINT GetDpiForWindow(HWND hwnd) { return FromHandleQuiet(hwnd) ? 96 : 0; }
UINT GetDpiForSystem() { return 96; }

// ---- test configuration -----------------------------------------------------------------------------
namespace pv::test {

void SetScreen(int cx, int cy, int taskBarHeight) {
  auto& m = Ui().system.monitors;
  m.clear();
  m.push_back(Monitor{RECT{0, 0, cx, cy}, RECT{0, 0, cx, cy - taskBarHeight}, true, u"\\\\.\\DISPLAY1"});
  Desktop()->rect = RECT{0, 0, cx, cy};
  Desktop()->client = Desktop()->rect;
  GdiSetScreenSize(cx, cy);
  if (!Desktop()->children.empty()) SendMessage(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(cx, cy));
}

void AddMonitor(const RECT& rect, const RECT& work) {
  EnsureMonitors();
  auto& m = Ui().system.monitors;
  std::u16string name = u"\\\\.\\DISPLAY";
  name += static_cast<char16_t>(u'1' + m.size());
  m.push_back(Monitor{rect, work, false, name});
}

void SetMetric(int index, int value) { MetricOverrides()[index] = value; }
void ClearMetrics() { MetricOverrides().clear(); }

std::vector<UINT> TakeBeeps() {
  std::vector<UINT> b;
  b.swap(Ui().system.beeps);
  return b;
}

}  // namespace pv::test
