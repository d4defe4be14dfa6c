// The report grid's painting, each measurement timed beside its baseline in
// the same iteration (manual time):
//  - ReportRepaint100k: a full repaint (back buffer redrawn and copied) of a
//    grid of 10^5 records in five columns; "x_visible" = its time / the same
//    repaint of a grid holding only the rows that fit (the goal is at most
//    1.2: painting follows the rows on screen, not the rows below them).
//  - ReportPageDown100k: one page down (WM_VSCROLL SB_PAGEDOWN) and the
//    repaint it causes in the 10^5-record grid; "x_visible" = its time / a
//    repaint of the grid holding only the rows that fit.
//  - ReportPaintMixedScreen: the rows of a full screen (40 rows, 6 columns
//    of text, number, date, check box, percent bar and hyperlink items)
//    drawn by the grid into a memory DC; "x_drawtext" = its time / the
//    same captions drawn with DrawText into the same cell rectangles (the
//    goal is at most 2).
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"

#include <chrono>
#include <memory>
#include <vector>

#include "platform/framework/afx.h"
#include "platform/shell/platform_modules.h"
#include "platform/window/test_input.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reporthyperlink.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/scopeddc.h"

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

constexpr int kMixedRows = 40;
constexpr int kMixedColumns = 6;

std::unique_ptr<CTKReportControl> NewMixedGrid() {
  auto grid = std::make_unique<CTKReportControl>();
  grid->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 640, 900), Parent(), 2);
  for (int c = 0; c < kMixedColumns; ++c) grid->AddColumn(new CTKReportColumn(c, u"Column", 100, FALSE));
  CString text;
  for (int r = 0; r < kMixedRows; ++r) {
    auto* record = new CTKReportRecord();
    text.Format(u"row %d name", r);
    record->AddItem(new CTKReportRecordItemText(text));
    record->AddItem(new CTKReportRecordItemNumber(r * 12.5));
    record->AddItem(new CTKReportRecordItemDateTime(COleDateTime(2012, 3, 1 + r % 28, 9, 30, 0)));
    auto* check = new CTKReportRecordItemText(u"done");
    check->SetHasCheckbox(TRUE);
    check->SetChecked(r % 2);
    record->AddItem(check);
    record->AddItem(new CTKReportRecordItemPercentNumber(r * 2.5));
    auto* link = new CTKReportRecordItemText(u"see the page");
    link->AddHyperlink(new CTKReportHyperlink(4, 3));
    record->AddItem(link);
    grid->AddRecord(record);
  }
  grid->RebuildRows();
  grid->AdjustLayout();
  pv::test::PumpUntilIdle();
  return grid;
}

void ReportPaintMixedScreen(benchmark::State& state) {
  pv::RegisterPlatformModules();  // as the program does at start
  auto grid = NewMixedGrid();
  CDC mem;
  mem.CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CTKImageManager::CreateDIB32(mem.GetSafeHdc(), 640, -900, nullptr);
  HGDIOBJ old = mem.SelectObject(bitmap);
  CRect area(0, 0, 640, 900);
  CTKReportRows* rows = grid->GetRows();
  // The baseline's texts and rectangles: what the grid drew, cell by cell.
  grid->DrawRows(&mem, area, 0, rows, 0, 0, kMixedColumns);
  struct Cell {
    CRect rc;
    CString text;
  };
  std::vector<Cell> cells;
  for (int r = 0; r < rows->GetCount(); ++r) {
    CTKReportRow* row = rows->GetAt(r);
    for (int c = 0; c < kMixedColumns; ++c) {
      CTKReportColumn* column = grid->GetColumns()->GetAt(c);
      CRect rc(column->m_rcColumn.left + 2, CRect(row->GetRect()).top + 1, column->m_rcColumn.right - 2,
               CRect(row->GetRect()).bottom);
      cells.push_back({rc, row->GetRecord()->GetItem(c)->GetCaption(column)});
    }
  }
  CFont* font = grid->GetPaintManager()->GetTextFont();
  double ours = 0, baseline = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    mem.FillSolidRect(&area, RGB(255, 255, 255));
    grid->DrawRows(&mem, area, 0, rows, 0, 0, kMixedColumns);
    auto b = Clock::now();
    mem.FillSolidRect(&area, RGB(255, 255, 255));
    {
      CTKFontDC fontDC(&mem, font, RGB(0, 0, 0));
      mem.SetBkMode(TRANSPARENT);
      for (Cell& cell : cells) mem.DrawText(cell.text, &cell.rc, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    auto c = Clock::now();
    ours += Seconds(a, b);
    baseline += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  state.counters["x_drawtext"] = baseline > 0 ? ours / baseline : 0;
  mem.SelectObject(old);
  ::DeleteObject(bitmap);
  grid->DestroyWindow();
}
BENCHMARK(ReportPaintMixedScreen)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(300));

}  // namespace
