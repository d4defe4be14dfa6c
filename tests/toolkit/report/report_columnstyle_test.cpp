// The column styles as a user sees them: a real control painted by the
// window manager in each style, its header, footer and group-by box checked
// by their pixels (fill, dividers, sort arrow, caption, pressed and hot
// columns); and the factory of the styles by id and by stored number.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/base/clock.h"
#include "report_control_test_support.h"
#include "report_paint_test_support.h"
#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/report/reportcolumnstyleexplorer.h"
#include "toolkit/report/reportcolumnstyleflat.h"
#include "toolkit/report/reportcolumnstyleoffice2003.h"
#include "toolkit/report/reportcolumnstyleresource.h"
#include "toolkit/report/reportcolumnstyleshaded.h"

namespace {

// The 3D colours the styles draw with, set as the application would, so
// that every one is told apart from the others and from the text.
constexpr COLORREF kFace = RGB(200, 200, 190);
constexpr COLORREF kShadow = RGB(90, 100, 110);
constexpr COLORREF kLight = RGB(250, 240, 230);
constexpr COLORREF kEdge = RGB(20, 30, 40);  // dark edge and caption text
constexpr COLORREF kBack = RGB(255, 255, 255);

// The theme-image style's own colours without a package or a base colour.
constexpr COLORREF kImageLight = RGB(252, 253, 255);
constexpr COLORREF kImageDark = RGB(196, 221, 255);
constexpr COLORREF kImageShadow = RGB(101, 147, 207);
constexpr COLORREF kImageSeparator = RGB(154, 198, 255);
constexpr COLORREF kImageGroupBox = RGB(227, 239, 255);

COLORREF Sys(int index) { return GetColorManager()->GetColor(index); }

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class ColumnStyleTest : public ReportControlTest {
 protected:
  void SetUp() override {
    tk_test::FakeUxTheme::Remove();
    ReportControlTest::SetUp();
  }
  void TearDown() override {
    ReportControlTest::TearDown();
    tk_test::FakeUxTheme::Remove();
    RefreshColorManager();
  }
  // Two columns of 150, the first sorted, in the style.
  void MakeStyled(TKReportColumnStyle style) {
    Make(300, 200, {150, 150}, 3, 0);
    control->GetColumns()->GetSortOrder()->Add(Col(0));
    Style(style);
  }
  // The 3D colours above and the style, painted.
  void Style(TKReportColumnStyle style) { Style(TKReportColumnStyleNumber(style)); }
  void Style(int style) {
    CTKReportPaintManager* pm = control->GetPaintManager();
    pm->m_clrBtnFace.SetCustomValue(kFace);
    pm->m_clrControlDark.SetCustomValue(kShadow);
    pm->m_clrControlLightLight.SetCustomValue(kLight);
    pm->m_clrBtnText.SetCustomValue(kEdge);
    pm->m_clrControlBack.SetCustomValue(kBack);
    pm->SetColumnStyle(style);  // refreshes the derived colours
    control->AdjustLayout();
    Paint();
  }
  COLORREF At(int x, int y) { return WindowAt(control->m_hWnd, x, y); }
  COLORREF At(CPoint pt) { return At(pt.x, pt.y); }
  template <class Pred>
  int Count(const CRect& rc, Pred pred) {
    return CountWindowPixels(control->m_hWnd, rc, pred);
  }
  int CountColor(const CRect& rc, COLORREF color) {
    return Count(rc, [color](COLORREF c) { return c == color; });
  }
  CRect ColumnRect(int i) { return CRect(Col(i)->m_rcColumn); }
  // Inside the column's edges and bottom lines: caption and sort arrow.
  CRect Inside(int i) {
    CRect rc = ColumnRect(i);
    return CRect(rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 4);
  }
  // The first row with caption ink in the column.
  int FirstInkRow(int i) {
    const CRect rc = Inside(i);
    for (int y = rc.top; y < rc.bottom; y++)
      if (Count(CRect(rc.left, y, rc.left + 60, y + 1), IsBlackInk) > 0) return y;
    return -1;
  }
  CPoint ScreenPoint(CPoint client) {
    ::ClientToScreen(control->m_hWnd, &client);
    return client;
  }
  pv::FakeClockScope clock;
};

// Header fill, edges and dividers of an unsorted column, the sort arrow of
// the sorted one and where the caption sits, for every style.
TEST_F(ColumnStyleTest, HeaderOfEachStyle) {
  struct Pixel {
    int dx, dy;  // from the column's left (or right when negative) and top (or bottom when negative)
    COLORREF color;
  };
  struct Case {
    TKReportColumnStyle style;
    bool triangle;  // a filled sort triangle in the separator colour, else highlight and shadow lines
    std::vector<Pixel> pixels;
  };
  const COLORREF cmShadow = Sys(30), cmSeparator = Sys(39);
  const COLORREF office2003Light = CTKColorManager::MixColors(Sys(COLOR_BTNFACE), Sys(COLOR_WINDOW), 205);
  const Case cases[] = {
      // Flat face with three shaded bottom lines, a shadow divider and a
      // highlight at the left.
      {TKReportColumnStyle::Shaded,
       false,
       {{70, 1, kFace},
        {-1, 10, kShadow},
        {0, 10, kLight},
        {70, -3, CTKReportPaintManager::BlendColor(kFace, kShadow, 0.25)},
        {70, -2, CTKReportPaintManager::BlendColor(kFace, kShadow, 0.4)},
        {70, -1, CTKReportPaintManager::BlendColor(kFace, kShadow, 0.6)}}},
      // A simple 3D button.
      {TKReportColumnStyle::Flat,
       false,
       {{70, 0, kLight}, {0, 10, kLight}, {-1, 10, kShadow}, {70, -1, kShadow}, {70, 1, kFace}}},
      // Without visual styles: two-level 3D buttons.
      {TKReportColumnStyle::Explorer,
       true,
       {{70, 0, kLight}, {-1, 10, kEdge}, {70, -1, kEdge}, {70, 1, kFace}, {-2, 10, kShadow}, {70, -2, kShadow}}},
      // Colour-manager gradients: the shadow line, the separator and the
      // highlight at the left.
      {TKReportColumnStyle::Office2003, false, {{70, -1, cmShadow}, {-1, 10, cmSeparator}, {0, 10, kLight}}},
      // The theme-image colours.
      {TKReportColumnStyle::Resource, true, {{70, -1, kImageShadow}, {-1, 10, kImageSeparator}}},
  };
  ASSERT_FALSE(GetResourceImages()->IsLoaded());
  std::vector<int> inkRows;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    MakeStyled(c.style);
    const CRect rc = ColumnRect(1);
    ASSERT_GT(rc.Width(), 100);
    for (const Pixel& p : c.pixels) {
      const int x = p.dx >= 0 ? rc.left + p.dx : rc.right + p.dx;
      const int y = p.dy >= 0 ? rc.top + p.dy : rc.bottom + p.dy;
      EXPECT_EQ(At(x, y), p.color) << "at " << p.dx << "," << p.dy;
    }
    // The gradients run from their light colour at the top to the dark one.
    if (c.style == TKReportColumnStyle::Office2003) {
      EXPECT_TRUE(Near(At(rc.left + 70, rc.top + 1), office2003Light, 6));
      EXPECT_TRUE(Near(At(rc.left + 70, rc.bottom - 2), Sys(COLOR_BTNFACE), 6));
    }
    if (c.style == TKReportColumnStyle::Resource) {
      EXPECT_TRUE(Near(At(rc.left + 70, rc.top + 1), kImageLight, 6));
      EXPECT_TRUE(Near(At(rc.left + 70, rc.bottom - 2), kImageDark, 6));
      EXPECT_NE(At(rc.left, rc.top + 10), kLight);
    }
    // The sort arrow: only in the sorted column.
    const COLORREF separator = control->GetPaintManager()->m_clrGradientColumnSeparator;
    if (c.triangle) {
      EXPECT_GE(CountColor(Inside(0), separator), 20);
      EXPECT_EQ(CountColor(Inside(1), separator), 0);
    } else {
      EXPECT_GE(CountColor(Inside(0), kLight), 6);
      EXPECT_GE(CountColor(Inside(0), kShadow), 10);
      EXPECT_EQ(CountColor(Inside(1), kLight) + CountColor(Inside(1), kShadow), 0);
    }
    // The caption.
    EXPECT_GT(Count(Inside(1), IsBlackInk), 20);
    inkRows.push_back(FirstInkRow(1));
    delete control;
    control = nullptr;
  }
  // The shaded style keeps 4 pixels under its caption: centred, 2 higher.
  ASSERT_EQ(inkRows.size(), 5u);
  for (std::size_t i = 1; i < inkRows.size(); i++) EXPECT_EQ(inkRows[i] - inkRows[0], 2) << i;
}

// With the "HEADER" visual style the theme draws the visual-style columns:
// no classic frame, and hot tracking follows.
TEST_F(ColumnStyleTest, VisualStyleHeaderReplacesTheClassicButtons) {
  tk_test::FakeUxThemeState state;
  state.classes = {u"HEADER", u"BUTTON"};
  tk_test::FakeUxTheme::Install(state);
  MakeStyled(TKReportColumnStyle::Explorer);
  const CRect rc = ColumnRect(1);
  EXPECT_EQ(At(rc.left + 70, rc.top), kFace);
  EXPECT_EQ(At(rc.right - 1, rc.top + 10), kFace);
  EXPECT_TRUE(control->GetPaintManager()->IsColumnHotTrackingEnabled());
}

// Hot tracking by style, and the hot gradient where the mouse rests.
TEST_F(ColumnStyleTest, HotTrackingByStyle) {
  struct Case {
    TKReportColumnStyle style;
    BOOL hot;
  };
  for (Case c : {Case{TKReportColumnStyle::Shaded, FALSE}, Case{TKReportColumnStyle::Flat, FALSE},
                 Case{TKReportColumnStyle::Explorer, FALSE}, Case{TKReportColumnStyle::Office2003, TRUE},
                 Case{TKReportColumnStyle::Resource, FALSE}}) {
    SCOPED_TRACE(static_cast<int>(c.style));
    MakeStyled(c.style);
    EXPECT_EQ(control->GetPaintManager()->IsColumnHotTrackingEnabled(), c.hot);
    const CRect rc = ColumnRect(1);
    const CPoint pt = ScreenPoint(CPoint(rc.left + 70, rc.top + 5));
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    Paint();
    if (c.style == TKReportColumnStyle::Office2003) {
      EXPECT_EQ(At(rc.left + 70, rc.top + 1), Sys(31));
    } else if (c.style == TKReportColumnStyle::Resource) {
      EXPECT_TRUE(Near(At(rc.left + 70, rc.top + 1), kImageLight, 6));
    }
    delete control;
    control = nullptr;
  }
}

// A pressed column: inverted in the shaded and raised styles, shown by its
// own face in the others.
TEST_F(ColumnStyleTest, PressedColumnByStyle) {
  const COLORREF inverted = RGB(255 - GetRValue(kFace), 255 - GetGValue(kFace), 255 - GetBValue(kFace));
  struct Case {
    TKReportColumnStyle style;
    COLORREF fill;  // at (70, 1)
    COLORREF edge;  // at the top edge
  };
  const Case cases[] = {
      {TKReportColumnStyle::Shaded, inverted, inverted},
      {TKReportColumnStyle::Flat, inverted,
       RGB(255 - GetRValue(kLight), 255 - GetGValue(kLight), 255 - GetBValue(kLight))},
      {TKReportColumnStyle::Explorer, kFace, kShadow},
      {TKReportColumnStyle::Office2003, Sys(33), Sys(33)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    MakeStyled(c.style);
    const CRect rc = ColumnRect(1);
    const CPoint pt = ScreenPoint(CPoint(rc.left + 70, rc.top + 5));
    pv::test::MouseDown(pv::test::Button::Left, pt.x, pt.y);
    pv::test::PumpUntilIdle();
    Paint();
    EXPECT_EQ(At(rc.left + 70, rc.top + 1), c.fill);
    EXPECT_EQ(At(rc.left + 70, rc.top), c.edge);
    pv::test::MouseUp(pv::test::Button::Left, pt.x, pt.y);
    pv::test::PumpUntilIdle();
    delete control;
    control = nullptr;
  }
  // The theme-image style presses with its reversed gradient: dark at the top.
  MakeStyled(TKReportColumnStyle::Resource);
  const CRect rc = ColumnRect(1);
  const CPoint pt = ScreenPoint(CPoint(rc.left + 70, rc.top + 5));
  pv::test::MouseDown(pv::test::Button::Left, pt.x, pt.y);
  pv::test::PumpUntilIdle();
  Paint();
  EXPECT_TRUE(Near(At(rc.left + 70, rc.top + 1), kImageDark, 6));
  pv::test::MouseUp(pv::test::Button::Left, pt.x, pt.y);
  pv::test::PumpUntilIdle();
}

// The footer's top lines, bottom line and column dividers by style.
TEST_F(ColumnStyleTest, FooterOfEachStyle) {
  struct Case {
    TKReportColumnStyle style;
    COLORREF top, shadow, divider;
  };
  const Case cases[] = {
      {TKReportColumnStyle::Shaded, kBack, kShadow, kShadow},
      {TKReportColumnStyle::Flat, kBack, kShadow, kShadow},
      {TKReportColumnStyle::Explorer, kBack, kShadow, kShadow},
      {TKReportColumnStyle::Office2003, kBack, Sys(30), Sys(39)},
      {TKReportColumnStyle::Resource, kImageGroupBox, kImageShadow, kImageSeparator},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    Make(300, 200, {150, 150}, 3, 0);
    control->ShowFooter(TRUE);
    Style(c.style);
    const CRect footer = control->GetElementRect(3);
    ASSERT_GT(footer.Height(), 10);
    const int x = ColumnRect(1).left + 70;
    EXPECT_EQ(At(x, footer.top), c.top);
    EXPECT_EQ(At(x, footer.top + 1), c.shadow);
    EXPECT_EQ(At(x, footer.bottom - 1), c.shadow);
    EXPECT_EQ(At(ColumnRect(0).right - 1, footer.top + footer.Height() / 2), c.divider);
    EXPECT_EQ(At(ColumnRect(0).right, footer.top + footer.Height() / 2), kLight);
    const bool gradient = c.style == TKReportColumnStyle::Office2003 || c.style == TKReportColumnStyle::Resource;
    EXPECT_EQ(At(x, footer.top + footer.Height() / 2) == kFace, !gradient);
    delete control;
    control = nullptr;
  }
}

// The group-by box: the hint's box takes the header face except in the
// theme-image style; a grouped column is drawn as a box.
TEST_F(ColumnStyleTest, GroupByBoxOfEachStyle) {
  for (TKReportColumnStyle style :
       {TKReportColumnStyle::Shaded, TKReportColumnStyle::Flat, TKReportColumnStyle::Explorer,
        TKReportColumnStyle::Office2003, TKReportColumnStyle::Resource}) {
    SCOPED_TRACE(static_cast<int>(style));
    const bool image = style == TKReportColumnStyle::Resource;
    Make(300, 200, {150, 150}, 3, 0);
    control->ShowGroupBy(TRUE);
    Style(style);
    const CRect box = control->GetElementRect(1);
    ASSERT_GT(box.Height(), 10);
    EXPECT_EQ(CountColor(box, kFace) > 100, !image);
    EXPECT_GT(Count(box, IsBlackInk) + CountColor(box, kShadow), 0);

    control->GetColumns()->GetGroupsOrder()->Add(Col(0));
    control->RebuildRows();
    control->AdjustLayout();
    Paint();
    const CRect column(Col(0)->m_rcGroupBy);
    ASSERT_GT(column.Width(), 10);
    if (image) {
      EXPECT_EQ(At(column.left, column.top + 5), kImageShadow);
      EXPECT_EQ(At(column.left + 5, column.top), kImageShadow);
      EXPECT_TRUE(Near(At(column.left + 5, column.top + 1), kImageLight, 6));
    } else {
      EXPECT_EQ(At(column.left, column.top + 5), kLight);
      EXPECT_EQ(At(column.left + 5, column.top), kLight);
      EXPECT_EQ(At(column.right - 1, column.top + 5), kShadow);
    }
    delete control;
    control = nullptr;
  }
}

// The band divider between sections looks like the header of the style.
// (The sections lay their dividers out; the band is drawn on its own here.)
TEST_F(ColumnStyleTest, SectionBandOfEachStyle) {
  struct Case {
    TKReportColumnStyle style;
    COLORREF top, middle, bottom;
  };
  const Case cases[] = {
      {TKReportColumnStyle::Shaded, kFace, kFace, CTKReportPaintManager::BlendColor(kFace, kShadow, 0.6)},
      {TKReportColumnStyle::Flat, kLight, kFace, kShadow},
      {TKReportColumnStyle::Explorer, kLight, kFace, kEdge},
      {TKReportColumnStyle::Office2003, CTKColorManager::MixColors(Sys(COLOR_BTNFACE), Sys(COLOR_WINDOW), 205),
       static_cast<COLORREF>(-1), Sys(30)},
      {TKReportColumnStyle::Resource, RGB(255, 255, 255),
       CTKReportPaintManager::BlendColor(kImageLight, kImageDark, 0.4), kImageSeparator},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    MakeStyled(c.style);
    PaintCanvas canvas(40, 12, RGB(1, 2, 3));
    control->GetPaintManager()->DrawSectionDivider(canvas.DC(), CRect(0, 2, 40, 10), 1, 8, RGB(9, 9, 9));
    EXPECT_EQ(canvas.At(20, 2), c.top);
    if (c.middle != static_cast<COLORREF>(-1)) {
      EXPECT_EQ(canvas.At(20, 6), c.middle);
    }
    EXPECT_EQ(canvas.At(20, 9), c.bottom);
    EXPECT_EQ(canvas.At(20, 1), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(20, 10), RGB(1, 2, 3));
    delete control;
    control = nullptr;
  }
}

// Every stored number of a style makes that style's class; other numbers
// have no style.
TEST(ColumnStyleFactoryTest, EachNumberMakesItsStyleAndOthersNone) {
  struct Case {
    int number;
    TKReportColumnStyle style;
    bool (*isClass)(CTKReportColumnStyle*);
  };
  const Case cases[] = {
      {0, TKReportColumnStyle::Shaded,
       [](CTKReportColumnStyle* p) { return !!dynamic_cast<CTKReportColumnStyleShaded*>(p); }},
      {1, TKReportColumnStyle::Flat,
       [](CTKReportColumnStyle* p) { return !!dynamic_cast<CTKReportColumnStyleFlat*>(p); }},
      {2, TKReportColumnStyle::Explorer,
       [](CTKReportColumnStyle* p) { return !!dynamic_cast<CTKReportColumnStyleExplorer*>(p); }},
      {3, TKReportColumnStyle::Office2003,
       [](CTKReportColumnStyle* p) { return !!dynamic_cast<CTKReportColumnStyleOffice2003*>(p); }},
      {4, TKReportColumnStyle::Resource,
       [](CTKReportColumnStyle* p) { return !!dynamic_cast<CTKReportColumnStyleResource*>(p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    ASSERT_EQ(TKReportColumnStyleFromNumber(c.number), c.style);
    EXPECT_EQ(TKReportColumnStyleNumber(c.style), c.number);
    const std::unique_ptr<CTKReportColumnStyle> made = TKCreateReportColumnStyle(c.style);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->GetStyle(), c.style);
    EXPECT_TRUE(c.isClass(made.get()));
  }
  for (int number : {-1, 5, 6, 100, INT_MIN, INT_MAX}) EXPECT_FALSE(TKReportColumnStyleFromNumber(number)) << number;
}

// A stored number no style has is kept as it was set and draws the raised
// buttons (and no section band).
TEST_F(ColumnStyleTest, UnknownNumberDrawsTheRaisedStyle) {
  for (int number : {-1, 5, INT_MAX}) {
    SCOPED_TRACE(number);
    Make(300, 200, {150, 150}, 3, 0);
    control->ShowFooter(TRUE);
    Style(number);
    EXPECT_EQ(control->GetPaintManager()->GetColumnStyle(), number);
    const CRect rc = ColumnRect(1);
    EXPECT_EQ(At(rc.left + 70, rc.top), kLight);
    EXPECT_EQ(At(rc.left, rc.top + 10), kLight);
    EXPECT_EQ(At(rc.right - 1, rc.top + 10), kShadow);
    EXPECT_EQ(At(rc.left + 70, rc.bottom - 1), kShadow);
    EXPECT_FALSE(control->GetPaintManager()->IsColumnHotTrackingEnabled());
    const CRect footer = control->GetElementRect(3);
    EXPECT_EQ(At(rc.left + 70, footer.top + footer.Height() / 2), kFace);
    PaintCanvas canvas(40, 12, RGB(1, 2, 3));
    control->GetPaintManager()->DrawSectionDivider(canvas.DC(), CRect(0, 2, 40, 10), 1, 8, RGB(9, 9, 9));
    EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(1, 2, 3)), 40 * 12);
    // A known number again makes that style.
    Style(TKReportColumnStyle::Office2003);
    EXPECT_TRUE(control->GetPaintManager()->IsColumnHotTrackingEnabled());
    delete control;
    control = nullptr;
  }
}

// Check boxes in the visual-style column style come from the "BUTTON"
// visual style when it is on (drawn by the theme, not the glyph strip);
// the other styles, and that style without it, draw the strip's glyph.
TEST_F(ColumnStyleTest, CheckBoxesOfTheVisualStyle) {
  struct Case {
    TKReportColumnStyle style;
    bool buttonTheme;
    bool stripGlyph;
  };
  for (Case c : {Case{TKReportColumnStyle::Explorer, true, false}, Case{TKReportColumnStyle::Explorer, false, true},
                 Case{TKReportColumnStyle::Flat, true, true}}) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.style) << " theme " << c.buttonTheme);
    tk_test::FakeUxTheme::Remove();
    if (c.buttonTheme) {
      tk_test::FakeUxThemeState state;
      state.classes = {u"BUTTON"};
      tk_test::FakeUxTheme::Install(state);
    }
    Make(300, 200, {150, 150}, 0, 0);
    auto* item = new CTKReportRecordItemText(u"");
    item->SetHasCheckbox(TRUE);
    item->SetChecked(TRUE);
    auto* record = new CTKReportRecord();
    record->AddItem(item);
    record->AddItem(new CTKReportRecordItemText(u""));
    control->AddRecord(record);
    control->RebuildRows();
    Style(c.style);
    const CRect box = item->GetCheckboxRect();
    ASSERT_FALSE(box.IsRectEmpty());
    EXPECT_EQ(Count(box, IsBlackInk) > 0, c.stripGlyph);
    delete control;
    control = nullptr;
  }
}

}  // namespace
