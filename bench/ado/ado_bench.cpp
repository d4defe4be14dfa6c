// The ADO layer against raw SQLite doing the same work, in pairs that
// compare like with like: the same file, the same statements, connections
// opened the same way (without SQLite's per-call mutex, as the layer opens
// its own), and the raw side written as a careful program would write it
// (one prepared statement re-used with bound values).
//
// Each iteration runs both sides once, in alternating order; the counter
// "x_raw" is the median over the iterations of layer time / raw time, so a
// burst of load on a shared machine moves one ratio, not the figure. Bulk
// inserts and walks are timed in thread CPU time, small transactions on the
// wall clock (they wait for the disk). Files go to $PV_BENCH_DIR or /tmp.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/ado/ado.h"
#include "platform/base/utf.h"

namespace {

using Clock = BenchClock;

// Seconds of CPU time of this thread.
double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
double WallNow() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }
double Now(bool cpu) { return cpu ? CpuNow() : WallNow(); }

// Page faults this thread has taken so far (fresh memory from the system).
double Faults() {
  rusage usage;
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_minflt + usage.ru_majflt);
}

// Runs `raw` and `layer` once per iteration, alternating which goes first;
// each returns its seconds. Reports the layer's time, the median ratio and
// each side's median page faults.
void Pair(benchmark::State& state, const std::function<double()>& raw, const std::function<double()>& layer) {
  std::vector<double> ratios, rawTimes, layerTimes, rawFaults, layerFaults;
  bool rawFirst = true;
  auto timed = [](const std::function<double()>& side, std::vector<double>& faults) {
    double before = Faults();
    double t = side();
    faults.push_back(Faults() - before);
    return t;
  };
  for (auto _ : state) {
    double r, l;
    if (rawFirst) {
      r = timed(raw, rawFaults);
      l = timed(layer, layerFaults);
    } else {
      l = timed(layer, layerFaults);
      r = timed(raw, rawFaults);
    }
    rawFirst = !rawFirst;
    ratios.push_back(l / r);
    rawTimes.push_back(r);
    layerTimes.push_back(l);
    state.SetIterationTime(l);
  }
  state.counters["x_raw"] = Median(ratios);
  state.counters["raw_ms"] = Median(rawTimes) * 1e3;
  state.counters["layer_ms"] = Median(layerTimes) * 1e3;
  state.counters["raw_faults"] = Median(rawFaults);
  state.counters["layer_faults"] = Median(layerFaults);
}

std::string Dir() {
  const char* d = std::getenv("PV_BENCH_DIR");
  return d ? d : "/tmp";
}

void Remove(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

std::u16string Cs(const std::string& path) { return u"Provider=Bench;Data Source=" + pv::Utf8ToUtf16(path); }

std::string FreshDatabase(const char* name) {
  std::string path = Dir() + "/" + name + "-" + std::to_string(getpid()) + ".tgd";
  Remove(path);
  _CatalogPtr catalog(u"ADOX.Catalog");
  catalog->Create(Cs(path).c_str());
  _ConnectionPtr c(catalog->GetActiveConnection());
  c->Execute(u"CREATE TABLE DETAILS(did COUNTER PRIMARY KEY,no1 BYTE,taid LONG,detail MEMO)", nullptr, adCmdText);
  c->Close();
  return path;
}

// Both sides open their connection this way: read-write, without SQLite's
// per-call mutex, write-ahead log, synchronous=FULL.
sqlite3* RawOpen(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  return db;
}

std::string DetailText(int i) { return "detail text of row " + std::to_string(i); }

std::u16string InsertLiteralText(int i) {
  return pv::Utf8ToUtf16("insert into details (no1,taid,detail) values (1," + std::to_string(i) + ",'" + DetailText(i) +
                         "')");
}

// Raw: one statement prepared once, its values bound and stepped per row.
double RawInserts(const std::string& path, int n, bool oneTransaction) {
  std::vector<std::u16string> details;
  for (int i = 0; i < n; ++i) details.push_back(pv::Utf8ToUtf16(DetailText(i)));
  sqlite3* db = RawOpen(path);
  double t0 = Now(oneTransaction);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "insert into details (no1,taid,detail) values (?,?,?)", -1, &s, nullptr);
  if (oneTransaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < n; ++i) {
    if (!oneTransaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const std::u16string& d = details[static_cast<size_t>(i)];
    sqlite3_bind_int(s, 1, 1);
    sqlite3_bind_int(s, 2, i);
    sqlite3_bind_text16(s, 3, d.data(), static_cast<int>(d.size() * 2), SQLITE_STATIC);
    sqlite3_step(s);
    sqlite3_reset(s);
    if (!oneTransaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  if (oneTransaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(s);
  double seconds = Now(oneTransaction) - t0;
  sqlite3_close_v2(db);
  return seconds;
}

// The layer: ExecuteWithParameters of one text with `?` markers (bound), or
// Execute of a text with the values written in as literals.
double LayerInserts(const std::string& path, int n, bool oneTransaction, bool bound) {
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(Cs(path).c_str(), u"", u"", -1);
  std::vector<std::u16string> texts;
  std::vector<_variant_t> details;
  for (int i = 0; i < n; ++i) {
    if (bound) details.emplace_back(pv::Utf8ToUtf16(DetailText(i)).c_str());
    else texts.push_back(InsertLiteralText(i));
  }
  const _bstr_t insert(u"insert into details (no1,taid,detail) values (?,?,?)");
  const _variant_t one(1L);
  double t0 = Now(oneTransaction);
  if (oneTransaction) c->BeginTrans();
  for (int i = 0; i < n; ++i) {
    if (!oneTransaction) c->BeginTrans();
    if (bound) {
      // The values as the caller holds them (no copy of the text on the caller's side).
      VARIANT values[3] = {one, _variant_t(static_cast<long>(i)), details[static_cast<size_t>(i)]};
      HRESULT hr = c->raw_ExecuteWithParameters(insert, values, 3, nullptr, nullptr);
      if (FAILED(hr)) std::abort();
    } else c->Execute(texts[static_cast<size_t>(i)].c_str(), nullptr, adCmdText);
    if (!oneTransaction) c->CommitTrans();
  }
  if (oneTransaction) c->CommitTrans();
  double seconds = Now(oneTransaction) - t0;
  c->Close();
  return seconds;
}

// 10^5 inserts in one transaction. Arg 1: bound values (the goal: at most
// 1.5 times the raw loop); Arg 0: each statement's text with its values
// written in as literals, which the layer translates every time.
void BM_Insert100kInOneTransaction(benchmark::State& state) {
  const int n = BenchSize(100000);
  const bool bound = state.range(0) != 0;
  std::string a = FreshDatabase("bench-raw"), b = FreshDatabase("bench-layer");
  Pair(
      state,
      [&] {
        Remove(a);
        a = FreshDatabase("bench-raw");
        return RawInserts(a, n, true);
      },
      [&] {
        Remove(b);
        b = FreshDatabase("bench-layer");
        return LayerInserts(b, n, true, bound);
      });
  Remove(a);
  Remove(b);
}
BENCHMARK(BM_Insert100kInOneTransaction)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("bound")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(5));

// Single-insert transactions (BEGIN, INSERT, COMMIT), bound by the disk's sync.
void BM_SmallTransactions(benchmark::State& state) {
  const int n = BenchSize(300);
  std::string a = FreshDatabase("bench-raw"), b = FreshDatabase("bench-layer");
  Pair(
      state, [&] { return RawInserts(a, n, false); }, [&] { return LayerInserts(b, n, false, true); });
  state.counters["commits/s"] = n / (state.counters["layer_ms"] / 1e3);
  Remove(a);
  Remove(b);
}
BENCHMARK(BM_SmallTransactions)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

// Walk of 10^5 rows reading every column (four: COUNTER, BYTE, LONG, MEMO).
constexpr const char16_t* kWalkSql = u"select did,no1,taid,detail from details";

double RawWalk(const std::string& path, long long* sink) {
  sqlite3* db = RawOpen(path);
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

// A row as a careful program holds a result in memory: typed columns, the
// text in its own string.
struct HeldRow {
  int did = 0;
  int no1 = 0;
  int taid = 0;
  std::u16string detail;
};

// Raw, held: step and copy every row into a vector of rows, then walk the
// vector reading every column; the vector is freed inside the timing, as
// the layer's Close frees its rows.
[[gnu::noinline]] double RawHeldWalk(const std::string& path, long long* sink) {
  sqlite3* db = RawOpen(path);
  double t0 = CpuNow();
  {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "select did,no1,taid,detail from details", -1, &s, nullptr);
    std::vector<HeldRow> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
      HeldRow& r = rows.emplace_back();
      r.did = sqlite3_column_int(s, 0);
      r.no1 = sqlite3_column_int(s, 1);
      r.taid = sqlite3_column_int(s, 2);
      const void* text = sqlite3_column_text16(s, 3);
      if (text)
        r.detail.assign(static_cast<const char16_t*>(text), static_cast<size_t>(sqlite3_column_bytes16(s, 3)) / 2);
    }
    sqlite3_finalize(s);
    for (const HeldRow& r : rows) {
      *sink += r.did + r.no1 + r.taid;
      *sink += static_cast<long long>(r.detail.size()) + (r.detail.data() != nullptr);
    }
  }
  double t = CpuNow() - t0;
  sqlite3_close_v2(db);
  return t;
}

// The text of a value the caller keeps, as a caller copies it out.
long TextUnits(const _variant_t& v) { return v.vt == VT_BSTR ? static_cast<long>(SysStringLen(v.bstrVal)) : 0; }

enum Access { kFieldObjects, kCollectByIndex, kCollectByName };

double LayerWalk(const std::string& path, bool client, Access access, long long* sink) {
  _ConnectionPtr c(u"ADODB.Connection");
  c->Open(Cs(path).c_str(), u"", u"", -1);
  double t0 = CpuNow();
  _RecordsetPtr rs;
  if (client) {
    rs.CreateInstance(u"ADODB.Recordset");
    rs->PutCursorLocation(adUseClient);
    rs->Open(kWalkSql, _variant_t(static_cast<IDispatch*>(c.GetInterfacePtr())), adOpenDynamic, adLockPessimistic,
             adCmdText);
  } else {
    _RecordsetPtr r = c->Execute(kWalkSql, nullptr, adCmdText);
    rs.Attach(r.Detach());
  }
  if (access == kFieldObjects) {
    FieldsPtr fields = rs->GetFields();
    FieldPtr f0 = fields->GetItem(0L), f1 = fields->GetItem(1L), f2 = fields->GetItem(2L), f3 = fields->GetItem(3L);
    while (!rs->GetadoEOF()) {
      *sink +=
          static_cast<long>(f0->GetValue()) + static_cast<long>(f1->GetValue()) + static_cast<long>(f2->GetValue());
      *sink += TextUnits(f3->GetValue());
      rs->MoveNext();
    }
  } else if (access == kCollectByIndex) {
    const _variant_t i0(0L), i1(1L), i2(2L), i3(3L);
    while (!rs->GetadoEOF()) {
      *sink += static_cast<long>(rs->GetCollect(i0)) + static_cast<long>(rs->GetCollect(i1)) +
               static_cast<long>(rs->GetCollect(i2));
      *sink += TextUnits(rs->GetCollect(i3));
      rs->MoveNext();
    }
  } else {
    const _variant_t did(u"did"), no1(u"no1"), taid(u"taid"), detail(u"detail");
    while (!rs->GetadoEOF()) {
      *sink += static_cast<long>(rs->GetCollect(did)) + static_cast<long>(rs->GetCollect(no1)) +
               static_cast<long>(rs->GetCollect(taid));
      *sink += TextUnits(rs->GetCollect(detail));
      rs->MoveNext();
    }
  }
  rs->Close();
  return CpuNow() - t0;
}

void Walk(benchmark::State& state, Access access) {
  const int n = BenchSize(100000);
  std::string path = FreshDatabase("bench-walk");
  LayerInserts(path, n, true, true);
  const bool client = state.range(0) != 0;
  long long sink = 0;
  Pair(
      state, [&] { return RawWalk(path, &sink); }, [&] { return LayerWalk(path, client, access, &sink); });
  benchmark::DoNotOptimize(sink);
  Remove(path);
}

// A client cursor (every row copied at Open, then walked) against the raw
// side holding the rows in a vector and walking it: like with like.
void HeldWalk(benchmark::State& state, Access access) {
  const int n = BenchSize(100000);
  std::string path = FreshDatabase("bench-walk");
  LayerInserts(path, n, true, true);
  long long sink = 0;
  Pair(
      state, [&] { return RawHeldWalk(path, &sink); }, [&] { return LayerWalk(path, true, access, &sink); });
  benchmark::DoNotOptimize(sink);
  Remove(path);
}

// Field objects fetched once, their values read on every row (by index).
void BM_Walk100k(benchmark::State& state) { Walk(state, kFieldObjects); }
BENCHMARK(BM_Walk100k)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("client")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(11));

// GetCollect with the field's number on every row.
void BM_Walk100kByIndex(benchmark::State& state) { Walk(state, kCollectByIndex); }
BENCHMARK(BM_Walk100kByIndex)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("client")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(11));

// GetCollect with the field's name on every row, as the program's views read.
void BM_Walk100kByName(benchmark::State& state) { Walk(state, kCollectByName); }
BENCHMARK(BM_Walk100kByName)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("client")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(11));

// The client cursor against rows held in a vector: Field objects by index,
// GetCollect by number, GetCollect by name.
void BM_HeldWalk100k(benchmark::State& state) { HeldWalk(state, kFieldObjects); }
BENCHMARK(BM_HeldWalk100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(11));
void BM_HeldWalk100kByIndex(benchmark::State& state) { HeldWalk(state, kCollectByIndex); }
BENCHMARK(BM_HeldWalk100kByIndex)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(11));
void BM_HeldWalk100kByName(benchmark::State& state) { HeldWalk(state, kCollectByName); }
BENCHMARK(BM_HeldWalk100kByName)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(11));

}  // namespace
