#include "toolkit/common/modulehandle.h"

CTKModuleHandle::CTKModuleHandle() = default;

CTKModuleHandle::CTKModuleHandle(LPCWSTR name) { Init(name); }

CTKModuleHandle::~CTKModuleHandle() { FreeModule(); }

BOOL CTKModuleHandle::Init(LPCWSTR name) { return AttachLoadedModule(name) || LoadModule(name); }

BOOL CTKModuleHandle::AttachLoadedModule(LPCWSTR name) {
  FreeModule();
  if (!name) return FALSE;
  m_hModule = ::GetModuleHandleW(name);
  if (!m_hModule) return FALSE;
  m_eModuleState = tkModuleAttached;
  m_strModuleName = name;
  return TRUE;
}

BOOL CTKModuleHandle::LoadModule(LPCWSTR name) {
  FreeModule();
  if (!name) return FALSE;
  m_hModule = ::LoadLibraryW(name);
  if (!m_hModule) return FALSE;
  m_eModuleState = tkModuleLoaded;
  m_strModuleName = name;
  return TRUE;
}

BOOL CTKModuleHandle::FreeModule() {
  BOOL result = TRUE;
  if (m_eModuleState == tkModuleLoaded && m_hModule) result = ::FreeLibrary(m_hModule);
  m_hModule = nullptr;
  m_eModuleState = tkModuleNone;
  m_strModuleName.Empty();
  m_dvInfo = DLLVERSIONINFO{};
  return result;
}

BOOL CTKModuleHandle::GetEntryPoint(FARPROC& proc, LPCSTR name, DWORD minVersion) {
  if (!m_hModule) return FALSE;
  if (minVersion != 0) {
    DWORD version = GetDllVersion();
    WORD major = HIWORD(version), minor = LOWORD(version);
    WORD minMajor = HIWORD(minVersion), minMinor = LOWORD(minVersion);
    if (major < minMajor || (major == minMajor && minor < minMinor)) {
      proc = nullptr;
      return FALSE;
    }
  }
  proc = ::GetProcAddress(m_hModule, name);
  return proc != nullptr;
}

BOOL CTKModuleHandle::QueryDllVersion() {
  if (!m_hModule) return FALSE;
  m_dvInfo = DLLVERSIONINFO{};
  m_dvInfo.cbSize = sizeof(DLLVERSIONINFO);
  FARPROC proc = ::GetProcAddress(m_hModule, "DllGetVersion");
  if (!proc) return FALSE;
  return SUCCEEDED(pv::ProcAs<HRESULT(DLLVERSIONINFO*)>(proc)(&m_dvInfo));
}

DWORD CTKModuleHandle::GetDllVersion() {
  if (m_dvInfo.cbSize == 0) QueryDllVersion();
  return MAKELONG(static_cast<WORD>(m_dvInfo.dwMinorVersion), static_cast<WORD>(m_dvInfo.dwMajorVersion));
}

DWORD TKReadComCtl32Version() {
  CTKModuleHandle module(u"COMCTL32.DLL");
  DWORD version = module.GetDllVersion();
  return version == 0 ? MAKELONG(0, 4) : version;
}

DWORD GetComCtl32Version() {
  static DWORD version = 0;
  if (version == 0) version = TKReadComCtl32Version();
  return version;
}
