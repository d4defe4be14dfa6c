// The reminder rows of the scheduled-task form's reminder grid: content,
// date, time, repeat count, repeat interval, the send-as-message check box
// and the reminder id, in this order.
#pragma once

#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

// The reminder's date, shown as "%a %Y-%m-%d"; the zero date (no date) as
// "None". Typed text is read as a date-time in the user's locale; text
// that is no date leaves the value as it was.
class CRemindDate : public CTKReportRecordItemDateTime {
  DECLARE_SERIAL(CRemindDate)
 public:
  CRemindDate();
  explicit CRemindDate(const COleDateTime& value);

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
  void OnEditChanged(TK_REPORTRECORDITEM_ARGS* pItemArgs, LPCTSTR szText) override;
};

// The reminder's time of day, shown as "%H:%M" (midnight is "00:00").
class CRemindTime : public CRemindDate {
  DECLARE_SERIAL(CRemindTime)
 public:
  CRemindTime();
  explicit CRemindTime(const COleDateTime& value);

  CString GetCaption(CTKReportColumn* pColumn = nullptr) override;
};

// The send-as-message flag: a two-state check box without text; sorts
// unchecked before checked.
class CMessageRecordItemCheck : public CTKReportRecordItem {
  DECLARE_SERIAL(CMessageRecordItemCheck)
 public:
  explicit CMessageRecordItemCheck(BOOL checked = FALSE);

  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
  // The check box, centred in the cell, where a click toggles it.
  int Draw(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs) override;
};

class CRemindRecord : public CTKReportRecord {
  DECLARE_SERIAL(CRemindRecord)
 public:
  CRemindRecord();
  CRemindRecord(const CString& content, const COleDateTime& date, const COleDateTime& time,
                const CString& numberOfTimes, const CString& separation, int rid, BOOL message);
};
