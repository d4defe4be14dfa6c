// The date tree: tasks under the day they fall on, days under their month
// and year. Three variants: the days that have tasks ("Task Day"), every
// day from the first task's to today ("Everyday"), and those without
// Saturdays and Sundays ("Workday").
#pragma once

#include "app/views/captiontree.h"

class COleDateTime;

// English day names by day of the week, Sunday first, whatever the
// system's language.
extern const char16_t* const g_dayNames[7];

// The texts of a date's items: "2010", "2010.5" and "2010.5.14 Friday".
CString DateTreeYearText(const COleDateTime& date);
CString DateTreeMonthText(const COleDateTime& date);
CString DateTreeDayText(const COleDateTime& date);

class CDateTree : public CTKTreeCtrl {
  DECLARE_DYNAMIC(CDateTree)
 public:
  CDateTree();
  ~CDateTree() override;

  // Each adds the root and the date and task items of its variant to the
  // tree as it is and expands the path of the last day made. A database
  // error ends the fill with what it made so far, shown once; the
  // recordset is closed on every path. Always 0.
  int FillDateTree();
  int FillDateTreeEveryday();
  int FillDateTreeWorkdays();

  // The framework window's handling only, as in the work tree.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  _RecordsetPtr m_pTaskRecordset;  // never opened
  _RecordsetPtr m_pWorkRecordset;  // the joined query
  // 0 every day, 1 workdays only, 2 task days only; set by the main frame.
  int m_filterMode = 0;

 private:
  enum class Variant { TaskDays, Everyday, Workdays };
  int Fill(Variant variant);
};
