// The report control: rebuilding rows (sort, group, focus, initial
// selection), re-sorting, the update lock, owner notifications and the
// focus core.
#include <gtest/gtest.h>

#include <algorithm>

#include "report_engine_support.h"
#include "toolkit/report/reportheader.h"

using namespace rptest;

namespace {

using Strings = std::vector<std::string>;

class RebuildTest : public ControlTest {};

TEST_F(RebuildTest, EmptyRecordsGiveNoRowsAndNoFocus) {
  control->RebuildRows();
  EXPECT_EQ(Rows()->GetCount(), 0);
  EXPECT_EQ(control->GetFocusedRow(), nullptr);
  EXPECT_EQ(control->GetSelectedRows()->GetCount(), 0);
}

TEST_F(RebuildTest, EqualSortKeysKeepCollectionOrderInBothDirections) {
  // Three records share each key; their collection order must survive.
  const char* names[] = {"a1", "b1", "a2", "c1", "b2", "a3", "c2", "b3", "c3"};
  const double keys[] = {1, 2, 1, 3, 2, 1, 3, 2, 3};
  for (int i = 0; i < 9; ++i) Add(names[i], "t", keys[i]);
  control->GetColumns()->GetSortOrder()->Add(number);
  for (BOOL increasing : {TRUE, FALSE}) {
    number->SetSortIncreasing(increasing);
    control->RebuildRows();
    Strings expected = increasing ? Strings{"0:a1", "0:a2", "0:a3", "0:b1", "0:b2", "0:b3", "0:c1", "0:c2", "0:c3"}
                                  : Strings{"0:c1", "0:c2", "0:c3", "0:b1", "0:b2", "0:b3", "0:a1", "0:a2", "0:a3"};
    EXPECT_EQ(Display(Rows()), expected) << "increasing " << increasing;
    // The re-sort of existing rows agrees.
    control->ReSortRows();
    EXPECT_EQ(Display(Rows()), expected) << "re-sorted, increasing " << increasing;
  }
}

TEST_F(RebuildTest, GroupsByCaptionWithCaseSensitivityOfTheCollection) {
  Add("r1", "Apple", 1);
  Add("r2", "apple", 2);
  Add("r3", "Pear", 3);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->RebuildRows();
  // Case-sensitive collection (the default): two apple groups.
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: Apple", "1:r1", "0:G:Text: Pear", "1:r3", "0:G:Text: apple", "1:r2"}));
  control->GetRecords()->SetCaseSensitive(FALSE);
  control->RebuildRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: Apple", "1:r1", "1:r2", "0:G:Text: Pear", "1:r3"}));
  EXPECT_EQ(control->GetReportHeader()->GetIndentLevel(), 1);
}

TEST_F(RebuildTest, TwoGroupColumnsShareTheOuterGroup) {
  Add("r1", "x", 1);
  Add("r2", "x", 2);
  Add("r3", "y", 2);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->GetColumns()->GetGroupsOrder()->Add(number);
  control->RebuildRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:G:Number: 1", "2:r1", "1:G:Number: 2", "2:r2", "0:G:Text: y",
                                      "1:G:Number: 2", "2:r3"}));
  CTKReportRow* inner = Rows()->GetAt(2);
  EXPECT_EQ(inner->GetGroupLevel(), 2);
}

TEST_F(RebuildTest, FocusFollowsTheRecordAcrossRebuildAndReSort) {
  Add("a", "t", 3);
  Add("b", "t", 1);
  Add("c", "t", 2);
  control->RebuildRows();
  ASSERT_EQ(FocusedName(), "a");  // the first row when nothing was focused
  EXPECT_EQ(SelectedNames(*control), Strings{"a"});
  control->SetFocusedRow(RowNamed("c"));
  ASSERT_EQ(FocusedName(), "c");
  control->GetColumns()->GetSortOrder()->Add(number);
  control->RebuildRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:b", "0:c", "0:a"}));
  EXPECT_EQ(FocusedName(), "c");
  EXPECT_EQ(SelectedNames(*control), Strings{"c"});
  // A re-sort of the rows keeps the focused record focused and the only
  // row selected.
  number->SetSortIncreasing(FALSE);
  control->ReSortRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:a", "0:c", "0:b"}));
  EXPECT_EQ(FocusedName(), "c");
  EXPECT_EQ(SelectedNames(*control), Strings{"c"});
}

TEST_F(RebuildTest, ReSortKeepsOtherSelectedRecordsSelected) {
  for (int i = 0; i < 6; ++i) Add(std::string(1, static_cast<char>('a' + i)), "t", 6 - i);
  control->RebuildRows();
  control->SetFocusedRow(RowNamed("b"));
  control->SetFocusedRowShift(RowNamed("d"), TRUE);  // b..d selected, d focused
  EXPECT_EQ(SelectedNames(*control), (Strings{"b", "c", "d"}));
  control->GetColumns()->GetSortOrder()->Add(number);
  control->ReSortRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:f", "0:e", "0:d", "0:c", "0:b", "0:a"}));
  EXPECT_EQ(FocusedName(), "d");
  EXPECT_EQ(SelectedNames(*control), (Strings{"d", "c", "b"}));
}

TEST_F(RebuildTest, FirstGroupRowSelectsItsFirstDataRow) {
  Add("r1", "x", 1);
  Add("r2", "y", 2);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->GetColumns()->GetGroupsOrder()->Add(number);
  control->RebuildRows();
  // The focus is on the top group row, the selection on the first data row under it.
  EXPECT_TRUE(control->GetFocusedRow()->IsGroupRow());
  EXPECT_EQ(SelectedNames(*control), Strings{"r1"});
  control->SkipGroupsFocus(FALSE);
  control->GetSelectedRows()->Clear();
  Rows()->SetFocusedRowIndex(-1);
  control->RebuildRows();
  EXPECT_EQ(SelectedNames(*control), Strings{"G:Text: x"});
}

TEST_F(RebuildTest, ChildRecordsKeepTheirOrderUnlessChildSortingIsOn) {
  CTKReportRecord* parent = Add("p", "t", 0);
  parent->SetExpanded(TRUE);
  parent->GetChilds()->Add(NamedRecord("k3", "t", 3));
  parent->GetChilds()->Add(NamedRecord("k1", "t", 1));
  parent->GetChilds()->Add(NamedRecord("k2", "t", 2));
  control->GetColumns()->GetSortOrder()->Add(number);
  control->RebuildRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:p", "1:k3", "1:k1", "1:k2"}));
  control->SetSortRecordChilds(TRUE);
  control->RebuildRows();
  EXPECT_EQ(Display(Rows()), (Strings{"0:p", "1:k1", "1:k2", "1:k3"}));
}

TEST_F(RebuildTest, CollapseAndExpandMoveRowsFocusAndSelection) {
  Add("r1", "x", 1);
  Add("r2", "x", 2);
  Add("r3", "y", 3);
  Add("r4", "y", 4);
  control->GetColumns()->GetGroupsOrder()->Add(text);
  control->RebuildRows();
  ASSERT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:r1", "1:r2", "0:G:Text: y", "1:r3", "1:r4"}));
  control->SetFocusedRow(RowNamed("r4"));
  control->GetSelectedRows()->AddBlock(4, 4);  // r3 and r4
  CTKReportRow* groupX = Rows()->GetAt(0);
  groupX->SetExpanded(FALSE);
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "0:G:Text: y", "1:r3", "1:r4"}));
  EXPECT_EQ(FocusedName(), "r4");
  EXPECT_EQ(SelectedNames(*control), (Strings{"r3", "r4"}));
  EXPECT_EQ(host->Count(TK_NM_REPORT_ROWEXPANDED), 1);
  groupX->SetExpanded(TRUE);
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:r1", "1:r2", "0:G:Text: y", "1:r3", "1:r4"}));
  EXPECT_EQ(FocusedName(), "r4");
  EXPECT_EQ(SelectedNames(*control), (Strings{"r3", "r4"}));
  // Without children only the flag changes, with no notification.
  RowNamed("r1")->SetExpanded(FALSE);
  EXPECT_EQ(host->Count(TK_NM_REPORT_ROWEXPANDED), 2);
}

// ---- update lock -------------------------------------------------------------------------------

class CountingControl : public CTKReportControl {
 public:
  void RefreshIndexes(BOOL bAdjustLayout, BOOL bReverseOrder) override {
    ++refreshes;
    CTKReportControl::RefreshIndexes(bAdjustLayout, bReverseOrder);
  }
  int refreshes = 0;
};

TEST_F(ControlTest, NestedUpdatesInvalidateOnceAndRefreshOnce) {
  CountingControl c;
  ASSERT_TRUE(c.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), host.get(), 8));
  pv::test::PumpUntilIdle();
  CRect update;
  ASSERT_FALSE(::GetUpdateRect(c.m_hWnd, &update, FALSE));
  c.BeginUpdate();
  c.BeginUpdate();
  c.RedrawControl();
  c.RefreshIndexesDeferred();
  c.RefreshIndexesDeferred();
  c.EndUpdate();
  EXPECT_FALSE(::GetUpdateRect(c.m_hWnd, &update, FALSE)) << "invalidated while locked";
  EXPECT_EQ(c.refreshes, 0);
  c.RefreshIndexesDeferred();
  c.EndUpdate();
  EXPECT_TRUE(::GetUpdateRect(c.m_hWnd, &update, FALSE));
  EXPECT_EQ(c.refreshes, 1);
  EXPECT_EQ(c.GetLockUpdateCount(), 0);
  c.RefreshIndexesDeferred();  // unlocked: at once
  EXPECT_EQ(c.refreshes, 2);
}

// ---- notifications and focus -------------------------------------------------------------------

TEST_F(ControlTest, OwnerNotificationsCarryTheControlAndItsId) {
  NMHDR seen{};
  host->onNotify = [&](int, NMHDR* h) {
    seen = *h;
    return LRESULT{5};
  };
  EXPECT_EQ(control->SendOwnerNotify(TK_NM_REPORT_SELCHANGED), 5);
  EXPECT_EQ(seen.hwndFrom, control->m_hWnd);
  EXPECT_EQ(seen.idFrom, 7u);
  EXPECT_EQ(static_cast<int>(seen.code), TK_NM_REPORT_SELCHANGED);
  CTKReportControl windowless;
  EXPECT_EQ(windowless.SendOwnerNotify(TK_NM_REPORT_SELCHANGED), 0);
}

TEST_F(ControlTest, RefusedFocusChangeLeavesNoFocusedRow) {
  Add("a", "t", 1);
  Add("b", "t", 2);
  control->RebuildRows();
  ASSERT_EQ(FocusedName(), "a");
  host->onNotify = [](int code, NMHDR* h) {
    if (code == TK_NM_REPORT_FOCUS_CHANGING) reinterpret_cast<TK_NM_REPORTREQUESTEDIT*>(h)->bCancel = TRUE;
    return LRESULT{0};
  };
  control->SetFocusedRow(RowNamed("b"));
  EXPECT_EQ(control->GetFocusedRow(), nullptr);
  host->onNotify = nullptr;
  control->SetFocusedRow(RowNamed("b"));
  EXPECT_EQ(FocusedName(), "b");
  EXPECT_GE(host->Count(TK_NM_REPORT_SELCHANGED), 1);
}

TEST_F(ControlTest, OwnerThatRebuildsDuringFocusChangeRefusesIt) {
  Add("a", "t", 1);
  Add("b", "t", 2);
  control->RebuildRows();
  bool rebuilt = false;
  host->onNotify = [&](int code, NMHDR*) {
    if (code == TK_NM_REPORT_FOCUS_CHANGING && !rebuilt) {
      rebuilt = true;
      control->RebuildRows();
    }
    return LRESULT{0};
  };
  control->SetFocusedRow(RowNamed("b"));
  EXPECT_TRUE(rebuilt);
  EXPECT_EQ(control->GetFocusedRow(), nullptr);
}

TEST_F(ControlTest, CancelledClearKeepsTheSelectionButAddsTheNewRow) {
  for (const char* n : {"a", "b", "c"}) Add(n, "t", 1);
  control->RebuildRows();
  host->onNotify = [](int code, NMHDR* h) {
    auto* nm = reinterpret_cast<TK_NM_SELECTION_CHANGING*>(h);
    return LRESULT{code == TK_NM_REPORT_SELCHANGING && nm->nType == kTKReportSelectionClear};
  };
  control->SetFocusedRow(RowNamed("c"));
  EXPECT_EQ(SelectedNames(*control), (Strings{"a", "c"}));
}

}  // namespace
