// Code-page conversion: MultiByteToWideChar / WideCharToMultiByte.
//
// The "ANSI" code pages (CP_ACP, CP_THREAD_ACP) and CP_OEMCP are UTF-8
// (65001), so every name round-trips. Other code pages (936, 1252, 1200,
// ...) convert through the C library's iconv.
//
// Replacement rules:
// - Invalid UTF-8 becomes U+FFFD, one per maximal ill-formed subsequence;
//   with MB_ERR_INVALID_CHARS the call fails with
//   ERROR_NO_UNICODE_TRANSLATION instead.
// - An unpaired surrogate becomes U+FFFD (EF BF BD) in UTF-8; with
//   WC_ERR_INVALID_CHARS the call fails the same way.
// - Bytes another code page does not define become U+FFFD (or fail with
//   MB_ERR_INVALID_CHARS).
// - Characters another code page cannot hold become the default char
//   (the caller's, else '?') and set *usedDefaultChar. There is no
//   "best fit" substitution: every call behaves as WC_NO_BEST_FIT_CHARS.
// - Explicit CP_UTF8/CP_UTF7 keep the strict parameter rules (no default
//   char, no used-default flag, only the ERR flags); the ANSI/OEM code
//   pages accept them as a single-byte ANSI page would (a replaced
//   surrogate then uses the caller's default char and sets the flag).
//
// A length of -1 means a zero-terminated source; the terminator is then
// converted and counted too. An output size of 0 asks for the size needed.
// Failures return 0 and set the thread's last error
// (ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER,
// ERROR_NO_UNICODE_TRANSLATION).
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_MACCP = 2;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_SYMBOL = 42;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x01;
constexpr DWORD MB_COMPOSITE = 0x02;
constexpr DWORD MB_USEGLYPHCHARS = 0x04;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;

constexpr DWORD WC_DISCARDNS = 0x10;
constexpr DWORD WC_SEPCHARS = 0x20;
constexpr DWORD WC_DEFAULTCHAR = 0x40;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_COMPOSITECHECK = 0x200;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

UINT GetACP() noexcept;    // 65001
UINT GetOEMCP() noexcept;  // 65001
BOOL IsValidCodePage(UINT codePage);
