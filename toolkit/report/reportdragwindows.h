// The two floating windows of a column drag in the report header: the
// image of the dragged column, which also scrolls the report sideways
// when pushed past the control's edge, and the pair of arrows that marks
// where the column would land. The header creates, moves and destroys
// them; each deletes itself when its window goes.
#pragma once

#include "platform/framework/afx.h"
#include "platform/framework/afxgdi.h"

class CTKReportColumn;
class CTKReportHeader;
class CTKReportPaintManager;

// One auto-scroll tick of the drag image, from how far it reaches past the
// edge it is pushed against.
struct TK_REPORTDRAGSCROLL {
  int nStep;      // pixels to scroll
  int nInterval;  // milliseconds to the next tick
};
// The step is max(3, min(overshoot / 10, 7)); the interval
// max((80 - overshoot) * 10, 30) by whole columns, else max(100 - overshoot, 10).
TK_REPORTDRAGSCROLL TKCalcReportDragScroll(int nOvershoot, BOOL bWholeColumns);

class CTKReportHeaderDragWnd : public CWnd {
 public:
  CTKReportHeaderDragWnd() = default;

  // A popup tool window at the screen rectangle; a rectangle without height
  // takes the paint manager's header height. Starts the auto-scroll timer
  // when the control scrolls sideways. FALSE when no window was made.
  virtual BOOL Create(int left, int top, int right, int bottom, CTKReportHeader* pHeader,
                      CTKReportPaintManager* pPaintManager, CTKReportColumn* pColumn);
  // The header background with the column in its external form.
  virtual void Draw(CDC* pDC, CRect rc);

  CTKReportHeader* GetHeader() const { return m_pHeader; }
  CTKReportColumn* GetColumn() const { return m_pColumn; }

  static constexpr UINT_PTR kScrollTimer = 1;

 protected:
  void PostNcDestroy() override { delete this; }
  void OnPaint();
  BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  void OnTimer(UINT_PTR nIDEvent);
  // The control's horizontal scroll bar shows.
  BOOL IsControlScrollingSideways();
  DECLARE_MESSAGE_MAP()

  CTKReportHeader* m_pHeader = nullptr;
  CTKReportPaintManager* m_pPaintManager = nullptr;
  CTKReportColumn* m_pColumn = nullptr;
};

class CTKReportHeaderDropWnd : public CWnd {
 public:
  explicit CTKReportHeaderDropWnd(COLORREF color) : m_clr(color) {}

  // A 12-pixel-wide marker reaching 10 pixels above and below a header row
  // of height nHeaderHeight, shaped as two arrows.
  virtual BOOL Create(CWnd* pControl, int nHeaderHeight);
  // Centres the marker on x and its middle on y, and shows it.
  void SetPosition(int x, int y);
  int GetHeight() const { return m_nHeight; }

  // The arrows of a marker of height H: down at the top, up at the bottom.
  static BOOL BuildArrowRegion(CRgn& rgn, int nHeight);

 protected:
  void PostNcDestroy() override;
  BOOL OnEraseBkgnd(CDC* pDC);
  DECLARE_MESSAGE_MAP()

  COLORREF m_clr;
  CRgn m_rgn;
  int m_nHeight = 0;
};
