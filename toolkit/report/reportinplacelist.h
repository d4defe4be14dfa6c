// The drop-down list of choices opened under a cell by its combo button:
// type-ahead, apply on Enter or a click inside, cancel on Escape or a
// click outside.
#pragma once

#include "platform/controls/afxcmn.h"
#include "toolkit/report/reportinplacebutton.h"

class CTKReportRecordItemConstraints;

class CTKReportInplaceList : public CListBox, public CTKReportInplaceControl {
 public:
  CTKReportInplaceList() = default;
  ~CTKReportInplaceList() override;

  void Create(TK_REPORTRECORDITEM_ARGS* pItemArgs, CTKReportRecordItemConstraints* pConstaints);
  // Gives the selected choice to the item (-57); the focus returns to the
  // control.
  void Apply();
  // Closes without a choice.
  void Cancel();

  int m_nItemsShow = 10;
  CString m_strHotSearchText;
  DWORD m_dwLastKeyDownTime = 0;
  BOOL m_bApply = FALSE;

 protected:
  virtual void OnSelectionChanged(int nLBIndex);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnTypeAhead(UINT nChar);
};
