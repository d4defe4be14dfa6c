#include "app/views/planthings.h"

#include "app/data/des.h"
#include "app/resource.h"
#include "app/views/attachments.h"
#include "app/views/captiontree.h"
#include "app/views/datepicking.h"
#include "app/views/forms.h"
#include "app/views/formsapp.h"
#include "app/views/framestate.h"
#include "app/views/planstore.h"
#include "app/views/pravenorview.h"
#include "app/views/remindrecord.h"
#include "app/views/treetasks.h"
#include "platform/framework/afxdlg.h"
#include "platform/system/files.h"
#include "platform/system/locale.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdatamanager.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportinplacebutton.h"
#include "toolkit/report/reportinplaceedit.h"
#include "toolkit/report/reportrow.h"
#include "toolkit/report/reportrows.h"
#include "toolkit/report/reportselectedrows.h"

IMPLEMENT_DYNCREATE(CPlanThingsDoc, CDocument)
IMPLEMENT_DYNCREATE(CPlanThingsFrame, CMDIChildWnd)
IMPLEMENT_DYNCREATE(CPlanThingsView, CTaskFormView)

namespace {

constexpr COLORREF kScheduledColor = RGB(252, 2, 137);
// The reminder grid's message column: its item and the width it is shown at.
constexpr int kReminderMessageItem = 5;
constexpr int kReminderMessageWidth = 70;
constexpr int kReminderMessagePosition = 1;
// This form's words when a rename meets an existing copy.
constexpr const char16_t* kScheduledNameExists = u"filename is exist,change name";

void Prompt(HWND owner, const CString& text) { ::MessageBoxW(owner, text, u"Prompt", MB_OK | MB_ICONEXCLAMATION); }

// The record item a grid notification names, or null.
CTKReportRecordItem* NotifiedItem(NMHDR* pNMHDR) {
  auto* notify = reinterpret_cast<ReportItemNotify*>(pNMHDR);
  if (!notify || !notify->pItem || !notify->pItem->GetRecord()) return nullptr;
  return notify->pItem;
}

COleDateTime ItemDate(CTKReportRecord* record, int index) {
  auto* item = dynamic_cast<CTKReportRecordItemDateTime*>(record->GetItem(index));
  if (!item) {
    COleDateTime invalid;
    invalid.SetStatus(COleDateTime::invalid);
    return invalid;
  }
  return item->GetValue();
}

// A bound attachment cell's text; empty when it holds none.
bool HoldsText(CTKReportRecordItem* item) {
  auto* v = dynamic_cast<CTKReportRecordItemVariant*>(item);
  return v && v->GetValue().vt == VT_BSTR;
}
CString VariantText(CTKReportRecordItem* item) {
  return HoldsText(item) ? FieldText(static_cast<CTKReportRecordItemVariant*>(item)->GetValue()) : CString();
}

int ItemNumber(CTKReportRecord* record, int index) {
  auto* item = dynamic_cast<CTKReportRecordItemNumber*>(record->GetItem(index));
  return item ? static_cast<int>(item->GetValue()) : 0;
}

}  // namespace

void MarkRemindersChanged() { FormsApp()->MarkRemindersChanged(); }

BOOL CPlanThingsDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CPlanThingsFrame::Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                              CCreateContext* context) {
  return CreateChildFrame(this, cls, name, style, rect, parent, context);
}

BEGIN_MESSAGE_MAP(CPlanThingsView, CTaskFormView)
ON_COMMAND(ID_TASK_SAVE, OnSaveTask)
ON_COMMAND(ID_TASK_DELETE, OnDeleteTask)
ON_EN_CHANGE(IDC_PLAN_TITLE, OnTitleChange)
ON_EN_CHANGE(IDC_PLAN_PERSONNEL, OnFieldChange)
ON_EN_CHANGE(IDC_PLAN_PLACE, OnFieldChange)
ON_EN_CHANGE(IDC_PLAN_BRIEF, OnFieldChange)
ON_EN_KILLFOCUS(IDC_PLAN_TITLE, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_PLAN_PERSONNEL, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_PLAN_PLACE, OnFieldLeft)
ON_EN_KILLFOCUS(IDC_PLAN_BRIEF, OnFieldLeft)
ON_NOTIFY(DTN_DATETIMECHANGE, IDC_PLAN_DATE, OnDateChange)
ON_COMMAND(ID_ATTACHMENT_ADD, OnAddAttachment)
ON_COMMAND(ID_ATTACHMENT_RENAME, OnRenameAttachment)
ON_COMMAND(ID_ATTACHMENT_DELETE, OnDeleteAttachment)
ON_NOTIFY(TK_NM_REPORT_VALUECHANGED, IDC_PLAN_ATTACHMENTS, OnAttachmentValueChanged)
ON_NOTIFY(NM_DBLCLK, IDC_PLAN_ATTACHMENTS, OnAttachmentDblClk)
ON_COMMAND(ID_REMINDER_ADD, OnAddReminder)
ON_COMMAND(ID_REMINDER_MODIFY, OnModifyReminder)
ON_COMMAND(ID_REMINDER_DELETE, OnDeleteReminder)
ON_NOTIFY(TK_NM_REPORT_VALUECHANGED, IDC_PLAN_REMINDERS, OnReminderEdited)
ON_NOTIFY(TK_NM_REPORT_CHECKED, IDC_PLAN_REMINDERS, OnReminderMessageCheck)
ON_NOTIFY(TK_NM_REPORT_INPLACEBUTTONDOWN, IDC_PLAN_REMINDERS, OnReminderButton)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_ADD, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_TASK_SAVE, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_TASK_SAVEALL, OnUpdateTaskCommands)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_RENAME, OnUpdateAttachmentCommands)
ON_UPDATE_COMMAND_UI(ID_ATTACHMENT_DELETE, OnUpdateAttachmentCommands)
ON_UPDATE_COMMAND_UI(ID_REMINDER_ADD, OnUpdateAddReminder)
ON_UPDATE_COMMAND_UI(ID_REMINDER_MODIFY, OnUpdateReminderCommands)
ON_UPDATE_COMMAND_UI(ID_REMINDER_DELETE, OnUpdateReminderCommands)
END_MESSAGE_MAP()

CPlanThingsView::CPlanThingsView() : CTaskFormView(IDD), m_taskDate(COleDateTime::GetCurrentTime()) {}

CPlanThingsView::~CPlanThingsView() {
  for (const _RecordsetPtr& rs : {m_pAttachmentRecordset, m_pTaskRecordset, m_pReminderRecordset})
    if (rs) CloseIfOpen(rs);
}

CFrameState* CPlanThingsView::Frame() const { return MainFrameState(); }

void CPlanThingsView::ExchangeFields(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_PLAN_TITLE, m_strTitle);
  DDV_MaxChars(pDX, m_strTitle, 40);
  DDX_Text(pDX, IDC_PLAN_PERSONNEL, m_strPersonnel);
  DDV_MaxChars(pDX, m_strPersonnel, 30);
  DDX_Text(pDX, IDC_PLAN_PLACE, m_strPlace);
  DDV_MaxChars(pDX, m_strPlace, 20);
  DDX_DateTimeCtrl(pDX, IDC_PLAN_DATE, m_taskDate);
  DDX_Control(pDX, IDC_PLAN_ATTACHMENTS, m_wndAttachments);
  DDX_Text(pDX, IDC_PLAN_BRIEF, m_strBrief);
  DDV_MaxChars(pDX, m_strBrief, 255);
  DDX_Text(pDX, IDC_PLAN_WORKNAME, m_strWorkName);
  DDX_Control(pDX, IDC_PLAN_REMINDERS, m_wndReminders);
}

void CPlanThingsView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  if (CTKReportHeader* header = m_wndReminders.GetReportHeader()) header->SetAutoColumnSizing(FALSE);
  ResizeParentToFit(TRUE);
  CFrameState* frame = Frame();
  m_bOpenExistingTask = frame && frame->m_bOpeningTask;
  m_pAttachmentRecordset = _RecordsetPtr(u"ADODB.Recordset");
  m_pTaskRecordset = _RecordsetPtr(u"ADODB.Recordset");
  m_pReminderRecordset = _RecordsetPtr(u"ADODB.Recordset");
  if (!frame) return;
  if (!m_bOpenExistingTask) {
    m_nWorkId = frame->m_nItemId;
    m_strWorkName = frame->m_strItemText;
    UpdateData(FALSE);
    return;
  }
  LoadTask();
}

void CPlanThingsView::LoadTask() {
  CFrameState* frame = Frame();
  CDataStore& store = AppDataStore();
  m_nTaskId = frame->m_nRecordId;
  try {
    if (!store.OpenRecordset(u"select workname,tasktitle,tasktime,starttime,personnel,place,brief,task.tid,taid "
                             u"from task inner join things on task.tid=things.tid where taid=?",
                             {_variant_t(static_cast<long>(m_nTaskId))}, m_pTaskRecordset))
      return;
    if (!m_pTaskRecordset->GetadoEOF()) {
      FieldsPtr f = m_pTaskRecordset->GetFields();
      auto value = [&](long i) { return f->GetItem(_variant_t(i))->GetValue(); };
      const _variant_t start = value(3);
      if (start.vt == VT_DATE) m_strWorkName = WorkNameFromStored(FieldText(value(0)), COleDateTime(start));
      const _variant_t title = value(1), when = value(2), personnel = value(4), place = value(5), brief = value(6),
                       tid = value(7), taid = value(8);
      if (title.vt != VT_NULL) m_strTitle = FieldText(title);
      if (personnel.vt != VT_NULL) m_strPersonnel = FieldText(personnel);
      if (place.vt != VT_NULL) m_strPlace = FieldText(place);
      if (brief.vt != VT_NULL) m_strBrief = FieldText(brief);
      if (tid.vt != VT_NULL) m_nWorkId = static_cast<long>(tid);
      if (taid.vt != VT_NULL) m_nTaskId = static_cast<long>(taid);
      if (when.vt == VT_DATE) m_taskDate = COleDateTime(when);
      else if (when.vt == VT_NULL) m_taskDate.SetStatus(COleDateTime::null);
    }
    CloseIfOpen(m_pTaskRecordset);
    BindAttachments();
    m_bTaskExists = TRUE;
    if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle);
    UpdateData(FALSE);
    LoadReminderRows();
  } catch (const _com_error& e) {
    Prompt(m_hWnd, e.Description().length() ? CString(static_cast<const char16_t*>(e.Description()))
                                            : CString(e.ErrorMessage()));
    return;
  }
  frame->m_strItemText = m_strWorkName;
  LocateTaskInWorkTree(m_nWorkId, m_nTaskId);
  LocateTaskInDateTree(m_nTaskId);
}

void CPlanThingsView::BindAttachments() {
  if (!AppDataStore().OpenRecordset(u"select filename,extendionname,taid from files where taid=?",
                                    {_variant_t(static_cast<long>(m_nTaskId))}, m_pAttachmentRecordset))
    return;
  CTKReportDataManager* manager = m_wndAttachments.GetOrCreateDataManager();
  manager->SetDataSource(m_pAttachmentRecordset);
  manager->DataBind();
  CTKReportColumns* columns = m_wndAttachments.GetColumns();
  if (CTKReportColumn* name = columns->Find(0)) name->SetWidth(350);
  if (CTKReportColumn* ext = columns->Find(1)) ext->SetEditable(FALSE);
  if (CTKReportColumn* task = columns->Find(2)) task->SetVisible(FALSE);
  m_wndAttachments.RebuildRows();
  m_wndAttachments.m_nTaskId = m_nTaskId;
  m_wndAttachments.DragAcceptFiles(TRUE);
}

void CPlanThingsView::ShowReminderRow(int rid, const CString& content, const COleDateTime& date,
                                      const COleDateTime& time, int number, int separation, bool message) {
  m_wndReminders.AddRecord(new CRemindRecord(content, date, time, CaptionAt(ReminderNumberCaptions(), number),
                                             CaptionAt(ReminderSeparationCaptions(), separation), rid,
                                             message ? TRUE : FALSE));
}

void CPlanThingsView::AddReminderGridColumns() {
  AddReminderColumns(&m_wndReminders);
  CTKReportColumns* columns = m_wndReminders.GetColumns();
  if (CTKReportColumn* message = columns->Find(kReminderMessageItem)) {
    message->SetWidth(kReminderMessageWidth);
    message->SetVisible(TRUE);
    // Beside the content, inside the grid's width: the last places are
    // beyond its right edge.
    columns->ChangeColumnOrder(kReminderMessagePosition, columns->IndexOf(message));
  }
}

void CPlanThingsView::LoadReminderRows() {
  m_bRemindersReady = TRUE;
  AddReminderGridColumns();
  std::vector<ReminderValues> rows;
  // A failed read has been shown; the rows read before it are listed.
  LoadReminders(AppDataStore(), m_nTaskId, rows, m_hWnd);
  for (const ReminderValues& r : rows) {
    ShowReminderRow(r.rid, r.content, r.date, r.time, r.numberOfTimes, r.separation, r.message);
    m_nLastReminderId = r.rid;
  }
  m_wndReminders.m_nTaskId = m_nTaskId;
  m_wndReminders.RebuildRows();
}

void CPlanThingsView::ReloadReminderRows() {
  std::vector<ReminderValues> rows;
  if (!LoadReminders(AppDataStore(), m_nTaskId, rows, m_hWnd)) return;
  m_wndReminders.ResetContent(FALSE);
  for (const ReminderValues& r : rows)
    ShowReminderRow(r.rid, r.content, r.date, r.time, r.numberOfTimes, r.separation, r.message);
  m_wndReminders.RebuildRows();
}

void CPlanThingsView::OnTitleChange() {
  // Filling the controls changes the title too: the other fields are not
  // shown yet and must not be read back over their members.
  if (!NoteTyping() || !UpdateData(TRUE)) return;
  if (m_bTaskExists || m_strTitle.IsEmpty()) return;
  const int taid = InsertScheduledTask(AppDataStore(), m_strTitle, m_nWorkId, m_taskDate);
  // A refused insert (shown by the store) leaves the form without a task;
  // the next keystroke tries again.
  if (taid <= 0) return;
  m_nTaskId = taid;
  if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle);
  CFrameState* frame = Frame();
  if (frame) frame->m_strItemText = m_strWorkName;
  m_bTaskExists = TRUE;
  BindAttachments();
  if (frame) {
    m_hWorkTreeItem = AddTaskToWorkTree(frame->m_wndWorkTree, m_nWorkId, m_nTaskId, 2, m_strTitle);
    m_hDateTreeItem = AddTaskToDateTree(frame->m_wndDateTree, m_taskDate, m_strWorkName, m_strTitle, m_nTaskId, 2);
  }
  m_bRemindersReady = TRUE;
  AddReminderGridColumns();
  m_wndReminders.m_nTaskId = m_nTaskId;
}

void CPlanThingsView::OnSaveTask() {
  // A field over its length has been refused with a message: nothing is stored.
  if (!UpdateData(TRUE)) return;
  if (!m_bTaskExists) return;
  if (m_strTitle.IsEmpty()) {
    Prompt(m_hWnd, u"tasktitle\u4e0d\u80fd\u4e3a\u7a7a");
    if (CWnd* title = GetDlgItem(IDC_PLAN_TITLE)) title->SetFocus();
    return;
  }
  StoreFields(true);
}

BOOL CPlanThingsView::StoreTask(bool relabel) {
  const bool keepTitle = m_strTitle.IsEmpty();
  if (!keepTitle)
    if (CDocument* doc = GetDocument()) doc->SetTitle(m_strTitle);
  if (!UpdateScheduledTask(AppDataStore(), m_nTaskId, m_strTitle, m_strPersonnel, m_strPlace, m_taskDate, m_strBrief))
    return FALSE;  // shown by the store; the trees keep their labels
  CFrameState* frame = Frame();
  if (relabel && !keepTitle && frame && m_hWorkTreeItem && m_hDateTreeItem) {
    frame->m_wndWorkTree.SetItemText(m_hWorkTreeItem, m_strTitle);
    frame->m_wndDateTree.SetItemText(m_hDateTreeItem, m_strWorkName + u"." + m_strTitle);
  }
  return TRUE;
}

void CPlanThingsView::OnDeleteTask() {
  if (::MessageBoxW(m_hWnd, u"Confirm delete the task?", u"Prompt", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
  if (m_bTaskExists) {
    if (!DeleteScheduledTaskRows(AppDataStore(), m_nTaskId)) return;  // shown by the store; nothing changed
    m_bTaskExists = FALSE;                                            // nothing left to store when the form closes
    // Today's reminder list may hold this task's reminders.
    MarkRemindersChanged();
  }
  if (CFrameState* frame = Frame()) {
    // As the completed form: each tree selects the item's parent, and both
    // trees' command states say the task is gone.
    auto done = [](BYTE* flags) {
      flags[CFrameState::kDeleteTask] = 0;
      flags[CFrameState::kNewCompleted] = 1;
      flags[CFrameState::kNewScheduled] = 1;
    };
    if (m_hWorkTreeItem) {
      CTKTreeCtrl& tree = frame->m_wndWorkTree;
      tree.SelectItem(tree.GetParentItem(m_hWorkTreeItem));
      if (frame->m_hWorkTreeItem == m_hWorkTreeItem) frame->m_hWorkTreeItem = nullptr;
      tree.DeleteItem(m_hWorkTreeItem);
      done(frame->m_workTreeFlags);
    }
    if (m_hDateTreeItem) {
      CTKTreeCtrl& tree = frame->m_wndDateTree;
      tree.SelectItem(tree.GetParentItem(m_hDateTreeItem));
      if (frame->m_hDateTreeItem == m_hDateTreeItem) frame->m_hDateTreeItem = nullptr;
      tree.DeleteItem(m_hDateTreeItem);
      done(frame->m_dateTreeFlags);
    }
    m_hWorkTreeItem = m_hDateTreeItem = nullptr;
  }
  if (CFrameWnd* parent = GetParentFrame()) parent->SendMessage(WM_CLOSE);
}

void CPlanThingsView::OnAddAttachment() {
  if (!m_bTaskExists) return;
  CFileDialog dialog(TRUE);
  if (dialog.DoModal() != IDOK) return;
  AttachFile(&m_wndAttachments, dialog.GetPathName(), m_nTaskId, m_hWnd);
}

void CPlanThingsView::OnRenameAttachment() {
  m_wndAttachments.SetAllowEdit(TRUE);
  // The name comes from the first selected row, the editor opens on the
  // focused one.
  CTKReportSelectedRows* selected = m_wndAttachments.GetSelectedRows();
  if (!selected || selected->GetCount() == 0) return;
  CTKReportRecord* record = selected->GetAt(0)->GetRecord();
  if (!record) return;
  if (HoldsText(record->GetItem(0))) m_strAttachmentName = VariantText(record->GetItem(0));
  if (HoldsText(record->GetItem(1))) m_strAttachmentExtension = VariantText(record->GetItem(1));
  CTKReportRow* focused = m_wndAttachments.GetFocusedRow();
  if (!focused) return;
  TK_REPORTRECORDITEM_ARGS args(&m_wndAttachments, focused, m_wndAttachments.GetColumns()->Find(0));
  m_wndAttachments.EditItem(&args);
}

void CPlanThingsView::OnAttachmentValueChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  FinishAttachmentRename(&m_wndAttachments, pNMHDR, m_strAttachmentName, m_strAttachmentExtension, m_hWnd,
                         kScheduledNameExists);
}

void CPlanThingsView::OnAttachmentDblClk(NMHDR*, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  CTKReportSelectedRows* selected = m_wndAttachments.GetSelectedRows();
  if (!selected || selected->GetCount() == 0) return;
  CTKReportRecord* record = selected->GetAt(0)->GetRecord();
  if (!record) return;
  if (VariantText(record->GetItem(0)) == m_strAttachmentName) return;  // a double click inside a rename
  OpenAttachment(record, m_hWnd);
}

void CPlanThingsView::OnDeleteAttachment() {
  DeleteFocusedRecord(&m_wndAttachments);
  BindAttachments();
}

void CPlanThingsView::OnAddReminder() {
  if (!m_bTaskExists) return;
  const COleDateTime due = NewReminderDue(COleDateTime::GetCurrentTime());
  MarkRemindersChanged();
  const int rid = InsertReminder(AppDataStore(), m_nTaskId, due);
  if (rid <= 0) return;  // shown by the store; no row for a reminder that is not there
  m_nLastReminderId = rid;
  ShowReminderRow(rid, CString(), COleDateTime(due.GetYear(), due.GetMonth(), due.GetDay(), 0, 0, 0),
                  COleDateTime(1899, 12, 30, due.GetHour(), due.GetMinute(), due.GetSecond()), 0, 0, false);
  m_wndReminders.RebuildRows();
  CTKReportRows* rows = m_wndReminders.GetBodyRows();
  if (rows && rows->GetCount() > 0) m_wndReminders.SetFocusedRow(rows->GetAt(rows->GetCount() - 1), FALSE);
  m_bRemindersReady = TRUE;
  OnModifyReminder();
}

void CPlanThingsView::OnModifyReminder() {
  m_wndReminders.SetAllowEdit(TRUE);
  CTKReportRow* row = m_wndReminders.GetFocusedRow();
  if (!row) return;
  CTKReportColumn* content = m_wndReminders.GetColumns()->Find(0);
  if (!content) return;
  TK_REPORTRECORDITEM_ARGS args(&m_wndReminders, row, content);
  m_wndReminders.EditItem(&args);
}

void CPlanThingsView::OnDeleteReminder() {
  CTKReportRow* row = m_wndReminders.GetFocusedRow();
  if (!row || !row->GetRecord()) return;
  MarkRemindersChanged();
  const int rid = ItemNumber(row->GetRecord(), 6);
  if (!DeleteReminder(AppDataStore(), rid)) return;  // the row stays while its reminder does
  m_wndReminders.RemoveRow(row);
  m_wndReminders.RebuildRows();
}

void CPlanThingsView::OnReminderEdited(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  MarkRemindersChanged();
  CTKReportRecordItem* item = NotifiedItem(pNMHDR);
  if (!item) return;
  CTKReportRecord* record = item->GetRecord();
  if (record->GetItemCount() < 7) return;
  ReminderValues v;
  v.content = record->GetItem(0)->GetCaption(nullptr);
  v.date = ItemDate(record, 1);
  v.time = ItemDate(record, 2);
  if (v.date.GetStatus() != COleDateTime::valid || v.time.GetStatus() != COleDateTime::valid) {
    // Nothing to store: the editor goes without applying its text.
    if (CTKReportInplaceEdit* edit = m_wndReminders.GetInplaceEdit(); edit && edit->m_hWnd)
      item->OnEndEdit(&m_wndReminders, FALSE);
    return;
  }
  v.numberOfTimes = std::max(0, PositionOf(ReminderNumberCaptions(), record->GetItem(3)->GetCaption(nullptr)));
  v.separation = std::max(0, PositionOf(ReminderSeparationCaptions(), record->GetItem(4)->GetCaption(nullptr)));
  v.rid = ItemNumber(record, 6);
  v.message = record->GetItem(5)->GetCheckedState() != 0;
  m_nLastReminderId = v.rid;
  // Refused (shown by the store): the grid shows what is stored, not the
  // text that was not saved.
  if (!UpdateReminder(AppDataStore(), v)) ReloadReminderRows();
}

void CPlanThingsView::OnReminderMessageCheck(NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult) *pResult = 0;
  MarkRemindersChanged();
  CTKReportRecordItem* item = NotifiedItem(pNMHDR);
  if (!item || item->GetRecord()->GetItemCount() < 7) return;
  CTKReportRecord* record = item->GetRecord();
  if (!UpdateReminderMessage(AppDataStore(), ItemNumber(record, 6), record->GetItem(5)->GetCheckedState() != 0))
    ReloadReminderRows();
}

void CPlanThingsView::OnReminderButton(NMHDR* pNMHDR, LRESULT* pResult) {
  // The in-place button's block: the item and the pressed button, which
  // holds the cell (no row or column of its own).
  auto* pressed = reinterpret_cast<TK_NM_REPORTINPLACEBUTTON*>(pNMHDR);
  CTKReportInplaceButton* button = pressed ? pressed->pButton : nullptr;
  if (!button || !button->pColumn || button->pColumn->GetItemIndex() != 1 || !pressed->pItem) return;
  ReportItemNotify cellNotify{};
  cellNotify.hdr = pressed->hdr;
  cellNotify.pRow = button->pRow;
  cellNotify.pItem = pressed->pItem;
  cellNotify.pColumn = button->pColumn;
  ReportItemNotify* notify = &cellNotify;
  auto* item = dynamic_cast<CTKReportRecordItemDateTime*>(notify->pItem);
  if (!item) return;
  COleDateTime date = item->GetValue();
  if (date.GetStatus() != COleDateTime::valid || date.m_dt == 0.0) {
    const COleDateTime now = COleDateTime::GetCurrentTime();
    date = COleDateTime(now.GetYear(), now.GetMonth(), now.GetDay(), 0, 0, 0);
  }
  SetFocus();
  CRect cell;
  if (notify->pRow) cell = notify->pRow->GetItemRect(notify->pItem);
  if (!EditDateInPicker(cell, date, &m_wndReminders)) {
    if (pResult) *pResult = 1;
    return;
  }
  TK_REPORTRECORDITEM_ARGS args(&m_wndReminders, notify->pRow, notify->pColumn);
  item->OnEditChanged(&args, date.Format(0, LANG_USER_DEFAULT));
  ReportItemNotify changed = *notify;
  changed.hdr.code = static_cast<UINT>(TK_NM_REPORT_VALUECHANGED);
  m_wndReminders.SendOwnerNotify(TK_NM_REPORT_VALUECHANGED, &changed.hdr);
  m_wndReminders.RebuildRows();
  if (pResult) *pResult = 1;
}

bool CPlanThingsView::GridHasFocus(const CWnd& grid) const {
  // The grid or its in-place editor.
  const HWND focus = ::GetFocus();
  return grid.m_hWnd && focus && (focus == grid.m_hWnd || ::IsChild(grid.m_hWnd, focus));
}

void CPlanThingsView::OnUpdateTaskCommands(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bTaskExists); }
void CPlanThingsView::OnUpdateAttachmentCommands(CCmdUI* pCmdUI) { pCmdUI->Enable(GridHasFocus(m_wndAttachments)); }
void CPlanThingsView::OnUpdateAddReminder(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bRemindersReady); }
void CPlanThingsView::OnUpdateReminderCommands(CCmdUI* pCmdUI) { pCmdUI->Enable(GridHasFocus(m_wndReminders)); }

BOOL CPlanThingsView::LocateTaskInWorkTree(int workId, int taskId) {
  CFrameState* frame = Frame();
  return frame && ::LocateTaskInWorkTree(*frame, workId, -static_cast<LPARAM>(taskId), m_hWorkTreeItem);
}

BOOL CPlanThingsView::LocateTaskInDateTree(int taskId) {
  CFrameState* frame = Frame();
  return frame && ::LocateTaskInDateTree(*frame, -static_cast<LPARAM>(taskId), m_hDateTreeItem);
}
