#include "app/views/financial.h"

#include "app/data/datastore.h"
#include "app/resource.h"
#include "app/views/captiontree.h"
#include "app/views/financialrecord.h"
#include "app/views/forms.h"
#include "app/views/framestate.h"
#include "app/views/search.h"
#include "app/views/treetasks.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportitemcontrols.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

IMPLEMENT_DYNCREATE(CFinancialDoc, CDocument)
IMPLEMENT_DYNCREATE(CFinancialFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CFinancialView, CFormView)

namespace {

// The in-cell button notification: the item block and the button.
struct ItemButtonNotify : ReportItemNotify {
  CTKReportRecordItemControl* pItemControl;
};

double FieldDouble(const _variant_t& v) {
  _variant_t d;
  if (v.vt == VT_NULL || v.vt == VT_EMPTY || FAILED(VariantChangeType(&d, &v, 0, VT_R8))) return 0;
  return d.dblVal;
}

int FieldInt(const _variant_t& v) {
  _variant_t d;
  if (v.vt == VT_NULL || v.vt == VT_EMPTY || FAILED(VariantChangeType(&d, &v, 0, VT_I4))) return 0;
  return d.lVal;
}

}  // namespace

BOOL CFinancialDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CFinancialFrame::Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                             CCreateContext* context) {
  return CreateChildFrame(this, cls, name, style, rect, parent, context);
}

BEGIN_MESSAGE_MAP(CFinancialView, CFormView)
ON_BN_CLICKED(IDC_COUNT_SEARCH, OnSearch)
ON_BN_CLICKED(IDC_COUNT_ADD, OnAdd)
ON_BN_CLICKED(IDC_COUNT_CLEAR, OnClear)
ON_NOTIFY(TK_NM_REPORT_ITEMBUTTONCLICK, IDC_COUNT_ITEMS, OnItemButtonClick)
ON_NOTIFY(TK_NM_REPORT_CHECKED, IDC_COUNT_ITEMS, OnExcludeChecked)
ON_NOTIFY(NM_DBLCLK, IDC_COUNT_ITEMS, OnItemDblClk)
END_MESSAGE_MAP()

CFinancialView::CFinancialView()
    : CFormView(IDD), m_start(COleDateTime::GetCurrentTime()), m_end(COleDateTime::GetCurrentTime()) {}

CFinancialView::~CFinancialView() {
  if (m_pRecordset) CloseIfOpen(m_pRecordset);
}

void CFinancialView::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_COUNT_INCOME, m_fIncome);
  DDX_Text(pDX, IDC_COUNT_EXPENDITURE, m_fExpenditure);
  DDX_Text(pDX, IDC_COUNT_TOTAL, m_fTotal);
  DDX_Control(pDX, IDC_COUNT_ITEMS, m_wndItems);
  DDX_DateTimeCtrl(pDX, IDC_COUNT_START, m_start);
  DDX_DateTimeCtrl(pDX, IDC_COUNT_END, m_end);
  DDX_Text(pDX, IDC_COUNT_KEYWORD, m_strKeyword);
}

void CFinancialView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  if (m_bColumnsMade) return;
  m_bColumnsMade = true;
  struct Column {
    int index;
    const char16_t* caption;
    int width;
    int alignment;
  };
  const Column columns[] = {
      {0, u"expenditure item", 200, -1}, {1, u"income", 70, 1},  {2, u"expenditure", 70, 1}, {3, u"remarks", 150, -1},
      {4, u"exclude", 80, -1},           {5, u"delete", 80, -1}, {6, u"taid", 0, -1},        {7, u"fiid", 0, -1}};
  for (const Column& c : columns) {
    auto* column = m_wndItems.AddColumn(new CTKReportColumn(c.index, c.caption, c.width, TRUE, -1, TRUE, TRUE));
    if (c.alignment >= 0) column->SetAlignment(c.alignment);
    if (c.index == 4) column->SetAlignment(0x200000);
    if (c.index >= 6) column->SetVisible(FALSE);
  }
}

void CFinancialView::RemoveAllRows() {
  CTKReportRows* rows = m_wndItems.GetBodyRows();
  const int count = rows ? rows->GetCount() : 0;
  for (int i = 0; i < count; ++i) {
    rows = m_wndItems.GetBodyRows();
    if (!rows || rows->GetCount() == 0) break;
    m_wndItems.RemoveRowEx(rows->GetAt(0));
  }
}

void CFinancialView::ListItems(bool withItemId) {
  if (m_pRecordset) CloseIfOpen(m_pRecordset);
  m_pRecordset = _RecordsetPtr(u"ADODB.Recordset");
  if (!withItemId) RemoveAllRows();
  UpdateData(TRUE);
  const FinancialQuery q = MakeFinancialQuery(m_start, m_end, m_strKeyword, withItemId);
  const int opened = q.count == 3
                         ? AppDataStore().OpenRecordset(q.sql, {q.values[0], q.values[1], q.values[2]}, m_pRecordset)
                         : AppDataStore().OpenRecordset(q.sql, {q.values[0], q.values[1]}, m_pRecordset);
  if (!opened) return;  // shown by the store
  try {
    FieldsPtr f = m_pRecordset->GetFields();
    for (; !m_pRecordset->GetadoEOF(); m_pRecordset->MoveNext()) {
      const CString item = FieldText(f->GetItem(_variant_t(0L))->GetValue());
      // The columns are single precision; the sums are not.
      const double income = static_cast<float>(FieldDouble(f->GetItem(_variant_t(1L))->GetValue()));
      const double expenditure = static_cast<float>(FieldDouble(f->GetItem(_variant_t(2L))->GetValue()));
      const CString remarks = FieldText(f->GetItem(_variant_t(3L))->GetValue());
      const int taid = FieldInt(f->GetItem(_variant_t(5L))->GetValue());
      const int fiid = withItemId ? FieldInt(f->GetItem(_variant_t(6L))->GetValue()) : 0;
      CTKReportRecord* record =
          m_wndItems.AddRecord(new CFinancialRecord(item, income, expenditure, remarks, FALSE, fiid, taid));
      CTKReportRecordItemControl* button = record->GetItem(5)->GetItemControls()->AddControl(1);
      button->SetCaption(u"");
      button->SetSize(CSize(35, 0));
      button->SetAlignment(1);
    }
  } catch (const _com_error& e) {
    // Said, and the rows read so far stay listed.
    ShowTreeError(m_hWnd, e);
  }
  m_wndItems.RebuildRows();
  RecalcTotals();
}

void CFinancialView::OnSearch() { ListItems(false); }

void CFinancialView::OnAdd() { ListItems(true); }

void CFinancialView::OnClear() {
  RemoveAllRows();
  RecalcTotals();
}

void CFinancialView::RecalcTotals() {
  const FinancialSums sums = SumFinancialRecords(m_wndItems);
  m_dIncome = sums.income;
  m_dExpenditure = sums.expenditure;
  m_fIncome = static_cast<float>(sums.income);
  m_fExpenditure = static_cast<float>(sums.expenditure);
  m_fTotal = static_cast<float>(sums.Total());
  UpdateData(FALSE);
}

void CFinancialView::OnItemButtonClick(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  auto* notify = reinterpret_cast<ItemButtonNotify*>(pNMHDR);
  if (!notify || !notify->pRow || !notify->pItem || !notify->pItemControl) return;
  CTKReportRecordItemControls* controls = notify->pItem->GetItemControls();
  if (!controls || controls->GetSize() == 0 || controls->GetAt(0) != notify->pItemControl) return;
  m_wndItems.RemoveRowEx(notify->pRow, TRUE);
  m_wndItems.SetFocus();
  RecalcTotals();
}

void CFinancialView::OnExcludeChecked(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  auto* notify = reinterpret_cast<ReportItemNotify*>(pNMHDR);
  if (!notify || !notify->pItem || !notify->pItem->GetRecord()) return;
  RecalcTotals();
}

void CFinancialView::OnItemDblClk(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  if (!pNMHDR) return;
  CTKReportSelectedRows* selected = m_wndItems.GetSelectedRows();
  CTKReportRow* row = selected && selected->GetCount() > 0 ? selected->GetAt(0) : nullptr;
  if (!row || !row->GetRecord()) return;
  auto* id = dynamic_cast<CTKReportRecordItemNumber*>(row->GetRecord()->GetItem(6));
  if (!id) return;
  const int taskId = static_cast<int>(id->GetValue());
  CFrameState* frame = MainFrameState();
  if (!frame) return;
  frame->m_nRecordId = taskId;
  SelectTaskInDateTree(*frame, taskId);
  // The form opens under the task's own work, not the last one pointed at.
  MakeTaskWorkCurrent(taskId);
  OpenTaskFormFor(taskId, 1);
}
