// Markup tooltips: a context relays its host's mouse messages to its
// tooltip context (the markup look), whose hit test names the element under
// the mouse; the tip shows the ToolTip text as markup, or as plain text when
// it does not build.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/markup/markup_test_support.h"
#include "toolkit/common/tooltipcontext.h"
#include "toolkit/common/tooltipwindow.h"

namespace {

using markup_test::Narrow;

// A window showing one markup element over its whole client area.
class CMarkupHostWnd : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT lResult = 0;
    if (m_pRoot && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST &&
        MarkupRelayElementMessage(m_pRoot, message, wParam, lParam, &lResult))
      return lResult;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  CTKMarkupInputElement* m_pRoot = nullptr;
};

class MarkupToolTipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    ASSERT_TRUE(
        m_host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    ::SetForegroundWindow(m_host.GetSafeHwnd());
    m_pContext = MarkupCreateContext(m_host.GetSafeHwnd());
  }
  void TearDown() override {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    MarkupReleaseContext(m_pContext);
    m_host.DestroyWindow();
    pvtest::ResetDesktop();
  }
  void Show(const char16_t* markup) {
    m_host.m_pRoot = nullptr;
    MarkupReleaseElement(m_pRoot);
    m_pRoot = MarkupParseText(m_pContext, markup);
    ASSERT_NE(m_pRoot, nullptr) << Narrow(m_pContext->GetLastParseError());
    markup_test::Bitmap bitmap(400, 300);
    MarkupMeasureElement(m_pRoot, 400, 300);
    RECT rc{0, 0, 400, 300};
    MarkupRenderElement(m_pRoot, bitmap.dc, &rc);
    m_host.m_pRoot = m_pRoot;
  }
  void Hover(int x, int y) {
    pv::test::MouseMove(350, 290);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(1000);
    pv::test::MouseMove(x, y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(500);
  }
  CTKToolTipContext::CMarkupToolTip* Tip() const {
    return dynamic_cast<CTKToolTipContext::CMarkupToolTip*>(m_pContext->GetToolTipContext()->GetToolTip());
  }
  bool Shown() const { return Tip() && Tip()->GetSafeHwnd() && Tip()->IsWindowVisible(); }

  pv::FakeClockScope m_clock;
  CMarkupHostWnd m_host;
  CTKMarkupContext* m_pContext = nullptr;
  CTKMarkupInputElement* m_pRoot = nullptr;
};

TEST_F(MarkupToolTipTest, ElementTipsShowAsMarkup) {
  EXPECT_EQ(m_pContext->GetToolTipContext()->GetStyle(), CTKToolTipContext::tkToolTipMarkup);
  Show(
      u"<Canvas Background='White'>"
      u"<Border Canvas.Left='10' Canvas.Top='10' Width='100' Height='50' Background='Red'"
      u" ToolTip='&lt;TextBlock&gt;&lt;Bold&gt;Save&lt;/Bold&gt; the file&lt;/TextBlock&gt;'/>"
      u"<Border Canvas.Left='200' Canvas.Top='10' Width='100' Height='50' Background='Blue'"
      u" ToolTip='&lt;TextBlock&gt;unfinished'/>"
      u"</Canvas>");
  Hover(50, 30);
  ASSERT_TRUE(Shown()) << "the element's tip shows after the initial delay";
  EXPECT_NE(Tip()->GetElement(), nullptr) << "as markup";
  EXPECT_EQ(Narrow(Tip()->GetCurrentItem().strText), "<TextBlock><Bold>Save</Bold> the file</TextBlock>");
  CRect rc;
  Tip()->GetWindowRect(rc);
  EXPECT_GT(rc.Width(), 6);

  Hover(250, 30);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(Tip()->GetElement(), nullptr) << "markup that does not build shows as plain text";
  EXPECT_EQ(Narrow(Tip()->GetCurrentItem().strText), "<TextBlock>unfinished");

  Hover(150, 200);
  EXPECT_FALSE(Shown()) << "no element with a tip";
}

}  // namespace
