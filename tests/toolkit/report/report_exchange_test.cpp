// The stored form of items, records and record collections: round trips at
// the schema boundaries, older schemas, and the archive errors bad data
// raises.
#include <gtest/gtest.h>

#include "report_test_support.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

namespace {

CTKReportRecordItem* FullItem() {
  auto* item = new CTKReportRecordItem;
  item->SetCaption(u"caption");
  item->SetTextColor(0x123456);
  item->SetBackgroundColor(0x654321);
  item->SetBold(TRUE);
  item->SetFormatString(u"<%s>");
  item->SetEditable(FALSE);
  item->SetIconIndex(4);
  item->SetSortPriority(3);
  item->SetGroupPriority(9);
  item->SetGroupCaption(u"group");
  item->SetFocusable(FALSE);
  item->SetHasCheckbox(TRUE, TRUE);
  item->SetCheckedState(2);
  item->SetItemData(0x89ABCDEF);
  item->SetTooltip(u"tip");
  item->AddHyperlink(new CTKReportHyperlink(1, 3));
  CTKReportRecordItemControl* button = item->GetItemControls()->AddControl(1);
  button->SetCaption(u"Go");
  button->SetSize(SIZE{35, 0});
  button->SetIconIndex(3, 77);
  return item;
}

}  // namespace

TEST(ReportItemExchange, RoundTripsAtEachSchemaBoundary) {
  struct {
    int schema;
    bool caption;   // "Caption" travels above 16
    bool controls;  // "ItemControls" travel above 32
  } const table[] = {{16, false, false}, {17, true, false}, {21, true, false}, {23, true, false},
                     {32, true, false},  {33, true, true},  {36, true, true},  {38, true, true}};
  for (auto c : table) {
    CTKReportRecordItem* stored = FullItem();
    Bytes bytes = StoreWith(c.schema, [&](CTKPropExchange* px) { stored->DoPropExchange(px); });
    stored->InternalRelease();

    auto* loaded = new CTKReportRecordItem;
    loaded->SetCaption(u"before");
    loaded->GetItemControls()->AddControl(1);
    LoadWith(c.schema, bytes, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); });
    SCOPED_TRACE(c.schema);
    EXPECT_EQ(loaded->GetCaption(), c.caption ? u"caption" : u"before");
    EXPECT_EQ(loaded->GetTextColor(), 0x123456u);
    EXPECT_EQ(loaded->GetBackgroundColor(), 0x654321u);
    EXPECT_TRUE(loaded->IsBold());
    EXPECT_EQ(loaded->GetFormatString(), u"<%s>");
    EXPECT_FALSE(loaded->IsEditable());
    EXPECT_EQ(loaded->GetIconIndex(), 4);
    EXPECT_EQ(loaded->GetSortPriority(), 3);
    EXPECT_EQ(loaded->GetGroupPriority(), 9);
    EXPECT_EQ(loaded->m_strGroupCaption, u"group");
    EXPECT_FALSE(loaded->IsFocusable());
    EXPECT_EQ(loaded->GetCheckedState(), 2);
    EXPECT_EQ(loaded->GetItemData(), 0x89ABCDEFu);
    EXPECT_EQ(loaded->GetTooltip(), u"tip");
    ASSERT_EQ(loaded->GetHyperlinksCount(), 1);
    EXPECT_EQ(loaded->GetHyperlinkAt(0)->m_nHyperTextBegin, 1);
    EXPECT_EQ(loaded->GetHyperlinkAt(0)->m_nHyperTextLen, 3);
    EXPECT_EQ(loaded->GetHyperlinkAt(0)->m_rcHyperSpot.right, 0) << "no hot spot until drawn";
    CTKReportRecordItemControls* controls = loaded->GetItemControls();
    if (c.controls) {
      ASSERT_EQ(controls->GetSize(), 1);
      EXPECT_TRUE(controls->GetAt(0)->IsKindOf(RUNTIME_CLASS(CTKReportRecordItemButton)));
      EXPECT_EQ(controls->GetAt(0)->GetCaption(), u"Go");
      EXPECT_EQ(controls->GetAt(0)->GetSize().cx, 35);
      EXPECT_EQ(controls->GetAt(0)->GetIconIndex(3), 77);
    } else {
      EXPECT_EQ(controls->GetSize(), 0) << "an older schema removes the item's controls";
    }
    loaded->InternalRelease();
  }
}

TEST(ReportItemExchange, EmptyLinkSectionEmptiesTheItemsLinks) {
  auto* plain = new CTKReportRecordItem;
  Bytes bytes = StoreWith(38, [&](CTKPropExchange* px) { plain->DoPropExchange(px); });
  plain->InternalRelease();
  CTKReportRecordItem* loaded = FullItem();
  LoadWith(38, bytes, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); });
  EXPECT_EQ(loaded->GetHyperlinksCount(), 0);
  EXPECT_EQ(loaded->GetItemControls()->GetSize(), 0);
  loaded->InternalRelease();
}

namespace {

CTKReportRecords* SampleRecords() {
  auto* records = new CTKReportRecords;
  for (int i = 0; i < 3; ++i) {
    auto* record = new CTKReportRecord;
    record->AddItem(new CTKReportRecordItemText(u"see [url]x[/url]"));
    record->AddItem(new CTKReportRecordItemNumber(i * 1.5));
    record->AddItem(new CTKReportRecordItemPercentNumber(40 + i, 0x00FF00, FALSE));
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(2026, 12, 8 + i, 7, 30, 0)));
    record->AddItem(new CTKReportRecordItemVariant(COleVariant(static_cast<long>(i))));
    record->AddItem(new CTKReportRecordItemIcon);
    record->SetLocked(i == 1);
    if (i == 2) {
      record->SetPreviewItem(new CTKReportRecordItemPreview(u"preview text"));
      auto* child = new CTKReportRecord;
      child->AddItem(new CTKReportRecordItemText(u"child"));
      record->GetChilds()->Add(child);
    }
    records->Add(record);
  }
  return records;
}

Bytes StoreRecords(CTKReportRecords* records) {
  return StoreWith(38, [&](CTKPropExchange* px) { records->DoPropExchange(px); });
}

}  // namespace

TEST(ReportRecordsExchange, RecordsOfEveryItemTypeRoundTrip) {
  CTKReportRecords* source = SampleRecords();
  Bytes bytes = StoreRecords(source);
  auto* loaded = new CTKReportRecords;
  LoadWith(38, bytes, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); });
  ASSERT_EQ(loaded->GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    CTKReportRecord* a = source->GetAt(i);
    CTKReportRecord* b = loaded->GetAt(i);
    ASSERT_EQ(b->GetItemCount(), a->GetItemCount());
    EXPECT_EQ(b->GetIndex(), i);
    EXPECT_EQ(b->GetRecords(), loaded);
    EXPECT_EQ(b->IsLocked(), a->IsLocked());
    for (int j = 0; j < a->GetItemCount(); ++j) {
      EXPECT_EQ(b->GetItem(j)->GetRuntimeClass(), a->GetItem(j)->GetRuntimeClass());
      EXPECT_EQ(b->GetItem(j)->GetCaption(), a->GetItem(j)->GetCaption()) << i << "," << j;
      EXPECT_EQ(b->GetItem(j)->GetRecord(), b);
    }
  }
  EXPECT_EQ(loaded->GetAt(0)->GetItem(0)->GetHyperlinksCount(), 1);
  ASSERT_NE(loaded->GetAt(2)->GetPreviewItem(), nullptr);
  EXPECT_EQ(loaded->GetAt(2)->GetPreviewItem()->GetPreviewText(), u"preview text");
  ASSERT_TRUE(loaded->GetAt(2)->HasChildren());
  EXPECT_EQ(loaded->GetAt(2)->GetChilds()->GetAt(0)->GetItem(0)->GetCaption(), u"child");
  EXPECT_EQ(loaded->GetAt(2)->GetChilds()->GetAt(0)->GetParentRecord(), loaded->GetAt(2));
  // Stored again, the loaded records give the same bytes.
  EXPECT_EQ(StoreRecords(loaded), bytes);
  source->InternalRelease();
  loaded->InternalRelease();
}

TEST(ReportRecordsExchange, ChildrenTravelAboveSchema21) {
  for (int schema : {21, 22}) {
    auto* record = new CTKReportRecord;
    record->GetChilds()->Add(new CTKReportRecord);
    Bytes bytes = StoreWith(schema, [&](CTKPropExchange* px) { record->DoPropExchange(px); });
    record->InternalRelease();
    auto* loaded = new CTKReportRecord;
    loaded->GetChilds()->Add(new CTKReportRecord);
    loaded->GetChilds()->Add(new CTKReportRecord);
    LoadWith(schema, bytes, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); });
    // Schema 21 has no children key: the record's own children stay.
    EXPECT_EQ(loaded->GetChilds()->GetCount(), schema > 21 ? 1 : 2) << schema;
    loaded->InternalRelease();
  }
}

TEST(ReportRecordsExchange, BadDataRaisesArchiveErrorsAndKeepsWhatWasRead) {
  CTKReportRecords* source = SampleRecords();
  Bytes bytes = StoreRecords(source);
  source->InternalRelease();

  // A class name that names no class: bad class (6).
  Bytes renamed = bytes;
  const char name[] = "CTKReportRecordItemNumber";
  auto at = std::search(renamed.begin(), renamed.end(), name, name + sizeof name - 1);
  ASSERT_NE(at, renamed.end());
  at[sizeof name - 2] = 'X';
  auto* loaded = new CTKReportRecords;
  EXPECT_EQ(ArchiveCause([&] { LoadWith(38, renamed, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); }); }),
            CArchiveException::badClass);
  EXPECT_EQ(loaded->GetCount(), 0) << "the first record failed";
  loaded->InternalRelease();

  // Where an item belongs, a class that is no item: bad class (6).
  Bytes wrong = StoreWith(38, [&](CTKPropExchange* px) {
    px->ExchangeSchemaTolerant();
    CTKPropExchangeEnumeratorHolder records(px->GetEnumerator(u"Record"));
    POSITION pos = records->GetPosition(1);
    CTKPropExchangeSection section(records->GetNext(pos));
    auto* record = new CTKReportRecord;
    CObject* object = record;
    section->ExchangeObject(&object, RUNTIME_CLASS(CTKReportRecord));
    BOOL no = FALSE;
    PropExchangeBool(section, u"Locked", &no);
    PropExchangeBool(section, u"Editable", &no);
    PropExchangeBool(section, u"Preview", &no);
    CTKPropExchangeEnumeratorHolder items(section->GetEnumerator(u"Item"));
    POSITION itemPos = items->GetPosition(1);
    CTKPropExchangeSection itemSection(items->GetNext(itemPos));
    auto* notAnItem = new CTKReportRecords;
    CObject* other = notAnItem;
    itemSection->ExchangeObject(&other, RUNTIME_CLASS(CTKReportRecords));
    notAnItem->InternalRelease();
    record->InternalRelease();
  });
  loaded = new CTKReportRecords;
  EXPECT_EQ(ArchiveCause([&] { LoadWith(38, wrong, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); }); }),
            CArchiveException::badClass);
  loaded->InternalRelease();

  // Cut short: end of file, and the whole records read before it stay.
  for (size_t cut : {bytes.size() / 3, bytes.size() - 1}) {
    Bytes truncated(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    loaded = new CTKReportRecords;
    EXPECT_EQ(ArchiveCause([&] { LoadWith(38, truncated, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); }); }),
              CArchiveException::endOfFile);
    EXPECT_LT(loaded->GetCount(), 3);
    for (int i = 0; i < loaded->GetCount(); ++i) EXPECT_EQ(loaded->GetAt(i)->GetItemCount(), 6);
    loaded->InternalRelease();
  }
}

TEST(ReportRecordsExchange, NestingDeeperThanTheLimitIsRefused) {
  auto* top = new CTKReportRecords;
  CTKReportRecords* level = top;
  for (int i = 0; i < CTKReportRecords::kMaxLoadDepth + 5; ++i) {
    auto* record = new CTKReportRecord;
    level->Add(record);
    level = record->GetChilds();
  }
  Bytes bytes = StoreRecords(top);
  top->InternalRelease();
  auto* loaded = new CTKReportRecords;
  EXPECT_EQ(ArchiveCause([&] { LoadWith(38, bytes, [&](CTKPropExchange* px) { loaded->DoPropExchange(px); }); }),
            CArchiveException::badIndex);
  loaded->InternalRelease();
}
