#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/data/datastore.h"
#include "app/data/schema.h"
#include "platform/base/oledatetime.h"
#include "platform/system/files.h"
#include "store_fixture.h"

using storetest::Captions;
using storetest::Narrow;
using storetest::ProgramFolder;
using storetest::RawDb;
using storetest::Units;

namespace {

// What the program does at start-up with the file.
void StartUp(CDataStore& store, int* created = nullptr, int* tables = nullptr, int* opened = nullptr) {
  int c = 0, t = 0;
  if (!PathFileExistsW(store.m_databasePath.GetString())) {
    c = store.CreateDatabaseFile();
    t = store.CreateMissingTables();
  }
  int o = store.OpenDatabase();
  if (created) *created = c;
  if (tables) *tables = t;
  if (opened) *opened = o;
}

// "name TYPE [pk]" for each column, from SQLite's own view of the file.
std::vector<std::string> Columns(RawDb& raw, const std::string& table) {
  std::vector<std::string> out;
  for (const auto& row : raw.Rows("PRAGMA table_info(" + table + ")"))
    out.push_back(row[1] + " " + row[2] + (row[5] != "0" ? " pk" : ""));
  return out;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartUp(store_);
    ASSERT_TRUE(store_.IsOpen());
    ASSERT_TRUE(boxes_.Shown().empty());
  }
  _RecordsetPtr NewRecordset() { return _RecordsetPtr(u"ADODB.Recordset"); }
  // Column 0 of every row of `sql`, read through the store.
  std::vector<_variant_t> Column(const CString& sql) {
    std::vector<_variant_t> out;
    _RecordsetPtr rs = NewRecordset();
    EXPECT_EQ(store_.OpenRecordset(sql, rs), 1) << Narrow(sql);
    if (rs->GetState() == adStateClosed) return out;
    for (; !rs->GetadoEOF(); rs->MoveNext()) out.push_back(rs->GetCollect(_variant_t(0L)));
    rs->Close();
    return out;
  }

  ProgramFolder folder_;
  pv::MessageBoxRecorder boxes_;
  CDataStore store_;
};

}  // namespace

TEST(DataStoreStartUp, EmptyFolderGetsTheEightTablesWithExactColumns) {
  ProgramFolder folder;
  pv::MessageBoxRecorder boxes;
  {
    CDataStore store;
    EXPECT_EQ(Narrow(store.m_databasePath), folder.Database());
    EXPECT_EQ(Narrow(store.m_connectionString), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder.Database());
    int created = 0, tables = 0, opened = 0;
    StartUp(store, &created, &tables, &opened);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(tables, 1);
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(store.IsOpen());
  }
  EXPECT_TRUE(boxes.Shown().empty());

  RawDb raw(folder.Database());
  std::vector<std::string> names;
  for (const auto& row : raw.Rows("select name from sqlite_master where type='table' and name not like 'sqlite%' "
                                  "order by rowid"))
    names.push_back(row[0]);
  EXPECT_EQ(names, (std::vector<std::string>{"THINGS", "USERS", "FINANCIAL", "STATISTICS", "FILES", "REMIND", "DETAILS",
                                             "TASK"}));
  // Jet's types as the file declares them: COUNTER is the integer key,
  // LONG/INTEGER integer, logical BIT, FLOAT DOUBLE, MEMO LONGTEXT, BYTE TINYINT.
  struct Expected {
    const char* table;
    std::vector<std::string> columns;
  };
  const Expected expected[] = {
      {"THINGS", {"tid INTEGER pk", "workname TEXT(80)", "worktype INTEGER", "starttime DATETIME", "remarks TEXT(10)"}},
      {"USERS", {"uid INTEGER pk", "username TEXT(40)", "pwd TEXT(20)", "safety TEXT(20)"}},
      {"FINANCIAL",
       {"fiid INTEGER", "Item TEXT(30)", "income SINGLE", "expenditure SINGLE", "remarks TEXT(40)", "taid INTEGER"}},
      {"STATISTICS",
       {"sid INTEGER pk", "taid INTEGER", "name1 TEXT(20)", "data1 DOUBLE", "name2 TEXT(20)", "data2 DOUBLE",
        "name3 TEXT(20)", "data3 DOUBLE", "name4 TEXT(20)", "data4 DOUBLE", "name5 TEXT(20)", "data5 DOUBLE",
        "nam6 TEXT(20)", "data6 DOUBLE"}},
      {"FILES", {"fid INTEGER pk", "filename TEXT(40)", "extendionname TEXT(5)", "taid INTEGER"}},
      {"REMIND",
       {"rid INTEGER pk", "content TEXT(60)", "RemindDate DATETIME", "RemindTime DATETIME", "NumberOfTimes INTEGER",
        "separation INTEGER", "executenumber INTEGER", "message BIT", "effect BIT", "submitted BIT",
        "sendnumber INTEGER", "phonenumber TEXT(13)", "taid INTEGER", "remarks TEXT(10)"}},
      {"DETAILS", {"did INTEGER pk", "no1 TINYINT", "taid INTEGER", "detail LONGTEXT"}},
      {"TASK",
       {"taid INTEGER pk", "tasktitle TEXT(40)", "personnel TEXT(30)", "place TEXT(20)", "tasktime DATETIME",
        "brief TEXT(255)", "tid INTEGER", "tasktype INTEGER", "remark TEXT(10)"}},
  };
  for (const auto& e : expected) EXPECT_EQ(Columns(raw, e.table), e.columns) << e.table;
  EXPECT_EQ(raw.One("PRAGMA integrity_check"), "ok");
}

TEST(DataStoreStartUp, OpenDatabaseResults) {
  ProgramFolder folder;
  pv::MessageBoxRecorder boxes;
  {
    CDataStore store;  // missing file: created with its tables, result 1
    EXPECT_EQ(store.OpenDatabase(), 1);
    EXPECT_TRUE(store.IsOpen());
  }
  {
    CDataStore store;  // now it exists: opened, result 2
    EXPECT_EQ(store.OpenDatabase(), 2);
    EXPECT_EQ(store.CreateDatabaseFile(), 0);  // an existing file is never re-created
  }
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes.Last().text), folder.Database() + " is exist!");
  EXPECT_EQ(pv::Utf16ToUtf8(boxes.Last().caption), "Prompt");
  EXPECT_EQ(boxes.Last().Icon(), 0u);
  RawDb raw(folder.Database());
  EXPECT_EQ(raw.One("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'"), "8");
}

TEST(DataStoreStartUp, FailingCreationIsNotReportedAsCreatedAndLeavesNoFile) {
  ProgramFolder folder;
  // The program's folder cannot hold a file: a directory stands where the
  // file is built.
  std::filesystem::create_directory(folder.Database() + ".new");
  std::ofstream(folder.Database() + ".new/blocker") << "x";
  pv::MessageBoxRecorder boxes;
  {
    CDataStore store;
    EXPECT_EQ(store.OpenDatabase(), 0);
    EXPECT_FALSE(store.IsOpen());
  }
  EXPECT_EQ(boxes.Shown().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder.Database()));
}

// The first start is killed at every point of writing the new file (the
// file-size limit ends the process with SIGXFSZ as it crosses the limit).
// Each time the folder holds no database or a whole one, and the next start
// works.
TEST(DataStoreStartUp, AFirstStartKilledOnTheWayLeavesNoFileOrAWholeOne) {
  int killedBefore = 0, finished = 0;
  for (rlim_t limit = 0; finished < 2; limit += 3 * 4096) {
    SCOPED_TRACE("file size limit " + std::to_string(limit));
    ProgramFolder folder;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      rlimit cap{limit, limit};
      setrlimit(RLIMIT_FSIZE, &cap);
      pv::MessageBoxRecorder boxes;  // no box may wait for a user
      CDataStore store;
      StartUp(store);
      _exit(store.IsOpen() ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killedBefore;
    else ++finished;
    if (std::filesystem::exists(folder.Database())) {
      RawDb raw(folder.Database());
      EXPECT_EQ(raw.One("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'"), "8");
      EXPECT_EQ(raw.One("PRAGMA integrity_check"), "ok");
    }
    pv::MessageBoxRecorder boxes;
    CDataStore store;
    StartUp(store);
    EXPECT_TRUE(store.IsOpen());
    EXPECT_TRUE(boxes.Shown().empty());
    store.CloseDatabase();
    RawDb raw(folder.Database());
    EXPECT_EQ(raw.One("select count(*) from sqlite_master where type='table' and name not like 'sqlite%'"), "8");
    EXPECT_FALSE(std::filesystem::exists(folder.Database() + ".new"));
    ASSERT_LT(limit, 4096u * 400) << "creation never finished";
  }
  EXPECT_GT(killedBefore, 3);  // the limit did cut creation short
}

TEST(DataStoreStartUp, ExistingFileLackingATableIsLeftAloneAndItsQueriesShowPrompt) {
  ProgramFolder folder;
  {
    // A file made elsewhere with THINGS only.
    CString cs = CString(u"Provider=x;Data Source=") + CString(folder.Database().c_str());
    _CatalogPtr catalog(u"ADOX.Catalog");
    _ConnectionPtr c(catalog->Create(cs.GetString()));
    c->Execute(
        u"CREATE TABLE THINGS(tid COUNTER PRIMARY KEY,workname TEXT(80),worktype INTEGER,starttime "
        u"DATETIME,remarks TEXT(10))",
        nullptr, adCmdText);
    c->Close();
  }
  pv::MessageBoxRecorder boxes;
  CDataStore store;
  int created = -9, opened = 0;
  StartUp(store, &created, nullptr, &opened);
  EXPECT_EQ(created, 0);  // not called: the file exists
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(boxes.Shown().empty());

  bool ok = true;
  EXPECT_EQ(store.QueryScalarInt(u"select max(taid) from task", &ok), 0);
  EXPECT_FALSE(ok);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes.Last().caption), "Prompt");
  EXPECT_EQ(boxes.Last().Icon(), MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes.Last().language, 1033);
  EXPECT_NE(pv::Utf16ToUtf8(boxes.Last().text).find("task"), std::string::npos) << pv::Utf16ToUtf8(boxes.Last().text);
  // The same through a bound value: the same box and result.
  boxes.Clear();
  EXPECT_EQ(store.ExecuteSql(u"delete from task where taid=?", {_variant_t(1L)}), 0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes.Last().caption), "Prompt");
  EXPECT_NE(pv::Utf16ToUtf8(boxes.Last().text).find("task"), std::string::npos);
  // The store is still usable: its transaction was rolled back.
  EXPECT_EQ(
      store.InsertAndGetMaxId(u"insert into things (workname,worktype) values ('w',1)", u"select max(tid) from things"),
      1);

  RawDb raw(folder.Database());
  EXPECT_EQ(raw.One("select group_concat(name) from sqlite_master where type='table' and name not like 'sqlite%'"),
            "THINGS");
}

TEST_F(StoreTest, KeysScalarsAndDatesReadBack) {
  EXPECT_EQ(store_.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values "
                                     u"('a',1,#2013-03-26 09:30:00#)",
                                     u"select max(tid) from things"),
            1);
  EXPECT_EQ(store_.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values "
                                     u"('b',2,#2013-03-27 09:30:00#)",
                                     u"select max(tid) from things"),
            2);
  // The store keeps the last max-id result.
  ASSERT_TRUE(store_.m_recordset);
  EXPECT_EQ(static_cast<long>(store_.m_recordset->GetCollect(_variant_t(0L))), 2);

  // An empty FINANCIAL: max is NULL, read as 0 (and a success), so the first item gets 1.
  bool ok = false;
  EXPECT_EQ(store_.QueryScalarInt(u"select max(fiid) from FINANCIAL", &ok), 0);
  EXPECT_TRUE(ok);
  EXPECT_EQ(store_.ExecuteSql(u"insert into financial (fiid,Item,income,expenditure,taid) values (1,'seed',2.5,0,7)"),
            1);
  EXPECT_EQ(store_.QueryScalarInt(u"select max(fiid) from FINANCIAL") + 1, 2);

  // A reminder at 14:05:00 reads back as that time of day on the zero date.
  int rid = store_.InsertAndGetMaxId(
      u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,message,"
      u"sendnumber,effect,submitted) values ('',#2013-03-26#,#14:05:00#,0,0,5,-1,0,0,1,0)",
      u"select max(rid) from remind");
  EXPECT_EQ(rid, 1);
  auto times = Column(u"select RemindTime from remind where rid=1");
  ASSERT_EQ(times.size(), 1u);
  EXPECT_EQ(times[0].vt, VT_DATE);
  COleDateTime t(times[0]);
  EXPECT_EQ(t.GetYear(), 1899);
  EXPECT_EQ(t.GetMonth(), 12);
  EXPECT_EQ(t.GetDay(), 30);
  EXPECT_EQ(std::string(Narrow(t.Format(u"%H:%M:%S"))), "14:05:00");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(StoreTest, FailuresAreShownRolledBackAndReportedAsZero) {
  ASSERT_EQ(store_.ExecuteSql(u"insert into task (tasktitle,tid,tasktype) values ('kept',1,1)"), 1);
  struct Case {
    const char* what;
    std::function<int(CDataStore&)> run;
  };
  const Case cases[] = {
      {"INSERT of a title too long for its column",
       [](CDataStore& s) {
         return s.InsertAndGetMaxId(
             u"insert into task (tasktitle,tid,tasktype) values "
             u"('0123456789012345678901234567890123456789-',1,1)",
             u"select max(taid) from task");
       }},
      {"INSERT whose max query fails",
       [](CDataStore& s) {
         return s.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype) values ('undone',1,1)",
                                    u"select max(nosuchcolumn) from task");
       }},
      {"UPDATE naming a missing column",
       [](CDataStore& s) { return s.ExecuteUpdate(u"update task set tasktitle='x', nosuch=1 where taid=1"); }},
      {"UPDATE broken by an unescaped apostrophe",
       [](CDataStore& s) { return s.ExecuteUpdate(u"update task set tasktitle='O'Brien' where taid=1"); }},
      {"DELETE from a missing table",
       [](CDataStore& s) { return s.ExecuteSql(u"delete from nosuchtable where taid=1"); }},
      {"malformed SELECT",
       [](CDataStore& s) {
         _RecordsetPtr rs(u"ADODB.Recordset");
         int r = s.OpenRecordset(u"select tasktitle form task", rs);
         EXPECT_EQ(rs->GetState(), adStateClosed);
         return r;
       }},
  };
  for (const auto& c : cases) {
    boxes_.Clear();
    EXPECT_EQ(c.run(store_), 0) << c.what;
    ASSERT_EQ(boxes_.Shown().size(), 1u) << c.what;
    EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().caption), "Prompt") << c.what;
    EXPECT_EQ(boxes_.Last().Icon(), MB_ICONEXCLAMATION) << c.what;
    EXPECT_EQ(boxes_.Last().Buttons(), static_cast<UINT>(MB_OK)) << c.what;
    EXPECT_FALSE(boxes_.Last().text.empty()) << c.what;
    EXPECT_TRUE(store_.IsOpen()) << c.what;
  }
  store_.CloseDatabase();
  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.Rows("select taid, tasktitle from task"), (std::vector<std::vector<std::string>>{{"1", "kept"}}));
}

TEST_F(StoreTest, QuotedTextRoundTripsAndCannotChangeTheStatement) {
  const std::u16string texts[] = {
      u"O'Brien's task",         u"x'); delete from task; --",     u"''",
      u"it\u2019s \u5317\u4eac", std::u16string(u"zero\0unit", 9), u"lone \xD800 high and \xDC00 low",
  };
  for (const auto& t : texts) {
    CString text = Units(t);
    // Joined with concatenation, as the header asks for text with zero units.
    CString sql = CString(u"insert into task (tasktitle,tid,tasktype) values (") + CDataStore::Quote(text) + u",3,1)";
    int id = store_.InsertAndGetMaxId(sql, u"select max(taid) from task");
    ASSERT_GT(id, 0) << Narrow(text);
    CString where;
    where.Format(u"select tasktitle from task where taid=%d", id);
    auto back = Column(where);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(std::u16string(back[0].bstrVal, SysStringLen(back[0].bstrVal)), t);
    // Found again by the text itself.
    auto found = Column(CString(u"select taid from task where tasktitle=") + CDataStore::Quote(text));
    ASSERT_EQ(found.size(), 1u) << Narrow(text);
    EXPECT_EQ(static_cast<long>(found[0]), id);
  }
  // The parameter form binds the same units.
  int id =
      store_.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype) values (?,?,1)",
                               u"select max(taid) from task", {CDataStore::TextValue(Units(texts[4])), _variant_t(4L)});
  ASSERT_GT(id, 0);
  EXPECT_TRUE(boxes_.Shown().empty());
  store_.CloseDatabase();
  RawDb raw(folder_.Database());
  std::vector<std::u16string> expected(std::begin(texts), std::end(texts));
  expected.push_back(texts[4]);
  EXPECT_EQ(raw.UnitsOfEachRow("select tasktitle from task order by taid"), expected);
  EXPECT_EQ(raw.One("select count(*) from task"), "7");
}

TEST_F(StoreTest, ParameterFormsBindEveryUnitAndConvertByColumnType) {
  const CString zeroName = Units(std::u16string(u"half\0name", 9));
  ASSERT_EQ(store_.ExecuteSql(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                              {CDataStore::TextValue(zeroName), _variant_t(1L), _variant_t(u"2013-03-26 09:30:00")}),
            1);
  ASSERT_EQ(store_.ExecuteSql(u"insert into things (workname,worktype,starttime) values (?,?,?)",
                              {CDataStore::TextValue(u"half"), _variant_t(2L), _variant_t(u"2013-03-27")}),
            1);
  // The whole name is what is looked for, not its first half.
  bool ok = false;
  EXPECT_EQ(store_.QueryScalarInt(u"select tid from things where workname=?", {CDataStore::TextValue(zeroName)}, &ok),
            1);
  EXPECT_TRUE(ok);
  _RecordsetPtr rs = NewRecordset();
  ASSERT_EQ(store_.OpenRecordset(u"select tid,starttime from things where workname=? or worktype=? order by tid",
                                 {CDataStore::TextValue(zeroName), _variant_t(2L)}, rs),
            1);
  std::vector<long> tids;
  for (; !rs->GetadoEOF(); rs->MoveNext()) {
    tids.push_back(static_cast<long>(rs->GetCollect(_variant_t(u"tid"))));
    EXPECT_EQ(rs->GetCollect(_variant_t(u"starttime")).vt, VT_DATE);
  }
  EXPECT_EQ(tids, (std::vector<long>{1, 2}));
  // A requery binds the same values again.
  rs->Requery();
  EXPECT_EQ(rs->GetRecordCount(), 2);
  rs->Close();
  EXPECT_TRUE(boxes_.Shown().empty());
  store_.CloseDatabase();
  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.Units("select workname from things where tid=1"), std::u16string(u"half\0name", 9));
  // The date text was stored as a date.
  EXPECT_EQ(raw.Rows("select typeof(starttime), starttime from things order by tid"),
            (std::vector<std::vector<std::string>>{{"real", "41359.3958333333"}, {"integer", "41360"}}));
}

TEST_F(StoreTest, BoundValueErrorsShowPromptAndFailLikeLiterals) {
  const CString title51(std::u16string(51, u'x'));
  struct Case {
    const char* what;
    std::function<int(CDataStore&)> run;
    const char* mentions;
  };
  const Case cases[] = {
      {"51 characters into TEXT(40)",
       [&](CDataStore& s) {
         return s.ExecuteSql(u"insert into task (tasktitle,tid,tasktype) values (?,1,1)",
                             {CDataStore::TextValue(title51)});
       },
       "TASK.tasktitle"},
      {"a new key after a refused INSERT",
       [&](CDataStore& s) {
         return s.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype) values (?,1,1)",
                                    u"select max(taid) from task", {CDataStore::TextValue(title51)});
       },
       "TASK.tasktitle"},
      {"text that is no number",
       [](CDataStore& s) {
         return s.ExecuteUpdate(u"update financial set income=? where fiid=1", {_variant_t(u"lots")});
       },
       "FINANCIAL.income"},
      {"a query on a missing table",
       [](CDataStore& s) {
         _RecordsetPtr rs(u"ADODB.Recordset");
         int r = s.OpenRecordset(u"select * from nosuch where a=?", {_variant_t(1L)}, rs);
         EXPECT_EQ(rs->GetState(), adStateClosed);
         return r;
       },
       "nosuch"},
      {"a scalar on a missing table",
       [](CDataStore& s) { return s.QueryScalarInt(u"select max(a) from nosuch where b=?", {_variant_t(1L)}); },
       "nosuch"},
  };
  for (const auto& c : cases) {
    boxes_.Clear();
    EXPECT_EQ(c.run(store_), 0) << c.what;
    ASSERT_EQ(boxes_.Shown().size(), 1u) << c.what;
    EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().caption), "Prompt") << c.what;
    EXPECT_EQ(boxes_.Last().Icon(), MB_ICONEXCLAMATION) << c.what;
    EXPECT_NE(pv::Utf16ToUtf8(boxes_.Last().text).find(c.mentions), std::string::npos)
        << c.what << ": " << pv::Utf16ToUtf8(boxes_.Last().text);
    EXPECT_TRUE(store_.IsOpen()) << c.what;
  }
  store_.CloseDatabase();
  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.One("select count(*) from task"), "0");
}

TEST_F(StoreTest, StatementsRunTogetherTakeEffectTogetherOrNotAtAll) {
  ASSERT_EQ(store_.ExecuteSql(u"insert into task (taid,tasktitle,tid,tasktype) values (5,'kept',1,1)"), 1);
  ASSERT_EQ(store_.ExecuteSql(u"insert into details (detail,taid) values ('d',5)"), 1);
  ASSERT_EQ(store_.ExecuteSql(u"insert into files (filename,extendionname,taid) values ('f','doc',5)"), 1);
  // A task's rows are deleted together; the last statement fails, so none is.
  EXPECT_EQ(store_.ExecuteTogether({u"delete from files  where taid=5",
                                    {u"delete from details where taid=?", {_variant_t(5L)}},
                                    {u"delete from task  where taid=?", {_variant_t(5L)}},
                                    u"delete from nosuch where taid=5"}),
            0);
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(pv::Utf16ToUtf8(boxes_.Last().caption), "Prompt");
  EXPECT_NE(pv::Utf16ToUtf8(boxes_.Last().text).find("nosuch"), std::string::npos);
  {
    RawDb raw(folder_.Database());
    EXPECT_EQ(raw.One("select (select count(*) from task) || (select count(*) from details) || "
                      "(select count(*) from files)"),
              "111");
  }
  // A new task with its detail row, together.
  boxes_.Clear();
  EXPECT_EQ(store_.ExecuteTogether({{u"insert into task (taid,tasktitle,tid,tasktype,tasktime) values (6,?,1,1,?)",
                                     {CDataStore::TextValue(u"new"), _variant_t(u"2013-03-26")}},
                                    {u"insert into details (detail,taid) values (?,6)", {CDataStore::TextValue(u"")}}}),
            1);
  EXPECT_EQ(store_.ExecuteTogether({u"delete from files  where taid=5", u"delete from details where taid=5",
                                    u"delete from task  where taid=5"}),
            1);
  EXPECT_TRUE(boxes_.Shown().empty());
  store_.CloseDatabase();
  RawDb raw(folder_.Database());
  EXPECT_EQ(raw.Rows("select taid, tasktime from task"), (std::vector<std::vector<std::string>>{{"6", "41359"}}));
  EXPECT_EQ(raw.Rows("select taid from details"), (std::vector<std::vector<std::string>>{{"6"}}));
  EXPECT_EQ(raw.One("select count(*) from files"), "0");
}

TEST(DataStoreNotOpen, OperationsRefuseWithOneMessage) {
  ProgramFolder folder;
  pv::MessageBoxRecorder boxes;
  CDataStore store;  // never opened
  _RecordsetPtr rs(u"ADODB.Recordset");
  bool ok = true;
  EXPECT_EQ(store.ExecuteSql(u"delete from task where taid=1"), 0);
  EXPECT_EQ(store.ExecuteUpdate(u"update task set tasktitle='x' where taid=1"), 0);
  EXPECT_EQ(store.InsertAndGetMaxId(u"insert into things (workname) values ('a')", u"select max(tid) from things"), 0);
  EXPECT_EQ(store.OpenRecordset(u"select * from task", rs), 0);
  EXPECT_EQ(store.QueryScalarInt(u"select max(fiid) from FINANCIAL", &ok), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(rs->GetState(), adStateClosed);
  EXPECT_EQ(store.OpenRecordset(u"select * from task", _RecordsetPtr()), 0);  // no recordset: no crash
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(Captions(boxes), std::vector<std::string>{"Prompt"});
  EXPECT_FALSE(std::filesystem::exists(folder.Database()));
}

TEST(DataStoreNotOpen, StartUpWithoutADatabaseShowsOneClearMessage) {
  struct Case {
    const char* what;
    std::function<void(const ProgramFolder&)> prepare;
    const char* expectedText;
  };
  const Case cases[] = {
      {"folder that does not exist",
       [](const ProgramFolder& f) { setenv("PRAVENOR_HOME", (f.Path() + "/missing/deeper").c_str(), 1); },
       "could not be created"},
      {"damaged file",
       [](const ProgramFolder& f) {
         std::ofstream(f.Database()) << "this is not a database file, only some text that is long enough";
       },
       "not a database or is damaged"},
  };
  for (const auto& c : cases) {
    ProgramFolder folder;
    c.prepare(folder);
    pv::MessageBoxRecorder boxes;
    CDataStore store;
    StartUp(store);
    EXPECT_FALSE(store.IsOpen()) << c.what;
    // What start-up does next: fill the trees and build the reminder list.
    _RecordsetPtr rs(u"ADODB.Recordset");
    EXPECT_EQ(store.OpenRecordset(u"select * from things", rs), 0);
    EXPECT_EQ(store.OpenRecordset(u"select * from task", rs), 0);
    EXPECT_EQ(store.QueryScalarInt(u"select max(rid) from remind"), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u) << c.what;
    EXPECT_FALSE(boxes.Last().text.empty()) << c.what;
    EXPECT_NE(pv::Utf16ToUtf8(boxes.Last().text).find(c.expectedText), std::string::npos)
        << c.what << ": " << pv::Utf16ToUtf8(boxes.Last().text);
  }
}

namespace {

// A catalog whose table list cannot be read.
struct BrokenCatalog final : _Catalog {
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == __uuidof(_Catalog) || riid == IID_IUnknown || riid == IID_IDispatch) {
      *out = static_cast<_Catalog*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override {
    if (--refs == 0) {
      delete this;
      return 0;
    }
    return refs;
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_Tables(Tables**) override {
    IErrorInfo* info = pv::MakeErrorInfo(u"The table list cannot be read.");
    SetErrorInfo(0, info);
    info->Release();
    return E_FAIL;
  }
  STDMETHODIMP get_ActiveConnection(VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP put_ActiveConnection(VARIANT) override { return S_OK; }
  STDMETHODIMP putref_ActiveConnection(IDispatch*) override { return S_OK; }
  STDMETHODIMP raw_Create(BSTR, VARIANT*) override { return E_NOTIMPL; }
};

}  // namespace

TEST(DataStoreStartUpDeathTest, AFailingTableListIsCaughtAndReported) {
  // Runs in a child process: the catalog class is replaced there only. The
  // folder is the parent's, so that it is removed after the child has
  // written what it writes at exit.
  ProgramFolder folder;
  EXPECT_EXIT(
      {
        {
          CDataStore real;  // an empty database file
          _CatalogPtr catalog(u"ADOX.Catalog");
          _ConnectionPtr c(catalog->Create(real.m_connectionString.GetString()));
          c->Close();
        }
        pv::RegisterComClass(CLSID_Catalog, {u"ADOX.Catalog"}, [](REFIID riid, void** out) {
          auto* c = new BrokenCatalog;
          HRESULT hr = c->QueryInterface(riid, out);
          c->Release();
          return hr;
        });
        pv::MessageBoxRecorder boxes;
        CDataStore store;
        int result = store.CreateMissingTables();
        bool good = result == 0 && boxes.Shown().size() == 1 &&
                    boxes.Last().text == u"The table list cannot be read." && boxes.Last().caption == u"Prompt";
        store.CloseDatabase();
        RawDb raw(folder.Database());
        good = good && raw.One("select count(*) from sqlite_master where type='table'") == "0";
        std::exit(good ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
