#include "platform/base/cmdtarget.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "platform/base/com.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {
constexpr UINT kWmCommand = 0x0111;
constexpr UINT kUpdateCode = static_cast<UINT>(CN_UPDATE_COMMAND_UI);
pv::WaitCursorHook g_waitCursorHook = nullptr;

const AFX_MSGMAP_ENTRY kRootEntries[] = {{0, 0, 0, 0, nullptr, nullptr}};
const AFX_MSGMAP kRootMap = {nullptr, &kRootEntries[0]};

const AFX_INTERFACEMAP_ENTRY kRootInterfaceEntries[] = {{nullptr, nullptr}};
const AFX_INTERFACEMAP kRootInterfaceMap = {nullptr, &kRootInterfaceEntries[0]};
}  // namespace

// The automation part: a dispatch interface without members whose IUnknown
// is the object's.
class CCmdTarget::XDispatch final : public IDispatch {
 public:
  explicit XDispatch(CCmdTarget* outer) : m_pOuter(outer) {}
  ~XDispatch() override = default;
  STDMETHOD(QueryInterface)(REFIID riid, void** object) override {
    return m_pOuter->ExternalQueryInterface(&riid, object);
  }
  STDMETHOD_(ULONG, AddRef)() override { return m_pOuter->ExternalAddRef(); }
  STDMETHOD_(ULONG, Release)() override { return m_pOuter->ExternalRelease(); }
  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    if (ids)
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  CCmdTarget* m_pOuter;
};

CCmdTarget::~CCmdTarget() { delete m_pDispatch; }

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
  } while (!ref.compare_exchange_weak(current, current - 1, std::memory_order_acq_rel, std::memory_order_relaxed));
  if (current - 1 == 0) OnFinalRelease();
  return static_cast<DWORD>(current - 1);
}

void CCmdTarget::OnFinalRelease() { delete this; }

// ---- interfaces -----------------------------------------------------------------------------------

const AFX_INTERFACEMAP* CCmdTarget::GetThisInterfaceMap() { return &kRootInterfaceMap; }
const AFX_INTERFACEMAP* CCmdTarget::GetInterfaceMap() const { return &kRootInterfaceMap; }

IUnknown* CCmdTarget::GetInterface(const GUID* iid) {
  if (!iid) return nullptr;
  const bool unknown = *iid == IID_IUnknown;
  for (const AFX_INTERFACEMAP* map = GetInterfaceMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_INTERFACEMAP_ENTRY* e = map->pEntries; e->pfnPart; ++e) {
      // Interfaces derive singly from IUnknown, so a part's interface
      // pointer is also its IUnknown pointer.
      if (unknown || *e->piid == *iid) return static_cast<IUnknown*>(e->pfnPart(this));
    }
  }
  if (m_pDispatch && (unknown || *iid == IID_IDispatch)) return m_pDispatch;
  return nullptr;
}

HRESULT CCmdTarget::InternalQueryInterface(const GUID* iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!iid) return E_POINTER;
  IUnknown* part = GetInterface(iid);
  if (!part) return E_NOINTERFACE;
  ExternalAddRef();
  *object = part;
  return S_OK;
}

void CCmdTarget::EnableAutomation() {
  if (!m_pDispatch) m_pDispatch = new XDispatch(this);
}

IDispatch* CCmdTarget::GetIDispatch(BOOL bAddRef) {
  if (!m_pDispatch) return nullptr;
  if (bAddRef) ExternalAddRef();
  return m_pDispatch;
}

// ---- messages -------------------------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() { return &kRootMap; }
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return &kRootMap; }

namespace {

// Each thread keeps its last answers in a small table in front of the
// searches below: a notification sent for every item of a large tree asks
// the same few questions hundreds of thousands of times, and a hit costs a
// few instructions where a search or the shared table's lock costs hundreds.
template <class Key>
struct RecentLookups {
  static constexpr std::size_t kSlots = 256;
  struct Slot {
    Key key{};
    const AFX_MSGMAP_ENTRY* entry = nullptr;
    bool used = false;
  };
  std::array<Slot, kSlots> slots{};
  Slot& SlotFor(const Key& key, std::size_t hash) { return slots[(hash ^ (hash >> 9)) & (kSlots - 1)]; }
};

struct MessageLookup {
  const AFX_MSGMAP* map;
  UINT message;
  bool operator==(const MessageLookup&) const = default;
};

}  // namespace

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT message) {
  thread_local RecentLookups<MessageLookup> recent;
  const MessageLookup key{map, message};
  auto& slot = recent.SlotFor(key, (reinterpret_cast<std::uintptr_t>(map) >> 4) ^ (message * 0x9E3779B1u));
  if (slot.used && slot.key == key) return slot.entry;
  // An answer that a message registered later could change is not kept.
  bool unregistered = false;
  const AFX_MSGMAP_ENTRY* found = nullptr;
  for (const AFX_MSGMAP* m = map; m && !found; m = m->pfnGetBaseMap ? m->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = m->lpEntries; e->pfn; ++e) {
      UINT msg = e->pnRegMsg ? *e->pnRegMsg : e->nMessage;
      if (e->pnRegMsg && msg == 0) {  // not registered yet
        unregistered = true;
        continue;
      }
      if (msg == message && e->nCode == 0 && e->nID == 0 && e->nLastID == 0) {
        found = e;
        break;
      }
    }
  }
  if (!unregistered) slot = {key, found, true};
  return found;
}

namespace {

// Message maps are fixed tables, so the entry a map chain gives for an id
// and code never changes: each lookup's answer is kept, for the whole
// process and never freed (lookups still come while objects are destroyed
// at exit).
struct CommandLookup {
  const AFX_MSGMAP* map;
  UINT id;
  int code;
  bool operator==(const CommandLookup&) const = default;
};
struct CommandLookupHash {
  std::size_t operator()(const CommandLookup& k) const {
    return std::hash<const void*>{}(k.map) ^ (std::hash<UINT>{}(k.id) * 0x9E3779B1u) ^ (std::hash<int>{}(k.code) << 1);
  }
};

const AFX_MSGMAP_ENTRY* SearchCommandEntry(const AFX_MSGMAP* map, UINT nID, int nCode) {
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
      bool match = code == kUpdateCode ? e->nCode == kUpdateCode : e->nCode != kUpdateCode && LOWORD(e->nCode) == code;
      if (match) return e;
    }
  }
  return nullptr;
}

}  // namespace

const AFX_MSGMAP_ENTRY* CCmdTarget::FindCommandEntry(const AFX_MSGMAP* map, UINT nID, int nCode) {
  thread_local RecentLookups<CommandLookup> recent;
  static auto* known = new std::unordered_map<CommandLookup, const AFX_MSGMAP_ENTRY*, CommandLookupHash>;
  static auto* mutex = new std::mutex;
  const CommandLookup key{map, nID, nCode};
  auto& slot = recent.SlotFor(key, CommandLookupHash{}(key));
  if (slot.used && slot.key == key) return slot.entry;
  const AFX_MSGMAP_ENTRY* entry;
  {
    std::lock_guard<std::mutex> guard(*mutex);
    if (auto it = known->find(key); it != known->end()) {
      entry = it->second;
    } else {
      if (known->size() >= 4096) known->clear();  // ranges of ids are not hoarded
      entry = SearchCommandEntry(map, nID, nCode);
      known->emplace(key, entry);
    }
  }
  slot = {key, entry, true};
  return entry;
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
