// The months of the date picker and their 42 day cells (six weeks of seven
// days): layout of the header, day-name row, week-number column and day
// grid; hit tests; and the mouse handling that starts scrolling, opens the
// month list or runs a mouse selection.
#pragma once

#include <vector>

#include "platform/base/oledatetime.h"
#include "platform/framework/afx.h"

class CTKDatePickerControl;
class CTKDatePickerItemMonth;

class CTKDatePickerItemDay : public CCmdTarget {
 public:
  CTKDatePickerItemDay(CTKDatePickerControl* control, CTKDatePickerItemMonth* month, const COleDateTime& date);
  ~CTKDatePickerItemDay() override = default;

  virtual void Draw(CDC* dc);
  // Same year, month and day as the control's today.
  BOOL IsToday(const COleDateTime& date) const;

  CTKDatePickerControl* GetControl() const { return m_pControl; }
  CTKDatePickerItemMonth* GetMonth() const { return m_pMonth; }
  const COleDateTime& GetDate() const { return m_dtDay; }
  const CRect& GetRect() const { return m_rcDay; }
  void SetRect(const CRect& rect) { m_rcDay = rect; }
  BOOL IsVisible() const { return m_bVisible; }

 protected:
  CTKDatePickerControl* m_pControl;
  CTKDatePickerItemMonth* m_pMonth;
  COleDateTime m_dtDay;
  CRect m_rcDay;
  BOOL m_bVisible = FALSE;
};

class CTKDatePickerItemMonth : public CCmdTarget {
 public:
  CTKDatePickerItemMonth(CTKDatePickerControl* control, const COleDateTime& month, int row, int col);
  ~CTKDatePickerItemMonth() override;

  virtual void Draw(CDC* dc);

  void AdjustLayout(CRect rect, BOOL fixedLayout);
  int GetDayCount() const { return static_cast<int>(m_arrDays.size()); }
  CTKDatePickerItemDay* GetDay(int index) const;
  CTKDatePickerItemDay* HitTestDay(CPoint point, BOOL visibleOnly = TRUE) const;
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point) {}
  void OnMouseMove(UINT flags, CPoint point);
  BOOL OnSetCursor(CPoint point);

  const COleDateTime& GetMonth() const { return m_dtMonth; }
  int GetRow() const { return m_nRow; }
  int GetColumn() const { return m_nColumn; }

  CTKDatePickerControl* m_pControl;
  int m_nRow;
  int m_nColumn;
  COleDateTime m_dtMonth;
  BOOL m_bShowDaysBefore = FALSE;
  BOOL m_bShowDaysAfter = FALSE;
  BOOL m_bShowLeftScroll = FALSE;
  BOOL m_bShowRightScroll = FALSE;
  CRect m_rcMonth;
  CRect m_rcHeader;
  CRect m_rcDaysOfWeek;
  CRect m_rcWeekNumbers;
  CRect m_rcDaysArea;
  CRect m_rcLeftScroll;
  CRect m_rcRightScroll;
  std::vector<CTKDatePickerItemDay*> m_arrDays;

 protected:
  void PopulateDays();
  void ClearDays();
  // The cell under the point for a mouse selection, drawn or not.
  CTKDatePickerItemDay* DragCellAt(CPoint point) const;
};
