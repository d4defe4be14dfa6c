// Pixel rules shared by the image manager's generators, its screen-area
// disabling and the theme-image store. Internal to the toolkit foundation.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/base/wintypes.h"
#include "platform/gdi/wingdi.h"

// Truncation of a non-negative formula result. The small allowance keeps
// results that are whole numbers in decimal (0.299 x 255 + 0.587 x 255 +
// 0.114 x 255 = 255) from dropping one step through binary rounding.
inline int TKTrunc(double value) { return static_cast<int>(value + 1e-9); }

inline BYTE TKClamp255(int value) { return static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value); }

// Luminance 0..1 of a colour.
inline double TKLuminance(int red, int green, int blue) { return (0.299 * red + 0.587 * green + 0.114 * blue) / 255.0; }

// The disabled look of one colour (blue, green, red bytes in place):
// two-colour mode blends from `dark` at luminance 0 to `light` at 1; grey
// mode makes every channel 255 x L^0.5.
inline void TKDisablePixel(BYTE* bgr, bool twoColor, COLORREF light, COLORREF dark) {
  double l = TKLuminance(bgr[2], bgr[1], bgr[0]);
  if (twoColor) {
    bgr[0] = TKClamp255(TKTrunc(GetBValue(dark) * (1 - l) + GetBValue(light) * l));
    bgr[1] = TKClamp255(TKTrunc(GetGValue(dark) * (1 - l) + GetGValue(light) * l));
    bgr[2] = TKClamp255(TKTrunc(GetRValue(dark) * (1 - l) + GetRValue(light) * l));
  } else {
    BYTE grey = TKClamp255(TKTrunc(255.0 * std::sqrt(l)));
    bgr[0] = bgr[1] = bgr[2] = grey;
  }
}

inline bool TKIsContextRTL(HDC hdc) { return hdc && (GetLayout(hdc) & LAYOUT_RTL) != 0; }

// True when an icon's 32-bit colour plane carries real per-pixel alpha. The
// platform reports masked icons with every colour pixel opaque (alpha 255),
// so alpha counts only when some pixel has non-zero alpha and some pixel is
// not fully opaque; an all-255 plane is a masked icon.
inline bool TKHasIconAlpha(const BYTE* bits, size_t pixels) {
  bool nonZero = false, partial = false;
  for (size_t i = 0; i < pixels; ++i) {
    BYTE a = bits[i * 4 + 3];
    if (a != 0) nonZero = true;
    if (a != 255) partial = true;
  }
  return nonZero && partial;
}

// A memory DC with one bitmap selected for its lifetime.
class CTKScopedBitmapDC {
 public:
  explicit CTKScopedBitmapDC(HBITMAP bitmap, HDC compatible = nullptr) {
    m_hDC = CreateCompatibleDC(compatible);
    if (m_hDC && bitmap) m_hOld = SelectObject(m_hDC, bitmap);
  }
  ~CTKScopedBitmapDC() {
    if (m_hDC) {
      if (m_hOld) SelectObject(m_hDC, m_hOld);
      DeleteDC(m_hDC);
    }
  }
  CTKScopedBitmapDC(const CTKScopedBitmapDC&) = delete;
  CTKScopedBitmapDC& operator=(const CTKScopedBitmapDC&) = delete;
  operator HDC() const { return m_hDC; }  // NOLINT

 private:
  HDC m_hDC = nullptr;
  HGDIOBJ m_hOld = nullptr;
};

// Pixel (x, y) of a 32-bit DIB whose memory rows run bottom-up.
inline BYTE* TKBottomUpPixel(BYTE* bits, int width, int height, int x, int y) {
  return bits + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
}
