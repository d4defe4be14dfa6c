// The desktop notification area against a private session bus and a fake
// watcher (the desktop's side), both real: dbus-daemon runs as a child.
#include <dbus/dbus.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/gdi/wingdi.h"
#include "platform/shell/shellapi.h"
#include "platform/shell/tray_dbus.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"
#include "tests/support/required_tool.h"
#include "tests/support/temp_home.h"

extern char** environ;

namespace {

constexpr UINT kCallback = WM_USER + 4711;
constexpr UINT kIconId = 5;
constexpr const char* kItemIface = "org.kde.StatusNotifierItem";

std::string FindDaemon() {
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "/usr/bin:/bin";
  size_t pos = 0;
  while (true) {
    size_t e = all.find(':', pos);
    std::string c = all.substr(pos, e == std::string::npos ? std::string::npos : e - pos) + "/dbus-daemon";
    if (access(c.c_str(), X_OK) == 0) return c;
    if (e == std::string::npos) return {};
    pos = e + 1;
  }
}

// A private bus: the daemon prints its address and runs until killed.
struct PrivateBus {
  pid_t pid = -1;
  std::string address;

  bool Start() {
    std::string daemon = FindDaemon();
    if (daemon.empty()) return false;
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    const char* argv[] = {daemon.c_str(), "--session", "--print-address", "--nofork", nullptr};
    int rc = posix_spawn(&pid, daemon.c_str(), &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      pid = -1;
      return false;
    }
    // Bounded wait for the address line.
    char buf[512];
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
      ssize_t n = read(fds[0], buf, sizeof buf);
      if (n <= 0) break;
      line.append(buf, n);
    }
    close(fds[0]);
    size_t nl = line.find('\n');
    if (nl == std::string::npos) return false;
    address = line.substr(0, nl);
    return true;
  }

  ~PrivateBus() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
};

DBusConnection* Open(const std::string& address) {
  DBusError err;
  dbus_error_init(&err);
  DBusConnection* c = dbus_connection_open_private(address.c_str(), &err);
  if (c && !dbus_bus_register(c, &err)) {
    dbus_connection_close(c);
    dbus_connection_unref(c);
    c = nullptr;
  }
  dbus_error_free(&err);
  if (c) dbus_connection_set_exit_on_disconnect(c, FALSE);
  return c;
}

// The desktop's watcher: owns the name, records registrations, and hears
// items' signals and names leaving the bus. Served by its own thread.
class FakeWatcher {
 public:
  explicit FakeWatcher(const std::string& address) {
    conn_ = Open(address);
    if (!conn_) return;
    DBusError err;
    dbus_error_init(&err);
    dbus_bus_request_name(conn_, "org.kde.StatusNotifierWatcher", DBUS_NAME_FLAG_DO_NOT_QUEUE, &err);
    dbus_bus_add_match(conn_, "type='signal',interface='org.kde.StatusNotifierItem'", &err);
    dbus_bus_add_match(conn_, "type='signal',member='NameOwnerChanged'", &err);
    dbus_error_free(&err);
    DBusObjectPathVTable vt{};
    vt.message_function = &FakeWatcher::OnCall;
    dbus_connection_register_object_path(conn_, "/StatusNotifierWatcher", &vt, this);
    dbus_connection_add_filter(conn_, &FakeWatcher::OnSignal, this, nullptr);
    thread_ = std::thread([this] {
      while (!stop_ && dbus_connection_read_write_dispatch(conn_, 50)) {}
    });
  }
  ~FakeWatcher() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (conn_) {
      dbus_connection_close(conn_);
      dbus_connection_unref(conn_);
    }
  }
  bool ok() const { return conn_ != nullptr; }

  std::vector<std::string> Registered() {
    std::lock_guard<std::mutex> l(mu_);
    return registered_;
  }
  // Bounded waits on the bus: true once the item's name has left / the
  // signal arrived (false after ten seconds of silence).
  bool WaitGone(const std::string& name) {
    return Wait([&] { return std::find(gone_.begin(), gone_.end(), name) != gone_.end(); });
  }
  bool WaitRegistered(size_t count) {
    return Wait([&] { return registered_.size() >= count; });
  }
  bool WaitSignal(const std::string& member, size_t count) {
    return Wait([&] { return std::count(signals_.begin(), signals_.end(), member) >= static_cast<long>(count); });
  }

 private:
  template <class F>
  bool Wait(F done) {
    std::unique_lock<std::mutex> l(mu_);
    return cv_.wait_for(l, std::chrono::seconds(10), done);
  }

  static DBusHandlerResult OnCall(DBusConnection* c, DBusMessage* m, void* self) {
    auto* w = static_cast<FakeWatcher*>(self);
    if (!dbus_message_is_method_call(m, "org.kde.StatusNotifierWatcher", "RegisterStatusNotifierItem"))
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    const char* service = nullptr;
    dbus_message_get_args(m, nullptr, DBUS_TYPE_STRING, &service, DBUS_TYPE_INVALID);
    {
      std::lock_guard<std::mutex> l(w->mu_);
      w->registered_.push_back(service ? service : "");
    }
    w->cv_.notify_all();
    DBusMessage* r = dbus_message_new_method_return(m);
    dbus_connection_send(c, r, nullptr);
    dbus_message_unref(r);
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  static DBusHandlerResult OnSignal(DBusConnection*, DBusMessage* m, void* self) {
    auto* w = static_cast<FakeWatcher*>(self);
    if (dbus_message_get_type(m) != DBUS_MESSAGE_TYPE_SIGNAL) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    std::lock_guard<std::mutex> l(w->mu_);
    if (dbus_message_is_signal(m, "org.freedesktop.DBus", "NameOwnerChanged")) {
      const char *name = nullptr, *old = nullptr, *now = nullptr;
      if (dbus_message_get_args(m, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &old, DBUS_TYPE_STRING, &now,
                                DBUS_TYPE_INVALID) &&
          !*now)
        w->gone_.push_back(name);
    } else if (dbus_message_has_interface(m, kItemIface)) {
      w->signals_.push_back(dbus_message_get_member(m));
    }
    w->cv_.notify_all();
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }

  DBusConnection* conn_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::condition_variable cv_;
  std::vector<std::string> registered_, gone_, signals_;
};

// A hidden window that records its icon's callback messages.
struct Owner {
  static inline std::vector<std::pair<WPARAM, LPARAM>> calls;
  HWND hwnd = nullptr;
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kCallback) {
      calls.emplace_back(wp, lp);
      return 0;
    }
    return DefWindowProcW(h, m, wp, lp);
  }
  Owner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = u"PvDesktopTrayOwner";
    RegisterClassW(&wc);
    hwnd =
        CreateWindowExW(0, u"PvDesktopTrayOwner", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    calls.clear();
  }
  ~Owner() { DestroyWindow(hwnd); }
};

// A 2x2 icon with per-pixel alpha, stored premultiplied as icons keep it:
// opaque red, half-clear green, clear, opaque blue.
HICON MakeIcon() {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = -2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  uint32_t px[4] = {0xFFFF0000u, 0x80008000u, 0x00000000u, 0xFF0000FFu};
  std::memcpy(bits, px, sizeof px);
  BYTE zeros[8] = {};
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, zeros);
  ICONINFO ii{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

NOTIFYICONDATAW Data(HWND hwnd, HICON icon, std::u16string_view tip) {
  NOTIFYICONDATAW d{};
  d.cbSize = NOTIFYICONDATAW_V3_SIZE;
  d.hWnd = hwnd;
  d.uID = kIconId;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = kCallback;
  d.hIcon = icon;
  std::copy(tip.begin(), tip.end(), d.szTip);
  return d;
}

class DesktopTrayTest : public ::testing::Test {
 protected:
  static inline PrivateBus* bus = nullptr;
  static inline bool daemonInstalled = false;

  static void SetUpTestSuite() {
    dbus_threads_init_default();
    daemonInstalled = !FindDaemon().empty();
    bus = new PrivateBus;
    if (!bus->Start()) {
      delete bus;
      bus = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete bus;
    bus = nullptr;
  }

  void SetUp() override {
    if (!daemonInstalled) PV_MISSING_TOOL("dbus-daemon is not installed");
    // Installed but not running is a fault of the set-up or of the test, never a skip.
    ASSERT_NE(bus, nullptr) << "dbus-daemon is installed but the private bus did not start";
    pv::shell::SetRecording(false);
    pv::shell::desktop_tray::SetBusAddress(bus->address);
    pv::shell::ResetTray();
    client = Open(bus->address);
    ASSERT_NE(client, nullptr);
  }
  void TearDown() override {
    pv::shell::ResetTray();
    pv::shell::desktop_tray::SetBusAddress("");
    pv::shell::SetRecording(true);
    if (client) {
      dbus_connection_close(client);
      dbus_connection_unref(client);
    }
  }

  // The desktop calls the item (blocking until it answered).
  bool CallItem(const std::string& service, const char* method, int x, int y) {
    DBusMessage* m = dbus_message_new_method_call(service.c_str(), "/StatusNotifierItem", kItemIface, method);
    dbus_int32_t a = x, b = y;
    dbus_message_append_args(m, DBUS_TYPE_INT32, &a, DBUS_TYPE_INT32, &b, DBUS_TYPE_INVALID);
    DBusMessage* r = dbus_connection_send_with_reply_and_block(client, m, 5000, nullptr);
    dbus_message_unref(m);
    if (!r) return false;
    bool ok = dbus_message_get_type(r) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
    dbus_message_unref(r);
    return ok;
  }

  // Reads a property; the reply (caller unrefs) positioned inside the variant.
  DBusMessage* Get(const std::string& service, const char* prop, DBusMessageIter* value) {
    DBusMessage* m =
        dbus_message_new_method_call(service.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
    const char* iface = kItemIface;
    dbus_message_append_args(m, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &prop, DBUS_TYPE_INVALID);
    DBusMessage* r = dbus_connection_send_with_reply_and_block(client, m, 5000, nullptr);
    dbus_message_unref(m);
    if (!r) return nullptr;
    DBusMessageIter it;
    if (!dbus_message_iter_init(r, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT) {
      dbus_message_unref(r);
      return nullptr;
    }
    dbus_message_iter_recurse(&it, value);
    return r;
  }

  std::string TipOf(const std::string& service) {
    DBusMessageIter v, st;
    DBusMessage* r = Get(service, "ToolTip", &v);
    if (!r) return "<no reply>";
    std::string out = "<bad shape>";
    if (dbus_message_iter_get_arg_type(&v) == DBUS_TYPE_STRUCT) {
      dbus_message_iter_recurse(&v, &st);
      dbus_message_iter_next(&st);  // icon name
      dbus_message_iter_next(&st);  // icon pixmaps
      if (dbus_message_iter_get_arg_type(&st) == DBUS_TYPE_STRING) {
        const char* title = nullptr;
        dbus_message_iter_get_basic(&st, &title);
        out = title;
      }
    }
    dbus_message_unref(r);
    return out;
  }

  DBusConnection* client = nullptr;
  pv::FakeClockScope clock{2026, 3, 2, 9, 0, 0};  // double clicks count fake time only
};

TEST_F(DesktopTrayTest, AddShowsTipAndPixelsModifyAndDeleteReachTheDesktop) {
  FakeWatcher watcher(bus->address);
  ASSERT_TRUE(watcher.ok());
  Owner owner;
  HICON icon = MakeIcon();
  ASSERT_NE(icon, nullptr);
  NOTIFYICONDATAW d = Data(owner.hwnd, icon, u"Pravenor – 3 due");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
  auto reg = watcher.Registered();
  ASSERT_EQ(reg.size(), 1u);
  const std::string item = reg[0];
  EXPECT_EQ(item.rfind("org.kde.StatusNotifierItem-", 0), 0u) << item;
  EXPECT_EQ(TipOf(item), "Pravenor \xE2\x80\x93 3 due");

  // Pixels: network byte order ARGB, straight (not premultiplied) colour.
  DBusMessageIter v, arr, st, bytes;
  DBusMessage* r = Get(item, "IconPixmap", &v);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(dbus_message_iter_get_arg_type(&v), DBUS_TYPE_ARRAY);
  dbus_message_iter_recurse(&v, &arr);
  ASSERT_EQ(dbus_message_iter_get_arg_type(&arr), DBUS_TYPE_STRUCT);
  dbus_message_iter_recurse(&arr, &st);
  dbus_int32_t w = 0, h = 0;
  dbus_message_iter_get_basic(&st, &w);
  dbus_message_iter_next(&st);
  dbus_message_iter_get_basic(&st, &h);
  dbus_message_iter_next(&st);
  dbus_message_iter_recurse(&st, &bytes);
  const uint8_t* p = nullptr;
  int n = 0;
  dbus_message_iter_get_fixed_array(&bytes, &p, &n);
  std::vector<uint8_t> got(p, p + n);
  dbus_message_unref(r);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  std::vector<uint8_t> want = {0xFF, 0xFF, 0x00, 0x00, 0x80, 0x00, 0xFF, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF};
  EXPECT_EQ(got, want);

  // A new tip: the desktop is told and reads the new text. The bus accepts
  // only valid UTF-8, so a lone surrogate must arrive replaced, not break it.
  std::u16string tip2 = u"Nothing due ";
  tip2 += static_cast<char16_t>(0xD800);
  d.uFlags = NIF_TIP;
  std::fill(std::begin(d.szTip), std::end(d.szTip), u'\0');
  std::copy(tip2.begin(), tip2.end(), d.szTip);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &d));
  EXPECT_TRUE(watcher.WaitSignal("NewToolTip", 1));
  EXPECT_EQ(TipOf(item), "Nothing due \xEF\xBF\xBD");

  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
  EXPECT_TRUE(watcher.WaitGone(item));
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  EXPECT_FALSE(CallItem(item, "Activate", 0, 0));  // nobody answers for it any more
  DestroyIcon(icon);
}

TEST_F(DesktopTrayTest, DesktopClicksArriveAsTheCallbackMessage) {
  struct Case {
    const char* name;
    UINT version;
    std::vector<const char*> calls;
    bool advanceBetween;  // the double-click time passes between the calls
    std::vector<UINT> want;
  };
  const UINT late = GetDoubleClickTime() + 1;
  const std::vector<Case> cases = {
      {"click", 0, {"Activate"}, false, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"right click", 0, {"ContextMenu"}, false, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
      {"middle click", 0, {"SecondaryActivate"}, false, {WM_MBUTTONDOWN, WM_MBUTTONUP}},
      {"double click",
       0,
       {"Activate", "Activate"},
       false,
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
      {"two slow clicks",
       0,
       {"Activate", "Activate"},
       true,
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"newer click", NOTIFYICON_VERSION, {"Activate"}, false, {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT}},
      {"newest right click",
       NOTIFYICON_VERSION_4,
       {"ContextMenu"},
       false,
       {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}},
  };
  FakeWatcher watcher(bus->address);
  ASSERT_TRUE(watcher.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Owner owner;
    NOTIFYICONDATAW d = Data(owner.hwnd, nullptr, u"tip");
    d.uFlags = NIF_MESSAGE | NIF_TIP;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
    if (c.version) {
      d.uVersion = c.version;
      ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &d));
    }
    const std::string item = watcher.Registered().back();
    for (size_t i = 0; i < c.calls.size(); ++i) {
      if (i && c.advanceBetween) pv::test::AdvanceAndPump(late);
      ASSERT_TRUE(CallItem(item, c.calls[i], 300, 200));
    }
    pv::test::PumpUntilIdle();
    ASSERT_EQ(Owner::calls.size(), c.want.size());
    for (size_t i = 0; i < c.want.size(); ++i) {
      auto [wp, lp] = Owner::calls[i];
      if (c.version >= NOTIFYICON_VERSION_4) {
        // The event and id in lParam, the desktop's click point in wParam.
        EXPECT_EQ(LOWORD(lp), c.want[i]);
        EXPECT_EQ(HIWORD(lp), kIconId);
        EXPECT_EQ(LOWORD(wp), 300);
        EXPECT_EQ(HIWORD(wp), 200);
      } else {
        EXPECT_EQ(static_cast<UINT>(lp), c.want[i]);
        EXPECT_EQ(wp, kIconId);
      }
    }
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &d));
    // Separate cases: the next one's first click must not pair with this one's.
    pv::test::AdvanceAndPump(late);
  }
}

TEST_F(DesktopTrayTest, IconComesBackWhenTheDesktopsWatcherRestarts) {
  Owner owner;
  NOTIFYICONDATAW d = Data(owner.hwnd, nullptr, u"tip");
  std::string item;
  {
    FakeWatcher first(bus->address);
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &d));
    item = first.Registered().at(0);
  }
  FakeWatcher second(bus->address);
  ASSERT_TRUE(second.ok());
  ASSERT_TRUE(second.WaitRegistered(1));
  EXPECT_EQ(second.Registered().at(0), item);
  ASSERT_TRUE(CallItem(item, "Activate", 1, 1));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Owner::calls.size(), 2u);  // the same icon still reaches its window
}

TEST_F(DesktopTrayTest, NoWatcherOrNoBusIsACleanNo) {
  Owner owner;
  NOTIFYICONDATAW d = Data(owner.hwnd, nullptr, u"tip");
  // A bus where no desktop watches for items.
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &d));

  // No bus at all: an address where nothing listens, and an environment that
  // names no session bus (which must not launch one).
  pvtest::TempFolder dir("pv-tray");
  ASSERT_FALSE(dir.path().empty());
  pv::shell::desktop_tray::SetBusAddress("unix:path=" + dir.File("bus"));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  {
    pvtest::EnvScope noSessionBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    pvtest::EnvScope runtime("XDG_RUNTIME_DIR", dir.path());
    pv::shell::desktop_tray::SetBusAddress("");
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &d));
  }
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
}

// 0 when, with a bus library that cannot be loaded, adding an icon to the
// desktop's tray is a clean no (said once) and nothing else breaks.
int MissingBusLibraryCheck() {
  pv::shell::desktop_tray::UseBusLibrary("libpravenor-no-such-library.so");
  pv::shell::SetRecording(false);  // icons go to the desktop
  Owner owner;
  NOTIFYICONDATAW d = Data(owner.hwnd, nullptr, u"tip");
  for (int attempt = 0; attempt < 2; ++attempt)
    if (Shell_NotifyIconW(NIM_ADD, &d)) return 1;
  if (!pv::shell::TrayIcons().empty()) return 2;
  if (Shell_NotifyIconW(NIM_MODIFY, &d) || Shell_NotifyIconW(NIM_DELETE, &d)) return 3;
  pv::shell::desktop_tray::RemoveAll();
  pv::shell::SetRecording(true);
  return 0;
}

TEST(DesktopTrayDeathTest, WithoutTheBusLibraryThereIsNoTrayAndNoCrash) {
  // A fresh process: nothing has opened the library there yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(MissingBusLibraryCheck()), ::testing::ExitedWithCode(0),
              "no tray: cannot load libpravenor-no-such-library.so");
}

}  // namespace
