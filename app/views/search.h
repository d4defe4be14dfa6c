// The enquiry form (form 191): the tasks, attachments or reminders whose
// field (the enquiry range) matches the keyword, listed once when the form
// is first shown; a double click opens the result's task.
#pragma once

#include "app/views/filereportcontrol.h"
#include "platform/ado/ado.h"
#include "platform/framework/afxdoc.h"
#include "platform/framework/afxframe.h"

class CSearchDoc : public CDocument {
  DECLARE_DYNCREATE(CSearchDoc)
 public:
  CSearchDoc() = default;
  // The title is the main frame's enquiry keyword.
  BOOL OnNewDocument() override;
};

class CSearchFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CSearchFrame)
 public:
  CSearchFrame() = default;
  BOOL Create(LPCTSTR cls, LPCTSTR name, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
              CCreateContext* context) override;
};

class CSearchView : public CFormView {
  DECLARE_DYNCREATE(CSearchView)
 public:
  enum { IDD = 191 };
  CSearchView();
  ~CSearchView() override;

  void OnInitialUpdate() override;
  // Makes the recordset and opens the range's statement for the keyword on
  // it. FALSE when the range is unknown, the date keyword is no date
  // (both said under "Prompt") or the store refused the query.
  BOOL BuildEnquirySql(const CString& range, const CString& keyword);
  void OnResultDblClk(NMHDR* pNMHDR, LRESULT* pResult);

  CFileReportControl m_wndResults;
  _RecordsetPtr m_pRecordset;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()
};

// Opens the task's form for an existing task (type 1 completed, 2
// scheduled) as a tree click does, or activates it when it is open.
void OpenTaskFormFor(int taskId, int tasktype);
// Makes the task's own work (read by the task's work id) the main frame's
// current work, and its work-tree item current. FALSE when not found.
BOOL MakeTaskWorkCurrent(int taskId);

// Asks for the enquiry range and keyword in a dialog (192) and stores them
// in the main frame. False when cancelled.
bool AskEnquiry();

// The ranges the enquiry understands, in the order they are offered.
extern const char16_t* const kEnquiryRanges[8];
