// The framework's own tool tips: a window with EnableToolTips shows the tips
// of the children its OnToolHitTest names, with texts asked for through
// TTN_NEEDTEXT, as its messages pass through the framework's pre-translation.
#include <string>

#include "ctl_fixture.h"
#include "platform/framework/afx.h"

namespace {

class CTipHost : public CWnd {
 public:
  int asked = 0;

 protected:
  BOOL OnNeedText(UINT, NMHDR* hdr, LRESULT* result) {
    auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
    ++asked;
    int id = (di->uFlags & TTF_IDISHWND) ? ::GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom))
                                         : static_cast<int>(hdr->idFrom);
    std::u16string text = u"Tip " + std::u16string(1, static_cast<char16_t>(u'0' + id));
    for (size_t i = 0; i <= text.size(); ++i) di->szText[i] = i < text.size() ? text[i] : u'\0';
    *result = 0;
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTipHost, CWnd)
ON_NOTIFY_EX_RANGE(TTN_NEEDTEXT, 0, 0xFFFFFFFF, OnNeedText)
END_MESSAGE_MAP()

class FrameworkToolTipTest : public ctltest::ControlTest {
 protected:
  // The framework's message loop in small: pre-translation, then dispatch.
  static void Pump() {
    MSG m;
    while (::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
      if (!CWnd::WalkPreTranslateTree(nullptr, &m)) {
        ::TranslateMessage(&m);
        ::DispatchMessage(&m);
      }
  }
  void MoveOver(HWND h, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(h, &p);
    pv::test::MouseMove(p.x, p.y);
    Pump();
  }
  static HWND TipWindow() { return ::FindWindow(u"tooltips_class32", nullptr); }
  static std::u16string TipText(HWND tip, HWND owner, HWND tool) {
    WCHAR buf[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = buf;
    ::SendMessage(tip, TTM_GETTEXT, 80, reinterpret_cast<LPARAM>(&ti));
    return buf;
  }
};

TEST_F(FrameworkToolTipTest, ChildrenUnderTheMouseGetTipsWithTextsAskedOfTheWindow) {
  CTipHost host;
  ASSERT_TRUE(host.CreateEx(0, CWnd::AfxWndClass(), u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr));
  HWND a = ::CreateWindowEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 24, host.m_hWnd,
                            reinterpret_cast<HMENU>(5), nullptr, nullptr);
  HWND b = ::CreateWindowEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 10, 50, 100, 24, host.m_hWnd,
                            reinterpret_cast<HMENU>(6), nullptr, nullptr);
  ::SetActiveWindow(host.m_hWnd);
  EXPECT_FALSE(host.EnableToolTips());
  UINT initial = ::GetDoubleClickTime();

  MoveOver(a, 20, 10);
  HWND tip = TipWindow();
  ASSERT_NE(tip, nullptr);
  pv::test::AdvanceAndPump(initial);
  EXPECT_TRUE(::IsWindowVisible(tip));
  EXPECT_EQ(TipText(tip, host.m_hWnd, a), u"Tip 5");

  // Another child: its own tip; then empty space: none.
  MoveOver(b, 20, 10);
  pv::test::AdvanceAndPump(initial);
  EXPECT_TRUE(::IsWindowVisible(tip));
  EXPECT_EQ(TipText(tip, host.m_hWnd, b), u"Tip 6");
  MoveOver(host.m_hWnd, 300, 200);
  EXPECT_FALSE(::IsWindowVisible(tip));

  // A key hides a showing tip.
  MoveOver(a, 30, 12);
  pv::test::AdvanceAndPump(initial);
  ASSERT_TRUE(::IsWindowVisible(tip));
  pv::test::KeyPress(VK_SHIFT);
  Pump();
  EXPECT_FALSE(::IsWindowVisible(tip));

  // Switched off: nothing more is asked.
  EXPECT_TRUE(host.EnableToolTips(FALSE));
  MoveOver(host.m_hWnd, 300, 200);
  int asked = host.asked;
  MoveOver(b, 25, 10);
  pv::test::AdvanceAndPump(initial);
  EXPECT_FALSE(::IsWindowVisible(tip));
  EXPECT_EQ(host.asked, asked);
  host.DestroyWindow();
}

}  // namespace
