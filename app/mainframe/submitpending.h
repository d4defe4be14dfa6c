// Submission of pending text messages at exit: the coming days'
// occurrences of reminders flagged for a text message are handed to the
// service as scheduled messages, and the scheduled messages of reminders
// the user un-flagged since are withdrawn.
#pragma once

#include "app/mainframe/messagesettings.h"
#include "platform/base/oledatetime.h"

class CDataStore;
class CHttpUrl;

// What one pass did.
struct SubmissionReport {
  int requests = 0;          // requests made
  bool unreachable = false;  // the service did not answer; the pass stopped there
};

// One pass over the REMIND rows for the window (from, to), both ends
// excluded. Nothing is sent unless messages and sending at exit are on and
// an account is set. A pending row is marked submitted only when every
// request for it answered "0" and its series has no occurrence after the
// window; a withdrawn row whose cancel answered "0" becomes a plain
// reminder. The first request that gets no answer ends the pass: the rows
// left stay as they are and are tried again at the next exit.
SubmissionReport SubmitPendingMessages(CDataStore& store, CHttpUrl& client, const CMessageSettings& settings,
                                       const COleDateTime& from, const COleDateTime& to);
