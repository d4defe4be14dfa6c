#include "app/views/datepicking.h"

#include <memory>

#include "toolkit/common/propexchangeschema.h"
#include "toolkit/controls/datepickercontrol.h"
#include "toolkit/controls/datepickerdays.h"

int EditDateInPicker(const RECT& cellRect, COleDateTime& date, CWnd* grid) {
  auto picker = std::make_unique<CTKDatePickerControl>();
  CTKDatePickerDaysCollection* days = picker->GetSelectedDays();
  if (!days) return 0;
  picker->SetMaxSelCount(1);
  days->SelectDay(date);
  picker->EnsureVisible(date);

  CRect size;
  if (!picker->GetMinReqRect(&size, 1, 1)) return 0;
  size.InflateRect(5, 5);
  // Directly below the cell, aligned with its left edge.
  POINT corner = {cellRect.left, cellRect.bottom};
  if (grid && grid->m_hWnd) ::ClientToScreen(grid->m_hWnd, &corner);
  const CRect popup(corner.x, corner.y, corner.x + size.Width(), corner.y + size.Height());
  if (!picker->GoModal(popup, grid)) return 0;
  // The "None" button closes with OK and no day: nothing was chosen.
  if (days->GetSelectedBlocksCount() == 0) return 0;
  date = CTKDatePickerDaysCollection::DateOfDay(days->GetSelectedBlock(0).nDateBegin);
  return 1;
}

IMPLEMENT_SERIAL(CCreateDate, CTKReportRecordItemDateTime, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CCreateDate::CCreateDate() : CTKReportRecordItemDateTime(COleDateTime::GetCurrentTime()) {
  m_strFormatString = u"%a %m/%d/%Y  %H:%M:%S";
}

int CCreateDate::GetGroupId(CTKReportColumn*) { return -1; }
