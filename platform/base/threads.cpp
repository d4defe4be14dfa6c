#include "platform/base/threads.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/handletable.h"
#include "platform/base/lasterror.h"

namespace pv {
namespace {

// One lock and one condition for every waitable object: simple, and waits
// on several objects at once need nothing more.
struct WaitState {
  std::mutex mutex;
  std::condition_variable cond;
  // Open handles, generation-tagged: a closed handle never reaches a later object.
  detail::HandleTable<KernelObject> handles{detail::HandleTag::Kernel};
  std::map<std::u16string, KernelObject*> names;
};

WaitState& W() {
  static WaitState* state = new WaitState;  // used by threads still running at exit
  return *state;
}

std::atomic<DWORD> gNextThreadId{1};
thread_local DWORD tThreadId = 0;

void AbandonMutexesOf(DWORD id);

// Runs when a thread that ever asked for its id ends: mutexes it still owns
// are abandoned (the next waiter gets WAIT_ABANDONED) instead of staying
// locked for ever.
struct ThreadExitWatch {
  ~ThreadExitWatch() {
    if (tThreadId) AbandonMutexesOf(tThreadId);
  }
};
thread_local ThreadExitWatch tExitWatch;

DWORD CurrentId() {
  if (!tThreadId) {
    tThreadId = gNextThreadId++;
    (void)&tExitWatch;  // makes the watch exist for this thread
  }
  return tThreadId;
}

HANDLE const kCurrentThreadPseudo = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
HANDLE const kCurrentProcessPseudo = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

class Event final : public KernelObject {
 public:
  Event(bool manual, bool initial) : manual_(manual), signaled_(initial) {}
  bool IsSignaled() const override { return signaled_ || pulses_ > 0; }
  void OnAcquired() override {
    if (pulses_ > 0) {
      --pulses_;
      return;
    }
    if (!manual_) signaled_ = false;
  }
  bool manual_;
  bool signaled_;
  // Pulses still owed to the waiters that were waiting when PulseEvent ran.
  long pulses_ = 0;
  long waiters_ = 0;
};

class Mutex final : public KernelObject {
 public:
  bool IsSignaled() const override { return owner_ == 0 || owner_ == CurrentId(); }
  void OnAcquired() override {
    owner_ = CurrentId();
    ++count_;
  }
  bool TakeAbandoned() override {
    bool was = abandoned_;
    abandoned_ = false;
    return was;
  }
  DWORD owner_ = 0;
  long count_ = 0;
  bool abandoned_ = false;
};

class Semaphore final : public KernelObject {
 public:
  Semaphore(LONG count, LONG max) : count_(count), max_(max) {}
  bool IsSignaled() const override { return count_ > 0; }
  void OnAcquired() override { --count_; }
  LONG count_;
  LONG max_;
};

class Thread final : public KernelObject {
 public:
  bool IsSignaled() const override { return finished_; }
  bool finished_ = false;
  bool suspended_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
  DWORD id_ = 0;
  int priority_ = THREAD_PRIORITY_NORMAL;
};

struct ExitThreadSignal {
  DWORD code;
};

// Per-event count of threads inside a wait, for PulseEvent.
class WaiterCount {
 public:
  explicit WaiterCount(std::vector<KernelObject*>& objects) : objects_(objects) { Add(1); }
  ~WaiterCount() { Add(-1); }

 private:
  void Add(long d) {
    for (KernelObject* o : objects_) {
      if (auto* e = dynamic_cast<Event*>(o)) {
        e->waiters_ += d;
        // Pulses are owed only to threads still waiting: one that timed out
        // must not leave a pulse behind for a later waiter.
        if (e->pulses_ > e->waiters_) e->pulses_ = e->waiters_;
      }
    }
  }
  std::vector<KernelObject*>& objects_;
};

KernelObject* FindNamed(const char16_t* name) {
  if (!name || !*name) return nullptr;
  auto it = W().names.find(name);
  return it == W().names.end() ? nullptr : it->second;
}

template <class T>
HANDLE CreateNamed(LPCTSTR name, const std::function<T*()>& make) {
  WaitState& w = W();
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    if (KernelObject* existing = FindNamed(name)) {
      if (!dynamic_cast<T*>(existing)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
      }
      ++existing->refs;
      ++existing->handles;
      SetLastError(ERROR_ALREADY_EXISTS);
      return reinterpret_cast<HANDLE>(existing->handle);
    }
  }
  T* object = make();
  HANDLE h = NewHandle(object);
  if (name && *name) {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.names[name] = object;
  }
  SetLastError(ERROR_SUCCESS);
  return h;
}

template <class T>
T* Retain(HANDLE h) {
  KernelObject* o = RetainObject(h);
  T* t = dynamic_cast<T*>(o);
  if (!t && o) ReleaseObject(o);
  if (!t) SetLastError(ERROR_INVALID_HANDLE);
  return t;
}

void AbandonMutexesOf(DWORD id) {
  WaitState& w = W();
  bool any = false;
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.handles.ForEach([&](KernelObject* o) {
      auto* m = dynamic_cast<Mutex*>(o);
      if (m && m->owner_ == id) {
        m->owner_ = 0;
        m->count_ = 0;
        m->abandoned_ = true;
        any = true;
      }
    });
  }
  if (any) w.cond.notify_all();
}

}  // namespace

HANDLE NewHandle(KernelObject* object) {
  std::lock_guard<std::mutex> lock(W().mutex);
  object->handle = W().handles.Add(object);
  return reinterpret_cast<HANDLE>(object->handle);
}

void SetHandleReuseLastFreedForTesting(bool on) {
  std::lock_guard<std::mutex> lock(W().mutex);
  W().handles.SetReuseLastFreedForTesting(on);
}

KernelObject* RetainObject(HANDLE handle) {
  WaitState& w = W();
  std::lock_guard<std::mutex> lock(w.mutex);
  KernelObject* o = w.handles.Find(reinterpret_cast<uintptr_t>(handle));
  if (!o) return nullptr;
  ++o->refs;
  return o;
}

void ReleaseObject(KernelObject* object) {
  if (!object) return;
  WaitState& w = W();
  bool destroy = false;
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    if (--object->refs == 0) {
      w.handles.Remove(object->handle);  // normally gone already with its last handle
      for (auto it = w.names.begin(); it != w.names.end(); ++it) {
        if (it->second == object) {
          w.names.erase(it);
          break;
        }
      }
      destroy = true;
    }
  }
  if (destroy) delete object;
}

void ChangeState(const std::function<void()>& change) {
  {
    std::lock_guard<std::mutex> lock(W().mutex);
    change();
  }
  W().cond.notify_all();
}

void WakeWaiters() {
  { std::lock_guard<std::mutex> lock(W().mutex); }
  W().cond.notify_all();
}

DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD ms, const std::function<bool()>& extra) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count && !handles) || (count == 0 && !extra)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<KernelObject*> objects;
  for (DWORD i = 0; i < count; ++i) {
    KernelObject* o = handles[i] == kCurrentThreadPseudo ? nullptr : RetainObject(handles[i]);
    if (!o) {
      for (KernelObject* r : objects) ReleaseObject(r);
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(o);
  }
  DWORD result = WAIT_TIMEOUT;
  {
    WaitState& w = W();
    std::unique_lock<std::mutex> lock(w.mutex);
    WaiterCount counting(objects);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (waitAll && count) {
        bool all = true;
        for (KernelObject* o : objects) all = all && o->IsSignaled();
        if (all) {
          bool abandoned = false;
          for (KernelObject* o : objects) {
            o->OnAcquired();
            abandoned = o->TakeAbandoned() || abandoned;
          }
          result = abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
          break;
        }
      } else {
        bool done = false;
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->IsSignaled()) {
            objects[i]->OnAcquired();
            result = (objects[i]->TakeAbandoned() ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
            done = true;
            break;
          }
        }
        if (done) break;
      }
      if (extra && extra()) {
        result = WAIT_OBJECT_0 + count;
        break;
      }
      if (ms == 0) break;
      if (ms == INFINITE) {
        w.cond.wait(lock);
      } else if (w.cond.wait_until(lock, deadline) == std::cv_status::timeout) {
        // One last look: the state may have changed just as time ran out.
        ms = 0;
      }
    }
  }
  for (KernelObject* o : objects) ReleaseObject(o);
  return result;
}

}  // namespace pv

using pv::W;

// ---- threads --------------------------------------------------------------------------------------------

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* thread = new pv::Thread;
  thread->id_ = pv::gNextThreadId++;
  thread->suspended_ = (flags & CREATE_SUSPENDED) != 0;
  thread->refs = 2;  // the handle and the running thread
  HANDLE h;
  {
    std::lock_guard<std::mutex> lock(W().mutex);
    thread->handle = W().handles.Add(thread);
    h = reinterpret_cast<HANDLE>(thread->handle);
  }
  if (threadId) *threadId = thread->id_;
  try {
    std::thread([thread, start, parameter] {
      pv::tThreadId = thread->id_;
      {
        std::unique_lock<std::mutex> lock(W().mutex);
        W().cond.wait(lock, [&] { return !thread->suspended_; });
      }
      DWORD code;
      try {
        code = start(parameter);
      } catch (const pv::ExitThreadSignal& exit) {
        code = exit.code;
      }
      pv::AbandonMutexesOf(thread->id_);  // before anyone sees the thread end
      pv::ChangeState([&] {
        thread->exitCode_ = code;
        thread->finished_ = true;
      });
      pv::ReleaseObject(thread);
    }).detach();
  } catch (...) {
    std::lock_guard<std::mutex> lock(W().mutex);
    W().handles.Remove(thread->handle);
    delete thread;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return h;
}

DWORD ResumeThread(HANDLE h) {
  auto* t = pv::Retain<pv::Thread>(h);
  if (!t) return static_cast<DWORD>(-1);
  DWORD previous = 0;
  pv::ChangeState([&] {
    previous = t->suspended_ ? 1 : 0;
    t->suspended_ = false;
  });
  pv::ReleaseObject(t);
  return previous;
}

BOOL GetExitCodeThread(HANDLE h, LPDWORD exitCode) {
  if (!exitCode) return FALSE;
  auto* t = pv::Retain<pv::Thread>(h);
  if (!t) return FALSE;
  {
    std::lock_guard<std::mutex> lock(W().mutex);
    *exitCode = t->finished_ ? t->exitCode_ : STILL_ACTIVE;
  }
  pv::ReleaseObject(t);
  return TRUE;
}

void ExitThread(DWORD exitCode) { throw pv::ExitThreadSignal{exitCode}; }

DWORD GetThreadId(HANDLE h) {
  if (h == pv::kCurrentThreadPseudo) return GetCurrentThreadId();
  auto* t = pv::Retain<pv::Thread>(h);
  if (!t) return 0;
  DWORD id = t->id_;
  pv::ReleaseObject(t);
  return id;
}

DWORD GetCurrentThreadId() { return pv::CurrentId(); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
HANDLE GetCurrentThread() { return pv::kCurrentThreadPseudo; }
HANDLE GetCurrentProcess() { return pv::kCurrentProcessPseudo; }

BOOL SetThreadPriority(HANDLE h, int priority) {
  if (h == pv::kCurrentThreadPseudo) return TRUE;
  auto* t = pv::Retain<pv::Thread>(h);
  if (!t) return FALSE;
  pv::ChangeState([&] { t->priority_ = priority; });
  pv::ReleaseObject(t);
  return TRUE;
}

int GetThreadPriority(HANDLE h) {
  if (h == pv::kCurrentThreadPseudo) return THREAD_PRIORITY_NORMAL;
  auto* t = pv::Retain<pv::Thread>(h);
  if (!t) return 0x7FFFFFFF;  // THREAD_PRIORITY_ERROR_RETURN
  int p;
  {
    std::lock_guard<std::mutex> lock(W().mutex);
    p = t->priority_;
  }
  pv::ReleaseObject(t);
  return p;
}

BOOL SwitchToThread() {
  std::this_thread::yield();
  return TRUE;
}

void Sleep(DWORD ms) { pv::Clock::Sleep(ms); }

DWORD SleepEx(DWORD ms, BOOL) {
  pv::Clock::Sleep(ms);
  return 0;
}

// ---- events, mutexes, semaphores ----------------------------------------------------------------------------

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCTSTR name) {
  return pv::CreateNamed<pv::Event>(name, [&] { return new pv::Event(manualReset != FALSE, initialState != FALSE); });
}

BOOL SetEvent(HANDLE h) {
  auto* e = pv::Retain<pv::Event>(h);
  if (!e) return FALSE;
  pv::ChangeState([&] { e->signaled_ = true; });
  pv::ReleaseObject(e);
  return TRUE;
}

BOOL ResetEvent(HANDLE h) {
  auto* e = pv::Retain<pv::Event>(h);
  if (!e) return FALSE;
  pv::ChangeState([&] { e->signaled_ = false; });
  pv::ReleaseObject(e);
  return TRUE;
}

BOOL PulseEvent(HANDLE h) {
  auto* e = pv::Retain<pv::Event>(h);
  if (!e) return FALSE;
  pv::ChangeState([&] {
    e->signaled_ = false;
    // Manual reset: every current waiter may pass once; auto reset: one.
    e->pulses_ = e->waiters_ > 0 ? (e->manual_ ? e->waiters_ : 1) : 0;
  });
  pv::ReleaseObject(e);
  return TRUE;
}

HANDLE CreateMutex(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCTSTR name) {
  HANDLE h = pv::CreateNamed<pv::Mutex>(name, [&] {
    auto* m = new pv::Mutex;
    if (initialOwner) {
      m->owner_ = pv::CurrentId();
      m->count_ = 1;
    }
    return m;
  });
  return h;
}

BOOL ReleaseMutex(HANDLE h) {
  auto* m = pv::Retain<pv::Mutex>(h);
  if (!m) return FALSE;
  BOOL ok = TRUE;
  pv::ChangeState([&] {
    if (m->owner_ != pv::CurrentId() || m->count_ == 0) {
      ok = FALSE;
      return;
    }
    if (--m->count_ == 0) m->owner_ = 0;
  });
  if (!ok) SetLastError(ERROR_NOT_OWNER);
  pv::ReleaseObject(m);
  return ok;
}

HANDLE CreateSemaphore(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCTSTR name) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pv::CreateNamed<pv::Semaphore>(name, [&] { return new pv::Semaphore(initialCount, maximumCount); });
}

BOOL ReleaseSemaphore(HANDLE h, LONG releaseCount, LPLONG previousCount) {
  auto* s = pv::Retain<pv::Semaphore>(h);
  if (!s) return FALSE;
  BOOL ok = TRUE;
  pv::ChangeState([&] {
    if (releaseCount <= 0 || s->count_ > s->max_ - releaseCount) {
      ok = FALSE;
      return;
    }
    if (previousCount) *previousCount = s->count_;
    s->count_ += releaseCount;
  });
  if (!ok) SetLastError(ERROR_TOO_MANY_POSTS);
  pv::ReleaseObject(s);
  return ok;
}

BOOL CloseHandle(HANDLE h) {
  if (h == pv::kCurrentThreadPseudo || h == pv::kCurrentProcessPseudo) return TRUE;
  pv::KernelObject* o;
  {
    std::lock_guard<std::mutex> lock(W().mutex);
    o = W().handles.Find(reinterpret_cast<uintptr_t>(h));
    if (!o) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    // The handle value stops being valid once its last handle is closed,
    // even while a running thread or a wait still holds the object.
    if (--o->handles == 0) {
      W().handles.Remove(o->handle);
      // A named object disappears with its last handle: the name is free again.
      for (auto it = W().names.begin(); it != W().names.end(); ++it) {
        if (it->second == o) {
          W().names.erase(it);
          break;
        }
      }
    }
  }
  pv::ReleaseObject(o);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) { return pv::WaitForObjects(1, &h, false, ms, nullptr); }
DWORD WaitForSingleObjectEx(HANDLE h, DWORD ms, BOOL) { return WaitForSingleObject(h, ms); }

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  if (count == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return pv::WaitForObjects(count, handles, waitAll != FALSE, ms, nullptr);
}

DWORD WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, BOOL) {
  return WaitForMultipleObjects(count, handles, waitAll, ms);
}

// ---- critical sections ------------------------------------------------------------------------------------------

void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  cs->impl = new std::recursive_mutex;
  cs->LockCount = -1;
  cs->RecursionCount = 0;
  cs->OwningThread = 0;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD) {
  InitializeCriticalSection(cs);
  return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) {
  static_cast<std::recursive_mutex*>(cs->impl)->lock();
  ++cs->RecursionCount;
  cs->OwningThread = GetCurrentThreadId();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (!static_cast<std::recursive_mutex*>(cs->impl)->try_lock()) return FALSE;
  ++cs->RecursionCount;
  cs->OwningThread = GetCurrentThreadId();
  return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  if (--cs->RecursionCount == 0) cs->OwningThread = 0;
  static_cast<std::recursive_mutex*>(cs->impl)->unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  delete static_cast<std::recursive_mutex*>(cs->impl);
  cs->impl = nullptr;
}

// ---- thread-local storage -------------------------------------------------------------------------------------------
namespace pv {
namespace {
constexpr DWORD kTlsSlots = 1088;
struct TlsTable {
  std::mutex mutex;
  bool used[kTlsSlots] = {};
  unsigned generation[kTlsSlots] = {};
};
TlsTable& Tls() {
  static TlsTable* table = new TlsTable;
  return *table;
}
struct TlsValue {
  unsigned generation = 0;
  void* value = nullptr;
};
thread_local std::vector<TlsValue> tTls;
}  // namespace
}  // namespace pv

DWORD TlsAlloc() {
  pv::TlsTable& t = pv::Tls();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (DWORD i = 0; i < pv::kTlsSlots; ++i) {
    if (!t.used[i]) {
      t.used[i] = true;
      ++t.generation[i];  // values stored under an earlier owner of the slot read null
      return i;
    }
  }
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
  pv::TlsTable& t = pv::Tls();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (index >= pv::kTlsSlots || !t.used[index]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t.used[index] = false;
  return TRUE;
}

LPVOID TlsGetValue(DWORD index) {
  pv::TlsTable& t = pv::Tls();
  unsigned generation;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    if (index >= pv::kTlsSlots || !t.used[index]) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    generation = t.generation[index];
  }
  SetLastError(ERROR_SUCCESS);
  if (index >= pv::tTls.size() || pv::tTls[index].generation != generation) return nullptr;
  return pv::tTls[index].value;
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
  pv::TlsTable& t = pv::Tls();
  unsigned generation;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    if (index >= pv::kTlsSlots || !t.used[index]) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    generation = t.generation[index];
  }
  if (index >= pv::tTls.size()) pv::tTls.resize(index + 1);
  pv::tTls[index] = {generation, value};
  return TRUE;
}

// ---- framework classes
// --------------------------------------------------------------------------------------------------

CSyncObject::~CSyncObject() {
  if (m_hObject) CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD timeout) {
  DWORD r = WaitForSingleObject(m_hObject, timeout);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED ? TRUE : FALSE;
}

CCriticalSection::CCriticalSection() { InitializeCriticalSection(&m_sect); }
CCriticalSection::~CCriticalSection() { DeleteCriticalSection(&m_sect); }

BOOL CCriticalSection::Lock(DWORD timeout) {
  if (timeout == 0) return TryEnterCriticalSection(&m_sect);
  EnterCriticalSection(&m_sect);
  return TRUE;
}

BOOL CCriticalSection::Unlock() {
  LeaveCriticalSection(&m_sect);
  return TRUE;
}

CEvent::CEvent(BOOL initiallyOwn, BOOL manualReset, LPCTSTR name, LPSECURITY_ATTRIBUTES attributes) {
  m_hObject = ::CreateEvent(attributes, manualReset, initiallyOwn, name);
}

CMutex::CMutex(BOOL initiallyOwn, LPCTSTR name, LPSECURITY_ATTRIBUTES attributes) {
  m_hObject = ::CreateMutex(attributes, initiallyOwn, name);
}

CSemaphore::CSemaphore(LONG initialCount, LONG maxCount, LPCTSTR name, LPSECURITY_ATTRIBUTES attributes) {
  m_hObject = ::CreateSemaphore(attributes, initialCount, maxCount, name);
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_pObject(object) {
  if (initialLock) Lock();
}

BOOL CSingleLock::Lock(DWORD timeout) {
  if (!m_pObject || m_bAcquired) return m_bAcquired;
  m_bAcquired = m_pObject->Lock(timeout);
  return m_bAcquired;
}

BOOL CSingleLock::Unlock() {
  if (m_pObject && m_bAcquired) m_bAcquired = !m_pObject->Unlock();
  return !m_bAcquired;
}

BOOL CSingleLock::Unlock(LONG count, LPLONG previous) {
  if (m_pObject && m_bAcquired) m_bAcquired = !m_pObject->Unlock(count, previous);
  return !m_bAcquired;
}
