// A small tracked-bar double for the input managers' tests: a popup window
// that the thread's mouse and keyboard managers track like a menu, and that
// records what they ask of it. It stands for the command bars, which live
// above the foundation.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/framework/afx.h"
#include "toolkit/common/hookmanager.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"
#include "toolkit/common/trackedbar.h"

namespace tktest {

inline LPCTSTR TestBarClass() {
  static LPCTSTR name = AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW));
  return name;
}

class TestBar : public CWnd, public CTKHookManagerHookAble, public CTKTrackedBar {
 public:
  TestBar(std::string name, std::vector<std::string>* log, CRect rc) : m_name(std::move(name)), m_log(log) {
    CreateEx(WS_EX_TOOLWINDOW, TestBarClass(), u"", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
             nullptr, nullptr);
  }
  ~TestBar() override {
    Close();
    GetMouseManager()->ForgetBar(this);
    if (m_hWnd) DestroyWindow();
  }

  // Opens as a popup of the thread: tracked like a menu.
  void Open() {
    if (m_tracking) return;
    m_tracking = true;
    GetMouseManager()->TrackBar(this);
    GetKeyboardManager()->AddKeyboardHook(this);
  }
  void Close() {
    if (!m_tracking) return;
    m_tracking = false;
    m_nLockCount = 0;
    GetMouseManager()->UntrackBar(this);
    GetKeyboardManager()->RemoveKeyboardHook(this);
  }
  bool IsTrackingMode() const { return m_tracking; }

  HWND GetTrackedBarWindow() const override { return GetSafeHwnd(); }
  void OnTrackLost() override {
    if (m_log) m_log->push_back("lost " + m_name);
    Close();
  }
  void ClearSelection() override {
    if (m_log) m_log->push_back("clear " + m_name);
  }
  int HitTestScreenPoint(POINT ptScreen) const override {
    RECT rc{};
    return m_hWnd && ::GetWindowRect(m_hWnd, &rc) && ::PtInRect(&rc, ptScreen) ? 1 : 0;
  }
  // Inside its caption row (the top 20 pixels) a bar claims the point; below
  // it answers m_belowCaption when that is set (as a dialog bar does).
  int IsPointInBar(POINT ptScreen) const override {
    RECT rc{};
    if (m_belowCaption && m_hWnd && ::GetWindowRect(m_hWnd, &rc) && ptScreen.y >= rc.top + 20) return *m_belowCaption;
    return HitTestScreenPoint(ptScreen);
  }
  void OnTrackedMouseMove(UINT, CPoint point) override { m_moves.push_back(point); }
  int HandleHookedMessage(HWND, UINT, WPARAM&, LPARAM&, LRESULT&) override { return 0; }

  std::string m_name;
  std::vector<std::string>* m_log;
  std::vector<CPoint> m_moves;
  std::optional<int> m_belowCaption;

 private:
  bool m_tracking = false;
};

}  // namespace tktest
