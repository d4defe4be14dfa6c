// What a bar's window answers besides painting and hovering: the help hit
// test, and the right button, which a popup tracked for it uses to choose
// items and which the site may take over.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/barwindow_support.h"

namespace {

using cbtest::RowBar;
using pv::test::Button;

class BarMessagesTest : public cbtest::BarWindowFixture {
 protected:
  BarMessagesTest() : m_menu(TKBarType::Popup, TKBarPosition::Popup, &m_site) {
    m_pSave = m_menu.Add(TKControlType::Button, 301, u"&Save");
    m_pHelp = m_menu.Add(TKControlType::Button, 302, u"&Help");
    m_pHelp->SetHelpId(77);
    m_pMore = m_menu.Add(TKControlType::Popup, 0, u"&More");
    m_site.m_commands = {301, 302};
  }
  LRESULT HelpHitTest(CPoint pt) {
    return ::SendMessage(m_menu.GetSafeHwnd(), WM_HELPHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  }
  int CommandsSent(int nId) const {
    int n = 0;
    for (const auto& m : m_site.m_messages) n += m.message == WM_COMMAND && m.wParam == static_cast<WPARAM>(nId);
    return n;
  }

  RowBar m_menu;
  CTKControl* m_pSave;
  CTKControl* m_pHelp;
  CTKControl* m_pMore;
};

TEST_F(BarMessagesTest, HelpHitTestsNameTheControlOrTheBar) {
  const CPoint ptEmpty(5, m_pMore->GetRect().bottom + 10);
  EXPECT_EQ(HelpHitTest(m_pSave->GetRect().CenterPoint()), 0x10000 + 301);  // no help id: the command id
  EXPECT_EQ(HelpHitTest(m_pHelp->GetRect().CenterPoint()), 0x10000 + 77);
  EXPECT_EQ(HelpHitTest(ptEmpty), 0);  // a bar without a control id
}

TEST_F(BarMessagesTest, TheRightButtonChoosesInARightButtonPopupUnlessTheSiteTakesIt) {
  struct Case {
    const char* name;
    BOOL bRightButton;
    LRESULT siteAnswer;
    int nCommands;
  } cases[] = {
      {"right-button popup", TRUE, 0, 1},
      {"the site takes it", TRUE, 1, 0},
      {"an ordinary popup", FALSE, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_site.m_messages.clear();
    m_menu.SetRightButtonTracking(c.bRightButton);
    m_site.m_handlers[TK_CBM_CONTROLRBUTTONUP] = [&](WPARAM, LPARAM lParam) {
      EXPECT_EQ(reinterpret_cast<CTKControl*>(lParam), m_pSave);
      return c.siteAnswer;
    };
    m_menu.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE);
    const POINT pt = m_menu.ScreenPoint(m_pSave);
    pv::test::Click(pt.x, pt.y, Button::Right);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(m_site.Count(TK_CBM_CONTROLRBUTTONUP), 1);
    EXPECT_EQ(CommandsSent(301), c.nCommands);
    m_menu.SetTrackingMode(TKTrackingMode::Off);
  }
}

}  // namespace
