// Building today's reminder list against raw SQLite reading the same rows.
//
// BM_BuildTodayReminders/<rows>/<short steps>: 10^5 REMIND rows (single
// reminders over a month, finite series by day and hour, unbounded series
// hourly to yearly, or of every step code with short steps 1), and
// the build for one morning: the expiry scan's query and the builder's
// query walked through the data store, every series expanded for the day,
// the list sorted. The baseline walks the same two queries with one
// prepared statement each and reads every column, expanding nothing.
// The counter "x_raw" is the median over the iterations of build time / raw
// time, both the thread's CPU time (the machine is shared: waiting for a
// core is not the code's cost); "x_raw_wall" the same of wall-clock times.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/reminders/remind.h"
#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "bench_data.h"

namespace {

using namespace appbench;

double CpuNow() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

const char* const kScanQuery =
    "select rid,RemindDate,RemindTime,NumberOfTimes,separation from remind where effect<>0 and NumberOfTimes<>3";
const char* const kBuildQuery =
    "select content,RemindDate,RemindTime,NumberOfTimes,separation,taid,rid,executenumber,message,sendnumber,"
    "submitted from remind where effect<>0";

// `shortSteps`: the unbounded series take every step code, 5 minutes on
// (a fifth of the day's occurrences then come from 5-minute series);
// otherwise hourly to yearly ones only.
std::string MakeReminderDatabase(int rows, bool shortSteps) {
  std::string folder = FreshFolder("app-bench-remind");
  sqlite3* db = RawOpen(folder + "/qty.tgd");
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db,
                     "insert into REMIND (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,executenumber,"
                     "message,sendnumber,effect,submitted) values (?,?,?,?,?,?,-1,?,0,-1,0)",
                     -1, &s, nullptr);
  const double firstDay = static_cast<DATE>(COleDateTime(2026, 3, 1, 0, 0, 0));
  for (int i = 0; i < rows; ++i) {
    int kind = i % 10, times = 0, separation = 0;
    double day = firstDay + i % 30;  // a month of single reminders
    if (kind == 6) times = 2, separation = 8, day = firstDay + 7 + i % 5;
    if (kind == 7) times = 2, separation = 3, day = firstDay + 9;
    if (kind == 8) times = 3, separation = 8, day = firstDay - i % 400;
    if (kind == 9) times = 3, separation = shortSteps ? (i / 10) % 12 : 3 + (i / 10) % 9, day = firstDay - i % 700;
    std::u16string content = pv::Utf8ToUtf16("Reminder " + std::to_string(i));
    sqlite3_bind_text16(s, 1, content.data(), static_cast<int>(content.size() * 2), SQLITE_TRANSIENT);
    sqlite3_bind_double(s, 2, day);
    sqlite3_bind_double(s, 3, (i % 1440) / 1440.0);
    sqlite3_bind_int(s, 4, times);
    sqlite3_bind_int(s, 5, separation);
    sqlite3_bind_int(s, 6, 1 + i % 5000);
    sqlite3_bind_int(s, 7, i % 3 == 0 ? -1 : 0);
    sqlite3_step(s);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  return folder;
}

long long RawWalk(sqlite3_stmt* s, bool allColumns) {
  long long sink = 0;
  while (sqlite3_step(s) == SQLITE_ROW) {
    if (allColumns) {
      sink += sqlite3_column_bytes16(s, 0);
      sqlite3_column_text16(s, 0);
      sink += static_cast<long long>(sqlite3_column_double(s, 1) + sqlite3_column_double(s, 2));
      for (int c = 3; c <= 10; ++c) sink += sqlite3_column_int(s, c);
    } else {
      sink += sqlite3_column_int(s, 0) + static_cast<long long>(sqlite3_column_double(s, 1)) +
              static_cast<long long>(sqlite3_column_double(s, 2)) + sqlite3_column_int(s, 3) + sqlite3_column_int(s, 4);
    }
  }
  sqlite3_reset(s);
  return sink;
}

void BM_BuildTodayReminders(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  std::string folder = MakeReminderDatabase(rows, state.range(1) != 0);
  const COleDateTime now(2026, 3, 10, 8, 0, 0);
  CDataStore store;
  store.OpenDatabase();
  {
    CArray<RemindSTR> warm;  // the first scan switches off what is over; later ones find nothing
    AppendTodayReminders(store, now, warm);
  }
  sqlite3* db = RawOpen(folder + "/qty.tgd");
  sqlite3_stmt *scan = nullptr, *build = nullptr;
  sqlite3_prepare_v2(db, kScanQuery, -1, &scan, nullptr);
  sqlite3_prepare_v2(db, kBuildQuery, -1, &build, nullptr);
  std::vector<double> ratios, wallRatios;
  long long sink = 0;
  INT_PTR occurrences = 0;
  for (auto _ : state) {
    double w0 = Now(), t0 = CpuNow();
    double raw, rawWall;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sink += RawWalk(scan, false);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sink += RawWalk(build, true);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    raw = CpuNow() - t0;
    rawWall = Now() - w0;

    w0 = Now(), t0 = CpuNow();
    CArray<RemindSTR> list;
    AppendTodayReminders(store, now, list);
    ratios.push_back((CpuNow() - t0) / raw);
    double t = Now() - w0;
    wallRatios.push_back(t / rawWall);
    occurrences = list.GetSize();
    state.SetIterationTime(t);
  }
  sqlite3_finalize(scan);
  sqlite3_finalize(build);
  sqlite3_close_v2(db);
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = Median(ratios);
  state.counters["x_raw_wall"] = Median(wallRatios);
  state.counters["occurrences"] = static_cast<double>(occurrences);
  store.CloseDatabase();
  RemoveFolder(folder);
}
BENCHMARK(BM_BuildTodayReminders)
    ->Args({BenchSize(100000), 0})
    ->Args({BenchSize(100000), 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(10));

}  // namespace
