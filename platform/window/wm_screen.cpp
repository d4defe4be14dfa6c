// Reading the screen back: what the top-level windows show under a screen
// rectangle, composed from their backing bitmaps bottom to top over the
// desktop's colour. Each window adds only what it shows: the part inside its
// window region, nothing where a layered window is transparent or has its
// colour key, and a blend where it is translucent. The screen DC
// (GetDC(NULL)) reads through this, so copying "the screen under a popup"
// gives what the user sees there.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/gdi/gdi_private.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

namespace {

uint32_t OpaquePixel(COLORREF c) { return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// Source over destination for premultiplied pixels, the source scaled by
// the window's constant alpha first.
uint32_t Over(uint32_t src, uint32_t dst, unsigned constAlpha) {
  auto channel = [](uint32_t p, int shift) { return (p >> shift) & 0xFFu; };
  const unsigned sa = channel(src, 24) * constAlpha / 255;
  uint32_t out = 0;
  for (int shift = 0; shift <= 24; shift += 8) {
    const unsigned s = channel(src, shift) * constAlpha / 255;
    const unsigned v = s + (channel(dst, shift) * (255 - sa) + 127) / 255;
    out |= std::min(255u, v) << shift;
  }
  return out;
}

// The parts of the window (window coordinates) that it shows: its window
// region, else its whole rectangle.
std::vector<RECT> ShownRects(const Wnd* top) {
  const RECT whole{0, 0, top->rect.right - top->rect.left, top->rect.bottom - top->rect.top};
  if (!top->windowRgn) return {whole};
  std::vector<RECT> rects(static_cast<size_t>(std::max(0, GdiGetRegionRects(top->windowRgn, nullptr, 0))));
  if (!rects.empty())
    rects.resize(static_cast<size_t>(GdiGetRegionRects(top->windowRgn, rects.data(), static_cast<int>(rects.size()))));
  for (RECT& r : rects) {
    r.left = std::max(r.left, whole.left);
    r.top = std::max(r.top, whole.top);
    r.right = std::min(r.right, whole.right);
    r.bottom = std::min(r.bottom, whole.bottom);
  }
  return rects;
}

bool ShowsOnScreen(const Wnd* top) {
  if (!(top->style & WS_VISIBLE) || top->messageOnly) return false;
  // A minimised window is an icon on the task bar, not on the screen, where
  // the desktop iconifies windows.
  return !(top->style & WS_MINIMIZE) || !ActiveBackend().IconifiesWindows();
}

void ComposeWindow(Wnd* top, const RECT& area, uint32_t* bits, int stride) {
  if (top->tid == CurrentTid()) EnsureBacking(top);
  uint32_t* src = nullptr;
  int bw = 0, bh = 0, bstride = 0;
  if (!top->backing || !GdiGetDibPixels(top->backing, &src, &bw, &bh, &bstride)) return;
  const bool layered = (top->exStyle & WS_EX_LAYERED) != 0;
  const bool byPixel = layered && LayeredNeedsPixels(top);
  const bool byAlpha = layered && (top->layeredFlags & (top->layeredByUpdate ? ULW_ALPHA : LWA_ALPHA)) != 0;
  const unsigned constAlpha = byAlpha ? top->layeredAlpha : 255;
  if (constAlpha == 0) return;
  const bool blend = byAlpha && (constAlpha != 255 || top->layeredByUpdate);
  const int ox = top->rect.left, oy = top->rect.top;
  for (const RECT& shown : ShownRects(top)) {
    const int left = std::max<int>(shown.left + ox, area.left), right = std::min<int>(shown.right + ox, area.right);
    const int topY = std::max<int>(shown.top + oy, area.top), bottom = std::min<int>(shown.bottom + oy, area.bottom);
    for (int y = topY; y < bottom; ++y) {
      const int by = y - oy;
      if (by < 0 || by >= bh) continue;
      const uint32_t* srow =
          reinterpret_cast<const uint32_t*>(reinterpret_cast<const BYTE*>(src) + static_cast<ptrdiff_t>(by) * bstride);
      uint32_t* drow =
          reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(bits) + static_cast<ptrdiff_t>(y - area.top) * stride);
      for (int x = left; x < right; ++x) {
        const int bx = x - ox;
        if (bx < 0 || bx >= bw) continue;
        const uint32_t px = srow[bx];
        if (byPixel && !LayeredPixelValueShown(top, px)) continue;
        uint32_t& out = drow[x - area.left];
        out = blend ? Over(px, out, constAlpha) : (px | 0xFF000000u);
      }
    }
  }
}

}  // namespace

void ComposeScreen(const RECT& area, uint32_t* bits, int stride) {
  const uint32_t desktop = OpaquePixel(GetSysColor(COLOR_DESKTOP));
  for (int y = 0; y < area.bottom - area.top; ++y)
    std::fill_n(reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(bits) + static_cast<ptrdiff_t>(y) * stride),
                area.right - area.left, desktop);
  // The tree's order is top first: paint from the bottom up.
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  const std::vector<Wnd*>& tops = Desktop()->children;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it)
    if (ShowsOnScreen(*it)) ComposeWindow(*it, area, bits, stride);
}

HDC MakeScreenDC() {
  static std::once_flag registered;
  std::call_once(registered, [] { GdiSetScreenReader(&ComposeScreen); });
  const RECT virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                           GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  return GdiCreateScreenReadDC(virtualScreen, SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

}  // namespace pv::wm
