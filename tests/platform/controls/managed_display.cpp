#include "managed_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace ctltest {

ManagedDisplayScope::ManagedDisplayScope() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  display_ = d;
  check_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Window check = check_;
  XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&check), 1);
  XSync(d, False);
}

ManagedDisplayScope::~ManagedDisplayScope() {
  auto* d = static_cast<Display*>(display_);
  if (!d) return;
  XDeleteProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False));
  XDestroyWindow(d, check_);
  XSync(d, False);
  XCloseDisplay(d);
}

bool ManagedDisplayScope::UnmanagedAt(int x, int y) const {
  auto* d = static_cast<Display*>(display_);
  if (!d) return false;
  XSync(d, False);
  Window root = DefaultRootWindow(d), child = 0;
  int cx = 0, cy = 0;
  if (!XTranslateCoordinates(d, root, root, x, y, &cx, &cy, &child) || !child) return false;
  XWindowAttributes attrs{};
  return XGetWindowAttributes(d, child, &attrs) && attrs.override_redirect;
}

}  // namespace ctltest
