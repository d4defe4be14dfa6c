// Visual styles and composition: failure values without the libraries, and
// the themed paths through the test's fake visual-styles module.
#include <gtest/gtest.h>

#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/winthemewrapper.h"

namespace {

using tk_test::FakeState;
using tk_test::FakeUxTheme;
using tk_test::FakeUxThemeState;

// Every call of a wrapper gives its fixed failure value.
void ExpectAllFailureValues(CTKWinThemeWrapper& w) {
  RECT r{0, 0, 10, 10};
  COLORREF color = 0x123456;
  int value = 99;
  SIZE size{5, 5};
  WCHAR file[260] = {}, colorName[260] = {}, sizeName[260] = {};
  HDC paintDC = nullptr;
  EXPECT_EQ(w.OpenThemeData(nullptr, u"BUTTON"), nullptr);
  EXPECT_EQ(w.GetThemeHandle(), nullptr);
  EXPECT_EQ(w.DrawThemeBackground(nullptr, 1, 1, &r, nullptr), E_FAIL);
  EXPECT_EQ(w.DrawThemeTextEx(nullptr, 1, 1, u"x", 1, 0, &r, nullptr), E_FAIL);
  EXPECT_EQ(w.GetThemeColor(0, 0, TMT_BORDERCOLOR, &color), E_FAIL);
  EXPECT_EQ(color, 0x123456u);
  EXPECT_EQ(w.GetThemeInt(0, 0, 1, &value), E_FAIL);
  EXPECT_EQ(w.GetThemePartSize(nullptr, 0, 0, &r, TS_TRUE, &size), E_FAIL);
  EXPECT_FALSE(w.GetThemeSysBool(1));
  EXPECT_EQ(w.GetCurrentThemeName(file, 260, colorName, 260, sizeName, 260), E_FAIL);
  EXPECT_FALSE(w.IsAppThemed());
  EXPECT_FALSE(w.IsThemeActive());
  EXPECT_EQ(w.BeginBufferedPaint(nullptr, &r, BPBF_DIB, nullptr, &paintDC), nullptr);
  w.EndBufferedPaint(nullptr, TRUE);  // nothing to call, nothing happens
  w.CloseThemeData();
}

TEST(WinThemeWrapper, WithoutTheLibraryOrItsEntryPointsEveryCallFails) {
  // Before the fake is registered the library is truly absent; afterwards
  // the same holds for a library that lacks every entry point.
  FakeUxTheme::Remove();
  for (BOOL choice : {FALSE, TRUE}) {
    SCOPED_TRACE(choice);
    CTKWinThemeWrapper w(choice);
    ExpectAllFailureValues(w);
  }
  // Installed and removed again: resolved pointers are forgotten too.
  FakeUxTheme::Install();
  {
    CTKWinThemeWrapper w;
    EXPECT_NE(w.OpenThemeData(nullptr, u"BUTTON"), nullptr);
  }
  FakeUxTheme::Remove();
  CTKWinThemeWrapper w;
  ExpectAllFailureValues(w);
}

TEST(WinThemeWrapper, ThemedCallsGoThroughAndHandlesAreReplacedAndClosed) {
  FakeUxTheme::Install();
  {
    CTKWinThemeWrapper w;
    EXPECT_TRUE(w.IsThemeActive());
    EXPECT_FALSE(w.IsAppThemed());  // no handle yet: callers stay classic
    HTHEME first = w.OpenThemeData(nullptr, u"BUTTON");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(w.IsAppThemed());
    RECT r{0, 0, 4, 4};
    EXPECT_EQ(w.DrawThemeBackground(nullptr, 1, 1, &r, nullptr), S_OK);
    SIZE size{};
    EXPECT_EQ(w.GetThemePartSize(nullptr, 1, 1, &r, TS_TRUE, &size), S_OK);
    EXPECT_EQ(size.cx, 13);
    int value = 0;
    EXPECT_EQ(w.GetThemeInt(1, 1, 1, &value), S_OK);
    EXPECT_EQ(value, 7);

    // A second class closes the first handle.
    HTHEME second = w.OpenThemeData(nullptr, u"SCROLLBAR");
    EXPECT_NE(second, first);
    EXPECT_EQ(FakeState().closed, 1);
    // A class the style does not define: no handle, and IsAppThemed is FALSE
    // although the application is themed.
    EXPECT_EQ(w.OpenThemeData(nullptr, u"NOSUCHCLASS"), nullptr);
    EXPECT_EQ(FakeState().closed, 2);
    EXPECT_FALSE(w.IsAppThemed());
    EXPECT_EQ(w.OpenThemeData(nullptr, u"TREEVIEW") != nullptr, true);
  }
  EXPECT_EQ(FakeState().closed, 3);  // the destructor closed the last one
  FakeUxTheme::Remove();
}

TEST(DwmApiWrapper, WithoutTheLibraryCompositionIsOffAndCallsFail) {
  CTKDwmApiWrapper dwm;
  EXPECT_FALSE(dwm.DwmIsCompositionEnabled());
  EXPECT_EQ(dwm.DwmExtendFrameIntoClientArea(nullptr, 1, 2, 3, 4), E_FAIL);
  LRESULT result = 5;
  EXPECT_EQ(dwm.DwmDefWindowProc(nullptr, 0x84, 0, 0, &result), E_FAIL);
  EXPECT_EQ(result, 5);
}

}  // namespace
