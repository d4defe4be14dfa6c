#include <gtest/gtest.h>

#include <atomic>

#include "platform/shell/oleacc.h"
#include "platform/shell/shellapi.h"
#include "platform/system/modules.h"
#include "platform/window/winuser.h"

namespace {

VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

// A window that answers WM_GETOBJECT for its client area with its own
// object, the way a toolkit window does.
struct Counted : IUnknown {
  std::atomic<ULONG> refs{1};
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

Counted* g_custom = nullptr;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT && g_custom)
    return LresultFromObject(IID_IUnknown, wp, g_custom);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow(HWND parent, LPCWSTR text, int x, int y, int cx, int cy) {
  static bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = u"PvAccTest";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExW(0, u"PvAccTest", text, (parent ? WS_CHILD : WS_OVERLAPPED) | WS_VISIBLE, x, y, cx, cy, parent,
                         nullptr, nullptr, nullptr);
}

TEST(Accessibility, StandardObjectsDescribeTheWindow) {
  HWND top = MakeWindow(nullptr, u"Organiser", 100, 50, 300, 200);
  HWND child = MakeWindow(top, u"Tasks", 10, 20, 80, 40);
  IAccessible* acc = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(child, OBJID_WINDOW, IID_IAccessible, reinterpret_cast<void**>(&acc)), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(acc->get_accName(Self(), &name), S_OK);
  EXPECT_EQ(std::u16string(name), u"Tasks");
  SysFreeString(name);
  VARIANT role;
  ASSERT_EQ(acc->get_accRole(Self(), &role), S_OK);
  EXPECT_EQ(role.vt, VT_I4);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_WINDOW);
  RECT wr{};
  GetWindowRect(child, &wr);
  LONG l, t, w, h;
  ASSERT_EQ(acc->accLocation(&l, &t, &w, &h, Self()), S_OK);
  EXPECT_EQ(l, wr.left);
  EXPECT_EQ(t, wr.top);
  EXPECT_EQ(w, 80);
  EXPECT_EQ(h, 40);
  VARIANT hit;
  EXPECT_EQ(acc->accHitTest(l + 1, t + 1, &hit), S_OK);
  EXPECT_EQ(acc->accHitTest(l - 1, t, &hit), S_FALSE);
  // A child id other than "self" is refused, not crashed on.
  VARIANT other = Self();
  other.lVal = 5;
  EXPECT_EQ(acc->get_accName(other, &name), E_INVALIDARG);
  VARIANT state;
  ShowWindow(child, SW_HIDE);
  ASSERT_EQ(acc->get_accState(Self(), &state), S_OK);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_INVISIBLE);
  // Up the tree: the child's parent is the top window's client area.
  IDispatch* parent = nullptr;
  ASSERT_EQ(acc->get_accParent(&parent), S_OK);
  IAccessible* pacc = nullptr;
  ASSERT_EQ(parent->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&pacc)), S_OK);
  ASSERT_EQ(pacc->get_accRole(Self(), &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_CLIENT);
  pacc->Release();
  parent->Release();
  acc->Release();
  DestroyWindow(top);
}

TEST(Accessibility, WindowObjectsTravelThroughTheReply) {
  Counted custom;
  g_custom = &custom;
  HWND top = MakeWindow(nullptr, u"Main", 0, 0, 100, 100);
  IUnknown* got = nullptr;
  ASSERT_EQ(
      AccessibleObjectFromWindow(top, static_cast<DWORD>(OBJID_CLIENT), IID_IUnknown, reinterpret_cast<void**>(&got)),
      S_OK);
  EXPECT_EQ(got, &custom);
  EXPECT_EQ(custom.refs.load(), 2u);  // ours and the caller's; the reply's is gone
  got->Release();
  EXPECT_EQ(pv::acc::PendingResults(), 0u);
  // A reply that is never collected keeps its reference until taken; a
  // cookie is taken once.
  LRESULT r = LresultFromObject(IID_IUnknown, 0, &custom);
  ASSERT_GT(r, 0);
  EXPECT_EQ(pv::acc::PendingResults(), 1u);
  void* out = nullptr;
  EXPECT_EQ(ObjectFromLresult(r, IID_IAccessible, 0, &out), E_NOINTERFACE);
  EXPECT_EQ(ObjectFromLresult(r, IID_IUnknown, 0, &out), E_INVALIDARG);
  EXPECT_EQ(custom.refs.load(), 1u);
  EXPECT_LT(LresultFromObject(IID_IAccessible, 0, &custom), 0);  // no such interface
  EXPECT_LT(LresultFromObject(IID_IUnknown, 0, nullptr), 0);
  g_custom = nullptr;
  // The window part answers nothing: its standard object is used.
  IAccessible* acc = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(top, OBJID_WINDOW, IID_IAccessible, reinterpret_cast<void**>(&acc)), S_OK);
  acc->Release();
  DestroyWindow(top);
  EXPECT_EQ(AccessibleObjectFromWindow(top, OBJID_WINDOW, IID_IAccessible, reinterpret_cast<void**>(&acc)),
            E_INVALIDARG);
}

TEST(Accessibility, FoundByModuleName) {
  pv::shell::RegisterModules();
  HMODULE m = LoadLibraryW(u"oleacc.dll");
  ASSERT_NE(m, nullptr);
  for (const char* name : {"LresultFromObject", "AccessibleObjectFromWindow", "CreateStdAccessibleObject"})
    EXPECT_NE(GetProcAddress(m, name), nullptr) << name;
  FreeLibrary(m);
}

}  // namespace
