// What the thread's mouse manager needs of a popup bar it tracks: its window,
// its lock count, losing tracking, dropping its selection, where it is on the
// screen and its mouse moves. The command bars implement it; the foundation
// never sees them.
#pragma once

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CTKTrackedBar {
 public:
  // IsPointInBar's answer for a point the bar never claims, not even through
  // a child window under the point (a dialog bar outside its caption row).
  static constexpr int kPointNeverInBar = -2;

  virtual ~CTKTrackedBar() = default;

  // The bar's window; null while it has none.
  virtual HWND GetTrackedBarWindow() const = 0;
  // Takes the bar out of tracking mode, and so out of the tracked bars.
  virtual void OnTrackLost() = 0;
  virtual void ClearSelection() = 0;
  // 1 inside the bar, 0 outside.
  virtual int HitTestScreenPoint(POINT ptScreen) const = 0;
  // 1 inside, 0 outside (a child window under the point still counts),
  // kPointNeverInBar outside with children not counting either.
  virtual int IsPointInBar(POINT ptScreen) const { return HitTestScreenPoint(ptScreen); }
  // A mouse move the manager passes on, in the bar's client coordinates.
  virtual void OnTrackedMouseMove(UINT nFlags, CPoint ptClient) = 0;

  // Above 0 the bar is locked open: the mouse manager raises and lowers it
  // for every tracked bar; leaving tracking mode resets it.
  int m_nLockCount = 0;
};
