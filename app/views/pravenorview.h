// The completed-task form: CPravenorDoc, CChildFrame and CPravenorView on
// dialog 101. A new form creates its task when the first title is typed
// (TASK and DETAILS in one transaction, then the task's items in both
// trees); an existing one loads the task the main frame names. The form
// saves, deletes, and keeps the task's attachments and income and
// expenditure items in its two grids.
#pragma once

#include "app/views/filereportcontrol.h"
#include "app/views/taskform.h"
#include "platform/ado/ado.h"
#include "platform/base/oledatetime.h"
#include "platform/controls/afxcmn.h"
#include "platform/framework/afxdoc.h"

class CFrameState;

class CPravenorDoc : public CDocument {
  DECLARE_DYNCREATE(CPravenorDoc)
 public:
  CPravenorDoc() = default;
  BOOL OnNewDocument() override { return CDocument::OnNewDocument(); }
};

class CChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CChildFrame)
 public:
  CChildFrame() = default;
  BOOL Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
              CCreateContext* context) override;
};

class CPravenorView : public CTaskFormView {
  DECLARE_DYNCREATE(CPravenorView)
 public:
  CPravenorView();
  ~CPravenorView() override;

  void OnInitialUpdate() override;

  // Command 11 and the main frame's Save all.
  void OnSaveTask();
  void OnDeleteTask();
  void OnTitleChange();
  void OnAddAttachment();
  void OnRenameAttachment();
  void OnDeleteAttachment();
  void OnAttachmentFolder();
  void OnAttachmentValueChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAttachmentDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  void OnAddIncomeExpenditure();
  void OnDeleteIncomeExpenditure();
  void OnIncomeExpenditureValueChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnFormIdleCommand() {}
  void OnUpdateTaskCommands(CCmdUI* pCmdUI);
  void OnUpdateAttachmentCommands(CCmdUI* pCmdUI);
  void OnUpdateAddIncomeExpenditure(CCmdUI* pCmdUI);
  void OnUpdateDeleteIncomeExpenditure(CCmdUI* pCmdUI);

  // The task's items found again after a tree was refilled; TRUE when found.
  BOOL LocateTaskInWorkTree(int workId, int taskId);
  BOOL LocateTaskInDateTree(int taskId);

  int GetTaskId() const { return m_nTaskId; }
  bool TaskExists() const { return m_bTaskExists; }

  // ---- the form's fields (exchanged with the controls) ----
  CString m_strTitle;
  CString m_strPersonnel;
  CString m_strPlace;
  COleDateTime m_taskDate;
  CString m_strBrief;
  CString m_strDetail;
  CString m_strWorkName;
  CFileReportControl m_attachmentGrid;
  CFileReportControl m_incomeGrid;

  _RecordsetPtr m_pAttachmentRecordset;
  _RecordsetPtr m_pIncomeRecordset;
  _RecordsetPtr m_pTaskRecordset;
  _RecordsetPtr m_pDetailRecordset;

  bool m_bOpenExisting = false;
  int m_nTaskId = 0;
  bool m_bTaskExists = false;
  CString m_strRenameName;
  CString m_strRenameExtension;
  int m_nWorkId = 0;
  HTREEITEM m_hWorkTreeItem = nullptr;
  HTREEITEM m_hDateTreeItem = nullptr;

 protected:
  void ExchangeFields(CDataExchange* pDX) override;
  bool HasStoredTask() const override { return m_bTaskExists; }
  // An empty title keeps the stored one.
  BOOL StoreTask(bool relabel) override;
  DECLARE_MESSAGE_MAP()

 private:
  CFrameState* Frame() const;
  void LoadTask();
  // (Re)opens a grid's recordset on its query for the task and binds it.
  void BindAttachments();
  void BindIncome();
  void RemoveTreeItems();
};
