// The drawing helpers: colour blending, both HSL conversions (against an
// independent conversion written here), gradients on both paths with their
// end colours and clipping, right-to-left layouts, window-class
// registration, the click-outside hook, mnemonics and faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/wstr.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/resourcemanager.h"

namespace {

// ---- a memory DC over a 32-bit bitmap ----
struct Canvas {
  CDC dc;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int cx, int cy, COLORREF background = RGB(1, 2, 3)) {
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
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};

// ---- an independent HLS model: hue, lightness and saturation as fractions ----
struct Hls {
  double h, l, s;
};
Hls ReferenceHls(COLORREF c) {
  const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
  const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), chroma = hi - lo;
  Hls out{0, (hi + lo) / 2, 0};
  if (chroma == 0) return out;
  out.s = chroma / (1 - std::fabs(2 * out.l - 1));
  double sector;  // which sixth of the colour wheel, by the largest channel
  if (hi == r) sector = std::fmod((g - b) / chroma + 6, 6);
  else if (hi == g) sector = (b - r) / chroma + 2;
  else sector = (r - g) / chroma + 4;
  out.h = sector / 6;
  return out;
}
// Channel values 0..255 as doubles, through chroma and the wheel's sectors.
void ReferenceRgb(const Hls& hls, double rgb[3]) {
  const double chroma = (1 - std::fabs(2 * hls.l - 1)) * hls.s;
  const double sector = std::fmod(hls.h * 6, 6);
  const double x = chroma * (1 - std::fabs(std::fmod(sector, 2) - 1));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(sector)) {
    case 0:
      r = chroma, g = x;
      break;
    case 1:
      r = x, g = chroma;
      break;
    case 2:
      g = chroma, b = x;
      break;
    case 3:
      g = x, b = chroma;
      break;
    case 4:
      r = x, b = chroma;
      break;
    default:
      r = chroma, b = x;
      break;
  }
  const double m = hls.l - chroma / 2;
  rgb[0] = (r + m) * 255, rgb[1] = (g + m) * 255, rgb[2] = (b + m) * 255;
}
DWORD Packed(int h, int s, int l) { return static_cast<DWORD>(h | (s << 8) | (l << 16)); }
int HueDistance240(double a, double b) {
  const double d = std::fabs(a - b);
  return static_cast<int>(std::ceil(std::min(d, 240 - d)));
}

// ---- a GradientFill that counts its calls ----
int g_gradientCalls = 0;
BOOL CountingGradientFill(HDC hdc, const TRIVERTEX* v, ULONG n, const void* mesh, ULONG m, ULONG mode) {
  ++g_gradientCalls;
  return ::GradientFill(hdc, v, n, mesh, m, mode);
}

class DrawHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override { g_gradientCalls = 0; }
  void TearDown() override { *GetOSVersionInfo() = CTKOSVersionInfo(); }
};

// ---- colours ------------------------------------------------------------------------------------

TEST(DrawHelpersColors, BlendColorsTruncatesEachChannel) {
  struct Case {
    COLORREF a, b;
    double alpha;
    COLORREF expected;
  } cases[] = {
      {RGB(255, 0, 0), RGB(0, 0, 255), 1.0, RGB(255, 0, 0)},
      {RGB(255, 0, 0), RGB(0, 0, 255), 0.0, RGB(0, 0, 255)},
      {RGB(255, 255, 255), RGB(0, 0, 0), 0.5, RGB(127, 127, 127)},   // 127.5 truncated
      {RGB(200, 100, 50), RGB(100, 50, 10), 0.3, RGB(130, 65, 22)},  // 0.3 a + 0.7 b
      {RGB(10, 20, 30), RGB(30, 20, 10), 0.25, RGB(25, 20, 15)},
      {RGB(255, 255, 255), RGB(255, 255, 255), 2.0, RGB(255, 255, 255)},  // capped at 255
      {RGB(0, 0, 0), RGB(255, 255, 255), 2.0, RGB(0, 0, 0)},              // never below 0
  };
  for (const Case& c : cases)
    EXPECT_EQ(CTKDrawHelpers::BlendColors(c.a, c.b, c.alpha), c.expected) << c.alpha << " " << std::hex << c.a;
}

TEST(DrawHelpersColors, PackedHslFollowsTheStatedIntegerArithmetic) {
  // Worked by hand from the integer rules (0-255 intermediates, truncating).
  struct Case {
    COLORREF color;
    DWORD packed;
    COLORREF back;
  } cases[] = {
      {RGB(255, 255, 255), Packed(239, 0, 240), RGB(255, 255, 255)},  // a grey has hue 239
      {RGB(0, 0, 0), Packed(239, 0, 0), RGB(0, 0, 0)},
      {RGB(128, 128, 128), Packed(239, 0, 120), RGB(127, 127, 127)},
      {RGB(255, 0, 0), Packed(0, 239, 120), RGB(253, 0, 0)},
      {RGB(0, 128, 0), Packed(79, 240, 60), RGB(2, 126, 0)},  // saturation capped at 240
      {RGB(0, 0, 255), Packed(159, 239, 120), RGB(0, 6, 253)},
      {RGB(10, 36, 106), Packed(149, 201, 54), RGB(9, 36, 104)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CTKDrawHelpers::RGBtoHSLPacked(c.color), c.packed) << std::hex << c.color;
    EXPECT_EQ(CTKDrawHelpers::HSLPackedToRGB(c.packed), c.back) << std::hex << c.packed;
  }
  // Out-of-range bytes cannot spill into the neighbouring channel.
  EXPECT_EQ(CTKDrawHelpers::HSLPackedToRGB(Packed(0, 0, 255)), RGB(255, 255, 255));
}

TEST(DrawHelpersColors, PackedHslAgreesWithAnIndependentConversion) {
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        const COLORREF c = RGB(r, g, b);
        const DWORD p = CTKDrawHelpers::RGBtoHSLPacked(c);
        const int h = p & 0xFF, s = (p >> 8) & 0xFF, l = (p >> 16) & 0xFF;
        const Hls ref = ReferenceHls(c);
        EXPECT_LE(std::fabs(l - ref.l * 240), 1.0) << r << "," << g << "," << b;
        // Hue is meaningful only with colour in it.
        if (ref.s * 240 >= 24 && ref.l * 240 >= 24 && ref.l * 240 <= 216) {
          EXPECT_LE(HueDistance240(h, ref.h * 240), 2) << r << "," << g << "," << b;
        }
        if (r == g && g == b) {
          EXPECT_EQ(s, 0);
        }
      }
    }
  }
  // The recipes of the themes: a base hue and saturation at a new
  // luminance. The packed path truncates its slope before multiplying, so it
  // may stray a few steps from the exact conversion, never more than 8.
  const int lums[] = {239, 227, 212, 208, 192, 145, 79};
  for (int h = 0; h < 240; h += 7) {
    for (int s = 0; s <= 240; s += 16) {
      for (int l : lums) {
        const COLORREF got = CTKDrawHelpers::HSLPackedToRGB(Packed(h, s, l));
        double ref[3];
        ReferenceRgb(Hls{h / 240.0, l / 240.0, s / 240.0}, ref);
        EXPECT_LE(std::fabs(GetRValue(got) - ref[0]), 8.0) << h << "," << s << "," << l;
        EXPECT_LE(std::fabs(GetGValue(got) - ref[1]), 8.0) << h << "," << s << "," << l;
        EXPECT_LE(std::fabs(GetBValue(got) - ref[2]), 8.0) << h << "," << s << "," << l;
      }
    }
  }
}

TEST(DrawHelpersColors, FloatingHslMatchesTheIndependentConversionWithinOne) {
  for (int r = 0; r < 256; r += 17) {
    for (int g = 0; g < 256; g += 17) {
      for (int b = 0; b < 256; b += 17) {
        const COLORREF c = RGB(r, g, b);
        double h = -1, s = -1, l = -1;
        CTKDrawHelpers::RGBtoHSL(c, h, s, l);
        const Hls ref = ReferenceHls(c);
        EXPECT_NEAR(l * 240, ref.l * 240, 1.0);
        EXPECT_NEAR(s * 240, ref.s * 240, 1.0) << r << "," << g << "," << b;
        if (ref.s > 0) {
          EXPECT_LE(HueDistance240(h * 240, ref.h * 240), 1) << r << "," << g << "," << b;
        }
        const COLORREF back = CTKDrawHelpers::HSLtoRGB(h, s, l);
        EXPECT_NEAR(GetRValue(back), r, 1) << r << "," << g << "," << b;
        EXPECT_NEAR(GetGValue(back), g, 1);
        EXPECT_NEAR(GetBValue(back), b, 1);
      }
    }
  }
  // From hue, saturation and lightness: the reference channels truncated.
  const Hls samples[] = {{0.0, 0.5, 1.0}, {1.0 / 3, 0.25, 0.8}, {0.9, 0.7, 0.4}, {0.55, 0.1, 0.0}};
  for (const Hls& x : samples) {
    double ref[3];
    ReferenceRgb(x, ref);
    const COLORREF got = CTKDrawHelpers::HSLtoRGB(x.h, x.s, x.l);
    EXPECT_NEAR(GetRValue(got), ref[0], 1.0) << x.h;
    EXPECT_NEAR(GetGValue(got), ref[1], 1.0) << x.h;
    EXPECT_NEAR(GetBValue(got), ref[2], 1.0) << x.h;
  }
}

// ---- gradients ----------------------------------------------------------------------------------

TEST_F(DrawHelpersTest, TheProcessWideObjectHoldsTheImageLibraryEntryPoints) {
  CTKDrawHelpers* helpers = GetDrawHelpers();
  ASSERT_EQ(helpers, GetDrawHelpers());
  EXPECT_NE(helpers->m_hMsImgDll, nullptr);
  EXPECT_NE(helpers->m_pfnGradientFill, nullptr);
  EXPECT_NE(helpers->m_pfnAlphaBlend, nullptr);
  EXPECT_NE(helpers->m_pfnTransparentBlt, nullptr);
  CTKDrawHelpers missing;
  missing.m_pfnGradientFill = nullptr;
  Canvas c(4, 4);
  TRIVERTEX v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {4, 4, 0, 0, 0xFF00, 0}};
  GRADIENT_RECT mesh{0, 1};
  EXPECT_EQ(missing.CallGradientFill(c.dc.m_hDC, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H), FALSE);
  EXPECT_EQ(c.At(0, 0), RGB(1, 2, 3));
}

TEST_F(DrawHelpersTest, GradientEndColoursAreExactAtTheFirstAndLastLines) {
  const COLORREF first = RGB(200, 40, 10), second = RGB(20, 120, 250);
  CTKDrawHelpers fast;
  fast.m_pfnGradientFill = CountingGradientFill;
  CTKDrawHelpers slow;
  slow.m_pfnGradientFill = nullptr;
  for (BOOL horizontal : {TRUE, FALSE}) {
    SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
    const CRect rect(3, 2, 3 + 17, 2 + 11);
    const int size = horizontal ? rect.Width() : rect.Height();
    auto at = [&](const Canvas& c, int i) {
      return horizontal ? c.At(rect.left + i, rect.top + 5) : c.At(rect.left + 5, rect.top + i);
    };
    Canvas a(24, 16);
    fast.GradientFill(&a.dc, &rect, first, second, horizontal);
    EXPECT_EQ(g_gradientCalls, 1);
    EXPECT_EQ(at(a, 0), first);
    EXPECT_EQ(at(a, size - 1), second);
    EXPECT_EQ(a.At(rect.left - 1, rect.top), RGB(1, 2, 3)) << "nothing outside";
    EXPECT_EQ(a.At(rect.right, rect.bottom), RGB(1, 2, 3));

    // The slow path: one solid line per pixel at 1 - offset / size.
    Canvas b(24, 16);
    slow.GradientFill(&b.dc, &rect, first, second, horizontal);
    EXPECT_EQ(g_gradientCalls, 1);
    for (int i = 0; i < size; ++i) {
      const double alpha = 1.0 - static_cast<double>(i) / size;
      const COLORREF expected = RGB(static_cast<int>(GetRValue(first) * alpha + GetRValue(second) * (1 - alpha)),
                                    static_cast<int>(GetGValue(first) * alpha + GetGValue(second) * (1 - alpha)),
                                    static_cast<int>(GetBValue(first) * alpha + GetBValue(second) * (1 - alpha)));
      ASSERT_EQ(at(b, i), expected) << i;
    }
    EXPECT_EQ(at(b, 0), first);
    EXPECT_EQ(b.At(rect.right, rect.bottom), RGB(1, 2, 3));
    g_gradientCalls = 0;
  }
}

TEST_F(DrawHelpersTest, SolidFillsAndThePathChoice) {
  CTKDrawHelpers helpers;
  helpers.m_pfnGradientFill = CountingGradientFill;
  // Equal colours: a solid fill, no GradientFill.
  Canvas c(8, 8);
  const CRect rect(1, 1, 7, 7);
  helpers.GradientFill(&c.dc, &rect, RGB(9, 99, 199), RGB(9, 99, 199), TRUE);
  EXPECT_EQ(g_gradientCalls, 0);
  EXPECT_EQ(c.At(1, 1), RGB(9, 99, 199));
  EXPECT_EQ(c.At(6, 6), RGB(9, 99, 199));
  // Null or empty rectangles draw nothing.
  helpers.GradientFill(&c.dc, nullptr, 0, RGB(255, 255, 255), TRUE);
  const CRect empty(5, 5, 5, 9);
  helpers.GradientFill(&c.dc, &empty, 0, RGB(255, 255, 255), TRUE);
  helpers.GradientFill(nullptr, &rect, 0, RGB(255, 255, 255), TRUE);
  EXPECT_EQ(c.At(5, 5), RGB(9, 99, 199));
  EXPECT_EQ(g_gradientCalls, 0);
  // One pixel wide, horizontal, on the slow path: the first colour.
  CTKDrawHelpers slow;
  slow.m_pfnGradientFill = nullptr;
  const CRect thin(2, 0, 3, 8);
  slow.GradientFill(&c.dc, &thin, RGB(250, 0, 0), RGB(0, 0, 250), TRUE);
  EXPECT_EQ(c.At(2, 0), RGB(250, 0, 0));
  EXPECT_EQ(c.At(2, 7), RGB(250, 0, 0));
  // A right-to-left DC on the Windows 9x platform takes the slow path.
  OSVERSIONINFOW win98{};
  win98.dwMajorVersion = 4;
  win98.dwMinorVersion = 10;
  win98.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  *GetOSVersionInfo() = CTKOSVersionInfo(win98);
  CTKDrawHelpers::SetContextRTL(&c.dc, LAYOUT_RTL);
  helpers.GradientFill(&c.dc, &rect, RGB(250, 0, 0), RGB(0, 0, 250), TRUE);
  EXPECT_EQ(g_gradientCalls, 0);
  *GetOSVersionInfo() = CTKOSVersionInfo();
  helpers.GradientFill(&c.dc, &rect, RGB(250, 0, 0), RGB(0, 0, 250), TRUE);
  EXPECT_EQ(g_gradientCalls, 1);
}

TEST_F(DrawHelpersTest, SlowGradientStaysInsideTheClipBox) {
  CTKDrawHelpers slow;
  slow.m_pfnGradientFill = nullptr;
  Canvas c(20, 6);
  c.dc.IntersectClipRect(5, 0, 9, 6);
  const CRect rect(0, 0, 20, 6);
  slow.GradientFill(&c.dc, &rect, RGB(0, 0, 0), RGB(200, 200, 200), TRUE);
  c.dc.SelectClipRgn(nullptr);  // pixels outside a clip region read as invalid
  EXPECT_EQ(c.At(4, 3), RGB(1, 2, 3));
  EXPECT_EQ(c.At(9, 3), RGB(1, 2, 3));
  EXPECT_EQ(c.At(5, 3), CTKDrawHelpers::BlendColors(0, RGB(200, 200, 200), 1.0 - 5 / 20.0));
}

TEST_F(DrawHelpersTest, ClippedGradientShowsTheWholeGradientsColoursInTheClip) {
  const COLORREF first = RGB(0, 0, 0), second = RGB(200, 100, 240);
  const CRect rect(0, 0, 20, 4);
  for (bool slowPath : {false, true}) {
    SCOPED_TRACE(slowPath ? "slow" : "fast");
    CTKDrawHelpers helpers;
    if (slowPath) helpers.m_pfnGradientFill = nullptr;
    // The right half: from the colour at the middle to the second colour.
    Canvas c(24, 6);
    const CRect rightHalf(10, -5, 30, 3);
    helpers.GradientFillClipped(&c.dc, &rect, first, second, TRUE, &rightHalf);
    EXPECT_EQ(c.At(9, 1), RGB(1, 2, 3));
    EXPECT_EQ(c.At(10, 1), CTKDrawHelpers::BlendColors(first, second, 0.5));
    if (!slowPath) {
      EXPECT_EQ(c.At(19, 1), second);
    }
    EXPECT_EQ(c.At(12, 3), RGB(1, 2, 3)) << "rows below the clip stay";
    // A clip wholly to the left draws nothing.
    Canvas d(24, 6);
    const CRect left(-10, 0, -1, 4);
    helpers.GradientFillClipped(&d.dc, &rect, first, second, TRUE, &left);
    for (int x = 0; x < 24; ++x) ASSERT_EQ(d.At(x, 1), RGB(1, 2, 3)) << x;
    // Without a clip: the whole gradient.
    Canvas e(24, 6);
    helpers.GradientFillClipped(&e.dc, &rect, first, second, TRUE, nullptr);
    EXPECT_EQ(e.At(0, 0), first);
  }
  // Vertical: the clip's middle band, colours of the whole gradient there.
  CTKDrawHelpers helpers;
  Canvas c(6, 24);
  const CRect tall(0, 0, 4, 20), band(1, 5, 3, 15);
  helpers.GradientFillClipped(&c.dc, &tall, first, second, FALSE, &band);
  EXPECT_EQ(c.At(0, 10), RGB(1, 2, 3)) << "columns left of the clip stay";
  EXPECT_EQ(c.At(1, 4), RGB(1, 2, 3));
  EXPECT_EQ(c.At(1, 5), CTKDrawHelpers::BlendColors(first, second, 15 / 20.0));
  EXPECT_EQ(c.At(2, 14), CTKDrawHelpers::BlendColors(first, second, 5 / 20.0));
  EXPECT_EQ(c.At(1, 15), RGB(1, 2, 3));
  // An empty gradient has nothing to show.
  const CRect none(4, 4, 4, 10);
  helpers.GradientFillClipped(&c.dc, &none, first, second, TRUE, &band);
}

TEST_F(DrawHelpersTest, GradientColourHonoursItsFactorAndCustomValues) {
  CTKDrawHelpers helpers;
  const COLORREF light = RGB(250, 240, 230), dark = RGB(10, 20, 30);
  CTKPaintManagerColorGradient gradient;
  gradient.SetStandardColors(RGB(1, 1, 1), dark, 0.3f);
  gradient.clrLight.SetCustomValue(light);  // the custom value wins
  const COLORREF middle = CTKDrawHelpers::BlendColors(light, dark, 0.3f);
  EXPECT_EQ(GetRValue(middle),
            static_cast<int>(250 * static_cast<double>(0.3f) + 10 * (1 - static_cast<double>(0.3f))));
  // Five pixels split 3 + 2: light to middle, then middle to dark.
  Canvas c(8, 4);
  const CRect rect(1, 0, 6, 4);
  helpers.FillGradientColor(&c.dc, &rect, gradient, TRUE);
  EXPECT_EQ(c.At(1, 0), light);
  EXPECT_EQ(c.At(3, 0), middle);
  EXPECT_EQ(c.At(4, 0), middle);
  EXPECT_EQ(c.At(5, 0), dark);
  EXPECT_EQ(c.At(6, 0), RGB(1, 2, 3));
  // Vertical, 5 high: the same split by rows.
  Canvas v(4, 8);
  const CRect tall(0, 1, 4, 6);
  helpers.FillGradientColor(&v.dc, &tall, gradient, FALSE);
  EXPECT_EQ(v.At(0, 1), light);
  EXPECT_EQ(v.At(0, 3), middle);
  EXPECT_EQ(v.At(0, 4), middle);
  EXPECT_EQ(v.At(0, 5), dark);
  // Factor 0.5: one gradient from light to dark.
  gradient.fGradientFactor = 0.5f;
  Canvas d(8, 4);
  helpers.FillGradientColor(&d.dc, &rect, gradient, TRUE);
  EXPECT_EQ(d.At(1, 0), light);
  EXPECT_EQ(d.At(5, 0), dark);
  EXPECT_NE(d.At(3, 0), middle);
}

// ---- drawing ------------------------------------------------------------------------------------

TEST_F(DrawHelpersTest, ExcludeCornersKeepsTheFourCornerPixels) {
  Canvas c(10, 10);
  const CRect rect(2, 2, 8, 7);
  CTKDrawHelpers::ExcludeCorners(&c.dc, &rect);
  c.dc.FillSolidRect(&rect, RGB(255, 0, 0));
  c.dc.SelectClipRgn(nullptr);
  for (POINT p : {POINT{2, 2}, POINT{7, 2}, POINT{2, 6}, POINT{7, 6}}) EXPECT_EQ(c.At(p.x, p.y), RGB(1, 2, 3));
  for (POINT p : {POINT{3, 2}, POINT{2, 3}, POINT{6, 6}, POINT{7, 5}, POINT{4, 4}})
    EXPECT_EQ(c.At(p.x, p.y), RGB(255, 0, 0));
  CTKDrawHelpers::ExcludeCorners(nullptr, &rect);
}

TEST_F(DrawHelpersTest, TriangleUsesOneColourAndRestoresPenAndBrush) {
  Canvas c(12, 12);
  HGDIOBJ pen = ::GetCurrentObject(c.dc.m_hDC, OBJ_PEN), brush = ::GetCurrentObject(c.dc.m_hDC, OBJ_BRUSH);
  CTKDrawHelpers::Triangle(&c.dc, CPoint(1, 1), CPoint(10, 1), CPoint(1, 10), RGB(0, 200, 0));
  EXPECT_EQ(c.At(1, 1), RGB(0, 200, 0)) << "outline";
  EXPECT_EQ(c.At(3, 3), RGB(0, 200, 0)) << "inside";
  EXPECT_EQ(c.At(10, 10), RGB(1, 2, 3));
  EXPECT_EQ(::GetCurrentObject(c.dc.m_hDC, OBJ_PEN), pen);
  EXPECT_EQ(::GetCurrentObject(c.dc.m_hDC, OBJ_BRUSH), brush);
}

// ---- right-to-left --------------------------------------------------------------------------------

TEST_F(DrawHelpersTest, RightToLeftDCsMirrorRectanglesOnBothGradientPaths) {
  EXPECT_FALSE(CTKDrawHelpers::IsContextRTL(nullptr));
  CTKDrawHelpers::SetContextRTL(nullptr, LAYOUT_RTL);  // ignored
  CTKDrawHelpers fast, slow;
  slow.m_pfnGradientFill = nullptr;
  const COLORREF first = RGB(240, 0, 0), second = RGB(0, 0, 240);
  const CRect rect(2, 1, 8, 3);  // logical x 2..7 lands on device x 12..17 of a 20-wide DC
  for (CTKDrawHelpers* helpers : {&fast, &slow}) {
    Canvas c(20, 4);
    EXPECT_FALSE(CTKDrawHelpers::IsContextRTL(&c.dc));
    CTKDrawHelpers::SetContextRTL(&c.dc, LAYOUT_RTL);
    EXPECT_TRUE(CTKDrawHelpers::IsContextRTL(&c.dc));
    EXPECT_EQ(GetDCLayout(c.dc.m_hDC), LAYOUT_RTL);
    helpers->GradientFill(&c.dc, &rect, first, second, TRUE);
    CTKDrawHelpers::SetContextRTL(&c.dc, 0);
    EXPECT_FALSE(CTKDrawHelpers::IsContextRTL(&c.dc));
    EXPECT_EQ(c.At(17, 2), first) << "the first colour at the right edge";
    EXPECT_EQ(c.At(11, 2), RGB(1, 2, 3));
    EXPECT_EQ(c.At(2, 2), RGB(1, 2, 3));
    EXPECT_NE(c.At(12, 2), RGB(1, 2, 3));
    EXPECT_EQ(c.At(18, 2), RGB(1, 2, 3));
  }
}

class DrawHelpersWindowTest : public DrawHelpersTest {
 protected:
  void SetUp() override {
    DrawHelpersTest::SetUp();
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    ASSERT_TRUE(CTKDrawHelpers::RegisterWndClass(nullptr, u"TKDrawHelpersTestWnd", CS_DBLCLKS));
  }
  void TearDown() override {
    CTKDrawHelpers::SetClickOutsideHook(nullptr);
    for (HWND h : windows_) ::DestroyWindow(h);
    pvtest::ResetDesktop();
    DrawHelpersTest::TearDown();
  }
  HWND Make(DWORD exStyle, DWORD style, RECT r, HWND parent = nullptr) {
    HWND h = ::CreateWindowEx(exStyle, u"TKDrawHelpersTestWnd", u"Test", style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    windows_.push_back(h);
    return h;
  }
  std::vector<HWND> windows_;
};

TEST_F(DrawHelpersWindowTest, ArrowKeysAndScreenPointsFollowTheWindowsLayout) {
  HWND rtl = Make(WS_EX_LAYOUTRTL, WS_POPUP | WS_VISIBLE, RECT{100, 50, 300, 150});
  HWND ltr = Make(0, WS_POPUP | WS_VISIBLE, RECT{100, 50, 300, 150});
  CWnd* rtlWnd = CWnd::FromHandle(rtl);
  CWnd* ltrWnd = CWnd::FromHandle(ltr);
  struct Case {
    CWnd* wnd;
    UINT key, expected;
  } cases[] = {
      {rtlWnd, VK_LEFT, VK_RIGHT}, {rtlWnd, VK_RIGHT, VK_LEFT}, {rtlWnd, VK_UP, VK_UP},
      {ltrWnd, VK_LEFT, VK_LEFT},  {nullptr, VK_LEFT, VK_LEFT},
  };
  for (const Case& c : cases) {
    UINT key = c.key;
    CTKDrawHelpers::MirrorArrowKey(c.wnd, &key);
    EXPECT_EQ(key, c.expected);
    key = c.key;
    CTKDrawHelpers::MirrorArrowKey(&key, c.wnd);
    EXPECT_EQ(key, c.expected);
  }
  POINT p{130, 70};
  CTKDrawHelpers::ScreenToWindow(rtlWnd, &p);
  EXPECT_EQ(p.x, 170);  // from the right edge
  EXPECT_EQ(p.y, 20);
  p = POINT{130, 70};
  CTKDrawHelpers::ScreenToWindow(ltrWnd, &p);
  EXPECT_EQ(p.x, 30);
  EXPECT_EQ(p.y, 20);
}

TEST_F(DrawHelpersWindowTest, RegisteredClassUsesTheDefaultProcedureAndTheArrow) {
  WNDCLASSW wc{};
  ASSERT_TRUE(::GetClassInfo(AfxGetInstanceHandle(), u"TKDrawHelpersTestWnd", &wc));
  EXPECT_EQ(wc.lpfnWndProc, &::DefWindowProcW);
  EXPECT_EQ(wc.hCursor, ::LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(wc.lpszMenuName, nullptr);
  // Registered again: success, the first registration stays.
  EXPECT_TRUE(CTKDrawHelpers::RegisterWndClass(nullptr, u"TKDrawHelpersTestWnd", 0));
  // Background and icon in either order.
  HBRUSH brush = ::GetSysColorBrush(COLOR_BTNFACE);
  HICON icon = ::LoadIcon(nullptr, IDI_WARNING);
  ASSERT_TRUE(CTKDrawHelpers::RegisterWndClass(nullptr, u"TKDrawHelpersTestWnd2", 0, brush, icon));
  ASSERT_TRUE(CTKDrawHelpers::RegisterWndClass(nullptr, u"TKDrawHelpersTestWnd3", 0, icon, brush));
  for (LPCWSTR name : {u"TKDrawHelpersTestWnd2", u"TKDrawHelpersTestWnd3"}) {
    ASSERT_TRUE(::GetClassInfo(AfxGetInstanceHandle(), name, &wc));
    EXPECT_EQ(wc.hbrBackground, brush);
    EXPECT_EQ(wc.hIcon, icon);
  }
  EXPECT_TRUE(CTKDrawHelpers::RegisterWndClass(nullptr, u"TKDrawHelpersTestWnd4", 0, nullptr, nullptr));
  EXPECT_FALSE(CTKDrawHelpers::RegisterWndClass(nullptr, nullptr, 0));
}

// A window whose own WM_GETTEXT answers something else.
LRESULT CALLBACK OwnTextProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETTEXT && wp > 0) {
    auto* out = reinterpret_cast<WCHAR*>(lp);
    out[0] = u'X';
    out[1] = 0;
    return 1;
  }
  return ::DefWindowProcW(h, msg, wp, lp);
}

TEST_F(DrawHelpersWindowTest, WindowTextComesFromTheDefaultProcedure) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = OwnTextProc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.lpszClassName = u"TKDrawHelpersOwnText";
  ::RegisterClass(&wc);
  HWND h = ::CreateWindowEx(0, u"TKDrawHelpersOwnText", u"The real caption", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr);
  windows_.push_back(h);
  WCHAR own[32] = {};
  ::GetWindowText(h, own, 32);
  EXPECT_EQ(CString(own), CString(u"X"));
  CString text;
  CTKDrawHelpers::GetWindowTextDefault(h, text);
  EXPECT_EQ(text, CString(u"The real caption"));
  EXPECT_EQ(CTKDrawHelpers::GetWindowTextDefault(h), CString(u"The real caption"));
  ::SetWindowText(h, u"");
  EXPECT_TRUE(CTKDrawHelpers::GetWindowTextDefault(h).IsEmpty());
}

TEST_F(DrawHelpersWindowTest, TopParentIsActiveWhenItOrItsLastPopupHasTheForeground) {
  HWND top = Make(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200});
  HWND child = Make(0, WS_CHILD | WS_VISIBLE, RECT{10, 10, 50, 50}, top);
  HWND other = Make(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{400, 0, 700, 200});
  ::SetForegroundWindow(top);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(CTKDrawHelpers::IsTopParentActive(CWnd::FromHandle(child)));
  EXPECT_TRUE(CTKDrawHelpers::IsTopParentActive(CWnd::FromHandle(top)));
  // An owned pop-up of the top window, active: still the top's.
  HWND popup = Make(0, WS_POPUP | WS_VISIBLE, RECT{20, 20, 80, 80}, top);
  ::SetForegroundWindow(popup);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(CTKDrawHelpers::IsTopParentActive(CWnd::FromHandle(child)));
  ::SetForegroundWindow(other);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(CTKDrawHelpers::IsTopParentActive(CWnd::FromHandle(child)));
  EXPECT_FALSE(CTKDrawHelpers::IsTopParentActive(nullptr));
}

// Button presses that reach windows, by window.
std::vector<std::pair<HWND, UINT>> g_presses;
LRESULT CALLBACK PressRecorder(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_NCLBUTTONDOWN) g_presses.emplace_back(h, msg);
  return ::DefWindowProcW(h, msg, wp, lp);
}

TEST_F(DrawHelpersWindowTest, ClickOutsideHookSwallowsOutsidePressesAndFocusesTheOwner) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PressRecorder;
  wc.hInstance = AfxGetInstanceHandle();
  wc.lpszClassName = u"TKDrawHelpersPresses";
  ::RegisterClass(&wc);
  auto make = [&](DWORD style, RECT r, HWND parent) {
    HWND h = ::CreateWindowEx(0, u"TKDrawHelpersPresses", u"", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent, nullptr, nullptr, nullptr);
    windows_.push_back(h);
    return h;
  };
  HWND owner = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 400, 300}, nullptr);
  HWND list = make(WS_POPUP | WS_VISIBLE, RECT{50, 50, 150, 150}, owner);
  ::SetForegroundWindow(owner);
  ::SetFocus(list);
  pv::test::PumpUntilIdle();
  g_presses.clear();

  CTKDrawHelpers::SetClickOutsideHook(CWnd::FromHandle(list));
  pv::test::Click(100, 100);  // inside: passes through
  pv::test::PumpUntilIdle();
  ASSERT_EQ(g_presses.size(), 1u);
  EXPECT_EQ(g_presses[0].first, list);
  g_presses.clear();
  pv::test::Click(300, 200);  // outside, over the owner: swallowed
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(g_presses.empty());
  EXPECT_EQ(::GetFocus(), owner);
  pv::test::Click(300, 200, pv::test::Button::Right);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(g_presses.empty());

  // A destroyed target swallows nothing.
  ::DestroyWindow(list);
  pv::test::Click(300, 200);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_presses.size(), 1u);
  g_presses.clear();

  // Removed: presses reach the window under the mouse again.
  HWND list2 = make(WS_POPUP | WS_VISIBLE, RECT{50, 50, 150, 150}, owner);
  CTKDrawHelpers::SetClickOutsideHook(CWnd::FromHandle(list2));
  CTKDrawHelpers::SetClickOutsideHook(nullptr);
  pv::test::Click(300, 200);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(g_presses.size(), 1u);
  EXPECT_EQ(g_presses[0].first, owner);
}

TEST_F(DrawHelpersWindowTest, RectanglesOfWindowsAreEmptyWithoutAWindow) {
  HWND top = Make(0, WS_POPUP | WS_VISIBLE, RECT{10, 20, 110, 70});
  CWnd* wnd = CWnd::FromHandle(top);
  EXPECT_EQ(WindowRectOf(wnd), CRect(10, 20, 110, 70));
  EXPECT_EQ(WindowRectOfHandle(top), CRect(10, 20, 110, 70));
  EXPECT_EQ(ClientRectOf(wnd), CRect(0, 0, 100, 50));
  EXPECT_TRUE(WindowRectOf(nullptr).IsRectEmpty());
  EXPECT_TRUE(ClientRectOf(nullptr).IsRectEmpty());
  EXPECT_TRUE(MakeEmptyRect().IsRectEmpty());
  pv::test::MouseMove(15, 30);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(GetCursorPosInClient(wnd), CPoint(5, 10));
  ::DestroyWindow(top);
  EXPECT_TRUE(WindowRectOfHandle(top).IsRectEmpty());
  CWnd detached;
  EXPECT_TRUE(ClientRectOf(&detached).IsRectEmpty());
}

// ---- texts and fonts ----------------------------------------------------------------------------

TEST(DrawHelpersText, StripMnemonicsKeepsTheAmpersandOfADoubledPair) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"&File", u"File"}, {u"Save && &Exit", u"Save & Exit"},
      {u"&&", u"&"},       {u"a&", u"a"},
      {u"&&&x", u"&x"},    {u"none", u"none"},
      {u"", u""},          {u"&&&&", u"&&"},
  };
  for (const Case& c : cases) {
    CString s(c.in);
    CTKDrawHelpers::StripMnemonics(s);
    EXPECT_EQ(s, CString(c.out));
    WCHAR buffer[32] = {};
    wcscpy_s(buffer, c.in);
    StripMnemonicsInPlace(buffer);
    EXPECT_EQ(CString(buffer), CString(c.out));
  }
  StripMnemonicsInPlace(nullptr);
  StripMnemonicsInPlace(reinterpret_cast<LPWSTR>(static_cast<INT_PTR>(-1)));
}

TEST(DrawHelpersText, FacesAndTheIconTitleFont) {
  EXPECT_TRUE(CTKDrawHelpers::FontExists(u"Arial"));
  EXPECT_TRUE(CTKDrawHelpers::FontExists(u"tahoma"));
  EXPECT_FALSE(CTKDrawHelpers::FontExists(u"No Such Face Anywhere"));
  EXPECT_FALSE(CTKDrawHelpers::FontExists(u""));
  EXPECT_EQ(CTKDrawHelpers::GetDefaultFontFaceName(FALSE), CString(u"Arial"));
  EXPECT_EQ(CTKDrawHelpers::GetDefaultFontFaceName(TRUE), CString(u"Tahoma"));
  LOGFONTW lf{}, system{};
  ::SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof(system), &system, 0);
  EXPECT_TRUE(CTKDrawHelpers::GetIconLogFont(&lf));
  EXPECT_EQ(CString(lf.lfFaceName), CString(system.lfFaceName));
  EXPECT_EQ(lf.lfHeight, system.lfHeight);
  EXPECT_EQ(lf.lfCharSet, GetResourceManager()->GetFontCharset());
}

}  // namespace
