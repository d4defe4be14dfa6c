// The text-message client against the repository's fake service: the exact
// bodies, paths and headers it posts, the account check, the reply rule and
// a service that never answers.
#include "app/mainframe/httpurl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/mainframe/remindmessenger.h"
#include "app/mainframe/servicemessenger.h"
#include "fake_sms_service.h"
#include "platform/base/clock.h"
#include "platform/window/winuser.h"
#include "sms_fixture.h"

namespace {

using smstest::FakeSmsService;

class HttpUrlTest : public ::testing::Test {
 protected:
  smstest::SettingsHome settings_;
};

TEST_F(HttpUrlTest, EachRequestPostsItsKeysInOrder) {
  FakeSmsService fake({"--balance", "35"});
  SMS_REQUIRE_FAKE(fake);
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2026, 3, 5, 9, 30, 15);
  CHttpUrl client(fake.Settings());
  client.SendTextMessage(u"abc123", u"p&ss=1", u"13800138000", ReminderMessageText(u"Hi \u4E2D", u"Morvesk"));
  EXPECT_EQ(client.SendTextMessageWithId(u"abc123", u"secret", u"13800138000", u"Water",
                                         COleDateTime(2026, 3, 5, 9, 30, 0), 42),
            CString(u"0"));
  EXPECT_EQ(client.CancelTextMessage(u"abc12", u"secret", 7), CString(u"0"));  // no account check on a cancel
  // The immediate send took one of the 35.
  EXPECT_EQ(client.QueryBalance(u"abc123", u"secret", u"13800138000"), CString(u"34"));

  auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 4u);
  const char* expected[][2] = {
      {"/edeeserver/sendSMS.do",
       "UserName=abc123&TimeStamp=&Password=p%26ss%3D1&MobileNumber=13800138000"
       "&MsgContent=Hi%20%D6%D0%A1%BEMorvesk%A1%BF"},
      {"/edeeserver/sendSMS.do",
       "UserName=abc123&TimeStamp=202603050930&Password=secret&MobileNumber=13800138000&MsgContent=Water"
       "&MsgIdentify=42"},
      {"/edeeserver/cancelSms.do", "UserName=abc12&TimeStamp=&Password=secret&MsgIdentify=7"},
      {"/edeeserver/account.do", "UserName=abc123&TimeStamp=20260305093015&Password=secret&MobileNumber=13800138000"},
  };
  for (size_t i = 0; i < requests.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(requests[i].method, "POST");
    EXPECT_EQ(requests[i].path, expected[i][0]);
    EXPECT_EQ(requests[i].body, expected[i][1]);
    EXPECT_EQ(requests[i].Header("Content-Type"), "application/x-www-form-urlencoded;");
    EXPECT_EQ(requests[i].Header("Content-Length"), std::to_string(requests[i].body.size()));
  }
}

TEST_F(HttpUrlTest, SendsOnlyWithASixCharacterAccount) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  struct Account {
    const char16_t* name;
    const char16_t* password;
  };
  const Account refused[] = {
      {u"abc12", u"secret"}, {u"abc1234", u"secret"}, {u"abc123", u"secre"}, {u"abc123", u"secret7"}, {u"", u""}};
  CHttpUrl client(fake.Settings());
  for (const auto& a : refused) {
    client.SendTextMessage(a.name, a.password, u"13800138000", u"x");
    EXPECT_EQ(
        client.SendTextMessageWithId(a.name, a.password, u"13800138000", u"x", COleDateTime(2026, 3, 5, 9, 30, 0), 1),
        CString());
    EXPECT_FALSE(client.LastRequestFailed());
  }
  EXPECT_TRUE(fake.Requests().empty());
}

TEST(HttpUrlReply, TheResultIsTheLastLineThatIsNotBlank) {
  struct ReplyCase {
    const char16_t* reply;
    const char16_t* result;
  };
  const ReplyCase cases[] = {{u"0", u"0"},         {u"0\n", u"0"},       {u"0\n\n", u"0"},
                             {u"0\r\n\r\n", u"0"}, {u"1\n2\n35", u"35"}, {u" 0 \n", u"0"},
                             {u"", u""},           {u"\n\n", u""},       {u"0\n-1", u"-1"}};
  for (const auto& c : cases)
    EXPECT_EQ(CHttpUrl::ResultLine(c.reply), CString(c.result)) << CStringA(c.reply).GetString();
}

TEST_F(HttpUrlTest, AReplyWithTrailingEmptyLinesCountsAsItsLastLine) {
  FakeSmsService fake({"--reply", "sendSMS.do=0\\r\\n\\r\\n"});
  SMS_REQUIRE_FAKE(fake);
  CHttpUrl client(fake.Settings());
  EXPECT_EQ(client.SendTextMessageWithId(u"abc123", u"secret", u"1", u"x", COleDateTime(2026, 3, 5, 9, 30, 0), 3),
            CString(u"0"));
}

TEST_F(HttpUrlTest, AnHttpErrorIsNoAnswer) {
  FakeSmsService fake({"--status", "500", "--reply", "sendSMS.do=0"});
  SMS_REQUIRE_FAKE(fake);
  CHttpUrl client(fake.Settings());
  EXPECT_EQ(client.SendTextMessageWithId(u"abc123", u"secret", u"1", u"x", COleDateTime(2026, 3, 5, 9, 30, 0), 3),
            CString());
  EXPECT_TRUE(client.LastRequestFailed());
}

TEST_F(HttpUrlTest, NothingListeningIsNoAnswer) {
  SmsServiceSettings nowhere;
  nowhere.port = 1;  // nothing listens on a privileged port of loopback in a test
  nowhere.connectTimeoutMs = 1000;
  nowhere.totalTimeoutMs = 1000;
  CHttpUrl client(nowhere);
  EXPECT_EQ(client.CancelTextMessage(u"abc123", u"secret", 3), CString());
  EXPECT_TRUE(client.LastRequestFailed());
}

TEST_F(HttpUrlTest, TheServiceAddressIsASetting) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  smstest::StoreServiceSettings(fake.Settings(1500, 2500));
  SmsServiceSettings loaded = SmsServiceSettings::Load();
  EXPECT_EQ(loaded.BaseUrl(), CString(u"http://127.0.0.1:") + CString(std::to_string(fake.port()).c_str()));
  EXPECT_EQ(loaded.connectTimeoutMs, 1500u);
  EXPECT_EQ(loaded.totalTimeoutMs, 2500u);
  CHttpUrl client;  // from the settings
  EXPECT_EQ(client.CancelTextMessage(u"abc123", u"secret", 3), CString(u"0"));
  EXPECT_EQ(fake.Requests().size(), 1u);

  // Unusable values read as the defaults.
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  reg.WriteProfileString(u"SmsService", u"m_scheme", u"gopher");
  reg.WriteProfileString(u"SmsService", u"m_host", u"a/b");
  reg.WriteProfileInt(u"SmsService", u"m_port", 70000);
  reg.WriteProfileInt(u"SmsService", u"m_totalTimeout", 0);
  EXPECT_EQ(SmsServiceSettings::Load().BaseUrl(), CString(u"http://127.0.0.1:8080"));
  EXPECT_EQ(SmsServiceSettings::Load().totalTimeoutMs, SmsServiceSettings{}.totalTimeoutMs);
}

TEST_F(HttpUrlTest, TheTimersMessagesGoOutOnlyWithMessagesOn) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  smstest::StoreServiceSettings(fake.Settings());
  bool on = false;
  CServiceMessenger messenger([&] { return on; }, [] { return HWND(nullptr); });
  // No window is told: the replies are collected here until all came in.
  std::vector<CString> replies;
  auto settle = [&] {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (messenger.Outstanding() > 0 && std::chrono::steady_clock::now() < give_up) {
      messenger.DeliverReplies();
      std::this_thread::yield();
    }
  };
  auto keep = [&](const CString& reply) { replies.push_back(reply); };
  messenger.SendTextMessage(u"abc123", u"secret", u"1", u"x");
  messenger.CancelTextMessage(u"abc123", u"secret", 4, keep);
  settle();
  EXPECT_TRUE(replies.empty());
  EXPECT_TRUE(fake.Requests().empty());
  on = true;
  messenger.SendTextMessage(u"abc123", u"secret", u"1", u"x");
  messenger.CancelTextMessage(u"abc123", u"secret", 4, keep);
  settle();
  EXPECT_EQ(replies, std::vector<CString>{CString(u"0")});
  EXPECT_EQ(fake.Requests().size(), 2u);
}

// A window that notes whether a message sent to it from another thread was
// answered while a request was still running.
std::atomic<bool> g_requestRunning{false};
std::atomic<int> g_answeredDuringRequest{0};

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 7) {
    if (g_requestRunning) ++g_answeredDuringRequest;
    return 77;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST_F(HttpUrlTest, ASilentServiceEndsAtTheTimeOutWithTheWindowAnswering) {
  FakeSmsService fake({"--hang"});
  SMS_REQUIRE_FAKE(fake);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &ProbeProc;
  wc.lpszClassName = u"PvSmsProbe";
  RegisterClassW(&wc);
  HWND probe = CreateWindowExW(0, u"PvSmsProbe", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(probe, nullptr);

  // Once the fake holds the request, another thread sends the window a
  // message; it is answered only if this thread keeps serving its windows.
  LRESULT answer = 0;
  std::atomic<bool> sendReturned{false};
  std::thread other([&] {
    if (fake.WaitForNextRequest()) answer = SendMessageW(probe, WM_APP + 7, 0, 0);
    sendReturned = true;
  });
  CHttpUrl client(fake.Settings(2000, 1500));
  g_requestRunning = true;
  const CString reply =
      client.SendTextMessageWithId(u"abc123", u"secret", u"1", u"x", COleDateTime(2026, 3, 5, 9, 30, 0), 3);
  g_requestRunning = false;
  // A client that kept the window deaf has the message answered only now.
  while (!sendReturned) {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE);
  }
  other.join();
  EXPECT_EQ(reply, CString());
  EXPECT_TRUE(client.LastRequestFailed());
  EXPECT_EQ(answer, 77);
  EXPECT_EQ(g_answeredDuringRequest, 1);
  DestroyWindow(probe);
}

}  // namespace
