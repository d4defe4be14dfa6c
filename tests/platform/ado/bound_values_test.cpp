// Values bound to `?` markers are stored exactly as the same value written
// as a literal would be; a recordset changes the row it read and nothing
// else; Jet's bracket classes in LIKE.
#include <sqlite3.h>

#include "platform/ado/ado_engine.h"
#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class BoundValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("qty.tgd");
    c_.Attach(CreateDatabase(path_).Detach());
  }
  TempDir dir_;
  std::string path_;
  _ConnectionPtr c_;
};

std::string Text(const _variant_t& v) {
  return v.vt == VT_BSTR ? Narrow(std::u16string(v.bstrVal, SysStringLen(v.bstrVal))) : "?";
}

// How SQLite holds a value: "integer:-1", "real:12.5", "text:abc".
std::string Stored(RawDb& raw, const std::string& column, const std::string& table, int rowid) {
  return raw.One("SELECT typeof(" + column + ") || ':' || quote(" + column + ") FROM " + table +
                 " WHERE rowid = " + std::to_string(rowid));
}

}  // namespace

TEST_F(BoundValuesTest, ABoundValueIsStoredAsTheSameLiteralWouldBeAndRefusedWhereItIsRefused) {
  struct Case {
    const char* column;  // of TASK, REMIND or FINANCIAL
    const char16_t* table;
    const char16_t* literal;  // the value written into the statement
    _variant_t bound;         // the same value bound to `?`
    const char* stored;       // what SQLite then holds; nullptr: refused
    const char* mentions;     // in the refusal
  };
  const Case cases[] = {
      // Date text becomes a date (days since 30 December 1899), not text.
      {"tasktime", u"task", u"'2013-03-26'", _variant_t(u"2013-03-26"), "integer:41359", nullptr},
      {"tasktime", u"task", u"'2013-03-26 12:00:00'", _variant_t(u"2013-03-26 12:00:00"), "real:41359.5", nullptr},
      {"tasktime", u"task", u"'soon'", _variant_t(u"soon"), nullptr, "TASK.tasktime"},
      // Any true value is -1 in a yes/no field.
      {"message", u"remind", u"1", _variant_t(1L), "integer:-1", nullptr},
      {"message", u"remind", u"0", _variant_t(0L), "integer:0", nullptr},
      {"message", u"remind", u"'True'", _variant_t(u"True"), "integer:-1", nullptr},
      {"message", u"remind", u"'maybe'", _variant_t(u"maybe"), nullptr, "REMIND.message"},
      // Number text becomes a number; other text is refused.
      {"income", u"financial", u"'12.5'", _variant_t(u"12.5"), "real:12.5", nullptr},
      {"income", u"financial", u"'abc'", _variant_t(u"abc"), nullptr, "FINANCIAL.income"},
      {"income", u"financial", u"''", _variant_t(u""), nullptr, "FINANCIAL.income"},
      {"income", u"financial", u"'0x10'", _variant_t(u"0x10"), nullptr, "FINANCIAL.income"},
      // Whole-number fields round a fraction half to even and refuse what does not fit.
      {"taid", u"financial", u"2.5", _variant_t(2.5), "integer:2", nullptr},
      {"taid", u"financial", u"'7'", _variant_t(u"7"), "integer:7", nullptr},
      {"taid", u"financial", u"'seven'", _variant_t(u"seven"), nullptr, "FINANCIAL.taid"},
      {"taid", u"financial", u"5000000000", _variant_t(5000000000.0), nullptr, "out of range"},
      // Text stays text.
      {"Item", u"financial", u"'12'", _variant_t(u"12"), "text:'12'", nullptr},
  };
  RawDb raw(path_);
  for (const Case& c : cases) {
    const std::u16string column = Wide(c.column);
    const std::u16string literal =
        u"insert into " + std::u16string(c.table) + u" (" + column + u") values (" + c.literal + u")";
    const std::u16string bound = u"insert into " + std::u16string(c.table) + u" (" + column + u") values (?)";
    SCOPED_TRACE(Narrow(literal));
    for (bool useMarker : {false, true}) {
      SCOPED_TRACE(useMarker ? "bound" : "literal");
      std::string error = ErrorOf([&] {
        if (useMarker) c_->ExecuteWithParameters(bound.c_str(), {c.bound});
        else c_->Execute(literal.c_str(), nullptr, adCmdText);
      });
      const std::string table = Narrow(c.table);
      int rowid = std::stoi(raw.One("SELECT ifnull(max(rowid), 0) FROM " + table));
      if (c.stored) {
        EXPECT_EQ(error, "");
        EXPECT_EQ(Stored(raw, c.column, table, rowid), c.stored);
        c_->Execute((u"delete from " + std::u16string(c.table)).c_str(), nullptr, adCmdText);
      } else {
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
        EXPECT_EQ(rowid, 0) << "a refused value was stored";
      }
    }
  }

  // In comparisons too: date text bound against a date field finds the
  // row, in BETWEEN and with CDATE alike, and text that is no date is refused.
  c_->Execute(u"insert into task (tasktitle,tasktime) values ('dated',#2013-03-26#)", nullptr, adCmdText);
  c_->ExecuteWithParameters(u"insert into task (tasktitle,tasktime) values (?,?)",
                            {_variant_t(u"bound"), _variant_t(u"2013-03-27")});
  auto titles = [&](const char16_t* sql, std::initializer_list<_variant_t> values) {
    std::vector<std::string> out;
    _RecordsetPtr rs = c_->ExecuteWithParameters(sql, values);
    for (; !rs->GetadoEOF(); rs->MoveNext()) out.push_back(Text(rs->GetCollect(0L)));
    return out;
  };
  EXPECT_EQ(titles(u"select tasktitle from task where tasktime = ?", {_variant_t(u"2013-03-26")}),
            std::vector<std::string>{"dated"});
  EXPECT_EQ(titles(u"select tasktitle from task where tasktime between ? and ? order by tasktime",
                   {_variant_t(u"2013-03-01"), _variant_t(u"2013-03-31")}),
            (std::vector<std::string>{"dated", "bound"}));
  EXPECT_EQ(titles(u"select tasktitle from task where tasktime >= CDATE('2013-03-27')", {}),
            std::vector<std::string>{"bound"});
  EXPECT_EQ(titles(u"select tasktitle from task order by tasktime desc", {}),
            (std::vector<std::string>{"bound", "dated"}));
  EXPECT_NE(ErrorOf([&] {
              titles(u"select tasktitle from task where tasktime = ?", {_variant_t(u"later")});
            }).find("TASK.tasktime"),
            std::string::npos);
  // The bound date reads back as a date.
  _RecordsetPtr rs = c_->Execute(u"select tasktime from task where tasktitle='bound'", nullptr, adCmdText);
  EXPECT_EQ(rs->GetCollect(0L).vt, VT_DATE);
}

TEST_F(BoundValuesTest, AStatementRunAgainFollowsAChangeOfTheSchemaByAnotherProgram) {
  // The translation of a statement is kept for its next run; its values
  // must still be converted for the columns the file has then.
  const char16_t* insert = u"insert into notes (n) values (?)";
  c_->Execute(u"CREATE TABLE NOTES(n DATETIME)", nullptr, adCmdText);
  c_->ExecuteWithParameters(insert, {_variant_t(u"2013-03-26")});
  {
    RawDb raw(path_);
    EXPECT_EQ(raw.One("SELECT typeof(n) || ':' || n FROM notes"), "integer:41359");
  }
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "DROP TABLE NOTES; CREATE TABLE NOTES(n INTEGER)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close_v2(other);
  // Now a number field: date text is refused, number text becomes a number.
  EXPECT_NE(ErrorOf([&] { c_->ExecuteWithParameters(insert, {_variant_t(u"2013-03-26")}); }).find("NOTES.n"),
            std::string::npos);
  c_->ExecuteWithParameters(insert, {_variant_t(u"42")});
  RawDb raw(path_);
  EXPECT_EQ(raw.One("SELECT typeof(n) || ':' || n FROM notes"), "integer:42");
}

TEST_F(BoundValuesTest, ErrorsOfBoundStatementsAreReportedNotFatal) {
  // Each used to end the process from inside ExecuteWithParameters.
  const std::u16string title51(51, u'x');
  struct Case {
    const char16_t* sql;
    _variant_t value;
    const char* mentions;
  };
  const Case cases[] = {
      {u"insert into task (tasktitle) values (?)", _variant_t(title51.c_str()), "TASK.tasktitle"},
      {u"insert into nosuch (a) values (?)", _variant_t(1L), "nosuch"},
      {u"insert into task (tasktitle) values (?, 1)", _variant_t(1L), "number of values"},
      {u"select * from task where taid = ? and tid = ?", _variant_t(1L), "No value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.sql));
    std::string error = ErrorOf([&] { c_->ExecuteWithParameters(c.sql, {c.value}); });
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    ErrorsPtr errors = c_->GetErrors();
    ASSERT_EQ(errors->GetCount(), 1);
    EXPECT_EQ(std::string(static_cast<const char*>(errors->GetItem(0L)->GetDescription())), error);
  }
}

TEST_F(BoundValuesTest, ARecordsetChangesOnlyTheRowItReadInATableWithoutAKey) {
  for (const char16_t* s : {
           u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (1,'Ticket',0,12.5,'',1)",
           u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (2,'Fee',40,0,'',1)",
       })
    c_->Execute(s, nullptr, adCmdText);
  auto open = [&] {
    _RecordsetPtr rs(u"ADODB.Recordset");
    rs->PutCursorLocation(adUseClient);
    rs->Open(u"select fiid,Item,income from FINANCIAL order by fiid",
             _variant_t(static_cast<IDispatch*>(c_.GetInterfacePtr())), adOpenDynamic, adLockPessimistic, adCmdText);
    return rs;
  };
  _RecordsetPtr stale = open();
  _RecordsetPtr stale2 = open();
  // Another statement deletes the last row; SQLite gives its row id to the
  // next row inserted, another task's income item.
  c_->Execute(u"delete from financial where fiid=2", nullptr, adCmdText);
  c_->Execute(u"insert into FINANCIAL (fiid,Item,income,expenditure,remarks,taid) values (3,'Salary',900,0,'',2)",
              nullptr, adCmdText);
  RawDb raw(path_);
  ASSERT_EQ(raw.One("SELECT rowid FROM FINANCIAL WHERE fiid=3"), "2");  // the reuse the checks must catch

  // Updating and deleting through the stale row fail as a concurrent change.
  stale->MoveLast();
  stale->PutCollect(_variant_t(u"income"), _variant_t(41L));
  std::string error = ErrorOf([&] { stale->Update(); });
  EXPECT_NE(error.find("changed or deleted it since it was read"), std::string::npos) << error;
  stale2->MoveLast();
  error = ErrorOf([&] { stale2->Delete(adAffectCurrent); });
  EXPECT_NE(error.find("changed or deleted it since it was read"), std::string::npos) << error;
  const Rows expected = {{"1", "Ticket", "0.0"}, {"3", "Salary", "900.0"}};
  EXPECT_EQ(raw.Rows("SELECT fiid, Item, printf('%.1f', income) FROM FINANCIAL ORDER BY fiid"), expected);

  // The row that is still as it was read changes, and only it; its new
  // values are what a later change is checked against.
  _RecordsetPtr fresh = open();
  fresh->MoveFirst();
  fresh->PutCollect(_variant_t(u"income"), _variant_t(5L));
  fresh->Update();
  fresh->PutCollect(_variant_t(u"Item"), _variant_t(u"TICKET"));
  fresh->Update();
  EXPECT_EQ(raw.Rows("SELECT fiid, Item, printf('%.1f', income) FROM FINANCIAL ORDER BY fiid"),
            (Rows{{"1", "TICKET", "5.0"}, {"3", "Salary", "900.0"}}));
  // Text is compared exactly: a row changed only in case is a changed row.
  c_->Execute(u"update financial set Item='ticket' where fiid=1", nullptr, adCmdText);
  fresh->PutCollect(_variant_t(u"income"), _variant_t(6L));
  EXPECT_NE(ErrorOf([&] { fresh->Update(); }), "");
  fresh->CancelUpdate();
  EXPECT_EQ(raw.One("SELECT printf('%.1f', income) FROM FINANCIAL WHERE fiid=1"), "5.0");
  _RecordsetPtr last = open();
  last->MoveLast();
  last->Delete(adAffectCurrent);
  EXPECT_EQ(raw.Rows("SELECT fiid FROM FINANCIAL"), (Rows{{"1"}}));
}

TEST(JetLikeClasses, BracketClassesMatchOneCharacterOfTheirSet) {
  struct Case {
    const char16_t* text;
    const char16_t* pattern;
    bool match;
  };
  const Case cases[] = {
      {u"100%", u"%[%]", true},
      {u"1000", u"%[%]", false},
      {u"a_b", u"a[_]b", true},
      {u"axb", u"a[_]b", false},
      {u"b", u"[a-c]", true},
      {u"B", u"[a-c]", true},
      {u"d", u"[a-c]", false},
      {u"d", u"[!a-c]", true},
      {u"b", u"[!a-c]", false},
      {u"x", u"[xyz]", true},
      {u"Y", u"[xyz]", true},
      {u"w", u"[xyz]", false},
      {u"[x]", u"[[]x]", true},
      {u"a[b", u"a[b", true},
      {u"a[]", u"a[]", true},
      {u"file7.doc", u"file[0-9].doc", true},
      {u"fileA.doc", u"file[0-9].doc", false},
      {u"ab", u"[a-c][a-c]", true},
      {u"a", u"[a-c][a-c]", false},
      {u"xxa%b", u"%a[%]b", true},
      {u"\u00e9", u"[\u00c9]", true},
      {u"-", u"[a-]", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pv::ado::JetLike(c.text, c.pattern), c.match) << Narrow(c.text) << " like " << Narrow(c.pattern);
  // ESCAPE keeps working, inside statements too.
  EXPECT_TRUE(pv::ado::JetLike(u"50%", u"50!%", u'!'));
  EXPECT_FALSE(pv::ado::JetLike(u"500", u"50!%", u'!'));
}

TEST_F(BoundValuesTest, KeywordsWithWildcardsAreFoundTheJetWay) {
  for (const char16_t* s :
       {u"insert into task (tasktitle) values ('100% done')", u"insert into task (tasktitle) values ('1000 done')",
        u"insert into task (tasktitle) values ('a_b')", u"insert into task (tasktitle) values ('axb')"})
    c_->Execute(s, nullptr, adCmdText);
  auto count = [&](const char16_t* where) {
    _RecordsetPtr rs =
        c_->Execute((std::u16string(u"select count(*) from task where ") + where).c_str(), nullptr, adCmdText);
    return static_cast<long>(rs->GetCollect(0L));
  };
  EXPECT_EQ(count(u"tasktitle like '%[%]%'"), 1);
  EXPECT_EQ(count(u"tasktitle like '%a[_]b%'"), 1);
  EXPECT_EQ(count(u"tasktitle like '%a_b%'"), 2);
  EXPECT_EQ(count(u"tasktitle like '[0-9]%'"), 2);
  EXPECT_EQ(count(u"tasktitle like '%!%%' escape '!'"), 1);
}
