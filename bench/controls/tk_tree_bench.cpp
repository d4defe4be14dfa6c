// The toolkit's tree control, each measurement timed beside its baseline in
// the same iteration (manual time):
//  - TKTreeInsert100k: 10^5 items inserted at the end (1000 parents of 99
//    children); "x_vector" = its time / as many std::vector push_backs,
//    "x_native" = its time / the same inserts into the plain tree view;
//    "bytes_per_item" = the heap the items and labels take (mallinfo2).
//  - TKTreeColor100k: every child of a 10^5-item tree coloured with one of
//    two colours (SetItemColor), as the program colours its task items;
//    "x_insert" = its time / inserting the items, "style_bytes_per_item" =
//    the heap the colours take per coloured item.
//  - TKTreeRepaint10k: a full repaint of a fully expanded 10^4-item tree,
//    the native tree into a buffer and the labels over it; "x_visible" = its
//    time / repainting a tree that holds only the rows that fit (the goal is
//    close to 1: painting follows the rows on screen), "x_native" = its time
//    / the plain tree view's repaint of the same 10^4 items.
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"

#include <malloc.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/afx.h"
#include "platform/shell/platform_modules.h"
#include "platform/window/test_input.h"
#include "toolkit/controls/treectrl.h"

namespace {

using Clock = BenchClock;

constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
HWND g_parent = nullptr;

CWnd* Parent() {
  if (!g_parent) {
    pv::test::ResetWindowManager();
    pv::controls::RegisterStandardControls();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"TKTreeBenchParent";
    RegisterClass(&wc);
    g_parent = CreateWindowEx(0, u"TKTreeBenchParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400, nullptr,
                              nullptr, nullptr, nullptr);
  }
  return CWnd::FromHandle(g_parent);
}

std::unique_ptr<CTKTreeCtrl> NewToolkitTree() {
  auto tree = std::make_unique<CTKTreeCtrl>();
  tree->Create(kStyle, CRect(0, 0, 300, 300), Parent(), 1);
  return tree;
}

std::unique_ptr<CTreeCtrl> NewNativeTree() {
  auto tree = std::make_unique<CTreeCtrl>();
  tree->Create(kStyle, CRect(0, 0, 300, 300), Parent(), 2);
  return tree;
}

void Fill(CTreeCtrl& tree, int count, bool expand) {
  HTREEITEM group = nullptr;
  for (int i = 0; i < count; ++i) {
    if (i % 100 == 0) group = tree.InsertItem(u"group item");
    else tree.InsertItem(u"child item", group);
  }
  if (expand)
    for (HTREEITEM g = tree.GetRootItem(); g; g = tree.GetNextSiblingItem(g)) tree.Expand(g, TVE_EXPAND);
}

double Repaint(CWnd& wnd) {
  auto a = Clock::now();
  wnd.Invalidate(TRUE);
  wnd.UpdateWindow();
  return Seconds(a, Clock::now());
}

double HeapBytes() { return static_cast<double>(mallinfo2().uordblks); }

void TKTreeInsert100k(benchmark::State& state) {
  double tree = 0, vector = 0, native = 0, bytes = 0;
  for (auto _ : state) {
    auto toolkit = NewToolkitTree();
    const double h0 = HeapBytes();
    auto a = Clock::now();
    Fill(*toolkit, 100000, false);
    auto b = Clock::now();
    bytes = (HeapBytes() - h0) / 100000;
    std::vector<std::u16string> v;
    for (int i = 0; i < 100000; ++i) v.emplace_back(i % 100 == 0 ? u"group item" : u"child item");
    benchmark::DoNotOptimize(v.data());
    auto c = Clock::now();
    auto plain = NewNativeTree();
    auto d = Clock::now();
    Fill(*plain, 100000, false);
    auto e = Clock::now();
    tree += Seconds(a, b);
    vector += Seconds(b, c);
    native += Seconds(d, e);
    state.SetIterationTime(Seconds(a, b));
    toolkit->DestroyWindow();
    plain->DestroyWindow();
  }
  state.counters["x_vector"] = vector > 0 ? tree / vector : 0;
  state.counters["x_native"] = native > 0 ? tree / native : 0;
  state.counters["bytes_per_item"] = bytes;
}
BENCHMARK(TKTreeInsert100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

// Expanding every group of a toolkit tree of 10^5 items against one of 10^4
// (100 items a group in both): "x_10k" = the median over the rounds of the
// large expand's time / the small one's (linear is 10; the goal is at most
// 12). ExpandAll stays out of line so that callgrind can count it alone
// (--toggle-collect='*::ExpandAll*').
[[gnu::noinline]] double ExpandAll(CTreeCtrl& tree) {
  auto a = Clock::now();
  for (HTREEITEM g = tree.GetRootItem(); g; g = tree.GetNextSiblingItem(g)) tree.Expand(g, TVE_EXPAND);
  tree.GetLastVisibleItem();  // the rows laid out once, as painting does
  return Seconds(a, Clock::now());
}

// The program's first layout also sets its text layer up (the font, the
// shaping of these labels' glyphs): a cost of neither side, which would fall
// on whichever side runs first. One small tree laid out before the pair
// pays it.
void WarmUpTextLayer() {
  auto tree = NewToolkitTree();
  Fill(*tree, 200, true);
  tree->GetLastVisibleItem();
  tree->DestroyWindow();
}

void TKTreeExpandAll100kVs10k(benchmark::State& state) {
  double small = 0;
  std::vector<double> ratios;
  WarmUpTextLayer();
  for (auto _ : state) {
    // Each side expands right after its own fill, so neither starts with
    // its items warmer in the caches than the other's.
    auto big = NewToolkitTree();
    Fill(*big, BenchSize(100000), false);
    const double l = ExpandAll(*big);
    auto little = NewToolkitTree();
    Fill(*little, BenchSize(10000), false);
    const double m = ExpandAll(*little);
    small += m;
    ratios.push_back(l / m);
    state.SetIterationTime(l);
    big->DestroyWindow();
    little->DestroyWindow();
  }
  state.counters["x_10k"] = Median(ratios);
  state.counters["small_ms"] = small * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(TKTreeExpandAll100kVs10k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

void TKTreeColor100k(benchmark::State& state) {
  double color = 0, insert = 0, bytes = 0;
  const int items = BenchSize(100000);
  for (auto _ : state) {
    auto tree = NewToolkitTree();
    auto a = Clock::now();
    Fill(*tree, items, false);
    auto b = Clock::now();
    std::vector<HTREEITEM> children;
    for (HTREEITEM g = tree->GetRootItem(); g; g = tree->GetNextSiblingItem(g))
      for (HTREEITEM c = tree->GetChildItem(g); c; c = tree->GetNextSiblingItem(c)) children.push_back(c);
    const double h0 = HeapBytes();
    auto c = Clock::now();
    for (std::size_t i = 0; i < children.size(); ++i)
      tree->SetItemColor(children[i], i % 3 ? RGB(3, 131, 251) : RGB(128, 128, 128));
    auto d = Clock::now();
    bytes = (HeapBytes() - h0) / static_cast<double>(children.size());
    color += Seconds(c, d);
    insert += Seconds(a, b);
    state.SetIterationTime(Seconds(c, d));
    tree->DestroyWindow();
  }
  state.counters["x_insert"] = insert > 0 ? color / insert : 0;
  state.counters["style_bytes_per_item"] = bytes;
}
BENCHMARK(TKTreeColor100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

void TKTreeRepaint10k(benchmark::State& state) {
  pv::RegisterPlatformModules();  // as the program does at start
  auto big = NewToolkitTree();
  Fill(*big, 10000, true);
  big->EnableMultiSelect(TRUE);
  auto small = NewToolkitTree();
  Fill(*small, static_cast<int>(small->GetVisibleCount()) + 1, true);
  small->EnableMultiSelect(TRUE);
  auto plain = NewNativeTree();
  Fill(*plain, 10000, true);
  // Some selected rows and item colours on screen, as the program has them.
  HTREEITEM h = big->GetRootItem();
  for (int i = 0; h && i < 8; ++i, h = big->GetNextVisibleItem(h)) {
    big->SetItemColor(h, RGB(3, 131, 251));
    if (i % 2) big->SetItemState(h, TVIS_SELECTED, TVIS_SELECTED);
  }
  pv::test::PumpUntilIdle();
  double full = 0, visible = 0, native = 0;
  for (auto _ : state) {
    double f = Repaint(*big);
    full += f;
    visible += Repaint(*small);
    native += Repaint(*plain);
    state.SetIterationTime(f);
  }
  state.counters["x_visible"] = visible > 0 ? full / visible : 0;
  state.counters["x_native"] = native > 0 ? full / native : 0;
  big->DestroyWindow();
  small->DestroyWindow();
  plain->DestroyWindow();
}
BENCHMARK(TKTreeRepaint10k)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
