// Record items: comparison for sorting and grouping, check states, group
// captions, the typed items' captions, comparisons and edits, and the sort
// that takes whatever the comparisons answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/system/resources.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"
#include "toolkit/report/reportsort.h"

namespace {

// An item whose group id is its own number, as the application's date
// items answer theirs.
class GroupIdItem : public CTKReportRecordItem {
 public:
  explicit GroupIdItem(int id) : m_nId(id) {}
  int GetGroupId(CTKReportColumn*) override { return m_nId; }
  int m_nId;
};

// Builds a record of the given items in a collection of its own; releasing
// the collection frees everything.
struct Row {
  explicit Row(std::initializer_list<CTKReportRecordItem*> items, BOOL caseSensitive = TRUE) {
    records->SetCaseSensitive(caseSensitive);
    auto* record = new CTKReportRecord;
    for (CTKReportRecordItem* item : items) record->AddItem(item);
    records->Add(record);
  }
  ~Row() { records->InternalRelease(); }
  CTKReportRecordItem* operator[](int i) const { return records->GetAt(0)->GetItem(i); }
  CTKReportRecords* records = new CTKReportRecords;
};

CTKReportRecordItem* Item(LPCTSTR caption, int sortPriority = -1, int groupPriority = -1, LPCTSTR groupCaption = u"") {
  auto* item = new CTKReportRecordItem;
  item->SetCaption(caption);
  item->SetSortPriority(sortPriority);
  item->SetGroupPriority(groupPriority);
  item->SetGroupCaption(groupCaption);
  return item;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

TEST(ReportItemCompare, SortAndGroupComparisonTable) {
  struct Case {
    const char* what;
    CTKReportRecordItem* a;
    CTKReportRecordItem* b;
    bool group;  // CompareGroupCaption instead of Compare
    int expected;
    bool exact;  // the value itself, not only its sign
  };
  GroupIdItem* g3 = new GroupIdItem(3);
  GroupIdItem* g7 = new GroupIdItem(7);
  Row row({Item(u"a"), Item(u"b"), Item(u"x", 2), Item(u"y", -1), Item(u"p", -1), Item(u"q", 5), Item(u"same", 2),
           Item(u"other", 2), Item(u"c", -1, 3), Item(u"d", -1, 5), Item(u"z", -1, -1, u"zebra"),
           Item(u"a", -1, 5, u"pear"), Item(u"b", -1, 5), g3, g7, Item(u"B"), Item(u"b")});
  const Case cases[] = {
      {"both priorities -1 compare captions", row[0], row[1], false, -1, false},
      {"captions the other way", row[1], row[0], false, 1, false},
      {"own priority 2 against -1 gives 3", row[2], row[3], false, 3, true},
      {"-1 against 5 gives -6 (either priority decides)", row[4], row[5], false, -6, true},
      {"equal priorities ignore captions", row[6], row[7], false, 0, true},
      {"group priorities subtract", row[8], row[9], true, -2, true},
      {"own group priority -1 goes on to the group captions", row[10], row[11], true, 1, false},
      {"no priority, no group caption, group ids subtract", g3, g7, true, -4, true},
      {"no priority, caption or id: Compare decides", row[15], row[16], true, -1, false},
      {"case-sensitive collection: 'B' before 'b'", row[15], row[16], false, -1, false},
  };
  for (const Case& c : cases) {
    int got = c.group ? c.a->CompareGroupCaption(nullptr, c.b) : c.a->Compare(nullptr, c.b);
    if (c.exact) EXPECT_EQ(got, c.expected) << c.what;
    else EXPECT_EQ(Sign(got), c.expected) << c.what;
  }
  EXPECT_EQ(row[0]->Compare(nullptr, nullptr), 0);
  // Not antisymmetric: each side answers by its own key.
  EXPECT_EQ(row[12]->CompareGroupCaption(nullptr, g7), 6);
  EXPECT_EQ(g7->CompareGroupCaption(nullptr, row[12]), 2);
}

TEST(ReportItemCompare, CaseInsensitiveCollectionAndItemsOutsideCollections) {
  Row insensitive({Item(u"abc"), Item(u"ABC")}, FALSE);
  EXPECT_EQ(insensitive[0]->Compare(nullptr, insensitive[1]), 0);
  Row sensitive({Item(u"abc"), Item(u"ABC")});
  EXPECT_GT(sensitive[0]->Compare(nullptr, sensitive[1]), 0);
  // Items in no record still compare (ordinally) instead of failing.
  CTKReportRecordItem* loose1 = Item(u"m");
  CTKReportRecordItem* loose2 = Item(u"n");
  EXPECT_LT(loose1->Compare(nullptr, loose2), 0);
  loose1->InternalRelease();
  loose2->InternalRelease();
}

TEST(ReportItemCheck, TriStateCyclesAndTwoStateReduces) {
  CTKReportRecordItem item;
  item.SetHasCheckbox(TRUE, TRUE);
  const int cycle[] = {1, 2, 0, 1};
  for (int expected : cycle) {
    item.ToggleCheckState();
    EXPECT_EQ(item.GetCheckedState(), expected);
    EXPECT_EQ(item.IsChecked(), expected == 1);
  }
  item.SetCheckedState(2);
  EXPECT_EQ(item.GetCheckedState(), 2);

  CTKReportRecordItem two;
  two.SetHasCheckbox(TRUE, FALSE);
  struct {
    int set;
    int stored;
  } const table[] = {{5, 1}, {0, 0}, {2, 1}, {-1, 1}};
  for (auto c : table) {
    two.SetChecked(c.set);
    EXPECT_EQ(two.m_checkState, c.stored) << "SetChecked(" << c.set << ")";
    two.SetCheckedState(c.set);
    EXPECT_EQ(two.GetCheckedState(), c.stored) << "SetCheckedState(" << c.set << ")";
  }
  // A two-state item whose stored value is 2 (as loaded) answers 1.
  two.m_checkState = 2;
  EXPECT_EQ(two.GetCheckedState(), 1);
  two.ToggleCheckState();
  EXPECT_EQ(two.m_checkState, 1) << "a toggle sets the opposite of IsChecked (stored 2 is not checked)";
  EXPECT_FALSE(TKIsItemFocusable(nullptr));
  EXPECT_FALSE(TKGetEditTextWithCheckbox(nullptr));
}

namespace {
// String 7 of the program's string table: "Seven".
std::vector<unsigned char> StringBlockWithSeven() {
  std::vector<unsigned char> block;
  for (int i = 0; i < 16; ++i) {
    const char16_t* text = i == 7 ? u"Seven" : u"";
    WORD length = static_cast<WORD>(std::char_traits<char16_t>::length(text));
    block.push_back(static_cast<unsigned char>(length & 0xFF));
    block.push_back(static_cast<unsigned char>(length >> 8));
    for (WORD k = 0; k < length; ++k) {
      block.push_back(static_cast<unsigned char>(text[k] & 0xFF));
      block.push_back(static_cast<unsigned char>(text[k] >> 8));
    }
  }
  return block;
}
}  // namespace

TEST(ReportItemGroupCaption, ResourceThenColumnCaptionThenMarkup) {
  static std::vector<unsigned char> block = StringBlockWithSeven();
  static const pv::ResourceEntry entries[] = {
      {nullptr, 6, nullptr, 1, 0, block.data(), static_cast<DWORD>(block.size())}};
  static const pv::ResourceSet set{nullptr, entries, 1};
  pv::RegisterResourceSet(&set);

  CTKReportColumn* column = new CTKReportColumn(0, u"Due", 100);
  Row row({Item(u"text", -1, 7), Item(u"text", -1, 8), Item(u"text", -1, 8, u"Explicit"), Item(u"text")});
  EXPECT_EQ(row[0]->GetGroupCaption(column), u"Seven");
  EXPECT_EQ(row[1]->GetGroupCaption(column), u"Due: text");
  EXPECT_EQ(row[2]->GetGroupCaption(column), u"Explicit");
  EXPECT_EQ(row[3]->GetGroupCaption(column), u"Due: text");

  // With a markup element on the item, or on the column, the caption alone.
  CTKMarkupContext* context = MarkupCreateContext(nullptr);
  row.records->SetMarkupContext(context);
  row[1]->ResetMarkupUIElement(u"<TextBlock>text</TextBlock>");
  ASSERT_NE(row[1]->GetMarkupUIElement(), nullptr);
  EXPECT_EQ(row[1]->GetGroupCaption(column), u"text");
  column->SetMarkupUIElement(MarkupParseText(context, u"<TextBlock>Due</TextBlock>"));
  EXPECT_EQ(row[3]->GetGroupCaption(column), u"text");
  column->InternalRelease();
  row[1]->ResetMarkupUIElement(nullptr);
  MarkupReleaseContext(context);
  pv::UnregisterResourceSet(&set);
}

TEST(ReportItemTypes, NumberAndPercentCaptions) {
  CTKReportRecordItemNumber n(1234.56);
  EXPECT_EQ(n.GetCaption(), u"1235");
  n.SetCaption(u"n/a");
  EXPECT_EQ(n.GetCaption(), u"n/a");
  CTKReportRecordItemNumber smaller(1000);
  EXPECT_EQ(n.Compare(nullptr, &smaller), 1) << "the caption does not change the sort key";
  EXPECT_EQ(smaller.Compare(nullptr, &n), -1);
  CTKReportRecordItemText text(u"x");
  EXPECT_EQ(n.Compare(nullptr, &text), 0) << "another type answers 0";

  // Stored formats are untrusted: each conversion gets the argument it asks for.
  struct {
    const char16_t* format;
    double value;
    const char16_t* expected;
  } const formats[] = {
      {u"%0.f", 2.4, u"2"},
      {u"%.2f EUR", 3.14159, u"3.14 EUR"},
      {u"%d", 7.9, u"7"},
      {u"%s", 1.5, u"1.500000"},
      {u"%n%p", 1, u"%n%p"},
      {u"%5.1f%%", 12.34, u" 12.3%"},
      {u"%*d", 4, u"%*d"},
      {u"%99999d", 4, u"%99999d"},
      {u"%ld|%lf", -3.5, u"-3|-3.500000"},
  };
  for (auto f : formats) {
    CTKReportRecordItemNumber item(f.value);
    item.SetFormatString(f.format);
    EXPECT_EQ(item.GetCaption(), f.expected) << CStringA(f.format).GetString();
  }

  CTKReportRecordItemPercentNumber percent(50, 0xE0E0E0, FALSE);
  EXPECT_EQ(percent.GetCaption(), u"50%");
  CString shown = percent.GetCaption();
  RECT bar{};
  EXPECT_FALSE(percent.GetBarLayout(shown, RECT{0, 0, 104, 20}, 0, &bar)) << "no bar: the text stays";
  EXPECT_EQ(shown, u"50%");
  percent.m_bShowBar = TRUE;
  struct {
    double value;
    int align;
    const char16_t* text;
    RECT bar;
  } const bars[] = {
      {50, 0, u"50", {2, 2, 52, 18}},   {150, 0, u"100", {2, 2, 102, 18}}, {-5, 0, u"0", {2, 2, 2, 18}},
      {50, 2, u"50", {52, 2, 102, 18}}, {50, 1, u"50", {27, 2, 77, 18}},   {25, 1, u"25", {39, 2, 65, 18}},
  };
  for (auto b : bars) {
    CTKReportRecordItemPercentNumber p(b.value);
    CString t = p.GetCaption();
    ASSERT_TRUE(p.GetBarLayout(t, RECT{0, 0, 104, 20}, b.align, &bar));
    EXPECT_EQ(t, b.text);
    EXPECT_EQ(bar.left, b.bar.left) << b.value << " align " << b.align;
    EXPECT_EQ(bar.right, b.bar.right) << b.value << " align " << b.align;
  }
}

TEST(ReportItemTypes, DateTimeComparesWithinHalfASecondAndParsesEdits) {
  const double second = 1.0 / 86400;
  COleDateTime base(2026, 12, 8, 19, 30, 0);
  struct {
    double offset;
    int expected;
  } const table[] = {{0.4 * second, 0}, {-0.4 * second, 0}, {0.6 * second, -1}, {-0.6 * second, 1}};
  for (auto c : table) {
    CTKReportRecordItemDateTime a(base), b(COleDateTime(base.m_dt + c.offset));
    EXPECT_EQ(a.Compare(nullptr, &b), c.expected) << c.offset / second << " s";
  }
  CTKReportRecordItemDateTime n1(base), n2(base);
  n1.m_odtValue.SetStatus(COleDateTime::null);
  n2.m_odtValue.SetStatus(COleDateTime::null);
  EXPECT_EQ(n1.Compare(nullptr, &n2), 0);
  CTKReportRecordItemNumber number(1);
  EXPECT_EQ(n1.Compare(nullptr, &number), 0);

  CTKReportRecordItemDateTime item(base);
  EXPECT_EQ(item.GetCaption(), u"Tue Dec/08/2026 07:30 PM");
  item.SetFormatString(u"%a %Y-%m-%d");
  EXPECT_EQ(item.GetCaption(), u"Tue 2026-12-08");
  item.OnEditChanged(nullptr, u"2027-01-02 08:15:00");
  EXPECT_EQ(item.GetCaption(), u"Sat 2027-01-02");
  // Text that is no date keeps the date (the edit commit beeps).
  item.OnEditChanged(nullptr, u"not a date");
  EXPECT_EQ(item.m_odtValue.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(item.GetCaption(), u"Sat 2027-01-02");
}

TEST(ReportItemTypes, VariantCaptionsConstraintsAndEdits) {
  COleVariant null;
  null.vt = VT_NULL;
  CTKReportRecordItemVariant nullItem(null);
  EXPECT_EQ(nullItem.GetCaption(), u"");
  CTKReportColumn* column = new CTKReportColumn(0, u"number", 70);
  CTKReportRecordItemEditOptions* options = column->GetEditOptions();
  options->AddConstraint(u"one", 0);
  options->AddConstraint(u"two", 1);
  options->m_bConstraintEdit = TRUE;
  EXPECT_EQ(nullItem.GetCaption(column), u"one") << "VT_NULL reads as 0 in constraint mode";

  CTKReportRecordItemVariant text(COleVariant(u"abc"));
  text.SetFormatString(u"[%s]");
  EXPECT_EQ(text.GetCaption(), u"[abc]");
  text.SetFormatString(u"%d");
  EXPECT_EQ(text.GetCaption(), u"%d") << "a numeric conversion never reads a string argument";

  // By-reference arguments are stored by value.
  LONG value = 1;
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_I4 | VT_BYREF;
  byRef.plVal = &value;
  CTKReportRecordItemVariant choice(byRef);
  EXPECT_EQ(choice.m_oleValue.vt, VT_I4);
  value = 0;
  EXPECT_EQ(choice.GetCaption(column), u"two");
  EXPECT_EQ(choice.GetCaption(), u"1");
  TK_REPORTRECORDITEM_ARGS args;
  args.pColumn = column;
  EXPECT_EQ(choice.GetSelectedConstraintData(&args), 1);
  choice.OnConstraintChanged(&args, options->FindConstraintByCaption(u"one"));
  EXPECT_EQ(choice.m_oleValue.lVal, 0);

  // Edited text is converted to the value's type; text that does not
  // convert keeps the value.
  choice.OnEditChanged(nullptr, u"42");
  EXPECT_EQ(choice.m_oleValue.vt, VT_I4);
  EXPECT_EQ(choice.m_oleValue.lVal, 42);
  choice.OnEditChanged(nullptr, u"forty");
  EXPECT_EQ(choice.m_oleValue.lVal, 42);

  CTKReportRecordItemVariant a(COleVariant(3L)), b(COleVariant(5L)), s(COleVariant(u"x"));
  EXPECT_EQ(a.Compare(nullptr, &b), -1);
  EXPECT_EQ(b.Compare(nullptr, &a), 1);
  CTKReportRecordItemVariant n2(null);
  EXPECT_EQ(a.Compare(nullptr, &n2), 2) << "a null value answers 2";
  a.SetSortPriority(4);
  EXPECT_EQ(a.Compare(nullptr, &b), 5);
  column->InternalRelease();
}

TEST(ReportItemTypes, TextItemFormatsAndBuildsLinks) {
  CTKReportRecordItemText item(u"see [url=x]here[/url] now");
  EXPECT_EQ(item.GetValue(), u"see here now");
  ASSERT_EQ(item.GetHyperlinksCount(), 1);
  EXPECT_EQ(item.GetHyperlinkAt(0)->m_nHyperTextBegin, 4);
  EXPECT_EQ(item.GetHyperlinkAt(0)->m_nHyperTextLen, 4);
  item.SetFormatString(u"<%s>");
  EXPECT_EQ(item.GetCaption(), u"<see here now>");
  item.SetValue(u"plain");
  EXPECT_EQ(item.GetHyperlinksCount(), 0) << "a new value drops the old links";
}

// ---- the sort --------------------------------------------------------------------------------

TEST(ReportSort, ConsistentComparisonsGiveTheStableOrder) {
  std::mt19937 random(7);
  for (size_t n : {0u, 1u, 2u, 15u, 16u, 17u, 33u, 100u, 1000u, 4097u}) {
    std::vector<std::pair<int, int>> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = {static_cast<int>(random() % 13), static_cast<int>(i)};
    auto expected = data;
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
    TKReportMergeSort(data.data(), data.size(), [](auto& a, auto& b) { return a.first - b.first; });
    EXPECT_EQ(data, expected) << n << " elements";
    // Descending through the same comparison negated keeps ties in order too.
    auto down = data;
    std::stable_sort(down.begin(), down.end(), [](auto& a, auto& b) { return a.first > b.first; });
    TKReportMergeSort(data.data(), data.size(), [](auto& a, auto& b) { return b.first - a.first; });
    EXPECT_EQ(data, down) << n << " elements, descending";
  }
}

TEST(ReportSort, InconsistentComparisonsStillGiveAPermutation) {
  // Group comparisons where only some items carry a priority, and typed
  // items of two kinds answering 0 across kinds: neither is an order.
  std::vector<CTKReportRecordItem*> items;
  std::mt19937 random(11);
  for (int i = 0; i < 500; ++i) {
    CTKReportRecordItem* item;
    switch (i % 3) {
      case 0:
        item = Item(u"c", -1, static_cast<int>(random() % 5) - 1);
        break;
      case 1:
        item = new CTKReportRecordItemNumber(static_cast<double>(random() % 50));
        break;
      default:
        item = new CTKReportRecordItemDateTime(COleDateTime(40000.0 + random() % 50));
        break;
    }
    items.push_back(item);
  }
  auto sorted = items;
  TKReportMergeSort(sorted.data(), sorted.size(),
                    [](CTKReportRecordItem* a, CTKReportRecordItem* b) { return a->CompareGroupCaption(nullptr, b); });
  auto check = sorted;
  std::sort(check.begin(), check.end());
  auto original = items;
  std::sort(original.begin(), original.end());
  EXPECT_EQ(check, original);
  // A comparison that answers at random.
  std::vector<int> values(3000);
  for (int i = 0; i < 3000; ++i) values[i] = i;
  TKReportMergeSort(values.data(), values.size(), [&](int, int) { return static_cast<int>(random() % 3) - 1; });
  std::sort(values.begin(), values.end());
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(values[i], i);
  for (CTKReportRecordItem* item : items) item->InternalRelease();
}

TEST(ReportItemCompare, StoredExtremePrioritiesKeepTheirSign) {
  Row row({Item(u"a", 0x7FFFFFFF, 0x7FFFFFFF), Item(u"b", -1, -1), Item(u"c", -0x7FFFFFFF - 1)});
  EXPECT_GT(row[0]->Compare(nullptr, row[1]), 0);
  EXPECT_GT(row[0]->CompareGroupCaption(nullptr, row[1]), 0);
  EXPECT_LT(row[2]->Compare(nullptr, row[0]), 0);
}

TEST(ReportItemCompare, TextItemsCompareAsTheirCaptions) {
  // The in-place comparison of plain text items answers as the captions do.
  auto* formatted = new CTKReportRecordItemText(u"b");
  formatted->SetFormatString(u"a%s");
  Row row({new CTKReportRecordItemText(u"b"), new CTKReportRecordItemText(u"c"), formatted,
           new CTKReportRecordItemText(u"B"), Item(u"c")});
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) {
      int expected = Sign(row[i]->GetCaption().Compare(row[j]->GetCaption()));
      EXPECT_EQ(Sign(row[i]->Compare(nullptr, row[j])), expected) << i << " vs " << j;
    }
}
