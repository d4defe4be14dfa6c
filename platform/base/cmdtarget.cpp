#include "platform/base/cmdtarget.h"

#include <atomic>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

DWORD CCmdTarget::InternalAddRef() {
  std::atomic_ref<LONG> ref(m_dwRef);
  return static_cast<DWORD>(ref.fetch_add(1, std::memory_order_relaxed) + 1);
}

DWORD CCmdTarget::InternalRelease() {
  std::atomic_ref<LONG> ref(m_dwRef);
  LONG current = ref.load(std::memory_order_relaxed);
  do {
    // An extra release must not drive the count negative or free twice.
    if (current <= 0) return 0;
  } while (!ref.compare_exchange_weak(current, current - 1, std::memory_order_acq_rel,
                                      std::memory_order_relaxed));
  if (current - 1 == 0) OnFinalRelease();
  return static_cast<DWORD>(current - 1);
}

void CCmdTarget::OnFinalRelease() { delete this; }
