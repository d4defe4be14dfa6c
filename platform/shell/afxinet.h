// HTTP client classes: a session, a connection to one server and port, and
// requests on it whose replies are read like a file.
//
// Every request runs with a connect time-out and a total time-out (defaults
// below, a few seconds; a session's SetOption changes them), so a silent
// server never holds the caller for minutes. A request's body, user name and
// password are never logged nor put into an error text.
#pragma once

#include <memory>
#include <string>

#include "platform/base/cstring.h"
#include "platform/base/exceptions.h"
#include "platform/base/wintypes.h"

using INTERNET_PORT = WORD;
using HINTERNET = void*;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Access types of a session.
constexpr DWORD PRE_CONFIG_INTERNET_ACCESS = 0;
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// Request and connection flags.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_DONT_CACHE = INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100;
constexpr DWORD INTERNET_FLAG_EXISTING_CONNECT = 0x20000000;
constexpr DWORD INTERNET_FLAG_TRANSFER_ASCII = 0x00000001;
constexpr DWORD INTERNET_FLAG_TRANSFER_BINARY = 0x00000002;

// AddRequestHeaders modifiers.
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE = 0x40000000;
constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

// Session options (milliseconds).
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_CONNECT_RETRIES = 3;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_DATA_SEND_TIMEOUT = 7;
constexpr DWORD INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;

// Error codes carried by CInternetException (and GetLastError).
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
// This layer's own: the reply's body passed the request's limit
// (CHttpFile::SetMaxReplyLength).
constexpr DWORD ERROR_HTTP_REPLY_TOO_LARGE = 12990;

// Service types of AfxParseURL.
constexpr DWORD AFX_INET_SERVICE_FTP = 1;
constexpr DWORD AFX_INET_SERVICE_HTTP = 3;
constexpr DWORD AFX_INET_SERVICE_HTTPS = 6;
constexpr DWORD AFX_INET_SERVICE_FILE = 7;
constexpr DWORD AFX_INET_SERVICE_UNK = 0x1000;

// Splits "http://server:port/object" into its parts; the port defaults to
// the scheme's. FALSE (and nothing changed) for text that is no such URL.
BOOL AfxParseURL(LPCTSTR url, DWORD& serviceType, CString& server, CString& object, INTERNET_PORT& port);

class CInternetException : public CException {
  DECLARE_DYNAMIC(CInternetException)
 public:
  explicit CInternetException(DWORD error);
  // A readable text for the error code; never the request's data.
  BOOL GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext = nullptr) const override;

  DWORD m_dwError;
  DWORD_PTR m_dwContext = 0;
};
[[noreturn]] void AfxThrowInternetException(DWORD_PTR context, DWORD error = 0);

class CHttpConnection;
class CHttpFile;

namespace pv::inet {
struct SessionState;
struct ConnectionState;
struct RequestState;
}  // namespace pv::inet

class CInternetSession : public CObject {
  DECLARE_DYNAMIC(CInternetSession)
 public:
  // Defaults every request starts with (milliseconds).
  static constexpr DWORD kDefaultConnectTimeout = 5000;
  static constexpr DWORD kDefaultTotalTimeout = 15000;

  explicit CInternetSession(LPCTSTR agent = nullptr, DWORD_PTR context = 1,
                            DWORD accessType = PRE_CONFIG_INTERNET_ACCESS, LPCTSTR proxyName = nullptr,
                            LPCTSTR proxyBypass = nullptr, DWORD flags = 0);
  ~CInternetSession() override;

  CHttpConnection* GetHttpConnection(LPCTSTR server, INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER,
                                     LPCTSTR userName = nullptr, LPCTSTR password = nullptr);
  // `flags` may hold INTERNET_FLAG_SECURE for HTTPS.
  CHttpConnection* GetHttpConnection(LPCTSTR server, DWORD flags, INTERNET_PORT port, LPCTSTR userName = nullptr,
                                     LPCTSTR password = nullptr);

  // INTERNET_OPTION_CONNECT_TIMEOUT sets the connect time-out;
  // INTERNET_OPTION_RECEIVE_TIMEOUT (and the send/data variants) the total
  // time a request may take. Zero is refused: it would mean "wait forever".
  BOOL SetOption(DWORD option, DWORD value, DWORD flags = 0);
  BOOL QueryOption(DWORD option, DWORD& value) const;

  virtual void Close();
  DWORD_PTR GetContext() const { return m_dwContext; }
  CString GetAgent() const { return m_strAgent; }

 private:
  friend class CHttpConnection;
  friend class CHttpFile;
  DWORD_PTR m_dwContext;
  CString m_strAgent;
  std::shared_ptr<pv::inet::SessionState> m_state;
};

class CHttpConnection : public CObject {
  DECLARE_DYNAMIC(CHttpConnection)
 public:
  enum {
    HTTP_VERB_MIN = 0,
    HTTP_VERB_POST = 0,
    HTTP_VERB_GET = 1,
    HTTP_VERB_HEAD = 2,
    HTTP_VERB_PUT = 3,
    HTTP_VERB_LINK = 4,
    HTTP_VERB_DELETE = 5,
    HTTP_VERB_UNLINK = 6,
    HTTP_VERB_MAX = 6
  };

  ~CHttpConnection() override;

  CHttpFile* OpenRequest(LPCTSTR verb, LPCTSTR objectName, LPCTSTR referer = nullptr, DWORD_PTR context = 1,
                         LPCTSTR* acceptTypes = nullptr, LPCTSTR version = nullptr,
                         DWORD flags = INTERNET_FLAG_EXISTING_CONNECT);
  CHttpFile* OpenRequest(int verb, LPCTSTR objectName, LPCTSTR referer = nullptr, DWORD_PTR context = 1,
                         LPCTSTR* acceptTypes = nullptr, LPCTSTR version = nullptr,
                         DWORD flags = INTERNET_FLAG_EXISTING_CONNECT);
  virtual void Close();

  CString GetServerName() const { return m_strServer; }
  INTERNET_PORT GetPort() const { return m_port; }

 private:
  friend class CInternetSession;
  friend class CHttpFile;
  CHttpConnection(CInternetSession* session, LPCTSTR server, DWORD flags, INTERNET_PORT port, LPCTSTR user,
                  LPCTSTR password);
  CString m_strServer;
  INTERNET_PORT m_port;
  std::shared_ptr<pv::inet::ConnectionState> m_state;
};

// A request; after SendRequest its reply is read with Read/ReadString.
// Errors (no connection, time-out) throw CInternetException*; an HTTP error
// status is not an error here: QueryInfoStatusCode tells it.
class CHttpFile : public CObject {
  DECLARE_DYNAMIC(CHttpFile)
 public:
  ~CHttpFile() override;

  // `headers` holds one or more "Name: value" lines separated by CR LF.
  // HTTP_ADDREQ_FLAG_ADD_IF_NEW skips a header whose name is already there;
  // HTTP_ADDREQ_FLAG_REPLACE replaces (or, with an empty value, removes) it.
  BOOL AddRequestHeaders(LPCTSTR headers, DWORD modifiers = HTTP_ADDREQ_FLAG_ADD_IF_NEW, int length = -1);
  BOOL AddRequestHeaders(const CString& headers, DWORD modifiers = HTTP_ADDREQ_FLAG_ADD_IF_NEW);

  // The largest reply body this request keeps; a longer one fails the
  // request with ERROR_HTTP_REPLY_TOO_LARGE and keeps nothing.
  static constexpr ULONGLONG kDefaultMaxReplyLength = 16ull * 1024 * 1024;
  void SetMaxReplyLength(ULONGLONG bytes);
  ULONGLONG GetMaxReplyLength() const;

  // Sends the request with `optional` as its body, byte for byte.
  BOOL SendRequest(LPCTSTR headers = nullptr, DWORD headersLength = 0, LPVOID optional = nullptr,
                   DWORD optionalLength = 0);
  BOOL SendRequest(const CString& headers, LPVOID optional = nullptr, DWORD optionalLength = 0);

  BOOL QueryInfoStatusCode(DWORD& statusCode) const;
  // A reply header by name (case-insensitive); FALSE when absent.
  BOOL QueryInfo(LPCTSTR headerName, CString& value) const;

  // Reads the next line of the reply, each byte one character, without its
  // line end ("\n" or "\r\n"). FALSE at the end of the reply.
  BOOL ReadString(CString& line);
  // Reads up to maxChars-1 bytes of the next line, keeping its "\n".
  LPTSTR ReadString(LPTSTR buffer, UINT maxChars);
  UINT Read(void* buffer, UINT count);
  ULONGLONG GetLength() const;
  virtual void Close();

  CString GetVerb() const { return m_strVerb; }
  CString GetObject() const { return m_strObject; }

 private:
  friend class CHttpConnection;
  CHttpFile(CHttpConnection* connection, LPCTSTR verb, LPCTSTR object, DWORD_PTR context, DWORD flags);
  CString m_strVerb;
  CString m_strObject;
  DWORD_PTR m_dwContext;
  std::unique_ptr<pv::inet::RequestState> m_state;
};
