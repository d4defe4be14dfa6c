#include "toolkit/common/osversioninfo.h"

#include <cstring>

#include "platform/window/winuser.h"

namespace {

// The platform runs on no Windows version: it reports the newest one the
// toolkit distinguishes (7, NT family), so every caller takes its modern path.
void FillSystemVersion(OSVERSIONINFOW* info) {
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 7601;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  const char16_t sp[] = u"Service Pack 1";
  std::memcpy(info->szCSDVersion, sp, sizeof(sp));
}

}  // namespace

CTKOSVersionInfo::CTKOSVersionInfo() {
  std::memset(static_cast<OSVERSIONINFOW*>(this), 0, sizeof(OSVERSIONINFOW));
  dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  FillSystemVersion(this);
}

CTKOSVersionInfo::CTKOSVersionInfo(const OSVERSIONINFOW& record) {
  *static_cast<OSVERSIONINFOW*>(this) = record;
  dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
}

BOOL CTKOSVersionInfo::IsWin95() const {
  return dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && dwMajorVersion == 4 && dwMinorVersion < 10;
}
BOOL CTKOSVersionInfo::IsWin9x() const { return dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }
BOOL CTKOSVersionInfo::IsWinNT4OrLater() const { return dwPlatformId >= VER_PLATFORM_WIN32_NT && dwMajorVersion >= 4; }
BOOL CTKOSVersionInfo::IsWin2000OrLater() const { return dwPlatformId >= VER_PLATFORM_WIN32_NT && dwMajorVersion >= 5; }
BOOL CTKOSVersionInfo::IsWinNT4() const { return dwPlatformId == VER_PLATFORM_WIN32_NT && IsVersion(4, 0); }
BOOL CTKOSVersionInfo::IsWinXPOrLater() const {
  return dwPlatformId >= VER_PLATFORM_WIN32_NT && IsVersionAtLeast(5, 1);
}
BOOL CTKOSVersionInfo::IsWinVistaOrLater() const {
  return dwPlatformId >= VER_PLATFORM_WIN32_NT && IsVersionAtLeast(6, 0);
}
BOOL CTKOSVersionInfo::IsWin7OrLater() const { return dwPlatformId >= VER_PLATFORM_WIN32_NT && IsVersionAtLeast(6, 1); }
BOOL CTKOSVersionInfo::IsVersionAtLeast(DWORD major, DWORD minor) const {
  return dwMajorVersion > major || (dwMajorVersion == major && dwMinorVersion >= minor);
}
BOOL CTKOSVersionInfo::IsVersion(DWORD major, DWORD minor) const {
  return dwMajorVersion == major && dwMinorVersion == minor;
}
BOOL CTKOSVersionInfo::IsLayoutRTLSupported() const {
  return IsWin2000OrLater() || GetSystemMetrics(SM_MIDEASTENABLED) != 0;
}
BOOL CTKOSVersionInfo::IsClearTypeQualityAvailable() const { return IsWinXPOrLater(); }

CTKOSVersionInfo* GetOSVersionInfo() {
  // A function-local object: made on the first call whatever the order of
  // the static initialisers, destroyed at exit.
  static CTKOSVersionInfo info;
  return &info;
}
