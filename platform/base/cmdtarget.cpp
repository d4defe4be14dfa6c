#include "platform/base/cmdtarget.h"

#include <atomic>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {
constexpr UINT kWmCommand = 0x0111;
constexpr UINT kUpdateCode = static_cast<UINT>(CN_UPDATE_COMMAND_UI);
pv::WaitCursorHook g_waitCursorHook = nullptr;

const AFX_MSGMAP_ENTRY kRootEntries[] = {{0, 0, 0, 0, nullptr, nullptr}};
const AFX_MSGMAP kRootMap = {nullptr, &kRootEntries[0]};
}  // namespace

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

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() { return &kRootMap; }
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return &kRootMap; }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT message) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
      UINT msg = e->pnRegMsg ? *e->pnRegMsg : e->nMessage;
      if (e->pnRegMsg && msg == 0) continue;  // not registered yet
      if (msg == message && e->nCode == 0 && e->nID == 0 && e->nLastID == 0) return e;
    }
  }
  return nullptr;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindCommandEntry(const AFX_MSGMAP* map, UINT nID, int nCode) {
  UINT message, code;
  if (nCode == CN_UPDATE_COMMAND_UI) {
    message = kWmCommand;
    code = kUpdateCode;
  } else {
    message = HIWORD(static_cast<UINT>(nCode));
    code = LOWORD(static_cast<UINT>(nCode));
    if (message == 0) message = kWmCommand;
  }
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
      if (e->pnRegMsg || e->nMessage != message) continue;
      if (nID < e->nID || nID > e->nLastID) continue;
      // Notification codes travel as 16 bits (negative codes included).
      bool match = code == kUpdateCode ? e->nCode == kUpdateCode
                                       : e->nCode != kUpdateCode && LOWORD(e->nCode) == code;
      if (match) return e;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  const AFX_MSGMAP_ENTRY* e = FindCommandEntry(GetMessageMap(), nID, nCode);
  if (!e) return FALSE;
  if (pHandlerInfo) {
    pHandlerInfo->pTarget = this;
    pHandlerInfo->pmf = e->pfn;
    return TRUE;
  }
  AFX_MSGCALL call;
  call.nID = nID;
  call.pExtra = pExtra;
  return e->pfn(this, call);
}

void CCmdTarget::BeginWaitCursor() {
  if (g_waitCursorHook) g_waitCursorHook(1);
}
void CCmdTarget::EndWaitCursor() {
  if (g_waitCursorHook) g_waitCursorHook(-1);
}
void CCmdTarget::RestoreWaitCursor() {
  if (g_waitCursorHook) g_waitCursorHook(0);
}

void pv::SetWaitCursorHook(WaitCursorHook hook) { g_waitCursorHook = hook; }
