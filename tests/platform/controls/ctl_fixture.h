// Shared set-up of the control tests: a fake clock, a clean desktop and a
// parent window that records the notifications its controls send.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"

namespace ctltest {

struct Note {
  UINT msg;  // WM_COMMAND or WM_NOTIFY
  int id;
  int code;  // notification code
  bool operator==(const Note&) const = default;
};

inline std::vector<Note>& Notes() {
  static std::vector<Note> v;
  return v;
}
// Optional answer to WM_NOTIFY (per code); default 0.
inline LRESULT (*&NotifyHandler())(NMHDR*) {
  static LRESULT (*f)(NMHDR*) = nullptr;
  return f;
}

inline LRESULT CALLBACK ParentProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && lp) {
    Notes().push_back(Note{WM_COMMAND, LOWORD(wp), static_cast<int>(HIWORD(wp))});
    return 0;
  }
  if (msg == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (static_cast<int>(hdr->code) != NM_CUSTOMDRAW)
      Notes().push_back(Note{WM_NOTIFY, static_cast<int>(hdr->idFrom), static_cast<int>(hdr->code)});
    return NotifyHandler() ? NotifyHandler()(hdr) : 0;
  }
  return ::DefWindowProc(h, msg, wp, lp);
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768);
    pv::controls::RegisterStandardControls();
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ParentProc;
      wc.lpszClassName = u"CtlTestParent";
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
      ::RegisterClass(&wc);
      registered = true;
    }
    parent = ::CreateWindowEx(0, u"CtlTestParent", u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 600, 500,
                              nullptr, nullptr, nullptr, nullptr);
    pv::test::PumpUntilIdle();
    Notes().clear();
    NotifyHandler() = nullptr;
  }
  void TearDown() override {
    NotifyHandler() = nullptr;
    pvtest::ResetDesktop();
  }
  HWND Child(LPCWSTR cls, LPCWSTR text, DWORD style, int id, int x = 10, int y = 10, int w = 200, int hgt = 24) {
    HWND c = ::CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, hgt, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    pv::test::PumpUntilIdle();
    return c;
  }
  static std::vector<int> Codes(int id) {
    std::vector<int> v;
    for (auto& n : Notes())
      if (n.id == id) v.push_back(n.code);
    return v;
  }
  static int Count(int id, int code) {
    int k = 0;
    for (auto& n : Notes())
      if (n.id == id && n.code == code) ++k;
    return k;
  }
  static std::u16string Text(HWND h) {
    std::u16string t(static_cast<size_t>(::GetWindowTextLength(h)) + 1, u'\0');
    int n = ::GetWindowText(h, t.data(), static_cast<int>(t.size()));
    t.resize(static_cast<size_t>(n));
    return t;
  }
  pv::FakeClockScope clock{2026, 3, 1, 9, 0, 0};
  HWND parent = nullptr;
};

}  // namespace ctltest
