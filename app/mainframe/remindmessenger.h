// Where the minute timer hands the text messages of reminders that fall
// due. The text-message client implements it; while the main frame has
// none, reminders fire with pop-up and sound only.
#pragma once

#include "platform/base/cstring.h"

class CReminderMessenger {
 public:
  virtual ~CReminderMessenger() = default;
  // An immediate message; its reply is not looked at.
  virtual void SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                               const CString& text) = 0;
  // Withdraws the scheduled messages that carry `identifier` (a reminder
  // id); answers the service's reply, "0" on success.
  virtual CString CancelTextMessage(const CString& userName, const CString& password, int identifier) = 0;
};

// The text of a reminder's message: its content, then the user's suffix
// between the full-width lenticular brackets 【 and 】.
inline CString ReminderMessageText(const CString& content, const CString& suffix) {
  return content + u"\u3010" + suffix + u"\u3011";
}
