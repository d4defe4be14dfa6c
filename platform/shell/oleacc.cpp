// In-process accessibility: WM_GETOBJECT replies and standard window objects.
#include "platform/shell/oleacc.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "platform/system/modules.h"
#include "platform/window/winuser.h"

namespace {

// Objects handed out by LresultFromObject, by cookie. A cookie is taken once.
struct Pending {
  std::mutex mu;
  LRESULT next = 1;
  std::map<LRESULT, IUnknown*> objects;
};

Pending& P() {
  static Pending p;
  return p;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

class StdAccessible final : public IAccessible {
 public:
  StdAccessible(HWND hwnd, LONG objectId) : hwnd_(hwnd), id_(objectId) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDispatch: no type information; callers use the vtable.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!IsWindow(hwnd_)) return E_FAIL;
    // The client area's parent is its window; a window's is its parent's client.
    HWND owner = id_ == OBJID_CLIENT ? hwnd_ : GetParent(hwnd_);
    if (!owner) return S_FALSE;
    LONG id = id_ == OBJID_CLIENT ? OBJID_WINDOW : OBJID_CLIENT;
    return CreateStdAccessibleObject(owner, id, IID_IDispatch, reinterpret_cast<void**>(parent));
  }
  STDMETHODIMP get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT, IDispatch** object) override {
    if (object) *object = nullptr;
    return E_INVALIDARG;
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!IsWindow(hwnd_)) return E_FAIL;
    WCHAR text[512] = {};
    GetWindowTextW(hwnd_, text, 512);
    if (!text[0]) return S_FALSE;
    *name = SysAllocString(text);
    return S_OK;
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override { return NoText(child, value); }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override { return NoText(child, text); }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    if (!IsSelf(child)) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = id_ == OBJID_CLIENT ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_WINDOW;
    return S_OK;
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!IsWindow(hwnd_)) return E_FAIL;
    LONG s = STATE_SYSTEM_FOCUSABLE;
    if (!IsWindowVisible(hwnd_)) s |= STATE_SYSTEM_INVISIBLE;
    if (!IsWindowEnabled(hwnd_)) s |= STATE_SYSTEM_UNAVAILABLE;
    if (GetFocus() == hwnd_) s |= STATE_SYSTEM_FOCUSED;
    state->vt = VT_I4;
    state->lVal = s;
    return S_OK;
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override { return NoText(child, help); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* text) override { return NoText(child, text); }
  STDMETHODIMP get_accFocus(VARIANT* child) override {
    if (!child) return E_POINTER;
    VariantInit(child);
    if (GetFocus() == hwnd_) {
      child->vt = VT_I4;
      child->lVal = CHILDID_SELF;
      return S_OK;
    }
    return S_FALSE;
  }
  STDMETHODIMP get_accSelection(VARIANT* children) override {
    if (children) VariantInit(children);
    return S_FALSE;
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* text) override { return NoText(child, text); }
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if (flags & SELFLAG_TAKEFOCUS) {
      SetFocus(hwnd_);
      return S_OK;
    }
    return S_FALSE;
  }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (!IsSelf(child)) return E_INVALIDARG;
    RECT r{};
    if (id_ == OBJID_CLIENT) {
      if (!GetClientRect(hwnd_, &r)) return E_FAIL;
      POINT p{0, 0};
      ClientToScreen(hwnd_, &p);
      OffsetRect(&r, p.x, p.y);
    } else if (!GetWindowRect(hwnd_, &r)) {
      return E_FAIL;
    }
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  STDMETHODIMP accNavigate(LONG, VARIANT, VARIANT* end) override {
    if (end) VariantInit(end);
    return S_FALSE;
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override {
    if (!child) return E_POINTER;
    VariantInit(child);
    LONG l, t, w, h;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    if (FAILED(accLocation(&l, &t, &w, &h, self))) return E_FAIL;
    if (x < l || y < t || x >= l + w || y >= t + h) return S_FALSE;
    child->vt = VT_I4;
    child->lVal = CHILDID_SELF;
    return S_OK;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~StdAccessible() override = default;
  static HRESULT NoText(const VARIANT& child, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return IsSelf(child) ? S_FALSE : E_INVALIDARG;
  }
  HWND hwnd_;
  LONG id_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace

LRESULT LresultFromObject(REFIID riid, WPARAM, IUnknown* object) {
  if (!object) return E_INVALIDARG;
  IUnknown* held = nullptr;
  if (FAILED(object->QueryInterface(riid, reinterpret_cast<void**>(&held))) || !held) return E_NOINTERFACE;
  Pending& p = P();
  std::lock_guard<std::mutex> lock(p.mu);
  LRESULT cookie = p.next++;
  if (p.next > 0x7FFFFFFF) p.next = 1;
  p.objects[cookie] = held;
  return cookie;
}

HRESULT ObjectFromLresult(LRESULT result, REFIID riid, WPARAM, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IUnknown* held = nullptr;
  {
    Pending& p = P();
    std::lock_guard<std::mutex> lock(p.mu);
    auto it = p.objects.find(result);
    if (it == p.objects.end()) return E_INVALIDARG;
    held = it->second;
    p.objects.erase(it);
  }
  HRESULT hr = held->QueryInterface(riid, object);
  held->Release();
  return hr;
}

HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsWindow(hwnd)) return E_INVALIDARG;
  LRESULT r = SendMessage(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(static_cast<LONG>(objectId)));
  if (r > 0) return ObjectFromLresult(r, riid, 0, object);
  return CreateStdAccessibleObject(hwnd, static_cast<LONG>(objectId), riid, object);
}

HRESULT CreateStdAccessibleObject(HWND hwnd, LONG objectId, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsWindow(hwnd)) return E_INVALIDARG;
  if (objectId != OBJID_WINDOW && objectId != OBJID_CLIENT) return E_NOTIMPL;
  auto* acc = new StdAccessible(hwnd, objectId);
  HRESULT hr = acc->QueryInterface(riid, object);
  acc->Release();
  return hr;
}

namespace pv::acc {

size_t PendingResults() {
  std::lock_guard<std::mutex> lock(P().mu);
  return P().objects.size();
}

void RegisterModule() {
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE m = pv::RegisterBuiltinModule(u"oleacc", false);
    pv::AddModuleFunction(m, "LresultFromObject", &LresultFromObject);
    pv::AddModuleFunction(m, "ObjectFromLresult", &ObjectFromLresult);
    pv::AddModuleFunction(m, "AccessibleObjectFromWindow", &AccessibleObjectFromWindow);
    pv::AddModuleFunction(m, "CreateStdAccessibleObject", &CreateStdAccessibleObject);
  });
}

}  // namespace pv::acc
