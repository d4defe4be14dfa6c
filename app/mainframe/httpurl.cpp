#include "app/mainframe/httpurl.h"

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/shell/afxinet.h"
#include "platform/system/registry.h"
#include "platform/window/winuser.h"
#include "toolkit/common/registrymanager.h"

namespace {

constexpr const char16_t* kServiceSection = u"SmsService";
// A reply is a few short lines; anything longer is not the service.
constexpr ULONGLONG kMaxReplyLength = 64 * 1024;

// What one request gives back.
struct Reply {
  bool answered = false;  // an HTTP success status came back
  CString text;           // the reply's body, one character per byte
};

struct RequestArgs {
  CString server, object;
  INTERNET_PORT port = 0;
  bool secure = false;
  DWORD connectTimeoutMs = 0, totalTimeoutMs = 0;
  std::string body;
};

// One POST, start to end; runs on the worker thread and touches nothing
// but its arguments.
Reply RunRequest(const RequestArgs& args) {
  Reply reply;
  CInternetSession session(nullptr, 1, PRE_CONFIG_INTERNET_ACCESS);
  session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, args.connectTimeoutMs);
  session.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, args.totalTimeoutMs);
  std::unique_ptr<CHttpConnection> connection;
  std::unique_ptr<CHttpFile> request;
  try {
    connection.reset(
        session.GetHttpConnection(args.server.GetString(), args.secure ? INTERNET_FLAG_SECURE : 0, args.port));
    if (connection)
      request.reset(connection->OpenRequest(u"POST", args.object.GetString(), nullptr, 1, nullptr, nullptr,
                                            INTERNET_FLAG_RELOAD | (args.secure ? INTERNET_FLAG_SECURE : 0)));
    if (request) {
      request->SetMaxReplyLength(kMaxReplyLength);
      request->AddRequestHeaders(u"Content-Type: application/x-www-form-urlencoded;", HTTP_ADDREQ_FLAG_ADD_IF_NEW);
      request->SendRequest(nullptr, 0, const_cast<char*>(args.body.data()), static_cast<DWORD>(args.body.size()));
      DWORD status = 0;
      request->QueryInfoStatusCode(status);
      if (status >= 200 && status < 300) {
        CString line;
        bool first = true;
        while (request->ReadString(line)) {
          if (!first) reply.text += u'\n';
          reply.text += line;
          first = false;
        }
        reply.answered = true;
      }
      request->Close();
    }
  } catch (CInternetException* e) {
    // No connection, a time-out, a broken reply: no answer.
    e->Delete();
    reply = Reply{};
  }
  request.reset();
  if (connection) connection->Close();
  connection.reset();
  session.Close();
  return reply;
}

// Runs the request on a worker thread. Meanwhile this thread paints its
// windows and answers messages other threads send to them; posted messages,
// input and timers wait in the queue until the request is done, so nothing
// the user does runs in the middle of it.
Reply RunWithoutBlockingWindows(RequestArgs args) {
  std::packaged_task<Reply()> task([a = std::move(args)] { return RunRequest(a); });
  std::future<Reply> done = task.get_future();
  std::thread worker(std::move(task));
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) DispatchMessage(&msg);
    done.wait_for(std::chrono::milliseconds(15));
  }
  worker.join();
  return done.get();
}

CString Stamp(const COleDateTime& t, bool seconds) {
  CString s;
  if (seconds)
    s.Format(u"%04d%02d%02d%02d%02d%02d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(),
             t.GetSecond());
  else s.Format(u"%04d%02d%02d%02d%02d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute());
  return s;
}

}  // namespace

SmsServiceSettings SmsServiceSettings::Load() {
  SmsServiceSettings s;
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  CString scheme = reg.GetProfileString(kServiceSection, u"m_scheme", s.scheme.GetString());
  scheme.MakeLower();
  if (scheme == u"http" || scheme == u"https") s.scheme = scheme;
  CString host = reg.GetProfileString(kServiceSection, u"m_host", s.host.GetString());
  host.Trim();
  if (!host.IsEmpty() && host.FindOneOf(u"/?#@ ") < 0) s.host = host;
  int port = reg.GetProfileInt(kServiceSection, u"m_port", s.port);
  if (port > 0 && port < 65536) s.port = port;
  int connect = reg.GetProfileInt(kServiceSection, u"m_connectTimeout", static_cast<int>(s.connectTimeoutMs));
  if (connect > 0) s.connectTimeoutMs = static_cast<DWORD>(connect);
  int total = reg.GetProfileInt(kServiceSection, u"m_totalTimeout", static_cast<int>(s.totalTimeoutMs));
  if (total > 0) s.totalTimeoutMs = static_cast<DWORD>(total);
  return s;
}

CString SmsServiceSettings::BaseUrl() const {
  CString url;
  url.Format(u"%s://%s:%d", scheme.GetString(), host.GetString(), port);
  return url;
}

CHttpUrl::CHttpUrl() : CHttpUrl(SmsServiceSettings::Load()) {}

CHttpUrl::CHttpUrl(const SmsServiceSettings& service, Waiting waiting)
    : m_strUrl(service.BaseUrl() + kSendPath), m_service(service), m_waiting(waiting) {}

bool CHttpUrl::AccountLooksValid(const CString& userName, const CString& password) {
  return userName.GetLength() == 6 && password.GetLength() == 6;
}

void CHttpUrl::SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                               const CString& text) {
  m_failed = false;
  if (!AccountLooksValid(userName, password)) return;
  m_strUrl = m_service.BaseUrl() + kSendPath;
  Post(u"UserName=" + m_encode.PercentEncode(userName) + u"&TimeStamp=" + u"&Password=" +
       m_encode.PercentEncode(password) + u"&MobileNumber=" + m_encode.PercentEncode(phone) + u"&MsgContent=" +
       m_encode.PercentEncode(text));
}

CString CHttpUrl::SendTextMessageWithId(const CString& userName, const CString& password, const CString& phone,
                                        const CString& text, const COleDateTime& when, int id) {
  m_failed = false;
  if (!AccountLooksValid(userName, password) || when.GetStatus() != COleDateTime::valid) return {};
  m_strUrl = m_service.BaseUrl() + kSendPath;
  CString number;
  number.Format(u"%d", id);
  return Post(u"UserName=" + m_encode.PercentEncode(userName) + u"&TimeStamp=" + Stamp(when, false) + u"&Password=" +
              m_encode.PercentEncode(password) + u"&MobileNumber=" + m_encode.PercentEncode(phone) + u"&MsgContent=" +
              m_encode.PercentEncode(text) + u"&MsgIdentify=" + number);
}

CString CHttpUrl::CancelTextMessage(const CString& userName, const CString& password, int id) {
  m_failed = false;
  m_strUrl = m_service.BaseUrl() + kCancelPath;
  CString number;
  number.Format(u"%d", id);
  return Post(u"UserName=" + m_encode.PercentEncode(userName) + u"&TimeStamp=" + u"&Password=" +
              m_encode.PercentEncode(password) + u"&MsgIdentify=" + number);
}

CString CHttpUrl::QueryBalance(const CString& userName, const CString& password, const CString& phone) {
  m_failed = false;
  m_strUrl = m_service.BaseUrl() + kAccountPath;
  return Post(u"UserName=" + m_encode.PercentEncode(userName) + u"&TimeStamp=" +
              Stamp(COleDateTime::GetCurrentTime(), true) + u"&Password=" + m_encode.PercentEncode(password) +
              u"&MobileNumber=" + m_encode.PercentEncode(phone));
}

CString CHttpUrl::ResultLine(const CString& reply) {
  int end = reply.GetLength();
  while (end > 0) {
    int start = end - 1;
    while (start >= 0 && reply[start] != u'\n') --start;
    CString line = reply.Mid(start + 1, end - start - 1);
    line.Trim();
    if (!line.IsEmpty()) return line;
    end = start;
  }
  return {};
}

CString CHttpUrl::Post(const CString& body) {
  RequestArgs args;
  DWORD service = 0;
  if (!AfxParseURL(m_strUrl.GetString(), service, args.server, args.object, args.port)) {
    m_failed = true;
    return {};
  }
  args.secure = service == AFX_INET_SERVICE_HTTPS;
  args.connectTimeoutMs = m_service.connectTimeoutMs;
  args.totalTimeoutMs = m_service.totalTimeoutMs;
  // The body is ASCII once encoded; each unit is one byte.
  args.body.reserve(static_cast<size_t>(body.GetLength()));
  for (int i = 0; i < body.GetLength(); ++i) args.body += static_cast<char>(body[i]);
  Reply reply = m_waiting == Waiting::OnCallingThread ? RunRequest(args) : RunWithoutBlockingWindows(std::move(args));
  m_failed = !reply.answered;
  return reply.answered ? ResultLine(reply.text) : CString();
}
