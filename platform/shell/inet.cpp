// HTTP client classes over libcurl. One blocking transfer per SendRequest;
// the reply is kept in memory and read from there.
#include <curl/curl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/base/shared_library.h"
#include "platform/base/utf.h"
#include "platform/shell/afxinet.h"

namespace pv::inet {

struct SessionState {
  DWORD connectTimeout = CInternetSession::kDefaultConnectTimeout;
  DWORD totalTimeout = CInternetSession::kDefaultTotalTimeout;
  std::string agent;
  bool closed = false;
};

struct ConnectionState {
  std::shared_ptr<SessionState> session;
  std::string server;
  INTERNET_PORT port = 0;
  bool secure = false;
  std::string user;
  std::string password;
  bool closed = false;
};

struct RequestState {
  std::shared_ptr<ConnectionState> connection;
  DWORD flags = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // request headers, in order
  bool sent = false;
  long status = 0;
  std::vector<std::pair<std::string, std::string>> replyHeaders;
  std::string reply;
  size_t readPos = 0;
  ULONGLONG maxReply = CHttpFile::kDefaultMaxReplyLength;
  // What the transfer callbacks found; they never throw into libcurl.
  bool tooLarge = false;
  bool outOfMemory = false;
  bool headersComplete = false;  // the blank line after the last reply's headers arrived
};

namespace {

// The libcurl calls this client makes. The library is opened with the first
// session, not at program start: with the TLS and authentication libraries
// it brings, loading and relocating it costs several megabytes of resident
// memory and a good part of an empty start-up, and most runs never send a
// request.
struct CurlApi {
  CURLcode (*globalInit)(long flags) = nullptr;
  CURL* (*easyInit)() = nullptr;
  CURLcode (*easySetopt)(CURL* curl, CURLoption option, ...) = nullptr;
  CURLcode (*easyPerform)(CURL* curl) = nullptr;
  CURLcode (*easyGetinfo)(CURL* curl, CURLINFO info, ...) = nullptr;
  void (*easyCleanup)(CURL* curl) = nullptr;
  curl_slist* (*slistAppend)(curl_slist* list, const char* text) = nullptr;
  void (*slistFreeAll)(curl_slist* list) = nullptr;
};

// Opened and initialised once, whichever thread asks first; null when the
// library cannot be loaded.
const CurlApi* Curl() {
  static const CurlApi* const api = []() -> const CurlApi* {
    static CurlApi loaded;
    pv::LibraryCalls calls("libcurl.so.4");
    calls.Bind(loaded.globalInit, "curl_global_init");
    calls.Bind(loaded.easyInit, "curl_easy_init");
    calls.Bind(loaded.easySetopt, "curl_easy_setopt");
    calls.Bind(loaded.easyPerform, "curl_easy_perform");
    calls.Bind(loaded.easyGetinfo, "curl_easy_getinfo");
    calls.Bind(loaded.easyCleanup, "curl_easy_cleanup");
    calls.Bind(loaded.slistAppend, "curl_slist_append");
    calls.Bind(loaded.slistFreeAll, "curl_slist_free_all");
    if (!calls.Done(nullptr)) return nullptr;
    if (loaded.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;  // the library stays loaded
    return &loaded;
  }();
  return api;
}

std::string Narrow(LPCTSTR s) { return s ? pv::Utf16ToUtf8(std::u16string_view(s)) : std::string(); }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

DWORD MapCurlError(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_COULDNT_CONNECT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_GOT_NOTHING:
      return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_WEIRD_SERVER_REPLY:
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_ABORTED_BY_CALLBACK:
      return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_FILESIZE_EXCEEDED:
      return ERROR_HTTP_REPLY_TOO_LARGE;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

// The transfer callbacks are called from C: nothing may be thrown out of
// them. A failure is noted and the transfer stopped by answering a count
// other than the one given.
size_t OnBody(char* data, size_t size, size_t n, void* user) noexcept {
  auto* r = static_cast<RequestState*>(user);
  const size_t bytes = size * n;
  if (bytes > r->maxReply || r->reply.size() > r->maxReply - bytes) {
    r->tooLarge = true;
    return bytes == 0 ? 1 : 0;
  }
  try {
    r->reply.append(data, bytes);
  } catch (...) {
    r->outOfMemory = true;
    return bytes == 0 ? 1 : 0;
  }
  return bytes;
}

size_t OnHeader(char* data, size_t size, size_t n, void* user) noexcept {
  auto* r = static_cast<RequestState*>(user);
  const size_t bytes = size * n;
  std::string_view line(data, bytes);
  try {
    if (line.rfind("HTTP/", 0) == 0) {
      r->replyHeaders.clear();  // a new reply (after a redirect or "100 Continue")
      r->headersComplete = false;
    } else if (line == "\r\n" || line == "\n") {
      r->headersComplete = true;
    } else if (size_t colon = line.find(':'); colon != std::string_view::npos) {
      r->replyHeaders.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
  } catch (...) {
    r->outOfMemory = true;
    return bytes == 0 ? 1 : 0;
  }
  return bytes;
}

}  // namespace
}  // namespace pv::inet

using namespace pv::inet;

// ---- URL parsing ------------------------------------------------------------------------------

BOOL AfxParseURL(LPCTSTR url, DWORD& serviceType, CString& server, CString& object, INTERNET_PORT& port) {
  if (!url) return FALSE;
  std::u16string u(url);
  while (!u.empty() && (u.front() == u' ' || u.front() == u'\t')) u.erase(0, 1);
  size_t sep = u.find(u"://");
  if (sep == std::u16string::npos || sep == 0) return FALSE;
  std::u16string scheme = u.substr(0, sep);
  for (auto& c : scheme)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  DWORD type = AFX_INET_SERVICE_UNK;
  INTERNET_PORT defPort = 0;
  if (scheme == u"http") {
    type = AFX_INET_SERVICE_HTTP;
    defPort = INTERNET_DEFAULT_HTTP_PORT;
  } else if (scheme == u"https") {
    type = AFX_INET_SERVICE_HTTPS;
    defPort = INTERNET_DEFAULT_HTTPS_PORT;
  } else if (scheme == u"ftp") {
    type = AFX_INET_SERVICE_FTP;
    defPort = 21;
  } else if (scheme == u"file") {
    type = AFX_INET_SERVICE_FILE;
  }
  std::u16string rest = u.substr(sep + 3);
  size_t slash = rest.find_first_of(u"/?#");
  std::u16string authority = rest.substr(0, slash);
  std::u16string path = slash == std::u16string::npos ? u"/" : rest.substr(slash);
  if (!path.empty() && path[0] != u'/') path.insert(path.begin(), u'/');
  if (size_t at = authority.rfind(u'@'); at != std::u16string::npos) authority.erase(0, at + 1);
  INTERNET_PORT p = defPort;
  size_t colon = authority.rfind(u':');
  size_t bracket = authority.find(u']');
  if (colon != std::u16string::npos && (bracket == std::u16string::npos || colon > bracket)) {
    std::u16string digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return FALSE;
    unsigned v = 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') return FALSE;
      v = v * 10 + (c - u'0');
    }
    if (v == 0 || v > 65535) return FALSE;
    p = static_cast<INTERNET_PORT>(v);
    authority.erase(colon);
  }
  if (authority.empty() && type != AFX_INET_SERVICE_FILE) return FALSE;
  serviceType = type;
  server = CString(std::u16string_view(authority));
  object = CString(std::u16string_view(path));
  port = p;
  return TRUE;
}

// ---- exceptions -------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CInternetException, CException)

CInternetException::CInternetException(DWORD error) : m_dwError(error) {}

BOOL CInternetException::GetErrorMessage(LPTSTR text, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  const char16_t* msg = nullptr;
  switch (m_dwError) {
    case ERROR_INTERNET_TIMEOUT:
      msg = u"The operation timed out";
      break;
    case ERROR_INTERNET_CANNOT_CONNECT:
      msg = u"A connection with the server could not be established";
      break;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      msg = u"The server name or address could not be resolved";
      break;
    case ERROR_INTERNET_INVALID_URL:
      msg = u"The URL is invalid";
      break;
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      msg = u"The URL does not use a recognized protocol";
      break;
    case ERROR_INTERNET_CONNECTION_ABORTED:
      msg = u"The connection with the server was terminated abnormally";
      break;
    case ERROR_INTERNET_CONNECTION_RESET:
      msg = u"The connection with the server was reset";
      break;
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
      msg = u"A secure connection with the server could not be established";
      break;
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      msg = u"The server response could not be parsed";
      break;
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE:
      msg = u"The operation is not valid in the handle's current state";
      break;
    case ERROR_INTERNET_INVALID_OPTION:
      msg = u"An invalid option value was given";
      break;
    case ERROR_INTERNET_OPERATION_CANCELLED:
      msg = u"The operation was cancelled";
      break;
    case ERROR_HTTP_REPLY_TOO_LARGE:
      msg = u"The server's reply is larger than this request accepts";
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
      msg = u"There is not enough memory for the server's reply";
      break;
    default:
      msg = u"An internal error occurred in the network layer";
      break;
  }
  if (!text || maxChars == 0) return TRUE;
  size_t n = std::min<size_t>(std::char_traits<char16_t>::length(msg), maxChars - 1);
  std::copy(msg, msg + n, text);
  text[n] = 0;
  return TRUE;
}

void AfxThrowInternetException(DWORD_PTR context, DWORD error) {
  if (error == 0) error = ERROR_INTERNET_INTERNAL_ERROR;
  SetLastError(error);
  auto* e = new CInternetException(error);
  e->m_dwContext = context;
  throw e;
}

// ---- session ----------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CInternetSession, CObject)

CInternetSession::CInternetSession(LPCTSTR agent, DWORD_PTR context, DWORD, LPCTSTR, LPCTSTR, DWORD)
    : m_dwContext(context), m_strAgent(agent), m_state(std::make_shared<SessionState>()) {
  Curl();
  m_state->agent = Narrow(agent);
}

CInternetSession::~CInternetSession() { Close(); }

void CInternetSession::Close() { m_state->closed = true; }

CHttpConnection* CInternetSession::GetHttpConnection(LPCTSTR server, INTERNET_PORT port, LPCTSTR user,
                                                     LPCTSTR password) {
  return GetHttpConnection(server, 0, port, user, password);
}

CHttpConnection* CInternetSession::GetHttpConnection(LPCTSTR server, DWORD flags, INTERNET_PORT port, LPCTSTR user,
                                                     LPCTSTR password) {
  if (!server || !*server) AfxThrowInternetException(m_dwContext, ERROR_INTERNET_INVALID_URL);
  m_state->closed = false;
  return new CHttpConnection(this, server, flags, port, user, password);
}

BOOL CInternetSession::SetOption(DWORD option, DWORD value, DWORD) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
      if (value == 0) break;
      m_state->connectTimeout = value;
      return TRUE;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
      if (value == 0) break;
      m_state->totalTimeout = value;
      return TRUE;
    case INTERNET_OPTION_CONNECT_RETRIES:
      return TRUE;
    default:
      break;
  }
  SetLastError(ERROR_INTERNET_INVALID_OPTION);
  return FALSE;
}

BOOL CInternetSession::QueryOption(DWORD option, DWORD& value) const {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
      value = m_state->connectTimeout;
      return TRUE;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
      value = m_state->totalTimeout;
      return TRUE;
    case INTERNET_OPTION_CONNECT_RETRIES:
      value = 1;
      return TRUE;
    default:
      SetLastError(ERROR_INTERNET_INVALID_OPTION);
      return FALSE;
  }
}

// ---- connection -------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CHttpConnection, CObject)

CHttpConnection::CHttpConnection(CInternetSession* session, LPCTSTR server, DWORD flags, INTERNET_PORT port,
                                 LPCTSTR user, LPCTSTR password)
    : m_strServer(server), m_state(std::make_shared<ConnectionState>()) {
  m_state->session = session->m_state;
  m_state->secure = (flags & INTERNET_FLAG_SECURE) != 0 || port == INTERNET_DEFAULT_HTTPS_PORT;
  if (port == INTERNET_INVALID_PORT_NUMBER)
    port = m_state->secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  m_port = port;
  m_state->server = Narrow(server);
  m_state->port = port;
  m_state->user = Narrow(user);
  m_state->password = Narrow(password);
}

CHttpConnection::~CHttpConnection() { Close(); }

void CHttpConnection::Close() { m_state->closed = true; }

CHttpFile* CHttpConnection::OpenRequest(LPCTSTR verb, LPCTSTR objectName, LPCTSTR, DWORD_PTR context, LPCTSTR*, LPCTSTR,
                                        DWORD flags) {
  if (m_state->closed) AfxThrowInternetException(context, ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  return new CHttpFile(this, verb && *verb ? verb : u"GET", objectName, context, flags);
}

CHttpFile* CHttpConnection::OpenRequest(int verb, LPCTSTR objectName, LPCTSTR referer, DWORD_PTR context,
                                        LPCTSTR* acceptTypes, LPCTSTR version, DWORD flags) {
  static const char16_t* const kVerbs[] = {u"POST", u"GET", u"HEAD", u"PUT", u"LINK", u"DELETE", u"UNLINK"};
  if (verb < HTTP_VERB_MIN || verb > HTTP_VERB_MAX) AfxThrowInternetException(context, ERROR_INTERNET_INVALID_OPTION);
  return OpenRequest(kVerbs[verb], objectName, referer, context, acceptTypes, version, flags);
}

// ---- request ----------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CHttpFile, CObject)

CHttpFile::CHttpFile(CHttpConnection* connection, LPCTSTR verb, LPCTSTR object, DWORD_PTR context, DWORD flags)
    : m_strVerb(verb), m_strObject(object), m_dwContext(context), m_state(std::make_unique<RequestState>()) {
  m_state->connection = connection->m_state;
  m_state->flags = flags;
  if (flags & INTERNET_FLAG_SECURE) m_state->connection->secure = true;
}

CHttpFile::~CHttpFile() { Close(); }

void CHttpFile::Close() {
  m_state->reply.clear();
  m_state->reply.shrink_to_fit();
  m_state->readPos = 0;
}

BOOL CHttpFile::AddRequestHeaders(const CString& headers, DWORD modifiers) {
  return AddRequestHeaders(headers.GetString(), modifiers, headers.GetLength());
}

BOOL CHttpFile::AddRequestHeaders(LPCTSTR headers, DWORD modifiers, int length) {
  if (!headers) return FALSE;
  std::u16string_view text = length < 0 ? std::u16string_view(headers) : std::u16string_view(headers, length);
  std::string all = pv::Utf16ToUtf8(text);
  auto& list = m_state->headers;
  BOOL ok = TRUE;
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t end = all.find('\n', pos);
    std::string_view line(all.data() + pos, (end == std::string::npos ? all.size() : end) - pos);
    pos = end == std::string::npos ? all.size() + 1 : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) {
      ok = FALSE;
      continue;
    }
    std::string name = Trim(line.substr(0, colon));
    std::string value = Trim(line.substr(colon + 1));
    auto it = std::find_if(list.begin(), list.end(), [&](auto& h) { return SameName(h.first, name); });
    if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
      if (it != list.end()) {
        if (value.empty()) list.erase(it);
        else it->second = value;
      } else if (!value.empty() && (modifiers & HTTP_ADDREQ_FLAG_ADD)) {
        list.emplace_back(name, value);
      } else if (!value.empty()) {
        ok = FALSE;
      }
    } else if (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
      if (it == list.end()) list.emplace_back(name, value);
      else ok = FALSE;  // already there: the header is left as it is
    } else if ((modifiers & HTTP_ADDREQ_FLAG_COALESCE) && it != list.end()) {
      it->second += ", " + value;
    } else {
      list.emplace_back(name, value);
    }
  }
  return ok;
}

void CHttpFile::SetMaxReplyLength(ULONGLONG bytes) { m_state->maxReply = bytes; }

ULONGLONG CHttpFile::GetMaxReplyLength() const { return m_state->maxReply; }

BOOL CHttpFile::SendRequest(const CString& headers, LPVOID optional, DWORD optionalLength) {
  return SendRequest(headers.GetString(), static_cast<DWORD>(headers.GetLength()), optional, optionalLength);
}

BOOL CHttpFile::SendRequest(LPCTSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength) {
  RequestState& r = *m_state;
  ConnectionState& c = *r.connection;
  SessionState& s = *c.session;
  if (c.closed || s.closed) AfxThrowInternetException(m_dwContext, ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  if (headers && *headers) {
    int len = headersLength == 0 || headersLength == static_cast<DWORD>(-1) ? -1 : static_cast<int>(headersLength);
    AddRequestHeaders(headers, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE, len);
  }

  const CurlApi* api = Curl();
  if (!api) AfxThrowInternetException(m_dwContext, ERROR_INTERNET_INTERNAL_ERROR);
  const auto setopt = api->easySetopt;
  CURL* curl = api->easyInit();
  if (!curl) AfxThrowInternetException(m_dwContext, ERROR_INTERNET_OUT_OF_HANDLES);

  std::string object = pv::Utf16ToUtf8(m_strObject.View());
  if (object.empty() || object[0] != '/') object.insert(object.begin(), '/');
  std::string host = c.server;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  std::string url = std::string(c.secure ? "https://" : "http://") + host + ":" + std::to_string(c.port) + object;
  std::string verb = pv::Utf16ToUtf8(m_strVerb.View());

  r.sent = true;
  r.status = 0;
  r.reply.clear();
  r.replyHeaders.clear();
  r.readPos = 0;
  r.tooLarge = r.outOfMemory = r.headersComplete = false;

  setopt(curl, CURLOPT_URL, url.c_str());
  setopt(curl, CURLOPT_NOSIGNAL, 1L);
  setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connectTimeout));
  setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(s.totalTimeout));
  setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
  if (!(r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT)) {
    setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    setopt(curl, CURLOPT_MAXREDIRS, 5L);
  }
  if (!s.agent.empty()) setopt(curl, CURLOPT_USERAGENT, s.agent.c_str());
  if (!c.user.empty()) {
    setopt(curl, CURLOPT_USERNAME, c.user.c_str());
    setopt(curl, CURLOPT_PASSWORD, c.password.c_str());
  }

  const bool hasBody = optional && optionalLength > 0;
  if (verb == "HEAD") {
    setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (verb == "POST" || hasBody) {
    setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(hasBody ? optionalLength : 0));
    setopt(curl, CURLOPT_POSTFIELDS, hasBody ? static_cast<const char*>(optional) : "");
    if (verb != "POST") setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
  } else if (verb != "GET") {
    setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }

  // The caller's headers as given; curl's own defaults for a body type and
  // "Expect: 100-continue" are suppressed so the request is what was asked.
  curl_slist* list = nullptr;
  bool hasType = false;
  for (auto& [name, value] : r.headers) {
    if (SameName(name, "Content-Type")) hasType = true;
    list = api->slistAppend(list, (name + ": " + value).c_str());
  }
  if (!hasType) list = api->slistAppend(list, "Content-Type:");
  list = api->slistAppend(list, "Expect:");
  setopt(curl, CURLOPT_HTTPHEADER, list);

  // A reply that announces a larger body fails before it is read.
  if (r.maxReply <= static_cast<ULONGLONG>(INT64_MAX))
    setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(r.maxReply));
  setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
  setopt(curl, CURLOPT_WRITEDATA, &r);
  setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
  setopt(curl, CURLOPT_HEADERDATA, &r);

  CURLcode rc = api->easyPerform(curl);
  long status = 0;
  api->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  api->slistFreeAll(list);
  api->easyCleanup(curl);
  DWORD error = 0;
  if (r.tooLarge) error = ERROR_HTTP_REPLY_TOO_LARGE;
  else if (r.outOfMemory) error = ERROR_NOT_ENOUGH_MEMORY;
  else if (rc != CURLE_OK) error = MapCurlError(rc);
  // A connection closed before the blank line that ends the headers is no
  // reply, whatever status line came first.
  else if (!r.headersComplete) error = ERROR_INTERNET_CONNECTION_ABORTED;
  if (error) {
    r.reply.clear();
    r.reply.shrink_to_fit();
    r.replyHeaders.clear();
    AfxThrowInternetException(m_dwContext, error);
  }
  r.status = status;
  return TRUE;
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& statusCode) const {
  if (!m_state->sent || m_state->status == 0) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return FALSE;
  }
  statusCode = static_cast<DWORD>(m_state->status);
  return TRUE;
}

BOOL CHttpFile::QueryInfo(LPCTSTR headerName, CString& value) const {
  if (!headerName) return FALSE;
  std::string name = Narrow(headerName);
  for (auto& [n, v] : m_state->replyHeaders)
    if (SameName(n, name)) {
      value = FromUtf8(v);
      return TRUE;
    }
  return FALSE;
}

BOOL CHttpFile::ReadString(CString& line) {
  RequestState& r = *m_state;
  line.Empty();
  if (r.readPos >= r.reply.size()) return FALSE;
  size_t end = r.reply.find('\n', r.readPos);
  size_t stop = end == std::string::npos ? r.reply.size() : end;
  size_t textEnd = stop;
  if (end != std::string::npos && textEnd > r.readPos && r.reply[textEnd - 1] == '\r') --textEnd;
  std::u16string& out = line.Str();
  out.reserve(textEnd - r.readPos);
  for (size_t i = r.readPos; i < textEnd; ++i)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(r.reply[i])));
  r.readPos = end == std::string::npos ? r.reply.size() : end + 1;
  return TRUE;
}

LPTSTR CHttpFile::ReadString(LPTSTR buffer, UINT maxChars) {
  RequestState& r = *m_state;
  if (!buffer || maxChars == 0 || r.readPos >= r.reply.size()) return nullptr;
  UINT n = 0;
  while (n + 1 < maxChars && r.readPos < r.reply.size()) {
    char ch = r.reply[r.readPos++];
    buffer[n++] = static_cast<char16_t>(static_cast<unsigned char>(ch));
    if (ch == '\n') break;
  }
  buffer[n] = 0;
  return buffer;
}

UINT CHttpFile::Read(void* buffer, UINT count) {
  RequestState& r = *m_state;
  if (!buffer) return 0;
  size_t n = std::min<size_t>(count, r.reply.size() - std::min(r.readPos, r.reply.size()));
  if (n) std::memcpy(buffer, r.reply.data() + r.readPos, n);
  r.readPos += n;
  return static_cast<UINT>(n);
}

ULONGLONG CHttpFile::GetLength() const {
  return m_state->reply.size() - std::min(m_state->readPos, m_state->reply.size());
}
