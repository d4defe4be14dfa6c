// The month list of the date picker: seven consecutive months around the
// month whose title was pressed, the one under the mouse inverted. It
// scrolls by itself while the mouse is held above or below it, faster the
// further away the mouse is; the control reads the chosen offset when the
// button goes up.
#pragma once

#include "platform/base/oledatetime.h"
#include "platform/framework/afx.h"

class CTKDatePickerControl;

class CTKDatePickerList : public CWnd {
 public:
  CTKDatePickerList(CTKDatePickerControl* control, const COleDateTime& month);
  ~CTKDatePickerList() override;

  // Opens over the header rectangle (the control's client coordinates).
  BOOL Create(CRect headerRect);
  void ScrollBack(int months);
  void ScrollForward(int months);
  // The control's repeat-timer tick while the list is open.
  void OnTimerStep();
  // Months from the pressed month to the one under the mouse; 0 for none.
  int GetMonthOffset() const;
  CSize CalcSize();

  const COleDateTime& GetCentreMonth() const { return m_dtMiddleMonth; }
  const COleDateTime& GetSelectedMonth() const { return m_dtSelMonth; }
  // The month of the top row as painted.
  COleDateTime GetFirstRowMonth() const;
  int GetRowCount() const { return m_nItemsAbove + m_nItemsBelow + 1; }

 protected:
  BOOL OnEraseBkgnd(CDC* dc);
  void OnPaint();
  DECLARE_MESSAGE_MAP()

  CTKDatePickerControl* m_pControl;
  COleDateTime m_dtStartMonth;
  COleDateTime m_dtMiddleMonth;
  COleDateTime m_dtSelMonth;
  int m_nItemsAbove = 3;
  int m_nItemsBelow = 3;
  CRect m_rcListControl;
};
