#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/base/utf.h"
#include "platform/shell/platform_modules.h"
#include "platform/shell/shellapi.h"
#include "platform/shell/tray_dbus.h"
#include "platform/system/modules.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"
#include "tests/support/temp_home.h"

namespace {

constexpr UINT kCallback = WM_USER + 9021;
constexpr UINT kIconId = 77;

// A hidden window that owns a tray icon and, like the program's, puts it
// back when the task bar is re-created (unless its add was refused).
struct TrayOwner {
  static inline std::vector<std::pair<WPARAM, LPARAM>> callbacks;
  static inline int readds = 0;
  HWND hwnd = nullptr;

  static NOTIFYICONDATAW Data(HWND hwnd) {
    NOTIFYICONDATAW d{};
    d.cbSize = NOTIFYICONDATAW_V2_SIZE;
    d.hWnd = hwnd;
    d.uID = kIconId;
    d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    d.uCallbackMessage = kCallback;
    d.hIcon = reinterpret_cast<HICON>(0x1234);
    std::u16string tip = u"Pravenor reminders";
    std::copy(tip.begin(), tip.end(), d.szTip);
    return d;
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static const UINT taskbarCreated = RegisterWindowMessageW(u"TaskbarCreated");
    if (msg == taskbarCreated) {
      NOTIFYICONDATAW d = Data(hwnd);
      if (Shell_NotifyIconW(NIM_ADD, &d)) ++readds;
      return 0;
    }
    if (msg == kCallback) {
      callbacks.emplace_back(wp, lp);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  TrayOwner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = u"PvTrayOwnerTest";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, u"PvTrayOwnerTest", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    callbacks.clear();
    readds = 0;
  }
  ~TrayOwner() { DestroyWindow(hwnd); }
};

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pv::shell::SetRecording(true);
    pv::shell::ResetTray();
    pv::shell::ClearShellExecuteCalls();
    pv::shell::UseWorkAreaTaskbar();
  }
};

TEST_F(ShellTest, TrayIconLifecycleAndFieldLimits) {
  TrayOwner owner;
  NOTIFYICONDATAW d = TrayOwner::Data(owner.hwnd);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &d));  // nothing to modify yet
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));  // the same icon twice
  // A tip that fills the whole field keeps at most 127 characters; a record
  // of the first generation only 63.
  std::u16string longTip(200, u'x');
  std::copy(longTip.begin(), longTip.begin() + 128, d.szTip);
  d.uFlags = NIF_TIP;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_EQ(pv::shell::TrayIcons().at(0).tip.size(), 127u);
  d.cbSize = NOTIFYICONDATAW_V1_SIZE;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_EQ(pv::shell::TrayIcons().at(0).tip.size(), 63u);
  d.cbSize = NOTIFYICONDATAW_V2_SIZE;
  // A balloon.
  d.uFlags = NIF_INFO;
  std::u16string title = u"Reminder", info = u"Meeting at 10:00";
  std::copy(title.begin(), title.end(), d.szInfoTitle);
  std::copy(info.begin(), info.end(), d.szInfo);
  d.dwInfoFlags = NIIF_INFO;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  auto icon = pv::shell::TrayIcons().at(0);
  EXPECT_EQ(icon.infoTitle, title);
  EXPECT_EQ(icon.info, info);
  EXPECT_EQ(icon.callbackMessage, kCallback);
  EXPECT_EQ(icon.icon, reinterpret_cast<HICON>(0x1234));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_SETFOCUS, &d));
  d.uFlags = 0;
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  d.cbSize = 10;  // not a notify record at all
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  auto calls = pv::shell::TrayCalls();
  ASSERT_EQ(calls.size(), 10u);
  EXPECT_EQ(calls[1].message, NIM_ADD);
  EXPECT_TRUE(calls[1].result);
  EXPECT_EQ(calls[1].flags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  EXPECT_EQ(calls[1].id, kIconId);
}

TEST_F(ShellTest, RefusedAddAndTaskbarRestartReAdds) {
  TrayOwner owner;
  NOTIFYICONDATAW d = TrayOwner::Data(owner.hwnd);
  pv::shell::SetTrayRefusesAdd(true);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  // The shell comes back: windows hear "TaskbarCreated" and add again.
  pv::shell::SetTrayRefusesAdd(false);
  pv::shell::RestartTaskbar();
  EXPECT_EQ(TrayOwner::readds, 1);
  ASSERT_EQ(pv::shell::TrayIcons().size(), 1u);
  // A restart forgets every icon; the owner puts its own back.
  pv::shell::RestartTaskbar();
  EXPECT_EQ(TrayOwner::readds, 2);
  EXPECT_EQ(pv::shell::TrayIcons().size(), 1u);
  // Clicks reach the owner as its callback message, posted.
  EXPECT_TRUE(pv::shell::NotifyTrayIcon(owner.hwnd, kIconId, WM_RBUTTONUP));
  EXPECT_TRUE(pv::shell::NotifyTrayIcon(owner.hwnd, kIconId, WM_LBUTTONDBLCLK));
  EXPECT_FALSE(pv::shell::NotifyTrayIcon(owner.hwnd, kIconId + 1, WM_LBUTTONUP));
  EXPECT_TRUE(TrayOwner::callbacks.empty());
  pv::test::PumpUntilIdle();
  ASSERT_EQ(TrayOwner::callbacks.size(), 2u);
  EXPECT_EQ(TrayOwner::callbacks[0], (std::pair<WPARAM, LPARAM>{kIconId, WM_RBUTTONUP}));
  EXPECT_EQ(TrayOwner::callbacks[1], (std::pair<WPARAM, LPARAM>{kIconId, WM_LBUTTONDBLCLK}));
  // After NIM_SETVERSION 4 the event and the id share lParam.
  d.uVersion = NOTIFYICON_VERSION_4;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &d));
  d.uVersion = 9;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_SETVERSION, &d));
  EXPECT_TRUE(pv::shell::NotifyTrayIcon(owner.hwnd, kIconId, WM_CONTEXTMENU));
  pv::test::PumpUntilIdle();
  ASSERT_EQ(TrayOwner::callbacks.size(), 3u);
  EXPECT_EQ(LOWORD(TrayOwner::callbacks[2].second), WM_CONTEXTMENU);
  EXPECT_EQ(HIWORD(TrayOwner::callbacks[2].second), kIconId);
}

TEST_F(ShellTest, DesktopWithoutTrayAnswersNo) {
  // A bus address where nothing listens, so a developer's own tray cannot answer.
  pv::shell::desktop_tray::SetBusAddress("unix:path=/nonexistent/pravenor-no-bus");
  pv::shell::SetRecording(false);
  TrayOwner owner;
  NOTIFYICONDATAW d = TrayOwner::Data(owner.hwnd);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &d));
  pv::shell::SetRecording(true);
  pv::shell::desktop_tray::SetBusAddress("");
}

TEST_F(ShellTest, TaskbarPosition) {
  pv::test::SetScreen(1280, 1024, 40);
  APPBARDATA abd{};
  abd.cbSize = 36;
  ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, &abd));
  EXPECT_EQ(abd.uEdge, ABE_BOTTOM);
  EXPECT_EQ(abd.rc.left, 0);
  EXPECT_EQ(abd.rc.top, 984);
  EXPECT_EQ(abd.rc.right, 1280);
  EXPECT_EQ(abd.rc.bottom, 1024);
  EXPECT_EQ(SHAppBarMessage(ABM_GETSTATE, &abd), ABS_ALWAYSONTOP);

  pv::shell::SetTaskbar(ABE_LEFT, RECT{0, 0, 60, 1024}, ABS_AUTOHIDE);
  APPBARDATA left{};
  ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, &left));
  EXPECT_EQ(left.uEdge, ABE_LEFT);
  EXPECT_EQ(left.rc.right, 60);
  EXPECT_EQ(SHAppBarMessage(ABM_GETSTATE, nullptr), ABS_AUTOHIDE);

  pv::shell::SetNoTaskbar();
  APPBARDATA none{};
  EXPECT_FALSE(SHAppBarMessage(ABM_GETTASKBARPOS, &none));
  EXPECT_FALSE(SHAppBarMessage(ABM_GETTASKBARPOS, nullptr));
  pv::shell::UseWorkAreaTaskbar();
  pv::test::SetScreen(1280, 1024, 0);  // the work area is the whole screen
  EXPECT_FALSE(SHAppBarMessage(ABM_GETTASKBARPOS, &none));
  pv::test::SetScreen(1280, 1024, 40);
}

TEST_F(ShellTest, ShellExecuteIsRecordedWithItsResult) {
  pvtest::TempFolder folder("pv-shell");
  std::string dir = folder.path() + "/";
  std::string doc = dir + "pv_manual_test.txt";
  FILE* f = std::fopen(doc.c_str(), "w");
  std::fputs("manual", f);
  std::fclose(f);
  std::u16string udoc = pv::Utf8ToUtf16(doc);
  std::u16string udir = pv::Utf8ToUtf16(dir);
  HWND owner = reinterpret_cast<HWND>(0x55);
  struct Case {
    LPCWSTR verb;
    std::u16string file;
    LPCWSTR params;
    LPCWSTR dir;
    bool ok;
    INT_PTR error;
  };
  const Case cases[] = {
      {u"open", udoc, nullptr, nullptr, true, 0},
      {nullptr, u"https://example.test/account?id=1", nullptr, nullptr, true, 0},
      {u"open", u"iexplore", u"http://example.test/apply", nullptr, true, 0},
      {u"open", u"/no/such/folder/manual.txt", nullptr, nullptr, false, SE_ERR_PNF},
      {u"open", udir + u"absent.txt", nullptr, nullptr, false, SE_ERR_FNF},
      {u"print", udoc, nullptr, nullptr, false, SE_ERR_NOASSOC},
      {u"open", u"", nullptr, nullptr, false, SE_ERR_FNF},
      {u"open", u"pv_manual_test.txt", nullptr, udir.c_str(), true, 0},
  };
  for (const Case& c : cases) {
    INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, c.verb, c.file.c_str(), c.params, c.dir, SW_SHOW));
    if (c.ok) EXPECT_GT(r, 32) << pv::Utf16ToUtf8(c.file);
    else EXPECT_EQ(r, c.error) << pv::Utf16ToUtf8(c.file);
  }
  auto calls = pv::shell::ShellExecuteCalls();
  ASSERT_EQ(calls.size(), std::size(cases));
  EXPECT_EQ(calls[0].owner, owner);
  EXPECT_EQ(calls[0].verb, u"open");
  EXPECT_EQ(calls[0].file, udoc);
  EXPECT_EQ(calls[0].show, SW_SHOW);
  EXPECT_EQ(calls[2].parameters, u"http://example.test/apply");
}

TEST_F(ShellTest, EntryPointsByNameAndAutoCompleteUnavailable) {
  // What the program registers at start: every area's modules, once.
  pv::RegisterPlatformModules();
  pv::RegisterPlatformModules();
  HMODULE shlwapi = LoadLibraryW(u"shlwapi.dll");
  ASSERT_NE(shlwapi, nullptr);
  using AutoComplete = HRESULT(HWND, DWORD);
  FARPROC proc = GetProcAddress(shlwapi, "SHAutoComplete");
  ASSERT_NE(proc, nullptr);
  EXPECT_TRUE(FAILED(pv::ProcAs<AutoComplete>(proc)(nullptr, SHACF_DEFAULT)));
  FreeLibrary(shlwapi);
  for (auto [module, name] : {std::pair{u"SHELL32.DLL", "Shell_NotifyIconW"},
                              {u"shell32", "SHAppBarMessage"},
                              {u"shell32", "ShellExecuteW"},
                              {u"WINMM.dll", "PlaySoundW"},
                              {u"winmm", "sndPlaySoundW"},
                              {u"oleacc", "LresultFromObject"},
                              {u"RICHED20.DLL", "CreateTextServices"},
                              {u"gdi32", "SetLayout"},
                              {u"msimg32", "GradientFill"},
                              {u"GdiPlus", "GdiplusStartup"}}) {
    HMODULE m = LoadLibraryW(module);
    ASSERT_NE(m, nullptr) << name;
    EXPECT_NE(GetProcAddress(m, name), nullptr) << name;
    FreeLibrary(m);
  }
  // Visual styles and composition are not there, so the classic paths run.
  EXPECT_EQ(LoadLibraryW(u"UxTheme.dll"), nullptr);
  EXPECT_EQ(LoadLibraryW(u"dwmapi.dll"), nullptr);
}

}  // namespace

namespace {

// An .ico file holds one icon; a file that is no icon holds none.
TEST(ShellIcons, ExtractIconExReadsIcoFiles) {
  std::vector<uint8_t> f(6 + 16);
  f[2] = 1;
  f[4] = 1;
  f[6] = 2;
  f[7] = 2;
  f[12] = 32;
  BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> img(sizeof h);
  std::memcpy(img.data(), &h, sizeof h);
  for (int i = 0; i < 4; ++i)
    for (uint8_t b : {0x00, 0x00, 0xFF, 0xFF}) img.push_back(b);  // opaque red
  img.insert(img.end(), 8, 0);
  uint32_t size = static_cast<uint32_t>(img.size()), off = static_cast<uint32_t>(f.size());
  std::memcpy(&f[14], &size, 4);
  std::memcpy(&f[18], &off, 4);
  f.insert(f.end(), img.begin(), img.end());
  pvtest::TempFolder folder("pv-shell");
  std::string dir = folder.path() + "/";
  std::string ico = dir + "pv_extract.ico", txt = dir + "pv_extract.txt";
  FILE* out = std::fopen(ico.c_str(), "wb");
  ASSERT_TRUE(out);
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
  out = std::fopen(txt.c_str(), "wb");
  std::fputs("not an icon", out);
  std::fclose(out);
  std::u16string icoW = pv::Utf8ToUtf16(ico), txtW = pv::Utf8ToUtf16(txt);
  EXPECT_EQ(ExtractIconEx(icoW.c_str(), -1, nullptr, nullptr, 0), 1u);
  HICON big = nullptr, little = nullptr;
  ASSERT_EQ(ExtractIconEx(icoW.c_str(), 0, &big, &little, 1), 1u);
  ICONINFO ii{};
  BITMAP bm{};
  ASSERT_TRUE(big && little);
  ASSERT_TRUE(GetIconInfo(big, &ii));
  GetObject(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
  EXPECT_GT(bm.bmWidth, 0);
  DeleteObject(ii.hbmColor);
  DeleteObject(ii.hbmMask);
  DestroyIcon(big);
  DestroyIcon(little);
  HICON none = reinterpret_cast<HICON>(1);
  EXPECT_EQ(ExtractIconEx(icoW.c_str(), 1, &none, nullptr, 1), 0u);  // past the last icon
  EXPECT_EQ(ExtractIconEx(txtW.c_str(), -1, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(ExtractIconEx(u"/no/such/file.ico", 0, &big, nullptr, 1), 0u);
}

}  // namespace
