// The tooltip control: delays on the fake clock, callbacks, tracking.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::AdvanceAndPump;
using pv::test::PumpUntilIdle;

LRESULT AnswerText(NMHDR* h) {
  if (h->code == TTN_GETDISPINFO) {
    auto* di = reinterpret_cast<NMTTDISPINFOW*>(h);
    std::u16string t = u"Dynamic";
    std::copy(t.begin(), t.end(), di->szText);
    di->szText[t.size()] = 0;
  }
  return 0;
}

class ToolTipTest : public ControlTest {
 protected:
  HWND Tip(DWORD style = TTS_ALWAYSTIP) {
    HWND t = ::CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | style, 0, 0, 0, 0, parent, nullptr,
                              nullptr, nullptr);
    NotifyHandler() = AnswerText;
    return t;
  }
  bool AddTool(HWND tip, UINT_PTR id, RECT r, LPCWSTR text, UINT flags = TTF_SUBCLASS, UINT size = sizeof(TOOLINFOW)) {
    TOOLINFOW ti{};
    ti.cbSize = size;
    ti.uFlags = flags;
    ti.hwnd = parent;
    ti.uId = id;
    ti.rect = r;
    ti.lpszText = const_cast<LPWSTR>(text);
    return ::SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
  }
  void MoveTo(int x, int y) {
    POINT p = pv::test::ClientPoint(parent, x, y);
    pv::test::MouseMove(p.x, p.y);
    PumpUntilIdle();
  }
  static std::u16string Text(HWND tip, UINT_PTR id, HWND owner) {
    WCHAR buf[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = owner;
    ti.uId = id;
    ti.lpszText = buf;
    ::SendMessage(tip, TTM_GETTEXT, 80, reinterpret_cast<LPARAM>(&ti));
    return buf;
  }
};

TEST_F(ToolTipTest, DelaysShowHideAndReshowOnTheFakeClock) {
  HWND tip = Tip();
  ASSERT_TRUE(AddTool(tip, 1, RECT{0, 0, 100, 100}, u"Hello"));
  ASSERT_TRUE(AddTool(tip, 2, RECT{100, 0, 200, 100}, LPSTR_TEXTCALLBACKW));
  EXPECT_FALSE(AddTool(tip, 1, RECT{0, 0, 1, 1}, u"again"));  // the same tool twice
  UINT initial = ::GetDoubleClickTime();
  EXPECT_EQ(::SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), static_cast<LRESULT>(initial));
  EXPECT_EQ(::SendMessage(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), static_cast<LRESULT>(initial * 10));
  MoveTo(50, 50);
  AdvanceAndPump(initial - 1);
  EXPECT_FALSE(::IsWindowVisible(tip));
  AdvanceAndPump(1);
  EXPECT_TRUE(::IsWindowVisible(tip));
  EXPECT_EQ(Count(1, static_cast<int>(TTN_SHOW)), 1);
  AdvanceAndPump(initial * 10 - 1);
  EXPECT_TRUE(::IsWindowVisible(tip));
  AdvanceAndPump(1);
  EXPECT_FALSE(::IsWindowVisible(tip));
  EXPECT_EQ(Count(1, static_cast<int>(TTN_POP)), 1);
  // Moving within the same tool does not bring it back.
  MoveTo(60, 60);
  AdvanceAndPump(initial * 2);
  EXPECT_FALSE(::IsWindowVisible(tip));
  // Another tool, with its text asked for.
  MoveTo(150, 50);
  AdvanceAndPump(initial);
  EXPECT_TRUE(::IsWindowVisible(tip));
  EXPECT_GE(Count(2, static_cast<int>(TTN_GETDISPINFO)), 1);
  EXPECT_EQ(Text(tip, 2, parent), u"Dynamic");
  // From a showing tip to the next tool: hidden at once, back after the reshow delay.
  MoveTo(50, 50);
  EXPECT_FALSE(::IsWindowVisible(tip));
  AdvanceAndPump(initial / 5);
  EXPECT_TRUE(::IsWindowVisible(tip));
  // A click hides it; the tip stays away while the mouse stays on the tool.
  pv::test::ClickClient(parent, 50, 50);
  PumpUntilIdle();
  AdvanceAndPump(initial * 2);
  EXPECT_FALSE(::IsWindowVisible(tip));
  // Outside every tool nothing comes.
  MoveTo(300, 300);
  AdvanceAndPump(initial * 2);
  EXPECT_FALSE(::IsWindowVisible(tip));
  // A shorter initial delay; deactivated, nothing shows.
  ::SendMessage(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 50);
  MoveTo(150, 50);
  AdvanceAndPump(50);
  EXPECT_TRUE(::IsWindowVisible(tip));
  ::SendMessage(tip, TTM_ACTIVATE, FALSE, 0);
  EXPECT_FALSE(::IsWindowVisible(tip));
  MoveTo(50, 50);
  AdvanceAndPump(initial * 2);
  EXPECT_FALSE(::IsWindowVisible(tip));
}

TEST_F(ToolTipTest, ToolInfoSizesUpdatesAndTracking) {
  HWND tip = Tip();
  EXPECT_FALSE(AddTool(tip, 1, RECT{0, 0, 10, 10}, u"x", 0, 8));  // too small to be a TOOLINFO
  EXPECT_TRUE(AddTool(tip, 1, RECT{0, 0, 10, 10}, u"first", 0, TTTOOLINFOW_V1_SIZE));
  EXPECT_EQ(::SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = parent;
  ti.uId = 1;
  ti.lpszText = const_cast<LPWSTR>(u"second");
  ::SendMessage(tip, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(Text(tip, 1, parent), u"second");
  ti.rect = RECT{5, 5, 50, 50};
  ::SendMessage(tip, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&ti));
  WCHAR buf[80] = {};
  TOOLINFOW out{};
  out.cbSize = sizeof out;
  out.hwnd = parent;
  out.uId = 1;
  out.lpszText = buf;
  ASSERT_TRUE(::SendMessage(tip, TTM_GETTOOLINFO, 0, reinterpret_cast<LPARAM>(&out)));
  EXPECT_EQ(out.rect.right, 50);
  EXPECT_EQ(std::u16string(buf), u"second");
  // A tracking tip shows at once where it is put and does not time out.
  ::SendMessage(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(200, 150));
  ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  ::SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  EXPECT_TRUE(::IsWindowVisible(tip));
  RECT wr;
  ::GetWindowRect(tip, &wr);
  EXPECT_EQ(wr.left, 200);
  EXPECT_EQ(wr.top, 150);
  AdvanceAndPump(60000);
  EXPECT_TRUE(::IsWindowVisible(tip));
  ::SendMessage(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(220, 160));
  ::GetWindowRect(tip, &wr);
  EXPECT_EQ(wr.left, 220);
  ::SendMessage(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
  EXPECT_FALSE(::IsWindowVisible(tip));
  // Adjusting a text rectangle to the window and back is exact.
  RECT r{10, 10, 60, 30}, orig = r;
  ::SendMessage(tip, TTM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  ::SendMessage(tip, TTM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  EXPECT_TRUE(::EqualRect(&r, &orig));
  ::SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(::SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

}  // namespace
}  // namespace ctltest
