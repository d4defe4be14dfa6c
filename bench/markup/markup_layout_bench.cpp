// Markup layout and drawing per element, on a generated document of about
// 1,000 elements (a grid of bordered text blocks with hyperlinks):
//   BM_MeasureArrange   measure and arrange at a width that changes every cell's
//   BM_Render           drawing the laid-out tree into a 32-bit bitmap
//   BM_FillBaseline     the same number of plain GDI rectangle fills (the baseline)
// Counters report the time per element, so the rows read as ratios.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "platform/shell/platform_modules.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"

namespace {

constexpr int kRows = 50;
constexpr int kColumns = 4;
// Each cell holds a border, a text block, two runs and a hyperlink with its run.
constexpr int kElements = kRows * kColumns * 5;

std::u16string Document() {
  std::u16string s = u"<Grid><Grid.ColumnDefinitions>";
  for (int c = 0; c < kColumns; c++) s += u"<ColumnDefinition Width='*'/>";
  s += u"</Grid.ColumnDefinitions><Grid.RowDefinitions>";
  for (int r = 0; r < kRows; r++) s += u"<RowDefinition Height='Auto'/>";
  s += u"</Grid.RowDefinitions>";
  for (int r = 0; r < kRows; r++)
    for (int c = 0; c < kColumns; c++) {
      const std::string cell = " Grid.Row='" + std::to_string(r) + "' Grid.Column='" + std::to_string(c) + "'";
      s += u"<Border BorderThickness='1' BorderBrush='#808080' Padding='2'" + std::u16string(cell.begin(), cell.end()) +
           u"><TextBlock TextWrapping='Wrap'>Reminder text <Hyperlink>open</Hyperlink></TextBlock></Border>";
    }
  s += u"</Grid>";
  return s;
}

struct Fixture {
  CTKMarkupContext* ctx = MarkupCreateContext(nullptr);
  CTKMarkupInputElement* root = nullptr;
  BITMAPINFO bi{};
  HBITMAP bmp = nullptr;
  HDC dc = nullptr;
  Fixture() {
    root = ctx->Parse(Document().c_str());
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 800, -2000, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
  }
  ~Fixture() {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
};

// Two widths four pixels apart: each of the four star columns is one pixel
// narrower or wider at every step, so every cell and its text block is laid
// out again (one pixel apart, three of four columns would keep their width
// and their cached measure).
constexpr int kWide = 800;
constexpr int kNarrow = kWide - kColumns;

void LayOut(Fixture& f, int width) {
  SIZE d = MarkupMeasureElement(f.root, width, 100000);
  static_cast<CTKMarkupUIElement*>(f.root)->Arrange(RECT{0, 0, width, d.cy});
  benchmark::DoNotOptimize(d);
}

// Whether every cell got another width between the two layouts.
bool EveryCellChanges(Fixture& f) {
  auto* grid = static_cast<CTKMarkupVisual*>(f.root);
  std::vector<LONG> widths;
  LayOut(f, kWide);
  for (int i = 0; i < grid->GetVisualChildrenCount(); i++)
    widths.push_back(grid->GetVisualChild(i)->GetRenderSize().cx);
  LayOut(f, kNarrow);
  for (int i = 0; i < grid->GetVisualChildrenCount(); i++)
    if (grid->GetVisualChild(i)->GetRenderSize().cx == widths[i]) return false;
  return true;
}

void BM_MeasureArrange(benchmark::State& state) {
  Fixture f;
  if (!EveryCellChanges(f)) {
    state.SkipWithError("a cell keeps its width between the two layouts: it would be measured from the cache");
    return;
  }
  int width = kNarrow;
  for (auto _ : state) {
    width = width == kWide ? kNarrow : kWide;
    LayOut(f, width);
  }
  state.counters["per_element"] =
      benchmark::Counter(kElements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MeasureArrange)->Unit(benchmark::kMillisecond);

void BM_Render(benchmark::State& state) {
  pv::RegisterPlatformModules();  // GDI+ drawing, as in the program
  Fixture f;
  RECT rc{0, 0, 800, 2000};
  MarkupRenderElement(f.root, f.dc, &rc);
  for (auto _ : state) MarkupRenderElement(f.root, f.dc, &rc);
  state.counters["per_element"] =
      benchmark::Counter(kElements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond);

void BM_FillBaseline(benchmark::State& state) {
  Fixture f;
  HBRUSH brush = CreateSolidBrush(RGB(128, 128, 128));
  for (auto _ : state)
    for (int i = 0; i < kElements; i++) {
      RECT rc{(i % 40) * 20, (i / 40) * 10, (i % 40) * 20 + 18, (i / 40) * 10 + 8};
      FillRect(f.dc, &rc, brush);
    }
  DeleteObject(brush);
  state.counters["per_element"] =
      benchmark::Counter(kElements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FillBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
