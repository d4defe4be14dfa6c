// The registry manager: the application's own settings as named integers
// and strings in sections of its registry profile,
//   <root>\Software\<registry key>\<profile name>\<section>.
// A section that begins with "HKCU" or "HKLM" is a full key path instead.
//
// A manager lives for one group of calls and holds no key between them.
// Reads fall back to their defaults and writes answer FALSE; the status of
// the last registry call stays in m_lLastError. Without a registry key or
// profile name every profile operation fails or gives its default (full
// HKCU/HKLM paths still work).
//
// INI mode: once a process-wide INI file is set (SetINIFileName), the
// profile operations read and write sections of that file instead of the
// registry (full HKCU/HKLM paths still name registry keys).
#pragma once

#include "platform/base/cstring.h"

class CTKRegistryManager {
 public:
  explicit CTKRegistryManager(HKEY root);
  virtual ~CTKRegistryManager();
  CTKRegistryManager(const CTKRegistryManager&) = delete;
  CTKRegistryManager& operator=(const CTKRegistryManager&) = delete;

  // 0 (not the default) when the section or the entry is null.
  int GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue);
  BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value);
  // The text up to its first zero unit, or the default (empty for null).
  CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue = nullptr);
  // A null text deletes the value; a null entry deletes the section key.
  BOOL WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR text);

  // Keys the caller closes.
  virtual HKEY OpenAppKey(REGSAM access);
  virtual HKEY OpenSectionKey(LPCTSTR section, REGSAM access);
  // Takes the names from the application the first time; TRUE when both
  // are set.
  BOOL LoadAppKeyNames();
  // Opens the path "HKCU\A\B" or "HKLM\A\B", creating every missing key.
  HKEY CreateKeyFromPath(LPCTSTR path, REGSAM access);

  // The INI file of INI mode for every manager of the process; null or
  // empty goes back to the registry.
  static void SetINIFileName(LPCTSTR path);
  static CString GetINIFileName();

 private:
  // The INI file a section goes to in INI mode, else empty.
  CString IniFileFor(LPCTSTR section) const;
  BOOL ReadIniText(LPCTSTR file, LPCTSTR section, LPCTSTR entry, CString& text);
  BOOL WriteIni(LPCTSTR file, LPCTSTR section, LPCTSTR entry, LPCTSTR text);

 public:
  HKEY m_hRootKey;
  CString m_strRegistryKey;
  CString m_strProfileName;
  LONG m_lLastError = 0;
};

// HKEY_CURRENT_USER for a text beginning with "HKCU", HKEY_LOCAL_MACHINE
// for "HKLM" (case-sensitive), else null.
HKEY ParseRootKeyName(LPCTSTR text);

// The application's registry key and profile name: those of the
// framework's running application object (SetRegistryKey sets both; a null
// one reads as empty, and so do both without an application object). A
// test may install a provider that answers in the application's place; a
// null provider goes back to the application object.
using TKAppProfileNamesProvider = void (*)(CString& registryKey, CString& profileName);
void TKSetAppProfileNamesProvider(TKAppProfileNamesProvider provider);
void TKGetAppProfileNames(CString& registryKey, CString& profileName);
