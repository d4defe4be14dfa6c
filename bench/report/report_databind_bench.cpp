// Binding a report grid to 10^4 rows of a table, against raw SQLite
// walking the same rows.
//
// Baseline: one prepared SELECT stepped to the end, each row's five values
// read into memory (numbers as they are, text copied as UTF-16), on a
// connection opened as the ADO layer opens its own. Ours: open a
// client-side recordset on the same SELECT (which reads every row) and
// DataBind it: a column per field, a record of variant items per row with
// its bookmark, the bookmark index, and rows built. BM_DataBind binds into
// a stand-in grid that only keeps the records; BM_DataBindControl binds
// into a report control window, whose row rebuild is part of the time.
//
// Each iteration runs both sides once, alternating which goes first; the
// counter "x_raw" is the median of our time over the baseline's (thread CPU
// time). Files go to $PV_BENCH_DIR or /tmp.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/ado/ado.h"
#include "platform/base/utf.h"
#include "platform/framework/afx.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportrecords.h"

namespace {

double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Pair(benchmark::State& state, const std::function<double()>& raw, const std::function<double()>& ours) {
  std::vector<double> ratios, rawTimes, ourTimes;
  bool rawFirst = true;
  for (auto _ : state) {
    double r, o;
    if (rawFirst) {
      r = raw();
      o = ours();
    } else {
      o = ours();
      r = raw();
    }
    rawFirst = !rawFirst;
    ratios.push_back(o / r);
    rawTimes.push_back(r);
    ourTimes.push_back(o);
    state.SetIterationTime(o);
  }
  state.counters["x_raw"] = Median(ratios);
  state.counters["raw_ms"] = Median(rawTimes) * 1e3;
  state.counters["ours_ms"] = Median(ourTimes) * 1e3;
}

const char16_t* kSelect = u"select id,name,qty,price,due from items order by id";

std::u16string Cs(const std::string& path) { return u"Provider=Bench;Data Source=" + pv::Utf8ToUtf16(path); }

void Remove(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

// A fresh file with `rows` rows of five columns.
std::string MakeDatabase(int rows) {
  const char* dir = std::getenv("PV_BENCH_DIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/databind-" + std::to_string(getpid()) + ".tgd";
  Remove(path);
  _CatalogPtr catalog(u"ADOX.Catalog");
  catalog->Create(Cs(path).c_str());
  _ConnectionPtr c(catalog->GetActiveConnection());
  c->Execute(u"CREATE TABLE items(id COUNTER PRIMARY KEY,name TEXT(40),qty LONG,price DOUBLE,due DATETIME)", nullptr,
             adCmdText);
  c->BeginTrans();
  for (int i = 0; i < rows; ++i)
    c->ExecuteWithParameters(
        u"insert into items(name,qty,price,due) values (?,?,?,?)",
        {_variant_t(pv::Utf8ToUtf16("item number " + std::to_string(i)).c_str()), _variant_t(static_cast<long>(i)),
         _variant_t(i * 0.25), _variant_t(46000.0 + i, VT_DATE)});
  c->CommitTrans();
  c->Close();
  return path;
}

struct RawRow {
  long long id, qty;
  std::u16string name;
  double price, due;
};

double RawWalk(const std::string& path, int expected) {
  double t0 = CpuNow();
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "select id,name,qty,price,due from items order by id", -1, &s, nullptr);
  std::vector<RawRow> rows;
  while (sqlite3_step(s) == SQLITE_ROW) {
    RawRow row;
    row.id = sqlite3_column_int64(s, 0);
    auto* text = static_cast<const char16_t*>(sqlite3_column_text16(s, 1));
    row.name.assign(text, static_cast<size_t>(sqlite3_column_bytes16(s, 1)) / 2);
    row.qty = sqlite3_column_int64(s, 2);
    row.price = sqlite3_column_double(s, 3);
    row.due = sqlite3_column_double(s, 4);
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(s);
  sqlite3_close_v2(db);
  double t = CpuNow() - t0;
  if (static_cast<int>(rows.size()) != expected) std::fprintf(stderr, "raw walk read %zu rows\n", rows.size());
  return t;
}

// A grid that keeps the records and columns and nothing else.
class RecordsOnly : public CTKReportDataManagerTarget {
 public:
  RecordsOnly() : records(new CTKReportRecords), columns(new CTKReportColumns) {}
  ~RecordsOnly() override {
    records->InternalRelease();
    columns->InternalRelease();
  }
  CTKReportRecords* GetRecords() override { return records; }
  void RemoveAllColumns() override { columns->Clear(); }
  void AddColumn(CTKReportColumn* column) override { columns->Add(column); }
  void ResetContent(BOOL) override { records->RemoveAll(); }
  void AddRecord(CTKReportRecord* record) override {
    record->InternalAddRef();
    records->Add(record);
  }
  void AddRecordEx(CTKReportRecord* record) override { AddRecord(record); }
  void RemoveRecordEx(CTKReportRecord* record) override { records->RemoveRecord(record); }
  void UpdateRecord(CTKReportRecord*, BOOL) override {}
  void RebuildRows() override {}
  CTKReportRecords* records;
  CTKReportColumns* columns;
};

_RecordsetPtr OpenRecordset(_ConnectionPtr& connection) {
  _RecordsetPtr rs(u"ADODB.Recordset");
  rs->PutCursorLocation(adUseClient);
  rs->Open(kSelect, _variant_t(static_cast<IDispatch*>(connection.GetInterfacePtr())), adOpenKeyset, adLockOptimistic,
           adCmdText);
  return rs;
}

// Opens the connection as the data store does, then times the recordset's
// open and the bind.
double Bind(const std::string& path, const std::function<CTKReportDataManager*()>& makeManager, int expected) {
  _ConnectionPtr connection(u"ADODB.Connection");
  connection->Open(Cs(path).c_str(), u"", u"", -1);
  double t0 = CpuNow();
  _RecordsetPtr rs = OpenRecordset(connection);
  CTKReportDataManager* manager = makeManager();
  manager->SetDataSource(rs);
  BOOL bound = manager->DataBind();
  double t = CpuNow() - t0;
  if (!bound) std::fprintf(stderr, "DataBind failed\n");
  (void)expected;
  manager->SetDataSource(nullptr);
  rs->Close();
  connection->Close();
  return t;
}

void BM_DataBind(benchmark::State& state) {
  const int rows = BenchSize(static_cast<int>(state.range(0)));
  std::string path = MakeDatabase(rows);
  Pair(
      state, [&] { return RawWalk(path, rows); },
      [&] {
        RecordsOnly grid;
        CTKReportDataManager* manager = nullptr;
        double t = Bind(
            path, [&] { return manager = new CTKReportDataManager(&grid); }, rows);
        if (grid.records->GetCount() != rows) std::fprintf(stderr, "bound %d rows\n", grid.records->GetCount());
        manager->InternalRelease();
        return t;
      });
  Remove(path);
}
BENCHMARK(BM_DataBind)->Arg(10000)->Iterations(BenchIterations(9))->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DataBindControl(benchmark::State& state) {
  const int rows = BenchSize(static_cast<int>(state.range(0)));
  std::string path = MakeDatabase(rows);
  CWnd host;
  host.CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP, CRect(0, 0, 600, 400), nullptr, 0);
  Pair(
      state, [&] { return RawWalk(path, rows); },
      [&] {
        auto control = std::make_unique<CTKReportControl>();
        control->Create(WS_CHILD, CRect(0, 0, 500, 300), &host, 7);
        double t = Bind(
            path, [&] { return control->GetOrCreateDataManager(); }, rows);
        if (control->GetRows()->GetCount() != rows)
          std::fprintf(stderr, "control shows %d rows\n", control->GetRows()->GetCount());
        return t;
      });
  host.DestroyWindow();
  Remove(path);
}
BENCHMARK(BM_DataBindControl)
    ->Arg(10000)
    ->Iterations(BenchIterations(9))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
