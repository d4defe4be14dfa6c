// The ADO layer against raw SQLite on the same statements.
//
// Each benchmark times the layer (manual time) and runs the raw SQLite
// baseline in the same iteration; the counter "x_raw" is layer time / raw
// time (the goal is under 1.5). The bulk insert and the walks are timed in
// thread CPU time, which a busy machine disturbs less than wall time; the
// small transactions are timed on the wall clock, since they wait for the
// disk. Files go to $PV_BENCH_DIR or /tmp, on a real disk so that the
// per-commit sync is real.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_once.h"
#include "platform/ado/ado.h"
#include "platform/base/utf.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds of CPU time of this thread.
double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
double WallNow() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }
double Now(bool cpu) { return cpu ? CpuNow() : WallNow(); }

std::string Dir() {
  const char* d = std::getenv("PV_BENCH_DIR");
  return d ? d : "/tmp";
}

std::string FreshDatabase(const char* name) {
  std::string path = Dir() + "/" + name + "-" + std::to_string(getpid()) + ".tgd";
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  std::u16string cs = u"Provider=Bench;Data Source=" + pv::Utf8ToUtf16(path);
  _CatalogPtr catalog(u"ADOX.Catalog");
  catalog->Create(cs.c_str());
  _ConnectionPtr c(catalog->GetActiveConnection());
  c->Execute(u"CREATE TABLE DETAILS(did COUNTER PRIMARY KEY,no1 BYTE,taid LONG,detail MEMO)", nullptr, adCmdText);
  c->Close();
  return path;
}

void Remove(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

std::u16string Cs(const std::string& path) { return u"Provider=Bench;Data Source=" + pv::Utf8ToUtf16(path); }

std::string InsertText(int i) {
  return "insert into details (no1,taid,detail) values (1," + std::to_string(i) + ",'detail text of row " +
         std::to_string(i) + "')";
}

sqlite3* RawOpen(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  return db;
}

// Raw baseline: each statement text prepared, stepped and finalized, as a
// program without the layer would run the same SQL.
double RawInserts(const std::string& path, int n, bool oneTransaction) {
  sqlite3* db = RawOpen(path);
  double t0 = Now(oneTransaction);
  if (oneTransaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < n; ++i) {
    if (!oneTransaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    std::string sql = InsertText(i);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    sqlite3_step(s);
    sqlite3_finalize(s);
    if (!oneTransaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  if (oneTransaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  double seconds = Now(oneTransaction) - t0;
  sqlite3_close_v2(db);
  return seconds;
}

double LayerInserts(const std::string& path, int n, bool oneTransaction) {
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(Cs(path).c_str(), u"", u"", -1);
  std::vector<std::u16string> texts;
  texts.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) texts.push_back(pv::Utf8ToUtf16(InsertText(i)));
  double t0 = Now(oneTransaction);
  if (oneTransaction) c->BeginTrans();
  for (int i = 0; i < n; ++i) {
    if (!oneTransaction) c->BeginTrans();
    c->Execute(texts[static_cast<size_t>(i)].c_str(), nullptr, adCmdText);
    if (!oneTransaction) c->CommitTrans();
  }
  if (oneTransaction) c->CommitTrans();
  double seconds = Now(oneTransaction) - t0;
  c->Close();
  return seconds;
}

void BM_Insert100kInOneTransaction(benchmark::State& state) {
  const int n = BenchSize(100000);
  double raw = 0, layer = 0;
  for (auto _ : state) {
    std::string a = FreshDatabase("bench-raw"), b = FreshDatabase("bench-layer");
    raw += RawInserts(a, n, true);
    double t = LayerInserts(b, n, true);
    layer += t;
    state.SetIterationTime(t);
    Remove(a);
    Remove(b);
  }
  state.counters["x_raw"] = layer / raw;
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(n) * state.iterations() / layer);
}
BENCHMARK(BM_Insert100kInOneTransaction)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

void BM_SmallTransactionsPerSecond(benchmark::State& state) {
  const int n = BenchSize(500);
  double raw = 0, layer = 0;
  for (auto _ : state) {
    std::string a = FreshDatabase("bench-raw"), b = FreshDatabase("bench-layer");
    raw += RawInserts(a, n, false);
    double t = LayerInserts(b, n, false);
    layer += t;
    state.SetIterationTime(t);
    Remove(a);
    Remove(b);
  }
  state.counters["x_raw"] = layer / raw;
  state.counters["commits/s"] = static_cast<double>(n) * state.iterations() / layer;
  state.counters["raw_commits/s"] = static_cast<double>(n) * state.iterations() / raw;
}
BENCHMARK(BM_SmallTransactionsPerSecond)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

// Walk of 10^5 rows reading every column.
//
// The raw baseline opens its connection as a program would by default
// (SQLite's serialized mode: every call takes the connection's mutex); the
// layer opens its connections without that mutex, since its objects are
// used by one thread at a time. "x_raw_nomutex" compares with a raw loop
// opened the same way, i.e. the layer's own cost alone.
double RawWalk(const std::string& path, bool noMutex, long long* sink) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | (noMutex ? SQLITE_OPEN_NOMUTEX : 0), nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  double t0 = CpuNow();
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "select did,no1,taid,detail from details", -1, &s, nullptr);
  while (sqlite3_step(s) == SQLITE_ROW) {
    *sink += sqlite3_column_int(s, 0) + sqlite3_column_int(s, 1) + sqlite3_column_int(s, 2);
    const void* text = sqlite3_column_text16(s, 3);
    *sink += sqlite3_column_bytes16(s, 3) + (text != nullptr);
  }
  sqlite3_finalize(s);
  double t = CpuNow() - t0;
  sqlite3_close_v2(db);
  return t;
}

// How the layer is read: Field objects fetched once (0), or GetCollect with
// the field's name on every row, as the program's views read (1).
double LayerWalk(const std::string& path, bool client, int access, long long* sink) {
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(Cs(path).c_str(), u"", u"", -1);
  double t0 = CpuNow();
  _RecordsetPtr rs;
  if (client) {
    rs.CreateInstance(u"ADODB.Recordset");
    rs->PutCursorLocation(adUseClient);
    rs->Open(u"select did,no1,taid,detail from details", _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())),
             adOpenDynamic, adLockPessimistic, adCmdText);
  } else {
    _RecordsetPtr r = c->Execute(u"select did,no1,taid,detail from details", nullptr, adCmdText);
    rs.Attach(r.Detach());
  }
  if (access == 0) {
    FieldsPtr fields = rs->GetFields();
    FieldPtr f0 = fields->GetItem(0L), f1 = fields->GetItem(1L), f2 = fields->GetItem(2L), f3 = fields->GetItem(3L);
    while (!rs->GetadoEOF()) {
      *sink += static_cast<long>(f0->GetValue()) + static_cast<long>(f1->GetValue()) + static_cast<long>(f2->GetValue());
      _variant_t text = f3->GetValue();
      *sink += SysStringLen(text.bstrVal);
      rs->MoveNext();
    }
  } else {
    const _variant_t did(u"did"), no1(u"no1"), taid(u"taid"), detail(u"detail");
    while (!rs->GetadoEOF()) {
      *sink += static_cast<long>(rs->GetCollect(did)) + static_cast<long>(rs->GetCollect(no1)) +
               static_cast<long>(rs->GetCollect(taid));
      _variant_t text = rs->GetCollect(detail);
      *sink += SysStringLen(text.bstrVal);
      rs->MoveNext();
    }
  }
  rs->Close();
  return CpuNow() - t0;
}

void Walk(benchmark::State& state, int access) {
  const int n = BenchSize(100000);
  std::string path = FreshDatabase("bench-walk");
  LayerInserts(path, n, true);
  const bool client = state.range(0) != 0;
  // The fastest iteration of each side: a busy machine only ever slows one down.
  double raw = 1e9, rawNoMutex = 1e9, layer = 1e9;
  long long sink = 0;
  for (auto _ : state) {
    raw = std::min(raw, RawWalk(path, false, &sink));
    rawNoMutex = std::min(rawNoMutex, RawWalk(path, true, &sink));
    double t = LayerWalk(path, client, access, &sink);
    layer = std::min(layer, t);
    state.SetIterationTime(t);
  }
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = layer / raw;
  state.counters["x_raw_nomutex"] = layer / rawNoMutex;
  Remove(path);
}

void BM_Walk100k(benchmark::State& state) { Walk(state, 0); }
BENCHMARK(BM_Walk100k)->Arg(0)->Arg(1)->ArgName("client")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(10));

// The same reading each value by its field's name.
void BM_Walk100kByName(benchmark::State& state) { Walk(state, 1); }
BENCHMARK(BM_Walk100kByName)->Arg(0)->Arg(1)->ArgName("client")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(10));

}  // namespace
