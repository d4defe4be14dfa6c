// A virtual X display that announces a window manager (its check window on
// the root) for the life of the scope, so the desktop back end treats focus
// changes as a managed desktop's: a window the desktop focuses is one the
// user chose. Xlib stays inside managed_display.cpp (its macros clash with
// GoogleTest's).
#pragma once

namespace ctltest {

class ManagedDisplayScope {
 public:
  ManagedDisplayScope();
  ~ManagedDisplayScope();
  ManagedDisplayScope(const ManagedDisplayScope&) = delete;
  ManagedDisplayScope& operator=(const ManagedDisplayScope&) = delete;
  bool Ok() const { return display_ != nullptr; }
  // Whether the desktop window at a screen point is one the window manager
  // leaves alone (override-redirect, as pop-up menus are): it neither frames
  // nor focuses it.
  bool UnmanagedAt(int x, int y) const;

 private:
  void* display_ = nullptr;
  unsigned long check_ = 0;
};

}  // namespace ctltest
