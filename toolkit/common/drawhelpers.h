// The toolkit's shelf of drawing, colour-space, rectangle and window
// functions. Most are static; the one process-wide object (GetDrawHelpers)
// holds the msimg32 entry points, so gradients, alpha blends and transparent
// blits have a fall-back where the library is missing.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/modules.h"

#include <cstddef>

class CDC;
class CWnd;
class CTKPaintManagerColorGradient;

class CTKDrawHelpers {
 public:
  using PFNGRADIENTFILL = BOOL (*)(HDC, const TRIVERTEX*, ULONG, const void*, ULONG, ULONG);
  using PFNALPHABLEND = BOOL (*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
  using PFNTRANSPARENTBLT = BOOL (*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);

  // Loads "msimg32.dll" and resolves its three entry points; each stays
  // null when the library or the name is missing. The library is never freed.
  CTKDrawHelpers();
  virtual ~CTKDrawHelpers() = default;
  CTKDrawHelpers(const CTKDrawHelpers&) = delete;
  CTKDrawHelpers& operator=(const CTKDrawHelpers&) = delete;

  // ---- gradients (through the object: they need GradientFill) ----
  // The GradientFill result; 0 when the entry point is missing.
  BOOL CallGradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG count, const void* mesh, ULONG meshCount,
                        ULONG mode) const;
  // The first colour at the left (horizontal) or top edge, the second at the
  // opposite one; a solid fill of the first colour when both are equal or
  // the DC has 8 bits per pixel or fewer.
  void GradientFill(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal) const;
  // Only the part of the whole gradient inside the clip rectangle, in the
  // colours the whole gradient has there (a plain gradient without a clip).
  void GradientFillClipped(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal,
                           LPCRECT lpClip) const;
  // Light to dark; a factor other than 0.5 splits the rectangle in two
  // halves meeting at the colour blended by the factor.
  void FillGradientColor(CDC* pDC, LPCRECT lpRect, const CTKPaintManagerColorGradient& gradient, BOOL horizontal,
                         LPCRECT lpClip = nullptr) const;
  void GradientFillFast(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal) const;
  // One solid line per pixel row or column, limited to the clip box.
  static void GradientFillSlow(CDC* pDC, LPCRECT lpRect, COLORREF first, COLORREF second, BOOL horizontal);

  // A filled circle inscribed in a square, pixel by pixel, its rim blended
  // with the fill inside and with the pixels already there outside. Nothing
  // unless the rectangle is square.
  static void FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill);

  // ---- colours ----
  // Per channel trunc(a * alpha + b * (1 - alpha)), kept within 0..255.
  static COLORREF BlendColors(COLORREF a, COLORREF b, double alpha);
  // Packed HSL on the 0-240 scale: hue in the low byte (0..239, 239 for a
  // grey), saturation in the second (0..240), luminance in the third (0..240).
  static DWORD RGBtoHSLPacked(COLORREF color);
  static COLORREF HSLPackedToRGB(DWORD hsl);
  // Hue, saturation and lightness as doubles in 0..1.
  static void RGBtoHSL(COLORREF color, double& hue, double& saturation, double& lightness);
  static COLORREF HSLtoRGB(double hue, double saturation, double lightness);

  // ---- drawing ----
  // Takes the four corner pixels of the rectangle out of the clip region.
  static void ExcludeCorners(CDC* pDC, LPCRECT lpRect);
  // A filled triangle, pen and brush of the one colour.
  static void Triangle(CDC* pDC, CPoint p0, CPoint p1, CPoint p2, COLORREF color);
  static BOOL IsLowResolution(HDC hdc = nullptr);

  // ---- right-to-left layouts ----
  static BOOL IsContextRTL(CDC* pDC);
  static void SetContextRTL(CDC* pDC, DWORD layout);
  // Swaps VK_LEFT and VK_RIGHT for a window with WS_EX_LAYOUTRTL.
  static void MirrorArrowKey(CWnd* pWnd, UINT* key);
  static void MirrorArrowKey(UINT* key, CWnd* pWnd) { MirrorArrowKey(pWnd, key); }
  // A screen point to window-rectangle coordinates, x counted from the
  // right edge in a right-to-left window.
  static void ScreenToWindow(CWnd* pWnd, LPPOINT point);

  // ---- windows ----
  // The foreground window is the last active pop-up of the window's
  // top parent or owner.
  static BOOL IsTopParentActive(CWnd* pWnd);
  // The icon-title font with the resource language's character set.
  static BOOL GetIconLogFont(LOGFONTW* logFont);
  // DefWindowProc, the arrow cursor, no menu; a null instance means the
  // module's own. A class already registered counts as success. The
  // background and icon may come in either order.
  static BOOL RegisterWndClass(HINSTANCE instance, LPCTSTR className, UINT style, HICON icon = nullptr,
                               HBRUSH background = nullptr);
  static BOOL RegisterWndClass(HINSTANCE instance, LPCTSTR className, UINT style, HBRUSH background,
                               HICON icon = nullptr) {
    return RegisterWndClass(instance, className, style, icon, background);
  }
  static BOOL RegisterWndClass(HINSTANCE instance, LPCTSTR className, UINT style, std::nullptr_t, std::nullptr_t) {
    return RegisterWndClass(instance, className, style, HICON{}, HBRUSH{});
  }
  // With a window: a thread mouse hook that swallows button presses outside
  // it and gives the focus to its owner (or parent). Null removes the hook.
  static void SetClickOutsideHook(CWnd* pWnd);

  // ---- texts and fonts ----
  // Deletes every '&'; the character after a deleted one stays ("&&" -> "&").
  static void StripMnemonics(CString& text);
  // The text read through the default window procedure.
  static void GetWindowTextDefault(HWND hwnd, CString& text);
  static CString GetWindowTextDefault(HWND hwnd);
  static BOOL FontExists(LPCTSTR faceName);
  static CString GetDefaultFontFaceName(BOOL preferTahoma = FALSE);

  PFNGRADIENTFILL m_pfnGradientFill = nullptr;
  PFNALPHABLEND m_pfnAlphaBlend = nullptr;
  PFNTRANSPARENTBLT m_pfnTransparentBlt = nullptr;
  HMODULE m_hMsImgDll = nullptr;
};

// The process-wide object, made on first use and destroyed at exit.
CTKDrawHelpers* GetDrawHelpers();

// GDI GetLayout / SetLayout looked up in "GDI32.DLL" once; a missing module
// or name reads as a left-to-right layout and sets nothing.
DWORD GetDCLayout(HDC hdc);
DWORD SetDCLayout(HDC hdc, DWORD layout);

// StripMnemonics in place; a null pointer or the value -1 is left alone.
void StripMnemonicsInPlace(LPWSTR text);

CPoint GetCursorPosInClient(CWnd* pWnd);
CRect MakeEmptyRect();
// Empty when the handle is no window.
CRect WindowRectOfHandle(HWND hwnd);
// Empty when the object is null or has no live window.
CRect WindowRectOf(const CWnd* pWnd);
CRect ClientRectOf(const CWnd* pWnd);
