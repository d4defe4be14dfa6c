// The scroll viewer in a real host window, on the fake clock: which bars
// exist, offsets from the wheel, lines, pages and the thumb, the auto-repeat
// of a held arrow, SHIFT clicks on the track, and disabled bars.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/input_test_support.h"
#include "tests/toolkit/markup/markup_test_support.h"
#include "toolkit/markup/markupscrollviewer.h"

namespace {

using markup_test::Narrow;

class CViewerHost : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT lResult = 0;
    if (message == WM_PAINT && m_bPaints && m_pRoot) {
      // What a window showing markup does: lay the root out in the client
      // area and draw it there.
      PAINTSTRUCT ps;
      HDC hDC = ::BeginPaint(m_hWnd, &ps);
      RECT rc;
      ::GetClientRect(m_hWnd, &rc);
      MarkupMeasureElement(m_pRoot, rc.right, rc.bottom);
      MarkupRenderElement(m_pRoot, hDC, &rc);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    if (m_pRoot && ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_CAPTURECHANGED) &&
        MarkupRelayElementMessage(m_pRoot, message, wParam, lParam, &lResult))
      return lResult;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  CTKMarkupInputElement* m_pRoot = nullptr;
  bool m_bPaints = false;
};

class ScrollViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    ASSERT_TRUE(
        m_host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 400), nullptr, 0));
    ::SetForegroundWindow(m_host.GetSafeHwnd());
    ::SetFocus(m_host.GetSafeHwnd());
    m_pContext = MarkupCreateContext(m_host.GetSafeHwnd());
    m_nBar = ::GetSystemMetrics(SM_CXVSCROLL);
  }
  void TearDown() override {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    MarkupReleaseContext(m_pContext);
    m_host.DestroyWindow();
    pvtest::ResetDesktop();
  }
  CTKMarkupScrollViewer* Build(const char16_t* markup) {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    m_pRoot = MarkupParseText(m_pContext, markup);
    EXPECT_NE(m_pRoot, nullptr) << Narrow(m_pContext->GetLastParseError());
    Layout();
    m_host.m_pRoot = m_pRoot;
    return MarkupDynamicCast<CTKMarkupScrollViewer>(m_pRoot);
  }
  void Layout() {
    markup_test::Bitmap bitmap(200, 400);
    MarkupMeasureElement(m_pRoot, 200, 400);
    RECT rc{0, 0, 200, 400};
    MarkupRenderElement(m_pRoot, bitmap.dc, &rc);
  }
  void Move(int x, int y) {
    pv::test::MouseMove(x, y);
    pv::test::PumpUntilIdle();
  }

  pv::FakeClockScope m_clock;
  CViewerHost m_host;
  CTKMarkupContext* m_pContext = nullptr;
  CTKMarkupInputElement* m_pRoot = nullptr;
  int m_nBar = 0;
};

const char16_t* const kTall = u"<ScrollViewer><Border Height='1000' Background='Red'/></ScrollViewer>";

TEST_F(ScrollViewerTest, WhichBarsExist) {
  CTKMarkupScrollViewer* pViewer = Build(u"<ScrollViewer><Border Height='50' Background='Red'/></ScrollViewer>");
  ASSERT_NE(pViewer, nullptr);
  ASSERT_NE(pViewer->GetScrollBar(1), nullptr) << "without settings the vertical bar always shows";
  EXPECT_EQ(pViewer->GetScrollBar(0), nullptr) << "and the horizontal one never";
  EXPECT_FALSE(pViewer->GetScrollBar(1)->IsScrollEnabled()) << "the content fits";
  EXPECT_EQ(pViewer->GetContent()->GetRenderSize().cx, 200 - m_nBar) << "the content gets the width beside the bar";

  pViewer = Build(
      u"<ScrollViewer VerticalScrollBarVisibility='Auto' HorizontalScrollBarVisibility='auto'>"
      u"<Border Width='50' Height='50' Background='Red'/></ScrollViewer>");
  EXPECT_EQ(pViewer->GetScrollBar(1), nullptr);
  EXPECT_EQ(pViewer->GetScrollBar(0), nullptr);
  EXPECT_EQ(pViewer->GetOffset(0) + pViewer->GetOffset(1), 0);

  pViewer = Build(
      u"<ScrollViewer VerticalScrollBarVisibility='Auto' HorizontalScrollBarVisibility='Auto'>"
      u"<Border Width='500' Height='1000' Background='Red'/></ScrollViewer>");
  ASSERT_NE(pViewer->GetScrollBar(1), nullptr);
  ASSERT_NE(pViewer->GetScrollBar(0), nullptr);
  ASSERT_NE(pViewer->GetGripper(), nullptr);
  EXPECT_EQ(pViewer->GetGripper()->GetFinalRect().left, 200 - m_nBar);
  EXPECT_EQ(pViewer->GetScrollBar(0)->GetScrollInfo().nPage, static_cast<UINT>(200 - m_nBar));
}

TEST_F(ScrollViewerTest, CornerSquareSitsBetweenTheBars) {
  // A window exactly the viewer's size, painted by the window manager.
  m_host.m_bPaints = true;
  m_host.SetWindowPos(nullptr, 0, 0, 150, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  CTKMarkupScrollViewer* pViewer = Build(
      u"<ScrollViewer Width='150' Height='100' HorizontalScrollBarVisibility='Auto' "
      u"VerticalScrollBarVisibility='Auto'><Border Width='300' Height='120' Background='Red'/></ScrollViewer>");
  ASSERT_NE(pViewer, nullptr);
  ASSERT_NE(pViewer->GetGripper(), nullptr) << "both bars show";
  m_host.Invalidate();
  pv::test::PumpUntilIdle();
  const HWND hwnd = m_host.GetSafeHwnd();
  const int bw = ::GetSystemMetrics(SM_CXVSCROLL), bh = ::GetSystemMetrics(SM_CYHSCROLL);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  struct Probe {
    int x, y;
    COLORREF colour;
    const char* where;
  } probes[] = {
      {5, 5, RGB(255, 0, 0), "the content's top-left corner shows the content"},
      {0, 0, RGB(255, 0, 0), "the content's first pixel"},
      {150 - bw / 2, 100 - bh / 2, face, "the middle of the corner square"},
      {150 - bw, 100 - bh, face, "the corner square's first pixel"},
      {149, 99, face, "the corner square's last pixel"},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(pv::test::WindowPixel(hwnd, p.x, p.y), p.colour) << p.where << " (" << p.x << ", " << p.y << ")";
}

TEST_F(ScrollViewerTest, WheelLinesAndPages) {
  CTKMarkupScrollViewer* pViewer = Build(kTall);
  Move(50, 50);
  for (int i = 0; i < 3; ++i) pv::test::Wheel(-120, 50, 50);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pViewer->GetOffset(1), 144) << "three notches down";
  EXPECT_EQ(pViewer->GetContent()->GetFinalRect().top, -144) << "the content moves up";
  pv::test::Wheel(120 * 5, 50, 50);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pViewer->GetOffset(1), 96) << "the size of the delta plays no part";
  for (int i = 0; i < 20; ++i) pv::test::Wheel(-120, 50, 50);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pViewer->GetOffset(1), 600) << "limited to content height less viewport height";

  struct Step {
    int command;
    int expected;
  };
  const Step steps[] = {{6, 0}, {1, 16}, {1, 32}, {0, 16}, {0, 0}, {0, 0}, {3, 400}, {3, 600}, {2, 200}, {7, 600}};
  for (const Step& s : steps) {
    pViewer->ScrollBy(1, s.command, 0);
    EXPECT_EQ(pViewer->GetOffset(1), s.expected) << "command " << s.command;
  }
}

TEST_F(ScrollViewerTest, ShrinkingContentLowersTheOffset) {
  m_pRoot = MarkupParseText(m_pContext,
                            u"<ScrollViewer><StackPanel><Border Height='500' Background='Red'/>"
                            u"<Border Height='500' Background='Blue'/></StackPanel></ScrollViewer>");
  ASSERT_NE(m_pRoot, nullptr);
  Layout();
  m_host.m_pRoot = m_pRoot;
  auto* pViewer = MarkupDynamicCast<CTKMarkupScrollViewer>(m_pRoot);
  pViewer->ScrollBy(1, 7, 0);
  ASSERT_EQ(pViewer->GetOffset(1), 600);
  auto* pPanel = MarkupDynamicCast<CTKMarkupUIElement>(pViewer->GetContent());
  auto* pSecond = MarkupDynamicCast<CTKMarkupUIElement>(pPanel->GetVisualChild(1));
  pSecond->SetValue(CTKMarkupFrameworkElement::m_pHeightProperty, new CTKMarkupInt(200));
  Layout();
  EXPECT_EQ(pViewer->GetOffset(1), 300) << "700 high in a 400 viewport";
}

TEST_F(ScrollViewerTest, HeldArrowRepeats) {
  CTKMarkupScrollViewer* pViewer = Build(kTall);
  const int x = 200 - m_nBar / 2, y = 400 - 3;  // on the down arrow
  Move(x, y);
  std::vector<std::pair<int, int>> seen;  // (ms since the press, offset)
  std::vector<std::function<void()>> script;
  for (int i = 1; i <= 60; ++i) script.push_back([&, i] { seen.emplace_back(i * 10, pViewer->GetOffset(1)); });
  script.push_back([] { pv::test::MouseUp(pv::test::Button::Left, 200 - 3, 400 - 3); });
  tktest::ScriptTicker ticker(script);
  pv::test::MouseDown(pv::test::Button::Left, x, y);
  pv::test::PumpUntilIdle();
  ASSERT_GE(seen.size(), 60u);
  EXPECT_EQ(seen[0].second, 16) << "one step at once";
  EXPECT_EQ(seen[37].second, 16) << "nothing more before 400 ms";
  EXPECT_GE(seen[41].second, 32) << "the second step at 400 ms";
  // Then one step every 50 ms while the pointer stays on the arrow.
  EXPECT_NEAR(seen[59].second - seen[41].second, 16 * 180 / 50, 16);
  EXPECT_FALSE(pViewer->GetScrollBar(1)->IsTracking());
}

TEST_F(ScrollViewerTest, ThumbDragging) {
  CTKMarkupScrollViewer* pViewer = Build(kTall);
  CTKMarkupScrollBar* pBar = pViewer->GetScrollBar(1);
  const TKMARKUPSCROLLBARLAYOUT l = pBar->GetLayout();
  const int x = 200 - m_nBar / 2, y = l.nThumbStart + 5;
  Move(x, y);
  int nDragged = -1, nFarAway = -1;
  tktest::ScriptTicker ticker({[&] { pv::test::MouseMove(x, y + 100); },
                               [&] { nDragged = pViewer->GetOffset(1); },
                               [&] { pv::test::MouseMove(x - 500, y + 100); },
                               [&] { nFarAway = pViewer->GetOffset(1); },
                               [&] { pv::test::MouseUp(pv::test::Button::Left, x - 500, y + 100); },
                               {}});
  pv::test::MouseDown(pv::test::Button::Left, x, y);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(nDragged, pBar->PosFromPixel(l.nThumbStart + 100)) << "the thumb follows the pointer";
  EXPECT_GT(nDragged, 0);
  EXPECT_EQ(nFarAway, 0) << "far from the bar the thumb goes back where the drag began";
  EXPECT_EQ(pViewer->GetOffset(1), 0) << "releasing there leaves that position";
}

TEST_F(ScrollViewerTest, ShiftClickCentresTheThumb) {
  CTKMarkupScrollViewer* pViewer = Build(kTall);
  CTKMarkupScrollBar* pBar = pViewer->GetScrollBar(1);
  const int x = 200 - m_nBar / 2, y = 250;
  Move(x, y);
  pv::test::KeyDown(VK_SHIFT);
  pv::test::PumpUntilIdle();
  tktest::ScriptTicker ticker({[&] { pv::test::MouseUp(pv::test::Button::Left, x, y); }, {}});
  pv::test::MouseDown(pv::test::Button::Left, x, y);
  pv::test::PumpUntilIdle();
  pv::test::KeyUp(VK_SHIFT);
  pv::test::PumpUntilIdle();
  const TKMARKUPSCROLLBARLAYOUT& l = pBar->GetLayout();
  EXPECT_NEAR((l.nThumbStart + l.nThumbEnd) / 2, y, 2);
  EXPECT_GT(pViewer->GetOffset(1), 0);
}

TEST_F(ScrollViewerTest, DisabledBarIgnoresPresses) {
  CTKMarkupScrollViewer* pViewer = Build(u"<ScrollViewer><Border Height='50' Background='Red'/></ScrollViewer>");
  const int x = 200 - m_nBar / 2;
  pv::test::Click(x, 400 - 3);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pViewer->GetOffset(1), 0);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(pViewer->GetScrollBar(1)->HitTestPart(x, 400 - 3), CTKMarkupScrollBar::kPartNone);
}

}  // namespace
