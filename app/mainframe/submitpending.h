// Submission of pending text messages at exit: the coming days'
// occurrences of reminders flagged for a text message are handed to the
// service as scheduled messages, and the scheduled messages of reminders
// the user un-flagged since are withdrawn.
#pragma once

#include <chrono>
#include <functional>

#include "app/mainframe/messagesettings.h"
#include "platform/base/oledatetime.h"

class CDataStore;
class CHttpUrl;

// What one pass did.
struct SubmissionReport {
  int requests = 0;          // requests made
  bool unreachable = false;  // the service did not answer; the pass stopped there
  bool cutShort = false;     // a bound was reached; some requests were left for later
};

// How much one pass may do. A frequent series over a week is thousands of
// occurrences, each a request that may wait for its time-out: the pass
// makes the soonest requests first and stops at the bound; what it leaves
// stays pending for the next exit (and for the minute timer meanwhile).
struct SubmissionLimits {
  int maxRequests = 0;                    // 0: no bound
  std::chrono::milliseconds timeLimit{};  // zero: no bound
  // Told before each request: requests made so far, requests planned.
  std::function<void(int made, int planned)> progress;

  static SubmissionLimits Unbounded() { return {}; }
  // The program's exit.
  static SubmissionLimits AtExit();
};

// One pass over the REMIND rows for the window (from, to), both ends
// excluded. Nothing is sent unless messages and sending at exit are on and
// an account is set. A pending row is marked submitted only when every
// request for it answered "0" and its series has no occurrence after the
// window; a withdrawn row whose cancel answered "0" becomes a plain
// reminder. The first request that gets no answer ends the pass: the rows
// left stay as they are and are tried again at the next exit. Within
// `limits` the withdrawals go first, then the pending occurrences soonest
// first; a row some of whose occurrences were left out stays pending.
SubmissionReport SubmitPendingMessages(CDataStore& store, CHttpUrl& client, const CMessageSettings& settings,
                                       const COleDateTime& from, const COleDateTime& to,
                                       const SubmissionLimits& limits = SubmissionLimits::Unbounded());
