#include "toolkit/common/registrymanager.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/framework/afxapp.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"

namespace {

std::atomic<TKAppProfileNamesProvider> g_provider{nullptr};

constexpr REGSAM kReadWrite = 0x2001F;  // KEY_READ | KEY_WRITE

struct IniMode {
  std::mutex mutex;
  CString file;
};
IniMode& Ini() {
  static IniMode* mode = new IniMode;  // used from exit-time destructors too
  return *mode;
}

}  // namespace

void TKSetAppProfileNamesProvider(TKAppProfileNamesProvider provider) { g_provider = provider; }

void TKGetAppProfileNames(CString& registryKey, CString& profileName) {
  registryKey.Empty();
  profileName.Empty();
  if (TKAppProfileNamesProvider provider = g_provider.load()) {
    provider(registryKey, profileName);
  } else if (CWinApp* app = AfxGetApp()) {
    if (app->m_pszRegistryKey) registryKey = app->m_pszRegistryKey;
    if (app->m_pszProfileName) profileName = app->m_pszProfileName;
  }
}

void CTKRegistryManager::SetINIFileName(LPCTSTR path) {
  std::lock_guard<std::mutex> lock(Ini().mutex);
  Ini().file = path ? path : u"";
}

CString CTKRegistryManager::GetINIFileName() {
  std::lock_guard<std::mutex> lock(Ini().mutex);
  return Ini().file;
}

HKEY ParseRootKeyName(LPCTSTR text) {
  if (!text) return nullptr;
  std::u16string_view t(text);
  if (t.substr(0, 4) == u"HKCU") return HKEY_CURRENT_USER;
  if (t.substr(0, 4) == u"HKLM") return HKEY_LOCAL_MACHINE;
  return nullptr;
}

CTKRegistryManager::CTKRegistryManager(HKEY root) : m_hRootKey(root) {}

CTKRegistryManager::~CTKRegistryManager() = default;

BOOL CTKRegistryManager::LoadAppKeyNames() {
  if (!m_strRegistryKey.IsEmpty() && !m_strProfileName.IsEmpty()) return TRUE;
  TKGetAppProfileNames(m_strRegistryKey, m_strProfileName);
  return !m_strRegistryKey.IsEmpty() && !m_strProfileName.IsEmpty();
}

HKEY CTKRegistryManager::OpenAppKey(REGSAM access) {
  if (!LoadAppKeyNames()) return nullptr;
  HKEY software = nullptr, company = nullptr, app = nullptr;
  LONG status = RegOpenKeyExW(m_hRootKey, u"Software", 0, access, &software);
  // A fresh per-user registry file has no "Software" key yet; every
  // desktop the settings were designed for has one.
  if (status == ERROR_FILE_NOT_FOUND)
    status = RegCreateKeyExW(m_hRootKey, u"Software", 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &software,
                             nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegCreateKeyExW(software, m_strRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &company,
                             nullptr);
    if (status == ERROR_SUCCESS) {
      status = RegCreateKeyExW(company, m_strProfileName, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &app,
                               nullptr);
      RegCloseKey(company);
    }
    RegCloseKey(software);
  }
  if (status != ERROR_SUCCESS) {
    m_lLastError = status;
    return nullptr;
  }
  return app;
}

HKEY CTKRegistryManager::OpenSectionKey(LPCTSTR section, REGSAM access) {
  if (ParseRootKeyName(section)) return CreateKeyFromPath(section, access);
  if (!section || !LoadAppKeyNames()) return nullptr;
  HKEY app = OpenAppKey(access);
  if (!app) return nullptr;
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(app, section, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  RegCloseKey(app);
  if (status != ERROR_SUCCESS) {
    m_lLastError = status;
    return nullptr;
  }
  return key;
}

HKEY CTKRegistryManager::CreateKeyFromPath(LPCTSTR path, REGSAM access) {
  HKEY root = ParseRootKeyName(path);
  if (!root) return nullptr;
  std::u16string_view rest(path);
  // After the four root letters and one separator.
  rest = rest.size() > 5 ? rest.substr(5) : std::u16string_view();
  HKEY parent = root;
  for (;;) {
    std::size_t slash = rest.find(u'\\');
    std::u16string part(rest.substr(0, slash));
    HKEY key = nullptr;
    LONG status =
        RegCreateKeyExW(parent, part.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (parent != root) RegCloseKey(parent);
    if (status != ERROR_SUCCESS) {
      m_lLastError = status;
      return nullptr;
    }
    if (slash == std::u16string_view::npos) return key;
    parent = key;
    rest = rest.substr(slash + 1);
  }
}

int CTKRegistryManager::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) {
  if (!section || !entry) return 0;
  if (CString ini = IniFileFor(section); !ini.IsEmpty())
    return static_cast<int>(GetPrivateProfileIntW(section, entry, defaultValue, ini));
  HKEY key = OpenSectionKey(section, KEY_READ);
  if (!key) return defaultValue;
  DWORD value = 0, size = sizeof value;
  m_lLastError = RegQueryValueExW(key, entry, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return m_lLastError == ERROR_SUCCESS ? static_cast<int>(value) : defaultValue;
}

BOOL CTKRegistryManager::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) {
  if (!section) return FALSE;
  if (CString ini = IniFileFor(section); !ini.IsEmpty()) {
    if (!entry) return FALSE;
    CString text;
    text.Format(u"%d", value);
    return WriteIni(ini, section, entry, text);
  }
  HKEY key = OpenSectionKey(section, kReadWrite);
  if (!key) return FALSE;
  DWORD word = static_cast<DWORD>(value);
  m_lLastError = RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), sizeof word);
  RegCloseKey(key);
  return m_lLastError == ERROR_SUCCESS;
}

CString CTKRegistryManager::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue) {
  CString fallback(defaultValue ? defaultValue : u"");
  if (CString ini = IniFileFor(section); !ini.IsEmpty()) {
    CString text;
    return entry && ReadIniText(ini, section, entry, text) ? text : fallback;
  }
  HKEY key = OpenSectionKey(section, KEY_READ);
  if (!key) return fallback;
  DWORD bytes = 0;
  m_lLastError = RegQueryValueExW(key, entry, nullptr, nullptr, nullptr, &bytes);
  if (m_lLastError != ERROR_SUCCESS) {
    RegCloseKey(key);
    return fallback;
  }
  // Room for an odd byte count and a terminator the value may lack.
  std::u16string buffer(bytes / 2 + 2, u'\0');
  DWORD size = bytes;
  m_lLastError = RegQueryValueExW(key, entry, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
  RegCloseKey(key);
  if (m_lLastError != ERROR_SUCCESS) return fallback;
  return CString(buffer.c_str());
}

BOOL CTKRegistryManager::WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR text) {
  if (!section) return FALSE;
  if (CString ini = IniFileFor(section); !ini.IsEmpty()) return WriteIni(ini, section, entry, text);
  if (!entry) {
    HKEY app = OpenAppKey(0);
    if (!app) return FALSE;
    m_lLastError = RegDeleteKeyW(app, section);
    RegCloseKey(app);
    return m_lLastError == ERROR_SUCCESS;
  }
  HKEY key = OpenSectionKey(section, kReadWrite);
  if (!key) return FALSE;
  if (text) {
    std::u16string_view t(text);
    m_lLastError = RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>((t.size() + 1) * 2));
  } else {
    m_lLastError = RegDeleteValueW(key, entry);
  }
  RegCloseKey(key);
  return m_lLastError == ERROR_SUCCESS;
}

// ---- INI mode ---------------------------------------------------------------------------------------------

CString CTKRegistryManager::IniFileFor(LPCTSTR section) const {
  if (!section || ParseRootKeyName(section)) return CString();
  return GetINIFileName();
}

BOOL CTKRegistryManager::ReadIniText(LPCTSTR file, LPCTSTR section, LPCTSTR entry, CString& text) {
  // A default no stored text can equal tells a missing key from an empty one.
  static const char16_t kMissing[] = u"\x1\x2";
  for (DWORD size = 256;; size *= 2) {
    std::u16string buffer(size, u'\0');
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetPrivateProfileStringW(section, entry, kMissing, buffer.data(), size, file);
    if (n + 1 < size || size >= 0x1000000u) {
      buffer.resize(n);
      m_lLastError = buffer == kMissing ? static_cast<LONG>(ERROR_FILE_NOT_FOUND) : static_cast<LONG>(ERROR_SUCCESS);
      if (m_lLastError != ERROR_SUCCESS) return FALSE;
      text = CString(std::move(buffer));
      return TRUE;
    }
  }
}

BOOL CTKRegistryManager::WriteIni(LPCTSTR file, LPCTSTR section, LPCTSTR entry, LPCTSTR text) {
  SetLastError(ERROR_SUCCESS);
  BOOL ok = WritePrivateProfileStringW(section, entry, text, file);
  m_lLastError = ok ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(GetLastError());
  return ok;
}
