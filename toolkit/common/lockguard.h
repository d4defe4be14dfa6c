// Scoped guards: a critical section held, a re-entry flag raised, for the
// lifetime of the object.
#pragma once

#include "platform/base/threads.h"

class CTKLockGuard {
 public:
  explicit CTKLockGuard(CRITICAL_SECTION* section) : m_pSection(section) {
    if (m_pSection) EnterCriticalSection(m_pSection);
  }
  explicit CTKLockGuard(CCriticalSection& section) : CTKLockGuard(&section.m_sect) {}
  ~CTKLockGuard() {
    if (m_pSection) LeaveCriticalSection(m_pSection);
  }
  CTKLockGuard(const CTKLockGuard&) = delete;
  CTKLockGuard& operator=(const CTKLockGuard&) = delete;

 private:
  CRITICAL_SECTION* m_pSection;
};

// Raises a re-entry flag for the lifetime of the object, unless it was
// already raised: Entered() tells the outermost caller, which alone lowers
// it again, however its body ends.
class CTKReentryGuard {
 public:
  explicit CTKReentryGuard(BOOL& flag) : m_flag(flag), m_entered(!flag) { m_flag = TRUE; }
  ~CTKReentryGuard() {
    if (m_entered) m_flag = FALSE;
  }
  CTKReentryGuard(const CTKReentryGuard&) = delete;
  CTKReentryGuard& operator=(const CTKReentryGuard&) = delete;
  bool Entered() const { return m_entered; }

 private:
  BOOL& m_flag;
  bool m_entered;
};
