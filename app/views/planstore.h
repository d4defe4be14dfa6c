// What the scheduled-task form stores: its TASK row and its reminders.
// Every text is a bound value; each operation runs in one transaction and
// reports whether it took effect, so the form changes its grids and trees
// only on success.
#pragma once

#include <vector>

#include "app/data/datastore.h"
#include "platform/base/oledatetime.h"
#include "platform/base/wintypes.h"

// The two choice lists of the reminder grid; a reminder stores the position.
// "number": 0 "one" … 3 "Countless"; "separation": 0 "5 minutes" … 11 "year".
const std::vector<CString>& ReminderNumberCaptions();
const std::vector<CString>& ReminderSeparationCaptions();
// The caption at `position`, or "" outside the list.
CString CaptionAt(const std::vector<CString>& captions, int position);
// The position of `caption` in the list, or -1.
int PositionOf(const std::vector<CString>& captions, const CString& caption);

// A new scheduled task (tasktype 2) of the work, dated the day of `date` at
// midnight; its taid, or 0 when the store refused it.
int InsertScheduledTask(CDataStore& store, const CString& title, int workId, const COleDateTime& date);
// Save: the task's fields, its date at midnight; an empty title keeps the
// stored one. True when stored.
bool UpdateScheduledTask(CDataStore& store, int taskId, const CString& title, const CString& personnel,
                         const CString& place, const COleDateTime& date, const CString& brief);
// Deletes the task's TASK, REMIND and FILES rows together. True when done.
bool DeleteScheduledTaskRows(CDataStore& store, int taskId);

// One reminder as the form edits it.
struct ReminderValues {
  CString content;
  COleDateTime date;  // the day (its time of day is dropped)
  COleDateTime time;  // the time of day (its day is dropped)
  int numberOfTimes = 0;
  int separation = 0;
  bool message = false;
  int rid = 0;
};

// When Add is pressed at `now`: ten minutes later.
COleDateTime NewReminderDue(const COleDateTime& now);
// A new active reminder of the task due at `due`, with empty content, "one"
// and "5 minutes"; its rid, or 0 when refused.
int InsertReminder(CDataStore& store, int taskId, const COleDateTime& due);
bool UpdateReminder(CDataStore& store, const ReminderValues& values);
bool UpdateReminderMessage(CDataStore& store, int rid, bool message);
bool DeleteReminder(CDataStore& store, int rid);
// The task's active reminders (effect<>0) in the database's order; every
// row starts from empty values (a NULL field reads as empty, zero or
// false). False when the query failed (shown by the store, nothing read)
// or a read failed half-way (shown under "Prompt", owned by `owner`; `out`
// keeps the rows read before it).
bool LoadReminders(CDataStore& store, int taskId, std::vector<ReminderValues>& out, HWND owner = nullptr);
