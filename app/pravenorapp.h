// The application object: owns the data store and today's reminder list,
// starts the program (InitInstance) and handles the commands that open the
// four task forms.
#pragma once

#include "app/data/datastore.h"
#include "app/mainframe/reminderlistowner.h"
#include "app/reminders/remind.h"
#include "app/views/formsapp.h"
#include "platform/base/collections.h"
#include "platform/base/oledatetime.h"
#include "platform/framework/afxdoc.h"

class CMainFrame;

class CPravenorApp : public CWinApp, public CFormsApp, public CReminderListOwner {
 public:
  CPravenorApp();
  ~CPravenorApp() override;

  BOOL InitInstance() override;

  // What the views and the main frame ask of the application (CFormsApp,
  // CReminderListOwner).
  CDataStore& DataStore() override { return m_dataStore; }
  void MarkRemindersChanged() override { m_bRemindersChanged = true; }
  // The Completed or Scheduled command with m_openExistingTask set.
  void OpenExistingTaskForm(bool scheduled) override;

  // The reminder-rebuild flag (below) by the name the task forms use.
  bool& m_bRemindersChanged = m_remindDirty;

  // Commands (the Completed and Scheduled ones also through
  // OpenExistingTaskForm, which sets m_openExistingTask around the call).
  void OnAppAbout();
  void OnNewCompletedTask();
  void OnNewScheduledTask();
  void OnOpenCount();
  // Opens a new enquiry form (the main frame's Search command).
  void OpenEnquiryView();
  // The Enquiry command: asks for the range and keyword, then opens it.
  void OnEnquiry();

  CDataStore m_dataStore;
  // True while a caller opens an existing task: no work chooser then.
  bool m_openExistingTask = false;

  // ---- Reminders and pop-ups (app/reminders) ----
  // Runs the expiry scan, then appends the occurrences due from `now` to
  // the end of its day to m_remindList and sorts the list by time. Callers
  // empty the list first and keep m_remindListDate and m_remindDirty.
  void BuildTodayReminders(const COleDateTime& now) override;
  CArray<RemindSTR>& RemindList() override { return m_remindList; }
  COleDateTime& RemindListDate() override { return m_remindListDate; }
  bool& RemindDirty() override { return m_remindDirty; }
  // Today's reminder occurrences, sorted by time.
  CArray<RemindSTR> m_remindList;
  // The moment the list was built for at start-up or at the last change of
  // day; the minute timer rebuilds when today's date differs from its date.
  COleDateTime m_remindListDate;
  // Set by the scheduled-task form whenever it adds, changes or deletes a
  // reminder or toggles its message flag; the next minute tick rebuilds.
  bool m_remindDirty = false;
  // ---- end of reminders and pop-ups ----

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // The Completed and Scheduled commands: the placeholder refusal, the work
  // chooser, then a new document of the template named `docName`.
  void OpenTaskForm(const char16_t* docName);
  // Whether the main frame's current work is a stored work.
  bool CurrentWorkExists(const CMainFrame& frame);
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
