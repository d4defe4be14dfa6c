// The one place the platform's built-in modules are registered.
//
// Callers find platform services by module name (LoadLibrary, GetProcAddress)
// as they would find system libraries. Nothing registers itself when linked
// in: the program calls RegisterPlatformModules once at start, before any
// look-up, and it asks each area to register its modules.
#pragma once

namespace pv {

// GDI ("gdi32", "msimg32", "GdiPlus") and the shell ("shell32", "shlwapi",
// "winmm", "oleacc", "RICHED20"). Safe to call again.
void RegisterPlatformModules();

}  // namespace pv
