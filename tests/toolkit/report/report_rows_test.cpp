// Rows, row collections and sections: the row comparison and the keyed
// sort, insertion positions, walking and searching, group formulas, merged
// cells and the layout of the three sections.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "report_engine_support.h"
#include "toolkit/report/reportsort.h"

using namespace rptest;

namespace {

using Strings = std::vector<std::string>;

class RowsTest : public ControlTest {};

class KeyedSortTest : public RowsTest, public ::testing::WithParamInterface<int> {};

// 0: priorities and group captions (the comparison is called); 1: plain
// values (ranked); 2: plain values in a collection that ignores case.
TEST_P(KeyedSortTest, MatchesTheMergeSortCallingCompareRows) {
  std::mt19937 rng(7);
  const char* words[] = {"pear", "Pear", "apple", "", "fig", "apple"};
  if (GetParam() == 2) control->GetRecords()->SetCaseSensitive(FALSE);
  for (int i = 0; i < 300; ++i) {
    CTKReportRecord* r = Add("r" + std::to_string(i), words[rng() % 6], static_cast<double>(rng() % 5));
    if (GetParam() == 0 && rng() % 7 == 0) r->GetItem(1)->SetSortPriority(static_cast<int>(rng() % 3));
    if (GetParam() == 0 && rng() % 9 == 0) r->GetItem(1)->SetGroupCaption(u"set");
  }
  struct Case {
    std::vector<CTKReportColumn*> groups, sorts;
    bool increasing;
  };
  const Case cases[] = {{{}, {number}, true},
                        {{}, {text, number}, false},
                        {{text}, {number}, true},
                        {{number}, {text}, false},
                        {{text, number}, {}, true}};
  for (const Case& c : cases) {
    control->GetColumns()->GetGroupsOrder()->Clear();
    control->GetColumns()->GetSortOrder()->Clear();
    for (CTKReportColumn* g : c.groups) control->GetColumns()->GetGroupsOrder()->Add(g);
    for (CTKReportColumn* s : c.sorts) control->GetColumns()->GetSortOrder()->Add(s);
    number->SetSortIncreasing(c.increasing);
    text->SetSortIncreasing(!c.increasing);
    control->GetColumns()->GetGroupsOrder()->Clear();  // sort the plain rows by the same columns
    for (CTKReportColumn* g : c.groups) control->GetColumns()->GetGroupsOrder()->Add(g);
    control->GetSection(kTKReportSectionBody)->AllowGroup(FALSE);
    control->RebuildRows();
    std::vector<CTKReportRow*> rows;
    for (int i = 0; i < Rows()->GetCount(); ++i) rows.push_back(Rows()->GetAt(i));
    auto byCompareRows = [](std::vector<CTKReportRow*> v) {
      TKReportMergeSort(v.data(), v.size(),
                        [](const CTKReportRow* a, const CTKReportRow* b) { return CTKReportRows::CompareRows(a, b); });
      return v;
    };
    // Item comparisons need not be consistent, so the order depends on the
    // input order: compare from the same starting orders.
    std::vector<CTKReportRow*> collection = rows;
    std::sort(collection.begin(), collection.end(), [](const CTKReportRow* a, const CTKReportRow* b) {
      return a->GetRecord()->GetIndex() < b->GetRecord()->GetIndex();
    });
    EXPECT_EQ(rows, byCompareRows(collection)) << "the rebuild sorts as CompareRows orders";
    std::vector<CTKReportRow*> reversed(collection.rbegin(), collection.rend());
    std::vector<CTKReportRow*> keyed = reversed;
    TKReportSortRowsKeyed(keyed.data(), static_cast<int>(keyed.size()));
    EXPECT_EQ(keyed, byCompareRows(reversed));
  }
}
INSTANTIATE_TEST_SUITE_P(Items, KeyedSortTest, ::testing::Values(0, 1, 2));

TEST_F(RowsTest, CompareRowsBreaksTiesByRecordOrderAndGroupRowsByFirstChild) {
  Add("a", "same", 1);
  Add("b", "same", 1);
  control->GetColumns()->GetSortOrder()->Add(number);
  control->RebuildRows();
  CTKReportRow* a = RowNamed("a");
  CTKReportRow* b = RowNamed("b");
  for (BOOL increasing : {TRUE, FALSE}) {
    number->SetSortIncreasing(increasing);
    EXPECT_LT(CTKReportRows::CompareRows(a, b), 0);
    EXPECT_GT(CTKReportRows::CompareRows(b, a), 0);
  }
  EXPECT_EQ(CTKReportRows::CompareRows(a, a), 0);
  // A group column whose sort-when-grouped flag is off takes no part.
  control->GetRecords()->GetAt(0)->GetItem(1)->SetGroupCaption(u"z");
  control->GetColumns()->GetGroupsOrder()->Add(text);
  EXPECT_GT(CTKReportRows::CompareRows(a, b), 0);
  text->m_bAutoSortWhenGrouped = FALSE;
  EXPECT_LT(CTKReportRows::CompareRows(a, b), 0);
  CTKReportGroupRow group;
  group.InitRow(control.get(), nullptr, nullptr);
  EXPECT_EQ(CTKReportRows::CompareRows(&group, a), 0);
}

// Insertion under two group columns in a list that is not grouped (as the
// header and footer rows are): a new row differing at the second group
// column goes before the row, whatever that column's direction; only the
// first column's difference follows its direction; equal places compare
// equal, where sorting always orders them.
TEST_F(RowsTest, InsertionUnderNestedGroupingGoesFirstBelowTheOuterLevel) {
  Add("a", "x", 1);
  Add("b", "x", 3);
  Add("c", "y", 2);
  control->RebuildRows();
  ASSERT_EQ(Display(Rows()), (Strings{"0:a", "0:b", "0:c"}));
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->GetColumns()->GetGroupsOrder()->Add(number);
  // Records of another collection, so that record indexes can be equal.
  CTKReportRecords* others = control->GetFooterRecords();
  auto makeRow = [&](CTKReportRecord* record) {
    CTKReportRow* row = control->CreateRow();
    row->InitRow(control.get(), nullptr, record);
    return row;
  };
  CTKReportRow* n = makeRow(control->GetRecords()->Add(NamedRecord("n", "x", 2)));  // index 3
  CTKReportRow* sameAsA = makeRow(others->Add(NamedRecord("a2", "x", 1)));          // index 0
  CTKReportRow* a = RowNamed("a");
  CTKReportRow* b = RowNamed("b");
  CTKReportRow* c = RowNamed("c");
  CTKReportRow* z = makeRow(control->GetRecords()->Add(NamedRecord("z", "x", 2)));  // index 4
  struct Case {
    const char* what;
    CTKReportRow* row1;
    CTKReportRow* row2;
    BOOL textIncreasing, numberIncreasing;
    int insertion, sorting;
    const char* insertedBefore;  // where n goes in the list a, b, c
  };
  const Case cases[] = {
      {"inner level greater", n, a, TRUE, TRUE, -1, 1, "a"},
      {"inner level greater, decreasing", n, a, TRUE, FALSE, -1, -1, "a"},
      {"inner level smaller", n, b, TRUE, TRUE, -1, -1, "a"},
      {"outer level", n, c, TRUE, TRUE, -1, -1, "a"},
      {"outer level, decreasing", n, c, FALSE, TRUE, 1, 1, "a"},
      {"equal place", sameAsA, a, TRUE, TRUE, 0, -1, "a"},
      {"equal keys, later place", z, n, TRUE, TRUE, 1, 1, "a"},
      {"equal keys, earlier place", n, z, TRUE, TRUE, -1, -1, "a"},
  };
  std::vector<CTKReportRow*> made{n, sameAsA, z};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    text->SetSortIncreasing(k.textIncreasing);
    number->SetSortIncreasing(k.numberIncreasing);
    EXPECT_EQ(CTKReportRows::CompareRowsForInsertion(k.row1, k.row2), k.insertion);
    EXPECT_EQ(CTKReportRows::CompareRows(k.row1, k.row2), k.sorting);
    BOOL after = TRUE;
    CTKReportRow* before = Rows()->FindInsertionPos(n, after);
    EXPECT_FALSE(after);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(NameOf(before->GetRecord()), k.insertedBefore);
  }
  for (CTKReportRow* row : made) row->InternalRelease();
}

TEST_F(RowsTest, WalkingAndInsertionPositionsAtTheEdges) {
  CTKReportRows empty;
  BOOL after = TRUE;
  EXPECT_EQ(empty.GetNext(nullptr, TRUE), nullptr);
  EXPECT_EQ(empty.FindInsertionPos(nullptr, after), nullptr);
  EXPECT_FALSE(after);
  for (const char* n : {"a", "b", "c"}) Add(n, "t", 1);
  control->RebuildRows();
  EXPECT_EQ(Rows()->GetNext(Rows()->GetAt(2), TRUE), Rows()->GetAt(2));
  EXPECT_EQ(Rows()->GetPrev(Rows()->GetAt(0), TRUE), Rows()->GetAt(0));
  EXPECT_EQ(Rows()->GetNext(nullptr, TRUE), Rows()->GetAt(0));
  EXPECT_EQ(Rows()->GetAt(3), nullptr);
  EXPECT_EQ(Rows()->GetAt(-1), nullptr);
}

TEST_F(RowsTest, FindItemModesAndFlags) {
  Add("Alpha", "beta gamma", 1);
  control->RebuildRows();
  struct Case {
    const char* text;
    int flags;
    bool found;
  };
  const Case cases[] = {
      {"Alpha", 8, true}, {"lpha", 8, false}, {"alpha", 1, true}, {"alpha", 3, false}, {"Alpha", 3, true},
      {"gamma", 2, true}, {"beta", 2, false}, {"GAMMA", 0, true}, {"GAMMA", 4, true},  {"delta", 0, false},
  };
  for (const Case& c : cases) {
    TK_REPORTFINDITEM_RANGE range;
    range.nLastRow = 10;
    range.nLastItem = 5;
    range.strText = Wide(c.text);
    range.nFlags = c.flags;
    EXPECT_EQ(Rows()->FindItem(range) != nullptr, c.found) << c.text << " flags " << c.flags;
  }
}

TEST_F(RowsTest, GroupFormulaSumsTheTermsItems) {
  for (const auto& items : {Strings{"r1", "x", "1", "2", "9"}, Strings{"r2", "x", "3", "4", "9"}}) {
    CTKReportRecord* r = TextRecord(items);
    control->AddRecord(r);
  }
  control->AddColumn(new CTKReportColumn(3, u"C3", 50));
  control->AddColumn(new CTKReportColumn(4, u"C4", 50));
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->RebuildRows();
  auto* group = static_cast<CTKReportGroupRow*>(Rows()->GetAt(0));
  ASSERT_TRUE(group->IsGroupRow());
  group->m_strGroupLabel = u"Total";
  struct Case {
    const char* formula;
    const char* format;
    const char* caption;
  };
  const Case cases[] = {
      {"SUMSUB(C2:C4)", "", "Total [2]10.000000"},
      {"SUMSUB(R*C1:R*C2)", "%d", "Total [1]0"},  // item 1 only ("x" reads as 0)
      {"SUMSUB(C2:C3)", "%.1f", "Total [2]4.0"},
      {"SUMSUB(C0:C*)", "%d", "Total [0]28"},  // every item: 0 + 0 + 1+2+9 + 3+4+9
      {"SUMSUB(C2C3)", "", "Total"},           // no ":": nothing appended
  };
  for (const Case& c : cases) {
    group->SetFormula(Wide(c.formula).GetString());
    group->SetFormatString(Wide(c.format).GetString());
    group->SetCaption(u"x");
    EXPECT_EQ(Narrow(group->GetCaption()), c.caption) << c.formula;
  }
  CTKReportGroupRow plain;
  plain.SetCaption(u"caption");
  plain.SetCaption(u"x");
  EXPECT_EQ(Narrow(plain.GetCaption()), "");
}

// Terms one after another: a term of one item starts its sum afresh, a
// wider term adds to the sums before it. The expected captions come from a
// model of that rule over the items' numbers.
TEST_F(RowsTest, GroupFormulaOfSeveralTermsResetsOnlyForOneItemTerms) {
  const std::vector<Strings> records = {{"r1", "x", "1", "2", "9"}, {"r2", "x", "3", "4", "9"}};
  for (const Strings& items : records) control->AddRecord(TextRecord(items));
  control->AddColumn(new CTKReportColumn(3, u"C3", 50));
  control->AddColumn(new CTKReportColumn(4, u"C4", 50));
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->RebuildRows();
  auto* group = static_cast<CTKReportGroupRow*>(Rows()->GetAt(0));
  ASSERT_TRUE(group->IsGroupRow());
  group->m_strGroupLabel = u"Total";
  // The model: items [from, to) of every record, read as numbers.
  auto model = [&](const std::vector<std::pair<int, int>>& terms) {
    std::string caption = "Total";
    double running = 0;
    for (auto [from, to] : terms) {
      if (to == from + 1) running = 0;
      for (const Strings& items : records)
        for (int j = from; j < to && j < static_cast<int>(items.size()); ++j) running += std::atof(items[j].c_str());
      caption += " [" + std::to_string(from) + "]" + std::to_string(static_cast<long long>(running));
    }
    return caption;
  };
  struct Case {
    const char* formula;
    std::vector<std::pair<int, int>> terms;
  };
  const Case cases[] = {
      {"SUMSUB(C2:C3) SUMSUB(C3:C4)", {{2, 3}, {3, 4}}},                        // two resets: 4, then 6
      {"SUMSUB(C2:C4) SUMSUB(C4:C5)", {{2, 4}, {4, 5}}},                        // 10, then 18 afresh
      {"SUMSUB(C2:C3) SUMSUB(C2:C5)", {{2, 3}, {2, 5}}},                        // 4, then 4 + 28
      {"SUMSUB(C0:C2) SUMSUB(C2:C4) SUMSUB(C4:C5)", {{0, 2}, {2, 4}, {4, 5}}},  // 0, 10, 18
      {"SUMSUB(R*C3:R*C4)SUMSUB(R*C2:R*C*)", {{3, 4}, {2, 5}}},                 // 6, then 6 + 28
      {"     SUMSUB(C2:C3) SUMSUB(C3:C4)", {{2, 3}, {3, 4}}},                   // blanks before the first term
      {"SUMSUB(C2:C3) SUMSUB(C3C4)", {{2, 3}}},                                 // the unreadable term ends the scan
  };
  for (const Case& c : cases) {
    group->SetFormula(Wide(c.formula).GetString());
    group->SetFormatString(u"%d");
    group->SetCaption(u"x");
    EXPECT_EQ(Narrow(group->GetCaption()), model(c.terms)) << c.formula;
  }
}

TEST(MergedCellsTest, TouchingCellsJoinAndTheRestWaitForTheNextCall) {
  CTKReportRecordMergeItem cells;
  cells.AddItem(1, 0, CRect(100, 0, 200, 20));
  cells.AddItem(1, 1, CRect(100, 20, 200, 40));
  cells.AddItem(3, 1, CRect(300, 20, 400, 40));
  TK_REPORTMERGEDRANGE range;
  CRect rect;
  ASSERT_TRUE(cells.FindMergedRect(range, rect));
  EXPECT_EQ(rect, CRect(100, 0, 200, 40));
  EXPECT_EQ(range.nRowFrom, 0);
  EXPECT_EQ(range.nRowTo, 1);
  ASSERT_TRUE(cells.FindMergedRect(range, rect));
  EXPECT_EQ(rect, CRect(300, 20, 400, 40));
  EXPECT_EQ(range.nColumnFrom, 3);
  EXPECT_FALSE(cells.FindMergedRect(range, rect));
  // A block of four cells given in any order is one rectangle.
  cells.AddItem(2, 5, CRect(200, 100, 300, 120));
  cells.AddItem(1, 6, CRect(100, 120, 200, 140));
  cells.AddItem(1, 5, CRect(100, 100, 200, 120));
  cells.AddItem(2, 6, CRect(200, 120, 300, 140));
  // Entries are visited once in order: the diagonal one waits for the next call.
  ASSERT_TRUE(cells.FindMergedRect(range, rect));
  EXPECT_EQ(rect, CRect(100, 100, 300, 140));
  ASSERT_TRUE(cells.FindMergedRect(range, rect));
  EXPECT_EQ(rect, CRect(100, 120, 200, 140));
  EXPECT_EQ(cells.GetCount(), 0);
  // A cell above the range, or left of it, joins it as well.
  cells.AddItem(4, 3, CRect(400, 60, 500, 80));
  cells.AddItem(4, 2, CRect(400, 40, 500, 60));
  cells.AddItem(3, 2, CRect(300, 40, 400, 60));
  ASSERT_TRUE(cells.FindMergedRect(range, rect));
  EXPECT_EQ(rect, CRect(300, 40, 500, 80));
  EXPECT_EQ(range.nColumnFrom, 3);
  EXPECT_EQ(range.nRowFrom, 2);
  EXPECT_EQ(cells.GetCount(), 0);
}

TEST_F(RowsTest, SectionHeightsFollowTheirModes) {
  CTKReportSections& sections = *control->GetSections();
  CTKReportSection* header = sections.GetSection(kTKReportSectionHeader);
  CTKReportSection* body = sections.GetSection(kTKReportSectionBody);
  CTKReportSection* footer = sections.GetSection(kTKReportSectionFooter);
  header->SetVisible(TRUE);
  footer->SetVisible(TRUE);
  header->SetHeightMode(kTKReportSectionHeightFixed);
  header->SetHeight(40);
  body->SetHeightMode(kTKReportSectionHeightFill);
  footer->SetHeightMode(kTKReportSectionHeightFixed);
  footer->SetHeight(20);
  sections.AdjustLayout(nullptr, CRect(0, 0, 100, 200));
  EXPECT_EQ(header->GetRect(), CRect(0, 0, 100, 40));
  EXPECT_EQ(body->GetRect(), CRect(0, 40, 100, 180));
  EXPECT_EQ(footer->GetRect(), CRect(0, 180, 100, 200));
  header->SetVisible(FALSE);
  footer->SetVisible(FALSE);
  body->SetHeightMode(kTKReportSectionHeightPercent);
  body->SetHeight(50);
  sections.AdjustLayout(nullptr, CRect(0, 0, 100, 301));
  EXPECT_EQ(body->GetRect().Height(), 150);
  // A fill section never goes below zero.
  header->SetVisible(TRUE);
  header->SetHeight(500);
  body->SetHeightMode(kTKReportSectionHeightFill);
  sections.AdjustLayout(nullptr, CRect(0, 0, 100, 200));
  EXPECT_EQ(body->GetRect().Height(), 0);
}

TEST_F(RowsTest, EnsureVisibleScrollsRowsIntoTheSection) {
  for (int i = 0; i < 20; ++i) Add("r" + std::to_string(i), "t", i);
  control->RebuildRows();
  CTKReportSection* body = control->GetSection(kTKReportSectionBody);
  CClientDC dc(control.get());
  body->SetRect(CRect(0, 0, 100, 5 * Rows()->GetAt(0)->GetHeight(&dc, 100)));  // five rows
  body->EnsureVisible(&dc, Rows()->GetAt(12));
  EXPECT_EQ(Rows()->GetTopRowIndex(), 8);  // row 12 is the last one shown
  body->EnsureVisible(&dc, Rows()->GetAt(10));
  EXPECT_EQ(Rows()->GetTopRowIndex(), 8);  // already shown
  body->EnsureVisible(&dc, Rows()->GetAt(3));
  EXPECT_EQ(Rows()->GetTopRowIndex(), 3);
  EXPECT_FALSE(body->EnsureVisible(nullptr, Rows()->GetAt(3)));
}

}  // namespace

// ---- drawing -----------------------------------------------------------------------------------

#include "report_paint_test_support.h"

namespace {

// A text item that records where it was asked to draw.
class RecordingItem : public CTKReportRecordItemText {
 public:
  explicit RecordingItem(std::vector<CRect>* drawn) : CTKReportRecordItemText(u"x"), m_drawn(drawn) {}
  int Draw(TK_REPORTRECORDITEM_DRAWARGS* args) override {
    m_drawn->push_back(CRect(args->rcItem));
    return 42;
  }
  std::vector<CRect>* m_drawn;
};

TEST_F(RowsTest, RowsDrawEachVisibleCellOnceAndCollectMergedCells) {
  std::vector<CRect> drawn;
  CTKReportRecord* records[2];
  for (int r = 0; r < 2; ++r) {
    records[r] = new CTKReportRecord();
    for (int i = 0; i < 3; ++i) records[r]->AddItem(new RecordingItem(&drawn));
    control->AddRecord(records[r]);
  }
  // Item 2 of both rows is one merged cell.
  records[1]->GetItem(2)->SetMergeItem(records[0]->GetItem(2));
  records[0]->GetItem(2)->SetMergeItem(records[0]->GetItem(2));
  control->RebuildRows();
  name->m_rcColumn = CRect(0, 0, 100, 20);
  text->m_rcColumn = CRect(100, 0, 200, 20);
  number->m_rcColumn = CRect(200, 0, 300, 20);
  PaintCanvas canvas(300, 100);
  CRect area(0, 0, 300, 100);
  control->DrawRows(canvas.DC(), area, 0, Rows(), 0, 0, 3);
  const CRect first = Rows()->GetAt(0)->GetRect();
  const CRect second = Rows()->GetAt(1)->GetRect();
  EXPECT_EQ(first.top, 0);
  EXPECT_EQ(second.top, first.bottom);
  ASSERT_GT(first.Height(), 0);
  // Two plain cells per row, then the merged cell once over both rows.
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(drawn[0], CRect(0, first.top, 100, first.bottom));
  EXPECT_EQ(drawn[1], CRect(100, first.top, 200, first.bottom));
  EXPECT_EQ(drawn[2], CRect(0, second.top, 100, second.bottom));
  EXPECT_EQ(drawn[4].top, first.top);
  EXPECT_GE(drawn[4].bottom, second.bottom - 1);
  EXPECT_EQ(name->GetWidestCell(), 42);
  // A hidden column's cells are not drawn.
  drawn.clear();
  text->SetVisible(FALSE);
  control->DrawRows(canvas.DC(), area, 0, Rows(), 0, 0, 3);
  for (const CRect& rc : drawn) EXPECT_NE(rc.left, 100) << "hidden column drawn";
}

}  // namespace

namespace {

TEST_F(RowsTest, VariableRowHeightsOfferResizingNearTheBottomEdge) {
  Add("a", "t", 1);
  control->SetVariableRowHeight(TRUE);
  control->SetDefaultRowHeight(25);
  control->RebuildRows();
  CTKReportRow* row = Rows()->GetAt(0);
  EXPECT_EQ(row->GetRowHeight(), 25);
  row->m_rcRow = CRect(0, 0, 300, 25);
  struct Case {
    int y;
    int mode;
  };
  // From 3 pixels above the bottom edge to 1 below it.
  for (Case c : {Case{10, kTKReportMouseNothing}, Case{21, kTKReportMouseNothing},
                 Case{22, kTKReportMouseOverRowDivide}, Case{25, kTKReportMouseOverRowDivide},
                 Case{26, kTKReportMouseOverRowDivide}, Case{27, kTKReportMouseNothing}}) {
    control->SetMouseMode(kTKReportMouseNothing);
    row->OnMouseMove(0, CPoint(50, c.y));
    EXPECT_EQ(control->GetMouseMode(), c.mode) << "y " << c.y;
  }
  control->SetVariableRowHeight(FALSE);
  control->SetMouseMode(kTKReportMouseNothing);
  row->OnMouseMove(0, CPoint(50, 24));
  EXPECT_EQ(control->GetMouseMode(), kTKReportMouseNothing);
}

}  // namespace

#include "platform/window/toolinfo.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

TEST_F(RowsTest, ToolHitTestsGiveTheItemsTipWithoutTags) {
  CTKReportRecord* r = Add("a", "t", 1);
  r->GetItem(0)->SetTooltip(u"<b>Bold</b> tip");
  r->GetItem(1)->SetTooltip(u" ");
  control->GetColumns()->GetGroupsOrder()->Add(number);
  control->RebuildRows();
  name->m_rcColumn = CRect(0, 0, 100, 20);
  text->m_rcColumn = CRect(100, 0, 200, 20);
  number->m_rcColumn = CRect(200, 0, 300, 20);
  CTKReportRow* row = RowNamed("a");
  row->m_rcRow = CRect(0, 20, 300, 40);
  auto tipAt = [&](CTKReportRow* target, int x) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    const INT_PTR id = target->OnToolHitTest(CPoint(x, 30), &ti);
    std::string out = id == -1 ? "none" : Narrow(CString(ti.lpszText));
    if (id != -1) std::free(ti.lpszText);
    return out;
  };
  control->GetPaintManager()->m_bCleanTooltip = FALSE;
  EXPECT_EQ(tipAt(row, 150), "none");  // a blank tip is no tip
  EXPECT_EQ(tipAt(row, 250), "none");  // no tip at all
  EXPECT_EQ(tipAt(row, 10).substr(0, 3), "<b>");
  control->GetPaintManager()->m_bCleanTooltip = TRUE;
  EXPECT_EQ(tipAt(row, 10), "Bold tip");
  // The owner may change the text (-74).
  host->onNotify = [](int code, NMHDR* h) {
    if (code == TK_NM_REPORT_GETTOOLTIPINFO) *reinterpret_cast<TK_NM_REPORTTOOLTIPINFO*>(h)->pstrText = u"owner";
    return LRESULT{0};
  };
  EXPECT_EQ(tipAt(row, 10), "owner");
  auto* group = static_cast<CTKReportGroupRow*>(Rows()->GetAt(0));
  ASSERT_TRUE(group->IsGroupRow());
  group->m_strGroupText = u"A<i>B</i>C";
  EXPECT_EQ(tipAt(group, 10), "ABC");
  group->m_strGroupText = u"";
  EXPECT_EQ(tipAt(group, 10), "none");
}

}  // namespace
