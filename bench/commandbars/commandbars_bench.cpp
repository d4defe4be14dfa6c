// The layout engine of a tool bar's controls, timed beside its baseline in
// the same iteration (manual time), with the fixed-size look of the
// command-bar tests so that measuring costs what a cheap look costs:
//  - CBLayoutDocked200: a docked bar of 200 controls in groups of 10,
//    wrapped into rows; "x_plain" = its time / a plain loop that measures
//    the same controls and places them in rows of the same length (the goal
//    is at most 3).
//  - CBLayoutFloating200: the same bar floating, its shape searched for
//    the length; "x_docked" = its time / the docked layout's (the goal is
//    at most 20 such passes).
//  - CBLayoutPerControl2000: the docked layout of 2,000 controls against
//    200; "x_per_control" = the median of the rounds' time per control of
//    the large bar / the small one's (flat is 1).
#include <benchmark/benchmark.h>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"

#include <algorithm>
#include <vector>

#include "platform/framework/afxframe.h"
#include "tests/toolkit/commandbars/testpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"

namespace {

using Clock = BenchClock;

constexpr int kRowLength = 1000;
const CRect kBorders(2, 2, 2, 2);
constexpr DWORD kDocked = LM_HORZ | LM_HORZDOCK | LM_COMMIT;

// A bar of the controls, in groups of ten, with captions of 2 to 11
// characters; the look is installed for the bar's lifetime.
class Bench {
 public:
  explicit Bench(int nControls) : m_look(), m_pBar(new CTKCommandBar()) {
    static const char16_t* const kCaptions[] = {u"Ab",      u"Abc",      u"Abcd",      u"Abcde",      u"Abcdef",
                                                u"Abcdefg", u"Abcdefgh", u"Abcdefghi", u"Abcdefghij", u"Abcdefghijk"};
    for (int i = 0; i < nControls; ++i) {
      CTKControl* pControl = m_pBar->GetControls()->AddByType(TKControlType::Button, 1000 + i);
      pControl->SetCaption(kCaptions[(i * 7) % 10]);
      pControl->SetStyle(TKButtonStyle::Caption);
      pControl->SetBeginGroup(i % 10 == 0);
    }
  }
  ~Bench() { m_pBar->InternalRelease(); }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  CTKControls* Controls() const { return m_pBar->GetControls(); }
  double Layout(int nLength, DWORD dwMode) {
    auto a = Clock::now();
    benchmark::DoNotOptimize(Controls()->CalcDynamicSize(nullptr, nLength, dwMode, kBorders));
    return Seconds(a, Clock::now());
  }
  // What any layout must do: measure each control once and place it,
  // wrapping at the length, a separator before each group.
  double PlainLoop(int nLength) {
    auto a = Clock::now();
    CTKControls* pControls = Controls();
    int x = 0, y = 0, nRowHeight = 0;
    for (int i = 0; i < pControls->GetCount(); ++i) {
      CTKControl* pControl = pControls->GetAt(i);
      const CSize sz = pControl->GetSize(nullptr);
      const int nGap = x > 0 && pControl->GetBeginGroup() ? cbtest::TestPaintManager::kSeparator : 0;
      if (x > 0 && x + nGap + sz.cx > nLength) {
        y += nRowHeight;
        x = 0;
        nRowHeight = 0;
      } else {
        x += nGap;
      }
      pControl->SetRect(
          CRect(x + kBorders.left, y + kBorders.top, x + kBorders.left + sz.cx, y + kBorders.top + sz.cy));
      x += sz.cx;
      nRowHeight = std::max(nRowHeight, static_cast<int>(sz.cy));
    }
    return Seconds(a, Clock::now());
  }

 private:
  cbtest::TestLookScope m_look;
  CTKCommandBar* m_pBar;
};

void CBLayoutDocked200(benchmark::State& state) {
  Bench bench(BenchSize(200) < 200 ? 20 : 200);
  std::vector<double> ratios;
  for (auto _ : state) {
    const double plain = bench.PlainLoop(kRowLength - 4);
    const double engine = bench.Layout(kRowLength, kDocked);
    ratios.push_back(plain > 0 ? engine / plain : 0);
    state.SetIterationTime(engine);
  }
  state.counters["x_plain"] = Median(ratios);
}
BENCHMARK(CBLayoutDocked200)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(2000));

void CBLayoutFloating200(benchmark::State& state) {
  Bench bench(BenchSize(200) < 200 ? 20 : 200);
  std::vector<double> ratios;
  for (auto _ : state) {
    const double docked = bench.Layout(kRowLength, kDocked);
    const double floating = bench.Layout(kRowLength, LM_HORZ | LM_COMMIT);
    ratios.push_back(docked > 0 ? floating / docked : 0);
    state.SetIterationTime(floating);
  }
  state.counters["x_docked"] = Median(ratios);
}
BENCHMARK(CBLayoutFloating200)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(2000));

void CBLayoutPerControl2000(benchmark::State& state) {
  const int nSmall = BenchOnce() ? 20 : 200;
  Bench small(nSmall);
  Bench large(nSmall * 10);
  std::vector<double> ratios;
  for (auto _ : state) {
    const double s = small.Layout(kRowLength, kDocked);
    const double l = large.Layout(kRowLength, kDocked);
    ratios.push_back(s > 0 ? (l / 10) / s : 0);
    state.SetIterationTime(l);
  }
  state.counters["x_per_control"] = Median(ratios);
}
BENCHMARK(CBLayoutPerControl2000)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(BenchIterations(500));

}  // namespace
