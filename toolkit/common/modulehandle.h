// A handle on a system library whose entry points are looked up by name and
// may be gated by a minimum library version; the common-controls version.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"
#include "platform/system/modules.h"

struct DLLVERSIONINFO {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
};
using DLLGETVERSIONPROC = HRESULT (*)(DLLVERSIONINFO*);

class CTKModuleHandle {
 public:
  enum ModuleState { tkModuleNone = 0, tkModuleAttached = 1, tkModuleLoaded = 2 };

  CTKModuleHandle();
  explicit CTKModuleHandle(LPCWSTR name);
  virtual ~CTKModuleHandle();
  CTKModuleHandle(const CTKModuleHandle&) = delete;
  CTKModuleHandle& operator=(const CTKModuleHandle&) = delete;

  // An already loaded module, else a load of it.
  BOOL Init(LPCWSTR name);
  BOOL AttachLoadedModule(LPCWSTR name);
  BOOL LoadModule(LPCWSTR name);
  // Frees a module this object loaded (TRUE otherwise) and forgets it.
  BOOL FreeModule();

  // `minVersion` is major in the high word, minor in the low word; 0 means
  // any version. FALSE (and a null pointer when the version is too low)
  // when the entry point is not available.
  BOOL GetEntryPoint(FARPROC& proc, LPCSTR name, DWORD minVersion = 0);
  template <class F>
  BOOL GetEntryPoint(F*& function, LPCSTR name, DWORD minVersion = 0) {
    FARPROC proc = nullptr;
    BOOL ok = GetEntryPoint(proc, name, minVersion);
    function = proc ? pv::ProcAs<F>(proc) : nullptr;
    return ok;
  }

  BOOL QueryDllVersion();
  // Major in the high word, minor in the low word; 0 without "DllGetVersion".
  DWORD GetDllVersion();

  HMODULE GetHandle() const { return m_hModule; }
  operator HMODULE() const { return m_hModule; }  // NOLINT
  int GetModuleState() const { return m_eModuleState; }
  const CString& GetName() const { return m_strModuleName; }
  const DLLVERSIONINFO& GetVersionInfo() const { return m_dvInfo; }

 protected:
  CString m_strModuleName;
  HMODULE m_hModule = nullptr;
  int m_eModuleState = tkModuleNone;
  DLLVERSIONINFO m_dvInfo{};
};

// "COMCTL32.DLL"'s version, major high and minor low; 4.0 (0x40000) when
// it cannot be read. Cached after the first call.
DWORD GetComCtl32Version();
// The same, read now without the cache.
DWORD TKReadComCtl32Version();
