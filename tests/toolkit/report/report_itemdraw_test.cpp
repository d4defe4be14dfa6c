// The report grid's cells as a user sees them: a real control in a host
// window, painted by the window manager, each kind of item checked by the
// pixels in its cell; the rectangles the mouse tests (check box, hyperlink
// hot-spots, in-cell buttons, the expand glyph) come from that painting
// alone, and scripted clicks at the painted places act.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "report_paint_test_support.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

namespace {

constexpr COLORREF kStripe = RGB(255, 200, 0);
constexpr COLORREF kBar = RGB(0, 160, 0);

bool IsDark(COLORREF c) { return GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110; }
bool IsBlue(COLORREF c) { return GetBValue(c) > 160 && GetRValue(c) < 110 && GetGValue(c) < 110; }

// The owner: records the notifications and answers -61 with a stripe on
// odd rows while asked to.
class Owner : public CWnd {
 public:
  std::vector<int> codes;
  int linkIndex = -1;
  BOOL stripes = FALSE;
  int metricsAsked = 0;

  int Count(int code) const {
    int n = 0;
    for (int c : codes) n += c == code;
    return n;
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    const int code = static_cast<int>(hdr->code);
    if (code == TK_NM_REPORT_GETITEMMETRICS) {
      ++metricsAsked;
      auto* nm = reinterpret_cast<TK_NM_REPORTITEMMETRICS*>(lParam);
      if (stripes && nm->pDrawArgs->pRow && nm->pDrawArgs->pRow->GetIndex() % 2 == 1)
        nm->pItemMetrics->clrBackground = kStripe;
      return 0;
    }
    if (code == TK_NM_REPORT_HYPERLINK) linkIndex = reinterpret_cast<ReportItemNotify*>(lParam)->nHyperlink;
    codes.push_back(code);
    return 0;
  }
};

class ItemDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), u"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 560,
                               nullptr, nullptr));
    control = new CTKReportControl();
    ASSERT_TRUE(control->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(0, 0, 640, 500), &owner, 100));
    control->AddColumn(new CTKReportColumn(0, u"Value", 200, FALSE));
    control->AddColumn(new CTKReportColumn(1, u"Other", 200, FALSE));
  }
  void TearDown() override {
    delete control;
    control = nullptr;
    owner.DestroyWindow();
    pvtest::ResetDesktop();
  }
  // A record whose first item is `item` and whose second is plain text.
  CTKReportRecord* Add(CTKReportRecordItem* item, CTKReportRecord* parent = nullptr) {
    auto* record = new CTKReportRecord();
    record->AddItem(item);
    record->AddItem(new CTKReportRecordItemText(u"x"));
    if (parent) parent->GetChilds()->Add(record);
    else control->AddRecord(record);
    return record;
  }
  void Paint() {
    control->RebuildRows();
    control->GetSelectedRows()->Clear();  // the first row starts selected
    control->AdjustLayout();
    control->AdjustScrollBars();
    control->RedrawControl();
    control->UpdateWindow();
    pv::test::PumpUntilIdle();
  }
  void Repaint() {
    control->RedrawControl();
    control->UpdateWindow();
    pv::test::PumpUntilIdle();
  }
  CTKReportRow* Row(int i) { return control->GetRows()->GetAt(i); }
  // The whole cell of column `col` in row `row` (tree indentation included).
  CRect Cell(int row, int col) {
    const CRect rcRow = Row(row)->GetRect();
    const CRect rcColumn = control->GetColumns()->GetAt(col)->m_rcColumn;
    return CRect(rcColumn.left, rcRow.top, rcColumn.right, rcRow.bottom - Row(row)->m_nPreviewHeight);
  }
  COLORREF At(int x, int y) { return WindowAt(control->m_hWnd, x, y); }
  template <class Pred>
  int Count(const CRect& rc, Pred pred) {
    return CountWindowPixels(control->m_hWnd, rc, pred);
  }
  CPoint Screen(CPoint client) {
    ::ClientToScreen(control->m_hWnd, &client);
    return client;
  }
  void ClickAt(CPoint client) {
    const CPoint pt = Screen(client);
    pv::test::Click(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(::GetDoubleClickTime() + 100);
  }

  pv::FakeClockScope clock;
  Owner owner;
  CTKReportControl* control = nullptr;
};

// ---- each kind of item shows itself in its cell -----------------------------------------------

TEST_F(ItemDrawTest, TextNumberAndDateItemsShowTheirCaptionsInTheirCells) {
  struct Case {
    const char* name;
    CTKReportRecordItem* item;
    int alignment;
  };
  auto* number = new CTKReportRecordItemNumber(1234.56);
  number->SetFormatString(u"%.1f");
  auto* date = new CTKReportRecordItemDateTime(COleDateTime(2012, 3, 5, 14, 30, 0));
  date->SetFormatString(u"%Y-%m-%d");
  auto* right = new CTKReportRecordItemText(u"right");
  right->SetAlignment(DT_RIGHT);
  const Case cases[] = {{"text", new CTKReportRecordItemText(u"Hello grid"), DT_LEFT},
                        {"number", number, DT_LEFT},
                        {"date", date, DT_LEFT},
                        {"right-aligned", right, DT_RIGHT},
                        {"empty", new CTKReportRecordItemText(u""), DT_LEFT}};
  for (const Case& c : cases) Add(c.item);
  Paint();
  EXPECT_EQ(number->GetCaption(), CString(u"1234.6"));
  EXPECT_EQ(date->GetCaption(), CString(u"2012-03-05"));
  for (int i = 0; i < static_cast<int>(std::size(cases)); i++) {
    SCOPED_TRACE(cases[i].name);
    const CRect cell = Cell(i, 0);
    CRect left(cell.left, cell.top, cell.left + 40, cell.bottom);
    CRect rightEnd(cell.right - 40, cell.top, cell.right, cell.bottom);
    const int inkLeft = Count(left, IsDark), inkRight = Count(rightEnd, IsDark);
    if (i == 4) {
      EXPECT_EQ(inkLeft + inkRight, 0) << "an empty caption draws nothing";
    } else if (cases[i].alignment == DT_RIGHT) {
      EXPECT_GT(inkRight, 10);
      EXPECT_EQ(inkLeft, 0);
    } else {
      EXPECT_GT(inkLeft, 10);
      EXPECT_EQ(inkRight, 0);
    }
    // Nothing of the caption leaks into the next row.
    EXPECT_EQ(Count(CRect(cell.left, cell.bottom, cell.right, cell.bottom + 1), IsDark), 0);
  }
}

TEST_F(ItemDrawTest, ACaptionTooWideEndsWithAnEllipsisInsideItsCell) {
  Add(new CTKReportRecordItemText(u"A caption far too wide for the two hundred pixels of its own column here"));
  Paint();
  const CRect cell = Cell(0, 0);
  // Ink reaches the cell's right part but stops 2 pixels before its edge.
  EXPECT_GT(Count(CRect(cell.right - 30, cell.top, cell.right - 2, cell.bottom), IsDark), 0);
  EXPECT_EQ(Count(CRect(cell.right - 2, cell.top, cell.right, cell.bottom), IsDark), 0);
}

TEST_F(ItemDrawTest, CheckBoxesShowTheirStateAndAClickOnThePaintedBoxToggles) {
  CTKReportRecordItem* items[3];
  for (int i = 0; i < 3; i++) {
    items[i] = new CTKReportRecordItemText(u"check");
    items[i]->SetHasCheckbox(TRUE);
    Add(items[i]);
  }
  items[1]->SetChecked(TRUE);
  items[2]->SetHasCheckbox(TRUE, TRUE);
  items[2]->SetCheckedState(2);
  Paint();
  int ink[3];
  for (int i = 0; i < 3; i++) {
    const CRect box = items[i]->GetCheckboxRect();
    const CRect cell = Cell(i, 0);
    ASSERT_FALSE(box.IsRectEmpty()) << i;
    EXPECT_TRUE(CRect().IntersectRect(&box, &cell)) << i;
    EXPECT_EQ(box.left, cell.left + 2);
    ink[i] = Count(box, IsDark);
  }
  // The check mark adds dark pixels; the indeterminate glyph differs again.
  EXPECT_GT(ink[1], ink[0]);
  EXPECT_NE(ink[2], ink[1]);
  // The caption starts after the box.
  EXPECT_EQ(Count(CRect(Cell(0, 0).left, Cell(0, 0).top, items[0]->GetCheckboxRect().left, Cell(0, 0).bottom), IsDark),
            0);

  ClickAt(CRect(items[0]->GetCheckboxRect()).CenterPoint());
  EXPECT_TRUE(items[0]->IsChecked());
  EXPECT_EQ(owner.Count(TK_NM_REPORT_CHECKED), 1);
  Repaint();
  EXPECT_GT(Count(items[0]->GetCheckboxRect(), IsDark), ink[0]) << "the mark shows after the click";
  // A click on the caption is no click on the box.
  ClickAt(CPoint(Cell(0, 0).right - 10, Cell(0, 0).CenterPoint().y));
  EXPECT_TRUE(items[0]->IsChecked());
  EXPECT_EQ(owner.Count(TK_NM_REPORT_CHECKED), 1);
}

TEST_F(ItemDrawTest, CentredAndRightCheckBoxesFollowTheColumnAlignment) {
  auto* item = new CTKReportRecordItem();
  item->SetHasCheckbox(TRUE);
  Add(item);
  const struct {
    int alignment;
    int expectedCentre;  // relative to the cell: -1 left, 0 centre, 1 right
  } cases[] = {{0, -1}, {kTKAlignIconCenter, 0}, {kTKAlignIconRight, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alignment);
    control->GetColumns()->GetAt(0)->SetAlignment(c.alignment);
    Paint();
    const CRect box = item->GetCheckboxRect();
    const CRect cell = Cell(0, 0);
    const int mid = box.CenterPoint().x;
    if (c.expectedCentre < 0) EXPECT_LT(mid, cell.left + 20);
    else if (c.expectedCentre == 0) EXPECT_NEAR(mid, cell.CenterPoint().x, 3);
    else EXPECT_GT(mid, cell.right - 20);
    EXPECT_GT(Count(box, IsDark), 0);
  }
}

TEST_F(ItemDrawTest, APercentBarFillsItsShareOfTheCell) {
  const struct {
    double value;
    int alignment;
    int percent;
  } cases[] = {{50, DT_LEFT, 50}, {150, DT_LEFT, 100}, {25, DT_RIGHT, 25}, {0, DT_LEFT, 0}};
  for (const auto& c : cases) {
    auto* item = new CTKReportRecordItemPercentNumber(c.value, kBar, TRUE);
    item->SetAlignment(c.alignment);
    Add(item);
  }
  auto* noBar = new CTKReportRecordItemPercentNumber(50, kBar, FALSE);
  Add(noBar);
  Paint();
  for (int i = 0; i < 4; i++) {
    SCOPED_TRACE(i);
    const CRect cell = Cell(i, 0);
    const int width = (cell.Width() - 4) * cases[i].percent / 100;
    int first = INT_MAX, last = -1;
    for (int x = cell.left; x < cell.right; x++)
      if (At(x, cell.bottom - 4) == kBar) {
        first = std::min(first, x);
        last = x;
      }
    if (width == 0) {
      EXPECT_EQ(last, -1);
      continue;
    }
    ASSERT_GE(last, 0);
    EXPECT_EQ(last - first + 1, width);
    if (cases[i].alignment == DT_RIGHT) EXPECT_EQ(last, cell.right - 3);
    else EXPECT_EQ(first, cell.left + 2);
  }
  // Without the bar: no fill, the caption keeps its percent sign.
  EXPECT_EQ(Count(Cell(4, 0), [](COLORREF c) { return c == kBar; }), 0);
  EXPECT_GT(Count(Cell(4, 0), IsDark), 0);
}

TEST_F(ItemDrawTest, APreviewShowsItsTextUnderTheRowAndGrowsTheRow) {
  control->GetPaintManager()->EnablePreviewMode(TRUE);
  CTKReportRecord* withPreview = Add(new CTKReportRecordItemText(u"head"));
  withPreview->SetPreviewItem(new CTKReportRecordItemPreview(u"The preview text of the row"));
  Add(new CTKReportRecordItemText(u"plain"));
  Paint();
  const int base = CRect(Row(1)->GetRect()).Height();
  const int preview = Row(0)->m_nPreviewHeight;
  ASSERT_GT(preview, 0);
  EXPECT_EQ(CRect(Row(0)->GetRect()).Height(), base + preview);
  // One line of the preview font, the top (0) and bottom (2) indents.
  CClientDC dc(control);
  CFont* old = dc.SelectObject(control->GetPaintManager()->GetPreviewFont());
  const int line = dc.GetTextExtent(u" ", 1).cy;
  dc.SelectObject(old);
  EXPECT_EQ(preview, line + 2);
  // The text, in the preview colour (blue), inside the preview area only.
  const CRect rcRow = Row(0)->GetRect();
  const CRect area(rcRow.left, rcRow.bottom - preview, rcRow.right, rcRow.bottom);
  EXPECT_GT(Count(area, IsBlue), 20);
  EXPECT_EQ(Count(CRect(rcRow.left, rcRow.top, rcRow.right, area.top), IsBlue), 0);
  // Indented by 10 pixels on the left.
  EXPECT_EQ(Count(CRect(area.left, area.top, area.left + 10, area.bottom), IsBlue), 0);
  // An empty preview adds no height.
  withPreview->GetPreviewItem()->SetPreviewText(u"");
  Paint();
  EXPECT_EQ(Row(0)->m_nPreviewHeight, 0);
}

TEST_F(ItemDrawTest, IconsDrawInTheCellAndPushTheCaptionRight) {
  // A 16 x 16 icon of opaque red.
  CWindowDC screen(nullptr);
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(screen.GetSafeHdc(), 16, -16, &bits);
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 16 * 16; i++) {
    bits[i * 4 + 0] = 0;
    bits[i * 4 + 1] = 0;
    bits[i * 4 + 2] = 255;
    bits[i * 4 + 3] = 255;
  }
  const UINT ids[1] = {7};
  ASSERT_TRUE(control->GetImageManager()->SetIconsFromBitmap(bitmap, ids, 1, 16, 16, 0, TRUE));
  ::DeleteObject(bitmap);
  auto* item = new CTKReportRecordItemText(u"with icon");
  item->SetIconIndex(7);
  Add(item);
  auto* iconItem = new CTKReportRecordItemIcon();
  iconItem->SetIconIndex(7);
  Add(iconItem);
  Paint();
  auto isRed = [](COLORREF c) { return c == RGB(255, 0, 0); };
  const CRect cell = Cell(0, 0);
  EXPECT_EQ(Count(CRect(cell.left, cell.top, cell.left + 18, cell.bottom), isRed), 16 * 16);
  EXPECT_EQ(Count(CRect(cell.left, cell.top, cell.left + 18, cell.bottom), IsDark), 0) << "no text under the icon";
  EXPECT_GT(Count(CRect(cell.left + 18, cell.top, cell.left + 60, cell.bottom), IsDark), 10);
  // The icon item centres its icon at the top of its cell.
  const CRect iconCell = Cell(1, 0);
  int first = INT_MAX;
  for (int x = iconCell.left; x < iconCell.right; x++)
    if (isRed(At(x, iconCell.top + 3))) first = std::min(first, x);
  EXPECT_EQ(first, (iconCell.left + iconCell.right - 16) / 2);
  EXPECT_EQ(At(first, iconCell.top), RGB(255, 0, 0));
}

TEST_F(ItemDrawTest, HyperlinksAreDrawnInTheirStyleAndAClickOnOneReportsIt) {
  auto* item = new CTKReportRecordItemText(u"aaa bbb ccc ddd");
  for (int i = 0; i < 3; i++) item->AddHyperlink(new CTKReportHyperlink(i * 4, 3));
  Add(item);
  Paint();
  const CRect cell = Cell(0, 0);
  int previousRight = cell.left;
  for (int i = 0; i < 3; i++) {
    SCOPED_TRACE(i);
    const CRect spot = item->GetHyperlinkAt(i)->m_rcHyperSpot;
    ASSERT_FALSE(spot.IsRectEmpty());
    EXPECT_GE(spot.left, previousRight);
    EXPECT_LE(spot.right, cell.right);
    EXPECT_GE(spot.top, cell.top);
    EXPECT_GT(Count(spot, IsBlue), 5) << "drawn in the link colour";
    previousRight = spot.right;
  }
  // The plain word after the links is in the text colour.
  EXPECT_GT(Count(CRect(previousRight, cell.top, previousRight + 30, cell.bottom), IsDark), 5);
  EXPECT_EQ(Count(CRect(previousRight + 4, cell.top, previousRight + 30, cell.bottom), IsBlue), 0);

  for (int target : {2, 0, 1}) {
    ClickAt(CRect(item->GetHyperlinkAt(target)->m_rcHyperSpot).CenterPoint());
    EXPECT_EQ(owner.linkIndex, target);
  }
  EXPECT_EQ(owner.Count(TK_NM_REPORT_HYPERLINK), 3);
}

TEST_F(ItemDrawTest, HyperlinkRangesNearTheIntLimitDrawNothingAndBreakNothing) {
  const struct {
    int begin, length;
  } cases[] = {{INT_MAX, INT_MAX}, {INT_MAX - 1, 2}, {4, INT_MAX}, {-5, INT_MAX}, {INT_MIN, INT_MAX}};
  for (const auto& c : cases) {
    auto* item = new CTKReportRecordItemText(u"aaa bbb ccc");
    item->AddHyperlink(new CTKReportHyperlink(c.begin, c.length));
    Add(item);
  }
  control->GetPaintManager()->SetFixedRowHeight(FALSE);
  Paint();
  control->GetPaintManager()->SetFixedRowHeight(TRUE);
  Paint();
  for (int i = 0; i < static_cast<int>(std::size(cases)); i++)
    EXPECT_GT(Count(Cell(i, 0), [](COLORREF c) { return IsDark(c) || IsBlue(c); }), 10) << i;
}

TEST_F(ItemDrawTest, InCellButtonsAreLaidOutByTheDrawingAndReportAClick) {
  auto* item = new CTKReportRecordItemText(u"row");
  Add(item);
  CTKReportRecordItemControl* left = item->GetItemControls()->AddControl(1);
  left->SetSize(CSize(35, 0));
  left->SetAlignment(1);
  CTKReportRecordItemControl* right = item->GetItemControls()->AddControl(1);
  right->SetSize(CSize(40, 12));
  right->SetAlignment(2);
  Paint();
  const CRect cell = Cell(0, 0);
  const CRect rcLeft = left->GetRect(), rcRight = right->GetRect();
  EXPECT_EQ(rcLeft, CRect(cell.left, cell.top, cell.left + 35, cell.bottom));
  EXPECT_EQ(rcRight.right, cell.right);
  EXPECT_EQ(rcRight.Width(), 40);
  EXPECT_EQ(rcRight.Height(), 12);
  EXPECT_EQ(rcRight.top, cell.top + (cell.Height() - 12) / 2);
  // Classic faces: button face inside, the caption after the left button.
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
  EXPECT_EQ(At(rcLeft.CenterPoint().x, rcLeft.CenterPoint().y), face);
  EXPECT_EQ(At(rcRight.CenterPoint().x, rcRight.CenterPoint().y), face);
  EXPECT_EQ(Count(CRect(rcLeft.right, cell.top, rcLeft.right + 2, cell.bottom), IsDark), 0);
  EXPECT_GT(Count(CRect(rcLeft.right + 2, cell.top, rcLeft.right + 40, cell.bottom), IsDark), 5);

  ClickAt(rcLeft.CenterPoint());
  EXPECT_EQ(owner.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 1);
  ClickAt(rcRight.CenterPoint());
  EXPECT_EQ(owner.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 2);
  ClickAt(CPoint(rcLeft.right + 20, cell.CenterPoint().y));
  EXPECT_EQ(owner.Count(TK_NM_REPORT_ITEMBUTTONCLICK), 2);
}

TEST_F(ItemDrawTest, TheTreeColumnIndentsChildrenAndItsGlyphExpandsByClick) {
  control->GetColumns()->SetTreeColumn(control->GetColumns()->GetAt(0));
  CTKReportRecord* parent = Add(new CTKReportRecordItemText(u"parent"));
  Add(new CTKReportRecordItemText(u"child one"), parent);
  Add(new CTKReportRecordItemText(u"child two"), parent);
  Add(new CTKReportRecordItemText(u"leaf"));
  parent->SetExpanded(FALSE);
  Paint();
  ASSERT_EQ(control->GetRows()->GetCount(), 2);
  const CRect glyph = Row(0)->m_rcCollapse;
  ASSERT_FALSE(glyph.IsRectEmpty()) << "the drawing places the glyph";
  const CRect parentCell = Cell(0, 0);
  EXPECT_TRUE(CRect().IntersectRect(&glyph, &parentCell));
  EXPECT_GT(Count(glyph, IsDark), 3);
  EXPECT_TRUE(CRect(Row(1)->m_rcCollapse).IsRectEmpty()) << "no glyph without children";

  ClickAt(glyph.CenterPoint());
  ASSERT_EQ(control->GetRows()->GetCount(), 4);
  EXPECT_TRUE(Row(0)->IsExpanded());
  // The children's captions start one tree indent further right (tree
  // lines off, so that only captions and glyphs are ink).
  control->GetPaintManager()->SetTreeStructureStyle(0);
  auto firstInk = [&](int row) {
    const CRect cell = Cell(row, 0);
    for (int x = cell.left; x < cell.right; x++)
      for (int y = cell.top; y < cell.bottom; y++)
        if (IsDark(At(x, y)) && !CRect(Row(row)->m_rcCollapse).PtInRect(CPoint(x, y))) return x;
    return -1;
  };
  // Nothing selected nor focused: only the captions and glyphs are ink.
  control->GetSelectedRows()->Clear();
  owner.SetFocus();
  Repaint();
  const int parentText = firstInk(0), childText = firstInk(1);
  ASSERT_GT(parentText, 0);
  EXPECT_GE(childText - parentText, control->GetPaintManager()->GetTreeIndent() - 2);

  ClickAt(CRect(Row(0)->m_rcCollapse).CenterPoint());
  EXPECT_EQ(control->GetRows()->GetCount(), 2);
}

// ---- colours the owner and the selection decide ------------------------------------------------

TEST_F(ItemDrawTest, TheItemMetricsNotificationColoursTheRowsOnScreen) {
  for (int i = 0; i < 4; i++) Add(new CTKReportRecordItemText(u"row"));
  Paint();
  EXPECT_GT(owner.metricsAsked, 0) << "-61 is asked while painting";
  const CRect odd = Cell(1, 0);
  EXPECT_NE(At(odd.right - 5, odd.CenterPoint().y), kStripe);
  owner.stripes = TRUE;
  Repaint();
  for (int i = 0; i < 4; i++) {
    const CRect cell = Cell(i, 1);
    const COLORREF expected = i % 2 == 1 ? kStripe : RGB(255, 255, 255);
    EXPECT_EQ(At(cell.right - 5, cell.CenterPoint().y), expected) << i;
  }
}

TEST_F(ItemDrawTest, ASelectedRowShowsTheHighlightAndItsTextInHighlightText) {
  for (int i = 0; i < 3; i++) Add(new CTKReportRecordItemText(u"Selectable row"));
  Paint();
  control->SetFocus();
  ClickAt(Cell(1, 0).CenterPoint());
  ASSERT_TRUE(Row(1)->IsSelected());
  Repaint();
  const COLORREF highlight = control->GetPaintManager()->m_clrHighlight;
  const CRect cell = Cell(1, 1);
  EXPECT_EQ(At(cell.right - 5, cell.CenterPoint().y), highlight & 0xFFFFFF);
  const CRect other = Cell(0, 1);
  EXPECT_EQ(At(other.right - 5, other.CenterPoint().y), RGB(255, 255, 255));
  // The caption is in the highlight text colour (light) on the highlight.
  auto isLight = [](COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) > 150 && GetBValue(c) > 150; };
  EXPECT_GT(Count(Cell(1, 0), isLight), 10);
  EXPECT_GT(Count(Cell(0, 0), IsDark), 10);
}

// ---- only what is seen is drawn --------------------------------------------------------------

class CountingItem : public CTKReportRecordItemText {
 public:
  explicit CountingItem(LPCTSTR text) : CTKReportRecordItemText(text) {}
  int Draw(TK_REPORTRECORDITEM_DRAWARGS* args) override {
    ++drawn;
    return CTKReportRecordItemText::Draw(args);
  }
  static int drawn;
};
int CountingItem::drawn = 0;

TEST_F(ItemDrawTest, AHugeGridPaintsOnlyItsVisibleRows) {
  int counts[2];
  const int sizes[2] = {1000, 100000};
  for (int s = 0; s < 2; s++) {
    control->ResetContent();
    control->BeginUpdate();
    for (int i = 0; i < sizes[s]; i++) {
      auto* record = new CTKReportRecord();
      record->AddItem(new CountingItem(u"cell"));
      record->AddItem(new CountingItem(u"cell"));
      control->AddRecord(record);
    }
    control->EndUpdate();
    Paint();
    CountingItem::drawn = 0;
    Repaint();
    counts[s] = CountingItem::drawn;
  }
  const int rowHeight = CRect(Row(0)->GetRect()).Height();
  const int body = control->GetElementRect(0).Height();
  const int visible = (body + rowHeight - 1) / rowHeight;
  EXPECT_EQ(counts[0], counts[1]);
  EXPECT_LE(counts[1], 2 * (visible + 1));
  EXPECT_GE(counts[1], 2 * (visible - 1));
}

}  // namespace
