// The accessibility face of toolkit windows and drawn items: an IAccessible
// part whose methods forward to virtual operations of the owner, the three
// system calls accessibility needs (looked up by name on first use), and the
// conversion of child-id VARIANTs to integers.
//
// The part's IUnknown is the command target's (GetCmdTarget): it counts on
// that object and answers from its interface map, where a derived class
// lists the part:
//
//   BEGIN_INTERFACE_MAP(CNoteBar, CWnd)
//     INTERFACE_PART(CNoteBar, IID_IAccessible, Accessible)
//   END_INTERFACE_MAP()
#pragma once

#include "platform/base/bstr.h"
#include "platform/base/com.h"
#include "platform/base/variant.h"
#include "platform/base/wintypes.h"

class CCmdTarget;

#include "platform/shell/oleacc.h"

class CTKAccessible {
 public:
  CTKAccessible();
  virtual ~CTKAccessible();
  CTKAccessible(const CTKAccessible&) = delete;
  CTKAccessible& operator=(const CTKAccessible&) = delete;

  // Overridden by the owner; the base answers E_NOTIMPL (focus and
  // selection: S_FALSE, nothing) and leaves the out parameters untouched.
  virtual HRESULT GetAccessibleParent(IDispatch** parent);
  virtual HRESULT GetAccessibleChildCount(LONG* count);
  virtual HRESULT GetAccessibleChild(VARIANT child, IDispatch** dispatch);
  virtual HRESULT GetAccessibleName(VARIANT child, BSTR* name);
  virtual HRESULT GetAccessibleValue(VARIANT child, BSTR* value);
  virtual HRESULT GetAccessibleDescription(VARIANT child, BSTR* description);
  virtual HRESULT GetAccessibleRole(VARIANT child, VARIANT* role);
  virtual HRESULT GetAccessibleState(VARIANT child, VARIANT* state);
  virtual HRESULT GetAccessibleHelp(VARIANT child, BSTR* help);
  virtual HRESULT GetAccessibleHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic);
  virtual HRESULT GetAccessibleKeyboardShortcut(VARIANT child, BSTR* shortcut);
  virtual HRESULT GetAccessibleFocus(VARIANT* child);
  virtual HRESULT GetAccessibleSelection(VARIANT* children);
  virtual HRESULT GetAccessibleDefaultAction(VARIANT child, BSTR* action);
  virtual HRESULT AccessibleSelect(LONG flags, VARIANT child);
  virtual HRESULT AccessibleLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child);
  virtual HRESULT AccessibleNavigate(LONG direction, VARIANT start, VARIANT* endUpAt);
  virtual HRESULT AccessibleHitTest(LONG x, LONG y, VARIANT* child);
  virtual HRESULT AccessibleDoDefaultAction(VARIANT child);
  virtual HRESULT SetAccessibleName(VARIANT child, BSTR name);
  virtual HRESULT SetAccessibleValue(VARIANT child, BSTR value);
  // The framework object whose reference count the interface shares.
  virtual CCmdTarget* GetCmdTarget();

  // Raises a WinEvent (nothing when the system cannot).
  void NotifyAccessibleEvent(DWORD event, HWND hwnd, LONG objectId, LONG childId);
  // The reply to WM_GETOBJECT; E_FAIL without the accessibility library.
  LRESULT GetLresultFromObject(REFIID riid, WPARAM wParam, LPUNKNOWN object);
  // The system's standard accessible object of a window; E_FAIL without it.
  HRESULT GetAccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object);

  // The child id a VARIANT carries: 0 the object itself, -1 for anything
  // that is not a (referenced) 16- or 32-bit integer.
  static LONG GetChildIndex(const VARIANT* child);

  // The interface clients receive.
  IAccessible* GetAccessibleInterface() { return &m_xAccessible; }

  class XAccessible : public IAccessible {
   public:
    using Interface = IAccessible;  // as INTERFACE_PART lists it
    explicit XAccessible(CTKAccessible* owner) : m_pOwner(owner) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)
    (DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
     UINT* argError) override;
    STDMETHOD(get_accParent)(IDispatch** parent) override;
    STDMETHOD(get_accChildCount)(LONG* count) override;
    STDMETHOD(get_accChild)(VARIANT child, IDispatch** dispatch) override;
    STDMETHOD(get_accName)(VARIANT child, BSTR* name) override;
    STDMETHOD(get_accValue)(VARIANT child, BSTR* value) override;
    STDMETHOD(get_accDescription)(VARIANT child, BSTR* description) override;
    STDMETHOD(get_accRole)(VARIANT child, VARIANT* role) override;
    STDMETHOD(get_accState)(VARIANT child, VARIANT* state) override;
    STDMETHOD(get_accHelp)(VARIANT child, BSTR* help) override;
    STDMETHOD(get_accHelpTopic)(BSTR* helpFile, VARIANT child, LONG* topic) override;
    STDMETHOD(get_accKeyboardShortcut)(VARIANT child, BSTR* shortcut) override;
    STDMETHOD(get_accFocus)(VARIANT* child) override;
    STDMETHOD(get_accSelection)(VARIANT* children) override;
    STDMETHOD(get_accDefaultAction)(VARIANT child, BSTR* action) override;
    STDMETHOD(accSelect)(LONG flags, VARIANT child) override;
    STDMETHOD(accLocation)(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    STDMETHOD(accNavigate)(LONG direction, VARIANT start, VARIANT* endUpAt) override;
    STDMETHOD(accHitTest)(LONG x, LONG y, VARIANT* child) override;
    STDMETHOD(accDoDefaultAction)(VARIANT child) override;
    STDMETHOD(put_accName)(VARIANT child, BSTR name) override;
    STDMETHOD(put_accValue)(VARIANT child, BSTR value) override;

   private:
    CTKAccessible* m_pOwner;
  };

 protected:
  using PFNNOTIFYWINEVENT = void (*)(DWORD, HWND, LONG, LONG);
  using PFNLRESULTFROMOBJECT = LRESULT (*)(REFIID, WPARAM, LPUNKNOWN);
  using PFNACCESSIBLEOBJECTFROMWINDOW = HRESULT (*)(HWND, DWORD, REFIID, void**);

  XAccessible m_xAccessible{this};
  PFNNOTIFYWINEVENT m_pNotifyWinEvent = nullptr;
  PFNLRESULTFROMOBJECT m_pLresultFromObject = nullptr;
  PFNACCESSIBLEOBJECTFROMWINDOW m_pAccessibleObjectFromWindow = nullptr;
  HMODULE m_hUser32 = nullptr;  // kUnavailable once NotifyWinEvent proved missing
  HMODULE m_hOleAcc = nullptr;  // kUnavailable once an entry point proved missing

  static inline const HMODULE kUnavailable = reinterpret_cast<HMODULE>(static_cast<INT_PTR>(-1));

 private:
  bool LoadOleAcc();
  template <class F>
  F* ResolveOleAcc(F*& slot, const char* name);
};
