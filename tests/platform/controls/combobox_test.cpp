// The combo box driven by scripted mouse and keys.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::PumpUntilIdle;

class ComboTest : public ControlTest {
 protected:
  HWND Combo(DWORD style) {
    HWND c = Child(WC_COMBOBOX, u"", style | CBS_HASSTRINGS, 850, 10, 10, 150, 24);
    for (LPCWSTR s : {u"red", u"green", u"blue"}) ::SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    ::SetFocus(c);
    PumpUntilIdle();
    Notes().clear();
    return c;
  }
  static std::u16string Shown(HWND c) {
    WCHAR buf[64] = {};
    ::GetWindowText(c, buf, 64);
    return buf;
  }
  // Client point of item i of the open list, in screen coordinates.
  static POINT ListItemPoint(HWND c, int i) {
    RECT cr;
    ::GetWindowRect(c, &cr);
    int ih = static_cast<int>(::SendMessage(c, CB_GETITEMHEIGHT, 0, 0));
    return POINT{cr.left + 10, cr.bottom + 1 + ih * i + ih / 2};
  }
};

TEST_F(ComboTest, DropDownListKeyboardSelectionAndClosing) {
  HWND c = Combo(CBS_DROPDOWNLIST);
  ::SendMessage(c, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(Shown(c), u"red");
  EXPECT_TRUE(Notes().empty());
  pv::test::KeyPress(VK_DOWN);
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Codes(850), std::vector<int>{CBN_SELCHANGE});
  Notes().clear();
  // Open, move, accept with Enter: one change notification in all.
  pv::test::KeyPress(VK_F4);
  PumpUntilIdle();
  EXPECT_TRUE(::SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  pv::test::KeyPress(VK_DOWN);
  pv::test::KeyPress(VK_RETURN);
  PumpUntilIdle();
  EXPECT_FALSE(::SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Codes(850), (std::vector<int>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  EXPECT_EQ(Shown(c), u"blue");
  // Open and cancel with Escape after moving: the selection goes back.
  Notes().clear();
  pv::test::Chord(FALT, VK_DOWN);
  pv::test::KeyPress(VK_UP);
  pv::test::KeyPress(VK_ESCAPE);
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(c, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Codes(850), (std::vector<int>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDCANCEL, CBN_CLOSEUP}));
  // A typed letter selects the next item starting with it.
  pv::test::TypeText(u"r");
  PumpUntilIdle();
  EXPECT_EQ(Shown(c), u"red");
}

TEST_F(ComboTest, DropDownListTextCanOnlyNameOneOfItsItems) {
  HWND c = Combo(CBS_DROPDOWNLIST);
  struct Case {
    LPCWSTR text;
    LRESULT result;
    int selected;
    std::u16string shown;
  } cases[] = {
      {u"green", TRUE, 1, u"green"},
      {u"BL", TRUE, 2, u"blue"},  // the first item the text begins, any case
      {u"purple", CB_ERR, 2, u"blue"},
      {u"", TRUE, -1, u""},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(::SendMessage(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(k.text)), k.result);
    EXPECT_EQ(::SendMessage(c, CB_GETCURSEL, 0, 0), k.selected);
    EXPECT_EQ(Shown(c), k.shown);
  }
}

TEST_F(ComboTest, MouseChoosesFromTheOpenListOrCancelsOutsideIt) {
  HWND c = Combo(CBS_DROPDOWNLIST);
  pv::test::ClickClient(c, 20, 10);
  PumpUntilIdle();
  ASSERT_TRUE(::SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  POINT p = ListItemPoint(c, 2);
  pv::test::MouseMove(p.x, p.y);
  pv::test::Click(p.x, p.y);
  PumpUntilIdle();
  EXPECT_FALSE(::SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(::SendMessage(c, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Codes(850), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  EXPECT_EQ(::GetCapture(), nullptr);
  Notes().clear();
  pv::Clock::AdvanceBy(1000);
  pv::test::ClickClient(c, 20, 10);
  PumpUntilIdle();
  POINT away = pv::test::ClientPoint(parent, 400, 400);
  pv::test::MouseMove(ListItemPoint(c, 0).x, ListItemPoint(c, 0).y);  // highlight only
  pv::test::Click(away.x, away.y);
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(c, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Codes(850), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
}

TEST_F(ComboTest, DropDownEditTypingNotifiesAndSelectionFillsTheEditSilently) {
  HWND c = Combo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
  pv::test::TypeText(u"gr");
  PumpUntilIdle();
  EXPECT_EQ(Shown(c), u"gr");
  EXPECT_EQ(Codes(850), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));
  Notes().clear();
  EXPECT_EQ(::SendMessage(c, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"gr")), 1);
  ::SendMessage(c, CB_SETCURSEL, 1, 0);
  EXPECT_EQ(Shown(c), u"green");
  EXPECT_TRUE(Notes().empty());
  EXPECT_EQ(::SendMessage(c, CB_GETEDITSEL, 0, 0), MAKELONG(0, 5));
  ::SendMessage(c, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(Shown(c), u"");
  // Focus moving away is reported once.
  ::SetFocus(parent);
  PumpUntilIdle();
  EXPECT_EQ(Count(850, CBN_KILLFOCUS), 1);
}

TEST_F(ComboTest, DropDownsCreatedTallerShowOnlyTheirFace) {
  // As a dialog template gives them: the height of the open list, and a
  // scroll bar meant for the list.
  for (DWORD kind : {DWORD(CBS_DROPDOWN), DWORD(CBS_DROPDOWNLIST), DWORD(CBS_SIMPLE)}) {
    HWND c = Child(WC_COMBOBOX, u"", kind | WS_VSCROLL | CBS_HASSTRINGS, 851, 10, 10, 150, 120);
    RECT r;
    ::GetWindowRect(c, &r);
    if (kind == CBS_SIMPLE) {
      EXPECT_EQ(r.bottom - r.top, 120);  // the list is part of the window
    } else {
      EXPECT_LT(r.bottom - r.top, 40) << kind;
      EXPECT_GE(r.bottom - r.top, static_cast<int>(::SendMessage(c, CB_GETITEMHEIGHT, 0, 0))) << kind;
      EXPECT_EQ(::GetWindowLongPtr(c, GWL_STYLE) & WS_VSCROLL, 0) << kind;
    }
    ::DestroyWindow(c);
  }
}

}  // namespace
}  // namespace ctltest
