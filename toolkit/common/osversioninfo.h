// The system's version and its tests, the common-controls version, late
// bound system modules (CTKModuleHandle), a scoped critical-section lock and
// the current framework thread.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/threads.h"
#include "platform/base/wintypes.h"
#include "platform/system/modules.h"

// The version record (the plain one); the platform has no GetVersionEx.
struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// Filled once from the system (or from a given record, for tests).
class CTKOSVersionInfo : public OSVERSIONINFOW {
 public:
  CTKOSVersionInfo();
  explicit CTKOSVersionInfo(const OSVERSIONINFOW& record);

  BOOL IsWin95() const;
  BOOL IsWin9x() const;
  BOOL IsWinNT4OrLater() const;
  BOOL IsWin2000OrLater() const;
  BOOL IsWinNT4() const;
  BOOL IsWinXPOrLater() const;
  BOOL IsWinVistaOrLater() const;
  BOOL IsWin7OrLater() const;
  BOOL IsVersionAtLeast(DWORD major, DWORD minor) const;
  BOOL IsVersion(DWORD major, DWORD minor) const;
  BOOL IsLayoutRTLSupported() const;
  BOOL IsClearTypeQualityAvailable() const;
};

// The process-wide record, made on first use.
CTKOSVersionInfo* GetOSVersionInfo();
