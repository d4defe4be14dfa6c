// Tree view benchmarks, each timed beside its baseline in the same
// iteration (manual time):
//  - TreeInsert100k: 10^5 TVM_INSERTITEM at TVI_LAST (1000 parents of 99
//    children); counter "x_vector" = tree time / the same number of
//    std::vector<std::u16string> push_backs; "bytes_per_item" = the heap the
//    tree's items and labels take (mallinfo2), "vector_bytes_per_item" the
//    same for the vector.
//  - TreeRepaint10k: a full repaint of a 10^4-item fully expanded tree;
//    counter "x_visible" = its time / repainting a tree that holds only the
//    rows that fit (the goal is close to 1: paint cost follows visible rows).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/controls/commctrl.h"
#include "platform/window/test_input.h"

namespace {

using Clock = BenchClock;

HWND g_parent = nullptr;

HWND NewTree() {
  if (!g_parent) {
    pv::test::ResetWindowManager();
    pv::controls::RegisterStandardControls();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"BenchParent";
    RegisterClass(&wc);
    g_parent = CreateWindowEx(0, u"BenchParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400, nullptr,
                              nullptr, nullptr, nullptr);
  }
  return CreateWindowEx(0, WC_TREEVIEW, u"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0,
                        0, 300, 300, g_parent, nullptr, nullptr, nullptr);
}

HTREEITEM Add(HWND t, HTREEITEM parent, LPCWSTR text) {
  TVINSERTSTRUCTW is{};
  is.hParent = parent;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = const_cast<LPWSTR>(text);
  return reinterpret_cast<HTREEITEM>(SendMessage(t, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
}

void Fill(HWND t, int count, bool expand) {
  HTREEITEM p = nullptr;
  for (int i = 0; i < count; ++i) {
    if (i % 100 == 0) p = Add(t, TVI_ROOT, u"group item");
    else Add(t, p, u"child item");
  }
  if (expand)
    for (auto g = reinterpret_cast<HTREEITEM>(SendMessage(t, TVM_GETNEXTITEM, TVGN_ROOT, 0)); g;
         g = reinterpret_cast<HTREEITEM>(SendMessage(t, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(g))))
      SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
}

double HeapBytes() { return static_cast<double>(mallinfo2().uordblks); }

void TreeInsert100k(benchmark::State& state) {
  double tree = 0, base = 0, treeBytes = 0, vectorBytes = 0;
  const int items = BenchSize(100000);
  for (auto _ : state) {
    HWND t = NewTree();
    const double h0 = HeapBytes();
    auto a = Clock::now();
    Fill(t, items, false);
    auto b = Clock::now();
    const double h1 = HeapBytes();
    std::vector<std::u16string> v;
    for (int i = 0; i < items; ++i) v.emplace_back(i % 100 == 0 ? u"group item" : u"child item");
    benchmark::DoNotOptimize(v.data());
    auto c = Clock::now();
    const double h2 = HeapBytes();
    tree += Seconds(a, b);
    base += Seconds(b, c);
    treeBytes = (h1 - h0) / items;
    vectorBytes = (h2 - h1) / items;
    state.SetIterationTime(Seconds(a, b));
    DestroyWindow(t);
  }
  state.counters["x_vector"] = base > 0 ? tree / base : 0;
  state.counters["bytes_per_item"] = treeBytes;
  state.counters["vector_bytes_per_item"] = vectorBytes;
}
BENCHMARK(TreeInsert100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

// Expanding every group of a tree of 10^5 items against a tree of 10^4 (100
// items a group in both): "x_10k" = the median over the rounds of the large
// expand's time / the small one's (linear is 10; the goal is at most 12).
// ExpandAll stays out of line so that callgrind can count it alone
// (--toggle-collect='*::ExpandAll*').
[[gnu::noinline]] double ExpandAll(HWND t) {
  auto a = Clock::now();
  for (auto g = reinterpret_cast<HTREEITEM>(SendMessage(t, TVM_GETNEXTITEM, TVGN_ROOT, 0)); g;
       g = reinterpret_cast<HTREEITEM>(SendMessage(t, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(g))))
    SendMessage(t, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
  SendMessage(t, TVM_GETNEXTITEM, TVGN_LASTVISIBLE, 0);  // the rows laid out once, as painting does
  return Seconds(a, Clock::now());
}

// The program's first layout also sets its text layer up (the font, the
// shaping of these labels' glyphs): a cost of neither side, which would fall
// on whichever side runs first. One small tree laid out before the pair
// pays it.
void WarmUpTextLayer() {
  HWND t = NewTree();
  Fill(t, 200, true);
  SendMessage(t, TVM_GETNEXTITEM, TVGN_LASTVISIBLE, 0);
  DestroyWindow(t);
}

void TreeExpandAll100kVs10k(benchmark::State& state) {
  double small = 0;
  std::vector<double> ratios;
  WarmUpTextLayer();
  for (auto _ : state) {
    // Each side expands right after its own fill, so neither starts with
    // its items warmer in the caches than the other's.
    HWND big = NewTree();
    Fill(big, BenchSize(100000), false);
    const double l = ExpandAll(big);
    HWND little = NewTree();
    Fill(little, BenchSize(10000), false);
    const double m = ExpandAll(little);
    small += m;
    ratios.push_back(l / m);
    state.SetIterationTime(l);
    DestroyWindow(big);
    DestroyWindow(little);
  }
  state.counters["x_10k"] = Median(ratios);
  state.counters["small_ms"] = small * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(TreeExpandAll100kVs10k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

void TreeRepaint10k(benchmark::State& state) {
  HWND big = NewTree();
  Fill(big, 10000, true);
  HWND small = NewTree();
  int rows = static_cast<int>(SendMessage(small, TVM_GETVISIBLECOUNT, 0, 0)) + 1;
  Fill(small, rows, true);
  pv::test::PumpUntilIdle();
  double full = 0, visible = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    InvalidateRect(big, nullptr, TRUE);
    UpdateWindow(big);
    auto b = Clock::now();
    InvalidateRect(small, nullptr, TRUE);
    UpdateWindow(small);
    auto c = Clock::now();
    full += Seconds(a, b);
    visible += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  state.counters["x_visible"] = visible > 0 ? full / visible : 0;
  DestroyWindow(big);
  DestroyWindow(small);
}
BENCHMARK(TreeRepaint10k)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
