// The text form of records: splitting and joining, the cells of a record
// for the visible columns, records made from pasted lines, and the text's
// global memory block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/globalmem.h"
#include "platform/base/utf.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reporttextform.h"

namespace {

std::vector<std::u16string> Pieces(const CStringArray& array) {
  std::vector<std::u16string> out;
  for (INT_PTR i = 0; i < array.GetSize(); ++i) out.emplace_back(array[i].GetString());
  return out;
}

void Fill(CStringArray& array, const std::vector<std::u16string>& pieces) {
  array.RemoveAll();
  for (const auto& piece : pieces) array.Add(CString(piece.c_str()));
}

TEST(ReportTextFormTest, SplitKeepsEveryPieceAndJoinPutsThemBack) {
  struct Case {
    std::u16string text, separator;
    std::vector<std::u16string> pieces;
  };
  const Case cases[] = {
      {u"a\tb", u"\t", {u"a", u"b"}},      {u"", u"\t", {u""}},       {u"a\t", u"\t", {u"a", u""}},
      {u"\t\t", u"\t", {u"", u"", u""}},   {u"abc", u"\t", {u"abc"}}, {u"x\r\ny\r\n", u"\r\n", {u"x", u"y", u""}},
      {u"x\ny\rz", u"\r\n", {u"x\ny\rz"}}, {u"a\t", u"", {u"a\t"}},
  };
  for (const Case& c : cases) {
    CStringArray pieces;
    TKSplitText(CString(c.text.c_str()), c.separator.c_str(), pieces);
    EXPECT_EQ(Pieces(pieces), c.pieces) << pv::Utf16ToUtf8(c.text);
    if (!c.separator.empty()) EXPECT_EQ(std::u16string(TKJoinText(pieces, c.separator.c_str()).GetString()), c.text);
  }
}

TEST(ReportTextFormTest, LinesSkipEmptyOnes) {
  CStringArray lines;
  TKSplitTextLines(CString(u"a\tb\r\n\r\nc\r\n"), lines);
  EXPECT_EQ(Pieces(lines), (std::vector<std::u16string>{u"a\tb", u"c"}));
  TKSplitTextLines(CString(u""), lines);
  EXPECT_TRUE(Pieces(lines).empty());
}

// Three columns shown in the order item 2, item 0, item 1 (the collection
// is the display order); item 1's column is hidden.
class ReportTextColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    columns_->Add(new CTKReportColumn(2, u"C", 50));
    columns_->Add(new CTKReportColumn(0, u"A", 50));
    columns_->Add(new CTKReportColumn(1, u"B", 50));
  }
  void TearDown() override { columns_->InternalRelease(); }
  CTKReportColumns* columns_ = new CTKReportColumns;
};

TEST_F(ReportTextColumnsTest, CellsAreTheVisibleColumnsCaptionsInVisibleOrder) {
  auto* record = new CTKReportRecord;
  record->AddItem(new CTKReportRecordItemText(u"a"));
  record->AddItem(new CTKReportRecordItemText(u"b"));
  record->AddItem(new CTKReportRecordItemNumber(3));
  CStringArray cells;
  TKGetRecordCells(record, columns_, cells);
  EXPECT_EQ(Pieces(cells), (std::vector<std::u16string>{u"3", u"a", u"b"}));
  EXPECT_EQ(std::u16string(TKFormatTextLine(cells).GetString()), u"3\ta\tb\r\n");

  columns_->GetAt(2)->SetVisible(FALSE);
  TKGetRecordCells(record, columns_, cells);
  EXPECT_EQ(Pieces(cells), (std::vector<std::u16string>{u"3", u"a"}));
  // A record without the item of a visible column adds no cell for it.
  auto* shorter = new CTKReportRecord;
  shorter->AddItem(new CTKReportRecordItemText(u"only"));
  TKGetRecordCells(shorter, columns_, cells);
  EXPECT_EQ(Pieces(cells), (std::vector<std::u16string>{u"only"}));
  EXPECT_EQ(std::u16string(TKFormatTextLine(cells).GetString()), u"only\r\n");
  shorter->InternalRelease();
  record->InternalRelease();
}

TEST_F(ReportTextColumnsTest, RecordFromCellsFillsTheVisibleColumnsInOrder) {
  columns_->GetAt(2)->SetVisible(FALSE);
  struct Case {
    std::vector<std::u16string> cells;
    std::vector<std::u16string> items;  // by item index
  };
  const Case cases[] = {
      {{u"x", u"y"}, {u"y", u"", u"x"}},
      {{u"x"}, {u"", u"", u"x"}},
      {{}, {u"", u"", u""}},
      {{u"x", u"y", u"z"}, {u"y", u"", u"x"}},
  };
  for (const Case& c : cases) {
    CStringArray cells;
    Fill(cells, c.cells);
    CTKReportRecord* record = TKCreateRecordFromCells(columns_, cells);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->GetItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
      auto* item = dynamic_cast<CTKReportRecordItemVariant*>(record->GetItem(i));
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->GetValue().vt, VT_BSTR);
      EXPECT_EQ(std::u16string(item->GetCaption(nullptr).GetString()), c.items[i]) << i;
    }
    record->InternalRelease();
  }
  auto* none = new CTKReportColumns;
  CStringArray cells;
  Fill(cells, {u"x"});
  EXPECT_EQ(TKCreateRecordFromCells(none, cells), nullptr);
  none->InternalRelease();
}

TEST(ReportTextFormTest, TextBlockHoldsTheTextAndItsTerminator) {
  for (const char16_t* text : {u"", u"a\tb\r\n", u"\u4e2d\u6587"}) {
    HGLOBAL block = TKCopyTextToGlobal(CString(text));
    ASSERT_NE(block, nullptr);
    size_t length = std::char_traits<char16_t>::length(text);
    EXPECT_EQ(GlobalSize(block), (length + 1) * 2);
    auto* units = static_cast<const char16_t*>(GlobalLock(block));
    EXPECT_EQ(std::u16string(units, length + 1), std::u16string(text, length + 1));
    GlobalUnlock(block);
    GlobalFree(block);
  }
}

}  // namespace
