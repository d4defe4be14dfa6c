// Window manager speed, as ratios to a bare loop doing the same work
// without the window manager:
//   - dispatching 10^6 posted messages vs. a deque of MSG calling the
//     procedure directly;
//   - repainting a 1,000-window tree vs. painting the same 1,000
//     rectangles straight into one DC.
// Each benchmark reports its time and the counter "x_bare" (how many times
// the bare loop's time it takes).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <deque>

#include "bench/bench_once.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"

namespace {

struct Headless {
  Headless() { setenv("PRAVENOR_HEADLESS", "1", 1); }
} g_headless;

volatile LRESULT g_sink = 0;

LRESULT CountProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) {
    g_sink = g_sink + static_cast<LRESULT>(w);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

long g_paints = 0;

LRESULT PaintProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    ++g_paints;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc;
    GetClientRect(h, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_HIGHLIGHT));
    EndPaint(h, &ps);
    return 0;
  }
  if (m == WM_ERASEBKGND) return 1;
  return DefWindowProc(h, m, w, l);
}

void Register() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountProc;
  wc.lpszClassName = u"BenchCount";
  RegisterClass(&wc);
  wc.lpfnWndProc = PaintProc;
  wc.lpszClassName = u"BenchPaint";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
  RegisterClass(&wc);
}

constexpr int kMessages = 1000000;

double BareDispatchSeconds() {
  static double s = [] {
    auto t0 = std::chrono::steady_clock::now();
    std::deque<MSG> q;
    for (int i = 0; i < kMessages; ++i) q.push_back(MSG{nullptr, WM_USER, static_cast<WPARAM>(i), 0, 0, {}});
    WNDPROC proc = CountProc;
    while (!q.empty()) {
      MSG m = q.front();
      q.pop_front();
      proc(m.hwnd, m.message, m.wParam, m.lParam);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }();
  return s;
}

void BM_DispatchPostedMessages(benchmark::State& state) {
  Register();
  HWND w = CreateWindowEx(0, u"BenchCount", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  double total = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kMessages; ++i) PostMessage(w, WM_USER, static_cast<WPARAM>(i), 0);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["x_bare"] = total / static_cast<double>(state.iterations()) / BareDispatchSeconds();
  DestroyWindow(w);
}
BENCHMARK(BM_DispatchPostedMessages)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

void BM_BareDispatchLoop(benchmark::State& state) {
  for (auto _ : state) {
    std::deque<MSG> q;
    for (int i = 0; i < kMessages; ++i) q.push_back(MSG{nullptr, WM_USER, static_cast<WPARAM>(i), 0, 0, {}});
    while (!q.empty()) {
      MSG m = q.front();
      q.pop_front();
      CountProc(m.hwnd, m.message, m.wParam, m.lParam);
    }
  }
}
BENCHMARK(BM_BareDispatchLoop)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(5));

// 1,000 windows: 10 panes of 10 groups of 9 leaves (10 + 100 + 900 = 1,010 with the panes' children).
HWND BuildTree() {
  HWND top = CreateWindowEx(0, u"BenchPaint", u"", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 1000, nullptr, nullptr, nullptr,
                            nullptr);
  for (int a = 0; a < 10; ++a) {
    HWND pane = CreateWindowEx(0, u"BenchPaint", u"", WS_CHILD | WS_VISIBLE, a * 100, 0, 100, 1000, top, nullptr,
                               nullptr, nullptr);
    for (int b = 0; b < 10; ++b) {
      HWND group = CreateWindowEx(0, u"BenchPaint", u"", WS_CHILD | WS_VISIBLE, 0, b * 100, 100, 100, pane, nullptr,
                                  nullptr, nullptr);
      for (int c = 0; c < 9; ++c)
        CreateWindowEx(0, u"BenchPaint", u"", WS_CHILD | WS_VISIBLE, (c % 3) * 33, (c / 3) * 33, 30, 30, group,
                       nullptr, nullptr, nullptr);
    }
  }
  pv::test::PumpUntilIdle();
  return top;
}

double BarePaintSeconds() {
  static double s = [] {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 1000;
    bi.bmiHeader.biHeight = -1000;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
    auto t0 = std::chrono::steady_clock::now();
    const int rounds = 10;
    for (int r = 0; r < rounds; ++r) {
      RECT all{0, 0, 1000, 1000};
      FillRect(dc, &all, GetSysColorBrush(COLOR_HIGHLIGHT));
      for (int i = 0; i < 1010; ++i) {
        RECT rc{(i % 30) * 33, (i / 30) * 29, (i % 30) * 33 + 30, (i / 30) * 29 + 30};
        FillRect(dc, &rc, GetSysColorBrush(COLOR_HIGHLIGHT));
      }
    }
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / rounds;
    DeleteDC(dc);
    DeleteObject(bmp);
    return t;
  }();
  return s;
}

void BM_RepaintWindowTree(benchmark::State& state) {
  Register();
  HWND top = BuildTree();
  double total = 0;
  g_paints = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    InvalidateRect(top, nullptr, TRUE);  // without WS_CLIPCHILDREN every window repaints
    pv::test::PumpUntilIdle();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["x_bare"] = total / static_cast<double>(state.iterations()) / BarePaintSeconds();
  state.counters["paints"] = static_cast<double>(g_paints) / static_cast<double>(state.iterations());
  DestroyWindow(top);
}
BENCHMARK(BM_RepaintWindowTree)->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(10));

void BM_BarePaint(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BarePaintSeconds());
}
BENCHMARK(BM_BarePaint)->Iterations(1);

}  // namespace
