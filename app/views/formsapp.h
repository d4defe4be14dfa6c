// The application as the views see it: the data store every tree and form
// reads and writes through, the reminder-rebuild flag, and the opening of
// an existing task's form. The application object implements it; the
// views reach the running one through FormsApp(), never the application
// class itself, which sits above them.
#pragma once

class CDataStore;

class CFormsApp {
 public:
  virtual ~CFormsApp() = default;

  // The one gateway to the database.
  virtual CDataStore& DataStore() = 0;
  // A reminder was added, changed or deleted: today's reminder list is
  // rebuilt at the next minute tick.
  virtual void MarkRemindersChanged() = 0;
  // Opens the form of the task the main frame names current (the
  // scheduled-task form or the completed-task form) without asking for a
  // work, as for an existing task.
  virtual void OpenExistingTaskForm(bool scheduled) = 0;
};

// The running application's, or null while there is none (or it is not an
// organiser application).
CFormsApp* FormsApp();
