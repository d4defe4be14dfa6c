// What the command-bar tests share: a bar with a window, a site window that
// records what the bars send it, and a fixture that installs the fixed-size
// look and puts the desktop back.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/base/utf.h"
#include "platform/framework/afx.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/commandbars/testpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/commandbars.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/menusoundplayer.h"

namespace cbtest {

// A text for failure messages.
inline std::string Narrow(const CString& s) {
  return pv::Utf16ToUtf8(std::u16string(s.GetString(), static_cast<size_t>(s.GetLength())));
}

// A bar with a visible window; the tests set what derived bars would.
class TestBar : public CTKCommandBar {
 public:
  explicit TestBar(TKBarType type = TKBarType::Normal, TKBarPosition position = TKBarPosition::Top) {
    m_barType = type;
    m_barPosition = position;
    CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), u"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 100, nullptr,
             nullptr);
  }
  ~TestBar() override {
    if (GetSafeHwnd()) DestroyWindow();
  }
  BOOL IsVisible() const override { return GetSafeHwnd() && ::IsWindowVisible(m_hWnd); }
  BOOL IsPopupBar() const override { return m_barType == TKBarType::Popup; }
  void OnRecalcLayout() override { ++m_nLayouts; }
  void SetType(TKBarType type) { m_barType = type; }
  void SetPosition(TKBarPosition position) { m_barPosition = position; }
  // The region a redraw asked to be painted; empty when none.
  CRect UpdateRect() const {
    RECT rc{};
    ::GetUpdateRect(m_hWnd, &rc, FALSE);
    return CRect(rc);
  }
  void Validate() { ::ValidateRect(m_hWnd, nullptr); }

  int m_nLayouts = 0;
};

// A top-level window that records the messages the bars send it and
// answers them as told.
class SiteWnd : public CWnd {
 public:
  SiteWnd() { CreateEx(0, AfxRegisterWndClass(0), u"site", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr); }
  ~SiteWnd() override {
    if (GetSafeHwnd()) DestroyWindow();
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    m_messages.push_back({message, wParam, lParam});
    if (auto it = m_handlers.find(message); it != m_handlers.end()) return it->second(wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
  }
  // Update handlers by command id; commands listed have a handler.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override {
    if (nCode == CN_UPDATE_COMMAND_UI && !pHandlerInfo) {
      if (auto it = m_updates.find(nID); it != m_updates.end()) {
        ++m_nUpdates[nID];
        it->second(static_cast<CCmdUI*>(pExtra));
        return TRUE;
      }
    }
    if (nCode == CN_COMMAND && pHandlerInfo && m_commands.count(nID)) return TRUE;
    return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
  }
  int Count(UINT message) const {
    int n = 0;
    for (const auto& m : m_messages) n += m.message == message;
    return n;
  }
  struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Message> m_messages;
  std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> m_handlers;
  std::map<UINT, std::function<void(CCmdUI*)>> m_updates;
  std::map<UINT, int> m_nUpdates;
  std::set<UINT> m_commands;
};

class CommandBarsFixture : public ::testing::Test {
 protected:
  // Reset before the windows of derived fixtures are made.
  // Executed controls would play the menu sound: the tests stay silent.
  CommandBarsFixture() : m_bSound(GetMenuSoundPlayer()->IsSoundEnabled()) {
    pvtest::ResetDesktop();
    GetMenuSoundPlayer()->EnableSound(FALSE);
  }
  ~CommandBarsFixture() override {
    pvtest::ResetDesktop();
    GetMenuSoundPlayer()->EnableSound(m_bSound);
  }

  // The first broken invariant of a bar, its controls and the actions.
  static void ExpectSane(const CTKCommandBar& bar) {
#ifndef NDEBUG
    EXPECT_EQ(bar.CheckInvariants(), "");
#else
    (void)bar;
#endif
  }
  static void ExpectSane(const CTKControlActions* pActions) {
#ifndef NDEBUG
    EXPECT_EQ(pActions->CheckInvariants(), "");
#else
    (void)pActions;
#endif
  }

  BOOL m_bSound;
  TestLookScope m_look;
};

}  // namespace cbtest
