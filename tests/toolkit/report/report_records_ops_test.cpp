// The control's filter against naive token containment, and the
// incremental record operations against a fresh rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>

#include "report_engine_support.h"

using namespace rptest;

namespace {

using Strings = std::vector<std::string>;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class FilterTest : public ControlTest {};

TEST_F(FilterTest, MatchesNaiveTokenContainment) {
  std::mt19937 rng(99);
  const char* words[] = {"Red", "green", "BLUE", "teal", "ab", "a b", "Cyan"};
  struct Row {
    std::string name, text;
  };
  std::vector<Row> rows;
  for (int i = 0; i < 60; ++i) {
    Row r{"n" + std::string(words[rng() % 7]), std::string(words[rng() % 7]) + " " + words[rng() % 7]};
    rows.push_back(r);
    Add(r.name, r.text, i);
  }
  text->SetVisible(FALSE);  // hidden columns are searched only when asked
  const char* filters[] = {"red", "RED blue", "  ", "a b", "teal\tcyan", "nred green", "zzz", "b"};
  for (BOOL hidden : {FALSE, TRUE}) {
    control->SetFilterHiddenColumns(hidden);
    for (const char* f : filters) {
      std::vector<std::string> tokens;
      std::istringstream in(Lower(f));
      for (std::string t; in >> t;) tokens.push_back(t);
      for (int i = 0; i < 60; ++i) {
        std::string searched = Lower(rows[static_cast<std::size_t>(i)].name) + "\n" + std::to_string(i) +
                               (hidden ? "\n" + Lower(rows[static_cast<std::size_t>(i)].text) : "");
        bool keep = std::all_of(tokens.begin(), tokens.end(),
                                [&](const std::string& t) { return searched.find(t) != std::string::npos; });
        ASSERT_EQ(!control->IsRecordFiltered(control->GetRecords()->GetAt(i), Wide(f), FALSE), keep)
            << "filter '" << f << "' record " << i << " hidden " << hidden;
      }
    }
  }
  // The rebuild shows exactly the kept records, in order.
  control->SetFilterHiddenColumns(TRUE);
  control->SetFilterText(u"green");
  control->RebuildRows();
  Strings shown, kept;
  for (int i = 0; i < Rows()->GetCount(); ++i) shown.push_back(NameOf(Rows()->GetAt(i)->GetRecord()));
  for (int i = 0; i < 60; ++i)
    if (Lower(rows[static_cast<std::size_t>(i)].name + " " + rows[static_cast<std::size_t>(i)].text).find("green") !=
        std::string::npos)
      kept.push_back(rows[static_cast<std::size_t>(i)].name);
  EXPECT_EQ(shown, kept);
}

TEST_F(FilterTest, PreviewTextAndParentModes) {
  CTKReportRecord* parent = Add("parent", "apple", 1);
  parent->GetChilds()->Add(NamedRecord("child1", "pear", 2));
  parent->GetChilds()->Add(NamedRecord("child2", "plum", 3));
  CTKReportRecord* withPreview = Add("other", "x", 4);
  withPreview->SetPreviewItem(new CTKReportRecordItemPreview(u"Hidden Words"));
  EXPECT_TRUE(control->IsRecordFiltered(withPreview, u"words", FALSE));
  EXPECT_FALSE(control->IsRecordFiltered(withPreview, u"words", TRUE));
  EXPECT_FALSE(control->IsRecordFiltered(parent, u"apple", FALSE));
  control->SetFilterMode(1);
  EXPECT_FALSE(control->IsRecordFiltered(parent, u"plum", FALSE));  // a child is kept
  EXPECT_FALSE(control->IsRecordFiltered(parent, u"apple", FALSE));
  control->SetFilterMode(2);
  EXPECT_TRUE(control->IsRecordFiltered(parent, u"apple", FALSE));  // every child filtered out
  EXPECT_FALSE(control->IsRecordFiltered(parent, u"plum", FALSE));
  control->SetFilterTabsOnly(TRUE);
  EXPECT_TRUE(control->IsRecordFiltered(parent, u"pl um", FALSE));
  EXPECT_FALSE(control->IsRecordFiltered(parent, u"pl\tum", FALSE));
}

// ---- incremental operations against a rebuild -------------------------------------------------

class IncrementalTest : public ControlTest {
 protected:
  // What a fresh rebuild of the same records shows.
  Strings Rebuilt() {
    CTKReportControl fresh;
    for (int i = 0; i < control->GetColumns()->GetCount(); ++i) {
      CTKReportColumn* c = control->GetColumns()->GetAt(i);
      CTKReportColumn* copy = fresh.AddColumn(new CTKReportColumn(c->GetItemIndex(), c->GetCaption(), 100));
      copy->SetSortIncreasing(c->IsSortedIncreasing());
    }
    for (int i = 0; i < control->GetColumns()->GetGroupsOrder()->GetCount(); ++i)
      fresh.GetColumns()->GetGroupsOrder()->Add(
          fresh.GetColumns()->GetAt(control->GetColumns()->IndexOf(control->GetColumns()->GetGroupsOrder()->GetAt(i))));
    for (int i = 0; i < control->GetColumns()->GetSortOrder()->GetCount(); ++i)
      fresh.GetColumns()->GetSortOrder()->Add(
          fresh.GetColumns()->GetAt(control->GetColumns()->IndexOf(control->GetColumns()->GetSortOrder()->GetAt(i))));
    fresh.SetFilterText(control->GetFilterText());
    CTKReportRecords* records = control->GetRecords();
    for (int i = 0; i < records->GetCount(); ++i) {
      CTKReportRecord* r = records->GetAt(i);
      CTKReportRecord* copy = NamedRecord(NameOf(r), Narrow(r->GetItem(1)->GetCaption(nullptr)),
                                          static_cast<CTKReportRecordItemNumber*>(r->GetItem(2))->GetValue());
      fresh.AddRecord(copy);
    }
    fresh.RebuildRows();
    return Display(fresh.GetBodyRows());
  }
};

TEST_F(IncrementalTest, RandomAddsRemovesAndUpdatesMatchARebuild) {
  std::mt19937 rng(2024);
  const char* groups[] = {"k", "m", "a", "z"};
  struct Config {
    bool group, sort, increasing;
  };
  for (Config cfg : {Config{false, true, true}, Config{true, true, true}, Config{true, true, false},
                     Config{true, false, true}, Config{false, false, true}}) {
    control->ResetContent();
    control->GetColumns()->GetGroupsOrder()->Clear();
    control->GetColumns()->GetSortOrder()->Clear();
    if (cfg.group) control->GetColumns()->GetGroupsOrder()->Add(text);
    if (cfg.sort) control->GetColumns()->GetSortOrder()->Add(number);
    number->SetSortIncreasing(cfg.increasing);
    text->SetSortIncreasing(cfg.increasing);
    for (int i = 0; i < 8; ++i) Add("s" + std::to_string(i), groups[rng() % 4], static_cast<double>(rng() % 10));
    control->RebuildRows();
    int next = 0;
    for (int step = 0; step < 120; ++step) {
      const int op = static_cast<int>(rng() % 3);
      CTKReportRecords* records = control->GetRecords();
      if (op == 0 || records->GetCount() == 0) {
        control->AddRecordEx(
            NamedRecord("n" + std::to_string(next++), groups[rng() % 4], static_cast<double>(rng() % 10)));
      } else if (op == 1) {
        control->RemoveRecordEx(records->GetAt(static_cast<int>(rng() % records->GetCount())));
      } else {
        CTKReportRecord* r = records->GetAt(static_cast<int>(rng() % records->GetCount()));
        static_cast<CTKReportRecordItemNumber*>(r->GetItem(2))->SetValue(static_cast<double>(rng() % 10));
        static_cast<CTKReportRecordItemText*>(r->GetItem(1))->SetValue(Wide(groups[rng() % 4]).GetString());
        control->UpdateRecord(r, FALSE);
      }

      ASSERT_EQ(Display(Rows()), Rebuilt())
          << "step " << step << " group " << cfg.group << " sort " << cfg.sort << " increasing " << cfg.increasing;
      for (int i = 0; i < Rows()->GetCount(); ++i) ASSERT_EQ(Rows()->GetAt(i)->GetIndex(), i);
      ASSERT_LT(Rows()->GetFocusedRowIndex(), std::max(1, Rows()->GetCount()));
    }
  }
}

TEST_F(IncrementalTest, LastRecordOfAGroupTakesTheGroupRowWithIt) {
  control->GetColumns()->GetGroupsOrder()->Add(text);
  Add("a", "x", 1);
  CTKReportRecord* b = Add("b", "y", 2);
  control->RebuildRows();
  ASSERT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:a", "0:G:Text: y", "1:b"}));
  EXPECT_TRUE(control->RemoveRecordEx(b));
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:a"}));
  control->AddRecordEx(NamedRecord("c", "x", 3));
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: x", "1:a", "1:c"}));
  control->AddRecordEx(NamedRecord("d", "w", 3));
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: w", "1:d", "0:G:Text: x", "1:a", "1:c"}));
  // Removing through a group row removes every record under it.
  EXPECT_TRUE(control->RemoveRowEx(Rows()->GetAt(2)));
  EXPECT_EQ(Display(Rows()), (Strings{"0:G:Text: w", "1:d"}));
  EXPECT_EQ(control->GetRecords()->GetCount(), 1);
  EXPECT_FALSE(control->RemoveRecordEx(nullptr));
}

TEST_F(IncrementalTest, ChildRecordsGoUnderTheirParentsRow) {
  CTKReportRecord* parent = Add("p", "t", 1);
  parent->SetExpanded(TRUE);
  Add("q", "t", 2);
  control->RebuildRows();
  control->AddRecordEx(NamedRecord("c1", "t", 0), parent);
  control->AddRecordEx(NamedRecord("c0", "t", 0), parent, 0, 0);
  EXPECT_EQ(Display(Rows()), (Strings{"0:p", "1:c0", "1:c1", "0:q"}));
  EXPECT_EQ(parent->GetChilds()->GetCount(), 2);
  // A child record changed without updating children only redraws.
  CTKReportRecord* c1 = parent->GetChilds()->GetAt(1);
  control->UpdateRecord(c1, FALSE);
  EXPECT_EQ(Display(Rows()), (Strings{"0:p", "1:c0", "1:c1", "0:q"}));
  EXPECT_TRUE(control->RemoveRecordEx(parent));
  EXPECT_EQ(Display(Rows()), (Strings{"0:q"}));
}

TEST_F(IncrementalTest, FocusAndSelectionSurviveInsertionsAbove) {
  control->GetColumns()->GetSortOrder()->Add(number);
  for (int i = 1; i <= 4; ++i) Add("r" + std::to_string(i), "t", i * 10);
  control->RebuildRows();
  control->SetFocusedRow(RowNamed("r3"));
  control->AddRecordEx(NamedRecord("early", "t", 5));
  EXPECT_EQ(FocusedName(), "r3");
  EXPECT_EQ(SelectedNames(*control), Strings{"r3"});
  control->RemoveRecordEx(control->GetRecords()->GetAt(0));  // r1, above the focus
  EXPECT_EQ(FocusedName(), "r3");
  EXPECT_EQ(SelectedNames(*control), Strings{"r3"});
}

}  // namespace
