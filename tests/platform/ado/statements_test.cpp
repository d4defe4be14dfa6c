// The Jet statements the program issues, run through the ADO objects and
// checked through a raw SQLite connection.
#include <cmath>

#include "platform/ado/ado_engine.h"
#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

std::string Cell(const _variant_t& v) {
  switch (v.vt) {
    case VT_NULL:
      return "NULL";
    case VT_DATE:
      return Narrow(pv::ado::FormatJetDate(v.date));
    case VT_BOOL:
      return v.boolVal ? "true" : "false";
    case VT_BSTR:
      return Narrow(std::u16string(v.bstrVal, SysStringLen(v.bstrVal)));
    default: {
      _variant_t s;
      if (FAILED(VariantChangeType(&s, &v, 0, VT_BSTR))) return "?";
      return Narrow(std::u16string(s.bstrVal, SysStringLen(s.bstrVal)));
    }
  }
}

using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(_RecordsetPtr rs) {
  Rows out;
  FieldsPtr fields = rs->GetFields();
  long n = fields->GetCount();
  while (!rs->GetadoEOF()) {
    std::vector<std::string> row;
    for (long i = 0; i < n; ++i) row.push_back(Cell(fields->GetItem(i)->GetValue()));
    out.push_back(row);
    rs->MoveNext();
  }
  return out;
}

// Opens a query the way the data store does: client cursor, dynamic, pessimistic, text.
_RecordsetPtr OpenQuery(_ConnectionPtr c, const std::u16string& sql) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  rs->PutCursorType(adOpenDynamic);
  rs->PutCursorLocation(adUseClient);
  c->BeginTrans();
  rs->Open(sql.c_str(), _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenDynamic, adLockPessimistic,
           adCmdText);
  c->CommitTrans();
  return rs;
}

void Exec(_ConnectionPtr c, const std::u16string& sql) {
  c->BeginTrans();
  c->Execute(sql.c_str(), nullptr, adCmdText);
  c->CommitTrans();
}

class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("qty.tgd");
    c_.Attach(CreateDatabase(path_).Detach());  // (move-assigning a _com_ptr_t does not compile yet)
    for (const char16_t* s : {
             u"insert into things (workname,worktype,starttime) values ('Work A',1,#2012-02-05 10:11:12#)",
             u"insert into things (workname,worktype,starttime) values ('Enter work name',1,#2012-02-06 08:00:00#)",
             u"insert into things (workname,worktype,starttime) values ('Life B',2,#2012-01-01 00:00:00#)",
             u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Report',1,1,#2012-02-05#)",
             u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Meeting',1,2,#2012-02-07#)",
             u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Enter task title',3,1,#2012-02-05#)",
             u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Shopping',3,2,#2012-01-15#)",
             // The scheduled-task form writes its date as quoted text.
             u"update task set tasktitle='Meeting',personnel='p',place='pl',tasktime='2012-02-08',brief='b' where "
             u"taid=2",
             u"insert into details (detail,taid) values ('detail text',1)",
             u"insert into files (filename,extendionname,taid) values ('plan','doc',1)",
             u"insert into remind "
             u"(content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,message,sendnumber,effect,"
             u"submitted) values ('',#2012-02-07#,#14:05:00#,0,0,2,-1,0,0,1,0)",
             u"update remind set content='Call "
             u"Bob',RemindDate=#2012-02-07#,RemindTime=#09:30:00#,NumberOfTimes=1,separation=3,message=1 where rid=1",
             u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (1,'Ticket',0,12.5,'',1)",
         })
      Exec(c_, s);
  }
  TempDir dir_;
  std::string path_;
  _ConnectionPtr c_;
};

TEST_F(StatementsTest, QueriesOfTheViewsReturnTheExpectedRows) {
  struct Case {
    const char16_t* sql;
    Rows rows;
  };
  const Case cases[] = {
      {u"select * from task where taid=1", {{"1", "Report", "NULL", "NULL", "2012-02-05", "NULL", "1", "1", "NULL"}}},
      {u"select * from details where taid=1", {{"1", "NULL", "1", "detail text"}}},
      {u"select max(taid) from task", {{"4"}}},
      {u"select max(fiid) from FINANCIAL", {{"1"}}},
      {u"select min(starttime) from things ", {{"2012-01-01"}}},
      {u"select filename,extendionname,taid from files where taid=1", {{"plan", "doc", "1"}}},
      {u"select Item,income,expenditure,remarks,taid,fiid from FINANCIAL where taid=1",
       {{"Ticket", "0", "12.5", "", "1", "1"}}},
      {u"select workname,tasktitle,tasktime,starttime,personnel,place,brief,task.tid,taid from task inner join things "
       u"on task.tid=things.tid where taid=2",
       {{"Work A", "Meeting", "2012-02-08", "2012-02-05 10:11:12", "p", "pl", "b", "1", "2"}}},
      {u"SELECT workname,starttime,tasktitle,tasktime,taid,tasktype FROM things INNER JOIN task ON things.tid=task.tid "
       u"order by tasktime,things.tid",
       {{"Life B", "2012-01-01", "Shopping", "2012-01-15", "4", "2"},
        {"Work A", "2012-02-05 10:11:12", "Report", "2012-02-05", "1", "1"},
        {"Life B", "2012-01-01", "Enter task title", "2012-02-05", "3", "1"},
        {"Work A", "2012-02-05 10:11:12", "Meeting", "2012-02-08", "2", "2"}}},
      // The placeholder filter compares without regard to case.
      {u"select workname,starttime,tid from things where worktype=1 and workname<>'Enter Work Name'",
       {{"Work A", "2012-02-05 10:11:12", "1"}}},
      {u"select tasktitle,taid,tasktype from task where tid=1 and tasktitle<>'Enter task title'",
       {{"Report", "1", "1"}, {"Meeting", "2", "2"}}},
      {u"select tasktitle,taid from task where tid=3 and tasktype=1 and tasktitle<>'ENTER TASK TITLE'", {}},
      {u"SELECT workname,starttime,tid FROM things where worktype=2", {{"Life B", "2012-01-01", "3"}}},
      {u"select taid,tid,tasktype,tasktitle,personnel,place,tasktime,brief from task where tasktitle like '%EPO%'",
       {{"1", "1", "1", "Report", "NULL", "NULL", "2012-02-05", "NULL"}}},
      {u"select taid,tid,tasktype,tasktitle,personnel,place,tasktime,brief from task where place like '%P_%'",
       {{"2", "1", "2", "Meeting", "p", "pl", "2012-02-08", "b"}}},
      {u"select taid,tid,tasktype,tasktitle,personnel,place,tasktime,brief from task where "
       u"tasktime=CDATE('2012-02-05')",
       {{"1", "1", "1", "Report", "NULL", "NULL", "2012-02-05", "NULL"},
        {"3", "3", "1", "Enter task title", "NULL", "NULL", "2012-02-05", "NULL"}}},
      {u"select files.taid,task.tid,task.tasktype,filename,extendionname from files inner join task on "
       u"files.taid=task.taid where filename like '%LA%'",
       {{"1", "1", "1", "plan", "doc"}}},
      {u"select REMIND.taid,task.tid,task.tasktype,content,RemindDate,RemindTime,NumberOfTimes from REMIND inner join "
       u"task on REMIND.taid=task.taid where RemindDate=CDATE('2012-02-07')",
       {{"2", "1", "2", "Call Bob", "2012-02-07", "09:30:00", "1"}}},
      {u"select REMIND.taid,task.tid,task.tasktype,content,RemindDate,RemindTime,NumberOfTimes from REMIND inner join "
       u"task on REMIND.taid=task.taid where content like '%bob%'",
       {{"2", "1", "2", "Call Bob", "2012-02-07", "09:30:00", "1"}}},
      {u"SELECT Item, income, expenditure, remarks, tasktime,task.taid FROM FINANCIAL INNER JOIN task ON "
       u"FINANCIAL.taid=task.taid where tasktime between #2012-02-01# and #2012-02-06#",
       {{"Ticket", "0", "12.5", "", "2012-02-05", "1"}}},
      {u"SELECT Item, income, expenditure, remarks, tasktime,task.taid,fiid FROM FINANCIAL INNER JOIN task ON "
       u"FINANCIAL.taid=task.taid where Item like '%tick%' and tasktime between #2012-02-06# and #2012-02-28#",
       {}},
      {u"select content,RemindDate,RemindTime,NumberOfTimes,separation,message,rid,taid from remind where taid=2 and "
       u"effect<>0",
       {{"Call Bob", "2012-02-07", "09:30:00", "1", "3", "true", "1", "2"}}},
      {u"select RemindDate,RemindTime,NumberOfTimes,separation,effect from remind where  effect<>0 and "
       u"NumberOfTimes<>3",
       {{"2012-02-07", "09:30:00", "1", "3", "true"}}},
      {u"select "
       u"content,RemindDate,RemindTime,NumberOfTimes,separation,taid,rid,executenumber,message,sendnumber,submitted "
       u"from remind where  effect<>0",
       {{"Call Bob", "2012-02-07", "09:30:00", "1", "3", "2", "1", "-1", "true", "0", "false"}}},
      {u"select content,RemindDate,RemindTime,NumberOfTimes,separation,rid,message,submitted from remind where "
       u"(message<>0 and submitted=0 and effect<>0) or (effect<>0 and message=0 and submitted<>0)",
       {{"Call Bob", "2012-02-07", "09:30:00", "1", "3", "1", "true", "false"}}},
      // Names in any case, bracketed names, the table's own case.
      {u"SELECT [TaskTitle] FROM [TASK] WHERE TAID=4", {{"Shopping"}}},
      // Quoted date text against a date column, either side, and in a range.
      {u"select taid from task where '2012-02-05' = tasktime order by taid", {{"1"}, {"3"}}},
      {u"select taid from task where tasktime between '2012-01-01' and '2012-02-05 23:59:59' order by taid",
       {{"1"}, {"3"}, {"4"}}},
      {u"select top 2 taid, tasktitle & '!' from task order by taid desc",
       {{"4", "Shopping!"}, {"3", "Enter task title!"}}},
      {u"select count(*), sum(tid) from task where tasktype=1 and tasktitle <> 'x''y'", {{"2", "4"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql));
    EXPECT_EQ(ReadAll(OpenQuery(c_, c.sql)), c.rows);
    // The same rows through Execute (forward-only).
    EXPECT_EQ(ReadAll(c_->Execute(c.sql, nullptr, adCmdText)), c.rows);
  }
}

TEST_F(StatementsTest, ChangesReachTheFileAsJetWouldStoreThem) {
  RawDb raw(path_);
  // Dates are days since 30 December 1899; the quoted date text became a date.
  EXPECT_EQ(raw.One("SELECT tasktime = 40947 FROM TASK WHERE taid=2"), "1");
  EXPECT_EQ(raw.One("SELECT typeof(tasktime) FROM TASK WHERE taid=2"), "integer");
  EXPECT_EQ(raw.One("SELECT abs(starttime - (40944 + 36672.0/86400)) < 1e-9 FROM THINGS WHERE tid=1"), "1");
  // A time alone lies on the zero date; true is -1.
  EXPECT_EQ(raw.One("SELECT RemindTime = 34200.0/86400 FROM REMIND"), "1");
  EXPECT_EQ(raw.Rows("SELECT message, effect, submitted, executenumber FROM REMIND"), (Rows{{"-1", "-1", "0", "-1"}}));

  struct Change {
    const char16_t* sql;
    long affected;
    const char* check;
    const char* expected;
  };
  const Change changes[] = {
      {u"update details set detail ='new detail' where taid=1", 1, "SELECT detail FROM DETAILS", "new detail"},
      {u"update remind set message=0 where rid=1", 1, "SELECT message FROM REMIND", "0"},
      {u"update remind set submitted=1 where rid=1", 1, "SELECT submitted FROM REMIND", "-1"},
      {u"update task set tasktitle='T',personnel='P',place='Q',tasktime=#2012-03-01#,brief='B' where taid=1", 1,
       "SELECT tasktitle || tasktime FROM TASK WHERE taid=1", "T40969"},
      {u"delete from task  where taid=4", 1, "SELECT count(*) FROM TASK", "3"},
      {u"delete from things where workname='ENTER WORK NAME'", 1, "SELECT group_concat(tid) FROM THINGS", "1,3"},
      {u"delete from statistics where taid=1", 0, "SELECT count(*) FROM STATISTICS", "0"},
      {u"delete from remind where rid=1", 1, "SELECT count(*) FROM REMIND", "0"},
  };
  for (const Change& ch : changes) {
    SCOPED_TRACE(Narrow(ch.sql));
    _variant_t affected;
    c_->Execute(ch.sql, &affected, adCmdText);
    EXPECT_EQ(affected.vt, VT_I4);
    EXPECT_EQ(affected.lVal, ch.affected);
    EXPECT_EQ(raw.One(ch.check), ch.expected);
  }
}

TEST_F(StatementsTest, InsertThenMaxIdInOneTransactionGivesTheNewKeyAndKeysAreNeverReused) {
  RawDb raw(path_);
  c_->BeginTrans();
  c_->Execute(u"insert into task (tasktitle,tid,tasktype,tasktime) values ('New',1,1,#2012-02-09#)", nullptr,
              adCmdText);
  _RecordsetPtr max = c_->Execute(u"select max(taid) from task", nullptr, adCmdText);
  EXPECT_EQ(static_cast<long>(max->GetFields()->GetItem(0L)->GetValue()), 5);
  c_->CommitTrans();
  // Deleting the highest key and inserting again gives a new key, as COUNTER does.
  Exec(c_, u"delete from task  where taid=5");
  Exec(c_, u"insert into task (tasktitle,tid,tasktype,tasktime) values ('Again',1,1,#2012-02-09#)");
  EXPECT_EQ(raw.One("SELECT max(taid) FROM TASK"), "6");
  // An empty FINANCIAL gives a NULL maximum (the caller adds one to it).
  Exec(c_, u"delete from financial  where taid=1");
  _RecordsetPtr fi = c_->Execute(u"select max(fiid) from FINANCIAL", nullptr, adCmdText);
  EXPECT_EQ(fi->GetFields()->GetItem(0L)->GetValue().vt, VT_NULL);
}

TEST_F(StatementsTest, FailingStatementsNameWhatIsWrongAndChangeNothing) {
  RawDb raw(path_);
  const std::string before = raw.One("SELECT group_concat(tasktitle, '|') FROM TASK");
  struct Case {
    const char16_t* sql;
    std::vector<const char*> mentions;
  };
  const Case cases[] = {
      // An apostrophe in a value the caller did not double ends the text early.
      {u"update task set tasktitle='It's',personnel='',place='',tasktime='2012-02-05',brief='' where taid=1",
       {"Syntax error"}},
      {u"insert into task (tasktitle,tid) values ('12345678901234567890123456789012345678901',1)",
       {"TASK.tasktitle", "too small", "40"}},
      {u"update things set remarks='far too long here' where tid=1", {"THINGS.remarks", "10"}},
      {u"insert into nosuch (a) values (1)", {"nosuch", "does not exist"}},
      {u"select nofield from task", {"nofield"}},
      {u"update task set tasktime='not a date' where taid=1", {"not a date", "tasktime"}},
      {u"select * from task where tasktime=CDATE('2012-13-45')", {"CDATE", "2012-13-45"}},
      {u"select * from task where tasktime=#2012-02-30#", {"#2012-02-30#"}},
      {u"selec * from task", {"selec"}},
      {u"select * from task where", {"Syntax error"}},
      {u"select tid from task inner join things on task.tid=things.tid", {"tid", "more than one table"}},
      {u"insert into details (no1,taid) values (300,1)", {"DETAILS.no1", "out of range"}},
      {u"select * from task; delete from task", {"after the end"}},
      {u"insert into task (tasktitle,nofield) values ('a',1)", {"task.nofield", "does not exist"}},
      {u"insert into task (tasktitle,tid) values ('a')", {"number of values"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql));
    std::string error = ErrorOf([&] {
      c_->BeginTrans();
      try {
        c_->Execute(c.sql, nullptr, adCmdText);
      } catch (...) {
        c_->RollbackTrans();
        throw;
      }
      c_->CommitTrans();
    });
    ASSERT_FALSE(error.empty());
    for (const char* m : c.mentions) EXPECT_NE(error.find(m), std::string::npos) << error;
    ErrorsPtr errors = c_->GetErrors();
    ASSERT_EQ(errors->GetCount(), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(errors->GetItem(0L)->GetDescription())), error);
  }
  EXPECT_EQ(raw.One("SELECT group_concat(tasktitle, '|') FROM TASK"), before);
}

TEST(JetDates, TextsJetAcceptsAndRejects) {
  struct Case {
    const char16_t* text;
    bool ok;
    const char* formatted;
  };
  const Case cases[] = {
      {u"2012-02-05", true, "2012-02-05"},
      {u"2012-02-05 14:05:09", true, "2012-02-05 14:05:09"},
      {u"2012/2/5", true, "2012-02-05"},
      {u"2/5/2012", true, "2012-02-05"},  // month/day/year
      {u"20120205", true, "2012-02-05"},
      {u"14:05:00", true, "14:05:00"},
      {u"2:05 PM", true, "14:05:00"},
      {u"12:00 am", true, "00:00:00"},
      {u"1899-12-30", true, "00:00:00"},
      {u"1899-12-29 06:00:00", true, "1899-12-29 06:00:00"},
      {u"2012-02-30", false, ""},
      {u"2011-02-29", false, ""},
      {u"2012-02-05 24:00", false, ""},
      {u"hello", false, ""},
      {u"", false, ""},
      {u"2012-02-05x", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    double d = 0;
    ASSERT_EQ(pv::ado::ParseJetDate(c.text, &d), c.ok);
    if (c.ok) {
      EXPECT_EQ(Narrow(pv::ado::FormatJetDate(d)), c.formatted);
    }
  }
  double d = 0;
  ASSERT_TRUE(pv::ado::ParseJetDate(u"1899-12-29 06:00:00", &d));
  EXPECT_EQ(d, -1.25);  // negative dates keep the time as a positive fraction
}

TEST(JetDates, PartsFollowTheBaseCalendar) {
  struct Case {
    double date;
    bool ok;
    const char* parts;  // "y-m-d h:mi:s"
  };
  const Case cases[] = {
      {-1.25, true, "1899-12-29 6:0:0"},
      // A time that rounds up to midnight goes forward in time on both sides of day 0.
      {1.9999999999, true, "1900-1-1 0:0:0"},
      {-1.9999999999, true, "1899-12-30 0:0:0"},
      {-2.9999999999, true, "1899-12-29 0:0:0"},
      {2958465.99999, true, "9999-12-31 23:59:59"},
      // Before 1 January 100 and after 9999 no field can hold the date.
      {-657434.0, true, "100-1-1 0:0:0"},
      {-657435.0, false, ""},
      {2958466.0, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.date);
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    ASSERT_EQ(pv::ado::DateToParts(c.date, &y, &m, &d, &h, &mi, &s), c.ok);
    if (c.ok) {
      std::string parts = std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d) + " " +
                          std::to_string(h) + ":" + std::to_string(mi) + ":" + std::to_string(s);
      EXPECT_EQ(parts, c.parts);
    }
  }
  EXPECT_EQ(pv::ado::DateFromParts(1899, 12, 29, 6, 0, 0), -1.25);
  EXPECT_EQ(pv::ado::DateFromParts(2013, 3, 26, 12, 0, 0), 41359.5);
}

TEST(JetText, LikeAndComparisonIgnoreCaseAcrossScripts) {
  struct Case {
    const char16_t* text;
    const char16_t* pattern;
    bool match;
  };
  const Case cases[] = {
      {u"Report", u"%EPO%", true}, {u"Report", u"r_port", true}, {u"Report", u"R%t", true},  {u"Report", u"R%x", false},
      {u"", u"%", true},           {u"", u"_", false},           {u"aaa", u"%a%a%a%", true}, {u"aa", u"%a%a%a%", false},
      {u"ÉCOLE", u"%éco%", true},  {u"Москва", u"%МОСК%", true}, {u"工作", u"%作", true},    {u"50%", u"50!%", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text) + " LIKE " + Narrow(c.pattern));
    EXPECT_EQ(pv::ado::JetLike(c.text, c.pattern), c.match);
  }
  EXPECT_TRUE(pv::ado::JetLike(u"50%", u"50!%", u'!'));
  EXPECT_EQ(pv::ado::CompareNoCase(u"Enter Work Name", u"enter work name"), 0);
  EXPECT_LT(pv::ado::CompareNoCase(u"abc", u"ABD"), 0);
}

}  // namespace

namespace {

TEST_F(StatementsTest, TextComparesWithoutRegardToCaseBeyondAscii) {
  for (const char16_t* s : {u"insert into things (workname,worktype) values ('école',9)",
                            u"insert into things (workname,worktype) values ('Москва',9)",
                            u"insert into things (workname,worktype) values ('b',9)",
                            u"insert into things (workname,worktype) values ('A',9)"})
    Exec(c_, s);
  struct Case {
    const char16_t* sql;
    Rows rows;
  };
  const Case cases[] = {
      {u"select workname from things where workname='ÉCOLE'", {{"école"}}},
      {u"select workname from things where workname like '%МОСК%'", {{"Москва"}}},
      {u"select workname from things where worktype=9 and workname<>'a' order by workname",
       {{"b"}, {"école"}, {"Москва"}}},
      {u"select workname from things where worktype=9 order by workname desc", {{"Москва"}, {"école"}, {"b"}, {"A"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql));
    EXPECT_EQ(ReadAll(OpenQuery(c_, c.sql)), c.rows);
  }
}

}  // namespace
