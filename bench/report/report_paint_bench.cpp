// The report grid's painting, each measurement timed beside its baseline in
// the same iteration (manual time):
//  - ReportRepaint100k: a full repaint (back buffer redrawn and copied) of a
//    grid of 10^5 records in five columns; "x_visible" = its time / the same
//    repaint of a grid holding only the rows that fit (the goal is at most
//    1.2: painting follows the rows on screen, not the rows below them).
//  - ReportPageDown100k: one page down (WM_VSCROLL SB_PAGEDOWN) and the
//    repaint it causes in the 10^5-record grid; "x_visible" = its time / a
//    repaint of the grid holding only the rows that fit.
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"

#include <chrono>
#include <memory>

#include "platform/framework/afx.h"
#include "platform/shell/platform_modules.h"
#include "platform/window/test_input.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

constexpr int kColumns = 5;
HWND g_parent = nullptr;

CWnd* Parent() {
  if (!g_parent) {
    pv::test::ResetWindowManager();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"ReportBenchParent";
    RegisterClass(&wc);
    g_parent = CreateWindowEx(0, u"ReportBenchParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                              nullptr, nullptr, nullptr);
  }
  return CWnd::FromHandle(g_parent);
}

std::unique_ptr<CTKReportControl> NewGrid(int records) {
  auto grid = std::make_unique<CTKReportControl>();
  grid->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, CRect(0, 0, 600, 400), Parent(), 1);
  for (int c = 0; c < kColumns; ++c) grid->AddColumn(new CTKReportColumn(c, u"Column", 100));
  grid->BeginUpdate();
  CString text;
  for (int r = 0; r < records; ++r) {
    auto* record = new CTKReportRecord();
    for (int c = 0; c < kColumns; ++c) {
      text.Format(u"row %d cell %d", r, c);
      record->AddItem(new CTKReportRecordItemText(text));
    }
    grid->AddRecord(record);
  }
  grid->EndUpdate();
  grid->RebuildRows();
  pv::test::PumpUntilIdle();
  return grid;
}

double Repaint(CTKReportControl& grid) {
  auto a = Clock::now();
  grid.RedrawControl();
  grid.UpdateWindow();
  return Seconds(a, Clock::now());
}

// Rows that fit in the body of a grid of that size.
int VisibleRows() {
  auto probe = NewGrid(1000);
  const int rows = probe->GetReportAreaRows(0, TRUE) + 1;
  probe->DestroyWindow();
  return rows;
}

void ReportRepaint100k(benchmark::State& state) {
  pv::RegisterPlatformModules();  // as the program does at start
  auto big = NewGrid(BenchSize(100000));
  auto small = NewGrid(VisibleRows());
  double full = 0, visible = 0;
  for (auto _ : state) {
    const double f = Repaint(*big);
    full += f;
    visible += Repaint(*small);
    state.SetIterationTime(f);
  }
  state.counters["x_visible"] = visible > 0 ? full / visible : 0;
  big->DestroyWindow();
  small->DestroyWindow();
}
BENCHMARK(ReportRepaint100k)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(200));

void ReportPageDown100k(benchmark::State& state) {
  pv::RegisterPlatformModules();  // as the program does at start
  auto big = NewGrid(BenchSize(100000));
  auto small = NewGrid(VisibleRows());
  double paged = 0, visible = 0;
  for (auto _ : state) {
    if (big->GetRows()->GetTopRowIndex() + 200 > big->GetRows()->GetCount()) big->SetTopRow(0);
    auto a = Clock::now();
    big->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    big->UpdateWindow();
    const double p = Seconds(a, Clock::now());
    paged += p;
    visible += Repaint(*small);
    state.SetIterationTime(p);
  }
  state.counters["x_visible"] = visible > 0 ? paged / visible : 0;
  big->DestroyWindow();
  small->DestroyWindow();
}
BENCHMARK(ReportPageDown100k)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(200));

}  // namespace
