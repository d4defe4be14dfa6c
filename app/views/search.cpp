#include "app/views/search.h"

#include "app/data/datastore.h"
#include "app/resource.h"
#include "app/views/captiontree.h"
#include "app/views/enquirysql.h"
#include "app/views/forms.h"
#include "app/views/formsapp.h"
#include "app/views/framestate.h"
#include "app/views/planthings.h"
#include "app/views/treetasks.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afxdlg.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportselectedrows.h"

IMPLEMENT_DYNCREATE(CSearchDoc, CDocument)
IMPLEMENT_DYNCREATE(CSearchFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CSearchView, CFormView)

namespace {

// A bound cell's value as a 32-bit integer; false when it holds none.
bool ItemInt(CTKReportRecord* record, int index, int& value) {
  CTKReportRecordItem* item = record->GetItem(index);
  if (auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item)) {
    const COleVariant var = v->GetValue();
    if (var.vt == VT_I4) {
      value = var.lVal;
      return true;
    }
    if (var.vt == VT_I2) {
      value = var.iVal;
      return true;
    }
    if (var.vt == VT_UI1) {
      value = var.bVal;
      return true;
    }
    return false;
  }
  if (auto* n = dynamic_cast<CTKReportRecordItemNumber*>(item)) {
    value = static_cast<int>(n->GetValue());
    return true;
  }
  return false;
}

// Why an enquiry lists nothing: its keyword is no date, or its range is unknown.
CString RefusalText(const CString& range, const CString& keyword, bool dateRefused) {
  return dateRefused ? CString(u"\"") + keyword + u"\" is no date: enter it as YYYYMMDD or YYYY-MM-DD."
                     : CString(u"Unknown enquiry range: ") + range;
}

}  // namespace

void OpenTaskFormFor(int taskId, int tasktype) {
  CFrameState* frame = MainFrameState();
  CFormsApp* app = FormsApp();
  if (!frame || !app || ActivateOpenTaskView(taskId)) return;
  if (tasktype != 1 && tasktype != 2) return;
  frame->m_bOpeningTask = 1;
  app->OpenExistingTaskForm(tasktype == 2);
  frame->m_bOpeningTask = 0;
}

BOOL MakeTaskWorkCurrent(int taskId) {
  CFrameState* frame = MainFrameState();
  if (!frame) return FALSE;
  _RecordsetPtr rs(u"ADODB.Recordset");
  if (!AppDataStore().OpenRecordset(
          u"select things.tid,workname,starttime from task inner join things on task.tid=things.tid where taid=?",
          {_variant_t(static_cast<long>(taskId))}, rs))
    return FALSE;
  BOOL found = FALSE;
  try {
    if (!rs->GetadoEOF()) {
      FieldsPtr f = rs->GetFields();
      const _variant_t tid = f->GetItem(_variant_t(0L))->GetValue();
      const _variant_t start = f->GetItem(_variant_t(2L))->GetValue();
      if (tid.vt != VT_NULL && start.vt == VT_DATE) {
        frame->m_nItemId = static_cast<long>(tid);
        frame->m_strItemText =
            WorkNameFromStored(FieldText(f->GetItem(_variant_t(1L))->GetValue()), COleDateTime(start));
        SelectTaskInWorkTree(*frame, frame->m_nItemId, taskId);
        found = TRUE;
      }
    }
  } catch (const _com_error&) {
    found = FALSE;
  }
  CloseIfOpen(rs);
  return found;
}

BOOL CSearchDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  if (CFrameState* frame = MainFrameState()) SetTitle(frame->m_strEnquiryKeyword);
  return TRUE;
}

BOOL CSearchFrame::Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                          CCreateContext* context) {
  return CreateChildFrame(this, cls, name, style, rect, parent, context);
}

BEGIN_MESSAGE_MAP(CSearchView, CFormView)
ON_NOTIFY(NM_DBLCLK, IDC_SEARCH_RESULTS, OnResultDblClk)
END_MESSAGE_MAP()

CSearchView::CSearchView() : CFormView(IDD) {}

CSearchView::~CSearchView() {
  if (m_pRecordset) CloseIfOpen(m_pRecordset);
}

void CSearchView::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SEARCH_RESULTS, m_wndResults);
}

BOOL CSearchView::BuildEnquirySql(const CString& range, const CString& keyword) {
  if (m_pRecordset) CloseIfOpen(m_pRecordset);
  m_pRecordset = _RecordsetPtr(u"ADODB.Recordset");
  bool dateRefused = false;
  const EnquiryStatement st = MakeEnquiryStatement(range, keyword, &dateRefused);
  if (st.sql.IsEmpty()) {
    ::MessageBoxW(m_hWnd, RefusalText(range, keyword, dateRefused), u"Prompt", MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  return AppDataStore().OpenRecordset(st.sql, {st.value}, m_pRecordset) ? TRUE : FALSE;
}

void CSearchView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  CFrameState* frame = MainFrameState();
  const CString range = frame ? frame->m_strEnquiryRange : CString();
  const CString keyword = frame ? frame->m_strEnquiryKeyword : CString();
  if (BuildEnquirySql(range, keyword)) {
    CTKReportDataManager* manager = m_wndResults.GetOrCreateDataManager();
    manager->SetDataSource(m_pRecordset);
    manager->DataBind();
    for (int i = 0; i < 3; ++i)
      if (CTKReportColumn* column = m_wndResults.GetColumns()->Find(i)) column->SetVisible(FALSE);
    m_wndResults.RebuildRows();
  }
  SetDlgItemText(IDC_SEARCH_HEADING, CString(u"\u67e5\u8be2\u7ed3\u679c:") + keyword);
}

void CSearchView::OnResultDblClk(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  if (!pNMHDR) return;
  CTKReportSelectedRows* selected = m_wndResults.GetSelectedRows();
  CTKReportRow* row = selected && selected->GetCount() > 0 ? selected->GetAt(0) : nullptr;
  if (!row || !row->GetRecord()) return;
  CTKReportRecord* record = row->GetRecord();
  int taskId = 0, workId = 0, tasktype = 0;
  ItemInt(record, 0, taskId);
  ItemInt(record, 1, workId);
  ItemInt(record, 2, tasktype);
  CFrameState* frame = MainFrameState();
  if (!frame) return;
  frame->m_nRecordId = taskId;
  SelectTaskInWorkTree(*frame, workId, taskId);
  SelectTaskInDateTree(*frame, taskId);
  OpenTaskFormFor(taskId, tasktype);
}

const char16_t* const kEnquiryRanges[8] = {u"tasktitle",
                                           u"personnel",
                                           u"place",
                                           u"Task RemindDate,like:20120205",
                                           u"brief",
                                           u"filename",
                                           u"Remind RemindDate,like:20120205",
                                           u"content"};

namespace {

constexpr const char16_t* kRangeHint = u"Enter enquiry range";

class CEnquiryInputDlg : public CDialog {
 public:
  CEnquiryInputDlg() : CDialog(IDD_ENQUIRY_INPUT) {}
  CString m_strRange;
  CString m_strKeyword;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    // The control is a plain window here, not a CComboBox object: it is
    // spoken to by its messages.
    if (HWND ranges = ::GetDlgItem(m_hWnd, IDC_ENQUIRY_RANGE)) {
      ::SendMessage(ranges, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kRangeHint));
      for (const char16_t* r : kEnquiryRanges) ::SendMessage(ranges, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r));
      ::SendMessage(ranges, CB_SETCURSEL, 0, 0);
    }
    return TRUE;
  }
  void OnOK() override {
    GetDlgItemText(IDC_ENQUIRY_RANGE, m_strRange);
    GetDlgItemText(IDC_ENQUIRY_KEYWORD, m_strKeyword);
    // As the ribbon's Search button: both must be given.
    if (m_strRange.IsEmpty() || m_strRange == kRangeHint || m_strKeyword.IsEmpty()) {
      ::MessageBoxW(m_hWnd, u"Choose an enquiry range and enter a keyword.", u"Prompt", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // A keyword the range cannot read (no date for a date range) is
    // refused here, before any result window opens; the dialog keeps it.
    bool dateRefused = false;
    if (MakeEnquiryStatement(m_strRange, m_strKeyword, &dateRefused).sql.IsEmpty()) {
      ::MessageBoxW(m_hWnd, RefusalText(m_strRange, m_strKeyword, dateRefused), u"Prompt", MB_OK | MB_ICONEXCLAMATION);
      if (CWnd* keyword = GetDlgItem(IDC_ENQUIRY_KEYWORD)) keyword->SetFocus();
      return;
    }
    CDialog::OnOK();
  }
};

}  // namespace

bool AskEnquiry() {
  CFrameState* frame = MainFrameState();
  if (!frame) return false;
  CEnquiryInputDlg dialog;
  if (dialog.DoModal() != IDOK) return false;
  frame->m_strEnquiryRange = dialog.m_strRange;
  frame->m_strEnquiryKeyword = dialog.m_strKeyword;
  return true;
}
