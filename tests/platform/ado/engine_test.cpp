// Text round trips: any sequence of UTF-16 units reaches the file and comes
// back unchanged, whichever way the caller passes it.
#include <iterator>
#include <random>

#include "platform/base/cstring.h"
#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

std::u16string Units(const _variant_t& v) {
  EXPECT_EQ(v.vt, VT_BSTR);
  return v.vt == VT_BSTR ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string();
}

TEST(LosslessText, EveryUnitSequenceRoundTripsThroughEachWayIn) {
  TempDir dir;
  const std::string path = dir.File("qty.tgd");
  _ConnectionPtr c = CreateDatabase(path);
  RawDb raw(path);
  const std::u16string emoji40 = [] {
    std::u16string s;
    for (int i = 0; i < 40; ++i) s += u"\U0001F600";
    return s;
  }();
  const std::u16string cases[] = {
      u"It's",                             // apostrophe
      std::u16string(u"a\0b", 3),          // zero unit inside
      std::u16string(u"\0", 1),            // zero unit alone
      u"\xD800x",                          // lone high surrogate
      u"x\xDC00",                          // lone low surrogate
      u"\xDC00\xD800",                     // pair in the wrong order
      u"\U0001F600 \U00020000",            // 4-byte characters
      u"工作 'quoted' \"double\" #1# %_",  // Chinese, quotes, date and LIKE marks
      u"x'); delete from things; --",      // what would break out of an unescaped literal
      u"",                                 // empty, not null
      emoji40,                             // exactly 80 units: fits TEXT(80)
  };
  long key = 0;
  for (const std::u16string& text : cases) {
    SCOPED_TRACE(::testing::PrintToString(Narrow(text)) + " units=" + std::to_string(text.size()));
    // 1. A literal made with the quoting helper.
    std::u16string sql = u"insert into things (workname,worktype) values (" + pv::ado::QuoteText16(text) + u",1)";
    c->Execute(_bstr_t(SysAllocStringLen(sql.data(), static_cast<UINT>(sql.size())), false), nullptr, adCmdText);
    // 2. A parameter.
    _variant_t param;
    param.vt = VT_BSTR;
    param.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    c->ExecuteWithParameters(u"insert into things (workname,worktype) values (?,2)", {param});
    // 3. A recordset field.
    _RecordsetPtr rs(u"ADODB.Recordset");
    rs->PutCursorLocation(adUseClient);
    rs->Open(u"select workname,worktype from things where tid=0",
             _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenDynamic, adLockOptimistic, adCmdText);
    rs->AddNew();
    rs->GetFields()->GetItem(u"workname")->PutValue(param);
    rs->GetFields()->GetItem(u"worktype")->PutValue(3L);
    rs->Update();
    EXPECT_EQ(Units(rs->GetFields()->GetItem(0L)->GetValue()), text);
    rs->Close();

    for (int way = 1; way <= 3; ++way) {
      ++key;
      // The file holds exactly these units (UTF-16le bytes).
      EXPECT_EQ(raw.Units("SELECT CAST(workname AS BLOB) FROM THINGS WHERE tid=" + std::to_string(key)), text);
      EXPECT_EQ(raw.One("SELECT typeof(workname) || worktype FROM THINGS WHERE tid=" + std::to_string(key)),
                "text" + std::to_string(way));
      // The layer reads them back unchanged and finds the row by them.
      std::u16string q = u"select workname from things where tid=" + Wide(std::to_string(key)) + u" and workname=" +
                         pv::ado::QuoteText16(text);
      _RecordsetPtr back =
          c->Execute(_bstr_t(SysAllocStringLen(q.data(), static_cast<UINT>(q.size())), false), nullptr, adCmdText);
      ASSERT_FALSE(back->GetadoEOF());
      EXPECT_EQ(Units(back->GetCollect(0L)), text);
    }
  }
  // One unit more than the field holds is refused, counted in UTF-16 units.
  std::string error = ErrorOf(
      [&] { c->Execute((u"insert into things (workname) values ('" + emoji40 + u"x')").c_str(), nullptr, adCmdText); });
  EXPECT_NE(error.find("THINGS.workname"), std::string::npos) << error;
  EXPECT_EQ(raw.One("SELECT count(*) FROM THINGS"), std::to_string(key));
}

TEST(LosslessText, QuotingHelperDoublesApostrophesOnly) {
  EXPECT_EQ(pv::ado::QuoteText16(u"It's"), u"'It''s'");
  EXPECT_EQ(pv::ado::QuoteText16(u"''"), u"''''''");
  EXPECT_EQ(pv::ado::QuoteText16(std::u16string(u"a\0\"#", 4)), std::u16string(u"'a\0\"#'", 6));
  CString quoted = pv::ado::QuoteText(CString(u"O'Neil"));
  EXPECT_EQ(std::u16string(quoted.GetString()), u"'O''Neil'");
}

}  // namespace

namespace {

// Statements damaged at random places: each runs or fails with a readable
// description; nothing crashes (the sanitizers watch the rest).
TEST(BadStatements, MutatedStatementsFailCleanly) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  c->Execute(u"insert into task (tasktitle,tasktime,tid) values ('a',#2012-02-05#,1)", nullptr, adCmdText);
  const std::u16string seeds[] = {
      u"select * from task where taid=1 and tasktitle like '%a%' order by tasktime",
      u"insert into remind (content,RemindDate,RemindTime,message,taid) values ('x''y',#2012-02-05#,#10:00:00#,1,-1)",
      u"update task set tasktime='2012-02-06', tasktitle=[tasktitle] & 'z' where tasktime between #2012-01-01# and "
      u"CDATE('2013-01-01')",
      u"CREATE TABLE T2(a COUNTER PRIMARY KEY, b TEXT(5) NOT NULL DEFAULT 'q', c DOUBLE PRECISION)",
      u"delete from task where taid in (select max(taid) from task)",
      u"select top 3 count(*), max(tasktime) from task group by tid having count(*) > 0",
  };
  const std::u16string alphabet = std::u16string(u"'\"#[]`(),.;%_?=<>&*-+ aZ9\xD800\xDC00\x5DE5", 28) + u'\0';
  std::mt19937 rng(20261210);
  int failures = 0;
  c->BeginTrans();
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::u16string s = seeds[rng() % std::size(seeds)];
    for (int edits = 1 + static_cast<int>(rng() % 4); edits > 0; --edits) {
      size_t at = rng() % (s.size() + 1);
      char16_t unit = alphabet[rng() % alphabet.size()];
      switch (rng() % 3) {
        case 0:
          if (at < s.size()) s.erase(at, 1 + rng() % 3);
          break;
        case 1:
          s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), unit);
          break;
        default:
          if (at < s.size()) s[at] = unit;
      }
    }
    _bstr_t text(SysAllocStringLen(s.data(), static_cast<UINT>(s.size())), false);
    std::string error = ErrorOf([&] { c->Execute(text, nullptr, adCmdText); });
    if (!error.empty()) {
      ++failures;
      EXPECT_EQ(error.find("(no description)"), std::string::npos) << Narrow(s);
    }
  }
  c->RollbackTrans();
  EXPECT_GT(failures, 1000);
  EXPECT_LT(failures, 3000);
}

}  // namespace
