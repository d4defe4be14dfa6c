// System services: version tests, module handles with version gates, the
// common-controls version, monitor areas with their fallbacks, the lock
// guard and the menu-sound worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/modules.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/support/screens.h"
#include "toolkit/common/lockguard.h"
#include "toolkit/common/menusoundplayer.h"
#include "toolkit/common/modulehandle.h"
#include "toolkit/common/multimonitor.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/systemservices.h"

namespace {

TEST(OSVersionInfo, TestsFollowPlatformAndVersion) {
  struct Case {
    const char* name;
    DWORD platform, major, minor;
    bool win95, win9x, nt4OrLater, w2kOrLater, nt4, xpOrLater, vistaOrLater, sevenOrLater, atLeast52, atLeast61;
  } cases[] = {
      {"95", 1, 4, 0, true, true, false, false, false, false, false, false, false, false},
      {"98", 1, 4, 10, false, true, false, false, false, false, false, false, false, false},
      {"NT 4", 2, 4, 0, false, false, true, false, true, false, false, false, false, false},
      {"2000", 2, 5, 0, false, false, true, true, false, false, false, false, false, false},
      {"XP", 2, 5, 1, false, false, true, true, false, true, false, false, false, false},
      {"2003", 2, 5, 2, false, false, true, true, false, true, false, false, true, false},
      {"Vista", 2, 6, 0, false, false, true, true, false, true, true, false, true, false},
      {"7", 2, 6, 1, false, false, true, true, false, true, true, true, true, true},
      {"8", 2, 6, 2, false, false, true, true, false, true, true, true, true, true},
      {"9x claiming 6.1", 1, 6, 1, false, true, false, false, false, false, false, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OSVERSIONINFOW record{};
    record.dwPlatformId = c.platform;
    record.dwMajorVersion = c.major;
    record.dwMinorVersion = c.minor;
    CTKOSVersionInfo v(record);
    EXPECT_EQ(v.IsWin95() != FALSE, c.win95);
    EXPECT_EQ(v.IsWin9x() != FALSE, c.win9x);
    EXPECT_EQ(v.IsWinNT4OrLater() != FALSE, c.nt4OrLater);
    EXPECT_EQ(v.IsWin2000OrLater() != FALSE, c.w2kOrLater);
    EXPECT_EQ(v.IsWinNT4() != FALSE, c.nt4);
    EXPECT_EQ(v.IsWinXPOrLater() != FALSE, c.xpOrLater);
    EXPECT_EQ(v.IsWinVistaOrLater() != FALSE, c.vistaOrLater);
    EXPECT_EQ(v.IsWin7OrLater() != FALSE, c.sevenOrLater);
    EXPECT_EQ(v.IsVersionAtLeast(5, 2) != FALSE, c.atLeast52);
    EXPECT_EQ(v.IsVersionAtLeast(6, 1) != FALSE, c.atLeast61);
    EXPECT_EQ(v.IsVersion(c.major, c.minor) != FALSE, true);
    EXPECT_EQ(v.IsClearTypeQualityAvailable() != FALSE, c.xpOrLater);
  }
  CTKOSVersionInfo* process = GetOSVersionInfo();
  EXPECT_EQ(process, GetOSVersionInfo());
  EXPECT_EQ(process->dwOSVersionInfoSize, sizeof(OSVERSIONINFOW));
  EXPECT_TRUE(process->IsWin7OrLater());
  EXPECT_TRUE(process->IsLayoutRTLSupported());
}

HRESULT Version582(DLLVERSIONINFO* info) {
  if (!info || info->cbSize != sizeof(DLLVERSIONINFO)) return E_INVALIDARG;
  info->dwMajorVersion = 5;
  info->dwMinorVersion = 82;
  return S_OK;
}
int Probe() { return 7; }

TEST(ModuleHandle, EntryPointsAreGatedByTheLibraryVersion) {
  HMODULE versioned = pv::RegisterBuiltinModule(u"tkversioned");
  pv::AddModuleFunction(versioned, "DllGetVersion", &Version582);
  pv::AddModuleFunction(versioned, "Probe", &Probe);
  HMODULE plain = pv::RegisterBuiltinModule(u"tkunversioned");
  pv::AddModuleFunction(plain, "Probe", &Probe);

  {
    CTKModuleHandle module(u"tkversioned.dll");
    EXPECT_EQ(module.GetModuleState(), CTKModuleHandle::tkModuleLoaded);
    EXPECT_EQ(module.GetDllVersion(), static_cast<DWORD>(MAKELONG(82, 5)));
    struct Case {
      DWORD minimum;
      const char* name;
      bool found;
    } cases[] = {{0, "Probe", true},
                 {MAKELONG(0, 6), "Probe", false},
                 {MAKELONG(83, 5), "Probe", false},
                 {MAKELONG(82, 5), "Probe", true},
                 {MAKELONG(0, 4), "Probe", true},
                 {0, "Missing", false}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.minimum);
      int (*probe)() = &Probe;
      EXPECT_EQ(module.GetEntryPoint(probe, c.name, c.minimum) != FALSE, c.found);
      EXPECT_EQ(probe != nullptr, c.found);
      if (probe) {
        EXPECT_EQ(probe(), 7);
      }
    }
    EXPECT_TRUE(pv::IsLoadedModule(versioned));
  }
  EXPECT_FALSE(pv::IsLoadedModule(versioned));  // a module it loaded is freed

  // Without "DllGetVersion" the version is 0, and any minimum refuses.
  CTKModuleHandle unversioned(u"tkunversioned");
  EXPECT_EQ(unversioned.GetDllVersion(), 0u);
  int (*probe)() = nullptr;
  EXPECT_FALSE(unversioned.GetEntryPoint(probe, "Probe", MAKELONG(0, 4)));
  EXPECT_TRUE(unversioned.GetEntryPoint(probe, "Probe"));

  // A module that was loaded already is attached, and not freed by us.
  HMODULE loaded = LoadLibraryW(u"tkunversioned");
  {
    CTKModuleHandle attached(u"tkunversioned");
    EXPECT_EQ(attached.GetModuleState(), CTKModuleHandle::tkModuleAttached);
  }
  EXPECT_TRUE(pv::IsLoadedModule(loaded));
  FreeLibrary(loaded);
  unversioned.FreeModule();
  EXPECT_FALSE(pv::IsLoadedModule(plain));

  CTKModuleHandle empty;
  FARPROC proc = nullptr;
  EXPECT_FALSE(empty.GetEntryPoint(proc, "Probe"));
  EXPECT_FALSE(empty.QueryDllVersion());
  EXPECT_FALSE(empty.Init(u"no-such-library.dll"));
  EXPECT_TRUE(empty.FreeModule());
}

TEST(ModuleHandle, CommonControlsVersionFallsBackToFourZero) {
  // The platform has no common-controls library to ask.
  EXPECT_EQ(TKReadComCtl32Version(), 0x40000u);
  EXPECT_EQ(GetComCtl32Version(), 0x40000u);
}

class MultiMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    pv::test::AddMonitor(RECT{1024, 0, 2048, 768}, RECT{1024, 0, 2048, 700});
  }
  void TearDown() override { pvtest::ResetDesktop(); }
};

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// An area a query answered and the one it should have.
struct AreaCase {
  const char* what;
  RECT got;
  RECT expected;
};

TEST_F(MultiMonitorTest, AreasComeFromTheMonitorOrThePrimaryScreen) {
  CTKMultiMonitor* monitors = GetMultiMonitor();
  ASSERT_TRUE(monitors->HasMonitorFunctions());
  const RECT primaryWork{0, 0, 1024, 728}, primaryScreen{0, 0, 1024, 768};
  const RECT secondWork{1024, 0, 2048, 700}, secondScreen{1024, 0, 2048, 768};
  RECT r{};
  const AreaCase cases[] = {
      {"work at point on second", monitors->GetWorkAreaAtPoint(&r, POINT{1500, 10}), secondWork},
      {"screen at point on second", monitors->GetScreenAreaAtPoint(&r, POINT{1500, 10}), secondScreen},
      {"work at off-screen point", monitors->GetWorkAreaAtPoint(&r, POINT{-5000, 9000}), primaryWork},
      {"screen at off-screen point", monitors->GetScreenAreaAtPoint(&r, POINT{-5000, 9000}), primaryScreen},
      {"work of rect on second", monitors->GetWorkAreaOfRect(&r, RECT{1100, 10, 1200, 100}), secondWork},
      {"screen of off-screen rect", monitors->GetScreenAreaOfRect(&r, RECT{9000, 9000, 9100, 9100}), primaryScreen},
      {"work of null window", monitors->GetWorkAreaOfWindow(&r, nullptr), primaryWork},
      {"work of null hwnd", monitors->GetWorkAreaOfHwnd(&r, nullptr), primaryWork},
      {"work of null monitor", monitors->GetWorkAreaOfMonitor(&r, nullptr), primaryWork},
      {"screen of null monitor", monitors->GetScreenAreaOfMonitor(&r, nullptr), primaryScreen},
  };
  for (const AreaCase& c : cases) EXPECT_TRUE(Same(c.got, c.expected)) << c.what;
  MONITORINFO info{};
  EXPECT_FALSE(monitors->GetMonitorInfo(nullptr, &info));
}

// A monitor left of the primary one, reaching above it: its negative
// coordinates find it, and a window across both belongs to the one holding
// most of it.
TEST_F(MultiMonitorTest, AMonitorAtNegativeCoordinatesIsFound) {
  const pvtest::TwoMonitorScreen screen = pvtest::UseTwoMonitors();
  CTKMultiMonitor* monitors = GetMultiMonitor();
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.lpszClassName = u"TKMonitorTestWindow";
  ::RegisterClassW(&wc);
  HWND across = ::CreateWindowExW(0, wc.lpszClassName, u"", WS_POPUP | WS_VISIBLE, -300, 100, 400, 100, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_NE(across, nullptr);
  RECT r{};
  const AreaCase cases[] = {
      {"work at a point left of the primary", monitors->GetWorkAreaAtPoint(&r, POINT{-10, 500}), screen.leftWork},
      {"screen above the primary's top", monitors->GetScreenAreaAtPoint(&r, POINT{-600, -120}), screen.left},
      {"work of a rect at negative x", monitors->GetWorkAreaOfRect(&r, RECT{-900, -50, -800, 0}), screen.leftWork},
      {"screen of a rect mostly on the primary", monitors->GetScreenAreaOfRect(&r, RECT{-10, 10, 200, 20}),
       screen.primary},
      {"work of a window mostly at negative x", monitors->GetWorkAreaOfHwnd(&r, across), screen.leftWork},
      {"work at a point on the primary", monitors->GetWorkAreaAtPoint(&r, POINT{10, 10}), screen.primaryWork},
  };
  for (const AreaCase& c : cases) EXPECT_TRUE(Same(c.got, c.expected)) << c.what;
  ::DestroyWindow(across);
}

TEST_F(MultiMonitorTest, AMissingEntryPointFallsBackToThePrimaryScreen) {
  TKEnsureUser32Module();
  HMODULE user32 = GetModuleHandleW(u"user32");
  FARPROC real = GetProcAddress(user32, "MonitorFromRect");
  pv::AddModuleExport(user32, "MonitorFromRect", nullptr);
  {
    CTKMultiMonitor monitors;
    EXPECT_FALSE(monitors.HasMonitorFunctions());
    RECT r{};
    EXPECT_TRUE(Same(monitors.GetWorkAreaAtPoint(&r, POINT{1500, 10}), RECT{0, 0, 1024, 728}));
    EXPECT_TRUE(Same(monitors.GetScreenAreaAtPoint(&r, POINT{1500, 10}), RECT{0, 0, 1024, 768}));
  }
  pv::AddModuleExport(user32, "MonitorFromRect", real);
}

TEST(LockGuard, SerialisesUsersOfOneCriticalSection) {
  CCriticalSection section;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      CTKLockGuard lock(section);
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 20000);
}

// ---- the menu-sound worker, with a recording sound module ----
struct SoundLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<std::u16string, DWORD>> plays;  // "" for a purge
  bool blockPopup = false;
  bool inside = false;
  bool purged = false;
  // A sound module that ignores the purge: the sound ends only when the
  // test releases it.
  bool ignorePurge = false;
  bool released = false;
};
SoundLog& Log() {
  static SoundLog log;
  return log;
}

BOOL FakePlaySound(LPCWSTR sound, HMODULE, DWORD flags) {
  SoundLog& log = Log();
  std::unique_lock<std::mutex> lock(log.mutex);
  log.plays.emplace_back(sound ? sound : u"", flags);
  if (!sound) log.purged = true;
  log.changed.notify_all();
  if (sound && log.blockPopup && std::u16string(sound) == u"MenuPopup") {
    // A long sound: returns only when someone stops it.
    log.inside = true;
    log.changed.notify_all();
    if (log.ignorePurge) log.changed.wait(lock, [&] { return log.released; });
    else log.changed.wait(lock, [&] { return log.purged; });
  }
  return TRUE;
}

class MenuSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HMODULE winmm = pv::RegisterBuiltinModule(u"winmm");
    HMODULE loaded = LoadLibraryW(u"winmm.dll");
    m_realPlaySound = GetProcAddress(loaded, "PlaySoundW");  // the platform's, when it has one
    FreeLibrary(loaded);
    pv::AddModuleFunction(winmm, "PlaySoundW", &FakePlaySound);
    std::lock_guard<std::mutex> lock(Log().mutex);
    Log().plays.clear();
    Log().blockPopup = Log().inside = Log().purged = Log().ignorePurge = Log().released = false;
  }
  void TearDown() override { pv::AddModuleExport(pv::RegisterBuiltinModule(u"winmm"), "PlaySoundW", m_realPlaySound); }
  FARPROC m_realPlaySound = nullptr;
  // Waits (no time limit: the test runner's time-out guards a hang) until
  // `count` calls were recorded.
  void WaitForPlays(size_t count) {
    std::unique_lock<std::mutex> lock(Log().mutex);
    Log().changed.wait(lock, [&] { return Log().plays.size() >= count; });
  }
};

TEST_F(MenuSoundTest, StopThreadWithoutAWorkerReturnsFalse) {
  CTKMenuSoundPlayer player;
  EXPECT_FALSE(player.StopThread());
  EXPECT_FALSE(player.IsThreadRunning());
  EXPECT_TRUE(Log().plays.empty());
  EXPECT_EQ(GetMenuSoundPlayer(), GetMenuSoundPlayer());
}

TEST_F(MenuSoundTest, RequestsPlayTheirAliasesAndStopJoinsTheWorker) {
  CTKMenuSoundPlayer player;
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuCommand);
  EXPECT_TRUE(player.IsThreadRunning());
  WaitForPlays(1);
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuPopup);
  WaitForPlays(2);
  EXPECT_TRUE(player.StopThread());
  EXPECT_FALSE(player.IsThreadRunning());
  EXPECT_FALSE(player.StopThread());
  std::lock_guard<std::mutex> lock(Log().mutex);
  ASSERT_GE(Log().plays.size(), 3u);
  EXPECT_EQ(Log().plays[0], (std::pair<std::u16string, DWORD>{u"MenuCommand", 0x12002}));
  EXPECT_EQ(Log().plays[1], (std::pair<std::u16string, DWORD>{u"MenuPopup", 0x12002}));
  EXPECT_EQ(Log().plays.back(), (std::pair<std::u16string, DWORD>{u"", 0x40}));
  for (size_t i = 2; i < Log().plays.size(); ++i) EXPECT_EQ(Log().plays[i].first, u"");
}

TEST_F(MenuSoundTest, AWorkerThatNeverWakesStillEnds) {
  CTKMenuSoundPlayer player;
  player.RequestSound(CTKMenuSoundPlayer::tkSoundNone);  // starts a worker with nothing to play
  EXPECT_TRUE(player.IsThreadRunning());
  EXPECT_TRUE(player.StopThread());
  EXPECT_FALSE(player.IsThreadRunning());
  // A later request starts a new worker.
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuCommand);
  EXPECT_TRUE(player.IsThreadRunning());
  {
    std::unique_lock<std::mutex> lock(Log().mutex);
    Log().changed.wait(lock, [&] {
      for (const auto& p : Log().plays)
        if (p.first == u"MenuCommand") return true;
      return false;
    });
  }
  EXPECT_TRUE(player.StopThread());
}

TEST_F(MenuSoundTest, AWorkerInsideALongSoundIsStoppedWithoutBeingKilled) {
  {
    std::lock_guard<std::mutex> lock(Log().mutex);
    Log().blockPopup = true;
  }
  CTKMenuSoundPlayer player;
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuPopup);
  {
    std::unique_lock<std::mutex> lock(Log().mutex);
    Log().changed.wait(lock, [&] { return Log().inside; });
  }
  EXPECT_TRUE(player.StopThread());  // the purge ends the sound, then the join returns
  EXPECT_FALSE(player.IsThreadRunning());
}

// A worker stuck in a sound that ignores the purge does not hold the
// caller: StopThread returns after its bounded wait and the worker ends on
// its own once the sound does, touching nothing of the player.
TEST_F(MenuSoundTest, AWorkerStuckInASoundIsLeftBehindAfterTheBoundedWait) {
  {
    std::lock_guard<std::mutex> lock(Log().mutex);
    Log().blockPopup = true;
    Log().ignorePurge = true;
  }
  auto player = std::make_unique<CTKMenuSoundPlayer>();
  player->RequestSound(CTKMenuSoundPlayer::tkSoundMenuPopup);
  {
    std::unique_lock<std::mutex> lock(Log().mutex);
    Log().changed.wait(lock, [&] { return Log().inside; });
  }
  EXPECT_TRUE(player->StopThread());
  EXPECT_FALSE(player->IsThreadRunning());
  player.reset();  // the player is gone while its old worker still plays
  std::unique_lock<std::mutex> lock(Log().mutex);
  const size_t purgesBefore = static_cast<size_t>(
      std::count_if(Log().plays.begin(), Log().plays.end(), [](const auto& p) { return p.first.empty(); }));
  Log().released = true;
  Log().changed.notify_all();
  // The worker leaves its loop and stops its sound as its last act.
  Log().changed.wait(lock, [&] {
    return static_cast<size_t>(std::count_if(Log().plays.begin(), Log().plays.end(),
                                             [](const auto& p) { return p.first.empty(); })) > purgesBefore;
  });
}

// With menu sounds off a request plays nothing and starts no worker.
TEST_F(MenuSoundTest, SoundsOffPlayNothing) {
  CTKMenuSoundPlayer player;
  EXPECT_TRUE(player.IsSoundEnabled());
  player.EnableSound(FALSE);
  EXPECT_FALSE(player.IsSoundEnabled());
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuCommand);
  EXPECT_FALSE(player.IsThreadRunning());
  EXPECT_FALSE(player.StopThread());
  EXPECT_TRUE(Log().plays.empty());
  player.EnableSound(TRUE);
  player.RequestSound(CTKMenuSoundPlayer::tkSoundMenuCommand);
  WaitForPlays(1);
  EXPECT_TRUE(player.StopThread());
  std::lock_guard<std::mutex> lock(Log().mutex);
  EXPECT_EQ(Log().plays[0].first, u"MenuCommand");
}

// The monitor queries that answer the rectangle alone give what the forms
// with an output rectangle give.
TEST_F(MultiMonitorTest, QueriesWithoutAnOutputRectangle) {
  CTKMultiMonitor* monitors = GetMultiMonitor();
  const RECT primaryWork{0, 0, 1024, 728}, primaryScreen{0, 0, 1024, 768};
  const RECT secondWork{1024, 0, 2048, 700}, secondScreen{1024, 0, 2048, 768};
  ::SetCursorPos(1500, 20);
  const AreaCase cases[] = {
      {"work at point", monitors->GetWorkAreaAtPoint(POINT{1500, 10}), secondWork},
      {"screen at point", monitors->GetScreenAreaAtPoint(POINT{1500, 10}), secondScreen},
      {"screen off-screen", monitors->GetScreenAreaAtPoint(POINT{-5000, 9000}), primaryScreen},
      {"work of rect", monitors->GetWorkAreaOfRect(RECT{1100, 10, 1200, 100}), secondWork},
      {"screen of rect", monitors->GetScreenAreaOfRect(RECT{10, 10, 20, 20}), primaryScreen},
      {"work of no window", monitors->GetWorkAreaOfWindow(nullptr), primaryWork},
      {"work at cursor", monitors->GetWorkAreaAtCursor(), secondWork},
  };
  for (const AreaCase& c : cases) EXPECT_TRUE(Same(c.got, c.expected)) << c.what;
}

}  // namespace
