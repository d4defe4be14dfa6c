// The ADO data manager: binding a grid to a recordset over a real database
// file, write-back checked through a second, raw SQLite connection, the
// recordset events as the manager follows them, and the COM error list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ado/ado.h"
#include "platform/base/utf.h"
#include "tests/support/raw_sqlite.h"
#include "tests/support/temp_home.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecords.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A grid stand-in: keeps columns and records as the control would and logs
// every call the manager makes.
class FakeGrid : public CTKReportDataManagerTarget {
 public:
  FakeGrid() : records(new CTKReportRecords), columns(new CTKReportColumns) {}
  ~FakeGrid() override {
    records->InternalRelease();
    columns->InternalRelease();
  }
  CTKReportRecords* GetRecords() override { return records; }
  void RemoveAllColumns() override {
    log.push_back("columns cleared");
    columns->Clear();
  }
  void AddColumn(CTKReportColumn* column) override { columns->Add(column); }
  void ResetContent(BOOL) override {
    log.push_back("reset");
    records->RemoveAll();
  }
  void AddRecord(CTKReportRecord* record) override {
    record->InternalAddRef();
    records->Add(record);
  }
  void AddRecordEx(CTKReportRecord* record) override {
    log.push_back("add row " + Caption(record));
    AddRecord(record);
  }
  void RemoveRecordEx(CTKReportRecord* record) override {
    log.push_back("remove " + Caption(record));
    records->RemoveRecord(record);
  }
  void UpdateRecord(CTKReportRecord* record, BOOL) override { log.push_back("update " + Caption(record)); }
  void RebuildRows() override { log.push_back("rebuild"); }

  static std::string Caption(CTKReportRecord* record) {
    CTKReportRecordItem* item = record ? record->GetItem(1) : nullptr;
    return item ? pv::Utf16ToUtf8(item->GetCaption(nullptr).GetString()) : "?";
  }
  // The captions of every record's items, "|" between them.
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (int i = 0; i < records->GetCount(); ++i) {
      std::string line;
      CTKReportRecord* record = records->GetAt(i);
      for (int j = 0; j < record->GetItemCount(); ++j)
        line += (j ? "|" : "") + pv::Utf16ToUtf8(record->GetItem(j)->GetCaption(nullptr).GetString());
      out.push_back(line);
    }
    return out;
  }

  CTKReportRecords* records;
  CTKReportColumns* columns;
  std::vector<std::string> log;
};

COleVariant Text(const char16_t* text) { return COleVariant(text); }

class DataManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("grid.tgd");
    std::u16string cs = u"Provider=Test;Data Source=" + pv::Utf8ToUtf16(path_);
    _CatalogPtr catalog(u"ADOX.Catalog");
    catalog->Create(cs.c_str());
    connection_.CreateInstance(u"ADODB.Connection");
    connection_->Open(cs.c_str(), u"", u"", -1);
    connection_->Execute(
        u"CREATE TABLE items(id COUNTER PRIMARY KEY,name TEXT(10),qty LONG,price DOUBLE,due DATETIME,done logical,"
        u"data LONGBINARY)",
        nullptr, adCmdText);
    for (const char16_t* s : {u"insert into items(name,qty,price,due,done) values ('apple',1,1.5,#2026-12-01#,0)",
                              u"insert into items(name,qty,price,due,done) values ('pear',2,2.5,#2026-12-02#,1)",
                              u"insert into items(name,qty,price,due,done) values ('plum',3,3.5,#2026-12-03#,0)"})
      connection_->Execute(s, nullptr, adCmdText);
  }

  _RecordsetPtr Open(const char16_t* sql, CursorLocationEnum location = adUseClient,
                     CursorTypeEnum type = adOpenKeyset) {
    _RecordsetPtr rs(u"ADODB.Recordset");
    rs->PutCursorLocation(location);
    rs->Open(sql, _variant_t(static_cast<IDispatch*>(connection_.GetInterfacePtr())), type, adLockOptimistic,
             adCmdText);
    return rs;
  }
  // Binds the table's rows; the manager is released by the fixture.
  CTKReportDataManager* Bind(_RecordsetPtr rs, BOOL expected = TRUE) {
    manager_ = new CTKReportDataManager(&grid_);
    manager_->SetDataSource(rs);
    EXPECT_EQ(manager_->DataBind(), expected);
    return manager_;
  }
  void TearDown() override {
    if (manager_) manager_->InternalRelease();
  }
  Rows Table() { return pvtest::RawSqlite(path_).Rows("select id,name,qty,price,done from items order by id"); }
  CTKReportRecordItemVariant* Item(int record, int index) {
    return dynamic_cast<CTKReportRecordItemVariant*>(grid_.records->GetAt(record)->GetItem(index));
  }

  pvtest::TempFolder dir_{"pv_reportdata"};
  std::string path_;
  _ConnectionPtr connection_;
  FakeGrid grid_;
  CTKReportDataManager* manager_ = nullptr;
};

const Rows kInitialRows = {
    {"1", "apple", "1", "1.5", "0"}, {"2", "pear", "2", "2.5", "-1"}, {"3", "plum", "3", "3.5", "0"}};

TEST_F(DataManagerTest, BindMakesAColumnPerFieldAndARecordPerRowWithItsBookmark) {
  _RecordsetPtr rs = Open(u"select id,name,qty,price,due,done from items order by id");
  Bind(rs);
  ASSERT_EQ(grid_.columns->GetCount(), 6);
  const char16_t* names[] = {u"id", u"name", u"qty", u"price", u"due", u"done"};
  for (int i = 0; i < 6; ++i) {
    CTKReportColumn* column = grid_.columns->GetAt(i);
    EXPECT_EQ(column->GetItemIndex(), i);
    EXPECT_EQ(CString(column->GetCaption()), CString(names[i]));
    EXPECT_EQ(column->GetWidth(), 100);
  }
  EXPECT_EQ(grid_.Captions(), (std::vector<std::string>{"1|apple|1|1.5|12/1/2026|0", "2|pear|2|2.5|12/2/2026|-1",
                                                        "3|plum|3|3.5|12/3/2026|0"}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(grid_.records->GetAt(i)->GetBookmark().vt, VT_R8);
    EXPECT_EQ(manager_->FindRecordByBookmark(grid_.records->GetAt(i)->GetBookmark()), grid_.records->GetAt(i));
  }
  EXPECT_EQ(grid_.log, (std::vector<std::string>{"columns cleared", "reset", "rebuild"}));
}

TEST_F(DataManagerTest, EmptyRecordsetGivesColumnsButNoRecordsAndNoSink) {
  _RecordsetPtr rs = Open(u"select id,name from items where id > 100");
  Bind(rs, FALSE);
  EXPECT_EQ(grid_.columns->GetCount(), 2);
  EXPECT_EQ(grid_.records->GetCount(), 0);
  // No sink: a row added through the recordset does not reach the grid.
  rs->AddNew();
  rs->GetFields()->GetItem(1L)->PutValue(Text(u"kiwi"));
  rs->Update();
  EXPECT_EQ(grid_.records->GetCount(), 0);
}

TEST_F(DataManagerTest, UnknownRecordCountIsWalkedToTheEnd) {
  _RecordsetPtr rs = Open(u"select id,name from items order by id", adUseServer, adOpenDynamic);
  ASSERT_EQ(rs->GetRecordCount(), -1);
  Bind(rs);
  EXPECT_EQ(grid_.Captions(), (std::vector<std::string>{"1|apple", "2|pear", "3|plum"}));
}

TEST_F(DataManagerTest, UpdateRecordWritesOneItemOrEveryWritableField) {
  _RecordsetPtr rs = Open(u"select id,name,qty,price,done from items order by id");
  Bind(rs);
  CTKReportRecord* pear = grid_.records->GetAt(1);
  Item(1, 1)->SetValue(Text(u"PEAR"));
  Item(1, 2)->SetValue(COleVariant(20L));
  // Only the given item's field.
  EXPECT_EQ(manager_->UpdateRecord(pear, Item(1, 2)), S_OK);
  Rows expected = kInitialRows;
  expected[1][2] = "20";
  EXPECT_EQ(Table(), expected);
  // Every writable field (the key is not writable and is skipped).
  EXPECT_EQ(manager_->UpdateRecord(pear, nullptr), S_OK);
  expected[1][1] = "PEAR";
  EXPECT_EQ(Table(), expected);
  // UpdateField writes the same way.
  Item(1, 3)->SetValue(COleVariant(9.25));
  EXPECT_EQ(manager_->UpdateField(Item(1, 3)), S_OK);
  expected[1][3] = "9.25";
  EXPECT_EQ(Table(), expected);
  // ... and so does its form that names the record, for that item alone.
  Item(1, 3)->SetValue(COleVariant(4.5));
  Item(1, 1)->SetValue(Text(u"pear"));
  EXPECT_EQ(manager_->UpdateField(pear, Item(1, 3)), S_OK);
  expected[1][3] = "4.5";
  EXPECT_EQ(Table(), expected);
  // The manager's own writes do not come back as record events.
  EXPECT_EQ(grid_.log, (std::vector<std::string>{"columns cleared", "reset", "rebuild"}));
  EXPECT_FALSE(manager_->IsLocalUpdate());
}

TEST_F(DataManagerTest, AFailedPutWritesNothingOfTheRow) {
  _RecordsetPtr rs = Open(u"select id,name,qty,price,done from items order by id");
  Bind(rs);
  CTKReportRecord* apple = grid_.records->GetAt(0);
  // The name is accepted, the quantity is not a number: the row must not
  // be written with the name alone.
  Item(0, 1)->SetValue(Text(u"changed"));
  Item(0, 2)->SetValue(Text(u"many"));
  EXPECT_TRUE(FAILED(manager_->UpdateRecord(apple, nullptr)));
  EXPECT_EQ(Table(), kInitialRows);
  EXPECT_EQ(rs->GetEditMode(), adEditNone);
  // A value too long for its field fails at Update: cancelled, reported.
  Item(0, 1)->SetValue(Text(u"far too long a name"));
  Item(0, 2)->SetValue(COleVariant(5L));
  EXPECT_EQ(manager_->UpdateRecord(apple, nullptr), E_FAIL);
  EXPECT_EQ(Table(), kInitialRows);
  EXPECT_EQ(rs->GetEditMode(), adEditNone);
  TK_REPORTDATAMANAGER_COM_ERROR error = manager_->GetLastComError();
  EXPECT_TRUE(FAILED(error.hResult));
  EXPECT_NE(error.strDescription.Find(u"too small"), -1) << pv::Utf16ToUtf8(error.strDescription.GetString());
}

TEST_F(DataManagerTest, AddRecordWritesTheRowOrNothing) {
  _RecordsetPtr rs = Open(u"select id,name,qty,price,done,data from items order by id");
  Bind(rs);
  // A failing put: nothing is inserted, the pending row is dropped.
  CTKReportRecord* bad = nullptr;
  ASSERT_EQ(manager_->CreateEmptyRecord(&bad), S_OK);
  static_cast<CTKReportRecordItemVariant*>(bad->GetItem(1))->SetValue(Text(u"fig"));
  static_cast<CTKReportRecordItemVariant*>(bad->GetItem(2))->SetValue(Text(u"not a number"));
  EXPECT_TRUE(FAILED(manager_->AddRecord(bad, TRUE)));
  EXPECT_EQ(bad->GetBookmark().vt, VT_EMPTY);
  EXPECT_EQ(rs->GetEditMode(), adEditNone);
  EXPECT_EQ(Table(), kInitialRows);
  // Too long for its field: refused at Update, cancelled, bookmark emptied.
  static_cast<CTKReportRecordItemVariant*>(bad->GetItem(2))->SetValue(COleVariant(4L));
  static_cast<CTKReportRecordItemVariant*>(bad->GetItem(1))->SetValue(Text(u"a name far too long"));
  EXPECT_EQ(manager_->AddRecord(bad, TRUE), E_FAIL);
  EXPECT_EQ(bad->GetBookmark().vt, VT_EMPTY);
  EXPECT_EQ(Table(), kInitialRows);
  // Such a record cannot be updated or deleted through the manager.
  EXPECT_EQ(manager_->UpdateRecord(bad, nullptr), E_FAIL);
  EXPECT_EQ(manager_->DeleteRecord(bad), E_FAIL);
  bad->InternalRelease();

  // A good record is written whole and joins the grid with its bookmark.
  CTKReportRecord* fig = nullptr;
  ASSERT_EQ(manager_->CreateEmptyRecord(&fig), S_OK);
  static_cast<CTKReportRecordItemVariant*>(fig->GetItem(1))->SetValue(Text(u"fig"));
  static_cast<CTKReportRecordItemVariant*>(fig->GetItem(2))->SetValue(COleVariant(4L));
  static_cast<CTKReportRecordItemVariant*>(fig->GetItem(3))->SetValue(COleVariant(4.5));
  static_cast<CTKReportRecordItemVariant*>(fig->GetItem(4))->SetValue(COleVariant(short(-1), VT_BOOL));
  EXPECT_EQ(manager_->AddRecord(fig, TRUE), S_OK);
  Rows expected = kInitialRows;
  expected.push_back({"4", "fig", "4", "4.5", "-1"});
  EXPECT_EQ(Table(), expected);
  EXPECT_EQ(manager_->FindRecordByBookmark(fig->GetBookmark()), fig);
  EXPECT_EQ(grid_.records->GetAt(3), fig);
  EXPECT_EQ(grid_.log.back(), "add row fig");
  // The grid took the record over: the caller's reference went with it.
}

TEST_F(DataManagerTest, CreateEmptyRecordTakesZerosTypedByTheFieldsOrTheFirstRow) {
  _RecordsetPtr empty = Open(u"select id,name,qty,price,due,done,data from items where id > 100");
  Bind(empty, FALSE);
  CTKReportRecord* record = nullptr;
  ASSERT_EQ(manager_->CreateEmptyRecord(&record), S_OK);
  const VARTYPE types[] = {VT_I4, VT_BSTR, VT_I4, VT_R8, VT_DATE, VT_BOOL, VT_BSTR};
  ASSERT_EQ(record->GetItemCount(), 7);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(static_cast<CTKReportRecordItemVariant*>(record->GetItem(i))->GetValue().vt, types[i]) << i;
  record->InternalRelease();

  _RecordsetPtr rows = Open(u"select id,name from items order by id");
  manager_->SetDataSource(rows);
  rows->MoveLast();
  ASSERT_EQ(manager_->CreateEmptyRecord(&record), S_OK);
  EXPECT_EQ(record->GetItem(1)->GetCaption(nullptr), CString(u"apple"));
  EXPECT_EQ(rows->GetAbsolutePosition(), 1);
  record->InternalRelease();
}

TEST_F(DataManagerTest, DeleteRecordRemovesTheRowAndTheEventsRemoveTheRecord) {
  _RecordsetPtr rs = Open(u"select id,name,qty,price,done from items order by id");
  Bind(rs);
  CTKReportRecord* pear = grid_.records->GetAt(1);
  EXPECT_EQ(manager_->DeleteRecord(pear), S_OK);
  EXPECT_EQ(Table(), (Rows{kInitialRows[0], kInitialRows[2]}));
  EXPECT_EQ(grid_.Captions(), (std::vector<std::string>{"1|apple|1|1.5|0", "3|plum|3|3.5|0"}));
  EXPECT_EQ(grid_.log.back(), "remove pear");
}

TEST_F(DataManagerTest, ChangesMadeThroughTheRecordsetByOtherCodeReachTheGrid) {
  _RecordsetPtr rs = Open(u"select id,name from items order by id");
  Bind(rs);
  // A new row.
  rs->AddNew();
  rs->GetFields()->GetItem(1L)->PutValue(Text(u"kiwi"));
  rs->Update();
  // A new row given up: no record, and nothing left pending for the
  // next update to act on.
  rs->AddNew();
  rs->GetFields()->GetItem(1L)->PutValue(Text(u"lost"));
  rs->CancelUpdate();
  // An edit of an existing row.
  rs->MoveFirst();
  rs->GetFields()->GetItem(1L)->PutValue(Text(u"APPLE"));
  rs->Update();
  // A deleted row.
  rs->MoveNext();
  rs->Delete(adAffectCurrent);
  EXPECT_EQ(grid_.Captions(), (std::vector<std::string>{"1|APPLE", "3|plum", "4|kiwi"}));
  EXPECT_EQ(grid_.log, (std::vector<std::string>{"columns cleared", "reset", "rebuild", "add row kiwi", "update APPLE",
                                                 "remove pear"}));
  // Closing the recordset empties the grid.
  rs->Close();
  EXPECT_EQ(grid_.records->GetCount(), 0);
  EXPECT_EQ(grid_.columns->GetCount(), 0);
}

// The sink fed by hand: what each event sequence makes the manager do and
// which statuses it answers.
TEST_F(DataManagerTest, SinkFollowsReasonsInOrder) {
  _RecordsetPtr rs = Open(u"select id,name from items order by id");
  Bind(rs);
  // Its one row has the bookmark 1, as apple has in the bound recordset.
  _RecordsetPtr view = Open(u"select id,name from items where id = 1");
  auto* sink = new CTKReportDataManager::CRstEvent(manager_);
  sink->AddRef();
  struct Step {
    const char* event;
    EventReasonEnum reason;
    EventStatusEnum status;
    EventStatusEnum answer;
  };
  auto run = [&](std::vector<Step> steps) {
    grid_.log.clear();
    for (const Step& s : steps) {
      EventStatusEnum status = s.status;
      std::string e = s.event;
      if (e == "will") sink->WillChangeRecord(s.reason, 1, &status, view);
      if (e == "complete") sink->RecordChangeComplete(s.reason, 1, nullptr, &status, view);
      if (e == "willField") sink->WillChangeField(1, vtMissing, &status, view);
      if (e == "fieldComplete") sink->FieldChangeComplete(1, vtMissing, nullptr, &status, view);
      if (e == "willMove") sink->WillMove(s.reason, &status, view);
      if (e == "moveComplete") sink->MoveComplete(s.reason, nullptr, &status, view);
      if (e == "willRecordset") sink->WillChangeRecordset(s.reason, &status, view);
      EXPECT_EQ(status, s.answer) << e << " " << s.reason;
    }
    return grid_.log;
  };
  const EventStatusEnum ok = adStatusOK, unwanted = adStatusUnwantedEvent, errors = adStatusErrorsOccurred;
  // Uninteresting events are refused for good.
  EXPECT_TRUE(run({{"willField", adRsnUpdate, ok, unwanted},
                   {"fieldComplete", adRsnUpdate, ok, unwanted},
                   {"willMove", adRsnMoveNext, ok, unwanted},
                   {"moveComplete", adRsnMoveNext, ok, unwanted},
                   {"willRecordset", adRsnRequery, ok, unwanted}})
                  .empty());
  // A delete: prepared at its Will, carried out at the update that follows.
  EXPECT_EQ(run({{"will", adRsnDelete, ok, ok}, {"complete", adRsnDelete, ok, ok}}), std::vector<std::string>{});
  EXPECT_EQ(sink->GetPendingReasons(), std::vector<EventReasonEnum>{adRsnDelete});
  EXPECT_EQ(run({{"will", adRsnUpdate, ok, ok}, {"complete", adRsnUpdate, ok, ok}}),
            std::vector<std::string>{"remove apple"});
  EXPECT_TRUE(sink->GetPendingReasons().empty());
  // A failed change pops its reason and does nothing.
  EXPECT_EQ(run({{"will", adRsnFirstChange, ok, ok}, {"complete", adRsnUpdate, errors, errors}}),
            std::vector<std::string>{});
  EXPECT_TRUE(sink->GetPendingReasons().empty());
  // An update with nothing pushed does nothing; a resynch updates.
  EXPECT_EQ(run({{"complete", adRsnUpdate, ok, ok}}), std::vector<std::string>{});
  // An undone change leaves nothing behind.
  EXPECT_EQ(run({{"will", adRsnAddNew, ok, ok}, {"will", adRsnUndoAddNew, ok, ok}}), std::vector<std::string>{});
  EXPECT_TRUE(sink->GetPendingReasons().empty());
  sink->Release();
}

TEST_F(DataManagerTest, ErrorListKeepsTheFirstTwoAndTheNewest) {
  connection_->Execute(u"CREATE TABLE notes(id COUNTER PRIMARY KEY,a TEXT(1),b TEXT(1),c TEXT(1),d TEXT(1))", nullptr,
                       adCmdText);
  connection_->Execute(u"insert into notes(a,b,c,d) values ('1','2','3','4')", nullptr, adCmdText);
  _RecordsetPtr rs = Open(u"select id,a,b,c,d from notes");
  Bind(rs);
  CTKReportRecord* record = grid_.records->GetAt(0);
  // Each too-long value is refused at Update, naming its own field.
  for (int field = 1; field <= 4; ++field) {
    Item(0, field)->SetValue(Text(u"too long"));
    EXPECT_EQ(manager_->UpdateRecord(record, record->GetItem(field)), E_FAIL);
  }
  auto description = [](const TK_REPORTDATAMANAGER_COM_ERROR& e) {
    return pv::Utf16ToUtf8(e.strDescription.GetString());
  };
  TK_REPORTDATAMANAGER_COM_ERROR newest = manager_->GetLastComError();
  TK_REPORTDATAMANAGER_COM_ERROR second = manager_->GetLastComError();
  TK_REPORTDATAMANAGER_COM_ERROR first = manager_->GetLastComError();
  TK_REPORTDATAMANAGER_COM_ERROR none = manager_->GetLastComError();
  EXPECT_NE(description(newest).find("notes.d"), std::string::npos) << description(newest);
  EXPECT_NE(description(second).find("notes.b"), std::string::npos) << description(second);
  EXPECT_NE(description(first).find("notes.a"), std::string::npos) << description(first);
  EXPECT_FALSE(newest.strMessage.IsEmpty());
  EXPECT_TRUE(FAILED(newest.hResult));
  EXPECT_EQ(none.hResult, 0);
  EXPECT_TRUE(none.strDescription.IsEmpty() && none.strMessage.IsEmpty());
  EXPECT_EQ(pvtest::RawSqlite(path_).Rows("select a,b,c,d from notes"), (Rows{{"1", "2", "3", "4"}}));
}

TEST_F(DataManagerTest, BookmarkIndexRefusesRecordsNoLongerInTheGrid) {
  _RecordsetPtr rs = Open(u"select id,name from items order by id");
  Bind(rs);
  CTKReportRecord* plum = grid_.records->GetAt(2);
  COleVariant bookmark = plum->GetBookmark();
  EXPECT_EQ(manager_->FindRecordByBookmark(bookmark), plum);  // builds the index
  // Removed behind the manager's back: no longer found.
  grid_.records->RemoveRecord(plum);
  EXPECT_EQ(manager_->FindRecordByBookmark(bookmark), nullptr);
  // A record the grid gained by other means is found.
  auto* other = new CTKReportRecord;
  other->SetBookmark(bookmark);
  grid_.records->Add(other);
  EXPECT_EQ(manager_->FindRecordByBookmark(bookmark), other);
  EXPECT_EQ(manager_->FindRecordByBookmark(COleVariant()), nullptr);
}

}  // namespace
