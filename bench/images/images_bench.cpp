// The image layer's speed.
//
// BM_DecodePng decodes a 1920 x 1080 RGBA PNG through CTKGraphicBitmapPng
// (manual time) and, in the same iteration, the same bytes through libpng's
// simplified API into a new BGRA buffer; the counter "x_libpng" is our time
// / libpng's. Ours does more: it decodes into its own row buffer and then
// builds the DIB section from it (the transforms the class documents),
// so it touches twice the memory.
//
// BM_NinePartDraw draws a three-state theme image with sizing margins 4
// into a 200 x 40 destination; items per second are draws per second.
//
// BM_AddIcons stores n distinct 16 x 16 alpha icons in a new image manager
// (manual time: the adding only) and, in the same iteration, the same icons
// in a manager that keeps each image privately; the counter "x_private" is
// the sheet's time / the private store's, and "us_per_icon" the sheet's time
// per icon. Both stay flat from 500 to 2000 icons when adding is linear:
// 17-36 us per icon and x_private 2-3.5 at both sizes (RelWithDebInfo, a
// loaded shared machine); growing the sheet one image at a time took 0.76 s
// for 500 icons and 10.8 s for 2000.
#include <benchmark/benchmark.h>
#include <png.h>

#include <chrono>
#include <vector>

#include "bench/bench_once.h"
#include "platform/base/file.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "platform/shell/platform_modules.h"
#include "toolkit/common/graphicbitmappng.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourceimages.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// A 1920 x 1080 RGBA image with gradients and noise, written by libpng.
std::vector<unsigned char> MakeLargePng() {
  const int w = 1920, h = 1080;
  std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
  unsigned seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      unsigned char* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<unsigned char>(x * 255 / w);
      p[1] = static_cast<unsigned char>(y * 255 / h);
      p[2] = static_cast<unsigned char>((seed >> 16) & 0x3F);
      p[3] = static_cast<unsigned char>(128 + ((x + y) & 127));
    }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
  std::vector<unsigned char> out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr);
  out.resize(size);
  return out;
}

void BM_DecodePng(benchmark::State& state) {
  std::vector<unsigned char> file = MakeLargePng();
  double ours = 0, libpng = 0;
  for (auto _ : state) {
    auto a = Clock::now();
    {
      CMemFile memory(file.data(), static_cast<UINT>(file.size()));
      CTKGraphicBitmapPng png;
      if (!png.LoadFromCFile(&memory)) state.SkipWithError("decode failed");
    }
    auto b = Clock::now();
    // Like ours, the baseline makes a new image for each file.
    std::vector<unsigned char> buffer(1920u * 1080u * 4u);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    bool read = png_image_begin_read_from_memory(&image, file.data(), file.size()) != 0;
    image.format = PNG_FORMAT_BGRA;
    read = read && png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr) != 0;
    if (!read) state.SkipWithError(image.message);
    png_image_free(&image);
    benchmark::DoNotOptimize(buffer.data());
    auto c = Clock::now();
    ours += Seconds(a, b);
    libpng += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  state.counters["x_libpng"] = ours / libpng;
}
BENCHMARK(BM_DecodePng)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_NinePartDraw(benchmark::State& state) {
  pv::RegisterPlatformModules();  // the image library's blends, as in the program
  CTKResourceImages images;
  CTKResourceImage image(&images);
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, 40, 66, &bits);
  for (int i = 0; i < 40 * 66; ++i) {
    bits[i * 4] = static_cast<BYTE>(i);
    bits[i * 4 + 1] = static_cast<BYTE>(i >> 3);
    bits[i * 4 + 2] = 200;
    bits[i * 4 + 3] = 255;
  }
  image.LoadFromHandle(bitmap, state.range(0) != 0);
  DeleteObject(bitmap);
  HBITMAP target = CTKImageManager::CreateDIB32(nullptr, 200, -40, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  CDC* cdc = CDC::FromHandle(dc);
  const CRect dest(0, 0, 200, 40), margins(4, 4, 4, 4);
  int state_index = 0;
  for (auto _ : state) {
    image.DrawImage(cdc, dest, image.GetStateRect(state_index, 3), margins);
    state_index = (state_index + 1) % 3;
  }
  state.SetItemsProcessed(state.iterations());
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
}
BENCHMARK(BM_NinePartDraw)->Arg(0)->Arg(1)->ArgName("alpha");

void BM_AddIcons(benchmark::State& state) {
  const int count = BenchSize(static_cast<int>(state.range(0)));
  std::vector<HBITMAP> bitmaps;
  for (int i = 0; i < count; ++i) {
    LPBYTE bits = nullptr;
    HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, 16, 16, &bits);
    for (int p = 0; p < 16 * 16; ++p) {
      bits[p * 4] = static_cast<BYTE>(i);
      bits[p * 4 + 1] = static_cast<BYTE>(i >> 8);
      bits[p * 4 + 2] = static_cast<BYTE>(p);
      bits[p * 4 + 3] = 255;
    }
    bitmaps.push_back(bitmap);
  }
  auto store = [&](BOOL useSheets) {
    CTKImageManager manager;
    manager.m_bUseResources = useSheets;
    const auto a = Clock::now();
    for (int i = 0; i < count; ++i) {
      CTKImageHandle image(bitmaps[static_cast<size_t>(i)]);
      if (!manager.SetIcon(image, static_cast<UINT>(i), 16, 16)) return -1.0;
    }
    return Seconds(a, Clock::now());
  };
  double sheets = 0, privately = 0;
  for (auto _ : state) {
    const double s = store(TRUE), p = store(FALSE);
    if (s < 0 || p < 0) state.SkipWithError("an icon was not stored");
    sheets += s;
    privately += p;
    state.SetIterationTime(s);
  }
  state.counters["x_private"] = privately > 0 ? sheets / privately : 0;
  state.counters["us_per_icon"] = sheets * 1e6 / (static_cast<double>(count) * static_cast<double>(state.iterations()));
  for (HBITMAP bitmap : bitmaps) DeleteObject(bitmap);
}
BENCHMARK(BM_AddIcons)
    ->Arg(500)
    ->Arg(2000)
    ->ArgName("icons")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchIterations(15));

}  // namespace
