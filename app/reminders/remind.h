// One occurrence of a reminder due today, as the application object keeps
// them (sorted by time), and the list's builder.
#pragma once

#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"

class CDataStore;

struct RemindSTR {
  CString content;
  COleDateTime occurrence;
  int NumberOfTimes = 0;   // repeat count code of the series
  int executenumber = -1;  // carried as stored
  int rid = 0;             // reminder id
  int taid = 0;            // task id
  bool message = false;    // send as a text message
  bool submitted = false;  // handed to the text-message service already
  int sendnumber = 0;      // carried as stored
};

// -1 when a falls before b, 1 when after, 0 at the same moment (within half
// a second).
int CompareRemindSTR(const RemindSTR& a, const RemindSTR& b);

// Switches off (effect = 0) the finite series whose last occurrence lies
// before `now`; unbounded series are never switched off. Rows whose codes
// or dates cannot be read are left as they are.
void ScanRepeatingReminders(CDataStore& store, const COleDateTime& now);

// Runs the expiry scan for `now`, then appends to `list` every occurrence
// of the live series that lies between `now` and 23:59:59 of its day (both
// included), and sorts the whole list by time; occurrences at the same
// moment keep the order of their rows. A row with a NULL date, time, code
// or id, or with codes the series calendar does not know, gives nothing.
// When reading fails half-way the list keeps what was read, sorted.
// Answers whether the rows were read to the end.
bool AppendTodayReminders(CDataStore& store, const COleDateTime& now, CArray<RemindSTR>& list);
