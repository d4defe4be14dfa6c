// Helpers for tests of modal mouse loops on the fake clock: a script of
// steps run one per 10 ms tick of a thread timer whose procedure also moves
// the clock on, so that time passes while a loop waits for input (without
// it a dry queue cancels the loop at once).
#pragma once

#include <functional>
#include <vector>

#include "platform/base/clock.h"
#include "platform/window/winuser.h"

namespace tktest {

class ScriptTicker {
 public:
  // Each step runs on one tick; an empty step just lets 10 ms pass.
  explicit ScriptTicker(std::vector<std::function<void()>> steps) : m_steps(std::move(steps)) {
    s_current = this;
    m_timer = ::SetTimer(nullptr, 0, 10, &ScriptTicker::Tick);
    pv::Clock::AdvanceBy(10);  // the first tick is due when the loop starts
  }
  ~ScriptTicker() {
    ::KillTimer(nullptr, m_timer);
    s_current = nullptr;
  }
  ScriptTicker(const ScriptTicker&) = delete;
  ScriptTicker& operator=(const ScriptTicker&) = delete;

  size_t StepsRun() const { return m_next; }

 private:
  static void Tick(HWND, UINT, UINT_PTR, DWORD) {
    ScriptTicker* self = s_current;
    if (!self) return;
    if (self->m_next < self->m_steps.size()) {
      const size_t step = self->m_next++;
      if (self->m_steps[step]) self->m_steps[step]();
    }
    if (self->m_next >= self->m_steps.size()) {
      // Script done: time stands still again, so a loop still waiting runs dry and ends.
      ::KillTimer(nullptr, self->m_timer);
      return;
    }
    pv::Clock::AdvanceBy(10);
  }

  std::vector<std::function<void()>> m_steps;
  size_t m_next = 0;
  UINT_PTR m_timer = 0;
  static inline ScriptTicker* s_current = nullptr;
};

}  // namespace tktest
