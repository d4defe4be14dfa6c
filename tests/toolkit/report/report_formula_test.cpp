// Hyperlink marks and formulas.
#include <gtest/gtest.h>

#include <random>

#include "report_test_support.h"
#include "toolkit/report/reportformula.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

TEST(ReportHyperlinks, MarksWellFormedAndMalformed) {
  struct Link {
    int begin, length;
    bool operator==(const Link&) const = default;
  };
  struct {
    const char16_t* text;
    const char16_t* value;
    std::vector<Link> links;
  } const table[] = {
      {u"see [url=x]here[/url] now", u"see here now", {{4, 4}}},
      {u"[url]a[/url] and [url]b[/url]", u"a and b", {{0, 1}, {6, 1}}},
      {u"[url=http://x/?a=[1]]y[/url]", u"]y", {{0, 2}}},
      {u"no marks", u"no marks", {}},
      // Malformed marks stop the parsing there and stay as text.
      {u"open [url never closed", u"open [url never closed", {}},
      {u"[url]a[/url] then [url]b", u"a then [url]b", {{0, 1}}},
      {u"[url=x no bracket [/url]", u"[url=x no bracket [/url]", {}},
      {u"x[/url]y[url]z", u"x[/url]y[url]z", {}},
      {u"[url][url]x[/url]", u"[url]x", {{0, 6}}},
      {u"[url]", u"[url]", {}},
      {u"[url]]][/url][/url]", u"]][/url]", {{0, 2}}},
  };
  for (const auto& c : table) {
    CTKReportRecordItemText item(c.text);
    EXPECT_EQ(item.GetValue(), c.value) << CStringA(c.text).GetString();
    std::vector<Link> links;
    for (int i = 0; i < item.GetHyperlinksCount(); ++i) {
      CTKReportHyperlink* link = item.GetHyperlinkAt(i);
      links.push_back({link->m_nHyperTextBegin, link->m_nHyperTextLen});
      EXPECT_GE(link->m_nHyperTextLen, 0);
      EXPECT_LE(link->m_nHyperTextBegin + link->m_nHyperTextLen, item.GetValue().GetLength());
    }
    EXPECT_EQ(links, c.links) << CStringA(c.text).GetString();
  }
}

TEST(ReportHyperlinks, CollectionOperations) {
  auto* links = new CTKReportHyperlinks;
  auto* a = new CTKReportHyperlink(0, 1);
  auto* b = new CTKReportHyperlink(2, 3);
  EXPECT_EQ(links->Add(a), 0);
  EXPECT_EQ(links->AddUnique(a), 0);
  EXPECT_EQ(links->Add(b), 1);
  CTKReportHyperlink* out = nullptr;
  EXPECT_EQ(links->Item(5, &out), DISP_E_BADINDEX);
  EXPECT_EQ(links->Item(1, &out), S_OK);
  EXPECT_EQ(out, b);
  auto* copy = new CTKReportHyperlinks;
  copy->CopyFrom(links);
  EXPECT_EQ(a->m_dwRef, 2);
  copy->CopyFrom(copy);
  EXPECT_EQ(copy->GetSize(), 2);
  copy->RemoveLinkAt(7);
  copy->RemoveLinkAt(0);
  EXPECT_EQ(a->m_dwRef, 1);
  copy->InternalRelease();
  links->InternalRelease();
}

namespace {

// Records of number-text items: values[r][c] as captions.
CTKReportRecords* Grid(const std::vector<std::vector<int>>& values, CTKReportControl* control = nullptr) {
  auto* records = new CTKReportRecords;
  records->SetReportControl(control);
  for (const auto& row : values) {
    auto* record = new CTKReportRecord;
    for (int v : row) {
      auto* item = new CTKReportRecordItem;
      CString text;
      text.Format(u"%d", v);
      item->SetCaption(text);
      record->AddItem(item);
    }
    records->Add(record);
  }
  return records;
}

// The independent sum: items [c1, c2) of records [r1, r2) except (skipRow, skipColumn).
double Sum(const std::vector<std::vector<int>>& v, int r1, int r2, int c1, int c2, int skipRow, int skipColumn) {
  double sum = 0;
  for (int r = std::max(r1, 0); r < r2 && r < static_cast<int>(v.size()); ++r)
    for (int c = std::max(c1, 0); c < c2 && c < static_cast<int>(v[r].size()); ++c)
      if (!(r == skipRow && c == skipColumn)) sum += v[r][c];
  return sum;
}

CString Fixed(double v) {
  CString text;
  text.Format(u"%f", v);
  return text;
}

}  // namespace

TEST(ReportFormula, SumAgainstAnIndependentSum) {
  FakeReportHost host;
  std::mt19937 random(3);
  std::vector<std::vector<int>> values(6, std::vector<int>(4));
  for (auto& row : values)
    for (int& v : row) v = static_cast<int>(random() % 200) - 100;
  struct {
    const char16_t* formula;
    int row, column;  // the formula's item
    int r1, r2, c1, c2;
  } const table[] = {
      {u"SUM(R0C1:R3C2)", 1, 1, 0, 3, 1, 2},  // skips its own item
      {u"SUM(R0C1:R3C2)", 4, 1, 0, 3, 1, 2},           {u"SUM(R*C0:R*C*)", 2, 3, 0, 6, 0, 4},
      {u"SUM( R 1 C 0 : R 9 C 9 )", 0, 0, 1, 9, 0, 9},  // blanks anywhere
      {u"  SUM(R2C0:R4C3)", 0, 3, 2, 4, 0, 3},          // blanks before the keyword
      {u"SUM(R-5C-5:R2C2)", 5, 0, -5, 2, -5, 2},
  };
  for (const auto& c : table) {
    CTKReportRecords* records = Grid(values, host.Control());
    CTKReportRecordItem* item = records->GetAt(c.row)->GetItem(c.column);
    item->SetFormula(c.formula);
    item->SetCaption(u"given");
    EXPECT_EQ(item->GetCaption(), Fixed(Sum(values, c.r1, c.r2, c.c1, c.c2, c.row, c.column)))
        << CStringA(c.formula).GetString();
    EXPECT_EQ(item->GetTextColor(), 0x000011u) << "the SUM colour";
    records->InternalRelease();
  }
  // The item's format: "%d" shows a whole number, others apply as given.
  CTKReportRecords* records = Grid({{1, 2}, {3, 4}});
  CTKReportRecordItem* item = records->GetAt(0)->GetItem(0);
  item->SetFormula(u"SUM(R*C*:R*C*)");
  item->SetFormatString(u"%d");
  item->SetCaption(u"");
  EXPECT_EQ(item->GetCaption(), u"9");
  item->SetFormatString(u"total %.1f");
  item->SetCaption(u"");
  EXPECT_EQ(item->GetCaption(), u"total 9.0");
  // Terms without ":" or "C" are skipped; the text is taken as given.
  item->SetFormula(u"SUM(R1:R2)");
  item->SetCaption(u"plain");
  EXPECT_EQ(item->GetCaption(), u"plain");
  records->InternalRelease();
}

TEST(ReportFormula, SumSubOverChildrenWithItsOwnSum) {
  FakeReportHost host;
  CTKReportRecords* records = Grid({{10, 20, 30, 40}, {1, 2, 3, 4}}, host.Control());
  CTKReportRecord* parent = records->GetAt(0);
  CTKReportRecords* children = Grid({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}});
  for (int i = 0; i < children->GetCount(); ++i) {
    CTKReportRecord* child = children->GetAt(i);
    child->InternalAddRef();
    parent->GetChilds()->Add(child);
  }
  children->InternalRelease();

  CTKReportRecordItem* item = parent->GetItem(0);
  item->SetFormula(u"SUMSUB(R*C2:R*C3)");
  item->SetCaption(u"x");
  EXPECT_EQ(item->GetCaption(), Fixed(3 + 7 + 11));
  EXPECT_EQ(item->GetTextColor(), 0x000022u) << "the SUMSUB colour";

  // Both terms: the second result is the SUM term's own sum.
  item->SetFormula(u"SUMSUB(R*C2:R*C3) SUM(R0C1:R2C2)");
  item->SetCaption(u"x");
  EXPECT_EQ(item->GetCaption(), Fixed(20 + 2));
  EXPECT_EQ(item->GetTextColor(), 0x000011u);

  // A record without children keeps the given text and its colour.
  CTKReportRecordItem* lone = records->GetAt(1)->GetItem(0);
  lone->SetTextColor(0x0000AB);
  lone->SetFormula(u"SUMSUB(R*C2:R*C3)");
  lone->SetCaption(u"given");
  EXPECT_EQ(lone->GetCaption(), u"given");
  EXPECT_EQ(lone->GetTextColor(), 0x0000ABu);
  records->InternalRelease();

  TK_REPORTFORMULA_TERM term;
  EXPECT_FALSE(TKParseFormulaTerm(u"sum(R0C0:R1C1)", u"SUM(", 1, 1, &term)) << "keywords are case-sensitive";
  EXPECT_FALSE(TKParseFormulaTerm(u"SUM(R0C0R1C1)", u"SUM(", 1, 1, &term));
  ASSERT_TRUE(TKParseFormulaTerm(u"SUM(R*C*:R*C*)", u"SUM(", 6, 4, &term));
  EXPECT_EQ(term.nRowTo, 6);
  EXPECT_EQ(term.nColumnTo, 4);
}
