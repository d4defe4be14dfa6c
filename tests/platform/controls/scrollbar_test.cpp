// The scroll bar control: arrows with auto-repeat on the fake clock, page
// clicks, thumb drag, and the position protocol.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::AdvanceAndPump;
using pv::test::PumpUntilIdle;

struct Scroll {
  UINT code;
  int pos;
};
std::vector<Scroll> g_scrolls;

LRESULT CALLBACK ScrollParent(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_VSCROLL || msg == WM_HSCROLL) {
    g_scrolls.push_back(Scroll{LOWORD(wp), static_cast<short>(HIWORD(wp))});
    return 0;
  }
  return ParentProc(h, msg, wp, lp);
}

class ScrollBarTest : public ControlTest {
 protected:
  HWND Bar() {
    ::SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScrollParent));
    HWND b = Child(WC_SCROLLBAR, u"", SBS_VERT, 990, 10, 10, 20, 220);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
    ::SetScrollInfo(b, SB_CTL, &si, TRUE);
    PumpUntilIdle();
    g_scrolls.clear();
    return b;
  }
  static std::vector<UINT> Codes() {
    std::vector<UINT> v;
    for (auto& s : g_scrolls) v.push_back(s.code);
    return v;
  }
};

TEST_F(ScrollBarTest, HeldArrowRepeatsOnTheClockWhileThePointerStaysOnIt) {
  HWND b = Bar();
  POINT arrow = pv::test::ClientPoint(b, 10, 215), away = pv::test::ClientPoint(b, 10, 100);
  pv::test::MouseDown(pv::test::Button::Left, arrow.x, arrow.y);
  PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<UINT>{SB_LINEDOWN});
  AdvanceAndPump(399);
  EXPECT_EQ(g_scrolls.size(), 1u);
  AdvanceAndPump(1);
  EXPECT_EQ(g_scrolls.size(), 2u);
  AdvanceAndPump(100);
  EXPECT_EQ(g_scrolls.size(), 4u);
  pv::test::MouseMove(away.x, away.y);
  PumpUntilIdle();
  AdvanceAndPump(200);
  EXPECT_EQ(g_scrolls.size(), 4u);  // off the arrow: no repeats
  pv::test::MouseUp(pv::test::Button::Left, away.x, away.y);
  PumpUntilIdle();
  EXPECT_EQ(g_scrolls.back().code, static_cast<UINT>(SB_ENDSCROLL));
  AdvanceAndPump(500);
  EXPECT_EQ(g_scrolls.size(), 5u);
  // A page click below the thumb.
  g_scrolls.clear();
  pv::test::ClickClient(b, 10, 150);
  PumpUntilIdle();
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_PAGEDOWN, SB_ENDSCROLL}));
}

TEST_F(ScrollBarTest, ThumbDragTracksAndReportsTheFinalPosition) {
  HWND b = Bar();
  // Track from 20 to 200 (arrows of 20), thumb 10% of it = 18 px, at the top.
  POINT grab = pv::test::ClientPoint(b, 10, 25);
  pv::test::MouseDown(pv::test::Button::Left, grab.x, grab.y);
  PumpUntilIdle();
  EXPECT_TRUE(g_scrolls.empty());
  POINT mid = pv::test::ClientPoint(b, 10, 25 + 81);  // half of the 162 px the thumb can travel
  pv::test::MouseMove(mid.x, mid.y);
  PumpUntilIdle();
  ASSERT_FALSE(g_scrolls.empty());
  EXPECT_EQ(g_scrolls.back().code, static_cast<UINT>(SB_THUMBTRACK));
  EXPECT_NEAR(g_scrolls.back().pos, 46, 1);  // half of the 0..91 positions
  SCROLLINFO si{sizeof si, SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
  ::GetScrollInfo(b, SB_CTL, &si);
  EXPECT_EQ(si.nPos, 0);  // the parent moves the position, not the bar
  EXPECT_EQ(si.nTrackPos, g_scrolls.back().pos);
  POINT far = pv::test::ClientPoint(b, 10, 400);  // beyond the end: clamped
  pv::test::MouseMove(far.x, far.y);
  pv::test::MouseUp(pv::test::Button::Left, far.x, far.y);
  PumpUntilIdle();
  ASSERT_GE(g_scrolls.size(), 3u);
  Scroll last = g_scrolls[g_scrolls.size() - 2];
  EXPECT_EQ(last.code, static_cast<UINT>(SB_THUMBPOSITION));
  EXPECT_EQ(last.pos, 91);
  EXPECT_EQ(g_scrolls.back().code, static_cast<UINT>(SB_ENDSCROLL));
  // The position protocol clamps to the last full page.
  EXPECT_EQ(::SetScrollPos(b, SB_CTL, 500, TRUE), 0);
  EXPECT_EQ(::GetScrollPos(b, SB_CTL), 91);
  int lo = 0, hi = 0;
  ::GetScrollRange(b, SB_CTL, &lo, &hi);
  EXPECT_EQ(hi, 100);
  // Disabled arrows do nothing.
  ::EnableScrollBar(b, SB_CTL, ESB_DISABLE_DOWN);
  g_scrolls.clear();
  pv::test::ClickClient(b, 10, 215);
  PumpUntilIdle();
  EXPECT_TRUE(g_scrolls.empty());
}

}  // namespace
}  // namespace ctltest
