#include "app/views/pravenorview.h"

#include <memory>
#include <string>
#include <vector>

#include "app/data/datastore.h"
#include "app/resource.h"
#include "app/views/attachments.h"
#include "app/views/captiontree.h"
#include "app/views/datetree.h"
#include "app/views/forms.h"
#include "app/views/framestate.h"
#include "app/views/treetasks.h"
#include "platform/framework/afxdlg.h"
#include "platform/system/files.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportitemtypes.h"
#include "toolkit/report/reportrecord.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

IMPLEMENT_DYNCREATE(CPravenorDoc, CDocument)
IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CPravenorView, CTaskFormView)

BOOL CChildFrame::Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                         CCreateContext* context) {
  return CreateChildFrame(this, cls, name, style, rect, parent, context);
}

BEGIN_MESSAGE_MAP(CPravenorView, CTaskFormView)
ON_COMMAND(ID_TASK_SAVE, OnSaveTask)
ON_COMMAND(ID_TASK_DELETE, OnDeleteTask)
ON_EN_CHANGE(IDC_TASK_TITLE, OnTitleChange)
ON_EN_CHANGE(IDC_TASK_PERSONNEL, OnFieldChange)
ON_EN_CHANGE(IDC_TASK_PLACE, OnFieldChange)
ON_EN_CHANGE(IDC_TASK_BRIEF, OnFieldChange)
ON_EN_CHANGE(IDC_TASK_DETAIL, OnFieldChange)
ON_EN_KILLFOCUS(IDC_TASK_TITLE, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_TASK_PERSONNEL, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_TASK_PLACE, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_TASK_BRIEF, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_TASK_DETAIL, OnFieldLeft)
ON_NOTIFY(DTN_DATETIMECHANGE, IDC_TASK_DATE, OnDateChange)
ON_COMMAND(ID_ATTACHMENT_ADD, OnAddAttachment)
ON_COMMAND(ID_ATTACHMENT_RENAME, OnRenameAttachment)
ON_COMMAND(ID_ATTACHMENT_DELETE, OnDeleteAttachment)
ON_COMMAND(ID_ATTACHMENT_FOLDER, OnAttachmentFolder)
ON_NOTIFY(TK_NM_REPORT_VALUECHANGED, IDC_TASK_ATTACHMENTS, OnAttachmentValueChanged)
ON_NOTIFY(NM_DBLCLK, IDC_TASK_ATTACHMENTS, OnAttachmentDblClk)
ON_COMMAND(ID_INCOME_ADD, OnAddIncomeExpenditure)
ON_COMMAND(ID_INCOME_DELETE, OnDeleteIncomeExpenditure)
ON_NOTIFY(TK_NM_REPORT_VALUECHANGED, IDC_TASK_INCOME, OnIncomeExpenditureValueChanged)
ON_COMMAND(ID_FORM_IDLE_47, OnFormIdleCommand)
ON_COMMAND(ID_FORM_IDLE_48, OnFormIdleCommand)
ON_COMMAND(ID_FORM_IDLE_7608, OnFormIdleCommand)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_ADD, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_TASK_SAVE, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_TASK_SAVEALL, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_RENAME, OnUpdateAttachmentCommands)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_DELETE, OnUpdateAttachmentCommands)
ON_UPDATE_COMMAND_UI(ID_INCOME_ADD, OnUpdateAddIncomeExpenditure)
ON_UPDATE_COMMAND_UI(ID_INCOME_DELETE, OnUpdateDeleteIncomeExpenditure)
END_MESSAGE_MAP()

namespace {

constexpr const char16_t* kFilesQuery = u"select filename,extendionname,taid from files where taid=?";
constexpr const char16_t* kIncomeQuery =
    u"select Item,income,expenditure,remarks,taid,fiid from FINANCIAL where taid=?";

_variant_t Long(int n) { return _variant_t(static_cast<long>(n)); }

void Prompt(HWND owner, const CString& text) {
  ::MessageBoxW(owner, text.GetString(), u"Prompt", MB_OK | MB_ICONEXCLAMATION);
}

// Closes a recordset that is open and makes a fresh one.
void Renew(_RecordsetPtr& recordset) {
  CloseIfOpen(recordset);
  recordset = nullptr;
  recordset.CreateInstance(u"ADODB.Recordset");
}

void Bind(CFileReportControl& grid, _RecordsetPtr& recordset, const char16_t* query, int taskId) {
  Renew(recordset);
  if (!AppDataStore().OpenRecordset(query, {Long(taskId)}, recordset)) return;
  CTKReportDataManager* manager = grid.GetOrCreateDataManager();
  manager->SetDataSource(recordset);
  manager->DataBind();  // FALSE for an empty result, whose columns and new rows still work
}

void SizeColumn(CFileReportControl& grid, int index, int width) {
  if (CTKReportColumn* c = grid.GetColumns()->GetAt(index)) c->SetWidth(width);
}
void HideColumn(CFileReportControl& grid, int index) {
  if (CTKReportColumn* c = grid.GetColumns()->GetAt(index)) c->SetVisible(FALSE);
}

CString VariantText(CTKReportRecordItem* item) {
  auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item);
  if (!v || v->GetValue().vt != VT_BSTR) return CString();
  return FieldText(v->GetValue());
}

bool HoldsText(CTKReportRecordItem* item) {
  auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item);
  return v && v->GetValue().vt == VT_BSTR;
}

// Whether the grid window or a window inside it (its editor) has the focus.
bool FocusIn(const CWnd& grid) {
  HWND focus = ::GetFocus();
  return grid.m_hWnd && focus && (focus == grid.m_hWnd || ::IsChild(grid.m_hWnd, focus));
}

}  // namespace

CPravenorView::CPravenorView() : CTaskFormView(IDD_PRAVENOR_FORM) {
  CTKReportControl::RegisterWindowClass();
  m_taskDate = COleDateTime::GetCurrentTime();
}

CPravenorView::~CPravenorView() {
  for (_RecordsetPtr* rs : {std::addressof(m_pAttachmentRecordset), std::addressof(m_pIncomeRecordset),
                            std::addressof(m_pTaskRecordset), std::addressof(m_pDetailRecordset)})
    if (*rs) CloseIfOpen(*rs);
}

CFrameState* CPravenorView::Frame() const { return MainFrameState(); }

void CPravenorView::ExchangeFields(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_TASK_TITLE, m_strTitle);
  DDV_MaxChars(pDX, m_strTitle, 40);
  DDX_Text(pDX, IDC_TASK_PERSONNEL, m_strPersonnel);
  DDV_MaxChars(pDX, m_strPersonnel, 30);
  DDX_Text(pDX, IDC_TASK_PLACE, m_strPlace);
  DDV_MaxChars(pDX, m_strPlace, 20);
  DDX_DateTimeCtrl(pDX, IDC_TASK_DATE, m_taskDate);
  DDX_Text(pDX, IDC_TASK_DETAIL, m_strDetail);
  DDV_MaxChars(pDX, m_strDetail, 65000);
  DDX_Control(pDX, IDC_TASK_ATTACHMENTS, m_attachmentGrid);
  DDX_Text(pDX, IDC_TASK_BRIEF, m_strBrief);
  DDV_MaxChars(pDX, m_strBrief, 255);
  DDX_Text(pDX, IDC_TASK_WORKNAME, m_strWorkName);
  DDX_Control(pDX, IDC_TASK_INCOME, m_incomeGrid);
}

void CPravenorView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  ResizeParentToFit(TRUE);
  CFrameState* frame = Frame();
  m_bOpenExisting = frame && frame->m_bOpenExistingTask != 0;
  for (_RecordsetPtr* rs : {std::addressof(m_pAttachmentRecordset), std::addressof(m_pIncomeRecordset),
                            std::addressof(m_pTaskRecordset), std::addressof(m_pDetailRecordset)})
    rs->CreateInstance(u"ADODB.Recordset");
  if (!frame) return;
  if (!m_bOpenExisting) {
    m_nWorkId = frame->m_nWorkId;
    m_strWorkName = frame->m_strWorkName;
    UpdateData(FALSE);
    return;
  }
  LoadTask();
}

void CPravenorView::LoadTask() {
  CFrameState* frame = Frame();
  m_nTaskId = frame->m_nCurrentId;
  m_nWorkId = frame->m_nWorkId;
  CDataStore& store = AppDataStore();
  if (!store.OpenRecordset(u"select * from task where taid=?", {Long(m_nTaskId)}, m_pTaskRecordset)) return;
  try {
    if (!m_pTaskRecordset->GetadoEOF()) {
      FieldsPtr f = m_pTaskRecordset->GetFields();
      auto text = [&](const char16_t* name, CString& member) {
        _variant_t v = f->GetItem(name)->GetValue();
        if (v.vt != VT_NULL && v.vt != VT_EMPTY) member = FieldText(v);
      };
      text(u"tasktitle", m_strTitle);
      text(u"personnel", m_strPersonnel);
      text(u"place", m_strPlace);
      text(u"brief", m_strBrief);
      _variant_t time = f->GetItem(u"tasktime")->GetValue();
      if (time.vt == VT_NULL || time.vt == VT_EMPTY) m_taskDate.SetStatus(COleDateTime::null);
      else m_taskDate = COleDateTime(time);
      _variant_t tid = f->GetItem(u"tid")->GetValue();
      if (tid.vt != VT_NULL && tid.vt != VT_EMPTY) m_nWorkId = static_cast<long>(tid);
    }
    m_pTaskRecordset->Close();
    if (store.OpenRecordset(u"select detail from details where taid=?", {Long(m_nTaskId)}, m_pDetailRecordset)) {
      if (!m_pDetailRecordset->GetadoEOF()) {
        _variant_t v = m_pDetailRecordset->GetFields()->GetItem(u"detail")->GetValue();
        if (v.vt != VT_NULL && v.vt != VT_EMPTY) m_strDetail = FieldText(v);
      }
      m_pDetailRecordset->Close();
    }
  } catch (const _com_error& e) {
    CloseIfOpen(m_pTaskRecordset);
    CloseIfOpen(m_pDetailRecordset);
    ShowTreeError(m_hWnd, e);
    return;
  }
  m_bTaskExists = true;
  BindAttachments();
  BindIncome();
  m_incomeGrid.SetAllowEdit(TRUE);
  m_strWorkName = frame->m_strWorkName;
  if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle.GetString());
  UpdateData(FALSE);
  m_attachmentGrid.m_nTaskId = m_nTaskId;
  m_incomeGrid.m_nTaskId = m_nTaskId;
  m_attachmentGrid.DragAcceptFiles(TRUE);
  frame->m_strWorkName = m_strWorkName;
  LocateTaskInWorkTree(m_nWorkId, m_nTaskId);
  LocateTaskInDateTree(m_nTaskId);
}

void CPravenorView::BindAttachments() {
  Bind(m_attachmentGrid, m_pAttachmentRecordset, kFilesQuery, m_nTaskId);
  SizeColumn(m_attachmentGrid, 0, 350);
  HideColumn(m_attachmentGrid, 2);
  if (CTKReportColumn* c = m_attachmentGrid.GetColumns()->GetAt(1)) c->SetEditable(FALSE);
  m_attachmentGrid.SetAllowEdit(FALSE);
  m_attachmentGrid.RebuildRows();
}

void CPravenorView::BindIncome() {
  Bind(m_incomeGrid, m_pIncomeRecordset, kIncomeQuery, m_nTaskId);
  SizeColumn(m_incomeGrid, 0, 200);
  SizeColumn(m_incomeGrid, 3, 150);
  HideColumn(m_incomeGrid, 4);
  HideColumn(m_incomeGrid, 5);
  m_incomeGrid.RebuildRows();
}

void CPravenorView::OnTitleChange() {
  if (!NoteTyping() || !UpdateData(TRUE)) return;
  if (m_bTaskExists || m_strTitle.IsEmpty()) return;
  // TASK and DETAILS go in together: a task never lacks its detail row.
  const int id = AppDataStore().InsertWithDependents(
      CDataStore::Statement(u"insert into task (tasktitle,tid,tasktype,tasktime) values (?,?,1,?)",
                            {CDataStore::TextValue(m_strTitle), Long(m_nWorkId), TaskDateValue(m_taskDate)}),
      u"select max(taid) from task",
      {CDataStore::Statement(u"insert into details (detail,taid) values (?,?)", {CDataStore::TextValue(m_strDetail)})});
  if (id == 0) return;  // shown by the store; nothing stored, nothing adopted
  m_nTaskId = id;
  m_bTaskExists = true;
  if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle.GetString());
  BindAttachments();
  m_attachmentGrid.m_nTaskId = m_nTaskId;
  BindIncome();
  m_incomeGrid.m_nTaskId = m_nTaskId;
  m_attachmentGrid.DragAcceptFiles(TRUE);
  if (CFrameState* frame = Frame()) {
    m_hWorkTreeItem = AddTaskToWorkTree(frame->m_wndWorkTree, m_nWorkId, m_nTaskId, 1, m_strTitle);
    m_hDateTreeItem = AddTaskToDateTree(frame->m_wndDateTree, m_taskDate, m_strWorkName, m_strTitle, m_nTaskId, 1);
  }
}

void CPravenorView::OnSaveTask() {
  if (!UpdateData(TRUE)) return;
  if (!m_bTaskExists) return;
  if (m_strTitle.IsEmpty()) {
    Prompt(m_hWnd, u"tasktitle\u4E0D\u80FD\u4E3A\u7A7A");  // "tasktitle不能为空": the title may not be empty
    if (CWnd* title = GetDlgItem(IDC_TASK_TITLE)) title->SetFocus();
    return;
  }
  StoreFields(true);
}

BOOL CPravenorView::StoreTask(bool relabel) {
  const bool keepTitle = m_strTitle.IsEmpty();
  if (!keepTitle)
    if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle.GetString());
  const int ok = AppDataStore().ExecuteTogether(
      {TaskFieldsUpdate(m_nTaskId, m_strTitle, m_strPersonnel, m_strPlace, m_taskDate, m_strBrief),
       CDataStore::Statement(u"update details set detail=? where taid=?",
                             {CDataStore::TextValue(m_strDetail), Long(m_nTaskId)})});
  if (!ok) return FALSE;  // the labels stay what the database holds
  CFrameState* frame = Frame();
  if (relabel && !keepTitle && frame && m_hWorkTreeItem && m_hDateTreeItem) {
    frame->m_wndWorkTree.SetItemText(m_hWorkTreeItem, m_strTitle.GetString());
    frame->m_wndDateTree.SetItemText(m_hDateTreeItem, (m_strWorkName + u"." + m_strTitle).GetString());
  }
  return TRUE;
}

void CPravenorView::RemoveTreeItems() {
  CFrameState* frame = Frame();
  if (!frame) return;
  auto done = [](BYTE* flags) {
    flags[CFrameState::kDeleteTask] = 0;
    flags[CFrameState::kNewCompleted] = 1;
    flags[CFrameState::kNewScheduled] = 1;
  };
  if (m_hWorkTreeItem) {
    CTKTreeCtrl& tree = frame->m_wndWorkTree;
    tree.SelectItem(tree.GetParentItem(m_hWorkTreeItem));
    done(frame->m_workTreeFlags);
    if (frame->m_hWorkTreeItem == m_hWorkTreeItem) frame->m_hWorkTreeItem = nullptr;
    tree.DeleteItem(m_hWorkTreeItem);
    m_hWorkTreeItem = nullptr;
    tree.SetFocus();
  }
  if (m_hDateTreeItem) {
    CTKTreeCtrl& tree = frame->m_wndDateTree;
    tree.SelectItem(tree.GetParentItem(m_hDateTreeItem));
    if (frame->m_hDateTreeItem == m_hDateTreeItem) frame->m_hDateTreeItem = nullptr;
    tree.DeleteItem(m_hDateTreeItem);
    m_hDateTreeItem = nullptr;
    done(frame->m_dateTreeFlags);
    frame->m_wndWorkTree.SetFocus();
  }
}

void CPravenorView::OnDeleteTask() {
  if (::MessageBoxW(m_hWnd, u"Confirm delete the task?", u"Prompt", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
  if (m_bTaskExists) {
    const _variant_t id = Long(m_nTaskId);
    const int ok = AppDataStore().ExecuteTogether({CDataStore::Statement(u"delete from task where taid=?", {id}),
                                                   CDataStore::Statement(u"delete from files where taid=?", {id}),
                                                   CDataStore::Statement(u"delete from financial where taid=?", {id}),
                                                   CDataStore::Statement(u"delete from details where taid=?", {id})});
    if (!ok) return;  // shown by the store; the task and its items stay
    RemoveTreeItems();
    m_bTaskExists = false;  // nothing left to store when the form closes
  }
  if (CFrameWnd* parent = GetParentFrame()) parent->SendMessage(WM_CLOSE);
}

BOOL CPravenorView::LocateTaskInWorkTree(int workId, int taskId) {
  CFrameState* frame = Frame();
  if (!frame) return FALSE;
  return ::LocateTaskInWorkTree(*frame, workId, TaskItemData(taskId, 1), m_hWorkTreeItem);
}

BOOL CPravenorView::LocateTaskInDateTree(int taskId) {
  CFrameState* frame = Frame();
  if (!frame) return FALSE;
  return ::LocateTaskInDateTree(*frame, TaskItemData(taskId, 1), m_hDateTreeItem);
}

// ---- attachments --------------------------------------------------------------------------------

void CPravenorView::OnAddAttachment() {
  if (!m_bTaskExists) return;
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr, this);
  if (dialog.DoModal() != IDOK) return;
  AttachFile(&m_attachmentGrid, dialog.GetPathName(), m_nTaskId, m_hWnd);
  m_attachmentGrid.SetFocus();
}

void CPravenorView::OnRenameAttachment() {
  m_attachmentGrid.SetAllowEdit(TRUE);
  CTKReportSelectedRows* selected = m_attachmentGrid.GetSelectedRows();
  if (!selected || selected->GetCount() == 0) return;
  CTKReportRecord* record = selected->GetAt(0)->GetRecord();
  if (!record) return;
  if (HoldsText(record->GetItem(0))) m_strRenameName = VariantText(record->GetItem(0));
  if (HoldsText(record->GetItem(1))) m_strRenameExtension = VariantText(record->GetItem(1));
  CTKReportRow* focused = m_attachmentGrid.GetFocusedRow();
  if (!focused) return;
  TK_REPORTRECORDITEM_ARGS args(&m_attachmentGrid, focused, m_attachmentGrid.GetColumns()->Find(0));
  m_attachmentGrid.EditItem(&args);
}

void CPravenorView::OnAttachmentValueChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  FinishAttachmentRename(&m_attachmentGrid, pNMHDR, m_strRenameName, m_strRenameExtension, m_hWnd);
}

void CPravenorView::OnAttachmentDblClk(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  CTKReportSelectedRows* selected = m_attachmentGrid.GetSelectedRows();
  if (!selected || selected->GetCount() == 0) return;
  CTKReportRecord* record = selected->GetAt(0)->GetRecord();
  if (!record) return;
  if (VariantText(record->GetItem(0)) == m_strRenameName) return;  // a double click inside a rename
  OpenAttachment(record, m_hWnd);
}

void CPravenorView::OnDeleteAttachment() {
  DeleteFocusedRecord(&m_attachmentGrid);
  BindAttachments();
}

void CPravenorView::OnAttachmentFolder() { AttachmentFolder(); }

// ---- income and expenditure -----------------------------------------------------------------------

void CPravenorView::OnAddIncomeExpenditure() {
  if (!m_bTaskExists) return;  // no task, nothing to hang the item on
  m_incomeGrid.SetAllowEdit(TRUE);
  bool ok = false;
  const int fiid = AppDataStore().QueryScalarInt(u"select max(fiid) from FINANCIAL", &ok) + 1;
  if (!ok) return;
  AddIncomeExpenditureRow(&m_incomeGrid, CString(), CString(), 0.0f, 0.0f, m_nTaskId, fiid);
  BindIncome();
  CTKReportRows* rows = m_incomeGrid.GetBodyRows();
  if (!rows || rows->GetCount() == 0) return;
  CTKReportRow* last = rows->GetAt(rows->GetCount() - 1);
  m_incomeGrid.SetFocusedRow(last, FALSE);
  m_incomeGrid.RebuildRows();
  if (CTKReportRow* focused = m_incomeGrid.GetFocusedRow()) {
    TK_REPORTRECORDITEM_ARGS args(&m_incomeGrid, focused, m_incomeGrid.GetColumns()->Find(0));
    m_incomeGrid.EditItem(&args);
  }
}

void CPravenorView::OnDeleteIncomeExpenditure() { DeleteFocusedRecord(&m_incomeGrid); }

void CPravenorView::OnIncomeExpenditureValueChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  auto* notify = reinterpret_cast<ReportItemNotify*>(pNMHDR);
  if (!notify) return;
  if (notify->pRow && notify->pRow->GetSectionType() == 1) return;  // the header rows
  if (!notify->pItem || !notify->pItem->GetRecord()) return;
  CTKReportDataManager* manager = m_incomeGrid.GetOrCreateDataManager();
  if (SUCCEEDED(manager->UpdateField(notify->pItem))) return;
  const TK_REPORTDATAMANAGER_COM_ERROR error = manager->GetLastComError();
  // The cell shows again what the database holds.
  BindIncome();
  Prompt(m_hWnd, u"The change could not be stored" +
                     (error.strDescription.IsEmpty() ? CString(u".") : u": " + error.strDescription));
}

// ---- command states -------------------------------------------------------------------------------

void CPravenorView::OnUpdateTaskCommands(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bTaskExists); }

void CPravenorView::OnUpdateAttachmentCommands(CCmdUI* pCmdUI) { pCmdUI->Enable(FocusIn(m_attachmentGrid)); }

void CPravenorView::OnUpdateAddIncomeExpenditure(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bTaskExists); }

void CPravenorView::OnUpdateDeleteIncomeExpenditure(CCmdUI* pCmdUI) { pCmdUI->Enable(FocusIn(m_incomeGrid)); }
