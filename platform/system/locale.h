// National-language support over the locale data of platform/base/localedata.h:
// each locale's names, separators, first day of the week and year-month
// picture come from the C library's data for every installed locale, our
// own tables (en-US, de-DE) serve their languages when it is not installed,
// and an LCID that neither can serve is refused (GetLocaleInfo and the
// formatting functions fail with ERROR_INVALID_PARAMETER, SetThreadLocale and
// IsValidLocale say FALSE).
//
// GetLocaleInfo answers the LOCALE_* items below; GetDateFormat and
// GetTimeFormat take a picture or the locale's own (DATE_SHORTDATE,
// DATE_LONGDATE, DATE_YEARMONTH; TIME_NOSECONDS, TIME_NOMINUTESORSECONDS,
// TIME_NOTIMEMARKER, TIME_FORCE24HOURFORMAT). The user default follows
// PRAVENOR_LOCALE, LC_ALL, LC_TIME and LANG ("de_DE.UTF-8" is 0x0407); the
// thread locale starts as the user default.
#pragma once

#include <clocale>

#include "platform/base/lasterror.h"
#include "platform/base/systime.h"
#include "platform/base/wintypes.h"

using LCTYPE = DWORD;

// ---- language and locale ids ----------------------------------------------------------------
#define MAKELANGID(p, s) (static_cast<WORD>((static_cast<WORD>(s) << 10) | static_cast<WORD>(p)))
#define PRIMARYLANGID(lgid) (static_cast<WORD>(lgid) & 0x3ff)
#define SUBLANGID(lgid) (static_cast<WORD>(lgid) >> 10)
#define MAKELCID(lgid, srtid)                                                \
  (static_cast<DWORD>((static_cast<DWORD>(static_cast<WORD>(srtid)) << 16) | \
                      static_cast<DWORD>(static_cast<WORD>(lgid))))
#define LANGIDFROMLCID(lcid) (static_cast<WORD>(lcid))
#define SORTIDFROMLCID(lcid) (static_cast<WORD>((static_cast<DWORD>(lcid) >> 16) & 0xf))

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_ARABIC = 0x01;
constexpr WORD LANG_CHINESE = 0x04;
constexpr WORD LANG_GERMAN = 0x07;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD LANG_HEBREW = 0x0d;
constexpr WORD LANG_JAPANESE = 0x11;
constexpr WORD LANG_THAI = 0x1e;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;
constexpr WORD SUBLANG_ENGLISH_US = 0x01;
constexpr WORD SUBLANG_ENGLISH_UK = 0x02;
constexpr WORD SUBLANG_GERMAN = 0x01;
constexpr WORD SORT_DEFAULT = 0x0;
constexpr WORD LANG_USER_DEFAULT = 0x0400;    // MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)
constexpr WORD LANG_SYSTEM_DEFAULT = 0x0800;  // MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_NEUTRAL = 0x0000;
constexpr LCID LOCALE_INVARIANT = 0x007f;

// ---- GetLocaleInfo items ----------------------------------------------------------------------
constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
constexpr LCTYPE LOCALE_RETURN_NUMBER = 0x20000000;
constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;
constexpr LCTYPE LOCALE_SLANGUAGE = 0x0002;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x0003;
constexpr LCTYPE LOCALE_SNATIVELANGNAME = 0x0004;
constexpr LCTYPE LOCALE_ICOUNTRY = 0x0005;
constexpr LCTYPE LOCALE_SCOUNTRY = 0x0006;
constexpr LCTYPE LOCALE_SENGCOUNTRY = 0x1002;
constexpr LCTYPE LOCALE_SABBREVCTRYNAME = 0x0007;
constexpr LCTYPE LOCALE_IDEFAULTLANGUAGE = 0x0009;
constexpr LCTYPE LOCALE_IDEFAULTCOUNTRY = 0x000A;
constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr LCTYPE LOCALE_SLIST = 0x000C;
constexpr LCTYPE LOCALE_IMEASURE = 0x000D;
constexpr LCTYPE LOCALE_SDECIMAL = 0x000E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x000F;
constexpr LCTYPE LOCALE_SGROUPING = 0x0010;
constexpr LCTYPE LOCALE_IDIGITS = 0x0011;
constexpr LCTYPE LOCALE_ILZERO = 0x0012;
constexpr LCTYPE LOCALE_INEGNUMBER = 0x1010;
constexpr LCTYPE LOCALE_SNATIVEDIGITS = 0x0013;
constexpr LCTYPE LOCALE_SCURRENCY = 0x0014;
constexpr LCTYPE LOCALE_SINTLSYMBOL = 0x0015;
constexpr LCTYPE LOCALE_SMONDECIMALSEP = 0x0016;
constexpr LCTYPE LOCALE_SMONTHOUSANDSEP = 0x0017;
constexpr LCTYPE LOCALE_SMONGROUPING = 0x0018;
constexpr LCTYPE LOCALE_ICURRDIGITS = 0x0019;
constexpr LCTYPE LOCALE_ICURRENCY = 0x001B;
constexpr LCTYPE LOCALE_INEGCURR = 0x001C;
constexpr LCTYPE LOCALE_SDATE = 0x001D;
constexpr LCTYPE LOCALE_STIME = 0x001E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x001F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x0020;
constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
constexpr LCTYPE LOCALE_IDATE = 0x0021;
constexpr LCTYPE LOCALE_ILDATE = 0x0022;
constexpr LCTYPE LOCALE_ITIME = 0x0023;
constexpr LCTYPE LOCALE_ITIMEMARKPOSN = 0x1005;
constexpr LCTYPE LOCALE_ICENTURY = 0x0024;
constexpr LCTYPE LOCALE_ITLZERO = 0x0025;
constexpr LCTYPE LOCALE_IDAYLZERO = 0x0026;
constexpr LCTYPE LOCALE_IMONLZERO = 0x0027;
constexpr LCTYPE LOCALE_S1159 = 0x0028;
constexpr LCTYPE LOCALE_S2359 = 0x0029;
constexpr LCTYPE LOCALE_ICALENDARTYPE = 0x1009;
constexpr LCTYPE LOCALE_IFIRSTDAYOFWEEK = 0x100C;
constexpr LCTYPE LOCALE_IFIRSTWEEKOFYEAR = 0x100D;
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x002A;  // Monday .. LOCALE_SDAYNAME7 = Sunday
constexpr LCTYPE LOCALE_SDAYNAME7 = 0x0030;
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x0031;
constexpr LCTYPE LOCALE_SABBREVDAYNAME7 = 0x0037;
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x0038;
constexpr LCTYPE LOCALE_SMONTHNAME12 = 0x0043;
constexpr LCTYPE LOCALE_SMONTHNAME13 = 0x100E;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x0044;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME12 = 0x004F;
constexpr LCTYPE LOCALE_SABBREVMONTHNAME13 = 0x100F;
constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x0050;
constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x0051;
constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x0059;
constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x005A;
constexpr LCTYPE LOCALE_SYEARMONTH = 0x1006;
constexpr LCTYPE LOCALE_SNAME = 0x005C;

// ---- date and time formatting flags --------------------------------------------------------
constexpr DWORD DATE_SHORTDATE = 0x00000001;
constexpr DWORD DATE_LONGDATE = 0x00000002;
constexpr DWORD DATE_USE_ALT_CALENDAR = 0x00000004;
constexpr DWORD DATE_YEARMONTH = 0x00000008;
constexpr DWORD DATE_LTRREADING = 0x00000010;
constexpr DWORD DATE_RTLREADING = 0x00000020;
constexpr DWORD TIME_NOMINUTESORSECONDS = 0x00000001;
constexpr DWORD TIME_NOSECONDS = 0x00000002;
constexpr DWORD TIME_NOTIMEMARKER = 0x00000004;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x00000008;

// ---- comparison and mapping ----------------------------------------------------------------
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr DWORD NORM_IGNORENONSPACE = 0x00000002;
constexpr DWORD NORM_IGNORESYMBOLS = 0x00000004;
constexpr DWORD NORM_IGNOREKANATYPE = 0x00010000;
constexpr DWORD NORM_IGNOREWIDTH = 0x00020000;
constexpr DWORD SORT_STRINGSORT = 0x00001000;
constexpr DWORD LINGUISTIC_IGNORECASE = 0x00000010;
constexpr DWORD LCMAP_LOWERCASE = 0x00000100;
constexpr DWORD LCMAP_UPPERCASE = 0x00000200;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();
LANGID GetUserDefaultUILanguage();
LCID GetThreadLocale();
// Only locales we can serve are accepted (FALSE, ERROR_INVALID_PARAMETER otherwise).
BOOL SetThreadLocale(LCID locale);
BOOL IsValidLocale(LCID locale, DWORD flags);

// Returns the characters written including the terminator; with size 0,
// the size needed. LOCALE_RETURN_NUMBER writes a DWORD (size in WCHARs = 2).
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
inline int GetLocaleInfo(LCID l, LCTYPE t, LPWSTR d, int s) { return GetLocaleInfoW(l, t, d, s); }

// Pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy (yyy = yyyy), gg
// (era: "A.D."); h hh H HH m mm s ss t tt; text in single quotes ('' is a
// quote). A null date/time is the current local time (from pv::Clock).
// Returns the characters written including the terminator (size 0: needed).
int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR out, int size);
int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCWSTR format, LPWSTR out, int size);
inline int GetDateFormat(LCID l, DWORD f, const SYSTEMTIME* d, LPCWSTR p, LPWSTR o, int s) {
  return GetDateFormatW(l, f, d, p, o, s);
}
inline int GetTimeFormat(LCID l, DWORD f, const SYSTEMTIME* t, LPCWSTR p, LPWSTR o, int s) {
  return GetTimeFormatW(l, f, t, p, o, s);
}

// Counts of -1 mean zero-terminated. Returns CSTR_* or 0 on bad arguments or
// a locale we cannot serve. Sorts as the locale does (see platform/base/collate.h).
int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int countA, LPCWSTR b, int countB);
inline int CompareString(LCID l, DWORD f, LPCWSTR a, int na, LPCWSTR b, int nb) {
  return CompareStringW(l, f, a, na, b, nb);
}
// LCMAP_UPPERCASE / LCMAP_LOWERCASE. Returns the characters written
// (terminator included when the source count was -1); size 0: needed.
int LCMapStringW(LCID locale, DWORD flags, LPCWSTR src, int count, LPWSTR dest, int size);
inline int LCMapString(LCID l, DWORD f, LPCWSTR s, int n, LPWSTR d, int sz) { return LCMapStringW(l, f, s, n, d, sz); }

// The C run-time locale of one category (LC_ALL, LC_COLLATE, LC_CTYPE,
// LC_MONETARY, LC_NUMERIC, LC_TIME). A null name asks for the current one
// ("C" until changed); "" takes the user's; "de-DE", "de_DE", "de_DE.UTF-8"
// and "German_Germany.1252" name a locale. Returns the name now in effect in
// storage that the next call for the category overwrites, or null when the
// category or the locale is unknown (nothing changes then).
char16_t* _wsetlocale(int category, const char16_t* locale);
