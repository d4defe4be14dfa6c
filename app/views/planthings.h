// The scheduled-task form (dialog 189): one task of tasktype 2 with its
// attachments and its reminders. A new form makes its task from the first
// title typed; an existing one (opened from a tree or a result) loads it.
#pragma once

#include "app/views/filereportcontrol.h"
#include "app/views/taskform.h"
#include "platform/ado/ado.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxframe.h"

class CFrameState;

class CPlanThingsDoc : public CDocument {
  DECLARE_DYNCREATE(CPlanThingsDoc)
 public:
  CPlanThingsDoc() = default;
  BOOL OnNewDocument() override;
};

class CPlanThingsFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CPlanThingsFrame)
 public:
  CPlanThingsFrame() = default;
  BOOL Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
              CCreateContext* context) override;
};

class CPlanThingsView : public CTaskFormView {
  DECLARE_DYNCREATE(CPlanThingsView)
 public:
  enum { IDD = 189 };
  CPlanThingsView();
  ~CPlanThingsView() override;

  void OnInitialUpdate() override;

  // Commands and notifications (public: the main frame's Save all and the
  // tests call them).
  void OnSaveTask();
  void OnDeleteTask();
  void OnTitleChange();
  void OnAddAttachment();
  void OnRenameAttachment();
  void OnDeleteAttachment();
  void OnAttachmentValueChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAttachmentDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAddReminder();
  void OnModifyReminder();
  void OnDeleteReminder();
  void OnReminderEdited(NMHDR* pNMHDR, LRESULT* pResult);
  void OnReminderMessageCheck(NMHDR* pNMHDR, LRESULT* pResult);
  void OnReminderButton(NMHDR* pNMHDR, LRESULT* pResult);
  void OnUpdateTaskCommands(CCmdUI* pCmdUI);
  void OnUpdateAttachmentCommands(CCmdUI* pCmdUI);
  void OnUpdateAddReminder(CCmdUI* pCmdUI);
  void OnUpdateReminderCommands(CCmdUI* pCmdUI);

  BOOL LocateTaskInWorkTree(int workId, int taskId);
  BOOL LocateTaskInDateTree(int taskId);

  CString m_strTitle;
  CString m_strPersonnel;
  CString m_strPlace;
  COleDateTime m_taskDate;
  CString m_strBrief;
  CFileReportControl m_wndAttachments;
  CFileReportControl m_wndReminders;
  _RecordsetPtr m_pAttachmentRecordset;
  _RecordsetPtr m_pTaskRecordset;
  _RecordsetPtr m_pReminderRecordset;
  BOOL m_bOpenExistingTask = FALSE;
  int m_nTaskId = 0;
  BOOL m_bTaskExists = FALSE;
  CString m_strAttachmentName;
  CString m_strAttachmentExtension;
  int m_nWorkId = 0;
  CString m_strWorkName;
  BOOL m_bRemindersReady = FALSE;
  int m_nLastReminderId = 0;
  HTREEITEM m_hWorkTreeItem = nullptr;
  HTREEITEM m_hDateTreeItem = nullptr;

 protected:
  void ExchangeFields(CDataExchange* pDX) override;
  bool HasStoredTask() const override { return m_bTaskExists != FALSE; }
  // An empty title keeps the stored one.
  BOOL StoreTask(bool relabel) override;
  DECLARE_MESSAGE_MAP()

 private:
  CFrameState* Frame() const;
  void LoadTask();
  // Binds the attachment grid to the task's FILES rows.
  void BindAttachments();
  // The reminder columns, then the task's rows.
  void LoadReminderRows();
  // The grid's rows read again from the database (after a refused edit).
  void ReloadReminderRows();
  // The reminder columns, with the message column shown: it is where a
  // reminder is flagged for a text message.
  void AddReminderGridColumns();
  void ShowReminderRow(int rid, const CString& content, const COleDateTime& date, const COleDateTime& time, int number,
                       int separation, bool message);
  bool GridHasFocus(const CWnd& grid) const;
};

// The application's reminder-rebuild flag, raised whenever a reminder is
// added, changed or deleted (also with its task).
void MarkRemindersChanged();
