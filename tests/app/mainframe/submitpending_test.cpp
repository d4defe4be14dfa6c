// Submission of pending text messages at exit, against a temporary database
// and the fake service: which occurrences go out, in which requests, and
// which rows are marked submitted.
#include "app/mainframe/submitpending.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/mainframe/httpurl.h"
#include "app/mainframe/mainframe.h"
#include "app/reminders/remindcalendar.h"
#include "app/pravenorapp.h"
#include "fake_sms_service.h"
#include "platform/window/test_input.h"
#include "remind_fixture.h"
#include "sms_fixture.h"
#include "tests/support/fixture_reset.h"

namespace {

using remindtest::At;
using remindtest::Moment;
using remindtest::Row;
using smstest::FakeSmsService;

// Each request as "send <TimeStamp> <MsgIdentify>" or "cancel <MsgIdentify>".
std::string Summary(const smstest::RecordedRequest& r) {
  auto field = [&](const std::string& key) {
    const std::string k = key + "=";
    size_t at = r.body.find(k);
    if (at == std::string::npos) return std::string("?");
    size_t end = r.body.find('&', at);
    return r.body.substr(at + k.size(), end == std::string::npos ? std::string::npos : end - at - k.size());
  };
  if (r.path == "/edeeserver/cancelSms.do") return "cancel " + field("MsgIdentify");
  return "send " + field("TimeStamp") + " " + field("MsgIdentify");
}

CMessageSettings Account() {
  CMessageSettings s;
  s.m_userName = u"abc123";
  s.m_userPwd = u"secret";
  s.m_phoneNo = u"13800138000";
  s.m_houZhui = u"Home";
  return s;
}

class SubmitTest : public ::testing::Test {
 protected:
  SubmitTest() { EXPECT_EQ(store_.OpenDatabase(), 1); }

  // Runs one pass over (from, from + days) and answers the requests it made.
  std::vector<std::string> Submit(FakeSmsService& fake, const Moment& from, int days,
                                  const CMessageSettings& settings = Account()) {
    const size_t before = fake.Requests().size();
    CHttpUrl client(fake.Settings());
    const COleDateTime start = At(from);
    SubmitPendingMessages(store_, client, settings, start, start + COleDateTimeSpan(days, 0, 0, 0));
    std::vector<std::string> out;
    auto all = fake.Requests();
    for (size_t i = before; i < all.size(); ++i) out.push_back(Summary(all[i]));
    return out;
  }
  // "1" or "0" (the file keeps true as -1).
  std::string Submitted(int rid) {
    return pvtest::RawSqlite(settings_.home().File("qty.tgd"))
        .One("select submitted<>0 from remind where rid=" + std::to_string(rid));
  }

  smstest::SettingsHome settings_;
  pv::MessageBoxRecorder boxes_;
  CDataStore store_;
};

using V = std::vector<std::string>;

TEST_F(SubmitTest, WhatEachSeriesHandsOverAndWhetherItIsDone) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  struct Case {
    const char* what;
    Row row;
    Moment exit;
    int days;
    V requests;
    const char* submitted;
  };
  const Case cases[] = {
      {"three x day at 09:00, exit at 20:00: only tomorrow's goes, the third is still to come",
       {u"w", {2026, 3, 10, 9, 0, 0}, kRemindThrice, 8, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {"cancel ID", "send 202603110900 ID"},
       "0"},
      {"two x day: the last occurrence goes, the series is done",
       {u"w", {2026, 3, 10, 9, 0, 0}, kRemindTwice, 8, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {"cancel ID", "send 202603110900 ID"},
       "1"},
      {"two days ahead take both",
       {u"w", {2026, 3, 10, 9, 0, 0}, kRemindThrice, 8, 1, true},
       {2026, 3, 10, 20, 0, 0},
       2,
       {"cancel ID", "send 202603110900 ID", "send 202603120900 ID"},
       "1"},
      {"nothing in the window: no request, still pending",
       {u"w", {2026, 3, 12, 9, 0, 0}, kRemindOnce, 0, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {},
       "0"},
      {"exactly at the window's end is outside",
       {u"w", {2026, 3, 11, 20, 0, 0}, kRemindOnce, 0, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {},
       "0"},
      {"the last occurrence exactly at the window's end is not sent: the row waits for it",
       {u"w", {2026, 3, 11, 8, 0, 0}, kRemindTwice, 7, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {"cancel ID", "send 202603110800 ID"},
       "0"},
      {"exactly at the exit is outside",
       {u"w", {2026, 3, 10, 20, 0, 0}, kRemindOnce, 0, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {},
       "0"},
      {"the first occurrence of an unbounded series goes too",
       {u"w", {2026, 3, 11, 9, 0, 0}, kRemindCountless, 8, 1, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {"cancel ID", "send 202603110900 ID"},
       "0"},
      {"5 minutes for ever, started weeks ago, still reaches the window",
       {u"w", {2026, 2, 1, 8, 0, 0}, kRemindCountless, 0, 1, true},
       {2026, 3, 10, 23, 50, 0},
       1,
       {},
       "0"},
      {"monthly on the 31st skips to the next month that has one",
       {u"w", {2026, 1, 31, 9, 0, 0}, kRemindCountless, 10, 1, true},
       {2026, 3, 30, 20, 0, 0},
       2,
       {"cancel ID", "send 202603310900 ID"},
       "0"},
      {"yearly steps keep the date in a leap year",
       {u"w", {2023, 3, 11, 9, 0, 0}, kRemindTwice, 11, 1, true},
       {2024, 3, 10, 20, 0, 0},
       1,
       {"cancel ID", "send 202403110900 ID"},
       "1"},
      {"a switched-off series is left alone",
       {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, true, false, false},
       {2026, 3, 10, 20, 0, 0},
       1,
       {},
       "0"},
      {"no message flag, never submitted: nothing",
       {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, false},
       {2026, 3, 10, 20, 0, 0},
       1,
       {},
       "0"},
      {"un-flagged after submission: withdrawn",
       {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, false, true},
       {2026, 3, 10, 20, 0, 0},
       1,
       {"cancel ID"},
       "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(store_.ExecuteSql(u"delete from remind"));
    const int rid = remindtest::Insert(store_, c.row);
    V expected;
    for (std::string r : c.requests) expected.push_back(r.replace(r.find("ID"), 2, std::to_string(rid)));
    if (std::string(c.what).rfind("5 minutes", 0) == 0) {
      // After 23:50 and before 23:50 the next day: 287 occurrences, the cancel first.
      V got = Submit(fake, c.exit, c.days);
      ASSERT_EQ(got.size(), 288u);
      EXPECT_EQ(got[0], "cancel " + std::to_string(rid));
      EXPECT_EQ(got[1], "send 202603102355 " + std::to_string(rid));
      EXPECT_EQ(got.back(), "send 202603112345 " + std::to_string(rid));
    } else {
      EXPECT_EQ(Submit(fake, c.exit, c.days), expected);
    }
    EXPECT_EQ(Submitted(rid), c.submitted);
  }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(SubmitTest, ASendCarriesTheMomentTheIdentifierAndTheBracketedSuffixInGbk) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  const int rid = remindtest::Insert(store_, {u"Water \u4E2D", {2026, 3, 11, 9, 30, 0}, kRemindOnce, 0, 1, true});
  ASSERT_EQ(Submit(fake, {2026, 3, 10, 20, 0, 0}, 1).size(), 2u);
  auto requests = fake.Requests();
  EXPECT_EQ(requests[1].path, "/edeeserver/sendSMS.do");
  EXPECT_EQ(requests[1].body,
            "UserName=abc123&TimeStamp=202603110930&Password=secret&MobileNumber=13800138000"
            "&MsgContent=Water%20%D6%D0%A1%BEHome%A1%BF&MsgIdentify=" +
                std::to_string(rid));
}

TEST_F(SubmitTest, NothingLeavesWhenMessagesOrSendingAtExitAreOffOrNoAccountIsSet) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  const int pending = remindtest::Insert(store_, {u"p", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, true});
  remindtest::Insert(store_, {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, false, true});
  CMessageSettings off = Account(), quitOff = Account(), noAccount = Account(), shortName = Account();
  off.m_useMessage = 0;
  quitOff.m_quitSend = 0;
  noAccount.m_userPwd.Empty();
  shortName.m_userName = u"abc12";
  for (const CMessageSettings* s : {&off, &quitOff, &noAccount})
    EXPECT_EQ(Submit(fake, {2026, 3, 10, 20, 0, 0}, 1, *s), V{});
  // An account the service cannot have: the withdrawal still goes (a cancel
  // makes no account check), the send does not.
  EXPECT_EQ(Submit(fake, {2026, 3, 10, 20, 0, 0}, 1, shortName), V{"cancel 2"});
  EXPECT_EQ(Submitted(pending), "0");
}

TEST_F(SubmitTest, ARowIsDoneOnlyWhenEveryRequestForItSucceeded) {
  FakeSmsService refusing({"--reply", "sendSMS.do=-1", "--reply", "cancelSms.do=-1"});
  SMS_REQUIRE_FAKE(refusing);
  const int pending = remindtest::Insert(store_, {u"p", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, true});
  const int withdrawn = remindtest::Insert(store_, {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, false, true});
  EXPECT_EQ(Submit(refusing, {2026, 3, 10, 20, 0, 0}, 1).size(), 3u);
  EXPECT_EQ(Submitted(pending), "0");
  EXPECT_EQ(Submitted(withdrawn), "1");

  // The next exit, with a service that accepts, finishes both.
  FakeSmsService accepting;
  EXPECT_EQ(Submit(accepting, {2026, 3, 10, 21, 0, 0}, 1).size(), 3u);
  EXPECT_EQ(Submitted(pending), "1");
  EXPECT_EQ(Submitted(withdrawn), "0");
}

TEST_F(SubmitTest, AServiceThatDoesNotAnswerEndsThePass) {
  const int a = remindtest::Insert(store_, {u"a", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, true});
  const int b = remindtest::Insert(store_, {u"b", {2026, 3, 11, 10, 0, 0}, kRemindOnce, 0, 1, true});
  SmsServiceSettings nowhere;
  nowhere.port = 1;
  CHttpUrl client(nowhere);
  const COleDateTime from = At({2026, 3, 10, 20, 0, 0});
  SubmissionReport report = SubmitPendingMessages(store_, client, Account(), from, from + COleDateTimeSpan(1, 0, 0, 0));
  EXPECT_TRUE(report.unreachable);
  EXPECT_EQ(report.requests, 1);
  EXPECT_EQ(Submitted(a), "0");
  EXPECT_EQ(Submitted(b), "0");
}

TEST_F(SubmitTest, ABoundedPassSendsTheSoonestOccurrencesAndLeavesTheRestPending) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  // Every 5 minutes for ever, and a reminder the day after tomorrow.
  const int frequent = remindtest::Insert(store_, {u"f", {2026, 3, 10, 20, 30, 0}, kRemindCountless, 0, 1, true});
  const int once = remindtest::Insert(store_, {u"o", {2026, 3, 12, 9, 0, 0}, kRemindOnce, 0, 1, true});
  const int withdrawn = remindtest::Insert(store_, {u"w", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, false, true});
  struct Case {
    int maxRequests;
    V requests;  // F, O and W stand for the identifiers
    bool cutShort;
  };
  const Case cases[] = {
      {1, {"cancel W"}, true},
      {4, {"cancel W", "cancel F", "send 202603102030 F", "send 202603102035 F"}, true},
      {100, {}, true},  // the exit's bound: checked by its size below
  };
  auto name = [&](std::string r) {
    for (auto [k, id] : {std::pair{'F', frequent}, std::pair{'O', once}, std::pair{'W', withdrawn}})
      if (r.back() == k) r.replace(r.size() - 1, 1, std::to_string(id));
    return r;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxRequests);
    ASSERT_TRUE(store_.ExecuteSql(u"update remind set submitted=0 where message<>0"));
    ASSERT_TRUE(store_.ExecuteSql(u"update remind set submitted=1 where message=0"));
    SubmissionLimits limits;
    limits.maxRequests = c.maxRequests;
    std::vector<std::pair<int, int>> progress;
    limits.progress = [&](int made, int planned) { progress.emplace_back(made, planned); };
    const size_t before = fake.Requests().size();
    CHttpUrl client(fake.Settings());
    const COleDateTime from = At({2026, 3, 10, 20, 0, 0});
    SubmissionReport report =
        SubmitPendingMessages(store_, client, Account(), from, from + COleDateTimeSpan(7, 0, 0, 0), limits);
    V got;
    auto all = fake.Requests();
    for (size_t i = before; i < all.size(); ++i) got.push_back(Summary(all[i]));
    EXPECT_EQ(report.cutShort, c.cutShort);
    EXPECT_EQ(report.requests, static_cast<int>(got.size()));
    ASSERT_EQ(progress.size(), got.size());
    for (size_t i = 0; i < progress.size(); ++i)
      EXPECT_EQ(progress[i], (std::pair<int, int>(static_cast<int>(i), static_cast<int>(got.size()))));
    if (!c.requests.empty()) {
      V expected;
      for (const auto& r : c.requests) expected.push_back(name(r));
      EXPECT_EQ(got, expected);
    } else {
      // The withdrawal, the series' cancel and its 98 soonest occurrences.
      ASSERT_EQ(got.size(), 100u);
      EXPECT_EQ(got.back(), name("send 202603110435 F"));
    }
    EXPECT_EQ(Submitted(once), "0");  // left for the next exit
    EXPECT_EQ(Submitted(frequent), "0");
  }
}

TEST_F(SubmitTest, APassStopsAtItsTimeLimitAndLeavesTheRestPending) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  pv::FakeClockScope clock;
  const int a = remindtest::Insert(store_, {u"a", {2026, 3, 11, 9, 0, 0}, kRemindOnce, 0, 1, true});
  const int b = remindtest::Insert(store_, {u"b", {2026, 3, 11, 10, 0, 0}, kRemindOnce, 0, 1, true});
  SubmissionLimits limits;
  limits.timeLimit = std::chrono::milliseconds(2500);
  // Each request takes a second of the clock.
  limits.progress = [](int, int) { pv::Clock::AdvanceBy(1000); };
  CHttpUrl client(fake.Settings());
  const COleDateTime from = At({2026, 3, 10, 20, 0, 0});
  SubmissionReport report =
      SubmitPendingMessages(store_, client, Account(), from, from + COleDateTimeSpan(1, 0, 0, 0), limits);
  EXPECT_TRUE(report.cutShort);
  EXPECT_EQ(report.requests, 3);
  EXPECT_EQ(Submitted(a), "1");
  EXPECT_EQ(Submitted(b), "0");  // its cancel went, its send did not
  EXPECT_EQ(Summary(fake.Requests().back()), "cancel " + std::to_string(b));
}

// The whole road: the program runs, the user leaves at 20:00, and the frame
// hands tomorrow's message over on its way out.
TEST(SubmitAtExit, TheFramesDestructorSubmitsTheComingDays) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  pvtest::ResetDesktop();
  remindtest::Home home;
  pv::MessageBoxRecorder boxes;
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2026, 3, 10, 20, 0, 0);
  int rid = 0;
  {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 1);
    rid = remindtest::Insert(store, {u"Water", {2026, 3, 10, 9, 0, 0}, kRemindThrice, 8, 1, true});
  }
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  smstest::StoreServiceSettings(fake.Settings());
  auto& frame = *static_cast<CMainFrame*>(app.m_pMainWnd);
  frame.m_userName = u"abc123";
  frame.m_userPwd = u"secret";
  frame.m_phoneNo = u"13800138000";
  EXPECT_TRUE(fake.Requests().empty());

  app.m_pMainWnd->DestroyWindow();  // the frame deletes itself
  AfxDeleteTempMaps();
  auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(Summary(requests[0]), "cancel " + std::to_string(rid));
  EXPECT_EQ(Summary(requests[1]), "send 202603110900 " + std::to_string(rid));
  pvtest::ResetDesktop();
}

}  // namespace

namespace {

// Leaving with a frequent series and a week ahead: a bounded number of
// requests, the row left pending.
TEST(SubmitAtExit, AFrequentSeriesOverAWeekEndsAfterABoundedNumberOfRequests) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  pvtest::ResetDesktop();
  remindtest::Home home;
  pv::MessageBoxRecorder boxes;
  pv::FakeClockScope clock;
  pv::Clock::SetFakeLocal(2026, 3, 10, 20, 0, 0);
  int rid = 0;
  {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 1);
    rid = remindtest::Insert(store, {u"Water", {2026, 3, 10, 9, 0, 0}, kRemindCountless, 0, 1, true});
  }
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  smstest::StoreServiceSettings(fake.Settings());
  CTKRegistryManager(HKEY_CURRENT_USER).WriteProfileString(u"day", u"m_day", u"7");
  auto& frame = *static_cast<CMainFrame*>(app.m_pMainWnd);
  frame.m_userName = u"abc123";
  frame.m_userPwd = u"secret";
  frame.m_phoneNo = u"13800138000";

  app.m_pMainWnd->DestroyWindow();
  AfxDeleteTempMaps();
  auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 100u);  // of 2,015 occurrences in the week
  EXPECT_EQ(Summary(requests[0]), "cancel " + std::to_string(rid));
  EXPECT_EQ(Summary(requests[1]), "send 202603102005 " + std::to_string(rid));
  EXPECT_EQ(pvtest::RawSqlite(home.Database()).One("select submitted from remind where rid=" + std::to_string(rid)),
            "0");
  pvtest::ResetDesktop();
}

}  // namespace
