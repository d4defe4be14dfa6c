// Window handles, classes, creation and destruction, the window tree,
// window data (longs, properties, text).
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "platform/base/clock.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

// ---- handle table ---------------------------------------------------------------------------
constinit std::atomic<Slot*> g_slotChunks[kChunks] = {};

namespace {
// The handle table. `mutex` guards everything in it: the slots (window,
// generation and thread of each handle index), the free slots and the
// creation order; and, while held, keeps every window it finds alive
// (FreeWindow frees the handle before deleting the window) and guards each
// window's `text`.
struct HandleTable {
  std::mutex mutex;
  size_t used = 1;               // slots handed out so far; slot 0 is never used
  std::deque<size_t> freeSlots;  // the slot freed longest ago first
  std::vector<HWND> order;       // live windows in creation order
  bool reuseLastFreed = false;   // tests only
};

HandleTable& Handles() {
  static HandleTable& t = *new HandleTable;
  return t;
}

// Null when the index has no slot yet.
Slot* SlotAt(size_t index) {
  Slot* chunk = g_slotChunks[index >> kChunkBits].load(std::memory_order_acquire);
  return chunk ? chunk + (index & (kChunkSize - 1)) : nullptr;
}

// Callers hold the table lock.
Wnd* LookupLocked(HWND hwnd) {
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  size_t index = v & kIndexMask;
  unsigned gen = static_cast<unsigned>(v >> kIndexBits);
  if (index == 0 || index >= Handles().used || v > 0x7FFFFFFFu) return nullptr;
  const Slot* s = SlotAt(index);
  Wnd* w = s->wnd.load(std::memory_order_relaxed);
  if (!w || s->gen.load(std::memory_order_relaxed) != gen) return nullptr;
  return w;
}

Wnd* Lookup(HWND hwnd) {
  std::lock_guard<std::mutex> lock(Handles().mutex);
  return LookupLocked(hwnd);
}
}  // namespace

bool WindowThreadOf(HWND hwnd, DWORD* tid, std::shared_ptr<ThreadQueue>* queue) {
  if (!hwnd) return false;
  if (Wnd* w = OwnWindow(hwnd)) {  // this thread's window: it cannot go away under us
    *tid = w->tid;
    *queue = w->queue;
    return true;
  }
  std::lock_guard<std::mutex> lock(Handles().mutex);
  Wnd* w = LookupLocked(hwnd);
  if (!w) return false;
  // The window cannot be deleted while the lock is held (FreeWindow frees
  // the handle first), and tid/queue never change after creation.
  *tid = w->tid;
  *queue = w->queue;
  return true;
}

void SetWndText(Wnd* w, std::u16string text) {
  std::lock_guard<std::mutex> lock(Handles().mutex);
  w->text = std::move(text);
}

int CopyWndText(HWND hwnd, LPWSTR buffer, int size) {
  if (!hwnd) return -1;
  std::lock_guard<std::mutex> lock(Handles().mutex);
  Wnd* w = LookupLocked(hwnd);
  if (!w) return -1;
  if (!buffer || size <= 0) return 0;
  int n = std::min(static_cast<int>(w->text.size()), size - 1);
  std::copy(w->text.begin(), w->text.begin() + n, buffer);
  buffer[n] = 0;
  return n;
}

std::recursive_mutex& TreeMutex() {
  static std::recursive_mutex& m = *new std::recursive_mutex;
  return m;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  std::vector<HWND> tops;
  for (Wnd* c : Desktop()->children) tops.push_back(c->hwnd);
  return tops;
}

HWND AllocHandle(Wnd* w) {
  HandleTable& t = Handles();
  std::lock_guard<std::mutex> lock(t.mutex);
  size_t index;
  if (t.reuseLastFreed && !t.freeSlots.empty()) {
    index = t.freeSlots.back();
    t.freeSlots.pop_back();
  } else if (t.freeSlots.size() > 64 || (t.used >= kIndexMask && !t.freeSlots.empty())) {
    // The slot freed longest ago, so a stale handle stays stale for long.
    index = t.freeSlots.front();
    t.freeSlots.pop_front();
  } else {
    if (t.used >= kIndexMask) return nullptr;
    index = t.used++;
    auto& chunk = g_slotChunks[index >> kChunkBits];
    if (!chunk.load(std::memory_order_relaxed)) chunk.store(new Slot[kChunkSize], std::memory_order_release);
  }
  Slot* s = SlotAt(index);
  s->tid.store(w->tid, std::memory_order_relaxed);
  s->wnd.store(w, std::memory_order_release);  // after the thread: see OwnWindow
  uintptr_t gen = s->gen.load(std::memory_order_relaxed);
  HWND h = reinterpret_cast<HWND>((gen << kIndexBits) | index);
  t.order.push_back(h);
  return h;
}

void FreeHandle(HWND hwnd) {
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  size_t index = v & kIndexMask;
  HandleTable& t = Handles();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (index == 0 || index >= t.used) return;
  Slot* s = SlotAt(index);
  s->wnd.store(nullptr, std::memory_order_relaxed);
  // A slot whose generations are used up is retired, never reused: starting
  // it again at generation 1 would make its old handles valid again.
  const unsigned gen = s->gen.load(std::memory_order_relaxed);
  if (gen < kGenMask) {
    s->gen.store(gen + 1, std::memory_order_relaxed);
    t.freeSlots.push_back(index);
  }
  auto& order = t.order;
  auto it = std::find(order.begin(), order.end(), hwnd);
  if (it != order.end()) order.erase(it);
}

void SetWindowSlotReuseLastFreedForTesting(bool on) {
  std::lock_guard<std::mutex> lock(Handles().mutex);
  Handles().reuseLastFreed = on;
}

void SetNextWindowGenerationForTesting(unsigned gen) {
  std::lock_guard<std::mutex> lock(Handles().mutex);
  if (!Handles().freeSlots.empty())
    SlotAt(Handles().freeSlots.back())->gen.store(std::clamp(gen, 1u, kGenMask), std::memory_order_relaxed);
}

Wnd* LookupUnderLock(HWND hwnd) { return hwnd ? Lookup(hwnd) : nullptr; }

Wnd* FromHandleElsewhere(HWND hwnd) {
  Wnd* w = LookupUnderLock(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

std::vector<HWND> AllWindows() {
  std::lock_guard<std::mutex> lock(Handles().mutex);
  return Handles().order;
}

// ---- threads ----------------------------------------------------------------------------------
// The same thread ids as GetCurrentThreadId, so PostThreadMessage finds queues.
constinit thread_local DWORD t_currentTid = 0;
DWORD FirstCurrentTid() { return t_currentTid = ::GetCurrentThreadId(); }

namespace {
// The message queues of the threads that have one, by thread id. `mutex`
// guards the map; each queue has its own lock for its contents.
struct QueueRegistry {
  std::mutex mutex;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> byThread;
};

QueueRegistry& Queues() {
  static QueueRegistry& r = *new QueueRegistry;
  return r;
}
}  // namespace

std::shared_ptr<ThreadQueue> QueueFor(DWORD tid, bool create) {
  std::lock_guard<std::mutex> lock(Queues().mutex);
  auto& qs = Queues().byThread;
  auto it = qs.find(tid);
  if (it != qs.end()) return it->second;
  if (!create) return nullptr;
  auto q = std::make_shared<ThreadQueue>();
  q->tid = tid;
  qs[tid] = q;
  return q;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  static thread_local std::shared_ptr<ThreadQueue> q;
  if (!q) {
    // When fake time moves, waiting loops look at their timers again.
    static const int listener = pv::Clock::AddListener([] {
      std::vector<std::shared_ptr<ThreadQueue>> all;
      {
        std::lock_guard<std::mutex> lock(Queues().mutex);
        for (auto& [tid, queue] : Queues().byThread) all.push_back(queue);
      }
      for (auto& queue : all) {
        {
          std::lock_guard<std::mutex> lock(queue->m);
          queue->wake = true;
        }
        queue->cv.notify_all();
      }
    });
    (void)listener;
    q = QueueFor(CurrentTid(), true);
  }
  return q;
}

ThreadQueue& MyQueue() {
  static thread_local ThreadQueue* q = CurrentQueue().get();  // the registry keeps it
  return *q;
}

void WakeQueue(ThreadQueue& q) {
  {
    std::lock_guard<std::mutex> lock(q.m);
    q.wake = true;
  }
  q.signal.store(true);
  q.cv.notify_all();
  ActiveBackend().WakeUp();
  pv::WakeWaiters();  // a thread in MsgWaitForMultipleObjects
}

// The window manager's tables are never destroyed: like the system they stand
// for, they must outlive every static object of the program (an application
// object's destructor still frees menus and windows at exit).
UiState& Ui() {
  static UiState& s = *new UiState;
  return s;
}

// ---- desktop ----------------------------------------------------------------------------------
namespace {
LRESULT DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

Wnd* MakeRoot(const char16_t* name) {
  Wnd* w = new Wnd();
  w->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  w->proc = DesktopProc;
  w->text = name;
  w->created = true;
  w->hwnd = AllocHandle(w);
  return w;
}
}  // namespace

Wnd* Desktop() {
  static Wnd* d = [] {
    Wnd* w = MakeRoot(u"");
    int cx = 1280, cy = 1024;
    if (!Ui().system.monitors.empty()) {
      cx = Ui().system.monitors[0].rect.right;
      cy = Ui().system.monitors[0].rect.bottom;
    }
    w->rect = RECT{0, 0, cx, cy};
    w->client = w->rect;
    return w;
  }();
  return d;
}

Wnd* MessageRoot() {
  static Wnd* m = [] {
    Wnd* w = MakeRoot(u"");
    w->style = WS_POPUP;
    w->messageOnly = true;
    return w;
  }();
  return m;
}

// ---- classes ----------------------------------------------------------------------------------
namespace {
// The registered window classes and the next class atom: the UI thread's.
struct ClassTable {
  std::vector<std::unique_ptr<WndClass>> classes;
  ATOM nextAtom = 0xC000;
};
ClassTable& Classes() {
  static ClassTable& t = *new ClassTable;
  return t;
}
char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}
std::u16string_view View(LPCWSTR s) {
  if (!s) return {};
  size_t n = 0;
  while (s[n]) ++n;
  return std::u16string_view(s, n);
}

WndClass* FindClass(LPCWSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    for (auto& c : Classes().classes)
      if (c->atom == atom) return c.get();
    return nullptr;
  }
  std::u16string_view n = View(name);
  for (auto& c : Classes().classes)
    if (SameName(c->name, n)) return c.get();
  return nullptr;
}

ATOM RegisterClassImpl(const WNDCLASSEXW& wc) {
  if (!wc.lpszClassName || !wc.lpfnWndProc || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > 40000 ||
      wc.cbWndExtra > 40000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IS_INTRESOURCE(wc.lpszClassName) && FindClass(wc.lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_unique<WndClass>();
  c->atom = Classes().nextAtom++;
  if (IS_INTRESOURCE(wc.lpszClassName)) {
    c->atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(wc.lpszClassName));
    if (FindClass(wc.lpszClassName)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  } else {
    c->name = std::u16string(View(wc.lpszClassName));
  }
  c->style = wc.style;
  c->proc = wc.lpfnWndProc;
  c->clsExtra = wc.cbClsExtra;
  c->wndExtra = wc.cbWndExtra;
  c->inst = wc.hInstance;
  c->icon = wc.hIcon;
  c->iconSm = wc.hIconSm;
  c->cursor = wc.hCursor;
  c->brush = wc.hbrBackground;
  if (wc.lpszMenuName) {
    if (IS_INTRESOURCE(wc.lpszMenuName)) c->menuId = reinterpret_cast<ULONG_PTR>(wc.lpszMenuName);
    else c->menuName = std::u16string(View(wc.lpszMenuName));
  }
  c->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
  c->global = (wc.style & CS_GLOBALCLASS) != 0;
  ATOM atom = c->atom;
  Classes().classes.push_back(std::move(c));
  return atom;
}
}  // namespace

const char16_t kPopupMenuClass[] = u"#32768";

}  // namespace pv::wm

using namespace pv::wm;

ATOM RegisterClassEx(const WNDCLASSEXW* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return RegisterClassImpl(*wc);
}
ATOM RegisterClassExW(const WNDCLASSEXW* wc) { return RegisterClassEx(wc); }

ATOM RegisterClass(const WNDCLASSW* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{};
  ex.cbSize = sizeof(ex);
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return RegisterClassImpl(ex);
}
ATOM RegisterClassW(const WNDCLASSW* wc) { return RegisterClass(wc); }

BOOL UnregisterClass(LPCWSTR className, HINSTANCE) {
  WndClass* c = FindClass(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  auto& cs = Classes().classes;
  cs.erase(std::remove_if(cs.begin(), cs.end(), [&](const std::unique_ptr<WndClass>& p) { return p.get() == c; }),
           cs.end());
  return TRUE;
}
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE inst) { return UnregisterClass(className, inst); }

BOOL GetClassInfoEx(HINSTANCE, LPCWSTR className, WNDCLASSEXW* wc) {
  WndClass* c = FindClass(className);
  if (!c || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbClsExtra = c->clsExtra;
  wc->cbWndExtra = c->wndExtra;
  wc->hInstance = c->inst;
  wc->hIcon = c->icon;
  wc->hIconSm = c->iconSm;
  wc->hCursor = c->cursor;
  wc->hbrBackground = c->brush;
  wc->lpszMenuName =
      c->menuId ? reinterpret_cast<LPCWSTR>(c->menuId) : (c->menuName.empty() ? nullptr : c->menuName.c_str());
  wc->lpszClassName = IS_INTRESOURCE(className) ? className : c->name.c_str();
  return c->atom;
}
BOOL GetClassInfoExW(HINSTANCE inst, LPCWSTR className, WNDCLASSEXW* wc) { return GetClassInfoEx(inst, className, wc); }

BOOL GetClassInfo(HINSTANCE inst, LPCWSTR className, WNDCLASSW* wc) {
  WNDCLASSEXW ex{};
  if (!wc || !GetClassInfoEx(inst, className, &ex)) return FALSE;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = ex.lpszMenuName;
  wc->lpszClassName = ex.lpszClassName;
  return TRUE;
}
BOOL GetClassInfoW(HINSTANCE inst, LPCWSTR className, WNDCLASSW* wc) { return GetClassInfo(inst, className, wc); }

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  if (index >= 0) {
    if (static_cast<size_t>(index) + sizeof(ULONG_PTR) > c->extra.size()) {
      // a 32-bit read of the last bytes is still fine
      if (static_cast<size_t>(index) + sizeof(DWORD) <= c->extra.size()) {
        DWORD v;
        std::memcpy(&v, c->extra.data() + index, sizeof(v));
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    ULONG_PTR v;
    std::memcpy(&v, c->extra.data() + index, sizeof(v));
    return v;
  }
  switch (index) {
    case GCLP_MENUNAME:
      return c->menuId ? c->menuId : reinterpret_cast<ULONG_PTR>(c->menuName.c_str());
    case GCLP_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(c->brush);
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON:
      return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HICONSM:
      return reinterpret_cast<ULONG_PTR>(c->iconSm);
    case GCLP_HMODULE:
      return reinterpret_cast<ULONG_PTR>(c->inst);
    case GCL_CBWNDEXTRA:
      return static_cast<ULONG_PTR>(c->wndExtra);
    case GCL_CBCLSEXTRA:
      return static_cast<ULONG_PTR>(c->clsExtra);
    case GCLP_WNDPROC:
      return reinterpret_cast<ULONG_PTR>(c->proc);
    case GCL_STYLE:
      return c->style;
    case GCW_ATOM:
      return c->atom;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}
ULONG_PTR GetClassLongPtrW(HWND hwnd, int index) { return GetClassLongPtr(hwnd, index); }
DWORD GetClassLong(HWND hwnd, int index) {
  if (index == GCLP_WNDPROC || index == GCLP_MENUNAME) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<DWORD>(GetClassLongPtr(hwnd, index));
}
DWORD GetClassLongW(HWND hwnd, int index) { return GetClassLong(hwnd, index); }

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  ULONG_PTR old = GetClassLongPtr(hwnd, index);
  if (index >= 0) {
    if (static_cast<size_t>(index) + sizeof(LONG_PTR) > c->extra.size()) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    std::memcpy(c->extra.data() + index, &value, sizeof(value));
    return old;
  }
  switch (index) {
    case GCLP_HBRBACKGROUND:
      c->brush = reinterpret_cast<HBRUSH>(value);
      break;
    case GCLP_HCURSOR:
      c->cursor = reinterpret_cast<HCURSOR>(value);
      break;
    case GCLP_HICON:
      c->icon = reinterpret_cast<HICON>(value);
      break;
    case GCLP_HICONSM:
      c->iconSm = reinterpret_cast<HICON>(value);
      break;
    case GCLP_HMODULE:
      c->inst = reinterpret_cast<HINSTANCE>(value);
      break;
    case GCLP_WNDPROC:
      c->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GCL_STYLE:
      c->style = static_cast<UINT>(value);
      break;
    case GCL_CBWNDEXTRA:
      c->wndExtra = static_cast<int>(value);
      break;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return old;
}
ULONG_PTR SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value) { return SetClassLongPtr(hwnd, index, value); }
DWORD SetClassLong(HWND hwnd, int index, LONG value) {
  if (index == GCLP_WNDPROC || index == GCLP_MENUNAME) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (index >= 0) {
    Wnd* w = FromHandle(hwnd);
    if (!w || !w->cls || static_cast<size_t>(index) + sizeof(LONG) > w->cls->extra.size()) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    DWORD old;
    std::memcpy(&old, w->cls->extra.data() + index, sizeof(old));
    std::memcpy(w->cls->extra.data() + index, &value, sizeof(value));
    return old;
  }
  return static_cast<DWORD>(SetClassLongPtr(hwnd, index, value));
}
DWORD SetClassLongW(HWND hwnd, int index, LONG value) { return SetClassLong(hwnd, index, value); }

namespace {
int CopyOut(const std::u16string& s, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = static_cast<int>(std::min<size_t>(s.size(), static_cast<size_t>(size - 1)));
  std::memcpy(buffer, s.data(), static_cast<size_t>(n) * sizeof(WCHAR));
  buffer[n] = 0;
  return n;
}
}  // namespace

int GetClassName(HWND hwnd, LPWSTR buffer, int size) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  if (!w->cls) return CopyOut(u"#32769", buffer, size);
  if (w->cls->name.empty()) {
    std::u16string n = u"#";
    for (char c : std::to_string(w->cls->atom)) n += static_cast<char16_t>(c);
    return CopyOut(n, buffer, size);
  }
  return CopyOut(w->cls->name, buffer, size);
}
int GetClassNameW(HWND hwnd, LPWSTR buffer, int size) { return GetClassName(hwnd, buffer, size); }

UINT RegisterWindowMessage(LPCWSTR name) {
  // Any thread may register: `mutex` guards the names, whose places give
  // the message numbers.
  struct MessageNames {
    std::mutex mutex;
    std::vector<std::u16string> names;
  };
  static MessageNames& registered = *new MessageNames;
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(registered.mutex);
  auto& names = registered.names;
  std::u16string_view n = View(name);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameName(names[i], n)) return static_cast<UINT>(0xC000 + i);
  if (names.size() >= 0x3FFF) return 0;
  names.emplace_back(n);
  return static_cast<UINT>(0xC000 + names.size() - 1);
}
UINT RegisterWindowMessageW(LPCWSTR name) { return RegisterWindowMessage(name); }

// ---- tree helpers -----------------------------------------------------------------------------
namespace pv::wm {

bool IsTopLevel(const Wnd* w) { return w && (w->parent == Desktop() || w->parent == MessageRoot()); }

Wnd* TopLevelOf(Wnd* w) {
  while (w && w->parent && !IsTopLevel(w)) w = w->parent;
  if (w == Desktop() || w == MessageRoot()) return nullptr;
  return w;
}

bool IsAncestorOf(const Wnd* anc, const Wnd* w) {
  for (const Wnd* p = w ? w->parent : nullptr; p; p = p->parent)
    if (p == anc) return true;
  return false;
}

bool IsVisibleChain(const Wnd* w) {
  for (; w; w = w->parent) {
    if (w == Desktop()) return true;
    if (w == MessageRoot()) return false;
    if (!(w->style & WS_VISIBLE)) return false;
  }
  return false;
}

void UnlinkFromParent(Wnd* w) {
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  if (!w->parent) return;
  auto& c = w->parent->children;
  c.erase(std::remove(c.begin(), c.end(), w), c.end());
  w->parent = nullptr;
}

void LinkToParent(Wnd* w, Wnd* parent, HWND insertAfter) {
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  w->parent = parent;
  auto& c = parent->children;
  if (insertAfter == HWND_BOTTOM) {
    c.push_back(w);
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    c.insert(c.begin(), w);
  } else {
    auto it = std::find_if(c.begin(), c.end(), [&](Wnd* x) { return x->hwnd == insertAfter; });
    if (it == c.end()) c.insert(c.begin(), w);
    else c.insert(it + 1, w);
  }
  if (parent == Desktop()) EnforceTopmostBands();
}

// Top-level z-order keeps topmost windows above the others, and owned
// windows above their owners.
void EnforceTopmostBands() {
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  auto& c = Desktop()->children;
  std::stable_partition(c.begin(), c.end(), [](Wnd* x) { return (x->exStyle & WS_EX_TOPMOST) != 0; });
  // Owned windows above their owner: move any owner that sits above one of
  // its owned windows (same band) to just below its lowest owned window.
  for (size_t guard = 0; guard < c.size() * 2 + 2; ++guard) {
    bool moved = false;
    for (size_t i = 0; i < c.size() && !moved; ++i) {
      Wnd* owner = c[i];
      for (size_t j = i + 1; j < c.size(); ++j) {
        Wnd* o = c[j];
        bool owned = false;
        for (Wnd* p = o->owner; p; p = p->owner)
          if (p == owner) owned = true;
        if (owned &&
            ((o->exStyle & WS_EX_TOPMOST) == (owner->exStyle & WS_EX_TOPMOST) || (o->exStyle & WS_EX_TOPMOST))) {
          c.erase(c.begin() + static_cast<long>(i));
          c.insert(c.begin() + static_cast<long>(j), owner);
          moved = true;
          break;
        }
      }
    }
    if (!moved) break;
  }
}

}  // namespace pv::wm

// ---- creation ---------------------------------------------------------------------------------
namespace {

void SendParentNotify(Wnd* child, UINT event) {
  HWND h = child->hwnd;
  for (;;) {
    Wnd* w = FromHandleQuiet(h);
    if (!w || !(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
    Wnd* p = w->parent;
    if (!p || p == Desktop() || p == MessageRoot()) return;
    Send(p->hwnd, WM_PARENTNOTIFY, MAKEWPARAM(event, static_cast<WORD>(child->id)),
         reinterpret_cast<LPARAM>(child->hwnd));
    h = p->hwnd;
  }
}

void FreeWindow(Wnd* w) {
  if (w->cls) w->cls->windows--;
  if (w->windowRgn) DeleteObject(w->windowRgn);
  w->windowRgn = nullptr;
  UnlinkFromParent(w);
  FreeHandle(w->hwnd);
  delete w;
}

}  // namespace

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int cx, int cy,
                    HWND parentHandle, HMENU menuOrId, HINSTANCE inst, LPVOID param) {
  WndClass* cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  Wnd* parent = Desktop();
  Wnd* owner = nullptr;
  bool messageOnly = false;
  if (parentHandle == HWND_MESSAGE) {
    parent = MessageRoot();
    messageOnly = true;
    style &= ~static_cast<DWORD>(WS_CHILD);
  } else if (style & WS_CHILD) {
    parent = FromHandle(parentHandle);
    if (!parent) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    if (parent->tid != CurrentTid() && parent != Desktop()) {
      // A child always lives on its parent's thread's queue here.
    }
  } else if (parentHandle) {
    Wnd* o = FromHandle(parentHandle);
    if (!o) return nullptr;
    while (o && !IsTopLevel(o)) o = o->parent;
    owner = (o == Desktop()) ? nullptr : o;
  }

  bool child = (style & WS_CHILD) != 0;
  if (!child && !(style & WS_POPUP)) {
    style |= WS_CAPTION | WS_CLIPSIBLINGS;
  }
  if (!child) style |= WS_CLIPSIBLINGS;
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    exStyle |= WS_EX_WINDOWEDGE;
  else exStyle &= ~static_cast<DWORD>(WS_EX_WINDOWEDGE);
  if (child && parent && (parent->exStyle & WS_EX_LAYOUTRTL) && !(parent->exStyle & WS_EX_NOINHERITLAYOUT))
    exStyle |= WS_EX_LAYOUTRTL;

  // Default position and size for overlapped windows.
  RECT work{0, 0, 1280, 1024};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  if (!child && !(style & WS_POPUP)) {
    if (x == CW_USEDEFAULT) {
      int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
      x = work.left + step * (Ui().system.cascade % 8);
      y = work.top + step * (Ui().system.cascade % 8);
      Ui().system.cascade++;
    }
    if (cx == CW_USEDEFAULT) {
      cx = (work.right - work.left) * 3 / 4;
      cy = (work.bottom - work.top) * 3 / 4;
    }
  }
  if (x == CW_USEDEFAULT) x = 0;
  if (y == CW_USEDEFAULT) y = 0;
  if (cx == CW_USEDEFAULT) cx = 0;
  if (cy == CW_USEDEFAULT) cy = 0;
  if (cx < 0) cx = 0;
  if (cy < 0) cy = 0;

  Wnd* w = new Wnd();
  w->tid = CurrentTid();
  w->queue = CurrentQueue();
  w->cls = cls;
  cls->windows++;
  w->proc = cls->proc;
  w->style = style & ~static_cast<DWORD>(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = exStyle;
  w->inst = inst;
  w->owner = owner;
  w->messageOnly = messageOnly;
  w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
  if (child) w->id = reinterpret_cast<UINT_PTR>(menuOrId);
  else w->menu = menuOrId;
  w->rect = RECT{x, y, x + cx, y + cy};
  w->client = RECT{0, 0, cx, cy};
  w->normalRect = w->rect;
  w->hwnd = AllocHandle(w);
  if (!w->hwnd) {
    cls->windows--;
    delete w;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HWND hwnd = w->hwnd;
  // A new child goes to the bottom of its siblings' z-order, so that walking
  // the children follows creation order (dialog tab order relies on it); a
  // new top-level window goes to the top.
  LinkToParent(w, parent, child ? HWND_BOTTOM : HWND_TOP);
  // The owner's last active pop-up changes when the new window is activated,
  // not when it is made (a tip window that never activates must not count).

  if (!child && !w->menu && !messageOnly && (cls->menuId || !cls->menuName.empty())) {
    w->menu =
        LoadMenu(inst ? inst : cls->inst, cls->menuId ? reinterpret_cast<LPCWSTR>(cls->menuId) : cls->menuName.c_str());
  }

  CREATESTRUCTW cs{};
  cs.lpCreateParams = param;
  cs.hInstance = inst;
  cs.hMenu = menuOrId;
  cs.hwndParent = messageOnly ? HWND_MESSAGE : parentHandle;
  cs.x = x;
  cs.y = y;
  cs.cx = cx;
  cs.cy = cy;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  auto abandon = [&](bool sendNcDestroy) -> HWND {
    Wnd* ww = FromHandleQuiet(hwnd);
    if (ww && sendNcDestroy) {
      Send(hwnd, WM_NCDESTROY, 0, 0);
      ww = FromHandleQuiet(hwnd);
    }
    if (ww) {
      RemoveWindowTimers(hwnd);
      RemoveWindowMessages(hwnd);
      ReleaseWindowPaint(ww);
      DestroyWindowMenus(ww);
      FreeWindow(ww);
    }
    return nullptr;
  };

  if (HooksInstalled(WH_CBT)) {
    CBT_CREATEWNDW cbt{&cs, HWND_TOP};
    if (CallHooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt)))
      return abandon(false);
    if (!FromHandleQuiet(hwnd)) return nullptr;
    w->rect = RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
  }

  if ((style & WS_THICKFRAME) || (!child && !(style & WS_POPUP))) {
    MINMAXINFO mmi{};
    RECT wr = w->rect;
    int mw = work.right - work.left, mh = work.bottom - work.top;
    RECT ins = NcFrameInsets(w->style, w->exStyle, false);
    mmi.ptMaxSize = POINT{mw + ins.left + ins.right, mh + ins.top - GetSystemMetrics(SM_CYCAPTION) + ins.bottom};
    mmi.ptMaxPosition = POINT{-ins.left, -ins.left};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    w = FromHandleQuiet(hwnd);
    if (!w) return nullptr;
    int ncx =
        std::clamp<int>(wr.right - wr.left, std::min(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x), mmi.ptMaxTrackSize.x);
    int ncy =
        std::clamp<int>(wr.bottom - wr.top, std::min(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y), mmi.ptMaxTrackSize.y);
    if (style & WS_THICKFRAME || !(style & WS_POPUP)) {
      w->rect.right = w->rect.left + ncx;
      w->rect.bottom = w->rect.top + ncy;
      cs.cx = ncx;
      cs.cy = ncy;
    }
  }
  w->normalRect = w->rect;

  if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) return abandon(true);
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;
  w->created = true;

  ComputeClient(w, w->rect, nullptr);
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;

  if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (FromHandleQuiet(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;

  Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;
  {
    POINT org{w->rect.left + w->client.left, w->rect.top + w->client.top};
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(org.x, org.y));
  }
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;

  if (child) SendParentNotify(w, WM_CREATE);
  if (!FromHandleQuiet(hwnd)) return nullptr;
  FireWinEvent(EVENT_OBJECT_CREATE, hwnd, OBJID_WINDOW, CHILDID_SELF);

  if (style & WS_VISIBLE) {
    int cmd = SW_SHOW;
    if (style & WS_MAXIMIZE) cmd = SW_SHOWMAXIMIZED;
    if (style & WS_MINIMIZE) cmd = SW_SHOWMINIMIZED;
    ShowWindow(hwnd, cmd);
  } else if (style & WS_MAXIMIZE) {
    ShowWindow(hwnd, SW_MAXIMIZE);
    ShowWindow(hwnd, SW_HIDE);
  }
  if (!FromHandleQuiet(hwnd)) return nullptr;
  return hwnd;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int cx, int cy,
                     HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
  return CreateWindowEx(exStyle, className, windowName, style, x, y, cx, cy, parent, menu, inst, param);
}

// ---- destruction ------------------------------------------------------------------------------
namespace {

void SendDestroyTree(HWND hwnd) {
  Send(hwnd, WM_DESTROY, 0, 0);
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  std::vector<HWND> kids;
  for (Wnd* c : w->children) kids.push_back(c->hwnd);
  for (HWND k : kids) {
    Wnd* kw = FromHandleQuiet(k);
    if (!kw || kw->destroying) continue;
    kw->destroying = true;
    SendDestroyTree(k);
  }
}

void FreeTree(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  std::vector<HWND> kids;
  for (Wnd* c : w->children) kids.push_back(c->hwnd);
  for (HWND k : kids) {
    Wnd* kw = FromHandleQuiet(k);
    if (kw && kw->destroying) FreeTree(k);
    else if (kw) {
      // A child created while its parent was dying: destroy it properly.
      kw->destroying = true;
      SendDestroyTree(k);
      FreeTree(k);
    }
  }
  Send(hwnd, WM_NCDESTROY, 0, 0);
  w = FromHandleQuiet(hwnd);
  if (!w) return;
  UiState& s = Ui();
  if (s.input.capture == hwnd) s.input.capture = nullptr;
  if (s.input.focus == hwnd) s.input.focus = nullptr;
  if (s.input.active == hwnd) s.input.active = nullptr;
  if (s.input.lastMouseWnd == hwnd) s.input.lastMouseWnd = nullptr;
  if (s.input.track.hwnd == hwnd) s.input.track = MouseTrack{};
  if (s.caret.hwnd == hwnd) s.caret = Caret{};
  if (s.input.lockUpdate == hwnd) s.input.lockUpdate = nullptr;
  if (s.input.lastClickWnd == hwnd) s.input.lastClickWnd = nullptr;
  RemoveWindowTimers(hwnd);
  RemoveWindowMessages(hwnd);
  RemoveWindowHooksState(hwnd);
  if (IsTopLevel(w)) ActiveBackend().WindowDestroyed(w);
  ReleaseWindowPaint(w);
  DestroyWindowMenus(w);
  for (HWND other : AllWindows()) {
    Wnd* o = FromHandleQuiet(other);
    if (o && o->owner == w) o->owner = nullptr;
    if (o && o->lastActivePopup == hwnd) o->lastActivePopup = nullptr;
  }
  FireWinEvent(EVENT_OBJECT_DESTROY, hwnd, OBJID_WINDOW, CHILDID_SELF);
  FreeWindow(w);
}

}  // namespace

BOOL DestroyWindow(HWND hwnd) {
  // Another thread's window may be destroyed meanwhile: look at its thread
  // under the table lock before touching it.
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> queue;
  if (!WindowThreadOf(hwnd, &tid, &queue)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (tid != CurrentTid()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Wnd* w = FromHandle(hwnd);
  if (!w || w == Desktop() || w == MessageRoot()) {
    if (w) SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  if (HooksInstalled(WH_CBT) && CallHooks(WH_CBT, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0)) return FALSE;
  w = FromHandleQuiet(hwnd);
  if (!w || w->destroying) return TRUE;
  w->destroying = true;

  if (w->style & WS_CHILD) SendParentNotify(w, WM_DESTROY);

  // Owned windows go first.
  if (IsTopLevel(w)) {
    std::vector<HWND> owned;
    for (HWND other : AllWindows()) {
      Wnd* o = FromHandleQuiet(other);
      if (o && o->owner == w && !o->destroying) owned.push_back(other);
    }
    for (HWND o : owned) DestroyWindow(o);
  }

  w = FromHandleQuiet(hwnd);
  if (!w) return TRUE;
  if (w->style & WS_VISIBLE) {
    // Hide first so that activation moves on and the parent repaints.
    w->destroying = false;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (IsTopLevel(w) ? 0 : 0));
    w = FromHandleQuiet(hwnd);
    if (!w) return TRUE;
    w->destroying = true;
  }
  OnWindowHiddenOrDestroyed(hwnd);
  w = FromHandleQuiet(hwnd);
  if (!w) return TRUE;
  // Capture inside the tree ends now (the window still exists for WM_CAPTURECHANGED).
  if (Wnd* cap = FromHandleQuiet(Ui().input.capture); cap && (cap == w || IsAncestorOf(w, cap))) ReleaseCapture();
  if (Wnd* f = FromHandleQuiet(Ui().input.focus); f && (f == w || IsAncestorOf(w, f))) {
    // Focus inside a dying child tree is simply lost.
    Ui().input.focus = nullptr;
  }

  SendDestroyTree(hwnd);
  FreeTree(hwnd);
  return TRUE;
}

// ---- queries ----------------------------------------------------------------------------------
BOOL IsWindow(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  return w != nullptr && w != MessageRoot();
}

BOOL IsWindowUnicode(HWND hwnd) { return FromHandleQuiet(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  return w && IsVisibleChain(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Wnd* p = FromHandleQuiet(parent);
  Wnd* w = FromHandleQuiet(hwnd);
  if (!p || !w) return FALSE;
  for (Wnd* x = w; x && (x->style & WS_CHILD); x = x->parent)
    if (x->parent == p) return TRUE;
  return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~static_cast<DWORD>(WS_DISABLED);
    Send(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    Send(hwnd, WM_CANCELMODE, 0, 0);
    w = FromHandleQuiet(hwnd);
    if (!w) return wasDisabled;
    w->style |= WS_DISABLED;
    if (Wnd* f = FromHandleQuiet(Ui().input.focus); f && (f == w || IsAncestorOf(w, f))) SetFocus(nullptr);
    if (Ui().input.capture == hwnd) ReleaseCapture();
    Send(hwnd, WM_ENABLE, FALSE, 0);
  }
  FireWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);
  return wasDisabled;
}

HWND GetParent(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return (w->parent && w->parent != Desktop()) ? w->parent->hwnd : nullptr;
  if (w->style & WS_POPUP) return w->owner ? w->owner->hwnd : nullptr;
  return nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Wnd* w = FromHandle(hwnd);
  if (!w || w == Desktop()) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent ? w->parent->hwnd : nullptr;
    case GA_ROOT: {
      Wnd* t = TopLevelOf(w);
      return t ? t->hwnd : nullptr;
    }
    case GA_ROOTOWNER: {
      Wnd* t = TopLevelOf(w);
      while (t && t->owner) t = t->owner;
      return t ? t->hwnd : nullptr;
    }
  }
  return nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  Wnd* w = FromHandle(hwnd);
  if (!w || w == Desktop()) return nullptr;
  Wnd* np = newParent ? (newParent == HWND_MESSAGE ? MessageRoot() : FromHandle(newParent)) : Desktop();
  if (!np) return nullptr;
  if (np == w || IsAncestorOf(w, np)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Wnd* old = w->parent;
  HWND oldHandle = (old == Desktop() || old == MessageRoot()) ? GetDesktopWindow() : old->hwnd;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (wasVisible) ShowWindow(hwnd, SW_HIDE);
  w = FromHandleQuiet(hwnd);
  if (!w) return nullptr;
  // Keep the on-screen position.
  RECT sr = ScreenRect(w);
  UnlinkFromParent(w);
  bool topBefore = IsTopLevel(w);
  LinkToParent(w, np, HWND_TOP);
  POINT org{0, 0};
  if (np != Desktop() && np != MessageRoot()) {
    org = ClientOrigin(np);
  }
  int cx = sr.right - sr.left, cy = sr.bottom - sr.top;
  if (np != Desktop() && np != MessageRoot() && Mirrored(np))
    w->rect = RECT{org.x - sr.right, sr.top - org.y, org.x - sr.right + cx, sr.top - org.y + cy};
  else w->rect = RECT{sr.left - org.x, sr.top - org.y, sr.left - org.x + cx, sr.top - org.y + cy};
  if (topBefore && !IsTopLevel(w)) {
    ActiveBackend().WindowDestroyed(w);
    if (w->backing) DeleteObject(w->backing);
    w->backing = nullptr;
    w->backingW = w->backingH = 0;
  }
  if (wasVisible) ShowWindow(hwnd, SW_SHOWNA);
  return oldHandle;
}

HWND GetDesktopWindow() { return Desktop()->hwnd; }
HWND GetShellWindow() { return nullptr; }

HWND GetWindow(HWND hwnd, UINT cmd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return nullptr;
  auto siblings = [&]() -> std::vector<Wnd*>* { return w->parent ? &w->parent->children : nullptr; };
  switch (cmd) {
    case GW_HWNDFIRST: {
      auto* s = siblings();
      return s && !s->empty() ? s->front()->hwnd : nullptr;
    }
    case GW_HWNDLAST: {
      auto* s = siblings();
      return s && !s->empty() ? s->back()->hwnd : nullptr;
    }
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
      auto* s = siblings();
      if (!s) return nullptr;
      auto it = std::find(s->begin(), s->end(), w);
      if (it == s->end()) return nullptr;
      if (cmd == GW_HWNDNEXT) return (it + 1) != s->end() ? (*(it + 1))->hwnd : nullptr;
      return it != s->begin() ? (*(it - 1))->hwnd : nullptr;
    }
    case GW_OWNER:
      return w->owner ? w->owner->hwnd : nullptr;
    case GW_CHILD:
      return w->children.empty() ? nullptr : w->children.front()->hwnd;
    case GW_ENABLEDPOPUP: {
      for (Wnd* c : Desktop()->children)
        if (c->owner == w && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) return c->hwnd;
      return nullptr;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  Wnd* w = hwnd ? FromHandle(hwnd) : Desktop();
  if (!w) return nullptr;
  return w->children.empty() ? nullptr : w->children.front()->hwnd;
}

HWND GetNextWindow(HWND hwnd, UINT cmd) { return GetWindow(hwnd, cmd); }

HWND GetLastActivePopup(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return nullptr;
  Wnd* p = FromHandleQuiet(w->lastActivePopup);
  if (p && (p->style & WS_VISIBLE) && !(p->style & WS_DISABLED) && p->owner == w) return p->hwnd;
  return hwnd;
}

namespace {
bool MatchesFind(Wnd* w, LPCWSTR className, LPCWSTR windowName) {
  if (className) {
    WndClass* c = FindClass(className);
    if (!c || w->cls != c) return false;
  }
  if (windowName && w->text != View(windowName)) return false;
  return true;
}
}  // namespace

HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  Wnd* p = parent ? (parent == HWND_MESSAGE ? MessageRoot() : FromHandle(parent)) : Desktop();
  if (!p) return nullptr;
  bool started = childAfter == nullptr;
  std::vector<Wnd*> kids = p->children;
  for (Wnd* c : kids) {
    if (!started) {
      if (c->hwnd == childAfter) started = true;
      continue;
    }
    if (!c->destroying && MatchesFind(c, className, windowName)) return c->hwnd;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}
HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  return FindWindowEx(parent, childAfter, className, windowName);
}
HWND FindWindow(LPCWSTR className, LPCWSTR windowName) { return FindWindowEx(nullptr, nullptr, className, windowName); }
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) { return FindWindow(className, windowName); }

namespace {
void CollectDescendants(Wnd* w, std::vector<HWND>& out) {
  for (Wnd* c : w->children) {
    out.push_back(c->hwnd);
    CollectDescendants(c, out);
  }
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  Wnd* p = parent ? FromHandle(parent) : Desktop();
  if (!p || !proc) return FALSE;
  std::vector<HWND> list;
  CollectDescendants(p, list);
  for (HWND h : list)
    if (FromHandleQuiet(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> list;
  for (Wnd* c : Desktop()->children) list.push_back(c->hwnd);
  for (HWND h : list)
    if (FromHandleQuiet(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> list;
  for (Wnd* c : Desktop()->children)
    if (c->tid == threadId) list.push_back(c->hwnd);
  for (HWND h : list)
    if (FromHandleQuiet(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  if (processId) *processId = static_cast<DWORD>(::getpid());
  return w->tid ? w->tid : CurrentTid();
}

DWORD GetWindowThreadId(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr); }

// ---- dialog item helpers ------------------------------------------------------------------------
int GetDlgCtrlID(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !(w->style & WS_CHILD)) return 0;
  return static_cast<int>(w->id);
}

HWND GetDlgItem(HWND dialog, int id) {
  Wnd* d = FromHandle(dialog);
  if (!d) return nullptr;
  for (Wnd* c : d->children)
    if ((c->style & WS_CHILD) && static_cast<int>(c->id) == id) return c->hwnd;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SendMessage(item, msg, wParam, lParam) : 0;
}
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessage(dialog, id, msg, wParam, lParam);
}
BOOL SetDlgItemText(HWND dialog, int id, LPCWSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SetWindowText(item, text) : FALSE;
}
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) { return SetDlgItemText(dialog, id, text); }
UINT GetDlgItemText(HWND dialog, int id, LPWSTR buffer, int size) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowText(item, buffer, size));
}
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size) { return GetDlgItemText(dialog, id, buffer, size); }

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  std::u16string t(s.begin(), s.end());
  return SetDlgItemText(dialog, id, t.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  WCHAR buf[64];
  if (!GetDlgItem(dialog, id)) return 0;
  GetDlgItemText(dialog, id, buf, 64);
  const WCHAR* p = buf;
  while (*p == u' ' || *p == u'\t') ++p;
  bool neg = false;
  if (*p == u'-' && isSigned) {
    neg = true;
    ++p;
  } else if (*p == u'+') {
    ++p;
  }
  if (*p < u'0' || *p > u'9') return 0;
  unsigned long long v = 0;
  while (*p >= u'0' && *p <= u'9') {
    v = v * 10 + static_cast<unsigned>(*p - u'0');
    if (v > 0xFFFFFFFFull) return 0;
    ++p;
  }
  while (*p == u' ' || *p == u'\t') ++p;
  if (*p) return 0;
  if (isSigned) {
    if ((!neg && v > 0x7FFFFFFFull) || (neg && v > 0x80000000ull)) return 0;
    if (translated) *translated = TRUE;
    return neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
  }
  if (translated) *translated = TRUE;
  return static_cast<UINT>(v);
}

// ---- text -------------------------------------------------------------------------------------
int GetWindowTextLength(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  return static_cast<int>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}
int GetWindowTextLengthW(HWND hwnd) { return GetWindowTextLength(hwnd); }

int GetWindowText(HWND hwnd, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> queue;
  if (!WindowThreadOf(hwnd, &tid, &queue)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (tid != CurrentTid()) {
    // Another thread's window: its text as stored, read under the lock.
    return std::max(CopyWndText(hwnd, buffer, size), 0);
  }
  return static_cast<int>(Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) { return GetWindowText(hwnd, buffer, size); }

int InternalGetWindowText(HWND hwnd, LPWSTR buffer, int size) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  return CopyOut(w->text, buffer, size);
}

BOOL SetWindowText(HWND hwnd, LPCWSTR text) {
  if (!FromHandle(hwnd)) return FALSE;
  return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) { return SetWindowText(hwnd, text); }

namespace pv::wm {
// DefWindowProc's part of the text messages.
LRESULT DefTextMessage(Wnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: {
      SetWndText(w, std::u16string(View(reinterpret_cast<LPCWSTR>(lParam))));
      if (IsTopLevel(w)) ActiveBackend().WindowTextChanged(w);
      if ((w->style & WS_CAPTION) == WS_CAPTION) RedrawWindow(w->hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      FireWinEvent(EVENT_OBJECT_NAMECHANGE, w->hwnd, OBJID_WINDOW, CHILDID_SELF);
      return TRUE;
    }
    case WM_GETTEXT:
      return CopyOut(w->text, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
  }
  return 0;
}
}  // namespace pv::wm

// ---- window longs -----------------------------------------------------------------------------
namespace {

bool ExtraRange(Wnd* w, int index, size_t bytes) {
  return index >= 0 && static_cast<size_t>(index) + bytes <= w->extra.size();
}

// A T in the window's extra bytes at `index`; false, with ERROR_INVALID_INDEX,
// when it does not fit there.
template <class T>
bool ReadExtra(Wnd* w, int index, T* out) {
  if (!ExtraRange(w, index, sizeof(T))) {
    SetLastError(ERROR_INVALID_INDEX);
    return false;
  }
  std::memcpy(out, w->extra.data() + index, sizeof(T));
  return true;
}

// Stores `value` there and answers what it replaced (0 when it does not fit).
template <class T>
T SwapExtra(Wnd* w, int index, T value) {
  T old{};
  if (!ReadExtra(w, index, &old)) return 0;
  std::memcpy(w->extra.data() + index, &value, sizeof(T));
  return old;
}

void ChangeStyle(HWND hwnd, int index, DWORD newValue) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  STYLESTRUCT ss{index == GWL_STYLE ? w->style : w->exStyle, newValue};
  Send(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  w = FromHandleQuiet(hwnd);
  if (!w) return;
  if (index == GWL_STYLE) {
    // WS_CHILD cannot be changed this way.
    ss.styleNew = (ss.styleNew & ~static_cast<DWORD>(WS_CHILD)) | (w->style & WS_CHILD);
    w->style = ss.styleNew;
  } else {
    // Topmost goes through SetWindowPos.
    ss.styleNew = (ss.styleNew & ~static_cast<DWORD>(WS_EX_TOPMOST)) | (w->exStyle & WS_EX_TOPMOST);
    if (!(ss.styleNew & WS_EX_LAYERED) && (w->exStyle & WS_EX_LAYERED)) {
      w->layeredAlpha = 255;
      w->layeredFlags = 0;
      w->layeredByUpdate = false;
    }
    w->exStyle = ss.styleNew;
  }
  Send(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
}
}  // namespace

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  if (index >= 0) {
    if (ExtraRange(w, index, sizeof(LONG_PTR))) {
      LONG_PTR v;
      std::memcpy(&v, w->extra.data() + index, sizeof(v));
      return v;
    }
    // A 32-bit value at the end of the extra bytes.
    LONG v = 0;
    return ReadExtra(w, index, &v) ? v : 0;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->inst);
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->hwnd : nullptr);
      return reinterpret_cast<LONG_PTR>(w->owner ? w->owner->hwnd : nullptr);
    case GWLP_ID:
      return (w->style & WS_CHILD) ? static_cast<LONG_PTR>(w->id) : reinterpret_cast<LONG_PTR>(w->menu);
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return GetWindowLongPtr(hwnd, index); }

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  if (w == Desktop()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  if (index >= 0) return SwapExtra(w, index, value);
  LONG_PTR old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (!value) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      w->inst = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) {
        SetParent(hwnd, reinterpret_cast<HWND>(value));
      } else {
        Wnd* o = FromHandleQuiet(reinterpret_cast<HWND>(value));
        while (o && !IsTopLevel(o)) o = o->parent;
        if (o == w) o = nullptr;
        w->owner = o;
        EnforceTopmostBands();
      }
      return old;
    case GWLP_ID:
      if (w->style & WS_CHILD) w->id = static_cast<UINT_PTR>(value);
      else w->menu = reinterpret_cast<HMENU>(value);
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE:
      ChangeStyle(hwnd, index, static_cast<DWORD>(value));
      return old;
    case GWLP_USERDATA:
      w->userData = value;
      return old;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongPtr(hwnd, index, value); }

// The 32-bit forms cannot carry pointers: procedures, instances and parents
// must go through the pointer-sized forms (as on every 64-bit system).
LONG GetWindowLong(HWND hwnd, int index) {
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (index >= 0) {
    Wnd* w = FromHandle(hwnd);
    LONG v = 0;
    return w && ReadExtra(w, index, &v) ? v : 0;
  }
  return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
}
LONG GetWindowLongW(HWND hwnd, int index) { return GetWindowLong(hwnd, index); }

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (index >= 0) {
    Wnd* w = FromHandle(hwnd);
    return w ? SwapExtra(w, index, value) : 0;
  }
  if (index == GWL_STYLE || index == GWL_EXSTYLE)
    return static_cast<LONG>(SetWindowLongPtr(hwnd, index, static_cast<LONG_PTR>(static_cast<DWORD>(value))));
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
}
LONG SetWindowLongW(HWND hwnd, int index, LONG value) { return SetWindowLong(hwnd, index, value); }
LONG GetWindowLongA(HWND hwnd, int index) { return GetWindowLong(hwnd, index); }
LONG SetWindowLongA(HWND hwnd, int index, LONG value) { return SetWindowLong(hwnd, index, value); }
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) { return GetWindowLongPtr(hwnd, index); }
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongPtr(hwnd, index, value); }

WORD GetWindowWord(HWND hwnd, int index) {
  Wnd* w = FromHandle(hwnd);
  WORD v = 0;
  return w && ReadExtra(w, index, &v) ? v : 0;
}

WORD SetWindowWord(HWND hwnd, int index, WORD value) {
  Wnd* w = FromHandle(hwnd);
  return w ? SwapExtra(w, index, value) : 0;
}

// ---- properties -------------------------------------------------------------------------------
namespace {
Prop* FindProp(Wnd* w, LPCWSTR name) {
  for (Prop& p : w->props) {
    if (IS_INTRESOURCE(name)) {
      if (p.atom && p.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))) return &p;
    } else if (!p.atom && SameName(p.name, View(name))) {
      return &p;
    }
  }
  return nullptr;
}
}  // namespace

BOOL SetProp(HWND hwnd, LPCWSTR name, HANDLE data) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !name) return FALSE;
  if (Prop* p = FindProp(w, name)) {
    p->data = data;
    return TRUE;
  }
  Prop p;
  if (IS_INTRESOURCE(name)) p.atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
  else p.name = std::u16string(View(name));
  p.data = data;
  w->props.push_back(std::move(p));
  return TRUE;
}
BOOL SetPropW(HWND hwnd, LPCWSTR name, HANDLE data) { return SetProp(hwnd, name, data); }

HANDLE GetProp(HWND hwnd, LPCWSTR name) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !name) return nullptr;
  Prop* p = FindProp(w, name);
  return p ? p->data : nullptr;
}
HANDLE GetPropW(HWND hwnd, LPCWSTR name) { return GetProp(hwnd, name); }

HANDLE RemoveProp(HWND hwnd, LPCWSTR name) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !name) return nullptr;
  Prop* p = FindProp(w, name);
  if (!p) return nullptr;
  HANDLE d = p->data;
  w->props.erase(w->props.begin() + (p - w->props.data()));
  return d;
}
HANDLE RemovePropW(HWND hwnd, LPCWSTR name) { return RemoveProp(hwnd, name); }

int EnumPropsEx(HWND hwnd, PROPENUMPROCEX proc, LPARAM lParam) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !proc) return -1;
  std::vector<Prop> copy = w->props;
  int last = -1;
  for (Prop& p : copy) {
    LPWSTR name = p.atom ? reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(p.atom)) : p.name.data();
    last = proc(hwnd, name, p.data, static_cast<ULONG_PTR>(lParam));
    if (!last) break;
  }
  return last;
}

BOOL SetWindowContextHelpId(HWND hwnd, DWORD id) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  w->helpId = id;
  return TRUE;
}
DWORD GetWindowContextHelpId(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  return w ? w->helpId : 0;
}

BOOL GetWindowInfo(HWND hwnd, PWINDOWINFO info) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !info) return FALSE;
  info->rcWindow = ScreenRect(w);
  info->rcClient = ScreenClient(w);
  info->dwStyle = w->style;
  info->dwExStyle = w->exStyle;
  info->dwWindowStatus = w->ncActive ? WS_ACTIVECAPTION : 0;
  RECT ins = NcFrameInsets(w->style & ~static_cast<DWORD>(WS_CAPTION & ~WS_BORDER & ~WS_DLGFRAME), w->exStyle, false);
  info->cxWindowBorders = static_cast<UINT>(ins.left);
  info->cyWindowBorders = static_cast<UINT>(ins.bottom);
  info->atomWindowType = w->cls ? w->cls->atom : 0;
  info->wCreatorVersion = 0x0500;
  return TRUE;
}
