// Shared fixtures of the ADO tests: a temporary folder, the application's
// schema, and a second, raw SQLite connection to check what reached the file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ado/ado.h"
#include "platform/base/utf.h"
#include "tests/support/raw_sqlite.h"
#include "tests/support/temp_home.h"

namespace adotest {

inline std::string Narrow(const std::u16string& s) { return pv::Utf16ToUtf8(s); }
inline std::u16string Wide(const std::string& s) { return pv::Utf8ToUtf16(s); }

// A fresh folder for one test's database files.
class TempDir : public pvtest::TempFolder {
 public:
  TempDir() : TempFolder("pv_ado") {}
};

// The application's eight tables, in their creation order.
inline const std::vector<std::pair<const char16_t*, const char16_t*>>& Schema() {
  static const std::vector<std::pair<const char16_t*, const char16_t*>> tables = {
      {u"THINGS",
       u"CREATE TABLE %s(tid COUNTER PRIMARY KEY,workname TEXT(80),worktype INTEGER,starttime DATETIME,remarks "
       u"TEXT(10))"},
      {u"USERS", u"CREATE TABLE %s(uid COUNTER PRIMARY KEY,username TEXT(40),pwd TEXT(20),safety TEXT(20))"},
      {u"FINANCIAL",
       u"CREATE TABLE %s(fiid LONG,Item TEXT(30),income SINGLE,expenditure SINGLE,remarks TEXT(40),taid LONG)"},
      {u"STATISTICS",
       u"CREATE TABLE %s(sid COUNTER PRIMARY KEY,taid LONG,name1 TEXT(20),data1 FLOAT,name2 TEXT(20),data2 FLOAT,name3 "
       u"TEXT(20),data3 FLOAT,name4 TEXT(20),data4 FLOAT,name5 TEXT(20),data5 FLOAT,nam6 TEXT(20),data6 FLOAT)"},
      {u"FILES", u"CREATE TABLE %s(fid COUNTER PRIMARY KEY,filename TEXT(40),extendionname TEXT(5),taid LONG)"},
      {u"REMIND",
       u"CREATE TABLE %s(rid COUNTER PRIMARY KEY,content TEXT(60),RemindDate DATETIME,RemindTime "
       u"DATETIME,NumberOfTimes LONG,separation LONG,executenumber integer,message logical,effect logical,submitted "
       u"logical,sendnumber INTEGER,phonenumber TEXT(13),taid LONG,remarks TEXT(10))"},
      {u"DETAILS", u"CREATE TABLE %s(did COUNTER PRIMARY KEY,no1 BYTE,taid LONG,detail MEMO)"},
      {u"TASK",
       u"CREATE TABLE %s(taid COUNTER PRIMARY KEY,tasktitle TEXT(40),personnel TEXT(30),place TEXT(20),tasktime "
       u"DATETIME,brief TEXT(255),tid LONG,tasktype INTEGER,remark TEXT(10))"},
  };
  return tables;
}

inline std::u16string Format1(const char16_t* format, const char16_t* arg) {
  std::u16string f(format);
  size_t p = f.find(u"%s");
  f.replace(p, 2, arg);
  return f;
}

inline std::u16string ConnectionString(const std::string& path) {
  return u"Provider=Test.Provider;Data Source=" + Wide(path);
}

// Creates the file through the catalog and its tables through the connection.
inline _ConnectionPtr CreateDatabase(const std::string& path) {
  _CatalogPtr catalog(u"ADOX.Catalog");
  catalog->Create(ConnectionString(path).c_str());
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(ConnectionString(path).c_str(), u"", u"", -1);
  for (const auto& [name, ddl] : Schema()) c->Execute(Format1(ddl, name).c_str(), nullptr, adCmdText);
  return c;
}

using RawDb = pvtest::RawSqlite;

// The description of the _com_error `f` raises ("" when it raises none).
template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const _com_error& e) {
    _bstr_t d = e.Description();
    return d.length() ? std::string(static_cast<const char*>(d)) : "(no description)";
  }
  return "";
}

}  // namespace adotest
