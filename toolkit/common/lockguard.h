// Enters a critical section for the lifetime of the object.
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
