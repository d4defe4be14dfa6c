#include "toolkit/common/notifyconnection.h"

#include <algorithm>
#include <atomic>

namespace {
// Cookies come from one counter for the whole process, so a cookie is never
// given twice: a record removed during a broadcast cannot be mistaken for a
// later one, and a sink's advices on different connections never collide.
std::atomic<TK_NOTIFY_COOKIE> g_nextCookie{1};
}  // namespace

CTKNotifyConnection::CTKNotifyConnection() = default;

CTKNotifyConnection::~CTKNotifyConnection() { RemoveAll(); }

TK_NOTIFY_COOKIE CTKNotifyConnection::Advise(TK_NOTIFY_CODE code, CTKNotifySinkBase* sink) {
  CSingleLock lock(GetSyncObject(), TRUE);
  auto* record = new CONNECTION_DESCRIPTOR;
  record->dwNotifyCode = code;
  record->pSink = sink;
  record->dwCookie = g_nextCookie.fetch_add(1);
  m_arrConnections.push_back(record);
  return record->dwCookie;
}

int CTKNotifyConnection::FindConnection(TK_NOTIFY_COOKIE cookie) const {
  for (size_t i = 0; i < m_arrConnections.size(); ++i)
    if (m_arrConnections[i]->dwCookie == cookie) return static_cast<int>(i);
  return -1;
}

void CTKNotifyConnection::Unadvise(TK_NOTIFY_COOKIE cookie) {
  CSingleLock lock(GetSyncObject(), TRUE);
  int index = FindConnection(cookie);
  if (index < 0) return;
  delete m_arrConnections[static_cast<size_t>(index)];
  m_arrConnections.erase(m_arrConnections.begin() + index);
}

void CTKNotifyConnection::RemoveAll() {
  CSingleLock lock(GetSyncObject(), TRUE);
  for (CONNECTION_DESCRIPTOR* record : m_arrConnections) delete record;
  m_arrConnections.clear();
}

BOOL CTKNotifyConnection::BroadcastEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam, DWORD* reserved) {
  CSyncObject* sync = GetSyncObject();
  sync->Lock();
  InternalAddRef();  // handlers may drop the last outside reference

  // This broadcast's frame of the send buffer starts at the current top; a
  // handler broadcasting again starts its own frame above it.
  const int base = m_nSendQueueCacheSize;
  size_t needed = m_arrConnections.size() + static_cast<size_t>(base);
  if (m_arrSendBuffer.size() < needed) m_arrSendBuffer.resize(needed);
  for (CONNECTION_DESCRIPTOR* record : m_arrConnections) {
    if (record->dwNotifyCode != code) continue;
    m_arrSendBuffer[static_cast<size_t>(m_nSendQueueCacheSize++)] = *record;
  }
  const int top = m_nSendQueueCacheSize;
  sync->Unlock();

  for (int i = base; i < top; ++i) {
    // Copied out: a nested broadcast may grow (and move) the buffer.
    CONNECTION_DESCRIPTOR entry = m_arrSendBuffer[static_cast<size_t>(i)];
    sync->Lock();
    bool advised = FindConnection(entry.dwCookie) >= 0;  // skipped when an earlier handler unadvised it
    sync->Unlock();
    if (!advised) continue;
    try {
      entry.pSink->OnEvent(code, wParam, lParam, reserved);
    } catch (...) {
      // A failing handler must not stop the others.
    }
  }

  sync->Lock();
  m_nSendQueueCacheSize = base;
  sync->Unlock();
  InternalRelease();  // may delete this connection
  return top > base;
}

// ---- sinks ------------------------------------------------------------------------------------------

TK_NOTIFY_COOKIE CTKNotifySinkBase::Advise(CTKNotifyConnection* connection, TK_NOTIFY_CODE code) {
  if (!connection) return 0;
  TK_NOTIFY_COOKIE cookie = connection->Advise(code, this);
  if (!cookie) return 0;
  connection->InternalAddRef();
  m_mapAdvise[cookie] = ADVISE_DESCRIPTOR{code, connection, cookie};
  return cookie;
}

void CTKNotifySinkBase::UnadviseAll() {
  std::map<TK_NOTIFY_COOKIE, ADVISE_DESCRIPTOR> advices;
  advices.swap(m_mapAdvise);
  for (auto& [cookie, advice] : advices) {
    OnUnadvise(advice.dwNotifyCode);
    advice.pConnection->Unadvise(cookie);
    advice.pConnection->InternalRelease();
  }
}

CTKNotifySink::~CTKNotifySink() {
  for (auto& [code, delegate] : m_mapDelegates) delete delegate;
}

TK_NOTIFY_COOKIE CTKNotifySink::Advise(CTKNotifyConnection* connection, TK_NOTIFY_CODE code,
                                       CTKNotifySinkDelegate* delegate) {
  auto it = m_mapDelegates.find(code);
  if (it != m_mapDelegates.end()) {
    delete it->second;
    it->second = delegate;
  } else {
    m_mapDelegates[code] = delegate;
  }
  return CTKNotifySinkBase::Advise(connection, code);
}

void CTKNotifySink::Delete() {
  UnadviseAll();
  delete this;
}

BOOL CTKNotifySink::OnEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam, DWORD*) {
  auto it = m_mapDelegates.find(code);
  if (it == m_mapDelegates.end()) return FALSE;
  return it->second ? it->second->Invoke(code, wParam, lParam) : TRUE;
}

void CTKNotifySink::OnUnadvise(TK_NOTIFY_CODE code) {
  auto it = m_mapDelegates.find(code);
  if (it == m_mapDelegates.end()) return;
  delete it->second;
  m_mapDelegates.erase(it);
}
