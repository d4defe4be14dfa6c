#include "app/pravenorapp.h"

#include "app/mainframe/mainframe.h"
#include "app/resource.h"
#include "app/views/forms.h"
#include "app/views/financial.h"
#include "app/views/planthings.h"
#include "app/views/search.h"
#include "app/views/pravenorview.h"
#include "app/views/thingname.h"
#include "platform/system/files.h"
#include "platform/system/msgbox.h"

namespace {
// A work that still bears this name must be named before tasks are added.
constexpr const char16_t* kWorkPlaceholder = u"Enter work name";

}  // namespace

BEGIN_MESSAGE_MAP(CPravenorApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_NEW_COMPLETED, OnNewCompletedTask)
ON_COMMAND(ID_NEW_SCHEDULED, OnNewScheduledTask)
ON_COMMAND(ID_OPEN_COUNT, OnOpenCount)
ON_COMMAND(ID_OPEN_ENQUIRY, OnEnquiry)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
END_MESSAGE_MAP()

CPravenorApp::CPravenorApp() : CWinApp(nullptr) {}

CPravenorApp::~CPravenorApp() = default;

BOOL CPravenorApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(INITCOMMONCONTROLSEX);
  controls.dwICC = 0xFF;  // ICC_WIN95_CLASSES
  InitCommonControlsEx(&controls);

  CWinApp::InitInstance();
  AfxLoadLibrary(u"RICHED32.DLL");  // the result does not matter
  if (!AfxOleInit()) {
    AfxMessageBox(IDP_OLE_INIT_FAILED);
    return FALSE;
  }
  AfxSocketInit();
  AfxEnableControlContainer();

  // The database: created with its tables when the file is missing. Start-up
  // goes on without it; the data store has told the user once.
  if (!PathFileExistsW(m_dataStore.m_databasePath.GetString())) {
    m_dataStore.CreateDatabaseFile();
    m_dataStore.CreateMissingTables();
  }
  m_dataStore.OpenDatabase();

  SetRegistryKey(u"Pravenor");
  LoadStdProfileSettings(4);

  struct TemplateClasses {
    UINT id;
    CRuntimeClass* doc;
    CRuntimeClass* frame;
    CRuntimeClass* view;
  };
  const TemplateClasses templates[] = {
      {IDR_COMPLETEDTYPE, RUNTIME_CLASS(CPravenorDoc), RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(CPravenorView)},
      {IDR_SCHEDULEDTYPE, RUNTIME_CLASS(CPlanThingsDoc), RUNTIME_CLASS(CPlanThingsFrame),
       RUNTIME_CLASS(CPlanThingsView)},
      {IDR_ENQUIRYTYPE, RUNTIME_CLASS(CSearchDoc), RUNTIME_CLASS(CSearchFrame), RUNTIME_CLASS(CSearchView)},
      {IDR_COUNTTYPE, RUNTIME_CLASS(CFinancialDoc), RUNTIME_CLASS(CFinancialFrame), RUNTIME_CLASS(CFinancialView)},
  };
  for (const auto& t : templates) {
    auto* docTemplate = new CMultiDocTemplate(t.id, t.doc, t.frame, t.view);
    AddDocTemplate(docTemplate);
  }

  auto* mainFrame = new CMainFrame;
  if (!mainFrame->LoadFrame(IDR_PRAVENORFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr)) {
    delete mainFrame;
    return FALSE;
  }
  m_pMainWnd = mainFrame;
  mainFrame->ShowWindow(m_nCmdShow);
  mainFrame->UpdateWindow();

  mainFrame->m_wndWorkTree.FillCategoryTree();
  mainFrame->m_wndDateTree.FillDateTree();

  m_remindListDate = COleDateTime::GetCurrentTime();
  BuildTodayReminders(m_remindListDate);
  mainFrame->SetTimer(CMainFrame::kReminderTimerId, CMainFrame::kReminderTimerPeriod, nullptr);
  return TRUE;
}

void CPravenorApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}

void CPravenorApp::OnNewCompletedTask() { OpenTaskForm(u"Completed"); }

void CPravenorApp::OnNewScheduledTask() { OpenTaskForm(u"Scheduled"); }

void CPravenorApp::OpenExistingTaskForm(bool scheduled) {
  m_openExistingTask = true;
  if (scheduled) OnNewScheduledTask();
  else OnNewCompletedTask();
  m_openExistingTask = false;
}

void CPravenorApp::OnOpenCount() { OpenDocumentNamed(u"Count"); }

void CPravenorApp::OpenEnquiryView() { OpenDocumentNamed(u"Enquiry"); }

void CPravenorApp::OnEnquiry() {
  if (AskEnquiry()) OpenEnquiryView();
}

bool CPravenorApp::CurrentWorkExists(const CMainFrame& frame) {
  if (frame.m_nItemId <= 0) return false;
  bool read = false;
  const int found = m_dataStore.QueryScalarInt(u"select count(*) from things where tid=?",
                                               {_variant_t(static_cast<long>(frame.m_nItemId))}, &read);
  return read && found > 0;
}

void CPravenorApp::OpenTaskForm(const char16_t* docName) {
  auto* frame = static_cast<CMainFrame*>(m_pMainWnd);
  if (!frame) return;
  // From the work tree the form is for the current work; without one (none
  // clicked yet, or it was deleted) the work is asked for, as from the date
  // tree: no task is ever stored without its work.
  const bool askForWork =
      !m_openExistingTask && (frame->m_nActiveTree == CFrameState::Tree::kDate || !CurrentWorkExists(*frame));
  const CString itemText = frame->m_strItemText;
  if (itemText == kWorkPlaceholder) {  // exact: "Enter Work Name" is a name like any other
    ::MessageBoxW(nullptr,
                  u"Work Name cannot be\u201CEnter Work Name\u201D,Click\u201CModify\u201DButton to modify name",
                  u"Prompt", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (askForWork) {
    CThingName chooser;
    // Only a confirmed choice goes on: a chooser that could not be shown
    // opens nothing either.
    if (chooser.DoModal() != IDOK) return;
  }
  OpenDocumentNamed(docName);
}

void CPravenorApp::OpenDocumentNamed(const char16_t* docName) {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* docTemplate = GetNextDocTemplate(pos);
    CString name;
    if (docTemplate->GetDocString(name, CDocTemplate::docName) && name == docName) {
      docTemplate->OpenDocumentFile(nullptr, TRUE);
      return;
    }
  }
}

void CPravenorApp::BuildTodayReminders(const COleDateTime& now) {
  AppendTodayReminders(m_dataStore, now, m_remindList);
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
