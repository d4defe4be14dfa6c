#include "app/views/financialrecord.h"

#include "app/data/datastore.h"
#include "app/views/enquirysql.h"
#include "toolkit/common/propexchangeschema.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"

IMPLEMENT_SERIAL(CFinancialExcludeItemCheck, CTKReportRecordItem, VERSIONABLE_SCHEMA | kTKSchemaCurrent)
IMPLEMENT_SERIAL(CFinancialRecord, CTKReportRecord, VERSIONABLE_SCHEMA | kTKSchemaCurrent)

CFinancialExcludeItemCheck::CFinancialExcludeItemCheck(BOOL checked) {
  SetHasCheckbox(TRUE, FALSE);
  SetChecked(checked);
  SetEditable(FALSE);
}

int CFinancialExcludeItemCheck::Compare(CTKReportColumn*, CTKReportRecordItem* pItem) {
  return GetCheckedState() - pItem->GetCheckedState();
}

CFinancialRecord::CFinancialRecord() = default;

CFinancialRecord::CFinancialRecord(const CString& item, double income, double expenditure, const CString& remarks,
                                   BOOL exclude, int itemId, int taskId) {
  AddItem(new CTKReportRecordItemText(item));
  AddItem(new CTKReportRecordItemNumber(income))->SetFormatString(u"%0.f");
  AddItem(new CTKReportRecordItemNumber(expenditure))->SetFormatString(u"%0.f");
  AddItem(new CTKReportRecordItemText(remarks));
  AddItem(new CFinancialExcludeItemCheck(exclude));
  AddItem(new CTKReportRecordItemText(u""));
  AddItem(new CTKReportRecordItemNumber(taskId));
  AddItem(new CTKReportRecordItemNumber(itemId));
}

FinancialSums SumFinancialRecords(CTKReportControl& grid) {
  FinancialSums sums;
  CTKReportRows* rows = grid.GetBodyRows();
  for (int i = 0; rows && i < rows->GetCount(); ++i) {
    CTKReportRecord* record = rows->GetAt(i)->GetRecord();
    if (!record || record->GetItemCount() < 5) continue;
    // Any state but unchecked leaves the row out.
    if (record->GetItem(4)->GetCheckedState() != 0) continue;
    if (auto* income = dynamic_cast<CTKReportRecordItemNumber*>(record->GetItem(1))) sums.income += income->GetValue();
    if (auto* spent = dynamic_cast<CTKReportRecordItemNumber*>(record->GetItem(2)))
      sums.expenditure += spent->GetValue();
  }
  return sums;
}

FinancialQuery MakeFinancialQuery(const COleDateTime& start, const COleDateTime& end, const CString& keyword,
                                  bool withItemId) {
  FinancialQuery q;
  q.sql = withItemId
              ? u"SELECT Item, income, expenditure, remarks, tasktime,task.taid,fiid FROM FINANCIAL INNER JOIN "
                u"task ON FINANCIAL.taid=task.taid where "
              : u"SELECT Item, income, expenditure, remarks, tasktime,task.taid FROM FINANCIAL INNER JOIN task ON "
                u"FINANCIAL.taid=task.taid where ";
  if (!keyword.IsEmpty()) {
    q.sql += u"Item like ? and ";
    q.values[q.count++] = CDataStore::TextValue(u"%" + EscapeLikeKeyword(keyword) + u"%");
  }
  q.sql += u"tasktime between ? and ?";
  // The time of day is dropped: both ends are midnight.
  q.values[q.count++] =
      _variant_t(DATE(COleDateTime(start.GetYear(), start.GetMonth(), start.GetDay(), 0, 0, 0)), VT_DATE);
  q.values[q.count++] = _variant_t(DATE(COleDateTime(end.GetYear(), end.GetMonth(), end.GetDay(), 0, 0, 0)), VT_DATE);
  return q;
}
