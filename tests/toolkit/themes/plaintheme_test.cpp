// The paint manager's shared metrics and measuring, and the plain look the
// command bars draw with until the factory's looks arrive: the colour table,
// icon sizes, the current look the command bars find, and controls measured
// on tool bars and in menus.
#include <gtest/gtest.h>

#include "platform/framework/afx.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/themes/paintthemeplain.h"

namespace {

class Look : public CTKPlainTheme {
 public:
  using CTKPaintManager::m_nControlHeight;
};

class Bar : public CTKCommandBar {
 public:
  explicit Bar(TKBarType type) { m_barType = type; }
};

// The current look and its factory are process-wide: every test leaves
// them empty.
class PlainThemeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CTKPaintManager::ReleasePaintManager();
    CTKBarPaintManager::SetFactory(nullptr);
  }
};

TEST_F(PlainThemeTest, TheColourTablePrefersCustomValuesAndPassesLargerValuesThrough) {
  Look look;
  look.RefreshMetrics();
  EXPECT_EQ(look.GetColor(15), GetColorManager()->GetColor(15));
  EXPECT_EQ(look.GetColor(63), 63u);  // not an index: a colour
  look.SetColor(62, RGB(1, 2, 3));
  EXPECT_EQ(look.GetColor(62), RGB(1, 2, 3));
  look.UpdateColors();  // a refresh keeps the custom value
  EXPECT_EQ(look.GetColor(62), RGB(1, 2, 3));
  look.SetColor(62, static_cast<COLORREF>(-1));
  EXPECT_EQ(look.GetColor(62), GetColorManager()->GetColor(62));
}

TEST_F(PlainThemeTest, IconSizesFollowTheControlHeightWhenScaled) {
  Look look;
  struct Case {
    BOOL bAuto;
    int nFixedHeight;
    CSize small, large;
  } cases[] = {
      {FALSE, 40, {16, 16}, {32, 32}},
      {TRUE, 22, {16, 16}, {32, 32}},  // (22 - 4) / 8 = 2; (44 - 8) / 8 = 4
      {TRUE, 40, {32, 32}, {72, 72}},
      {TRUE, 10, {16, 16}, {32, 32}},  // never below 22
  };
  for (const Case& c : cases) {
    look.m_bAutoResizeIcons = c.bAuto;
    look.m_nFixedControlHeight = c.nFixedHeight;
    EXPECT_EQ(look.GetIconSize(FALSE), c.small) << c.nFixedHeight;
    EXPECT_EQ(look.GetIconSize(TRUE), c.large) << c.nFixedHeight;
  }
}

TEST_F(PlainThemeTest, ControlHeightsNeverGoBelow22) {
  Look look;
  look.m_nControlHeight = 18;
  EXPECT_EQ(look.GetControlHeight(), 22);
  EXPECT_EQ(look.GetLargeControlTextHeight(), 27);  // 2 x 22 - 17
  look.m_nControlHeight = 25;
  EXPECT_EQ(look.GetControlHeight(), 25);
  EXPECT_EQ(look.GetLargeControlTextHeight(), 39);  // 2 x 28 - 17
}

TEST_F(PlainThemeTest, SetThemeInstallsTheLookTheCommandBarsFind) {
  EXPECT_EQ(CTKBarPaintManager::GetCurrent(), nullptr);  // no looks installed: none
  CTKPaintManager::SetTheme(8);
  auto* pLook = static_cast<CTKPaintManager*>(CTKBarPaintManager::GetCurrent());
  ASSERT_NE(pLook, nullptr);
  EXPECT_EQ(pLook->GetThemeNumber(), 8);
  EXPECT_EQ(pLook->GetPaintTheme(), TKPaintTheme::Default);
  Bar bar(TKBarType::Normal);
  EXPECT_EQ(bar.GetPaintManager(), pLook);

  // Released, the factory makes the default look on the next lookup.
  CTKPaintManager::ReleasePaintManager();
  pLook = static_cast<CTKPaintManager*>(bar.GetPaintManager());
  ASSERT_NE(pLook, nullptr);
  EXPECT_EQ(pLook->GetThemeNumber(), 0);

  // A look installed directly is numbered as such.
  CTKPaintManager::SetPaintManager(CTKPaintManager::CreateTheme(3));
  EXPECT_EQ(static_cast<CTKPaintManager*>(CTKBarPaintManager::GetCurrent())->GetThemeNumber(),
            TKPaintThemeNumber(TKPaintTheme::Custom));
}

TEST_F(PlainThemeTest, StripMnemonicsKeepsOneOfADoubledAmpersand) {
  EXPECT_EQ(CTKPaintManager::StripMnemonics(u"&Open"), CString(u"Open"));
  EXPECT_EQ(CTKPaintManager::StripMnemonics(u"Save && &Close"), CString(u"Save & Close"));
  EXPECT_EQ(CTKPaintManager::StripMnemonics(u""), CString());
}

TEST_F(PlainThemeTest, ControlsMeasureByTheirBarAndSettings) {
  auto* pLook = new Look();
  pLook->RefreshMetrics();
  Bar toolBar(TKBarType::Normal);
  toolBar.SetPaintManager(pLook);
  CTKControls* pControls = toolBar.GetControls();
  CDC dc;
  dc.Attach(::CreateCompatibleDC(nullptr));

  // A split button without icon or caption: 22 plus the split part.
  CTKControl* pSplit = pControls->AddByType(TKControlType::SplitButtonPopup, 0);
  EXPECT_EQ(pSplit->GetSize(&dc), CSize(22 + 11, 22));
  // A captioned button: its caption plus 8, at least the button height.
  CTKControl* pButton = pControls->AddByType(TKControlType::Button, 0);
  pButton->SetCaption(u"&Print");
  dc.SelectObject(pLook->GetRegularFont());
  const CSize szText = dc.GetTextExtent(CString(u"Print"));
  EXPECT_EQ(pButton->GetSize(&dc), CSize(szText.cx + 8, std::max(22, szText.cy + 6)));
  // A fixed width wins whatever the caption.
  pButton->SetWidth(100);
  EXPECT_EQ(pButton->GetSize(&dc).cx, 100);

  // In a menu the shortcut text takes its own room.
  Bar menu(TKBarType::Popup);
  menu.SetPaintManager(pLook);
  pLook->InternalAddRef();
  CTKControl* pItem = menu.GetControls()->AddByType(TKControlType::Button, 0);
  pItem->SetCaption(u"&Open");
  const int nPlain = pItem->GetSize(&dc).cx;
  pItem->SetCaption(u"&Open\tCtrl+O");
  dc.SelectObject(pLook->GetRegularFont());
  EXPECT_EQ(pItem->GetSize(&dc).cx, nPlain + dc.GetTextExtent(CString(u"Ctrl+O")).cx);
  ::DeleteDC(dc.Detach());
}

TEST_F(PlainThemeTest, AHotControlIsFilledWithTheHighlight) {
  Look look;
  look.RefreshMetrics();
  CDC dc;
  dc.Attach(::CreateCompatibleDC(nullptr));
  HBITMAP bitmap = ::CreateCompatibleBitmap(::GetScreenDC(), 20, 20);
  HGDIOBJ old = ::SelectObject(dc.m_hDC, bitmap);
  const COLORREF clrBack = RGB(1, 2, 3);
  struct Case {
    TKControlStates states;
    COLORREF fill;
    COLORREF text;
  } cases[] = {
      {{0, 0, 1, 0, 0}, clrBack, look.GetColor(18)},
      {{1, 0, 1, 0, 0}, look.GetColor(13), look.GetColor(14)},
      {{0, 1, 1, 0, 0}, look.GetColor(13), look.GetColor(14)},
      {{1, 0, 0, 0, 0}, clrBack, look.GetColor(17)},  // disabled: never hot
      {{0, 0, 1, 1, 0}, look.GetColor(15), look.GetColor(18)},
  };
  for (const Case& c : cases) {
    dc.FillSolidRect(0, 0, 20, 20, clrBack);
    look.DrawRectangle(&dc, CRect(2, 2, 18, 18), c.states, TKBarType::Normal, TKBarPosition::Top);
    EXPECT_EQ(dc.GetPixel(10, 10), c.fill) << c.states.nSelected << c.states.nPressed << c.states.nEnabled;
    EXPECT_EQ(dc.GetPixel(0, 0), clrBack);
    EXPECT_EQ(look.GetRectangleTextColor(c.states, TKBarType::Normal, TKBarPosition::Top), c.text);
  }
  ::SelectObject(dc.m_hDC, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc.Detach());
}

}  // namespace
