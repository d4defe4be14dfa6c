// The application object: owns the data store and today's reminder list,
// starts the program (InitInstance) and handles the commands that open the
// four task forms.
#pragma once

#include "app/data/datastore.h"
#include "app/mainframe/remind.h"
#include "platform/base/collections.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afxdoc.h"

class CPravenorApp : public CWinApp {
 public:
  CPravenorApp();
  ~CPravenorApp() override;

  BOOL InitInstance() override;

  // The reminder-rebuild flag (below) by the name the task forms use.
  bool& m_bRemindersChanged = m_remindersDirty;

  // Commands (also called directly by the main frame, the trees and the
  // enquiry view, which set m_openExistingTask around the call when they
  // open an existing task).
  void OnAppAbout();
  void OnNewCompletedTask();
  void OnNewScheduledTask();
  void OnOpenCount();
  // Opens a new enquiry form (the main frame's Search command).
  void OpenEnquiryView();
  // The Enquiry command: asks for the range and keyword, then opens it.
  void OnEnquiry();

  // Appends today's occurrences of the live reminders due on `date` to
  // m_reminders and sorts the list by time; callers empty it first.
  void BuildTodayReminders(const COleDateTime& date);

  CDataStore m_dataStore;
  // True while a caller opens an existing task: no work chooser then.
  bool m_openExistingTask = false;
  // The date m_reminders was built for.
  COleDateTime m_reminderDate;
  CArray<RemindSTR> m_reminders;
  // Set by the views when they add, change or delete a reminder.
  bool m_remindersDirty = false;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // The Completed and Scheduled commands: the placeholder refusal, the work
  // chooser, then a new document of the template named `docName`.
  void OpenTaskForm(const char16_t* docName, bool logItem);
  // A new document of the first template whose document name is `docName`.
  void OpenDocumentNamed(const char16_t* docName);
};

// The about box (dialog 100).
class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  DECLARE_MESSAGE_MAP()
};
