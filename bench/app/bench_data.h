// Shared by the organiser's benchmarks: a program folder with a generated
// database, and the reads start-up does, through raw SQLite as the baseline.
#pragma once

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "bench/bench_once.h"
#include "app/data/datastore.h"
#include "app/data/des.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"

namespace appbench {

using Clock = std::chrono::steady_clock;
inline double Now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

inline std::string Dir() {
  const char* d = std::getenv("PV_BENCH_DIR");
  return d ? d : "/tmp";
}

// A fresh program folder with an empty database made by the store.
inline std::string FreshFolder(const char* name) {
  std::string folder = Dir() + "/" + name + "-" + std::to_string(getpid());
  std::string cmd = "rm -rf '" + folder + "' && mkdir -p '" + folder + "'";
  if (std::system(cmd.c_str()) != 0) std::abort();
  setenv("PRAVENOR_HOME", folder.c_str(), 1);
  CDataStore store;
  store.OpenDatabase();
  return folder;
}

// Removes a folder made by FreshFolder. Settings changes still waiting are
// written first and the registry forgotten, so that no later flush (at the
// latest the one at exit) makes the folder again.
inline void RemoveFolder(const std::string& folder) {
  pv::FlushRegistry();
  pv::ResetRegistryForTests();
  pv::ResetProfilesForTests();
  std::string cmd = "rm -rf '" + folder + "'";
  if (std::system(cmd.c_str()) != 0) std::abort();
}

inline sqlite3* RawOpen(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  return db;
}

inline int RawScalar(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  int v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
  sqlite3_finalize(s);
  return v;
}

// A fresh program folder (see FreshFolder) whose database holds 10^4 works,
// names enciphered under their start dates' keys, started in the years
// firstYear to firstYear + years - 1, and 10^5 tasks, task i dated on
// taskDay(i).
template <class TaskDay>
std::string MakeWorksAndTasks(const char* name, int firstYear, int years, TaskDay taskDay) {
  std::string folder = FreshFolder(name);
  sqlite3* db = RawOpen(folder + "/qty.tgd");
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* work = nullptr;
  sqlite3_prepare_v2(db, "insert into THINGS (tid,workname,worktype,starttime) values (?,?,?,?)", -1, &work, nullptr);
  CDES des;
  const int works = BenchSize(10000);
  for (int i = 1; i <= works; ++i) {
    COleDateTime start(firstYear + i % years, 1 + i % 12, 1 + i % 28, 9, i % 60, 0);
    CString name;
    name.Format(u"Work number %d of the bench", i);
    CString cipher = des.TransformText(name, GetWorkNameKey(start), 0);
    sqlite3_bind_int(work, 1, i);
    sqlite3_bind_text16(work, 2, cipher.GetString(), cipher.GetLength() * 2, SQLITE_TRANSIENT);
    sqlite3_bind_int(work, 3, 1 + i % 3);
    sqlite3_bind_double(work, 4, static_cast<DATE>(start));
    sqlite3_step(work);
    sqlite3_reset(work);
  }
  sqlite3_finalize(work);
  sqlite3_stmt* task = nullptr;
  sqlite3_prepare_v2(db, "insert into TASK (tasktitle,tid,tasktype,tasktime) values (?,?,?,?)", -1, &task, nullptr);
  for (int i = 1, tasks = BenchSize(100000); i <= tasks; ++i) {
    std::u16string title = pv::Utf8ToUtf16("Task " + std::to_string(i));
    sqlite3_bind_text16(task, 1, title.data(), static_cast<int>(title.size() * 2), SQLITE_TRANSIENT);
    sqlite3_bind_int(task, 2, 1 + i % works);
    sqlite3_bind_int(task, 3, 1 + i % 2);
    sqlite3_bind_double(task, 4, taskDay(i));
    sqlite3_step(task);
    sqlite3_reset(task);
  }
  sqlite3_finalize(task);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  return folder;
}

// 10^4 works started from 2010 and 10^5 tasks.
inline std::string MakeLargeDatabase() {
  return MakeWorksAndTasks("app-bench-startup", 2010, 10, [](int i) { return 40000 + i % 3000; });
}

inline const char16_t* const kWorkQuery =
    u"select workname,starttime,tid from things where worktype=%d and workname<>'Enter Work Name'";
inline const char16_t* const kJoinQuery =
    u"SELECT workname,starttime,tasktitle,tasktime,taid,tasktype FROM things INNER JOIN task ON things.tid=task.tid "
    u"order by tasktime,things.tid";
inline const char16_t* const kReminderQuery =
    u"select content,RemindDate,RemindTime,NumberOfTimes,separation,taid,rid,executenumber,message,sendnumber,"
    u"submitted from remind where  effect<>0";

inline long long StoreStartUpReads() {
  long long sink = 0;
  CDES des;
  CDataStore store;
  store.OpenDatabase();
  auto walk = [&](const CString& sql, bool tasks) {
    _RecordsetPtr rs(u"ADODB.Recordset");
    store.OpenRecordset(sql, rs);
    FieldsPtr fields = rs->GetFields();
    long count = fields->GetCount();
    while (!rs->GetadoEOF()) {
      if (count >= 2) {
        _variant_t name = rs->GetCollect(_variant_t(u"workname"));
        COleDateTime start(rs->GetCollect(_variant_t(u"starttime")));
        CString plain = des.TransformText(CString(std::u16string_view(name.bstrVal, SysStringLen(name.bstrVal))),
                                          GetWorkNameKey(start), 1);
        sink += plain.GetLength();
      }
      if (tasks) sink += static_cast<long>(rs->GetCollect(_variant_t(u"taid")));
      rs->MoveNext();
    }
    rs->Close();
  };
  for (int type = 1; type <= 3; ++type) {
    CString sql;
    sql.Format(kWorkQuery, type);
    walk(sql, false);
  }
  walk(kJoinQuery, true);
  _RecordsetPtr rs(u"ADODB.Recordset");
  store.OpenRecordset(kReminderQuery, rs);
  sink += rs->GetadoEOF() ? 0 : 1;
  rs->Close();
  return sink;
}

// `onceEachWork`: decipher each work's name once (as the trees do), not
// once per row.
inline long long RawStartUpReads(const std::string& path, bool onceEachWork = false) {
  std::map<std::pair<std::u16string, double>, CString> names;
  long long sink = 0;
  CDES des;
  sqlite3* db = RawOpen(path);
  auto walk = [&](const std::string& sql, bool tasks) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
      const char16_t* name = static_cast<const char16_t*>(sqlite3_column_text16(s, 0));
      int units = sqlite3_column_bytes16(s, 0) / 2;
      COleDateTime start(sqlite3_column_double(s, 1));
      std::u16string stored(name, static_cast<std::size_t>(units));
      auto known = names.find({stored, sqlite3_column_double(s, 1)});
      if (!onceEachWork || known == names.end()) {
        CString plain = des.TransformText(CString(std::u16string_view(stored)), GetWorkNameKey(start), 1);
        if (onceEachWork) known = names.emplace(std::make_pair(stored, sqlite3_column_double(s, 1)), plain).first;
        sink += plain.GetLength();
      } else {
        sink += known->second.GetLength();
      }
      if (tasks) sink += sqlite3_column_int(s, 4);
    }
    sqlite3_finalize(s);
  };
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int type = 1; type <= 3; ++type)
    walk("select workname,starttime,tid from things where worktype=" + std::to_string(type) +
             " and workname<>'Enter Work Name'",
         false);
  walk(pv::Utf16ToUtf8(kJoinQuery), true);
  sink += RawScalar(db, "select count(*) from remind where effect<>0");
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  return sink;
}

}  // namespace appbench
