// The minute timer and the reminder pop-ups in the running program: the
// application starts in a temporary home on a fake clock, the sound player
// and the text-message client are recorded, and the pop-ups are real
// windows on the test desktop.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/data/des.h"
#include "app/mainframe/mainframe.h"
#include "app/mainframe/servicemessenger.h"
#include "app/reminders/remindcalendar.h"
#include "app/pravenorapp.h"
#include "platform/shell/mmsystem.h"
#include "platform/shell/shellapi.h"
#include "platform/window/test_input.h"
#include "fake_sms_service.h"
#include "remind_fixture.h"
#include "sms_fixture.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/registrymanager.h"
#include "toolkit/controls/popupitem.h"

namespace {

using namespace remindtest;
using pv::test::PumpUntilIdle;

// The text-message client as the timer sees it.
class RecordingMessenger : public CReminderMessenger {
 public:
  struct Log {
    std::vector<std::string> sent;  // "user/password/phone/text"
    std::vector<int> cancelled;     // identifiers
    CString cancelReply = u"0";
  };
  explicit RecordingMessenger(Log& log) : log_(log) {}
  void SendTextMessage(const CString& user, const CString& password, const CString& phone,
                       const CString& text) override {
    log_.sent.push_back(Narrow(user) + "/" + Narrow(password) + "/" + Narrow(phone) + "/" + Narrow(text));
  }
  void CancelTextMessage(const CString&, const CString&, int identifier, ReplyHandler done) override {
    log_.cancelled.push_back(identifier);
    if (done) done(log_.cancelReply);
  }

 private:
  Log& log_;
};

class ReminderTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
    pv::shell::RegisterModules();
    pvtest::ResetShell();
    pv::test::MouseMove(5, 5);
    PumpUntilIdle();
    pv::sound::ClearRequests();
  }
  void TearDown() override {
    if (app_.m_pMainWnd && app_.m_pMainWnd->m_hWnd) app_.m_pMainWnd->DestroyWindow();
    AfxDeleteTempMaps();
    pvtest::ResetShell();
    pvtest::ResetDesktop();
  }

  // Rows go in before the program starts, as a previous run left them.
  int Put(const Row& row) {
    CDataStore store;
    EXPECT_GE(store.OpenDatabase(), 1);
    return Insert(store, row);
  }
  void Start() {
    AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(app_.InitApplication());
    ASSERT_TRUE(app_.InitInstance());
    if (!keepServiceMessenger_) Frame().m_reminderMessenger = std::make_unique<RecordingMessenger>(messages_);
    Frame().m_popupWnd.m_nShowTime = 24 * 60 * 60000;  // pop-ups stay while the test looks
    PumpUntilIdle();
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.m_pMainWnd); }
  void Tick(const Moment& m) {
    Frame().OnReminderTick(At(m));
    PumpUntilIdle();
  }
  // The reminder texts of the open pop-ups, oldest first.
  std::vector<std::string> PopupTexts() {
    std::vector<std::string> out;
    for (POSITION pos = Frame().m_popupWnd.m_popups.GetHeadPosition(); pos;)
      out.push_back(Narrow(ReminderItem(Frame().m_popupWnd.m_popups.GetNext(pos))->GetCaption()));
    return out;
  }
  static CTKPopupItem* ReminderItem(CTKPopupControl* popup) {
    for (int i = 0; i < popup->GetItemCount(); ++i) {
      CTKPopupItem* item = popup->GetItem(i);
      if (item->GetID() == CMyPopupWnd::kReminderTextItem && !item->GetCaption().IsEmpty()) return item;
    }
    return nullptr;
  }
  int Sounds() {
    int n = 0;
    for (const auto& r : pv::sound::Requests())
      if (!r.stop && r.name.size() >= 5 && r.name.substr(r.name.size() - 5) == u"2.wav") ++n;
    return n;
  }
  int ScheduledForms() {
    int count = 0;
    POSITION pos = app_.GetFirstDocTemplatePosition();
    while (pos) {
      CDocTemplate* t = app_.GetNextDocTemplate(pos);
      CString name;
      t->GetDocString(name, CDocTemplate::docName);
      if (name != u"Scheduled") continue;
      for (POSITION d = t->GetFirstDocPosition(); d; t->GetNextDoc(d)) ++count;
    }
    return count;
  }

  // The frame's own messenger, which sends to the service: until the
  // messenger's requests have had their replies, the window thread goes on
  // taking messages.
  CServiceMessenger& Service() { return dynamic_cast<CServiceMessenger&>(*Frame().m_reminderMessenger); }
  void WaitForReplies() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Service().Outstanding() > 0 && std::chrono::steady_clock::now() < give_up) {
      PumpUntilIdle();
      std::this_thread::yield();
    }
    PumpUntilIdle();
  }
  void SetAccount() {
    Frame().m_userName = u"abc123";
    Frame().m_userPwd = u"secret";
    Frame().m_phoneNo = u"13800138000";
    Frame().m_houZhui = u"Home";
  }
  // Puts a work and its scheduled task 1 in, for pop-ups that open it.
  void PutTask() {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 1);
    COleDateTime started(2026, 3, 1, 9, 0, 0);
    CString cipher = CDES().TransformText(u"Garden", GetWorkNameKey(started), 0);
    ASSERT_EQ(store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,2,?)",
                                      u"select max(tid) from things",
                                      {CDataStore::TextValue(cipher), _variant_t(DATE(started), VT_DATE)}),
              1);
    ASSERT_EQ(store.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values "
                                      u"('Sow the beans',1,2,#2026-03-10#)",
                                      u"select max(taid) from task"),
              1);
  }

  bool keepServiceMessenger_ = false;
  pv::FakeClockScope clock_{2026, 3, 10, 8, 0, 0};
  Home home_;
  pv::MessageBoxRecorder boxes_;
  RecordingMessenger::Log messages_;
  CPravenorApp app_;
};

TEST_F(ReminderTimerTest, TimerThirtyThreeFiresEachDueReminderOnceInListOrder) {
  Put({u"first", {2026, 3, 10, 8, 3, 0}});
  Put({u"second", {2026, 3, 10, 8, 3, 0}});
  Put({u"later", {2026, 3, 10, 8, 4, 30}});
  Start();
  ASSERT_EQ(app_.m_remindList.GetSize(), 3);
  pv::test::AdvanceAndPump(2 * 60000);  // 08:02
  EXPECT_TRUE(PopupTexts().empty());
  pv::test::AdvanceAndPump(60000);  // 08:03
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(Sounds(), 2);
  // Another timer of the frame fires nothing, even inside the minute.
  pv::test::AdvanceAndPump(30000);
  Frame().SendMessage(WM_TIMER, 34);
  EXPECT_EQ(PopupTexts().size(), 2u);
  pv::test::AdvanceAndPump(30000);  // 08:04: 08:04:30 has begun its minute
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"first", "second", "later"}));
  pv::test::AdvanceAndPump(3 * 60000);
  EXPECT_EQ(PopupTexts().size(), 3u);
  EXPECT_EQ(Sounds(), 3);
  for (const auto& r : pv::sound::Requests())
    if (!r.stop && !(r.flags & SND_MEMORY)) {  // the built-in sound stands in for a missing file
      EXPECT_EQ(r.flags & SND_ASYNC, SND_ASYNC);
      EXPECT_EQ(r.name, pv::JoinPath(pv::ProgramFolder(), u"2.wav"));  // beside the program
    }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ReminderTimerTest, ALateTickFiresWhatItPassedOverExactlyOnce) {
  Put({u"08:10", {2026, 3, 10, 8, 10, 0}});
  Put({u"08:40", {2026, 3, 10, 8, 40, 0}});
  Put({u"09:30", {2026, 3, 10, 9, 30, 0}});
  Start();
  Tick({2026, 3, 10, 8, 1, 0});
  EXPECT_TRUE(PopupTexts().empty());
  Tick({2026, 3, 10, 9, 5, 12});  // the machine slept for an hour
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"08:10", "08:40"}));
  Tick({2026, 3, 10, 9, 5, 40});  // a second tick in the same minute
  Tick({2026, 3, 10, 9, 6, 0});
  EXPECT_EQ(PopupTexts().size(), 2u);
  EXPECT_EQ(Sounds(), 2);
}

TEST_F(ReminderTimerTest, WithTheDefaultSettingsEachDueFlaggedReminderReachesTheServiceOnce) {
  smstest::FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  Put({u"water", {2026, 3, 10, 8, 3, 0}, 0, 0, 1, true});
  Put({u"plain", {2026, 3, 10, 8, 3, 0}, 0, 0, 1, false});
  Put({u"feed", {2026, 3, 10, 8, 3, 20}, 0, 0, 1, true});
  Put({u"done", {2026, 3, 10, 8, 3, 40}, 0, 0, 1, true, true});
  Put({u"later", {2026, 3, 10, 8, 4, 0}, 0, 0, 1, true});
  keepServiceMessenger_ = true;
  Start();
  smstest::StoreServiceSettings(fake.Settings());
  SetAccount();
  ASSERT_TRUE(Frame().m_useMessage);
  ASSERT_FALSE(Frame().m_runSend);  // the default: no condition for sending

  pv::test::AdvanceAndPump(3 * 60000);  // 08:03
  WaitForReplies();
  auto contents = [&] {
    std::vector<std::string> out;
    for (const auto& r : fake.Requests()) {
      EXPECT_EQ(r.path, "/edeeserver/sendSMS.do");
      const size_t at = r.body.find("MsgContent=");
      out.push_back(at == std::string::npos ? "?" : r.body.substr(at + 11));
    }
    return out;
  };
  EXPECT_EQ(contents(), (std::vector<std::string>{"water%A1%BEHome%A1%BF", "feed%A1%BEHome%A1%BF"}));
  EXPECT_EQ(PopupTexts().size(), 4u);
  Tick({2026, 3, 10, 8, 3, 50});    // again in the same minute: nothing twice
  pv::test::AdvanceAndPump(60000);  // 08:04
  WaitForReplies();
  EXPECT_EQ(contents().size(), 3u);
  EXPECT_EQ(contents().back(), "later%A1%BEHome%A1%BF");
}

TEST_F(ReminderTimerTest, ASendThatHangsLeavesTheWindowTakingInput) {
  smstest::FakeSmsService fake({"--hang"});
  SMS_REQUIRE_FAKE(fake);
  PutTask();
  Put({u"beans", {2026, 3, 10, 8, 5, 0}, 0, 0, 1, true});
  Put({u"beans too", {2026, 3, 10, 8, 5, 0}, 0, 0, 1, true});
  keepServiceMessenger_ = true;
  Start();
  smstest::StoreServiceSettings(fake.Settings(500, 1500));
  SetAccount();

  Tick({2026, 3, 10, 8, 5, 0});
  ASSERT_TRUE(fake.WaitForNextRequest());  // the fake holds the first send
  ASSERT_EQ(PopupTexts(), (std::vector<std::string>{"beans", "beans too"}));
  EXPECT_EQ(Service().Outstanding(), 2);
  // A click on the reminder is handled while the send waits.
  CTKPopupItem* item = ReminderItem(Frame().m_popupWnd.m_popups.GetHead());
  ASSERT_NE(item, nullptr);
  CRect rc;
  ::GetWindowRect(item->GetPopupControl()->GetSafeHwnd(), &rc);
  CPoint at = rc.TopLeft() + item->GetRect().CenterPoint();
  pv::test::MouseMove(at.x, at.y);
  pv::test::Click(at.x, at.y);
  PumpUntilIdle();
  EXPECT_EQ(ScheduledForms(), 1);
  EXPECT_EQ(Service().Outstanding(), 2);  // neither request has ended
}

TEST_F(ReminderTimerTest, ATickAfterANightAsleepShowsEachReminderOnceWithWhatItMissed) {
  const int series = Put({u"water", {2026, 3, 10, 21, 0, 0}, kRemindCountless, 0, 1, true});
  Put({u"lock up", {2026, 3, 10, 23, 0, 0}});
  Put({u"breakfast", {2026, 3, 11, 6, 30, 0}, 0, 0, 1, true});
  Start();
  SetAccount();
  Tick({2026, 3, 10, 20, 58, 0});
  EXPECT_TRUE(PopupTexts().empty());
  Tick({2026, 3, 11, 6, 58, 30});  // ten hours later
  // 21:00 ... 23:55 and 00:00 ... 06:55, every five minutes: 36 + 84.
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"lock up", "breakfast", "water (missed 120 times)"}));
  EXPECT_EQ(Sounds(), 3);
  ASSERT_EQ(messages_.sent.size(), 2u);  // one text for the series
  EXPECT_EQ(messages_.sent[0], "abc123/secret/13800138000/breakfast\xE3\x80\x90Home\xE3\x80\x91");
  EXPECT_EQ(messages_.sent[1], "abc123/secret/13800138000/water\xE3\x80\x90Home\xE3\x80\x91");
  // On time again: one occurrence, the text as it is.
  Tick({2026, 3, 11, 7, 0, 0});
  EXPECT_EQ(PopupTexts().back(), "water");
  EXPECT_EQ(messages_.sent.size(), 3u);
  (void)series;
}

TEST_F(ReminderTimerTest, TheListFollowsTheWholeDateAndTheFormsEdits) {
  Put({u"april", {2026, 4, 10, 0, 0, 30}});
  Start();
  EXPECT_EQ(app_.m_remindList.GetSize(), 0);
  Tick({2026, 3, 10, 23, 59, 5});
  // A month later on the same day of the month, just after midnight: the
  // list is rebuilt from midnight, so 00:00:30 is not lost.
  Tick({2026, 4, 10, 0, 1, 5});
  EXPECT_EQ(Text(app_.m_remindListDate), "2026-04-10 00:01:05");
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"april"}));

  // A reminder added by the form counts once the form says so.
  {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 2);
    Insert(store, {u"added", {2026, 4, 10, 0, 3, 0}});
  }
  Tick({2026, 4, 10, 0, 2, 5});
  EXPECT_EQ(app_.m_remindList.GetSize(), 1);
  app_.m_remindDirty = true;
  Tick({2026, 4, 10, 0, 2, 40});
  EXPECT_FALSE(app_.m_remindDirty);
  EXPECT_EQ(app_.m_remindList.GetSize(), 1);  // "april" fired before the window of the rebuild
  Tick({2026, 4, 10, 0, 3, 5});
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"april", "added"}));
}

TEST_F(ReminderTimerTest, TextMessagesOnlyWhenTheUserAskedForThem) {
  struct Case {
    bool useMessage, runSend, message, submitted, sent;
  };
  const Case cases[] = {
      // Sending while running is no condition: the flag and the message switch decide.
      {true, true, true, false, true}, {false, true, true, false, false}, {true, false, true, false, true},
      {true, true, true, true, false}, {true, true, false, false, false},
  };
  int minute = 10;
  for (const Case& c : cases) Put({u"water", {2026, 3, 10, 8, minute++, 0}, 0, 0, 1, c.message, c.submitted});
  Start();
  Frame().m_userName = u"abcdef";
  Frame().m_userPwd = u"123456";
  Frame().m_phoneNo = u"5550103";
  Frame().m_houZhui = u"Garden";
  minute = 10;
  for (const Case& c : cases) {
    Frame().m_useMessage = c.useMessage;
    Frame().m_runSend = c.runSend;
    messages_.sent.clear();
    Tick({2026, 3, 10, 8, minute++, 0});
    EXPECT_EQ(messages_.sent.size(), c.sent ? 1u : 0u) << minute;
    if (c.sent && !messages_.sent.empty())
      EXPECT_EQ(messages_.sent[0], "abcdef/123456/5550103/water\xE3\x80\x90Garden\xE3\x80\x91");
  }
  EXPECT_EQ(PopupTexts().size(), 5u);  // every one shows
}

TEST_F(ReminderTimerTest, AnUnflaggedSubmittedReminderIsWithdrawnAheadOfItsTime) {
  int withdrawn = Put({u"withdrawn", {2026, 3, 10, 10, 30, 0}, 0, 0, 1, false, true});
  Start();
  Tick({2026, 3, 10, 9, 50, 0});  // another hour: not yet
  EXPECT_TRUE(messages_.cancelled.empty());
  messages_.cancelReply = u"-2";
  Tick({2026, 3, 10, 10, 20, 0});
  EXPECT_EQ(messages_.cancelled, std::vector<int>{withdrawn});
  EXPECT_TRUE(app_.m_remindList[0].submitted);  // refused: tried again
  messages_.cancelReply = u"0";
  Tick({2026, 3, 10, 10, 21, 0});
  EXPECT_EQ(messages_.cancelled, (std::vector<int>{withdrawn, withdrawn}));
  EXPECT_FALSE(app_.m_remindList[0].submitted);
  EXPECT_EQ(
      pvtest::RawSqlite(home_.Database()).One("select submitted from remind where rid=" + std::to_string(withdrawn)),
      "0");
  Tick({2026, 3, 10, 10, 22, 0});
  EXPECT_EQ(messages_.cancelled.size(), 2u);
}

TEST_F(ReminderTimerTest, WithdrawalWaitsWhileAnotherReminderComesFirstOrLessThanFiveMinutesRemain) {
  Put({u"withdrawn", {2026, 3, 10, 10, 30, 0}, 0, 0, 1, false, true});
  Put({u"before", {2026, 3, 10, 10, 28, 0}});
  Start();
  Tick({2026, 3, 10, 10, 20, 0});
  EXPECT_TRUE(messages_.cancelled.empty());
  Tick({2026, 3, 10, 10, 28, 0});
  EXPECT_TRUE(messages_.cancelled.empty());  // two minutes ahead
}

TEST_F(ReminderTimerTest, SameMinutePopupsStackUpwardsFromTheCorner) {
  for (const char16_t* text : {u"one", u"two", u"three"}) Put({text, {2026, 3, 10, 8, 5, 0}});
  Start();
  Tick({2026, 3, 10, 8, 5, 0});
  std::vector<CRect> rects;
  for (POSITION pos = Frame().m_popupWnd.m_popups.GetHeadPosition(); pos;) {
    CRect rc;
    ::GetWindowRect(Frame().m_popupWnd.m_popups.GetNext(pos)->GetSafeHwnd(), &rc);
    rects.push_back(rc);
  }
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].BottomRight(), CPoint(1280, 984));  // above the task bar
  for (std::size_t i = 1; i < rects.size(); ++i) {
    EXPECT_EQ(rects[i].bottom, rects[i - 1].top) << i;
    EXPECT_EQ(rects[i].right, 1280) << i;
  }
  // A pop-up the user dragged sets where the next ones open.
  CTKPopupControl* dragged = Frame().m_popupWnd.m_popups.GetHead();
  dragged->SetPopupPos(CPoint(600, 500));
  Frame().SendMessage(TK_WM_POPUPNOTIFY, TK_POPUP_POSCHANGED, reinterpret_cast<LPARAM>(dragged));
  EXPECT_EQ(Frame().m_popupWnd.m_nPosX, 600);
  EXPECT_EQ(Frame().m_popupWnd.m_nPosY, 500);
  Frame().m_popupWnd.m_strText = u"next";
  POSITION next = Frame().m_popupWnd.ShowReminderPopup(&Frame(), 0);
  ASSERT_NE(next, nullptr);
  CRect rcDragged(600 - 250, 500 - dragged->GetPopupSize().cy, 600, 500);
  EXPECT_EQ(Frame().m_popupWnd.m_popups.GetAt(next)->GetPopupPos(), CPoint(600, rcDragged.top));
}

TEST_F(ReminderTimerTest, StylesSizesAndTransparency) {
  Start();
  CMyPopupWnd& owner = Frame().m_popupWnd;
  struct Case {
    const char16_t* name;
    int style, width, height;
  };
  const Case cases[] = {
      {u"office 2000", 0, 170, 130}, {u"office xp", 1, 170, 130}, {u"office 2003", 2, 329, 74},
      {u"office 2007", 2, 329, 74},  {u"MSN Style", 3, 170, 130}, {u"Blue", 6, 170, 130},
      {u"Black", 7, 170, 130},       {u"Green", 8, 170, 130},     {u"Red", 9, 170, 130},
      {u"Simple", 10, 220, 90},      {u"Silvery", 14, 250, 200},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(owner.SetStyleName(c.name));
    EXPECT_EQ(owner.m_nStyle, c.style) << Narrow(CString(c.name));
    owner.UpdateStyleMetrics();
    EXPECT_EQ(CSize(owner.m_nWidth, owner.m_nHeight), CSize(c.width, c.height)) << Narrow(CString(c.name));
    // Every style builds and shows, with a reminder text to click except 0
    // (none) and 2 (not a link).
    owner.m_strText = u"Water the beans";
    POSITION pos = owner.ShowReminderPopup(&Frame(), 3);
    ASSERT_NE(pos, nullptr);
    CTKPopupControl* popup = owner.m_popups.GetAt(pos);
    CTKPopupItem* text = ReminderItem(popup);
    EXPECT_EQ(text != nullptr, c.style != 0 && c.style != 2) << Narrow(CString(c.name));
    // Its close button has a picture.
    CTKPopupItem* close = nullptr;
    for (int i = 0; i < popup->GetItemCount(); ++i)
      if (popup->GetItem(i)->GetID() == CMyPopupWnd::kCloseItem) close = popup->GetItem(i);
    ASSERT_NE(close, nullptr) << Narrow(CString(c.name));
    EXPECT_NE(close->GetImage(), nullptr) << Narrow(CString(c.name));
    owner.DeleteAllPopups();
  }
  EXPECT_FALSE(owner.SetStyleName(u"silvery"));  // names match exactly
  EXPECT_EQ(owner.m_nStyle, 14);

  struct Alpha {
    const char16_t* stored;
    int applied;
  };
  for (const Alpha& a : {Alpha{u"300", 255}, Alpha{u"0", 1}, Alpha{u"abc", 1}, Alpha{u"-5", 1}, Alpha{u"128", 128}}) {
    owner.SetTransparencyText(a.stored);
    POSITION pos = owner.ShowReminderPopup(&Frame(), 0);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(owner.m_popups.GetAt(pos)->GetTransparency(), a.applied) << Narrow(CString(a.stored));
    owner.DeleteAllPopups();
  }
}

TEST_F(ReminderTimerTest, AClickOnTheReminderOpensItsTaskFormAndClosesThePopup) {
  {
    CDataStore store;
    ASSERT_EQ(store.OpenDatabase(), 1);
    COleDateTime started(2026, 3, 1, 9, 0, 0);
    CString cipher = CDES().TransformText(u"Garden", GetWorkNameKey(started), 0);
    ASSERT_EQ(store.InsertAndGetMaxId(u"insert into things (workname,worktype,starttime) values (?,2,?)",
                                      u"select max(tid) from things",
                                      {CDataStore::TextValue(cipher), _variant_t(DATE(started), VT_DATE)}),
              1);
    ASSERT_EQ(store.InsertAndGetMaxId(u"insert into task (tasktitle,tid,tasktype,tasktime) values "
                                      u"('Sow the beans',1,2,#2026-03-10#)",
                                      u"select max(taid) from task"),
              1);
    Insert(store, {u"beans", {2026, 3, 10, 8, 5, 0}, 0, 0, 1});
    Insert(store, {u"beans again", {2026, 3, 10, 8, 6, 0}, 0, 0, 1});
  }
  Start();
  Frame().ShowWindow(SW_MINIMIZE);
  auto clickOn = [&](CTKPopupItem* item) {
    CRect rc;
    ::GetWindowRect(item->GetPopupControl()->GetSafeHwnd(), &rc);
    CPoint at = rc.TopLeft() + item->GetRect().CenterPoint();
    pv::test::MouseMove(at.x, at.y);
    pv::test::Click(at.x, at.y);
    PumpUntilIdle();
  };

  Tick({2026, 3, 10, 8, 5, 0});
  ASSERT_EQ(PopupTexts(), std::vector<std::string>{"beans"});
  clickOn(ReminderItem(Frame().m_popupWnd.m_popups.GetHead()));
  EXPECT_EQ(ScheduledForms(), 1);
  EXPECT_TRUE(Frame().m_popupWnd.m_popups.IsEmpty());  // closed and deleted
  EXPECT_FALSE(Frame().IsIconic());
  EXPECT_EQ(Narrow(Frame().m_strItemText), "Garden");
  EXPECT_FALSE(app_.m_openExistingTask);

  // The next pop-up of the task brings the open form forward instead.
  CMDIChildWnd* form = Frame().MDIGetActive();
  ASSERT_NE(form, nullptr);
  app_.OnOpenCount();  // another form comes in front
  ASSERT_NE(Frame().MDIGetActive(), form);
  Tick({2026, 3, 10, 8, 6, 0});
  clickOn(ReminderItem(Frame().m_popupWnd.m_popups.GetHead()));
  EXPECT_EQ(ScheduledForms(), 1);
  EXPECT_EQ(Frame().MDIGetActive(), form);

  // The close button closes without opening anything.
  Frame().m_popupWnd.m_strText = u"preview";
  POSITION pos = Frame().m_popupWnd.ShowReminderPopup(&Frame(), 1);
  ASSERT_NE(pos, nullptr);
  CTKPopupControl* popup = Frame().m_popupWnd.m_popups.GetAt(pos);
  CTKPopupItem* close = nullptr;
  for (int i = 0; i < popup->GetItemCount(); ++i)
    if (popup->GetItem(i)->GetID() == CMyPopupWnd::kCloseItem) close = popup->GetItem(i);
  ASSERT_NE(close, nullptr);
  clickOn(close);
  EXPECT_TRUE(Frame().m_popupWnd.m_popups.IsEmpty());
  EXPECT_EQ(ScheduledForms(), 1);
}

TEST_F(ReminderTimerTest, SettingsHaveTheirDefaultsAndAreReadAndWritten) {
  Start();
  CMainFrame& f = Frame();
  EXPECT_EQ(Narrow(f.m_popStyle), "Silvery");
  EXPECT_EQ(Narrow(f.m_popTran), "255");
  EXPECT_EQ(Narrow(f.m_animateStyle), "No");
  EXPECT_EQ(Narrow(f.m_animateSpeed), "Fast");
  EXPECT_EQ(Narrow(f.m_popTime), "60");
  EXPECT_EQ(Narrow(f.m_popSound), "2.wav");
  EXPECT_EQ(Narrow(f.m_skinStyle), "Office 2010 Black");
  EXPECT_EQ(Narrow(f.m_skinSize), "Normal");
  EXPECT_TRUE(f.m_useMessage);
  EXPECT_FALSE(f.m_runSend);
  EXPECT_TRUE(f.m_quitSend);
  EXPECT_EQ(Narrow(f.m_day), "1");
  EXPECT_EQ(Narrow(f.m_houZhui), "Morvesk Digital");
  EXPECT_EQ(f.m_popupWnd.m_nStyle, 14);
  EXPECT_EQ(f.m_popupWnd.m_nTransparency, 255);
  EXPECT_EQ(f.m_popupWnd.m_nAnimation, 0);
  EXPECT_EQ(f.m_popupWnd.m_nAnimationDelay, 100);
  EXPECT_EQ(f.m_popupWnd.m_nShowTime, 24 * 60 * 60000);  // set by the fixture; the stored 60 gave an hour
  EXPECT_TRUE(f.SendsMessagesWhileRunning());            // the message switch alone decides

  // The destructor writes the pop-up settings; the dialog the text-message ones.
  f.m_popStyle = u"Blue";
  f.m_popTran = u"abc";
  f.m_animateStyle = u"Unfold";
  f.m_animateSpeed = u"Mediun";
  f.m_popTime = u"2";
  f.m_runSend = true;
  f.m_userName = u"abcdef";
  f.SaveMessageSettings();
  f.DestroyWindow();
  AfxDeleteTempMaps();
  app_.m_pMainWnd = nullptr;

  CTKRegistryManager registry(HKEY_CURRENT_USER);
  EXPECT_EQ(Narrow(registry.GetProfileString(u"PopSettings", u"m_popStyle")), "Blue");
  EXPECT_EQ(registry.GetProfileInt(u"RunSend", u"m_runSend", 0), 1);
  EXPECT_EQ(registry.GetProfileInt(u"QuitSend", u"m_quitSend", 0), 1);
  EXPECT_EQ(Narrow(registry.GetProfileString(u"UserName", u"m_userName")), "abcdef");

  CMainFrame again;  // reads them back, converted for the pop-ups
  EXPECT_EQ(again.m_popupWnd.m_nStyle, 6);
  EXPECT_EQ(again.m_popupWnd.m_nTransparency, 0);  // clamped to 1 when applied
  EXPECT_EQ(again.m_popupWnd.m_nAnimation, 3);
  EXPECT_EQ(again.m_popupWnd.m_nAnimationDelay, 500);
  EXPECT_EQ(again.m_popupWnd.m_nShowTime, 120000);
  EXPECT_EQ(CSize(again.m_popupWnd.m_nWidth, again.m_popupWnd.m_nHeight), CSize(170, 130));
  EXPECT_TRUE(again.SendsMessagesWhileRunning());
  EXPECT_TRUE(again.m_runSend);
}

}  // namespace
