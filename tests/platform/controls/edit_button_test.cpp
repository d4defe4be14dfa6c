// Edit, button and static controls driven by scripted input.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::Chord;
using pv::test::KeyPress;
using pv::test::PumpUntilIdle;
using pv::test::TypeText;

class EditTest : public ControlTest {
 protected:
  HWND Edit(DWORD style = ES_AUTOHSCROLL, LPCWSTR text = u"", int w = 200, int h = 24) {
    HWND e = Child(WC_EDIT, text, style | WS_BORDER, 100, 10, 10, w, h);
    ::SetFocus(e);
    PumpUntilIdle();
    Notes().clear();
    return e;
  }
  static std::pair<DWORD, DWORD> Sel(HWND e) {
    DWORD a = 0, b = 0;
    ::SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  void Type(std::u16string_view t) {
    TypeText(t);
    PumpUntilIdle();
  }
  void Key(UINT vk, BYTE mods = 0) {
    if (mods) Chord(mods, vk);
    else KeyPress(vk);
    PumpUntilIdle();
  }
  static void SetClipboard(HWND owner, std::u16string_view t) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (t.size() + 1) * 2);
    auto* p = static_cast<char16_t*>(::GlobalLock(mem));
    std::copy(t.begin(), t.end(), p);
    p[t.size()] = 0;
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
  }
  static std::u16string Clipboard(HWND owner) {
    std::u16string t;
    if (!::OpenClipboard(owner)) return t;
    if (HANDLE m = ::GetClipboardData(CF_UNICODETEXT)) {
      t = static_cast<const char16_t*>(::GlobalLock(m));
      ::GlobalUnlock(m);
    }
    ::CloseClipboard();
    return t;
  }
};

TEST_F(EditTest, TypingSendsOneUpdateAndChangePerCharacterAndNothingWhenNothingChanges) {
  HWND e = Edit();
  Type(u"abc");
  EXPECT_EQ(Text(e), u"abc");
  EXPECT_EQ(Codes(100), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(Sel(e), std::make_pair(3u, 3u));
  Notes().clear();
  // Moves, Delete at the end and Backspace at the start change nothing.
  Key(VK_DELETE);
  Key(VK_HOME);
  Key(VK_BACK);
  Key(VK_LEFT);
  EXPECT_EQ(Count(100, EN_CHANGE), 0);
  Key(VK_DELETE);  // removes 'a'
  Key(VK_END);
  Key(VK_BACK);  // removes 'c'
  EXPECT_EQ(Text(e), u"b");
  EXPECT_EQ(Count(100, EN_CHANGE), 2);
  EXPECT_TRUE(::SendMessage(e, EM_GETMODIFY, 0, 0));
}

TEST_F(EditTest, KeyboardSelectionReplacedByTypingIsOneChange) {
  HWND e = Edit(ES_AUTOHSCROLL, u"hello world");
  ::SendMessage(e, EM_SETSEL, 11, 11);
  Key(VK_LEFT, FCONTROL | FSHIFT);  // selects "world"
  EXPECT_EQ(Sel(e), std::make_pair(6u, 11u));
  Key(VK_LEFT, FSHIFT);
  EXPECT_EQ(Sel(e), std::make_pair(5u, 11u));
  Notes().clear();
  Type(u"!");
  EXPECT_EQ(Text(e), u"hello!");
  EXPECT_EQ(Count(100, EN_CHANGE), 1);
  // EM_SETSEL: the caret goes to the second position; -1 as end means the end;
  // -1 as start removes the selection.
  ::SendMessage(e, EM_SETSEL, 4, 1);
  EXPECT_EQ(Sel(e), std::make_pair(1u, 4u));
  Key(VK_RIGHT, FSHIFT);  // the caret was at 1, so the selection shrinks
  EXPECT_EQ(Sel(e), std::make_pair(2u, 4u));
  ::SendMessage(e, EM_SETSEL, 2, -1);
  EXPECT_EQ(Sel(e), std::make_pair(2u, 6u));
  ::SendMessage(e, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(Sel(e), std::make_pair(6u, 6u));
  EXPECT_EQ(Count(100, EN_CHANGE), 1);
}

TEST_F(EditTest, ClipboardCutCopyPasteAndClear) {
  HWND e = Edit(ES_AUTOHSCROLL, u"abc");
  ::SendMessage(e, EM_SETSEL, 0, -1);
  Key('C', FCONTROL);
  EXPECT_EQ(Clipboard(e), u"abc");
  EXPECT_EQ(Count(100, EN_CHANGE), 0);
  Key(VK_END);
  Key('V', FCONTROL);
  EXPECT_EQ(Text(e), u"abcabc");
  EXPECT_EQ(Count(100, EN_CHANGE), 1);
  ::SendMessage(e, EM_SETSEL, 1, 3);
  Key('X', FCONTROL);
  EXPECT_EQ(Text(e), u"aabc");
  EXPECT_EQ(Clipboard(e), u"bc");
  EXPECT_EQ(Count(100, EN_CHANGE), 2);
  // Cut and clear with no selection, paste of an empty clipboard: no change.
  ::SendMessage(e, WM_CUT, 0, 0);
  ::SendMessage(e, WM_CLEAR, 0, 0);
  SetClipboard(e, u"");
  ::SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Count(100, EN_CHANGE), 2);
  // A single line keeps what comes before a pasted line break.
  SetClipboard(e, u"xy\r\nz");
  ::SendMessage(e, EM_SETSEL, 0, -1);
  ::SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), u"xy");
  ::SendMessage(e, EM_SETSEL, 0, 1);
  ::SendMessage(e, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(e), u"y");
  EXPECT_EQ(Count(100, EN_CHANGE), 4);
}

TEST_F(EditTest, UndoRevertsTheLastOperationAndUndoingAgainRedoes) {
  HWND e = Edit();
  EXPECT_FALSE(::SendMessage(e, EM_CANUNDO, 0, 0));
  Type(u"ab");
  Key(VK_LEFT);
  Key(VK_RIGHT);
  Type(u"c");  // a new typing run after a caret move
  EXPECT_TRUE(::SendMessage(e, EM_CANUNDO, 0, 0));
  Notes().clear();
  Key('Z', FCONTROL);
  EXPECT_EQ(Text(e), u"ab");
  EXPECT_EQ(Count(100, EN_CHANGE), 1);
  ::SendMessage(e, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(e), u"abc");
  ::SendMessage(e, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(::SendMessage(e, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(e), u"abc");
  // WM_SETTEXT forgets the undo step; EM_REPLACESEL with FALSE is not undoable.
  ::SendMessage(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"d"));
  EXPECT_TRUE(::SendMessage(e, EM_CANUNDO, 0, 0));
  ::SendMessage(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"e"));
  EXPECT_FALSE(::SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_EQ(Text(e), u"abcde");
}

TEST_F(EditTest, LimitRefusesTypedAndPastedTextBeyondItButNotSetText) {
  HWND e = Edit();
  EXPECT_EQ(::SendMessage(e, EM_GETLIMITTEXT, 0, 0), 32767);
  ::SendMessage(e, EM_LIMITTEXT, 3, 0);
  Type(u"abcd");
  EXPECT_EQ(Text(e), u"abc");
  EXPECT_EQ(Count(100, EN_CHANGE), 3);
  EXPECT_EQ(Count(100, EN_MAXTEXT), 1);
  ::SendMessage(e, EM_SETSEL, 1, 2);
  SetClipboard(e, u"XYZ");
  ::SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(e), u"aXc");  // only the room the selection left
  ::SetWindowText(e, u"longer than three");
  EXPECT_EQ(Text(e), u"longer than three");
  ::SendMessage(e, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(::SendMessage(e, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST_F(EditTest, StylesFilterTypingAndGuardTheClipboard) {
  struct Case {
    DWORD style;
    std::u16string typed, expected;
    int beeps;
  } cases[] = {
      {ES_NUMBER, u"1a2", u"12", 1}, {ES_UPPERCASE, u"aB1", u"AB1", 0}, {ES_LOWERCASE, u"aB1", u"ab1", 0},
      {ES_READONLY, u"xy", u"", 2},  {ES_PASSWORD, u"pw", u"pw", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    HWND e = Edit(c.style | ES_AUTOHSCROLL);
    pv::test::TakeBeeps();
    Type(c.typed);
    EXPECT_EQ(Text(e), c.expected);
    EXPECT_EQ(static_cast<int>(pv::test::TakeBeeps().size()), c.beeps);
    ::DestroyWindow(e);
  }
  // Read-only text can be copied; password text cannot.
  HWND ro = Edit(ES_READONLY, u"secret?");
  SetClipboard(ro, u"before");
  ::SendMessage(ro, EM_SETSEL, 0, -1);
  ::SendMessage(ro, WM_CUT, 0, 0);  // cutting would change the text
  EXPECT_EQ(Text(ro), u"secret?");
  EXPECT_EQ(Clipboard(ro), u"before");
  ::SendMessage(ro, WM_COPY, 0, 0);
  EXPECT_EQ(Clipboard(ro), u"secret?");
  HWND pw = Edit(ES_PASSWORD, u"hidden");
  SetClipboard(pw, u"before");
  ::SendMessage(pw, EM_SETSEL, 0, -1);
  ::SendMessage(pw, WM_COPY, 0, 0);
  ::SendMessage(pw, WM_CUT, 0, 0);
  EXPECT_EQ(Clipboard(pw), u"before");
  EXPECT_EQ(Text(pw), u"hidden");
  EXPECT_EQ(::SendMessage(pw, EM_GETPASSWORDCHAR, 0, 0), u'*');
}

TEST_F(EditTest, SetTextAlwaysNotifiesAndFocusNotifications) {
  HWND e = Edit(ES_AUTOHSCROLL, u"same");
  ::SetWindowText(e, u"same");
  EXPECT_EQ(Codes(100), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
  Notes().clear();
  ::SetFocus(parent);
  ::SetFocus(e);
  EXPECT_EQ(Codes(100), (std::vector<int>{EN_KILLFOCUS, EN_SETFOCUS}));
}

TEST_F(EditTest, MultiLineLinesAndNavigation) {
  HWND e = Edit(ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, u"", 200, 120);
  Type(u"one");
  Key(VK_RETURN);
  Type(u"two");
  Key(VK_RETURN);
  Type(u"three");
  EXPECT_EQ(Text(e), u"one\r\ntwo\r\nthree");
  EXPECT_EQ(Count(100, EN_CHANGE), 13);  // 11 characters and 2 line breaks
  EXPECT_EQ(::SendMessage(e, EM_GETLINECOUNT, 0, 0), 3);
  struct Case {
    int line;
    int index;
    std::u16string text;
  } lines[] = {{0, 0, u"one"}, {1, 5, u"two"}, {2, 10, u"three"}};
  for (const auto& c : lines) {
    EXPECT_EQ(::SendMessage(e, EM_LINEINDEX, c.line, 0), c.index);
    EXPECT_EQ(::SendMessage(e, EM_LINEFROMCHAR, c.index + 1, 0), c.line);
    EXPECT_EQ(::SendMessage(e, EM_LINELENGTH, c.index, 0), static_cast<LRESULT>(c.text.size()));
    WCHAR buf[16] = {};
    buf[0] = 16;
    LRESULT n = ::SendMessage(e, EM_GETLINE, c.line, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::u16string(buf, static_cast<size_t>(n)), c.text);
  }
  EXPECT_EQ(::SendMessage(e, EM_LINEINDEX, 3, 0), -1);
  // Home/Up move by line; Backspace after a line break joins the lines.
  Key(VK_HOME);
  EXPECT_EQ(Sel(::GetFocus()), std::make_pair(10u, 10u));
  Key(VK_UP);
  EXPECT_EQ(::SendMessage(e, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 1);
  Key(VK_HOME);
  Key(VK_BACK);
  EXPECT_EQ(Text(e), u"onetwo\r\nthree");
  EXPECT_EQ(::SendMessage(e, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(EditTest, MouseClickShiftClickDragAndDoubleClickSelect) {
  HWND e = Edit(ES_AUTOHSCROLL, u"alpha beta");
  auto at = [&](int pos) {
    LRESULT p = ::SendMessage(e, EM_POSFROMCHAR, static_cast<WPARAM>(pos), 0);
    return pv::test::ClientPoint(e, LOWORD(p), HIWORD(p) + 4);
  };
  POINT p2 = at(2), p7 = at(7), p9 = at(9);
  pv::test::Click(p2.x, p2.y);
  PumpUntilIdle();
  EXPECT_EQ(Sel(e), std::make_pair(2u, 2u));
  pv::test::KeyDown(VK_SHIFT);
  pv::test::Click(p7.x, p7.y);
  PumpUntilIdle();
  pv::test::KeyUp(VK_SHIFT);
  PumpUntilIdle();
  EXPECT_EQ(Sel(e), std::make_pair(2u, 7u));
  pv::test::MouseDown(pv::test::Button::Left, p9.x, p9.y);
  pv::test::MouseMove(p7.x, p7.y);
  pv::test::MouseMove(p2.x, p2.y);
  pv::test::MouseUp(pv::test::Button::Left, p2.x, p2.y);
  PumpUntilIdle();
  EXPECT_EQ(Sel(e), std::make_pair(2u, 9u));
  EXPECT_EQ(::GetCapture(), nullptr);
  pv::Clock::AdvanceBy(1000);
  pv::test::DoubleClick(p7.x, p7.y);
  PumpUntilIdle();
  EXPECT_EQ(Sel(e), std::make_pair(6u, 10u));
  EXPECT_EQ(Count(100, EN_CHANGE), 0);
}

// ---- buttons ----

TEST_F(ControlTest, ButtonClicksChangeCheckStateByTypeAndNotify) {
  struct Case {
    DWORD style;
    std::vector<UINT> checksAfterClicks;  // BM_GETCHECK after each of three clicks
  } cases[] = {
      {BS_PUSHBUTTON, {0, 0, 0}},   {BS_CHECKBOX, {0, 0, 0}},  // not automatic: the parent decides
      {BS_AUTOCHECKBOX, {1, 0, 1}}, {BS_AUTO3STATE, {1, 2, 0}},
      {BS_RADIOBUTTON, {0, 0, 0}},  {BS_AUTORADIOBUTTON, {1, 1, 1}},
  };
  int id = 200;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    HWND b = Child(WC_BUTTON, u"Button", c.style | WS_TABSTOP, ++id);
    Notes().clear();
    for (UINT expected : c.checksAfterClicks) {
      pv::test::ClickClient(b, 5, 5);
      pv::Clock::AdvanceBy(1000);  // no double click
      PumpUntilIdle();
      EXPECT_EQ(::SendMessage(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(expected));
    }
    EXPECT_EQ(Count(id, BN_CLICKED), 3);
    ::DestroyWindow(b);
  }
}

TEST_F(ControlTest, ButtonPressReleasedOutsideDoesNotClickAndSpaceDoes) {
  HWND b = Child(WC_BUTTON, u"OK", BS_PUSHBUTTON, 300, 10, 10, 80, 24);
  POINT in = pv::test::ClientPoint(b, 10, 10), out = pv::test::ClientPoint(b, 150, 10);
  pv::test::MouseDown(pv::test::Button::Left, in.x, in.y);
  PumpUntilIdle();
  EXPECT_TRUE(::SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  pv::test::MouseMove(out.x, out.y);
  PumpUntilIdle();
  EXPECT_FALSE(::SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  pv::test::MouseUp(pv::test::Button::Left, out.x, out.y);
  PumpUntilIdle();
  EXPECT_EQ(Count(300, BN_CLICKED), 0);
  // Capture lost mid-press: no click either.
  pv::test::MouseDown(pv::test::Button::Left, in.x, in.y);
  PumpUntilIdle();
  pv::test::CaptureLoss();
  PumpUntilIdle();
  pv::test::MouseUp(pv::test::Button::Left, in.x, in.y);
  PumpUntilIdle();
  EXPECT_EQ(Count(300, BN_CLICKED), 0);
  ::SetFocus(b);
  KeyPress(VK_SPACE);
  PumpUntilIdle();
  ::SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_EQ(Count(300, BN_CLICKED), 2);
  ::EnableWindow(b, FALSE);
  ::SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_EQ(Count(300, BN_CLICKED), 2);
}

TEST_F(ControlTest, AutoRadioButtonsClearTheRestOfTheirGroupOnly) {
  HWND r1 = Child(WC_BUTTON, u"A", BS_AUTORADIOBUTTON | WS_GROUP, 401, 10, 10);
  HWND r2 = Child(WC_BUTTON, u"B", BS_AUTORADIOBUTTON, 402, 10, 40);
  HWND r3 = Child(WC_BUTTON, u"C", BS_AUTORADIOBUTTON, 403, 10, 70);
  HWND other = Child(WC_BUTTON, u"D", BS_AUTORADIOBUTTON | WS_GROUP, 404, 10, 100);
  ::SendMessage(other, BM_SETCHECK, BST_CHECKED, 0);
  ::SendMessage(r1, BM_CLICK, 0, 0);
  ::SendMessage(r3, BM_CLICK, 0, 0);
  EXPECT_EQ(::SendMessage(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(::SendMessage(r2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(::SendMessage(r3, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::SendMessage(other, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(::GetWindowLong(r3, GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(::GetWindowLong(r1, GWL_STYLE) & WS_TABSTOP);
}

struct DrawItemLog {
  static inline std::vector<UINT> states;
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      states.push_back(dis->itemState);
      ::FillRect(dis->hDC, &dis->rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
      return TRUE;
    }
    return ParentProc(h, msg, wp, lp);
  }
};

TEST_F(ControlTest, OwnerDrawButtonAsksTheParentToDrawWithItsState) {
  ::SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DrawItemLog::Proc));
  DrawItemLog::states.clear();
  HWND b = Child(WC_BUTTON, u"", BS_OWNERDRAW, 500, 10, 10, 40, 20);
  ASSERT_FALSE(DrawItemLog::states.empty());
  EXPECT_EQ(pv::test::WindowPixel(b, 5, 5), RGB(0, 0, 0));
  DrawItemLog::states.clear();
  ::SendMessage(b, BM_SETSTATE, TRUE, 0);
  ::SetFocus(b);
  PumpUntilIdle();
  ASSERT_FALSE(DrawItemLog::states.empty());
  EXPECT_EQ(DrawItemLog::states.back() & (ODS_SELECTED | ODS_FOCUS), static_cast<UINT>(ODS_SELECTED | ODS_FOCUS));
}

TEST_F(ControlTest, StaticNotifiesClicksOnlyWithSsNotifyAndPaintsRectangles) {
  HWND quiet = Child(WC_STATIC, u"label", SS_LEFT, 600, 10, 10, 80, 20);
  HWND loud = Child(WC_STATIC, u"link", SS_NOTIFY, 601, 10, 40, 80, 20);
  HWND black = Child(WC_STATIC, u"", SS_BLACKRECT, 602, 10, 70, 20, 20);
  pv::test::ClickClient(quiet, 3, 3);
  pv::Clock::AdvanceBy(1000);
  pv::test::ClickClient(loud, 3, 3);
  PumpUntilIdle();
  EXPECT_EQ(Codes(600), std::vector<int>{});
  EXPECT_EQ(Codes(601), std::vector<int>{STN_CLICKED});
  EXPECT_EQ(pv::test::WindowPixel(black, 5, 5), ::GetSysColor(COLOR_WINDOWFRAME));
}

TEST_F(ControlTest, GroupBoxDrawsItsFrameButLeavesItsInsideToTheControlsItFrames) {
  // The box first, as dialog templates list it: it is above the controls it frames.
  HWND box = Child(WC_BUTTON, u"Options", BS_GROUPBOX, 700, 10, 10, 220, 120);
  HWND inside = Child(WC_STATIC, u"", SS_BLACKRECT, 701, 40, 50, 30, 30);
  ::InvalidateRect(parent, nullptr, TRUE);
  PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(inside, 15, 15), ::GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_NE(pv::test::WindowPixel(box, 0, 60), ::GetSysColor(COLOR_BTNFACE));  // the frame's line
}

// The mouse goes through a group box to what it frames (the box lies above
// them, as a dialog template lists it first), and to the parent elsewhere.
TEST_F(ControlTest, ClicksInsideAGroupBoxReachTheControlsItFramesAndThePointerPassesThrough) {
  HWND box = Child(WC_BUTTON, u"Period", BS_GROUPBOX, 700, 10, 10, 300, 140);
  HWND search = Child(WC_BUTTON, u"Search", BS_PUSHBUTTON, 701, 30, 40, 80, 24);
  HWND check = Child(WC_BUTTON, u"Exclude", BS_AUTOCHECKBOX, 702, 30, 80, 120, 20);
  ASSERT_EQ(::GetWindow(parent, GW_CHILD), box);  // the box is on top
  pv::test::ClickClient(search, 10, 10);
  pv::Clock::AdvanceBy(1000);
  pv::test::ClickClient(check, 5, 5);
  PumpUntilIdle();
  EXPECT_EQ(Count(701, BN_CLICKED), 1);
  EXPECT_EQ(::SendMessage(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::GetFocus(), check);
  // Inside the box away from its controls, and on its frame: the parent.
  for (POINT client : {POINT{200, 100}, POINT{0, 70}}) {
    POINT screen = pv::test::ClientPoint(box, client.x, client.y);
    EXPECT_EQ(::WindowFromPoint(screen), parent) << client.x << "," << client.y;
  }
  EXPECT_EQ(::SendMessage(box, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

}  // namespace
}  // namespace ctltest
