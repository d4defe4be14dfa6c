// GDI drawing against raw cairo doing the same work on the same kind of
// surface.
//
// Each benchmark times the GDI layer (manual time) and runs the raw cairo
// baseline in the same iteration; the counter "x_cairo" is GDI time / cairo
// time (the goal is under 1.5).
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/bench_once.h"
#include "platform/gdi/wingdi.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kW = 800, kH = 600;

struct Target {
  HBITMAP bmp;
  HDC dc;
  Target() {
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits;
    bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
  }
  ~Target() {
    DeleteDC(dc);
    DeleteObject(bmp);
  }
};

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// 10^5 small rectangles in varying colours.
void BM_FillRect(benchmark::State& state) {
  const int n = 100000;
  Target t;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 16; ++i) brushes.push_back(CreateSolidBrush(RGB(i * 16, 255 - i * 16, 128)));
  double gdi = 0, raw = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    for (int i = 0; i < n; ++i) {
      int x = (i * 37) % (kW - 12), y = (i * 91) % (kH - 10);
      RECT r{x, y, x + 12, y + 10};
      FillRect(t.dc, &r, brushes[i & 15]);
    }
    auto b = Clock::now();
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < n; ++i) {
      int x = (i * 37) % (kW - 12), y = (i * 91) % (kH - 10);
      int k = i & 15;
      cairo_set_source_rgb(cr, k * 16 / 255.0, (255 - k * 16) / 255.0, 128 / 255.0);
      cairo_rectangle(cr, x, y, 12, 10);
      cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(s);
    auto c = Clock::now();
    gdi += Seconds(a, b);
    raw += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  state.counters["x_cairo"] = gdi / raw;
  for (HBRUSH br : brushes) DeleteObject(br);
  cairo_surface_destroy(s);
}
BENCHMARK(BM_FillRect)->UseManualTime()->Unit(benchmark::kMillisecond);

// 10^4 single-line DrawText calls against Pango layouts shown directly.
void BM_DrawText(benchmark::State& state) {
  const int n = 10000;
  Target t;
  HFONT f = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  SelectObject(t.dc, f);
  SetBkMode(t.dc, TRANSPARENT);
  std::vector<std::u16string> lines;
  std::vector<std::string> lines8;
  for (int i = 0; i < 64; ++i) {
    std::string s = "Task " + std::to_string(i * 7919) + ": review the quarterly plan";
    lines8.push_back(s);
    lines.push_back(std::u16string(s.begin(), s.end()));
  }
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoContext* ctx = pango_font_map_create_context(map);
  PangoLayout* layout = pango_layout_new(ctx);
  PangoFontDescription* desc = pango_font_description_from_string("Liberation Sans 12px");
  pango_layout_set_font_description(layout, desc);
  double gdi = 0, raw = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    for (int i = 0; i < n; ++i) {
      int y = (i * 14) % (kH - 14);
      RECT r{4, y, kW - 4, y + 14};
      DrawText(t.dc, lines[i & 63].c_str(), -1, &r, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    }
    auto b = Clock::now();
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (int i = 0; i < n; ++i) {
      int y = (i * 14) % (kH - 14);
      const std::string& l = lines8[i & 63];
      pango_layout_set_text(layout, l.data(), static_cast<int>(l.size()));
      PangoRectangle ext;
      pango_layout_get_pixel_extents(layout, nullptr, &ext);  // the centring DrawText does
      cairo_move_to(cr, 4, y + (14 - ext.height) / 2);
      pango_cairo_show_layout(cr, layout);
    }
    cairo_destroy(cr);
    auto c = Clock::now();
    gdi += Seconds(a, b);
    raw += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  state.counters["x_cairo"] = gdi / raw;
  pango_font_description_free(desc);
  g_object_unref(layout);
  g_object_unref(ctx);
  cairo_surface_destroy(s);
  SelectObject(t.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}
BENCHMARK(BM_DrawText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(BenchIterations(3));

}  // namespace
