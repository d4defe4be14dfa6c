// The selection's block algebra against a set of indexes, range selection
// and its notifications, and keyboard navigation across the sections.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "report_engine_support.h"
#include "toolkit/report/reportnavigator.h"

using namespace rptest;

namespace {

using Blocks = std::vector<CTKReportSelectedRows::SELECTED_BLOCK>;
using Strings = std::vector<std::string>;

std::set<int> AsSet(const CTKReportSelectedRows& sel) {
  std::set<int> out;
  for (const auto& b : sel.GetBlocks())
    for (int i = b.nIndexBegin; i < b.nIndexEnd; ++i) out.insert(i);
  return out;
}

// Blocks must be sorted, non-empty, disjoint and maximal (never touching).
void ExpectWellFormed(const CTKReportSelectedRows& sel) {
  const Blocks& blocks = sel.GetBlocks();
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_LT(blocks[i].nIndexBegin, blocks[i].nIndexEnd);
    if (i > 0) EXPECT_LT(blocks[i - 1].nIndexEnd, blocks[i].nIndexBegin) << "blocks touch or overlap";
  }
}

class SelectionTest : public ControlTest {
 protected:
  void Fill(int n) {
    for (int i = 0; i < n; ++i) Add("r" + std::to_string(i), "t", i);
    control->RebuildRows();
    control->GetSelectedRows()->Clear(FALSE);
  }
  // Checked at every access, as the rows are.
  CTKReportSelectedRows& Sel() {
    ExpectSane();
    return *control->GetSelectedRows();
  }
};

TEST_F(SelectionTest, BlockAlgebraOfTheDescribedCases) {
  Fill(20);
  Sel().Add(Rows()->GetAt(3));
  Sel().Add(Rows()->GetAt(5));
  Sel().Add(Rows()->GetAt(4));
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{3, 6}}));
  Sel().Remove(Rows()->GetAt(4));
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{3, 4}, {5, 6}}));
  Sel().Remove(Rows()->GetAt(3));
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{5, 6}}));
  Sel().Clear(FALSE);
  Sel().AddBlock(2, 7);
  Sel().ShiftRows(4, 3);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{2, 5}, {8, 11}}));
  EXPECT_EQ(Sel().GetCount(), 6);
  EXPECT_EQ(Sel().GetAt(3), Rows()->GetAt(8));
  EXPECT_EQ(Sel().GetAt(6), nullptr);
  // Enumeration walks the same rows.
  std::vector<int> walked;
  for (int pos = Sel().GetFirstSelectedRowPosition(); pos;) walked.push_back(Sel().GetNextSelectedRow(pos)->GetIndex());
  EXPECT_EQ(walked, (std::vector<int>{2, 3, 4, 8, 9, 10}));
}

TEST_F(SelectionTest, RandomAddsRemovesAndBlocksMatchASetModel) {
  Fill(40);
  std::mt19937 rng(12345);
  std::set<int> model;
  for (int step = 0; step < 3000; ++step) {
    const int op = static_cast<int>(rng() % 4);
    const int a = static_cast<int>(rng() % 40), b = static_cast<int>(rng() % 40);
    if (op == 0) {
      Sel().Add(Rows()->GetAt(a));
      model.insert(a);
    } else if (op == 1) {
      Sel().Remove(Rows()->GetAt(a));
      model.erase(a);
    } else if (op == 2) {
      Sel().AddBlock(a, b);
      for (int i = std::min(a, b); i <= std::max(a, b); ++i) model.insert(i);
    } else if (rng() % 20 == 0) {
      Sel().Clear(FALSE);
      model.clear();
    }
    ASSERT_EQ(AsSet(Sel()), model) << "step " << step;
    ExpectWellFormed(Sel());
    for (int i = 0; i < 40; ++i) ASSERT_EQ(Sel().Contains(Rows()->GetAt(i)), model.count(i) == 1) << i;
  }
}

TEST_F(SelectionTest, ShiftRangeSelectsOneBlockAndReportsIt) {
  Fill(10);
  int first = -1, last = -1;
  host->onNotify = [&](int code, NMHDR* h) {
    if (code == TK_NM_REPORT_SELCHANGED_RANGE) {
      first = reinterpret_cast<TK_NM_SELECTION_RANGE*>(h)->nBegin;
      last = reinterpret_cast<TK_NM_SELECTION_RANGE*>(h)->nEnd;
    }
    return LRESULT{0};
  };
  Sel().SelectBlock(7, 2, FALSE);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{2, 8}}));
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 7);
  const int reports = host->Count(TK_NM_REPORT_SELCHANGED_RANGE);
  Sel().SelectBlock(7, 2, FALSE);
  EXPECT_EQ(host->Count(TK_NM_REPORT_SELCHANGED_RANGE), reports) << "the same range again does nothing";
  // Outside the rows the selection is cleared.
  Sel().SelectBlock(3, 10, FALSE);
  EXPECT_EQ(Sel().GetCount(), 0);
}

TEST_F(SelectionTest, CtrlShiftRangeKeepsEveryEarlierBlock) {
  Fill(20);
  // The first block is the first row alone: it and every other block stay.
  Sel().AddBlock(0, 0);
  Sel().AddBlock(4, 5);
  Sel().AddBlock(12, 12);
  Sel().SelectBlock(15, 17, TRUE);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{0, 1}, {4, 6}, {12, 13}, {15, 18}}));
  // A target inside the overall span leaves the selection unchanged.
  Sel().m_nPivotRow = -1;
  Sel().SelectBlock(2, 7, TRUE);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{0, 1}, {4, 6}, {12, 13}, {15, 18}}));
  // A range over earlier blocks widens to cover them.
  Sel().m_nPivotRow = -1;
  Sel().SelectBlock(13, 19, TRUE);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{0, 1}, {4, 6}, {12, 20}}));
}

TEST_F(SelectionTest, ShiftRangeOverGroupsPassesOverInnerExpandedGroupRows) {
  for (int i = 0; i < 4; ++i) Add("r" + std::to_string(i), i < 2 ? "x" : "y", i);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->SetSelectionExcludeGroupRows(FALSE);
  control->RebuildRows();
  ASSERT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:r0", "1:r1", "0:G:Text: y", "1:r2", "1:r3"}));
  Sel().Clear(FALSE);
  Sel().SelectBlock(0, 4, FALSE);
  EXPECT_EQ(SelectedNames(*control), (Strings{"G:Text: x", "r0", "r1", "r2"}));
  // With group rows excluded from the selection, the clean-up drops them.
  control->SetSelectionExcludeGroupRows(TRUE);
  Sel().Clear(FALSE);
  Sel().SelectBlock(0, 4, FALSE);
  EXPECT_EQ(SelectedNames(*control), (Strings{"r0", "r1", "r2"}));
}

TEST_F(SelectionTest, SelectAllIsOneBlock) {
  Fill(30);
  Sel().AddBlock(0, Rows()->GetCount() - 1);
  EXPECT_EQ(Sel().GetBlocks(), (Blocks{{0, 30}}));
  EXPECT_EQ(Sel().GetCount(), 30);
}

// Selecting the rows of all records (Ctrl+A, and the rows a paste made)
// against a model that searches the display list record by record: the
// same rows, whatever the sort, grouping, children, filter and refusals.
TEST_F(SelectionTest, SelectAllRecordsSelectsWhatASearchPerRecordFinds) {
  struct Case {
    const char* what;
    bool sorted, grouped, collapsed, filtered, refuseEveryThird, keepEarlier;
  };
  const Case cases[] = {
      {"in record order", false, false, false, false, false, false},
      {"sorted against record order", true, false, false, false, false, false},
      {"grouped: group rows stay out", true, true, false, false, false, false},
      {"collapsed children have no row", false, false, true, false, false, false},
      {"filtered records have no row", true, false, false, true, false, false},
      {"the owner refuses some rows", true, false, false, false, true, false},
      {"added to an earlier selection", true, true, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    control->ResetContent(FALSE);
    control->GetColumns()->GetGroupsOrder()->Clear();
    control->GetColumns()->GetSortOrder()->Clear();
    control->SetFilterText(c.filtered ? u"keep" : u"");
    for (int i = 0; i < 30; ++i) {
      CTKReportRecord* r =
          NamedRecord("r" + std::to_string(i) + (i % 4 ? " keep" : ""), "g" + std::to_string(i % 3), (i * 7) % 30);
      if (i % 5 == 0) r->GetChilds()->Add(NamedRecord("c" + std::to_string(i) + " keep", "g", i));
      control->AddRecord(r);
    }
    if (c.sorted) control->GetColumns()->GetSortOrder()->Add(number);
    if (c.grouped) control->GetColumns()->GetGroupsOrder()->Add(text);
    control->RebuildRows();
    if (c.collapsed) control->CollapseAll();
    else control->ExpandAll();
    Sel().Clear(FALSE);
    if (c.keepEarlier) Sel().AddBlock(0, 2);

    // The model, on the same rows.
    std::set<int> expected = AsSet(Sel());
    int offered = 0;
    std::function<void(CTKReportRecords*)> walk = [&](CTKReportRecords* records) {
      for (int i = 0; i < records->GetCount(); ++i) {
        CTKReportRow* row = Rows()->FindRow(records->GetAt(i), FALSE);
        if (row && row->GetIndex() >= 0) {
          if (!(c.refuseEveryThird && offered % 3 == 2)) expected.insert(row->GetIndex());
          ++offered;
        }
        if (records->GetAt(i)->HasChildren()) walk(records->GetAt(i)->GetChilds());
      }
    };
    walk(control->GetRecords());

    int asked = 0;
    host->onNotify = [&](int code, NMHDR*) {
      if (code != TK_NM_REPORT_SELCHANGING) return LRESULT{0};
      return LRESULT{c.refuseEveryThird && asked++ % 3 == 2 ? 1 : 0};
    };
    const int before = host->Count(TK_NM_REPORT_SELCHANGING);
    control->SelectAllRecords(control->GetRecords());
    host->onNotify = nullptr;
    EXPECT_EQ(AsSet(Sel()), expected);
    ExpectWellFormed(Sel());
    EXPECT_EQ(host->Count(TK_NM_REPORT_SELCHANGING) - before, offered) << "the owner is asked once per row";
  }
}

TEST_F(SelectionTest, FocusMovesSelectWithShiftAndCtrl) {
  Fill(10);
  control->SetFocusedRow(Rows()->GetAt(2));
  control->SetFocusedRowShift(Rows()->GetAt(5), TRUE);
  EXPECT_EQ(AsSet(Sel()), (std::set<int>{2, 3, 4, 5}));
  control->SetFocusedRow(Rows()->GetAt(8), TRUE);  // Ctrl alone keeps the selection
  EXPECT_EQ(AsSet(Sel()), (std::set<int>{2, 3, 4, 5}));
  control->SetMultipleSelection(FALSE);
  control->SetFocusedRowShift(Rows()->GetAt(9), TRUE);
  EXPECT_EQ(AsSet(Sel()), (std::set<int>{9}));
}

// ---- navigation --------------------------------------------------------------------------------

class NavigatorTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    for (int i = 0; i < 10; ++i) Add("b" + std::to_string(i), "t", i);
    control->GetFooterRecords()->Add(NamedRecord("f0", "t", 0));
    control->GetFooterRecords()->Add(NamedRecord("f1", "t", 1));
    control->GetHeaderRecords()->Add(NamedRecord("h0", "t", 0));
    control->ShowFooterRows(TRUE);
    control->ShowHeaderRows(TRUE);
    control->RebuildRows();
    // A body exactly five rows high.
    const int rowHeight = Rows()->GetAt(0)->GetHeight(nullptr, 300);
    ASSERT_GT(rowHeight, 0);
    control->GetSection(kTKReportSectionBody)->SetRect(CRect(0, 0, 300, 5 * rowHeight));
  }
  CTKReportNavigator& Nav() { return *control->GetNavigator(); }
};

TEST_F(NavigatorTest, DownAndUpCrossTheSections) {
  control->SetFocusedRow(Rows()->GetAt(9));
  Nav().MoveDown();
  EXPECT_EQ(FocusedName(), "f0");
  Nav().MoveDown();
  Nav().MoveDown();
  EXPECT_EQ(FocusedName(), "f1");
  // Up from the first footer row goes to the last row on screen.
  Nav().MoveUp();
  EXPECT_EQ(FocusedName(), "f0");
  control->SetTopRow(0);
  // SetTopRow lays the control out for its window; keep the body five rows high.
  control->GetSection(kTKReportSectionBody)->SetRect(CRect(0, 0, 300, 5 * Rows()->GetAt(0)->GetHeight(nullptr, 300)));
  Nav().MoveUp();
  EXPECT_EQ(FocusedName(), "b4");
  control->SetFocusedRow(Rows()->GetAt(0));
  Nav().MoveUp();
  EXPECT_EQ(FocusedName(), "h0");
  Nav().MoveDown();
  EXPECT_EQ(FocusedName(), "b0");
  // With the footer hidden, nothing follows the last body row.
  control->ShowFooterRows(FALSE);
  control->SetFocusedRow(Rows()->GetAt(9));
  Nav().MoveDown();
  EXPECT_EQ(FocusedName(), "b9");
}

TEST_F(NavigatorTest, PagesMoveByTheRowsThatFit) {
  control->SetFocusedRow(Rows()->GetAt(1));
  Nav().MovePageDown();
  EXPECT_EQ(FocusedName(), "b6");
  Nav().MovePageUp();
  EXPECT_EQ(FocusedName(), "b1");
  control->GetSection(kTKReportSectionBody)->SetRect(CRect(0, 0, 300, 1));  // no row fits
  Nav().MovePageDown();
  EXPECT_EQ(FocusedName(), "b1");
  Nav().MoveLastRow();
  EXPECT_EQ(FocusedName(), "b9");
  Nav().MoveToRow(100);
  EXPECT_EQ(FocusedName(), "b9");
  Nav().MoveFirstRow();
  EXPECT_EQ(FocusedName(), "b0");
}

TEST_F(NavigatorTest, ColumnMovesWrapToTheNextRow) {
  control->FocusSubItems(TRUE);
  control->SetFocusedRow(Rows()->GetAt(3));
  control->SetFocusedColumn(number);
  Nav().MoveNextColumn();
  EXPECT_EQ(FocusedName(), "b4");
  EXPECT_EQ(control->GetFocusedColumn(), name);
  Nav().MovePreviousColumn();
  EXPECT_EQ(FocusedName(), "b3");
  EXPECT_EQ(control->GetFocusedColumn(), number);
}

TEST_F(NavigatorTest, IconViewMovesByLines) {
  ASSERT_TRUE(control->SetIconViewColumn(0));
  control->SetIconView(TRUE);
  ASSERT_TRUE(control->IsIconView());
  // The icons a line follow from the control's width.
  const int perLine = control->GetIconViewColumnsCount();
  ASSERT_GE(perLine, 2);
  ASSERT_LE(perLine, 8);
  CTKReportIconNavigator icons(control.get());
  const int start = 9 - perLine;
  control->SetFocusedRow(Rows()->GetAt(start));
  icons.MoveDown();
  EXPECT_EQ(FocusedName(), "b9");
  control->ShowFooterRows(FALSE);
  icons.MoveDown();
  EXPECT_EQ(FocusedName(), "b9");
  icons.MoveUp();
  EXPECT_EQ(FocusedName(), "b" + std::to_string(start));
  icons.MoveLeft();
  EXPECT_EQ(FocusedName(), "b" + std::to_string(start - 1));
}

}  // namespace
