// The list of the columns the user has hidden, attached to a report
// control's header so that they can be dragged back. Each entry shows a
// column caption and carries the column's item index as its data.
#pragma once

#include "platform/controls/afxcmn.h"

class CTKReportControl;
class CTKReportColumn;

class CTKReportFieldChooserList : public CListBox {
 public:
  CTKReportFieldChooserList() = default;

  void SetReportCtrl(CTKReportControl* pControl) { m_pReportControl = pControl; }
  CTKReportControl* GetReportCtrl() const { return m_pReportControl; }
  void SetSorted(BOOL bSorted) { m_bSortedList = bSorted; }

  // The column of an entry; null without control or window.
  CTKReportColumn* GetItemColumn(int nIndex) const;
  // The last entry carrying the item index, -1 when none.
  int FindItemByIndex(int nItemIndex) const;
  CString GetItemText(int nIndex) const;
  // Lists the hidden columns shown in the field chooser, drops the others;
  // FALSE without control or window.
  BOOL UpdateList();

 protected:
  CTKReportControl* m_pReportControl = nullptr;
  BOOL m_bSortedList = FALSE;
};
