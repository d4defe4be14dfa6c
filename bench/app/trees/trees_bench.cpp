// Filling both work trees from 10^4 works and 10^5 tasks dated from 2001 to
// a fake "today" of 17 May 2010: the work tree with every task ("All") and
// the date tree with every day ("Everyday"), each emptied first. The
// baseline walks the same rows through raw SQLite, deciphering each work's
// name once per walk as the trees do, without making items; "x_raw" is the
// fill time / baseline time.
#include <benchmark/benchmark.h>

#include "app/mainframe/mainframe.h"
#include "app/pravenorapp.h"
#include "app/views/captiontree.h"
#include "bench/app/bench_data.h"
#include "bench/bench_once.h"
#include "platform/base/clock.h"

namespace {

using namespace appbench;

constexpr int kFirstDay = 36892;  // 1 January 2001
constexpr int kToday = 40315;     // 17 May 2010

std::string MakeTreeDatabase() {
  return MakeWorksAndTasks("app-bench-trees", 2001, 9,
                           [](int i) { return kFirstDay + (i * 7919) % (kToday - kFirstDay + 1); });
}

// The same rows as the two fills, read and deciphered through raw SQLite.
long long RawTreeReads(const std::string& path) {
  long long sink = 0;
  CDES des;
  sqlite3* db = RawOpen(path);
  auto walk = [&](const char* sql, int nameColumn, int startColumn) {
    std::map<std::pair<std::u16string, double>, CString> names;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(s); ++c)
        if (c != nameColumn) sink += sqlite3_column_bytes16(s, c);
      if (nameColumn < 0) continue;
      const char16_t* name = static_cast<const char16_t*>(sqlite3_column_text16(s, nameColumn));
      std::u16string stored(name, static_cast<std::size_t>(sqlite3_column_bytes16(s, nameColumn) / 2));
      const double start = sqlite3_column_double(s, startColumn);
      auto known = names.find({stored, start});
      if (known == names.end()) {
        CString plain = des.TransformText(CString(std::u16string_view(stored)), GetWorkNameKey(COleDateTime(start)), 1);
        known = names.emplace(std::make_pair(stored, start), plain).first;
      }
      sink += known->second.GetLength();
    }
    sqlite3_finalize(s);
  };
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int type = 1; type <= 3; ++type)
    walk(("select workname,starttime,tid from things where worktype=" + std::to_string(type) +
          " and workname<>'Enter Work Name'")
             .c_str(),
         0, 1);
  walk("select tasktitle,taid,tasktype,tid from task where tasktitle<>'Enter task title'", -1, -1);
  walk(pv::Utf16ToUtf8(u"SELECT workname,starttime,tasktitle,tasktime,taid,tasktype FROM things INNER JOIN task "
                       u"ON things.tid=task.tid order by tasktime,things.tid")
           .c_str(),
       0, 1);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  return sink;
}

void BM_FillBothTrees(benchmark::State& state) {
  std::string folder = MakeTreeDatabase();
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  pv::Clock::SetFakeLocal(2010, 5, 17, 12, 0, 0);
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  app.InitApplication();
  if (!app.InitInstance()) state.SkipWithError("start-up failed");
  auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
  double raw = 0, layer = 0;
  long long sink = 0;
  for (auto _ : state) {
    double t0 = Now();
    sink += RawTreeReads(folder + "/qty.tgd");
    raw += Now() - t0;
    ForgetDecipheredWorkNames();  // every round deciphers as a fresh process does
    t0 = Now();
    frame->m_wndWorkTree.DeleteAllItems();
    frame->m_wndWorkTree.FillCategoryTree();
    frame->m_wndDateTree.DeleteAllItems();
    frame->m_wndDateTree.FillDateTreeEveryday();
    const double t = Now() - t0;
    layer += t;
    state.SetIterationTime(t);
    sink += frame->m_wndWorkTree.GetCount() + frame->m_wndDateTree.GetCount();
  }
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = layer / raw;
  state.counters["items"] = frame->m_wndWorkTree.GetCount() + frame->m_wndDateTree.GetCount();
  if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd) app.m_pMainWnd->DestroyWindow();
  AfxDeleteTempMaps();
  pv::Clock::UseReal();
  RemoveFolder(folder);
}
BENCHMARK(BM_FillBothTrees)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

}  // namespace
