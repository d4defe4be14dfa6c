// The desktop back end's questions to an X display (window manager,
// compositor, visuals) and the premultiplied image of a layered window.
// Ours first: Xlib's headers define names such as KeyPress as macros.
#include "platform/window/backend_x11.h"

#include "platform/gdi/gdi_private.h"
#include "platform/window/test_input.h"
#include "platform/window/wm_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>

namespace pv::wm {

static_assert(kX11TrueColor == TrueColor && kX11DirectColor == DirectColor);

unsigned long ChooseArgbVisual(const std::vector<X11Visual>& visuals) {
  for (const X11Visual& v : visuals)
    if (v.visualClass == kX11TrueColor && v.depth == 32 && v.redMask == 0xFF0000 && v.greenMask == 0xFF00 &&
        v.blueMask == 0xFF)
      return v.id;
  return 0;
}

std::vector<X11Visual> X11ScreenVisuals(_XDisplay* display, int screen) {
  std::vector<X11Visual> out;
  XVisualInfo tmpl{};
  tmpl.screen = screen;
  int count = 0;
  XVisualInfo* infos = XGetVisualInfo(display, VisualScreenMask, &tmpl, &count);
  for (int i = 0; i < count; ++i)
    out.push_back(X11Visual{infos[i].visualid, infos[i].depth, infos[i].c_class, infos[i].red_mask, infos[i].green_mask,
                            infos[i].blue_mask});
  if (infos) XFree(infos);
  return out;
}

bool X11HasWindowManager(_XDisplay* display) {
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool managed = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                                    &count, &after, &data) == Success &&
                 type == XA_WINDOW && count == 1;
  if (data) XFree(data);
  return managed;
}

bool X11HasCompositor(_XDisplay* display, int screen) {
  std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  Atom selection = XInternAtom(display, name.c_str(), False);
  return selection != None && XGetSelectionOwner(display, selection) != None;
}

std::vector<uint32_t> LayeredArgbImage(const Wnd* top, int* width, int* height) {
  uint32_t* bits = nullptr;
  int bw = 0, bh = 0, stride = 0;
  if (!top->backing || !GdiGetDibPixels(top->backing, &bits, &bw, &bh, &stride)) return {};
  const bool layered = (top->exStyle & WS_EX_LAYERED) != 0;
  const bool perPixel = layered && top->layeredByUpdate && (top->layeredFlags & ULW_ALPHA);
  std::vector<uint32_t> out(static_cast<size_t>(bw) * bh, 0);
  for (int y = 0; y < bh; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(reinterpret_cast<const BYTE*>(bits) + static_cast<size_t>(y) * stride);
    uint32_t* dst = out.data() + static_cast<size_t>(y) * bw;
    for (int x = 0; x < bw; ++x) {
      uint32_t px = row[x];
      if ((layered && !LayeredPixelValueShown(top, px)) || (top->windowRgn && !PtInRegion(top->windowRgn, x, y)))
        continue;
      if (!perPixel) {
        dst[x] = 0xFF000000u | (px & 0xFFFFFFu);
        continue;
      }
      // A colour above its alpha is no premultiplied colour: the compositor
      // would add light to what lies below instead of covering it.
      uint32_t a = px >> 24;
      uint32_t r = std::min<uint32_t>((px >> 16) & 0xFF, a), g = std::min<uint32_t>((px >> 8) & 0xFF, a),
               b = std::min<uint32_t>(px & 0xFF, a);
      dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  *width = bw;
  *height = bh;
  return out;
}

}  // namespace pv::wm

namespace pv::test {

std::vector<uint32_t> LayeredArgbImage(HWND hwnd, int* width, int* height) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  return w ? pv::wm::LayeredArgbImage(w, width, height) : std::vector<uint32_t>{};
}

}  // namespace pv::test
