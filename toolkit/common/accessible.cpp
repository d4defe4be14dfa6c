#include "toolkit/common/accessible.h"

#include "platform/base/cmdtarget.h"
#include "platform/system/modules.h"
#include "toolkit/common/systemservices.h"

CTKAccessible::CTKAccessible() = default;

CTKAccessible::~CTKAccessible() {
  if (m_hOleAcc && m_hOleAcc != kUnavailable) ::FreeLibrary(m_hOleAcc);
}

HRESULT CTKAccessible::GetAccessibleParent(IDispatch**) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleChildCount(LONG*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleChild(VARIANT, IDispatch**) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleName(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleValue(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleDescription(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleRole(VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleState(VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleHelp(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleHelpTopic(BSTR*, VARIANT, LONG*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleKeyboardShortcut(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::GetAccessibleFocus(VARIANT*) { return S_FALSE; }
HRESULT CTKAccessible::GetAccessibleSelection(VARIANT*) { return S_FALSE; }
HRESULT CTKAccessible::GetAccessibleDefaultAction(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CTKAccessible::AccessibleSelect(LONG, VARIANT) { return E_NOTIMPL; }
HRESULT CTKAccessible::AccessibleLocation(LONG*, LONG*, LONG*, LONG*, VARIANT) { return E_NOTIMPL; }
HRESULT CTKAccessible::AccessibleNavigate(LONG, VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CTKAccessible::AccessibleHitTest(LONG, LONG, VARIANT*) { return E_NOTIMPL; }
HRESULT CTKAccessible::AccessibleDoDefaultAction(VARIANT) { return E_NOTIMPL; }
HRESULT CTKAccessible::SetAccessibleName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT CTKAccessible::SetAccessibleValue(VARIANT, BSTR) { return E_NOTIMPL; }
CCmdTarget* CTKAccessible::GetCmdTarget() { return nullptr; }

void CTKAccessible::NotifyAccessibleEvent(DWORD event, HWND hwnd, LONG objectId, LONG childId) {
  if (m_hUser32 == kUnavailable) return;
  if (!m_hUser32) {
    TKEnsureUser32Module();
    m_hUser32 = ::GetModuleHandleW(u"user32.dll");
    FARPROC proc = m_hUser32 ? ::GetProcAddress(m_hUser32, "NotifyWinEvent") : nullptr;
    if (!proc) {
      m_hUser32 = kUnavailable;
      return;
    }
    m_pNotifyWinEvent = pv::ProcAs<void(DWORD, HWND, LONG, LONG)>(proc);
  }
  if (m_pNotifyWinEvent) m_pNotifyWinEvent(event, hwnd, objectId, childId);
}

bool CTKAccessible::LoadOleAcc() {
  if (m_hOleAcc == kUnavailable) return false;
  if (!m_hOleAcc) m_hOleAcc = ::LoadLibraryW(u"oleacc.dll");  // null again on failure: tried again later
  return m_hOleAcc != nullptr;
}

template <class F>
F* CTKAccessible::ResolveOleAcc(F*& slot, const char* name) {
  if (!LoadOleAcc()) return nullptr;
  if (!slot) {
    FARPROC proc = ::GetProcAddress(m_hOleAcc, name);
    if (!proc) {
      // A library without the entry point is given up for this object.
      ::FreeLibrary(m_hOleAcc);
      m_hOleAcc = kUnavailable;
      m_pLresultFromObject = nullptr;
      m_pAccessibleObjectFromWindow = nullptr;
      return nullptr;
    }
    slot = pv::ProcAs<F>(proc);
  }
  return slot;
}

LRESULT CTKAccessible::GetLresultFromObject(REFIID riid, WPARAM wParam, LPUNKNOWN object) {
  auto* fn = ResolveOleAcc(m_pLresultFromObject, "LresultFromObject");
  return fn ? fn(riid, wParam, object) : static_cast<LRESULT>(E_FAIL);
}

HRESULT CTKAccessible::GetAccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object) {
  auto* fn = ResolveOleAcc(m_pAccessibleObjectFromWindow, "AccessibleObjectFromWindow");
  return fn ? fn(hwnd, objectId, riid, object) : E_FAIL;
}

LONG CTKAccessible::GetChildIndex(const VARIANT* child) {
  // References to references are followed, but not for ever: a VARIANT that
  // refers to itself must not hang the caller.
  for (int depth = 0; child && depth < 64; ++depth) {
    switch (child->vt) {
      case VT_EMPTY:
        return 0;
      case VT_I2:
        return child->iVal;
      case VT_I4:
        return child->lVal;
      case VT_I4 | VT_BYREF:
        return child->plVal ? *child->plVal : -1;
      case VT_I2 | VT_BYREF:
        return child->piVal ? *child->piVal : -1;
      case VT_VARIANT | VT_BYREF:
        child = child->pvarVal;
        continue;
      default:
        return -1;
    }
  }
  return -1;
}

// ---- the interface part -------------------------------------------------------------------------

STDMETHODIMP CTKAccessible::XAccessible::QueryInterface(REFIID riid, void** object) {
  if (CCmdTarget* target = m_pOwner->GetCmdTarget()) return target->ExternalQueryInterface(&riid, object);
  // No owner to ask (the bare base): the part answers for itself, uncounted.
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
    *object = static_cast<IAccessible*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTKAccessible::XAccessible::AddRef() {
  CCmdTarget* target = m_pOwner->GetCmdTarget();
  return target ? target->ExternalAddRef() : 1;
}

STDMETHODIMP_(ULONG) CTKAccessible::XAccessible::Release() {
  CCmdTarget* target = m_pOwner->GetCmdTarget();
  return target ? target->ExternalRelease() : 1;
}

STDMETHODIMP CTKAccessible::XAccessible::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
STDMETHODIMP CTKAccessible::XAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP CTKAccessible::XAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP CTKAccessible::XAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP CTKAccessible::XAccessible::get_accParent(IDispatch** parent) {
  return m_pOwner->GetAccessibleParent(parent);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accChildCount(LONG* count) {
  return m_pOwner->GetAccessibleChildCount(count);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accChild(VARIANT child, IDispatch** dispatch) {
  return m_pOwner->GetAccessibleChild(child, dispatch);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accName(VARIANT child, BSTR* name) {
  return m_pOwner->GetAccessibleName(child, name);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accValue(VARIANT child, BSTR* value) {
  return m_pOwner->GetAccessibleValue(child, value);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accDescription(VARIANT child, BSTR* description) {
  return m_pOwner->GetAccessibleDescription(child, description);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accRole(VARIANT child, VARIANT* role) {
  return m_pOwner->GetAccessibleRole(child, role);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accState(VARIANT child, VARIANT* state) {
  return m_pOwner->GetAccessibleState(child, state);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return m_pOwner->GetAccessibleHelp(child, help);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic) {
  return m_pOwner->GetAccessibleHelpTopic(helpFile, child, topic);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return m_pOwner->GetAccessibleKeyboardShortcut(child, shortcut);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accFocus(VARIANT* child) { return m_pOwner->GetAccessibleFocus(child); }
STDMETHODIMP CTKAccessible::XAccessible::get_accSelection(VARIANT* children) {
  return m_pOwner->GetAccessibleSelection(children);
}
STDMETHODIMP CTKAccessible::XAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return m_pOwner->GetAccessibleDefaultAction(child, action);
}
STDMETHODIMP CTKAccessible::XAccessible::accSelect(LONG flags, VARIANT child) {
  return m_pOwner->AccessibleSelect(flags, child);
}
STDMETHODIMP CTKAccessible::XAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
  return m_pOwner->AccessibleLocation(left, top, width, height, child);
}
STDMETHODIMP CTKAccessible::XAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* endUpAt) {
  return m_pOwner->AccessibleNavigate(direction, start, endUpAt);
}
STDMETHODIMP CTKAccessible::XAccessible::accHitTest(LONG x, LONG y, VARIANT* child) {
  return m_pOwner->AccessibleHitTest(x, y, child);
}
STDMETHODIMP CTKAccessible::XAccessible::accDoDefaultAction(VARIANT child) {
  return m_pOwner->AccessibleDoDefaultAction(child);
}
STDMETHODIMP CTKAccessible::XAccessible::put_accName(VARIANT child, BSTR name) {
  return m_pOwner->SetAccessibleName(child, name);
}
STDMETHODIMP CTKAccessible::XAccessible::put_accValue(VARIANT child, BSTR value) {
  return m_pOwner->SetAccessibleValue(child, value);
}
