// A bar painted by the window manager: WM_PAINT draws the bar's background
// and every control through the look, so each caption shows and the
// control under the mouse takes the hot colour.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/barwindow_support.h"

namespace {

using cbtest::RowBar;

constexpr COLORREF kBarColour = RGB(230, 230, 240);
constexpr COLORREF kHotColour = RGB(255, 200, 60);

// The fixed sizes of the test look, drawing as a look does: the bar's
// background, a hot control's highlight and its caption.
class DrawingLook : public cbtest::TestPaintManager {
 public:
  void FillCommandBarEntry(CDC* pDC, CTKCommandBar* pBar) override {
    CRect rc;
    pBar->GetClientRect(&rc);
    pDC->FillSolidRect(&rc, kBarColour);
  }
  CSize DrawControl(CDC* pDC, CTKControl* pControl, BOOL bDraw) override {
    if (!bDraw) return TestPaintManager::DrawControl(pDC, pControl, FALSE);
    CRect rc = pControl->GetRect();
    if (pControl->GetSelected()) pDC->FillSolidRect(&rc, kHotColour);
    pDC->SetTextColor(RGB(0, 0, 0));
    pDC->DrawText(StripMnemonics(pControl->GetCaption()), &rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    return CSize(0, 0);
  }
};

class BarPaintTest : public cbtest::BarWindowFixture {};

// Whether any pixel of the rectangle is dark, as caption ink is.
bool HasInk(HWND hwnd, const CRect& rc) {
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) {
      const COLORREF c = pv::test::WindowPixel(hwnd, x, y);
      if (GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100) return true;
    }
  return false;
}

TEST_F(BarPaintTest, WMPaintShowsEachCaptionAndTheHotControl) {
  RowBar bar(TKBarType::Normal, TKBarPosition::Top, &m_site);
  bar.SetPaintManager(new DrawingLook());
  CTKControl* controls[] = {bar.Add(TKControlType::Button, 301, u"&Cut"), bar.Add(TKControlType::Button, 302, u"C&opy"),
                            bar.Add(TKControlType::Button, 303, u"&Paste")};
  bar.OnRecalcLayout();  // measured in the drawing look
  ::SetActiveWindow(bar.GetSafeHwnd());
  const POINT pt = bar.ScreenPoint(controls[1]);
  pv::test::MouseMove(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(bar.GetSelected(), 1);

  const HWND hwnd = bar.GetSafeHwnd();
  for (CTKControl* pControl : controls) {
    const CRect rc = pControl->GetRect();
    SCOPED_TRACE(cbtest::Narrow(pControl->GetCaption()));
    EXPECT_TRUE(HasInk(hwnd, rc));
    // A corner of the control shows its background: hot or the bar's.
    EXPECT_EQ(pv::test::WindowPixel(hwnd, rc.left + 1, rc.top + 1), pControl == controls[1] ? kHotColour : kBarColour);
  }
  // Past the last control the bar's own background.
  EXPECT_EQ(pv::test::WindowPixel(hwnd, controls[2]->GetRect().right + 5, 5), kBarColour);

  // The pointer leaves: the highlight goes at the next paint.
  pv::test::MouseMove(pt.x, pt.y + 200);
  pv::test::PumpUntilIdle();
  pv::test::AdvanceAndPump(100);
  EXPECT_EQ(bar.GetSelected(), -1);
  EXPECT_EQ(pv::test::WindowPixel(hwnd, controls[1]->GetRect().left + 1, controls[1]->GetRect().top + 1), kBarColour);
}

}  // namespace
