// Event connections: listeners (sinks) advise a connection for an event code
// and the connection broadcasts codes with two parameters to them. A
// broadcast is safe against handlers that unadvise, advise, release the
// connection or broadcast again.
#pragma once

#include <map>
#include <vector>

#include "platform/base/cmdtarget.h"
#include "platform/base/threads.h"
#include "platform/base/wintypes.h"

class CTKNotifySinkBase;
class CTKNotifyConnection;

using TK_NOTIFY_CODE = UINT;
using TK_NOTIFY_COOKIE = DWORD_PTR;

// A lock that admits every caller at once: connections are used from the
// UI thread only.
class CEmptySyncObject : public CSyncObject {
 public:
  CEmptySyncObject() : CSyncObject(u"TKEmptySyncObject") {}
  BOOL Lock(DWORD = INFINITE) override { return TRUE; }
  BOOL Unlock() override { return TRUE; }
  BOOL Unlock(LONG, LPLONG = nullptr) override { return TRUE; }
};

struct CONNECTION_DESCRIPTOR {
  TK_NOTIFY_CODE dwNotifyCode = 0;
  CTKNotifySinkBase* pSink = nullptr;
  TK_NOTIFY_COOKIE dwCookie = 0;  // unique in the process, never 0
};

class CTKNotifyConnection : public CCmdTarget {
 public:
  CTKNotifyConnection();
  ~CTKNotifyConnection() override;

  // The cookie of the new advice.
  TK_NOTIFY_COOKIE Advise(TK_NOTIFY_CODE code, CTKNotifySinkBase* sink);
  // Nothing happens for a cookie that is not advised.
  void Unadvise(TK_NOTIFY_COOKIE cookie);
  int FindConnection(TK_NOTIFY_COOKIE cookie) const;
  // TRUE when at least one advice had the code.
  BOOL BroadcastEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam, DWORD* reserved = nullptr);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(m_arrConnections.size()); }

  virtual CSyncObject* GetSyncObject() { return &m_lock; }

 protected:
  std::vector<CONNECTION_DESCRIPTOR*> m_arrConnections;
  std::vector<CONNECTION_DESCRIPTOR> m_arrSendBuffer;
  int m_nSendQueueCacheSize = 0;  // send-buffer entries in use
  CEmptySyncObject m_lock;
};

class CTKNotifySinkBase {
 public:
  struct ADVISE_DESCRIPTOR {
    TK_NOTIFY_CODE dwNotifyCode = 0;
    CTKNotifyConnection* pConnection = nullptr;
    TK_NOTIFY_COOKIE dwCookie = 0;
  };

  CTKNotifySinkBase() = default;
  virtual ~CTKNotifySinkBase() = default;
  CTKNotifySinkBase(const CTKNotifySinkBase&) = delete;
  CTKNotifySinkBase& operator=(const CTKNotifySinkBase&) = delete;

  virtual BOOL OnEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam, DWORD* reserved) = 0;
  virtual void OnUnadvise(TK_NOTIFY_CODE code) {}

  // Null for a null connection; otherwise the sink holds a reference on the
  // connection until it is unadvised.
  TK_NOTIFY_COOKIE Advise(CTKNotifyConnection* connection, TK_NOTIFY_CODE code);
  void UnadviseAll();
  int GetAdviseCount() const { return static_cast<int>(m_mapAdvise.size()); }

 protected:
  std::map<TK_NOTIFY_COOKIE, ADVISE_DESCRIPTOR> m_mapAdvise;
};

class CTKNotifySinkDelegate {
 public:
  virtual ~CTKNotifySinkDelegate() = default;
  virtual BOOL Invoke(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam) = 0;
};

// Calls a member function (code, wParam, lParam) of an object.
template <class T, class R = void>
class CTKNotifySinkClassDelegate : public CTKNotifySinkDelegate {
 public:
  using Handler = R (T::*)(TK_NOTIFY_CODE, WPARAM, LPARAM);
  CTKNotifySinkClassDelegate(T* object, Handler handler) : m_pObject(object), m_pHandler(handler) {}
  BOOL Invoke(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam) override {
    if constexpr (std::is_void_v<R>) {
      (m_pObject->*m_pHandler)(code, wParam, lParam);
      return TRUE;
    } else {
      return static_cast<BOOL>((m_pObject->*m_pHandler)(code, wParam, lParam));
    }
  }

 private:
  T* m_pObject;
  Handler m_pHandler;
};

class CTKNotifySink : public CTKNotifySinkBase {
 public:
  CTKNotifySink() = default;
  ~CTKNotifySink() override;

  // Takes over the delegate; one already held for the code is deleted.
  TK_NOTIFY_COOKIE Advise(CTKNotifyConnection* connection, TK_NOTIFY_CODE code, CTKNotifySinkDelegate* delegate);
  // Unadvises everything and deletes the sink (made with new).
  void Delete();

  BOOL OnEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam, DWORD* reserved) override;
  void OnUnadvise(TK_NOTIFY_CODE code) override;

 protected:
  std::map<TK_NOTIFY_CODE, CTKNotifySinkDelegate*> m_mapDelegates;
};
