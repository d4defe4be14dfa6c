// A small command-bar double for the input managers' tests: a popup window
// that records what the managers ask of it.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/afx.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/common/mousemanager.h"

namespace tktest {

inline LPCTSTR TestBarClass() {
  static LPCTSTR name = AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW));
  return name;
}

class TestBar : public CTKCommandBar {
 public:
  TestBar(std::string name, std::vector<std::string>* log, CRect rc) : m_name(std::move(name)), m_log(log) {
    m_barPosition = kPositionPopup;
    m_barType = 2;
    CreateEx(WS_EX_TOOLWINDOW, TestBarClass(), u"", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
             nullptr, nullptr);
  }
  ~TestBar() override {
    SetTrackingMode(0);
    if (m_hWnd) DestroyWindow();
  }

  // Opens as a popup of the thread: tracked like a menu.
  void Open() { SetTrackingMode(1, FALSE, FALSE); }

  void OnTrackLost() override {
    if (m_log) m_log->push_back("lost " + m_name);
    CTKCommandBar::OnTrackLost();
  }
  void ClearSelection() override {
    if (m_log) m_log->push_back("clear " + m_name);
    CTKCommandBar::ClearSelection();
  }
  void OnMouseMove(UINT nFlags, CPoint point) override {
    m_moves.push_back(point);
    CTKCommandBar::OnMouseMove(nFlags, point);
  }
  void SetPosition(int position) { m_barPosition = position; }

  std::string m_name;
  std::vector<std::string>* m_log;
  std::vector<CPoint> m_moves;
};

}  // namespace tktest
