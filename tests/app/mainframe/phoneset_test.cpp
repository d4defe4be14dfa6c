// The text-message settings dialog: what it shows, its enabling rules, OK
// and Cancel, and its three actions against the fake service.
#include "app/mainframe/phoneset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/mainframe/mainframe.h"
#include "app/mainframe/messageids.h"
#include "app/pravenorapp.h"
#include "fake_sms_service.h"
#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/framework/afxapp.h"
#include "platform/shell/shellapi.h"
#include "platform/system/msgbox.h"
#include "platform/window/test_input.h"
#include "remind_fixture.h"
#include "sms_fixture.h"
#include "tests/support/fixture_reset.h"

namespace {

using smstest::FakeSmsService;

CString Text(HWND dlg, int id) {
  CString s;
  CWnd::FromHandle(dlg)->GetDlgItemText(id, s);
  return s;
}

class PhoneSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768);
    pv::controls::RegisterStandardControls();
    pvtest::ResetShell();
    frame_.m_userName = u"abc123";
    frame_.m_userPwd = u"s&cr=t";
    frame_.m_phoneNo = u"13800138000";
    frame_.m_day = u"3";
    frame_.m_houZhui = u"Home";
    frame_.m_tongDao = u"A";
  }
  void TearDown() override {
    if (dlg_.m_hWnd) dlg_.DestroyWindow();
    AfxDeleteTempMaps();
  }
  void Open() {
    ASSERT_TRUE(dlg_.Create(IDD_PHONESET));
    dlg_.ShowWindow(SW_SHOW);
    pv::test::PumpUntilIdle();
  }
  HWND Item(int id) { return ::GetDlgItem(dlg_.m_hWnd, id); }
  void Click(int id) {
    pv::test::ClickClient(Item(id), 4, 4);
    pv::test::PumpUntilIdle();
    pv::test::AdvanceAndPump(2000);  // the next click is no double click
  }
  void Type(int id, const char16_t* text) { ::SetDlgItemTextW(dlg_.m_hWnd, id, text); }
  // The registry file as text: what someone reading the settings sees.
  std::string RegistryText() {
    pv::FlushRegistry();
    std::ifstream in(settings_.home().ConfigDir() + "/registry.txt");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  smstest::SettingsHome settings_;
  pv::FakeClockScope clock_{2026, 3, 5, 9, 30, 0};
  CWinApp app_{u"Pravenor"};
  pv::MessageBoxRecorder boxes_;
  CMessageSettings frame_;
  CPHONESET dlg_{frame_};
};

TEST_F(PhoneSetTest, OpensWithTheFramesValuesAndItsOwnTexts) {
  CMessageSettings stored;
  stored.m_userName = u"zzz999";  // the registry differs from the frame: the frame wins
  stored.Save();
  Open();
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_USERNAME), CString(u"abc123"));
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_PASSWORD), CString(u"s&cr=t"));
  EXPECT_TRUE(::GetWindowLongW(Item(IDC_PHONESET_PASSWORD), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_PHONE), CString(u"13800138000"));
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_DAYS), CString(u"3"));
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_SUFFIX), CString(u"Home"));
  EXPECT_EQ(dlg_.IsDlgButtonChecked(IDC_PHONESET_USEMESSAGE), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(dlg_.IsDlgButtonChecked(IDC_PHONESET_RUNSEND), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(dlg_.IsDlgButtonChecked(IDC_PHONESET_QUITSEND), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(::SendMessageW(Item(IDC_PHONESET_DAYS), CB_GETCOUNT, 0, 0), 7);
  EXPECT_EQ(::SendMessageW(Item(IDC_PHONESET_PHONE), EM_GETLIMITTEXT, 0, 0), 12);
  CString caption;
  dlg_.GetWindowText(caption);
  EXPECT_EQ(caption, CString(u"message设置"));
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_DAYSLABEL), CString(u"退出状态发送message的期限"));
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT), CString());
}

TEST_F(PhoneSetTest, MessagesOffDisablesTheAccountAndTheTestSendButNotTheBalance) {
  Open();
  const int serviceControls[] = {IDC_PHONESET_USERNAME, IDC_PHONESET_PASSWORD, IDC_PHONESET_PHONE,
                                 IDC_PHONESET_TESTTEXT, IDC_PHONESET_SENDTEST};
  const int others[] = {IDC_PHONESET_BALANCE,
                        IDC_PHONESET_RUNSEND,
                        IDC_PHONESET_QUITSEND,
                        IDC_PHONESET_DAYS,
                        IDC_PHONESET_SUFFIX,
                        IDC_PHONESET_REQUESTACCOUNT,
                        IDOK,
                        IDCANCEL};
  Click(IDC_PHONESET_USEMESSAGE);
  ASSERT_EQ(dlg_.IsDlgButtonChecked(IDC_PHONESET_USEMESSAGE), static_cast<UINT>(BST_UNCHECKED));
  for (int id : serviceControls) EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
  for (int id : others) EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
  Click(IDC_PHONESET_USEMESSAGE);
  for (int id : serviceControls) EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
}

TEST_F(PhoneSetTest, OkStoresEveryValueAndAnEmptySuffixAsTheDefault) {
  Open();
  Type(IDC_PHONESET_USERNAME, u"xyz789");
  Type(IDC_PHONESET_PASSWORD, u"pa55&=");
  Type(IDC_PHONESET_SUFFIX, u"");
  ::SendMessageW(Item(IDC_PHONESET_DAYS), CB_SETCURSEL, 6, 0);
  Click(IDC_PHONESET_RUNSEND);
  Click(IDOK);
  EXPECT_FALSE(dlg_.IsWindowVisible());

  EXPECT_EQ(dlg_.m_houZhui, CString());  // the dialog keeps what was typed
  EXPECT_EQ(frame_.m_houZhui, CString(u"Morvesk Digital"));
  EXPECT_EQ(frame_.m_userName, CString(u"xyz789"));
  EXPECT_EQ(frame_.m_userPwd, CString(u"pa55&="));
  EXPECT_EQ(frame_.m_day, CString(u"7"));
  EXPECT_EQ(frame_.m_runSend, 1);

  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_EQ(reg.GetProfileString(u"houzhui", u"m_houZhui"), CString(u"Morvesk Digital"));
  EXPECT_EQ(reg.GetProfileString(u"UserName", u"m_userName"), CString(u"xyz789"));
  EXPECT_EQ(reg.GetProfileString(u"day", u"m_day"), CString(u"7"));
  EXPECT_EQ(reg.GetProfileString(u"TongDao", u"m_tongDao"), CString(u"A"));
  EXPECT_EQ(reg.GetProfileString(u"PhoneNo", u"m_phoneNo"), CString(u"13800138000"));
  EXPECT_EQ(reg.GetProfileInt(u"UseMessage", u"m_useMessage", -1), 1);
  EXPECT_EQ(reg.GetProfileInt(u"RunSend", u"m_runSend", -1), 1);
  EXPECT_EQ(reg.GetProfileInt(u"QuitSend", u"m_quitSend", -1), 1);
  // The password is not in the settings as typed, and reads back whole.
  EXPECT_EQ(RegistryText().find("pa55"), std::string::npos);
  EXPECT_NE(reg.GetProfileString(u"UserPwd", u"m_userPwd"), CString(u"pa55&="));
  EXPECT_EQ(CMessageSettings::Load().m_userPwd, CString(u"pa55&="));
}

TEST_F(PhoneSetTest, CancelChangesNothing) {
  Open();
  Type(IDC_PHONESET_USERNAME, u"xyz789");
  Click(IDCANCEL);
  EXPECT_FALSE(dlg_.IsWindowVisible());
  EXPECT_EQ(frame_.m_userName, CString(u"abc123"));
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_EQ(reg.GetProfileString(u"UserName", u"m_userName", u"none"), CString(u"none"));
}

TEST(MessageSettings, PasswordsOfOlderSettingsAndDamagedValues) {
  smstest::SettingsHome settings;
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  reg.WriteProfileString(u"UserPwd", u"m_userPwd", u"old123");  // stored as typed by an older version
  EXPECT_EQ(CMessageSettings::Load().m_userPwd, CString(u"old123"));
  reg.WriteProfileString(u"UserPwd", u"m_userPwd", u"pv1:12G4");
  EXPECT_EQ(CMessageSettings::Load().m_userPwd, CString());
  for (const char16_t* p : {u"", u"a", u"\u4E2D\u6587\u5BC6\u7801", u"pv1:x"})
    EXPECT_EQ(CMessageSettings::RevealPassword(CMessageSettings::ObscurePassword(p)), CString(p));
  // A first start: the defaults.
  smstest::SettingsHome fresh;
  CMessageSettings first = CMessageSettings::Load();
  EXPECT_EQ(first.m_useMessage, 1);
  EXPECT_EQ(first.m_runSend, 0);
  EXPECT_EQ(first.m_quitSend, 1);
  EXPECT_EQ(first.m_day, CString(u"1"));
  EXPECT_EQ(first.m_houZhui, CString(u"Morvesk Digital"));
}

TEST_F(PhoneSetTest, BalanceQueryShowsTheReplysLastLine) {
  FakeSmsService fake({"--reply", "account.do=ok\\n35"});
  SMS_REQUIRE_FAKE(fake);
  smstest::StoreServiceSettings(fake.Settings());
  Open();
  Type(IDC_PHONESET_USERNAME, u"qqq111");  // read from the edits, not the members
  Click(IDC_PHONESET_BALANCE);
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT), CString(u"剩余message条数:35"));
  auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/edeeserver/account.do");
  EXPECT_EQ(requests[0].body.rfind("UserName=qqq111&TimeStamp=", 0), 0u);
  EXPECT_EQ(frame_.m_userName, CString(u"abc123"));

  // Messages off: the balance button still asks, with the account in the edits.
  Click(IDC_PHONESET_USEMESSAGE);
  ASSERT_EQ(dlg_.IsDlgButtonChecked(IDC_PHONESET_USEMESSAGE), static_cast<UINT>(BST_UNCHECKED));
  ::SetDlgItemTextW(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT, u"before");
  Click(IDC_PHONESET_BALANCE);
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT), CString(u"剩余message条数:35"));
  ASSERT_EQ(fake.Requests().size(), 2u);
  EXPECT_EQ(fake.Requests()[1].body.rfind("UserName=qqq111&TimeStamp=", 0), 0u);
}

TEST_F(PhoneSetTest, AFailedBalanceQueryKeepsTheLabel) {
  SmsServiceSettings nowhere;
  nowhere.port = 1;
  smstest::StoreServiceSettings(nowhere);
  Open();
  ::SetDlgItemTextW(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT, u"before");
  Click(IDC_PHONESET_BALANCE);
  EXPECT_EQ(Text(dlg_.m_hWnd, IDC_PHONESET_BALANCETEXT), CString(u"before"));
}

TEST_F(PhoneSetTest, TestSendPostsTheTextAsTypedOrAsksForOne) {
  FakeSmsService fake;
  SMS_REQUIRE_FAKE(fake);
  smstest::StoreServiceSettings(fake.Settings());
  Open();
  Click(IDC_PHONESET_SENDTEST);
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Last().text, u"message内容不能为空");
  EXPECT_EQ(boxes_.Last().caption, u"Pravenor");
  EXPECT_EQ(boxes_.Last().Buttons(), static_cast<UINT>(MB_OK));
  EXPECT_TRUE(fake.Requests().empty());

  Type(IDC_PHONESET_TESTTEXT, u"Test \u4E2D");
  Click(IDC_PHONESET_SENDTEST);
  auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body,
            "UserName=abc123&TimeStamp=&Password=s%26cr%3Dt&MobileNumber=13800138000&MsgContent=Test%20%D6%D0");
}

TEST_F(PhoneSetTest, RequestAccountOpensTheServicesPage) {
  Open();
  Click(IDC_PHONESET_REQUESTACCOUNT);
  auto calls = pv::shell::ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].file, u"http://127.0.0.1:8080/");
  EXPECT_EQ(calls[0].show, SW_SHOWNORMAL);
}

// In the running program: the frame's command 307 opens the dialog on the
// frame's settings, and OK gives the frame what was typed.
LRESULT CALLBACK UserAtTheDialog(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 3) {
    HWND dlg = ::FindWindowW(nullptr, u"message设置");

    if (!dlg) return 0;
    CString shown;
    CWnd::FromHandle(dlg)->GetDlgItemText(IDC_PHONESET_USERNAME, shown);
    if (shown != u"old123") return 0;  // not the frame's value: leave the dialog to cancel
    ::SetDlgItemTextW(dlg, IDC_PHONESET_USERNAME, u"new456");
    ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(MessageSetupCommand, OpensTheDialogOnTheFramesSettings) {
  pvtest::ResetDesktop();
  pv::controls::RegisterStandardControls();  // as the program does at start
  remindtest::Home home;
  pv::MessageBoxRecorder boxes;
  CPravenorApp app;
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  auto& frame = *static_cast<CMainFrame*>(app.m_pMainWnd);
  frame.m_userName = u"old123";

  WNDCLASSW wc{};
  wc.lpfnWndProc = &UserAtTheDialog;
  wc.lpszClassName = u"PvSmsUser";
  RegisterClassW(&wc);
  HWND user = CreateWindowExW(0, u"PvSmsUser", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::PostMessageW(user, WM_APP + 3, 0, 0);  // handled inside the dialog's loop
  frame.SendMessage(WM_COMMAND, ID_MESSAGE_SETUP, 0);
  EXPECT_EQ(frame.m_userName, CString(u"new456"));
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  EXPECT_EQ(reg.GetProfileString(u"UserName", u"m_userName"), CString(u"new456"));

  DestroyWindow(user);
  app.m_pMainWnd->DestroyWindow();
  AfxDeleteTempMaps();
  pvtest::ResetDesktop();
}

}  // namespace
