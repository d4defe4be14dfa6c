// CWnd's scroll functions acting on a scroll-bar control that
// GetScrollBarCtrl names, and CView's shared pane scroll bars.
#include "ctl_fixture.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afxdoc.h"

namespace ctltest {
namespace {

std::vector<UINT> g_hscrolls;

LRESULT CALLBACK RecordingParent(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_HSCROLL) {
    g_hscrolls.push_back(LOWORD(wp));
    return 0;
  }
  return ParentProc(h, msg, wp, lp);
}

// A window that scrolls horizontally with a borrowed control and vertically
// with its own bar.
class CBorrower : public CWnd {
 public:
  CScrollBar* m_pHorz = nullptr;
  CScrollBar* GetScrollBarCtrl(int nBar) const override { return nBar == SB_HORZ ? m_pHorz : nullptr; }
};

class CPaneView : public CView {
 public:
  void OnDraw(CDC*) override {}
};

class ScrollBarCtrlTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    g_hscrolls.clear();
    ::SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingParent));
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, CRect(10, 300, 210, 317), CWnd::FromHandle(parent), 77));
    ASSERT_TRUE(borrower.CreateEx(0, nullptr, u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(10, 10, 210, 210),
                                  CWnd::FromHandle(parent), 78));
    borrower.m_pHorz = &bar;
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    borrower.DestroyWindow();
    bar.DestroyWindow();
    ControlTest::TearDown();
  }
  CScrollBar bar;
  CBorrower borrower;
};

TEST_F(ScrollBarCtrlTest, HorizontalCallsReachTheControlAndVerticalOnesTheOwnBar) {
  borrower.SetScrollRange(SB_HORZ, 0, 50, FALSE);
  borrower.SetScrollPos(SB_HORZ, 20, FALSE);
  SCROLLINFO vert{sizeof vert, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 30, 0};
  borrower.SetScrollInfo(SB_VERT, &vert, FALSE);

  // Where each call landed, seen from below the framework.
  EXPECT_EQ(::GetScrollPos(bar.m_hWnd, SB_CTL), 20);
  EXPECT_EQ(::GetScrollPos(borrower.m_hWnd, SB_HORZ), 0) << "the window's own horizontal bar is untouched";
  EXPECT_EQ(::GetScrollPos(borrower.m_hWnd, SB_VERT), 30);
  EXPECT_EQ(bar.GetScrollPos(), 20);

  // And read back through the same routing.
  EXPECT_EQ(borrower.GetScrollPos(SB_HORZ), 20);
  EXPECT_EQ(borrower.GetScrollPos(SB_VERT), 30);
  int lo = -1, hi = -1;
  borrower.GetScrollRange(SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 50);
  SCROLLINFO got{};
  ASSERT_TRUE(borrower.GetScrollInfo(SB_HORZ, &got, SIF_RANGE | SIF_POS));
  EXPECT_EQ(got.nMax, 50);
  EXPECT_EQ(got.nPos, 20);
  EXPECT_EQ(borrower.GetScrollLimit(SB_VERT), 91);
  EXPECT_EQ(borrower.GetScrollLimit(SB_HORZ), 50);
}

TEST_F(ScrollBarCtrlTest, EnablingAControlDisablesItWhileTheOwnBarIsHidden) {
  borrower.EnableScrollBarCtrl(SB_BOTH, FALSE);
  EXPECT_FALSE(bar.IsWindowEnabled());
  EXPECT_TRUE(bar.IsWindowVisible()) << "a control is disabled, not hidden";
  EXPECT_FALSE(borrower.GetStyle() & WS_VSCROLL) << "the own bar is hidden";

  borrower.EnableScrollBarCtrl(SB_BOTH, TRUE);
  EXPECT_TRUE(bar.IsWindowEnabled());
  EXPECT_TRUE(borrower.GetStyle() & WS_VSCROLL);

  borrower.ShowScrollBar(SB_HORZ, FALSE);
  EXPECT_FALSE(bar.IsWindowVisible());
  EXPECT_TRUE(borrower.GetStyle() & WS_VSCROLL);
}

TEST_F(ScrollBarCtrlTest, DisabledArrowsOfTheControlScrollNothing) {
  bar.SetScrollRange(0, 50, FALSE);
  bar.SetScrollPos(10, TRUE);
  pv::test::ClickClient(bar.m_hWnd, 195, 8);
  pv::test::PumpUntilIdle();
  ASSERT_FALSE(g_hscrolls.empty()) << "the right arrow scrolls while enabled";

  EXPECT_TRUE(borrower.EnableScrollBar(SB_HORZ, ESB_DISABLE_BOTH));
  g_hscrolls.clear();
  pv::test::ClickClient(bar.m_hWnd, 195, 8);
  pv::test::ClickClient(bar.m_hWnd, 4, 8);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(g_hscrolls.empty());

  EXPECT_TRUE(borrower.EnableScrollBar(SB_HORZ, ESB_ENABLE_BOTH));
  pv::test::ClickClient(bar.m_hWnd, 195, 8);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(g_hscrolls.empty());
}

TEST_F(ScrollBarCtrlTest, ViewsInPanesUseTheSharedBarsOfTheirColumnAndRow) {
  CWnd* host = CWnd::FromHandle(parent);
  // Pane row 1, column 2; shared bars for column 2 (horizontal) and row 1
  // (vertical), and a plain scroll-bar window without an object for row 0.
  CScrollBar column2, row1;
  ASSERT_TRUE(column2.Create(WS_CHILD | SBS_HORZ, CRect(0, 0, 50, 17), host, AFX_IDW_HSCROLL_FIRST + 2));
  ASSERT_TRUE(row1.Create(WS_CHILD | SBS_VERT, CRect(0, 0, 17, 50), host, AFX_IDW_VSCROLL_FIRST + 1));
  HWND plainRow0 =
      ::CreateWindowEx(0, WC_SCROLLBAR, u"", WS_CHILD | SBS_VERT, 0, 0, 17, 50, parent,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(AFX_IDW_VSCROLL_FIRST)), nullptr, nullptr);
  ASSERT_NE(plainRow0, nullptr);

  struct Case {
    const char* name;
    UINT id;
    DWORD style;
    CScrollBar* horz;
    CScrollBar* vert;
  };
  const Case cases[] = {
      {"pane row 1 column 2", AFX_IDW_PANE_FIRST + 16 + 2, 0, &column2, &row1},
      {"own bars come first", AFX_IDW_PANE_FIRST + 16 + 2, WS_HSCROLL | WS_VSCROLL, nullptr, nullptr},
      {"a bar without an object is none", AFX_IDW_PANE_FIRST + 2, 0, &column2, nullptr},
      {"not a pane", 100, 0, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    auto* view = new CPaneView;  // deletes itself with its window
    ASSERT_TRUE(view->Create(nullptr, u"", WS_CHILD | c.style, CRect(0, 0, 100, 100), host, c.id)) << c.name;
    EXPECT_EQ(view->GetScrollBarCtrl(SB_HORZ), c.horz) << c.name;
    EXPECT_EQ(view->GetScrollBarCtrl(SB_VERT), c.vert) << c.name;
    if (c.horz) {
      view->SetScrollPos(SB_HORZ, 0, FALSE);
      view->SetScrollRange(SB_HORZ, 0, 9, FALSE);
      view->SetScrollPos(SB_HORZ, 4, FALSE);
      EXPECT_EQ(c.horz->GetScrollPos(), 4) << c.name;
    }
    view->DestroyWindow();
  }
  column2.DestroyWindow();
  row1.DestroyWindow();
  ::DestroyWindow(plainRow0);
}

}  // namespace
}  // namespace ctltest
