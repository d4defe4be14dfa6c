// Fake screens for tests of placement across monitors: the window manager's
// monitor list set up as a desktop with two monitors would report it.
// pvtest::ResetDesktop() puts the one default monitor back.
#pragma once

#include "platform/window/test_input.h"

namespace pvtest {

struct TwoMonitorScreen {
  RECT primary;  // at (0, 0), with a task bar along its bottom
  RECT primaryWork;
  RECT left;      // left of the primary one: negative x, its top above the primary's
  RECT leftWork;  // its task bar along its top
};

// The primary monitor of 1024 x 768 (a 40-pixel task bar) and, left of it,
// one of 1280 x 1024 reaching 128 pixels above it (a 30-pixel task bar at
// its top).
inline TwoMonitorScreen UseTwoMonitors() {
  const TwoMonitorScreen s{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 728}, RECT{-1280, -128, 0, 896},
                           RECT{-1280, -98, 0, 896}};
  pv::test::SetScreen(1024, 768, 40);
  pv::test::AddMonitor(s.left, s.leftWork);
  return s;
}

}  // namespace pvtest
