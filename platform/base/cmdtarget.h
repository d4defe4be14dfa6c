// CCmdTarget: the base of objects that receive commands and of
// reference-counted objects.
//
// A new object holds one reference, owned by its creator. The count is
// changed with interlocked operations, so references may be taken and
// released on any thread; the release that brings it to zero calls
// OnFinalRelease, which deletes the object.
//
// COM clients reach the object through its interface map (see
// platform/framework/afxcom.h): each entry names an interface id and the
// nested part of the object that implements it; every part hands its
// QueryInterface, AddRef and Release to the object, so all the interfaces
// share one count and one identity.
//
// Commands reach member functions through the class's static message map
// (see platform/framework/afxmsg.h for the macros and docs/framework.md for
// the design): each entry holds the message, notification code and id range
// it answers, and a small function generated for the class that unpacks the
// arguments and calls the member with its exact signature.
#pragma once

#include "platform/base/object.h"

class CCmdTarget;
struct NMHDR;
struct GUID;
struct IUnknown;
struct IDispatch;

// What a message-map entry's function receives. Window messages fill
// message/wParam/lParam; commands and notifications fill nID and pExtra
// (the CCmdUI of an update, the AFX_NOTIFY of a notification).
struct AFX_MSGCALL {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  UINT nID = 0;
  void* pExtra = nullptr;
  LRESULT result = 0;
};

// Answers TRUE when the message counts as handled.
using AFX_PMSG = BOOL (*)(CCmdTarget* target, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;         // window message, WM_COMMAND, WM_NOTIFY or a reflected one
  UINT nCode;            // notification code, CN_COMMAND or CN_UPDATE_COMMAND_UI
  UINT nID;              // first control or command id
  UINT nLastID;          // last id of a range (nID for one id)
  const UINT* pnRegMsg;  // registered messages: where the message number lives
  AFX_PMSG pfn;          // null ends the table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
  const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
  AFX_PMSG pmf;
};

struct AFX_NOTIFY {
  LRESULT* pResult;
  NMHDR* pNMHDR;
};

// One interface of a class: its id, and the function (generated for the
// class by INTERFACE_PART) that finds the part in an object of the class.
struct AFX_INTERFACEMAP_ENTRY {
  const GUID* piid;
  void* (*pfnPart)(CCmdTarget* object);  // null ends the table
};

struct AFX_INTERFACEMAP {
  const AFX_INTERFACEMAP* (*pfnGetBaseMap)();  // null for the root
  const AFX_INTERFACEMAP_ENTRY* pEntries;
};

// OnCmdMsg's nCode: a command, an update request, or MAKELONG(code, message)
// for control notifications (message 0 or WM_COMMAND), WM_NOTIFY codes and
// reflected messages (WM_REFLECT_BASE + WM_COMMAND / WM_NOTIFY).
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;
constexpr UINT WM_REFLECT_BASE = 0xBC00;

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() noexcept = default;
  ~CCmdTarget() override;

  // Both answer the new count. Releasing an object whose count is already
  // zero does nothing and answers 0.
  DWORD InternalAddRef();
  DWORD InternalRelease();
  // The references COM clients hold; the same count as the internal ones
  // (objects are never aggregated here).
  DWORD ExternalAddRef() { return InternalAddRef(); }
  DWORD ExternalRelease() { return InternalRelease(); }

  // QueryInterface of every part: the interface `iid` names in the map, with
  // one reference added to the object. S_OK, E_NOINTERFACE (and *object
  // null), or E_POINTER for a null argument.
  HRESULT InternalQueryInterface(const GUID* iid, void** object);
  HRESULT ExternalQueryInterface(const GUID* iid, void** object) { return InternalQueryInterface(iid, object); }

  // The part answering `iid`, without a reference, or null. IUnknown is the
  // first interface of the most derived map that has one (so it is the same
  // pointer whichever part is asked); IDispatch, when no map entry names it,
  // is the automation part once EnableAutomation was called.
  IUnknown* GetInterface(const GUID* iid);

  // Gives the object a dispatch interface (no late-bound members: it answers
  // no names and invokes nothing) that shares the object's count, so the
  // object can be handed out where an IDispatch is expected.
  void EnableAutomation();
  BOOL IsAutomationEnabled() const { return m_pDispatch != nullptr; }
  // The dispatch interface (one reference added when bAddRef), or null when
  // automation is not enabled.
  IDispatch* GetIDispatch(BOOL bAddRef);

  // Called once when the last reference goes; deletes the object.
  virtual void OnFinalRelease();

  // Looks the command up in this object's message map (and its bases').
  // With pHandlerInfo it only reports whether a handler exists.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // The wait cursor while a long command runs (shown by the window layer).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

  // The entry answering a window message (nCode and ids zero) in the chain
  // of maps starting at `map`, or null.
  static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message);
  // The entry answering a command/notification as OnCmdMsg matches it.
  static const AFX_MSGMAP_ENTRY* FindCommandEntry(const AFX_MSGMAP* map, UINT nID, int nCode);

  LONG m_dwRef = 1;

  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  static const AFX_INTERFACEMAP* GetThisInterfaceMap();
  virtual const AFX_INTERFACEMAP* GetInterfaceMap() const;

 private:
  class XDispatch;
  XDispatch* m_pDispatch = nullptr;
};

namespace pv {
// The window layer's wait-cursor switch: +1 begin, -1 end, 0 restore.
using WaitCursorHook = void (*)(int);
void SetWaitCursorHook(WaitCursorHook hook);
}  // namespace pv
