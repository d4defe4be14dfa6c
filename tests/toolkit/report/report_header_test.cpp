// The report header: automatic column sizing, sorting and grouping by
// clicks, column drags to reorder, group and ungroup, the frozen count.
#include <climits>

#include "report_control_test_support.h"
#include "toolkit/report/reportdragwindows.h"

namespace {

using HeaderTest = ReportControlTest;

TEST_F(HeaderTest, AutoSizingSharesTheAreaByAutoWidths) {
  struct Case {
    std::vector<int> widths;
    std::vector<BOOL> autoSize;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{100, 300}, {TRUE, TRUE}, {250, 750}},
      {{100, 200, 300}, {TRUE, FALSE, TRUE}, {200, 200, 600}},
  };
  for (const Case& c : cases) {
    Make(1000, 300, c.widths, 0, 0);
    for (std::size_t i = 0; i < c.widths.size(); i++) {
      Col(static_cast<int>(i))->SetAutoSize(c.autoSize[i]);
      if (!c.autoSize[i]) Col(static_cast<int>(i))->SetWidth(c.widths[i]);  // a fixed column
    }
    parent.notices.clear();
    Header()->AdjustColumnsWidth(1000);
    for (std::size_t i = 0; i < c.widths.size(); i++) EXPECT_EQ(Col(static_cast<int>(i))->GetWidth(), c.expected[i]);
    // Every auto column whose width moved away from its auto width is reported.
    int reported = 0;
    for (const auto& n : parent.Of(TK_NM_REPORT_COLUMNWIDTHCHANGED)) {
      reported++;
      EXPECT_EQ(n.flags, n.column->GetWidth());
    }
    EXPECT_EQ(reported, 2);
    EXPECT_EQ(Header()->GetTotalWidth(), 1000);
    delete control;
    control = nullptr;
  }
}

TEST_F(HeaderTest, AutoSizingBelowTheMinimumsOverflows) {
  Make(1000, 300, {100, 300, 950}, 0, 0);
  Col(0)->SetMinWidth(40);
  Col(1)->SetMinWidth(45);
  Col(2)->SetAutoSize(FALSE);
  Col(2)->SetWidth(950);              // lays out: 50 left for two auto columns
  EXPECT_EQ(Col(0)->GetWidth(), 40);  // 100 * 50 / 400 = 12, below 40
  EXPECT_EQ(Col(1)->GetWidth(), 45);
  EXPECT_EQ(Header()->GetOverflowWidth(), 40 + 45 + 950 - 1000);
  EXPECT_EQ(Header()->GetTotalWidth(), 40 + 45 + 950);
  // Nothing left at all: the widths stay as they were.
  Col(2)->m_nColumnStaticWidth = 1200;
  Header()->AdjustColumnsWidth(1000);
  EXPECT_EQ(Col(0)->GetWidth(), 40);
  Header()->SetAutoColumnSizing(FALSE);
  EXPECT_EQ(Header()->GetMaxAvailWidth(Col(0)), 32000);
}

// Switching automatic sizing on brings the columns back to the left edge,
// also when their minimum widths still overflow the header.
TEST_F(HeaderTest, AutoSizingOnScrollsBackToTheLeftEdge) {
  Make(300, 200, {150, 150, 150}, 3);
  Header()->SetAutoColumnSizing(FALSE);
  for (int i = 0; i < 3; i++) {
    Col(i)->SetWidth(150);
    Col(i)->SetMinWidth(150);
  }
  control->SendMessage(WM_HSCROLL, SB_RIGHT, 0);
  Paint();
  ASSERT_GT(control->GetLeftOffset(), 0);
  ASSERT_LT(CRect(Col(0)->m_rcColumn).left, 0);
  Header()->SetAutoColumnSizing(TRUE);
  EXPECT_EQ(control->GetLeftOffset(), 0);
  Paint();
  EXPECT_EQ(CRect(Col(0)->m_rcColumn).left, control->GetElementRect(kTKReportElementHeader).left);
  EXPECT_EQ(control->GetScrollPos(SB_HORZ), 0);
}

TEST_F(HeaderTest, ClicksSortReplaceToggleAndShiftAppend) {
  Make(600, 300, {100, 100, 100}, 5, 0);
  Paint();
  CTKReportColumnOrder* sort = control->GetColumns()->GetSortOrder();
  auto click = [&](int column, UINT flags) {
    Header()->OnLButtonDown(ColumnCentre(column));
    Header()->OnLButtonUp(flags, ColumnCentre(column));
  };
  click(1, 0);
  ASSERT_EQ(sort->GetCount(), 1);
  EXPECT_EQ(sort->GetAt(0), Col(1));
  EXPECT_TRUE(Col(1)->IsSortedIncreasing());
  click(1, 0);
  EXPECT_FALSE(Col(1)->IsSortedIncreasing());  // a second click toggles
  click(2, MK_SHIFT);
  ASSERT_EQ(sort->GetCount(), 2);
  EXPECT_EQ(sort->GetAt(1), Col(2));
  click(1, MK_SHIFT);
  EXPECT_EQ(sort->GetCount(), 2);  // only its direction
  EXPECT_TRUE(Col(1)->IsSortedIncreasing());
  click(0, 0);
  ASSERT_EQ(sort->GetCount(), 1);
  EXPECT_EQ(sort->GetAt(0), Col(0));
  EXPECT_EQ(parent.Of(TK_NM_REPORT_PRESORTORDERCHANGED).size(), 5u);
  EXPECT_EQ(parent.Of(TK_NM_REPORT_SORTORDERCHANGED).size(), 5u);
  EXPECT_EQ(parent.Of(TK_NM_REPORT_CLICK).size(), 5u);
}

TEST_F(HeaderTest, ShowItemsInGroupsMakesAClickRegroup) {
  Make(600, 300, {100, 100, 100}, 5, 0);
  Paint();
  Header()->m_bShowItemsInGroups = TRUE;
  parent.notices.clear();
  Header()->OnLButtonDown(ColumnCentre(2));
  Header()->OnLButtonUp(0, ColumnCentre(2));
  CTKReportColumnOrder* groups = control->GetColumns()->GetGroupsOrder();
  ASSERT_EQ(groups->GetCount(), 1);
  EXPECT_EQ(groups->GetAt(0), Col(2));
  const auto changed = parent.Of(TK_NM_REPORT_COLUMNCHANGED);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed.back().flags, 0x3002);
}

TEST_F(HeaderTest, DragStartsAfterFourPixelsAndReorders) {
  Make(600, 300, {100, 100, 100}, 3, 0);
  Header()->SetAutoColumnSizing(FALSE);
  Paint();
  const CPoint start = ColumnCentre(0);
  Header()->OnLButtonDown(start);
  Header()->OnMouseMove(0, CPoint(start.x + 2, start.y + 1));  // 3 pixels
  EXPECT_EQ(control->GetMouseMode(), 2);
  Header()->OnMouseMove(0, CPoint(start.x + 3, start.y + 1));  // 4 pixels
  EXPECT_EQ(control->GetMouseMode(), 3);
  // Over the right half of the last column: dropped after it.
  CTKReportColumn* dragged = Col(0);
  const CPoint target(CRect(Col(2)->m_rcColumn).right - 10, start.y);
  Header()->OnMouseMove(0, target);
  EXPECT_EQ(Header()->m_nDropIndex, 3);
  Header()->OnLButtonUp(0, target);
  EXPECT_EQ(control->GetMouseMode(), 0);
  EXPECT_EQ(control->GetColumns()->GetAt(2), dragged);
  EXPECT_EQ(Header()->m_pDragWnd, nullptr);
}

TEST_F(HeaderTest, GroupBoxDropsGroupAndDragOffUngroupsWithoutHiding) {
  Make(600, 300, {100, 100, 100}, 3, 0);
  control->ShowGroupBy(TRUE);
  Paint();
  CTKReportColumnOrder* groups = control->GetColumns()->GetGroupsOrder();
  // Drag column 1 into the group-by box with Ctrl: grouped, still shown.
  const CPoint start = ColumnCentre(1);
  const CPoint box(CRect(Header()->m_rcGroupBy).left + 20, CRect(Header()->m_rcGroupBy).top + 10);
  Header()->OnLButtonDown(start);
  Header()->OnMouseMove(0, CPoint(start.x + 10, start.y));
  Header()->OnMouseMove(MK_CONTROL, box);
  Header()->OnLButtonUp(MK_CONTROL, box);
  ASSERT_EQ(groups->GetCount(), 1);
  EXPECT_TRUE(Col(1)->IsVisible());
  Paint();
  // Its button dragged off the header: ungrouped, not hidden.
  const CPoint button = CRect(Col(1)->m_rcGroupBy).CenterPoint();
  Header()->OnLButtonDown(button);
  Header()->OnMouseMove(0, CPoint(button.x + 10, button.y));
  const CPoint away(300, 250);
  Header()->OnMouseMove(0, away);
  EXPECT_EQ(Header()->m_nDragKind, 1);
  Header()->OnLButtonUp(0, away);
  EXPECT_EQ(groups->GetCount(), 0);
  EXPECT_TRUE(Col(1)->IsVisible());
}

TEST_F(HeaderTest, GroupByHeightFollowsTheGroupedColumns) {
  Make(600, 300, {100, 100, 100}, 0, 0);
  const int h = control->GetPaintManager()->GetFixedHeaderHeight();
  const int b = (h - 3) / 2;
  EXPECT_EQ(Header()->GetGroupByHeight(), 2 * b + 15);
  control->GetColumns()->GetGroupsOrder()->Add(Col(0));
  control->GetColumns()->GetGroupsOrder()->Add(Col(1));
  EXPECT_EQ(Header()->GetGroupByHeight(), 3 * b + 15);
}

TEST_F(HeaderTest, FrozenCountFollowsColumnChangesOnlyWhenAbsolute) {
  Make(600, 300, {100, 100, 100, 100}, 0, 0);
  control->SetFreezeColumnsCount(2);
  control->m_nFreezeColumnsAbs = FALSE;
  control->AddColumn(new CTKReportColumn(4, u"New", 50));
  EXPECT_EQ(control->GetFreezeColumnsCount(), 2);
  control->m_nFreezeColumnsAbs = TRUE;
  control->AddColumn(new CTKReportColumn(5, u"Newer", 50));  // 0x11 before any drag
  EXPECT_EQ(control->GetFreezeColumnsCount(), 1);
  control->SetFreezeColumnsCount(control->GetColumns()->GetCount());
  EXPECT_EQ(control->GetFreezeColumnsCount(), 0);
}

// The frozen count is always one the columns allow: stored counts are held
// to 0..columns-1, and a count the columns no longer allow reads 0 and
// stays 0 when columns come back.
TEST_F(HeaderTest, FrozenCountIsAlwaysOneTheColumnsAllow) {
  Make(600, 300, {100, 100, 100, 100}, 0, 0);
  struct Case {
    int given, kept;
  };
  for (const Case& c : {Case{-1, 0}, Case{0, 0}, Case{2, 2}, Case{3, 3}, Case{4, 0}, Case{INT_MAX, 0}}) {
    control->StoreFreezeColumnsCount(c.given);
    EXPECT_EQ(control->GetFreezeColumnsCount(), c.kept) << c.given;
  }
  control->SetFreezeColumnsCount(2);
  ASSERT_EQ(control->GetFreezeColumnsCount(), 2);
  control->GetColumns()->Clear();
  EXPECT_EQ(control->GetFreezeColumnsCount(), 0);
  for (int i = 0; i < 4; ++i) control->AddColumn(new CTKReportColumn(i, u"Again", 100));
  EXPECT_EQ(control->GetFreezeColumnsCount(), 0);
}

// Widths at the very end of the int range (as a damaged object could hold
// them) add up without wrapping: the header's sums and positions saturate,
// and sizing gives the columns widths within their bounds.
TEST_F(HeaderTest, HostileWidthsNeitherWrapNorSpread) {
  for (BOOL autoSizing : {FALSE, TRUE}) {
    Make(600, 300, {100, 100, 100}, 2, 0);
    Header()->m_bAutoColumnSizing = autoSizing;
    for (int i = 0; i < 3; ++i) Col(i)->m_nColumnStaticWidth = Col(i)->m_nColumnAutoWidth = INT_MAX;
    Col(1)->m_bAutoSize = autoSizing;  // every column shares the area under sizing
    Header()->AdjustColumnsWidth(600);
    EXPECT_GE(Header()->GetTotalWidth(), 600) << autoSizing;
    Header()->HitTestIndex(CPoint(INT_MAX - 1, 10));
    CTKReportColumn *prev, *curr, *next;
    int pos = 0, max = 0;
    Header()->GetFullColumnScrollInfo(prev, curr, next, pos, max);
    Header()->GetHeaderDropIndex(CPoint(300, 10));
    if (autoSizing) {
      // The area is shared by the automatic widths, however large they are.
      for (int i : {0, 1, 2}) EXPECT_LE(Col(i)->GetStaticWidth(), 600) << i;
    }
    delete control;
    control = nullptr;
  }
  // Sizing by the header holds a width asked for within the bounds.
  Make(600, 300, {100, 100, 100}, 2, 0);
  Header()->m_bAutoColumnSizing = FALSE;
  Header()->ResizeColumn(Col(0), INT_MAX);
  EXPECT_EQ(Col(0)->GetStaticWidth(), kTKReportMaxColumnWidth);
  Header()->ResizeColumn(Col(1), -5);
  EXPECT_EQ(Col(1)->GetStaticWidth(), 0);
}

TEST_F(HeaderTest, DoubleClickOnTheLastDividerUnderAutoSizingDoesNothing) {
  Make(600, 300, {100, 100}, 3, 0);
  Paint();
  const int before = Col(1)->GetWidth();
  control->SetMouseMode(1);
  Header()->OnLButtonDblClk(CPoint(CRect(Col(1)->m_rcColumn).right - 1, ColumnCentre(1).y));
  EXPECT_EQ(Col(1)->GetWidth(), before);
}

}  // namespace

namespace {

TEST_F(HeaderTest, DragImagePastTheEdgeScrollsByPixels) {
  Make(300, 200, {150, 150, 150}, 3);
  Header()->SetAutoColumnSizing(FALSE);
  for (int i = 0; i < 3; i++) Col(i)->SetWidth(150);
  Paint();
  ASSERT_TRUE(control->IsScrollBarVisible(SB_HORZ));
  const CPoint start = ColumnCentre(0);
  Header()->OnLButtonDown(start);
  Header()->OnMouseMove(0, CPoint(start.x + 10, start.y));
  CTKReportHeaderDragWnd* image = Header()->m_pDragWnd;
  ASSERT_NE(image, nullptr);
  CRect area, rc;
  control->GetWindowRect(&area);
  image->GetWindowRect(&rc);
  // 35 pixels past the right edge: 3 pixels a tick.
  image->SetWindowPos(nullptr, area.right + 35 - rc.Width(), rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  CPoint header(area.right - 5, area.top + control->GetElementRect(2).CenterPoint().y);
  pv::test::MouseMove(header.x, area.top - 20);  // above the header: nothing
  image->SendMessage(WM_TIMER, CTKReportHeaderDragWnd::kScrollTimer, 0);
  EXPECT_EQ(control->GetLeftOffset(), 0);
  pv::test::MouseMove(header.x, header.y);
  image->SendMessage(WM_TIMER, CTKReportHeaderDragWnd::kScrollTimer, 0);
  EXPECT_EQ(control->GetLeftOffset(), 3);
  Header()->CancelMouseMode();
  EXPECT_EQ(Header()->m_pDragWnd, nullptr);
}

}  // namespace

namespace {

TEST_F(HeaderTest, AccessibleChildrenAreTheColumns) {
  Make(400, 200, {100, 100, 100}, 0);
  Col(1)->SetVisible(FALSE);
  Paint();
  LONG count = 0;
  ASSERT_EQ(Header()->GetAccessibleChildCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  auto child = [](LONG id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
  };
  BSTR name = nullptr;
  ASSERT_EQ(Header()->GetAccessibleName(child(0), &name), S_OK);
  EXPECT_EQ(CString(name), CString(u"Report Header"));
  ::SysFreeString(name);
  ASSERT_EQ(Header()->GetAccessibleName(child(3), &name), S_OK);
  EXPECT_EQ(CString(name), CString(u"Column 2"));
  ::SysFreeString(name);
  EXPECT_EQ(Header()->GetAccessibleName(child(4), &name), E_INVALIDARG);
  VARIANT state, role;
  Header()->GetAccessibleState(child(2), &state);
  EXPECT_EQ(state.lVal, 0x8000);  // hidden
  Header()->GetAccessibleRole(child(1), &role);
  EXPECT_EQ(role.lVal, 25);
  // A hit on the third column (the second shown).
  CPoint pt = ColumnCentre(2);
  control->ClientToScreen(&pt);
  VARIANT hit;
  ASSERT_EQ(Header()->AccessibleHitTest(pt.x, pt.y, &hit), S_OK);
  EXPECT_EQ(hit.lVal, 3);
  CPoint below(pt.x, pt.y + 100);
  EXPECT_EQ(Header()->AccessibleHitTest(below.x, below.y, &hit), S_FALSE);
}

}  // namespace
