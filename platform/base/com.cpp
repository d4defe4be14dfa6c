#include "platform/base/com.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/bstr.h"

namespace pv {
namespace {

struct ClassEntry {
  CLSID clsid;
  std::vector<std::u16string> progIds;
  ComFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<ClassEntry> classes;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives static destructors that release objects
  return *registry;
}

thread_local int tComInit = 0;

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameProgId(const std::u16string& a, const char16_t* b) {
  size_t n = Utf16Length(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

ClassEntry* FindByClsid(Registry& r, REFCLSID clsid) {
  for (auto& e : r.classes)
    if (IsEqualGUID(e.clsid, clsid)) return &e;
  return nullptr;
}

ClassEntry* FindByProgId(Registry& r, const char16_t* progId) {
  for (auto& e : r.classes)
    for (auto& p : e.progIds)
      if (SameProgId(p, progId)) return &e;
  return nullptr;
}

bool ParseGuid(const char16_t* s, GUID* out) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (!s || Utf16Length(s) != 38 || s[0] != u'{' || s[37] != u'}') return false;
  char narrow[37];
  for (int i = 0; i < 36; ++i) {
    char16_t c = s[i + 1];
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash) {
      if (c != u'-') return false;
    } else if (c > 0x7F || HexDigit(static_cast<char>(c)) < 0) {
      return false;
    }
    narrow[i] = static_cast<char>(c);
  }
  narrow[36] = 0;
  *out = MakeGuid(narrow);
  return true;
}

}  // namespace

void RegisterComClass(REFCLSID clsid, std::initializer_list<const char16_t*> progIds, ComFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ClassEntry* entry = FindByClsid(r, clsid);
  if (!entry) {
    r.classes.push_back(ClassEntry{clsid, {}, nullptr});
    entry = &r.classes.back();
  }
  entry->factory = std::move(factory);
  entry->progIds.clear();
  for (const char16_t* p : progIds)
    if (p && *p) entry->progIds.emplace_back(p);
}

void UnregisterComClass(REFCLSID clsid) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto it = r.classes.begin(); it != r.classes.end(); ++it) {
    if (IsEqualGUID(it->clsid, clsid)) {
      r.classes.erase(it);
      return;
    }
  }
}

int ComInitCount() { return tComInit; }

}  // namespace pv

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD) { return pv::tComInit++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (pv::tComInit > 0) --pv::tComInit;
}

HRESULT OleInitialize(LPVOID reserved) { return CoInitialize(reserved); }
void OleUninitialize() { CoUninitialize(); }

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  pv::ComFactory factory;
  {
    pv::Registry& r = pv::TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    pv::ClassEntry* entry = pv::FindByClsid(r, clsid);
    if (!entry) return REGDB_E_CLASSNOTREG;
    factory = entry->factory;
  }
  // The factory runs outside the lock: constructors may create other objects.
  if (!factory) return REGDB_E_CLASSNOTREG;
  HRESULT hr = factory(riid, object);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  pv::Registry& r = pv::TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  pv::ClassEntry* entry = pv::FindByProgId(r, progId);
  if (!entry) {
    *clsid = CLSID_NULL;
    return CO_E_CLASSSTRING;
  }
  *clsid = entry->clsid;
  return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
  if (!progId) return E_INVALIDARG;
  *progId = nullptr;
  pv::Registry& r = pv::TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  pv::ClassEntry* entry = pv::FindByClsid(r, clsid);
  if (!entry || entry->progIds.empty()) return REGDB_E_CLASSNOTREG;
  const std::u16string& name = entry->progIds.front();
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
  if (!out) return E_OUTOFMEMORY;
  for (size_t i = 0; i < name.size(); ++i) out[i] = name[i];
  out[name.size()] = 0;
  *progId = out;
  return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!clsid) return E_INVALIDARG;
  if (!text || !*text) {
    *clsid = CLSID_NULL;
    return S_OK;
  }
  if (pv::ParseGuid(text, clsid)) return S_OK;
  if (text[0] != u'{' && SUCCEEDED(CLSIDFromProgID(text, clsid))) return S_OK;
  *clsid = CLSID_NULL;
  return CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR text, LPIID iid) {
  if (!iid) return E_INVALIDARG;
  if (!text || !*text) {
    *iid = IID_NULL;
    return S_OK;
  }
  if (pv::ParseGuid(text, iid)) return S_OK;
  return E_INVALIDARG;
}

int StringFromGUID2(REFGUID g, LPOLESTR buffer, int size) {
  if (!buffer || size < 39) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  int pos = 0;
  auto put = [&](char16_t c) { buffer[pos++] = c; };
  auto hex = [&](unsigned long long v, int digits) {
    for (int i = digits - 1; i >= 0; --i) put(static_cast<char16_t>(kHex[(v >> (i * 4)) & 0xF]));
  };
  put(u'{');
  hex(g.Data1, 8);
  put(u'-');
  hex(g.Data2, 4);
  put(u'-');
  hex(g.Data3, 4);
  put(u'-');
  hex(g.Data4[0], 2);
  hex(g.Data4[1], 2);
  put(u'-');
  for (int i = 2; i < 8; ++i) hex(g.Data4[i], 2);
  put(u'}');
  put(0);
  return pos;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) {
  if (!text) return E_INVALIDARG;
  *text = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
  if (!*text) return E_OUTOFMEMORY;
  StringFromGUID2(clsid, *text, 39);
  return S_OK;
}

HRESULT StringFromIID(REFIID iid, LPOLESTR* text) { return StringFromCLSID(iid, text); }

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) { return std::realloc(block, size ? size : 1); }
void CoTaskMemFree(LPVOID block) { std::free(block); }
