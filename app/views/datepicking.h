// In-place date editing of the reminder grid: a month calendar dropped
// below a cell, and the creation-date cell type of the grid family.
#pragma once

#include "platform/base/oledatetime.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/report/reportitemtypes.h"

// Drops a one-month calendar below `cellRect` (the cell in `grid`'s client
// coordinates), with `date` selected, and runs it modally. 1 when the user
// chose a day: `date` becomes that day at 00:00:00. 0 when the calendar was
// cancelled, closed without a day or could not be shown; `date` is then
// unchanged.
int EditDateInPicker(const RECT& cellRect, COleDateTime& date, CWnd* grid);

// A date-time cell holding the local time of its creation, shown as
// "%a %m/%d/%Y  %H:%M:%S"; never grouped by value.
class CCreateDate : public CTKReportRecordItemDateTime {
  DECLARE_SERIAL(CCreateDate)
 public:
  CCreateDate();

  int GetGroupId(CTKReportColumn* pColumn) override;
};
