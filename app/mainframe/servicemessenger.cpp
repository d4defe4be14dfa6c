#include "app/mainframe/servicemessenger.h"

#include <utility>

#include "app/mainframe/httpurl.h"

CServiceMessenger::CServiceMessenger(std::function<bool()> enabled) : m_enabled(std::move(enabled)) {}

void CServiceMessenger::SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                                        const CString& text) {
  if (!m_enabled || !m_enabled()) return;
  CHttpUrl client;
  client.SendTextMessage(userName, password, phone, text);
}

CString CServiceMessenger::CancelTextMessage(const CString& userName, const CString& password, int identifier) {
  if (!m_enabled || !m_enabled()) return {};
  CHttpUrl client;
  return client.CancelTextMessage(userName, password, identifier);
}
