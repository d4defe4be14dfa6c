// Where the layout engine puts a bar's controls: popups in columns, tool
// bars docked and floating in rows or columns, the searches for a floating
// shape, alignment and stretching, and the smart layout of large buttons.
// Sizes come from the fixed-size test look: a popup item is its caption
// (7 px a character) plus 32 wide, every control 22 high, separators 6,
// borders 2.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/afxgdi.h"
#include "tests/toolkit/commandbars/cbtest_support.h"

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

}  // namespace
