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
#include <condition_variable>
#include <mutex>
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
  void RequestSound(int code);
  // Ends the worker cooperatively and joins it. FALSE when none ran.
  BOOL StopThread();
  BOOL IsThreadRunning() const { return m_thread.joinable(); }

  // PlaySoundW flags used here.
  static constexpr DWORD kPlayFlags = 0x12002;  // alias, no default sound, do not wait for a busy device
  static constexpr DWORD kPurgeFlags = 0x40;     // stop what plays

 private:
  using PFNPLAYSOUND = BOOL (*)(LPCWSTR sound, HMODULE module, DWORD flags);

  void StartThread();
  void SoundThreadProc();
  void Signal();

  std::atomic<int> m_nRequest{0};
  std::atomic<bool> m_bQuit{false};
  // The wake "event": manual reset, set by Signal, reset by the worker.
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_bWakeSignalled = false;
  std::thread m_thread;
  HMODULE m_hSoundModule = nullptr;
  std::atomic<PFNPLAYSOUND> m_pfnPlaySound{nullptr};
};

// The process-wide player, made on first use and destroyed at exit.
CTKMenuSoundPlayer* GetMenuSoundPlayer();
