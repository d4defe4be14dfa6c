#include "platform/system/modules.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/handletable.h"
#include "platform/system/sysutil.h"

namespace {

struct Export {
  std::string name;
  WORD ordinal = 0;
  FARPROC proc = nullptr;
};

struct Module {
  std::u16string name;
  bool alwaysLoaded = false;
  int refs = 0;
  std::vector<Export> exports;
  uintptr_t handle = 0;  // given once, when registered
};

// Modules are known by generation-tagged handles (never their addresses), so
// a value that is no module's handle, a handle of another kind among them,
// is refused. Registered modules live as long as the process: a module's
// handle stays the same across loads and frees, as callers that compare
// handles expect. `mutex` guards everything here but `program.handle`,
// which is fixed before the registry is reachable.
struct Registry {
  std::mutex mutex;
  Module program;
  std::map<std::u16string, std::unique_ptr<Module>> byKey;  // normalised name → module
  pv::detail::HandleTable<Module> handles{pv::detail::HandleTag::Module};
};

Registry& R() {
  static Registry* r = [] {
    auto* reg = new Registry;
    reg->program.name = u"pravenor";
    reg->program.alwaysLoaded = true;
    reg->program.handle = reg->handles.Add(&reg->program);
    return reg;
  }();
  return *r;
}

// "C:\x\UxTheme.DLL" → "UXTHEME".
std::u16string KeyOf(std::u16string_view name) {
  std::size_t slash = name.find_last_of(u"/\\");
  if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
  std::u16string key = pv::sys::Upper(name);
  while (!key.empty() && (key.back() == u' ' || key.back() == u'.')) key.pop_back();
  if (key.size() > 4 && key.ends_with(u".DLL")) key.resize(key.size() - 4);
  return key;
}

// Callers hold the registry's lock.
Module* Find(Registry& r, HMODULE h) { return r.handles.Find(reinterpret_cast<uintptr_t>(h)); }

HMODULE Handle(const Module* m) { return reinterpret_cast<HMODULE>(m->handle); }

}  // namespace

HMODULE LoadLibraryExW(LPCWSTR name, HANDLE, DWORD) {
  if (!name || !name[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  auto it = r.byKey.find(KeyOf(pv::sys::View(name)));
  if (it == r.byKey.end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++it->second->refs;
  return Handle(it->second.get());
}

HMODULE LoadLibraryW(LPCWSTR name) { return LoadLibraryExW(name, nullptr, 0); }

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name) return LoadLibraryW(nullptr);
  std::u16string w = pv::sys::FromUtf8(name);
  return LoadLibraryW(w.c_str());
}

BOOL FreeLibrary(HMODULE module) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  Module* m = Find(r, module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (m->refs > 0) --m->refs;
  return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  Registry& r = R();
  if (!name) return Handle(&r.program);
  std::lock_guard<std::mutex> g(r.mutex);
  auto it = r.byKey.find(KeyOf(pv::sys::View(name)));
  if (it == r.byKey.end() || (!it->second->alwaysLoaded && it->second->refs == 0)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return Handle(it->second.get());
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return GetModuleHandleW(nullptr);
  std::u16string w = pv::sys::FromUtf8(name);
  return GetModuleHandleW(w.c_str());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  Module* m = Find(r, module ? module : Handle(&r.program));
  if (!m || (!m->alwaysLoaded && m->refs == 0)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!name) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  auto value = reinterpret_cast<ULONG_PTR>(name);
  for (const auto& e : m->exports) {
    bool match = (value >> 16) == 0 ? (e.ordinal != 0 && e.ordinal == value) : e.name == name;
    if (match && e.proc) return e.proc;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

namespace pv {

HMODULE GetProgramModule() { return Handle(&R().program); }

HMODULE RegisterBuiltinModule(std::u16string_view name, bool alwaysLoaded) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  std::u16string key = KeyOf(name);
  auto& slot = r.byKey[key];
  if (!slot) {
    auto m = std::make_unique<Module>();
    m->handle = r.handles.Add(m.get());
    if (!m->handle) {
      r.byKey.erase(key);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    std::size_t slash = name.find_last_of(u"/\\");
    m->name = std::u16string(slash == std::u16string_view::npos ? name : name.substr(slash + 1));
    slot = std::move(m);
  }
  if (alwaysLoaded) slot->alwaysLoaded = true;
  return Handle(slot.get());
}

void AddModuleExport(HMODULE module, const char* name, FARPROC proc, WORD ordinal) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  Module* m = Find(r, module);
  if (!m || !name) return;
  for (auto& e : m->exports) {
    if (e.name == name) {
      e.proc = proc;
      e.ordinal = ordinal;
      return;
    }
  }
  m->exports.push_back(Export{name, ordinal, proc});
}

bool GetBuiltinModuleName(HMODULE module, std::u16string* name) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  Module* m = Find(r, module);
  if (!m) return false;
  *name = m->name;
  return true;
}

bool IsLoadedModule(HMODULE module) {
  Registry& r = R();
  std::lock_guard<std::mutex> g(r.mutex);
  Module* m = Find(r, module);
  return m && (m->alwaysLoaded || m->refs > 0);
}

}  // namespace pv
