// Shared set-up of the pop-up and tray icon tests: a fake clock, a clean
// desktop with the recording shell, and an owner window that records what
// the controls send it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/shell/shellapi.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"

namespace popuptest {

class RecordingOwner : public CWnd {
 public:
  struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Message> messages;
  // Called for each message the owner records; its answer is returned.
  std::function<LRESULT(UINT, WPARAM, LPARAM)> answer;
  std::vector<UINT> watched;

  BOOL CreateOwner() {
    return CreateEx(0, AfxRegisterWndClass(0), u"Owner", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr);
  }
  std::vector<Message> Of(UINT message) const {
    std::vector<Message> v;
    for (const Message& m : messages)
      if (m.message == message) v.push_back(m);
    return v;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    for (UINT w : watched) {
      if (w == message) {
        messages.push_back(Message{message, wParam, lParam});
        LRESULT r = answer ? answer(message, wParam, lParam) : 0;
        if (message == WM_ENTERMENULOOP || message == WM_INITMENUPOPUP) break;  // default handling too
        return r;
      }
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    pv::shell::RegisterModules();
    pvtest::ResetShell();
    // The pointer rests away from where the pop-ups come up.
    pv::test::MouseMove(5, 5);
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    pvtest::ResetShell();
    pvtest::ResetDesktop();
  }
  pv::FakeClockScope clock{2026, 3, 1, 9, 0, 0};
};

}  // namespace popuptest
