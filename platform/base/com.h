// COM basics: GUIDs, IUnknown/IDispatch, apartment initialisation counting,
// the in-process class registry, task memory and interlocked arithmetic.
//
// There is no system registry of classes here: each layer registers the
// classes it implements (pv::RegisterComClass) under a CLSID and ProgIDs, and
// CoCreateInstance / CLSIDFromProgID look them up.
//
// Interfaces and classes name their GUID through pv::UuidTraits, declared
// with PV_DECLARE_UUID at global scope; __uuidof(Type) reads it.
#pragma once

#include <functional>
#include <initializer_list>

#include "platform/base/wintypes.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCLSID = CLSID*;
using DISPID = LONG;
using MEMBERID = DISPID;
using SCODE = LONG;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

namespace pv {

constexpr int HexDigit(char c) {
  return c >= '0' && c <= '9'   ? c - '0'
         : c >= 'a' && c <= 'f' ? c - 'a' + 10
         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                : -1;
}
constexpr unsigned long long HexField(const char* s, int count) {
  unsigned long long v = 0;
  for (int i = 0; i < count; ++i) {
    int d = HexDigit(s[i]);
    if (d < 0) throw "bad hex digit in GUID text";  // compile-time error when constant-evaluated
    v = v * 16 + static_cast<unsigned>(d);
  }
  return v;
}
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (no braces) at compile time.
constexpr GUID MakeGuid(const char* s) {
  GUID g{};
  g.Data1 = static_cast<DWORD>(HexField(s, 8));
  g.Data2 = static_cast<WORD>(HexField(s + 9, 4));
  g.Data3 = static_cast<WORD>(HexField(s + 14, 4));
  g.Data4[0] = static_cast<BYTE>(HexField(s + 19, 2));
  g.Data4[1] = static_cast<BYTE>(HexField(s + 21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(HexField(s + 24 + 2 * i, 2));
  return g;
}

// Specialised for every interface and class that has a GUID.
template <class T>
struct UuidTraits;

}  // namespace pv

// Declares the GUID of an interface or class; use at global scope.
#define PV_DECLARE_UUID(Type, text)                     \
  template <>                                           \
  struct pv::UuidTraits<Type> {                         \
    static constexpr GUID value = ::pv::MakeGuid(text); \
  }
#define __uuidof(Type) (::pv::UuidTraits<Type>::value)

constexpr GUID GUID_NULL{};
constexpr IID IID_NULL{};
constexpr CLSID CLSID_NULL{};

// ---- method declaration macros ----------------------------------------------------
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define PURE = 0
#define THIS_
#define THIS void

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void** object) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;

 protected:
  // Objects are released, never deleted through an interface; the virtual
  // destructor lets an implementation's Release say `delete this` safely.
  virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;
PV_DECLARE_UUID(IUnknown, "00000000-0000-0000-C000-000000000046");
constexpr IID IID_IUnknown = __uuidof(IUnknown);

struct VARIANT;
struct DISPPARAMS;
struct EXCEPINFO;
struct ITypeInfo;

struct IDispatch : IUnknown {
  STDMETHOD(GetTypeInfoCount)(UINT* count) PURE;
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) PURE;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) PURE;
  STDMETHOD(Invoke)
  (DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
   UINT* argError) PURE;

 protected:
  ~IDispatch() override = default;
};
using LPDISPATCH = IDispatch*;
PV_DECLARE_UUID(IDispatch, "00020400-0000-0000-C000-000000000046");
constexpr IID IID_IDispatch = __uuidof(IDispatch);

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)

// ---- initialisation -------------------------------------------------------------------
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0
#define COINIT_DISABLE_OLE1DDE 0x4
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);

// Initialisation is counted per thread: the first call answers S_OK, later
// ones S_FALSE. Creating objects does not require it (there is no apartment
// machinery to set up), so code that forgets it still works.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit);
void CoUninitialize();
HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object);
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);  // CoTaskMemFree the result
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; a registered ProgID is accepted too.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT IIDFromString(LPCOLESTR text, LPIID iid);
// Writes the braced text; returns the units written including the zero, or 0
// when the buffer is smaller than 39 units.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size);
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);  // CoTaskMemFree the result
HRESULT StringFromIID(REFIID iid, LPOLESTR* text);

LPVOID CoTaskMemAlloc(SIZE_T size);
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
void CoTaskMemFree(LPVOID block);

namespace pv {

// Makes an object of a registered class and asks it for `riid`. The factory
// owns the reference it returns (QueryInterface semantics).
using ComFactory = std::function<HRESULT(REFIID riid, void** object)>;

// Registers (or replaces) a class. `progIds` is a list of ProgIDs, each may
// be null; "ADODB.Connection" and "ADODB.Connection.6.0" can name the same
// class. ProgIDs compare without regard to ASCII case.
void RegisterComClass(REFCLSID clsid, std::initializer_list<const char16_t*> progIds, ComFactory factory);
void UnregisterComClass(REFCLSID clsid);

// Per-thread initialisation count (tests).
int ComInitCount();

}  // namespace pv

// ---- interlocked arithmetic ----------------------------------------------------------
inline LONG InterlockedIncrement(LONG volatile* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
// Stores `exchange` when *target equals `comparand`; returns the old value.
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline LONGLONG InterlockedIncrement64(LONGLONG volatile* target) {
  return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedDecrement64(LONGLONG volatile* target) {
  return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedExchange64(LONGLONG volatile* target, LONGLONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedCompareExchange64(LONGLONG volatile* target, LONGLONG exchange, LONGLONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
