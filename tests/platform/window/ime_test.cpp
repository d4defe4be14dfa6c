// The desktop's input method: composition messages and strings for windows
// that show the composition themselves, and WM_CHAR (with a composition
// window at the caret) for windows that leave it to DefWindowProc.
#include <algorithm>

#include "platform/window/imm.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

std::u16string CompositionString(HWND h, DWORD index) {
  HIMC imc = ImmGetContext(h);
  LONG bytes = ImmGetCompositionString(imc, index, nullptr, 0);
  std::u16string s(static_cast<size_t>(std::max<LONG>(bytes, 0)) / 2, u'\0');
  if (bytes > 0) ImmGetCompositionString(imc, index, s.data(), static_cast<DWORD>(bytes));
  ImmReleaseContext(h, imc);
  return s;
}

std::u16string Chars(HWND h) {
  std::u16string s;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == WM_CHAR) s += static_cast<char16_t>(e.wParam);
  return s;
}

HWND CompositionWindow() { return FindWindow(u"PvImeComposition", nullptr); }

}  // namespace

// A window that handles composition itself reads the strings as they come;
// nothing reaches it as WM_CHAR.
TEST_F(WmTest, AWindowHandlingCompositionReadsItsStrings) {
  HWND top = Top();
  HWND edit = Child(top, 1, 10, 10, 200, 30);
  SetFocus(edit);
  std::vector<std::u16string> seen;
  Handlers()[edit] = [&](HWND h, UINT m, WPARAM, LPARAM l, LRESULT* r) {
    if (m != WM_IME_COMPOSITION) return false;
    if (l & GCS_COMPSTR) seen.push_back(u"comp:" + CompositionString(h, GCS_COMPSTR));
    if (l & GCS_RESULTSTR) seen.push_back(u"result:" + CompositionString(h, GCS_RESULTSTR));
    *r = 0;
    return true;
  };
  Log().clear();
  pv::test::ImeEditing(u"zhong", 5);
  EXPECT_EQ(ImmGetCompositionString(ImmGetContext(edit), GCS_CURSORPOS, nullptr, 0), 5);
  pv::test::ImeEditing(u"\u4e2d", 1);
  pv::test::ImeCommit(u"\u4e2d\u6587");
  pv::test::PumpUntilIdle();
  std::vector<std::u16string> want = {u"comp:zhong", u"comp:\u4e2d", u"result:\u4e2d\u6587"};
  EXPECT_EQ(seen, want);
  std::vector<UINT> order = Messages(edit, {WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION});
  std::vector<UINT> wantOrder = {WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION, WM_IME_COMPOSITION, WM_IME_COMPOSITION,
                                 WM_IME_ENDCOMPOSITION};
  EXPECT_EQ(order, wantOrder);
  EXPECT_EQ(Chars(edit), u"");
  // A buffer too small takes what fits; an unknown index is an error.
  char16_t one[1];
  EXPECT_EQ(ImmGetCompositionString(ImmGetContext(edit), GCS_RESULTSTR, one, 3), 2);
  EXPECT_EQ(one[0], u'\u4e2d');
  EXPECT_EQ(ImmGetCompositionString(ImmGetContext(edit), 0x4000, nullptr, 0), IMM_ERROR_GENERAL);
}

// Left to DefWindowProc, the composition shows in a window at the caret and
// the committed text arrives as WM_CHAR; a cancelled composition gives none.
TEST_F(WmTest, CommittedTextReachesOtherWindowsAsCharacters) {
  HWND top = Top();
  HWND edit = Child(top, 1, 10, 10, 200, 30);
  SetFocus(edit);
  CreateCaret(edit, nullptr, 1, 14);
  SetCaretPos(40, 8);
  POINT caret{40, 8};
  ClientToScreen(edit, &caret);
  // The desktop's candidate window opens at the caret.
  RECT at = pv::test::TextInputRect();
  EXPECT_EQ(at.left, caret.x);
  EXPECT_EQ(at.top, caret.y);
  EXPECT_EQ(at.bottom - at.top, 14);
  Log().clear();
  pv::test::ImeEditing(u"ni", 2);
  pv::test::PumpUntilIdle();
  HWND comp = CompositionWindow();
  ASSERT_NE(comp, nullptr);
  EXPECT_TRUE(IsWindowVisible(comp));
  RECT cr;
  GetWindowRect(comp, &cr);
  EXPECT_EQ(cr.left, caret.x);
  EXPECT_EQ(cr.top, caret.y);
  EXPECT_EQ(GetFocus(), edit);  // the composition window takes nothing
  pv::test::ImeCommit(u"\u4f60\u597d");
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Chars(edit), u"\u4f60\u597d");
  EXPECT_EQ(Messages(edit, {WM_IME_CHAR}).size(), 2u);
  EXPECT_FALSE(IsWindowVisible(comp));

  // Deleted to nothing: the composition ends and nothing is typed.
  Log().clear();
  pv::test::ImeEditing(u"h", 1);
  pv::test::ImeEditing(u"", 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Chars(edit), u"");
  EXPECT_EQ(Messages(edit, {WM_IME_ENDCOMPOSITION}).size(), 1u);
  EXPECT_FALSE(IsWindowVisible(comp));

  // A composition form moves both to the point it names.
  COMPOSITIONFORM form{CFS_POINT, {5, 3}, {}};
  ASSERT_TRUE(ImmSetCompositionWindow(ImmGetContext(edit), &form));
  POINT p{5, 3};
  ClientToScreen(edit, &p);
  EXPECT_EQ(pv::test::TextInputRect().left, p.x);
  EXPECT_EQ(pv::test::TextInputRect().top, p.y);
}
