// Threads and synchronisation. Threads meet through events and joins;
// time-outs only guard against a hang (a correct run never waits them out).
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/base/threads.h"

namespace {

constexpr DWORD kGuard = 30000;  // a hang guard, never reached when the code is right

TEST(Threads, ExitCodesIdsAndSuspendedStart) {
  struct Arg {
    HANDLE go;
    DWORD seenId;
  } arg{CreateEvent(nullptr, TRUE, FALSE, nullptr), 0};
  DWORD id = 0;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* a = static_cast<Arg*>(p);
        a->seenId = GetCurrentThreadId();
        WaitForSingleObject(a->go, INFINITE);
        return 42;
      },
      &arg, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(GetThreadId(thread), id);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);  // it waits for the event
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  SetEvent(arg.go);
  ASSERT_EQ(WaitForSingleObject(thread, kGuard), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(arg.seenId, id);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_FALSE(CloseHandle(thread));  // the handle is gone
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  CloseHandle(arg.go);

  // A suspended thread runs only after ResumeThread; ExitThread sets the code.
  std::atomic<bool> ran{false};
  HANDLE suspended = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        static_cast<std::atomic<bool>*>(p)->store(true);
        ExitThread(7);
      },
      &ran, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WaitForSingleObject(suspended, 0), WAIT_TIMEOUT);
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(ResumeThread(suspended), 1u);
  ASSERT_EQ(WaitForSingleObject(suspended, kGuard), WAIT_OBJECT_0);
  EXPECT_TRUE(ran.load());
  ASSERT_TRUE(GetExitCodeThread(suspended, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(suspended);
}

TEST(Events, ManualAndAutoResetSemantics) {
  HANDLE manual = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE automatic = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  SetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);  // stays set
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);  // initially set
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);   // the wait reset it
  // PulseEvent with nobody waiting leaves the event reset.
  SetEvent(manual);
  PulseEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

  // WaitForMultipleObjects: the lowest signalled index wins; "all" needs all.
  HANDLE a = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE b = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE both[2] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);  // "all" did not consume b
  SetEvent(b);
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);  // consumed by the "all" wait
  ResetEvent(a);
  SetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  // Bad handles fail instead of waiting.
  HANDLE junk[1] = {reinterpret_cast<HANDLE>(0x1234)};
  EXPECT_EQ(WaitForMultipleObjects(1, junk, FALSE, INFINITE), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(junk[0]));
  // Named events: the same name opens the same event.
  HANDLE n1 = CreateEvent(nullptr, TRUE, FALSE, u"Pravenor.Test.Event");
  HANDLE n2 = CreateEvent(nullptr, TRUE, FALSE, u"Pravenor.Test.Event");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  SetEvent(n1);
  EXPECT_EQ(WaitForSingleObject(n2, 0), WAIT_OBJECT_0);
  CloseHandle(n1);
  EXPECT_EQ(WaitForSingleObject(n2, 0), WAIT_OBJECT_0);  // still open through n2
  for (HANDLE h : {manual, automatic, a, b, n2}) EXPECT_TRUE(CloseHandle(h));
  // With its last handle closed the name is free: a new, unsignalled event.
  HANDLE n3 = CreateEvent(nullptr, TRUE, FALSE, u"Pravenor.Test.Event");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(n3, 0), WAIT_TIMEOUT);
  CloseHandle(n3);
}

TEST(Events, AutoResetReleasesOneWaiterPerSet) {
  HANDLE gate = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE through = CreateSemaphore(nullptr, 0, 100, nullptr);
  std::atomic<int> passed{0};
  constexpr int kWaiters = 4;
  std::vector<std::thread> threads;
  for (int i = 0; i < kWaiters; ++i) {
    threads.emplace_back([&] {
      if (WaitForSingleObject(gate, kGuard) == WAIT_OBJECT_0) ++passed;
      ReleaseSemaphore(through, 1, nullptr);
    });
  }
  // Each set lets exactly one thread through, whether it was already waiting
  // or arrives later to find the event set.
  for (int i = 1; i <= kWaiters; ++i) {
    SetEvent(gate);
    ASSERT_EQ(WaitForSingleObject(through, kGuard), WAIT_OBJECT_0);
    EXPECT_EQ(passed.load(), i);
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(WaitForSingleObject(gate, 0), WAIT_TIMEOUT);
  CloseHandle(gate);
  CloseHandle(through);
}

TEST(CriticalSections, ExcludeOtherThreadsAndAreRecursive) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long counter = 0;  // deliberately not atomic: only the lock protects it
  constexpr int kThreads = 8, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        EnterCriticalSection(&cs);
        EnterCriticalSection(&cs);  // recursive entry by the owner
        ++counter;
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, kThreads * kRounds);
  // TryEnter fails while another thread holds it, succeeds for the owner.
  HANDLE held = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    EnterCriticalSection(&cs);
    SetEvent(held);
    WaitForSingleObject(release, kGuard);
    LeaveCriticalSection(&cs);
  });
  ASSERT_EQ(WaitForSingleObject(held, kGuard), WAIT_OBJECT_0);
  EXPECT_FALSE(TryEnterCriticalSection(&cs));
  SetEvent(release);
  owner.join();
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
  CloseHandle(held);
  CloseHandle(release);

  // The framework classes over the same machinery.
  CCriticalSection section;
  long shared = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        CSingleLock lock(&section, TRUE);
        EXPECT_TRUE(lock.IsLocked());
        ++shared;
      }
    });
  }
  for (auto& t : workers) t.join();
  EXPECT_EQ(shared, 40000);
}

TEST(Mutexes, OwnershipRecursionAndSemaphoreCounts) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, nullptr);       // owned by this thread
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // recursive
  DWORD other = 0;
  std::thread([&] { other = WaitForSingleObject(mutex, 0); }).join();
  EXPECT_EQ(other, WAIT_TIMEOUT);
  DWORD otherError = 0;
  std::thread([&] {
    other = ReleaseMutex(mutex);
    otherError = GetLastError();
  }).join();
  EXPECT_FALSE(other);  // only the owner may release
  EXPECT_EQ(otherError, ERROR_NOT_OWNER);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));  // not owned any more
  std::thread([&] {
    other = WaitForSingleObject(mutex, 0);
    ReleaseMutex(mutex);
  }).join();
  EXPECT_EQ(other, WAIT_OBJECT_0);
  CloseHandle(mutex);

  // A thread that ends while owning a mutex abandons it: the next wait
  // succeeds with WAIT_ABANDONED instead of hanging.
  HANDLE orphan = CreateMutex(nullptr, FALSE, nullptr);
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(orphan, 0), WAIT_OBJECT_0); }).join();
  EXPECT_EQ(WaitForSingleObject(orphan, kGuard), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(orphan));  // now owned normally
  EXPECT_EQ(WaitForSingleObject(orphan, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(orphan));
  CloseHandle(orphan);

  HANDLE sem = CreateSemaphore(nullptr, 2, 3, nullptr);
  EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_TIMEOUT);
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(sem, 3, &previous));
  EXPECT_EQ(previous, 0);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(ReleaseSemaphore(sem, 1, nullptr));  // above the maximum
  EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_POSTS);
  CloseHandle(sem);
  EXPECT_EQ(CreateSemaphore(nullptr, 4, 3, nullptr), nullptr);

  CMutex framework;
  CSingleLock lock(&framework);
  EXPECT_TRUE(lock.Lock());
  EXPECT_TRUE(lock.Unlock());
  CEvent event(FALSE, TRUE);
  event.SetEvent();
  CSingleLock waitOnEvent(&event);
  EXPECT_TRUE(waitOnEvent.Lock(0));
}

TEST(Waits, ExtraConditionEndsAWait) {
  HANDLE never = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> posted{false};
  DWORD result = 0;
  std::thread waiter([&] { result = pv::WaitForObjects(1, &never, false, kGuard, [&] { return posted.load(); }); });
  posted = true;
  pv::WakeWaiters();
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0 + 1);
  CloseHandle(never);
}

TEST(ThreadLocalStorage, ValuesArePerThreadAndFreshAfterReuse) {
  DWORD slot = TlsAlloc();
  ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
  int mine = 1, theirs = 2;
  EXPECT_EQ(TlsGetValue(slot), nullptr);
  ASSERT_TRUE(TlsSetValue(slot, &mine));
  void* seen = &mine;
  std::thread([&] {
    seen = TlsGetValue(slot);
    TlsSetValue(slot, &theirs);
  }).join();
  EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(TlsGetValue(slot), &mine);
  ASSERT_TRUE(TlsFree(slot));
  EXPECT_FALSE(TlsFree(slot));
  EXPECT_FALSE(TlsSetValue(slot, &mine));
  // A reused index starts empty even in a thread that had stored a value.
  std::set<DWORD> taken;
  DWORD again = TLS_OUT_OF_INDEXES;
  for (int i = 0; i < 2000 && again != slot; ++i) {
    again = TlsAlloc();
    if (again == TLS_OUT_OF_INDEXES) break;
    taken.insert(again);
  }
  ASSERT_TRUE(taken.count(slot));
  EXPECT_EQ(TlsGetValue(slot), nullptr);
  for (DWORD t : taken) TlsFree(t);
}

}  // namespace
