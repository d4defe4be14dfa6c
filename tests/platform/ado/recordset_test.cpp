// Recordsets: field types, bookmarks and moves, edits written back through
// AddNew/Update/Delete with their events, read-only cases.
#include <functional>
#include <sstream>

#include "platform/ado/ado_engine.h"
#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

// Records every event as one line; can answer "unwanted" or "cancel".
class RecordingSink final : public RecordsetEventsVt {
 public:
  std::vector<std::string> log;
  std::string cancelOn;                      // event line prefix to cancel
  std::string unwantedOn;                    // event name to answer adStatusUnwantedEvent
  std::function<void()> onWillChangeRecord;  // runs inside WillChangeRecord
  long refs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == __uuidof(RecordsetEventsVt)) {
      *out = static_cast<RecordsetEventsVt*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }  // lives on the stack

  static const char* Reason(EventReasonEnum r) {
    static const char* names[] = {"?",          "AddNew",   "Delete",       "Update",  "UndoUpdate", "UndoAddNew",
                                  "UndoDelete", "Requery",  "Resynch",      "Close",   "Move",       "FirstChange",
                                  "MoveFirst",  "MoveNext", "MovePrevious", "MoveLast"};
    return r >= 0 && r <= 15 ? names[r] : "?";
  }
  // The rows the event's recordset shows, as their bookmarks.
  static std::string Rows(_Recordset* rs) {
    std::ostringstream out;
    out << "[";
    rs->MoveFirst();
    while (!rs->GetadoEOF()) {
      out << static_cast<double>(rs->GetBookmark());
      rs->MoveNext();
      if (!rs->GetadoEOF()) out << ",";
    }
    out << "]";
    return out.str();
  }
  void Add(const std::string& line, EventStatusEnum* status, Error* error = nullptr) {
    std::string full = line;
    if (*status == adStatusErrorsOccurred) full += " errors";
    if (error) full += " (" + std::string(static_cast<const char*>(error->GetDescription())) + ")";
    log.push_back(full);
    std::string name = line.substr(0, line.find(' '));
    if (!cancelOn.empty() && line.rfind(cancelOn, 0) == 0) *status = adStatusCancel;
    if (!unwantedOn.empty() && name == unwantedOn) *status = adStatusUnwantedEvent;
  }
  STDMETHODIMP WillChangeField(long n, VARIANT fields, EventStatusEnum* st, _Recordset*) override {
    LONG i = 0;
    _variant_t f;
    SafeArrayGetElement(fields.parray, &i, &f);
    FieldPtr field(f);
    Add("WillChangeField " + std::to_string(n) + " " + std::string(static_cast<const char*>(field->GetName())), st);
    return S_OK;
  }
  STDMETHODIMP FieldChangeComplete(long n, VARIANT, Error* e, EventStatusEnum* st, _Recordset*) override {
    Add("FieldChangeComplete " + std::to_string(n), st, e);
    return S_OK;
  }
  STDMETHODIMP WillChangeRecord(EventReasonEnum r, long n, EventStatusEnum* st, _Recordset* rs) override {
    Add(std::string("WillChangeRecord ") + Reason(r) + " " + std::to_string(n) + " " + Rows(rs), st);
    if (onWillChangeRecord) onWillChangeRecord();
    return S_OK;
  }
  STDMETHODIMP RecordChangeComplete(EventReasonEnum r, long n, Error* e, EventStatusEnum* st, _Recordset* rs) override {
    Add(std::string("RecordChangeComplete ") + Reason(r) + " " + std::to_string(n) + " " + Rows(rs), st, e);
    return S_OK;
  }
  STDMETHODIMP WillChangeRecordset(EventReasonEnum r, EventStatusEnum* st, _Recordset*) override {
    Add(std::string("WillChangeRecordset ") + Reason(r), st);
    return S_OK;
  }
  STDMETHODIMP RecordsetChangeComplete(EventReasonEnum r, Error* e, EventStatusEnum* st, _Recordset*) override {
    Add(std::string("RecordsetChangeComplete ") + Reason(r), st, e);
    return S_OK;
  }
  STDMETHODIMP WillMove(EventReasonEnum r, EventStatusEnum* st, _Recordset*) override {
    Add(std::string("WillMove ") + Reason(r), st);
    return S_OK;
  }
  STDMETHODIMP MoveComplete(EventReasonEnum r, Error* e, EventStatusEnum* st, _Recordset*) override {
    Add(std::string("MoveComplete ") + Reason(r), st, e);
    return S_OK;
  }
  STDMETHODIMP EndOfRecordset(VARIANT_BOOL*, EventStatusEnum* st, _Recordset*) override {
    Add("EndOfRecordset", st);
    return S_OK;
  }
  STDMETHODIMP FetchProgress(long, long, EventStatusEnum* st, _Recordset*) override { return S_OK; }
  STDMETHODIMP FetchComplete(Error*, EventStatusEnum* st, _Recordset*) override { return S_OK; }
};

DWORD Advise(_RecordsetPtr rs, IUnknown* sink) {
  IConnectionPointContainerPtr container(rs);
  EXPECT_TRUE(container);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(__uuidof(RecordsetEvents), &point), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
  point->Release();
  return cookie;
}

void Unadvise(_RecordsetPtr rs, DWORD cookie) {
  IConnectionPointContainerPtr container(rs);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(__uuidof(RecordsetEvents), &point), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  point->Release();
}

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("qty.tgd");
    c_.Attach(CreateDatabase(path_).Detach());
    for (const char16_t* s : {
             u"insert into files (filename,extendionname,taid) values ('a','doc',1)",
             u"insert into files (filename,extendionname,taid) values ('b','xls',1)",
             u"insert into files (filename,extendionname,taid) values ('c','txt',1)",
             u"insert into files (filename,extendionname,taid) values ('other','txt',2)",
             u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (1,'x',1,2,'',7)",
             u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (2,'y',3,4,'',7)",
         })
      c_->Execute(s, nullptr, adCmdText);
  }
  _RecordsetPtr Open(const char16_t* sql, LockTypeEnum lock = adLockPessimistic,
                     CursorLocationEnum location = adUseClient) {
    _RecordsetPtr rs(u"ADODB.Recordset");
    rs->PutCursorType(adOpenDynamic);
    rs->PutCursorLocation(location);
    rs->Open(sql, _variant_t(static_cast<IDispatch*>(c_.GetInterfacePtr())), adOpenDynamic, lock, adCmdText);
    return rs;
  }
  TempDir dir_;
  std::string path_;
  _ConnectionPtr c_;
};

TEST_F(RecordsetTest, FieldTypesFollowTheDeclaredColumnTypes) {
  c_->Execute(
      u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,message,executenumber,sendnumber) "
      u"values ('r',#2012-02-07#,#14:05:00#,2,1,-1,0)",
      nullptr, adCmdText);
  c_->Execute(u"insert into details (no1,taid,detail) values (7,1,'long text')", nullptr, adCmdText);
  c_->Execute(u"insert into statistics (taid,data1) values (1,0.1)", nullptr, adCmdText);
  c_->Execute(u"insert into FINANCIAL (fiid,income) values (3,0.1)", nullptr, adCmdText);
  struct Case {
    const char16_t* sql;
    const char16_t* field;
    DataTypeEnum type;
    VARTYPE vt;
    long size;
    bool updatable;
  };
  const Case cases[] = {
      {u"select * from remind", u"rid", adInteger, VT_I4, 4, false},  // COUNTER: never written by callers
      {u"select * from remind", u"content", adVarWChar, VT_BSTR, 60, true},
      {u"select * from remind", u"RemindDate", adDate, VT_DATE, 8, true},
      {u"select * from remind", u"NumberOfTimes", adInteger, VT_I4, 4, true},
      {u"select * from remind", u"executenumber", adInteger, VT_I4, 4, true},
      {u"select * from remind", u"message", adBoolean, VT_BOOL, 2, true},
      {u"select * from remind", u"phonenumber", adVarWChar, VT_NULL, 13, true},
      {u"select * from details", u"no1", adUnsignedTinyInt, VT_UI1, 1, true},
      {u"select * from details", u"detail", adLongVarWChar, VT_BSTR, 536870910, true},
      {u"select * from statistics", u"data1", adDouble, VT_R8, 8, true},
      {u"select * from FINANCIAL where fiid=3", u"income", adSingle, VT_R4, 4, true},
      {u"select * from FINANCIAL where fiid=3", u"fiid", adInteger, VT_I4, 4, true},
      {u"select max(rid) from remind", u"Expr1000", adInteger, VT_I4, 4, false},
      {u"select count(*) from files", u"Expr1000", adInteger, VT_I4, 4, false},
      {u"select min(RemindDate), max(content) from remind", u"Expr1001", adVarWChar, VT_BSTR, 60, false},
      {u"select min(RemindDate) from remind", u"Expr1000", adDate, VT_DATE, 8, false},
      {u"select max(rid) as top from remind", u"top", adInteger, VT_I4, 4, false},
      {u"select files.taid, filename from files inner join task on files.taid=task.taid", u"filename", adVarWChar,
       VT_EMPTY, 40, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql) + " / " + Narrow(c.field));
    _RecordsetPtr rs = Open(c.sql);
    FieldPtr f = rs->GetFields()->GetItem(c.field);
    EXPECT_EQ(Wide(static_cast<const char*>(f->GetName())), c.field);
    EXPECT_EQ(f->GetType(), c.type);
    EXPECT_EQ(f->GetDefinedSize(), c.size);
    EXPECT_EQ((f->GetAttributes() & adFldUpdatable) != 0, c.updatable);
    if (c.vt != VT_EMPTY) {
      EXPECT_EQ(f->GetValue().vt, c.vt);
    }
  }
  // SINGLE values are rounded to float; true reads as -1.
  _RecordsetPtr fi = Open(u"select income from FINANCIAL where fiid=3");
  EXPECT_EQ(fi->GetCollect(0L).fltVal, 0.1f);
  _RecordsetPtr r = Open(u"select message from remind");
  EXPECT_EQ(r->GetCollect(u"MESSAGE").boolVal, VARIANT_TRUE);
}

TEST_F(RecordsetTest, BookmarksAndMovesOverClientAndServerCursors) {
  _RecordsetPtr rs = Open(u"select filename,extendionname,taid from files where taid=1");
  EXPECT_EQ(rs->GetRecordCount(), 3);
  EXPECT_EQ(rs->GetCursorType(), adOpenStatic);  // client cursors are static
  std::vector<_variant_t> marks;
  while (!rs->GetadoEOF()) {
    marks.push_back(rs->GetBookmark());
    EXPECT_EQ(marks.back().vt, VT_R8);
    rs->MoveNext();
  }
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_NE(ErrorOf([&] { rs->MoveNext(); }).find("no current row"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { rs->GetCollect(0L); }).find("no current row"), std::string::npos);
  rs->PutBookmark(marks[1]);
  EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(u"filename")))), "b");
  EXPECT_EQ(rs->GetAbsolutePosition(), 2);
  EXPECT_EQ(rs->CompareBookmarks(marks[0], marks[2]), adCompareLessThan);
  EXPECT_EQ(rs->CompareBookmarks(marks[2], marks[0]), adCompareGreaterThan);
  EXPECT_EQ(rs->CompareBookmarks(rs->GetBookmark(), marks[1]), adCompareEqual);
  rs->MoveLast();
  rs->MovePrevious();
  EXPECT_EQ(rs->GetBookmark(), marks[1]);
  rs->Move(-5);
  EXPECT_TRUE(rs->GetBOF());
  rs->Move(1, marks[0]);
  EXPECT_EQ(rs->GetBookmark(), marks[1]);
  EXPECT_NE(ErrorOf([&] { rs->PutBookmark(_variant_t(99.0)); }).find("bookmark"), std::string::npos);

  // A forward-only server cursor does not know its count; an empty result is BOF and EOF.
  _RecordsetPtr ex = c_->Execute(u"select * from files", nullptr, adCmdText);
  EXPECT_EQ(ex->GetRecordCount(), -1);
  _RecordsetPtr empty = Open(u"select * from files where taid=99");
  EXPECT_EQ(empty->GetRecordCount(), 0);
  EXPECT_TRUE(empty->GetadoEOF());
  EXPECT_TRUE(empty->GetBOF());
  // Fields by name without regard to case; an unknown name is named in the error.
  EXPECT_EQ(rs->GetFields()->GetItem(u"EXTENDIONNAME")->GetType(), adVarWChar);
  EXPECT_NE(ErrorOf([&] { rs->GetFields()->GetItem(u"nosuch"); }).find("nosuch"), std::string::npos);
  rs->Close();
  EXPECT_EQ(rs->GetState(), adStateClosed);
  EXPECT_NE(ErrorOf([&] { rs->GetRecordCount(); }).find("closed"), std::string::npos);
}

TEST_F(RecordsetTest, AddNewUpdateDeleteWriteThroughAndRaiseEventsInOrder) {
  RawDb raw(path_);
  _RecordsetPtr rs = Open(u"select filename,extendionname,taid from files where taid=1");
  RecordingSink sink;
  DWORD cookie = Advise(rs, &sink);

  // Adding a row (the key column is not in the select list).
  rs->AddNew();
  _variant_t newMark = rs->GetBookmark();
  rs->GetFields()->GetItem(u"filename")->PutValue(u"new");
  rs->PutCollect(u"extendionname", u"png");
  rs->GetFields()->GetItem(2L)->PutValue(1L);
  EXPECT_EQ(rs->GetEditMode(), adEditAdd);
  rs->Update();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillChangeRecord AddNew 1 []", "RecordChangeComplete AddNew 1 [4]",
                                                "WillChangeField 1 filename", "FieldChangeComplete 1",
                                                "WillChangeField 1 extendionname", "FieldChangeComplete 1",
                                                "WillChangeField 1 taid", "FieldChangeComplete 1",
                                                "WillChangeRecord Update 1 [4]", "RecordChangeComplete Update 1 [4]"}));
  EXPECT_EQ(rs->GetRecordCount(), 4);
  EXPECT_EQ(rs->GetBookmark(), newMark);
  EXPECT_EQ(raw.Rows("SELECT fid, filename, extendionname, taid FROM FILES WHERE filename='new'"),
            (std::vector<std::vector<std::string>>{{"5", "new", "png", "1"}}));

  // Changing a field of an existing row, then moving away saves it.
  sink.log.clear();
  rs->MoveFirst();
  rs->PutCollect(0L, u"renamed");
  EXPECT_EQ(raw.One("SELECT filename FROM FILES WHERE fid=1"), "a");
  rs->MoveNext();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillMove MoveFirst", "MoveComplete MoveFirst",
                                                "WillChangeField 1 filename", "WillChangeRecord FirstChange 1 [1]",
                                                "RecordChangeComplete FirstChange 1 [1]", "FieldChangeComplete 1",
                                                "WillChangeRecord Update 1 [1]", "RecordChangeComplete Update 1 [1]",
                                                "WillMove MoveNext", "MoveComplete MoveNext"}));
  EXPECT_EQ(raw.One("SELECT filename FROM FILES WHERE fid=1"), "renamed");

  // Deleting the current row; the event's recordset shows that row only.
  sink.log.clear();
  rs->Delete(adAffectCurrent);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillChangeRecord Delete 1 [2]", "RecordChangeComplete Delete 1 [2]",
                                                "WillChangeRecord Update 1 [2]", "RecordChangeComplete Update 1 [2]"}));
  EXPECT_EQ(raw.One("SELECT group_concat(filename) FROM FILES"), "renamed,c,other,new");
  EXPECT_EQ(rs->GetRecordCount(), 3);
  EXPECT_NE(ErrorOf([&] { rs->GetCollect(0L); }).find("deleted"), std::string::npos);
  rs->MoveNext();
  EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(0L)))), "c");

  // A new row given up leaves nothing behind.
  sink.log.clear();
  rs->AddNew();
  rs->PutCollect(0L, u"gone");
  rs->CancelUpdate();
  EXPECT_EQ(sink.log.front(), "WillChangeRecord AddNew 1 []");
  EXPECT_EQ(sink.log[sink.log.size() - 2], "WillChangeRecord UndoAddNew 1 [5]");
  EXPECT_EQ(sink.log.back(), "RecordChangeComplete UndoAddNew 1 [5]");
  EXPECT_EQ(rs->GetRecordCount(), 3);
  EXPECT_EQ(raw.One("SELECT count(*) FROM FILES WHERE filename='gone'"), "0");

  // A value too long for its field: the completion reports the error, Update raises it.
  sink.log.clear();
  rs->MoveFirst();
  rs->PutCollect(1L, u"toolong");
  std::string error = ErrorOf([&] { rs->Update(); });
  EXPECT_NE(error.find("FILES.extendionname"), std::string::npos) << error;
  EXPECT_EQ(sink.log.back(), "RecordChangeComplete Update 1 [1] errors (" + error + ")");
  rs->CancelUpdate();
  EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(1L)))), "doc");
  EXPECT_EQ(raw.One("SELECT extendionname FROM FILES WHERE fid=1"), "doc");

  // Close tells the sinks.
  sink.log.clear();
  Unadvise(rs, cookie);
  cookie = Advise(rs, &sink);
  rs->Close();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillChangeRecordset Close", "RecordsetChangeComplete Close"}));
  Unadvise(rs, cookie);
  EXPECT_EQ(sink.refs, 1);
}

TEST_F(RecordsetTest, SinksCanCancelAndRefuseEvents) {
  RawDb raw(path_);
  _RecordsetPtr rs = Open(u"select filename from files where taid=1");
  RecordingSink sink;
  sink.cancelOn = "WillChangeRecord Delete";
  sink.unwantedOn = "WillMove";
  DWORD cookie = Advise(rs, &sink);
  EXPECT_NE(ErrorOf([&] { rs->Delete(adAffectCurrent); }).find("cancelled"), std::string::npos);
  EXPECT_EQ(raw.One("SELECT count(*) FROM FILES"), "4");
  rs->MoveNext();
  rs->MoveNext();
  // WillMove was refused once and not sent again; MoveComplete still comes.
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillChangeRecord Delete 1 [1]", "WillMove MoveNext",
                                                "MoveComplete MoveNext", "MoveComplete MoveNext"}));
  Unadvise(rs, cookie);

  // A handler that moves the recordset does not change which row is deleted.
  RecordingSink mover;
  mover.onWillChangeRecord = [&] {
    mover.onWillChangeRecord = nullptr;
    rs->MoveFirst();
  };
  cookie = Advise(rs, &mover);
  rs->Delete(adAffectCurrent);  // the third row, "c"
  EXPECT_EQ(raw.One("SELECT group_concat(filename) FROM FILES"), "a,b,other");
  Unadvise(rs, cookie);
  // A handler that closes the recordset stops the operation with an error.
  RecordingSink closer;
  closer.onWillChangeRecord = [&] { rs->Close(); };
  cookie = Advise(rs, &closer);
  rs->MoveFirst();
  EXPECT_NE(ErrorOf([&] { rs->Delete(adAffectCurrent); }).find("closed by an event handler"), std::string::npos);
  EXPECT_EQ(rs->GetState(), adStateClosed);
  EXPECT_EQ(raw.One("SELECT count(*) FROM FILES"), "3");
  Unadvise(rs, cookie);
}

TEST_F(RecordsetTest, OnlySingleTableRecordsetsWithAWritableLockCanChange) {
  RawDb raw(path_);
  // FINANCIAL has no key at all: the hidden row identity still finds the one row.
  _RecordsetPtr fi = Open(u"select Item,income,expenditure,remarks,taid,fiid from FINANCIAL where taid=7");
  fi->MoveLast();
  fi->PutCollect(u"income", 12.5);
  fi->Update();
  EXPECT_EQ(raw.Rows("SELECT fiid, income FROM FINANCIAL ORDER BY fiid"),
            (std::vector<std::vector<std::string>>{{"1", "1"}, {"2", "12.5"}}));
  struct Case {
    const char16_t* sql;
    LockTypeEnum lock;
    const char* error;
  };
  const Case cases[] = {
      {u"select files.filename, task.tasktitle from files inner join task on files.taid=task.taid", adLockOptimistic,
       "joins several tables"},
      {u"select taid, count(*) from files group by taid", adLockOptimistic, "joins several tables"},
      {u"select filename from files", adLockReadOnly, "read-only"},
  };
  c_->Execute(u"insert into task (tasktitle) values ('t')", nullptr, adCmdText);
  c_->Execute(u"update files set taid=1", nullptr, adCmdText);
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql));
    _RecordsetPtr rs = Open(c.sql, c.lock);
    EXPECT_NE(ErrorOf([&] { rs->PutCollect(0L, u"x"); }).find(c.error), std::string::npos);
    EXPECT_NE(ErrorOf([&] { rs->AddNew(); }).find(c.error), std::string::npos);
    EXPECT_NE(ErrorOf([&] { rs->Delete(adAffectCurrent); }).find(c.error), std::string::npos);
  }
  _RecordsetPtr keyed = Open(u"select fid, filename from files");
  EXPECT_NE(ErrorOf([&] { keyed->PutCollect(u"fid", 9L); }).find("COUNTER"), std::string::npos);
  EXPECT_EQ(raw.One("SELECT group_concat(filename) FROM FILES"), "a,b,c,other");
}

TEST_F(RecordsetTest, ConnectionTransactionsAndState) {
  RawDb raw(path_);
  EXPECT_EQ(c_->GetState(), adStateOpen);
  c_->BeginTrans();
  EXPECT_NE(ErrorOf([&] { c_->BeginTrans(); }).find("nested"), std::string::npos);
  c_->Execute(u"delete from files", nullptr, adCmdText);
  c_->RollbackTrans();
  EXPECT_EQ(raw.One("SELECT count(*) FROM FILES"), "4");
  EXPECT_NE(ErrorOf([&] { c_->CommitTrans(); }).find("no open transaction"), std::string::npos);
  // Requery reads the rows again, with its events.
  _RecordsetPtr rs = Open(u"select * from files");
  RecordingSink sink;
  DWORD cookie = Advise(rs, &sink);
  c_->Execute(u"insert into files (filename) values ('late')", nullptr, adCmdText);
  EXPECT_EQ(rs->GetRecordCount(), 4);
  rs->Requery();
  EXPECT_EQ(rs->GetRecordCount(), 5);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"WillChangeRecordset Requery", "RecordsetChangeComplete Requery"}));
  Unadvise(rs, cookie);
  // An open recordset closes with its connection.
  c_->Close();
  EXPECT_EQ(c_->GetState(), adStateClosed);
  EXPECT_EQ(rs->GetState(), adStateClosed);
  EXPECT_NE(ErrorOf([&] { c_->Execute(u"select * from files", nullptr, adCmdText); }).find("closed"),
            std::string::npos);
  // A recordset can open its own connection from a connection string.
  _RecordsetPtr own(u"ADODB.Recordset");
  own->Open(u"select * from files", _variant_t(ConnectionString(path_).c_str()), adOpenDynamic, adLockPessimistic,
            adCmdText);
  EXPECT_EQ(own->GetRecordCount(), -1);
  _ConnectionPtr of(own->GetActiveConnection());
  ASSERT_TRUE(of);
  EXPECT_EQ(of->GetState(), adStateOpen);
}

TEST_F(RecordsetTest, CatalogListsTheTablesInCreationOrder) {
  _CatalogPtr catalog(u"ADOX.Catalog");
  catalog->PutActiveConnection(_variant_t(ConnectionString(path_).c_str()));
  TablesPtr tables = catalog->GetTables();
  ASSERT_EQ(tables->GetCount(), 8);
  for (long i = 0; i < 8; ++i)
    EXPECT_EQ(Wide(static_cast<const char*>(tables->GetItem(i)->GetName())), Schema()[static_cast<size_t>(i)].first);
  RawDb raw(path_);
  // The file keeps text as UTF-16 units and commits through a synced log.
  EXPECT_EQ(raw.One("PRAGMA encoding"), "UTF-16le");
  EXPECT_EQ(raw.One("PRAGMA journal_mode"), "wal");
  // Exact column names; FINANCIAL has no primary key; a second CREATE names the table.
  EXPECT_EQ(raw.One("SELECT group_concat(name) FROM pragma_table_info('FILES')"), "fid,filename,extendionname,taid");
  EXPECT_EQ(raw.One("SELECT group_concat(name) FROM pragma_table_info('STATISTICS') WHERE name LIKE 'nam%'"),
            "name1,name2,name3,name4,name5,nam6");
  EXPECT_EQ(raw.One("SELECT sum(pk) FROM pragma_table_info('FINANCIAL')"), "0");
  EXPECT_NE(
      ErrorOf([&] { c_->Execute(Format1(Schema()[0].second, u"THINGS").c_str(), nullptr, adCmdText); }).find("THINGS"),
      std::string::npos);
}

}  // namespace

namespace {

TEST_F(RecordsetTest, ExecuteRowsAreForwardOnlyAndReadOnly) {
  _RecordsetPtr opened = Open(u"select filename from files where taid=1", adLockReadOnly, adUseServer);
  opened->Close();
  opened->Open(u"select filename from files where taid=1", vtMissing, adOpenForwardOnly, adLockReadOnly, adCmdText);
  for (_RecordsetPtr rs : {c_->Execute(u"select filename from files where taid=1", nullptr, adCmdText), opened}) {
    EXPECT_EQ(rs->GetLockType(), adLockReadOnly);
    EXPECT_EQ(rs->GetCursorType(), adOpenForwardOnly);
    EXPECT_EQ(rs->GetRecordCount(), -1);
    rs->MoveFirst();  // still on the first row: allowed
    EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(0L)))), "a");
    rs->MoveNext();
    for (auto& call : std::vector<std::function<void()>>{[&] { rs->MovePrevious(); }, [&] { rs->MoveFirst(); },
                                                         [&] { rs->GetBookmark(); }, [&] { rs->MoveLast(); }})
      EXPECT_NE(ErrorOf(call).find("forward-only"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { rs->PutCollect(0L, u"x"); }).find("read-only"), std::string::npos);
    rs->MoveNext();
    EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(rs->GetCollect(0L)))), "c");
    rs->MoveNext();
    EXPECT_TRUE(rs->GetadoEOF());
    EXPECT_NE(ErrorOf([&] { rs->MoveNext(); }).find("no current row"), std::string::npos);
  }
  _RecordsetPtr rs = opened;
  // A kept one-row result (the data store keeps its last max-id query) stays
  // readable while other statements and transactions run.
  _RecordsetPtr max = c_->Execute(u"select max(fid) from files", nullptr, adCmdText);
  EXPECT_EQ(static_cast<long>(max->GetCollect(0L)), 4);
  rs->Close();
  c_->BeginTrans();
  c_->Execute(u"delete from files where fid=4", nullptr, adCmdText);
  c_->CommitTrans();
  RawDb raw(path_);
  EXPECT_EQ(raw.One("SELECT count(*) FROM FILES"), "3");
  EXPECT_EQ(static_cast<long>(max->GetCollect(0L)), 4);
}

}  // namespace
