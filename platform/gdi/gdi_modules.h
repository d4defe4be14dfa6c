// The built-in modules GDI provides for callers that look its entry points
// up by name: "gdi32" (always loaded), "msimg32" and "GdiPlus" (after
// LoadLibrary).
#pragma once

namespace pv::gdi {

// Registers the modules and their entry points; later calls do nothing. The
// program registers every area's modules at start (pv::RegisterPlatformModules);
// a test that looks GDI up by name calls this itself.
void RegisterModules();

}  // namespace pv::gdi
