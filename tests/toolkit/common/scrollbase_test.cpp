// The self-drawn scroll bar: part geometry and hit test, the style from the
// command-bar theme, page auto-repeat on the fake clock, the thumb drag
// that snaps back outside its live rectangle, and the flat look's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/input_test_support.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/scrollbarpaintmanager.h"
#include "toolkit/common/scrollbase.h"
#include "toolkit/common/painttheme.h"

namespace {

class ThemeNumber : public CTKPaintThemeSource {
 public:
  explicit ThemeNumber(int theme) : m_theme(theme) {}
  int GetBaseTheme() override { return m_theme; }
  int m_theme;
};

struct ScrollCall {
  DWORD tick;
  int cmd;
  int pos;
  bool operator==(const ScrollCall&) const = default;
};

// A vertical bar over the whole client area of its window; scroll commands
// move the position as a list would.
class TestScrollBar : public CTKScrollBase {
 public:
  TestScrollBar() : m_paint(&m_theme) { m_paint.m_cyVScroll = 17; }

  BOOL IsScrollBarEnabled() const override { return TRUE; }
  CWnd* GetParentWindow() const override { return m_pWnd; }
  CRect GetScrollBarRect() override { return m_rc; }
  void GetScrollInfo(SCROLLINFO* psi) override {
    psi->nMin = m_min;
    psi->nMax = m_max;
    psi->nPage = static_cast<UINT>(m_page);
    psi->nPos = m_pos;
  }
  void DoScroll(int cmd, int pos) override {
    m_calls.push_back({::GetTickCount(), cmd, pos});
    const int last = m_max - std::max(m_page, 1) + 1;
    switch (cmd) {
      case SB_LINEUP:
        m_pos -= 1;
        break;
      case SB_LINEDOWN:
        m_pos += 1;
        break;
      case SB_PAGEUP:
        m_pos -= m_page;
        break;
      case SB_PAGEDOWN:
        m_pos += m_page;
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        m_pos = pos;
        break;
      default:
        break;
    }
    m_pos = std::clamp(m_pos, m_min, last);
    UpdateLayout();
  }
  void RedrawScrollBar() override { ++m_redraws; }
  CTKScrollBarPaintManager* GetScrollBarPaintManager() const override {
    return const_cast<CTKScrollBarPaintManager*>(&m_paint);
  }

  void Set(int min, int max, int page, int pos) {
    m_min = min, m_max = max, m_page = page, m_pos = pos;
    UpdateLayout();
  }

  ThemeNumber m_theme{0};
  CTKScrollBarPaintManager m_paint;
  CWnd* m_pWnd = nullptr;
  CRect m_rc{0, 0, 20, 100};
  int m_min = 0, m_max = 99, m_page = 10, m_pos = 0;
  std::vector<ScrollCall> m_calls;
  int m_redraws = 0;
  BOOL m_jump = FALSE;
};

TestScrollBar* g_bar = nullptr;

LRESULT BarWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN && g_bar) {
    g_bar->TrackScrollClick(h, CPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), &g_bar->m_spi, g_bar->m_jump);
    return 0;
  }
  return ::DefWindowProcW(h, msg, wp, lp);
}

class ScrollBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BarWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = u"TKScrollBarTestWnd";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, u"TKScrollBarTestWnd", u"", WS_POPUP | WS_VISIBLE, 100, 100, 20, 100, nullptr,
                                nullptr, nullptr, nullptr);
    bar_.m_pWnd = CWnd::FromHandle(window_);
    bar_.UpdateLayout();
    g_bar = &bar_;
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    g_bar = nullptr;
    pvtest::ResetDesktop();
  }
  std::vector<std::pair<int, int>> Commands() const {
    std::vector<std::pair<int, int>> out;
    for (const ScrollCall& c : bar_.m_calls) out.emplace_back(c.cmd, c.pos);
    return out;
  }

  pv::FakeClockScope clock_;
  HWND window_ = nullptr;
  TestScrollBar bar_;
};

TEST_F(ScrollBaseTest, PartGeometryAndHitTest) {
  struct Case {
    int length, min, max, page, pos;
    int arrowEnd, thumbTop, thumbSize;
  } cases[] = {
      {100, 0, 99, 10, 0, 17, 17, 8},    // MulDiv(66, 10, 100) = 7, raised to half an arrow
      {100, 0, 99, 10, 90, 17, 75, 8},   // the last page: 17 + MulDiv(90, 58, 100 - 10)
      {100, 0, 99, 50, 20, 17, 30, 33},  // a proportional thumb: 17 + MulDiv(20, 33, 50)
      {100, 0, 99, 100, 0, 17, 16, 66},  // page = range: one pixel before the track
      {100, 0, 99, 0, 0, 17, 17, 17},    // no page: an arrow-long thumb
      {20, 0, 99, 10, 0, 10, 10, 8},     // arrows take at most half the bar
      {100, 0, 99, 10, 500, 17, 81, 8},  // the position is clamped to the maximum
  };
  for (const Case& c : cases) {
    bar_.m_rc = CRect(0, 0, 20, c.length);
    bar_.Set(c.min, c.max, c.page, c.pos);
    EXPECT_EQ(bar_.m_spi.pxUpArrow, c.arrowEnd) << c.page << " " << c.pos;
    EXPECT_EQ(bar_.m_spi.pxThumbTop, c.thumbTop) << c.page << " " << c.pos;
    EXPECT_EQ(bar_.m_spi.pxThumbSize, c.thumbSize) << c.page << " " << c.pos;
    EXPECT_EQ(bar_.m_spi.pxThumbBottom, c.thumbTop + c.thumbSize);
  }

  bar_.m_rc = CRect(0, 0, 20, 100);
  bar_.Set(0, 99, 10, 50);  // thumb 17 + MulDiv(50, 58, 90) = 49 .. 57
  struct Hit {
    CPoint pt;
    int code;
  } hits[] = {{{10, 5}, 60},  {{10, 16}, 60}, {{10, 17}, 62}, {{10, 48}, 62}, {{10, 49}, 64}, {{10, 56}, 64},
              {{10, 57}, 63}, {{10, 82}, 63}, {{10, 83}, 61}, {{10, 99}, 61}, {{25, 50}, 0},  {{10, 100}, 0}};
  for (const Hit& h : hits) EXPECT_EQ(bar_.HitTest(h.pt), h.code) << h.pt.y;
  bar_.m_spi.pxStop = 70;
  EXPECT_EQ(bar_.HitTest(CPoint(10, 75)), 65);
  EXPECT_EQ(bar_.HitTest(CPoint(10, 5)), 60);

  // The style: the bar's own, else from the command-bar theme.
  // A number no look has is not the default look.
  const std::pair<int, int> styles[] = {{0, 2}, {1, 3}, {2, 3}, {5, 5}, {6, 5}, {9, 3}, {-1, 3}, {42, 3}};
  for (auto [theme, style] : styles) {
    bar_.m_theme.m_theme = theme;
    EXPECT_EQ(bar_.GetScrollBarStyle(), style) << theme;
  }
  bar_.m_nScrollBarStyle = 4;
  EXPECT_EQ(bar_.GetScrollBarStyle(), 4);
}

TEST_F(ScrollBaseTest, PageRepeatsAfterFourFifthsOfADoubleClickThenEveryTenthUntilTheThumbReachesThePointer) {
  ASSERT_EQ(::GetDoubleClickTime(), 500u);
  std::vector<std::function<void()>> steps(100);  // one second
  steps.push_back([] { pv::test::MouseUp(pv::test::Button::Left, 110, 170); });
  tktest::ScriptTicker ticker(steps);
  const DWORD start = ::GetTickCount();
  pv::test::MouseDown(pv::test::Button::Left, 110, 170);  // client y 70, below the thumb
  pv::test::PumpUntilIdle();

  ASSERT_GE(bar_.m_calls.size(), 2u);
  std::vector<DWORD> pages;
  for (const ScrollCall& c : bar_.m_calls)
    if (c.cmd == SB_PAGEDOWN) pages.push_back(c.tick - start);
  // Page 70 ends the thumb at 70, under the pointer: the last step; at 80 it has passed it.
  EXPECT_EQ(pages, (std::vector<DWORD>{0, 400, 450, 500, 550, 600, 650, 700}));
  EXPECT_EQ(bar_.m_pos, 80);
  EXPECT_EQ(bar_.m_calls.back().cmd, SB_ENDSCROLL);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(CTKScrollBase::GetActiveTrackingCount(), 0);
}

TEST_F(ScrollBaseTest, AThumbDraggedOutsideTheTrackingRectangleSnapsBackAndResumes) {
  bar_.Set(0, 99, 10, 0);  // thumb 17..25
  const CRect live = bar_.CalcTrackingRect(nullptr);
  EXPECT_EQ(live, CRect(-160, -2 * ::GetSystemMetrics(SM_CYVTHUMB), 180, 100 + 2 * ::GetSystemMetrics(SM_CYVTHUMB)));
  tktest::ScriptTicker ticker({
      [] { pv::test::MouseMove(110, 150); },  // client y 50: thumb at 47
      [] { pv::test::MouseMove(300, 150); },  // 190 to the side: beyond 8 thicknesses
      [] { pv::test::MouseMove(110, 160); },  // back: thumb at 57
      [] { pv::test::MouseUp(pv::test::Button::Left, 110, 160); },
  });
  pv::test::MouseDown(pv::test::Button::Left, 110, 120);  // on the thumb, 3 pixels below its top
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{SB_THUMBTRACK, 0},
                                                          {SB_THUMBTRACK, 47},
                                                          {SB_THUMBTRACK, 0},
                                                          {SB_THUMBTRACK, 62},
                                                          {SB_THUMBPOSITION, 62},
                                                          {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(bar_.m_pos, 62);

  // A thumb that fills the space between the arrows cannot be dragged.
  bar_.m_calls.clear();
  bar_.Set(0, 99, 100, 0);
  pv::test::MouseDown(pv::test::Button::Left, 110, 150);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(bar_.m_calls.empty());
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ScrollBaseTest, TheFlatLookDrawsRaisedArrowsAndThumb) {
  bar_.Set(0, 99, 10, 0);
  HDC screen = ::GetScreenDC();
  CDC dc;
  dc.Attach(::CreateCompatibleDC(screen));
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 20, 100);
  HGDIOBJ old = ::SelectObject(dc.m_hDC, bitmap);
  bar_.m_paint.DrawScrollBar(&dc, &bar_);
  const COLORREF face = GetColorManager()->GetColor(COLOR_3DFACE);
  const COLORREF light = GetColorManager()->GetColor(COLOR_3DHIGHLIGHT);
  const COLORREF shadow = GetColorManager()->GetColor(COLOR_3DSHADOW);
  EXPECT_EQ(dc.GetPixel(0, 0), light);  // up arrow, raised
  EXPECT_EQ(dc.GetPixel(19, 16), shadow);
  EXPECT_EQ(dc.GetPixel(2, 19), face);  // thumb 17..25
  EXPECT_EQ(dc.GetPixel(0, 17), light);
  EXPECT_EQ(dc.GetPixel(19, 24), shadow);
  int glyph = 0;  // the Marlett arrow, black on an enabled bar
  for (int y = 1; y < 16; ++y)
    for (int x = 1; x < 19; ++x) glyph += dc.GetPixel(x, y) == RGB(0, 0, 0) ? 1 : 0;
  EXPECT_GT(glyph, 3);
  ::SelectObject(dc.m_hDC, old);
  ::DeleteObject(bitmap);
}

}  // namespace
