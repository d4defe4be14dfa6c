// What the popup-bar tests share: a fixture with a fake 1280 x 800 screen,
// the fake clock, command bars whose site records what it is sent, menus of
// fixed-size commands, and a popup control whose sub-menu is given.
#pragma once

#include <memory>

#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/popupbar.h"
#include "toolkit/common/mousemanager.h"

namespace cbtest {

struct ReleaseBar {
  void operator()(CTKCommandBar* pBar) const { pBar->InternalRelease(); }
};
using PopupPtr = std::unique_ptr<CTKPopupBar, ReleaseBar>;

// A popup control whose popup bar is the one given (not owned).
class SubMenuControl : public CTKControl {
 public:
  explicit SubMenuControl(CTKCommandBar* pBar) : m_pBar(pBar) { m_controlType = TKControlType::Popup; }
  CTKCommandBar* GetCommandBar() override { return m_pBar; }

 private:
  CTKCommandBar* m_pBar;
};

class PopupBarTest : public CommandBarsFixture {
 protected:
  PopupBarTest() {
    pv::test::SetScreen(1280, 800, 40);
    // The reset took the thread's hooks away.
    GetMouseManager()->SetHook(FALSE);
    GetMouseManager()->SetHook(TRUE);
    GetMouseManager()->SetExpandedMenus(FALSE);
    m_commandBars.SetSite(&m_site);
  }
  ~PopupBarTest() override {
    GetMouseManager()->CloseAllTracked();
    GetMouseManager()->SetExpandedMenus(FALSE);
  }

  CTKCommandBarsOptions* Options() { return m_commandBars.GetCommandBarsOptions(); }

  // A menu of commands "Cmd000" ... with ids from nFirstId: 78 wide, 22 per
  // command plus 4 high.
  PopupPtr NewMenu(int nCommands, int nFirstId = 200) {
    PopupPtr menu(CTKPopupBar::CreatePopupBar(&m_commandBars));
    for (int i = 0; i < nCommands; ++i) {
      CTKControl* pControl = menu->GetControls()->AddByType(TKControlType::Button, nFirstId + i);
      CString strCaption;
      strCaption.Format(u"Cmd%03d", i);
      pControl->SetCaption(strCaption);
    }
    return menu;
  }

  static CRect WindowRect(const CWnd* pWnd) {
    CRect rc;
    ::GetWindowRect(pWnd->GetSafeHwnd(), &rc);
    return rc;
  }

  // The commands that show (the expand button left out).
  static int ShownCommands(const CTKCommandBar* pBar) {
    int n = 0;
    for (int i = 0; i < pBar->GetControlCount(); ++i) {
      const CTKControl* pControl = pBar->GetControl(i);
      n += pControl->IsVisible() && pControl->GetID() != CTKPopupBar::kExpandButtonId;
    }
    return n;
  }

  pv::FakeClockScope m_clock;
  SiteWnd m_site;
  CTKCommandBars m_commandBars;
};

}  // namespace cbtest
