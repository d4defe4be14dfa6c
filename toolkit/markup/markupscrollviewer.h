// The scroll viewer: one content element in a viewport, shifted by two
// offsets, with a vertical and a horizontal bar that appear as the
// visibility settings and the content's size demand, and a gripper in the
// corner between them. The bars lay out and draw like the system's scroll
// bars and track presses in a local message loop with an auto-repeat timer.
#pragma once

#include "platform/window/winuser.h"
#include "toolkit/markup/markupelements.h"

class CTKWinThemeWrapper;
class CTKMarkupScrollViewer;

// Where the parts of a bar lie along and across it.
struct TKMARKUPSCROLLBARLAYOUT {
  int nMin, nMax, nPage, nPos;
  int nStart, nEnd;              // along the bar
  int nAcrossStart, nAcrossEnd;  // across it
  int nThumbLength;
  int nFirstArrowEnd, nSecondArrowStart;
  int nDragStart;  // the thumb start when a drag began
  int nThumbEnd, nThumbStart;
  int nFreeTravel, nTravelStart;
  RECT rcBar;
  int nActivePart;
  BOOL bVertical;
};

class CTKMarkupScrollBar : public CTKMarkupControl {
  TK_DECLARE_MARKUPCLASS(CTKMarkupScrollBar)
 public:
  // Part codes.
  enum {
    kPartNone = 0,
    kPartFirstArrow = 60,
    kPartSecondArrow = 61,
    kPartPageBefore = 62,
    kPartPageAfter = 63,
    kPartThumb = 64
  };
  // The auto-repeat timer of a press, on the host window.
  static constexpr UINT_PTR kRepeatTimerId = 63345;

  CTKMarkupScrollBar();
  ~CTKMarkupScrollBar() override;

  void SetOrientation(int nOrientation) { m_nOrientation = nOrientation; }
  int GetOrientation() const { return m_nOrientation; }  // 1 vertical, 0 horizontal
  void UpdateScrollInfo(const SCROLLINFO& si);
  const SCROLLINFO& GetScrollInfo() const { return m_si; }
  const TKMARKUPSCROLLBARLAYOUT& GetLayout() const { return m_layout; }
  void SendScrollCommand(int nCommand, int nValue);
  BOOL IsScrollEnabled() const;
  int HitTestPart(int x, int y) const;
  int PosFromPixel(int nPixel) const;
  BOOL IsTracking() const { return m_pTracking != nullptr; }

  void OnMouseLeave(CTKMarkupMouseEventArgs* e) override;
  void OnMouseMove(CTKMarkupMouseEventArgs* e) override;
  void OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) override {}
  void OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) override;
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;

 protected:
  struct TRACKING {
    BOOL bInside = FALSE;
    RECT rcTrack{};
    int nCommand = -1;
    UINT_PTR nTimer = 0;
    int nDragOffset = 0;
    int nLastPixel = 0;
    int nTrackPos = 0;
    int nNewPos = 0;
    HWND hWnd = nullptr;
    BOOL bDragging = FALSE;
    TKMARKUPSCROLLBARLAYOUT* pLayout = nullptr;
  };

  void CalcScrollBarLayout(const RECT& rc);
  RECT AlongRect(int nFrom, int nTo) const;
  void TrackMouse(HWND hWnd, POINT pt, BOOL bShift);
  void TrackPart(UINT nMessage, int x, int y);
  void TrackThumb(UINT nMessage, int x, int y);
  void MoveThumb(int nPixel);
  void OnRepeatTimer();
  void EndTracking();
  POINT CursorInBar() const;
  void Redraw();

  int m_nOrientation = 1;
  TKMARKUPSCROLLBARLAYOUT m_layout{};
  SCROLLINFO m_si{};
  TRACKING* m_pTracking = nullptr;
  CTKWinThemeWrapper* m_pTheme;
};

// The corner square between the two bars.
class CTKMarkupScrollBarGripper : public CTKMarkupUIElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupScrollBarGripper)
 public:
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  // Placed where it is arranged: the corner between the two bars.
  void ArrangeCore(int left, int top, int right, int bottom) override;
};

class CTKMarkupScrollViewer : public CTKMarkupContentControl {
  TK_DECLARE_MARKUPCLASS(CTKMarkupScrollViewer)
 public:
  // Visibility values.
  enum { kDisabled = 0, kAuto = 1, kVisible = 2 };

  CTKMarkupScrollViewer();
  ~CTKMarkupScrollViewer() override;
  static void RegisterMarkupDependencyProperties();

  int GetOffset(int nOrientation) const { return nOrientation ? m_nVerticalOffset : m_nHorizontalOffset; }
  void SetOffset(int nOrientation, int nValue);
  int GetMaxOffset(int nOrientation) const;
  void ScrollBy(int nOrientation, int nCommand, int nValue);
  CTKMarkupScrollBar* GetScrollBar(int nOrientation) const { return nOrientation ? m_pVerticalBar : m_pHorizontalBar; }
  CTKMarkupScrollBarGripper* GetGripper() const { return m_pGripper; }

  int GetVisualChildrenCount() const override;
  CTKMarkupVisual* GetVisualChild(int nIndex) const override;
  void OnMouseWheel(CTKMarkupMouseWheelEventArgs* e) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;

  static CTKMarkupDependencyProperty* m_pVerticalScrollBarVisibilityProperty;
  static CTKMarkupDependencyProperty* m_pHorizontalScrollBarVisibilityProperty;

 protected:
  void EnsureScrollBar(int nOrientation);
  void ReleaseScrollBar(int nOrientation);
  int GetVisibility(CTKMarkupDependencyProperty* pProperty, int nUnset) const;

  CTKMarkupScrollBar* m_pVerticalBar = nullptr;
  CTKMarkupScrollBar* m_pHorizontalBar = nullptr;
  CTKMarkupScrollBarGripper* m_pGripper = nullptr;
  int m_nHorizontalOffset = 0;
  int m_nVerticalOffset = 0;
};
