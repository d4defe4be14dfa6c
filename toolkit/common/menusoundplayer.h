// Plays the system's menu sounds on the program's one worker thread.
//
// The UI thread hands a request code to the worker and wakes it; the worker
// plays whatever code it finds, then clears it unless a new code arrived
// meanwhile (requests are not queued: repeated requests during a sound
// merge into one). Sounds are played through
// "PlaySoundW" of "winmm", looked up by name when a worker starts, so the
// player works wherever a sound module is registered and stays silent where
// none is.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "platform/base/wintypes.h"

class CTKMenuSoundPlayer {
 public:
  enum SoundRequest { tkSoundNone = 0, tkSoundMenuCommand = 1, tkSoundMenuPopup = 2 };

  CTKMenuSoundPlayer();
  ~CTKMenuSoundPlayer();
  CTKMenuSoundPlayer(const CTKMenuSoundPlayer&) = delete;
  CTKMenuSoundPlayer& operator=(const CTKMenuSoundPlayer&) = delete;

  // Starts a worker when none runs, stores the code and wakes the worker.
  // Nothing happens while menu sounds are off.
  void RequestSound(int code);
  // Ends the worker: asks it to quit, stops the sound it plays and waits
  // for it up to kStopWaitMs. A worker stuck in the sound module beyond
  // that is left to end by itself (it keeps the state it shares with the
  // player alive), so the caller never hangs. FALSE when none ran.
  BOOL StopThread();
  BOOL IsThreadRunning() const { return m_thread.joinable(); }

  // Menu sounds on (the default) or off.
  void EnableSound(BOOL enable) { m_bEnabled.store(enable != FALSE); }
  BOOL IsSoundEnabled() const { return m_bEnabled.load(); }

  // PlaySoundW flags used here.
  static constexpr DWORD kPlayFlags = 0x12002;  // alias, no default sound, do not wait for a busy device
  static constexpr DWORD kPurgeFlags = 0x40;    // stop what plays
  // How long StopThread waits for the worker: ten waits of 100 ms.
  static constexpr DWORD kStopWaitMs = 1000;

 private:
  using PFNPLAYSOUND = BOOL (*)(LPCWSTR sound, HMODULE module, DWORD flags);
  struct Worker;  // what the player and its worker thread share

  void StartThread();
  static void SoundThreadProc(std::shared_ptr<Worker> worker);

  std::atomic<bool> m_bEnabled{true};
  std::shared_ptr<Worker> m_pWorker;
  std::thread m_thread;
  HMODULE m_hSoundModule = nullptr;
  // A worker was left running: the sound module stays loaded for it.
  bool m_bWorkerAbandoned = false;
};

// The process-wide player, made on first use and destroyed at exit.
CTKMenuSoundPlayer* GetMenuSoundPlayer();
