// The desktop notification area over D-Bus. Each icon is its own bus
// connection owning "org.kde.StatusNotifierItem-<pid>-<n>" with the item at
// /StatusNotifierItem; the watcher learns of it through
// RegisterStatusNotifierItem and forgets it when the name leaves the bus.
//
// A small worker thread per icon waits on its connection's socket (and a
// wake-up pipe) and answers the desktop (properties, clicks). It never
// touches windows: clicks become posted callback messages, which the UI
// thread's ordinary loop dispatches. The worker never sits inside the bus
// library while waiting, so the UI thread's own (bounded) calls are never
// held up behind it.
#include "platform/shell/tray_dbus.h"

#include <dbus/dbus.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "platform/base/clock.h"
#include "platform/base/shared_library.h"
#include "platform/base/utf.h"
#include "platform/gdi/wingdi.h"
#include "platform/shell/shellapi.h"
#include "platform/window/winuser.h"

namespace pv::shell::desktop_tray {

namespace {

// The bus library, opened with the first icon rather than linked into the
// program: with the libraries it brings (the system manager's client,
// cryptography, three compressors) it costs about a megabyte of resident
// memory in every start, and a headless run never shows an icon.
#define PV_BUS_FUNCTIONS(X)                  \
  X(bus_set_unique_name)                     \
  X(connection_add_filter)                   \
  X(connection_close)                        \
  X(connection_dispatch)                     \
  X(connection_flush)                        \
  X(connection_get_is_connected)             \
  X(connection_get_socket)                   \
  X(connection_open_private)                 \
  X(connection_read_write)                   \
  X(connection_register_object_path)         \
  X(connection_send)                         \
  X(connection_send_with_reply_and_block)    \
  X(connection_set_dispatch_status_function) \
  X(connection_set_exit_on_disconnect)       \
  X(connection_set_wakeup_main_function)     \
  X(connection_unref)                        \
  X(error_free)                              \
  X(error_init)                              \
  X(message_append_args)                     \
  X(message_get_args)                        \
  X(message_get_interface)                   \
  X(message_get_member)                      \
  X(message_get_type)                        \
  X(message_is_signal)                       \
  X(message_iter_append_basic)               \
  X(message_iter_append_fixed_array)         \
  X(message_iter_close_container)            \
  X(message_iter_init_append)                \
  X(message_iter_open_container)             \
  X(message_new_error)                       \
  X(message_new_method_call)                 \
  X(message_new_method_return)               \
  X(message_new_signal)                      \
  X(message_set_auto_start)                  \
  X(message_set_no_reply)                    \
  X(message_unref)                           \
  X(threads_init_default)

struct BusApi {
#define PV_BUS_MEMBER(name) decltype(&::dbus_##name) name = nullptr;
  PV_BUS_FUNCTIONS(PV_BUS_MEMBER)
#undef PV_BUS_MEMBER
};

std::string& BusLibraryName() {
  static std::string name = "libdbus-1.so.3";
  return name;
}

struct LoadedBus {
  BusApi api;
  bool ok = false;
  std::string error;
};

// Opened once, whichever thread asks first; `ok` false (with the reason)
// when the library cannot be loaded or lacks a call.
const LoadedBus& LoadBus() {
  static const LoadedBus* const loaded = [] {
    auto* l = new LoadedBus;
    pv::LibraryCalls calls(BusLibraryName());
#define PV_BUS_BIND(name) calls.Bind(l->api.name, "dbus_" #name);
    PV_BUS_FUNCTIONS(PV_BUS_BIND)
#undef PV_BUS_BIND
    if (!calls.Done(&l->error)) return l;
    l->ok = true;
    return l;
  }();
  return *loaded;
}

// The calls; only for connections made after LoadBus() succeeded.
const BusApi& Bus() { return LoadBus().api; }

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kProps = "org.freedesktop.DBus.Properties";

constexpr const char* kIntrospection =
    "<node><interface name=\"org.kde.StatusNotifierItem\">"
    "<property name=\"Category\" type=\"s\" access=\"read\"/>"
    "<property name=\"Id\" type=\"s\" access=\"read\"/>"
    "<property name=\"Title\" type=\"s\" access=\"read\"/>"
    "<property name=\"Status\" type=\"s\" access=\"read\"/>"
    "<property name=\"WindowId\" type=\"i\" access=\"read\"/>"
    "<property name=\"IconName\" type=\"s\" access=\"read\"/>"
    "<property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
    "<property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>"
    "<property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>"
    "<method name=\"ContextMenu\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
    "<method name=\"Activate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
    "<method name=\"SecondaryActivate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>"
    "<method name=\"Scroll\"><arg name=\"delta\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"orientation\" type=\"s\" direction=\"in\"/></method>"
    "<signal name=\"NewIcon\"/><signal name=\"NewToolTip\"/><signal name=\"NewTitle\"/>"
    "<signal name=\"NewStatus\"><arg name=\"status\" type=\"s\"/></signal>"
    "</interface>"
    "<interface name=\"org.freedesktop.DBus.Properties\">"
    "<method name=\"Get\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
    "<arg type=\"v\" direction=\"out\"/></method>"
    "<method name=\"GetAll\"><arg type=\"s\" direction=\"in\"/>"
    "<arg type=\"a{sv}\" direction=\"out\"/></method>"
    "</interface>"
    "<interface name=\"org.freedesktop.DBus.Introspectable\">"
    "<method name=\"Introspect\"><arg type=\"s\" direction=\"out\"/></method>"
    "</interface></node>";

struct Item {
  DBusConnection* conn = nullptr;
  std::string name;
  std::thread worker;
  std::atomic<bool> stop{false};
  int wake[2] = {-1, -1};  // written to whenever the worker has something to do
  std::mutex mu;           // guards state and the double-click memory
  ItemState state;
  DWORD lastActivate = 0;
  bool activatedOnce = false;

  ~Item() { Shutdown(); }

  void Wake() {
    if (wake[1] >= 0) {
      char c = 1;
      [[maybe_unused]] ssize_t n = write(wake[1], &c, 1);
    }
  }

  void Shutdown() {
    stop = true;
    Wake();
    if (worker.joinable()) worker.join();
    if (conn) {
      Bus().connection_close(conn);
      Bus().connection_unref(conn);
      conn = nullptr;
    }
    for (int& fd : wake)
      if (fd >= 0) {
        close(fd);
        fd = -1;
      }
  }

  // Reads what arrived, answers it and sends the answers; returns false once
  // the bus is gone.
  void Run() {
    int fd = -1;
    if (!Bus().connection_get_socket(conn, &fd)) return;
    while (!stop) {
      pollfd p[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
      if (poll(p, 2, -1) < 0 && errno != EINTR) return;
      char buf[64];
      while (read(wake[0], buf, sizeof buf) > 0) {}
      if (stop) return;
      if (!Bus().connection_read_write(conn, 0)) return;  // disconnected
      while (Bus().connection_dispatch(conn) == DBUS_DISPATCH_DATA_REMAINS) {}
      Bus().connection_flush(conn);
      if (p[0].revents & (POLLHUP | POLLERR) && !Bus().connection_get_is_connected(conn)) return;
    }
  }
};

struct Tray {
  std::mutex mu;
  std::string address;
  bool addressSet = false;
  unsigned next = 0;
  std::vector<std::unique_ptr<Item>> items;
};

Tray& T() {
  static Tray* t = new Tray;  // never destroyed: workers may outlive static destruction
  return *t;
}

// The session bus without auto-launching one (that could start programs or wait).
std::string SessionAddress() {
  if (T().addressSet) return T().address;
  if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) return a;
  if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) {
    std::string path = std::string(dir) + "/bus";
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return "unix:path=" + path;
  }
  return {};
}

// A method call to the bus or a peer, bounded by the time-out; the reply or null.
DBusMessage* Call(DBusConnection* conn, DBusMessage* msg) {
  Bus().message_set_auto_start(msg, FALSE);
  DBusError err;
  Bus().error_init(&err);
  DBusMessage* reply = Bus().connection_send_with_reply_and_block(conn, msg, kBusTimeoutMs, &err);
  Bus().message_unref(msg);
  Bus().error_free(&err);
  return reply;
}

// Opens a private connection and says hello with a bounded wait (the
// library's own registration would wait its default 25 seconds).
DBusConnection* Connect(const std::string& address) {
  if (address.empty()) return nullptr;
  DBusError err;
  Bus().error_init(&err);
  DBusConnection* conn = Bus().connection_open_private(address.c_str(), &err);
  Bus().error_free(&err);
  if (!conn) return nullptr;
  Bus().connection_set_exit_on_disconnect(conn, FALSE);
  DBusMessage* hello =
      Bus().message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello");
  DBusMessage* reply = hello ? Call(conn, hello) : nullptr;
  const char* unique = nullptr;
  if (reply && Bus().message_get_args(reply, nullptr, DBUS_TYPE_STRING, &unique, DBUS_TYPE_INVALID) &&
      Bus().bus_set_unique_name(conn, unique)) {
    Bus().message_unref(reply);
    return conn;
  }
  if (reply) Bus().message_unref(reply);
  Bus().connection_close(conn);
  Bus().connection_unref(conn);
  return nullptr;
}

bool RequestName(DBusConnection* conn, const std::string& name) {
  DBusMessage* m = Bus().message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                 "org.freedesktop.DBus", "RequestName");
  if (!m) return false;
  const char* n = name.c_str();
  dbus_uint32_t flags = DBUS_NAME_FLAG_DO_NOT_QUEUE;
  Bus().message_append_args(m, DBUS_TYPE_STRING, &n, DBUS_TYPE_UINT32, &flags, DBUS_TYPE_INVALID);
  DBusMessage* reply = Call(conn, m);
  if (!reply) return false;
  dbus_uint32_t result = 0;
  bool ok = Bus().message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &result, DBUS_TYPE_INVALID) &&
            result == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
  Bus().message_unref(reply);
  return ok;
}

// ---- property values ----

void AppendPixmaps(DBusMessageIter* it, const ItemState& s) {
  DBusMessageIter arr, st, bytes;
  Bus().message_iter_open_container(it, DBUS_TYPE_ARRAY, "(iiay)", &arr);
  if (s.iconWidth > 0 && s.iconHeight > 0 && !s.iconArgb.empty()) {
    Bus().message_iter_open_container(&arr, DBUS_TYPE_STRUCT, nullptr, &st);
    dbus_int32_t w = s.iconWidth, h = s.iconHeight;
    Bus().message_iter_append_basic(&st, DBUS_TYPE_INT32, &w);
    Bus().message_iter_append_basic(&st, DBUS_TYPE_INT32, &h);
    Bus().message_iter_open_container(&st, DBUS_TYPE_ARRAY, "y", &bytes);
    const uint8_t* p = s.iconArgb.data();
    Bus().message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &p, static_cast<int>(s.iconArgb.size()));
    Bus().message_iter_close_container(&st, &bytes);
    Bus().message_iter_close_container(&arr, &st);
  }
  Bus().message_iter_close_container(it, &arr);
}

void AppendString(DBusMessageIter* it, const std::string& v) {
  const char* c = v.c_str();
  Bus().message_iter_append_basic(it, DBUS_TYPE_STRING, &c);
}

// Appends the property as a variant; false when there is no such property.
bool AppendProperty(DBusMessageIter* it, const std::string& prop, const ItemState& s) {
  // The bus refuses text that is not valid UTF-8; the conversion repairs lone surrogates.
  std::string tip = pv::Utf16ToUtf8(s.tip);
  std::string title = tip.empty() ? std::string("Pravenor") : tip;
  DBusMessageIter var;
  auto str = [&](const std::string& v) {
    Bus().message_iter_open_container(it, DBUS_TYPE_VARIANT, "s", &var);
    AppendString(&var, v);
    Bus().message_iter_close_container(it, &var);
  };
  if (prop == "Category") str("ApplicationStatus");
  else if (prop == "Id") str("pravenor");
  else if (prop == "Title") str(title);
  else if (prop == "Status") str("Active");
  else if (prop == "IconName") str("");
  else if (prop == "WindowId") {
    Bus().message_iter_open_container(it, DBUS_TYPE_VARIANT, "i", &var);
    dbus_int32_t zero = 0;
    Bus().message_iter_append_basic(&var, DBUS_TYPE_INT32, &zero);
    Bus().message_iter_close_container(it, &var);
  } else if (prop == "ItemIsMenu") {
    // Not a menu: the desktop asks for ContextMenu and we post the right click.
    Bus().message_iter_open_container(it, DBUS_TYPE_VARIANT, "b", &var);
    dbus_bool_t no = FALSE;
    Bus().message_iter_append_basic(&var, DBUS_TYPE_BOOLEAN, &no);
    Bus().message_iter_close_container(it, &var);
  } else if (prop == "IconPixmap") {
    Bus().message_iter_open_container(it, DBUS_TYPE_VARIANT, "a(iiay)", &var);
    AppendPixmaps(&var, s);
    Bus().message_iter_close_container(it, &var);
  } else if (prop == "ToolTip") {
    DBusMessageIter st;
    Bus().message_iter_open_container(it, DBUS_TYPE_VARIANT, "(sa(iiay)ss)", &var);
    Bus().message_iter_open_container(&var, DBUS_TYPE_STRUCT, nullptr, &st);
    AppendString(&st, "");
    ItemState none;
    AppendPixmaps(&st, none);
    AppendString(&st, tip);
    AppendString(&st, "");
    Bus().message_iter_close_container(&var, &st);
    Bus().message_iter_close_container(it, &var);
  } else {
    return false;
  }
  return true;
}

constexpr const char* kAllProperties[] = {"Category", "Id",         "Title",   "Status",    "WindowId",
                                          "IconName", "IconPixmap", "ToolTip", "ItemIsMenu"};

// ---- clicks ----

void Post(const ItemState& s, UINT notification, int x, int y) {
  if (!s.callbackMessage || !s.hwnd) return;
  if (s.version >= NOTIFYICON_VERSION_4)
    PostMessage(s.hwnd, s.callbackMessage, MAKEWPARAM(x, y), MAKELPARAM(notification, s.id));
  else PostMessage(s.hwnd, s.callbackMessage, static_cast<WPARAM>(s.id), static_cast<LPARAM>(notification));
}

// The desktop reports clicks, not presses: each becomes the press and release
// a mouse would give; a second activation within the double-click time is a
// double click (down, up, double-click, up).
void Clicked(Item& item, const char* member, int x, int y) {
  ItemState s;
  bool dbl = false;
  {
    std::lock_guard<std::mutex> lock(item.mu);
    s = item.state;
    if (std::strcmp(member, "Activate") == 0) {
      DWORD now = GetTickCount();
      dbl = item.activatedOnce && now - item.lastActivate <= GetDoubleClickTime();
      item.activatedOnce = !dbl;
      item.lastActivate = now;
    }
  }
  bool newer = s.version >= NOTIFYICON_VERSION;
  if (std::strcmp(member, "Activate") == 0) {
    Post(s, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, x, y);
    Post(s, WM_LBUTTONUP, x, y);
    if (newer && !dbl) Post(s, NIN_SELECT, x, y);
  } else if (std::strcmp(member, "SecondaryActivate") == 0) {
    Post(s, WM_MBUTTONDOWN, x, y);
    Post(s, WM_MBUTTONUP, x, y);
  } else {
    Post(s, WM_RBUTTONDOWN, x, y);
    Post(s, WM_RBUTTONUP, x, y);
    if (newer) Post(s, WM_CONTEXTMENU, x, y);
  }
}

DBusHandlerResult Handle(DBusConnection* conn, DBusMessage* msg, void* data) {
  Item& item = *static_cast<Item*>(data);
  if (Bus().message_get_type(msg) != DBUS_MESSAGE_TYPE_METHOD_CALL) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  const char* iface = Bus().message_get_interface(msg);
  const char* member = Bus().message_get_member(msg);
  if (!member) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  std::string in = iface ? iface : "";
  DBusMessage* reply = nullptr;
  if ((in.empty() || in == kItemInterface) &&
      (!std::strcmp(member, "Activate") || !std::strcmp(member, "SecondaryActivate") ||
       !std::strcmp(member, "ContextMenu"))) {
    dbus_int32_t x = 0, y = 0;
    if (!Bus().message_get_args(msg, nullptr, DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y, DBUS_TYPE_INVALID))
      reply = Bus().message_new_error(msg, DBUS_ERROR_INVALID_ARGS, "expected (ii)");
    else {
      Clicked(item, member, x, y);
      reply = Bus().message_new_method_return(msg);
    }
  } else if ((in.empty() || in == kItemInterface) && !std::strcmp(member, "Scroll")) {
    reply = Bus().message_new_method_return(msg);  // the icon has no use for the wheel
  } else if (in == kProps && !std::strcmp(member, "Get")) {
    const char *i = nullptr, *p = nullptr;
    if (!Bus().message_get_args(msg, nullptr, DBUS_TYPE_STRING, &i, DBUS_TYPE_STRING, &p, DBUS_TYPE_INVALID)) {
      reply = Bus().message_new_error(msg, DBUS_ERROR_INVALID_ARGS, "expected (ss)");
    } else {
      ItemState s;
      {
        std::lock_guard<std::mutex> lock(item.mu);
        s = item.state;
      }
      reply = Bus().message_new_method_return(msg);
      DBusMessageIter it;
      Bus().message_iter_init_append(reply, &it);
      if (std::strcmp(i, kItemInterface) != 0 || !AppendProperty(&it, p, s)) {
        Bus().message_unref(reply);
        reply = Bus().message_new_error(msg, DBUS_ERROR_UNKNOWN_PROPERTY, p);
      }
    }
  } else if (in == kProps && !std::strcmp(member, "GetAll")) {
    ItemState s;
    {
      std::lock_guard<std::mutex> lock(item.mu);
      s = item.state;
    }
    const char* i = nullptr;
    Bus().message_get_args(msg, nullptr, DBUS_TYPE_STRING, &i, DBUS_TYPE_INVALID);
    reply = Bus().message_new_method_return(msg);
    DBusMessageIter it, dict, entry;
    Bus().message_iter_init_append(reply, &it);
    Bus().message_iter_open_container(&it, DBUS_TYPE_ARRAY, "{sv}", &dict);
    if (i && !std::strcmp(i, kItemInterface))
      for (const char* p : kAllProperties) {
        Bus().message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        AppendString(&entry, p);
        AppendProperty(&entry, p, s);
        Bus().message_iter_close_container(&dict, &entry);
      }
    Bus().message_iter_close_container(&it, &dict);
  } else if (in == "org.freedesktop.DBus.Introspectable" && !std::strcmp(member, "Introspect")) {
    reply = Bus().message_new_method_return(msg);
    Bus().message_append_args(reply, DBUS_TYPE_STRING, &kIntrospection, DBUS_TYPE_INVALID);
  } else {
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }
  if (reply) {
    Bus().connection_send(conn, reply, nullptr);
    Bus().message_unref(reply);
  }
  return DBUS_HANDLER_RESULT_HANDLED;
}

DBusMessage* Registration(const std::string& name) {
  DBusMessage* reg = Bus().message_new_method_call(kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem");
  if (!reg) return nullptr;
  const char* n = name.c_str();
  Bus().message_append_args(reg, DBUS_TYPE_STRING, &n, DBUS_TYPE_INVALID);
  return reg;
}

// The desktop's watcher restarted (a new panel): register again, so the icon
// comes back without its window having to know.
DBusHandlerResult WatcherChanged(DBusConnection* conn, DBusMessage* msg, void* data) {
  Item& item = *static_cast<Item*>(data);
  const char *name = nullptr, *old = nullptr, *now = nullptr;
  if (Bus().message_is_signal(msg, "org.freedesktop.DBus", "NameOwnerChanged") &&
      Bus().message_get_args(msg, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &old, DBUS_TYPE_STRING, &now,
                             DBUS_TYPE_INVALID) &&
      std::strcmp(name, kWatcher) == 0 && *now) {
    if (DBusMessage* reg = Registration(item.name)) {
      Bus().message_set_no_reply(reg, TRUE);
      Bus().message_set_auto_start(reg, FALSE);
      Bus().connection_send(conn, reg, nullptr);
      Bus().message_unref(reg);
    }
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

// Asks the bus for the watcher's comings and goings; without it the icon
// just does not come back after a panel restart.
void WatchWatcher(DBusConnection* conn) {
  DBusMessage* m = Bus().message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                 "org.freedesktop.DBus", "AddMatch");
  if (!m) return;
  std::string rule = std::string(
                         "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                         "member='NameOwnerChanged',arg0='") +
                     kWatcher + "'";
  const char* r = rule.c_str();
  Bus().message_append_args(m, DBUS_TYPE_STRING, &r, DBUS_TYPE_INVALID);
  if (DBusMessage* reply = Call(conn, m)) Bus().message_unref(reply);
}

void Signal(Item& item, const char* name) {
  DBusMessage* sig = Bus().message_new_signal(kItemPath, kItemInterface, name);
  if (!sig) return;
  Bus().connection_send(item.conn, sig, nullptr);
  Bus().connection_flush(item.conn);
  Bus().message_unref(sig);
}

std::unique_ptr<Item>* Find(HWND hwnd, UINT id) {
  for (auto& i : T().items)
    if (i->state.hwnd == hwnd && i->state.id == id) return &i;
  return nullptr;
}

void InitThreads() {
  static std::once_flag once;
  std::call_once(once, [] { Bus().threads_init_default(); });
}

}  // namespace

void IconPixels(HICON icon, int* width, int* height, std::vector<uint8_t>* argb) {
  *width = *height = 0;
  argb->clear();
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return;
  auto read = [](HBITMAP bmp, int w, int h, std::vector<uint32_t>* px) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    px->assign(static_cast<size_t>(w) * h, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    int lines = GetDIBits(dc, bmp, 0, h, px->data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    return lines == h;
  };
  BITMAP bm{};
  if (info.hbmColor && GetObject(info.hbmColor, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0 &&
      bm.bmWidth <= 1024 && bm.bmHeight <= 1024) {
    int w = bm.bmWidth, h = bm.bmHeight;
    std::vector<uint32_t> color, mask;
    bool haveMask = info.hbmMask && read(info.hbmMask, w, h, &mask);
    if (read(info.hbmColor, w, h, &color)) {
      // Per-pixel alpha only when it varies; opaque or all-clear colour uses the mask.
      bool partial = false, zero = false, nonzero = false;
      for (uint32_t p : color) {
        uint32_t a = p >> 24;
        partial |= a != 0 && a != 255;
        (a ? nonzero : zero) = true;
      }
      bool alpha = partial || (zero && nonzero);
      argb->resize(color.size() * 4);
      for (size_t i = 0; i < color.size(); ++i) {
        uint32_t p = color[i];
        uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (alpha) {
          if (a && a < 255) {  // stored premultiplied; the bus wants straight colour
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
          }
        } else {
          a = haveMask && (mask[i] & 0xFFFFFF) ? 0 : 255;
        }
        uint8_t* o = &(*argb)[i * 4];
        o[0] = static_cast<uint8_t>(a);
        o[1] = static_cast<uint8_t>(r);
        o[2] = static_cast<uint8_t>(g);
        o[3] = static_cast<uint8_t>(b);
      }
      *width = w;
      *height = h;
    }
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

bool Add(const ItemState& state) {
  if (!LoadBus().ok) {
    // No tray without the library: said once, not per icon.
    static std::once_flag told;
    std::call_once(told, [] { std::fprintf(stderr, "no tray: %s\n", LoadBus().error.c_str()); });
    return false;
  }
  InitThreads();
  std::lock_guard<std::mutex> lock(T().mu);
  if (Find(state.hwnd, state.id)) return false;
  auto item = std::make_unique<Item>();
  item->state = state;
  item->conn = Connect(SessionAddress());
  if (!item->conn) return false;
  item->name = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++T().next);
  DBusObjectPathVTable vtable{};
  vtable.message_function = &Handle;
  if (!RequestName(item->conn, item->name) ||
      !Bus().connection_register_object_path(item->conn, kItemPath, &vtable, item.get()))
    return false;  // the item's destructor closes the connection
  if (pipe2(item->wake, O_NONBLOCK | O_CLOEXEC) != 0 ||
      !Bus().connection_add_filter(item->conn, &WatcherChanged, item.get(), nullptr))
    return false;
  WatchWatcher(item->conn);
  // Messages another thread's call read off the socket, or replies queued by
  // the handlers, wake the worker.
  Bus().connection_set_dispatch_status_function(
      item->conn,
      [](DBusConnection*, DBusDispatchStatus status, void* data) {
        if (status == DBUS_DISPATCH_DATA_REMAINS) static_cast<Item*>(data)->Wake();
      },
      item.get(), nullptr);
  Bus().connection_set_wakeup_main_function(
      item->conn, [](void* data) { static_cast<Item*>(data)->Wake(); }, item.get(), nullptr);
  Item* raw = item.get();
  item->worker = std::thread([raw] { raw->Run(); });
  DBusMessage* reg = Registration(item->name);
  if (!reg) return false;
  DBusMessage* reply = Call(item->conn, reg);
  if (!reply) return false;  // no watcher: no tray available
  bool ok = Bus().message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
  Bus().message_unref(reply);
  if (!ok) return false;
  T().items.push_back(std::move(item));
  return true;
}

bool Update(const ItemState& state, bool iconChanged, bool tipChanged) {
  std::lock_guard<std::mutex> lock(T().mu);
  auto* found = Find(state.hwnd, state.id);
  if (!found) return false;
  Item& item = **found;
  {
    std::lock_guard<std::mutex> l(item.mu);
    item.state = state;
  }
  if (iconChanged) Signal(item, "NewIcon");
  if (tipChanged) {
    Signal(item, "NewToolTip");
    Signal(item, "NewTitle");
  }
  return true;
}

bool Remove(HWND hwnd, UINT id) {
  std::unique_ptr<Item> gone;
  {
    std::lock_guard<std::mutex> lock(T().mu);
    auto* found = Find(hwnd, id);
    if (!found) return false;
    gone = std::move(*found);
    T().items.erase(T().items.begin() + (found - T().items.data()));
  }
  gone->Shutdown();  // closing the connection takes the name off the bus
  return true;
}

void RemoveAll() {
  std::vector<std::unique_ptr<Item>> gone;
  {
    std::lock_guard<std::mutex> lock(T().mu);
    gone.swap(T().items);
  }
  gone.clear();
}

void UseBusLibrary(const char* name) { BusLibraryName() = name; }

void SetBusAddress(const std::string& address) {
  RemoveAll();
  std::lock_guard<std::mutex> lock(T().mu);
  T().address = address;
  T().addressSet = !address.empty();
}

}  // namespace pv::shell::desktop_tray
