// Threads and synchronisation: thread handles, events, mutexes, semaphores,
// waits with time-outs, critical sections, thread-local storage and the
// framework's lock classes.
//
// Every waitable handle is a pv::KernelObject; other layers may derive their
// own waitable kinds from it, and CloseHandle closes any of them. Waits use
// real time even while the process clock is fake (a blocked thread cannot
// be driven by a test's clock): tests synchronise with events and joins and
// use time-outs only as failure guards.
#pragma once

#include <atomic>
#include <functional>

#include "platform/base/wintypes.h"

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using PSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
using PTHREAD_START_ROUTINE = LPTHREAD_START_ROUTINE;

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_IO_COMPLETION 0x000000C0u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
#define STILL_ACTIVE 259u
#define CREATE_SUSPENDED 0x00000004u
#define TLS_OUT_OF_INDEXES 0xFFFFFFFFu
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_IDLE (-15)

namespace pv {

// A waitable object behind a HANDLE. State is read and changed under one
// process-wide wait lock (the object's methods are called with it held).
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Whether a wait by the calling thread would be satisfied now.
  virtual bool IsSignaled() const = 0;
  // Called when a wait is satisfied by this object (auto-reset events
  // reset, mutexes take an owner, semaphores count down).
  virtual void OnAcquired() {}
  // True when the acquisition abandoned a mutex (WAIT_ABANDONED).
  virtual bool TakeAbandoned() { return false; }

  std::atomic<long> refs{1};  // handles plus temporary holders
  long handles = 1;           // open handles (under the wait lock)
  uintptr_t handle = 0;       // its generation-tagged handle value (under the wait lock)
};

// Makes a handle for a new object (the handle owns one reference).
HANDLE NewHandle(KernelObject* object);
// The object behind a live handle, with a reference the caller releases
// with ReleaseObject; null for anything else.
KernelObject* RetainObject(HANDLE handle);
void ReleaseObject(KernelObject* object);
// Tests: the next handle takes the slot of the handle closed last, so a
// test reaches a reused slot without guessing (platform/base/handletable.h).
void SetHandleReuseLastFreedForTesting(bool on);
// Changes object state under the wait lock and wakes every waiter.
void ChangeState(const std::function<void()>& change);
// Wakes every waiter so it re-checks its condition (e.g. after a message
// was posted to a thread that waits with an extra condition).
void WakeWaiters();
// WaitForMultipleObjects with one more condition: when `extra` becomes true
// the wait ends with WAIT_OBJECT_0 + count. `extra` runs under the wait lock
// and must not block (read an atomic). Call WakeWaiters after making it true.
DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD ms, const std::function<bool()>& extra);

}  // namespace pv

// ---- threads --------------------------------------------------------------------------------------
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
[[noreturn]] void ExitThread(DWORD exitCode);  // only on threads made by CreateThread
DWORD GetThreadId(HANDLE thread);
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
HANDLE GetCurrentThread();                            // pseudo handle
HANDLE GetCurrentProcess();                           // pseudo handle
BOOL SetThreadPriority(HANDLE thread, int priority);  // recorded only
int GetThreadPriority(HANDLE thread);
BOOL SwitchToThread();
void Sleep(DWORD ms);  // on the process clock: a fake clock advances instead of sleeping
DWORD SleepEx(DWORD ms, BOOL alertable);

// ---- events, mutexes, semaphores ---------------------------------------------------------------------
// Named objects are not shared across processes; the same name within the
// process opens the same object (GetLastError() == ERROR_ALREADY_EXISTS).
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCTSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Releases the threads waiting now (one for an auto-reset event) and leaves
// the event reset.
BOOL PulseEvent(HANDLE event);
HANDLE CreateMutex(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCTSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateSemaphore(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCTSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount);
BOOL CloseHandle(HANDLE handle);

DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
DWORD WaitForSingleObjectEx(HANDLE handle, DWORD ms, BOOL alertable);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);
DWORD WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, BOOL alertable);

// ---- critical sections (recursive) -----------------------------------------------------------------------
struct CRITICAL_SECTION {
  void* impl;  // the lock, made by InitializeCriticalSection
  LONG LockCount;
  LONG RecursionCount;
  DWORD OwningThread;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
using PCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION cs);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);

// ---- thread-local storage ------------------------------------------------------------------------------------
// A freed index, when handed out again, reads null in every thread.
DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
LPVOID TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, LPVOID value);

// ---- the framework's synchronisation classes ---------------------------------------------------------------
class CSyncObject {
 public:
  explicit CSyncObject(LPCTSTR name = nullptr) noexcept {}
  virtual ~CSyncObject();
  CSyncObject(const CSyncObject&) = delete;
  CSyncObject& operator=(const CSyncObject&) = delete;

  virtual BOOL Lock(DWORD timeout = INFINITE);
  virtual BOOL Unlock() = 0;
  virtual BOOL Unlock(LONG count, LPLONG previous = nullptr) { return TRUE; }
  operator HANDLE() const noexcept { return m_hObject; }  // NOLINT

  HANDLE m_hObject = nullptr;
};

class CCriticalSection : public CSyncObject {
 public:
  CCriticalSection();
  ~CCriticalSection() override;
  BOOL Lock() { return Lock(INFINITE); }
  // Waits without limit (a critical section has no time-out) unless the
  // time-out is 0, which only tries.
  BOOL Lock(DWORD timeout) override;
  BOOL Unlock() override;
  operator CRITICAL_SECTION*() noexcept { return &m_sect; }  // NOLINT
  CRITICAL_SECTION m_sect;
};

class CEvent : public CSyncObject {
 public:
  explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE, LPCTSTR name = nullptr,
                  LPSECURITY_ATTRIBUTES attributes = nullptr);
  BOOL SetEvent() { return ::SetEvent(m_hObject); }
  BOOL PulseEvent() { return ::PulseEvent(m_hObject); }
  BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
  BOOL Unlock() override { return TRUE; }
};

class CMutex : public CSyncObject {
 public:
  explicit CMutex(BOOL initiallyOwn = FALSE, LPCTSTR name = nullptr, LPSECURITY_ATTRIBUTES attributes = nullptr);
  BOOL Unlock() override { return ::ReleaseMutex(m_hObject); }
};

class CSemaphore : public CSyncObject {
 public:
  explicit CSemaphore(LONG initialCount = 1, LONG maxCount = 1, LPCTSTR name = nullptr,
                      LPSECURITY_ATTRIBUTES attributes = nullptr);
  BOOL Unlock() override { return Unlock(1, nullptr); }
  BOOL Unlock(LONG count, LPLONG previous = nullptr) override { return ::ReleaseSemaphore(m_hObject, count, previous); }
};

class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock() { Unlock(); }
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;
  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL Unlock(LONG count, LPLONG previous = nullptr);
  BOOL IsLocked() const noexcept { return m_bAcquired; }

 private:
  CSyncObject* m_pObject;
  BOOL m_bAcquired = FALSE;
};
