#include "app/views/filereportcontrol.h"

#include <string>

#include "app/views/attachments.h"
#include "app/views/remindrecord.h"
#include "platform/base/oledatetime.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemeditoptions.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"

IMPLEMENT_DYNAMIC(CFileReportControl, CTKReportControl)

BEGIN_MESSAGE_MAP(CFileReportControl, CTKReportControl)
ON_WM_KEYDOWN()
ON_WM_DROPFILES()
END_MESSAGE_MAP()

CFileReportControl::CFileReportControl() = default;
CFileReportControl::~CFileReportControl() = default;

void CFileReportControl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_RETURN) SetAllowEdit(FALSE);  // the forms' edit commands switch it on again
  if (nChar == VK_DELETE) DeleteFocusedRecord(this);
  CTKReportControl::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CFileReportControl::OnDropFiles(HDROP hDropInfo) {
  const UINT count = DragQueryFileW(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // The whole path, however long: its length first, then the path.
    const UINT length = DragQueryFileW(hDropInfo, i, nullptr, 0);
    std::u16string path(length + 1, u'\0');
    const UINT read = DragQueryFileW(hDropInfo, i, path.data(), length + 1);
    path.resize(read);
    AttachFile(this, CString(path), m_nTaskId, m_hWnd);
  }
  DragFinish(hDropInfo);
  SetFocus();
}

BOOL CFileReportControl::OnFocusChanging(CTKReportRow* pNewRow, CTKReportColumn* pNewCol) {
  CTKReportControl::OnFocusChanging(pNewRow, pNewCol);
  return TRUE;
}

int CFileReportControl::OnGetItemMetrics(TK_REPORTRECORDITEM_DRAWARGS* pDrawArgs,
                                         TK_REPORTRECORDITEM_METRICS* pItemMetrics) {
  if (pDrawArgs && pItemMetrics && pDrawArgs->pRow && pDrawArgs->pRow->GetIndex() % 2 == 1)
    pItemMetrics->clrBackground = kStripeColor;
  return 0;
}

// ---- the forms' grid operations ----------------------------------------------------------------

namespace {

CTKReportColumn* AddChoiceColumn(CTKReportControl* grid, int index, LPCTSTR caption, int width) {
  CTKReportColumn* column = grid->AddColumn(new CTKReportColumn(index, caption, width, TRUE, -1, TRUE, TRUE));
  column->SetEditable(TRUE);
  column->GetEditOptions()->m_bConstraintEdit = TRUE;
  // The drop-down button in the cell: its press reaches the owner first,
  // then drops the column's choices (the date has none: its owner shows
  // the calendar instead).
  column->GetEditOptions()->AddComboButton(TRUE);
  return column;
}

template <std::size_t N>
void AddChoices(CTKReportColumn* column, const char16_t* const (&captions)[N]) {
  for (std::size_t i = 0; i < N; ++i) column->GetEditOptions()->AddConstraint(captions[i], i);
}

// The first choice's caption of the column showing `itemIndex`.
CString FirstChoice(CTKReportControl* grid, int itemIndex) {
  CTKReportColumn* column = grid->GetColumns()->Find(itemIndex);
  if (!column || !column->GetEditOptions()) return CString();
  CTKReportRecordItemConstraint* first = column->GetEditOptions()->GetConstraints()->GetAt(0);
  return first ? first->m_strConstraint : CString();
}

// Sets a variant item's value only when the item already holds that type
// (the type of its field).
void SetIfType(CTKReportRecord* record, int index, const COleVariant& value) {
  auto* item = dynamic_cast<CTKReportRecordItemVariant*>(record->GetItem(index));
  if (item && item->GetValue().vt == value.vt) item->SetValue(value);
}

// Adds the record through the grid's binding, which takes the record over;
// a refused record is freed here. FALSE when the database refuses it.
BOOL AddBoundRecord(CTKReportControl* grid, CTKReportRecord* record) {
  const HRESULT hr = grid->GetOrCreateDataManager()->AddRecord(record, TRUE);
  if (FAILED(hr)) record->InternalRelease();
  return SUCCEEDED(hr);
}

bool HasUpdatableField(const _RecordsetPtr& recordset) {
  FieldsPtr fields = recordset->GetFields();
  const long count = fields->GetCount();
  for (long i = 0; i < count; ++i)
    if (fields->GetItem(_variant_t(i))->GetAttributes() & (adFldUpdatable | adFldUnknownUpdatable)) return true;
  return false;
}

}  // namespace

void AddReminderColumns(CTKReportControl* grid) {
  grid->AddColumn(new CTKReportColumn(0, u"content", 190, TRUE, -1, TRUE, TRUE));
  // The date is chosen in the popup calendar, never typed.
  AddChoiceColumn(grid, 1, u"RemindDate", 160);
  grid->AddColumn(new CTKReportColumn(2, u"RemindTime", 100, TRUE, -1, TRUE, TRUE));
  AddChoices(AddChoiceColumn(grid, 3, u"number", 70), kReminderNumberChoices);
  AddChoices(AddChoiceColumn(grid, 4, u"separation", 90), kReminderSeparationChoices);
  CTKReportColumn* message = grid->AddColumn(new CTKReportColumn(5, u"message", 0, TRUE, -1, TRUE, TRUE));
  message->SetAlignment(0x200000);  // the check box centred
  message->SetVisible(FALSE);
  grid->AddColumn(new CTKReportColumn(6, u"", 0, TRUE, -1, TRUE, TRUE))->SetVisible(FALSE);
}

BOOL AddAttachmentRow(CTKReportControl* grid, const CString& fileName, const CString& extension, int taskId) {
  CTKReportRecord* record = nullptr;
  if (!grid || FAILED(grid->GetOrCreateDataManager()->CreateEmptyRecord(&record)) || !record) return FALSE;
  SetIfType(record, 0, COleVariant(fileName));
  SetIfType(record, 1, COleVariant(extension));
  SetIfType(record, 2, COleVariant(static_cast<long>(taskId)));
  if (!AddBoundRecord(grid, record)) return FALSE;
  grid->SetFocus();
  grid->RebuildRows();
  return TRUE;
}

BOOL AddIncomeExpenditureRow(CTKReportControl* grid, const CString& item, const CString& remarks, float income,
                             float expenditure, int taskId, int itemId) {
  CTKReportRecord* record = nullptr;
  if (!grid || FAILED(grid->GetOrCreateDataManager()->CreateEmptyRecord(&record)) || !record) return FALSE;
  SetIfType(record, 0, COleVariant(item));
  SetIfType(record, 3, COleVariant(remarks));
  SetIfType(record, 1, COleVariant(income));
  SetIfType(record, 2, COleVariant(expenditure));
  SetIfType(record, 4, COleVariant(static_cast<long>(taskId)));
  SetIfType(record, 5, COleVariant(static_cast<long>(itemId)));
  if (!AddBoundRecord(grid, record)) return FALSE;
  grid->RebuildRows();
  return TRUE;
}

BOOL AddNewReminderRow(CTKReportControl* grid, int reminderId) {
  const COleDateTime due = COleDateTime::GetCurrentTime() + COleDateTimeSpan(0, 0, 10, 0);
  const COleDateTime date(due.GetYear(), due.GetMonth(), due.GetDay(), 0, 0, 0);
  const COleDateTime time(1899, 12, 30, due.GetHour(), due.GetMinute(), due.GetSecond());
  grid->AddRecord(new CRemindRecord(u"", date, time, FirstChoice(grid, 3), FirstChoice(grid, 4), reminderId, FALSE));
  grid->SetFocus();
  grid->RebuildRows();
  CTKReportRows* rows = grid->GetBodyRows();
  if (rows && rows->GetCount() > 0) grid->SetFocusedRow(rows->GetAt(rows->GetCount() - 1), FALSE);
  return TRUE;
}

BOOL DeleteFocusedRecord(CTKReportControl* grid) {
  CTKReportRow* row = grid ? grid->GetFocusedRow() : nullptr;
  if (!row) return FALSE;
  CTKReportRecord* record = row->GetRecord();
  if (!record) return FALSE;
  try {
    CTKReportDataManager* manager = grid->GetOrCreateDataManager();
    _RecordsetPtr source = manager->GetDataSource();
    // Unbound rows and read-only results (the enquiry's join) have no row
    // of a table to delete: nothing to do and nothing to say.
    if (!source || source->GetState() == adStateClosed || !HasUpdatableField(source)) return FALSE;
    while (manager->GetLastComError().hResult != 0) {}  // only this delete's error is shown
    record->InternalAddRef();                           // kept while the binding may drop it
    const HRESULT hr = manager->DeleteRecord(record);
    // A grid bound while its recordset was empty hears no recordset
    // events: its record leaves the grid here.
    if (SUCCEEDED(hr) && record->GetRecords()) grid->RemoveRecordEx(record);
    record->InternalRelease();
    if (FAILED(hr)) {
      const TK_REPORTDATAMANAGER_COM_ERROR error = manager->GetLastComError();
      const CString text =
          error.strDescription.IsEmpty() ? CString(u"The row could not be deleted.") : error.strDescription;
      ::MessageBoxW(grid->m_hWnd, text.GetString(), u"Prompt", MB_OK | MB_ICONEXCLAMATION);
      return FALSE;
    }
  } catch (const _com_error& e) {
    _bstr_t description = e.Description();
    const char16_t* text = static_cast<const char16_t*>(description);
    ::MessageBoxW(grid->m_hWnd, text ? text : u"", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  grid->RebuildRows();
  return TRUE;
}
