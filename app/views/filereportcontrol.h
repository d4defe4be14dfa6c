// CFileReportControl: the organiser's one report grid, on every form. Over
// the toolkit's grid it deletes the focused record from the database on
// Delete (bound, updatable grids only), ends in-place editing on Enter,
// turns files dropped from the shell into attachment rows, draws odd rows
// grey and never refuses a focus change.
//
// Beside it, the operations the forms fill and change their grids with.
#pragma once

#include "toolkit/report/reportcontrol.h"

class CFileReportControl : public CTKReportControl {
  DECLARE_DYNAMIC(CFileReportControl)
 public:
  CFileReportControl();
  ~CFileReportControl() override;

  BOOL OnFocusChanging(CTKReportRow* pNewRow, CTKReportColumn* pNewCol) override;
  int OnGetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs, TK_REPORTRECORDITEM_METRICS* pItemMetrics) override;

  // The task whose attachments the grid shows; dropped files join it.
  int m_nTaskId = 0;

  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnDropFiles(HDROP hDropInfo);

 protected:
  DECLARE_MESSAGE_MAP()
};

// Background of the odd rows.
inline constexpr COLORREF kStripeColor = RGB(200, 200, 200);

// Captions of the reminder grid's two choice lists; a choice is stored by
// its position.
inline constexpr const char16_t* kReminderNumberChoices[] = {u"one", u"two", u"three", u"Countless"};
inline constexpr const char16_t* kReminderSeparationChoices[] = {
    u"5 minutes", u"15 minutes", u"30 minutes", u"1 hour", u"2 hours", u"3 hours",
    u"5 hours",   u"12 hours",   u"day",        u"week",   u"month",   u"year"};

// The seven columns of the reminder grid with their edit options.
void AddReminderColumns(CTKReportControl* grid);

// One FILES row (base name, extension, task) through the grid's binding;
// FALSE, and nothing added, when the grid is unbound or the row is refused.
BOOL AddAttachmentRow(CTKReportControl* grid, const CString& fileName, const CString& extension, int taskId);
// One FINANCIAL row through the grid's binding.
BOOL AddIncomeExpenditureRow(CTKReportControl* grid, const CString& item, const CString& remarks, float income,
                             float expenditure, int taskId, int itemId);
// Shows the row of a reminder just inserted (due ten minutes from now),
// focused as the last row. Always TRUE.
BOOL AddNewReminderRow(CTKReportControl* grid, int reminderId);
// Deletes the focused row's record from the bound recordset's table. FALSE
// with nothing deleted when there is no focused row, the grid is unbound,
// its recordset is read-only (a join) or the database refuses (shown under
// "Prompt").
BOOL DeleteFocusedRecord(CTKReportControl* grid);
