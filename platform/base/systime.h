// System time structures and their conversions.
//
// SYSTEMTIME is a broken-down calendar time, FILETIME counts 100-ns intervals
// since 1 January 1601 (UTC unless said otherwise), and DATE is the
// Automation date: days since 30 December 1899 as a double, the fraction
// being the time of day. All "now" values come from pv::Clock.
#pragma once

#include <ctime>

#include "platform/base/wintypes.h"

using DATE = double;

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;  // 0 = Sunday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;
using PSYSTEMTIME = SYSTEMTIME*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;
using PFILETIME = FILETIME*;

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

#define TIME_ZONE_ID_INVALID (static_cast<DWORD>(0xFFFFFFFF))
#define TIME_ZONE_ID_UNKNOWN 0
#define TIME_ZONE_ID_STANDARD 1
#define TIME_ZONE_ID_DAYLIGHT 2

void GetLocalTime(LPSYSTEMTIME st);
void GetSystemTime(LPSYSTEMTIME st);
void GetSystemTimeAsFileTime(LPFILETIME ft);
BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft);
BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st);
BOOL FileTimeToLocalFileTime(const FILETIME* ft, LPFILETIME local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME ft);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION tzi);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// Automation dates. SystemTimeToVariantTime ignores milliseconds and accepts
// the years 100..9999 with real calendar days only; VariantTimeToSystemTime
// rounds to the nearest second and fails outside 1 January 100 .. 31 December
// 9999. Both return TRUE on success.
INT SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date);
INT VariantTimeToSystemTime(DATE date, LPSYSTEMTIME st);

namespace pv {

// Smallest and largest valid Automation dates.
constexpr DATE kMinDate = -657434.0;         // 1 January 100
constexpr DATE kMaxDate = 2958465.99999999;  // 31 December 9999, 23:59:59
constexpr double kHalfSecond = 0.5 / 86400.0;

// Fields of a date. Seconds are rounded to the nearest second.
struct DateFields {
  int year, month, day, hour, minute, second;
  int dayOfWeek;  // 0 = Sunday
  int dayOfYear;  // 1-based
};
bool DateToFields(DATE date, DateFields* out);
// Builds a date from fields; false when a field is out of range or the day
// does not exist in that month (years 100..9999).
bool FieldsToDate(int year, int month, int day, int hour, int minute, int second, DATE* out);

// Automation dates are not linear below zero (-1.25 is 29 December 1899,
// 06:00): these map them to and from a linear day count for arithmetic.
double DateToLinear(DATE date);
DATE LinearToDate(double linear);

// FILETIME <-> 64-bit count.
inline std::int64_t FileTimeToInt64(const FILETIME& ft) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
inline FILETIME Int64ToFileTime(std::int64_t v) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(v) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(v) >> 32);
  return ft;
}

// time_t (seconds since 1970 UTC) <-> FILETIME.
FILETIME TimeTToFileTime(std::time_t t);
std::time_t FileTimeToTimeT(const FILETIME& ft);

}  // namespace pv
