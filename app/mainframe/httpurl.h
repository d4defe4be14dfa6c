// CHttpUrl: the client of the text-message service. Each request is one
// form-encoded HTTP POST to a fixed path of the service; the service answers
// with a few lines of text, and a last line of "0" means success.
//
// Requests run on a worker thread while the calling thread keeps painting
// its windows and answering messages sent to them, and each has a connect
// and a total time-out (SmsServiceSettings), so a silent service holds the
// caller no longer than that. Every value in a body is percent-encoded from
// GBK (CURLEncode). Nothing here logs, and no error text carries a body.
#pragma once

#include "app/mainframe/urlencode.h"
#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"
#include "platform/base/wintypes.h"

// Where the service listens and how long a request may take. Kept in the
// registry section "SmsService" (values "m_scheme", "m_host", "m_port",
// "m_connectTimeout" and "m_totalTimeout", in milliseconds); a missing or
// unusable value reads as its default.
struct SmsServiceSettings {
  CString scheme = u"http";
  CString host = u"127.0.0.1";
  int port = 8080;
  DWORD connectTimeoutMs = 5000;
  DWORD totalTimeoutMs = 15000;

  static SmsServiceSettings Load();
  // "http://host:port", no path.
  CString BaseUrl() const;
};

class CHttpUrl {
 public:
  // Paths of the three kinds of request below the service's address.
  static constexpr const char16_t* kSendPath = u"/edeeserver/sendSMS.do";
  static constexpr const char16_t* kCancelPath = u"/edeeserver/cancelSms.do";
  static constexpr const char16_t* kAccountPath = u"/edeeserver/account.do";

  // How the calling thread waits for a request: painting its windows and
  // answering sent messages meanwhile (a window thread), or simply blocked
  // (a worker thread of its own, which has no windows).
  enum class Waiting { PaintingWindows, OnCallingThread };

  // The service of the settings in the registry.
  CHttpUrl();
  explicit CHttpUrl(const SmsServiceSettings& service, Waiting waiting = Waiting::PaintingWindows);

  // Sends `text` now. Nothing is sent unless the user name and the password
  // are both 6 characters long.
  void SendTextMessage(const CString& userName, const CString& password, const CString& phone, const CString& text);
  // Hands `text` to the service to be sent at `when` (local time), marked
  // with `id`. Returns the reply; empty when nothing was sent or no answer
  // came. The same account check as SendTextMessage.
  CString SendTextMessageWithId(const CString& userName, const CString& password, const CString& phone,
                                const CString& text, const COleDateTime& when, int id);
  // Withdraws the scheduled messages marked with `id`. Returns the reply.
  CString CancelTextMessage(const CString& userName, const CString& password, int id);
  // Asks how many messages the account has left. Returns the reply.
  CString QueryBalance(const CString& userName, const CString& password, const CString& phone);

  // True when the last request reached no service: it could not connect,
  // timed out, or got an HTTP error status. False after a refused account
  // check (no request was made) and after any answer.
  bool LastRequestFailed() const { return m_failed; }

  // A reply's result: its last line that is not blank, without surrounding
  // blanks, so that "0" followed by an empty line still reads "0".
  static CString ResultLine(const CString& reply);

  // The account check of the two sends: name and password of 6 characters.
  static bool AccountLooksValid(const CString& userName, const CString& password);

 private:
  // Posts `body` to m_strUrl and returns the result line of the reply.
  CString Post(const CString& body);

  CURLEncode m_encode;
  CURLDecode m_decode;
  CString m_strUrl;  // the URL of the request being made
  SmsServiceSettings m_service;
  Waiting m_waiting = Waiting::PaintingWindows;
  bool m_failed = false;
};
