// The minute timer's text messages, sent to the service through CHttpUrl.
// Nothing goes out while the user has text messages switched off.
#pragma once

#include <functional>

#include "app/mainframe/remindmessenger.h"

class CServiceMessenger : public CReminderMessenger {
 public:
  // `enabled` tells whether text messages are on at the moment of a request.
  explicit CServiceMessenger(std::function<bool()> enabled);

  void SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                       const CString& text) override;
  CString CancelTextMessage(const CString& userName, const CString& password, int identifier) override;

 private:
  std::function<bool()> m_enabled;
};
