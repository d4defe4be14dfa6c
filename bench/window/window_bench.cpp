// Window manager speed, each pair in one program, interleaved round by
// round, on the same work:
//   - posted-message dispatch (PostMessage, then GetMessage and
//     DispatchMessage to a window procedure) against a warm plain loop (a
//     std::deque of MSG kept between rounds, each message handed to the same
//     procedure by a switch) — counter "x_plain";
//   - repainting one window that paints a few rectangles into its DC
//     (InvalidateRect + UpdateWindow) against cairo drawing the same
//     rectangles into an image surface — counter "x_cairo";
//   - repainting a 1,010-window tree against FillRect of the same
//     rectangles into one memory DC — counter "x_bare".
// Each counter is the median of the per-round ratios.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <vector>

#include "bench/bench_once.h"
#include "bench/bench_pairs.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"

namespace {

struct Headless {
  Headless() { setenv("PRAVENOR_HEADLESS", "1", 1); }
} g_headless;

// The thread's CPU time: the machine these run on is shared, and wall time
// there measures the load more than the code.
double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

volatile LRESULT g_sink = 0;

LRESULT CountProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_USER:
      g_sink = g_sink + static_cast<LRESULT>(w);
      return 0;
    case WM_USER + 1:
      g_sink = g_sink - static_cast<LRESULT>(w);
      return 0;
    default:
      return DefWindowProc(h, m, w, l);
  }
}

// The rectangles the repaint pair draws: a background and eight bands.
constexpr int kPaintW = 400;
constexpr int kPaintH = 300;
struct Band {
  RECT rc;
  COLORREF color;
};
const Band kBands[] = {
    {{10, 10, 390, 40}, RGB(200, 30, 30)},   {{10, 50, 190, 140}, RGB(30, 200, 30)},
    {{210, 50, 390, 140}, RGB(30, 30, 200)}, {{10, 150, 390, 160}, RGB(120, 120, 0)},
    {{10, 170, 120, 290}, RGB(0, 120, 120)}, {{130, 170, 260, 290}, RGB(120, 0, 120)},
    {{270, 170, 390, 290}, RGB(60, 60, 60)}, {{20, 20, 60, 30}, RGB(250, 250, 250)},
};

HBRUSH g_bandBrushes[std::size(kBands)] = {};
long g_paints = 0;

LRESULT BandsProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    ++g_paints;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    for (size_t i = 0; i < std::size(kBands); ++i) FillRect(dc, &kBands[i].rc, g_bandBrushes[i]);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

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
  wc.lpfnWndProc = BandsProc;
  wc.lpszClassName = u"BenchBands";
  RegisterClass(&wc);
  for (size_t i = 0; i < std::size(kBands); ++i) g_bandBrushes[i] = CreateSolidBrush(kBands[i].color);
}

// "x_plain": per round, N messages posted to a window in bursts of eight
// (as a program posts to itself) and taken with GetMessage +
// DispatchMessage after each burst, against the same bursts through a plain
// deque (warm: kept from round to round, so it stays in the cache) and a
// switch.
constexpr int kBurst = 8;

void BM_PostedDispatchVsPlainLoop(benchmark::State& state) {
  Register();
  const int n = BenchSize(100000) / kBurst * kBurst;
  HWND w = CreateWindowEx(0, u"BenchCount", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::deque<MSG> plain;
  WNDPROC proc = CountProc;
  auto plainRound = [&] {
    for (int b = 0; b < n; b += kBurst) {
      for (int i = b; i < b + kBurst; ++i)
        plain.push_back(MSG{w, static_cast<UINT>(WM_USER + (i & 1)), static_cast<WPARAM>(i), 0, 0, {}});
      while (!plain.empty()) {
        MSG m = plain.front();
        plain.pop_front();
        switch (m.message) {
          case WM_USER:
          case WM_USER + 1:
            proc(m.hwnd, m.message, m.wParam, m.lParam);
            break;
          default:
            break;
        }
      }
    }
  };
  auto oursRound = [&] {
    MSG m;
    for (int b = 0; b < n; b += kBurst) {
      for (int i = b; i < b + kBurst; ++i)
        PostMessage(w, static_cast<UINT>(WM_USER + (i & 1)), static_cast<WPARAM>(i), 0);
      for (int i = 0; i < kBurst && GetMessage(&m, nullptr, 0, 0) > 0; ++i) DispatchMessage(&m);
    }
  };
  plainRound();  // both sides warm before the first measured round
  oursRound();
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    auto t0 = CpuSeconds();
    oursRound();
    auto t1 = CpuSeconds();
    plainRound();
    auto t2 = CpuSeconds();
    ours.push_back((t1 - t0));
    base.push_back((t2 - t1));
    ratios.push_back(ours.back() / base.back());
    state.SetIterationTime(ours.back());
  }
  state.counters["x_plain"] = Median(ratios);
  state.counters["ours_ns_per_msg"] = Median(ours) * 1e9 / n;
  state.counters["plain_ns_per_msg"] = Median(base) * 1e9 / n;
  DestroyWindow(w);
}
BENCHMARK(BM_PostedDispatchVsPlainLoop)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(21));

// "x_cairo": per round, K repaints of a 400×300 window painting eight
// rectangles over its class background, against cairo filling the same
// background and rectangles into a 400×300 image surface K times.
void BM_RepaintVsCairo(benchmark::State& state) {
  Register();
  const int k = BenchSize(200);
  HWND w = CreateWindowEx(0, u"BenchBands", u"", WS_POPUP | WS_VISIBLE, 0, 0, kPaintW, kPaintH, nullptr, nullptr,
                          nullptr, nullptr);
  pv::test::PumpUntilIdle();
  COLORREF bg = GetSysColor(COLOR_WINDOW);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPaintW, kPaintH);
  cairo_t* cr = cairo_create(surface);
  auto cairoRound = [&] {
    for (int r = 0; r < k; ++r) {
      cairo_set_source_rgb(cr, GetRValue(bg) / 255.0, GetGValue(bg) / 255.0, GetBValue(bg) / 255.0);
      cairo_rectangle(cr, 0, 0, kPaintW, kPaintH);
      cairo_fill(cr);
      for (const Band& b : kBands) {
        cairo_set_source_rgb(cr, GetRValue(b.color) / 255.0, GetGValue(b.color) / 255.0, GetBValue(b.color) / 255.0);
        cairo_rectangle(cr, b.rc.left, b.rc.top, b.rc.right - b.rc.left, b.rc.bottom - b.rc.top);
        cairo_fill(cr);
      }
      cairo_surface_flush(surface);
    }
  };
  auto oursRound = [&] {
    for (int r = 0; r < k; ++r) {
      InvalidateRect(w, nullptr, TRUE);
      UpdateWindow(w);
    }
  };
  cairoRound();
  oursRound();
  g_paints = 0;
  std::vector<double> ratios, ours, base;
  for (auto _ : state) {
    auto t0 = CpuSeconds();
    oursRound();
    auto t1 = CpuSeconds();
    cairoRound();
    auto t2 = CpuSeconds();
    ours.push_back((t1 - t0));
    base.push_back((t2 - t1));
    ratios.push_back(ours.back() / base.back());
    state.SetIterationTime(ours.back());
  }
  state.counters["x_cairo"] = Median(ratios);
  state.counters["ours_us_per_repaint"] = Median(ours) * 1e6 / k;
  state.counters["cairo_us_per_repaint"] = Median(base) * 1e6 / k;
  state.counters["paints_per_round"] = static_cast<double>(g_paints) / static_cast<double>(state.iterations());
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  DestroyWindow(w);
  pv::test::PumpUntilIdle();
}
BENCHMARK(BM_RepaintVsCairo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(21));

// 1,010 windows: 10 panes of 10 groups of 9 leaves.
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
        CreateWindowEx(0, u"BenchPaint", u"", WS_CHILD | WS_VISIBLE, (c % 3) * 33, (c / 3) * 33, 30, 30, group, nullptr,
                       nullptr, nullptr);
    }
  }
  pv::test::PumpUntilIdle();
  return top;
}

// "x_bare": per round, the whole tree invalidated and repainted through the
// queue, against FillRect of a background and 1,010 rectangles into one
// 1000×1000 memory DC.
void BM_RepaintWindowTree(benchmark::State& state) {
  Register();
  HWND top = BuildTree();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 1000;
  bi.bmiHeader.biHeight = -1000;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  auto bareRound = [&] {
    RECT all{0, 0, 1000, 1000};
    FillRect(dc, &all, GetSysColorBrush(COLOR_HIGHLIGHT));
    for (int i = 0; i < 1010; ++i) {
      RECT rc{(i % 30) * 33, (i / 30) * 29, (i % 30) * 33 + 30, (i / 30) * 29 + 30};
      FillRect(dc, &rc, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
  };
  auto oursRound = [&] {
    InvalidateRect(top, nullptr, TRUE);  // without WS_CLIPCHILDREN every window repaints
    pv::test::PumpUntilIdle();
  };
  g_paints = 0;
  std::vector<double> ratios, ours;
  for (auto _ : state) {
    auto t0 = CpuSeconds();
    oursRound();
    auto t1 = CpuSeconds();
    bareRound();
    auto t2 = CpuSeconds();
    ours.push_back((t1 - t0));
    ratios.push_back((t1 - t0) / (t2 - t1));
    state.SetIterationTime(ours.back());
  }
  state.counters["x_bare"] = Median(ratios);
  state.counters["paints"] = static_cast<double>(g_paints) / static_cast<double>(state.iterations());
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  DestroyWindow(top);
  pv::test::PumpUntilIdle();
}
BENCHMARK(BM_RepaintWindowTree)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(11));

}  // namespace
