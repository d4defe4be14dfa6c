// Shared fixture of the window manager tests: a fake clock, a clean desktop
// and a window class whose procedure records the messages it gets.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"
#include "tests/support/fixture_reset.h"

namespace wmtest {

struct Entry {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages a recording window saw, in order.
inline std::vector<Entry>& Log() {
  static std::vector<Entry> log;
  return log;
}

// Per-window behaviour a test installs: return true to answer the message
// with *result instead of DefWindowProc.
using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline std::map<HWND, Handler>& Handlers() {
  static std::map<HWND, Handler> h;
  return h;
}
inline Handler& ClassHandler() {
  static Handler h;
  return h;
}

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log().push_back(Entry{hwnd, msg, wParam, lParam});
  LRESULT r = 0;
  auto it = Handlers().find(hwnd);
  if (it != Handlers().end() && it->second && it->second(hwnd, msg, wParam, lParam, &r)) return r;
  if (ClassHandler() && ClassHandler()(hwnd, msg, wParam, lParam, &r)) return r;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

constexpr const char16_t* kClass = u"PvRecording";
constexpr const char16_t* kDblClass = u"PvRecordingDbl";

// The messages of the log (optionally for one window, optionally only the
// listed kinds).
inline std::vector<UINT> Messages(HWND only = nullptr, const std::vector<UINT>& kinds = {}) {
  std::vector<UINT> out;
  for (const Entry& e : Log()) {
    if (only && e.hwnd != only) continue;
    if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), e.msg) == kinds.end()) continue;
    out.push_back(e.msg);
  }
  return out;
}

inline std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<UINT>& kinds) {
  std::vector<std::pair<HWND, UINT>> out;
  for (const Entry& e : Log())
    if (std::find(kinds.begin(), kinds.end(), e.msg) != kinds.end()) out.emplace_back(e.hwnd, e.msg);
  return out;
}

class WmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    static bool registered = false;
    if (!registered) {
      registered = true;
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = RecordingProc;
      wc.lpszClassName = kClass;
      wc.cbWndExtra = 16;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      ASSERT_NE(RegisterClassEx(&wc), 0);
      wc.style = CS_DBLCLKS;
      wc.lpszClassName = kDblClass;
      ASSERT_NE(RegisterClassEx(&wc), 0);
    }
    Log().clear();
    Handlers().clear();
    ClassHandler() = nullptr;
  }
  void TearDown() override {
    Handlers().clear();
    ClassHandler() = nullptr;
    pvtest::ResetDesktop();
    Log().clear();
  }

  HWND Top(int x = 100, int y = 100, int cx = 300, int cy = 200, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
           DWORD ex = 0, const char16_t* cls = kClass) {
    return CreateWindowEx(ex, cls, u"Top", style, x, y, cx, cy, nullptr, nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, int id, int x, int y, int cx, int cy, DWORD style = WS_CHILD | WS_VISIBLE, DWORD ex = 0,
             const char16_t* cls = kClass) {
    return CreateWindowEx(ex, cls, u"Child", style, x, y, cx, cy, parent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  }

  pv::FakeClockScope clock{2026, 3, 1, 9, 0, 0};
};

}  // namespace wmtest
