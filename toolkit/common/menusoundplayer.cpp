#include "toolkit/common/menusoundplayer.h"

#include <system_error>

#include "platform/system/modules.h"

CTKMenuSoundPlayer::CTKMenuSoundPlayer() = default;

CTKMenuSoundPlayer::~CTKMenuSoundPlayer() {
  StopThread();
  if (m_hSoundModule) ::FreeLibrary(m_hSoundModule);
}

void CTKMenuSoundPlayer::Signal() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bWakeSignalled = true;
  }
  m_wake.notify_all();
}

void CTKMenuSoundPlayer::RequestSound(int code) {
  if (!m_thread.joinable()) StartThread();
  m_nRequest.store(code);
  Signal();
}

void CTKMenuSoundPlayer::StartThread() {
  m_nRequest.store(0);
  m_bQuit.store(false);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bWakeSignalled = false;
  }
  if (!m_hSoundModule) m_hSoundModule = ::LoadLibraryW(u"winmm.dll");
  FARPROC proc = m_hSoundModule ? ::GetProcAddress(m_hSoundModule, "PlaySoundW") : nullptr;
  m_pfnPlaySound.store(proc ? pv::ProcAs<BOOL(LPCWSTR, HMODULE, DWORD)>(proc) : nullptr);
  try {
    m_thread = std::thread([this] { SoundThreadProc(); });
  } catch (const std::system_error&) {
    // No worker: sounds stay unplayed and the next request tries again.
  }
}

void CTKMenuSoundPlayer::SoundThreadProc() {
  PFNPLAYSOUND play = m_pfnPlaySound.load();
  while (!m_bQuit.load()) {
    int code = m_nRequest.load();
    if (play && code == tkSoundMenuCommand) play(u"MenuCommand", nullptr, kPlayFlags);
    if (play && code == tkSoundMenuPopup) play(u"MenuPopup", nullptr, kPlayFlags);
    // Cleared only when unchanged: a request for the other sound made while
    // this one played is kept for the next round instead of being dropped.
    m_nRequest.compare_exchange_strong(code, tkSoundNone);

    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return m_bWakeSignalled; });
    if (m_bQuit.load()) break;
    m_bWakeSignalled = false;
  }
  if (play) play(nullptr, nullptr, kPurgeFlags);
}

BOOL CTKMenuSoundPlayer::StopThread() {
  if (!m_thread.joinable()) return FALSE;
  m_bQuit.store(true);
  Signal();
  // A sound in progress holds the worker inside PlaySoundW; stopping the
  // sound from here lets it return, so the join below never waits for long.
  if (PFNPLAYSOUND play = m_pfnPlaySound.load()) play(nullptr, nullptr, kPurgeFlags);
  m_thread.join();
  return TRUE;
}

CTKMenuSoundPlayer* GetMenuSoundPlayer() {
  static CTKMenuSoundPlayer player;
  return &player;
}
