// Buttons pressed with the mouse: the press loop executes on a release
// inside, repeats a held button's command on its interval and pauses while
// the pointer is off it, ends on a quit and leaves the quit to the
// program's loop; split buttons execute or open their menu by the part
// clicked and which part is disabled.
#include <gtest/gtest.h>

#include <vector>

#include "tests/toolkit/commandbars/barwindow_support.h"
#include "tests/toolkit/common/input_test_support.h"

namespace {

using cbtest::AttachSubMenu;
using cbtest::RowBar;
using cbtest::SubMenuBar;
using pv::test::Button;
using tktest::ScriptTicker;

constexpr int kCommand = 201;

class ControlButtonTest : public cbtest::BarWindowFixture {
 protected:
  ControlButtonTest() : m_toolBar(TKBarType::Normal, TKBarPosition::Top, &m_site) {
    m_pButton = m_toolBar.Add(TKControlType::Button, kCommand, u"&Next");
    // The command has a handler, so the idle update after each click keeps it enabled.
    m_site.m_commands.insert(kCommand);
    m_site.m_handlers[WM_COMMAND] = [this](WPARAM wParam, LPARAM) {
      if (wParam == static_cast<WPARAM>(kCommand)) m_ticks.push_back(::GetTickCount());
      return LRESULT{0};
    };
  }
  // The ticks of the commands sent, from the press.
  std::vector<DWORD> CommandTimes(DWORD dwPress) const {
    std::vector<DWORD> times;
    for (DWORD t : m_ticks) times.push_back(t - dwPress);
    return times;
  }

  RowBar m_toolBar;
  CTKControl* m_pButton;
  std::vector<DWORD> m_ticks;
};

// A script of 10 ms steps: nEmpty steps of nothing, then the step given.
std::vector<std::function<void()>> After(size_t nEmpty, std::function<void()> step) {
  std::vector<std::function<void()>> steps(nEmpty);
  steps.push_back(std::move(step));
  return steps;
}

TEST_F(ControlButtonTest, AHeldButtonRepeatsOnItsIntervalAndPausesOffTheButton) {
  m_pButton->SetExecuteOnPressInterval(50);
  const POINT on = m_toolBar.ScreenPoint(m_pButton);
  const POINT off{on.x, on.y + 60};
  struct Case {
    const char* name;
    std::vector<std::function<void()>> steps;
    std::vector<DWORD> times;
  } cases[] = {
      // Held 230 ms: once at the press, then every 50 ms; the release adds none.
      {"held", After(23, [=] { pv::test::MouseUp(Button::Left, on.x, on.y); }), {0, 50, 100, 150, 200}},
      {"off and back",
       [&] {
         std::vector<std::function<void()>> steps(6);
         steps.push_back([=] { pv::test::MouseMove(off.x, off.y); });
         steps.resize(17);
         steps.push_back([=] { pv::test::MouseMove(on.x, on.y); });
         steps.resize(23);
         steps.push_back([=] { pv::test::MouseUp(Button::Left, on.x, on.y); });
         return steps;
       }(),
       {0, 50, 200}},
      {"released outside", After(23, [=] { pv::test::MouseUp(Button::Left, off.x, off.y); }), {0, 50, 100, 150, 200}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_ticks.clear();
    pv::test::MouseMove(on.x, on.y);
    pv::test::PumpUntilIdle();
    const DWORD dwPress = ::GetTickCount() + 10;  // the ticker's first step is due at once
    {
      ScriptTicker ticker(c.steps);
      pv::test::MouseDown(Button::Left, on.x, on.y);
      pv::test::PumpUntilIdle();
      EXPECT_EQ(ticker.StepsRun(), c.steps.size());
    }
    EXPECT_EQ(CommandTimes(dwPress), c.times);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(m_pButton->GetPressed(), kTKPressedNone);
    pv::test::AdvanceAndPump(500);  // the repetition stopped with the loop
    EXPECT_EQ(CommandTimes(dwPress), c.times);
  }
}

TEST_F(ControlButtonTest, AReleaseInsideExecutesOnceAndOutsideNothing) {
  const POINT on = m_toolBar.ScreenPoint(m_pButton);
  struct Case {
    const char* name;
    POINT release;
    int nCommands;
  } cases[] = {
      {"inside", on, 1},
      {"outside", {on.x, on.y + 60}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_ticks.clear();
    ScriptTicker ticker({[&] { pv::test::MouseMove(c.release.x, c.release.y); },
                         [&] { pv::test::MouseUp(Button::Left, c.release.x, c.release.y); }});
    pv::test::MouseDown(Button::Left, on.x, on.y);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(static_cast<int>(m_ticks.size()), c.nCommands);
    EXPECT_EQ(m_pButton->GetPressed(), kTKPressedNone);
    EXPECT_EQ(m_pButton->GetSelected(), kTKSelectedNone);
    EXPECT_EQ(m_pButton->GetEnabled(), TRUE);
    EXPECT_EQ(::GetCapture(), nullptr);
    ExpectSane(m_toolBar);
  }
}

TEST_F(ControlButtonTest, AQuitDuringAPressEndsTheProgramsLoopOnce) {
  const POINT on = m_toolBar.ScreenPoint(m_pButton);
  ScriptTicker ticker({[] { ::PostQuitMessage(7); }, [=] { pv::test::MouseUp(Button::Left, on.x, on.y); }});
  pv::test::MouseDown(Button::Left, on.x, on.y);
  // The program's own loop, as its message pump runs it.
  int nLoopsEnded = 0;
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ++nLoopsEnded;
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);  // the program's quit, not a dry queue
  EXPECT_NE(msg.lParam, PV_DRY_CANCEL);
  EXPECT_EQ(nLoopsEnded, 1);
  EXPECT_FALSE(pv::test::TakeQuit());  // nothing is left to end another loop
  EXPECT_TRUE(m_ticks.empty());
  EXPECT_EQ(m_pButton->GetPressed(), kTKPressedNone);
  EXPECT_EQ(::GetCapture(), nullptr);
  pv::test::PumpUntilIdle();
}

TEST_F(ControlButtonTest, ASplitButtonExecutesOrOpensByThePartAndWhatIsEnabled) {
  CTKControl* pSplit = m_toolBar.Add(TKControlType::SplitButtonPopup, kCommand, u"&Undo");
  SubMenuBar* pMenu = AttachSubMenu(pSplit);
  const int nArrow = m_look->m_nSplitButtonDropDownWidth;
  struct Case {
    int nEnabled;
    const char* input;  // "command" or "arrow" by mouse, "key"
    int nCommands;
    bool bOpens;
  } cases[] = {
      {kTKEnabledNoDropDown, "command", 1, false}, {kTKEnabledNoDropDown, "arrow", 0, false},
      {kTKEnabledNoDropDown, "key", 1, false},     {kTKEnabledNoCommand, "command", 0, false},
      {kTKEnabledNoCommand, "arrow", 0, true},     {kTKEnabledNoCommand, "key", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nEnabled << " " << c.input);
    m_ticks.clear();
    pSplit->SetEnabled(c.nEnabled);
    const std::string input = c.input;
    if (input == "key") {
      pSplit->OnClick(TRUE);
    } else {
      const POINT pt = m_toolBar.ScreenPoint(pSplit, input == "arrow" ? nArrow / 2 : nArrow + 6);
      ScriptTicker ticker({[=] { pv::test::MouseUp(Button::Left, pt.x, pt.y); }});
      pv::test::MouseDown(Button::Left, pt.x, pt.y);
      pv::test::PumpUntilIdle();
    }
    EXPECT_EQ(static_cast<int>(m_ticks.size()), c.nCommands);
    EXPECT_EQ(pMenu->IsOpen(), c.bOpens);
    EXPECT_EQ(pSplit->GetPopuped() != FALSE, c.bOpens);
    m_toolBar.SetTrackingMode(TKTrackingMode::Off);
    EXPECT_FALSE(pMenu->IsOpen());
    ExpectSane(m_toolBar);
  }
}

}  // namespace
