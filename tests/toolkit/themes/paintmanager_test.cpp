// The paint manager's anti-aliased circle: nothing on a rectangle that is not
// square; on a square the fill inside, the rim blended with the fill inside
// the circle and with what is there outside it, the corners untouched.
#include <gtest/gtest.h>

#include "platform/framework/afx.h"
#include "toolkit/themes/paintthemeplain.h"

namespace {

class Theme : public CTKPlainTheme {};

struct Canvas {
  CDC dc;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int cx, int cy, COLORREF background) {
    HDC screen = ::GetScreenDC();
    dc.Attach(::CreateCompatibleDC(screen));
    bitmap = ::CreateCompatibleBitmap(screen, cx, cy);
    old = ::SelectObject(dc.m_hDC, bitmap);
    dc.FillSolidRect(0, 0, cx, cy, background);
  }
  ~Canvas() {
    ::SelectObject(dc.m_hDC, old);
    ::DeleteObject(bitmap);
  }
  bool Uniform(COLORREF color, int cx, int cy) {
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x)
        if (dc.GetPixel(x, y) != color) return false;
    return true;
  }
};

TEST(PaintManagerTest, FillCircleAntialiasedNeedsASquareAndFillsItsCentre) {
  const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0), green = RGB(0, 255, 0);
  Theme theme;
  {
    Canvas canvas(20, 20, blue);
    theme.FillCircleAntialiased(&canvas.dc, CRect(2, 2, 12, 13), red, green);
    theme.FillCircleAntialiased(&canvas.dc, CRect(2, 2, 2, 2), red, green);
    EXPECT_TRUE(canvas.Uniform(blue, 20, 20));
  }
  Canvas canvas(20, 20, blue);
  // An 11-pixel square: centre (7, 7), radius 11 / 2 - 0.75 = 4.75.
  theme.FillCircleAntialiased(&canvas.dc, CRect(2, 2, 13, 13), red, green);
  EXPECT_EQ(canvas.dc.GetPixel(7, 7), green);
  EXPECT_EQ(canvas.dc.GetPixel(7, 4), green);  // distance 3, below radius - 1
  EXPECT_EQ(canvas.dc.GetPixel(2, 2), blue);   // the corner, 7.1 away
  EXPECT_EQ(canvas.dc.GetPixel(13, 7), blue);  // outside the square
  // Distance 5, just outside the circle: the rim a quarter of the way to the background.
  EXPECT_EQ(canvas.dc.GetPixel(2, 7), RGB(191, 0, 63));
  // Distance 4, inside: the rim three quarters of the way to the fill.
  EXPECT_EQ(canvas.dc.GetPixel(3, 7), RGB(63, 191, 0));
  // Symmetric about the centre.
  EXPECT_EQ(canvas.dc.GetPixel(12, 7), RGB(191, 0, 63));
  EXPECT_EQ(canvas.dc.GetPixel(7, 11), RGB(63, 191, 0));
}

}  // namespace
