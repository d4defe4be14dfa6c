// Modules: the program itself and the built-in "libraries" other parts of
// the platform register (a theme engine, composition, GDI+ ...). Callers
// look them up the way they would load a DLL; a name nobody registered
// gives NULL with ERROR_MOD_NOT_FOUND, an unknown entry point NULL with
// ERROR_PROC_NOT_FOUND, so their fallbacks run.
//
// Names match without regard to case, with or without ".dll", and with any
// folder in front ignored ("Styles/Office2007.dll" finds "office2007").
#pragma once

#include <string>
#include <string_view>

#include "platform/base/lasterror.h"
#include "platform/base/wintypes.h"

using FARPROC = INT_PTR (*)();
using PROC = FARPROC;

constexpr DWORD DONT_RESOLVE_DLL_REFERENCES = 0x1;
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x2;
constexpr DWORD LOAD_LIBRARY_AS_IMAGE_RESOURCE = 0x20;

// A registered module that is not "always loaded" must be loaded first;
// each LoadLibrary needs a FreeLibrary.
HMODULE LoadLibraryW(LPCWSTR name);
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE reserved, DWORD flags);
HMODULE LoadLibraryA(LPCSTR name);
inline HMODULE LoadLibrary(LPCWSTR n) { return LoadLibraryW(n); }
inline HMODULE LoadLibraryEx(LPCWSTR n, HANDLE r, DWORD f) { return LoadLibraryExW(n, r, f); }
BOOL FreeLibrary(HMODULE module);
// Null gives the program's own module.
HMODULE GetModuleHandleW(LPCWSTR name);
HMODULE GetModuleHandleA(LPCSTR name);
inline HMODULE GetModuleHandle(LPCWSTR n) { return GetModuleHandleW(n); }
// By name, or by ordinal (MAKEINTRESOURCE-style small value).
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

namespace pv {

// The program's module (its HINSTANCE): holds the resources compiled into
// the program.
HMODULE GetProgramModule();

// Registers (or finds) a built-in module by name. `alwaysLoaded` modules
// (the system's own: "user32", "kernel32") answer GetModuleHandle without a
// LoadLibrary first. Registering the same name again returns the same handle.
HMODULE RegisterBuiltinModule(std::u16string_view name, bool alwaysLoaded = false);
// Adds (or replaces) an entry point of a module. Ordinal 0 means none.
void AddModuleExport(HMODULE module, const char* name, FARPROC proc, WORD ordinal = 0);
// Convenience for any function pointer type.
template <typename F>
void AddModuleFunction(HMODULE module, const char* name, F* function) {
  // Through void(*)(), the generic function pointer, so compilers do not warn.
  AddModuleExport(module, name, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function)));
}
// An entry point as the function type the caller knows it has.
template <typename F>
F* ProcAs(FARPROC proc) {
  return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(proc));
}
// The registered name of a module handle (false for unknown handles).
bool GetBuiltinModuleName(HMODULE module, std::u16string* name);
// Whether a handle is the program or a currently loaded module.
bool IsLoadedModule(HMODULE module);

}  // namespace pv
