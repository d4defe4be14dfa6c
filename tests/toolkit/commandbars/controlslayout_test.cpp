// Where the layout engine puts a bar's controls: popups in columns, tool
// bars docked and floating in rows or columns, the searches for a floating
// shape, alignment and stretching, and the smart layout of large buttons.
// Sizes come from the fixed-size test look: a popup item is its caption
// (7 px a character) plus 32 wide, every control 22 high, separators 6,
// borders 2.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/framework/afxframe.h"
#include "platform/framework/afxgdi.h"
#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/common/imagemanager.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::TestBar;
using cbtest::TestPaintManager;

constexpr int kB = TestPaintManager::kBorder;
constexpr int kH = TestPaintManager::kControlHeight;
constexpr int kSep = TestPaintManager::kSeparator;
const CRect kBorders(kB, kB, kB, kB);

// What a test says of one control: its caption (its length sets the
// width), whether it begins a group and its behaviour flags.
struct Item {
  const char16_t* caption;
  bool group = false;
  DWORD flags = 0;
};

class LayoutTest : public CommandBarsFixture {
 protected:
  CTKControls* Controls() { return m_pBar->GetControls(); }
  CTKControl* At(int i) { return Controls()->GetAt(i); }
  void Fill(const std::vector<Item>& items) {
    for (const Item& item : items) {
      CTKControl* pControl = Controls()->AddByType(TKControlType::Button, 100 + Controls()->GetCount());
      pControl->SetCaption(item.caption);
      pControl->SetBeginGroup(item.group);
      pControl->SetFlags(item.flags);
    }
  }
  CRect Rect(int i) { return At(i)->GetRect(); }

  std::unique_ptr<TestBar> m_pBar;
};

// ---- popups ----

class PopupLayoutTest : public LayoutTest {
 protected:
  PopupLayoutTest() { m_pBar = std::make_unique<TestBar>(TKBarType::Popup, TKBarPosition::Popup); }
  CSize Calc(int nMaxHeight = 0, int nFixedWidth = 0) {
    CClientDC dc(m_pBar.get());
    return Controls()->CalcPopupSize(&dc, nMaxHeight, nFixedWidth, kBorders);
  }
};

TEST_F(PopupLayoutTest, EmptyPopupIsTheSmallestSize) {
  EXPECT_EQ(Calc(), CSize(24 + 2 * kB, 22 + 2 * kB));
  EXPECT_FALSE(m_pBar->IsMultiLine());
}

TEST_F(PopupLayoutTest, ItemsGoDownOneColumnOfTheWidestItemsWidth) {
  // 32 + 7 a character: "Open" 60, "Save As" 81, "Exit" 60.
  Fill({{u"Open"}, {u"Save As"}, {u"Exit", true}});
  const CSize sz = Calc();
  EXPECT_EQ(sz, CSize(81 + 2 * kB, 3 * kH + kSep + 2 * kB));
  const CRect expected[] = {{kB, kB, kB + 81, kB + kH},
                            {kB, kB + kH, kB + 81, kB + 2 * kH},
                            {kB, kB + 2 * kH + kSep, kB + 81, kB + 3 * kH + kSep}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Rect(i), expected[i]);
    EXPECT_EQ(At(i)->GetRowRect(), CRect(kB, kB, kB + 81, kB + 3 * kH + kSep));
    EXPECT_FALSE(At(i)->GetWrap());
  }
  EXPECT_FALSE(m_pBar->IsMultiLine());
}

// A popup taller than the maximum height opens a second column to the
// right; every item of a column takes the column's width, and every row
// rectangle spans the tallest column.
TEST_F(PopupLayoutTest, MaximumHeightOpensColumnsOfEqualWidth) {
  Fill({{u"One"}, {u"Second"}, {u"Third item"}, {u"Four"}, {u"Five", true}});
  // Room for two items: 2 + 44 + 2 = 48; a third would end at 68.
  const CSize sz = Calc(48 + kB);
  const int w1 = 42 + 32;         // "Second"
  const int w2 = 70 + 32;         // "Third item"
  const int w3 = 28 + 32;         // "Five"
  const int x2 = kB + w1;         // no separator: "Third item" starts no group
  const int x3 = x2 + w2 + kSep;  // "Five" begins a group
  const CRect expected[] = {{kB, kB, kB + w1, kB + kH},
                            {kB, kB + kH, kB + w1, kB + 2 * kH},
                            {x2, kB, x2 + w2, kB + kH},
                            {x2, kB + kH, x2 + w2, kB + 2 * kH},
                            {x3, kB, x3 + w3, kB + kH}};
  const bool wraps[] = {false, false, true, false, true};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Rect(i), expected[i]);
    EXPECT_EQ(At(i)->GetWrap(), wraps[i]);
    EXPECT_EQ(At(i)->GetRowRect(), CRect(expected[i].left, kB, expected[i].right, kB + 2 * kH));
  }
  EXPECT_EQ(sz, CSize(x3 + w3 + kB, 2 * kH + 2 * kB));
  EXPECT_TRUE(m_pBar->IsMultiLine());

  // Laid out again without a limit, the popup is one column once more.
  Calc();
  EXPECT_FALSE(m_pBar->IsMultiLine());
  EXPECT_FALSE(At(2)->GetWrap());
  EXPECT_EQ(Rect(4).left, kB);
}

TEST_F(PopupLayoutTest, ForcedColumnFixedWidthAndHiddenItems) {
  Fill({{u"Alpha"}, {u"Beta", false, kTKControlFlagWrapRow}, {u"Gamma"}, {u"Delta"}});
  At(2)->SetVisible(FALSE);
  // A scrolled-out item shows again in a popup.
  At(3)->SetHideFlag(kTKHideScroll, TRUE);
  // The fixed width replaces the last column's width.
  const CSize sz = Calc(0, 100);
  EXPECT_EQ(Rect(0), CRect(kB, kB, kB + 67, kB + kH));
  EXPECT_EQ(Rect(1), CRect(kB + 67, kB, kB + 67 + 96, kB + kH));
  EXPECT_EQ(Rect(3), CRect(kB + 67, kB + kH, kB + 67 + 96, kB + 2 * kH));
  EXPECT_EQ(At(3)->GetHideFlags(), 0u);
  EXPECT_EQ(Rect(2), CRect());
  EXPECT_EQ(sz, CSize(67 + 96 + 2 * kB, 2 * kH + 2 * kB));
  // Out of range, a fixed width counts for nothing.
  EXPECT_EQ(Calc(0, 30000).cx, 67 + 67 + 2 * kB);
}

TEST_F(PopupLayoutTest, AnItemIsAtMostAThirdOfTheWorkAreaWide) {
  CRect rcWork;
  ASSERT_TRUE(::SystemParametersInfo(SPI_GETWORKAREA, 0, &rcWork, 0));
  std::u16string caption(static_cast<size_t>(rcWork.right / 7 + 10), u'x');
  Fill({{caption.c_str()}, {u"Short"}});
  const CSize sz = Calc();
  EXPECT_EQ(Rect(0).Width(), rcWork.right / 3);
  EXPECT_EQ(Rect(1).Width(), rcWork.right / 3);
  EXPECT_EQ(sz.cx, rcWork.right / 3 + 2 * kB);
}

// ---- tool bars ----

class ToolBarLayoutTest : public LayoutTest {
 protected:
  ToolBarLayoutTest() { m_pBar = std::make_unique<TestBar>(TKBarType::Normal, TKBarPosition::Top); }
  CSize Calc(int nLength, DWORD dwMode, int nMinThickness = 0) {
    CClientDC dc(m_pBar.get());
    return Controls()->CalcDynamicSize(&dc, nLength, dwMode, kBorders, nMinThickness);
  }
  // "x" for a control hidden for overflow, "/" before one that wraps, the
  // rectangle otherwise.
  std::string Describe() {
    std::string text;
    for (int i = 0; i < Controls()->GetCount(); ++i) {
      CTKControl* pControl = At(i);
      if (!text.empty()) text += " ";
      if (pControl->GetHideFlags() & kTKHideWrap) {
        text += "x";
        continue;
      }
      const CRect rc = pControl->GetRect();
      if (pControl->GetWrap()) text += "/";
      text += std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
              std::to_string(rc.bottom);
    }
    return text;
  }
};

// Icon buttons are 23 x 22; a group starts 6 further on.
constexpr Item kIcon{u""};
constexpr Item kGroupIcon{u"", true};

TEST_F(ToolBarLayoutTest, PlacesWrapsAndHidesAsTheLengthAndModeSay) {
  constexpr DWORD kDock = LM_HORZ | LM_HORZDOCK | LM_COMMIT;
  const Item kForced{u"", false, kTKControlFlagWrapRow};
  const Item kRight{u"", false, kTKControlFlagRightAlign};
  const Item kStretch{u"", false, kTKControlFlagStretched};
  struct Case {
    const char* name;
    std::vector<Item> items;
    int nLength;
    DWORD dwMode;
    CSize size;
    const char* layout;
  } cases[] = {
      {"fits in one row", {kIcon, kIcon, kIcon}, 200, kDock, {73, 26}, "2,2,25,24 25,2,48,24 48,2,71,24"},
      // 2 + 23 + 23 + 2 = 50 fits, a third button does not: it wraps and
      // the bar takes the whole length.
      {"wraps at two", {kIcon, kIcon, kIcon}, 60, kDock, {60, 48}, "2,2,25,24 25,2,48,24 /2,24,25,46"},
      {"hides at two", {kIcon, kIcon, kIcon}, 60, kDock | kTKLayoutHideWrap, {60, 26}, "2,2,25,24 25,2,48,24 x"},
      // The fourth button overflows; its group began in this row with the
      // third, so the row breaks before the third.
      {"falls back to the group",
       {kIcon, kIcon, kGroupIcon, kIcon},
       94,
       kDock,
       {94, 54},
       "2,2,25,24 25,2,48,24 /2,30,25,52 25,30,48,52"},
      {"forced row", {kIcon, kForced, kIcon}, 200, kDock, {50, 48}, "2,2,25,24 /2,24,25,46 25,24,48,46"},
      {"hidden up to the forced row",
       {kIcon, kIcon, kIcon, kForced, kIcon},
       60,
       kDock | kTKLayoutHideWrap,
       {60, 48},
       "2,2,25,24 25,2,48,24 x /2,24,25,46 25,24,48,46"},
      {"groups start rows",
       {kIcon, kGroupIcon, kIcon},
       200,
       LM_HORZ | LM_COMMIT | kTKLayoutGroups,
       {200, 54},
       "2,2,25,24 /2,30,25,52 25,30,48,52"},
      {"right aligned", {kIcon, kIcon, kRight}, 100, kDock | LM_STRETCH, {100, 26}, "2,2,25,24 25,2,48,24 75,2,98,24"},
      // 55 - 4 - 46 leaves 5 pixels: the first takes 5 / 2, the second the
      // remaining 3.
      {"5 px as 2 and 3", {kStretch, kStretch}, 55, kDock | LM_STRETCH, {55, 26}, "2,2,27,24 27,2,53,24"},
      {"stretched before the right aligned",
       {kStretch, kIcon, kRight},
       100,
       kDock | LM_STRETCH,
       {100, 26},
       "2,2,52,24 52,2,75,24 75,2,98,24"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Controls()->RemoveAll();
    Fill(c.items);
    EXPECT_EQ(Calc(c.nLength, c.dwMode), c.size);
    EXPECT_EQ(Describe(), c.layout);
  }
}

TEST_F(ToolBarLayoutTest, ControlHiddenForOverflowShowsAgainWithRoom) {
  Fill({kIcon, kIcon, kIcon});
  constexpr DWORD kMode = LM_HORZ | LM_HORZDOCK | LM_COMMIT | kTKLayoutHideWrap;
  Calc(60, kMode);
  EXPECT_EQ(At(2)->GetHideFlags(), kTKHideWrap);
  EXPECT_FALSE(m_pBar->IsMultiLine());
  EXPECT_EQ(Calc(100, kMode), CSize(73, 26));
  EXPECT_EQ(At(2)->GetHideFlags(), 0u);
  EXPECT_EQ(Describe(), "2,2,25,24 25,2,48,24 48,2,71,24");
  // A layout that only measures leaves the controls alone.
  Calc(60, kMode & ~LM_COMMIT);
  EXPECT_EQ(At(2)->GetHideFlags(), 0u);
}

TEST_F(ToolBarLayoutTest, EmptyBarAndMinimumThickness) {
  EXPECT_EQ(Calc(200, LM_HORZ | LM_HORZDOCK | LM_COMMIT), CSize(27, 26));
  EXPECT_EQ(Calc(200, LM_HORZ | LM_HORZDOCK | LM_COMMIT, 40), CSize(27, 40));
  EXPECT_EQ(Calc(200, LM_VERTDOCK | LM_COMMIT, 40), CSize(40, 26));
  // Hidden controls leave the bar empty.
  Fill({kIcon});
  At(0)->SetVisible(FALSE);
  EXPECT_EQ(Calc(200, LM_HORZ | LM_HORZDOCK | LM_COMMIT), CSize(27, 26));
  // A single row is centred in a bar thicker than its controls.
  At(0)->SetVisible(TRUE);
  EXPECT_EQ(Calc(200, LM_HORZ | LM_HORZDOCK | LM_COMMIT, 40), CSize(27, 40));
  EXPECT_EQ(Rect(0), CRect(2, 9, 25, 31));
  EXPECT_EQ(At(0)->GetRowRect(), CRect(2, 2, 25, 38));
}

TEST_F(ToolBarLayoutTest, VerticalBarWrapsIntoColumnsToTheLeft) {
  m_pBar->SetPosition(TKBarPosition::Left);
  // On a vertical bar an icon button is 22 wide and 23 high.
  Fill({kIcon, kIcon, kIcon});
  EXPECT_EQ(Calc(60, LM_VERTDOCK | LM_COMMIT), CSize(48, 60));
  EXPECT_EQ(Describe(), "24,2,46,25 24,25,46,48 /2,2,24,25");
  EXPECT_EQ(At(0)->GetRowRect(), CRect(24, 2, 46, 58));
  EXPECT_EQ(At(2)->GetRowRect(), CRect(2, 2, 24, 58));
  EXPECT_TRUE(m_pBar->IsMultiLine());
}

TEST_F(ToolBarLayoutTest, VerticalBarAlignsAndStretchesDownwards) {
  m_pBar->SetPosition(TKBarPosition::Right);
  const Item kRight{u"", false, kTKControlFlagRightAlign};
  const Item kStretch{u"", false, kTKControlFlagStretched};
  constexpr DWORD kMode = LM_VERTDOCK | LM_COMMIT | LM_STRETCH;
  struct Case {
    const char* name;
    std::vector<Item> items;
    int nLength;
    const char* layout;
  } cases[] = {
      {"right aligned to the bottom", {kIcon, kRight}, 100, "2,2,24,25 2,75,24,98"},
      // 55 - 4 - 46 leaves 5 pixels: 2 for the first, 3 for the second.
      {"5 px as 2 and 3", {kStretch, kStretch}, 55, "2,2,24,27 2,27,24,53"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Controls()->RemoveAll();
    Fill(c.items);
    EXPECT_EQ(Calc(c.nLength, kMode), CSize(26, c.nLength));
    EXPECT_EQ(Describe(), c.layout);
  }
}

TEST_F(ToolBarLayoutTest, PreferredWidthReplacesTheLength) {
  Fill({kIcon, kIcon, kIcon});
  m_pBar->SetMRUWidth(60);
  EXPECT_EQ(Calc(500, LM_HORZ | LM_MRUWIDTH | LM_COMMIT), CSize(50, 48));
  EXPECT_EQ(Describe(), "2,2,25,24 25,2,48,24 /2,24,25,46");
}

// ---- smart layout ----

class SmartLayoutTest : public ToolBarLayoutTest {
 protected:
  SmartLayoutTest() {
    m_pBar->ModifyFlags(kTKBarFlagSmartLayout, 0);
    auto* pImages = new CTKImageManager();
    LPBYTE bits = nullptr;
    HBITMAP hBitmap = CTKImageManager::CreateDIB32(nullptr, 32, 32, &bits);
    std::fill(bits, bits + 32 * 32 * 4, BYTE{255});
    CTKImageHandle image(hBitmap);
    EXPECT_TRUE(pImages->SetIcon(image, kLargeIconId, 32, 32, tkImageNormal));
    ::DeleteObject(hBitmap);
    m_pBar->SetImageManager(pImages);
  }
  static constexpr int kLargeIconId = 500;
  // The styles as digits, "x" for a control hidden for overflow.
  std::string Styles() {
    std::string text;
    for (int i = 0; i < Controls()->GetCount(); ++i)
      text += At(i)->GetHideFlags() & kTKHideWrap ? 'x' : static_cast<char>('0' + static_cast<int>(At(i)->GetStyle()));
    return text;
  }
};

// Six buttons of one group with large icons: 38 wide and 66 high when
// large, 45 x 22 with the icon beside the caption (three stack in a
// column), 23 x 22 as icons.
TEST_F(SmartLayoutTest, ShrinkingTurnsLargeButtonsSmallThenIconOnly) {
  Fill({{u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}});
  for (int i = 0; i < 6; ++i) At(i)->SetIconId(kLargeIconId);
  constexpr DWORD kMode = LM_HORZ | LM_HORZDOCK | LM_COMMIT;
  struct Case {
    int nLength;
    DWORD dwMode;
    const char* styles;
    int nWidth;
  } cases[] = {
      {232, kMode, "444444", 232},
      {200, kMode, "444333", 200},  // 3 x 38 + 45 = 159
      {140, kMode, "333333", 140},  // 45 + 45
      {80, kMode, "333222", 80},    // 45 + 23
      {60, kMode, "222222", 60},    // 23 + 23
      {30, kMode, "222222", 50},    // nothing more to shrink
      {30, kMode | kTKLayoutHideWrap, "222xxx", 30},
      {232, kMode, "444444", 232},  // and back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nLength);
    const CSize sz = Calc(c.nLength, c.dwMode);
    EXPECT_EQ(Styles(), c.styles);
    EXPECT_EQ(sz, CSize(c.nWidth, 66 + 2 * kB));
  }
  m_pBar->OnIdleUpdate();
  ASSERT_FALSE(m_pBar->IsLayoutDirty());
  Calc(200, kMode);
  EXPECT_EQ(Describe(), "2,2,40,68 40,2,78,68 78,2,116,68 116,2,161,24 116,24,161,46 116,46,161,68");
  // Nothing the layout chose marks the bar for another layout.
  EXPECT_FALSE(m_pBar->IsLayoutDirty());
}

// Docked at a side the columns run across and the bar shrinks downwards:
// the same steps with width and height swapped.
TEST_F(SmartLayoutTest, VerticalBarShrinksDownwards) {
  m_pBar->SetPosition(TKBarPosition::Left);
  Fill({{u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}, {u"Abc"}});
  for (int i = 0; i < 6; ++i) At(i)->SetIconId(kLargeIconId);
  constexpr DWORD kMode = LM_VERTDOCK | LM_COMMIT;
  EXPECT_EQ(Calc(200, kMode), CSize(66 + 2 * kB, 200));
  EXPECT_EQ(Styles(), "444333");
  EXPECT_EQ(Describe(), "2,2,68,40 2,40,68,78 2,78,68,116 2,116,24,161 24,116,46,161 46,116,68,161");
  EXPECT_EQ(Calc(80, kMode), CSize(66 + 2 * kB, 80));
  EXPECT_EQ(Styles(), "333222");
}

TEST_F(SmartLayoutTest, GroupsStartColumnsAndSmallIconsStaySmall) {
  // No large image: small from the start; a group begins 6 further on.
  Fill({{u"Abc"}, {u"Abc"}, {u"Abc", true}});
  At(0)->SetIconId(kLargeIconId);
  EXPECT_EQ(Calc(500, LM_HORZ | LM_HORZDOCK | LM_COMMIT), CSize(138, 70));
  EXPECT_EQ(Styles(), "433");
  EXPECT_EQ(Describe(), "2,2,40,68 40,2,85,24 91,2,136,24");
}

// ---- the searches for a floating shape ----

// Random bars: for a floating bar the searches must find the shape a scan
// of every wrap length finds, docked at that length.
class LayoutSearchTest : public ToolBarLayoutTest {
 protected:
  // The rectangles, as the tool-bar tests describe them.
  std::string Rects() { return Describe(); }
  int Rows() {
    int nRows = 1;
    for (int i = 0; i < Controls()->GetCount(); ++i) nRows += At(i)->GetWrap() ? 1 : 0;
    return nRows;
  }
  // The controls docked in rows of the wrap length (borders aside); with
  // groups in rows of their own the length is the wrap length itself.
  CSize Docked(int nWrap, DWORD dwExtra = 0) {
    const int nLength = (dwExtra & kTKLayoutGroups) ? nWrap : nWrap + 2 * kB;
    const CSize sz = Calc(nLength, LM_HORZ | LM_HORZDOCK | LM_COMMIT | dwExtra);
    int nRight = 0;
    for (int i = 0; i < Controls()->GetCount(); ++i) nRight = std::max(nRight, static_cast<int>(Rect(i).right));
    return CSize(nRight - kB, sz.cy - 2 * kB);
  }
  void FillRandom(std::mt19937& random) {
    Controls()->RemoveAll();
    const int n = std::uniform_int_distribution<int>(2, 10)(random);
    for (int i = 0; i < n; ++i) {
      CTKControl* pControl = Controls()->AddByType(TKControlType::Button, 100 + i);
      pControl->SetWidth(std::uniform_int_distribution<int>(23, 60)(random));
      pControl->SetHeight(std::uniform_int_distribution<int>(0, 3)(random) == 0 ? 30 : 22);
      pControl->SetBeginGroup(std::uniform_int_distribution<int>(0, 3)(random) == 0);
    }
  }
  int TotalWidth() {
    int nTotal = 0;
    for (int i = 0; i < Controls()->GetCount(); ++i) nTotal += At(i)->GetWidth() + kSep;
    return nTotal;
  }
};

TEST_F(LayoutSearchTest, FloatingShapesEqualALinearScanOfEveryWidth) {
  std::mt19937 random(20261211);
  for (int nBar = 0; nBar < 100; ++nBar) {
    FillRandom(random);
    const int nTotal = TotalWidth();
    SCOPED_TRACE("bar " + std::to_string(nBar));

    // A width: the narrowest shape with as few rows as the width gives.
    const int nWidth = std::uniform_int_distribution<int>(30, nTotal)(random);
    Docked(nWidth);
    const int nRows = Rows();
    int nScan = 0;
    while (Docked(nScan), Rows() != nRows) ++nScan;
    const std::string expectedWidth = Rects();
    Calc(nWidth + 2 * kB, LM_HORZ | LM_COMMIT);
    EXPECT_EQ(Rects(), expectedWidth) << "width " << nWidth << ", scan " << nScan;

    // A height: the narrowest shape no taller than it.
    const int nHeight = std::uniform_int_distribution<int>(22, 6 * 30)(random);
    nScan = 0;
    while (nScan < nTotal && Docked(nScan).cy > nHeight) ++nScan;
    Docked(nScan);
    const std::string expectedHeight = Rects();
    Calc(nHeight + 2 * kB, LM_LENGTHY | LM_COMMIT);
    EXPECT_EQ(Rects(), expectedHeight) << "height " << nHeight << ", scan " << nScan;

    // Groups in rows of their own, made square when a row for every
    // control is over three times as tall as wide: the narrowest shape no
    // taller than wide.
    int nWidest = 0;
    int nColumn = 0;
    for (int i = 0; i < Controls()->GetCount(); ++i) {
      nWidest = std::max(nWidest, At(i)->GetWidth());
      nColumn += At(i)->GetHeight() + (i > 0 && At(i)->GetBeginGroup() ? kSep : 0);
    }
    // No shape is narrower than the widest control: the scan starts there.
    nScan = 1;
    if (nWidest * 3 < nColumn) {
      nScan = nWidest;
      while (nScan < nTotal && Docked(nScan, kTKLayoutGroups).cy > Docked(nScan, kTKLayoutGroups).cx) ++nScan;
    }
    Docked(nScan, kTKLayoutGroups);
    const std::string expectedSquare = Rects();
    Calc(0, LM_HORZ | LM_COMMIT | kTKLayoutGroups);
    EXPECT_EQ(Rects(), expectedSquare) << "square, scan " << nScan;
  }
}

// Where no shape fits, or every length gives the same shape, the searches
// end all the same.
TEST_F(LayoutSearchTest, SearchesEndWhereNothingFits) {
  Fill({kIcon, kIcon, kIcon});
  struct Case {
    const char* name;
    int nLength;
    DWORD dwMode;
    const char* layout;
  } cases[] = {
      {"lower than any control: one row", 10, LM_LENGTHY | LM_COMMIT, "2,2,25,24 25,2,48,24 48,2,71,24"},
      {"exactly one row high", 22 + 2 * kB, LM_LENGTHY | LM_COMMIT, "2,2,25,24 25,2,48,24 48,2,71,24"},
      {"two rows high", 44 + 2 * kB, LM_LENGTHY | LM_COMMIT, "2,2,25,24 25,2,48,24 /2,24,25,46"},
      {"narrower than any control", 1 + 2 * kB, LM_HORZ | LM_COMMIT, "2,2,25,24 /2,24,25,46 /2,46,25,68"},
      {"no length", 0, LM_HORZ | LM_COMMIT, "2,2,25,24 /2,24,25,46 /2,46,25,68"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Calc(c.nLength, c.dwMode);
    EXPECT_EQ(Describe(), c.layout);
  }
  // One control in rows of its own is as square as it gets.
  Controls()->RemoveAll();
  Fill({kIcon});
  EXPECT_EQ(Calc(0, LM_HORZ | LM_COMMIT | kTKLayoutGroups), CSize(27, 26));
}

}  // namespace
