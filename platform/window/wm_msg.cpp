// Messages: sending (direct calls, marshalled across threads), posting,
// the queue and message retrieval, dispatch, key translation, timers and
// hooks.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

namespace {
std::uint64_t Now() { return pv::Clock::TickCount64(); }

// The tick a posted message carries. As Windows does, it is the system tick,
// which moves every few milliseconds (never ahead of GetTickCount): reading
// the fine clock for every message cost more than the rest of posting.
std::uint64_t MessageTick() {
  if (pv::Clock::IsFake()) return pv::Clock::TickCount64();
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000 + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000;
}

bool FilterMatches(UINT msg, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  if (min <= max) return msg >= min && msg <= max;
  return msg >= min || msg <= max;
}

bool HwndMatches(HWND msgHwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return msgHwnd == nullptr;
  if (msgHwnd == filter) return true;
  return msgHwnd && IsChild(filter, msgHwnd);
}

struct IncomingScope {
  std::vector<std::shared_ptr<SentItem>>& stack;
  explicit IncomingScope(std::vector<std::shared_ptr<SentItem>>& s, std::shared_ptr<SentItem> item) : stack(s) {
    stack.push_back(std::move(item));
  }
  ~IncomingScope() { stack.pop_back(); }
};
// The sent messages this thread is delivering, innermost last
// (InSendMessageEx, ReplyMessage).
thread_local std::vector<std::shared_ptr<SentItem>> t_incoming;

void Complete(SentItem& item, LRESULT result) {
  if (item.done) return;
  item.result = result;
  if (item.sender) {
    {
      std::lock_guard<std::mutex> lock(item.sender->m);
      item.done = true;
    }
    item.sender->cv.notify_all();
    ActiveBackend().WakeUp();
  } else {
    item.done = true;
  }
}

// Delivers messages other threads sent to this one.
bool ProcessIncoming(ThreadQueue& q) {
  bool any = false;
  if (!q.incomingWaiting.load(std::memory_order_acquire)) return false;
  for (;;) {
    std::shared_ptr<SentItem> item;
    {
      std::lock_guard<std::mutex> lock(q.m);
      if (q.incoming.empty()) {
        q.incomingWaiting.store(false, std::memory_order_relaxed);
        break;
      }
      item = q.incoming.front();
      q.incoming.pop_front();
    }
    any = true;
    IncomingScope scope(t_incoming, item);
    q.inCrossSend = true;
    LRESULT r = 0;
    if (Wnd* w = FromHandleQuiet(item->hwnd)) r = CallProc(w, item->msg, item->wParam, item->lParam);
    q.inCrossSend = t_incoming.size() > 1;
    Complete(*item, r);
  }
  return any;
}
}  // namespace

LRESULT CallProc(Wnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = w->proc;
  HWND hwnd = w->hwnd;
  ThreadQueue& q = MyQueue();
  q.dispatchDepth++;
  LRESULT r = proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProc(hwnd, msg, wParam, lParam);
  q.dispatchDepth--;
  return r;
}

namespace {
// Sends to a window of this thread, found at `w`.
LRESULT SendHere(HWND hwnd, Wnd* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool hook = HooksInstalled(WH_CALLWNDPROC);
  if (hook) {
    CWPSTRUCT cwp{lParam, wParam, msg, hwnd};
    CallHooks(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&cwp));
    w = FromHandleQuiet(hwnd);
    if (!w) return 0;
  }
  LRESULT r = CallProc(w, msg, wParam, lParam);
  if (HooksInstalled(WH_CALLWNDPROCRET) && FromHandleQuiet(hwnd)) {
    CWPRETSTRUCT ret{r, lParam, wParam, msg, hwnd};
    CallHooks(WH_CALLWNDPROCRET, HC_ACTION, 0, reinterpret_cast<LPARAM>(&ret));
  }
  return r;
}
}  // namespace

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // This thread's own window, the common case, is found without the table
  // lock or a copy of its queue's pointer.
  if (Wnd* own = OwnWindow(hwnd)) return SendHere(hwnd, own, msg, wParam, lParam);
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> target;
  if (!WindowThreadOf(hwnd, &tid, &target)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (tid != CurrentTid() && tid != 0 && target) {
    // Another thread's window: nothing of it is touched here but its queue.
    auto me = CurrentQueue();
    auto item = std::make_shared<SentItem>();
    item->hwnd = hwnd;
    item->msg = msg;
    item->wParam = wParam;
    item->lParam = lParam;
    item->sender = me;
    {
      std::lock_guard<std::mutex> lock(target->m);
      target->incoming.push_back(item);
      target->incomingWaiting.store(true, std::memory_order_release);
    }
    WakeQueue(*target);
    for (;;) {
      ProcessIncoming(*me);
      std::unique_lock<std::mutex> lock(me->m);
      if (item->done) break;
      if (!FromHandleQuiet(hwnd)) return 0;
      me->cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return item->done || !me->incoming.empty(); });
      if (item->done) break;
    }
    return item->result;
  }
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  return SendHere(hwnd, w, msg, wParam, lParam);
}

void RemoveWindowMessages(HWND hwnd) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w || !w->queue) return;
  auto& q = *w->queue;
  std::lock_guard<std::mutex> lock(q.m);
  q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                 q.posted.end());
  q.pendingPos.erase(
      std::remove_if(q.pendingPos.begin(), q.pendingPos.end(), [&](const PendingPos& p) { return p.pos.hwnd == hwnd; }),
      q.pendingPos.end());
}

namespace {
UINT SetWindowPosMessage() {
  static const UINT msg = RegisterWindowMessage(u"PravenorSetWindowPos");
  return msg;
}

// Takes the request a SetWindowPos message names out of the queue; false
// when there is none (already taken, dropped with its window, or forged).
bool TakePendingPos(ThreadQueue& q, const MSG* msg, WINDOWPOS* out = nullptr) {
  std::lock_guard<std::mutex> lock(q.m);
  auto it = std::find_if(q.pendingPos.begin(), q.pendingPos.end(), [&](const PendingPos& p) {
    return p.serial == static_cast<std::uint64_t>(msg->lParam) && p.pos.hwnd == msg->hwnd;
  });
  if (it == q.pendingPos.end()) return false;
  if (out) *out = it->pos;
  q.pendingPos.erase(it);
  return true;
}
}  // namespace

// ---- timers -----------------------------------------------------------------------------------
void RemoveWindowTimers(HWND hwnd) {
  std::lock_guard<std::mutex> lock(Ui().timers.m);
  auto& t = Ui().timers.list;
  t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd; }), t.end());
}

namespace {
// Finds the calling thread's timer due first at `now` (of the window the
// filter admits). Copies it to `out` when given; `remove` sets it going again.
bool TakeDueTimer(HWND filter, std::uint64_t now, bool remove, Timer* out) {
  TimerTable& table = Ui().timers;
  std::lock_guard<std::mutex> lock(table.m);
  Timer* best = nullptr;
  DWORD tid = CurrentTid();
  for (Timer& t : table.list) {
    if (t.tid != tid || t.due > now) continue;
    if (!HwndMatches(t.hwnd, filter)) continue;
    if (!best || t.due < best->due || (t.due == best->due && t.seq < best->seq)) best = &t;
  }
  if (!best) return false;
  if (out) *out = *best;
  if (remove) {
    best->due = now + best->elapse;
    best->seq = ++table.seq;
  }
  return true;
}

// Whether the calling thread has a timer matching `match`.
template <typename Match>
bool HasTimer(Match match) {
  TimerTable& table = Ui().timers;
  std::lock_guard<std::mutex> lock(table.m);
  return std::any_of(table.list.begin(), table.list.end(), match);
}
}  // namespace

std::uint64_t NextTimerDue() {
  TimerTable& table = Ui().timers;
  std::lock_guard<std::mutex> lock(table.m);
  std::uint64_t next = UINT64_MAX;
  DWORD tid = CurrentTid();
  for (const Timer& t : table.list)
    if (t.tid == tid) next = std::min(next, t.due);
  return next;
}

namespace {}  // namespace

void WinEventHooksClear();

// ---- hooks ------------------------------------------------------------------------------------
// Any thread may install, remove and run hooks. The tables below change only
// under the tables' lock; a procedure is copied out under it and called without
// it, so it may install, remove or chain hooks. Removed entries stay (dead)
// while any hook procedure runs, so a chain in progress keeps its place.
namespace {
struct Hook {
  int id;
  HOOKPROC proc;
  DWORD tid;
  bool dead;
  uintptr_t serial;
};
struct WinEventHook {
  DWORD min, max;
  WINEVENTPROC proc;
  DWORD tid;
  DWORD flags;
  uintptr_t serial;
  bool dead;
};

// The hook tables of every thread. `mutex` guards all of it but `counts`,
// which is kept under it and read without it (a quick "any hooks of this
// kind?" before taking the lock).
struct HookTables {
  std::mutex mutex;
  std::vector<Hook> hooks;  // newest first
  int depth = 0;            // hook procedures running (all threads)
  uintptr_t nextSerial = 0x10;
  std::atomic<int> counts[16] = {};  // live hooks per kind (idHook + 1)
  // accessibility event hooks
  std::vector<WinEventHook> winEvents;
  uintptr_t nextWinEventSerial = 0x100;
  int winEventDepth = 0;  // event procedures running
};

HookTables& HookState() {
  static HookTables& t = *new HookTables;
  return t;
}
std::vector<Hook>& Hooks() { return HookState().hooks; }

void CompactHooksLocked() {
  if (HookState().depth) return;
  auto& h = Hooks();
  h.erase(std::remove_if(h.begin(), h.end(), [](const Hook& x) { return x.dead; }), h.end());
}

// The first live hook of the kind for this thread after position `from`.
int NextHookLocked(int id, size_t from) {
  auto& h = Hooks();
  DWORD tid = CurrentTid();
  for (size_t i = from; i < h.size(); ++i)
    if (!h[i].dead && h[i].id == id && (h[i].tid == 0 || h[i].tid == tid)) return static_cast<int>(i);
  return -1;
}

// Runs the hook at `index` (the caller holds the lock through `lock`).
LRESULT Invoke(std::unique_lock<std::mutex>& lock, size_t index, int code, WPARAM wParam, LPARAM lParam) {
  HOOKPROC proc = Hooks()[index].proc;
  HookState().depth++;
  lock.unlock();
  LRESULT r = proc(code, wParam, lParam);
  lock.lock();
  HookState().depth--;
  CompactHooksLocked();
  return r;
}
}  // namespace

bool HooksInstalled(int idHook) {
  int slot = idHook + 1;
  return slot >= 0 && slot < 16 && HookState().counts[slot].load() > 0;
}

LRESULT CallHooks(int idHook, int code, WPARAM wParam, LPARAM lParam) {
  std::unique_lock<std::mutex> lock(HookState().mutex);
  int i = NextHookLocked(idHook, 0);
  if (i < 0) return 0;
  return Invoke(lock, static_cast<size_t>(i), code, wParam, lParam);
}

// ---- hot keys ---------------------------------------------------------------------------------
// Registered per thread; the UI thread's state like the keys they watch.
namespace {
struct HotKey {
  HWND hwnd;
  int id;
  UINT mods;  // MOD_* with MOD_NOREPEAT
  UINT vk;
  DWORD tid;
};
std::vector<HotKey>& HotKeys() {
  static std::vector<HotKey>& h = *new std::vector<HotKey>;
  return h;
}
constexpr UINT kModMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

// Alt comes from the key's own context bit (29), as the key messages carry it.
UINT ModifiersDown(const MSG& msg) {
  const BYTE* k = Ui().input.keys;
  UINT mods = 0;
  if ((k[VK_MENU] & 0x80) || (static_cast<DWORD>(msg.lParam) & 0x20000000u)) mods |= MOD_ALT;
  if (k[VK_CONTROL] & 0x80) mods |= MOD_CONTROL;
  if (k[VK_SHIFT] & 0x80) mods |= MOD_SHIFT;
  if ((k[VK_LWIN] | k[VK_RWIN]) & 0x80) mods |= MOD_WIN;
  return mods;
}
}  // namespace

bool TakeHotKey(MSG* msg, bool* eat) {
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return false;
  UINT mods = ModifiersDown(*msg);
  DWORD tid = CurrentTid();
  for (const HotKey& h : HotKeys()) {
    if (h.tid != tid || h.vk != msg->wParam || (h.mods & kModMask) != mods) continue;
    bool repeat = (static_cast<DWORD>(msg->lParam) & 0x40000000u) != 0;
    if (repeat && (h.mods & MOD_NOREPEAT)) {
      *eat = true;
      return true;
    }
    msg->hwnd = h.hwnd;
    msg->message = WM_HOTKEY;
    msg->wParam = static_cast<WPARAM>(h.id);
    msg->lParam = MAKELPARAM(mods, h.vk);
    return true;
  }
  return false;
}

// A dying window's hot keys go with it.
void RemoveWindowHooksState(HWND hwnd) {
  auto& h = HotKeys();
  h.erase(std::remove_if(h.begin(), h.end(), [&](const HotKey& x) { return x.hwnd == hwnd; }), h.end());
}

void ResetHotKeys() { HotKeys().clear(); }

void ResetHooks() {
  {
    std::lock_guard<std::mutex> lock(HookState().mutex);
    auto& h = Hooks();
    for (Hook& x : h) x.dead = true;
    CompactHooksLocked();
    for (auto& c : HookState().counts) c.store(0);
  }
  WinEventHooksClear();
}

}  // namespace pv::wm

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  if (hwnd) {
    DWORD tid = 0;
    std::shared_ptr<ThreadQueue> owner;
    if (!WindowThreadOf(hwnd, &tid, &owner)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (tid != CurrentTid()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  if ((modifiers & ~(kModMask | MOD_NOREPEAT)) || vk == 0 || vk > 0xFE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // One combination, one hot key; the same window and id may hold several.
  for (const HotKey& h : HotKeys())
    if (h.vk == vk && (h.mods & kModMask) == (modifiers & kModMask)) {
      SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
      return FALSE;
    }
  HotKeys().push_back(HotKey{hwnd, id, modifiers, vk, CurrentTid()});
  return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
  auto& h = HotKeys();
  DWORD tid = CurrentTid();
  auto it =
      std::find_if(h.begin(), h.end(), [&](const HotKey& x) { return x.hwnd == hwnd && x.id == id && x.tid == tid; });
  if (it == h.end()) {
    SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
    return FALSE;
  }
  h.erase(it);
  return TRUE;
}

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (!proc || idHook < WH_MSGFILTER || idHook > WH_MOUSE_LL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(HookState().mutex);
  Hook h{idHook, proc, threadId, false, HookState().nextSerial++};
  Hooks().insert(Hooks().begin(), h);
  HookState().counts[idHook + 1]++;
  return reinterpret_cast<HHOOK>(h.serial);
}
HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE inst, DWORD threadId) {
  return SetWindowsHookEx(idHook, proc, inst, threadId);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  std::lock_guard<std::mutex> lock(HookState().mutex);
  for (Hook& h : Hooks())
    if (h.serial == reinterpret_cast<uintptr_t>(hook) && !h.dead) {
      h.dead = true;
      HookState().counts[h.id + 1]--;
      CompactHooksLocked();
      return TRUE;
    }
  SetLastError(ERROR_INVALID_HOOK_HANDLE);
  return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  std::unique_lock<std::mutex> lock(HookState().mutex);
  auto& h = Hooks();
  for (size_t i = 0; i < h.size(); ++i)
    if (h[i].serial == reinterpret_cast<uintptr_t>(hook)) {
      int next = NextHookLocked(h[i].id, i + 1);
      if (next < 0) return 0;
      return Invoke(lock, static_cast<size_t>(next), code, wParam, lParam);
    }
  return 0;
}

BOOL CallMsgFilter(LPMSG msg, int code) {
  if (!msg) return FALSE;
  if (HooksInstalled(WH_SYSMSGFILTER) && CallHooks(WH_SYSMSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg)))
    return TRUE;
  if (HooksInstalled(WH_MSGFILTER) && CallHooks(WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg))) return TRUE;
  return FALSE;
}
BOOL CallMsgFilterW(LPMSG msg, int code) { return CallMsgFilter(msg, code); }

// Accessibility events: delivered to the registered procedures at once, on
// the thread that raised them. The table shares the hook lock.
namespace {
std::vector<WinEventHook>& WinEventHooks() { return HookState().winEvents; }

void CompactWinEventHooksLocked() {
  if (HookState().winEventDepth) return;
  auto& v = WinEventHooks();
  v.erase(std::remove_if(v.begin(), v.end(), [](const WinEventHook& x) { return x.dead; }), v.end());
}
}  // namespace

namespace pv::wm {
void WinEventHooksClear() {
  std::lock_guard<std::mutex> lock(HookState().mutex);
  for (auto& h : WinEventHooks()) h.dead = true;
  CompactWinEventHooksLocked();
}

void FireWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) {
  pv::test::RecordWinEvent(event, hwnd, idObject, idChild);
  std::unique_lock<std::mutex> lock(HookState().mutex);
  auto& hooks = WinEventHooks();
  if (hooks.empty()) return;
  HookState().winEventDepth++;
  for (size_t i = 0; i < hooks.size(); ++i) {
    WinEventHook h = hooks[i];
    if (h.dead || event < h.min || event > h.max) continue;
    if ((h.flags & WINEVENT_SKIPOWNTHREAD) && (h.tid == 0 || h.tid == CurrentTid())) continue;
    if (h.flags & WINEVENT_SKIPOWNPROCESS) continue;
    if (h.tid && h.tid != CurrentTid()) continue;
    lock.unlock();
    h.proc(reinterpret_cast<HWINEVENTHOOK>(h.serial), event, hwnd, idObject, idChild, CurrentTid(),
           static_cast<DWORD>(pv::Clock::TickCount64()));
    lock.lock();
  }
  HookState().winEventDepth--;
  CompactWinEventHooksLocked();
}
}  // namespace pv::wm

HWINEVENTHOOK SetWinEventHook(DWORD eventMin, DWORD eventMax, HMODULE, WINEVENTPROC proc, DWORD, DWORD threadId,
                              DWORD flags) {
  if (!proc || eventMin > eventMax) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(HookState().mutex);
  WinEventHook h{eventMin, eventMax, proc, threadId, flags, HookState().nextWinEventSerial++, false};
  WinEventHooks().push_back(h);
  return reinterpret_cast<HWINEVENTHOOK>(h.serial);
}

BOOL UnhookWinEvent(HWINEVENTHOOK hook) {
  std::lock_guard<std::mutex> lock(HookState().mutex);
  for (auto& h : WinEventHooks())
    if (h.serial == reinterpret_cast<uintptr_t>(hook) && !h.dead) {
      h.dead = true;
      CompactWinEventHooksLocked();
      return TRUE;
    }
  return FALSE;
}

void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) {
  FireWinEvent(event, hwnd, idObject, idChild);
}

// ---- sending ----------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    // Any thread may broadcast: the list is read under the tree lock, and
    // each window is then reached through its handle.
    for (HWND h : TopLevelWindows())
      if (FromHandleQuiet(h)) Send(h, msg, wParam, lParam);
    return 0;
  }
  return Send(hwnd, msg, wParam, lParam);
}
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessage(hwnd, msg, wParam, lParam);
}

LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT, UINT, DWORD_PTR* result) {
  if (hwnd != HWND_BROADCAST && !FromHandle(hwnd)) return 0;
  LRESULT r = SendMessage(hwnd, msg, wParam, lParam);
  if (result) *result = static_cast<DWORD_PTR>(r);
  return 1;
}
LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            DWORD_PTR* result) {
  return SendMessageTimeout(hwnd, msg, wParam, lParam, flags, timeout, result);
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    SendMessage(hwnd, msg, wParam, lParam);
    return TRUE;
  }
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> q;
  if (!WindowThreadOf(hwnd, &tid, &q)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (tid == CurrentTid() || tid == 0 || !q) {
    Send(hwnd, msg, wParam, lParam);
    return TRUE;
  }
  auto item = std::make_shared<SentItem>();
  item->hwnd = hwnd;
  item->msg = msg;
  item->wParam = wParam;
  item->lParam = lParam;
  item->notify = true;
  {
    std::lock_guard<std::mutex> lock(q->m);
    q->incoming.push_back(item);
    q->incomingWaiting.store(true, std::memory_order_release);
  }
  WakeQueue(*q);
  return TRUE;
}
BOOL SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendNotifyMessage(hwnd, msg, wParam, lParam);
}

BOOL InSendMessage() { return CurrentQueue()->inCrossSend ? TRUE : FALSE; }
DWORD InSendMessageEx(LPVOID) {
  if (t_incoming.empty()) return ISMEX_NOSEND;
  auto& top = t_incoming.back();
  DWORD r = top->notify ? ISMEX_NOTIFY : ISMEX_SEND;
  if (top->done) r |= ISMEX_REPLIED;
  return r;
}

BOOL ReplyMessage(LRESULT result) {
  if (t_incoming.empty()) return FALSE;
  auto& top = t_incoming.back();
  if (top->done || top->notify) return FALSE;
  Complete(*top, result);
  return TRUE;
}

// ---- posting ----------------------------------------------------------------------------------
namespace {
bool PostTo(ThreadQueue& q, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = static_cast<DWORD>(MessageTick());
  if (q.tid == CurrentTid()) {
    m.pt = Ui().input.cursorPos;
  } else {
    std::uint64_t seen = q.cursorSeen.load();
    m.pt = POINT{static_cast<LONG>(static_cast<std::int32_t>(seen >> 32)),
                 static_cast<LONG>(static_cast<std::int32_t>(seen & 0xFFFFFFFFu))};
  }
  {
    std::lock_guard<std::mutex> lock(q.m);
    if (q.posted.size() >= 10000000) return false;  // a runaway poster must not eat the memory
    q.posted.push_back(m);
  }
  if (!q.signal.load(std::memory_order_relaxed)) q.signal.store(true);
  if (q.tid != CurrentTid()) WakeQueue(q);
  return true;
}
}  // namespace

namespace pv::wm {
bool PostSetWindowPos(ThreadQueue& q, const WINDOWPOS& pos) {
  std::uint64_t serial;
  {
    std::lock_guard<std::mutex> lock(q.m);
    serial = q.nextPosSerial++;
    q.pendingPos.push_back(PendingPos{serial, pos});
  }
  if (PostTo(q, pos.hwnd, SetWindowPosMessage(), 0, static_cast<LPARAM>(serial))) return true;
  std::lock_guard<std::mutex> lock(q.m);
  q.pendingPos.erase(
      std::remove_if(q.pendingPos.begin(), q.pendingPos.end(), [&](const PendingPos& p) { return p.serial == serial; }),
      q.pendingPos.end());
  return false;
}

}  // namespace pv::wm

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessage(CurrentTid(), msg, wParam, lParam);
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelWindows()) PostMessage(h, msg, wParam, lParam);
    return TRUE;
  }
  if (Wnd* w = OwnWindow(hwnd)) {  // this thread's window: its queue is this thread's
    if (PostTo(*w->queue, hwnd, msg, wParam, lParam)) return TRUE;
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  // Any thread may post: the window's queue is read under the table lock,
  // so a window destroyed meanwhile is never touched.
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> q;
  if (!WindowThreadOf(hwnd, &tid, &q)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!q) q = CurrentQueue();
  if (!PostTo(*q, hwnd, msg, wParam, lParam)) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  return TRUE;
}
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return PostMessage(hwnd, msg, wParam, lParam); }

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto q = QueueFor(threadId, threadId == CurrentTid());
  if (!q) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return PostTo(*q, nullptr, msg, wParam, lParam) ? TRUE : FALSE;
}
BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostThreadMessage(threadId, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> lock(q->m);
  q->quit = true;
  q->quitCode = exitCode;
}

// ---- retrieval --------------------------------------------------------------------------------
namespace {

bool Fetch(MSG* out, HWND filter, UINT min, UINT max, UINT flags, bool wait) {
  ThreadQueue& q = MyQueue();
  bool remove = (flags & PM_REMOVE) != 0;
  UINT cats = flags >> 16;
  if (!cats) cats = QS_ALLINPUT | QS_ALLPOSTMESSAGE;
  int dryStage = 0;
  for (;;) {
    q.cursorSeen.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(Ui().input.cursorPos.x)) << 32) |
                           static_cast<std::uint32_t>(Ui().input.cursorPos.y),
                       std::memory_order_relaxed);
    ProcessIncoming(q);
    ActiveBackend().Pump(0);
    if (cats & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) {
      std::unique_lock<std::mutex> lock(q.m);
      for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!FilterMatches(it->message, min, max) || !HwndMatches(it->hwnd, filter)) continue;
        *out = *it;
        if (remove) {
          if (it == q.posted.begin()) q.posted.pop_front();
          else q.posted.erase(it);
        }
        lock.unlock();
        goto got;
      }
      if (q.quit && FilterMatches(WM_QUIT, min, max)) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(q.quitCode);
        out->time = static_cast<DWORD>(Now());
        out->pt = Ui().input.cursorPos;
        if (remove) q.quit = false;
        lock.unlock();
        goto got;
      }
    }
    if (cats & QS_INPUT) {
      bool left = false;
      for (;;) {
        InputEvent ev;
        size_t index = 0;
        bool found = false;
        MSG m{};
        int hit = 0;
        HWND hitWnd = nullptr;
        bool offWindows = false;
        {
          std::lock_guard<std::mutex> lock(q.m);
          for (index = 0; index < q.input.size(); ++index) {
            ev = q.input[index];
            if (!ConvertInput(ev, &m, &hit, &hitWnd)) {
              // Nobody to receive it: input over no window of ours is dropped.
              q.input.erase(q.input.begin() + static_cast<long>(index));
              --index;
              offWindows = ev.message == WM_MOUSEMOVE || ev.message == kPointerLeftInput;
              if (offWindows) break;
              continue;
            }
            if (FilterMatches(m.message, min, max) && HwndMatches(m.hwnd, filter)) {
              found = true;
              break;
            }
          }
          if (found && remove) q.input.erase(q.input.begin() + static_cast<long>(index));
        }
        if (offWindows) {
          left = PointerOffWindows(ev.pt);
          if (left) break;  // the leave message comes first
          continue;
        }
        if (!found) break;
        bool eat = false;
        if (!remove) {
          TakeHotKey(&m, &eat);
          *out = m;
          goto got;
        }
        CommitInput(ev, &m, hit, hitWnd, &eat);
        if (eat) continue;
        TakeHotKey(&m, &eat);
        if (eat) continue;
        *out = m;
        goto got;
      }
      if (left) continue;
    }
    if (CheckHover()) continue;
    CheckCaretBlink();
    if ((cats & QS_PAINT) && FilterMatches(WM_PAINT, min, max) && q.paintPending > 0) {
      if (Wnd* pw = FindPaintWindow(q, filter)) {
        *out = MSG{};
        out->hwnd = pw->hwnd;
        out->message = WM_PAINT;
        out->time = static_cast<DWORD>(Now());
        out->pt = Ui().input.cursorPos;
        goto got;
      }
    }
    if ((cats & (QS_TIMER | QS_POSTMESSAGE)) && FilterMatches(WM_TIMER, min, max)) {
      std::uint64_t now = Now();
      Timer t;
      if (TakeDueTimer(filter, now, remove, &t)) {
        *out = MSG{};
        out->hwnd = t.hwnd;
        out->message = WM_TIMER;
        out->wParam = t.id;
        out->lParam = reinterpret_cast<LPARAM>(t.proc);
        out->time = static_cast<DWORD>(now);
        out->pt = Ui().input.cursorPos;
        goto got;
      }
    }
    PresentDirty();
    if (!wait) return false;
    {
      std::lock_guard<std::mutex> lock(q.m);
      if (!q.posted.empty() || !q.incoming.empty() || !q.input.empty() || q.quit) continue;
    }
    if (TestMode()) {
      // A loop waiting on a dry queue in a test would wait forever: end it
      // the way a user's Escape would, first by cancelling modes (menus,
      // drags), then by ending the loop as a cancel.
      if (dryStage == 0) {
        dryStage = 1;
        HWND target = Ui().input.capture ? Ui().input.capture : Ui().input.active;
        if (target && FromHandleQuiet(target)) Send(target, WM_CANCELMODE, 0, 0);
        if (Ui().input.capture) ReleaseCapture();
        continue;
      }
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = 2;  // IDCANCEL
      out->lParam = PV_DRY_CANCEL;
      out->time = static_cast<DWORD>(Now());
      pv::test::NoteDryCancel();
      q.last = *out;
      return true;
    }
    // Wait for a post, a send, input or the next timer.
    std::uint64_t due = NextTimerDue();
    std::uint64_t now = Now();
    int timeout = 100;
    if (due != UINT64_MAX) timeout = static_cast<int>(std::min<std::uint64_t>(due > now ? due - now : 0, 100));
    if (!ActiveBackend().Headless()) {
      ActiveBackend().Pump(std::max(timeout, 1));
    } else {
      std::unique_lock<std::mutex> lock(q.m);
      q.cv.wait_for(lock, std::chrono::milliseconds(std::max(timeout, 1)),
                    [&] { return q.wake || !q.posted.empty() || !q.incoming.empty() || !q.input.empty() || q.quit; });
      q.wake = false;
    }
  }
got:
  if (out->message >= WM_MOUSEFIRST && out->message <= WM_MOUSELAST) {
    // the message position follows the mouse
  }
  q.last = *out;
  if (HooksInstalled(WH_GETMESSAGE))
    CallHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(out));
  return true;
}

}  // namespace

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !FromHandle(hwnd)) return -1;
  Fetch(msg, hwnd, filterMin, filterMax, PM_REMOVE, true);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  return GetMessage(msg, hwnd, filterMin, filterMax);
}

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  MSG dummy;
  if (!msg) msg = &dummy;
  if (hwnd && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !FromHandle(hwnd)) return FALSE;
  return Fetch(msg, hwnd, filterMin, filterMax, removeFlags, false) ? TRUE : FALSE;
}
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return PeekMessage(msg, hwnd, filterMin, filterMax, removeFlags);
}

BOOL WaitMessage() {
  auto q = CurrentQueue();
  for (int i = 0;; ++i) {
    MSG m;
    if (PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) return TRUE;
    if (TestMode()) return TRUE;  // nothing will come: let the caller look again and decide
    std::unique_lock<std::mutex> lock(q->m);
    q->cv.wait_for(lock, std::chrono::milliseconds(20));
  }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask) {
  return MsgWaitForMultipleObjectsEx(count, handles, ms, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD ms, DWORD, DWORD flags) {
  auto q = CurrentQueue();
  q->signal.store(false);
  MSG m;
  if (PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) return WAIT_OBJECT_0 + count;
  bool waitAll = (flags & MWMO_WAITALL) != 0;
  if (count == 0 && (ms == 0 || TestMode())) return WAIT_TIMEOUT;  // nothing could end the wait in a test
  if (ActiveBackend().Headless()) {
    DWORD r = pv::WaitForObjects(count, handles, waitAll, ms, [q] { return q->signal.load(); });
    return r;
  }
  // On a desktop the platform events need pumping while waiting.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms == INFINITE ? 1000000000u : ms);
  for (;;) {
    if (count) {
      DWORD r = WaitForMultipleObjects(count, handles, waitAll, 0);
      if (r != WAIT_TIMEOUT) return r;
    }
    ActiveBackend().Pump(10);
    if (PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) return WAIT_OBJECT_0 + count;
    if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
  }
}

DWORD GetQueueStatus(UINT flags) {
  auto q = CurrentQueue();
  DWORD status = 0;
  {
    std::lock_guard<std::mutex> lock(q->m);
    if (!q->posted.empty()) status |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (!q->incoming.empty()) status |= QS_SENDMESSAGE;
    for (const InputEvent& e : q->input) {
      if (e.message == WM_MOUSEMOVE) status |= QS_MOUSEMOVE;
      else if (e.message >= WM_MOUSEFIRST && e.message <= WM_MOUSELAST) status |= QS_MOUSEBUTTON;
      else status |= QS_KEY;
    }
  }
  if (q->paintPending > 0) status |= QS_PAINT;
  if (TakeDueTimer(nullptr, Now(), false, nullptr)) status |= QS_TIMER;
  status &= flags;
  return (status << 16) | status;
}

BOOL GetInputState() { return (GetQueueStatus(QS_INPUT) & 0xFFFF) ? TRUE : FALSE; }

DWORD GetMessagePos() {
  const MSG& m = CurrentQueue()->last;
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y)));
}
LONG GetMessageTime() { return static_cast<LONG>(CurrentQueue()->last.time); }
LPARAM GetMessageExtraInfo() { return 0; }

// ---- dispatch ---------------------------------------------------------------------------------
LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Call the timer procedure only while its timer still exists.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool alive = HasTimer([&](const Timer& t) { return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc; });
    if (!alive) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(Now()));
    return 0;
  }
  if (!msg->hwnd) return 0;
  Wnd* w = OwnWindow(msg->hwnd);
  if (!w) {
    DWORD tid = 0;
    std::shared_ptr<ThreadQueue> owner;
    if (!WindowThreadOf(msg->hwnd, &tid, &owner)) {
      if (msg->message == SetWindowPosMessage()) TakePendingPos(MyQueue(), msg);  // its window died
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (tid != CurrentTid()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
    w = FromHandle(msg->hwnd);
    if (!w) return 0;
  }
  if (msg->message == SetWindowPosMessage()) {
    // Another thread's SetWindowPos, kept by value in this queue.
    WINDOWPOS wp{};
    if (TakePendingPos(MyQueue(), msg, &wp))
      SetWindowPos(wp.hwnd, wp.hwndInsertAfter, wp.x, wp.y, wp.cx, wp.cy, wp.flags & ~SWP_ASYNCWINDOWPOS);
    return 0;
  }
  if (msg->message == WM_TIMER) {
    bool alive = HasTimer([&](const Timer& t) { return t.hwnd == msg->hwnd && t.id == msg->wParam; });
    if (!alive) return 0;
  }
  HWND hwnd = msg->hwnd;
  if (msg->message == WM_PAINT) w->beganPaint = false;
  LRESULT r = CallProc(w, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) {
    w = FromHandleQuiet(hwnd);
    if (w && !w->beganPaint && NeedsPaint(w)) {
      // The procedure painted without BeginPaint: validate, or WM_PAINT
      // would come back for ever.
      ValidateWnd(w, nullptr, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT);
      w->eraseNeeded = false;
      w->frameNeeded = false;
      w->internalPaint = false;
      SetPaintPending(w);
    }
  }
  return r;
}
LRESULT DispatchMessageW(const MSG* msg) { return DispatchMessage(msg); }

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, msg, wParam, lParam);
}
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProc(proc, hwnd, msg, wParam, lParam);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN && msg->message != WM_KEYUP &&
      msg->message != WM_SYSKEYUP)
    return FALSE;
  if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP) return TRUE;
  WCHAR ch = 0;
  UINT scan = (static_cast<UINT>(msg->lParam) >> 16) & 0xFF;
  if (!TranslateKeyToChar(static_cast<UINT>(msg->wParam), scan, Ui().input.keys, &ch)) return TRUE;
  UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  // The character must come before any later input of this queue.
  auto q = CurrentQueue();
  MSG m{};
  m.hwnd = msg->hwnd;
  m.message = charMsg;
  m.wParam = ch;
  m.lParam = msg->lParam;
  m.time = msg->time;
  m.pt = msg->pt;
  {
    std::lock_guard<std::mutex> lock(q->m);
    q->posted.push_front(m);
  }
  return TRUE;
}

// ---- timers -----------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hwnd) {
    DWORD tid = 0;
    std::shared_ptr<ThreadQueue> owner;
    if (!WindowThreadOf(hwnd, &tid, &owner)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (tid != CurrentTid()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  UiState& s = Ui();
  DWORD tid = CurrentTid();
  std::uint64_t now = Now();
  std::lock_guard<std::mutex> lock(s.timers.m);
  if (!hwnd) {
    bool existing = false;
    for (const Timer& t : s.timers.list)
      if (!t.hwnd && t.id == id && t.tid == tid && id) existing = true;
    if (!existing) {
      do {
        id = s.timers.nextId++;
        if (s.timers.nextId > 0xFFFF) s.timers.nextId = 0x7F00;
      } while (std::any_of(s.timers.list.begin(), s.timers.list.end(),
                           [&](const Timer& t) { return !t.hwnd && t.id == id; }));
    }
  }
  for (Timer& t : s.timers.list)
    if (t.hwnd == hwnd && t.id == id && t.tid == tid) {
      t.elapse = elapse;
      t.proc = proc;
      t.due = now + elapse;
      t.seq = ++s.timers.seq;
      return hwnd ? (id ? id : 1) : id;
    }
  Timer t;
  t.hwnd = hwnd;
  t.id = id;
  t.elapse = elapse;
  t.proc = proc;
  t.due = now + elapse;
  t.seq = ++s.timers.seq;
  t.tid = tid;
  s.timers.list.push_back(t);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  DWORD tid = CurrentTid();
  {
    std::lock_guard<std::mutex> timersLock(Ui().timers.m);
    auto& t = Ui().timers.list;
    auto it =
        std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id && x.tid == tid; });
    if (it == t.end()) {
      SetLastError(ERROR_INVALID_CURSOR_HANDLE);
      return FALSE;
    }
    t.erase(it);
  }
  // Drop a WM_TIMER of it that already sits in the queue (posted copies).
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> lock(q->m);
  q->posted.erase(
      std::remove_if(q->posted.begin(), q->posted.end(),
                     [&](const MSG& m) { return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id; }),
      q->posted.end());
  return TRUE;
}
