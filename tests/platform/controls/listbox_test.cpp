// The list box driven by scripted mouse and keys.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::PumpUntilIdle;

class ListBoxTest : public ControlTest {
 protected:
  HWND List(DWORD style, std::initializer_list<LPCWSTR> items, int hgt = 100) {
    HWND l = Child(WC_LISTBOX, u"", style | WS_BORDER, 800, 10, 10, 150, hgt);
    for (LPCWSTR s : items) ::SendMessage(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    ::SetFocus(l);
    PumpUntilIdle();
    Notes().clear();
    return l;
  }
  static std::u16string Item(HWND l, int i) {
    WCHAR buf[64] = {};
    ::SendMessage(l, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  static void ClickItem(HWND l, int i, BYTE mods = 0) {
    RECT r{};
    ::SendMessage(l, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    POINT p = pv::test::ClientPoint(l, 5, (r.top + r.bottom) / 2);
    if (mods & FSHIFT) pv::test::KeyDown(VK_SHIFT);
    if (mods & FCONTROL) pv::test::KeyDown(VK_CONTROL);
    pv::test::MouseDown(pv::test::Button::Left, p.x, p.y);
    PumpUntilIdle();  // modifiers are read as the press is taken off the queue
    pv::test::MouseUp(pv::test::Button::Left, p.x, p.y);
    if (mods & FSHIFT) pv::test::KeyUp(VK_SHIFT);
    if (mods & FCONTROL) pv::test::KeyUp(VK_CONTROL);
    PumpUntilIdle();
    pv::Clock::AdvanceBy(1000);  // no double clicks between calls
  }
  static std::vector<int> Selected(HWND l) {
    int buf[64];
    int n = static_cast<int>(::SendMessage(l, LB_GETSELITEMS, 64, reinterpret_cast<LPARAM>(buf)));
    return std::vector<int>(buf, buf + std::max(0, n));
  }
};

TEST_F(ListBoxTest, SortedAddingAndFinding) {
  HWND l = List(LBS_SORT | LBS_NOTIFY, {u"pear", u"Apple", u"fig", u"apple"});
  EXPECT_EQ(Item(l, 0), u"Apple");
  EXPECT_EQ(Item(l, 1), u"apple");  // equal strings keep the order they came in
  EXPECT_EQ(Item(l, 3), u"pear");
  // LB_INSERTSTRING never sorts; bad indexes fail.
  EXPECT_EQ(::SendMessage(l, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"zz")), 0);
  EXPECT_EQ(::SendMessage(l, LB_INSERTSTRING, 99, reinterpret_cast<LPARAM>(u"x")), LB_ERR);
  struct Case {
    UINT msg;
    int after;
    LPCWSTR text;
    LRESULT expected;
  } cases[] = {
      {LB_FINDSTRING, -1, u"AP", 1},  // search starts after the index; Apple is index 1 now
      {LB_FINDSTRING, 1, u"ap", 2},        {LB_FINDSTRING, 2, u"ap", 1},  // wraps round
      {LB_FINDSTRINGEXACT, -1, u"FIG", 3}, {LB_FINDSTRINGEXACT, -1, u"fi", LB_ERR},
      {LB_FINDSTRING, -1, u"q", LB_ERR},
  };
  for (const auto& c : cases)
    EXPECT_EQ(::SendMessage(l, c.msg, static_cast<WPARAM>(c.after), reinterpret_cast<LPARAM>(c.text)), c.expected)
        << c.after;
  EXPECT_EQ(::SendMessage(l, LB_DELETESTRING, 0, 0), 4);
  EXPECT_EQ(::SendMessage(l, LB_DELETESTRING, 4, 0), LB_ERR);
  EXPECT_EQ(Codes(800), std::vector<int>{});  // nothing here is the user's doing
}

TEST_F(ListBoxTest, SingleSelectionByMouseAndKeysNotifiesOnlyRealChanges) {
  HWND l = List(LBS_NOTIFY, {u"one", u"two", u"three", u"four"});
  ::SendMessage(l, LB_SETCURSEL, 1, 0);
  EXPECT_TRUE(Notes().empty());
  ClickItem(l, 2);
  EXPECT_EQ(::SendMessage(l, LB_GETCURSEL, 0, 0), 2);
  ClickItem(l, 2);  // the same item: no change
  EXPECT_EQ(Count(800, LBN_SELCHANGE), 1);
  struct Key {
    UINT vk;
    int expected;
  } keys[] = {{VK_DOWN, 3}, {VK_DOWN, 3}, {VK_HOME, 0}, {VK_UP, 0}, {VK_END, 3}};
  int changes = 1;
  int last = 2;
  for (const auto& k : keys) {
    pv::test::KeyPress(k.vk);
    PumpUntilIdle();
    EXPECT_EQ(::SendMessage(l, LB_GETCURSEL, 0, 0), k.expected);
    if (k.expected != last) ++changes;
    last = k.expected;
  }
  EXPECT_EQ(Count(800, LBN_SELCHANGE), changes);
  // A typed letter goes to the next item starting with it.
  pv::test::TypeText(u"t");
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(l, LB_GETCURSEL, 0, 0), 1);
  // A double click notifies after the selection.
  Notes().clear();
  RECT r{};
  ::SendMessage(l, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  POINT p = pv::test::ClientPoint(l, 5, (r.top + r.bottom) / 2);
  pv::test::DoubleClick(p.x, p.y);
  PumpUntilIdle();
  EXPECT_EQ(Codes(800), (std::vector<int>{LBN_SELCHANGE, LBN_DBLCLK}));
  // Without LBS_NOTIFY the parent hears nothing.
  ::DestroyWindow(l);
  HWND quiet = List(0, {u"a", u"b"});
  ClickItem(quiet, 1);
  EXPECT_EQ(::SendMessage(quiet, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Count(800, LBN_SELCHANGE), 0);
}

TEST_F(ListBoxTest, MultipleAndExtendedSelection) {
  HWND m = List(LBS_NOTIFY | LBS_MULTIPLESEL, {u"a", u"b", u"c", u"d"});
  ClickItem(m, 0);
  ClickItem(m, 2);
  ClickItem(m, 0);  // toggles off
  EXPECT_EQ(Selected(m), std::vector<int>{2});
  pv::test::KeyPress(VK_DOWN);  // moves the caret (last clicked: 0) only
  PumpUntilIdle();
  EXPECT_EQ(Selected(m), std::vector<int>{2});
  pv::test::KeyPress(VK_SPACE);
  PumpUntilIdle();
  EXPECT_EQ(Selected(m), (std::vector<int>{1, 2}));
  EXPECT_EQ(Count(800, LBN_SELCHANGE), 4);
  ::DestroyWindow(m);
  Notes().clear();

  HWND e = List(LBS_NOTIFY | LBS_EXTENDEDSEL, {u"a", u"b", u"c", u"d", u"e"});
  ClickItem(e, 1);
  ClickItem(e, 3, FSHIFT);
  EXPECT_EQ(Selected(e), (std::vector<int>{1, 2, 3}));
  ClickItem(e, 2, FCONTROL);
  EXPECT_EQ(Selected(e), (std::vector<int>{1, 3}));
  ClickItem(e, 4);
  EXPECT_EQ(Selected(e), std::vector<int>{4});
  pv::test::Chord(FSHIFT, VK_UP);
  pv::test::Chord(FSHIFT, VK_UP);
  PumpUntilIdle();
  EXPECT_EQ(Selected(e), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(::SendMessage(e, LB_GETSELCOUNT, 0, 0), 3);
  EXPECT_EQ(Count(800, LBN_SELCHANGE), 6);
  // Single-selection messages are refused here.
  EXPECT_EQ(::SendMessage(e, LB_SETCURSEL, 0, 0), LB_ERR);
  ::SendMessage(e, LB_SETSEL, TRUE, -1);
  EXPECT_EQ(::SendMessage(e, LB_GETSELCOUNT, 0, 0), 5);
}

struct OwnerLog {
  static inline int measured = 0, drawn = 0, deleted = 0;
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_MEASUREITEM:
        ++measured;
        reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight =
            10 + 5 * reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemData;
        return TRUE;
      case WM_DRAWITEM:
        ++drawn;
        return TRUE;
      case WM_DELETEITEM:
        ++deleted;
        return TRUE;
      default:
        return ParentProc(h, msg, wp, lp);
    }
  }
};

TEST_F(ListBoxTest, OwnerDrawVariableItemsAreMeasuredDrawnAndDeleted) {
  OwnerLog::measured = OwnerLog::drawn = OwnerLog::deleted = 0;
  ::SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerLog::Proc));
  HWND l = List(LBS_OWNERDRAWVARIABLE | LBS_NOINTEGRALHEIGHT, {}, 60);
  for (LPARAM d : {0, 1, 2, 3, 4}) ::SendMessage(l, LB_ADDSTRING, 0, d);
  EXPECT_EQ(OwnerLog::measured, 5);
  EXPECT_EQ(::SendMessage(l, LB_GETITEMHEIGHT, 2, 0), 20);
  RECT r{};
  ::SendMessage(l, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 10 + 15 + 20);
  EXPECT_EQ(r.bottom - r.top, 25);
  EXPECT_EQ(::SendMessage(l, LB_GETITEMDATA, 4, 0), 4);
  OwnerLog::drawn = 0;
  ::InvalidateRect(l, nullptr, TRUE);
  PumpUntilIdle();
  EXPECT_EQ(OwnerLog::drawn, 4);  // 10+15+20 < 60 client height, the fourth is cut, the fifth unseen
  // LB_ITEMFROMPOINT: the item, and whether the point is outside.
  EXPECT_EQ(::SendMessage(l, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 12)), MAKELONG(1, 0));
  ::SendMessage(l, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(OwnerLog::deleted, 5);
}

// A list box made with a vertical scroll bar shows it whenever its entries
// outgrow its rows, also after a time with no need for it (empty, or tall
// enough), and a click on the bar scrolls.
TEST_F(ListBoxTest, TheScrollBarComesBackWhenTheEntriesOutgrowTheRows) {
  HWND l = List(WS_VSCROLL | LBS_NOTIFY, {}, 100);
  auto barShown = [l] {
    RECT wr, cr;
    ::GetWindowRect(l, &wr);
    ::GetClientRect(l, &cr);
    return (wr.right - wr.left) - 2 - cr.right == ::GetSystemMetrics(SM_CXVSCROLL);
  };
  EXPECT_FALSE(barShown());  // empty: nothing to scroll
  const int ih = static_cast<int>(::SendMessage(l, LB_GETITEMHEIGHT, 0, 0));
  const int rows = 96 / ih;
  for (int i = 0; i < rows + 3; ++i) ::SendMessage(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"entry"));
  PumpUntilIdle();
  EXPECT_TRUE(barShown());
  // Taller than its entries, then short again (as a drop-down list is sized
  // after it is filled).
  ::SetWindowPos(l, nullptr, 0, 0, 150, (rows + 6) * ih + 2, SWP_NOMOVE | SWP_NOZORDER);
  PumpUntilIdle();
  EXPECT_FALSE(barShown());
  ::SetWindowPos(l, nullptr, 0, 0, 150, 100, SWP_NOMOVE | SWP_NOZORDER);
  PumpUntilIdle();
  ASSERT_TRUE(barShown());
  RECT wr;
  ::GetWindowRect(l, &wr);
  pv::test::Click(wr.right - 1 - ::GetSystemMetrics(SM_CXVSCROLL) / 2, wr.bottom - 1 - 4);  // the down arrow
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(l, LB_GETTOPINDEX, 0, 0), 1);
}

}  // namespace
}  // namespace ctltest
