#include "platform/base/systime.h"

#include <cmath>

#include "platform/base/clock.h"

namespace pv {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000LL;
constexpr std::int64_t kTicksPerMs = 10000LL;
constexpr std::int64_t kEpochDelta = 116444736000000000LL;  // 1601 -> 1970 in 100 ns
// Days from 1970-01-01 back to 1899-12-30.
constexpr std::int64_t kDateEpochDays = -25569;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void Int64ToSystemTime(std::int64_t v, SYSTEMTIME* st) {
  std::int64_t ms = v / kTicksPerMs;
  std::int64_t days = ms / 86400000;
  std::int64_t rest = ms % 86400000;
  // FILETIME day 0 is 1601-01-01.
  std::int64_t unixDays = days + DaysFromCivil(1601, 1, 1);
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(unixDays, &y, &m, &d);
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  st->wDayOfWeek = static_cast<WORD>(((unixDays % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  st->wHour = static_cast<WORD>(rest / 3600000);
  st->wMinute = static_cast<WORD>(rest / 60000 % 60);
  st->wSecond = static_cast<WORD>(rest / 1000 % 60);
  st->wMilliseconds = static_cast<WORD>(rest % 1000);
}

bool SystemTimeToInt64(const SYSTEMTIME& st, std::int64_t* v) {
  if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
      st.wMilliseconds > 999)
    return false;
  std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - DaysFromCivil(1601, 1, 1);
  std::int64_t ms =
      days * 86400000 + st.wHour * 3600000LL + st.wMinute * 60000LL + st.wSecond * 1000LL + st.wMilliseconds;
  *v = ms * kTicksPerMs;
  return true;
}

void CopyName(WCHAR* dest, const std::u16string& name) {
  size_t n = name.size() < 31 ? name.size() : 31;
  for (size_t i = 0; i < n; ++i) dest[i] = name[i];
  for (size_t i = n; i < 32; ++i) dest[i] = 0;
}

// A transition of the real zone, in the "n-th weekday of the month" form the
// time-zone record uses, expressed in the local time in effect before it.
void RuleFromTransition(std::int64_t utcBefore, SYSTEMTIME* rule) {
  LONG bias = Clock::BiasAtUtc(utcBefore);
  std::int64_t local = utcBefore + kTicksPerSecond - static_cast<std::int64_t>(bias) * 60 * kTicksPerSecond;
  SYSTEMTIME st;
  Int64ToSystemTime(local, &st);
  *rule = SYSTEMTIME{};
  rule->wMonth = st.wMonth;
  rule->wDayOfWeek = st.wDayOfWeek;
  rule->wDay =
      static_cast<WORD>(st.wDay + 7 > static_cast<int>(DaysInMonth(st.wYear, st.wMonth)) ? 5 : (st.wDay - 1) / 7 + 1);
  rule->wHour = st.wHour;
  rule->wMinute = st.wMinute;
}

}  // namespace

double DateToLinear(DATE date) {
  if (date >= 0) return date;
  double whole = std::trunc(date);
  return whole + (whole - date);
}

DATE LinearToDate(double linear) {
  if (linear >= 0) return linear;
  double whole = std::floor(linear);
  double frac = linear - whole;
  if (frac == 0) return whole;
  return whole - frac;
}

bool DateToFields(DATE date, DateFields* out) {
  if (!(date > -657435.0 && date < 2958466.0)) return false;  // also rejects NaN
  double linear = DateToLinear(date);
  // Round to the nearest second, halves going forward in time.
  double secsD = std::floor(linear * 86400.0 + 0.5);
  std::int64_t secs = static_cast<std::int64_t>(secsD);
  std::int64_t dayIndex = FloorDiv(secs, 86400);
  std::int64_t sod = secs - dayIndex * 86400;
  std::int64_t unixDays = dayIndex + kDateEpochDays;
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(unixDays, &y, &m, &d);
  if (y < 100 || y > 9999) return false;
  out->year = static_cast<int>(y);
  out->month = static_cast<int>(m);
  out->day = static_cast<int>(d);
  out->hour = static_cast<int>(sod / 3600);
  out->minute = static_cast<int>(sod / 60 % 60);
  out->second = static_cast<int>(sod % 60);
  out->dayOfWeek = static_cast<int>(((unixDays % 7) + 11) % 7);
  out->dayOfYear = static_cast<int>(unixDays - DaysFromCivil(y, 1, 1) + 1);
  return true;
}

bool FieldsToDate(int year, int month, int day, int hour, int minute, int second, DATE* out) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > static_cast<int>(DaysInMonth(year, static_cast<unsigned>(month))) || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59)
    return false;
  double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                    kDateEpochDays);
  double time = (hour * 3600 + minute * 60 + second) / 86400.0;
  *out = days >= 0 ? days + time : days - time;
  return true;
}

FILETIME TimeTToFileTime(std::time_t t) {
  return Int64ToFileTime(static_cast<std::int64_t>(t) * kTicksPerSecond + kEpochDelta);
}

std::time_t FileTimeToTimeT(const FILETIME& ft) {
  return static_cast<std::time_t>(FloorDiv(FileTimeToInt64(ft) - kEpochDelta, kTicksPerSecond));
}

}  // namespace pv

using pv::FileTimeToInt64;
using pv::Int64ToFileTime;

void GetLocalTime(LPSYSTEMTIME st) {
  if (st) pv::Int64ToSystemTime(pv::Clock::LocalNow(), st);
}

void GetSystemTime(LPSYSTEMTIME st) {
  if (st) pv::Int64ToSystemTime(pv::Clock::UtcNow(), st);
}

void GetSystemTimeAsFileTime(LPFILETIME ft) {
  if (ft) *ft = Int64ToFileTime(pv::Clock::UtcNow());
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
  std::int64_t v;
  if (!st || !ft || !pv::SystemTimeToInt64(*st, &v)) return FALSE;
  *ft = Int64ToFileTime(v);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
  if (!ft || !st) return FALSE;
  std::int64_t v = FileTimeToInt64(*ft);
  if (v < 0) return FALSE;
  pv::Int64ToSystemTime(v, st);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* ft, LPFILETIME local) {
  if (!ft || !local) return FALSE;
  std::int64_t v = FileTimeToInt64(*ft);
  *local = Int64ToFileTime(v - static_cast<std::int64_t>(pv::Clock::BiasAtUtc(v)) * 60 * pv::kTicksPerSecond);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME ft) {
  if (!ft || !local) return FALSE;
  std::int64_t v = FileTimeToInt64(*local);
  *ft = Int64ToFileTime(v + static_cast<std::int64_t>(pv::Clock::BiasAtLocal(v)) * 60 * pv::kTicksPerSecond);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  std::uint64_t x = (static_cast<std::uint64_t>(a->dwHighDateTime) << 32) | a->dwLowDateTime;
  std::uint64_t y = (static_cast<std::uint64_t>(b->dwHighDateTime) << 32) | b->dwLowDateTime;
  return x < y ? -1 : (x > y ? 1 : 0);
}

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION tzi) {
  if (!tzi) return TIME_ZONE_ID_INVALID;
  pv::ClockTimeZone tz = pv::Clock::TimeZone();
  *tzi = TIME_ZONE_INFORMATION{};
  tzi->Bias = tz.bias;
  tzi->StandardBias = 0;
  tzi->DaylightBias = tz.hasDaylight ? tz.daylightBias : 0;
  pv::CopyName(tzi->StandardName, tz.standardName);
  pv::CopyName(tzi->DaylightName, tz.daylightName);
  if (!tz.hasDaylight) return TIME_ZONE_ID_UNKNOWN;
  bool daylightNow = false;
  std::int64_t now = pv::Clock::UtcNow();
  pv::Clock::BiasAtUtc(now, &daylightNow);
  if (!pv::Clock::IsFake()) {
    // Find this year's two changes: walk the year a day at a time, then
    // narrow each change down to the second.
    SYSTEMTIME st;
    pv::Int64ToSystemTime(now, &st);
    std::int64_t start = (pv::DaysFromCivil(st.wYear, 1, 1) * 86400) * pv::kTicksPerSecond + pv::kEpochDelta;
    const std::int64_t day = 86400 * pv::kTicksPerSecond;
    bool prev = false;
    pv::Clock::BiasAtUtc(start, &prev);
    for (int i = 1; i <= 366; ++i) {
      std::int64_t t = start + i * day;
      bool cur = false;
      pv::Clock::BiasAtUtc(t, &cur);
      if (cur != prev) {
        std::int64_t lo = t - day, hi = t;  // state at lo == prev, at hi == cur
        while (hi - lo > pv::kTicksPerSecond) {
          std::int64_t mid = lo + (hi - lo) / 2;
          bool m = false;
          pv::Clock::BiasAtUtc(mid, &m);
          (m == prev ? lo : hi) = mid;
        }
        pv::RuleFromTransition(lo, cur ? &tzi->DaylightDate : &tzi->StandardDate);
        prev = cur;
      }
    }
  }
  return daylightNow ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) return FALSE;
  count->QuadPart = pv::Clock::PerformanceCounter();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) return FALSE;
  frequency->QuadPart = pv::Clock::PerformanceFrequency();
  return TRUE;
}

INT SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date) {
  if (!st || !date) return FALSE;
  return pv::FieldsToDate(st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute, st->wSecond, date) ? TRUE : FALSE;
}

INT VariantTimeToSystemTime(DATE date, LPSYSTEMTIME st) {
  pv::DateFields f;
  if (!st || !pv::DateToFields(date, &f)) return FALSE;
  st->wYear = static_cast<WORD>(f.year);
  st->wMonth = static_cast<WORD>(f.month);
  st->wDay = static_cast<WORD>(f.day);
  st->wDayOfWeek = static_cast<WORD>(f.dayOfWeek);
  st->wHour = static_cast<WORD>(f.hour);
  st->wMinute = static_cast<WORD>(f.minute);
  st->wSecond = static_cast<WORD>(f.second);
  st->wMilliseconds = 0;
  return TRUE;
}
