#include "toolkit/common/drawhelpers.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/wstr.h"
#include "platform/framework/afxgdi.h"
#include "platform/framework/afxwnd.h"
#include "platform/system/resources.h"
#include "platform/window/winuser.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/common/scopeddc.h"

// ---- the process-wide object ---------------------------------------------------------------------

CTKDrawHelpers::CTKDrawHelpers() {
  m_hMsImgDll = ::LoadLibraryW(u"msimg32.dll");
  if (!m_hMsImgDll) return;
  m_pfnGradientFill = pv::ProcAs<BOOL(HDC, const TRIVERTEX*, ULONG, const void*, ULONG, ULONG)>(
      ::GetProcAddress(m_hMsImgDll, "GradientFill"));
  m_pfnAlphaBlend = pv::ProcAs<BOOL(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION)>(
      ::GetProcAddress(m_hMsImgDll, "AlphaBlend"));
  m_pfnTransparentBlt = pv::ProcAs<BOOL(HDC, int, int, int, int, HDC, int, int, int, int, UINT)>(
      ::GetProcAddress(m_hMsImgDll, "TransparentBlt"));
}

CTKDrawHelpers* GetDrawHelpers() {
  static CTKDrawHelpers helpers;
  return &helpers;
}

// ---- gradients -----------------------------------------------------------------------------------

BOOL CTKDrawHelpers::CallGradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG count, const void* mesh,
                                      ULONG meshCount, ULONG mode) const {
  return m_pfnGradientFill ? m_pfnGradientFill(hdc, vertices, count, mesh, meshCount, mode) : FALSE;
}

void CTKDrawHelpers::GradientFill(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal) const {
  if (!pDC || !pDC->GetSafeHdc() || !lpRect || ::IsRectEmpty(lpRect)) return;
  if (IsLowResolution(pDC->GetSafeHdc()) || first == second) {
    pDC->FillSolidRect(lpRect, first);
    return;
  }
  if (!m_pfnGradientFill || (IsContextRTL(pDC) && GetOSVersionInfo()->IsWin9x()))
    GradientFillSlow(pDC, lpRect, first, second, horizontal);
  else GradientFillFast(pDC, lpRect, first, second, horizontal);
}

void CTKDrawHelpers::GradientFillFast(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second,
                                      BOOL horizontal) const {
  auto vertex = [](LONG x, LONG y, COLORREF c) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(GetRValue(c) << 8);
    v.Green = static_cast<COLOR16>(GetGValue(c) << 8);
    v.Blue = static_cast<COLOR16>(GetBValue(c) << 8);
    v.Alpha = 0;
    return v;
  };
  TRIVERTEX vertices[2] = {vertex(lpRect->left, lpRect->top, first), vertex(lpRect->right, lpRect->bottom, second)};
  GRADIENT_RECT mesh{0, 1};
  CallGradientFill(pDC->GetSafeHdc(), vertices, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void CTKDrawHelpers::GradientFillSlow(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal) {
  const CRect rect(*lpRect);
  const int w = std::max(1, rect.Width());
  const int h = std::max(1, rect.Height());
  CRect area;
  pDC->GetClipBox(&area);
  if (area.IsRectEmpty()) area = rect;
  else area.IntersectRect(&area, &rect);
  if (horizontal) {
    for (int x = area.left; x < area.right; ++x) {
      const double alpha = 1.0 - static_cast<double>(x - rect.left) / w;
      pDC->FillSolidRect(x, area.top, 1, area.Height(), BlendColors(first, second, alpha));
    }
  } else {
    for (int y = area.top; y < area.bottom; ++y) {
      const double alpha = 1.0 - static_cast<double>(y - rect.top) / h;
      pDC->FillSolidRect(area.left, y, area.Width(), 1, BlendColors(first, second, alpha));
    }
  }
}

void CTKDrawHelpers::GradientFillClipped(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal,
                                         LPCRECT lpClip) const {
  if (!lpClip) {
    GradientFill(pDC, lpRect, first, second, horizontal);
    return;
  }
  // An empty gradient has no colours to pick between (and no size to
  // divide by).
  if (!lpRect || ::IsRectEmpty(lpRect)) return;
  const CRect r(*lpRect);
  const CRect& c = *reinterpret_cast<const CRect*>(lpClip);
  CRect d = r;
  COLORREF from = first, to = second;
  if (horizontal) {
    const double size = r.Width();
    d.top = std::max(d.top, c.top);
    d.bottom = std::min(d.bottom, c.bottom);
    if (d.left > c.right || d.right < c.left) return;
    if (d.left < c.left) {
      from = BlendColors(first, second, (r.right - c.left) / size);
      d.left = c.left;
    }
    if (d.right > c.right) {
      to = BlendColors(first, second, (r.right - c.right) / size);
      d.right = c.right;
    }
  } else {
    const double size = r.Height();
    d.left = std::max(d.left, c.left);
    d.right = std::min(d.right, c.right);
    if (d.top > c.bottom || d.bottom < c.top) return;
    if (d.top < c.top) {
      from = BlendColors(first, second, (r.bottom - c.top) / size);
      d.top = c.top;
    }
    if (d.bottom > c.bottom) {
      to = BlendColors(first, second, (r.bottom - c.bottom) / size);
      d.bottom = c.bottom;
    }
  }
  GradientFill(pDC, &d, from, to, horizontal);
}

void CTKDrawHelpers::FillGradientColor(CDC* pDC, LPCRECT lpRect, const CTKPaintManagerColorGradient& gradient,
                                       BOOL horizontal, LPCRECT lpClip) const {
  if (!lpRect) return;
  const COLORREF light = gradient.clrLight.GetColor();
  const COLORREF dark = gradient.clrDark.GetColor();
  if (gradient.fGradientFactor == 0.5f) {
    GradientFillClipped(pDC, lpRect, light, dark, horizontal, lpClip);
    return;
  }
  const COLORREF middle = BlendColors(light, dark, gradient.fGradientFactor);
  CRect firstHalf(*lpRect), secondHalf(*lpRect);
  if (horizontal) {
    const int mid = lpRect->right - (lpRect->right - lpRect->left) / 2;
    firstHalf.right = secondHalf.left = mid;
  } else {
    const int mid = lpRect->bottom - (lpRect->bottom - lpRect->top) / 2;
    firstHalf.bottom = secondHalf.top = mid;
  }
  GradientFillClipped(pDC, &firstHalf, light, middle, horizontal, lpClip);
  GradientFillClipped(pDC, &secondHalf, middle, dark, horizontal, lpClip);
}

// ---- colours -------------------------------------------------------------------------------------

COLORREF CTKDrawHelpers::BlendColors(COLORREF a, COLORREF b, double alpha) {
  auto channel = [alpha](int x, int y) {
    const double v = std::trunc(x * alpha + y * (1.0 - alpha));
    // Values outside 0..1 for alpha cannot wrap into a neighbouring channel.
    return static_cast<int>(std::clamp(v, 0.0, 255.0));
  };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

DWORD CTKDrawHelpers::RGBtoHSLPacked(COLORREF color) {
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  const int max = std::max({r, g, b}), min = std::min({r, g, b});
  const int sum = max + min;
  const int l = (sum + 1) / 2;
  int h = 255, s = 0;
  if (max != min) {
    const int d = max - min;
    s = l < 127 ? ((d + 1) * 256) / sum : (d * 256) / (512 - sum);
    int hue;
    if (r == max) hue = (g - b) * 256 / d;
    else if (g == max) hue = (b - r) * 256 / d + 512;
    else hue = (r - g) * 256 / d + 1024;
    h = hue / 6;
    if (h < 0) h += 256;
  }
  const DWORD ph = static_cast<DWORD>(std::min(h * 239 / 255, 239));
  const DWORD ps = static_cast<DWORD>(std::min(s * 240 / 255, 240));
  const DWORD pl = static_cast<DWORD>(std::min(l * 240 / 255, 240));
  return ph | (ps << 8) | (pl << 16);
}

namespace {

int HueToChannelPacked(int m1, int m2, int h) {
  if (h < 0) h += 255;
  if (h > 255) h -= 255;
  const int k = (m2 - m1) / 255;
  int v;
  if (6 * h < 255) v = m1 + k * h * 6;
  else if (2 * h < 255) v = m2;
  else if (3 * h < 510) v = m1 + k * (170 - h) * 6;
  else v = m1;
  return v / 255;
}

int Channel255(int v) { return std::clamp(v, 0, 255); }

double HueToChannel(double m1, double m2, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (6 * h < 1) return m1 + (m2 - m1) * 6 * h;
  if (2 * h < 1) return m2;
  if (3 * h < 2) return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
  return m1;
}

BYTE LowByteOf255(double value) { return static_cast<BYTE>(static_cast<long long>(value * 255) & 0xFF); }

}  // namespace

COLORREF CTKDrawHelpers::HSLPackedToRGB(DWORD hsl) {
  const int h = static_cast<int>(hsl & 0xFF) * 255 / 239;
  const int s = static_cast<int>((hsl >> 8) & 0xFF) * 255 / 240;
  const int l = static_cast<int>((hsl >> 16) & 0xFF) * 255 / 240;
  if (s == 0) {
    const int v = Channel255(l);
    return RGB(v, v, v);
  }
  const int m2 = l <= 127 ? l * (s + 255) : (l + s - l * s / 255) * 255;
  const int m1 = l * 510 - m2;
  return RGB(Channel255(HueToChannelPacked(m1, m2, h + 85)), Channel255(HueToChannelPacked(m1, m2, h)),
             Channel255(HueToChannelPacked(m1, m2, h - 85)));
}

void CTKDrawHelpers::RGBtoHSL(COLORREF color, double& hue, double& saturation, double& lightness) {
  const double r = GetRValue(color) / 255.0, g = GetGValue(color) / 255.0, b = GetBValue(color) / 255.0;
  const double max = std::max({r, g, b}), min = std::min({r, g, b});
  lightness = (max + min) / 2;
  if (max == min) {
    hue = saturation = 0;
    return;
  }
  const double d = max - min;
  saturation = lightness < 0.5 ? d / (max + min) : d / (2 - max - min);
  if (r == max) hue = (g - b) / d;
  else if (g == max) hue = 2 + (b - r) / d;
  else hue = 4 + (r - g) / d;
  hue /= 6;
  if (hue < 0) hue += 1;
}

COLORREF CTKDrawHelpers::HSLtoRGB(double hue, double saturation, double lightness) {
  if (saturation == 0) {
    const BYTE v = LowByteOf255(lightness);
    return RGB(v, v, v);
  }
  const double m2 = lightness < 0.5 ? lightness * (1 + saturation) : lightness + saturation - lightness * saturation;
  const double m1 = 2 * lightness - m2;
  return RGB(LowByteOf255(HueToChannel(m1, m2, hue + 1.0 / 3.0)), LowByteOf255(HueToChannel(m1, m2, hue)),
             LowByteOf255(HueToChannel(m1, m2, hue - 1.0 / 3.0)));
}

// ---- drawing -------------------------------------------------------------------------------------

void CTKDrawHelpers::ExcludeCorners(CDC* pDC, LPCRECT lpRect) {
  if (!pDC || !pDC->GetSafeHdc() || !lpRect) return;
  const CRect r(*lpRect);
  pDC->ExcludeClipRect(r.left, r.top, r.left + 1, r.top + 1);
  pDC->ExcludeClipRect(r.right - 1, r.top, r.right, r.top + 1);
  pDC->ExcludeClipRect(r.left, r.bottom - 1, r.left + 1, r.bottom);
  pDC->ExcludeClipRect(r.right - 1, r.bottom - 1, r.right, r.bottom);
}

void CTKDrawHelpers::Triangle(CDC* pDC, CPoint p0, CPoint p1, CPoint p2, COLORREF color) {
  if (!pDC || !pDC->GetSafeHdc()) return;
  const POINT points[3] = {p0, p1, p2};
  CTKPenDC pen(pDC->GetSafeHdc(), color);
  CTKBrushDC brush(pDC->GetSafeHdc(), color);
  pDC->Polygon(points, 3);
}

BOOL CTKDrawHelpers::IsLowResolution(HDC hdc) { return CTKColorManager::IsLowResolution(hdc); }

// ---- right-to-left layouts -----------------------------------------------------------------------

namespace {

using PFNGETLAYOUT = DWORD(HDC);
using PFNSETLAYOUT = DWORD(HDC, DWORD);

// Resolved once: the address, or null when the module or the name is missing.
struct LayoutEntryPoints {
  PFNGETLAYOUT* get = nullptr;
  PFNSETLAYOUT* set = nullptr;
  LayoutEntryPoints() {
    if (HMODULE gdi = ::GetModuleHandleW(u"GDI32.DLL")) {
      get = pv::ProcAs<PFNGETLAYOUT>(::GetProcAddress(gdi, "GetLayout"));
      set = pv::ProcAs<PFNSETLAYOUT>(::GetProcAddress(gdi, "SetLayout"));
    }
  }
};

const LayoutEntryPoints& Layout() {
  static const LayoutEntryPoints entries;
  return entries;
}

}  // namespace

DWORD GetDCLayout(HDC hdc) { return Layout().get ? Layout().get(hdc) : 0; }

DWORD SetDCLayout(HDC hdc, DWORD layout) { return Layout().set ? Layout().set(hdc, layout) : 0; }

BOOL CTKDrawHelpers::IsContextRTL(CDC* pDC) { return pDC && pDC->GetSafeHdc() && GetDCLayout(pDC->GetSafeHdc()) != 0; }

void CTKDrawHelpers::SetContextRTL(CDC* pDC, DWORD layout) {
  if (pDC && pDC->GetSafeHdc()) SetDCLayout(pDC->GetSafeHdc(), layout);
}

void CTKDrawHelpers::MirrorArrowKey(CWnd* pWnd, UINT* key) {
  if (!key || !pWnd || !pWnd->GetSafeHwnd()) return;
  if (!(pWnd->GetExStyle() & WS_EX_LAYOUTRTL)) return;
  if (*key == VK_LEFT) *key = VK_RIGHT;
  else if (*key == VK_RIGHT) *key = VK_LEFT;
}

void CTKDrawHelpers::ScreenToWindow(CWnd* pWnd, LPPOINT point) {
  if (!point || !pWnd || !pWnd->GetSafeHwnd()) return;
  CRect rect;
  pWnd->GetWindowRect(&rect);
  point->y -= rect.top;
  point->x = (pWnd->GetExStyle() & WS_EX_LAYOUTRTL) ? rect.right - point->x : point->x - rect.left;
}

// ---- windows -------------------------------------------------------------------------------------

BOOL CTKDrawHelpers::IsTopParentActive(CWnd* pWnd) {
  if (!pWnd || !pWnd->GetSafeHwnd()) return FALSE;
  HWND top = pWnd->GetSafeHwnd();
  // Parent for a child, owner for an owned window; a bound on the walk keeps
  // a corrupt chain from looping.
  for (int depth = 0; depth < 256; ++depth) {
    HWND next = ::GetParent(top);
    if (!next) next = ::GetWindow(top, GW_OWNER);
    if (!next) break;
    top = next;
  }
  return ::GetForegroundWindow() == ::GetLastActivePopup(top);
}

BOOL CTKDrawHelpers::GetIconLogFont(LOGFONTW* logFont) {
  if (!logFont) return FALSE;
  ::SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof(LOGFONTW), logFont, 0);
  logFont->lfCharSet = GetResourceManager()->GetFontCharset();
  return TRUE;
}

BOOL CTKDrawHelpers::RegisterWndClass(HINSTANCE instance, LPCTSTR className, UINT style, HICON icon,
                                      HBRUSH background) {
  if (!className) return FALSE;
  WNDCLASS wc{};
  wc.style = style;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = instance ? instance : AfxGetInstanceHandle();
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = className;
  return AfxRegisterClass(&wc);
}

// ---- the click-outside hook ----------------------------------------------------------------------

namespace {

// One hook per process, on the thread that installed it, and one target.
// The target is kept by handle so that a destroyed window lets clicks through.
HHOOK g_hClickOutsideHook = nullptr;
HWND g_hClickOutsideTarget = nullptr;

bool IsButtonDown(WPARAM message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

LRESULT ClickOutsideHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_hClickOutsideTarget && ::IsWindow(g_hClickOutsideTarget) && lParam &&
      IsButtonDown(wParam)) {
    const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    CRect rect;
    ::GetWindowRect(g_hClickOutsideTarget, &rect);
    if (!rect.PtInRect(info->pt)) {
      // The framework's owner when one is set, else the parent.
      CWnd* owner = CWnd::FromHandle(g_hClickOutsideTarget)->GetOwner();
      if (HWND focus = owner ? owner->GetSafeHwnd() : nullptr) ::SetFocus(focus);
      return 1;
    }
  }
  return ::CallNextHookEx(g_hClickOutsideHook, code, wParam, lParam);
}

}  // namespace

void CTKDrawHelpers::SetClickOutsideHook(CWnd* pWnd) {
  if (pWnd) {
    if (!g_hClickOutsideHook)
      g_hClickOutsideHook = ::SetWindowsHookEx(WH_MOUSE, ClickOutsideHookProc, nullptr, ::GetCurrentThreadId());
    g_hClickOutsideTarget = pWnd->GetSafeHwnd();
    return;
  }
  if (g_hClickOutsideHook) ::UnhookWindowsHookEx(g_hClickOutsideHook);
  g_hClickOutsideHook = nullptr;
  g_hClickOutsideTarget = nullptr;
}

// ---- texts and fonts -----------------------------------------------------------------------------

void CTKDrawHelpers::StripMnemonics(CString& text) {
  CString out;
  const int length = text.GetLength();
  for (int i = 0; i < length; ++i) {
    WCHAR ch = text.GetAt(i);
    if (ch == u'&') {
      if (++i >= length) break;
      ch = text.GetAt(i);
    }
    out.AppendChar(ch);
  }
  text = out;
}

void StripMnemonicsInPlace(LPWSTR text) {
  if (!text || text == reinterpret_cast<LPWSTR>(static_cast<INT_PTR>(-1))) return;
  WCHAR* out = text;
  for (const WCHAR* in = text; *in; ++in) {
    if (*in == u'&' && !*++in) break;
    *out++ = *in;
  }
  *out = 0;
}

void CTKDrawHelpers::GetWindowTextDefault(HWND hwnd, CString& text) {
  const int length = static_cast<int>(::DefWindowProcW(hwnd, WM_GETTEXTLENGTH, 0, 0));
  if (length <= 0) {
    text.Empty();
    return;
  }
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1, 0);
  ::DefWindowProcW(hwnd, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(buffer.data()));
  text = buffer.data();
}

CString CTKDrawHelpers::GetWindowTextDefault(HWND hwnd) {
  CString text;
  GetWindowTextDefault(hwnd, text);
  return text;
}

namespace {

struct FontSearch {
  LPCTSTR face;
  bool found;
};

int FindFaceProc(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD, LPARAM lParam) {
  auto* search = reinterpret_cast<FontSearch*>(lParam);
  if (_wcsicmp(logFont->lfFaceName, search->face) == 0) {
    search->found = true;
    return 0;
  }
  return 1;
}

}  // namespace

BOOL CTKDrawHelpers::FontExists(LPCTSTR faceName) {
  if (!faceName || !*faceName) return FALSE;
  FontSearch search{faceName, false};
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  ::EnumFontFamiliesEx(::GetScreenDC(), &lf, FindFaceProc, reinterpret_cast<LPARAM>(&search), 0);
  return search.found ? TRUE : FALSE;
}

CString CTKDrawHelpers::GetDefaultFontFaceName(BOOL preferTahoma) {
  LOGFONTW lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  const bool useGuiFace =
      GetOSVersionInfo()->IsWin2000OrLater() && lf.lfCharSet > 2 && _wcsicmp(lf.lfFaceName, u"MS Shell Dlg") != 0;
  if (useGuiFace || !FontExists(u"Arial")) return CString(lf.lfFaceName);
  if (preferTahoma && FontExists(u"Tahoma")) return CString(u"Tahoma");
  return CString(u"Arial");
}

// ---- rectangles ----------------------------------------------------------------------------------

CPoint GetCursorPosInClient(CWnd* pWnd) {
  POINT point{};
  ::GetCursorPos(&point);
  if (pWnd && pWnd->GetSafeHwnd()) pWnd->ScreenToClient(&point);
  return CPoint(point);
}

CRect MakeEmptyRect() { return CRect(0, 0, 0, 0); }

CRect WindowRectOfHandle(HWND hwnd) {
  CRect rect(0, 0, 0, 0);
  if (hwnd && ::IsWindow(hwnd)) ::GetWindowRect(hwnd, &rect);
  return rect;
}

CRect WindowRectOf(const CWnd* pWnd) { return pWnd ? WindowRectOfHandle(pWnd->GetSafeHwnd()) : MakeEmptyRect(); }

CRect ClientRectOf(const CWnd* pWnd) {
  CRect rect(0, 0, 0, 0);
  if (pWnd && ::IsWindow(pWnd->GetSafeHwnd())) ::GetClientRect(pWnd->GetSafeHwnd(), &rect);
  return rect;
}

namespace {

BYTE MixChannel(int from, int to, double t) { return static_cast<BYTE>(from + t * (to - from)); }

COLORREF MixRim(COLORREF from, COLORREF to, double t) {
  return RGB(MixChannel(GetRValue(from), GetRValue(to), t), MixChannel(GetGValue(from), GetGValue(to), t),
             MixChannel(GetBValue(from), GetBValue(to), t));
}

}  // namespace

void CTKDrawHelpers::FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill) {
  const int side = rc.Width();
  if (!pDC || side <= 0 || side != rc.Height()) return;
  const double radius = side / 2.0 - 0.75;
  const double cx = (rc.left + rc.right - 1) / 2.0;
  const double cy = (rc.top + rc.bottom - 1) / 2.0;
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) {
      const double m = std::hypot(x - cx, y - cy);
      if (m < radius - 1) {
        pDC->SetPixel(x, y, clrFill);
      } else if (m <= radius + 1) {
        const double t = m - radius;
        // Outside the circle the rim fades into what is there, inside into the fill.
        const COLORREF other = t >= 0 ? pDC->GetPixel(x, y) : clrFill;
        pDC->SetPixel(x, y, MixRim(clrRim, other, std::fabs(t)));
      }
    }
  }
}
