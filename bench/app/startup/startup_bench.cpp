// Start-up of the application object to "main window shown" with 10^4 works
// and 10^5 tasks: InitInstance opens the database, registers the document
// types, creates and shows the main window, fills both work trees
// (deciphering each work name once) and builds today's reminder list. The
// baseline is the same reads and deciphering through raw SQLite; "x_raw" is
// start-up time / baseline time.
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"
#include "app/pravenorapp.h"
#include "app/views/captiontree.h"
#include "bench/app/bench_data.h"
#include "platform/shell/platform_modules.h"

namespace {

using namespace appbench;

void BM_StartUpToMainWindow(benchmark::State& state) {
  std::string folder = MakeLargeDatabase();
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  double raw = 0, layer = 0;
  long long sink = 0;
  pv::RegisterPlatformModules();  // as the program does before start-up
  for (auto _ : state) {
    double t0 = Now();
    sink += RawStartUpReads(folder + "/qty.tgd", true);
    raw += Now() - t0;
    {
      CPravenorApp app;
      ForgetDecipheredWorkNames();  // each start-up deciphers as a fresh process does
      t0 = Now();
      AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
      app.InitApplication();
      if (!app.InitInstance()) state.SkipWithError("start-up failed");
      double t = Now() - t0;
      layer += t;
      state.SetIterationTime(t);
      if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd) app.m_pMainWnd->DestroyWindow();
      AfxDeleteTempMaps();
    }
  }
  benchmark::DoNotOptimize(sink);
  state.counters["x_raw"] = layer / raw;
  RemoveFolder(folder);
}
BENCHMARK(BM_StartUpToMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

}  // namespace
