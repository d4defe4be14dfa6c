// Where the minute timer hands the text messages of reminders that fall
// due. The text-message client implements it; while the main frame has
// none, reminders fire with pop-up and sound only.
//
// Requests never hold the window thread: they are queued, made elsewhere,
// and a reply comes back to the window thread when it is there.
#pragma once

#include <functional>

#include "platform/base/cstring.h"

class CReminderMessenger {
 public:
  // Runs on the window thread with the service's reply ("0" on success,
  // empty when no answer came).
  using ReplyHandler = std::function<void(const CString& reply)>;

  virtual ~CReminderMessenger() = default;
  // An immediate message; its reply is not looked at.
  virtual void SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                               const CString& text) = 0;
  // Withdraws the scheduled messages that carry `identifier` (a reminder
  // id); `done` gets the reply.
  virtual void CancelTextMessage(const CString& userName, const CString& password, int identifier,
                                 ReplyHandler done) = 0;
  // Hands the replies that have come in to their handlers; the main frame
  // calls it when told that replies are waiting.
  virtual void DeliverReplies() {}
};

// The text of a reminder's message: its content, then the user's suffix
// between the full-width lenticular brackets 【 and 】.
inline CString ReminderMessageText(const CString& content, const CString& suffix) {
  return content + u"\u3010" + suffix + u"\u3011";
}
