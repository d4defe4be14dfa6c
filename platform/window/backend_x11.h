// What the desktop back end asks of an X display beyond what SDL offers:
// whether a window manager and a compositor run, the visual with an alpha
// channel that layered windows are created with, and the premultiplied
// image such a window shows.
#pragma once

#include <cstdint>
#include <vector>

struct _XDisplay;

namespace pv::wm {

struct Wnd;

// Visual classes, as X numbers them.
constexpr int kX11TrueColor = 4;
constexpr int kX11DirectColor = 5;

// One visual of a screen, as the display describes it.
struct X11Visual {
  unsigned long id = 0;
  int depth = 0;
  int visualClass = 0;  // kX11TrueColor, kX11DirectColor, ...
  unsigned long redMask = 0, greenMask = 0, blueMask = 0;
};

// The first visual that holds 32-bit ARGB (true colour, depth 32, red,
// green and blue in bits 16, 8 and 0, alpha above): 0 when there is none.
unsigned long ChooseArgbVisual(const std::vector<X11Visual>& visuals);

// The visuals of a screen of the display.
std::vector<X11Visual> X11ScreenVisuals(_XDisplay* display, int screen);
// Whether a window manager that follows the desktop conventions runs (it
// names its check window on the root window).
bool X11HasWindowManager(_XDisplay* display);
// Whether a compositing manager runs on the screen (it owns the screen's
// _NET_WM_CM_Sn selection): only then does an ARGB window blend with what
// lies below it.
bool X11HasCompositor(_XDisplay* display, int screen);

// The image a top-level window shows through a visual with alpha, as
// premultiplied ARGB rows of `width` pixels: per-pixel alpha from the image
// UpdateLayeredWindow gave (colours clamped to their alpha), opaque
// elsewhere, and 0 where the window shows nothing (alpha 0, the colour key,
// outside its region). The constant alpha is not in it: the desktop applies
// it as the window's opacity. Empty when the window has no backing bitmap.
std::vector<uint32_t> LayeredArgbImage(const Wnd* top, int* width, int* height);

}  // namespace pv::wm
