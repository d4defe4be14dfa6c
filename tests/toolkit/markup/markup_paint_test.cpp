// Markup shown in a real window: the window manager sends WM_PAINT, the host
// lays the root out in its client area and draws it, and the pixels are read
// back where a user would look. Gradients through both drawing back ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/markup/markup_test_support.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupgdiplus.h"

namespace {

using markup_test::Narrow;

// A window that shows one markup root as a host does.
class CMarkupHost : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_PAINT && m_pRoot) {
      PAINTSTRUCT ps;
      HDC hDC = ::BeginPaint(m_hWnd, &ps);
      RECT rc;
      ::GetClientRect(m_hWnd, &rc);
      MarkupMeasureElement(m_pRoot, rc.right, rc.bottom);
      MarkupRenderElement(m_pRoot, hDC, &rc);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
  CTKMarkupInputElement* m_pRoot = nullptr;
};

class MarkupPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    ASSERT_TRUE(
        m_host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 100, 60), nullptr, 0));
    m_pContext = MarkupCreateContext(m_host.GetSafeHwnd());
  }
  void TearDown() override {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    MarkupReleaseContext(m_pContext);
    m_host.DestroyWindow();
    pvtest::ResetDesktop();
  }
  // Builds the markup and lets the window manager paint it.
  void Show(const std::u16string& markup) {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    m_pRoot = MarkupParseText(m_pContext, markup.c_str());
    ASSERT_NE(m_pRoot, nullptr) << Narrow(m_pContext->GetLastParseError());
    m_host.m_pRoot = m_pRoot;
    m_host.Invalidate();
    pv::test::PumpUntilIdle();
  }
  COLORREF Pixel(int x, int y) { return pv::test::WindowPixel(m_host.GetSafeHwnd(), x, y); }

  CMarkupHost m_host;
  CTKMarkupContext* m_pContext = nullptr;
  CTKMarkupInputElement* m_pRoot = nullptr;
};

std::u16string Gradient(const std::u16string& size, const std::u16string& stops) {
  return u"<Border " + size + u"><Border.Background><LinearGradientBrush StartPoint='0,0' EndPoint='1,0'>" + stops +
         u"</LinearGradientBrush></Border.Background></Border>";
}

int Distance(COLORREF a, COLORREF b) {
  return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                   std::abs(GetBValue(a) - GetBValue(b))});
}

TEST_F(MarkupPaint, GradientStopsOutsideTheStripGiveTheSameColoursOnBothBackEnds) {
  ASSERT_TRUE(MarkupIsGdiPlusRunning());
  // Offsets as the ribbon's templates use them: before 0 and past 1.
  struct Case {
    const char16_t* stops;
    COLORREF middle;  // at x = 50 of 100
  } cases[] = {
      {u"<GradientStop Color='#FF0000' Offset='-0.5'/><GradientStop Color='#00FF00' Offset='0.5'/>"
       u"<GradientStop Color='#0000FF' Offset='1.5'/>",
       RGB(0, 255, 0)},
      {u"<GradientStop Color='#000000' Offset='-1'/><GradientStop Color='#FFFFFF' Offset='2'/>", RGB(127, 127, 127)},
      {u"<GradientStop Color='#FF0000' Offset='0'/><GradientStop Color='#0000FF' Offset='1.2'/>"
       u"<GradientStop Color='#00FF00' Offset='1.5'/><GradientStop Color='#FFFFFF' Offset='2'/>",
       RGB(148, 0, 106)},
  };
  for (const Case& c : cases) {
    const std::string where = Narrow(std::u16string(c.stops));
    m_pContext->EnableGdiPlus(TRUE);
    Show(Gradient(u"", c.stops));
    COLORREF smooth[100];
    for (int x = 0; x < 100; x++) smooth[x] = Pixel(x, 30);
    m_pContext->EnableGdiPlus(FALSE);
    Show(Gradient(u"", c.stops));
    for (int x = 0; x < 100; x += 7) EXPECT_LE(Distance(smooth[x], Pixel(x, 30)), 4) << where << " at x = " << x;
    EXPECT_LE(Distance(smooth[50], c.middle), 4) << where;
    EXPECT_LE(Distance(Pixel(50, 30), c.middle), 4) << where;
  }
}

TEST_F(MarkupPaint, AGradientFarLargerThanTheWindowDrawsWhatShows) {
  // Through GDI a gradient is rendered pixel by pixel: only the visible part,
  // whatever the size of the rectangle.
  m_pContext->EnableGdiPlus(FALSE);
  for (const char16_t* size : {u"Width='4000' Height='4000'", u"Width='40000' Height='40000'"}) {
    Show(u"<Canvas>" +
         Gradient(size, u"<GradientStop Color='#000000' Offset='0'/><GradientStop Color='#FFFFFF' Offset='1'/>") +
         u"</Canvas>");
    const int extent = std::u16string(size).find(u"40000") != std::u16string::npos ? 40000 : 4000;
    // Black at the left edge, brightening by one step per extent/255 pixels.
    EXPECT_EQ(Pixel(0, 0), RGB(0, 0, 0)) << extent;
    const int level = 99 * 255 / extent;
    EXPECT_LE(Distance(Pixel(99, 59), RGB(level, level, level)), 1) << extent;
    EXPECT_NE(Pixel(99, 59), RGB(255, 255, 255)) << extent << ": the gradient is drawn";
  }
}

}  // namespace
