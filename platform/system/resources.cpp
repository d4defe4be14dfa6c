#include "platform/system/resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"
#include "platform/system/locale.h"
#include "platform/system/modules.h"
#include "platform/system/sysutil.h"

namespace {

struct State {
  std::recursive_mutex mutex;
  std::map<HMODULE, std::vector<const pv::ResourceSet*>> sets;
  HINSTANCE resourceHandle = nullptr;
};

State& St() {
  static auto* s = new State;
  return *s;
}

HMODULE ModuleOrProgram(HMODULE m) { return m ? m : pv::GetProgramModule(); }

// A type or name as the caller gave it.
struct Key {
  bool isId = false;
  WORD id = 0;
  std::u16string text;  // upper-cased
};

bool MakeKey(LPCWSTR p, Key* k) {
  if (!p) return false;
  if (IS_INTRESOURCE(p)) {
    k->isId = true;
    k->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(p));
    return true;
  }
  std::u16string_view s = pv::sys::View(p);
  if (s.size() > 1 && s[0] == u'#') {
    unsigned v = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
      if (s[i] < u'0' || s[i] > u'9') return false;
      v = v * 10 + (s[i] - u'0');
      if (v > 0xFFFF) return false;
    }
    k->isId = true;
    k->id = static_cast<WORD>(v);
    return true;
  }
  k->isId = false;
  k->text = pv::sys::Upper(s);
  return true;
}

bool Matches(const Key& k, const char16_t* text, WORD id) {
  if (k.isId) return !text && id == k.id;
  return text && k.text == text;
}

// Every entry of a module matching type and name (all languages).
std::vector<const pv::ResourceEntry*> Candidates(HMODULE module, const Key& type, const Key& name) {
  std::vector<const pv::ResourceEntry*> out;
  State& s = St();
  auto it = s.sets.find(ModuleOrProgram(module));
  if (it == s.sets.end()) return out;
  for (const pv::ResourceSet* set : it->second)
    for (std::size_t i = 0; i < set->count; ++i) {
      const pv::ResourceEntry& e = set->entries[i];
      if (Matches(type, e.typeText, e.typeId) && Matches(name, e.nameText, e.nameId)) out.push_back(&e);
    }
  return out;
}

const pv::ResourceEntry* PickLanguage(const std::vector<const pv::ResourceEntry*>& c, WORD preferred) {
  if (c.empty()) return nullptr;
  for (auto* e : c)
    if (e->language == preferred) return e;
  for (auto* e : c)
    if (e->language && PRIMARYLANGID(e->language) == PRIMARYLANGID(preferred)) return e;
  for (auto* e : c)
    if (e->language == 0) return e;
  for (auto* e : c)
    if (e->language == 0x0409) return e;
  return c.front();
}

HRSRC Find(HMODULE module, LPCWSTR name, LPCWSTR type, int language) {
  Key t, n;
  if (!MakeKey(type, &t)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  if (!MakeKey(name, &n)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> g(St().mutex);
  auto c = Candidates(module, t, n);
  const pv::ResourceEntry* e = nullptr;
  if (language < 0) {
    e = PickLanguage(c, LANGIDFROMLCID(GetThreadLocale()));
  } else {
    for (auto* x : c)
      if (x->language == language) e = x;
    if (!e && language == 0) e = PickLanguage(c, LANGIDFROMLCID(GetThreadLocale()));
  }
  if (!e) {
    SetLastError(c.empty() ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<pv::ResourceEntry*>(e));
}

bool CStringLoader(UINT id, std::u16string& out) { return pv::LoadStringFromModule(nullptr, id, &out); }

// Identity of a type or name for enumeration, in enumeration order.
struct NameSlot {
  const char16_t* text;
  WORD id;
  bool operator<(const NameSlot& o) const {
    if ((text != nullptr) != (o.text != nullptr)) return text != nullptr;  // names before ids
    if (text) return pv::sys::CompareNoCase(text, o.text) < 0;
    return id < o.id;
  }
};

LPWSTR AsParam(const NameSlot& s) { return s.text ? const_cast<LPWSTR>(s.text) : MAKEINTRESOURCE(s.id); }

// ---- blob reading ---------------------------------------------------------------------------
struct Reader {
  const BYTE* p;
  const BYTE* end;
  bool ok = true;
  template <typename T>
  T Get() {
    if (static_cast<std::size_t>(end - p) < sizeof(T)) {
      ok = false;
      return T{};
    }
    T v;
    std::memcpy(&v, p, sizeof(T));
    p += sizeof(T);
    return v;
  }
  std::u16string Str() {
    WORD n = Get<WORD>();
    if (!ok || static_cast<std::size_t>(end - p) < n * 2u) {
      ok = false;
      return {};
    }
    std::u16string s(n, u'\0');
    std::memcpy(s.data(), p, n * 2u);
    p += n * 2u;
    return s;
  }
};

struct Writer {
  std::vector<BYTE> b;
  template <typename T>
  void Put(T v) {
    BYTE raw[sizeof(T)];
    std::memcpy(raw, &v, sizeof(T));
    b.insert(b.end(), raw, raw + sizeof(T));
  }
  void Str(const std::u16string& s) {
    Put<WORD>(static_cast<WORD>(std::min<std::size_t>(s.size(), 0xFFFF)));
    for (std::size_t i = 0; i < s.size() && i < 0xFFFF; ++i) Put<char16_t>(s[i]);
  }
  void Finish(const char* magic) {
    std::memcpy(b.data(), magic, 4);
    DWORD size = static_cast<DWORD>(b.size());
    std::memcpy(b.data() + 4, &size, 4);
  }
};

bool ReadMenuItems(Reader& r, std::vector<pv::MenuItemTemplate>* items, int depth) {
  WORD count = r.Get<WORD>();
  if (!r.ok || depth > 32) return false;
  for (WORD i = 0; i < count; ++i) {
    pv::MenuItemTemplate item;
    item.flags = r.Get<WORD>();
    item.id = r.Get<DWORD>();
    item.text = r.Str();
    if (!r.ok) return false;
    if ((item.flags & pv::kMenuPopup) && !ReadMenuItems(r, &item.children, depth + 1)) return false;
    items->push_back(std::move(item));
  }
  return true;
}

void WriteMenuItems(Writer& w, const std::vector<pv::MenuItemTemplate>& items) {
  w.Put<WORD>(static_cast<WORD>(items.size()));
  for (const auto& item : items) {
    WORD flags = item.flags;
    w.Put<WORD>(flags);
    w.Put<DWORD>(item.id);
    w.Str(item.text);
    if (flags & pv::kMenuPopup) WriteMenuItems(w, item.children);
  }
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) { return Find(module, name, type, -1); }

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  return Find(module, name, type, language);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const auto* e = reinterpret_cast<const pv::ResourceEntry*>(resource);
  // An empty resource still gets a non-null handle.
  static const unsigned char kEmpty[1] = {0};
  return const_cast<unsigned char*>(e->data ? e->data : kEmpty);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<const pv::ResourceEntry*>(resource)->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param) {
  if (!proc) return FALSE;
  std::set<NameSlot> types;
  {
    std::lock_guard<std::recursive_mutex> g(St().mutex);
    auto it = St().sets.find(ModuleOrProgram(module));
    if (it != St().sets.end())
      for (const pv::ResourceSet* set : it->second)
        for (std::size_t i = 0; i < set->count; ++i)
          types.insert(NameSlot{set->entries[i].typeText, set->entries[i].typeId});
  }
  if (types.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  for (const auto& t : types)
    if (!proc(ModuleOrProgram(module), AsParam(t), param)) return TRUE;
  return TRUE;
}

BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param) {
  Key t;
  if (!proc || !MakeKey(type, &t)) return FALSE;
  std::set<NameSlot> names;
  {
    std::lock_guard<std::recursive_mutex> g(St().mutex);
    auto it = St().sets.find(ModuleOrProgram(module));
    if (it != St().sets.end())
      for (const pv::ResourceSet* set : it->second)
        for (std::size_t i = 0; i < set->count; ++i) {
          const auto& e = set->entries[i];
          if (Matches(t, e.typeText, e.typeId)) names.insert(NameSlot{e.nameText, e.nameId});
        }
  }
  if (names.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  for (const auto& n : names)
    if (!proc(ModuleOrProgram(module), type, AsParam(n), param)) return TRUE;
  return TRUE;
}

BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param) {
  Key t, n;
  if (!proc || !MakeKey(type, &t) || !MakeKey(name, &n)) return FALSE;
  std::vector<WORD> langs;
  {
    std::lock_guard<std::recursive_mutex> g(St().mutex);
    for (auto* e : Candidates(module, t, n))
      if (std::find(langs.begin(), langs.end(), e->language) == langs.end()) langs.push_back(e->language);
  }
  if (langs.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return FALSE;
  }
  for (WORD l : langs)
    if (!proc(ModuleOrProgram(module), type, name, l, param)) return TRUE;
  return TRUE;
}

namespace {
// Entry `id % 16` of the string block; false when the block or the entry
// is missing (an empty entry counts as missing).
bool StringFromModule(HMODULE module, UINT id, const char16_t** text, std::size_t* length) {
  HRSRC r = FindResourceW(module, MAKEINTRESOURCE((id >> 4) + 1), RT_STRING);
  if (!r) return false;
  const auto* e = reinterpret_cast<const pv::ResourceEntry*>(r);
  const BYTE* p = e->data;
  const BYTE* end = p + e->size;
  for (UINT i = 0; i < (id & 15); ++i) {
    if (end - p < 2) return false;
    WORD n;
    std::memcpy(&n, p, 2);
    if (static_cast<std::size_t>(end - p - 2) < n * 2u) return false;
    p += 2 + n * 2u;
  }
  if (end - p < 2) return false;
  WORD n;
  std::memcpy(&n, p, 2);
  if (n == 0 || static_cast<std::size_t>(end - p - 2) < n * 2u) return false;
  *text = reinterpret_cast<const char16_t*>(p + 2);
  *length = n;
  return true;
}
}  // namespace

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int max) {
  if (!buffer) return 0;
  const char16_t* text = nullptr;
  std::size_t length = 0;
  if (!StringFromModule(module, id, &text, &length)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    if (max > 0) buffer[0] = 0;
    return 0;
  }
  if (max == 0) {
    *reinterpret_cast<const char16_t**>(buffer) = text;
    return static_cast<int>(length);
  }
  if (max < 0) return 0;
  std::size_t n = std::min<std::size_t>(length, static_cast<std::size_t>(max - 1));
  std::memcpy(buffer, text, n * 2);
  buffer[n] = 0;
  return static_cast<int>(n);
}

HINSTANCE AfxGetResourceHandle() {
  std::lock_guard<std::recursive_mutex> g(St().mutex);
  return St().resourceHandle ? St().resourceHandle : pv::GetProgramModule();
}

void AfxSetResourceHandle(HINSTANCE module) {
  std::lock_guard<std::recursive_mutex> g(St().mutex);
  St().resourceHandle = module;
}

HINSTANCE AfxGetInstanceHandle() { return pv::GetProgramModule(); }

HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type) {
  HINSTANCE first = AfxGetResourceHandle();
  if (FindResourceW(first, name, type)) return first;
  if (first != pv::GetProgramModule() && FindResourceW(pv::GetProgramModule(), name, type))
    return pv::GetProgramModule();
  return nullptr;
}

namespace pv {

HMODULE RegisterResourceSet(const ResourceSet* set) {
  if (!set) return nullptr;
  HMODULE module = set->module ? RegisterBuiltinModule(set->module) : GetProgramModule();
  {
    std::lock_guard<std::recursive_mutex> g(St().mutex);
    auto& list = St().sets[module];
    if (std::find(list.begin(), list.end(), set) == list.end()) list.push_back(set);
  }
  PvSetStringResourceLoader(&CStringLoader);
  return module;
}

void UnregisterResourceSet(const ResourceSet* set) {
  std::lock_guard<std::recursive_mutex> g(St().mutex);
  for (auto& [m, list] : St().sets) list.erase(std::remove(list.begin(), list.end(), set), list.end());
}

bool LoadStringFromModule(HMODULE module, UINT id, std::u16string* out) {
  out->clear();
  const char16_t* text = nullptr;
  std::size_t length = 0;
  bool found = module ? StringFromModule(module, id, &text, &length)
                      : (StringFromModule(AfxGetResourceHandle(), id, &text, &length) ||
                         StringFromModule(GetProgramModule(), id, &text, &length));
  if (found) out->assign(text, length);
  return found;
}

DWORD TemplateBlobSize(const void* data) {
  if (!data) return 0;
  const BYTE* p = static_cast<const BYTE*>(data);
  if (std::memcmp(p, "PVMN", 4) != 0 && std::memcmp(p, "PVDL", 4) != 0) return 0;
  DWORD size;
  std::memcpy(&size, p + 4, 4);
  return size;
}

bool DecodeMenuResource(const void* data, DWORD size, MenuTemplate* out) {
  if (!data || size < 10 || std::memcmp(data, "PVMN", 4) != 0) return false;
  Reader r{static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size};
  r.p += 4;
  DWORD total = r.Get<DWORD>();
  if (total > size) return false;
  r.end = static_cast<const BYTE*>(data) + total;
  out->items.clear();
  return ReadMenuItems(r, &out->items, 0) && r.ok;
}

std::vector<BYTE> EncodeMenuResource(const MenuTemplate& menu) {
  Writer w;
  w.Put<DWORD>(0);
  w.Put<DWORD>(0);
  WriteMenuItems(w, menu.items);
  w.Finish("PVMN");
  return w.b;
}

bool DecodeDialogResource(const void* data, DWORD size, DialogTemplate* out) {
  if (!data || size < 8 || std::memcmp(data, "PVDL", 4) != 0) return false;
  Reader r{static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size};
  r.p += 4;
  DWORD total = r.Get<DWORD>();
  if (total > size) return false;
  r.end = static_cast<const BYTE*>(data) + total;
  DialogTemplate d;
  d.style = r.Get<DWORD>();
  d.exStyle = r.Get<DWORD>();
  d.x = r.Get<short>();
  d.y = r.Get<short>();
  d.cx = r.Get<short>();
  d.cy = r.Get<short>();
  d.pointSize = r.Get<WORD>();
  d.weight = r.Get<WORD>();
  d.italic = r.Get<BYTE>();
  d.charset = r.Get<BYTE>();
  d.faceName = r.Str();
  d.caption = r.Str();
  d.menu = r.Str();
  d.className = r.Str();
  WORD count = r.Get<WORD>();
  for (WORD i = 0; r.ok && i < count; ++i) {
    DialogItemTemplate it;
    it.style = r.Get<DWORD>();
    it.exStyle = r.Get<DWORD>();
    it.x = r.Get<short>();
    it.y = r.Get<short>();
    it.cx = r.Get<short>();
    it.cy = r.Get<short>();
    it.id = r.Get<DWORD>();
    it.className = r.Str();
    it.text = r.Str();
    WORD extra = r.Get<WORD>();
    if (!r.ok || static_cast<std::size_t>(r.end - r.p) < extra) return false;
    it.extra.assign(r.p, r.p + extra);
    r.p += extra;
    d.items.push_back(std::move(it));
  }
  if (!r.ok) return false;
  *out = std::move(d);
  return true;
}

std::vector<BYTE> EncodeDialogResource(const DialogTemplate& d) {
  Writer w;
  w.Put<DWORD>(0);
  w.Put<DWORD>(0);
  w.Put<DWORD>(d.style);
  w.Put<DWORD>(d.exStyle);
  w.Put<short>(d.x);
  w.Put<short>(d.y);
  w.Put<short>(d.cx);
  w.Put<short>(d.cy);
  w.Put<WORD>(d.pointSize);
  w.Put<WORD>(d.weight);
  w.Put<BYTE>(d.italic);
  w.Put<BYTE>(d.charset);
  w.Str(d.faceName);
  w.Str(d.caption);
  w.Str(d.menu);
  w.Str(d.className);
  w.Put<WORD>(static_cast<WORD>(d.items.size()));
  for (const auto& it : d.items) {
    w.Put<DWORD>(it.style);
    w.Put<DWORD>(it.exStyle);
    w.Put<short>(it.x);
    w.Put<short>(it.y);
    w.Put<short>(it.cx);
    w.Put<short>(it.cy);
    w.Put<DWORD>(it.id);
    w.Str(it.className);
    w.Str(it.text);
    w.Put<WORD>(static_cast<WORD>(it.extra.size()));
    w.b.insert(w.b.end(), it.extra.begin(), it.extra.end());
  }
  w.Finish("PVDL");
  return w.b;
}

bool DecodeToolBarResource(const void* data, DWORD size, ToolBarTemplate* out) {
  if (!data || size < 8) return false;
  Reader r{static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size};
  ToolBarTemplate t;
  t.version = r.Get<WORD>();
  t.width = r.Get<WORD>();
  t.height = r.Get<WORD>();
  WORD count = r.Get<WORD>();
  for (WORD i = 0; r.ok && i < count; ++i) t.ids.push_back(r.Get<WORD>());
  if (!r.ok) return false;
  *out = std::move(t);
  return true;
}

namespace {
// The list- and combo-box add-string messages, and their older numbers.
constexpr WORD kLbAddString = 0x0180;
constexpr WORD kCbAddString = 0x0143;
constexpr WORD kOldLbAddString = 0x0401;
constexpr WORD kOldCbAddString = 0x0403;
}  // namespace

bool DecodeDialogInitResource(const void* data, DWORD size, std::vector<DialogInitEntry>* out) {
  if (!data && size) return false;
  const BYTE* begin = static_cast<const BYTE*>(data);
  Reader r{begin, begin + size};
  std::vector<DialogInitEntry> entries;
  while (r.p != r.end) {
    DialogInitEntry e;
    e.controlId = r.Get<WORD>();
    if (!r.ok) return false;
    if (e.controlId == 0) break;
    e.message = r.Get<WORD>();
    DWORD length = r.Get<DWORD>();
    if (!r.ok || static_cast<std::size_t>(r.end - r.p) < length) return false;
    if (e.message == kOldLbAddString) e.message = kLbAddString;
    if (e.message == kOldCbAddString) e.message = kCbAddString;
    // The text stops at its zero (a text stored without one ends with its record).
    std::string_view raw(reinterpret_cast<const char*>(r.p), length);
    raw = raw.substr(0, raw.find('\0'));
    if (!AppendUtf8ToUtf16(e.text, raw)) return false;
    r.p += length;
    entries.push_back(std::move(e));
  }
  *out = std::move(entries);
  return true;
}

std::vector<BYTE> EncodeDialogInitResource(const std::vector<DialogInitEntry>& entries) {
  Writer w;
  for (const DialogInitEntry& e : entries) {
    if (e.controlId == 0) continue;  // 0 would end the list
    std::string text = Utf16ToUtf8(e.text);
    w.Put<WORD>(e.controlId);
    w.Put<WORD>(e.message);
    w.Put<DWORD>(static_cast<DWORD>(text.size() + 1));
    w.b.insert(w.b.end(), text.begin(), text.end());
    w.b.push_back(0);
  }
  w.Put<WORD>(0);
  return w.b;
}

}  // namespace pv
