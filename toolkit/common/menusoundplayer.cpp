#include "toolkit/common/menusoundplayer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "platform/system/modules.h"

struct CTKMenuSoundPlayer::Worker {
  std::atomic<int> request{0};
  std::atomic<bool> quit{false};
  PFNPLAYSOUND play = nullptr;
  // The wake "event": manual reset, set by Signal, reset by the worker.
  std::mutex mutex;
  std::condition_variable wake;
  bool wakeSignalled = false;
  // Set by the worker as its last act.
  std::condition_variable ended;
  bool finished = false;

  void Signal() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      wakeSignalled = true;
    }
    wake.notify_all();
  }
};

CTKMenuSoundPlayer::CTKMenuSoundPlayer() = default;

CTKMenuSoundPlayer::~CTKMenuSoundPlayer() {
  StopThread();
  if (m_hSoundModule && !m_bWorkerAbandoned) ::FreeLibrary(m_hSoundModule);
}

void CTKMenuSoundPlayer::RequestSound(int code) {
  if (!m_bEnabled.load()) return;
  if (!m_thread.joinable()) StartThread();
  if (!m_pWorker) return;
  m_pWorker->request.store(code);
  m_pWorker->Signal();
}

void CTKMenuSoundPlayer::StartThread() {
  auto worker = std::make_shared<Worker>();
  if (!m_hSoundModule) m_hSoundModule = ::LoadLibraryW(u"winmm.dll");
  FARPROC proc = m_hSoundModule ? ::GetProcAddress(m_hSoundModule, "PlaySoundW") : nullptr;
  worker->play = proc ? pv::ProcAs<BOOL(LPCWSTR, HMODULE, DWORD)>(proc) : nullptr;
  try {
    m_thread = std::thread(&CTKMenuSoundPlayer::SoundThreadProc, worker);
    m_pWorker = std::move(worker);
  } catch (const std::system_error&) {
    // No worker: sounds stay unplayed and the next request tries again.
  }
}

void CTKMenuSoundPlayer::SoundThreadProc(std::shared_ptr<Worker> worker) {
  Worker& w = *worker;
  while (!w.quit.load()) {
    int code = w.request.load();
    if (w.play && code == tkSoundMenuCommand) w.play(u"MenuCommand", nullptr, kPlayFlags);
    if (w.play && code == tkSoundMenuPopup) w.play(u"MenuPopup", nullptr, kPlayFlags);
    // Cleared only when unchanged: a request for the other sound made while
    // this one played is kept for the next round instead of being dropped.
    w.request.compare_exchange_strong(code, tkSoundNone);

    std::unique_lock<std::mutex> lock(w.mutex);
    w.wake.wait(lock, [&w] { return w.wakeSignalled; });
    if (w.quit.load()) break;
    w.wakeSignalled = false;
  }
  if (w.play) w.play(nullptr, nullptr, kPurgeFlags);
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.finished = true;
  }
  w.ended.notify_all();
}

BOOL CTKMenuSoundPlayer::StopThread() {
  if (!m_thread.joinable()) return FALSE;
  std::shared_ptr<Worker> worker = std::move(m_pWorker);
  worker->quit.store(true);
  worker->Signal();
  // A sound in progress holds the worker inside PlaySoundW; stopping the
  // sound from here lets it return.
  if (worker->play) worker->play(nullptr, nullptr, kPurgeFlags);
  bool ended;
  {
    std::unique_lock<std::mutex> lock(worker->mutex);
    ended = worker->ended.wait_for(lock, std::chrono::milliseconds(kStopWaitMs), [&] { return worker->finished; });
  }
  if (ended) {
    m_thread.join();
  } else {
    // A sound module that ignores the purge: the worker ends whenever the
    // sound does, on the state it shares, and never touches the player.
    m_thread.detach();
    m_bWorkerAbandoned = true;
  }
  return TRUE;
}

CTKMenuSoundPlayer* GetMenuSoundPlayer() {
  static CTKMenuSoundPlayer player;
  return &player;
}
