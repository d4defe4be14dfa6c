// Internal structures of the window manager (not for callers).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/gdi/rectset.h"
#include "platform/window/winuser.h"

namespace pv::wm {

// ---- a rectangle set ------------------------------------------------------------------------
// Update regions are kept as rectangle sets in window coordinates; the
// window manager does its own bookkeeping and hands GDI regions out only
// when callers ask (GetUpdateRgn, BeginPaint clips). The set is GDI's
// (rectset.h), so both keep one canonical form: an empty or inverted
// rectangle adds, removes and keeps nothing, as the window calls take it.
class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r) { Add(r); }
  bool Empty() const { return set_.Empty(); }
  void Clear() { set_.rects.clear(); }
  void Add(const RECT& r);
  void Add(const Region& r);
  void Subtract(const RECT& r);
  void Subtract(const Region& r);
  void Intersect(const RECT& r);
  void Intersect(const Region& r);
  void Offset(int dx, int dy) { set_.Offset(dx, dy); }
  RECT Bounds() const { return set_.Box(); }
  bool Contains(POINT pt) const { return set_.Contains(pt.x, pt.y); }
  bool Intersects(const RECT& r) const { return set_.Intersects(r); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const { return set_.Complexity(); }
  // Top to bottom, left to right, in y-x bands.
  const std::vector<RECT>& Rects() const { return set_.rects; }
  HRGN ToHrgn(int dx = 0, int dy = 0) const;  // a new GDI region, offset
  static Region FromHrgn(HRGN rgn);

 private:
  pv::gdi::RectSet set_;
};

bool RectEmpty(const RECT& r);
RECT RectIntersect(const RECT& a, const RECT& b);
RECT RectOffset(RECT r, int dx, int dy);
inline RECT MakeRect(int l, int t, int r, int b) { return RECT{l, t, r, b}; }

// ---- classes and windows ----------------------------------------------------------------------
struct WndClass {
  ATOM atom = 0;
  std::u16string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE inst = nullptr;
  HICON icon = nullptr;
  HICON iconSm = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH brush = nullptr;
  std::u16string menuName;
  ULONG_PTR menuId = 0;  // MAKEINTRESOURCE menu names
  std::vector<BYTE> extra;
  bool global = false;
  int windows = 0;
};

struct ScrollBar {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT disabled = ESB_ENABLE_BOTH;
};

struct Prop {
  std::u16string name;  // empty for atoms
  ATOM atom = 0;
  HANDLE data = nullptr;
};

struct ThreadQueue;

// Threads and locks. The windows belong to the thread that created them: a
// window's fields are read and written on that thread only, without a lock.
// Other threads reach a window only through the calls documented as safe for
// any thread (PostMessage, SendMessage ...), and those read nothing of it but
// what the locks below guard:
// - the handle table lock (HandleTable, wm_core.cpp) guards the slot table (handle ->
//   window, generations, free slots, creation order) and, while it is held,
//   keeps every window it finds alive: FreeWindow takes the handle out of the
//   table before deleting the window. Under it other threads read a window's
//   `tid` and `queue` (fixed before the handle is published) and its `text`
//   (written under the lock by the owner thread).
// - the tree lock (TreeMutex) guards the shape of the tree: every `children`
//   list and `parent` link changes under it, and other threads read the
//   desktop's list (broadcasts) only under it. The owner thread reads its own
//   windows' lists without it.
// - the queue registry's lock (QueueRegistry, wm_core.cpp) guards the map
//   of thread ids to queues; each ThreadQueue's `m` guards its queues
//   (posted, input, incoming, pending positions, the quit flag).
// - the hook lock (HookTables, wm_msg.cpp) guards the hook and event hook
//   tables; hook procedures are called without it.
// - the registered message names have their own lock (wm_core.cpp).
// - the timer table has its own lock (TimerTable).
// - the rest of the window manager's state (UiState, and the tables each
//   unit keeps, whose comments say so) is the UI thread's.
struct Wnd {
  HWND hwnd = nullptr;
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> queue;
  WndClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::u16string text;   // changed under the handle table lock (SetWndText)
  UINT_PTR id = 0;       // child windows: the control id
  HMENU menu = nullptr;  // top-level windows: the menu bar
  HMENU sysMenu = nullptr;
  HINSTANCE inst = nullptr;
  LONG_PTR userData = 0;
  std::vector<BYTE> extra;
  Wnd* parent = nullptr;  // the desktop for top-level windows
  Wnd* owner = nullptr;
  std::vector<Wnd*> children;  // z-order: front() is the top
  RECT rect{};                 // window rectangle in the parent's client coordinates (screen for top-level)
  RECT client{};               // client rectangle relative to the window's top-left corner
  std::vector<Prop> props;
  // painting
  Region update;  // window coordinates
  bool eraseNeeded = false;
  bool frameNeeded = false;  // WM_NCPAINT pending
  bool internalPaint = false;
  bool painting = false;      // inside BeginPaint/EndPaint
  bool beganPaint = false;    // BeginPaint called for the WM_PAINT being dispatched
  bool redrawOff = false;     // WM_SETREDRAW FALSE
  bool paintCounted = false;  // counted in the queue's paintPending
  // state
  bool destroying = false;
  bool created = false;  // WM_NCCREATE answered
  bool messageOnly = false;
  RECT normalRect{};  // restored placement (parent client coordinates)
  POINT maxPos{-1, -1};
  POINT minPos{-1, -1};
  bool restoreToMaximized = false;
  bool ncActive = false;     // the frame shows as active (WM_NCACTIVATE's last word)
  HWND lastFocus = nullptr;  // top-level windows: the focus inside, given back on activation
  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
  ScrollBar hscroll;
  ScrollBar vscroll;
  bool hscrollShown = false;
  bool vscrollShown = false;
  // layering and shape
  BYTE layeredAlpha = 255;
  COLORREF layeredKey = 0;
  DWORD layeredFlags = 0;
  bool layeredByUpdate = false;  // content given by UpdateLayeredWindow
  HRGN windowRgn = nullptr;
  // top-level backing store
  HBITMAP backing = nullptr;
  int backingW = 0;
  int backingH = 0;
  bool backingDirty = false;
  HDC ownDC = nullptr;
  HWND lastActivePopup = nullptr;
  DWORD helpId = 0;
  WORD uiState = 0;
  void* backendData = nullptr;
};

// ---- handles ----------------------------------------------------------------------------------
// HWND values index a slot table and carry the slot's generation, so a handle
// of a destroyed window never finds the window that reused its slot.
[[gnu::noinline]] Wnd* LookupUnderLock(HWND hwnd);      // any thread's window, under the table lock
[[gnu::noinline]] Wnd* FromHandleElsewhere(HWND hwnd);  // the same, setting the last error for a stale handle

// The handle layout and the slot table, here so that the lookup of a window
// of the calling thread (nearly every lookup) is inlined at its callers.
constexpr unsigned kIndexBits = 20;
constexpr uintptr_t kIndexMask = (uintptr_t{1} << kIndexBits) - 1;
constexpr unsigned kGenMask = 0x7FF;  // keeps handles positive 32-bit values; a slot past it is retired
constexpr unsigned kChunkBits = 10;   // slots live in chunks of 1,024 that never move
constexpr size_t kChunkSize = size_t{1} << kChunkBits;
constexpr size_t kChunks = (kIndexMask + 1) >> kChunkBits;

// A slot's fields are written under the table lock and read either under it
// or, by the thread that owns the slot's window, without it (OwnWindow).
struct Slot {
  std::atomic<Wnd*> wnd{nullptr};
  std::atomic<unsigned> gen{1};
  std::atomic<DWORD> tid{0};  // the thread of the window last given the slot
};
// The chunks of slots, published under the table lock and never freed, so a
// slot's address is stable for the lock-free reads.
extern constinit std::atomic<Slot*> g_slotChunks[kChunks];

// The calling thread's id (the same as GetCurrentThreadId, so
// PostThreadMessage finds queues), read without a guard once known.
extern constinit thread_local DWORD t_currentTid;
DWORD FirstCurrentTid();
inline DWORD CurrentTid() {
  DWORD tid = t_currentTid;
  return tid ? tid : FirstCurrentTid();
}

// A live window of the calling thread, found without the table lock; null
// for any other handle (then ask LookupUnderLock). Only a window's own thread
// frees its handle, and this thread is here, so a slot found holding a
// window of this thread keeps it for as long as this thread does not destroy
// it. The window is read with acquire, which orders the thread stored before
// it (AllocHandle); a slot of another thread's window (or one changing under
// another thread) is never taken for ours.
[[gnu::always_inline]] inline Wnd* OwnWindow(HWND hwnd) {
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  size_t index = v & kIndexMask;
  if (index == 0 || v > 0x7FFFFFFFu) return nullptr;
  const Slot* chunk = g_slotChunks[index >> kChunkBits].load(std::memory_order_acquire);
  if (!chunk) return nullptr;
  const Slot& s = chunk[index & (kChunkSize - 1)];
  Wnd* w = s.wnd.load(std::memory_order_acquire);
  if (!w || s.tid.load(std::memory_order_relaxed) != CurrentTid() ||
      s.gen.load(std::memory_order_relaxed) != static_cast<unsigned>(v >> kIndexBits))
    return nullptr;
  return w;
}

// Null (and ERROR_INVALID_WINDOW_HANDLE) for a stale handle.
[[gnu::always_inline]] inline Wnd* FromHandle(HWND hwnd) {
  if (Wnd* w = OwnWindow(hwnd)) [[likely]]
    return w;
  return FromHandleElsewhere(hwnd);
}

// Null without touching the last error.
[[gnu::always_inline]] inline Wnd* FromHandleQuiet(HWND hwnd) {
  if (Wnd* w = OwnWindow(hwnd)) [[likely]]
    return w;
  return LookupUnderLock(hwnd);
}
HWND AllocHandle(Wnd* w);
void FreeHandle(HWND hwnd);
// Tests: the next window takes the slot freed last, and that slot gives
// `gen` next, so a test reaches a reused slot and its last generation
// without guessing or cycling it.
void SetWindowSlotReuseLastFreedForTesting(bool on);
void SetNextWindowGenerationForTesting(unsigned gen);
Wnd* Desktop();
Wnd* MessageRoot();
// Every live window in creation order (for enumeration).
std::vector<HWND> AllWindows();
// The thread and queue of a live window, read under the handle table lock so
// any thread may ask (false for a stale handle). The desktop and the
// message-only root have thread 0 and no queue.
bool WindowThreadOf(HWND hwnd, DWORD* tid, std::shared_ptr<ThreadQueue>* queue);
// A window's text: set by its thread, copied out by any thread.
void SetWndText(Wnd* w, std::u16string text);
int CopyWndText(HWND hwnd, LPWSTR buffer, int size);  // -1 for a stale handle
// The tree lock (see Wnd) and the desktop's children (top first) read under it.
std::recursive_mutex& TreeMutex();
std::vector<HWND> TopLevelWindows();

// ---- threads and queues --------------------------------------------------------------------

struct InputEvent {
  UINT message = 0;  // WM_MOUSEMOVE, WM_LBUTTONDOWN ..., WM_MOUSEWHEEL, WM_KEYDOWN ..., WM_CHAR
  POINT pt{};        // screen position (mouse)
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  ULONG_PTR extra = 0;
  WPARAM mouseKeys = 0;  // MK_* as they were when the input happened
};

struct SentItem {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  bool notify = false;  // SendNotifyMessage: nobody waits
  std::shared_ptr<ThreadQueue> sender;
};

// A SetWindowPos asked by another thread, waiting for the window's thread.
// The posted message that asks for it carries only its serial number, so a
// message dropped with its window leaks nothing and a forged one finds none.
struct PendingPos {
  std::uint64_t serial = 0;
  WINDOWPOS pos{};
};

struct ThreadQueue {
  DWORD tid = 0;
  std::mutex m;
  std::condition_variable cv;
  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  std::deque<std::shared_ptr<SentItem>> incoming;
  // Set with `incoming` growing (under `m`), cleared when the queue's thread
  // found it empty: lets that thread skip the lock when nobody sent.
  std::atomic<bool> incomingWaiting{false};
  std::deque<PendingPos> pendingPos;
  std::uint64_t nextPosSerial = 1;
  // The cursor position as the queue's thread last saw it: stamped on
  // messages other threads post (they must not read the UI state).
  std::atomic<std::uint64_t> cursorSeen{0};
  bool quit = false;
  int quitCode = 0;
  bool wake = false;
  std::atomic<bool> signal{false};  // something arrived (read without the lock)
  // owned by the queue's thread
  int sendDepth = 0;      // inside a sent message
  int dispatchDepth = 0;  // inside DispatchMessage / SendMessage
  bool inCrossSend = false;
  MSG last{};
  int paintPending = 0;  // windows of this thread with something to paint
};

std::shared_ptr<ThreadQueue> QueueFor(DWORD tid, bool create = true);
std::shared_ptr<ThreadQueue> CurrentQueue();
ThreadQueue& MyQueue();  // the calling thread's queue, without a reference count
void WakeQueue(ThreadQueue& q);

// ---- the state of the single UI ------------------------------------------------------------------
struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due = 0;
  std::uint64_t seq = 0;
  DWORD tid = 0;
};

struct Caret {
  HWND hwnd = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  POINT pos{};
  int hideCount = 1;
  bool drawn = false;     // inverted on screen now
  bool blinkOff = false;  // in the off phase of blinking
  std::uint64_t nextBlink = 0;
};

struct MouseTrack {
  HWND hwnd = nullptr;
  DWORD flags = 0;
  DWORD hoverTime = 0;
  std::uint64_t hoverStart = 0;
  POINT hoverPt{};
  bool hoverFired = false;
};

struct Monitor {
  RECT rect;
  RECT work;
  bool primary;
  std::u16string name;
};

// The UI thread's part of the window manager, in one owner. No lock guards
// it: only the thread that runs the user interface reads or writes it (see
// the threads paragraph above).
struct InputState {
  // activation, focus and capture
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND foregroundLost = nullptr;
  bool appActive = false;
  HWND lockUpdate = nullptr;
  // keyboard
  BYTE keys[256] = {};       // as seen by messages retrieved (GetKeyState)
  BYTE asyncKeys[256] = {};  // as injected (GetAsyncKeyState)
  // pointer
  POINT cursorPos{};
  HCURSOR cursor = nullptr;
  int cursorShowCount = 0;
  RECT clipCursor{};
  bool clipCursorOn = false;
  MouseTrack track;
  HWND lastMouseWnd = nullptr;  // for WM_MOUSELEAVE and WM_SETCURSOR
  // double clicks
  UINT lastClickMsg = 0;
  HWND lastClickWnd = nullptr;
  DWORD lastClickTime = 0;
  POINT lastClickPt{};
  bool lastWasDouble = false;
  // modes that route input
  bool inMenuMode = false;
  HWND menuOwner = nullptr;
  HWND moveSizeWnd = nullptr;
};

// Timers, each tagged with the thread that set it: a thread sees only its own.
// Any thread may set, kill and take its own timers, so `m` guards the list,
// `seq` and `nextId`; timer procedures are called without it.
struct TimerTable {
  std::mutex m;
  std::vector<Timer> list;
  std::uint64_t seq = 0;     // orders timers due at the same tick
  UINT_PTR nextId = 0x7F00;  // ids of timers without a window
};

// What SystemParametersInfo and its neighbours set and read.
struct SystemParameters {
  std::vector<Monitor> monitors;
  UINT caretBlink = 530;
  UINT doubleClickTime = 500;
  int doubleClickCx = 4;
  int doubleClickCy = 4;
  bool swapButtons = false;
  int wheelLines = 3;
  int wheelChars = 3;
  bool dragFullWindows = true;
  bool menuAnimation = false;
  bool menuFade = false;
  bool dropShadow = true;
  bool keyboardCues = false;
  bool flatMenu = false;
  bool uiEffects = true;
  std::vector<UINT> beeps;  // MessageBeep sounds asked for, in order
  int cascade = 0;          // where the next window placed by default goes
};

struct UiState {
  InputState input;
  TimerTable timers;
  Caret caret;
  SystemParameters system;
};

UiState& Ui();

// ---- internals shared between the units ------------------------------------------------------
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallProc(Wnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
void RemoveWindowTimers(HWND hwnd);
std::uint64_t NextTimerDue();          // the calling thread's first timer due, UINT64_MAX when none
void RemoveWindowMessages(HWND hwnd);  // posted messages and pending positions
// Queues a SetWindowPos for the window's own thread (from another thread).
bool PostSetWindowPos(ThreadQueue& q, const WINDOWPOS& pos);
void RemoveWindowHooksState(HWND hwnd);

// Geometry.
RECT ScreenRect(const Wnd* w);     // window rectangle on screen
RECT ScreenClient(const Wnd* w);   // client rectangle on screen
POINT ClientOrigin(const Wnd* w);  // screen position of client (0,0); RTL: right edge
bool Mirrored(const Wnd* w);
Wnd* TopLevelOf(Wnd* w);
bool IsTopLevel(const Wnd* w);
bool IsVisibleChain(const Wnd* w);  // visible with every ancestor
bool IsAncestorOf(const Wnd* anc, const Wnd* w);
RECT NcFrameInsets(DWORD style, DWORD exStyle, bool hasMenu);        // insets (left, top, right, bottom)
void ComputeClient(Wnd* w, const RECT& windowRect, WINDOWPOS* pos);  // sends WM_NCCALCSIZE
Wnd* HitWindow(POINT screen, int* hit);                              // the window under the point and its hit-test code
void UnlinkFromParent(Wnd* w);
void LinkToParent(Wnd* w, Wnd* parent, HWND insertAfter);
void EnforceTopmostBands();

// Activation and focus.
void ActivateWindow(HWND hwnd, int how, bool setFocus);
void OnWindowHiddenOrDestroyed(HWND hwnd);
HWND NextActivatable(HWND except);

// Painting.
void InvalidateWnd(Wnd* w, const Region* rgnWindowCoords, UINT flags);
bool LayeredByImage(Wnd* w);  // in a top-level window whose image UpdateLayeredWindow gives
// Whether a top-level layered window shows a pixel at a point of its window
// rectangle: not where it is fully transparent or has the colour key.
bool LayeredPixelShown(Wnd* top, int x, int y);
bool LayeredNeedsPixels(const Wnd* top);                   // per-pixel alpha or a colour key
bool LayeredPixelValueShown(const Wnd* top, uint32_t px);  // px: a backing pixel
void ValidateWnd(Wnd* w, const Region* rgnWindowCoords, UINT flags);
void SetPaintPending(Wnd* w);
bool NeedsPaint(const Wnd* w);
Wnd* FindPaintWindow(ThreadQueue& q, HWND filter);
void EnsureBacking(Wnd* top);
void ReleaseWindowPaint(Wnd* w);                                                  // on destroy: DCs, backing, regions
Region VisibleRegion(Wnd* w, bool client, bool clipChildren, bool clipSiblings);  // top-level coordinates
void PaintNow(Wnd* w, bool children, bool eraseOnly);
void MarkPresent(Wnd* w);
void PresentDirty();
RECT ClientToWindowRect(const Wnd* w, const RECT& client);
RECT WindowToClientRect(const Wnd* w, const RECT& win);
// drawWhileLocked: a DC asked for with DCX_LOCKWINDOWUPDATE draws into a window
// under LockWindowUpdate (drag outlines), where other DCs draw nothing.
HDC MakeWindowDC(Wnd* w, bool client, const Region* clip, bool clipChildren, bool clipSiblings,
                 bool drawWhileLocked = false);
void DrawNonClient(Wnd* w, HDC hdc);
// What the screen shows in `area` (screen coordinates), composed from the
// visible top-level windows, into premultiplied pixels (the area's top-left
// pixel at `bits`, rows `stride` bytes apart) (wm_screen.cpp).
void ComposeScreen(const RECT& area, uint32_t* bits, int stride);
// The desktop's DC: reading from it reads the screen as composed above.
HDC MakeScreenDC();

// Hooks.
bool HooksInstalled(int idHook);
LRESULT CallHooks(int idHook, int code, WPARAM wParam, LPARAM lParam);
void FireWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild);

// Input.
bool ConvertInput(const InputEvent& ev, MSG* out, int* hit, HWND* hitWnd);
void CommitInput(const InputEvent& ev, MSG* msg, int hit, HWND hitWnd, bool* eat);
void PostInput(const InputEvent& ev);
bool CheckHover();  // true when it posted WM_MOUSEHOVER
// Turns a key press taken off the queue into the WM_HOTKEY of a hot key of
// this thread; *eat when a held key repeats a MOD_NOREPEAT hot key.
bool TakeHotKey(MSG* msg, bool* eat);
// Input kind of the back end: the pointer went onto something that is not
// ours (another program's window, the desktop) at pt.
constexpr UINT kPointerLeftInput = WM_MOUSELEAVE;
// A move found no window of ours under the pointer: a tracked window hears
// WM_MOUSELEAVE. True when it posted something.
bool PointerOffWindows(POINT pt);
// Another program took the desktop's focus: modes end, the capture goes and
// the application is deactivated, as Windows does.
void DesktopFocusLost();
// The caret: drawn by inverting its rectangle; hidden around painting and scrolling.
void CaretErase(HWND hwnd);    // takes it off the screen if it is shown in hwnd (or any window when null)
void CaretRestore(HWND hwnd);  // puts it back if it should show
void CheckCaretBlink();
UINT TranslateKeyToChar(UINT vk, UINT scan, const BYTE* state, WCHAR* out);

// Menus (needed by the non-client code).
int MenuBarHeight(Wnd* w);
void DestroyWindowMenus(Wnd* w);
int TrackMenuBar(HWND hwnd, int startItem, bool keyboard);
// Enables the items of a window's system menu by its state (minimised,
// maximised, sizable ...).
void UpdateSystemMenuStates(HWND hwnd);

// Back end.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool Headless() const = 0;
  virtual void WindowShown(Wnd* w) {}
  virtual void WindowHidden(Wnd* w) {}
  virtual void WindowMoved(Wnd* w) {}
  virtual void WindowDestroyed(Wnd* w) {}
  virtual void WindowTextChanged(Wnd* w) {}
  virtual void WindowIconChanged(Wnd* w) {}  // the task bar shows the window's icon
  virtual void Present(Wnd* top) {}
  // Moves pending platform events into the queues. With timeoutMs > 0 waits
  // up to that long for one to come (or for WakeUp).
  virtual void Pump(int timeoutMs) {}
  virtual void WakeUp() {}
  virtual bool GetClipboardText(std::u16string* text) { return false; }
  virtual void SetClipboardText(const std::u16string& text) {}
  // True once another program has put something on the system clipboard
  // after our last SetClipboardText (then false until we set it again).
  virtual bool ClipboardChangedElsewhere() { return false; }
  virtual void SetCursorShape(HCURSOR cursor) {}
  virtual void SetCursorPos(int x, int y) {}
  // Where the desktop's input method opens its candidate window (screen).
  virtual void SetTextInputRect(const RECT& screen) {}
  // Whether the desktop iconifies minimised top-level windows (a window
  // manager with a task bar or icons). Without one our minimised windows
  // stay on the screen as their captions, lined up along the bottom.
  virtual bool IconifiesWindows() const { return true; }
};

// The back end in use: the desktop's when a display can be opened, else the
// headless one; chosen on first use (or set by SetBackend), the UI thread's.
Backend& ActiveBackend();
bool TestMode();  // a dry modal loop ends as a cancel instead of blocking
void SetBackend(std::unique_ptr<Backend> backend);
std::unique_ptr<Backend> MakeSdlBackend();  // null when no display can be opened

// Text from the system clipboard: UTF-8, else legacy 8-bit (GBK, else
// Windows-1252).
std::u16string DecodeSystemText(std::string_view bytes);
// The desktop minimised (iconic) or restored a top-level window itself (the
// task bar, the window manager's own controls): the window hears it as the
// matching WM_SYSCOMMAND, so its state follows the desktop's.
void DesktopIconicChanged(HWND hwnd, bool iconic);
// The desktop's input method (wm_ime.cpp): the text being composed (with
// the cursor's place in it; empty: cancelled) and the text committed, for
// the focus window; where the candidate window goes (the caret).
void ImeEditing(const std::u16string& text, int cursor);
void ImeCommit(const std::u16string& text);
void PlaceCandidates();
LRESULT DefImeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void ResetIme();
// Files dropped at a screen point: WM_DROPFILES is posted to the window there
// that accepts files (or its nearest accepting ancestor). False when none does.
bool DropFiles(const std::vector<std::u16string>& files, POINT screen);

// Classes the window manager creates itself are registered once by their units, on first use.
extern const char16_t kPopupMenuClass[];

}  // namespace pv::wm
