// What a self-drawn scroll bar needs: the geometry of its parts, the hit
// test and a modal mouse-tracking loop for clicks on arrows, page areas and
// the thumb, with auto-repeat. The derived control supplies the rectangle,
// the range and the reaction to scroll commands.
#pragma once

#include <vector>

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"

class CWnd;
class CTKScrollBarPaintManager;

// Where the parts of a bar lie; coordinates along the bar's axis unless named.
struct TK_SCROLLBAR_POSINFO {
  int posMin = 0, posMax = 0, page = 0, pos = 0;
  int pxTop = 0, pxBottom = 0;  // the bar's start and end along its axis
  int pxLeft = 0, pxRight = 0;  // its edges across the axis
  int pxThumbSize = 0;
  int pxUpArrow = 0;    // end of the first arrow
  int pxDownArrow = 0;  // start of the second arrow
  int pxStart = 0;      // the thumb start when a drag began
  int pxThumbBottom = 0, pxThumbTop = 0;
  int pxStop = 0;  // an optional stop position along the bar (0 = none)
  int pxTrackLength = 0, pxTrackStart = 0;
  CRect rc;
};

// One click on the bar, from the button press until the capture ends.
struct TK_SCROLLBAR_TRACKINFO {
  int nPart = 0;  // the scroll command: SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN, or 4 for the thumb
  CRect rcPart;
  BOOL bInside = FALSE;
  UINT_PTR nTimerID = 0;
  int dpxThumb = 0;  // pointer to thumb start
  int pxThumb = 0;   // the thumb's current pixel
  int posNew = 0;
  int posOld = 0;
  BOOL bDragThumb = FALSE;
  HWND hWnd = nullptr;
};

class CTKScrollBase {
 public:
  enum { kHitUpArrow = 60, kHitDownArrow = 61, kHitPageUp = 62, kHitPageDown = 63, kHitThumb = 64, kHitStop = 65 };
  static constexpr UINT_PTR kRepeatTimerId = 23345;
  static constexpr UINT_PTR kAnimationTimerId = 23346;
  static constexpr int kPartThumb = 4;

  CTKScrollBase() = default;
  virtual ~CTKScrollBase() = default;
  CTKScrollBase(const CTKScrollBase&) = delete;
  CTKScrollBase& operator=(const CTKScrollBase&) = delete;

  virtual BOOL IsScrollBarEnabled() const = 0;
  virtual CWnd* GetParentWindow() const = 0;
  virtual void OnScrollAnimationStep() {}
  virtual CRect GetScrollBarRect() = 0;
  virtual void GetScrollInfo(SCROLLINFO* psi) = 0;
  virtual void DoScroll(int nCmd, int nPos) = 0;
  virtual void RedrawScrollBar() = 0;
  virtual void CalcPartRects(CRect rc, TK_SCROLLBAR_POSINFO* pSBInfo, const SCROLLINFO* psi);
  virtual CTKScrollBarPaintManager* GetScrollBarPaintManager() const = 0;

  // GetScrollBarRect and GetScrollInfo, then CalcPartRects with them.
  void UpdateLayout();
  // One of the kHit codes; 0 outside the bar.
  int HitTest(CPoint point) const;
  // The modal tracking of a button press on the bar at a client point. With
  // bJump a click on a page area drags the thumb, centred on the pointer.
  void TrackScrollClick(HWND hWnd, CPoint point, TK_SCROLLBAR_POSINFO* pSBInfo, BOOL bJump);
  // Where a thumb drag stays live: the bar widened by 8 thicknesses across
  // and lengthened by twice the system thumb size at each end.
  CRect CalcTrackingRect(const TK_SCROLLBAR_TRACKINFO* pTrack) const;
  // Scroll-bar styles (m_nScrollBarStyle; 0 follows the command-bar look).
  static constexpr int kStyleFromTheme = 0;
  static constexpr int kStyleFlat = 2;
  static constexpr int kStyleThemed = 3;  // visual styles when on, else classic
  static constexpr int kStyleImages = 5;  // drawn by the image themes
  // The bar's own style, else the one its command-bar look gives.
  int GetScrollBarStyle() const;

  BOOL IsVertical() const { return m_bVertical; }
  const TK_SCROLLBAR_TRACKINFO* GetTrackInfo() const { return m_pSBTrack; }
  // Trackings running on the calling thread.
  static int GetActiveTrackingCount();

  TK_SCROLLBAR_POSINFO m_spi;
  int m_nPressedHt = 0;     // the pressed part during a click, else the hot part
  BOOL m_bVertical = TRUE;  // FALSE: horizontal
  int m_nScrollBarStyle = 0;
  BOOL m_bAnimation = FALSE;
  UINT m_nTimerElapse = 0;
  std::vector<double> m_arrTicks;

 protected:
  void OnArrowOrPageMouse(UINT nMessage, CPoint point);
  void OnThumbTrackMove(UINT nMessage, CPoint point);
  void MoveThumb(int px);
  void OnRepeatTimer();
  void EndTracking(BOOL bCancel);

 private:
  void HandleTrackMouse(UINT nMessage, CPoint point);
  void FollowThumb();
  int Along(CPoint point) const { return m_bVertical ? point.y : point.x; }
  CRect PartRect(int from, int to) const;

  TK_SCROLLBAR_TRACKINFO* m_pSBTrack = nullptr;
};
