// Reading rows: every way of walking a result (forward-only rows from
// Execute, client cursors; Field objects, GetCollect by name or number)
// reads each stored value exactly, over many rows and every column type;
// field lookup by name and number; reads in each state of a recordset.
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "tests/platform/ado/ado_test_util.h"

using namespace adotest;

namespace {

// A value as the layer should hand it out: its VARTYPE and its contents.
struct Want {
  VARTYPE vt = VT_NULL;
  long long i = 0;          // integers, VT_BOOL, VT_CY's int64
  double r = 0;             // VT_R4 (as float), VT_R8, VT_DATE: compared bit for bit
  std::u16string text;      // VT_BSTR
  std::vector<BYTE> bytes;  // VT_ARRAY | VT_UI1
};

Want Int(VARTYPE vt, long long i) { return Want{vt, i, 0, {}, {}}; }
Want Real(VARTYPE vt, double r) { return Want{vt, 0, r, {}, {}}; }
Want Text(std::u16string s) { return Want{VT_BSTR, 0, 0, std::move(s), {}}; }
Want Null() { return Want{}; }

// Empty when `v` is what `w` describes, else what differs.
std::string Mismatch(const _variant_t& v, const Want& w) {
  if (v.vt != w.vt) return "vt " + std::to_string(v.vt) + " instead of " + std::to_string(w.vt);
  auto sameBits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  bool same = true;
  switch (w.vt) {
    case VT_NULL:
      break;
    case VT_UI1:
      same = v.bVal == w.i;
      break;
    case VT_I2:
      same = v.iVal == w.i;
      break;
    case VT_I4:
      same = v.lVal == w.i;
      break;
    case VT_I8:
      same = v.llVal == w.i;
      break;
    case VT_BOOL:
      same = v.boolVal == w.i;
      break;
    case VT_CY:
      same = v.cyVal.int64 == w.i;
      break;
    case VT_R4:
      same = v.fltVal == static_cast<float>(w.r);
      break;
    case VT_R8:
      same = sameBits(v.dblVal, w.r);
      break;
    case VT_DATE:
      same = sameBits(v.date, w.r);
      break;
    case VT_BSTR:
      same = std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) == w.text;
      break;
    case VT_ARRAY | VT_UI1: {
      void* p = nullptr;
      LONG lo = 0, hi = -1;
      SafeArrayGetLBound(v.parray, 1, &lo);
      SafeArrayGetUBound(v.parray, 1, &hi);
      SafeArrayAccessData(v.parray, &p);
      same = std::vector<BYTE>(static_cast<BYTE*>(p), static_cast<BYTE*>(p) + (hi - lo + 1)) == w.bytes;
      SafeArrayUnaccessData(v.parray);
      break;
    }
    default:
      return "unexpected vt " + std::to_string(w.vt);
  }
  return same ? "" : "different contents";
}

_variant_t Param(const Want& w) {
  _variant_t v;
  switch (w.vt) {
    case VT_NULL:
      v.vt = VT_NULL;
      break;
    case VT_BSTR:
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(w.text.data(), static_cast<UINT>(w.text.size()));
      break;
    case VT_R4:
      v = static_cast<float>(w.r);
      break;
    case VT_R8:
      v = w.r;
      break;
    case VT_DATE:
      v.vt = VT_DATE;
      v.date = w.r;
      break;
    default:
      v = static_cast<long>(w.i);
      break;
  }
  return v;
}

constexpr int kColumns = 10;
const char16_t* const kNames[kColumns] = {u"b", u"s", u"l", u"f", u"d", u"c", u"t", u"y", u"x", u"m"};

TEST(RowReading, EveryWayOfWalkingReadsEachStoredValueExactly) {
  TempDir dir;
  const std::string path = dir.File("qty.tgd");
  _ConnectionPtr c = CreateDatabase(path);
  c->Execute(
      u"CREATE TABLE MIXED(id COUNTER PRIMARY KEY,b BYTE,s SHORT,l LONG,f SINGLE,d DOUBLE,c CURRENCY,"
      u"t DATETIME,y logical,x TEXT(20),m MEMO)",
      nullptr, adCmdText);
  const std::u16string longText = [] {
    std::u16string s;
    for (int i = 0; i < 3000; ++i) s += static_cast<char16_t>(u'a' + i % 26);
    return s;
  }();
  const std::u16string hugeText = longText + std::u16string(20000, u'\xD800') + longText;  // longer than any buffer
  const std::u16string texts[] = {
      u"It's", std::u16string(u"a\0b", 3), u"\xD800x", u"x\xDC00", u"\U0001F600 \U00020000", u"", u"Ünïcödé ÉTAT"};

  // Rows written through the layer (a row of NULLs every fifth), and among
  // them rows another program wrote with values that do not fit the
  // declared types, which read back as their natural VARIANTs.
  std::vector<std::vector<Want>> rows;
  auto foreignRow = [&](const char* values, std::vector<Want> want) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::string sql = std::string("INSERT INTO MIXED (l,d,x,m) VALUES (") + values + ")";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    rows.push_back(std::move(want));
  };
  const int n = 400;  // several blocks of cells, and a text arena that grows many times
  for (int i = 0; i < n; ++i) {
    if (i == 150)
      foreignRow("5000000000, 'abc', 42, X'00FF10'",
                 {Null(), Null(), Int(VT_I8, 5000000000LL), Null(), Text(u"abc"), Null(), Null(), Null(), Text(u"42"),
                  Want{VT_ARRAY | VT_UI1, 0, 0, {}, {0x00, 0xFF, 0x10}}});
    std::vector<Want> row(kColumns, Null());
    _variant_t money;
    money.vt = VT_NULL;
    if (i % 5 != 4) {
      double currency = i * 1.25 - 100;
      row = {Int(VT_UI1, i % 256),
             Int(VT_I2, (i * 337) % 65536 - 32768),
             Int(VT_I4, i * 1000003LL - 150000000),
             Real(VT_R4, static_cast<float>(i) / 7),
             Real(VT_R8, i / 3.0),
             Int(VT_CY, std::llround(currency * 10000)),
             Real(VT_DATE, i == 3 ? -1.25 : 41000.0 + i + (i % 4) / 4.0),
             Int(VT_BOOL, i % 2 ? VARIANT_TRUE : VARIANT_FALSE),
             Text(texts[i % std::size(texts)]),
             Text(i % 9 == 0 ? (i % 7 == 0 ? hugeText : longText) : texts[(i + 3) % std::size(texts)])};
      money = currency;
    }
    c->ExecuteWithParameters(u"insert into mixed (b,s,l,f,d,c,t,y,x,m) values (?,?,?,?,?,?,?,?,?,?)",
                             {Param(row[0]), Param(row[1]), Param(row[2]), Param(row[3]), Param(row[4]), money,
                              Param(row[6]), Param(row[7]), Param(row[8]), Param(row[9])});
    rows.push_back(row);
  }

  // Walks `rs` to its end; `read(column)` reads a value of the current row.
  auto check = [&](const char* how, _Recordset* rs, const std::function<_variant_t(int)>& read) {
    SCOPED_TRACE(how);
    size_t row = 0;
    for (; !rs->GetadoEOF(); rs->MoveNext(), ++row) {
      ASSERT_LT(row, rows.size());
      for (int col = 0; col < kColumns; ++col) {
        std::string diff = Mismatch(read(col), rows[row][static_cast<size_t>(col)]);
        if (!diff.empty()) {
          ADD_FAILURE() << "row " << row << " field " << Narrow(kNames[col]) << ": " << diff;
          return;
        }
      }
    }
    EXPECT_EQ(row, rows.size());
  };
  const std::u16string sql = u"select b,s,l,f,d,c,t,y,x,m from mixed order by id";
  {
    _RecordsetPtr rs = c->Execute(sql.c_str(), nullptr, adCmdText);
    FieldsPtr fields = rs->GetFields();
    std::vector<FieldPtr> f;
    for (long i = 0; i < kColumns; ++i) f.push_back(fields->GetItem(i));
    check("Execute, Field objects", rs, [&](int col) { return f[static_cast<size_t>(col)]->GetValue(); });
  }
  {
    _RecordsetPtr rs = c->Execute(sql.c_str(), nullptr, adCmdText);
    std::vector<_variant_t> upper;
    for (const char16_t* name : kNames)
      upper.emplace_back(std::u16string(1, static_cast<char16_t>(name[0] - 32)).c_str());
    check("Execute, GetCollect by name in another case", rs,
          [&](int col) { return rs->GetCollect(upper[static_cast<size_t>(col)]); });
  }
  _RecordsetPtr client(u"ADODB.Recordset");
  client->PutCursorLocation(adUseClient);
  client->Open(sql.c_str(), _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenStatic, adLockOptimistic,
               adCmdText);
  EXPECT_EQ(client->GetRecordCount(), static_cast<long>(rows.size()));
  FieldsPtr fields = client->GetFields();
  check("client cursor, Field objects by name", client,
        [&](int col) { return fields->GetItem(kNames[col])->GetValue(); });
  client->MoveFirst();
  check("client cursor again, GetCollect by number", client,
        [&](int col) { return client->GetCollect(static_cast<long>(col)); });
}

TEST(RowReading, ForwardOnlyRowsHoldNoStatementOnceNoRowIsLeft) {
  TempDir dir;
  const std::string path = dir.File("qty.tgd");
  _ConnectionPtr c = CreateDatabase(path);
  for (int i = 1; i <= 3; ++i)
    c->ExecuteWithParameters(u"insert into details (no1,taid,detail) values (1,?,'x')",
                             {_variant_t(static_cast<long>(i))});
  // A kept one-row result has ended its statement before it is read; a walk
  // has ended its statement once it moved past the last row. A pending
  // statement would make dropping a table fail ("locked").
  _RecordsetPtr one = c->Execute(u"select max(taid) from details", nullptr, adCmdText);
  _RecordsetPtr many = c->Execute(u"select taid from details order by taid", nullptr, adCmdText);
  long sum = 0;
  for (; !many->GetadoEOF(); many->MoveNext()) sum += static_cast<long>(many->GetCollect(0L));
  EXPECT_EQ(sum, 6);
  EXPECT_EQ(ErrorOf([&] { c->Execute(u"DROP TABLE files", nullptr, adCmdText); }), "");
  EXPECT_EQ(static_cast<long>(one->GetCollect(0L)), 3);
}

TEST(RowReading, TextOfAFileAnotherProgramWroteInUtf8ReadsAsTheSameCharacters) {
  TempDir dir;
  const std::string path = dir.File("other.db");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db,
                         "CREATE TABLE NOTES(id INTEGER PRIMARY KEY, body TEXT, n INTEGER);"
                         "INSERT INTO NOTES VALUES (1, 'caf\xC3\xA9 \xE5\xB7\xA5 \xF0\x9F\x98\x80', 5), (2, '', NULL),"
                         " (3, NULL, 7), (4, 'It''s', -1);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close_v2(db);
  const std::vector<std::vector<Want>> rows = {{Text(u"caf\u00E9 \u5DE5 \U0001F600"), Int(VT_I4, 5)},
                                               {Text(u""), Null()},
                                               {Null(), Int(VT_I4, 7)},
                                               {Text(u"It's"), Int(VT_I4, -1)}};
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(ConnectionString(path).c_str(), u"", u"", -1);
  for (bool client : {false, true}) {
    SCOPED_TRACE(client ? "client cursor" : "Execute");
    _RecordsetPtr rs;
    if (client) {
      rs.CreateInstance(u"ADODB.Recordset");
      rs->PutCursorLocation(adUseClient);
      rs->Open(u"select body, n from notes order by id", _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())),
               adOpenStatic, adLockReadOnly, adCmdText);
    } else {
      rs = c->Execute(u"select body, n from notes order by id", nullptr, adCmdText);
    }
    size_t row = 0;
    for (; !rs->GetadoEOF(); rs->MoveNext(), ++row) {
      ASSERT_LT(row, rows.size());
      EXPECT_EQ(Mismatch(rs->GetCollect(u"body"), rows[row][0]), "") << "row " << row;
      EXPECT_EQ(Mismatch(rs->GetCollect(u"N"), rows[row][1]), "") << "row " << row;
    }
    EXPECT_EQ(row, rows.size());
  }
}

TEST(RowReading, FieldsAreFoundByNameWithoutRegardToCaseAndByNumber) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  c->Execute(u"insert into things (workname,worktype) values ('w',7)", nullptr, adCmdText);
  // Two names differ only in case: the first one is found.
  const std::u16string sql = u"select tid as [État], workname, worktype as [Workname2], worktype as [ÉTAT] from things";
  auto byRef = [](VARIANT* target) {
    _variant_t v;
    v.vt = static_cast<VARTYPE>(target->vt | VT_BYREF);
    v.byref = target->vt == VT_BSTR ? static_cast<void*>(&target->bstrVal) : static_cast<void*>(&target->lVal);
    return v;
  };
  _variant_t nameTarget(u"WORKNAME"), numberTarget(1L);
  struct Case {
    const char* what;
    _variant_t index;
    long field;  // -1: an error naming `error`
    const char* error;
  };
  _variant_t shortIndex;
  shortIndex.vt = VT_I2;
  shortIndex.iVal = 2;
  const Case cases[] = {
      {"exact name", _variant_t(u"workname"), 1, ""},
      {"other case", _variant_t(u"WorkName"), 1, ""},
      {"accented letters in another case", _variant_t(u"éTAT"), 0, ""},
      {"longer name that starts the same", _variant_t(u"workname2"), 2, ""},
      {"same length, other letters", _variant_t(u"workmane"), -1, "workmane"},
      {"unknown name", _variant_t(u"nosuch"), -1, "'nosuch' is not in this recordset"},
      {"empty name", _variant_t(u""), -1, "is not in this recordset"},
      {"number", _variant_t(3L), 3, ""},
      {"short number", shortIndex, 2, ""},
      {"double", _variant_t(1.0), 1, ""},
      {"name by reference", byRef(&nameTarget), 1, ""},
      {"number by reference", byRef(&numberTarget), 1, ""},
      {"negative", _variant_t(-1L), -1, "no field with that number"},
      {"one past the last", _variant_t(4L), -1, "no field with that number"},
  };
  _RecordsetPtr client(u"ADODB.Recordset");
  client->PutCursorLocation(adUseClient);
  client->Open(sql.c_str(), _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenStatic, adLockOptimistic,
               adCmdText);
  _RecordsetPtr forward = c->Execute(sql.c_str(), nullptr, adCmdText);
  const long values[] = {1, -1, 7, 7};  // -1: the text "w"
  const std::u16string names[] = {u"État", u"workname", u"Workname2", u"ÉTAT"};
  for (_Recordset* rs : {client.GetInterfacePtr(), forward.GetInterfacePtr()}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(k.what);
      if (k.field < 0) {
        EXPECT_NE(ErrorOf([&] { rs->GetCollect(k.index); }).find(k.error), std::string::npos);
        EXPECT_NE(ErrorOf([&] { rs->GetFields()->GetItem(k.index); }).find(k.error), std::string::npos);
        continue;
      }
      FieldPtr f = rs->GetFields()->GetItem(k.index);
      EXPECT_EQ(Wide(static_cast<const char*>(f->GetName())), names[k.field]);
      _variant_t v = rs->GetCollect(k.index);
      if (values[k.field] < 0) EXPECT_EQ(std::string(static_cast<const char*>(_bstr_t(v))), "w");
      else EXPECT_EQ(static_cast<long>(v), values[k.field]);
    }
  }
}

TEST(RowReading, ValuesReadInEachStateOfARecordset) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  c->Execute(u"insert into files (filename,extendionname,taid) values ('a','doc',1)", nullptr, adCmdText);
  c->Execute(u"insert into files (filename,extendionname,taid) values ('b','xls',1)", nullptr, adCmdText);
  _RecordsetPtr rs(u"ADODB.Recordset");
  rs->PutCursorLocation(adUseClient);
  rs->Open(u"select filename,taid from files order by fid", _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())),
           adOpenStatic, adLockOptimistic, adCmdText);
  FieldPtr name = rs->GetFields()->GetItem(u"filename");
  auto text = [](const _variant_t& v) {
    return v.vt == VT_NULL ? std::string("NULL") : std::string(static_cast<const char*>(_bstr_t(v)));
  };
  // What Value, GetCollect and OriginalValue show, or the error they all give.
  auto reads = [&]() -> std::string {
    std::string error = ErrorOf([&] { name->GetValue(); });
    if (!error.empty()) {
      EXPECT_EQ(ErrorOf([&] { rs->GetCollect(u"filename"); }), error);
      return "error: " + error;
    }
    EXPECT_EQ(text(rs->GetCollect(u"filename")), text(name->GetValue()));
    return text(name->GetValue()) + " / original " + text(name->GetOriginalValue());
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* expect;  // what reads() returns (prefix for errors)
  };
  const Step steps[] = {
      {"first row", [] {}, "a / original a"},
      {"a change not yet written", [&] { name->PutValue(u"changed"); }, "changed / original a"},
      {"change cancelled", [&] { rs->CancelUpdate(); }, "a / original a"},
      {"new row before Update", [&] { rs->AddNew(); }, "NULL / original NULL"},
      {"new row with a value", [&] { name->PutValue(u"new"); }, "new / original NULL"},
      {"new row written", [&] { rs->Update(); }, "new / original new"},
      {"after the last row", [&] { rs->MoveNext(); }, "error: There is no current row"},
      {"before the first row",
       [&] {
         rs->MoveFirst();
         rs->MovePrevious();
       },
       "error: There is no current row"},
      {"second row",
       [&] {
         rs->MoveFirst();
         rs->MoveNext();
       },
       "b / original b"},
      {"closed", [&] { rs->Close(); }, "error: The operation is not allowed while the object is closed"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    std::string got = reads();
    EXPECT_EQ(got.substr(0, std::strlen(s.expect)), s.expect) << got;
  }
}

TEST(RowReading, NamesReadInAnyOrderFindTheFirstFieldOfTheirName) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  for (int i = 1; i <= 4; ++i)
    c->ExecuteWithParameters(u"insert into things (workname,worktype) values (?,?)",
                             {_variant_t(u"w"), _variant_t(static_cast<long>(i * 10))});
  // Fields 0 and 3 have one name in two cases: either spelling is field 0.
  const std::u16string sql =
      u"select tid as [État], workname, worktype as [Workname2], worktype + 100 as [ÉTAT] from things order by tid";
  struct Order {
    const char* what;
    std::vector<const char16_t*> names;
    std::vector<int> fields;  // the field each name reads
  };
  const Order orders[] = {
      {"in order", {u"État", u"workname", u"Workname2", u"ÉTAT"}, {0, 1, 2, 0}},
      {"the later spelling right after the field before it", {u"Workname2", u"ÉTAT", u"workname"}, {2, 0, 1}},
      {"backwards", {u"ÉTAT", u"Workname2", u"workname", u"État"}, {0, 2, 1, 0}},
      {"one name again and again", {u"workname", u"workname", u"Workname2", u"Workname2"}, {1, 1, 2, 2}},
      {"another case", {u"WORKNAME", u"workname2", u"état"}, {1, 2, 0}},
  };
  // What field `f` of row `row` (from 1) holds, as text.
  auto want = [](int f, int row) {
    const std::u16string values[] = {std::u16string(1, static_cast<char16_t>(u'0' + row)), u"w",
                                     Wide(std::to_string(row * 10))};
    return values[f];
  };
  for (bool client : {false, true}) {
    for (const Order& o : orders) {
      SCOPED_TRACE(std::string(client ? "client cursor, " : "Execute, ") + o.what);
      _RecordsetPtr rs;
      if (client) {
        rs.CreateInstance(u"ADODB.Recordset");
        rs->PutCursorLocation(adUseClient);
        rs->Open(sql.c_str(), _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenStatic, adLockOptimistic,
                 adCmdText);
      } else {
        rs = c->Execute(sql.c_str(), nullptr, adCmdText);
      }
      std::vector<_variant_t> names(o.names.begin(), o.names.end());
      int row = 1;
      for (; !rs->GetadoEOF(); rs->MoveNext(), ++row)
        for (size_t k = 0; k < names.size(); ++k) {
          _variant_t v = rs->GetCollect(names[k]);
          EXPECT_EQ(Wide(static_cast<const char*>(_bstr_t(v))), want(o.fields[k], row))
              << "row " << row << ", " << Narrow(o.names[k]);
        }
      EXPECT_EQ(row, 5);
    }
  }
  // The same recordset opened again on fewer fields still finds them.
  _RecordsetPtr rs(u"ADODB.Recordset");
  rs->PutCursorLocation(adUseClient);
  rs->Open(sql.c_str(), _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenStatic, adLockOptimistic,
           adCmdText);
  (void)rs->GetCollect(u"ÉTAT");
  (void)rs->GetCollect(u"Workname2");
  rs->Close();
  rs->Open(u"select worktype as [ÉTAT] from things order by tid",
           _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenStatic, adLockOptimistic, adCmdText);
  EXPECT_EQ(static_cast<long>(rs->GetCollect(u"ÉTAT")), 10);
  EXPECT_NE(ErrorOf([&] { rs->GetCollect(u"Workname2"); }).find("is not in this recordset"), std::string::npos);
}

TEST(RowReading, AForwardWalkReportsAFailureOfTheStatementAndEndsCleanly) {
  TempDir dir;
  _ConnectionPtr c = CreateDatabase(dir.File("qty.tgd"));
  const char16_t* details[] = {u"2020-01-05", u"2021-02-06", u"2022-03-07", u"2023-04-08", u"not a date"};
  for (const char16_t* d : details)
    c->ExecuteWithParameters(u"insert into details (no1,taid,detail) values (1,1,?)", {_variant_t(d)});
  // Rows are computed as the walk moves: the fifth fails inside the statement.
  _RecordsetPtr rs = c->Execute(u"select year(detail) from details order by did", nullptr, adCmdText);
  std::vector<long> years;
  std::string error;
  while (error.empty() && !rs->GetadoEOF()) {
    years.push_back(static_cast<long>(rs->GetCollect(0L)));
    error = ErrorOf([&] { rs->MoveNext(); });
  }
  EXPECT_EQ(years, (std::vector<long>{2020, 2021, 2022, 2023}));
  EXPECT_NE(error.find("mismatch"), std::string::npos) << error;
  // The failed walk has ended: moving again does not start the statement over.
  EXPECT_TRUE(rs->GetadoEOF());
  EXPECT_NE(ErrorOf([&] { rs->MoveNext(); }).find("no current row"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { rs->GetCollect(0L); }).find("no current row"), std::string::npos);

  // A walk that ends has no current row, by number, by name or through a field.
  _RecordsetPtr ok = c->Execute(u"select taid from details where did < 3 order by did", nullptr, adCmdText);
  FieldPtr taid = ok->GetFields()->GetItem(0L);
  long rows = 0;
  for (; !ok->GetadoEOF(); ok->MoveNext()) rows += static_cast<long>(taid->GetValue());
  EXPECT_EQ(rows, 2);
  for (auto read : std::initializer_list<std::function<void()>>{
           [&] { ok->GetCollect(0L); }, [&] { ok->GetCollect(u"taid"); }, [&] { taid->GetValue(); }})
    EXPECT_NE(ErrorOf(read).find("no current row"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { ok->MoveNext(); }).find("no current row"), std::string::npos);
}

}  // namespace
