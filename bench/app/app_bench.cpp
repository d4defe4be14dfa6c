// The organiser's data store against raw SQLite on the same work.
//
// - BM_InsertAndGetMaxId: 10^4 calls, each its own transaction (INSERT, then
//   "select max(tid) from things", commit), as every user action runs; the
//   baseline does the same statements with sqlite3 prepare/step/finalize
//   and BEGIN/COMMIT, in WAL mode with synchronous=FULL like the layer.
// - BM_StartUpReads: what start-up reads before the main window is complete
//   with 10^4 works and 10^5 tasks: open the file, list the works of each
//   kind and all tasks joined with their works (deciphering every work name),
//   and the live reminders. The baseline runs the same queries in SQLite and
//   deciphers the same names.
// The counter "x_raw" is store time / raw time. Files go to $PV_BENCH_DIR or
// /tmp (a real disk, so that each commit's sync is real).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench_once.h"
#include "bench_data.h"
#include "app/data/datastore.h"
#include "app/data/des.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"

namespace {

using namespace appbench;

void BM_InsertAndGetMaxId(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double raw = 0, layer = 0;
  long long sink = 0;
  for (auto _ : state) {
    std::string a = FreshFolder("app-bench-raw");
    {
      sqlite3* db = RawOpen(a + "/qty.tgd");
      double t0 = Now();
      for (int i = 0; i < n; ++i) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::string sql =
            "insert into things (workname,worktype,starttime) values ('work " + std::to_string(i) + "',1,41359.5)";
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
        sqlite3_step(s);
        sqlite3_finalize(s);
        sink += RawScalar(db, "select max(tid) from things");
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      }
      raw += Now() - t0;
      sqlite3_close_v2(db);
    }
    RemoveFolder(a);

    std::string b = FreshFolder("app-bench-store");
    {
      CDataStore store;
      store.OpenDatabase();
      double t0 = Now();
      for (int i = 0; i < n; ++i) {
        CString sql;
        sql.Format(u"insert into things (workname,worktype,starttime) values (%s,1,#2013-03-26 12:00:00#)",
                   CDataStore::Quote(CString(("work " + std::to_string(i)).c_str())).GetString());
        sink += store.InsertAndGetMaxId(sql, u"select max(tid) from things");
      }
      double t = Now() - t0;
      layer += t;
      state.SetIterationTime(t);
    }
    RemoveFolder(b);
  }
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = layer / raw;
  state.counters["calls/s"] = static_cast<double>(n) * state.iterations() / layer;
  state.counters["raw_calls/s"] = static_cast<double>(n) * state.iterations() / raw;
}
BENCHMARK(BM_InsertAndGetMaxId)->Arg(BenchSize(10000))->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StartUpReads(benchmark::State& state) {
  std::string folder = MakeLargeDatabase();
  double raw = 0, layer = 0;
  long long sink = 0;
  for (auto _ : state) {
    double t0 = Now();
    sink += RawStartUpReads(folder + "/qty.tgd");
    raw += Now() - t0;
    t0 = Now();
    sink += StoreStartUpReads();
    double t = Now() - t0;
    layer += t;
    state.SetIterationTime(t);
  }
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = layer / raw;
  RemoveFolder(folder);
}
BENCHMARK(BM_StartUpReads)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

}  // namespace
