// The count form's rows: one income/expenditure item each, with the
// "exclude" check box that leaves it out of the sums, and the sums.
#pragma once

#include "platform/ado/ado.h"
#include "platform/base/oledatetime.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"

class CTKReportControl;

// The "exclude" cell: a two-state check box whose text is not editable;
// sorts unchecked before checked.
class CFinancialExcludeItemCheck : public CTKReportRecordItem {
  DECLARE_SERIAL(CFinancialExcludeItemCheck)
 public:
  explicit CFinancialExcludeItemCheck(BOOL checked = FALSE);

  int Compare(CTKReportColumn* pColumn, CTKReportRecordItem* pItem) override;
};

// Items: 0 item text, 1 income and 2 expenditure (shown "%0.f"), 3 remarks,
// 4 exclude, 5 the delete button's cell, 6 task id, 7 item id.
class CFinancialRecord : public CTKReportRecord {
  DECLARE_SERIAL(CFinancialRecord)
 public:
  CFinancialRecord();
  CFinancialRecord(const CString& item, double income, double expenditure, const CString& remarks, BOOL exclude,
                   int itemId, int taskId);
};

// The sums of the rows not excluded, added in double precision (the
// stored values are single-precision, their sum need not be).
struct FinancialSums {
  double income = 0;
  double expenditure = 0;
  double Total() const { return income - expenditure; }
};
FinancialSums SumFinancialRecords(CTKReportControl& grid);

// The count form's query over [start, end] (days at midnight) with the
// keyword (matched literally, anywhere in Item) when not empty; Add's
// query also returns fiid. The statement and its bound values.
struct FinancialQuery {
  CString sql;
  _variant_t values[3];
  int count = 0;
};
FinancialQuery MakeFinancialQuery(const COleDateTime& start, const COleDateTime& end, const CString& keyword,
                                  bool withItemId);
