// Today's reminder list as the main frame's minute timer sees it. The
// application keeps the list and builds it; the timer fires from it,
// rebuilds it when the day changes or a reminder was edited, and marks the
// messages it withdrew. The timer reaches the running application's through
// ReminderListOwner(), never the application class itself, which sits above
// the frame.
#pragma once

#include "app/reminders/remind.h"
#include "platform/base/collections.h"
#include "platform/base/oledatetime.h"

class CDataStore;

class CReminderListOwner {
 public:
  virtual ~CReminderListOwner() = default;

  // Today's occurrences, sorted by time.
  virtual CArray<RemindSTR>& RemindList() = 0;
  // The moment the list was built for at start-up or at the last change of
  // day.
  virtual COleDateTime& RemindListDate() = 0;
  // Raised when a reminder was added, changed or deleted: the next tick
  // rebuilds.
  virtual bool& RemindDirty() = 0;
  // Appends the occurrences due from `now` to the end of its day, after
  // the expiry scan, and sorts the list by time.
  virtual void BuildTodayReminders(const COleDateTime& now) = 0;
  // The data store the list was read from.
  virtual CDataStore& DataStore() = 0;
};

// The running application's, or null while there is none.
CReminderListOwner* ReminderListOwner();
