#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/shell/afxinet.h"
#include "tests/platform/shell/http_server.h"

namespace {

using pvtest::HttpTestServer;

// What the text-message client does: POST a form body, read the reply to
// its end and keep the last line.
struct PostResult {
  std::string lastLine;
  DWORD status = 0;
  DWORD error = 0;
  std::u16string errorText;
};

PostResult Post(CInternetSession& session, int port, const std::string& body, LPCTSTR user = nullptr,
                LPCTSTR password = nullptr) {
  PostResult out;
  CHttpConnection* conn = nullptr;
  CHttpFile* file = nullptr;
  try {
    conn = session.GetHttpConnection(u"127.0.0.1", static_cast<INTERNET_PORT>(port), user, password);
    file = conn->OpenRequest(u"POST", u"/svc/send.do", nullptr, 1, nullptr, nullptr, INTERNET_FLAG_RELOAD);
    file->AddRequestHeaders(u"Content-Type: application/x-www-form-urlencoded;", HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    file->SendRequest(nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size()));
    file->QueryInfoStatusCode(out.status);
    CString line, last;
    while (file->ReadString(line)) last = line;
    for (char16_t c : last.View()) out.lastLine.push_back(static_cast<char>(c));
    file->Close();
  } catch (CInternetException* e) {
    out.error = e->m_dwError;
    char16_t text[256];
    e->GetErrorMessage(text, 256);
    out.errorText = text;
    e->Delete();
  }
  delete file;
  delete conn;
  session.Close();
  return out;
}

TEST(HttpClient, PostSendsExactBytesAndHeaders) {
  HttpTestServer server;
  server.Reply(200, "0");
  CInternetSession session;
  // A NUL and high bytes inside: the body goes out byte for byte.
  std::string body("UserName=abcdef&TimeStamp=&Password=123456&MsgContent=%41\xA1\xBE", 60);
  body += std::string("\0z", 2);
  PostResult r = Post(session, server.port(), body);
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(r.lastLine, "0");
  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 1u);
  const auto& q = reqs[0];
  EXPECT_EQ(q.method, "POST");
  EXPECT_EQ(q.path, "/svc/send.do");
  EXPECT_EQ(q.body, body);
  EXPECT_EQ(q.Header("Content-Length"), std::to_string(body.size()));
  EXPECT_EQ(q.CountHeader("Content-Type"), 1);
  EXPECT_EQ(q.Header("Content-Type"), "application/x-www-form-urlencoded;");
  EXPECT_EQ(q.CountHeader("Expect"), 0);
  EXPECT_EQ(q.Header("Host"), "127.0.0.1:" + std::to_string(server.port()));
}

TEST(HttpClient, ReplyLinesEndWithTheLastLine) {
  struct Case {
    const char* reply;
    const char* last;
  };
  const Case cases[] = {
      {"0", "0"},
      {"0\n", "0"},
      {"-1\r\nbusy\r\n0", "0"},
      {"0\n\n", ""},  // an empty last line: no success for the caller
      {"", ""},
      {"first\nsecond\r\n", "second"},
      {"\xE4\xB8\xAD", "\xE4\xB8\xAD"},  // each byte one character
  };
  HttpTestServer server;
  for (const Case& c : cases) server.Reply(200, c.reply);
  CInternetSession session;
  for (const Case& c : cases) {
    PostResult r = Post(session, server.port(), "a=b");
    EXPECT_EQ(r.error, 0u) << c.reply;
    EXPECT_EQ(r.lastLine, c.last) << "reply: " << c.reply;
  }
}

TEST(HttpClient, ServerErrorIsAStatusNotAnException) {
  HttpTestServer server;
  server.Reply(500, "oops\nfailed");
  CInternetSession session;
  PostResult r = Post(session, server.port(), "x=1");
  EXPECT_EQ(r.error, 0u);
  EXPECT_EQ(r.status, 500u);
  EXPECT_EQ(r.lastLine, "failed");
}

TEST(HttpClient, FailuresThrowWithoutRevealingSecrets) {
  const std::string secretBody = "UserName=abcdef&Password=s3cr3tPw";
  // Refused connection.
  {
    CInternetSession session;
    PostResult r = Post(session, HttpTestServer::RefusedPort(), secretBody, u"abcdef", u"s3cr3tPw");
    EXPECT_EQ(r.error, ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_FALSE(r.errorText.empty());
    EXPECT_EQ(r.errorText.find(u"s3cr3t"), std::u16string::npos);
    EXPECT_EQ(r.errorText.find(u"abcdef"), std::u16string::npos);
    EXPECT_EQ(r.lastLine, "");
  }
  // A server that never answers: the total time-out ends the request (the
  // server only lets go once the client has given up).
  {
    HttpTestServer server;
    server.Hang();
    CInternetSession session;
    ASSERT_TRUE(session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, 1000));
    ASSERT_TRUE(session.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, 1000));
    PostResult r = Post(session, server.port(), secretBody, u"abcdef", u"s3cr3tPw");
    EXPECT_EQ(r.error, ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(r.errorText.find(u"s3cr3t"), std::u16string::npos);
    EXPECT_EQ(r.lastLine, "");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].body, secretBody);
  }
  // A connection closed without any reply.
  {
    HttpTestServer server;
    server.Script({pvtest::HttpStep::kCloseWithoutReply, 0, {}, {}});
    CInternetSession session;
    PostResult r = Post(session, server.port(), "a=b");
    EXPECT_NE(r.error, 0u);
  }
}

TEST(HttpClient, TimeoutsDefaultToSecondsAndRefuseZero) {
  CInternetSession session;
  DWORD connect = 0, total = 0;
  ASSERT_TRUE(session.QueryOption(INTERNET_OPTION_CONNECT_TIMEOUT, connect));
  ASSERT_TRUE(session.QueryOption(INTERNET_OPTION_RECEIVE_TIMEOUT, total));
  EXPECT_GT(connect, 0u);
  EXPECT_LE(connect, 10000u);
  EXPECT_GT(total, 0u);
  EXPECT_LE(total, 30000u);
  EXPECT_FALSE(session.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, 0));  // zero would wait forever
  ASSERT_TRUE(session.QueryOption(INTERNET_OPTION_RECEIVE_TIMEOUT, total));
  EXPECT_GT(total, 0u);
  EXPECT_FALSE(session.SetOption(9999, 1));
}

TEST(HttpClient, RequestHeaderModifiers) {
  HttpTestServer server;
  server.Reply(200, "ok");
  CInternetSession session;
  std::unique_ptr<CHttpConnection> conn(
      session.GetHttpConnection(u"127.0.0.1", static_cast<INTERNET_PORT>(server.port())));
  std::unique_ptr<CHttpFile> file(conn->OpenRequest(CHttpConnection::HTTP_VERB_GET, u"/q?x=1"));
  EXPECT_TRUE(file->AddRequestHeaders(u"X-A: one\r\nX-B: two\r\n", HTTP_ADDREQ_FLAG_ADD_IF_NEW));
  EXPECT_FALSE(file->AddRequestHeaders(u"X-A: again", HTTP_ADDREQ_FLAG_ADD_IF_NEW));
  EXPECT_TRUE(file->AddRequestHeaders(u"x-b: replaced", HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_TRUE(file->AddRequestHeaders(u"X-C: gone", HTTP_ADDREQ_FLAG_ADD));
  EXPECT_TRUE(file->AddRequestHeaders(u"X-C:", HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_TRUE(file->SendRequest());
  auto q = server.Requests().at(0);
  EXPECT_EQ(q.method, "GET");
  EXPECT_EQ(q.path, "/q?x=1");
  EXPECT_EQ(q.Header("X-A"), "one");
  EXPECT_EQ(q.CountHeader("X-A"), 1);
  EXPECT_EQ(q.Header("X-B"), "replaced");
  EXPECT_EQ(q.CountHeader("X-C"), 0);
  EXPECT_EQ(q.CountHeader("Content-Type"), 0);
  EXPECT_EQ(q.body, "");
  char buf[8] = {};
  EXPECT_EQ(file->Read(buf, sizeof buf), 2u);
  EXPECT_EQ(std::string(buf, 2), "ok");
}

// Sends one GET with the given reply limit; the error code (0 for none),
// the status and the body read back.
struct GetResult {
  DWORD error = 0;
  DWORD status = 0;
  std::string body;
};
GetResult Get(int port, ULONGLONG limit = CHttpFile::kDefaultMaxReplyLength) {
  GetResult out;
  CInternetSession session;
  std::unique_ptr<CHttpConnection> conn(session.GetHttpConnection(u"127.0.0.1", static_cast<INTERNET_PORT>(port)));
  std::unique_ptr<CHttpFile> file(conn->OpenRequest(CHttpConnection::HTTP_VERB_GET, u"/r"));
  EXPECT_EQ(file->GetMaxReplyLength(), CHttpFile::kDefaultMaxReplyLength);
  file->SetMaxReplyLength(limit);
  try {
    file->SendRequest();
  } catch (CInternetException* e) {
    out.error = e->m_dwError;
    e->Delete();
  }
  file->QueryInfoStatusCode(out.status);
  char buf[4096];
  while (UINT n = file->Read(buf, sizeof buf)) out.body.append(buf, n);
  return out;
}

// A reply body longer than the request's limit fails the request with its
// own error and keeps nothing, whether the server announces its length or
// just streams until it closes.
TEST(HttpClient, ReplyBodyIsCappedPerRequest) {
  const std::string body1000(1000, 'a'), body1001(1001, 'b');
  const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  HttpTestServer server;
  struct Case {
    const char* what;
    pvtest::HttpStep step;
    ULONGLONG limit;
    DWORD error;
    std::string body;
  } cases[] = {
      {"announced, at the limit", {pvtest::HttpStep::kReply, 200, body1000, {}}, 1000, 0, body1000},
      {"announced, past the limit",
       {pvtest::HttpStep::kReply, 200, body1001, {}},
       1000,
       ERROR_HTTP_REPLY_TOO_LARGE,
       ""},
      {"streamed, at the limit", {pvtest::HttpStep::kRaw, 0, head + body1000, {}}, 1000, 0, body1000},
      {"streamed, past the limit",
       {pvtest::HttpStep::kRaw, 0, head + std::string(300000, 'c'), {}},
       1000,
       ERROR_HTTP_REPLY_TOO_LARGE,
       ""},
      {"nothing allowed", {pvtest::HttpStep::kReply, 200, "x", {}}, 0, ERROR_HTTP_REPLY_TOO_LARGE, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.Script(c.step);
    GetResult r = Get(server.port(), c.limit);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.body, c.body);
    EXPECT_EQ(r.status, c.error ? 0u : 200u);
  }
  CInternetException e(ERROR_HTTP_REPLY_TOO_LARGE);
  char16_t text[128];
  e.GetErrorMessage(text, 128);
  EXPECT_EQ(std::u16string(text), u"The server's reply is larger than this request accepts");
}

// A connection that closes before the blank line ending the headers gave
// no reply, whatever status line came first.
TEST(HttpClient, ConnectionClosedInTheHeadersIsAFailure) {
  struct Case {
    const char* what;
    std::string raw;
    DWORD error;
    std::string body;
  } cases[] = {
      {"after a header line", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n", ERROR_INTERNET_CONNECTION_ABORTED, ""},
      {"after the status line", "HTTP/1.1 200 OK\r\n", ERROR_INTERNET_CONNECTION_ABORTED, ""},
      {"whole headers, body until close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nhello", 0, "hello"},
  };
  HttpTestServer server;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.Raw(c.raw);
    GetResult r = Get(server.port());
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.status, c.error ? 0u : 200u);
    EXPECT_EQ(r.body, c.body);
  }
}

TEST(HttpClient, ParseUrl) {
  struct Case {
    const char16_t* url;
    BOOL ok;
    DWORD type;
    const char16_t* server;
    const char16_t* object;
    INTERNET_PORT port;
  };
  const Case cases[] = {
      {u"http://10.1.2.3:8080/edee/sendSMS.do", TRUE, AFX_INET_SERVICE_HTTP, u"10.1.2.3", u"/edee/sendSMS.do", 8080},
      {u"https://example.test/a?b=c", TRUE, AFX_INET_SERVICE_HTTPS, u"example.test", u"/a?b=c", 443},
      {u"HTTP://host", TRUE, AFX_INET_SERVICE_HTTP, u"host", u"/", 80},
      {u"http://user:pw@host:81/x", TRUE, AFX_INET_SERVICE_HTTP, u"host", u"/x", 81},
      {u"http://[::1]:9000/p", TRUE, AFX_INET_SERVICE_HTTP, u"[::1]", u"/p", 9000},
      {u"host/path", FALSE, 0, nullptr, nullptr, 0},
      {u"http://host:99999/", FALSE, 0, nullptr, nullptr, 0},
      {u"http://host:8a/", FALSE, 0, nullptr, nullptr, 0},
      {u"http:///nohost", FALSE, 0, nullptr, nullptr, 0},
  };
  for (const Case& c : cases) {
    DWORD type = 77;
    CString server, object;
    INTERNET_PORT port = 7;
    BOOL ok = AfxParseURL(c.url, type, server, object, port);
    ASSERT_EQ(ok, c.ok) << std::string(c.url, c.url + std::char_traits<char16_t>::length(c.url));
    if (!ok) {
      EXPECT_EQ(type, 77u);
      EXPECT_EQ(port, 7);
      continue;
    }
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(server.View(), std::u16string_view(c.server));
    EXPECT_EQ(object.View(), std::u16string_view(c.object));
    EXPECT_EQ(port, c.port);
  }
}

// 0 when nothing of libcurl is loaded before the first sessions, and two
// threads making the first sessions at once both get a working client.
int FirstSessionsCheck() {
  const bool loadedAtStart = dlopen("libcurl.so.4", RTLD_NOLOAD | RTLD_LAZY) != nullptr;
  HttpTestServer server;
  server.Reply(200, "first");
  server.Reply(200, "second");
  PostResult results[2];
  auto post = [&](int i) {
    CInternetSession session;
    results[i] = Post(session, server.port(), "n=" + std::to_string(i));
  };
  std::thread one(post, 0);
  std::thread two(post, 1);
  one.join();
  two.join();
  if (loadedAtStart) return 1;
  if (!dlopen("libcurl.so.4", RTLD_NOLOAD | RTLD_LAZY)) return 2;
  for (const PostResult& r : results)
    if (r.error != 0 || r.status != 200 || (r.lastLine != "first" && r.lastLine != "second")) return 3;
  return results[0].lastLine == results[1].lastLine ? 4 : 0;
}

TEST(HttpClientDeathTest, TheLibraryIsOpenedOnceByTheFirstSessions) {
  // A fresh process, so that no other test has made a session before.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(FirstSessionsCheck()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
