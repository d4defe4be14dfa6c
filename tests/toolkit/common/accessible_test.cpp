// Accessibility base: child ids from VARIANTs, forwarding of the interface
// to the owner, and the late-bound system calls.
#include <gtest/gtest.h>

#include "platform/base/cmdtarget.h"
#include "platform/framework/afxcom.h"
#include "platform/system/modules.h"
#include "platform/window/test_input.h"
#include "toolkit/common/accessible.h"
#include "toolkit/common/systemservices.h"

namespace {

TEST(Accessible, GetChildIndexReadsIntegersAndReferences) {
  LONG i4 = 42;
  SHORT i2 = -7;
  VARIANT innerI2{};
  innerI2.vt = VT_I2;
  innerI2.iVal = -3;
  VARIANT refToI2{};
  refToI2.vt = VT_VARIANT | VT_BYREF;
  refToI2.pvarVal = &innerI2;
  VARIANT refToRef{};
  refToRef.vt = VT_VARIANT | VT_BYREF;
  refToRef.pvarVal = &refToI2;
  VARIANT selfRef{};
  selfRef.vt = VT_VARIANT | VT_BYREF;
  selfRef.pvarVal = &selfRef;

  struct Case {
    const char* what;
    VARIANT v;
    LONG expected;
  };
  auto make = [](VARTYPE vt) {
    VARIANT v{};
    v.vt = vt;
    return v;
  };
  VARIANT vI4 = make(VT_I4);
  vI4.lVal = 5;
  VARIANT vI2 = make(VT_I2);
  vI2.iVal = -3;
  VARIANT vI4Ref = make(VT_I4 | VT_BYREF);
  vI4Ref.plVal = &i4;
  VARIANT vI2Ref = make(VT_I2 | VT_BYREF);
  vI2Ref.piVal = &i2;
  VARIANT vNullRef = make(VT_I4 | VT_BYREF);
  VARIANT vNullI2Ref = make(VT_I2 | VT_BYREF);
  VARIANT vNullVarRef = make(VT_VARIANT | VT_BYREF);
  VARIANT vBstr = make(VT_BSTR);
  VARIANT vR8 = make(VT_R8);
  vR8.dblVal = 2.0;
  Case cases[] = {{"I4 5", vI4, 5},
                  {"EMPTY", make(VT_EMPTY), 0},
                  {"BSTR", vBstr, -1},
                  {"I2 -3", vI2, -3},
                  {"BYREF I4", vI4Ref, 42},
                  {"BYREF I2", vI2Ref, -7},
                  {"BYREF I4 null", vNullRef, -1},
                  {"BYREF I2 null", vNullI2Ref, -1},
                  {"BYREF VARIANT null", vNullVarRef, -1},
                  {"BYREF VARIANT -> I2 -3", refToI2, -3},
                  {"BYREF VARIANT -> BYREF VARIANT -> I2", refToRef, -3},
                  {"VARIANT referring to itself", selfRef, -1},
                  {"R8", vR8, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CTKAccessible::GetChildIndex(&c.v), c.expected);
  }
  EXPECT_EQ(CTKAccessible::GetChildIndex(nullptr), -1);
}

// An owner that answers names; its command target lists the part under
// IAccessible and IDispatch.
class NamedItem : public CCmdTarget, public CTKAccessible {
 public:
  HRESULT GetAccessibleName(VARIANT child, BSTR* name) override {
    lastChild = GetChildIndex(&child);
    *name = SysAllocString(u"Item");
    return S_OK;
  }
  CCmdTarget* GetCmdTarget() override { return this; }
  LONG lastChild = -100;
  DECLARE_INTERFACE_MAP()
};

BEGIN_INTERFACE_MAP(NamedItem, CCmdTarget)
INTERFACE_PART(NamedItem, IID_IAccessible, Accessible)
INTERFACE_PART(NamedItem, IID_IDispatch, Accessible)
END_INTERFACE_MAP()

TEST(Accessible, TheInterfaceForwardsToTheOwnerAndSharesItsCount) {
  NamedItem item;
  IAccessible* acc = item.GetAccessibleInterface();
  VARIANT child{};
  child.vt = VT_I4;
  child.lVal = 3;
  BSTR name = nullptr;
  EXPECT_EQ(acc->get_accName(child, &name), S_OK);
  EXPECT_EQ(std::u16string(name), u"Item");
  EXPECT_EQ(item.lastChild, 3);
  SysFreeString(name);

  VARIANT focus{};
  focus.vt = VT_I4;
  focus.lVal = 77;
  EXPECT_EQ(acc->get_accFocus(&focus), S_FALSE);  // nothing has the focus
  EXPECT_EQ(focus.lVal, 77);                      // untouched
  EXPECT_EQ(acc->get_accSelection(&focus), S_FALSE);
  VARIANT role{};
  EXPECT_EQ(acc->get_accRole(child, &role), E_NOTIMPL);
  EXPECT_EQ(role.vt, VT_EMPTY);
  LONG count = -1;
  EXPECT_EQ(acc->get_accChildCount(&count), E_NOTIMPL);
  EXPECT_EQ(acc->put_accValue(child, nullptr), E_NOTIMPL);
  UINT typeInfoCount = 9;
  EXPECT_EQ(acc->GetTypeInfoCount(&typeInfoCount), E_NOTIMPL);

  void* out = nullptr;
  LONG before = item.m_dwRef;
  EXPECT_EQ(acc->QueryInterface(IID_IAccessible, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(acc));
  EXPECT_EQ(item.m_dwRef, before + 1);
  EXPECT_EQ(acc->Release(), static_cast<ULONG>(before));
  EXPECT_EQ(acc->QueryInterface(IID_IDispatch, &out), S_OK);
  acc->Release();
  const IID other = pv::MakeGuid("12345678-0000-0000-0000-000000000000");
  EXPECT_EQ(acc->QueryInterface(other, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

// A window-like owner on the heap: automation gives it a dispatch interface,
// its map lists the accessible part, and it counts its deletions.
int g_ownersDeleted = 0;

class AccessibleOwner : public CCmdTarget, public CTKAccessible {
 public:
  AccessibleOwner() { EnableAutomation(); }
  ~AccessibleOwner() override { ++g_ownersDeleted; }
  CCmdTarget* GetCmdTarget() override { return this; }
  DECLARE_INTERFACE_MAP()
};

BEGIN_INTERFACE_MAP(AccessibleOwner, CCmdTarget)
INTERFACE_PART(AccessibleOwner, IID_IAccessible, Accessible)
END_INTERFACE_MAP()

// Shares the count but lists no accessible part.
class UnlistedOwner : public CCmdTarget, public CTKAccessible {
 public:
  CCmdTarget* GetCmdTarget() override { return this; }
};

TEST(Accessible, ThePartAnswersThroughItsOwnersInterfaceMap) {
  g_ownersDeleted = 0;
  auto* owner = new AccessibleOwner;
  IAccessible* acc = owner->GetAccessibleInterface();

  // The owner's dispatch interface (what a parent or child query hands out)
  // leads to the accessible part and back.
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(acc->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  EXPECT_EQ(dispatch, owner->GetIDispatch(FALSE));
  IAccessible* again = nullptr;
  ASSERT_EQ(dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, acc);
  IUnknown* unknownFromPart = nullptr;
  IUnknown* unknownFromDispatch = nullptr;
  acc->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknownFromPart));
  dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknownFromDispatch));
  EXPECT_NE(unknownFromPart, nullptr);
  EXPECT_EQ(unknownFromPart, unknownFromDispatch);
  EXPECT_EQ(owner->GetInterface(&IID_IAccessible), static_cast<IUnknown*>(acc));

  // Every reference is the owner's: it outlives its creator's release and is
  // freed once, by the last interface released.
  EXPECT_EQ(owner->m_dwRef, 5);
  owner->InternalRelease();
  unknownFromPart->Release();
  unknownFromDispatch->Release();
  again->Release();
  EXPECT_EQ(g_ownersDeleted, 0);
  EXPECT_EQ(dispatch->Release(), 0u);
  EXPECT_EQ(g_ownersDeleted, 1);

  // An owner whose map does not list the part: the part does not answer for
  // itself either, and takes no reference.
  UnlistedOwner unlisted;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(unlisted.GetAccessibleInterface()->QueryInterface(IID_IAccessible, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(unlisted.m_dwRef, 1);

  // The bare base has no owner: it answers for itself, without a count.
  CTKAccessible bare;
  IAccessible* bareAcc = bare.GetAccessibleInterface();
  EXPECT_EQ(bareAcc->QueryInterface(IID_IDispatch, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(bareAcc));
  EXPECT_EQ(bareAcc->AddRef(), 1u);
  EXPECT_EQ(bareAcc->Release(), 1u);
}

int g_fakeNotifyCalls = 0;
void FakeNotifyWinEvent(DWORD, HWND, LONG, LONG) { ++g_fakeNotifyCalls; }

TEST(Accessible, NotifyWinEventIsLookedUpOnceAndItsAbsenceRemembered) {
  TKEnsureUser32Module();
  HMODULE user32 = GetModuleHandleW(u"user32.dll");
  ASSERT_NE(user32, nullptr);
  FARPROC real = GetProcAddress(user32, "NotifyWinEvent");
  ASSERT_NE(real, nullptr);

  // Present: the arguments reach the system in order.
  pv::test::TakeWinEvents();
  {
    CTKAccessible item;
    item.NotifyAccessibleEvent(0x8005, nullptr, -4, 2);
    auto events = pv::test::TakeWinEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, 0x8005u);
    EXPECT_EQ(events[0].idObject, -4);
    EXPECT_EQ(events[0].idChild, 2);
  }

  // Absent at the first use: never looked up again by that object.
  pv::AddModuleExport(user32, "NotifyWinEvent", nullptr);
  CTKAccessible item;
  item.NotifyAccessibleEvent(0x8005, nullptr, 0, 0);
  g_fakeNotifyCalls = 0;
  pv::AddModuleFunction(user32, "NotifyWinEvent", &FakeNotifyWinEvent);
  item.NotifyAccessibleEvent(0x8005, nullptr, 0, 0);
  EXPECT_EQ(g_fakeNotifyCalls, 0);
  // A fresh object looks it up and keeps the pointer it found.
  CTKAccessible fresh;
  fresh.NotifyAccessibleEvent(0x8005, nullptr, 0, 0);
  fresh.NotifyAccessibleEvent(0x8005, nullptr, 0, 1);
  EXPECT_EQ(g_fakeNotifyCalls, 2);
  pv::AddModuleExport(user32, "NotifyWinEvent", real);
}

int g_lresultCalls = 0;
LRESULT FakeLresultFromObject(REFIID, WPARAM wParam, LPUNKNOWN) {
  ++g_lresultCalls;
  return static_cast<LRESULT>(wParam) + 1000;
}

TEST(Accessible, OleAccIsLoadedLazilyAndGivenUpWhenAnEntryPointIsMissing) {
  HMODULE probe = LoadLibraryW(u"oleacc.dll");
  if (probe) FreeLibrary(probe);
  CTKAccessible item;
  if (!probe) {
    // Absent: E_FAIL, and the next call tries to load it again.
    EXPECT_EQ(item.GetLresultFromObject(IID_IAccessible, 0, nullptr), static_cast<LRESULT>(E_FAIL));
    void* object = nullptr;
    EXPECT_EQ(item.GetAccessibleObjectFromWindow(nullptr, 0, IID_IAccessible, &object), E_FAIL);
  }
  HMODULE oleacc = pv::RegisterBuiltinModule(u"oleacc");
  // The platform's own entry points (when it has them) come back at the end.
  HMODULE loaded = LoadLibraryW(u"oleacc.dll");
  FARPROC realLresult = GetProcAddress(loaded, "LresultFromObject");
  FARPROC realFromWindow = GetProcAddress(loaded, "AccessibleObjectFromWindow");
  FreeLibrary(loaded);
  pv::AddModuleFunction(oleacc, "LresultFromObject", &FakeLresultFromObject);
  pv::AddModuleExport(oleacc, "AccessibleObjectFromWindow", nullptr);
  g_lresultCalls = 0;
  EXPECT_EQ(item.GetLresultFromObject(IID_IAccessible, 5, nullptr), 1005);
  EXPECT_TRUE(pv::IsLoadedModule(oleacc));
  // The other entry point is missing: the library is freed and given up,
  // for both calls of this object.
  void* object = nullptr;
  EXPECT_EQ(item.GetAccessibleObjectFromWindow(nullptr, 0, IID_IAccessible, &object), E_FAIL);
  EXPECT_FALSE(pv::IsLoadedModule(oleacc));
  EXPECT_EQ(item.GetLresultFromObject(IID_IAccessible, 5, nullptr), static_cast<LRESULT>(E_FAIL));
  EXPECT_EQ(g_lresultCalls, 1);
  // Another object loads it and frees it with itself.
  {
    CTKAccessible other;
    EXPECT_EQ(other.GetLresultFromObject(IID_IAccessible, 1, nullptr), 1001);
    EXPECT_TRUE(pv::IsLoadedModule(oleacc));
  }
  EXPECT_FALSE(pv::IsLoadedModule(oleacc));
  pv::AddModuleExport(oleacc, "LresultFromObject", realLresult);
  pv::AddModuleExport(oleacc, "AccessibleObjectFromWindow", realFromWindow);
}

}  // namespace
