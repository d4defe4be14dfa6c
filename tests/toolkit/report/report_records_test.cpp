// Record collections: string comparison, virtual mode, bookmarks, moving
// records, text search and sizing.
#include <gtest/gtest.h>

#include "toolkit/report/reportallocator.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

namespace {

// An owning collection of records with one text item each.
CTKReportRecords* TextRecords(std::initializer_list<std::vector<const char16_t*>> rows) {
  auto* records = new CTKReportRecords;
  for (const auto& row : rows) {
    auto* record = new CTKReportRecord;
    for (const char16_t* text : row) record->AddItem(new CTKReportRecordItemText(text));
    records->Add(record);
  }
  return records;
}

CString Caption(CTKReportRecordItem* item) { return item ? item->GetCaption() : CString(u"(none)"); }

}  // namespace

TEST(ReportRecords, CompareStringsAndVirtualMode) {
  CTKReportRecords records;
  EXPECT_EQ(records.CompareStrings(u"ABC", u"abc"), -1) << "code unit order";
  EXPECT_EQ(records.CompareStrings(u"b", u"a"), 1);
  records.SetCaseSensitive(FALSE);
  EXPECT_EQ(records.CompareStrings(u"ABC", u"abc"), 0);

  auto* owner = new CTKReportRecords;
  owner->SetVirtualMode(new CTKReportRecord, 3);
  EXPECT_EQ(owner->GetCount(), 3);
  CTKReportRecord* virtualRecord = owner->GetAt(5);
  ASSERT_NE(virtualRecord, nullptr);
  EXPECT_EQ(virtualRecord->GetIndex(), 5);
  owner->SetVirtualMode(nullptr, 0);
  EXPECT_EQ(owner->GetAt(0), nullptr);
  owner->InternalRelease();
}

TEST(ReportRecords, BookmarksMatchByTypeAndValue) {
  CTKReportRecords* records = TextRecords({{u"a"}, {u"b"}, {u"c"}});
  records->GetAt(0)->SetBookmark(COleVariant(5L));
  records->GetAt(1)->SetBookmark(COleVariant(5.0));
  records->GetAt(2)->SetBookmark(COleVariant(u"key"));
  auto* child = new CTKReportRecord;
  child->SetBookmark(COleVariant(7L));
  records->GetAt(2)->GetChilds()->Add(child);

  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(5L), FALSE), records->GetAt(0));
  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(5.0), FALSE), records->GetAt(1))
      << "a double bookmark is not matched by the integer with the same value";
  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(u"key"), FALSE), records->GetAt(2))
      << "strings match by text, not by the address of their characters";
  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(u"other"), FALSE), nullptr);
  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(7L), FALSE), nullptr);
  EXPECT_EQ(records->FindRecordByBookmark(COleVariant(7L), TRUE), child);
  records->InternalRelease();
}

TEST(ReportRecords, MoveRecordsTakesAReferenceListInOrder) {
  CTKReportRecords* records = TextRecords({{u"0"}, {u"1"}, {u"2"}, {u"3"}, {u"4"}});
  auto order = [&] {
    CString text;
    for (int i = 0; i < records->GetCount(); ++i) {
      text += records->GetAt(i)->GetItem(0)->GetCaption();
      EXPECT_EQ(records->GetAt(i)->GetIndex(), i);
    }
    return text;
  };
  CTKReportRecords owning;
  owning.m_arrRecords.Add(records->GetAt(4));
  records->MoveRecords(0, &owning);
  EXPECT_EQ(order(), u"01234") << "not a reference list: nothing moves";
  owning.m_arrRecords.RemoveAll();

  struct {
    std::vector<const char16_t*> list;  // records by caption
    int index;
    const char16_t* expected;
  } const table[] = {{{u"3", u"4"}, 0, u"34012"}, {{u"4", u"3"}, 0, u"43012"}, {{u"0", u"1"}, 5, u"43201"},
                     {{u"0", u"2"}, 2, u"43021"}, {{u"1"}, -3, u"14302"},      {{u"4"}, 99, u"13024"}};
  for (const auto& c : table) {
    CTKReportRecords list(TRUE);
    CString before = order();
    for (const char16_t* caption : c.list) {
      for (int i = 0; i < records->GetCount(); ++i)
        if (records->GetAt(i)->GetItem(0)->GetCaption() == caption) list.Add(records->GetAt(i));
    }
    records->MoveRecords(c.index, &list);
    EXPECT_EQ(order(), c.expected) << CStringA(before).GetString() << " index " << c.index;
  }
  records->InternalRelease();
}

TEST(ReportRecords, FindRecordItemModesTable) {
  CTKReportRecords* records = TextRecords({{u"abcd", u"xabc"}, {u"ABCD", u"cd"}, {u"abc", u""}, {u"zzcd", u"abcd"}});
  struct {
    const char* what;
    int startRow, endRow, startItem, endItem, fromRow, fromItem;
    const char16_t* text;
    int flags;
    int row, item;  // -1: nothing found
  } const table[] = {
      {"contains", 0, 9, 0, 9, 0, 0, u"bc", 0, 0, 0},
      {"prefix finds 'abc' in 'abcd'", 0, 9, 0, 9, 0, 1, u"abc", 8, 2, 0},
      {"prefix skips 'xabc'", 0, 0, 1, 1, 0, 0, u"abc", 8, -1, -1},
      {"ends with", 1, 9, 0, 9, 1, 0, u"cd", 2, 1, 1},
      {"equal", 0, 9, 0, 9, 0, 0, u"abc", 3, 2, 0},
      {"equal ignoring case", 0, 9, 0, 9, 0, 0, u"abcD", 1, 0, 0},
      {"contains ignoring case", 1, 1, 0, 0, 0, 0, u"bc", 0, 1, 0},
      {"from row 2 onwards", 0, 9, 0, 9, 2, 0, u"abcd", 0, 3, 1},
      {"backwards from the last row", 0, 9, 0, 9, 0, 0, u"abcd", 4, 3, 1},
      {"backwards still skips rows before the start row", 0, 9, 0, 9, 3, 0, u"ab", 4, 3, 1},
      {"backwards from row 3 finds nothing above it", 0, 9, 0, 9, 3, 0, u"ABCD", 7, -1, -1},
      {"backwards equal", 0, 9, 0, 9, 0, 0, u"ABCD", 7, 1, 0},
      {"empty captions are skipped", 2, 2, 1, 1, 0, 0, u"", 0, -1, -1},
      {"item range far beyond the items", 0, 9, 0, 1000000, 0, 0, u"zz", 0, 3, 0},
  };
  for (const auto& c : table) {
    CTKReportRecordItem* found =
        records->FindRecordItem(c.startRow, c.endRow, c.startItem, c.endItem, c.fromRow, c.fromItem, c.text, c.flags);
    CTKReportRecordItem* expected = c.row < 0 ? nullptr : records->GetAt(c.row)->GetItem(c.item);
    EXPECT_EQ(found, expected) << c.what << ": found " << CStringA(Caption(found)).GetString();
  }
  CTKReportRecords empty;
  EXPECT_EQ(empty.FindRecordItem(0, 9, 0, 9, 0, 0, u"a", 0), nullptr);
  records->InternalRelease();
}

TEST(ReportRecords, SizingAndRemovingReleaseRecords) {
  LONG before = CTKReportDataAllocator::GetCount();
  CTKReportRecords* records = TextRecords({{u"a"}, {u"b"}, {u"c"}});
  EXPECT_EQ(CTKReportDataAllocator::GetCount() - before, 7) << "collection, three records, three items";
  CTKReportRecord* second = records->GetAt(1);
  second->InternalAddRef();
  records->SetSize(1);
  EXPECT_EQ(records->GetCount(), 1);
  EXPECT_EQ(second->m_dwRef, 1) << "the collection dropped its reference";
  EXPECT_EQ(CTKReportDataAllocator::GetCount() - before, 5) << "the third record and its item are gone";
  EXPECT_EQ(records->RemoveRecord(second), -1);
  records->Add(second);
  EXPECT_EQ(second->GetIndex(), 1);
  records->InsertAt(0, new CTKReportRecord);
  EXPECT_EQ(second->GetIndex(), 2) << "indexes follow positions";
  EXPECT_EQ(records->RemoveRecord(second), 2);
  EXPECT_EQ(records->GetCount(), 2);
  EXPECT_EQ(records->GetAt(1)->GetIndex(), 1);
  records->InternalRelease();
  EXPECT_EQ(CTKReportDataAllocator::GetCount(), before);
}
