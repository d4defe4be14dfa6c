// The report control's layout, scrolling and painting.
#include "report_control_test_support.h"
#include "report_paint_test_support.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportsection.h"
#include "toolkit/report/reporttip.h"

namespace {

using LayoutTest = ReportControlTest;

TEST_F(LayoutTest, ElementRectanglesStackGroupByHeaderBodyFooter) {
  Make(400, 300, {100, 100}, 3, 0);
  CTKReportPaintManager* pm = control->GetPaintManager();
  EXPECT_EQ(control->GetElementRect(1), CRect(0, 0, 400, 0));
  EXPECT_EQ(control->GetElementRect(2), CRect(0, 0, 400, pm->GetFixedHeaderHeight()));
  EXPECT_EQ(control->GetElementRect(0).top, pm->GetFixedHeaderHeight());
  EXPECT_EQ(control->GetElementRect(0).bottom, 300);
  control->ShowGroupBy(TRUE);
  control->ShowFooter(TRUE);
  const int groupBy = Header()->GetGroupByHeight();
  EXPECT_EQ(control->GetElementRect(1), CRect(0, 0, 400, groupBy));
  EXPECT_EQ(control->GetElementRect(2).top, groupBy);
  EXPECT_EQ(control->GetElementRect(3), CRect(0, 300 - pm->GetFooterHeight(control, nullptr, 400), 400, 300));
  EXPECT_EQ(control->GetElementRect(0).bottom, control->GetElementRect(3).top);
}

TEST_F(LayoutTest, ZeroSizedClientIsNotLaidOut) {
  Make(0, 0, {100}, 3, 0);
  EXPECT_TRUE(control->GetElementRect(2).IsRectEmpty());
  EXPECT_TRUE(control->GetElementRect(0).IsRectEmpty());
}

TEST_F(LayoutTest, TopRowSetWhileLockedIsAppliedAtTheNextPaint) {
  Make(300, 200, {100}, 100);
  control->BeginUpdate();
  control->SetTopRow(10);
  control->EndUpdate();
  EXPECT_EQ(control->GetScrollPos(SB_VERT), 0) << "the scroll bar waits for the next paint";
  Paint();
  EXPECT_EQ(control->GetScrollPos(SB_VERT), 10);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 10);
}

TEST_F(LayoutTest, WheelScrollsThreeLinesANotch) {
  Make(300, 200, {100}, 100);
  ASSERT_TRUE(control->IsScrollBarVisible(SB_VERT));
  control->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), MAKELPARAM(50, 50));
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 6);
  control->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(50, 50));
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 3);
}

TEST_F(LayoutTest, VerticalScrollByLinesPagesAndEnds) {
  Make(300, 200, {100}, 100);
  const int page = control->GetReportAreaRows(0, TRUE) - 1;
  ASSERT_GT(page, 2);
  control->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 1);
  control->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 1 + page);
  control->SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), control->GetRowsFittingFromBottom());
  control->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);  // not past the last page
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), control->GetRowsFittingFromBottom());
  control->SendMessage(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 0);
}

TEST_F(LayoutTest, HorizontalScrollingByPixelsAndWholeColumns) {
  Make(300, 200, {150, 150, 150}, 5);
  Header()->SetAutoColumnSizing(FALSE);
  for (int i = 0; i < 3; i++) Col(i)->SetWidth(150);
  ASSERT_TRUE(control->IsScrollBarVisible(SB_HORZ));
  control->SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(control->GetLeftOffset(), 7);
  control->SendMessage(WM_HSCROLL, SB_RIGHT, 0);
  EXPECT_EQ(control->GetLeftOffset(), 450 - control->GetElementRect(0).Width());
  control->SetFullColumnScrolling(TRUE);
  EXPECT_EQ(control->GetLeftOffset(), 0);
  control->SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(control->GetLeftOffset(), 150);
  // One scrollable column left (two frozen): no bar, offset 0.
  control->SetFreezeColumnsCount(2);
  EXPECT_FALSE(control->IsScrollBarVisible(SB_HORZ));
  EXPECT_EQ(control->GetLeftOffset(), 0);
}

// Scrolling by pixels, the keys that move the focus past the page scroll the
// body and its scroll bar together, and the focused row shows at the edge.
TEST_F(LayoutTest, PixelScrollingFollowsTheFocusWithTheScrollBar) {
  Make(300, 200, {100}, 100);
  control->SetVerticalPixelScrolling(TRUE);
  ASSERT_TRUE(control->IsVerticalPixelScrolling());
  Paint();
  control->SetFocus();
  control->SetFocusedRow(control->GetRows()->GetAt(0));
  const CRect body = control->GetElementRect(kTKReportElementBody);
  const int rowHeight = control->GetRows()->GetAt(0)->GetHeight(nullptr, body.Width());
  ASSERT_GT(rowHeight, 0);
  const COLORREF selected = control->GetPaintManager()->m_clrHighlight;
  struct Case {
    UINT key;
    int offset;  // the body's top pixel after the key
    int y;       // a line of the focused row in the body
  };
  const Case cases[] = {
      {VK_END, 100 * rowHeight - body.Height(), body.bottom - 2},
      {VK_HOME, 0, body.top + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    pv::test::KeyPress(c.key);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(control->GetTopOffset(), c.offset);
    EXPECT_EQ(control->GetScrollPos(SB_VERT), c.offset);
    Paint();
    EXPECT_EQ(WindowAt(control->m_hWnd, body.left + 60, c.y), static_cast<COLORREF>(selected));
  }
  // Back to rows: from the top, by rows.
  pv::test::KeyPress(VK_END);
  pv::test::PumpUntilIdle();
  control->SetVerticalPixelScrolling(FALSE);
  EXPECT_EQ(control->GetTopOffset(), 0);
  EXPECT_EQ(control->GetScrollPos(SB_VERT), 0);
  control->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), 1);
}

TEST_F(LayoutTest, PaintDrawsOnlyTheRowsInView) {
  for (int rows : {50, 5000}) {
    SCOPED_TRACE(rows);
    Make(300, 200, {100}, rows);
    Paint();
    const INT_PTR drawn = control->GetRows()->GetScreenRows()->GetSize();
    const int height = control->GetRows()->GetAt(0)->GetHeight(nullptr, 100);
    const int body = control->GetElementRect(0).Height();
    EXPECT_EQ(drawn, (body + height - 1) / height + ((body % height) == 0 ? 1 : 0));
    delete control;
    control = nullptr;
  }
}

TEST_F(LayoutTest, EmptyReportShowsTheNoItemsTextAndOptionallyTheGrid) {
  Make(300, 200, {100, 100}, 0);
  CTKReportPaintManager* pm = control->GetPaintManager();
  pm->m_clrControlBack.SetCustomValue(RGB(255, 255, 255));
  pm->m_clrWindowText.SetCustomValue(RGB(0, 0, 0));
  pm->m_clrGridLine.SetCustomValue(RGB(0, 200, 0));
  PaintCanvas canvas(300, 200);
  control->OnDraw(canvas.DC());
  const CRect body = control->GetElementRect(0);
  EXPECT_GT(canvas.Count(body, IsBlackInk), 20);
  EXPECT_EQ(canvas.CountColor(body, RGB(0, 200, 0)), 0);
  pm->m_bDrawGridForEmptySpace = TRUE;
  pm->SetGridStyle(TRUE, tkGridSolid);
  control->OnDraw(canvas.DC());
  // Horizontal lines under every empty line and the vertical column edges.
  EXPECT_EQ(canvas.At(50, body.top + pm->GetRowHeightDefault() - 1), RGB(0, 200, 0));
  EXPECT_EQ(canvas.At(Col(0)->GetWidth() - 1, body.top + 3), RGB(0, 200, 0));
}

TEST_F(LayoutTest, DropMarkerIsALineWithTwoArrows) {
  Make(300, 200, {100}, 10);
  control->GetPaintManager()->m_clrHotDivider.SetCustomValue(RGB(255, 0, 0));
  PaintCanvas canvas(300, 200);
  const CRect body = control->GetElementRect(0);
  const int y = body.top + 40;
  control->DrawDropMarkerAt(canvas.DC(), y);
  EXPECT_EQ(canvas.At(150, y), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(150, y - 1), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(body.left + 3, y - 4), RGB(255, 0, 0));   // left arrow head
  EXPECT_EQ(canvas.At(body.right - 4, y + 4), RGB(255, 0, 0));  // right arrow head
  EXPECT_EQ(canvas.At(body.left + 3, y - 7), RGB(255, 255, 255));
  // Outside the body nothing is drawn.
  PaintCanvas outside(300, 200);
  control->DrawDropMarkerAt(outside.DC(), body.top - 5);
  EXPECT_EQ(outside.CountColor(outside.Rect(), RGB(255, 0, 0)), 0);
}

TEST_F(LayoutTest, BestFitMeasuresTheWidestCell) {
  Make(400, 300, {100, 100}, 20);
  Header()->SetAutoColumnSizing(FALSE);
  CWindowDC dc(nullptr);
  CFont* old = dc.SelectObject(control->GetPaintManager()->GetTextFont());
  const int widest = control->GetPaintManager()->GetTextWidth(&dc, CString(u"r19 c1"));
  dc.SelectObject(old);
  Col(1)->SetBestFitMode(1);
  EXPECT_GE(control->GetColumnDataWidth(Col(1)), widest + 7);
  Col(1)->SetBestFitMode(2);
  EXPECT_EQ(control->GetColumnDataWidth(Col(1)), 0);
}

}  // namespace

namespace {

TEST_F(LayoutTest, WatermarkIsBlendedAtItsAlignment) {
  Make(300, 200, {100}, 0);
  control->GetPaintManager()->m_clrControlBack.SetCustomValue(RGB(255, 255, 255));
  control->GetPaintManager()->m_strNoItems.Empty();
  CWindowDC screen(nullptr);
  CBitmap red;
  red.Attach(CTKImageManager::CreateDIB32(screen.GetSafeHdc(), 10, 10, nullptr));
  {
    CTKCompatibleDC dc(&screen, &red);
    dc.FillSolidRect(0, 0, 10, 10, RGB(255, 0, 0));
  }
  ASSERT_TRUE(control->SetWatermarkBitmap(static_cast<HBITMAP>(red.GetSafeHandle()), 255));
  const CRect body = control->GetElementRect(0);
  struct Case {
    int alignment;
    CPoint inside, outside;
  };
  const Case cases[] = {
      {0x00, CPoint(body.left + 5, body.top + 5), CPoint(body.left + 15, body.top + 5)},
      {0x22, body.CenterPoint(), CPoint(body.left + 5, body.top + 5)},
      {0x44, CPoint(body.right - 5, body.bottom - 5), body.CenterPoint()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alignment);
    control->m_nWatermarkAlignment = c.alignment;
    PaintCanvas canvas(300, 200);
    control->OnDraw(canvas.DC());
    EXPECT_EQ(canvas.At(c.inside.x, c.inside.y), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(c.outside.x, c.outside.y), RGB(255, 255, 255));
  }
  // Half transparent over white.
  control->m_nWatermarkAlignment = 0;
  control->SetWatermarkBitmap(static_cast<HBITMAP>(red.GetSafeHandle()), 128);
  PaintCanvas half(300, 200);
  control->OnDraw(half.DC());
  const COLORREF blended = half.At(body.left + 5, body.top + 5);
  EXPECT_EQ(GetRValue(blended), 255);
  EXPECT_NEAR(GetGValue(blended), 127, 2);
  // Removed.
  EXPECT_TRUE(control->SetWatermarkBitmap(static_cast<HBITMAP>(nullptr), 255));
  EXPECT_EQ(control->GetWatermarkBitmap(), nullptr);
  EXPECT_FALSE(control->SetWatermarkBitmap(u"/nonexistent/watermark.png", 255));
}

}  // namespace

namespace {

TEST_F(LayoutTest, IconViewSwitchesAndRestoresTheRowView) {
  Make(600, 300, {100, 100, 100}, 30);
  control->GetPaintManager()->SetGridStyle(TRUE, tkGridDashes);
  control->SetIconView(TRUE);  // no icon-view column: stays off
  EXPECT_FALSE(control->IsIconView());
  ASSERT_TRUE(control->SetIconViewColumn(2));
  Col(2)->SetVisible(FALSE);  // an icon column hidden in the row view
  control->GetRows()->GetAt(3)->SetSelected(TRUE);
  control->SetIconView(TRUE);
  ASSERT_TRUE(control->IsIconView());
  EXPECT_FALSE(Col(0)->IsVisible());
  EXPECT_TRUE(Col(2)->IsVisible());
  EXPECT_FALSE(control->IsHeaderVisible());
  EXPECT_EQ(control->GetPaintManager()->GetGridStyle(TRUE), tkGridNoLines);
  EXPECT_TRUE(control->GetRows()->GetAt(3)->IsSelected());
  // The top row goes to the start of its line of icons.
  const int perLine = control->GetIconViewColumnsCount();
  ASSERT_GE(perLine, 2);
  control->SetTopRow(perLine + 1);
  EXPECT_EQ(control->GetRows()->GetTopRowIndex(), perLine);
  control->SetIconView(FALSE);
  EXPECT_FALSE(control->IsIconView());
  EXPECT_TRUE(Col(0)->IsVisible());
  EXPECT_TRUE(Col(1)->IsVisible());
  EXPECT_FALSE(Col(2)->IsVisible());  // the icon column is hidden again
  EXPECT_TRUE(control->IsHeaderVisible());
  EXPECT_EQ(control->GetPaintManager()->GetGridStyle(TRUE), tkGridDashes);
  EXPECT_TRUE(control->GetRows()->GetAt(3)->IsSelected());
}

}  // namespace

namespace {

// Icon view keeps the header and the footer hidden: what is asked meanwhile
// shows when the row view comes back, and the icon-view column stays put.
TEST_F(LayoutTest, IconViewKeepsTheHeaderAndFooterHiddenUntilItEnds) {
  Make(600, 300, {100, 100, 100}, 30);
  ASSERT_TRUE(control->SetIconViewColumn(2));
  control->SetIconView(TRUE);
  ASSERT_TRUE(control->IsIconView());
  control->ShowFooter(TRUE);
  control->ShowHeader(FALSE);
  EXPECT_FALSE(control->IsFooterVisible());
  EXPECT_TRUE(control->GetElementRect(kTKReportElementFooter).IsRectEmpty());
  EXPECT_TRUE(control->GetElementRect(kTKReportElementHeader).IsRectEmpty());
  EXPECT_FALSE(control->SetIconViewColumn(0));
  EXPECT_EQ(control->GetIconViewColumn(), 2);
  control->SetIconView(FALSE);
  EXPECT_FALSE(control->IsHeaderVisible());
  EXPECT_TRUE(control->IsFooterVisible());
  EXPECT_TRUE(control->GetElementRect(kTKReportElementHeader).IsRectEmpty());
  const CRect footer = control->GetElementRect(kTKReportElementFooter);
  EXPECT_GT(footer.Height(), 0);
  EXPECT_EQ(footer.bottom, 300);
  EXPECT_EQ(control->GetElementRect(kTKReportElementBody).top, 0);
  EXPECT_EQ(control->GetElementRect(kTKReportElementBody).bottom, footer.top);
  EXPECT_TRUE(control->SetIconViewColumn(0));
}

// New system colours reach the paint manager before the control redraws.
TEST_F(LayoutTest, SystemColourChangeRefreshesThePaintManager) {
  Make(300, 200, {100}, 3);
  CTKReportPaintManager* pm = control->GetPaintManager();
  const COLORREF grid = pm->m_clrGridLine;
  pm->m_clrGridLine.SetStandardValue(RGB(1, 2, 3));
  control->SendMessage(WM_SYSCOLORCHANGE);
  EXPECT_EQ(static_cast<COLORREF>(pm->m_clrGridLine), grid);
}

// Leaving icon view, the icon-view column is hidden unless it is kept in the
// row view at a position; kept, it takes the icon-view item width (at least
// 30 when rows were grouped) and shows the row numbers.
TEST_F(LayoutTest, IconColumnKeptInTheRowViewShowsRowNumbers) {
  struct Case {
    BOOL keep;
    int position;
    bool grouped;
    bool shown;
  };
  for (Case c : {Case{FALSE, 0, false, false}, Case{TRUE, -1, false, false}, Case{TRUE, 0, false, true},
                 Case{TRUE, 1, true, true}}) {
    SCOPED_TRACE(testing::Message() << c.keep << " at " << c.position << " grouped " << c.grouped);
    Make(600, 300, {100, 100, 100}, 5);
    // The icon column names an item the records do not have.
    CTKReportColumn* icon = control->AddColumn(new CTKReportColumn(3, u"", 50));
    icon->SetVisible(FALSE);
    ASSERT_TRUE(control->SetIconViewColumn(3));
    control->SetKeepIconColumnInRowView(c.keep, c.position);
    if (c.grouped) {
      control->GetColumns()->GetGroupsOrder()->Add(Col(2));
      control->RebuildRows();
    }
    CTKReportPaintManager* pm = control->GetPaintManager();
    control->SetIconView(TRUE);
    ASSERT_TRUE(control->IsIconView());
    pm->SetIconViewItemWidth(24);
    control->SetIconView(FALSE);
    EXPECT_EQ(icon->IsVisible(), c.shown);
    EXPECT_EQ(control->GetRowNumberColumn(), c.shown ? icon : nullptr);
    if (!c.shown) {
      delete control;
      control = nullptr;
      continue;
    }
    const int width = c.grouped ? 30 : 24;
    EXPECT_EQ(icon->GetIndex(), c.position);
    EXPECT_EQ(icon->GetMinWidth(), width);
    Header()->SetAutoColumnSizing(FALSE);
    control->AdjustLayout();
    EXPECT_EQ(icon->GetWidth(), width);

    // The numbers are drawn in the column's cell of each row.
    pm->m_clrControlBack.SetCustomValue(RGB(255, 255, 255));
    pm->SetGridStyle(FALSE, tkGridNoLines);
    pm->SetGridStyle(TRUE, tkGridNoLines);
    PaintCanvas canvas(600, 300);
    control->OnDraw(canvas.DC());
    CTKReportRow* row = control->GetRows()->GetAt(control->GetRows()->GetCount() - 1);
    const CRect cell(CRect(icon->m_rcColumn).left, CRect(row->GetRect()).top, CRect(icon->m_rcColumn).right,
                     CRect(row->GetRect()).bottom);
    EXPECT_GT(canvas.Count(cell, IsInk), 5);
    control->SetKeepIconColumnInRowView(FALSE);
    control->OnDraw(canvas.DC());
    EXPECT_EQ(canvas.Count(cell, IsInk), 0);
    delete control;
    control = nullptr;
  }
}

// A section's border takes its margin, strips and inner spacing out of the
// rows' area and draws its strips in the grid colour; the footer rows are
// set off from the body by a one-pixel top strip.
TEST_F(LayoutTest, SectionBordersFrameTheRowsInTheGridColour) {
  constexpr COLORREF kGrid = RGB(0, 200, 0);
  constexpr COLORREF kBack = RGB(255, 255, 255);
  Make(300, 240, {300}, 5);
  auto* footer = new CTKReportRecord();
  footer->AddItem(new CTKReportRecordItemText(u"total"));
  control->GetFooterRecords()->Add(footer);
  control->ShowFooterRows(TRUE);
  control->RebuildRows();
  CTKReportPaintManager* pm = control->GetPaintManager();
  pm->m_clrGridLine.SetCustomValue(kGrid);
  pm->m_clrControlBack.SetCustomValue(kBack);
  pm->SetGridStyle(FALSE, tkGridNoLines);
  pm->SetGridStyle(TRUE, tkGridNoLines);
  CTKReportSection* body = control->GetSections()->GetSection(kTKReportSectionBody);
  CTKReportSection* foot = control->GetSections()->GetSection(kTKReportSectionFooter);
  CTKReportBorder* border = body->GetBorder();
  ASSERT_NE(border, nullptr);
  border->GetMargin()->m_nLeft = border->GetMargin()->m_nTop = 2;
  CTKReportThickness* strip = border->GetBorderThickness();
  strip->m_nLeft = strip->m_nTop = strip->m_nRight = strip->m_nBottom = 3;
  border->GetPadding()->m_nLeft = border->GetPadding()->m_nTop = 1;
  control->AdjustLayout();

  const int rowHeight = control->GetRows()->GetAt(0)->GetHeight(nullptr, 300);
  CClientDC dc(control);
  EXPECT_EQ(foot->GetContentHeight(&dc), rowHeight + 1);
  EXPECT_EQ(foot->GetRect().Height(), rowHeight + 1);
  const CRect rcBody = body->GetRect();
  EXPECT_EQ(body->GetRowsRect(), CRect(rcBody.left + 6, rcBody.top + 6, rcBody.right - 3, rcBody.bottom - 3));

  PaintCanvas canvas(300, 240, RGB(9, 9, 9));
  control->OnDraw(canvas.DC());
  // The body: margin left in the background, then 3-pixel strips.
  EXPECT_EQ(canvas.At(rcBody.left + 1, rcBody.top + 20), kBack);
  for (int x = rcBody.left + 2; x < rcBody.left + 5; x++) EXPECT_EQ(canvas.At(x, rcBody.top + 20), kGrid) << x;
  EXPECT_EQ(canvas.At(rcBody.left + 5, rcBody.top + 20), kBack);
  EXPECT_EQ(canvas.At(rcBody.right - 1, rcBody.top + 20), kGrid);
  EXPECT_EQ(canvas.At(rcBody.left + 50, rcBody.top + 4), kGrid);
  EXPECT_EQ(canvas.At(rcBody.left + 50, rcBody.bottom - 1), kGrid);
  // The first row starts inside the spacing.
  CTKReportRow* first = control->GetRows()->GetAt(0);
  EXPECT_EQ(CRect(first->GetRect()).top, rcBody.top + 6);
  EXPECT_EQ(CRect(first->GetRect()).left, rcBody.left + 6);
  // The footer rows: one grid line across their top, the row below it.
  const CRect rcFoot = foot->GetRect();
  EXPECT_EQ(canvas.CountColor(CRect(0, rcFoot.top, 300, rcFoot.top + 1), kGrid), 300);
  EXPECT_EQ(canvas.CountColor(CRect(0, rcFoot.top + 1, 300, rcFoot.bottom), kGrid), 0);
  EXPECT_EQ(CRect(control->GetFooterRows()->GetAt(0)->GetRect()).top, rcFoot.top + 1);
}

TEST_F(LayoutTest, MeasuredRowsTakeTheirTallestCell) {
  Make(300, 200, {60, 200}, 0);
  auto* record = new CTKReportRecord();
  record->AddItem(new CTKReportRecordItemText(u"one two three four five six"));
  record->AddItem(new CTKReportRecordItemText(u"short"));
  control->AddRecord(record);
  control->RebuildRows();
  CTKReportPaintManager* pm = control->GetPaintManager();
  CTKReportRow* row = control->GetRows()->GetAt(0);
  const int fixed = pm->GetRowHeight(nullptr, row, 260);
  EXPECT_EQ(fixed, pm->GetRowHeightDefault() + 1);
  pm->SetFixedRowHeight(FALSE);
  EXPECT_EQ(pm->GetRowHeight(nullptr, row, 260), fixed);  // one line each: no word break
  Col(0)->SetAlignment(DT_LEFT | DT_WORDBREAK);
  CWindowDC dc(nullptr);
  CFont* old = dc.SelectObject(pm->GetTextFont());
  const int lines = pm->CalcTextHeight(&dc, u"one two three four five six", Col(0)->GetWidth() - 4 - 3, TRUE);
  dc.SelectObject(old);
  EXPECT_GT(lines, pm->GetRowHeightDefault());
  EXPECT_EQ(pm->GetRowHeight(nullptr, row, 260), lines + 5 + 1);
}

}  // namespace
