// The moving outline while the user drags a splitter or sizing bar: a
// modal mouse loop that reports where the drag ended. The caller applies
// the position only when the drag ends with the left button released.
#pragma once

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CDC;
class CWnd;

class CTKSplitterTracker {
 public:
  using PFNSETLAYEREDWINDOWATTRIBUTES = BOOL (*)(HWND, COLORREF, BYTE, DWORD);

  // bSolid inverts the rectangle instead of drawing the halftone pattern;
  // bDesktopDC tracks in screen coordinates on the desktop window.
  explicit CTKSplitterTracker(BOOL bSolid = FALSE, BOOL bDesktopDC = TRUE);
  ~CTKSplitterTracker();
  CTKSplitterTracker(const CTKSplitterTracker&) = delete;
  CTKSplitterTracker& operator=(const CTKSplitterTracker&) = delete;

  // Screen coordinates throughout. TRUE when the left button was released;
  // FALSE after Escape or a lost capture. rectTracker holds the last
  // position either way, and the outline is gone when this returns.
  BOOL Track(CWnd* pTrackWnd, CRect rcAvail, CRect& rectTracker, CPoint point, BOOL bHoriz);
  // Draws the outline; a second call on the same rectangle erases it.
  void OnInvertTracker(const CRect& rect);

  void SetBoundRect(const CRect& rc) { m_rcBoundRect = rc; }
  HWND GetOutlineWindow() const { return m_hWndLayered; }

 private:
  CDC* m_pDC = nullptr;
  BOOL m_bSolid = FALSE;
  CRect m_rcBoundRect;
  CWnd* m_pWnd = nullptr;
  BOOL m_bDesktopDC = TRUE;
  HWND m_hWndLayered = nullptr;
  PFNSETLAYEREDWINDOWATTRIBUTES m_pfnSetLayeredWindowAttributes = nullptr;

  HWND m_hWndDC = nullptr;  // whose window DC draws the outline
  BOOL m_bLocked = FALSE;
};
