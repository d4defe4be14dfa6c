// Keyboard navigation of the report control: which row (and column) gets
// the focus for a key. CTKReportNavigator walks the ordinary grid across
// the header, body and footer rows; CTKReportIconNavigator walks icons
// laid out line by line in icon view.
#pragma once

#include "platform/base/cmdtarget.h"

class CTKReportControl;
class CTKReportRow;
class CTKReportRows;

class CTKReportNavigator : public CCmdTarget {
 public:
  explicit CTKReportNavigator(CTKReportControl* pReportControl) : m_pReportControl(pReportControl) {}

  virtual void BeginEdit();
  virtual void MoveDown(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MoveRight(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MoveUp(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MoveLeft(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MovePageDown(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MovePageUp(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  virtual void MoveColumn(BOOL bBack, BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);

  void MovePreviousColumn(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) {
    MoveColumn(TRUE, bShiftKey, bControlKey);
  }
  void MoveNextColumn(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) { MoveColumn(FALSE, bShiftKey, bControlKey); }
  void MoveFirstRow(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  void MoveLastRow(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  void MoveToRow(int nRowIndex, BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE);
  void MoveFirstVisibleRow(int nSectionKind);
  void MoveLastVisibleRow(int nSectionKind);
  void MoveToHeaderRows(BOOL bEnable = TRUE);
  void MoveToFooterRows(BOOL bEnable = TRUE);

  CTKReportControl* GetControl() const { return m_pReportControl; }

 protected:
  // Ctrl as the moves pass it: forced by multiple selection without Ctrl.
  BOOL ControlState(BOOL bControlKey) const;
  // Focus and select the row as a key move does, then the group-row
  // clean-up.
  void FocusRow(CTKReportRow* pRow, BOOL bShiftKey, BOOL bControlKey);
  BOOL IsHeaderRowsReachable() const;
  BOOL IsFooterRowsReachable() const;

 public:
  CTKReportControl* m_pReportControl;
};

class CTKReportIconNavigator : public CTKReportNavigator {
 public:
  using CTKReportNavigator::CTKReportNavigator;

  void BeginEdit() override;
  void MoveDown(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MoveRight(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MoveUp(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MoveLeft(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MovePageDown(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MovePageUp(BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
  void MoveColumn(BOOL bBack, BOOL bShiftKey = FALSE, BOOL bControlKey = FALSE) override;
};
