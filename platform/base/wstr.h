// Wide (char16_t) C-string helpers and character classification.
//
// Case mapping is the simple (one unit to one unit) Unicode case mapping
// over the BMP, taken from the C library's C.UTF-8 locale; surrogate units
// map to themselves. Case-insensitive comparison compares the lower-case
// forms unit by unit; comparisons are by code unit otherwise (no
// linguistic ordering). Space is: U+0009-U+000D, U+0020, U+0085, U+00A0,
// U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F and U+3000.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/wintypes.h"

namespace pv {
char16_t ToUpper(char16_t ch) noexcept;
char16_t ToLower(char16_t ch) noexcept;
bool IsSpace(char16_t ch) noexcept;
bool IsAlpha(char16_t ch) noexcept;
bool IsDigit(char16_t ch) noexcept;  // ASCII digits only
bool IsAlnum(char16_t ch) noexcept;
bool IsUpper(char16_t ch) noexcept;
bool IsLower(char16_t ch) noexcept;
bool IsPunct(char16_t ch) noexcept;
bool IsXDigit(char16_t ch) noexcept;
// Lower-case comparison over explicit lengths; -1, 0 or 1.
int CompareNoCase(const char16_t* a, std::size_t na, const char16_t* b, std::size_t nb) noexcept;
}  // namespace pv

// ---- lengths, copies, comparisons (null pointers count as empty strings) --------------
int lstrlen(LPCWSTR s) noexcept;
// Copies at most maxChars-1 units and always terminates (when maxChars > 0).
LPWSTR lstrcpyn(LPWSTR dst, LPCWSTR src, int maxChars) noexcept;
LPWSTR lstrcpy(LPWSTR dst, LPCWSTR src) noexcept;
LPWSTR lstrcat(LPWSTR dst, LPCWSTR src) noexcept;
int lstrcmp(LPCWSTR a, LPCWSTR b) noexcept;
int lstrcmpi(LPCWSTR a, LPCWSTR b) noexcept;
inline int lstrlenW(LPCWSTR s) noexcept { return lstrlen(s); }
inline LPWSTR lstrcpynW(LPWSTR d, LPCWSTR s, int n) noexcept { return lstrcpyn(d, s, n); }
inline LPWSTR lstrcpyW(LPWSTR d, LPCWSTR s) noexcept { return lstrcpy(d, s); }
inline LPWSTR lstrcatW(LPWSTR d, LPCWSTR s) noexcept { return lstrcat(d, s); }
inline int lstrcmpW(LPCWSTR a, LPCWSTR b) noexcept { return lstrcmp(a, b); }
inline int lstrcmpiW(LPCWSTR a, LPCWSTR b) noexcept { return lstrcmpi(a, b); }

std::size_t _tcslen(const char16_t* s) noexcept;
int _tcscmp(const char16_t* a, const char16_t* b) noexcept;
int _tcsncmp(const char16_t* a, const char16_t* b, std::size_t count) noexcept;
int _tcsicmp(const char16_t* a, const char16_t* b) noexcept;
int _tcsnicmp(const char16_t* a, const char16_t* b, std::size_t count) noexcept;
inline int _wcsicmp(const char16_t* a, const char16_t* b) noexcept { return _tcsicmp(a, b); }
inline int _wcsnicmp(const char16_t* a, const char16_t* b, std::size_t n) noexcept { return _tcsnicmp(a, b, n); }
inline int _tcscoll(const char16_t* a, const char16_t* b) noexcept { return _tcscmp(a, b); }
inline int _tcsicoll(const char16_t* a, const char16_t* b) noexcept { return _tcsicmp(a, b); }

const char16_t* _tcschr(const char16_t* s, char16_t ch) noexcept;  // ch may be 0: finds the terminator
const char16_t* _tcsrchr(const char16_t* s, char16_t ch) noexcept;
const char16_t* _tcsstr(const char16_t* s, const char16_t* sub) noexcept;
const char16_t* _tcspbrk(const char16_t* s, const char16_t* set) noexcept;
inline char16_t* _tcschr(char16_t* s, char16_t ch) noexcept {
  return const_cast<char16_t*>(_tcschr(static_cast<const char16_t*>(s), ch));
}
inline char16_t* _tcsrchr(char16_t* s, char16_t ch) noexcept {
  return const_cast<char16_t*>(_tcsrchr(static_cast<const char16_t*>(s), ch));
}
inline char16_t* _tcsstr(char16_t* s, const char16_t* sub) noexcept {
  return const_cast<char16_t*>(_tcsstr(static_cast<const char16_t*>(s), sub));
}
inline char16_t* _tcspbrk(char16_t* s, const char16_t* set) noexcept {
  return const_cast<char16_t*>(_tcspbrk(static_cast<const char16_t*>(s), set));
}
std::size_t _tcsspn(const char16_t* s, const char16_t* set) noexcept;
std::size_t _tcscspn(const char16_t* s, const char16_t* set) noexcept;

char16_t* _tcscpy(char16_t* dst, const char16_t* src) noexcept;
char16_t* _tcscat(char16_t* dst, const char16_t* src) noexcept;
// Copies at most count units, padding with zeros; no terminator when src is longer.
char16_t* _tcsncpy(char16_t* dst, const char16_t* src, std::size_t count) noexcept;
char16_t* _tcsdup(const char16_t* s);  // malloc'd; free() it
char16_t* _tcsupr(char16_t* s) noexcept;
char16_t* _tcslwr(char16_t* s) noexcept;
char16_t* _tcsrev(char16_t* s) noexcept;

// The checked forms return 0, or EINVAL/ERANGE after emptying dst.
int _tcscpy_s(char16_t* dst, std::size_t size, const char16_t* src) noexcept;
int _tcscat_s(char16_t* dst, std::size_t size, const char16_t* src) noexcept;
// count == _TRUNCATE copies what fits and returns STRUNCATE when it cut.
int _tcsncpy_s(char16_t* dst, std::size_t size, const char16_t* src, std::size_t count) noexcept;
int _tcsupr_s(char16_t* s, std::size_t size) noexcept;
int _tcslwr_s(char16_t* s, std::size_t size) noexcept;
template <std::size_t N>
int _tcscpy_s(char16_t (&dst)[N], const char16_t* src) noexcept {
  return _tcscpy_s(dst, N, src);
}
template <std::size_t N>
int _tcscat_s(char16_t (&dst)[N], const char16_t* src) noexcept {
  return _tcscat_s(dst, N, src);
}
template <std::size_t N>
int _tcsncpy_s(char16_t (&dst)[N], const char16_t* src, std::size_t count) noexcept {
  return _tcsncpy_s(dst, N, src, count);
}
inline int wcscpy_s(char16_t* d, std::size_t n, const char16_t* s) noexcept { return _tcscpy_s(d, n, s); }
inline int wcscat_s(char16_t* d, std::size_t n, const char16_t* s) noexcept { return _tcscat_s(d, n, s); }
inline int wcsncpy_s(char16_t* d, std::size_t n, const char16_t* s, std::size_t c) noexcept {
  return _tcsncpy_s(d, n, s, c);
}
template <std::size_t N>
int wcscpy_s(char16_t (&dst)[N], const char16_t* src) noexcept {
  return _tcscpy_s(dst, N, src);
}
template <std::size_t N>
int wcscat_s(char16_t (&dst)[N], const char16_t* src) noexcept {
  return _tcscat_s(dst, N, src);
}
#ifndef _TRUNCATE
#define _TRUNCATE (static_cast<std::size_t>(-1))
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

// ---- numbers --------------------------------------------------------------------------
// Leading white space, an optional sign, then digits; the first other unit
// ends the number. Out-of-range values clamp to the type's limits (the
// strto forms also set errno to ERANGE). base 0 takes 0x.. as hex and 0..
// as octal; base 16 accepts a 0x prefix.
long _tcstol(const char16_t* s, char16_t** end, int base) noexcept;            // 32-bit result
unsigned long _tcstoul(const char16_t* s, char16_t** end, int base) noexcept;  // 32-bit; a minus sign negates
std::int64_t _tcstoi64(const char16_t* s, char16_t** end, int base) noexcept;
std::uint64_t _tcstoui64(const char16_t* s, char16_t** end, int base) noexcept;
double _tcstod(const char16_t* s, char16_t** end) noexcept;  // '.' is the decimal point
int _ttoi(const char16_t* s) noexcept;
long _ttol(const char16_t* s) noexcept;
std::int64_t _ttoi64(const char16_t* s) noexcept;
double _tstof(const char16_t* s) noexcept;
inline int _wtoi(const char16_t* s) noexcept { return _ttoi(s); }
inline long _wtol(const char16_t* s) noexcept { return _ttol(s); }
inline std::int64_t _wtoi64(const char16_t* s) noexcept { return _ttoi64(s); }
inline double _wtof(const char16_t* s) noexcept { return _tstof(s); }
inline int _tstoi(const char16_t* s) noexcept { return _ttoi(s); }

// Digits in lower case; a negative value is written with '-' in base 10 and
// as its unsigned two's complement (32 or 64 bits) in other bases.
char16_t* _itot(int value, char16_t* buffer, int radix) noexcept;
char16_t* _ltot(long value, char16_t* buffer, int radix) noexcept;            // 32-bit value
char16_t* _ultot(unsigned long value, char16_t* buffer, int radix) noexcept;  // 32-bit value
char16_t* _i64tot(std::int64_t value, char16_t* buffer, int radix) noexcept;
char16_t* _ui64tot(std::uint64_t value, char16_t* buffer, int radix) noexcept;
// 0, EINVAL (bad arguments) or ERANGE (buffer too small; it is emptied).
int _itot_s(int value, char16_t* buffer, std::size_t size, int radix) noexcept;
int _ltot_s(long value, char16_t* buffer, std::size_t size, int radix) noexcept;
int _ultot_s(unsigned long value, char16_t* buffer, std::size_t size, int radix) noexcept;
int _i64tot_s(std::int64_t value, char16_t* buffer, std::size_t size, int radix) noexcept;
int _ui64tot_s(std::uint64_t value, char16_t* buffer, std::size_t size, int radix) noexcept;
template <std::size_t N>
int _itot_s(int value, char16_t (&buffer)[N], int radix) noexcept {
  return _itot_s(value, buffer, N, radix);
}
inline char16_t* _itow(int v, char16_t* b, int r) noexcept { return _itot(v, b, r); }
inline char16_t* _ltow(long v, char16_t* b, int r) noexcept { return _ltot(v, b, r); }
inline char16_t* _ultow(unsigned long v, char16_t* b, int r) noexcept { return _ultot(v, b, r); }
inline char16_t* _i64tow(std::int64_t v, char16_t* b, int r) noexcept { return _i64tot(v, b, r); }
inline int _itow_s(int v, char16_t* b, std::size_t n, int r) noexcept { return _itot_s(v, b, n, r); }

// ---- characters ---------------------------------------------------------------------------
// Values outside 0..0xFFFF are returned unchanged / classified false.
int _totupper(int c) noexcept;
int _totlower(int c) noexcept;
int _istspace(int c) noexcept;
int _istdigit(int c) noexcept;
int _istalpha(int c) noexcept;
int _istalnum(int c) noexcept;
int _istupper(int c) noexcept;
int _istlower(int c) noexcept;
int _istpunct(int c) noexcept;
int _istxdigit(int c) noexcept;

// CharUpper/CharLower convert in place and return s; a value whose high
// word is zero is one character, returned converted in the pointer.
LPWSTR CharUpper(LPWSTR s) noexcept;
LPWSTR CharLower(LPWSTR s) noexcept;
DWORD CharUpperBuff(LPWSTR s, DWORD length) noexcept;
DWORD CharLowerBuff(LPWSTR s, DWORD length) noexcept;
// Next unit (a surrogate pair is one step); at the terminator stays there.
LPWSTR CharNext(LPCWSTR s) noexcept;
// Previous unit, never before start.
LPWSTR CharPrev(LPCWSTR start, LPCWSTR current) noexcept;
BOOL IsCharAlpha(WCHAR c) noexcept;
BOOL IsCharAlphaNumeric(WCHAR c) noexcept;
BOOL IsCharUpper(WCHAR c) noexcept;
BOOL IsCharLower(WCHAR c) noexcept;
inline LPWSTR CharUpperW(LPWSTR s) noexcept { return CharUpper(s); }
inline LPWSTR CharLowerW(LPWSTR s) noexcept { return CharLower(s); }
inline LPWSTR CharNextW(LPCWSTR s) noexcept { return CharNext(s); }
inline LPWSTR CharPrevW(LPCWSTR a, LPCWSTR b) noexcept { return CharPrev(a, b); }
inline BOOL IsCharAlphaW(WCHAR c) noexcept { return IsCharAlpha(c); }
inline BOOL IsCharAlphaNumericW(WCHAR c) noexcept { return IsCharAlphaNumeric(c); }
