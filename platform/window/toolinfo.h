// The tool record of tool-tip windows. It lives with the window layer because
// every window's tool hit test (the framework's OnToolHitTest) fills one, not
// only the tool-tip control.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(static_cast<LONG_PTR>(-1)))
#define LPSTR_TEXTCALLBACK LPSTR_TEXTCALLBACKW

#define TTF_IDISHWND 0x0001
#define TTF_CENTERTIP 0x0002
#define TTF_RTLREADING 0x0004
#define TTF_SUBCLASS 0x0010
#define TTF_TRACK 0x0020
#define TTF_ABSOLUTE 0x0080
#define TTF_TRANSPARENT 0x0100
#define TTF_PARSELINKS 0x1000
#define TTF_DI_SETITEM 0x8000

struct TOOLINFOW {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPWSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
};
using TOOLINFO = TOOLINFOW;
using TTTOOLINFOW = TOOLINFOW;
using LPTOOLINFO = TOOLINFOW*;
#define TTTOOLINFOW_V1_SIZE (offsetof(TOOLINFOW, lParam))
#define TTTOOLINFOW_V2_SIZE (offsetof(TOOLINFOW, lpReserved))
#define TTTOOLINFOW_V3_SIZE (sizeof(TOOLINFOW))
